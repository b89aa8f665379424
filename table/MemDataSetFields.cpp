// TMemDataSet: field definitions made from the record set's descriptors, the
// field class of each definition, and how a field finds its descriptor.
#include "platform/db/DBConsts.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Strings.h"
#include "table/DataSetService.h"
#include "table/FieldTypeMap.h"
#include "table/MemDataSet.h"

namespace {

constexpr char16_t Unit[] = u"ZizOD";
constexpr char16_t SDataTypeNotSupported[] = u"Data type is not supported";
constexpr char16_t SFieldNotFound[] = u"Field %s not found";
constexpr char16_t ColumnPrefix[] = u"__COLUMN";

}  // namespace

const TFieldTypeMap& TMemDataSet::GetFieldTypeMapClass() { return TFieldTypeMap::Default(); }

void TMemDataSet::InternalInitFieldDefs() {
  if (FData == nullptr || FData->Active()) return;
  std::vector<String> names;
  bool wasUpdated = FieldDefs().Updated();
  if (wasUpdated) {
    for (const auto& desc : FData->Fields()) names.push_back(desc->FName);
  }
  FData->ExplicitInitFields();
  if (wasUpdated) {
    bool same = names.size() == static_cast<size_t>(FData->Fields().Count());
    for (size_t i = 0; same && i < names.size(); ++i) same = names[i] == FData->Fields()[static_cast<int>(i)]->FName;
    if (!same) FieldDefs().SetUpdated(false);
  }
  if (FDataSetService != nullptr) FDataSetService->PreInitCursor();
  CreateFieldDefs();
}

bool TMemDataSet::NeedCreateFieldDefs() {
  return !FieldDefs().Updated() || (FData != nullptr && FData->FieldListDependsOnParams());
}

void TMemDataSet::CreateFieldDefs() {
  if (FData == nullptr || !NeedCreateFieldDefs()) return;
  TFieldDefs& defs = FieldDefs();
  defs.BeginUpdate();
  TScopeExit end([&defs] { defs.EndUpdate(); });
  defs.Clear();
  for (const auto& desc : FData->Fields()) {
    // Only a name that begins with the marker loses its two underscores;
    // the record set keeps the shorter name, so later lookups see it.
    if (desc->FName.compare(0, std::char_traits<char16_t>::length(ColumnPrefix), ColumnPrefix) == 0) {
      desc->FName.erase(0, 2);
    }
    bool parentShown = desc->FParentField == nullptr || desc->FParentField->FHiddenObject;
    if (!desc->FHiddenObject && desc->FFieldDescKind == fdkData && parentShown) CreateFieldDef(desc.get());
  }
  defs.SetUpdated(false);
  defs.SetUpdated(FData->Fields().Count() > 0);
}

TFieldDef* TMemDataSet::CreateFieldDef(TFieldDesc* fieldDesc) {
  Integer size = 0, length = 0, scale = 0;
  TFieldType fieldType = GetFieldType(fieldDesc, size, length, scale);
  if (fieldType == ftUnknown) DatabaseError(SDataTypeNotSupported);
  TFieldDef* def = FieldDefs().AddFieldDef();
  def->SetName(fieldDesc->FName);
  def->SetDataType(fieldType);
  def->SetSize(size);
  def->SetRequired(fieldDesc->FRequired && FLocalConstraints);
  def->SetFieldNo(fieldDesc->FFieldNo);
  TFieldAttributes attributes = def->Attributes();
  if (fieldDesc->FReadOnly) attributes |= faReadonly;
  if (fieldDesc->FHidden) attributes |= faHiddenCol;
  if (fieldDesc->FFixed) attributes |= faFixed;
  def->SetAttributes(attributes);
  switch (fieldType) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftLargeint: case ftLongWord: case ftShortint:
    case ftByte: case ftSingle:
      def->SetPrecision(length);
      break;
    case ftBCD: case ftFMTBcd:
      def->SetPrecision(length);
      def->SetSize(scale);
      break;
    default: break;
  }
  return def;
}

String TMemDataSet::GetObjectFieldDefName(TFieldDef* parent, Integer index) {
  if (NeedComplexUpdateFieldDefList() && parent != nullptr) {
    return parent->Name() + u"[" + IntToStr(index) + u"]";
  }
  return IntToStr(index);
}

Integer TMemDataSet::GetFieldDefSize(TFieldType fieldType, Integer fieldLength) {
  switch (fieldType) {
    case ftString: case ftWideString: case ftGuid: return fieldLength == 0 ? 1 : fieldLength;
    case ftBytes: case ftVarBytes: return fieldLength;
    default: return 0;
  }
}

TFieldType TMemDataSet::GetFieldType(TDataType dataType) { return GetFieldTypeMapClass().GetFieldType(dataType); }

TFieldType TMemDataSet::GetFieldType(TFieldDesc* fieldDesc, Integer& fieldSize, Integer& fieldLength,
                                     Integer& fieldScale) {
  TFieldType fieldType = GetFieldType(fieldDesc->FDataType);
  fieldSize = GetFieldDefSize(fieldType, fieldDesc->FLength);
  fieldLength = fieldDesc->FLength;
  fieldScale = fieldDesc->FScale;
  return fieldType;
}

void TMemDataSet::CheckFieldCompatibility(TField* field, TFieldDef* fieldDef) {
  TFieldType a = field->DataType(), b = fieldDef->DataType();
  auto floatLike = [](TFieldType t) { return t == ftFloat || t == ftCurrency; };
  if (floatLike(a) && floatLike(b)) return;
  if (a == ftDATimeStampOffset && b == ftDATimeStampOffset) return;
  // These values have a layout of their own: only the same type fits.
  auto ownLayout = [](TFieldType t) { return t == ftBCD || t == ftFMTBcd || t == ftSingle; };
  if ((ownLayout(a) || ownLayout(b)) && a != b) {
    DatabaseErrorFmt(DBMessages::SFieldTypeMismatch, {field->DisplayName(), FieldTypeName(a), FieldTypeName(b)},
                     this);
  }
  TDataSet::CheckFieldCompatibility(field, fieldDef);
}

TFieldClass TMemDataSet::GetFieldClass(TFieldType fieldType, TDataType dataType) {
  return DataSetService()->GetFieldClass(fieldType, dataType);
}

TFieldClass TMemDataSet::GetFieldClass(TFieldType fieldType) { return GetFieldClass(fieldType, dtUnknown); }

TFieldClass TMemDataSet::GetFieldClass(TFieldDef* fieldDef) {
  TDataType dataType = dtUnknown;
  Integer no = fieldDef->FieldNo();
  if (FData != nullptr && no >= 1 && no <= FData->Fields().Count()) dataType = FData->Fields()[no - 1]->FDataType;
  return GetFieldClass(fieldDef->DataType(), dataType);
}

TFieldDesc* TMemDataSet::GetFieldDesc(const TField* field) {
  // Checked before any message is made: this runs for every blob stream.
  if (FData == nullptr) AssertionFailed(Unit, u"FIRecordSet must be setted to this time");
  if (field == nullptr) AssertionFailed(Unit, u"Field cannot be nil");
  if (field->DataSet() != nullptr && field->DataSet() != this) AssertionFailed(Unit, u"Wrong DataSet");
  const TFieldDescs& descs = FData->Fields();
  if (field->FieldNo() > 0) return field->FieldNo() <= descs.Count() ? descs[field->FieldNo() - 1] : nullptr;
  if (DefaultFields() && FieldCount() == descs.Count()) {
    Integer index = field->Index();
    return index >= 0 && index < descs.Count() ? descs[index] : nullptr;
  }
  bool dataField = field->FieldKind() == fkData;
  for (const auto& desc : descs) {
    bool isData = desc->FFieldDescKind == fdkData;
    if (!dataField && isData) continue;
    if (AnsiSameText(desc->FName, field->FieldName())) return desc.get();
    if (!isData && AnsiSameText(desc->FActualName, field->FieldName())) return desc.get();
  }
  return nullptr;
}

TFieldDesc* TMemDataSet::GetFieldDesc(Integer fieldNo) {
  if (FData == nullptr || fieldNo < 1 || fieldNo > FData->Fields().Count()) return nullptr;
  return FData->Fields()[fieldNo - 1];
}

TFieldDesc* TMemDataSet::GetFieldDesc(StringView fieldName) {
  if (FData == nullptr) throw Exception(Format(SFieldNotFound, {String(fieldName)}));
  return FData->FieldByName(fieldName);
}

Integer TMemDataSet::GetFieldDescNo(const TField* field) {
  TFieldDesc* desc = GetFieldDesc(field);
  if (desc == nullptr) throw Exception(Format(SFieldNotFound, {field->FieldName()}));
  return desc->FFieldNo;
}
