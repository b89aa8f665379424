// The Clarion table reader: a ".dat" table and its ".mem" memo file, one
// record at a time. Field names lose their file prefix and are made
// unique; arrays are delivered as one text; dates and times can be
// recognised by field name and value. Owned and encrypted tables are
// decoded with the key derived from the password.
#pragma once

#include <vector>

#include "import/ImportTypes.h"
#include "import/readers/DatabaseFile.h"
#include "platform/rtl/ByteReader.h"

enum TClarionFieldType : Byte {
  cftUnknown, cftLong, cftReal, cftString, cftPicString, cftByte, cftShort, cftGroup, cftDecimal, cftMemo,
  cftSubGroup
};

inline constexpr Word CS_LOCKED = 1, CS_OWNED = 2, CS_ENCRYPTED = 4, CS_MEMOEXIST = 8, CS_COMPRESSED = 16,
                      CS_RECLAIM = 32, CS_READONLY = 64, CS_CREATED = 128;
// The Clarion day number of 30 December 1899.
inline constexpr Integer DELTA_DAYS = 36161;

struct TClarionHeader {
  Word Signature = 0;
  Word Attribute = 0;
  Byte NumberOfKeys = 0;
  Cardinal NumberOfRecords = 0;
  Cardinal NumberOfDeleted = 0;
  Word NumberOfFields = 0;
  Word NumberOfPictures = 0;
  Word NumberOfArrays = 0;
  Word RecordSize = 0;
  Cardinal Offset = 0;
  Byte MemoName[12] = {};
  Byte FileNamePrefix[3] = {};
  Word MemoLength = 0;
  Cardinal LastUpdateTime = 0;
  Cardinal LastUpdateDate = 0;
};

struct TClarionField {
  Byte FieldType = 0;
  String FieldName;  // as delivered: without prefix, unique, never empty
  Word StartPos = 0;  // from the record's first byte
  Word Length = 0;
  Byte Decimals = 0;
  Byte Precision = 0;
  Word ArrayNum = 0;
};

struct TClarionArrayItem {
  Word MaxDim = 0;
  Word LenDim = 0;
};

struct TClarionArray {
  Word NumDim = 0;
  Word TotalDim = 0;
  Word ElementSize = 0;
  std::vector<TClarionArrayItem> Items;
};

class TClarion : public TDatabaseFile {
 public:
  explicit TClarion(TComponent* owner = nullptr);
  ~TClarion() override;
  const char* ClassName() const override { return "TClarion"; }

  const TClarionHeader& Header() const { return DBHeader; }
  const std::vector<TClarionField>& Fields() const { return FFields; }
  const std::vector<TClarionArray>& ArrayFields() const { return FArrays; }
  Integer RecordCount() const override { return FRecordCount; }
  void DescribeColumns(TSMIColumns& columns) const override;

  bool AutoPatchFieldNames() const { return FAutoPatchFieldNames; }
  void SetAutoPatchFieldNames(bool value) { FAutoPatchFieldNames = value; }
  bool DateAutodetect() const { return FDateAutodetect; }
  void SetDateAutodetect(bool value) { FDateAutodetect = value; }
  // Derives the decoding key from the password.
  void SetPassword(const String& text) override;
  Word FID() const { return FKey; }

  bool IsEncrypted() override { return (DBHeader.Attribute & CS_ENCRYPTED) != 0; }
  bool IsOwned() const { return (DBHeader.Attribute & CS_OWNED) != 0; }
  String ReadBLOBValue(Cardinal position, Cardinal length) override;
  void LoadFromStream(TStream& stream) override;
  void BeforeLoad() override;
  bool LoadRecord(Integer recNo) override { return LoadRecordAt(recNo, recNo); }

  // XORs length div 2 little-endian words with the key.
  void DecodeBuffer(std::span<Byte> buffer) const;
  // Decodes the 85 header bytes in place and answers whether their
  // checksum holds; when it does not they are left as they were.
  bool CheckHeader(std::span<Byte> header) const;
  void GetFieldValue(const TClarionField& field, std::span<const Byte> raw, Variant& value,
                     TSMICellType& cellType) const;
  bool FieldIsDate(const TClarionField& field, Cardinal v, TDateTime& date) const;
  bool FieldIsTime(const TClarionField& field, Cardinal v, TDateTime& date) const;

  static TDateTime GetDate(Cardinal day) { return static_cast<double>(day) - DELTA_DAYS; }
  // Hundredths of a second since midnight; false for 24 hours or more.
  static bool GetTime(Cardinal hundredths, TDateTime& time);
  static Int64 GetMemoBlockNo(Cardinal block) { return Int64{block} * 256 - 250; }
  static String GetStrFieldType(Byte type);

 protected:
  bool LoadRecordAt(Integer recNo, Integer row) override;

 private:
  void ReadStructure(TByteReader& in);
  String UniqueFieldName(const String& name, size_t index) const;
  void DeliverArray(Integer row, Integer column, const TClarionField& field, std::span<const Byte> record);

  bool FAutoPatchFieldNames = true;
  bool FDateAutodetect = false;
  Word FKey = 0;
  TClarionHeader DBHeader;
  std::vector<TClarionField> FFields;
  std::vector<TClarionArray> FArrays;
  Integer FRecordCount = 0;
  std::vector<Byte> FRecord;
};
