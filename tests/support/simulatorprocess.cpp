#include "simulatorprocess.h"

#include "link/linksession.h"
#include "link/transactions.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QModbusTcpClient>
#include <QThread>
#include <QVariant>

SimulatorProcess::SimulatorProcess(const QStringList &extraArgs)
    : args(extraArgs)
{
    // the simulator's complaints go to the test's stderr
    process.setReadChannel(QProcess::StandardOutput);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

SimulatorProcess::~SimulatorProcess() { stop(); }

QString SimulatorProcess::logPath() const { return dir.filePath(QStringLiteral("requests.log")); }

bool SimulatorProcess::start()
{
    if (isRunning())
        return true;
    if (!dir.isValid()) {
        lastError = QStringLiteral("no temporary directory");
        return false;
    }
    QFile::remove(logPath());
    QStringList all;
    if (!args.contains(QStringLiteral("--rtu")) && !args.contains(QStringLiteral("--tcp"))
        && !args.contains(QStringLiteral("--rtu-tcp")))
        all << QStringLiteral("--tcp") << QStringLiteral("127.0.0.1:0");
    all << QStringLiteral("--log") << logPath() << QStringLiteral("--control") << args;
    process.start(QStringLiteral(Q4SIM_PATH), all);
    if (!process.waitForStarted(5000)) {
        lastError = QStringLiteral("q4sim did not start: ") + process.errorString();
        return false;
    }
    QDeadlineTimer deadline(10000);
    while (!process.canReadLine()) {
        if (process.state() != QProcess::Running || deadline.hasExpired()) {
            lastError = QStringLiteral("q4sim did not report listening");
            stop();
            return false;
        }
        process.waitForReadyRead(100);
    }
    const QString line = QString::fromUtf8(process.readLine()).trimmed();
    if (!line.startsWith(QLatin1String("listening "))) {
        lastError = QStringLiteral("unexpected first line: ") + line;
        stop();
        return false;
    }
    const QString where = line.mid(10);
    if (args.contains(QStringLiteral("--rtu"))) {
        listenDevice = where;
        listenPort = 0;
    } else {
        const int colon = where.lastIndexOf(QLatin1Char(':'));
        listenHost = where.left(colon);
        listenPort = quint16(where.mid(colon + 1).toUInt());
    }
    return true;
}

QString SimulatorProcess::command(const QString &line)
{
    if (!isRunning())
        return QString();
    process.write(line.toUtf8() + '\n');
    process.waitForBytesWritten(1000);
    QDeadlineTimer deadline(5000);
    while (!process.canReadLine()) {
        if (process.state() != QProcess::Running || deadline.hasExpired())
            return QString();
        process.waitForReadyRead(50);
    }
    return QString::fromUtf8(process.readLine()).trimmed();
}

QStringList SimulatorProcess::requests()
{
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void SimulatorProcess::clearRequests()
{
    if (isRunning())
        command(QStringLiteral("clearlog"));
    else
        QFile::remove(logPath());
}

bool SimulatorProcess::waitForRequest(const QString &prefix, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const QStringList lines = requests();
        for (const QString &l : lines) {
            if (l.startsWith(prefix))
                return true;
        }
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
}

void SimulatorProcess::stop()
{
    if (process.state() == QProcess::NotRunning)
        return;
    // closing stdin ends the simulator; kill it if it lingers
    process.closeWriteChannel();
    if (!process.waitForFinished(2000)) {
        process.kill();
        process.waitForFinished(2000);
    }
}

bool SimulatorProcess::isRunning() const { return process.state() == QProcess::Running; }

bool connectTestClient(SimulatorProcess &sim, WordOrder order)
{
    disconnectTestClient();
    auto *client = new QModbusTcpClient();
    client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, sim.host());
    client->setConnectionParameter(QModbusDevice::NetworkPortParameter, int(sim.port()));
    client->setTimeout(1000);
    client->setNumberOfRetries(0);
    linkSession().modbusClient = client;
    linkSession().currentServerAddress = 1;
    linkSession().wordOrder = order;
    linkSession().appliedLink = LinkParameters();
    linkSession().appliedLink.connectType = ConnectionType::Tcp;
    linkSession().appliedLink.hostAddress = sim.host();
    linkSession().appliedLink.networkPort = QString::number(sim.port());
    linkSession().appliedLink.serverAddress = 1;
    linkSession().appliedLink.wordOrder = order;
    linkSession().appliedLink.startAddress = 0;
    linkSession().appliedLink.responseTime = 1000;
    linkSession().appliedLink.numberOfRetries = 0;
    linkSession().liveLink = linkSession().appliedLink;
    linkSession().tcpLink = 1;
    if (!client->connectDevice())
        return false;
    QDeadlineTimer deadline(5000);
    while (client->state() != QModbusDevice::ConnectedState) {
        if (client->state() == QModbusDevice::UnconnectedState || deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void disconnectTestClient()
{
    if (!linkSession().modbusClient)
        return;
    QModbusClient *client = linkSession().modbusClient;
    linkSession().modbusClient = nullptr;
    client->disconnectDevice();
    delete client;
}

QStringList SimulatorProcess::writes()
{
    QStringList lines;
    const QStringList all = requests();
    for (const QString &line : all) {
        if (line.startsWith(QLatin1String("write ")))
            lines << line;
    }
    return lines;
}
