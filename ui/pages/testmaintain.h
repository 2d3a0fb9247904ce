#pragma once

#include "link/linkparameters.h"
#include "ui/pages/parampage.h"
#include "workbook/exceltowrite.h"

#include <QString>

#include <functional>

class QComboBox;
class QDateTime;
class QModbusClient;
class QProgressBar;

namespace Ui {
class TestMaintain;
}

class HistoryRecorder;
class HistoryWindow;
struct ImportSheet;
enum class HistorySource;

// What the test and maintenance page last drew; kept for the whole run (not
// reset when the page is hidden), so an unforced redraw touches only what the
// device changed.
struct MaintainDisplayCache
{
    int systemSwitch = -1;
    int channelMode = -1;
    QString mac;
    QString serial;
    qint64 softwareVersion = -1;
    qint64 compileDate = -1;
    qint64 mvCoefficients[4] = {-1, -1, -1, -1};
    qint64 combinedCoefficient = -1;
    int channelField = -1;
};

// Device identity, parameter resets behind the password, channel mode and
// channel fields, and the workbook import and export.
class TestMaintain : public ParamPage
{
    Q_OBJECT

public:
    explicit TestMaintain(QWidget *parent = nullptr);
    ~TestMaintain() override;

    void showPage() override;
    void refresh(bool forced) override;

    Ui::TestMaintain *form() const { return ui; }

    // Display texts of the identity values.
    static QString macText(const int bytes[6]);
    // The serial number text of the device copy, as the page shows it
    // (serialNumberText, params/encoding.h).
    static QString deviceSerialText();
    // Suggested name of a new export: "KTT-Q4_<serial>_<yyyyMMdd-HHmm>.xlsx", or
    // without the serial part when the serial number is not known.
    static QString exportFileSuggestion(const QString &serial, const QDateTime &when);
    // The channel field word with channel's 4-bit field switched on (15) or off.
    static int channelFieldWord(int word, int channel, bool on);

    // Set by a correct password; the main window clears it when it shows another page.
    bool passwordAccepted = false;
    int basicResetChannel = 0;
    int calResetChannel = 0;
    int analogResetChannel = 0;

    ExelToWrite *excelWorker = nullptr;
    // excelWorker, made on first use, its bars and error popup shown by the page.
    ExelToWrite *workbookWorker();
    // True while a workbook import, export or compare runs.
    bool workbookRunGoing() const { return !importIdle || !exportIdle; }
    // Ends a running workbook run before its next row (as its Cancel button).
    void cancelWorkbookRun();
    // True while no import (or compare) of the page runs, and no export; a run
    // of either kind refuses to start while the other one runs.
    bool importIdle = true;
    bool exportIdle = true;
    // Asks where an export goes, given the suggested path; an empty answer
    // cancels. When unset, a save dialog asks (and confirms replacing a file).
    std::function<QString(const QString &suggestedPath)> askExportPath;
    // Asks which workbook to import or compare; an empty answer cancels. When
    // unset, an open dialog asks.
    std::function<QString()> askImportPath;

    // The history folder the command line gives (--history-dir); empty: the
    // saved one, else History/ in the data folder.
    void setHistoryFolderArgument(const QString &folder) { historyFolderArgument = folder; }
    QString historyFolder() const;
    // The History window (null before Btn_History was pressed).
    HistoryWindow *historyWindow() const { return history; }

signals:
    // An import wrote settings of the port or interface the link runs through,
    // with the user's consent: the link is to be made again with these parameters.
    void ownLinkChanged(const LinkParameters &link);
    // A reset of the interface settings left the device silent on the link in
    // use: the window goes back to the connection page.
    void linkSettingsReset();

private slots:
    void on_Btn_ResetALL_clicked();
    void on_Btn_ResetData_trans_clicked();
    void on_Btn_ResetAPP_clicked();
    void on_Btn_Resetbasic_clicked();
    void on_Btn_ResetCAL_clicked();
    void on_Btn_Resetanalog_clicked();
    void on_BoxBasicChannel_currentIndexChanged(int index);
    void on_BoxCALChannel_currentIndexChanged(int index);
    void on_BoxAnalogChannel_currentIndexChanged(int index);
    // Workbook import and export (pages/testmaintain_workbook.cpp).
    void on_But_Import_clicked();
    void on_Btu_Export_clicked();
    // Cancel of a running import or export: the run ends before its next row.
    void on_Btn_ImportCancel_clicked();
    void on_Btn_ExportCancel_clicked();
    // Lists the rows of a chosen workbook that differ from the device; its
    // dialog can go on with the import of that workbook.
    void on_Btn_Compare_clicked();
    // The configuration history of the connected device (pages/testmaintain_history.cpp).
    void on_Btn_History_clicked();

private:
    MaintainDisplayCache maintainCache;
    // The first channel-mode display of the page has been done.
    bool channelModeSeen = false;

    enum ResetKind { ResetAll, ResetDataTrans, ResetApplication, ResetBasic, ResetCal, ResetAnalog };
    void runReset(ResetKind kind);
    // After a reset of the interfaces: true when the device answers on the link in use again.
    bool interfacesStillAnswer();
    void channelCommit(QComboBox *combo, int index);
    void drawChannelMode(bool forced);
    static void clearInputOutputFunctions();
    // Workbook runs of the import tab (pages/testmaintain_workbook.cpp).
    QString chooseWorkbook();
    QString chooseExportPath();
    void prepareImportDisplay();
    QProgressBar *workbookBar(ExelToWrite::Bar bar) const;
    void setWorkbookBarRange(ExelToWrite::Bar bar, int minimum, int maximum);
    void setWorkbookBarValue(ExelToWrite::Bar bar, int value);
    void showWorkbookError(const QString &text);
    void endImportDisplay();
    // Imports the workbook at path, or the rows of a version of the history
    // (version, named versionName in the history) into the device.
    void runImport(
        const QString &path, const ImportSheet *version = nullptr, const QString &versionName = QString());
    void showImportCounts();
    // The history of the page's runs (pages/testmaintain_history.cpp): the
    // serial number read at the start of a run, the run recorded after it,
    // and its problem shown after the run's own result.
    void readRunSerial(HistoryRecorder &recorder);
    void recordRun(HistoryRecorder &recorder, HistorySource source, const QString &subject, int result);
    static void showHistoryProblem(const HistoryRecorder &recorder);
    void restoreVersion(const QString &serial, const QString &versionId);

    Ui::TestMaintain *ui;
    QModbusClient *client = nullptr;
    int language = 0;
    QString historyFolderArgument;
    HistoryWindow *history = nullptr;
};
