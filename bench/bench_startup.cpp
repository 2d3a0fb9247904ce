// Start-up benchmark: the time from starting q4config (offscreen, a fresh data
// folder whose saved link is the simulator, --connect) to the simulator's
// first request, i.e. the window built, shown and connected. Median and worst
// of several runs.
// Usage: bench_startup [runs] [q4config binary]
// The binary defaults to this build's; give another build's to compare.

#include "support/simulatorprocess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Milliseconds to the first request, or -1 when none came within 20 s.
qint64 oneStart(SimulatorProcess &sim, const QString &binary)
{
    QTemporaryDir data;
    QDir().mkpath(data.filePath(QStringLiteral("Setting")));
    {
        QSettings settings(data.filePath(QStringLiteral("Setting/setting.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Q4/connectType"), 1);
        settings.setValue(QStringLiteral("Q4/EditHostIP"), sim.host());
        settings.setValue(QStringLiteral("Q4/EditPort"), QString::number(sim.port()));
    }
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    program.setProcessEnvironment(env);
    sim.clearRequests();
    QElapsedTimer clock;
    clock.start();
    program.start(binary, {QStringLiteral("--data-dir"), data.path(), QStringLiteral("--connect")});
    const bool answered = sim.waitForRequest(QStringLiteral("read"), 20000);
    const qint64 ms = clock.elapsed();
    program.kill();
    program.waitForFinished(3000);
    return answered ? ms : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.size() > 1 ? qMax(1, args.at(1).toInt()) : 9;
    const QString binary = args.size() > 2 ? args.at(2) : QStringLiteral(Q4CONFIG_PATH);

    SimulatorProcess sim;
    if (!sim.start()) {
        std::fprintf(stderr, "bench_startup: simulator: %s\n", qPrintable(sim.errorText()));
        return 1;
    }
    std::vector<qint64> times;
    for (int k = 0; k < runs; ++k) {
        const qint64 ms = oneStart(sim, binary);
        if (ms < 0) {
            std::fprintf(stderr, "bench_startup: no request from %s within 20 s\n", qPrintable(binary));
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("start-up to first request: median %lld ms, worst %lld ms (%d runs)\n",
        static_cast<long long>(times[times.size() / 2]), static_cast<long long>(times.back()), runs);
    return 0;
}
