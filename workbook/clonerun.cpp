#include "workbook/clonerun.h"

#include "link/clientfactory.h"
#include "link/trafficlog.h"
#include "link/transactions.h"
#include "workbook/exceltowrite.h"
#include "workbook/headlessrun.h"

#include <QElapsedTimer>
#include <QHash>
#include <QModbusClient>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

namespace {

// Where a target's run is, written by the thread that serves it and read by the
// calling thread for the progress line.
struct TargetProgress
{
    std::atomic_int phase {Waiting};
    std::atomic_int done {0};
    std::atomic_int total {0};

    static constexpr int Waiting = -2;
    static constexpr int Checking = -1; // connecting and the test read
    static constexpr int Finished = 3;
};

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
    ExelToWrite worker;
    worker.showPopups = false;
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
    return outcome;
}

// Targets that share one connection (a TCP target alone, the devices behind
// one RTU over TCP converter, the devices on the serial port), one after
// another in the calling thread through one client of their own, made from
// the first one's link, used and deleted here. Every slot of results and
// progress it touches is its own.
void cloneShared(const ImportSheet &sheet, const QVector<CloneTarget> &targets, const QVector<int> &members,
    const CloneOptions &options, CloneResult *results, std::vector<TargetProgress> &progress,
    const std::function<void()> &onProgress = {})
{
    for (const int i : members)
        progress[size_t(i)].phase = TargetProgress::Checking;
    QString error;
    QModbusClient *client = connectOwnClient(targets.at(members.first()).link, &error);
    for (const int i : members) {
        if (!client)
            results[i].reason = error;
        else
            results[i]
                = cloneInto(sheet, targets.at(i).link, client, options, progress[size_t(i)], onProgress);
        progress[size_t(i)].phase = TargetProgress::Finished;
        if (onProgress)
            onProgress();
    }
    takeClientDown(client);
}

// The connections of the network targets, each with the targets it serves:
// every TCP target its own, the devices behind one RTU over TCP converter
// (host and port) together. The serial targets go into serial.
QVector<QVector<int>> networkConnections(const QVector<CloneTarget> &targets, QVector<int> *serial)
{
    QVector<QVector<int>> connections;
    QHash<QString, int> converters; // host:port -> its connection
    for (int i = 0; i < targets.size(); ++i) {
        const LinkParameters &link = targets.at(i).link;
        if (!isNetworkLink(link.connectType)) {
            serial->append(i);
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

QVector<CloneResult> runClone(const ImportSheet &sheet, const QVector<CloneTarget> &targets,
    const CloneOptions &options, const std::function<void(const QString &)> &progressLine)
{
    QVector<CloneResult> results(targets.size());
    std::vector<TargetProgress> progress(size_t(targets.size()));
    TrafficLog::instance().resetStatistics();
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

    QVector<int> serial;
    const QVector<QVector<int>> connections = networkConnections(targets, &serial);

    // Network connections: a few worker threads, each taking the next connection
    // when it is free. Every slot of results and progress is written by the one
    // thread serving it (through a plain pointer: no container call from several threads).
    CloneResult *const resultSlots = results.data();
    std::atomic_int next {0};
    // Workers that are through (release/acquire: their results are complete
    // when the count says so, also for tools that do not see inside Qt's threads).
    std::atomic_int finishedWorkers {0};
    std::vector<std::unique_ptr<QThread>> workers;
    const int threads = qMin(qMax(1, options.jobs), connections.size());
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back(QThread::create([&] {
            for (;;) {
                const int k = next.fetch_add(1);
                if (k >= connections.size())
                    break;
                cloneShared(sheet, targets, connections.at(k), options, resultSlots, progress);
            }
            finishedWorkers.fetch_add(1, std::memory_order_release);
        }));
        workers.back()->start();
    }

    // The devices on the serial port share it: one after another on this
    // thread, through one client, each with its own server address.
    if (!serial.isEmpty())
        cloneShared(sheet, targets, serial, options, resultSlots, progress, reportIfDue);

    while (finishedWorkers.load(std::memory_order_acquire) < threads) {
        waitProcessingEvents(20);
        reportIfDue();
    }
    for (const auto &worker : workers)
        worker->wait();
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
