// The comparison service of the record set: a given value of one internal
// type against a field value of any type, with compare options, and the
// string and byte comparisons beneath it. Sorting, Locate, ranges,
// master/detail links and filters all come through here.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <type_traits>

#include "platform/rtl/Bcd.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Extended.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
#include "table/Blob.h"
#include "table/Data.h"
#include "table/VariantObject.h"

namespace {

constexpr char16_t Unit[] = u"MemData";
constexpr char16_t SCannotConvertType[] = u"Cannot convert type";

template <class T>
T Load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class T>
int Order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int Sign(int v) { return (v > 0) - (v < 0); }

// NaNs sort after every number and equal each other, so a sort never meets
// a comparison that contradicts another.
int CompareDoubles(double a, double b) {
  if (a < b) return -1;
  if (a > b) return 1;
  if (a == b) return 0;
  bool nanA = std::isnan(a), nanB = std::isnan(b);
  return nanA == nanB ? 0 : (nanA ? 1 : -1);
}

int CompareDates(double a, double b) {
  if (std::fabs(a - b) < DateTimeValueDelta) return 0;
  return CompareDoubles(a, b);
}

bool IsDateType(TDataType t) { return t == dtDate || t == dtTime || t == dtDateTime; }
bool IsStringType(TDataType t) {
  return t == dtString || t == dtExtString || t == dtWideString || t == dtExtWideString;
}

const char* HeapAnsi(const void* slot) {
  auto* s = static_cast<const char*>(TData::GetSlotRef(static_cast<const Byte*>(slot)));
  return s != nullptr ? s : "";
}

const char16_t* HeapWide(const void* slot) {
  auto* s = static_cast<const char16_t*>(TData::GetSlotRef(static_cast<const Byte*>(slot)));
  return s != nullptr ? s : u"";
}

TBlob* BlobIn(const void* slot) {
  return static_cast<TBlob*>(static_cast<TSharedObject*>(TData::GetSlotRef(static_cast<const Byte*>(slot))));
}

const Variant& VariantIn(const void* slot) {
  static const Variant empty;
  auto* holder =
      static_cast<TVariantObject*>(static_cast<TSharedObject*>(TData::GetSlotRef(static_cast<const Byte*>(slot))));
  return holder != nullptr ? holder->Value() : empty;
}

// The bytes of a byte field: fixed bytes take the field length, variable
// ones their own length word (never more than the field holds).
bool FieldBytes(const void* buf, TDataType type, Word fieldLength, const Byte*& bytes, Integer& size) {
  switch (type) {
    case dtBytes:
      bytes = static_cast<const Byte*>(buf);
      size = fieldLength;
      return true;
    case dtVarBytes: {
      Word len = Load<Word>(buf);
      bytes = static_cast<const Byte*>(buf) + sizeof(Word);
      size = fieldLength != 0 && len > fieldLength ? fieldLength : len;
      return true;
    }
    case dtExtVarBytes: {
      auto* heap = static_cast<const Byte*>(TData::GetSlotRef(static_cast<const Byte*>(buf)));
      bytes = heap != nullptr ? heap + sizeof(Word) : nullptr;
      size = heap != nullptr ? Load<Word>(heap) : 0;
      return true;
    }
    default:
      return false;
  }
}

// A number of any numeric type, for comparing values whose types differ.
struct Number {
  bool Integral = false;
  __int128 Whole = 0;
  double Real = 0;
};

bool ReadNumber(const void* buf, TDataType type, Number& n) {
  n.Integral = true;
  switch (type) {
    case dtInt8: n.Whole = Load<ShortInt>(buf); break;
    case dtInt16: n.Whole = Load<SmallInt>(buf); break;
    case dtInt32: n.Whole = Load<Integer>(buf); break;
    case dtInt64: n.Whole = Load<Int64>(buf); break;
    case dtUInt8: n.Whole = Load<Byte>(buf); break;
    case dtUInt16: n.Whole = Load<Word>(buf); break;
    case dtUInt32: n.Whole = Load<Cardinal>(buf); break;
    case dtUInt64: n.Whole = Load<UInt64>(buf); break;
    default:
      n.Integral = false;
      switch (type) {
        case dtSingle: n.Real = Load<float>(buf); break;
        case dtFloat: case dtCurrency: n.Real = Load<double>(buf); break;
        case dtExtended: n.Real = ExtendedToDouble(Load<Extended80>(buf)); break;
        case dtBCD: n.Real = Currency::FromScaled(Load<Int64>(buf)).ToDouble(); break;
        default: return false;
      }
  }
  if (n.Integral) n.Real = static_cast<double>(n.Whole);
  return true;
}

int CompareNumbers(const Number& a, const Number& b) {
  if (a.Integral && b.Integral) return Order(a.Whole, b.Whole);
  return CompareDoubles(a.Real, b.Real);
}

bool TrimApplies(const TData& data, bool isFixed) { return isFixed ? data.FTrimFixedChar : data.FTrimVarChar; }

template <class S>
void TrimTrailingControls(S& s) {
  size_t n = s.size();
  while (n > 0 && static_cast<std::make_unsigned_t<typename S::value_type>>(s[n - 1]) <= 32) --n;
  s.resize(n);
}

// Texts of the 8-bit and of the UTF-16 comparison, from either kind.
template <class S>
S TextFromAnsi(std::string_view s) {
  if constexpr (std::is_same_v<S, String>) return AnsiToString(s);
  else return S(s);
}

template <class S>
S TextFromWide(StringView s) {
  if constexpr (std::is_same_v<S, String>) return S(s);
  else return StringToAnsi(s);
}

// The text of a number or date value; false for every other type.
bool NumberOrDateText(TData& data, const void* buf, TDataType type, bool hasParent, String& text) {
  Number n;
  if (IsDateType(type)) {
    double d;
    data.GetDateFromBuf(buf, &d, hasParent, dfDateTime);
    text = type == dtDate ? DateToStr(d) : (type == dtTime ? TimeToStr(d) : DateTimeToStr(d));
  } else if (type == dtBCD || !ReadNumber(buf, type, n)) {
    return false;
  } else if (n.Integral) {
    text = n.Whole < 0 ? IntToStr(static_cast<Int64>(n.Whole)) : UIntToStr(static_cast<UInt64>(n.Whole));
  } else {
    text = FloatToStr(n.Real);
  }
  return true;
}

// A field value as the text the text comparisons use.
template <class S>
S FieldText(TData& data, const void* buf, TDataType type, bool hasParent) {
  constexpr bool wide = std::is_same_v<S, String>;
  switch (type) {
    case dtString: return TextFromAnsi<S>(static_cast<const char*>(buf));
    case dtExtString: return TextFromAnsi<S>(HeapAnsi(buf));
    case dtWideString: return TextFromWide<S>(static_cast<const char16_t*>(buf));
    case dtExtWideString: return TextFromWide<S>(HeapWide(buf));
    case dtVariant: {
      const Variant& v = VariantIn(buf);
      if (v.IsNull() || v.IsEmpty()) return S();
      if constexpr (wide) return v.AsString();
      else return v.AsAnsiString();
    }
    case dtBlob: case dtMemo: case dtWideMemo: {
      TBlob* blob = BlobIn(buf);
      if (blob == nullptr) return S();
      if constexpr (wide) return blob->AsWideString();
      else return blob->AsAnsiString();
    }
    default: {
      String text;
      if (!NumberOrDateText(data, buf, type, hasParent, text)) throw EConvertError(SCannotConvertType);
      return TextFromWide<S>(text);
    }
  }
}

template <class S>
int CompareStrings(TData& data, const S& value, const S& str, TCompareOptions options) {
  if constexpr (std::is_same_v<S, String>) return data.CompareWideStrValues(value, str, options);
  else return data.CompareStrValues(value, str, options);
}

// The given text against a field value turned into text.
template <class S>
int CompareAsText(TData& data, S value, const void* buf, TDataType type, bool hasParent, bool isFixed,
                  TCompareOptions options) {
  switch (type) {
    // Decimal and GUID texts have no case to speak of, and are never trimmed.
    case dtBCD:
      return CompareStrings<S>(data, value, TextFromWide<S>(CurrToStr(Currency::FromScaled(Load<Int64>(buf)))),
                               options | coCaseInsensitive);
    case dtFMTBCD:
      return CompareStrings<S>(data, value, TextFromWide<S>(BcdToStr(Load<TBcd>(buf), FormatSettings.DecimalSeparator)),
                               options | coCaseInsensitive);
    case dtGuid:
      if constexpr (std::is_same_v<S, String>) throw EConvertError(SCannotConvertType);
      else return CompareStrings<S>(data, value, S(static_cast<const char*>(buf)), options | coCaseInsensitive);
    default:
      break;
  }
  S text = FieldText<S>(data, buf, type, hasParent);
  if (IsStringType(type) && TrimApplies(data, isFixed)) {
    TrimTrailingControls(value);
    TrimTrailingControls(text);
  }
  return CompareStrings<S>(data, value, text, options);
}

bool IsNumericVarType(Word t) { return (t >= varSmallint && t <= varCurrency) || (t >= 14 && t <= varInt64); }

AnsiString VariantAnsiText(const Variant& v) { return v.IsNull() || v.IsEmpty() ? AnsiString() : v.AsAnsiString(); }

// V is the given value, F the field's.
int CompareVariants(TData& data, const Variant& v, const Variant& f, TCompareOptions options) {
  Word vt = v.VarType(), ft = f.VarType();
  if (VarIsByteArray(v) || VarIsByteArray(f)) {
    if (v.IsNull() && f.IsNull()) return 0;
    if (v.IsNull() || f.IsNull() || vt != ft) return f.IsNull() || (!v.IsNull() && ft < vt) ? 1 : -1;
    const std::vector<Byte>* a = v.ByteArray();
    const std::vector<Byte>* b = f.ByteArray();
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a != nullptr ? 1 : -1);
    if (a->size() != b->size()) return a->size() < b->size() ? -1 : 1;
    return TData::CompareBinValues(a->data(), static_cast<Integer>(a->size()), b->data(),
                                   static_cast<Integer>(b->size()), options);
  }
  // Two texts compare as UTF-16 with the caller's options: case and partial
  // keys count, and no character is lost to the code page.
  if (VarIsStr(v) && VarIsStr(f)) return data.CompareWideStrValues(v.AsString(), f.AsString(), options);
  if (vt == ft || (IsNumericVarType(vt) && IsNumericVarType(ft))) {
    switch (VarCompareValue(f, v)) {
      case vrLessThan: return 1;
      case vrGreaterThan: return -1;
      default: return 0;
    }
  }
  if (VarIsStr(v) || VarIsStr(f)) return data.CompareStrValues(VariantAnsiText(v), VariantAnsiText(f), options);
  return ft < vt ? 1 : -1;
}

int CompareAnsiStrings(std::string_view a, std::string_view b, TCompareOptions options) {
  if ((options & coOrdinalCompare) == 0) {
    return TCollator::Current().CompareAnsi(a, b, (options & coCaseInsensitive) != 0);
  }
  // By byte codes; ignoring case compares the upper-case forms.
  if (options & coCaseInsensitive) return Sign(AnsiUpperCase(a).compare(AnsiUpperCase(b)));
  return Sign(a.compare(b));
}

// Both with the locale's case when the case does not count.
template <class S>
bool Occurs(const S& value, const S& str, TCompareOptions options) {
  if (value.empty() || str.empty()) return false;
  if (options & coCaseInsensitive) return AnsiUpperCase(str).find(AnsiUpperCase(value)) != S::npos;
  return str.find(value) != S::npos;
}

}  // namespace

int TData::InternalCompareFieldValue(const void* valuePtr, TDataType valueType, const void* dataBuf,
                                     TDataType dataType, Word fieldLength, bool hasParent, bool isFixed,
                                     TCompareOptions options) {
  const bool partial = (options & (coPartialKey | coPartialCompare)) != 0;
  switch (valueType) {
    case dtString: case dtExtString: case dtGuid: {
      const char* value = valueType == dtExtString ? HeapAnsi(valuePtr) : static_cast<const char*>(valuePtr);
      if (!partial && dataType == dtString && !TrimApplies(*this, isFixed)) {
        return InternalAnsiStrComp(value, static_cast<const char*>(dataBuf), options);
      }
      if (!partial && dataType == dtExtString) return InternalAnsiStrComp(value, HeapAnsi(dataBuf), options);
      return CompareAsText<AnsiString>(*this, value, dataBuf, dataType, hasParent, isFixed, options);
    }
    case dtWideString: case dtExtWideString: {
      const char16_t* value = valueType == dtExtWideString ? HeapWide(valuePtr) : static_cast<const char16_t*>(valuePtr);
      return CompareAsText<String>(*this, value, dataBuf, dataType, hasParent, isFixed, options);
    }
    case dtBlob: case dtMemo: {
      TBlob* blob = BlobIn(valuePtr);
      return CompareAsText<AnsiString>(*this, blob != nullptr ? blob->AsAnsiString() : AnsiString(), dataBuf,
                                       dataType, hasParent, isFixed, options);
    }
    case dtWideMemo: {
      // UTF-16 text keeps what the 8-bit code page cannot hold.
      TBlob* blob = BlobIn(valuePtr);
      return CompareAsText<String>(*this, blob != nullptr ? blob->AsWideString() : String(), dataBuf, dataType,
                                   hasParent, isFixed, options);
    }
    case dtInt8: case dtInt16: case dtInt32: case dtInt64: case dtUInt8: case dtUInt16: case dtUInt32:
    case dtUInt64:
      break;  // by number below
    case dtSingle:
      if (dataType == dtSingle) return CompareDoubles(Load<float>(valuePtr), Load<float>(dataBuf));
      break;
    case dtFloat: case dtCurrency: {
      double value = Load<double>(valuePtr);
      if (IsDateType(dataType)) {
        double date;
        GetDateFromBuf(dataBuf, &date, hasParent, dfDateTime);
        return CompareDates(value, date);
      }
      if (dataType == dtFloat || dataType == dtCurrency) return CompareDoubles(value, Load<double>(dataBuf));
      break;
    }
    case dtExtended:
      if (dataType == dtExtended) return CompareExtended(Load<Extended80>(valuePtr), Load<Extended80>(dataBuf));
      break;
    case dtDate: case dtTime: case dtDateTime:
      if (IsDateType(dataType)) {
        double value, date;
        GetDateFromBuf(valuePtr, &value, hasParent, dfDateTime);
        GetDateFromBuf(dataBuf, &date, hasParent, dfDateTime);
        return CompareDates(value, date);
      }
      break;
    case dtBCD:
      if (dataType == dtBCD) return Order(Load<Int64>(valuePtr), Load<Int64>(dataBuf));
      break;
    case dtFMTBCD:
      if (dataType == dtFMTBCD) return BcdCompare(Load<TBcd>(valuePtr), Load<TBcd>(dataBuf));
      break;
    case dtSQLTimeStamp:
      if (dataType == dtSQLTimeStamp) {
        return CompareSQLTimeStamp(Load<TSQLTimeStamp>(valuePtr), Load<TSQLTimeStamp>(dataBuf));
      }
      break;
    case dtSQLTimeStampOffset:
      if (dataType == dtSQLTimeStampOffset) {
        return CompareSQLTimeStampOffset(Load<TSQLTimeStampOffset>(valuePtr), Load<TSQLTimeStampOffset>(dataBuf));
      }
      break;
    case dtBoolean:
      // Any non-zero word is true, as the field reads.
      if (dataType == dtBoolean) return Order(Load<Word>(valuePtr) != 0, Load<Word>(dataBuf) != 0);
      break;
    case dtBytes:
      if (dataType == dtBytes) return CompareBinValues(valuePtr, fieldLength, dataBuf, fieldLength, options);
      break;
    case dtVarBytes: case dtExtVarBytes: {
      const Byte* value;
      const Byte* field;
      Integer valueSize, fieldSize;
      FieldBytes(valuePtr, valueType, 0, value, valueSize);
      if (FieldBytes(dataBuf, dataType, fieldLength, field, fieldSize)) {
        return CompareBinValues(value, valueSize, field, fieldSize, options);
      }
      if (valueType == dtVarBytes) return 0;  // bytes against a field of another kind match anything
      break;
    }
    case dtVariant:
      if (dataType == dtVariant) return CompareVariants(*this, VariantIn(valuePtr), VariantIn(dataBuf), options);
      break;
    default:
      break;
  }
  // Numbers of different types compare by value.
  Number a, b;
  if (ReadNumber(valuePtr, valueType, a) && ReadNumber(dataBuf, dataType, b)) return CompareNumbers(a, b);
  AssertionFailed(Unit);
}

int TData::InternalAnsiStrComp(const char* s1, const char* s2, TCompareOptions options) {
  return CompareAnsiStrings(s1, s2, options);
}

int TData::InternalAnsiCompareText(const AnsiString& s1, const AnsiString& s2, TCompareOptions options) {
  return CompareAnsiStrings(s1, s2, options);
}

int TData::InternalWStrComp(const String& s1, const String& s2, TCompareOptions options) {
  if ((options & coOrdinalCompare) == 0) {
    return TCollator::Current().Compare(s1, s2, (options & coCaseInsensitive) != 0);
  }
  if (options & coCaseInsensitive) return CompareTextOrdinal(s1, s2);
  return Sign(s1.compare(s2));
}

int TData::InternalWStrLComp(const String& s1, const String& s2, TCompareOptions options) {
  return InternalWStrComp(s1, s2.substr(0, s1.size()), options);
}

int TData::CompareStrValues(const AnsiString& value, const AnsiString& str, TCompareOptions options) {
  if (options & coPartialCompare) return Occurs(value, str, options) ? 0 : 1;
  if (options & coPartialKey) {
    size_t n = value.empty() ? str.size() : value.size();
    if (str.size() < n) return 1;
    return InternalAnsiCompareText(value, str.substr(0, n), options);
  }
  return InternalAnsiCompareText(value, str, options);
}

int TData::CompareWideStrValues(const String& value, const String& str, TCompareOptions options) {
  if (options & coPartialCompare) return Occurs(value, str, options) ? 0 : 1;
  if (options & coPartialKey) {
    if (value.empty()) return 0;
    if (str.size() < value.size()) return 1;
    return InternalWStrLComp(value, str, options);
  }
  return InternalWStrComp(value, str, options);
}

int TData::CompareBinValues(const void* value1, Integer size1, const void* value2, Integer size2,
                            TCompareOptions options) {
  auto* a = static_cast<const Byte*>(value1);
  auto* b = static_cast<const Byte*>(value2);
  size_t n1 = size1 > 0 ? static_cast<size_t>(size1) : 0;
  size_t n2 = size2 > 0 ? static_cast<size_t>(size2) : 0;
  auto same = [](const Byte* x, const Byte* y, size_t n) { return n == 0 || std::memcmp(x, y, n) == 0; };
  if (options & coPartialCompare) {
    if (n2 < n1) return 1;
    for (size_t at = 0; at + n1 <= n2; ++at) {
      if (same(a, b + at, n1)) return 0;
    }
    return 1;
  }
  if (options & coPartialKey) {
    if (n2 < n1) return 1;
    return n1 == 0 ? 0 : Sign(std::memcmp(a, b, n1));
  }
  size_t n = n1 < n2 ? n1 : n2;
  int r = n == 0 ? 0 : Sign(std::memcmp(a, b, n));
  return r != 0 ? r : Order(n1, n2);
}

int TData::CompareFieldValue(const void* valuePtr, TDataType valueType, TFieldDesc* field, TRecBuf recBuf,
                             TCompareOptions options) {
  TDataType dataType;
  Word fieldLength;
  bool hasParent, isFixed, isBlank, nativeBuffer;
  void* buf = GetMappedFieldBuf(recBuf, field, dataType, fieldLength, hasParent, isFixed, isBlank, nativeBuffer);
  std::unique_ptr<void, decltype(&std::free)> temporary(nativeBuffer ? nullptr : buf, &std::free);
  return InternalCompareFieldValue(valuePtr, valueType, buf, dataType, fieldLength, hasParent, isFixed, options);
}

int TData::CompareFields(TRecBuf recBuf1, TRecBuf recBuf2, TFieldDesc* field, TCompareOptions options) {
  bool null1 = GetNull(field, recBuf1);
  bool null2 = GetNull(field, recBuf2);
  if (null1 || null2) return CompareNullFlags(null1, null2, options);
  TDataType dataType;
  Word fieldLength;
  bool hasParent, isFixed, isBlank, nativeBuffer;
  void* buf = GetMappedFieldBuf(recBuf1, field, dataType, fieldLength, hasParent, isFixed, isBlank, nativeBuffer);
  std::unique_ptr<void, decltype(&std::free)> temporary(nativeBuffer ? nullptr : buf, &std::free);
  return CompareFieldValue(buf, dataType, field, recBuf2, options);
}

TCompareOptions TData::GetSortOptions(const TSortColumn& sortColumn) {
  switch (sortColumn.SortType) {
    case stCaseInsensitive: return coCaseInsensitive;
    case stBinary: return coOrdinalCompare;
    default: return 0;
  }
}
