#include "ui/dialogs/tipsdialog.h"

#include "ui/dialogs/inputguard.h"
#include "ui/dialogs/popups.h"
#include "ui/pagestate.h"
#include "ui_tipsdialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyleOption>
#include <QTimer>

TipsDialog::TipsDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TipsDialog)
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
}

TipsDialog::~TipsDialog() { delete ui; }

void TipsDialog::setTitle(const QString &text)
{
    titleText = text;
    ui->label_title->setText(text);
    setWindowTitle(text);
}

void TipsDialog::setMessage(const QString &text) { ui->label_tipsMesg->setText(text); }

void TipsDialog::setIconImage(const QString &resourcePath)
{
    ui->label_iconType->setStyleSheet(QStringLiteral("border-image: url(%1);").arg(resourcePath));
}

void TipsDialog::hideIcon() { ui->label_iconType->hide(); }

void TipsDialog::setButtonMode(int mode)
{
    if (mode == 0) {
        ui->pushButton_cancel->hide();
    } else if (mode == 1) {
        ui->pushButton_ok->hide();
    } else {
        ui->pushButton_ok->hide();
        ui->pushButton_cancel->hide();
    }
}

void TipsDialog::setConfirmText(const QString &text) { ui->pushButton_ok->setText(text); }

void TipsDialog::armAutoClose(int stayOpen)
{
    if (stayOpen == 0)
        QTimer::singleShot(1000, this, [this] { close(); });
}

void TipsDialog::fitMessage()
{
    QLabel *label = ui->label_tipsMesg;
    label->ensurePolished(); // the style sheet's font size applies from here on
    const int textWidth = label->fontMetrics().horizontalAdvance(label->text());
    // Room beside the text: the row's margins, the status icon and the spacing.
    const int besideText = 2 * 20 + ui->label_iconType->width() + 2 * layout()->spacing() + 20;
    const int maxWidth = 700;
    const int width = qBound(
        minimumWidth() > 0 ? minimumWidth() : 375, qMax(this->width(), textWidth + besideText), maxWidth);
    int height = this->height();
    if (layout()->hasHeightForWidth())
        height = qMax(height, layout()->totalHeightForWidth(width));
    else
        height = qMax(height, layout()->totalSizeHint().height());
    resize(width, height);
}

void TipsDialog::paintEvent(QPaintEvent *event)
{
    // Draw the background and border the style sheet gives the dialog.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);

    // The corner-correction popups centre themselves on the window of the
    // page that opened them (the main window) each time their geometry changes.
    QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (titleText == tr("Angle Correct") && owner) {
        const QRect own = geometry();
        if (own != lastCentredGeometry) {
            lastCentredGeometry = own;
            const QRect main = owner->geometry();
            const int left = main.left() + ((main.right() - main.left()) - (own.right() - own.left())) / 2;
            const int top = main.top() + ((main.bottom() - main.top()) - (own.bottom() - own.top())) / 2;
            move(left, top);
        }
    }
    QDialog::paintEvent(event);
}

bool TipsDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            confirmed = true;
            close();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TipsDialog::on_pushButton_clicked() { close(); }

void TipsDialog::on_pushButton_ok_clicked()
{
    confirmed = true;
    close();
}

void TipsDialog::on_pushButton_cancel_clicked() { close(); }
