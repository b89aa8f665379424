#include "import/ImportColumns.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace {

template <class Items>
void CheckItemIndex(const Items& items, int index) {
  if (index < 0 || index >= static_cast<int>(items.size()))
    throw EListError(Format(RtlMessages::SListIndexError, {Int64{index}}));
}

}  // namespace

TSMIColumn* TSMIColumns::Add() {
  FItems.push_back(std::make_unique<TSMIColumn>());
  return FItems.back().get();
}

TSMIColumn& TSMIColumns::Columns(int index) const {
  CheckItemIndex(FItems, index);
  return *FItems[static_cast<size_t>(index)];
}

void TSMIColumns::Delete(int index) {
  CheckItemIndex(FItems, index);
  FItems.erase(FItems.begin() + index);
}

void TSMIColumns::Assign(const TSMIColumns& source) {
  if (&source == this) return;
  Clear();
  for (const auto& item : source.FItems) Add()->Assign(*item);
}

void TSMIParameter::SetName(const String& value) {
  if (value == FName) return;
  if (Caption == FName) Caption = value;
  FName = value;
}

void TSMIParameter::Assign(const TSMIParameter& source) {
  if (&source == this) return;
  FName = source.FName;
  Caption = source.Caption;
  Expression = source.Expression;
  Description = source.Description;
  ParamPromptValues = source.ParamPromptValues;
  ParameterEditor = source.ParameterEditor;
  ParameterMode = source.ParameterMode;
  Required = source.Required;
}

TSMIParameter* TSMIParameters::Add() {
  FItems.push_back(std::make_unique<TSMIParameter>(this));
  TSMIParameter* parameter = FItems.back().get();
  parameter->SetName(u"Parameter" + IntToStr(Count()));
  return parameter;
}

TSMIParameter& TSMIParameters::Items(int index) const {
  CheckItemIndex(FItems, index);
  return *FItems[static_cast<size_t>(index)];
}

void TSMIParameters::Delete(int index) {
  CheckItemIndex(FItems, index);
  FItems.erase(FItems.begin() + index);
}

void TSMIParameters::Assign(const TSMIParameters& source) {
  if (&source == this) return;
  Clear();
  for (const auto& item : source.FItems) Add()->Assign(*item);
}

TSMIParameter* TSMIParameters::ParamByName(StringView name) const {
  for (const auto& item : FItems) {
    if (item->Name() == name) return item.get();
  }
  return nullptr;
}
