#include "platform/db/FieldDefs.h"

#include <array>

#include "platform/db/DBConsts.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr std::array<const char16_t*, ftLastPlatformType + 1> kFieldTypeNames = {
    u"Unknown",    u"String",      u"SmallInt",   u"Integer",   u"Word",      u"Boolean",    u"Float",
    u"Currency",   u"BCD",         u"Date",       u"Time",      u"DateTime",  u"Bytes",      u"VarBytes",
    u"AutoInc",    u"Blob",        u"Memo",       u"Graphic",   u"FmtMemo",   u"ParadoxOle", u"DBaseOle",
    u"TypedBinary", u"Cursor",     u"FixedChar",  u"WideString", u"Largeint", u"ADT",        u"Array",
    u"Reference",  u"DataSet",     u"OraBlob",    u"OraClob",   u"Variant",   u"Interface",  u"IDispatch",
    u"Guid",       u"TimeStamp",   u"FMTBcd",     u"FixedWideChar", u"WideMemo", u"OraTimeStamp",
    u"OraInterval", u"LongWord",   u"Shortint",   u"Byte",      u"Extended",  u"Connection", u"Params",
    u"Stream",     u"TimeStampOffset", u"Object", u"Single"};

}  // namespace

String FieldTypeName(TFieldType type) {
  if (type <= ftLastPlatformType) return kFieldTypeNames[type];
  if (type == ftDATimeStampOffset) return u"DATimeStampOffset";
  return kFieldTypeNames[ftUnknown];
}

// ---------------------------------------------------------------------------
// TFieldDef

TFieldDef::TFieldDef(TFieldDefs* owner, const String& name, TFieldType dataType, Integer size, bool required,
                     Integer fieldNo)
    : FOwner(owner), FName(name), FDataType(dataType), FSize(size), FFieldNo(fieldNo) {
  if (required) FAttributes |= faRequired;
}

void TFieldDef::SetName(const String& value) {
  if (value == FName) return;
  if (!value.empty() && CompareTextOrdinal(value, FName) != 0 && FOwner->IndexOf(value) >= 0) {
    DatabaseErrorFmt(DBMessages::SDuplicateName, {value, String(u"TFieldDefs")});
  }
  FName = value;
  Changed();
}

void TFieldDef::SetDataType(TFieldType value) {
  FDataType = value;
  Changed();
}

void TFieldDef::SetSize(Integer value) {
  FSize = value;
  Changed();
}

void TFieldDef::SetPrecision(Integer value) {
  FPrecision = value;
  Changed();
}

void TFieldDef::SetAttributes(TFieldAttributes value) {
  FAttributes = value;
  Changed();
}

void TFieldDef::SetRequired(bool value) {
  SetAttributes(value ? (FAttributes | faRequired) : (FAttributes & ~faRequired));
}

Integer TFieldDef::Index() const {
  for (int i = 0; i < FOwner->Count(); ++i) {
    if (FOwner->Items(i) == this) return i;
  }
  return -1;
}

TFieldDefs& TFieldDef::ChildDefs() {
  if (!FChildDefs) FChildDefs = std::make_unique<TFieldDefs>(FOwner->DataSet(), this);
  return *FChildDefs;
}

bool TFieldDef::FChildDefsEmpty() const { return FChildDefs->Count() == 0; }

TFieldDef* TFieldDef::ParentDef() const { return FOwner->ParentDef(); }

void TFieldDef::Changed() { FOwner->Changed(); }

TField* TFieldDef::CreateField(TComponent* owner) {
  TDataSet* dataSet = FOwner->DataSet();
  TFieldClass fieldClass = dataSet != nullptr ? dataSet->GetFieldClass(this) : DefaultFieldClass(FDataType);
  if (fieldClass == nullptr) DatabaseErrorFmt(DBMessages::SUnknownFieldType, {FName}, dataSet);
  std::unique_ptr<TField> field(fieldClass(owner));
  field->SetSize(FSize);
  field->SetFieldName(FName);
  field->SetFieldNo(FFieldNo);
  field->SetFieldType(FDataType);
  field->SetRequired(Required());
  if ((FAttributes & faReadonly) != 0) field->SetReadOnly(true);
  if (auto* bcd = dynamic_cast<TBCDField*>(field.get())) bcd->SetPrecision(FPrecision);
  if (auto* fmtBcd = dynamic_cast<TFMTBCDField*>(field.get())) fmtBcd->SetPrecision(FPrecision);
  field->SetDataSet(dataSet);
  return field.release();
}

// ---------------------------------------------------------------------------
// TFieldDefs

TFieldDefs::TFieldDefs(TDataSet* dataSet, TFieldDef* parent) : FDataSet(dataSet), FParentDef(parent) {}

TFieldDef* TFieldDefs::AddFieldDef() {
  FItems.push_back(std::make_unique<TFieldDef>(this, String(), ftUnknown, 0, false, Count() + 1));
  Changed();
  return FItems.back().get();
}

TFieldDef* TFieldDefs::Add(const String& name, TFieldType dataType, Integer size, bool required) {
  if (name.empty()) DatabaseErrorFmt(DBMessages::SFieldNameMissing, {}, FDataSet);
  if (IndexOf(name) >= 0) DatabaseErrorFmt(DBMessages::SDuplicateName, {name, String(u"TFieldDefs")});
  FItems.push_back(std::make_unique<TFieldDef>(this, name, dataType, size, required, Count() + 1));
  Changed();
  return FItems.back().get();
}

void TFieldDefs::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError(Format(RtlMessages::SListIndexError, {Int64(index)}));
  FItems.erase(FItems.begin() + index);
  Changed();
}

void TFieldDefs::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

int TFieldDefs::IndexOf(StringView name) const {
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (CompareTextOrdinal(FItems[i]->Name(), name) == 0) return static_cast<int>(i);
  }
  return -1;
}

TFieldDef* TFieldDefs::Find(StringView name) const {
  int index = IndexOf(name);
  return index >= 0 ? FItems[static_cast<size_t>(index)].get() : nullptr;
}

TFieldDef* TFieldDefs::FindOrError(StringView name) const {
  TFieldDef* def = Find(name);
  if (def == nullptr) DatabaseErrorFmt(DBMessages::SFieldNotFound, {String(name)}, FDataSet);
  return def;
}

void TFieldDefs::Assign(const TFieldDefs& source) {
  if (&source == this) return;
  BeginUpdate();
  try {
    FItems.clear();
    for (const auto& from : source.FItems) {
      FItems.push_back(std::make_unique<TFieldDef>(this, from->Name(), from->DataType(), from->Size(), false,
                                                   from->FieldNo()));
      TFieldDef* to = FItems.back().get();
      to->SetPrecision(from->Precision());
      to->SetAttributes(from->Attributes());
      if (from->HasChildDefs()) to->ChildDefs().Assign(from->ChildDefs());
    }
    Changed();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TFieldDefs::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount > 0 || !FChangedInUpdate) return;
  FChangedInUpdate = false;
  if (OnChange) OnChange();
}

void TFieldDefs::Changed() {
  FUpdated = false;
  if (FUpdateCount > 0) {
    FChangedInUpdate = true;
    return;
  }
  if (OnChange) OnChange();
}
