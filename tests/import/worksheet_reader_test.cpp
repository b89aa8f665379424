// The Lotus 1-2-3 and Quattro Pro readers: the fixtures the script beside
// them built from each version's record layout, single records built here
// for each rule, and damaged files that must fail cleanly.
#include <gtest/gtest.h>

#include <cmath>

#include "fuzz/worksheet_reader_input.h"
#include "import/ImportExceptions.h"
#include "import/readers/ImportFromCell.h"
#include "import/readers/Lotus123.h"
#include "import/readers/QuattroPro.h"
#include "platform/db/Field.h"
#include "table/VirtualTable.h"
#include "tests/import/import_fixture.h"
#include "tests/import/worksheet_fixture.h"
#include "tests/support/exception_message.h"

namespace {

using namespace worksheet;

class WorksheetReaderTest : public testing::Test {
 protected:
  void SetUp() override {
    savedCodePage = AnsiCodePage();
    SetAnsiCodePage(1250);
  }
  void TearDown() override { SetAnsiCodePage(savedCodePage); }
  int savedCodePage = 0;
};

const std::string kWK1 = Rec(0, LE16(0x0404));
const std::string kWK3 = Rec(0, LE16(0x1000));
const std::string kWQ1 = Rec(0, LE16(0x5120));

// A WK1 cell: format byte, column, row.
std::string Wk1Cell(unsigned column, unsigned row) { return std::string(1, '\xFF') + LE16(column) + LE16(row); }
// A WK3 cell: row, sheet, column.
std::string Wk3Cell(unsigned row, unsigned sheet, unsigned column) {
  return LE16(row) + static_cast<char>(sheet) + static_cast<char>(column);
}

TEST_F(WorksheetReaderTest, FixturesReadAsBuilt) {
  struct TCase {
    const char* Name;
    bool Lotus;
    int Version;
    std::vector<String> Sheets;
  };
  const TCase cases[] = {
      {"handbuilt.wk1", true, wvWKS1, {u"Sheet1"}},          {"handbuilt.wk3", true, wvWKS3, {u"Prices", u"Sums"}},
      {"handbuilt.wk4", true, wvWKS4, {u"Prices", u"Sums"}}, {"handbuilt.wq1", false, qvWQ1, {u"Sheet1"}},
      {"handbuilt.wq2", false, qvWQ2, {u"Sheet1"}},          {"handbuilt.wb1", false, qvWB3, {u"Sheet1"}},
      {"handbuilt.wb2", false, qvWB2, {u"Sheet1"}},          {"handbuilt.wb3", false, qvWB3, {u"Prices", u"Sums"}},
      {"handbuilt.qpw", false, qvQP9, {u"Prices", u"Sums"}}, {"kinds.qpw", false, qvQP9, {u"Sheet1"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string bytes = ReadFile(Fixture(c.Name));
    ASSERT_FALSE(bytes.empty());
    std::unique_ptr<TSpreadSheetFile> reader;
    int version = -1;
    if (c.Lotus) {
      auto lotus = std::make_unique<TLotus123>();
      Load(*lotus, bytes);
      version = lotus->Version();
      reader = std::move(lotus);
    } else {
      auto quattro = std::make_unique<TQuattroPro>();
      Load(*quattro, bytes);
      version = quattro->Version();
      reader = std::move(quattro);
    }
    EXPECT_EQ(version, c.Version);
    EXPECT_EQ(ModelCells(*reader), ExpectedCells(c.Name));
    std::vector<String> sheets;
    for (Integer s = 0; s < reader->Sheets.Count(); ++s) sheets.push_back(reader->Sheets[s].Caption);
    EXPECT_EQ(sheets, c.Sheets);
  }
}

TEST_F(WorksheetReaderTest, LotusVersionRecord) {
  struct TCase {
    unsigned Word;
    int Version;  // -1: the version error
  };
  for (const TCase& c : std::vector<TCase>{{0x0404, wvWKS1},
                                           {0x0405, wvWKS2},
                                           {0x0406, wvWR1},
                                           {0x1000, wvWKS3},
                                           {0x1002, wvWKS4},
                                           {0x8007, wvWKS4},
                                           {0x1003, wv123},
                                           {0x1005, wv123},
                                           {0x0101, wvUnknown},
                                           {0x0200, -1}}) {
    SCOPED_TRACE(c.Word);
    TLotus123 reader;
    // 0x0101 ends the load at once: the cell after it is not read.
    const std::string bytes = Rec(0, LE16(c.Word)) + Rec(15, Wk1Cell(0, 0) + "'x" + '\0');
    if (c.Version < 0) {
      EXPECT_EQ(ExceptionMessage<ESMICryptException>([&] { Load(reader, bytes); }),
                "Invalid file version or file format.");
      continue;
    }
    Load(reader, bytes);
    EXPECT_EQ(reader.Version(), c.Version);
    if (c.Word == 0x0101) {
      EXPECT_EQ(reader.Sheets.Count(), 0);
    }
  }
  // A file that does not begin with its version record is no worksheet.
  TLotus123 reader;
  EXPECT_EQ(ExceptionMessage<ESMICryptException>([&] { Load(reader, Rec(15, Wk1Cell(0, 0) + "'x" + '\0')); }),
            "Invalid file version or file format.");
}

TEST_F(WorksheetReaderTest, LotusCellRecords) {
  struct TCase {
    const char* What;
    std::string Bytes;
    Variant Value;
    TAlignment Alignment;
  };
  const std::vector<TCase> cases = {
      // Integer cells are signed in every version.
      {"integer WK1", kWK1 + Rec(13, Wk1Cell(1, 2) + LE16(0xFFFF)), Variant(-1), taRightJustify},
      {"integer WR1", Rec(0, LE16(0x0406)) + Rec(13, Wk1Cell(1, 2) + LE16(0xFFFF)), Variant(-1), taRightJustify},
      {"number", kWK1 + Rec(14, Wk1Cell(1, 2) + F64(-2.5)), Variant(-2.5), taRightJustify},
      {"label centred", kWK1 + Rec(15, Wk1Cell(1, 2) + "^Mid" + '\0'), Variant(u"Mid"), taCenter},
      {"label right", kWK1 + Rec(15, Wk1Cell(1, 2) + "\"Right" + '\0'), Variant(u"Right"), taRightJustify},
      {"label left", kWK1 + Rec(15, Wk1Cell(1, 2) + "'L\xE8" + '\0'), Variant(u"Lč"), taLeftJustify},
      {"formula with a text result", kWK1 + Rec(16, Wk1Cell(1, 2) + F64(std::nan("")) + LE16(0)), Variant(0),
       taRightJustify},
      {"small odd", kWK3 + Rec(24, Wk3Cell(2, 0, 1) + LE16(0x0037)), Variant(0.015), taRightJustify},
      {"small even", kWK3 + Rec(24, Wk3Cell(2, 0, 1) + LE16(0x0064)), Variant(50.0), taRightJustify},
      // The mantissa is signed (as LibreOffice and gnumeric read it).
      {"small negative", kWK3 + Rec(24, Wk3Cell(2, 0, 1) + LE16(0xFFF7)), Variant(-0.005), taRightJustify},
      {"small negative large", kWK3 + Rec(24, Wk3Cell(2, 0, 1) + LE16(0x8011)), Variant(-10235000.0), taRightJustify},
      {"packed largest", kWK3 + Rec(37, Wk3Cell(2, 0, 1) + LE32(0xFFFFFFC0)), Variant(67108863), taRightJustify},
      {"packed times ten", kWK3 + Rec(37, Wk3Cell(2, 0, 1) + LE32(0x1C2)), Variant(700.0), taRightJustify},
      {"packed divided", kWK3 + Rec(37, Wk3Cell(2, 0, 1) + LE32(0x1D2)), Variant(0.07), taRightJustify},
      {"packed integer", kWK3 + Rec(37, Wk3Cell(2, 0, 1) + LE32(5 << 6)), Variant(5), taRightJustify},
      {"double", kWK3 + Rec(39, Wk3Cell(2, 0, 1) + F64(1e300)), Variant(1e300), taRightJustify},
      {"text", kWK3 + Rec(22, Wk3Cell(2, 0, 1) + "\"abc" + '\0'), Variant(u"abc"), taRightJustify},
      {"formula text", kWK3 + Rec(26, Wk3Cell(2, 0, 1) + "x y" + '\0'), Variant(u"x y"), taLeftJustify},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TLotus123 reader;
    Load(reader, c.Bytes);
    const TSMICell* cell = reader.Sheets.Count() > 0 ? reader.Sheets[0].Cells.GetCell(1, 2) : nullptr;
    ASSERT_NE(cell, nullptr);
    if (c.Value.VarType() == varDouble)
      EXPECT_DOUBLE_EQ(cell->Value.AsDouble(), c.Value.AsDouble());
    else
      EXPECT_EQ(VarToStr(cell->Value), VarToStr(c.Value));
    EXPECT_EQ(cell->Value.VarType(), c.Value.VarType());
    EXPECT_EQ(cell->Alignment, c.Alignment);
  }
}

TEST_F(WorksheetReaderTest, LotusRecordsOfTheNewerVersionsAreSkippedInOldFiles) {
  TLotus123 reader;
  Load(reader, kWK1 + Rec(24, Wk3Cell(2, 0, 1) + LE16(0x0064)) + Rec(37, Wk3Cell(2, 0, 1) + LE32(0x1C2)));
  EXPECT_EQ(reader.Sheets.Count(), 0);
}

TEST_F(WorksheetReaderTest, LotusBlankCellsOnlyWithLoadNulls) {
  for (bool nulls : {false, true}) {
    std::vector<Integer> delivered;
    TLotus123 reader;
    reader.SetLoadNULLs(nulls);
    reader.OnCellValue = [&](TComponent*, Integer, Integer row, Integer, Integer, const Variant& value, TAlignment,
                             TSMICellType type) {
      EXPECT_TRUE(value.IsNull());
      EXPECT_EQ(type, ictEmpty);
      delivered.push_back(row);
    };
    TMemoryStream stream;
    const std::string bytes = kWK1 + Rec(12, Wk1Cell(0, 3));
    stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
    stream.SetPosition(0);
    reader.LoadFromStream(stream);
    EXPECT_EQ(delivered, nulls ? std::vector<Integer>{3} : std::vector<Integer>{});
  }
}

TEST_F(WorksheetReaderTest, LotusPasswordIsRefusedButNotInSymphony) {
  TLotus123 lotus;
  EXPECT_EQ(ExceptionMessage<ESMICryptException>(
                [&] { Load(lotus, kWK1 + Rec(13, Wk1Cell(0, 0) + LE16(7)) + Rec(55, "secret")); }),
            "Password protected file is not supported.");
  EXPECT_TRUE(lotus.IsEncrypted());
  // What came before the password record stays delivered.
  EXPECT_EQ(lotus.Sheets[0].Cells.GetValue(0, 0).AsInteger(), 7);
  TLotus123 symphony;
  Load(symphony, Rec(0, LE16(0x0406)) + Rec(55, "secret") + Rec(13, Wk1Cell(0, 0) + LE16(7)));
  EXPECT_FALSE(symphony.IsEncrypted());
  EXPECT_EQ(symphony.Sheets[0].Cells.GetValue(0, 0).AsInteger(), 7);
}

TEST_F(WorksheetReaderTest, LotusCellFormatsGiveMasks) {
  // Row 4 of sheet 0: one entry for column 0 (type 0x40, date format 242),
  // then one for columns below 3 (type 0xC0 with a cell count, format
  // 0x82: two decimals).
  const std::string formats =
      std::string("\0\0", 2) + LE16(4) + std::string("\xF2\0\0\x40", 4) + std::string("\x82\0\0\xC0\x03", 5);
  TLotus123 reader;
  Load(reader, kWK3 + Rec(19, formats) + Rec(24, Wk3Cell(4, 0, 0) + LE16(2)) + Rec(24, Wk3Cell(4, 0, 2) + LE16(2)) +
                   Rec(24, Wk3Cell(4, 0, 3) + LE16(2)) + Rec(24, Wk3Cell(5, 0, 0) + LE16(2)));
  String mask;
  const TSpreadSheetCells& cells = reader.Sheets[0].Cells;
  // The later entry covers column 0 too, and wins.
  reader.FillFormatForCell(*cells.GetCell(0, 4), mask);
  EXPECT_EQ(mask, u"%8.2f");
  reader.FillFormatForCell(*cells.GetCell(2, 4), mask);
  EXPECT_EQ(mask, u"%8.2f");
  EXPECT_EQ(reader.GetFormatString(0), u"dd/mmm/yy");
  // Outside every entry: format 0, which is the first entry's index.
  EXPECT_EQ(cells.GetCell(3, 4)->FormatIndex, 0);
  EXPECT_EQ(cells.GetCell(0, 5)->FormatIndex, 0);
  EXPECT_EQ(reader.GetFormatString(-1), u"");
  EXPECT_EQ(reader.GetFormatString(2), u"");
  // No format records: every cell format 0 and an empty mask.
  TLotus123 plain;
  Load(plain, kWK3 + Rec(24, Wk3Cell(0, 0, 0) + LE16(2)));
  EXPECT_EQ(plain.Sheets[0].Cells.GetCell(0, 0)->FormatIndex, 0);
  EXPECT_EQ(plain.GetFormatString(0), u"");
}

TEST_F(WorksheetReaderTest, LotusSheetNamesWidthsAndRowHeights) {
  std::vector<std::tuple<Integer, Integer, Integer>> heights, widths;
  TLotus123 reader;
  reader.OnRowHeight = [&](TComponent*, Integer sheet, Integer row, Integer height) {
    heights.emplace_back(sheet, row, height);
  };
  reader.OnColumnWidth = [&](TComponent*, Integer sheet, Integer column, Integer width) {
    widths.emplace_back(sheet, column, width);
  };
  const std::string rowHeights =
      std::string("\xD7\x07\x01\0", 4) + LE16(3) + LE16(12 * 32) + LE32(0) + LE16(9) + LE16(20 * 32) + LE32(0);
  // The first sheet's cell comes before its name: the name still lands.
  Load(reader, kWK3 + Rec(24, Wk3Cell(0, 0, 0) + LE16(2)) + Rec(35, std::string("\0\0\0\0", 4) + "First" + '\0') +
                   Rec(27, std::string("\xB0\x36\x01\0", 4) + "Second" + '\0') + Rec(27, rowHeights) +
                   Rec(36, std::string("\x02\x03\0\x0C", 4)));
  ASSERT_EQ(reader.Sheets.Count(), 2);
  EXPECT_EQ(reader.Sheets[0].Caption, u"First");
  EXPECT_EQ(reader.Sheets[1].Caption, u"Second");
  EXPECT_EQ(heights, (std::vector<std::tuple<Integer, Integer, Integer>>{{1, 3, 12}, {1, 9, 20}}));
  EXPECT_EQ(widths, (std::vector<std::tuple<Integer, Integer, Integer>>{{0, 2, 12}, {0, 3, 12}}));
}

TEST_F(WorksheetReaderTest, QuattroVersionRecord) {
  struct TCase {
    unsigned Word;
    int Version;  // -1: the format error
  };
  for (const TCase& c : std::vector<TCase>{{0x5120, qvWQ1},
                                           {0x0101, qvWQ1},
                                           {0x1001, qvWB3},
                                           {0x5121, qvWQ2},
                                           {0x0A0B, qvWKQ},
                                           {0x1002, qvWB2},
                                           {0x1007, qvWB3},
                                           {0x0017, qvUnknown},
                                           {0x0200, -1}}) {
    SCOPED_TRACE(c.Word);
    TQuattroPro reader;
    if (c.Version < 0) {
      EXPECT_EQ(ExceptionMessage<ESMIFileFormatException>([&] { Load(reader, Rec(0, LE16(c.Word))); }),
                "Invalid file version or file format.");
      continue;
    }
    Load(reader, Rec(0, LE16(c.Word)));
    EXPECT_EQ(reader.Version(), c.Version);
  }
}

TEST_F(WorksheetReaderTest, QuattroCellRecords) {
  struct TCase {
    const char* What;
    std::string Bytes;
    Integer Row, Column;
    Variant Value;
    TAlignment Alignment;
  };
  // WQ1 cells as our writer writes them: format byte, 16-bit column and
  // row; a label has a byte before its prefix.
  const std::string wq1 = std::string(1, '\0') + LE16(3) + LE16(258);
  const std::vector<TCase> cases = {
      {"WQ1 row past 255", kWQ1 + Rec(13, wq1 + LE16(5)), 258, 3, Variant(5), taRightJustify},
      {"WQ1 negative integer", kWQ1 + Rec(13, wq1 + LE16(0xFFF9)), 258, 3, Variant(-7), taRightJustify},
      {"WQ1 number", kWQ1 + Rec(14, wq1 + F64(0.5)), 258, 3, Variant(0.5), taRightJustify},
      {"WQ1 label", kWQ1 + Rec(15, wq1 + '\0' + "\"a" + '\0' + "b" + '\0'), 258, 3, Variant(u"a b"), taRightJustify},
      {"WQ1 centred label", kWQ1 + Rec(15, wq1 + '\0' + "^c" + '\0'), 258, 3, Variant(u"c"), taCenter},
      {"WB2 integer", Rec(0, LE16(0x1002)) + Rec(13, LE16(3) + LE16(258) + LE16(0) + LE16(0x8000)), 258, 3,
       Variant(-32768), taRightJustify},
      {"WB3 formula integer",
       Rec(0, LE16(0x1007)) + Rec(16, std::string("\x03\0", 2) + LE16(258) + std::string("\0\x05", 2) + LE16(9)), 258,
       3, Variant(9), taRightJustify},
      {"WB3 formula text",
       Rec(0, LE16(0x1007)) + Rec(16, std::string("\x03\0", 2) + LE16(258) + std::string("\0\x06", 2) + "t" + '\0'),
       258, 3, Variant(u"t"), taLeftJustify},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TQuattroPro reader;
    Load(reader, c.Bytes);
    const TSMICell* cell = reader.Sheets.Count() > 0 ? reader.Sheets[0].Cells.GetCell(c.Column, c.Row) : nullptr;
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(VarToStr(cell->Value), VarToStr(c.Value));
    EXPECT_EQ(cell->Value.VarType(), c.Value.VarType());
    EXPECT_EQ(cell->Alignment, c.Alignment);
  }
}

TEST_F(WorksheetReaderTest, QuattroColumnWidthsAsOurWriterWritesThem) {
  TQuattroPro reader;
  Load(reader, kWQ1 + Rec(8, LE16(2) + '\x0E'));
  EXPECT_EQ(reader.Sheets[0].ColWidths, (std::vector<Integer>{0, 0, 14}));
}

TEST_F(WorksheetReaderTest, QuattroNumbersOfTheCellList) {
  EXPECT_DOUBLE_EQ(TQuattroPro::GetIEEEValue(0xF43), 9.76);
  EXPECT_DOUBLE_EQ(TQuattroPro::GetIEEEValue(0xF42), 976);
  EXPECT_DOUBLE_EQ(TQuattroPro::GetIEEEValue(0xFFFFFFFE), -1);
  // The upper half of 1.5.
  EXPECT_DOUBLE_EQ(TQuattroPro::GetIEEEValue(0x3FF80000), 1.5);
}

TEST_F(WorksheetReaderTest, QuattroCellListKinds) {
  // Column E of kinds.qpw from row 10: three repeated integers, a shared
  // string, an index one past the table, an error code, an unknown value,
  // a negated integer and a formatted 9.76.
  TQuattroPro reader;
  Load(reader, ReadFile(Fixture("kinds.qpw")));
  EXPECT_EQ(reader.SST().Count(), 2);
  const TSpreadSheetCells& cells = reader.Sheets[0].Cells;
  std::vector<String> got;
  for (Integer r = 10; r < 18; ++r) got.push_back(VarToStr(cells.GetValue(4, r)));
  EXPECT_EQ(got, (std::vector<String>{u"1", u"2", u"3", u"č", u"#00000002", u"#ERR7", u"#unknown#", u"-4"}));
  EXPECT_DOUBLE_EQ(cells.GetValue(4, 18).AsDouble(), 9.76);
  EXPECT_EQ(cells.GetCell(4, 18)->FormatIndex, 9);
}

TEST_F(WorksheetReaderTest, QuattroErrorsGoThroughOnErrorProcess) {
  // A number record too short for its value, then a good cell.
  const std::string bytes = kWQ1 + Rec(14, std::string(1, '\0') + LE16(0) + LE16(0)) +
                            Rec(13, std::string(1, '\0') + LE16(0) + LE16(1) + LE16(4));
  TQuattroPro strict;
  EXPECT_THROW(Load(strict, bytes), ESMIFileFormatException);
  int errors = 0;
  TQuattroPro lenient;
  lenient.OnErrorProcess = [&](TComponent*, const Exception&, bool& abort) {
    ++errors;
    abort = false;
  };
  Load(lenient, bytes);
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(lenient.Sheets[0].Cells.GetValue(0, 1).AsInteger(), 4);
}

TEST_F(WorksheetReaderTest, QuattroCompoundNotebooks) {
  // The fixture's main stream, its first record replaced by an older-style
  // version record: the notebook then reads by that version.
  std::string qpw = ReadFile(Fixture("handbuilt.qpw"));
  TQuattroPro reader;
  Load(reader, qpw);
  EXPECT_EQ(reader.Version(), qvQP9);
  EXPECT_EQ(reader.SummaryInformation().Author, u"Author One");
  EXPECT_EQ(reader.SummaryInformation().LastAuthor, u"Last Author");
  // The stream begins at sector 1 (offset 512): record 1 with a word.
  ASSERT_EQ(qpw.substr(512, 4), Rec(1, LE16(0x11)).substr(0, 4));
  qpw.replace(512, 6, Rec(0, LE16(0x1007)));
  TQuattroPro older;
  Load(older, qpw);
  EXPECT_EQ(older.Version(), qvWB3);
  // No "_MAIN" stream: the format error.
  std::string other = ReadFile(Fixture("handbuilt.qpw"));
  const size_t at = other.find(std::string("_\0M\0A\0I\0N", 9));
  ASSERT_NE(at, std::string::npos);
  other[at + 2] = 'X';
  TQuattroPro none;
  EXPECT_EQ(ExceptionMessage<ESMIFileFormatException>([&] { Load(none, other); }),
            "Invalid file version or file format.");
}

TEST_F(WorksheetReaderTest, DamagedFilesFailCleanly) {
  for (const char* name : {"handbuilt.wk1", "handbuilt.wk3", "handbuilt.wk4", "handbuilt.wq1", "handbuilt.wq2",
                           "handbuilt.wb1", "handbuilt.wb2", "handbuilt.wb3", "handbuilt.qpw", "kinds.qpw"}) {
    SCOPED_TRACE(name);
    const std::string bytes = ReadFile(Fixture(name));
    const bool lotus = std::string_view(name).find(".wk") != std::string_view::npos;
    void (*read)(std::string_view) = lotus ? ReadLotusInput : ReadQuattroInput;
    for (size_t n = 0; n<bytes.size(); n += bytes.size()> 600 ? 7 : 1) read(std::string_view(bytes).substr(0, n));
    for (size_t i = 0; i < 800; ++i) {
      std::string damaged = bytes;
      const size_t at = (i * 2654435761u) % damaged.size();
      damaged[at] = static_cast<char>(damaged[at] ^ (1 << (i % 8)));
      read(damaged);
    }
  }
  // A record cut short is an error, not a cell read from stale bytes.
  TLotus123 lotus;
  EXPECT_THROW(Load(lotus, kWK1 + Rec(14, Wk1Cell(0, 0) + "\x01\x02")), ESMIFileFormatException);
  TLotus123 cut;
  EXPECT_THROW(Load(cut, kWK1 + Rec(13, Wk1Cell(0, 0) + LE16(1)).substr(0, 8)), ESMIFileFormatException);
  // End-of-page records counting past the last sheet a notebook can hold
  // leave the cell after them out instead of adding sheets without bound.
  std::string pages = kWQ1;
  for (int i = 0; i < 0x10000; ++i) pages += Rec(203);
  TQuattroPro quattro;
  Load(quattro, pages + Rec(13, std::string(1, '\0') + LE16(0) + LE16(0) + LE16(1)));
  EXPECT_EQ(quattro.Sheets.Count(), 0);
}

// Imports a sheet of the file through the source component into a table of
// text fields; the field names and the rows as "a|b|c".
std::vector<std::string> Import(TRADerevuFromCell& source, const std::filesystem::path& file) {
  TVirtualTable table;
  source.SetOptions(0);
  source.SetAnimatedStatus(false);
  source.SetSourceFileName(Utf8ToString(file.string()));
  source.SetDataSet(&table);
  source.OnCreateStructure = [&](TComponent*, TSMIColumns& columns) {
    table.Close();
    table.DeleteFields();
    for (int c = 0; c < columns.Count(); ++c) table.AddField(columns[c].FieldName, ftWideString, 20);
    table.Open();
  };
  source.Execute();
  std::vector<std::string> rows;
  std::string names;
  for (int f = 0; f < table.FieldCount(); ++f)
    names += (f ? "|" : "") + StringToUtf8(table.Fields().Fields(f)->FieldName());
  rows.push_back(names);
  for (table.First(); !table.Eof(); table.Next()) {
    std::string row;
    for (int f = 0; f < table.FieldCount(); ++f)
      row += (f ? "|" : "") + StringToUtf8(table.Fields().Fields(f)->AsString());
    rows.push_back(row);
  }
  return rows;
}

TEST_F(WorksheetReaderTest, SourcesImportASheetNamedByItsFirstRow) {
  TFormatSettings settings = FormatSettings;
  settings.DecimalSeparator = u',';
  const FormatSettingsGuard guard(settings);
  TRADerevuFromQuattro quattro;
  quattro.SetRowFirst(2);
  EXPECT_EQ(Import(quattro, Fixture("handbuilt.wb3")),
            (std::vector<std::string>{"Name|Qty|Price", "Ana|12|3,5", "Žiga Čopič|-7|-0,25", "Bine|32767|1234567,125",
                                      "Cene|-32768|0,001"}));
  TRADerevuFromWKS lotus;
  lotus.SetSheetName(u"Sums");
  lotus.SetRowFieldNames(0);
  EXPECT_EQ(Import(lotus, Fixture("handbuilt.wk4")), (std::vector<std::string>{"A|B", "Total|40000,5"}));
  // A file that is no worksheet fails the run with the reader's error.
  TRADerevuFromWKS damaged;
  EXPECT_EQ(ExceptionMessage([&] { Import(damaged, Fixture("handbuilt.wq1.expected.txt")); }),
            "Invalid file version or file format.");
}

TEST(WorksheetCorpus, EveryInputReadsSafely) {
  const auto corpus = std::filesystem::path("corpus");
  const std::pair<const char*, void (*)(std::string_view)> targets[] = {{"lotus", ReadLotusInput},
                                                                        {"quattro", ReadQuattroInput}};
  for (const auto& [dir, read] : targets) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus / dir)) {
      SCOPED_TRACE(entry.path().string());
      read(ReadFile(entry.path()));
      ++inputs;
    }
    EXPECT_GT(inputs, 0) << dir;
  }
}

}  // namespace
