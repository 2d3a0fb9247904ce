// The main window's own frame: the title bar's buttons, moving and resizing
// with the mouse, maximise and restore, and where the window shows up.

#include "params/appstate.h"
#include "ui/dialogs/popups.h"
#include "ui/pages/application.h"
#include "ui/pages/basicconfig.h"
#include "ui/pages/datatrans.h"
#include "ui/pages/maininterface.h"
#include "ui/pages/testmaintain.h"
#include "ui/pages/weightcal.h"
#include "ui/window/mainwindow.h"
#include "ui/window/windowplacement.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QWindow>

namespace {

// Height of the self-drawn title bar.
const int titleBarHeight = 40;

// Window edges of the border regions of MainWindow::hitTestBorder.
Qt::Edges edgesOfRegion(int region)
{
    switch (region) {
    case 1:
        return Qt::TopEdge;
    case 2:
        return Qt::BottomEdge;
    case 3:
        return Qt::LeftEdge;
    case 4:
        return Qt::RightEdge;
    case 5:
        return Qt::TopEdge | Qt::LeftEdge;
    case 6:
        return Qt::TopEdge | Qt::RightEdge;
    case 7:
        return Qt::BottomEdge | Qt::LeftEdge;
    case 8:
        return Qt::BottomEdge | Qt::RightEdge;
    default:
        return {};
    }
}

Qt::CursorShape cursorOfRegion(int region)
{
    switch (region) {
    case 1:
    case 2:
        return Qt::SizeVerCursor;
    case 3:
    case 4:
        return Qt::SizeHorCursor;
    case 5:
    case 8:
        return Qt::SizeFDiagCursor;
    case 6:
    case 7:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

} // namespace

void MainWindow::on_Btn_Min_clicked() { showMinimized(); }

void MainWindow::on_Btn_Close_clicked() { close(); }

void MainWindow::on_Btn_Max_clicked()
{
    // The window manager's maximised state: snapping, the system's own
    // maximise and a restore to the size before all agree with this button.
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange)
        tellPagesMaximized(isMaximized());
    QMainWindow::changeEvent(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->scrollArea_Main->viewport() && event->type() == QEvent::Resize) {
        fitBodyToViewport();
    } else if (event->type() == QEvent::LayoutRequest && !bodyFitQueued) {
        // The body's minimum changes with the texts (language, channel mode):
        // measured once the layouts asked for have been done.
        bodyFitQueued = true;
        QMetaObject::invokeMethod(this, &MainWindow::fitBodyToViewport, Qt::QueuedConnection);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::fitBodyToViewport()
{
    // Not the scroll area's own resizing: that takes the height the texts
    // prefer (a wrapped label asks for its height at the width), so the whole
    // body would scroll where the page alone should.
    bodyFitQueued = false;
    QWidget *body = ui->widget_Body;
    const QSize room = ui->scrollArea_Main->viewport()->size();
    QSize need = body->minimumSizeHint();
    // A wrapped text needs more height at a narrower width.
    QLayout *layout = body->layout();
    if (layout && layout->hasHeightForWidth())
        need.setHeight(qMax(need.height(), layout->minimumHeightForWidth(qMax(room.width(), need.width()))));
    body->resize(room.expandedTo(need));
}

void MainWindow::tellPagesWidth(int width)
{
    for (ParamPage *p :
        std::initializer_list<ParamPage *> {weightCal, basicConfig, dataTrans, mainInterface, application})
        p->setWindowWidth(width);
}

void MainWindow::tellPagesMaximized(bool maximized)
{
    for (ParamPage *p :
        std::initializer_list<ParamPage *> {mainInterface, basicConfig, weightCal, application, dataTrans})
        p->setMaximized(maximized);
}

void MainWindow::showPlaced()
{
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    const WindowPlacement remembered = readWindowPlacement(settings);
    QVector<QRect> screens;
    QScreen *primary = QGuiApplication::primaryScreen();
    if (primary)
        screens << primary->availableGeometry();
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen != primary)
            screens << screen->availableGeometry();
    }
    // The style sheet's sizes count in the minimum.
    ensurePolished();
    // Not shown yet: the window still has the form's size, its default.
    setGeometry(startGeometry(remembered, size(), minimumSizeHint(), screens));
    if (remembered.maximized)
        showMaximized();
    else
        show();
}

void MainWindow::showToolWindow(QWidget *window)
{
    // Inside the available area of the main window's screen, however small.
    QScreen *screen = QGuiApplication::screenAt(geometry().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen && !window->isVisible()) {
        const QRect area = screen->availableGeometry();
        if (!area.contains(window->frameGeometry()))
            window->setGeometry(fitIntoArea(window->geometry(), area, window->minimumSizeHint()));
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void MainWindow::saveWindowPlacement()
{
    const QString path = settingsFilePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return;
    QSettings settings(path, QSettings::IniFormat);
    WindowPlacement placement;
    placement.normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    if (!placement.normal.isValid())
        placement.normal = geometry();
    placement.maximized = isMaximized();
    writeWindowPlacement(settings, placement);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (testMaintain->workbookRunGoing()) {
        const int stop = showTipsDialog(
            tr("Quit"), tr("A workbook import or export is running. Stop it and quit?"), 1, this);
        if (stop != 1) {
            event->ignore();
            return;
        }
        testMaintain->cancelWorkbookRun();
    }
    finishAuditTrail();
    saveWindowPlacement();
    QMainWindow::closeEvent(event);
}

int MainWindow::hitTestBorder(const QPoint &point) const
{
    const int x = point.x();
    const int y = point.y();
    const int w = width() - 1;
    const int h = height() - 1;
    int region = 0;
    if (x < 5) {
        if (y <= 4)
            region = 5;
        else if (y >= h - 3 && y <= h)
            region = 7;
        else if (y > 5 && y < h - 4)
            region = 3;
    } else if (x > 5 && x < w - 9) {
        if (y <= 4)
            region = 1;
        else if (y >= h - 3 && y <= h)
            region = 2;
    }
    if (x >= w - 3 && x <= w) {
        if (y <= 4)
            region = 6;
        else if (y >= h - 4 && y <= h + 1)
            region = 8;
        else if (y > 5 && y < h - 4)
            region = 4;
    }
    return region;
}

bool MainWindow::startSystemDrag(int region)
{
    QWindow *handle = windowHandle();
    if (!handle)
        return false;
    return region == 0 ? handle->startSystemMove() : handle->startSystemResize(edgesOfRegion(region));
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        pressPoint = event->pos();
        systemDragTried = false;
        // A maximised window keeps its size; the window manager may still
        // move it out of the maximised state.
        resizing = !isMaximized() && hitTestBorder(pressPoint) != 0;
        dragging = !resizing && pressPoint.y() <= titleBarHeight;
    }
    QMainWindow::mousePressEvent(event);
}

void MainWindow::resizeStep(const QPoint &pos)
{
    borderRegion = hitTestBorder(pressPoint);
    const int dx = pos.x() - pressPoint.x();
    const int dy = pos.y() - pressPoint.y();
    QRect rect = geometry();
    const QRect before = rect;
    const Qt::Edges edges = edgesOfRegion(borderRegion);
    if (edges == Qt::Edges())
        return;
    if (edges & Qt::TopEdge)
        rect.setTop(rect.top() + dy);
    if (edges & Qt::BottomEdge) {
        rect.setBottom(rect.bottom() + dy);
        pressPoint.setY(pos.y());
    }
    if (edges & Qt::LeftEdge)
        rect.setLeft(rect.left() + dx);
    if (edges & Qt::RightEdge) {
        rect.setRight(rect.right() + dx);
        pressPoint.setX(pos.x());
    }
    // Never below the minimum size: an edge that would pass it stays put.
    if (rect.width() < minimumWidth()) {
        rect.setLeft(before.left());
        rect.setRight(before.right());
    }
    if (rect.height() < minimumHeight()) {
        rect.setTop(before.top());
        rect.setBottom(before.bottom());
    }
    setGeometry(rect);
    tellPagesWidth(rect.width());
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        // The release went elsewhere (a popup, the window manager).
        dragging = false;
        resizing = false;
    }
    // The first move of a drag hands it to the window manager where there is
    // one (it snaps, and moves a maximised window); a double click stays a
    // double click.
    if ((dragging || resizing) && !systemDragTried) {
        systemDragTried = true;
        if (startSystemDrag(resizing ? hitTestBorder(pressPoint) : 0)) {
            dragging = false;
            resizing = false;
        }
    }
    if (dragging && !isMaximized())
        move(mapToGlobal(event->pos()) - pressPoint);
    else if (resizing)
        resizeStep(event->pos());
    else if (!dragging)
        setCursor(isMaximized() ? Qt::ArrowCursor : cursorOfRegion(hitTestBorder(event->pos())));
    QMainWindow::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent *event)
{
    dragging = false;
    resizing = false;
    QMainWindow::mouseReleaseEvent(event);
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The title bar left of its buttons.
    const int buttonsLeft = ui->Btn_Help->mapTo(this, QPoint(0, 0)).x();
    if (event->pos().y() <= titleBarHeight && event->pos().x() < buttonsLeft)
        on_Btn_Max_clicked();
    QMainWindow::mouseDoubleClickEvent(event);
}
