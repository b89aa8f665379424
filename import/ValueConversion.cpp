#include "import/ValueConversion.h"

#include <array>

#include "import/DateMask.h"
#include "import/ExpressionHelpers.h"
#include "import/VODUtils.h"
#include "platform/db/Field.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

TConversionKind ConversionKindOf(TFieldType fieldType) {
  switch (fieldType) {
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
    case ftExtended:
    case ftSingle: return TConversionKind::Float;
    case ftDate:
    case ftDateTime:
    case ftTimeStamp: return TConversionKind::DateTime;
    case ftTime: return TConversionKind::Time;
    case ftBoolean: return TConversionKind::Boolean;
    default: return TConversionKind::Other;
  }
}

bool IsNumericOrDateTimeType(TFieldType fieldType) {
  switch (fieldType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftLongWord:
    case ftShortint:
    case ftByte: return true;
    default: return ConversionKindOf(fieldType) != TConversionKind::Other && fieldType != ftBoolean;
  }
}

bool IsEmptyText(const Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return true;
  if (const String* text = value.StringValue()) return text->empty();
  switch (value.VarType()) {
    // Numbers, dates and booleans always have a text: no need to format one.
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency: case varDate:
    case varBoolean: case varShortInt: case varByte: case varWord: case varLongWord: case varInt64:
    case varUInt64:
      return false;
    default:
      return value.AsString().empty();
  }
}

bool ReadNumberWithSeparator(StringView text, WideChar decimalSeparator, double& value) {
  String number(text);
  if (decimalSeparator != u'.') {
    // A "." that is not the separator would otherwise read as one.
    if (number.find(u'.') != String::npos) return false;
    size_t separator = number.find(decimalSeparator);
    if (separator != String::npos) number[separator] = u'.';
  }
  return ReadDecimal(number, value);
}

namespace {

void RemoveAll(String& text, WideChar c) {
  if (c != 0) std::erase(text, c);
}

Variant ConvertFloat(const String& text, const TSMIDataFormats& formats) {
  String cleaned = text;
  RemoveAll(cleaned, formats.ThousandSeparator());
  if (!formats.CurrencyString().empty()) {
    size_t at = cleaned.find(formats.CurrencyString());
    if (at != String::npos) cleaned.erase(at, formats.CurrencyString().size());
  }
  if (SameText(cleaned, u"NULL")) return Variant::Null();
  if (!cleaned.empty() && cleaned[0] == formats.DecimalSeparator()) cleaned = u"0" + cleaned;
  double number;
  if (ReadNumberWithSeparator(cleaned, formats.DecimalSeparator(), number)) return Variant(number);
  return Variant(cleaned);
}

Variant ConvertDateTime(const String& text, const TConversionContext& context) {
  String compact = text;
  for (WideChar c : {u'/', u':', context.Formats.DateSeparator(), context.Formats.TimeSeparator()})
    RemoveAll(compact, c);
  compact = Trim(compact);
  // An empty date and the zero date of the platform mean "no date".
  if (compact.empty() || compact == u"18991230") return Variant::Null();
  TDateTime d = GetDTByMask(Trim(text), context.DateTimeMask, context.Formats.DateSeparator(),
                            context.Formats.TimeSeparator());
  return d != 0 ? Variant::FromDateTime(d) : Variant(text);
}

// True when the text writes midnight: it has digits and all are zeros.
bool WritesMidnight(StringView text) {
  bool digits = false;
  for (WideChar c : text) {
    if (c >= u'1' && c <= u'9') return false;
    digits = digits || c == u'0';
  }
  return digits;
}

Variant ConvertTime(const String& text, const TConversionContext& context) {
  String trimmed = Trim(text);
  TDateTime d = GetDTByMask(trimmed, context.TimeMask, context.Formats.DateSeparator(),
                            context.Formats.TimeSeparator());
  // The reader answers 0 both for midnight and for a text without a time;
  // the latter keeps its text so that the field refuses it instead of
  // storing a midnight nobody wrote.
  if (d == 0 && !WritesMidnight(trimmed)) return Variant(text);
  return Variant::FromDateTime(d);
}

Variant ConvertBoolean(const String& text, const TSMIDataFormats& formats) {
  if (text == formats.BooleanTrue() || text == u"True" || text == u"1" || text == u"T" || text == u"Y")
    return Variant(true);
  if (text == formats.BooleanFalse() || text == u"False" || text == u"0" || text == u"F" || text == u"N")
    return Variant(false);
  if (text == u"-1") return Variant::Null();
  return Variant(text);
}

// Blob values: Base64 from MIME sources, and CDATA sections unwrapped;
// text follows the value.
constexpr StringView kCData = u"[CDATA[";

void UnwrapBlobText(Variant& value, String& text, const TField& field, bool blobIsMime) {
  constexpr StringView cdata = kCData;
  const bool isCData = text.starts_with(cdata);
  if (!isCData && !(blobIsMime && field.IsBlob())) return;
  String inner = isCData && text.size() >= cdata.size() + 2 ? text.substr(cdata.size(), text.size() - cdata.size() - 2)
                                                             : String();
  if (blobIsMime) text = Decode64(isCData ? inner : text);
  else text = std::move(inner);
  value = Variant(text);
}

}  // namespace

void ConvertValueForField(Variant& value, const TField& field, const TConversionContext& context) {
  try {
    if (!VarIsStr(value)) return;
    const TConversionKind kind = ConversionKindOf(field.DataType());
    // Text for a text field stays as it is unless it is blob content: the
    // common case needs no copy of the text.
    if (kind == TConversionKind::Other && !(context.BlobIsMime && field.IsBlob())) {
      const String* direct = value.StringValue();
      if (direct != nullptr && !direct->starts_with(kCData)) return;
    }
    String text = value.AsString();
    UnwrapBlobText(value, text, field, context.BlobIsMime);
    switch (kind) {
      case TConversionKind::Float: value = ConvertFloat(text, context.Formats); break;
      case TConversionKind::DateTime: value = ConvertDateTime(text, context); break;
      case TConversionKind::Time: value = ConvertTime(text, context); break;
      case TConversionKind::Boolean: value = ConvertBoolean(text, context.Formats); break;
      case TConversionKind::Other: break;
    }
  } catch (const Exception&) {
    // The value keeps what it had; the field's assignment decides.
  }
}

String Decode64(StringView text) {
  static constexpr StringView alphabet = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  auto sextet = [](WideChar c) -> unsigned {
    size_t at = alphabet.find(c);
    return at == StringView::npos ? 0u : static_cast<unsigned>(at);
  };
  String result;
  result.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i + 4 <= text.size(); i += 4) {
    StringView group = text.substr(i, 4);
    if (group[0] == u'=') continue;
    unsigned bits = sextet(group[0]) << 18 | sextet(group[1]) << 12 | sextet(group[2]) << 6 | sextet(group[3]);
    result += static_cast<WideChar>(bits >> 16 & 0xFF);
    if (group[2] == u'=') continue;
    result += static_cast<WideChar>(bits >> 8 & 0xFF);
    if (group[3] == u'=') continue;
    result += static_cast<WideChar>(bits & 0xFF);
  }
  return result;
}

namespace {

constexpr std::array<Byte, 256> MakeEbcdicTable() {
  std::array<Byte, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = c < 32 ? static_cast<Byte>(c) : 0x4B;
  // Printable ASCII from the blank (32) to "~" (126).
  constexpr Byte printable[95] = {
      0x40, 0x5A, 0x7F, 0x7B, 0x5B, 0x6C, 0x50, 0x7D, 0x4D, 0x5D, 0x5C, 0x4E, 0x6B, 0x60, 0x4B, 0x61,  // blank to /
      0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9,                                      // 0 to 9
      0x7A, 0x5E, 0x4C, 0x7E, 0x6E, 0x6F, 0x7C,                                                        // : to @
      0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xD1, 0xD2, 0xD3, 0xD4,                    // A to M
      0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9,                    // N to Z
      0xAD, 0xE0, 0xBD, 0x5F, 0x6D, 0x7D,                                                              // [ to `
      0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x91, 0x92, 0x93, 0x94,                    // a to m
      0x95, 0x96, 0x97, 0x98, 0x99, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9,                    // n to z
      0xC0, 0x6A, 0xD0, 0xA1};                                                                         // { to ~
  for (int i = 0; i < 95; ++i) table[32 + i] = printable[i];
  return table;
}

constexpr std::array<Byte, 256> EbcdicTable = MakeEbcdicTable();

// EBCDIC bytes to characters: for each code the first character the table
// gives it ("." for 4B, the apostrophe for 7D).
constexpr std::array<char16_t, 256> MakeEbcdicDecodeTable() {
  std::array<char16_t, 256> table{};
  for (auto& c : table) c = u'?';
  for (int c = 127; c-- > 0;) table[EbcdicTable[static_cast<size_t>(c)]] = static_cast<char16_t>(c);
  return table;
}

constexpr std::array<char16_t, 256> EbcdicDecodeTable = MakeEbcdicDecodeTable();

}  // namespace

namespace ImportText {

Byte ASCII2EBCDIC(Byte c) { return EbcdicTable[c]; }

String EBCDICCode(StringView text) {
  String result(text.size(), u'\0');
  for (size_t i = 0; i < text.size(); ++i) result[i] = EbcdicTable[text[i] & 0xFF];
  return result;
}

String EBCDICToText(StringView text) {
  const AnsiString bytes = StringToAnsi(text);
  String result(bytes.size(), u'\0');
  for (size_t i = 0; i < bytes.size(); ++i) result[i] = EbcdicDecodeTable[static_cast<Byte>(bytes[i])];
  return result;
}

String UECode(bool oem, const String& text) { return oem ? OemToAnsiStr(text) : text; }

}  // namespace ImportText
