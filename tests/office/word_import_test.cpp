// The Word source over the office suite: the first table of documents that
// LibreOffice wrote (.docx, .odt) imported with its header row and its line
// breaks, a document without tables, a missing file, and the preview. These
// start the suite, so they live with the other office tests.
#include <gtest/gtest.h>

#include <filesystem>

#include "import/ImportExceptions.h"
#include "import/readers/ImportFromOLE.h"
#include "platform/win/OfficeAutomation.h"
#include "tests/import/markup_fixture.h"

namespace {

String Fixture(const char* name) {
  return Utf8ToString((std::filesystem::path(__FILE__).parent_path() / "fixtures" / name).string());
}

TImportResult ImportWord(const String& file, Integer rowFirst, Integer fieldNames) {
  TRADerevuFromWord source;
  source.SetSourceFileName(file);
  source.SetRowFirst(rowFirst);
  source.SetRowFieldNames(fieldNames);
  return RunIntoTable(source);
}

class WordImport : public testing::Test {
 protected:
  void SetUp() override {
    if (!OpenOfficeIsInstalled()) GTEST_SKIP() << "LibreOffice or python3-uno is not installed";
  }
};

TEST_F(WordImport, FirstTableOfLibreOfficeDocumentsWithHeaderAndLineBreaks) {
  const std::vector<std::vector<String>> rows = {
      {u"1", u"Čaj", u"prva vrstica\ndruga vrstica"}, {u"2", u"Kava", u"ena\ndve"}, {u"3", u"Žito", u""}};
  for (const char* name : {"tables.docx", "tables.odt"}) {
    SCOPED_TRACE(name);
    const TImportResult got = ImportWord(Fixture(name), 2, 1);
    EXPECT_EQ(got.Statistic.Result, irExecuted);
    EXPECT_EQ(got.Columns, (std::vector<String>{u"Šifra", u"Naziv", u"Opomba"}));
    EXPECT_EQ(got.Rows, rows);
  }
  // Without a header row the columns are numbered and every row is read.
  const TImportResult plain = ImportWord(Fixture("tables.odt"), 1, 0);
  EXPECT_EQ(plain.Columns, (std::vector<String>{u"Field1", u"Field2", u"Field3"}));
  ASSERT_EQ(plain.Rows.size(), 4u);
  EXPECT_EQ(plain.Rows[0][0], u"Šifra");
}

TEST_F(WordImport, NoTablesNoRowsAndAMissingFileFails) {
  const TImportResult got = ImportWord(Fixture("notables.odt"), 1, 1);
  EXPECT_TRUE(got.Columns.empty());
  EXPECT_TRUE(got.Rows.empty());
  TRADerevuFromWord source;
  source.SetSourceFileName(u"/nonexistent/missing.docx");
  EXPECT_THROW(RunIntoTable(source), ESMIFileException);
}

TEST_F(WordImport, PreviewMatchesColumnsByHeaderText) {
  String fields;
  std::vector<String> list;
  std::vector<std::vector<String>> rows;
  LoadWordPreview(nullptr, fields, Fixture("tables.docx"), 2, 3, 10, 1, false, list,
                  [&](void*, Integer count, Integer number, bool, std::vector<Variant>& values) {
                    EXPECT_EQ(count, 3);
                    EXPECT_EQ(number, Integer(rows.size() + 1));
                    rows.push_back({VarToStr(values[0]), VarToStr(values[1])});
                  });
  EXPECT_EQ(fields, u"Šifra;Naziv;Opomba");
  EXPECT_EQ(rows, (std::vector<std::vector<String>>{{u"1", u"Čaj"}, {u"2", u"Kava"}}));
}

}  // namespace
