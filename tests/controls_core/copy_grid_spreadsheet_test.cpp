// The spreadsheet route of the grid copier, against a recording automation
// server registered as the spreadsheet application.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "controls/core/ksCopyGridToClipboard.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Clipboard.h"
#include "platform/win/RecordingAutomation.h"
#include "tests/controls_core/test_grid.h"

namespace {

const String Book = u"Excel.Workbooks.Add()";
const String Sheet = Book + u".WorkSheets(1)";

String Cell(int row, int column) {
  return Sheet + u".Cells(" + IntToStr(row) + u", " + IntToStr(column) + u")";
}

// The lines that write one cell: its number format, then its value.
void ExpectCell(std::vector<String>& expected, int row, int column, const String& format, const String& value) {
  expected.push_back(u"get " + Cell(row, column));
  expected.push_back(u"put " + Cell(row, column) + u".NumberFormat = " + format);
  expected.push_back(u"put " + Cell(row, column) + u".Value = " + value);
}

class CopyGridSpreadsheet : public CopyGridFormatsTest {
 protected:
  void SetUp() override {
    CopyGridFormatsTest::SetUp();
    // The spreadsheet's Copy puts the range's text on the clipboard.
    Server->OnCall = [this](const TAutomationCall& call, Variant&) {
      if (call.Kind == TAutomationCall::acCall && call.Name == u"Copy") Clipboard().SetUnicodeText(CopiedText);
      return false;
    };
  }
  void TearDown() override { CopyGridToClipboardFinalize(); }

  // Presses Ctrl+C; whether the copier consumed it.
  static bool PressCtrlC(TksCopyGridToClipboard& copier, IksGridCopySource& grid) {
    Word key = VK_C;
    Clipboard().SetUnicodeText(u"before");
    copier.OnKeyDown(grid, key, ssCtrl, false);
    return key == 0;
  }

  std::shared_ptr<TRecordingServer> Server = std::make_shared<TRecordingServer>(u"Excel");
  TAutomationRegistration FUse{ExcelApplicationProgID, Server};
  String CopiedText = u"Name\tQty\r\n";
};

}  // namespace

TEST_F(CopyGridSpreadsheet, FillsAWorkbookCopiesItsRangeAndQuitsTheApplicationItStarted) {
  TTestGrid grid = NameQtyGrid();
  grid.Selection = {1, 0};
  ASSERT_TRUE(PressCtrlC(CopyGridToClipboard(), grid));
  EXPECT_EQ(Clipboard().GetUnicodeText(), CopiedText);
  EXPECT_EQ(grid.Updates, 0);

  std::vector<String> expected = {u"create Excel", u"put Excel.DisplayAlerts = False", u"get Excel.Workbooks",
                                  u"call " + Book, u"get " + Sheet};
  ExpectCell(expected, 1, 1, u"\"@\"", u"\"Name\"");
  ExpectCell(expected, 1, 2, u"\"@\"", u"\"Qty\"");
  // Rows in selection order; an integer's format has no spreadsheet form.
  ExpectCell(expected, 2, 1, u"\"@\"", u"\"Bor\"");
  ExpectCell(expected, 2, 2, u"\"\"", u"Null");
  ExpectCell(expected, 3, 1, u"\"@\"", u"\"Ana\"");
  ExpectCell(expected, 3, 2, u"\"\"", u"1200");
  const String range = Sheet + u".Range(" + Cell(1, 1) + u", " + Cell(3, 2) + u")";
  for (const String& line : {u"get " + Cell(1, 1), u"get " + Cell(3, 2), u"get " + range, u"call " + range + u".Copy()"})
    expected.push_back(line);
  EXPECT_EQ(Server->Log(), expected);

  // The next copy closes the previous workbook and keeps the application.
  Server->ClearLog();
  ASSERT_TRUE(PressCtrlC(CopyGridToClipboard(), grid));
  std::vector<String> log = Server->Log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], u"call " + Book + u".Close()");
  EXPECT_EQ(log[1], u"get Excel.Workbooks");
  EXPECT_TRUE(Server->LogOf(u"create").empty());

  // The application goes with the process's copier.
  Server->ClearLog();
  CopyGridToClipboardFinalize();
  EXPECT_EQ(Server->Log(), std::vector<String>{u"call Excel.Quit()"});
}

TEST_F(CopyGridSpreadsheet, CellFormatsComeFromTheDisplayFormatsInTheSpreadsheetsForm) {
  TTestGrid grid;
  grid.Cols = {{u"Price", ftCurrency}, {u"Ratio", ftFloat}, {u"When", ftDateTime}, {u"Flag", ftBoolean},
               {u"Big", ftUnknown}};
  grid.Rows = {{Variant(1.5), Variant(2.25), Variant(46367.5), Variant(true), Variant(String(u"x"))}};
  IksDisplayFormats formats = DisplayFormats();
  formats->SetFloatFormat(u"0.000");
  TksCopyGridToClipboard copier;
  // Without a selection the focused row alone goes to row 2.
  ASSERT_TRUE(PressCtrlC(copier, grid));
  const std::vector<String> formatsPut = Server->LogOf(u"put " + Sheet + u".Cells(2,");
  std::vector<String> expected;
  for (const auto& [column, format] : std::vector<std::pair<int, String>>{
           {1, u"\"#.##0,00\""}, {2, u"\"0,000\""}, {3, u"\"d.M.yyyy H:mm\""}, {4, u"\"@\""}, {5, u"\"@\""}})
    expected.push_back(u"put " + Cell(2, column) + u".NumberFormat = " + format);
  std::vector<String> numberFormats;
  std::copy_if(formatsPut.begin(), formatsPut.end(), std::back_inserter(numberFormats),
               [](const String& line) { return line.find(u".NumberFormat") != String::npos; });
  EXPECT_EQ(numberFormats, expected);
  const String range = Sheet + u".Range(" + Cell(1, 1) + u", " + Cell(2, 5) + u")";
  EXPECT_EQ(Server->LogOf(u"call " + range).size(), 1u);
}

TEST_F(CopyGridSpreadsheet, AFailedOrBlankSpreadsheetCopyFallsBackToTheText) {
  struct Case { const char* what; String failing; String copied; };
  const Case cases[] = {
      {"adding a workbook fails", u"Excel.Workbooks.Add", u"Name\tQty"},
      {"writing a cell fails", Cell(2, 2) + u".Value", u"Name\tQty"},
      {"copying fails", Sheet + u".Range(" + Cell(1, 1) + u", " + Cell(2, 2) + u").Copy", u"Name\tQty"},
      {"the copy leaves only blanks", u"", u" \r\n\t"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto server = std::make_shared<TRecordingServer>(u"Excel");
    server->OnCall = Server->OnCall;
    if (!c.failing.empty()) server->Fail(c.failing, u"Automation error");
    TAutomationRegistration use(ExcelApplicationProgID, server);
    CopiedText = c.copied;
    TTestGrid grid = NameQtyGrid();
    grid.Focused = 1;
    {
      TksCopyGridToClipboard copier;
      ASSERT_TRUE(PressCtrlC(copier, grid));
      EXPECT_EQ(Clipboard().GetUnicodeText(), u"Name\tQty\r\n\"Bor\"\t\"\"");
      EXPECT_EQ(grid.Updates, 0);
      EXPECT_FALSE(copier.ExcelAppFailed());
    }
    // The application was started, so it is quit.
    EXPECT_EQ(server->LogOf(u"call Excel.Quit").size(), 1u);
  }
}

TEST_F(CopyGridSpreadsheet, AWorkbookThatCannotCloseFailsOneCopyOnly) {
  TTestGrid grid = NameQtyGrid();
  TksCopyGridToClipboard copier;
  ASSERT_TRUE(PressCtrlC(copier, grid));
  Server->Fail(Book + u".Close", u"The RPC server is unavailable");
  Word key = VK_C;
  EXPECT_THROW(copier.OnKeyDown(grid, key, ssCtrl, false), EOleException);
  EXPECT_EQ(key, VK_C);
  // The dead workbook is forgotten: the next copy starts a new one.
  Server->ClearLog();
  ASSERT_TRUE(PressCtrlC(copier, grid));
  EXPECT_TRUE(Server->LogOf(u"call " + Book + u".Close").empty());
  const std::vector<String> log = Server->Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), u"call " + Book), 1);
}
