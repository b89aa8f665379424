#include "platform/db/Field.h"

#include <cstring>
#include <string>

#include "platform/db/DBConsts.h"
#include "platform/db/DataSet.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

bool HasNonNativeForm(TFieldType type) {
  return type == ftDate || type == ftTime || type == ftDateTime || type == ftBCD;
}

void CopyFieldValue(const TField* field, const void* source, void* dest) {
  if (field->DataType() == ftVariant) {
    *static_cast<Variant*>(dest) = *static_cast<const Variant*>(source);
  } else {
    std::memcpy(dest, source, static_cast<size_t>(field->DataSize()));
  }
}

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
  if (FDataSet == nullptr) return;
  // Out of the list first: closing may destroy the dataset's default fields,
  // and this one must not be among them.
  TDataSet* dataSet = FDataSet;
  dataSet->Fields().Remove(this);
  try {
    dataSet->Close();
  } catch (...) {
    // A destructor cannot report; the dataset is left as the failure left it.
  }
}

void TField::SetDataSet(TDataSet* value) {
  if (value == FDataSet) return;
  if (FDataSet != nullptr) FDataSet->CheckInactive();
  if (value != nullptr) {
    value->CheckInactive();
    if (value->FindField(FFieldName) != nullptr) {
      DatabaseErrorFmt(DBMessages::SDuplicateFieldName, {DisplayName()}, value);
    }
  }
  if (FDataSet != nullptr) FDataSet->Fields().Remove(this);
  if (value != nullptr) value->Fields().Add(this);
}

void TField::SetFieldName(const String& value) {
  if (value == FFieldName) return;
  if (FDataSet != nullptr) {
    FDataSet->CheckInactive();
    TField* other = FDataSet->FindField(value);
    if (other != nullptr && other != this) DatabaseErrorFmt(DBMessages::SDuplicateFieldName, {value}, FDataSet);
  }
  if (FDisplayLabel == value) FDisplayLabel.clear();
  FFieldName = value;
  if (FDataSet != nullptr) FDataSet->DataEvent(deFieldListChange);
}

Integer TField::Index() const { return FDataSet != nullptr ? FDataSet->Fields().IndexOf(this) : -1; }

void TField::SetSize(Integer value) {
  if (FDataSet != nullptr) FDataSet->CheckInactive();
  CheckTypeSize(value);
  FSize = value;
}

void TField::CheckTypeSize(Integer value) const {
  if (value != 0 && !IsBlob()) DatabaseErrorFmt(DBMessages::SInvalidFieldSize, {});
}

bool TField::IsCompatible(TFieldType dataType) const {
  // What each type is read as: the families whose fields take each other's
  // values unchanged.
  auto base = [](TFieldType type) {
    switch (type) {
      case ftCurrency: return ftFloat;
      case ftAutoInc: return ftInteger;
      case ftFixedChar: case ftGuid: return ftString;
      case ftFixedWideChar: return ftWideString;
      case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle: case ftTypedBinary:
      case ftOraBlob: case ftOraClob: return ftBlob;
      case ftIDispatch: return ftInterface;
      default: return type;
    }
  };
  return base(dataType) == base(FDataType);
}

void TField::SetDisplayLabel(const String& value) {
  ChangeProperty(FDisplayLabel, value == FFieldName ? String() : value, true);
}

Integer TField::DisplayWidth() const { return FDisplayWidth > 0 ? FDisplayWidth : GetDefaultWidth(); }

void TField::SetDisplayWidth(Integer value) { ChangeProperty(FDisplayWidth, value, true); }

void TField::SetVisible(bool value) { ChangeProperty(FVisible, value, true); }

void TField::SetAlignment(TAlignment value) { ChangeProperty(FAlignment, value, true); }

void TField::PropertyChanged(bool layoutAffected) {
  if (FDataSet != nullptr && FDataSet->Active()) FDataSet->DataEvent(layoutAffected ? deLayoutChange : deDataSetChange);
}

bool TField::CanModify() const {
  if (FReadOnly || FDataSet == nullptr || !FDataSet->Active()) return false;
  if (FFieldKind == fkCalculated || FFieldKind == fkLookup) return FDataSet->State() == dsCalcFields;
  return FDataSet->CanModify();
}

void TField::CheckReadOnly() const {
  if (FReadOnly && FFieldKind != fkLookup) DatabaseErrorFmt(DBMessages::SFieldReadOnly, {DisplayName()});
}

// ---------------------------------------------------------------------------
// Values

bool TField::GetData(void* buffer, bool nativeFormat) const {
  if (FDataSet == nullptr) DatabaseErrorFmt(DBMessages::SDataSetMissing, {DisplayName()});
  if (FValidating) {
    if (FValidateBuffer == nullptr) return false;
    if (buffer != nullptr) {
      if (nativeFormat || !HasNonNativeForm(FDataType)) {
        CopyFieldValue(this, FValidateBuffer, buffer);
      } else {
        FDataSet->DataConvert(const_cast<TField*>(this), FValidateBuffer, buffer, false);
      }
    }
    return true;
  }
  return FDataSet->GetFieldData(const_cast<TField*>(this), buffer, nativeFormat);
}

void TField::SetData(const void* buffer, bool nativeFormat) {
  if (FDataSet == nullptr) DatabaseErrorFmt(DBMessages::SDataSetMissing, {DisplayName()});
  FDataSet->SetFieldData(this, buffer, nativeFormat);
}

bool TField::IsNull() const { return !GetData(nullptr); }

void TField::Validate(const void* buffer) {
  if (!OnValidate) return;
  TRestoreValue<const void*> validateBuffer(FValidateBuffer, buffer);
  TRestoreValue validating(FValidating, true);
  OnValidate(this);
}

void TField::Change() {
  if (OnChange) OnChange(this);
}

void TField::FocusControl() {
  if (FDataSet != nullptr && FDataSet->Active()) {
    FDataSet->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(this));
  }
}

void TField::AccessError(const char16_t* typeName) const {
  DatabaseErrorFmt(DBMessages::SFieldAccessError, {DisplayName(), String(typeName)});
}

void TField::RangeError(Int64 value, Int64 min, Int64 max) const {
  DatabaseErrorFmt(DBMessages::SFieldRangeError, {IntToStr(value), DisplayName(), min, max});
}

void TField::RangeError(double value, double min, double max) const {
  DatabaseErrorFmt(DBMessages::SFieldFloatRangeError,
                   {FloatToStr(value), DisplayName(), FloatToStr(min), FloatToStr(max)});
}

void TField::SetAsVariant(const Variant& value) {
  if (value.IsNull() || value.IsEmpty()) {
    Clear();
  } else {
    SetVarValue(value);
  }
}

Variant TField::OldValue() const { return GetStateValue(dsOldValue); }
Variant TField::CurValue() const { return GetStateValue(dsCurValue); }
Variant TField::NewValue() const { return GetStateValue(dsNewValue); }

Variant TField::GetStateValue(TDataSetState state) const {
  if (FDataSet == nullptr) DatabaseErrorFmt(DBMessages::SDataSetMissing, {DisplayName()});
  return FDataSet->GetStateFieldValue(state, const_cast<TField*>(this));
}

// ---------------------------------------------------------------------------
// Text

String TField::GetClassDesc() const {
  std::string name = ClassName();
  if (!name.empty() && name.front() == 'T') name.erase(0, 1);
  if (name.size() > 5 && SameText(StrFromAscii(name.substr(name.size() - 5)), u"FIELD")) name.resize(name.size() - 5);
  String desc = u"(" + StrFromAscii(name) + u")";
  return IsNull() ? desc : AnsiUpperCase(desc);
}

String TField::GetText(bool) const { return GetAsString(); }

String TField::GetTextValue(bool displayText) const {
  if (OnGetText) {
    String text;
    OnGetText(const_cast<TField*>(this), text, displayText);
    return text;
  }
  return GetText(displayText);
}

void TField::SetText(const String& value) {
  if (OnSetText) {
    OnSetText(this, value);
  } else {
    SetAsStringValue(value);
  }
}

// ---------------------------------------------------------------------------
// Conversions the base does not have

String TField::GetAsString() const { return GetClassDesc(); }
void TField::SetAsStringValue(const String&) { AccessError(u"String"); }
AnsiString TField::GetAsAnsiString() const { return StringToAnsi(GetAsString()); }
void TField::SetAsAnsiStringValue(const AnsiString& value) { SetAsStringValue(AnsiToString(value)); }
Integer TField::GetAsInteger() const { AccessError(u"Integer"); }
void TField::SetAsIntegerValue(Integer) { AccessError(u"Integer"); }
Int64 TField::GetAsLargeInt() const { AccessError(u"LargeInt"); }
void TField::SetAsLargeIntValue(Int64) { AccessError(u"LargeInt"); }
double TField::GetAsFloat() const { AccessError(u"Float"); }
void TField::SetAsFloatValue(double) { AccessError(u"Float"); }
Currency TField::GetAsCurrency() const { return Currency::FromDouble(GetAsFloat()); }
void TField::SetAsCurrencyValue(Currency value) { SetAsFloatValue(value.ToDouble()); }
bool TField::GetAsBoolean() const { AccessError(u"Boolean"); }
void TField::SetAsBooleanValue(bool) { AccessError(u"Boolean"); }
TDateTime TField::GetAsDateTime() const { AccessError(u"DateTime"); }
void TField::SetAsDateTimeValue(TDateTime) { AccessError(u"DateTime"); }
TBcd TField::GetAsBCD() const { AccessError(u"BCD"); }
void TField::SetAsBCDValue(const TBcd&) { AccessError(u"BCD"); }
TSQLTimeStamp TField::GetAsSQLTimeStamp() const { AccessError(u"SQLTimeStamp"); }
void TField::SetAsSQLTimeStampValue(const TSQLTimeStamp&) { AccessError(u"SQLTimeStamp"); }
TSQLTimeStampOffset TField::GetAsSQLTimeStampOffset() const { AccessError(u"SQLTimeStampOffset"); }
void TField::SetAsSQLTimeStampOffsetValue(const TSQLTimeStampOffset&) { AccessError(u"SQLTimeStampOffset"); }
std::vector<Byte> TField::GetAsBytes() const { AccessError(u"Bytes"); }
void TField::SetAsBytesValue(const std::vector<Byte>&) { AccessError(u"Bytes"); }
Variant TField::GetAsVariant() const { AccessError(u"Variant"); }
void TField::SetVarValue(const Variant&) { AccessError(u"Variant"); }
