#pragma once

#include "link/linkparameters.h"

#include <QPointer>
#include <QtGlobal>

class QModbusClient;
class QModbusReply;

// Result of one register transaction. Callers stop a sequence of reads at the
// first non-zero result.
enum TransactionResult : int {
    Ok = 0,
    TimedOut = 1,
    ResponseError = 2,
    NoConnection = 3,
};

// Server address of every request; set at each connection from the slave ID.
extern int currentServerAddress;
// Word order of 32-bit values (0 "AB-CD", 1 "CD-AB"); used by the encoders.
extern int wordOrder;
// Set while the link is being taken down or rebuilt: waiting reads give up.
extern bool linkSuspended;

// Blocking transactions on the GUI thread. They wait in 1 ms steps while
// processing events, so the window stays responsive. values must hold at least
// block.count entries; reads only touch it on success.
TransactionResult readHoldingRegisters(QModbusClient *client, LinkParameters block, quint16 *values);
TransactionResult readCoils(QModbusClient *client, LinkParameters block, quint16 *values);
TransactionResult writeHoldingRegisters(QModbusClient *client, LinkParameters block, const quint16 *values);

// Processes events for the given number of milliseconds (monotonic clock),
// sleeping until an event arrives or the next millisecond instead of spinning.
void waitProcessingEvents(int milliseconds);
// The same, ending early once the given reply has finished (transactions' 1 ms steps).
void waitProcessingEvents(int milliseconds, const QPointer<QModbusReply> &reply);
