#include <gtest/gtest.h>

#include <cmath>
#include <array>
#include <limits>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "platform/rtl/Strings.h"
#include "tests/support/exception_message.h"
#include "tests/support/fixed_formats.h"

namespace {


struct DateCase {
  Word y, m, d;
  double serial;
  Word dayOfWeek;  // 1 = Sunday
};

const DateCase kDates[] = {
    {1, 1, 1, -693593, 2},     {1600, 2, 29, -109512, 3}, {1899, 12, 29, -1, 6},  {1899, 12, 30, 0, 7},
    {1900, 1, 1, 2, 2},        {1900, 3, 1, 61, 5},       {2000, 1, 1, 36526, 7}, {2024, 2, 29, 45351, 5},
    {9999, 12, 31, 2958465, 6},
};

}  // namespace

TEST(DateTime, EncodesAndDecodesDatesAcrossTheWholeRange) {
  for (const auto& c : kDates) {
    SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d);
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.serial);
    Word y, m, d;
    DecodeDate(c.serial, y, m, d);
    EXPECT_EQ(y, c.y);
    EXPECT_EQ(m, c.m);
    EXPECT_EQ(d, c.d);
    EXPECT_EQ(DayOfWeek(c.serial), c.dayOfWeek);
  }
}

TEST(DateTime, NegativeValuesKeepTheDayInTheIntegerPart) {
  // -1.25 is 29 December 1899 at 06:00, not 28 December at 18:00.
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  Word y, mo, d, h, mi, s, ms;
  DecodeDateTime(-1.25, y, mo, d, h, mi, s, ms);
  EXPECT_EQ((std::array<Word, 4>{y, mo, d, h}), (std::array<Word, 4>{1899, 12, 29, 6}));
  // The day before the epoch day cannot be reached through a fraction alone.
  DecodeDateTime(-0.25, y, mo, d, h, mi, s, ms);
  EXPECT_EQ((std::array<Word, 4>{y, mo, d, h}), (std::array<Word, 4>{1899, 12, 30, 6}));
  EXPECT_EQ(DateOf(-1.25), -1);
  EXPECT_EQ(TimeOf(-1.25), 0.25);
  EXPECT_EQ(TimeOf(2.75), 0.75);
}

TEST(DateTime, EveryMillisecondRoundTrips) {
  const Word years[][3] = {{1, 1, 1}, {1850, 6, 15}, {1899, 12, 29}, {1899, 12, 30}, {2024, 2, 29}, {9999, 12, 31}};
  for (const auto& ymd : years) {
    TDateTime day = EncodeDate(ymd[0], ymd[1], ymd[2]);
    for (Integer t = 0; t < MSecsPerDay; t += (t < 5000 || t > MSecsPerDay - 5000) ? 1 : 997) {
      Word h = Word(t / 3600000), mi = Word(t / 60000 % 60), s = Word(t / 1000 % 60), ms = Word(t % 1000);
      TDateTime value = EncodeDateTime(ymd[0], ymd[1], ymd[2], h, mi, s, ms);
      Word y2, mo2, d2, h2, mi2, s2, ms2;
      DecodeDateTime(value, y2, mo2, d2, h2, mi2, s2, ms2);
      if (y2 != ymd[0] || mo2 != ymd[1] || d2 != ymd[2] || h2 != h || mi2 != mi || s2 != s || ms2 != ms) {
        FAIL() << "day " << day << " ms " << t << " decoded as " << y2 << "-" << mo2 << "-" << d2 << " " << h2 << ":"
               << mi2 << ":" << s2 << "." << ms2;
      }
      ASSERT_EQ(DateTimeToTimeStamp(value).Time, t);
    }
  }
}

TEST(DateTime, RejectsPartsOutsideTheCalendar) {
  const Word badDates[][3] = {{0, 1, 1}, {10000, 1, 1}, {2023, 2, 29}, {1900, 2, 29}, {2024, 13, 1},
                              {2024, 0, 1}, {2024, 4, 31}, {2024, 1, 0}};
  for (const auto& d : badDates) {
    SCOPED_TRACE(testing::Message() << d[0] << "-" << d[1] << "-" << d[2]);
    TDateTime out = 7;
    EXPECT_FALSE(TryEncodeDate(d[0], d[1], d[2], out));
    EXPECT_EQ(out, 7);
    ExpectError<EConvertError>([&] { EncodeDate(d[0], d[1], d[2]); }, u"Invalid argument to date encode");
  }
  const Word badTimes[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}};
  for (const auto& t : badTimes) {
    ExpectError<EConvertError>([&] { EncodeTime(t[0], t[1], t[2], t[3]); }, u"Invalid argument to time encode");
  }
  EXPECT_EQ(EncodeTime(23, 59, 59, 999), 86399999.0 / MSecsPerDay);
  // Values outside 1..9999 or not finite cannot be decoded.
  for (double v : {-693594.0, 2958466.0, 1e300, std::numeric_limits<double>::quiet_NaN(),
                   std::numeric_limits<double>::infinity()}) {
    Word y, m, d;
    EXPECT_THROW(DecodeDate(v, y, m, d), EConvertError) << v;
  }
}

TEST(DateTime, CalendarHelpers) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInMonth(2024, 12), 31);
  EXPECT_EQ(DaysInMonth(2024, 13), 0);
  EXPECT_EQ(DaysInMonth(EncodeDate(1900, 2, 10)), 28);
  TDateTime now = Now();
  EXPECT_GT(now, EncodeDate(2020, 1, 1));
  EXPECT_EQ(Date(), std::trunc(Date()));
  EXPECT_LT(Time(), 1.0);
}

TEST(DateTime, TimeStamps) {
  TTimeStamp epoch = DateTimeToTimeStamp(0);
  EXPECT_EQ(epoch.Date, DateDelta);
  EXPECT_EQ(epoch.Time, 0);
  TTimeStamp ts = DateTimeToTimeStamp(EncodeDateTime(1, 1, 1, 0, 0, 0, 1));
  EXPECT_EQ(ts.Date, 1);
  EXPECT_EQ(ts.Time, 1);
  EXPECT_EQ(TimeStampToMSecs(ts), double(MSecsPerDay) + 1);
  // Milliseconds since 1 January 0001 round to whole milliseconds.
  TTimeStamp back = MSecsToTimeStamp(double(MSecsPerDay) * 700000 + 12345.6);
  EXPECT_EQ(back.Date, 700000);
  EXPECT_EQ(back.Time, 12346);
  EXPECT_EQ(TimeStampToDateTime(DateTimeToTimeStamp(-1.25)), -1.25);
  TTimeStamp negative = MSecsToTimeStamp(-1);
  EXPECT_EQ(negative.Time, MSecsPerDay - 1);
  EXPECT_EQ(negative.Date, -1);

  ExpectError<EConvertError>([] { TimeStampToDateTime({-1, 693594}); }, u"'693594.-1' is not a valid timestamp");
  ExpectError<EConvertError>([] { TimeStampToDateTime({0, 0}); }, u"'0.0' is not a valid timestamp");
  ExpectError<EConvertError>([] { TimeStampToMSecs({5, -3}); }, u"'-3.5' is not a valid timestamp");
  // A time of a whole day or more would land on another day.
  EXPECT_THROW(TimeStampToDateTime({MSecsPerDay, 693594}), EConvertError);
}

// ---------------------------------------------------------------------------
// SQL time stamps

class SqlTimeStampTest : public testing::Test {
 protected:
  void SetUp() override {
    FormatSettings.DateSeparator = u'.';
    FormatSettings.TimeSeparator = u':';
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.ShortDateFormat = u"d.M.yyyy";
    FormatSettings.LongTimeFormat = u"H:mm:ss";
  }
  FixedFormats formats_;

  static TSQLTimeStamp Stamp(SmallInt y, Word mo, Word d, Word h, Word mi, Word s, LongWord ms) {
    TSQLTimeStamp ts;
    ts.Year = y;
    ts.Month = mo;
    ts.Day = d;
    ts.Hour = h;
    ts.Minute = mi;
    ts.Second = s;
    ts.Fractions = ms;
    return ts;
  }
};

TEST_F(SqlTimeStampTest, FractionsAreMilliseconds) {
  TDateTime value = EncodeDateTime(2024, 6, 9, 14, 5, 7, 45);
  TSQLTimeStamp ts = DateTimeToSQLTimeStamp(value);
  EXPECT_EQ(ts.Year, 2024);
  EXPECT_EQ(ts.Second, 7);
  EXPECT_EQ(ts.Fractions, 45u);
  EXPECT_EQ(SQLTimeStampToDateTime(ts), value);
  TDateTime old = EncodeDateTime(1750, 1, 2, 23, 59, 59, 999);
  EXPECT_EQ(SQLTimeStampToDateTime(DateTimeToSQLTimeStamp(old)), old);
  EXPECT_EQ(SQLTimeStampToDateTime(TSQLTimeStamp()), 0);  // the blank stamp
}

TEST_F(SqlTimeStampTest, InvalidStampsAreRejected) {
  const TSQLTimeStamp bad[] = {Stamp(2024, 13, 1, 0, 0, 0, 0), Stamp(2023, 2, 29, 0, 0, 0, 0),
                               Stamp(2024, 1, 1, 24, 0, 0, 0), Stamp(2024, 1, 1, 0, 60, 0, 0),
                               Stamp(2024, 1, 1, 0, 0, 60, 0), Stamp(2024, 1, 1, 0, 0, 0, 1000),
                               Stamp(0, 1, 1, 0, 0, 0, 0),     Stamp(-5, 1, 1, 0, 0, 0, 0)};
  for (const auto& ts : bad) {
    ExpectError<EConvertError>([&] { SQLTimeStampToDateTime(ts); }, u"Invalid SQL date/time values");
    EXPECT_THROW(SQLTimeStampToStr(u"", ts), EConvertError);
  }
}

TEST_F(SqlTimeStampTest, FormatsWithTheSettings) {
  TSQLTimeStamp ts = Stamp(2024, 6, 9, 14, 5, 7, 45);
  struct {
    const char16_t* format;
    const char16_t* text;
  } cases[] = {
      {u"", u"9.6.2024 14:05:07"},
      {u"yyyy-mm-dd hh:nn:ss.zzz", u"2024-06-09 14:05:07.045"},
      {u"dd/mm/yy", u"09.06.24"},
      {u"hh:mm", u"14:05"},  // "m" after an hour is minutes
      {u"h:nn am/pm", u"2:05 pm"},
      {u"h:nn AM/PM", u"2:05 PM"},
      {u"'d' d \"m\"", u"d 9 m"},
      {u"ddddd", u"9.6.2024"},
      {u"c", u"9.6.2024 14:05:07"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << StringToUtf8(c.format));
    EXPECT_EQ(SQLTimeStampToStr(c.format, ts), c.text);
  }
  EXPECT_EQ(SQLTimeStampToStr(u"", Stamp(2024, 6, 9, 0, 0, 0, 0)), u"9.6.2024");
  EXPECT_EQ(SQLTimeStampToStr(u"", TSQLTimeStamp()), u"");
}

TEST_F(SqlTimeStampTest, ParsesWhatItFormats) {
  EXPECT_EQ(CompareSQLTimeStamp(StrToSQLTimeStamp(u"9.6.2024 14:05:07,045"), Stamp(2024, 6, 9, 14, 5, 7, 45)), 0);
  EXPECT_EQ(CompareSQLTimeStamp(StrToSQLTimeStamp(u" 9.6.2024 "), Stamp(2024, 6, 9, 0, 0, 0, 0)), 0);
  FormatSettings.TimePMString = u"PM";
  EXPECT_EQ(CompareSQLTimeStamp(StrToSQLTimeStamp(u"9.6.2024 2:05 PM"), Stamp(2024, 6, 9, 14, 5, 0, 0)), 0);
  FormatSettings.ShortDateFormat = u"yyyy-MM-dd";
  FormatSettings.DateSeparator = u'-';
  EXPECT_EQ(CompareSQLTimeStamp(StrToSQLTimeStamp(u"2024-06-09 14:05:07,5"), Stamp(2024, 6, 9, 14, 5, 7, 500)), 0);

  for (const char16_t* bad : {u"", u"9.6.2024x", u"a.b.c", u"2024-02-30", u"2024-06-09 25:00"}) {
    ExpectError<EConvertError>([&] { StrToSQLTimeStamp(bad); }, u"Could not parse SQL TimeStamp string");
  }
  TSQLTimeStamp out;
  EXPECT_FALSE(TryStrToSQLTimeStamp(u"2024-13-01", out));
}

TEST_F(SqlTimeStampTest, OffsetsInTextAndOrder) {
  TSQLTimeStampOffset west = SQLTimeStampToSQLTimeStampOffset(Stamp(2024, 6, 9, 14, 5, 7, 0), -5, 30);
  EXPECT_EQ(SQLTimeStampOffsetToStr(u"", west), u"9.6.2024 14:05:07 -05:30");
  TSQLTimeStampOffset half = SQLTimeStampToSQLTimeStampOffset(Stamp(2024, 6, 9, 14, 5, 7, 0), 0, 30);
  EXPECT_EQ(SQLTimeStampOffsetToStr(u"", half), u"9.6.2024 14:05:07 +00:30");
  TSQLTimeStampOffset parsed = StrToSQLTimeStampOffset(u"9.6.2024 14:05:07 -05:30");
  EXPECT_EQ(parsed.TimeZoneHour, -5);
  EXPECT_EQ(parsed.TimeZoneMinute, 30);
  EXPECT_EQ(CompareSQLTimeStampOffset(parsed, west), 0);
  // 14:00 at +02:00 is 12:00 UTC, before 13:00 at +00:00.
  TSQLTimeStampOffset a = SQLTimeStampToSQLTimeStampOffset(Stamp(2024, 1, 1, 14, 0, 0, 0), 2, 0);
  TSQLTimeStampOffset b = SQLTimeStampToSQLTimeStampOffset(Stamp(2024, 1, 1, 13, 0, 0, 0), 0, 0);
  EXPECT_EQ(CompareSQLTimeStampOffset(a, b), -1);
  EXPECT_EQ(CompareSQLTimeStampOffset(b, a), 1);
  TSQLTimeStampOffset plain = StrToSQLTimeStampOffset(u"9.6.2024 14:05");  // no zone: UTC
  EXPECT_EQ(plain.TimeZoneHour, 0);
  EXPECT_EQ(plain.Minute, 5);
  EXPECT_EQ(StrToSQLTimeStampOffset(u"9.6.2024 -0:45").TimeZoneMinute, -45);
  EXPECT_THROW(StrToSQLTimeStampOffset(u"9.6.2024 +15:00"), EConvertError);
  TSQLTimeStampOffset badZone = a;
  badZone.TimeZoneHour = 15;
  EXPECT_THROW(SQLTimeStampOffsetToDateTime(badZone), EConvertError);
}
