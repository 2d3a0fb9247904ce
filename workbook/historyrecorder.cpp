#include "workbook/historyrecorder.h"

#include "link/linkcheck.h"
#include "params/appstate.h"
#include "params/encoding.h"
#include "params/registermap.h"
#include "workbook/exceltowrite.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSettings>

namespace {

// Settings key of the history folder (absent or empty: History/ in the data folder).
const char HistoryFolderKey[] = "History/Folder";

quint64 rowKey(int address, int count) { return (quint64(quint32(address)) << 8) | quint32(count); }

// The English name of a catalogue row; the workbook's name for any other row.
QString englishName(int address, int count, const QString &workbookName)
{
    const QString name = catalogueName(address, count);
    return name.isEmpty() ? workbookName : name;
}

const char *sourceName(HistorySource source)
{
    switch (source) {
    case HistorySource::Export:
        return "export";
    case HistorySource::Import:
        return "import";
    case HistorySource::Diff:
        return "diff";
    case HistorySource::Clone:
        return "clone";
    case HistorySource::Restore:
        return "restore";
    case HistorySource::Backup:
        return "backup";
    }
    return "";
}

// The audit result of one write: "ok" when it was taken and read back as
// written, else what went wrong.
QString writeResult(const RowWrite &write)
{
    if (write.result != Ok)
        return historyResultText(write.result);
    switch (write.check) {
    case RowWrite::Verified:
        return QStringLiteral("ok");
    case RowWrite::Mismatched:
        return QStringLiteral("read back %1").arg(write.readBack);
    case RowWrite::NotReadBack:
        break;
    }
    return QStringLiteral("not read back");
}

} // namespace

QString catalogueName(int address, int count)
{
    static const QHash<quint64, QString> names = [] {
        QHash<quint64, QString> map;
        for (const ParameterInfo &p : parameterCatalogue())
            map.insert(rowKey(p.address, p.count), p.nameEnglish);
        return map;
    }();
    return names.value(rowKey(address, count));
}

QString historyResultText(TransactionResult result)
{
    switch (result) {
    case Ok:
        break;
    case ResponseError:
        return QStringLiteral("refused");
    case TimedOut:
        return QStringLiteral("no answer");
    case NoConnection:
        return QStringLiteral("no connection");
    }
    return QStringLiteral("ok");
}

QString savedHistoryFolder()
{
    const QSettings settings(settingsFilePath(), QSettings::IniFormat);
    return settings.value(QLatin1String(HistoryFolderKey)).toString().trimmed();
}

bool saveHistoryFolder(const QString &folder)
{
    const QString path = settingsFilePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSettings settings(path, QSettings::IniFormat);
    if (folder.trimmed().isEmpty())
        settings.remove(QLatin1String(HistoryFolderKey));
    else
        settings.setValue(QLatin1String(HistoryFolderKey), QDir::fromNativeSeparators(folder.trimmed()));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString historyFolderFor(const QString &given)
{
    if (!given.isEmpty())
        return given;
    const QString saved = savedHistoryFolder();
    return saved.isEmpty() ? historyDirectory() : saved;
}

QString historyLinkText(const LinkParameters &link)
{
    return QStringLiteral("%1 address %2").arg(linkText(link)).arg(link.serverAddress);
}

HistoryRecorder::HistoryRecorder(const QString &folder)
    : historyStore(folder)
{
}

bool HistoryRecorder::fail(const QString &reason)
{
    problemReason = reason;
    problem = tr("history not recorded: %1").arg(reason);
    return false;
}

bool HistoryRecorder::readSerial(const LinkTarget &target)
{
    deviceSerial.clear();
    const ParameterGroup group = parameterGroup(IdentityGroup);
    QVector<quint16> registers(group.count);
    const TransactionResult result = readRegisters(
        target, QModbusDataUnit::HoldingRegisters, group.start, group.count, registers.data());
    if (result != Ok || group.count < SerialNumberOffset + SerialNumberLength)
        return fail(tr("cannot read the device's serial number (%1)")
                        .arg(result == TimedOut          ? tr("no answer")
                                : result == NoConnection ? tr("no connection")
                                                         : tr("refused")));
    int codes[SerialNumberLength];
    for (int i = 0; i < SerialNumberLength; ++i)
        codes[i] = registers.at(SerialNumberOffset + i);
    const QString text = serialNumberText(codes);
    // "?" stands for a code that is no printable character: such a serial
    // number would put different devices into one folder.
    if (text.contains(QLatin1Char('?')))
        return fail(tr("the device's serial number %1 is not readable").arg(text));
    deviceSerial = text;
    return true;
}

bool HistoryRecorder::wentThrough(int result, const ExelToWrite &worker)
{
    return result == ExelToWrite::Done || result == ExelToWrite::RowsFailed
        || (result == ExelToWrite::SaveFailed && !worker.deviceRows().isEmpty());
}

QVector<HistoryRow> HistoryRecorder::versionRows(const ExelToWrite &worker, int *unread)
{
    QVector<HistoryRow> rows;
    QSet<quint64> known;
    QSet<quint64> missing;
    for (const DeviceRow &d : worker.deviceRows()) {
        const quint64 key = rowKey(d.address, d.count);
        if (!d.read) {
            missing.insert(key);
            continue;
        }
        if (known.contains(key))
            continue;
        known.insert(key);
        rows.append({d.address, englishName(d.address, d.count, d.name), d.count, QString::number(d.value)});
    }
    *unread = int((missing - known).size());
    return rows;
}

QVector<HistoryAuditEntry> HistoryRecorder::auditEntries(const ExelToWrite &worker, HistorySource source)
{
    QVector<HistoryAuditEntry> entries;
    for (const RowWrite &w : worker.writes()) {
        HistoryAuditEntry e;
        e.time = w.time;
        e.source = QLatin1String(sourceName(source));
        e.address = w.address;
        e.name = englishName(w.address, w.count, w.name);
        e.oldValue = w.oldKnown ? QString::number(w.oldValue) : QString();
        e.newValue = QString::number(w.newValue);
        e.result = writeResult(w);
        entries.append(e);
    }
    return entries;
}

QString HistoryRecorder::message(HistorySource source, const ExelToWrite &worker, const QString &subject,
    const QString &via, int rows, bool finished)
{
    const QString name = QLatin1String(sourceName(source));
    QString what;
    QString counts;
    switch (source) {
    case HistorySource::Export:
    case HistorySource::Backup:
        what = name;
        counts = QStringLiteral("%1 rows").arg(rows);
        break;
    case HistorySource::Diff:
        what = QStringLiteral("diff with %1").arg(subject);
        counts = QStringLiteral("%1 rows differ").arg(worker.differences().size());
        break;
    case HistorySource::Import:
    case HistorySource::Clone:
    case HistorySource::Restore:
        what = QStringLiteral("%1 of %2").arg(name, subject);
        counts = QStringLiteral("%1 written, %2 verified")
                     .arg(worker.transferredRows())
                     .arg(worker.verifiedRows());
        if (worker.failedRows() > 0)
            counts += QStringLiteral(", %1 failed").arg(worker.failedRows());
        if (worker.mismatchedRows() > 0)
            counts += QStringLiteral(", %1 mismatched").arg(worker.mismatchedRows());
        break;
    }
    if (!finished)
        counts += QStringLiteral(", ended early");
    return QStringLiteral("%1 via %2: %3").arg(what, via, counts);
}

bool HistoryRecorder::record(HistorySource source, ExelToWrite &worker, QModbusClient *client,
    const QString &subject, const QString &via, bool finished)
{
    recorded = HistoryRecord();
    rowsRecorded = 0;
    const QVector<HistoryAuditEntry> audit = auditEntries(worker, source);
    // A run that ended early without a write leaves nothing to record: what
    // it read is not the device's whole parameter set.
    if (!finished && audit.isEmpty()) {
        problem.clear();
        problemReason.clear();
        recorded.outcome = HistoryRecord::Unchanged;
        return true;
    }
    // Without the serial number (readSerial said why) there is no folder to record into.
    if (deviceSerial.isEmpty())
        return problem.isEmpty() ? fail(tr("the device's serial number is not known")) : false;
    problem.clear();
    problemReason.clear();
    QString error;
    if (!historyStore.appendAudit(deviceSerial, audit, &error))
        return fail(error);
    if (finished && client)
        worker.completeParameterSet(client);
    int unread = 0;
    const QVector<HistoryRow> rows = versionRows(worker, &unread);
    recorded = historyStore.recordVersion(
        deviceSerial, rows, unread, message(source, worker, subject, via, rows.size(), finished));
    if (!recorded.ok())
        return fail(recorded.error);
    rowsRecorded = rows.size();
    return true;
}
