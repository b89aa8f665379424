// Variant: a tagged value with the platform's type codes, copied by value.
// A shared object in a variant is held by one reference: copying the
// variant adds one, destroying it releases one.
#pragma once

#include <variant>
#include <vector>

#include "platform/rtl/Bcd.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/SharedObject.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "platform/rtl/Types.h"

inline constexpr Word varEmpty = 0x0000;
inline constexpr Word varNull = 0x0001;
inline constexpr Word varSmallint = 0x0002;
inline constexpr Word varInteger = 0x0003;
inline constexpr Word varSingle = 0x0004;
inline constexpr Word varDouble = 0x0005;
inline constexpr Word varCurrency = 0x0006;
inline constexpr Word varDate = 0x0007;
inline constexpr Word varOleStr = 0x0008;
inline constexpr Word varDispatch = 0x0009;
inline constexpr Word varError = 0x000A;
inline constexpr Word varBoolean = 0x000B;
inline constexpr Word varVariant = 0x000C;
inline constexpr Word varUnknown = 0x000D;
inline constexpr Word varShortInt = 0x0010;
inline constexpr Word varByte = 0x0011;
inline constexpr Word varWord = 0x0012;
inline constexpr Word varLongWord = 0x0013;
inline constexpr Word varInt64 = 0x0014;
inline constexpr Word varUInt64 = 0x0015;
inline constexpr Word varString = 0x0100;   // 8-bit text (AnsiString)
inline constexpr Word varUString = 0x0102;  // UTF-16 text (String)
inline constexpr Word varTypeMask = 0x0FFF;
inline constexpr Word varArray = 0x2000;
inline constexpr Word varByteArray = varArray | varByte;
// Custom types, numbered from the platform's first user type code upward
// in the order the platform registers them.
inline constexpr Word varFMTBcd = 0x0110;              // payload TBcd
inline constexpr Word varSQLTimeStamp = 0x0111;        // payload TSQLTimeStamp
inline constexpr Word varSQLTimeStampOffset = 0x0112;  // payload TSQLTimeStampOffset
// varSharedObject (SharedObject.h): payload a TSharedObject reference.

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

class Variant {
 public:
  Variant() = default;  // Empty (Unassigned)
  Variant(bool value);
  Variant(signed char value);         // varShortInt
  Variant(unsigned char value);       // varByte
  Variant(short value);               // varSmallint
  Variant(unsigned short value);      // varWord
  Variant(int value);                 // varInteger
  Variant(unsigned int value);        // varLongWord
  Variant(long value);                // varInt64
  Variant(unsigned long value);       // varUInt64
  Variant(long long value);           // varInt64
  Variant(unsigned long long value);  // varUInt64
  Variant(float value);               // varSingle
  Variant(double value);              // varDouble; dates: FromDateTime
  Variant(Currency value);
  Variant(String value);              // varUString
  Variant(const char16_t* value);     // varUString
  Variant(AnsiString value);          // varString
  Variant(const char* value);         // varString
  Variant(const TBcd& value);
  Variant(const TSQLTimeStamp& value);
  Variant(const TSQLTimeStampOffset& value);
  Variant(std::vector<Byte> bytes);   // varArray | varByte, bounds 0..size-1
  // Pointers would silently become booleans; shared objects go through
  // FromSharedObject.
  Variant(const void*) = delete;

  static Variant Null();
  static Variant Unassigned() { return Variant(); }
  static Variant FromDateTime(TDateTime value);
  static Variant FromOleStr(String value);
  static Variant FromBytes(const void* data, size_t size);
  // Adds a reference to the object; nullptr gives Null.
  static Variant FromSharedObject(TSharedObject* obj);
  // An automation object (varDispatch, platform/win/Automation.h), held by
  // one new reference; nullptr gives Null. AsSharedObject gives it back.
  static Variant FromDispatch(TSharedObject* obj);
  // An optional argument left out of an automation call: varError holding
  // the platform's "parameter not found" code.
  static Variant EmptyParam();
  bool IsEmptyParam() const;
  // An array of variants (varArray | varVariant, bounds 0..size-1), as
  // multi-field Locate and Lookup take their key values. Copies share the
  // items, which do not change after creation.
  static Variant ArrayOf(std::vector<Variant> items);

  Word VarType() const { return FType; }
  bool IsNull() const { return FType == varNull; }
  bool IsEmpty() const { return FType == varEmpty; }
  void Clear() { *this = Variant(); }

  // Conversions. Empty gives 0, false, "" or an empty array; Null raises
  // EVariantTypeCastError "Could not convert variant of type (Null) into
  // type (Integer)"; a value outside the target's range raises
  // EVariantOverflowError "Overflow while converting variant of type
  // (Double) into type (Integer)". Floats round to whole numbers to nearest,
  // ties to even. Texts are read with FormatSettings.DecimalSeparator;
  // booleans are -1 (true) and 0 as numbers, "True" and "False" as text.
  Integer AsInteger() const;
  Int64 AsInt64() const;
  UInt64 AsUInt64() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  bool AsBoolean() const;
  String AsString() const;
  AnsiString AsAnsiString() const;  // the system ANSI code page
  TDateTime AsDateTime() const;
  TBcd AsBcd() const;
  // A byte array, or the bytes of 8-bit text.
  std::vector<Byte> AsBytes() const;
  TSQLTimeStamp AsSQLTimeStamp() const;
  TSQLTimeStampOffset AsSQLTimeStampOffset() const;
  // The object without a new reference; nullptr for Null and Empty.
  TSharedObject* AsSharedObject() const;
  // The bytes of a byte array without a copy; nullptr for any other type.
  const std::vector<Byte>* ByteArray() const { return std::get_if<std::vector<Byte>>(&FValue); }
  // The items of an ArrayOf value; nullptr for any other type.
  const std::vector<Variant>* ArrayItems() const;
  // The UTF-16 text of a varUString or varOleStr value without a copy;
  // nullptr for any other type.
  const String* StringValue() const { return std::get_if<String>(&FValue); }

 private:
  using Payload = std::variant<std::monostate, Int64, UInt64, double, String, AnsiString, std::vector<Byte>, TBcd,
                               TSQLTimeStamp, TSQLTimeStampOffset, TSharedRef<TSharedObject>>;
  template <class T>
  Variant(Word type, T value) : FType(type), FValue(std::move(value)) {}

  friend struct VariantAccess;
  Word FType = varEmpty;
  Payload FValue;
};

inline Word VarType(const Variant& v) { return v.VarType(); }
inline bool VarIsNull(const Variant& v) { return v.IsNull(); }
inline bool VarIsEmpty(const Variant& v) { return v.IsEmpty(); }
// Empty, or a reference type without a value.
bool VarIsClear(const Variant& v);
// Integer, float, currency and boolean types (not dates, texts or BCD).
bool VarIsNumeric(const Variant& v);
bool VarIsStr(const Variant& v);
bool VarIsByteArray(const Variant& v);
// "Integer", "UnicodeString", "Array Byte", "FMTBcdVariantType", ...
String VarTypeAsText(Word varType);

Variant VarFromDateTime(TDateTime value);
Variant VarFMTBcdCreate(const TBcd& value);
Variant VarSQLTimeStampCreate(const TSQLTimeStamp& value);
Variant VarSQLTimeStampOffsetCreate(const TSQLTimeStampOffset& value);

// Null gives the empty string; anything else AsString.
String VarToStr(const Variant& v);
// The value converted to another type code (range-checked for the narrow
// integer types and Single). Null converts only to Null and Empty.
Variant VarAsType(const Variant& v, Word varType);

// Empty equals Empty and Null equals Null; Null against anything else is
// vrNotEqual, and Empty against a value compares as that type's zero or
// empty text. Texts compare by the user's locale; numbers by value (exactly
// between integers, currencies and BCD); a text against a number is read as
// a number (EVariantTypeCastError when it is none); byte arrays by bytes,
// then by length; shared objects are equal only when they are the same.
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
// Empty and Null are the same only as themselves; otherwise VarCompareValue
// decides.
bool VarSameValue(const Variant& a, const Variant& b);
