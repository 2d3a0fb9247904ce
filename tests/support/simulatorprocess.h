#pragma once

// Starts the device simulator q4sim for a test and talks to it.
//
//   SimulatorProcess sim;                 // q4sim --tcp 127.0.0.1:0 --log <temp> --control
//   QVERIFY(sim.start());                 // waits until the server listens
//   QVERIFY(connectTestClient(sim));      // the current session's client, TCP, server address 1
//   sim.command("freeze on");             // "ok ..." or "error ..."
//   ... sim.requests() ...                // request-log lines so far
//
// Control lines and log format: sim/README.md.

#include "params/wordorder.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class SimulatorProcess
{
public:
    explicit SimulatorProcess(const QStringList &extraArgs = {});
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    // Starts q4sim and waits (up to 10 s) until it prints "listening ...".
    // extraArgs may hold "--rtu DEVICE" (then port() is 0 and device() names it),
    // "--rtu-tcp 127.0.0.1:0" (RTU frames over TCP instead of Modbus TCP),
    // "--word-order cd-ab", "--id N", "--latency MS".
    bool start();
    quint16 port() const { return listenPort; }
    QString host() const { return listenHost; }
    QString device() const { return listenDevice; }

    // Sends one control line and returns the reply line (up to 5 s wait);
    // an empty string when the simulator does not answer.
    QString command(const QString &line);

    // Request-log lines so far ("read-hr 0 67", "write 608 2 0 1", ...).
    QStringList requests();
    // The register writes among the requests ("write <addr> <count> <values>...").
    QStringList writes();
    void clearRequests();
    // Waits (up to timeoutMs) until a log line starting with prefix appears.
    bool waitForRequest(const QString &prefix, int timeoutMs = 3000);

    void stop();
    bool isRunning() const;
    QString errorText() const { return lastError; }
    QString logPath() const;

private:
    QStringList args;
    QProcess process;
    QTemporaryDir dir;
    QString listenHost;
    QString listenDevice;
    quint16 listenPort = 0;
    QString lastError;
};

// Creates the current session's modbusClient (QModbusTcpClient, time-out 1000 ms, no
// retries) for the simulator, connects it, sets currentServerAddress = 1,
// wordOrder = order and appliedLink (TCP, startAddress 0). False on failure.
bool connectTestClient(SimulatorProcess &sim, WordOrder order = WordOrder::AbCd);
// Disconnects and deletes the current session's modbusClient.
void disconnectTestClient();
