#include "ui/link/modbussetting.h"

#include "link/clientfactory.h"
#include "link/linksession.h"
#include "link/serialports.h"
#include "link/trafficlog.h"
#include "link/transactions.h"
#include "params/appstate.h"
#include "params/logcategories.h"
#include "ui/dialogs/inputguard.h"
#include "ui/dialogs/popups.h"
#include "ui/link/scandialog.h"
#include "ui_modbussetting.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QModbusClient>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSerialPort>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>

const char *const vendorUrl = "https://www.lumo-weighing.com";
const char *const hostAddressPattern
    = "(2([0-4][0-9]|5[0-5])|[0-1]?[0-9]{1,2})([.](2([0-4][0-9]|5[0-5])|[0-1]?[0-9]{1,2})){3}|^$";
// Every whole number from 1 to 65535 without leading zeros, or nothing.
const char *const networkPortPattern
    = "[1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]|6553[0-5]|^$";

void setNetworkPortValidator(QLineEdit *edit)
{
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(networkPortPattern)), edit));
}

ModbusSetting::ModbusSetting(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::ModbusSetting)
{
    ui->setupUi(this);
    // The page scrolls when the window is lower or narrower than the form.
    auto *area = new QScrollArea;
    area->setObjectName(QStringLiteral("scrollArea_Connect"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(takeCentralWidget());
    setCentralWidget(area);
    // The form starts with the start values of a link record: a file without
    // a key, or with a value out of range, gives these too.
    ui->parityCombo->setCurrentIndex(indexFromParity(formLink.parity));
    ui->baudCombo->setCurrentText(QString::number(formLink.baud));
    ui->dataBitsCombo->setCurrentText(QString::number(formLink.dataBits));
    ui->stopBitsCombo->setCurrentText(QString::number(formLink.stopBits));
    ui->timeoutSpinner->setValue(formLink.responseTime);

    const auto filtered = findChildren<QWidget *>();
    for (QWidget *w : filtered) {
        if (qobject_cast<QLineEdit *>(w) || qobject_cast<QSpinBox *>(w))
            w->installEventFilter(this);
    }
    installInputGuard(this);
    const auto edits = findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits) {
        // The spin boxes' own line edits are handled through their spin box.
        if (qobject_cast<QAbstractSpinBox *>(edit->parentWidget()))
            continue;
        connect(edit, &QLineEdit::editingFinished, this, &ModbusSetting::lineEditFinished);
    }
    const auto spins = findChildren<QSpinBox *>();
    for (QSpinBox *spin : spins)
        connect(spin, &QSpinBox::editingFinished, this, [this, spin] {
            // After Return; a spin box left by Tab or a click keeps the new focus.
            if (spin->hasFocus())
                ui->widget_ConnectInfo->setFocus();
        });

    ui->EditHostIP->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(hostAddressPattern)), this));
    setNetworkPortValidator(ui->EditPort);

    startValues = {
        {QStringLiteral("EditPort"), ui->EditPort->text()},
        {QStringLiteral("spinboxSlaveId"), ui->spinboxSlaveId->value()},
        {QStringLiteral("EditHostIP"), ui->EditHostIP->text()},
        {QStringLiteral("DwordFormat"), ui->DwordFormat->currentIndex()},
        {QStringLiteral("baudCombo"), ui->baudCombo->currentIndex()},
        {QStringLiteral("dataBitsCombo"), ui->dataBitsCombo->currentIndex()},
        {QStringLiteral("parityCombo"), ui->parityCombo->currentIndex()},
        {QStringLiteral("stopBitsCombo"), ui->stopBitsCombo->currentIndex()},
        {QStringLiteral("connectType"), ui->connectType->currentIndex()},
        {QStringLiteral("timeoutSpinner"), ui->timeoutSpinner->value()},
        {QStringLiteral("Language"), 0},
    };
}

ModbusSetting::~ModbusSetting()
{
    // The client is this page's child: do not leave the global pointing at it.
    if (linkSession().modbusClient && linkSession().modbusClient->parent() == this)
        takeLinkDown();
    delete ui;
}

bool ModbusSetting::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        focusedWidget = qobject_cast<QWidget *>(watched);
        if (auto *edit = qobject_cast<QLineEdit *>(watched))
            focusBackup = edit->text();
    }
    return QMainWindow::eventFilter(watched, event);
}

void ModbusSetting::lineEditFinished()
{
    auto *edit = qobject_cast<QLineEdit *>(sender());
    if (edit && edit->text().isEmpty())
        edit->setText(focusBackup);
    // After Return; a field left by Tab or a click keeps the new focus.
    if (edit && edit->hasFocus())
        ui->widget_ConnectInfo->setFocus();
}

void ModbusSetting::keyPressEvent(QKeyEvent *event)
{
    // Return in a field of the page (the fields pass it on) connects.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        on_connectButton_clicked();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

QString ModbusSetting::portNameFromItem(const QString &itemText) { return portNameFromListText(itemText); }

void ModbusSetting::SettingSerialNum() { ui->serialnumcomboBox->refreshPorts(); }

void ModbusSetting::on_connectType_activated(int index)
{
    SettingSerialNum();
    const ConnectionType type = connectionTypeFromIndex(index);
    const bool rtu = type == ConnectionType::Rtu;
    const QList<QWidget *> rtuWidgets = {ui->label_1, ui->serialnumcomboBox, ui->label_3, ui->baudCombo,
        ui->label_5, ui->dataBitsCombo, ui->label_2, ui->parityCombo, ui->label_4, ui->stopBitsCombo};
    const QList<QWidget *> tcpWidgets = {ui->label_hostip, ui->EditHostIP, ui->label_Port, ui->EditPort};
    for (QWidget *w : rtuWidgets)
        w->setVisible(rtu);
    for (QWidget *w : tcpWidgets)
        w->setVisible(!rtu);
    // RTU over TCP reaches devices behind a converter by their server address.
    ui->label_6->setVisible(rtu || type == ConnectionType::RtuOverTcp);
    ui->spinboxSlaveId->setVisible(rtu || type == ConnectionType::RtuOverTcp);
}

LinkParameters ModbusSetting::settingsFromForm()
{
    formLink.parity = parityFromIndex(ui->parityCombo->currentIndex());
    formLink.baud = ui->baudCombo->currentText().toInt();
    formLink.dataBits = ui->dataBitsCombo->currentText().toInt();
    formLink.stopBits = ui->stopBitsCombo->currentText().toInt();
    formLink.responseTime = ui->timeoutSpinner->value();
    // The list shows "port – description (serial number)"; the record keeps the bare port name.
    formLink.serialPortName = ui->serialnumcomboBox->currentPortName();
    formLink.connectType = connectionTypeFromIndex(ui->connectType->currentIndex());
    formLink.hostAddress = ui->EditHostIP->text();
    formLink.networkPort = ui->EditPort->text();
    return formLink;
}

void ModbusSetting::on_connectButton_clicked()
{
    if (linkSession().linkSuspended) {
        // The previous link is still being taken down: try again shortly.
        QTimer::singleShot(500, this, &ModbusSetting::on_connectButton_clicked);
        return;
    }
    if (linkSession().modbusClient && linkSession().modbusClient->state() == QModbusDevice::ConnectedState)
        return;

    settingsFromForm();
    // A client of the page's connection type; one left unconnected goes first.
    takeLinkDown();
    linkSession().modbusClient = createModbusClient(formLink, 1000, this);
    linkSession().tcpLink = isNetworkLink(formLink.connectType) ? 1 : 0;
    if (isNetworkLink(formLink.connectType))
        qCDebug(lcLink).noquote() << "connect to"
                                  << formLink.hostAddress + QLatin1Char(':') + formLink.networkPort
                                  << "server address" << ui->spinboxSlaveId->value();
    else
        qCDebug(lcLink).noquote() << "connect to" << formLink.serialPortName << formLink.baud
                                  << "baud, parity" << int(formLink.parity) << "data bits"
                                  << formLink.dataBits << "stop bits" << formLink.stopBits << "server address"
                                  << ui->spinboxSlaveId->value();

    if (!linkSession().modbusClient->connectDevice()) {
        // A serial port that did not open says why, and what fixes it.
        const QString reason = serialConnectFailureText(linkSession().modbusClient);
        if (reason.isEmpty())
            showTipsDialog(QObject::tr("Tip"), QObject::tr("Operation Failed,Please try again!"), 1, this);
        else
            showNoticeDialog(QObject::tr("Tip"), reason, NoticeKind::Failure, 1, this);
        takeLinkDown();
        return;
    }
    formLink.serverAddress = ui->spinboxSlaveId->value();
    formLink.wordOrder = wordOrderFromIndex(ui->DwordFormat->currentIndex());
    linkSession().currentServerAddress = formLink.serverAddress;
    linkSession().wordOrder = formLink.wordOrder;

    waitProcessingEvents(100);

    formLink.startAddress = 0;
    formLink.count = 2;
    saveSettings();

    // The traffic statistics count from this connection on, its test read included.
    linkSession().traffic.resetStatistics();
    quint16 values[2] = {0, 0};
    const TransactionResult result = readHoldingRegisters(linkSession().modbusClient, formLink, values);
    if (result != Ok) {
        qCDebug(lcLink) << "test read failed:" << trafficResultText(result, 0);
        takeLinkDown();
        showTipsDialog(QObject::tr("Tip"), QObject::tr("Operation Failed,Please try again!"), 1, this);
        return;
    }
    linkSession().appliedLink = formLink;
    emit ConnectSuccessfulSignal();
}

void ModbusSetting::on_Btn_Scan_clicked()
{
    // The page's settings as they are now; the record of the last Connect stays.
    const LinkParameters lastConnect = formLink;
    LinkParameters link = settingsFromForm();
    formLink = lastConnect;
    link.wordOrder = wordOrderFromIndex(ui->DwordFormat->currentIndex());
    QVector<int> bauds;
    for (int i = 0; i < ui->baudCombo->count(); ++i)
        bauds.append(ui->baudCombo->itemText(i).toInt());
    QVector<Parity> parities;
    for (int i = 0; i < ui->parityCombo->count(); ++i)
        parities.append(parityFromIndex(i));

    ScanDialog dialog(this);
    dialog.setLink(link, bauds, parities);
    dialog.setUsableAddresses(ui->spinboxSlaveId->minimum(), ui->spinboxSlaveId->maximum());
    if (dialog.exec() == QDialog::Accepted && dialog.hasChoice())
        applyScanChoice(dialog.choice(), link);
}

bool ModbusSetting::applyScanChoice(const ScanHit &hit, const LinkParameters &scanned)
{
    if (hit.address < ui->spinboxSlaveId->minimum() || hit.address > ui->spinboxSlaveId->maximum())
        return false;
    const ConnectionType protocol = hit.connectType;
    const bool rtu = protocol == ConnectionType::Rtu;
    if (rtu && ui->baudCombo->findText(QString::number(hit.baud)) < 0)
        return false;
    if (ui->connectType->currentIndex() != int(protocol)) {
        ui->connectType->setCurrentIndex(int(protocol));
        on_connectType_activated(int(protocol));
    }
    ui->spinboxSlaveId->setValue(hit.address);
    if (rtu) {
        ui->baudCombo->setCurrentIndex(ui->baudCombo->findText(QString::number(hit.baud)));
        ui->parityCombo->setCurrentIndex(indexFromParity(hit.parity));
    } else {
        ui->EditHostIP->setText(scanned.hostAddress);
        ui->EditPort->setText(scanned.networkPort);
    }
    return true;
}

void ModbusSetting::adoptLink(const LinkParameters &link)
{
    const ConnectionType protocol = link.connectType;
    ui->connectType->setCurrentIndex(int(protocol));
    on_connectType_activated(int(protocol));
    if (protocol == ConnectionType::Rtu) {
        if (!ui->serialnumcomboBox->selectPort(link.serialPortName) && !link.serialPortName.isEmpty())
            ui->serialnumcomboBox->addUnlistedPort(link.serialPortName);
        ui->baudCombo->setCurrentText(QString::number(link.baud));
        ui->dataBitsCombo->setCurrentText(QString::number(link.dataBits));
        ui->parityCombo->setCurrentIndex(indexFromParity(link.parity));
    } else {
        ui->EditHostIP->setText(link.hostAddress);
        ui->EditPort->setText(link.networkPort);
    }
    ui->spinboxSlaveId->setValue(link.serverAddress);
    saveSettings();
}

void ModbusSetting::takeLinkDown()
{
    if (!linkSession().modbusClient)
        return;
    qCDebug(lcLink) << "disconnect";
    takeClientDown(linkSession().modbusClient);
}

bool ModbusSetting::checkLink()
{
    if (!linkSession().modbusClient)
        return true;
    if (linkSession().modbusClient->state() == QModbusDevice::ConnectedState)
        return false;
    if (linkSession().tcpLink == 1) {
        qCDebug(lcLink) << "link down, connecting again";
        linkSession().modbusClient->disconnectDevice();
        linkSession().modbusClient->connectDevice();
    } else if (linkSession().modbusClient->state() == QModbusDevice::UnconnectedState) {
        // The port was closed when it failed; opening it again fails at once
        // while the adapter is away and makes the link whole when it is back.
        linkSession().modbusClient->connectDevice();
    }
    return true;
}

void ModbusSetting::interfaceInit()
{
    ui->retranslateUi(this);
    loadSettings();
}

bool ModbusSetting::saveSettings()
{
    const QString path = settingsFilePath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        qCWarning(lcSettings).noquote() << "cannot create the settings folder" << folder;
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::Append | QIODevice::Text)) {
        qCWarning(lcSettings).noquote() << "cannot write" << path << file.errorString();
        return false;
    }
    file.close();

    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Q4"));
    settings.setValue(QStringLiteral("EditPort"), ui->EditPort->text());
    settings.setValue(QStringLiteral("spinboxSlaveId"), ui->spinboxSlaveId->text());
    settings.setValue(QStringLiteral("EditHostIP"), ui->EditHostIP->text());
    settings.setValue(QStringLiteral("DwordFormat"), ui->DwordFormat->currentIndex());
    settings.setValue(QStringLiteral("baudCombo"), ui->baudCombo->currentIndex());
    settings.setValue(QStringLiteral("dataBitsCombo"), ui->dataBitsCombo->currentIndex());
    settings.setValue(QStringLiteral("parityCombo"), ui->parityCombo->currentIndex());
    settings.setValue(QStringLiteral("serialnumcomboBox"), ui->serialnumcomboBox->currentPortName());
    settings.setValue(QStringLiteral("stopBitsCombo"), ui->stopBitsCombo->currentIndex());
    settings.setValue(QStringLiteral("connectType"), ui->connectType->currentIndex());
    // The spin box shows "300 ms": keep only the number.
    settings.setValue(
        QStringLiteral("timeoutSpinner"), ui->timeoutSpinner->text().section(QLatin1Char(' '), 0, 0));
    settings.setValue(QStringLiteral("Language"), programContext.language);
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        qCWarning(lcSettings).noquote() << "cannot write" << path;
        return false;
    }
    return true;
}

void ModbusSetting::loadSettings()
{
    const QString path = settingsFilePath();
    if (!QFileInfo::exists(path)) {
        qCDebug(lcSettings).noquote() << "no settings file" << path;
        return;
    }
    QSettings settings(path, QSettings::IniFormat);
    // A value out of range takes the start value of its key, and the file gets
    // that value back.
    auto replaced = [&](const QString &key) {
        qCWarning(lcSettings).noquote()
            << "setting out of range:" << settings.group() + QLatin1Char('/') + key
            << settings.value(key).toString() << "- using" << startValues.value(key).toString();
        settings.setValue(key, startValues.value(key));
        return startValues.value(key);
    };
    auto acceptable = [](const QLineEdit *edit, QString text) {
        int pos = 0;
        return edit->validator()->validate(text, pos) == QValidator::Acceptable;
    };
    // Text keys: a missing or empty text leaves the widget as it is.
    auto loadText = [&](const QString &key, QLineEdit *edit) {
        const QString text = settings.value(key).toString();
        if (!text.isEmpty())
            edit->setText(acceptable(edit, text) ? text : replaced(key).toString());
    };
    // Integer keys: a missing key (an empty or cut-off file) takes its start
    // value, as a value out of range does: one set of defaults.
    auto loadInt = [&](const QString &key, int low, int high) {
        if (!settings.contains(key))
            return startValues.value(key).toInt();
        bool ok = false;
        const int value = settings.value(key).toInt(&ok);
        return ok && value >= low && value <= high ? value : replaced(key).toInt();
    };
    auto loadIndex = [&](const QString &key, QComboBox *combo) {
        combo->setCurrentIndex(loadInt(key, 0, combo->count() - 1));
    };
    auto loadSpin = [&](const QString &key, QSpinBox *spin) {
        if (settings.contains(key))
            spin->setValue(loadInt(key, spin->minimum(), spin->maximum()));
    };

    settings.beginGroup(QStringLiteral("Q4"));
    loadText(QStringLiteral("EditPort"), ui->EditPort);
    loadText(QStringLiteral("EditHostIP"), ui->EditHostIP);
    loadIndex(QStringLiteral("DwordFormat"), ui->DwordFormat);
    loadIndex(QStringLiteral("baudCombo"), ui->baudCombo);
    loadIndex(QStringLiteral("dataBitsCombo"), ui->dataBitsCombo);
    loadIndex(QStringLiteral("parityCombo"), ui->parityCombo);
    loadIndex(QStringLiteral("stopBitsCombo"), ui->stopBitsCombo);
    loadIndex(QStringLiteral("connectType"), ui->connectType);
    on_connectType_activated(ui->connectType->currentIndex());
    loadSpin(QStringLiteral("timeoutSpinner"), ui->timeoutSpinner);
    loadSpin(QStringLiteral("spinboxSlaveId"), ui->spinboxSlaveId);
    SettingSerialNum();
    // A port name, or the list text "description(port)" of files saved before.
    const QString serial = settings.value(QStringLiteral("serialnumcomboBox")).toString();
    if (!serial.isEmpty())
        ui->serialnumcomboBox->selectPort(portNameFromListText(serial));
    const int q4Language = loadInt(QStringLiteral("Language"), 0, 1);
    settings.endGroup();

    settings.beginGroup(QStringLiteral("Config"));
    const int startup = settings.value(QStringLiteral("Startup")).toInt();
    settings.setValue(QStringLiteral("Startup"), 0);
    const int configLanguage = startup != 0 ? loadInt(QStringLiteral("Language"), 0, 1) : 0;
    settings.endGroup();
    programContext.language = startup != 0 ? configLanguage : q4Language;

    ui->label_url->setText(
        QStringLiteral("<a href=\"%1\" style=\"color:#00aaff;\">%1</a>").arg(QString::fromLatin1(vendorUrl)));
    ui->label_url->setOpenExternalLinks(true);
    settings.sync();
}
