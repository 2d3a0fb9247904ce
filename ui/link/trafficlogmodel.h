#pragma once

// The table behind the traffic log window: its own copy of the last
// TrafficLog::RingCapacity transactions, taken from the traffic record in
// batches (takeNewRecords, on the window's timer), and the rows of that copy
// that pass the filters. Cells are formatted only when the view asks for them,
// i.e. for the rows on screen.
//
// The copy is a circle of reused slots: once it is full, a new transaction
// replaces the oldest one without an allocation. The rows shown are kept as an
// ascending list of positions in the copy; new transactions are tested against
// the filters one by one, the whole copy is looked at only when a filter
// changes.

#include "link/trafficlog.h"

#include <QAbstractTableModel>

#include <deque>

class QIODevice;

class TrafficLogModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        ColumnTime,
        ColumnFunction,
        ColumnAddress,
        ColumnCount,
        ColumnValues,
        ColumnResult,
        ColumnRoundTrip,
        ColumnTotal
    };
    // The values cell shows this many values and then an ellipsis: laying out
    // and eliding a whole 125-register read at every paint was most of the
    // window's drawing. Its tool tip and the saved CSV have all the values.
    static constexpr int ShownValues = 32;

    // What one batch did to the rows: `removed` rows left at the top (the oldest
    // transactions, pushed out of the copy), `added` rows came at the bottom.
    struct Batch
    {
        int removed = 0;
        int added = 0;
    };

    // Takes its transactions from traffic (a session's record), which must outlive it.
    explicit TrafficLogModel(TrafficLog &traffic, QObject *parent = nullptr);

    // Takes the transactions recorded since the last batch (those still in the
    // traffic record's ring). Nothing while paused.
    Batch takeNewRecords();

    // While paused the rows stay as they are; the record goes on, and the next
    // batch after resuming brings what came meanwhile (within the ring).
    void setPaused(bool paused);
    bool isPaused() const { return paused; }

    // Empties the table: the transactions recorded so far are not shown again.
    // The traffic record itself (its ring, statistics and file) is untouched.
    void clear();

    // Filters: only failed transactions; only transactions whose register range
    // overlaps [from, to] (a negative bound is no bound).
    void setErrorsOnly(bool errorsOnly);
    void setAddressRange(int from, int to);
    bool errorsOnly() const { return onlyErrors; }
    bool passes(const TrafficRecord &record) const;

    // The transaction of a row (0 = oldest shown).
    const TrafficRecord &record(int row) const;
    // Transactions kept, shown or not.
    int keptCount() const { return kept; }

    // The rows shown as CSV, with the header and line format of --log-traffic.
    // False when a write to the device failed.
    bool writeCsv(QIODevice *device) const;

    // Texts of the table in the interface language.
    static QString functionText(TrafficFunction function);
    static QString resultText(int result, int exceptionCode);
    // The headers and the translated cells are asked for again.
    void retranslate();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const TrafficRecord &stored(quint64 position) const;
    void rebuildRows();

    TrafficLog &traffic;
    QVector<TrafficRecord> store; // grows to capacity, then used as a circle
    quint64 appended = 0; // positions 0 .. appended-1 were ever stored
    int kept = 0; // positions appended-kept .. appended-1 are still there
    std::deque<quint64> rows; // positions of the rows shown, ascending
    quint64 lastSequence = 0; // newest sequence taken from the traffic record
    bool paused = false;
    bool onlyErrors = false;
    int fromAddress = -1;
    int toAddress = -1;
};
