#pragma once

#include <QComboBox>

// The serial port list of the connection page and the link dialog: each entry
// shows "ttyUSB0 – description (serial number)" and carries the port name,
// which is what is saved and used. The list is read again each time it drops
// down, since USB adapters come and go.
class SerialPortComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit SerialPortComboBox(QWidget *parent = nullptr);

    // Refills the list from the machine's ports. The chosen port stays chosen;
    // one that is no longer there stays in the list as its bare name, so that
    // opening the list never changes the choice by itself.
    void refreshPorts();
    // Chooses the entry of a port name; false (nothing changed) when the list
    // has none.
    bool selectPort(const QString &portName);
    // Adds an entry for a port the system does not list (a pseudo terminal, an
    // unplugged adapter) and chooses it.
    void addUnlistedPort(const QString &portName);
    // The port name of the chosen entry: its own, or for an entry added as bare
    // text the name inside that text. Empty when nothing is chosen.
    QString currentPortName() const;

    void showPopup() override;
};
