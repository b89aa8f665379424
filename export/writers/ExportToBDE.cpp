#include "export/writers/ExportToBDE.h"

#include "export/RowSources.h"
#include "export/writers/ExportToDBF.h"
#include "platform/db/Field.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

void SetOption(TSMOptions& options, TSMOption option, bool on) {
  options = static_cast<TSMOptions>(on ? options | OptionBit(option) : options & ~OptionBit(option));
}

}  // namespace

TRODirezaToBDE::TRODirezaToBDE(TComponent* owner) : TRODirezaBaseComponent(owner) { SetTableType(teParadox); }

TRODirezaToBDE::~TRODirezaToBDE() = default;

void TRODirezaToBDE::Assign(const TComponent* source) {
  TRODirezaBaseComponent::Assign(source);
  if (const auto* from = dynamic_cast<const TRODirezaToBDE*>(source); from != nullptr && from != this)
    FTableType = from->FTableType;
}

String TRODirezaToBDE::Extension() const {
  switch (FTableType) {
    case ttParadox: return u".DB";
    case ttDBase: return u".DBF";
    case ttASCII: return u".TXT";
    default: return TableFileExt(FileName);
  }
}

bool TRODirezaToBDE::IsExportedColumn(const TSMEColumn& column) const {
  return column.Visible || HasOption(Options, soExportInvisibleFields);
}

void TRODirezaToBDE::Prepare() {
  String name = FileName;
  if (OnGetFileName) OnGetFileName(this, 0, name);
  const TTableType type = ResolveTableType(FTableType, name);
  if (type == ttDBase || type == ttFoxPro) return WriteDBF(name, type);

  if (HasOption(Options, soMergeData) && FileExists(name))
    throw EDatabaseError(Format(u"Rows cannot be added to the existing table %s; choose a new file name.", {name}));
  TSMECustomDataEngine& source = *SourceDataEngine();
  TBDETable table(name, type);
  DefineFields(table, source);
  table.CreateTable();
  WriteRecords(table, source);
  table.Close();
}

void TRODirezaToBDE::DefineFields(TBDETable& table, TSMECustomDataEngine& source) const {
  for (const auto& item : Columns) {
    TSMEColumn& column = *item;
    if (!IsExportedColumn(column)) continue;
    TBDEFieldDef def;
    def.Name = HasOption(Options, soUseFieldNameAsCaption) ? column.Title.Caption : column.FieldName;
    if (column.ColumnKind == ckConstant || column.ColumnKind == ckSysVar) {
      def.DataType = CellType2FieldType(column.DataType);
      def.Size = column.Width;
    } else if (TField* field = source.FindFieldByColumn(&column)) {
      // A wide text field becomes a text field of the table's code page;
      // 64-bit integers keep their type, so that no value is cut to 32 bits.
      def.DataType = field->DataType() == ftWideString ? ftString : field->DataType();
      def.Size = field->Size();
      def.Required = field->Required();
    } else {
      def.DataType = source.DataTypeByColumn(column);
      def.Size = column.Width;
      def.Required = source.RequiredByColumn(&column);
    }
    table.FieldDefs.push_back(def);
  }
}

void TRODirezaToBDE::WriteRecords(TBDETable& table, TSMECustomDataEngine& source) {
  // Each exported column goes to the field of its name, else to the field
  // at its position.
  std::vector<std::pair<TSMEColumn*, Integer>> map;
  for (const auto& item : Columns) {
    if (!IsExportedColumn(*item)) continue;
    Integer index = table.FindField(item->FieldName);
    if (index < 0 && static_cast<Integer>(map.size()) < table.FieldCount()) index = static_cast<Integer>(map.size());
    if (index < 0) throw EDatabaseError(Format(u"Field '%s' not found", {item->FieldName}));
    map.emplace_back(item.get(), index);
  }

  ForEachSourceRecord(source, [&](Integer) {
    table.Append();
    Statistic.CurrentCol = -1;
    for (const auto& [column, index] : map) {
      ++Statistic.CurrentCol;
      if (table.IsAutoIncField(index)) continue;  // the table numbers its records itself
      table.SetFieldValue(index, column->ColumnKind == ckField ? source.GetFieldValue(*column)
                                                               : Variant(column->FieldName));
    }
    table.Post();
  });
}

void TRODirezaToBDE::WriteDBF(const String& fileName, TTableType type) {
  TRODirezaToDBF dbf;
  dbf.Assign(this);
  dbf.SetTableType(teDBase);
  // The table component names its fields the other way round from the
  // DBF writer.
  SetOption(dbf.Options, soUseFieldNameAsCaption, !HasOption(Options, soUseFieldNameAsCaption));
  SetOption(dbf.Options, soShowMessage, false);
  SetOption(dbf.Options, soMergeData, false);
  dbf.OnGetFileName = nullptr;
  dbf.OnBeforeExecute = nullptr;
  dbf.OnAfterExecute = nullptr;
  dbf.DBFVersion = type == ttFoxPro ? FoxPro : dBase4;
  dbf.DBFMemoType = type == ttFoxPro ? dmFPT : dmDBT;
  dbf.FileName = fileName;
  if (HasOption(Options, soMergeData) && FileExists(fileName))
    throw EDatabaseError(Format(u"Rows cannot be added to the existing table %s; choose a new file name.", {fileName}));
  try {
    dbf.Execute();
  } catch (...) {
    // A table that failed half way is no table.
    for (const char16_t* ext : {u"", u".dbt", u".fpt"}) {
      const String file = *ext == 0 ? fileName : ChangeTableFileExt(fileName, ext);
      if (FileExists(file)) DeleteFile(file);
    }
    throw;
  }
  Statistic.TotalCount = dbf.Statistic.TotalCount;
  Statistic.CurrentRow = dbf.Statistic.CurrentRow;
  if (dbf.ProgressCanceled()) SetProgressCanceled(true);
}
