// A grid in memory for the copier's tests: columns, rows of values, a
// selection and a focus, and whether its update bracket is balanced.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "controls/core/ksCopyGridToClipboard.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/ScopeGuards.h"

class TTestGrid : public IksGridCopySource {
 public:
  std::vector<TksCopyColumn> Cols;
  std::vector<std::vector<Variant>> Rows;
  std::vector<int> Selection;
  int Focused = 0;
  int Updates = 0;

  std::vector<TksCopyColumn> Columns() override { return Cols; }
  std::vector<int> SelectedRows() override { return Selection; }
  int FocusedRow() override { return Focused; }
  void RowValues(int row, std::vector<Variant>& values) override { values = Rows.at(size_t(row)); }
  void BeginUpdate() override { ++Updates; }
  void EndUpdate() override { --Updates; }
};

// A text column Name and an integer column Qty: Ana with 1200, Bor with a
// null.
inline TTestGrid NameQtyGrid() {
  TTestGrid grid;
  grid.Cols = {{u"Name", ftString}, {u"Qty", ftInteger}};
  grid.Rows = {{Variant(String(u"Ana")), Variant(1200)}, {Variant(String(u"Bor")), Variant::Null()}};
  return grid;
}

// Comma thousands, point decimals, "d.M.yyyy" dates and "H:mm" times for the
// test, and the process's settings back after it.
class CopyGridFormatsTest : public testing::Test {
 protected:
  void SetUp() override {
    FormatSettings.ThousandSeparator = u',';
    FormatSettings.DecimalSeparator = u'.';
    FormatSettings.ShortDateFormat = u"d.M.yyyy";
    FormatSettings.ShortTimeFormat = u"H:mm";
  }
  TRestoreValue<TFormatSettings> FKeep{FormatSettings};
};
