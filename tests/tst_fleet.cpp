// Backups and restores for many devices against the simulator: block reads
// (and their fall-back to rows), imports that write only what differs and read
// it back, the comparison (command line and the page's table), and clones into
// several devices over TCP and one serial bus.

#include "link/linksession.h"
#include "params/appstate.h"
#include "params/registermap.h"
#include "support/programrun.h"
#include "support/ptypair.h"
#include "support/simulatorprocess.h"
#include "ui/dialogs/comparedialog.h"
#include "ui/dialogs/tipsdialog.h"
#include "ui/pages/testmaintain.h"
#include "ui/window/startup.h"
#include "ui_comparedialog.h"
#include "ui_testmaintain.h"
#include "workbook/blockread.h"
#include "workbook/exceltowrite.h"
#include "workbook/parameterworkbook.h"
#include "workbook/xlsxworkbook.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

QString templatePath(int language)
{
    return QStringLiteral(Q4_BINARY_DIR "/Template/") + templateFileName(language);
}

bool copyFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    return QFile::copy(from, to)
        && QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner);
}

// Column G of every row, from row 1.
QStringList valueColumn(const QString &path)
{
    XlsxWorkbook wb;
    if (!wb.open(path))
        return {QStringLiteral("<unreadable>")};
    XlsxSheet *s = wb.sheet(ParameterSheetName);
    QStringList values;
    for (int r = 1; s && r <= s->rowCount(); ++r)
        values << s->cellText(r, ColumnAddress) + QLatin1Char('=') + s->cellText(r, ColumnValue);
    return values;
}

QStringList readLines(SimulatorProcess &sim)
{
    return sim.requests().filter(QRegularExpression(QStringLiteral("^read-hr ")));
}

bool ok(const QString &reply) { return reply.startsWith(QLatin1String("ok")); }

QVector<QVariant> row(
    qint64 address, const QString &name, qint64 count, qint64 maximum, qint64 minimum, const QString &value)
{
    return {address, name, count, maximum, minimum, QString(), value};
}

// Answers the file dialog with a file, records the popups and answers the
// comparison dialog (Import or Close) after taking its table.
class DialogWatcher : public QObject
{
public:
    QString fileToChoose;
    QStringList popups;
    QStringList table; // "address count device file name" per row of the last comparison
    QString summary;
    bool importFromComparison = false;
    std::function<void()> onComparison; // called while the comparison dialog is up

    DialogWatcher()
    {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
        timer.start();
    }

private:
    void poll()
    {
        const auto widgets = QApplication::topLevelWidgets();
        for (QWidget *w : widgets) {
            if (!w->isVisible() || handled.contains(w))
                continue;
            if (auto *fd = qobject_cast<QFileDialog *>(w)) {
                if (auto *edit = fd->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                    edit->setText(fileToChoose);
                if (!fd->selectedFiles().contains(fileToChoose))
                    continue;
                handled.append(w);
                QDialog *dialog = fd;
                QTimer::singleShot(0, fd, [dialog] { dialog->done(QDialog::Accepted); });
            } else if (auto *compare = qobject_cast<CompareDialog *>(w)) {
                handled.append(w);
                table.clear();
                QTableWidget *t = compare->form()->tableDifferences;
                for (int r = 0; r < t->rowCount(); ++r) {
                    QStringList cells;
                    for (int c = 0; c < t->columnCount(); ++c)
                        cells << t->item(r, c)->text();
                    table << cells.join(QLatin1Char(' '));
                }
                summary = compare->form()->label_compareSummary->text();
                if (onComparison)
                    onComparison();
                QPushButton *button = importFromComparison ? compare->form()->Btn_CompareImport
                                                           : compare->form()->Btn_CompareClose;
                QTimer::singleShot(0, button, &QPushButton::click);
            } else if (auto *tips = qobject_cast<TipsDialog *>(w)) {
                handled.append(w);
                QStringList texts;
                for (QLabel *l : tips->findChildren<QLabel *>()) {
                    if (!l->text().isEmpty() && l->text() != tips->title())
                        texts << l->text();
                }
                popups << texts.join(QLatin1Char(','));
                QTimer::singleShot(0, tips, [tips] { tips->reject(); });
            }
        }
    }
    QTimer timer;
    QList<QPointer<QWidget>> handled;
};

} // namespace

class TestFleet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void blockPlan();
    void batchedExportMatchesRowByRow_data();
    void batchedExportMatchesRowByRow();
    void importWritesOnlyWhatDiffers_data();
    void importWritesOnlyWhatDiffers();
    void importReportsRefusedAndMismatchedRows();
    void batchedExportEndsWhenDeviceGoesQuiet();
    void diffFromTheCommandLine();
    void cloneIntoSeveralTcpDevices();
    void cloneOverOneSerialBus_data();
    void cloneOverOneSerialBus();
    void pageComparesBeforeWriting();

private:
    QTemporaryDir dir;
};

void TestFleet::initTestCase()
{
    initQ4Resources();
    QVERIFY(QFileInfo(templatePath(0)).isFile());
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("data/Template"))));
    // The page's runs record their history in this data folder, not the user's.
    setDataDirectory(dir.filePath(QStringLiteral("data")));
    QVERIFY(
        QFile::copy(templatePath(0), dir.filePath(QStringLiteral("data/Template/")) + templateFileName(0)));
}

void TestFleet::cleanup()
{
    disconnectTestClient();
    linkSession().linkSuspended = false;
}

// The template's rows in a few reads, each inside one group and the Modbus
// limit; rows outside every group alone; a row before its block starts another.
void TestFleet::blockPlan()
{
    QVector<RegisterSpan> spans;
    for (const ParameterInfo &p : parameterCatalogue())
        spans.append({p.address, p.count});
    const QVector<ReadBlock> blocks = planReadBlocks(spans);
    qDebug() << spans.size() << "rows in" << blocks.size() << "block reads";
    QVERIFY(blocks.size() < 34);
    int next = 0;
    for (const ReadBlock &b : blocks) {
        QVERIFY(b.count <= MaxReadRegisters);
        QVERIFY2(readableTogether(b.start, b.start + b.count - 1), qPrintable(QString::number(b.start)));
        for (const int m : b.members) {
            QCOMPARE(m, next++);
            QVERIFY(spans[m].address >= b.start);
            QVERIFY(spans[m].address + spans[m].count <= b.start + b.count);
        }
    }
    QCOMPARE(next, spans.size());
    // The basic blocks of two channels are two groups, however close.
    QCOMPARE(planReadBlocks({{228, 2}, {300, 2}}).size(), 2);
    // Outside every group: one read each, even when adjacent.
    QCOMPARE(planReadBlocks({{5000, 1}, {5001, 1}}).size(), 2);
    // Descending rows start a new block; a repeated row joins its block.
    QCOMPARE(planReadBlocks({{8010, 1}, {8000, 1}}).size(), 2);
    QCOMPARE(planReadBlocks({{8000, 1}, {8000, 1}, {8005, 1}}).size(), 1);
    // A group wider than one read is split.
    const QVector<ReadBlock> comparators = planReadBlocks({{1060, 2}, {1186, 2}});
    QCOMPARE(comparators.size(), 2);
    // Without coalescing every row is a request of its own.
    QCOMPARE(planReadBlocks(spans, false).size(), spans.size());
}

void TestFleet::batchedExportMatchesRowByRow_data()
{
    QTest::addColumn<int>("order");
    QTest::newRow("AB-CD") << 0;
    QTest::newRow("CD-AB") << 1;
}

// Block reads give the file of the one-request-per-row export, cell for cell,
// also when the device refuses some addresses: only those rows get the marker.
void TestFleet::batchedExportMatchesRowByRow()
{
    QFETCH(int, order);
    SimulatorProcess sim(
        order ? QStringList {QStringLiteral("--word-order"), QStringLiteral("cd-ab")} : QStringList {});
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim, wordOrderFromIndex(order)));
    QVERIFY(ok(sim.command(QStringLiteral("set32 1064 -123456"))));
    QVERIFY(ok(sim.command(QStringLiteral("set32 722 70000"))));
    QVERIFY(ok(sim.command(QStringLiteral("set 8105 200"))));
    QVERIFY(ok(sim.command(QStringLiteral("exception 204 4"))));
    QVERIFY(ok(sim.command(QStringLiteral("exception 1071 2"))));

    ExelToWrite worker;
    const QString rows = dir.filePath(QStringLiteral("rows%1.xlsx").arg(order));
    const QString blocks = dir.filePath(QStringLiteral("blocks%1.xlsx").arg(order));
    QVERIFY(copyFile(templatePath(0), rows));
    QVERIFY(copyFile(templatePath(0), blocks));
    worker.blockReads = false;
    sim.clearRequests();
    QCOMPARE(worker.exportWorkbook(rows, linkSession().modbusClient, 0), int(ExelToWrite::RowsFailed));
    const int rowReads = readLines(sim).size();
    QCOMPARE(worker.failedAddresses(), (QVector<int> {204, 1070}));

    worker.blockReads = true;
    sim.clearRequests();
    QCOMPARE(worker.exportWorkbook(blocks, linkSession().modbusClient, 0), int(ExelToWrite::RowsFailed));
    const int blockReads = readLines(sim).size();
    QCOMPARE(worker.failedAddresses(), (QVector<int> {204, 1070}));
    QCOMPARE(worker.transferredRows(), parameterCatalogue().size() - 2);
    QCOMPARE(worker.readRequests(), blockReads);

    const QStringList a = valueColumn(rows);
    const QStringList b = valueColumn(blocks);
    QCOMPARE(b, a);
    QVERIFY(b.contains(QStringLiteral("204=88020200")));
    QVERIFY(b.contains(QStringLiteral("1070=88020200")));
    QCOMPARE(b.filter(QStringLiteral("=88020200")).size(), 2);
    QVERIFY(b.contains(QStringLiteral("1064=%1").arg(quint32(-123456))));
    QVERIFY(b.contains(QStringLiteral("722=70000")));
    QVERIFY(b.contains(QStringLiteral("8105=200")));
    // The two refused blocks again row by row, every other block in one read.
    qDebug() << "reads: row by row" << rowReads << "blocks" << blockReads;
    QCOMPARE(rowReads, parameterCatalogue().size());
    QVector<RegisterSpan> spans;
    for (const ParameterInfo &p : parameterCatalogue())
        spans.append({p.address, p.count});
    const QVector<ReadBlock> plan = planReadBlocks(spans);
    int expected = plan.size();
    for (const ReadBlock &b : plan) {
        const bool refused
            = (b.start <= 204 && 204 < b.start + b.count) || (b.start <= 1071 && 1071 < b.start + b.count);
        if (refused)
            expected += b.members.size();
    }
    QCOMPARE(blockReads, expected);
}

void TestFleet::importWritesOnlyWhatDiffers_data()
{
    QTest::addColumn<int>("order");
    QTest::newRow("AB-CD") << 0;
    QTest::newRow("CD-AB") << 1;
}

// An import writes the rows that differ, in file order, and reads them back; a
// second import writes nothing; --all-rows writes every row.
void TestFleet::importWritesOnlyWhatDiffers()
{
    QFETCH(int, order);
    SimulatorProcess sim(
        order ? QStringList {QStringLiteral("--word-order"), QStringLiteral("cd-ab")} : QStringList {});
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim, wordOrderFromIndex(order)));
    QVERIFY(ok(sim.command(QStringLiteral("set32 1064 -100"))));
    QVERIFY(ok(sim.command(QStringLiteral("set32 414 9"))));
    QVERIFY(ok(sim.command(QStringLiteral("set 8020 17"))));
    const QString file = dir.filePath(QStringLiteral("backup%1.xlsx").arg(order));
    QVERIFY(copyFile(templatePath(0), file));
    ExelToWrite worker;
    QCOMPARE(worker.exportWorkbook(file, linkSession().modbusClient, 0), int(ExelToWrite::Done));

    // The device drifts away from its backup in three rows.
    QVERIFY(ok(sim.command(QStringLiteral("set32 1064 5"))));
    QVERIFY(ok(sim.command(QStringLiteral("set32 414 1"))));
    QVERIFY(ok(sim.command(QStringLiteral("set 8020 3"))));
    const int rows = parameterCatalogue().size();
    sim.clearRequests();
    QCOMPARE(worker.importWorkbook(file, linkSession().modbusClient), int(ExelToWrite::Done));
    const quint32 pattern = quint32(-100);
    const QString words = order == 0 ? QStringLiteral("%1 %2").arg(pattern >> 16).arg(pattern & 0xFFFF)
                                     : QStringLiteral("%1 %2").arg(pattern & 0xFFFF).arg(pattern >> 16);
    const QString nine = order == 0 ? QStringLiteral("0 9") : QStringLiteral("9 0");
    QCOMPARE(sim.writes(),
        (QStringList {QStringLiteral("write 414 2 ") + nine, QStringLiteral("write 1064 2 ") + words,
            QStringLiteral("write 8020 1 17")}));
    QCOMPARE(worker.transferredRows(), 3);
    QCOMPARE(worker.unchangedRows(), rows - 3);
    QCOMPARE(worker.verifiedRows(), 3);
    QCOMPARE(worker.mismatchedRows(), 0);
    QCOMPARE(sim.command(QStringLiteral("get32 1064")), QStringLiteral("ok -100"));
    // Read in blocks before and after: far fewer reads than rows.
    QVERIFY2(readLines(sim).size() < 40, qPrintable(QString::number(readLines(sim).size())));

    // The device holds the workbook: no write at all.
    sim.clearRequests();
    QCOMPARE(worker.importWorkbook(file, linkSession().modbusClient), int(ExelToWrite::Done));
    QVERIFY(sim.writes().isEmpty());
    QCOMPARE(worker.unchangedRows(), rows);
    QCOMPARE(worker.verifiedRows(), 0);

    worker.allRows = true;
    sim.clearRequests();
    QCOMPARE(worker.importWorkbook(file, linkSession().modbusClient), int(ExelToWrite::Done));
    QCOMPARE(sim.writes().size(), rows);
    QCOMPARE(worker.verifiedRows(), rows);
}

// A row whose read and write the device refuses is written and failed; a row
// the device keeps differently (a command register reads back 0) is mismatched;
// the result says which.
void TestFleet::importReportsRefusedAndMismatchedRows()
{
    SimulatorProcess sim;
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    QVERIFY(ok(sim.command(QStringLiteral("freeze on"))));
    QVERIFY(ok(sim.command(QStringLiteral("exception 204 4"))));
    QVERIFY(ok(sim.command(QStringLiteral("set32 214 7"))));
    QVERIFY(ok(sim.command(QStringLiteral("set32 206 0"))));
    const QString file = dir.filePath(QStringLiteral("refused.xlsx"));
    QVERIFY(XlsxWorkbook::create(file, ParameterSheetName,
        {{QStringLiteral("h")}, row(204, QStringLiteral("refused"), 2, 99, 0, QStringLiteral("5")),
            row(206, QStringLiteral("differs"), 2, 1, 0, QStringLiteral("1")),
            row(214, QStringLiteral("same"), 2, 99, 0, QStringLiteral("7")),
            row(608, QStringLiteral("zero capture"), 2, 1, 0, QStringLiteral("1")),
            row(216, QStringLiteral("count 3"), 3, 99, 0, QStringLiteral("4"))}));
    ExelToWrite worker;
    sim.clearRequests();
    QCOMPARE(worker.importWorkbook(file, linkSession().modbusClient), int(ExelToWrite::RowsFailed));
    QCOMPARE(worker.transferredRows(), 2);
    QCOMPARE(worker.failedRows(), 1);
    QCOMPARE(worker.failedAddresses(), QVector<int> {204});
    QCOMPARE(worker.unchangedRows(), 1);
    QCOMPARE(worker.skippedRows(), 1);
    QCOMPARE(worker.verifiedRows(), 1);
    QCOMPARE(worker.mismatchedRows(), 1);
    QCOMPARE(worker.mismatchedAddresses(), QVector<int> {608});
    const QStringList writes = sim.writes();
    QCOMPARE(writes.size(), 3);
    QVERIFY(writes.at(0).startsWith(QLatin1String("write 204 2 0 5 exception")));
    QCOMPARE(writes.at(1), QStringLiteral("write 206 2 0 1"));
    QCOMPARE(writes.at(2), QStringLiteral("write 608 2 0 1"));
    // The refused block was read again row by row; the read-back followed the writes.
    const QStringList reads = readLines(sim);
    QVERIFY2(reads.contains(QStringLiteral("read-hr 206 2")), qPrintable(reads.join('|')));
    QVERIFY(reads.contains(QStringLiteral("read-hr 214 2")));
    QVERIFY(reads.last().startsWith(QLatin1String("read-hr ")));
    QVERIFY(sim.requests().last().startsWith(QLatin1String("read-hr ")));
}

// A device that goes quiet during a batched export: its block and then five rows
// go unanswered, the run ends, the previous file stays.
void TestFleet::batchedExportEndsWhenDeviceGoesQuiet()
{
    SimulatorProcess sim({QStringLiteral("--latency"), QStringLiteral("5")});
    QVERIFY(sim.start());
    const QString tcp = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    const QString file = dir.filePath(QStringLiteral("quiet.xlsx"));
    QVERIFY(copyFile(templatePath(1), file));
    const QByteArray before = [&] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    sim.clearRequests();
    QProcess p;
    prepareProgram(p);
    p.start(QStringLiteral(Q4CONFIG_PATH),
        {QStringLiteral("--data-dir"), dir.filePath(QStringLiteral("data")), QStringLiteral("--export"), file,
            QStringLiteral("--tcp"), tcp, QStringLiteral("--timeout"), QStringLiteral("200")});
    QVERIFY(sim.waitForRequest(QStringLiteral("read-hr 1000 "), 20000));
    QVERIFY(ok(sim.command(QStringLiteral("silent on"))));
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
    const QString line = QString::fromUtf8(p.readAllStandardOutput()).trimmed().split('\n').last();
    QCOMPARE(readLines(sim).filter(QStringLiteral(" no-answer")).size(), 1 + ExelToWrite::MaxSilentRows);
    const QRegularExpression want(
        QStringLiteral("^export failed: no answer from server address 1 at %1 for 5 rows in a row: rows 2 to "
                       "(\\d+) done, rows (\\d+) to %2 not done; %3 left as it was$")
            .arg(QRegularExpression::escape(tcp))
            .arg(parameterCatalogue().size() + 1)
            .arg(QRegularExpression::escape(file)));
    const QRegularExpressionMatch match = want.match(line);
    QVERIFY2(match.hasMatch(), qPrintable(line));
    QCOMPARE(match.captured(2).toInt(), match.captured(1).toInt() + 1);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

// --diff: one line per differing row and the count, nothing written; the exit
// status tells none (0), some (1), error (2). -100 in the file is the device's
// 4294967196.
void TestFleet::diffFromTheCommandLine()
{
    SimulatorProcess sim({QStringLiteral("--word-order"), QStringLiteral("cd-ab")});
    QVERIFY(sim.start());
    const QString tcp = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    QVERIFY(ok(sim.command(QStringLiteral("set32 1064 -100"))));
    QVERIFY(ok(sim.command(QStringLiteral("set 8000 12"))));
    QVERIFY(ok(sim.command(QStringLiteral("exception 8020 2"))));
    const QString file = dir.filePath(QStringLiteral("diff.xlsx"));
    QVERIFY(XlsxWorkbook::create(file, ParameterSheetName,
        {{QStringLiteral("h")},
            row(1064, QStringLiteral("COMP1 Value-1"), 2, 999999, 4293967297, QStringLiteral("-100")),
            row(1066, QStringLiteral("COMP1 Value-2"), 2, 999999, 4293967297, QStringLiteral("-7")),
            row(8000, QStringLiteral("COM-1 COM ID"), 1, 99, 0, QStringLiteral("12")),
            row(8001, QStringLiteral("COM-1 Baudrate"), 1, 5, 0, QStringLiteral("5")),
            row(8020, QStringLiteral("COM-2 COM ID"), 1, 99, 0, QStringLiteral("2")),
            row(8040, QStringLiteral("bad"), 1, 99, 1, QStringLiteral("0"))}));
    const QStringList connection {
        QStringLiteral("--tcp"), tcp, QStringLiteral("--word-order"), QStringLiteral("cd-ab")};
    sim.clearRequests();
    ProgramRun run = runProgram(QStringList {QStringLiteral("--diff"), file} + connection);
    QCOMPARE(run.status, 1);
    QCOMPARE(run.lines(),
        (QStringList {QStringLiteral("diff 1066 2 device=0 file=4294967289 COMP1 Value-2"),
            QStringLiteral("diff 8001 1 device=3 file=5 COM-1 Baudrate"),
            QStringLiteral("diff 8020 1 device=unreadable file=2 COM-2 COM ID"),
            QStringLiteral("3 rows differ")}));
    QVERIFY(sim.writes().isEmpty());

    QVERIFY(ok(sim.command(QStringLiteral("exception clear"))));
    QVERIFY(ok(sim.command(QStringLiteral("set32 1066 -7"))));
    QVERIFY(ok(sim.command(QStringLiteral("set 8001 5"))));
    run = runProgram(QStringList {QStringLiteral("--diff"), file} + connection);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.lines(), QStringList {QStringLiteral("0 rows differ")});

    // No such file, no device.
    run = runProgram(
        QStringList {QStringLiteral("--diff"), dir.filePath(QStringLiteral("none.xlsx"))} + connection);
    QCOMPARE(run.status, 2);
    SimulatorProcess gone;
    QVERIFY(gone.start());
    const quint16 port = gone.port();
    gone.stop();
    run = runProgram(
        {QStringLiteral("--diff"), file, QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port)});
    QCOMPARE(run.status, 2);
    QVERIFY(sim.writes().isEmpty());
}

// One workbook into three simulated devices (and one that is not there): each
// gets the rows that differ, checked by reading back; one line per target, the
// summary, and the status says whether all went well.
void TestFleet::cloneIntoSeveralTcpDevices()
{
    std::vector<std::unique_ptr<SimulatorProcess>> sims;
    QStringList targets;
    for (int i = 0; i < 3; ++i) {
        sims.emplace_back(new SimulatorProcess({QStringLiteral("--latency"), QStringLiteral("2")}));
        QVERIFY(sims.back()->start());
        targets << QStringLiteral("127.0.0.1:%1").arg(sims.back()->port());
    }
    SimulatorProcess source;
    QVERIFY(source.start());
    QVERIFY(ok(source.command(QStringLiteral("set32 1064 -250"))));
    QVERIFY(ok(source.command(QStringLiteral("set32 214 7"))));
    QVERIFY(ok(source.command(QStringLiteral("set 8020 17"))));
    const QString file = dir.filePath(QStringLiteral("golden.xlsx"));
    QCOMPARE(runProgram({QStringLiteral("--data-dir"), dir.filePath(QStringLiteral("data")),
                            QStringLiteral("--export"), file, QStringLiteral("--tcp"),
                            QStringLiteral("127.0.0.1:%1").arg(source.port())})
                 .status,
        0);
    // The second device already holds one of the values.
    QVERIFY(ok(sims[1]->command(QStringLiteral("set 8020 17"))));
    const quint16 deadPort = source.port();
    source.stop();
    const QString dead = QStringLiteral("127.0.0.1:%1").arg(deadPort);

    QStringList args {QStringLiteral("--clone"), file, QStringLiteral("--jobs"), QStringLiteral("2")};
    for (const QString &t : targets + QStringList {dead})
        args << QStringLiteral("--tcp") << t;
    ProgramRun run = runProgram(args);
    QCOMPARE(run.status, 1);
    const QStringList lines = run.lines();
    const int rows = parameterCatalogue().size();
    QCOMPARE(lines.size(), 5);
    QCOMPARE(
        lines.at(0), QStringLiteral("clone %1: ok written=3 unchanged=%2").arg(targets[0]).arg(rows - 3));
    QCOMPARE(
        lines.at(1), QStringLiteral("clone %1: ok written=2 unchanged=%2").arg(targets[1]).arg(rows - 2));
    QCOMPARE(
        lines.at(2), QStringLiteral("clone %1: ok written=3 unchanged=%2").arg(targets[2]).arg(rows - 3));
    QVERIFY2(lines.at(3).startsWith(QStringLiteral("clone %1: failed cannot connect to %1").arg(dead)),
        qPrintable(lines.at(3)));
    QCOMPARE(lines.at(4), QStringLiteral("clone done: 3 of 4 targets ok, 1 failed"));
    for (auto &sim : sims) {
        QCOMPARE(sim->command(QStringLiteral("get32 1064")), QStringLiteral("ok -250"));
        QCOMPARE(sim->command(QStringLiteral("get32 214")), QStringLiteral("ok 7"));
        QCOMPARE(sim->command(QStringLiteral("get 8020")), QStringLiteral("ok 17"));
    }
    // Progress goes to stderr, at most once a second.
    const int progressLines = run.err.split('\n').filter(QStringLiteral("clone progress: ")).size();
    QVERIFY2(progressLines <= run.ms / 1000 + 1, qPrintable(run.err));

    // Again: nothing to write anywhere.
    args = QStringList {QStringLiteral("--clone"), file};
    for (const QString &t : targets)
        args << QStringLiteral("--tcp") << t;
    for (auto &sim : sims)
        sim->clearRequests();
    run = runProgram(args);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.lines().last(), QStringLiteral("clone done: 3 of 3 targets ok"));
    QCOMPARE(run.lines().filter(QStringLiteral(": ok written=0 unchanged=%1").arg(rows)).size(), 3);
    for (auto &sim : sims)
        QVERIFY(sim->writes().isEmpty());
}

void TestFleet::cloneOverOneSerialBus_data()
{
    QTest::addColumn<bool>("converter");
    QTest::newRow("serial port") << false;
    QTest::newRow("RTU over TCP converter") << true;
}

// Devices on one serial bus are cloned one after another through one port;
// behind an RTU over TCP converter through one connection.
void TestFleet::cloneOverOneSerialBus()
{
    QFETCH(bool, converter);
    PtyPair pty;
    QStringList simArgs {QStringLiteral("--rtu-tcp"), QStringLiteral("127.0.0.1:0")};
    if (!converter) {
        Q4_REQUIRE_TOOL("socat");
        QVERIFY(pty.start());
        simArgs = QStringList {
            QStringLiteral("--rtu"), pty.first(), QStringLiteral("--baud"), QStringLiteral("115200")};
    }
    SimulatorProcess sim(simArgs + QStringList {QStringLiteral("--id"), QStringLiteral("2,5,9")});
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    const QString bus = converter ? QStringLiteral("127.0.0.1:%1").arg(sim.port()) : pty.second();
    const QStringList transport = converter
        ? QStringList {QStringLiteral("--rtu-tcp"), bus}
        : QStringList {QStringLiteral("--rtu"), bus, QStringLiteral("--baud"), QStringLiteral("115200")};
    QVERIFY(ok(sim.command(QStringLiteral("@5 set 8000 44"))));
    const QString file = dir.filePath(QStringLiteral("bus.xlsx"));
    QVERIFY(XlsxWorkbook::create(file, ParameterSheetName,
        {{QStringLiteral("h")}, row(8000, QStringLiteral("COM-1 COM ID"), 1, 99, 0, QStringLiteral("44")),
            row(1064, QStringLiteral("COMP1 Value-1"), 2, 999999, 4293967297, QStringLiteral("-3"))}));
    const ProgramRun run = runProgram(QStringList {QStringLiteral("--clone"), file} + transport
        + QStringList {QStringLiteral("--id"), QStringLiteral("2,5,7"), QStringLiteral("--timeout"),
            QStringLiteral("300")});
    QCOMPARE(run.status, 1);
    const QStringList lines = run.lines();
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), QStringLiteral("clone %1@2: ok written=2 unchanged=0").arg(bus));
    QCOMPARE(lines.at(1), QStringLiteral("clone %1@5: ok written=1 unchanged=1").arg(bus));
    QCOMPARE(
        lines.at(2), QStringLiteral("clone %1@7: failed no answer from server address 7 at %1").arg(bus));
    QCOMPARE(lines.at(3), QStringLiteral("clone done: 2 of 3 targets ok, 1 failed"));
    for (const QString &id : {QStringLiteral("@2 "), QStringLiteral("@5 ")}) {
        QCOMPARE(sim.command(id + QStringLiteral("get 8000")), QStringLiteral("ok 44"));
        QCOMPARE(sim.command(id + QStringLiteral("get32 1064")), QStringLiteral("ok -3"));
    }
    QCOMPARE(sim.command(QStringLiteral("@9 get 8000")), QStringLiteral("ok 1"));
    // One device after another, as on the serial line.
    const QStringList requests = sim.requests();
    int lastOfTwo = -1;
    for (int i = 0; i < requests.size(); ++i)
        lastOfTwo = requests.at(i).startsWith(QLatin1String("@2 ")) ? i : lastOfTwo;
    QVERIFY(lastOfTwo >= 0);
    QVERIFY(lastOfTwo < requests.indexOf(QRegularExpression(QStringLiteral("^@5 .*"))));
}

// The import tab's Compare lists the differing rows before anything is
// written; Close writes nothing, Import goes on with that workbook.
void TestFleet::pageComparesBeforeWriting()
{
    SimulatorProcess sim;
    QVERIFY(sim.start());
    QVERIFY(connectTestClient(sim));
    const QString file = dir.filePath(QStringLiteral("page.xlsx"));
    QVERIFY(XlsxWorkbook::create(file, ParameterSheetName,
        {{QStringLiteral("h")}, row(8000, QStringLiteral("COM-1 COM ID"), 1, 99, 0, QStringLiteral("21")),
            row(8001, QStringLiteral("COM-1 Baudrate"), 1, 5, 0, QStringLiteral("3")),
            row(1064, QStringLiteral("COMP1 Value-1"), 2, 999999, 4293967297, QStringLiteral("-2"))}));
    TestMaintain page;
    DialogWatcher watcher;
    watcher.fileToChoose = file;
    int writesWhileShown = -1;
    watcher.onComparison = [&] { writesWhileShown = sim.writes().size(); };
    sim.clearRequests();
    QMetaObject::invokeMethod(&page, "on_Btn_Compare_clicked");
    QCOMPARE(watcher.table,
        (QStringList {QStringLiteral("8000 1 1 21 COM-1 COM ID"),
            QStringLiteral("1064 2 0 4294967294 COMP1 Value-1")}));
    QVERIFY(watcher.summary.startsWith(QStringLiteral("2 rows differ")));
    QCOMPARE(writesWhileShown, 0);
    QVERIFY(sim.writes().isEmpty());
    QVERIFY(watcher.popups.isEmpty());
    QVERIFY(page.importIdle);

    watcher.importFromComparison = true;
    QMetaObject::invokeMethod(&page, "on_Btn_Compare_clicked");
    QCOMPARE(writesWhileShown, 0);
    QCOMPARE(sim.writes().size(), 2);
    QCOMPARE(sim.command(QStringLiteral("get 8000")), QStringLiteral("ok 21"));
    QCOMPARE(watcher.popups.size(), 2);
    QVERIFY(watcher.popups.at(0).contains(QStringLiteral("Start Importing!")));
    QVERIFY(watcher.popups.at(1).contains(QStringLiteral("Import Successful!")));
    QCOMPARE(page.form()->label_importResult->text(),
        QStringLiteral("Written: 2, unchanged: 1, failed: 0, invalid: 0; verified: 2, mismatched: 0."));
    QVERIFY(page.importIdle && !linkSession().held());
}

QTEST_MAIN(TestFleet)
#include "tst_fleet.moc"
