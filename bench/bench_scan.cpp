// Device scan benchmark: the wall time of a scan of server addresses 1 to 247
// (probe time-out 200 ms unless given) over TCP, with one device at address 1
// and every other address
//   silent   - the simulator: nothing answers (each probe waits its time-out);
//   gateway  - a gateway answers exception 11 (target device failed to respond);
//   closing  - the server closes the connection (asked once more on a new one);
//   refused  - nothing listens at all (the scan fails at once).
// Usage: bench_scan [silent|gateway|closing|refused|all] [probe time-out ms]

#include "link/devicescan.h"
#include "support/fakemodbusserver.h"
#include "support/simulatorprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <memory>

namespace {

void report(const char *name, const ScanRequest &request)
{
    DeviceScan scan;
    QElapsedTimer clock;
    clock.start();
    const DeviceScan::Outcome outcome = scan.run(request);
    const double seconds = clock.elapsed() / 1000.0;
    const char *outcomeText = outcome == DeviceScan::Finished ? "finished"
        : outcome == DeviceScan::Cancelled                    ? "cancelled"
                                                              : "failed";
    std::printf("%-8s %3d probes of %d ms: %7.2f s (%6.1f ms per probe), %s, %d found%s%s\n", name,
        scan.probesDone(), request.probeTimeoutMs, seconds,
        scan.probesDone() ? 1000.0 * seconds / scan.probesDone() : 0.0, outcomeText, int(scan.hits().size()),
        outcome == DeviceScan::Failed ? ": " : "", qPrintable(scan.errorText()));
    std::fflush(stdout);
}

ScanRequest request(quint16 port, int timeoutMs)
{
    ScanRequest r;
    r.link.connectType = ConnectionType::Tcp;
    r.link.hostAddress = QStringLiteral("127.0.0.1");
    r.link.networkPort = QString::number(port);
    r.probeTimeoutMs = timeoutMs;
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString which = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("all");
    const int timeoutMs = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 200;
    const bool all = which == QLatin1String("all");

    if (all || which == QLatin1String("gateway") || which == QLatin1String("closing")) {
        for (const char *name : {"gateway", "closing"}) {
            if (!all && which != QLatin1String(name))
                continue;
            FakeModbusServer server;
            if (!server.listen())
                return 1;
            server.rules[1] = {FakeModbusServer::Answer, 0};
            server.defaultRule = qstrcmp(name, "gateway") == 0
                ? FakeModbusServer::Rule {FakeModbusServer::Exception, 11}
                : FakeModbusServer::Rule {FakeModbusServer::Close, 0};
            report(name, request(server.port(), timeoutMs));
            if (qstrcmp(name, "closing") == 0)
                std::printf("         (%d connections)\n", server.connections);
        }
    }
    if (all || which == QLatin1String("refused")) {
        quint16 port = 0;
        {
            FakeModbusServer server;
            if (!server.listen())
                return 1;
            port = server.port();
        }
        report("refused", request(port, timeoutMs));
    }
    if (all || which == QLatin1String("silent")) {
        SimulatorProcess sim;
        if (!sim.start()) {
            std::fprintf(stderr, "%s\n", qPrintable(sim.errorText()));
            return 1;
        }
        report("silent", request(sim.port(), timeoutMs));
    }
    return 0;
}
