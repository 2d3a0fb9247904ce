// The device's rows as a run of the workbook worker read them, its writes, and
// the reads of the whole parameter set (the rows of the parameter catalogue).

#include "workbook/exceltowrite.h"

#include "link/linksession.h"
#include "params/registermap.h"

#include <QSet>

namespace {

// A row's identity in the parameter set: register address and count.
quint64 rowKey(int address, int count) { return (quint64(quint32(address)) << 8) | quint32(count); }

} // namespace

void ExelToWrite::noteWrite(
    const SheetRow &row, int index, bool oldKnown, quint32 oldValue, TransactionResult result)
{
    RowWrite write;
    write.address = row.address;
    write.count = row.count;
    write.name = row.name;
    write.oldKnown = oldKnown;
    write.oldValue = row.count == 2 ? oldValue : (oldValue & 0xFFFF);
    write.newValue = row.value;
    write.time = QDateTime::currentDateTime();
    write.result = result;
    m_writeOfRow.insert(index, m_writes.size());
    m_writes.append(write);
}

void ExelToWrite::collectDeviceRows(
    const ImportSheet &sheet, const QVector<qint8> &known, const QVector<quint32> &device)
{
    for (int i = 0; i < sheet.rows.size(); ++i) {
        const SheetRow &row = sheet.rows.at(i);
        if (!row.valid)
            continue;
        DeviceRow d {row.address, row.count, row.name, known.value(i) != 0, 0};
        if (d.read)
            d.value = row.count == 2 ? device.value(i) : (device.value(i) & 0xFFFF);
        const auto w = m_writeOfRow.constFind(i);
        if (w != m_writeOfRow.constEnd()) {
            const RowWrite &write = m_writes.at(w.value());
            if (write.result == Ok) {
                // What the device holds now is what it read back.
                d.read = write.check != RowWrite::NotReadBack;
                d.value = write.readBack;
            } else if (write.result != ResponseError) {
                // Sent without an answer: the device may have taken it or not.
                d.read = false;
            }
        }
        m_deviceRows.append(d);
    }
}

int ExelToWrite::readParameterSet(QModbusClient *client)
{
    startRun();
    return readParameterSetRows(client);
}

int ExelToWrite::readParameterSetRows(QModbusClient *client)
{
    m_running = true;
    beginLink(client);
    std::optional<LinkHold> hold;
    if (!m_ownTarget)
        hold.emplace(linkSession());
    const int outcome = readCatalogueRows();
    m_running = false;
    return outcome;
}

int ExelToWrite::completeParameterSet(QModbusClient *client)
{
    // The run's own outcome details stay as they were.
    const int phase = m_phase;
    const int firstNotDone = m_firstRowNotDone;
    const int requests = m_readRequests;
    m_cancelRequested = false;
    const int outcome = readParameterSetRows(client);
    m_phase = phase;
    m_firstRowNotDone = firstNotDone;
    m_readRequests = requests;
    return outcome;
}

// Reads the catalogue rows that are not among the device rows yet. A row whose
// read fails is kept as unread; when the device goes quiet or the link goes,
// the rows not tried are kept as unread too and the run ends there.
int ExelToWrite::readCatalogueRows()
{
    QSet<quint64> tried;
    for (const DeviceRow &row : qAsConst(m_deviceRows))
        tried.insert(rowKey(row.address, row.count));
    QVector<const ParameterInfo *> rows;
    QVector<int> starts;
    QVector<int> counts;
    for (const ParameterInfo &p : parameterCatalogue()) {
        if (tried.contains(rowKey(p.address, p.count)))
            continue;
        tried.insert(rowKey(p.address, p.count));
        rows.append(&p);
        starts.append(p.address);
        counts.append(p.count);
    }
    const int total = rows.size();
    enterPhase(Reading, total);
    BlockPass pass;
    planPass(pass, starts, counts);
    int outcome = 0;
    int unread = 0;
    int silent = 0;
    for (int s = 0; s < total; ++s) {
        const ParameterInfo &p = *rows.at(s);
        TransactionResult result = Ok;
        quint32 value = 0;
        if (outcome == 0) {
            outcome = readSpan(pass, s, s + 2, &result, &value);
            if (outcome == 0 && result == NoConnection)
                outcome = linkStopped() ? Stopped : LinkLost;
            if (outcome == 0 && result == TimedOut && ++silent >= MaxSilentRows)
                outcome = NoAnswer;
            if (result != TimedOut)
                silent = 0;
        }
        const bool read = outcome == 0 && result == Ok;
        m_deviceRows.append({p.address, p.count, p.nameEnglish, read, read ? value : 0});
        unread += read ? 0 : 1;
        emit progress(Reading, s + 1, total);
    }
    if (outcome != 0)
        return outcome;
    return unread > 0 ? RowsFailed : Done;
}
