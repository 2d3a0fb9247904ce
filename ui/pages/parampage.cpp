#include "ui/pages/parampage.h"

#include "link/linksession.h"
#include "params/appstate.h"
#include "params/devicecopy.h"
#include "params/logcategories.h"
#include "params/registermap.h"
#include "ui/pages/commitengine.h"
#include "ui/pagestate.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QTimer>

ParamPage::ParamPage(QWidget *parent)
    : QWidget(parent)
{
}

void ParamPage::installEditFilter()
{
    const auto combos = findChildren<QComboBox *>();
    for (QComboBox *combo : combos)
        combo->installEventFilter(this);
    const auto edits = findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits)
        edit->installEventFilter(this);
}

void ParamPage::setWindowWidth(int width)
{
    Q_UNUSED(width)
    reflow();
}

void ParamPage::setMaximized(bool maximized)
{
    Q_UNUSED(maximized)
    // The stack resizes the page only after the window geometry changed.
    QTimer::singleShot(0, this, [this] { reflow(); });
}

void ParamPage::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    reflow();
}

void ParamPage::reflowWithViewport(QScrollArea *area)
{
    reflowViewport = area->viewport();
    reflowViewport->installEventFilter(this);
}

bool ParamPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == reflowViewport) {
        // Scrolling the viewport stays as it is; only its size matters here.
        if (event->type() == QEvent::Resize)
            reflow();
        return false;
    }
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Return) {
            editArmed = true;
            returnPressed = true;
        }
        break;
    case QEvent::FocusIn: {
        editArmed = true;
        returnPressed = false;
        editedWidget = QApplication::focusWidget();
        if (!editedWidget)
            editedWidget = qobject_cast<QWidget *>(watched);
        if (auto *combo = qobject_cast<QComboBox *>(editedWidget)) {
            editBackup = QString::number(combo->currentIndex());
        } else if (auto *edit = qobject_cast<QLineEdit *>(editedWidget)) {
            editBackup = edit->text();
            editStartField = edit;
            editStartText = edit->text();
            // Only what the user types counts as an edit: a poll that redraws
            // the focused field (setText) clears this again.
            edit->setModified(false);
        }
        if (logBackup)
            qCDebug(lcCommit).noquote() << "editing" << editedWidget->objectName() << "from" << editBackup;
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ParamPage::setParameterValidator(QLineEdit *edit)
{
    static const QRegularExpression pattern(QStringLiteral("-?[0-9]+[.][0-9]*|-?[0-9]+|^$"));
    edit->setValidator(new QRegularExpressionValidator(pattern, edit));
}

bool ParamPage::restoreEmptyField(QLineEdit *edit)
{
    if (!edit->text().isEmpty())
        return false;
    editArmed = false;
    returnPressed = false;
    edit->setText(editBackup);
    leaveField(edit);
    return true;
}

int ParamPage::commitLineEdit(QLineEdit *edit, const QString &converted)
{
    if (!editArmed)
        return CommitNotWritten;
    // Leaving a field unchanged ends the edit without a write; Return on an
    // unchanged value still writes it (the user asked for it).
    const bool requested
        = returnPressed || edit != editStartField || (edit->isModified() && edit->text() != editStartText);
    editArmed = false;
    returnPressed = false;
    if (!requested)
        return CommitNotWritten;
    // The field that finished is the one written, whatever had the focus last.
    const int result = commitValue(edit, converted);
    leaveField(edit);
    return result;
}

int ParamPage::commitValue(QWidget *widget, const QString &text)
{
    return commitWidgetValue(pageState(), widget, text, editBackup);
}

void ParamPage::leaveField(QWidget *field)
{
    // A field left by Tab or a click has already given the focus away: it
    // stays where the user put it.
    if (!field->hasFocus())
        return;
    QWidget *tip = findChild<QWidget *>(QStringLiteral("label_RemoteTip"));
    if (tip && tip->isVisible())
        tip->setFocus(Qt::OtherFocusReason);
    if (field->hasFocus())
        field->clearFocus();
}

int ParamPage::currentChannel(const QComboBox *selector) { return qBound(0, selector->currentIndex(), 3); }

int ParamPage::startChannelRedraw(
    QComboBox *selector, int switchIndex, int &lastSwitch, int &lastMode, bool &forced)
{
    const DeviceCopy &device = linkSession().device;
    if (device.channelMode == 1 && selector->currentIndex() != 0) {
        selector->setCurrentIndex(0);
        pageState().selectedChannel = 0;
        forced = true;
    }
    const int channel = currentChannel(selector);

    const int switchBefore = lastSwitch;
    const bool layoutStep = showRemoteSwitch(switchIndex, lastSwitch, forced);
    if (lastSwitch != switchBefore)
        forced = true;
    if (device.channelMode != lastMode || layoutStep) {
        lastMode = device.channelMode;
        applyChannelModeLayout();
    }
    return channel;
}

bool ParamPage::showRemoteSwitch(int switchIndex, int &lastSeen, bool forced)
{
    const DeviceCopy &device = linkSession().device;
    const int on = device.switches[switchIndex] != 0 ? 1 : 0;
    if (!forced && on == lastSeen)
        return false;
    lastSeen = on;
    if (auto *tip = findChild<QLabel *>(QStringLiteral("label_RemoteTip"))) {
        // The warning is translated in the context of the page that shows it.
        tip->setText(on ? QString()
                        : QCoreApplication::translate(
                            metaObject()->className(), remoteSwitches().at(switchIndex).offText));
    }
    return true;
}
