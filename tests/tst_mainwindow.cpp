// Main window: border hit test, status line, disconnect delays, navigation,
// maximise/restore and the self-drawn frame's mouse handling.

#include "link/linksession.h"
#include "link/transactions.h"
#include "params/appstate.h"
#include "params/registermap.h"
#include "support/programrun.h"
#include "support/simulatorprocess.h"
#include "ui/dialogs/helpdialog.h"
#include "ui/dialogs/tipsdialog.h"
#include "ui/link/modbussetting.h"
#include "ui/pages/commitengine.h"
#include "ui/pages/maininterface.h"
#include "ui/pages/qtcharts.h"
#include "ui/pages/testmaintain.h"
#include "ui/pagestate.h"
#include "ui/window/mainwindow.h"
#include "ui/window/startup.h"
#include "ui/window/windowplacement.h"
#include "workbook/exceltowrite.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QModbusTcpClient>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <qtestspontaneevent.h>

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dataDir;

    static QString labelText(MainWindow &w, const char *name)
    {
        // Pages hold labels of the same names: look in the bottom line only.
        auto *label
            = w.findChild<QWidget *>(QStringLiteral("widget_down"))->findChild<QLabel *>(QLatin1String(name));
        return label ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
    }
    static void sendMouse(
        QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &event);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dataDir.isValid());
        setDataDirectory(dataDir.path());
    }

    // A language switch at run time leaves the main window's widgets with the
    // fonts they had at start-up (only popups and prompts take the dialog font).
    void fontsSurviveLanguageSwitches()
    {
        QFile styleFile(QStringLiteral(":/Qss/SheetStyle.qss"));
        QVERIFY(styleFile.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(styleFile.readAll()));
        programContext.language = 0;
        {
            MainWindow w(linkSession());
            w.resize(1150, 800);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            const char *const names[] = {"label_ConnectState", "label_protol", "label_notice", "baudCombo",
                "connectButton", "BoxChaneelSelect", "EditZeroRange", "Box_WtChoose"};
            QList<QWidget *> widgets;
            for (const char *name : names) {
                QWidget *widget = w.findChild<QWidget *>(QLatin1String(name));
                QVERIFY2(widget, name);
                widget->ensurePolished();
                widgets << widget;
            }
            QList<QFont> before;
            for (QWidget *widget : widgets)
                before << widget->font();
            auto *button = w.findChild<QPushButton *>(QStringLiteral("Btn_ChangeLanguage"));
            for (int language : {1, 0}) {
                button->click();
                QApplication::processEvents();
                QCOMPARE(w.languageInUse(), language);
                for (int i = 0; i < widgets.size(); ++i)
                    QVERIFY2(widgets.at(i)->font() == before.at(i), names[i]);
            }
            QCOMPARE(widgets.first()->font().pointSize(), 14); // the style sheet's size
        }
        qApp->setStyleSheet(QString());
        programContext.language = 0;
    }

    void hitTestBorder_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("region");
        // Window 1150 x 800: w = 1149, h = 799.
        QTest::newRow("top-left corner") << 0 << 0 << 5;
        QTest::newRow("top-left inner") << 4 << 4 << 5;
        QTest::newRow("left, y 5 is a gap") << 4 << 5 << 0;
        QTest::newRow("left top end") << 4 << 6 << 3;
        QTest::newRow("left bottom end") << 4 << 794 << 3;
        QTest::newRow("left, y h-4 is a gap") << 4 << 795 << 0;
        QTest::newRow("bottom-left start") << 4 << 796 << 7;
        QTest::newRow("bottom-left corner") << 0 << 799 << 7;
        QTest::newRow("x 5 is a gap") << 5 << 0 << 0;
        QTest::newRow("top start") << 6 << 0 << 1;
        QTest::newRow("top lower end") << 6 << 4 << 1;
        QTest::newRow("below top band") << 6 << 5 << 0;
        QTest::newRow("bottom") << 600 << 796 << 2;
        QTest::newRow("above bottom band") << 600 << 795 << 0;
        QTest::newRow("top last x") << 1139 << 0 << 1;
        QTest::newRow("gap before right band") << 1140 << 0 << 0;
        QTest::newRow("gap x w-4") << 1145 << 0 << 0;
        QTest::newRow("top-right start") << 1146 << 0 << 6;
        QTest::newRow("top-right corner") << 1149 << 4 << 6;
        QTest::newRow("right, y 5 keeps earlier result") << 1146 << 5 << 0;
        QTest::newRow("right") << 1146 << 6 << 4;
        QTest::newRow("right lower end") << 1149 << 794 << 4;
        QTest::newRow("bottom-right from h-4") << 1146 << 795 << 8;
        QTest::newRow("bottom-right corner") << 1149 << 799 << 8;
        QTest::newRow("bottom-right h+1") << 1149 << 800 << 8;
        QTest::newRow("right band beyond h+1") << 1149 << 801 << 0;
        QTest::newRow("outside right") << 1150 << 400 << 0;
        QTest::newRow("centre") << 600 << 400 << 0;
    }
    void hitTestBorder()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, region);
        MainWindow w(linkSession());
        w.resize(1150, 800);
        QCOMPARE(w.size(), QSize(1150, 800));
        QCOMPARE(w.hitTestBorder(QPoint(x, y)), region);
    }

    void statusLineRtuAndTcp()
    {
        MainWindow w(linkSession());
        linkSession().appliedLink = LinkParameters();
        linkSession().appliedLink.connectType = ConnectionType::Rtu;
        linkSession().appliedLink.serialPortName = QStringLiteral("COM3");
        linkSession().appliedLink.serverAddress = 7;
        linkSession().appliedLink.wordOrder = WordOrder::CdAb;
        linkSession().appliedLink.responseTime = 300;
        w.InitLinkParam();
        QCOMPARE(labelText(w, "label_port"), QStringLiteral("COM3:38400-8-E-1"));
        QCOMPARE(labelText(w, "label_protol"), QStringLiteral("Modbus RTU"));
        QCOMPARE(labelText(w, "label_SlaveID"), QStringLiteral("7"));
        QCOMPARE(labelText(w, "label_DwordFormat"), QStringLiteral("CD-AB"));
        QCOMPARE(labelText(w, "label_Delay"), QStringLiteral("300ms"));
        QCOMPARE(w.statusLink().serverAddress, 7);

        const QPair<Parity, QString> parities[] = {
            {Parity::None, QStringLiteral("N")}, {Parity::Odd, QStringLiteral("O")}, {Parity(1), QString()}};
        for (const auto &p : parities) {
            linkSession().appliedLink.parity = p.first;
            w.InitLinkParam();
            QCOMPARE(labelText(w, "label_port"), QStringLiteral("COM3:38400-8-%1-1").arg(p.second));
        }

        linkSession().appliedLink.connectType = ConnectionType::Tcp;
        linkSession().appliedLink.hostAddress = QStringLiteral("127.0.0.1");
        linkSession().appliedLink.networkPort = QStringLiteral("1502");
        linkSession().appliedLink.wordOrder = WordOrder::AbCd;
        linkSession().appliedLink.responseTime = 1000;
        w.InitLinkParam();
        QCOMPARE(labelText(w, "label_protol"), QStringLiteral("Modbus TCP"));
        QCOMPARE(labelText(w, "label_port"), QStringLiteral("127.0.0.1"));
        QCOMPARE(labelText(w, "label_SlaveTitle"), QStringLiteral("Port: "));
        QCOMPARE(labelText(w, "label_SlaveID"), QStringLiteral("1502"));
        QCOMPARE(labelText(w, "label_DwordFormat"), QStringLiteral("AB-CD"));
        QCOMPARE(labelText(w, "label_Delay"), QStringLiteral("1000ms"));

        // Another connection type leaves the line as it is.
        linkSession().appliedLink.connectType = ConnectionType(4);
        linkSession().appliedLink.hostAddress = QStringLiteral("10.9.9.9");
        w.InitLinkParam();
        QCOMPARE(labelText(w, "label_port"), QStringLiteral("127.0.0.1"));

        // Back to RTU: the title is the slave ID's again.
        linkSession().appliedLink.connectType = ConnectionType::Rtu;
        w.InitLinkParam();
        QCOMPARE(labelText(w, "label_SlaveTitle"), QStringLiteral("Slave ID:"));
        linkSession().appliedLink = LinkParameters();
    }

    void disconnectDelay_data()
    {
        QTest::addColumn<bool>("faulty");
        QTest::addColumn<int>("delay");
        QTest::newRow("last poll good") << false << 1000;
        QTest::newRow("last poll failed") << true << 2000;
    }
    // The connection page shows at once; the client goes 1 s later, or 2 s when
    // the last poll failed; linkSuspended holds until then.
    void disconnectDelay()
    {
        QFETCH(bool, faulty);
        QFETCH(int, delay);
        MainWindow w(linkSession());
        w.showPage(PageBasic);
        QCOMPARE(w.pageState().currentPage, int(PageBasic));
        linkSession().modbusClient = new QModbusTcpClient(w.connectionPage());
        QPointer<QModbusClient> client(linkSession().modbusClient);
        linkSession().linkFaulty = faulty;
        QElapsedTimer clock;
        clock.start();
        w.findChild<QPushButton *>(QStringLiteral("ButtonDisconnect"))->click();
        QVERIFY(linkSession().linkSuspended);
        QCOMPARE(w.pageState().currentPage, int(PageConnection));
        auto *stack = w.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
        QCOMPARE(stack->currentWidget(), w.page(PageConnection));
        QCOMPARE(w.disconnectTimerObject()->interval(), delay);
        QVERIFY(w.disconnectTimerObject()->isActive());
        QVERIFY(w.disconnectTimerObject()->isSingleShot());
        QTest::qWait(delay - 300);
        QVERIFY(client);
        QTRY_VERIFY_WITH_TIMEOUT(!client, 1500);
        QVERIFY(clock.elapsed() >= delay);
        QCOMPARE(linkSession().modbusClient, nullptr);
        QVERIFY(!linkSession().linkSuspended);
        linkSession().linkFaulty = false;
    }

    void navigation()
    {
        MainWindow w(linkSession());
        auto *stack = w.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
        QCOMPARE(w.pageState().currentPage, int(PageConnection));
        QCOMPARE(stack->currentWidget(), w.page(PageConnection));
        QVERIFY(!w.findChild<QWidget *>(QStringLiteral("widget_Menu"))->isVisibleTo(&w));
        QVERIFY(!w.findChild<QWidget *>(QStringLiteral("WeightDisplay"))->isVisibleTo(&w));
        QVERIFY(!w.findChild<QWidget *>(QStringLiteral("widget_down"))->isVisibleTo(&w));
        const char *buttons[] = {"ButtonMainInterface", "ButtonBasicConfig", "ButtonWeightCal",
            "ButtonApplication", "ButtonDataTrans", "ButtonTestMaintain"};
        for (int k = 5; k >= 0; --k) {
            w.findChild<QPushButton *>(QLatin1String(buttons[k]))->click();
            QCOMPARE(w.pageState().currentPage, k);
            QCOMPARE(stack->currentWidget(), w.page(k));
            QCOMPARE(stack->currentIndex(), w.stackIndexOf(k));
            for (int i = 0; i < 6; ++i) {
                const QString style = w.findChild<QPushButton *>(QLatin1String(buttons[i]))->styleSheet();
                QCOMPARE(style.startsWith(QStringLiteral("border-radius: 0px; color:#164A96;")), i == k);
            }
        }
        // The connection page is added first, then the six pages in navigation order.
        QCOMPARE(w.stackIndexOf(PageConnection) + 1, w.stackIndexOf(PageMonitoring));
        QCOMPARE(w.stackIndexOf(PageMonitoring) + 5, w.stackIndexOf(PageTestMaintain));
        QCOMPARE(w.windowTitle(), QStringLiteral("Q4 Config"));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("label_KTName"))->text(),
            QStringLiteral("Lumo Q4 Config System"));
    }

    // Maximise fills the available screen area and remembers the geometry; the
    // second press restores it. A double click on the title bar left of the
    // language button does the same; right of it nothing happens.
    void maximiseRestore()
    {
        MainWindow w(linkSession());
        w.setMinimumSize(100, 100);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect small(
            available.left() + 10, available.top() + 10, available.width() / 2, available.height() / 2);
        w.setGeometry(small);
        QTRY_COMPARE(w.geometry(), small);
        auto *maxButton = w.findChild<QPushButton *>(QStringLiteral("Btn_Max"));
        maxButton->click();
        QTRY_COMPARE(w.geometry(), available);
        maxButton->click();
        QTRY_COMPARE(w.geometry(), small);

        auto *language = w.findChild<QPushButton *>(QStringLiteral("Btn_ChangeLanguage"));
        const QPoint right = language->mapTo(&w, QPoint(0, 0)) + QPoint(40, 5);
        QTest::mouseDClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(right.x(), 10));
        QCOMPARE(w.geometry(), small);
        QTest::mouseDClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(60, 10));
        QTRY_COMPARE(w.geometry(), available);
        QTest::mouseDClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(60, 10));
        QTRY_COMPARE(w.geometry(), small);
    }

    // The poll tick: failures show from the third in a row; after a streak the
    // first good tick resets the count and the second shows the link as normal;
    // a queued command waits for a good tick and runs once; a suspended link, or
    // a hold of another transaction, makes the tick return at once, the hold kept.
    void pollTickCountsFailures()
    {
        SimulatorProcess sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        QVERIFY(connectTestClient(sim));
        linkSession().tcpLink = 1;
        MainWindow w(linkSession());
        QLabel *state = w.findChild<QWidget *>(QStringLiteral("widget_down"))
                            ->findChild<QLabel *>(QStringLiteral("label_ConnectState"));
        linkSession().failedPolls = 0;
        linkSession().linkFaulty = false;
        linkSession().linkSuspended = false;
        linkSession().pendingCommand = PendingCommand();

        w.pollTick();
        QVERIFY(!linkSession().held());
        QCOMPARE(state->text(), QStringLiteral("Communication-Normal"));
        QCOMPARE(state->styleSheet(), QStringLiteral("color: green;"));
        QVERIFY(sim.requests().contains(QStringLiteral("read-hr 9309 2")));

        // Group 3 (registers 68..91) is read first: refuse it.
        QVERIFY(sim.command(QStringLiteral("exception 68 4")).startsWith(QLatin1String("ok")));
        const ParameterGroup command = parameterGroup(22);
        linkSession().pendingCommand.pending = true;
        linkSession().pendingCommand.group = 22;
        linkSession().pendingCommand.value = 1;
        for (int tick = 1; tick <= 3; ++tick) {
            w.pollTick();
            QVERIFY(!linkSession().held());
            QVERIFY(linkSession().linkFaulty);
            QCOMPARE(linkSession().failedPolls, tick);
            QCOMPARE(state->text(),
                tick < 3 ? QStringLiteral("Communication-Normal") : QStringLiteral("Communication-Error"));
        }
        QCOMPARE(state->styleSheet(), QStringLiteral("color: red;"));
        QVERIFY(linkSession().pendingCommand.pending);

        sim.command(QStringLiteral("exception clear"));
        sim.clearRequests();
        w.pollTick();
        QCOMPARE(linkSession().failedPolls, 0);
        QVERIFY(!linkSession().linkFaulty);
        QCOMPARE(state->text(), QStringLiteral("Communication-Error"));
        QVERIFY(!linkSession().pendingCommand.pending);
        const QString commandWrite = QStringLiteral("write %1 ").arg(command.start);
        int writes = 0;
        for (const QString &line : sim.requests())
            writes += line.startsWith(commandWrite);
        QCOMPARE(writes, 1);
        w.pollTick();
        QCOMPARE(state->text(), QStringLiteral("Communication-Normal"));
        QCOMPARE(state->styleSheet(), QStringLiteral("color: green;"));

        // The page on show reads its groups after the live ones.
        auto expectReads = [&sim](std::initializer_list<int> groups) {
            QStringList expected;
            for (int g : groups)
                expected << QStringLiteral("read-hr %1 %2")
                                .arg(parameterGroup(g).start)
                                .arg(parameterGroup(g).count);
            const QStringList log = sim.requests();
            const int after = log.indexOf(QStringLiteral("read-hr 9309 2"));
            return log.mid(after + 1) == expected;
        };
        w.showPage(PageDataTrans);
        sim.clearRequests();
        w.pollTick();
        QVERIFY(expectReads({52, 53, 54, 55, 56, 57}));
        w.showPage(PageTestMaintain);
        sim.clearRequests();
        w.pollTick();
        QVERIFY(expectReads({58, 59, 60}));
        w.pageState().selectedChannel = 2;
        w.showPage(PageBasic);
        sim.clearRequests();
        w.pollTick();
        QVERIFY(expectReads({10}));
        w.pageState().selectedChannel = 0;
        w.showPage(PageMonitoring);
        sim.clearRequests();
        w.pollTick();
        QVERIFY(expectReads({}));

        // Suspended, or held by another transaction: nothing is read, and the
        // other's hold is still there after the tick.
        sim.clearRequests();
        linkSession().linkSuspended = true;
        w.pollTick();
        linkSession().linkSuspended = false;
        {
            const LinkHold other(linkSession());
            w.pollTick();
            QVERIFY(linkSession().held());
        }
        QVERIFY(!linkSession().held());
        QVERIFY(sim.requests().isEmpty());
        disconnectTestClient();
    }

    // While the device is silent the weight area keeps its last values greyed,
    // with a tool tip in the language in use, and the curves get no points;
    // the first good tick clears the grey and the curves start afresh rather
    // than join the last point before the silence.
    void silentDeviceLeavesValuesStale()
    {
        SimulatorProcess sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        QVERIFY(connectTestClient(sim));
        linkSession().tcpLink = 1;
        programContext.language = 0;
        MainWindow w(linkSession());
        w.showPage(PageMonitoring);
        auto *weight = w.findChild<QWidget *>(QStringLiteral("WeightDisplay"))
                           ->findChild<QLabel *>(QStringLiteral("labelweight_1"));
        auto *curves = qobject_cast<MainInterface *>(w.page(PageMonitoring));
        linkSession().failedPolls = 0;
        linkSession().linkFaulty = false;
        linkSession().linkSuspended = false;
        auto tick = [&w] { w.pollTick(); };
        tick();
        tick();
        QCOMPARE(weight->styleSheet(), QString());
        const int points = curves->chartSeries(0)->count();
        QCOMPARE(points, 2);

        QVERIFY(sim.command(QStringLiteral("silent on")).startsWith(QLatin1String("ok")));
        tick();
        tick();
        QCOMPARE(weight->styleSheet(), QString()); // two failed ticks show nothing yet
        tick();
        QVERIFY(!weight->styleSheet().isEmpty());
        const QString englishTip = weight->toolTip();
        QVERIFY(!englishTip.isEmpty());
        QCOMPARE(curves->chartSeries(0)->count(), points);
        w.on_Btn_ChangeLanguage_clicked();
        QVERIFY(!weight->styleSheet().isEmpty());
        QVERIFY(!weight->toolTip().isEmpty() && weight->toolTip() != englishTip);
        w.on_Btn_ChangeLanguage_clicked();

        QVERIFY(sim.command(QStringLiteral("silent off")).startsWith(QLatin1String("ok")));
        tick();
        QCOMPARE(weight->styleSheet(), QString());
        QCOMPARE(weight->toolTip(), QString());
        QCOMPARE(curves->chartSeries(0)->count(), 1);
        disconnectTestClient();
    }

    // q4config --data-dir DIR --connect: the saved TCP settings are used for one
    // "Connect" at start-up and polling begins; --help exits at once.
    void commandLineConnects()
    {
        SimulatorProcess sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        QDir().mkpath(dir.path() + QStringLiteral("/Setting"));
        {
            QSettings settings(dir.path() + QStringLiteral("/Setting/setting.ini"), QSettings::IniFormat);
            settings.setValue(QStringLiteral("Q4/connectType"), 1);
            settings.setValue(QStringLiteral("Q4/EditHostIP"), QStringLiteral("127.0.0.1"));
            settings.setValue(QStringLiteral("Q4/EditPort"), QString::number(sim.port()));
        }
        QProcess program;
        prepareProgram(program);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(Q4CONFIG_PATH),
            {QStringLiteral("--data-dir"), dir.path(), QStringLiteral("--connect")});
        QVERIFY(program.waitForStarted());
        QVERIFY(sim.waitForRequest(QStringLiteral("read-hr 0 2"), 10000));
        QVERIFY(sim.waitForRequest(QStringLiteral("read-hr 9309 2"), 5000));
        program.terminate();
        if (!program.waitForFinished(5000)) {
            program.kill();
            program.waitForFinished(2000);
        }
        QVERIFY(!program.readAll().contains("Operation Failed"));

        QProcess help;
        prepareProgram(help);
        help.start(QStringLiteral(Q4CONFIG_PATH), {QStringLiteral("--help")});
        QVERIFY(help.waitForFinished(10000));
        QCOMPARE(help.exitCode(), 0);
        const QByteArray text = help.readAllStandardOutput();
        QVERIFY(text.contains("--data-dir"));
        QVERIFY(text.contains("--connect"));
    }

    void startGeometry_data()
    {
        QTest::addColumn<QRect>("remembered");
        QTest::addColumn<QVector<QRect>>("screens");
        QTest::addColumn<QRect>("expected");
        const QRect wide(0, 0, 1920, 1040);
        const QRect laptop(0, 0, 1366, 738);
        const QRect second(1920, 0, 1280, 1000);
        QTest::newRow("first start, room for the form")
            << QRect() << QVector<QRect> {wide} << QRect(385, 120, 1150, 800);
        QTest::newRow("first start, lower screen")
            << QRect() << QVector<QRect> {laptop} << QRect(108, 0, 1150, 738);
        QTest::newRow("first start, 200 %")
            << QRect() << QVector<QRect> {QRect(0, 0, 960, 540)} << QRect(0, 0, 960, 540);
        QTest::newRow("remembered, second screen")
            << QRect(2000, 100, 900, 700) << QVector<QRect> {wide, second} << QRect(2000, 100, 900, 700);
        QTest::newRow("remembered screen gone")
            << QRect(2000, 100, 900, 700) << QVector<QRect> {wide} << QRect(510, 170, 900, 700);
        QTest::newRow("remembered partly off the left edge")
            << QRect(-100, 50, 800, 600) << QVector<QRect> {wide} << QRect(0, 50, 800, 600);
        QTest::newRow("remembered larger than the screen now")
            << QRect(0, 0, 1900, 1000) << QVector<QRect> {laptop} << laptop;
        QTest::newRow("remembered below the minimum")
            << QRect(10, 10, 200, 100) << QVector<QRect> {wide} << QRect(10, 10, 700, 400);
    }
    // Where the window starts: inside a screen's available area, whatever the
    // settings file remembers.
    void startGeometry()
    {
        QFETCH(QRect, remembered);
        QFETCH(QVector<QRect>, screens);
        QFETCH(QRect, expected);
        WindowPlacement placement;
        placement.normal = remembered;
        QCOMPARE(::startGeometry(placement, QSize(1150, 800), QSize(700, 400), screens), expected);
    }

    // The window's place, size and maximised state are remembered in the
    // settings file (group Window) and taken at the next start; a file
    // without them gives the form's size inside the screen.
    void placementRemembered()
    {
        QFile::remove(settingsFilePath());
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QRect closedAt;
        {
            MainWindow w;
            w.showPlaced();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QVERIFY(available.contains(w.geometry()));
            const QRect moved = available.adjusted(4, 20, -4, -10);
            w.setGeometry(moved);
            QTRY_COMPARE(w.geometry(), moved);
            closedAt = w.geometry();
            QVERIFY(w.close());
        }
        QSettings settings(settingsFilePath(), QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("Window/width")).toInt(), closedAt.width());
        QCOMPARE(settings.value(QStringLiteral("Window/maximized")).toInt(), 0);
        {
            MainWindow w;
            w.showPlaced();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QCOMPARE(w.geometry(), closedAt);
            w.showMaximized();
            QTRY_VERIFY(w.isMaximized());
            QVERIFY(w.close());
        }
        MainWindow w;
        w.showPlaced();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY(w.isMaximized());
        QCOMPARE(w.normalGeometry(), closedAt);
        w.on_Btn_Max_clicked();
        QTRY_COMPARE(w.geometry(), closedAt);
    }

    // Ctrl+1 .. Ctrl+6 show the pages once a device is connected; F1 opens the
    // Help window; Ctrl+Q quits, asking first while a workbook run goes on.
    void shortcuts()
    {
        MainWindow w;
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(w.pageState().currentPage, int(PageConnection));
        emit w.connectionPage()->ConnectSuccessfulSignal();
        linkSession().linkSuspended = true; // no device: the poll stays quiet
        auto *stack = w.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
        for (int k : {2, 5, 0, 3, 1, 4}) {
            QTest::keyClick(&w, Qt::Key(Qt::Key_1 + k), Qt::ControlModifier);
            QCOMPARE(w.pageState().currentPage, k);
            QCOMPARE(stack->currentWidget(), w.page(k));
        }
        QTest::keyClick(&w, Qt::Key_F1);
        QVERIFY(w.helpWindow() && w.helpWindow()->isVisible());
        QVERIFY(w.helpWindow()->text().contains(QStringLiteral("Ctrl+6")));
        w.helpWindow()->close();

        w.testMaintainPage()->importIdle = false;
        for (int answer : {0, 1}) {
            QTimer::singleShot(50, [answer] {
                auto *popup = qobject_cast<TipsDialog *>(QApplication::activeModalWidget());
                QVERIFY(popup);
                popup->findChild<QPushButton *>(QLatin1String(answer ? "pushButton_ok" : "pushButton_cancel"))
                    ->click();
            });
            QApplication::setActiveWindow(&w);
            QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
            QCOMPARE(w.isVisible(), answer == 0);
        }
        w.testMaintainPage()->importIdle = true;
        linkSession().linkSuspended = false;
    }

    // A wheel over a drop-down without focus scrolls the page and changes
    // nothing (it used to be swallowed on the parameter pages, and to change
    // the curve's quantity on the monitoring page). The page scrolls, not the
    // live weights above it.
    void wheelScrollsThePage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("combo");
        QTest::newRow("basic configuration") << int(PageBasic) << QStringLiteral("RemoteTareBox");
        QTest::newRow("monitoring curve") << int(PageMonitoring) << QStringLiteral("Box_WtChoose");
    }
    void wheelScrollsThePage()
    {
        QFETCH(int, page);
        QFETCH(QString, combo);
        QFile styleFile(QStringLiteral(":/Qss/SheetStyle.qss"));
        QVERIFY(styleFile.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(styleFile.readAll()));
        MainWindow w;
        w.resize(900, 500);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        emit w.connectionPage()->ConnectSuccessfulSignal();
        linkSession().linkSuspended = true; // no device: the poll stays quiet
        w.showPage(page);
        auto *box = w.page(page)->findChild<QComboBox *>(combo);
        QScrollBar *bar
            = w.page(page)->findChild<QScrollArea *>(QStringLiteral("scrollArea"))->verticalScrollBar();
        QScrollBar *body = w.findChild<QScrollArea *>(QStringLiteral("scrollArea_Main"))->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        bar->setValue(0);
        const int index = box->currentIndex();
        QWheelEvent wheel(QPointF(5, 5), box->mapToGlobal(QPoint(5, 5)), QPoint(), QPoint(0, -120),
            Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&wheel); // as from the mouse: it may travel to the parents
        qApp->notify(box, &wheel); // sendEvent would make it non-spontaneous
        QCOMPARE(box->currentIndex(), index);
        QVERIFY(!box->hasFocus());
        QVERIFY(bar->value() > 0);
        QCOMPARE(body->value(), 0);
        linkSession().linkSuspended = false;
        qApp->setStyleSheet(QString());
    }

    // Cursor over the bands without a button; drag on the title bar; resize on
    // the right band.
    void dragResizeAndCursor()
    {
        MainWindow w(linkSession());
        w.setWindowFlags(Qt::FramelessWindowHint);
        w.setMinimumSize(300, 200);
        w.setGeometry(50, 50, 600, 400);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect start = w.geometry();

        sendMouse(&w, QEvent::MouseMove, QPoint(598, 200), Qt::NoButton, Qt::NoButton);
        QCOMPARE(w.cursor().shape(), Qt::SizeHorCursor);
        sendMouse(&w, QEvent::MouseMove, QPoint(300, 398), Qt::NoButton, Qt::NoButton);
        QCOMPARE(w.cursor().shape(), Qt::SizeVerCursor);
        sendMouse(&w, QEvent::MouseMove, QPoint(598, 398), Qt::NoButton, Qt::NoButton);
        QCOMPARE(w.cursor().shape(), Qt::SizeFDiagCursor);
        sendMouse(&w, QEvent::MouseMove, QPoint(1, 398), Qt::NoButton, Qt::NoButton);
        QCOMPARE(w.cursor().shape(), Qt::SizeBDiagCursor);
        sendMouse(&w, QEvent::MouseMove, QPoint(300, 200), Qt::NoButton, Qt::NoButton);
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);

        // Drag: press on the title bar away from the border, move by (30, 20).
        sendMouse(&w, QEvent::MouseButtonPress, QPoint(300, 20), Qt::LeftButton, Qt::LeftButton);
        sendMouse(&w, QEvent::MouseMove, QPoint(330, 40), Qt::NoButton, Qt::LeftButton);
        sendMouse(&w, QEvent::MouseButtonRelease, QPoint(330, 40), Qt::LeftButton, Qt::NoButton);
        QTRY_COMPARE(w.geometry().topLeft(), start.topLeft() + QPoint(30, 20));
        QCOMPARE(w.size(), start.size());

        // Resize: press in the right band, move 50 px right.
        const QRect moved = w.geometry();
        sendMouse(&w, QEvent::MouseButtonPress, QPoint(598, 200), Qt::LeftButton, Qt::LeftButton);
        sendMouse(&w, QEvent::MouseMove, QPoint(648, 200), Qt::NoButton, Qt::LeftButton);
        sendMouse(&w, QEvent::MouseButtonRelease, QPoint(648, 200), Qt::LeftButton, Qt::NoButton);
        QTRY_COMPARE(w.width(), 650);
        QCOMPARE(w.geometry().topLeft(), moved.topLeft());
        QCOMPARE(w.height(), 400);

        // A move after the release neither drags nor resizes.
        sendMouse(&w, QEvent::MouseMove, QPoint(100, 100), Qt::NoButton, Qt::NoButton);
        QCOMPARE(w.geometry().size(), QSize(650, 400));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    initQ4Resources();
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
