#pragma once

// The link of the program: its Modbus client, the link parameters, the server
// address and word order of every request, the link flags, the failed-poll
// count, the queued command, the device copy its reads fill and the record of
// its traffic. The program makes one and makes it current
// (LinkSession::Current) for the window or the command-line run. The
// process's transactions (link/transactions.h, link/deviceaccess.h) take their
// link from the current session (linkSession()).
//
//   LinkSession session;
//   LinkSession::Current use(session);        // linkSession() is session now
//   {
//       LinkHold hold(session);               // no poll tick starts meanwhile
//       WriteSourceScope source(session, WriteSource::PageEdit);
//       source.setOldValue(previous);         // the value read before writing
//       writeSingleValue(address, 2, value);  // reported with the source and old value
//   }
//
// Every transaction of a target that names a session (processLinkTarget's do)
// is reported on it as one TransactionRecord through transactionFinished(),
// after its traffic record (link/trafficlog.h) has it: the hook for anything
// that must see each transaction, e.g. an audit of the writes.

#include "link/linkparameters.h"
#include "link/trafficlog.h"
#include "params/devicecopy.h"

#include <QObject>
#include <QVector>

#include <atomic>
#include <optional>

class QModbusClient;

// One queued command write, executed by the next good poll tick.
struct PendingCommand
{
    bool pending = false;
    int group = 0;
    int value = 0;
};

// What made a write: the caller tags its writes with a WriteSourceScope.
enum class WriteSource : int {
    None = 0, // no scope given (reads, and writes nobody tagged)
    PageEdit, // a value committed on a page
    Command, // a command value (zero, tare, ...)
    Calibration, // a calibration step
    Reset, // a reset to factory settings
    Import, // a workbook import
    Clone, // a clone into one or several devices
    Restore, // a restore of a stored parameter set
};

// One finished transaction as the session reports it.
struct TransactionRecord
{
    qint64 timeMs = 0; // wall clock, ms since the epoch, when the request went out
    TrafficFunction function = TrafficFunction::ReadHolding;
    int serverAddress = 0;
    int address = 0;
    int count = 0;
    QVector<quint16> values; // read values on success, written values for writes
    int result = 0; // TransactionResult
    int exceptionCode = 0; // Modbus exception code of an exception answer, else 0
    qint64 roundTripUs = 0;
    WriteSource source = WriteSource::None; // the scope open when the transaction ran
    // The value the caller read before writing, as it decoded it (a write of a
    // WriteSourceScope given one); empty otherwise.
    std::optional<qint64> oldValue;
};
Q_DECLARE_METATYPE(TransactionRecord)

class LinkSession : public QObject
{
    Q_OBJECT

public:
    explicit LinkSession(QObject *parent = nullptr);
    ~LinkSession() override;

    // Makes a session the current one (linkSession()) while it lives; the one
    // current before comes back after.
    class Current
    {
    public:
        explicit Current(LinkSession &session);
        ~Current();
        Current(const Current &) = delete;
        Current &operator=(const Current &) = delete;

    private:
        LinkSession *previous;
    };

    // The Modbus client; created and deleted only by the connection
    // procedures (link/clientfactory.h). Null while there is no link.
    QModbusClient *modbusClient = nullptr;
    // Parameters of the last link made from the connection page or accepted in
    // the link dialog (the status line shows them).
    LinkParameters appliedLink;
    // Parameters used by reconnection; set when the link dialog is accepted.
    LinkParameters liveLink;
    // 1 when the last connection made from the connection page was over TCP.
    int tcpLink = 0;
    // Server address of every request; set at each connection from the slave ID.
    int currentServerAddress = 1;
    // Word order of 32-bit values; used by the encoders.
    WordOrder wordOrder = WordOrder::AbCd;
    // Set while the link is being taken down or rebuilt: waiting reads give up.
    bool linkSuspended = false;
    // The last poll tick failed (or the serial port was lost).
    bool linkFaulty = false;
    // Consecutive failed poll ticks.
    int failedPolls = 0;
    PendingCommand pendingCommand;
    // The copy of the device's parameters and live values this session's
    // reads decode into (readGroup, readCoilGroup); the pages and the live
    // display draw from it.
    DeviceCopy device;
    // Every transaction of this session (a target naming none goes to the
    // current session's); the traffic window and --log-traffic read it.
    TrafficLog traffic;

    // True while a LinkHold is taken: the poll tick then returns at once.
    bool held() const { return holds.load() > 0; }

    // The write source and old value of the innermost open WriteSourceScope.
    WriteSource writeSource() const { return WriteSource(source.load()); }
    std::optional<qint64> oldValue() const;

    // Reports a finished transaction (the transactions' door calls this).
    void report(const TransactionRecord &record);

signals:
    // Each finished transaction of a target naming this session, in the thread
    // that ran it (a worker thread of a clone too).
    void transactionFinished(const TransactionRecord &record);

private:
    friend class LinkHold;
    friend class WriteSourceScope;

    std::atomic_int holds {0};
    std::atomic_int source {int(WriteSource::None)};
    std::atomic_bool hasOldValue {false};
    std::atomic<qint64> oldValueRead {0};
};

// The current session: the one a LinkSession::Current made current (the main
// window's, or a command-line run's), else one of the process made on first
// use (for code run without either, e.g. a test).
LinkSession &linkSession();

// Holds the poll off while it lives: a tick that comes meanwhile returns at
// once. Holds count, so one never ends another's. Taken by the poll tick
// itself, every transaction of a session's target, the commit of a page
// value, the workbook runs, the scan and the link dialogs.
class LinkHold
{
public:
    explicit LinkHold(LinkSession &session);
    ~LinkHold();
    LinkHold(const LinkHold &) = delete;
    LinkHold &operator=(const LinkHold &) = delete;

private:
    LinkSession &session;
};

// Tags the session's writes while it lives with a source, and optionally the
// value read before writing; the scope open before comes back after.
class WriteSourceScope
{
public:
    WriteSourceScope(LinkSession &session, WriteSource source);
    ~WriteSourceScope();
    WriteSourceScope(const WriteSourceScope &) = delete;
    WriteSourceScope &operator=(const WriteSourceScope &) = delete;

    void setOldValue(qint64 value);
    void clearOldValue();

private:
    LinkSession &session;
    int previousSource;
    bool previousHasOld;
    qint64 previousOld;
};
