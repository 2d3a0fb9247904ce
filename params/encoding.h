#pragma once

// Value encoding and the single-value write that every writer of the system uses.

#include "link/transactions.h"

#include <QString>

class QLineEdit;

// Splits a value into one register (low 16 bits) or two (32-bit, in the word
// order). Returns the number of registers filled.
int encodeRegisters(qint32 value, int count, int order, quint16 *registers);

// Writes one value of count 1 or 2 registers at address with the global word
// order through the global client.
TransactionResult writeSingleValue(int address, int count, qint32 value);
// The same with the caller's link block (its response time limits the write's
// wait); the block's word order is replaced by the global one.
TransactionResult writeSingleValue(LinkParameters block, int address, int count, qint32 value);

// Weight text -> register text: x 10^decimals of the channel, single precision,
// six significant digits.
QString weightToRegisterText(const QLineEdit *edit, int channel);
QString weightTextToRegisterText(const QString &text, int channel);
// Fixed-factor text -> register text (10000 for mV, 100000 for coefficients).
QString scaledToRegisterText(const QString &text, int factor);
// The integer a commit sends: the text up to its first "." as a base-10 int (0 if unparsable).
int registerTextToInt(const QString &text);
// Raw value -> weight text with exactly decimals digits (value taken unsigned 32-bit
// as the display of weight fields does, or signed where noted by the caller).
QString formatScaled(qint64 raw, int decimals);
