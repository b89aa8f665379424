#include "export/writers/XlsxSheet.h"

#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr const char* kMain = XlsxMainNamespace;
constexpr const char* kRelationships = XlsxRelationshipsNamespace;

// A file in the temporary folder, named by the system with the prefix
// "ZAZ", created atomically and removed from the folder at once: it goes
// away when its handle closes, whatever ends the run.
std::unique_ptr<TStream> CreateTemporaryFileStream() {
  const char* folder = std::getenv("TMPDIR");
  std::string pattern = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/ZAZXXXXXX";
  const int handle = ::mkstemp(pattern.data());
  if (handle < 0) throw EFCreateError(u"Unable to create temporary file");
  try {
    auto stream = std::make_unique<TFileStream>(Utf8ToString(pattern), fmOpenReadWrite);
    ::unlink(pattern.c_str());
    ::close(handle);
    return stream;
  } catch (...) {
    ::unlink(pattern.c_str());
    ::close(handle);
    throw;
  }
}

}  // namespace

// ---------------------------------------------------------------------------

TXlsxGrowingPart::TXlsxGrowingPart(bool temporaryFile, TDeflatePool* pool, int level)
    : FSink(temporaryFile ? CreateTemporaryFileStream() : std::make_unique<TMemoryStream>()),
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

TXmlStreamWriter& TXlsxWorksheetPart::StartCell(Integer column, Integer style, const char* type) {
  char ref[32];
  const std::string& name = ColumnName(column);
  std::memcpy(ref, name.data(), name.size());
  std::memcpy(ref + name.size(), FRowDigits, FRowDigitCount);
  if (column > FMaxColumn) FMaxColumn = column;
  TXmlStreamWriter& xml = FPart.Body();
  xml.Start("c").Attr("r", std::string_view(ref, name.size() + FRowDigitCount));
  if (style > 0) xml.Attr("s", style);
  if (*type != '\0') xml.Attr("t", type);
  return xml;
}

void TXlsxWorksheetPart::NumberCell(Integer column, Integer style, double value) {
  StartCell(column, style, "").Start("v").Text(value).End().End();
}

void TXlsxWorksheetPart::IntegerCell(Integer column, Integer style, Int64 value) {
  StartCell(column, style, "").Start("v").Text(value).End().End();
}

void TXlsxWorksheetPart::SharedStringCell(Integer column, Integer style, Integer index) {
  StartCell(column, style, "s").Start("v").Text(Int64{index}).End().End();
}

void TXlsxWorksheetPart::BooleanCell(Integer column, Integer style, bool value) {
  StartCell(column, style, "b").Start("v").Text(Int64{value ? 1 : 0}).End().End();
}

void TXlsxWorksheetPart::BlankCell(Integer column, Integer style) { StartCell(column, style, "").End(); }

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
