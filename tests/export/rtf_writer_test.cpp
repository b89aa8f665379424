// The RTF writer: the document's frame, table and escapes, and LibreOffice
// reading the table back with every value, braces, backslashes and
// characters outside the ANSI code page intact.
#include <gtest/gtest.h>

#include "export/writers/ExportToRTF.h"
#include "platform/rtl/Picture.h"
#include "tests/export/markup_fixture.h"

namespace {

using namespace markup;

class RtfWriterTest : public MarkupTest {};

std::string Between(const std::string& text, const std::string& from, const std::string& to) {
  const size_t a = text.find(from);
  if (a == std::string::npos) return "<" + from + " not found>";
  const size_t b = text.find(to, a + from.size());
  return text.substr(a, b == std::string::npos ? std::string::npos : b + to.size() - a);
}

TEST(RtfTwips, MarginsAreScaledBeforeRounding) {
  EXPECT_EQ(GetTwips(2.54f, emCentimeters), 1440);
  EXPECT_EQ(GetTwips(0.5f, emInch), 720);
  EXPECT_EQ(GetTwips(1.25f, emPicas), 90);
  EXPECT_EQ(GetTwips(36.5f, emPoint), 36);  // halves to the even neighbour
}

TEST_F(RtfWriterTest, FrameTableCellsAndEscapes) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"A", ftWideString, 40);
  ds.FieldDefs().Add(u"B", ftWideString, 40);
  ds.FieldDefs().Add(u"C", ftInteger);
  ds.Open();
  ds.Append();
  ds.FieldByName(u"A")->SetAsString(u"{x} \\y\\");
  ds.FieldByName(u"B")->SetAsString(u"\u010C \u263A \U0001F600\r\nnext");
  ds.FieldByName(u"C")->SetAsInteger(7);
  ds.Post();
  ds.First();
  TRODirezaToRTF writer;
  PrepareWriter(writer, ds, dir / "t.rtf");
  writer.BuildDefaultColumns();
  for (auto& column : writer.Columns) column->Width = 10;
  writer.Columns[2].Alignment = taRightJustify;
  writer.PageSetup.UseDefault = false;
  writer.PageSetup.Measure = emCentimeters;
  writer.PageSetup.LeftMargin = 2.54f;
  writer.PageSetup.Orientation = emLandscape;
  writer.Header = {u"head {1}"};
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);

  const std::string rtf = ReadBytes(dir / "t.rtf");
  EXPECT_EQ(rtf.substr(0, 33), "{\\rtf1\\ansi\\ansicpg1250\\uc1\r\n{\\fo");
  EXPECT_EQ(Between(rtf, "{\\fonttbl", "\r\n"), "{\\fonttbl}\r\n");
  EXPECT_EQ(Between(rtf, "{\\colortbl", "\r\n"), "{\\colortbl;}\r\n");
  EXPECT_NE(rtf.find("\\margl1440\\margr0\\margt0\\margb0\r\n\\paperw16840\\paperh11907\r\n"), std::string::npos);
  EXPECT_NE(rtf.find("head \\{1\\} \\par\r\n"), std::string::npos);
  EXPECT_EQ(Between(rtf, "\\cellx", "\\cellx7866\r\n"),
            "\\cellx2646\r\n\\clbrdrl\\brdrth \\clbrdrr\\brdrth \\clbrdrt\\brdrth \\clbrdrb\\brdrth "
            "\\cellx5256\r\n\\clbrdrl\\brdrth \\clbrdrr\\brdrth \\clbrdrt\\brdrth \\clbrdrb\\brdrth \\cellx7866\r\n");
  // Braces and backslashes escaped; the national letter in the code page,
  // the others as \u escapes (a surrogate pair as two); line breaks as \line.
  EXPECT_NE(rtf.find("\\pard\\intbl\\li30\\ri30{ \\{x\\} \\\\y\\\\}\\cell"
                     "\\pard\\intbl\\li30\\ri30{ \xC8 \\u9786? \\u-10179?\\u-8704?\\line next}\\cell"
                     "\\pard\\intbl\\li30\\ri30\\qr{ 7}\\cell\\row\r\n"),
            std::string::npos)
      << rtf;
  EXPECT_EQ(rtf.substr(rtf.size() - 12), "\\pard\r\n\\par}");
}

TEST_F(RtfWriterTest, FontAndColourTables) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"N", ftInteger);
  ds.Open();
  for (int i = 0; i < 12; ++i) {
    ds.Append();
    ds.FieldByName(u"N")->SetAsInteger(i);
    ds.Post();
  }
  ds.First();
  TRODirezaToRTF writer;
  PrepareWriter(writer, ds, dir / "f.rtf");
  writer.Options |= OptionBit(soColorsFonts);
  writer.OnGetCellParams = [](TSMECustomBaseComponent* sender, TField*, String&, TFont& font, TAlignment&,
                              TColor& background, TCellType&) {
    const Integer row = sender->Statistic.CurrentRow;
    font.Name = u"A font with a rather long name number " + IntToStr(row);
    font.Size = 10;
    font.Style = FontStyleBit(fsBold) | FontStyleBit(fsUnderline);
    font.Color = row % 2 == 0 ? clWhite : 0x000000FF;
    background = row % 2 == 0 ? clWhite : 0x00FF0000;
  };
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  const std::string rtf = ReadBytes(dir / "f.rtf");
  const std::string fonts = Between(rtf, "{\\fonttbl", "}\r\n{\\colortbl");
  size_t lines = 0;
  for (size_t from = 0, at; (at = fonts.find("\r\n", from)) != std::string::npos; from = at + 2) {
    EXPECT_LE(at - from, 254u);
    ++lines;
  }
  EXPECT_GE(lines, 2u) << "twelve long font names take more than one line";
  EXPECT_NE(fonts.find("{\\f11 A font with a rather long name number 11;}"), std::string::npos);
  // White backgrounds and white fonts take no colour entry.
  EXPECT_EQ(Between(rtf, "{\\colortbl", "\r\n"), "{\\colortbl;\\red0\\green0\\blue255;\\red255\\green0\\blue0;}\r\n");
  EXPECT_NE(rtf.find("{\\f0\\fs20\\b\\ul 0}\\cell"), std::string::npos);
  EXPECT_NE(rtf.find("{\\f1\\fs20\\b\\ul\\highlight1\\cf2 1}\\cell"), std::string::npos);
}

TEST_F(RtfWriterTest, PicturesAreDeviceIndependentBitmaps) {
  const TPicture picture = TPicture::FromPixels(2, 1, std::vector<Cardinal>{0xFF0000, 0x0000FF});
  TTestDataSet ds;
  ds.FieldDefs().Add(u"P", ftGraphic);
  ds.Open();
  ds.Append();
  ds.FieldByName(u"P")->SetAsBytes(picture.BmpFile());
  ds.Post();
  ds.Append();
  ds.FieldByName(u"P")->SetAsBytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
  ds.Post();
  ds.First();
  TRODirezaToRTF writer;
  PrepareWriter(writer, ds, dir / "p.rtf");
  EXPECT_THROW(writer.Execute(), EInvalidGraphic) << "a picture that cannot be converted fails the run";
  const std::string rtf = ReadBytes(dir / "p.rtf");
  EXPECT_NE(rtf.find("\\pard{\\pict\\picw2\\pich1\\dibitmap0 \r\n28000000020000000100000001001800"), std::string::npos)
      << rtf;
  EXPECT_NE(rtf.find("0000FFFF00000000 }\\cell"), std::string::npos);
}

TEST_F(RtfWriterTest, LibreOfficeShowsThePicture) {
  const std::vector<Cardinal> pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0x000000, 0xFFFFFF, 0x808080};
  const TPicture picture = TPicture::FromPixels(3, 2, pixels);
  TTestDataSet ds;
  ds.FieldDefs().Add(u"P", ftGraphic);
  ds.Open();
  ds.Append();
  ds.FieldByName(u"P")->SetAsBytes(picture.BmpFile());
  ds.Post();
  ds.First();
  TRODirezaToRTF writer;
  const fs::path file = dir / "picture.rtf";
  PrepareWriter(writer, ds, file);
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  const fs::path html = LibreOfficeConvert(file, "html", "html", dir);
  if (html.empty()) GTEST_SKIP() << "LibreOffice is not installed or could not convert";
  const std::string page = ReadBytes(html);
  const size_t img = page.find("<img src=\"");
  ASSERT_NE(img, std::string::npos) << page;
  EXPECT_NE(page.find("width=\"3\" height=\"2\"", img), std::string::npos) << page;
  const size_t from = img + 10;
  const std::string name = page.substr(from, page.find('"', from) - from);
  // LibreOffice saves the picture with a wrong file header (its bits offset
  // and size leave out the header itself; Pillow misreads it too), so the
  // DIB behind the header is compared.
  const std::string saved = ReadBytes(dir / name);
  ASSERT_GT(saved.size(), 14u);
  EXPECT_EQ(TPicture::FromBytes(saved.substr(14)).Rgb24(), picture.Rgb24()) << name;
}

TEST_F(RtfWriterTest, LibreOfficeReadsTheTable) {
  const std::vector<Row> rows = HardRows(false);
  FormatSettings.ShortDateFormat = u"yyyy/mm/dd";
  TTestDataSet ds;
  FillHardTable(ds, rows);
  TRODirezaToRTF writer;
  const fs::path file = dir / "people.rtf";
  PrepareWriter(writer, ds, file);
  writer.AddTitle = true;
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);

  const fs::path html = LibreOfficeConvert(file, "html", "html", dir);
  if (html.empty()) GTEST_SKIP() << "LibreOffice is not installed or could not convert";
  Cells expected = {{u"ID", u"First Name", u"PRICE", u"BORN", u"NOTES"}};
  for (const Row& row : rows)
    expected.push_back({IntToStr(row.Id), Visible(row.Name ? row.Name : u""), Number(row.Price),
                        row.Born != 0 ? IsoDate(row.Born) : String(), Visible(row.Notes ? row.Notes : u"")});
  EXPECT_EQ(RunCommand("/usr/bin/python3 read_html_tables.py '" + html.string() + "' 2>&1"), Json(expected))
      << ReadBytes(file);
}

}  // namespace
