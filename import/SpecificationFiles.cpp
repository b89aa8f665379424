// Import specification files (.vod): the settings of an import component
// under a name, as UTF-16LE INI-style text with a byte-order mark and CR LF
// lines. Loading validates the whole file before it changes a setting, so a
// bad file leaves the component as it was.
#include "import/SpecificationFiles.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <unordered_map>

#include "import/ImportComponent.h"
#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "import/VODUtils.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

// Texts of malformed files; they name what is wrong so the user can fix it.
constexpr char16_t kOutOfRange[] = u"The value %s of %s in the import specification is out of range.";
constexpr char16_t kNotHex[] = u"The value %s of %s in the import specification is not hexadecimal.";
constexpr char16_t kUnknownTableType[] = u"The import specification names an unknown table type %s.";

// Characters above FF do not fit two digits: such a text is written as "U"
// and four digits per character, which reads back whole.
constexpr char16_t kWideMark = u'U';
// A text value with a line break would end its line early: such a value
// (and one that happens to begin with this mark) is written as the mark and
// its characters in hexadecimal.
constexpr char16_t kEncodedTextMark = u'\uE000';

const char16_t* const kTableTypeNames[ImportTableTypeCount] = {
    u"Paradox", u"DBase",  u"Text",      u"HTML",   u"XLS", u"WKS",       u"Quattro", u"XML",
    u"Access",  u"Word",   u"ADO",       u"SPSS",   u"ADT", u"DBISAM",    u"Clarion", u"Clipboard",
    u"WAB",     u"VCalendar", u"ODS",    u"Outlook", u"Skype"};

TSaveSpecDialogHandler& SaveSpecDialog() {
  static TSaveSpecDialogHandler handler;
  return handler;
}

TApplicationTitleProc& AppTitleProc() {
  static TApplicationTitleProc proc;
  return proc;
}

String SpecFilter() { return String(strSpecCaption) + u"|*.VOD|" + strAllFiles; }

String BoolText(bool value) { return value ? u"1" : u"0"; }

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// Decodes groups of width digits; a trailing partial group is ignored.
// Empty when a digit is not hexadecimal.
std::optional<String> FromHex(StringView text, size_t width) {
  String out;
  for (size_t i = 0; i + width <= text.size(); i += width) {
    unsigned code = 0;
    for (size_t d = 0; d < width; ++d) {
      const int digit = HexDigit(text[i + d]);
      if (digit < 0) return std::nullopt;
      code = code * 16 + static_cast<unsigned>(digit);
    }
    out += static_cast<char16_t>(code);
  }
  return out;
}

std::optional<String> DecodeHex(StringView text) {
  if (!text.empty() && text[0] == kWideMark) return FromHex(text.substr(1), 4);
  return FromHex(text, 2);
}

bool NeedsEncoding(StringView value) {
  return value.find_first_of(u"\r\n") != StringView::npos || (!value.empty() && value[0] == kEncodedTextMark);
}

// The lines of a specification: names without regard to case, the first
// line of a name wins, section lines and lines without "=" are passed over.
class TSpecValues {
 public:
  explicit TSpecValues(const TWideStrings& list) {
    for (int i = 0; i < list.Count(); ++i) {
      const String line = list.Get(i);
      const size_t eq = line.find(u'=');
      if (eq == String::npos) continue;
      FValues.try_emplace(UpperCase(StringView(line).substr(0, eq)), line.substr(eq + 1));
    }
  }
  // The value, or empty for a missing name.
  String Text(StringView name) const {
    auto it = FValues.find(UpperCase(name));
    if (it == FValues.end()) return String();
    const String& value = it->second;
    if (value.empty() || value[0] != kEncodedTextMark) return value;
    std::optional<String> text = DecodeHex(StringView(value).substr(1));
    if (!text) throw ESMIFileFormatException(Format(kNotHex, {value, String(name)}));
    return *text;
  }
  bool Flag(StringView name) const { return Text(name) == u"1"; }
  // The number, or current when the text is no number.
  Integer Number(StringView name, Integer current) const { return StrToIntDef(Text(name), current); }
  // An enumeration's number, or current when the text is no number; a
  // number outside 0 .. last is an error.
  template <typename E>
  E Enum(StringView name, E current, int last) const {
    Integer value = 0;
    const String text = Text(name);
    if (!TryStrToInt(text, value)) return current;
    if (value < 0 || value > last) throw ESMIFileFormatException(Format(kOutOfRange, {text, String(name)}));
    return static_cast<E>(value);
  }
  // The decoded characters of a hexadecimal value.
  String Chars(StringView name) const {
    const String text = Text(name);
    std::optional<String> chars = DecodeHex(text);
    if (!chars) throw ESMIFileFormatException(Format(kNotHex, {text, String(name)}));
    return *chars;
  }
  // The first decoded character, or current when the value is empty.
  WideChar Char(StringView name, WideChar current) const {
    const String chars = Chars(name);
    return chars.empty() ? current : chars[0];
  }

 private:
  std::unordered_map<String, String> FValues;
};

// The text of a specification file after its mark: UTF-16 in either byte
// order or UTF-8 by the mark, the ANSI code page without one. An odd last
// byte of UTF-16 text holds no character and is ignored.
String SpecText(TByteOrderMark mark, std::span<const Byte> bytes) {
  const std::string_view chars(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (mark == TByteOrderMark::Utf8) return Utf8ToString(chars);
  if (mark == TByteOrderMark::None) return AnsiToString(chars);
  const bool le = mark == TByteOrderMark::Utf16LE;
  String text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned a = bytes[2 * i];
    const unsigned b = bytes[2 * i + 1];
    text[i] = static_cast<char16_t>(le ? (a | b << 8) : (b | a << 8));
  }
  return text;
}

// Lines end at CR LF, CR or LF.
void SplitSpecLines(StringView text, TWideStrings& list) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    list.Add(String(text.substr(start, i - start)));
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) list.Add(String(text.substr(start)));
}

}  // namespace

String SpecificationProgramFolder() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return String();
  return Utf8ToString(exe.parent_path().string()) + u"/";
}

namespace {

// The proposed file of the save dialog: the folder, then the source file's
// name with the extension ".vod".
String DefaultSpecFile(const String& folder, const String& sourceFileName) {
  std::filesystem::path source(StringToUtf8(sourceFileName));
  source = source.filename().replace_extension(".vod");
  String dir = folder;
  if (!dir.empty() && dir.back() != u'/') dir += u'/';
  return dir + Utf8ToString(source.string());
}

}  // namespace

bool ReadSpecificationCaption(TStream& stream, String& caption) {
  TByteReader reader(stream);
  const TByteOrderMark mark = ReadByteOrderMark(reader);
  TWideStrings lines;
  SplitSpecLines(SpecText(mark, reader.Bytes(static_cast<size_t>(reader.Remaining()))), lines);
  bool common = false;
  for (int i = 0; i < lines.Count(); ++i) {
    const String line = Trim(lines.Get(i));
    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
      common = SameText(StringView(line).substr(1, line.size() - 2), u"Common");
      continue;
    }
    const size_t eq = line.find(u'=');
    if (!common || eq == String::npos || !SameText(Trim(line.substr(0, eq)), u"Specification")) continue;
    TWideStrings one;
    one.Add(u"Specification=" + Trim(line.substr(eq + 1)));
    caption = TSpecValues(one).Text(u"Specification");
    return true;
  }
  return false;
}

String ReadSpecificationCaption(const String& fileName) {
  try {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    String caption;
    if (ReadSpecificationCaption(stream, caption)) return caption;
  } catch (const Exception&) {
  }
  return fileName;
}

void SetSaveSpecDialogHandler(TSaveSpecDialogHandler handler) { SaveSpecDialog() = std::move(handler); }

void SetSpecificationAppTitleProc(TApplicationTitleProc proc) { AppTitleProc() = std::move(proc); }

String TRADerevuBaseComponent::Translate(const String& text, bool toHex) {
  if (!toHex) {
    std::optional<String> chars = DecodeHex(text);
    if (!chars) throw ESMIFileFormatException(Format(kNotHex, {text, String()}));
    return *chars;
  }
  const bool wide = std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0xFF; });
  static constexpr char16_t digits[] = u"0123456789ABCDEF";
  String out;
  if (wide) out += kWideMark;
  for (char16_t c : text) {
    for (int shift = wide ? 12 : 4; shift >= 0; shift -= 4) out += digits[(c >> shift) & 0xF];
  }
  return out;
}

void TRADerevuBaseComponent::SaveSpecificationToStringList(TWideStrings& list, const String& specName) {
  list.Clear();
  auto add = [&list](StringView key, const String& value) {
    list.Add(String(key) + u"=" + (NeedsEncoding(value) ? kEncodedTextMark + Translate(value, true) : value));
  };
  list.Add(u"[Common]");
  add(u"App", AppTitleProc() ? AppTitleProc()() : String());
  add(u"Description", u"RADerevu: specification");
  add(u"Specification", specName);
  add(u"TableName", FTableName);
  add(u"DatasetKeys", FDatasetKeys);
  add(u"Mode", IntToStr(FMode));
  add(u"TableType", kTableTypeNames[FTableType]);
  add(u"SourceFileName", SourceFileName());
  add(u"CharacterSet", IntToStr(FCharacterSet));
  add(u"CommitCount", IntToStr(FCommitCount));
  list.Add(u"[Mappings]");
  add(u"Count", IntToStr(FMappings.Count()));
  for (int i = 0; i < FMappings.Count(); ++i) add(u"Map" + IntToStr(i), FMappings.Get(i));
  list.Add(u"[Text]");
  add(u"FieldDelimiter", Translate(String(1, FFieldDelimiterCustom), true));
  add(u"TextQualifier", Translate(String(1, FTextQualifierCustom), true));
  add(u"RecordSeparator", Translate(FRecordSeparatorCustom, true));
  add(u"Fixed", BoolText(FFixed));
  add(u"TrimSpaces", IntToStr(FTrimSpaces));
  add(u"RowFirst", IntToStr(FRowFirst));
  add(u"RowLast", IntToStr(FRowLast));
  add(u"RowFieldNames", IntToStr(FRowFieldNames));
  add(u"MaxScanRows", IntToStr(FMaxScanRows));
  const TSMIDataFormats& f = FDataFormats;
  list.Add(u"[DataFormat]");
  add(u"DateOrder", IntToStr(f.DateOrder()));
  add(u"DateSeparator", Translate(String(1, f.DateSeparator()), true));
  add(u"TimeSeparator", Translate(String(1, f.TimeSeparator()), true));
  add(u"ThousandSeparator", Translate(String(1, f.ThousandSeparator()), true));
  add(u"DecimalSeparator", Translate(String(1, f.DecimalSeparator()), true));
  add(u"CurrencyString", f.CurrencyString());
  add(u"FourDigitYear", BoolText(f.FourDigitYear()));
  add(u"LeadingZerosInDate", BoolText(f.LeadingZerosInDate()));
  add(u"CustomDateTimeFormat", f.CustomDateTimeFormat());
  add(u"BooleanTrue", f.BooleanTrue());
  add(u"BooleanFalse", f.BooleanFalse());
  add(u"UseRegionalSettings", BoolText(f.UseRegionalSettings()));
  list.Add(u"[Condition]");
  add(u"LoadWhen", FLoadCondition.LoadWhen());
  add(u"SkipIf", FLoadCondition.SkipIf());
}

void TRADerevuBaseComponent::SaveSpecificationToStream(TStream& stream, const String& specName) {
  TWideStrings list;
  SaveSpecificationToStringList(list, specName);
  std::vector<Byte> bytes;
  for (int i = 0; i < list.Count(); ++i) {
    for (char16_t c : list.Get(i) + u"\r\n") {
      bytes.push_back(static_cast<Byte>(c & 0xFF));
      bytes.push_back(static_cast<Byte>(c >> 8));
    }
  }
  stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}

void TRADerevuBaseComponent::LoadSpecificationFromStrings(const TWideStrings& list) {
  const TSpecValues v(list);
  // Everything is read and checked first; the settings change only after.
  const TImportMode mode = v.Enum(u"Mode", FMode, imAppendNewOnly);
  TTableTypeImport tableType = FTableType;
  if (const String name = v.Text(u"TableType"); !name.empty()) {
    const auto* it = std::find_if(std::begin(kTableTypeNames), std::end(kTableTypeNames),
                                  [&name](const char16_t* known) { return SameText(known, name); });
    if (it == std::end(kTableTypeNames)) throw ESMIFileFormatException(Format(kUnknownTableType, {name}));
    tableType = static_cast<TTableTypeImport>(it - std::begin(kTableTypeNames));
  }
  const TSMICharacterSet characterSet = v.Enum(u"CharacterSet", FCharacterSet, csiEBCDIC);
  const TSMITrimSpaces trimSpaces = v.Enum(u"TrimSpaces", FTrimSpaces, tsTrimLeftRight);
  const TSMIDateOrder dateOrder = v.Enum(u"DateOrder", FDataFormats.DateOrder(), doMYD);
  const String delimiter = v.Chars(u"FieldDelimiter");
  const String qualifier = v.Chars(u"TextQualifier");
  const String separator = v.Chars(u"RecordSeparator");
  TSMIDataFormats formats = FDataFormats;
  formats.SetDateOrder(dateOrder);
  formats.SetDateSeparator(v.Char(u"DateSeparator", formats.DateSeparator()));
  formats.SetTimeSeparator(v.Char(u"TimeSeparator", formats.TimeSeparator()));
  formats.SetThousandSeparator(v.Char(u"ThousandSeparator", formats.ThousandSeparator()));
  formats.SetDecimalSeparator(v.Char(u"DecimalSeparator", formats.DecimalSeparator()));
  formats.SetCurrencyString(v.Text(u"CurrencyString"));
  formats.SetFourDigitYear(v.Flag(u"FourDigitYear"));
  formats.SetLeadingZerosInDate(v.Flag(u"LeadingZerosInDate"));
  formats.SetCustomDateTimeFormat(v.Text(u"CustomDateTimeFormat"));
  formats.SetUseRegionalSettings(v.Flag(u"UseRegionalSettings"));
  formats.SetBooleanTrue(v.Text(u"BooleanTrue"));
  formats.SetBooleanFalse(v.Text(u"BooleanFalse"));

  FDatasetKeys = v.Text(u"DatasetKeys");
  FTableName = v.Text(u"TableName");
  FMode = mode;
  FTableType = tableType;
  FSourceFileName = v.Text(u"SourceFileName");
  FCharacterSet = characterSet;
  FCommitCount = v.Number(u"CommitCount", FCommitCount);
  // Mapping keys must be numbered without gaps; the first missing or empty
  // one ends the list.
  FMappings.Clear();
  for (int i = 0;; ++i) {
    const String line = v.Text(u"Map" + IntToStr(i));
    if (line.empty()) break;
    if (line != u" = ") FMappings.Add(line);
  }
  if (!delimiter.empty()) SetFieldDelimiterCustom(delimiter[0]);
  if (!qualifier.empty()) SetTextQualifierCustom(qualifier[0]);
  SetRecordSeparatorCustom(separator);
  FFixed = v.Flag(u"Fixed");
  FTrimSpaces = trimSpaces;
  FRowFirst = v.Number(u"RowFirst", FRowFirst);
  FRowLast = v.Number(u"RowLast", FRowLast);
  FRowFieldNames = v.Number(u"RowFieldNames", FRowFieldNames);
  FMaxScanRows = v.Number(u"MaxScanRows", FMaxScanRows);
  FDataFormats = formats;
  FLoadCondition.SetLoadWhen(v.Text(u"LoadWhen"));
  FLoadCondition.SetSkipIf(v.Text(u"SkipIf"));
}

void TRADerevuBaseComponent::LoadSpecificationFromStream(TStream& stream) {
  TByteReader reader(stream);
  const TByteOrderMark mark = ReadByteOrderMark(reader);
  TWideStrings list;
  SplitSpecLines(SpecText(mark, reader.Bytes(static_cast<size_t>(reader.Remaining()))), list);
  LoadSpecificationFromStrings(list);
}

void TRADerevuBaseComponent::LoadSpecification(const String& fileName) {
  String name = fileName;
  if (name.empty()) VODOpenSaveFileDialog(nullptr, u"vod", SpecFilter(), true, name, String(), String());
  if (OnBeforeLoadSpecification) OnBeforeLoadSpecification(this, name);
  if (name.empty() || !FileExists(name)) throw ESMIFileException(Format(strEFileNotExist, {name}));
  {
    TFileStream stream(name, fmOpenRead | fmShareDenyWrite);
    LoadSpecificationFromStream(stream);
  }
  if (OnAfterLoadSpecification) OnAfterLoadSpecification(this, name);
}

void TRADerevuBaseComponent::SaveSpecification(const String& specName, const String& fileName, bool showDialog) {
  String spec = specName;
  String file = fileName;
  if (showDialog) {
    TSaveSpecRequest request;
    request.Caption = strSpecCaption;
    request.SpecName = spec.empty() ? String(strSpecCaption) : spec;
    request.FileLabel = strFileName;
    request.FileName = !file.empty() ? file
                                     : DefaultSpecFile(FSpecificationDir.empty() ? SpecificationProgramFolder() : FSpecificationDir,
                                                       SourceFileName());
    request.Filter = SpecFilter();
    bool confirmed;
    if (SaveSpecDialog()) {
      confirmed = SaveSpecDialog()(request);
    } else {
      confirmed = VODOpenSaveFileDialog(nullptr, u"vod", request.Filter, false, request.FileName, request.Caption,
                                        String());
    }
    // A cancelled dialog saves nothing, also when names were given.
    if (!confirmed) return;
    spec = request.SpecName;
    file = request.FileName;
  }
  if (spec.empty() || file.empty()) return;
  if (OnBeforeSaveSpecification) OnBeforeSaveSpecification(this, file);
  TMemoryStream text;
  const std::span<const Byte> mark = ByteOrderMarkBytes(TByteOrderMark::Utf16LE);
  text.WriteBuffer(mark.data(), static_cast<Int64>(mark.size()));
  SaveSpecificationToStream(text, spec);
  CreateDirIfNotExists(file);
  TSafeFileWriter writer(file);
  writer.Stream().WriteBuffer(text.Memory(), text.Size());
  writer.Commit();
  if (OnAfterSaveSpecification) OnAfterSaveSpecification(this, file);
}
