// The XML source: records of one records element, either attribute records
// (one element per record, each attribute a field, as in the dataset packet
// dialect with its field list under DATAPACKET/METADATA/FIELDS) or element
// records (each child element a field; nested elements are flattened to
// their leaves). The document is parsed by the suite's XML parser, record
// by record as each closes, so the tree never holds more than one record;
// each record is kept as a short normalized string of its fields
// (' name="value"' or ' <name>value</name>').
#pragma once

#include <vector>

#include "import/ImportComponent.h"
#include "import/readers/MarkupText.h"
#include "import/readers/XMLTags.h"

enum TSMIBLOBEncoding : Byte { ibeNone, ibeEncode64 };

// A field of the loaded document: its name and, from a dataset packet's
// field list, its type and width.
struct TXMLField {
  String Name;
  bool HasDescription = false;
  TSMIDataType DataType = itString;
  Integer Width = 0;
};

// The type of a dataset packet field from its fieldtype and subtype.
TSMIDataType GetDataType(const String& fieldType, const String& subType);

// Parses the rest of the stream. fields (when given) receives the packet's
// field list, or else the names of the first record's fields; records (when
// given) the normalized records from firstRecord to lastRecord (counted from
// 1; in preview mode at most previewCount). Parsing stops once the last
// record is passed. encoding receives the declaration's encoding.
void LoadXMLFromStream(bool preview, std::vector<TXMLField>* fields, std::vector<String>* records, TStream& stream,
                       const String& tableName, String& encoding, Integer firstRecord, Integer lastRecord,
                       Integer previewCount, const TSMIXMLTags& tags);
void LoadXMLFile(bool preview, std::vector<TXMLField>* fields, std::vector<String>* records, const String& fileName,
                 const String& tableName, String& encoding, Integer firstRecord, Integer lastRecord,
                 Integer previewCount, const TSMIXMLTags& tags);
// The raw value of a field in a normalized record (names without case);
// false when the record has no such field. upperRecord is the record in
// upper case (ASCII letters), when the caller keeps it.
bool FindXMLValue(StringView name, StringView record, String& value, const String* upperRecord = nullptr);
// The same, giving the name itself for a field the record lacks.
String GetValue(const String& name, const String& record);
// Loads the file in preview mode and hands each record (from 1) to the
// callback with the raw value of every field (null where the record has
// none): the fields of the field list (";" separated) when it is given,
// else those of the document (fieldNames is filled with them).
void LoadXMLPreview(void* grid, const String& fieldList, const String& fileName, const String& tableName,
                    Integer firstRecord, Integer lastRecord, Integer previewCount, bool flag,
                    std::vector<String>& fieldNames, const TMarkupPreviewCallback& callback,
                    const TSMIXMLTags& tags);

class TRADerevuFromXML : public TRADerevuBaseComponent {
 public:
  explicit TRADerevuFromXML(TComponent* owner = nullptr);
  const char* ClassName() const override { return "TRADerevuFromXML"; }

  TSMIXMLTags& XMLTags() { return FXMLTags; }
  const TSMIXMLTags& XMLTags() const { return FXMLTags; }
  void SetXMLTags(const TSMIXMLTags& value) { FXMLTags.Assign(value); }
  // The encoding the last load's declaration named.
  const String& Encoding() const { return FEncoding; }
  void SetEncoding(const String& value) { FEncoding = value; }
  TSMIBLOBEncoding BLOBEncoding() const { return FBLOBEncoding; }
  void SetBLOBEncoding(TSMIBLOBEncoding value) { FBLOBEncoding = value; }

  // From another XML source: its tags, encoding and blob encoding only.
  void Assign(const TRADerevuBaseComponent& source) override;
  void BeforeImport() override;
  void AfterImport() override;
  bool LoadRecord() override;
  void GoFirst() override { intCurRow = 0; }
  void GoNext() override { ++intCurRow; }
  bool NeedMore() override;
  Integer GetTotalCount() override { return static_cast<Integer>(lstFileRows.size()); }
  // A field the record lacks reads as null.
  void GetFieldValue(const Variant& name, Variant& value) override;
  bool NotDefined(String& propertyName) override;
  bool BLOBIsMIME() override { return FBLOBEncoding == ibeEncode64; }
  String Extension() const override { return u".XML"; }
  String FillFileFilters() const override;
  void DetectAutoMapping() override;
  void LoadSpecificationFromStrings(const TWideStrings& list) override;
  void SaveSpecificationToStringList(TWideStrings& list, const String& specName) override;

 private:
  std::vector<String> lstFileRows;
  std::vector<TXMLField> lstCaptions;
  Integer intCurRow = 0;
  String strFromFile;
  String strFromFileUpper;
  String FEncoding;
  TSMIBLOBEncoding FBLOBEncoding = ibeEncode64;
  TSMIXMLTags FXMLTags;
};
