// q4sim: a simulated KTT-Q4 four-channel weighing transmitter, a Modbus TCP,
// RTU or RTU over TCP server for trying and testing Q4 Config without the hardware.

#include "q4version.h"
#include "simserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSerialPort>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Reads control lines from stdin and answers each with one line on stdout.
// The simulator ends when stdin is closed.
class ControlReader : public QObject
{
public:
    ControlReader(SimServer *server, QObject *parent)
        : QObject(parent)
        , server(server)
        , notifier(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
    {
        connect(notifier, &QSocketNotifier::activated, this, [this]() { readInput(); });
    }

private:
    void readInput()
    {
        char chunk[4096];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            notifier->setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(chunk, int(n));
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            if (line.isEmpty())
                continue;
            if (line == QLatin1String("quit")) {
                say(QStringLiteral("ok"));
                QCoreApplication::quit();
                return;
            }
            say(server->control(line));
        }
    }

    SimServer *server;
    QSocketNotifier *notifier;
    QByteArray pending;
};

// "--id 3,7": the server addresses the link answers, each 1..247 and listed
// once; the first is the one control lines address without an @ prefix.
bool parseServerIds(const QString &text, QList<int> &ids)
{
    ids.clear();
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString &part : parts) {
        bool ok = false;
        const int id = part.trimmed().toInt(&ok);
        if (!ok || id < 1 || id > 247 || ids.contains(id))
            return false;
        ids.append(id);
    }
    return !ids.isEmpty();
}

// "--serial 2026120700042000000000099": 25 printable ASCII characters, one per
// serial register; the program's way of showing it (a hyphen after the 13th)
// is taken too.
bool parseSerial(const QString &text, QByteArray &serial)
{
    serial = text.toLatin1();
    if (text.size() == 26 && text.at(13) == QLatin1Char('-'))
        serial.remove(13, 1);
    if (serial.size() != 25 || text.toLatin1() != text.toUtf8())
        return false;
    for (const char c : qAsConst(serial)) {
        if (c <= 32 || c >= 127)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("q4sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(Q4_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated KTT-Q4 weighing transmitter (Modbus TCP, RTU "
                                                    "or RTU over TCP server). See sim/README.md."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption tcpOption(QStringLiteral("tcp"),
        QStringLiteral("Listen for Modbus TCP on HOST:PORT (port 0 picks a free one)."),
        QStringLiteral("HOST:PORT"), QStringLiteral("127.0.0.1:1502"));
    const QCommandLineOption rtuOption(QStringLiteral("rtu"),
        QStringLiteral("Serve Modbus RTU on a serial device."), QStringLiteral("DEVICE"));
    const QCommandLineOption rtuTcpOption(QStringLiteral("rtu-tcp"),
        QStringLiteral("Listen for Modbus RTU frames over TCP (a serial-to-Ethernet converter) on HOST:PORT "
                       "(port 0 picks a free one)."),
        QStringLiteral("HOST:PORT"));
    const QCommandLineOption baudOption(QStringLiteral("baud"),
        QStringLiteral("RTU baud rate (default 38400)."), QStringLiteral("BAUD"), QStringLiteral("38400"));
    const QCommandLineOption parityOption(QStringLiteral("parity"),
        QStringLiteral("RTU parity: none, even, odd (default even)."), QStringLiteral("PARITY"),
        QStringLiteral("even"));
    const QCommandLineOption dataBitsOption(QStringLiteral("data-bits"),
        QStringLiteral("RTU data bits, 7 or 8 (default 8)."), QStringLiteral("N"), QStringLiteral("8"));
    const QCommandLineOption stopBitsOption(QStringLiteral("stop-bits"),
        QStringLiteral("RTU stop bits, 1 or 2 (default 1)."), QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption idOption(QStringLiteral("id"),
        QStringLiteral("Server address 1-247, or several separated by commas, each its own device "
                       "(default 1)."),
        QStringLiteral("N[,N...]"), QStringLiteral("1"));
    const QCommandLineOption orderOption(QStringLiteral("word-order"),
        QStringLiteral("Word order of 32-bit values: ab-cd or cd-ab (default ab-cd)."),
        QStringLiteral("ORDER"), QStringLiteral("ab-cd"));
    const QCommandLineOption latencyOption(QStringLiteral("latency"),
        QStringLiteral("Answer delay in ms (default 0)."), QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption serialOption(QStringLiteral("serial"),
        QStringLiteral("Serial number: 25 printable characters (a hyphen after the 13th, as the program "
                       "shows it, is dropped); with several --id the last three are each device's address."),
        QStringLiteral("TEXT"));
    const QCommandLineOption logOption(QStringLiteral("log"),
        QStringLiteral("Append one line per request to FILE."), QStringLiteral("FILE"));
    const QCommandLineOption controlOption(
        QStringLiteral("control"), QStringLiteral("Read control lines from stdin, answer on stdout."));
    parser.addOptions({tcpOption, rtuOption, rtuTcpOption, baudOption, parityOption, dataBitsOption,
        stopBitsOption, idOption, orderOption, latencyOption, serialOption, logOption, controlOption});
    parser.process(app);

    auto fail = [](const QString &message) {
        std::fprintf(stderr, "q4sim: %s\n", message.toUtf8().constData());
        return 2;
    };

    bool ok = false;
    QList<int> ids;
    if (!parseServerIds(parser.value(idOption), ids))
        return fail(QStringLiteral("bad --id (1-247, several separated by commas)"));
    const QString orderText = parser.value(orderOption).toLower();
    if (orderText != QLatin1String("ab-cd") && orderText != QLatin1String("cd-ab"))
        return fail(QStringLiteral("bad --word-order (ab-cd or cd-ab)"));
    const int latency = parser.value(latencyOption).toInt(&ok);
    if (!ok || latency < 0)
        return fail(QStringLiteral("bad --latency"));

    QByteArray serial;
    if (parser.isSet(serialOption) && !parseSerial(parser.value(serialOption), serial))
        return fail(QStringLiteral("bad --serial (25 printable characters, or 13, a hyphen and 12)"));

    SimServer server(ids, orderText == QLatin1String("cd-ab") ? 1 : 0);
    server.setLatency(latency);
    if (!serial.isEmpty())
        server.setSerial(serial);
    if (parser.isSet(logOption) && !server.openLog(parser.value(logOption)))
        return fail(QStringLiteral("cannot open log %1").arg(parser.value(logOption)));

    if (parser.isSet(rtuTcpOption) && (parser.isSet(rtuOption) || parser.isSet(tcpOption)))
        return fail(QStringLiteral("--rtu-tcp excludes --tcp and --rtu"));
    if (parser.isSet(rtuOption)) {
        const int baud = parser.value(baudOption).toInt(&ok);
        if (!ok || baud <= 0)
            return fail(QStringLiteral("bad --baud"));
        const QString parityText = parser.value(parityOption).toLower();
        int parity;
        if (parityText == QLatin1String("none"))
            parity = QSerialPort::NoParity;
        else if (parityText == QLatin1String("even"))
            parity = QSerialPort::EvenParity;
        else if (parityText == QLatin1String("odd"))
            parity = QSerialPort::OddParity;
        else
            return fail(QStringLiteral("bad --parity (none, even, odd)"));
        const int dataBits = parser.value(dataBitsOption).toInt(&ok);
        if (!ok || (dataBits != 7 && dataBits != 8))
            return fail(QStringLiteral("bad --data-bits (7 or 8)"));
        const int stopBits = parser.value(stopBitsOption).toInt(&ok);
        if (!ok || (stopBits != 1 && stopBits != 2))
            return fail(QStringLiteral("bad --stop-bits (1 or 2)"));
        QString error;
        const QString device = parser.value(rtuOption);
        if (!server.openRtu(device, baud, parity, dataBits,
                stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop, &error))
            return fail(QStringLiteral("cannot open %1: %2").arg(device, error));
        say(QStringLiteral("listening %1").arg(device));
    } else {
        const bool rtuFrames = parser.isSet(rtuTcpOption);
        const QString endpoint = parser.value(rtuFrames ? rtuTcpOption : tcpOption);
        const int colon = endpoint.lastIndexOf(QLatin1Char(':'));
        const int port = colon > 0 ? endpoint.mid(colon + 1).toInt(&ok) : -1;
        if (colon <= 0 || !ok || port < 0 || port > 65535)
            return fail(rtuFrames ? QStringLiteral("bad --rtu-tcp (HOST:PORT)")
                                  : QStringLiteral("bad --tcp (HOST:PORT)"));
        const bool listening = rtuFrames ? server.listenRtuOverTcp(endpoint.left(colon), quint16(port))
                                         : server.listenTcp(endpoint.left(colon), quint16(port));
        if (!listening)
            return fail(QStringLiteral("cannot listen on %1").arg(endpoint));
        say(QStringLiteral("listening %1").arg(server.tcpEndpoint()));
    }

    if (parser.isSet(controlOption))
        new ControlReader(&server, &app);
    return app.exec();
}
