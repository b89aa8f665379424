#include <gtest/gtest.h>

#include "controls/core/ksCopyGridToClipboard.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Clipboard.h"
#include "platform/win/RecordingAutomation.h"
#include "tests/controls_core/test_grid.h"

namespace {

// Copies with the copier's own key handling; the clipboard's text after it.
String CopyText(IksGridCopySource& grid) {
  TksCopyGridToClipboard copier;
  Word key = VK_C;
  Clipboard().SetUnicodeText(u"before");
  copier.OnKeyDown(grid, key, ssCtrl, false);
  EXPECT_EQ(key, 0);
  return Clipboard().GetUnicodeText();
}

using CopyGrid = CopyGridFormatsTest;

}  // namespace

TEST_F(CopyGrid, SelectedRowsAsTabSeparatedQuotedText) {
  TTestGrid grid = NameQtyGrid();
  grid.Selection = {0, 1};
  EXPECT_EQ(CopyText(grid), u"Name\tQty\r\n\"Ana\"\t\"1,200\"\r\n\"Bor\"\t\"\"\r\n");
  EXPECT_EQ(grid.Updates, 0);

  // Selection order is kept; without a selection the focused row alone, with
  // no line break after it.
  grid.Selection = {1, 0};
  EXPECT_EQ(CopyText(grid), u"Name\tQty\r\n\"Bor\"\t\"\"\r\n\"Ana\"\t\"1,200\"\r\n");
  grid.Selection.clear();
  grid.Focused = 1;
  EXPECT_EQ(CopyText(grid), u"Name\tQty\r\n\"Bor\"\t\"\"");
}

TEST_F(CopyGrid, ValuesInTheDisplayFormatsAndQuotesDoubled) {
  TTestGrid grid;
  grid.Cols = {{u"Text", ftString}, {u"Price", ftCurrency}, {u"Ratio", ftFloat}, {u"When", ftDateTime},
               {u"Flag", ftBoolean}, {u"Big", ftUnknown}};
  // 2026-12-11 08:30 is day 46367.
  grid.Rows = {{Variant(String(u"12\" \"pipe\"")), Variant(1234.5), Variant(-0.125), Variant(46367.0 + 8.5 / 24),
                Variant(true), Variant(String(u"tab\there"))}};
  EXPECT_EQ(CopyText(grid),
            u"Text\tPrice\tRatio\tWhen\tFlag\tBig\r\n"
            u"\"12\"\" \"\"pipe\"\"\"\t\"1,234.50\"\t\"-0.13\"\t\"11.12.2026 8:30\"\t\"True\"\t\"tab\there\"");
}

TEST_F(CopyGrid, EmptyCaptionsAndNullsStillCopy) {
  TTestGrid grid;
  grid.Cols = {{u"", ftString}};
  grid.Rows = {{Variant::Null()}};
  EXPECT_EQ(CopyText(grid), u"\r\n\"\"");
}

TEST_F(CopyGrid, OnlyCtrlCAndCtrlInsertOutsideEditingCopy) {
  struct Case { Word key; unsigned shift; bool editing; bool copies; };
  const Case cases[] = {
      {VK_C, ssCtrl, false, true},          {VK_INSERT, ssCtrl, false, true},
      {VK_C, ssCtrl | ssShift, false, false}, {VK_C, ssAlt, false, false},
      {VK_C, ssCtrl, true, false},          {VK_INSERT, 0, false, false},
      {VK_C, 0, false, false},              {Word('V'), ssCtrl, false, false},
  };
  TTestGrid grid = NameQtyGrid();
  TksCopyGridToClipboard copier;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.key << " " << c.shift << " " << c.editing);
    Clipboard().SetUnicodeText(u"before");
    Word key = c.key;
    EXPECT_FALSE(copier.OnKeyDown(grid, key, c.shift, c.editing));
    EXPECT_EQ(key, c.copies ? 0 : c.key);
    EXPECT_EQ(Clipboard().GetUnicodeText() != u"before", c.copies);
  }
}

TEST_F(CopyGrid, SpreadsheetIsTriedOnceThenTheTextRouteAlone) {
  // A spreadsheet application that is registered but cannot start.
  auto server = std::make_shared<TRecordingServer>(u"Excel");
  server->Creatable = false;
  TAutomationRegistration use(ExcelApplicationProgID, server);
  TTestGrid grid = NameQtyGrid();
  {
    TksCopyGridToClipboard copier;
    for (int i = 0; i < 3; ++i) {
      Word key = VK_C;
      copier.OnKeyDown(grid, key, ssCtrl, false);
      EXPECT_EQ(key, 0);
    }
    EXPECT_TRUE(copier.ExcelAppFailed());
    EXPECT_EQ(Clipboard().GetUnicodeText(), u"Name\tQty\r\n\"Ana\"\t\"1,200\"");
  }
  // Tried once, and never quit: it never ran.
  EXPECT_EQ(server->Log(), std::vector<String>{u"create Excel"});
}

TEST(CopyGridTypes, ColumnDataTypesFromFieldTypes) {
  struct Case { TFieldType field; TFieldType expected; };
  const Case cases[] = {
      {ftString, ftString},   {ftMemo, ftString},       {ftWideString, ftWideString}, {ftSmallint, ftSmallint},
      {ftInteger, ftInteger}, {ftAutoInc, ftInteger},   {ftWord, ftWord},             {ftBoolean, ftBoolean},
      {ftFloat, ftFloat},     {ftCurrency, ftCurrency}, {ftDate, ftDateTime},         {ftTime, ftDateTime},
      {ftDateTime, ftDateTime}, {ftLargeint, ftUnknown}, {ftBlob, ftUnknown},
  };
  for (const Case& c : cases) EXPECT_EQ(GetDataTypeByFieldType(c.field), c.expected) << int(c.field);
}
