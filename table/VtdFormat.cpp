// Reading and writing VTD files, and the table's file and stream operations.
#include "table/VtdFormat.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/db/Fields.h"
#include "platform/rtl/Bcd.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Extended.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "table/Blob.h"
#include "table/XmlRowset.h"

namespace {

constexpr char16_t Unit[] = u"VtdFormat";
constexpr Word WrittenVersion = 3;
constexpr char16_t SVariantSubtype[] = u"Variant subtype is not supported: %d";
constexpr char16_t SValueSize[] = u"Invalid VTD file: a value of field '%s' has a wrong size (%d bytes)";
constexpr char16_t SFieldTypeNumber[] = u"Invalid VTD file: unknown field type %d";
constexpr char16_t SFieldKindNumber[] = u"Invalid VTD file: unknown field kind %d";
constexpr char16_t SRecordCount[] = u"Invalid VTD file: record count %d does not fit the file";
constexpr char16_t SNoFieldClass[] = u"Stored field '%s' has a type without a field class";
constexpr char16_t SNameTooLong[] = u"Name or size of field '%s' does not fit a VTD file";

[[noreturn]] void ReadError() { throw EReadError(RtlMessages::SReadError); }
[[noreturn]] void FileError(const char16_t* format, std::initializer_list<FormatArg> args) {
  throw EReadError(Format(format, args));
}

bool IsFieldTypeNumber(Word type) { return type <= ftSingle || type == ftDATimeStampOffset; }

}  // namespace

bool FieldDefKeepsPrecision(TFieldType type) {
  switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftDate: case ftTime:
    case ftDateTime: case ftLargeint: case ftTimeStamp: case ftLongWord: case ftShortint: case ftByte:
    case ftExtended: case ftSingle:
      return true;
    default:
      return false;
  }
}

namespace {

template <typename T>
T Load(const Byte* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// Writes a file to a stream through one buffer that is handed over in large
// pieces, so that a large table is never held a second time in memory.
class TVtdWriter {
 public:
  explicit TVtdWriter(TStream& stream) : FStream(stream), FStart(stream.Position()) {}
  void U16(Word v) { Raw(&v, 2); }
  void U32(Cardinal v) { Raw(&v, 4); }
  void I32(Integer v) { Raw(&v, 4); }
  void Raw(const void* p, size_t n) {
    if (n > 0) std::memcpy(Grow(n), p, n);
  }
  void Value(const void* p, size_t n) {
    U32(static_cast<Cardinal>(n));
    Raw(p, n);
  }
  void Name(const String& name) {
    AnsiString bytes = StringToAnsi(name);
    if (bytes.size() > 0xFFFF) FileError(SNameTooLong, {name});
    U16(static_cast<Word>(bytes.size()));
    Raw(bytes.data(), bytes.size());
  }
  // A zeroed buffer of at least n bytes for one value, reused from value
  // to value.
  Byte* Scratch(size_t n) {
    if (FScratch.size() < n) FScratch.resize(n);
    std::memset(FScratch.data(), 0, n);
    return FScratch.data();
  }
  // Appends a length and room for that many bytes, returned to be filled.
  Byte* Reserve(size_t n) {
    U32(static_cast<Cardinal>(n));
    return Grow(n);
  }
  // Where the next byte goes, counted from the start of the file.
  Int64 Offset() const { return FFlushed + static_cast<Int64>(FUsed); }
  // Hands the buffer to the stream once it is full (or always).
  void Flush(bool always = false) {
    if (FUsed == 0 || (!always && FUsed < FlushSize)) return;
    FStream.WriteBuffer(FBytes.data(), static_cast<Int64>(FUsed));
    FFlushed += static_cast<Int64>(FUsed);
    FUsed = 0;
  }
  // Rewrites an i32 already written at offset.
  void Patch(Int64 offset, Integer v) {
    if (offset >= FFlushed) {
      std::memcpy(FBytes.data() + (offset - FFlushed), &v, 4);
      return;
    }
    Flush(true);
    FStream.SetPosition(FStart + offset);
    FStream.WriteBuffer(&v, 4);
    FStream.SetPosition(FStart + FFlushed);
  }

 private:
  // Room for n more bytes at the end of the buffer.
  Byte* Grow(size_t n) {
    if (FBytes.size() - FUsed < n) FBytes.resize(std::max({FUsed + n, 2 * FBytes.size(), FlushSize + FlushSize / 4}));
    Byte* p = FBytes.data() + FUsed;
    FUsed += n;
    return p;
  }

  static constexpr size_t FlushSize = size_t{1} << 20;
  TStream& FStream;
  Int64 FStart;
  Int64 FFlushed = 0;
  std::vector<Byte> FBytes;  // the first FUsed bytes are waiting for the stream
  size_t FUsed = 0;
  std::vector<Byte> FScratch;
};

// --- variants ---------------------------------------------------------------

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

Variant ReadVariant(const Byte* p, size_t n, Word code, const String& fieldName) {
  int expected = VariantValueSize(code);
  if (expected == 0) throw Exception(Format(SVariantSubtype, {static_cast<Integer>(code)}));
  bool fits = expected > 0 ? n == static_cast<size_t>(expected) : code == varString ? n >= 1 : n >= 2 && n % 2 == 0;
  if (!fits) FileError(SValueSize, {fieldName, static_cast<Integer>(n)});
  switch (code) {
    case varSmallint: return Variant(static_cast<Integer>(Load<SmallInt>(p)));
    case varInteger: return Variant(Load<Integer>(p));
    case varDouble: return Variant(Load<double>(p));
    case varCurrency: return Variant(Currency::FromScaled(Load<Int64>(p)));
    case varBoolean: return Variant(Load<Word>(p) != 0);
    case varShortInt: return Variant(static_cast<Integer>(static_cast<int8_t>(p[0])));
    case varByte: return Variant(static_cast<Integer>(p[0]));
    case varWord: return Variant(static_cast<Integer>(Load<Word>(p)));
    case varLongWord: return Variant(static_cast<Int64>(Load<Cardinal>(p)));
    case varInt64: return Variant(static_cast<Int64>(Load<Int64>(p)));
    case varString: return Variant(AnsiString(reinterpret_cast<const char*>(p), n - 1));
    default: {
      String s(n / 2 - 1, u'\0');
      std::memcpy(s.data(), p, s.size() * 2);
      return Variant(std::move(s));
    }
  }
}

// --- plain values -------------------------------------------------------------

bool IsBlobType(TDataType t) { return t == dtBlob || t == dtMemo || t == dtWideMemo; }

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

// Writes one value of a record as its descriptor's type keeps it.
void WriteValue(TVtdWriter& w, TData& store, TFieldDesc* d, TRecBuf rec) {
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

// A value as the record set hands it out (strings terminated, var-bytes
// with their length in front), checked against the stream's definition.
void DecodeValue(const TFieldDesc& sd, const Byte* p, size_t n, std::vector<Byte>& out) {
  auto bad = [&] { FileError(SValueSize, {sd.FName, static_cast<Integer>(n)}); };
  out.clear();
  switch (sd.FDataType) {
    case dtString:
      if (n > std::max<size_t>(sd.FLength, 1)) bad();
      out.assign(p, p + n);
      out.push_back(0);
      return;
    case dtWideString:
      if (n % 2 != 0 || n / 2 > std::max<size_t>(sd.FLength, 1)) bad();
      out.assign(p, p + n);
      out.insert(out.end(), {0, 0});
      return;
    case dtVarBytes: {
      if (n > sd.FLength) bad();
      auto len = static_cast<Word>(n);
      out.resize(2);
      std::memcpy(out.data(), &len, 2);
      out.insert(out.end(), p, p + n);
      return;
    }
    case dtBlob: case dtMemo: case dtWideMemo:
      out.assign(p, p + n);
      return;
    default: break;
  }
  Integer size = FixedValueSize(sd);
  // Files that kept an unsigned 32-bit value in 8 bytes are read by the low
  // four, as a little-endian value stands in them.
  if (sd.FDataType == dtUInt32 && n == 8) n = 4;
  if (size < 0 || n != static_cast<size_t>(size)) bad();
  out.assign(p, p + n);
  if (sd.FDataType == dtDate || sd.FDataType == dtTime) out.resize(4);  // the filler carries nothing
  if (sd.FDataType == dtGuid) out.back() = 0;
}

// The decoded value as a variant, for a table field of another type.
Variant DecodedAsVariant(const TFieldDesc& sd, const std::vector<Byte>& v) {
  const Byte* p = v.data();
  switch (sd.FDataType) {
    case dtString: case dtGuid: return Variant(AnsiString(reinterpret_cast<const char*>(p)));
    case dtMemo: return Variant(AnsiString(reinterpret_cast<const char*>(p), v.size()));
    case dtWideString: return Variant(String(reinterpret_cast<const char16_t*>(p)));
    case dtWideMemo: {
      String s(v.size() / 2, u'\0');
      std::memcpy(s.data(), p, s.size() * 2);
      return Variant(std::move(s));
    }
    case dtBlob: case dtBytes: return Variant(std::vector<Byte>(v));
    case dtVarBytes: return Variant(std::vector<Byte>(v.begin() + 2, v.end()));
    case dtInt8: return Variant(static_cast<Integer>(static_cast<int8_t>(p[0])));
    case dtUInt8: return Variant(static_cast<Integer>(p[0]));
    case dtInt16: return Variant(static_cast<Integer>(Load<SmallInt>(p)));
    case dtUInt16: return Variant(static_cast<Integer>(Load<Word>(p)));
    case dtBoolean: return Variant(Load<Word>(p) != 0);
    case dtInt32: return Variant(Load<Integer>(p));
    case dtUInt32: return Variant(static_cast<Int64>(Load<Cardinal>(p)));
    case dtInt64: return Variant(static_cast<Int64>(Load<Int64>(p)));
    case dtSingle: return Variant(static_cast<double>(Load<float>(p)));
    case dtFloat: case dtCurrency: return Variant(Load<double>(p));
    case dtExtended: return Variant(ExtendedToDouble(Load<Extended80>(p)));
    case dtBCD: return Variant(Currency::FromScaled(Load<Int64>(p)));
    case dtFMTBCD: return Variant(Load<TBcd>(p));
    case dtDate: return Variant::FromDateTime(static_cast<double>(Load<Integer>(p)) - DateDelta);
    case dtTime: return Variant::FromDateTime(static_cast<double>(Load<Integer>(p)) / MSecsPerDay);
    case dtDateTime: return Variant::FromDateTime(Load<double>(p) / MSecsPerDay - DateDelta);
    case dtSQLTimeStamp: return Variant(Load<TSQLTimeStamp>(p));
    default: return Variant::Null();
  }
}

bool SameLayout(const TFieldDesc& a, const TFieldDesc& b) {
  return a.FDataType == b.FDataType && a.FSize == b.FSize && a.FLength == b.FLength;
}

}  // namespace

// ---------------------------------------------------------------------------
// Reader

Word TVtdReader::U16() { return Load<Word>(Bytes(2)); }
Cardinal TVtdReader::U32() { return Load<Cardinal>(Bytes(4)); }
Integer TVtdReader::I32() { return Load<Integer>(Bytes(4)); }

TVtdReader::TVtdReader(TStream& stream) : FData(nullptr), FSize(0), FStream(&stream) {
  Int64 position = stream.Position();
  FSize = static_cast<size_t>(std::max<Int64>(stream.Size() - position, 0));
}

const Byte* TVtdReader::Bytes(size_t count) {
  if (count > Remaining()) ReadError();
  const Byte* p;
  if (FStream == nullptr) {
    p = FData + FPosition;
  } else {
    if (count > FWindowEnd - FPosition) Refill(count);
    p = FWindow.data() + (FPosition - FWindowStart);
  }
  FPosition += count;
  return p;
}

void TVtdReader::Refill(size_t count) {
  constexpr size_t WindowSize = size_t{1} << 20;
  size_t keep = FWindowEnd - FPosition;
  size_t want = std::min(std::max(count, WindowSize), Remaining());
  if (keep > 0) std::memmove(FWindow.data(), FWindow.data() + (FPosition - FWindowStart), keep);
  if (FWindow.size() < want) FWindow.resize(want);
  FStream->ReadBuffer(FWindow.data() + keep, static_cast<Int64>(want - keep));
  FWindowStart = FPosition;
  FWindowEnd = FPosition + want;
}

String TVtdReader::Name() {
  Word n = U16();
  const Byte* p = Bytes(n);
  return AnsiToString(std::string_view(reinterpret_cast<const char*>(p), n));
}

TCRFileFormat DetectFileFormat(const Byte* data, size_t size) {
  size_t start = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF ? 3 : 0;
  if (size < start + 5) ReadError();
  const Byte* p = data + start;
  if (p[0] != '<') return ffVTD;
  if (p[1] == '?') ++p;
  auto is = [](Byte c, char lower) { return c == static_cast<Byte>(lower) || c == static_cast<Byte>(lower - 32); };
  return is(p[1], 'x') && is(p[2], 'm') && is(p[3], 'l') ? ffXML : ffVTD;
}

TVtdHeader ReadVtdHeader(TVtdReader& r) {
  TVtdHeader h;
  h.Version = r.U16();
  Word count = r.U16();
  for (Word i = 0; i < count; ++i) {
    TVirtualFieldSpec def;
    def.Name = r.Name();
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
      f.Name = r.Name();
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
  size_t minRecord = h.Defs.size() * (h.Version >= 2 ? 4 : 2);
  if (h.RecordCount < 0 || (h.RecordCount > 0 && h.Defs.empty()) ||
      static_cast<Int64>(h.RecordCount) * static_cast<Int64>(minRecord) > static_cast<Int64>(r.Remaining())) {
    FileError(SRecordCount, {h.RecordCount});
  }
  return h;
}

// ---------------------------------------------------------------------------
// Loading

namespace {

// Adds the stream's column definitions to defs without the table reloading
// on each of them.
void AddDefinitions(TFieldDefs& defs, const std::vector<TXmlRowsetColumn>& columns, bool& avoidRefreshData) {
  bool saved = avoidRefreshData;
  avoidRefreshData = true;
  struct Restore {
    bool& flag;
    bool value;
    ~Restore() { flag = value; }
  } restore{avoidRefreshData, saved};
  for (const TXmlRowsetColumn& column : columns) {
    TFieldDef* def = defs.Add(column.Spec.Name, column.Spec.Type, column.Spec.Size, column.Required);
    def->SetPrecision(column.Spec.Precision);
    if (column.Fixed) def->SetAttributes(def->Attributes() | faFixed);
  }
}

// Creates the stored fields of a VTD header as the table's persistent fields.
void CreateStoredFields(TVirtualTable& table, const std::vector<TVtdStoredField>& fields) {
  TComponent* owner = table.Owner() != nullptr ? table.Owner() : &table;
  for (const TVtdStoredField& f : fields) {
    if (f.Kind == fkLookup) continue;
    TFieldClass fieldClass = table.GetFieldClass(static_cast<TFieldType>(f.Type));
    if (fieldClass == nullptr) FileError(SNoFieldClass, {f.Name});
    std::unique_ptr<TField> field(fieldClass(owner));
    field->SetFieldName(f.Name);
    field->SetFieldKind(static_cast<TFieldKind>(f.Kind));
    if (f.Type == ftString || f.Type == ftWideString) field->SetSize(f.Size);
    field->SetDataSet(&table);
    field.release();
  }
}

// Each stream column, decoded by its own definition, and the table field
// (with its descriptor) of the same name when there is one.
struct TVtdColumn {
  TFieldDesc Stream{nullptr};
  TField* Field = nullptr;
  TFieldDesc* Desc = nullptr;
};

// Reads one record's values into rec. Columns whose table field has another
// layout than the stream's go through the field, which must be in an edit
// state for that.
void ReadVtdRecord(TVtdReader& r, bool wide, std::vector<TVtdColumn>& columns, TData& store, TRecBuf rec,
                   std::vector<Byte>& value) {
  for (TVtdColumn& c : columns) {
    size_t n = wide ? r.U32() : r.U16();
    if (n == 0) continue;
    if (c.Stream.FDataType == dtVariant) {
      // The value and the type code after it, in one read.
      const Byte* p = r.Bytes(n + 2);
      Word code = Load<Word>(p + n);
      Variant v = ReadVariant(p, n, code, c.Stream.FName);
      if (c.Desc == nullptr) continue;
      if (c.Desc->FDataType == dtVariant) store.PutFieldAsVariant(c.Desc, rec, v);
      else c.Field->SetAsVariant(v);
      continue;
    }
    DecodeValue(c.Stream, r.Bytes(n), n, value);
    if (c.Desc == nullptr) continue;
    if (!SameLayout(c.Stream, *c.Desc)) {
      c.Field->SetAsVariant(DecodedAsVariant(c.Stream, value));
    } else if (IsBlobType(c.Desc->FDataType)) {
      TBlob* blob = store.GetObject(c.Desc, rec);
      if (blob == nullptr) {
        c.Field->SetAsVariant(DecodedAsVariant(c.Stream, value));
        continue;
      }
      // Straight into the blob's data: a value read from a file has no
      // earlier contents for a rollback copy to keep.
      blob->GetData()->Write(0, static_cast<Int64>(value.size()), value.data());
      store.SetNull(c.Desc, rec, false);
    } else {
      store.PutField(c.Desc, rec, value.data());
    }
  }
}

// Appends the records of a VTD file to the open table.
void ReadVtdRows(TVirtualTable& table, TVtdReader& r, const TVtdHeader& h, bool loadFields) {
  std::vector<TVtdColumn> columns(h.Defs.size());
  bool direct = true;
  for (size_t i = 0; i < h.Defs.size(); ++i) {
    const TVirtualFieldSpec& spec = h.Defs[i];
    TVtdColumn& c = columns[i];
    c.Stream.FName = spec.Name;
    if (!DescribeVirtualTableField(c.Stream, spec.Type, spec.Size, spec.Precision)) {
      throw EDatabaseError(SVTUnsupportedFieldType);
    }
    // The table's own fields made from these definitions pair by number;
    // any other field by name.
    bool byNumber = loadFields && table.DefaultFields();
    c.Field = byNumber ? table.Fields().FieldByNumber(static_cast<Integer>(i) + 1) : table.FindField(c.Stream.FName);
    if (c.Field != nullptr && c.Field->FieldKind() == fkData) c.Desc = table.GetFieldDesc(c.Field);
    if (c.Desc == nullptr) c.Field = nullptr;
    if (c.Desc != nullptr && !SameLayout(c.Stream, *c.Desc)) direct = false;
  }
  TData& data = *table.TMemDataSet::Data();
  auto* store = dynamic_cast<TMemData*>(&data);
  if (store == nullptr) direct = false;
  bool wide = h.Version >= 2;
  std::vector<Byte> value;  // one value as the record set takes it, reused
  table.DoVirtualTableProgress(0);
  auto progress = [&](Integer i) {
    table.DoVirtualTableProgress(static_cast<Integer>(std::nearbyint(i * 100.0 / h.RecordCount)));
  };
  if (!direct) {
    // A column changes type on the way in: the table's fields convert it,
    // record by record through the dataset.
    for (Integer i = 0; i < h.RecordCount; ++i) {
      table.Append();
      ReadVtdRecord(r, wide, columns, data, table.GetActiveRecBuf(), value);
      table.Post();
      progress(i);
    }
    return;
  }
  // Every value keeps its layout: the records are filled in the store
  // itself, and numbered once when all are in (also when one fails).
  TItemHeader* first = nullptr;
  struct EndLoad {
    TMemData& store;
    TItemHeader*& first;
    ~EndLoad() { store.EndLoad(first); }
  } endLoad{*store, first};
  for (Integer i = 0; i < h.RecordCount; ++i) {
    TItemHeader* item = store->AppendLoadedRecord();
    if (first == nullptr) first = item;
    ReadVtdRecord(r, wide, columns, data, TBlockManager::GetRecordPtr(item), value);
    progress(i);
  }
}

}  // namespace

void LoadTableStream(TVirtualTable& table, TStream& stream, bool loadFields, bool decodeHTMLEntities) {
  struct Avoid {
    Integer& count;
    explicit Avoid(Integer& c) : count(c) { ++count; }
    ~Avoid() { --count; }
  } avoid(table.FAvoidReload);
  bool wasActive = table.Active() || table.FStreamedActive;
  table.Close();
  table.Clear();
  if (loadFields) table.DeleteFields();

  bool autoCalc = table.AutoCalcFields;
  try {
    Byte head[8] = {};
    stream.SetPosition(0);
    Int64 headSize = stream.Read(head, sizeof head);
    const bool xml = DetectFileFormat(head, static_cast<size_t>(std::max<Int64>(headSize, 0))) == ffXML;

    // XML is read as a stream; a VTD file whole, by its bounds-checked reader.
    std::unique_ptr<XmlTextReader> xmlReader;
    TXmlAliasList aliases;
    TVtdReader r(nullptr, 0);
    TVtdHeader h;
    std::vector<TXmlRowsetColumn> columns;
    if (xml) {
      stream.SetPosition(0);
      xmlReader = std::make_unique<XmlTextReader>(stream, decodeHTMLEntities);
      columns = ReadFieldDefsXML(*xmlReader, aliases, table);
    } else {
      stream.SetPosition(0);
      r = TVtdReader(stream);
      h = ReadVtdHeader(r);
      for (const TVirtualFieldSpec& spec : h.Defs) columns.push_back({spec, false, false});
    }

    // The stream's definitions: the table's own with loadFields, else a
    // list that only names the columns (its checks of names still apply).
    TFieldDefs scratch(&table);
    AddDefinitions(loadFields ? table.FieldDefs() : scratch, columns, table.FAvoidRefreshData);
    if (loadFields) CreateStoredFields(table, h.Fields);

    if (!xml && h.RecordCount == 0) {
      table.SetActive(wasActive);
      return;
    }
    table.DisableControls();
    struct Enable {
      TVirtualTable& t;
      ~Enable() { t.EnableControls(); }
    } enable{table};
    table.Open();
    table.AutoCalcFields = false;
    if (xml) ProcessXMLData(table, *xmlReader, aliases);
    else ReadVtdRows(table, r, h, loadFields);
    table.AutoCalcFields = autoCalc;
    table.First();
    if (!wasActive && table.HasOption(voPersistentData)) table.Close();
  } catch (...) {
    // No half-read table stays behind: the caller gets the error and an
    // empty, closed table that cannot be saved over the file by mistake.
    table.AutoCalcFields = autoCalc;
    try {
      if (table.State() == dsInsert || table.State() == dsEdit) table.Cancel();
      table.Close();
      table.Clear();
      if (loadFields) table.DeleteFields();
    } catch (...) {
    }
    throw;
  }
}

// ---------------------------------------------------------------------------
// Saving

void SaveVtd(TVirtualTable& table, TStream& stream, const std::vector<TVirtualFieldSpec>& defs, bool storeFields) {
  struct Avoid {
    Integer& count;
    explicit Avoid(Integer& c) : count(c) { ++count; }
    ~Avoid() { --count; }
  } avoid(table.FAvoidReload);
  TVtdWriter w(stream);
  w.U16(WrittenVersion);
  if (defs.size() > 0xFFFF) FileError(SNameTooLong, {defs.back().Name});
  w.U16(static_cast<Word>(defs.size()));
  for (const TVirtualFieldSpec& def : defs) {
    if (def.Size < 0 || def.Size > 0xFFFF) FileError(SNameTooLong, {def.Name});
    w.Name(def.Name);
    w.U16(static_cast<Word>(def.Type));
    w.U16(static_cast<Word>(def.Size));
    w.I32(def.Precision);
  }
  std::vector<TField*> stored;
  if (storeFields && !table.DefaultFields()) {
    for (TField* f : table.Fields()) {
      if (f->FieldKind() != fkLookup) stored.push_back(f);
    }
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
  TData& store = *table.TMemDataSet::Data();
  if (defs.empty() || !store.Active()) {
    w.I32(0);
    w.Flush(true);
    return;
  }
  // A pending edit is part of what the user sees: it is posted first.
  if (table.Active()) table.CheckBrowseMode();

  // Rows are written only for the specs the store was built from, one
  // descriptor each in the same order; pairing by position keeps names that
  // compare alike (case, ignorable characters) apart.
  std::vector<TFieldDesc*> descs;
  for (size_t i = 0; i < defs.size(); ++i) {
    descs.push_back(i < static_cast<size_t>(store.Fields().Count()) ? store.Fields()[static_cast<int>(i)] : nullptr);
  }
  Int64 countAt = w.Offset();
  Integer total = store.GetRecordCount();
  w.I32(total);
  Integer written = 0;
  table.DoVirtualTableProgress(0);
  // The rows are read from the store with a buffer of our own, so that the
  // table's fields (which may already follow new definitions) play no part.
  TRecBuf rec = store.AllocRecBuf();
  struct Free {
    TRecBuf rec;
    TVirtualTable& table;
    ~Free() {
      TData::FreeRecBuf(rec);
      table.CursorPosChanged();
    }
  } free{rec, table};
  store.SetToBegin();
  for (store.GetNextRecord(rec); !store.GetEOF(); store.GetNextRecord(rec)) {
    for (TFieldDesc* d : descs) {
      if (d == nullptr) w.U32(0);
      else WriteValue(w, store, d, rec);
    }
    ++written;
    w.Flush();
    if (total > 0) table.DoVirtualTableProgress(static_cast<Integer>(std::nearbyint(written * 100.0 / total)));
  }
  if (written != total) w.Patch(countAt, written);
  w.Flush(true);
}

// ---------------------------------------------------------------------------
// The table's file and stream operations

void TVirtualTable::LoadFromStream(TStream& stream, bool loadFields, bool decodeHTMLEntities) {
  LoadTableStream(*this, stream, loadFields, decodeHTMLEntities);
}

void TVirtualTable::LoadFromFile(const String& fileName, bool loadFields, bool decodeHTMLEntities) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream, loadFields, decodeHTMLEntities);
}

namespace {

// While all rows are being saved, the master link and the filter are off;
// afterwards they, and the record number, are as they were, also when the
// save failed.
class TAllRowsScope {
 public:
  TAllRowsScope(TVirtualTable& table, bool storeAllData) : FTable(table) {
    if (!storeAllData || !table.Active()) return;
    FMaster = table.MasterSource();
    FFiltered = table.Filtered();
    if (FMaster == nullptr && !FFiltered) return;
    table.CheckBrowseMode();
    FRecNo = table.RecNo();
    FChanged = true;
    table.DisableControls();
    try {
      if (FFiltered) table.SetFiltered(false);
      if (FMaster != nullptr) table.SetMasterSource(nullptr);
    } catch (...) {
      Restore();
      throw;
    }
  }
  ~TAllRowsScope() noexcept(false) {
    if (!FChanged) return;
    try {
      Restore();
    } catch (...) {
      if (!std::uncaught_exceptions()) throw;
    }
  }
  TAllRowsScope(const TAllRowsScope&) = delete;
  TAllRowsScope& operator=(const TAllRowsScope&) = delete;

 private:
  void Restore() {
    FChanged = false;
    struct Enable {
      TVirtualTable& t;
      ~Enable() { t.EnableControls(); }
    } enable{FTable};
    if (FMaster != nullptr) FTable.SetMasterSource(FMaster);
    if (FFiltered) FTable.SetFiltered(true);
    if (FTable.Active() && FRecNo > 0 && FTable.RecordCount() > 0) FTable.SetRecNo(FRecNo);
  }

  TVirtualTable& FTable;
  TDataSource* FMaster = nullptr;
  bool FFiltered = false;
  bool FChanged = false;
  Integer FRecNo = -1;
};

}  // namespace

void TVirtualTable::SaveToStream(TStream& stream, bool storeFields, bool storeAllData) {
  TAllRowsScope allRows(*this, storeAllData);
  // An open store is described by what it was built from (the same as the
  // definitions unless persistent fields gave the layout), so that every
  // value is written under the type it has.
  if (TMemDataSet::Data()->Active()) {
    SaveVtd(*this, stream, Store()->BuiltFrom(), storeFields);
    return;
  }
  std::vector<TVirtualFieldSpec> defs;
  for (int i = 0; i < FieldDefs().Count(); ++i) {
    TFieldDef* def = FieldDefs()[i];
    defs.push_back({def->Name(), def->DataType(), def->Size(), def->Precision()});
  }
  SaveVtd(*this, stream, defs, storeFields);
}

void TVirtualTable::SaveToFile(const String& fileName, bool storeFields, bool storeAllData) {
  TSafeFileWriter writer(fileName);
  SaveToStream(writer.Stream(), storeFields, storeAllData);
  writer.Commit();
}
