// Workbook runs against the simulator answering every request 5 ms late:
// - export, one request per row and in block reads: wall time against rows x
//   5 ms, the time the device's answers alone take for one request per row;
// - import writing every row, and import into a device that already holds the
//   workbook (nothing to write): the second against the first;
// - clone into 8 simulated TCP devices against clone into one.

#include "link/linksession.h"
#include "support/simulatorprocess.h"
#include "workbook/clonerun.h"
#include "workbook/exceltowrite.h"
#include "workbook/parameterworkbook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>
#include <vector>

namespace {

QTextStream out(stdout);

// A device that differs from the factory one in 30 parameter rows.
void changeParameters(SimulatorProcess &sim)
{
    for (int c = 0; c < 4; ++c) {
        sim.command(QStringLiteral("set32 %1 5").arg(214 + 100 * c));
        sim.command(QStringLiteral("set32 %1 3").arg(222 + 100 * c));
        sim.command(QStringLiteral("set32 %1 10").arg(224 + 100 * c));
    }
    for (int k = 0; k < 8; ++k) {
        sim.command(QStringLiteral("set32 %1 %2").arg(1064 + 16 * k).arg((k + 1) * 100));
        sim.command(QStringLiteral("set32 %1 %2").arg(1066 + 16 * k).arg(-(k + 1) * 50));
    }
    sim.command(QStringLiteral("set 8005 100"));
    sim.command(QStringLiteral("set 8025 200"));
}

qint64 timeClone(const ImportSheet &sheet, const QVector<CloneTarget> &targets, int jobs, bool *allOk)
{
    CloneOptions options;
    options.jobs = jobs;
    QElapsedTimer clock;
    clock.start();
    const QVector<CloneResult> results = runClone(sheet, targets, options, {});
    const qint64 ms = clock.elapsed();
    for (int i = 0; i < results.size(); ++i) {
        if (!results[i].ok) {
            *allOk = false;
            out << cloneResultLine(targets[i], results[i]) << "\n";
        }
    }
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int latency = 5;
    SimulatorProcess sim({QStringLiteral("--latency"), QString::number(latency)});
    if (!sim.start() || !connectTestClient(sim)) {
        out << "cannot start the simulator: " << sim.errorText() << "\n";
        return 1;
    }
    changeParameters(sim);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.xlsx"));
    auto freshCopy = [&] {
        QFile::remove(file);
        QFile::copy(QStringLiteral(Q4_BINARY_DIR "/Template/") + templateFileName(0), file);
        QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::WriteOwner);
    };

    ExelToWrite worker;
    QElapsedTimer clock;
    bool good = true;

    freshCopy();
    worker.blockReads = false;
    clock.start();
    good = worker.exportWorkbook(file, linkSession().modbusClient, 0) == ExelToWrite::Done && good;
    const qint64 rowMs = clock.elapsed();
    const int rows = worker.transferredRows() + worker.failedRows();
    const int rowRequests = worker.readRequests();

    freshCopy();
    worker.blockReads = true;
    clock.restart();
    good = worker.exportWorkbook(file, linkSession().modbusClient, 0) == ExelToWrite::Done && good;
    const qint64 blockMs = clock.elapsed();
    const int blockRequests = worker.readRequests();

    const double floor = double(qMax(rows, 1) * latency);
    out << QStringLiteral("export row by row: %1 rows, %2 reads, %3 ms, ratio %4 (wall / rows x %5 ms)\n")
               .arg(rows)
               .arg(rowRequests)
               .arg(rowMs)
               .arg(rowMs / floor, 0, 'f', 2)
               .arg(latency);
    out << QStringLiteral("export in blocks:  %1 rows, %2 reads, %3 ms, ratio %4 (target <= 0.2)\n")
               .arg(rows)
               .arg(blockRequests)
               .arg(blockMs)
               .arg(blockMs / floor, 0, 'f', 2);

    worker.allRows = true;
    clock.restart();
    good = worker.importWorkbook(file, linkSession().modbusClient) == ExelToWrite::Done && good;
    const qint64 allMs = clock.elapsed();
    const int allWritten = worker.transferredRows();
    const int allVerified = worker.verifiedRows();
    worker.allRows = false;
    clock.restart();
    good = worker.importWorkbook(file, linkSession().modbusClient) == ExelToWrite::Done && good;
    const qint64 sameMs = clock.elapsed();
    out << QStringLiteral("import, every row: %1 written, %2 verified, %3 ms\n")
               .arg(allWritten)
               .arg(allVerified)
               .arg(allMs);
    out << QStringLiteral("import, device holds the workbook: %1 written, %2 unchanged, %3 ms, ratio %4 "
                          "(target <= 0.2)\n")
               .arg(worker.transferredRows())
               .arg(worker.unchangedRows())
               .arg(sameMs)
               .arg(double(sameMs) / qMax<qint64>(allMs, 1), 0, 'f', 2);
    disconnectTestClient();

    // Clone: the workbook of the changed device into factory devices.
    ImportSheet sheet;
    if (worker.readImportSheet(file, &sheet) != 0) {
        out << "cannot read the workbook\n";
        return 1;
    }
    std::vector<std::unique_ptr<SimulatorProcess>> devices;
    QVector<CloneTarget> targets;
    for (int i = 0; i < 8; ++i) {
        devices.emplace_back(new SimulatorProcess({QStringLiteral("--latency"), QString::number(latency)}));
        if (!devices.back()->start()) {
            out << "cannot start simulator " << i << "\n";
            return 1;
        }
        CloneTarget target;
        target.link.connectType = ConnectionType::Tcp;
        target.link.hostAddress = QStringLiteral("127.0.0.1");
        target.link.networkPort = QString::number(devices.back()->port());
        target.name = cloneTargetName(target.link);
        targets.append(target);
    }
    auto resetAll = [&] {
        for (auto &d : devices)
            d->command(QStringLiteral("reset-device"));
    };
    const qint64 oneMs = timeClone(sheet, targets.mid(0, 1), 4, &good);
    resetAll();
    const qint64 eightMs = timeClone(sheet, targets, 4, &good);
    resetAll();
    const qint64 eightWideMs = timeClone(sheet, targets, 8, &good);
    out << QStringLiteral("clone into 1 device: %1 ms\n").arg(oneMs);
    out << QStringLiteral("clone into 8 devices, --jobs 4: %1 ms, ratio %2 (target <= 2.5)\n")
               .arg(eightMs)
               .arg(double(eightMs) / qMax<qint64>(oneMs, 1), 0, 'f', 2);
    out << QStringLiteral("clone into 8 devices, --jobs 8: %1 ms, ratio %2\n")
               .arg(eightWideMs)
               .arg(double(eightWideMs) / qMax<qint64>(oneMs, 1), 0, 'f', 2);
    out.flush();
    return good ? 0 : 1;
}
