// The HTML writer: the page and table it writes, html5lib reading every
// cell back in each character set, pictures, and LibreOffice turning the
// page into CSV with the same values.
#include <gtest/gtest.h>

#include "export/writers/ExportToHTML.h"
#include "export/ExportText.h"
#include "platform/rtl/Picture.h"
#include "tests/export/markup_fixture.h"

namespace {

using namespace markup;

class HtmlWriterTest : public MarkupTest {};

std::string ReadCells(const fs::path& file, const char* encoding, bool paragraphs = false) {
  return RunCommand("/usr/bin/python3 read_html_tables.py '" + file.string() + "' " + encoding +
                    (paragraphs ? " --paragraphs" : "") + " 2>&1");
}

Cells Expected(const std::vector<Row>& rows) {
  Cells cells = {{u"ID", u"First Name", u"PRICE", u"BORN", u"NOTES"}};
  for (const Row& row : rows)
    cells.push_back({IntToStr(row.Id), Visible(row.Name ? row.Name : u""), Number(row.Price),
                     row.Born != 0 ? IsoDate(row.Born) : String(), Visible(row.Notes ? row.Notes : u"")});
  return cells;
}

TEST(HtmlFonts, SizesAndColours) {
  const std::pair<Integer, Integer> sizes[] = {{5, -1}, {6, 1}, {9, 2}, {10, 3}, {13, 3}, {14, 4},
                                               {18, 5}, {24, 6}, {35, 6}, {36, -1}};
  for (const auto& [points, size] : sizes) EXPECT_EQ(HTMLFontSize(points), size) << points;
  EXPECT_EQ(HTMLColor(0x00336699, false), u"color=\"#996633\"");
  EXPECT_EQ(HTMLColor(clWindow, true), u"bgcolor=\"#ffffff\"");
  EXPECT_EQ(HTMLColor(clBlack, true), u"");
}

TEST_F(HtmlWriterTest, PageTableAndTemplates) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"A", ftString, 10);
  ds.FieldDefs().Add(u"B", ftInteger);
  ds.Open();
  ds.Append();
  ds.FieldByName(u"A")->SetAsString(u"x<y");
  ds.FieldByName(u"B")->SetAsInteger(5);
  ds.Post();
  ds.Append();
  ds.Post();
  ds.First();
  struct Case {
    const char* name;
    std::vector<String> pattern;
    bool htmlLines;
    std::string expected;
  };
  const std::string table =
      "<table border=\"1\">\r\n<thead>\r\n<tr>\r\n  <th>A</th>\r\n  <th align=\"right\">B</th>\r\n</tr>\r\n</thead>\r\n"
      "<tbody>\r\n<tr>\r\n  <td>x&lt;y</td>\r\n  <td align=\"right\">5</td>\r\n</tr>\r\n"
      "<tr>\r\n  <td>&nbsp</td>\r\n  <td align=\"right\">&nbsp</td>\r\n</tr>\r\n</tbody>\r\n</table>\r\n\r\n";
  const Case cases[] = {
      {"default page", {}, false,
       "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\"\r\ncontent=\"text/html; charset=windows-1250\">\r\n"
       "<meta name=\"GENERATOR\" content=\"RODireza 4.99\">\r\n<title>Data exported by RODireza generator</title>\r\n"
       "</head>\r\n\r\n<body bgcolor=\"#FFFFFF\">\r\n\r\n<p >head &amp; more</p>\r\n" + table +
           "<p >foot</p>\r\n</body>\r\n</html>\r\n"},
      {"a template's body end in the middle of a line", {u"<HTML><Body>", u"<p>before</p></body></html>"}, false,
       "<HTML><Body>\r\n<p>before</p>\r\n<p >head &amp; more</p>\r\n" + table + "<p >foot</p>\r\n</body></html>\r\n"},
      {"a template without a body end: the table after it, header lines as HTML", {u"<div>"}, true,
       "<div>\r\n<b>head</b>\r\n" + table + "foot\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRODirezaToHTML writer;
    PrepareWriter(writer, ds, dir / "t.htm");
    writer.CharacterSet = csANSI_WINDOWS;
    writer.BuildDefaultColumns();
    writer.Columns[1].Alignment = taRightJustify;
    writer.Columns[1].Title.Alignment = taRightJustify;
    for (auto& column : writer.Columns) column->Width = 0;
    writer.HTMLPattern = c.pattern;
    writer.HeaderFooterWithHTML = c.htmlLines;
    writer.Header = {c.htmlLines ? u"<b>head</b>" : u"head & more"};
    writer.Footer = {u"foot"};
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
    EXPECT_EQ(ReadBytes(dir / "t.htm"), c.expected);
    EXPECT_EQ(writer.HTMLPattern, c.pattern) << "a generated page is dropped again";
  }
}

TEST_F(HtmlWriterTest, Html5libReadsEveryCellInEveryCharacterSet) {
  const std::vector<Row> rows = HardRows(false);
  FormatSettings.ShortDateFormat = u"yyyy/mm/dd";
  const std::pair<TCharacterSet, const char*> charsets[] = {
      {csUTF8, "utf-8"}, {csUnicode, "utf-16"}, {csANSI_WINDOWS, "windows-1250"}, {csASCII_MSDOS, "windows-1250"},
      {csEBCDIC, "windows-1250"}};
  for (const auto& [charset, encoding] : charsets) {
    SCOPED_TRACE(encoding);
    TTestDataSet ds;
    FillHardTable(ds, rows);
    TRODirezaToHTML writer;
    const fs::path file = dir / "people.htm";
    PrepareWriter(writer, ds, file);
    writer.CharacterSet = charset;
    writer.Header = {u"People & <friends>"};
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
    // The encoding is the page's own declaration (html5lib reads it); the
    // one given only for the marked UTF-16 file.
    const std::string cells = ReadCells(file, charset == csUnicode ? "utf-16" : "\"\"", true);
    EXPECT_EQ(cells, "[" + Json(Expected(rows)) + ", [\"People & <friends>\"]]") << ReadBytes(file);
  }
}

TEST_F(HtmlWriterTest, PicturesEmbeddedOrNumberedFilesAcrossASplitRun) {
  const TPicture picture = TPicture::FromPixels(3, 2, std::vector<Cardinal>{1, 2, 3, 4, 5, 6});
  TTestDataSet ds;
  ds.FieldDefs().Add(u"P", ftGraphic);
  ds.Open();
  for (int i = 0; i < 3; ++i) {
    ds.Append();
    ds.FieldByName(u"P")->SetAsBytes(picture.BmpFile());
    ds.Post();
  }
  ds.First();
  {
    TRODirezaToHTML writer;
    PrepareWriter(writer, ds, dir / "pics.htm");
    writer.CharacterSet = csUTF8;
    writer.RowsPerFile = 2;
    writer.AddTitle = false;
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
  }
  const std::string first = ReadBytes(dir / "pics.htm");
  const std::string second = ReadBytes(dir / "pics001.htm");
  EXPECT_NE(first.find("<img src=\"" + (dir / "img1.bmp").string() + "\" width=\"3\" height=\"2\"></td>"),
            std::string::npos)
      << first;
  EXPECT_NE(first.find("img2.bmp"), std::string::npos);
  EXPECT_NE(second.find("img3.bmp"), std::string::npos) << "the split's file does not overwrite img1.bmp";
  for (const char* name : {"img1.bmp", "img2.bmp", "img3.bmp"})
    EXPECT_EQ(TPicture::FromBytes(ReadBytes(dir / name)).Rgb24(), picture.Rgb24()) << name;

  TRODirezaToHTML writer;
  PrepareWriter(writer, ds, dir / "embedded.htm");
  writer.CharacterSet = csUTF8;
  writer.EmbeddedImages = true;
  writer.AddTitle = false;
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  const std::vector<Byte> bmp = picture.BmpFile();
  EXPECT_NE(ReadBytes(dir / "embedded.htm")
                .find("<img src=\"data:image/bmp;base64," +
                      StringToUtf8(Encode64(std::string_view(reinterpret_cast<const char*>(bmp.data()), bmp.size()))) +
                      "\" width=\"3\" height=\"2\"></td>"),
            std::string::npos);
}

TEST_F(HtmlWriterTest, LibreOfficeTurnsThePageIntoTheSameCsv) {
  const std::vector<Row> rows = HardRows(false);
  FormatSettings.ShortDateFormat = u"yyyy/mm/dd";
  TTestDataSet ds;
  FillHardTable(ds, rows);
  TRODirezaToHTML writer;
  const fs::path file = dir / "people.htm";
  PrepareWriter(writer, ds, file);
  writer.CharacterSet = csUTF8;
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  // Calc's HTML filter, UTF-8 CSV with every text quoted, cells as shown.
  const fs::path csv = LibreOfficeConvert(file, "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true", "csv", dir,
                                          "HTML (StarCalc)");
  if (csv.empty()) GTEST_SKIP() << "LibreOffice is not installed or could not convert";
  const std::string read = RunCommand("/usr/bin/python3 read_csv.py '" + csv.string() + "' utf-8 2>&1");
  // Calc takes numbers and dates as values and shows them in its own way;
  // the texts must come back as they were, and the numbers as the same
  // numbers.
  const Cells expected = Expected(rows);
  for (size_t r = 0; r < expected.size(); ++r) {
    for (size_t c : {size_t{0}, size_t{1}, size_t{4}}) {
      if (expected[r][c]->empty()) continue;  // an empty cell holds a no-break space
      const std::string cell = Json(*expected[r][c]);
      EXPECT_NE(read.find(cell), std::string::npos) << cell << "\n" << read;
    }
  }
  for (const Row& row : rows) EXPECT_NE(read.find(Json(Number(row.Price))), std::string::npos) << read;
}

}  // namespace
