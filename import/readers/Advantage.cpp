#include "import/readers/Advantage.h"

#include <algorithm>
#include <charconv>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Strings.h"

namespace {

// Julian day number of 1 January 1 (day 1 of the time-stamp calendar) − 1.
constexpr Int64 kJulianToTimeStamp = 1721425;

bool Equals(std::span<const Byte> raw, std::string_view marker) { return AsText(raw) == marker; }
const std::string_view kNull32("\x00\x00\x00\x80", 4);
const std::string_view kNull64("\x20\x00\x00\x00\x00\x00\x00\x80", 8);
const std::string_view kMin64("\x00\x00\x00\x00\x00\x00\x00\x80", 8);

bool TrimmedEmpty(std::span<const Byte> raw) {
  return std::all_of(raw.begin(), raw.end(), [](Byte b) { return b <= ' '; });
}

// Digits of a text; -1 when any is not a digit.
Integer DigitsAt(std::string_view text, size_t from, size_t count) {
  if (from + count > text.size()) return -1;
  Integer v = 0;
  for (size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    v = v * 10 + (text[i] - '0');
  }
  return v;
}

}  // namespace

TADT::TADT(TComponent* owner) : TDatabaseFile(owner) {}

TADT::~TADT() = default;

bool TADT::IsEncrypted() {
  return std::any_of(std::begin(DBHeader.Password), std::end(DBHeader.Password), [](Byte b) { return b != 0; });
}

bool TADT::IsPasswordValid() const {
  return AnsiToString(UpToZero(DBHeader.Password)) == FPassword;
}

String TADT::GetStrFieldType(Byte type) {
  static const char16_t* const kNames[] = {
      u"Unknow",   u"Logical",  u"Numeric",    u"Date",     u"String",   u"Memo",       u"Binary",
      u"Image",    u"VarChar",  u"CompactDate", u"Double",  u"Integer",  u"ShortInt",   u"Time",
      u"TimeStamp", u"AutoInc", u"RAW",        u"Currency", u"Money",    u"LongLong",   u"CIString",
      u"RowVersion", u"ModTime", u"Type23",    u"Type24",   u"Type25",   u"NChar",      u"NVarChar",
      u"NMemo"};
  return type < std::size(kNames) ? String(kNames[type]) : String();
}

TSMIDataType TADT::FieldDataType(Byte type) {
  switch (type) {
    case 1: return itBoolean;
    case 2: case 10: case 17: return itFloat;
    case 3: case 9: return itDate;
    case 5: return itMEMO;
    case 6: case 8: case 16: return itBLOB;
    case 7: return itGraphic;
    case 11: case 12: case 15: return itInteger;
    case 13: return itTime;
    case 14: return itDateTime;
    default: return itString;
  }
}

void TADT::DescribeColumns(TSMIColumns& columns) const {
  AddFieldColumns(columns, FFields, [](const TAdvantageField& f) { return FieldDataType(f.FieldType); });
}

void TADT::LoadFromStream(TStream& stream) {
  LoadTable(stream, [this](TByteReader& in) {
    DBHeader = {};
    in.Skip(24);
    DBHeader.NumberOfRecords = in.U32();
    in.Skip(4);
    DBHeader.HeaderSize = in.U32();
    DBHeader.RecordSize = in.U32();
    DBHeader.FirstDeleted = in.U32();
    in.Skip(12);
    in.Read(DBHeader.Password, sizeof DBHeader.Password);
    in.Skip(282);
    DBHeader.NumberOfFields = in.U16();
    in.Skip(40);
    if (DBHeader.NumberOfFields > MaxFields) in.Fail();
    if (OnDimensions)
      OnDimensions(this, 0, 0, static_cast<Integer>(std::min<Cardinal>(DBHeader.NumberOfRecords, 2147483647)), 0,
                   DBHeader.NumberOfFields);
    FFields.assign(DBHeader.NumberOfFields, {});
    FFieldNames.clear();
    for (size_t i = 0; i < FFields.size(); ++i) {
      TByteReader d = in.Sub(200);
      TAdvantageField& f = FFields[i];
      f.FieldName = AnsiToString(UpToZero(d.Bytes(128)));
      d.Skip(1);
      f.FieldType = d.U8();
      d.Skip(1);
      f.StartPos = d.U16();
      d.Skip(1);
      f.Length = d.U16BE();
      f.Decimals = d.U32BE();
      FFieldNames.push_back(f.FieldName);
      if (OnColumnWidth) OnColumnWidth(this, 0, static_cast<Integer>(i), f.Length);
    }
    in.Skip(1);
    if (IsEncrypted() && !IsPasswordValid()) throw ESMICryptException(String(strEInvalidPassword));
    FNextDeletedRecNo = static_cast<Integer>(DBHeader.FirstDeleted);
    // Record n is read from HeaderSize + n * RecordSize + 1, its deletion
    // byte first; a record cut short by the end of the file reads as zeros.
    const UInt64 first = UInt64{DBHeader.HeaderSize} + 1;
    FRecordCount = 0;
    if (DBHeader.RecordSize != 0 && first <= in.Size())
      FRecordCount = static_cast<Integer>(std::min<UInt64>(
          {DBHeader.NumberOfRecords, (in.Size() - first + DBHeader.RecordSize - 1) / DBHeader.RecordSize, 2147483647}));
    // The record buffer never grows past what the file holds.
    FRecord.assign(static_cast<size_t>(std::min<UInt64>(DBHeader.RecordSize, in.Size())), Byte{0});
  });
}

void TADT::BeforeLoad() {
  TSpreadSheetFile::BeforeLoad();
  PrepareSheet(RowStatusBit(rsNormal) | RowStatusBit(rsDeleted));
}

bool TADT::LoadRecordAt(Integer recNo, Integer row) {
  TSpreadSheetFile::LoadRecord(recNo);
  if (!FTable || recNo < 0 || recNo >= FRecordCount || FRecord.empty()) return false;
  UpdateProgress(recNo, DBHeader.NumberOfRecords);
  ReadRecordBytes(UInt64{DBHeader.HeaderSize} + UInt64{DBHeader.RecordSize} * static_cast<UInt64>(recNo) + 1, FRecord);
  // The deletion byte also names the next deleted record (counted from 1).
  const Byte deletion = FRecord[0];
  const bool deleted = Int64{FNextDeletedRecNo} - 1 == recNo || deletion != 0;
  if (deleted) FNextDeletedRecNo = deletion;
  const TSMIRowStatus status = deleted ? rsDeleted : rsNormal;
  if ((FLoadRowStatutes & RowStatusBit(status)) == 0) return false;
  if (OnCellValue) {
    const std::span<const Byte> record(FRecord);
    for (Integer i = 0; i < static_cast<Integer>(FFields.size()); ++i) {
      const TAdvantageField& f = FFields[static_cast<size_t>(i)];
      // StartPos counts from the record's first byte, one before the buffer.
      const size_t from = std::min<size_t>(f.StartPos == 0 ? 0 : f.StartPos - 1u, record.size());
      const size_t n = std::min<size_t>(f.Length, record.size() - from);
      DeliverField(row, i, f, record.subspan(from, n));
    }
    EndRecord(row, status);
  }
  return true;
}

void TADT::DeliverField(Integer row, Integer column, const TAdvantageField& f, std::span<const Byte> raw) {
  auto null = [&] { Cell(row, column, Variant::Null(), ictEmpty, taLeftJustify); };
  const std::string_view text = AsText(raw);
  switch (f.FieldType) {
    case aftNChar:
    case aftNVarChar: {
      Cell(row, column, TrimControls(Utf16LEToString(text)), ictString, taLeftJustify);
      return;
    }
    case aftLogical: Cell(row, column, static_cast<Byte>(text == "T" ? 1 : 0), ictBoolean, taLeftJustify); return;
    case aftNumeric: {
      const String trimmed = TrimControls(AnsiToString(text));
      if (trimmed.empty()) return null();
      const std::string digits = StringToUtf8(trimmed);
      const char* end = digits.data() + digits.size();
      if (f.Decimals == 0) {
        // Whole numbers wider than 32 bits keep every digit.
        Int64 v = 0;
        if (std::from_chars(digits.data(), end, v).ec != std::errc()) return null();
        if (v >= -2147483648LL && v <= 2147483647LL)
          Cell(row, column, static_cast<Integer>(v), ictDecimal, taRightJustify);
        else
          Cell(row, column, v, ictDecimal, taRightJustify);
      } else {
        double v = 0;
        if (std::from_chars(digits.data(), end, v).ec != std::errc()) return null();
        Cell(row, column, v, ictDecimal, taRightJustify);
      }
      return;
    }
    case aftShortInt: {
      if (raw.size() < 2 || Equals(raw.first(2), std::string_view("\x00\x80", 2))) return null();
      Cell(row, column, static_cast<Integer>(static_cast<SmallInt>(LoadLittleEndian(raw, 2))), ictInteger,
           taRightJustify);
      return;
    }
    case aftInteger:
    case aftAutoInc: {
      if (raw.size() < 4 || Equals(raw, kNull32) || Equals(raw, kNull64)) return null();
      const Cardinal bits = static_cast<Cardinal>(LoadLittleEndian(raw, 4));
      // Integers are signed; auto-increment values count up from 0.
      if (f.FieldType == aftInteger)
        Cell(row, column, static_cast<Integer>(bits), ictInteger, taRightJustify);
      else
        Cell(row, column, static_cast<Int64>(bits), ictInteger, taRightJustify);
      return;
    }
    case aftLongLong:
    case aftRowVersion: {
      if (raw.size() < 8 || Equals(raw, kNull64) || Equals(raw, kMin64)) return null();
      Cell(row, column, static_cast<Int64>(LoadLittleEndian(raw, 8)), ictInteger, taRightJustify);
      return;
    }
    case aftDouble:
    case aftCurrency:
    case aftMoney: {
      if (raw.size() < 8 || TrimmedEmpty(raw) || Equals(raw, kNull64)) return null();
      const UInt64 bits = LoadLittleEndian(raw, 8);
      const double v = f.FieldType == aftMoney ? static_cast<double>(static_cast<Int64>(bits)) / 10000 : DoubleFromBits(bits);
      Cell(row, column, v, ictDecimal, taRightJustify);
      return;
    }
    case aftDate: {
      if (raw.size() < 4) return null();
      const Int64 day = static_cast<Integer>(static_cast<Cardinal>(LoadLittleEndian(raw, 4)));
      if (day == 0) return null();
      const Variant v = TimeStampCell(day - kJulianToTimeStamp, 0);
      if (v.IsNull()) return null();
      Cell(row, column, v, ictDateTime, taLeftJustify);
      return;
    }
    case aftCompactDate: {
      if (TrimmedEmpty(raw)) return null();
      const Integer year = DigitsAt(text, 0, 4), month = DigitsAt(text, 4, 2), day = DigitsAt(text, 6, 2);
      TDateTime date = 0;
      if (year < 1 || month < 0 || day < 0 ||
          !TryEncodeDate(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day), date))
        return null();
      Cell(row, column, Variant::FromDateTime(date), ictDateTime, taLeftJustify);
      return;
    }
    case aftTime: {
      if (TrimmedEmpty(raw) || raw.size() < 4) return null();
      const Variant v = TimeStampCell(DateDelta, static_cast<Integer>(static_cast<Cardinal>(LoadLittleEndian(raw, 4))));
      if (v.IsNull()) return null();
      Cell(row, column, v, ictDateTime, taLeftJustify);
      return;
    }
    case aftTimeStamp:
    case aftModTime: {
      if (TrimmedEmpty(raw) || raw.size() < 8) return null();
      const Int64 day = static_cast<Integer>(static_cast<Cardinal>(LoadLittleEndian(raw, 4)));
      if (day == 0) return null();
      const Int64 msecs = static_cast<Integer>(static_cast<Cardinal>(LoadLittleEndian(raw.subspan(4), 4)));
      const Variant v = TimeStampCell(day - kJulianToTimeStamp, msecs);
      if (v.IsNull()) return null();
      Cell(row, column, v, ictDateTime, taLeftJustify);
      return;
    }
    case aftMemo:
    case aftBinary:
    case aftImage:
    case aftVarChar:
    case aftNMemo: {
      if (f.Length == 0) return;
      if (raw.size() < 8) return null();
      const Cardinal block = static_cast<Cardinal>(LoadLittleEndian(raw, 4));
      const Integer length = static_cast<Integer>(static_cast<Cardinal>(LoadLittleEndian(raw.subspan(4), 4)));
      if (length < 1) return null();
      if (!HasParseItem(ipiBLOB)) {
        Cell(row, column, static_cast<Int64>(block), ictInteger, taLeftJustify);
        return;
      }
      const Cardinal n = static_cast<Cardinal>(length);
      Cell(row, column, f.FieldType == aftNMemo ? ReadBLOBUnicodeValue(block, n) : ReadBLOBValue(block, n), ictMemo,
           taLeftJustify);
      return;
    }
    default: Cell(row, column, TrimControls(AnsiToString(text)), ictString, taLeftJustify); return;
  }
}

AnsiString TADT::ReadBLOBBytes(Cardinal block, Cardinal length) {
  TByteReader* memo = SideFile(u".adm");
  // A memo file too short for its header holds no memo.
  if (memo == nullptr || memo->Size() < 8) return {};
  memo->Seek(4);
  const UInt64 blockSize = memo->U32BE();
  const UInt64 offset = UInt64{block} * blockSize;
  if (offset >= memo->Size()) return {};
  memo->Seek(offset);
  return memo->Ansi(static_cast<size_t>(std::min<UInt64>(length, memo->Remaining())));
}

String TADT::ReadBLOBValue(Cardinal block, Cardinal length) { return AnsiToString(ReadBLOBBytes(block, length)); }

String TADT::ReadBLOBUnicodeValue(Cardinal block, Cardinal length) {
  return Utf16LEToString(ReadBLOBBytes(block, length));
}
