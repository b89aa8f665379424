// LibreOffice and gnumeric read our spreadsheets as our own CSV export
// writes the same table: every value, text cells included. LibreOffice is
// slow to start, so both files go through one conversion.
#include <gtest/gtest.h>

#include <filesystem>

#include "export/writers/ExportToText.h"
#include "export/writers/ExportToXLS.h"
#include "export/writers/ExportToXLSX.h"
#include "platform/rtl/Strings.h"
#include "tests/export/run_tool.h"
#include "tests/export/spreadsheet_fixture.h"
#include "tests/export/spreadsheet_test_support.h"

namespace {

namespace fs = std::filesystem;

// Our CSV of the table: comma-separated, quoted texts, "." decimals.
void ExportCsv(const fs::path& file, TCharacterSet characterSet) {
  TTestDataSet ds;
  FillSpreadsheetDataSet(ds);
  TRODirezaToText writer;
  writer.SetDataSet(&ds);
  writer.ColumnSource = csDataSet;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.AnimatedStatus = false;
  writer.FileName = Utf8ToString(file.string());
  writer.Separator = u",";
  writer.TextQualifier = u"\"";
  writer.CharacterSet = characterSet;
  writer.AddTitle = true;
  writer.DataFormats.DecimalSeparator = u'.';
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
}

template <class Writer>
void ExportSheet(const fs::path& file) {
  TTestDataSet ds;
  FillSpreadsheetDataSet(ds);
  Writer writer;
  PrepareSpreadsheetWriter(writer, ds, file);
  writer.AddTitle = true;
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
}

std::string Compare(const fs::path& ours, const char* codec, const fs::path& theirs) {
  const ToolResult compared =
      RunTool("/usr/bin/python3 compare_csv.py '" + ours.string() + "' " + codec + " '" + theirs.string() + "' 2>&1");
  return compared.ExitCode == 0 ? "same" : compared.Output;
}

TEST(SpreadsheetInterop, LibreOfficeReadsEveryValue) {
  if (!HasProgram("soffice")) GTEST_SKIP() << "LibreOffice (soffice) is missing";
  const fs::path folder = FreshFolder("spreadsheet_lo");
  ExportSheet<TRODirezaToXLSX>(folder / "book_x.xlsx");
  ExportSheet<TRODirezaToXLS>(folder / "book_b.xls");
  {
    // A worksheet with pictures in its drawing group still reads whole.
    TTestDataSet ds;
    FillPictureDataSet(ds, TwoColourPicture());
    TRODirezaToXLS writer;
    PrepareSpreadsheetWriter(writer, ds, folder / "pictures.xls");
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
  }
  ExportCsv(folder / "ours_utf8.csv", csUTF8);
  // The XLS file holds its texts in the ANSI code page, as this CSV does.
  ExportCsv(folder / "ours_ansi.csv", csANSI_WINDOWS);
  const fs::path out = folder / "lo";
  // Raw values (not as shown), UTF-8, comma and double quote.
  const ToolResult convert = RunTool(
      "cd '" + folder.string() + "' && soffice -env:UserInstallation=file://" + (folder / "profile").string() +
      " --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false' --outdir '" +
      out.string() + "' book_x.xlsx book_b.xls pictures.xls 2>&1");
  ASSERT_EQ(convert.ExitCode, 0) << convert.Output;
  EXPECT_EQ(Compare(folder / "ours_utf8.csv", "utf-8-sig", out / "book_x.csv"), "same");
  EXPECT_EQ(Compare(folder / "ours_ansi.csv", "cp1250", out / "book_b.csv"), "same");
  EXPECT_EQ(FileBytes(out / "pictures.csv"), "1\n2\n3\n4\n");
  fs::remove_all(folder);
}

TEST(SpreadsheetInterop, GnumericReadsEveryValue) {
  if (!HasProgram("ssconvert")) GTEST_SKIP() << "gnumeric's ssconvert is missing";
  const fs::path folder = FreshFolder("spreadsheet_gnumeric");
  ExportSheet<TRODirezaToXLSX>(folder / "book.xlsx");
  ExportSheet<TRODirezaToXLS>(folder / "book.xls");
  ExportCsv(folder / "ours_utf8.csv", csUTF8);
  for (const char* name : {"book.xlsx", "book.xls"}) {
    const ToolResult convert =
        RunTool("ssconvert '" + (folder / name).string() + "' '" + (folder / name).string() + ".csv' 2>&1");
    ASSERT_EQ(convert.ExitCode, 0) << convert.Output;
    EXPECT_EQ(convert.Output, "") << name;  // no complaint about the file
  }
  EXPECT_EQ(Compare(folder / "ours_utf8.csv", "utf-8-sig", folder / "book.xlsx.csv"), "same");
  // gnumeric reads a worksheet file of this level in its own default code
  // page (it takes the CODEPAGE record from workbooks only): the letters
  // outside ASCII differ, every other value is the same.
  const std::string xls = Compare(folder / "ours_utf8.csv", "utf-8-sig", folder / "book.xls.csv");
  EXPECT_EQ(xls,
            "row 1 column 1: ours 'Ana \xC4\x8C" "eba\xC5\xA1" "ek', theirs 'Ana \xC3\x88" "eba\xC5\xA1" "ek'\n"
            "row 2 column 8: ours '\xF0\x9F\x98\x80 smile', theirs '? smile'\n");
  fs::remove_all(folder);
}

}  // namespace
