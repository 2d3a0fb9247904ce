#pragma once

#include "params/wordorder.h"

#include <QString>
#include <QVector>

// How the program reaches the device. The numbers are the ones the settings
// file keeps (key "connectType") and the protocol lists show, in this order.
enum class ConnectionType : int {
    Rtu = 0, // Modbus RTU over a serial port
    Tcp = 1, // Modbus TCP
    RtuOverTcp = 2, // Modbus RTU frames over a TCP socket (a serial-to-Ethernet converter)
};
// Number of connection types (the length of the protocol lists).
constexpr int ConnectionTypeCount = 3;

// Parity in the serial port's own coding (QSerialPort::Parity), as the
// connection parameters take it.
enum class Parity : int {
    None = 0,
    Even = 2,
    Odd = 3,
};

// One connection settings record. The same structure is the argument of every
// register transaction: callers copy it and set startAddress and count.
struct LinkParameters
{
    Parity parity = Parity::Even;
    int baud = 38400;
    int dataBits = 8;
    int stopBits = 1;
    int responseTime = 1000; // ms; the write's own wait limit in 1 ms polls
    int numberOfRetries = 0;
    int serverAddress = 1;
    WordOrder wordOrder = WordOrder::AbCd;
    int startAddress = 0;
    ConnectionType connectType = ConnectionType::Rtu;
    QString hostAddress;
    QString networkPort;
    quint16 count = 0;
    QString serialPortName;
};

// The connection type of a list index or a stored number; Rtu for one out of range.
inline ConnectionType connectionTypeFromIndex(int index)
{
    return index >= 0 && index < ConnectionTypeCount ? ConnectionType(index) : ConnectionType::Rtu;
}

// True for the links over a TCP socket (Modbus TCP, RTU over TCP): they have a
// host and port instead of a serial port, and a dropped one is opened again.
inline bool isNetworkLink(ConnectionType type)
{
    return type == ConnectionType::Tcp || type == ConnectionType::RtuOverTcp;
}

// The baud rates and parities (serial port coding) the connection page offers,
// in the order of its lists.
inline const QVector<int> &serialBaudRates()
{
    static const QVector<int> rates {4800, 9600, 19200, 38400, 57600, 115200};
    return rates;
}
inline const QVector<Parity> &serialParities()
{
    static const QVector<Parity> parities {Parity::None, Parity::Even, Parity::Odd};
    return parities;
}

// Parity from an index of the parity lists ("NONE", "EVEN", "ODD") and back;
// an index out of range is no parity.
inline Parity parityFromIndex(int index) { return serialParities().value(index, Parity::None); }
inline int indexFromParity(Parity parity) { return qMax(0, serialParities().indexOf(parity)); }

// Parity from its name as the command line and the backup lists give it:
// "none", "even", "odd" or "N", "E", "O" (any case). False for anything else.
inline bool parityFromName(const QString &name, Parity *parity)
{
    const QString p = name.toLower();
    if (p == QLatin1String("none") || p == QLatin1String("n"))
        *parity = Parity::None;
    else if (p == QLatin1String("even") || p == QLatin1String("e"))
        *parity = Parity::Even;
    else if (p == QLatin1String("odd") || p == QLatin1String("o"))
        *parity = Parity::Odd;
    else
        return false;
    return true;
}
