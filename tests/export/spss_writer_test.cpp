// The SPSS writer: its dictionary and compressed cases byte for byte, and
// what pspp reads back.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "export/writers/ExportToSPSS.h"
#include "platform/db/Fields.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Strings.h"
#include "tests/db/TestDataSet.h"
#include "tests/export/interop.h"

namespace {

namespace fs = std::filesystem;
using interop::ReadBytes;

struct Row {
  Integer Id;
  const char16_t* Name;  // nullptr: null
  double Price;
  TDateTime Born;
  bool Ok;
  const char16_t* Note;
};

const std::vector<Row> kRows = {
    {1, u"Ana", 3.5, EncodeDate(2000, 1, 1), true, u"Short note"},
    {151, u"Žiga Čopič", -12.25, EncodeDate(1999, 12, 31) + EncodeTime(13, 45, 30, 0), false, nullptr},
    {152, nullptr, 0, 0, true, u"A note longer than eight bytes"},
};

void Fill(TTestDataSet& ds) {
  ds.FieldDefs().Add(u"ID", ftInteger);
  ds.FieldDefs().Add(u"Name", ftWideString, 12);
  ds.FieldDefs().Add(u"Price", ftFloat);
  ds.FieldDefs().Add(u"Born", ftDateTime);
  ds.FieldDefs().Add(u"OK", ftBoolean);
  ds.FieldDefs().Add(u"Note", ftMemo);
  ds.Open();
  for (const Row& row : kRows) {
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(row.Id);
    if (row.Name != nullptr) ds.FieldByName(u"Name")->SetAsString(row.Name);
    ds.FieldByName(u"Price")->SetAsFloat(row.Price);
    if (row.Born != 0) ds.FieldByName(u"Born")->SetAsDateTime(row.Born);
    ds.FieldByName(u"OK")->SetAsBoolean(row.Ok);
    if (row.Note != nullptr) ds.FieldByName(u"Note")->SetAsString(row.Note);
    ds.Post();
  }
  ds.First();
}

class SpssWriterTest : public testing::Test {
 protected:
  void SetUp() override { dir = interop::TempDir("spss"); }
  void TearDown() override { interop::RemoveTempDir(dir); }

  // The sample with two header lines, a title row and a footer line: none
  // of them is a case.
  void Write(const fs::path& file, bool stringRoad = false) {
    TTestDataSet ds;
    Fill(ds);
    TRODirezaToSPSS writer;
    writer.SetDataSet(&ds);
    writer.ColumnSource = csDataSet;
    writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
    writer.AnimatedStatus = false;
    writer.AddTitle = true;
    writer.Header = {u"Report", u"of prices"};
    writer.Footer = {u"End"};
    if (stringRoad)
      writer.OnGetCellParams = [](TSMECustomBaseComponent*, TField*, String&, TFont&, TAlignment&, TColor&, TCellType&) {};
    writer.FileName = Utf8ToString(file.string());
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
  }

  fs::path dir;
};

Cardinal LE32(const std::string& bytes, size_t at) {
  return static_cast<Byte>(bytes[at]) | static_cast<Byte>(bytes[at + 1]) << 8 |
         static_cast<Byte>(bytes[at + 2]) << 16 | static_cast<Cardinal>(static_cast<Byte>(bytes[at + 3])) << 24;
}

// Where the case data begins: after the dictionary's end record.
size_t DataStart(const std::string& bytes) {
  for (size_t at = 176; at + 8 <= bytes.size(); at += 4)
    if (LE32(bytes, at) == 999 && LE32(bytes, at + 4) == 0) return at + 8;
  return std::string::npos;
}

TEST_F(SpssWriterTest, DictionaryAndCompressedCases) {
  Write(dir / "s.sav");
  const std::string bytes = ReadBytes(dir / "s.sav");
  EXPECT_EQ(bytes.substr(0, 4), "$FL2");
  EXPECT_EQ(bytes.substr(4, 29), "@(#) SPSS DATA FILE RODireza ");
  EXPECT_EQ(LE32(bytes, 64), 2u);
  // ID 1, Name 26 bytes (4 units), Price 1, Born 1, OK 1, Note 10 bytes (2).
  EXPECT_EQ(LE32(bytes, 68), 10u);
  EXPECT_EQ(LE32(bytes, 72), 1u);
  EXPECT_EQ(LE32(bytes, 80), 3u);  // data rows only: no header, title or footer line
  double bias;
  std::memcpy(&bias, bytes.data() + 84, 8);
  EXPECT_EQ(bias, 100.0);
  const size_t data = DataStart(bytes);
  ASSERT_NE(data, std::string::npos);
  // Case 1: 1, "Ana" and three blank units, 3.5, the date, true, the note.
  EXPECT_EQ(bytes.substr(data, 8), std::string("\x65\xFD\xFE\xFE\xFE\xFD\xFD\x65"));
  EXPECT_EQ(bytes.substr(data + 8, 8), "Ana     ");
  // Case 2 begins in the second block's third command (the first block
  // carries three values): 151 is one command.
  const size_t second = data + 8 + 3 * 8;
  EXPECT_EQ(bytes.substr(second, 3), std::string("\xFD\xFD\xFB"));
  // Case 3: 152 does not fit a command and follows as a double.
  const std::string tail = bytes.substr(bytes.size() - 8);
  EXPECT_EQ(tail, std::string("\xFC\0\0\0\0\0\0\0", 8));
  const double expected152 = 152;
  EXPECT_NE(bytes.find(std::string(reinterpret_cast<const char*>(&expected152), 8), data), std::string::npos);
}

TEST_F(SpssWriterTest, TypedCellsAndTextsGiveTheSameCases) {
  Write(dir / "typed.sav");
  Write(dir / "texts.sav", true);
  const std::string typed = ReadBytes(dir / "typed.sav"), texts = ReadBytes(dir / "texts.sav");
  // The header's creation time may differ; all after it may not.
  EXPECT_EQ(typed.substr(0, 96), texts.substr(0, 96));
  EXPECT_EQ(typed.substr(176), texts.substr(176));
}

TEST_F(SpssWriterTest, VariableNamesAreValidAndUnique) {
  const struct {
    std::vector<String> fields;
    std::vector<AnsiString> names;
  } cases[] = {
      {{u"Name", u"Name"}, {"NAME", "NAME1"}},
      {{u"Total9", u"Total9", u"Total9"}, {"TOTAL9", "TOTAL10", "TOTAL11"}},
      {{u"Unit Price", u"1st col", u"and", u"with"}, {"UNIT_PRI", "V1ST_COL", "VAND", "VWITH"}},
      {{u"LongVariableName", u"LongVariableX", u"LONGVARI"}, {"LONGVARI", "LONGVAR1", "LONGVAR2"}},
      {{u"a.b.", u"", u"Čas"}, {"A.B", "V", "V_AS"}},
  };
  for (const auto& c : cases) EXPECT_EQ(TRODirezaToSPSS::VariableNames(c.fields), c.names);
}

TEST_F(SpssWriterTest, PsppReadsEveryCaseAndVariable) {
  if (!interop::Have("pspp-convert")) GTEST_SKIP() << "pspp is not installed";
  Write(dir / "s.sav");
  const auto converted =
      interop::Run("pspp-convert '" + (dir / "s.sav").string() + "' '" + (dir / "s.csv").string() + "'");
  ASSERT_EQ(converted.Status, 0) << converted.Output;
  EXPECT_EQ(ReadBytes(dir / "s.csv"),
            "id,name,price,born,ok,note\n"
            "1,Ana,3.5,01/01/2000 00:00:00,1,Short note\n"
            "151,Žiga Čopič,-12.25,12/31/1999 13:45:30,0,\n"
            "152,,0, ,1,A note lon\n");
  std::FILE* syntax = std::fopen((dir / "d.sps").c_str(), "w");
  ASSERT_NE(syntax, nullptr);
  std::fprintf(syntax, "GET FILE='%s'.\nDISPLAY DICTIONARY.\n", (dir / "s.sav").c_str());
  std::fclose(syntax);
  const auto shown = interop::Run("cd '" + dir.string() + "' && pspp -O format=txt -o out.txt d.sps && cat out.txt");
  ASSERT_EQ(shown.Status, 0) << shown.Output;
  EXPECT_EQ(shown.Output.find("arning"), std::string::npos) << shown.Output;
  for (const char* line : {"|id   |       1|", "|name |       2|", "A26", "F8.2", "DATETIME20.0", "|note |       6|"})
    EXPECT_NE(shown.Output.find(line), std::string::npos) << line;
}

}  // namespace
