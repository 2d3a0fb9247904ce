#include "ui/dialogs/inputdialog.h"

#include "ui/dialogs/inputguard.h"
#include "ui/dialogs/popups.h"
#include "ui_inputdialog.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOption>

InputDialog::InputDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::InputDialog)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    const QList<QWidget *> children = findChildren<QWidget *>();
    for (QWidget *child : children)
        child->installEventFilter(this);
    // Return on a focused button presses that button (Cancel included); in
    // any other child it confirms.
    installInputGuard(this);
    applyDialogFont(this);
    // The entry only takes focus on click; start with the cursor in it so the
    // password can be typed at once.
    ui->lineEdit_textStr->setFocus();
}

InputDialog::~InputDialog() { delete ui; }

void InputDialog::setTitle(const QString &text)
{
    ui->label_title->setText(text);
    setWindowTitle(text);
}

void InputDialog::paintEvent(QPaintEvent *event)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    QDialog::paintEvent(event);
}

bool InputDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            confirm();
    }
    return QDialog::eventFilter(watched, event);
}

void InputDialog::confirm()
{
    enteredText = ui->lineEdit_textStr->text();
    accepted = true;
    close();
}

void InputDialog::on_pushButton_clicked() { close(); }

void InputDialog::on_pushButton_ok_clicked() { confirm(); }

void InputDialog::on_pushButton_cancel_clicked() { close(); }
