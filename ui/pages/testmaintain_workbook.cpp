// Workbook import and export of the test and maintenance page.

#include "ui/pages/testmaintain.h"

#include "link/linksession.h"
#include "params/appstate.h"
#include "params/logcategories.h"
#include "ui/dialogs/comparedialog.h"
#include "ui/dialogs/popups.h"
#include "ui/pages/importlinkcheck.h"
#include "ui_testmaintain.h"
#include "workbook/exceltowrite.h"
#include "workbook/historyrecorder.h"
#include "workbook/parameterworkbook.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QProgressBar>
#include <QSettings>

namespace {

void prepareBar(QProgressBar *bar)
{
    bar->setFormat(QStringLiteral("%p%"));
    bar->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    bar->setStyleSheet(QStringLiteral("QProgressBar{ color: orange;}"));
}

QString folderLink(const QString &path, const QString &caption)
{
    const QString folder = path.left(path.lastIndexOf(QLatin1Char('/')));
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(folder, caption + path);
}

QString popupText(const char *text) { return QCoreApplication::translate("QObject", text); }

// "204, 206, 1064", with an ellipsis when more rows failed than were kept.
QString addressList(const QVector<int> &addresses, int failedRows)
{
    QStringList parts;
    for (const int address : addresses)
        parts << QString::number(address);
    if (failedRows > addresses.size())
        parts << QStringLiteral("…");
    return parts.join(QStringLiteral(", "));
}

// Settings key of the folder of the last workbook exported or imported.
const char lastFolderKey[] = "Workbook/LastFolder";

// Where the workbook dialogs start: the folder of the last workbook, the first
// time (or when that folder is gone) the data folder's Export/.
QString lastWorkbookFolder()
{
    const QSettings settings(settingsFilePath(), QSettings::IniFormat);
    const QString folder = settings.value(QLatin1String(lastFolderKey)).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    QDir().mkpath(exportDirectory());
    return exportDirectory();
}

void rememberWorkbookFolder(const QString &path)
{
    const QString settingsPath = settingsFilePath();
    if (!QDir().mkpath(QFileInfo(settingsPath).absolutePath()))
        return;
    QSettings settings(settingsPath, QSettings::IniFormat);
    settings.setValue(QLatin1String(lastFolderKey), QFileInfo(path).absolutePath());
}

// The writes a stalled import sent without an answer: the device may hold them.
QString unconfirmedText(int writes)
{
    if (writes <= 0)
        return QString();
    return QLatin1Char('\n')
        + TestMaintain::tr("Writes sent without an answer: %1 (the device may have applied them).")
              .arg(writes);
}

} // namespace

QString TestMaintain::exportFileSuggestion(const QString &serial, const QDateTime &when)
{
    QString name = QStringLiteral("KTT-Q4_");
    // A serial number with unreadable characters ("?") is not known yet.
    if (!serial.isEmpty() && !serial.contains(QLatin1Char('?'))) {
        for (const QChar c : serial)
            name += c.isLetterOrNumber() || c == QLatin1Char('-') ? c : QLatin1Char('_');
        name += QLatin1Char('_');
    }
    return name + when.toString(QStringLiteral("yyyyMMdd-HHmm")) + QStringLiteral(".xlsx");
}

QString TestMaintain::chooseWorkbook()
{
    // Only .xlsx workbooks can be read; a legacy .xls must be saved as .xlsx first.
    const QString path = askImportPath
        ? askImportPath()
        : QFileDialog::getOpenFileName(nullptr, tr("Select File"), lastWorkbookFolder(),
            tr("Excel Files (*.xlsx)") + QStringLiteral(";;") + tr("All Files (*)"));
    if (!path.isEmpty())
        rememberWorkbookFolder(path);
    return path;
}

QString TestMaintain::chooseExportPath()
{
    const QString suggested = lastWorkbookFolder() + QLatin1Char('/')
        + exportFileSuggestion(deviceSerialText(), QDateTime::currentDateTime());
    if (askExportPath)
        return askExportPath(suggested);
    // The dialog asks before it lets an existing file be replaced.
    QFileDialog dialog(this, tr("Export Workbook"), suggested, tr("Excel Files (*.xlsx)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

ExelToWrite *TestMaintain::workbookWorker()
{
    if (!excelWorker)
        excelWorker = new ExelToWrite(this);
    // The worker shows nothing itself: its bars and its error popup are the page's.
    connect(
        excelWorker, &ExelToWrite::barRange, this, &TestMaintain::setWorkbookBarRange, Qt::UniqueConnection);
    connect(
        excelWorker, &ExelToWrite::barValue, this, &TestMaintain::setWorkbookBarValue, Qt::UniqueConnection);
    connect(excelWorker, &ExelToWrite::errorReported, this, &TestMaintain::showWorkbookError,
        Qt::UniqueConnection);
    return excelWorker;
}

QProgressBar *TestMaintain::workbookBar(ExelToWrite::Bar bar) const
{
    return bar == ExelToWrite::Bar::Export ? ui->Export_progressBar : ui->Import_progressBar;
}

void TestMaintain::setWorkbookBarRange(ExelToWrite::Bar bar, int minimum, int maximum)
{
    workbookBar(bar)->setRange(minimum, maximum);
}

void TestMaintain::setWorkbookBarValue(ExelToWrite::Bar bar, int value) { workbookBar(bar)->setValue(value); }

void TestMaintain::showWorkbookError(const QString &text)
{
    showNoticeDialog(ExelToWrite::tr("error"), text, NoticeKind::Failure);
}

void TestMaintain::prepareImportDisplay()
{
    workbookWorker();
    prepareBar(ui->Import_progressBar);
    ui->Import_label->show();
    ui->Import_progressBar->show();
    ui->Btn_ImportCancel->show();
    excelWorker->backgroundFileWork = true;
    ui->label_importPath->clear();
    ui->label_importResult->clear();
    // The label says which phase runs.
    connect(excelWorker, &ExelToWrite::phaseChanged, this, [this](int phase) {
        switch (phase) {
        case ExelToWrite::Writing:
            ui->Import_label->setText(tr("Writing..."));
            break;
        case ExelToWrite::Verifying:
            ui->Import_label->setText(tr("Verifying..."));
            break;
        default:
            ui->Import_label->setText(tr("Reading the device..."));
        }
    });
}

void TestMaintain::endImportDisplay()
{
    disconnect(excelWorker, &ExelToWrite::phaseChanged, this, nullptr);
    ui->Btn_ImportCancel->hide();
    ui->Import_label->hide();
    ui->Import_label->setText(tr("Importing..."));
    ui->Import_progressBar->hide();
}

void TestMaintain::showImportCounts()
{
    ui->label_importResult->setText(
        tr("Written: %1, unchanged: %2, failed: %3, invalid: %4; verified: %5, mismatched: %6.")
            .arg(excelWorker->transferredRows())
            .arg(excelWorker->unchangedRows())
            .arg(excelWorker->failedRows())
            .arg(excelWorker->skippedRows())
            .arg(excelWorker->verifiedRows())
            .arg(excelWorker->mismatchedRows()));
}

void TestMaintain::on_But_Import_clicked()
{
    if (!importIdle)
        return;
    if (!exportIdle) {
        // One workbook run at a time: the export's row loop is still going.
        qCDebug(lcWorkbook) << "export running, import refused";
        return;
    }
    importIdle = false;
    workbookWorker();
    const QString path = chooseWorkbook();
    if (!path.isEmpty())
        runImport(path);
    importIdle = true;
}

void TestMaintain::runImport(const QString &path, const ImportSheet *version, const QString &versionName)
{
    prepareImportDisplay();
    qCDebug(lcWorkbook).noquote() << "import from" << (version ? versionName : path);
    showTipsDialog(tr("Tip"), popupText("Start Importing!"), 0);
    HistoryRecorder history(historyFolder());
    readRunSerial(history);
    // Rows that change the link in use are asked about first and written last.
    ImportLinkCheck linkCheck;
    excelWorker->reviewWrites = [&linkCheck, this](const QVector<PlannedWrite> &planned) {
        return linkCheck.review(planned, this);
    };
    const int result = version ? excelWorker->importSheet(*version, linkSession().modbusClient)
                               : excelWorker->importWorkbook(path, linkSession().modbusClient);
    excelWorker->reviewWrites = nullptr;
    const bool verifying = excelWorker->lastPhase() == ExelToWrite::Verifying;
    LinkParameters nextLink;
    const bool relink = linkCheck.nextLink(excelWorker->writes(), &nextLink);
    endImportDisplay();
    recordRun(history, version ? HistorySource::Restore : HistorySource::Import,
        version ? versionName : QFileInfo(path).fileName(), result);

    const int written = excelWorker->transferredRows();
    const int lastRow = excelWorker->rowCount();
    const int firstNotDone = excelWorker->firstRowNotDone();
    if (result == ExelToWrite::Done || result == ExelToWrite::RowsFailed || result == ExelToWrite::Cancelled
        || result == ExelToWrite::NoAnswer || result == ExelToWrite::LinkLost)
        showImportCounts();
    const QString counts = ui->label_importResult->text();
    switch (result) {
    case ExelToWrite::Done:
        if (!version)
            ui->label_importPath->setText(folderLink(path, tr("Import Path>>>")));
        showTipsDialog(tr("Tip"), popupText("Import Successful!"), 1);
        break;
    case ExelToWrite::RowsFailed: {
        if (!version)
            ui->label_importPath->setText(folderLink(path, tr("Import Path>>>")));
        QString message;
        if (excelWorker->failedRows() > 0)
            message = tr("Import finished. Rows written: %1, failed: %2 (first failed addresses: %3).")
                          .arg(written)
                          .arg(excelWorker->failedRows())
                          .arg(addressList(excelWorker->failedAddresses(), excelWorker->failedRows()));
        if (excelWorker->mismatchedRows() > 0) {
            if (!message.isEmpty())
                message += QLatin1Char('\n');
            message
                += tr("Rows that read back differently: %1 (first addresses: %2).")
                       .arg(excelWorker->mismatchedRows())
                       .arg(addressList(excelWorker->mismatchedAddresses(), excelWorker->mismatchedRows()));
        }
        showNoticeDialog(tr("Tip"), message + QLatin1Char('\n') + counts, NoticeKind::Failure);
        break;
    }
    case ExelToWrite::Cancelled:
        showNoticeDialog(tr("Tip"),
            tr("Import cancelled. Rows written before it stopped: %1.").arg(written) + QLatin1Char('\n')
                + counts,
            NoticeKind::Information);
        break;
    case ExelToWrite::NoAnswer:
        showNoticeDialog(tr("Tip"),
            (verifying ? tr("Import stopped while reading back: the device did not answer. Rows written: %1.")
                             .arg(written)
                       : tr("Import stopped: the device did not answer. Rows written: %1; rows %2 to %3 were "
                            "not imported.")
                             .arg(written)
                             .arg(firstNotDone)
                             .arg(lastRow))
                + unconfirmedText(excelWorker->unconfirmedWrites()) + QLatin1Char('\n') + counts,
            NoticeKind::Failure);
        break;
    case ExelToWrite::LinkLost:
        showNoticeDialog(tr("Tip"),
            (verifying ? tr("Import stopped while reading back: the link is gone. Rows written: %1.")
                             .arg(written)
                       : tr("Import stopped: the link is gone. Rows written: %1; rows %2 to %3 were not "
                            "imported.")
                             .arg(written)
                             .arg(firstNotDone)
                             .arg(lastRow))
                + QLatin1Char('\n') + counts,
            NoticeKind::Failure);
        break;
    case ExelToWrite::Stopped:
    case ExelToWrite::Declined:
        break;
    default:
        showTipsDialog(tr("Tip"), popupText("Import Failed!"), 1);
    }
    showHistoryProblem(history);
    if (relink)
        emit ownLinkChanged(nextLink);
}

void TestMaintain::on_Btn_Compare_clicked()
{
    if (!importIdle || !exportIdle)
        return;
    importIdle = false;
    workbookWorker();
    const QString path = chooseWorkbook();
    if (path.isEmpty()) {
        importIdle = true;
        return;
    }
    prepareImportDisplay();
    HistoryRecorder history(historyFolder());
    readRunSerial(history);
    const int result = excelWorker->compareWorkbook(path, linkSession().modbusClient);
    endImportDisplay();
    recordRun(history, HistorySource::Diff, QFileInfo(path).fileName(), result);
    bool importNow = false;
    switch (result) {
    case ExelToWrite::Done: {
        CompareDialog dialog(this);
        dialog.setDifferences(path, excelWorker->differences(), excelWorker->unchangedRows());
        importNow = dialog.exec() == QDialog::Accepted;
        break;
    }
    case ExelToWrite::Cancelled:
    case ExelToWrite::Stopped:
        break;
    case ExelToWrite::NoAnswer:
        showNoticeDialog(tr("Tip"), tr("Compare failed: the device did not answer."), NoticeKind::Failure);
        break;
    case ExelToWrite::LinkLost:
        showNoticeDialog(tr("Tip"), tr("Compare failed: the link is gone."), NoticeKind::Failure);
        break;
    default:
        // The worker has shown what was wrong with the file.
        showNoticeDialog(tr("Tip"), tr("Compare failed."), NoticeKind::Failure);
    }
    // An import that goes on says so itself if the history is still not recorded.
    if (importNow)
        runImport(path);
    else
        showHistoryProblem(history);
    importIdle = true;
}

void TestMaintain::on_Btu_Export_clicked()
{
    if (!exportIdle)
        return;
    if (!importIdle) {
        qCDebug(lcWorkbook) << "import running, export refused";
        return;
    }
    exportIdle = false;
    // Each export goes where the user says: backing up a second device does
    // not replace the first one's file.
    const QString newFileName = chooseExportPath();
    if (newFileName.isEmpty()) {
        exportIdle = true;
        return;
    }
    rememberWorkbookFolder(newFileName);
    workbookWorker();

    const int exportLanguage = programContext.language;
    const QString fileName = templateDirectory() + QLatin1Char('/') + templateFileName(exportLanguage);

    prepareBar(ui->Export_progressBar);
    ui->Export_label->show();
    ui->Export_progressBar->show();
    ui->Btn_ExportCancel->show();
    excelWorker->backgroundFileWork = true;
    ui->Ex_Path_label->clear();

    qCDebug(lcWorkbook).noquote() << "export from" << fileName << "to" << newFileName;
    showTipsDialog(tr("Tip"), popupText("Start Exporting!"), 0);
    HistoryRecorder history(historyFolder());
    readRunSerial(history);
    // The previous export file is replaced only by a complete new one.
    const int result = excelWorker->exportToFile(fileName, newFileName, linkSession().modbusClient, exportLanguage);
    recordRun(history, HistorySource::Export, QFileInfo(newFileName).fileName(), result);
    ui->Btn_ExportCancel->hide();

    switch (result) {
    case ExelToWrite::Done:
        ui->Ex_Path_label->setText(folderLink(newFileName, tr("Export Path>>>")));
        showTipsDialog(tr("Tip"), popupText("Export Successful!"), 1);
        break;
    case ExelToWrite::RowsFailed:
        // The file was written, with the failure marker in the rows that could not be read.
        ui->Ex_Path_label->setText(folderLink(newFileName, tr("Export Path>>>")));
        showNoticeDialog(tr("Tip"),
            tr("Export finished. Rows that could not be read: %1 (marked 88020200 in the file).")
                .arg(excelWorker->failedRows()),
            NoticeKind::Failure);
        break;
    case ExelToWrite::Cancelled:
        showNoticeDialog(
            tr("Tip"), tr("Export cancelled. The export file was left as it was."), NoticeKind::Information);
        break;
    case ExelToWrite::Stopped:
        break;
    default:
        showTipsDialog(tr("Tip"), popupText("Export Failed!"), 1);
    }
    ui->Export_label->hide();
    ui->Export_progressBar->hide();
    showHistoryProblem(history);
    exportIdle = true;
}

void TestMaintain::on_Btn_ImportCancel_clicked()
{
    if (excelWorker)
        excelWorker->cancel();
}

void TestMaintain::on_Btn_ExportCancel_clicked()
{
    if (excelWorker)
        excelWorker->cancel();
}


void TestMaintain::cancelWorkbookRun()
{
    if (excelWorker)
        excelWorker->cancel();
}
