#include "cli/backuprun.h"

#include "cli/headlessrun.h"
#include "cli/historyrun.h"
#include "link/trafficlog.h"
#include "link/transactions.h"
#include "workbook/clonerun.h"
#include "workbook/exceltowrite.h"
#include "workbook/historyrecorder.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QModbusClient>
#include <QTextStream>

namespace {

// The outcome of one target.
struct BackupResult
{
    enum Outcome { Failed, Changed, Unchanged };
    Outcome outcome = Failed;
    QString serial;
    int rows = 0;
    QString reason; // Failed: why
};

int fail(const QString &message)
{
    QTextStream err(stderr);
    err << "q4config: " << message << "\n";
    return 2;
}

// HOST:PORT into link; false when it is not one.
bool endpoint(const QString &text, LinkParameters *link)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const int port = colon > 0 ? text.mid(colon + 1).toInt(&ok) : 0;
    if (!ok || port < 1 || port > 65535)
        return false;
    link->hostAddress = text.left(colon);
    link->networkPort = QString::number(port);
    return true;
}

bool serverAddress(const QString &text, int *address)
{
    bool ok = false;
    *address = text.toInt(&ok);
    return ok && *address >= 1 && *address <= 247;
}

// One line's words into target; an empty problem for a good line.
QString parseTarget(const QStringList &words, BackupTarget *target)
{
    const QString kind = words.first();
    LinkParameters &link = target->link;
    link.serverAddress = 1;
    if (kind == QLatin1String("tcp") || kind == QLatin1String("rtu-tcp")) {
        link.connectType = kind == QLatin1String("tcp") ? ConnectionType::Tcp : ConnectionType::RtuOverTcp;
        if (words.size() < 2 || words.size() > 3)
            return QStringLiteral("%1 HOST:PORT [address]").arg(kind);
        if (!endpoint(words.at(1), &link))
            return QStringLiteral("bad HOST:PORT %1").arg(words.at(1));
        if (words.size() == 3 && !serverAddress(words.at(2), &link.serverAddress))
            return QStringLiteral("bad address %1 (1..247)").arg(words.at(2));
        target->name = QStringLiteral("%1 %2 %3").arg(kind, linkText(link)).arg(link.serverAddress);
        return QString();
    }
    if (kind != QLatin1String("rtu"))
        return QStringLiteral("unknown kind %1 (tcp, rtu or rtu-tcp)").arg(kind);
    link.connectType = ConnectionType::Rtu;
    if (words.size() < 3 || words.size() > 5)
        return QStringLiteral("rtu PORT address [baud] [parity]");
    link.serialPortName = words.at(1);
    if (!serverAddress(words.at(2), &link.serverAddress))
        return QStringLiteral("bad address %1 (1..247)").arg(words.at(2));
    bool ok = true;
    if (words.size() > 3)
        link.baud = words.at(3).toInt(&ok);
    if (!ok || link.baud <= 0)
        return QStringLiteral("bad baud rate %1").arg(words.at(3));
    if (words.size() > 4 && !parityFromName(words.at(4), &link.parity))
        return QStringLiteral("bad parity %1 (none, even, odd or N, E, O)").arg(words.at(4));
    target->name = QStringLiteral("rtu %1 %2").arg(link.serialPortName).arg(link.serverAddress);
    return QString();
}

LinkTarget targetOf(QModbusClient *client, const LinkParameters &link)
{
    LinkTarget target;
    target.client = client;
    target.serverAddress = link.serverAddress;
    target.wordOrder = link.wordOrder;
    target.responseTime = link.responseTime;
    return target;
}

// Why reading a device's parameter set ended early.
QString readFailure(int result, const LinkParameters &link)
{
    switch (result) {
    case ExelToWrite::NoAnswer:
        return QStringLiteral("no answer from server address %1 at %2 for %3 rows in a row")
            .arg(link.serverAddress)
            .arg(linkText(link))
            .arg(ExelToWrite::MaxSilentRows);
    case ExelToWrite::LinkLost:
        return QStringLiteral("the link to %1 is gone").arg(linkText(link));
    default:
        return QStringLiteral("the read ended early (%1)").arg(result);
    }
}

// One target over its connected client: the test read, the serial number,
// the parameter set, the version.
BackupResult backUp(const LinkParameters &link, QModbusClient *client, const QString &folder)
{
    BackupResult outcome;
    const LinkTarget target = targetOf(client, link);
    if (!checkDevice(target, link, &outcome.reason))
        return outcome;
    HistoryRecorder history(folder);
    if (!history.readSerial(target)) {
        outcome.reason = history.reason();
        return outcome;
    }
    outcome.serial = history.serial();
    ExelToWrite worker;
    worker.setLinkTarget(target);
    const int result = worker.readParameterSet(client);
    if (result != ExelToWrite::Done && result != ExelToWrite::RowsFailed) {
        outcome.reason = readFailure(result, link);
        return outcome;
    }
    if (!history.record(HistorySource::Backup, worker, nullptr, QString(), historyLinkText(link), true)) {
        outcome.reason = history.error();
        return outcome;
    }
    outcome.rows = history.recordedRows();
    outcome.outcome = history.lastRecord().outcome == HistoryRecord::Committed ? BackupResult::Changed
                                                                               : BackupResult::Unchanged;
    return outcome;
}

QString resultLine(const BackupTarget &target, const BackupResult &result)
{
    switch (result.outcome) {
    case BackupResult::Changed:
        return QStringLiteral("backup %1: changed %2 %3").arg(target.name, result.serial).arg(result.rows);
    case BackupResult::Unchanged:
        return QStringLiteral("backup %1: unchanged %2").arg(target.name, result.serial);
    case BackupResult::Failed:
        break;
    }
    return QStringLiteral("backup %1: failed %2").arg(target.name, result.reason);
}

} // namespace

bool readBackupTargets(
    const QString &path, const LinkParameters &base, QVector<BackupTarget> *targets, QString *error)
{
    targets->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        QStringList words = lines.at(n).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        // A word that starts with # begins a comment.
        for (int w = 0; w < words.size(); ++w) {
            if (words.at(w).startsWith(QLatin1Char('#'))) {
                words = words.mid(0, w);
                break;
            }
        }
        if (words.isEmpty())
            continue;
        BackupTarget target;
        target.link = base;
        const QString problem = parseTarget(words, &target);
        if (!problem.isEmpty()) {
            *error = QStringLiteral("%1 line %2: %3").arg(path).arg(n + 1).arg(problem);
            return false;
        }
        targets->append(target);
    }
    if (targets->isEmpty()) {
        *error = QStringLiteral("%1 lists no target").arg(path);
        return false;
    }
    return true;
}

int runBackupAllCommandLine(const QCommandLineParser &parser)
{
    for (const char *option : {"tcp", "rtu", "rtu-tcp", "id"}) {
        if (parser.isSet(QLatin1String(option)))
            return fail(QStringLiteral("--backup-all takes its targets from FILE, not --%1")
                            .arg(QLatin1String(option)));
    }
    LinkParameters base;
    QString error;
    if (!commandLineLink(parser, &base, &error, true))
        return fail(error);
    int jobs = 4;
    if (parser.isSet(QStringLiteral("jobs"))) {
        bool ok = false;
        jobs = parser.value(QStringLiteral("jobs")).toInt(&ok);
        if (!ok || jobs < 1 || jobs > 64)
            return fail(QStringLiteral("bad --jobs (1..64)"));
    }
    QVector<BackupTarget> targets;
    const QString path = QFileInfo(parser.value(QStringLiteral("backup-all"))).absoluteFilePath();
    if (!readBackupTargets(path, base, &targets, &error))
        return fail(error);

    const QString folder = commandLineHistoryFolder(parser);
    QVector<LinkParameters> links;
    for (const BackupTarget &target : qAsConst(targets))
        links.append(target.link);
    QVector<BackupResult> results(targets.size());
    std::vector<TargetProgress> progress(size_t(targets.size()));
    linkSession().traffic.resetStatistics();
    // Every slot of results is written by the one thread serving it.
    BackupResult *const resultSlots = results.data();
    runOnTargets(links, jobs,
        [&](int i, QModbusClient *client, const QString &connectError, const std::function<void()> &) {
            if (client)
                resultSlots[i] = backUp(links.at(i), client, folder);
            else
                resultSlots[i].reason = connectError;
        },
        progress, {});

    QTextStream out(stdout);
    int good = 0;
    for (int i = 0; i < targets.size(); ++i) {
        out << resultLine(targets.at(i), results.at(i)) << "\n";
        good += results.at(i).outcome == BackupResult::Failed ? 0 : 1;
    }
    out.flush();
    return good == targets.size() ? 0 : 1;
}
