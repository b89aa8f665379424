// The XLS writer, proved by independent readers: xlrd reads every value with
// its cell type (dates as dates, booleans as booleans); the records
// themselves where the format fixes them.
#include "export/writers/ExportToXLS.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/Strings.h"
#include "tests/export/run_tool.h"
#include "tests/export/spreadsheet_fixture.h"
#include "tests/export/spreadsheet_test_support.h"

namespace {

namespace fs = std::filesystem;

class TSmallLimitXLS : public TRODirezaToXLS {
 protected:
  Integer GetMaxRowCount() override { return 5; }
};

class XlsWriter : public ::testing::Test {
 protected:
  void SetUp() override { folder = FreshFolder("xls_writer"); }
  void TearDown() override { fs::remove_all(folder); }

  std::vector<BiffRecord> Export(TRODirezaToXLS& writer, TTestDataSet& ds, const std::string& name = "out.xls") {
    file = folder / name;
    PrepareSpreadsheetWriter(writer, ds, file);
    writer.Execute();
    EXPECT_EQ(writer.Statistic.Result, erCompleted);
    return BiffRecords(FileBytes(file));
  }
  std::string Xlrd() {
    const ToolResult read = RunTool("/usr/bin/python3 read_xls.py '" + file.string() + "' 2>&1");
    EXPECT_EQ(read.ExitCode, 0) << read.Output;
    return read.Output;
  }
  fs::path folder, file;
};

TEST_F(XlsWriter, XlrdReadsEveryValueWithItsType) {
  if (!HasPythonModule("xlrd")) GTEST_SKIP() << "python3-xlrd is missing";
  TTestDataSet ds;
  FillSpreadsheetDataSet(ds);
  TRODirezaToXLS writer;
  writer.AddTitle = true;
  Export(writer, ds);
  EXPECT_EQ(Xlrd(),
            "[[\"text\", \"ID\"], [\"text\", \"NAME\"], [\"text\", \"PRICE\"], [\"text\", \"BORN\"], [\"text\", "
            "\"STAMP\"], [\"text\", \"ACTIVE\"], [\"text\", \"TOTAL\"], [\"text\", \"AT\"], [\"text\", \"NOTE\"]]\n"
            "[[\"number\", 1.0], [\"text\", \"Ana \xC4\x8C" "eba\xC5\xA1" "ek\"], [\"number\", 12.5], [\"date\", "
            "\"2009-07-07T00:00:00\"], [\"date\", \"2009-07-07T13:45:30\"], [\"boolean\", 1], [\"number\", 1234.56], "
            "[\"date\", \"1899-12-31T08:30:00\"], [\"text\", \"line1\\nline2\"]]\n"
            "[[\"number\", 70000.0], [\"text\", \"say \\\"hi\\\" <&>\"], [\"number\", -0.125], [\"date\", "
            "\"2100-01-01T00:00:00\"], [\"date\", \"1999-12-31T23:59:59\"], [\"boolean\", 0], [\"number\", -5.0], "
            "[\"date\", \"1899-12-31T23:59:59\"], [\"text\", \"? smile\"]]\n"
            "[[\"number\", -1.0], [\"empty\", \"\"], [\"number\", 0.001], [\"date\", \"1900-03-01T00:00:00\"], "
            "[\"date\", \"2026-01-02T00:00:01\"], [\"boolean\", 1], [\"number\", 0.0], [\"date\", "
            "\"1899-12-31T00:00:01\"], [\"text\", \" leading blank\"]]\n");
}

// The stream in its order: the file's head, fonts and format entries, then
// dimensions, widths and cells, then the end.
TEST_F(XlsWriter, RecordsInTheirOrder) {
  TTestDataSet ds;
  FillWideDataSet(ds, 2, 1);
  TRODirezaToXLS writer;
  PrepareSpreadsheetWriter(writer, ds, folder / "out.xls");
  writer.BuildDefaultColumns();
  writer.Columns[0].Width = 10;
  const auto records = Export(writer, ds);
  std::vector<uint16_t> ids;
  for (const BiffRecord& r : records) ids.push_back(r.Id);
  std::vector<uint16_t> expected = {0x0409, 0x0042, 0x008C};
  expected.insert(expected.end(), 36, 0x041E);
  expected.push_back(0x0231);
  expected.insert(expected.end(), 17, 0x0443);  // 16 fixed, one for the integer cells
  for (uint16_t id : {0x0200, 0x0024, 0x0024, 0x0203, 0x0203, 0x000A}) expected.push_back(id);
  EXPECT_EQ(ids, expected);
  EXPECT_EQ(Word16(records[1].Data, 0), 1250);  // the ANSI code page
  const BiffRecord& width = records[3 + 36 + 1 + 17 + 1];
  EXPECT_EQ(Word16(width.Data, 2), 12 * 256);  // a width of 10 is written as 12
  const BiffRecord& cell = records[records.size() - 3];
  EXPECT_EQ(Word16(cell.Data, 4), 16);  // the cell's format entry: the first after the fixed ones
  double value;
  std::memcpy(&value, cell.Data.data() + 6, 8);
  EXPECT_EQ(value, 100.0);
}

// Labels are cut to 255 bytes; columns past 255 get no record and no width;
// the dimensions name at most 255 columns; blanks only with the option.
TEST_F(XlsWriter, LimitsOfTheFormat) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"T", ftWideString, 400);
  ds.FieldDefs().Add(u"E", ftWideString, 10);
  ds.Open();
  ds.Append();
  ds.Fields()[0]->SetAsString(String(300, u'x'));
  ds.Post();
  ds.First();
  TRODirezaToXLS writer;
  writer.Options |= OptionBit(soExportBlankValues);
  auto records = Export(writer, ds);
  ASSERT_EQ(records[records.size() - 3].Id, 0x0204);
  EXPECT_EQ(records[records.size() - 3].Data.size(), 8u + 255u);
  EXPECT_EQ(records[records.size() - 2].Id, 0x0201);  // the empty cell, as asked

  TTestDataSet wide;
  FillWideDataSet(wide, 300, 1);
  TRODirezaToXLS wideWriter;
  records = Export(wideWriter, wide, "wide.xls");
  int cells = 0, widths = 0;
  for (const BiffRecord& r : records) {
    if (r.Id == 0x0203) ++cells;
    if (r.Id == 0x0024) ++widths;
    if (r.Id == 0x0200) {
      EXPECT_EQ(Word16(r.Data, 6), 254);
    }
  }
  EXPECT_EQ(cells, 256);
  EXPECT_EQ(widths, 256);
}

// The row limit ends the run with the message and a complete file.
TEST_F(XlsWriter, RowLimitEndsWithACompleteFile) {
  if (!HasPythonModule("xlrd")) GTEST_SKIP() << "python3-xlrd is missing";
  TTestDataSet ds;
  FillWideDataSet(ds, 1, 8);
  TSmallLimitXLS writer;
  file = folder / "limited.xls";
  PrepareSpreadsheetWriter(writer, ds, file);
  writer.Footer = {u"after the limit"};
  try {
    writer.Execute();
    FAIL() << "the limit was not reported";
  } catch (const ESMEMaxRowCountException& e) {
    EXPECT_EQ(e.Message(), u"MS Excel spreadsheet can not contain more than 5 rows");
  }
  EXPECT_EQ(BiffRecords(FileBytes(file)).back().Id, 0x000A);
  EXPECT_EQ(Xlrd(), "[[\"number\", 100.0]]\n[[\"number\", 200.0]]\n[[\"number\", 300.0]]\n[[\"number\", 400.0]]\n"
                    "[[\"number\", 500.0]]\n");
}

// With soColorsFonts the font table holds four fonts at most; a fifth font
// takes the default one, so no format entry names a font that is not there.
// Page header and footer lines become HEADER and FOOTER records.
TEST_F(XlsWriter, FontsAndPageTexts) {
  if (!HasPythonModule("xlrd")) GTEST_SKIP() << "python3-xlrd is missing";
  TTestDataSet ds;
  FillWideDataSet(ds, 5, 1);
  TRODirezaToXLS writer;
  PrepareSpreadsheetWriter(writer, ds, folder / "out.xls");
  writer.Options |= OptionBit(soColorsFonts);
  writer.PageHeader = {u"Top"};
  writer.PageFooter = {u"Bottom"};
  writer.BuildDefaultColumns();
  for (Integer i = 0; i < 5; ++i) writer.Columns[i].Font.Size = 9 + i;
  const auto records = Export(writer, ds);
  int fonts = 0;
  for (const BiffRecord& r : records) {
    if (r.Id == 0x0231) ++fonts;
    if (r.Id == 0x0443) {
      EXPECT_LT(static_cast<unsigned char>(r.Data[0]), 4);
    } else if (r.Id == 0x0014) {
      EXPECT_EQ(r.Data, "\x05Top\r\n");
    } else if (r.Id == 0x0015) {
      EXPECT_EQ(r.Data, "\x08" "Bottom\r\n");
    }
  }
  EXPECT_EQ(fonts, 4);
  EXPECT_EQ(Xlrd(), "[[\"number\", 100.0], [\"number\", 101.0], [\"number\", 102.0], [\"number\", 103.0], "
                    "[\"number\", 104.0]]\n");
}

TEST_F(XlsWriter, FieldMaskWritesLabels) {
  TTestDataSet ds;
  FillWideDataSet(ds, 1, 1);
  TRODirezaToXLS writer;
  writer.Options |= OptionBit(soFieldMask);
  const auto records = Export(writer, ds);
  ASSERT_EQ(records[records.size() - 2].Id, 0x0204);
  EXPECT_EQ(records[records.size() - 2].Data.substr(8), "100");
}

}  // namespace
