#include "import/DateMask.h"

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

constexpr StringView EnglishMonths[12][2] = {
    {u"JAN", u"JANUARY"}, {u"FEB", u"FEBRUARY"}, {u"MAR", u"MARCH"},     {u"APR", u"APRIL"},
    {u"MAY", u"MAY"},     {u"JUN", u"JUNE"},     {u"JUL", u"JULY"},      {u"AUG", u"AUGUST"},
    {u"SEP", u"SEPTEMBER"}, {u"OCT", u"OCTOBER"}, {u"NOV", u"NOVEMBER"}, {u"DEC", u"DECEMBER"},
};

Integer MonthOf(const String& part) {
  if (part.size() <= 2) return StrToInt(part);
  const String name = AnsiUpperCase(part);
  for (int i = 0; i < 12; ++i) {
    if (name == EnglishMonths[i][0] || name == EnglishMonths[i][1] ||
        name == AnsiUpperCase(FormatSettings.ShortMonthNames[size_t(i)]) ||
        name == AnsiUpperCase(FormatSettings.LongMonthNames[size_t(i)])) {
      return i + 1;
    }
  }
  return 0;
}

// A two-digit year moved into the century window.
Integer WindowedYear(Integer year) {
  if (year >= 100) return year;
  const Integer current = CurrentYear();
  const Integer window = FormatSettings.TwoDigitYearCenturyWindow;
  year += (current - window) / 100 * 100;
  if (window != 0 && year < current - window) year += 100;
  return year;
}

TDateTime DateOfParts(const String& dayPart, const String& monthPart, const String& yearPart) {
  const Integer day = StrToInt(dayPart);
  const Integer year = StrToInt(yearPart);
  const Integer month = MonthOf(monthPart);
  if (day < 1 || day > 31 || month < 1 || month > 12) return 0;
  const Integer windowed = WindowedYear(year);
  // Checked before the narrowing to Word, so a year such as 70000 cannot
  // wrap into a valid one.
  if (windowed < 1 || windowed > 9999) return EncodeDate(0, Word(month), Word(day));
  return EncodeDate(Word(windowed), Word(month), Word(day));
}

}  // namespace

Word CurrentYear() {
  Word year, month, day;
  DecodeDate(Date(), year, month, day);
  return year;
}

TDateTime GetDTByMask(StringView textIn, StringView maskIn, WideChar dateSeparator, WideChar timeSeparator) {
  String text(textIn);
  String mask = UpperCase(maskIn);
  // A text without a date separator holds only the time part of the mask.
  const size_t blank = mask.find(u' ');
  if (text.find(dateSeparator) == String::npos && blank != String::npos && blank >= 1) mask.erase(0, blank + 1);

  const String upperText = AnsiUpperCase(text);
  const String& pmString = FormatSettings.TimePMString;
  const String& amString = FormatSettings.TimeAMString;
  const bool pm = pmString.empty() ? (text.find(u"PM") != String::npos || text.find(u"pm") != String::npos)
                                   : upperText.find(AnsiUpperCase(pmString)) != String::npos;
  const bool am = amString.empty() ? upperText.find(u"AM") != String::npos
                                   : upperText.find(AnsiUpperCase(amString)) != String::npos;

  auto isSeparator = [&](WideChar c) {
    return c == u' ' || c == u'.' || c == u'/' || c == u':' || c == dateSeparator || c == timeSeparator;
  };
  // Align text and mask: where one has a separator and the other a letter or
  // digit, the other loses that character ("1.2.2000" against "DD.MM.YYYY").
  for (size_t i = 0, n = text.size(); i < n; ++i) {
    if (isSeparator(text[i]) && i < mask.size() && !isSeparator(mask[i])) mask.erase(i, 1);
  }
  for (size_t i = 0, n = mask.size(); i < n; ++i) {
    if (isSeparator(mask[i]) && i < text.size() && !isSeparator(text[i])) text.erase(i, 1);
  }

  String day, month, year, hour, minute, second, msec;
  for (size_t i = 0; i < text.size() && i < mask.size(); ++i) {
    if (isSeparator(text[i])) continue;
    switch (mask[i]) {
      case u'D': day += text[i]; break;
      case u'M': month += text[i]; break;
      case u'Y': year += text[i]; break;
      case u'H': hour += text[i]; break;
      case u'N': minute += text[i]; break;
      case u'S': second += text[i]; break;
      case u'Z': msec += text[i]; break;
      default: break;
    }
  }

  TDateTime result = 0;
  if (!day.empty() && !month.empty() && !year.empty()) result = DateOfParts(day, month, year);
  if (!hour.empty() && !minute.empty()) {
    Integer h = StrToInt(hour);
    const Integer n = StrToInt(minute);
    const Integer s = second.empty() ? 0 : StrToInt(second);
    const Integer z = msec.empty() ? 0 : StrToInt(msec);
    if (pm && h < 12) h += 12;
    else if (am && h == 12) h = 0;
    if (h >= 0 && h <= 24 && n >= 0 && n < 60 && s >= 0 && s < 60 && z >= 0 && z < 1000) {
      result += EncodeTime(Word(h), Word(n), Word(s), Word(z));
    }
  }
  return result;
}
