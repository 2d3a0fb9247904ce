#pragma once

// The record of every Modbus transaction a link session makes (each session
// owns one: LinkSession::traffic). The transactions (link/transactions.cpp)
// report each one as it finishes; a window, a file (--log-traffic) and the
// statistics read from here. Thread-safe: links running in worker threads
// report too.
//
//   TrafficLog &log = linkSession().traffic;
//   quint64 next = 0;
//   const QVector<TrafficRecord> fresh = log.recordsSince(next, &next);  // poll on a timer
//   TrafficStatistics s = log.statistics();                              // since the last connect
//
// Memory is bounded: the last RingCapacity transactions are kept, the
// statistics are counters and a fixed histogram.

#include <QMutex>
#include <QObject>
#include <QString>
#include <QVector>

#include <memory>

class QFile;

enum class TrafficFunction : quint8 {
    ReadHolding, // function 03
    ReadCoils, // function 01
    WriteHolding, // functions 06 / 16
    WriteCoil, // functions 05 / 15
};

struct TrafficRecord
{
    quint64 sequence = 0; // 1, 2, ... in the order the transactions finished
    qint64 timeMs = 0; // wall clock, ms since the epoch, when the request went out
    TrafficFunction function = TrafficFunction::ReadHolding;
    int serverAddress = 0;
    int address = 0;
    int count = 0;
    QVector<quint16> values; // read values on success, written values for writes
    int result = 0; // TransactionResult
    int exceptionCode = 0; // Modbus exception code of an exception answer, else 0
    qint64 roundTripUs = 0; // request out to result, microseconds
};

// "read-holding", "read-coils", "write-holding", "write-coil".
QString trafficFunctionName(TrafficFunction function);
// "ok", "exception N", "timeout", "no-connection" ("error" for another failure).
QString trafficResultText(int result, int exceptionCode);
// Space-separated decimals.
QString trafficValuesText(const QVector<quint16> &values);
// The CSV header and one line (no line end) of a record:
// time_ms,function,address,count,values,result,round_trip_ms
QString trafficCsvHeader();
QString trafficCsvLine(const TrafficRecord &record);

struct TrafficStatistics
{
    quint64 requests = 0;
    quint64 failures = 0; // every result but ok
    quint64 timeouts = 0;
    quint64 exceptions = 0; // answered with a Modbus exception
    // Round trips of the answered requests (ok or exception), ms.
    double meanMs = 0;
    double p95Ms = 0;
    double worstMs = 0;
};

class TrafficLog : public QObject
{
    Q_OBJECT

public:
    static constexpr int RingCapacity = 10000;

    TrafficLog();
    ~TrafficLog() override;

    // Called by the transactions for every finished transaction.
    void record(TrafficFunction function, int serverAddress, int address, int count, const quint16 *values,
        int result, int exceptionCode, qint64 startMs, qint64 roundTripUs);

    // The records with a sequence after `after` that are still in the ring, oldest
    // first; *last receives the newest sequence (unchanged when none is new).
    QVector<TrafficRecord> recordsSince(quint64 after, quint64 *last = nullptr) const;
    // Sequence of the newest record (0 before the first).
    quint64 lastSequence() const;
    // Forgets the kept records (the statistics and the file stay).
    void clearRecords();

    TrafficStatistics statistics() const;
    // Starts the statistics afresh; the connection procedures call it on connect.
    void resetStatistics();

    // Appends every later transaction to path as CSV (the header first when the
    // file is new or empty), one flushed line each. A symbolic link is not
    // followed: it is refused, as is a file whose header cannot be written.
    // False with *error when the file cannot be used. An empty path stops the
    // file.
    bool setFile(const QString &path, QString *error = nullptr);
    // Why the file given to setFile stopped taking lines (a full disk, an I/O
    // error): empty while it takes them. A failed line ends the file; the
    // record in memory goes on.
    QString fileError() const;
    QString filePath() const;

signals:
    // A transaction was recorded (emitted in the reporting thread; connect
    // queued or poll with recordsSince on a timer).
    void recorded(quint64 sequence);
    // A line could not be written to the file of setFile (path, reason); the
    // file is closed and nothing more is written to it. Emitted once, in the
    // reporting thread.
    void fileFailed(const QString &path, const QString &reason);

private:
    mutable QMutex mutex;
    QVector<TrafficRecord> ring; // RingCapacity slots, used as a circle
    quint64 newest = 0; // sequence of the newest record
    quint64 oldestKept = 1; // records before this one were cleared

    // Statistics since the last reset.
    quint64 requests = 0, failures = 0, timeouts = 0, exceptions = 0, answered = 0;
    qint64 sumUs = 0, worstUs = 0;
    QVector<quint32> histogram; // answered round trips, see bucketOf()

    bool writeLine(const QByteArray &line);

    std::unique_ptr<QFile> file;
    QString logPath;
    QString logError; // why the file stopped, empty while it takes lines
};
