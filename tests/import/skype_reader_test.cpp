// The Skype log reader on logs built from the record layout: fields by
// their codes, records found by their marker, lengths that lie.
#include <gtest/gtest.h>

#include "import/readers/Skype.h"
#include "platform/rtl/Streams.h"
#include "tests/import/markup_fixture.h"

namespace {

// A record: the marker, the data's size, two words, then the data.
std::string Record(const std::string& data, unsigned declared = ~0u) {
  const unsigned size = declared == ~0u ? static_cast<unsigned>(data.size()) : declared;
  std::string out = "l33l";
  for (unsigned v : {size, 7u, 0u})
    for (int b = 0; b < 4; ++b) out += static_cast<char>(v >> (8 * b) & 0xFF);
  return out + data;
}

std::vector<std::vector<String>> Load(const std::string& bytes, TSMISkype& reader) {
  TMemoryStream stream;
  stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
  stream.SetPosition(0);
  reader.LoadFromStream(stream);
  std::vector<std::vector<String>> rows;
  const TSpreadSheetCells& cells = reader.Sheets[0].Cells;
  for (Integer r = 0; r < cells.Count(); ++r) {
    std::vector<String> row;
    for (Integer c = 0; c < 34; ++c)
      if (const TSMICell* cell = cells.GetCell(c, r))
        row.push_back(String(arrSkypeNames[c].Name) + u"=" + cell->Value.AsString());
    rows.push_back(std::move(row));
  }
  return rows;
}

using TRows = std::vector<std::vector<String>>;

TEST(SkypeReader, FieldsByTheirCodes) {
  struct TCase {
    const char* Name;
    std::string Bytes;
    TRows Expected;
  };
  const TCase cases[] = {
      {"code 48 is the city", Record(std::string("\x03\x30Paris\x00", 8)), {{u"City=Paris"}}},
      {"an unnamed code's bytes are passed over; a two-byte code",
       Record("\x03\x03\xC0\x02\x78\x03\xC8\x03\x41"), {{u"Members=A"}}},
      {"a later field of the same name stands; bytes before the first field are passed over",
       Record(std::string("zz\x03\x10one\x01junk\x03\x10two", 17)), {{u"User=two"}}},
      {"two records and bytes before the first marker",
       "garbage" + Record("\x03\x30" "A") + "between" + Record("\x03\x40mail@x"), {{u"City=A"}, {u"Email=mail@x"}}},
      {"a record without listed codes keeps its row", Record("\x03\x7F" "x") + Record("\x03\x30" "B"),
       {{}, {u"City=B"}}},
      {"an empty value is an empty text", Record(std::string("\x03\x30\x00", 3)), {{u"City="}}},
      {"UTF-8 text of the message (code 508)", Record("\x03\xFC\x03\xC5\xBD" "elezniki"),
       {{u"Message=\u017Delezniki"}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSMISkype reader;
    EXPECT_EQ(Load(c.Bytes, reader), c.Expected);
  }
}

TEST(SkypeReader, LengthsFromTheFileAreBounded) {
  // A record that claims more than the file holds reads what is there; one
  // cut inside its header is none.
  TSMISkype reader;
  EXPECT_EQ(Load(Record("\x03\x30" "Kranj", 1u << 30), reader), (TRows{{u"City=Kranj"}}));
  EXPECT_EQ(Load(Record("\x03\x30" "A") + "l33l\x05", reader), (TRows{{u"City=A"}}));
  // Only the first 32,768 bytes of a record's data are read; the rest of it
  // is passed over, so a marker inside it starts no record.
  std::string big = "\x03\x30" + std::string(TSMISkype::kRecordBuffer, 'x') + Record("\x03\x30" "inner");
  const TRows rows = Load(Record(big) + Record("\x03\x40" "next"), reader);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0].size(), 5 + TSMISkype::kRecordBuffer - 2);
  EXPECT_EQ(rows[1], std::vector<String>{u"Email=next"});
}

TEST(SkypeReader, LoadRangeAndColumns) {
  TSMISkype reader;
  reader.LoadRange().LastRow = 0;
  EXPECT_EQ(Load(Record("\x03\x30" "A") + Record("\x03\x30" "B"), reader), (TRows{{u"City=A"}}));
  EXPECT_EQ(reader.FindColumn(u"MESSAGE"), 19);
  EXPECT_EQ(reader.FindColumn(u"nothing"), -1);
  TColumnList list;
  reader.FillColumnList(list, u"");
  ASSERT_EQ(list.size(), 34u);
  EXPECT_EQ(list[26].Name, u"Direction");
}

TEST(SkypeReader, ImportGivesTheFixedColumns) {
  const auto file = std::filesystem::temp_directory_path() / ("skype_" + std::to_string(getpid()) + ".dbb");
  WriteFileBytes(file, Record("\x03\x30" "Bled\x03\xFC\x03hello"));
  TRADerevuFromSkype source;
  source.SetSourceFileName(Utf8ToString(file.string()));
  const TImportResult got = RunIntoTable(source);
  ASSERT_EQ(got.Columns.size(), 34u);
  EXPECT_EQ(got.Columns[10], u"OfficePhone");
  ASSERT_EQ(got.Rows.size(), 1u);
  EXPECT_EQ(got.Rows[0][3], u"Bled");
  EXPECT_EQ(got.Rows[0][19], u"hello");
  std::filesystem::remove(file);
}

TEST(SkypeReader, WizardPreviewReadsTheLogByFieldName) {
  const auto file = std::filesystem::temp_directory_path() / ("skype_preview_" + std::to_string(getpid()) + ".dbb");
  WriteFileBytes(file, Record("\x03\x30" "A") + Record("\x03\x30" "B") + Record("\x03\x30" "C"));
  TColumnList columns;
  std::vector<String> sheets, cities;
  LoadSpreadSheetPreview(teSkype, nullptr, Utf8ToString(file.string()), u"", 0, 1, 2, 2147483647, columns, false,
                         sheets,
                         [&](void*, Integer count, Integer, bool, std::vector<TPreviewValue>& values) {
                           EXPECT_EQ(count, 34);
                           cities.push_back(values[3].Value.AsString());
                         },
                         nullptr);
  EXPECT_EQ(columns.size(), 34u);
  EXPECT_EQ(cities, (std::vector<String>{u"A", u"B"}));
  std::filesystem::remove(file);
}

}  // namespace
