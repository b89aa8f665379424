// The cell-source import component: a workbook's sheet imported into a
// table through the engine's run, columns named by the first row and typed
// by what the rows show.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "import/ImportExceptions.h"
#include "import/readers/ImportFromCell.h"
#include "import/readers/ZipArchive.h"
#include "platform/db/Field.h"
#include "table/VirtualTable.h"
#include "tests/import/excel_fixture.h"

namespace {

struct TImported {
  std::vector<std::pair<String, TSMIDataType>> Columns;
  Integer Rows = 0;
  std::vector<String> FirstRow;
  std::vector<String> LastRow;
};

// Imports the sheet into a new table whose fields follow the detected
// columns, as the benchmark does.
TImported Import(TRADerevuFromXLS& source, const std::string& file) {
  TVirtualTable table;
  TImported result;
  source.SetOptions(0);
  source.SetAnimatedStatus(false);
  source.SetSourceFileName(Utf8ToString(ExcelFixture(file).string()));
  source.SetRowFirst(2);
  source.SetMaxScanRows(100);
  source.SetDataSet(&table);
  source.OnCreateStructure = [&](TComponent*, TSMIColumns& columns) {
    table.Close();
    table.DeleteFields();
    for (int c = 0; c < columns.Count(); ++c) {
      result.Columns.emplace_back(columns[c].FieldName, columns[c].DataType);
      switch (columns[c].DataType) {
        case itFloat: table.AddField(columns[c].FieldName, ftFloat); break;
        case itInteger: table.AddField(columns[c].FieldName, ftInteger); break;
        case itBoolean: table.AddField(columns[c].FieldName, ftBoolean); break;
        case itDateTime: table.AddField(columns[c].FieldName, ftDateTime); break;
        default: table.AddField(columns[c].FieldName, ftWideString, 40); break;
      }
    }
    table.Open();
  };
  source.Execute();
  EXPECT_EQ(source.Statistic().TotalErrors, 0);
  result.Rows = table.RecordCount();
  table.First();
  for (int f = 0; f < table.FieldCount(); ++f) result.FirstRow.push_back(table.Fields().Fields(f)->AsString());
  table.Last();
  for (int f = 0; f < table.FieldCount(); ++f) result.LastRow.push_back(table.Fields().Fields(f)->AsString());
  return result;
}

TEST(CellImport, FirstSheetOfEachKindImportsTypedColumns) {
  for (const char* file : {"openpyxl_book.xlsx", "libreoffice_book.xls", "gnumeric_biff7.xls"}) {
    SCOPED_TRACE(file);
    TRADerevuFromXLS source;
    const TImported got = Import(source, file);
    const std::vector<std::pair<String, TSMIDataType>> columns = {
        // The merged row's text in the first column makes it a text column.
        {u"id", itString},
        {u"name", itString}, {u"amount", itFloat}, {u"when", itDateTime}, {u"ratio", itFloat},
        {u"flag", itBoolean}};
    EXPECT_EQ(got.Columns, columns);
    // Rows 2 to 9: an empty row and a merged row among them.
    EXPECT_EQ(got.Rows, 8);
    ASSERT_EQ(got.FirstRow.size(), 6u);
    EXPECT_EQ(got.FirstRow[2], u"12,5");
    EXPECT_EQ(got.FirstRow[4], u"25");
  }
}

TEST(CellImport, SheetChosenByName) {
  TRADerevuFromXLS source;
  source.SetSheetName(u"Ünïcode ☃");
  EXPECT_EQ(source.SheetIndex(), -1);
  const TImported got = Import(source, "libreoffice_book.xlsx");
  EXPECT_EQ(got.Rows, 2);
  ASSERT_EQ(got.Columns.size(), 2u);
  EXPECT_EQ(got.Columns[0].first, u"a");
  EXPECT_EQ(got.Columns[1].second, itFloat);
}

TEST(CellImport, AnUnreadableSourceFailsTheRun) {
  TRADerevuFromXLS missing;
  missing.SetSourceFileName(u"/nonexistent/book.xls");
  TVirtualTable table;
  missing.SetDataSet(&table);
  missing.SetAnimatedStatus(false);
  missing.SetOptions(0);
  EXPECT_THROW(missing.Execute(), ESMIFileException);
  EXPECT_EQ(missing.WorkBook(), nullptr);

  // A text file under a workbook's name.
  const std::filesystem::path fake = std::filesystem::temp_directory_path() / "readers_not_a_book.xlsx";
  {
    std::FILE* f = std::fopen(fake.c_str(), "wb");
    std::fputs("id,name\n1,x\n", f);
    std::fclose(f);
  }
  for (const char* name : {"readers_not_a_book.xlsx"}) {
    SCOPED_TRACE(name);
    TRADerevuFromXLS source;
    source.SetSourceFileName(Utf8ToString(fake.string()));
    source.SetDataSet(&table);
    source.SetAnimatedStatus(false);
    source.SetOptions(0);
    EXPECT_THROW(source.Execute(), ESMIFileFormatException);
  }
  std::filesystem::remove(fake);
}

// A sheet far longer than the rows the column detection reads ahead, whose
// last row alone fills a fourth column (the sheet's dimension announces it):
// every row arrives, the fourth column is detected, and the rows already
// imported do not stay in memory.
TEST(CellImport, LongSheetIsReadAsItsRowsAreImported) {
  for (const char* file : {"openpyxl_long.xlsx", "libreoffice_long.xls"}) {
    SCOPED_TRACE(file);
    TRADerevuFromXLS source;
    Integer records = 0, mostRowsHeld = 0;
    source.OnBeforeRecordEvent = [&](TComponent*, const String&, std::vector<TSMIValueEntry>&, bool&) {
      if (++records < 200) return;
      const TSpreadSheetCells& cells = source.WorkBook()->Sheets[0].Cells;
      Integer held = 0;
      for (Integer r = 0; r < cells.Count(); ++r) held += cells.Rows(r) != nullptr ? 1 : 0;
      mostRowsHeld = std::max(mostRowsHeld, held);
    };
    const TImported got = Import(source, file);
    EXPECT_EQ(source.Statistic().Result, irExecuted);
    EXPECT_EQ(got.Rows, 1000);
    ASSERT_EQ(got.Columns.size(), 4u);
    EXPECT_EQ(got.Columns[1], (std::pair<String, TSMIDataType>{u"name", itString}));
    EXPECT_EQ(got.Columns[2], (std::pair<String, TSMIDataType>{u"amount", itFloat}));
    EXPECT_EQ(got.Columns[3], (std::pair<String, TSMIDataType>{u"D", itString}));
    EXPECT_EQ(got.FirstRow, (std::vector<String>{u"1", u"row 1", u"0,5", u""}));
    EXPECT_EQ(got.LastRow, (std::vector<String>{u"1000", u"row 1000", u"500", u"wide"}));
    // At most a block of rows (a BIFF sheet announces 32 rows ahead).
    EXPECT_LE(mostRowsHeld, 40);
  }
}

// The sheet part breaks far behind the rows read ahead: the run fails, it
// does not end as a success with the rows before the damage.
TEST(CellImport, SheetDamagedBehindTheFirstRowsFailsTheRun) {
  std::vector<Byte> bytes;
  {
    TMemoryStream file;
    file.LoadFromFile(Utf8ToString(ExcelFixture("openpyxl_long.xlsx").string()));
    bytes = file.Bytes();
  }
  smi::TZipArchive zip;
  zip.LoadFromBytes(bytes.data(), bytes.size());
  const smi::TZipEntry& entry = zip.Entry(zip.GetIndexByFileName("xl/worksheets/sheet1.xml"));
  const size_t header = static_cast<size_t>(entry.LocalHeaderOffset);
  const size_t data = header + 30 + (bytes[header + 26] | bytes[header + 27] << 8) +
                      (bytes[header + 28] | bytes[header + 29] << 8);
  for (size_t i = 0; i < 16; ++i) bytes[data + static_cast<size_t>(entry.CompressedSize) * 9 / 10 + i] ^= 0x5A;
  const std::filesystem::path damaged = std::filesystem::temp_directory_path() / "cell_import_damaged.xlsx";
  {
    std::FILE* f = std::fopen(damaged.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  TRADerevuFromXLS source;
  TVirtualTable table;
  table.AddField(u"id", ftFloat);
  table.Open();
  source.SetOptions(0);
  source.SetAnimatedStatus(false);
  source.SetSourceFileName(Utf8ToString(damaged.string()));
  source.SetRowFirst(2);
  source.SetDataSet(&table);
  source.Mappings().Add(u"id=A");
  EXPECT_FALSE(source.Execute());
  EXPECT_EQ(source.Statistic().Result, irFailed);
  // The rows before the damage were read: the failure came mid-way.
  EXPECT_GT(table.RecordCount(), 100);
  EXPECT_LT(table.RecordCount(), 1000);
  std::filesystem::remove(damaged);
}

TEST(CellImport, SpecificationKeepsTheSheet) {
  TRADerevuFromXLS source;
  source.SetSheetIndex(2);
  TWideStrings lines;
  source.SaveSpecificationToStringList(lines, u"spec");
  EXPECT_EQ(lines.Get(lines.Count() - 2), u"[Sheet]");
  EXPECT_EQ(lines.Get(lines.Count() - 1), u"SheetIndex=2");
  TRADerevuFromXLS loaded;
  loaded.LoadSpecificationFromStrings(lines);
  EXPECT_EQ(loaded.SheetIndex(), 2);
}

TEST(CellImport, CellTypesMapToColumnTypes) {
  const std::pair<TSMICellType, TSMIDataType> cases[] = {
      {ictInteger, itInteger}, {ictDecimal, itFloat}, {ictDateTime, itDateTime}, {ictBoolean, itBoolean},
      {ictMemo, itMEMO},       {ictDate, itString},   {ictTime, itString},       {ictString, itString}};
  for (const auto& [cell, column] : cases) EXPECT_EQ(VODCellType2VODDataType(cell), column) << int(cell);
}

}  // namespace
