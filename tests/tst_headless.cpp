// Workbook runs from the command line, without a window: option handling,
// exit status, progress and result lines, the saved connection.

#include "app/appstate.h"
#include "link/linkstate.h"
#include "support/ptypair.h"
#include "support/simulatorprocess.h"
#include "workbook/headlessrun.h"
#include "workbook/parameterworkbook.h"
#include "workbook/xlsxworkbook.h"

#include <QCommandLineParser>
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
    return runWorkbookCommandLine(parser);
}

QString cell(const QString &path, int row, int column)
{
    XlsxWorkbook wb;
    if (!wb.open(path))
        return QStringLiteral("<unreadable>");
    XlsxSheet *s = wb.sheet(ParameterSheetName);
    return s ? s->cellText(row, column) : QStringLiteral("<no sheet>");
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

void TestHeadless::cleanup()
{
    setDataDirectory(QString());
    pollBusy = false;
}

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
    QVERIFY(!modbusClient);
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
    QVERIFY(!modbusClient);

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
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("Q4_MODBUS_LOG"), QStringLiteral("0"));
    p.setProcessEnvironment(env);
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

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
