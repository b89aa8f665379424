// Text and number helpers of the expression language, also used by the
// import's value conversion.
#pragma once

#include <array>

#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

// The operators in order of binding strength (the first binds loosest), and
// the number of operands of each.
struct TExpOperation {
  StringView Text;
  int Operands;
};
inline constexpr std::array<TExpOperation, 16> STR_OPERATION = {{
    {u"+", 2}, {u"-", 2}, {u"*", 2}, {u"/", 2}, {u"^", 2}, {u"!", 1}, {u"=", 2}, {u"<", 2},
    {u">", 2}, {u"<=", 2}, {u">=", 2}, {u"<>", 2}, {u"!=", 2}, {u"AND", 2}, {u"OR", 2}, {u"NOT", 1},
}};
// 1-based position of the operator in STR_OPERATION, 0 when it is none
// (operator words match in upper case only).
int FindOperation(StringView text);
// The operator's number of operands, 0 when it is none.
int OperPriority(StringView text);

// Reads text of the form [blanks][sign][digits][.digits][E[sign]digits],
// all of it; "." alone reads as 0. False for anything else and for numbers
// too large for a double.
bool ReadDecimal(StringView text, double& value);
// True when the text, with its first regional decimal separator read as
// ".", is a decimal number by ReadDecimal.
bool StringIsNumeric(StringView text);
// True when every character of the trimmed text is a digit, a sign in first
// place or the one regional decimal separator; an empty text counts.
bool IsNumeric(StringView text);
// True for a non-empty text of letters only.
bool IsAlpha(StringView text);
// The text without thousand separators (the regional one, and "," where
// "," does not separate decimals) and without the first currency string
// (the regional one, else "$").
String ClearNumValue(StringView text);

// Cuts the first item off a list: item is the text up to the first
// delimiter, right-trimmed; the item and the delimiter leave the text.
void GetNextItem(StringView delimiter, String& text, String& item);
// The text with old replaced by new: every occurrence with replaceAll
// (letter case counts then), else the first, letter case ignored with
// ignoreCase. An empty old replaces nothing.
String ReplaceStr(StringView text, StringView oldText, StringView newText, bool ignoreCase, bool replaceAll);
String ReplaceWideStr(StringView text, StringView oldText, StringView newText, bool ignoreCase, bool replaceAll);
// 0-based position of needle in text from position from, or npos; linear
// in the lengths.
size_t FindText(StringView text, StringView needle, size_t from = 0);
// count copies of the character (none for count <= 0).
String ReplicateChar(WideChar c, Integer count);
// The text cut to length characters, then filled with c on the left (PadL)
// or the right (PadR) up to length.
String PadL(StringView text, Integer length, WideChar c);
String PadR(StringView text, Integer length, WideChar c);

// base raised to exponent: 1 for exponent 0, 0 for base 0 with a positive
// exponent, repeated squaring for whole exponents and e^(exponent * ln base)
// otherwise.
double Power(double base, double exponent);
double IntPower(double base, Int64 exponent);
// n * (n - 1) * ... down to the first factor not above 1, with variant
// multiplication; n itself when it is not above 1.
Variant Exl(const Variant& n);
// b when a is null or a > b (Min) / a < b (Max), else a.
Variant Min(const Variant& a, const Variant& b);
Variant Max(const Variant& a, const Variant& b);

Integer VarAsInteger(const Variant& v);
// The value as a number for arithmetic: 0 for null and empty; numbers and
// dates as they are; a text cleaned by ClearNumValue and read as a number
// when StringIsNumeric accepts it, else 0 (booleans too give 0).
Variant VarAsNum(const Variant& v);
// The first character of a text, a blank for anything else or an empty
// text.
WideChar VarAsChar(const Variant& v);
