#pragma once

// Reaching a device before a run: a client of the run's own, and the
// connection page's test read.

#include "link/linkparameters.h"
#include "link/transactions.h"

#include <QString>

class QModbusClient;

// "127.0.0.1:1502" for TCP and RTU over TCP, the serial port's name for RTU.
QString linkText(const LinkParameters &link);

// A connected client of the link's own, touching no process-wide state (usable
// in a worker thread: it lives in the calling thread). Null, with a message,
// when the device cannot be reached.
QModbusClient *connectOwnClient(const LinkParameters &link, QString *error);
// The connection page's test read (two holding registers from address 0)
// through target; false with a message naming the server address and link.
bool checkDevice(const LinkTarget &target, const LinkParameters &link, QString *error);
