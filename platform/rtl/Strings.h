// UTF-16 strings, code-page conversion and message formatting.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

#include "platform/rtl/Types.h"

// Well-known code page numbers.
inline constexpr int CP_UTF8 = 65001;
inline constexpr int CP_UTF16LE = 1200;
inline constexpr int CP_EBCDIC = 37;  // IBM EBCDIC US/Canada

// The system ANSI and OEM code pages: 1250 and 852 unless the environment
// variables ANSI_CODEPAGE and OEM_CODEPAGE name others (read at start-up by
// RtlInitialize, and on first use before that).
int AnsiCodePage();
int OemCodePage();
void SetAnsiCodePage(int codePage);
void SetOemCodePage(int codePage);
// True when the ANSI code page has characters of more than one byte
// (the Far East code pages 932, 936, 949, 950 and UTF-8).
bool IsMultiByteAnsiCodePage();

// UTF-8 <-> UTF-16. Invalid input is replaced with U+FFFD, never rejected.
std::string StringToUtf8(StringView s);
// The UTF-8 bytes of one code point appended to out.
void AppendUtf8(std::string& out, char32_t c);
String Utf8ToString(std::string_view s);

// Code page <-> UTF-16. Characters the code page lacks become '?'.
// Raises EEncodingError for an unknown code page.
String CodePageToString(std::string_view bytes, int codePage);
RawByteString StringToCodePage(StringView s, int codePage);
// The system ANSI code page.
String AnsiToString(std::string_view bytes);
AnsiString StringToAnsi(StringView s);
// Length of the UTF-16 form of 8-bit text in the ANSI code page, and the
// length of the ANSI form of UTF-16 text (equal to the input length for
// single-byte code pages).
size_t AnsiLengthAsUtf16(std::string_view bytes);
size_t Utf16LengthAsAnsi(StringView s);

String StrFromAscii(std::string_view s);
String IntToStr(Int64 value);
String UIntToStr(UInt64 value);

// The platform's Format with %s, %d, %u, %x, %f, %g, %e, %n, %% and the
// optional index, width and precision ("%-10s", "%.2f", "%0:s"); real
// numbers take the decimal separator of the process-wide format settings.
using FormatArg = std::variant<Int64, UInt64, double, String>;
String Format(StringView fmt, std::initializer_list<FormatArg> args);

String UpperCase(StringView s);   // ASCII letters only
String LowerCase(StringView s);   // ASCII letters only
String Trim(StringView s);        // drops leading and trailing characters <= ' '
String TrimRight(StringView s);
String TrimLeft(StringView s);
bool SameText(StringView a, StringView b);  // ASCII case-insensitive
int CompareStr(StringView a, StringView b);  // ordinal, -1/0/1
