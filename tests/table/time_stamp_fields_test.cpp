// Time-stamp fields of the engine: milliseconds in the fraction, and stamps
// with a zone offset kept in UTC and shown in the zone's clock time.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "table/TimeStampFields.h"
#include "tests/table/mem_dataset_fixture.h"

namespace {

TSQLTimeStampOffset Stamp(SmallInt year, Word month, Word day, Word hour, Word minute, SmallInt zoneHour,
                          SmallInt zoneMinute, LongWord fractions = 0) {
  TSQLTimeStampOffset s;
  s.Year = year;
  s.Month = month;
  s.Day = day;
  s.Hour = hour;
  s.Minute = minute;
  s.Fractions = fractions;
  s.TimeZoneHour = zoneHour;
  s.TimeZoneMinute = zoneMinute;
  return s;
}

class TimeStampFieldsTest : public testing::Test {
 protected:
  void SetUp() override {
    ds.Open();
    ds.Append();
  }
  TField* stamp() { return ds.FieldByName(u"STAMP"); }
  FixedFormats formats;
  ListDataSet ds{{{u"STAMP", dtSQLTimeStampOffset}}};
};

TEST_F(TimeStampFieldsTest, TextShowsTheZoneClockAndItsOffset) {
  struct Case {
    TSQLTimeStampOffset utc;
    const char16_t* text;
  } cases[] = {
      {Stamp(2024, 2, 1, 15, 30, -5, 30), u"1.2.2024 10:00:00 -05:30"},
      {Stamp(2024, 2, 1, 9, 30, 0, 30), u"1.2.2024 10:00:00 +00:30"},
      {Stamp(2024, 2, 1, 8, 0, 2, 0), u"1.2.2024 10:00:00 +02:00"},
      // The zone's clock crosses midnight and the year.
      {Stamp(2025, 1, 1, 0, 30, -1, 0), u"31.12.2024 23:30:00 -01:00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text));
    stamp()->SetAsSQLTimeStampOffset(c.utc);
    EXPECT_EQ(StringToUtf8(stamp()->DisplayText()), StringToUtf8(c.text));
    // The text reads back into the same stored value.
    stamp()->SetAsString(stamp()->AsString());
    TSQLTimeStampOffset back = stamp()->AsSQLTimeStampOffset();
    EXPECT_EQ(CompareSQLTimeStampOffset(back, c.utc), 0);
    EXPECT_EQ(back.Hour, c.utc.Hour);
    EXPECT_EQ(back.TimeZoneHour, c.utc.TimeZoneHour);
  }
}

TEST_F(TimeStampFieldsTest, FractionsAreMillisecondsAndNullReadsAsNothing) {
  EXPECT_EQ(stamp()->AsDateTime(), 0);
  EXPECT_EQ(stamp()->AsString(), u"");
  EXPECT_TRUE(stamp()->AsVariant().IsNull());

  stamp()->SetAsSQLTimeStampOffset(Stamp(2024, 2, 29, 13, 45, 0, 0, 250));
  TDateTime expected = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 0, 250);
  EXPECT_NEAR(stamp()->AsDateTime(), expected, 1e-9);

  auto* field = static_cast<TDASQLTimeStampOffsetField*>(stamp());
  field->SetDisplayFormat(u"yyyy-mm-dd hh:nn");
  stamp()->SetAsSQLTimeStampOffset(Stamp(2024, 2, 1, 15, 30, -5, 30));
  EXPECT_EQ(StringToUtf8(stamp()->DisplayText()), "2024-02-01 10:00 -05:30");

  stamp()->SetAsString(u"");
  EXPECT_TRUE(stamp()->IsNull());
  ds.Post();
}

TEST(DASQLTimeStampField, ReadsMillisecondsAndNull) {
  FixedFormats formats;
  ListDataSet ds{{{u"TS", dtSQLTimeStamp}}};
  auto* ts = new TDASQLTimeStampField(&ds);
  ts->SetFieldName(u"TS");
  ts->SetDataSet(&ds);
  ds.Open();
  ds.Append();
  EXPECT_EQ(ts->AsDateTime(), 0);
  EXPECT_EQ(ts->DisplayText(), u"");
  TSQLTimeStamp value = SQLTimeStampOffsetToSQLTimeStamp(Stamp(2024, 3, 1, 8, 5, 0, 0, 7));
  ts->SetAsSQLTimeStamp(value);
  EXPECT_NEAR(ts->AsDateTime(), EncodeDate(2024, 3, 1) + EncodeTime(8, 5, 0, 7), 1e-9);
  EXPECT_EQ(ts->DisplayText(), u"1.3.2024 8:05:00");
}

}  // namespace
