#include "export/ExportSettings.h"

#include <array>

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"

namespace {

// Letters of the three date parts in each order.
constexpr std::array<const char16_t*, 6> kOrderParts = {u"MDY", u"DMY", u"YMD", u"YDM", u"DYM", u"MYD"};

// The order a short date format gives: the first letter of each of its
// first three parts; doMDY for anything else.
TSMEDateOrder DateOrderOf(const String& upperFormat, WideChar separator) {
  String letters;
  size_t start = 0;
  for (int part = 0; part < 3; ++part) {
    size_t end = upperFormat.find(separator, start);
    if (part < 2 && end == String::npos) return doMDY;
    if (start < upperFormat.size()) letters += upperFormat[start];
    start = end == String::npos ? upperFormat.size() : end + 1;
  }
  for (size_t i = 0; i < kOrderParts.size(); ++i)
    if (letters == kOrderParts[i]) return static_cast<TSMEDateOrder>(i);
  return doMDY;
}

}  // namespace

void TSMEDataFormats::LoadRegionalSettings(const TFormatSettings& settings) {
  DateSeparator = settings.DateSeparator;
  TimeSeparator = settings.TimeSeparator;
  DecimalSeparator = settings.DecimalSeparator;
  ThousandSeparator = settings.ThousandSeparator;
  CurrencyString = settings.CurrencyString;
  const String format = UpperCase(settings.ShortDateFormat);
  DateOrder = DateOrderOf(format, settings.DateSeparator);
  FourDigitYear = format.find(u"YYYY") != String::npos;
  LeadingZerosInDate = format.find(u"DD") != String::npos;
  CustomDateTimeFormat.clear();
}

String TSMEDataFormats::GetDTSeparator(WideChar separator) {
  return separator == 0 ? String() : String(1, separator);
}

String TSMEDataFormats::GetDateFormat() const {
  if (!CustomDateTimeFormat.empty()) return UpperCase(CustomDateTimeFormat);
  String result;
  const StringView letters = kOrderParts[DateOrder < kOrderParts.size() ? DateOrder : 0];
  for (size_t i = 0; i < letters.size(); ++i) {
    if (i > 0) result += GetDTSeparator(DateSeparator);
    String part(LeadingZerosInDate ? 2 : 1, letters[i]);
    if (letters[i] == u'Y' && FourDigitYear) part = u"YYYY";
    result += part;
  }
  return result;
}

String TSMEDataFormats::GetTimeFormat() const {
  const String separator = GetDTSeparator(TimeSeparator);
  return u"HH" + separator + u"NN" + separator + u"SS";
}

String TSMEDataFormats::GetDateTimeFormat() const {
  if (!CustomDateTimeFormat.empty()) return UpperCase(CustomDateTimeFormat);
  return GetDateFormat() + u" " + GetTimeFormat();
}

void TRODirezaStyle::SetStyle(TSMEStyle value) {
  struct Colors {
    TColor odd, even;
  };
  static constexpr std::array<Colors, 12> kColors = {{
      {clWindow, clWindow},      // esNormal
      {cl3DLight, clWindow},     // esPriceList
      {0x00FFFBF0, clWindow},    // esMSMoney
      {0x00CFDFDF, 0x00A0BFBF},  // esBrick
      {0x00B8CCD8, 0x00688CA0},  // esDesert
      {0x00A8B090, 0x00788058},  // esEggplant
      {0x00D8A8B0, 0x00B05058},  // esLilac
      {0x00A8D8EB, 0x0048A8C8},  // esMaple
      {0x00B8C088, 0x00889048},  // esMarine
      {0x00B8B0D0, 0x007060A0},  // esRose
      {0x00A8C8A0, 0x00689858},  // esSpruce
      {0x00A0E0E0, 0x0040BCC0},  // esWheat
  }};
  if (value == FStyle || value >= kColors.size()) return;
  FStyle = value;
  OddColor = kColors[value].odd;
  EvenColor = kColors[value].even;
}
