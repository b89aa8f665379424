// The dBase and FoxPro table reader: a ".dbf" table and its memo file
// (".dbt", ".fpt" or ".smt"), one record at a time. Columns are named by
// field name; the import component asks for record n whenever it needs row
// n, and the wizard's preview loads the first records into sheet 0.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "import/ImportTypes.h"
#include "import/readers/SpreadSheetFile.h"
#include "platform/rtl/ByteReader.h"

enum TDBFVersion : Byte {
  dBase3, dBase3Memo, dBase3Plus, dBase3PlusMemo, FoxPro, FoxProMemo, dBase4, dBase4Memo, VFP3,
  dBase5, dBase7, dBase7Memo, FoxBASE1, FoxBASE2, VFP3AutoIncrement, HyperSix, VFP3Binary, dBase4SQL,
  dBase4SQLSys, FoxPro2
};
enum TDBFMemoType : Byte { dmDBT, dmFPT, dmSMT };

struct TDBFHeader {
  Byte VersionNumber = 0;
  Byte LastUpdateYear = 0, LastUpdateMonth = 0, LastUpdateDay = 0;
  Cardinal NumberOfRecords = 0;
  Word HeaderSize = 0;
  Word RecordSize = 0;
  Byte IncompleteTransaction = 0;
  Byte Encrypted = 0;
  Byte MDXIsExist = 0;
  Byte LanguageID = 0;
  Integer NumberOfFields = 0;
};

struct TDBFField {
  String FieldName;
  char FieldType = 'C';
  Integer Address = 0;  // offset in the record (after the deletion flag)
  Byte Length = 0;
  Byte Decimals = 0;
};

class TDBF : public TSpreadSheetFile {
 public:
  static constexpr Integer MaxFields = 4096;

  explicit TDBF(TComponent* owner = nullptr);
  ~TDBF() override;
  const char* ClassName() const override { return "TDBF"; }

  TDBFVersion DBFVersion() const { return FDBFVersion; }
  TDBFMemoType DBFMemoType() const { return FDBFMemoType; }
  void SetDBFMemoType(TDBFMemoType value) { FDBFMemoType = value; }
  const TDBFHeader& Header() const { return DBHeader; }
  const std::vector<TDBFField>& Fields() const { return FFields; }
  // The records the file can hold: the header's count, never more than the
  // file's bytes after the header make up, so a forged count cannot make a
  // run walk billions of missing records.
  Integer RecordCount() const { return FRecordCount; }

  bool IsEncrypted() override { return DBHeader.Encrypted != 0; }
  // The memo text of a block; empty for block 0 or a missing memo file.
  String ReadBLOBValue(Cardinal block, Cardinal length) override;
  void LoadFromFile(const String& fileName) override;
  void LoadFromStream(TStream& stream) override;
  void BeforeLoad() override;
  void AfterLoad() override;
  bool LoadRecord(Integer recNo) override;
  // Makes record recNo the current one without delivering its cells: its
  // fields are read one by one as FieldValue asks for them. False, as for
  // LoadRecord, for a record past the end or of a status not loaded.
  bool SelectRecord(Integer recNo);
  // The value of field `column` of the record SelectRecord chose (null for
  // an empty field or a column that does not exist).
  void FieldValue(Integer column, Variant& value);
  Integer FindColumn(const String& fieldName) override;
  void FillColumnList(TColumnList& list, const String& fieldList) override;

  // Field names and character fields in the table's code page.
  String TranslateString(std::string_view bytes) const;

 private:
  bool FoxProMemoLayout() const;
  void OpenMemo();
  // Reads record recNo and delivers its cells as sheet row `row`.
  bool LoadRecordAt(Integer recNo, Integer row);
  // The bytes of record recNo and its status; empty past the end. They stay
  // valid until the table is read again.
  std::span<const Byte> RecordBytes(Integer recNo, TSMIRowStatus& status);
  // The bytes of a field inside a record: a field that reaches past the
  // record keeps only its bytes inside it.
  std::span<const Byte> FieldBytes(std::span<const Byte> record, const TDBFField& field) const;
  void DecodeField(const TDBFField& field, std::span<const Byte> raw, Variant& value, TSMICellType& type,
                   TAlignment& alignment);

  TDBFVersion FDBFVersion = dBase3;
  TDBFMemoType FDBFMemoType = dmDBT;
  TDBFHeader DBHeader;
  std::vector<TDBFField> FFields;
  std::vector<String> FUpperNames;  // for FindColumn
  size_t FNextColumn = 0;            // where FindColumn starts looking
  Integer FRecordCount = 0;
  std::optional<TByteReader> FTable;
  std::vector<Byte> FRecord;
  std::span<const Byte> FSelected;  // the record SelectRecord chose
  // The memo file, opened on the first memo read.
  bool FMemoTried = false;
  std::unique_ptr<TStream> BLOBStream;
  std::optional<TByteReader> FMemo;
  Cardinal FMemoBlockSize = 512;
};

// The version a table's first byte selects; dBase3 for an unknown byte.
TDBFVersion DBFVersionOfByte(Byte versionByte);
// "dBase III", "Visual FoxPro 3", ...; empty for an unknown byte.
String GetStrFileType(Byte versionByte);
// "String", "Number", ... for a field type; "<unknown>" for any other.
String GetStrFieldType(char fieldType);
// True when every character is a space or a zero character.
bool StrIsEmpty(std::string_view text);
// The import column type of a field.
TSMIDataType DBFFieldDataType(const TDBFField& field, TDBFVersion version);
