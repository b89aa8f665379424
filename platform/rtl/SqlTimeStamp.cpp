#include "platform/rtl/SqlTimeStamp.h"

#include <cmath>
#include <cstdlib>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char16_t SInvalidSQLTimeStamp[] = u"Invalid SQL date/time values";
constexpr char16_t SCouldNotParseTimeStamp[] = u"Could not parse SQL TimeStamp string";

WideChar Lower(WideChar c) { return (c >= u'A' && c <= u'Z') ? static_cast<WideChar>(c - u'A' + u'a') : c; }

bool StartsWithText(StringView s, size_t pos, StringView word) {
  if (s.size() - pos < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (Lower(s[pos + i]) != Lower(word[i])) return false;
  }
  return true;
}

String Padded(unsigned value, size_t width) {
  String s = UIntToStr(value);
  if (s.size() < width) s.insert(0, width - s.size(), u'0');
  return s;
}

// True when the format shows the hour on a 12-hour clock.
bool HasAmPm(StringView format) {
  for (size_t i = 0; i < format.size(); ++i) {
    if (StartsWithText(format, i, u"am/pm") || StartsWithText(format, i, u"a/p") ||
        StartsWithText(format, i, u"ampm")) {
      return true;
    }
  }
  return false;
}

class StampFormatter {
 public:
  explicit StampFormatter(const TSQLTimeStamp& ts) : FTs(ts) {}

  void Append(StringView format, int depth) {
    if (depth > 2) return;  // formats that name formats: stop at two levels
    bool twelveHour = HasAmPm(format);
    bool afterHour = false;  // "m" right after an hour is minutes
    size_t i = 0;
    while (i < format.size()) {
      WideChar c = format[i];
      WideChar lc = Lower(c);
      size_t run = 1;
      while (i + run < format.size() && Lower(format[i + run]) == lc) ++run;
      switch (lc) {
        case u'"':
        case u'\'': {
          size_t end = format.find(c, i + 1);
          if (end == StringView::npos) end = format.size();
          FOut.append(format.substr(i + 1, end - i - 1));
          i = end + 1;
          continue;
        }
        case u'd':
          if (run == 1) FOut += UIntToStr(FTs.Day);
          else if (run == 2) FOut += Padded(FTs.Day, 2);
          else if (run == 3) FOut += DayName(FormatSettings.ShortDayNames);
          else if (run == 4) FOut += DayName(FormatSettings.LongDayNames);
          else if (run == 5) Append(FormatSettings.ShortDateFormat, depth + 1);
          else Append(FormatSettings.LongDateFormat, depth + 1);
          break;
        case u'm':
          if (afterHour && run <= 2) {
            FOut += Padded(FTs.Minute, run);
          } else if (run <= 2) {
            FOut += Padded(FTs.Month, run);
          } else {
            const auto& names = run == 3 ? FormatSettings.ShortMonthNames : FormatSettings.LongMonthNames;
            if (FTs.Month >= 1 && FTs.Month <= 12) FOut += names[FTs.Month - 1];
          }
          break;
        case u'y':
          FOut += run <= 2 ? Padded(static_cast<unsigned>(FTs.Year) % 100, 2)
                           : Padded(static_cast<unsigned>(FTs.Year), 4);
          break;
        case u'h': {
          unsigned hour = FTs.Hour;
          if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
          FOut += Padded(hour, run >= 2 ? 2 : 1);
          break;
        }
        case u'n': FOut += Padded(FTs.Minute, run >= 2 ? 2 : 1); break;
        case u's': FOut += Padded(FTs.Second, run >= 2 ? 2 : 1); break;
        case u'z': FOut += Padded(FTs.Fractions, run >= 3 ? 3 : 1); break;
        case u't':
          Append(run >= 2 ? FormatSettings.LongTimeFormat : FormatSettings.ShortTimeFormat, depth + 1);
          break;
        case u'c':
          Append(FormatSettings.ShortDateFormat, depth + 1);
          if (FTs.Hour != 0 || FTs.Minute != 0 || FTs.Second != 0 || FTs.Fractions != 0) {
            FOut += u' ';
            Append(FormatSettings.LongTimeFormat, depth + 1);
          }
          break;
        case u'a':
          if (StartsWithText(format, i, u"am/pm")) {
            bool upper = c == u'A';
            FOut += FTs.Hour < 12 ? (upper ? u"AM" : u"am") : (upper ? u"PM" : u"pm");
            run = 5;
          } else if (StartsWithText(format, i, u"a/p")) {
            bool upper = c == u'A';
            FOut += FTs.Hour < 12 ? (upper ? u'A' : u'a') : (upper ? u'P' : u'p');
            run = 3;
          } else if (StartsWithText(format, i, u"ampm")) {
            const String& text = FTs.Hour < 12 ? FormatSettings.TimeAMString : FormatSettings.TimePMString;
            FOut += text.empty() ? String(FTs.Hour < 12 ? u"AM" : u"PM") : text;
            run = 4;
          } else {
            FOut.append(run, c);
          }
          break;
        case u'/': FOut.append(run, FormatSettings.DateSeparator); break;
        case u':': FOut.append(run, FormatSettings.TimeSeparator); break;
        default: FOut.append(format.substr(i, run)); break;
      }
      if (lc == u'h') afterHour = true;
      else if (lc == u'm' || lc == u'd' || lc == u'y') afterHour = false;
      i += run;
    }
  }

  const String& Text() const { return FOut; }

 private:
  String DayName(const std::array<String, 7>& names) const {
    TDateTime date;
    if (!TryEncodeDate(static_cast<Word>(FTs.Year), FTs.Month, FTs.Day, date)) return String();
    return names[DayOfWeek(date) - 1];
  }

  const TSQLTimeStamp& FTs;
  String FOut;
};

// Reads an unsigned decimal number of at most maxDigits digits.
bool ReadNumber(StringView s, size_t& pos, unsigned maxDigits, unsigned& value, unsigned* digits = nullptr) {
  size_t start = pos;
  value = 0;
  while (pos < s.size() && s[pos] >= u'0' && s[pos] <= u'9' && pos - start < maxDigits) {
    value = value * 10 + (s[pos++] - u'0');
  }
  if (digits != nullptr) *digits = static_cast<unsigned>(pos - start);
  return pos > start;
}

void SkipBlanks(StringView s, size_t& pos) {
  while (pos < s.size() && s[pos] <= u' ') ++pos;
}

enum class Parse { Ok, Malformed, OutOfRange };

// Date and time; pos is left after the time (the caller checks the rest).
Parse ParseStamp(StringView s, size_t& pos, TSQLTimeStamp& ts) {
  // The order of day, month and year as the short date format writes them.
  char order[3] = {'d', 'm', 'y'};
  int found = 0;
  for (WideChar c : FormatSettings.ShortDateFormat) {
    char l = static_cast<char>(Lower(c));
    if ((l == 'd' || l == 'm' || l == 'y') && found < 3) {
      bool seen = false;
      for (int k = 0; k < found; ++k) seen = seen || order[k] == l;
      if (!seen) order[found++] = l;
    }
  }
  if (found != 3) {
    order[0] = 'd';
    order[1] = 'm';
    order[2] = 'y';
  }
  SkipBlanks(s, pos);
  unsigned parts[3];
  unsigned yearDigits = 0;
  for (int k = 0; k < 3; ++k) {
    if (k > 0) {
      if (pos >= s.size() || s[pos] != FormatSettings.DateSeparator) return Parse::Malformed;
      ++pos;
    }
    unsigned digits;
    if (!ReadNumber(s, pos, order[k] == 'y' ? 4 : 2, parts[k], &digits)) return Parse::Malformed;
    if (order[k] == 'y') yearDigits = digits;
  }
  TSQLTimeStamp r;
  for (int k = 0; k < 3; ++k) {
    if (order[k] == 'd') r.Day = static_cast<Word>(parts[k]);
    else if (order[k] == 'm') r.Month = static_cast<Word>(parts[k]);
    else r.Year = static_cast<SmallInt>(parts[k]);
  }
  if (yearDigits <= 2) {
    // Two-digit years fall in the century window that ends
    // TwoDigitYearCenturyWindow years after the current year.
    Word cy, cm, cd;
    DecodeDate(Now(), cy, cm, cd);
    int pivot = cy - FormatSettings.TwoDigitYearCenturyWindow;
    int year = pivot - pivot % 100 + r.Year;
    if (FormatSettings.TwoDigitYearCenturyWindow > 0 && year <= pivot) year += 100;
    r.Year = static_cast<SmallInt>(year);
  }
  size_t save = pos;
  SkipBlanks(s, pos);
  unsigned value;
  if (pos < s.size() && save != pos && ReadNumber(s, pos, 2, value)) {
    r.Hour = static_cast<Word>(value);
    if (pos >= s.size() || s[pos] != FormatSettings.TimeSeparator) return Parse::Malformed;
    ++pos;
    if (!ReadNumber(s, pos, 2, value)) return Parse::Malformed;
    r.Minute = static_cast<Word>(value);
    if (pos < s.size() && s[pos] == FormatSettings.TimeSeparator) {
      ++pos;
      if (!ReadNumber(s, pos, 2, value)) return Parse::Malformed;
      r.Second = static_cast<Word>(value);
      if (pos < s.size() && (s[pos] == u'.' || s[pos] == FormatSettings.DecimalSeparator)) {
        ++pos;
        unsigned digits;
        if (!ReadNumber(s, pos, 3, value, &digits)) return Parse::Malformed;
        while (digits++ < 3) value *= 10;
        r.Fractions = value;
        while (pos < s.size() && s[pos] >= u'0' && s[pos] <= u'9') ++pos;  // below a millisecond
      }
    }
    size_t beforeSuffix = pos;
    SkipBlanks(s, pos);
    // The settings' own markers, and AM / PM in any case.
    auto marker = [&](const String& own, StringView plain) -> size_t {
      if (!own.empty() && StartsWithText(s, pos, own)) return own.size();
      return StartsWithText(s, pos, plain) ? plain.size() : 0;
    };
    size_t amLength = marker(FormatSettings.TimeAMString, u"AM");
    size_t pmLength = marker(FormatSettings.TimePMString, u"PM");
    if (amLength > 0 || pmLength > 0) {
      pos += pmLength > 0 ? pmLength : amLength;
      if (r.Hour < 1 || r.Hour > 12) return Parse::OutOfRange;
      r.Hour = static_cast<Word>(r.Hour % 12 + (pmLength > 0 ? 12 : 0));
    } else {
      pos = beforeSuffix;
    }
  } else {
    pos = save;
  }
  if (!IsValidSQLTimeStamp(r) || IsSQLTimeStampBlank(r)) return Parse::OutOfRange;
  ts = r;
  return Parse::Ok;
}

[[noreturn]] void RaiseParse(Parse result) {
  throw EConvertError(result == Parse::OutOfRange ? SInvalidSQLTimeStamp : SCouldNotParseTimeStamp);
}

// Minutes east of UTC.
int ZoneMinutes(SmallInt hour, SmallInt minute) {
  int m = std::abs(minute);
  return hour < 0 ? hour * 60 - m : hour * 60 + (hour == 0 ? minute : m);
}

// Milliseconds since 1 January 0001 of a valid, non-blank stamp.
Int64 StampMSecs(const TSQLTimeStamp& ts) {
  TDateTime date = EncodeDate(static_cast<Word>(ts.Year), ts.Month, ts.Day);
  Int64 days = static_cast<Int64>(date) + DateDelta;
  return days * MSecsPerDay + ((ts.Hour * 60 + ts.Minute) * 60 + ts.Second) * Int64(1000) + ts.Fractions;
}

bool HasInstant(const TSQLTimeStamp& ts) { return IsValidSQLTimeStamp(ts) && !IsSQLTimeStampBlank(ts); }

template <class T>
int Sign(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace

bool IsSQLTimeStampBlank(const TSQLTimeStamp& value) {
  return value.Year == 0 && value.Month == 0 && value.Day == 0 && value.Hour == 0 && value.Minute == 0 &&
         value.Second == 0 && value.Fractions == 0;
}

bool IsValidSQLTimeStamp(const TSQLTimeStamp& value) {
  if (IsSQLTimeStampBlank(value)) return true;
  return value.Year >= 1 && value.Year <= 9999 && value.Month >= 1 && value.Month <= 12 && value.Day >= 1 &&
         value.Day <= DaysInMonth(static_cast<Word>(value.Year), value.Month) && value.Hour < 24 &&
         value.Minute < 60 && value.Second < 60 && value.Fractions < 1000;
}

void CheckSqlTimeStamp(const TSQLTimeStamp& value) {
  if (!IsValidSQLTimeStamp(value)) throw EConvertError(SInvalidSQLTimeStamp);
}

void CheckSqlTimeStampOffset(const TSQLTimeStampOffset& value) {
  CheckSqlTimeStamp(SQLTimeStampOffsetToSQLTimeStamp(value));
  if (std::abs(value.TimeZoneHour) > 14 || std::abs(value.TimeZoneMinute) > 59) {
    throw EConvertError(SInvalidSQLTimeStamp);
  }
}

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value) {
  TSQLTimeStamp ts;
  Word y, mo, d, h, mi, s, ms;
  DecodeDateTime(value, y, mo, d, h, mi, s, ms);
  ts.Year = static_cast<SmallInt>(y);
  ts.Month = mo;
  ts.Day = d;
  ts.Hour = h;
  ts.Minute = mi;
  ts.Second = s;
  ts.Fractions = ms;
  return ts;
}

TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& value) {
  CheckSqlTimeStamp(value);
  if (IsSQLTimeStampBlank(value)) return 0;
  return EncodeDateTime(static_cast<Word>(value.Year), value.Month, value.Day, value.Hour, value.Minute,
                        value.Second, static_cast<Word>(value.Fractions));
}

TSQLTimeStamp SQLTimeStampOffsetToSQLTimeStamp(const TSQLTimeStampOffset& value) {
  TSQLTimeStamp ts;
  ts.Year = value.Year;
  ts.Month = value.Month;
  ts.Day = value.Day;
  ts.Hour = value.Hour;
  ts.Minute = value.Minute;
  ts.Second = value.Second;
  ts.Fractions = value.Fractions;
  return ts;
}

TSQLTimeStampOffset SQLTimeStampToSQLTimeStampOffset(const TSQLTimeStamp& value, SmallInt zoneHour,
                                                     SmallInt zoneMinute) {
  TSQLTimeStampOffset r;
  r.Year = value.Year;
  r.Month = value.Month;
  r.Day = value.Day;
  r.Hour = value.Hour;
  r.Minute = value.Minute;
  r.Second = value.Second;
  r.Fractions = value.Fractions;
  r.TimeZoneHour = zoneHour;
  r.TimeZoneMinute = zoneMinute;
  return r;
}

TSQLTimeStampOffset DateTimeToSQLTimeStampOffset(TDateTime value, SmallInt zoneHour, SmallInt zoneMinute) {
  return SQLTimeStampToSQLTimeStampOffset(DateTimeToSQLTimeStamp(value), zoneHour, zoneMinute);
}

TDateTime SQLTimeStampOffsetToDateTime(const TSQLTimeStampOffset& value) {
  CheckSqlTimeStampOffset(value);
  return SQLTimeStampToDateTime(SQLTimeStampOffsetToSQLTimeStamp(value));
}

String SQLTimeStampToStr(StringView format, const TSQLTimeStamp& value) {
  CheckSqlTimeStamp(value);
  if (IsSQLTimeStampBlank(value)) return String();
  StampFormatter f(value);
  f.Append(format.empty() ? StringView(u"c") : format, 0);
  return f.Text();
}

String SQLTimeStampOffsetToStr(StringView format, const TSQLTimeStampOffset& value) {
  CheckSqlTimeStampOffset(value);
  String text = SQLTimeStampToStr(format, SQLTimeStampOffsetToSQLTimeStamp(value));
  int zone = ZoneMinutes(value.TimeZoneHour, value.TimeZoneMinute);
  text += zone < 0 ? u" -" : u" +";
  zone = std::abs(zone);
  text += Padded(static_cast<unsigned>(zone / 60), 2) + FormatSettings.TimeSeparator +
          Padded(static_cast<unsigned>(zone % 60), 2);
  return text;
}

bool TryStrToSQLTimeStamp(StringView text, TSQLTimeStamp& result) {
  size_t pos = 0;
  TSQLTimeStamp ts;
  if (ParseStamp(text, pos, ts) != Parse::Ok) return false;
  SkipBlanks(text, pos);
  if (pos != text.size()) return false;
  result = ts;
  return true;
}

TSQLTimeStamp StrToSQLTimeStamp(StringView text) {
  size_t pos = 0;
  TSQLTimeStamp ts;
  Parse result = ParseStamp(text, pos, ts);
  if (result != Parse::Ok) RaiseParse(result);
  SkipBlanks(text, pos);
  if (pos != text.size()) RaiseParse(Parse::Malformed);
  return ts;
}

TSQLTimeStampOffset StrToSQLTimeStampOffset(StringView text) {
  size_t pos = 0;
  TSQLTimeStamp ts;
  Parse result = ParseStamp(text, pos, ts);
  if (result != Parse::Ok) RaiseParse(result);
  SkipBlanks(text, pos);
  SmallInt zoneHour = 0, zoneMinute = 0;
  if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
    bool negative = text[pos++] == u'-';
    unsigned h, m;
    if (!ReadNumber(text, pos, 2, h) || pos >= text.size() ||
        (text[pos] != u':' && text[pos] != FormatSettings.TimeSeparator)) {
      RaiseParse(Parse::Malformed);
    }
    ++pos;
    if (!ReadNumber(text, pos, 2, m)) RaiseParse(Parse::Malformed);
    zoneHour = static_cast<SmallInt>(negative ? -static_cast<int>(h) : static_cast<int>(h));
    zoneMinute = static_cast<SmallInt>(negative && h == 0 ? -static_cast<int>(m) : static_cast<int>(m));
  }
  SkipBlanks(text, pos);
  if (pos != text.size()) RaiseParse(Parse::Malformed);
  TSQLTimeStampOffset r = SQLTimeStampToSQLTimeStampOffset(ts, zoneHour, zoneMinute);
  CheckSqlTimeStampOffset(r);
  return r;
}

int CompareSQLTimeStamp(const TSQLTimeStamp& a, const TSQLTimeStamp& b) {
  // Field by field: the order of time for valid stamps, and still a total
  // order for the blank stamp and for invalid ones read from a record.
  if (int c = Sign(a.Year, b.Year)) return c;
  if (int c = Sign(a.Month, b.Month)) return c;
  if (int c = Sign(a.Day, b.Day)) return c;
  if (int c = Sign(a.Hour, b.Hour)) return c;
  if (int c = Sign(a.Minute, b.Minute)) return c;
  if (int c = Sign(a.Second, b.Second)) return c;
  return Sign(a.Fractions, b.Fractions);
}

int CompareSQLTimeStampOffset(const TSQLTimeStampOffset& a, const TSQLTimeStampOffset& b) {
  TSQLTimeStamp sa = SQLTimeStampOffsetToSQLTimeStamp(a), sb = SQLTimeStampOffsetToSQLTimeStamp(b);
  int za = ZoneMinutes(a.TimeZoneHour, a.TimeZoneMinute), zb = ZoneMinutes(b.TimeZoneHour, b.TimeZoneMinute);
  if (HasInstant(sa) && HasInstant(sb)) {
    if (int c = Sign(StampMSecs(sa) - Int64(za) * 60000, StampMSecs(sb) - Int64(zb) * 60000)) return c;
  } else if (int c = CompareSQLTimeStamp(sa, sb)) {
    return c;
  }
  return Sign(za, zb);
}
