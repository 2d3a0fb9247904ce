#pragma once

// Helpers of the page tests: arming an edit the way a user does (focus-in)
// and answering modal popups from a timer while the page waits in them.

#include "ui/pages/parampage.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QWidget>

// Gives the widget the keyboard focus so the page's event filter arms the edit.
inline bool armEdit(ParamPage *page, QWidget *widget)
{
    QWidget *window = widget->window();
    window->show();
    QApplication::setActiveWindow(window);
    widget->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    if (!page->editArmed || page->editedWidget != widget) {
        QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(widget, &focusIn);
    }
    return page->editArmed && page->editedWidget == widget;
}

// Chooses an item the way a user does: the list's current index changes, then activated.
inline void activateItem(QComboBox *combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

inline void finishEdit(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    edit->setModified(true); // as typed by the user
    emit edit->editingFinished();
}

// Answers InputDialog and TipsDialog popups in the order of a script:
// "password:<text>", "cancel", "ok". Every popup seen is recorded as
// "InputDialog" or "TipsDialog:<message>".
class PopupAnswerer : public QObject
{
public:
    QStringList script;
    QStringList seen;

    PopupAnswerer()
    {
        connect(&timer, &QTimer::timeout, this, [this] { poll(); });
        timer.start(20);
    }

private:
    void poll()
    {
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            if (!w->isVisible() || w->property("answered").toBool())
                continue;
            const QString cls = QString::fromLatin1(w->metaObject()->className());
            if (cls != QLatin1String("InputDialog") && cls != QLatin1String("TipsDialog"))
                continue;
            w->setProperty("answered", true);
            if (cls == QLatin1String("InputDialog")) {
                seen << cls;
            } else {
                auto *message = w->findChild<QLabel *>(QStringLiteral("label_tipsMesg"));
                seen << cls + QLatin1Char(':') + (message ? message->text() : QString());
            }
            const QString action = script.isEmpty() ? QStringLiteral("ok") : script.takeFirst();
            // Answer after the dialog's own event loop is running.
            QTimer::singleShot(10, w, [w, action] { answer(w, action); });
        }
    }

    static void answer(QWidget *w, const QString &action)
    {
        if (action.startsWith(QLatin1String("password:"))) {
            if (auto *edit = w->findChild<QLineEdit *>(QStringLiteral("lineEdit_textStr")))
                edit->setText(action.mid(9));
            w->findChild<QPushButton *>(QStringLiteral("pushButton_ok"))->click();
        } else if (action == QLatin1String("cancel")) {
            w->findChild<QPushButton *>(QStringLiteral("pushButton_cancel"))->click();
        } else {
            auto *ok = w->findChild<QPushButton *>(QStringLiteral("pushButton_ok"));
            if (ok && ok->isVisible())
                ok->click();
            else
                w->close();
        }
    }

    QTimer timer;
};
