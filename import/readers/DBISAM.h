// The DBISAM table reader: a ".dat" table of versions 1.00 to 4.00 and its
// ".blb" BLOB file. Records have a fixed size after the field descriptors,
// so record n is read wherever the import asks for it. Encrypted tables are
// recognised and refused: no decoding routine is registered in this system.
// BLOB fields flagged as compressed are inflated with zlib.
#pragma once

#include <optional>
#include <vector>

#include "import/ImportTypes.h"
#include "import/readers/DatabaseFile.h"
#include "platform/rtl/ByteReader.h"

enum TDBISAMFieldType : Byte {
  dftUnknow, dftString, dftDate, dftBLOB, dftLogical, dftInt16, dftInt32, dftFloat, dftBCD, dftBytes, dftTime,
  dftTimeStamp, dftUInt16, dftUInt32, dftDouble, dftVarBytes, dftLockInfo, dftCursor, dftInt64, dftUInt64, dftADT,
  dftArray, dftRef, dftTable
};

enum TDBISAMFieldSubType : Byte {
  dfstUnknown, dfstPassword, dfstMoney, dfstMEMO, dfstBinary, dfstFmtMEMO, dfstOLE, dfstGraphic, dfstDBSOLE,
  dfstTypedBinary, dfstAutoInc, dfstAccOLE, dfstFixed, dfstUnicode, dfstHMEMO, dfstHBinary, dfstADTNestedTable,
  dfstBFile, dfstADTDate, dfstGUID, dfstMD5
};

struct TDBISAMHeader {
  Byte VersionNum = 0;
  Cardinal NumberOfRecords = 0;
  Word RecordSize = 0;
  Word NumberOfFields = 0;
  Cardinal BlobBlockSize = 0;
  double LastUpdated = 0;
  bool Encrypted = false;
};

struct TDBISAMField {
  String FieldName;
  Byte FieldType = 0;
  TDBISAMFieldSubType FieldSubType = dfstUnknown;
  Word Length = 0;
  Byte Decimals = 0;
  Word DataSize = 0;
  Word Offset = 0;  // of the field's null flag in the record
  Byte Compression = 0;
};

class TDBISAM : public TDatabaseFile {
 public:
  static constexpr Integer MaxFields = 1024;

  explicit TDBISAM(TComponent* owner = nullptr);
  ~TDBISAM() override;
  const char* ClassName() const override { return "TDBISAM"; }

  const TDBISAMHeader& Header() const { return DBHeader; }
  const std::vector<TDBISAMField>& Fields() const { return FFields; }
  // The records the file holds.
  Integer RecordCount() const override { return FRecordCount; }
  void DescribeColumns(TSMIColumns& columns) const override;
  // "1.00" ... "4.00"; other versions as their number.
  String VersionNumToStr() const;

  bool IsEncrypted() override { return DBHeader.Encrypted; }
  String ReadBLOBValue(Cardinal block, Cardinal length) override;
  void LoadFromStream(TStream& stream) override;
  void BeforeLoad() override;
  bool LoadRecord(Integer recNo) override { return LoadRecordAt(recNo, recNo); }

  static String GetStrFieldType(Byte type, TDBISAMFieldSubType subType);
  static TDBISAMFieldSubType GetFieldSubType(Byte stored);
  static TSMIDataType FieldDataType(const TDBISAMField& field);

 protected:
  bool LoadRecordAt(Integer recNo, Integer row) override;

 private:
  void ReadHeader(TByteReader& in);
  void ReadFields(TByteReader& in);
  void DeliverField(Integer row, Integer column, const TDBISAMField& field, std::span<const Byte> raw);
  // The BLOB's bytes along its chain of blocks.
  AnsiString ReadBLOBBytes(Cardinal block);

  TDBISAMHeader DBHeader;
  std::vector<TDBISAMField> FFields;
  Integer FRecordCount = 0;
  UInt64 FFirstRecord = 0;
  std::vector<Byte> FRecord;
};

// zlib data inflated, at most `limit` bytes; nothing when the data is not
// a whole zlib stream or inflates to more.
std::optional<AnsiString> InflateBLOB(std::string_view data, size_t limit);
