// Connection page and link parameter dialog: connecting against the simulator
// (TCP and RTU), failures, edit rules, protocol switch, reconnection.

#include "link/linksession.h"
#include "link/rtuovertcpclient.h"
#include "link/serialports.h"
#include "link/transactions.h"
#include "pagetesthelpers.h"
#include "params/appstate.h"
#include "support/programrun.h"
#include "support/ptypair.h"
#include "support/simulatorprocess.h"
#include "ui/dialogs/serialportcombobox.h"
#include "ui/link/modbusparasetdialog.h"
#include "ui/link/modbussetting.h"
#include "ui/pages/datatrans.h"
#include "ui/pagestate.h"
#include "ui/window/mainwindow.h"
#include "ui/window/startup.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QModbusClient>
#include <QProcess>
#include <QPushButton>
#include <QSerialPort>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>

namespace {

// Answers the modal popups while a test waits in them and keeps their texts.
class PopupCatcher : public QObject
{
public:
    QStringList messages;
    PopupCatcher()
    {
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, this, [this] {
            const auto windows = QApplication::topLevelWidgets();
            for (QWidget *w : windows) {
                if (!w->isVisible() || !w->inherits("TipsDialog"))
                    continue;
                if (auto *text = w->findChild<QLabel *>(QStringLiteral("label_tipsMesg")))
                    messages << text->text();
                auto *ok = w->findChild<QPushButton *>(QStringLiteral("pushButton_ok"));
                if (ok && ok->isVisible())
                    ok->click();
                else
                    QMetaObject::invokeMethod(w, "reject");
            }
        });
        timer.start();
    }

private:
    QTimer timer;
};

template <typename T> T *child(QWidget *parent, const char *name)
{
    T *w = parent->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("missing widget %s", name);
    return w;
}

void setTcp(ModbusSetting &page, const QString &host, const QString &port)
{
    child<QComboBox>(&page, "connectType")->setCurrentIndex(1);
    page.on_connectType_activated(1);
    child<QLineEdit>(&page, "EditHostIP")->setText(host);
    child<QLineEdit>(&page, "EditPort")->setText(port);
}

quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dataDir;
    SimulatorProcess *sim = nullptr;

    QString iniValue(const QString &key) const
    {
        QSettings settings(dataDir.path() + QStringLiteral("/Setting/setting.ini"), QSettings::IniFormat);
        return settings.value(key).toString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dataDir.isValid());
        setDataDirectory(dataDir.path());
        sim = new SimulatorProcess;
        QVERIFY2(sim->start(), qPrintable(sim->errorText()));
    }
    void init()
    {
        linkSession().linkSuspended = false;
        sim->command(QStringLiteral("silent off"));
        sim->clearRequests();
        QFile::remove(dataDir.path() + QStringLiteral("/Setting/setting.ini"));
    }
    void cleanup()
    {
        disconnectTestClient();
        linkSession().linkSuspended = false;
    }
    void cleanupTestCase() { delete sim; }

    // A good test read of registers 0 and 1 makes the link: the signal is
    // emitted, the applied parameters and the shared link state are set, and the
    // settings are saved. A second press while connected does nothing.
    void connectSuccess()
    {
        ModbusSetting page;
        setTcp(page, QStringLiteral("127.0.0.1"), QString::number(sim->port()));
        child<QComboBox>(&page, "DwordFormat")->setCurrentIndex(1);
        child<QSpinBox>(&page, "timeoutSpinner")->setValue(300);
        QSignalSpy spy(&page, &ModbusSetting::ConnectSuccessfulSignal);
        child<QPushButton>(&page, "connectButton")->click();
        QCOMPARE(spy.count(), 1);
        QVERIFY(linkSession().modbusClient);
        QCOMPARE(linkSession().modbusClient->parent(), &page);
        QCOMPARE(linkSession().modbusClient->state(), QModbusDevice::ConnectedState);
        QCOMPARE(linkSession().modbusClient->timeout(), 1000); // the delay field does not change it
        QCOMPARE(linkSession().modbusClient->numberOfRetries(), 0);
        QCOMPARE(linkSession()
                     .modbusClient->connectionParameter(QModbusDevice::NetworkAddressParameter)
                     .toString(),
            QStringLiteral("127.0.0.1"));
        QCOMPARE(linkSession().modbusClient->connectionParameter(QModbusDevice::NetworkPortParameter).toInt(),
            int(sim->port()));
        QCOMPARE(linkSession().tcpLink, 1);
        QCOMPARE(linkSession().wordOrder, WordOrder::CdAb);
        QCOMPARE(linkSession().currentServerAddress, 1);
        QCOMPARE(linkSession().appliedLink.connectType, ConnectionType::Tcp);
        QCOMPARE(linkSession().appliedLink.hostAddress, QStringLiteral("127.0.0.1"));
        QCOMPARE(linkSession().appliedLink.networkPort, QString::number(sim->port()));
        QCOMPARE(linkSession().appliedLink.wordOrder, WordOrder::CdAb);
        QCOMPARE(linkSession().appliedLink.responseTime, 300);
        QCOMPARE(linkSession().appliedLink.startAddress, 0);
        QCOMPARE(int(linkSession().appliedLink.count), 2);
        QVERIFY(sim->requests().contains(QStringLiteral("read-hr 0 2")));
        QCOMPARE(iniValue(QStringLiteral("Q4/EditPort")), QString::number(sim->port()));
        QCOMPARE(iniValue(QStringLiteral("Q4/timeoutSpinner")), QStringLiteral("300"));

        QModbusClient *first = linkSession().modbusClient;
        sim->clearRequests();
        child<QPushButton>(&page, "connectButton")->click();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(linkSession().modbusClient, first);
        QVERIFY(sim->requests().isEmpty());

        // checkLink: a connected link reports false; a dropped TCP link is reopened.
        QVERIFY(!page.checkLink());
        sim->command(QStringLiteral("drop"));
        QTRY_VERIFY(linkSession().modbusClient->state() != QModbusDevice::ConnectedState);
        QVERIFY(page.checkLink());
        QTRY_COMPARE(linkSession().modbusClient->state(), QModbusDevice::ConnectedState);
        quint16 values[2] = {};
        LinkParameters block = linkSession().appliedLink;
        QCOMPARE(int(readHoldingRegisters(linkSession().modbusClient, block, values)), int(Ok));

        page.takeLinkDown();
        QCOMPARE(linkSession().modbusClient, nullptr);
        QVERIFY(page.checkLink());
    }

    void keyboardReachesConnect_data()
    {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("Modbus RTU") << 0
                                    << QStringList {"serialnumcomboBox", "spinboxSlaveId", "baudCombo",
                                           "dataBitsCombo", "parityCombo", "stopBitsCombo", "DwordFormat",
                                           "timeoutSpinner", "connectButton", "Btn_Scan"};
        QTest::newRow("Modbus TCP") << 1
                                    << QStringList {"EditHostIP", "EditPort", "DwordFormat", "timeoutSpinner",
                                           "connectButton", "Btn_Scan"};
    }
    // In the main window, Tab from the protocol choice visits the fields in
    // reading order and reaches Connect and Scan (a finished field used to pull
    // the focus back to its panel); Return in a field connects.
    void keyboardReachesConnect()
    {
        QFETCH(int, protocol);
        QFETCH(QStringList, order);
        MainWindow w;
        ModbusSetting *page = w.connectionPage();
        if (protocol == 1)
            setTcp(*page, QStringLiteral("127.0.0.1"), QString::number(sim->port()));
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *type = child<QComboBox>(page, "connectType");
        type->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(type->hasFocus());
        QStringList visited;
        for (int i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *focus = QApplication::focusWidget();
            // A spin box's own line edit stands for the spin box.
            if (focus && qobject_cast<QSpinBox *>(focus->parentWidget()))
                focus = focus->parentWidget();
            visited << (focus ? focus->objectName() : QStringLiteral("<none>"));
        }
        QCOMPARE(visited, order);
        if (protocol == 0)
            return;
        auto *port = child<QLineEdit>(page, "EditPort");
        port->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(port->hasFocus());
        QTest::keyClick(port, Qt::Key_Return);
        QTRY_COMPARE(w.pageState().currentPage, int(PageMonitoring));
        QVERIFY(sim->requests().contains(QStringLiteral("read-hr 0 2")));
        QCOMPARE(w.windowTitle(), QStringLiteral("Q4 Config – 127.0.0.1:%1, address 1").arg(sim->port()));
        w.on_ButtonDisconnect_clicked();
        QCOMPARE(w.windowTitle(), QStringLiteral("Q4 Config"));
        QTRY_VERIFY(!linkSession().modbusClient);
    }

    // Nothing listens: the popup says so, no client is left, no signal; the
    // settings were saved before the test read.
    void connectFailureLeavesNoClient()
    {
        ModbusSetting page;
        setTcp(page, QStringLiteral("127.0.0.1"), QString::number(closedPort()));
        QSignalSpy spy(&page, &ModbusSetting::ConnectSuccessfulSignal);
        PopupCatcher popups;
        child<QPushButton>(&page, "connectButton")->click();
        QCOMPARE(spy.count(), 0);
        QCOMPARE(linkSession().modbusClient, nullptr);
        QCOMPARE(popups.messages, QStringList {QStringLiteral("Operation Failed,Please try again!")});
        QVERIFY(!iniValue(QStringLiteral("Q4/EditPort")).isEmpty());
    }

    // A device that accepts the connection but does not answer the test read.
    void silentDeviceFailsTestRead()
    {
        sim->command(QStringLiteral("silent on"));
        ModbusSetting page;
        setTcp(page, QStringLiteral("127.0.0.1"), QString::number(sim->port()));
        QSignalSpy spy(&page, &ModbusSetting::ConnectSuccessfulSignal);
        PopupCatcher popups;
        QElapsedTimer clock;
        clock.start();
        child<QPushButton>(&page, "connectButton")->click();
        QVERIFY(clock.elapsed() >= 1000); // the client's response time-out ended the read
        QCOMPARE(spy.count(), 0);
        QCOMPARE(linkSession().modbusClient, nullptr);
        QCOMPARE(popups.messages.size(), 1);
        sim->command(QStringLiteral("silent off"));
    }

    // "Connect" while the old link is still being taken down is repeated every
    // 500 ms until linkSuspended clears.
    void connectWaitsForSuspendedLink()
    {
        ModbusSetting page;
        setTcp(page, QStringLiteral("127.0.0.1"), QString::number(sim->port()));
        QSignalSpy spy(&page, &ModbusSetting::ConnectSuccessfulSignal);
        linkSession().linkSuspended = true;
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(1200, [] { linkSession().linkSuspended = false; });
        child<QPushButton>(&page, "connectButton")->click();
        QCOMPARE(linkSession().modbusClient, nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 3000);
        QVERIFY(clock.elapsed() >= 1200);
        QVERIFY(clock.elapsed() < 2500);
    }

    // In TCP mode the hidden slave ID is still the server address.
    void hiddenSlaveIdIsServerAddress()
    {
        SimulatorProcess five({QStringLiteral("--id"), QStringLiteral("5")});
        QVERIFY2(five.start(), qPrintable(five.errorText()));
        ModbusSetting page;
        child<QSpinBox>(&page, "spinboxSlaveId")->setValue(5);
        setTcp(page, QStringLiteral("127.0.0.1"), QString::number(five.port()));
        QVERIFY(!child<QSpinBox>(&page, "spinboxSlaveId")->isVisibleTo(&page));
        QSignalSpy spy(&page, &ModbusSetting::ConnectSuccessfulSignal);
        child<QPushButton>(&page, "connectButton")->click();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(linkSession().currentServerAddress, 5);
        QCOMPARE(linkSession().appliedLink.serverAddress, 5);
    }

    // RTU over a pty pair: the port name is taken from "description(port)".
    void connectRtu()
    {
        Q4_REQUIRE_TOOL("socat");
        PtyPair pair;
        QVERIFY(pair.start());
        const QString a = pair.second();
        const QString b = pair.first();
        SimulatorProcess rtu({QStringLiteral("--rtu"), b, QStringLiteral("--baud"), QStringLiteral("19200"),
            QStringLiteral("--parity"), QStringLiteral("odd")});
        QVERIFY2(rtu.start(), qPrintable(rtu.errorText()));

        ModbusSetting page;
        child<QComboBox>(&page, "connectType")->setCurrentIndex(0);
        page.on_connectType_activated(0);
        // Ptys are not listed as serial ports: add the pair's end as the user would see it.
        auto *serial = child<QComboBox>(&page, "serialnumcomboBox");
        serial->addItem(QStringLiteral("pty(%1)").arg(a));
        serial->setCurrentIndex(serial->count() - 1);
        // Opening the list reads the system's ports again; the choice stays.
        serial->showPopup();
        serial->hidePopup();
        QCOMPARE(qobject_cast<SerialPortComboBox *>(serial)->currentPortName(), a);
        child<QComboBox>(&page, "baudCombo")->setCurrentText(QStringLiteral("19200"));
        child<QComboBox>(&page, "parityCombo")->setCurrentText(QStringLiteral("ODD"));
        QSignalSpy spy(&page, &ModbusSetting::ConnectSuccessfulSignal);
        PopupCatcher popups;
        child<QPushButton>(&page, "connectButton")->click();
        QCOMPARE(popups.messages, QStringList());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(linkSession().tcpLink, 0);
        QCOMPARE(linkSession().appliedLink.serialPortName, a);
        QCOMPARE(linkSession().appliedLink.parity, Parity::Odd);
        QCOMPARE(linkSession().appliedLink.baud, 19200);
        QCOMPARE(linkSession()
                     .modbusClient->connectionParameter(QModbusDevice::SerialPortNameParameter)
                     .toString(),
            a);
        QCOMPARE(
            linkSession().modbusClient->connectionParameter(QModbusDevice::SerialParityParameter).toInt(), 3);
        // The settings keep the port name, not the list text.
        QCOMPARE(iniValue(QStringLiteral("Q4/serialnumcomboBox")), a);
        page.takeLinkDown();
        rtu.stop();
    }

    // Why a serial port did not open, and the fix its message names.
    void serialOpenFailures_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("accessible");
        QTest::addColumn<QString>("holders"); // "program:pid,..."
        QTest::addColumn<QString>("text");
        const QString busyBy
            = QStringLiteral("Serial port ttyUSB0 is in use by %1. Close that program and try again.");
        QTest::newRow("no permission")
            << int(QSerialPort::PermissionError) << true << false << QString()
            << QStringLiteral(
                   "No permission to open serial port ttyUSB0. Add your user to the dialout group: "
                   "sudo usermod -aG dialout $USER, then log out and log in again.");
        QTest::newRow("locked by a program")
            << int(QSerialPort::PermissionError) << true << true << QStringLiteral("minicom:4242")
            << busyBy.arg(QStringLiteral("minicom (PID 4242)"));
        QTest::newRow("held by two") << int(QSerialPort::PermissionError) << true << true
                                     << QStringLiteral("minicom:4242,q4config:77")
                                     << busyBy.arg(QStringLiteral("minicom (PID 4242), q4config (PID 77)"));
        QTest::newRow("busy, holder unknown")
            << int(QSerialPort::OpenError) << true << true << QString()
            << QStringLiteral("Serial port ttyUSB0 is in use by another program. Close it and try again.");
        const QString notFound
            = QStringLiteral("Serial port ttyUSB0 not found: the USB adapter may have been "
                             "unplugged, or the port name is wrong. Plug the adapter in and "
                             "choose the port again.");
        QTest::newRow("unplugged") << int(QSerialPort::DeviceNotFoundError) << false << true << QString()
                                   << notFound;
        QTest::newRow("link left by an unplugged adapter")
            << int(QSerialPort::PermissionError) << false << false << QString() << notFound;
        QTest::newRow("not a serial device")
            << int(QSerialPort::UnsupportedOperationError) << true << true << QString()
            << QStringLiteral("Serial port ttyUSB0 could not be opened: system text");
    }
    void serialOpenFailures()
    {
        QFETCH(int, error);
        QFETCH(bool, exists);
        QFETCH(bool, accessible);
        QFETCH(QString, holders);
        QFETCH(QString, text);
        SerialOpenFailure failure;
        failure.portName = QStringLiteral("ttyUSB0");
        failure.systemText = QStringLiteral("system text");
        failure.problem
            = classifySerialOpenFailure(QSerialPort::SerialPortError(error), {exists, accessible});
        for (const QString &holder : holders.split(QLatin1Char(','), Qt::SkipEmptyParts))
            failure.holders.append(
                {holder.section(QLatin1Char(':'), 1).toLongLong(), holder.section(QLatin1Char(':'), 0, 0)});
        QCOMPARE(serialOpenFailureText(failure), text);
    }

    // Real ports: a name that is not there (the connection page's popup), and a
    // port this test holds open (a command-line run names this process).
    void serialOpenFailuresNameTheFix()
    {
        ModbusSetting page;
        child<QComboBox>(&page, "connectType")->setCurrentIndex(0);
        page.on_connectType_activated(0);
        child<SerialPortComboBox>(&page, "serialnumcomboBox")->addUnlistedPort(QStringLiteral("ttyQ4GONE"));
        PopupCatcher popups;
        child<QPushButton>(&page, "connectButton")->click();
        QCOMPARE(linkSession().modbusClient, nullptr);
        QCOMPARE(popups.messages.size(), 1);
        QVERIFY2(popups.messages.first().startsWith(QStringLiteral("Serial port ttyQ4GONE not found")),
            qPrintable(popups.messages.first()));

        Q4_REQUIRE_TOOL("socat");
        PtyPair pair;
        QVERIFY(pair.start());
        QSerialPort holder(pair.second());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        const ProgramRun run
            = runProgram({QStringLiteral("--data-dir"), dataDir.path(), QStringLiteral("--import"),
                dataDir.filePath(QStringLiteral("none.xlsx")), QStringLiteral("--rtu"), pair.second()});
        QCOMPARE(run.status, 1);
        const QString held = QStringLiteral("%1 (PID %2)")
                                 .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15))
                                 .arg(QCoreApplication::applicationPid());
        QVERIFY2(run.err.contains(
                     QStringLiteral("import failed: cannot connect to %1: Serial port %1 is in use by")
                         .arg(pair.second()))
                && run.err.contains(held),
            qPrintable(run.err));
    }

    // Validators, emptied fields, swallowed wheel events.
    void editRules()
    {
        ModbusSetting page;
        auto *host = child<QLineEdit>(&page, "EditHostIP");
        auto *port = child<QLineEdit>(&page, "EditPort");
        QCOMPARE(host->text(), QStringLiteral("192.168.101.1"));
        QCOMPARE(port->text(), QStringLiteral("502"));
        QCOMPARE(port->toolTip(), QStringLiteral("1 - 65535"));
        auto state = [](QLineEdit *edit, QString text) {
            int pos = 0;
            return edit->validator()->validate(text, pos);
        };
        QCOMPARE(state(host, QStringLiteral("192.168.101.1")), QValidator::Acceptable);
        QCOMPARE(state(host, QStringLiteral("255.255.255.255")), QValidator::Acceptable);
        QCOMPARE(state(host, QString()), QValidator::Acceptable);
        QVERIFY(state(host, QStringLiteral("256.1.1.1")) != QValidator::Acceptable);
        QVERIFY(state(host, QStringLiteral("1.2.3.4.5")) != QValidator::Acceptable);
        QVERIFY(state(host, QStringLiteral("a.b.c.d")) == QValidator::Invalid);
        QCOMPARE(state(port, QStringLiteral("502")), QValidator::Acceptable);
        QCOMPARE(state(port, QStringLiteral("1502")), QValidator::Acceptable);
        QCOMPARE(state(port, QStringLiteral("65535")), QValidator::Acceptable);
        QCOMPARE(state(port, QStringLiteral("6000")), QValidator::Acceptable);
        QVERIFY(state(port, QStringLiteral("65536")) != QValidator::Acceptable);
        QVERIFY(state(port, QStringLiteral("70000")) != QValidator::Acceptable);
        QVERIFY(state(port, QStringLiteral("x1")) == QValidator::Invalid);
        // Every port from 1 to 65535 is taken, in the link dialog too.
        ModbusParaSetDialog dialog;
        auto *dialogPort = child<QLineEdit>(&dialog, "lineEdit_Port");
        for (QLineEdit *field : {port, dialogPort}) {
            for (const char *text : {"1", "80", "500", "1000", "5020", "8080", "59999", "65535"})
                QCOMPARE(state(field, QLatin1String(text)), QValidator::Acceptable);
            for (const char *text : {"0", "65536", "080", "99999"})
                QVERIFY2(state(field, QLatin1String(text)) != QValidator::Acceptable, text);
        }

        // An emptied field gets its text from before the edit back.
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        port->setFocus();
        QTRY_VERIFY(port->hasFocus());
        port->clear();
        QMetaObject::invokeMethod(port, "editingFinished");
        QCOMPARE(port->text(), QStringLiteral("502"));
        QTRY_VERIFY(child<QWidget>(&page, "widget_ConnectInfo")->hasFocus());

        // The wheel never changes a combo or spin box.
        auto *baud = child<QComboBox>(&page, "baudCombo");
        const int before = baud->currentIndex();
        QWheelEvent wheel(QPointF(5, 5), baud->mapToGlobal(QPoint(5, 5)), QPoint(), QPoint(0, -120),
            Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(baud, &wheel);
        QCOMPARE(baud->currentIndex(), before);
        auto *delay = child<QSpinBox>(&page, "timeoutSpinner");
        QApplication::sendEvent(delay, &wheel);
        QCOMPARE(delay->value(), 1000);
    }

    // Start values and the protocol switch.
    void formAndProtocolSwitch()
    {
        ModbusSetting page;
        QCOMPARE(child<QComboBox>(&page, "parityCombo")->currentText(), QStringLiteral("EVEN"));
        QCOMPARE(child<QComboBox>(&page, "baudCombo")->currentText(), QStringLiteral("38400"));
        QCOMPARE(child<QComboBox>(&page, "dataBitsCombo")->currentText(), QStringLiteral("8"));
        QCOMPARE(child<QComboBox>(&page, "stopBitsCombo")->currentText(), QStringLiteral("1"));
        auto *delay = child<QSpinBox>(&page, "timeoutSpinner");
        QCOMPARE(delay->value(), 1000);
        QCOMPARE(delay->suffix(), QStringLiteral(" ms"));
        QCOMPARE(delay->minimum(), 50);
        QCOMPARE(delay->maximum(), 1000);
        QCOMPARE(delay->singleStep(), 10);
        auto *slave = child<QSpinBox>(&page, "spinboxSlaveId");
        QCOMPARE(slave->minimum(), 1);
        QCOMPARE(slave->maximum(), 99);

        const char *rtuNames[]
            = {"serialnumcomboBox", "baudCombo", "dataBitsCombo", "parityCombo", "stopBitsCombo", "label_1"};
        const char *tcpNames[] = {"EditHostIP", "EditPort", "label_hostip", "label_Port"};
        // RTU over TCP: host and port, and the slave ID of the device behind the converter.
        for (int type : {1, int(ConnectionType::RtuOverTcp), 0}) {
            page.on_connectType_activated(type);
            for (const char *name : rtuNames)
                QCOMPARE(child<QWidget>(&page, name)->isVisibleTo(&page), type == 0);
            for (const char *name : {"spinboxSlaveId", "label_6"})
                QCOMPARE(child<QWidget>(&page, name)->isVisibleTo(&page), type != 1);
            for (const char *name : tcpNames)
                QCOMPARE(child<QWidget>(&page, name)->isVisibleTo(&page), type != 0);
            QVERIFY(child<QWidget>(&page, "DwordFormat")->isVisibleTo(&page));
            QVERIFY(child<QWidget>(&page, "timeoutSpinner")->isVisibleTo(&page));
        }
        QCOMPARE(ModbusSetting::portNameFromItem(QStringLiteral("USB Serial (CH340)(ttyUSB0)")),
            QStringLiteral("ttyUSB0"));
        QCOMPARE(ModbusSetting::portNameFromItem(QStringLiteral("/dev/ttyS4")), QStringLiteral("/dev/ttyS4"));
        QCOMPARE(ModbusSetting::portNameFromItem(QStringLiteral("D(COM3)")), QStringLiteral("COM3"));
        const QString entry = serialPortEntryText(
            QStringLiteral("ttyUSB0"), QStringLiteral("USB Serial (CH340)"), QStringLiteral("A50285BI"));
        QCOMPARE(entry, QStringLiteral("ttyUSB0 \u2013 USB Serial (CH340) (A50285BI)"));
        QCOMPARE(ModbusSetting::portNameFromItem(entry), QStringLiteral("ttyUSB0"));
        QCOMPARE(serialPortEntryText(QStringLiteral("ttyS0"), QString(), QString()), QStringLiteral("ttyS0"));
    }

    // The dialog maps parity both ways, shows only the network rows for TCP and
    // returns what it was given when accepted unchanged.
    void dialogParityAndRows()
    {
        LinkParameters link;
        link.connectType = ConnectionType::Rtu;
        link.parity = Parity::Even;
        link.baud = 57600;
        link.dataBits = 7;
        link.serverAddress = 12;
        link.wordOrder = WordOrder::CdAb;
        link.responseTime = 450;
        link.hostAddress = QStringLiteral("10.1.2.3");
        link.networkPort = QStringLiteral("1502");
        link.serialPortName = QStringLiteral("ttyNOPORT");
        ModbusParaSetDialog dialog;
        QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(dialog.minimumSize(), QSize(330, 435));
        dialog.setParameters(link);
        QCOMPARE(child<QComboBox>(&dialog, "comboBox_Parity")->currentIndex(), 1);
        QCOMPARE(child<QComboBox>(&dialog, "comboBox_BaudRate")->currentText(), QStringLiteral("57600"));
        QCOMPARE(child<QComboBox>(&dialog, "comboBox_DataBits")->currentText(), QStringLiteral("7"));
        QCOMPARE(child<QSpinBox>(&dialog, "spinBox_SlaveID")->value(), 12);
        QCOMPARE(child<QSpinBox>(&dialog, "spinBox_Delay")->value(), 450);
        QVERIFY(child<QWidget>(&dialog, "comboBox_BaudRate")->isVisibleTo(&dialog));
        QVERIFY(!child<QWidget>(&dialog, "lineEdit_HostIP")->isVisibleTo(&dialog));
        QCOMPARE(child<QComboBox>(&dialog, "comboBox_StopBit")->count(), 1);
        // Choosing the other protocol in the list shows its fields.
        QTest::keyClick(child<QComboBox>(&dialog, "comboBox_Protocol"), Qt::Key_Down);
        QVERIFY(child<QWidget>(&dialog, "lineEdit_HostIP")->isVisibleTo(&dialog));
        QVERIFY(!child<QWidget>(&dialog, "comboBox_BaudRate")->isVisibleTo(&dialog));
        QTest::keyClick(child<QComboBox>(&dialog, "comboBox_Protocol"), Qt::Key_Up);
        QVERIFY(child<QWidget>(&dialog, "comboBox_BaudRate")->isVisibleTo(&dialog));

        child<QPushButton>(&dialog, "pushButton_OK")->click();
        QVERIFY(dialog.accepted());
        const LinkParameters back = dialog.parameters();
        QCOMPARE(back.parity, Parity::Even);
        QCOMPARE(back.baud, 57600);
        QCOMPARE(back.dataBits, 7);
        QCOMPARE(back.stopBits, 1);
        QCOMPARE(back.serverAddress, 12);
        QCOMPARE(back.wordOrder, WordOrder::CdAb);
        QCOMPARE(back.responseTime, 450);
        QCOMPARE(back.hostAddress, QStringLiteral("10.1.2.3"));
        QCOMPARE(back.networkPort, QStringLiteral("1502"));
        QCOMPARE(back.serialPortName, QStringLiteral("ttyNOPORT"));
        QCOMPARE(back.numberOfRetries, 0);

        for (const QPair<Parity, int> &p : {qMakePair(Parity::Odd, 2), qMakePair(Parity::None, 0)}) {
            ModbusParaSetDialog other;
            link.parity = p.first;
            link.connectType = ConnectionType::Tcp;
            other.setParameters(link);
            QCOMPARE(child<QComboBox>(&other, "comboBox_Parity")->currentIndex(), p.second);
            QVERIFY(child<QWidget>(&other, "lineEdit_HostIP")->isVisibleTo(&other));
            QVERIFY(!child<QWidget>(&other, "comboBox_BaudRate")->isVisibleTo(&other));
            QVERIFY(!child<QWidget>(&other, "comboBox_Serial")->isVisibleTo(&other));
            QVERIFY(child<QWidget>(&other, "comboBox_DwordFormat")->isVisibleTo(&other));
            QVERIFY(child<QWidget>(&other, "spinBox_Delay")->isVisibleTo(&other));
            child<QPushButton>(&other, "pushButton_close")->click();
            QVERIFY(!other.accepted());
            QCOMPARE(other.parameters().parity, p.first);
        }
    }

    void reconnectWithIdenticalParameters_data()
    {
        QTest::addColumn<bool>("converter");
        QTest::newRow("Modbus TCP") << false;
        QTest::newRow("RTU over TCP, slave ID 7") << true;
    }

    // Connected through the main window, "Setting" accepted without changes
    // rebuilds the client with identical parameters 500 ms later.
    void reconnectWithIdenticalParameters()
    {
        QFETCH(bool, converter);
        SimulatorProcess converterSim({QStringLiteral("--rtu-tcp"), QStringLiteral("127.0.0.1:0"),
            QStringLiteral("--id"), QStringLiteral("7")});
        if (converter)
            QVERIFY(converterSim.start());
        const quint16 port = converter ? converterSim.port() : sim->port();
        MainWindow window(linkSession());
        ModbusSetting *page = window.connectionPage();
        setTcp(*page, QStringLiteral("127.0.0.1"), QString::number(port));
        if (converter) {
            child<QComboBox>(page, "connectType")->setCurrentIndex(int(ConnectionType::RtuOverTcp));
            page->on_connectType_activated(int(ConnectionType::RtuOverTcp));
            child<QSpinBox>(page, "spinboxSlaveId")->setValue(7);
        }
        child<QSpinBox>(page, "timeoutSpinner")->setValue(500);
        child<QPushButton>(page, "connectButton")->click();
        QVERIFY(linkSession().modbusClient);
        QCOMPARE(window.pageState().currentPage, int(PageMonitoring));
        QVERIFY(window.pollTimerObject()->isActive());
        QVERIFY(window.findChild<QWidget *>(QStringLiteral("widget_down"))->isVisibleTo(&window));
        const LinkParameters before = linkSession().appliedLink;
        QPointer<QModbusClient> oldClient(linkSession().modbusClient);

        int dialogsSeen = 0;
        QTimer::singleShot(200, [&dialogsSeen] {
            const auto windows = QApplication::topLevelWidgets();
            for (QWidget *w : windows) {
                if (auto *dialog = qobject_cast<ModbusParaSetDialog *>(w)) {
                    ++dialogsSeen;
                    dialog->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
                }
            }
        });
        auto *settingButton = window.findChild<QPushButton *>(QStringLiteral("Btn_SlaveIdSet"));
        settingButton->click();
        QCOMPARE(dialogsSeen, 1);
        QVERIFY(linkSession().linkSuspended);
        QVERIFY(!linkSession().held());
        QVERIFY(window.reconnectTimerObject()->isActive());
        QCOMPARE(window.reconnectTimerObject()->interval(), 500);
        QTRY_VERIFY_WITH_TIMEOUT(!linkSession().linkSuspended, 2000);
        QVERIFY(!oldClient);
        QVERIFY(linkSession().modbusClient);
        QCOMPARE(bool(qobject_cast<RtuOverTcpClient *>(linkSession().modbusClient)), converter);
        QTRY_COMPARE(linkSession().modbusClient->state(), QModbusDevice::ConnectedState);
        QCOMPARE(linkSession().liveLink.hostAddress, before.hostAddress);
        QCOMPARE(linkSession().liveLink.networkPort, before.networkPort);
        QCOMPARE(linkSession().liveLink.connectType, before.connectType);
        QCOMPARE(linkSession().liveLink.responseTime, 500);
        QCOMPARE(linkSession().liveLink.serverAddress, before.serverAddress);
        QCOMPARE(linkSession().liveLink.wordOrder, before.wordOrder);
        QCOMPARE(linkSession().liveLink.parity, before.parity);
        QCOMPARE(linkSession().liveLink.baud, before.baud);
        QCOMPARE(linkSession().appliedLink.networkPort, before.networkPort);
        QCOMPARE(linkSession().modbusClient->connectionParameter(QModbusDevice::NetworkPortParameter).toInt(),
            int(port));
        QCOMPARE(linkSession().modbusClient->timeout(), 1000);
        quint16 values[2] = {};
        QCOMPARE(int(readHoldingRegisters(linkSession().modbusClient, linkSession().appliedLink, values)),
            int(Ok));
        auto *statusLine = window.findChild<QWidget *>(QStringLiteral("widget_down"));
        QCOMPARE(
            statusLine->findChild<QLabel *>(QStringLiteral("label_Delay"))->text(), QStringLiteral("500ms"));
        if (converter) {
            QCOMPARE(linkSession().currentServerAddress, 7);
            QCOMPARE(statusLine->findChild<QLabel *>(QStringLiteral("label_protol"))->text(),
                QStringLiteral("Modbus RTU over TCP"));
            QCOMPARE(statusLine->findChild<QLabel *>(QStringLiteral("label_port"))->text(),
                QStringLiteral("127.0.0.1:%1").arg(port));
            QCOMPARE(statusLine->findChild<QLabel *>(QStringLiteral("label_SlaveID"))->text(),
                QStringLiteral("7"));
        }
        linkSession().linkSuspended = true; // keep the poll quiet while the window goes
    }

    // Writing the connection slot the link runs through asks first. Declined,
    // nothing is written. Agreed, the link is made again on the new port (a
    // second simulator listens there) and the connection page keeps it.
    void writingTheLinksOwnPort_data()
    {
        QTest::addColumn<bool>("agree");
        QTest::newRow("declined") << false;
        QTest::newRow("agreed") << true;
    }
    void writingTheLinksOwnPort()
    {
        QFETCH(bool, agree);
        SimulatorProcess other;
        QVERIFY2(other.start(), qPrintable(other.errorText()));
        // The device's first connection slot has the port the link uses.
        QVERIFY(sim->command(QStringLiteral("set 8112 %1").arg(sim->port())).startsWith(QLatin1String("ok")));
        MainWindow window(linkSession());
        ModbusSetting *page = window.connectionPage();
        setTcp(*page, QStringLiteral("127.0.0.1"), QString::number(sim->port()));
        child<QPushButton>(page, "connectButton")->click();
        QVERIFY(linkSession().modbusClient);
        window.showPage(PageDataTrans);
        auto *dataTrans = qobject_cast<DataTrans *>(window.page(PageDataTrans));
        auto *portField = child<QLineEdit>(dataTrans, "lineEditPortNum");
        // The poll reads the page's groups.
        QTRY_COMPARE_WITH_TIMEOUT(portField->text(), QString::number(sim->port()), 5000);

        PopupAnswerer answers;
        answers.script = QStringList {agree ? QStringLiteral("ok") : QStringLiteral("cancel")};
        QVERIFY(armEdit(dataTrans, portField));
        finishEdit(portField, QString::number(other.port()));
        QCOMPARE(answers.seen.size(), 1);
        QVERIFY2(answers.seen.first().contains(QStringLiteral("connected through")),
            qPrintable(answers.seen.first()));
        const QString write = QStringLiteral("write 8112 1 %1").arg(other.port());
        if (!agree) {
            QVERIFY(!sim->writes().contains(write));
            QCOMPARE(portField->text(), QString::number(sim->port()));
            QVERIFY(!window.reconnectTimerObject()->isActive());
        } else {
            QVERIFY(sim->writes().contains(write));
            QTRY_VERIFY_WITH_TIMEOUT(other.requests().contains(QStringLiteral("read-hr 9309 2")), 5000);
            QCOMPARE(linkSession().appliedLink.networkPort, QString::number(other.port()));
            QCOMPARE(iniValue(QStringLiteral("Q4/EditPort")), QString::number(other.port()));
        }
        linkSession().linkSuspended = true; // keep the poll quiet while the window goes
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    initQ4Resources();
    TestConnection test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_connection.moc"
