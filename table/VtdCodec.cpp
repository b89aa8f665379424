#include "table/VtdCodec.h"

#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <typeinfo>

#include "platform/db/Fields.h"
#include "platform/rtl/Bcd.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Extended.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "table/Blob.h"

namespace {

constexpr char16_t Unit[] = u"VtdCodec";
constexpr char16_t SVariantSubtype[] = u"Variant subtype is not supported: %d";
constexpr char16_t SValueSize[] = u"Invalid VTD file: a value of field '%s' has a wrong size (%d bytes)";
constexpr char16_t SFieldTypeNumber[] = u"Invalid VTD file: unknown field type %d";
constexpr char16_t SFieldKindNumber[] = u"Invalid VTD file: unknown field kind %d";
constexpr char16_t SRecordCount[] = u"Invalid VTD file: record count %d does not fit the file";
constexpr char16_t SNameTooLong[] = u"Name or size of field '%s' does not fit a VTD file";

[[noreturn]] void FileError(const char16_t* format, std::initializer_list<FormatArg> args) {
  throw EReadError(Format(format, args));
}

bool IsFieldTypeNumber(Word type) { return type <= ftSingle || type == ftDATimeStampOffset; }

template <typename T>
T Load(const Byte* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// A u16 length and that many bytes of ANSI text.
String ReadName(TByteReader& r) {
  Word n = r.U16();
  std::span<const Byte> bytes = r.Bytes(n);
  return AnsiToString(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace

void RaiseVtdReadError(const TByteReader&, size_t) { throw EReadError(RtlMessages::SReadError); }

TByteReader VtdStreamReader(TStream& stream) { return TByteReader(stream, size_t{1} << 20, RaiseVtdReadError); }

// ---------------------------------------------------------------------------
// Header

TVtdHeader ReadVtdHeader(TByteReader& r) {
  TVtdHeader h;
  h.Version = r.U16();
  Word count = r.U16();
  for (Word i = 0; i < count; ++i) {
    TVirtualFieldSpec def;
    def.Name = ReadName(r);
    Word type = r.U16();
    if (!IsFieldTypeNumber(type)) FileError(SFieldTypeNumber, {static_cast<Integer>(type)});
    def.Type = static_cast<TFieldType>(type);
    def.Size = r.U16();
    if (h.Version >= 3) {
      Integer precision = r.I32();
      if (FieldDefKeepsPrecision(def.Type)) def.Precision = precision;
    }
    h.Defs.push_back(std::move(def));
  }
  if (h.Version >= 1) {
    Word stored = r.U16();
    for (Word i = 0; i < stored; ++i) {
      TVtdStoredField f;
      f.Name = ReadName(r);
      f.Kind = r.U16();
      if (f.Kind > fkAggregate) FileError(SFieldKindNumber, {static_cast<Integer>(f.Kind)});
      f.Type = r.U16();
      if (!IsFieldTypeNumber(f.Type)) FileError(SFieldTypeNumber, {static_cast<Integer>(f.Type)});
      f.Size = r.U16();
      h.Fields.push_back(std::move(f));
    }
  }
  h.RecordCount = r.I32();
  // Every value has at least its length: a count the rest cannot hold (or
  // records without definitions to read them by) is refused before any row.
  UInt64 minRecord = h.Defs.size() * (h.Version >= 2 ? 4 : 2);
  if (h.RecordCount < 0 || (h.RecordCount > 0 && h.Defs.empty()) ||
      static_cast<UInt64>(h.RecordCount) * minRecord > r.Remaining()) {
    FileError(SRecordCount, {h.RecordCount});
  }
  return h;
}

void WriteVtdHeader(TVtdWriter& w, const std::vector<TVirtualFieldSpec>& defs, const std::vector<TField*>& stored) {
  w.U16(VtdWrittenVersion);
  if (defs.size() > 0xFFFF) FileError(SNameTooLong, {defs.back().Name});
  w.U16(static_cast<Word>(defs.size()));
  for (const TVirtualFieldSpec& def : defs) {
    if (def.Size < 0 || def.Size > 0xFFFF) FileError(SNameTooLong, {def.Name});
    w.Name(def.Name);
    w.U16(static_cast<Word>(def.Type));
    w.U16(static_cast<Word>(def.Size));
    w.I32(def.Precision);
  }
  w.U16(static_cast<Word>(std::min<size_t>(stored.size(), 0xFFFF)));
  for (size_t i = 0; i < stored.size() && i < 0xFFFF; ++i) {
    TField* f = stored[i];
    if (f->Size() < 0 || f->Size() > 0xFFFF) FileError(SNameTooLong, {f->FieldName()});
    w.Name(f->FieldName());
    w.U16(static_cast<Word>(f->FieldKind()));
    w.U16(static_cast<Word>(f->DataType()));
    w.U16(static_cast<Word>(f->Size()));
  }
}

// ---------------------------------------------------------------------------
// Writer

void TVtdWriter::Raw(const void* p, size_t n) {
  if (n > 0) std::memcpy(Grow(n), p, n);
}

void TVtdWriter::Name(const String& name) {
  AnsiString bytes = StringToAnsi(name);
  if (bytes.size() > 0xFFFF) FileError(SNameTooLong, {name});
  U16(static_cast<Word>(bytes.size()));
  Raw(bytes.data(), bytes.size());
}

Byte* TVtdWriter::Scratch(size_t n) {
  if (FScratch.size() < n) FScratch.resize(n);
  std::memset(FScratch.data(), 0, n);
  return FScratch.data();
}

TVtdWriter::~TVtdWriter() {
  // A write still running uses FWriting and the stream: it ends first. Its
  // failure no longer matters to a writer given up.
  if (FPending.valid()) FPending.wait();
}

void TVtdWriter::WriteOut(const Byte* bytes, size_t n, Int64 offset) {
  FStream.WriteBuffer(bytes, static_cast<Int64>(n));
  // A file is written to disk as it grows, so that the wait for the disk
  // when the file is closed covers only the last piece. Only a start: a
  // failure here changes nothing.
  if (auto* file = dynamic_cast<TFileStream*>(&FStream)) {
    ::sync_file_range(file->Handle(), FStart + offset, static_cast<off_t>(n), SYNC_FILE_RANGE_WRITE);
  }
}

void TVtdWriter::WaitWritten() {
  if (FPending.valid()) FPending.get();
}

void TVtdWriter::Flush(bool always) {
  if (!always && FUsed < FlushSize) return;
  WaitWritten();
  if (FUsed == 0) return;
  const size_t n = FUsed;
  const Int64 offset = FFlushed;
  FFlushed += static_cast<Int64>(n);
  FUsed = 0;
  if (!always) {
    // The full piece goes out while the next is filled in the other buffer.
    std::swap(FBytes, FWriting);
    try {
      FPending = std::async(std::launch::async, [this, n, offset] { WriteOut(FWriting.data(), n, offset); });
      return;
    } catch (const std::system_error&) {
      // No thread to be had: written here and now.
      std::swap(FBytes, FWriting);
    }
  }
  WriteOut(FBytes.data(), n, offset);
}

void TVtdWriter::Patch(Int64 offset, Integer v) {
  if (offset >= FFlushed) {
    std::memcpy(FBytes.data() + (offset - FFlushed), &v, 4);
    return;
  }
  Flush(true);
  FStream.SetPosition(FStart + offset);
  FStream.WriteBuffer(&v, 4);
  FStream.SetPosition(FStart + FFlushed);
}

void TVtdWriter::MakeRoom(size_t n) {
  if (FBytes.size() - FUsed < n) FBytes.resize(std::max({FUsed + n, 2 * FBytes.size(), FlushSize + FlushSize / 4}));
}

// ---------------------------------------------------------------------------
// Values

namespace {

// The value bytes a variant type has, or -1 for the variable-length texts.
int VariantValueSize(Word code) {
  switch (code) {
    case varSmallint: case varBoolean: case varWord: return 2;
    case varInteger: case varLongWord: return 4;
    case varDouble: case varCurrency: case varInt64: return 8;
    case varShortInt: case varByte: return 1;
    case varOleStr: case varString: case varUString: return -1;
    default: return 0;
  }
}

void WriteVariant(TVtdWriter& w, const Variant& v) {
  Word code = v.VarType();
  switch (code) {
    case varSmallint: { auto x = static_cast<SmallInt>(v.AsInteger()); w.Value(&x, 2); break; }
    case varInteger: { Integer x = v.AsInteger(); w.Value(&x, 4); break; }
    case varDouble: { double x = v.AsDouble(); w.Value(&x, 8); break; }
    case varCurrency: { Int64 x = v.AsCurrency().Scaled(); w.Value(&x, 8); break; }
    case varBoolean: { Word x = v.AsBoolean() ? 0xFFFF : 0; w.Value(&x, 2); break; }
    case varShortInt: { auto x = static_cast<int8_t>(v.AsInteger()); w.Value(&x, 1); break; }
    case varByte: { auto x = static_cast<Byte>(v.AsInteger()); w.Value(&x, 1); break; }
    case varWord: { auto x = static_cast<Word>(v.AsInteger()); w.Value(&x, 2); break; }
    case varLongWord: { auto x = static_cast<Cardinal>(v.AsInt64()); w.Value(&x, 4); break; }
    case varInt64: { Int64 x = v.AsInt64(); w.Value(&x, 8); break; }
    case varOleStr: case varUString: {
      String s = v.AsString();
      s.push_back(u'\0');
      w.Value(s.data(), s.size() * 2);
      break;
    }
    case varString: {
      AnsiString s = v.AsAnsiString();
      w.Value(s.c_str(), s.size() + 1);
      break;
    }
    default: throw Exception(Format(SVariantSubtype, {static_cast<Integer>(code)}));
  }
  w.U16(code);
}

// The bytes a fixed-size value has in the file; -1 for the others.
Integer FixedValueSize(const TFieldDesc& d) {
  switch (d.FDataType) {
    case dtInt8: case dtInt16: case dtInt32: case dtInt64: case dtUInt8: case dtUInt16: case dtUInt32:
    case dtSingle: case dtFloat: case dtExtended: case dtCurrency: case dtBoolean: case dtBytes: case dtGuid:
      return d.FSize;
    case dtBCD: case dtDate: case dtTime: case dtDateTime: return 8;
    case dtFMTBCD: return static_cast<Integer>(sizeof(TBcd));
    case dtSQLTimeStamp: return static_cast<Integer>(sizeof(TSQLTimeStamp));
    default: return -1;
  }
}

}  // namespace

void WriteVtdValue(TVtdWriter& w, TData& store, TFieldDesc* d, TRecBuf rec) {
  if (store.GetNull(d, rec)) {
    w.U32(0);
    return;
  }
  bool blank = false;
  switch (d->FDataType) {
    case dtString: case dtExtString: {
      auto* buf = reinterpret_cast<char*>(w.Scratch(static_cast<size_t>(d->FLength) + 1));
      store.GetField(d, rec, buf, false, blank);
      size_t n = strnlen(buf, d->FLength);
      w.Value(buf, n == 0 ? 1 : n);
      return;
    }
    case dtWideString: case dtExtWideString: {
      Byte* buf = w.Scratch(2 * (static_cast<size_t>(d->FLength) + 1));
      store.GetField(d, rec, buf, false, blank);
      size_t n = 0;
      while (n < d->FLength && (buf[2 * n] != 0 || buf[2 * n + 1] != 0)) ++n;
      w.Value(buf, 2 * (n == 0 ? 1 : n));
      return;
    }
    case dtVarBytes: case dtExtVarBytes: {
      Byte* buf = w.Scratch(static_cast<size_t>(d->FLength) + 2);
      store.GetField(d, rec, buf, false, blank);
      Word n = std::min<Word>(Load<Word>(buf), d->FLength);
      w.Value(buf + 2, n);
      return;
    }
    case dtBlob: case dtMemo: case dtWideMemo: {
      TBlob* blob = store.GetObject(d, rec);
      Int64 size = blob != nullptr ? blob->GetSize() : 0;
      if (size > std::numeric_limits<Cardinal>::max()) FileError(SNameTooLong, {d->FName});
      Byte* out = w.Reserve(static_cast<size_t>(size));
      if (size > 0) blob->Read(0, size, out);
      return;
    }
    case dtVariant: {
      Variant v;
      store.GetField(d, rec, &v, false, blank);
      WriteVariant(w, v);
      return;
    }
    default: break;
  }
  Integer size = FixedValueSize(*d);
  if (size < 0) {
    AssertionFailed(Unit, u"Unknown data type FieldDesc.DataType=" + IntToStr(d->FDataType));
  }
  // Filler bytes (the second half of dates and times) are written as zeros.
  Byte* buf = w.Scratch(static_cast<size_t>(std::max<Integer>({size, d->FSize, 8})));
  store.GetField(d, rec, buf, false, blank);
  w.Value(buf, static_cast<size_t>(size));
}

TVtdRecordWriter::TVtdRecordWriter(TData& store, std::vector<TFieldDesc*> descs) : FStore(store) {
  for (TFieldDesc* d : descs) FColumns.push_back({d});
}

void TVtdRecordWriter::Plan(TRecBuf rec) {
  // Slots are read in place only where the record set's own reading is
  // known: its class is the plain store's, and no line-end conversion or
  // trimming changes a text on the way out.
  const bool plain = typeid(FStore) == typeid(TVirtualTableData) || typeid(FStore) == typeid(TMemData);
  const bool convertEOL = FStore.NeedConvertEOL();
  for (TColumn& c : FColumns) {
    TFieldDesc* d = c.Desc;
    if (d == nullptr) continue;
    c.Kind = TKind::Other;
    if (!plain || d->FHasParent || d->FFieldDescKind == fdkCalculated || d->FIsBlob) continue;
    c.Offset = d->FOffset;
    c.NullOffset = static_cast<Integer>(FStore.NullIndicator(d, rec) - rec);
    bool trims = d->FFixed ? FStore.FTrimFixedChar : FStore.FTrimVarChar;
    Integer size = FixedValueSize(*d);
    switch (d->FDataType) {
      case dtString:
      case dtWideString:
        if (convertEOL || trims) break;
        c.Kind = d->FDataType == dtString ? TKind::Text : TKind::WideText;
        c.Size = d->FLength;
        break;
      case dtDate: case dtTime: case dtDateTime:
        c.Kind = TKind::Date;
        c.Format = d->FDataType == dtDate ? dfDate : d->FDataType == dtTime ? dfTime : dfMSecs;
        break;
      case dtBytes:
        // The record set hands out FLength bytes of the slot.
        if (d->FLength != d->FSize) break;
        [[fallthrough]];
      case dtInt8: case dtInt16: case dtInt32: case dtInt64: case dtUInt8: case dtUInt16: case dtUInt32:
      case dtSingle: case dtFloat: case dtExtended: case dtCurrency: case dtBoolean: case dtGuid: case dtBCD:
      case dtFMTBCD: case dtSQLTimeStamp:
        if (size < 0 || d->FSize < size) break;
        c.Kind = TKind::Copy;
        c.Size = size;
        break;
      default: break;
    }
  }
  FPlanned = true;
}

void TVtdRecordWriter::Write(TVtdWriter& w, TRecBuf rec) {
  if (!FPlanned) Plan(rec);
  for (const TColumn& c : FColumns) {
    if (c.Kind == TKind::Other) {
      WriteVtdValue(w, FStore, c.Desc, rec);
      continue;
    }
    if (c.Kind == TKind::Absent || rec[c.NullOffset] == 1) {
      w.U32(0);
      continue;
    }
    const Byte* slot = rec + c.Offset;
    size_t n = 0;
    switch (c.Kind) {
      case TKind::Text:
        // An empty text is its terminating zero.
        n = std::max<size_t>(strnlen(reinterpret_cast<const char*>(slot), static_cast<size_t>(c.Size)), 1);
        break;
      case TKind::WideText: {
        while (n < static_cast<size_t>(c.Size) && Load<Word>(slot + 2 * n) != 0) ++n;
        n = 2 * std::max<size_t>(n, 1);
        break;
      }
      case TKind::Date: {
        // The second half is filler, written as zeros.
        Byte date[8] = {};
        FStore.GetDateFromBuf(slot, date, false, c.Format);
        w.Value(date, sizeof date);
        continue;
      }
      default: n = static_cast<size_t>(c.Size); break;
    }
    Byte* out = w.Room(4 + n);
    auto length = static_cast<Cardinal>(n);
    std::memcpy(out, &length, 4);
    std::memcpy(out + 4, slot, n);
    w.Advance(4 + n);
  }
  w.Flush();
}

Variant ReadVtdVariant(TByteReader& value, const String& fieldName) {
  if (value.Size() < 2) value.Fail(2);
  size_t n = static_cast<size_t>(value.Size() - 2);
  // The type code follows the value's bytes.
  value.Seek(n);
  Word code = value.U16();
  value.Seek(0);
  int expected = VariantValueSize(code);
  if (expected == 0) throw Exception(Format(SVariantSubtype, {static_cast<Integer>(code)}));
  bool fits = expected > 0 ? n == static_cast<size_t>(expected) : code == varString ? n >= 1 : n >= 2 && n % 2 == 0;
  if (!fits) FileError(SValueSize, {fieldName, static_cast<Integer>(n)});
  switch (code) {
    case varSmallint: return Variant(static_cast<Integer>(value.I16()));
    case varInteger: return Variant(value.I32());
    case varDouble: return Variant(value.F64());
    case varCurrency: return Variant(Currency::FromScaled(value.I64()));
    case varBoolean: return Variant(value.U16() != 0);
    case varShortInt: return Variant(static_cast<Integer>(value.I8()));
    case varByte: return Variant(static_cast<Integer>(value.U8()));
    case varWord: return Variant(static_cast<Integer>(value.U16()));
    case varLongWord: return Variant(static_cast<Int64>(value.U32()));
    case varInt64: return Variant(value.I64());
    case varString: return Variant(value.Ansi(n - 1));  // without the terminating zero
    default: {
      String s(n / 2 - 1, u'\0');
      for (char16_t& c : s) c = value.U16();
      return Variant(std::move(s));
    }
  }
}

void DecodeVtdValue(const TFieldDesc& sd, TByteReader& value, std::vector<Byte>& out) {
  size_t n = static_cast<size_t>(value.Size());
  auto bad = [&] { FileError(SValueSize, {sd.FName, static_cast<Integer>(n)}); };
  // Every form starts with the value's bytes (var-bytes after their length).
  auto take = [&](size_t count) {
    std::span<const Byte> bytes = value.Bytes(count);
    out.assign(bytes.begin(), bytes.end());
  };
  switch (sd.FDataType) {
    case dtString:
      if (n > std::max<size_t>(sd.FLength, 1)) bad();
      take(n);
      out.push_back(0);
      return;
    case dtWideString:
      if (n % 2 != 0 || n / 2 > std::max<size_t>(sd.FLength, 1)) bad();
      take(n);
      out.insert(out.end(), {0, 0});
      return;
    case dtVarBytes: {
      if (n > sd.FLength) bad();
      std::span<const Byte> bytes = value.Bytes(n);
      out.resize(n + 2);
      out[0] = static_cast<Byte>(n);
      out[1] = static_cast<Byte>(n >> 8);
      if (n > 0) std::memcpy(out.data() + 2, bytes.data(), n);
      return;
    }
    case dtBlob: case dtMemo: case dtWideMemo:
      take(n);
      return;
    default: break;
  }
  Integer size = FixedValueSize(sd);
  // Files that kept an unsigned 32-bit value in 8 bytes are read by the low
  // four, as a little-endian value stands in them.
  if (sd.FDataType == dtUInt32 && n == 8) n = 4;
  if (size < 0 || n != static_cast<size_t>(size)) bad();
  take(n);
  if (sd.FDataType == dtDate || sd.FDataType == dtTime) out.resize(4);  // the filler carries nothing
  if (sd.FDataType == dtGuid) out.back() = 0;
}

Variant DecodedVtdValueAsVariant(const TFieldDesc& sd, const std::vector<Byte>& v) {
  TByteReader r(std::span<const Byte>(v), RaiseVtdReadError);
  auto text = [&](size_t unit) {  // up to the terminating zero
    size_t n = 0;
    while (n + unit <= v.size() && std::any_of(v.begin() + n, v.begin() + n + unit, [](Byte b) { return b; })) n += unit;
    return n;
  };
  switch (sd.FDataType) {
    case dtString: case dtGuid: return Variant(r.Ansi(text(1)));
    case dtMemo: return Variant(r.Ansi(v.size()));
    case dtWideString: case dtWideMemo: {
      String s((sd.FDataType == dtWideString ? text(2) : v.size()) / 2, u'\0');
      for (char16_t& c : s) c = r.U16();
      return Variant(std::move(s));
    }
    case dtBlob: case dtBytes: return Variant(std::vector<Byte>(v));
    case dtVarBytes: return Variant(std::vector<Byte>(v.begin() + 2, v.end()));
    case dtInt8: return Variant(static_cast<Integer>(r.I8()));
    case dtUInt8: return Variant(static_cast<Integer>(r.U8()));
    case dtInt16: return Variant(static_cast<Integer>(r.I16()));
    case dtUInt16: return Variant(static_cast<Integer>(r.U16()));
    case dtBoolean: return Variant(r.U16() != 0);
    case dtInt32: return Variant(r.I32());
    case dtUInt32: return Variant(static_cast<Int64>(r.U32()));
    case dtInt64: return Variant(r.I64());
    case dtSingle: return Variant(static_cast<double>(r.F32()));
    case dtFloat: case dtCurrency: return Variant(r.F64());
    case dtExtended: {
      Extended80 x;
      r.Read(&x, sizeof x);
      return Variant(ExtendedToDouble(x));
    }
    case dtBCD: return Variant(Currency::FromScaled(r.I64()));
    case dtFMTBCD: {
      TBcd x;
      r.Read(&x, sizeof x);
      return Variant(x);
    }
    case dtDate: return Variant::FromDateTime(static_cast<double>(r.I32()) - DateDelta);
    case dtTime: return Variant::FromDateTime(static_cast<double>(r.I32()) / MSecsPerDay);
    case dtDateTime: return Variant::FromDateTime(r.F64() / MSecsPerDay - DateDelta);
    case dtSQLTimeStamp: {
      TSQLTimeStamp x;
      r.Read(&x, sizeof x);
      return Variant(x);
    }
    default: return Variant::Null();
  }
}

bool SameVtdLayout(const TFieldDesc& a, const TFieldDesc& b) {
  return a.FDataType == b.FDataType && a.FSize == b.FSize && a.FLength == b.FLength;
}
