#include "export/writers/ExportToWord.h"

#include "platform/rtl/Streams.h"

namespace {

constexpr char16_t WordProgID[] = u"Word.Application";
// Paragraph alignments by TAlignment (left, right, centre).
constexpr Integer ADOCAlignment[] = {0, 2, 1};
constexpr Integer wdBorderTop = -1, wdBorderLeft = -2, wdBorderBottom = -3, wdBorderRight = -4,
                  wdBorderHorizontal = -5, wdBorderVertical = -6;
constexpr Integer wdLineStyleNone = 0, wdLineStyleSingle = 1;

}  // namespace

Integer WordColorIndex(TColor color) {
  struct Entry {
    TColor Color;
    Integer Index;
  };
  static constexpr Entry table[] = {
      {0x000000, 1},  {0xFF0000, 2},  {0xFFFF00, 3},  {0x00FF00, 4},  {0xFF00FF, 5},  {0x0000FF, 6},
      {0x00FFFF, 7},  {0xFFFFFF, 8},  {0x800000, 9},  {0x808000, 10}, {0x008000, 11}, {0x800080, 12},
      {0x000080, 13}, {0x008080, 14}, {0x808080, 15}, {0xC0C0C0, 16},
  };
  const TColor value = ColorToRGB(color);
  for (const Entry& entry : table)
    if (entry.Color == value) return entry.Index;
  return 0;
}

TRODirezaToWord::TRODirezaToWord(TComponent* owner) : TRODirezaToCellFile(owner) { SetTableType(teWord); }

TRODirezaToWord::~TRODirezaToWord() = default;

float TRODirezaToWord::MarginPoints(float value) const {
  switch (PageSetup.Measure) {
    case emInch: return value * 72;
    case emCentimeters: return value * 28.35f;
    case emPicas: return value * 12;
    case emPoint: break;
  }
  return value;
}

void TRODirezaToWord::InternalFileCreate(const String& fileName) {
  if (word.IsEmpty()) word = StartOfficeApplication(WordProgID, UseCurrentInstance, IsNewestCom);
  String name = fileName;
  if (OnGetFileName) OnGetFileName(this, 0, name);
  OlePut(word, u"Visible", false);
  OlePut(word, u"ScreenUpdating", false);
  Variant options = OleGet(word, u"Options");
  OlePut(options, u"CheckSpellingAsYouType", false);
  OlePut(options, u"CheckGrammarAsYouType", false);
  Variant documents = OleGet(word, u"Documents");
  if (HasOption(Options, soMergeData) && FileExists(name))
    OleCall(documents, u"Open", {name});
  else if (!TemplateFile.empty())
    OleCall(documents, u"Open", {TemplateFile});
  else
    OleCall(documents, u"Add");
  document = OleGet(word, u"ActiveDocument");
  if (!PageSetup.UseDefault) {
    Variant pageSetup = OleGet(document, u"PageSetup");
    const std::pair<const char16_t*, float> margins[] = {{u"TopMargin", PageSetup.TopMargin},
                                                         {u"BottomMargin", PageSetup.BottomMargin},
                                                         {u"LeftMargin", PageSetup.LeftMargin},
                                                         {u"RightMargin", PageSetup.RightMargin}};
    for (const auto& [property, value] : margins)
      if (value > 0) OlePut(pageSetup, property, MarginPoints(value));
    if (PageSetup.Orientation != emDefault) OlePut(pageSetup, u"Orientation", PageSetup.Orientation == emPortrait ? 0 : 1);
  }
  strLastFileName = name;
}

void TRODirezaToWord::WriteDimensions(Integer rowCount, Integer colCount) {
  TRODirezaToCellFile::WriteDimensions(rowCount, colCount);
  FShape.SetDimensions(rowCount, colCount);
}

void TRODirezaToWord::WriteColWidth(Integer column, Integer width) { FShape.SetColWidth(column, width); }

void TRODirezaToWord::WriteDataBegin() {
  TRODirezaToCellFile::WriteDataBegin();
  if (document.IsEmpty() || !FShape.WantsTable(Layout)) return;
  intTotalMergedCols = 0;
  const Integer end = OleGet(OleGet(document, u"Content"), u"End").AsInteger();
  Variant range = OleCall(document, u"Range", {end - 1, end - 1});
  table = OleCall(OleGet(range, u"Tables"), u"Add", {range, 1, FShape.TableColumns()});
  intTableRows = 1;
  const Integer colLines = HasOption(Options, soColLines) ? wdLineStyleSingle : wdLineStyleNone;
  const Integer rowLines = HasOption(Options, soRowLines) ? wdLineStyleSingle : wdLineStyleNone;
  for (Integer border : {wdBorderLeft, wdBorderRight, wdBorderVertical})
    OlePut(OleGet(table, u"Borders", {border}), u"LineStyle", colLines);
  for (Integer border : {wdBorderTop, wdBorderBottom, wdBorderHorizontal})
    OlePut(OleGet(table, u"Borders", {border}), u"LineStyle", rowLines);
  Variant columns = OleGet(table, u"Columns");
  if (PageSetup.TableWidth != 0) OlePut(columns, u"Width", MarginPoints(PageSetup.TableWidth));
  // The widths of the table's columns: every entry but the extra last one.
  std::vector<Integer> widths(FShape.ColWidths.begin(), FShape.ColWidths.end());
  if (!widths.empty()) widths.pop_back();
  if (AutoFitColumns) {
    Int64 sum = 0;
    for (Integer width : widths) sum += width;
    if (sum != 0) {
      const double tableWidth = OleGet(columns, u"Width").AsDouble();
      if (tableWidth < sum)
        for (Integer& width : widths) width = static_cast<Integer>(width * tableWidth / static_cast<double>(sum));
    }
  }
  const Integer tableColumns = FShape.TableColumns();
  for (Integer i = 0; i < static_cast<Integer>(widths.size()) && i < tableColumns; ++i) {
    if (widths[static_cast<size_t>(i)] == 0) continue;
    try {
      OleCall(OleCall(columns, u"Item", {i + 1}), u"SetWidth", {widths[static_cast<size_t>(i)], 0});
    } catch (const EOleError&) {
      // a column the application will not make that wide keeps its width
    }
  }
}

void TRODirezaToWord::WriteRowStart() {
  TRODirezaToCellFile::WriteRowStart();
  intTotalMergedCols = 0;
}

void TRODirezaToWord::WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                                TAlignment alignment, const TFont* font, TColor color) {
  if (column > TOfficeTableShape::MaxColumns - 1) return;
  TRODirezaToCellFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  if (document.IsEmpty()) return;
  if (!IsDataArea || table.IsEmpty()) {
    Variant range = OleCall(document, u"Range");
    OlePut(OleGet(range, u"ParagraphFormat"), u"Alignment", ADOCAlignment[alignment]);
    OleCall(range, u"InsertAfter", {text});
    OleCall(range, u"InsertParagraphAfter");
    return;
  }
  // Nothing past the table's last column, nor outside its rows.
  const Integer tableRow = TableRow(row);
  const Integer tableColumn = column - intTotalMergedCols + 1;
  if (column >= FShape.TableColumns() || tableRow < 1) return;
  while (intTableRows < tableRow) {
    OleCall(OleGet(table, u"Rows"), u"Add");
    ++intTableRows;
  }
  if (text.empty()) return;
  Variant cell = OleCall(table, u"Cell", {tableRow, tableColumn});
  Variant range = OleGet(cell, u"Range");
  if (IsPictureCell(field, cellType)) {
    const String picture = SavePictureFile(field, text);
    if (picture.empty()) return;
    OleCall(OleGet(document, u"InlineShapes"), u"AddPicture", {picture, false, true, range});
    DeleteFile(picture);
    return;
  }
  if (HasOption(Options, soColorsFonts) && font != nullptr) {
    if (font->Style & FontStyleBit(fsBold)) OlePut(range, u"Bold", 1);
    if (font->Style & FontStyleBit(fsItalic)) OlePut(range, u"Italic", 1);
    if (font->Style & FontStyleBit(fsUnderline)) OlePut(range, u"Underline", 1);
    Variant rangeFont = OleGet(range, u"Font");
    if (const Integer index = WordColorIndex(font->Color); index != 0) OlePut(rangeFont, u"ColorIndex", index);
    if (OleGet(rangeFont, u"Name").AsString() != font->Name) OlePut(rangeFont, u"Name", font->Name);
    if (OleGet(rangeFont, u"Size").AsInteger() != font->Size) OlePut(rangeFont, u"Size", font->Size);
    if (const Integer index = WordColorIndex(color); index != 0) OlePut(range, u"HighlightColorIndex", index);
  }
  Variant paragraph = OleGet(range, u"ParagraphFormat");
  if (OleGet(paragraph, u"Alignment").AsInteger() != ADOCAlignment[alignment])
    OlePut(paragraph, u"Alignment", ADOCAlignment[alignment]);
  OleCall(range, u"InsertAfter", {text});
}

void TRODirezaToWord::WriteMergeData(TCellType cellType, Integer row, Integer column, Integer count,
                                     const String& text, TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaToCellFile::WriteMergeData(cellType, row, column, count, text, alignment, font, color);
  if (table.IsEmpty() || count <= 1 || column >= FShape.TableColumns() || TableRow(row) < 1) return;
  count = std::min(count, FShape.TableColumns() - column);
  if (count <= 1) return;
  const Integer r = TableRow(row);
  Variant last = OleCall(table, u"Cell", {r, column + count - intTotalMergedCols});
  OleCall(OleCall(table, u"Cell", {r, column - intTotalMergedCols + 1}), u"Merge", {last});
  intTotalMergedCols += count - 1;
}

void TRODirezaToWord::CloseFileStream() {
  TRODirezaToCellFile::CloseFileStream();
  if (word.IsEmpty()) return;
  CloseOfficeFile(
      [&] {
        if (!table.IsEmpty() && AutoFitColumns) OleCall(OleGet(table, u"Columns"), u"AutoFit");
        table.Clear();
        if (document.IsEmpty()) return;
        if (!Password.empty())
          OleCall(document, u"Protect", {Variant::EmptyParam(), Variant::EmptyParam(), Password});
        Variant format;
        switch (FileFormat) {
          case ewDefault: break;
          case ewDocument: case ewDocument97: format = 0; break;
          case ewText: format = 2; break;
          case ewDOSText: format = 4; break;
          case ewRTF: format = 6; break;
          case ewHTML: format = 8; break;
          case ewWebArchive: format = 9; break;
          case ewXML: format = 11; break;
          case ewPDF: format = 17; break;
          case ewXPS: format = 18; break;
          case ewODT: format = 23; break;
          case ewUnicodeText: case ewFilteredHTML: format = Variant::EmptyParam(); break;
        }
        if (format.IsEmpty())
          OleCall(document, u"SaveAs", {strLastFileName});
        else
          OleCall(document, u"SaveAs", {strLastFileName, format});
        Variant closing = document;
        document.Clear();
        OleCall(closing, u"Close");
        OlePut(word, u"ScreenUpdating", true);
      },
      IsNewestCom, [&] { OleCall(word, u"Quit"); });
  table.Clear();
  document.Clear();
  word.Clear();
}
