#include "ui/link/scandialog.h"

#include "link/linksession.h"
#include "link/transactions.h"
#include "ui_scandialog.h"

#include <QHeaderView>
#include <QTableWidgetItem>

namespace {

enum Column { AddressColumn, SerialColumn, SoftwareColumn, SerialNumberColumn };

} // namespace

ScanDialog::ScanDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ScanDialog)
{
    ui->setupUi(this);
    ui->tableScanResults->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->tableScanResults->horizontalHeader()->setStretchLastSection(true);
    connect(&scan, &DeviceScan::progress, this, [this](int done, int total) {
        ui->progressScan->setMaximum(qMax(1, total));
        ui->progressScan->setValue(done);
        if (done == 0)
            updateButtons(); // the scan has started
    });
    connect(&scan, &DeviceScan::found, this, &ScanDialog::addHit);
    connect(&scan, &DeviceScan::combinationStarted, this, [this](int baud, Parity parity) {
        if (isNetworkLink(link.connectType))
            setStatus(tr("Scanning %1:%2 ...").arg(link.hostAddress, link.networkPort));
        else
            setStatus(tr("Scanning at %1 ...").arg(serialText(baud, parity)));
    });
    connect(ui->tableScanResults, &QTableWidget::itemSelectionChanged, this, &ScanDialog::updateButtons);
    setLink(link, {}, {});
}

ScanDialog::~ScanDialog() { delete ui; }

QString ScanDialog::serialText(int baud, Parity parity)
{
    const QString name = parity == Parity::Even ? tr("EVEN") : parity == Parity::Odd ? tr("ODD") : tr("NONE");
    return QStringLiteral("%1 %2").arg(baud).arg(name);
}

void ScanDialog::setLink(
    const LinkParameters &newLink, const QVector<int> &bauds, const QVector<Parity> &parities)
{
    link = newLink;
    allBauds = bauds;
    allParities = parities;
    const bool tcp = isNetworkLink(link.connectType);
    if (link.connectType == ConnectionType::RtuOverTcp)
        ui->labelScanTarget->setText(tr("Modbus RTU over TCP %1:%2").arg(link.hostAddress, link.networkPort));
    else if (tcp)
        ui->labelScanTarget->setText(tr("Modbus TCP %1:%2").arg(link.hostAddress, link.networkPort));
    else
        ui->labelScanTarget->setText(tr("Modbus RTU %1, %2, %3 data bits, %4 stop bits")
                                         .arg(link.serialPortName, serialText(link.baud, link.parity))
                                         .arg(link.dataBits)
                                         .arg(link.stopBits));
    ui->checkScanAllSerial->setVisible(!tcp);
    ui->checkScanAllSerial->setEnabled(!bauds.isEmpty() && !parities.isEmpty());
    ui->tableScanResults->setColumnHidden(SerialColumn, tcp);
    updateButtons();
}

void ScanDialog::setUsableAddresses(int low, int high)
{
    usableLow = low;
    usableHigh = high;
    updateButtons();
}

ScanRequest ScanDialog::request() const
{
    ScanRequest r;
    r.link = link;
    r.firstAddress = ui->spinScanFirst->value();
    r.lastAddress = ui->spinScanLast->value();
    r.probeTimeoutMs = ui->spinProbeTimeout->value();
    if (link.connectType == ConnectionType::Rtu && ui->checkScanAllSerial->isChecked()) {
        r.bauds = allBauds;
        r.parities = allParities;
    }
    return r;
}

bool ScanDialog::usable(const ScanHit &hit) const
{
    return hit.address >= usableLow && hit.address <= usableHigh;
}

void ScanDialog::setStatus(const QString &text) { ui->labelScanStatus->setText(text); }

void ScanDialog::on_Btn_ScanStart_clicked()
{
    if (scan.isRunning())
        return;
    // The scan opens a client of its own: a serial port can be held by one
    // client only, and the page's link is taken down with a delay.
    if (linkSession().modbusClient || linkSession().linkSuspended) {
        setStatus(tr("A link is still open: disconnect it, wait a moment and try again."));
        return;
    }
    const ScanRequest r = request();
    if (r.link.connectType == ConnectionType::Rtu && r.link.serialPortName.isEmpty()) {
        setStatus(tr("No serial port: choose one on the connection page."));
        return;
    }
    if (r.firstAddress > r.lastAddress) {
        setStatus(tr("The first address is above the last."));
        return;
    }
    rows.clear();
    ui->tableScanResults->setRowCount(0);
    chosen = false;
    ui->progressScan->setMaximum(qMax(1, DeviceScan::probeCount(r)));
    ui->progressScan->setValue(0);

    // Blocks until the scan ends; the transactions keep the window alive. No
    // poll tick meanwhile.
    DeviceScan::Outcome outcome;
    {
        const LinkHold hold(linkSession());
        outcome = scan.run(r);
    }
    const int total = DeviceScan::probeCount(r);
    switch (outcome) {
    case DeviceScan::Finished:
        setStatus(tr("Done: %1 found in %2 probes.").arg(rows.size()).arg(total));
        break;
    case DeviceScan::Cancelled:
        setStatus(tr("Cancelled after %1 of %2 probes: %3 found.")
                      .arg(scan.probesDone())
                      .arg(total)
                      .arg(rows.size()));
        break;
    case DeviceScan::Failed:
        setStatus(tr("Failed: %1 (%2 found)").arg(scan.errorText()).arg(rows.size()));
        break;
    }
    updateButtons();
    if (pendingResult >= 0) {
        const int result = pendingResult;
        pendingResult = -1;
        QDialog::done(result);
    }
}

void ScanDialog::on_Btn_ScanCancel_clicked()
{
    if (!scan.isRunning())
        return;
    scan.cancel();
    setStatus(tr("Stopping ..."));
}

void ScanDialog::on_Btn_ScanUse_clicked() { choose(ui->tableScanResults->currentRow()); }

void ScanDialog::on_Btn_ScanClose_clicked() { reject(); }

void ScanDialog::on_tableScanResults_cellDoubleClicked(int row, int) { choose(row); }

void ScanDialog::reject()
{
    if (scan.isRunning()) {
        pendingResult = QDialog::Rejected;
        scan.cancel();
        return;
    }
    QDialog::reject();
}

void ScanDialog::choose(int row)
{
    if (row < 0 || row >= rows.size() || !usable(rows[row]))
        return;
    chosenHit = rows[row];
    chosen = true;
    if (scan.isRunning()) {
        pendingResult = QDialog::Accepted;
        scan.cancel();
        return;
    }
    accept();
}

void ScanDialog::addHit(const ScanHit &hit)
{
    rows.append(hit);
    QTableWidget *table = ui->tableScanResults;
    const int row = table->rowCount();
    table->insertRow(row);
    const QString none = QStringLiteral("-");
    const QString texts[] = {QString::number(hit.address),
        isNetworkLink(hit.connectType) ? none : serialText(hit.baud, hit.parity),
        hit.identityRead ? hit.softwareVersion : none, hit.identityRead ? hit.serialNumber : none};
    QString tip;
    if (!usable(hit))
        tip = tr("The connection page takes server addresses %1 to %2.").arg(usableLow).arg(usableHigh);
    else if (hit.probeException)
        tip = tr("Answered the test read with exception %1.").arg(hit.probeException);
    else if (!hit.identityRead)
        tip = tr("Did not answer the identity read.");
    for (int column = 0; column < 4; ++column) {
        auto *item = new QTableWidgetItem(texts[column]);
        if (column == AddressColumn)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (!usable(hit))
            item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
        item->setToolTip(tip);
        table->setItem(row, column, item);
    }
    if (table->currentRow() < 0 && usable(hit))
        table->selectRow(row);
    updateButtons();
}

void ScanDialog::updateButtons()
{
    const bool scanning = scan.isRunning();
    ui->Btn_ScanStart->setEnabled(!scanning);
    ui->Btn_ScanCancel->setEnabled(scanning);
    ui->spinScanFirst->setEnabled(!scanning);
    ui->spinScanLast->setEnabled(!scanning);
    ui->spinProbeTimeout->setEnabled(!scanning);
    ui->checkScanAllSerial->setEnabled(!scanning && !allBauds.isEmpty() && !allParities.isEmpty());
    const int row = ui->tableScanResults->currentRow();
    ui->Btn_ScanUse->setEnabled(row >= 0 && row < rows.size() && usable(rows[row]));
}
