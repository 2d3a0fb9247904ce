#include "workbook/clonerun.h"

#include "link/clientfactory.h"
#include "link/linkcheck.h"
#include "link/trafficlog.h"
#include "link/transactions.h"
#include "workbook/exceltowrite.h"
#include "workbook/historyrecorder.h"
#include "workbook/runtexts.h"

#include <QElapsedTimer>
#include <QHash>
#include <QModbusClient>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

namespace {

LinkTarget targetOf(QModbusClient *client, const LinkParameters &link)
{
    LinkTarget target;
    target.client = client;
    target.serverAddress = link.serverAddress;
    target.wordOrder = link.wordOrder;
    target.responseTime = link.responseTime;
    target.followsSuspend = false; // the process's link state is not this run's
    // Reported on the session (tagged as the clone's writes); never suspended by it.
    target.session = &linkSession();
    return target;
}

QString countsText(const ExelToWrite &worker)
{
    return QStringLiteral("written=%1 unchanged=%2")
        .arg(worker.transferredRows())
        .arg(worker.unchangedRows());
}

// Why the import into one target did not go through.
QString failureReason(const ExelToWrite &worker, int result, const LinkParameters &link)
{
    const bool verifying = worker.lastPhase() == ExelToWrite::Verifying;
    const QString rows = verifying
        ? QStringLiteral("while reading back the %1 written rows").arg(worker.transferredRows())
        : rowsDoneText(worker.firstRowNotDone(), worker.rowCount());
    switch (result) {
    case ExelToWrite::RowsFailed:
        // "2 failed (first failed addresses: 204, 206), 5 verified, 0 mismatched; written=5 unchanged=230"
        return failedText(worker).mid(2) + QStringLiteral(", ") + verifiedText(worker) + QStringLiteral("; ")
            + countsText(worker);
    case ExelToWrite::NoAnswer:
        return QStringLiteral("no answer from server address %1 at %2 for %3 rows in a row: %4; ")
                   .arg(link.serverAddress)
                   .arg(linkText(link))
                   .arg(ExelToWrite::MaxSilentRows)
                   .arg(rows)
            + countsText(worker) + QStringLiteral(" unconfirmed=%1").arg(worker.unconfirmedWrites());
    case ExelToWrite::LinkLost:
        return QStringLiteral("the link to %1 is gone: %2; ").arg(linkText(link), rows) + countsText(worker);
    default:
        return QStringLiteral("the run ended early (%1); ").arg(result) + countsText(worker);
    }
}

// The import into one target over a connected client. onProgress (may be
// empty) is called on this thread as the run goes on.
CloneResult cloneInto(const ImportSheet &sheet, const LinkParameters &link, QModbusClient *client,
    const CloneOptions &options, TargetProgress &progress, const std::function<void()> &onProgress = {})
{
    CloneResult outcome;
    const LinkTarget target = targetOf(client, link);
    progress.phase = TargetProgress::Checking;
    QString error;
    if (!checkDevice(target, link, &error)) {
        outcome.reason = error;
        return outcome;
    }
    const bool recording = !options.historyFolder.isEmpty();
    HistoryRecorder history(options.historyFolder);
    if (recording)
        history.readSerial(target);
    outcome.serial = history.serial();
    ExelToWrite worker;
    worker.blockReads = options.blockReads;
    worker.allRows = options.allRows;
    worker.setLinkTarget(target);
    QObject::connect(&worker, &ExelToWrite::progress, [&](int phase, int done, int total) {
        progress.total = total;
        progress.done = done;
        progress.phase = phase;
        if (onProgress)
            onProgress();
    });
    const int result = worker.importSheet(sheet, client);
    outcome.written = worker.transferredRows();
    outcome.unchanged = worker.unchangedRows();
    outcome.failed = worker.failedRows();
    outcome.invalid = worker.skippedRows();
    outcome.verified = worker.verifiedRows();
    outcome.mismatched = worker.mismatchedRows();
    outcome.ok = result == ExelToWrite::Done;
    if (!outcome.ok)
        outcome.reason = failureReason(worker, result, link);
    if (recording
        && !history.record(HistorySource::Clone, worker, client, options.workbookName, historyLinkText(link),
            HistoryRecorder::wentThrough(result, worker)))
        outcome.historyError = history.error();
    return outcome;
}

// Targets that share one connection (a TCP target alone, the devices behind
// one RTU over TCP converter, the devices on one serial port), one after
// another in the calling thread through one client of their own, made from
// the first one's link, used and deleted here. Every slot of progress it
// touches is its own.
void serveShared(const QVector<LinkParameters> &links, const QVector<int> &members, const TargetJob &job,
    std::vector<TargetProgress> &progress, const std::function<void()> &onProgress)
{
    for (const int i : members)
        progress[size_t(i)].phase = TargetProgress::Checking;
    QString error;
    QModbusClient *client = connectOwnClient(links.at(members.first()), &error);
    for (const int i : members) {
        job(i, client, error, onProgress);
        progress[size_t(i)].phase = TargetProgress::Finished;
        if (onProgress)
            onProgress();
    }
    takeClientDown(client);
}

// The connections of the links, each with the links it serves: every TCP
// target its own, the devices behind one RTU over TCP converter (host and
// port) together. The serial links go into serial, grouped by port and settings.
QVector<QVector<int>> connectionsOf(const QVector<LinkParameters> &links, QVector<QVector<int>> *serial)
{
    QVector<QVector<int>> connections;
    QHash<QString, int> converters; // host:port -> its connection
    QHash<QString, int> ports; // port and settings -> its group in serial
    for (int i = 0; i < links.size(); ++i) {
        const LinkParameters &link = links.at(i);
        if (!isNetworkLink(link.connectType)) {
            const QString key = QStringLiteral("%1 %2 %3 %4 %5")
                                    .arg(link.serialPortName)
                                    .arg(link.baud)
                                    .arg(int(link.parity))
                                    .arg(link.dataBits)
                                    .arg(link.stopBits);
            const auto known = ports.constFind(key);
            if (known != ports.constEnd()) {
                (*serial)[known.value()].append(i);
            } else {
                ports.insert(key, serial->size());
                serial->append(QVector<int> {i});
            }
            continue;
        }
        if (link.connectType == ConnectionType::RtuOverTcp) {
            const auto known = converters.constFind(linkText(link));
            if (known != converters.constEnd()) {
                connections[known.value()].append(i);
                continue;
            }
            converters.insert(linkText(link), connections.size());
        }
        connections.append(QVector<int> {i});
    }
    return connections;
}

QString progressText(const CloneTarget &target, const TargetProgress &progress)
{
    const int phase = progress.phase;
    if (phase == TargetProgress::Waiting)
        return target.name + QStringLiteral(" waiting");
    if (phase == TargetProgress::Checking)
        return target.name + QStringLiteral(" connecting");
    if (phase == TargetProgress::Finished)
        return target.name + QStringLiteral(" done");
    return QStringLiteral("%1 %2 %3/%4")
        .arg(target.name, phaseName(phase))
        .arg(progress.done)
        .arg(progress.total);
}

} // namespace

QString cloneTargetName(const LinkParameters &link)
{
    if (link.connectType == ConnectionType::Tcp)
        return linkText(link);
    // Several devices may sit behind one converter, as on a serial port.
    if (link.connectType == ConnectionType::RtuOverTcp)
        return QStringLiteral("%1@%2").arg(linkText(link)).arg(link.serverAddress);
    return QStringLiteral("%1@%2").arg(link.serialPortName).arg(link.serverAddress);
}

void runOnTargets(const QVector<LinkParameters> &links, int jobs, const TargetJob &job,
    std::vector<TargetProgress> &progress, const std::function<void()> &tick)
{
    QVector<QVector<int>> serial;
    const QVector<QVector<int>> connections = connectionsOf(links, &serial);

    // Network connections: a few worker threads, each taking the next
    // connection when it is free. Every slot of progress (and of the job's
    // results) is written by the one thread serving it.
    std::atomic_int next {0};
    // Workers that are through (release/acquire: their results are complete
    // when the count says so, also for tools that do not see inside Qt's threads).
    std::atomic_int finishedWorkers {0};
    std::vector<std::unique_ptr<QThread>> workers;
    const int threads = qMin(qMax(1, jobs), connections.size());
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back(QThread::create([&] {
            for (;;) {
                const int k = next.fetch_add(1);
                if (k >= connections.size())
                    break;
                serveShared(links, connections.at(k), job, progress, {});
            }
            finishedWorkers.fetch_add(1, std::memory_order_release);
        }));
        workers.back()->start();
    }

    // The devices on a serial port share it: one after another on this
    // thread, through one client, each with its own server address.
    for (const QVector<int> &group : qAsConst(serial))
        serveShared(links, group, job, progress, tick);

    while (finishedWorkers.load(std::memory_order_acquire) < threads) {
        waitProcessingEvents(20);
        if (tick)
            tick();
    }
    for (const auto &worker : workers)
        worker->wait();
}

QVector<CloneResult> runClone(const ImportSheet &sheet, const QVector<CloneTarget> &targets,
    const CloneOptions &options, const std::function<void(const QString &)> &progressLine)
{
    QVector<CloneResult> results(targets.size());
    std::vector<TargetProgress> progress(size_t(targets.size()));
    linkSession().traffic.resetStatistics();
    // Opened here, before any worker thread, and closed after the last.
    const WriteSourceScope source(linkSession(), WriteSource::Clone);

    QElapsedTimer clock;
    clock.start();
    auto reportIfDue = [&] {
        if (!progressLine || clock.elapsed() < 1000)
            return;
        clock.restart();
        QStringList parts;
        for (int i = 0; i < targets.size(); ++i)
            parts << progressText(targets.at(i), progress[size_t(i)]);
        progressLine(QStringLiteral("clone progress: ") + parts.join(QStringLiteral(", ")));
    };
    QVector<LinkParameters> links;
    for (const CloneTarget &target : targets)
        links.append(target.link);
    // Every slot of results is written by the one thread serving it (through a
    // plain pointer: no container call from several threads).
    CloneResult *const resultSlots = results.data();
    runOnTargets(
        links, options.jobs,
        [&](int i, QModbusClient *client, const QString &error, const std::function<void()> &onProgress) {
            if (!client)
                resultSlots[i].reason = error;
            else
                resultSlots[i]
                    = cloneInto(sheet, targets.at(i).link, client, options, progress[size_t(i)], onProgress);
        },
        progress, reportIfDue);
    return results;
}

QString cloneResultLine(const CloneTarget &target, const CloneResult &result)
{
    if (result.ok)
        return QStringLiteral("clone %1: ok written=%2 unchanged=%3")
            .arg(target.name)
            .arg(result.written)
            .arg(result.unchanged);
    return QStringLiteral("clone %1: failed %2").arg(target.name, result.reason);
}
