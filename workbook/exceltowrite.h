#pragma once

// The worker of the parameter workbook: the import and export row loops over a
// workbook file. It shows nothing itself: its progress and failures go out as
// signals, which the window's page turns into progress bars and popups.

#include "link/transactions.h"
#include "workbook/blockread.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

#include <functional>

class QModbusClient;
class XlsxSheet;
class XlsxWorkbook;

// One parameter row of a workbook as an import or a comparison takes it.
struct SheetRow
{
    int row = 0; // sheet row number (2..)
    bool selected = false; // the count text holds "1" or "2"
    bool valid = false; // passes the row rules: address, count 1 or 2, value within its limits
    int address = 0;
    int count = 0;
    quint32 value = 0; // the value's register pattern
    QString name; // column B
};

// The parameter rows of a workbook, read once (a clone shares them between its targets).
struct ImportSheet
{
    int rowCount = 0; // the sheet's row count, header included
    QVector<SheetRow> rows; // rows 2..rowCount
};

// A valid row whose file value is not what the device holds.
struct RowDifference
{
    int row = 0;
    int address = 0;
    int count = 0;
    bool deviceRead = false; // false: the device refused or did not answer the read
    quint32 device = 0; // register pattern (count 1: 16 bits)
    quint32 file = 0;
    QString name;
};

// One row of the device's parameter set as a run read it.
struct DeviceRow
{
    int address = 0;
    int count = 0;
    QString name; // the workbook's name (column B), the English name for a catalogue row read after the run
    bool read = false; // false: the read failed, or the value is no longer known (a write not confirmed)
    quint32 value = 0; // register pattern (count 1: 16 bits)
};

// One write an import made (or tried), and what its read-back found.
struct RowWrite
{
    enum Check { NotReadBack, Verified, Mismatched };
    int address = 0;
    int count = 0;
    QString name; // the workbook's name
    bool oldKnown = false; // the device's value was read before the write
    quint32 oldValue = 0;
    quint32 newValue = 0;
    QDateTime time; // when it was sent
    TransactionResult result = Ok;
    Check check = NotReadBack;
    quint32 readBack = 0; // Mismatched: the value read back
};

// One write an import is about to make.
struct PlannedWrite
{
    int address = 0;
    int count = 0;
    bool oldKnown = false; // the device's value was read
    quint32 oldValue = 0;
    quint32 newValue = 0;
};

// The answer to an import's planned writes (ExelToWrite::reviewWrites).
struct WritePlan
{
    bool go = true; // false: nothing is written, the run ends Declined
    // Written after every other row was written and read back, in row order, and
    // not read back: writing them may take away the link the run goes through.
    QVector<int> lastAddresses;
};

class ExelToWrite : public QObject
{
    Q_OBJECT

public:
    // Result codes of a run.
    enum Result : int {
        Done = 1,
        Stopped = 100, // the link was stopped (linkSuspended): ends silently
        Cancelled = 101, // the user cancelled the run between rows
        OpenFailed = -1, // "error1" missing file, "error2" unreadable workbook
        NoSheets = -3, // "error3"
        NoParameterSheet = -4, // "error4"
        NoRows = -5, // "error5"
        RowsFailed = -6, // device transactions of some rows failed
        SaveFailed = -7, // the export file could not be written
        NoAnswer = -8, // the device stopped answering: the run ended there
        LinkLost = -9, // the link went away (no connection): the run ended there
        Declined = 102, // reviewWrites said no before the first write: nothing written
    };

    // What a run is doing, for its progress display.
    enum Phase : int {
        Reading = 0, // reading the device (an export, the reads before an import or a comparison)
        Writing = 1, // writing the rows that differ
        Verifying = 2, // reading back what was written
    };
    // The two progress bars of the window's runs.
    enum class Bar { Import, Export };
    Q_ENUM(Bar)

    // Rows in a row without an answer that end a run.
    static constexpr int MaxSilentRows = 5;
    // How many failed register addresses a run keeps for its report.
    static constexpr int ReportedAddresses = 10;

    explicit ExelToWrite(QObject *parent = nullptr);

    // What a workbook path names, before anything reads it.
    enum class PathKind {
        RegularFile,
        Missing,
        Folder,
        NameNotUtf8, // bytes that are no UTF-8 were replaced on the way in: no file has this name
        OtherFile, // a device, a pipe, a socket
    };
    static PathKind workbookPathKind(const QString &path);
    // Why path cannot be a workbook file ("... is a folder, not a workbook",
    // "...: no such file", "...: the file name is not valid UTF-8 (rename the
    // file)", "... is not a regular file"), in the user's language; empty for
    // a regular file.
    static QString workbookPathProblem(const QString &path);

    // Writes the value column of the workbook at path into the device: reads the
    // device first, writes only the valid rows whose value differs (or whose
    // device value could not be read; every valid row with allRows), then reads
    // back every written row. Done when every written row was taken and reads
    // back as written; RowsFailed when a write failed or a row read back
    // differently.
    int importWorkbook(const QString &path, QModbusClient *client);
    // The same for rows already read from a workbook (readImportSheet).
    int importSheet(const ImportSheet &sheet, QModbusClient *client);
    // Reads the device and lists the valid rows whose value differs
    // (differences()); writes nothing. Done when the comparison went through,
    // whatever it found.
    int compareWorkbook(const QString &path, QModbusClient *client);
    // The same for rows already read (a workbook, or a version of the history).
    int compareSheet(const ImportSheet &sheet, QModbusClient *client);
    // Reads the device's whole parameter set (the rows of the parameter
    // catalogue, in block reads) into deviceRows(), writing nothing. Done when
    // every row was tried (RowsFailed when some could not be read); NoAnswer,
    // LinkLost or Stopped when the run ended before.
    int readParameterSet(QModbusClient *client);
    // After a run: reads the catalogue rows the run did not try, so that
    // deviceRows() holds the whole parameter set. Same results as readParameterSet.
    int completeParameterSet(QModbusClient *client);
    // Opens the workbook at path and takes its parameter rows (the failures of
    // an import: OpenFailed, NoSheets, NoParameterSheet, NoRows, with lastError()).
    int readImportSheet(const QString &path, ImportSheet *sheet);
    // Fills the value column of the workbook at path from the device and saves it.
    int exportWorkbook(const QString &path, QModbusClient *client, int language);
    // The export into target, made from the template: a copy of the template
    // beside target is filled and renamed over target only when the run ends
    // with a complete file (Done, or RowsFailed with the failure marker in the
    // rows that could not be read). Any other end leaves target as it was and
    // removes the copy. The folder of target is created when missing.
    int exportToFile(const QString &templatePath, const QString &target, QModbusClient *client, int language);

    // Reads, parses and saves the workbook file on a thread of its own while the
    // calling thread keeps processing its events (the window's runs); the rows
    // and the device transactions stay on the calling thread. Off: everything
    // on the calling thread.
    bool backgroundFileWork = false;
    // Reads the device in block reads (consecutive rows of one register group
    // in one request, a failed block again row by row). Off: one request per row.
    bool blockReads = true;
    // Import: write every valid row, not only those that differ (no reads before).
    bool allRows = false;
    // Asked by an import after it read the device and before its first write,
    // with the rows it is about to write (none: not asked). Unset: every row is
    // written in row order and read back.
    std::function<WritePlan(const QVector<PlannedWrite> &)> reviewWrites;
    // The source an import's writes on the process's link are tagged with.
    WriteSource writeSource = WriteSource::Import;

    // A link of the run's own (e.g. one of several devices served at once from
    // worker threads): the rows go to it, and the process's poll is not held
    // off by the run itself (its transactions hold it if the target names a session); linkSuspended applies
    // only if the target says so. Without one, the rows go to the client the run is given, with the process's
    // server address and word order.
    void setLinkTarget(const LinkTarget &target)
    {
        m_target = target;
        m_ownTarget = true;
    }

    bool isRunning() const { return m_running; }

    // Outcome details of the last run.
    QString lastError() const { return m_lastError; } // "error1".."error5", empty when none
    // What went wrong with the file, in the user's language, naming the file
    // ("/home/me/a.xlsx is a folder, not a workbook"); empty when nothing did.
    QString lastErrorText() const { return m_lastErrorText; }
    QString lastErrorDetail() const { return m_lastErrorDetail; } // the reader's reason, if any
    int failedRows() const { return m_failedRows; }
    // Rows read (export) or written (import) with success.
    int transferredRows() const { return m_transferredRows; }
    // Rows left out by the row rules (invalid).
    int skippedRows() const { return m_skippedRows; }
    // Import: valid rows not written because the device already held their value.
    int unchangedRows() const { return m_unchangedRows; }
    // Import that ended with NoAnswer while writing: the writes sent without an
    // answer before the run gave up (the device may have applied them). They
    // are neither transferred nor failed rows.
    int unconfirmedWrites() const { return m_unconfirmedWrites; }
    // Import: written rows that read back as written / differently (or could not be read back).
    int verifiedRows() const { return m_verifiedRows; }
    int mismatchedRows() const { return m_mismatchedRows; }
    QVector<int> mismatchedAddresses() const { return m_mismatchedAddresses; }
    // The device's rows as the last run read them: an export's rows, the
    // rows an import or a comparison read (an import's written rows as read
    // back), the parameter set of readParameterSet; in reading order.
    QVector<DeviceRow> deviceRows() const { return m_deviceRows; }
    // The writes of the last import, in the order they were sent.
    QVector<RowWrite> writes() const { return m_writes; }
    // Comparison: the rows that differ, in row order.
    QVector<RowDifference> differences() const { return m_differences; }
    // The phase the last run was in when it ended.
    int lastPhase() const { return m_phase; }
    // Read requests the last run sent (blocks and rows).
    int readRequests() const { return m_readRequests; }
    // Addresses of the first failed rows (up to ReportedAddresses), in row order.
    QVector<int> failedAddresses() const { return m_failedAddresses; }
    // The row count of the parameter sheet (0 when it was not read).
    int rowCount() const { return m_rowCount; }
    // For a run that ended before its last row (NoAnswer, LinkLost, Cancelled,
    // Stopped): the first row not done; rows 2 up to the one before it are done.
    // 0 for a run that went through.
    int firstRowNotDone() const { return m_firstRowNotDone; }

public slots:
    // Ends the running import or export before its next row.
    void cancel();

signals:
    void ShowMaxnRowssignal(int rows);
    // Progress of the row loop of an export (each row read) or an import (each
    // row written or passed over): row 2..rows.
    void rowProcessed(int row, int rows);
    // A run entered a phase.
    void phaseChanged(int phase);
    // Progress within the phase: done of total rows.
    void progress(int phase, int done, int total);
    // The bar of an import (import, compare) or an export: its range at the
    // start of a pass, then its value as the rows go.
    void barRange(ExelToWrite::Bar bar, int minimum, int maximum);
    void barValue(ExelToWrite::Bar bar, int value);
    // A run failed before its rows (lastError and lastErrorText say the same);
    // the window shows text in its error popup. Also in the log.
    void errorReported(const QString &text);

private:
    // Block reads of one pass over rows: the plan and what was read.
    struct BlockPass
    {
        QVector<ReadBlock> blocks;
        QVector<int> blockOf; // span -> block
        QVector<quint8> state; // per block: 0 not read, 1 read, 2 failed
        QVector<quint16> buffer; // registers of the last block read
        int bufferBlock = -1;
        QVector<int> spanStart; // per span: address and count
        QVector<int> spanCount;
    };

    void startRun();
    int openParameterSheet(XlsxWorkbook &workbook, const QString &path, XlsxSheet **sheet, int *rows);
    int reportError(int code, const char *errorName, const QString &text, const QString &detail = QString());
    void runFileWork(const std::function<void()> &work);
    int judgeTransaction(int result, int row, int address);
    void noteFailure(int address);
    void settleSilentRows();
    void keepEventsFlowing(int row);
    void enterPhase(int phase, int total);
    void beginLink(QModbusClient *client);
    bool linkStopped() const;
    int prepareRequest(int row);
    void planPass(BlockPass &pass, const QVector<int> &starts, const QVector<int> &counts) const;
    int readSpan(BlockPass &pass, int span, int row, TransactionResult *result, quint32 *value);
    int readSheetRows(const QString &path, ImportSheet *sheet);
    int runImport(const ImportSheet &sheet, QModbusClient *client);
    int readDevice(const ImportSheet &sheet, QVector<qint8> *known, QVector<quint32> *device);
    int writeRows(const ImportSheet &sheet, const QVector<qint8> &known, const QVector<quint32> &device,
        QVector<int> *written);
    int writeRow(const ImportSheet &sheet, int index, bool oldKnown, quint32 oldValue, QVector<int> *written);
    int writeLastRows(const ImportSheet &sheet, const QVector<qint8> &known, const QVector<quint32> &device);
    bool reviewPlannedWrites(
        const ImportSheet &sheet, const QVector<qint8> &known, const QVector<quint32> &device);
    int verifyRows(const ImportSheet &sheet, const QVector<int> &written);
    void noteWrite(const SheetRow &row, int index, bool oldKnown, quint32 oldValue, TransactionResult result);
    void collectDeviceRows(
        const ImportSheet &sheet, const QVector<qint8> &known, const QVector<quint32> &device);
    int readParameterSetRows(QModbusClient *client);
    int readCatalogueRows();

    QString m_lastError;
    QString m_lastErrorText;
    QString m_lastErrorDetail;
    int m_failedRows = 0;
    int m_transferredRows = 0;
    int m_skippedRows = 0;
    int m_unconfirmedWrites = 0;
    QVector<int> m_failedAddresses;
    int m_rowCount = 0;
    int m_firstRowNotDone = 0;
    int m_unchangedRows = 0;
    int m_verifiedRows = 0;
    int m_mismatchedRows = 0;
    QVector<int> m_mismatchedAddresses;
    QVector<RowDifference> m_differences;
    QVector<DeviceRow> m_deviceRows;
    QVector<RowWrite> m_writes;
    QHash<int, int> m_writeOfRow; // sheet row index -> its entry in m_writes
    QVector<int> m_lastRows; // sheet row indexes written last, not read back (reviewWrites)
    int m_phase = Reading;
    int m_readRequests = 0;
    bool m_cancelRequested = false;
    bool m_running = false;
    // Rows without an answer since the last answer: their first row and addresses.
    int m_silentRows = 0;
    int m_firstSilentRow = 0;
    QVector<int> m_silentAddresses;

    LinkTarget runTarget(QModbusClient *client) const;
    LinkTarget m_target;
    bool m_ownTarget = false;
    // The link of the running run and a guard of its client.
    LinkTarget m_link;
    QPointer<QModbusClient> m_liveClient;
};
