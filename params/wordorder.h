#pragma once

// Order of the two registers of a 32-bit value. The numbers are the ones the
// settings file keeps (key "DwordFormat") and the word order lists show.
enum class WordOrder : int {
    AbCd = 0, // "AB-CD": the first register holds the high word
    CdAb = 1, // "CD-AB": the first register holds the low word
};

// The word order of a list index or a stored number; anything but 1 is "AB-CD".
inline WordOrder wordOrderFromIndex(int index) { return index == 1 ? WordOrder::CdAb : WordOrder::AbCd; }
