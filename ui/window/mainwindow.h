#pragma once

#include "link/linkparameters.h"
#include "link/linksession.h"
#include "ui/pagestate.h"

#include <QMainWindow>
#include <QPoint>
#include <QRect>

#include <memory>

namespace Ui {
class MainWindow;
}

class QTimer;
class QTranslator;
class ModbusSetting;
class ParamPage;
class MainInterface;
class BasicConfig;
class Application;
class WeightCal;
class DataTrans;
class TestMaintain;
class LiveDisplay;
class TrafficLogWindow;
class HelpDialog;
class AuditTrail;

// The one top-level window: its own title bar, navigation, the live weight area,
// the page stack, the link status line, and the poll tick.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // With a link session of its own, current while the window lives.
    explicit MainWindow(QWidget *parent = nullptr);
    // With the given session (made current while the window lives).
    explicit MainWindow(LinkSession &link, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Border region of a point relative to the window: 0 none, 1 top, 2 bottom,
    // 3 left, 4 right, 5 top-left, 6 top-right, 7 bottom-left, 8 bottom-right.
    int hitTestBorder(const QPoint &point) const;

    // The poll tick (every PollPeriodMs from the first connection on).
    void pollTick();
    // Reads the groups of the page on show and lets it redraw; returns the result
    // of the reads (0 when nothing was read).
    int pagePeriodicRead();
    void showPage(int k);
    void applyLanguage();

    // Page number 0..5 (navigation order) or 7 (connection page).
    QWidget *page(int k) const;
    ModbusSetting *connectionPage() const { return modbusSetting; }
    TestMaintain *testMaintainPage() const { return testMaintain; }
    // Where the pages are (the page shown, the channel, sub-table and slot
    // they share); the window hands it to every page.
    PageState &pageState() { return pages; }
    QTimer *pollTimerObject() const { return pollTimer; }
    static constexpr int PollPeriodMs = 500;
    QTimer *disconnectTimerObject() const { return disconnectTimer; }
    QTimer *reconnectTimerObject() const { return reconnectTimer; }
    int stackIndexOf(int k) const;
    const LinkParameters &statusLink() const { return linkInfo; }
    int languageInUse() const { return language; }
    // The traffic log window, once the "Traffic" button has opened it (else null).
    TrafficLogWindow *trafficWindow() const { return trafficLogWindow; }
    // The Help window, once F1 or its button has opened it (else null).
    HelpDialog *helpWindow() const { return helpDialog; }

    // The configuration history of the window's own writes to the connected
    // device (app/mainwindow_history.cpp). Each finished write of a page edit,
    // command, calibration step or reset goes to auditTrail()->recordWrite.
    AuditTrail *auditTrail() const { return writeTrail; }

    // Shows the window where the settings file last saw it (maximised if it
    // was), or at its default size; inside a screen's available area either way.
    void showPlaced();

public slots:
    void initActions();
    void disconnectModbus();
    void reConnectModbus();
    void on_ButtonDisconnect_clicked();
    void on_ButtonMainInterface_clicked();
    void on_ButtonBasicConfig_clicked();
    void on_ButtonWeightCal_clicked();
    void on_ButtonApplication_clicked();
    void on_ButtonDataTrans_clicked();
    void on_ButtonTestMaintain_clicked();
    void InitLinkParam();
    void on_Btn_Max_clicked();
    void on_Btn_Min_clicked();
    void on_Btn_Close_clicked();
    void on_Btn_ChangeLanguage_clicked();
    void jumptoSerialSetting();
    void on_Btn_SlaveIdSet_clicked();
    void on_Btn_TrafficLog_clicked();
    void on_Btn_Help_clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Asks first while a workbook run goes on; remembers the window's placement.
    void closeEvent(QCloseEvent *event) override;

private:
    void setNavigationStyle(int k);
    void refreshCurrentPage();
    void onConnected();
    void tellPagesWidth(int width);
    void tellPagesMaximized(bool maximized);
    void makeShortcuts();
    void orderTabChain();
    // The live weights and the page fill the room between the title bar and
    // the bottom line, and scroll only when the window is lower or narrower
    // than their minimum (a page scrolls by itself before that).
    void fitBodyToViewport();
    // "Q4 Config", and the device while one is connected.
    void updateWindowTitle();
    void saveWindowPlacement();
    // Shows a window of the program's (traffic log, help) inside the screen.
    void showToolWindow(QWidget *window);
    // Moves or resizes the window with the mouse: through the window manager
    // where there is one, by the window's own steps otherwise.
    bool startSystemDrag(int region);
    void resizeStep(const QPoint &pos);
    // Takes the link down and makes it again with these parameters (500 ms later).
    void switchLink(const LinkParameters &link);
    // The trail of the window's writes: made once; started for the device at
    // connect (its serial number read then) and at the first good poll after a
    // link switch; finished (pending writes committed) at disconnect, link
    // switch and exit.
    void setUpAuditTrail();
    void startAuditTrail();
    void finishAuditTrail();

    Ui::MainWindow *ui;
    MainWindow(LinkSession *given, QWidget *parent);

    std::unique_ptr<LinkSession> ownSession; // null when given one
    LinkSession &session;
    LinkSession::Current sessionCurrent;
    PageState pages;
    QTimer *pollTimer = nullptr;
    QRect rememberedGeometry; // before the last maximise
    ModbusSetting *modbusSetting = nullptr;
    MainInterface *mainInterface = nullptr;
    BasicConfig *basicConfig = nullptr;
    Application *application = nullptr;
    WeightCal *weightCal = nullptr;
    DataTrans *dataTrans = nullptr;
    TestMaintain *testMaintain = nullptr;
    LiveDisplay *liveDisplay = nullptr;
    TrafficLogWindow *trafficLogWindow = nullptr; // made on first use, then reused
    HelpDialog *helpDialog = nullptr; // made on first use, then reused
    AuditTrail *writeTrail = nullptr;
    bool auditTrailRestart = false; // a link switch: start the trail again at the next good poll
    int pageStackIndex[8] = {-1, -1, -1, -1, -1, -1, -1, -1}; // by page number; 7 = connection page
    QTranslator *currentTranslator = nullptr;
    int language = 0;
    // The language font is given to the window's widgets once, at start-up.
    bool languageFontApplied = false;
    LinkParameters linkInfo;
    bool dragging = false;
    bool resizing = false;
    bool systemDragTried = false; // this press's drag was offered to the window manager
    bool bodyFitQueued = false;
    QPoint pressPoint;
    int borderRegion = 0;
    QTimer *disconnectTimer = nullptr;
    QTimer *reconnectTimer = nullptr;
};
