#pragma once

#include "link/linkparameters.h"
#include "link/linksession.h"

#include <QModbusDataUnit>
#include <QPointer>
#include <QtGlobal>

#include <atomic>

class QModbusClient;
class QModbusReply;

// Result of one register transaction. Callers stop a sequence of reads at the
// first non-zero result.
enum TransactionResult : int {
    Ok = 0,
    TimedOut = 1,
    ResponseError = 2,
    NoConnection = 3,
};

// Where a transaction goes. The process's link (processLinkTarget) is the
// current session's (link/linksession.h): its client, server address and word
// order; a run of its own (a
// scan, a clone into several devices in worker threads) builds one with its
// own client. The transactions themselves move raw registers: wordOrder is for
// the caller that joins or splits 32-bit values.
struct LinkTarget
{
    QModbusClient *client = nullptr;
    int serverAddress = 1;
    WordOrder wordOrder = WordOrder::AbCd;
    int responseTime = 1000; // ms: a write's own limit; the floor of a read's deadline
    bool followsSuspend = false; // a waiting read gives up while the session's linkSuspended is set
    // When given and set (from any thread), waits end at once with NoConnection.
    const std::atomic_bool *stop = nullptr;
    // When given, each transaction holds the poll off (LinkHold) while it
    // waits, is tagged with the session's write source and is reported on it
    // (LinkSession::transactionFinished), and goes to its traffic record.
    // Null: the current session's traffic record only.
    LinkSession *session = nullptr;
};

// The process's link: the given client, the current session's server address
// and word order, the block's response time, reads following its linkSuspended.
LinkTarget processLinkTarget(QModbusClient *client, const LinkParameters &block);

// The one door of every Modbus transaction of the program: each finished
// transaction is reported to a session's traffic record (link/trafficlog.h),
// then to the target's session if it names one. They wait in 1 ms
// steps processing the calling thread's events; a worker thread with its own
// client may use them too. values must hold at least count entries; reads only
// touch it on success. type is HoldingRegisters or Coils. When exceptionCode is
// given it receives the Modbus exception code of an exception answer, else 0.
TransactionResult readRegisters(const LinkTarget &target, QModbusDataUnit::RegisterType type, int start,
    int count, quint16 *values, int *exceptionCode = nullptr);
TransactionResult writeRegisters(const LinkTarget &target, int start, int count, const quint16 *values);

// Blocking transactions of the process's link, on the GUI thread (through the
// door above, with processLinkTarget). They wait in 1 ms steps while
// processing events, so the window stays responsive. values must hold at least
// block.count entries; reads only touch it on success.
// Every wait ends by the clock: a write after block.responseTime ms, a read
// after the client's response time-out for each of its tries (or
// block.responseTime when longer) plus TransactionMarginMs, both with
// TimedOut. A serial link whose port fails ends them at once with NoConnection.
TransactionResult readHoldingRegisters(QModbusClient *client, LinkParameters block, quint16 *values);
TransactionResult readCoils(QModbusClient *client, LinkParameters block, quint16 *values);
TransactionResult writeHoldingRegisters(QModbusClient *client, LinkParameters block, const quint16 *values);

// Slack of a read's deadline beyond the client's own response time-out.
constexpr int TransactionMarginMs = 500;

// Watches a serial (RTU) client for the loss of its port: a USB adapter
// unplugged, a device gone. Qt's RTU master then reports read or write errors
// (a dead pty at full speed) but stays connected, and a request it has sent
// may never finish. On the first such error the watch marks the link lost and
// faulty (linkFaulty) and closes the port, so waiting transactions end,
// nothing spins and later requests fail at once; a later Connect opens the
// port again. The transactions watch every client they are given; the
// connection procedures watch theirs from the start. No effect on TCP clients.
void watchSerialLink(QModbusClient *client);
// True once the watched serial client lost its port (until it connects again).
bool serialLinkLost(const QModbusClient *client);

// Processes events for the given number of milliseconds (monotonic clock),
// sleeping until an event arrives or the next millisecond instead of spinning.
void waitProcessingEvents(int milliseconds);
// The same, ending early once the given reply has finished (transactions' 1 ms steps).
void waitProcessingEvents(int milliseconds, const QPointer<QModbusReply> &reply);
