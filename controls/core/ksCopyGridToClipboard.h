// Copies the selected rows of a grid view to the clipboard as a table that
// pastes into a spreadsheet. Where a spreadsheet application is registered
// for automation, the column captions and rows go into a new workbook of it,
// each cell with its number format, and the spreadsheet copies that range,
// so the clipboard carries its own formats. Otherwise the copier writes the
// text itself: the captions, then one line per row, each value in quotes
// (quotes inside doubled), numbers and dates in the display formats. The
// grid is reached through IksGridCopySource, so the copy needs no display.
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

// The building blocks of the spreadsheet route; rows and columns of the
// sheet count from 1. The captions go into the row from the column, each
// cell formatted as text; returns the number of columns.
int CopyColumnCaptionsToExcel(const std::vector<TksCopyColumn>& columns, int row, int column, const Variant& sheet);
// The selected rows (or the focused row alone) from the first row down;
// returns the number of sheet rows used.
int CopyGridRecordsToExcel(IksGridCopySource& source, const std::vector<TksCopyColumn>& columns,
                           const TksDisplayFormats& formats, int firstRow, int firstColumn, const Variant& sheet);
// The row's values into consecutive cells of the sheet row; nothing for an
// absent row (-1).
void CopyRecordColumnsToExcel(IksGridCopySource& source, int row, const std::vector<TksCopyColumn>& columns,
                              const TksDisplayFormats& formats, int sheetRow, int firstColumn, const Variant& sheet);
// The cell's number format from the column's display format in its
// spreadsheet form, then the raw value.
void CopyRecordColumnToExcelCell(const Variant& value, TFieldType dataType, const TksDisplayFormats& formats,
                                 const Variant& cell);

// Virtual key codes and shift states of a key press.
inline constexpr Word VK_INSERT = 45;
inline constexpr Word VK_C = 67;
enum TksShift : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };

// The program identifier of the spreadsheet application the copier drives.
inline constexpr char16_t ExcelApplicationProgID[] = u"Excel.Application";

class TksCopyGridToClipboard {
 public:
  TksCopyGridToClipboard() = default;
  // Quits the spreadsheet application when the copier started one.
  ~TksCopyGridToClipboard();
  TksCopyGridToClipboard(const TksCopyGridToClipboard&) = delete;
  TksCopyGridToClipboard& operator=(const TksCopyGridToClipboard&) = delete;

  // Ctrl+C or Ctrl+Insert outside cell editing copies the rows (first the
  // spreadsheet route, then the delimited text with tab, quote and CR LF);
  // a successful copy sets the key to 0. Always false. A failure to close
  // the workbook of the previous copy reaches the caller.
  bool OnKeyDown(IksGridCopySource& source, Word& key, unsigned shift, bool editing);
  // The spreadsheet route: fills a new workbook and lets the spreadsheet
  // copy the range. False when no spreadsheet application runs, on any
  // failure of the route, or when the clipboard's text is blank after it.
  // The workbook stays open, hidden, until the next copy closes it.
  bool CopyToExcelAndBack(IksGridCopySource& source);
  // Puts the delimited text on the clipboard; false on any failure or when
  // the text is blank.
  bool CopyDelimited(IksGridCopySource& source, StringView delimiter, StringView quote, StringView lineBreak);

  // Closes the workbook of the previous copy, then answers whether a
  // spreadsheet application is available. Starting one is tried once per
  // copier: a failure is remembered and never tried again.
  bool ExcelAppCreate();
  // Quits the spreadsheet application when one was started.
  void ExcelAppClose();
  bool ExcelAppFailed() const { return FExcelAppFailed; }

 private:
  Variant FExcelApp;
  Variant FExcelWorkBookRef;
  bool FExcelAppFailed = false;
};

// The process's copier, made on first use.
TksCopyGridToClipboard& CopyGridToClipboard();
// Frees the process's copier (quitting the spreadsheet application it
// started); the next use makes a new one.
void CopyGridToClipboardFinalize();
