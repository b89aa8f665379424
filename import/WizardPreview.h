// The import wizard's previews without a display: the text sample and the
// column-break editor of fixed-width text (step 5), the file preview that
// reads the first rows through the source's reader and proposes the default
// mappings (step 6), and the data preview of the mapped rows (step 8).
#pragma once

#include <functional>
#include <vector>

#include "import/WizardFormState.h"
#include "import/readers/ImportFromCell.h"
#include "import/readers/TextLines.h"

class TSMIWizardDlg;

// A grid of texts: Cells[row][column].
class TPreviewGrid {
 public:
  Integer RowCount() const { return static_cast<Integer>(FCells.size()); }
  Integer ColCount() const { return FColCount; }
  void SetRowCount(Integer rows);
  void SetColCount(Integer columns);
  // Empty outside the grid.
  String Cell(Integer column, Integer row) const;
  // Grows the grid to hold the cell.
  void SetCell(Integer column, Integer row, const String& text);
  // Empties the cells of rows from firstRow on.
  void ClearRows(Integer firstRow);
  Integer FixedRows = 0;

 private:
  std::vector<std::vector<String>> FCells;
  Integer FColCount = 0;
};

// The file preview of step 6: row 0 holds the column headers, row 1 is a
// thin separator, data rows start at row 2; column 0 numbers the rows.
class TWizardPreview {
 public:
  TWizardPreview(TWizardFormState& state, TSMIWizardDlg* wizard) : FState(state), FWizard(wizard) {}

  TPreviewGrid Grid;
  // The raw lines of a text or clipboard source.
  TTextLines Sample;
  // The source column names; after a load its first entry is empty (no
  // source).
  std::vector<String> FieldList;

  // Reads the text sample; fills the grid for delimited text, proposes
  // breaks for fixed width when there are none.
  void LoadTxt();
  // The file preview; a reader's failure leaves what was loaded.
  void LoadFileToGrid();
  // Proposes the mappings of destination fields to source columns.
  // controlsToComponent writes the form into a temporary import component.
  void BuildDefaultMappings(const std::function<void(TRADerevuBaseComponent&)>& controlsToComponent);
  // Maps the preview's columns in order to the destination fields in order
  // (the "auto map" image).
  void AutoMapColumns();
  // Maps the source column to the destination field (its caption); the
  // field that had this source loses it. An empty caption only unmaps.
  void MapColumn(Integer column, const String& destinationCaption);
  // The row callback every preview loader gets: ColumnCount values of
  // preview row RowIndex (1 for the first).
  void PreviewCallBack(Integer columnCount, Integer rowIndex, bool isOEM, const std::vector<TPreviewValue>& values);
  // Another sheet of a workbook was chosen.
  void SheetChanged(Integer sheet);

 private:
  void ApplyPreviewGridStyle();
  void LoadSheet(Integer sheet);

  TWizardFormState& FState;
  TSMIWizardDlg* FWizard;
};

// The break editor's geometry: character and line sizes of the font and the
// scroll offsets.
class TBreakEditor {
 public:
  explicit TBreakEditor(TWizardFormState& state) : FState(state) {}
  Integer CharWidth = 7;
  Integer HorzOffset = 0;
  Integer VertOffset = 0;
  // The break being dragged, -1 for none.
  Integer Dragged = -1;
  bool Pressed = false;

  // Whole characters in a text area of that width; 0 when the font has no
  // width, so nothing divides by it.
  Integer VisibleColumns(Integer width) const;
  void MouseDown(Integer x, bool doubleClick);
  void MouseMove(Integer x);
  void MouseUp() { Pressed = false; }

 private:
  TWizardFormState& FState;
};

// The data preview of step 8: one column per mapped field, headed with its
// caption, one row per previewed row.
void BuildPreviewGrid(const TWizardFormState& state, const TPreviewGrid& filePreview, TPreviewGrid& grid);
// The value of an expression for preview row rowIndex (1 for the first):
// names of preview columns read that row's cell.
Variant GetEvalValue(const TPreviewGrid& filePreview, const String& expression, Integer rowIndex);
