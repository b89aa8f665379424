// Reading and writing one field's value in a record buffer: the caller's
// value buffers, variants, date forms, rounding to the field's scale,
// trimming, empty strings as null and line ends.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/Bcd.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Extended.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
#include "table/Blob.h"
#include "table/DBObject.h"
#include "table/Data.h"
#include "table/VariantObject.h"

namespace {

constexpr char16_t STimestampInvalid[] = u"'%d.%d' is not a valid timestamp";
constexpr char16_t SCannotConvertType[] = u"Cannot convert type";
constexpr char16_t SInvalidVType[] = u"Invalid VType";
constexpr char16_t SInvalidDataSize[] = u"Invalid data size";

const double power10[19] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                            1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};

template <class T>
T Load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class T>
void Store(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

[[noreturn]] void CannotConvert() { throw EConvertError(SCannotConvertType); }

bool IsStringType(TDataType t) {
  return t == dtString || t == dtExtString || t == dtWideString || t == dtExtWideString;
}

bool IsNumericVariant(const Variant& v) {
  switch (v.VarType()) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency:
    case varShortInt: case varByte: case varWord: case varLongWord: case varInt64: case varUInt64:
      return true;
    default:
      return false;
  }
}

bool IsIntegerVariant(const Variant& v) {
  switch (v.VarType()) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64: case varUInt64:
      return true;
    default:
      return false;
  }
}

// The variant's whole value as 64 bits; an unsigned 64-bit value keeps its
// bits, so that narrowing below takes the low bits of every integer alike.
Int64 IntegerBits(const Variant& v) {
  if (v.VarType() == varUInt64) return static_cast<Int64>(v.AsUInt64());
  return v.AsInt64();
}

// An integer slot from a numeric or text variant. Text is read as a 32-bit
// decimal integer, or as a 64-bit one for a 64-bit slot (a text that fits
// the field is never refused).
Int64 IntegerFromVariant(const Variant& v, bool wide = false) {
  if (IsNumericVariant(v)) return IntegerBits(v);
  if (VarIsStr(v)) return wide ? StrToInt64(v.AsString()) : StrToInt(v.AsString());
  CannotConvert();
}

// Length of a zero-terminated run of units, at most max.
template <class C>
size_t BoundedLength(const C* s, size_t max) {
  size_t n = 0;
  while (n < max && s[n] != 0) ++n;
  return n;
}

// Writes n units of s and a zero unit after them (dest need not be aligned).
template <class C>
void StoreTerminated(void* dest, const C* s, size_t n) {
  std::memcpy(dest, s, n * sizeof(C));
  Store<C>(static_cast<Byte*>(dest) + n * sizeof(C), 0);
}

template <class C>
size_t TerminatedLength(const C* s) {
  size_t n = 0;
  while (s[n] != 0) ++n;
  return n;
}

template <class S>
S TrimTrailingControls(S s) {
  size_t n = s.size();
  while (n > 0 && static_cast<std::make_unsigned_t<typename S::value_type>>(s[n - 1]) <= 32) --n;
  s.resize(n);
  return s;
}

// Copies up to count units, turning a LF that follows no CR into CR LF,
// and writes a terminating zero after them.
template <class C>
Integer AddCR(const C* source, C* dest, Integer count) {
  Integer read = 0;
  Integer written = 0;
  C prev = 0;
  while (read < count && written < count && source[read] != 0) {
    C c = source[read++];
    if (c == C('\n') && prev != C('\r')) {
      if (written + 2 > count) break;
      dest[written++] = C('\r');
    }
    dest[written++] = c;
    prev = c;
  }
  dest[written] = 0;
  return written;
}

// A string value of at most length units into the caller's buffer, with
// CR LF line ends when asked; nullptr (no heap string) gives "".
template <class C>
void CopyStringValue(const C* s, C* dest, Integer length, bool convertEOL) {
  if (s == nullptr) {
    dest[0] = 0;
  } else if (convertEOL) {
    AddCR(s, dest, length);
  } else {
    size_t n = 0;
    while (n < static_cast<size_t>(length) && Load<C>(s + n) != 0) ++n;
    StoreTerminated(dest, s, n);
  }
}

// Trailing blanks and zeros become zeros, from the end backwards.
template <class C>
void TrimTrailingBlanks(C* s, size_t end) {
  while (end > 0 && (s[end - 1] == C(' ') || s[end - 1] == 0)) s[--end] = 0;
}

// A date value from whole days since 1 January 0001 and milliseconds of the
// day.
double DateFromDaysAndMSecs(Int64 day, Int64 msecs) {
  if (msecs < 0 || day <= 0) throw EConvertError(Format(STimestampInvalid, {day, msecs}));
  double x = static_cast<double>(day - DateDelta);
  double frac = static_cast<double>(msecs) / MSecsPerDay;
  return x < 0 ? x - frac : x + frac;
}

double DateFromMSecs(double msecs) {
  double m = std::round(msecs);
  if (!(std::abs(m) < 9.2e18)) throw EConvertError(Format(STimestampInvalid, {Int64(0), Int64(-1)}));
  Int64 whole = static_cast<Int64>(m);
  Int64 day = whole / MSecsPerDay;
  Int64 ms = whole % MSecsPerDay;
  return DateFromDaysAndMSecs(day, ms);
}

// Stores a new heap copy in a slot. The copy is made before the old value is
// released, so a failing conversion leaves the slot as it was.
void ReplaceHeapRef(TStringHeap& heap, void* slot, void* copy) {
  // Slots are not aligned: the reference is copied in and out by bytes.
  heap.DisposeBuf(TData::GetSlotRef(static_cast<Byte*>(slot)));
  TData::SetSlotRef(static_cast<Byte*>(slot), copy);
}

}  // namespace

double SetScale(Integer scale, double value) {
  if (scale <= 0) return value;
  UInt64 bits;
  std::memcpy(&bits, &value, sizeof bits);
  int biased = static_cast<int>((bits >> 52) & 0x7FF);
  if (biased == 0 || biased - 1023 >= 50) return value;
  double p = 1;
  Integer rest = scale;
  while (rest > 18) {
    p *= power10[18];
    rest -= 18;
  }
  p *= power10[rest];
  double c = value * p;
  if (c == std::trunc(c)) return value;
  c += value >= 0 ? 0.5 : -0.5;
  return std::trunc(c) / p;
}

Integer AddCRString(const char* source, char* dest, Integer count) { return AddCR(source, dest, count); }
Integer AddCRUnicode(const WideChar* source, WideChar* dest, Integer count) { return AddCR(source, dest, count); }

void TData::PutDateToBuf(void* buf, const void* date, bool, TDateFormat format) {
  double value = 0;
  switch (format) {
    case dfMSecs: value = DateFromMSecs(Load<double>(date)); break;
    case dfDateTime: value = Load<double>(date); break;
    case dfTime: value = DateFromDaysAndMSecs(DateDelta, Load<Integer>(date)); break;
    case dfDate: value = DateFromDaysAndMSecs(Load<Integer>(date), 0); break;
  }
  Store(buf, value);
}

// ---------------------------------------------------------------------------
// Null flags and child fields

bool TData::GetNullByBlob(TFieldDesc* field, TRecBuf recBuf) {
  if (!field->FIsBlob || field->FFieldDescKind == fdkCalculated) return true;
  auto* blob = static_cast<TBlob*>(InternalGetObject(field, recBuf));
  if (blob != nullptr && blob->Size() != 0) {
    SetNull(field, recBuf, false);
    return false;
  }
  return true;
}

void TData::GetChildFieldInfo(TFieldDesc* field, TFieldDesc*& rootField, String& attrName) {
  attrName = field->FName;
  TFieldDesc* current = field;
  while (current->FParentField != nullptr) {
    TFieldDesc* parent = current->FParentField;
    if (parent->FParentField == nullptr) break;
    attrName = parent->FDataType == dtArray ? parent->FName + attrName : parent->FName + u"." + attrName;
    current = parent;
  }
  rootField = current->FParentField != nullptr ? current->FParentField : current;
}

namespace {
TDBObject* ChildObject(TFieldDesc* field, TRecBuf recBuf, String& attrName) {
  TFieldDesc* root = nullptr;
  TData::GetChildFieldInfo(field, root, attrName);
  return static_cast<TDBObject*>(TData::GetSlotRef(recBuf + root->FOffset));
}
}  // namespace

void TData::GetChildField(TFieldDesc* field, TRecBuf recBuf, void*& attrBuf, bool& isBlank, bool& nativeBuffer) {
  String name;
  TDBObject* obj = ChildObject(field, recBuf, name);
  if (obj == nullptr) {
    attrBuf = nullptr;
    isBlank = true;
    nativeBuffer = true;
    return;
  }
  obj->GetAttributeValue(name, attrBuf, isBlank, nativeBuffer);
}

void TData::PutChildField(TFieldDesc* field, TRecBuf recBuf, const void* valuePtr) {
  String name;
  if (TDBObject* obj = ChildObject(field, recBuf, name)) obj->SetAttributeValue(name, valuePtr);
}

bool TData::GetChildFieldIsNull(TFieldDesc* field, TRecBuf recBuf) {
  String name;
  TDBObject* obj = ChildObject(field, recBuf, name);
  return obj == nullptr || obj->GetAttrIsNull(name);
}

bool TData::IsEqualDataType(const TFieldDesc* field1, const TFieldDesc* field2) {
  if (field1->FDataType != field2->FDataType) return false;
  if (field1->FDataType == dtBytes && field1->FLength != field2->FLength) return false;
  return !field1->FIsBlob;
}

bool TData::HasFields(const std::bitset<256>& fieldTypes) const {
  for (const auto& d : FFields) {
    if (d->FDataType < 256 && fieldTypes.test(d->FDataType)) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// Buffers

namespace {
// The value's address for a field: a child's attribute copy (freed by the
// guard) or the slot itself.
struct ValueAddress {
  void* Ptr = nullptr;
  bool Native = true;
  ValueAddress() = default;
  ValueAddress(const ValueAddress&) = delete;
  ValueAddress& operator=(const ValueAddress&) = delete;
  ~ValueAddress() {
    if (!Native) std::free(Ptr);
  }
};

void LocateValue(TData& data, TFieldDesc* field, TRecBuf recBuf, ValueAddress& address, bool& isBlank) {
  if (field->FHasParent) {
    data.GetChildField(field, recBuf, address.Ptr, isBlank, address.Native);
  } else {
    address.Ptr = recBuf + field->FOffset;
    address.Native = true;
    isBlank = data.GetNull(field, recBuf);
  }
}
}  // namespace

void* TData::GetMappedFieldBuf(TRecBuf recBuf, TFieldDesc* field, TDataType& dataType, Word& fieldLength,
                               bool& hasParent, bool& isFixed, bool& isBlank, bool& nativeBuffer) {
  dataType = field->FDataType;
  fieldLength = field->FLength;
  hasParent = field->FHasParent;
  isFixed = field->FFixed;
  if (field->FHasParent) {
    void* buf = nullptr;
    GetChildField(field, recBuf, buf, isBlank, nativeBuffer);
    return buf;
  }
  nativeBuffer = true;
  isBlank = GetNull(field, recBuf);
  return recBuf + field->FOffset;
}

void* TData::GetFieldBuf(TRecBuf recBuf, TFieldDesc* field, TDataType& dataType, bool& isBlank,
                         bool& nativeBuffer) {
  Word length;
  bool hasParent;
  bool isFixed;
  return GetMappedFieldBuf(recBuf, field, dataType, length, hasParent, isFixed, isBlank, nativeBuffer);
}

void TData::GetField(TFieldDesc* field, TRecBuf recBuf, void* dest, bool needConvert, bool& isBlank) {
  isBlank = GetNull(field, recBuf);
  if (dest == nullptr) return;
  if (isBlank && !field->FIsBlob) return;
  ValueAddress address;
  bool childBlank = false;
  LocateValue(*this, field, recBuf, address, childBlank);
  if (address.Ptr == nullptr) return;
  GetFieldData(field, address.Ptr, dest, needConvert);
  if (isBlank || !IsStringType(field->FDataType)) return;
  if (!(field->FFixed ? FTrimFixedChar : FTrimVarChar)) return;
  if (field->FDataType == dtString || field->FDataType == dtExtString) {
    char* s = static_cast<char*>(dest);
    TrimTrailingBlanks(s, field->FFixed && field->FDataType == dtString ? BoundedLength(s, field->FLength)
                                                                          : TerminatedLength(s));
  } else {
    auto* s = static_cast<WideChar*>(dest);
    TrimTrailingBlanks(s, TerminatedLength(s));
  }
}

void TData::GetFieldData(TFieldDesc* field, const void* fieldBuf, void* dest, bool) {
  const Integer length = field->FLength;
  switch (field->FDataType) {
    case dtString:
      CopyStringValue(static_cast<const char*>(fieldBuf), static_cast<char*>(dest), length, NeedConvertEOL());
      break;
    case dtExtString:
      CopyStringValue(static_cast<const char*>(GetSlotRef(static_cast<const Byte*>(fieldBuf))),
                      static_cast<char*>(dest), length, NeedConvertEOL());
      break;
    case dtWideString:
      CopyStringValue(static_cast<const WideChar*>(fieldBuf), static_cast<WideChar*>(dest), length,
                      NeedConvertEOL());
      break;
    case dtExtWideString:
      CopyStringValue(static_cast<const WideChar*>(GetSlotRef(static_cast<const Byte*>(fieldBuf))),
                      static_cast<WideChar*>(dest), length, NeedConvertEOL());
      break;
    case dtUInt32: std::memcpy(dest, fieldBuf, 4); break;
    case dtFMTBCD: std::memcpy(dest, fieldBuf, sizeof(TBcd)); break;
    case dtDate: GetDateFromBuf(fieldBuf, dest, field->FHasParent, dfDate); break;
    case dtTime: GetDateFromBuf(fieldBuf, dest, field->FHasParent, dfTime); break;
    case dtDateTime: GetDateFromBuf(fieldBuf, dest, field->FHasParent, dfMSecs); break;
    case dtBytes: std::memcpy(dest, fieldBuf, static_cast<size_t>(length)); break;
    case dtVarBytes: {
      Word n = std::min<Word>(Load<Word>(fieldBuf), static_cast<Word>(length));
      Store(dest, n);
      std::memcpy(static_cast<Byte*>(dest) + 2, static_cast<const Byte*>(fieldBuf) + 2, n);
      break;
    }
    case dtExtVarBytes: {
      const Byte* heap = static_cast<const Byte*>(GetSlotRef(static_cast<const Byte*>(fieldBuf)));
      if (heap == nullptr) {
        Store<Word>(dest, 0);
      } else {
        std::memcpy(dest, heap, Load<Word>(heap) + 2u);
      }
      break;
    }
    case dtVariant: {
      auto* obj = static_cast<TVariantObject*>(GetSlotRef(static_cast<const Byte*>(fieldBuf)));
      Variant& target = *static_cast<Variant*>(dest);
      target.Clear();
      if (obj != nullptr) target = obj->Value();
      break;
    }
    default:
      std::memcpy(dest, fieldBuf, static_cast<size_t>(field->FSize));
      break;
  }
}

void TData::PutField(TFieldDesc* field, TRecBuf recBuf, const void* source, bool needConvert,
                     bool isDatabaseValue) {
  if (source == nullptr) {
    SetNull(field, recBuf, true);
    SetChanged(field, recBuf, true);
    return;
  }
  if (field->FHasParent) {
    PutChildField(field, recBuf, source);
    return;
  }
  Byte* slot = recBuf + field->FOffset;
  PutFieldData(field, slot, source, needConvert, isDatabaseValue);
  bool isNull = false;
  if (FSetEmptyStrToNull || FRequireEmptyStrToNull) {
    switch (field->FDataType) {
      case dtString: isNull = slot[0] == 0; break;
      case dtWideString: isNull = Load<WideChar>(slot) == 0; break;
      case dtExtString: {
        auto* s = static_cast<const char*>(GetSlotRef(slot));
        isNull = s == nullptr || s[0] == 0;
        break;
      }
      case dtExtWideString: {
        auto* s = static_cast<const Byte*>(GetSlotRef(slot));
        isNull = s == nullptr || Load<WideChar>(s) == 0;
        break;
      }
      default: break;
    }
  }
  SetNull(field, recBuf, isNull);
  SetChanged(field, recBuf, true);
}

void TData::PutFieldData(TFieldDesc* field, void* fieldBuf, const void* source, bool, bool isDatabaseValue) {
  switch (field->FDataType) {
    case dtString: {
      size_t max = field->FSize > 0 ? static_cast<size_t>(field->FSize - 1) : 0;
      const char* s = static_cast<const char*>(source);
      StoreTerminated(fieldBuf, s, BoundedLength(s, max));
      break;
    }
    case dtExtString:
      ReplaceHeapRef(*FStringHeap, fieldBuf, FStringHeap->AllocStr(static_cast<const char*>(source)));
      break;
    case dtWideString: {
      const WideChar* s = static_cast<const WideChar*>(source);
      StoreTerminated(fieldBuf, s, BoundedLength(s, field->FLength));
      break;
    }
    case dtExtWideString:
      ReplaceHeapRef(*FStringHeap, fieldBuf, FStringHeap->AllocWideStr(static_cast<const WideChar*>(source)));
      break;
    case dtFloat: {
      double v = Load<double>(source);
      Store(fieldBuf, isDatabaseValue ? v : SetScale(field->FScale, v));
      break;
    }
    case dtDate: PutDateToBuf(fieldBuf, source, field->FHasParent, dfDate); break;
    case dtTime: PutDateToBuf(fieldBuf, source, field->FHasParent, dfTime); break;
    case dtDateTime: PutDateToBuf(fieldBuf, source, field->FHasParent, dfMSecs); break;
    case dtBytes: std::memcpy(fieldBuf, source, field->FLength); break;
    case dtVarBytes: {
      Word n = std::min<Word>(Load<Word>(source), field->FLength);
      Store(fieldBuf, n);
      std::memcpy(static_cast<Byte*>(fieldBuf) + 2, static_cast<const Byte*>(source) + 2, n);
      break;
    }
    case dtExtVarBytes: {
      Byte* copy = nullptr;
      if (source != nullptr) {
        Word n = Load<Word>(source);
        copy = static_cast<Byte*>(FStringHeap->NewBuf(n + 2u));
        std::memcpy(copy, source, n + 2u);
      }
      ReplaceHeapRef(*FStringHeap, fieldBuf, copy);
      break;
    }
    case dtVariant: {
      auto* obj = static_cast<TVariantObject*>(GetSlotRef(static_cast<Byte*>(fieldBuf)));
      Assert(obj != nullptr, u"MemData");
      obj->SetValue(*static_cast<const Variant*>(source));
      break;
    }
    default:
      std::memcpy(fieldBuf, source, static_cast<size_t>(field->FSize));
      break;
  }
}

// ---------------------------------------------------------------------------
// Variants

namespace {
// Reads a blob, optionally from its rollback copy, switching the copy in
// for the read only.
template <class F>
auto WithRollback(TBlob* blob, bool useRollback, F read) {
  bool switched = useRollback && blob->CanRollback();
  if (switched) blob->SetUseRollback(true);
  TScopeExit restore([blob, switched] {
    if (switched) blob->SetUseRollback(false);
  });
  return read();
}
}  // namespace

void TData::GetDataAsVariant(const void* dataBuf, TDataType dataType, TDataType, Word fieldLength, bool hasParent,
                             bool isFixed, Variant& value, bool useRollback) {
  const Byte* buf = static_cast<const Byte*>(dataBuf);
  const bool trim = isFixed ? FTrimFixedChar : FTrimVarChar;
  switch (dataType) {
    case dtString:
    case dtExtString: {
      const char* s = dataType == dtString ? reinterpret_cast<const char*>(buf)
                                           : static_cast<const char*>(GetSlotRef(buf));
      AnsiString text = s == nullptr ? AnsiString() : AnsiString(s);
      value = Variant(trim ? TrimTrailingControls(std::move(text)) : std::move(text));
      break;
    }
    case dtWideString:
    case dtExtWideString: {
      const Byte* s = dataType == dtWideString ? buf : static_cast<const Byte*>(GetSlotRef(buf));
      String text;
      if (s != nullptr) {
        for (size_t i = 0;; ++i) {
          WideChar c = Load<WideChar>(s + 2 * i);
          if (c == 0) break;
          text.push_back(c);
        }
      }
      value = Variant(trim ? TrimTrailingControls(std::move(text)) : std::move(text));
      break;
    }
    case dtInt8: value = Variant(Load<signed char>(buf)); break;
    case dtInt16: value = Variant(Load<short>(buf)); break;
    case dtInt32: value = Variant(Load<int>(buf)); break;
    case dtInt64: value = Variant(Load<long long>(buf)); break;
    case dtUInt8: value = Variant(Load<unsigned char>(buf)); break;
    case dtUInt16: value = Variant(Load<unsigned short>(buf)); break;
    case dtUInt32: value = Variant(Load<unsigned int>(buf)); break;
    case dtUInt64: value = Variant(Load<unsigned long long>(buf)); break;
    case dtSingle: value = Variant(static_cast<double>(Load<float>(buf))); break;
    case dtFloat:
    case dtCurrency: value = Variant(Load<double>(buf)); break;
    // An extended value reads as the nearest double, as everywhere a
    // variant stands for it (filters, the VTD reader's conversions).
    case dtExtended: value = Variant(ExtendedToDouble(Load<Extended80>(buf))); break;
    case dtBCD: value = Variant(Currency::FromScaled(Load<Int64>(buf))); break;
    case dtFMTBCD: value = VarFMTBcdCreate(Load<TBcd>(buf)); break;
    case dtDate: {
      Integer day;
      GetDateFromBuf(buf, &day, hasParent, dfDate);
      value = VarFromDateTime(static_cast<double>(day - DateDelta));
      break;
    }
    case dtTime: {
      Integer ms;
      GetDateFromBuf(buf, &ms, hasParent, dfTime);
      value = VarFromDateTime(static_cast<double>(ms) / MSecsPerDay);
      break;
    }
    case dtDateTime: {
      double ms;
      GetDateFromBuf(buf, &ms, hasParent, dfMSecs);
      value = VarFromDateTime(DateFromMSecs(ms));
      break;
    }
    case dtSQLTimeStamp: value = VarSQLTimeStampCreate(Load<TSQLTimeStamp>(buf)); break;
    case dtSQLTimeStampOffset: value = VarSQLTimeStampOffsetCreate(Load<TSQLTimeStampOffset>(buf)); break;
    case dtBoolean: value = Variant(Load<Word>(buf) != 0); break;
    case dtBytes: value = Variant::FromBytes(buf, fieldLength); break;
    case dtVarBytes: value = Variant::FromBytes(buf + 2, Load<Word>(buf)); break;
    case dtExtVarBytes: {
      const Byte* heap = static_cast<const Byte*>(GetSlotRef(buf));
      value = heap == nullptr ? Variant::FromBytes(nullptr, 0) : Variant::FromBytes(heap + 2, Load<Word>(heap));
      break;
    }
    case dtBlob:
    case dtMemo:
    case dtWideMemo: {
      auto* blob = static_cast<TBlob*>(GetSlotRef(buf));
      if (blob == nullptr) {
        value = Variant::Null();
        break;
      }
      value = WithRollback(blob, useRollback, [&]() -> Variant {
        if (dataType == dtMemo) return Variant(blob->AsAnsiString());
        if (dataType == dtWideMemo) return Variant(blob->AsWideString());
        if (blob->IsNull()) return Variant::Null();
        return Variant(blob->AsBytes());
      });
      break;
    }
    case dtVariant: {
      auto* obj = static_cast<TVariantObject*>(GetSlotRef(buf));
      value = obj != nullptr ? obj->Value() : Variant();
      break;
    }
    case dtGuid: value = Variant(AnsiString(reinterpret_cast<const char*>(buf), BoundedLength(buf, 38))); break;
    default:
      throw EConvertError(String(SCannotConvertType) + u" " + IntToStr(dataType));
  }
}

void TData::GetFieldAsVariant(TFieldDesc* field, TRecBuf recBuf, Variant& value, bool useRollback) {
  value.Clear();
  if (GetNull(field, recBuf)) {
    value = Variant::Null();
    return;
  }
  ValueAddress address;
  bool isBlank = false;
  LocateValue(*this, field, recBuf, address, isBlank);
  if (address.Ptr == nullptr) {
    value = Variant::Null();
    return;
  }
  GetDataAsVariant(address.Ptr, field->FDataType, field->FSubDataType, field->FLength, field->FHasParent,
                   field->FFixed, value, useRollback);
}

void TData::GetMappedFieldAsVariant(TFieldDesc* field, TRecBuf recBuf, Variant& value, bool useRollback) {
  value.Clear();
  TDataType dataType;
  Word length;
  bool hasParent;
  bool isFixed;
  bool isBlank;
  ValueAddress address;
  address.Ptr = GetMappedFieldBuf(recBuf, field, dataType, length, hasParent, isFixed, isBlank, address.Native);
  if (isBlank || address.Ptr == nullptr) {
    value = Variant::Null();
    return;
  }
  GetDataAsVariant(address.Ptr, dataType, field->FSubDataType, length, hasParent, isFixed, value, useRollback);
}

namespace {
double FloatFromVariant(const Variant& v, TDataType dataType, Word scale, bool isDatabaseValue) {
  if (IsIntegerVariant(v)) return v.VarType() == varUInt64 ? static_cast<double>(v.AsUInt64()) : v.AsDouble();
  double d;
  if (v.VarType() == varSingle || v.VarType() == varDouble || v.VarType() == varCurrency) {
    d = v.AsDouble();
  } else if (VarIsStr(v)) {
    d = dataType == dtExtended ? v.AsDouble() : StrToFloat(v.AsString());
  } else {
    CannotConvert();
  }
  return isDatabaseValue ? d : SetScale(scale, d);
}

TBlob* SlotBlob(void* slot) {
  auto* blob = static_cast<TBlob*>(TData::GetSlotRef(static_cast<Byte*>(slot)));
  Assert(blob != nullptr, u"MemData");
  return blob;
}
}  // namespace

void TData::PutDataAsVariant(void* dataBuf, TDataType dataType, Integer dataSize, Word len, Word scale, bool,
                             const Variant& value, bool isDatabaseValue) {
  Byte* buf = static_cast<Byte*>(dataBuf);
  switch (dataType) {
    case dtString:
    case dtGuid: {
      AnsiString s = value.AsAnsiString();
      StoreTerminated(buf, s.c_str(), std::min(BoundedLength(s.c_str(), s.size()), static_cast<size_t>(std::max(dataSize - 1, 0))));
      break;
    }
    case dtExtString: {
      AnsiString s = value.AsAnsiString();
      ReplaceHeapRef(*FStringHeap, buf, FStringHeap->AllocStr(s.c_str()));
      break;
    }
    case dtWideString: {
      String s = value.AsString();
      size_t max = dataSize >= 2 ? static_cast<size_t>(dataSize / 2 - 1) : 0;
      StoreTerminated(buf, s.c_str(), std::min(BoundedLength(s.c_str(), s.size()), max));
      break;
    }
    case dtExtWideString: {
      String s = value.AsString();
      ReplaceHeapRef(*FStringHeap, buf, FStringHeap->AllocWideStr(s.c_str()));
      break;
    }
    case dtInt8:
    case dtUInt8: {
      Int64 v = IntegerFromVariant(value);
      if (dataSize == 1) Store(buf, static_cast<Byte>(v));
      else if (dataSize == 2) Store(buf, static_cast<Word>(v));
      else throw EAssertionFailed(RtlMessages::SAssertionFailed);
      break;
    }
    case dtInt16:
    case dtUInt16: Store(buf, static_cast<Word>(IntegerFromVariant(value))); break;
    case dtInt32: Store(buf, static_cast<Cardinal>(IntegerFromVariant(value))); break;
    case dtInt64: Store(buf, IntegerFromVariant(value, true)); break;
    case dtUInt32: Store(buf, static_cast<Cardinal>(IntegerFromVariant(value))); break;
    case dtUInt64: {
      UInt64 v;
      if (value.VarType() == varUInt64) v = value.AsUInt64();
      else if (VarIsStr(value)) v = static_cast<UInt64>(IntegerFromVariant(value, true));
      else CannotConvert();
      Store(buf, v);
      break;
    }
    case dtSingle: Store(buf, static_cast<float>(FloatFromVariant(value, dataType, scale, isDatabaseValue))); break;
    case dtFloat:
    case dtCurrency: Store(buf, FloatFromVariant(value, dataType, scale, isDatabaseValue)); break;
    case dtExtended: Store(buf, DoubleToExtended(FloatFromVariant(value, dataType, scale, isDatabaseValue))); break;
    case dtBCD: Store(buf, value.AsCurrency().Scaled()); break;
    case dtFMTBCD: {
      TBcd bcd = value.VarType() == varFMTBcd ? value.AsBcd()
                                               : StrToBcd(value.AsString(), FormatSettings.DecimalSeparator);
      Store(buf, bcd);
      break;
    }
    case dtDate:
    case dtTime:
    case dtDateTime: Store(buf, value.AsDateTime()); break;
    case dtSQLTimeStamp: Store(buf, value.AsSQLTimeStamp()); break;
    case dtSQLTimeStampOffset: Store(buf, value.AsSQLTimeStampOffset()); break;
    case dtBoolean: {
      Word v;
      if (IsNumericVariant(value)) v = static_cast<Word>(IntegerBits(value));
      else if (value.VarType() == varBoolean || VarIsStr(value)) v = value.AsBoolean() ? 1 : 0;
      else CannotConvert();
      Store(buf, v);
      break;
    }
    case dtBytes:
    case dtVarBytes:
    case dtExtVarBytes: {
      const std::vector<Byte>* bytes = value.ByteArray();
      if (bytes == nullptr) throw EAssertionFailed(SInvalidVType);
      if ((dataType == dtBytes && bytes->size() != len) || (dataType == dtVarBytes && bytes->size() > len) ||
          bytes->size() > 0xFFFF) {
        throw EAssertionFailed(SInvalidDataSize);
      }
      const Word n = static_cast<Word>(bytes->size());
      if (dataType == dtBytes) {
        std::memcpy(buf, bytes->data(), n);
      } else if (dataType == dtVarBytes) {
        Store(buf, n);
        std::memcpy(buf + 2, bytes->data(), n);
      } else {
        Byte* copy = static_cast<Byte*>(FStringHeap->NewBuf(n + 2u));
        Store(copy, n);
        std::memcpy(copy + 2, bytes->data(), n);
        ReplaceHeapRef(*FStringHeap, buf, copy);
      }
      break;
    }
    case dtBlob:
    case dtMemo: {
      TBlob* blob = SlotBlob(buf);
      // A byte array keeps its bytes; anything else is stored as 8-bit text.
      if (value.ByteArray() != nullptr) blob->SetAsBytes(*value.ByteArray());
      else blob->SetAsAnsiString(value.AsAnsiString());
      break;
    }
    case dtWideMemo: SlotBlob(buf)->SetAsWideString(value.AsString()); break;
    case dtVariant: {
      auto* obj = static_cast<TVariantObject*>(GetSlotRef(buf));
      Assert(obj != nullptr, u"MemData");
      obj->SetValue(value);
      break;
    }
    default:
      CannotConvert();
  }
}

void TData::PutFieldAsVariant(TFieldDesc* field, TRecBuf recBuf, const Variant& value, bool isDatabaseValue) {
  if (value.IsNull() || value.IsEmpty()) {
    SetNull(field, recBuf, true);
    SetChanged(field, recBuf, true);
    return;
  }
  ValueAddress address;
  bool isBlank = false;
  LocateValue(*this, field, recBuf, address, isBlank);
  if (address.Ptr == nullptr) return;
  PutDataAsVariant(address.Ptr, field->FDataType, field->FSize, field->FLength, field->FScale, field->FHasParent,
                   value, isDatabaseValue);
  if (field->FHasParent) {
    PutChildField(field, recBuf, address.Ptr);
  } else {
    SetNull(field, recBuf, false);
  }
  SetChanged(field, recBuf, true);
}
