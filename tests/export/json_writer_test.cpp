// The JSON writer: Python's json module reads what it writes, in every
// character set, with every value of the table.
#include <gtest/gtest.h>

#include "export/writers/ExportToJSON.h"
#include "tests/export/markup_fixture.h"

namespace {

using namespace markup;

class JsonWriterTest : public MarkupTest {};

TEST(JsonDates, MillisecondsSince1970WithTheTimeOfDay) {
  EXPECT_EQ(JsonDateMilliseconds(EncodeDate(1970, 1, 2)), 86400000);
  EXPECT_EQ(JsonDateMilliseconds(EncodeDate(1970, 1, 2) + 10.0 / 24), 86400000 + 36000000);
  EXPECT_EQ(JsonDateMilliseconds(EncodeDate(1969, 12, 31) + 0.5), -43200000);
}

TEST_F(JsonWriterTest, PythonReadsEveryValueInEveryCharacterSet) {
  struct Case {
    TCharacterSet charset;
    const char* codec;
  };
  const Case cases[] = {{csUTF8, "utf-8-sig"}, {csUnicode, "utf-16"}, {csANSI_WINDOWS, "ascii"},
                        {csASCII_MSDOS, "ascii"}, {csEBCDIC, "ascii"}};
  const std::vector<Row> rows = HardRows(false);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codec);
    TTestDataSet ds;
    FillHardTable(ds, rows);
    TRODirezaToJSON writer;
    const fs::path file = dir / "people.json";
    PrepareWriter(writer, ds, file);
    writer.DataFormats.DecimalSeparator = u',';  // numbers are still written with "."
    writer.CharacterSet = c.charset;
    writer.Header = {u"made \"here\""};
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
    EXPECT_EQ(writer.CharacterSet, c.charset);

    std::string expected = "[[[\"HEADER\", [[\"LINE0\", \"made \\\"here\\\"\"]]]]";
    for (const Row& row : rows) {
      std::string members = "[\"ID\", " + StringToUtf8(IntToStr(row.Id)) + "]";
      if (row.Name != nullptr) members += ", [\"First Name\", " + Json(row.Name) + "]";
      members += ", [\"PRICE\", " + StringToUtf8(Number(row.Price)) + "]";
      if (row.Born != 0)
        members += ", [\"BORN\", \"/Date(" + std::to_string(JsonDateMilliseconds(row.Born)) + ")/\"]";
      if (row.Notes != nullptr) members += ", [\"NOTES\", " + Json(row.Notes) + "]";
      expected += ", [[\"RECORD\", [" + members + "]]]";
    }
    expected += "]";
    const std::string out = RunCommand("/usr/bin/python3 read_json.py '" + file.string() + "' " + c.codec + " 2>&1");
    // Python prints whole numbers read as integers without a fraction.
    EXPECT_EQ(out, expected) << ReadBytes(file);
  }
}

TEST_F(JsonWriterTest, LayoutBlankValuesAndBooleans) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"OK", ftBoolean);
  ds.FieldDefs().Add(u"N", ftInteger);
  ds.Open();
  ds.Append();
  ds.FieldByName(u"OK")->SetAsBoolean(true);
  ds.Post();
  ds.First();
  TRODirezaToJSON writer;
  PrepareWriter(writer, ds, dir / "b.json");
  writer.CharacterSet = csANSI_WINDOWS;
  writer.Options |= OptionBit(soExportBlankValues);
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_EQ(ReadBytes(dir / "b.json"),
            "[\r\n  {\r\n   \"RECORD\": {\r\n      \"OK\": true,\r\n      \"N\": null\r\n   }\r\n  }\r\n]\r\n");
}

}  // namespace
