// The device scan: the engine against the simulator (several server addresses
// on one link) and against a small Modbus TCP server that answers with
// exceptions, as a gateway, or closes the connection; the command line
// over TCP and over RTU through a pty pair; the dialog and the connection page.

#include "link/devicescan.h"
#include "link/linksession.h"
#include "link/trafficlog.h"
#include "link/transactions.h"
#include "params/appstate.h"
#include "support/fakemodbusserver.h"
#include "support/programrun.h"
#include "support/ptypair.h"
#include "support/simulatorprocess.h"
#include "ui/link/modbussetting.h"
#include "ui/link/scandialog.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Serial number the simulator gives a device at an address other than 1, as
// the test and maintenance page shows it.
QString simSerial(int address)
{
    return QStringLiteral("2026120700042-000000000")
        + QString::number(address).rightJustified(3, QLatin1Char('0'));
}

ScanRequest tcpRequest(const SimulatorProcess &sim, int first, int last, int timeoutMs)
{
    ScanRequest request;
    request.link.connectType = ConnectionType::Tcp;
    request.link.hostAddress = sim.host();
    request.link.networkPort = QString::number(sim.port());
    request.firstAddress = first;
    request.lastAddress = last;
    request.probeTimeoutMs = timeoutMs;
    return request;
}

QList<int> addressesOf(const QVector<ScanHit> &hits)
{
    QList<int> list;
    for (const ScanHit &hit : hits)
        list << hit.address;
    return list;
}

ProgramRun runProgram(const QStringList &args, const QString &dataDir)
{
    return runProgram(QStringList {QStringLiteral("--data-dir"), dataDir} + args, 120000);
}

// The connection page set to Modbus TCP at the simulator's host and port.
void pointAtSimulator(ModbusSetting &page, const SimulatorProcess &sim)
{
    page.findChild<QComboBox *>(QStringLiteral("connectType"))->setCurrentIndex(1);
    page.on_connectType_activated(1);
    page.findChild<QLineEdit *>(QStringLiteral("EditHostIP"))->setText(sim.host());
    page.findChild<QLineEdit *>(QStringLiteral("EditPort"))->setText(QString::number(sim.port()));
}

// Runs body on the next modal dialog of class className once it is shown.
void onNextModal(const char *className, std::function<void(QWidget *)> body)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, className, body] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible() || !dialog->inherits(className))
            return;
        timer->stop();
        timer->deleteLater();
        body(dialog);
        // A check that failed in body left the dialog open: close it, so exec returns.
        if (dialog->isVisible())
            QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
    });
    timer->start();
}

} // namespace

class TestScan : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tcpScanFindsEveryServedAddress();
    void exceptionsGatewaysAndClosingServers();
    void cancelStopsBetweenProbes();
    void commandLineOverTcp_data();
    void commandLineOverTcp();
    void commandLineOverRtuFixedCombination();
    void commandLineOverRtuEveryCombination();
    void dialogFillsTheConnectionPage();
    void dialogClosedWhileScanning();
    void rtuChoiceSetsBaudAndParity();

private:
    QTemporaryDir dataDir;
};

void TestScan::initTestCase()
{
    QVERIFY(dataDir.isValid());
    setDataDirectory(dataDir.path());
}

void TestScan::tcpScanFindsEveryServedAddress()
{
    // Two devices on one link, 32-bit values in CD-AB order.
    SimulatorProcess sim({QStringLiteral("--id"), QStringLiteral("3,7"), QStringLiteral("--word-order"),
        QStringLiteral("cd-ab")});
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    ScanRequest request = tcpRequest(sim, 1, 8, 100);
    request.link.wordOrder = WordOrder::CdAb;

    const quint64 before = linkSession().traffic.lastSequence();
    DeviceScan scan;
    QList<int> progress;
    connect(&scan, &DeviceScan::progress, this, [&progress](int done, int total) {
        QCOMPARE(total, 8);
        progress << done;
    });
    QCOMPARE(scan.run(request), DeviceScan::Finished);
    QCOMPARE(progress, (QList<int> {0, 1, 2, 3, 4, 5, 6, 7, 8}));
    const QVector<ScanHit> hits = scan.hits();
    QCOMPARE(addressesOf(hits), (QList<int> {3, 7}));
    for (const ScanHit &hit : hits) {
        QVERIFY(hit.identityRead);
        QCOMPARE(hit.probeException, 0);
        QCOMPARE(hit.softwareVersion, QStringLiteral("10203"));
        QCOMPARE(hit.serialNumber, simSerial(hit.address));
    }
    // Each address probed once through the door (the traffic record), the
    // identity read of each device found.
    QList<int> probed;
    for (const TrafficRecord &r : linkSession().traffic.recordsSince(before)) {
        if (r.address == 0 && r.count == 2)
            probed << r.serverAddress;
    }
    QCOMPARE(probed, (QList<int> {1, 2, 3, 4, 5, 6, 7, 8}));
    QCOMPARE(sim.requests(),
        (QStringList {QStringLiteral("@3 read-hr 0 2"), QStringLiteral("@3 read-hr 10000 30"),
            QStringLiteral("@7 read-hr 0 2"), QStringLiteral("@7 read-hr 10000 30")}));
    // The scan's own connection is closed, the process's link untouched.
    QVERIFY(!linkSession().modbusClient);
    QTRY_COMPARE(sim.command(QStringLiteral("connections")), QStringLiteral("ok 0"));
}

void TestScan::exceptionsGatewaysAndClosingServers()
{
    auto fake = std::make_unique<FakeModbusServer>();
    FakeModbusServer &server = *fake;
    QVERIFY(server.listen());
    server.rules = {
        {2, {FakeModbusServer::Answer, 0}},
        {3, {FakeModbusServer::Exception, 2}}, // a device that refuses the test read is there
        {4, {FakeModbusServer::Exception, 11}}, // a gateway: nothing answers behind it
        {5, {FakeModbusServer::Exception, 10}},
        {6, {FakeModbusServer::Close, 0}}, // a server that closes for an address it does not serve
        {8, {FakeModbusServer::Answer, 0}},
    };
    ScanRequest request;
    request.link.connectType = ConnectionType::Tcp;
    request.link.hostAddress = QStringLiteral("127.0.0.1");
    request.link.networkPort = QString::number(server.port());
    request.firstAddress = 1;
    request.lastAddress = 9;
    request.probeTimeoutMs = 50;
    DeviceScan scan;
    QCOMPARE(scan.run(request), DeviceScan::Finished);
    QCOMPARE(scan.probesDone(), 9);
    const QVector<ScanHit> hits = scan.hits();
    QCOMPARE(addressesOf(hits), (QList<int> {2, 3, 8}));
    QCOMPARE(hits[0].probeException, 0);
    QCOMPARE(hits[0].softwareVersion, QStringLiteral("777"));
    QCOMPARE(hits[0].serialNumber, QStringLiteral("9999999999999-999999999992"));
    QCOMPARE(hits[1].probeException, 2);
    QVERIFY(!hits[1].identityRead);
    QCOMPARE(hits[2].serialNumber, QStringLiteral("9999999999999-999999999998"));
    // Address 6 closed the connection twice (asked once more), then the scan
    // went on with a new one.
    QCOMPARE(server.connections, 3);

    // Nothing listening any more: a failure, not an empty result.
    const quint16 port = server.port();
    fake.reset();
    QCOMPARE(scan.run(request), DeviceScan::Failed);
    QVERIFY2(scan.errorText().contains(QStringLiteral("Cannot connect to 127.0.0.1:%1").arg(port)),
        qPrintable(scan.errorText()));
    QCOMPARE(scan.probesDone(), 0);
}

void TestScan::cancelStopsBetweenProbes()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    DeviceScan scan;
    connect(&scan, &DeviceScan::progress, this, [&scan](int done, int) {
        if (done == 3)
            scan.cancel();
    });
    // Addresses 100.. are silent: every probe waits its time-out.
    QCOMPARE(scan.run(tcpRequest(sim, 100, 247, 50)), DeviceScan::Cancelled);
    QCOMPARE(scan.probesDone(), 3);
    QVERIFY(!scan.isRunning());
    QTRY_COMPARE(sim.command(QStringLiteral("connections")), QStringLiteral("ok 0"));
}

void TestScan::commandLineOverTcp_data()
{
    QTest::addColumn<QString>("transport");
    QTest::newRow("Modbus TCP") << QStringLiteral("--tcp");
    // Server addresses behind a converter are probed the same way.
    QTest::newRow("RTU over TCP") << QStringLiteral("--rtu-tcp");
}

void TestScan::commandLineOverTcp()
{
    QFETCH(QString, transport);
    SimulatorProcess sim(
        {transport, QStringLiteral("127.0.0.1:0"), QStringLiteral("--id"), QStringLiteral("1,3")});
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    const QString tcp = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    const QString data = dataDir.filePath(QStringLiteral("cli"));

    ProgramRun run
        = runProgram({QStringLiteral("--scan"), transport, tcp, QStringLiteral("--ids"),
                         QStringLiteral("1-5"), QStringLiteral("--probe-timeout"), QStringLiteral("100")},
            data);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.lines().size(), 3);
    QCOMPARE(run.lines()[0], QStringLiteral("found 1 software 10203 serial 2026120700042-000000001234"));
    QCOMPARE(run.lines()[1], QStringLiteral("found 3 software 10203 serial ") + simSerial(3));
    QVERIFY2(run.lines()[2].startsWith(QStringLiteral("scan done: 2 devices found in 5 probes")),
        qPrintable(run.lines()[2]));

    // No device in the range: exit status 1.
    run = runProgram({QStringLiteral("--scan"), transport, tcp, QStringLiteral("--ids"),
                         QStringLiteral("4-5"), QStringLiteral("--probe-timeout"), QStringLiteral("50")},
        data);
    QCOMPARE(run.status, 1);
    QCOMPARE(run.lines().size(), 1);
    QVERIFY2(run.lines()[0].startsWith(QStringLiteral("scan done: 0 devices found in 2 probes")),
        qPrintable(run.lines()[0]));

    // Nothing listening: the scan failed, which is not "nothing found".
    sim.stop();
    run = runProgram(
        {QStringLiteral("--scan"), transport, tcp, QStringLiteral("--ids"), QStringLiteral("1-3")}, data);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.lines().value(0).startsWith(QStringLiteral("scan failed: Cannot connect to ") + tcp),
        qPrintable(run.lines().join('\n')));

    // Options it does not take.
    const QList<QStringList> bad = {
        {QStringLiteral("--ids"), QStringLiteral("0-5")},
        {QStringLiteral("--ids"), QStringLiteral("9-3")},
        {QStringLiteral("--ids"), QStringLiteral("1-248")},
        {QStringLiteral("--ids"), QStringLiteral("x")},
        {QStringLiteral("--probe-timeout"), QStringLiteral("5")},
        {QStringLiteral("--id"), QStringLiteral("3")},
        {QStringLiteral("--parity"), QStringLiteral("mark")},
        {QStringLiteral("--export"), dataDir.filePath(QStringLiteral("x.xlsx"))},
    };
    for (const QStringList &options : bad) {
        run = runProgram(QStringList {QStringLiteral("--scan"), transport, tcp} + options, data);
        QVERIFY2(run.status == 2, qPrintable(options.join(' ') + ": " + run.err));
    }
    // "all" is for a scan only.
    run = runProgram({QStringLiteral("--export"), dataDir.filePath(QStringLiteral("x.xlsx")), transport, tcp,
                         QStringLiteral("--baud"), QStringLiteral("all")},
        data);
    QCOMPARE(run.status, 2);
}

void TestScan::commandLineOverRtuFixedCombination()
{
    Q4_REQUIRE_TOOL("socat");
    PtyPair pty;
    QVERIFY(pty.start());
    SimulatorProcess sim({QStringLiteral("--rtu"), pty.first(), QStringLiteral("--id"), QStringLiteral("3,7"),
        QStringLiteral("--baud"), QStringLiteral("9600"), QStringLiteral("--parity"), QStringLiteral("odd")});
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    const ProgramRun run = runProgram(
        {QStringLiteral("--scan"), QStringLiteral("--rtu"), pty.second(), QStringLiteral("--baud"),
            QStringLiteral("9600"), QStringLiteral("--parity"), QStringLiteral("O"), QStringLiteral("--ids"),
            QStringLiteral("1-8"), QStringLiteral("--probe-timeout"), QStringLiteral("100")},
        dataDir.filePath(QStringLiteral("rtu")));
    QCOMPARE(run.status, 0);
    QCOMPARE(run.lines().size(), 3);
    for (int i = 0; i < 2; ++i) {
        const int address = i == 0 ? 3 : 7;
        QCOMPARE(run.lines()[i],
            QStringLiteral("found %1 baud 9600 parity odd data-bits 8 stop-bits 1 software 10203 serial %2")
                .arg(address)
                .arg(simSerial(address)));
    }
    QVERIFY2(run.lines()[2].startsWith(QStringLiteral("scan done: 2 devices found in 8 probes")),
        qPrintable(run.lines()[2]));
    QCOMPARE(sim.requests(),
        (QStringList {QStringLiteral("@3 read-hr 0 2"), QStringLiteral("@3 read-hr 10000 30"),
            QStringLiteral("@7 read-hr 0 2"), QStringLiteral("@7 read-hr 10000 30")}));
}

void TestScan::commandLineOverRtuEveryCombination()
{
    Q4_REQUIRE_TOOL("socat");
    PtyPair pty;
    QVERIFY(pty.start());
    SimulatorProcess sim({QStringLiteral("--rtu"), pty.first(), QStringLiteral("--id"), QStringLiteral("3")});
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    // A pty takes no line settings: the device answers at every combination,
    // so every combination shows up once, in the page's list order.
    const ProgramRun run = runProgram(
        {QStringLiteral("--scan"), QStringLiteral("--rtu"), pty.second(), QStringLiteral("--baud"),
            QStringLiteral("all"), QStringLiteral("--parity"), QStringLiteral("all"), QStringLiteral("--ids"),
            QStringLiteral("2-3"), QStringLiteral("--probe-timeout"), QStringLiteral("50")},
        dataDir.filePath(QStringLiteral("rtu-all")));
    QCOMPARE(run.status, 0);
    QStringList expected;
    for (const int baud : serialBaudRates())
        for (const char *parity : {"none", "even", "odd"})
            expected << QStringLiteral(
                "found 3 baud %1 parity %2 data-bits 8 stop-bits 1 software 10203 serial %3")
                            .arg(baud)
                            .arg(QLatin1String(parity))
                            .arg(simSerial(3));
    QCOMPARE(run.lines().mid(0, run.lines().size() - 1), expected);
    QVERIFY2(run.lines().last().startsWith(QStringLiteral("scan done: 18 devices found in 36 probes")),
        qPrintable(run.lines().last()));
}

void TestScan::dialogFillsTheConnectionPage()
{
    SimulatorProcess sim({QStringLiteral("--id"), QStringLiteral("3,7")});
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    ModbusSetting page;
    pointAtSimulator(page, sim);
    auto *slaveId = page.findChild<QSpinBox *>(QStringLiteral("spinboxSlaveId"));
    slaveId->setValue(1);
    page.show();

    bool ran = false;
    onNextModal("ScanDialog", [&](QWidget *dialog) {
        ran = true;
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("tableScanResults"));
        auto *status = dialog->findChild<QLabel *>(QStringLiteral("labelScanStatus"));
        auto *start = dialog->findChild<QPushButton *>(QStringLiteral("Btn_ScanStart"));
        // A link still open (taken down with a delay): no scan.
        linkSession().linkSuspended = true;
        start->click();
        linkSession().linkSuspended = false;
        QCOMPARE(table->rowCount(), 0);
        QVERIFY(status->text().contains(QStringLiteral("link is still open")));

        dialog->findChild<QSpinBox *>(QStringLiteral("spinScanLast"))->setValue(8);
        dialog->findChild<QSpinBox *>(QStringLiteral("spinProbeTimeout"))->setValue(100);
        start->click(); // returns when the scan is done
        auto *progress = dialog->findChild<QProgressBar *>(QStringLiteral("progressScan"));
        QCOMPARE(progress->maximum(), 8);
        QCOMPARE(progress->value(), 8);
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("7"));
        QCOMPARE(table->item(1, 2)->text(), QStringLiteral("10203"));
        QCOMPARE(table->item(1, 3)->text(), simSerial(7));
        QVERIFY(table->isColumnHidden(1)); // no serial settings over TCP
        table->selectRow(1);
        dialog->findChild<QPushButton *>(QStringLiteral("Btn_ScanUse"))->click();
    });
    page.findChild<QPushButton *>(QStringLiteral("Btn_Scan"))->click();
    QVERIFY(ran);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(slaveId->value(), 7);
    QCOMPARE(page.findChild<QComboBox *>(QStringLiteral("connectType"))->currentIndex(), 1);
    QCOMPARE(page.findChild<QLineEdit *>(QStringLiteral("EditPort"))->text(), QString::number(sim.port()));
}

void TestScan::dialogClosedWhileScanning()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    ModbusSetting page;
    pointAtSimulator(page, sim);
    auto *slaveId = page.findChild<QSpinBox *>(QStringLiteral("spinboxSlaveId"));
    slaveId->setValue(5);
    page.show();

    int probesAtClose = -1;
    onNextModal("ScanDialog", [&](QWidget *widget) {
        auto *dialog = qobject_cast<ScanDialog *>(widget);
        dialog->findChild<QSpinBox *>(QStringLiteral("spinProbeTimeout"))->setValue(50);
        // Esc pressed after the first probes: the dialog waits for the scan
        // to stop before the next probe, then closes.
        connect(dialog->engine(), &DeviceScan::progress, dialog, [dialog, &probesAtClose](int done, int) {
            if (done == 3) {
                dialog->reject();
                QVERIFY(dialog->isVisible());
                probesAtClose = done;
            }
        });
        dialog->findChild<QPushButton *>(QStringLiteral("Btn_ScanStart"))->click();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->engine()->probesDone(), 3);
    });
    page.findChild<QPushButton *>(QStringLiteral("Btn_Scan"))->click();
    QCOMPARE(probesAtClose, 3);
    QCOMPARE(slaveId->value(), 5); // closed: nothing taken
    QTRY_COMPARE(sim.command(QStringLiteral("connections")), QStringLiteral("ok 0"));
}

void TestScan::rtuChoiceSetsBaudAndParity()
{
    ModbusSetting page;
    auto *baud = page.findChild<QComboBox *>(QStringLiteral("baudCombo"));
    auto *parity = page.findChild<QComboBox *>(QStringLiteral("parityCombo"));
    auto *slaveId = page.findChild<QSpinBox *>(QStringLiteral("spinboxSlaveId"));
    // The scan's list of every baud rate is the page's.
    QStringList items;
    for (int i = 0; i < baud->count(); ++i)
        items << baud->itemText(i);
    QStringList rates;
    for (const int rate : serialBaudRates())
        rates << QString::number(rate);
    QCOMPARE(items, rates);

    ScanHit hit;
    hit.address = 42;
    hit.connectType = ConnectionType::Rtu;
    hit.baud = 9600;
    hit.parity = Parity::Odd;
    LinkParameters scanned;
    QVERIFY(page.applyScanChoice(hit, scanned));
    QCOMPARE(slaveId->value(), 42);
    QCOMPARE(baud->currentText(), QStringLiteral("9600"));
    QCOMPARE(parity->currentText(), QStringLiteral("ODD"));

    // An address the slave ID field cannot hold changes nothing.
    hit.address = 120;
    hit.baud = 115200;
    QVERIFY(!page.applyScanChoice(hit, scanned));
    QCOMPARE(slaveId->value(), 42);
    QCOMPARE(baud->currentText(), QStringLiteral("9600"));
}

QTEST_MAIN(TestScan)
#include "tst_scan.moc"
