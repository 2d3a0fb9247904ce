// Workbook runs from the command line, without a window: option handling,
// exit status, progress and result lines, the saved connection.

#include "cli/headlessrun.h"
#include "link/linksession.h"
#include "params/appstate.h"
#include "params/registermap.h"
#include "support/programrun.h"
#include "support/ptypair.h"
#include "support/simulatorprocess.h"
#include "workbook/parameterworkbook.h"
#include "workbook/xlsxworkbook.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString templatePath(int language)
{
    return QStringLiteral(Q4_BINARY_DIR "/Template/") + templateFileName(language);
}

// Runs the workbook command of an argument list in this process.
int runInProcess(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("data-dir"), QStringLiteral("data"), QStringLiteral("DIR")});
    addWorkbookOptions(parser);
    if (!parser.parse(QStringList {QStringLiteral("q4config")} + args)) {
        qWarning() << parser.errorText();
        return -2;
    }
    if (parser.isSet(QStringLiteral("data-dir")))
        setDataDirectory(parser.value(QStringLiteral("data-dir")));
    LinkSession session;
    return runWorkbookCommandLine(parser, session);
}

QString cell(const QString &path, int row, int column)
{
    XlsxWorkbook wb;
    if (!wb.open(path))
        return QStringLiteral("<unreadable>");
    XlsxSheet *s = wb.sheet(ParameterSheetName);
    return s ? s->cellText(row, column) : QStringLiteral("<no sheet>");
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The program itself, without a display.
QString lastLine(const QString &text) { return text.trimmed().split(QLatin1Char('\n')).last(); }

// A workbook of rows that each write value into register 8000 (COM1 ID, 0..99).
bool idRowsWorkbook(const QString &path, int rows, int value)
{
    QVector<QVector<QVariant>> content {{QStringLiteral("h")}};
    while (content.size() < rows)
        content.append({qint64(8000), QStringLiteral("COM1 ID"), qint64(1), qint64(99), qint64(0), QString(),
            QString::number(value)});
    return XlsxWorkbook::create(path, ParameterSheetName, content);
}

} // namespace

class TestHeadless : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void noWorkbookOptionStartsTheWindow();
    void badOptionsFail();
    void exportAndImportOverTcp();
    void savedConnectionAndChineseTemplate();
    void failuresGiveNonZeroStatus();
    void importOverRtu();
    void programRunsWithoutWindow();
    void exportKeepsExistingFile();
    void deviceCheckBeforeTheRun();
    void runEndsWhenDeviceStopsAnswering();
    void runEndsWhenLinkIsGone();
    void resultLineCounts();

private:
    QTemporaryDir dir;
};

void TestHeadless::initTestCase()
{
    QVERIFY(QFileInfo(templatePath(0)).isFile());
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("data/Template"))));
    for (int language : {0, 1})
        QVERIFY(QFile::copy(templatePath(language),
            dir.filePath(QStringLiteral("data/Template/")) + templateFileName(language)));
}

void TestHeadless::cleanup() { setDataDirectory(QString()); }

void TestHeadless::noWorkbookOptionStartsTheWindow()
{
    QCOMPARE(runInProcess({}), -1);
    QCOMPARE(runInProcess({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:1")}), -1);
}

void TestHeadless::badOptionsFail()
{
    const QString file = dir.filePath(QStringLiteral("x.xlsx"));
    QCOMPARE(runInProcess({QStringLiteral("--export"), file, QStringLiteral("--import"), file}), 2);
    QCOMPARE(runInProcess(
                 {QStringLiteral("--export"), file, QStringLiteral("--tcp"), QStringLiteral("nohostport")}),
        2);
    QCOMPARE(runInProcess({QStringLiteral("--export"), file, QStringLiteral("--tcp"), QStringLiteral("h:1"),
                 QStringLiteral("--word-order"), QStringLiteral("ba-dc")}),
        2);
    QCOMPARE(runInProcess({QStringLiteral("--export"), file, QStringLiteral("--tcp"), QStringLiteral("h:1"),
                 QStringLiteral("--language"), QStringLiteral("fr")}),
        2);
    QVERIFY(!QFileInfo::exists(file));
}

void TestHeadless::exportAndImportOverTcp()
{
    SimulatorProcess sim({QStringLiteral("--word-order"), QStringLiteral("cd-ab")});
    QVERIFY(sim.start());
    QVERIFY(sim.command(QStringLiteral("set32 1064 -1")).startsWith(QLatin1String("ok")));
    const QString tcp = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    const QString file = dir.filePath(QStringLiteral("out/device.xlsx"));
    QCOMPARE(runInProcess({QStringLiteral("--data-dir"), dir.filePath(QStringLiteral("data")),
                 QStringLiteral("--export"), file, QStringLiteral("--tcp"), tcp,
                 QStringLiteral("--word-order"), QStringLiteral("cd-ab")}),
        0);
    QVERIFY(!linkSession().modbusClient);
    QCOMPARE(cell(file, 1, ColumnValue), QStringLiteral("Export Value"));
    int row = 0;
    for (int r = 2; r < 400 && !row; ++r) {
        if (cell(file, r, ColumnAddress) == QLatin1String("1064"))
            row = r;
    }
    QVERIFY(row > 0);
    QCOMPARE(cell(file, row, ColumnValue), QStringLiteral("4294967295"));

    QVERIFY(sim.command(QStringLiteral("set32 1064 77")).startsWith(QLatin1String("ok")));
    QCOMPARE(runInProcess({QStringLiteral("--import"), file, QStringLiteral("--tcp"), tcp,
                 QStringLiteral("--word-order"), QStringLiteral("cd-ab")}),
        0);
    QCOMPARE(sim.command(QStringLiteral("get32 1064")), QStringLiteral("ok -1"));
}

void TestHeadless::savedConnectionAndChineseTemplate()
{
    SimulatorProcess sim;
    QVERIFY(sim.start());
    const QString data = dir.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(data + QStringLiteral("/Setting")));
    {
        QSettings settings(data + QStringLiteral("/Setting/setting.ini"), QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Q4"));
        settings.setValue(QStringLiteral("EditPort"), QString::number(sim.port()));
        settings.setValue(QStringLiteral("spinboxSlaveId"), QStringLiteral("1"));
        settings.setValue(QStringLiteral("EditHostIP"), QStringLiteral("127.0.0.1"));
        settings.setValue(QStringLiteral("DwordFormat"), 0);
        settings.setValue(QStringLiteral("connectType"), 1);
        settings.setValue(QStringLiteral("timeoutSpinner"), QStringLiteral("500"));
    }
    const QString file = dir.filePath(QStringLiteral("cn.xlsx"));
    QCOMPARE(runInProcess({QStringLiteral("--data-dir"), data, QStringLiteral("--export"), file,
                 QStringLiteral("--language"), QStringLiteral("cn")}),
        0);
    QCOMPARE(cell(file, 1, ColumnValue), QStringLiteral("导出数据"));
    QCOMPARE(cell(file, 1, ColumnAddress), QStringLiteral("地址"));
}

void TestHeadless::failuresGiveNonZeroStatus()
{
    // Nobody listens on the port.
    SimulatorProcess sim;
    QVERIFY(sim.start());
    const quint16 port = sim.port();
    sim.stop();
    const QString data = dir.filePath(QStringLiteral("data"));
    QCOMPARE(runInProcess({QStringLiteral("--data-dir"), data, QStringLiteral("--export"),
                 dir.filePath(QStringLiteral("n.xlsx")), QStringLiteral("--tcp"),
                 QStringLiteral("127.0.0.1:%1").arg(port)}),
        1);
    QVERIFY(!linkSession().modbusClient);

    SimulatorProcess live;
    QVERIFY(live.start());
    const QString tcp = QStringLiteral("127.0.0.1:%1").arg(live.port());
    // Missing file, missing sheet, a device that rejects a row.
    QCOMPARE(runInProcess({QStringLiteral("--import"), dir.filePath(QStringLiteral("none.xlsx")),
                 QStringLiteral("--tcp"), tcp}),
        1);
    const QString other = dir.filePath(QStringLiteral("other.xlsx"));
    QVERIFY(XlsxWorkbook::create(other, QStringLiteral("Sheet1"), {{QStringLiteral("x")}}));
    QCOMPARE(runInProcess({QStringLiteral("--import"), other, QStringLiteral("--tcp"), tcp}), 1);
    QVERIFY(live.command(QStringLiteral("exception 8000 4")).startsWith(QLatin1String("ok")));
    QCOMPARE(runInProcess({QStringLiteral("--data-dir"), data, QStringLiteral("--export"),
                 dir.filePath(QStringLiteral("f.xlsx")), QStringLiteral("--tcp"), tcp}),
        1);
    // A missing template: no export file.
    QTemporaryDir emptyRoot;
    QCOMPARE(runInProcess({QStringLiteral("--data-dir"), emptyRoot.path(), QStringLiteral("--export"),
                 dir.filePath(QStringLiteral("t.xlsx")), QStringLiteral("--tcp"), tcp}),
        1);
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("t.xlsx"))));
}

void TestHeadless::importOverRtu()
{
    Q4_REQUIRE_TOOL("socat");
    PtyPair pty;
    QVERIFY(pty.start());
    const QString deviceSide = pty.first();
    const QString hostSide = pty.second();
    SimulatorProcess sim(
        {QStringLiteral("--rtu"), deviceSide, QStringLiteral("--baud"), QStringLiteral("115200"),
            QStringLiteral("--parity"), QStringLiteral("none"), QStringLiteral("--id"), QStringLiteral("7")});
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    const QString file = dir.filePath(QStringLiteral("rtu.xlsx"));
    QVERIFY(XlsxWorkbook::create(file, ParameterSheetName,
        {{QStringLiteral("h")},
            {qint64(8000), QStringLiteral("a"), qint64(1), qint64(247), qint64(1), QString(),
                QStringLiteral("12")},
            {qint64(1064), QStringLiteral("b"), qint64(2), qint64(999999), qint64(4293967297), QString(),
                QStringLiteral("4294967196")}}));
    QCOMPARE(runInProcess({QStringLiteral("--import"), file, QStringLiteral("--rtu"), hostSide,
                 QStringLiteral("--baud"), QStringLiteral("115200"), QStringLiteral("--parity"),
                 QStringLiteral("none"), QStringLiteral("--id"), QStringLiteral("7")}),
        0);
    QCOMPARE(sim.command(QStringLiteral("get 8000")), QStringLiteral("ok 12"));
    QCOMPARE(sim.command(QStringLiteral("get32 1064")), QStringLiteral("ok -100"));
    sim.stop();
}

void TestHeadless::programRunsWithoutWindow()
{
    // The program itself, when its entry point hands the workbook options over.
    QProcess help;
    help.start(QStringLiteral(Q4CONFIG_PATH), {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(20000));
    if (!help.readAllStandardOutput().contains("--export"))
        QSKIP("q4config does not offer --export");
    SimulatorProcess sim;
    QVERIFY(sim.start());
    const QString file = dir.filePath(QStringLiteral("program.xlsx"));
    QProcess p;
    prepareProgram(p);
    p.start(QStringLiteral(Q4CONFIG_PATH),
        {QStringLiteral("--data-dir"), dir.filePath(QStringLiteral("data")), QStringLiteral("--export"), file,
            QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.port())});
    QVERIFY(p.waitForFinished(60000));
    const QString output = QString::fromUtf8(p.readAllStandardOutput());
    QCOMPARE(p.exitCode(), 0);
    QVERIFY2(output.contains(QStringLiteral("row ")), qPrintable(output));
    QVERIFY2(output.trimmed().split(QLatin1Char('\n')).last().startsWith(QStringLiteral("export done: ")),
        qPrintable(output));
    QCOMPARE(cell(file, 1, ColumnValue), QStringLiteral("Export Value"));
}

// An export that cannot reach the device leaves the previous file as it was,
// with no temporary file beside it.
void TestHeadless::exportKeepsExistingFile()
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("backup.xlsx"));
    QVERIFY(QFile::copy(templatePath(1), file));
    const QByteArray previous = fileBytes(file);
    const QString data = dir.filePath(QStringLiteral("data"));

    SimulatorProcess gone;
    QVERIFY(gone.start());
    const quint16 port = gone.port();
    gone.stop();
    QCOMPARE(runInProcess({QStringLiteral("--data-dir"), data, QStringLiteral("--export"), file,
                 QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port)}),
        1);
    QCOMPARE(fileBytes(file), previous);

    SimulatorProcess silent;
    QVERIFY(silent.start());
    QVERIFY(silent.command(QStringLiteral("silent on")).startsWith(QLatin1String("ok")));
    QCOMPARE(runInProcess({QStringLiteral("--data-dir"), data, QStringLiteral("--export"), file,
                 QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(silent.port()),
                 QStringLiteral("--timeout"), QStringLiteral("200")}),
        1);
    QCOMPARE(fileBytes(file), previous);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
        QStringList {QStringLiteral("backup.xlsx")});
    QVERIFY(!linkSession().modbusClient);
}

// The connection page's test read comes first: a device that does not answer
// ends the run at once, naming the server address and where it was looked for.
// A legacy .xls is refused before anything is tried.
void TestHeadless::deviceCheckBeforeTheRun()
{
    SimulatorProcess sim;
    QVERIFY(sim.start());
    const QString tcp = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    const QString file = dir.filePath(QStringLiteral("check.xlsx"));
    sim.clearRequests();
    const ProgramRun run = runProgram({QStringLiteral("--data-dir"), dir.filePath(QStringLiteral("data")),
        QStringLiteral("--export"), file, QStringLiteral("--tcp"), tcp, QStringLiteral("--id"),
        QStringLiteral("7"), QStringLiteral("--timeout"), QStringLiteral("300")});
    QCOMPARE(run.status, 1);
    QVERIFY2(
        run.err.contains(QStringLiteral("no answer from server address 7 at ") + tcp), qPrintable(run.err));
    QVERIFY(!QFileInfo::exists(file));

    const QString xls = dir.filePath(QStringLiteral("old.xls"));
    QVERIFY(idRowsWorkbook(xls, 3, 5));
    const ProgramRun legacy = runProgram({QStringLiteral("--import"), xls, QStringLiteral("--tcp"), tcp});
    QCOMPARE(legacy.status, 2);
    QVERIFY2(legacy.err.contains(QStringLiteral("not an .xlsx workbook: save it as .xlsx")),
        qPrintable(legacy.err));
}

// A device that goes quiet ends the run after five rows without an answer; the
// result line says which rows were done, and the previous export file stays.
// (One request per row here, so requests and rows can be counted alike.)
void TestHeadless::runEndsWhenDeviceStopsAnswering()
{
    SimulatorProcess sim({QStringLiteral("--latency"), QStringLiteral("5")});
    QVERIFY(sim.start());
    const QString tcp = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    const QString file = dir.filePath(QStringLiteral("quiet.xlsx"));
    QVERIFY(idRowsWorkbook(file, 3, 9));
    const QByteArray previous = fileBytes(file);
    sim.clearRequests();
    QProcess p;
    prepareProgram(p);
    p.start(QStringLiteral(Q4CONFIG_PATH),
        {QStringLiteral("--data-dir"), dir.filePath(QStringLiteral("data")), QStringLiteral("--export"), file,
            QStringLiteral("--tcp"), tcp, QStringLiteral("--timeout"), QStringLiteral("200"),
            QStringLiteral("--row-by-row")});
    // Some rows in, the device goes quiet.
    QVERIFY(sim.waitForRequest(QStringLiteral("read-hr 1000 "), 20000));
    QVERIFY(sim.command(QStringLiteral("silent on")).startsWith(QLatin1String("ok")));
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
    const QString line = lastLine(QString::fromUtf8(p.readAllStandardOutput()));

    QStringList reads = sim.requests().filter(QRegularExpression(QStringLiteral("^read-hr ")));
    QVERIFY(!reads.isEmpty());
    reads.removeFirst(); // the test read before the run
    reads.removeFirst(); // the serial number for the history
    const int unanswered = reads.filter(QStringLiteral(" no-answer")).size();
    const int answered = reads.size() - unanswered;
    QCOMPARE(unanswered, 5);
    const int rows = parameterCatalogue().size() + 1;
    QVERIFY(answered < rows - 10);
    const QString want
        = QStringLiteral("export failed: no answer from server address 1 at %1 for 5 rows in a row: "
                         "rows 2 to %2 done, rows %3 to %4 not done; %5 left as it was")
              .arg(tcp)
              .arg(answered + 1)
              .arg(answered + 2)
              .arg(rows)
              .arg(file);
    QCOMPARE(line, want);
    QCOMPARE(fileBytes(file), previous);
}

// A link that goes away ends the run at the next row instead of failing every
// row after it; the result line says which rows were done.
void TestHeadless::runEndsWhenLinkIsGone()
{
    SimulatorProcess sim({QStringLiteral("--latency"), QStringLiteral("5")});
    QVERIFY(sim.start());
    const QString tcp = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    const QString file = dir.filePath(QStringLiteral("gone.xlsx"));
    const int rows = 400;
    QVERIFY(idRowsWorkbook(file, rows, 9));
    sim.clearRequests();
    QProcess p;
    prepareProgram(p);
    p.start(QStringLiteral(Q4CONFIG_PATH), {QStringLiteral("--import"), file, QStringLiteral("--tcp"), tcp});
    // Some rows in, the connection is closed.
    QVERIFY(sim.waitForRequest(QStringLiteral("write 8000 "), 20000));
    QTest::qWait(100);
    QVERIFY(sim.command(QStringLiteral("drop")).startsWith(QLatin1String("ok")));
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
    const QString line = lastLine(QString::fromUtf8(p.readAllStandardOutput()));
    const QRegularExpression want(
        QStringLiteral("^import failed: the link to %1 is gone: rows 2 to (\\d+) done, rows (\\d+) to %2 not "
                       "done; (\\d+) values written; [01] failed")
            .arg(QRegularExpression::escape(tcp))
            .arg(rows));
    const QRegularExpressionMatch match = want.match(line);
    QVERIFY2(match.hasMatch(), qPrintable(line));
    const int lastDone = match.captured(1).toInt();
    QCOMPARE(match.captured(2).toInt(), lastDone + 1);
    QVERIFY2(lastDone < rows - 10, qPrintable(line));
    // Nothing was sent after the row that found the link gone.
    QVERIFY(sim.requests().filter(QStringLiteral("write 8000 ")).size() <= lastDone);
}

// The done line of a run with refused rows carries the counts and the failed
// addresses; the status is not 0. A row the device already holds is not written.
void TestHeadless::resultLineCounts()
{
    SimulatorProcess sim;
    QVERIFY(sim.start());
    const QString tcp = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    QVERIFY(sim.command(QStringLiteral("exception 8020 4")).startsWith(QLatin1String("ok")));
    const QString file = dir.filePath(QStringLiteral("counts.xlsx"));
    QVERIFY(XlsxWorkbook::create(file, ParameterSheetName,
        {{QStringLiteral("h")},
            {qint64(8000), QStringLiteral("a"), qint64(1), qint64(99), qint64(0), QString(),
                QStringLiteral("12")},
            {qint64(8020), QStringLiteral("b"), qint64(1), qint64(99), qint64(0), QString(),
                QStringLiteral("13")},
            {qint64(8040), QStringLiteral("c"), qint64(1), qint64(99), qint64(1), QString(),
                QStringLiteral("0")}}));
    ProgramRun run = runProgram({QStringLiteral("--import"), file, QStringLiteral("--tcp"), tcp});
    QCOMPARE(run.status, 1);
    QCOMPARE(lastLine(run.out),
        QStringLiteral("import done: 1 values written from %1; 1 failed (first failed addresses: 8020); 1 "
                       "skipped; 0 unchanged; 1 verified, 0 mismatched")
            .arg(file));

    QVERIFY(sim.command(QStringLiteral("exception clear")).startsWith(QLatin1String("ok")));
    run = runProgram({QStringLiteral("--import"), file, QStringLiteral("--tcp"), tcp});
    QCOMPARE(run.status, 0);
    QCOMPARE(lastLine(run.out),
        QStringLiteral(
            "import done: 1 values written from %1; 0 failed; 1 skipped; 1 unchanged; 1 verified, 0 "
            "mismatched")
            .arg(file));
}

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
