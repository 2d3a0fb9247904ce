// CPU use of the process while transactions wait for their replies: 200 reads
// against the simulator answering after 20 ms. Prints CPU seconds per wall
// second (the wait should sleep, not spin: target below 0.05).

#include "link/linksession.h"
#include "link/transactions.h"
#include "support/simulatorprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int reads = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    const int latency = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20;

    SimulatorProcess sim({QStringLiteral("--latency"), QString::number(latency)});
    if (!sim.start()) {
        out << "simulator did not start: " << sim.errorText() << "\n";
        return 1;
    }
    if (!connectTestClient(sim)) {
        out << "could not connect to the simulator\n";
        return 1;
    }

    LinkParameters block = linkSession().appliedLink;
    block.startAddress = 0;
    block.count = 67;
    quint16 values[67] = {};
    int failures = 0;
    QElapsedTimer wall;
    const double cpuBefore = cpuSeconds();
    wall.start();
    for (int i = 0; i < reads; ++i) {
        if (readHoldingRegisters(linkSession().modbusClient, block, values) != Ok)
            ++failures;
    }
    const double wallSeconds = wall.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    disconnectTestClient();
    sim.stop();

    out << "reads: " << reads << " (failed " << failures << "), simulator latency " << latency << " ms\n";
    out << "wall: " << QString::number(wallSeconds, 'f', 3) << " s, per read "
        << QString::number(wallSeconds * 1000 / reads, 'f', 2) << " ms\n";
    out << "cpu: " << QString::number(cpu, 'f', 3) << " s, cpu seconds per wall second "
        << QString::number(cpu / wallSeconds, 'f', 4) << " (target < 0.05)\n";
    return failures == 0 ? 0 : 1;
}
