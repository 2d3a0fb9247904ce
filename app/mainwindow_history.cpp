// The configuration history of the window's own writes: the audit trail of
// the connected device, started at connect and finished at disconnect, link
// switch and exit.

#include "app/mainwindow.h"

#include "dialogs/historywindow.h"
#include "dialogs/popups.h"
#include "link/linkstate.h"
#include "link/transactions.h"
#include "pages/testmaintain.h"
#include "workbook/audittrail.h"
#include "workbook/historyrecorder.h"

#include <QModbusClient>

void MainWindow::setUpAuditTrail()
{
    writeTrail = new AuditTrail(this);
    // A version's block read waits while the link is faulty or taken down, and
    // while a workbook run uses the link (its own version commits the lines).
    writeTrail->setReadCheck([] {
        return modbusClient && modbusClient->state() == QModbusDevice::ConnectedState && !linkFaulty
            && !linkSuspended && !TestMaintain::workbookRunGoing();
    });
    // Told from the event loop, not inside the write that found it.
    connect(
        writeTrail, &AuditTrail::historyProblem, this,
        [this](const QString &text) {
            showNoticeDialog(tr("Configuration History"), text, NoticeKind::Failure, 1, this);
        },
        Qt::QueuedConnection);
    connect(writeTrail, &AuditTrail::committed, this, [this] {
        HistoryWindow *history = testMaintain->historyWindow();
        if (history && history->isVisible())
            history->reload();
    });
}

void MainWindow::startAuditTrail()
{
    auditTrailRestart = false;
    // No link, nothing to record (a window shown without a device).
    if (!modbusClient)
        return;
    const QString folder = testMaintain->historyFolder();
    HistoryRecorder device(folder);
    // No poll tick starts while the serial number is read. The flag is left
    // clear after: a tick asked for before may have run inside the read's wait,
    // and the poll asks again only while it is clear.
    pollBusy = true;
    const bool known = device.readSerial(processLinkTarget(modbusClient, appliedLink));
    pollBusy = false;
    if (!known) {
        writeTrail->unavailable(device.reason());
        return;
    }
    LinkParameters link = appliedLink;
    link.serverAddress = currentServerAddress;
    writeTrail->start(folder, device.serial(), historyLinkText(link), modbusClient, wordOrder);
}

void MainWindow::finishAuditTrail()
{
    auditTrailRestart = false;
    writeTrail->finish();
}
