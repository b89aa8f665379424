// The Advantage table reader: an ".adt" table and its ".adm" memo file, one
// record at a time. A table whose header carries a password is read only
// when the given password equals the stored one; record data is never
// encoded in such tables' readable form, so it is taken as it is.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "import/ImportTypes.h"
#include "import/readers/DatabaseFile.h"
#include "platform/rtl/ByteReader.h"

enum TADTFieldType : Byte {
  aftUnknow, aftLogical, aftNumeric, aftDate, aftString, aftMemo, aftBinary, aftImage, aftVarChar, aftCompactDate,
  aftDouble, aftInteger, aftShortInt, aftTime, aftTimeStamp, aftAutoInc, aftRAW, aftCurrency, aftMoney, aftLongLong,
  aftCIString, aftRowVersion, aftModTime, aftType23, aftType24, aftType25, aftNChar, aftNVarChar, aftNMemo
};

struct TADTHeader {
  Cardinal NumberOfRecords = 0;
  Cardinal HeaderSize = 0;
  Cardinal RecordSize = 0;
  Cardinal FirstDeleted = 0;
  Byte Password[20] = {};
  Word NumberOfFields = 0;
};

// A field descriptor (the platform's TADTField is the data-access class of
// object fields, hence the name).
struct TAdvantageField {
  String FieldName;
  Byte FieldType = 0;
  Word StartPos = 0;  // from the record's first byte
  Word Length = 0;
  Cardinal Decimals = 0;
};

class TADT : public TDatabaseFile {
 public:
  static constexpr Integer MaxFields = 4096;

  explicit TADT(TComponent* owner = nullptr);
  ~TADT() override;
  const char* ClassName() const override { return "TADT"; }

  const TADTHeader& Header() const { return DBHeader; }
  const std::vector<TAdvantageField>& Fields() const { return FFields; }
  Integer RecordCount() const override { return FRecordCount; }
  void DescribeColumns(TSMIColumns& columns) const override;
  Cardinal GetFirstDeleted() const { return DBHeader.FirstDeleted; }

  bool IsEncrypted() override;
  bool IsPasswordValid() const;
  String ReadBLOBValue(Cardinal block, Cardinal length) override;
  String ReadBLOBUnicodeValue(Cardinal block, Cardinal length) override;
  void LoadFromStream(TStream& stream) override;
  void BeforeLoad() override;
  bool LoadRecord(Integer recNo) override { return LoadRecordAt(recNo, recNo); }

  static String GetStrFieldType(Byte type);
  static TSMIDataType FieldDataType(Byte type);

 protected:
  bool LoadRecordAt(Integer recNo, Integer row) override;

 private:
  void DeliverField(Integer row, Integer column, const TAdvantageField& field, std::span<const Byte> raw);
  // The memo bytes, never more than the memo file holds.
  AnsiString ReadBLOBBytes(Cardinal block, Cardinal length);

  TADTHeader DBHeader;
  std::vector<TAdvantageField> FFields;
  Integer FRecordCount = 0;
  Integer FNextDeletedRecNo = 0;
  std::vector<Byte> FRecord;
};
