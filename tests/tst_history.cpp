// The configuration history store: versions only when something changed,
// checked with plain git; several recording processes at once; faults reported
// and never breaking the repository; push; the read-only command-line runs.

#include "support/programrun.h"
#include "support/requiredtool.h"
#include "workbook/historystore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString Serial = QStringLiteral("2026120700042-000000001234");

// Runs plain git in dir; standard output, trimmed.
QString git(const QString &dir, const QStringList &args, int *status = nullptr)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral("git"),
        QStringList {"-c", "user.name=test", "-c", "user.email=test@test", "-c", "safe.directory=*"} + args);
    p.waitForFinished(60000);
    if (status)
        *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

QVector<HistoryRow> rows(int value)
{
    // Out of address order, and a name that needs quoting.
    return {{1100, QStringLiteral("Channel 1 division"), 1, QString::number(value)},
        {204, QStringLiteral("Channel 1 \"capacity\", max"), 2, QStringLiteral("10")}};
}

HistoryAuditEntry write(int address, const QString &oldValue, const QString &newValue)
{
    HistoryAuditEntry e;
    e.source = QStringLiteral("page");
    e.address = address;
    e.name = QStringLiteral("Channel 1 division");
    e.oldValue = oldValue;
    e.newValue = newValue;
    e.result = QStringLiteral("ok");
    return e;
}

// Helper process modes of this executable (several recorders at once, a
// recorder whose files may not grow: a full disk).
int recordHelper(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    HistoryStore store(args.at(2));
    if (args.at(1) == QLatin1String("--full-disk-helper")) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {16384, 16384};
        setrlimit(RLIMIT_FSIZE, &limit);
        QVector<HistoryRow> many;
        for (int i = 0; i < 20000; ++i)
            many.append({i, QStringLiteral("row %1").arg(i), 2, QString::number(quint32(i) * 2654435761u)});
        const HistoryRecord r = store.recordVersion(Serial, many, 0, QStringLiteral("large"));
        QTextStream(stdout) << r.error << "\n";
        return r.ok() ? 0 : 3;
    }
    const int tag = args.at(3).toInt();
    for (int i = 0; i < args.at(4).toInt(); ++i) {
        const QString serial = QStringLiteral("device-%1").arg(i % 2);
        QString error;
        if (!store.appendAudit(serial, {write(1100, QString::number(i), QString::number(tag))}, &error)) {
            QTextStream(stderr) << error << "\n";
            return 1;
        }
        const HistoryRecord r
            = store.recordVersion(serial, rows(tag * 1000 + i), 0, QStringLiteral("helper"));
        if (r.outcome != HistoryRecord::Committed) {
            QTextStream(stderr) << r.error << "\n";
            return 1;
        }
    }
    return 0;
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void versionsOnlyWhenSomethingChanged();
    void concurrentRecordersLoseNothing();
    void faultsAreReportedAndLeaveTheStoreWhole_data();
    void faultsAreReportedAndLeaveTheStoreWhole();
    void pushToAFileRemote();
    void commandLine_data();
    void commandLine();

private:
    QTemporaryDir cliDir;
    QStringList cliIds; // the command-line store's versions, oldest first
};

void TestHistory::initTestCase()
{
    Q4_REQUIRE_TOOL("git");
    // The store of the command-line cases: three versions of one device, one of another.
    HistoryStore store(cliDir.path());
    for (const int value : {5, 7, 7, 9}) {
        const HistoryRecord r
            = store.recordVersion(Serial, rows(value), 0, QStringLiteral("export %1").arg(value));
        QVERIFY2(r.ok(), qPrintable(r.error));
        if (r.outcome == HistoryRecord::Committed)
            cliIds << r.commitId;
    }
    QVERIFY(store.recordVersion(QStringLiteral("2026120700042-000000000007"), rows(1), 0, QStringLiteral("x"))
                .ok());
    QCOMPARE(cliIds.size(), 3);
}

void TestHistory::versionsOnlyWhenSomethingChanged()
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("History"));
    HistoryStore store(root);
    store.setIdentity(QStringLiteral("alice"), QStringLiteral("bench-pc"));
    auto record = [&](int value, const QString &message, int unread = 0) {
        return store.recordVersion(Serial, rows(value), unread, message).outcome;
    };
    QCOMPARE(
        record(5, QStringLiteral("export via 127.0.0.1:502 address 1: 2 rows"), 1), HistoryRecord::Committed);
    QCOMPARE(record(5, QStringLiteral("same again")), HistoryRecord::Unchanged);
    QString error;
    QVERIFY2(
        store.appendAudit(Serial, {write(1100, "5", "8"), write(1100, "8", "7")}, &error), qPrintable(error));
    QCOMPARE(record(5, QStringLiteral("audit only")), HistoryRecord::Committed);
    QCOMPARE(record(7, QStringLiteral("division 7")), HistoryRecord::Committed);
    QCOMPARE(record(7, QStringLiteral("same again")), HistoryRecord::Unchanged);

    // Plain git sees the versions of the device's folder, their author and a clean working folder.
    QCOMPARE(git(root, {"log", "--format=%an <%ae>|%s", "--", Serial}),
        QStringLiteral(
            "alice <alice@bench-pc>|division 7\nalice <alice@bench-pc>|audit only\n"
            "alice <alice@bench-pc>|export via 127.0.0.1:502 address 1: 2 rows (1 unread row left out)"));
    QCOMPARE(git(root, {"status", "--porcelain"}), QString());
    QCOMPARE(git(root, {"show", "HEAD:" + Serial + "/parameters.csv"}),
        QStringLiteral("address,name,count,value\n204,\"Channel 1 \"\"capacity\"\", max\",2,10\n"
                       "1100,Channel 1 division,1,7"));
    const QString diff = git(root, {"diff", "HEAD~1", "HEAD", "--", Serial + "/parameters.csv"});
    QVERIFY2(diff.contains("\n-1100,Channel 1 division,1,5\n+1100,Channel 1 division,1,7"), qPrintable(diff));
    const QStringList audit = git(root, {"show", "HEAD:" + Serial + "/audit.csv"}).split('\n');
    QCOMPARE(audit.size(), 3);
    QCOMPARE(audit.first(), QStringLiteral("time,user,source,address,name,old,new,result"));
    QVERIFY2(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,alice,page,1100,)"
                                R"(Channel 1 division,5,8,ok$)")
                 .match(audit.at(1))
                 .hasMatch(),
        qPrintable(audit.at(1)));

    // The store reads back what git shows.
    QVector<HistoryVersion> versions;
    QVERIFY2(store.versions(Serial, &versions, &error), qPrintable(error));
    QCOMPARE(versions.size(), 3);
    QCOMPARE(versions.first().message, QStringLiteral("division 7"));
    QVector<HistoryChange> changes;
    QVERIFY2(store.diff(Serial, versions.last().id, QString(), &changes, &error), qPrintable(error));
    QCOMPARE(changes.size(), 1);
    QCOMPARE(changes.first().oldValue + "->" + changes.first().newValue, QStringLiteral("5->7"));
    QVector<HistoryAuditEntry> entries;
    QVERIFY2(store.auditEntries(Serial, &entries, &error), qPrintable(error));
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(1).newValue, QStringLiteral("7"));

    // A serial number never names a path outside its own folder.
    const QString hostile = QStringLiteral("../../x/.git");
    QVERIFY(store.recordVersion(hostile, rows(1), 0, QStringLiteral("hostile")).ok());
    QCOMPARE(git(root, {"ls-files", "--", "*x*"}),
        QStringLiteral(
            "%2E%2E%2F%2E%2E%2Fx%2F%2Egit/audit.csv\n%2E%2E%2F%2E%2E%2Fx%2F%2Egit/parameters.csv"));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("x"))));
    QVector<HistoryDevice> devices;
    QVERIFY(store.devices(&devices, &error));
    QCOMPARE(devices.size(), 2);
    QCOMPARE(devices.first().serial, hostile);
}

void TestHistory::concurrentRecordersLoseNothing()
{
    QTemporaryDir dir;
    constexpr int Processes = 4;
    constexpr int Records = 8;
    QList<QProcess *> helpers;
    for (int tag = 1; tag <= Processes; ++tag) {
        auto *p = new QProcess(this);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QCoreApplication::applicationFilePath(),
            {"--record-helper", dir.path(), QString::number(tag), QString::number(Records)});
        helpers << p;
    }
    for (QProcess *p : qAsConst(helpers)) {
        QVERIFY(p->waitForFinished(120000));
        QCOMPARE(p->exitCode(), 0);
        delete p;
    }
    int status = -1;
    QCOMPARE(git(dir.path(), {"rev-list", "--count", "HEAD"}), QString::number(Processes * Records));
    const QString fsck = git(dir.path(), {"fsck", "--strict", "--no-dangling"}, &status);
    QVERIFY2(status == 0 && fsck.isEmpty(), qPrintable(fsck));
    // Every write's audit line is in the newest version.
    int lines = 0;
    for (const QString serial : {"device-0", "device-1"})
        lines += git(dir.path(), {"show", "HEAD:" + serial + "/audit.csv"}).count('\n');
    QCOMPARE(lines, Processes * Records);
}

enum class Fault { Locked, CorruptParameters, BrokenRepository, FolderUnderAFile, OtherFiles, FullDisk };
Q_DECLARE_METATYPE(Fault)

void TestHistory::faultsAreReportedAndLeaveTheStoreWhole_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("locked") << Fault::Locked << "locked by another program for more than 0.2 s";
    QTest::newRow("corrupt parameters.csv")
        << Fault::CorruptParameters
        << "parameters.csv of version HEAD is corrupt: line 2: unterminated quote";
    QTest::newRow("broken repository") << Fault::BrokenRepository << "the repository is broken";
    QTest::newRow("folder under a file") << Fault::FolderUnderAFile << "cannot create the folder";
    QTest::newRow("folder with other files") << Fault::OtherFiles << "the folder holds other files";
    QTest::newRow("full disk") << Fault::FullDisk << "cannot record a version of " + Serial;
}

void TestHistory::faultsAreReportedAndLeaveTheStoreWhole()
{
    QFETCH(Fault, fault);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QString root = dir.path();
    HistoryStore first(root);
    QVERIFY(first.recordVersion(Serial, rows(5), 0, QStringLiteral("first")).ok());
    const QString head = git(root, {"rev-parse", "HEAD"});

    QString error;
    int lockFd = -1;
    switch (fault) {
    case Fault::Locked:
        lockFd = ::open(QFile::encodeName(root + "/.git/q4history-lock").constData(), O_RDWR);
        QVERIFY(lockFd >= 0 && ::flock(lockFd, LOCK_EX) == 0);
        break;
    case Fault::CorruptParameters: {
        QFile file(root + "/" + Serial + "/parameters.csv");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("address,name,count,value\n204,\"cut short,2,10\n");
        file.close();
        git(root, {"commit", "-qam", "edited by hand"});
        break;
    }
    case Fault::BrokenRepository:
        QVERIFY(QFile::remove(root + "/.git/HEAD"));
        break;
    case Fault::FolderUnderAFile:
        root += "/" + Serial + "/parameters.csv/History";
        break;
    case Fault::OtherFiles:
        root = dir.filePath(Serial);
        break;
    case Fault::FullDisk: {
        QProcess helper;
        helper.start(QCoreApplication::applicationFilePath(), {"--full-disk-helper", root});
        QVERIFY(helper.waitForFinished(60000));
        QCOMPARE(helper.exitCode(), 3);
        error = QString::fromUtf8(helper.readAllStandardOutput()).trimmed();
        break;
    }
    }

    HistoryStore store(root);
    store.setLockTimeout(200);
    if (fault == Fault::CorruptParameters) {
        QVector<HistoryChange> changes;
        QVERIFY(!store.diff(Serial, QStringLiteral("HEAD~1"), QStringLiteral("HEAD"), &changes, &error));
    } else if (fault != Fault::FullDisk) {
        const HistoryRecord r = store.recordVersion(Serial, rows(6), 0, QStringLiteral("second"));
        QCOMPARE(r.outcome, HistoryRecord::Failed);
        error = r.error;
    }
    QVERIFY2(
        error.startsWith("history store " + QDir::toNativeSeparators(root) + ": ") && error.contains(message),
        qPrintable(error));
    if (lockFd >= 0)
        ::close(lockFd);
    if (fault == Fault::Locked || fault == Fault::FullDisk) {
        // Nothing half-done: the same history, whole, and the next record works.
        QCOMPARE(git(root, {"rev-parse", "HEAD"}), head);
        int status = -1;
        const QString fsck = git(root, {"fsck", "--strict", "--no-dangling"}, &status);
        QVERIFY2(status == 0, qPrintable(fsck));
        QCOMPARE(store.recordVersion(Serial, rows(6), 0, QStringLiteral("second")).outcome,
            HistoryRecord::Committed);
    }
}

void TestHistory::pushToAFileRemote()
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("History"));
    const QString remote = dir.filePath(QStringLiteral("remote.git"));
    HistoryStore store(root);
    QVERIFY(store.recordVersion(Serial, rows(5), 0, QStringLiteral("first")).ok());
    QString where;
    QString error;
    QVERIFY(!store.push(&where, &error));
    QVERIFY2(error.contains("no remote to push to"), qPrintable(error));

    git(dir.path(), {"init", "-q", "--bare", remote});
    git(root, {"remote", "add", "origin", remote});
    QVERIFY2(store.push(&where, &error), qPrintable(error));
    QCOMPARE(where, "origin (" + remote + ")");
    QCOMPARE(git(remote, {"rev-parse", "HEAD"}), git(root, {"rev-parse", "HEAD"}));

    // A remote that is gone: reported, and the local history goes on.
    QVERIFY(QDir(remote).removeRecursively());
    QVERIFY(store.recordVersion(Serial, rows(6), 0, QStringLiteral("second")).ok());
    const QString head = git(root, {"rev-parse", "HEAD"});
    QVERIFY(!store.push(&where, &error));
    QVERIFY2(error.contains("push to origin (" + remote + ") failed"), qPrintable(error));
    QCOMPARE(git(root, {"rev-parse", "HEAD"}), head);
    QCOMPARE(git(root, {"rev-list", "--count", "HEAD"}), QStringLiteral("2"));
}

void TestHistory::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("lines"); // patterns of standard output, or of standard error for status 2
    const QString time = QStringLiteral(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)");
    const QString author = QStringLiteral(R"(\S+@\S+)");
    QTest::newRow("devices") << QStringList {"--history"} << 0
                             << QStringList {"device 2026120700042-000000000007 1 " + time,
                                    "device 2026120700042-000000001234 3 " + time};
    QTest::newRow("versions, serial without its hyphen")
        << QStringList {"--history", "2026120700042000000001234"} << 0
        << QStringList {"version %3 " + time + " " + author + " export 9",
               "version %2 " + time + " " + author + " export 7",
               "version %1 " + time + " " + author + " export 5"};
    QTest::newRow("diff to the newest") << QStringList {"--history-diff", Serial,
        "%1"} << 1 << QStringList {"changed 1100 Channel 1 division 5 -> 9", "1 rows differ"};
    QTest::newRow("diff of two") << QStringList {"--history-diff", Serial, "%3", "HEAD~3"} << 1
                                 << QStringList {"changed 1100 Channel 1 division 9 -> 5", "1 rows differ"};
    QTest::newRow("diff, none") << QStringList {"--history-diff", Serial, "%3"} << 0
                                << QStringList {"0 rows differ"};
    QTest::newRow("unknown device") << QStringList {"--history", "nosuch"} << 2
                                    << QStringList {"q4config: history store .*: no device nosuch"};
    QTest::newRow("unknown version") << QStringList {"--history-diff", Serial, "fedcba98"} << 2
                                     << QStringList {"q4config: history store .*: no version fedcba98 .*"};
    QTest::newRow("diff without versions") << QStringList {"--history-diff",
        Serial} << 2 << QStringList {"q4config: --history-diff needs SERIAL REV \\[REV2\\]"};
}

void TestHistory::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QStringList, lines);
    // %1 %2 %3: the versions, oldest first.
    for (QString &a : args)
        a = a.replace("%1", cliIds.at(0).left(10))
                .replace("%2", cliIds.at(1).left(10))
                .replace("%3", cliIds.at(2).left(10));
    for (QString &l : lines)
        l = l.replace("%1", cliIds.at(0).left(10))
                .replace("%2", cliIds.at(1).left(10))
                .replace("%3", cliIds.at(2).left(10));
    const ProgramRun run = runProgram(QStringList {"--history-dir", cliDir.path()} + args);
    QCOMPARE(run.status, status);
    // Standard error may carry Qt's own warnings (XDG_RUNTIME_DIR): only the program's lines count.
    const QStringList got = status == 2
        ? run.err.split(QLatin1Char('\n')).filter(QRegularExpression("^q4config: "))
        : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(got.size(), lines.size());
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(
            QRegularExpression('^' + lines.at(i) + '$').match(got.at(i)).hasMatch(), qPrintable(got.at(i)));
}

int main(int argc, char **argv)
{
    if (argc > 2 && (qstrcmp(argv[1], "--record-helper") == 0 || qstrcmp(argv[1], "--full-disk-helper") == 0))
        return recordHelper(argc, argv);
    QCoreApplication app(argc, argv);
    TestHistory test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_history.moc"
