#include "export/writers/ExportToADO.h"

#include "export/RowSources.h"
#include "platform/db/Field.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

bool IsTableType(StringView type, bool includeSystemTables) {
  return type == u"TABLE" || type == u"VIEW" || (includeSystemTables && type == u"SYSTEM TABLE");
}

bool IsPlainIdentifier(StringView name) {
  if (name.empty() || (name[0] >= u'0' && name[0] <= u'9')) return false;
  for (char16_t c : name)
    if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_'))
      return false;
  return true;
}

enum class TValueKind { Text, Integer, Real, Date };

// What a value is to become: the source field's kind where the cell has a
// field of a number or date type (drivers report some numeric columns as
// text), else the database column's type.
TValueKind KindOf(const TOdbcColumn& column, const TField* field) {
  if (field != nullptr) {
    switch (field->DataType()) {
      case ftSmallint: case ftInteger: case ftWord: case ftBoolean: case ftAutoInc: case ftLargeint:
      case ftLongWord: case ftShortint: case ftByte:
        return TValueKind::Integer;
      case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd: case ftExtended: case ftSingle:
        return TValueKind::Real;
      case ftDate: case ftTime: case ftDateTime: case ftTimeStamp:
        return TValueKind::Date;
      default:
        break;
    }
  }
  if (IsOdbcIntegerType(column.SqlType)) return TValueKind::Integer;
  if (IsOdbcRealType(column.SqlType)) return TValueKind::Real;
  if (IsOdbcDateType(column.SqlType)) return TValueKind::Date;
  return TValueKind::Text;
}

// The value in the form the database column takes, read from the text with
// the run's number and date settings, as the platform's data objects
// convert; a text that does not read as that kind goes as text.
Variant TypedValue(const Variant& value, TValueKind kind, const TSMEDataFormats& formats) {
  const String text = Trim(value.AsString());
  switch (kind) {
    case TValueKind::Integer: {
      Int64 number = 0;
      if (TryStrToInt64(text, number)) return Variant(number);
      if (SameText(text, formats.BooleanTrue) || SameText(text, u"True")) return Variant(Int64(1));
      if (SameText(text, formats.BooleanFalse) || SameText(text, u"False")) return Variant(Int64(0));
      [[fallthrough]];
    }
    case TValueKind::Real: {
      double number = 0;
      if (TryStrToFloat(text, number)) return Variant(number);
      break;
    }
    case TValueKind::Date: {
      TDateTime date = 0;
      if (TryStrToDateTime(text, date) || TryStrToDate(text, date) || TryStrToTime(text, date))
        return Variant::FromDateTime(date);
      break;
    }
    case TValueKind::Text: break;
  }
  return value;
}

}  // namespace

TRODirezaToADO::TRODirezaToADO(TComponent* owner) : TRODirezaToADODOA(owner) {
  SetTableType(teADO);
  FileName.clear();
}

TRODirezaToADO::~TRODirezaToADO() = default;

bool TRODirezaToADO::IsQuery(StringView tableName) {
  return tableName.size() >= 7 && SameText(tableName.substr(0, 7), u"SELECT ");
}

String TRODirezaToADO::FieldType2SSQL(TFieldType type, Integer width, Integer precision, bool required) {
  String result;
  switch (type) {
    case ftString: case ftFixedChar: result = u"CHAR(" + IntToStr(width) + u")"; break;
    // Wide texts keep every character in a national text column.
    case ftWideString: case ftFixedWideChar: result = u"NCHAR(" + IntToStr(width) + u")"; break;
    case ftSmallint: case ftInteger: case ftWord: case ftBoolean: case ftLargeint: result = u"INTEGER"; break;
    case ftFloat: case ftBCD:
      result = precision != 0 ? u"DECIMAL(" + IntToStr(width) + u"," + IntToStr(precision) + u")" : u"NUMBER";
      break;
    case ftCurrency: result = u"MONEY"; break;
    case ftDate: result = u"DATE"; break;
    case ftTime: result = u"TIME"; break;
    case ftDateTime: result = u"DATETIME"; break;
    case ftAutoInc: result = u"IDENTITY"; break;
    case ftBlob: result = u"BLOB"; break;
    case ftMemo: case ftFmtMemo: case ftWideMemo: result = u"TEXT"; break;
    case ftGraphic: result = u"IMAGE"; break;
    default: result = u"#UNKNOWN#"; break;
  }
  return result + (required ? u" NOT NULL" : u" ");
}

String TRODirezaToADO::SqlName(StringView name) {
  return IsPlainIdentifier(name) ? String(name) : connection->QuoteName(name);
}

void TRODirezaToADO::InitializeConnection() {
  // There is no running connection to attach to: every run opens its own.
  connection = std::make_unique<TOdbcConnection>();
  IsNewestCom = true;
  FCreatedTable = false;
  FRecordOpen = false;
}

void TRODirezaToADO::OpenDatabase(const String& fileName) {
  connection->Open(fileName, UserName, Password);
  // One transaction for the run: fast, and a failed run leaves nothing behind.
  connection->StartTransaction();
}

bool TRODirezaToADO::TableExists(const String& tableName) {
  // A query reads rows of tables that exist; there is nothing to create.
  if (IsQuery(tableName)) return true;
  for (const TOdbcTable& table : connection->Tables())
    if (SameText(table.Name, tableName) && IsTableType(table.Type, true)) return true;
  return false;
}

void TRODirezaToADO::CreateNewTable() {
  TSMECustomDataEngine& source = *SourceDataEngine();
  String definitions;
  for (TSMEColumn* column : ExportedColumns()) {
    const String name = HasOption(Options, soUseFieldNameAsCaption) ? column->FieldName : column->Title.Caption;
    TFieldType type;
    if (HasOption(Options, soFieldMask)) {
      type = ftString;
    } else {
      TField* field = column->ColumnKind == ckField ? source.FindFieldByColumn(column) : nullptr;
      type = field != nullptr ? field->DataType() : CellType2FieldType(column->DataType);
    }
    definitions += u" " + SqlName(name) + u" " +
                   FieldType2SSQL(type, column->Width, column->Precision, source.RequiredByColumn(column)) + u", ";
  }
  if (definitions.empty()) return;
  definitions.resize(definitions.size() - 2);
  const String tableName = IsPlainIdentifier(TableName) ? TableName : connection->QuoteName(TableName);
  connection->Execute(u"CREATE TABLE " + tableName + u"(" + definitions + u")");
  FCreatedTable = true;
}

void TRODirezaToADO::OpenRecordset() {
  String table = TableName;
  if (IsQuery(TableName)) {
    // New rows of a query go into the table its columns come from.
    std::unique_ptr<TOdbcQuery> query = connection->Query(TableName);
    FTargetColumns.clear();
    for (Integer i = 0; i < query->FieldCount(); ++i) FTargetColumns.push_back(query->Field(i));
    table = FTargetColumns.empty() ? String() : FTargetColumns.front().BaseTable;
    for (const TOdbcColumn& column : FTargetColumns)
      if (column.BaseTable.empty() || column.BaseTable != table)
        throw EOdbcError(u"The rows of the query cannot be added to one table: " + TableName);
  } else {
    FTargetColumns = connection->Columns(TableName);
  }
  if (FTargetColumns.empty()) throw EOdbcError(u"The table " + TableName + u" has no columns.");
  FExported = ExportedColumns();
  FTargetColumns.resize(std::min(FTargetColumns.size(), FExported.size()));
  String names, marks;
  for (const TOdbcColumn& column : FTargetColumns) {
    names += (names.empty() ? u"" : u", ") + connection->QuoteName(column.BaseColumn.empty() ? column.Name
                                                                                            : column.BaseColumn);
    marks += marks.empty() ? u"?" : u", ?";
  }
  recordset = connection->Prepare(u"INSERT INTO " + connection->QuoteName(table) + u" (" + names + u") VALUES (" +
                                  marks + u")");
}

void TRODirezaToADO::AddNewRecord() {
  for (Integer i = 0; i < recordset->ParamCount(); ++i) recordset->SetNull(i);
  FRecordOpen = true;
}

void TRODirezaToADO::UpdateField(Integer index, TField* field, const Variant& value) {
  if (index >= recordset->ParamCount())
    throw EOdbcError(u"The table " + TableName + u" has no column " + IntToStr(index + 1) + u".");
  const TSMEColumn* column = FExported[static_cast<size_t>(index)];
  if (value.IsNull() || value.IsEmpty() || VarToStr(value).empty()) return recordset->SetNull(index);
  if (IsBinaryBlobField(field)) {
    // The blob's own bytes, whatever the text of the cell made of them.
    const std::vector<Byte> bytes = field->AsBytes();
    return recordset->SetBytes(index, bytes.data(), bytes.size());
  }
  if (IsMemoField(field) || (column != nullptr && (column->DataType == ctMEMO || column->DataType == ctGraphic)))
    return recordset->SetText(index, value.AsString());
  const TOdbcColumn& target = FTargetColumns[static_cast<size_t>(index)];
  const Variant typed = TypedValue(value, KindOf(target, field), DataFormats);
  if (typed.VarType() == varDate && IsOdbcDateType(target.SqlType)) {
    if (IsOdbcDateOnlyType(target.SqlType)) return recordset->SetDate(index, typed.AsDateTime());
    if (IsOdbcTimeOnlyType(target.SqlType)) return recordset->SetTime(index, typed.AsDateTime());
  }
  recordset->SetValue(index, typed);
}

void TRODirezaToADO::PostRecord() {
  if (!FRecordOpen) return;
  FRecordOpen = false;
  recordset->Execute();
}

void TRODirezaToADO::RemoveCreatedTable() {
  if (!FCreatedTable || !connection->Connected()) return;
  try {
    connection->Rollback();
    // A database whose table definitions are outside the transaction still
    // has the table: it goes too.
    if (TableExists(TableName)) connection->Execute(u"DROP TABLE " + SqlName(TableName));
  } catch (...) {
  }
}

void TRODirezaToADO::FinilizeConnection() {
  recordset.reset();
  std::unique_ptr<TOdbcQuery> none;
  try {
    if (connection && connection->Connected()) {
      if (!RunFailed()) {
        connection->Commit();
      } else if (FCreatedTable) {
        RemoveCreatedTable();
      } else {
        connection->Rollback();
      }
    }
  } catch (...) {
    UnLoadADO(connection, none);
    throw;
  }
  UnLoadADO(connection, none);
}

// ---------------------------------------------------------------------------
// Routines

void GetADOTableNames(std::vector<String>& names, const String& connectionString, bool includeSystemTables) {
  if (connectionString.empty())
    throw ESMEInvalidPropertyException(Format(ExportMessageText(midPropertyError), {u"ConnectionString"}));
  names.clear();
  std::unique_ptr<TOdbcConnection> connection;
  std::unique_ptr<TOdbcQuery> recordset;
  LoadADO(connection, recordset, connectionString, String());
  try {
    if (connection)
      for (const TOdbcTable& table : connection->Tables())
        if (IsTableType(table.Type, includeSystemTables)) names.push_back(table.Name);
  } catch (...) {
  }
  UnLoadADO(connection, recordset);
}

void LoadADO(std::unique_ptr<TOdbcConnection>& connection, std::unique_ptr<TOdbcQuery>& recordset,
             const String& connectionString, const String& sql) {
  recordset.reset();
  connection.reset();
  try {
    connection = std::make_unique<TOdbcConnection>();
    connection->Open(connectionString);
    if (!sql.empty())
      recordset = connection->Query(TRODirezaToADO::IsQuery(sql) ? sql
                                                                  : u"SELECT * FROM " + connection->QuoteName(sql));
  } catch (...) {
    recordset.reset();
    connection.reset();
  }
}

void UnLoadADO(std::unique_ptr<TOdbcConnection>& connection, std::unique_ptr<TOdbcQuery>& recordset) {
  recordset.reset();
  if (connection) {
    try {
      connection->Close();
    } catch (...) {
    }
  }
  connection.reset();
}
