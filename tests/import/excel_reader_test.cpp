// The Excel readers against workbooks written by independent programs
// (openpyxl, LibreOffice, gnumeric) and by the fixture script from the
// formats' record layouts: every value of every sheet must be what
// openpyxl or xlrd read from the same file.
#include <gtest/gtest.h>

#include "import/ImportExceptions.h"
#include "tests/import/excel_fixture.h"

namespace {

class ExcelFixtureTest : public testing::TestWithParam<std::string> {};

TEST_P(ExcelFixtureTest, ReadsWhatAnIndependentReaderReads) {
  const std::string name = GetParam();
  auto reader = ExcelReaderFor(name);
  reader->LoadFromFile(Utf8ToString(ExcelFixture(name).string()));
  const std::vector<TCellLine> got = CellLines(*reader);
  const std::vector<TCellLine> want = ReadExpected(name);
  ASSERT_FALSE(want.empty());
  size_t i = 0, j = 0;
  while (i < got.size() || j < want.size()) {
    if (i < got.size() && j < want.size() && SameCell(got[i], want[j])) {
      ++i, ++j;
      continue;
    }
    ADD_FAILURE() << "read: " << (i < got.size() ? LineText(got[i]) : "(end)")
                  << "\nexpected: " << (j < want.size() ? LineText(want[j]) : "(end)");
    break;
  }
}

INSTANTIATE_TEST_SUITE_P(Workbooks, ExcelFixtureTest,
                         testing::Values("openpyxl_book.xlsx", "openpyxl_1904.xlsx", "libreoffice_book.xlsx",
                                         "libreoffice_formulas.xlsx", "handmade.xlsx", "libreoffice_book.xls",
                                         "libreoffice_formulas.xls", "libreoffice_1904.xls", "gnumeric_biff8.xls",
                                         "gnumeric_biff7.xls", "biff2.xls", "biff3.xls", "biff4.xls",
                                         "handmade.xlsb"),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string n = info.param;
                           for (char& c : n)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

TEST(ExcelReader, SheetNamesComeFromTheWorkbook) {
  TMSExcel xls;
  xls.LoadFromFile(Utf8ToString(ExcelFixture("libreoffice_book.xls").string()));
  ASSERT_EQ(xls.Sheets.Count(), 3);
  EXPECT_EQ(xls.Sheets[1].Caption, u"Ünïcode ☃");
  TMSExcelX xlsx;
  xlsx.LoadFromFile(Utf8ToString(ExcelFixture("handmade.xlsx").string()));
  ASSERT_EQ(xlsx.Sheets.Count(), 2);
  EXPECT_EQ(xlsx.Sheets[0].Caption, u"Second & last");
  EXPECT_EQ(xlsx.Sheets[1].Caption, u"Data");
}

TEST(ExcelReader, OnlyTheChosenSheetGetsCells) {
  for (const char* name : {"libreoffice_book.xls", "openpyxl_book.xlsx"}) {
    SCOPED_TRACE(name);
    auto reader = ExcelReaderFor(name);
    reader->SetSheetIndex(1);
    reader->LoadFromFile(Utf8ToString(ExcelFixture(name).string()));
    ASSERT_EQ(reader->Sheets.Count(), 3);
    EXPECT_EQ(reader->Sheets[0].Cells.UsedRowCount, 0);
    EXPECT_EQ(reader->Sheets[1].Cells.UsedRowCount, 3);
    EXPECT_EQ(reader->Sheets[2].Cells.UsedRowCount, 0);
  }
}

TEST(ExcelReader, AFileThatIsNoWorkbookIsAnError) {
  const std::string text = "id,name\n1,x\n";
  for (bool package : {false, true}) {
    TMemoryStream stream;
    stream.Write(text.data(), static_cast<Int64>(text.size()));
    stream.SetPosition(0);
    std::unique_ptr<TSpreadSheetFile> reader;
    if (package)
      reader = std::make_unique<TMSExcelX>();
    else
      reader = std::make_unique<TMSExcel>();
    try {
      reader->LoadFromStream(stream);
      ADD_FAILURE() << "no error";
    } catch (const ESMIFileFormatException& e) {
      EXPECT_EQ(e.Message(), u"Invalid file version or file format.");
    }
  }
}

}  // namespace
