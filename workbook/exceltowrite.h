#pragma once

// The worker of the parameter workbook: the import and export row loops over a
// workbook file, with the page's progress bars.

#include "link/transactions.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class QModbusClient;
class QProgressBar;
class XlsxSheet;
class XlsxWorkbook;

// Page-side guards, true while no import (export) runs. A run of either kind
// also refuses to start while the other one runs.
extern bool importIdle;
extern bool exportIdle;

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
    };

    // Rows in a row without an answer that end a run.
    static constexpr int MaxSilentRows = 5;
    // How many failed register addresses a run keeps for its report.
    static constexpr int ReportedAddresses = 10;

    explicit ExelToWrite(QObject *parent = nullptr);

    // Writes the value column of the workbook at path into the device.
    int importWorkbook(const QString &path, QModbusClient *client);
    // Fills the value column of the workbook at path from the device and saves it.
    int exportWorkbook(const QString &path, QModbusClient *client, int language);
    // The export into target, made from the template: a copy of the template
    // beside target is filled and renamed over target only when the run ends
    // with a complete file (Done, or RowsFailed with the failure marker in the
    // rows that could not be read). Any other end leaves target as it was and
    // removes the copy. The folder of target is created when missing.
    int exportToFile(const QString &templatePath, const QString &target, QModbusClient *client, int language);

    // The page's bars, set before each run (may stay null).
    QProgressBar *importBar = nullptr;
    QProgressBar *exportBar = nullptr;
    // False for runs without a window: failures go to the log and lastError only.
    bool showPopups = true;
    // Reads, parses and saves the workbook file on a thread of its own while the
    // calling thread keeps processing its events (the window's runs); the rows
    // and the device transactions stay on the calling thread. Off: everything
    // on the calling thread.
    bool backgroundFileWork = false;

    // A link of the run's own (e.g. one of several devices served at once from
    // worker threads): the rows go to it, and the process's poll flags
    // (pollBusy) are left alone; linkSuspended applies only if the target says
    // so. Without one, the rows go to the client the run is given, with the
    // process's server address and word order.
    void setLinkTarget(const LinkTarget &target)
    {
        m_target = target;
        m_ownTarget = true;
    }

    bool isRunning() const { return m_running; }

    // Outcome details of the last run.
    QString lastError() const { return m_lastError; } // "error1".."error5", empty when none
    QString lastErrorDetail() const { return m_lastErrorDetail; } // the reader's reason, if any
    int failedRows() const { return m_failedRows; }
    int transferredRows() const { return m_transferredRows; }
    int skippedRows() const { return m_skippedRows; }
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
    // Progress of the row loop (row 2..rows).
    void rowProcessed(int row, int rows);

private:
    void startRun();
    int openParameterSheet(XlsxWorkbook &workbook, const QString &path, XlsxSheet **sheet, int *rows);
    int reportError(int code, const char *errorName, const QString &detail = QString());
    void runFileWork(const std::function<void()> &work);
    int judgeTransaction(int result, int row, int address);
    void noteFailure(int address);
    void settleSilentRows();
    void keepEventsFlowing(int row);

    QString m_lastError;
    QString m_lastErrorDetail;
    int m_failedRows = 0;
    int m_transferredRows = 0;
    int m_skippedRows = 0;
    QVector<int> m_failedAddresses;
    int m_rowCount = 0;
    int m_firstRowNotDone = 0;
    bool m_cancelRequested = false;
    bool m_running = false;
    // Rows without an answer since the last answer: their first row and addresses.
    int m_silentRows = 0;
    int m_firstSilentRow = 0;
    QVector<int> m_silentAddresses;

    LinkTarget runTarget(QModbusClient *client) const;
    LinkTarget m_target;
    bool m_ownTarget = false;
};
