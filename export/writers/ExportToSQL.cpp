#include "export/writers/ExportToSQL.h"

#include <cmath>
#include <filesystem>

#include "export/ExportFields.h"
#include "export/ExportFiles.h"
#include "export/ExportText.h"
#include "export/RowSources.h"
#include "platform/db/Field.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace ZAZ2SQL {
String CreateTableTemplate = u"CREATE TABLE %s (%s)%s";
}

namespace {

constexpr char16_t kCrLf[] = u"\r\n";

bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A name a database takes without quotes: a letter or "_", then letters,
// digits and "_".
bool IsPlainIdentifier(StringView name) {
  if (name.empty() || !(IsAsciiLetter(name[0]) || name[0] == u'_')) return false;
  for (char16_t c : name)
    if (!(IsAsciiLetter(c) || IsDigit(c) || c == u'_')) return false;
  return true;
}

// An SQL numeric literal: [sign] digits [. digits] [e [sign] digits].
bool IsNumberLiteral(StringView text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == u'.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ++i;
    size_t exponent = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == text.size();
}

bool IsBareLiteral(StringView text) {
  return IsNumberLiteral(text) || SameText(text, u"TRUE") || SameText(text, u"FALSE");
}

void AppendDoubled(String& out, StringView text, WideChar quote) {
  for (char16_t c : text) {
    out += c;
    if (c == quote) out += c;
  }
}

String KeyValue(const std::vector<String>& lines, StringView key, bool& found) {
  for (const String& line : lines) {
    if (line.size() > key.size() && line[key.size()] == u'=' && StringView(line).substr(0, key.size()) == key) {
      found = true;
      return line.substr(key.size() + 1);
    }
  }
  found = false;
  return String();
}

bool TryStrToInt(const String& text, Integer& value) {
  const std::string s = StringToUtf8(Trim(text));
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (*end != 0 || errno != 0 || v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<Integer>(v);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Settings

void TSMESQLTypes::Assign(const TSMESQLTypes& source) {
  const bool checkRequired = CheckRequired, addPrimaryKey = AddPrimaryKey;
  *this = source;
  CheckRequired = checkRequired;
  AddPrimaryKey = addPrimaryKey;
}

String TSMESQLTypes::TypeOf(TFieldType type, bool isBlob, bool isMemo) const {
  // The types without a text of their own take their family's text: a
  // "#UNKNOWN#" would make the script fail in every database.
  switch (type) {
    case ::ftString: case ::ftFixedChar: case ::ftWideString: case ::ftFixedWideChar: return ftString;
    case ::ftSmallint: case ::ftShortint: case ::ftByte: return ftSmallint;
    case ::ftInteger: case ::ftLongWord: return ftInteger;
    case ::ftSingle: case ::ftExtended: return ftFloat;
    case ::ftFMTBcd: return ftBCD;
    case ::ftTimeStamp: return ftDateTime;
    case ::ftWord: return ftWord;
    case ::ftBoolean: return ftBoolean;
    case ::ftFloat: return ftFloat;
    case ::ftCurrency: return ftCurrency;
    case ::ftBCD: return ftBCD;
    case ::ftDate: return ftDate;
    case ::ftTime: return ftTime;
    case ::ftDateTime: return ftDateTime;
    case ::ftAutoInc: return ftAutoInc;
    case ::ftGraphic: return ftGraphic;
    case ::ftLargeint: return ftLargeint;
    default:
      if (isBlob) return isMemo ? ftMemo : ftBlob;
      return u"#UNKNOWN#";
  }
}

void TSMESQLOptions::Assign(const TSMESQLOptions& source) {
  const TSMESQLTypes types = SQLTypes;
  *this = source;
  SQLTypes = types;
  SQLTypes.Assign(source.SQLTypes);
}

void TSMESQLOptions::SaveToStream(TStream& stream) const {
  const String lines[] = {
      u"[SQL]",
      u"SQLTerm=" + SQLTerm,
      u"SQLQuote=" + TranslateToHex(String(1, SQLQuote)),
      u"SQLNULL=" + SQLNULL,
      u"CommitTerm=" + CommitTerm,
      u"BatchRecCount=" + IntToStr(BatchRecCount),
      String(u"AddCreateTable=") + (AddCreateTable ? u"1" : u"0"),
      String(u"MultiRowInsert=") + (MultiRowInsert ? u"1" : u"0"),
      u"FieldNameCharCase=" + IntToStr(FieldNameCharCase),
  };
  WriteUtf16LELines(stream, lines);
}

void TSMESQLOptions::LoadFromStrings(const std::vector<String>& lines) {
  bool found = false;
  SQLTerm = KeyValue(lines, u"SQLTerm", found);
  SQLNULL = KeyValue(lines, u"SQLNULL", found);
  CommitTerm = KeyValue(lines, u"CommitTerm", found);
  const String quote = TranslateFromHex(KeyValue(lines, u"SQLQuote", found));
  if (!quote.empty()) SQLQuote = quote[0];
  Integer value = 0;
  if (TryStrToInt(KeyValue(lines, u"BatchRecCount", found), value)) BatchRecCount = value;
  if (TryStrToInt(KeyValue(lines, u"FieldNameCharCase", found), value) && value >= ecNormal && value <= ecProper)
    FieldNameCharCase = static_cast<TFieldCharCase>(value);
  AddCreateTable = KeyValue(lines, u"AddCreateTable", found) == u"1";
  MultiRowInsert = KeyValue(lines, u"MultiRowInsert", found) == u"1";
}

// ---------------------------------------------------------------------------
// The writer

TRODirezaToSQL::TRODirezaToSQL(TComponent* owner) : TRODirezaToCellBufferedFile(owner) {
  Options &= static_cast<TSMOptions>(~OptionBit(soBlankRowAfterCaptions));
  SetTableType(teSQL);
}

String TRODirezaToSQL::GetFieldStr(TField* field) {
  if (field == nullptr) return TRODirezaToCellBufferedFile::GetFieldStr(field);
  // A null is NULL in every column, so that a database reads it back as one.
  if (field->IsNull()) return SQLOptions.SQLNULL;
  switch (field->DataType()) {
    case ftBoolean:
      return field->AsBoolean() ? DataFormats.BooleanTrue : DataFormats.BooleanFalse;
    case ftDate:
      return FormatDateTime(FDateFormat.empty() ? DataFormats.GetDateFormat() : FDateFormat, field->AsDateTime());
    case ftTime:
      return FormatDateTime(FTimeFormat.empty() ? DataFormats.GetTimeFormat() : FTimeFormat, field->AsDateTime());
    case ftDateTime:
      return FormatDateTime(FDateTimeFormat.empty() ? DataFormats.GetDateTimeFormat() : FDateTimeFormat,
                            field->AsDateTime());
    default:
      break;
  }
  String text = TRODirezaToCellBufferedFile::GetFieldStr(field);
  if (text.empty() && IsNumericField(field)) text = u"0";
  return text;
}

String TRODirezaToSQL::Markup(const String& text) const {
  return IsByteCharacterSet() ? ConvertCharacterSet(text) : text;
}

void TRODirezaToSQL::Put(const String& text) { WriteString(Markup(text)); }

String TRODirezaToSQL::SQLName(const String& name) const {
  String cased;
  switch (SQLOptions.FieldNameCharCase) {
    case ecNormal: cased = name; break;
    case ecUpperCase: cased = AnsiUpperCase(name); break;
    case ecLowerCase: cased = AnsiLowerCase(name); break;
    case ecProper:
      cased = AnsiLowerCase(name);
      if (!cased.empty()) cased = AnsiUpperCase(cased.substr(0, 1)) + cased.substr(1);
      break;
  }
  if (SQLOptions.SQLQuote == 0 || IsPlainIdentifier(cased)) return cased;
  // Values in apostrophes are standard SQL; names then take the standard
  // quote for identifiers, since a name in apostrophes is a text.
  const WideChar quote = SQLOptions.SQLQuote == u'\'' ? u'"' : SQLOptions.SQLQuote;
  String quoted(1, quote);
  AppendDoubled(quoted, cased, quote);
  quoted += quote;
  return quoted;
}

String TRODirezaToSQL::ColumnDefinitions() {
  const bool all = HasOption(Options, soExportInvisibleFields);
  const TSMESQLTypes& types = SQLOptions.SQLTypes;
  String definitions, keys;
  TSMECustomDataEngine* source = SourceDataEngine();
  for (const auto& column : Columns) {
    if (!all && !column->Visible) continue;
    const String name =
        SQLName(HasOption(Options, soUseFieldNameAsCaption) ? column->Title.Caption : column->FieldName);
    TField* field = column->ColumnKind == ckField && source != nullptr ? source->FindFieldByColumn(column.get())
                                                                        : nullptr;
    String type;
    bool required = false;
    if (field != nullptr) {
      const TFieldType fieldType = field->DataType();
      type = types.TypeOf(fieldType, field->IsBlob(), IsMemoField(field));
      if (type.find(u"%d") != String::npos) {
        const Integer size = field->Size() != 0 ? field->Size() : field->DataSize();
        Integer precision = 0;
        if (auto* real = dynamic_cast<TRealField*>(field)) precision = real->Precision();
        type = Format(type, {Int64{size}, Int64{precision}});
      }
      required = field->Required();
    } else {
      // A column without a field (a constant or a system value) takes the
      // type of its cell type, sized by the column's width.
      const TFieldType fieldType = CellType2FieldType(column->DataType);
      type = types.TypeOf(fieldType, fieldType == ftMemo || fieldType == ftBlob, fieldType == ftMemo);
      if (type.find(u"%d") != String::npos) type = Format(type, {Int64{std::max(column->Width, 1)}, Int64{0}});
    }
    if (types.CheckRequired) type += required ? u" NOT NULL" : u" NULL";
    if (required) keys += (keys.empty() ? u"" : u", ") + name;
    definitions += String(kCrLf) + u"   " + name + u" " + type + u", ";
  }
  if (types.AddPrimaryKey && !keys.empty()) definitions += String(kCrLf) + u"   PRIMARY KEY (" + keys + u"), ";
  if (definitions.size() >= 2) definitions.resize(definitions.size() - 2);
  return definitions;
}

void TRODirezaToSQL::WriteFileBegin() {
  TRODirezaToCellBufferedFile::WriteFileBegin();
  FBatchCount = 0;
  FStatementOpen = false;
  WriteByteOrderMark();
  FNull = Markup(SQLOptions.SQLNULL);
  FSeparator = Markup(u", ");
  FQuote = SQLOptions.SQLQuote == 0 ? WideChar{0} : Markup(String(1, SQLOptions.SQLQuote))[0];
  FDateFormat = DataFormats.GetDateFormat();
  FTimeFormat = DataFormats.GetTimeFormat();
  FDateTimeFormat = DataFormats.GetDateTimeFormat();

  const bool all = HasOption(Options, soExportInvisibleFields);
  FFieldNames.clear();
  for (const auto& column : Columns) {
    if (!all && !column->Visible) continue;
    if (!FFieldNames.empty()) FFieldNames += u", ";
    FFieldNames += SQLName(HasOption(Options, soUseFieldNameAsCaption) ? column->Title.Caption : column->FieldName);
  }
  // Without a table name the dataset's, then the file's base name, so a
  // script never inserts into the writer component's own name.
  String table = TableName;
  if (table.empty()) table = TblName(DataSet());
  if (table.empty() && !FileName.empty())
    table = Utf8ToString(std::filesystem::path(StringToUtf8(FileName)).stem().string());
  if (table.empty()) table = Name();
  if (table.empty()) table = u"TABLE1";
  table = SQLName(table);
  FStatementHead = u"INSERT INTO " + table + kCrLf + u"  (" + FFieldNames + u")" + kCrLf + u"VALUES" + kCrLf;

  if (SQLOptions.AddCreateTable) {
    String definitions = ColumnDefinitions();
    String prefix, suffix;
    if (OnGetCreateTable) OnGetCreateTable(this, definitions, prefix, suffix);
    Put(prefix + Format(ZAZ2SQL::CreateTableTemplate, {table, definitions, SQLOptions.SQLTerm}) + suffix + kCrLf +
        kCrLf);
  }
}

void TRODirezaToSQL::CloseOpenStatement() {
  if (!FStatementOpen) return;
  FStatementOpen = false;
  Put(SQLOptions.SQLTerm + kCrLf);
}

void TRODirezaToSQL::WriteDataEnd() {
  if (Statistic.CurrentDataLevel == 0) CloseOpenStatement();
  TRODirezaToCellBufferedFile::WriteDataEnd();
}

void TRODirezaToSQL::WriteFileEnd() {
  CloseOpenStatement();
  WriteCommitTerm();
  TRODirezaToCellBufferedFile::WriteFileEnd();
}

void TRODirezaToSQL::WriteRowStart() {
  TRODirezaToCellBufferedFile::WriteRowStart();
  if (!IsDataArea) return;
  if (FStatementOpen)
    Put(String(u", ") + kCrLf);  // the next row of the same multi-row statement
  else
    Put(FStatementHead);
  Put(u"  (");
}

void TRODirezaToSQL::WriteRowEnd() {
  if (IsDataArea) WriteCommitTerm();
  TRODirezaToCellBufferedFile::WriteRowEnd();
}

void TRODirezaToSQL::WriteCommitTerm() {
  if (!IsDataArea) {
    Put(kCrLf + SQLOptions.CommitTerm + kCrLf + kCrLf);
    FBatchCount = 0;
    return;
  }
  ++FBatchCount;
  if (FBatchCount >= SQLOptions.BatchRecCount) {
    Put(u")" + SQLOptions.SQLTerm + kCrLf + SQLOptions.CommitTerm + kCrLf + kCrLf);
    FBatchCount = 0;
    FStatementOpen = false;
  } else if (SQLOptions.MultiRowInsert) {
    // The statement goes on with the next row or ends with the data; which
    // one is known only then.
    Put(u")");
    FStatementOpen = true;
  } else {
    Put(u")" + SQLOptions.SQLTerm + kCrLf);
  }
}

bool TRODirezaToSQL::IsQuoted(TField* field, TCellType cellType, const String& text) const {
  if (field != nullptr) {
    if (field->IsNull()) return false;
    // Numbers and booleans stand bare only as SQL literals: a decimal comma,
    // a thousands separator or a boolean word would not parse.
    if (IsNumericField(field) || field->DataType() == ftBoolean) return !IsBareLiteral(text);
    return true;
  }
  switch (cellType) {
    case ctInteger:
    case ctDouble:
    case ctBoolean:
      return !IsBareLiteral(text);
    default:
      return true;
  }
}

void TRODirezaToSQL::WriteData(TField* field, TCellType cellType, Integer row, Integer column, const String& text,
                               TAlignment alignment, const TFont* font, TColor color) {
  TRODirezaToCellBufferedFile::WriteData(field, cellType, row, column, text, alignment, font, color);
  FCell.clear();
  if (!IsDataArea) {
    // Header and footer lines are comments; a "*/" inside would end one early.
    return WriteString(Markup(u"/* ") + ReplaceTags(text, Markup(u"*/"), Markup(u"* /")) + Markup(u" */\r\n"));
  }
  if (field == nullptr && text.empty()) {
    FCell = FNull;  // an empty system value or constant
  } else if (SQLOptions.SQLQuote != 0 && IsQuoted(field, cellType, text)) {
    FCell += FQuote;
    AppendDoubled(FCell, text, FQuote);
    FCell += FQuote;
  } else {
    FCell = text;
  }
  if (column < LastExportColumnCount() - 1) FCell += FSeparator;
  WriteString(FCell);
}
