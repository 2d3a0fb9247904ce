#include "link/devicescan.h"

#include "link/clientfactory.h"
#include "link/serialports.h"
#include "link/transactions.h"
#include "params/encoding.h"
#include "params/logcategories.h"
#include "params/registermap.h"

#include <QDeadlineTimer>
#include <QModbusClient>
#include <QVariant>

namespace {

// The connection page's test read.
constexpr int TestReadStart = 0;
constexpr int TestReadCount = 2;

} // namespace

DeviceScan::DeviceScan(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<ScanHit>();
}

bool DeviceScan::isGatewayException(int code) { return code == 10 || code == 11; }

QVector<SerialCombination> DeviceScan::combinations(const ScanRequest &request)
{
    if (isNetworkLink(request.link.connectType))
        return {{request.link.baud, request.link.parity}};
    const QVector<int> bauds = request.bauds.isEmpty() ? QVector<int> {request.link.baud} : request.bauds;
    const QVector<Parity> parities
        = request.parities.isEmpty() ? QVector<Parity> {request.link.parity} : request.parities;
    QVector<SerialCombination> list;
    for (const int baud : bauds)
        for (const Parity parity : parities)
            list.append({baud, parity});
    return list;
}

int DeviceScan::probeCount(const ScanRequest &request)
{
    const int addresses = qMax(0, request.lastAddress - request.firstAddress + 1);
    return addresses * combinations(request).size();
}

void DeviceScan::cancel()
{
    if (running)
        cancelRequested = true;
}

QString DeviceScan::linkText(const ScanRequest &request) const
{
    if (isNetworkLink(request.link.connectType))
        return request.link.hostAddress + QLatin1Char(':') + request.link.networkPort;
    return request.link.serialPortName;
}

DeviceScan::Outcome DeviceScan::run(const ScanRequest &request)
{
    if (running) {
        // A second run from inside the first one's event processing.
        return Failed;
    }
    done = 0;
    found_.clear();
    error.clear();
    cancelRequested = false;
    if (request.firstAddress < MinAddress || request.lastAddress > MaxAddress
        || request.firstAddress > request.lastAddress) {
        error = tr("Server addresses %1 to %2: give a range within 1 to 247, the first not above the last.")
                    .arg(request.firstAddress)
                    .arg(request.lastAddress);
        return Failed;
    }
    if (request.probeTimeoutMs < MinProbeTimeoutMs || request.probeTimeoutMs > MaxProbeTimeoutMs) {
        error = tr("Probe time-out %1 ms: give %2 to %3 ms.")
                    .arg(request.probeTimeoutMs)
                    .arg(MinProbeTimeoutMs)
                    .arg(MaxProbeTimeoutMs);
        return Failed;
    }
    running = true;
    // A TCP connection (to a Modbus TCP device or an RTU over TCP converter) is
    // opened again when it drops; a serial port is not.
    const bool tcp = isNetworkLink(request.link.connectType);
    const int total = probeCount(request);
    emit progress(0, total);

    Outcome outcome = Finished;
    const QVector<SerialCombination> combos = combinations(request);
    for (const SerialCombination &combo : combos) {
        if (cancelRequested) {
            outcome = Cancelled;
            break;
        }
        emit combinationStarted(combo.baud, combo.parity);
        qCDebug(lcScan).noquote()
            << "probing" << linkText(request)
            << (tcp ? QString()
                    : QStringLiteral("%1 baud, parity %2").arg(combo.baud).arg(int(combo.parity)));
        if (!openClient(request, combo)) {
            outcome = cancelRequested ? Cancelled : Failed;
            break;
        }
        for (int address = request.firstAddress; address <= request.lastAddress; ++address) {
            if (cancelRequested) {
                outcome = Cancelled;
                break;
            }
            if (!linkOpen()) {
                // A TCP server may close the connection after an answer or for
                // an address it does not serve: open it again. A serial port
                // that went away does not come back.
                if (!tcp || !openClient(request, combo)) {
                    if (!cancelRequested)
                        error = tcp ? tr("Lost the link at server address %1: %2").arg(address).arg(error)
                                    : tr("The serial port %1 is gone (at server address %2).")
                                          .arg(linkText(request))
                                          .arg(address);
                    outcome = cancelRequested ? Cancelled : Failed;
                    break;
                }
            }
            ScanHit hit;
            hit.address = address;
            hit.connectType = request.link.connectType;
            hit.baud = tcp ? 0 : combo.baud;
            hit.parity = tcp ? Parity::None : combo.parity;
            ProbeResult result = probe(request, address, &hit);
            if (result == LinkLost && tcp) {
                // Closed while asking (the network, or the server's answer for
                // an address it does not serve): ask once more on a new connection.
                if (!openClient(request, combo)) {
                    if (!cancelRequested)
                        error = tr("Lost the link at server address %1: %2").arg(address).arg(error);
                    outcome = cancelRequested ? Cancelled : Failed;
                    break;
                }
                result = probe(request, address, &hit);
                // Closed again for this address: nothing answers there. The next
                // address opens a new connection.
                if (result == LinkLost)
                    result = Absent;
            }
            if (result == LinkLost) {
                error = tr("The serial port %1 is gone (at server address %2).")
                            .arg(linkText(request))
                            .arg(address);
                outcome = Failed;
                break;
            }
            if (result == Present) {
                qCDebug(lcScan) << "server address" << address << "answered, exception" << hit.probeException;
                found_.append(hit);
                emit found(hit);
            }
            ++done;
            emit progress(done, total);
        }
        closeClient();
        if (outcome != Finished)
            break;
    }
    closeClient();
    running = false;
    cancelRequested = false;
    static const char *const outcomeNames[] = {"finished:", "cancelled:", "failed:"};
    qCDebug(lcScan).noquote() << "scan" << outcomeNames[outcome] << found_.size() << "found in" << done
                              << "of" << total << "probes" << error;
    return outcome;
}

bool DeviceScan::openClient(const ScanRequest &request, const SerialCombination &combination)
{
    closeClient();
    LinkParameters link = request.link;
    if (!isNetworkLink(link.connectType)) {
        link.baud = combination.baud;
        link.parity = combination.parity;
    }
    // A probe is asked once: a silent address costs one time-out.
    link.numberOfRetries = 0;
    client = createModbusClient(link, request.probeTimeoutMs);
    const QString where = linkText(request);
    if (!client->connectDevice()) {
        const QString reason = serialConnectFailureText(client);
        error = tr("Cannot connect to %1: %2").arg(where, reason.isEmpty() ? client->errorString() : reason);
        closeClient();
        return false;
    }
    const QDeadlineTimer deadline(OpenLimitMs);
    while (client->state() == QModbusDevice::ConnectingState && !deadline.hasExpired() && !cancelRequested)
        waitProcessingEvents(5);
    if (client->state() != QModbusDevice::ConnectedState) {
        if (!cancelRequested) {
            const QString reason = client->state() == QModbusDevice::ConnectingState
                ? tr("no connection after %1 s").arg(OpenLimitMs / 1000)
                : client->errorString();
            error
                = tr("Cannot connect to %1: %2").arg(where, reason.isEmpty() ? tr("no connection") : reason);
        }
        closeClient();
        return false;
    }
    return true;
}

bool DeviceScan::linkOpen() const
{
    return client && client->state() == QModbusDevice::ConnectedState && !serialLinkLost(client);
}

void DeviceScan::closeClient() { takeClientDown(client); }

DeviceScan::ProbeResult DeviceScan::probe(const ScanRequest &request, int address, ScanHit *hit)
{
    LinkTarget target;
    target.client = client;
    target.serverAddress = address;
    target.wordOrder = request.link.wordOrder;
    target.responseTime = request.probeTimeoutMs;
    client->setTimeout(request.probeTimeoutMs);
    quint16 values[TestReadCount] = {0, 0};
    int exceptionCode = 0;
    const TransactionResult result = readRegisters(
        target, QModbusDataUnit::HoldingRegisters, TestReadStart, TestReadCount, values, &exceptionCode);
    // An exception answer is a device all the same, unless a gateway answers
    // for a device it cannot reach.
    if (result == Ok
        || (result == ResponseError && exceptionCode > 0 && !isGatewayException(exceptionCode))) {
        hit->probeException = result == Ok ? 0 : exceptionCode;
        readIdentity(request, hit);
        return Present;
    }
    if (!linkOpen())
        return LinkLost;
    return Absent;
}

void DeviceScan::readIdentity(const ScanRequest &request, ScanHit *hit)
{
    const ParameterGroup group = parameterGroup(IdentityGroup);
    LinkTarget target;
    target.client = client;
    target.serverAddress = hit->address;
    target.wordOrder = request.link.wordOrder;
    target.responseTime = qMax(request.probeTimeoutMs, int(IdentityTimeoutMs));
    client->setTimeout(target.responseTime);
    QVector<quint16> registers(group.count);
    const TransactionResult result = readRegisters(
        target, QModbusDataUnit::HoldingRegisters, group.start, group.count, registers.data());
    if (client)
        client->setTimeout(request.probeTimeoutMs);
    if (result != Ok || group.count < SerialNumberOffset + SerialNumberLength)
        return;
    hit->identityRead = true;
    // Shown as the test and maintenance page shows them.
    hit->softwareVersion = QString::number(quint32(joinWords(registers[0], registers[1], target.wordOrder)));
    int codes[SerialNumberLength];
    for (int i = 0; i < SerialNumberLength; ++i)
        codes[i] = registers[SerialNumberOffset + i];
    hit->serialNumber = serialNumberText(codes);
}
