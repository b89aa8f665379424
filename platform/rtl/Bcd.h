// TBcd: a packed decimal number of up to 64 digits, as kept in records and
// files (34 bytes).
//
// Precision is the number of digits stored; the low six bits of
// SignSpecialPlaces are the scale (digits after the decimal point) and bit 7
// the sign. The digits fill Fraction from the first byte, two a byte, high
// nibble first: the first Precision - scale digits are the integer part.
// A record with Precision 0 is zero.
#pragma once

#include "platform/rtl/Currency.h"
#include "platform/rtl/Types.h"

struct TBcd {
  Byte Precision = 0;
  Byte SignSpecialPlaces = 0;
  Byte Fraction[32] = {};
};
static_assert(sizeof(TBcd) == 34, "TBcd is 34 bytes in records and files");

inline constexpr int MaxFMTBcdDigits = 64;
inline constexpr int MaxFMTBcdScale = 63;

// Every function that reads a TBcd checks it first and raises EBcdException
// for a precision above 64, a scale above the precision or a digit nibble
// above 9. Digits beyond the precision are never read.

// Text with '.' or the given separator; no leading zeros beyond one, no
// trailing zeros after the separator, "-" for negative values, "0" for zero.
String BcdToStr(const TBcd& value, WideChar decimalSeparator = u'.');
// Parses an optional sign, digits with at most one decimal separator and an
// optional exponent ("1.5E-3"); blanks around the text are allowed. The
// result keeps the scale written (so "1.50" has scale 2); leading zeros are
// not stored. Fraction digits beyond what 64 digits hold are rounded (ties
// away from zero). Raises EBcdException "<text> is not a valid BCD value" and
// EBcdOverflowException "BCD overflow" for more than 64 integer digits.
TBcd StrToBcd(StringView text, WideChar decimalSeparator = u'.');
bool TryStrToBcd(StringView text, TBcd& result, WideChar decimalSeparator = u'.');

// The nearest double.
double BcdToDouble(const TBcd& value);
// The shortest decimal that reads back as the same double. Raises
// EBcdException for NaN and infinities and EBcdOverflowException from 1E64.
TBcd DoubleToBcd(double value);
TBcd IntegerToBcd(Int64 value);

// The currency as a BCD of the given precision and number of decimals
// (rounded, ties away from zero); false when it does not fit or the
// precision and decimals are not a valid pair.
bool CurrToBCD(Currency value, TBcd& result, int precision = 32, int decimals = 4);
// The BCD rounded to four decimals (ties away from zero); false when it is
// outside the currency range.
bool BCDToCurr(const TBcd& value, Currency& result);
// The BCD rounded to a whole number (ties to even); false when it is outside
// the 64-bit range.
bool TryBcdToInt64(const TBcd& value, Int64& result);

// -1, 0 or 1 by value (1.5 equals 1.50; -0 equals 0).
int BcdCompare(const TBcd& a, const TBcd& b);
// Significant digits before the decimal point (0 for values below 1).
Word BcdPrecision(const TBcd& value);
Word BcdScale(const TBcd& value);
bool IsBcdZero(const TBcd& value);
// The value with exactly the given precision and scale, its fraction rounded
// (ties away from zero). Raises EBcdException for a precision outside 1..64
// or a scale above it (or above 63), and EBcdOverflowException "BCD overflow"
// when the integer part needs more than precision - scale digits.
TBcd NormalizeBcd(const TBcd& value, int precision, int scale);
