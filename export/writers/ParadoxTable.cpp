#include "export/writers/ParadoxTable.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "export/writers/ByteOutput.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr Integer kHeaderUnit = 2048;     // the header is padded to a multiple of this
constexpr Integer kBlockHeader = 6;       // next block, previous block, offset of the last record
constexpr Integer kTableNameSpace = 261;  // version 7 tables
constexpr Byte kFileVersion = 12;         // version 7
constexpr Byte kSortOrder = 0x62;         // texts stored in the ANSI code page as they are
constexpr Integer kBlobUnit = 4096;       // ".mb" files grow in blocks of this size
constexpr Integer kMaxBlocks = 65535;
// Days from 1 January of year 1 to the day-count origin of TDateTime.
constexpr double kDayOffset = 693594;
constexpr double kMsPerDay = 86400000.0;

Integer TypeLength(const TParadoxFieldDef& field) {
  switch (field.Type) {
    case pwAlpha: return std::clamp<Integer>(field.Size, 1, TParadoxTableWriter::MaxAlphaSize);
    case pwShort: return 2;
    case pwLogical: return 1;
    case pwDate: case pwLong: case pwTime: case pwAutoInc: return 4;
    case pwCurrency: case pwNumber: case pwTimestamp: return 8;
    case pwMemo: case pwBLOB: return TParadoxTableWriter::BlobRecordPart + 10;
    default: throw EDatabaseError(Format(u"A Paradox field cannot have the type %d.", {Int64{field.Type}}));
  }
}

// A big-endian integer of `bytes` bytes with its sign bit flipped, the way
// the format orders numbers.
void PutFlipped(char* out, UInt64 value, int bytes) {
  value ^= UInt64{1} << (bytes * 8 - 1);
  for (int i = bytes - 1; i >= 0; --i, value >>= 8) out[i] = static_cast<char>(value & 0xFF);
}

void PutDouble(char* out, double value) {
  UInt64 bits = std::bit_cast<UInt64>(value);
  // Positive numbers get the sign bit set, negative ones every bit inverted,
  // so that the bytes sort as the numbers do.
  bits = (bits >> 63) != 0 ? ~bits : bits | (UInt64{1} << 63);
  for (int i = 7; i >= 0; --i, bits >>= 8) out[i] = static_cast<char>(bits & 0xFF);
}

Int64 CheckedInteger(const Variant& value, Int64 low, Int64 high, const String& field) {
  const Int64 number = value.AsInt64();
  if (number < low || number > high)
    throw EDatabaseError(Format(u"The value %d does not fit the Paradox field %s.", {number, field}));
  return number;
}

}  // namespace

TParadoxTableWriter::TParadoxTableWriter(TStream& table, TStream* blobs, const String& tableName,
                                         std::vector<TParadoxFieldDef> fields)
    : FTable(table), FBlobs(blobs), FTableName(StringToAnsi(tableName)), FFields(std::move(fields)) {
  if (FFields.empty()) throw EDatabaseError(u"A Paradox table needs at least one field.");
  if (FFields.size() > 255) throw EDatabaseError(u"A Paradox table holds at most 255 fields.");
  FTableName.resize(std::min<size_t>(FTableName.size(), kTableNameSpace - 1));
  LayOutFields();
  if (HasBlobFields() && FBlobs == nullptr) throw EDatabaseError(u"A Paradox table with memo fields needs its .mb file.");
  const std::string header = HeaderBytes();
  FTable.WriteBuffer(header.data(), static_cast<Int64>(header.size()));
  if (FBlobs != nullptr && HasBlobFields()) {
    // The first block of the ".mb" file is its header.
    std::string first(kBlobUnit, '\0');
    PutLE16(first.data() + 1, 1);
    FBlobs->WriteBuffer(first.data(), kBlobUnit);
    FBlobFileSize = kBlobUnit;
  }
  FBlock.assign(static_cast<size_t>(FBlockSize), '\0');
}

TParadoxTableWriter::~TParadoxTableWriter() = default;

bool TParadoxTableWriter::HasBlobFields() const {
  return std::any_of(FFields.begin(), FFields.end(),
                     [](const TParadoxFieldDef& f) { return f.Type == pwMemo || f.Type == pwBLOB; });
}

void TParadoxTableWriter::LayOutFields() {
  // Names are unique and fit their 25 bytes.
  std::vector<AnsiString> names;
  for (TParadoxFieldDef& field : FFields) {
    AnsiString base = StringToAnsi(field.Name).substr(0, MaxFieldNameLength);
    if (base.empty()) base = "Field";
    AnsiString name = base;
    for (int n = 2; std::find(names.begin(), names.end(), name) != names.end(); ++n) {
      const std::string suffix = "_" + std::to_string(n);
      name = base.substr(0, MaxFieldNameLength - suffix.size()) + suffix;
    }
    names.push_back(name);
    field.Name = AnsiToString(name);
    if (field.Type == pwAlpha) field.Size = std::clamp<Integer>(field.Size, 1, MaxAlphaSize);
    FLengths.push_back(TypeLength(field));
    FRecordSize += FLengths.back();
  }
  // The smallest block of 4 to 32 KB that holds a record.
  for (FBlockSize = 4096; FBlockSize - kBlockHeader < FRecordSize; FBlockSize *= 2)
    if (FBlockSize >= 32768)
      throw EDatabaseError(Format(u"A Paradox record holds at most %d bytes; these fields take %d.",
                                  {Int64{32768 - kBlockHeader}, Int64{FRecordSize}}));
  FRecordsPerBlock = (FBlockSize - kBlockHeader) / FRecordSize;
}

std::string TParadoxTableWriter::HeaderBytes() const {
  const size_t n = FFields.size();
  std::string tail;  // everything after the fixed 120 bytes
  for (size_t i = 0; i < n; ++i) {
    tail += static_cast<char>(FFields[i].Type);
    tail += static_cast<char>(FLengths[i]);
  }
  tail.append(4, '\0');      // where the table name was kept in memory
  tail.append(4 * n, '\0');  // where each field name was kept in memory
  std::string name(kTableNameSpace, '\0');
  std::memcpy(name.data(), FTableName.data(), FTableName.size());
  tail += name;
  for (const TParadoxFieldDef& field : FFields) {
    tail += StringToAnsi(field.Name);
    tail += '\0';
  }
  for (size_t i = 0; i < n; ++i) AppendLE16(tail, static_cast<Cardinal>(i + 1));  // field numbers
  tail += "ANSIINTL";
  tail += '\0';

  const size_t used = 120 + tail.size();
  const Integer headerSize = static_cast<Integer>((used + kHeaderUnit - 1) / kHeaderUnit * kHeaderUnit);
  if (headerSize > 65535) throw EDatabaseError(u"The Paradox table's field names do not fit its header.");
  std::string h(static_cast<size_t>(headerSize), '\0');
  char* p = h.data();
  PutLE16(p + 0x00, static_cast<Cardinal>(FRecordSize));
  PutLE16(p + 0x02, static_cast<Cardinal>(headerSize));
  p[0x04] = 2;  // a table without a primary index
  p[0x05] = static_cast<char>(FBlockSize / 1024);
  PutLE32(p + 0x06, FRecordCount);
  PutLE16(p + 0x0A, FBlocks);  // the next block to use
  PutLE16(p + 0x0C, FBlocks);
  PutLE16(p + 0x0E, FBlocks > 0 ? 1 : 0);
  PutLE16(p + 0x10, FBlocks);
  PutLE16(p + 0x21, static_cast<Cardinal>(n));
  PutLE32(p + 0x25, 0xFF00FF00u);  // not encrypted
  p[0x29] = static_cast<char>(kSortOrder);
  p[0x39] = static_cast<char>(kFileVersion);
  PutLE16(p + 0x3A, FBlocks);
  PutLE32(p + 0x49, FAutoInc);
  // The header extension of version 5 tables and later.
  PutLE16(p + 0x58, 0x0100 | kFileVersion);
  PutLE16(p + 0x5A, 0x0100 | kFileVersion);
  PutLE16(p + 0x64, static_cast<Cardinal>(n + 1));
  PutLE16(p + 0x6A, static_cast<Cardinal>(AnsiCodePage()));
  std::memcpy(p + 120, tail.data(), tail.size());
  return h;
}

void TParadoxTableWriter::PutBlob(const std::string& bytes, Integer length, char* out) {
  const Integer part = length - 10;
  char* ref = out + part;
  if (bytes.empty()) return;  // a blank field
  std::memcpy(out, bytes.data(), std::min<size_t>(bytes.size(), static_cast<size_t>(part)));
  PutLE32(ref + 4, static_cast<Cardinal>(bytes.size()));
  if (bytes.size() <= static_cast<size_t>(part)) return;
  // A longer value gets a block of its own in the ".mb" file.
  const Int64 blockBytes = (9 + static_cast<Int64>(bytes.size()) + kBlobUnit - 1) / kBlobUnit * kBlobUnit;
  if (bytes.size() > 0xFFFFFFF0u || blockBytes / kBlobUnit > 0xFFFF || FBlobFileSize + blockBytes > 0xFFFFF000LL)
    throw EDatabaseError(u"A value is too long for the Paradox table's .mb file.");
  char head[9] = {};
  head[0] = 2;  // a block holding one value
  PutLE16(head + 1, static_cast<Cardinal>(blockBytes / kBlobUnit));
  PutLE32(head + 3, static_cast<Cardinal>(bytes.size()));
  FBlobs->WriteBuffer(head, 9);
  FBlobs->WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  const std::string pad(static_cast<size_t>(blockBytes - 9 - static_cast<Int64>(bytes.size())), '\0');
  FBlobs->WriteBuffer(pad.data(), static_cast<Int64>(pad.size()));
  PutLE32(ref, static_cast<Cardinal>(FBlobFileSize) | 0xFFu);
  FBlobFileSize += blockBytes;
}

void TParadoxTableWriter::EncodeField(size_t index, const Variant& value, char* out) {
  const TParadoxFieldDef& field = FFields[index];
  const Integer length = FLengths[index];
  std::memset(out, 0, static_cast<size_t>(length));
  if (field.Type == pwAutoInc) return PutFlipped(out, FAutoInc, 4);
  if (value.IsNull() || value.IsEmpty()) return;
  switch (field.Type) {
    case pwAlpha:
      FValue = value.VarType() == varString ? value.AsAnsiString() : StringToAnsi(value.AsString());
      std::memcpy(out, FValue.data(), std::min<size_t>(FValue.size(), static_cast<size_t>(length)));
      return;
    case pwShort: return PutFlipped(out, static_cast<UInt64>(CheckedInteger(value, -32767, 32767, field.Name)), 2);
    case pwLong:
      return PutFlipped(out, static_cast<UInt64>(CheckedInteger(value, -2147483647, 2147483647, field.Name)), 4);
    case pwCurrency: case pwNumber: return PutDouble(out, value.AsDouble());
    case pwLogical: out[0] = static_cast<char>(value.AsBoolean() ? 0x81 : 0x80); return;
    case pwDate: {
      const double days = std::floor(value.AsDateTime()) + kDayOffset;
      if (days < 1 || days > 4e6) throw EDatabaseError(Format(u"The date does not fit the Paradox field %s.", {field.Name}));
      return PutFlipped(out, static_cast<UInt64>(static_cast<Int64>(days)), 4);
    }
    case pwTime: {
      const double t = value.AsDateTime();
      const double ms = std::round((t - std::floor(t)) * kMsPerDay);
      return PutFlipped(out, static_cast<UInt64>(std::min(ms, kMsPerDay - 1)), 4);
    }
    case pwTimestamp: return PutDouble(out, std::round((value.AsDateTime() + kDayOffset) * kMsPerDay));
    case pwMemo:
      FValue = value.VarType() == varString ? value.AsAnsiString() : StringToAnsi(value.AsString());
      return PutBlob(FValue, length, out);
    case pwBLOB:
      if (const std::vector<Byte>* bytes = value.ByteArray())
        FValue.assign(bytes->begin(), bytes->end());
      else
        FValue = value.VarType() == varString ? value.AsAnsiString() : StringToAnsi(value.AsString());
      return PutBlob(FValue, length, out);
    default: return;
  }
}

void TParadoxTableWriter::AppendRecord(const std::vector<Variant>& values) {
  if (FInBlock == FRecordsPerBlock) FlushBlock(false);
  if (FRecordCount == 0xFFFFFFFFu) throw EDatabaseError(u"The Paradox table is full.");
  ++FAutoInc;
  char* record = FBlock.data() + kBlockHeader + static_cast<size_t>(FInBlock) * static_cast<size_t>(FRecordSize);
  static const Variant blank;
  for (size_t i = 0, at = 0; i < FFields.size(); at += static_cast<size_t>(FLengths[i]), ++i)
    EncodeField(i, i < values.size() ? values[i] : blank, record + at);
  ++FInBlock;
  ++FRecordCount;
}

void TParadoxTableWriter::FlushBlock(bool last) {
  if (FInBlock == 0) return;
  if (FBlocks >= static_cast<Cardinal>(kMaxBlocks)) throw EDatabaseError(u"The Paradox table is full.");
  ++FBlocks;
  char* p = FBlock.data();
  PutLE16(p, last ? 0 : FBlocks + 1);
  PutLE16(p + 2, FBlocks - 1);
  PutLE16(p + 4, static_cast<Cardinal>((FInBlock - 1) * FRecordSize));
  FTable.WriteBuffer(p, FBlockSize);
  std::memset(p, 0, FBlock.size());
  FInBlock = 0;
}

void TParadoxTableWriter::Finish() {
  // A block is written when the next record needs room, so the one in
  // hand is the last of the chain.
  FlushBlock(true);
  const std::string header = HeaderBytes();
  FTable.SetPosition(0);
  FTable.WriteBuffer(header.data(), static_cast<Int64>(header.size()));
}
