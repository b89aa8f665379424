#include "platform/rtl/DateTimeUtils.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char16_t SDateEncodeError[] = u"Invalid argument to date encode";
constexpr char16_t STimeEncodeError[] = u"Invalid argument to time encode";
constexpr char16_t SInvalidTimeStamp[] = u"'%d.%d' is not a valid timestamp";
constexpr char16_t SDateTimeRange[] = u"Date and time value out of range";

constexpr Word kDaysBeforeMonth[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

// Time-stamp day number (1 = 1 January 0001) of a valid date.
Integer DayNumber(Word year, Word month, Word day) {
  Integer y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400 + kDaysBeforeMonth[IsLeapYear(year)][month - 1] + day;
}

// Inverse of DayNumber for 1..MaxTimeStampDate.
void SplitDayNumber(Integer dayNumber, Word& year, Word& month, Word& day) {
  Integer n = dayNumber - 1;  // days since 1 January 0001
  Integer y400 = n / 146097;
  n %= 146097;
  Integer y100 = n / 36524;
  if (y100 == 4) y100 = 3;  // last day of a 400-year cycle
  n -= y100 * 36524;
  Integer y4 = n / 1461;
  n %= 1461;
  Integer y1 = n / 365;
  if (y1 == 4) y1 = 3;  // last day of a leap cycle
  n -= y1 * 365;
  year = static_cast<Word>(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);
  const Word* before = kDaysBeforeMonth[IsLeapYear(year)];
  month = 1;
  while (n >= before[month]) ++month;
  day = static_cast<Word>(n - before[month - 1] + 1);
}

// A day and a time of day (0 <= time < 1) joined by the sign rule.
TDateTime ComposeDateTime(double date, double time) { return date < 0 ? date - time : date + time; }

}  // namespace

bool IsLeapYear(Word year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

Word DaysInMonth(Word year, Word month) {
  if (month < 1 || month > 12) return 0;
  const Word* before = kDaysBeforeMonth[IsLeapYear(year)];
  return before[month] - before[month - 1];
}

Word DaysInMonth(TDateTime value) {
  Word y, m, d;
  DecodeDate(value, y, m, d);
  return DaysInMonth(y, m);
}

Word DayOfWeek(TDateTime value) { return static_cast<Word>(DateTimeToTimeStamp(value).Date % 7 + 1); }

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
    return false;
  }
  result = DayNumber(year, month, day) - DateDelta;
  return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
  TDateTime result;
  if (!TryEncodeDate(year, month, day, result)) throw EConvertError(SDateEncodeError);
  return result;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& result) {
  if (hour >= HoursPerDay || min >= MinsPerHour || sec >= SecsPerMin || msec >= MSecsPerSec) return false;
  result = ((hour * MinsPerHour + min) * SecsPerMin + sec) * MSecsPerSec + msec;
  result /= MSecsPerDay;
  return true;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
  TDateTime result;
  if (!TryEncodeTime(hour, min, sec, msec, result)) throw EConvertError(STimeEncodeError);
  return result;
}

bool TryEncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec,
                       TDateTime& result) {
  TDateTime date, time;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, min, sec, msec, time)) return false;
  result = ComposeDateTime(date, time);
  return true;
}

TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec) {
  return ComposeDateTime(EncodeDate(year, month, day), EncodeTime(hour, min, sec, msec));
}

TTimeStamp DateTimeToTimeStamp(TDateTime value) {
  // Checked before rounding so that the conversion to an integer is defined.
  constexpr double lowest = -double(DateDelta);
  constexpr double highest = double(MaxTimeStampDate - DateDelta) + 1.0;
  if (!(value > lowest && value < highest)) throw EConvertError(SDateTimeRange);
  Int64 msecs = std::llround(value * MSecsPerDay);
  Int64 day = msecs / MSecsPerDay;  // truncates toward zero: the integer part
  TTimeStamp result;
  result.Date = static_cast<Integer>(DateDelta + day);
  result.Time = static_cast<Integer>(std::llabs(msecs) % MSecsPerDay);
  if (result.Date < 1 || result.Date > MaxTimeStampDate) throw EConvertError(SDateTimeRange);
  return result;
}

TDateTime TimeStampToDateTime(const TTimeStamp& value) {
  if (value.Date < 1 || value.Date > MaxTimeStampDate || value.Time < 0 || value.Time >= MSecsPerDay) {
    throw EConvertError(Format(SInvalidTimeStamp, {Int64(value.Date), Int64(value.Time)}));
  }
  return ComposeDateTime(value.Date - DateDelta, double(value.Time) / MSecsPerDay);
}

TTimeStamp MSecsToTimeStamp(double msecs) {
  constexpr double limit = double(MaxTimeStampDate + 1) * MSecsPerDay;
  if (!(std::fabs(msecs) < limit)) throw EConvertError(SDateTimeRange);
  Int64 m = std::llround(msecs);
  Int64 day = m / MSecsPerDay;
  Int64 time = m % MSecsPerDay;
  if (time < 0) {  // floor division: the time of day is never negative
    time += MSecsPerDay;
    --day;
  }
  return TTimeStamp{static_cast<Integer>(time), static_cast<Integer>(day)};
}

double TimeStampToMSecs(const TTimeStamp& value) {
  if (value.Date < 1 || value.Date > MaxTimeStampDate || value.Time < 0 || value.Time >= MSecsPerDay) {
    throw EConvertError(Format(SInvalidTimeStamp, {Int64(value.Date), Int64(value.Time)}));
  }
  return double(Int64(value.Date) * MSecsPerDay + value.Time);
}

void DecodeDate(TDateTime value, Word& year, Word& month, Word& day) {
  SplitDayNumber(DateTimeToTimeStamp(value).Date, year, month, day);
}

void DecodeTime(TDateTime value, Word& hour, Word& min, Word& sec, Word& msec) {
  Integer t = DateTimeToTimeStamp(value).Time;
  msec = static_cast<Word>(t % MSecsPerSec);
  t /= MSecsPerSec;
  sec = static_cast<Word>(t % SecsPerMin);
  t /= SecsPerMin;
  min = static_cast<Word>(t % MinsPerHour);
  hour = static_cast<Word>(t / MinsPerHour);
}

void DecodeDateTime(TDateTime value, Word& year, Word& month, Word& day, Word& hour, Word& min, Word& sec,
                    Word& msec) {
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, min, sec, msec);
}

TDateTime DateOf(TDateTime value) { return std::trunc(value); }

TDateTime TimeOf(TDateTime value) { return std::fabs(value - std::trunc(value)); }

TDateTime Now() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t seconds = system_clock::to_time_t(now);
  Integer ms = static_cast<Integer>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  return EncodeDateTime(static_cast<Word>(local.tm_year + 1900), static_cast<Word>(local.tm_mon + 1),
                        static_cast<Word>(local.tm_mday), static_cast<Word>(local.tm_hour),
                        static_cast<Word>(local.tm_min), static_cast<Word>(local.tm_sec > 59 ? 59 : local.tm_sec),
                        static_cast<Word>(ms < 0 ? 0 : ms));
}

TDateTime Date() { return DateOf(Now()); }

TDateTime Time() { return TimeOf(Now()); }
