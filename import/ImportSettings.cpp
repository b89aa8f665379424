#include "import/ImportSettings.h"

#include "import/ImportComponent.h"
#include "platform/db/DataSet.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"

namespace {

// The date order a short date format writes its parts in: the first letter,
// the letter after the first separator and the letter after the second.
TSMIDateOrder DateOrderOf(const String& shortDateFormat, WideChar separator) {
  String format = UpperCase(shortDateFormat);
  String letters;
  size_t position = 0;
  for (int part = 0; part < 3; ++part) {
    if (part > 0) {
      position = format.find(separator, position);
      if (position == String::npos) return doMDY;
      ++position;
    }
    if (position >= format.size()) return doMDY;
    letters += format[position];
  }
  if (letters == u"DMY") return doDMY;
  if (letters == u"DYM") return doDYM;
  if (letters == u"MYD") return doMYD;
  if (letters == u"YMD") return doYMD;
  if (letters == u"YDM") return doYDM;
  return doMDY;
}

// The three date parts in order, each built by part(letter).
template <class Part>
String DateParts(TSMIDateOrder order, const String& separator, Part part) {
  static constexpr const char16_t* orders[] = {u"MDY", u"DMY", u"YMD", u"YDM", u"DYM", u"MYD"};
  const char16_t* letters = orders[order];
  return part(letters[0]) + separator + part(letters[1]) + separator + part(letters[2]);
}

}  // namespace

void TSMIDataFormats::LoadRegionalSettings() {
  FDateSeparator = FormatSettings.DateSeparator;
  FTimeSeparator = FormatSettings.TimeSeparator;
  FDateOrder = DateOrderOf(FormatSettings.ShortDateFormat, FDateSeparator);
  FDecimalSeparator = FormatSettings.DecimalSeparator;
  FThousandSeparator = FormatSettings.ThousandSeparator;
  FCurrencyString = FormatSettings.CurrencyString;
  String format = UpperCase(FormatSettings.ShortDateFormat);
  FFourDigitYear = format.find(u"YYYY") != String::npos;
  FLeadingZerosInDate = format.find(u"DD") != String::npos;
  FCustomDateTimeFormat.clear();
}

String TSMIDataFormats::GetDTSeparator(WideChar c) { return c == 0 ? String() : String(1, c); }

String TSMIDataFormats::GetDateFormat() const {
  if (!FCustomDateTimeFormat.empty()) return UpperCase(FCustomDateTimeFormat);
  return DateParts(FDateOrder, GetDTSeparator(FDateSeparator), [this](char16_t letter) {
    if (letter == u'Y' && FFourDigitYear) return String(u"YYYY");
    return String(FLeadingZerosInDate ? 2 : 1, letter);
  });
}

String TSMIDataFormats::GetTimeFormat(bool withMilliseconds) const {
  String separator = GetDTSeparator(FTimeSeparator);
  String format = u"HH" + separator + u"NN" + separator + u"SS";
  if (withMilliseconds) format += u".ZZZ";
  return format;
}

String TSMIDataFormats::GetDateTimeFormat() const {
  if (!FCustomDateTimeFormat.empty()) return UpperCase(FCustomDateTimeFormat);
  return GetDateFormat() + u" " + GetTimeFormat(true);
}

String TSMIDataFormats::BuildDTFormat(bool xmlTime) const {
  if (!FCustomDateTimeFormat.empty()) return UpperCase(FCustomDateTimeFormat);
  String date = DateParts(FDateOrder, GetDTSeparator(FDateSeparator), [this](char16_t letter) {
    return String(letter == u'Y' && FFourDigitYear ? 4 : 2, letter);
  });
  return date + u" " + BuildTimeFormat(xmlTime);
}

String TSMIDataFormats::BuildTimeFormat(bool xmlTime) const {
  return xmlTime ? u"T" + GetTimeFormat(false) : GetTimeFormat(true);
}

void TSMIStatistic::Assign(const TSMIStatistic& source) {
  if (&source == this) return;
  TRADerevuBaseComponent* owner = FOwner;
  *this = source;
  FOwner = owner;
}

String TSMIStatistic::GetCurrentRowsValues() const {
  String line;
  if (FOwner == nullptr) return line;
  const TDataSet* dataSet = FOwner->DataSet();
  const String qualifier = TSMIDataFormats::GetDTSeparator(FOwner->TextQualifierCustom());
  const String delimiter = TSMIDataFormats::GetDTSeparator(FOwner->FieldDelimiterCustom());
  for (const TSMIValueEntry& entry : FOwner->vValues) {
    if (dataSet == nullptr || dataSet->FindField(entry.Name) == nullptr) continue;
    String text = entry.Value.IsNull() || entry.Value.IsEmpty() ? String() : entry.Value.AsString();
    line += qualifier + text + qualifier + delimiter;
  }
  return line;
}
