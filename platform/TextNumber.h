#pragma once

#include <QStringView>

// The number a text stands for, read as the settings file's readers have always read it (leading
// white space skipped, the longest number at the start taken, anything after it ignored). One place
// for every reader of numbers in text: the settings, the metadata's version fields, the XML's
// decimal fields, the naming rules' counters.
namespace TextNumber {

// Skips leading white space, an optional sign and leading zeros; then true on one of "Y", "y", "T",
// "t" or a digit 1 to 9, whatever follows. So "1", "YES", "true", "  +007" are true; "0", "NO", "",
// "abc" are false.
bool boolFromText(QStringView text);
// Skips leading white space, reads an optional sign and the decimal digits that follow; anything
// else ends the number. No digits gives 0; a number beyond the int range gives INT_MAX or INT_MIN.
int intFromText(QStringView text);
// Skips leading white space, reads a decimal number with optional sign, fraction and exponent
// ("-1.5e3"); no number gives 0.0, overflow gives plus or minus HUGE_VAL, underflow 0.0.
double doubleFromText(QStringView text);

// The value held to the int range.
int saturatedInt(qint64 value);

} // namespace TextNumber
