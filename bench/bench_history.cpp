// The configuration history store:
// - recording one version of an export's 241 rows (what recording adds to an
//   export; target at most 30 ms), and a record that finds nothing changed;
// - a store with 1 000 versions of one device (and 200 of four others):
//   listing the device's versions and the devices, in process and as
//   `q4config --history SERIAL` (target within 1 s).
//
//   bench_history [VERSIONS]

#include "params/registermap.h"
#include "support/programrun.h"
#include "workbook/historystore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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
    out.flush();
    return good ? 0 : 1;
}
