// Copies the selected rows of a grid view to the clipboard as a table that
// pastes into a spreadsheet: the column captions, then one line per row,
// each value in quotes (quotes inside doubled), numbers and dates in the
// display formats. The grid is reached through IksGridCopySource, so the
// text is made without a display.
#pragma once

#include <vector>

#include "controls/core/ksDisplayFormats.h"
#include "platform/db/DBTypes.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

struct TksCopyColumn {
  String Caption;
  // The data type that picks the column's display format.
  TFieldType DataType = ftUnknown;
};

// What the copier reads of a grid view.
class IksGridCopySource {
 public:
  virtual ~IksGridCopySource() = default;
  // The columns of a clipboard copy, in their order.
  virtual std::vector<TksCopyColumn> Columns() = 0;
  // The selected rows in selection order; empty when none is selected.
  virtual std::vector<int> SelectedRows() = 0;
  // The focused row, -1 when there is none.
  virtual int FocusedRow() = 0;
  // The row's values, one per column (Null for a null value).
  virtual void RowValues(int row, std::vector<Variant>& values) = 0;
  // Brackets the reading of the rows, so the view repaints once.
  virtual void BeginUpdate() {}
  virtual void EndUpdate() {}
};

// The field data type of a column bound to a field of the type, as the
// grid's value types give it: strings, wide strings, the small integer,
// integer, word, Boolean, float and currency types and date-time; every
// other type (large integers, BCD, blobs...) gives ftUnknown.
TFieldType GetDataTypeByFieldType(TFieldType fieldType);

// The building blocks of the delimited copy.
String CopyColumnCaptionsToText(const std::vector<TksCopyColumn>& columns, StringView delimiter);
// Appends the row's values, each in quotes, joined by the delimiter.
void CopyRecordColumnsToText(String& out, IksGridCopySource& source, int row,
                             const std::vector<TksCopyColumn>& columns, const TksDisplayFormats& formats,
                             StringView delimiter, StringView quote);
// Appends the selected rows each followed by the line break, or the focused
// row alone without one.
void CopyGridRecordsToText(String& out, IksGridCopySource& source, const std::vector<TksCopyColumn>& columns,
                           const TksDisplayFormats& formats, StringView delimiter, StringView quote,
                           StringView lineBreak);
// The whole copy: the caption line, the line break, the rows.
String GridToDelimitedText(IksGridCopySource& source, const TksDisplayFormats& formats, StringView delimiter,
                           StringView quote, StringView lineBreak);

// Virtual key codes and shift states of a key press.
inline constexpr Word VK_INSERT = 45;
inline constexpr Word VK_C = 67;
enum TksShift : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };

class TksCopyGridToClipboard {
 public:
  TksCopyGridToClipboard() = default;
  virtual ~TksCopyGridToClipboard();
  TksCopyGridToClipboard(const TksCopyGridToClipboard&) = delete;
  TksCopyGridToClipboard& operator=(const TksCopyGridToClipboard&) = delete;

  // Ctrl+C or Ctrl+Insert outside cell editing copies the rows (first the
  // spreadsheet route, then the delimited text with tab, quote and CR LF);
  // a successful copy sets the key to 0. Always false.
  bool OnKeyDown(IksGridCopySource& source, Word& key, unsigned shift, bool editing);
  // The spreadsheet route; false when no spreadsheet application runs.
  bool CopyToExcelAndBack(IksGridCopySource& source);
  // Puts the delimited text on the clipboard; false on any failure or when
  // the text is blank.
  bool CopyDelimited(IksGridCopySource& source, StringView delimiter, StringView quote, StringView lineBreak);

  // Whether a spreadsheet application is available. Creation is tried once
  // per copier: a failure is remembered and never tried again.
  bool ExcelAppCreate();
  void ExcelAppClose();
  bool ExcelAppFailed() const { return FExcelAppFailed; }

 protected:
  // Starts the spreadsheet application; false when none can be started.
  // No automation server for a spreadsheet is installed on this platform,
  // so the copier answers as on a machine without one.
  virtual bool CreateExcelApp() { return false; }
  virtual void QuitExcelApp() {}

 private:
  bool FExcelApp = false;
  bool FExcelAppFailed = false;
};

// The process's copier, made on first use.
TksCopyGridToClipboard& CopyGridToClipboard();
