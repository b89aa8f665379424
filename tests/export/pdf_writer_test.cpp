// The PDF writer: document structure, page tree, cross-reference table and
// fonts, checked by qpdf, read back by pdftotext and rendered by pdftoppm.
// Fonts come from a fixed file (DejaVu Sans), not from the installed set.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "export/writers/ExportToPDF.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Strings.h"
#include "tests/db/TestDataSet.h"
#include "tests/export/interop.h"

namespace {

namespace fs = std::filesystem;
using interop::ReadBytes;

const char kFontFile[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct Row {
  Integer Id;
  const char16_t* Name;
  double Price;
};

const std::vector<Row> kRows = {
    {1, u"Ana (main) \\ office", 3.5},
    {2, u"Žiga Čopič", -12.25},
    {3, u"Špela Đurić", 1234567.5},
};

void Fill(TTestDataSet& ds, const std::vector<Row>& rows) {
  ds.FieldDefs().Add(u"ID", ftInteger);
  ds.FieldDefs().Add(u"NAME", ftWideString, 24);
  ds.FieldDefs().Add(u"PRICE", ftFloat);
  ds.Open();
  for (const Row& row : rows) {
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(row.Id);
    ds.FieldByName(u"NAME")->SetAsString(row.Name);
    ds.FieldByName(u"PRICE")->SetAsFloat(row.Price);
    ds.Post();
  }
  ds.First();
}

class PdfWriterTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = interop::TempDir("pdf");
    saved = TPDFFonts::FontFileLocator;
    TPDFFonts::FontFileLocator = [](const TFont&) { return Utf8ToString(kFontFile); };
  }
  void TearDown() override {
    TPDFFonts::FontFileLocator = saved;
    interop::RemoveTempDir(dir);
  }

  // The rows with a header line and a title row; returns the file's bytes.
  std::string Write(const std::vector<Row>& rows, const fs::path& file,
                    const std::function<void(TRODirezaToPDF&)>& setup = nullptr) {
    TTestDataSet ds;
    Fill(ds, rows);
    TRODirezaToPDF writer;
    writer.SetDataSet(&ds);
    writer.ColumnSource = csDataSet;
    writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
    writer.AnimatedStatus = false;
    writer.AddTitle = true;
    writer.Header = {u"Price list (2026)"};
    writer.DataFormats.DecimalSeparator = u'.';
    writer.FileName = Utf8ToString(file.string());
    if (setup) setup(writer);
    writer.Execute();
    EXPECT_EQ(writer.Statistic.Result, erCompleted);
    return ReadBytes(file);
  }

  fs::path dir;
  std::function<String(const TFont&)> saved;
};

TEST_F(PdfWriterTest, CrossReferenceOffsetsPointAtTheirObjects) {
  const std::string pdf = Write(kRows, dir / "t.pdf");
  ASSERT_EQ(pdf.substr(0, 10), "%PDF-1.2\r\n");
  const size_t startxref = pdf.rfind("startxref\r\n");
  ASSERT_NE(startxref, std::string::npos);
  const size_t xref = std::stoul(pdf.substr(startxref + 11));
  ASSERT_EQ(pdf.substr(xref, 6), "xref\r\n");
  const size_t countAt = xref + 6;
  const size_t size = std::stoul(pdf.substr(countAt + 2));
  size_t entry = pdf.find("\r\n", countAt) + 2;
  EXPECT_EQ(pdf.substr(entry, 20), "0000000000 65535 f\r\n");
  for (size_t object = 1; object < size; ++object) {
    entry += 20;
    const size_t offset = std::stoul(pdf.substr(entry, 10));
    EXPECT_EQ(pdf.substr(entry + 10, 10), " 00000 n\r\n");
    EXPECT_EQ(pdf.substr(offset, std::to_string(object).size() + 6), std::to_string(object) + " 0 obj") << object;
  }
  EXPECT_NE(pdf.find("/Size " + std::to_string(size) + " >> "), std::string::npos);
  EXPECT_EQ(pdf.substr(pdf.size() - 7), "%%EOF\r\n");
  // A4, a title with its parentheses escaped, the cell text escaped.
  EXPECT_NE(pdf.find("/MediaBox [0 0 1190 842] "), std::string::npos);
  EXPECT_NE(pdf.find("(Ana \\(main\\) \\\\ office) Tj"), std::string::npos);
  // Every length is the bytes of its content, never negative.
  EXPECT_EQ(pdf.find("obj\r\n-"), std::string::npos);
}

TEST_F(PdfWriterTest, QpdfChecksAndPdftotextReadsEveryCell) {
  if (!interop::Have("qpdf") || !interop::Have("pdftotext")) GTEST_SKIP() << "qpdf or poppler-utils is not installed";
  Write(kRows, dir / "t.pdf");
  const auto check = interop::Run("qpdf --check '" + (dir / "t.pdf").string() + "'");
  EXPECT_EQ(check.Status, 0) << check.Output;
  EXPECT_NE(check.Output.find("No syntax or stream encoding errors found"), std::string::npos) << check.Output;
  const auto text = interop::Run("pdftotext -layout '" + (dir / "t.pdf").string() + "' -");
  ASSERT_EQ(text.Status, 0) << text.Output;
  for (const char* cell : {"Price list (2026)", "ID", "NAME", "PRICE", "1", "Ana (main) \\ office", "3.5", "2",
                           "Žiga Čopič", "-12.25", "Špela Đurić", "1234567.5"})
    EXPECT_NE(text.Output.find(cell), std::string::npos) << cell << "\n" << text.Output;
}

TEST_F(PdfWriterTest, FirstPageRendersAsReviewed) {
  if (!interop::Have("pdftoppm")) GTEST_SKIP() << "poppler-utils is not installed";
  Write(kRows, dir / "t.pdf");
  // The picture kept beside this test (pdf_writer_first_page.png) was made
  // by this command and looked at; the run checks that poppler renders it.
  const auto rendered = interop::Run("pdftoppm -png -r 60 -f 1 -l 1 -singlefile '" + (dir / "t.pdf").string() +
                                     "' '" + (dir / "page").string() + "'");
  ASSERT_EQ(rendered.Status, 0) << rendered.Output;
  EXPECT_EQ(ReadBytes(dir / "page.png").substr(1, 3), "PNG");
}

TEST_F(PdfWriterTest, PageTreeNodesHoldTenPages) {
  // 42 rows a page: 12 pages need a second node.
  std::vector<Row> rows;
  for (Integer i = 1; i <= 470; ++i) rows.push_back({i, u"Row", i * 1.5});
  const std::string pdf = Write(rows, dir / "long.pdf");
  const std::regex pages("/Type /Page \r\n");
  const auto count = std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), pages), std::sregex_iterator());
  EXPECT_EQ(count, 12);
  EXPECT_NE(pdf.find("/Count 12 >> "), std::string::npos);
  EXPECT_NE(pdf.find("/Count 10 \r\n/Parent 3 0 R"), std::string::npos);
  EXPECT_NE(pdf.find("/Count 2 \r\n/Parent 3 0 R"), std::string::npos);
  if (interop::Have("qpdf")) {
    const auto check = interop::Run("qpdf --check '" + (dir / "long.pdf").string() + "'");
    EXPECT_EQ(check.Status, 0) << check.Output;
  }
}

TEST_F(PdfWriterTest, AnEmptyTableStillHasAPage) {
  const std::string pdf = Write({}, dir / "empty.pdf", [](TRODirezaToPDF& writer) {
    writer.AddTitle = false;
    writer.Header.clear();
  });
  EXPECT_NE(pdf.find("/Count 1 >> "), std::string::npos);
  // The page's content is empty: its length is 0, not -1.
  EXPECT_NE(pdf.find(" 0 obj\r\n0\r\nendobj"), std::string::npos);
  if (interop::Have("qpdf")) {
    const auto check = interop::Run("qpdf --check '" + (dir / "empty.pdf").string() + "'");
    EXPECT_EQ(check.Status, 0) << check.Output;
  }
}

TEST_F(PdfWriterTest, FontsMapToStandardNamesAndEmbedTheirProgram) {
  const struct {
    const char16_t* name;
    TFontStyles style;
    Byte charset;
    const char16_t* base;
    const char16_t* full;
  } cases[] = {
      {u"Arial", FontStyleBit(fsBold) | FontStyleBit(fsItalic), 0, u"Helvetica-BoldOblique", u"Helvetica-BoldOblique"},
      {u"Courier New", FontStyleBit(fsItalic), 0, u"Courier-Oblique", u"Courier-Oblique"},
      {u"Tahoma", 0, 0, u"Times-Roman", u"Times-Roman"},
      {u"Times New Roman", FontStyleBit(fsBold), 238, u"Times-Bold", u"Times-Bold-EastEurope"},
      {u"Arial", 0, 0, u"Helvetica", u"Helvetica"},
  };
  for (const auto& c : cases) {
    TFont font;
    font.Name = c.name;
    font.Style = c.style;
    font.Charset = c.charset;
    const String base = TPDFFonts::FontFamily(font, TPDFFonts::CharSetOf(font));
    EXPECT_EQ(base, c.base);
    EXPECT_EQ(TPDFFonts::GetFontName(base, TPDFFonts::CharSetOf(font)), c.full);
  }
  TPDFFont helvetica;
  helvetica.FontName = u"Helvetica";
  EXPECT_TRUE(TPDFFonts::IsStandard(helvetica));
  helvetica.FontName = u"Helvetica-Bold";
  EXPECT_FALSE(TPDFFonts::IsStandard(helvetica));
  const std::string differences = TPDFFonts::Differences(238);
  EXPECT_EQ(differences.substr(0, 27), "/Differences [\r\n140 /Sacute");
  EXPECT_EQ(differences.substr(differences.size() - 15), "255 /dotaccent]");

  // The default font (Tahoma, the ANSI code page's character set) is a
  // TrueType font embedded as hexadecimal text.
  const std::string pdf = Write(kRows, dir / "f.pdf");
  EXPECT_NE(pdf.find("/BaseFont /Times-Roman \r\n/Encoding "), std::string::npos);
  EXPECT_NE(pdf.find("/Subtype /TrueType "), std::string::npos);
  std::smatch match;
  ASSERT_TRUE(std::regex_search(pdf, match, std::regex("/Length (\\d+) /Length1 (\\d+)")));
  EXPECT_EQ(std::stoul(match[1]), 2 * std::stoul(match[2]));
  EXPECT_EQ(std::stoul(match[2]), fs::file_size(kFontFile));
}

TEST_F(PdfWriterTest, WideTablesGetWiderPages) {
  const std::string pdf = Write(kRows, dir / "w.pdf", [](TRODirezaToPDF& writer) {
    writer.BuildDefaultColumns();
    // Left edges 10, 360, 560: the table ends at 710.
    writer.Columns[0].Width = 44;
    writer.Columns[1].Width = 25;
    writer.Columns[2].Width = 18;
  });
  EXPECT_NE(pdf.find("/MediaBox [0 0 1190 842] "), std::string::npos);
  const std::string landscape = Write(kRows, dir / "l.pdf", [](TRODirezaToPDF& writer) {
    writer.PageSetup.Orientation = emLandscape;
  });
  EXPECT_NE(landscape.find("/MediaBox [0 0 842 595] "), std::string::npos);
}

}  // namespace
