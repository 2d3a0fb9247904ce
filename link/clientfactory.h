#pragma once

// The one place that builds a Modbus client from link parameters, and the one
// procedure that takes a client down. Every link uses them: the window's, the
// command-line runs', the scan's and the clone's.

#include "link/linkparameters.h"

class QModbusClient;
class QObject;

// A client for the link's connection type with its connection parameters (the
// host and port, or the serial port's name, parity, baud rate, data bits and
// stop bits), the given response time-out and the link's retries. It is not
// connected yet. A serial client is watched for the loss of its port from the
// start (watchSerialLink).
QModbusClient *createModbusClient(const LinkParameters &link, int timeoutMs, QObject *parent = nullptr);

// Disconnects and deletes the client and clears the pointer; nothing for null.
void takeClientDown(QModbusClient *&client);
