// VTD files: the virtual table's own binary format (version 3 written,
// versions 0 to 3 read). Little-endian: u16 version; u16 count of field
// definitions (name, type, size, and from version 3 an i32 precision); from
// version 1 a u16 count of stored fields (name, kind, type, size); an i32
// record count; then per record one value per definition, each a length
// (u16 before version 2, u32 after; 0 is null) and its bytes.
//
// This is the codec only: the header, and one value at a time as the record
// store keeps it. Loading a table from a file and saving it are in
// TableFiles.cpp.
#pragma once

#include <cstddef>
#include <future>
#include <vector>

#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Streams.h"
#include "table/VirtualTable.h"

constexpr Word VtdWrittenVersion = 3;

// The VTD reader's error for a read that runs past the end: "Stream read
// error".
[[noreturn]] void RaiseVtdReadError(const TByteReader& reader, size_t wanted);

// A reader over a VTD stream from its position to its end. It holds only a
// window of the file, so that a large file is never in memory twice.
TByteReader VtdStreamReader(TStream& stream);

struct TVtdStoredField {
  String Name;
  Word Kind = 0;
  Word Type = 0;
  Word Size = 0;
};

struct TVtdHeader {
  Word Version = 0;
  std::vector<TVirtualFieldSpec> Defs;
  std::vector<TVtdStoredField> Fields;
  Integer RecordCount = 0;
};

// Reads and checks everything before the records: type and kind numbers,
// and a record count that the remaining bytes can hold.
TVtdHeader ReadVtdHeader(TByteReader& reader);

// Writes a file to a stream through a buffer that is handed over in large
// pieces, so that a large table is never held a second time in memory. A
// full piece is written on a thread of its own while the next one is
// filled; the stream is touched by one thread at a time.
class TVtdWriter {
 public:
  explicit TVtdWriter(TStream& stream) : FStream(stream), FStart(stream.Position()) {}
  ~TVtdWriter();
  TVtdWriter(const TVtdWriter&) = delete;
  TVtdWriter& operator=(const TVtdWriter&) = delete;
  void U16(Word v) { Raw(&v, 2); }
  void U32(Cardinal v) { Raw(&v, 4); }
  void I32(Integer v) { Raw(&v, 4); }
  void Raw(const void* p, size_t n);
  // A u32 length and the bytes.
  void Value(const void* p, size_t n) {
    U32(static_cast<Cardinal>(n));
    Raw(p, n);
  }
  // A u16 length and the name's ANSI bytes.
  void Name(const String& name);
  // A zeroed buffer of at least n bytes for one value, reused from value
  // to value.
  Byte* Scratch(size_t n);
  // Appends a length and room for that many bytes, returned to be filled.
  Byte* Reserve(size_t n) {
    U32(static_cast<Cardinal>(n));
    return Grow(n);
  }
  // Room for at least n bytes at the end, not yet counted as written;
  // Advance(k) then counts the first k of them.
  Byte* Room(size_t n) {
    if (FBytes.size() - FUsed < n) MakeRoom(n);
    return FBytes.data() + FUsed;
  }
  void Advance(size_t n) { FUsed += n; }
  // Where the next byte goes, counted from the start of the file.
  Int64 Offset() const { return FFlushed + static_cast<Int64>(FUsed); }
  // Hands the buffer to the stream once it is full; with always, every
  // byte so far is in the stream when it returns. A failed write of an
  // earlier piece is raised here.
  void Flush(bool always = false);
  // Rewrites an i32 already written at offset.
  void Patch(Int64 offset, Integer v);

 private:
  // Room for n more bytes at the end of the buffer.
  Byte* Grow(size_t n) {
    Byte* p = Room(n);
    FUsed += n;
    return p;
  }
  void MakeRoom(size_t n);
  // Writes n bytes at offset from the start and starts their way to disk.
  void WriteOut(const Byte* bytes, size_t n, Int64 offset);
  // Waits for the piece being written; raises its failure.
  void WaitWritten();

  static constexpr size_t FlushSize = size_t{1} << 20;
  TStream& FStream;
  Int64 FStart;
  Int64 FFlushed = 0;
  std::vector<Byte> FBytes;  // the first FUsed bytes are waiting for the stream
  size_t FUsed = 0;
  std::vector<Byte> FScratch;
  std::vector<Byte> FWriting;      // the piece FPending writes
  std::future<void> FPending;      // the write of FWriting, while it runs
};

// Writes the version, the definitions and the stored fields; the record
// count and the records follow.
void WriteVtdHeader(TVtdWriter& w, const std::vector<TVirtualFieldSpec>& defs, const std::vector<TField*>& stored);

// Writes one value of a record as its descriptor's type keeps it (a length
// of 0 for null).
void WriteVtdValue(TVtdWriter& w, TData& store, TFieldDesc* d, TRecBuf rec);

// Writes whole records of a record store as WriteVtdValue writes each value,
// reading the slots of the common types straight from the record: a large
// table is saved without a call chain per value. descs pairs the file's
// columns with descriptors (nullptr: the column is written null).
class TVtdRecordWriter {
 public:
  TVtdRecordWriter(TData& store, std::vector<TFieldDesc*> descs);
  void Write(TVtdWriter& w, TRecBuf rec);

 private:
  enum class TKind : Byte { Absent, Text, WideText, Copy, Date, Other };
  struct TColumn {
    TFieldDesc* Desc = nullptr;
    TKind Kind = TKind::Absent;
    TDateFormat Format = dfDate;  // of Date
    Integer Offset = 0;           // of the slot in the record
    Integer NullOffset = 0;       // of the null flag in the record
    Integer Size = 0;             // bytes written for Copy; characters at most for the texts
  };
  void Plan(TRecBuf rec);

  TData& FStore;
  std::vector<TColumn> FColumns;
  bool FPlanned = false;
};

// A variant value: the reader holds its bytes and the u16 type code after
// them.
Variant ReadVtdVariant(TByteReader& value, const String& fieldName);

// A value as the record set hands it out (strings terminated, var-bytes
// with their length in front), checked against the stream's definition sd.
// The reader holds exactly the value's bytes.
void DecodeVtdValue(const TFieldDesc& sd, TByteReader& value, std::vector<Byte>& out);

// A value decoded by DecodeVtdValue as a variant, for a table field of
// another type.
Variant DecodedVtdValueAsVariant(const TFieldDesc& sd, const std::vector<Byte>& value);

// Whether values of a and b are kept in the same bytes.
bool SameVtdLayout(const TFieldDesc& a, const TFieldDesc& b);
