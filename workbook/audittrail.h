#pragma once

// The configuration history of the window's own writes (page edits, commands,
// calibration steps, resets) to the connected device: each finished write
// becomes one audit line at once (on disk before recordWrite returns, so no
// write goes unrecorded even if the program is killed); the versions that
// commit them are batched, at most one per commit interval (10 s), and always
// at disconnect and exit (finish). A version carries the device's parameter
// set from a block read over the link at that moment.
//
// Batching: the first write after a quiet period starts the interval; the
// version is made when it ends, with every write made meanwhile. A block read
// that cannot be made then (the link faulty, a workbook run going, the device
// silent) is tried again after another interval; the lines stay on disk and
// the device's next version, by whatever run, commits them.
//
// The history never stops a write: a problem of the store (locked, broken, a
// full disk) is told once per device connection (historyProblem), and later
// writes keep trying.

#include "link/transactions.h"
#include "workbook/historystore.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

class QModbusClient;

// What a write of the window was.
enum class AuditSource { Page, Command, Calibration, Reset };

// One finished write of the window, as the link reports it.
struct AuditWrite
{
    AuditSource source = AuditSource::Page;
    int address = 0;
    int count = 1; // registers written: 1, or 2 for a 32-bit value
    QVector<quint16> registers; // as sent (a 32-bit value in the link's word order)
    std::optional<qint64> oldValue; // the device's value read before the write, when known
    TransactionResult result = Ok;
    QString failure; // a failure text of the caller's own; empty: taken from result
};

class AuditTrail : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultCommitIntervalMs = 10000;
    // Longest wait for the store's lock before a line is given up (the window waits meanwhile).
    static constexpr int DefaultLockTimeoutMs = 2000;

    explicit AuditTrail(QObject *parent = nullptr);
    ~AuditTrail() override;

    // Starts the trail of the device with this serial number in the store at
    // folder. via names the link in the versions' messages ("127.0.0.1:502
    // address 1"); client is the process's link the block reads go through
    // (its server address, wordOrder); order is the word order of the writes'
    // 32-bit values. A trail already running is finished first.
    void start(
        const QString &folder, const QString &serial, const QString &via, QModbusClient *client, WordOrder order);
    // No trail for the device connected now (its serial number cannot be
    // read): reason is told as this connection's history problem.
    void unavailable(const QString &reason);
    bool isActive() const { return store != nullptr; }
    QString serial() const { return deviceSerial; }
    QString folder() const;

    // Settings (the tests shorten them).
    void setCommitInterval(int ms);
    int commitInterval() const { return commitTimer.interval(); }
    void setLockTimeout(int ms);
    // Asked before each block read; false puts the version off (a faulty link,
    // a workbook run using the link). None: always ready.
    void setReadCheck(std::function<bool()> check) { readCheck = std::move(check); }

    // Writes recorded as audit lines and not yet in a version of this trail.
    int pendingWrites() const { return pending; }
    // True while a version is due at the end of the interval.
    bool commitScheduled() const { return commitTimer.isActive(); }

    // The audit fields of a write: the register's English name, values as
    // register patterns (as parameters.csv holds them), the result text.
    static HistoryAuditEntry entryOf(const AuditWrite &write, WordOrder order);
    // "window writes via 127.0.0.1:502 address 1: 3 writes" (", 1 failed" when some failed).
    static QString message(const QString &via, int writes, int failed);

public slots:
    // A write of the window finished: appends its audit line now and schedules a version.
    void recordWrite(const AuditWrite &write);
    // Makes the version of the pending writes now (when the link is ready).
    // True when nothing is pending afterwards.
    bool commitNow();
    // Disconnect and exit: commits what is pending, then stops the trail.
    void finish();

signals:
    // A version was made (commitId) or found unchanged.
    void committed(const QString &commitId);
    // The first history problem of this device connection, in the user's language.
    void historyProblem(const QString &text);

private:
    void tell(const QString &reason);

    std::unique_ptr<HistoryStore> store;
    QString deviceSerial;
    QString linkText;
    QPointer<QModbusClient> linkClient;
    WordOrder wordOrderOfWrites = WordOrder::AbCd;
    int lockTimeoutMs = DefaultLockTimeoutMs;
    int pending = 0;
    int pendingFailed = 0;
    bool problemTold = false;
    bool committing = false;
    quint64 generation = 0; // counts starts and finishes: a block read notices either
    std::function<bool()> readCheck;
    QTimer commitTimer;
};

Q_DECLARE_METATYPE(AuditWrite)
