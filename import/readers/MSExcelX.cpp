#include "import/readers/MSExcelX.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "import/VODUtils.h"
#include "import/readers/SMXMLEngine.h"
#include "import/readers/XmlTokenizer.h"
#include "import/readers/ZipArchive.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
#include "platform/win/CompoundFile.h"

using smi::LooksLikeZip;
using smi::TZipArchive;

namespace {

// The largest sheet the package formats describe; cells beyond are dropped.
constexpr Integer kPackageRows = 1048576;
constexpr Integer kPackageColumns = 16384;

[[noreturn]] void RaiseInvalidFormat() { throw ESMIFileFormatException(String(strEInvalidFileFormat)); }

// The name after a namespace prefix ("x:c" → "c").
StringView LocalName(StringView name) {
  const size_t colon = name.rfind(u':');
  return colon == StringView::npos ? name : name.substr(colon + 1);
}

StringView ParentName(const TSMXMLItem* parent) {
  return parent != nullptr ? LocalName(parent->TagName) : StringView();
}

String Attribute(StringView attributes, StringView name) {
  String value;
  FindAttribute(attributes, name, value);
  return value;
}

String DecodedAttribute(StringView attributes, StringView name) {
  String value = Attribute(attributes, name);
  DecodeXmlEntities(value);
  return value;
}

Integer IntAttribute(StringView attributes, StringView name, Integer fallback) {
  return StrToIntDef(Trim(Attribute(attributes, name)), fallback);
}

// A relationship id's attribute ("r:id" under any prefix).
String RelationshipId(StringView attributes) {
  size_t at = 0;
  while ((at = attributes.find(u":id", at)) != StringView::npos) {
    size_t start = at;
    while (start > 0 && attributes[start - 1] != u' ' && attributes[start - 1] != u'\t' &&
           attributes[start - 1] != u'\n' && attributes[start - 1] != u'\r')
      --start;
    String value;
    if (FindAttribute(attributes, attributes.substr(start, at + 3 - start), value)) return value;
    at += 3;
  }
  return {};
}

std::string_view TrimBlanks(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// A number written with "." (and maybe an exponent); false when it is none.
bool ReadNumber(std::string_view text, double& value) {
  text = TrimBlanks(text);
  if (text.empty()) return false;
  const char* first = text.data();
  const char* last = first + text.size();
  if (*first == '+') ++first;
  const auto result = std::from_chars(first, last, value);
  return result.ec == std::errc() && result.ptr == last;
}

// Raw XML text as a string; plain ASCII without references, the common
// case, is widened as it is.
String TextOf(std::string_view raw) {
  for (const char c : raw)
    if (static_cast<unsigned char>(c) >= 0x80 || c == '&') return XmlTextToString(raw);
  return String(raw.begin(), raw.end());
}

// A decimal integer between blanks; fallback for anything else.
Integer IntOf(std::string_view text, Integer fallback) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  Integer value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size() && !text.empty() ? value : fallback;
}

// The name after a namespace prefix ("x:c" → "c").
std::string_view LocalName(std::string_view name) {
  const size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// Passes over the element just opened, up to its end tag.
void SkipElement(TXmlTokenizer& xml) {
  int depth = 1;
  while (depth > 0) {
    switch (xml.Next()) {
      case TXmlTokenizer::tkEnd: return;
      case TXmlTokenizer::tkStartTag:
        if (!xml.SelfClosing()) ++depth;
        break;
      case TXmlTokenizer::tkEndTag: --depth; break;
      default: break;
    }
  }
}

// The raw text of the element just opened, up to its end tag (inner
// elements passed over), appended to text.
void CollectText(TXmlTokenizer& xml, std::string& text) {
  if (xml.SelfClosing()) return;
  while (true) {
    switch (xml.Next()) {
      case TXmlTokenizer::tkEnd:
      case TXmlTokenizer::tkEndTag: return;
      case TXmlTokenizer::tkText: text.append(xml.Text()); break;
      case TXmlTokenizer::tkStartTag:
        if (!xml.SelfClosing()) SkipElement(xml);
        break;
    }
  }
}

// A part's path from a relationship target, relative to the folder of the
// part that names it.
std::string ResolveTarget(const std::string& folder, const std::string& target) {
  if (!target.empty() && target[0] == '/') return target.substr(1);
  std::string path = folder;
  std::string rest = target;
  while (rest.rfind("../", 0) == 0) {
    rest.erase(0, 3);
    if (!path.empty()) path.pop_back();
    const size_t slash = path.rfind('/');
    path = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  }
  while (rest.rfind("./", 0) == 0) rest.erase(0, 2);
  return path + rest;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool EndsWith(StringView text, StringView tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

String UpperExtension(const String& fileName) {
  const size_t dot = fileName.rfind(u'.');
  const size_t slash = fileName.rfind(u'/');
  if (dot == String::npos || (slash != String::npos && dot < slash)) return {};
  return UpperCase(fileName.substr(dot));
}

// A BIFF12 wide string: a 32-bit character count and UTF-16 units.
String ReadWideString(TByteReader& r) {
  const Cardinal count = r.U32();
  if (count == 0xFFFFFFFF) return {};
  if (UInt64{count} * 2 > r.Remaining()) r.Fail(static_cast<size_t>(count) * 2);
  String s(count, u'\0');
  for (Cardinal i = 0; i < count; ++i) s[i] = static_cast<char16_t>(r.U16());
  return s;
}

}  // namespace

TMSExcelX::TMSExcelX(TComponent* owner) : TCustomMSExcel(owner) { FVersion = evExcel12; }
TMSExcelX::~TMSExcelX() = default;

bool TMSExcelX::IsBinaryExtension(const String& fileName) {
  const String ext = UpperExtension(fileName);
  return ext == u".XLSB" || ext == u".XLTB" || ext == u".XLAB";
}

bool TMSExcelX::IsPackageExtension(const String& fileName) {
  const String ext = UpperExtension(fileName);
  return IsBinaryExtension(fileName) || ext == u".XLSX" || ext == u".XLSM" || ext == u".XLTX" || ext == u".XLTM" ||
         ext == u".XLAX" || ext == u".XLAM";
}

void TMSExcelX::LoadFromFile(const String& fileName) {
  TSpreadSheetFile::LoadFromFile(fileName);
  FVersion = IsBinaryExtension(fileName) ? evExcel12Bin : evExcel12;
  auto file = std::make_unique<TFileStream>(fileName, fmOpenRead | fmShareDenyWrite);
  Byte head[8] = {};
  const size_t got = static_cast<size_t>(std::max<Int64>(file->Read(head, sizeof head), 0));
  file->SetPosition(0);
  if (TCompoundFile::IsCompoundFile(head, got)) {
    // The package inside a compound file is taken out whole.
    std::vector<Byte> data(static_cast<size_t>(std::max<Int64>(file->Size(), 0)));
    if (!data.empty()) file->ReadBuffer(data.data(), static_cast<Int64>(data.size()));
    LoadBytes(std::move(data));
    return;
  }
  // A package is read from the file as its parts are inflated, never
  // whole.
  ResetLoad();
  if (!LooksLikeZip(head, got)) RaiseInvalidFormat();
  auto zip = std::make_unique<TZipArchive>();
  zip->OpenFile(std::move(file));
  ReadArchive(std::move(zip));
}

void TMSExcelX::LoadFromStream(TStream& stream) {
  TSpreadSheetFile::LoadFromStream(stream);
  std::vector<Byte> data(static_cast<size_t>(std::max<Int64>(stream.Size() - stream.Position(), 0)));
  if (!data.empty()) stream.ReadBuffer(data.data(), static_cast<Int64>(data.size()));
  LoadBytes(std::move(data));
}

void TMSExcelX::InternalLoadFromOLEStream(TStream& stream) {
  ApplyEvents();
  std::vector<Byte> data(static_cast<size_t>(std::max<Int64>(stream.Size() - stream.Position(), 0)));
  if (!data.empty()) stream.ReadBuffer(data.data(), static_cast<Int64>(data.size()));
  LoadBytes(std::move(data));
}

void TMSExcelX::ResetLoad() {
  FSheetXml.reset();
  FZip.reset();
  FRowsOnDemandSheet = false;
  PutBuiltInFormats(true);
}

void TMSExcelX::LoadBytes(std::vector<Byte> bytes) {
  ResetLoad();
  if (TCompoundFile::IsCompoundFile(bytes.data(), bytes.size())) {
    LoadCompoundFile(std::move(bytes));
    return;
  }
  if (!LooksLikeZip(bytes.data(), bytes.size())) RaiseInvalidFormat();
  auto zip = std::make_unique<TZipArchive>();
  zip->LoadFromBytes(std::move(bytes));
  ReadArchive(std::move(zip));
}

void TMSExcelX::ReadArchive(std::unique_ptr<TZipArchiveReader> zip) {
  FZip = std::move(zip);
  ReadPackage(*FZip);
  // A sheet read on demand still needs the archive.
  if (!FSheetXml) FZip.reset();
}

void TMSExcelX::LoadCompoundFile(std::vector<Byte> bytes) {
  TCompoundFile file;
  Integer package = -1;
  try {
    file.LoadFromBytes(std::move(bytes));
    if (file.Find(TCompoundFile::Root, u"EncryptionInfo") >= 0) RefuseEncrypted();
    package = file.Find(TCompoundFile::Root, u"Package");
  } catch (const ECompoundFileError&) {
    RaiseInvalidFormat();
  }
  // A compound file without a package is no workbook of this kind.
  if (package < 0 || file.Entry(package).Type != cetStream) RaiseInvalidFormat();
  std::vector<Byte> inner = file.ReadStream(package);
  if (!LooksLikeZip(inner.data(), inner.size())) RaiseInvalidFormat();
  auto zip = std::make_unique<TZipArchive>();
  zip->LoadFromBytes(std::move(inner));
  ReadArchive(std::move(zip));
}

bool TMSExcelX::ParseXmlPart(TZipArchive& zip, const std::string& path, TSMXMLEngine& engine) {
  const Integer index = zip.GetIndexByFileName(path);
  if (index < 0) return false;
  auto entry = zip.OpenEntry(index);
  engine.ForceUtf8 = true;
  engine.LoadFromSource([&entry](char* buffer, size_t count) { return entry->Read(buffer, count); });
  // Whatever the parse left unread is still checked (size and checksum).
  char rest[4096];
  while (entry->Read(rest, sizeof rest) > 0) {
  }
  return true;
}

void TMSExcelX::ReadDocProps(TZipArchive& zip) {
  for (const char* part : {"docProps/app.xml", "docProps/core.xml"}) {
    try {
      TSMXMLEngine engine;
      if (!ParseXmlPart(zip, part, engine)) continue;
      auto walk = [this](auto&& self, TSMXMLItem* item) -> void {
        if (item->Kind == ikProperty) FSummaryInformation.ParseXMLPair(item->TagName, item->GetTagXMLValue());
        for (auto& child : item->Items) self(self, child.get());
      };
      walk(walk, engine.RootItem());
    } catch (const Exception&) {
      // Document properties never fail the load.
    }
  }
}

void TMSExcelX::ReadPackage(TZipArchive& zip) {
  if (HasParseItem(ipiSummaryInformation)) ReadDocProps(zip);
  if (!HasParseItem(ipiText)) return;

  // The workbook part is the package's office document (normally
  // xl/workbook.xml, or .bin in the binary form).
  std::string workbook;
  {
    TSMXMLEngine rels;
    rels.OnTag = [&workbook](TComponent*, TSMXMLItem*, const String& tag, const String&, const String& attributes,
                             bool& accept) {
      if (LocalName(tag) == u"Relationship") {
        accept = false;
        if (EndsWith(Attribute(attributes, u"Type"), u"/officeDocument"))
          workbook = ResolveTarget("", StringToUtf8(DecodedAttribute(attributes, u"Target")));
      }
    };
    ParseXmlPart(zip, "_rels/.rels", rels);
  }
  if (workbook.empty() || zip.GetIndexByFileName(workbook) < 0)
    workbook = zip.GetIndexByFileName("xl/workbook.bin") >= 0 && zip.GetIndexByFileName("xl/workbook.xml") < 0
                   ? "xl/workbook.bin"
                   : "xl/workbook.xml";
  const bool binary = workbook.size() > 4 && workbook.compare(workbook.size() - 4, 4, ".bin") == 0;
  FVersion = binary ? evExcel12Bin : evExcel12;
  const bool hasWorkbook = zip.GetIndexByFileName(workbook) >= 0;

  // Related parts by their relationships, with the usual names as fallback.
  std::map<String, std::pair<String, std::string>> related;  // id → type, path
  {
    const std::string folder = FolderOf(workbook);
    const std::string relsPath = folder + "_rels/" + workbook.substr(folder.size()) + ".rels";
    TSMXMLEngine rels;
    rels.OnTag = [&](TComponent*, TSMXMLItem*, const String& tag, const String&, const String& attributes,
                     bool& accept) {
      if (LocalName(tag) != u"Relationship") return;
      accept = false;
      const String type = Attribute(attributes, u"Type");
      const size_t slash = type.rfind(u'/');
      related[Attribute(attributes, u"Id")] = {
          slash == String::npos ? type : type.substr(slash + 1),
          ResolveTarget(folder, StringToUtf8(DecodedAttribute(attributes, u"Target")))};
    };
    ParseXmlPart(zip, relsPath, rels);
  }
  auto partOfType = [&](StringView type, const std::string& fallback) {
    for (const auto& [id, item] : related)
      if (item.first == type) return item.second;
    return fallback;
  };

  FSheetParts.clear();
  if (binary) {
    ReadBinaryPart(zip, workbook);
  } else {
    FSheetParts = ReadWorkbookXml(zip, workbook);
  }
  for (size_t i = 0; i < FSheetParts.size(); ++i) {
    auto it = related.find(String(FSheetParts[i].Path.begin(), FSheetParts[i].Path.end()));
    if (it != related.end()) FSheetParts[i].Path = it->second.second;
    else FSheetParts[i].Path.clear();
  }
  if (FSheetParts.empty()) {
    // Sheet names from the document's title list, else three default ones.
    TSMXMLEngine app;
    app.OnTag = [this](TComponent*, TSMXMLItem* parent, const String& tag, const String& text, const String&,
                       bool& accept) {
      if (tag == u"vt:lpstr" && ParentName(parent) == u"vector") {
        String name = text;
        DecodeXmlEntities(name);
        FSheetParts.push_back({name, {}});
        accept = false;
      }
    };
    ParseXmlPart(zip, "docProps/app.xml", app);
    if (FSheetParts.empty())
      for (int i = 1; i <= 3; ++i) FSheetParts.push_back({String(strSheetName) + IntToStr(i), {}});
  }
  // Parts not found through a relationship are taken by position.
  bool anySheet = false;
  for (size_t i = 0; i < FSheetParts.size(); ++i) {
    std::string& path = FSheetParts[i].Path;
    const std::string n = std::to_string(i + 1);
    if (path.empty() || zip.GetIndexByFileName(path) < 0) {
      path = binary ? "xl/worksheets/sheet" + n + ".bin" : "xl/worksheets/sheet" + n + ".xml";
      if (!binary && zip.GetIndexByFileName(path) < 0) path = "xl/sheet" + n + ".xml";
    }
    anySheet = anySheet || zip.GetIndexByFileName(path) >= 0;
  }
  if (!hasWorkbook && !anySheet) RaiseInvalidFormat();

  const std::string folder = FolderOf(workbook);
  if (binary) {
    ReadBinaryPart(zip, partOfType(u"sharedStrings", folder + "sharedStrings.bin"));
    ReadBinaryPart(zip, partOfType(u"styles", folder + "styles.bin"));
  } else {
    ReadSharedStringsXml(zip, partOfType(u"sharedStrings", folder + "sharedStrings.xml"));
    ReadStylesXml(zip, partOfType(u"styles", folder + "styles.xml"));
  }

  for (size_t i = 0; i < FSheetParts.size(); ++i) {
    bool skip = false;
    if (OnSheet) OnSheet(this, FSheetParts[i].Name, static_cast<Integer>(i), skip);
    if (skip) continue;
    FCurSheet = static_cast<Integer>(i);
    intRowCount = intColCount = -1;
    CountIsDefined = false;
    if (zip.GetIndexByFileName(FSheetParts[i].Path) < 0) continue;
    if (binary)
      ReadBinaryPart(zip, FSheetParts[i].Path);
    else
      ReadSheetXml(zip, FSheetParts[i].Path);
  }
}

std::vector<TMSExcelX::TSheetPart> TMSExcelX::ReadWorkbookXml(TZipArchive& zip, const std::string& workbookPath) {
  std::vector<TSheetPart> sheets;
  TSMXMLEngine engine;
  engine.OnTag = [&](TComponent*, TSMXMLItem* parent, const String& tag, const String& text,
                     const String& attributes, bool& accept) {
    const StringView name = LocalName(tag);
    if (name == u"sheet" && ParentName(parent) == u"sheets") {
      const String id = RelationshipId(attributes);
      sheets.push_back({DecodedAttribute(attributes, u"name"), std::string(id.begin(), id.end())});
      accept = false;
    } else if (name == u"workbookPr") {
      const String date1904 = Attribute(attributes, u"date1904");
      if (date1904 == u"1" || SameText(date1904, u"true")) FBaseDate = 1462;
      accept = false;
    } else if (name == u"definedName") {
      String formula = text;
      DecodeXmlEntities(formula);
      Names.push_back({DecodedAttribute(attributes, u"name"), formula, 0});
      accept = false;
    } else {
      accept = name == u"workbook" || name == u"sheets" || name == u"definedNames";
    }
  };
  ParseXmlPart(zip, workbookPath, engine);
  return sheets;
}

void TMSExcelX::ReadSharedStringsXml(TZipArchive& zip, const std::string& path) {
  const Integer index = zip.GetIndexByFileName(path);
  if (index < 0) return;
  auto entry = zip.OpenEntry(index);
  TXmlTokenizer xml([&entry](char* buffer, size_t count) { return entry->Read(buffer, count); });
  // The open elements read: items, rich-text runs and the others (the
  // table, the document's element).
  enum TOpen : Byte { opOther, opItem, opRun };
  std::vector<TOpen> open;
  bool inItem = false;
  std::string text;
  for (TXmlTokenizer::TToken token; (token = xml.Next()) != TXmlTokenizer::tkEnd;) {
    if (token == TXmlTokenizer::tkText) continue;
    if (token == TXmlTokenizer::tkEndTag) {
      if (open.empty()) continue;
      if (open.back() == opItem) inItem = false;
      open.pop_back();
      continue;
    }
    const std::string_view name = LocalName(xml.Name());
    const TOpen parent = open.empty() ? opOther : open.back();
    TOpen element = opOther;
    if (open.empty() || name == "sst") {
      element = opOther;
    } else if (name == "si" || name == "sstItem") {
      // Every item is an entry, also one without text, so that the indices
      // of the cells stay right.
      SST.Add({});
      inItem = !xml.SelfClosing();
      element = opItem;
    } else if (name == "t" && inItem && (parent == opItem || parent == opRun)) {
      // Rich-text runs are joined as they are.
      text.clear();
      CollectText(xml, text);
      SST.AppendToLast(XmlTextToString(text));
      continue;
    } else if (name == "r") {
      element = opRun;
    } else {
      // Phonetic runs, run properties.
      if (!xml.SelfClosing()) SkipElement(xml);
      continue;
    }
    if (!xml.SelfClosing()) open.push_back(element);
  }
  // Whatever the parse left unread is still checked (size and checksum).
  char rest[4096];
  while (entry->Read(rest, sizeof rest) > 0) {
  }
}

void TMSExcelX::ReadStylesXml(TZipArchive& zip, const std::string& path) {
  TSMXMLEngine engine;
  engine.OnTag = [this](TComponent*, TSMXMLItem* parent, const String& tag, const String&, const String& attributes,
                        bool& accept) {
    const StringView name = LocalName(tag);
    const StringView parentName = ParentName(parent);
    accept = false;
    if (name == u"numFmt" && parentName == u"numFmts") {
      AddFormat(true, DecodedAttribute(attributes, u"formatCode"), IntAttribute(attributes, u"numFmtId", 0), 0, -1,
                -1);
    } else if (name == u"xf" && parentName == u"cellXfs") {
      AddFormat(false, String(), IntAttribute(attributes, u"numFmtId", 0), IntAttribute(attributes, u"fontId", 0),
                -1, -1);
    } else if (name == u"font" && parentName == u"fonts") {
      Fonts.emplace_back();
    } else {
      accept = name == u"styleSheet" || name == u"numFmts" || name == u"cellXfs" || name == u"fonts";
    }
  };
  ParseXmlPart(zip, path, engine);
}

// The cells of an XML sheet part as the tokenizer meets them, read from the
// UTF-8 bytes as they are inflated: no item is built and only the values
// become text. With a pause row set, the reading stops once a row at or
// after it has closed and the sheet has given its size, and goes on when
// asked.
class TMSExcelX::TSheetXml {
 public:
  TSheetXml(TMSExcelX& owner, const TZipArchive& zip, Integer index, Integer pauseAfter)
      : FOwner(owner),
        FEntry(zip.OpenEntry(index)),
        FXml([entry = FEntry.get()](char* buffer, size_t count) { return entry->Read(buffer, count); }, true),
        FPauseAfter(pauseAfter) {
    FWidths = static_cast<bool>(owner.OnColumnWidth);
  }

  void Start() { Run(); }
  bool Paused() const { return FPaused; }
  // The sheet's size from its dimension: rows and columns (0 when unknown).
  Integer DimensionRows() const { return FDimensionRows; }
  Integer DimensionColumns() const { return FDimensionColumns; }
  // Reads on until row `row` has closed or the part ends.
  void ReadThrough(Integer row) {
    FPauseAfter = row;
    while (FPaused && FLastClosedRow < row) {
      FPaused = false;
      Run();
    }
  }
  // After the part's end: whatever the parse left unread is still checked
  // (size and checksum).
  void Finish() { FXml.Drain(); }

 private:
  // The elements read; any other is passed over whole.
  enum TElement : Byte { elOther, elSheet, elSheetData, elRow, elCell, elValue, elInline, elRun, elText, elCols };

  static TElement ElementOf(std::string_view name, TElement parent, bool widths) {
    if (name == "c") return elCell;
    if (name == "row") return elRow;
    if (name == "v") return parent == elCell ? elValue : elOther;
    if (name == "is") return elInline;
    if (name == "r") return elRun;
    if (name == "t") return parent == elInline || parent == elRun ? elText : elOther;
    if (name == "worksheet") return elSheet;
    if (name == "sheetData") return elSheetData;
    if (name == "cols" && widths) return elCols;
    return elOther;
  }

  void Run() {
    while (true) {
      const TXmlTokenizer::TToken token = FXml.Next();
      if (token == TXmlTokenizer::tkEnd) return;
      if (token == TXmlTokenizer::tkText) continue;
      if (token == TXmlTokenizer::tkEndTag) {
        if (FStack.empty()) continue;
        const TElement closed = FStack.back();
        FStack.pop_back();
        if (closed == elCell) {
          if (FHasInline) DeliverValue(FInlineText, "inlineStr");
        } else if (closed == elRow) {
          FLastClosedRow = FRow;
          // Only a sheet that gave its size pauses: the consumer takes the
          // width of the rows to come from it.
          if (FPauseAfter >= 0 && FDimensionColumns > 0 && FRow >= FPauseAfter) {
            FPaused = true;
            return;
          }
        }
        continue;
      }
      const std::string_view name = LocalName(FXml.Name());
      // The document's element is read whatever its name.
      const TElement parent = FStack.empty() ? elSheet : FStack.back();
      const TElement element = FStack.empty() ? elSheet : ElementOf(name, parent, FWidths);
      switch (element) {
        case elCell: StartCell(); break;
        case elValue:
          FText.clear();
          CollectText(FXml, FText);
          DeliverValue(FText, FCellType);
          continue;
        case elText:
          CollectText(FXml, FInlineText);
          FHasInline = true;
          continue;
        case elRow: {
          std::string_view r;
          FXml.Attribute("r", r);
          const Integer number = IntOf(r, 0);
          FRow = number > 0 ? number - 1 : FRow + 1;
          FNextCol = 0;
          break;
        }
        case elOther:
          if (name == "dimension") ReadDimension();
          else if (name == "col" && parent == elCols) ReadColumnWidths();
          if (!FXml.SelfClosing()) SkipElement(FXml);
          continue;
        default: break;
      }
      // "<c/>" and the like hold nothing more.
      if (!FXml.SelfClosing()) FStack.push_back(element);
    }
  }

  void StartCell() {
    static constexpr std::string_view kNames[] = {"r", "t", "s"};
    std::string_view values[3];
    FXml.Attributes(kNames, values, 3);
    Integer r = -1, c = -1;
    if (values[0].data() != nullptr) ParseCellRef(values[0], r, c);
    // A cell without a (readable) reference takes the next column.
    if (r < 0 || c < 0) {
      r = std::max(FRow, 0);
      c = FNextCol;
    }
    FCellRow = r;
    FCellCol = c;
    FNextCol = c + 1;
    FRow = r;
    FCellType.assign(values[1]);
    FCellStyle = IntOf(values[2], -1);
    FInlineText.clear();
    FHasInline = false;
  }

  void ReadDimension() {
    // "A1:J100" (or "A1" for one cell): the last cell gives the size.
    std::string_view ref;
    FXml.Attribute("ref", ref);
    const size_t colon = ref.find(':');
    Integer r = -1, c = -1;
    ParseCellRef(colon == std::string_view::npos ? ref : ref.substr(colon + 1), r, c);
    if (r >= 0 && c >= 0) {
      FDimensionRows = std::min(r, kPackageRows - 1) + 1;
      FDimensionColumns = std::min(c, kPackageColumns - 1) + 1;
    }
  }

  void ReadColumnWidths() {
    static constexpr std::string_view kNames[] = {"min", "max", "width"};
    std::string_view values[3];
    FXml.Attributes(kNames, values, 3);
    if (values[0].data() == nullptr || values[1].data() == nullptr || values[2].data() == nullptr) return;
    double w = 0;
    const Integer first = IntOf(values[0], 0);
    Integer last = IntOf(values[1], 0);
    if (!ReadNumber(values[2], w) || first < 1) return;
    last = std::min(last, std::min(first + kPackageColumns, kPackageColumns));
    for (Integer col = first - 1; col < last; ++col)
      FOwner.OnColumnWidth(&FOwner, FOwner.FCurSheet, col, static_cast<Integer>(w * 256));
  }

  void Deliver(Variant&& value, TSMICellType type, Integer format) {
    if (FCellRow >= kPackageRows || FCellCol >= kPackageColumns) return;
    const TAlignment alignment = type == ictInteger || type == ictDecimal ? taRightJustify : taLeftJustify;
    FOwner.DeliverCell(FCellRow, FCellCol, format, std::move(value), alignment, type);
  }

  // A cell's value from its raw text and its type attribute.
  void DeliverValue(std::string_view text, std::string_view cellType) {
    Variant value;
    TSMICellType type = ictString;
    Integer format = -1;
    if (cellType == "s") {
      const Integer index = IntOf(text, -1);
      const TSharedStrings& sst = FOwner.SST;
      if (index < 0 || index >= static_cast<Integer>(sst.size())) return;
      value = Variant(String(sst[static_cast<size_t>(index)]));
    } else if (cellType == "str" || cellType == "inlineStr" || cellType == "e") {
      value = Variant(TextOf(text));
      // An error value is its text, typed as the XLS reader types errors.
      if (cellType == "e") type = ictUnknown;
    } else if (cellType == "d") {
      const String trimmed = Trim(Utf8ToString(text));
      const TDateTime date = XMLStrToDate(trimmed);
      if (date == 0 && trimmed.empty()) return;
      value = Variant::FromDateTime(date);
      type = ictDateTime;
    } else if (cellType == "b") {
      const std::string_view t = TrimBlanks(text);
      if (t != "0" && t != "1") return;
      value = Variant(t == "1");
      type = ictBoolean;
    } else {
      double number = 0;
      // One value that is no number is skipped, not the load.
      if (!ReadNumber(text, number)) return;
      format = FCellStyle;
      if (FCellStyle >= 0)
        FOwner.NumberValue(number, FCellStyle, true, value, type);
      else
        value = Variant(number), type = ictDecimal;
    }
    Deliver(std::move(value), type, format);
  }

  TMSExcelX& FOwner;
  // Inflated and split into tokens on the tokenizer's own thread while the
  // cells are read; the entry outlives the tokenizer.
  std::unique_ptr<smi::TZipEntryReader> FEntry;
  TXmlTokenizer FXml;
  std::vector<TElement> FStack;
  Integer FPauseAfter;
  bool FPaused = false;
  bool FWidths = false;
  Integer FRow = -1, FNextCol = 0, FLastClosedRow = -1;
  Integer FCellRow = 0, FCellCol = 0, FCellStyle = -1;
  Integer FDimensionRows = 0, FDimensionColumns = 0;
  std::string FCellType;
  std::string FText;
  std::string FInlineText;
  bool FHasInline = false;
};

void TMSExcelX::ReadSheetXml(TZipArchive& zip, const std::string& path) {
  const bool onDemand = RowsOnDemand > 0 && FSheetIndex >= 0;
  auto sheet = std::make_unique<TSheetXml>(*this, zip, zip.GetIndexByFileName(path), onDemand ? RowsOnDemand - 1 : -1);
  sheet->Start();
  if (sheet->Paused()) {
    // Until the rest is read, the sheet's announced size stands for it; its
    // width is the width of the columns to come.
    if (OnDimensions) OnDimensions(this, FCurSheet, 0, sheet->DimensionRows(), 0, sheet->DimensionColumns());
    TSpreadSheetCells& cells = Sheets.Spreadsheet(FCurSheet).Cells;
    cells.UsedColCount = std::max(cells.UsedColCount, std::min(sheet->DimensionColumns(), cells.ColCount));
    FSheetXml = std::move(sheet);
    FRowsOnDemandSheet = true;
    return;
  }
  sheet->Finish();
  if (!CountIsDefined && OnDimensions)
    OnDimensions(this, FCurSheet, 0, intRowCount + 1, 0, intColCount + 1);
}

void TMSExcelX::LoadRowsThrough(Integer row) {
  if (!FRowsOnDemandSheet) return;
  if (FSheetXml) {
    try {
      FSheetXml->ReadThrough(row);
      if (!FSheetXml->Paused()) {
        FSheetXml->Finish();
        FSheetXml.reset();
        FZip.reset();
        if (!CountIsDefined && OnDimensions)
          OnDimensions(this, FCurSheet, 0, intRowCount + 1, 0, intColCount + 1);
      }
    } catch (...) {
      // A damaged part ends the reading; the rows read so far stay.
      FSheetXml.reset();
      FZip.reset();
      throw;
    }
  }
  Sheets.Spreadsheet(FCurSheet).Cells.ReleaseRowsBefore(row);
}

// ---- binary parts -------------------------------------------------------------

void TMSExcelX::ReadBinaryPart(TZipArchive& zip, const std::string& path) {
  const Integer index = zip.GetIndexByFileName(path);
  if (index < 0) return;
  const std::vector<Byte> bytes = zip.GetUncompressed(index);
  TByteReader reader(bytes.data(), bytes.size(), [](const TByteReader&, size_t) {
    throw ESMIFileFormatException(String(strEInvalidFileFormat));
  });
  CurrentRow = 0;
  FInSheet = false;
  while (!reader.AtEnd()) {
    // The type: one or two bytes, each further one while bit 7 is set, kept
    // with those bits; the length: up to four groups of 7 bits.
    Cardinal type = reader.U8();
    if (type & 0x80) type |= Cardinal{reader.U8()} << 8;
    Cardinal length = 0;
    for (int shift = 0; shift < 28; shift += 7) {
      const Byte b = reader.U8();
      length |= Cardinal{static_cast<Byte>(b & 0x7F)} << shift;
      if ((b & 0x80) == 0) break;
    }
    if (length > reader.Remaining()) reader.Fail(length);
    TByteReader data = reader.Sub(length);
    UpdateProgress(static_cast<Int64>(reader.Position()), static_cast<Int64>(bytes.size()));
    BufferHeader.ID = static_cast<Word>(type);
    BufferHeader.Len = static_cast<Word>(length);
    if (OnRecord) {
      const auto raw = data.Bytes(length);
      OnRecord(this, BufferHeader, std::vector<Byte>(raw.begin(), raw.end()));
      data.Seek(0);
    }
    try {
      ProcessBIFF12Record(type, data);
    } catch (const Exception& error) {
      bool abort = true;
      if (OnErrorProcess) OnErrorProcess(this, error, abort);
      if (abort) throw;
    }
  }
  if (FInSheet && !CountIsDefined && OnDimensions)
    OnDimensions(this, FCurSheet, 0, intRowCount + 1, 0, intColCount + 1);
}

void TMSExcelX::ProcessBIFF12Record(Cardinal type, TByteReader& data) {
  auto cell = [&](Variant&& value, TSMICellType cellType, Integer format) {
    data.Seek(0);
    const Integer col = data.I32();
    if (col < 0 || col >= kPackageColumns || CurrentRow < 0 || CurrentRow >= kPackageRows) return;
    const TAlignment alignment = cellType == ictInteger || cellType == ictDecimal ? taRightJustify : taLeftJustify;
    DeliverCell(CurrentRow, col, format, std::move(value), alignment, cellType);
  };
  // The style is 24 bits; the byte above holds flags.
  auto style = [&]() {
    data.Seek(4);
    return static_cast<Integer>(data.U32() & 0xFFFFFF);
  };
  auto number = [&](double n) {
    const Integer s = style();
    Variant value;
    TSMICellType cellType;
    NumberValue(n, s, true, value, cellType);
    cell(std::move(value), cellType, s);
  };
  switch (type) {
    case 0: CurrentRow = data.I32(); break;
    case 1:
      if (FLoadNULLs) cell(Variant::Null(), ictEmpty, style());
      break;
    case 2: {
      data.Seek(8);
      const Variant rk = RKValue(data.U32());
      number(rk.AsDouble());
      break;
    }
    case 3:
    case 11:
      data.Seek(8);
      cell(Variant(GetErrorText(data.U8())), ictUnknown, -1);
      break;
    case 4:
    case 10:
      data.Seek(8);
      cell(Variant(data.U8() != 0), ictBoolean, -1);
      break;
    case 5:
    case 9:
      data.Seek(8);
      number(data.F64());
      break;
    case 6:
    case 8:
      data.Seek(8);
      cell(Variant(ReadWideString(data)), ictString, -1);
      break;
    case 7: {
      data.Seek(8);
      const Cardinal index = data.U32();
      if (index < SST.size()) cell(Variant(String(SST[index])), ictString, -1);
      break;
    }
    case 19:
      data.Seek(1);
      SST.Add(ReadWideString(data));
      break;
    case 39: {
      TXLSName name;
      name.Options = data.U16();
      data.Seek(9);
      name.Name = ReadWideString(data);
      if (data.Has(4)) name.Formula = ReadWideString(data);
      Names.push_back(std::move(name));
      break;
    }
    case 43: Fonts.emplace_back(); break;
    case 44: {
      const Word index = data.U16();
      AddFormat(true, ReadWideString(data), index, 0, -1, -1);
      break;
    }
    case 47:
      if (XFInCellXFs) {
        data.Seek(2);
        const Word format = data.U16();
        const Word font = data.U16();
        AddFormat(false, String(), format, font, -1, -1);
      }
      break;
    case 385:
      FInSheet = true;
      CountIsDefined = false;
      intRowCount = intColCount = -1;
      break;
    case 386:
      if (!CountIsDefined && OnDimensions) OnDimensions(this, FCurSheet, 0, intRowCount + 1, 0, intColCount + 1);
      FInSheet = false;
      break;
    case 404: {
      CountIsDefined = true;
      const Integer firstRow = data.I32(), lastRow = data.I32(), firstCol = data.I32(), lastCol = data.I32();
      // The record holds the last indices; the notification takes counts.
      if (OnDimensions)
        OnDimensions(this, FCurSheet, firstRow, std::min(lastRow, kPackageRows - 1) + 1, firstCol,
                     std::min(lastCol, kPackageColumns - 1) + 1);
      break;
    }
    case 409:
      // Workbook properties: bit 0 is the 1904 date system.
      if (data.U32() & 1) FBaseDate = 1462;
      break;
    case 412: {
      data.Seek(8);
      const String id = ReadWideString(data);
      const String name = ReadWideString(data);
      FSheetParts.push_back({name, std::string(id.begin(), id.end())});
      break;
    }
    case 1257: XFInCellXFs = true; break;
    case 1258: XFInCellXFs = false; break;
    default: break;
  }
}
