#include "import/readers/Clarion.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/Bcd.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

constexpr size_t kHeaderSize = 85;
constexpr size_t kMemoBlockSize = 256;

bool Contains(const String& name, StringView part) { return name.find(part) != String::npos; }

// Turbo Pascal's six-byte real: a biased exponent, a 39-bit fraction with an
// implied leading 1 (least significant byte first) and the sign on top.
double Real48(std::span<const Byte> raw) {
  if (raw.size() < 6 || raw[0] == 0) return 0;
  UInt64 fraction = raw[5] & 0x7F;
  for (int i = 4; i >= 1; --i) fraction = (fraction << 8) | raw[static_cast<size_t>(i)];
  const double value = std::ldexp(1.0 + std::ldexp(static_cast<double>(fraction), -39), raw[0] - 129);
  return (raw[5] & 0x80) != 0 ? -value : value;
}

// The record bytes a field of `length` at `start` holds; a field that reaches
// past the record keeps only its bytes inside it.
std::span<const Byte> FieldBytes(std::span<const Byte> record, size_t start, size_t length) {
  const size_t from = std::min(start, record.size());
  return record.subspan(from, std::min(length, record.size() - from));
}

}  // namespace

TClarion::TClarion(TComponent* owner) : TDatabaseFile(owner) {}

TClarion::~TClarion() = default;

void TClarion::SetPassword(const String& text) {
  if (text == FPassword) return;
  FPassword = text;
  // 0x7F7F and one 16-bit term for every two characters: 0 first, then the
  // codes of the first characters.
  Word key = 0x7F7F;
  const size_t terms = text.size() / 2;
  for (size_t i = 1; i < terms; ++i) key = static_cast<Word>(key + text[i - 1]);
  FKey = key;
}

void TClarion::DecodeBuffer(std::span<Byte> buffer) const {
  for (size_t i = 0; i + 1 < buffer.size(); i += 2) {
    buffer[i] ^= static_cast<Byte>(FKey & 0xFF);
    buffer[i + 1] ^= static_cast<Byte>(FKey >> 8);
  }
}

bool TClarion::CheckHeader(std::span<Byte> header) const {
  if (header.size() < kHeaderSize) return false;
  DecodeBuffer(header.subspan(4, 80));
  const Word kept = static_cast<Word>(header[83] | (header[84] << 8));
  Word sum = 0;
  for (size_t i = 0; i < 83; ++i) sum = static_cast<Word>(sum + header[i]);
  if (sum == kept) {
    header[83] = header[84] = 0;
    return true;
  }
  DecodeBuffer(header.subspan(4, 80));
  return false;
}

String TClarion::GetStrFieldType(Byte type) {
  static const char16_t* const kNames[] = {u"Unknow", u"Long",    u"Real",  u"String",  u"String with picture", u"Byte",
                                           u"Short",  u"Group",   u"Decimal", u"MEMO", u"String"};
  return type < std::size(kNames) ? String(kNames[type]) : String();
}

bool TClarion::GetTime(Cardinal v, TDateTime& time) {
  if (v >= 8640000) return false;
  return TryEncodeTime(static_cast<Word>(v / 360000), static_cast<Word>(v % 360000 / 6000),
                       static_cast<Word>(v % 6000 / 100), static_cast<Word>(v % 100 * 10), time);
}

void TClarion::DescribeColumns(TSMIColumns& columns) const {
  AddFieldColumns(columns, FFields, [](const TClarionField& f) {
    switch (f.FieldType) {
      case cftLong: case cftByte: case cftShort: return itInteger;
      case cftReal: case cftDecimal: return itFloat;
      case cftMemo: return itMEMO;
      default: return itString;
    }
  });
}

String TClarion::UniqueFieldName(const String& name, size_t index) const {
  String s = Trim(name);
  for (size_t k = 0; k < index; ++k) {
    if (Trim(FFields[k].FieldName) != s) continue;
    size_t cut = s.size();
    while (cut > 0 && s[cut - 1] >= u'0' && s[cut - 1] <= u'9') --cut;
    // A name made only of digits has no stem to number.
    if (cut == 0) return {};
    Int64 number = 1;
    if (cut < s.size() && !TryStrToInt64(s.substr(cut), number)) number = 1;
    const String suffix = IntToStr(number + 1);
    const size_t keep = suffix.size() < 16 ? 16 - suffix.size() : 0;
    return UniqueFieldName(s.substr(0, std::min(cut, keep)) + suffix, index);
  }
  return s;
}

void TClarion::ReadStructure(TByteReader& in) {
  std::array<Byte, kHeaderSize> header{};
  in.Read(header.data(), header.size());
  TByteReader h(header.data(), header.size(), in.ErrorRaiser());
  DBHeader = {};
  DBHeader.Signature = h.U16();
  if (DBHeader.Signature != 0x3343) throw ESMIFileFormatException(String(strEInvalidSignature));
  DBHeader.Attribute = h.U16();
  const bool protectedTable = (DBHeader.Attribute & (CS_OWNED | CS_ENCRYPTED)) != 0;
  // The header of a protected table is stored encoded; a key that does not
  // give its checksum is the wrong password.
  if (protectedTable && !CheckHeader(header)) throw ESMICryptException(String(strEInvalidPassword));
  DBHeader.NumberOfKeys = h.U8();
  DBHeader.NumberOfRecords = h.U32();
  DBHeader.NumberOfDeleted = h.U32();
  DBHeader.NumberOfFields = h.U16();
  DBHeader.NumberOfPictures = h.U16();
  DBHeader.NumberOfArrays = h.U16();
  DBHeader.RecordSize = h.U16();
  DBHeader.Offset = h.U32();
  h.Seek(49);
  h.Read(DBHeader.MemoName, sizeof DBHeader.MemoName);
  h.Read(DBHeader.FileNamePrefix, sizeof DBHeader.FileNamePrefix);
  h.Skip(3);
  DBHeader.MemoLength = h.U16();
  h.Seek(75);
  DBHeader.LastUpdateTime = h.U32();
  DBHeader.LastUpdateDate = h.U32();

  const std::string_view memoName = AsText(DBHeader.MemoName);
  const bool hasMemo = memoName.find_first_not_of(std::string_view(" \0", 2)) != std::string_view::npos;
  const std::string_view prefix = AsText(DBHeader.FileNamePrefix);
  size_t nameStart = 0;  // 0-based: the first character after "PRE:"
  if (prefix != std::string_view("\0\0\0", 3) && prefix != "   ") {
    const size_t end = prefix.find_last_not_of(std::string_view(" \0", 2));
    nameStart = (end == std::string_view::npos ? 0 : end + 1) + 1;
  }
  // Read one structure of `size` bytes, decoded for a protected table.
  std::vector<Byte> buffer;
  auto next = [&](size_t size, size_t decoded) -> std::span<const Byte> {
    buffer.resize(size);
    in.Read(buffer.data(), size);
    if (protectedTable) DecodeBuffer(std::span<Byte>(buffer).first(decoded));
    return buffer;
  };

  FFields.assign(DBHeader.NumberOfFields + (hasMemo ? 1u : 0u), {});
  FFieldNames.clear();
  for (size_t i = 0; i < FFields.size(); ++i) {
    TClarionField& f = FFields[i];
    std::string name;
    if (i < DBHeader.NumberOfFields) {
      TByteReader d(next(27, 26));
      f.FieldType = d.U8();
      name = std::string(AsText(d.Bytes(16)));
      f.StartPos = static_cast<Word>(d.U16() + 5);
      f.Length = d.U16();
      f.Decimals = d.U8();
      f.Precision = d.U8();
      f.ArrayNum = d.U16();
      if (FAutoPatchFieldNames && nameStart > 0) {
        const std::string stored(UpToZero(std::span<const Byte>(reinterpret_cast<const Byte*>(name.data()), name.size())));
        const String patched = UniqueFieldName(AnsiToString(stored.substr(std::min(nameStart, stored.size()))), i);
        name = StringToAnsi(patched);
        name.resize(16, ' ');
      }
    } else {
      name = std::string(memoName);
      f.FieldType = cftMemo;
      f.StartPos = 1;
      f.Length = 4;
    }
    // A name ends at its first blank or zero.
    name = name.substr(0, std::min(name.find(' '), name.find('\0')));
    f.FieldName = name.empty() ? u"Field" + IntToStr(static_cast<Integer>(i)) : AnsiToString(name);
    FFieldNames.push_back(f.FieldName);
    if (f.FieldType != cftGroup && OnColumnWidth) OnColumnWidth(this, 0, static_cast<Integer>(i), f.Length);
  }
  for (Byte k = 0; k < DBHeader.NumberOfKeys; ++k) {
    const Byte components = next(19, 19)[0];
    for (Byte c = 0; c < components; ++c) next(6, 6);
  }
  in.Skip(UInt64{DBHeader.NumberOfPictures} * 258);
  FArrays.assign(DBHeader.NumberOfArrays, {});
  for (TClarionArray& a : FArrays) {
    TByteReader h6(next(6, 6));
    a.NumDim = h6.U16();
    a.TotalDim = h6.U16();
    a.ElementSize = h6.U16();
    for (Word d = 0; d < a.TotalDim; ++d) {
      TByteReader e(next(4, 4));
      a.Items.push_back({e.U16(), e.U16()});
    }
  }
  if (OnDimensions)
    OnDimensions(this, 0, 0, static_cast<Integer>(std::min<Cardinal>(DBHeader.NumberOfRecords, 2147483647)), 0,
                 static_cast<Integer>(FFields.size()));
  // The records the file holds, never more than the header counts.
  FRecordCount = 0;
  if (DBHeader.RecordSize != 0 && DBHeader.Offset < in.Size())
    FRecordCount = static_cast<Integer>(std::min<UInt64>(
        {DBHeader.NumberOfRecords, (in.Size() - DBHeader.Offset + DBHeader.RecordSize - 1) / DBHeader.RecordSize,
         2147483647}));
  FRecord.assign(std::max<size_t>(DBHeader.RecordSize, 5), Byte{0});
}

void TClarion::LoadFromStream(TStream& stream) {
  LoadTable(stream, [this](TByteReader& in) { ReadStructure(in); });
}

void TClarion::BeforeLoad() {
  TSpreadSheetFile::BeforeLoad();
  PrepareSheet(RowStatusBit(rsNormal) | RowStatusBit(rsDeleted) | RowStatusBit(rsError));
  // The array descriptions stay: the import runs BeforeLoad again after the
  // load, before it reads the records that need them. The next load
  // replaces them.
}

bool TClarion::LoadRecordAt(Integer recNo, Integer row) {
  TSpreadSheetFile::LoadRecord(recNo);
  if (!FTable || recNo < 0 || recNo >= FRecordCount) return false;
  UpdateProgress(recNo, DBHeader.NumberOfRecords);
  ReadRecordBytes(DBHeader.Offset + UInt64{DBHeader.RecordSize} * static_cast<UInt64>(recNo), FRecord);
  if (IsEncrypted()) DecodeBuffer(std::span<Byte>(FRecord).subspan(5));
  const TSMIRowStatus status = (FRecord[0] & 0x10) != 0 ? rsError : rsNormal;
  if ((FLoadRowStatutes & RowStatusBit(status)) == 0) return false;
  if (OnCellValue) {
    const std::span<const Byte> record(FRecord);
    for (Integer i = 0; i < static_cast<Integer>(FFields.size()); ++i) {
      const TClarionField& f = FFields[static_cast<size_t>(i)];
      if (f.ArrayNum != 0) {
        DeliverArray(row, i, f, record);
        continue;
      }
      Variant value;
      TSMICellType type = ictEmpty;
      GetFieldValue(f, FieldBytes(record, f.StartPos, f.Length), value, type);
      Cell(row, i, value, type, type == ictInteger || type == ictDecimal ? taRightJustify : taLeftJustify);
    }
    EndRecord(row, status);
  }
  return true;
}

void TClarion::DeliverArray(Integer row, Integer column, const TClarionField& f, std::span<const Byte> record) {
  if (f.ArrayNum > FArrays.size()) throw EListError(u"List index out of bounds (" + IntToStr(f.ArrayNum - 1) + u")");
  const TClarionArray& a = FArrays[f.ArrayNum - 1u];
  String text;
  TSMICellType type = ictString;
  bool allEmpty = true;
  size_t used = 0;
  for (size_t d = 0; d < a.NumDim && d < a.Items.size() && used < f.Length; ++d) {
    if (d > 0) text += u',';
    text += u'(';
    const TClarionArrayItem& e = a.Items[d];
    auto append = [&](std::span<const Byte> bytes) {
      Variant value;
      GetFieldValue(f, bytes, value, type);
      if (!value.IsNull()) text += VarToStr(value);
    };
    if (e.LenDim != 0 && e.LenDim <= f.Length) {
      for (Word k = 0; k < e.MaxDim && used < f.Length; ++k) {
        if (k > 0) text += u',';
        append(FieldBytes(record, f.StartPos + used, e.LenDim));
        used += e.LenDim;
      }
    } else if (e.LenDim > f.Length && d == 0) {
      append(FieldBytes(record, f.StartPos, f.Length));
      used = f.Length;
    }
    if (type != ictEmpty) allEmpty = false;
    text += u')';
  }
  if (allEmpty)
    Cell(row, column, String(), ictEmpty, taLeftJustify);
  else
    Cell(row, column, text, type, taLeftJustify);
}

void TClarion::GetFieldValue(const TClarionField& f, std::span<const Byte> raw, Variant& value,
                             TSMICellType& cellType) const {
  value = Variant::Null();
  cellType = ictEmpty;
  const UInt64 bits = LoadLittleEndian(raw, 8);
  switch (f.FieldType) {
    case cftLong: {
      const Integer v = static_cast<Integer>(static_cast<Cardinal>(bits));
      if (v == 0) return;
      TDateTime date = 0;
      const bool isDate = FieldIsDate(f, static_cast<Cardinal>(v), date);
      const bool isTime = FieldIsTime(f, static_cast<Cardinal>(v), date);
      // A date the calendar cannot show stays a number.
      if ((isDate || isTime) && (isTime || date <= 2958465)) {
        value = Variant::FromDateTime(date);
        cellType = isDate ? ictDate : ictTime;
      } else {
        value = v;
        cellType = ictInteger;
      }
      return;
    }
    case cftReal:
      value = raw.size() == 8 ? DoubleFromBits(bits) : Real48(raw);
      cellType = ictDecimal;
      return;
    case cftString:
    case cftPicString:
    case cftSubGroup:
      value = TrimControls(AnsiToString(AsText(raw)));
      cellType = ictString;
      return;
    case cftByte:
      value = static_cast<Integer>(bits & 0xFF);
      cellType = ictInteger;
      return;
    case cftShort:
      // SHORT is a signed 16-bit integer.
      value = static_cast<Integer>(static_cast<SmallInt>(bits & 0xFFFF));
      cellType = ictInteger;
      return;
    case cftDecimal: {
      TBcd bcd;
      bcd.Precision = static_cast<Byte>(std::min(f.Decimals + f.Precision + 1, 64));
      bcd.SignSpecialPlaces = static_cast<Byte>(f.Precision & 0x3F);
      const size_t n = std::min<size_t>(raw.size(), 32);
      std::copy_n(raw.begin(), n, bcd.Fraction);
      if (n > 0 && bcd.Fraction[0] >= 0x10) {
        bcd.Fraction[0] &= 0x0F;
        bcd.SignSpecialPlaces |= 0x80;
      }
      Currency c;
      if (BCDToCurr(bcd, c))
        value = c;
      else
        value = 0;
      cellType = ictDecimal;
      return;
    }
    case cftMemo: {
      const Cardinal block = static_cast<Cardinal>(bits & 0xFFFFFFFF);
      if (block == 0) return;
      if (HasParseItem(ipiBLOB)) {
        value = const_cast<TClarion*>(this)->ReadBLOBValue(block, DBHeader.MemoLength);
        cellType = ictMemo;
      } else {
        value = IntToStr(GetMemoBlockNo(block));
        cellType = ictString;
      }
      return;
    }
    default: return;
  }
}

bool TClarion::FieldIsDate(const TClarionField& f, Cardinal v, TDateTime& date) const {
  if (!FDateAutodetect) return false;
  const String& name = f.FieldName;
  bool isDate = Contains(name, u"DATE") || Contains(name, u"_DT") || name == u"USE_BY" || name == u"ORDER_SHIP" ||
                name == u"ORDER_REQD" || name == u"DATUM";
  if (!isDate && v > 69500 && v < 100000) {
    isDate = true;
    for (StringView excluded : {u"ORDER", u"KONTO", u"AMOUNT", u"BALANCE", u"ZIP", u"QOH", u"OE_SYSID"})
      if (name == excluded) isDate = false;
    for (StringView part : {u"BARCODE", u"ID", u"CNT", u"QNT", u"NUM"})
      if (Contains(name, part)) isDate = false;
  }
  if (!isDate) return false;
  date = GetDate(v);
  return true;
}

bool TClarion::FieldIsTime(const TClarionField& f, Cardinal v, TDateTime& date) const {
  if (!FDateAutodetect || !Contains(f.FieldName, u"TIME")) return false;
  return GetTime(v, date);
}

String TClarion::ReadBLOBValue(Cardinal block, Cardinal /*length*/) {
  TByteReader* memo = SideFile(u".mem");
  if (memo == nullptr) return {};
  if (memo->Size() < 6 || (memo->Seek(0), memo->U16()) != 0x334D)
    throw ESMIMemoFileException(String(strEInvalidMemoFile));
  AnsiString text;
  const bool decode = (DBHeader.Attribute & (CS_ENCRYPTED | CS_OWNED)) != 0;
  // A chain visits each block of the file once at most.
  std::vector<bool> seen(static_cast<size_t>(memo->Size() / kMemoBlockSize + 1), false);
  for (Int64 at = GetMemoBlockNo(block); at >= 6 && static_cast<UInt64>(at) < memo->Size();) {
    const size_t index = static_cast<size_t>(at) / kMemoBlockSize;
    if (seen[index]) break;
    seen[index] = true;
    memo->Seek(static_cast<UInt64>(at));
    const size_t have = static_cast<size_t>(std::min<UInt64>(kMemoBlockSize, memo->Remaining()));
    std::vector<Byte> piece(kMemoBlockSize, 0);
    memo->Read(piece.data(), have);
    const Cardinal next = static_cast<Cardinal>(LoadLittleEndian(piece, 4));
    if (decode) DecodeBuffer(std::span<Byte>(piece).subspan(4));
    text += AsText(std::span<const Byte>(piece).subspan(4, have > 4 ? have - 4 : 0));
    if (have < kMemoBlockSize || next == 0) break;
    at = GetMemoBlockNo(next);
  }
  // The last block is padded with zeros, which are no part of the text.
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return AnsiToString(text);
}
