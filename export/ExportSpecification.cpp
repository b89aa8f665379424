// Export specification files (.zaz). Every setting is looked up by its key
// anywhere in the file, without regard to sections or letter case; the first
// line with a key counts. Loading checks the enumerations and the target
// before it changes anything, so a refused file leaves the component whole.
#include "export/ExportSpecification.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <unordered_map>

#include "export/ExportComponent.h"
#include "export/ExportText.h"
#include "export/FileDialog.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

constexpr char16_t kOutOfRange[] = u"The value %s of %s in the export specification is out of range.";
constexpr char16_t kUnknownTableType[] = u"The export specification names an unknown table type \"%s\".";
constexpr char16_t kAllFiles[] = u"All files (*.*)|*.*";

// The names of the targets as files store them: the enumeration's names
// without their "te".
const char16_t* const kTableTypeNames[TableTypeCount] = {
    u"Paradox", u"DBase",  u"Text",  u"HTML",      u"XLS",       u"Excel",    u"Word",      u"SYLK",
    u"DIF",     u"WKS",    u"Quattro", u"SQL",     u"XML",       u"Access",   u"Clipboard", u"RTF",
    u"SPSS",    u"PDF",    u"LDIF",  u"ADO",       u"OpenOffice", u"Excel2007", u"JSON"};

// Map keys below this index are all tried; above it the first missing one
// ends the columns.
constexpr Integer kDenseMapIndexes = 150;

TZAZSaveSpecDialog& SaveSpecDialog() {
  static TZAZSaveSpecDialog dialog;
  return dialog;
}

std::function<String()>& AppTitleProc() {
  static std::function<String()> proc;
  return proc;
}

String BoolText(bool value) { return value ? u"1" : u"0"; }

String ProgramFolder() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return String();
  return Utf8ToString(exe.parent_path().string()) + u"/";
}

// A page-setup number in the process's notation, as files have it.
String FloatText(float value) { return FloatToStr(static_cast<double>(value), FormatSettings); }

// A number written with "." or "," as its decimal separator, whichever
// locale wrote it; nothing for text that is no number.
std::optional<float> ReadFloat(const String& text) {
  String plain = Trim(text);
  if (plain.empty()) return std::nullopt;
  std::replace(plain.begin(), plain.end(), u',', u'.');
  double value = 0;
  if (!TryStrToFloat(plain, value, TFormatSettings::Invariant())) return std::nullopt;
  return static_cast<float>(value);
}

// The values of a specification by key, first line of a key winning.
class TSpecValues {
 public:
  explicit TSpecValues(const std::vector<String>& lines) {
    for (const String& line : lines) {
      const size_t equals = line.find(u'=');
      if (equals == String::npos) continue;
      FValues.try_emplace(UpperCase(StringView(line).substr(0, equals)), line.substr(equals + 1));
    }
  }

  bool Has(StringView key) const { return FValues.count(UpperCase(key)) != 0; }
  String Text(StringView key) const {
    auto found = FValues.find(UpperCase(key));
    return found == FValues.end() ? String() : found->second;
  }
  bool Flag(StringView key) const { return Text(key) == u"1"; }
  std::optional<Int64> Number(StringView key) const {
    Int64 value = 0;
    if (!TryStrToInt64(Trim(Text(key)), value)) return std::nullopt;
    return value;
  }
  // A number that must lie in [0, last]: out of range is refused, a text
  // that is no number gives nothing.
  std::optional<Integer> Ordinal(StringView key, Integer last) const {
    const std::optional<Int64> value = Number(key);
    if (value && (*value < 0 || *value > last)) throw ESMESpecificationException(Format(kOutOfRange, {Text(key), String(key)}));
    return value ? std::optional<Integer>(static_cast<Integer>(*value)) : std::nullopt;
  }

 private:
  std::unordered_map<String, String> FValues;
};

TTableTypeExport TableTypeOf(const TSpecValues& v) {
  const String name = Trim(v.Text(u"TableType"));
  for (int i = 0; i < TableTypeCount; ++i)
    if (SameText(name, kTableTypeNames[i])) return static_cast<TTableTypeExport>(i);
  throw ESMESpecificationException(Format(kUnknownTableType, {name}));
}

// The seven values of a font text, each up to its ending comma (the last is
// the rest); fewer commas give fewer values.
std::vector<String> FontParts(StringView text) {
  std::vector<String> parts;
  size_t start = 0;
  for (int i = 0; i < 6; ++i) {
    const size_t comma = text.find(u',', start);
    if (comma == StringView::npos) return parts;
    parts.push_back(Trim(text.substr(start, comma - start)));
    start = comma + 1;
  }
  parts.push_back(Trim(text.substr(start)));
  return parts;
}

void CheckFontAlignment(const TSpecValues& v, const String& key) {
  const std::vector<String> parts = FontParts(v.Text(key));
  Int64 alignment = 0;
  if (!parts.empty() && TryStrToInt64(parts[0], alignment) && (alignment < taLeftJustify || alignment > taCenter))
    throw ESMESpecificationException(Format(kOutOfRange, {parts[0], key}));
}

// Refuses what loading would otherwise have to change silently: the target,
// the enumerations and the option set.
void CheckSpecification(const TSpecValues& v) {
  TableTypeOf(v);
  const std::optional<Int64> options = v.Number(u"Options");
  if (options && (*options < 0 || *options > 0xFFFF))
    throw ESMESpecificationException(Format(kOutOfRange, {v.Text(u"Options"), u"Options"}));
  v.Ordinal(u"CharacterSet", csUnicode);
  v.Ordinal(u"ActionAfterExport", aeEMail);
  v.Ordinal(u"Style", esWheat);
  v.Ordinal(u"Layout", elTabularForm);
  v.Ordinal(u"Measure", emPicas);
  v.Ordinal(u"Orientation", emLandscape);
  v.Ordinal(u"DateOrder", doMYD);
  for (Integer k = 0;; ++k) {
    const String index = IntToStr(k);
    if (k > kDenseMapIndexes && !v.Has(u"Map" + index)) break;
    CheckFontAlignment(v, u"Col" + index);
    CheckFontAlignment(v, u"ColTitle" + index);
  }
}

// Lines "Key" 0, 1, ... up to the first missing key; an empty line is kept.
std::vector<String> NumberedLines(const TSpecValues& v, const String& key) {
  std::vector<String> lines;
  for (Integer k = 0;; ++k) {
    const String name = key + IntToStr(k);
    if (!v.Has(name)) return lines;
    lines.push_back(v.Text(name));
  }
}

}  // namespace

void SetZAZSaveSpecDialog(TZAZSaveSpecDialog dialog) { SaveSpecDialog() = std::move(dialog); }
void SetZAZAppTitleProc(std::function<String()> proc) { AppTitleProc() = std::move(proc); }

String ZAZSpecFilter() { return String(strESpecCaption) + u"|*.ZAZ|" + kAllFiles; }

std::vector<String> ReadSpecificationLines(std::span<const Byte> bytes) {
  TByteReader reader(bytes);
  const TByteOrderMark mark = ReadByteOrderMark(reader);
  const std::span<const Byte> body = reader.Bytes(static_cast<size_t>(reader.Remaining()));
  const std::string_view chars(reinterpret_cast<const char*>(body.data()), body.size());
  String text;
  if (mark == TByteOrderMark::Utf8) {
    text = Utf8ToString(chars);
  } else if (mark == TByteOrderMark::None) {
    text = AnsiToString(chars);
  } else {
    // An odd last byte holds no character.
    TByteReader units(body);
    const bool le = mark == TByteOrderMark::Utf16LE;
    text.reserve(body.size() / 2);
    while (units.Remaining() >= 2) text += static_cast<char16_t>(le ? units.U16() : units.U16BE());
  }
  std::vector<String> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

String Font2String(Byte alignment, Cardinal color, const TFont& font) {
  return IntToStr(alignment) + u"," + IntToStr(static_cast<Integer>(color)) + u"," + font.Name + u"," +
         IntToStr(font.Charset) + u"," + IntToStr(static_cast<Integer>(font.Color)) + u"," + IntToStr(font.Size) +
         u"," + IntToStr(font.Style);
}

void String2Font(Byte& alignment, Cardinal& color, TFont& font, StringView text) {
  const std::vector<String> parts = FontParts(text);
  auto number = [&](size_t index, auto& target) {
    Int64 value = 0;
    if (index < parts.size() && TryStrToInt64(parts[index], value))
      target = static_cast<std::remove_reference_t<decltype(target)>>(value);
  };
  number(0, alignment);
  number(1, color);
  if (parts.size() > 2 && !parts[2].empty()) font.Name = parts[2];
  number(3, font.Charset);
  number(4, font.Color);
  number(5, font.Size);
  Int64 style = 0;
  if (parts.size() > 6 && TryStrToInt64(parts[6], style)) font.Style = static_cast<TFontStyles>(style & 0x0F);
}

std::vector<TSMESpecificationFile> FindSpecifications(const String& folder) {
  std::vector<TSMESpecificationFile> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(StringToUtf8(folder), error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() < 4 || !SameText(Utf8ToString(name.substr(name.size() - 4)), u".zaz")) continue;
    TSMESpecificationFile spec;
    spec.FileName = Utf8ToString(entry.path().string());
    try {
      TFileStream stream(spec.FileName, fmOpenRead | fmShareDenyWrite);
      TMemoryStream bytes;
      bytes.CopyFrom(stream, 0);
      const TSpecValues values(ReadSpecificationLines(
          std::span<const Byte>(static_cast<const Byte*>(bytes.Memory()), static_cast<size_t>(bytes.Size()))));
      spec.Caption = values.Has(u"Specification") ? values.Text(u"Specification") : spec.FileName;
    } catch (const Exception&) {
      spec.Caption = spec.FileName;
    }
    found.push_back(std::move(spec));
  }
  std::sort(found.begin(), found.end(),
            [](const TSMESpecificationFile& a, const TSMESpecificationFile& b) { return a.FileName < b.FileName; });
  return found;
}

// ---------------------------------------------------------------------------
// TRODirezaBaseComponent

void TRODirezaBaseComponent::SaveSpecificationToStream(TStream& stream, const String& specName) {
  const TTableTypeExport type = TableType();
  const String typeName = type < TableTypeCount ? kTableTypeNames[type] : u"";
  const bool all = HasOption(Options, soExportInvisibleFields);
  std::vector<String> lines = {
      u"[Common]",
      u"App=" + (AppTitleProc() ? AppTitleProc()() : String()),
      u"Description=RODireza: specification",
      u"Specification=" + specName,
      u"TableType=" + typeName,
      u"AddTitle=" + BoolText(AddTitle),
      u"BlankIfZero=" + BoolText(BlankIfZero),
      u"SourceFileName=" + FileName,
      u"SelectedRecord=" + BoolText(SelectedRecord),
      u"TableName=" + TableName,
      u"CharacterSet=" + IntToStr(CharacterSet),
      u"SourceFileName=" + FileName,
      u"Options=" + IntToStr(Options),
      u"ExportIfEmpty=" + BoolText(ExportIfEmpty),
      u"RowsPerFile=" + IntToStr(RowsPerFile),
      u"ActionAfterExport=" + IntToStr(ActionAfterExport),
      u"",
      u"[ExportStyle]",
      u"Style=" + IntToStr(ExportStyle.Style()),
      u"OddColor=" + IntToStr(static_cast<Integer>(ExportStyle.OddColor)),
      u"EvenColor=" + IntToStr(static_cast<Integer>(ExportStyle.EvenColor)),
      u"Layout=" + IntToStr(Layout),
      u"",
      u"[PageSetup]",
      u"Measure=" + IntToStr(PageSetup.Measure),
      u"UseDefault=" + BoolText(PageSetup.UseDefault),
      u"TopMargin=" + FloatText(PageSetup.TopMargin),
      u"BottomMargin=" + FloatText(PageSetup.BottomMargin),
      u"LeftMargin=" + FloatText(PageSetup.LeftMargin),
      u"RightMargin=" + FloatText(PageSetup.RightMargin),
      u"TableWidth=" + FloatText(PageSetup.TableWidth),
      u"Orientation=" + IntToStr(PageSetup.Orientation),
      u"",
      u"[SendTo]",
      u"Recipient=" + SendTo.EMailRecipient,
      u"Subject=" + SendTo.EMailSubject,
      u"OpenDialog=" + BoolText(SendTo.EMailOpenBeforeSend),
      u"",
      u"[Mappings]",
      u"Count=" + IntToStr(Columns.Count()),
  };
  const Integer mapping = MappingVersion();
  Integer exported = 0;
  for (Integer k = 0; k < Columns.Count(); ++k) {
    const TSMEColumn& column = Columns[k];
    String caption;
    if (all || column.Visible) {
      if (mapping == 1)
        caption = strTextFieldName + IntToStr(exported) + u"-" + IntToStr(column.Width);
      else if (mapping == 2)
        caption = strField + IntToStr(exported);
      else
        caption = column.Title.Caption;
      ++exported;
    }
    lines.push_back(u"Map" + IntToStr(k) + u"=" + column.FieldName + u" = " + caption);
  }
  if (!Columns.Empty()) {
    lines.insert(lines.end(), {u"", u"[COLUMNS]"});
    for (Integer k = 0; k < Columns.Count(); ++k) {
      const TSMEColumn& column = Columns[k];
      const String index = IntToStr(k);
      lines.push_back(u"Col" + index + u"=" + Font2String(column.Alignment, column.Color, column.Font));
      lines.push_back(u"ColTitle" + index + u"=" +
                      Font2String(column.Title.Alignment, column.Title.Color, column.Title.Font));
      lines.push_back(u"Width" + index + u"=" + IntToStr(column.Width));
    }
  }
  lines.insert(lines.end(), {u"", u"[Header]", u"Count=" + IntToStr(static_cast<Int64>(Header.size()))});
  for (size_t k = 0; k < Header.size(); ++k) lines.push_back(u"Header" + IntToStr(static_cast<Int64>(k)) + u"=" + Header[k]);
  lines.insert(lines.end(), {u"", u"[Footer]", u"Count=" + IntToStr(static_cast<Int64>(Footer.size()))});
  for (size_t k = 0; k < Footer.size(); ++k) lines.push_back(u"Footer" + IntToStr(static_cast<Int64>(k)) + u"=" + Footer[k]);
  Integer rowFirst = static_cast<Integer>(Header.size());
  if (AddTitle) {
    ++rowFirst;
    if (HasOption(Options, soBlankRowAfterCaptions)) ++rowFirst;
  }
  lines.insert(lines.end(), {
      u"",
      u"[Text]",
      u"FieldDelimiter=" + TranslateToHex(Separator),
      u"TextQualifier=" + TranslateToHex(TextQualifier),
      u"RecordSeparator=" + TranslateToHex(RecordSeparator),
      u"Fixed=" + BoolText(Fixed),
      u"AutoFitColumns=" + BoolText(AutoFitColumns),
      u"RowFirst=" + IntToStr(rowFirst),
      u"RowLast=2147483647",
      u"",
      u"[DataFormat]",
      u"DateOrder=" + IntToStr(DataFormats.DateOrder),
      u"DateSeparator=" + TranslateToHex(String(1, DataFormats.DateSeparator)),
      u"TimeSeparator=" + TranslateToHex(String(1, DataFormats.TimeSeparator)),
      u"ThousandSeparator=" + TranslateToHex(String(1, DataFormats.ThousandSeparator)),
      u"DecimalSeparator=" + TranslateToHex(String(1, DataFormats.DecimalSeparator)),
      u"CurrencyString=" + DataFormats.CurrencyString,
      u"FourDigitYear=" + BoolText(DataFormats.FourDigitYear),
      u"LeadingZerosInDate=" + BoolText(DataFormats.LeadingZerosInDate),
      u"CustomDateTimeFormat=" + DataFormats.CustomDateTimeFormat,
      u"BooleanTrue=" + DataFormats.BooleanTrue,
      u"BooleanFalse=" + DataFormats.BooleanFalse,
      u"UseRegionalSettings=" + BoolText(DataFormats.UseRegionalSettings),
  });
  WriteUtf16LELines(stream, lines);
}

std::vector<String> TRODirezaBaseComponent::SaveSpecificationToStringList(const String& specName) {
  TMemoryStream text;
  const std::span<const Byte> mark = ByteOrderMarkBytes(TByteOrderMark::Utf16LE);
  text.WriteBuffer(mark.data(), static_cast<Int64>(mark.size()));
  SaveSpecificationToStream(text, specName);
  return ReadSpecificationLines(
      std::span<const Byte>(static_cast<const Byte*>(text.Memory()), static_cast<size_t>(text.Size())));
}

void TRODirezaBaseComponent::SaveSpecification(const String& specName, const String& fileName, bool showDialog) {
  String spec = specName;
  String file = fileName;
  if (showDialog) {
    TZAZSaveSpecRequest request;
    request.Caption = strESpecCaption;
    request.SpecName = spec.empty() ? String(strESpecCaption) : spec;
    request.FileLabel = ExportMessageText(79);
    request.FileName = !file.empty() ? file : (FSpecificationDir.empty() ? ProgramFolder() : FSpecificationDir) + u".zaz";
    request.Filter = ZAZSpecFilter();
    bool confirmed;
    if (SaveSpecDialog())
      confirmed = SaveSpecDialog()(request);
    else
      confirmed = ZAZOpenSaveFileDialog(nullptr, u"zaz", request.Filter, String(), request.Caption, request.FileName,
                                        false);
    if (confirmed) {
      spec = request.SpecName;
      file = request.FileName;
    }
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

void TRODirezaBaseComponent::LoadSpecification(const String& fileName) {
  String name = fileName;
  if (name.empty() && !ZAZOpenSaveFileDialog(nullptr, u"zaz", ZAZSpecFilter(), String(), String(), name, true))
    return;
  if (!FileExists(name)) return;
  if (OnBeforeLoadSpecification) OnBeforeLoadSpecification(this, name);
  {
    TFileStream stream(name, fmOpenRead | fmShareDenyWrite);
    LoadSpecificationFromStream(stream);
  }
  if (OnAfterLoadSpecification) OnAfterLoadSpecification(this, name);
}

void TRODirezaBaseComponent::LoadSpecificationFromStream(TStream& stream) {
  TMemoryStream bytes;
  bytes.CopyFrom(stream, 0);
  LoadSpecificationFromStrings(ReadSpecificationLines(
      std::span<const Byte>(static_cast<const Byte*>(bytes.Memory()), static_cast<size_t>(bytes.Size()))));
}

void TRODirezaBaseComponent::LoadSpecificationFromStrings(const std::vector<String>& lines) {
  const TSpecValues v(lines);
  CheckSpecification(v);

  FileName = v.Text(u"SourceFileName");
  TableName = v.Text(u"TableName");
  if (auto options = v.Number(u"Options")) Options = static_cast<TSMOptions>(*options);
  ExportIfEmpty = v.Flag(u"ExportIfEmpty");
  AddTitle = v.Flag(u"AddTitle");
  BlankIfZero = v.Flag(u"BlankIfZero");
  SelectedRecord = v.Flag(u"SelectedRecord");
  RowsPerFile = static_cast<Integer>(v.Number(u"RowsPerFile").value_or(0));
  if (auto value = v.Ordinal(u"CharacterSet", csUnicode)) CharacterSet = static_cast<TCharacterSet>(*value);
  if (auto value = v.Ordinal(u"ActionAfterExport", aeEMail)) ActionAfterExport = static_cast<TActionAfterExport>(*value);
  SetTableType(TableTypeOf(v));

  if (auto value = v.Ordinal(u"Style", esWheat)) ExportStyle.SetStyle(static_cast<TSMEStyle>(*value));
  if (auto value = v.Number(u"OddColor")) ExportStyle.OddColor = static_cast<TColor>(*value);
  if (auto value = v.Number(u"EvenColor")) ExportStyle.EvenColor = static_cast<TColor>(*value);
  if (auto value = v.Ordinal(u"Layout", elTabularForm)) Layout = static_cast<TSMELayout>(*value);

  if (auto value = v.Ordinal(u"Measure", emPicas)) PageSetup.Measure = static_cast<TSMEMeasure>(*value);
  if (auto value = v.Ordinal(u"Orientation", emLandscape)) PageSetup.Orientation = static_cast<TSMEOrientation>(*value);
  PageSetup.UseDefault = v.Flag(u"UseDefault");
  for (auto [key, target] : {std::pair{u"TopMargin", &PageSetup.TopMargin},
                             std::pair{u"BottomMargin", &PageSetup.BottomMargin},
                             std::pair{u"LeftMargin", &PageSetup.LeftMargin},
                             std::pair{u"RightMargin", &PageSetup.RightMargin},
                             std::pair{u"TableWidth", &PageSetup.TableWidth}})
    if (auto value = ReadFloat(v.Text(key))) *target = *value;

  SendTo.EMailRecipient = v.Text(u"Recipient");
  SendTo.EMailSubject = v.Text(u"Subject");
  SendTo.EMailOpenBeforeSend = v.Flag(u"OpenDialog");

  Columns.Clear();
  Bands.Clear();
  for (Integer k = 0;; ++k) {
    const String index = IntToStr(k);
    if (k > kDenseMapIndexes && !v.Has(u"Map" + index)) break;
    const String map = v.Text(u"Map" + index);
    if (map.empty() || map == u" = ") continue;
    TSMEColumn& column = Columns.Add();
    const size_t equals = map.find(u" = ");
    if (equals != String::npos) {
      column.FieldName = Trim(StringView(map).substr(0, equals));
      column.Title.Caption = Trim(StringView(map).substr(equals + 3));
    } else {
      column.FieldName = Trim(map);
    }
    if (column.Title.Caption.empty()) {
      column.Title.Caption = column.FieldName;
      column.Visible = false;
    }
    Byte alignment = column.Alignment;
    String2Font(alignment, column.Color, column.Font, v.Text(u"Col" + index));
    column.Alignment = static_cast<TAlignment>(alignment);
    alignment = column.Title.Alignment;
    String2Font(alignment, column.Title.Color, column.Title.Font, v.Text(u"ColTitle" + index));
    column.Title.Alignment = static_cast<TAlignment>(alignment);
    if (auto width = v.Number(u"Width" + index)) column.Width = static_cast<Integer>(*width);
  }

  Header = NumberedLines(v, u"Header");
  Footer = NumberedLines(v, u"Footer");

  Separator = TranslateFromHex(v.Text(u"FieldDelimiter"));
  TextQualifier = TranslateFromHex(v.Text(u"TextQualifier"));
  RecordSeparator = TranslateFromHex(v.Text(u"RecordSeparator"));
  Fixed = v.Flag(u"Fixed");
  AutoFitColumns = v.Flag(u"AutoFitColumns");

  if (auto value = v.Ordinal(u"DateOrder", doMYD)) DataFormats.DateOrder = static_cast<TSMEDateOrder>(*value);
  for (auto [key, target] : {std::pair{u"DateSeparator", &DataFormats.DateSeparator},
                             std::pair{u"TimeSeparator", &DataFormats.TimeSeparator},
                             std::pair{u"ThousandSeparator", &DataFormats.ThousandSeparator},
                             std::pair{u"DecimalSeparator", &DataFormats.DecimalSeparator}}) {
    const String decoded = TranslateFromHex(v.Text(key));
    if (!decoded.empty()) *target = decoded[0];
  }
  DataFormats.CurrencyString = v.Text(u"CurrencyString");
  DataFormats.FourDigitYear = v.Flag(u"FourDigitYear");
  DataFormats.LeadingZerosInDate = v.Flag(u"LeadingZerosInDate");
  DataFormats.CustomDateTimeFormat = v.Text(u"CustomDateTimeFormat");
  DataFormats.UseRegionalSettings = v.Flag(u"UseRegionalSettings");
  DataFormats.BooleanTrue = v.Text(u"BooleanTrue");
  DataFormats.BooleanFalse = v.Text(u"BooleanFalse");
}
