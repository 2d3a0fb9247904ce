// The history of the window's own writes against the simulator, checked on
// disk and with plain git: each write is an audit line at once, the versions
// are batched (at most one per interval, always at the finish) and carry the
// parameter set read then; a store that cannot record is told once and stops
// nothing.

#include "link/deviceaccess.h"
#include "link/linksession.h"
#include "params/encoding.h"
#include "params/registermap.h"
#include "support/requiredtool.h"
#include "support/simulatorprocess.h"
#include "ui/pages/commitengine.h"
#include "ui/pagestate.h"
#include "ui/window/mainwindow.h"
#include "workbook/audittrail.h"
#include "workbook/historystore.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QString Serial = QStringLiteral("2026120700042-000000000303");
const QString Time = QStringLiteral(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)");

QString git(const QString &dir, const QStringList &args)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral("git"), QStringList {"-c", "safe.directory=*"} + args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

int versions(const QString &store)
{
    return QFileInfo::exists(store + "/.git") ? git(store, {"rev-list", "--count", "--all"}).toInt() : 0;
}

// The audit file as it is on disk now (committed or not).
QStringList auditOnDisk(const QString &store)
{
    QFile file(store + '/' + Serial + "/audit.csv");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts).mid(1);
}

enum class StoreFault { NotAFolder, Broken, Locked };

} // namespace

Q_DECLARE_METATYPE(AuditSource)
Q_DECLARE_METATYPE(StoreFault)

class TestAuditTrail : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void eachWriteIsALineAtOnce_data();
    void eachWriteIsALineAtOnce();
    void versionsAreBatched();
    void finishCommitsWithTheParameters();
    void storeProblemIsToldOnce_data();
    void storeProblemIsToldOnce();
    void windowFeedsItsTrail();

private:
    // Writes value to the simulator (order 0) unless order is another, and
    // tells the trail as the link would.
    void write(AuditTrail &trail, AuditSource source, int address, int count, qint32 value, int order = 0,
        bool withOld = true);
    QString via() const { return QStringLiteral("127.0.0.1:%1 address 1").arg(sim.port()); }

    QTemporaryDir dir;
    SimulatorProcess sim {{QStringLiteral("--serial"), Serial}};
};

void TestAuditTrail::initTestCase()
{
    Q4_REQUIRE_TOOL("git");
    QVERIFY2(sim.start(), qPrintable(sim.errorText()));
    QVERIFY(connectTestClient(sim));
    cleanup();
}

void TestAuditTrail::cleanup()
{
    sim.command(QStringLiteral("exception clear"));
    sim.command(QStringLiteral("set32 204 10"));
    sim.command(QStringLiteral("set32 1064 0"));
    sim.command(QStringLiteral("set 8005 0"));
}

void TestAuditTrail::write(
    AuditTrail &trail, AuditSource source, int address, int count, qint32 value, int order, bool withOld)
{
    AuditWrite w;
    w.source = source;
    w.address = address;
    w.count = count;
    w.registers.resize(count);
    encodeRegisters(value, count, WordOrder(order), w.registers.data());
    if (withOld)
        w.oldValue = readSingleValue(address, count);
    w.result = WordOrder(order) == linkSession().wordOrder ? writeSingleValue(address, count, value) : Ok;
    trail.recordWrite(w);
}

void TestAuditTrail::eachWriteIsALineAtOnce_data()
{
    QTest::addColumn<AuditSource>("source");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("order"); // word order of the link
    QTest::addColumn<bool>("withOld");
    QTest::addColumn<QString>("exception"); // simulator control line before the write
    QTest::addColumn<QString>("line"); // the audit line after the time and user
    QTest::newRow("page edit, 32-bit") << AuditSource::Page << 204 << 2 << 20 << 0 << true << QString()
                                       << "page,204,CH1 Zero Range,10,20,ok";
    QTest::newRow("page edit, 16-bit")
        << AuditSource::Page << 8005 << 1 << 3 << 0 << true << QString() << "page,8005,COM-1 Send Gap,0,3,ok";
    // As parameters.csv holds it: the register pattern.
    QTest::newRow("negative value") << AuditSource::Page << 1064 << 2 << -5 << 0 << true << QString()
                                    << "page,1064,COMP1 Value-1,0,4294967291,ok";
    QTest::newRow("CD-AB link") << AuditSource::Page << 204 << 2 << 70000 << 1 << false << QString()
                                << "page,204,CH1 Zero Range,,70000,ok";
    QTest::newRow("command word, no old value") << AuditSource::Calibration << 646 << 2 << 1 << 0 << false
                                                << QString() << "calibration,646,register 646,,1,ok";
    QTest::newRow("refused") << AuditSource::Reset << 8005 << 1 << 1 << 0 << false
                             << QStringLiteral("exception 8005 4") << "reset,8005,COM-1 Send Gap,,1,refused";
}

void TestAuditTrail::eachWriteIsALineAtOnce()
{
    QFETCH(AuditSource, source);
    QFETCH(int, address);
    QFETCH(int, count);
    QFETCH(int, value);
    QFETCH(int, order);
    QFETCH(bool, withOld);
    QFETCH(QString, exception);
    QFETCH(QString, line);
    const QString store = dir.filePath(QStringLiteral("lines"));
    AuditTrail trail;
    trail.start(store, Serial, via(), linkSession().modbusClient, WordOrder(order));
    const int before = versions(store);
    const int lines = auditOnDisk(store).size();
    if (!exception.isEmpty())
        QVERIFY(sim.command(exception).startsWith("ok"));
    write(trail, source, address, count, value, order, withOld);
    const QStringList after = auditOnDisk(store);
    QCOMPARE(after.size(), lines + 1);
    QVERIFY2(QRegularExpression('^' + Time + ",[^,]+," + QRegularExpression::escape(line) + '$')
                 .match(after.last())
                 .hasMatch(),
        qPrintable(after.last()));
    QCOMPARE(versions(store), before);
    QVERIFY(trail.commitScheduled());
}

void TestAuditTrail::versionsAreBatched()
{
    const QString store = dir.filePath(QStringLiteral("batched"));
    const int interval = 500;
    AuditTrail trail;
    trail.setCommitInterval(interval);
    trail.start(store, Serial, via(), linkSession().modbusClient, WordOrder::AbCd);
    QSignalSpy committed(&trail, &AuditTrail::committed);
    write(trail, AuditSource::Page, 204, 2, 20);
    write(trail, AuditSource::Page, 8005, 1, 3);
    QVERIFY(sim.command("exception 1064 4").startsWith("ok"));
    write(trail, AuditSource::Page, 1064, 2, 7);
    QVERIFY(sim.command("exception clear").startsWith("ok"));
    QVERIFY(committed.wait(5000));
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    QCOMPARE(versions(store), 1);
    QCOMPARE(git(store, {"log", "-1", "--format=%s"}), "window writes via " + via() + ": 3 writes, 1 failed");
    QCOMPARE(git(store, {"show", "HEAD:" + Serial + "/audit.csv"}).split('\n').size(), 4);

    // A write right after a version waits for the interval.
    write(trail, AuditSource::Command, 8005, 1, 0);
    QVERIFY(committed.wait(5000));
    QVERIFY2(sinceFirst.elapsed() >= interval - 50, qPrintable(QString::number(sinceFirst.elapsed())));
    QCOMPARE(versions(store), 2);
    QCOMPARE(git(store, {"log", "-1", "--format=%s"}), "window writes via " + via() + ": 1 write");
    QCOMPARE(trail.pendingWrites(), 0);
    QVERIFY(!trail.commitScheduled());
}

void TestAuditTrail::finishCommitsWithTheParameters()
{
    const QString store = dir.filePath(QStringLiteral("finish"));
    AuditTrail trail;
    trail.setCommitInterval(600000);
    trail.start(store, Serial, via(), linkSession().modbusClient, WordOrder::AbCd);
    write(trail, AuditSource::Page, 204, 2, 20);
    write(trail, AuditSource::Page, 8005, 1, 3);

    // A link that is not ready puts the version off; the lines stay on disk.
    bool ready = false;
    trail.setReadCheck([&ready] { return ready; });
    QVERIFY(!trail.commitNow());
    QCOMPARE(versions(store), 0);
    QCOMPARE(auditOnDisk(store).size(), 2);

    ready = true;
    {
        const LinkHold other(linkSession()); // another transaction waits meanwhile
        trail.finish();
        QVERIFY(linkSession().held());
    }
    QVERIFY(!linkSession().held()); // else the poll would never run again
    QVERIFY(!trail.isActive());
    QCOMPARE(versions(store), 1);
    QCOMPARE(git(store, {"log", "-1", "--format=%s"}), "window writes via " + via() + ": 2 writes");
    const QStringList parameters = git(store, {"show", "HEAD:" + Serial + "/parameters.csv"}).split('\n');
    QCOMPARE(parameters.size(), 242); // the header and the whole parameter set
    QVERIFY(parameters.contains("204,CH1 Zero Range,2,20"));
    QVERIFY(parameters.contains("8005,COM-1 Send Gap,1,3"));
    QCOMPARE(git(store, {"status", "--porcelain"}), QString());
}

void TestAuditTrail::storeProblemIsToldOnce_data()
{
    QTest::addColumn<StoreFault>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a file where the store goes") << StoreFault::NotAFolder << "cannot create the folder";
    QTest::newRow("broken repository") << StoreFault::Broken << "the repository is broken";
    QTest::newRow("locked by another program") << StoreFault::Locked << "locked by another program";
}

void TestAuditTrail::storeProblemIsToldOnce()
{
    QFETCH(StoreFault, fault);
    QFETCH(QString, reason);
    QTemporaryDir here;
    const QString store = here.filePath(QStringLiteral("History"));
    int lock = -1;
    if (fault == StoreFault::NotAFolder) {
        QFile blocker(store);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    } else {
        HistoryStore made(store);
        QVERIFY(made.recordVersion(Serial, {{204, "CH1 Zero Range", 2, "10"}}, 0, "first").ok());
        if (fault == StoreFault::Broken)
            QVERIFY(QFile::remove(store + "/.git/HEAD"));
        if (fault == StoreFault::Locked) {
            lock = ::open(QFile::encodeName(store + "/.git/q4history-lock").constData(), O_RDWR);
            QVERIFY(lock >= 0 && ::flock(lock, LOCK_EX) == 0);
        }
    }
    AuditTrail trail;
    trail.setLockTimeout(100);
    trail.start(store, Serial, via(), linkSession().modbusClient, WordOrder::AbCd);
    QSignalSpy told(&trail, &AuditTrail::historyProblem);
    sim.clearRequests();
    for (int value : {20, 30})
        write(trail, AuditSource::Page, 204, 2, value);
    trail.finish();
    if (lock >= 0)
        ::close(lock);
    QCOMPARE(told.size(), 1);
    const QString text = told.first().first().toString();
    QVERIFY2(text.startsWith("history not recorded: history store " + store) && text.contains(reason),
        qPrintable(text));
    // The writes themselves went through.
    QCOMPARE(sim.writes().size(), 2);
    QCOMPARE(readSingleValue(204, 2), 30);
}

// The window feeds its trail from the link: a page edit and a command become
// lines with their source, the edit with the value it replaced; an import's
// writes are left to the import's own version.
void TestAuditTrail::windowFeedsItsTrail()
{
    const QString store = dir.filePath(QStringLiteral("window"));
    QVERIFY(sim.command("set32 214 7").startsWith("ok"));
    MainWindow w(linkSession());
    w.auditTrail()->start(store, Serial, via(), linkSession().modbusClient, WordOrder::AbCd);
    PageState &pages = w.pageState();
    pages.currentPage = PageBasic;
    pages.selectedChannel = 0;
    QLineEdit edit;
    edit.setObjectName("EditSTABRange");
    edit.setText("9");
    QCOMPARE(commitWidgetValue(pages, &edit, edit.text(), QStringLiteral("7")), 0);
    queueCommandWrite(22, 1);
    runPendingCommand();
    {
        const WriteSourceScope import(linkSession(), WriteSource::Import);
        QCOMPARE(int(writeSingleValue(8005, 1, 2)), int(Ok));
    }
    const QStringList lines = auditOnDisk(store);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(QRegularExpression(",page,214,[^,]+,7,9,ok$").match(lines.at(0)).hasMatch(), qPrintable(lines.at(0)));
    const QString command = QStringLiteral(",command,%1,[^,]+,,1,ok$").arg(parameterGroup(22).start);
    QVERIFY2(QRegularExpression(command).match(lines.at(1)).hasMatch(), qPrintable(lines.at(1)));
    QVERIFY(w.auditTrail()->commitScheduled());
    w.auditTrail()->finish();
    QCOMPARE(versions(store), 1);
}

QTEST_MAIN(TestAuditTrail)
#include "tst_audittrail.moc"
