#include "controls/core/ksCopyGridToClipboard.h"

#include <algorithm>
#include <memory>

#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
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

TksCopyGridToClipboard::~TksCopyGridToClipboard() { ExcelAppClose(); }

bool TksCopyGridToClipboard::OnKeyDown(IksGridCopySource& source, Word& key, unsigned shift, bool editing) {
  if ((key != VK_INSERT && key != VK_C) || shift != ssCtrl || editing) return false;
  if (CopyToExcelAndBack(source) || CopyDelimited(source, u"\t", u"\"", u"\r\n")) key = 0;
  return false;
}

bool TksCopyGridToClipboard::CopyToExcelAndBack(IksGridCopySource&) {
  if (!ExcelAppCreate()) return false;
  // No automation layer drives a workbook here yet, so a spreadsheet
  // application can only come from a subclass; the copy then goes the
  // delimited way.
  return false;
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
  if (!FExcelApp && !FExcelAppFailed) {
    try {
      FExcelApp = CreateExcelApp();
    } catch (...) {
      FExcelApp = false;
    }
    FExcelAppFailed = !FExcelApp;
  }
  return FExcelApp;
}

void TksCopyGridToClipboard::ExcelAppClose() {
  if (!FExcelApp) return;
  FExcelApp = false;
  QuitExcelApp();
}

TksCopyGridToClipboard& CopyGridToClipboard() {
  static TksCopyGridToClipboard copier;
  return copier;
}
