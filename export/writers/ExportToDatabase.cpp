#include "export/writers/ExportToDatabase.h"

#include "export/ExportText.h"
#include "export/RowSources.h"
#include "platform/db/Field.h"
#include "platform/rtl/Strings.h"

TRODirezaToADODOA::TRODirezaToADODOA(TComponent* owner) : TRODirezaBaseComponent(owner) {}

TRODirezaToADODOA::~TRODirezaToADODOA() = default;

void TRODirezaToADODOA::Assign(const TComponent* source) {
  TRODirezaBaseComponent::Assign(source);
  if (const auto* from = dynamic_cast<const TRODirezaToADODOA*>(source); from != nullptr && from != this) {
    UseCurrentInstance = from->UseCurrentInstance;
    UserName = from->UserName;
    Password = from->Password;
  }
}

bool TRODirezaToADODOA::IsExportedColumn(const TSMEColumn& column) const {
  return column.Visible || HasOption(Options, soExportInvisibleFields);
}

std::vector<TSMEColumn*> TRODirezaToADODOA::ExportedColumns() const {
  std::vector<TSMEColumn*> list;
  for (const auto& column : Columns)
    if (IsExportedColumn(*column)) list.push_back(column.get());
  return list;
}

TSMEColumn* TRODirezaToADODOA::ExportedColumn(Integer index) const {
  for (const auto& column : Columns)
    if (IsExportedColumn(*column) && index-- == 0) return column.get();
  return nullptr;
}

bool TRODirezaToADODOA::IsMemoField(const TField* field) {
  if (field == nullptr) return false;
  const TFieldType type = field->DataType();
  return type == ftMemo || type == ftFmtMemo || type == ftWideMemo;
}

bool TRODirezaToADODOA::IsBinaryBlobField(const TField* field) {
  return field != nullptr && field->IsBlob() && !IsMemoField(field);
}

void TRODirezaToADODOA::Prepare() {
  if (TableName.empty()) throw ESMEInvalidPropertyException(Format(GetLanguageString(midPropertyError), {u"TableName"}));
  FRunFailed = false;
  InitializeConnection();
  fontUser = std::make_unique<TFont>();
  TSMECustomDataEngine& source = *SourceDataEngine();
  try {
    String name = FileName;
    if (OnGetFileName) OnGetFileName(this, 0, name);
    OpenDatabase(name);
    if (!TableExists(TableName)) {
      DeleteTable(TableName);
      CreateNewTable();
    }
    OpenRecordset();

    ForEachSourceRecord(source, [&](Integer written) { WriteRecord(source, written); });
  } catch (...) {
    FRunFailed = true;
    fontUser.reset();
    FinilizeConnection();
    throw;
  }
  fontUser.reset();
  FinilizeConnection();
}

void TRODirezaToADODOA::WriteRecord(TSMECustomDataEngine& source, Integer written) {
  AddNewRecord();
  Statistic.CurrentCol = 0;
  const bool dataRow = source.IsDataRow(written - 1);
  for (const auto& item : Columns) {
    TSMEColumn& column = *item;
    if (!IsExportedColumn(column)) continue;
    TColor color = column.Color;
    *fontUser = column.Font;
    TAlignment alignment = column.Alignment;
    TField* field = nullptr;
    if (column.ColumnKind == ckField && dataRow) {
      if (column.Field == nullptr) column.Field = source.FindFieldByColumn(&column);
      field = column.Field;
    }
    String text;
    if (field != nullptr)
      text = GetFieldStr(field);
    else if (column.ColumnKind == ckConstant)
      text = column.FieldName;
    else if (column.ColumnKind == ckSysVar)
      text = VarToStr(GetSysValue(column.FieldName));
    else
      text = VarToStr(source.GetFieldValue(column));
    if (OnGetCellParams) {
      TCellType cellType = column.DataType;
      OnGetCellParams(this, field, text, *fontUser, alignment, color, cellType);
    }
    Variant value;
    switch (CharacterSet) {
      case csANSI_WINDOWS: value = Variant(StringToAnsi(text)); break;
      case csASCII_MSDOS: value = Variant(UECode(true, text)); break;
      case csEBCDIC: value = Variant(EBCDICCode(text)); break;
      default: value = Variant(text); break;
    }
    UpdateField(Statistic.CurrentCol, field, value);
    ++Statistic.CurrentCol;
  }
  PostRecord();
}
