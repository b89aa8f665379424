#include "import/readers/Paradox.h"

#include <algorithm>
#include <cmath>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

// The last day a date-time cell may hold (31 December 9999).
constexpr double kLastDate = 2958465;

// Paradox keeps numbers big-endian with the sign bit flipped, so that the
// bytes sort like the values: a set top bit marks a value of zero or more,
// a clear one a negative value stored inverted. All zero bytes are a blank.
UInt64 StoredBits(std::span<const Byte> raw) { return LoadBigEndian(raw, raw.size()); }

// The stored integer of 1, 2 or 4 bytes as the signed value it holds.
Int64 SignedValue(std::span<const Byte> raw) {
  const unsigned bits = static_cast<unsigned>(raw.size() * 8);
  const UInt64 flipped = StoredBits(raw) ^ (UInt64{1} << (bits - 1));
  const UInt64 sign = UInt64{1} << (bits - 1);
  return (flipped & sign) != 0 ? static_cast<Int64>(flipped) - static_cast<Int64>(sign << 1) : static_cast<Int64>(flipped);
}

// The stored 8-byte float.
double FloatValue(std::span<const Byte> raw) {
  const UInt64 stored = StoredBits(raw);
  const UInt64 sign = UInt64{1} << 63;
  return DoubleFromBits((stored & sign) != 0 ? stored & ~sign : ~stored);
}

bool IsBlank(std::span<const Byte> raw) {
  return std::all_of(raw.begin(), raw.end(), [](Byte b) { return b == 0; });
}

bool IsNumericType(Byte type) {
  switch (type) {
    case pxfDate: case pxfShort: case pxfLong: case pxfCurrency: case pxfNumber: case pxfLogical: case pxfTime:
    case pxfTimestamp: case pxfAutoInc: return true;
    default: return false;
  }
}

bool IsBLOBType(Byte type) {
  return type == pxfMemoBLOB || type == pxfBLOB || type == pxfFmtMemoBLOB || type == pxfOLE || type == pxfGraphic;
}

}  // namespace

TDBParadox::TDBParadox(TComponent* owner) : TDatabaseFile(owner) {}

TDBParadox::~TDBParadox() = default;

SmallInt TDBParadox::TableLevel() const {
  const Byte v = DBHeader.FileVersionID;
  if (v <= 3) return 30;
  if (v == 4) return 35;
  if (v <= 9) return 40;
  if (v <= 11) return 50;
  if (v == 12) return 70;
  return -1;
}

String TDBParadox::VersionNumToStr() const {
  switch (TableLevel()) {
    case 30: return u"3.0";
    case 35: return u"3.5";
    case 40: return u"4.0";
    case 50: return u"5.0";
    case 70: return u"7.0";
    default: return u"unsupported";
  }
}

bool TDBParadox::IsEncrypted() {
  return (DBHeader.CryptInfoStartPtr != 0 && DBHeader.CryptInfoEndPtr != 0) || DBHeader.AuxPasswords != 0;
}

Cardinal TDBParadox::GetEncryptionCheckSum() const {
  return DBHeader.Encryption1 == 0xFF00FF00 ? DBHeader.Encryption2 : DBHeader.Encryption1;
}

String TDBParadox::GetStrFieldType(Byte type) {
  switch (type) {
    case pxfAlpha: return u"Char";
    case pxfDate: return u"Date";
    case pxfShort: return u"ShortInt";
    case pxfLong: return u"LongInt";
    case pxfCurrency: return u"Currency";
    case pxfNumber: return u"Number";
    case pxfLogical: return u"Logical";
    case pxfMemoBLOB: return u"MEMO";
    case pxfBLOB: return u"BLOB";
    case pxfFmtMemoBLOB: return u"Formated MEMO";
    case pxfOLE: return u"OLE";
    case pxfGraphic: return u"Graphic";
    case pxfTime: return u"Time";
    case pxfTimestamp: return u"TimeStamp";
    case pxfAutoInc: return u"AutoInc";
    case pxfBCD: return u"BCD";
    case pxfBytes: return u"Bytes";
    default: return u"<unknown>";
  }
}

String TDBParadox::GetStrFileType(Byte fileType) {
  static const char16_t* const kNames[] = {u"indexed .DB data file",
                                           u"primary index .PX file",
                                           u"non-indexed .DB data file",
                                           u"non-incrementing secondary index .Xnn file",
                                           u"secondary index .Ynn file (inc or non-inc)",
                                           u"incrementing secondary index .Xnn file",
                                           u"non-incrementing secondary index .XGn file",
                                           u"secondary index .YGn file (inc or non inc)",
                                           u"incrementing secondary index .XGn file"};
  return fileType < std::size(kNames) ? String(kNames[fileType]) : String();
}

TSMIDataType TDBParadox::FieldDataType(Byte type) {
  switch (type) {
    case pxfShort: case pxfLong: case pxfAutoInc: return itInteger;
    case pxfCurrency: case pxfNumber: case pxfBCD: return itFloat;
    case pxfLogical: return itBoolean;
    case pxfDate: return itDate;
    case pxfTime: return itTime;
    case pxfTimestamp: return itDateTime;
    case pxfMemoBLOB: case pxfFmtMemoBLOB: return itMEMO;
    case pxfGraphic: return itGraphic;
    case pxfBLOB: case pxfOLE: case pxfBytes: return itBLOB;
    default: return itString;
  }
}

void TDBParadox::DescribeColumns(TSMIColumns& columns) const {
  AddFieldColumns(columns, FFields, [](const TParadoxField& f) { return FieldDataType(f.FieldType); });
}

String TDBParadox::TranslateString(std::string_view bytes) const {
  switch (DBHeader.SortOrder) {
    case 0x54: return CodePageToString(bytes, 850);
    case 0xC0:
    case 0x81: return CodePageToString(bytes, OemCodePage());
    case 0x82:
    case 0xE6:
    case 0xB7: {
      // These sort orders keep a few letters at codes of their own.
      static constexpr std::pair<Byte, char16_t> kCentral[] = {{134, 314}, {143, 313}, {145, 263},
                                                               {146, 262}, {155, 345}, {157, 344}};
      static constexpr std::pair<Byte, char16_t> kWestern[] = {{129, 252}, {130, 233}, {132, 228}, {135, 231},
                                                               {138, 269}, {142, 196}, {148, 246}, {153, 214},
                                                               {154, 220}, {225, 223}};
      const std::span<const std::pair<Byte, char16_t>> table =
          DBHeader.SortOrder == 0xB7 ? std::span<const std::pair<Byte, char16_t>>(kWestern)
                                     : std::span<const std::pair<Byte, char16_t>>(kCentral);
      String text;
      size_t from = 0;
      for (size_t i = 0; i <= bytes.size(); ++i) {
        const auto it = i < bytes.size() ? std::find_if(table.begin(), table.end(),
                                                        [&](const auto& e) { return e.first == static_cast<Byte>(bytes[i]); })
                                         : table.end();
        if (i < bytes.size() && it == table.end()) continue;
        text += AnsiToString(bytes.substr(from, i - from));
        if (i < bytes.size()) text += it->second;
        from = i + 1;
      }
      return text;
    }
    default: return AnsiToString(bytes);
  }
}

void TDBParadox::LoadFromStream(TStream& stream) {
  LoadTable(stream, [this](TByteReader& in) {
    DBHeader = {};
    DBHeader.RecordSize = in.U16();
    DBHeader.HeaderSize = in.U16();
    DBHeader.FileType = in.U8();
    DBHeader.MaxTableSize = in.U8();
    DBHeader.NumberOfRecords = in.U32();
    in.Skip(2);
    DBHeader.FileBlocks = in.U16();
    DBHeader.FirstBlock = in.U16();
    DBHeader.LastBlock = in.U16();
    in.Skip(15);
    DBHeader.NumberOfFields = in.U16();
    in.Skip(2);
    DBHeader.Encryption1 = in.U32();
    DBHeader.SortOrder = in.U8();
    in.Skip(15);
    DBHeader.FileVersionID = in.U8();
    in.Skip(3);
    DBHeader.AuxPasswords = in.U8();
    in.Skip(2);
    DBHeader.CryptInfoStartPtr = in.U32();
    DBHeader.CryptInfoEndPtr = in.U32();
    in.Skip(16);
    const Byte t = DBHeader.FileType;
    if (DBHeader.FileVersionID >= 5 && (t == 0 || t == 2 || t == 3 || t == 5)) {
      in.Skip(4);
      DBHeader.Encryption2 = in.U32();
      in.Skip(24);
    }
    if (DBHeader.NumberOfFields > MaxFields || DBHeader.RecordSize == 0 || GetBlockSize() == 0) in.Fail();
    if (OnDimensions)
      OnDimensions(this, 0, 0, static_cast<Integer>(std::min<Cardinal>(DBHeader.NumberOfRecords, 2147483647)), 0,
                   DBHeader.NumberOfFields);
    ReadFieldInfo(in);
    if (IsEncrypted() && GetEncryptionCheckSum() != 0)
      throw ESMICryptException(String(strEInvalidPassword));
    ReadBlockChain(in);
    FRecord.assign(DBHeader.RecordSize, Byte{0});
  });
}

void TDBParadox::ReadFieldInfo(TByteReader& in) {
  FFields.assign(DBHeader.NumberOfFields, {});
  Integer start = 0;
  for (TParadoxField& f : FFields) {
    f.FieldType = in.U8();
    const Byte size = in.U8();
    f.Length = f.FieldType == pxfBCD ? 17 : size;
    f.Start = start;
    start += f.Length;
  }
  in.Skip(4);
  if (DBHeader.FileType == 0 || DBHeader.FileType == 2) in.Skip(UInt64{DBHeader.NumberOfFields} * 4);
  FOriginalTableName = AnsiString(UpToZero(in.Bytes(TableLevel() >= 0 && TableLevel() < 70 ? 79 : 261)));
  // The rest of the header in one piece: the field names, then (behind the
  // password area and the field order) the sort order's name. A header cut
  // short leaves the names it lacks empty.
  const UInt64 end = std::max<UInt64>(DBHeader.HeaderSize, in.Position());
  TByteReader rest = in.Sub(static_cast<size_t>(std::min<UInt64>(end - in.Position(), in.Remaining())));
  auto nextText = [&rest]() {
    const std::span<const Byte> window = rest.Bytes(static_cast<size_t>(rest.Remaining()));
    const std::string_view text = UpToZero(window);
    rest.Seek(rest.Position() - window.size() + std::min(text.size() + 1, window.size()));
    return text;
  };
  FFieldNames.clear();
  for (size_t i = 0; i < FFields.size(); ++i) {
    TParadoxField& f = FFields[i];
    f.FieldName = TranslateString(nextText()).substr(0, 25);
    FFieldNames.push_back(f.FieldName);
    if (OnColumnWidth) OnColumnWidth(this, 0, static_cast<Integer>(i), f.Length);
  }
  const UInt64 skip = ((DBHeader.CryptInfoStartPtr != 0 || DBHeader.CryptInfoEndPtr != 0) && DBHeader.AuxPasswords != 0
                           ? 261
                           : 0) +
                      UInt64{DBHeader.NumberOfFields} * 2;
  FSortingName.clear();
  if (rest.Has(skip)) {
    rest.Skip(skip);
    FSortingName = AnsiString(nextText());
  }
  in.Seek(end);
}

void TDBParadox::ReadBlockChain(TByteReader& in) {
  FBlocks.clear();
  FRecordCount = 0;
  const UInt64 blockSize = static_cast<UInt64>(GetBlockSize());
  const UInt64 recordSize = DBHeader.RecordSize;
  if (recordSize > blockSize - 6) in.Fail(DBHeader.RecordSize);
  const UInt64 size = in.Size();
  // Block n (from 1) starts at HeaderSize + (n - 1) * block size. A chain
  // visits each block of the file once at most; a block seen again ends it.
  const UInt64 blocksInFile = size > DBHeader.HeaderSize ? (size - DBHeader.HeaderSize + blockSize - 1) / blockSize : 0;
  std::vector<bool> seen(static_cast<size_t>(blocksInFile) + 1, false);
  UInt64 block = DBHeader.FirstBlock < 2 ? 1 : DBHeader.FirstBlock;
  Int64 total = 0;
  while (block >= 1 && block <= blocksInFile && !seen[static_cast<size_t>(block)]) {
    seen[static_cast<size_t>(block)] = true;
    const UInt64 at = DBHeader.HeaderSize + (block - 1) * blockSize;
    if (at + 6 > size) break;
    in.Seek(at);
    const Word next = in.U16();
    in.Skip(2);
    const Word addDataSize = in.U16();
    // A block whose last-record offset reaches past the block holds no
    // records.
    if (addDataSize < blockSize) {
      const UInt64 inBlock = std::min<UInt64>(addDataSize / recordSize + 1, (blockSize - 6) / recordSize);
      const UInt64 inFile = (size - at - 6) / recordSize;
      const Integer count = static_cast<Integer>(std::min({inBlock, inFile, UInt64{2147483647} - total}));
      if (count > 0) {
        FBlocks.push_back({at + 6, static_cast<Integer>(total), count});
        total += count;
      }
    }
    block = next;
  }
  FRecordCount = static_cast<Integer>(total);
}

void TDBParadox::BeforeLoad() {
  TSpreadSheetFile::BeforeLoad();
  FOriginalTableName.clear();
  FSortingName.clear();
  PrepareSheet(RowStatusBit(rsNormal) | RowStatusBit(rsDeleted));
}

bool TDBParadox::LoadRecordAt(Integer recNo, Integer row) {
  TSpreadSheetFile::LoadRecord(recNo);
  if (!FTable || recNo < 0 || recNo >= FRecordCount) return false;
  UpdateProgress(recNo, FRecordCount);
  const auto block = std::upper_bound(FBlocks.begin(), FBlocks.end(), recNo,
                                      [](Integer n, const TDataBlock& b) { return n < b.First; }) -
                     1;
  ReadRecordBytes(block->Offset + UInt64{DBHeader.RecordSize} * static_cast<UInt64>(recNo - block->First), FRecord);
  if (OnCellValue) {
    const std::span<const Byte> record(FRecord);
    for (Integer i = 0; i < static_cast<Integer>(FFields.size()); ++i) {
      const TParadoxField& f = FFields[static_cast<size_t>(i)];
      // A field that reaches past the record keeps only its bytes inside it.
      const size_t from = std::min<size_t>(static_cast<size_t>(f.Start), record.size());
      const size_t n = std::min<size_t>(static_cast<size_t>(f.Length), record.size() - from);
      DeliverField(row, i, f, record.subspan(from, n));
    }
    EndRecord(row, rsNormal);
  }
  return true;
}

void TDBParadox::DeliverField(Integer row, Integer column, const TParadoxField& f, std::span<const Byte> raw) {
  const Byte type = f.FieldType;
  if (IsNumericType(type)) {
    if (raw.empty() || IsBlank(raw)) {
      Cell(row, column, Variant::Null(), ictEmpty, taLeftJustify);
      return;
    }
    double dateTime = 0;
    switch (type) {
      case pxfShort:
      case pxfLong:
      case pxfAutoInc: {
        if (raw.size() > 4) return;
        Cell(row, column, static_cast<Integer>(SignedValue(raw)), ictInteger, taRightJustify);
        return;
      }
      case pxfCurrency:
      case pxfNumber:
        if (raw.size() != 8) return;
        Cell(row, column, FloatValue(raw), ictDecimal, taRightJustify);
        return;
      case pxfLogical: Cell(row, column, SignedValue(raw.first(1)) == 1, ictBoolean, taLeftJustify); return;
      case pxfDate:
        if (raw.size() != 4) return;
        dateTime = static_cast<double>(SignedValue(raw)) - DateDelta;
        break;
      case pxfTime:
        if (raw.size() != 4) return;
        dateTime = static_cast<double>(SignedValue(raw)) / MSecsPerDay;
        break;
      default:  // pxfTimestamp
        if (raw.size() != 8) return;
        dateTime = FloatValue(raw) / MSecsPerDay - DateDelta;
        break;
    }
    if (dateTime == -129 || dateTime == -32769) dateTime = 0;
    if (dateTime == 0 || !std::isfinite(dateTime)) {
      Cell(row, column, Variant::Null(), ictEmpty, taLeftJustify);
    } else if (dateTime >= -65535 && dateTime <= kLastDate) {
      Cell(row, column, Variant::FromDateTime(dateTime), ictDateTime, taLeftJustify);
    } else if (dateTime > -kLastDate && dateTime < kLastDate * 2) {
      Cell(row, column, FormatDateTime(u"ddddd", dateTime), ictString, taLeftJustify);
    } else {
      Cell(row, column, Variant::Null(), ictEmpty, taLeftJustify);
    }
    return;
  }
  if (type == pxfAlpha) {
    Cell(row, column, TrimControls(TranslateString(UpToZero(raw))), ictString, taLeftJustify);
    return;
  }
  if (IsBLOBType(type)) {
    if (raw.size() < 10) return;
    TByteReader ref(raw.last(10));
    const Cardinal fileLoc = ref.U32();
    const Integer length = ref.I32();
    if (length <= 0) {
      Cell(row, column, Variant::Null(), ictEmpty, taLeftJustify);
      return;
    }
    const size_t inRecord = std::min<size_t>(raw.size() - 10, static_cast<size_t>(length));
    AnsiString data(AsText(raw.first(inRecord)));
    if (HasParseItem(ipiBLOB)) {
      if (static_cast<size_t>(length) > inRecord) ReadBLOBValue1(fileLoc, static_cast<Cardinal>(length), data);
      if (type == pxfMemoBLOB)
        while (!data.empty() && data.back() == '\0') data.pop_back();
    }
    Cell(row, column, AnsiToString(data), ictMemo, taLeftJustify);
    return;
  }
  if (type == pxfBCD) {
    if (raw.size() != 17) return;
    // Like every other type, a field of zero bytes is blank.
    if (IsBlank(raw)) {
      Cell(row, column, Variant::Null(), ictEmpty, taLeftJustify);
      return;
    }
    const Byte head = raw[0];
    const bool negative = head >= 64 && head <= 127;
    Byte digits[16];
    for (size_t i = 0; i < 16; ++i) digits[i] = negative ? static_cast<Byte>(~raw[i + 1]) : raw[i + 1];
    double value = 0;
    if (!PackedDigitsToDouble(digits, 32, head & 0x3F, negative, value)) value = 0;
    Cell(row, column, value, ictDecimal, taRightJustify);
  }
  // Bytes fields and unknown types deliver no cell.
}

bool TDBParadox::ReadBLOBValue1(Cardinal fileLoc, Cardinal length, AnsiString& data) {
  TByteReader* blobs = SideFile(u".mb");
  if (blobs == nullptr) return false;
  const UInt64 index = fileLoc & 0xFF;
  const UInt64 offset = fileLoc & ~Cardinal{0xFF};
  UInt64 start = offset + 9;
  if (index != 255) {
    const UInt64 entry = offset + 12 + 5 * index;
    if (entry + 5 > blobs->Size()) return false;
    blobs->Seek(entry);
    start = offset + UInt64{blobs->U8()} * 16;
  }
  // The value never reaches past the file.
  if (start > blobs->Size() || length > blobs->Size() - start) return false;
  blobs->Seek(start);
  data = blobs->Ansi(length);
  return true;
}
