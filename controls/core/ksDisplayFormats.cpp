#include "controls/core/ksDisplayFormats.h"

#include <array>
#include <mutex>
#include <vector>

#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr StringView kFloatName = u"FFloatFormat";
constexpr StringView kCurrencyName = u"FCurrencyFormat";
constexpr StringView kIntegerName = u"FIntegerFormat";
constexpr StringView kDateName = u"FDateFormat";
constexpr StringView kTimeName = u"FTimeFormat";

const String& OrDefault(const String& value, const String& defaultValue) {
  return value.empty() ? defaultValue : value;
}

String Utf16ToString(std::string_view bytes, bool bigEndian) {
  String text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    auto b0 = static_cast<unsigned char>(bytes[2 * i]), b1 = static_cast<unsigned char>(bytes[2 * i + 1]);
    text[i] = static_cast<char16_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0);
  }
  return text;
}

// The stream's text from its position: UTF-8 or UTF-16 after their mark,
// the ANSI code page without one.
String ReadText(TStream& stream) {
  TByteOrderMark mark = ReadByteOrderMark(stream);
  std::string bytes(static_cast<size_t>(std::max<Int64>(stream.Size() - stream.Position(), 0)), '\0');
  bytes.resize(static_cast<size_t>(stream.Read(bytes.data(), static_cast<Int64>(bytes.size()))));
  switch (mark) {
    case TByteOrderMark::Utf8: return Utf8ToString(bytes);
    case TByteOrderMark::Utf16LE: return Utf16ToString(bytes, false);
    case TByteOrderMark::Utf16BE: return Utf16ToString(bytes, true);
    case TByteOrderMark::None: break;
  }
  return AnsiToString(bytes);
}

std::mutex gSharedLock;
std::weak_ptr<TksDisplayFormats> gShared;

}  // namespace

bool IsNumericFormatType(TFieldType dataType) {
  switch (dataType) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftLargeint: case ftShortint:
      return true;
    default:
      return false;
  }
}

String TksDisplayFormats::GetFloatFormat() const {
  static const String kDefault = u"#,##0.00";
  return OrDefault(FFloatFormat, kDefault);
}

String TksDisplayFormats::GetCurrencyFormat() const {
  static const String kDefault = u"#,##0.00";
  return OrDefault(FCurrencyFormat, kDefault);
}

String TksDisplayFormats::GetIntegerFormat() const {
  static const String kDefault = u"#,##0";
  return OrDefault(FIntegerFormat, kDefault);
}

String TksDisplayFormats::GetDateFormat() const { return OrDefault(FDateFormat, FormatSettings.ShortDateFormat); }

String TksDisplayFormats::GetTimeFormat() const { return OrDefault(FTimeFormat, FormatSettings.ShortTimeFormat); }

String TksDisplayFormats::GetDateTimeFormat() const { return GetDateFormat() + u" " + GetTimeFormat(); }

String TksDisplayFormats::FormatForFieldType(TFieldType dataType, const String& defaultFormat) const {
  switch (dataType) {
    case ftSmallint: case ftInteger: case ftWord: case ftLargeint: case ftShortint: return GetIntegerFormat();
    case ftFloat: return GetFloatFormat();
    case ftCurrency: return GetCurrencyFormat();
    case ftDate: return GetDateFormat();
    case ftTime: return GetTimeFormat();
    case ftDateTime: return GetDateTimeFormat();
    default: return defaultFormat;
  }
}

String TksDisplayFormats::FormatForField(const TField& field) const { return FormatForFieldType(field.DataType(), {}); }

String TksDisplayFormats::FormatForExcel(StringView format, TFieldType dataType) {
  if (!IsNumericFormatType(dataType)) return String(format);
  // Positions count from 1, an absent character is at 0.
  auto position = [&](char16_t c) { size_t p = format.find(c); return p == StringView::npos ? 0 : p + 1; };
  if (position(u',') >= position(u'.')) return {};
  String swapped(format);
  for (char16_t& c : swapped) {
    if (c == u',') c = u'.';
    else if (c == u'.') c = u',';
  }
  return swapped;
}

void TksDisplayFormats::RestoreDefaults() {
  FFloatFormat.clear();
  FCurrencyFormat.clear();
  FIntegerFormat.clear();
  FDateFormat.clear();
  FTimeFormat.clear();
}

void TksDisplayFormats::SaveToStream(TStream& stream) const {
  const std::array<std::pair<StringView, const String*>, 5> lines = {{{kFloatName, &FFloatFormat},
                                                                      {kCurrencyName, &FCurrencyFormat},
                                                                      {kIntegerName, &FIntegerFormat},
                                                                      {kDateName, &FDateFormat},
                                                                      {kTimeName, &FTimeFormat}}};
  String text;
  for (const auto& [name, value] : lines) {
    if (value->empty()) continue;
    text.append(name).append(u"=").append(*value).append(u"\r\n");
  }
  AnsiString bytes = StringToAnsi(text);
  stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}

void TksDisplayFormats::LoadFromStream(TStream& stream) {
  String text = ReadText(stream);
  std::vector<std::pair<StringView, StringView>> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == String::npos) end = text.size();
    StringView line = StringView(text).substr(start, end - start);
    start = end + (text.compare(end, 2, u"\r\n") == 0 ? 2 : 1);
    size_t eq = line.find(u'=');
    if (eq != StringView::npos) lines.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
  // A name's first line counts, as in any name=value list; names are
  // compared without case.
  auto valueOf = [&](StringView name) {
    for (const auto& [n, v] : lines) {
      if (SameText(n, name)) return String(v);
    }
    return String();
  };
  FFloatFormat = valueOf(kFloatName);
  FCurrencyFormat = valueOf(kCurrencyName);
  FIntegerFormat = valueOf(kIntegerName);
  FDateFormat = valueOf(kDateName);
  FTimeFormat = valueOf(kTimeName);
}

void TksDisplayFormats::CopyFrom(const TksDisplayFormats& source) {
  TMemoryStream stream;
  source.SaveToStream(stream);
  stream.SetPosition(0);
  LoadFromStream(stream);
}

void TksDisplayFormats::FormatDatasetFields(TDataSet& dataSet, bool formatIntegerFields) const {
  for (int i = 0; i < dataSet.FieldCount(); ++i) {
    TField* field = dataSet.Fields()[i];
    if (!formatIntegerFields && dynamic_cast<TIntegerField*>(field) != nullptr) continue;
    if (auto* numeric = dynamic_cast<TNumericField*>(field)) {
      String format = FormatForField(*numeric);
      numeric->SetEditFormat(format);
      numeric->SetDisplayFormat(format);
    } else if (auto* dateTime = dynamic_cast<TDateTimeField*>(field)) {
      dateTime->SetDisplayFormat(FormatForField(*dateTime));
    }
  }
}

IksDisplayFormats DisplayFormats() {
  std::lock_guard lock(gSharedLock);
  IksDisplayFormats formats = gShared.lock();
  if (!formats) {
    formats = std::make_shared<TksDisplayFormats>();
    formats->RestoreDefaults();
    gShared = formats;
  }
  return formats;
}
