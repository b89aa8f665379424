#include "table/FieldDesc.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Strings.h"

TFieldDesc::TFieldDesc(const TRecordSetTypeClasses* recordSetClass) : FRecordSetClass(recordSetClass) {}

TFieldDesc::~TFieldDesc() { TSharedObject::Free(FObjectType); }

void TFieldDesc::SetDataType(TDataType value) {
  FDataType = value;
  FIsBlob = FRecordSetClass && FRecordSetClass->IsBlobDataType && FRecordSetClass->IsBlobDataType(value);
  FIsComplex = FRecordSetClass && FRecordSetClass->IsComplexDataType && FRecordSetClass->IsComplexDataType(value);
  FIsObject = FRecordSetClass && FRecordSetClass->IsObjectDataType && FRecordSetClass->IsObjectDataType(value);
}

void TFieldDesc::SetObjectType(TObjectType* value) {
  if (value == FObjectType) return;
  TSharedObject::Free(FObjectType);
  FObjectType = value;
  if (FObjectType != nullptr) FObjectType->AddRef();
}

void TFieldDesc::SetParentField(TFieldDesc* value) {
  FParentField = value;
  FHasParent = value != nullptr;
}

void TFieldDesc::Assign(const TFieldDesc& source) {
  FName = source.FName;
  FActualName = source.FActualName;
  SetDataType(source.FDataType);
  SetSubDataType(source.FSubDataType);
  FLength = source.FLength;
  FScale = source.FScale;
  FSize = source.FSize;
  FOffset = source.FOffset;
  FRequired = source.FRequired;
  FFieldNo = source.FFieldNo;
}

TFieldDesc* TFieldDescs::FindField(StringView name) const {
  for (const auto& desc : FItems) {
    if (desc && !desc->FHasParent && AnsiSameText(desc->FName, name)) return desc.get();
  }
  for (const auto& desc : FItems) {
    if (!desc) continue;
    if ((desc->FHasParent && AnsiSameText(desc->FName, name)) || AnsiSameText(desc->FActualName, name)) {
      return desc.get();
    }
  }
  return nullptr;
}

TFieldDesc* TFieldDescs::FieldByName(StringView name) const {
  TFieldDesc* desc = FindField(name);
  if (desc == nullptr) throw Exception(Format(u"Field %s not found", {String(name)}));
  return desc;
}

TFieldDesc* TFieldDescs::FieldByActualFieldNo(Integer actualFieldNo) const {
  for (const auto& desc : FItems) {
    if (desc && desc->FActualFieldNo == actualFieldNo) return desc.get();
  }
  return nullptr;
}

TObjectType::~TObjectType() { ClearAttributes(); }

void TObjectType::ClearAttributes() { FAttributes.clear(); }

void TObjectType::AddAttribute(TAttribute* attribute) {
  attribute->FOwner = this;
  FAttributes.emplace_back(attribute);
}

TAttribute* TObjectType::FindAttribute(StringView name) const {
  String path = AnsiUpperCase(name);
  const TObjectType* current = this;
  TAttribute* result = nullptr;
  size_t pos = 0;
  while (true) {
    while (pos < path.size() && path[pos] == u' ') ++pos;
    StringView rest = StringView(path).substr(pos);
    size_t dot = rest.find(u'.');
    size_t bracket = rest.find(u'[');
    String part;
    size_t next;
    if (bracket == 0) {
      size_t close = rest.find(u']');
      if (close == StringView::npos) return nullptr;
      part = u"ELEMENT";
      next = close + 1;
      if (next < rest.size() && rest[next] == u'.') ++next;
    } else if (dot != StringView::npos && (bracket == StringView::npos || dot < bracket)) {
      part = String(rest.substr(0, dot));
      next = dot + 1;
    } else if (bracket == StringView::npos) {
      part = String(rest);
      next = rest.size();
    } else {
      part = String(rest.substr(0, bracket));
      next = bracket;
    }
    if (current == nullptr) return nullptr;
    TAttribute* found = nullptr;
    for (int i = 0; i < current->AttributeCount(); ++i) {
      TAttribute* a = current->Attributes(i);
      if (AnsiUpperCase(a->FName) == part) { found = a; break; }
    }
    if (found == nullptr) return nullptr;
    bool dotFound = dot != StringView::npos;
    if (dotFound && found->FDataType != dtObject && found->FDataType != dtReference && found->FDataType != dtArray &&
        found->FDataType != dtTable) {
      return nullptr;
    }
    result = found;
    current = found->FObjectType;
    pos += next;
    bool more = dotFound || (bracket != StringView::npos && pos < path.size());
    if (!more) break;
  }
  return result;
}

TAttribute* TObjectType::AttributeByName(StringView name) const {
  TAttribute* a = FindAttribute(name);
  if (a == nullptr) throw Exception(Format(u"Attribute %s not found", {String(name)}));
  return a;
}

TAttribute::~TAttribute() {
  if (FHoldsTypeReference) TSharedObject::Free(FObjectType);
}

void TAttribute::SetObjectType(TObjectType* value) {
  if (FHoldsTypeReference) TSharedObject::Free(FObjectType);
  FObjectType = value;
  FHoldsTypeReference = value != nullptr && (FOwner == nullptr || value->FName != FOwner->FName);
  if (FHoldsTypeReference) value->AddRef();
}
