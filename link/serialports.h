#pragma once

// The serial ports of the machine as the program lists them, and why a serial
// port did not open, in words that name the fix. QtCore and QtSerialPort only:
// the connection page, the device scan and the command-line runs share them.

#include <QSerialPort>
#include <QString>
#include <QVector>

class QModbusDevice;

// One entry of a serial port list: the port name is what is saved and used,
// the text is what the list shows.
struct SerialPortEntry
{
    QString portName;
    QString text;
};

// "ttyUSB0 – FT232R USB UART (A50285BI)"; empty parts are left out.
QString serialPortEntryText(const QString &portName, const QString &description, const QString &serialNumber);
// The serial ports of the machine, in the system's order.
QVector<SerialPortEntry> availableSerialPorts();
// The port name inside a list text: the text before " – " of an entry, or the
// last parenthesised part of the older "description(port)" form; a text with
// neither is a port name itself.
QString portNameFromListText(const QString &text);

// The device file of a port name: a bare name ("ttyUSB0") lives under /dev.
QString serialPortDevicePath(const QString &portName);

enum class SerialOpenProblem { PermissionDenied, Busy, NotFound, Other };

// A process that holds a serial device open (or its lock file).
struct SerialPortHolder
{
    qint64 pid = 0;
    QString program;
};

// What the system tells about a device that did not open.
struct SerialDeviceFacts
{
    bool exists = true;
    bool accessible = true; // read and write permitted to this user
    bool held = false; // another open file or a lock file names it
};

// Why the port did not open, from the port's error and the facts.
SerialOpenProblem classifySerialOpenFailure(
    QSerialPort::SerialPortError error, const SerialDeviceFacts &facts);

// The processes that hold the device open, found in /proc/*/fd (where this
// user may look) and in the UUCP lock files of /var/lock. Empty elsewhere.
QVector<SerialPortHolder> serialPortHolders(const QString &devicePath);

struct SerialOpenFailure
{
    SerialOpenProblem problem = SerialOpenProblem::Other;
    QString portName;
    QVector<SerialPortHolder> holders; // the programs that hold it, where known
    QString systemText; // the system's own words, for Other
};

// Looks at the device of a port that did not open and says why.
SerialOpenFailure diagnoseSerialOpenFailure(
    const QString &portName, QSerialPort::SerialPortError error, const QString &errorText);

// The message for the user, in the user's language where a catalogue is
// installed (English otherwise, as on the command line).
QString serialOpenFailureText(const SerialOpenFailure &failure);

// Why the serial port of a Modbus client did not open (after connectDevice()
// failed): the diagnosed message, or an empty text when the client is not a
// serial one or its port reported no error.
QString serialConnectFailureText(QModbusDevice *client);
