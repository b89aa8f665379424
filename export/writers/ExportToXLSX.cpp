#include "export/writers/ExportToXLSX.h"

#include <cmath>
#include <ctime>
#include <thread>

#include "export/ExportMessages.h"
#include "export/writers/XlsxSheet.h"
#include "export/writers/ZipArchive.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Picture.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

// The widest sheet the format holds.
constexpr Integer kMaxColumns = 16384;

// Now as a TDateTime in UTC.
TDateTime UtcNow() {
  const std::time_t now = std::time(nullptr);
  return 25569.0 + static_cast<double>(now) / 86400.0;
}

// A number text as the run wrote it (its decimal separator) or with ".".
bool ReadNumber(StringView text, double& value) {
  if (TryStrToFloat(text, value)) return true;
  String dotted(text);
  for (char16_t& c : dotted)
    if (c == u',') c = u'.';
  static const TFormatSettings invariant = TFormatSettings::Invariant();
  return TryStrToFloat(dotted, value, invariant);
}

}  // namespace

TRODirezaToXLSX::TRODirezaToXLSX(TComponent* owner)
    : TRODirezaToCustomXLS(owner),
      // Level 5 deflates the parts' XML a third faster than the default 6
      // for a file about 1% larger.
      CompressionLevel(5),
      CompressionThreads(std::max(1u, std::thread::hardware_concurrency())) {
  SetTableType(teExcel2007);
  FVersion = 7;
}

TRODirezaToXLSX::~TRODirezaToXLSX() { ClosePackage(); }

void TRODirezaToXLSX::ApplyDefaultFont(TFont& font) {
  font.Name = u"Calibri";
  font.Size = 11;
}

Word TRODirezaToXLSX::GetDefaultNumFormat(TCellType cellType) {
  return cellType == ctCurrency ? 44 : TRODirezaToCustomXLS::GetDefaultNumFormat(cellType);
}

void TRODirezaToXLSX::ClosePackage() {
  // The parts first: their deflaters wait for blocks on the archive's pool.
  FSheet.reset();
  FStrings.reset();
  fsXLSX.reset();
  FPictures.clear();
  FRowOpen = false;
}

void TRODirezaToXLSX::InternalBeforeProcess() {
  TRODirezaToCustomXLS::InternalBeforeProcess();
  if (HasOption(Options, soColorsFonts)) lstFormats->push_back(TXLSFormat{clWhite, 0, 0, taLeftJustify, false});
}

void TRODirezaToXLSX::InternalAfterProcess() {
  ClosePackage();
  TRODirezaToCustomXLS::InternalAfterProcess();
}

void TRODirezaToXLSX::InternalFileCreate(const String& fileName) {
  ClosePackage();
  TRODirezaToCustomXLS::InternalFileCreate(fileName);
  if (OutputStream == nullptr) return;
  fsXLSX = std::make_unique<TZipArchive>(OutputStream, CompressionLevel, CompressionThreads);
  // Large runs keep the two growing parts in temporary files.
  const bool temporary = FRecordCount > 10000;
  FSheet = std::make_unique<TXlsxWorksheetPart>(temporary, fsXLSX->Pool(), CompressionLevel);
  FStrings = std::make_unique<TXlsxSharedStringsPart>(temporary, fsXLSX->Pool(), CompressionLevel);
}

void TRODirezaToXLSX::InternalFileClose() {
  ClosePackage();
  TRODirezaToCustomXLS::InternalFileClose();
}

void TRODirezaToXLSX::WriteFileBegin() {
  TRODirezaToCustomXLS::WriteFileBegin();
  if (!fsXLSX) return;
  TZipArchive& zip = *fsXLSX;
  const std::string relationship = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  zip.AddFolder("_rels");
  TXlsxRelationshipsPart package;
  package.Items = {
      {"rId3", relationship + "extended-properties", "docProps/app.xml"},
      {"rId2", "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties",
       "docProps/core.xml"},
      {"rId1", relationship + "officeDocument", "xl/workbook.xml"}};
  zip.AddFile("_rels/.rels", RenderXlsxPart(package));
  zip.AddFolder("docProps");
  TXlsxAppPart app;
  app.Company = KeyGenerator;
  zip.AddFile("docProps/app.xml", RenderXlsxPart(app));
  TXlsxCorePart core;
  core.CreatedUtc = UtcNow();
  zip.AddFile("docProps/core.xml", RenderXlsxPart(core));
  zip.AddFolder("xl");
  zip.AddFolder("xl/_rels");
  TXlsxRelationshipsPart workbook;
  workbook.Items = {{"rId3", relationship + "worksheet", "worksheets/sheet3.xml"},
                    {"rId2", relationship + "worksheet", "worksheets/sheet2.xml"},
                    {"rId1", relationship + "worksheet", "worksheets/sheet1.xml"},
                    {"rId6", relationship + "sharedStrings", "sharedStrings.xml"},
                    {"rId5", relationship + "styles", "styles.xml"},
                    {"rId4", relationship + "theme", "theme/theme1.xml"}};
  zip.AddFile("xl/_rels/workbook.xml.rels", RenderXlsxPart(workbook));
  zip.AddFolder("xl/theme");
  zip.AddFile("xl/theme/theme1.xml", RenderXlsxPart(TXlsxThemePart()));
  zip.AddFolder("xl/worksheets");
  const std::string empty = RenderXlsxPart(TXlsxEmptySheetPart());
  zip.AddFile("xl/worksheets/sheet2.xml", empty);
  zip.AddFile("xl/worksheets/sheet3.xml", empty);
  zip.AddFile("xl/workbook.xml", RenderXlsxPart(TXlsxWorkbookPart()));
}

void TRODirezaToXLSX::WriteColWidth(Integer column, Integer width) {
  TRODirezaToCustomXLS::WriteColWidth(column, width);
  if (FSheet && column < kMaxColumns) FSheet->AddColumnWidth(column, width);
}

void TRODirezaToXLSX::WriteRowStart() {
  FRowOpen = false;
  TRODirezaToCustomXLS::WriteRowStart();
  if (!FSheet || RowDropped()) return;
  FSheet->StartRow(Statistic.CurrentRow, Statistic.CurrentRowHeight);
  FRowOpen = true;
}

void TRODirezaToXLSX::WriteRowEnd() {
  if (FRowOpen) FSheet->EndRow();
  FRowOpen = false;
  TRODirezaToCustomXLS::WriteRowEnd();
}

void TRODirezaToXLSX::CheckColumn(Integer column) {
  if (column >= kMaxColumns)
    throw ESMEMaxRowCountException(Format(u"MS Excel spreadsheet can not contain more than %d columns", {kMaxColumns}));
}

Integer TRODirezaToXLSX::StyleOf(TCellType type, const TFont* font, TColor color, TAlignment alignment) {
  if (HasOption(Options, soColorsFonts))
    return std::max<Integer>(0, GetXF(font, color, GetDefaultNumFormat(type), alignment, Statistic.CurrentRowHeight != 20));
  switch (type) {
    case ctInteger: return 7;
    case ctDouble: return 4;
    case ctDateTime: return 5;
    case ctDate: return 1;
    case ctCurrency: return 2;
    case ctTime: return 6;
    default: return 0;
  }
}

void TRODirezaToXLSX::CollectPicture(TField* field, StringView text, Integer column) {
  TXLSPicture picture;
  if (!LoadCellPicture(field, text, picture)) return;
  const std::vector<Byte> bmp = picture.FPicture.BmpFile();
  FPictures.push_back(TXlsxPicture{column, Statistic.CurrentRow, picture.FPicture.Width(), picture.FPicture.Height(),
                                   std::string(bmp.begin(), bmp.end())});
}

bool TRODirezaToXLSX::StartCellStep(TField* field, TCellType cellType, Integer column, StringView text, bool empty,
                                    TCellType& type) {
  if (!FRowOpen) return false;
  CheckColumn(column);
  // Pictures get no cell: they are placed over it by the drawing.
  if (cellType == ctGraphic || (field != nullptr && field->DataType() == ftGraphic && !field->IsNull())) {
    CollectPicture(field, text, column);
    return false;
  }
  type = cellType;
  if (HasOption(Options, soFieldMask)) {
    type = ctString;
  } else if (empty) {
    type = ctBlank;
  } else {
    if (type == ctCurrency && DataFormats.CurrencyString.empty()) type = ctDouble;
    if (type == ctDouble && field != nullptr && field->DataType() == ftFloat)
      if (const auto* real = dynamic_cast<const TFloatField*>(field); real != nullptr && real->Precision() == 0)
        type = ctInteger;
  }
  return type != ctBlank || HasOption(Options, soExportBlankValues);
}

void TRODirezaToXLSX::WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                                TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaToCustomXLS::WriteData(field, cellType, row, column, text, alignment, font, color);
  PutCell(field, cellType, column, text, alignment, font, color);
}

void TRODirezaToXLSX::PutCell(TField* field, TCellType cellType, Integer column, StringView text,
                              TAlignment alignment, const TFont* font, TColor color) {
  TCellType type;
  if (!StartCellStep(field, cellType, column, text, text.empty(), type)) return;
  const Integer style = StyleOf(type, font, color, alignment);
  double number = 0;
  switch (type) {
    case ctBlank:
      return FSheet->BlankCell(column, style);
    case ctInteger: {
      Int64 whole = 0;
      if (TryStrToInt64(text, whole)) return FSheet->IntegerCell(column, style, whole);
      if (ReadNumber(text, number)) return FSheet->NumberCell(column, style, number);
      break;
    }
    case ctDouble:
    case ctCurrency:
      if (ReadNumber(text, number)) return FSheet->NumberCell(column, style, number);
      break;
    case ctDate:
      return FSheet->IntegerCell(column, style, static_cast<Int64>(std::floor(StrToDate(text))));
    case ctDateTime:
      return FSheet->NumberCell(column, style, StrToDateTime(text));
    case ctTime:
      return FSheet->NumberCell(column, style, StrToTime(text));
    case ctBoolean:
      if (text == DataFormats.BooleanTrue || text == u"True") return FSheet->BooleanCell(column, style, true);
      if (text == DataFormats.BooleanFalse || text == u"False") return FSheet->BooleanCell(column, style, false);
      break;
    default:
      break;
  }
  // Texts, and values whose text reads as no number, are shared strings.
  FSheet->SharedStringCell(column, type == ctString ? style : 0, FStrings->Add(text));
}

void TRODirezaToXLSX::WriteCell(const TCellValue& cell, Integer, Integer column, TAlignment alignment,
                                const TFont* font, TColor color) {
  // Display texts and texts of any kind take the string road's steps.
  if (cell.Formatted != nullptr || cell.Kind == cvText || HasOption(Options, soFieldMask))
    return PutCell(cell.Field, cell.CellType, column, CellText(cell), alignment, font, color);
  TCellType type;
  if (!StartCellStep(cell.Field, cell.CellType, column, cell.Text, cell.IsNull(), type)) return;
  const Integer style = StyleOf(type, font, color, alignment);
  switch (cell.Kind) {
    case cvNull:
      return FSheet->BlankCell(column, style);
    case cvInteger:
      return FSheet->IntegerCell(column, style, cell.Int);
    case cvBoolean:
      return FSheet->BooleanCell(column, style, cell.Bool);
    case cvDateTime:
      if (type == ctDate) return FSheet->IntegerCell(column, style, static_cast<Int64>(std::floor(cell.Float)));
      return FSheet->NumberCell(column, style, cell.Float);
    default: {
      const double value = cell.AsDouble();
      if (type == ctInteger && value == std::floor(value) && std::fabs(value) < 9e15)
        return FSheet->IntegerCell(column, style, static_cast<Int64>(value));
      return FSheet->NumberCell(column, style, value);
    }
  }
}

void TRODirezaToXLSX::AddPictures(TZipArchive& zip) {
  if (FPictures.empty()) return;
  const std::string relationship = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  zip.AddFolder("xl/worksheets/_rels");
  TXlsxRelationshipsPart sheet;
  sheet.Items = {{"rId1", relationship + "drawing", "../drawing/drawing1.xml"}};
  zip.AddFile("xl/worksheets/_rels/sheet1.xml.rels", RenderXlsxPart(sheet));
  zip.AddFolder("xl/drawing");
  zip.AddFolder("xl/drawing/_rels");
  zip.AddFolder("xl/media");
  TXlsxRelationshipsPart images;
  for (size_t i = 0; i < FPictures.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    const std::string file = "image" + n + ".bmp";
    zip.AddFile("xl/media/" + file, FPictures[i].Bmp);
    images.Items.push_back({"rId" + n, relationship + "image", "../media/" + file});
  }
  TXlsxDrawingPart drawing;
  drawing.Pictures = &FPictures;
  zip.AddFile("xl/drawing/drawing1.xml", RenderXlsxPart(drawing));
  zip.AddFile("xl/drawing/_rels/drawing1.xml.rels", RenderXlsxPart(images));
}

void TRODirezaToXLSX::WriteFileEnd() {
  if (fsXLSX) {
    TZipArchive& zip = *fsXLSX;
    const auto lines = [](const std::vector<String>& list) {
      String text;
      for (const String& line : list) text += line + u"\r\n";
      return text;
    };
    FSheet->HeaderText = lines(PageHeader);
    FSheet->FooterText = lines(PageFooter);
    FSheet->HasDrawing = !FPictures.empty();
    FSheet->AddTo(zip);
    FStrings->AddTo(zip);
    TXlsxStylesPart styles;
    styles.Fonts = &lstFonts;
    styles.Formats = lstFormats.get();
    styles.CurrencyString = DataFormats.CurrencyString;
    AddPictures(zip);
    zip.AddFile("xl/styles.xml", RenderXlsxPart(styles));
    TXlsxContentTypesPart types;
    types.HasDrawing = !FPictures.empty();
    zip.AddFile("[Content_Types].xml", RenderXlsxPart(types));
    zip.Close();
    FPictures.clear();
  }
  // Empties the font table and the style list, after the style sheet used them.
  TRODirezaToCustomXLS::WriteFileEnd();
}
