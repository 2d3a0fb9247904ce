#pragma once

#include "ui/pagestate.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QScrollArea;

// Common base of the six pages of the main window. It holds the page's edit
// state and the page event filter: focus-in and Return arm an edit, and focus-in
// keeps a backup of the value before the edit (editBackup) for a failed commit
// to put back. (The wheel never changes a value: installInputGuard.)
// A line edit is written when the user pressed Return in it, or when it is left
// with a text the user typed other than the one it had at focus-in: looking at a field (focus in
// and out without a change) writes nothing.
class ParamPage : public QWidget
{
    Q_OBJECT

public:
    explicit ParamPage(QWidget *parent = nullptr);

    // Called by the main window when the page is opened (re-translate, forced refresh).
    virtual void showPage() { }
    // Redraws the page from the device copy; forced redraws every widget.
    virtual void refresh(bool forced) { Q_UNUSED(forced) }
    // The main window's width after a resize step, and maximise/restore: the
    // page re-flows its group panels to the room it has.
    virtual void setWindowWidth(int width);
    virtual void setMaximized(bool maximized);

    // Where the window's pages are: the window's state once it hands it over
    // (setPageState), until then the page's own.
    PageState &pageState() { return *m_pageState; }
    void setPageState(PageState &state) { m_pageState = &state; }

    bool editArmed = false;
    QWidget *editedWidget = nullptr;
    // Text (combo: index) of the edited widget at focus-in.
    QString editBackup;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // Lays the page's group panels out for its current width.
    virtual void reflow() { }
    // Re-flows also whenever the scroll area's viewport changes size (a scroll
    // bar shown or hidden changes the room without resizing the page).
    void reflowWithViewport(QScrollArea *area);
    // Installs the page event filter on every combo box and line edit child.
    void installEditFilter();
    // The basic and calibration pages log "ctrlValBp==" with each backup.
    bool logBackup = false;

    // Gives a parameter line edit the validator all of them share: an optional
    // minus, digits, optionally a point and more digits; or nothing.
    static void setParameterValidator(QLineEdit *edit);
    // Commit rules of a finished line edit. An emptied field gets its backup
    // back, ends the edit (so the focus-out that follows writes nothing) and
    // returns true.
    bool restoreEmptyField(QLineEdit *edit);
    // Commits the converted text while the edit is armed and the user asked for
    // it (Return, or a text changed since focus-in), then leaves the field.
    // Returns the commit result, or CommitNotWritten when nothing was written.
    int commitLineEdit(QLineEdit *edit, const QString &converted);
    // Writes a widget's value through the common commit path (commitWidgetValue);
    // a page may ask the user first.
    virtual int commitValue(QWidget *widget, const QString &text);
    // Moves the focus off a field (to label_RemoteTip where it is shown), so that
    // the next click arms the field again.
    void leaveField(QWidget *field);
    // Shows the warning of the page's remote-editing switch in label_RemoteTip
    // while the switch is off (cleared while on). Runs only when the switch
    // differs from lastSeen (1 on, 0 off, -1 never seen) or when forced, and then
    // returns true with lastSeen updated.
    bool showRemoteSwitch(int switchIndex, int &lastSeen, bool forced);

    // The channel (0..3) chosen in a page's channel selector.
    static int currentChannel(const QComboBox *selector);
    // The first steps of a redraw on the pages with the channel selector (basic
    // and calibration). In combined mode the selector is hidden and the page
    // works on channel 1, so that no hidden choice moves the writes to another
    // channel's registers. A change of the page's remote switch forces the
    // whole redraw; a change of the channel mode, or a new switch warning, lays
    // the page out again (applyChannelModeLayout). Returns the channel to show.
    int startChannelRedraw(
        QComboBox *selector, int switchIndex, int &lastSwitch, int &lastMode, bool &forced);
    // Shows and hides the page's widgets for the channel mode.
    virtual void applyChannelModeLayout() { }

private:
    QWidget *reflowViewport = nullptr;
    // Text of the focused line edit at focus-in, and whether Return was pressed
    // in it since: together they decide whether a finished edit is written.
    QLineEdit *editStartField = nullptr;
    QString editStartText;
    bool returnPressed = false;
    PageState m_ownPageState;
    PageState *m_pageState = &m_ownPageState;
};
