#pragma once

// The device copy's reads and the single-value writes, over the process's
// link (the current session's client, server address and word order). Every one of them
// goes through the transactions of link/transactions.h.

#include "link/linkparameters.h"
#include "link/transactions.h"

#include <QtGlobal>

// Reads a group's registers (coils for readCoilGroup) with a copy of the
// connection settings and decodes them into the current session's device
// copy; the copy is unchanged on failure.
TransactionResult readGroup(int group);
TransactionResult readCoilGroup(int group);
// One value read (count 1 or 2) with a fresh link block; FailureMarker on failure.
int readSingleValue(int start, int count);

// Writes one value of count 1 or 2 registers at address with the global word
// order through the global client.
TransactionResult writeSingleValue(int address, int count, qint32 value);
// The same with the caller's link block (its response time limits the write's
// wait); the block's word order is replaced by the global one.
TransactionResult writeSingleValue(LinkParameters block, int address, int count, qint32 value);

// After a write of a setting of the link's own port: waits settleMs for the
// device to put it in force, then reads two registers over the link in use.
// True when the device still answers there.
bool linkStillAnswers(int settleMs);

// After a command that restarts the device's interfaces: waits settleMs, opens
// a network link again when the device closed it, and reads two registers;
// up to attempts times. True when the device answers on the link in use.
bool linkAnswersAgain(int settleMs, int attempts);

// Queues a command; a later one replaces one not yet run.
void queueCommandWrite(int group, int value);
// Runs the pending command if one is queued (called by the poll tick).
void runPendingCommand();
