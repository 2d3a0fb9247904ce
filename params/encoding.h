#pragma once

// Value encoding: registers from values and typed texts to register texts.
// Pure data: no link, no widgets.

#include "params/devicecopy.h"
#include "params/wordorder.h"

#include <QString>

// Splits a value into one register (low 16 bits) or two (32-bit, in the word
// order). Returns the number of registers filled.
int encodeRegisters(qint32 value, int count, WordOrder order, quint16 *registers);

// Weight text -> register text: x 10^decimals of the channel's scale, single
// precision, six significant digits.
QString weightTextToRegisterText(const QString &text, const ChannelScale &scale);
// Fixed-factor text -> register text (10000 for mV, 100000 for coefficients).
QString scaledToRegisterText(const QString &text, int factor);
// The integer a commit sends: the text up to its first "." as a base-10 int (0 if unparsable).
int registerTextToInt(const QString &text);
// Raw value -> weight text with exactly decimals digits (value taken unsigned 32-bit
// as the display of weight fields does, or signed where noted by the caller).
QString formatScaled(qint64 raw, int decimals);

// Length of the device's serial number: one character code per register.
constexpr int SerialNumberLength = 25;
// The serial number as the Test Maintain page shows it: digits and other
// printable ASCII characters as themselves, any other code "?", and a hyphen
// after the 13th character ("2026120700042-000000001234").
QString serialNumberText(const int codes[SerialNumberLength]);
