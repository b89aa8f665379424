#include "controls/core/ksCopyGridToClipboard.h"

#include <algorithm>
#include <memory>

#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
#include "platform/win/Automation.h"
#include "platform/win/Clipboard.h"

namespace {

bool IsDateTimeType(TFieldType dataType) { return dataType == ftDate || dataType == ftTime || dataType == ftDateTime; }

// The value's text in the column's display format; empty for null.
void AppendValueText(String& out, const Variant& value, TFieldType dataType, const TksDisplayFormats& formats) {
  if (value.IsNull() || value.IsEmpty()) return;
  if (IsNumericFormatType(dataType)) {
    out += FormatFloat(formats.FormatForFieldType(dataType, {}), value.AsDouble());
  } else if (IsDateTimeType(dataType)) {
    AppendFormatDateTime(out, formats.FormatForFieldType(dataType, {}), value.AsDouble(), FormatSettings);
  } else {
    out += value.AsString();
  }
}

// The copy fails when nothing but blanks and control characters would land
// on the clipboard.
bool HasText(StringView text) {
  return std::any_of(text.begin(), text.end(), [](char16_t c) { return c > u' '; });
}

Variant SheetCell(const Variant& sheet, int row, int column) { return OleGet(sheet, u"Cells", {row, column}); }

}  // namespace

TFieldType GetDataTypeByFieldType(TFieldType fieldType) {
  switch (fieldType) {
    case ftString: case ftFixedChar: case ftMemo: case ftFmtMemo: case ftGuid: return ftString;
    case ftWideString: case ftFixedWideChar: case ftWideMemo: return ftWideString;
    case ftSmallint: case ftShortint: case ftByte: return ftSmallint;
    case ftInteger: case ftAutoInc: return ftInteger;
    case ftWord: return ftWord;
    case ftBoolean: return ftBoolean;
    case ftFloat: case ftSingle: case ftExtended: return ftFloat;
    case ftCurrency: case ftBCD: return ftCurrency;
    case ftDate: case ftTime: case ftDateTime: case ftTimeStamp: return ftDateTime;
    default: return ftUnknown;
  }
}

String CopyColumnCaptionsToText(const std::vector<TksCopyColumn>& columns, StringView delimiter) {
  String line;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) line += delimiter;
    line += columns[i].Caption;
  }
  return line;
}

void CopyRecordColumnsToText(String& out, IksGridCopySource& source, int row,
                             const std::vector<TksCopyColumn>& columns, const TksDisplayFormats& formats,
                             StringView delimiter, StringView quote) {
  thread_local std::vector<Variant> values;
  thread_local String value;
  source.RowValues(row, values);
  values.resize(columns.size(), Variant::Null());
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) out += delimiter;
    value.clear();
    AppendValueText(value, values[i], columns[i].DataType, formats);
    // A quote inside a value is doubled, so the pasted table keeps its cells.
    out += quote;
    if (quote.empty() || value.find(quote) == String::npos) {
      out += value;
    } else {
      for (size_t at = 0;;) {
        size_t next = value.find(quote, at);
        out.append(value, at, next == String::npos ? String::npos : next - at);
        if (next == String::npos) break;
        out.append(quote).append(quote);
        at = next + quote.size();
      }
    }
    out += quote;
  }
}

void CopyGridRecordsToText(String& out, IksGridCopySource& source, const std::vector<TksCopyColumn>& columns,
                           const TksDisplayFormats& formats, StringView delimiter, StringView quote,
                           StringView lineBreak) {
  source.BeginUpdate();
  TScopeExit endUpdate([&] { source.EndUpdate(); });
  std::vector<int> selected = source.SelectedRows();
  if (selected.empty()) {
    int focused = source.FocusedRow();
    if (focused >= 0) CopyRecordColumnsToText(out, source, focused, columns, formats, delimiter, quote);
    return;
  }
  for (size_t i = 0; i < selected.size(); ++i) {
    size_t before = out.size();
    CopyRecordColumnsToText(out, source, selected[i], columns, formats, delimiter, quote);
    out += lineBreak;
    // The first row tells about how long the text grows: one allocation
    // instead of many copies of a long text.
    if (i == 0) out.reserve(out.size() + (out.size() - before) * (selected.size() - 1) * 5 / 4);
  }
}

String GridToDelimitedText(IksGridCopySource& source, const TksDisplayFormats& formats, StringView delimiter,
                           StringView quote, StringView lineBreak) {
  std::vector<TksCopyColumn> columns = source.Columns();
  String text = CopyColumnCaptionsToText(columns, delimiter);
  text += lineBreak;
  CopyGridRecordsToText(text, source, columns, formats, delimiter, quote, lineBreak);
  return text;
}

int CopyColumnCaptionsToExcel(const std::vector<TksCopyColumn>& columns, int row, int column, const Variant& sheet) {
  for (size_t i = 0; i < columns.size(); ++i) {
    Variant cell = SheetCell(sheet, row, column + static_cast<int>(i));
    OlePut(cell, u"NumberFormat", String(u"@"));
    OlePut(cell, u"Value", columns[i].Caption);
  }
  return static_cast<int>(columns.size());
}

void CopyRecordColumnToExcelCell(const Variant& value, TFieldType dataType, const TksDisplayFormats& formats,
                                 const Variant& cell) {
  String format = formats.FormatForFieldType(dataType, u"@");
  OlePut(cell, u"NumberFormat", TksDisplayFormats::FormatForExcel(format, dataType));
  OlePut(cell, u"Value", value);
}

void CopyRecordColumnsToExcel(IksGridCopySource& source, int row, const std::vector<TksCopyColumn>& columns,
                              const TksDisplayFormats& formats, int sheetRow, int firstColumn, const Variant& sheet) {
  if (row < 0) return;
  std::vector<Variant> values;
  source.RowValues(row, values);
  values.resize(columns.size(), Variant::Null());
  for (size_t i = 0; i < columns.size(); ++i) {
    CopyRecordColumnToExcelCell(values[i], columns[i].DataType, formats,
                                SheetCell(sheet, sheetRow, firstColumn + static_cast<int>(i)));
  }
}

int CopyGridRecordsToExcel(IksGridCopySource& source, const std::vector<TksCopyColumn>& columns,
                           const TksDisplayFormats& formats, int firstRow, int firstColumn, const Variant& sheet) {
  source.BeginUpdate();
  TScopeExit endUpdate([&] { source.EndUpdate(); });
  std::vector<int> selected = source.SelectedRows();
  if (selected.empty()) {
    CopyRecordColumnsToExcel(source, source.FocusedRow(), columns, formats, firstRow, firstColumn, sheet);
    return 1;
  }
  for (size_t i = 0; i < selected.size(); ++i) {
    CopyRecordColumnsToExcel(source, selected[i], columns, formats, firstRow + static_cast<int>(i), firstColumn,
                             sheet);
  }
  return static_cast<int>(selected.size());
}

TksCopyGridToClipboard::~TksCopyGridToClipboard() {
  try {
    ExcelAppClose();
  } catch (...) {
    // A spreadsheet application that is already gone needs no quitting.
  }
}

bool TksCopyGridToClipboard::OnKeyDown(IksGridCopySource& source, Word& key, unsigned shift, bool editing) {
  if ((key != VK_INSERT && key != VK_C) || shift != ssCtrl || editing) return false;
  if (CopyToExcelAndBack(source) || CopyDelimited(source, u"\t", u"\"", u"\r\n")) key = 0;
  return false;
}

bool TksCopyGridToClipboard::CopyToExcelAndBack(IksGridCopySource& source) {
  if (!ExcelAppCreate()) return false;
  try {
    IClipboard& clipboard = Clipboard();
    clipboard.SetUnicodeText({});
    FExcelWorkBookRef = OleCall(OleGet(FExcelApp, u"Workbooks"), u"Add");
    Variant sheet = OleGet(FExcelWorkBookRef, u"WorkSheets", {1});
    std::vector<TksCopyColumn> columns = source.Columns();
    int columnCount = CopyColumnCaptionsToExcel(columns, 1, 1, sheet);
    IksDisplayFormats formats = DisplayFormats();
    int rowCount = CopyGridRecordsToExcel(source, columns, *formats, 2, 1, sheet);
    Variant range = OleGet(sheet, u"Range", {SheetCell(sheet, 1, 1), SheetCell(sheet, rowCount + 1, columnCount)});
    OleCall(range, u"Copy");
    return HasText(clipboard.GetUnicodeText());
  } catch (...) {
    return false;
  }
}

bool TksCopyGridToClipboard::CopyDelimited(IksGridCopySource& source, StringView delimiter, StringView quote,
                                           StringView lineBreak) {
  try {
    IClipboard& clipboard = Clipboard();
    clipboard.SetUnicodeText({});
    IksDisplayFormats formats = DisplayFormats();
    String text = GridToDelimitedText(source, *formats, delimiter, quote, lineBreak);
    clipboard.SetUnicodeText(text);
    return HasText(text);
  } catch (...) {
    return false;
  }
}

bool TksCopyGridToClipboard::ExcelAppCreate() {
  if (!FExcelWorkBookRef.IsEmpty()) {
    // The reference goes first: a workbook that cannot be closed (its
    // application has gone) must not fail every later copy too.
    Variant workBook = std::move(FExcelWorkBookRef);
    FExcelWorkBookRef = Variant();
    OleCall(workBook, u"Close");
  }
  if (FExcelApp.IsEmpty() && !FExcelAppFailed) {
    try {
      FExcelApp = CreateOleObject(ExcelApplicationProgID);
      FExcelAppFailed = false;
      OlePut(FExcelApp, u"DisplayAlerts", false);
    } catch (...) {
      FExcelApp = Variant();
      FExcelAppFailed = true;
    }
  }
  return !FExcelApp.IsEmpty();
}

void TksCopyGridToClipboard::ExcelAppClose() {
  if (FExcelApp.IsEmpty()) return;
  Variant app = std::move(FExcelApp);
  FExcelApp = Variant();
  FExcelWorkBookRef = Variant();
  OleCall(app, u"Quit");
}

namespace {

std::unique_ptr<TksCopyGridToClipboard> UCopyGridToClipboard;

}  // namespace

TksCopyGridToClipboard& CopyGridToClipboard() {
  if (!UCopyGridToClipboard) UCopyGridToClipboard = std::make_unique<TksCopyGridToClipboard>();
  return *UCopyGridToClipboard;
}

void CopyGridToClipboardFinalize() { UCopyGridToClipboard.reset(); }
