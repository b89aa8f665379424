// Number fields: whole numbers, floating point, currencies and decimals.
#include <cfloat>
#include <cmath>
#include <cstring>

#include "platform/db/DBConsts.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

// 2^63: the first double beyond the 64-bit range.
constexpr double kInt64Limit = 9223372036854775808.0;

Integer DigitsOf(Int64 value) { return static_cast<Integer>(IntToStr(value).size()); }

}  // namespace

// ---------------------------------------------------------------------------
// TNumericField

TNumericField::TNumericField(TComponent* owner) : TField(owner) { FAlignment = taRightJustify; }

void TNumericField::SetDisplayFormat(const String& value) { ChangeProperty(FDisplayFormat, value, false); }

void TNumericField::SetEditFormat(const String& value) { ChangeProperty(FEditFormat, value, false); }

const String& TNumericField::FormatFor(bool displayText) const {
  return displayText || FEditFormat.empty() ? FDisplayFormat : FEditFormat;
}

void TNumericField::SetWholeText(const String& text) {
  if (text.empty()) {
    Clear();
    return;
  }
  Int64 value;
  if (!TryStrToInt64(text, value)) DatabaseErrorFmt(DBMessages::SInvalidIntegerValue, {text, DisplayName()});
  SetAsLargeIntValue(value);
}

String TNumericField::WholeText(Int64 value, bool displayText) const {
  const String& format = FormatFor(displayText);
  return format.empty() ? IntToStr(value) : FormatFloat(format, static_cast<double>(value));
}

Int64 TNumericField::RoundForWrite(double value, double min, double max) const {
  double rounded = std::nearbyint(value);
  if (std::isnan(rounded)) DatabaseErrorFmt(DBMessages::SFieldValueError, {DisplayName()});
  if (rounded < -kInt64Limit || rounded >= kInt64Limit) RangeError(value, min, max);
  return static_cast<Int64>(rounded);
}

Int64 TNumericField::RoundForRead(double value) const {
  double rounded = std::nearbyint(value);
  if (!(rounded >= -kInt64Limit && rounded < kInt64Limit)) {
    DatabaseErrorFmt(DBMessages::SFieldOutOfRange, {DisplayName()});
  }
  return static_cast<Int64>(rounded);
}

Integer TNumericField::NarrowForRead(Int64 value) const {
  if (value < INT32_MIN || value > INT32_MAX) DatabaseErrorFmt(DBMessages::SFieldOutOfRange, {DisplayName()});
  return static_cast<Integer>(value);
}

// ---------------------------------------------------------------------------
// TIntegerField and the narrower whole numbers

TIntegerField::TIntegerField(TComponent* owner) : TIntegerField(owner, ftInteger, INT32_MIN, INT32_MAX) {}

TIntegerField::TIntegerField(TComponent* owner, TFieldType type, Integer minRange, Integer maxRange)
    : TNumericField(owner), FMinRange(minRange), FMaxRange(maxRange) {
  FDataType = type;
}

TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner, ftSmallint, INT16_MIN, INT16_MAX) {}
TShortintField::TShortintField(TComponent* owner) : TIntegerField(owner, ftShortint, INT8_MIN, INT8_MAX) {}
TByteField::TByteField(TComponent* owner) : TIntegerField(owner, ftByte, 0, UINT8_MAX) {}
TWordField::TWordField(TComponent* owner) : TIntegerField(owner, ftWord, 0, UINT16_MAX) {}
TAutoIncField::TAutoIncField(TComponent* owner) : TIntegerField(owner, ftAutoInc, INT32_MIN, INT32_MAX) {}

Integer TIntegerField::GetDataSize() const {
  switch (FDataType) {
    case ftSmallint: case ftWord: case ftShortint: case ftByte: return 2;
    default: return 4;
  }
}

bool TIntegerField::GetValue(Integer& value) const {
  Byte native[4] = {};
  if (!GetData(native)) return false;
  switch (FDataType) {
    case ftSmallint: { SmallInt v; std::memcpy(&v, native, 2); value = v; break; }
    case ftWord: { Word v; std::memcpy(&v, native, 2); value = v; break; }
    // One byte in a 16-bit slot: only the low byte counts.
    case ftShortint: value = static_cast<ShortInt>(native[0]); break;
    case ftByte: value = native[0]; break;
    default: std::memcpy(&value, native, 4); break;
  }
  return true;
}

void TIntegerField::CheckRange(Int64 value) const {
  if (FMinValue != 0 || FMaxValue != 0) {
    if (value < FMinValue || value > FMaxValue) RangeError(value, FMinValue, FMaxValue);
  } else if (value < FMinRange || value > FMaxRange) {
    RangeError(value, FMinRange, FMaxRange);
  }
}

void TIntegerField::SetAsLargeIntValue(Int64 value) {
  CheckRange(value);
  Byte native[4] = {};
  switch (FDataType) {
    case ftSmallint: case ftWord: { Word v = static_cast<Word>(value); std::memcpy(native, &v, 2); break; }
    case ftShortint: case ftByte: native[0] = static_cast<Byte>(value); break;
    default: { Integer v = static_cast<Integer>(value); std::memcpy(native, &v, 4); break; }
  }
  SetData(native);
}

void TIntegerField::SetAsIntegerValue(Integer value) { SetAsLargeIntValue(value); }

void TIntegerField::SetAsFloatValue(double value) {
  bool limited = FMinValue != 0 || FMaxValue != 0;
  SetAsLargeIntValue(RoundForWrite(value, limited ? FMinValue : FMinRange, limited ? FMaxValue : FMaxRange));
}

void TIntegerField::SetAsStringValue(const String& value) { SetWholeText(value); }

void TIntegerField::SetVarValue(const Variant& value) { SetAsLargeIntValue(value.AsInt64()); }

Integer TIntegerField::GetAsInteger() const {
  Integer value = 0;
  GetValue(value);
  return value;
}

Int64 TIntegerField::GetAsLargeInt() const { return GetAsInteger(); }

double TIntegerField::GetAsFloat() const { return GetAsInteger(); }

String TIntegerField::GetAsString() const {
  Integer value;
  return GetValue(value) ? IntToStr(value) : String();
}

Variant TIntegerField::GetAsVariant() const {
  Integer value;
  return GetValue(value) ? Variant(value) : Variant::Null();
}

String TIntegerField::GetText(bool displayText) const {
  Integer value;
  return GetValue(value) ? WholeText(value, displayText) : String();
}

Integer TIntegerField::GetDefaultWidth() const { return std::max(DigitsOf(FMinRange), DigitsOf(FMaxRange)); }

// ---------------------------------------------------------------------------
// TLongWordField

TLongWordField::TLongWordField(TComponent* owner) : TNumericField(owner) { FDataType = ftLongWord; }

bool TLongWordField::GetValue(LongWord& value) const { return GetData(&value); }

void TLongWordField::SetAsLargeIntValue(Int64 value) {
  bool limited = FMinValue != 0 || FMaxValue != 0;
  Int64 min = limited ? FMinValue : 0;
  Int64 max = limited ? FMaxValue : UINT32_MAX;
  if (value < min || value > max) RangeError(value, min, max);
  LongWord native = static_cast<LongWord>(value);
  SetData(&native);
}

void TLongWordField::SetAsIntegerValue(Integer value) { SetAsLargeIntValue(value); }

void TLongWordField::SetAsFloatValue(double value) {
  bool limited = FMinValue != 0 || FMaxValue != 0;
  SetAsLargeIntValue(RoundForWrite(value, limited ? FMinValue : 0, limited ? FMaxValue : UINT32_MAX));
}

void TLongWordField::SetAsStringValue(const String& value) { SetWholeText(value); }

void TLongWordField::SetVarValue(const Variant& value) { SetAsLargeIntValue(value.AsInt64()); }

Int64 TLongWordField::GetAsLargeInt() const {
  LongWord value = 0;
  GetValue(value);
  return value;
}

Integer TLongWordField::GetAsInteger() const { return NarrowForRead(GetAsLargeInt()); }

double TLongWordField::GetAsFloat() const { return static_cast<double>(GetAsLargeInt()); }

String TLongWordField::GetAsString() const {
  LongWord value;
  return GetValue(value) ? UIntToStr(value) : String();
}

Variant TLongWordField::GetAsVariant() const {
  LongWord value;
  return GetValue(value) ? Variant(static_cast<unsigned int>(value)) : Variant::Null();
}

String TLongWordField::GetText(bool displayText) const {
  LongWord value;
  return GetValue(value) ? WholeText(value, displayText) : String();
}

// ---------------------------------------------------------------------------
// TLargeintField

TLargeintField::TLargeintField(TComponent* owner) : TNumericField(owner) { FDataType = ftLargeint; }

bool TLargeintField::GetValue(Int64& value) const { return GetData(&value); }

void TLargeintField::SetAsLargeIntValue(Int64 value) {
  if ((FMinValue != 0 || FMaxValue != 0) && (value < FMinValue || value > FMaxValue)) {
    RangeError(value, FMinValue, FMaxValue);
  }
  SetData(&value);
}

void TLargeintField::SetAsIntegerValue(Integer value) { SetAsLargeIntValue(value); }

void TLargeintField::SetAsFloatValue(double value) {
  bool limited = FMinValue != 0 || FMaxValue != 0;
  SetAsLargeIntValue(RoundForWrite(value, limited ? static_cast<double>(FMinValue) : -kInt64Limit,
                                   limited ? static_cast<double>(FMaxValue) : kInt64Limit));
}

void TLargeintField::SetAsStringValue(const String& value) { SetWholeText(value); }

void TLargeintField::SetVarValue(const Variant& value) { SetAsLargeIntValue(value.AsInt64()); }

Int64 TLargeintField::GetAsLargeInt() const {
  Int64 value = 0;
  GetValue(value);
  return value;
}

Integer TLargeintField::GetAsInteger() const { return NarrowForRead(GetAsLargeInt()); }

double TLargeintField::GetAsFloat() const { return static_cast<double>(GetAsLargeInt()); }

String TLargeintField::GetAsString() const {
  Int64 value;
  return GetValue(value) ? IntToStr(value) : String();
}

Variant TLargeintField::GetAsVariant() const {
  Int64 value;
  return GetValue(value) ? Variant(value) : Variant::Null();
}

String TLargeintField::GetText(bool displayText) const {
  Int64 value;
  return GetValue(value) ? WholeText(value, displayText) : String();
}

// ---------------------------------------------------------------------------
// TRealField and the floating-point fields

TRealField::TRealField(TComponent* owner, TFieldType type, Integer precision, Integer maxPrecision)
    : TNumericField(owner), FPrecision(precision), FMaxPrecision(maxPrecision) {
  FDataType = type;
}

TFloatField::TFloatField(TComponent* owner) : TFloatField(owner, ftFloat) {}
TFloatField::TFloatField(TComponent* owner, TFieldType type) : TRealField(owner, type, 15, 15) {}
TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner, ftCurrency) { FCurrency = true; }
TSingleField::TSingleField(TComponent* owner) : TRealField(owner, ftSingle, 7, 7) {}
// Values are doubles: digits beyond 18 would only show binary noise.
TExtendedField::TExtendedField(TComponent* owner) : TRealField(owner, ftExtended, 15, 18) {}

Integer TRealField::GetDataSize() const { return FDataType == ftSingle ? 4 : 8; }

void TRealField::SetCurrency(bool value) { ChangeProperty(FCurrency, value, false); }

void TRealField::SetPrecision(Integer value) { ChangeProperty(FPrecision, std::clamp(value, 2, FMaxPrecision), false); }

bool TRealField::GetValue(double& value) const {
  if (FDataType != ftSingle) return GetData(&value);
  float single;
  if (!GetData(&single)) return false;
  value = single;
  return true;
}

void TRealField::SetAsFloatValue(double value) {
  if ((FMinValue != 0 || FMaxValue != 0) && (value < FMinValue || value > FMaxValue)) {
    RangeError(value, FMinValue, FMaxValue);
  }
  if (FDataType != ftSingle) {
    SetData(&value);
    return;
  }
  // A single cannot hold larger magnitudes; they would become infinities.
  if (std::isfinite(value) && std::fabs(value) > FLT_MAX) RangeError(value, -FLT_MAX, FLT_MAX);
  float single = static_cast<float>(value);
  SetData(&single);
}

void TRealField::SetAsIntegerValue(Integer value) { SetAsFloatValue(value); }

void TRealField::SetAsLargeIntValue(Int64 value) { SetAsFloatValue(static_cast<double>(value)); }

void TRealField::SetAsStringValue(const String& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  double number;
  if (!TryStrToFloat(value, number)) DatabaseErrorFmt(DBMessages::SInvalidFloatValue, {value, DisplayName()});
  SetAsFloatValue(number);
}

void TRealField::SetVarValue(const Variant& value) { SetAsFloatValue(value.AsDouble()); }

double TRealField::GetAsFloat() const {
  double value = 0;
  GetValue(value);
  return value;
}

Integer TRealField::GetAsInteger() const { return NarrowForRead(RoundForRead(GetAsFloat())); }

Int64 TRealField::GetAsLargeInt() const { return RoundForRead(GetAsFloat()); }

String TRealField::GetAsString() const {
  double value;
  if (!GetValue(value)) return String();
  return FDataType == ftSingle ? FloatToStrF(value, ffGeneral, 7, 0) : FloatToStr(value);
}

Variant TRealField::GetAsVariant() const {
  double value;
  if (!GetValue(value)) return Variant::Null();
  return FDataType == ftSingle ? Variant(static_cast<float>(value)) : Variant(value);
}

String TRealField::GetText(bool displayText) const {
  double value;
  if (!GetValue(value)) return String();
  const String& format = FormatFor(displayText);
  if (!format.empty()) return FormatFloat(format, value);
  if (FCurrency) {
    return FloatToStrF(value, displayText ? ffCurrency : ffFixed, FPrecision, FormatSettings.CurrencyDecimals);
  }
  return FloatToStrF(value, ffGeneral, FPrecision, 0);
}

// ---------------------------------------------------------------------------
// TBCDField

TBCDField::TBCDField(TComponent* owner) : TNumericField(owner) {
  FDataType = ftBCD;
  FSize = 4;
}

void TBCDField::CheckTypeSize(Integer value) const {
  // The value is a currency: no more than its four decimals.
  if (value < 0 || value > 4) DatabaseErrorFmt(DBMessages::SInvalidFieldSize, {});
}

void TBCDField::SetCurrency(bool value) { ChangeProperty(FCurrency, value, false); }

bool TBCDField::GetValue(::Currency& value) const { return GetData(&value, false); }

void TBCDField::SetAsCurrencyValue(::Currency value) {
  if ((FMinValue != ::Currency() || FMaxValue != ::Currency()) && (value < FMinValue || value > FMaxValue)) {
    RangeError(value.ToDouble(), FMinValue.ToDouble(), FMaxValue.ToDouble());
  }
  SetData(&value, false);
}

void TBCDField::SetAsIntegerValue(Integer value) { SetAsCurrencyValue(::Currency::FromInt64(value)); }
void TBCDField::SetAsLargeIntValue(Int64 value) { SetAsCurrencyValue(::Currency::FromInt64(value)); }
void TBCDField::SetAsFloatValue(double value) { SetAsCurrencyValue(::Currency::FromDouble(value)); }

void TBCDField::SetAsBCDValue(const TBcd& value) {
  ::Currency currency;
  if (!BCDToCurr(value, currency)) DatabaseErrorFmt(DBMessages::SFieldOutOfRange, {DisplayName()});
  SetAsCurrencyValue(currency);
}

void TBCDField::SetAsStringValue(const String& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  ::Currency currency;
  if (!TryStrToCurr(value, currency)) DatabaseErrorFmt(DBMessages::SInvalidFloatValue, {value, DisplayName()});
  SetAsCurrencyValue(currency);
}

void TBCDField::SetVarValue(const Variant& value) { SetAsCurrencyValue(value.AsCurrency()); }

::Currency TBCDField::GetAsCurrency() const {
  ::Currency value;
  GetValue(value);
  return value;
}

Integer TBCDField::GetAsInteger() const { return NarrowForRead(GetAsCurrency().ToInt64()); }
Int64 TBCDField::GetAsLargeInt() const { return GetAsCurrency().ToInt64(); }
double TBCDField::GetAsFloat() const { return GetAsCurrency().ToDouble(); }

TBcd TBCDField::GetAsBCD() const {
  TBcd result;
  ::Currency value;
  if (GetValue(value)) CurrToBCD(value, result, 32, FSize);
  return result;
}

String TBCDField::GetAsString() const {
  ::Currency value;
  return GetValue(value) ? CurrToStr(value) : String();
}

Variant TBCDField::GetAsVariant() const {
  ::Currency value;
  return GetValue(value) ? Variant(value) : Variant::Null();
}

String TBCDField::GetText(bool displayText) const {
  ::Currency value;
  if (!GetValue(value)) return String();
  const String& format = FormatFor(displayText);
  if (!format.empty()) return FormatCurr(format, value);
  if (FCurrency) return CurrToStrF(value, displayText ? ffCurrency : ffFixed, FormatSettings.CurrencyDecimals);
  return CurrToStrF(value, ffGeneral, 0);
}

Integer TBCDField::GetDefaultWidth() const { return FPrecision > 0 ? FPrecision + 2 : 10; }

// ---------------------------------------------------------------------------
// TFMTBCDField

TFMTBCDField::TFMTBCDField(TComponent* owner) : TNumericField(owner) {
  FDataType = ftFMTBcd;
  FSize = 8;
}

void TFMTBCDField::CheckTypeSize(Integer value) const {
  if (value < 0 || value > MaxFMTBcdScale) DatabaseErrorFmt(DBMessages::SInvalidFieldSize, {});
}

void TFMTBCDField::SetCurrency(bool value) { ChangeProperty(FCurrency, value, false); }

bool TFMTBCDField::GetValue(TBcd& value) const { return GetData(&value); }

void TFMTBCDField::SetAsBCDValue(const TBcd& value) {
  if (FPrecision <= 0) {
    SetData(&value);
    return;
  }
  TBcd normal = NormalizeBcd(value, FPrecision, FSize);
  SetData(&normal);
}

void TFMTBCDField::SetAsIntegerValue(Integer value) { SetAsBCDValue(IntegerToBcd(value)); }
void TFMTBCDField::SetAsLargeIntValue(Int64 value) { SetAsBCDValue(IntegerToBcd(value)); }
void TFMTBCDField::SetAsFloatValue(double value) { SetAsBCDValue(DoubleToBcd(value)); }

void TFMTBCDField::SetAsCurrencyValue(::Currency value) {
  TBcd bcd;
  CurrToBCD(value, bcd);
  SetAsBCDValue(bcd);
}

void TFMTBCDField::SetAsStringValue(const String& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  TBcd bcd;
  if (!TryStrToBcd(value, bcd, FormatSettings.DecimalSeparator)) {
    DatabaseErrorFmt(DBMessages::SInvalidFloatValue, {value, DisplayName()});
  }
  SetAsBCDValue(bcd);
}

void TFMTBCDField::SetVarValue(const Variant& value) { SetAsBCDValue(value.AsBcd()); }

TBcd TFMTBCDField::GetAsBCD() const {
  TBcd value;
  GetValue(value);
  return value;
}

Int64 TFMTBCDField::GetAsLargeInt() const {
  Int64 value;
  if (!TryBcdToInt64(GetAsBCD(), value)) DatabaseErrorFmt(DBMessages::SFieldOutOfRange, {DisplayName()});
  return value;
}

Integer TFMTBCDField::GetAsInteger() const { return NarrowForRead(GetAsLargeInt()); }

double TFMTBCDField::GetAsFloat() const { return BcdToDouble(GetAsBCD()); }

::Currency TFMTBCDField::GetAsCurrency() const {
  ::Currency value;
  if (!BCDToCurr(GetAsBCD(), value)) DatabaseErrorFmt(DBMessages::SFieldOutOfRange, {DisplayName()});
  return value;
}

String TFMTBCDField::GetAsString() const {
  TBcd value;
  return GetValue(value) ? BcdToStr(value, FormatSettings.DecimalSeparator) : String();
}

Variant TFMTBCDField::GetAsVariant() const {
  TBcd value;
  return GetValue(value) ? VarFMTBcdCreate(value) : Variant::Null();
}

String TFMTBCDField::GetText(bool displayText) const {
  TBcd value;
  if (!GetValue(value)) return String();
  const String& format = FormatFor(displayText);
  if (!format.empty()) return FormatFloat(format, BcdToDouble(value));
  ::Currency currency;
  if (FCurrency && BCDToCurr(value, currency)) {
    return CurrToStrF(currency, displayText ? ffCurrency : ffFixed, FormatSettings.CurrencyDecimals);
  }
  return BcdToStr(value, FormatSettings.DecimalSeparator);
}
