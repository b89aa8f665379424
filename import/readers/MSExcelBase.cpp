#include "import/readers/MSExcelBase.h"

#include <algorithm>
#include <cstring>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/Strings.h"

TFileBytes ReadFileBytes(TStream& stream) {
  TFileBytes bytes;
  bytes.Size = static_cast<size_t>(std::max<Int64>(stream.Size() - stream.Position(), 0));
  bytes.Data = std::make_unique_for_overwrite<Byte[]>(std::max<size_t>(bytes.Size, 1));
  if (bytes.Size != 0) stream.ReadBuffer(bytes.Data.get(), static_cast<Int64>(bytes.Size));
  return bytes;
}

TCustomMSExcel::TCustomMSExcel(TComponent* owner) : TSpreadSheetFile(owner) {}

void TCustomMSExcel::ApplyEvents() {
  TSpreadSheetFile::ApplyEvents();
  intRowCount = intColCount = -1;
  intXLSRowCount = intXLSColCount = 0;
  CountIsDefined = false;
  SST.clear();
  FSummaryInformation.Clear();
  Formats.clear();
  NumericFormats.clear();
  FFormatClass.clear();
  Fonts.clear();
  SheetNames.clear();
  Names.clear();
  FCurSheet = -1;
  FIsEncrypted = false;
  FBaseDate = 0;
}

void TCustomMSExcel::PutBuiltInFormats(bool package) {
  static const char16_t* const kFormats[] = {
      u"General", u"0", u"0.00", u"#,##0", u"#,##0.00", u"($#,##0_);($#,##0)", u"($#,##0_);[Red]($#,##0)",
      u"($#,##0.00_);($#,##0.00)", u"($#,##0.00_);[Red]($#,##0.00)", u"0%", u"0.00%", u"0.00E+00", u"# ?/?",
      u"# ?\?/??", u"m/d/yy", u"d-mmm-yy", u"d-mmm", u"mmm-yy", u"h:mm AM/PM", u"h:mm:ss AM/PM", u"h:mm",
      u"h:mm:ss", u"m/d/yy h:mm"};
  static const char16_t* const kFormats37[] = {
      u"(#,##0_);(#,##0)", u"(#,##0_);[Red](#,##0)", u"(#,##0.00_);(#,##0.00)", u"(#,##0.00_);[Red](#,##0.00)",
      u"_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)", u"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)",
      u"_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"?\?_);_(@_)", u"_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"?\?_);_(@_)",
      u"mm:ss", u"[h]:mm:ss", u"mm:ss.0", u"##0.0E+0", u"@"};
  NumericFormats.assign(50, String());
  for (size_t i = 0; i < std::size(kFormats); ++i) NumericFormats[i] = kFormats[i];
  for (size_t i = 0; i < std::size(kFormats37); ++i) NumericFormats[37 + i] = kFormats37[i];
  if (package) NumericFormats[8] = u"$#,##0.00_);[Red]($#,##0.00)";
  FFormatClass.clear();
}

void TCustomMSExcel::AddFormat(bool numberFormat, const String& formatText, Integer index, Integer fontIndex,
                               Integer alignment, Integer background) {
  FFormatClass.clear();
  if (numberFormat) {
    // Number format indices are 16-bit in every version.
    if (index < 0 || index > 0xFFFF) return;
    if (static_cast<Integer>(NumericFormats.size()) <= index) NumericFormats.resize(static_cast<size_t>(index) + 1);
    NumericFormats[static_cast<size_t>(index)] = formatText;
    return;
  }
  TXLSFormat* format = nullptr;
  if (!formatText.empty()) {
    for (TXLSFormat& f : Formats)
      if (f.Name == formatText) format = &f;
  }
  if (format == nullptr) {
    Formats.emplace_back();
    format = &Formats.back();
    format->Name = formatText;
  }
  if (!formatText.empty()) {
    auto it = std::find(NumericFormats.begin(), NumericFormats.end(), formatText);
    if (it == NumericFormats.end()) {
      NumericFormats.push_back(formatText);
      it = NumericFormats.end() - 1;
    }
    format->NumberFormatIndex = static_cast<Integer>(it - NumericFormats.begin());
  } else {
    format->NumberFormatIndex = index;
  }
  format->FontIndex = fontIndex;
  if (!formatText.empty() && StringIsDateTimeFormat(LowerCase(formatText))) format->IsDateTime = true;
  if (alignment != -1) {
    format->HorAlignment = static_cast<Byte>(alignment & 7);
    format->VerAlignment = ivaTop;
  }
  format->Background = background;
}

bool TCustomMSExcel::StringIsDateTimeFormat(StringView lowerCaseFormat) {
  return lowerCaseFormat.find(u"dd") != StringView::npos || lowerCaseFormat.find(u"mm") != StringView::npos ||
         lowerCaseFormat.find(u"yy") != StringView::npos;
}

Integer TCustomMSExcel::NumberFormatOf(Integer formatIndex) const {
  if (formatIndex < 0) return -1;
  if (formatIndex < static_cast<Integer>(Formats.size())) {
    const Integer n = Formats[static_cast<size_t>(formatIndex)].NumberFormatIndex;
    return n <= 0 ? -1 : n;
  }
  return formatIndex;
}

Byte TCustomMSExcel::FormatClass(Integer numberFormat) {
  if (numberFormat < 0 || numberFormat >= static_cast<Integer>(NumericFormats.size())) return 3;
  if (FFormatClass.size() != NumericFormats.size()) FFormatClass.assign(NumericFormats.size(), 0);
  Byte& c = FFormatClass[static_cast<size_t>(numberFormat)];
  if (c == 0) {
    const String lower = LowerCase(NumericFormats[static_cast<size_t>(numberFormat)]);
    c = StringIsDateTimeFormat(lower) ? 1 : lower.find(u'%') != String::npos ? 2 : 3;
  }
  return c;
}

bool TCustomMSExcel::ValueIsDateTime(Integer formatIndex) { return FormatClass(NumberFormatOf(formatIndex)) == 1; }

bool TCustomMSExcel::ValueIsPercent(Integer formatIndex) {
  // A format that is a date is tested first by the callers; a date format
  // with a "%" in it is still a date.
  const Integer n = NumberFormatOf(formatIndex);
  if (n < 0 || n >= static_cast<Integer>(NumericFormats.size())) return false;
  return NumericFormats[static_cast<size_t>(n)].find(u'%') != String::npos;
}

String TCustomMSExcel::GetFormatString(Integer formatIndex) const {
  Integer n = formatIndex;
  if (formatIndex >= 0 && formatIndex < static_cast<Integer>(Formats.size()))
    n = Formats[static_cast<size_t>(formatIndex)].NumberFormatIndex;
  if (n < 0 || n >= static_cast<Integer>(NumericFormats.size())) return {};
  return NumericFormats[static_cast<size_t>(n)];
}

const smi::TXLSFormat* TCustomMSExcel::GetXLSFormat(Integer index) const {
  if (index < 0 || index >= static_cast<Integer>(Formats.size())) return nullptr;
  return &Formats[static_cast<size_t>(index)];
}

String TCustomMSExcel::GetErrorText(Integer code) {
  switch (code) {
    case 0: return u"#NULL!";
    case 7: return u"#DIV/0!";
    case 15: return u"#VALUE!";
    case 23: return u"#REF!";
    case 29: return u"#NAME?";
    case 36: return u"#NUM!";
    case 42: return u"#N/A";
    default: return u"Unknown error code " + IntToStr(code);
  }
}

Variant TCustomMSExcel::RKValue(Cardinal rk) {
  const bool div100 = (rk & 1) != 0;
  if (rk & 2) {
    const Integer n = static_cast<Integer>(rk) >> 2;
    return div100 ? Variant(n / 100.0) : Variant(n);
  }
  const UInt64 bits = UInt64{rk & 0xFFFFFFFCu} << 32;
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return Variant(div100 ? d / 100 : d);
}

bool TCustomMSExcel::AskValidPassword() {
  String password = FPassword;
  bool cont = true;
  // A handler that keeps asking is called again, at most a few times: no
  // password is ever accepted.
  for (int tries = 0; OnPassword && cont && tries < 16; ++tries) OnPassword(this, password, cont);
  return false;
}

void TCustomMSExcel::RefuseEncrypted() {
  FIsEncrypted = true;
  AskValidPassword();
  throw ESMIUnknownEncryptionException(String(strEUnknownEncryption));
}

namespace {

template <class Char>
void ParseCellRefOf(std::basic_string_view<Char> value, Integer& row, Integer& col) {
  size_t i = 0;
  auto skip = [&] {
    while (i < value.size() && (value[i] == '"' || value[i] == '$' || value[i] == '\'')) ++i;
  };
  skip();
  // Column letters: "A" is 0, "AA" 26; none, or more columns than a sheet
  // can have, is -1.
  Int64 number = 0;
  const size_t letters = i;
  while (i < value.size() && value[i] >= 'A' && value[i] <= 'Z') {
    if (number <= 20000) number = number * 26 + (value[i] - 'A' + 1);
    ++i;
  }
  col = i == letters || number > 20000 ? -1 : static_cast<Integer>(number - 1);
  skip();
  number = 0;
  while (i < value.size() && value[i] >= '0' && value[i] <= '9') {
    number = std::min<Int64>(number * 10 + (value[i] - '0'), Int64{1} << 40);
    ++i;
  }
  row = static_cast<Integer>(std::min<Int64>(number - 1, 2147483647));
}

}  // namespace

void TCustomMSExcel::ParseCellRef(StringView value, Integer& row, Integer& col) { ParseCellRefOf(value, row, col); }

void TCustomMSExcel::ParseCellRef(std::string_view value, Integer& row, Integer& col) {
  ParseCellRefOf(value, row, col);
}

void TCustomMSExcel::NumberValue(double number, Integer format, bool scalePercent, Variant& value,
                                 TSMICellType& type) {
  if (ValueIsDateTime(format)) {
    value = Variant::FromDateTime(DateSerial(number));
    type = ictDateTime;
    return;
  }
  if (scalePercent && ValueIsPercent(format)) number *= 100;
  value = Variant(number);
  type = ictDecimal;
}

void TCustomMSExcel::DeliverCell(Integer row, Integer col, Integer format, Variant&& value, TAlignment alignment,
                                 TSMICellType type) {
  if (row < 0 || col < 0) return;
  StoreCell(FCurSheet, row, col, format, std::move(value), alignment, type);
  intRowCount = std::max(intRowCount, row);
  intColCount = std::max(intColCount, col);
}
