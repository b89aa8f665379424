#include "export/ExportText.h"

#include <array>
#include <cstring>

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

// Blanks a text lacks to fill a field of the width (negative when it is longer).
Int64 Missing(StringView text, Integer width) { return static_cast<Int64>(width) - static_cast<Int64>(text.size()); }

// |width| for a negative width; the smallest Integer has no positive
// counterpart and gets the largest.
Integer Flipped(Integer width) { return width == INT32_MIN ? INT32_MAX : -width; }

String Hex2(unsigned value) {
  static constexpr char16_t digits[] = u"0123456789ABCDEF";
  return String{digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

// The carrier of converted texts: each byte becomes one character 0..255.
String BytesAsChars(std::string_view bytes) {
  String out(bytes.size(), u'\0');
  for (size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<unsigned char>(bytes[i]);
  return out;
}

// The export's EBCDIC table for 0x20..0x7F; below it bytes stay, above it
// every byte becomes 0x4B.
constexpr std::array<Byte, 96> kEbcdicPrintable = {
    0x40, 0x5A, 0x7F, 0x7B, 0x5B, 0x6C, 0x50, 0x7D, 0x4D, 0x5D, 0x5C, 0x4E, 0x6B, 0x60, 0x4B, 0x61,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0x7A, 0x5E, 0x4C, 0x7E, 0x6E, 0x6F,
    0x7C, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6,
    0xD7, 0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xAD, 0xE0, 0xBD, 0x5F, 0x6D,
    0x7D, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96,
    0x97, 0x98, 0x99, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xC0, 0x6A, 0xD0, 0xA1, 0x4B};

// Bytes of the UTF-8 sequence that starts with this lead byte.
size_t Utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  return 4;
}

}  // namespace

void AppendPadLSpace(String& out, StringView text, Integer width) {
  if (width < 0) return AppendPadRSpace(out, text, Flipped(width));
  const Int64 missing = Missing(text, width);
  if (missing > 0) out.append(static_cast<size_t>(missing), u' ');
  out.append(text);
}

void AppendPadRSpace(String& out, StringView text, Integer width) {
  if (width < 0) return AppendPadLSpace(out, text, Flipped(width));
  const Int64 missing = Missing(text, width);
  out.append(text);
  if (missing > 0) out.append(static_cast<size_t>(missing), u' ');
}

void AppendPadCSpace(String& out, StringView text, Integer width) {
  const Int64 half = Missing(text, width) / 2;
  const size_t side = static_cast<size_t>(half == 0 ? 1 : (half < 0 ? -half : half));
  out.append(side, u' ');
  out.append(text);
  out.append(side, u' ');
}

String PadLSpace(StringView text, Integer width) {
  String out;
  AppendPadLSpace(out, text, width);
  return out;
}

String PadRSpace(StringView text, Integer width) {
  String out;
  AppendPadRSpace(out, text, width);
  return out;
}

String PadCSpace(StringView text, Integer width) {
  String out;
  AppendPadCSpace(out, text, width);
  return out;
}

String ReplaceHTMLSystemChars(StringView text, TTableTypeExport tableType) {
  const bool html = tableType == teHTML;
  // XML knows only its own five entity names; the XLSX parts are XML too.
  const bool xml = tableType == teXML || tableType == teExcel2007;
  String out;
  out.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
      case u'\t': case u'\n': case u'\r': out += c; break;
      case u'"': out += u"&quot;"; break;
      case u'%': out += u"&#37;"; break;
      case u'&': out += u"&amp;"; break;
      case u'\'': out += u"&apos;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'\u00A9': out += xml ? u"&#169;" : u"&copy;"; break;
      case u'\u00B0': out += u"&#176;"; break;
      case u'\u00B6': out += xml ? u"&#182;" : u"&para;"; break;
      case u'\u00B1':
        if (html) out += u"&plusmn;";
        else if (tableType == teXML) out += u"&#177;";
        else out += c;
        break;
      default:
        if (c < 0x20) out += u'%' + Hex2(c);
        else out += c;
    }
  }
  return out;
}

String ReplaceTags(StringView text, StringView oldTag, StringView newTag) {
  if (oldTag.empty() || oldTag == newTag) return String(text);
  String out;
  size_t from = 0;
  for (size_t at = text.find(oldTag); at != StringView::npos; at = text.find(oldTag, from)) {
    out.append(text.substr(from, at - from));
    out.append(newTag);
    from = at + oldTag.size();
  }
  out.append(text.substr(from));
  return out;
}

AnsiString AnsiToOemStr(StringView text) { return StringToCodePage(text, OemCodePage()); }

String UECode(bool convert, StringView text) { return convert ? BytesAsChars(AnsiToOemStr(text)) : String(); }

Byte ASCII2EBCDIC(Byte value) {
  if (value < 0x20) return value;
  if (value >= 0x80) return 0x4B;
  return kEbcdicPrintable[value - 0x20];
}

String EBCDICCode(StringView text) {
  AnsiString ansi = StringToAnsi(text);
  String out(ansi.size(), u'\0');
  for (size_t i = 0; i < ansi.size(); ++i) out[i] = ASCII2EBCDIC(static_cast<Byte>(ansi[i]));
  return out;
}

String Encode64(std::string_view bytes) {
  static constexpr char16_t alphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  String out((bytes.size() + 2) / 3 * 4, u'=');
  char16_t* to = out.data();
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3, to += 4) {
    unsigned group = (unsigned(Byte(bytes[i])) << 16) | (unsigned(Byte(bytes[i + 1])) << 8) | Byte(bytes[i + 2]);
    to[0] = alphabet[(group >> 18) & 0x3F];
    to[1] = alphabet[(group >> 12) & 0x3F];
    to[2] = alphabet[(group >> 6) & 0x3F];
    to[3] = alphabet[group & 0x3F];
  }
  // One or two trailing bytes: two or three characters, the rest stays "=".
  size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned group = unsigned(Byte(bytes[i])) << 16;
    if (rest == 2) group |= unsigned(Byte(bytes[i + 1])) << 8;
    to[0] = alphabet[(group >> 18) & 0x3F];
    to[1] = alphabet[(group >> 12) & 0x3F];
    if (rest == 2) to[2] = alphabet[(group >> 6) & 0x3F];
  }
  return out;
}

size_t ZAZUnicodeToUtf8(char* dest, size_t destSize, const WideChar* source, size_t sourceLength) {
  if (source == nullptr) return 0;
  std::string bytes = StringToUtf8(StringView(source, sourceLength));
  if (dest == nullptr) return bytes.size() + 1;
  if (destSize == 0) return 0;
  // Room is kept for the terminator, and only whole characters are copied:
  // cutting a sequence to make room would leave invalid UTF-8 behind.
  size_t room = destSize - 1;
  size_t used = 0;
  while (used < bytes.size()) {
    size_t next = used + Utf8SequenceLength(static_cast<unsigned char>(bytes[used]));
    if (next > room) break;
    used = next;
  }
  std::memcpy(dest, bytes.data(), used);
  dest[used] = '\0';
  return used + 1;
}

std::string ZAZUtf8Encode(StringView text) { return StringToUtf8(text); }

String GetXMLDateTime(TDateTime value) {
  if (value == 0) return String();
  // A W3C date-time has fixed separators, so the process's own (which an
  // export run replaces with its data formats) must not leak in.
  static const TFormatSettings invariant = TFormatSettings::Invariant();
  return FormatDateTime(DefDTFormatForW3CDTF1, value, invariant) + u"T" +
         FormatDateTime(DefDTFormatForW3CDTF2, value, invariant) + u"Z";
}

String TranslateToHex(StringView text) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  String out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    String code;
    for (unsigned v = c; v != 0 || code.size() < 2; v >>= 4) code.insert(code.begin(), kDigits[v & 0xF]);
    out += code;
  }
  return out;
}

void WriteUtf16LELines(TStream& stream, std::span<const String> lines) {
  std::string bytes;
  for (const String& line : lines) {
    for (char16_t c : line + u"\r\n") {
      bytes += static_cast<char>(c & 0xFF);
      bytes += static_cast<char>(c >> 8);
    }
  }
  stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}

String TranslateFromHex(StringView text) {
  auto digit = [](char16_t c) -> int {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
  };
  String out;
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    const int high = digit(text[i]), low = digit(text[i + 1]);
    if (high >= 0 && low >= 0) out += static_cast<char16_t>(high * 16 + low);
  }
  return out;
}
