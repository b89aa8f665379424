// Writing a dataset as an XML rowset document, through its service object.
#include <algorithm>

#include "platform/rtl/Bcd.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
#include "table/DataSetService.h"
#include "table/FieldDesc.h"
#include "table/MemDataSet.h"
#include "table/XmlRowset.h"
#include "table/XmlTextWriter.h"

namespace {

constexpr char16_t MaxLongLength[] = u"2147483647";

String Padded(int value, int width) {
  String text = IntToStr(value);
  if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<size_t>(width) - text.size(), u'0');
  return text;
}

// A number in the user's form written with "." whatever the locale.
String PointNumber(String text) {
  ChangeDecimalSeparator(text, FormatSettings.DecimalSeparator, u'.');
  return text;
}

String HexText(const std::vector<Byte>& bytes) {
  static constexpr char16_t Digits[] = u"0123456789ABCDEF";
  String text;
  text.reserve(bytes.size() * 2);
  for (Byte b : bytes) {
    text += Digits[b >> 4];
    text += Digits[b & 15];
  }
  return text;
}

// Fields that are columns: data, internal calculated and aggregate fields.
bool IsColumnKind(TFieldKind kind) { return kind == fkData || kind == fkInternalCalc || kind == fkAggregate; }

struct Column {
  TField* Field;
  TFieldDesc* Desc;
  String Alias;
  String AttrName;  // the name its values stand under in the rows
};

// The columns of the dataset with their aliases: "c" and a number for each
// name that is not a valid name, skipping numbers whose alias would read as
// another column's name.
std::vector<Column> XmlColumns(TMemDataSet& dataSet) {
  std::vector<Column> columns;
  for (TField* field : dataSet.Fields()) {
    if (!IsColumnKind(field->FieldKind())) continue;
    TFieldDesc* desc = dataSet.GetFieldDesc(field);
    if (desc != nullptr) columns.push_back({field, desc, String(), desc->FName});
  }
  auto taken = [&](const String& alias) {
    return std::any_of(columns.begin(), columns.end(), [&](const Column& c) {
      return AnsiSameText(c.Desc->FName, alias) || AnsiSameText(c.Field->FieldName(), alias);
    });
  };
  int aliases = 0;
  for (Column& c : columns) {
    if (IsValidFieldName(c.Desc->FName)) continue;
    do {
      c.Alias = u"c" + IntToStr(++aliases);
    } while (taken(c.Alias));
    c.AttrName = c.Alias;
  }
  return columns;
}

}  // namespace

String EncodeXMLDate(TDateTime value) {
  Word year, month, day;
  DecodeDate(value, year, month, day);
  return Padded(year, 4) + u'-' + Padded(month, 2) + u'-' + Padded(day, 2);
}

String EncodeXMLTime(TDateTime value) {
  Word hour, minute, second, msec;
  DecodeTime(value, hour, minute, second, msec);
  return Padded(hour, 2) + u':' + Padded(minute, 2) + u':' + Padded(second, 2);
}

String EncodeXMLDateTime(TDateTime value) { return EncodeXMLDate(value) + u'T' + EncodeXMLTime(value); }

void TDataSetService::WriteFieldXMLDataType(TField* field, TFieldDesc* fieldDesc, XmlTextWriter& writer,
                                            const String& /*alias*/) {
  const TFieldDesc& d = *fieldDesc;
  auto attr = [&](const char16_t* name, const String& value) { writer.WriteAttributeString(name, value); };
  auto type = [&](const char16_t* dtType) { attr(u"dt:type", dtType); };
  auto dbType = [&](const char16_t* value) { attr(u"rs:dbtype", value); };
  auto maxLength = [&](Integer value) { attr(u"dt:maxLength", IntToStr(value)); };
  auto precision = [&](Integer value) { attr(u"rs:precision", IntToStr(value)); };
  auto scale = [&] { attr(u"rs:scale", IntToStr(d.FScale)); };
  auto isLong = [&] {
    if (d.FIsBlob && !d.FFixed) attr(u"rs:long", u"true");
  };
  switch (d.FDataType) {
    case dtUnknown: case dtVariant:
      type(u"string");
      break;
    case dtString: case dtExtString: case dtMemo:
      type(u"string");
      if (d.FDataType == dtMemo) attr(u"dt:maxLength", MaxLongLength);
      else maxLength(d.FLength);
      dbType(u"str");
      isLong();
      break;
    case dtWideString: case dtExtWideString: case dtWideMemo:
      type(u"string");
      if (d.FDataType == dtWideMemo) attr(u"dt:maxLength", MaxLongLength);
      else maxLength(d.FLength);
      isLong();
      break;
    case dtInt8: case dtUInt8: case dtUInt16: case dtUInt32:
      type(d.FDataType == dtInt8 ? u"i1" : d.FDataType == dtUInt8 ? u"ui1" : d.FDataType == dtUInt16 ? u"ui2" : u"ui4");
      maxLength(d.FSize);
      precision(d.FLength);
      break;
    case dtInt16: type(u"i2"); maxLength(d.FSize); precision(5); break;
    case dtInt32: type(u"int"); maxLength(d.FSize); precision(10); break;
    case dtInt64: type(u"i8"); maxLength(d.FSize); precision(19); break;
    case dtUInt64: type(u"ui8"); maxLength(d.FSize); precision(19); break;
    case dtSingle: case dtFloat: case dtExtended:
      if (d.FLength > 7 || d.FSize > 4) {
        type(u"float");
        maxLength(d.FSize);
      } else {
        type(u"r4");
        maxLength(4);
      }
      precision(d.FLength);
      break;
    case dtCurrency: case dtBCD:
      type(u"number");
      dbType(u"currency");
      maxLength(d.FSize);
      precision(d.FLength);
      break;
    case dtFMTBCD:
      type(u"number");
      dbType(u"numeric");
      maxLength(d.FSize);
      scale();
      precision(d.FLength);
      break;
    case dtDate: case dtTime: case dtDateTime: case dtSQLTimeStamp:
      type(d.FDataType == dtDate ? u"date" : d.FDataType == dtTime ? u"time" : u"datetime");
      if (d.FDataType == dtDateTime) dbType(u"variantdate");
      if (d.FDataType == dtSQLTimeStamp) dbType(u"timestamp");
      maxLength(d.FSize);
      scale();
      precision(d.FLength);
      break;
    case dtBoolean:
      type(u"boolean");
      maxLength(d.FSize);
      break;
    case dtBytes: case dtVarBytes: case dtExtVarBytes: case dtBlob:
      type(u"bin.hex");
      if (d.FDataType == dtBlob) attr(u"dt:maxLength", MaxLongLength);
      else maxLength(d.FLength);
      isLong();
      break;
    case dtGuid:
      type(u"uuid");
      maxLength(38);
      break;
    default:
      FDataSet->DatabaseError(SDataTypeNotSupported);
  }
  if (d.FFixed && d.FDataType != dtUnknown && d.FDataType != dtVariant) attr(u"rs:fixedlength", u"true");
  if (field->Required() && !field->ReadOnly()) attr(u"rs:maybenull", u"false");
}

void TDataSetService::WriteFieldXMLAttributeType(TField* field, TFieldDesc* fieldDesc, XmlTextWriter& writer,
                                                 const String& alias) {
  auto attr = [&](const char16_t* name, const String& value) { writer.WriteAttributeString(name, value); };
  attr(u"name", alias.empty() ? fieldDesc->FName : alias);
  if (!alias.empty()) attr(u"rs:name", fieldDesc->FName);
  attr(u"rs:number", IntToStr(field->FieldNo()));
  if (!field->Required() && !field->ReadOnly()) attr(u"rs:nullable", u"true");
  if (!field->ReadOnly()) attr(u"rs:writeunknown", u"true");
  if (fieldDesc->FFieldDescKind == fdkData && !fieldDesc->FActualName.empty()) {
    attr(u"rs:basecolumn", fieldDesc->FActualName);
  }
  if (fieldDesc->FIsKey) attr(u"rs:keycolumn", u"true");
  if (fieldDesc->FIsAutoIncrement) attr(u"rs:autoincrement", u"true");
}

String TDataSetService::GetFieldXMLValue(TField* field, TFieldDesc* fieldDesc) {
  const TFieldDesc& d = *fieldDesc;
  switch (d.FDataType) {
    case dtSingle: case dtExtended:
      if (d.FLength > 0 || d.FScale > 0) {
        int precision = d.FLength > 0 ? std::min<int>(d.FLength, 18) : 15;
        return PointNumber(FloatToStrF(field->AsFloat(), ffGeneral, precision, std::min<int>(d.FScale, 18)));
      }
      return PointNumber(FloatToStrF(field->AsFloat(), ffGeneral, 15, 0));
    case dtFloat:
      if (d.FScale > 0) {
        int precision = d.FLength > 0 ? std::min<int>(d.FLength, 18) : 15;
        return PointNumber(FloatToStrF(field->AsFloat(), ffFixed, precision, std::min<int>(d.FScale, 18)));
      }
      return PointNumber(FloatToStrF(field->AsFloat(), ffGeneral, 15, 0));
    case dtCurrency: case dtBCD:
      return PointNumber(CurrToStr(field->AsCurrency()));
    case dtFMTBCD:
      return BcdToStr(field->AsBCD(), u'.');
    case dtDate: return EncodeXMLDate(field->AsDateTime());
    case dtTime: return EncodeXMLTime(field->AsDateTime());
    case dtDateTime: case dtSQLTimeStamp: return EncodeXMLDateTime(field->AsDateTime());
    case dtBoolean: return field->AsBoolean() ? u"True" : u"False";
    case dtBytes: case dtVarBytes: case dtExtVarBytes: case dtBlob: return HexText(field->AsBytes());
    default: return field->AsString();
  }
}

void TDataSetService::SaveToXML(TStream& destination) {
  TMemDataSet& dataSet = *FDataSet;
  const bool wasActive = dataSet.Active();
  dataSet.DisableControls();
  TBookmark bookmark;
  TScopeExit restore([&] {
    try {
      dataSet.SetActive(wasActive);
      if (wasActive && !bookmark.empty()) dataSet.GotoBookmark(bookmark);
    } catch (...) {
    }
    dataSet.EnableControls();
  });
  dataSet.Open();
  bookmark = dataSet.GetBookmark();

  StreamWriter sink(destination, CP_UTF8);
  XmlTextWriter writer(sink);
  writer.SetQuoteChar(u'\'');
  writer.SetFormatting(fmtIndented);
  writer.SetIndentation(2);
  writer.SetIndentChar(u' ');

  writer.WriteStartElement(u"xml");
  writer.WriteAttributeString(u"xmlns:s", u"uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
  writer.WriteAttributeString(u"xmlns:dt", u"uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
  writer.WriteAttributeString(u"xmlns:rs", u"urn:schemas-microsoft-com:rowset");
  writer.WriteAttributeString(u"xmlns:z", u"#RowsetSchema");
  writer.WriteStartElement(u"s:Schema");
  writer.WriteAttributeString(u"id", u"RowsetSchema");
  writer.WriteStartElement(u"s:ElementType");
  writer.WriteAttributeString(u"name", u"row");
  writer.WriteAttributeString(u"content", u"eltOnly");
  writer.WriteAttributeString(u"rs:updatable", u"true");

  const std::vector<Column> columns = XmlColumns(dataSet);
  for (const Column& c : columns) {
    writer.WriteStartElement(u"s:AttributeType");
    WriteFieldXMLAttributeType(c.Field, c.Desc, writer, c.Alias);
    writer.WriteStartElement(u"s:datatype");
    WriteFieldXMLDataType(c.Field, c.Desc, writer, c.Alias);
    writer.WriteEndElement();
    writer.WriteEndElement();
  }
  writer.WriteStartElement(u"s:extends");
  writer.WriteAttributeString(u"type", u"rs:rowbase");
  writer.WriteEndElement();
  writer.WriteEndElement();
  writer.WriteEndElement();
  writer.WriteStartElement(u"rs:data");

  dataSet.First();
  while (!dataSet.Eof()) {
    writer.WriteStartElement(u"z:row");
    for (const Column& c : columns) {
      if (!c.Field->IsNull()) writer.WriteAttributeString(c.AttrName, GetFieldXMLValue(c.Field, c.Desc));
    }
    writer.WriteEndElement();
    dataSet.Next();
  }
  writer.WriteEndElement();
  writer.WriteEndElement();
  writer.Close();
}

void TMemDataSet::SaveToXML(TStream& destination) { DataSetService()->SaveToXML(destination); }

void TMemDataSet::SaveToXML(const String& fileName) {
  TSafeFileWriter file(fileName);
  SaveToXML(file.Stream());
  file.Commit();
}
