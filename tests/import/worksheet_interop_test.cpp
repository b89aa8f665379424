// The Lotus 1-2-3 and Quattro Pro readers against independent readers:
// LibreOffice headless and gnumeric's ssconvert convert the hand-built
// fixtures, and the files our WK1 and WQ1 writers write, to CSV, and our
// readers must find the same values in the same cells.
#include <gtest/gtest.h>

#include <cmath>

#include "export/writers/ExportToWorksheet.h"
#include "import/readers/Lotus123.h"
#include "import/readers/QuattroPro.h"
#include "platform/db/Field.h"
#include "table/VirtualTable.h"
#include "tests/export/interop.h"
#include "tests/import/worksheet_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace worksheet;

// The rows of a CSV file (comma, double quote, UTF-8).
std::vector<std::vector<std::string>> ReadCsv(const fs::path& file) {
  const std::string text = interop::ReadBytes(file);
  std::vector<std::vector<std::string>> rows(1);
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().push_back(field);
      field.clear();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      rows.back().push_back(field);
      field.clear();
      rows.emplace_back();
    } else {
      field += c;
    }
  }
  if (rows.back().empty()) rows.pop_back();
  return rows;
}

bool Ascii(const std::string& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The first sheet our reader made against the oracle's CSV, cell by cell.
// Numbers compare by value (the oracles print them rounded); texts outside
// ASCII are left out, since each oracle reads these 8-bit formats in a DOS
// code page of its own; trailing blanks and zeros are not compared
// (LibreOffice keeps a Quattro Pro label's terminating zero).
void ExpectSameFirstSheet(const TSpreadSheetFile& reader, const fs::path& csv) {
  SCOPED_TRACE(csv.string());
  ASSERT_TRUE(fs::exists(csv));
  const auto rows = ReadCsv(csv);
  ASSERT_FALSE(rows.empty());
  ASSERT_GT(reader.Sheets.Count(), 0);
  const TSpreadSheetCells& cells = reader.Sheets[0].Cells;
  int compared = 0;
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c) {
      std::string want = rows[r][c];
      while (!want.empty() && (want.back() == ' ' || want.back() == '\0')) want.pop_back();
      const TSMICell* cell = cells.GetCell(static_cast<Integer>(c), static_cast<Integer>(r));
      SCOPED_TRACE("row " + std::to_string(r) + " column " + std::to_string(c) + ": " + want);
      if (want.empty()) {
        EXPECT_TRUE(cell == nullptr || VarToStr(cell->Value).empty());
        continue;
      }
      ASSERT_NE(cell, nullptr);
      if (cell->Value.VarType() == varUString) {
        const std::string got = StringToUtf8(VarToStr(cell->Value));
        if (!Ascii(got) || !Ascii(want)) continue;
        EXPECT_EQ(got, want);
      } else {
        const double got = cell->Value.AsDouble();
        EXPECT_NEAR(got, std::stod(want), std::fabs(got) * 1e-7 + 1e-12);
      }
      ++compared;
    }
  EXPECT_GT(compared, 6);
}

template <typename TReader>
std::unique_ptr<TReader> Read(const fs::path& file) {
  auto reader = std::make_unique<TReader>();
  reader->LoadFromFile(Utf8ToString(file.string()));
  return reader;
}

std::unique_ptr<TSpreadSheetFile> ReadAny(const fs::path& file) {
  const std::string ext = file.extension().string();
  if (ext.rfind(".wk", 0) == 0) return Read<TLotus123>(file);
  return Read<TQuattroPro>(file);
}

struct TRow {
  Integer Id;
  const char16_t* Name;
  double Amount;
  Integer Change;
};
const std::vector<TRow> kRows = {
    {1, u"Ana", 3.5, -5}, {2, u"Say \"hi\"", -12.25, 32767}, {3, u"Žiga Čopič", 0, -32767}, {300, u"Last", 1e10, 0}};

// A table of the rows written by the writer, with the field names as a
// title row.
void WriteTable(TRODirezaToWorksheet& writer, const fs::path& file) {
  TVirtualTable table;
  table.AddField(u"ID", ftInteger);
  table.AddField(u"NAME", ftWideString, 40);
  table.AddField(u"AMOUNT", ftFloat);
  table.AddField(u"CHANGE", ftInteger);
  table.Open();
  for (const TRow& row : kRows) {
    table.Append();
    table.FieldByName(u"ID")->SetAsInteger(row.Id);
    table.FieldByName(u"NAME")->SetAsString(row.Name);
    table.FieldByName(u"AMOUNT")->SetAsFloat(row.Amount);
    table.FieldByName(u"CHANGE")->SetAsInteger(row.Change);
    table.Post();
  }
  table.First();
  writer.SetDataSet(&table);
  writer.ColumnSource = csDataSet;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.AnimatedStatus = false;
  writer.AddTitle = true;
  writer.DataFormats.DecimalSeparator = u'.';
  writer.FileName = Utf8ToString(file.string());
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
}

class WorksheetInteropTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = interop::TempDir("worksheet_interop");
    savedCodePage = AnsiCodePage();
    SetAnsiCodePage(1250);
  }
  void TearDown() override {
    SetAnsiCodePage(savedCodePage);
    interop::RemoveTempDir(dir);
  }
  fs::path dir;
  int savedCodePage = 0;
};

TEST_F(WorksheetInteropTest, OurWritersFilesReadBackValueForValue) {
  TRODirezaToWKS wk1;
  TRODirezaToQuattro wq1;
  WriteTable(wk1, dir / "w.wk1");
  WriteTable(wq1, dir / "q.wq1");
  for (const fs::path& file : {dir / "w.wk1", dir / "q.wq1"}) {
    SCOPED_TRACE(file.string());
    const auto reader = ReadAny(file);
    const TSpreadSheetCells& cells = reader->Sheets[0].Cells;
    EXPECT_EQ(VarToStr(cells.GetValue(1, 0)), u"NAME");
    for (size_t i = 0; i < kRows.size(); ++i) {
      const Integer r = static_cast<Integer>(i) + 1;
      EXPECT_EQ(cells.GetValue(0, r).AsInteger(), kRows[i].Id);
      EXPECT_EQ(VarToStr(cells.GetValue(1, r)), kRows[i].Name);
      EXPECT_EQ(cells.GetValue(2, r).AsDouble(), kRows[i].Amount);
      EXPECT_EQ(cells.GetValue(3, r).AsInteger(), kRows[i].Change);
    }
  }
}

// Every fixture LibreOffice reads, and our writers' files, in one start of
// LibreOffice. It reads the first sheet, and no QPW notebook.
TEST_F(WorksheetInteropTest, LibreOfficeReadsTheSameValues) {
  if (!interop::Have("soffice")) GTEST_SKIP() << "soffice is not installed (libreoffice-calc-nogui)";
  TRODirezaToWKS wk1;
  TRODirezaToQuattro wq1;
  WriteTable(wk1, dir / "written_wk1.wk1");
  WriteTable(wq1, dir / "written_wq1.wq1");
  std::vector<fs::path> files = {dir / "written_wk1.wk1", dir / "written_wq1.wq1"};
  // Copies with names of their own: each converted file is named by its
  // source's stem.
  for (const char* ext : {"wk1", "wk3", "wk4", "wq1", "wq2", "wb1", "wb2", "wb3"}) {
    files.push_back(dir / (std::string("handbuilt_") + ext + "." + ext));
    fs::copy_file(Fixture(std::string("handbuilt.") + ext), files.back());
  }
  // Cell contents as stored, not as their formats show them.
  const auto converted =
      interop::LibreOfficeConvert(files, "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false", "csv", dir);
  for (size_t i = 0; i < files.size(); ++i) ExpectSameFirstSheet(*ReadAny(files[i]), converted[i]);
}

// gnumeric reads Lotus files of every release; its Quattro Pro import
// reads integer cells as unsigned, so it is the oracle for Lotus only.
TEST_F(WorksheetInteropTest, GnumericReadsTheSameValues) {
  if (!interop::Have("ssconvert")) GTEST_SKIP() << "ssconvert is not installed (gnumeric)";
  TRODirezaToWKS wk1;
  WriteTable(wk1, dir / "written.wk1");
  for (const fs::path& file :
       {dir / "written.wk1", fs::absolute(Fixture("handbuilt.wk1")), fs::absolute(Fixture("handbuilt.wk4"))}) {
    const fs::path csv = dir / (file.stem().string() + file.extension().string() + ".csv");
    const auto run =
        interop::Run("ssconvert --export-type=Gnumeric_stf:stf_csv '" + file.string() + "' '" + csv.string() + "'");
    ASSERT_EQ(run.Status, 0) << run.Output;
    ExpectSameFirstSheet(*ReadAny(file), csv);
  }
}

}  // namespace
