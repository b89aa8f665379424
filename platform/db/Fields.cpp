// Text, boolean, variant and object fields, and the default field classes.
#include "platform/db/Fields.h"

#include <algorithm>
#include <cstring>

#include "platform/db/DBConsts.h"
#include "platform/db/DataSet.h"
#include "platform/db/ValueBuffer.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

// The largest text size whose buffer size still fits 32 bits in UTF-16.
constexpr Integer kMaxStringSize = 0x3FFFFFFE;

}  // namespace

TFieldClass DefaultFieldClass(TFieldType type) {
  switch (type) {
    case ftString: case ftFixedChar: case ftOraInterval: return &NewField<TStringField>;
    case ftWideString: case ftFixedWideChar: return &NewField<TWideStringField>;
    case ftGuid: return &NewField<TGuidField>;
    case ftSmallint: return &NewField<TSmallintField>;
    case ftInteger: return &NewField<TIntegerField>;
    case ftWord: return &NewField<TWordField>;
    case ftShortint: return &NewField<TShortintField>;
    case ftByte: return &NewField<TByteField>;
    case ftAutoInc: return &NewField<TAutoIncField>;
    case ftLongWord: return &NewField<TLongWordField>;
    case ftLargeint: return &NewField<TLargeintField>;
    case ftFloat: return &NewField<TFloatField>;
    case ftCurrency: return &NewField<TCurrencyField>;
    case ftSingle: return &NewField<TSingleField>;
    case ftExtended: return &NewField<TExtendedField>;
    case ftBCD: return &NewField<TBCDField>;
    case ftFMTBcd: return &NewField<TFMTBCDField>;
    case ftBoolean: return &NewField<TBooleanField>;
    case ftDate: return &NewField<TDateField>;
    case ftTime: return &NewField<TTimeField>;
    case ftDateTime: return &NewField<TDateTimeField>;
    case ftTimeStamp: case ftOraTimeStamp: return &NewField<TSQLTimeStampField>;
    case ftTimeStampOffset: return &NewField<TSQLTimeStampOffsetField>;
    case ftBytes: return &NewField<TBytesField>;
    case ftVarBytes: return &NewField<TVarBytesField>;
    case ftBlob: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle: case ftTypedBinary: case ftOraBlob:
    case ftStream: return &NewField<TBlobField>;
    case ftMemo: case ftOraClob: return &NewField<TMemoField>;
    case ftWideMemo: return &NewField<TWideMemoField>;
    case ftGraphic: return &NewField<TGraphicField>;
    case ftVariant: return &NewField<TVariantField>;
    case ftADT: return &NewField<TADTField>;
    case ftArray: return &NewField<TArrayField>;
    case ftReference: return &NewField<TReferenceField>;
    case ftDataSet: return &NewField<TDataSetField>;
    default: return nullptr;
  }
}

// ---------------------------------------------------------------------------
// TStringField

TStringField::TStringField(TComponent* owner) : TField(owner) {
  FDataType = ftString;
  FSize = 20;
}

void TStringField::SetFieldType(TFieldType value) {
  if (value == ftString || value == ftFixedChar) FDataType = value;
}

void TStringField::CheckTypeSize(Integer value) const {
  if (value < 0 || value > kMaxStringSize) DatabaseErrorFmt(DBMessages::SInvalidFieldSize, {});
}

bool TStringField::GetValue(AnsiString& value) const {
  Integer size = DataSize();
  TValueBuffer buffer(size);
  if (!GetData(buffer.Data())) return false;
  const char* text = reinterpret_cast<const char*>(buffer.Data());
  value.assign(text, strnlen(text, static_cast<size_t>(std::min(size, FSize))));
  return true;
}

String TStringField::GetAsString() const {
  // Converted straight from the value buffer: no 8-bit copy in between.
  const Integer size = DataSize();
  TValueBuffer buffer(size);
  if (!GetData(buffer.Data())) return String();
  const char* text = reinterpret_cast<const char*>(buffer.Data());
  return AnsiToString(std::string_view(text, strnlen(text, static_cast<size_t>(std::min(size, FSize)))));
}

void TStringField::SetAsStringValue(const String& value) { SetAsAnsiStringValue(StringToAnsi(value)); }

AnsiString TStringField::GetAsAnsiString() const {
  AnsiString value;
  GetValue(value);
  return value;
}

void TStringField::SetAsAnsiStringValue(const AnsiString& value) {
  TValueBuffer buffer(DataSize());
  // Longer texts are cut to the field's size, as the record holds no more.
  std::memcpy(buffer.Data(), value.data(), std::min(value.size(), static_cast<size_t>(FSize)));
  SetData(buffer.Data());
}

Integer TStringField::GetAsInteger() const {
  String text = GetAsString();
  return text.empty() ? 0 : StrToInt(text);
}

void TStringField::SetAsIntegerValue(Integer value) { SetAsStringValue(IntToStr(value)); }

Int64 TStringField::GetAsLargeInt() const {
  String text = GetAsString();
  return text.empty() ? 0 : StrToInt64(text);
}

void TStringField::SetAsLargeIntValue(Int64 value) { SetAsStringValue(IntToStr(value)); }

double TStringField::GetAsFloat() const {
  String text = GetAsString();
  return text.empty() ? 0 : StrToFloat(text);
}

void TStringField::SetAsFloatValue(double value) { SetAsStringValue(FloatToStr(value)); }

bool TStringField::GetAsBoolean() const {
  String text = GetAsString();
  return !text.empty() && (text[0] == u'T' || text[0] == u't' || text[0] == u'Y' || text[0] == u'y');
}

void TStringField::SetAsBooleanValue(bool value) { SetAsStringValue(value ? u"T" : u"F"); }

TDateTime TStringField::GetAsDateTime() const {
  String text = GetAsString();
  return text.empty() ? 0 : StrToDateTime(text);
}

void TStringField::SetAsDateTimeValue(TDateTime value) { SetAsStringValue(DateTimeToStr(value)); }

Variant TStringField::GetAsVariant() const {
  AnsiString value;
  if (!GetValue(value)) return Variant::Null();
  return Variant(std::move(value));
}

void TStringField::SetVarValue(const Variant& value) { SetAsAnsiStringValue(value.AsAnsiString()); }

// ---------------------------------------------------------------------------
// TWideStringField

TWideStringField::TWideStringField(TComponent* owner) : TStringField(owner) { FDataType = ftWideString; }

void TWideStringField::SetFieldType(TFieldType value) {
  if (value == ftWideString || value == ftFixedWideChar) FDataType = value;
}

bool TWideStringField::GetValue(String& value) const {
  TValueBuffer buffer(DataSize());
  if (!GetData(buffer.Data())) return false;
  const Byte* data = buffer.Data();
  size_t length = 0;
  while (length < static_cast<size_t>(FSize) && (data[length * 2] != 0 || data[length * 2 + 1] != 0)) ++length;
  value.resize(length);
  std::memcpy(value.data(), data, length * 2);
  return true;
}

String TWideStringField::GetAsString() const {
  String value;
  GetValue(value);
  return value;
}

void TWideStringField::SetAsStringValue(const String& value) {
  size_t length = std::min(value.size(), static_cast<size_t>(FSize));
  // A cut never leaves half of a surrogate pair.
  if (length < value.size() && length > 0 && value[length - 1] >= 0xD800 && value[length - 1] <= 0xDBFF) --length;
  TValueBuffer buffer(DataSize());
  std::memcpy(buffer.Data(), value.data(), length * 2);
  SetData(buffer.Data());
}

AnsiString TWideStringField::GetAsAnsiString() const { return StringToAnsi(GetAsString()); }

void TWideStringField::SetAsAnsiStringValue(const AnsiString& value) { SetAsStringValue(AnsiToString(value)); }

Variant TWideStringField::GetAsVariant() const {
  String value;
  if (!GetValue(value)) return Variant::Null();
  return Variant(std::move(value));
}

void TWideStringField::SetVarValue(const Variant& value) { SetAsStringValue(value.AsString()); }

// ---------------------------------------------------------------------------
// TGuidField

TGuidField::TGuidField(TComponent* owner) : TStringField(owner) {
  FDataType = ftGuid;
  FSize = 38;
}

void TGuidField::CheckTypeSize(Integer value) const {
  if (value != 38) DatabaseErrorFmt(DBMessages::SInvalidFieldSize, {});
}

// ---------------------------------------------------------------------------
// TBooleanField

TBooleanField::TBooleanField(TComponent* owner)
    : TField(owner), FTrueText(DBMessages::STextTrue), FFalseText(DBMessages::STextFalse) {
  FDataType = ftBoolean;
}

void TBooleanField::SetDisplayValues(const String& value) {
  if (value == FDisplayValues) return;
  FDisplayValues = value;
  if (value.empty()) {
    FTrueText = DBMessages::STextTrue;
    FFalseText = DBMessages::STextFalse;
  } else {
    size_t semicolon = value.find(u';');
    FTrueText = value.substr(0, semicolon);
    FFalseText = semicolon == String::npos ? String() : value.substr(semicolon + 1);
  }
  PropertyChanged(true);
}

bool TBooleanField::GetValue(bool& value) const {
  Word native = 0;
  if (!GetData(&native)) return false;
  value = native != 0;
  return true;
}

String TBooleanField::GetAsString() const {
  bool value;
  if (!GetValue(value)) return String();
  return value ? FTrueText : FFalseText;
}

void TBooleanField::SetAsStringValue(const String& value) {
  if (value.empty()) {
    // An empty text is a value when one of the texts is empty.
    if (FFalseText.empty()) SetAsBooleanValue(false);
    else if (FTrueText.empty()) SetAsBooleanValue(true);
    else Clear();
    return;
  }
  auto starts = [&value](const String& text) { return AnsiSameText(value, StringView(text).substr(0, value.size())); };
  if (starts(FFalseText)) SetAsBooleanValue(false);
  else if (starts(FTrueText)) SetAsBooleanValue(true);
  else DatabaseErrorFmt(DBMessages::SInvalidBoolValue, {value, DisplayName()});
}

bool TBooleanField::GetAsBoolean() const {
  bool value = false;
  GetValue(value);
  return value;
}

void TBooleanField::SetAsBooleanValue(bool value) {
  Word native = value ? 1 : 0;
  SetData(&native);
}

Variant TBooleanField::GetAsVariant() const {
  bool value;
  if (!GetValue(value)) return Variant::Null();
  return Variant(value);
}

void TBooleanField::SetVarValue(const Variant& value) { SetAsBooleanValue(value.AsBoolean()); }

Integer TBooleanField::GetDefaultWidth() const {
  return static_cast<Integer>(std::max(FTrueText.size(), FFalseText.size()));
}

// ---------------------------------------------------------------------------
// TVariantField

TVariantField::TVariantField(TComponent* owner) : TField(owner) { FDataType = ftVariant; }

Variant TVariantField::GetAsVariant() const {
  Variant value;
  if (!GetData(&value)) return Variant::Null();
  return value;
}

void TVariantField::SetVarValue(const Variant& value) { SetData(&value); }

String TVariantField::GetAsString() const { return VarToStr(GetAsVariant()); }
void TVariantField::SetAsStringValue(const String& value) { SetVarValue(Variant(value)); }

// A null variant reads as 0, false or nothing, like every other field.
Integer TVariantField::GetAsInteger() const {
  Variant v = GetAsVariant();
  return v.IsNull() ? 0 : v.AsInteger();
}
void TVariantField::SetAsIntegerValue(Integer value) { SetVarValue(Variant(value)); }
Int64 TVariantField::GetAsLargeInt() const {
  Variant v = GetAsVariant();
  return v.IsNull() ? 0 : v.AsInt64();
}
void TVariantField::SetAsLargeIntValue(Int64 value) { SetVarValue(Variant(static_cast<long long>(value))); }
double TVariantField::GetAsFloat() const {
  Variant v = GetAsVariant();
  return v.IsNull() ? 0 : v.AsDouble();
}
void TVariantField::SetAsFloatValue(double value) { SetVarValue(Variant(value)); }
::Currency TVariantField::GetAsCurrency() const {
  Variant v = GetAsVariant();
  return v.IsNull() ? ::Currency() : v.AsCurrency();
}
void TVariantField::SetAsCurrencyValue(::Currency value) { SetVarValue(Variant(value)); }
bool TVariantField::GetAsBoolean() const {
  Variant v = GetAsVariant();
  return !v.IsNull() && v.AsBoolean();
}
void TVariantField::SetAsBooleanValue(bool value) { SetVarValue(Variant(value)); }
TDateTime TVariantField::GetAsDateTime() const {
  Variant v = GetAsVariant();
  return v.IsNull() ? 0 : v.AsDateTime();
}
void TVariantField::SetAsDateTimeValue(TDateTime value) { SetVarValue(Variant::FromDateTime(value)); }
std::vector<Byte> TVariantField::GetAsBytes() const {
  Variant v = GetAsVariant();
  return v.IsNull() ? std::vector<Byte>() : v.AsBytes();
}
void TVariantField::SetAsBytesValue(const std::vector<Byte>& value) { SetVarValue(Variant(value)); }

// ---------------------------------------------------------------------------
// Object fields

TObjectField::TObjectField(TComponent* owner, TFieldType type) : TField(owner) { FDataType = type; }
TADTField::TADTField(TComponent* owner) : TObjectField(owner, ftADT) {}
TArrayField::TArrayField(TComponent* owner) : TObjectField(owner, ftArray) {}
TReferenceField::TReferenceField(TComponent* owner) : TObjectField(owner, ftReference) {}
TDataSetField::TDataSetField(TComponent* owner) : TObjectField(owner, ftDataSet) {}
