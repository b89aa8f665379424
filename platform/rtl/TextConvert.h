// The texts of numbers, currencies, dates and times, both ways, under a
// TFormatSettings. Each operation comes with the settings as its last
// argument and without it (then the process-wide FormatSettings applies).
// Failed conversions raise EConvertError with the platform's message; the
// Try forms return false instead.
#pragma once

#include "platform/rtl/Currency.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Types.h"

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// ---- Numbers to text ----

// The shortest text of at most 15 significant digits: "1,5", "1E20",
// "1,5E-5" (scientific below 0.0001 and from 1E15); "NAN", "INF", "-INF".
String FloatToStr(double value, const TFormatSettings& fs);
String FloatToStr(double value);
// FloatToStr's text appended to a buffer of the caller's.
void AppendFloatToStr(String& text, double value, const TFormatSettings& fs);
// ffGeneral: shortest form with `precision` significant digits and at least
//   `digits` exponent digits; ffExponent: "-d.dddE+dd" with `precision`
//   digits; ffFixed: `digits` decimals; ffNumber: the same with thousand
//   separators; ffCurrency: ffNumber placed by the currency layouts.
//   ffFixed, ffNumber and ffCurrency fall back to ffGeneral when the value
//   has more integer digits than `precision`.
String FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& fs);
String FloatToStrF(double value, TFloatFormat format, int precision, int digits);
// A picture such as "0.00", "#,##0.00", "0.0E+00" or "#,##0;(#,##0);zero":
// "0" a digit, "#" a digit when there is one, "." the decimal separator,
// "," thousand separators, "E+"/"E-" an exponent, quoted text literally;
// up to three sections for positive, negative and zero values. An empty
// picture gives FloatToStr's text.
String FormatFloat(StringView format, double value, const TFormatSettings& fs);
String FormatFloat(StringView format, double value);

// Currencies are exact: "12,3456", no rounding through floating point.
String CurrToStr(Currency value, const TFormatSettings& fs);
String CurrToStr(Currency value);
String CurrToStrF(Currency value, TFloatFormat format, int digits, const TFormatSettings& fs);
String CurrToStrF(Currency value, TFloatFormat format, int digits);
String FormatCurr(StringView format, Currency value, const TFormatSettings& fs);
String FormatCurr(StringView format, Currency value);

// ---- Text to numbers ----

// Blanks around the number are allowed; the decimal separator is the
// settings' one; an exponent "E-5" may follow; "INF", "-INF" and "NAN" are
// read back. A number too large for a double is an error, one too small
// becomes 0. Raises "'%s' is not a valid floating point value".
bool TryStrToFloat(StringView s, double& value, const TFormatSettings& fs);
bool TryStrToFloat(StringView s, double& value);
double StrToFloat(StringView s, const TFormatSettings& fs);
double StrToFloat(StringView s);
double StrToFloatDef(StringView s, double defaultValue, const TFormatSettings& fs);
double StrToFloatDef(StringView s, double defaultValue);
// Exact decimal reading into four decimals (more are rounded, ties away
// from zero); the same text rules as StrToFloat without exponents.
bool TryStrToCurr(StringView s, Currency& value, const TFormatSettings& fs);
bool TryStrToCurr(StringView s, Currency& value);
Currency StrToCurr(StringView s, const TFormatSettings& fs);
Currency StrToCurr(StringView s);

// Decimal, or hexadecimal after "$" or "0x"; leading blanks and a sign are
// allowed, nothing may follow. Hexadecimal texts cover the whole unsigned
// range and wrap ("$FFFFFFFF" is -1). Raises "'%s' is not a valid integer
// value".
bool TryStrToInt(StringView s, Integer& value);
bool TryStrToInt64(StringView s, Int64& value);
Integer StrToInt(StringView s);
Int64 StrToInt64(StringView s);
Integer StrToIntDef(StringView s, Integer defaultValue);
Int64 StrToInt64Def(StringView s, Int64 defaultValue);

// ---- Dates and times to text ----

// The platform's format letters, case-insensitive: d dd (day), ddd dddd
// (day names), ddddd dddddd (short and long date format), m mm (month, or
// minutes right after an hour), mmm mmmm (month names), yy yyyy, h hh
// (12-hour when an am/pm marker follows), n nn, s ss, z zzz, t tt (short and
// long time format), c (short date and, unless midnight, long time), am/pm,
// a/p, ampm (the settings' strings), "/" and ":" (the settings'
// separators), text in double or single quotes. An empty format is "c".
// Raises EConvertError for a value outside the years 1 to 9999.
String FormatDateTime(StringView format, TDateTime value, const TFormatSettings& fs);
String FormatDateTime(StringView format, TDateTime value);
// FormatDateTime's text appended to a buffer of the caller's.
void AppendFormatDateTime(String& out, StringView format, TDateTime value, const TFormatSettings& fs);
String DateToStr(TDateTime value, const TFormatSettings& fs);
String DateToStr(TDateTime value);
String TimeToStr(TDateTime value, const TFormatSettings& fs);
String TimeToStr(TDateTime value);
String DateTimeToStr(TDateTime value, const TFormatSettings& fs);
String DateTimeToStr(TDateTime value);

// ---- Text to dates and times ----

// Dates: two or three numbers split by the date separator, in the order of
// day, month and year that the short date format gives (without a year the
// current one); one- and two-digit years fall in the century window of
// TwoDigitYearCenturyWindow years before the current year (0: the current
// century). Times: hours, then optionally minutes, seconds and a decimal
// fraction of the second, split by the time separator; an AM/PM string may
// come before or after. Blanks between the parts and at the end are
// allowed. Raise "'%s' is not a valid date", "... time", "... date and time".
bool TryStrToDate(StringView s, TDateTime& value, const TFormatSettings& fs);
bool TryStrToDate(StringView s, TDateTime& value);
bool TryStrToTime(StringView s, TDateTime& value, const TFormatSettings& fs);
bool TryStrToTime(StringView s, TDateTime& value);
bool TryStrToDateTime(StringView s, TDateTime& value, const TFormatSettings& fs);
bool TryStrToDateTime(StringView s, TDateTime& value);
TDateTime StrToDate(StringView s, const TFormatSettings& fs);
TDateTime StrToDate(StringView s);
TDateTime StrToTime(StringView s, const TFormatSettings& fs);
TDateTime StrToTime(StringView s);
TDateTime StrToDateTime(StringView s, const TFormatSettings& fs);
TDateTime StrToDateTime(StringView s);
