#pragma once

// Finds devices on a link: probes server addresses one after another with the
// connection page's test read (two holding registers from 0) and reads the
// identity (software version, serial number) of every address that answers.
// Over RTU it can go through several baud rates and parities, one client per
// combination. No widgets: the scan dialog and the command line both use it.
//
//   DeviceScan scan;
//   connect(&scan, &DeviceScan::found, ...);          // one hit at a time
//   connect(&scan, &DeviceScan::progress, ...);       // probes done / total
//   DeviceScan::Outcome outcome = scan.run(request);  // blocks, processing events
//   ... scan.cancel() from a slot run meanwhile stops it before the next probe
//
// The scan has a client of its own and never touches the process's link
// (modbusClient). Every request goes through the transactions' door, so the
// traffic record shows the probes.

#include "link/linkparameters.h"

#include <QObject>
#include <QString>
#include <QVector>

class QModbusClient;

struct ScanRequest
{
    // connectType, hostAddress and networkPort (TCP, RTU over TCP) or serialPortName,
    // dataBits and stopBits (RTU), wordOrder of the identity values.
    LinkParameters link;
    // RTU: the baud rates and parities to try, every baud with every parity, in
    // this order. Empty: the link's own.
    QVector<int> bauds;
    QVector<Parity> parities;
    int firstAddress = 1;
    int lastAddress = 247;
    int probeTimeoutMs = 200;
};

// One combination of serial settings a scan goes through.
struct SerialCombination
{
    int baud = 0;
    Parity parity = Parity::None;
};

struct ScanHit
{
    int address = 0;
    ConnectionType connectType = ConnectionType::Rtu;
    int baud = 0; // RTU: the combination that answered
    Parity parity = Parity::None;
    // 0 when the test read was answered with data, else the exception code it
    // was answered with (a device is there all the same).
    int probeException = 0;
    bool identityRead = false;
    QString softwareVersion; // as the test and maintenance page shows it
    QString serialNumber;
};

class DeviceScan : public QObject
{
    Q_OBJECT

public:
    enum Outcome {
        Finished, // every probe was made
        Cancelled, // cancel() ended it early
        Failed, // the link could not be opened or was lost: errorText()
    };

    // Limits of the probe time-out and of the addresses.
    static constexpr int MinProbeTimeoutMs = 10;
    static constexpr int MaxProbeTimeoutMs = 10000;
    static constexpr int MinAddress = 1;
    static constexpr int MaxAddress = 247;
    // Time an identity read may take at least (30 registers, slow lines).
    static constexpr int IdentityTimeoutMs = 1000;
    // Time a TCP connection or a serial port may take to open.
    static constexpr int OpenLimitMs = 5000;

    explicit DeviceScan(QObject *parent = nullptr);

    // Runs the whole scan; returns when it is done, cancelled or failed. The
    // calling thread's events are processed meanwhile. The hits so far stay
    // in hits() whatever the outcome.
    Outcome run(const ScanRequest &request);
    // Stops a running scan before its next probe.
    void cancel();
    bool isRunning() const { return running; }

    QVector<ScanHit> hits() const { return found_; }
    QString errorText() const { return error; }
    int probesDone() const { return done; }
    // Probes a request makes in all: addresses x serial combinations.
    static int probeCount(const ScanRequest &request);
    // The request's combinations, in scan order; one over TCP.
    static QVector<SerialCombination> combinations(const ScanRequest &request);
    // True for an exception code that says no device is there: a gateway
    // answering for the device behind it (10 path unavailable, 11 target failed
    // to respond).
    static bool isGatewayException(int code);

signals:
    void progress(int done, int total);
    // The scan moved to another serial combination (RTU).
    void combinationStarted(int baud, Parity parity);
    void found(const ScanHit &hit);

private:
    enum ProbeResult { Absent, Present, LinkLost };

    bool openClient(const ScanRequest &request, const SerialCombination &combination);
    void closeClient();
    bool linkOpen() const;
    ProbeResult probe(const ScanRequest &request, int address, ScanHit *hit);
    void readIdentity(const ScanRequest &request, ScanHit *hit);
    QString linkText(const ScanRequest &request) const;

    QModbusClient *client = nullptr;
    bool running = false;
    bool cancelRequested = false;
    int done = 0;
    QVector<ScanHit> found_;
    QString error;
};

Q_DECLARE_METATYPE(ScanHit)
