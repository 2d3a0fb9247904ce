// A serial link whose device goes away (a USB adapter unplugged; here the
// socat pty pair ended) while the program uses it: during polling, during a
// commit and during headless workbook runs. Every wait must end, nothing may
// spin, and Disconnect/Connect must bring the link back once the port returns.

#include "link/linksession.h"
#include "link/modbusrtuclient.h"
#include "link/transactions.h"
#include "params/appstate.h"
#include "support/programrun.h"
#include "support/ptypair.h"
#include "support/simulatorprocess.h"
#include "ui/link/modbussetting.h"
#include "ui/pages/commitengine.h"
#include "ui/pagestate.h"
#include "ui/window/mainwindow.h"
#include "ui/window/startup.h"
#include "workbook/parameterworkbook.h"
#include "workbook/xlsxworkbook.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sys/resource.h>

namespace {

// CPU seconds (user and system, all threads) of this process so far.
double processCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Share of one core this process uses while it goes on processing events for
// the given time (as the program's own event loop would).
double cpuShareWhileRunning(int milliseconds)
{
    const double before = processCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(milliseconds);
    return (processCpuSeconds() - before) * 1000.0 / double(qMax<qint64>(1, clock.elapsed()));
}

// Confirms any message popup, so that a failure cannot hang the test in a modal wait.
class PopupCloser : public QObject
{
public:
    PopupCloser()
    {
        timer.setInterval(50);
        connect(&timer, &QTimer::timeout, this, [] {
            const auto windows = QApplication::topLevelWidgets();
            for (QWidget *w : windows) {
                if (w->isVisible() && w->inherits("TipsDialog"))
                    QMetaObject::invokeMethod(w, "reject");
            }
        });
        timer.start();
    }

private:
    QTimer timer;
};

QStringList rtuSimulatorArgs(const QString &device, int latencyMs)
{
    return {QStringLiteral("--rtu"), device, QStringLiteral("--latency"), QString::number(latencyMs)};
}

// Shows the pty end in the connection page's serial list and selects it.
void selectSerialPort(ModbusSetting *page, const QString &device)
{
    page->findChild<QComboBox *>(QStringLiteral("connectType"))->setCurrentIndex(0);
    auto *serial = page->findChild<QComboBox *>(QStringLiteral("serialnumcomboBox"));
    serial->addItem(QStringLiteral("pty(%1)").arg(device));
    serial->setCurrentIndex(serial->count() - 1);
}

} // namespace

class TestSerialLink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void portRemovedDuringPolling();
    void portBackAtSamePathRecoversOnItsOwn();
    void portRemovedDuringCommit();
    void portRemovedDuringHeadlessExport();
    void portRemovedDuringHeadlessImport();

private:
    // Runs q4config with the arguments, ends the pty pair once the simulator has
    // answered some requests, and returns the exit code and the seconds from the
    // unplugging to the end of the run (-1 when it did not end within 60 s).
    void runHeadlessAndUnplug(
        const QStringList &args, int *exitCode, double *secondsAfterUnplug, QString *output);

    QTemporaryDir dataDir;
};

void TestSerialLink::initTestCase()
{
    Q4_REQUIRE_TOOL("socat");
    QVERIFY(dataDir.isValid());
    setDataDirectory(dataDir.path());
    QVERIFY(QDir().mkpath(dataDir.filePath(QStringLiteral("Template"))));
    const QString name = templateFileName(0);
    QVERIFY(QFile::copy(QStringLiteral(Q4_BINARY_DIR "/Template/") + name,
        dataDir.filePath(QStringLiteral("Template/")) + name));
}

void TestSerialLink::init()
{
    linkSession().linkSuspended = false;
    linkSession().linkFaulty = false;
    linkSession().failedPolls = 0;
}

void TestSerialLink::cleanup()
{
    disconnectTestClient();
    linkSession().linkSuspended = false;
}

// The adapter goes away while the window polls: the status line turns to the
// poll's error, the link is marked faulty and the process does not spin; once
// the port is back, Disconnect and Connect make the link again.
void TestSerialLink::portRemovedDuringPolling()
{
    PtyPair pty;
    QVERIFY(pty.start());
    auto sim = std::make_unique<SimulatorProcess>(rtuSimulatorArgs(pty.first(), 0));
    QVERIFY2(sim->start(), qPrintable(sim->errorText()));

    PopupCloser popups;
    MainWindow window(linkSession());
    ModbusSetting *page = window.connectionPage();
    auto *state = window.findChild<QLabel *>(QStringLiteral("label_ConnectState"));
    selectSerialPort(page, pty.second());
    page->findChild<QPushButton *>(QStringLiteral("connectButton"))->click();
    QVERIFY(linkSession().modbusClient);
    QCOMPARE(window.pageState().currentPage, int(PageMonitoring));
    QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("Communication-Normal"), 5000);

    pty.stop();
    sim.reset(); // its port is gone as well
    QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("Communication-Error"), 6000);
    QVERIFY(linkSession().linkFaulty);
    QCOMPARE(state->styleSheet(), QStringLiteral("color: red;"));
    // Polling on with the device gone: a loop spinning on the dead port would
    // take a whole core; the poll itself needs about 1 %.
    const double share = cpuShareWhileRunning(3000);
    qInfo("CPU with the device gone: %.3f of a core", share);
    QVERIFY2(share < 0.15, qPrintable(QStringLiteral("CPU share %1").arg(share)));

    // The adapter is plugged in again.
    QVERIFY(pty.start());
    sim = std::make_unique<SimulatorProcess>(rtuSimulatorArgs(pty.first(), 0));
    QVERIFY2(sim->start(), qPrintable(sim->errorText()));
    window.findChild<QPushButton *>(QStringLiteral("ButtonDisconnect"))->click();
    QCOMPARE(window.pageState().currentPage, int(PageConnection));
    QCOMPARE(window.disconnectTimerObject()->interval(), 2000);
    selectSerialPort(page, pty.second());
    // Pressed while the old link is still being taken down: repeated until it is gone.
    page->findChild<QPushButton *>(QStringLiteral("connectButton"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(window.pageState().currentPage, int(PageMonitoring), 8000);
    QVERIFY(linkSession().modbusClient);
    QCOMPARE(linkSession().modbusClient->state(), QModbusDevice::ConnectedState);
    QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("Communication-Normal"), 5000);
    QVERIFY(!linkSession().linkFaulty);
    linkSession().linkSuspended = true; // keep the poll quiet while the window goes
}

// The adapter comes back under the same name while the window polls: the poll
// opens the port again by itself, as it reopens a dropped TCP link, and the
// status line returns to normal without Disconnect and Connect.
void TestSerialLink::portBackAtSamePathRecoversOnItsOwn()
{
    PtyPair pty;
    QVERIFY(pty.start());
    auto sim = std::make_unique<SimulatorProcess>(rtuSimulatorArgs(pty.first(), 0));
    QVERIFY2(sim->start(), qPrintable(sim->errorText()));

    PopupCloser popups;
    MainWindow window(linkSession());
    ModbusSetting *page = window.connectionPage();
    auto *state = window.findChild<QLabel *>(QStringLiteral("label_ConnectState"));
    selectSerialPort(page, pty.second());
    page->findChild<QPushButton *>(QStringLiteral("connectButton"))->click();
    QVERIFY(linkSession().modbusClient);
    QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("Communication-Normal"), 5000);
    const QModbusClient *client = linkSession().modbusClient;

    pty.stop();
    sim.reset();
    QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("Communication-Error"), 6000);
    QVERIFY(serialLinkLost(linkSession().modbusClient));
    // Away for a while: the attempts to open it fail quietly.
    QTest::qWait(1500);
    QCOMPARE(state->text(), QStringLiteral("Communication-Error"));

    QVERIFY(pty.start());
    sim = std::make_unique<SimulatorProcess>(rtuSimulatorArgs(pty.first(), 0));
    QVERIFY2(sim->start(), qPrintable(sim->errorText()));
    QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("Communication-Normal"), 8000);
    QCOMPARE(window.pageState().currentPage, int(PageMonitoring));
    QVERIFY(linkSession().modbusClient == client); // the same link, not a new Connect
    QCOMPARE(linkSession().modbusClient->state(), QModbusDevice::ConnectedState);
    QVERIFY(!serialLinkLost(linkSession().modbusClient));
    QVERIFY(!linkSession().linkFaulty);
    QVERIFY(sim->waitForRequest(QStringLiteral("read-hr "), 3000));
    linkSession().linkSuspended = true; // keep the poll quiet while the window goes
}

// The adapter goes away while a commit waits for the device's answer: the
// write ends at once with "no connection", is not tried again, and the field
// is put back.
void TestSerialLink::portRemovedDuringCommit()
{
    PtyPair pty;
    QVERIFY(pty.start());
    auto sim = std::make_unique<SimulatorProcess>(rtuSimulatorArgs(pty.first(), 800));
    QVERIFY2(sim->start(), qPrintable(sim->errorText()));
    auto *client = new ModbusRtuClient;
    client->setConnectionParameter(QModbusDevice::SerialPortNameParameter, pty.second());
    client->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, 38400);
    client->setConnectionParameter(QModbusDevice::SerialParityParameter, 2);
    client->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, 8);
    client->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, 1);
    client->setTimeout(3000); // longer than the write's own limit: the loss must end it
    client->setNumberOfRetries(0);
    linkSession().modbusClient = client;
    linkSession().currentServerAddress = 1;
    QVERIFY(client->connectDevice());
    QTRY_COMPARE(client->state(), QModbusDevice::ConnectedState);

    // Unplug as soon as the write has reached the device (which answers late).
    QTimer unplug;
    connect(&unplug, &QTimer::timeout, this, [&] {
        if (sim->requests().filter(QRegularExpression(QStringLiteral("^write 220"))).isEmpty())
            return;
        unplug.stop();
        pty.stop();
    });
    unplug.start(10);

    PageState pages;
    pages.currentPage = PageBasic;
    QLineEdit edit;
    edit.setObjectName(QStringLiteral("EditTrZeroTimer"));
    edit.setText(QStringLiteral("300"));
    const QString editBackup = QStringLiteral("200");
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(commitWidgetValue(pages, &edit, edit.text(), editBackup), int(NoConnection));
    QVERIFY2(clock.elapsed() < 4000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!unplug.isActive());
    QCOMPARE(edit.text(), QStringLiteral("200"));
    QVERIFY(linkSession().linkFaulty);
    QCOMPARE(sim->requests().filter(QRegularExpression(QStringLiteral("^write"))).size(), 1);
    // The port is closed: later transactions fail at once instead of waiting.
    QTRY_COMPARE(client->state(), QModbusDevice::UnconnectedState);
    quint16 values[2] = {5, 6};
    LinkParameters block;
    block.startAddress = 0;
    block.count = 2;
    clock.restart();
    QCOMPARE(int(readHoldingRegisters(linkSession().modbusClient, block, values)), int(NoConnection));
    QVERIFY(clock.elapsed() < 500);
    QCOMPARE(values[0], quint16(5));
}

void TestSerialLink::runHeadlessAndUnplug(
    const QStringList &args, int *exitCode, double *secondsAfterUnplug, QString *output)
{
    *exitCode = -1;
    *secondsAfterUnplug = -1;
    PtyPair pty;
    QVERIFY(pty.start());
    auto sim = std::make_unique<SimulatorProcess>(rtuSimulatorArgs(pty.first(), 20));
    QVERIFY2(sim->start(), qPrintable(sim->errorText()));

    QProcess run;
    prepareProgram(run);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QStringLiteral(Q4CONFIG_PATH),
        QStringList {QStringLiteral("--data-dir"), dataDir.path()} + args
            + QStringList {QStringLiteral("--rtu"), pty.second()});
    QVERIFY(run.waitForStarted(5000));
    QDeadlineTimer started(20000);
    while (sim->requests().size() < 20) {
        QVERIFY2(run.state() == QProcess::Running, run.readAll().constData());
        QVERIFY2(!started.hasExpired(), "the run did not reach the device");
        QTest::qWait(20);
    }
    pty.stop();
    QElapsedTimer clock;
    clock.start();
    sim.reset();
    const bool ended = run.waitForFinished(60000);
    if (!ended) {
        run.kill();
        run.waitForFinished(5000);
        return;
    }
    *secondsAfterUnplug = double(clock.elapsed()) / 1000.0;
    *exitCode = run.exitStatus() == QProcess::NormalExit ? run.exitCode() : -2;
    *output = QString::fromUtf8(run.readAll());
    qInfo("run ended %.1f s after the unplugging, exit status %d", *secondsAfterUnplug, *exitCode);
}

// Headless runs stop soon after the device goes away, say so by their exit
// status and name the rows they did not do.
void TestSerialLink::portRemovedDuringHeadlessExport()
{
    int exitCode = 0;
    double seconds = 0;
    QString output;
    runHeadlessAndUnplug({QStringLiteral("--export"), dataDir.filePath(QStringLiteral("gone.xlsx"))},
        &exitCode, &seconds, &output);
    QVERIFY2(seconds >= 0 && seconds < 8, qPrintable(QString::number(seconds)));
    QVERIFY(exitCode != 0);
    QVERIFY2(output.contains(QRegularExpression(QStringLiteral("rows \\d+ to \\d+ not done"))),
        qPrintable(output));
    QVERIFY(!QFile::exists(dataDir.filePath(QStringLiteral("gone.xlsx"))));
}

void TestSerialLink::portRemovedDuringHeadlessImport()
{
    const QString file = dataDir.filePath(QStringLiteral("many.xlsx"));
    QVector<QVector<QVariant>> rows {{QStringLiteral("h")}};
    for (int i = 0; i < 300; ++i)
        rows.append({qint64(8000), QStringLiteral("a"), qint64(1), qint64(247), qint64(1), QString(),
            QStringLiteral("12")});
    QVERIFY(XlsxWorkbook::create(file, ParameterSheetName, rows));
    int exitCode = 0;
    double seconds = 0;
    QString output;
    runHeadlessAndUnplug({QStringLiteral("--import"), file}, &exitCode, &seconds, &output);
    QVERIFY2(seconds >= 0 && seconds < 8, qPrintable(QString::number(seconds)));
    QVERIFY(exitCode != 0);
    QVERIFY2(
        output.contains(QRegularExpression(QStringLiteral("rows \\d+ to 301 not done"))), qPrintable(output));
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    initQ4Resources();
    TestSerialLink test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_seriallink.moc"
