#include "import/readers/DBISAM.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/Bcd.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr Byte kSubTypeValues[] = {0, 1, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 50, 100};
constexpr size_t kBlockHeaderSize = 18;
// A BLOB never inflates past this.
constexpr size_t kMaxInflated = size_t{256} << 20;

// The size a field of an older table takes after its null flag.
Word DataSizeOf(Byte type, Word length) {
  switch (type) {
    case dftString: return static_cast<Word>(length + 1);
    case dftDate: case dftInt32: case dftTime: return 4;
    case dftBLOB: case dftFloat: case dftTimeStamp: case dftInt64: return 8;
    case dftLogical: case dftInt16: case dftUInt16: return 2;
    case dftBCD: return 34;
    default: return length;
  }
}

// A length-prefixed text of at most `size` bytes (the length byte included).
String ShortString(std::span<const Byte> raw) {
  if (raw.empty()) return {};
  const size_t n = std::min<size_t>(raw[0], raw.size() - 1);
  return AnsiToString(AsText(raw.subspan(1, n)));
}

}  // namespace

std::optional<AnsiString> InflateBLOB(std::string_view data, size_t limit) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return std::nullopt;
  AnsiString out;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(std::min<size_t>(data.size(), UINT32_MAX));
  int rc = Z_OK;
  char chunk[16384];
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(chunk);
    z.avail_out = sizeof chunk;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(chunk, sizeof chunk - z.avail_out);
    if (out.size() > limit || (rc == Z_OK && z.avail_in == 0 && z.avail_out != 0)) rc = Z_DATA_ERROR;
  }
  inflateEnd(&z);
  if (rc != Z_STREAM_END) return std::nullopt;
  return out;
}

TDBISAM::TDBISAM(TComponent* owner) : TDatabaseFile(owner) {}

TDBISAM::~TDBISAM() = default;

String TDBISAM::VersionNumToStr() const {
  static const char16_t* const kNames[] = {u"1.00", u"1.02", u"1.04", u"1.08", u"2.00", u"3.00", u"4.00"};
  return DBHeader.VersionNum < std::size(kNames) ? String(kNames[DBHeader.VersionNum]) : IntToStr(DBHeader.VersionNum);
}

TDBISAMFieldSubType TDBISAM::GetFieldSubType(Byte stored) {
  for (size_t i = 0; i < std::size(kSubTypeValues); ++i)
    if (kSubTypeValues[i] == stored) return static_cast<TDBISAMFieldSubType>(i);
  return dfstUnknown;
}

String TDBISAM::GetStrFieldType(Byte type, TDBISAMFieldSubType subType) {
  static const char16_t* const kNames[] = {
      u"Unknow", u"String",    u"Date",          u"BLOB",         u"Boolean", u"Short Integer",
      u"Integer", u"Float",    u"BCD",           u"Bytes",        u"Time",    u"Time Stamp",
      u"Unsigned Short Integer", u"Unsigned Integer", u"Double", u"Var Bytes", u"Lock Info", u"Cursor",
      u"Large Integer", u"Unsigned Large Integer", u"ADT", u"Array", u"Reference", u"Table"};
  if (type == dftInt32 && subType == dfstAutoInc) return u"AutoInc";
  return type < std::size(kNames) ? String(kNames[type]) : String(u"Unknow");
}

TSMIDataType TDBISAM::FieldDataType(const TDBISAMField& f) {
  switch (f.FieldType) {
    case dftDate: return itDate;
    case dftBLOB:
      if (f.FieldSubType == dfstMEMO || f.FieldSubType == dfstFmtMEMO || f.FieldSubType == dfstHMEMO) return itMEMO;
      return f.FieldSubType == dfstGraphic ? itGraphic : itBLOB;
    case dftLogical: return itBoolean;
    case dftInt16: case dftInt32: case dftUInt16: case dftUInt32: case dftInt64: case dftUInt64: return itInteger;
    case dftFloat: case dftBCD: case dftDouble: return itFloat;
    case dftTime: return itTime;
    case dftTimeStamp: return itDateTime;
    default: return itString;
  }
}

void TDBISAM::DescribeColumns(TSMIColumns& columns) const { AddFieldColumns(columns, FFields, FieldDataType); }

void TDBISAM::ReadHeader(TByteReader& in) {
  DBHeader = {};
  in.Skip(8);
  DBHeader.VersionNum = in.U8();
  in.Seek(0);
  if (DBHeader.VersionNum >= 6) {
    TByteReader h = in.Sub(512);
    h.Seek(41);
    DBHeader.NumberOfRecords = h.U32();
    DBHeader.RecordSize = h.U16();
    DBHeader.NumberOfFields = h.U16();
    h.Skip(2);
    DBHeader.BlobBlockSize = h.U32();
    h.Seek(63);
    DBHeader.LastUpdated = h.F64();
    h.Seek(172);
    DBHeader.Encrypted = h.U8() != 0;
  } else {
    TByteReader h = in.Sub(127);
    h.Seek(4);
    DBHeader.BlobBlockSize = h.U32();
    h.Seek(13);
    DBHeader.NumberOfRecords = h.U32() - 1;
    h.Seek(21);
    DBHeader.RecordSize = h.U16();
    DBHeader.NumberOfFields = h.U16();
    h.Seek(27);
    DBHeader.LastUpdated = h.F64();
    h.Seek(86);
    DBHeader.Encrypted = h.U8() != 0;
  }
  DBHeader.LastUpdated += DateDelta;
}

void TDBISAM::ReadFields(TByteReader& in) {
  const Byte version = DBHeader.VersionNum;
  FFields.assign(DBHeader.NumberOfFields, {});
  FFieldNames.clear();
  for (size_t i = 0; i < FFields.size(); ++i) {
    TDBISAMField& f = FFields[i];
    if (version >= 6) {
      TByteReader d = in.Sub(768);
      const std::span<const Byte> raw = d.Bytes(768);
      TByteReader v(raw);
      f.FieldName = ShortString(raw.subspan(2, 61));
      v.Seek(164);
      f.FieldType = v.U8();
      f.FieldSubType = GetFieldSubType(v.U8());
      f.Length = v.U16();
      f.Decimals = v.U8();
      f.DataSize = v.U16();
      v.Skip(1);
      f.Offset = v.U16();
      v.Seek(479);
      f.Compression = v.U8();
    } else {
      const std::span<const Byte> raw = in.Bytes(version >= 3 ? 768 : 265);
      f.FieldName = ShortString(raw.subspan(2, 31));
      f.FieldType = raw[84];
      f.FieldSubType = GetFieldSubType(raw[85]);
      f.Length = raw[86];
      f.Decimals = raw[87];
      f.Offset = static_cast<Word>(LoadLittleEndian(raw.subspan(version >= 3 ? 90 : 88), 2));
      f.DataSize = DataSizeOf(f.FieldType, f.Length);
      if (f.FieldType == dftBLOB && f.FieldSubType != dfstMEMO && f.FieldSubType != dfstGraphic)
        f.FieldSubType = dfstUnknown;
    }
    FFieldNames.push_back(f.FieldName);
    if (OnColumnWidth) OnColumnWidth(this, 0, static_cast<Integer>(i), f.DataSize);
  }
}

void TDBISAM::LoadFromStream(TStream& stream) {
  LoadTable(stream, [this](TByteReader& in) {
    ReadHeader(in);
    if (DBHeader.NumberOfFields > MaxFields || DBHeader.RecordSize == 0) in.Fail();
    if (OnDimensions)
      OnDimensions(this, 0, 0, static_cast<Integer>(std::min<Cardinal>(DBHeader.NumberOfRecords, 2147483647)), 0,
                   DBHeader.NumberOfFields);
    // The password test and the decoding of an encrypted table belong to
    // routines a host registers; this system has none.
    if (DBHeader.Encrypted) throw ESMICryptException(String(strEInvalidPassword));
    ReadFields(in);
    FFirstRecord = in.Position();
    // Every record the file holds, whatever the header counts: deleted
    // records keep their place, so the count never hides the last ones.
    const UInt64 rest = in.Size() - FFirstRecord;
    FRecordCount = static_cast<Integer>(std::min<UInt64>((rest + DBHeader.RecordSize - 1) / DBHeader.RecordSize, 2147483647));
    FRecord.assign(DBHeader.RecordSize, Byte{0});
  });
}

void TDBISAM::BeforeLoad() {
  TSpreadSheetFile::BeforeLoad();
  PrepareSheet(RowStatusBit(rsNormal) | RowStatusBit(rsDeleted) | RowStatusBit(rsError));
}

bool TDBISAM::LoadRecordAt(Integer recNo, Integer row) {
  TSpreadSheetFile::LoadRecord(recNo);
  if (!FTable || recNo < 0 || recNo >= FRecordCount) return false;
  UpdateProgress(recNo, FRecordCount);
  ReadRecordBytes(FFirstRecord + UInt64{DBHeader.RecordSize} * static_cast<UInt64>(recNo), FRecord);
  const TSMIRowStatus status = FRecord[0] == 1 ? rsDeleted : FRecord[0] == 2 ? rsError : rsNormal;
  if ((FLoadRowStatutes & RowStatusBit(status)) == 0) return false;
  if (OnCellValue) {
    const std::span<const Byte> record(FRecord);
    for (Integer i = 0; i < static_cast<Integer>(FFields.size()); ++i) {
      const TDBISAMField& f = FFields[static_cast<size_t>(i)];
      const bool autoInc = f.FieldType == dftInt32 && f.FieldSubType == dfstAutoInc;
      if (f.Offset >= record.size() || (record[f.Offset] != 1 && !autoInc)) {
        Cell(row, i, Variant::Null(), ictEmpty, taLeftJustify);
        continue;
      }
      const size_t from = f.Offset + 1u;
      DeliverField(row, i, f, record.subspan(from, std::min<size_t>(f.DataSize, record.size() - from)));
    }
    EndRecord(row, status);
  }
  return true;
}

void TDBISAM::DeliverField(Integer row, Integer column, const TDBISAMField& f, std::span<const Byte> raw) {
  auto null = [&] { Cell(row, column, Variant::Null(), ictEmpty, taLeftJustify); };
  auto dateTime = [&](const Variant& v) {
    if (v.IsNull()) return null();
    Cell(row, column, v, ictDateTime, taLeftJustify);
  };
  const UInt64 bits = LoadLittleEndian(raw, 8);
  switch (f.FieldType) {
    case dftString: Cell(row, column, AnsiToString(UpToZero(raw)), ictString, taLeftJustify); return;
    case dftDate: {
      const Integer day = static_cast<Integer>(static_cast<Cardinal>(bits));
      if (day == 0) return null();
      return dateTime(TimeStampCell(day, 0));
    }
    case dftBLOB: {
      const Integer stored = static_cast<Integer>(static_cast<Cardinal>(bits));
      const Cardinal block = stored < 0 ? 0u - static_cast<Cardinal>(stored) : static_cast<Cardinal>(stored);
      if (block == 0) return null();
      if (!HasParseItem(ipiBLOB)) {
        Cell(row, column, static_cast<Int64>(block), ictInteger, taLeftJustify);
        return;
      }
      AnsiString bytes = ReadBLOBBytes(block);
      // A compressed value that does not inflate keeps its stored bytes.
      if (f.Compression != 0)
        if (std::optional<AnsiString> inflated = InflateBLOB(bytes, kMaxInflated)) bytes = std::move(*inflated);
      Cell(row, column, AnsiToString(bytes), ictMemo, taLeftJustify);
      return;
    }
    case dftLogical: Cell(row, column, !raw.empty() && raw[0] != 0, ictBoolean, taLeftJustify); return;
    case dftInt16:
      Cell(row, column, static_cast<Integer>(static_cast<SmallInt>(bits)), ictInteger, taRightJustify);
      return;
    case dftInt32: Cell(row, column, static_cast<Integer>(static_cast<Cardinal>(bits)), ictInteger, taRightJustify); return;
    // Unsigned values keep their whole range; 64-bit values every bit.
    case dftUInt16: Cell(row, column, static_cast<Integer>(static_cast<Word>(bits)), ictInteger, taRightJustify); return;
    case dftUInt32: Cell(row, column, static_cast<Int64>(static_cast<Cardinal>(bits)), ictInteger, taRightJustify); return;
    case dftInt64: Cell(row, column, static_cast<Int64>(bits), ictInteger, taRightJustify); return;
    case dftUInt64:
      if (bits > static_cast<UInt64>(INT64_MAX))
        Cell(row, column, static_cast<double>(bits), ictDecimal, taRightJustify);
      else
        Cell(row, column, static_cast<Int64>(bits), ictInteger, taRightJustify);
      return;
    case dftFloat: Cell(row, column, DoubleFromBits(bits), ictDecimal, taRightJustify); return;
    case dftBCD: {
      TBcd bcd;
      if (raw.size() >= 34) {
        bcd.Precision = raw[0];
        bcd.SignSpecialPlaces = raw[1];
        std::copy(raw.begin() + 2, raw.begin() + 34, bcd.Fraction);
      }
      Currency value;
      if (raw.size() < 34 || !BCDToCurr(bcd, value)) value = Currency();
      Cell(row, column, value, ictDecimal, taLeftJustify);
      return;
    }
    case dftTime: return dateTime(TimeStampCell(DateDelta, static_cast<Integer>(static_cast<Cardinal>(bits))));
    case dftTimeStamp: {
      const double ms = std::nearbyint(DoubleFromBits(bits));
      if (!(std::fabs(ms) < 1e15)) return null();
      const Int64 whole = static_cast<Int64>(ms);
      return dateTime(TimeStampCell(whole / MSecsPerDay, whole % MSecsPerDay));
    }
    default: return;  // bytes, doubles and the other types deliver no cell
  }
}

AnsiString TDBISAM::ReadBLOBBytes(Cardinal block) {
  TByteReader* blobs = SideFile(u".blb");
  if (blobs == nullptr || block >= blobs->Size()) return {};
  const bool numbered = DBHeader.VersionNum >= 5;
  const UInt64 blockSize = DBHeader.BlobBlockSize;
  if (numbered && blockSize <= kBlockHeaderSize) return {};
  AnsiString data;
  UInt64 total = 0;
  bool first = true;
  // A chain visits at most every block of the file once.
  UInt64 steps = numbered ? blobs->Size() / blockSize + 1 : blobs->Size();
  for (Int64 n = block; n >= 1 && steps-- > 0;) {
    const UInt64 at = numbered ? blockSize * static_cast<UInt64>(n - 1) + 512 : static_cast<UInt64>(n);
    if (at + kBlockHeaderSize > blobs->Size()) break;
    blobs->Seek(at);
    blobs->Skip(4);
    const Integer next = blobs->I32();
    const Word length = blobs->U16();
    blobs->Skip(4);
    const Cardinal totalLength = blobs->U32();
    if (first) {
      // The value never reaches past the file.
      total = std::min<UInt64>(totalLength, blobs->Size());
      first = false;
    }
    const size_t take = static_cast<size_t>(std::min<UInt64>({length, total - data.size(), blobs->Remaining()}));
    data += blobs->Ansi(take);
    if (data.size() >= total) break;
    n = next;
  }
  return data;
}

String TDBISAM::ReadBLOBValue(Cardinal block, Cardinal /*length*/) { return AnsiToString(ReadBLOBBytes(block)); }
