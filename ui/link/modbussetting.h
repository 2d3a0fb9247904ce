#pragma once

#include "link/linkparameters.h"

#include <QMainWindow>
#include <QMap>
#include <QVariant>

class QLineEdit;
struct ScanHit;

namespace Ui {
class ModbusSetting;
}

// Address of the vendor's web site shown as a link on the connection page.
extern const char *const vendorUrl;

// The connection page: protocol and link parameters, "Connect", and the
// settings file that remembers them. Shown inside the main window's stack.
class ModbusSetting : public QMainWindow
{
    Q_OBJECT

public:
    explicit ModbusSetting(QWidget *parent = nullptr);
    ~ModbusSetting() override;

    // Retranslates the form and reloads the settings file; run each time the
    // page is shown.
    void interfaceInit();
    // Writes group "Q4" of the settings file. Creates the Setting folder when it
    // is missing; returns false (with a warning) when the file cannot be written.
    bool saveSettings();
    // Reads the settings file into the widgets and sets the process-wide language.
    // A value out of range (a combo index beyond the list, a port, address,
    // delay or slave ID the field cannot hold, a language other than 0 or 1)
    // takes the start value of its key, which is written back to the file.
    void loadSettings();
    // The link parameters shown on the page (retries stay 0).
    LinkParameters settingsFromForm();
    // Disconnects and deletes the client.
    void takeLinkDown();
    // Returns true when the link was not connected. A dropped TCP link is
    // reopened; so is a serial port that was lost (an adapter unplugged), once
    // its device is back at the same path.
    bool checkLink();

    // Parameters of the last "Connect" (start address and count of the test read).
    LinkParameters formLink;

    // Port name inside a serial list text ("port – description (serial)", or
    // "description(port)" as saved by earlier versions).
    static QString portNameFromItem(const QString &itemText);

    // Shows a link's protocol, serial settings, slave ID, host and port on the
    // page and saves them as the connection settings.
    void adoptLink(const LinkParameters &link);

    // Fills the page with a device the scan found: the slave ID, and the
    // protocol with the baud rate and parity (RTU) or the host and port (TCP)
    // the scan used. False (nothing changed) when the page cannot take it.
    bool applyScanChoice(const ScanHit &hit, const LinkParameters &scanned);

signals:
    void ConnectSuccessfulSignal();

public slots:
    void on_connectButton_clicked();
    void SettingSerialNum();
    void on_connectType_activated(int index);
    // Opens the device scan with the page's settings and takes the device chosen there.
    void on_Btn_Scan_clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void lineEditFinished();

    Ui::ModbusSetting *ui;
    // Text of the last focused line edit, taken when it gains focus; an edit
    // left empty gets it back.
    QString focusBackup;
    QWidget *focusedWidget = nullptr;
    // Values of group "Q4" the page starts with, by key: a value read from the
    // file that is out of range takes the one of its key instead.
    QMap<QString, QVariant> startValues;
};

// Regular expressions of the IP and port fields.
extern const char *const hostAddressPattern;
extern const char *const networkPortPattern;
// Gives a port field (connection page, link dialog, Ethernet slot) the port
// validator: 1 to 65535, or empty while being edited.
void setNetworkPortValidator(QLineEdit *edit);
