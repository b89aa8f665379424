#include "export/ExportColumns.h"

#include <algorithm>

#include "platform/rtl/Exceptions.h"

Integer TSMEColumn::Index() const { return FCollection != nullptr ? FCollection->IndexOf(this) : -1; }

void TSMEColumn::Assign(const TSMEColumn& source) {
  if (&source == this) return;
  FieldName = source.FieldName;
  Font = source.Font;
  Color = source.Color;
  Width = source.Width;
  Precision = source.Precision;
  Alignment = source.Alignment;
  Visible = source.Visible;
  DataType = source.DataType;
  ColumnKind = source.ColumnKind;
  BandIndex = source.BandIndex;
  Title.Assign(source.Title);
}

String TSMEColumn::GetItemCaption(TSMEFieldDisplayFormat format) const {
  switch (format) {
    case dfFull:
      return FieldName == Title.Caption ? FieldName : FieldName + u"  :  " + Title.Caption;
    case dfFieldCaption:
      return Title.Caption;
    case dfFieldName:
      break;
  }
  return FieldName;
}

TSMEColumn& TSMEColumns::Add() {
  TSMEColumn& column = Append(std::make_unique<TSMEColumn>());
  column.FCollection = this;
  return column;
}

Integer TSMEColumns::ColumnByFieldName(StringView name) const {
  for (Integer i = 0; i < Count(); ++i)
    if ((*this)[i].FieldName == name) return i;
  return -1;
}

void TSMEColumns::ClearFields() {
  for (auto& column : FItems) column->Field = nullptr;
}

Integer TSMEColumns::MergedColStart(Integer bandIndex) const {
  for (Integer i = 0; i < Count(); ++i) {
    const TSMEColumn& column = (*this)[i];
    if (column.Visible && column.BandIndex == bandIndex) return i;
  }
  return -1;
}

Integer TSMEColumns::MergedColCount(Integer bandIndex, Integer start) const {
  Integer count = 0;
  for (Integer i = std::max<Integer>(start, 0); i < Count(); ++i) {
    const TSMEColumn& column = (*this)[i];
    if (!column.Visible || column.BandIndex != bandIndex) break;
    ++count;
  }
  return count;
}

void TSMEColumns::Assign(const TSMEColumns& source) {
  if (&source == this) return;
  Clear();
  for (const auto& column : source) Add().Assign(*column);
}

void TSMEColumnBands::Assign(const TSMEColumnBands& source) {
  if (&source == this) return;
  Clear();
  for (const auto& band : source) Add().Assign(*band);
}

void TSMEGroupings::Assign(const TSMEGroupings& source) {
  if (&source == this) return;
  Clear();
  for (const auto& grouping : source) Add().Assign(*grouping);
}

void TSMEGroupings::InitPrevDataValues() {
  for (auto& grouping : FItems) grouping->FPrevValue = Variant::Null();
}

bool TSMEGrouping::GroupIsChanged() const {
  if (Expression.empty()) return false;
  if (FCurrValue.IsEmpty() || FPrevValue.IsEmpty()) return true;
  try {
    return VarCompareValue(FCurrValue, FPrevValue) != vrEqual;
  } catch (const EVariantError&) {
    // Values that cannot be compared (a date against a text) are different.
    return true;
  }
}

namespace {

// Null, unassigned, or equal to the text "0" as variants compare: the number
// 0 and the text "0" are zero, the text "0.00" is not.
bool IsBlankValue(const Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return true;
  try {
    return VarCompareValue(value, Variant(u"0")) == vrEqual;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

TCellType GetValueType(TFieldType fieldType, const Variant& value, bool blankIfZero) {
  auto blankOr = [&](TCellType type) { return blankIfZero && IsBlankValue(value) ? ctBlank : type; };
  switch (fieldType) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint:
      return blankOr(ctInteger);
    case ftBoolean:
      return ctBoolean;
    case ftFloat: case ftBCD: case ftFMTBcd:
      return blankOr(ctDouble);
    case ftCurrency:
      return blankOr(ctCurrency);
    // A date that is kept goes out as text when blanks are asked for, so
    // that the writer does not apply its own date format to it.
    case ftDate:
      return blankIfZero ? blankOr(ctString) : ctDate;
    case ftTime:
      return blankIfZero ? blankOr(ctString) : ctTime;
    case ftDateTime:
      return blankIfZero ? blankOr(ctString) : ctDateTime;
    case ftBlob: case ftParadoxOle: case ftDBaseOle: case ftTypedBinary: case ftOraBlob:
      return ctBLOB;
    case ftMemo: case ftFmtMemo: case ftOraClob: case ftWideMemo:
      return ctMEMO;
    case ftGraphic:
      return ctGraphic;
    default:
      return ctString;
  }
}

TFieldType CellType2FieldType(TCellType cellType) {
  switch (cellType) {
    case ctInteger: return ftInteger;
    case ctDouble: return ftFloat;
    case ctDateTime: return ftDateTime;
    case ctDate: return ftDate;
    case ctCurrency: return ftCurrency;
    case ctTime: return ftTime;
    case ctMEMO: return ftMemo;
    case ctGraphic: return ftGraphic;
    case ctBoolean: return ftBoolean;
    case ctBLOB: return ftBlob;
    default: return ftString;
  }
}
