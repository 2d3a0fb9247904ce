// Quiet by default: headless runs print exactly their documented lines, a GUI
// session prints nothing, and --verbose or QT_LOGGING_RULES bring the log back.

#include "link/linksession.h"
#include "link/transactions.h"
#include "params/appstate.h"
#include "params/logcategories.h"
#include "support/programrun.h"
#include "support/simulatorprocess.h"
#include "ui/link/modbussetting.h"
#include "ui/pagestate.h"
#include "ui/window/mainwindow.h"
#include "ui/window/startup.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// What a run printed, with the environment's logging variables replaced by env.
struct Printed
{
    int status = -1;
    QString out;
    QString err;
};

Printed runQ4config(const QStringList &args, const QStringList &env = {})
{
    QProcess p;
    prepareProgram(p);
    QProcessEnvironment e = p.processEnvironment();
    for (const char *name : {"QT_LOGGING_RULES", "QT_LOGGING_CONF", "QT_MESSAGE_PATTERN", "Q4_MODBUS_LOG"})
        e.remove(QString::fromLatin1(name));
    for (const QString &pair : env)
        e.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(Q4CONFIG_PATH), args);
    Printed printed;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished(5000);
        return printed;
    }
    printed.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    printed.out = QString::fromUtf8(p.readAllStandardOutput());
    printed.err = QString::fromUtf8(p.readAllStandardError());
    return printed;
}

bool wholeMatch(const QString &pattern, const QString &text)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(text).hasMatch();
}

quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

// The progress lines a run may write on stderr, at most once a second.
const QString ProgressLines = QStringLiteral(
    "((export|import|diff): (reading|writing|verifying) \\d+/\\d+\\n|clone progress: .*\\n)*");
const QString RowLines = QStringLiteral("(row \\d+/\\d+ \\(\\d+%\\)\\n)+");

QStringList captured;

void capture(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    captured << QString::fromLatin1(context.category ? context.category : "") + QStringLiteral(": ")
            + message;
}

// Restores the previous message handler however the test ends.
struct CaptureMessages
{
    QtMessageHandler previous;
    CaptureMessages()
        : previous(qInstallMessageHandler(capture))
    {
        captured.clear();
    }
    ~CaptureMessages() { qInstallMessageHandler(previous); }
};

} // namespace

class TestQuiet : public QObject
{
    Q_OBJECT

private:
    SimulatorProcess sim;
    QTemporaryDir dir;
    QString tcp;
    QString backup;

    QString data() const { return dir.filePath(QStringLiteral("data")); }

private slots:
    void initTestCase()
    {
        QVERIFY2(sim.start(), qPrintable(sim.errorText()));
        tcp = QStringLiteral("%1:%2").arg(sim.host()).arg(sim.port());
        backup = dir.filePath(QStringLiteral("backup.xlsx"));
        QVERIFY(QDir().mkpath(data() + QStringLiteral("/Template")));
        QVERIFY(QFile::copy(QStringLiteral(Q4_BINARY_DIR "/Template/KTT-Q4_EN.xlsx"),
            data() + QStringLiteral("/Template/KTT-Q4_EN.xlsx")));
        const Printed run = runQ4config({QStringLiteral("--data-dir"), data(), QStringLiteral("--export"),
            backup, QStringLiteral("--tcp"), tcp});
        QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
        // The window's saved connection is the simulator.
        QVERIFY(QDir().mkpath(data() + QStringLiteral("/Setting")));
        QSettings settings(data() + QStringLiteral("/Setting/setting.ini"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Q4/connectType"), 1);
        settings.setValue(QStringLiteral("Q4/EditHostIP"), sim.host());
        settings.setValue(QStringLiteral("Q4/EditPort"), QString::number(sim.port()));
    }

    void headlessRunsPrintTheirLines_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString file = dir.filePath(QStringLiteral("again.xlsx"));
        const QString closed = QStringLiteral("127.0.0.1:%1").arg(closedPort());
        QTest::newRow("export") << QStringList {QStringLiteral("--export"), file, QStringLiteral("--tcp"),
            tcp} << 0
                                << RowLines
                + QStringLiteral("export done: \\d+ values read into \\Q%1\\E; 0 failed; \\d+ skipped\\n")
                      .arg(file) << ProgressLines;
        QTest::newRow("import") << QStringList {QStringLiteral("--import"), backup, QStringLiteral("--tcp"),
            tcp} << 0
                                << RowLines
                + QStringLiteral("import done: \\d+ values written from \\Q%1\\E; 0 failed; \\d+ skipped; "
                                 "\\d+ unchanged; \\d+ verified, 0 mismatched\\n")
                      .arg(backup)
                                << ProgressLines;
        QTest::newRow("diff") << QStringList {QStringLiteral("--diff"), backup, QStringLiteral("--tcp"), tcp}
                              << 0 << QStringLiteral("0 rows differ\\n") << ProgressLines;
        QTest::newRow("clone")
            << QStringList {QStringLiteral("--clone"), backup, QStringLiteral("--tcp"), tcp} << 0
            << QStringLiteral(
                   "clone\\Q %1\\E: ok written=0 unchanged=\\d+\\nclone done: 1 of 1 targets ok\\n")
                   .arg(tcp)
            << ProgressLines;
        QTest::newRow("scan") << QStringList {QStringLiteral("--scan"), QStringLiteral("--tcp"), tcp,
            QStringLiteral("--ids"), QStringLiteral("1-2")}
                              << 0
                              << QStringLiteral("found 1 software \\d+ serial \\S+\\nscan done: 1 device "
                                                "found in 2 probes \\(\\d+\\.\\d s\\)\\n")
                              << QString();
        QTest::newRow("no device") << QStringList {QStringLiteral("--export"), file, QStringLiteral("--tcp"),
            closed} << 1 << QString()
                                   << QStringLiteral("q4config: export failed: .*\\Q%1\\E.*\\n").arg(closed);
        QTest::newRow("help") << QStringList {QStringLiteral("--help")} << 0
                              << QStringLiteral("Usage: .*--verbose.*") << QString();
        QTest::newRow("version") << QStringList {QStringLiteral("--version")} << 0
                                 << QStringLiteral("q4config \\S+\\n") << QString();
    }
    // Nothing but the result and progress lines of the manual, in either channel.
    void headlessRunsPrintTheirLines()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Printed run = runQ4config(QStringList {QStringLiteral("--data-dir"), data()} + args);
        QCOMPARE(run.status, status);
        QVERIFY2(wholeMatch(QStringLiteral("(?s)") + out, run.out), qPrintable(run.out));
        QVERIFY2(wholeMatch(err, run.err), qPrintable(run.err));
    }

    void logLinesOnRequest_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<QString>("present"); // a line start that must be on stderr
        QTest::addColumn<QString>("absent"); // a text that must not be
        QTest::newRow("--verbose") << QStringList {QStringLiteral("--verbose")} << QStringList()
                                   << QStringLiteral("q4.workbook: parameter worksheet:")
                                   << QStringLiteral("qt.modbus");
        QTest::newRow("QT_LOGGING_RULES")
            << QStringList() << QStringList {QStringLiteral("QT_LOGGING_RULES=q4.workbook.debug=true")}
            << QStringLiteral("q4.workbook: parameter worksheet:") << QStringLiteral("q4.link");
        QTest::newRow("QT_LOGGING_RULES wins") << QStringList {QStringLiteral("--verbose")}
                                               << QStringList {QStringLiteral("QT_LOGGING_RULES=q4.*=false")}
                                               << QString() << QStringLiteral("q4.");
        QTest::newRow("Q4_MODBUS_LOG=1") << QStringList() << QStringList {QStringLiteral("Q4_MODBUS_LOG=1")}
                                         << QStringLiteral("qt.modbus") << QStringLiteral("q4.");
    }
    // The log goes to stderr only: the documented lines on stdout stay as they are.
    void logLinesOnRequest()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, env);
        QFETCH(QString, present);
        QFETCH(QString, absent);
        const Printed run = runQ4config(QStringList {QStringLiteral("--data-dir"), data(),
                                            QStringLiteral("--diff"), backup, QStringLiteral("--tcp"), tcp}
                + options,
            env);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("0 rows differ\n"));
        const QStringList lines = run.err.split(QLatin1Char('\n'));
        QVERIFY2(present.isEmpty()
                || !lines.filter(QRegularExpression(QStringLiteral("^\\Q%1\\E").arg(present))).isEmpty(),
            qPrintable(run.err));
        QVERIFY2(!run.err.contains(absent), qPrintable(run.err));
    }

    // The window connected at start-up and polling prints nothing.
    void windowPrintsNothing()
    {
        QProcess program;
        prepareProgram(program);
        // A desktop session has its runtime folder; without one Qt's GUI
        // application warns about it, whatever the program does.
        QTemporaryDir runtime;
        QProcessEnvironment e = program.processEnvironment();
        e.remove(QStringLiteral("QT_LOGGING_RULES"));
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        program.setProcessEnvironment(e);
        sim.clearRequests();
        program.start(QStringLiteral(Q4CONFIG_PATH),
            {QStringLiteral("--data-dir"), data(), QStringLiteral("--connect")});
        QVERIFY(program.waitForStarted());
        QVERIFY(sim.waitForRequest(QStringLiteral("read-hr 9309 2"), 10000));
        sim.clearRequests();
        QVERIFY(sim.waitForRequest(QStringLiteral("read-hr 9309 2"), 5000));
        program.terminate();
        if (!program.waitForFinished(5000)) {
            program.kill();
            program.waitForFinished(2000);
        }
        QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()), QString());
        QCOMPARE(QString::fromUtf8(program.readAllStandardError()), QString());
    }

    // A window session logs nothing with the program's rules: both languages,
    // connect, every page, an edit, the disconnect.
    void windowSessionLogsNothing()
    {
        if (qEnvironmentVariableIsSet("QT_LOGGING_RULES"))
            QSKIP("QT_LOGGING_RULES is set: it decides what this process logs");
        setDataDirectory(data());
        configureLogging(false);
        const CaptureMessages messages;
        {
            MainWindow window(linkSession());
            window.show();
            QApplication::setActiveWindow(&window);
            QVERIFY(QTest::qWaitForWindowActive(&window));
            auto *language = window.findChild<QPushButton *>(QStringLiteral("Btn_ChangeLanguage"));
            language->click();
            QCOMPARE(window.languageInUse(), 1);
            language->click();
            ModbusSetting *page = window.connectionPage();
            QSignalSpy connected(page, &ModbusSetting::ConnectSuccessfulSignal);
            page->findChild<QPushButton *>(QStringLiteral("connectButton"))->click();
            QCOMPARE(connected.count(), 1);
            for (int k : {PageMonitoring, PageBasic, PageCalibration, PageApplication, PageDataTrans,
                     PageTestMaintain, PageBasic}) {
                window.showPage(k);
                sim.clearRequests();
                QVERIFY(sim.waitForRequest(QStringLiteral("read-hr 9309 2"), 5000));
            }
            auto *timer = window.findChild<QLineEdit *>(QStringLiteral("EditSTABTimer"));
            timer->setFocus(Qt::MouseFocusReason);
            QTRY_VERIFY(timer->hasFocus());
            timer->selectAll();
            QTest::keyClicks(timer, QStringLiteral("250"));
            QTest::keyClick(timer, Qt::Key_Return);
            QVERIFY(sim.waitForRequest(QStringLiteral("write 216 2 0 250")));
            window.findChild<QPushButton *>(QStringLiteral("ButtonDisconnect"))->click();
            QTRY_VERIFY_WITH_TIMEOUT(linkSession().modbusClient == nullptr, 5000);
        }
        QVERIFY2(captured.isEmpty(), qPrintable(captured.join(QLatin1Char('\n'))));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    initQ4Resources();
    TestQuiet test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_quiet.moc"
