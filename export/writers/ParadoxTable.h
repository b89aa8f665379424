// Paradox tables: a ".db" file (a header with the field descriptors, then a
// chain of data blocks of fixed-size records) and, for memo and binary
// values longer than the part their record keeps, a ".mb" file. The layout
// is the one the import's Paradox reader reads (version 7 tables, not
// indexed). Numbers are stored big-endian with the sign bit flipped, so a
// field of zero bytes is a blank (null) value.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Streams.h"
#include "platform/rtl/Variant.h"

// The field types the writer makes (the reader's codes).
enum TParadoxWriteType : Byte {
  pwAlpha = 1, pwDate = 2, pwShort = 3, pwLong = 4, pwCurrency = 5, pwNumber = 6, pwLogical = 9,
  pwMemo = 12, pwBLOB = 13, pwTime = 20, pwTimestamp = 21, pwAutoInc = 22
};

struct TParadoxFieldDef {
  String Name;    // made unique and cut to 25 bytes by the writer
  Byte Type = pwAlpha;
  Integer Size = 0;  // Alpha: characters (1 to 255); others take their type's size
};

class TParadoxTableWriter {
 public:
  static constexpr Integer MaxFieldNameLength = 25;
  static constexpr Integer MaxAlphaSize = 255;
  // Bytes of a memo or BLOB value kept in its record; the rest is in the ".mb" file.
  static constexpr Integer BlobRecordPart = 10;

  // The table goes to `table`; BLOB values that do not fit their record go
  // to `blobs`, which may be none when no field is a memo or BLOB.
  TParadoxTableWriter(TStream& table, TStream* blobs, const String& tableName, std::vector<TParadoxFieldDef> fields);
  ~TParadoxTableWriter();

  const std::vector<TParadoxFieldDef>& Fields() const { return FFields; }
  Integer RecordSize() const { return FRecordSize; }
  bool HasBlobFields() const;

  // Adds one record: a value per field, Null or Empty for a blank field.
  // Memo values are text; BLOB values are byte arrays or 8-bit text. An
  // auto-increment field takes the table's next number whatever is given.
  void AppendRecord(const std::vector<Variant>& values);
  // Writes the last block and the header's counts.
  void Finish();

  // The field's bytes for a value (exactly the field's length); public for tests.
  void EncodeField(size_t index, const Variant& value, char* out);

 private:
  void LayOutFields();
  std::string HeaderBytes() const;
  void FlushBlock(bool last);
  void PutBlob(const std::string& bytes, Integer length, char* out);

  TStream& FTable;
  TStream* FBlobs;
  AnsiString FTableName;
  std::vector<TParadoxFieldDef> FFields;
  std::vector<Integer> FLengths;  // bytes of each field in the record
  Integer FRecordSize = 0;
  Integer FBlockSize = 0;
  Integer FRecordsPerBlock = 0;
  Cardinal FRecordCount = 0;
  Cardinal FBlocks = 0;
  Cardinal FAutoInc = 0;
  std::string FBlock;          // the data block being filled
  Integer FInBlock = 0;        // records in it
  Int64 FBlobFileSize = 0;     // bytes written to the ".mb" file
  std::string FValue;          // reused per value
};
