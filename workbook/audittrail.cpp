#include "workbook/audittrail.h"

#include "params/logcategories.h"
#include "params/registermap.h"
#include "workbook/exceltowrite.h"
#include "workbook/historyrecorder.h"

#include <QModbusClient>

namespace {

const char *sourceText(AuditSource source)
{
    switch (source) {
    case AuditSource::Page:
        return "page";
    case AuditSource::Command:
        return "command";
    case AuditSource::Calibration:
        return "calibration";
    case AuditSource::Reset:
        return "reset";
    }
    return "";
}

// The register's English name: the catalogue's row of that size, else of the
// other size at that address (a command word written as 16 bits), else its number.
QString registerName(int address, int count)
{
    QString name = catalogueName(address, count);
    if (name.isEmpty())
        name = catalogueName(address, count == 1 ? 2 : 1);
    return name.isEmpty() ? QStringLiteral("register %1").arg(address) : name;
}

} // namespace

AuditTrail::AuditTrail(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<AuditWrite>();
    commitTimer.setSingleShot(true);
    commitTimer.setInterval(DefaultCommitIntervalMs);
    connect(&commitTimer, &QTimer::timeout, this, &AuditTrail::commitNow);
}

AuditTrail::~AuditTrail() = default;

QString AuditTrail::folder() const { return store ? store->folder() : QString(); }

void AuditTrail::setCommitInterval(int ms) { commitTimer.setInterval(qMax(0, ms)); }

void AuditTrail::setLockTimeout(int ms)
{
    lockTimeoutMs = ms;
    if (store)
        store->setLockTimeout(ms);
}

void AuditTrail::start(
    const QString &folder, const QString &serial, const QString &via, QModbusClient *client, WordOrder order)
{
    if (store)
        finish();
    ++generation;
    store = std::make_unique<HistoryStore>(folder);
    store->setLockTimeout(lockTimeoutMs);
    deviceSerial = serial;
    linkText = via;
    linkClient = client;
    wordOrderOfWrites = order;
    pending = 0;
    pendingFailed = 0;
    problemTold = false;
}

void AuditTrail::unavailable(const QString &reason)
{
    if (store)
        finish();
    problemTold = false;
    tell(reason);
}

HistoryAuditEntry AuditTrail::entryOf(const AuditWrite &write, WordOrder order)
{
    HistoryAuditEntry e;
    e.source = QLatin1String(sourceText(write.source));
    e.address = write.address;
    e.name = registerName(write.address, write.count);
    const bool wide = write.count == 2;
    if (wide && write.registers.size() >= 2)
        e.newValue = QString::number(quint32(joinWords(write.registers.at(0), write.registers.at(1), order)));
    else if (!write.registers.isEmpty())
        e.newValue = QString::number(write.registers.at(0));
    if (write.oldValue)
        e.oldValue = QString::number(wide ? quint32(*write.oldValue) : quint32(*write.oldValue) & 0xFFFF);
    e.result = write.failure.isEmpty() ? historyResultText(write.result) : write.failure;
    return e;
}

QString AuditTrail::message(const QString &via, int writes, int failed)
{
    QString text = QStringLiteral("window writes via %1: %2 %3")
                       .arg(via)
                       .arg(writes)
                       .arg(writes == 1 ? QStringLiteral("write") : QStringLiteral("writes"));
    if (failed > 0)
        text += QStringLiteral(", %1 failed").arg(failed);
    return text;
}

void AuditTrail::recordWrite(const AuditWrite &write)
{
    if (!store) {
        qCDebug(lcCommit).noquote()
            << QStringLiteral("write at %1 not in the history: no device known").arg(write.address);
        return;
    }
    const HistoryAuditEntry entry = entryOf(write, wordOrderOfWrites);
    QString error;
    if (!store->appendAudit(deviceSerial, {entry}, &error)) {
        tell(error);
        return;
    }
    ++pending;
    if (entry.result != QLatin1String("ok"))
        ++pendingFailed;
    // The first write of a quiet period starts the interval; later ones join it.
    if (!commitTimer.isActive() && !committing)
        commitTimer.start();
}

bool AuditTrail::commitNow()
{
    if (!store || pending == 0) {
        commitTimer.stop();
        return true;
    }
    // A timer that fires while the block read below processes events.
    if (committing)
        return false;
    commitTimer.stop();
    if (!linkClient || (readCheck && !readCheck())) {
        qCDebug(lcCommit) << "history version put off: the link is not ready";
        commitTimer.start();
        return false;
    }
    committing = true;
    const QPointer<AuditTrail> self(this);
    const quint64 startedAs = generation;
    ExelToWrite worker;
    // The read keeps the poll away while it runs and clears the poll's flag
    // after, as the workbook runs do: a tick asked for before may have run
    // inside its waits, and the poll asks again only while the flag is clear.
    const int result = worker.readParameterSet(linkClient);
    if (!self)
        return false;
    committing = false;
    // The trail was finished or started for another device meanwhile.
    if (generation != startedAs || !store)
        return false;
    if (result != ExelToWrite::Done && result != ExelToWrite::RowsFailed) {
        qCDebug(lcCommit) << "history version put off: the parameter set was not read, result" << result;
        commitTimer.start();
        return false;
    }
    int unread = 0;
    const QVector<HistoryRow> rows = HistoryRecorder::versionRows(worker, &unread);
    const HistoryRecord record
        = store->recordVersion(deviceSerial, rows, unread, message(linkText, pending, pendingFailed));
    if (!record.ok()) {
        // The next write tries again.
        tell(record.error);
        return false;
    }
    pending = 0;
    pendingFailed = 0;
    emit committed(record.commitId);
    return true;
}

void AuditTrail::finish()
{
    if (!store)
        return;
    if (!commitNow())
        qCDebug(lcCommit).noquote() << QStringLiteral(
            "%1 audit lines of %2 wait for the device's next version")
                                           .arg(pending)
                                           .arg(deviceSerial);
    commitTimer.stop();
    ++generation;
    committing = false;
    store.reset();
    deviceSerial.clear();
    linkText.clear();
    linkClient = nullptr;
    pending = 0;
    pendingFailed = 0;
}

void AuditTrail::tell(const QString &reason)
{
    qCWarning(lcCommit).noquote() << "history of the window's writes:" << reason;
    if (problemTold)
        return;
    problemTold = true;
    emit historyProblem(tr("history not recorded: %1").arg(reason));
}
