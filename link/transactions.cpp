#include "link/transactions.h"

#include "link/modbusrtuclient.h"
#include "link/rtuovertcpclient.h"
#include "link/trafficlog.h"
#include "params/logcategories.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QModbusClient>
#include <QModbusReply>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <optional>

void waitProcessingEvents(int milliseconds) { waitProcessingEvents(milliseconds, QPointer<QModbusReply>()); }

void waitProcessingEvents(int milliseconds, const QPointer<QModbusReply> &reply)
{
    QElapsedTimer clock;
    clock.start();
    do {
        // Handle whatever is pending (at most 100 ms of it), then sleep until a
        // new event arrives or the time is up: the wait paces without spinning.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        // A transaction's step ends as soon as its reply is in (or gone): the
        // rest of the millisecond would only add latency to every request.
        if (reply.isNull() ? false : reply->isFinished())
            break;
        const qint64 left = milliseconds - clock.elapsed();
        if (left <= 0)
            break;
        QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
        if (dispatcher) {
            // The timer makes sure the blocking call returns in time. The overload
            // with a time limit would ignore WaitForMoreEvents and spin.
            const int timerId = dispatcher->registerTimer(int(left), Qt::PreciseTimer, dispatcher);
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
            dispatcher->unregisterTimer(timerId);
            if (reply.isNull() ? false : reply->isFinished())
                break;
        } else {
            QThread::msleep(1);
        }
    } while (clock.elapsed() < milliseconds);
}

namespace {

// Dynamic properties of a watched serial client.
const char serialWatchedProperty[] = "q4SerialLinkWatched";
const char serialLostProperty[] = "q4SerialLinkLost";

// Errors by which Qt's RTU master tells that its port failed: the device is
// gone (resource error, hang-up) or cannot be read or written any more.
bool isPortFailure(QModbusDevice::Error error)
{
    return error == QModbusDevice::ConnectionError || error == QModbusDevice::ReadError
        || error == QModbusDevice::WriteError;
}

// Time a read may wait in all: the client's own response time-out for each
// try (or the configured response time when that is longer) plus a margin for
// the request to get out, e.g. behind one the RTU master still has to finish.
int readLimitMs(const QModbusClient *client, int responseTime)
{
    const int tries = 1 + qMax(0, client->numberOfRetries());
    return qMax(responseTime, client->timeout()) * tries + TransactionMarginMs;
}

// Lets the reply release itself once it finishes; it belongs to the client
// and goes with it otherwise.
void abandonReply(QModbusReply *reply)
{
    if (reply)
        QObject::connect(reply, &QModbusReply::finished, reply, &QObject::deleteLater);
}

bool stopRequested(const LinkTarget &target)
{
    return target.stop && target.stop->load(std::memory_order_relaxed);
}

// The Modbus exception code of a finished reply that carries one.
int exceptionCodeOf(const QModbusReply *reply)
{
    const QModbusResponse response = reply->rawResult();
    return response.isException() ? int(response.exceptionCode()) : 0;
}

// The requests leave here. QModbusClient's senders are not virtual: an RTU
// over TCP client frames its requests through its own.
QModbusReply *sendRead(QModbusClient *client, const QModbusDataUnit &unit, int serverAddress)
{
    if (auto *rtuOverTcp = qobject_cast<RtuOverTcpClient *>(client))
        return rtuOverTcp->sendReadRequest(unit, serverAddress);
    return client->sendReadRequest(unit, serverAddress);
}

QModbusReply *sendWrite(QModbusClient *client, const QModbusDataUnit &unit, int serverAddress)
{
    if (auto *rtuOverTcp = qobject_cast<RtuOverTcpClient *>(client))
        return rtuOverTcp->sendWriteRequest(unit, serverAddress);
    return client->sendWriteRequest(unit, serverAddress);
}

// Common read loop of holding registers and coils.
TransactionResult readUnits(const LinkTarget &target, QModbusDataUnit::RegisterType type, int start,
    int count, quint16 *values, int *exceptionCode)
{
    QModbusClient *client = target.client;
    if (!client)
        return NoConnection;
    watchSerialLink(client);
    QModbusDataUnit unit(type, start, quint16(count));
    if (serialLinkLost(client) || stopRequested(target))
        return NoConnection;
    const QDeadlineTimer deadline(readLimitMs(client, target.responseTime), Qt::PreciseTimer);
    QModbusReply *reply = sendRead(client, unit, target.serverAddress);
    if (!reply)
        return NoConnection;
    if (reply->isFinished()) {
        delete reply;
        return NoConnection;
    }
    // Event processing inside the wait may take the link down and delete the
    // client together with its replies: watch both instead of trusting them.
    const QPointer<QModbusClient> clientGuard(client);
    const QPointer<QModbusReply> replyGuard(reply);
    for (;;) {
        if (!clientGuard || !replyGuard)
            return NoConnection;
        if (reply->isFinished()) {
            const QModbusDevice::Error error = reply->error();
            if (error == QModbusDevice::NoError) {
                const QModbusDataUnit result = reply->result();
                for (int i = 0; i < count; ++i)
                    values[i] = i < int(result.valueCount()) ? result.value(i) : 0;
                reply->deleteLater();
                return Ok;
            }
            reply->deleteLater();
            if (error == QModbusDevice::ProtocolError) {
                *exceptionCode = exceptionCodeOf(reply);
                return ResponseError;
            }
            // A reply aborted or timed out because the port went away.
            if (serialLinkLost(client))
                return NoConnection;
            if (error == QModbusDevice::TimeoutError)
                return TimedOut;
            return ResponseError;
        }
        if (client->state() != QModbusDevice::ConnectedState
            || (target.followsSuspend && target.session && target.session->linkSuspended)
            || serialLinkLost(client) || stopRequested(target)) {
            // The reply may still finish later; it is parented to the client and
            // released with it, or here once it finishes.
            abandonReply(reply);
            return NoConnection;
        }
        if (deadline.hasExpired()) {
            // The transport never finished the reply (Qt's RTU master may not,
            // when its adapter goes away mid-request): a time-out all the same.
            abandonReply(reply);
            return TimedOut;
        }
        waitProcessingEvents(1, replyGuard);
    }
}

TransactionResult writeUnits(
    const LinkTarget &target, int start, int count, const quint16 *values, int *exceptionCode)
{
    QModbusClient *client = target.client;
    if (!client)
        return NoConnection;
    QModbusDataUnit unit(QModbusDataUnit::HoldingRegisters, start, quint16(count));
    for (int i = 0; i < count; ++i)
        unit.setValue(i, values[i]);
    watchSerialLink(client);
    if (serialLinkLost(client) || stopRequested(target))
        return NoConnection;
    // The write's own limit is the response time on the clock, whatever the
    // transport does meanwhile.
    const QDeadlineTimer deadline(qMax(1, target.responseTime), Qt::PreciseTimer);
    QModbusReply *reply = sendWrite(client, unit, target.serverAddress);
    if (!reply)
        return NoConnection;
    if (reply->isFinished()) {
        // A broadcast (server address 0) is finished at once: nothing answers it, so
        // nobody can tell whether it was taken. Report it as done when the request
        // went out without error, otherwise as the error it carries.
        const QModbusDevice::Error error = reply->error();
        reply->deleteLater();
        return error == QModbusDevice::NoError ? Ok : ResponseError;
    }
    const QPointer<QModbusClient> clientGuard(client);
    const QPointer<QModbusReply> replyGuard(reply);
    for (;;) {
        if (!clientGuard || !replyGuard)
            return NoConnection;
        if (reply->isFinished()) {
            const QModbusDevice::Error error = reply->error();
            reply->deleteLater();
            if (error == QModbusDevice::ProtocolError) {
                *exceptionCode = exceptionCodeOf(reply);
                return ResponseError;
            }
            if (error == QModbusDevice::NoError)
                return Ok;
            if (serialLinkLost(client))
                return NoConnection;
            // The client's own response time-out may come before the write's
            // limit: the same time-out, worth another try.
            return error == QModbusDevice::TimeoutError ? TimedOut : ResponseError;
        }
        if (client->state() != QModbusDevice::ConnectedState || serialLinkLost(client)
            || stopRequested(target)) {
            abandonReply(reply);
            return NoConnection;
        }
        if (deadline.hasExpired()) {
            abandonReply(reply);
            return TimedOut;
        }
        waitProcessingEvents(1, replyGuard);
    }
}

TrafficFunction functionOf(QModbusDataUnit::RegisterType type)
{
    return type == QModbusDataUnit::Coils ? TrafficFunction::ReadCoils : TrafficFunction::ReadHolding;
}

// Every write, and every read that did not succeed, in the link's log:
// "write-holding 8100 2 server 1: timeout (150 ms)".
void logTransaction(TrafficFunction function, const LinkTarget &target, int start, int count,
    TransactionResult result, int exceptionCode, qint64 roundTripUs)
{
    if (result == Ok && function != TrafficFunction::WriteHolding)
        return;
    qCDebug(lcLink).noquote() << QStringLiteral("%1 %2 %3 server %4: %5 (%6 ms)")
                                     .arg(trafficFunctionName(function))
                                     .arg(start)
                                     .arg(count)
                                     .arg(target.serverAddress)
                                     .arg(trafficResultText(result, exceptionCode))
                                     .arg(roundTripUs / 1000);
}

// The session's record of a finished transaction, with the scope's write
// source and old value for a write.
// The traffic record of a transaction: its session's, else the current session's.
TrafficLog &trafficOf(const LinkTarget &target)
{
    return target.session ? target.session->traffic : linkSession().traffic;
}

void reportToSession(const LinkTarget &target, TrafficFunction function, int start, int count,
    const quint16 *values, TransactionResult result, int exceptionCode, qint64 startMs, qint64 roundTripUs)
{
    TransactionRecord record;
    record.timeMs = startMs;
    record.function = function;
    record.serverAddress = target.serverAddress;
    record.address = start;
    record.count = count;
    if (values)
        record.values = QVector<quint16>(values, values + count);
    record.result = result;
    record.exceptionCode = exceptionCode;
    record.roundTripUs = roundTripUs;
    if (function == TrafficFunction::WriteHolding) {
        record.source = target.session->writeSource();
        record.oldValue = target.session->oldValue();
    }
    target.session->report(record);
}

} // namespace

LinkTarget processLinkTarget(QModbusClient *client, const LinkParameters &block)
{
    LinkTarget target;
    target.client = client;
    target.serverAddress = linkSession().currentServerAddress;
    target.wordOrder = linkSession().wordOrder;
    target.responseTime = block.responseTime;
    target.followsSuspend = true;
    target.session = &linkSession();
    return target;
}

TransactionResult readRegisters(const LinkTarget &target, QModbusDataUnit::RegisterType type, int start,
    int count, quint16 *values, int *exceptionCodeOut)
{
    const qint64 startMs = QDateTime::currentMSecsSinceEpoch();
    QElapsedTimer clock;
    clock.start();
    int exceptionCode = 0;
    std::optional<LinkHold> hold;
    if (target.session)
        hold.emplace(*target.session);
    const TransactionResult result = readUnits(target, type, start, count, values, &exceptionCode);
    const qint64 roundTripUs = clock.nsecsElapsed() / 1000;
    const quint16 *valuesRead = result == Ok ? values : nullptr;
    trafficOf(target).record(functionOf(type), target.serverAddress, start, count, valuesRead, result,
        exceptionCode, startMs, roundTripUs);
    logTransaction(functionOf(type), target, start, count, result, exceptionCode, roundTripUs);
    if (target.session)
        reportToSession(
            target, functionOf(type), start, count, valuesRead, result, exceptionCode, startMs, roundTripUs);
    if (exceptionCodeOut)
        *exceptionCodeOut = exceptionCode;
    return result;
}

TransactionResult writeRegisters(const LinkTarget &target, int start, int count, const quint16 *values)
{
    const qint64 startMs = QDateTime::currentMSecsSinceEpoch();
    QElapsedTimer clock;
    clock.start();
    int exceptionCode = 0;
    std::optional<LinkHold> hold;
    if (target.session)
        hold.emplace(*target.session);
    const TransactionResult result = writeUnits(target, start, count, values, &exceptionCode);
    const qint64 roundTripUs = clock.nsecsElapsed() / 1000;
    trafficOf(target).record(TrafficFunction::WriteHolding, target.serverAddress, start, count, values,
        result, exceptionCode, startMs, roundTripUs);
    logTransaction(TrafficFunction::WriteHolding, target, start, count, result, exceptionCode, roundTripUs);
    if (target.session)
        reportToSession(target, TrafficFunction::WriteHolding, start, count, values, result, exceptionCode,
            startMs, roundTripUs);
    return result;
}

TransactionResult readHoldingRegisters(QModbusClient *client, LinkParameters block, quint16 *values)
{
    return readRegisters(processLinkTarget(client, block), QModbusDataUnit::HoldingRegisters,
        block.startAddress, block.count, values);
}

TransactionResult readCoils(QModbusClient *client, LinkParameters block, quint16 *values)
{
    return readRegisters(
        processLinkTarget(client, block), QModbusDataUnit::Coils, block.startAddress, block.count, values);
}

TransactionResult writeHoldingRegisters(QModbusClient *client, LinkParameters block, const quint16 *values)
{
    // Writes do not give up for linkSuspended: they end by their own limit.
    LinkTarget target = processLinkTarget(client, block);
    target.followsSuspend = false;
    return writeRegisters(target, block.startAddress, block.count, values);
}

void watchSerialLink(QModbusClient *client)
{
    if (!qobject_cast<ModbusRtuClient *>(client) || client->property(serialWatchedProperty).toBool())
        return;
    client->setProperty(serialWatchedProperty, true);
    QObject::connect(client, &QModbusDevice::errorOccurred, client, [client](QModbusDevice::Error error) {
        // Requests refused because the port is already closed ("Device not
        // connected.") and failures to open change nothing here.
        if (client->state() != QModbusDevice::ConnectedState || !isPortFailure(error)
            || serialLinkLost(client))
            return;
        client->setProperty(serialLostProperty, true);
        linkSession().linkFaulty = true;
        qCWarning(lcLink).noquote() << "serial port lost:" << client->errorString();
        // Closed from the event loop rather than inside the port's own error
        // signal. Closing stops the port's notifications (a dead pty reports its
        // error over and over) and aborts what the master still had queued.
        QTimer::singleShot(0, client, [client] {
            if (client->state() != QModbusDevice::UnconnectedState)
                client->disconnectDevice();
        });
    });
    QObject::connect(client, &QModbusDevice::stateChanged, client, [client](QModbusDevice::State state) {
        if (state == QModbusDevice::ConnectedState)
            client->setProperty(serialLostProperty, false);
    });
}

bool serialLinkLost(const QModbusClient *client)
{
    return client && client->property(serialLostProperty).toBool();
}
