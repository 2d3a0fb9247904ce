// Command-line runs against hostile input and failing resources: workbooks
// that are folders, carry names that are no UTF-8 or hold a part twice; a
// traffic log that cannot be written or is a symbolic link; the mode of a new
// export under the umask; a device that stalls in the middle of an import; a
// saved serial port that is no port.

#include "support/programrun.h"
#include "support/simulatorprocess.h"
#include "workbook/parameterworkbook.h"
#include "workbook/xlsxworkbook.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace {

QString templatePath(int language)
{
    return QStringLiteral(Q4_BINARY_DIR "/Template/") + templateFileName(language);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString lastLine(const QString &text) { return text.trimmed().split(QLatin1Char('\n')).last(); }

int fileMode(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 0777);
}

// A workbook of rows that each write value into register 8000 (COM1 ID, 0..99).
bool idRowsWorkbook(const QString &path, int rows, int value)
{
    QVector<QVector<QVariant>> content {{QStringLiteral("h")}};
    while (content.size() < rows)
        content.append({qint64(8000), QStringLiteral("COM1 ID"), qint64(1), qint64(99), qint64(0), QString(),
            QString::number(value)});
    return XlsxWorkbook::create(path, ParameterSheetName, content);
}

// A valid workbook with a second copy of its sheet part under the same name:
// the copy is added under a name of the same length, then renamed in the
// package's bytes (local header and central directory alike).
bool duplicatePartWorkbook(const QString &path)
{
    if (!idRowsWorkbook(path, 3, 5))
        return false;
    int code = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), 0, &code);
    if (!zip)
        return false;
    static const char other[] = "<worksheet/>";
    zip_source_t *source = zip_source_buffer(zip, other, sizeof other - 1, 0);
    if (zip_file_add(zip, "xl/worksheets/sheetX.xml", source, ZIP_FL_ENC_UTF_8) < 0 || zip_close(zip) != 0) {
        zip_discard(zip);
        return false;
    }
    QByteArray bytes = fileBytes(path);
    bytes.replace("xl/worksheets/sheetX.xml", "xl/worksheets/sheet1.xml");
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Runs q4config through /bin/sh: shellPrefix first (umask, ulimit), then the
// program with args and, when given, rawLast as one more argument of raw bytes
// (a name that is no UTF-8 cannot pass through a QString).
ProgramRun runInShell(const QString &shellPrefix, const QStringList &args, const QByteArray &rawLast = {})
{
    QString script = shellPrefix + QStringLiteral(" exec \"$0\" \"$@\"");
    if (!rawLast.isEmpty()) {
        QString octal;
        for (const char c : rawLast)
            octal += QStringLiteral("\\%1").arg(uint(quint8(c)), 3, 8, QLatin1Char('0'));
        script += QStringLiteral(" \"$(printf '%1')\"").arg(octal);
    }
    QProcess p;
    prepareProgram(p);
    p.start(QStringLiteral("/bin/sh"),
        QStringList {QStringLiteral("-c"), script, QStringLiteral(Q4CONFIG_PATH)} + args);
    ProgramRun run;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished(5000);
        return run;
    }
    run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

} // namespace

class TestHeadlessFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void hostileWorkbooks_data();
    void hostileWorkbooks();
    void trafficLogFailures_data();
    void trafficLogFailures();
    void newExportHonoursUmask_data();
    void newExportHonoursUmask();
    void stalledImportCountsUnconfirmedWrites();
    void savedPortThatIsNoPort_data();
    void savedPortThatIsNoPort();

private:
    QTemporaryDir dir;
    QString data; // --data-dir with the templates
};

void TestHeadlessFaults::initTestCase()
{
    QVERIFY(dir.isValid());
    data = dir.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(data + QStringLiteral("/Template")));
    QVERIFY(QFile::copy(templatePath(0), data + QStringLiteral("/Template/") + templateFileName(0)));
}

void TestHeadlessFaults::cleanupTestCase()
{
    // A name that is no UTF-8 is beyond QDir's reach: removed by its bytes.
    ::unlink((QFile::encodeName(dir.path()) + "/bad\xff.xlsx").constData());
}

// Each workbook is refused with a result line that says what it is, without a
// code, and nothing is written to the device.
void TestHeadlessFaults::hostileWorkbooks_data()
{
    QTest::addColumn<QString>("run");
    QTest::addColumn<QByteArray>("name"); // in dir, raw bytes
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");

    QTest::newRow("folder, import") << "import" << QByteArray("folder.xlsx") << 1
                                    << "folder.xlsx is a folder, not a workbook";
    QTest::newRow("folder, diff") << "diff" << QByteArray("folder.xlsx") << 2
                                  << "folder.xlsx is a folder, not a workbook";
    QTest::newRow("folder, export") << "export" << QByteArray("folder.xlsx") << 2
                                    << "folder.xlsx is a folder, not a workbook";
    QTest::newRow("name not UTF-8") << "import" << QByteArray("bad\xff.xlsx") << 1
                                    << ".xlsx: the file name is not valid UTF-8 (rename the file)";
    QTest::newRow("part twice, import")
        << "import" << QByteArray("twice.xlsx") << 1 << "it holds two entries named xl/worksheets/sheet1.xml";
    QTest::newRow("part twice, clone")
        << "clone" << QByteArray("twice.xlsx") << 2 << "it holds two entries named xl/worksheets/sheet1.xml";
    QTest::newRow("device file") << "import" << QByteArray("/dev/null") << 1
                                 << "/dev/null is not a regular file";
}

void TestHeadlessFaults::hostileWorkbooks()
{
    QFETCH(QString, run);
    QFETCH(QByteArray, name);
    QFETCH(int, status);
    QFETCH(QString, says);
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("folder.xlsx"))));
    QVERIFY(duplicatePartWorkbook(dir.filePath(QStringLiteral("twice.xlsx"))));
    const QByteArray raw = name.startsWith('/') ? name : QFile::encodeName(dir.path()) + '/' + name;
    if (name.startsWith("bad")) {
        // A good workbook under a name that is no UTF-8.
        QVERIFY(idRowsWorkbook(dir.filePath(QStringLiteral("good.xlsx")), 3, 5));
        QCOMPARE(::rename(QFile::encodeName(dir.filePath(QStringLiteral("good.xlsx"))).constData(),
                     raw.constData()),
            0);
    }
    SimulatorProcess sim;
    QVERIFY(sim.start());
    const ProgramRun result = runInShell(QString(),
        {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.port()), QStringLiteral("--") + run},
        raw);
    QCOMPARE(result.status, status);
    const QString text = result.out + result.err;
    QVERIFY2(text.contains(QStringLiteral("%1 failed: ").arg(run)), qPrintable(text));
    QVERIFY2(text.contains(says), qPrintable(text));
    QVERIFY2(!text.contains(QRegularExpression(QStringLiteral("error[1-5]"))), qPrintable(text));
    QVERIFY(sim.writes().isEmpty());
}

// A log that cannot be written fails the run and names the file: at the start
// (nothing is sent then), or when the disk fills during the run (the run goes
// on, its status says the record is incomplete). A symbolic link is refused
// and its target left alone.
void TestHeadlessFaults::trafficLogFailures_data()
{
    QTest::addColumn<QString>("shellPrefix");
    QTest::addColumn<QString>("log"); // "link" for a symbolic link in dir
    QTest::addColumn<QString>("says");
    QTest::addColumn<bool>("runGoesOn");

    QTest::newRow("full device") << QString() << "/dev/full"
                                 << "cannot write --log-traffic /dev/full: No space left on device" << false;
    QTest::newRow("symbolic link") << QString() << "link"
                                   << "it is a symbolic link" << false;
    // ulimit -f counts 512-byte blocks: one block holds a few lines.
    QTest::newRow("disk fills") << "ulimit -f 1; trap '' XFSZ;"
                                << "small.csv"
                                << "small.csv: File too large; the traffic record is incomplete" << true;
}

void TestHeadlessFaults::trafficLogFailures()
{
    QFETCH(QString, shellPrefix);
    QFETCH(QString, log);
    QFETCH(QString, says);
    QFETCH(bool, runGoesOn);
    const QString target = dir.filePath(QStringLiteral("target.csv"));
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("not a log\n");
    }
    const bool inDir = !log.startsWith(QLatin1Char('/'));
    const QString path = inDir ? dir.filePath(log) : log;
    if (inDir)
        QFile::remove(path);
    if (log == QLatin1String("link"))
        QVERIFY(QFile::link(target, path));
    const QString workbook = dir.filePath(QStringLiteral("rows.xlsx"));
    QVERIFY(idRowsWorkbook(workbook, 40, 9));
    SimulatorProcess sim;
    QVERIFY(sim.start());
    sim.clearRequests();
    const ProgramRun run = runInShell(shellPrefix,
        {QStringLiteral("--diff"), workbook, QStringLiteral("--row-by-row"), QStringLiteral("--tcp"),
            QStringLiteral("127.0.0.1:%1").arg(sim.port()), QStringLiteral("--log-traffic"), path});
    // A diff's failures are 2 (1 says that rows differ).
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("--log-traffic ") + path), qPrintable(run.err));
    QCOMPARE(fileBytes(target), QByteArray("not a log\n"));
    if (runGoesOn) {
        QVERIFY2(lastLine(run.out).endsWith(QStringLiteral(" rows differ")), qPrintable(run.out));
        QVERIFY(QFileInfo(path).size() <= 512);
    } else {
        QVERIFY(run.out.isEmpty());
        QVERIFY(sim.requests().isEmpty());
    }
}

// A first export gets the mode the umask gives any new file; a file it
// replaces keeps its own.
void TestHeadlessFaults::newExportHonoursUmask_data()
{
    QTest::addColumn<QString>("umask");
    QTest::addColumn<int>("existingMode"); // 0: no file before
    QTest::addColumn<int>("mode");

    QTest::newRow("new, 022") << "022" << 0 << 0644;
    QTest::newRow("new, 077") << "077" << 0 << 0600;
    QTest::newRow("new, 002") << "002" << 0 << 0664;
    QTest::newRow("replaced 0600, 022") << "022" << 0600 << 0600;
}

void TestHeadlessFaults::newExportHonoursUmask()
{
    QFETCH(QString, umask);
    QFETCH(int, existingMode);
    QFETCH(int, mode);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("backup.xlsx"));
    if (existingMode) {
        QVERIFY(QFile::copy(templatePath(0), file));
        QCOMPARE(::chmod(QFile::encodeName(file).constData(), mode_t(existingMode)), 0);
    }
    SimulatorProcess sim;
    QVERIFY(sim.start());
    const ProgramRun run = runInShell(QStringLiteral("umask %1;").arg(umask),
        {QStringLiteral("--data-dir"), data, QStringLiteral("--export"), file, QStringLiteral("--tcp"),
            QStringLiteral("127.0.0.1:%1").arg(sim.port())});
    QCOMPARE(run.status, 0);
    QCOMPARE(QString::number(fileMode(file), 8), QString::number(mode, 8));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
        QStringList {QStringLiteral("backup.xlsx")});
}

// The writes an import sent before the device went quiet are counted as sent
// and not confirmed: the device may have applied them. Written, failed and
// unconfirmed add up to every write the device was sent.
void TestHeadlessFaults::stalledImportCountsUnconfirmedWrites()
{
    SimulatorProcess sim({QStringLiteral("--latency"), QStringLiteral("5")});
    QVERIFY(sim.start());
    const QString tcp = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    const QString file = dir.filePath(QStringLiteral("stall.xlsx"));
    const int rows = 400;
    QVERIFY(idRowsWorkbook(file, rows, 9));
    sim.clearRequests();
    QProcess p;
    prepareProgram(p);
    p.start(QStringLiteral(Q4CONFIG_PATH),
        {QStringLiteral("--import"), file, QStringLiteral("--tcp"), tcp, QStringLiteral("--timeout"),
            QStringLiteral("200")});
    QVERIFY(sim.waitForRequest(QStringLiteral("write 8000 "), 20000));
    QVERIFY(sim.command(QStringLiteral("silent on")).startsWith(QLatin1String("ok")));
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
    const QString line = lastLine(QString::fromUtf8(p.readAllStandardOutput()));

    const QStringList writes = sim.writes();
    const int unanswered = writes.filter(QStringLiteral(" no-answer")).size();
    QCOMPARE(unanswered, 5);
    const QRegularExpression want(
        QStringLiteral("^import failed: no answer from server address 1 at %1 for 5 rows in a row: rows 2 to "
                       "\\d+ done, rows \\d+ to %2 not done; (\\d+) values written; 0 failed; (\\d+) sent, "
                       "not confirmed$")
            .arg(QRegularExpression::escape(tcp))
            .arg(rows));
    const QRegularExpressionMatch match = want.match(line);
    QVERIFY2(match.hasMatch(), qPrintable(line));
    QCOMPARE(match.captured(1).toInt(), writes.size() - unanswered);
    QCOMPARE(match.captured(2).toInt(), unanswered);
}

// A saved port text that is no port name is not opened: the run fails at once
// and says which options to give.
void TestHeadlessFaults::savedPortThatIsNoPort_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("says");

    QTest::newRow("empty") << QString() << "no serial port: give --rtu PORT or --tcp HOST:PORT";
    QTest::newRow("description only") << "No device found"
                                      << "the saved serial port \"No device found\" is not a port name: give "
                                         "--rtu PORT or --tcp HOST:PORT";
}

void TestHeadlessFaults::savedPortThatIsNoPort()
{
    QFETCH(QString, saved);
    QFETCH(QString, says);
    QTemporaryDir root;
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("Setting"))));
    {
        QSettings settings(root.filePath(QStringLiteral("Setting/setting.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Q4/connectType"), 0);
        settings.setValue(QStringLiteral("Q4/serialnumcomboBox"), saved);
    }
    const ProgramRun run = runProgram({QStringLiteral("--data-dir"), root.path(), QStringLiteral("--diff"),
        dir.filePath(QStringLiteral("any.xlsx"))});
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestHeadlessFaults)
#include "tst_headlessfaults.moc"
