#pragma once

#include "link/devicescan.h"

#include <QDialog>

namespace Ui {
class ScanDialog;
}

// The connection page's device scan: probes a range of server addresses with
// the page's link settings (over RTU optionally every baud rate and parity of
// the page's lists), lists the devices that answer with their software version
// and serial number, and hands the chosen one back to the page.
class ScanDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ScanDialog(QWidget *parent = nullptr);
    ~ScanDialog() override;

    // The link to scan (the page's settings) and the baud rates and parities
    // "Every baud rate and parity" goes through.
    void setLink(const LinkParameters &link, const QVector<int> &bauds, const QVector<Parity> &parities);
    // Server addresses the caller can take; a device found outside them is
    // listed but cannot be used.
    void setUsableAddresses(int low, int high);

    // The scan the widgets describe.
    ScanRequest request() const;
    bool isScanning() const { return scan.isRunning(); }
    DeviceScan *engine() { return &scan; }

    // The device chosen with "Use" or a double click (valid when accepted).
    bool hasChoice() const { return chosen; }
    ScanHit choice() const { return chosenHit; }

    // "38400 EVEN"
    static QString serialText(int baud, Parity parity);

public slots:
    void on_Btn_ScanStart_clicked();
    void on_Btn_ScanCancel_clicked();
    void on_Btn_ScanUse_clicked();
    void on_Btn_ScanClose_clicked();
    void on_tableScanResults_cellDoubleClicked(int row, int column);
    // While a scan runs, closing waits for it to stop before the next probe.
    void reject() override;

private:
    void addHit(const ScanHit &hit);
    void choose(int row);
    void updateButtons();
    void setStatus(const QString &text);
    bool usable(const ScanHit &hit) const;

    Ui::ScanDialog *ui;
    DeviceScan scan;
    LinkParameters link;
    QVector<int> allBauds;
    QVector<Parity> allParities;
    int usableLow = DeviceScan::MinAddress;
    int usableHigh = DeviceScan::MaxAddress;
    QVector<ScanHit> rows;
    bool chosen = false;
    ScanHit chosenHit;
    // A close or a choice made while scanning: done() with it once the scan stopped.
    int pendingResult = -1;
};
