#include "ui/pages/datatrans.h"

#include "link/deviceaccess.h"
#include "link/linkchange.h"
#include "link/linksession.h"
#include "link/transactions.h"
#include "params/appstate.h"
#include "params/devicecopy.h"
#include "params/encoding.h"
#include "params/registermap.h"
#include "ui/dialogs/popups.h"
#include "ui/link/modbussetting.h"
#include "ui/pages/commitengine.h"
#include "ui/pages/groupflow.h"
#include "ui/pagestate.h"
#include "ui_datatrans.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>

#include <climits>

namespace {

// Time a device may take to put a new interface setting in force after its answer.
constexpr int LinkSettleMs = 300;

void drawWord(QWidget *widget, int value)
{
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        combo->setCurrentIndex(value);
    else if (auto *edit = qobject_cast<QLineEdit *>(widget))
        edit->setText(QString::number(quint32(value)));
}

} // namespace

const char *DataTrans::selectedSlotStyle()
{
    return "border-radius: 0px; color:#164A96; background-color:qlineargradient(spread:pad, x1:0.5, y1:0, "
           "x2:0.5, "
           "y2:1, stop:0 rgba(227, 238, 248, 255), stop:1 rgba(199, 221, 242, 255)); border-style:none;";
}

const char *DataTrans::plainSlotStyle()
{
    return "QPushButton:hover{background-color:qlineargradient(spread:pad, x1:0.5, y1:0, x2:0.5, y2:1, "
           "stop:0 "
           "rgba(227, 238, 248, 255), stop:1 rgba(199, 221, 242, 255));}QPushButton{background-color: "
           "rgba(0, 0, 0, "
           "0); border-style:none; border-radius: 0px;}";
}

DataTrans::DataTrans(QWidget *parent)
    : ParamPage(parent)
    , ui(new Ui::DataTrans)
{
    ui->setupUi(this);
    ui->label_channelSelect->hide();
    ui->BoxChaneelSelect->hide();
    // Where the focus goes after Return in a field; not a Tab stop.
    ui->label_RemoteTip->setFocusPolicy(Qt::ClickFocus);

    interfaceWidgets = {ui->lineEditCOMID1, ui->BoxBaudrate1, ui->BoxProtocol1, ui->BoxDataFormat1,
        ui->BoxDwordFormat1, ui->lineEditSendGap1, ui->lineEditCOMID1_2, ui->BoxBaudrate1_2,
        ui->BoxProtocol1_2, ui->BoxDataFormat1_2, ui->BoxDwordFormat1_2, ui->lineEditSendGap1_2,
        ui->lineEditCANID, ui->BoxBaudrateCAN, ui->BoxReportType, ui->BoxReportContent, ui->lineEditReportGap,
        nullptr, ui->lineEditIP1, ui->lineEditIP2, ui->lineEditIP3, ui->lineEditIP4, ui->lineEditMask1,
        ui->lineEditMask2, ui->lineEditMask3, ui->lineEditMask4, ui->lineEditGateway1, ui->lineEditGateway2,
        ui->lineEditGateway3, ui->lineEditGateway4};
    analogWidgets = {ui->BoxCH1_AnalogType, ui->BoxCH1_Link, ui->BoxCH2_AnalogType, ui->BoxCH2_Link,
        ui->BoxCH3_AnalogType, ui->BoxCH3_Link, ui->BoxCH4_AnalogType, ui->BoxCH4_Link};

    for (int &v : shownInterface)
        v = INT_MIN;
    for (int &v : shownAnalog)
        v = INT_MIN;
    for (int &v : shownCombined)
        v = INT_MIN;
    for (int &v : shownSlot)
        v = INT_MIN;

    on_Btu_Connect1_clicked();

    const QStringList &ranges = rangeTexts(RangePage::DataTrans);
    const QVector<QLineEdit *> rangeFields = {ui->lineEditCOMID1, ui->lineEditCOMID1_2, ui->lineEditSendGap1,
        ui->lineEditSendGap1_2, ui->lineEditCANID, ui->lineEditReportGap, ui->lineEditIP1, ui->lineEditIP2,
        ui->lineEditIP3, ui->lineEditIP4, ui->lineEditMask1, ui->lineEditMask2, ui->lineEditMask3,
        ui->lineEditMask4, ui->lineEditGateway1, ui->lineEditGateway2, ui->lineEditGateway3,
        ui->lineEditGateway4, ui->lineEditPortNum, ui->lineEditSendGap1_3};
    for (int i = 0; i < rangeFields.size(); ++i)
        rangeFields[i]->setToolTip(ranges.value(i));

    installEditFilter();
    const auto combos = findChildren<QComboBox *>();
    for (QComboBox *combo : combos) {
        if (combo == ui->BoxChaneelSelect)
            continue;
        connect(combo, QOverload<int>::of(&QComboBox::activated), this,
            [this, combo](int index) { comboActivated(combo, index); });
    }
    const auto edits = findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits) {
        setParameterValidator(edit);
        connect(edit, &QLineEdit::editingFinished, this, [this, edit]() { editFinished(edit); });
    }
    // The slot port takes the port rule of the connection page instead.
    setNetworkPortValidator(ui->lineEditPortNum);
    reflow();
}

DataTrans::~DataTrans() { delete ui; }

void DataTrans::showPage()
{
    ui->retranslateUi(this);
    refresh(true);
}

void DataTrans::selectSlot(int index)
{
    slot = index;
    pageState().ethernetSlot = index;
    const QVector<QPushButton *> buttons = {ui->Btu_Connect1, ui->Btu_Connect2, ui->Btu_Connect3,
        ui->Btu_Connect4, ui->Btu_Connect5, ui->Btu_Connect6};
    for (int k = 0; k < buttons.size(); ++k)
        buttons[k]->setStyleSheet(QString::fromLatin1(k == index ? selectedSlotStyle() : plainSlotStyle()));
    drawSlot(true);
}

void DataTrans::on_Btu_Connect1_clicked() { selectSlot(0); }

void DataTrans::on_Btu_Connect2_clicked() { selectSlot(1); }

void DataTrans::on_Btu_Connect3_clicked() { selectSlot(2); }

void DataTrans::on_Btu_Connect4_clicked() { selectSlot(3); }

void DataTrans::on_Btu_Connect5_clicked() { selectSlot(4); }

void DataTrans::on_Btu_Connect6_clicked() { selectSlot(5); }

void DataTrans::drawSlot(bool force)
{
    const DeviceCopy &device = linkSession().device;
    // Device order of a slot: port, protocol, word format, send gap; drawn
    // port, send gap, protocol, word format.
    const int *words = device.ethernetSlots[qBound(0, slot, 5)];
    QWidget *const widgets[4]
        = {ui->lineEditPortNum, ui->BoxProtocol3, ui->BoxDwordFormat3, ui->lineEditSendGap1_3};
    for (int i : {0, 3, 1, 2}) {
        if (force || words[i] != shownSlot[i]) {
            shownSlot[i] = words[i];
            drawWord(widgets[i], words[i]);
        }
    }
}

void DataTrans::refresh(bool forced)
{
    const DeviceCopy &device = linkSession().device;
    const int remote = device.switches[SwitchDataTrans];
    if (showRemoteSwitch(SwitchDataTrans, lastRemote, forced))
        ui->widget_top->setVisible(remote == 0);

    if (forced || device.channelMode != lastMode) {
        lastMode = device.channelMode;
        const bool combined = device.channelMode == 1;
        ui->widget_independentAnalog->setVisible(!combined);
        ui->widget_combinedAnalog->setVisible(combined);
    }

    const int *blocks[] = {device.serial1, device.serial2, device.can};
    for (int i = 0; i < 30; ++i) {
        const int value = i < 18 ? blocks[i / 6][i % 6] : device.ethernet[i - 18];
        if (!interfaceWidgets[i])
            continue;
        if (forced || value != shownInterface[i]) {
            shownInterface[i] = value;
            drawWord(interfaceWidgets[i], value);
        }
    }

    for (int i = 0; i < 8; ++i) {
        const int value = i % 2 == 0 ? device.analogType[i / 2] : device.analogLink[i / 2];
        if (forced || value != shownAnalog[i]) {
            shownAnalog[i] = value;
            analogWidgets[i]->setCurrentIndex(value);
        }
    }
    if (forced || device.analogType[0] != shownCombined[0]) {
        shownCombined[0] = device.analogType[0];
        ui->Box_combinedAnalogType->setCurrentIndex(shownCombined[0]);
    }
    if (forced || device.analogLink[0] != shownCombined[1]) {
        shownCombined[1] = device.analogLink[0];
        ui->Box_combinedLinkData->setCurrentIndex(shownCombined[1]);
    }

    drawSlot(forced);
}

void DataTrans::comboActivated(QComboBox *, int index)
{
    if (!editArmed)
        return;
    editArmed = false;
    commitValue(editedWidget, QString::number(index));
}

int DataTrans::commitValue(QWidget *widget, const QString &text)
{
    const DeviceCopy &device = linkSession().device;
    const RegisterBinding *binding = widget ? findBinding(PageDataTrans, 0, widget->objectName()) : nullptr;
    if (!binding || !linkSession().modbusClient)
        return ParamPage::commitValue(widget, text);
    const int address = resolveAddress(PageDataTrans, *binding, 0, slot);
    const OwnLinkChange change
        = ownLinkChange(linkSession().appliedLink, device, address, registerTextToInt(text));
    if (!change.touchesLink)
        return ParamPage::commitValue(widget, text);

    QString question;
    if (change.certain && change.canReconnect)
        question = tr("This is a setting of the port this program is connected through: writing it ends the "
                      "connection. Write it, then reconnect with the new setting?");
    else if (change.certain)
        question = tr("This is a setting of the port this program is connected through: writing it ends the "
                      "connection, and the program cannot reconnect through this port. Write it?");
    else if (change.canReconnect)
        question
            = tr("This may be a setting of the port this program is connected through: writing it may end "
                 "the connection. Write it? If the device then stops answering, the program reconnects "
                 "with the new setting.");
    else
        question
            = tr("This may be a setting of the port this program is connected through: writing it may end "
                 "the connection. Write it?");
    if (!showTipsDialog(tr("Connection Setting"), question, 1, this)) {
        // Nothing is written: the widget shows the device's value again.
        if (auto *combo = qobject_cast<QComboBox *>(widget))
            combo->setCurrentIndex(editBackup.toInt());
        else if (auto *edit = qobject_cast<QLineEdit *>(widget))
            edit->setText(editBackup);
        return CommitNotWritten;
    }
    const int result = ParamPage::commitValue(widget, text);
    // Refused by the device (an exception answer) or no link: nothing changed.
    if ((result != Ok && result != TimedOut) || !change.canReconnect)
        return result;
    if (!change.certain && result == Ok && linkStillAnswers(LinkSettleMs))
        return result;
    emit ownLinkChanged(change.newLink);
    return result;
}

void DataTrans::editFinished(QLineEdit *edit)
{
    if (restoreEmptyField(edit))
        return;
    commitLineEdit(edit, edit->text());
}

void DataTrans::reflow()
{
    // Wide: the serial ports and CAN in one row, TCP-IP (two columns) beside
    // Analog below them. Narrower: TCP-IP takes a row of its own.
    const int columns = flowColumns(width(), 3);
    if (columns == flowColumnCount)
        return;
    flowColumnCount = columns;
    if (columns >= 3) {
        flowGroups(ui->gridLayout_groups,
            {{ui->widget_COM1, 1}, {ui->widget_COM2, 1}, {ui->widget_CanOpen, 1}, {ui->widget_TCPIP, 2},
                {ui->widget_Analog, 1}},
            columns);
    } else {
        flowGroups(ui->gridLayout_groups,
            {{ui->widget_COM1, 1}, {ui->widget_COM2, 1}, {ui->widget_TCPIP, 2}, {ui->widget_CanOpen, 1},
                {ui->widget_Analog, 1}},
            columns);
    }
}
