#pragma once

#include <QString>

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
    int connectType = 0;     // 0 RTU, 1 TCP
    QString hostAddress;
    QString networkPort;
    quint16 count = 0;
    QString serialPortName;
};
