// Full export and full import of the parameter workbook against the simulator
// answering every request 5 ms late. Prints the wall time of each run against
// rows x 5 ms, the time the device's answers alone take.

#include "link/linkstate.h"
#include "support/simulatorprocess.h"
#include "workbook/exceltowrite.h"
#include "workbook/parameterworkbook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int latency = 5;
    SimulatorProcess sim({QStringLiteral("--latency"), QString::number(latency)});
    if (!sim.start() || !connectTestClient(sim)) {
        out << "cannot start the simulator: " << sim.errorText() << "\n";
        return 1;
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.xlsx"));
    QFile::copy(QStringLiteral(Q4_BINARY_DIR "/Template/") + templateFileName(0), file);
    QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::WriteOwner);

    ExelToWrite worker;
    worker.showPopups = false;
    QElapsedTimer clock;

    clock.start();
    const int exported = worker.exportWorkbook(file, modbusClient, 0);
    const qint64 exportMs = clock.elapsed();
    const int exportRows = worker.transferredRows() + worker.failedRows();

    clock.restart();
    const int imported = worker.importWorkbook(file, modbusClient);
    const qint64 importMs = clock.elapsed();
    const int importRows = worker.transferredRows() + worker.failedRows();

    disconnectTestClient();
    out << QStringLiteral("export: result %1, %2 rows, %3 ms, ratio %4 (wall / rows x %5 ms)\n")
               .arg(exported)
               .arg(exportRows)
               .arg(exportMs)
               .arg(double(exportMs) / (exportRows * latency), 0, 'f', 2)
               .arg(latency);
    out << QStringLiteral("import: result %1, %2 rows, %3 ms, ratio %4 (wall / rows x %5 ms)\n")
               .arg(imported)
               .arg(importRows)
               .arg(importMs)
               .arg(double(importMs) / (qMax(importRows, 1) * latency), 0, 'f', 2)
               .arg(latency);
    return exported == ExelToWrite::Done && imported == ExelToWrite::Done ? 0 : 1;
}
