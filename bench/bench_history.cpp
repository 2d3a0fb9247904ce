// The configuration history:
// - recording one version of an export's 241 rows (what recording adds to an
//   export; target at most 30 ms), and a record that finds nothing changed;
// - an export against the simulator with and without its history (the
//   serial number read and the version recorded; target: at most 30 ms more);
// - --backup-all of 20 simulated devices answering 5 ms late, --jobs 4
//   against --jobs 1 (target: at most 0.4 of the time);
// - a store with 1 000 versions of one device (and 200 of four others):
//   listing the device's versions and the devices, in process and as
//   `q4config --history SERIAL` (target within 1 s).
//
//   bench_history [VERSIONS]

#include "link/linksession.h"
#include "params/registermap.h"
#include "support/programrun.h"
#include "support/simulatorprocess.h"
#include "workbook/exceltowrite.h"
#include "workbook/historyrecorder.h"
#include "workbook/historystore.h"
#include "workbook/parameterworkbook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

QTextStream out(stdout);

const QString Serial = QStringLiteral("2026120700042-000000001234");

// The rows of an export: every catalogue parameter, values varied by seed.
QVector<HistoryRow> exportRows(int seed)
{
    QVector<HistoryRow> rows;
    for (const ParameterInfo &p : parameterCatalogue())
        rows.append({p.address, p.nameEnglish, p.count, QString::number((p.address * 7 + seed) % 1000)});
    return rows;
}

struct Spread
{
    double median = 0;
    double worst = 0;
};

Spread spread(QVector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms.at(ms.size() / 2), ms.last()};
}

// Exports against the simulator, each after a change of one value: without
// the history, and with it (serial number, version). False when a run failed.
bool benchExport(const QString &folder)
{
    SimulatorProcess sim;
    if (!sim.start() || !connectTestClient(sim)) {
        out << "cannot start the simulator: " << sim.errorText() << "\n";
        return false;
    }
    const QString templatePath = QStringLiteral(Q4_BINARY_DIR "/Template/") + templateFileName(0);
    const QString file = folder + QStringLiteral("/export.xlsx");
    HistoryRecorder history(folder + QStringLiteral("/export-history"));
    QVector<double> plain;
    QVector<double> recorded;
    bool good = true;
    QElapsedTimer clock;
    for (int i = 0; i < 40; ++i) {
        sim.command(QStringLiteral("set 8005 %1").arg(i));
        const bool record = i % 2 == 1;
        ExelToWrite worker;
        clock.start();
        if (record)
            good = history.readSerial(processLinkTarget(linkSession().modbusClient, LinkParameters())) && good;
        const int result = worker.exportToFile(templatePath, file, linkSession().modbusClient, 0);
        if (record)
            good = history.record(HistorySource::Export, worker, linkSession().modbusClient, QStringLiteral("export.xlsx"),
                       QStringLiteral("bench"), HistoryRecorder::wentThrough(result, worker))
                && history.lastRecord().outcome == HistoryRecord::Committed && good;
        (record ? recorded : plain).append(clock.nsecsElapsed() / 1e6);
        good = result == ExelToWrite::Done && good;
    }
    disconnectTestClient();
    const Spread without = spread(plain);
    const Spread with = spread(recorded);
    out << QStringLiteral("export of 241 rows: median %1 ms without the history, %2 ms with it: %3 ms more "
                          "(target <= 30 ms)\n")
               .arg(without.median, 0, 'f', 1)
               .arg(with.median, 0, 'f', 1)
               .arg(with.median - without.median, 0, 'f', 1);
    if (!good)
        out << "FAILED export: " << history.error() << "\n";
    return good;
}

// --backup-all of 20 devices of one simulator answering 5 ms late, --jobs 1 and --jobs 4.
bool benchBackupAll(const QString &folder)
{
    QStringList ids;
    for (int id = 1; id <= 20; ++id)
        ids << QString::number(id);
    SimulatorProcess sim({QStringLiteral("--id"), ids.join(QLatin1Char(',')), QStringLiteral("--latency"),
        QStringLiteral("5")});
    if (!sim.start()) {
        out << "cannot start the simulator: " << sim.errorText() << "\n";
        return false;
    }
    const QString targets = folder + QStringLiteral("/targets");
    QFile file(targets);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QString &id : qAsConst(ids))
        file.write(QStringLiteral("tcp 127.0.0.1:%1 %2\n").arg(sim.port()).arg(id).toUtf8());
    file.close();
    qint64 ms[2] = {0, 0};
    bool good = true;
    for (const int jobs : {1, 4}) {
        const ProgramRun run = runProgram(
            {QStringLiteral("--backup-all"), targets, QStringLiteral("--jobs"), QString::number(jobs),
                QStringLiteral("--history-dir"), folder + QStringLiteral("/backup%1").arg(jobs)});
        ms[jobs == 4 ? 1 : 0] = run.ms;
        good = run.status == 0 && run.lines().filter(QStringLiteral(": changed ")).size() == 20 && good;
        if (run.status != 0)
            out << run.out << run.err;
    }
    out << QStringLiteral(
        "--backup-all of 20 devices at 5 ms latency: %1 ms with --jobs 1, %2 ms with --jobs 4: "
        "%3 of it (target <= 0.4)\n")
               .arg(ms[0])
               .arg(ms[1])
               .arg(double(ms[1]) / qMax<qint64>(1, ms[0]), 0, 'f', 2);
    return good;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int versions = argc > 1 ? qMax(10, QString::fromLocal8Bit(argv[1]).toInt()) : 1000;
    QTemporaryDir dir;
    HistoryStore store(dir.filePath(QStringLiteral("History")));
    bool good = true;

    // Recording: each record changes one value, so each makes a commit.
    QVector<double> changed;
    QVector<double> same;
    const int rowCount = exportRows(0).size();
    QElapsedTimer clock;
    for (int i = 0; i < versions; ++i) {
        const QString serial = i % 5 == 4 ? QStringLiteral("2026120700042-00000000000%1").arg(i % 4) : Serial;
        const QVector<HistoryRow> rows = exportRows(i);
        clock.start();
        const HistoryRecord r = store.recordVersion(serial, rows, 0, QStringLiteral("export %1").arg(i));
        changed.append(clock.nsecsElapsed() / 1e6);
        good = good && r.outcome == HistoryRecord::Committed;
        if (i < 50) {
            clock.start();
            good = store.recordVersion(serial, rows, 0, QStringLiteral("again")).outcome
                    == HistoryRecord::Unchanged
                && good;
            same.append(clock.nsecsElapsed() / 1e6);
        }
    }
    // Top up the device to the full count of versions.
    int deviceVersions = versions - versions / 5;
    for (int i = 0; deviceVersions < versions; ++i, ++deviceVersions)
        good = store.recordVersion(Serial, exportRows(versions + i), 0, QStringLiteral("more")).ok() && good;

    const Spread record = spread(changed);
    const Spread unchanged = spread(same);
    out << QStringLiteral("record a version (%1 rows): median %2 ms, worst %3 ms over %4 (target <= 30 ms)\n")
               .arg(rowCount)
               .arg(record.median, 0, 'f', 1)
               .arg(record.worst, 0, 'f', 1)
               .arg(changed.size());
    out << QStringLiteral("record, nothing changed: median %1 ms, worst %2 ms\n")
               .arg(unchanged.median, 0, 'f', 1)
               .arg(unchanged.worst, 0, 'f', 1);

    QVector<HistoryVersion> list;
    QString error;
    clock.start();
    good = store.versions(Serial, &list, &error) && list.size() == versions && good;
    const double listMs = clock.nsecsElapsed() / 1e6;
    QVector<HistoryDevice> devices;
    clock.start();
    good = store.devices(&devices, &error) && devices.size() == 5 && good;
    const double devicesMs = clock.nsecsElapsed() / 1e6;
    const ProgramRun run
        = runProgram({QStringLiteral("--history-dir"), store.folder(), QStringLiteral("--history"), Serial});
    good = run.status == 0 && run.lines().size() == versions && good;
    out << QStringLiteral(
        "list %1 versions of a device: %2 ms in process, %3 ms as q4config --history SERIAL "
        "(target <= 1000 ms)\n")
               .arg(list.size())
               .arg(listMs, 0, 'f', 1)
               .arg(run.ms);
    out << QStringLiteral("list the %1 devices of %2 commits: %3 ms\n")
               .arg(devices.size())
               .arg(versions + versions / 5)
               .arg(devicesMs, 0, 'f', 1);
    if (!good)
        out << "FAILED " << error << run.err << "\n";
    good = benchExport(dir.path()) && good;
    good = benchBackupAll(dir.path()) && good;
    out.flush();
    return good ? 0 : 1;
}
