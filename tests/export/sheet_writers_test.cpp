// The SYLK, DIF, WK1 and WQ1 writers: their records byte for byte, and what
// LibreOffice and gnumeric's ssconvert read back from them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "export/writers/ExportToDIF.h"
#include "export/writers/ExportToSYLK.h"
#include "export/writers/ExportToWorksheet.h"
#include "export/RowSources.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Strings.h"
#include "tests/db/TestDataSet.h"
#include "tests/export/interop.h"

namespace {

namespace fs = std::filesystem;
using interop::ReadBytes;

struct Row {
  Integer Id;
  const char16_t* Name;
  double Amount;
  Integer Big;
};

const std::vector<Row> kRows = {
    {1, u"Ana; Bine", 3.5, 40000},
    {2, u"Say \"hi\"", -12.25, -5},
    {3, u"Line one\r\nline two", 0, 32767},
    {4, u"Žiga Čopič šđ", 1e10, 0},
};

void Fill(TTestDataSet& ds) {
  ds.FieldDefs().Add(u"ID", ftInteger);
  ds.FieldDefs().Add(u"NAME", ftWideString, 40);
  ds.FieldDefs().Add(u"AMOUNT", ftFloat);
  ds.FieldDefs().Add(u"BIG", ftInteger);
  ds.Open();
  for (const Row& row : kRows) {
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(row.Id);
    ds.FieldByName(u"NAME")->SetAsString(row.Name);
    ds.FieldByName(u"AMOUNT")->SetAsFloat(row.Amount);
    ds.FieldByName(u"BIG")->SetAsInteger(row.Big);
    ds.Post();
  }
  ds.First();
}

// The sample with a title row, every text right-aligned but the name.
void Write(TRODirezaToCellFile& writer, const fs::path& file) {
  TTestDataSet ds;
  Fill(ds);
  writer.SetDataSet(&ds);
  writer.ColumnSource = csDataSet;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.AnimatedStatus = false;
  writer.AddTitle = true;
  writer.DataFormats.DecimalSeparator = u'.';
  writer.FileName = Utf8ToString(file.string());
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
}

std::string Ansi(const char* utf8) { return StringToAnsi(Utf8ToString(utf8)); }

struct Record {
  Word Opcode;
  std::string Data;
};

// The records of a WK1 or WQ1 file.
std::vector<Record> Records(const std::string& bytes) {
  std::vector<Record> records;
  for (size_t at = 0; at + 4 <= bytes.size();) {
    const Word opcode = static_cast<Byte>(bytes[at]) | static_cast<Byte>(bytes[at + 1]) << 8;
    const size_t length = static_cast<Byte>(bytes[at + 2]) | static_cast<Byte>(bytes[at + 3]) << 8;
    records.push_back({opcode, bytes.substr(at + 4, length)});
    at += 4 + length;
  }
  return records;
}

Cardinal Word16(const std::string& data, size_t at) {
  return static_cast<Byte>(data[at]) | static_cast<Byte>(data[at + 1]) << 8;
}

// The cell record at that row and column (format, column, row first).
const Record* Cell(const std::vector<Record>& records, Cardinal row, Cardinal column) {
  for (const Record& r : records)
    if (r.Opcode >= 12 && r.Opcode <= 15 && Word16(r.Data, 1) == column && Word16(r.Data, 3) == row) return &r;
  return nullptr;
}

class SheetWritersTest : public testing::Test {
 protected:
  void SetUp() override { dir = interop::TempDir("sheets"); }
  void TearDown() override { interop::RemoveTempDir(dir); }
  fs::path dir;
};

TEST_F(SheetWritersTest, SylkRecordsEscapeSemicolonsAndLineBreaks) {
  TRODirezaToSYLK writer;
  Write(writer, dir / "s.slk");
  const std::string bytes = ReadBytes(dir / "s.slk");
  // A title row and four records: 5 rows; four columns and the one more
  // the base announces.
  EXPECT_EQ(bytes.substr(0, 36), "ID;PRODireza 4.99;N;E\r\nB;Y6;X6\r\nF;W1");
  EXPECT_NE(bytes.find("C;Y1;X2;K\"NAME\"\r\nF;FG0L\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("C;Y2;X1;K\"1\"\r\nF;FG0R\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("C;Y2;X2;K\"Ana;; Bine\"\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("C;Y4;X2;K\"Line one\x1B :line two\"\r\n"), std::string::npos);
  // Unicode text goes out in the ANSI code page: SYLK is an 8-bit format.
  EXPECT_NE(bytes.find("C;Y5;X2;K\"" + Ansi("Žiga Čopič šđ") + "\"\r\n"), std::string::npos);
  EXPECT_EQ(bytes.substr(bytes.size() - 3), "E\r\n");
}

TEST_F(SheetWritersTest, DifTuplesOfStrings) {
  TRODirezaToDIF writer;
  Write(writer, dir / "d.dif");
  const std::string bytes = ReadBytes(dir / "d.dif");
  const std::string head =
      "TABLE\r\n0,1\r\n\"RODireza 4.99\"\r\nVECTORS\r\n0,6\r\n\"\"\r\nTUPLES\r\n0,6\r\n\"\"\r\nDATA\r\n0,0\r\n\"\"\r\n";
  EXPECT_EQ(bytes.substr(0, head.size()), head);
  EXPECT_NE(bytes.find("-1,0\r\nBOT\r\n1,0\r\n\"1\"\r\n1,0\r\n\"Ana; Bine\"\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("1,0\r\n\"Say \"hi\"\"\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("1,0\r\n\"" + Ansi("Žiga Čopič šđ") + "\"\r\n"), std::string::npos);
  EXPECT_EQ(bytes.substr(bytes.size() - 11), "-1,0\r\nEOD\r\n");
}

TEST_F(SheetWritersTest, WorksheetCellsPrefixesAndRange) {
  for (bool quattro : {false, true}) {
    SCOPED_TRACE(quattro);
    std::unique_ptr<TRODirezaToCellFile> writer;
    if (quattro) writer = std::make_unique<TRODirezaToQuattro>();
    else writer = std::make_unique<TRODirezaToWKS>();
    // The second record's name right-aligned, the third's centred.
    writer->OnGetCellParams = [](TSMECustomBaseComponent* sender, TField* field, String&, TFont&, TAlignment& alignment,
                                 TColor&, TCellType&) {
      if (field == nullptr || field->FieldName() != u"NAME") return;
      const Integer row = sender->Statistic.CurrentRow;
      if (row == 2) alignment = taRightJustify;
      if (row == 3) alignment = taCenter;
    };
    const fs::path file = dir / (quattro ? "q.wq1" : "w.wk1");
    Write(*writer, file);
    const auto records = Records(ReadBytes(file));
    ASSERT_GE(records.size(), 3u);
    EXPECT_EQ(records[0].Opcode, 0);
    EXPECT_EQ(Word16(records[0].Data, 0), quattro ? 0x5120u : 0x0404u);
    EXPECT_EQ(records.back().Opcode, 1);
    EXPECT_TRUE(records.back().Data.empty());
    ASSERT_EQ(records[1].Opcode, 6);
    // The range of the cells written: columns 0 to 3, rows 0 to 4.
    EXPECT_EQ(records[1].Data, std::string("\0\0\0\0\x03\0\x04\0", 8));
    const std::string pad = quattro ? std::string(1, '\0') : std::string();
    const char label = quattro ? 0 : '\xF1';
    const struct {
      Cardinal row, column;
      Word opcode;
      std::string data;  // after format, column and row
    } cells[] = {
        {0, 1, 15, pad + "'NAME" + std::string(1, '\0')},
        {1, 1, 15, pad + "'Ana; Bine" + std::string(1, '\0')},
        {2, 1, 15, pad + "\"Say \"hi\"" + std::string(1, '\0')},
        {3, 1, 15, pad + "^Line one\r\nline two" + std::string(1, '\0')},
        {4, 1, 15, pad + "'" + Ansi("Žiga Čopič šđ") + std::string(1, '\0')},
        {1, 0, 13, std::string("\x01\x00", 2)},
        {2, 3, 13, std::string("\xFB\xFF", 2)},    // -5
        {3, 3, 13, std::string("\xFF\x7F", 2)},    // 32767
        {1, 3, 14, std::string("\0\0\0\0\0\x88\xE3\x40", 8)},  // 40000 does not fit 16 bits
        {1, 2, 14, std::string("\0\0\0\0\0\0\x0C\x40", 8)},    // 3.5
    };
    for (const auto& c : cells) {
      SCOPED_TRACE(testing::Message() << c.row << "," << c.column);
      const Record* r = Cell(records, c.row, c.column);
      ASSERT_NE(r, nullptr);
      EXPECT_EQ(r->Opcode, c.opcode);
      const char format = quattro ? 0 : c.opcode == 13 ? '\x82' : label;
      EXPECT_EQ(r->Data, std::string(1, format) + r->Data.substr(1, 4) + c.data);
    }
    std::vector<Cardinal> widths;
    for (const Record& r : records)
      if (r.Opcode == 8) widths.push_back(static_cast<Byte>(r.Data[2]));
    EXPECT_EQ(widths.size(), quattro ? 4u : 0u);
  }
}

TEST_F(SheetWritersTest, QuattroWidthOfTenIsWrittenAsTwelve) {
  TTestDataSet ds;
  Fill(ds);
  TRODirezaToQuattro writer;
  writer.SetDataSet(&ds);
  writer.ColumnSource = csDataSet;
  writer.AnimatedStatus = false;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.FileName = Utf8ToString((dir / "w.wq1").string());
  writer.BuildDefaultColumns();
  writer.Columns[0].Width = 10;
  writer.Columns[1].Width = 0;  // no record
  writer.Columns[2].Width = 300;
  writer.Execute();
  std::vector<std::string> widths;
  for (const Record& r : Records(ReadBytes(dir / "w.wq1")))
    if (r.Opcode == 8) widths.push_back(r.Data);
  ASSERT_EQ(widths.size(), 3u);
  EXPECT_EQ(widths[0], std::string("\0\0\x0C", 3));
  EXPECT_EQ(widths[1], std::string("\x02\0\xFF", 3));
}

TEST_F(SheetWritersTest, RowsBeyondTheSheetAreAClearError) {
  TSMECustomDataEngine engine;
  engine.OnCount = [](TSMECustomDataEngine*, Integer& count) { count = 70000; };
  engine.OnFillColumns = [](TSMEColumns* columns) {
    String name(u"A");
    columns->Add().FieldName.swap(name);
  };
  TRODirezaToWKS writer;
  writer.SetDataEngine(&engine);
  writer.ColumnSource = csDataEngine;
  writer.AnimatedStatus = false;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.FileName = Utf8ToString((dir / "big.wk1").string());
  EXPECT_THROW(writer.Execute(), ERangeError);
}

// ---------------------------------------------------------------------------
// Independent readers

// What every reader must give back: the title row and the four records.
const char kSheet[] =
    "ID,NAME,AMOUNT,BIG\n"
    "1,Ana; Bine,3.5,40000\n"
    "2,\"Say \"\"hi\"\"\",-12.25,-5\n"
    "3,\"Line one\nline two\",0,32767\n"
    "4,Žiga Čopič šđ,10000000000,0\n";

// A CSV of LibreOffice's: raw values, quotes only where needed.
constexpr char kRawCsv[] = "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false";

TEST_F(SheetWritersTest, LibreOfficeReadsEveryCell) {
  if (!interop::Have("soffice")) GTEST_SKIP() << "LibreOffice is not installed";
  TRODirezaToSYLK sylk;
  TRODirezaToDIF dif;
  TRODirezaToWKS wk1;
  TRODirezaToQuattro wq1;
  Write(sylk, dir / "s.slk");
  Write(dif, dir / "d.dif");
  Write(wk1, dir / "w.wk1");
  Write(wq1, dir / "q.wq1");
  // DIF and Lotus take the code page as a filter option (33: 1250).
  EXPECT_EQ(ReadBytes(interop::LibreOfficeConvert({dir / "d.dif"}, kRawCsv, "csv", dir, "DIF:33")[0]), kSheet);
  // A worksheet label keeps its line break as the two bytes CR LF.
  std::string lotus = kSheet;
  lotus.replace(lotus.find("one\nline"), 8, "one\r\nline");
  EXPECT_EQ(ReadBytes(interop::LibreOfficeConvert({dir / "w.wk1"}, kRawCsv, "csv", dir, "Lotus:33")[0]), lotus);
  // The Quattro import has no code-page option and reads code page 437:
  // the bytes arrive as written, shown through that code page.
  std::string quattro = kSheet;
  quattro.replace(quattro.find("Žiga Čopič šđ"), std::strlen("Žiga Čopič šđ"), "Äiga ╚opiΦ Ü≡");
  EXPECT_EQ(ReadBytes(interop::LibreOfficeConvert({dir / "q.wq1"}, kRawCsv, "csv", dir)[0]), quattro);
  // SYLK is read in the code page of the locale: one for 1250, made here.
  const fs::path locales = dir / "locales";
  fs::create_directories(locales);
  if (std::system(("localedef -i sl_SI -f CP1250 '" + (locales / "sl_SI.CP1250").string() + "' >/dev/null 2>&1").c_str()) != 0)
    GTEST_SKIP() << "no locale for code page 1250 (the locales package)";
  const std::string env = "LOCPATH='" + locales.string() + "' LC_ALL=sl_SI.CP1250 ";
  const auto read = interop::Run(env + "soffice -env:UserInstallation=file://" + (dir / "lo_sylk").string() +
                                 " --headless --norestore --infilter=SYLK --convert-to '" + kRawCsv + "' --outdir '" +
                                 (dir / "sylk_out").string() + "' '" + (dir / "s.slk").string() + "'");
  EXPECT_EQ(ReadBytes(dir / "sylk_out" / "s.csv"), kSheet) << read.Output;
}

TEST_F(SheetWritersTest, SsconvertReadsTheCellsItsImportsCanHold) {
  if (!interop::Have("ssconvert")) GTEST_SKIP() << "gnumeric is not installed";
  TRODirezaToSYLK sylk;
  TRODirezaToDIF dif;
  TRODirezaToWKS wk1;
  Write(sylk, dir / "s.slk");
  Write(dif, dir / "d.dif");
  Write(wk1, dir / "w.wk1");
  const auto convert = [&](const char* name) {
    const fs::path csv = dir / (std::string(name) + ".csv");
    interop::Run("ssconvert '" + (dir / name).string() + "' '" + csv.string() + "'");
    return ReadBytes(csv);
  };
  // gnumeric quotes every text; its SYLK and DIF imports read Latin-1 and
  // its Lotus import a DOS code page, so the Slovene row is left out; its
  // SYLK import knows no line-break escape and its DIF import no string
  // over two lines.
  const std::string common =
      "ID,NAME,AMOUNT,BIG\n"
      "1,\"Ana; Bine\",3.5,40000\n"
      "2,\"Say \"\"hi\"\"\",-12.25,-5\n";
  const std::string lineBreak = "3,\"Line one\r\nline two\",0,32767\n";
  EXPECT_EQ(convert("w.wk1").substr(0, common.size() + lineBreak.size()), common + lineBreak);
  EXPECT_EQ(convert("s.slk").substr(0, common.size()), common);
  EXPECT_EQ(convert("d.dif").substr(0, common.size()), common);
}

}  // namespace
