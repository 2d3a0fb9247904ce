// The configuration history in the runs, against the simulator and checked
// with plain git: export, diff, import and clone record versions with their
// messages and audit lines; a store that cannot record keeps the backup and
// exits 3; --restore writes only what differs and refuses another device;
// --backup-all; --push; the History window with its restore.

#include "link/linksession.h"
#include "params/appstate.h"
#include "support/programrun.h"
#include "support/requiredtool.h"
#include "support/simulatorprocess.h"
#include "ui/dialogs/comparedialog.h"
#include "ui/dialogs/historywindow.h"
#include "ui/dialogs/tipsdialog.h"
#include "ui/pages/testmaintain.h"
#include "ui/window/startup.h"
#include "ui_comparedialog.h"
#include "ui_historywindow.h"
#include "ui_testmaintain.h"
#include "workbook/exceltowrite.h"

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QString SerialA = QStringLiteral("2026120700042-000000000101");
const QString SerialB = QStringLiteral("2026120700042-000000000202");
const QString Time = QStringLiteral(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)");

// Plain git in dir; its output, trimmed.
QString git(const QString &dir, const QStringList &args)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral("git"), QStringList {"-c", "safe.directory=*"} + args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

QStringList auditLines(const QString &store, const QString &serial)
{
    return git(store, {"show", "HEAD:" + serial + "/audit.csv"}).split('\n').mid(1);
}

QString tcp(const SimulatorProcess &sim) { return QStringLiteral("127.0.0.1:%1").arg(sim.port()); }

// A loopback port nothing listens on.
quint16 deadPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// Answers the window's popups and the Compare dialog (Restore) while a page run goes on.
class DialogAnswers : public QObject
{
public:
    QStringList comparison; // "address device version name" per row of the last Compare dialog
    QString compareButton;
    QStringList popups;

    DialogAnswers()
    {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] { answer(); });
        timer.start();
    }

private:
    void answer()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || handled.contains(w))
                continue;
            if (auto *compare = qobject_cast<CompareDialog *>(w)) {
                handled.append(w);
                QTableWidget *t = compare->form()->tableDifferences;
                comparison.clear();
                for (int r = 0; r < t->rowCount(); ++r)
                    comparison << QStringList {t->item(r, 0)->text(), t->item(r, 2)->text(),
                        t->item(r, 3)->text(), t->item(r, 4)->text()}
                                      .join(' ');
                compareButton = compare->form()->Btn_CompareImport->text();
                QTimer::singleShot(0, compare->form()->Btn_CompareImport, &QPushButton::click);
            } else if (auto *tips = qobject_cast<TipsDialog *>(w)) {
                handled.append(w);
                QStringList texts;
                for (QLabel *l : tips->findChildren<QLabel *>())
                    texts << l->text();
                popups << texts.join(',');
                QTimer::singleShot(0, tips, [tips] { tips->reject(); });
            }
        }
    }
    QTimer timer;
    QList<QPointer<QWidget>> handled;
};

} // namespace

class TestHistoryRuns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void runsRecordVersions_data();
    void runsRecordVersions();
    void historyProblemKeepsTheBackup_data();
    void historyProblemKeepsTheBackup();
    void restoreWritesOnlyWhatDiffers();
    void backupAll();
    void pushToTheRemote();
    void historyWindow();

private:
    ProgramRun q4(const QStringList &args, const QString &store);
    // The workbook of an export of simA (made once).
    QString workbook();

    QTemporaryDir dir;
    SimulatorProcess simA {{QStringLiteral("--serial"), SerialA}};
    SimulatorProcess simB {{QStringLiteral("--serial"), SerialB}};
    QString sequenceStore; // the store of runsRecordVersions, row after row
};

ProgramRun TestHistoryRuns::q4(const QStringList &args, const QString &store)
{
    return runProgram(args + QStringList {QStringLiteral("--history-dir"), store});
}

QString TestHistoryRuns::workbook()
{
    const QString file = dir.filePath(QStringLiteral("a.xlsx"));
    if (!QFileInfo::exists(file))
        q4({"--export", file, "--tcp", tcp(simA)}, dir.filePath(QStringLiteral("scratch")));
    return file;
}

void TestHistoryRuns::initTestCase()
{
    Q4_REQUIRE_TOOL("git");
    initQ4Resources();
    QVERIFY(simA.start());
    QVERIFY(simB.start());
    sequenceStore = dir.filePath(QStringLiteral("sequence"));
    QVERIFY(QFileInfo::exists(workbook()));
}

void TestHistoryRuns::cleanup()
{
    // Every case starts from the factory values of both devices.
    simA.command(QStringLiteral("set32 204 10"));
    simA.command(QStringLiteral("set 8005 0"));
    simB.command(QStringLiteral("set32 204 10"));
    simA.clearRequests();
    simB.clearRequests();
}

// Rows run one after another on one store: each row changes the device from
// its factory values, then runs.
void TestHistoryRuns::runsRecordVersions_data()
{
    QTest::addColumn<QStringList>("changes"); // simulator control lines before the run
    QTest::addColumn<QStringList>("args"); // %wb the workbook, %tcp simA
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message"); // the newest version's message; empty: no new version
    QTest::addColumn<int>("changedRows"); // rows of parameters.csv the new version changed
    QTest::addColumn<QStringList>("audit"); // the new audit lines (after the time and user)
    const QString via = QStringLiteral(R"( via 127\.0\.0\.1:\d+ address 1: )");
    QTest::newRow("export") << QStringList() << QStringList {"--export", "%dir/e.xlsx"} << 0
                            << "export" + via + "241 rows" << 241 << QStringList();
    QTest::newRow("diff finds two rows")
        << QStringList {"set32 204 20", "set 8005 3"} << QStringList {"--diff", "%wb"} << 1
        << "diff with a.xlsx" + via + "2 rows differ" << 2 << QStringList();
    QTest::newRow("import writes them back")
        << QStringList {"set32 204 20", "set 8005 3"} << QStringList {"--import", "%wb"} << 0
        << "import of a.xlsx" + via + "2 written, 2 verified" << 2
        << QStringList {"import,204,CH1 Zero Range,20,10,ok", "import,8005,COM-1 Send Gap,3,0,ok"};
    QTest::newRow("import, nothing to write")
        << QStringList() << QStringList {"--import", "%wb"} << 0 << QString() << 0 << QStringList();
    QTest::newRow("clone") << QStringList {"set32 204 30"} << QStringList {"--clone", "%wb"} << 0
                           << "clone of a.xlsx" + via + "1 written, 1 verified" << 0
                           << QStringList {"clone,204,CH1 Zero Range,30,10,ok"};
}

void TestHistoryRuns::runsRecordVersions()
{
    QFETCH(QStringList, changes);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(int, changedRows);
    QFETCH(QStringList, audit);
    for (const QString &line : changes)
        QVERIFY(simA.command(line).startsWith("ok"));
    const QString store = sequenceStore;
    const QString before = QFileInfo::exists(store) ? git(store, {"rev-parse", "HEAD"}) : QString();
    const int auditBefore = before.isEmpty() ? 0 : auditLines(store, SerialA).size();
    for (QString &a : args)
        a.replace("%wb", workbook()).replace("%dir", dir.path());
    const ProgramRun run = q4(args + QStringList {"--tcp", tcp(simA)}, store);
    QVERIFY2(run.status == status, qPrintable(run.out + run.err));
    QVERIFY2(!run.err.contains("history not recorded"), qPrintable(run.err));

    const QString head = git(store, {"rev-parse", "HEAD"});
    QCOMPARE(head != before, !message.isEmpty());
    if (message.isEmpty())
        return;
    const QString subject = git(store, {"log", "-1", "--format=%s", "--", SerialA});
    QVERIFY2(QRegularExpression('^' + message + '$').match(subject).hasMatch(), qPrintable(subject));
    // What the version changed in the device's parameter set, as plain git counts it.
    const QString numstat = before.isEmpty()
        ? git(store, {"show", "--numstat", "--format=", "HEAD", "--", SerialA + "/parameters.csv"})
        : git(store, {"diff", "--numstat", before, "HEAD", "--", SerialA + "/parameters.csv"});
    const int added = numstat.section('\t', 0, 0).toInt();
    QCOMPARE(added - (before.isEmpty() ? 1 : 0), changedRows); // a first file adds its header too
    const QStringList lines = auditLines(store, SerialA);
    QCOMPARE(lines.size() - auditBefore, audit.size());
    for (int i = 0; i < audit.size(); ++i) {
        const QString line = lines.at(auditBefore + i);
        QVERIFY2(QRegularExpression('^' + Time + ",[^,]+," + QRegularExpression::escape(audit.at(i)) + '$')
                     .match(line)
                     .hasMatch(),
            qPrintable(line));
    }
}

enum class StoreFault { NotAFolder, Broken, Locked };
Q_DECLARE_METATYPE(StoreFault)

void TestHistoryRuns::historyProblemKeepsTheBackup_data()
{
    QTest::addColumn<StoreFault>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a file where the store goes") << StoreFault::NotAFolder << "cannot create the folder";
    QTest::newRow("broken repository") << StoreFault::Broken << "the repository is broken";
    QTest::newRow("locked by another program")
        << StoreFault::Locked << "locked by another program for more than 10 s";
}

void TestHistoryRuns::historyProblemKeepsTheBackup()
{
    QFETCH(StoreFault, fault);
    QFETCH(QString, reason);
    QTemporaryDir here;
    const QString store = here.filePath(QStringLiteral("History"));
    const QString file = here.filePath(QStringLiteral("backup.xlsx"));
    int lock = -1;
    if (fault == StoreFault::NotAFolder) {
        QFile blocker(store);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    } else {
        QCOMPARE(q4({"--export", here.filePath("first.xlsx"), "--tcp", tcp(simA)}, store).status, 0);
        if (fault == StoreFault::Broken)
            QVERIFY(QFile::remove(store + "/.git/HEAD"));
        if (fault == StoreFault::Locked) {
            lock = ::open(QFile::encodeName(store + "/.git/q4history-lock").constData(), O_RDWR);
            QVERIFY(lock >= 0 && ::flock(lock, LOCK_EX) == 0);
        }
    }
    const ProgramRun run = q4({"--export", file, "--tcp", tcp(simA)}, store);
    if (lock >= 0)
        ::close(lock);
    QCOMPARE(run.status, 3);
    QVERIFY(run.lines().last().startsWith("export done: 241 values read into " + file));
    QVERIFY(QFileInfo(file).size() > 0);
    QVERIFY2(run.err.contains(QRegularExpression("q4config: history not recorded: history store "
                 + QRegularExpression::escape(store) + ": " + QRegularExpression::escape(reason))),
        qPrintable(run.err));
}

void TestHistoryRuns::restoreWritesOnlyWhatDiffers()
{
    QTemporaryDir here;
    const QString store = here.filePath(QStringLiteral("History"));
    QCOMPARE(q4({"--export", here.filePath("e.xlsx"), "--tcp", tcp(simA)}, store).status, 0);
    const QString version = git(store, {"rev-parse", "--short=10", "HEAD"});
    QVERIFY(simA.command("set32 204 20").startsWith("ok"));
    QVERIFY(simA.command("set 8005 3").startsWith("ok"));
    simA.clearRequests();

    // Into another device: refused before anything is written.
    ProgramRun run = q4({"--restore", SerialA, version, "--tcp", tcp(simB)}, store);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains("restore refused: the device at " + tcp(simB) + " address 1 has serial number "
                 + SerialB + ", not " + SerialA),
        qPrintable(run.err));
    QVERIFY(simB.writes().isEmpty());

    // Into its own device (the serial number without its hyphen): the two rows that differ.
    run = q4({"--restore", QString(SerialA).remove('-'), version, "--tcp", tcp(simA)}, store);
    QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
    QCOMPARE(run.lines().last(),
        "restore done: 2 values written from " + SerialA + " version " + version
            + "; 0 failed; 0 skipped; 239 unchanged; 2 verified, 0 mismatched");
    QCOMPARE(simA.writes(), (QStringList {"write 204 2 0 10", "write 8005 1 0"}));
    QVERIFY(git(store, {"log", "-1", "--format=%s"})
                .contains(QRegularExpression(
                    "^restore of " + version + R"( via \S+ address 1: 2 written, 2 verified$)")));
    QCOMPARE(git(store, {"diff", version, "HEAD", "--", SerialA + "/parameters.csv"}), QString());
    QCOMPARE(auditLines(store, SerialA).filter(",restore,").size(), 2);

    // A version whose parameters.csv is corrupt is named as such; nothing is written.
    QFile csv(store + "/" + SerialA + "/parameters.csv");
    QVERIFY(csv.open(QIODevice::Append));
    csv.write("9,\"cut short,1,1\n");
    csv.close();
    git(store, {"-c", "user.name=t", "-c", "user.email=t@t", "commit", "-qam", "edited by hand"});
    simA.clearRequests();
    run = q4({"--restore", SerialA, "HEAD", "--tcp", tcp(simA)}, store);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(QRegularExpression("restore failed: history store .*/parameters.csv of version "
                                                 "[0-9a-f]{40} is corrupt: line 243: unterminated quote")),
        qPrintable(run.err));
    QVERIFY(simA.writes().isEmpty());
}

void TestHistoryRuns::backupAll()
{
    QTemporaryDir here;
    const QString store = here.filePath(QStringLiteral("History"));
    SimulatorProcess pair({QStringLiteral("--id"), QStringLiteral("3,7"), QStringLiteral("--serial"),
        QStringLiteral("ABCDEFGHIJKLM0123456789AB")});
    QVERIFY(pair.start());
    const QString targets = here.filePath(QStringLiteral("targets"));
    auto writeTargets = [&](const QString &text) {
        QFile f(targets);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) > 0;
    };
    const QString dead = QStringLiteral("127.0.0.1:%1").arg(deadPort());
    QVERIFY(writeTargets(QStringLiteral("# the bench\ntcp %1\n\ntcp %2 3  # the pair\ntcp %2 7\ntcp %3 1\n")
                             .arg(tcp(simA), tcp(pair), dead)));
    ProgramRun run = q4({"--backup-all", targets, "--jobs", "2"}, store);
    QCOMPARE(run.status, 1);
    QCOMPARE(run.lines().size(), 4);
    QCOMPARE(run.lines().mid(0, 3),
        (QStringList {"backup tcp " + tcp(simA) + " 1: changed " + SerialA + " 241",
            "backup tcp " + tcp(pair) + " 3: changed ABCDEFGHIJKLM-012345678003 241",
            "backup tcp " + tcp(pair) + " 7: changed ABCDEFGHIJKLM-012345678007 241"}));
    QVERIFY2(run.lines().at(3).startsWith("backup tcp " + dead + " 1: failed cannot connect to " + dead),
        qPrintable(run.lines().at(3)));

    // Again, one device changed, the dead target left out: all worked.
    QVERIFY(pair.command("@7 set 8005 3").startsWith("ok"));
    QVERIFY(writeTargets(QStringLiteral("tcp %1\ntcp %2 3\ntcp %2 7\n").arg(tcp(simA), tcp(pair))));
    run = q4({"--backup-all", targets}, store);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.lines(),
        (QStringList {"backup tcp " + tcp(simA) + " 1: unchanged " + SerialA,
            "backup tcp " + tcp(pair) + " 3: unchanged ABCDEFGHIJKLM-012345678003",
            "backup tcp " + tcp(pair) + " 7: changed ABCDEFGHIJKLM-012345678007 241"}));
    QCOMPARE(git(store, {"log", "--format=%s", "--", "ABCDEFGHIJKLM-012345678007"}).split('\n').size(), 2);

    // A bad line is named before any device is asked.
    simA.clearRequests();
    QVERIFY(writeTargets(QStringLiteral("tcp %1\nrtu /dev/ttyUSB0\n").arg(tcp(simA))));
    run = q4({"--backup-all", targets}, store);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(targets + " line 2: rtu PORT address [baud] [parity]"), qPrintable(run.err));
    QVERIFY(simA.requests().isEmpty());
}

void TestHistoryRuns::pushToTheRemote()
{
    QTemporaryDir here;
    const QString store = here.filePath(QStringLiteral("History"));
    const QString remote = here.filePath(QStringLiteral("remote.git"));
    QCOMPARE(q4({"--export", here.filePath("e.xlsx"), "--tcp", tcp(simA)}, store).status, 0);
    git(here.path(), {"init", "-q", "--bare", remote});
    git(store, {"remote", "add", "origin", remote});
    QVERIFY(simA.command("set 8005 3").startsWith("ok"));
    ProgramRun run = q4({"--export", here.filePath("e.xlsx"), "--tcp", tcp(simA), "--push"}, store);
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QCOMPARE(git(remote, {"rev-parse", "HEAD"}), git(store, {"rev-parse", "HEAD"}));
    QCOMPARE(git(remote, {"rev-list", "--count", "HEAD"}), QStringLiteral("2"));

    // The remote gone: the run is done and recorded, the push reported, exit 3.
    QVERIFY(QDir(remote).removeRecursively());
    QVERIFY(simA.command("set 8005 4").startsWith("ok"));
    run = q4({"--export", here.filePath("e.xlsx"), "--tcp", tcp(simA), "--push"}, store);
    QCOMPARE(run.status, 3);
    QVERIFY(run.lines().last().startsWith("export done: "));
    QVERIFY2(run.err.contains("q4config: history not pushed: history store " + store + ": push to origin ("
                 + remote + ") failed"),
        qPrintable(run.err));
    QCOMPARE(git(store, {"rev-list", "--count", "HEAD"}), QStringLiteral("3"));
}

void TestHistoryRuns::historyWindow()
{
    QTemporaryDir here;
    const QString store = here.filePath(QStringLiteral("History"));
    setDataDirectory(here.path());
    // Three versions: an export, the two changed rows, an import that wrote them back.
    QCOMPARE(q4({"--export", here.filePath("e.xlsx"), "--tcp", tcp(simA)}, store).status, 0);
    QVERIFY(simA.command("set32 204 20").startsWith("ok"));
    QVERIFY(simA.command("set 8005 3").startsWith("ok"));
    QCOMPARE(q4({"--export", here.filePath("f.xlsx"), "--tcp", tcp(simA)}, store).status, 0);
    QCOMPARE(q4({"--import", here.filePath("e.xlsx"), "--tcp", tcp(simA)}, store).status, 0);

    QVERIFY(connectTestClient(simA));
    TestMaintain page;
    page.setHistoryFolderArgument(store);
    QMetaObject::invokeMethod(&page, "on_Btn_History_clicked");
    HistoryWindow *window = page.historyWindow();
    QVERIFY(window && window->isVisible());
    Ui::HistoryWindow *ui = window->form();
    QCOMPARE(ui->label_historySerial->text(), SerialA);
    QTableWidget *versions = ui->tableHistory;
    QCOMPARE(versions->rowCount(), 3);
    QVERIFY(versions->item(0, 3)->text().startsWith("import of e.xlsx via "));
    QVERIFY(versions->item(2, 3)->text().startsWith("export via "));

    // Two versions chosen: the rows changed between them, by name.
    versions->clearSelection();
    versions->selectionModel()->select(
        versions->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    versions->selectionModel()->select(
        versions->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTableWidget *changes = ui->tableHistoryChanges;
    QStringList rows;
    for (int r = 0; r < changes->rowCount(); ++r)
        rows << QStringList {changes->item(r, 0)->text(), changes->item(r, 1)->text(),
            changes->item(r, 2)->text(), changes->item(r, 3)->text()}
                    .join('|');
    QCOMPARE(rows, (QStringList {"204|CH1 Zero Range|10|20", "8005|COM-1 Send Gap|0|3"}));
    QVERIFY(!ui->Btn_HistoryRestore->isEnabled());

    // The writes, filtered over every column.
    QCOMPARE(ui->tableAudit->model()->rowCount(), 2);
    QTest::keyClicks(ui->lineEditAuditFilter, "send gap");
    QCOMPARE(ui->tableAudit->model()->rowCount(), 1);
    QCOMPARE(ui->tableAudit->model()->index(0, 2).data().toString(), QStringLiteral("import"));
    ui->lineEditAuditFilter->setText("restore");
    QCOMPARE(ui->tableAudit->model()->rowCount(), 0);

    // Restore of the changed version: the Compare dialog shows the rows, Restore writes them.
    versions->selectRow(1);
    QVERIFY(ui->Btn_HistoryRestore->isEnabled());
    DialogAnswers answers;
    simA.clearRequests();
    ui->Btn_HistoryRestore->click();
    QCOMPARE(answers.compareButton, QStringLiteral("Restore"));
    QCOMPARE(answers.comparison, (QStringList {"204 10 20 CH1 Zero Range", "8005 0 3 COM-1 Send Gap"}));
    QCOMPARE(simA.writes(), (QStringList {"write 204 2 0 20", "write 8005 1 3"}));
    QVERIFY(answers.popups.last().contains("Import Successful!"));
    QCOMPARE(versions->rowCount(), 4);
    QVERIFY2(QRegularExpression("^restore of " + window->versions().at(2).shortId()
                 + R"( via 127\.0\.0\.1:\d+ address 1: 2 written, 2 verified$)")
                 .match(versions->item(0, 3)->text())
                 .hasMatch(),
        qPrintable(versions->item(0, 3)->text()));
    ui->lineEditAuditFilter->setText("restore");
    QCOMPARE(ui->tableAudit->model()->rowCount(), 2);
    window->close();
    disconnectTestClient();
    setDataDirectory(QString());
    QVERIFY(page.importIdle && page.exportIdle);
}

QTEST_MAIN(TestHistoryRuns)
#include "tst_historyruns.moc"
