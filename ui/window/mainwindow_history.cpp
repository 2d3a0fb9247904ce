// The configuration history of the window's own writes: the audit trail of
// the connected device, started at connect and finished at disconnect, link
// switch and exit.

#include "ui/window/mainwindow.h"

#include "link/linksession.h"
#include "link/transactions.h"
#include "ui/dialogs/historywindow.h"
#include "ui/dialogs/popups.h"
#include "ui/pages/testmaintain.h"
#include "workbook/audittrail.h"
#include "workbook/historyrecorder.h"

#include <QModbusClient>

namespace {

// The audit line of a transaction of the window: its own writes only. The
// workbook runs (import, clone, restore) record theirs with their versions.
std::optional<AuditWrite> auditWriteOf(const TransactionRecord &record)
{
    if (record.function != TrafficFunction::WriteHolding)
        return std::nullopt;
    AuditWrite write;
    switch (record.source) {
    case WriteSource::PageEdit:
        write.source = AuditSource::Page;
        break;
    case WriteSource::Command:
        write.source = AuditSource::Command;
        break;
    case WriteSource::Calibration:
        write.source = AuditSource::Calibration;
        break;
    case WriteSource::Reset:
        write.source = AuditSource::Reset;
        break;
    case WriteSource::None:
    case WriteSource::Import:
    case WriteSource::Clone:
    case WriteSource::Restore:
        return std::nullopt;
    }
    write.address = record.address;
    write.count = record.count;
    write.registers = record.values;
    write.oldValue = record.oldValue;
    write.result = TransactionResult(record.result);
    return write;
}

} // namespace

void MainWindow::setUpAuditTrail()
{
    writeTrail = new AuditTrail(this);
    // A version's block read waits while the link is faulty or taken down, and
    // while a workbook run uses the link (its own version commits the lines).
    writeTrail->setReadCheck([this] {
        return session.modbusClient && session.modbusClient->state() == QModbusDevice::ConnectedState
            && !session.linkFaulty && !session.linkSuspended && !testMaintain->workbookRunGoing();
    });
    connect(&session, &LinkSession::transactionFinished, writeTrail, [this](const TransactionRecord &record) {
        if (const std::optional<AuditWrite> write = auditWriteOf(record))
            writeTrail->recordWrite(*write);
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
    if (!session.modbusClient)
        return;
    const QString folder = testMaintain->historyFolder();
    HistoryRecorder device(folder);
    bool known = false;
    {
        // No poll tick starts while the serial number is read.
        const LinkHold hold(session);
        known = device.readSerial(processLinkTarget(session.modbusClient, session.appliedLink));
    }
    if (!known) {
        writeTrail->unavailable(device.reason());
        return;
    }
    LinkParameters link = session.appliedLink;
    link.serverAddress = session.currentServerAddress;
    writeTrail->start(folder, device.serial(), historyLinkText(link), session.modbusClient, session.wordOrder);
}

void MainWindow::finishAuditTrail()
{
    auditTrailRestart = false;
    writeTrail->finish();
}
