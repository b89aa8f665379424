// The HTML table source: pages that LibreOffice, Python's html module and
// our own writer made from one CSV import value for value, and the tag
// scanner's cases.
#include <gtest/gtest.h>

#include "import/readers/ImportFromHTML.h"
#include "tests/import/our_writers.h"
#include "tests/import/markup_fixture.h"

namespace {

using TRows = std::vector<std::vector<String>>;

TImportResult ImportHtml(const std::filesystem::path& file, Integer rowFirst = 2, Integer fieldNames = 1) {
  TRADerevuFromHTML source;
  source.SetSourceFileName(Utf8ToString(file.string()));
  source.SetRowFirst(rowFirst);
  source.SetRowFieldNames(fieldNames);
  return RunIntoTable(source);
}

TImportResult ImportHtmlText(const std::string& page, Integer rowFirst = 1, Integer fieldNames = 0,
                             TSMIExtTags tags = 0) {
  TRADerevuFromHTML source;
  source.SetRowFirst(rowFirst);
  source.SetRowFieldNames(fieldNames);
  source.SetExtTagsParse(tags);
  TMemoryStream stream;
  stream.Write(page.data(), static_cast<Int64>(page.size()));
  stream.SetPosition(0);
  source.DataStream = &stream;
  return RunIntoTable(source);
}

TEST(HtmlImport, PagesOfIndependentWritersReadAsTheCsv) {
  const TRows csv = ReadCsv(MarkupFixture("rows.csv"));
  const TRows body(csv.begin() + 1, csv.end());
  // LibreOffice: a UTF-8 page that declares its charset.
  TImportResult got = ImportHtml(MarkupFixture("libreoffice_rows.html"));
  EXPECT_EQ(got.Columns, csv[0]);
  EXPECT_EQ(got.Rows, body);
  // Python: an undeclared 8-bit page in the ANSI code page, header cells,
  // a comment and a blank between rows, the last row in a second table.
  got = ImportHtml(MarkupFixture("python_rows.html"));
  EXPECT_EQ(got.Columns, csv[0]);
  EXPECT_EQ(got.Rows, body);
}

TEST(HtmlImport, PagesOfOurWriterReadAsTheCsv) {
  const TRows csv = ReadCsv(MarkupFixture("rows.csv"));
  const auto dir = std::filesystem::temp_directory_path() / ("html_import_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  for (TOurCharset charset : {TOurCharset::Ansi, TOurCharset::Utf8, TOurCharset::Utf16}) {
    // With the ANSI code page, the characters outside it are references.
    SCOPED_TRACE(static_cast<int>(charset));
    ASSERT_TRUE(WriteHtmlWithOurWriter(csv, dir / "rows.htm", charset));
    const TImportResult got = ImportHtml(dir / "rows.htm");
    EXPECT_EQ(got.Columns, csv[0]);
    EXPECT_EQ(got.Rows, TRows(csv.begin() + 1, csv.end()));
  }
  std::filesystem::remove_all(dir);
}

TEST(HtmlImport, ScannerCases) {
  struct TCase {
    const char* Name;
    std::string Page;
    TRows Expected;
  };
  const TCase cases[] = {
      {"a comment and a blank before a row keep the row",
       "<table><tr><td>a</td></tr><!-- c --> <tr><td>b</td></tr><!--x-->\n<TR><TD>c</TD></TR></table>",
       {{u"a"}, {u"b"}, {u"c"}}},
      {"inline tags are dropped, entities decoded, &nbsp; removed",
       "<table><tr><td><b>x</b> &amp; <a href=\"y\">y</a></td><td>&nbsp;</td></tr></table>",
       {{u"x& y", u""}}},
      {"a row with fewer cells has empty values",
       "<table><tr><td>1</td><td>2</td></tr><tr><td>3</td></tr></table>", {{u"1", u"2"}, {u"3", u""}}},
      {"two tables give one run of rows", "<table><tr><td>1</td></tr></table>x<table><tr><td>2</td></tr></table>",
       {{u"1"}, {u"2"}}},
      {"no table: no rows", "<p>nothing</p>", {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ImportHtmlText(c.Page).Rows, c.Expected);
  }
}

TEST(HtmlImport, HeaderRowNamesColumnsAndImagesGiveTheirSource) {
  const std::string page =
      "<table><tr><th>Name</th><th>Pic</th></tr><tr><td>a</td><td><IMG SRC=\"p.png\"></td></tr></table>";
  TImportResult got = ImportHtmlText(page, 2, 1, ExtTagBit(etImage));
  EXPECT_EQ(got.Columns, (std::vector<String>{u"Name", u"Pic"}));
  EXPECT_EQ(got.Rows, (TRows{{u"a", u"p.png"}}));
  // Without the image tag the cell is empty.
  got = ImportHtmlText(page, 2, 1);
  EXPECT_EQ(got.Rows, (TRows{{u"a", u""}}));
}

TEST(HtmlImport, PreviewGivesRawCellsOfTheFirstRows) {
  const auto file = std::filesystem::temp_directory_path() / ("preview_" + std::to_string(getpid()) + ".html");
  WriteFileBytes(file, "<table><tr><td>A</td><td>B</td></tr><tr><td>1&amp;</td><td>2</td></tr>"
                       "<tr><td>3</td><td>4</td></tr></table>");
  TWideStrings columns;
  TRows rows;
  LoadHTMLPreview(nullptr, u"", Utf8ToString(file.string()), u"", 2, 2147483647, 1, 1, false, columns,
                  [&](void*, Integer count, Integer number, bool, const std::vector<Variant>& values) {
                    EXPECT_EQ(count, 2);
                    EXPECT_EQ(number, static_cast<Integer>(rows.size() + 1));
                    rows.push_back({values[0].AsString(), values[1].AsString()});
                  },
                  0);
  EXPECT_EQ(columns.GetText(), u"Field1\r\nField2\r\n");
  EXPECT_EQ(rows, (TRows{{u"1&amp;", u"2"}}));
  std::filesystem::remove(file);
}

}  // namespace
