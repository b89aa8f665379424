#include "platform/rtl/SqlTimeStamp.h"

#include <cstdlib>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

constexpr char16_t SInvalidSQLTimeStamp[] = u"Invalid SQL date/time values";
constexpr char16_t SCouldNotParseTimeStamp[] = u"Could not parse SQL TimeStamp string";

String Padded(unsigned value, size_t width) {
  String s = UIntToStr(value);
  if (s.size() < width) s.insert(0, width - s.size(), u'0');
  return s;
}

bool IsDigit(WideChar c) { return c >= u'0' && c <= u'9'; }

// Splits a trailing zone "+hh:nn" / "-hh:nn" (after a blank) from the text;
// false when the text ends in none.
bool SplitZone(StringView text, StringView& stamp, SmallInt& hour, SmallInt& minute) {
  String trimmed = TrimRight(text);
  size_t n = trimmed.size();
  // [+-] h or hh, separator, nn
  for (size_t hourDigits : {size_t(2), size_t(1)}) {
    size_t len = 1 + hourDigits + 1 + 2;
    if (n < len + 1) continue;
    size_t at = n - len;
    WideChar sign = trimmed[at];
    WideChar sep = trimmed[at + 1 + hourDigits];
    if ((sign != u'+' && sign != u'-') || trimmed[at - 1] > u' ') continue;
    if (sep != u':' && sep != FormatSettings.TimeSeparator) continue;
    bool digits = IsDigit(trimmed[at + 1]) && (hourDigits == 1 || IsDigit(trimmed[at + 2])) &&
                  IsDigit(trimmed[n - 2]) && IsDigit(trimmed[n - 1]);
    if (!digits) continue;
    int h = trimmed[at + 1] - u'0';
    if (hourDigits == 2) h = h * 10 + (trimmed[at + 2] - u'0');
    int m = (trimmed[n - 2] - u'0') * 10 + (trimmed[n - 1] - u'0');
    bool negative = sign == u'-';
    hour = static_cast<SmallInt>(negative ? -h : h);
    minute = static_cast<SmallInt>(negative && h == 0 ? -m : m);
    stamp = text.substr(0, at);
    return true;
  }
  return false;
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

namespace {
// Both stamp records share their date and time fields by name.
template <class From, class To>
void CopyClockFields(const From& from, To& to) {
  to.Year = from.Year;
  to.Month = from.Month;
  to.Day = from.Day;
  to.Hour = from.Hour;
  to.Minute = from.Minute;
  to.Second = from.Second;
  to.Fractions = from.Fractions;
}
}  // namespace

TSQLTimeStamp SQLTimeStampOffsetToSQLTimeStamp(const TSQLTimeStampOffset& value) {
  TSQLTimeStamp ts;
  CopyClockFields(value, ts);
  return ts;
}

TSQLTimeStampOffset SQLTimeStampToSQLTimeStampOffset(const TSQLTimeStamp& value, SmallInt zoneHour,
                                                     SmallInt zoneMinute) {
  TSQLTimeStampOffset r;
  CopyClockFields(value, r);
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
  if (IsSQLTimeStampBlank(value)) return String();
  // Every valid stamp is a TDateTime, and the date-time text of its value
  // shows the same fields (milliseconds included).
  return FormatDateTime(format, SQLTimeStampToDateTime(value));
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
  TDateTime value;
  if (!TryStrToDateTime(text, value)) return false;
  result = DateTimeToSQLTimeStamp(value);
  return true;
}

TSQLTimeStamp StrToSQLTimeStamp(StringView text) {
  TSQLTimeStamp ts;
  if (!TryStrToSQLTimeStamp(text, ts)) throw EConvertError(SCouldNotParseTimeStamp);
  return ts;
}

TSQLTimeStampOffset StrToSQLTimeStampOffset(StringView text) {
  StringView stamp = text;
  SmallInt zoneHour = 0, zoneMinute = 0;
  SplitZone(text, stamp, zoneHour, zoneMinute);
  TSQLTimeStampOffset r = SQLTimeStampToSQLTimeStampOffset(StrToSQLTimeStamp(stamp), zoneHour, zoneMinute);
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
