#pragma once

#include "values/Value.h"

#include <QString>

namespace levy {

// The text without leading and trailing spaces (only the space character).
QString TrimSpaces(const QString& text);

// True when both texts, without leading and trailing spaces and in upper case, are equal.
bool NamesMatch(const QString& a, const QString& b);

// An amount laid out in a fixed-width column: digits in blank-separated groups of three
// filling "@@@ @@@ @@@" (or "$ @@@ @@@ @@@") from the right, then two decimals, then
// " DR" for a negative or " CR" for any other amount unless the suffix is omitted.
// Whole parts of more than nine digits are shown in full, grouped the same way: a year's
// levy in a currency of small units passes 2147483647 easily.
QString FormatAmount(Currency amount, bool omitCurrencySign = false, bool omitSuffix = false);

// Whether value / divisor equals value \ divisor (integer division of both operands
// rounded half to even); with divisor 1, whether the value is whole.
bool IsDivisible(double value, int32_t divisor);

// Rounds half to even, as the platform's integer conversions do.
double RoundHalfEven(double value);

// The numeric value of a text's leading number, the platform's way: blanks, tabs and
// line breaks are ignored anywhere, reading stops at the first character that cannot
// continue the number, and a text without one is 0.
double Val(const QString& text);

} // namespace levy
