#include "ui/window/mainwindow.h"

#include "link/clientfactory.h"
#include "link/linksession.h"
#include "link/modbusrtuclient.h"
#include "link/trafficlog.h"
#include "link/transactions.h"
#include "params/appstate.h"
#include "params/devicecopy.h"
#include "params/logcategories.h"
#include "ui/dialogs/helpdialog.h"
#include "ui/dialogs/inputguard.h"
#include "ui/dialogs/popups.h"
#include "ui/link/livedisplay.h"
#include "ui/link/modbusparasetdialog.h"
#include "ui/link/modbussetting.h"
#include "ui/link/trafficlogwindow.h"
#include "ui/pages/application.h"
#include "ui/pages/basicconfig.h"
#include "ui/pages/commitengine.h"
#include "ui/pages/datatrans.h"
#include "ui/pages/maininterface.h"
#include "ui/pages/testmaintain.h"
#include "ui/pages/weightcal.h"
#include "ui/pagestate.h"
#include "ui/shortcuts.h"
#include "ui/window/startup.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QModbusClient>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QTimer>
#include <QTranslator>

namespace {

const char navigationSelectedStyle[]
    = "border-radius: 0px; color:#164A96; background-color:qlineargradient(spread:pad, x1:0.5, y1:0, x2:0.5, "
      "y2:1, stop:0 rgba(227, 238, 248, 255), stop:1 rgba(199, 221, 242, 255)); border-style:none;";
const char navigationNormalStyle[]
    = "QPushButton:hover{background-color:qlineargradient(spread:pad, x1:0.5, y1:0, x2:0.5, y2:1, stop:0 "
      "rgba(227, 238, 248, 255), stop:1 rgba(199, 221, 242, 255));}"
      "QPushButton{background-color: rgba(0, 0, 0, 0); border-style:none; border-radius: 0px;}"
      "QPushButton:focus{border: 1px dotted #164A96;}";

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : MainWindow(nullptr, parent)
{
}

MainWindow::MainWindow(LinkSession &link, QWidget *parent)
    : MainWindow(&link, parent)
{
}

MainWindow::MainWindow(LinkSession *given, QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , ownSession(given ? nullptr : std::make_unique<LinkSession>())
    , session(given ? *given : *ownSession)
    , sessionCurrent(session)
{
    // The style sheet's images and the catalogues of the language switch live
    // in the user-interface library's resources (registered once).
    initQ4Resources();
    modbusSetting = new ModbusSetting(this);
    mainInterface = new MainInterface(this);
    basicConfig = new BasicConfig(this);
    application = new Application(this);
    weightCal = new WeightCal(this);
    dataTrans = new DataTrans(this);
    testMaintain = new TestMaintain(this);
    for (ParamPage *page : std::initializer_list<ParamPage *> {
             mainInterface, basicConfig, application, weightCal, dataTrans, testMaintain})
        page->setPageState(pages);

    ui->setupUi(this);
    liveDisplay = new LiveDisplay(this);
    // The poll tick, on this thread; it starts with the first connection.
    pollTimer = new QTimer(this);
    pollTimer->setInterval(PollPeriodMs);
    pollTimer->setTimerType(Qt::PreciseTimer);
    connect(pollTimer, &QTimer::timeout, this, &MainWindow::pollTick);

    initActions();
    setUpAuditTrail();

    connect(modbusSetting, &ModbusSetting::ConnectSuccessfulSignal, this, &MainWindow::onConnected);
    // A written setting of the link's own port: reconnect with it, and keep it
    // as the connection page's settings.
    const auto followLink = [this](const LinkParameters &link) {
        modbusSetting->adoptLink(link);
        switchLink(link);
    };
    connect(dataTrans, &DataTrans::ownLinkChanged, this, followLink);
    connect(testMaintain, &TestMaintain::ownLinkChanged, this, followLink);
    // The device went silent after its interfaces were reset: connect anew.
    connect(testMaintain, &TestMaintain::linkSettingsReset, this, &MainWindow::on_ButtonDisconnect_clicked);
    // A --log-traffic file that stops taking lines (a full disk) is told once:
    // the log has closed it and writes no more to it.
    connect(
        &session.traffic, &TrafficLog::fileFailed, this,
        [this](const QString &path, const QString &reason) {
            showNoticeDialog(tr("Traffic log"),
                tr("Cannot write the traffic log %1: %2.\nTraffic logging has stopped.").arg(path, reason),
                NoticeKind::Failure, 1, this);
        },
        Qt::QueuedConnection);

    disconnectTimer = new QTimer(this);
    disconnectTimer->setSingleShot(true);
    disconnectTimer->setTimerType(Qt::PreciseTimer);
    connect(disconnectTimer, &QTimer::timeout, this, &MainWindow::disconnectModbus);
    reconnectTimer = new QTimer(this);
    reconnectTimer->setSingleShot(true);
    reconnectTimer->setTimerType(Qt::PreciseTimer);
    connect(reconnectTimer, &QTimer::timeout, this, &MainWindow::reConnectModbus);
    disconnectTimer->stop();
    reconnectTimer->stop();

    setMouseTracking(true);
    ui->centralWidget->setMouseTracking(true);
    for (int k : {7, 0, 1, 2, 3, 4, 5})
        page(k)->setCursor(Qt::ArrowCursor);

    installInputGuard(this);
    makeShortcuts();
    orderTabChain();
    for (QWidget *w : {ui->scrollArea_Main->viewport(), ui->widget_Body, ui->WeightDisplay,
             static_cast<QWidget *>(ui->stackedWidget)})
        w->installEventFilter(this);
    // Frameless: the window draws its own title bar. Set last, as the style
    // sheet's fonts are given again to the widgets here.
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
        | Qt::WindowMaximizeButtonHint);
    // A minimum of the window's own: otherwise each layout pass that finds a
    // new one hands it to the platform again (and platforms without size
    // hints, such as offscreen, warn each time). The pages scroll below it.
    ensurePolished();
    setMinimumSize(minimumSizeHint());
}

MainWindow::~MainWindow()
{
    mainInterface->stopRecording();
    if (session.modbusClient)
        modbusSetting->takeLinkDown();
    delete liveDisplay;
    delete ui;
}

QWidget *MainWindow::page(int k) const
{
    switch (k) {
    case PageMonitoring:
        return mainInterface;
    case PageBasic:
        return basicConfig;
    case PageCalibration:
        return weightCal;
    case PageApplication:
        return application;
    case PageDataTrans:
        return dataTrans;
    case PageTestMaintain:
        return testMaintain;
    case PageConnection:
        return modbusSetting;
    default:
        return nullptr;
    }
}

int MainWindow::stackIndexOf(int k) const { return k >= 0 && k < 8 ? pageStackIndex[k] : -1; }

void MainWindow::initActions()
{
    pageStackIndex[PageConnection] = ui->stackedWidget->addWidget(modbusSetting);
    pageStackIndex[PageMonitoring] = ui->stackedWidget->addWidget(mainInterface);
    pageStackIndex[PageBasic] = ui->stackedWidget->addWidget(basicConfig);
    pageStackIndex[PageCalibration] = ui->stackedWidget->addWidget(weightCal);
    pageStackIndex[PageApplication] = ui->stackedWidget->addWidget(application);
    pageStackIndex[PageDataTrans] = ui->stackedWidget->addWidget(dataTrans);
    pageStackIndex[PageTestMaintain] = ui->stackedWidget->addWidget(testMaintain);
    jumptoSerialSetting();
    applyLanguage();
}

void MainWindow::setNavigationStyle(int k)
{
    QPushButton *const buttons[] = {ui->ButtonMainInterface, ui->ButtonBasicConfig, ui->ButtonWeightCal,
        ui->ButtonApplication, ui->ButtonDataTrans, ui->ButtonTestMaintain};
    for (int i = 0; i < 6; ++i)
        buttons[i]->setStyleSheet(
            QString::fromLatin1(i == k ? navigationSelectedStyle : navigationNormalStyle));
}

void MainWindow::showPage(int k)
{
    if (k < 0 || k > 5)
        return;
    setNavigationStyle(k);
    pages.currentPage = k;
    qCDebug(lcUi) << "page" << k << "shown";
    ui->stackedWidget->setCurrentIndex(pageStackIndex[k]);
    refreshCurrentPage();
    if (k != PageTestMaintain)
        testMaintain->passwordAccepted = false;
}

void MainWindow::refreshCurrentPage()
{
    switch (pages.currentPage) {
    case PageMonitoring:
        basicConfig->showPage();
        mainInterface->showPage();
        break;
    case PageBasic:
        basicConfig->showPage();
        break;
    case PageCalibration:
        weightCal->showPage();
        break;
    case PageApplication:
        application->showPage();
        break;
    case PageDataTrans:
        dataTrans->showPage();
        break;
    case PageTestMaintain:
        testMaintain->showPage();
        break;
    case PageConnection:
        modbusSetting->interfaceInit();
        break;
    default:
        break;
    }
}

void MainWindow::on_ButtonMainInterface_clicked() { showPage(PageMonitoring); }

void MainWindow::on_ButtonBasicConfig_clicked() { showPage(PageBasic); }

void MainWindow::on_ButtonWeightCal_clicked() { showPage(PageCalibration); }

void MainWindow::on_ButtonApplication_clicked() { showPage(PageApplication); }

void MainWindow::on_ButtonDataTrans_clicked() { showPage(PageDataTrans); }

void MainWindow::on_ButtonTestMaintain_clicked() { showPage(PageTestMaintain); }

void MainWindow::makeShortcuts()
{
    for (const ShortcutEntry &entry : shortcutTable()) {
        auto *shortcut = new QShortcut(QKeySequence(QLatin1String(entry.keys)), this);
        switch (entry.action) {
        case ShortcutAction::ShowPage: {
            const int k = entry.page;
            // The pages are there while a device is connected.
            connect(shortcut, &QShortcut::activated, this, [this, k] {
                if (pages.currentPage != PageConnection)
                    showPage(k);
            });
            break;
        }
        case ShortcutAction::Quit:
            connect(shortcut, &QShortcut::activated, this, &QWidget::close);
            break;
        case ShortcutAction::Help:
            connect(shortcut, &QShortcut::activated, this, &MainWindow::on_Btn_Help_clicked);
            break;
        }
    }
}

void MainWindow::orderTabChain()
{
    // Scroll areas bring the focused control into view themselves; they are
    // no Tab stops of their own.
    const auto areas = findChildren<QScrollArea *>();
    for (QScrollArea *area : areas)
        area->setFocusPolicy(Qt::NoFocus);
    // Reading order: the title bar, the navigation, the page on show, the
    // bottom line (the pages were made before the frame, so their fields
    // would come first).
    QWidget *lastOfPages = nullptr;
    for (QWidget *w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if (ui->stackedWidget->isAncestorOf(w))
            lastOfPages = w;
    }
    QWidget *const order[] = {lastOfPages, ui->Btn_TrafficLog, ui->Btn_SlaveIdSet, ui->ButtonDisconnect,
        ui->Btn_Help, ui->Btn_ChangeLanguage, ui->Btn_Min, ui->Btn_Max, ui->Btn_Close, ui->ButtonMainInterface,
        ui->ButtonBasicConfig, ui->ButtonWeightCal, ui->ButtonApplication, ui->ButtonDataTrans,
        ui->ButtonTestMaintain};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        if (order[i])
            setTabOrder(order[i], order[i + 1]);
    }
}

void MainWindow::on_Btn_Help_clicked()
{
    // One window, kept while the main window lives; closing it only hides it.
    if (!helpDialog)
        helpDialog = new HelpDialog(this);
    showToolWindow(helpDialog);
}

void MainWindow::updateWindowTitle()
{
    const QString name = QStringLiteral("Q4 Config");
    if (pages.currentPage == PageConnection) {
        setWindowTitle(name);
        return;
    }
    const QString where = isNetworkLink(linkInfo.connectType)
        ? linkInfo.hostAddress + QLatin1Char(':') + linkInfo.networkPort
        : linkInfo.serialPortName;
    setWindowTitle(tr("%1 – %2, address %3").arg(name, where).arg(linkInfo.serverAddress));
}

void MainWindow::jumptoSerialSetting()
{
    pages.currentPage = PageConnection;
    updateWindowTitle();
    modbusSetting->interfaceInit();
    ui->widget_Menu->hide();
    ui->widget_down->hide();
    ui->WeightDisplay->hide();
    ui->stackedWidget->setCurrentWidget(modbusSetting);
}

void MainWindow::onConnected()
{
    ui->widget_Menu->show();
    ui->widget_down->show();
    ui->WeightDisplay->show();
    showPage(PageMonitoring);
    InitLinkParam();
    liveDisplay->refreshLiveDisplay(true);
    if (!pollTimer->isActive())
        pollTimer->start();
    startAuditTrail();
}

void MainWindow::on_ButtonDisconnect_clicked()
{
    // The pending writes' version is read while the link is still up.
    finishAuditTrail();
    session.linkSuspended = true;
    mainInterface->stopRecording();
    disconnectTimer->start(session.linkFaulty ? 2000 : 1000);
    jumptoSerialSetting();
}

void MainWindow::disconnectModbus()
{
    modbusSetting->takeLinkDown();
    session.linkSuspended = false;
}

void MainWindow::on_Btn_SlaveIdSet_clicked()
{
    // No poll tick while the dialog is open.
    const LinkHold hold(session);
    auto *dialog = new ModbusParaSetDialog(this);
    dialog->setParameters(session.appliedLink);
    dialog->exec();
    if (dialog->accepted())
        switchLink(dialog->parameters());
    delete dialog;
}

void MainWindow::switchLink(const LinkParameters &link)
{
    // The new link may reach another device: the trail starts again on it.
    finishAuditTrail();
    auditTrailRestart = true;
    session.liveLink = link;
    session.appliedLink = session.liveLink;
    session.linkSuspended = true;
    // The curve file ends with the link it was recording.
    mainInterface->stopRecording();
    reconnectTimer->start(500);
}

void MainWindow::on_Btn_TrafficLog_clicked()
{
    // One window, kept while the main window lives; closing it only hides it.
    if (!trafficLogWindow)
        trafficLogWindow = new TrafficLogWindow(session.traffic, this);
    showToolWindow(trafficLogWindow);
}

void MainWindow::reConnectModbus()
{
    // The old client goes; a new one is made even when none is left (the link
    // may have been taken down meanwhile), so the steps below always have one.
    modbusSetting->takeLinkDown();
    const LinkParameters &link = session.liveLink;
    session.modbusClient = createModbusClient(link, 1000, modbusSetting);
    if (isNetworkLink(link.connectType))
        qCDebug(lcLink).noquote() << "reconnect to" << link.hostAddress + QLatin1Char(':') + link.networkPort
                                  << "server address" << link.serverAddress;
    else
        qCDebug(lcLink).noquote() << "reconnect to" << link.serialPortName << link.baud << "baud, parity"
                                  << int(link.parity) << "data bits" << link.dataBits << "stop bits"
                                  << link.stopBits << "server address" << link.serverAddress;
    // The poll's link check reopens a dropped TCP link; it must know the new protocol.
    session.tcpLink = isNetworkLink(session.liveLink.connectType) ? 1 : 0;
    session.currentServerAddress = session.liveLink.serverAddress;
    session.wordOrder = session.liveLink.wordOrder;
    session.traffic.resetStatistics();
    session.modbusClient->connectDevice();
    InitLinkParam();
    session.linkSuspended = false;
}

void MainWindow::InitLinkParam()
{
    linkInfo = session.appliedLink;
    updateWindowTitle();
    switch (linkInfo.connectType) {
    case ConnectionType::Rtu: {
        ui->label_SlaveTitle->show();
        ui->label_SlaveID->show();
        // A TCP link before may have left its "Port: " title here.
        ui->label_SlaveTitle->setText(tr("Slave ID:"));
        const QString parityLetter = linkInfo.parity == Parity::None ? QStringLiteral("N")
            : linkInfo.parity == Parity::Even                        ? QStringLiteral("E")
            : linkInfo.parity == Parity::Odd                         ? QStringLiteral("O")
                                                                     : QString();
        ui->label_port->setText(QStringLiteral("%1:%2-%3-%4-%5")
                                    .arg(linkInfo.serialPortName)
                                    .arg(linkInfo.baud)
                                    .arg(linkInfo.dataBits)
                                    .arg(parityLetter)
                                    .arg(linkInfo.stopBits));
        ui->label_protol->setText(QStringLiteral("Modbus RTU"));
        ui->label_SlaveID->setText(QString::number(linkInfo.serverAddress));
        break;
    }
    case ConnectionType::Tcp:
        ui->label_protol->setText(QStringLiteral("Modbus TCP"));
        ui->label_port->setText(linkInfo.hostAddress);
        ui->label_SlaveTitle->setText(tr("Port: "));
        ui->label_SlaveID->setText(linkInfo.networkPort);
        break;
    case ConnectionType::RtuOverTcp:
        // The converter's address, and the device's server address behind it.
        ui->label_protol->setText(QStringLiteral("Modbus RTU over TCP"));
        ui->label_port->setText(linkInfo.hostAddress + QLatin1Char(':') + linkInfo.networkPort);
        ui->label_SlaveTitle->setText(tr("Slave ID:"));
        ui->label_SlaveID->setText(QString::number(linkInfo.serverAddress));
        break;
    default:
        return;
    }
    ui->label_DwordFormat->setText(
        linkInfo.wordOrder == WordOrder::CdAb ? QStringLiteral("CD-AB") : QStringLiteral("AB-CD"));
    ui->label_Delay->setText(QStringLiteral("%1ms").arg(linkInfo.responseTime));
    // A long port name is cut in the line; the tool tip shows it whole.
    ui->label_port->setToolTip(ui->label_port->text());
}

void MainWindow::applyLanguage()
{
    language = programContext.language;
    // Only at start-up: later the widgets are polished, and the dialog font
    // given then would replace the style sheet's sizes everywhere. Chinese
    // text in a window started in English is drawn by font fallback.
    if (!languageFontApplied) {
        applyDialogFont(this);
        languageFontApplied = true;
    }
    if (currentTranslator) {
        QCoreApplication::removeTranslator(currentTranslator);
        delete currentTranslator;
        currentTranslator = nullptr;
    }
    QString catalogue;
    if (language == 1) {
        catalogue = QStringLiteral(":/Translate/Language_CN.qm");
    } else {
        catalogue = QStringLiteral(":/Translate/Language_EN.qm");
    }
    qCDebug(lcUi) << "language" << (language == 1 ? "Chinese" : "English");
    programContext.language = language;
    modbusSetting->saveSettings();
    currentTranslator = new QTranslator(this);
    if (currentTranslator->load(catalogue))
        QCoreApplication::installTranslator(currentTranslator);
    ui->retranslateUi(this);
    refreshCurrentPage();
    InitLinkParam();
    liveDisplay->refreshLiveDisplay(true);
}

void MainWindow::on_Btn_ChangeLanguage_clicked()
{
    programContext.language = 1 - programContext.language;
    applyLanguage();
}

void MainWindow::pollTick()
{
    // A tick that comes while another transaction waits (its own included: the
    // waits process events) or while the link is rebuilt does nothing.
    if (session.linkSuspended || session.held())
        return;
    const LinkHold hold(session);
    modbusSetting->checkLink();
    const int result = readLiveGroups();
    if (result != 0) {
        ++session.failedPolls;
        if (session.failedPolls > 2) {
            ui->label_ConnectState->setText(tr("Communication-Error"));
            ui->label_ConnectState->setStyleSheet(QStringLiteral("color: red;"));
            // What is on screen is the last the device said: show it as such,
            // and let no curve join the last point before the silence to the next.
            liveDisplay->setStale(true);
            mainInterface->markGap();
        }
        session.linkFaulty = true;
        return;
    }
    liveDisplay->setStale(false);
    liveDisplay->refreshLiveDisplay(false);
    // The curve file follows every good tick, whichever page is shown.
    mainInterface->liveTick(QDateTime::currentMSecsSinceEpoch());
    pagePeriodicRead();
    if (session.pendingCommand.pending)
        runPendingCommand();
    if (auditTrailRestart)
        startAuditTrail();
    if (session.failedPolls != 0) {
        session.failedPolls = 0;
        session.linkFaulty = false;
    } else {
        ui->label_ConnectState->setText(tr("Communication-Normal"));
        ui->label_ConnectState->setStyleSheet(QStringLiteral("color: green;"));
        session.linkFaulty = false;
    }
}

int MainWindow::pagePeriodicRead()
{
    // Reads the groups in order; the first failure ends the list.
    auto readAll = [](std::initializer_list<int> groups) {
        for (int group : groups) {
            const TransactionResult result = readGroup(group);
            if (result != Ok)
                return int(result);
        }
        return 0;
    };
    int result = 0;
    switch (pages.currentPage) {
    case PageMonitoring:
        mainInterface->refresh(false);
        break;
    case PageBasic:
        result = readGroup(8 + pages.selectedChannel);
        basicConfig->refresh(false);
        break;
    case PageCalibration:
        if (session.device.channelMode == 1) {
            for (int group = 12; group <= 15; ++group) {
                const int r = readGroup(group);
                if (r != 0 && result == 0)
                    result = r;
                weightCal->refresh(false);
            }
        } else {
            result = readGroup(12 + pages.selectedChannel);
            weightCal->refresh(false);
        }
        break;
    case PageApplication:
        if (pages.applicationSubTable == 17 || pages.applicationSubTable == 16) {
            result = readGroup(pages.applicationSubTable);
            application->refresh(false);
        } else if (pages.applicationSubTable == 18) {
            result = readAll({50, 51});
            if (result == 0)
                application->refresh(false);
        }
        break;
    case PageDataTrans:
        result = readAll({52, 53, 54, 55, 56, 57});
        if (result == 0)
            dataTrans->refresh(false);
        break;
    case PageTestMaintain:
        result = readAll({58, 59, 60});
        if (result == 0)
            testMaintain->refresh(false);
        break;
    default:
        break;
    }
    return result;
}
