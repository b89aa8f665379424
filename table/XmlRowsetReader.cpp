// Reading XML rowset files: the schema into column definitions, the rows
// into records of the open table.
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "platform/rtl/Bcd.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
#include "platform/rtl/Variant.h"
#include "table/FieldDesc.h"
#include "table/MemDataSet.h"
#include "table/XmlRowset.h"

const char16_t SInvalidXMLDocument[] = u"Invalid XML document";
const char16_t SDataTypeNotSupported[] = u"Data type is not supported";

namespace {

constexpr char16_t SFieldSizeTooLarge[] = u"Size %d of column '%s' is above the largest the table can hold (%d)";
constexpr char16_t SInvalidDateEncode[] = u"Invalid argument to date encode";
// Sizes are 16-bit in the record layout and in VTD files.
constexpr Integer MaxColumnSize = 0xFFFF;

[[noreturn]] void InvalidDocument() { throw Exception(SInvalidXMLDocument); }

// No name or value of a table holds U+0000 (texts end at it): a document
// that has one is not a rowset this table could keep whole.
const String& Checked(const String& text) {
  if (text.find(u'\0') != String::npos) InvalidDocument();
  return text;
}

bool IsElement(const XmlTextReader& reader, StringView name) {
  return reader.NodeType() == ntElement && SameText(reader.Name(), name);
}

// The platform's text-to-boolean conversion: "true"/"false" in any case, or
// a number (non-zero is true).
bool TextToBool(const String& text) { return Variant(text).AsBoolean(); }

// A "dt:maxLength" value: read as a float, rounded, and kept to 31 bits.
Integer MaxLengthValue(const String& text) {
  double value = std::round(StrToFloat(text));
  // Out of every range: as large as 31 bits go, which no sized column takes.
  if (!(std::fabs(value) < 9.2e18)) return 0x7FFFFFFF;
  return static_cast<Integer>(static_cast<Cardinal>(static_cast<Int64>(value)) & 0x7FFFFFFFu);
}

// Sizes that shape the record; the others (blobs, variants) carry nothing.
bool SizeShapesRecord(TFieldType type) {
  switch (type) {
    case ftString: case ftFixedChar: case ftWideString: case ftBytes: case ftVarBytes: case ftGuid:
      return true;
    default:
      return false;
  }
}

bool KeepsMaxLength(TFieldType type) {
  switch (type) {
    case ftString: case ftBCD: case ftBytes: case ftVarBytes: case ftBlob: case ftMemo: case ftFixedChar:
    case ftWideString: case ftVariant: case ftGuid: case ftTimeStamp: case ftFMTBcd: case ftWideMemo:
      return true;
    default:
      return false;
  }
}

// The digit at position pos of text, or "Invalid XML document".
int GetNext(StringView text, size_t pos) {
  if (pos >= text.size() || text[pos] < u'0' || text[pos] > u'9') InvalidDocument();
  return text[pos] - u'0';
}

int Digits(StringView text, size_t pos, size_t count) {
  int value = 0;
  for (size_t i = 0; i < count; ++i) value = value * 10 + GetNext(text, pos + i);
  return value;
}

void ConvertDate(StringView text, int& year, int& month, int& day) {
  if (!text.empty() && text[0] == u'-') text.remove_prefix(1);
  year = Digits(text, 0, 4);
  month = Digits(text, 5, 2);
  day = Digits(text, 8, 2);
}

void ConvertTime(StringView text, int& hour, int& minute, int& second) {
  if (text.size() < 8) InvalidDocument();
  hour = Digits(text, 0, 2);
  minute = Digits(text, 3, 2);
  second = Digits(text, 6, 2);
}

TDateTime EncodeXMLParts(int year, int month, int day, int hour, int minute, int second) {
  TDateTime result;
  if (!TryEncodeDateTime(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day),
                         static_cast<Word>(hour), static_cast<Word>(minute), static_cast<Word>(second), 0, result)) {
    throw EConvertError(SInvalidDateEncode);
  }
  return result;
}

// Two hexadecimal digits a byte; CR, LF and TAB between them (a value split
// over lines) are skipped.
std::vector<Byte> DecodeBinHex(StringView text) {
  std::vector<Byte> bytes;
  bytes.reserve(text.size() / 2);
  int high = -1;
  for (WideChar c : text) {
    if (c == u'\r' || c == u'\n' || c == u'\t') continue;
    int digit = c >= u'0' && c <= u'9' ? c - u'0'
                : c >= u'a' && c <= u'f' ? c - u'a' + 10
                : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                         : -1;
    if (digit < 0) InvalidDocument();
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<Byte>(high * 16 + digit));
      high = -1;
    }
  }
  if (high >= 0) InvalidDocument();
  return bytes;
}

// A number written with "." in the user's own form.
String LocalNumber(StringView value) {
  String text(value);
  ChangeDecimalSeparator(text, u'.', FormatSettings.DecimalSeparator);
  return text;
}

// The definition made from one "s:AttributeType" and its "s:datatype".
TXmlRowsetColumn ReadColumn(XmlTextReader& reader, TXmlAliasList& aliases, TMemDataSet& dataSet) {
  TXmlRowsetColumn column;
  String name, rsName;
  bool hasRsName = false;
  for (int i = 0; i < reader.AttributeCount(); ++i) {
    reader.MoveToAttribute(i);
    String attr = LowerCase(reader.Name());
    if (attr == u"name") {
      name = Checked(reader.Value());
    } else if (attr == u"rs:name") {
      rsName = Checked(reader.Value());
      hasRsName = true;
    }
  }
  column.Spec.Name = hasRsName ? rsName : name;
  if (hasRsName) aliases.emplace_back(rsName, name);

  bool found = false;
  while (!found && reader.Read()) found = IsElement(reader, u"s:datatype");
  if (!found) InvalidDocument();

  bool isLong = false, hasMaxLength = false;
  Integer maxLength = 0, precision = 0, scale = 0;
  String dtType, dbType;
  for (int i = 0; i < reader.AttributeCount(); ++i) {
    reader.MoveToAttribute(i);
    String attr = LowerCase(reader.Name());
    const String& value = reader.Value();
    if (attr == u"rs:fixedlength") column.Fixed = TextToBool(value);
    else if (attr == u"rs:maybenull") column.Required = !TextToBool(value);
    else if (attr == u"dt:maxlength") {
      maxLength = MaxLengthValue(value);
      hasMaxLength = true;
    } else if (attr == u"rs:precision") precision = StrToInt(value);
    else if (attr == u"rs:scale") scale = StrToInt(value);
    else if (attr == u"dt:type") dtType = LowerCase(value);
    else if (attr == u"rs:dbtype") dbType = LowerCase(value);
    else if (attr == u"rs:long") isLong = TextToBool(value);
  }
  if (dtType.empty() && dbType.empty()) InvalidDocument();
  if (!hasMaxLength && dbType.empty()) dbType = u"variant";

  TDataType dataType = FieldTypeFromXML(dtType, dbType, isLong);
  if (dataType == dtUnknown) dataSet.DatabaseError(SDataTypeNotSupported);
  TFieldType type = dataSet.GetFieldType(dataType);
  Integer size = KeepsMaxLength(type) && !isLong ? maxLength : 0;
  if (size > MaxColumnSize) {
    if (SizeShapesRecord(type)) {
      dataSet.DatabaseError(Format(SFieldSizeTooLarge, {size, column.Spec.Name, MaxColumnSize}));
    }
    size = 0;
  }
  if (type == ftBytes && !column.Fixed) type = ftVarBytes;
  column.Spec.Type = type;
  column.Spec.Size = size;
  if (type == ftBCD || type == ftFMTBcd) {
    column.Spec.Precision = precision;
    column.Spec.Size = scale;
  } else if (FieldDefKeepsPrecision(type)) {
    column.Spec.Precision = precision;
  }
  return column;
}

}  // namespace

bool IsValidFieldName(StringView name) {
  for (size_t i = 0; i < name.size(); ++i) {
    WideChar c = name[i];
    bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
    bool digit = c >= u'0' && c <= u'9';
    if (!letter && !(digit && i > 0)) return false;
  }
  return true;
}

TDataType FieldTypeFromXML(StringView dtType, StringView dbType, bool isLong) {
  struct Row {
    const char16_t* DtType;
    const char16_t* DbType;  // "" for none
    TDataType IfLong;
    TDataType IfShort;
  };
  static constexpr Row Rows[] = {
      {u"i8", u"", dtInt64, dtInt64},
      {u"bin.hex", u"", dtBlob, dtBytes},
      {u"boolean", u"", dtBoolean, dtBoolean},
      {u"string", u"variant", dtVariant, dtVariant},
      {u"string", u"", dtWideMemo, dtWideString},
      {u"string", u"str", dtMemo, dtString},
      {u"string", u"string", dtMemo, dtString},
      {u"i8", u"currency", dtCurrency, dtCurrency},
      {u"number", u"currency", dtCurrency, dtCurrency},
      {u"datetime", u"variantdate", dtDateTime, dtDateTime},
      {u"date", u"", dtDate, dtDate},
      {u"time", u"", dtTime, dtTime},
      {u"datetime", u"timestamp", dtDateTime, dtDateTime},
      {u"number", u"decimal", dtCurrency, dtCurrency},
      {u"float", u"", dtFloat, dtFloat},
      {u"extended", u"", dtExtended, dtExtended},
      {u"uuid", u"", dtGuid, dtGuid},
      {u"number", u"numeric", dtFMTBCD, dtFMTBCD},
      {u"r4", u"", dtSingle, dtSingle},
      {u"i2", u"", dtInt16, dtInt16},
      {u"ui2", u"", dtUInt16, dtUInt16},
      {u"i1", u"", dtInt8, dtInt8},
      {u"ui1", u"", dtUInt8, dtUInt8},
      {u"int", u"", dtInt32, dtInt32},
      {u"ui4", u"", dtUInt32, dtUInt32},
      {u"ui8", u"", dtInt64, dtInt64},
  };
  for (const Row& row : Rows) {
    if (dtType == row.DtType && dbType == row.DbType) return isLong ? row.IfLong : row.IfShort;
  }
  return dtUnknown;
}

void ChangeDecimalSeparator(String& text, WideChar oldSeparator, WideChar newSeparator) {
  if (oldSeparator == newSeparator) return;
  size_t pos = text.find(oldSeparator);
  if (pos != String::npos) text[pos] = newSeparator;
}

TDateTime DecodeXMLDateTime(StringView value) {
  size_t t = value.find(u'T');
  int year, month, day, hour = 0, minute = 0, second = 0;
  ConvertDate(value.substr(0, t), year, month, day);
  if (t != StringView::npos) ConvertTime(value.substr(t + 1), hour, minute, second);
  return EncodeXMLParts(year, month, day, hour, minute, second);
}

TDateTime DecodeXMLTime(StringView value) {
  int hour, minute, second;
  ConvertTime(value, hour, minute, second);
  return EncodeXMLParts(1000, 1, 1, hour, minute, second);
}

std::vector<TXmlRowsetColumn> ReadFieldDefsXML(XmlTextReader& reader, TXmlAliasList& aliases, TMemDataSet& dataSet) {
  std::vector<TXmlRowsetColumn> columns;
  while (reader.Read()) {
    if (reader.NodeType() == ntEndElement && SameText(reader.Name(), u"s:Schema")) break;
    if (IsElement(reader, u"s:AttributeType")) columns.push_back(ReadColumn(reader, aliases, dataSet));
  }
  return columns;
}

void ProcessXMLData(TMemDataSet& dataSet, XmlTextReader& reader, const TXmlAliasList& aliases) {
  struct Target {
    TField* Field;
    const TFieldDesc* Desc;
  };
  // Attribute names met so far, matched exactly as written.
  std::unordered_map<String, Target> lookup;
  auto find = [&](const String& attrName) -> Target {
    auto it = lookup.find(attrName);
    if (it != lookup.end()) return it->second;
    TField* field = dataSet.FindField(attrName);
    if (field == nullptr) {
      auto alias = std::find_if(aliases.begin(), aliases.end(), [&](const auto& a) { return a.second == attrName; });
      if (alias != aliases.end()) field = dataSet.FindField(alias->first);
    }
    const TFieldDesc* desc = field != nullptr ? dataSet.GetFieldDesc(field) : nullptr;
    if (desc == nullptr) InvalidDocument();
    return lookup.emplace(attrName, Target{field, desc}).first->second;
  };
  while (reader.Read()) {
    if (!IsElement(reader, u"z:row")) continue;
    dataSet.Append();
    try {
      for (int i = 0; i < reader.AttributeCount(); ++i) {
        reader.MoveToAttribute(i);
        Target target = find(reader.Name());
        SetXMLValueToField(*target.Field, *target.Desc, Checked(reader.Value()));
      }
      dataSet.Post();
    } catch (...) {
      dataSet.Cancel();
      throw;
    }
  }
}

void SetXMLValueToField(TField& field, const TFieldDesc& desc, StringView value) {
  switch (desc.FDataType) {
    case dtSingle: case dtFloat: case dtExtended:
      field.SetAsFloat(StrToFloat(LocalNumber(value)));
      return;
    case dtCurrency: case dtBCD:
      field.SetAsCurrency(StrToCurr(LocalNumber(value)));
      return;
    case dtFMTBCD: {
      TBcd bcd = StrToBcd(LocalNumber(value), FormatSettings.DecimalSeparator);
      // At most 34 digits before the point; the scale is kept.
      int scale = std::min<int>(desc.FScale, MaxFMTBcdScale);
      int precision = std::min({static_cast<int>(desc.FLength), 34 + scale, MaxFMTBcdDigits});
      if (precision > 0 && scale <= precision) bcd = NormalizeBcd(bcd, precision, scale);
      field.SetAsBCD(bcd);
      return;
    }
    // A time stamp column holds the same text as a date-time one.
    case dtDate: case dtDateTime: case dtSQLTimeStamp:
      field.SetAsDateTime(DecodeXMLDateTime(value));
      return;
    case dtTime:
      field.SetAsDateTime(DecodeXMLTime(value));
      return;
    case dtBoolean:
      field.SetAsBoolean(TextToBool(String(value)));
      return;
    case dtBytes: case dtVarBytes: case dtExtVarBytes: case dtBlob:
      field.SetAsBytes(DecodeBinHex(value));
      return;
    case dtWideString: case dtExtWideString: case dtWideMemo:
      field.SetAsWideString(String(value));
      return;
    default:
      // Integers, strings, memos, GUIDs and variants take the text.
      field.SetAsString(String(value));
      return;
  }
}
