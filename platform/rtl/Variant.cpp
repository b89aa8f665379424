#include "platform/rtl/Variant.h"

#include <cfloat>
#include <cmath>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

// ---------------------------------------------------------------------------
// Construction

Variant::Variant(bool value) : Variant(varBoolean, Int64(value ? 1 : 0)) {}
Variant::Variant(signed char value) : Variant(varShortInt, Int64(value)) {}
Variant::Variant(unsigned char value) : Variant(varByte, UInt64(value)) {}
Variant::Variant(short value) : Variant(varSmallint, Int64(value)) {}
Variant::Variant(unsigned short value) : Variant(varWord, UInt64(value)) {}
Variant::Variant(int value) : Variant(varInteger, Int64(value)) {}
Variant::Variant(unsigned int value) : Variant(varLongWord, UInt64(value)) {}
Variant::Variant(long value) : Variant(varInt64, Int64(value)) {}
Variant::Variant(unsigned long value) : Variant(varUInt64, UInt64(value)) {}
Variant::Variant(long long value) : Variant(varInt64, Int64(value)) {}
Variant::Variant(unsigned long long value) : Variant(varUInt64, UInt64(value)) {}
Variant::Variant(float value) : Variant(varSingle, double(value)) {}
Variant::Variant(double value) : Variant(varDouble, value) {}
Variant::Variant(Currency value) : Variant(varCurrency, value.Scaled()) {}
Variant::Variant(String value) : Variant(varUString, std::move(value)) {}
Variant::Variant(const char16_t* value) : Variant(varUString, String(value)) {}
Variant::Variant(AnsiString value) : Variant(varString, std::move(value)) {}
Variant::Variant(const char* value) : Variant(varString, AnsiString(value)) {}
Variant::Variant(const TBcd& value) : Variant(varFMTBcd, value) {}
Variant::Variant(const TSQLTimeStamp& value) : Variant(varSQLTimeStamp, value) {}
Variant::Variant(const TSQLTimeStampOffset& value) : Variant(varSQLTimeStampOffset, value) {}
Variant::Variant(std::vector<Byte> bytes) : Variant(varByteArray, std::move(bytes)) {}

Variant Variant::Null() { return Variant(varNull, std::monostate{}); }
Variant Variant::FromDateTime(TDateTime value) { return Variant(varDate, value); }
Variant Variant::FromOleStr(String value) { return Variant(varOleStr, std::move(value)); }

Variant Variant::FromBytes(const void* data, size_t size) {
  const Byte* p = static_cast<const Byte*>(data);
  return Variant(std::vector<Byte>(p, p + size));
}

Variant Variant::FromSharedObject(TSharedObject* obj) {
  if (obj == nullptr) return Null();
  obj->AddRef();
  return Variant(varSharedObject, TSharedRef<TSharedObject>(obj));
}

Variant Variant::FromDispatch(TSharedObject* obj) {
  if (obj == nullptr) return Null();
  obj->AddRef();
  return Variant(varDispatch, TSharedRef<TSharedObject>(obj));
}

namespace {
constexpr Int64 DispParamNotFound = Int64(0x80020004);
}  // namespace

Variant Variant::EmptyParam() { return Variant(varError, DispParamNotFound); }

bool Variant::IsEmptyParam() const {
  const Int64* code = std::get_if<Int64>(&FValue);
  return FType == varError && code != nullptr && *code == DispParamNotFound;
}

namespace {
struct TVariantArrayItems : TSharedObject {
  explicit TVariantArrayItems(std::vector<Variant> items) : Items(std::move(items)) {}
  std::vector<Variant> Items;
};
}  // namespace

Variant Variant::ArrayOf(std::vector<Variant> items) {
  // A new shared object starts with the one reference the variant adopts.
  return Variant(varArray | varVariant, TSharedRef<TSharedObject>(new TVariantArrayItems(std::move(items))));
}

const std::vector<Variant>* Variant::ArrayItems() const {
  if (FType != (varArray | varVariant)) return nullptr;
  return &static_cast<const TVariantArrayItems*>(std::get<TSharedRef<TSharedObject>>(FValue).get())->Items;
}

Variant VarFromDateTime(TDateTime value) { return Variant::FromDateTime(value); }
Variant VarFMTBcdCreate(const TBcd& value) { return Variant(value); }
Variant VarSQLTimeStampCreate(const TSQLTimeStamp& value) { return Variant(value); }
Variant VarSQLTimeStampOffsetCreate(const TSQLTimeStampOffset& value) { return Variant(value); }

// ---------------------------------------------------------------------------
// Type classes and messages

struct VariantAccess {
  static const Variant::Payload& Value(const Variant& v) { return v.FValue; }
};

namespace {

constexpr char16_t SVarTypeCouldNotConvert[] = u"Could not convert variant of type (%s) into type (%s)";
constexpr char16_t SVarTypeConvertOverflow[] = u"Overflow while converting variant of type (%s) into type (%s)";

// How a value behaves in conversions.
enum class Kind { Empty, Null, Signed, Unsigned, Boolean, Float, Date, Currency, Text, Bcd, Stamp, StampOffset,
                  Bytes, Object, Other };

Kind KindOf(Word type) {
  switch (type) {
    case varEmpty: return Kind::Empty;
    case varNull: return Kind::Null;
    case varSmallint: case varInteger: case varShortInt: case varInt64: return Kind::Signed;
    case varByte: case varWord: case varLongWord: case varUInt64: return Kind::Unsigned;
    case varBoolean: return Kind::Boolean;
    case varSingle: case varDouble: return Kind::Float;
    case varDate: return Kind::Date;
    case varCurrency: return Kind::Currency;
    case varOleStr: case varUString: case varString: return Kind::Text;
    case varFMTBcd: return Kind::Bcd;
    case varSQLTimeStamp: return Kind::Stamp;
    case varSQLTimeStampOffset: return Kind::StampOffset;
    case varByteArray: return Kind::Bytes;
    case varSharedObject: case varDispatch: return Kind::Object;
    default: return Kind::Other;
  }
}

[[noreturn]] void CastError(Word from, StringView to) {
  throw EVariantTypeCastError(Format(SVarTypeCouldNotConvert, {VarTypeAsText(from), String(to)}));
}

[[noreturn]] void OverflowError(Word from, StringView to) {
  throw EVariantOverflowError(Format(SVarTypeConvertOverflow, {VarTypeAsText(from), String(to)}));
}

Int64 SignedOf(const Variant& v) { return std::get<Int64>(VariantAccess::Value(v)); }
UInt64 UnsignedOf(const Variant& v) { return std::get<UInt64>(VariantAccess::Value(v)); }
double FloatOf(const Variant& v) { return std::get<double>(VariantAccess::Value(v)); }
Currency CurrencyOf(const Variant& v) { return Currency::FromScaled(std::get<Int64>(VariantAccess::Value(v))); }
bool BooleanOf(const Variant& v) { return std::get<Int64>(VariantAccess::Value(v)) != 0; }
const TBcd& BcdOf(const Variant& v) { return std::get<TBcd>(VariantAccess::Value(v)); }

String TextOf(const Variant& v) {
  const auto& value = VariantAccess::Value(v);
  if (const AnsiString* s = std::get_if<AnsiString>(&value)) return AnsiToString(*s);
  return std::get<String>(value);
}

TSQLTimeStamp StampOf(const Variant& v) {
  if (v.VarType() == varSQLTimeStampOffset) {
    return SQLTimeStampOffsetToSQLTimeStamp(std::get<TSQLTimeStampOffset>(VariantAccess::Value(v)));
  }
  return std::get<TSQLTimeStamp>(VariantAccess::Value(v));
}

// ---------------------------------------------------------------------------
// Texts: those of TextConvert, plus an integer reader that covers the whole
// unsigned 64-bit range and tells an overflow from a text that is no number.

enum class TextNumber { Ok, NotANumber, Overflow };

// Decimal, or hexadecimal after "$" or "0x"; magnitudes up to 2^64 - 1.
TextNumber ParseIntegerText(StringView text, __int128& result) {
  String s = Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  int base = 10;
  if (i < s.size() && s[i] == u'$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return TextNumber::NotANumber;
  __int128 magnitude = 0;
  bool overflow = false;
  for (; i < s.size(); ++i) {
    WideChar c = s[i];
    int digit;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    else return TextNumber::NotANumber;
    if (!overflow) magnitude = magnitude * base + digit;
    overflow = overflow || magnitude > (__int128)UINT64_MAX;
  }
  if (overflow) return TextNumber::Overflow;
  result = negative ? -magnitude : magnitude;
  return TextNumber::Ok;
}

bool ParseBooleanText(StringView text, bool& result) {
  String s = Trim(text);
  if (SameText(s, u"True")) result = true;
  else if (SameText(s, u"False")) result = false;
  else return false;
  return true;
}

// A number text as a double: float, hexadecimal or boolean text (-1 / 0).
double TextToDouble(const Variant& v, StringView target) {
  String s = TextOf(v);
  double d;
  if (TryStrToFloat(s, d)) return d;
  __int128 i;
  if (ParseIntegerText(s, i) == TextNumber::Ok) return static_cast<double>(i);
  bool b;
  if (ParseBooleanText(s, b)) return b ? -1 : 0;
  CastError(v.VarType(), target);
}

TDateTime TextToDateTime(const Variant& v) {
  TDateTime value;
  if (!TryStrToDateTime(TextOf(v), value)) CastError(v.VarType(), u"Date");
  return value;
}

// Nearest whole number, ties to even, as a 128-bit value; false for NaN and
// magnitudes of 2^100 and more.
bool RoundToWhole(double value, __int128& result) {
  if (!(std::fabs(value) < 1e30)) return false;
  result = static_cast<__int128>(std::nearbyint(value));
  return true;
}

__int128 CurrencyToWhole(Currency c) {
  Int64 s = c.Scaled();
  __int128 q = s / Currency::Scale, r = s % Currency::Scale;
  __int128 ar = r < 0 ? -r : r;
  if (ar > Currency::Scale / 2 || (ar == Currency::Scale / 2 && (q % 2 != 0))) q += s < 0 ? -1 : 1;
  return q;
}

// The value as a whole number in 128 bits, for the integer targets.
__int128 ToWhole(const Variant& v, StringView target) {
  switch (KindOf(v.VarType())) {
    case Kind::Empty: return 0;
    case Kind::Signed: return SignedOf(v);
    case Kind::Unsigned: return UnsignedOf(v);
    case Kind::Boolean: return BooleanOf(v) ? -1 : 0;
    case Kind::Float:
    case Kind::Date: {
      __int128 r;
      if (!RoundToWhole(FloatOf(v), r)) OverflowError(v.VarType(), target);
      return r;
    }
    case Kind::Currency: return CurrencyToWhole(CurrencyOf(v));
    case Kind::Text: {
      __int128 i;
      switch (ParseIntegerText(TextOf(v), i)) {
        case TextNumber::Ok: return i;
        case TextNumber::Overflow: OverflowError(v.VarType(), target);
        case TextNumber::NotANumber: break;
      }
      __int128 r;
      if (!RoundToWhole(TextToDouble(v, target), r)) OverflowError(v.VarType(), target);
      return r;
    }
    case Kind::Bcd: {
      Int64 i;
      if (!TryBcdToInt64(BcdOf(v), i)) OverflowError(v.VarType(), target);
      return i;
    }
    case Kind::Stamp:
    case Kind::StampOffset: return static_cast<__int128>(std::nearbyint(SQLTimeStampToDateTime(StampOf(v))));
    default: CastError(v.VarType(), target);
  }
}

__int128 ToWholeInRange(const Variant& v, StringView target, __int128 low, __int128 high) {
  __int128 r = ToWhole(v, target);
  if (r < low || r > high) OverflowError(v.VarType(), target);
  return r;
}

}  // namespace

// ---------------------------------------------------------------------------
// Conversions

Integer Variant::AsInteger() const {
  if (IsNull()) CastError(FType, u"Integer");
  return static_cast<Integer>(ToWholeInRange(*this, u"Integer", INT32_MIN, INT32_MAX));
}

Int64 Variant::AsInt64() const {
  if (IsNull()) CastError(FType, u"Int64");
  return static_cast<Int64>(ToWholeInRange(*this, u"Int64", INT64_MIN, INT64_MAX));
}

UInt64 Variant::AsUInt64() const {
  if (IsNull()) CastError(FType, u"UInt64");
  return static_cast<UInt64>(ToWholeInRange(*this, u"UInt64", 0, UINT64_MAX));
}

double Variant::AsDouble() const {
  switch (KindOf(FType)) {
    case Kind::Empty: return 0;
    case Kind::Signed: return static_cast<double>(SignedOf(*this));
    case Kind::Unsigned: return static_cast<double>(UnsignedOf(*this));
    case Kind::Boolean: return BooleanOf(*this) ? -1 : 0;
    case Kind::Float:
    case Kind::Date: return FloatOf(*this);
    case Kind::Currency: return CurrencyOf(*this).ToDouble();
    case Kind::Text: return TextToDouble(*this, u"Double");
    case Kind::Bcd: return BcdToDouble(BcdOf(*this));
    case Kind::Stamp:
    case Kind::StampOffset: return SQLTimeStampToDateTime(StampOf(*this));
    default: CastError(FType, u"Double");
  }
}

Currency Variant::AsCurrency() const {
  constexpr StringView target = u"Currency";
  try {
    switch (KindOf(FType)) {
      case Kind::Empty: return Currency();
      case Kind::Signed:
      case Kind::Unsigned:
      case Kind::Boolean: return Currency::FromInt64(AsInt64());
      case Kind::Float:
      case Kind::Date:
      case Kind::Stamp:
      case Kind::StampOffset: return Currency::FromDouble(AsDouble());
      case Kind::Currency: return CurrencyOf(*this);
      case Kind::Text: {
        // Exact decimal reading: "0.1" is 1000 scaled, not a float's neighbour.
        TBcd bcd;
        if (!TryStrToBcd(TextOf(*this), bcd, FormatSettings.DecimalSeparator)) {
          return Currency::FromDouble(TextToDouble(*this, target));
        }
        Currency c;
        if (!BCDToCurr(bcd, c)) OverflowError(FType, target);
        return c;
      }
      case Kind::Bcd: {
        Currency c;
        if (!BCDToCurr(BcdOf(*this), c)) OverflowError(FType, target);
        return c;
      }
      default: CastError(FType, target);
    }
  } catch (const EMathError&) {
    OverflowError(FType, target);
  } catch (const EBcdOverflowException&) {
    OverflowError(FType, target);
  } catch (const EVariantOverflowError&) {
    OverflowError(FType, target);
  }
}

bool Variant::AsBoolean() const {
  switch (KindOf(FType)) {
    case Kind::Empty: return false;
    case Kind::Signed: return SignedOf(*this) != 0;
    case Kind::Unsigned: return UnsignedOf(*this) != 0;
    case Kind::Boolean: return BooleanOf(*this);
    case Kind::Float:
    case Kind::Date: return FloatOf(*this) != 0;
    case Kind::Currency: return CurrencyOf(*this).Scaled() != 0;
    case Kind::Text: {
      bool b;
      if (ParseBooleanText(TextOf(*this), b)) return b;
      return TextToDouble(*this, u"Boolean") != 0;
    }
    case Kind::Bcd: return !IsBcdZero(BcdOf(*this));
    default: CastError(FType, u"Boolean");
  }
}

String Variant::AsString() const {
  switch (KindOf(FType)) {
    case Kind::Empty: return String();
    case Kind::Signed: return IntToStr(SignedOf(*this));
    case Kind::Unsigned: return UIntToStr(UnsignedOf(*this));
    case Kind::Boolean: return BooleanOf(*this) ? u"True" : u"False";
    case Kind::Float:
      return FType == varSingle ? FloatToStrF(FloatOf(*this), ffGeneral, 7, 0) : FloatToStr(FloatOf(*this));
    case Kind::Date: return DateTimeToStr(FloatOf(*this));
    case Kind::Currency: return CurrToStr(CurrencyOf(*this));
    case Kind::Text: return TextOf(*this);
    case Kind::Bcd: return BcdToStr(BcdOf(*this), FormatSettings.DecimalSeparator);
    case Kind::Stamp: return SQLTimeStampToStr(u"", std::get<TSQLTimeStamp>(FValue));
    case Kind::StampOffset: return SQLTimeStampOffsetToStr(u"", std::get<TSQLTimeStampOffset>(FValue));
    default: CastError(FType, u"UnicodeString");
  }
}

AnsiString Variant::AsAnsiString() const {
  if (const AnsiString* s = std::get_if<AnsiString>(&FValue)) return *s;
  if (IsNull()) CastError(FType, u"String");
  if (KindOf(FType) == Kind::Bytes || KindOf(FType) == Kind::Object || KindOf(FType) == Kind::Other) {
    CastError(FType, u"String");
  }
  return StringToAnsi(AsString());
}

TDateTime Variant::AsDateTime() const {
  switch (KindOf(FType)) {
    case Kind::Text: return TextToDateTime(*this);
    case Kind::Null:
    case Kind::Bytes:
    case Kind::Object:
    case Kind::Other: CastError(FType, u"Date");
    default: return AsDouble();
  }
}

TBcd Variant::AsBcd() const {
  constexpr StringView target = u"FMTBcdVariantType";
  try {
    switch (KindOf(FType)) {
      case Kind::Empty: return IntegerToBcd(0);
      case Kind::Signed:
      case Kind::Boolean: return IntegerToBcd(AsInt64());
      case Kind::Unsigned: return StrToBcd(UIntToStr(UnsignedOf(*this)));
      case Kind::Float:
      case Kind::Date: return DoubleToBcd(FloatOf(*this));
      case Kind::Currency: {
        TBcd bcd;
        CurrToBCD(CurrencyOf(*this), bcd);
        return bcd;
      }
      case Kind::Text: {
        TBcd bcd;
        if (TryStrToBcd(TextOf(*this), bcd, FormatSettings.DecimalSeparator)) return bcd;
        return DoubleToBcd(TextToDouble(*this, target));
      }
      case Kind::Bcd: return BcdOf(*this);
      case Kind::Stamp:
      case Kind::StampOffset: return DoubleToBcd(AsDouble());
      default: CastError(FType, target);
    }
  } catch (const EBcdOverflowException&) {
    OverflowError(FType, target);
  }
}

std::vector<Byte> Variant::AsBytes() const {
  if (const auto* bytes = std::get_if<std::vector<Byte>>(&FValue)) return *bytes;
  if (const AnsiString* s = std::get_if<AnsiString>(&FValue)) return std::vector<Byte>(s->begin(), s->end());
  if (IsEmpty()) return {};
  CastError(FType, u"Array Byte");
}

TSQLTimeStamp Variant::AsSQLTimeStamp() const {
  switch (KindOf(FType)) {
    case Kind::Empty: return TSQLTimeStamp();
    case Kind::Stamp:
    case Kind::StampOffset: return StampOf(*this);
    case Kind::Text: {
      TSQLTimeStamp ts;
      if (!TryStrToSQLTimeStamp(TextOf(*this), ts)) CastError(FType, u"SQLTimeStampVariantType");
      return ts;
    }
    case Kind::Null:
    case Kind::Bytes:
    case Kind::Object:
    case Kind::Other: CastError(FType, u"SQLTimeStampVariantType");
    default: return DateTimeToSQLTimeStamp(AsDouble());
  }
}

TSQLTimeStampOffset Variant::AsSQLTimeStampOffset() const {
  if (const auto* ts = std::get_if<TSQLTimeStampOffset>(&FValue)) return *ts;
  if (KindOf(FType) == Kind::Text) {
    try {
      return StrToSQLTimeStampOffset(TextOf(*this));
    } catch (const EConvertError&) {
      CastError(FType, u"SQLTimeStampOffsetVariantType");
    }
  }
  if (IsNull()) CastError(FType, u"SQLTimeStampOffsetVariantType");
  return SQLTimeStampToSQLTimeStampOffset(AsSQLTimeStamp());
}

TSharedObject* Variant::AsSharedObject() const {
  if (const auto* ref = std::get_if<TSharedRef<TSharedObject>>(&FValue)) return ref->get();
  if (IsNull() || IsEmpty()) return nullptr;
  CastError(FType, VarTypeAsText(varSharedObject));
}

// ---------------------------------------------------------------------------
// Free functions

bool VarIsClear(const Variant& v) { return v.IsEmpty(); }

bool VarIsNumeric(const Variant& v) {
  switch (KindOf(v.VarType())) {
    case Kind::Signed: case Kind::Unsigned: case Kind::Boolean: case Kind::Float: case Kind::Currency: return true;
    default: return false;
  }
}

bool VarIsStr(const Variant& v) { return KindOf(v.VarType()) == Kind::Text; }

bool VarIsByteArray(const Variant& v) { return v.VarType() == varByteArray; }

String VarTypeAsText(Word varType) {
  if (varType & varArray) return u"Array " + VarTypeAsText(varType & varTypeMask);
  switch (varType) {
    case varEmpty: return u"Empty";
    case varNull: return u"Null";
    case varSmallint: return u"Smallint";
    case varInteger: return u"Integer";
    case varSingle: return u"Single";
    case varDouble: return u"Double";
    case varCurrency: return u"Currency";
    case varDate: return u"Date";
    case varOleStr: return u"OleStr";
    case varDispatch: return u"Dispatch";
    case varError: return u"Error";
    case varBoolean: return u"Boolean";
    case varVariant: return u"Variant";
    case varUnknown: return u"Unknown";
    case varShortInt: return u"ShortInt";
    case varByte: return u"Byte";
    case varWord: return u"Word";
    case varLongWord: return u"LongWord";
    case varInt64: return u"Int64";
    case varUInt64: return u"UInt64";
    case varString: return u"String";
    case varUString: return u"UnicodeString";
    case varFMTBcd: return u"FMTBcdVariantType";
    case varSQLTimeStamp: return u"SQLTimeStampVariantType";
    case varSQLTimeStampOffset: return u"SQLTimeStampOffsetVariantType";
    case varSharedObject: return u"SharedObject";
    default: return Format(u"$%.4x", {Int64(varType)});
  }
}

String VarToStr(const Variant& v) { return v.IsNull() ? String() : v.AsString(); }

Variant VarAsType(const Variant& v, Word varType) {
  if (varType == v.VarType()) return v;
  if (varType == varEmpty) return Variant();
  if (varType == varNull) return Variant::Null();
  if (v.IsNull()) CastError(varNull, VarTypeAsText(varType));
  String target = VarTypeAsText(varType);
  auto whole = [&](__int128 low, __int128 high) { return ToWholeInRange(v, target, low, high); };
  switch (varType) {
    case varSmallint: return Variant(static_cast<short>(whole(INT16_MIN, INT16_MAX)));
    case varInteger: return Variant(v.AsInteger());
    case varShortInt: return Variant(static_cast<signed char>(whole(INT8_MIN, INT8_MAX)));
    case varByte: return Variant(static_cast<unsigned char>(whole(0, UINT8_MAX)));
    case varWord: return Variant(static_cast<unsigned short>(whole(0, UINT16_MAX)));
    case varLongWord: return Variant(static_cast<unsigned int>(whole(0, UINT32_MAX)));
    case varInt64: return Variant(static_cast<long long>(v.AsInt64()));
    case varUInt64: return Variant(static_cast<unsigned long long>(v.AsUInt64()));
    case varSingle: {
      double d = v.AsDouble();
      if (std::isfinite(d) && std::fabs(d) > FLT_MAX) OverflowError(v.VarType(), target);
      return Variant(static_cast<float>(d));
    }
    case varDouble: return Variant(v.AsDouble());
    case varCurrency: return Variant(v.AsCurrency());
    case varDate: return Variant::FromDateTime(v.AsDateTime());
    case varBoolean: return Variant(v.AsBoolean());
    case varOleStr: return Variant::FromOleStr(v.AsString());
    case varUString: return Variant(v.AsString());
    case varString: return Variant(v.AsAnsiString());
    case varFMTBcd: return Variant(v.AsBcd());
    case varSQLTimeStamp: return Variant(v.AsSQLTimeStamp());
    case varSQLTimeStampOffset: return Variant(v.AsSQLTimeStampOffset());
    case varByteArray: return Variant(v.AsBytes());
    default: CastError(v.VarType(), target);
  }
}

namespace {

template <class T>
TVariantRelationship Relation(const T& a, const T& b) {
  return a < b ? vrLessThan : (b < a ? vrGreaterThan : vrEqual);
}

TVariantRelationship FromSign(int c) { return c < 0 ? vrLessThan : (c > 0 ? vrGreaterThan : vrEqual); }

bool IsWhole(Kind k) { return k == Kind::Signed || k == Kind::Unsigned || k == Kind::Boolean; }

__int128 WholeOf(const Variant& v) {
  switch (KindOf(v.VarType())) {
    case Kind::Signed: return SignedOf(v);
    case Kind::Unsigned: return UnsignedOf(v);
    default: return BooleanOf(v) ? -1 : 0;
  }
}

// Scaled by 10,000: exact for integers and currencies.
__int128 ScaledOf(const Variant& v) {
  return KindOf(v.VarType()) == Kind::Currency ? __int128(CurrencyOf(v).Scaled()) : WholeOf(v) * Currency::Scale;
}

TVariantRelationship CompareValues(const Variant& a, const Variant& b) {
  Kind ka = KindOf(a.VarType()), kb = KindOf(b.VarType());
  if (ka == Kind::Bytes || kb == Kind::Bytes) {
    if (ka != kb) return vrNotEqual;
    const auto& x = *a.ByteArray();
    const auto& y = *b.ByteArray();
    return Relation(x, y);  // bytes first, then the shorter array
  }
  if (ka == Kind::Object || kb == Kind::Object) {
    return ka == kb && a.AsSharedObject() == b.AsSharedObject() ? vrEqual : vrNotEqual;
  }
  if (ka == Kind::Other || kb == Kind::Other) return vrNotEqual;
  if (ka == Kind::Text && kb == Kind::Text) return FromSign(AnsiCompareStr(TextOf(a), TextOf(b)));
  if (ka == Kind::Boolean && kb == Kind::Boolean) return Relation(BooleanOf(a), BooleanOf(b));
  if (ka == Kind::Stamp && kb == Kind::Stamp) {
    return FromSign(CompareSQLTimeStamp(std::get<TSQLTimeStamp>(VariantAccess::Value(a)),
                                        std::get<TSQLTimeStamp>(VariantAccess::Value(b))));
  }
  if (ka == Kind::StampOffset && kb == Kind::StampOffset) {
    return FromSign(CompareSQLTimeStampOffset(std::get<TSQLTimeStampOffset>(VariantAccess::Value(a)),
                                              std::get<TSQLTimeStampOffset>(VariantAccess::Value(b))));
  }
  if (IsWhole(ka) && IsWhole(kb)) return Relation(WholeOf(a), WholeOf(b));
  if ((IsWhole(ka) || ka == Kind::Currency) && (IsWhole(kb) || kb == Kind::Currency)) {
    return Relation(ScaledOf(a), ScaledOf(b));
  }
  bool dateA = ka == Kind::Date || ka == Kind::Stamp || ka == Kind::StampOffset;
  bool dateB = kb == Kind::Date || kb == Kind::Stamp || kb == Kind::StampOffset;
  if ((dateA && kb == Kind::Text) || (dateB && ka == Kind::Text)) return Relation(a.AsDateTime(), b.AsDateTime());
  // Everything else by number: a text is read as one (or raises).
  double da = a.AsDouble(), db = b.AsDouble();
  if (std::isnan(da) || std::isnan(db)) return vrNotEqual;
  if (ka == Kind::Bcd || kb == Kind::Bcd) return FromSign(BcdCompare(a.AsBcd(), b.AsBcd()));
  return Relation(da, db);
}

}  // namespace

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  if (a.IsEmpty() && b.IsEmpty()) return vrEqual;
  if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull() ? vrEqual : vrNotEqual;
  // Empty stands for the other side's zero or empty text.
  if (a.IsEmpty() || b.IsEmpty()) {
    const Variant& other = a.IsEmpty() ? b : a;
    Kind k = KindOf(other.VarType());
    Variant zero;
    if (k == Kind::Text) zero = Variant(String());
    else if (k == Kind::Bytes) zero = Variant(std::vector<Byte>());
    else if (k == Kind::Object || k == Kind::Other) return vrNotEqual;
    else zero = Variant(0);
    return a.IsEmpty() ? CompareValues(zero, b) : CompareValues(a, zero);
  }
  return CompareValues(a, b);
}

bool VarSameValue(const Variant& a, const Variant& b) {
  if (a.IsEmpty()) return b.IsEmpty();
  if (a.IsNull()) return b.IsNull();
  if (b.IsEmpty() || b.IsNull()) return false;
  return VarCompareValue(a, b) == vrEqual;
}
