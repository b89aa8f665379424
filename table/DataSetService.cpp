#include "table/DataSetService.h"

#include <cmath>
#include <cstdint>

#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Exceptions.h"
#include "table/MemDataSet.h"
#include "table/TimeStampFields.h"

namespace {

constexpr char16_t Unit[] = u"ZizOD";

// 10^length - 1, kept inside the range of the field's type so that a long
// descriptor does not wrap into a negative bound.
template <class T>
T DecimalLimit(Integer length, T typeMax) {
  double limit = std::trunc(std::pow(10.0, length)) - 1;
  return limit >= static_cast<double>(typeMax) ? typeMax : static_cast<T>(limit);
}

}  // namespace

TDataSetService::TDataSetService(TMemDataSet* owner) : FDataSet(owner) {}

TDataSetService::~TDataSetService() { delete FUpdater; }

void TDataSetService::CreateDataSetUpdater() { SetDataSetUpdater(new TDataSetUpdater(this)); }

void TDataSetService::SetDataSetUpdater(TDataSetUpdater* value) {
  if (value == FUpdater) return;
  delete FUpdater;
  FUpdater = value;
}

void TDataSetService::SetNumberRange(TFieldDef* fieldDef) {
  TFieldType type = fieldDef->DataType();
  if (type != ftSmallint && type != ftInteger && type != ftFloat && type != ftLargeint) return;
  TField* field = FDataSet->FindField(fieldDef->Name());
  if (field == nullptr) return;
  FDataSet->CheckFieldCompatibility(field, fieldDef);
  TFieldDesc* desc = FDataSet->Data()->FieldByName(fieldDef->Name());
  Integer length = desc->FLength;
  Integer scale = desc->FScale;
  switch (type) {
    case ftSmallint:
    case ftInteger: {
      auto* integer = dynamic_cast<TIntegerField*>(field);
      Assert(integer != nullptr, Unit);
      Integer max = DecimalLimit<Integer>(length, INT32_MAX);
      integer->SetMaxValue(max);
      integer->SetMinValue(-max);
      break;
    }
    case ftLargeint: {
      auto* large = dynamic_cast<TLargeintField*>(field);
      Assert(large != nullptr, Unit);
      Int64 max = DecimalLimit<Int64>(length, INT64_MAX);
      large->SetMaxValue(max);
      large->SetMinValue(-max);
      break;
    }
    default: {
      if (length < 1 || length > 15) return;
      auto* real = dynamic_cast<TFloatField*>(field);
      Assert(real != nullptr, Unit);
      real->SetPrecision(length);
      // The power is taken in single precision, as the bound always was.
      double max = static_cast<double>(static_cast<float>(std::pow(10.0, length - scale))) - std::pow(10.0, -scale);
      real->SetMaxValue(max);
      real->SetMinValue(-max);
      break;
    }
  }
}

TFieldClass TDataSetService::GetFieldClass(TFieldType fieldType, TDataType) {
  if (fieldType == ftDATimeStampOffset) return &NewField<TDASQLTimeStampOffsetField>;
  return DefaultFieldClass(fieldType);
}

void TDataSetService::PreInitCursor() {
  TData* data = FDataSet->Data();
  if (data == nullptr || FDataSet->FieldCount() == 0 || FDataSet->DefaultFields()) return;
  for (const auto& desc : data->Fields()) {
    const String& name = desc->FParentField != nullptr ? desc->FActualName : desc->FName;
    desc->FUpdateable = FDataSet->FindField(name) != nullptr;
  }
}

bool TDataSetService::SetProp(Integer, const Variant&) { AssertionFailed(Unit); }

bool TDataSetService::GetProp(Integer, Variant&) { AssertionFailed(Unit); }
