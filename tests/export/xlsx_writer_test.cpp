// The XLSX writer, proved by independent readers: openpyxl reads every value
// with its type and the styles' fonts and number formats, unzip tests the
// package, gnumeric reads it; the parts' own rules where readers are lenient.
#include "export/writers/ExportToXLSX.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "platform/rtl/Strings.h"
#include "tests/export/run_tool.h"
#include "tests/export/spreadsheet_fixture.h"
#include "tests/export/spreadsheet_test_support.h"

namespace {

namespace fs = std::filesystem;

// A part of the package as unzip gives it.
std::string Part(const fs::path& file, const std::string& name) {
  return RunTool("unzip -p '" + file.string() + "' '" + name + "'").Output;
}

std::string Openpyxl(const fs::path& file) {
  const ToolResult read = RunTool("/usr/bin/python3 read_xlsx.py '" + file.string() + "' 2>&1");
  EXPECT_EQ(read.ExitCode, 0) << read.Output;
  return read.Output;
}

// A writer whose row limit is small enough to reach in a test.
class TSmallLimitXLSX : public TRODirezaToXLSX {
 protected:
  Integer GetMaxRowCount() override { return 5; }
};

class XlsxWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HasPythonModule("openpyxl")) GTEST_SKIP() << "python3-openpyxl is missing";
    if (!HasProgram("unzip")) GTEST_SKIP() << "unzip is missing";
    folder = FreshFolder("xlsx_writer");
  }
  void TearDown() override { fs::remove_all(folder); }
  fs::path folder;
};

TEST_F(XlsxWriter, OpenpyxlReadsEveryValueWithItsType) {
  const fs::path file = folder / "values.xlsx";
  TTestDataSet ds;
  FillSpreadsheetDataSet(ds);
  TRODirezaToXLSX writer;
  PrepareSpreadsheetWriter(writer, ds, file);
  writer.AddTitle = true;
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  const std::string currency = "\"_-* #,##0.00\\\\ [$\xE2\x82\xAC]_-;\\\\-* #,##0.00\\\\ [$\xE2\x82\xAC]_-;_-* \\\"-\\\"??\\\\ [$\xE2\x82\xAC]_-;_-@_-\"";
  const auto cell = [](const std::string& type, const std::string& value, const std::string& format) {
    return "[\"" + type + "\", " + value + ", \"" + format + "\", \"Calibri\"]";
  };
  std::string title = "[";
  for (const char* name : {"ID", "NAME", "PRICE", "BORN", "STAMP", "ACTIVE", "TOTAL", "AT", "NOTE"})
    title += std::string(title.size() > 1 ? ", " : "") + cell("str", std::string("\"") + name + "\"", "General");
  title += "]\n";
  const std::string money = ", \"Calibri\"]";
  EXPECT_EQ(Openpyxl(file),
            title + "[" + cell("int", "1", "0") + ", " + cell("str", "\"Ana \xC4\x8C" "eba\xC5\xA1" "ek\"", "General") +
                ", " + cell("float", "12.5", "0.00") + ", " + cell("datetime", "\"2009-07-07T00:00:00\"", "mm-dd-yy") +
                ", " + cell("datetime", "\"2009-07-07T13:45:30\"", "m/d/yy h:mm") + ", " +
                cell("bool", "true", "General") + ", [\"float\", 1234.56, " + currency + money + ", " +
                cell("time", "\"08:30:00\"", "h:mm") + ", " + cell("str", "\"line1\\nline2\"", "General") + "]\n" +
                "[" + cell("int", "70000", "0") + ", " + cell("str", "\"say \\\"hi\\\" <&>\"", "General") + ", " +
                cell("float", "-0.125", "0.00") + ", " + cell("datetime", "\"2100-01-01T00:00:00\"", "mm-dd-yy") +
                ", " + cell("datetime", "\"1999-12-31T23:59:59\"", "m/d/yy h:mm") + ", " +
                cell("bool", "false", "General") + ", [\"int\", -5, " + currency + money + ", " +
                cell("time", "\"23:59:59\"", "h:mm") + ", " + cell("str", "\"\xF0\x9F\x98\x80 smile\"", "General") +
                "]\n" + "[" + cell("int", "-1", "0") + ", " + cell("NoneType", "null", "General") + ", " +
                cell("float", "0.001", "0.00") + ", " + cell("datetime", "\"1900-03-01T00:00:00\"", "mm-dd-yy") +
                ", " + cell("datetime", "\"2026-01-02T00:00:01\"", "m/d/yy h:mm") + ", " +
                cell("bool", "true", "General") + ", [\"int\", 0, " + currency + money + ", " +
                cell("time", "\"00:00:01\"", "h:mm") + ", " + cell("str", "\" leading blank\"", "General") + "]\n");
}

// Both roads a cell can take (the typed path, and the string road that a
// cell-parameters event forces) give the same worksheet and strings.
TEST_F(XlsxWriter, TypedPathAndStringRoadAgree) {
  const auto write = [&](const fs::path& file, bool event) {
    TTestDataSet ds;
    FillSpreadsheetDataSet(ds);
    TRODirezaToXLSX writer;
    PrepareSpreadsheetWriter(writer, ds, file);
    writer.AddTitle = true;
    if (event) writer.OnGetCellParams = [](auto*, TField*, String&, TFont&, TAlignment&, TColor&, TCellType&) {};
    writer.Execute();
    EXPECT_EQ(writer.Statistic.Result, erCompleted);
  };
  write(folder / "typed.xlsx", false);
  write(folder / "strings.xlsx", true);
  for (const char* part : {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml"})
    EXPECT_EQ(Part(folder / "typed.xlsx", part), Part(folder / "strings.xlsx", part)) << part;
}

// The package: every entry tests clean, folders end with "/", the parts the
// workbook names are there, the time stamp is UTC, the used range is exact.
TEST_F(XlsxWriter, PackageIsSound) {
  const fs::path file = folder / "package.xlsx";
  TTestDataSet ds;
  FillSpreadsheetDataSet(ds);
  TRODirezaToXLSX writer;
  PrepareSpreadsheetWriter(writer, ds, file);
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  const ToolResult test = RunTool("unzip -t '" + file.string() + "' 2>&1");
  EXPECT_EQ(test.ExitCode, 0) << test.Output;
  EXPECT_NE(test.Output.find("No errors detected"), std::string::npos);
  const std::string names = RunTool("unzip -Z1 '" + file.string() + "'").Output;
  EXPECT_EQ(names,
            "_rels/\n_rels/.rels\ndocProps/\ndocProps/app.xml\ndocProps/core.xml\nxl/\nxl/_rels/\n"
            "xl/_rels/workbook.xml.rels\nxl/theme/\nxl/theme/theme1.xml\nxl/worksheets/\nxl/worksheets/sheet2.xml\n"
            "xl/worksheets/sheet3.xml\nxl/workbook.xml\nxl/worksheets/sheet1.xml\nxl/sharedStrings.xml\n"
            "xl/styles.xml\n[Content_Types].xml\n");
  // Created now, in UTC.
  const std::string core = Part(file, "docProps/core.xml");
  char stamp[16];
  const std::time_t now = std::time(nullptr);
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H", std::gmtime(&now));
  EXPECT_NE(core.find(std::string(">") + stamp), std::string::npos) << core;
  const std::string sheet = Part(file, "xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find("<dimension ref=\"A1:I3\"/>"), std::string::npos) << sheet.substr(0, 400);
  // Without style entries: date s="1", currency s="2".
  EXPECT_NE(sheet.find("<c r=\"D1\" s=\"1\"><v>40001</v></c>"), std::string::npos);
  EXPECT_NE(sheet.find("<c r=\"G1\" s=\"2\"><v>1234.56</v></c>"), std::string::npos);
  if (HasProgram("ssconvert")) {
    const ToolResult gnumeric = RunTool("ssconvert '" + file.string() + "' '" + (folder / "g.csv").string() + "' 2>&1");
    EXPECT_EQ(gnumeric.ExitCode, 0) << gnumeric.Output;
  }
}

// Shared strings: every text its own item in order, escaped, blanks at the
// ends kept; a run without texts still has the part, with count 0.
TEST_F(XlsxWriter, SharedStringsEscapeAndKeepBlanks) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"T", ftWideString, 20);
  ds.Open();
  for (const char16_t* text : {u"<b>&", u" x", u" x", u"%\x0C"}) {
    ds.Append();
    ds.Fields()[0]->SetAsString(text);
    ds.Post();
  }
  ds.First();
  const fs::path file = folder / "strings.xlsx";
  TRODirezaToXLSX writer;
  PrepareSpreadsheetWriter(writer, ds, file);
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_EQ(Part(file, "xl/sharedStrings.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
            "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"4\" uniqueCount=\"4\">\r\n"
            "<si><t>&lt;b&gt;&amp;</t></si>\r\n<si><t xml:space=\"preserve\"> x</t></si>\r\n"
            "<si><t xml:space=\"preserve\"> x</t></si>\r\n<si><t>&#37;%0C</t></si>\r\n</sst>");

  TTestDataSet numbers;
  FillWideDataSet(numbers, 2, 2);
  const fs::path none = folder / "numbers.xlsx";
  TRODirezaToXLSX plain;
  PrepareSpreadsheetWriter(plain, numbers, none);
  plain.Execute();
  ASSERT_EQ(plain.Statistic.Result, erCompleted);
  EXPECT_NE(Part(none, "xl/sharedStrings.xml").find("count=\"0\" uniqueCount=\"0\">"), std::string::npos);
}

// With soColorsFonts every cell's font, fill and alignment reach the style
// sheet; no font index is ever -1.
TEST_F(XlsxWriter, ColorsAndFontsReachTheStyles) {
  TTestDataSet ds;
  FillWideDataSet(ds, 2, 2);
  const fs::path file = folder / "styles.xlsx";
  TRODirezaToXLSX writer;
  PrepareSpreadsheetWriter(writer, ds, file);
  writer.Options |= OptionBit(soColorsFonts);
  writer.BuildDefaultColumns();
  writer.Columns[1].Font.Name = u"Arial";
  writer.Columns[1].Font.Size = 14;
  writer.Columns[1].Font.Style = FontStyleBit(fsBold);
  writer.Columns[1].Color = 0x000000FF;  // red, as 0x00BBGGRR
  writer.Columns[1].Alignment = taRightJustify;
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  const std::string script =
      "import openpyxl,sys\n"
      "c=openpyxl.load_workbook(sys.argv[1]).worksheets[0]['B1']\n"
      "print(c.value, c.font.name, c.font.sz, c.font.b, c.fill.fgColor.rgb, c.alignment.horizontal, c.number_format)\n";
  EXPECT_EQ(RunPython(folder, script, file).Output, "101 Arial 14.0 True FFFF0000 right 0\n");
  EXPECT_EQ(Part(file, "xl/styles.xml").find("\"-1\""), std::string::npos);
}

// The page header and footer reach the worksheet's header and footer.
TEST_F(XlsxWriter, PageHeaderAndFooter) {
  TTestDataSet ds;
  FillWideDataSet(ds, 1, 1);
  const fs::path file = folder / "pages.xlsx";
  TRODirezaToXLSX writer;
  PrepareSpreadsheetWriter(writer, ds, file);
  writer.PageHeader = {u"Report <1> & \u010Cas"};
  writer.PageFooter = {u"End"};
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  const std::string script =
      "import openpyxl,sys\n"
      "s=openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
      "print(repr(s.oddHeader.left.text), repr(s.oddFooter.left.text))\n";
  EXPECT_EQ(RunPython(folder, script, file).Output, "'Report <1> & \xC4\x8C" "as' 'End'\n");
}

// The row limit ends the run with the message and a complete package; a
// split run writes one complete package per file.
TEST_F(XlsxWriter, RowLimitAndSplitFilesGiveCompletePackages) {
  TTestDataSet ds;
  FillWideDataSet(ds, 2, 8);
  const fs::path limited = folder / "limited.xlsx";
  TSmallLimitXLSX writer;
  PrepareSpreadsheetWriter(writer, ds, limited);
  try {
    writer.Execute();
    FAIL() << "the limit was not reported";
  } catch (const ESMEMaxRowCountException& e) {
    EXPECT_EQ(e.Message(), u"MS Excel spreadsheet can not contain more than 5 rows");
  }
  EXPECT_EQ(writer.Statistic.Result, erFailed);
  const std::string rows = Openpyxl(limited);
  EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 5) << rows;

  TTestDataSet five;
  FillWideDataSet(five, 1, 5);
  TRODirezaToXLSX split;
  PrepareSpreadsheetWriter(split, five, folder / "out.xlsx");
  split.RowsPerFile = 2;
  split.Execute();
  ASSERT_EQ(split.Statistic.Result, erCompleted);
  EXPECT_EQ(Openpyxl(folder / "out.xlsx"), "[[\"int\", 100, \"0\", \"Calibri\"]]\n[[\"int\", 200, \"0\", \"Calibri\"]]\n");
  EXPECT_EQ(Openpyxl(folder / "out001.xlsx"), "[[\"int\", 300, \"0\", \"Calibri\"]]\n[[\"int\", 400, \"0\", \"Calibri\"]]\n");
  EXPECT_EQ(Openpyxl(folder / "out002.xlsx"), "[[\"int\", 500, \"0\", \"Calibri\"]]\n");
}

// A cell past column 16,384 ends the run with a clear message and a
// complete package holding the columns that fit (records become columns in
// the reversed layout).
TEST_F(XlsxWriter, ColumnLimitEndsWithACompletePackage) {
  TTestDataSet ds;
  FillWideDataSet(ds, 1, 16385);
  const fs::path file = folder / "wide.xlsx";
  TRODirezaToXLSX writer;
  PrepareSpreadsheetWriter(writer, ds, file);
  writer.Layout = elReversedColumnar;
  try {
    writer.Execute();
    FAIL() << "the limit was not reported";
  } catch (const ESMEMaxRowCountException& e) {
    EXPECT_EQ(e.Message(), u"MS Excel spreadsheet can not contain more than 16384 columns");
  }
  const std::string script =
      "import zipfile,sys,xml.etree.ElementTree as ET\n"
      "root=ET.fromstring(zipfile.ZipFile(sys.argv[1]).read('xl/worksheets/sheet1.xml'))\n"
      "cells=root.findall('.//{*}c')\n"
      "print(len(cells), cells[-1].get('r'), cells[-1].find('{*}v').text)\n";
  EXPECT_EQ(RunPython(folder, script, file).Output, "16384 XFD16384 1638400\n");
}

// A run of more than 10,000 records keeps its growing parts in temporary
// files and compresses them in many blocks on worker threads; the package
// reads back whole, and no temporary file stays behind.
TEST_F(XlsxWriter, LargeRunStreamsThroughTemporaryFiles) {
  const fs::path temporary = folder / "tmp";
  fs::create_directories(temporary);
  const char* saved = std::getenv("TMPDIR");
  const std::string savedValue = saved != nullptr ? saved : "";
  ::setenv("TMPDIR", temporary.c_str(), 1);
  TTestDataSet ds;
  FillWideDataSet(ds, 3, 12000);
  const fs::path file = folder / "large.xlsx";
  TRODirezaToXLSX writer;
  PrepareSpreadsheetWriter(writer, ds, file);
  writer.CompressionThreads = 3;
  writer.Execute();
  if (saved != nullptr) ::setenv("TMPDIR", savedValue.c_str(), 1); else ::unsetenv("TMPDIR");
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_TRUE(fs::is_empty(temporary));
  const std::string script =
      "import openpyxl,sys\n"
      "s=openpyxl.load_workbook(sys.argv[1],read_only=True).worksheets[0]\n"
      "rows=list(s.iter_rows(values_only=True))\n"
      "print(len(rows), rows[0], rows[-1])\n";
  EXPECT_EQ(RunPython(folder, script, file).Output, "12000 (100, 101, 102) (1200000, 1200001, 1200002)\n");
}

}  // namespace
