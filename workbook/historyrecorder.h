#pragma once

// Recording what a run did to a device into the configuration history
// (historystore.h): the run's writes as audit lines, then the device's
// parameter set as the run read it as a version, under the device's serial
// number. Every run that reads or writes a device's parameter set records
// through here: the command-line export, import, diff, clone, restore and
// backup, and the window's export, import, comparison and restore.
//
// The history never costs the run its result: a run records after its own
// work, and a failure here only gives a text naming the history problem.
//
// One recorder per run and thread (it owns its store handle).

#include "link/linkparameters.h"
#include "link/transactions.h"
#include "workbook/historystore.h"

#include <QCoreApplication>
#include <QString>

class ExelToWrite;
class QModbusClient;

// What a recorded run was.
enum class HistorySource { Export, Import, Diff, Clone, Restore, Backup };

// The store of a run: the given folder, else the saved history folder
// (savedHistoryFolder), else History/ in the data folder.
QString historyFolderFor(const QString &given);
// The history folder saved in the settings file; empty when none is saved.
QString savedHistoryFolder();
// Saves the history folder (empty: back to the default). False when the
// settings file cannot be written.
bool saveHistoryFolder(const QString &folder);

// "127.0.0.1:502 address 1", "/dev/ttyUSB0 address 3": the link of a version's message.
QString historyLinkText(const LinkParameters &link);
// The English name of the parameter catalogue's row at address with count
// registers; empty when the catalogue has none.
QString catalogueName(int address, int count);
// The audit result of a write's transaction: "ok", "refused", "no answer", "no connection".
QString historyResultText(TransactionResult result);

class HistoryRecorder
{
    Q_DECLARE_TR_FUNCTIONS(HistoryRecorder)
public:
    explicit HistoryRecorder(const QString &folder);

    HistoryStore &store() { return historyStore; }

    // Reads the device's serial number (the identity group) through target, at
    // the start of a run. False when it cannot be read or holds characters
    // that are not printable (then nothing can be recorded: error() says why).
    bool readSerial(const LinkTarget &target);
    QString serial() const { return deviceSerial; }
    void setSerial(const QString &serial) { deviceSerial = serial; }

    // Records a run of worker over the link via (historyLinkText): its writes
    // as audit lines (source import, clone or restore), then the device's rows
    // as a version, when either changed. subject is the workbook's file name
    // (import, diff, clone) or the version restored. finished: the run went
    // through; then the catalogue rows it did not read are read through client
    // first, so that the version holds the whole parameter set. A run that
    // ended early records only when it wrote something, with the rows it read.
    // False with error() when the history could not be recorded.
    bool record(HistorySource source, ExelToWrite &worker, QModbusClient *client, const QString &subject,
        const QString &via, bool finished);

    // True when the run of worker that ended with result tried every row: it
    // went through (Done, RowsFailed), or an export read every row but could
    // not save its file (the history keeps what it read).
    static bool wentThrough(int result, const ExelToWrite &worker);

    // The outcome of the last record (Unchanged also when there was nothing to record).
    const HistoryRecord &lastRecord() const { return recorded; }
    // The rows of the last version recorded (parameters.csv's lines).
    int recordedRows() const { return rowsRecorded; }
    // "history not recorded: <reason>", in the user's language; empty when it was.
    QString error() const { return problem; }
    // The reason alone.
    QString reason() const { return problemReason; }

    // The version's rows from the device rows of a run (English names, values
    // as the workbook holds them, each row once); unread counts the rows that
    // could not be read.
    static QVector<HistoryRow> versionRows(const ExelToWrite &worker, int *unread);
    // The run's writes as audit lines of source.
    static QVector<HistoryAuditEntry> auditEntries(const ExelToWrite &worker, HistorySource source);
    // The version's message: "export via 127.0.0.1:502 address 1: 241 rows",
    // "import of site-a.xlsx via ...: 4 written, 4 verified", "diff with
    // site-a.xlsx via ...: 2 rows differ", "restore of 4df170ce92 via ...: ...".
    static QString message(HistorySource source, const ExelToWrite &worker, const QString &subject,
        const QString &via, int rows, bool finished);

private:
    bool fail(const QString &reason);

    HistoryStore historyStore;
    QString deviceSerial;
    HistoryRecord recorded;
    int rowsRecorded = 0;
    QString problem;
    QString problemReason;
};
