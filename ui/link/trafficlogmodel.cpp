#include "ui/link/trafficlogmodel.h"

#include "link/transactions.h"

#include <QBrush>
#include <QColor>
#include <QDateTime>
#include <QIODevice>

#include <algorithm>

namespace {

constexpr int Capacity = TrafficLog::RingCapacity;

// Copies a record into a slot of the copy, reusing the slot's value buffer.
void copyInto(TrafficRecord &slot, const TrafficRecord &from)
{
    QVector<quint16> buffer;
    buffer.swap(slot.values);
    slot = from;
    // `from` shares its values with the traffic record; taking our own buffer
    // keeps the record's slot unshared, so neither side allocates once warm.
    buffer.resize(from.values.size());
    std::copy(from.values.cbegin(), from.values.cend(), buffer.begin());
    slot.values.swap(buffer);
}

// The first values of a transaction for its cell; the rest become an ellipsis.
QString shownValuesText(const QVector<quint16> &values)
{
    if (values.size() <= TrafficLogModel::ShownValues)
        return trafficValuesText(values);
    return trafficValuesText(values.mid(0, TrafficLogModel::ShownValues)) + QStringLiteral(" \u2026");
}

} // namespace

TrafficLogModel::TrafficLogModel(TrafficLog &traffic, QObject *parent)
    : QAbstractTableModel(parent)
    , traffic(traffic)
{
}

const TrafficRecord &TrafficLogModel::stored(quint64 position) const
{
    return store[int(position % Capacity)];
}

const TrafficRecord &TrafficLogModel::record(int row) const { return stored(rows[size_t(row)]); }

bool TrafficLogModel::passes(const TrafficRecord &r) const
{
    if (onlyErrors && r.result == Ok)
        return false;
    const int first = r.address;
    const int last = r.address + qMax(r.count, 1) - 1;
    if (fromAddress >= 0 && last < fromAddress)
        return false;
    if (toAddress >= 0 && first > toAddress)
        return false;
    return true;
}

TrafficLogModel::Batch TrafficLogModel::takeNewRecords()
{
    Batch batch;
    if (paused)
        return batch;
    QVector<TrafficRecord> fresh = traffic.recordsSince(lastSequence, &lastSequence);
    if (fresh.isEmpty())
        return batch;
    // More than the copy holds cannot come from the record's ring; keep the newest anyway.
    const int skip = qMax(0, fresh.size() - Capacity);
    const int incoming = fresh.size() - skip;

    // The oldest transactions that the new ones push out of the copy.
    const int evicted = qMax(0, kept + incoming - Capacity);
    if (evicted > 0) {
        const quint64 firstKept = appended - quint64(kept) + quint64(evicted);
        int leaving = 0;
        for (auto it = rows.cbegin(); it != rows.cend() && *it < firstKept; ++it)
            ++leaving;
        if (leaving > 0) {
            beginRemoveRows(QModelIndex(), 0, leaving - 1);
            rows.erase(rows.begin(), rows.begin() + leaving);
            endRemoveRows();
        }
        kept -= evicted;
        batch.removed = leaving;
    }

    // Into the copy first (the slots taken over belong to rows already gone),
    // then the rows that pass the filters reach the view in one step.
    QVector<quint64> shown;
    for (int i = skip; i < fresh.size(); ++i) {
        const quint64 position = appended++;
        const int slot = int(position % Capacity);
        if (slot == store.size())
            store.append(TrafficRecord());
        copyInto(store[slot], fresh.at(i));
        ++kept;
        if (passes(fresh.at(i)))
            shown.append(position);
    }
    if (!shown.isEmpty()) {
        const int firstNew = int(rows.size());
        beginInsertRows(QModelIndex(), firstNew, firstNew + shown.size() - 1);
        rows.insert(rows.end(), shown.cbegin(), shown.cend());
        endInsertRows();
        batch.added = shown.size();
    }
    return batch;
}

void TrafficLogModel::setPaused(bool pause) { paused = pause; }

void TrafficLogModel::clear()
{
    beginResetModel();
    rows.clear();
    kept = 0;
    lastSequence = qMax(lastSequence, traffic.lastSequence());
    endResetModel();
}

void TrafficLogModel::setErrorsOnly(bool errorsOnly)
{
    if (onlyErrors == errorsOnly)
        return;
    onlyErrors = errorsOnly;
    rebuildRows();
}

void TrafficLogModel::setAddressRange(int from, int to)
{
    from = from < 0 ? -1 : from;
    to = to < 0 ? -1 : to;
    if (from == fromAddress && to == toAddress)
        return;
    fromAddress = from;
    toAddress = to;
    rebuildRows();
}

void TrafficLogModel::rebuildRows()
{
    beginResetModel();
    rows.clear();
    for (quint64 position = appended - quint64(kept); position < appended; ++position) {
        if (passes(stored(position)))
            rows.push_back(position);
    }
    endResetModel();
}

bool TrafficLogModel::writeCsv(QIODevice *device) const
{
    QByteArray text = trafficCsvHeader().toUtf8();
    text += '\n';
    for (quint64 position : rows) {
        text += trafficCsvLine(stored(position)).toUtf8();
        text += '\n';
    }
    return device->write(text) == text.size();
}

QString TrafficLogModel::functionText(TrafficFunction function)
{
    switch (function) {
    case TrafficFunction::ReadHolding:
        return tr("Read holding registers");
    case TrafficFunction::ReadCoils:
        return tr("Read coils");
    case TrafficFunction::WriteHolding:
        return tr("Write holding registers");
    case TrafficFunction::WriteCoil:
        return tr("Write coils");
    }
    return QString();
}

QString TrafficLogModel::resultText(int result, int exceptionCode)
{
    switch (result) {
    case Ok:
        return tr("OK");
    case TimedOut:
        return tr("Time-out");
    case NoConnection:
        return tr("No connection");
    default:
        break;
    }
    switch (exceptionCode) {
    case 0:
        return tr("Error");
    case 1:
        return tr("Exception %1: illegal function").arg(exceptionCode);
    case 2:
        return tr("Exception %1: illegal data address").arg(exceptionCode);
    case 3:
        return tr("Exception %1: illegal data value").arg(exceptionCode);
    case 4:
        return tr("Exception %1: server device failure").arg(exceptionCode);
    default:
        return tr("Exception %1").arg(exceptionCode);
    }
}

void TrafficLogModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnTotal - 1);
    if (!rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnTotal - 1));
}

int TrafficLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows.size());
}

int TrafficLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnTotal;
}

QVariant TrafficLogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || size_t(index.row()) >= rows.size())
        return QVariant();
    const TrafficRecord &r = record(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColumnTime:
            return QDateTime::fromMSecsSinceEpoch(r.timeMs).toString(QStringLiteral("hh:mm:ss.zzz"));
        case ColumnFunction:
            return functionText(r.function);
        case ColumnAddress:
            return r.address;
        case ColumnCount:
            return r.count;
        case ColumnValues:
            return shownValuesText(r.values);
        case ColumnResult:
            return resultText(r.result, r.exceptionCode);
        case ColumnRoundTrip:
            return QString::number(double(r.roundTripUs) / 1000.0, 'f', 1);
        default:
            return QVariant();
        }
    case Qt::TextAlignmentRole:
        switch (index.column()) {
        case ColumnAddress:
        case ColumnCount:
        case ColumnRoundTrip:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        }
    case Qt::ForegroundRole:
        if (r.result != Ok)
            return QBrush(QColor(200, 0, 0));
        return QVariant();
    case Qt::ToolTipRole:
        if (index.column() == ColumnValues && !r.values.isEmpty())
            return trafficValuesText(r.values);
        if (index.column() == ColumnResult)
            return resultText(r.result, r.exceptionCode);
        return tr("Server address %1").arg(r.serverAddress);
    default:
        return QVariant();
    }
}

QVariant TrafficLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ColumnTime:
        return tr("Time");
    case ColumnFunction:
        return tr("Function");
    case ColumnAddress:
        return tr("Address");
    case ColumnCount:
        return tr("Count");
    case ColumnValues:
        return tr("Values");
    case ColumnResult:
        return tr("Result");
    case ColumnRoundTrip:
        return tr("Round trip (ms)");
    default:
        return QVariant();
    }
}
