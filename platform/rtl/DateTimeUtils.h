// TDateTime arithmetic: encoding and decoding of dates and times, and the
// time-stamp form (milliseconds of the day, days from 1 January 0001).
//
// A TDateTime counts days from 30 December 1899; its fraction is the time of
// day. Before that day the value is negative, and the integer part still names
// the day while the absolute value of the fraction is the time: -1.25 is
// 29 December 1899 at 06:00. Dates from 1 January 0001 to 31 December 9999
// are supported.
#pragma once

#include "platform/rtl/Types.h"

inline constexpr Integer HoursPerDay = 24;
inline constexpr Integer MinsPerHour = 60;
inline constexpr Integer SecsPerMin = 60;
inline constexpr Integer MSecsPerSec = 1000;
inline constexpr Integer MinsPerDay = HoursPerDay * MinsPerHour;
inline constexpr Integer SecsPerDay = MinsPerDay * SecsPerMin;
inline constexpr Integer MSecsPerDay = SecsPerDay * MSecsPerSec;
// Time-stamp day number of 30 December 1899 (day 1 is 1 January 0001).
inline constexpr Integer DateDelta = 693594;
// Time-stamp day number of 31 December 9999.
inline constexpr Integer MaxTimeStampDate = 3652059;

struct TTimeStamp {
  Integer Time;  // milliseconds since midnight, 0 .. MSecsPerDay - 1
  Integer Date;  // days since 31 December 0000 (1 January 0001 is 1)
};

bool IsLeapYear(Word year);
// Days in the month of the year; 0 for a month outside 1..12.
Word DaysInMonth(Word year, Word month);
Word DaysInMonth(TDateTime value);
// 1 for Sunday to 7 for Saturday.
Word DayOfWeek(TDateTime value);

// Year 1..9999, month 1..12, day 1..days of the month.
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& result);
// Raises EConvertError "Invalid argument to date encode".
TDateTime EncodeDate(Word year, Word month, Word day);
// Hour < 24, minute < 60, second < 60, millisecond < 1000.
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& result);
// Raises EConvertError "Invalid argument to time encode".
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);
bool TryEncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec,
                       TDateTime& result);
TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec);

// Decoding rounds to the nearest millisecond, so an encoded value always
// decodes to the parts it was made from. A value outside the supported
// range (or not finite) raises EConvertError.
void DecodeDate(TDateTime value, Word& year, Word& month, Word& day);
void DecodeTime(TDateTime value, Word& hour, Word& min, Word& sec, Word& msec);
void DecodeDateTime(TDateTime value, Word& year, Word& month, Word& day, Word& hour, Word& min, Word& sec,
                    Word& msec);

// The day (integer part) and the time of day (0 <= time < 1) of a value.
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

TTimeStamp DateTimeToTimeStamp(TDateTime value);
// Raises EConvertError "'%d.%d' is not a valid timestamp" (day, milliseconds)
// when the day is not in 1..MaxTimeStampDate or the time not in
// 0..MSecsPerDay - 1.
TDateTime TimeStampToDateTime(const TTimeStamp& value);
// Milliseconds since 1 January 0001, rounded to a whole millisecond.
TTimeStamp MSecsToTimeStamp(double msecs);
double TimeStampToMSecs(const TTimeStamp& value);

// The local clock.
TDateTime Now();
TDateTime Date();
TDateTime Time();
