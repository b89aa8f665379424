#include "import/readers/OpenOfficeCalc.h"

#include <algorithm>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "import/readers/XmlTokenizer.h"
#include "import/readers/ZipArchive.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

[[noreturn]] void RaiseInvalidFormat() { throw ESMIFileFormatException(String(strEInvalidFileFormat)); }

std::string_view Attr(const TXmlTokenizer& xml, std::string_view name) {
  std::string_view value;
  xml.Attribute(name, value);
  return value;
}

// A repeat count: at least 1, at most limit (a forged count never drives
// more work than the sheet can hold).
Integer RepeatCount(std::string_view text, Integer limit) {
  Int64 n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    n = std::min<Int64>(n * 10 + (c - '0'), limit);
  }
  return static_cast<Integer>(std::clamp<Int64>(n, 1, limit));
}

TAlignment AlignmentOf(std::string_view align) {
  if (align == "center") return taCenter;
  if (align == "end") return taRightJustify;
  return taLeftJustify;
}

constexpr Int64 kMaxRepeatedCopies = Int64{1} << 22;

// What one copy of a repeated value costs of kMaxRepeatedCopies: one, and
// one more for every eight characters of a text, so that a forged count
// cannot fill memory with copies of a long text either.
Int64 CopyCost(const Variant& value) {
  const String* text = value.StringValue();
  return 1 + (text != nullptr ? static_cast<Int64>(text->size() / 8) : 0);
}

// One cell of a row that repeats, kept to be delivered again.
struct TKeptCell {
  Integer Column;
  Variant Value;
  TAlignment Alignment;
  TSMICellType CellType;
};

}  // namespace

// ---- helpers ----------------------------------------------------------------------

Cardinal GetColorFromHTML(StringView text) {
  if (text.size() < 7 || text[0] != u'#') return 0;
  Cardinal rgb[3] = {};
  for (int k = 0; k < 3; ++k) {
    for (int d = 0; d < 2; ++d) {
      const char16_t c = text[static_cast<size_t>(1 + 2 * k + d)];
      const int v = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10
                    : c >= u'A' && c <= u'F' ? c - u'A' + 10 : -1;
      if (v < 0) return 0;
      rgb[k] = rgb[k] * 16 + static_cast<Cardinal>(v);
    }
  }
  return rgb[0] + rgb[1] * 256 + rgb[2] * 65536;
}

Integer GetNumericValue(StringView text) {
  Int64 n = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    n = std::min<Int64>(n * 10 + (c - u'0'), 2147483647);
  }
  return static_cast<Integer>(n);
}

void GetRectFromHTML(StringView text, TSMIORect& rect) {
  if (text.size() < 6 || text.substr(0, 5) != u"rect(") return;
  const StringView inner = text.substr(5, text.size() - 6);
  Integer runs[4] = {};
  int found = 0;
  size_t i = 0;
  while (i < inner.size() && found < 4) {
    if (inner[i] < u'0' || inner[i] > u'9') {
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < inner.size() && inner[i] >= u'0' && inner[i] <= u'9') ++i;
    // A run counts only when something follows it.
    if (i < inner.size()) runs[found++] = GetNumericValue(inner.substr(start, i - start));
  }
  if (found < 4) return;
  rect = {runs[0], runs[1], runs[0] + runs[2], runs[1] + runs[3]};
}

// ---- styles -----------------------------------------------------------------------

void TSMIOOStyles::Add(std::unique_ptr<TSMIOOStyle> style) {
  FByName.try_emplace(style->StyleName, style.get());
  FStyles.push_back(std::move(style));
}

void TSMIOOStyles::ClearStyles() {
  FByName.clear();
  FStyles.clear();
}

TSMIOOStyle* TSMIOOStyles::GetStyle(Integer index) const {
  return index >= 0 && index < Count() ? FStyles[static_cast<size_t>(index)].get() : nullptr;
}

TSMIOOStyle* TSMIOOStyles::FindByStyleName(const String& name) const {
  const auto it = FByName.find(name);
  return it == FByName.end() ? nullptr : it->second;
}

// ---- the content part ------------------------------------------------------------

// The walk over "content.xml": the styles, then every table in turn. The
// package, the inflater and the tokenizer live with it, so the walk can
// stop between two rows of the sheet read on demand and go on later.
class TSMIOpenOfficeSpreadsheet::TContent {
 public:
  // pauseSheet: the table that pauses once row `through` is read (-1:
  // none).
  TContent(TSMIOpenOfficeSpreadsheet& owner, std::vector<Byte> bytes, Integer pauseSheet, Integer through)
      : FOwner(owner), FPauseSheet(pauseSheet), FThrough(through) {
    if (!smi::LooksLikeZip(bytes.data(), bytes.size())) RaiseInvalidFormat();
    FZip.LoadFromBytes(std::move(bytes));
    const Integer index = FZip.GetIndexByFileName("content.xml");
    if (index < 0) RaiseInvalidFormat();
    FEntry = FZip.OpenEntry(index);
    FTotal = static_cast<Int64>(FEntry->Size());
    // Inflating and splitting into tokens run on the tokenizer's own
    // thread, ahead of the rows being delivered.
    FXml = std::make_unique<TXmlTokenizer>(
        [entry = FEntry.get()](char* buffer, size_t count) { return entry->Read(buffer, count); }, true);
  }

  // The sheet that is paused, -1 when none is.
  Integer PausedSheet() const { return FPaused ? FPauseSheet : -1; }
  // Reads on until row `through` of the paused sheet is complete, or to the
  // end of the part; true when it paused again.
  bool ReadThrough(Integer through) {
    FThrough = through;
    if (FLastValueRow > FThrough) return true;
    FPaused = false;
    Read();
    return FPaused;
  }
  // Reads until the pause or the end of the part.
  void Read();

 private:
  void BeginTable(Integer sheet, bool skip);
  // One token inside a table; false at the table's end tag.
  bool TableToken(TXmlTokenizer::TToken token);
  void Deliver(Integer row, Integer col, const Variant& value, TAlignment alignment, TSMICellType type);
  void EndCell();
  void EndRow();
  // At a row's end: whether the walk stops here for now.
  bool PauseHere();

  TSMIOpenOfficeSpreadsheet& FOwner;
  smi::TZipArchive FZip;
  std::unique_ptr<smi::TZipEntryReader> FEntry;
  std::unique_ptr<TXmlTokenizer> FXml;
  Int64 FTotal = 0;

  // The document: the table number, the depth below the spreadsheet
  // element (-1 before it), whether a table is being read.
  Integer FSheet = 0;
  Integer FDepth = -1;
  bool FInTable = false;
  bool FEnded = false;

  // Rows on demand.
  Integer FPauseSheet;
  Integer FThrough;
  bool FPaused = false;
  // Whether the paused table was found fit to pause (decided at the first
  // pause).
  bool FPauseChecked = false;
  // In the pause sheet: the last row and the columns that hold a value,
  // and the columns the table declares.
  Integer FLastValueRow = -1;
  Integer FUsedColumns = 0;
  Int64 FDeclaredColumns = 0;

  // The table being read.
  Integer FTableSheet = 0;
  bool FSkip = false;
  bool FPictures = false;
  Integer FLastRow = 0;
  Integer FTableDepth = 0;
  // Rows and columns: the next one's index; a repeated row or cell takes
  // as many as it repeats.
  Integer FNextRow = 0, FRow = -1, FRowRepeat = 1;
  Integer FNextCol = 0, FCol = -1, FColRepeat = 1;
  std::vector<TKeptCell> FKept;  // the cells of a repeating row
  // The cell being read.
  Integer FCellDepth = -1;  // depth of the cell element, -1 outside a cell
  Integer FParagraphs = 0, FOpenParagraphs = 0;
  Integer FSkipFrom = -1;  // inside an element whose content is no cell text
  std::string FText, FImage;
  TSMICellType FCellType = ictString;
  TAlignment FAlignment = taLeftJustify;
  std::string FLastStyle;
  TAlignment FLastAlignment = taLeftJustify;
  // Copies that repeat counts make of cells with values: real files repeat
  // a value a few times, a forged count would fill memory.
  Int64 FCopiesLeft = kMaxRepeatedCopies;
  // Takes the cost of copies from what is left; false when it is spent.
  bool TakeCopies(Int64 cost) {
    if (FCopiesLeft < cost) return false;
    FCopiesLeft -= cost;
    return true;
  }
};

void TSMIOpenOfficeSpreadsheet::TContent::Read() {
  TXmlTokenizer& xml = *FXml;
  while (!FEnded) {
    const auto token = xml.Next();
    if (token == TXmlTokenizer::tkEnd) break;
    if (FInTable) {
      if (!TableToken(token)) {
        FInTable = false;
        ++FSheet;
      }
      if (FPaused) return;
      continue;
    }
    if (token == TXmlTokenizer::tkStartTag) {
      // The styles come before the body; the tables are the spreadsheet's
      // direct children.
      const std::string_view name = xml.Name();
      if (FDepth < 0) {
        if (name == "office:automatic-styles" && !xml.SelfClosing()) FOwner.ReadStyles(xml);
        else if (name == "office:spreadsheet" && !xml.SelfClosing()) FDepth = 0;
      } else if (FDepth == 0 && name == "table:table") {
        std::string_view caption;
        const String title = xml.Attribute("table:name", caption) ? XmlTextToString(caption)
                                                                 : String(strSheetName) + IntToStr(FSheet);
        bool skip = false;
        if (FOwner.OnSheet) FOwner.OnSheet(&FOwner, title, FSheet, skip);
        if (xml.SelfClosing()) {
          ++FSheet;
        } else {
          BeginTable(FSheet, skip);
        }
      } else if (!xml.SelfClosing()) {
        ++FDepth;
      }
    } else if (token == TXmlTokenizer::tkEndTag && FDepth >= 0) {
      if (FDepth == 0) break;  // the end of the spreadsheet
      --FDepth;
    }
    FOwner.UpdateProgress(static_cast<Int64>(xml.Position()), FTotal);
  }
  FEnded = true;
  // Whatever the tokens left unread is still checked (size and checksum).
  xml.Drain();
}

void TSMIOpenOfficeSpreadsheet::TContent::BeginTable(Integer sheet, bool skip) {
  FInTable = true;
  FTableSheet = sheet;
  FSkip = skip;
  FPictures = FOwner.HasParseItem(ipiPictures);
  FLastRow = std::min(FOwner.LoadRange().LastRow, kMaxSheetRows - 1);
  FTableDepth = 0;
  FNextRow = FNextCol = 0;
  FRow = FCol = -1;
  FRowRepeat = FColRepeat = 1;
  FKept.clear();
  FCellDepth = -1;
  FSkipFrom = -1;
  FLastStyle.clear();
  FLastAlignment = taLeftJustify;
  FCopiesLeft = kMaxRepeatedCopies;
}

void TSMIOpenOfficeSpreadsheet::TContent::Deliver(Integer row, Integer col, const Variant& value,
                                                  TAlignment alignment, TSMICellType type) {
  if (FTableSheet == FPauseSheet) {
    FLastValueRow = std::max(FLastValueRow, row);
    FUsedColumns = std::max(FUsedColumns, col + 1);
  }
  if (FOwner.OnCellValue) FOwner.OnCellValue(&FOwner, FTableSheet, row, col, -1, value, alignment, type);
}

void TSMIOpenOfficeSpreadsheet::TContent::EndCell() {
  if (!FSkip && (FParagraphs > 0 || !FImage.empty())) {
    const Variant value(FImage.empty() ? XmlTextToString(FText) : XmlTextToString(FImage));
    const Integer last = static_cast<Integer>(std::min<Int64>(Int64{FCol} + FColRepeat, kMaxSheetColumns));
    const Int64 cost = CopyCost(value);
    for (Integer c = FCol; c < last && (c == FCol || TakeCopies(cost)); ++c) {
      Deliver(FRow, c, value, FAlignment, FCellType);
      if (FRowRepeat > 1) FKept.push_back({c, value, FAlignment, FCellType});
    }
  }
  FNextCol = static_cast<Integer>(std::min<Int64>(Int64{FCol} + FColRepeat, kMaxSheetColumns));
  FCellDepth = -1;
}

void TSMIOpenOfficeSpreadsheet::TContent::EndRow() {
  const Integer last = static_cast<Integer>(std::min<Int64>(Int64{FRow} + FRowRepeat, Int64{FLastRow} + 1));
  Int64 cost = 0;
  for (const TKeptCell& cell : FKept) cost += CopyCost(cell.Value);
  for (Integer r = FRow + 1; r < last && TakeCopies(cost); ++r) {
    for (const TKeptCell& cell : FKept) Deliver(r, cell.Column, cell.Value, cell.Alignment, cell.CellType);
  }
  FKept.clear();
  FNextRow = static_cast<Integer>(std::min<Int64>(Int64{FRow} + FRowRepeat, kMaxSheetRows));
  // Rows past the load range are read no further.
  if (FNextRow > FLastRow) FSkip = true;
  FOwner.UpdateProgress(static_cast<Int64>(FXml->Position()), FTotal);
}

bool TSMIOpenOfficeSpreadsheet::TContent::PauseHere() {
  // Row `through` is complete once a later row holds a value: the rows
  // between are empty, and the sheet's used range already covers them.
  if (FTableSheet != FPauseSheet || FLastValueRow <= FThrough) return false;
  if (!FPauseChecked) {
    FPauseChecked = true;
    // A table whose first rows leave declared columns empty is read whole:
    // a later row may widen it.
    if (FDeclaredColumns == 0 || FUsedColumns < FDeclaredColumns) FPauseSheet = -1;
  }
  FPaused = FPauseSheet >= 0;
  return FPaused;
}

bool TSMIOpenOfficeSpreadsheet::TContent::TableToken(TXmlTokenizer::TToken token) {
  TXmlTokenizer& xml = *FXml;
  if (token == TXmlTokenizer::tkText) {
    if (FCellDepth >= 0 && FOpenParagraphs > 0 && FSkipFrom < 0) FText.append(xml.Text());
    return true;
  }
  if (token == TXmlTokenizer::tkEndTag) {
    if (FTableDepth == 0) return false;  // the table's end
    --FTableDepth;
    const std::string_view name = xml.Name();
    if (FSkipFrom >= 0) {
      if (FTableDepth == FSkipFrom) FSkipFrom = -1;
    } else if (FCellDepth >= 0 && FTableDepth == FCellDepth) {
      EndCell();
    } else if (name == "text:p" || name == "text:h") {
      --FOpenParagraphs;
    } else if (name == "table:table-row" && FCellDepth < 0) {
      EndRow();
      PauseHere();
    }
    return true;
  }
  if (token != TXmlTokenizer::tkStartTag) return true;
  const std::string_view name = xml.Name();
  const bool closed = xml.SelfClosing();
  const Integer at = FTableDepth;
  if (!closed) ++FTableDepth;
  if (FSkip || FSkipFrom >= 0) return true;
  if (FCellDepth >= 0) {
    // Inside a cell: its paragraphs and what stands in them.
    if (name == "text:p" || name == "text:h") {
      if (FParagraphs++ > 0) FText.push_back('\n');
      if (!closed) ++FOpenParagraphs;
    } else if (name == "text:s") {
      FText.append(static_cast<size_t>(RepeatCount(Attr(xml, "text:c"), 1024)), ' ');
    } else if (name == "text:tab") {
      FText.push_back('\t');
    } else if (name == "text:line-break") {
      FText.push_back('\n');
    } else if (name == "office:annotation") {
      // A comment's paragraphs are not the cell's text.
      if (!closed) FSkipFrom = at;
    } else if (name == "draw:image" && FPictures) {
      std::string_view href;
      if (xml.Attribute("xlink:href", href)) FImage.assign(href);
    }
    return true;
  }
  if (name == "table:table-row") {
    FRow = FNextRow;
    FNextCol = 0;
    FRowRepeat = RepeatCount(Attr(xml, "table:number-rows-repeated"), kMaxSheetRows);
    if (FRow > FLastRow) {
      FSkip = true;
      return true;
    }
    if (closed) {
      EndRow();
      PauseHere();
    }
  } else if (name == "table:table-cell" || name == "table:covered-table-cell") {
    // A covered cell (under a merged one) still takes its column.
    FCol = FNextCol;
    static constexpr std::string_view kCellAttributes[] = {"table:number-columns-repeated", "office:value-type",
                                                           "table:style-name"};
    std::string_view values[3];
    xml.Attributes(kCellAttributes, values, 3);
    FColRepeat = RepeatCount(values[0], kMaxSheetColumns);
    const std::string_view type = values[1];
    FCellType = type == "float" ? ictDecimal : type == "date" ? ictDateTime : ictString;
    const std::string_view style = values[2];
    if (style != FLastStyle) {
      FLastStyle.assign(style);
      const auto* textStyle =
          dynamic_cast<const TSMIOOStyleText*>(FOwner.FStyles.FindByStyleName(XmlTextToString(style)));
      FLastAlignment = textStyle != nullptr ? textStyle->Alignment : taLeftJustify;
    }
    FAlignment = FLastAlignment;
    FText.clear();
    FImage.clear();
    FParagraphs = FOpenParagraphs = 0;
    FCellDepth = at;
    if (closed) EndCell();
  } else if (name == "table:table-column" && FTableSheet == FPauseSheet) {
    FDeclaredColumns = std::min<Int64>(
        FDeclaredColumns + RepeatCount(Attr(xml, "table:number-columns-repeated"), kMaxSheetColumns),
        kMaxSheetColumns);
  }
  return true;
}

// ---- the reader -------------------------------------------------------------------

TSMIOpenOfficeSpreadsheet::TSMIOpenOfficeSpreadsheet(TComponent* owner) : TSpreadSheetFile(owner) {}
TSMIOpenOfficeSpreadsheet::~TSMIOpenOfficeSpreadsheet() = default;

void TSMIOpenOfficeSpreadsheet::ApplyEvents() {
  TSpreadSheetFile::ApplyEvents();
  FSummaryInformation.Clear();
  FStyles.ClearStyles();
  FSheetIndex = -1;
}

void TSMIOpenOfficeSpreadsheet::LoadFromFile(const String& fileName) {
  // Every load reads all tables; the sheet asked for is the one that may
  // be read on demand.
  const Integer sheet = FSheetIndex;
  TSpreadSheetFile::LoadFromFile(fileName);
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  Load(stream, sheet);
}

void TSMIOpenOfficeSpreadsheet::LoadFromStream(TStream& stream) {
  const Integer sheet = FSheetIndex;
  TSpreadSheetFile::LoadFromStream(stream);
  Load(stream, sheet);
}

void TSMIOpenOfficeSpreadsheet::Load(TStream& stream, Integer sheet) {
  FContent.reset();
  FAskedSheet = sheet;
  std::vector<Byte> bytes(static_cast<size_t>(std::max<Int64>(stream.Size() - stream.Position(), 0)));
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  const bool onDemand = RowsOnDemand > 0 && sheet >= 0;
  auto content = std::make_unique<TContent>(*this, std::move(bytes), onDemand ? sheet : -1, RowsOnDemand - 1);
  content->Read();
  if (content->PausedSheet() >= 0) FContent = std::move(content);
}

Integer TSMIOpenOfficeSpreadsheet::FindColumn(const String& fieldName) {
  if (FNameKind == nkFieldName) return -1;
  return GetSpreadSheetColID(fieldName, Sheets.Spreadsheet(FAskedSheet).Cells.UsedColCount);
}

void TSMIOpenOfficeSpreadsheet::FillColumnList(TColumnList& list, const String& fieldList) {
  list.clear();
  if (FNameKind == nkAlphabet) BuildColList(Sheets.Spreadsheet(FAskedSheet).Cells.UsedColCount, fieldList, list);
}

void TSMIOpenOfficeSpreadsheet::LoadRowsThrough(Integer row) {
  if (!FContent) return;
  const Integer sheet = FContent->PausedSheet();
  try {
    if (!FContent->ReadThrough(row)) FContent.reset();
  } catch (...) {
    // A damaged part ends the reading; the rows read so far stay.
    FContent.reset();
    throw;
  }
  Sheets.Spreadsheet(sheet).Cells.ReleaseRowsBefore(row);
}

void TSMIOpenOfficeSpreadsheet::ReadStyles(TXmlTokenizer& xml) {
  Integer depth = 0;
  std::unique_ptr<TSMIOOStyle> style;
  for (auto token = xml.Next(); token != TXmlTokenizer::tkEnd; token = xml.Next()) {
    if (token == TXmlTokenizer::tkEndTag) {
      if (depth == 0) return;
      if (--depth == 0 && style) FStyles.Add(std::move(style));
      continue;
    }
    if (token != TXmlTokenizer::tkStartTag) continue;
    const std::string_view name = xml.Name();
    if (depth == 0) {
      const String family = XmlTextToString(Attr(xml, "style:family"));
      if (family == u"text" || family == u"paragraph") style = std::make_unique<TSMIOOStyleText>();
      else if (family == u"graphic") style = std::make_unique<TSMIOOStyleGraphic>();
      else if (family.empty() && name == "text:list-style") style = std::make_unique<TSMIOOStyleNumList>();
      else style = std::make_unique<TSMIOOStyle>();
      style->StyleName = XmlTextToString(Attr(xml, "style:name"));
      style->StyleFamily = family;
      if (xml.SelfClosing()) FStyles.Add(std::move(style));
      else ++depth;
      continue;
    }
    if (!xml.SelfClosing()) ++depth;
    if (auto* text = dynamic_cast<TSMIOOStyleText*>(style.get()); text && name == "style:text-properties") {
      text->Alignment = AlignmentOf(Attr(xml, "fo:text-align"));
      text->TextFont.Italic = Attr(xml, "fo:font-style") == "italic";
      text->TextFont.Underline = !Attr(xml, "style:text-underline-style").empty() ||
                                 !Attr(xml, "fo:text-underline-style").empty();
      text->TextFont.Bold = Attr(xml, "fo:font-weight") == "bold";
      if (std::string_view color; xml.Attribute("fo:color", color))
        text->TextFont.Color = GetColorFromHTML(XmlTextToString(color));
      if (std::string_view color; xml.Attribute("fo:background-color", color))
        text->Color = GetColorFromHTML(XmlTextToString(color));
      // A size that does not begin with digits ("medium", a broken value)
      // is ignored; the style keeps its other properties.
      const String size = XmlTextToString(Attr(xml, "fo:font-size"));
      if (!size.empty() && size[0] >= u'0' && size[0] <= u'9') text->TextFont.Size = GetNumericValue(size);
    } else if (auto* graphic = dynamic_cast<TSMIOOStyleGraphic*>(style.get());
               graphic && name == "style:graphic-properties") {
      GetRectFromHTML(XmlTextToString(Attr(xml, "fo:clip")), graphic->ClipRect);
    }
  }
}

// ---- the import component ---------------------------------------------------------

TRADerevuFromOpenOfficeCalc::TRADerevuFromOpenOfficeCalc(TComponent* owner) : TRADerevuFromCell(owner) {
  SetTableType(teODS);
}

std::unique_ptr<TSpreadSheetFile> TRADerevuFromOpenOfficeCalc::WorkBookCreation() {
  // Whatever the file's name, its content decides: a file that is no
  // spreadsheet fails with the reader's error instead of importing nothing.
  return CreateSpreadSheetReader(teODS, SourceFileName());
}

String TRADerevuFromOpenOfficeCalc::FillFileFilters() const {
  return String(strFormatN) + u"|*.ODS|" + strAllFiles;
}

Integer TRADerevuFromOpenOfficeCalc::SourceColumnIndex(const String& name) {
  if (WorkBook() == nullptr || WorkBook()->NameKind() != nkAlphabet) return -1;
  return WorkBook()->FindColumn(name);
}

StringView TRADerevuFromOpenOfficeCalc::SourceColumnText(Integer index, String& /*scratch*/) {
  const TSpreadSheet* sheet = CurrentSheet();
  const TSMICell* cell = sheet != nullptr ? sheet->Cells.GetCell(index, intCurRow) : nullptr;
  const String* text = cell != nullptr ? cell->Value.StringValue() : nullptr;
  return text != nullptr ? StringView(*text) : StringView();
}
