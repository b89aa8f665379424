#include "export/writers/XlsxSheet.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "export/writers/TemporaryFile.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr const char* kMain = XlsxMainNamespace;
constexpr const char* kRelationships = XlsxRelationshipsNamespace;

}  // namespace

// ---------------------------------------------------------------------------

TXlsxGrowingPart::TXlsxGrowingPart(bool temporaryFile, TDeflatePool* pool, int level)
    : FSink(CreatePartStream(temporaryFile)),
      FDeflater(std::make_unique<TZipDeflater>(FSink.get(), pool, level)),
      FLevel(level),
      FXml(FDeflater.get(), XmlEscapesSpreadsheet) {}

TXlsxGrowingPart::~TXlsxGrowingPart() = default;

void TXlsxGrowingPart::AddTo(TZipArchive& zip, std::string_view name, std::string_view head) {
  FXml.Flush();
  const TZipData body = FDeflater->Finish(true);
  TMemoryStream headData;
  TZipDeflater headDeflater(&headData, nullptr, FLevel);
  headDeflater.Write(head);
  const TZipData headInfo = headDeflater.Finish(false);
  zip.AddCompressed(name, {{&headData, headInfo}, {FSink.get(), body}});
}

// ---------------------------------------------------------------------------

TXlsxWorksheetPart::TXlsxWorksheetPart(bool temporaryFile, TDeflatePool* pool, int level)
    : FPart(temporaryFile, pool, level) {}

const std::string& TXlsxWorksheetPart::ColumnName(Integer column) {
  if (static_cast<size_t>(column) >= FColumnNames.size()) {
    const size_t from = FColumnNames.size();
    FColumnNames.resize(static_cast<size_t>(column) + 1);
    for (size_t c = from; c < FColumnNames.size(); ++c) FColumnNames[c] = XlsxColumnName(static_cast<Integer>(c));
  }
  return FColumnNames[static_cast<size_t>(column)];
}

void TXlsxWorksheetPart::StartRow(Integer row, Integer height) {
  FRow = row;
  FRowDigitCount = static_cast<size_t>(std::to_chars(FRowDigits, FRowDigits + sizeof FRowDigits, Int64{row} + 1).ptr - FRowDigits);
  TXmlStreamWriter& xml = FPart.Body();
  xml.Start("row").Attr("r", std::string_view(FRowDigits, FRowDigitCount));
  if (height != 20) xml.Attr("ht", height * 3 / 4.0).Attr("customHeight", 1);
  if (row > FMaxRow) FMaxRow = row;
}

void TXlsxWorksheetPart::EndRow() {
  FPart.Body().End().NewLine();
}

void TXlsxWorksheetPart::PutCell(Integer column, Integer style, std::string_view type, std::string_view value) {
  // A cell is references, numbers and a type: nothing in it needs escaping,
  // so it is put together here and handed to the writer in one piece.
  char cell[160];
  char* at = cell;
  const auto put = [&](std::string_view piece) {
    std::memcpy(at, piece.data(), piece.size());
    at += piece.size();
  };
  put("<c r=\"");
  put(ColumnName(column));
  put(std::string_view(FRowDigits, FRowDigitCount));
  put("\"");
  if (style > 0) {
    put(" s=\"");
    at = std::to_chars(at, cell + sizeof cell, style).ptr;
    put("\"");
  }
  if (!type.empty()) {
    put(" t=\"");
    put(type);
    put("\"");
  }
  if (value.empty()) {
    put("/>");
  } else {
    put("><v>");
    put(value);
    put("</v></c>");
  }
  if (column > FMaxColumn) FMaxColumn = column;
  FPart.Body().Raw(std::string_view(cell, static_cast<size_t>(at - cell)));
}

void TXlsxWorksheetPart::NumberCell(Integer column, Integer style, double value) {
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, std::isfinite(value) ? value : 0.0).ptr;
  PutCell(column, style, "", std::string_view(digits, static_cast<size_t>(end - digits)));
}

void TXlsxWorksheetPart::IntegerCell(Integer column, Integer style, Int64 value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  PutCell(column, style, "", std::string_view(digits, static_cast<size_t>(end - digits)));
}

void TXlsxWorksheetPart::SharedStringCell(Integer column, Integer style, Integer index) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, index).ptr;
  PutCell(column, style, "s", std::string_view(digits, static_cast<size_t>(end - digits)));
}

void TXlsxWorksheetPart::BooleanCell(Integer column, Integer style, bool value) {
  PutCell(column, style, "b", value ? "1" : "0");
}

void TXlsxWorksheetPart::BlankCell(Integer column, Integer style) { PutCell(column, style, "", ""); }

void TXlsxWorksheetPart::AddColumnWidth(Integer column, Integer width) {
  if (width == 10 || width < 1) width = 12;
  FColWidths.emplace_back(column, width);
}

std::string TXlsxWorksheetPart::Head() const {
  return RenderXml([&](TXmlStreamWriter& xml) {
  xml.Start("worksheet").Attr("xmlns", kMain).Attr("xmlns:r", kRelationships);
  // The range the cells really use, so readers that trust it see every cell.
  std::string range = "A1";
  if (FMaxRow >= 0 && FMaxColumn >= 0)
    range += ":" + XlsxColumnName(FMaxColumn) + std::to_string(Int64{FMaxRow} + 1);
  xml.Start("dimension").Attr("ref", range).End();
  xml.Start("sheetViews").Start("sheetView").Attr("tabSelected", 1).Attr("workbookViewId", 0);
  xml.Start("selection").Attr("activeCell", "A1").Attr("sqref", "A1").End();
  xml.End().End();
  xml.Start("sheetFormatPr").Attr("defaultRowHeight", 15).End();
  if (!FColWidths.empty()) {
    xml.Start("cols");
    for (const auto& [column, width] : FColWidths)
      xml.Start("col")
          .Attr("min", column + 1)
          .Attr("max", column + 1)
          .Attr("width", width)
          .Attr("customWidth", 1)
          .End();
    xml.End();
  }
  xml.Raw("<sheetData>\r\n");
  });
}

void TXlsxWorksheetPart::AddTo(TZipArchive& zip) {
  TXmlStreamWriter& xml = FPart.Body();
  // A run that failed inside a row leaves it open.
  while (xml.Depth() > 0) xml.End();
  xml.Raw("</sheetData>");
  XlsxPageMargins(xml);
  if (!HeaderText.empty() || !FooterText.empty()) {
    xml.Start("headerFooter");
    if (!HeaderText.empty()) xml.Element("oddHeader", u"&L" + HeaderText);
    if (!FooterText.empty()) xml.Element("oddFooter", u"&L" + FooterText);
    xml.End();
  }
  if (HasDrawing) xml.Start("drawing").Attr("r:id", "rId1").End();
  xml.Raw("</worksheet>");
  FPart.AddTo(zip, "xl/worksheets/sheet1.xml", Head());
}

// ---------------------------------------------------------------------------

TXlsxSharedStringsPart::TXlsxSharedStringsPart(bool temporaryFile, TDeflatePool* pool, int level)
    : FPart(temporaryFile, pool, level) {}

Integer TXlsxSharedStringsPart::Add(StringView text) {
  TXmlStreamWriter& xml = FPart.Body();
  xml.Start("si").Start("t");
  // Readers trim the blanks at the ends of a text unless told to keep them.
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; };
  if (!text.empty() && (blank(text.front()) || blank(text.back()))) xml.Attr("xml:space", "preserve");
  xml.Text(text).End().End().NewLine();
  return FCount++;
}

void TXlsxSharedStringsPart::AddTo(TZipArchive& zip) {
  FPart.Body().Raw("</sst>");
  const std::string head = RenderXml([&](TXmlStreamWriter& xml) {
    xml.Start("sst").Attr("xmlns", kMain).Attr("count", FCount).Attr("uniqueCount", FCount).NewLine();
  });
  FPart.AddTo(zip, "xl/sharedStrings.xml", head);
}
