#include "ui/link/modbusparasetdialog.h"

#include "ui/dialogs/inputguard.h"
#include "ui/dialogs/popups.h"
#include "ui/link/modbussetting.h"
#include "ui_modbusparasetdialog.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSpinBox>

ModbusParaSetDialog::ModbusParaSetDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ModbusParaSetDialog)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);

    const auto filtered = findChildren<QWidget *>();
    for (QWidget *w : filtered) {
        if (qobject_cast<QLineEdit *>(w) || qobject_cast<QSpinBox *>(w))
            w->installEventFilter(this);
    }
    installInputGuard(this);
    connect(ui->lineEdit_HostIP, &QLineEdit::editingFinished, this, &ModbusParaSetDialog::lineEditFinished);
    connect(ui->lineEdit_Port, &QLineEdit::editingFinished, this, &ModbusParaSetDialog::lineEditFinished);
    connect(ui->spinBox_SlaveID, &QSpinBox::editingFinished, this, &ModbusParaSetDialog::lineEditFinished);
    connect(ui->spinBox_Delay, &QSpinBox::editingFinished, this, &ModbusParaSetDialog::lineEditFinished);

    ui->lineEdit_HostIP->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(hostAddressPattern)), this));
    setNetworkPortValidator(ui->lineEdit_Port);

    on_comboBox_Protocol_textActivated(QStringLiteral("Modbus RTU"));
    applyDialogFont(this);
}

ModbusParaSetDialog::~ModbusParaSetDialog() { delete ui; }

bool ModbusParaSetDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        focusedWidget = qobject_cast<QWidget *>(watched);
        if (auto *edit = qobject_cast<QLineEdit *>(watched))
            focusBackup = edit->text();
        else if (auto *spin = qobject_cast<QSpinBox *>(watched))
            focusBackup = spin->text();
    }
    return QDialog::eventFilter(watched, event);
}

void ModbusParaSetDialog::lineEditFinished()
{
    auto *edit = qobject_cast<QLineEdit *>(sender());
    if (edit && edit->text().isEmpty())
        edit->setText(focusBackup);
    // After Return; a field left by Tab or a click keeps the new focus.
    auto *field = qobject_cast<QWidget *>(sender());
    if (field && field->hasFocus())
        ui->label_Protocol->setFocus();
}

void ModbusParaSetDialog::on_comboBox_Protocol_textActivated(const QString &protocol)
{
    // The item text is compared as shown, so a translated list works too.
    const bool rtu
        = protocol == QLatin1String("Modbus RTU") || protocol == ui->comboBox_Protocol->itemText(0);
    const QList<QWidget *> serialRows
        = {ui->label_Serial, ui->comboBox_Serial, ui->label_slaveID, ui->spinBox_SlaveID, ui->label_BaudRate,
            ui->comboBox_BaudRate, ui->label_DataBit, ui->comboBox_DataBits, ui->label_Parity,
            ui->comboBox_Parity, ui->label_StopBit, ui->comboBox_StopBit};
    const QList<QWidget *> networkRows
        = {ui->label_HostIP, ui->lineEdit_HostIP, ui->label_Port, ui->lineEdit_Port};
    for (QWidget *w : serialRows)
        w->setVisible(rtu);
    for (QWidget *w : networkRows)
        w->setVisible(!rtu);
    // RTU over TCP reaches devices behind a converter by their server address.
    const bool rtuOverTcp = protocol == QLatin1String("Modbus RTU over TCP")
        || protocol == ui->comboBox_Protocol->itemText(int(ConnectionType::RtuOverTcp));
    if (rtuOverTcp) {
        ui->label_slaveID->setVisible(true);
        ui->spinBox_SlaveID->setVisible(true);
    }
    if (!rtu)
        ui->label_Protocol->setFocus();
}

void ModbusParaSetDialog::setParameters(const LinkParameters &parameters)
{
    link = parameters;
    ui->comboBox_Protocol->setCurrentIndex(int(link.connectType));
    on_comboBox_Protocol_textActivated(ui->comboBox_Protocol->currentText());
    ui->lineEdit_HostIP->setText(link.hostAddress);
    ui->lineEdit_Port->setText(link.networkPort);
    ui->comboBox_Serial->clear();
    ui->comboBox_Serial->refreshPorts();
    // A port that is not listed (unplugged, or a pseudo terminal) stays the
    // choice, so that OK without changes keeps the link as it was.
    if (link.serialPortName.isEmpty())
        ui->comboBox_Serial->setCurrentIndex(-1);
    else if (!ui->comboBox_Serial->selectPort(link.serialPortName))
        ui->comboBox_Serial->addUnlistedPort(link.serialPortName);
    ui->spinBox_SlaveID->setValue(link.serverAddress);
    ui->comboBox_BaudRate->setCurrentText(QString::number(link.baud));
    ui->comboBox_DwordFormat->setCurrentIndex(int(link.wordOrder));
    ui->spinBox_Delay->setValue(link.responseTime);
    ui->comboBox_DataBits->setCurrentText(QString::number(link.dataBits));
    ui->comboBox_Parity->setCurrentIndex(indexFromParity(link.parity));
}

void ModbusParaSetDialog::on_pushButton_OK_clicked()
{
    isAccepted = true;
    link.connectType = connectionTypeFromIndex(ui->comboBox_Protocol->currentIndex());
    link.hostAddress = ui->lineEdit_HostIP->text();
    link.networkPort = ui->lineEdit_Port->text();
    // A serial port that is not listed (no ports on the machine) keeps its name.
    if (ui->comboBox_Serial->currentIndex() >= 0)
        link.serialPortName = ui->comboBox_Serial->currentPortName();
    link.serverAddress = ui->spinBox_SlaveID->value();
    link.wordOrder = wordOrderFromIndex(ui->comboBox_DwordFormat->currentIndex());
    link.responseTime = ui->spinBox_Delay->value();
    link.baud = ui->comboBox_BaudRate->currentText().toInt();
    link.dataBits = ui->comboBox_DataBits->currentText().toInt();
    link.parity = parityFromIndex(ui->comboBox_Parity->currentIndex());
    link.stopBits = ui->comboBox_StopBit->currentText().toInt();
    accept();
}

void ModbusParaSetDialog::on_pushButton_close_clicked() { reject(); }
