// The Paradox table reader: a ".db" table and its ".mb" BLOB file. The
// records are found by following the table's chain of data blocks; record
// n is the n-th record of that chain, so the import can ask for any record
// by number. Encrypted tables are recognised and refused: no decoding
// routine is registered in this system.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "import/ImportTypes.h"
#include "import/readers/DatabaseFile.h"
#include "platform/rtl/ByteReader.h"

enum TParadoxFieldType : Byte {
  pxfAlpha = 1, pxfDate = 2, pxfShort = 3, pxfLong = 4, pxfCurrency = 5, pxfNumber = 6, pxfLogical = 9,
  pxfMemoBLOB = 12, pxfBLOB = 13, pxfFmtMemoBLOB = 14, pxfOLE = 15, pxfGraphic = 16, pxfTime = 20,
  pxfTimestamp = 21, pxfAutoInc = 22, pxfBCD = 23, pxfBytes = 24
};

struct TPxHeader {
  Word RecordSize = 0;
  Word HeaderSize = 0;
  Byte FileType = 0;
  Byte MaxTableSize = 0;
  Cardinal NumberOfRecords = 0;
  Word FileBlocks = 0;
  Word FirstBlock = 0;
  Word LastBlock = 0;
  Word NumberOfFields = 0;
  Cardinal Encryption1 = 0;
  Byte SortOrder = 0;
  Byte FileVersionID = 0;
  Byte AuxPasswords = 0;
  Cardinal CryptInfoStartPtr = 0;
  Cardinal CryptInfoEndPtr = 0;
  Cardinal Encryption2 = 0;  // from the header extension of version 4 files
};

struct TParadoxField {
  String FieldName;
  Byte FieldType = 0;
  Integer Start = 0;   // offset in the record
  Integer Length = 0;  // bytes in the record
};

class TDBParadox : public TDatabaseFile {
 public:
  static constexpr Integer MaxFields = 256;

  explicit TDBParadox(TComponent* owner = nullptr);
  ~TDBParadox() override;
  const char* ClassName() const override { return "TDBParadox"; }

  const TPxHeader& Header() const { return DBHeader; }
  const std::vector<TParadoxField>& Fields() const { return FFields; }
  const AnsiString& OriginalTableName() const { return FOriginalTableName; }
  const AnsiString& SortingName() const { return FSortingName; }
  // 30, 35, 40, 50, 70; -1 for a version byte above 12.
  SmallInt TableLevel() const;
  // "3.0" ... "7.0", "unsupported".
  String VersionNumToStr() const;
  // The records of the block chain.
  Integer RecordCount() const override { return FRecordCount; }
  void DescribeColumns(TSMIColumns& columns) const override;

  bool IsEncrypted() override;
  void LoadFromStream(TStream& stream) override;
  void BeforeLoad() override;
  bool LoadRecord(Integer recNo) override { return LoadRecordAt(recNo, recNo); }

  // A text of the table by its sort order.
  String TranslateString(std::string_view bytes) const;
  Cardinal GetEncryptionCheckSum() const;
  Integer GetBlockSize() const { return DBHeader.MaxTableSize * 1024; }

  static String GetStrFieldType(Byte type);
  static String GetStrFileType(Byte fileType);
  static TSMIDataType FieldDataType(Byte type);

 protected:
  bool LoadRecordAt(Integer recNo, Integer row) override;

 private:
  // A block of the chain that holds records.
  struct TDataBlock {
    UInt64 Offset = 0;   // of its first record
    Integer First = 0;   // number of its first record
    Integer Count = 0;
  };
  void ReadFieldInfo(TByteReader& in);
  void ReadBlockChain(TByteReader& in);
  void DeliverField(Integer row, Integer column, const TParadoxField& field, std::span<const Byte> raw);
  // The whole BLOB value from the ".mb" file; false when it cannot be read.
  bool ReadBLOBValue1(Cardinal fileLoc, Cardinal length, AnsiString& data);

  TPxHeader DBHeader;
  std::vector<TParadoxField> FFields;
  AnsiString FOriginalTableName, FSortingName;
  std::vector<TDataBlock> FBlocks;
  Integer FRecordCount = 0;
  std::vector<Byte> FRecord;
};
