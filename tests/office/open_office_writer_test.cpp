// The OpenOffice target end to end: LibreOffice makes and stores the
// document, and a separate LibreOffice run converts it back to text, which
// must hold the header lines, the table and the footer lines in order.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "export/writers/ExportToOpenOffice.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Picture.h"
#include "platform/rtl/Strings.h"
#include "platform/win/OfficeAutomation.h"
#include "tests/db/TestDataSet.h"
#include "tests/export/run_tool.h"

namespace {

namespace fs = std::filesystem;

class OpenOfficeEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    if (!OpenOfficeIsInstalled()) GTEST_SKIP() << "LibreOffice or python3-uno is not installed";
    dir = FreshFolder("open office \u017E");
    ds.FieldDefs().Add(u"ID", ftInteger);
    ds.FieldDefs().Add(u"NAME", ftWideString, 30);
    ds.FieldDefs().Add(u"PRICE", ftFloat);
    ds.Open();
    const std::tuple<int, const char16_t*, double> rows[] = {
        {1, u"\u010Ce\u0161nja", 2.5}, {2, u"O'Brien & <Co>", -1}, {3, u"\u4E2D \u20AC", 1234.5}};
    for (const auto& [id, name, price] : rows) {
      ds.Append();
      ds.FieldByName(u"ID")->SetAsInteger(id);
      ds.FieldByName(u"NAME")->SetAsString(name);
      ds.FieldByName(u"PRICE")->SetAsFloat(price);
      ds.Post();
    }
    ds.First();
  }
  void TearDown() override {
    if (!dir.empty()) fs::remove_all(dir);
  }

  void Prepare(TRODirezaToOpenOffice& writer, const fs::path& file) {
    writer.SetDataSet(&ds);
    writer.ColumnSource = csDataSet;
    writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
    writer.AnimatedStatus = false;
    writer.DataFormats.DecimalSeparator = u'.';
    writer.DataFormats.ThousandSeparator = 0;
    writer.FileName = Utf8ToString(file.string());
    writer.AddTitle = true;
    writer.Header = {u"Price list", u"\u0160tevilka 7"};
    writer.Footer = {u"End of list"};
  }

  // The document as text, by a LibreOffice run of its own; lines without
  // their ends, blank lines left out.
  std::vector<std::string> AsText(const fs::path& file) {
    const fs::path out = dir / "text";
    fs::create_directories(out);
    const std::string profile = "file:///tmp/office_text_" + std::to_string(::getpid());
    const ToolResult converted =
        RunTool("soffice --headless -env:UserInstallation=" + profile +
                " --convert-to 'txt:Text (encoded):UTF8' --outdir '" + out.string() + "' '" + file.string() +
                "' 2>&1");
    fs::remove_all("/tmp/office_text_" + std::to_string(::getpid()));
    const fs::path text = out / (file.stem().string() + ".txt");
    std::ifstream in(text, std::ios::binary);
    EXPECT_TRUE(in.good()) << converted.Output;
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
      if (!line.empty()) lines.push_back(line);
    }
    fs::remove(text);
    return lines;
  }

  fs::path dir;
  TTestDataSet ds;
};

const std::vector<std::string> Expected = {
    "Price list", "\xC5\xA0tevilka 7", "ID", "NAME", "PRICE", "1", "\xC4\x8C" "e\xC5\xA1nja", "2.5",
    "2", "O'Brien & <Co>", "-1", "3", "\xE4\xB8\xAD \xE2\x82\xAC", "1234.5", "End of list"};

TEST_F(OpenOfficeEndToEnd, StoredDocumentsHoldHeaderTableAndFooterInOrder) {
  std::vector<String> filters;
  TRODirezaToOpenOffice::GetFilterNames(filters);
  ASSERT_NE(std::find(filters.begin(), filters.end(), u"MS Word 97"), filters.end());
  // The suite's own format, and a filter the wizard offers (the default).
  const std::pair<const char*, const char16_t*> cases[] = {{"list one.odt", u"writer8"},
                                                           {"list \xC4\x8D.doc", defOOFilterName}};
  for (const auto& [name, filter] : cases) {
    SCOPED_TRACE(name);
    TRODirezaToOpenOffice writer;
    Prepare(writer, dir / name);
    writer.FilterName = filter;
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
    EXPECT_EQ(AsText(dir / name), Expected);
  }
}

TEST_F(OpenOfficeEndToEnd, AMergeAppendsToTheStoredDocument) {
  const fs::path file = dir / "merged.odt";
  for (int run = 0; run < 2; ++run) {
    TRODirezaToOpenOffice writer;
    Prepare(writer, file);
    writer.FilterName = u"writer8";
    if (run == 1) writer.Options |= OptionBit(soMergeData);
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
  }
  std::vector<std::string> twice = Expected;
  twice.insert(twice.end(), Expected.begin(), Expected.end());
  EXPECT_EQ(AsText(file), twice);
}

TEST_F(OpenOfficeEndToEnd, AnAttachedSuiteIsLeftRunningAndTakesFontsAndColours) {
  Variant running = CreateOleObject(OpenOfficeProgID);
  TRODirezaToOpenOffice writer;
  Prepare(writer, dir / "attached.odt");
  writer.FilterName = u"writer8";
  writer.UseCurrentInstance = true;
  // Fonts and colours reach the suite in the types its properties take.
  writer.Options |= OptionBit(soColorsFonts);
  writer.BuildDefaultColumns();
  writer.Columns[1].Font.Style = FontStyleBit(fsBold) | FontStyleBit(fsUnderline);
  writer.Columns[1].Font.Color = 0x0000FF;
  writer.Columns[1].Color = 0x00FFCC;
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  // The suite we started still answers.
  Variant desktop = OleCall(running, u"CreateInstance", {u"com.sun.star.frame.Desktop"});
  EXPECT_EQ(OleGet(desktop, u"GetComponents").VarType(), varDispatch);
  EXPECT_EQ(AsText(dir / "attached.odt"), Expected);
  // Red text on a yellow-green cell, not their channels swapped.
  const std::string content = RunTool("unzip -p '" + (dir / "attached.odt").string() + "' content.xml").Output;
  EXPECT_NE(content.find("fo:color=\"#ff0000\""), std::string::npos) << content;
  EXPECT_NE(content.find("fo:background-color=\"#ccff00\""), std::string::npos) << content;
  EXPECT_NE(content.find("fo:font-weight="), std::string::npos);
  EXPECT_NE(content.find("style:text-underline-style=\"solid\""), std::string::npos);
}

// A picture cell becomes a graphic object embedded in the document.
TEST_F(OpenOfficeEndToEnd, PicturesAreEmbedded) {
  TTestDataSet pictures;
  pictures.FieldDefs().Add(u"ID", ftInteger);
  pictures.FieldDefs().Add(u"P", ftGraphic);
  pictures.Open();
  pictures.Append();
  pictures.FieldByName(u"ID")->SetAsInteger(1);
  const Cardinal pixels[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  pictures.FieldByName(u"P")->SetAsBytes(TPicture::FromPixels(2, 2, pixels).BmpFile());
  pictures.Post();
  pictures.First();
  TRODirezaToOpenOffice writer;
  Prepare(writer, dir / "pictures.odt");
  writer.SetDataSet(&pictures);
  writer.Header.clear();
  writer.Footer.clear();
  writer.FilterName = u"writer8";
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  const ToolResult listed = RunTool("unzip -l '" + (dir / "pictures.odt").string() + "'");
  EXPECT_NE(listed.Output.find("Pictures/"), std::string::npos) << listed.Output;
}

}  // namespace
