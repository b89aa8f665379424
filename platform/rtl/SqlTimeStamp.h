// SQL time stamps: a date and time kept as separate fields (16 bytes), and
// the same with the offset of its time zone (20 bytes). Fractions are
// milliseconds. All fields zero is the blank (null) time stamp.
#pragma once

#include "platform/rtl/Types.h"

struct TSQLTimeStamp {
  SmallInt Year = 0;
  Word Month = 0;
  Word Day = 0;
  Word Hour = 0;
  Word Minute = 0;
  Word Second = 0;
  LongWord Fractions = 0;  // milliseconds, 0..999
};
static_assert(sizeof(TSQLTimeStamp) == 16, "TSQLTimeStamp is 16 bytes in records and files");

struct TSQLTimeStampOffset {
  SmallInt Year = 0;
  Word Month = 0;
  Word Day = 0;
  Word Hour = 0;
  Word Minute = 0;
  Word Second = 0;
  LongWord Fractions = 0;  // milliseconds, 0..999
  // The zone's offset from UTC; -05:30 is hour -5, minute 30. Minutes take
  // the sign of the hour (a negative minute counts only when the hour is 0).
  SmallInt TimeZoneHour = 0;
  SmallInt TimeZoneMinute = 0;
};
static_assert(sizeof(TSQLTimeStampOffset) == 20, "TSQLTimeStampOffset is 20 bytes in records and files");

bool IsSQLTimeStampBlank(const TSQLTimeStamp& value);
// Year 1..9999, a real day of the month, hour < 24, minute < 60,
// second < 60, fractions < 1000; the blank stamp also passes.
bool IsValidSQLTimeStamp(const TSQLTimeStamp& value);
// Raises EConvertError "Invalid SQL date/time values" for an invalid stamp.
void CheckSqlTimeStamp(const TSQLTimeStamp& value);
// Also checks the zone: hour -14..14, minute -59..59.
void CheckSqlTimeStampOffset(const TSQLTimeStampOffset& value);

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value);
// The blank stamp gives 0; an invalid one raises (CheckSqlTimeStamp).
TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& value);
TSQLTimeStampOffset DateTimeToSQLTimeStampOffset(TDateTime value, SmallInt zoneHour = 0, SmallInt zoneMinute = 0);
// The stamp's own clock time (the zone is not applied).
TDateTime SQLTimeStampOffsetToDateTime(const TSQLTimeStampOffset& value);
TSQLTimeStamp SQLTimeStampOffsetToSQLTimeStamp(const TSQLTimeStampOffset& value);
TSQLTimeStampOffset SQLTimeStampToSQLTimeStampOffset(const TSQLTimeStamp& value, SmallInt zoneHour = 0,
                                                     SmallInt zoneMinute = 0);

// FormatDateTime's text of the stamp (an empty format is "c": the short
// date, then the long time unless it is midnight); the blank stamp gives the
// empty string. An invalid stamp raises (CheckSqlTimeStamp).
String SQLTimeStampToStr(StringView format, const TSQLTimeStamp& value);
// The stamp's text followed by " +hh:nn" or " -hh:nn".
String SQLTimeStampOffsetToStr(StringView format, const TSQLTimeStampOffset& value);
// Reads what StrToDateTime reads; raises EConvertError "Could not parse SQL
// TimeStamp string" for anything else.
TSQLTimeStamp StrToSQLTimeStamp(StringView text);
bool TryStrToSQLTimeStamp(StringView text, TSQLTimeStamp& result);
// As above, with an optional zone "+hh:nn" / "-hh:nn" at the end.
TSQLTimeStampOffset StrToSQLTimeStampOffset(StringView text);

// -1, 0 or 1 by date and time. Offset stamps compare by instant (UTC), then
// by zone so that the order is total.
int CompareSQLTimeStamp(const TSQLTimeStamp& a, const TSQLTimeStamp& b);
int CompareSQLTimeStampOffset(const TSQLTimeStampOffset& a, const TSQLTimeStampOffset& b);
