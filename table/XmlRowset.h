// XML rowset files: a schema of column types ("s:Schema", one
// "s:AttributeType" per column) followed by "rs:data" with one empty "z:row"
// element per row, whose attributes are the row's non-null values. The
// virtual table reads them (XmlRowsetReader.cpp); every engine dataset
// writes them through its service object (XmlRowsetWriter.cpp).
#pragma once

#include <utility>
#include <vector>

#include "platform/db/Field.h"
#include "platform/rtl/Types.h"
#include "table/DataTypes.h"
#include "table/VirtualTable.h"
#include "table/XmlTextReader.h"

class TFieldDesc;
class TMemDataSet;

extern const char16_t SInvalidXMLDocument[];   // "Invalid XML document"
extern const char16_t SDataTypeNotSupported[];  // "Data type is not supported"

// A column read from the schema: what its field definition is made from.
struct TXmlRowsetColumn {
  TVirtualFieldSpec Spec;
  bool Required = false;
  bool Fixed = false;
};

// Column names that are not valid names stand under an alias in the rows:
// pairs of (column name, attribute name).
using TXmlAliasList = std::vector<std::pair<String, String>>;

// Latin letters, digits and "_", not starting with a digit; "" is valid.
bool IsValidFieldName(StringView name);

// The internal type of a schema type pair (both lower case); dtUnknown for a
// pair without one.
TDataType FieldTypeFromXML(StringView dtType, StringView dbType, bool isLong);

// Reads the schema up to the end of "s:Schema" (or of the input). Raises
// "Invalid XML document" for a column without its "s:datatype" or without
// type attributes, and dataSet's "Data type is not supported" for a type
// pair without an internal type or a size the table cannot hold.
std::vector<TXmlRowsetColumn> ReadFieldDefsXML(XmlTextReader& reader, TXmlAliasList& aliases, TMemDataSet& dataSet);

// Appends one record per "z:row" of the rest of the document to the open
// dataset; a row that fails is cancelled and the failure passed on.
void ProcessXMLData(TMemDataSet& dataSet, XmlTextReader& reader, const TXmlAliasList& aliases);

// Stores a value text by the internal type of the field's descriptor.
void SetXMLValueToField(TField& field, const TFieldDesc& desc, StringView value);

// "YYYY-MM-DD" with an optional "T" and "hh:mm:ss"; a time alone is put on
// 1 January 1000. Raise "Invalid XML document" for a missing digit and
// "Invalid argument to date encode" for an impossible date or time.
TDateTime DecodeXMLDateTime(StringView value);
TDateTime DecodeXMLTime(StringView value);
String EncodeXMLDate(TDateTime value);
String EncodeXMLTime(TDateTime value);
String EncodeXMLDateTime(TDateTime value);

// Replaces the first oldSeparator of text by newSeparator.
void ChangeDecimalSeparator(String& text, WideChar oldSeparator, WideChar newSeparator);
