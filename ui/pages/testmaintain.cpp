#include "ui/pages/testmaintain.h"

#include "link/deviceaccess.h"
#include "link/linksession.h"
#include "params/appstate.h"
#include "params/devicecopy.h"
#include "params/encoding.h"
#include "params/registermap.h"
#include "ui/dialogs/popups.h"
#include "ui/pages/commitengine.h"
#include "ui/pages/weightcal.h"
#include "ui_testmaintain.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>

#include <algorithm>
#include <iterator>

namespace {

const char *const resetPassword = "271828";

// A reset of the interfaces restarts them: the time given them before each of
// the tries of the link in use.
constexpr int ResetSettleMs = 500;
constexpr int ResetAttempts = 3;

// Function registers of inputs 1..4 and outputs 1..8 (32-bit each).
const int functionRegisters[] = {1000, 1004, 1008, 1012, 1030, 1032, 1034, 1036, 1038, 1040, 1042, 1044};

void openLinkTarget(const QString &link)
{
    const QUrl url = link.startsWith(QLatin1String("file:")) ? QUrl(link) : QUrl::fromLocalFile(link);
    QDesktopServices::openUrl(url);
}

QString popupText(const char *text) { return QCoreApplication::translate("QObject", text); }

} // namespace

QString TestMaintain::macText(const int bytes[6])
{
    // Every byte in two hex digits, 0 included ("00"), so the address reads as
    // the six fixed-width groups it is.
    QString text = QStringLiteral("%1-%2-%3-%4-%5-%6");
    for (int i = 0; i < 6; ++i) {
        QString part = QString::number(quint16(bytes[i]), 16).toUpper();
        if (part.size() < 2)
            part.prepend(QLatin1Char('0'));
        text = text.arg(part);
    }
    return text;
}

QString TestMaintain::deviceSerialText()
{
    const DeviceCopy &device = linkSession().device;
    int codes[25];
    std::copy(std::begin(device.system59a), std::end(device.system59a), codes);
    std::copy(std::begin(device.system59b), std::end(device.system59b), codes + 13);
    return serialNumberText(codes);
}

int TestMaintain::channelFieldWord(int word, int channel, bool on)
{
    const int mask = 15 << (4 * channel);
    return on ? (word | mask) : (word & ~mask);
}

TestMaintain::TestMaintain(QWidget *parent)
    : ParamPage(parent)
    , ui(new Ui::TestMaintain)
{
    ui->setupUi(this);
    // Where the focus goes after Return in a field; not a Tab stop.
    ui->label_RemoteTip->setFocusPolicy(Qt::ClickFocus);

    const auto combos = findChildren<QComboBox *>();
    for (QComboBox *combo : combos) {
        combo->installEventFilter(this);
        connect(combo, QOverload<int>::of(&QComboBox::activated), this,
            [this, combo](int index) { channelCommit(combo, index); });
    }
    ui->Import_label->hide();
    ui->Import_progressBar->hide();
    ui->Export_label->hide();
    ui->Export_progressBar->hide();
    ui->tabWidget->setCurrentIndex(0);
    connect(ui->Ex_Path_label, &QLabel::linkActivated, this, &openLinkTarget);
    connect(ui->label_importPath, &QLabel::linkActivated, this, &openLinkTarget);
}

TestMaintain::~TestMaintain() { delete ui; }

void TestMaintain::showPage()
{
    ui->retranslateUi(this);
    refresh(true);
    ui->But_Import->setIcon(QIcon(QStringLiteral(":/images/icon_download.ico")));
    ui->But_Import->setIconSize(QSize(30, 30));
    const QVector<QLineEdit *> readOnly = {ui->lineEditMVcoef1, ui->lineEditMVcoef2, ui->lineEditMVcoef3,
        ui->lineEditMVcoef4, ui->lineEditMAC, ui->lineEditSoftware, ui->lineEditCompileData,
        ui->lineEditSerialNum, ui->lineEdit_combinedMVcoef};
    for (QLineEdit *edit : readOnly)
        edit->setCursor(Qt::ForbiddenCursor);
    client = linkSession().modbusClient;
    language = programContext.language;
}

void TestMaintain::clearInputOutputFunctions()
{
    const WriteSourceScope source(linkSession(), WriteSource::Reset);
    for (int address : functionRegisters)
        writeSingleValue(address, 2, 0);
}

void TestMaintain::drawChannelMode(bool forced)
{
    const DeviceCopy &device = linkSession().device;
    const int mode = device.channelMode;
    if (!forced && mode == maintainCache.channelMode)
        return;
    const int previous = maintainCache.channelMode;
    // Stored before the clearing writes: their waits may run another redraw,
    // which must not see the change a second time.
    maintainCache.channelMode = mode;
    if (!channelModeSeen)
        channelModeSeen = true;
    else if (mode == 1 && previous == 0)
        clearInputOutputFunctions();

    if (mode == 1) {
        ui->widget->show();
        ui->BoxAnalogChannel->hide();
        ui->BoxBasicChannel->hide();
        ui->BoxCALChannel->hide();
        basicResetChannel = 0;
        calResetChannel = 0;
        analogResetChannel = 0;
        ui->BoxAnalogChannel->setCurrentIndex(0);
        ui->BoxBasicChannel->setCurrentIndex(0);
        ui->BoxCALChannel->setCurrentIndex(0);
        ui->lineEdit_combinedMVcoef->show();
        ui->widget_indepentCH->hide();
    } else {
        ui->widget->hide();
        ui->BoxAnalogChannel->show();
        ui->BoxBasicChannel->show();
        ui->BoxCALChannel->show();
        ui->lineEdit_combinedMVcoef->hide();
        ui->widget_indepentCH->show();
    }
    ui->comboBox_channelMode->setCurrentIndex(mode);
}

void TestMaintain::refresh(bool forced)
{
    const DeviceCopy &device = linkSession().device;
    const int systemSwitch = device.switches[SwitchSystem];
    if (showRemoteSwitch(SwitchSystem, maintainCache.systemSwitch, forced))
        ui->widget_top->setVisible(systemSwitch == 0);

    drawChannelMode(forced);

    const QString mac = macText(device.system60);
    if (forced || mac != maintainCache.mac) {
        maintainCache.mac = mac;
        ui->lineEditMAC->setText(mac);
    }

    const QString serial = deviceSerialText();
    if (forced || serial != maintainCache.serial) {
        maintainCache.serial = serial;
        ui->lineEditSerialNum->setText(serial);
    }

    const qint64 software = quint32(device.softwareVersion);
    if (forced || software != maintainCache.softwareVersion) {
        maintainCache.softwareVersion = software;
        ui->lineEditSoftware->setText(QString::number(software));
    }
    const qint64 compiled = quint32(device.compileDate);
    if (forced || compiled != maintainCache.compileDate) {
        maintainCache.compileDate = compiled;
        ui->lineEditCompileData->setText(QString::number(compiled));
    }

    QLineEdit *const mvFields[4]
        = {ui->lineEditMVcoef1, ui->lineEditMVcoef2, ui->lineEditMVcoef3, ui->lineEditMVcoef4};
    for (int k = 0; k < 4; ++k) {
        const qint64 value = qint32(device.system58[k]);
        if (forced || value != maintainCache.mvCoefficients[k]) {
            maintainCache.mvCoefficients[k] = value;
            mvFields[k]->setText(formatScaled(value, 4));
        }
    }
    // The combined coefficient is channel 1's, signed like the others.
    const qint64 combined = qint32(device.system58[0]);
    if (forced || combined != maintainCache.combinedCoefficient) {
        maintainCache.combinedCoefficient = combined;
        ui->lineEdit_combinedMVcoef->setText(formatScaled(combined, 4));
    }

    if (forced || device.channelEnable != maintainCache.channelField) {
        maintainCache.channelField = device.channelEnable;
        QComboBox *const channelBoxes[4] = {
            ui->comboBox_channel_1, ui->comboBox_channel_2, ui->comboBox_channel_3, ui->comboBox_channel_4};
        for (int k = 0; k < 4; ++k)
            channelBoxes[k]->setCurrentIndex(((device.channelEnable >> (4 * k)) & 15) == 15 ? 1 : 0);
    }
}

void TestMaintain::channelCommit(QComboBox *combo, int index)
{
    const DeviceCopy &device = linkSession().device;
    QString text = QString::number(index);
    QComboBox *const channelBoxes[4]
        = {ui->comboBox_channel_1, ui->comboBox_channel_2, ui->comboBox_channel_3, ui->comboBox_channel_4};
    for (int k = 0; k < 4; ++k) {
        if (combo == channelBoxes[k])
            text = QString::number(channelFieldWord(device.channelEnable, k, index == 1));
    }
    if (!editArmed)
        return;
    editArmed = false;
    commitWidgetValue(pageState(), editedWidget, text, editBackup);
}

void TestMaintain::on_BoxBasicChannel_currentIndexChanged(int index) { basicResetChannel = index; }

void TestMaintain::on_BoxCALChannel_currentIndexChanged(int index) { calResetChannel = index; }

void TestMaintain::on_BoxAnalogChannel_currentIndexChanged(int index) { analogResetChannel = index; }

void TestMaintain::runReset(ResetKind kind)
{
    struct ResetRow
    {
        const char *title;
        const char *question;
        int reg;
        bool interfaces; // the ports and the Ethernet interface go back to their factory settings
    };
    static const ResetRow rows[] = {
        {QT_TR_NOOP("Reset All"), QT_TR_NOOP("Confirm? Reset may result in communication loss!"), 8942, true},
        {QT_TR_NOOP("Reset Data-Trans"), QT_TR_NOOP("Confirm? Reset may result in communication loss!"), 8941,
            true},
        {QT_TR_NOOP("Reset Application"), QT_TR_NOOP("Confirm?"), 8940, false},
        {QT_TR_NOOP("Reset Basic"), QT_TR_NOOP("Confirm?"), 8900, false},
        {QT_TR_NOOP("Reset CAL"), QT_TR_NOOP("Confirm?"), 8901, false},
        {QT_TR_NOOP("Reset Analog"), QT_TR_NOOP("Confirm?"), 8902, false},
    };
    const ResetRow &row = rows[kind];
    int reg = row.reg;
    const int calChannel = calResetChannel;
    if (kind == ResetBasic)
        reg += 10 * basicResetChannel;
    else if (kind == ResetCal)
        reg += 10 * calChannel;
    else if (kind == ResetAnalog)
        reg += 10 * analogResetChannel;

    if (!passwordAccepted) {
        const QString answer = inputPassword(this);
        if (answer.isEmpty())
            return;
        const QString password = QString::fromLatin1(resetPassword);
        if (answer != password && answer != password + QLatin1String("\r\n")) {
            showTipsDialog(tr("Tip"), popupText("Password Failed!"), 0, this);
            return;
        }
        passwordAccepted = true;
    }

    QString question = tr(row.question);
    if (row.interfaces)
        question += QLatin1Char('\n')
            + tr("The serial ports and the Ethernet interface, the one this program is connected through "
                 "included, go back to their factory settings. If the device then no longer answers on "
                 "this connection, the program goes back to the connection page.");
    if (showTipsDialog(tr(row.title), question, 1, this) != 1)
        return;

    TransactionResult result;
    {
        const WriteSourceScope source(linkSession(), WriteSource::Reset);
        result = writeSingleValue(reg, 1, 1);
    }
    bool failed;
    if (kind == ResetAll || kind == ResetDataTrans) {
        // These resets may cut the link before the device answers, so a
        // missing answer is no proof of failure; a link the poll already
        // found faulty, no client at all or a refusal by the device are.
        failed = linkSession().linkFaulty || result == NoConnection || result == ResponseError;
    } else {
        failed = result != Ok;
    }
    showTipsDialog(tr("Tip"), popupText(failed ? "Reset Failed!" : "Reset Successful!"), 0, this);
    if (failed)
        return;
    if (kind == ResetAll)
        WeightCal::clearPointMemory(-1);
    else if (kind == ResetCal)
        WeightCal::clearPointMemory(calChannel);
    if (row.interfaces && !interfacesStillAnswer()) {
        showNoticeDialog(tr("Tip"),
            tr("The device no longer answers on this connection: its ports and Ethernet interface now have "
               "their factory settings. Connect again with those settings."),
            NoticeKind::Failure, 1, this);
        emit linkSettingsReset();
    }
}

bool TestMaintain::interfacesStillAnswer()
{
    // The factory settings of the interfaces are not known here (and every
    // device leaves the factory with the same ones, so a guess could reach
    // another device): the link in use is tried again, and nothing else.
    const LinkHold hold(linkSession());
    return linkAnswersAgain(ResetSettleMs, ResetAttempts);
}

void TestMaintain::on_Btn_ResetALL_clicked() { runReset(ResetAll); }

void TestMaintain::on_Btn_ResetData_trans_clicked() { runReset(ResetDataTrans); }

void TestMaintain::on_Btn_ResetAPP_clicked() { runReset(ResetApplication); }

void TestMaintain::on_Btn_Resetbasic_clicked() { runReset(ResetBasic); }

void TestMaintain::on_Btn_ResetCAL_clicked() { runReset(ResetCal); }

void TestMaintain::on_Btn_Resetanalog_clicked() { runReset(ResetAnalog); }
