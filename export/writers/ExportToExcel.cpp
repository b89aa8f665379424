#include "export/writers/ExportToExcel.h"

#include <algorithm>

#include "export/DataLevels.h"
#include "export/RowSources.h"
#include "export/writers/OfficeAutomationSupport.h"
#include "export/writers/XlsxParts.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char16_t ExcelProgID[] = u"Excel.Application";
// The spreadsheet's horizontal alignments, by TAlignment (left, right, centre).
constexpr Integer AXLSAlignment[] = {-4131, -4152, -4108};
constexpr Integer xlEdgeTop = 8;
constexpr Integer xlEdgeBottom = 9;
constexpr Integer xlContinuous = 1;
constexpr Integer MaxColumnWidth = 50;
// In cell-by-cell mode the workbook is saved after every this many rows.
constexpr Integer SaveEveryRows = 1000;

constexpr const char16_t* arrFormulas[] = {
    u"SUM", u"COUNT", u"AVERAGE", u"MIN", u"MAX", u"ROW", u"COLUMN", u"NPV", u"STDEV", u"SIN", u"ASIN",
    u"COS", u"ACOS", u"TAN", u"ATAN", u"ATAN2", u"PI", u"SQRT", u"EXP", u"LN", u"LOG", u"LOG10",
    u"ABS", u"INT", u"SIGN", u"ROUND", u"MID", u"LEN", u"TREND", u"IF", u"RAND"};

String A1(Integer column, Integer row) { return StrFromAscii(XlsxColumnName(column - 1)) + IntToStr(row); }

String LinesText(const std::vector<String>& lines) {
  String text;
  for (const String& line : lines) text += line + u"\r\n";
  return text;
}

}  // namespace

TRODirezaToExcel::TRODirezaToExcel(TComponent* owner) : TRODirezaToCellFile(owner) { SetTableType(teExcel); }

TRODirezaToExcel::~TRODirezaToExcel() = default;

String TRODirezaToExcel::GetFormat(TFieldType fieldType, Integer precision) const {
  auto padded = [precision](String format) {
    while (static_cast<Integer>(format.size()) < precision + 2) format += u'0';
    return format;
  };
  switch (fieldType) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: return u"0";
    case ftFloat: case ftBCD: return precision > 0 ? padded(u"0.0") : String();
    case ftCurrency: {
      String format = String(u"0") + DataFormats.DecimalSeparator + u"0";
      if (precision > 0) format = padded(format);
      return format + DataFormats.CurrencyString;
    }
    case ftDate: case ftTime: case ftDateTime: return String();
    default: return u"@";
  }
}

bool TRODirezaToExcel::IsFormula(StringView text) {
  if (text.empty() || (text[0] != u'=' && text[0] != u'-')) return false;
  const String rest = UpperCase(text.substr(1));
  for (const char16_t* name : arrFormulas) {
    const String call = String(name) + u"(";
    if (rest.compare(0, call.size(), call) == 0) return true;
  }
  return false;
}

Variant TRODirezaToExcel::ActiveSheet() { return OleGet(xls, u"ActiveSheet"); }

Variant TRODirezaToExcel::RowRange(Integer sheetRow, Integer firstColumn, Integer lastColumn) {
  return OleGet(ActiveSheet(), u"Range", {A1(firstColumn, sheetRow) + u":" + A1(lastColumn, sheetRow)});
}

const TSMEColumn* TRODirezaToExcel::ExportedColumn(Integer position) const {
  const bool all = HasOption(Options, soExportInvisibleFields);
  Integer k = 0;
  for (const auto& column : Columns) {
    if (!all && !column->Visible) continue;
    if (k++ == position) return column.get();
  }
  return nullptr;
}

void TRODirezaToExcel::InternalFileCreate(const String& fileName) {
  if (xls.IsEmpty()) xls = StartOfficeApplication(ExcelProgID, UseCurrentInstance, IsNewestCom);
  String name = fileName;
  if (OnGetFileName) OnGetFileName(this, 0, name);
  OlePut(xls, u"EnableEvents", false);
  OlePut(xls, u"DisplayAlerts", false);
  Variant workbooks = OleGet(xls, u"WorkBooks");
  if (HasOption(Options, soMergeData) && FileExists(name))
    xlw = OleCall(workbooks, u"Open", {name});
  else if (!TemplateFile.empty())
    xlw = OleCall(workbooks, u"Add", {TemplateFile});
  else
    xlw = OleCall(workbooks, u"Add");
  CreateNewSheet(KeyGenerator);

  Variant pageSetup = OleGet(ActiveSheet(), u"PageSetup");
  if (!PageSetup.UseDefault) {
    OlePut(pageSetup, u"LeftMargin", PageSetup.LeftMargin);
    OlePut(pageSetup, u"RightMargin", PageSetup.RightMargin);
    OlePut(pageSetup, u"TopMargin", PageSetup.TopMargin);
    OlePut(pageSetup, u"BottomMargin", PageSetup.BottomMargin);
  }
  if (PageSetup.Zoom != 100) OlePut(pageSetup, u"Zoom", PageSetup.Zoom);
  if (PageSetup.FitToPagesWide > 1) OlePut(pageSetup, u"FitToPagesWide", PageSetup.FitToPagesWide);
  if (PageSetup.FitToPagesTall > 1) OlePut(pageSetup, u"FitToPagesTall", PageSetup.FitToPagesTall);
  if (PageSetup.Orientation != emDefault) OlePut(pageSetup, u"Orientation", PageSetup.Orientation == emPortrait ? 1 : 2);
  colorDefault = clWhite;
  strLastFileName = name;
}

void TRODirezaToExcel::CreateNewSheet(const String& sheetName) {
  intMergedSheetRows = 0;
  bool found = false;
  const Integer count = OleGet(OleGet(xls, u"Sheets"), u"Count").AsInteger();
  for (Integer i = 1; i <= count; ++i) {
    Variant sheet = OleGet(xls, u"Sheets", {i});
    if (OleGet(sheet, u"Name").AsString() != sheetName) continue;
    OleCall(sheet, u"Activate");
    intMergedSheetRows = OleGet(OleGet(OleGet(ActiveSheet(), u"UsedRange"), u"Rows"), u"Count").AsInteger();
    found = true;
  }
  intMergedSheetRows += StartRow;
  if (!found) {
    if (count > 0) OleCall(OleGet(xls, u"Sheets", {count}), u"Activate");
    Variant sheet = OleCall(OleGet(xls, u"Sheets"), u"Add");
    OlePut(sheet, u"Name", sheetName);
  }
  if (DeleteDefaultSheets) {
    for (Integer i = OleGet(OleGet(xls, u"Sheets"), u"Count").AsInteger(); i >= 1; --i) {
      Variant sheet = OleGet(xls, u"Sheets", {i});
      if (OleGet(sheet, u"Name").AsString() == sheetName) continue;
      OleCall(sheet, u"Activate");
      OleCall(sheet, u"Delete");
    }
  }
  OleCall(OleGet(xls, u"Sheets", {sheetName}), u"Activate");
  Statistic.CurrentRow = 0;
}

void TRODirezaToExcel::WriteDimensions(Integer rowCount, Integer colCount) {
  TRODirezaToCellFile::WriteDimensions(rowCount, colCount);
  FIsMemoColumnExist = IsMemoColumnExist() || DetailExists();
  arrData.assign(FIsMemoColumnExist ? 0 : static_cast<size_t>(std::max(colCount, 0)), Variant::Null());
}

void TRODirezaToExcel::WriteColWidth(Integer column, Integer width) {
  if (width <= 0 || xls.IsEmpty()) return;
  Variant sheetColumn = OleGet(ActiveSheet(), u"Columns", {column + StartColumn + 1});
  const TSMEColumn* exported = ExportedColumn(column);
  if (HasOption(Options, soFieldMask)) {
    OlePut(sheetColumn, u"NumberFormat", GetFormat(ftString, 0));
  } else if (exported != nullptr && SourceDataEngine() != nullptr) {
    OlePut(sheetColumn, u"NumberFormat",
           GetFormat(SourceDataEngine()->DataTypeByColumn(*exported), exported->Precision));
  }
  OlePut(sheetColumn, u"ColumnWidth", std::min(width, MaxColumnWidth));
}

void TRODirezaToExcel::WriteRowStart() {
  TRODirezaToCellFile::WriteRowStart();
  if (RowAtATime()) std::fill(arrData.begin(), arrData.end(), Variant::Null());
}

void TRODirezaToExcel::WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                                 TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaToCellFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  if (xls.IsEmpty()) return;
  if (text.empty() && !HasOption(Options, soExportBlankValues)) return;
  const Integer masterColumn = column;
  if (Statistic.CurrentDataLevel > 0) {
    if (Statistic.CurrentDetailLevel != nullptr) column += Statistic.CurrentDetailLevel->ShiftCount;
    row += 1;
  }
  const Integer sheetRow = row + intMergedSheetRows + 1;
  const Integer sheetColumn = column + StartColumn + 1;

  if (IsPictureCell(field, cellType)) {
    Integer height = 0;
    const String picture = SavePictureFile(field, text, &height);
    if (picture.empty()) return;
    OlePut(OleGet(ActiveSheet(), u"Rows", {sheetRow}), u"RowHeight", std::min(height, 400));
    OleCall(OleGet(ActiveSheet(), u"Cells", {sheetRow, sheetColumn}), u"Select");
    OleCall(OleGet(ActiveSheet(), u"Pictures"), u"Insert", {picture});
    DeleteFile(picture);
    return;
  }

  Variant cell;
  auto Cell = [&]() -> const Variant& {
    if (cell.IsEmpty()) cell = OleGet(ActiveSheet(), u"Cells", {sheetRow, sheetColumn});
    return cell;
  };
  if (HasOption(Options, soColorsFonts)) {
    if (ColorToRGB(color) != colorDefault) OlePut(OleGet(Cell(), u"Interior"), u"Color", Integer(ColorToRGB(color)));
    OlePut(Cell(), u"HorizontalAlignment", AXLSAlignment[alignment]);
    if (font != nullptr) {
      Variant cellFont = OleGet(Cell(), u"Font");
      OlePut(cellFont, u"Name", font->Name);
      OlePut(cellFont, u"Size", font->Size);
      OlePut(cellFont, u"Color", Integer(ColorToRGB(font->Color)));
      if (font->Style & FontStyleBit(fsBold)) OlePut(cellFont, u"Bold", true);
      if (font->Style & FontStyleBit(fsItalic)) OlePut(cellFont, u"Italic", true);
      if (font->Style & FontStyleBit(fsUnderline)) OlePut(cellFont, u"Underline", true);
    }
  }
  String value = text;
  if (cellType == ctString || cellType == ctMEMO) {
    // A leading blank keeps a text that reads like a formula a text.
    if (IsFormula(value)) value.insert(value.begin(), u' ');
  } else if (!HasOption(Options, soFieldMask)) {
    if (const TSMEColumn* own = ExportedColumn(masterColumn); own != nullptr && cellType != own->DataType)
      OlePut(Cell(), u"NumberFormat", GetFormat(CellType2FieldType(cellType), own->Precision));
  }
  if (!RowAtATime()) {
    OlePut(Cell(), u"Value", value);
    return;
  }
  if (column >= static_cast<Integer>(arrData.size())) arrData.resize(static_cast<size_t>(column) + 1, Variant::Null());
  arrData[static_cast<size_t>(column)] = value;
}

void TRODirezaToExcel::WriteRowEnd() {
  if (!xls.IsEmpty()) {
    const Integer sheetRow = intMergedSheetRows + Statistic.CurrentRow + 1;
    Variant range;
    auto Range = [&]() -> const Variant& {
      if (range.IsEmpty()) range = RowRange(sheetRow, StartColumn + 1, StartColumn + Statistic.CurrentCol + 1);
      return range;
    };
    if (RowAtATime()) OlePut(Range(), u"Value", Variant::ArrayOf(arrData));
    if (HasOption(Options, soRowLines)) {
      for (Integer edge : {xlEdgeTop, xlEdgeBottom}) OlePut(OleGet(Range(), u"Borders", {edge}), u"LineStyle", xlContinuous);
    }
    if (!RowAtATime() && Statistic.CurrentRow % SaveEveryRows == SaveEveryRows - 1) SaveFileStream();
  }
  TRODirezaToCellFile::WriteRowEnd();
}

void TRODirezaToExcel::WriteMergeData(TCellType cellType, Integer row, Integer column, Integer count,
                                      const String& text, TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaToCellFile::WriteMergeData(cellType, row, column, count, text, alignment, font, color);
  if (count > 1 && !xls.IsEmpty())
    OleCall(RowRange(row + intMergedSheetRows + 1, column + StartColumn + 1, column + StartColumn + count), u"Merge");
}

void TRODirezaToExcel::WriteHeader() {
  TRODirezaToCellFile::WriteHeader();
  if (!PageHeader.empty() && !xls.IsEmpty())
    OlePut(OleGet(ActiveSheet(), u"PageSetup"), u"LeftHeader", LinesText(PageHeader));
}

void TRODirezaToExcel::WriteFooter() {
  TRODirezaToCellFile::WriteFooter();
  if (!PageFooter.empty() && !xls.IsEmpty())
    OlePut(OleGet(ActiveSheet(), u"PageSetup"), u"LeftFooter", LinesText(PageFooter));
}

void TRODirezaToExcel::CloseFileStream() {
  TRODirezaToCellFile::CloseFileStream();
  if (xls.IsEmpty()) return;
  CloseOfficeFile(
      [&] {
        const Integer exported = LastExportColumnCount();
        for (Integer i = 0; i < exported; ++i)
          OlePut(OleGet(ActiveSheet(), u"Columns", {StartColumn + i + 1}), u"Hidden", false);
        if (AutoFitColumns) {
          const String range = A1(StartColumn + 1, intMergedSheetRows + 1) + u":" +
                               A1(StartColumn + exported + 1, intMergedSheetRows + Statistic.CurrentRow + 1);
          OleCall(OleGet(OleGet(ActiveSheet(), u"Range", {range}), u"Columns"), u"AutoFit");
        }
        if (FreezeFixed && AddTitle) {
          OleCall(OleGet(ActiveSheet(), u"Rows", {intMergedSheetRows + 1}), u"Select");
          OlePut(OleGet(xls, u"ActiveWindow"), u"FreezePanes", true);
        }
        SaveFileStream();
        Variant workbook = xlw;
        xlw.Clear();
        OleCall(workbook, u"Close");
      },
      IsNewestCom, [&] { OleCall(xls, u"Quit"); });
  xlw.Clear();
  xls.Clear();
}

void TRODirezaToExcel::SaveFileStream() {
  if (xls.IsEmpty() || xlw.IsEmpty()) return;
  if (!Password.empty()) OlePut(xlw, u"Password", Password);
  Variant format;
  switch (ExcelVersion) {
    case evExcelAuto: break;
    case evExcel2: format = 16; break;
    case evExcel2FarEast: format = 27; break;
    case evExcel3: format = 29; break;
    case evExcel4: format = 33; break;
    case evExcel5: case evExcel7: format = 39; break;
    case evExcel9597: format = static_cast<short>(-4143); break;
    case evExcel8: format = 56; break;
    case evExcel2007: format = 51; break;
  }
  if (format.IsEmpty())
    OleCall(xlw, u"SaveAs", {strLastFileName});
  else
    OleCall(xlw, u"SaveAs", {strLastFileName, format});
}
