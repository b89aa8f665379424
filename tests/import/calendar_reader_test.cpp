// The vCalendar and iCalendar reader: a file python3-icalendar wrote (time
// zones, an all-day event, folded lines, quoted parameters, an alarm) and
// hand-made vCalendar lines.
#include <gtest/gtest.h>

#include "import/readers/VCalendar.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Streams.h"
#include "tests/import/markup_fixture.h"

namespace {

std::vector<String> FieldNames(const TSMIVCalendar& reader) {
  std::vector<String> names;
  for (Integer i = 0; i < reader.Fields().Count(); ++i) names.push_back(reader.Fields()[i].FieldName);
  return names;
}

Variant Cell(const TSMIVCalendar& reader, Integer row, const char16_t* name) {
  const Integer col = reader.Fields().GetIndexByFieldName(name);
  return reader.Sheets[0].Cells.GetValue(col, row);
}

void LoadText(TSMIVCalendar& reader, const std::string& text) {
  TMemoryStream stream;
  stream.Write(text.data(), static_cast<Int64>(text.size()));
  stream.SetPosition(0);
  reader.LoadFromStream(stream);
}

TEST(CalendarReader, IcalendarFileOfPythonsWriter) {
  TSMIVCalendar reader;
  reader.LoadFromFile(Utf8ToString(MarkupFixture("python_events.ics").string()));
  EXPECT_EQ(reader.Sheets[0].Caption, u"python_events.ics");
  // Parameters never become part of a name; the alarm's properties are the
  // first event's; the to-do is no row.
  EXPECT_EQ(FieldNames(reader), (std::vector<String>{u"SUMMARY", u"DTSTART", u"DTEND", u"DTSTAMP", u"UID", u"ACTION",
                                                     u"DESCRIPTION", u"TRIGGER", u"ORGANIZER"}));
  EXPECT_EQ(reader.Sheets[0].Cells.UsedRowCount, 3);
  // Text escapes are read and UTF-8 kept.
  EXPECT_EQ(Cell(reader, 0, u"SUMMARY").AsString(), u"Sestanek, soba 1; \u017Diga");
  // The unquoted zone form, the UTC form and a date alone.
  EXPECT_EQ(Cell(reader, 0, u"DTSTART").AsDateTime(), EncodeDateTime(2024, 1, 15, 9, 30, 0, 0));
  EXPECT_EQ(Cell(reader, 1, u"DTSTART").AsDateTime(), EncodeDateTime(2024, 2, 1, 13, 0, 0, 0));
  EXPECT_EQ(Cell(reader, 2, u"DTSTART").AsDateTime(), EncodeDate(2024, 12, 25));
  EXPECT_EQ(reader.Sheets[0].Cells.GetCell(reader.Fields().GetIndexByFieldName(u"DTSTART"), 0)->CellType, ictDateTime);
  // A folded line is one value; a quoted parameter holding ":" does not
  // end the name or start the value.
  EXPECT_EQ(Cell(reader, 1, u"DESCRIPTION").AsString(),
            u"A long description that goes on and on so that the writer has to fold it over more than one line "
            u"of the file.\nSecond line.");
  EXPECT_EQ(Cell(reader, 1, u"ORGANIZER").AsString(), u"mailto:ana@example.com");
  EXPECT_EQ(Cell(reader, 0, u"ACTION").AsString(), u"DISPLAY");
  EXPECT_TRUE(Cell(reader, 0, u"ORGANIZER").IsNull());
}

TEST(CalendarReader, ImportMakesOneColumnPerProperty) {
  TRADerevuFromVCalendar source;
  source.SetSourceFileName(Utf8ToString(MarkupFixture("python_events.ics").string()));
  const TImportResult got = RunIntoTable(source);
  ASSERT_EQ(got.Columns.size(), 9u);
  ASSERT_EQ(got.Rows.size(), 3u);
  EXPECT_EQ(got.Rows[2][0], u"Holiday");
  EXPECT_EQ(got.Rows[1][4], u"two@fixture");
}

TEST(CalendarReader, VcalendarLinesAndWhatIsLeftOut) {
  TSMIVCalendar reader;
  LoadText(reader,
           "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nbegin:vevent\r\nSUMMARY:lower-case markers\r\nend:vevent\r\n"
           "BEGIN:VEVENT\r\nSUMMARY:Meeting\r\nDTSTART:20070115T093000Z\r\nDTEND:not a time\r\n"
           "DTSTART;TZID=\"Europe/Ljubljana\":20070116T100000\r\nno separator here\r\nEND:VEVENT\r\n"
           "BEGIN:VEVENT\rLOCATION:Room\rEND:VEVENT\rEND:VCALENDAR\r\n");
  // Lower-case markers are no event; a later property of the same name
  // replaces the earlier one; a value that is no time stamp is left out.
  EXPECT_EQ(FieldNames(reader), (std::vector<String>{u"SUMMARY", u"DTSTART", u"DTEND", u"LOCATION"}));
  EXPECT_EQ(Cell(reader, 0, u"SUMMARY").AsString(), u"Meeting");
  EXPECT_EQ(Cell(reader, 0, u"DTSTART").AsDateTime(), EncodeDateTime(2007, 1, 16, 10, 0, 0, 0));
  EXPECT_TRUE(Cell(reader, 0, u"DTEND").IsNull());
  EXPECT_EQ(reader.Fields()[2].Length, 10);
  // The second event's new column: the first row has nothing there.
  EXPECT_TRUE(Cell(reader, 0, u"LOCATION").IsNull());
  EXPECT_EQ(Cell(reader, 1, u"LOCATION").AsString(), u"Room");
  EXPECT_EQ(reader.FindColumn(u"location"), 3);
}

TEST(CalendarReader, FileWithoutEventsHasNoFields) {
  TSMIVCalendar reader;
  LoadText(reader, "BEGIN:VCALENDAR\nBEGIN:VTODO\nSUMMARY:x\nEND:VTODO\nEND:VCALENDAR\n");
  EXPECT_EQ(reader.Fields().Count(), 0);
  EXPECT_EQ(reader.Sheets[0].Cells.UsedRowCount, 0);
}

}  // namespace
