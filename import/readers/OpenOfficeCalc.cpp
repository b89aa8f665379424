#include "import/readers/OpenOfficeCalc.h"

#include <algorithm>
#include <cstring>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

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

// One cell of a row that repeats, kept to be delivered again.
struct TKeptCell {
  Integer Column;
  Variant Value;
  TAlignment Alignment;
  TSMICellType CellType;
};

// Inflates a package entry on a thread of its own, a few blocks ahead of
// the reader, so that inflating and reading the XML overlap. A failure of
// the entry (damaged data, a wrong checksum) is raised again by Read.
class TInflateAhead {
 public:
  explicit TInflateAhead(smi::TZipEntryReader& entry) : FEntry(entry), FWorker([this] { Run(); }) {}
  ~TInflateAhead() {
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FStop = true;
    }
    FChanged.notify_all();
    FWorker.join();
  }
  TInflateAhead(const TInflateAhead&) = delete;
  TInflateAhead& operator=(const TInflateAhead&) = delete;

  // Up to count bytes; 0 at the end of the entry.
  size_t Read(char* buffer, size_t count) {
    while (FOffset == FCurrent.size()) {
      std::unique_lock<std::mutex> lock(FMutex);
      FChanged.wait(lock, [this] { return !FBlocks.empty() || FDone; });
      if (FBlocks.empty()) {
        if (FError) std::rethrow_exception(FError);
        return 0;
      }
      FCurrent = std::move(FBlocks.front());
      FBlocks.pop_front();
      FOffset = 0;
      lock.unlock();
      FChanged.notify_all();
    }
    const size_t n = std::min(count, FCurrent.size() - FOffset);
    std::memcpy(buffer, FCurrent.data() + FOffset, n);
    FOffset += n;
    return n;
  }

 private:
  static constexpr size_t kBlock = 1 << 18;
  static constexpr size_t kAhead = 8;

  void Run() {
    try {
      while (true) {
        std::string block(kBlock, '\0');
        block.resize(FEntry.Read(block.data(), block.size()));
        std::unique_lock<std::mutex> lock(FMutex);
        FChanged.wait(lock, [this] { return FBlocks.size() < kAhead || FStop; });
        if (FStop || block.empty()) break;
        FBlocks.push_back(std::move(block));
        lock.unlock();
        FChanged.notify_all();
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(FMutex);
      FError = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FDone = true;
    }
    FChanged.notify_all();
  }

  smi::TZipEntryReader& FEntry;
  std::mutex FMutex;
  std::condition_variable FChanged;
  std::deque<std::string> FBlocks;
  std::exception_ptr FError;
  bool FDone = false;
  bool FStop = false;
  std::string FCurrent;
  size_t FOffset = 0;
  std::thread FWorker;  // last: it starts once the rest is made
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
  TSpreadSheetFile::LoadFromFile(fileName);
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TSMIOpenOfficeSpreadsheet::LoadFromStream(TStream& stream) {
  TSpreadSheetFile::LoadFromStream(stream);
  std::vector<Byte> bytes(static_cast<size_t>(std::max<Int64>(stream.Size() - stream.Position(), 0)));
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  LoadBytes(bytes);
}

void TSMIOpenOfficeSpreadsheet::LoadBytes(const std::vector<Byte>& bytes) {
  if (!smi::LooksLikeZip(bytes.data(), bytes.size())) RaiseInvalidFormat();
  smi::TZipArchive zip;
  zip.LoadFromBytes(bytes.data(), bytes.size());
  const Integer index = zip.GetIndexByFileName("content.xml");
  if (index < 0) RaiseInvalidFormat();
  auto entry = zip.OpenEntry(index);
  const Int64 total = static_cast<Int64>(entry->Size());
  TInflateAhead inflated(*entry);
  TXmlTokenizer xml([&inflated](char* buffer, size_t count) { return inflated.Read(buffer, count); });

  // The styles come before the body; the tables are the spreadsheet's
  // direct children.
  Integer sheet = 0;
  Integer depth = -1;  // inside the spreadsheet element: its depth below it
  for (auto token = xml.Next(); token != TXmlTokenizer::tkEnd; token = xml.Next()) {
    if (token == TXmlTokenizer::tkStartTag) {
      const std::string_view name = xml.Name();
      if (depth < 0) {
        if (name == "office:automatic-styles" && !xml.SelfClosing()) ReadStyles(xml);
        else if (name == "office:spreadsheet" && !xml.SelfClosing()) depth = 0;
      } else if (depth == 0 && name == "table:table") {
        std::string_view caption;
        const String title = xml.Attribute("table:name", caption) ? XmlTextToString(caption)
                                                                 : String(strSheetName) + IntToStr(sheet);
        bool skip = false;
        if (OnSheet) OnSheet(this, title, sheet, skip);
        if (!xml.SelfClosing()) ReadTable(xml, sheet, skip, total);
        ++sheet;
      } else if (!xml.SelfClosing()) {
        ++depth;
      }
    } else if (token == TXmlTokenizer::tkEndTag && depth >= 0) {
      if (depth == 0) break;  // the end of the spreadsheet
      --depth;
    }
    UpdateProgress(static_cast<Int64>(xml.Position()), total);
  }
  // Whatever the tokens left unread is still checked (size and checksum).
  char rest[4096];
  while (inflated.Read(rest, sizeof rest) > 0) {
  }
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

void TSMIOpenOfficeSpreadsheet::ReadTable(TXmlTokenizer& xml, Integer sheet, bool skip, Int64 total) {
  const bool pictures = HasParseItem(ipiPictures);
  const Integer lastRow = std::min(LoadRange().LastRow, kMaxSheetRows - 1);
  Integer depth = 0;
  // Rows and columns: the next one's index; a repeated row or cell takes
  // as many as it repeats.
  Integer nextRow = 0, row = -1, rowRepeat = 1;
  Integer nextCol = 0, col = -1, colRepeat = 1;
  std::vector<TKeptCell> kept;  // the cells of a repeating row
  // The cell being read.
  Integer cellDepth = -1;  // depth of the cell element, -1 outside a cell
  Integer paragraphs = 0, openParagraphs = 0;
  Integer skipFrom = -1;  // inside an element whose content is no cell text
  std::string text, image;
  TSMICellType cellType = ictString;
  TAlignment alignment = taLeftJustify;
  std::string lastStyle;
  TAlignment lastAlignment = taLeftJustify;
  // Copies that repeat counts make of cells with values: real files repeat
  // a value a few times, a forged count would fill memory.
  Int64 copiesLeft = kMaxRepeatedCopies;

  auto deliver = [&](Integer r, Integer c, const Variant& value, TAlignment a, TSMICellType t) {
    if (OnCellValue) OnCellValue(this, sheet, r, c, -1, value, a, t);
  };
  auto endCell = [&]() {
    if (!skip && (paragraphs > 0 || !image.empty())) {
      const Variant value(image.empty() ? XmlTextToString(text) : XmlTextToString(image));
      const Integer last = static_cast<Integer>(std::min<Int64>(Int64{col} + colRepeat, kMaxSheetColumns));
      for (Integer c = col; c < last && (c == col || copiesLeft-- > 0); ++c) {
        deliver(row, c, value, alignment, cellType);
        if (rowRepeat > 1) kept.push_back({c, value, alignment, cellType});
      }
    }
    nextCol = static_cast<Integer>(std::min<Int64>(Int64{col} + colRepeat, kMaxSheetColumns));
    cellDepth = -1;
  };
  auto endRow = [&]() {
    const Integer last = static_cast<Integer>(std::min<Int64>(Int64{row} + rowRepeat, Int64{lastRow} + 1));
    for (Integer r = row + 1; r < last && copiesLeft >= static_cast<Int64>(kept.size()); ++r) {
      copiesLeft -= static_cast<Int64>(kept.size());
      for (const TKeptCell& cell : kept) deliver(r, cell.Column, cell.Value, cell.Alignment, cell.CellType);
    }
    kept.clear();
    nextRow = static_cast<Integer>(std::min<Int64>(Int64{row} + rowRepeat, kMaxSheetRows));
    // Rows past the load range are read no further.
    if (nextRow > lastRow) skip = true;
    UpdateProgress(static_cast<Int64>(xml.Position()), total);
  };

  for (auto token = xml.Next(); token != TXmlTokenizer::tkEnd; token = xml.Next()) {
    if (token == TXmlTokenizer::tkText) {
      if (cellDepth >= 0 && openParagraphs > 0 && skipFrom < 0) text.append(xml.Text());
      continue;
    }
    if (token == TXmlTokenizer::tkEndTag) {
      if (depth == 0) return;  // the table's end
      --depth;
      const std::string_view name = xml.Name();
      if (skipFrom >= 0) {
        if (depth == skipFrom) skipFrom = -1;
      } else if (cellDepth >= 0 && depth == cellDepth) {
        endCell();
      } else if (name == "text:p" || name == "text:h") {
        --openParagraphs;
      } else if (name == "table:table-row" && cellDepth < 0) {
        endRow();
      }
      continue;
    }
    const std::string_view name = xml.Name();
    const bool closed = xml.SelfClosing();
    const Integer at = depth;
    if (!closed) ++depth;
    if (skip || skipFrom >= 0) continue;
    if (cellDepth >= 0) {
      // Inside a cell: its paragraphs and what stands in them.
      if (name == "text:p" || name == "text:h") {
        if (paragraphs++ > 0) text.push_back('\n');
        if (!closed) ++openParagraphs;
      } else if (name == "text:s") {
        text.append(static_cast<size_t>(RepeatCount(Attr(xml, "text:c"), 1024)), ' ');
      } else if (name == "text:tab") {
        text.push_back('\t');
      } else if (name == "text:line-break") {
        text.push_back('\n');
      } else if (name == "office:annotation") {
        // A comment's paragraphs are not the cell's text.
        if (!closed) skipFrom = at;
      } else if (name == "draw:image" && pictures) {
        std::string_view href;
        if (xml.Attribute("xlink:href", href)) image.assign(href);
      }
      continue;
    }
    if (name == "table:table-row") {
      row = nextRow;
      nextCol = 0;
      rowRepeat = RepeatCount(Attr(xml, "table:number-rows-repeated"), kMaxSheetRows);
      if (row > lastRow) {
        skip = true;
        continue;
      }
      if (closed) endRow();
    } else if (name == "table:table-cell" || name == "table:covered-table-cell") {
      // A covered cell (under a merged one) still takes its column.
      col = nextCol;
      static constexpr std::string_view kCellAttributes[] = {"table:number-columns-repeated", "office:value-type",
                                                             "table:style-name"};
      std::string_view values[3];
      xml.Attributes(kCellAttributes, values, 3);
      colRepeat = RepeatCount(values[0], kMaxSheetColumns);
      const std::string_view type = values[1];
      cellType = type == "float" ? ictDecimal : type == "date" ? ictDateTime : ictString;
      const std::string_view style = values[2];
      if (style != lastStyle) {
        lastStyle.assign(style);
        const auto* textStyle = dynamic_cast<const TSMIOOStyleText*>(FStyles.FindByStyleName(XmlTextToString(style)));
        lastAlignment = textStyle != nullptr ? textStyle->Alignment : taLeftJustify;
      }
      alignment = lastAlignment;
      text.clear();
      image.clear();
      paragraphs = openParagraphs = 0;
      cellDepth = at;
      if (closed) endCell();
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
