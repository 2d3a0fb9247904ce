#include "ui/dialogs/inputguard.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWidget>

namespace {

bool isValueWidget(const QWidget *widget)
{
    if (qobject_cast<const QComboBox *>(widget) || qobject_cast<const QAbstractSpinBox *>(widget))
        return true;
    // Scroll bars are sliders too, and they are what the wheel is for.
    return qobject_cast<const QAbstractSlider *>(widget) && !qobject_cast<const QScrollBar *>(widget);
}

class InputGuard : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Wheel) {
            // Not accepted: the application hands the wheel on to the parents,
            // up to the scroll area that holds the widget.
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            auto *button = qobject_cast<QAbstractButton *>(watched);
            if (button && (key == Qt::Key_Return || key == Qt::Key_Enter) && button->isEnabled()
                && button->isVisible()) {
                button->click();
                return true;
            }
        }
        return false;
    }
};

} // namespace

void installInputGuard(QWidget *root)
{
    auto *guard = root->findChild<InputGuard *>(QString(), Qt::FindDirectChildrenOnly);
    if (!guard)
        guard = new InputGuard(root);
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *widget : widgets) {
        if (isValueWidget(widget)) {
            widget->installEventFilter(guard);
            if (widget->focusPolicy() == Qt::WheelFocus)
                widget->setFocusPolicy(Qt::StrongFocus);
        } else if (qobject_cast<QAbstractButton *>(widget)) {
            widget->installEventFilter(guard);
        }
    }
}

#include "inputguard.moc"
