#pragma once

#include <QString>
#include <QVector>

// One connection settings record. The same structure is the argument of every
// register transaction: callers copy it and set startAddress and count.
struct LinkParameters
{
    int parity = 2;          // serial port coding: 0 none, 2 even, 3 odd
    int baud = 38400;
    int dataBits = 8;
    int stopBits = 1;
    int responseTime = 1000; // ms; the write's own wait limit in 1 ms polls
    int numberOfRetries = 0;
    int serverAddress = 1;
    int wordOrder = 0;       // 0 "AB-CD", 1 "CD-AB"
    int startAddress = 0;
    int connectType = 0;     // 0 RTU, 1 TCP, 2 RTU over TCP (ConnectRtuOverTcp)
    QString hostAddress;
    QString networkPort;
    quint16 count = 0;
    QString serialPortName;
};

// connectType of a link that passes Modbus RTU frames over a TCP socket (a
// serial-to-Ethernet converter); the settings file keeps this value too.
constexpr int ConnectRtuOverTcp = 2;

// True for the links over a TCP socket (Modbus TCP, RTU over TCP): they have a
// host and port instead of a serial port, and a dropped one is opened again.
inline bool isNetworkLink(int connectType) { return connectType == 1 || connectType == ConnectRtuOverTcp; }

// The baud rates and parities (serial port coding) the connection page offers,
// in the order of its lists.
inline const QVector<int> &serialBaudRates()
{
    static const QVector<int> rates {4800, 9600, 19200, 38400, 57600, 115200};
    return rates;
}
inline const QVector<int> &serialParities()
{
    static const QVector<int> parities {0, 2, 3};
    return parities;
}
