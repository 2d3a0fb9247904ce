// The traffic log window: rows for the transactions against the simulator, an
// exception and a time-out as such, the errors-only and address filters, pause
// and clear, the CSV it saves, the statistics line, the bounded copy, following
// the end of the table, and the main window's button.

#include "link/deviceaccess.h"
#include "link/linksession.h"
#include "link/trafficlog.h"
#include "link/transactions.h"
#include "params/appstate.h"
#include "params/registermap.h"
#include "support/simulatorprocess.h"
#include "ui/link/livedisplay.h"
#include "ui/link/trafficlogmodel.h"
#include "ui/link/trafficlogwindow.h"
#include "ui/window/mainwindow.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QModbusClient>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

TrafficLog &trafficLog() { return linkSession().traffic; }

void feed(TrafficFunction function, int address, int count, int result = Ok, int exceptionCode = 0,
    qint64 roundTripUs = 2000)
{
    QVector<quint16> values(count);
    for (int i = 0; i < count; ++i)
        values[i] = quint16(address + i);
    trafficLog().record(function, 1, address, count, values.constData(), result, exceptionCode,
        QDateTime::currentMSecsSinceEpoch(), roundTripUs);
}

QStringList fileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString cell(const TrafficLogModel *model, int row, int column)
{
    return model->data(model->index(row, column)).toString();
}

// Addresses of the rows shown, oldest first.
QList<int> shownAddresses(const TrafficLogModel *model)
{
    QList<int> addresses;
    for (int row = 0; row < model->rowCount(); ++row)
        addresses << model->record(row).address;
    return addresses;
}

template <typename T> T *child(QWidget *window, const char *name)
{
    T *widget = window->findChild<T *>(QLatin1String(name));
    if (!widget)
        qWarning("no widget %s", name);
    return widget;
}

} // namespace

class TestTrafficLog : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dataDir;

private slots:
    void initTestCase()
    {
        QVERIFY(dataDir.isValid());
        setDataDirectory(dataDir.path());
    }
    // Every test starts with an empty record: older transactions are not shown.
    void init()
    {
        trafficLog().clearRecords();
        trafficLog().resetStatistics();
    }

    void pollsExceptionAndTimeoutShowAsRows();
    void filtersErrorsOnlyAndAddressRange();
    void pauseResumeAndClear();
    void copyStaysBoundedAcrossBatches();
    void savesTheShownRowsAsTheTrafficFile();
    void statisticsLine();
    void followsTheEndOnlyWhenScrolledThere();
    void steadyTrafficComesOnceASecond();
    void buttonOpensOneWindowThatFollowsTheLanguage();
    void fileThatStopsTakingLinesIsToldOnce();
};

void TestTrafficLog::pollsExceptionAndTimeoutShowAsRows()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim));
    linkSession().modbusClient->setTimeout(300);
    trafficLog().resetStatistics();
    sim.clearRequests();

    TrafficLogWindow window(trafficLog());
    window.show();
    TrafficLogModel *model = window.model();
    QCOMPARE(model->rowCount(), 0);

    QCOMPARE(readLiveGroups(), 0);
    window.refresh();
    // One row per request the simulator saw, in its order.
    const QStringList requests = sim.requests();
    QCOMPARE(model->rowCount(), requests.size());
    QVERIFY(requests.size() >= 13);
    for (int row = 0; row < requests.size(); ++row) {
        const QStringList f = requests[row].split(QLatin1Char(' '));
        const QString function = f[0] == QLatin1String("read-coils")
            ? QStringLiteral("Read coils")
            : QStringLiteral("Read holding registers");
        QCOMPARE(cell(model, row, TrafficLogModel::ColumnFunction), function);
        QCOMPARE(cell(model, row, TrafficLogModel::ColumnAddress), f[1]);
        QCOMPARE(cell(model, row, TrafficLogModel::ColumnCount), f[2]);
        QCOMPARE(cell(model, row, TrafficLogModel::ColumnResult), QStringLiteral("OK"));
        // The cell shows the first values, its tool tip all of them.
        const int count = f[2].toInt();
        const QModelIndex values = model->index(row, TrafficLogModel::ColumnValues);
        const QStringList all = values.data(Qt::ToolTipRole).toString().split(QLatin1Char(' '));
        QCOMPARE(all.size(), count);
        const QString shown = values.data().toString();
        if (count <= TrafficLogModel::ShownValues) {
            QCOMPARE(shown, all.join(QLatin1Char(' ')));
        } else {
            QCOMPARE(shown,
                QStringList(all.mid(0, TrafficLogModel::ShownValues)).join(QLatin1Char(' '))
                    + QStringLiteral(" \u2026"));
        }
    }
    // Local time with milliseconds.
    QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d$"))
                .match(cell(model, 0, TrafficLogModel::ColumnTime))
                .hasMatch());

    QVERIFY(sim.command(QStringLiteral("exception 8000 2")).startsWith(QLatin1String("ok")));
    QCOMPARE(int(writeSingleValue(8000, 1, 5)), int(ResponseError));
    QVERIFY(sim.command(QStringLiteral("exception clear")).startsWith(QLatin1String("ok")));
    QVERIFY(sim.command(QStringLiteral("silent on")).startsWith(QLatin1String("ok")));
    QCOMPARE(readSingleValue(8000, 1), FailureMarker);
    window.refresh();

    const int last = model->rowCount() - 1;
    QCOMPARE(last, requests.size() + 1);
    QCOMPARE(
        cell(model, last - 1, TrafficLogModel::ColumnFunction), QStringLiteral("Write holding registers"));
    QCOMPARE(cell(model, last - 1, TrafficLogModel::ColumnAddress), QStringLiteral("8000"));
    QCOMPARE(cell(model, last - 1, TrafficLogModel::ColumnValues), QStringLiteral("5"));
    QCOMPARE(cell(model, last - 1, TrafficLogModel::ColumnResult),
        QStringLiteral("Exception 2: illegal data address"));
    QCOMPARE(cell(model, last, TrafficLogModel::ColumnResult), QStringLiteral("Time-out"));
    QCOMPARE(cell(model, last, TrafficLogModel::ColumnValues), QString());
    // The time-out waited for the client's time-out (a coarse timer: up to 5 % early).
    QVERIFY2(cell(model, last, TrafficLogModel::ColumnRoundTrip).toDouble() >= 270.0,
        qPrintable(cell(model, last, TrafficLogModel::ColumnRoundTrip)));
    // Failures stand out.
    QVERIFY(model->data(model->index(last, 0), Qt::ForegroundRole).isValid());
    QVERIFY(!model->data(model->index(0, 0), Qt::ForegroundRole).isValid());

    const QString stats = child<QLabel>(&window, "label_TrafficStats")->text();
    QVERIFY2(stats.startsWith(QStringLiteral("Requests: %1   Failures: 2   Time-outs: 1   Exceptions: 1   ")
                                  .arg(requests.size() + 2)),
        qPrintable(stats));
    disconnectTestClient();
}

void TestTrafficLog::filtersErrorsOnlyAndAddressRange()
{
    TrafficLogWindow window(trafficLog());
    TrafficLogModel *model = window.model();
    auto *errorsOnly = child<QCheckBox>(&window, "checkErrorsOnly");
    auto *from = child<QLineEdit>(&window, "lineEditAddressFrom");
    auto *to = child<QLineEdit>(&window, "lineEditAddressTo");
    QVERIFY(errorsOnly && from && to);

    feed(TrafficFunction::ReadHolding, 0, 68); // 0..67
    feed(TrafficFunction::ReadHolding, 200, 30); // 200..229
    feed(TrafficFunction::WriteHolding, 8000, 1, ResponseError, 2);
    feed(TrafficFunction::ReadHolding, 2000, 80, TimedOut); // 2000..2079
    feed(TrafficFunction::ReadCoils, 500, 7); // 500..506
    feed(TrafficFunction::ReadHolding, 9309, 2, NoConnection);
    window.refresh();
    QCOMPARE(shownAddresses(model), (QList<int> {0, 200, 8000, 2000, 500, 9309}));

    errorsOnly->setChecked(true);
    QCOMPARE(shownAddresses(model), (QList<int> {8000, 2000, 9309}));
    errorsOnly->setChecked(false);

    // A row is shown when its register range overlaps the bounds.
    from->setText(QStringLiteral("229"));
    QCOMPARE(shownAddresses(model), (QList<int> {200, 8000, 2000, 500, 9309}));
    to->setText(QStringLiteral("229"));
    QCOMPARE(shownAddresses(model), (QList<int> {200}));
    from->setText(QStringLiteral("230"));
    to->setText(QStringLiteral("499"));
    QCOMPARE(shownAddresses(model), QList<int>());
    from->clear();
    to->setText(QStringLiteral("67"));
    QCOMPARE(shownAddresses(model), (QList<int> {0}));
    from->setText(QStringLiteral("506"));
    to->setText(QStringLiteral("8000"));
    QCOMPARE(shownAddresses(model), (QList<int> {8000, 2000, 500}));

    // Both filters together, and on the transactions that come later.
    errorsOnly->setChecked(true);
    QCOMPARE(shownAddresses(model), (QList<int> {8000, 2000}));
    feed(TrafficFunction::ReadHolding, 3000, 10, TimedOut); // in range, failed
    feed(TrafficFunction::ReadHolding, 3000, 10); // in range, ok
    feed(TrafficFunction::ReadHolding, 100, 10, TimedOut); // failed, out of range
    window.refresh();
    QCOMPARE(shownAddresses(model), (QList<int> {8000, 2000, 3000}));

    errorsOnly->setChecked(false);
    from->clear();
    to->clear();
    QCOMPARE(model->rowCount(), 9);
}

void TestTrafficLog::pauseResumeAndClear()
{
    TrafficLogWindow window(trafficLog());
    TrafficLogModel *model = window.model();
    auto *pause = child<QPushButton>(&window, "Btn_TrafficPause");
    auto *clear = child<QPushButton>(&window, "Btn_TrafficClear");
    QVERIFY(pause && clear);

    for (int i = 0; i < 5; ++i)
        feed(TrafficFunction::ReadHolding, i, 1);
    window.refresh();
    QCOMPARE(model->rowCount(), 5);

    // Paused: the view stands still while the record goes on.
    pause->click();
    QVERIFY(model->isPaused());
    QCOMPARE(pause->text(), QStringLiteral("Resume"));
    for (int i = 5; i < 8; ++i)
        feed(TrafficFunction::ReadHolding, i, 1);
    window.refresh();
    QCOMPARE(model->rowCount(), 5);
    pause->click();
    QCOMPARE(pause->text(), QStringLiteral("Pause"));
    QCOMPARE(shownAddresses(model), (QList<int> {0, 1, 2, 3, 4, 5, 6, 7}));

    // A long pause: on resuming, what is still in the record's ring.
    pause->click();
    const int many = TrafficLog::RingCapacity + 20;
    for (int i = 0; i < many; ++i)
        feed(TrafficFunction::ReadHolding, 100 + i, 1);
    window.refresh();
    QCOMPARE(model->rowCount(), 8);
    pause->click();
    QCOMPARE(model->rowCount(), TrafficLog::RingCapacity);
    QCOMPARE(model->record(0).address, 100 + 20);
    QCOMPARE(model->record(model->rowCount() - 1).address, 100 + many - 1);

    // Clear empties the table, not the record; then new rows come again.
    clear->click();
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(model->keptCount(), 0);
    window.refresh();
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(trafficLog().recordsSince(0).size(), TrafficLog::RingCapacity);
    feed(TrafficFunction::WriteHolding, 42, 1);
    window.refresh();
    QCOMPARE(shownAddresses(model), (QList<int> {42}));

    // Cleared while paused: what came before the clear stays away after resuming.
    pause->click();
    feed(TrafficFunction::ReadHolding, 43, 1);
    clear->click();
    feed(TrafficFunction::ReadHolding, 44, 1);
    pause->click();
    QCOMPARE(shownAddresses(model), (QList<int> {44}));
}

void TestTrafficLog::copyStaysBoundedAcrossBatches()
{
    TrafficLogWindow window(trafficLog());
    TrafficLogModel *model = window.model();
    // Batches as a long run would bring them; every 10th one fails.
    int fed = 0;
    for (int batch = 0; batch < 37; ++batch) {
        for (int i = 0; i < 700; ++i, ++fed)
            feed(TrafficFunction::ReadHolding, fed, 3, fed % 10 == 9 ? TimedOut : Ok);
        window.refresh();
    }
    QCOMPARE(model->keptCount(), TrafficLog::RingCapacity);
    QCOMPARE(model->rowCount(), TrafficLog::RingCapacity);
    QCOMPARE(model->record(0).address, fed - TrafficLog::RingCapacity);
    QCOMPARE(model->record(model->rowCount() - 1).address, fed - 1);
    // Each kept transaction holds its own values.
    const TrafficRecord &oldest = model->record(0);
    QCOMPARE(oldest.values,
        (QVector<quint16> {
            quint16(oldest.address), quint16(oldest.address + 1), quint16(oldest.address + 2)}));

    // Filtered rows leave with their transactions too.
    child<QCheckBox>(&window, "checkErrorsOnly")->setChecked(true);
    QCOMPARE(model->rowCount(), TrafficLog::RingCapacity / 10);
    for (int batch = 0; batch < 5; ++batch) {
        for (int i = 0; i < 999; ++i, ++fed)
            feed(TrafficFunction::ReadHolding, fed, 3, fed % 10 == 9 ? TimedOut : Ok);
        window.refresh();
    }
    QCOMPARE(model->keptCount(), TrafficLog::RingCapacity);
    const int firstKept = fed - TrafficLog::RingCapacity;
    const int firstFailed = firstKept + (9 - firstKept % 10 + 10) % 10;
    QCOMPARE(model->record(0).address, firstFailed);
    QCOMPARE(model->rowCount(), (fed - 1 - firstFailed) / 10 + 1);
    for (int row = 0; row < model->rowCount(); ++row)
        QCOMPARE(model->record(row).result, int(TimedOut));
}

void TestTrafficLog::savesTheShownRowsAsTheTrafficFile()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim));
    QTemporaryDir dir;
    const QString trafficPath = dir.filePath(QStringLiteral("traffic.csv"));
    QVERIFY(trafficLog().setFile(trafficPath));
    QVERIFY(sim.command(QStringLiteral("exception 8000 3")).startsWith(QLatin1String("ok")));
    QCOMPARE(readLiveGroups(), 0);
    QCOMPARE(int(writeSingleValue(8000, 1, 7)), int(ResponseError));
    QCOMPARE(readSingleValue(8000, 1), FailureMarker);
    QCOMPARE(readSingleValue(10001, 1), 10203); // low word of the software version
    trafficLog().setFile(QString());
    disconnectTestClient();

    TrafficLogWindow window(trafficLog());
    window.refresh();
    const QStringList logged = fileLines(trafficPath);
    QCOMPARE(logged.size(), window.model()->rowCount() + 1);

    const QString all = dir.filePath(QStringLiteral("all.csv"));
    QVERIFY(window.saveCsv(all));
    QCOMPARE(fileLines(all), logged);

    // After the filters: the header, then only the rows shown.
    child<QCheckBox>(&window, "checkErrorsOnly")->setChecked(true);
    const QString errors = dir.filePath(QStringLiteral("errors.csv"));
    QVERIFY(window.saveCsv(errors));
    QStringList expected {logged.first()};
    for (const QString &line : logged.mid(1)) {
        if (!line.contains(QLatin1String(",ok,")))
            expected << line;
    }
    QCOMPARE(expected.size(), 3);
    QCOMPARE(fileLines(errors), expected);

    child<QCheckBox>(&window, "checkErrorsOnly")->setChecked(false);
    child<QLineEdit>(&window, "lineEditAddressFrom")->setText(QStringLiteral("8000"));
    const QString ranged = dir.filePath(QStringLiteral("ranged.csv"));
    QVERIFY(window.saveCsv(ranged));
    const QStringList rangedLines = fileLines(ranged);
    QStringList inRange {logged.first()};
    for (const QString &line : logged.mid(1)) {
        const QStringList f = line.split(QLatin1Char(','));
        if (f[2].toInt() + f[3].toInt() - 1 >= 8000)
            inRange << line;
    }
    QCOMPARE(rangedLines, inRange);
    QVERIFY(rangedLines.size() >= 4);
    const int n = rangedLines.size();
    QVERIFY(rangedLines[n - 3].contains(QLatin1String(",write-holding,8000,1,7,exception 3,")));
    QVERIFY(rangedLines[n - 2].contains(QLatin1String(",read-holding,8000,1,,exception 3,")));
    QVERIFY(rangedLines[n - 1].contains(QLatin1String(",read-holding,10001,1,10203,ok,")));

    // A file that cannot be written is reported as such.
    QString error;
    QVERIFY(!window.saveCsv(dir.filePath(QStringLiteral("missing/folder/x.csv")), &error));
    QVERIFY(!error.isEmpty());
}

void TestTrafficLog::statisticsLine()
{
    TrafficLogWindow window(trafficLog());
    auto *label = child<QLabel>(&window, "label_TrafficStats");
    QCOMPARE(label->text(),
        QStringLiteral("Requests: 0   Failures: 0   Time-outs: 0   Exceptions: 0   "
                       "Round trip: mean - ms, 95th percentile - ms, worst - ms"));
    // Nothing answered yet: no round trip to speak of.
    feed(TrafficFunction::ReadHolding, 0, 2, TimedOut, 0, 1000000);
    feed(TrafficFunction::ReadHolding, 0, 2, NoConnection, 0, 0);
    window.refresh();
    QCOMPARE(label->text(),
        QStringLiteral("Requests: 2   Failures: 2   Time-outs: 1   Exceptions: 0   "
                       "Round trip: mean - ms, 95th percentile - ms, worst - ms"));

    trafficLog().resetStatistics();
    for (int i = 0; i < 95; ++i)
        feed(TrafficFunction::ReadHolding, 0, 2, Ok, 0, 5000);
    for (int i = 0; i < 5; ++i)
        feed(TrafficFunction::ReadHolding, 0, 2, Ok, 0, 50000);
    feed(TrafficFunction::WriteHolding, 200, 1, TimedOut, 0, 1000000);
    feed(TrafficFunction::WriteHolding, 200, 1, ResponseError, 3, 6000);
    window.refresh();
    const TrafficStatistics s = trafficLog().statistics();
    QCOMPARE(label->text(),
        QStringLiteral("Requests: 102   Failures: 2   Time-outs: 1   Exceptions: 1   "
                       "Round trip: mean 7.2 ms, 95th percentile %1 ms, worst 50.0 ms")
            .arg(s.p95Ms, 0, 'f', 1));
    // 101 answered: the 96th smallest is the 6 ms exception (0.1 ms resolution).
    QVERIFY2(s.p95Ms >= 6.0 && s.p95Ms < 6.15, qPrintable(QString::number(s.p95Ms)));

    // A connect starts the statistics afresh; the label follows at the next batch.
    trafficLog().resetStatistics();
    window.refresh();
    QVERIFY2(label->text().startsWith(QLatin1String("Requests: 0 ")), qPrintable(label->text()));
}

void TestTrafficLog::steadyTrafficComesOnceASecond()
{
    TrafficLogWindow window(trafficLog());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    TrafficLogModel *model = window.model();
    QCOMPARE(model->rowCount(), 0);

    // After a quiet spell a transaction shows at the timer's next look...
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    feed(TrafficFunction::ReadHolding, 100, 1);
    QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(), 1, 3000);
    // ...the next one waits until a second has passed since that batch...
    feed(TrafficFunction::ReadHolding, 101, 1);
    QTest::qWait(400);
    if (sinceFirst.elapsed() < TrafficLogWindow::BatchIntervalMs - 100)
        QCOMPARE(model->rowCount(), 1);
    // ...and then comes.
    QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(), 2, 3000);
    QVERIFY(sinceFirst.elapsed() >= TrafficLogWindow::BatchIntervalMs);
}

void TestTrafficLog::followsTheEndOnlyWhenScrolledThere()
{
    TrafficLogWindow window(trafficLog());
    window.resize(1000, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *table = child<QTableView>(&window, "tableTraffic");
    QScrollBar *bar = table->verticalScrollBar();

    for (int i = 0; i < 300; ++i)
        feed(TrafficFunction::ReadHolding, i, 1);
    window.refresh();
    QApplication::processEvents();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    // At the end: the newest row stays in sight.
    for (int i = 300; i < 320; ++i)
        feed(TrafficFunction::ReadHolding, i, 1);
    window.refresh();
    QApplication::processEvents();
    QCOMPARE(bar->value(), bar->maximum());
    const QModelIndex newest = window.model()->index(window.model()->rowCount() - 1, 0);
    QVERIFY(table->viewport()->rect().intersects(table->visualRect(newest)));

    // Scrolled up: the rows being read stay, also when the oldest ones leave.
    bar->setValue(bar->maximum() / 2);
    QApplication::processEvents();
    const int topAddress = window.model()->record(table->rowAt(0)).address;
    for (int i = 320; i < 340; ++i)
        feed(TrafficFunction::ReadHolding, i, 1);
    window.refresh();
    QApplication::processEvents();
    QVERIFY(bar->value() < bar->maximum());
    QCOMPARE(window.model()->record(table->rowAt(0)).address, topAddress);

    const int pushedOut = TrafficLog::RingCapacity - window.model()->keptCount() + 15;
    for (int i = 0; i < pushedOut; ++i)
        feed(TrafficFunction::ReadHolding, 1000 + i, 1);
    window.refresh();
    QApplication::processEvents();
    QCOMPARE(window.model()->record(table->rowAt(0)).address, topAddress);
}

void TestTrafficLog::buttonOpensOneWindowThatFollowsTheLanguage()
{
    programContext.language = 0;
    MainWindow w(linkSession());
    auto *button = w.findChild<QWidget *>(QStringLiteral("widget_down"))
                       ->findChild<QPushButton *>(QStringLiteral("Btn_TrafficLog"));
    QVERIFY(button);
    QCOMPARE(button->text(), QStringLiteral("Traffic"));
    QVERIFY(!w.trafficWindow());

    button->click();
    TrafficLogWindow *window = w.trafficWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(!window->isModal());
    QVERIFY(window->isWindow());
    QCOMPARE(window->parentWidget(), &w);

    // Closed and opened again: the same window, with what it held.
    feed(TrafficFunction::ReadHolding, 7, 1);
    window->refresh();
    QCOMPARE(window->model()->rowCount(), 1);
    window->close();
    QVERIFY(!window->isVisible());
    feed(TrafficFunction::ReadHolding, 8, 1);
    button->click();
    QCOMPARE(w.trafficWindow(), window);
    QVERIFY(window->isVisible());
    QCOMPARE(shownAddresses(window->model()), (QList<int> {7, 8}));

    // The language switch reaches the open window: title, buttons, headers, cells.
    auto *language = w.findChild<QPushButton *>(QStringLiteral("Btn_ChangeLanguage"));
    auto *pause = child<QPushButton>(window, "Btn_TrafficPause");
    pause->click();
    language->click();
    QApplication::processEvents(); // the change of catalogue reaches the windows as a posted event
    QCOMPARE(w.languageInUse(), 1);
    const QString chineseTime = QCoreApplication::translate("TrafficLogModel", "Time");
    QVERIFY(chineseTime != QLatin1String("Time"));
    QCOMPARE(window->model()->headerData(0, Qt::Horizontal).toString(), chineseTime);
    QCOMPARE(pause->text(), QCoreApplication::translate("TrafficLogWindow", "Resume"));
    QVERIFY(pause->text() != QLatin1String("Resume"));
    QVERIFY(window->windowTitle() != QLatin1String("Traffic Log"));
    QVERIFY(
        cell(window->model(), 0, TrafficLogModel::ColumnFunction) != QLatin1String("Read holding registers"));
    QVERIFY(!child<QLabel>(window, "label_TrafficStats")->text().startsWith(QLatin1String("Requests")));
    language->click();
    QApplication::processEvents();
    QCOMPARE(w.languageInUse(), 0);
    QCOMPARE(pause->text(), QStringLiteral("Resume"));
    QCOMPARE(window->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Time"));
    programContext.language = 0;
}

// The disk fills while the window runs (here: a file size limit): the file
// is closed, the window tells it once, the record in memory goes on.
void TestTrafficLog::fileThatStopsTakingLinesIsToldOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("traffic.csv"));
    MainWindow window(linkSession());
    QStringList popups;
    QTimer catcher;
    connect(&catcher, &QTimer::timeout, [&popups] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->inherits("TipsDialog")) {
                popups << w->findChild<QLabel *>(QStringLiteral("label_tipsMesg"))->text();
                QMetaObject::invokeMethod(w, "reject");
            }
        }
    });
    catcher.start(20);
    QVERIFY(trafficLog().setFile(path));
    feed(TrafficFunction::ReadHolding, 1, 2);
    const qint64 kept = QFileInfo(path).size();
    // Writes past the limit fail with EFBIG instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = rlim_t(kept + 10);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    QSignalSpy failed(&trafficLog(), &TrafficLog::fileFailed);
    for (int i = 0; i < 5; ++i)
        feed(TrafficFunction::ReadHolding, 100 + i, 8);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &before), 0);
    feed(TrafficFunction::ReadHolding, 200, 1);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), path);
    QVERIFY(!trafficLog().fileError().isEmpty());
    QVERIFY(QFileInfo(path).size() <= kept + 10);
    QCOMPARE(trafficLog().recordsSince(0).last().address, 200);
    QTRY_COMPARE(popups.size(), 1);
    QVERIFY2(popups.first().contains(path), qPrintable(popups.first()));
    QTest::qWait(100);
    QCOMPARE(popups.size(), 1);
    QVERIFY(trafficLog().setFile(QString()));
    QVERIFY(trafficLog().fileError().isEmpty());
}

QTEST_MAIN(TestTrafficLog)
#include "tst_trafficlog.moc"
