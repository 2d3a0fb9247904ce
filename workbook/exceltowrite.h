#pragma once

// The worker of the parameter workbook: the import and export row loops over a
// workbook file, with the page's progress bars.

#include <QObject>
#include <QString>

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
        OpenFailed = -1, // "error1" missing file, "error2" unreadable workbook
        NoSheets = -3, // "error3"
        NoParameterSheet = -4, // "error4"
        NoRows = -5, // "error5"
        RowsFailed = -6, // device transactions of some rows failed
        SaveFailed = -7, // the export file could not be written
    };

    explicit ExelToWrite(QObject *parent = nullptr);

    // Writes the value column of the workbook at path into the device.
    int importWorkbook(const QString &path, QModbusClient *client);
    // Fills the value column of the workbook at path from the device and saves it.
    int exportWorkbook(const QString &path, QModbusClient *client, int language);

    // The page's bars, set before each run (may stay null).
    QProgressBar *importBar = nullptr;
    QProgressBar *exportBar = nullptr;
    // False for runs without a window: failures go to the log and lastError only.
    bool showPopups = true;

    // Outcome details of the last run.
    QString lastError() const { return m_lastError; } // "error1".."error5", empty when none
    int failedRows() const { return m_failedRows; }
    int transferredRows() const { return m_transferredRows; }
    int skippedRows() const { return m_skippedRows; }

signals:
    void ShowMaxnRowssignal(int rows);
    // Progress of the row loop (row 2..rows).
    void rowProcessed(int row, int rows);

private:
    int openParameterSheet(XlsxWorkbook &workbook, const QString &path, XlsxSheet **sheet, int *rows);
    int reportError(int code, const char *errorName);

    QString m_lastError;
    int m_failedRows = 0;
    int m_transferredRows = 0;
    int m_skippedRows = 0;
};
