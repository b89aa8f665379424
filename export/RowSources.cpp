#include "export/RowSources.h"

#include <algorithm>

#include "export/ExportGrid.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"

namespace {

// The platform's default precision of a float field means "not set".
Integer ColumnPrecision(const TField* field) {
  auto* floatField = dynamic_cast<const TFloatField*>(field);
  if (floatField == nullptr) return 0;
  return floatField->Precision() == 15 ? 0 : floatField->Precision();
}

// The declared cell type of a field; its value is not read (without the
// blank-if-zero flag the type alone decides).
TCellType ColumnDataType(const TField* field) { return GetValueType(field->DataType(), Variant::Null(), false); }

template <class Visit>
void ForEachIndex(Integer count, bool rightToLeft, Visit visit) {
  if (rightToLeft) {
    for (Integer i = count - 1; i >= 0; --i) visit(i);
  } else {
    for (Integer i = 0; i < count; ++i) visit(i);
  }
}

void AddFieldColumns(TDataSet& dataSet, TSMEColumns& columns, bool rightToLeft) {
  ForEachIndex(dataSet.FieldCount(), rightToLeft, [&](Integer i) {
    TField* field = dataSet.Fields()[i];
    TSMEColumn& column = columns.Add();
    column.Alignment = field->Alignment();
    column.FieldName = field->FieldName();
    column.Color = clWhite;
    column.Width = std::max({field->DisplayWidth(), field->DataSize(), field->Size()});
    column.Visible = field->Visible();
    column.Precision = ColumnPrecision(field);
    column.DataType = ColumnDataType(field);
    column.Title.Caption = field->DisplayLabel();
    column.Title.Alignment = field->Alignment();
    column.Title.Font.Style |= FontStyleBit(fsBold);
    column.Title.Color = clSilver;
  });
}

}  // namespace

// ---------------------------------------------------------------------------
// TSMECustomDataEngine

void TSMECustomDataEngine::SavePosition() {
  if (OnBeforeExecute) OnBeforeExecute(this);
}

void TSMECustomDataEngine::RestorePosition() {
  if (OnAfterExecute) OnAfterExecute(this);
}

void TSMECustomDataEngine::FillColumns(TSMEColumns& columns, TSMEColumnBands& bands, bool /*rightToLeft*/) {
  columns.Clear();
  bands.Clear();
  if (OnFillColumns) OnFillColumns(&columns);
}

void TSMECustomDataEngine::First() {
  if (OnFirst) OnFirst(this);
}

void TSMECustomDataEngine::Next() {
  IsCanceled = false;
  if (OnNext) OnNext(this, IsCanceled);
}

Integer TSMECustomDataEngine::RecordCount() {
  Integer count = 0;
  if (OnCount) OnCount(this, count);
  return count;
}

// ---------------------------------------------------------------------------
// TSMECustomDBDataEngine

void TSMECustomDBDataEngine::EnableControls() {
  if (TDataSet* dataSet = GetDataset()) dataSet->EnableControls();
}

void TSMECustomDBDataEngine::DisableControls() {
  if (TDataSet* dataSet = GetDataset()) dataSet->DisableControls();
}

void TSMECustomDBDataEngine::SavePosition() {
  TSMECustomDataEngine::SavePosition();
  bkmark.clear();
  TDataSet* dataSet = GetDataset();
  if (dataSet != nullptr && dataSet->Active() && !dataSet->IsEmpty()) bkmark = dataSet->GetBookmark();
}

void TSMECustomDBDataEngine::RestorePosition() {
  TSMECustomDataEngine::RestorePosition();
  TDataSet* dataSet = GetDataset();
  // A row deleted meanwhile cannot be returned to; the dataset stays where
  // the run left it.
  if (!bkmark.empty() && dataSet != nullptr && dataSet->Active() && dataSet->BookmarkValid(bkmark))
    dataSet->GotoBookmark(bkmark);
  bkmark.clear();
}

void TSMECustomDBDataEngine::FillColumns(TSMEColumns& columns, TSMEColumnBands& bands, bool rightToLeft) {
  TSMECustomDataEngine::FillColumns(columns, bands, rightToLeft);
  if (TDataSet* dataSet = GetDataset()) AddFieldColumns(*dataSet, columns, rightToLeft);
}

bool TSMECustomDBDataEngine::Eof() {
  TDataSet* dataSet = GetDataset();
  return dataSet == nullptr || dataSet->Eof();
}

void TSMECustomDBDataEngine::First() {
  TSMECustomDataEngine::First();
  if (TDataSet* dataSet = GetDataset()) dataSet->First();
}

void TSMECustomDBDataEngine::Next() {
  TSMECustomDataEngine::Next();
  if (TDataSet* dataSet = GetDataset()) dataSet->Next();
}

Variant TSMECustomDBDataEngine::GetFieldValue(TSMEColumn& column) {
  if (column.Field == nullptr) column.Field = FindFieldByColumn(&column);
  return column.Field != nullptr ? column.Field->AsVariant() : Variant::Null();
}

Integer TSMECustomDBDataEngine::RecordCount() {
  if (FRecordCount == 0) {
    TDataSet* dataSet = GetDataset();
    FRecordCount = dataSet != nullptr ? dataSet->RecordCount() : 0;
  }
  return FRecordCount;
}

bool TSMECustomDBDataEngine::RequiredByColumn(const TSMEColumn* column) {
  TField* field = FindFieldByColumn(column);
  return field != nullptr && field->Required();
}

bool TSMECustomDBDataEngine::ReadOnlyByColumn(const TSMEColumn* column) {
  TField* field = FindFieldByColumn(column);
  return field != nullptr && field->ReadOnly();
}

TField* TSMECustomDBDataEngine::FindFieldByColumn(const TSMEColumn* column) {
  TDataSet* dataSet = GetDataset();
  if (column == nullptr || dataSet == nullptr) return nullptr;
  return dataSet->FindField(column->FieldName);
}

// ---------------------------------------------------------------------------
// TSMEDatasetDataEngine

bool TSMEDatasetDataEngine::Eof() {
  return FSelectedRecords ? FIsRecProcessed : TSMECustomDBDataEngine::Eof();
}

void TSMEDatasetDataEngine::First() {
  if (!FSelectedRecords) return TSMECustomDBDataEngine::First();
  TSMECustomDataEngine::First();
  FIsRecProcessed = false;
}

void TSMEDatasetDataEngine::Next() {
  if (!FSelectedRecords) return TSMECustomDBDataEngine::Next();
  TSMECustomDataEngine::Next();
  FIsRecProcessed = true;
}

Integer TSMEDatasetDataEngine::RecordCount() {
  return FSelectedRecords ? 1 : TSMECustomDBDataEngine::RecordCount();
}

// ---------------------------------------------------------------------------
// TSMEDBGridDataEngine

TDataSet* TSMEDBGridDataEngine::GetDataset() { return FDBGrid != nullptr ? FDBGrid->GridDataSet() : nullptr; }

void TSMEDBGridDataEngine::FillColumns(TSMEColumns& columns, TSMEColumnBands& bands, bool rightToLeft) {
  columns.Clear();
  bands.Clear();
  if (FDBGrid == nullptr) return;
  ForEachIndex(FDBGrid->GridColumnCount(), rightToLeft, [&](Integer i) {
    const TExportGridColumn source = FDBGrid->GridColumn(i);
    TSMEColumn& column = columns.Add();
    column.FieldName = source.FieldName;
    column.Alignment = source.Alignment;
    column.Color = source.Color;
    column.Font = source.Font;
    column.Visible = source.Visible;
    column.Width = source.Field != nullptr ? source.Field->DisplayWidth() : 10;
    if (source.Field != nullptr) {
      column.Precision = ColumnPrecision(source.Field);
      column.DataType = ColumnDataType(source.Field);
    }
    column.Title.Caption = source.TitleCaption;
    column.Title.Alignment = source.TitleAlignment;
    column.Title.Font = source.TitleFont;
    column.Title.Color = source.TitleColor;
  });
}

bool TSMEDBGridDataEngine::Eof() {
  if (!FSelectedRecords) return TSMECustomDBDataEngine::Eof();
  return FDBGrid == nullptr || intCurrentSelectedRow >= FDBGrid->SelectedRowCount();
}

void TSMEDBGridDataEngine::GotoSelected() {
  TDataSet* dataSet = GetDataset();
  if (dataSet != nullptr && !Eof()) dataSet->GotoBookmark(FDBGrid->SelectedRow(intCurrentSelectedRow));
}

void TSMEDBGridDataEngine::First() {
  if (!FSelectedRecords) return TSMECustomDBDataEngine::First();
  TSMECustomDataEngine::First();
  intCurrentSelectedRow = 0;
  GotoSelected();
}

void TSMEDBGridDataEngine::Next() {
  if (!FSelectedRecords) return TSMECustomDBDataEngine::Next();
  TSMECustomDataEngine::Next();
  ++intCurrentSelectedRow;
  GotoSelected();
}

Integer TSMEDBGridDataEngine::RecordCount() {
  if (!FSelectedRecords) return TSMECustomDBDataEngine::RecordCount();
  return FDBGrid != nullptr ? FDBGrid->SelectedRowCount() : 0;
}
