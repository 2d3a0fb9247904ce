// The configuration history of the test and maintenance page: the page's
// workbook runs recorded into it, the History window, and the restore of a
// version through the Compare dialog.

#include "ui/pages/testmaintain.h"

#include "link/linksession.h"
#include "link/transactions.h"
#include "ui/dialogs/comparedialog.h"
#include "ui/dialogs/historywindow.h"
#include "ui/dialogs/popups.h"
#include "workbook/exceltowrite.h"
#include "workbook/historyrecorder.h"
#include "workbook/versionsheet.h"

namespace {

// The link of the page's runs, as the versions' messages name it.
LinkParameters pageLink()
{
    LinkParameters link = linkSession().appliedLink;
    link.serverAddress = linkSession().currentServerAddress;
    return link;
}

} // namespace

QString TestMaintain::historyFolder() const { return historyFolderFor(historyFolderArgument); }

void TestMaintain::readRunSerial(HistoryRecorder &recorder)
{
    // No poll tick starts while the page reads.
    const LinkHold hold(linkSession());
    recorder.readSerial(processLinkTarget(linkSession().modbusClient, linkSession().appliedLink));
}

void TestMaintain::recordRun(
    HistoryRecorder &recorder, HistorySource source, const QString &subject, int result)
{
    if (!excelWorker)
        return;
    recorder.record(source, *excelWorker, linkSession().modbusClient, subject, historyLinkText(pageLink()),
        HistoryRecorder::wentThrough(result, *excelWorker));
    if (history && history->isVisible() && recorder.error().isEmpty())
        history->reload();
}

void TestMaintain::showHistoryProblem(const HistoryRecorder &recorder)
{
    if (!recorder.error().isEmpty())
        showNoticeDialog(tr("Tip"), recorder.error(), NoticeKind::Failure);
}

void TestMaintain::on_Btn_History_clicked()
{
    if (!history) {
        history = new HistoryWindow(historyFolder(), !historyFolderArgument.isEmpty(), this);
        connect(history, &HistoryWindow::restoreRequested, this, &TestMaintain::restoreVersion);
    }
    // The device on the link now, read afresh; while a workbook run uses the
    // link, the serial number the page shows.
    if (!linkSession().modbusClient) {
        history->showDevice(QString(), tr("No device is connected."));
    } else if (importIdle && exportIdle) {
        HistoryRecorder device(historyFolder());
        readRunSerial(device);
        history->showDevice(device.serial(), device.reason());
    } else {
        const QString shown = deviceSerialText();
        history->showDevice(shown.contains(QLatin1Char('?')) ? QString() : shown);
    }
    history->show();
    history->raise();
    history->activateWindow();
}

void TestMaintain::restoreVersion(const QString &serial, const QString &versionId)
{
    if (!importIdle || !exportIdle)
        return;
    const QString version = versionId.left(10);
    QVector<HistoryRow> rows;
    QString error;
    if (!HistoryStore(historyFolder()).parametersAt(serial, versionId, &rows, &error)) {
        showNoticeDialog(tr("Tip"), error, NoticeKind::Failure);
        return;
    }
    // Only into the device the version is of.
    HistoryRecorder device(historyFolder());
    readRunSerial(device);
    if (device.serial().isEmpty() || !sameSerial(device.serial(), serial)) {
        showNoticeDialog(tr("Tip"),
            device.serial().isEmpty()
                ? device.reason()
                : tr("The device on the link has serial number %1, not %2: nothing was written.")
                      .arg(device.serial(), serial),
            NoticeKind::Failure);
        return;
    }
    importIdle = false;
    workbookWorker();
    const ImportSheet sheet = versionSheet(rows);
    prepareImportDisplay();
    const int result = excelWorker->compareSheet(sheet, linkSession().modbusClient);
    endImportDisplay();
    bool restoreNow = false;
    if (result == ExelToWrite::Done) {
        CompareDialog dialog(this);
        dialog.setVersion(tr("Version %1 of %2").arg(version, serial), excelWorker->differences(),
            excelWorker->unchangedRows());
        restoreNow = dialog.exec() == QDialog::Accepted;
    } else if (result != ExelToWrite::Stopped && result != ExelToWrite::Cancelled) {
        showNoticeDialog(tr("Tip"), tr("Compare failed: the device did not answer."), NoticeKind::Failure);
    }
    if (restoreNow)
        runImport(QString(), &sheet, version);
    importIdle = true;
}
