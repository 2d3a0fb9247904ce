// The main window on a laptop's screen, under Xvfb at 1366 x 768 and at
// 1920 x 1080 scaled 150 % and 200 %: it starts inside the screen's available
// area, the title-bar buttons and the bottom line can be seen, every control
// of every page (and of the dialogs) can be scrolled into view, and no control
// is squeezed or overlaps another, in English and after a switch to Chinese.
//
// Each screen is its own Xvfb server and its own run of this program (the
// scale factor is read when the application starts): the child run does the
// checks, the parent starts the server and the child and reports the result.

#include "link/linksession.h"
#include "link/transactions.h"
#include "params/appstate.h"
#include "support/requiredtool.h"
#include "support/simulatorprocess.h"
#include "ui/dialogs/helpdialog.h"
#include "ui/link/modbusparasetdialog.h"
#include "ui/link/modbussetting.h"
#include "ui/link/scandialog.h"
#include "ui/link/trafficlogwindow.h"
#include "ui/pagestate.h"
#include "ui/window/mainwindow.h"
#include "ui/window/startup.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

namespace {

const char childVariable[] = "Q4_SCREENFIT_CHILD";

// A control the user works with (not a part of another control).
bool isControl(const QWidget *w)
{
    if (qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractSpinBox *>(w)
        || qobject_cast<const QAbstractButton *>(w))
        return true;
    const auto *edit = qobject_cast<const QLineEdit *>(w);
    return edit && !qobject_cast<const QAbstractSpinBox *>(w->parentWidget())
        && !qobject_cast<const QComboBox *>(w->parentWidget());
}

// The controls and the labels with text, shown, under root.
QList<QWidget *> shownItems(QWidget *root)
{
    QList<QWidget *> items;
    const auto widgets = root->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        // The scroll buttons of a tab bar are the bar's own business.
        if (!w->isVisibleTo(root) || w->isWindow() || qobject_cast<QTabBar *>(w->parentWidget()))
            continue;
        const auto *label = qobject_cast<const QLabel *>(w);
        if (isControl(w) || (label && !label->text().isEmpty()))
            items << w;
    }
    return items;
}

QString describe(const QWidget *w)
{
    QString text;
    if (const auto *label = qobject_cast<const QLabel *>(w))
        text = label->text();
    else if (const auto *button = qobject_cast<const QAbstractButton *>(w))
        text = button->text();
    return QStringLiteral("%1 %2 \"%3\"")
        .arg(QLatin1String(w->metaObject()->className()), w->objectName(), text.left(30));
}

// Scrolls every scroll area around w (the innermost first) so that w shows,
// and says what of w stays out of sight.
QString bringIntoView(QWidget *w)
{
    QList<QScrollArea *> areas;
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(p))
            areas << area;
    }
    for (QScrollArea *area : areas) {
        // The whole widget (ensureWidgetVisible shows only a line edit's cursor).
        const QPoint centre = w->mapTo(area->widget(), w->rect().center());
        area->ensureVisible(centre.x(), centre.y(), w->width() / 2 + 1, w->height() / 2 + 1);
    }
    QCoreApplication::processEvents();
    const QRect seen = w->visibleRegion().boundingRect();
    // A control larger than the room it scrolls in shows as much as there is room for.
    QSize room = w->window()->size();
    for (QScrollArea *area : areas)
        room = room.boundedTo(area->viewport()->size());
    const QSize needed = w->size().boundedTo(room);
    if (seen.width() >= needed.width() && seen.height() >= needed.height())
        return QString();
    return QStringLiteral("%1 cannot be brought into view (seen %2 x %3 of %4 x %5)")
        .arg(describe(w))
        .arg(seen.width())
        .arg(seen.height())
        .arg(w->width())
        .arg(w->height());
}

// The size an item needs to show all of itself, as its layout sees it: a
// minimum its form sets stands for its own (a fixed height, say), else its
// minimum size hint; a plain-text label needs its text without the blanks
// that pad it.
QSize neededSize(const QWidget *w)
{
    QSize hint = w->minimumSizeHint();
    const auto *label = qobject_cast<const QLabel *>(w);
    if (label && label->textFormat() != Qt::RichText && !Qt::mightBeRichText(label->text())) {
        const int frame = 2 * (label->frameWidth() + label->margin()) + qMax(label->indent(), 0);
        hint = QSize(label->fontMetrics().horizontalAdvance(label->text().trimmed()) + frame,
            label->fontMetrics().height());
    }
    const QSize need(w->minimumWidth() > 0 ? w->minimumWidth() : hint.width(),
        w->minimumHeight() > 0 ? w->minimumHeight() : hint.height());
    return need.boundedTo(w->maximumSize());
}

// A shown item squeezed below the size it needs, or two sibling items on top
// of each other.
QStringList layoutFaults(QWidget *root)
{
    QStringList faults;
    const QList<QWidget *> items = shownItems(root);
    for (QWidget *w : items) {
        const QSize need = neededSize(w);
        // A word-wrapped label may trade width for height.
        const auto *label = qobject_cast<const QLabel *>(w);
        const bool wraps = label && label->wordWrap();
        if ((!wraps && w->width() < need.width()) || w->height() < need.height())
            faults << QStringLiteral("%1 squeezed to %2 x %3, needs %4 x %5")
                          .arg(describe(w))
                          .arg(w->width())
                          .arg(w->height())
                          .arg(need.width())
                          .arg(need.height());
    }
    for (int i = 0; i < items.size(); ++i) {
        for (int j = i + 1; j < items.size(); ++j) {
            QWidget *a = items.at(i);
            QWidget *b = items.at(j);
            if (a->parentWidget() != b->parentWidget() || a->isAncestorOf(b) || b->isAncestorOf(a))
                continue;
            if (a->geometry().intersects(b->geometry()))
                faults << QStringLiteral("%1 overlaps %2").arg(describe(a), describe(b));
        }
    }
    return faults;
}

QStringList tabsShown(QWidget *page, const std::function<QStringList()> &check)
{
    QStringList faults = check();
    const auto tabWidgets = page->findChildren<QTabWidget *>();
    for (QTabWidget *tabs : tabWidgets) {
        if (!tabs->isVisibleTo(page))
            continue;
        const int before = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            if (i == before)
                continue;
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            faults << check();
        }
        tabs->setCurrentIndex(before);
    }
    return faults;
}

// Every fault of window w's current content: controls out of reach, squeezed
// or overlapping.
QStringList contentFaults(QWidget *content)
{
    QStringList faults = layoutFaults(content);
    const auto items = shownItems(content);
    for (QWidget *w : items) {
        if (isControl(w)) {
            const QString fault = bringIntoView(w);
            if (!fault.isEmpty())
                faults << fault;
        }
    }
    return faults;
}

// Lets the layouts asked for by a change be done (one asks for the next).
void settle()
{
    for (int pass = 0; pass < 4; ++pass) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
    }
}

QString windowOutside(QWidget *w)
{
    QScreen *screen = w->screen();
    const QRect available = screen->availableGeometry();
    if (available.contains(w->frameGeometry()))
        return QString();
    return QStringLiteral("%1 at (%2, %3) %4 x %5 leaves the screen's area %6 x %7")
        .arg(w->objectName())
        .arg(w->frameGeometry().x())
        .arg(w->frameGeometry().y())
        .arg(w->frameGeometry().width())
        .arg(w->frameGeometry().height())
        .arg(available.width())
        .arg(available.height());
}

void report(const QStringList &faults)
{
    for (const QString &fault : faults)
        qWarning("%s", qPrintable(fault));
    QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("%1 faults, listed above").arg(faults.size())));
}

} // namespace

// The checks, run inside the child on the screen the parent prepared.
class ScreenFitChild : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dataDir;
    SimulatorProcess sim;
    MainWindow *window = nullptr;

    void showAllPages(const std::function<void(const QString &)> &check)
    {
        for (int k = 0; k <= 5; ++k) {
            window->showPage(k);
            settle();
            check(QStringLiteral("page %1").arg(k));
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        setDataDirectory(dataDir.path());
        QDir().mkpath(dataDir.path() + QStringLiteral("/Setting"));
        QSettings settings(settingsFilePath(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Q4/connectType"), 1);
        settings.setValue(QStringLiteral("Q4/EditHostIP"), sim.host());
        settings.setValue(QStringLiteral("Q4/EditPort"), QString::number(sim.port()));
        QFile styleFile(QStringLiteral(":/Qss/SheetStyle.qss"));
        QVERIFY(styleFile.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(styleFile.readAll()));
    }

    void cleanupTestCase()
    {
        delete window;
        window = nullptr;
    }

    // The window comes up inside the available area with its whole title bar,
    // and the connection page's controls can be reached.
    void startsInsideTheScreen()
    {
        window = new MainWindow;
        window->showPlaced();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCoreApplication::processEvents();
        const QString outside = windowOutside(window);
        QVERIFY2(outside.isEmpty(), qPrintable(outside));
        for (const char *name : {"Btn_Help", "Btn_ChangeLanguage", "Btn_Min", "Btn_Max", "Btn_Close"}) {
            auto *button = window->findChild<QWidget *>(QLatin1String(name));
            QVERIFY2(button && button->isVisible(), name);
            QVERIFY2(button->visibleRegion().boundingRect() == button->rect(), name);
        }
        const QStringList faults = contentFaults(window->page(PageConnection));
        report(faults);
    }

    // Connected: every page, each of its tabs, in English, after a switch to
    // Chinese, and in combined channel mode (more columns and panels).
    void pagesFitInBothLanguages()
    {
        QVERIFY(window);
        window->connectionPage()->on_connectButton_clicked();
        QTRY_COMPARE_WITH_TIMEOUT(window->pageState().currentPage, int(PageMonitoring), 10000);
        auto *bottom = window->findChild<QWidget *>(QStringLiteral("widget_down"));
        auto *weights = window->findChild<QWidget *>(QStringLiteral("WeightDisplay"));
        auto *language = window->findChild<QAbstractButton *>(QStringLiteral("Btn_ChangeLanguage"));
        QStringList faults;
        const QString passes[]
            = {QStringLiteral("English"), QStringLiteral("Chinese"), QStringLiteral("combined mode")};
        for (const QString &pass : passes) {
            // A few polls fill the pages; then the polls stop, so that nothing
            // moves between scrolling to a control and looking at it.
            linkSession().linkSuspended = false;
            sim.clearRequests();
            QVERIFY(sim.waitForRequest(QStringLiteral("read-hr 9309 2"), 5000));
            linkSession().linkSuspended = true;
            showAllPages([&](const QString &where) {
                QWidget *page = window->page(window->pageState().currentPage);
                QStringList found = tabsShown(page, [page] { return contentFaults(page); });
                found << layoutFaults(weights) << layoutFaults(bottom);
                for (QWidget *w : shownItems(bottom)) {
                    if (w->visibleRegion().boundingRect() != w->rect())
                        found << QStringLiteral("bottom line: %1 hidden").arg(describe(w));
                }
                for (const QString &fault : found)
                    faults << QStringLiteral("%1, %2: %3").arg(pass, where, fault);
            });
            if (pass == passes[0]) {
                language->click();
            } else if (pass == passes[1]) {
                language->click();
                QVERIFY(sim.command(QStringLiteral("mode 1")).startsWith(QLatin1String("ok")));
            }
            QCoreApplication::processEvents();
        }
        report(faults);
        const QString outside = windowOutside(window);
        QVERIFY2(outside.isEmpty(), qPrintable(outside));
    }

    // The windows the main window opens fit the screen too.
    void dialogsFit()
    {
        QVERIFY(window);
        ModbusParaSetDialog link(window);
        link.setParameters(linkSession().appliedLink);
        ScanDialog scan(window);
        window->on_Btn_TrafficLog_clicked();
        window->on_Btn_Help_clicked();
        QList<QWidget *> dialogs {&link, &scan, window->trafficWindow(), window->helpWindow()};
        QStringList faults;
        for (QWidget *dialog : dialogs) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QCoreApplication::processEvents();
            const QString outside = windowOutside(dialog);
            if (!outside.isEmpty())
                faults << outside;
            for (const QString &fault : contentFaults(dialog))
                faults << dialog->objectName() + QStringLiteral(": ") + fault;
            dialog->hide();
        }
        report(faults);
    }
};

class TestScreenFit : public QObject
{
    Q_OBJECT

private slots:
    void fits_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("scale");
        QTest::newRow("1366 x 768") << QStringLiteral("1366x768") << QStringLiteral("1");
        QTest::newRow("1920 x 1080 at 150 %") << QStringLiteral("1920x1080") << QStringLiteral("1.5");
        QTest::newRow("1920 x 1080 at 200 %") << QStringLiteral("1920x1080") << QStringLiteral("2");
    }
    void fits()
    {
        QFETCH(QString, screen);
        QFETCH(QString, scale);
        Q4_REQUIRE_TOOL("xvfb-run", "cjk-font");

        // Xvfb picks a free display and writes its number on the descriptor given.
        QProcess xvfb;
        xvfb.setProgram(QStringLiteral("Xvfb"));
        xvfb.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
            QStringLiteral("0"), screen + QStringLiteral("x24"), QStringLiteral("-dpi"), QStringLiteral("96"),
            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        xvfb.start();
        QVERIFY(xvfb.waitForStarted());
        QByteArray number;
        QTRY_VERIFY_WITH_TIMEOUT((number += xvfb.readAllStandardOutput()).contains('\n'), 10000);

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(childVariable), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(number.trimmed()));
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("-silent")});
        const bool finished = child.waitForFinished(240000);
        const QByteArray output = child.readAll();
        if (!finished)
            child.kill();
        xvfb.terminate();
        xvfb.waitForFinished(5000);
        QVERIFY2(finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
            output.constData());
    }
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet(childVariable)) {
        prepareHighDpi();
        QApplication app(argc, argv);
        initQ4Resources();
        ScreenFitChild checks;
        return QTest::qExec(&checks, argc, argv);
    }
    QApplication app(argc, argv);
    TestScreenFit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screenfit.moc"
