// Text routines the export writers share: padding for fixed-width columns,
// markup escaping, the DOS and mainframe character sets, Base64, UTF-8, tag
// replacement and the W3C date-time text.
//
// Numbers are read with the runtime's StrToFloatDef (platform/rtl/TextConvert.h),
// which already gives the default for a blank or non-numeric text.
#pragma once

#include <cstddef>
#include <span>

#include "export/ExportTypes.h"
#include "platform/rtl/Types.h"

class TStream;

// ---- Padding ----

// The text right-aligned in a field of `width` characters (blanks in front);
// a negative width left-aligns it in a field of |width|. A text at least as
// long as the field is returned whole: padding never truncates.
String PadLSpace(StringView text, Integer width);
// The text left-aligned (blanks behind); a negative width right-aligns it.
String PadRSpace(StringView text, Integer width);
// The text with the same number of blanks on each side: |h| but at least one,
// where h = (width - length) / 2 truncated toward zero. An odd difference
// therefore yields one character less than the width, and a text that fills
// or overflows the width still gets blanks on both sides.
String PadCSpace(StringView text, Integer width);
// The same three, appended to a buffer of the caller's.
void AppendPadLSpace(String& out, StringView text, Integer width);
void AppendPadRSpace(String& out, StringView text, Integer width);
void AppendPadCSpace(String& out, StringView text, Integer width);

// ---- Markup ----

// Escapes the characters markup cannot hold as they are: the double quote,
// per cent, ampersand, apostrophe, less-than and greater-than become entities
// or character references; control characters other than TAB, LF and CR
// become "%" and two upper-case hexadecimal digits; the copyright, degree,
// pilcrow and (for HTML and XML only) plus-minus signs become references.
// HTML gets the named entities "&copy;", "&para;", "&plusmn;"; XML and the
// XLSX parts, which know no such names, get numeric references.
String ReplaceHTMLSystemChars(StringView text, TTableTypeExport tableType);

// Every non-overlapping occurrence of oldTag, from left to right and with
// regard to case, replaced by newTag. An empty oldTag replaces nothing.
String ReplaceTags(StringView text, StringView oldTag, StringView newTag);

// ---- Character sets ----

// The text in the OEM (DOS) code page, one byte per character; characters
// the code page lacks become '?'.
AnsiString AnsiToOemStr(StringView text);
// With `convert` set, the OEM bytes of the text carried one per character
// (each character of the result is a byte value 0..255); else the empty text.
String UECode(bool convert, StringView text);
// One ASCII byte mapped to the mainframe's EBCDIC: control bytes stay, the
// printable range follows the export's table, bytes from 0x80 become 0x4B.
Byte ASCII2EBCDIC(Byte value);
// The text converted to the ANSI code page and every byte mapped through
// ASCII2EBCDIC; one EBCDIC byte per character of the result.
String EBCDICCode(StringView text);

// ---- Base64 and UTF-8 ----

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
String Encode64(std::string_view bytes);

// UTF-8 of a UTF-16 text into a buffer of destSize bytes, always followed by
// a terminating 0. Surrogate pairs become one four-byte sequence; a lone
// surrogate becomes U+FFFD. Encoding stops before a character whose bytes
// would not fit in front of the terminator, so the output is never cut inside
// a character. Returns the bytes written including the terminator (0 when
// destSize is 0); without a destination, the bytes the whole source needs
// plus one; without a source, 0.
size_t ZAZUnicodeToUtf8(char* dest, size_t destSize, const WideChar* source, size_t sourceLength);
// The UTF-8 bytes of the text (surrogate pairs and lone surrogates as above).
std::string ZAZUtf8Encode(StringView text);

// ---- Separators in settings files ----

// Every character as its code in upper-case hexadecimal, at least two digits
// ("\t" gives "09", ";" "3B", character 0 "00").
String TranslateToHex(StringView text);
// Writes each line in UTF-16LE followed by CR LF.
void WriteUtf16LELines(TStream& stream, std::span<const String> lines);
// Pairs of hexadecimal digits back to characters; an odd last digit and any
// pair that is not hexadecimal are ignored.
String TranslateFromHex(StringView text);

// ---- Dates ----

// The two patterns of the W3C date-time text.
inline constexpr char16_t DefDTFormatForW3CDTF1[] = u"yyyy-mm-dd";
inline constexpr char16_t DefDTFormatForW3CDTF2[] = u"hh:nn:ss";
// "yyyy-mm-ddThh:nn:ssZ" for a non-zero value, the empty text for 0. The
// value is written as given (a caller that wants true UTC passes UTC), and
// always with "-" and ":" whatever the process's separators are.
String GetXMLDateTime(TDateTime value);
