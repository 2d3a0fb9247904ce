#include "cli/historyrun.h"

#include "cli/output.h"
#include "workbook/historyrecorder.h"
#include "workbook/historystore.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace {

const QString HistoryOption = QStringLiteral("history");
const QString HistoryDiffOption = QStringLiteral("history-diff");
const QString HistoryDirOption = QStringLiteral("history-dir");
const QString RestoreOption = QStringLiteral("restore");
const QString ForceOption = QStringLiteral("force");
const QString BackupAllOption = QStringLiteral("backup-all");
const QString PushOption = QStringLiteral("push");

int fail(const QString &message)
{
    QTextStream err(stderr);
    err << "q4config: " << message << "\n";
    return 2;
}

// "2026-12-07T14:03:22", local time to the second.
QString timeText(const QDateTime &time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

// A value as one word of a line: "" when empty, in quotes (quotes doubled)
// when it holds a blank or a quote.
QString valueWord(const QString &value)
{
    if (value.isEmpty())
        return QStringLiteral("\"\"");
    bool plain = true;
    for (const QChar c : value)
        plain = plain && !c.isSpace() && c != QLatin1Char('"');
    if (plain)
        return value;
    return QLatin1Char('"') + QString(value).replace(QLatin1Char('"'), QStringLiteral("\"\""))
        + QLatin1Char('"');
}

// "changed 1100 Channel 1 division 5 -> 10", "added ... - -> 3", "removed ... 3 -> -".
QString changeLine(const HistoryChange &c)
{
    const char *kind = c.kind == HistoryChange::Added ? "added"
        : c.kind == HistoryChange::Removed            ? "removed"
                                                      : "changed";
    return QStringLiteral("%1 %2 %3 %4 -> %5")
        .arg(QLatin1String(kind))
        .arg(c.address)
        .arg(c.name, c.kind == HistoryChange::Added ? QStringLiteral("-") : valueWord(c.oldValue),
            c.kind == HistoryChange::Removed ? QStringLiteral("-") : valueWord(c.newValue));
}

int listDevices(const HistoryStore &store)
{
    QVector<HistoryDevice> devices;
    QString error;
    if (!store.devices(&devices, &error))
        return fail(error);
    for (const HistoryDevice &d : qAsConst(devices))
        out() << "device " << d.serial << " " << d.versions << " " << timeText(d.lastTime) << "\n";
    out().flush();
    return 0;
}

int listVersions(const HistoryStore &store, const QString &given)
{
    QString serial;
    QString error;
    QVector<HistoryVersion> versions;
    if (!store.findDevice(given, &serial, &error) || !store.versions(serial, &versions, &error))
        return fail(error);
    for (const HistoryVersion &v : qAsConst(versions))
        out() << "version " << v.shortId() << " " << timeText(v.time) << " " << v.author << " " << v.message
              << "\n";
    out().flush();
    return 0;
}

int diffVersions(const HistoryStore &store, const QStringList &args)
{
    QString serial;
    QString error;
    QVector<HistoryChange> changes;
    if (!store.findDevice(args.at(0), &serial, &error)
        || !store.diff(serial, args.at(1), args.value(2), &changes, &error))
        return fail(error);
    for (const HistoryChange &c : qAsConst(changes))
        out() << changeLine(c) << "\n";
    out() << changes.size() << " rows differ\n";
    out().flush();
    return changes.isEmpty() ? 0 : 1;
}

} // namespace

void addHistoryOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {HistoryOption,
            QStringLiteral(
                "List the devices of the configuration history, or with SERIAL the device's versions "
                "(newest first), and exit.")},
        {HistoryDiffOption,
            QStringLiteral(
                "With SERIAL REV [REV2]: list the rows that differ between two versions of the device "
                "(REV2 defaults to the newest) and exit (0 none differ, 1 some differ, 2 error).")},
        {HistoryDirOption,
            QStringLiteral("Folder of the configuration history (default: the folder saved in the History "
                           "window, else History/ in the data folder)."),
            QStringLiteral("DIR")},
        {
            RestoreOption,
            QStringLiteral(
                "With SERIAL REV and the link options: write the rows of that version of the device "
                "that differ from the device, read them back, record the result as a new version, "
                "and exit. Refused when the device's serial number is not SERIAL."),
        },
        {ForceOption, QStringLiteral("--restore: also into a device whose serial number is not SERIAL.")},
        {BackupAllOption,
            QStringLiteral("Record a version of every device listed in FILE (one a line: tcp HOST:PORT "
                           "[address], rtu PORT address [baud] [parity], rtu-tcp HOST:PORT [address]; # "
                           "comments), --jobs at once, and exit (0 all worked, 1 some failed)."),
            QStringLiteral("FILE")},
        {PushOption,
            QStringLiteral("After a run that records (--export, --import, --diff, --clone, --restore, "
                           "--backup-all): push the history to its remote (exit status 3 when that fails).")},
    });
    parser.addPositionalArgument(QStringLiteral("SERIAL"),
        QStringLiteral("--history, --history-diff, --restore: serial number of the device; --history-diff, "
                       "--restore: then REV [REV2], versions as --history lists them or any Git revision "
                       "(HEAD~2)."),
        QStringLiteral("[SERIAL [REV [REV2]]]"));
}

bool isHistoryRun(const QCommandLineParser &parser)
{
    return parser.isSet(HistoryOption) || parser.isSet(HistoryDiffOption);
}

bool isRestoreRun(const QCommandLineParser &parser) { return parser.isSet(RestoreOption); }

bool isBackupAllRun(const QCommandLineParser &parser) { return parser.isSet(BackupAllOption); }

bool isPushRequested(const QCommandLineParser &parser) { return parser.isSet(PushOption); }

QString historyDirArgument(const QCommandLineParser &parser)
{
    return parser.isSet(HistoryDirOption) ? parser.value(HistoryDirOption) : QString();
}

QString commandLineHistoryFolder(const QCommandLineParser &parser)
{
    return historyFolderFor(historyDirArgument(parser));
}

int withHistoryProblem(int status, bool worked, const QStringList &problems)
{
    if (problems.isEmpty())
        return status;
    QTextStream err(stderr);
    for (const QString &problem : problems)
        err << "q4config: " << problem << "\n";
    return worked ? HistoryProblemStatus : status;
}

int pushAfterRun(const QCommandLineParser &parser, int status, bool worked)
{
    if (!parser.isSet(PushOption))
        return status;
    const HistoryStore store(commandLineHistoryFolder(parser));
    QString remote;
    QString error;
    if (store.push(&remote, &error))
        return status;
    return withHistoryProblem(status, worked, QStringLiteral("history not pushed: %1").arg(error));
}

int runHistoryCommandLine(const QCommandLineParser &parser)
{
    if (parser.isSet(HistoryOption) && parser.isSet(HistoryDiffOption))
        return fail(QStringLiteral("--history and --history-diff exclude each other"));
    if (parser.isSet(HistoryDirOption) && parser.value(HistoryDirOption).isEmpty())
        return fail(QStringLiteral("bad --history-dir (a folder)"));
    const QStringList args = parser.positionalArguments();
    const HistoryStore store(commandLineHistoryFolder(parser));
    if (parser.isSet(HistoryOption)) {
        if (args.size() > 1)
            return fail(QStringLiteral("--history takes at most one SERIAL"));
        return args.isEmpty() ? listDevices(store) : listVersions(store, args.first());
    }
    if (args.size() < 2 || args.size() > 3)
        return fail(QStringLiteral("--history-diff needs SERIAL REV [REV2]"));
    return diffVersions(store, args);
}
