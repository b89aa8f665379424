#include "import/readers/ImportFromOLE.h"

#include <algorithm>
#include <filesystem>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
#include "platform/win/Automation.h"
#include "platform/win/WordReading.h"

namespace {

bool IsSet(const Variant& v) { return !VarIsClear(v) && !v.IsNull(); }

String Message(const Exception& e) { return e.Message(); }

void Keep(String* error, const String& message) {
  if (error != nullptr) *error = message;
}

Variant FirstTable(const Variant& word) {
  return OleCall(OleGet(OleGet(word, u"ActiveDocument"), u"Tables"), u"Item", {1});
}

// The fields of a record set: their count and the field at a 0-based index.
Integer FieldCount(const Variant& recordset) { return OleGet(OleGet(recordset, u"Fields"), u"Count").AsInteger(); }
Variant FieldAt(const Variant& recordset, Integer index) {
  return OleCall(OleGet(recordset, u"Fields"), u"Item", {index});
}

std::vector<String> SplitFieldList(const String& text) {
  std::vector<String> list;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find(u';', start);
    const String part = text.substr(start, end == String::npos ? String::npos : end - start);
    if (!part.empty()) list.push_back(part);
    if (end == String::npos) break;
    start = end + 1;
  }
  return list;
}

String JoinFieldList(const std::vector<String>& names) {
  String text;
  for (size_t i = 0; i < names.size(); ++i) text += (i > 0 ? u";" : u"") + names[i];
  return text;
}

}  // namespace

// ---------------------------------------------------------------------------
// Word

void LoadMSWord(Variant& word, Variant& doc, Variant& table, const String& fileName, String* error) {
  word = Variant::Null();
  doc = Variant::Null();
  table = Variant::Null();
  try {
    word = GetActiveOleObject(u"Word.Application");
  } catch (const Exception&) {
    try {
      // Where no Word is registered, the office suite reads the document
      // (the registry keeps saying Word is absent, for Word output).
      word = CLSIDFromProgID(u"Word.Application") ? CreateOleObject(u"Word.Application")
                                                  : CreateWordReadingServer()->CreateObject();
    } catch (const Exception& e) {
      word = Variant::Null();
      Keep(error, Message(e));
      return;
    }
  }
  try {
    doc = OleCall(OleGet(word, u"Documents"), u"Open", {fileName});
  } catch (const Exception& e) {
    doc = Variant::Null();
    Keep(error, Message(e));
    return;
  }
  try {
    table = FirstTable(word);
  } catch (const Exception&) {
    // A document without tables: no columns and no rows, not a failure.
    table = Variant::Null();
  }
}

void UnLoadMSWord(Variant& word, Variant& doc, Variant& table) {
  table = Variant::Null();
  doc = Variant::Null();
  if (IsSet(word)) {
    try {
      OleCall(word, u"Quit");
    } catch (const Exception&) {
      // The server is released either way.
    }
  }
  word = Variant::Null();
}

String GetPlainCellText(const String& text) {
  String plain;
  plain.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\a') continue;
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\a') continue;
    plain += text[i];
  }
  return plain;
}

// ---------------------------------------------------------------------------
// Access

void LoadAccessData(Variant& engine, Variant& db, Variant& recordset, const String& database, const String& table,
                    const String& /*user*/, const String& password, String* error) {
  engine = Variant::Null();
  db = Variant::Null();
  recordset = Variant::Null();
  String lastError;
  for (const char16_t* progId : {u"DAO.DBEngine.120", u"DAO.DBEngine.36", u"DAO.DBEngine.35"}) {
    try {
      engine = CreateOleObject(progId);
      break;
    } catch (const Exception& e) {
      lastError = Message(e);
    }
  }
  if (!IsSet(engine)) {
    engine = Variant::Null();
    Keep(error, lastError);
    return;
  }
  try {
    if (password.empty())
      db = OleCall(engine, u"OpenDatabase", {database});
    else
      db = OleCall(engine, u"OpenDatabase", {database, false, false, String(u";PWD=") + password});
    if (!table.empty()) {
      const Variant queries = OleGet(db, u"QueryDefs");
      const Integer count = OleGet(queries, u"Count").AsInteger();
      for (Integer i = 0; i < count; ++i) {
        const Variant query = OleCall(queries, u"Item", {i});
        if (VarToStr(OleGet(query, u"Name")) == table) {
          recordset = OleCall(query, u"OpenRecordset");
          return;
        }
      }
      recordset = OleCall(db, u"OpenRecordset", {table, 1, 0, 2});
    }
  } catch (const Exception& e) {
    if (IsSet(db)) {
      try {
        OleCall(db, u"Close");
      } catch (const Exception&) {
      }
    }
    db = Variant::Null();
    recordset = Variant::Null();
    Keep(error, Message(e));
  }
}

void UnLoadAccessData(Variant& engine, Variant& db, Variant& recordset, bool closeRecordset) {
  try {
    if (closeRecordset && IsSet(recordset)) OleCall(recordset, u"Close");
  } catch (const Exception&) {
  }
  try {
    if (IsSet(db)) OleCall(db, u"Close");
  } catch (const Exception&) {
  }
  recordset = Variant::Null();
  db = Variant::Null();
  engine = Variant::Null();
}

// ---------------------------------------------------------------------------
// ADO

void LoadADO(Variant& connection, Variant& recordset, const String& connectionString, const String& command,
             String* error) {
  connection = Variant::Null();
  recordset = Variant::Null();
  try {
    connection = CreateOleObject(u"ADODB.Connection");
    OleCall(connection, u"Open", {connectionString});
    if (!command.empty()) {
      recordset = CreateOleObject(u"ADODB.Recordset");
      const bool statement = UpperCase(command.substr(0, 7)) == u"SELECT ";
      OleCall(recordset, u"Open",
              {command, connection, adOpenStatic, adLockReadOnly, statement ? adCmdText : adCmdTable});
    }
  } catch (const Exception& e) {
    connection = Variant::Null();
    recordset = Variant::Null();
    Keep(error, Message(e));
  }
}

void UnLoadADO(Variant& connection, Variant& recordset) {
  if (IsSet(recordset)) {
    try {
      OleCall(recordset, u"Close");
    } catch (const Exception&) {
    }
  }
  recordset = Variant::Null();
  connection = Variant::Null();
}

bool IsCorrectFile(const String& fileName) {
  std::error_code ec;
  return !fileName.empty() && std::filesystem::is_regular_file(StringToUtf8(fileName), ec);
}

void GetAccessTables(std::vector<String>& list, const String& database, const String& user, const String& password) {
  if (database.empty()) throw ESMIInvalidPropertyException(Format(strPropertyError, {String(u"DatabaseName")}));
  list.clear();
  if (!IsCorrectFile(database)) return;
  Variant engine, db, recordset;
  LoadAccessData(engine, db, recordset, database, String(), user, password);
  try {
    if (IsSet(db)) {
      const Variant tables = OleGet(db, u"TableDefs");
      const Integer tableCount = OleGet(tables, u"Count").AsInteger();
      for (Integer i = 0; i < tableCount; ++i) {
        const Variant def = OleCall(tables, u"Item", {i});
        if ((OleGet(def, u"Attributes").AsInteger() & dbSystemObject) == 0) list.push_back(VarToStr(OleGet(def, u"Name")));
      }
      const Variant queries = OleGet(db, u"QueryDefs");
      const Integer queryCount = OleGet(queries, u"Count").AsInteger();
      for (Integer i = 0; i < queryCount; ++i) {
        const Variant def = OleCall(queries, u"Item", {i});
        if (OleGet(def, u"ReturnsRecords").AsBoolean()) list.push_back(VarToStr(OleGet(def, u"Name")));
      }
    }
  } catch (const Exception&) {
    // The list holds what was read before the failure.
  }
  UnLoadAccessData(engine, db, recordset, false);
}

// ---------------------------------------------------------------------------
// Previews

void LoadWordPreview(void* grid, String& fieldListText, const String& fileName, Integer firstRow, Integer lastRow,
                     Integer previewRows, Integer fieldNameRow, bool isOEM, std::vector<String>& fieldList,
                     const TOlePreviewRowCallback& rowCallback) {
  Variant word, doc, table;
  LoadMSWord(word, doc, table, fileName);
  try {
    if (IsSet(table)) {
      auto cellText = [&](Integer row, Integer column) {
        return GetPlainCellText(VarToStr(OleGet(OleGet(OleCall(table, u"Cell", {row, column}), u"Range"), u"Text")));
      };
      const Integer columns = OleGet(OleGet(table, u"Columns"), u"Count").AsInteger();
      if (fieldListText.empty()) {
        std::vector<String> names;
        for (Integer c = 1; c <= columns; ++c)
          names.push_back(fieldNameRow <= 0 ? strField + IntToStr(c) : cellText(fieldNameRow, c));
        fieldListText = JoinFieldList(names);
      }
      fieldList = SplitFieldList(fieldListText);
      const Integer rows = OleGet(OleGet(table, u"Rows"), u"Count").AsInteger();
      for (Integer i = firstRow; i <= rows && i < firstRow + previewRows && i <= lastRow; ++i) {
        std::vector<Variant> values(fieldList.size());
        if (fieldNameRow <= 0) {
          for (size_t j = 0; j < values.size() && static_cast<Integer>(j) < columns; ++j)
            values[j] = cellText(i, static_cast<Integer>(j) + 1);
        } else {
          for (Integer c = 1; c <= columns; ++c) {
            const String header = cellText(fieldNameRow, c);
            auto it = std::find(fieldList.begin(), fieldList.end(), header);
            if (it != fieldList.end()) values[static_cast<size_t>(it - fieldList.begin())] = cellText(i, c);
          }
        }
        if (rowCallback) rowCallback(grid, static_cast<Integer>(fieldList.size()), i - firstRow + 1, isOEM, values);
      }
    }
  } catch (...) {
    UnLoadMSWord(word, doc, table);
    throw;
  }
  UnLoadMSWord(word, doc, table);
}

void LoadAccessPreview(void* grid, String& fieldListText, const String& database, const String& table,
                       Integer previewRows, bool isADO, bool isOEM, std::vector<String>& fieldList,
                       const TOlePreviewRowCallback& rowCallback) {
  Variant engine, db, recordset;
  if (isADO)
    LoadADO(engine, recordset, database, table);
  else
    LoadAccessData(engine, db, recordset, database, table, String(), String());
  auto release = [&] {
    if (isADO)
      UnLoadADO(engine, recordset);
    else
      UnLoadAccessData(engine, db, recordset, true);
  };
  try {
    if (IsSet(recordset)) {
      const Integer count = FieldCount(recordset);
      if (fieldListText.empty()) {
        std::vector<String> names;
        for (Integer f = 0; f < count; ++f) names.push_back(VarToStr(OleGet(FieldAt(recordset, f), u"Name")));
        fieldListText = JoinFieldList(names);
      }
      fieldList = SplitFieldList(fieldListText);
      Integer number = 0;
      while (!OleGet(recordset, u"EOF").AsBoolean() && (previewRows < 0 || number < previewRows)) {
        std::vector<Variant> values(fieldList.size());
        for (Integer f = 0; f < count; ++f) {
          const Variant field = FieldAt(recordset, f);
          auto it = std::find(fieldList.begin(), fieldList.end(), VarToStr(OleGet(field, u"Name")));
          if (it != fieldList.end())
            values[static_cast<size_t>(it - fieldList.begin())] = OleFieldValue(OleGet(field, u"Value"));
        }
        ++number;
        if (rowCallback) rowCallback(grid, static_cast<Integer>(fieldList.size()), number, isOEM, values);
        OleCall(recordset, u"MoveNext");
      }
    }
  } catch (...) {
    release();
    throw;
  }
  release();
}

Variant OleFieldValue(const Variant& value) {
  if (value.VarType() == varFMTBcd) return Variant(VarToStr(value));
  if (const std::vector<Byte>* bytes = value.ByteArray()) return Variant(AnsiString(bytes->begin(), bytes->end()));
  return value;
}

// ---------------------------------------------------------------------------
// TRADerevuFromWord

TRADerevuFromWord::TRADerevuFromWord(TComponent* owner) : TRADerevuBaseComponent(owner) { SetTableType(teWord); }
TRADerevuFromWord::~TRADerevuFromWord() { UnLoadMSWord(word, doc, table); }

void TRADerevuFromWord::BeforeImport() {
  TRADerevuBaseComponent::BeforeImport();
  intLenField = 5;
  String error;
  LoadMSWord(word, doc, table, SourceFileName(), &error);
  if (!IsSet(doc)) {
    // The server or the file failed: the run reports it with the server's
    // message rather than ending as a success with no rows.
    UnLoadMSWord(word, doc, table);
    throw ESMIFileException(error.empty() ? Format(u"File %s does not exist.", {SourceFileName()}) : error);
  }
}

void TRADerevuFromWord::AfterImport() {
  UnLoadMSWord(word, doc, table);
  TRADerevuBaseComponent::AfterImport();
}

Integer TRADerevuFromWord::RowCount() { return OleGet(OleGet(table, u"Rows"), u"Count").AsInteger(); }
Integer TRADerevuFromWord::ColumnCount() { return OleGet(OleGet(table, u"Columns"), u"Count").AsInteger(); }

String TRADerevuFromWord::CellText(Integer row, Integer column) {
  return GetPlainCellText(VarToStr(OleGet(OleGet(OleCall(table, u"Cell", {row, column}), u"Range"), u"Text")));
}

bool TRADerevuFromWord::NeedMore() { return IsSet(table) && intCurRow <= RowCount() && intCurRow <= RowLast(); }

Integer TRADerevuFromWord::GetTotalCount() { return IsSet(table) ? RowCount() : 0; }

void TRADerevuFromWord::GetFieldValue(const Variant& name, Variant& value) {
  TRADerevuBaseComponent::GetFieldValue(name, value);
  if (!IsSet(table)) return;
  const String identifier = VarToStr(name);
  Integer column = 0;
  const Integer columns = ColumnCount();
  if (RowFieldNames() <= 0) {
    if (!TryStrToInt(identifier.substr(std::min<size_t>(identifier.size(), static_cast<size_t>(intLenField))), column))
      column = -1;
  } else {
    const String wanted = Trim(identifier);
    for (Integer i = 1; i <= columns; ++i) {
      if (Trim(CellText(RowFieldNames(), i)) == wanted) {
        column = i;
        break;
      }
    }
  }
  if (column >= 1 && column <= columns) value = CellText(intCurRow, column);
}

bool TRADerevuFromWord::NotDefined(String& propertyName) {
  if (TRADerevuBaseComponent::NotDefined(propertyName)) return true;
  if (SourceFileName().empty()) {
    propertyName = u"SourceFileName";
    return true;
  }
  return false;
}

String TRADerevuFromWord::FillFileFilters() const { return strFormat7 + u"|*.DOC|" + strAllFiles; }

void TRADerevuFromWord::DetectAutoMapping() {
  if (!IsSet(table)) return;
  const Integer columns = ColumnCount();
  for (Integer i = 1; i <= columns; ++i) {
    TSMIColumn* column = Columns().Add();
    if (RowFieldNames() <= 0) {
      column->FieldName = strField + IntToStr(i);
    } else {
      const String text = VarToStr(
          OleGet(OleGet(OleCall(table, u"Cell", {RowFieldNames(), i}), u"Range"), u"FormattedText"));
      column->FieldName = text.substr(0, text.find_first_of(u"\a\n\r"));
    }
    column->Caption = column->FieldName;
    column->Size = static_cast<Integer>(OleGet(OleCall(OleGet(table, u"Columns"), u"Item", {i}), u"Width").AsDouble()) / 7;
  }
}

// ---------------------------------------------------------------------------
// Record sets

bool TRADerevuFromADODOA::HasRecordset() const { return IsSet(recordset); }

void TRADerevuFromADODOA::RequireRecordset(const String& error) const {
  if (HasRecordset()) return;
  throw ESMIFileException(error.empty() ? String(u"The data source could not be opened.") : error);
}

void TRADerevuFromADODOA::GoFirst() {
  intCurRow = 0;
  if (!HasRecordset()) return;
  OleCall(recordset, u"MoveFirst");
  // Stops at the end: a RowFirst past the last record imports nothing.
  while (intCurRow + 1 < RowFirst() && !OleGet(recordset, u"EOF").AsBoolean()) {
    OleCall(recordset, u"MoveNext");
    ++intCurRow;
  }
}

void TRADerevuFromADODOA::GoNext() {
  ++intCurRow;
  if (HasRecordset()) OleCall(recordset, u"MoveNext");
}

bool TRADerevuFromADODOA::NeedMore() {
  return HasRecordset() && !OleGet(recordset, u"EOF").AsBoolean() && intCurRow < RowLast();
}

Integer TRADerevuFromADODOA::GetTotalCount() {
  if (!HasRecordset()) return 0;
  const Integer count = OleGet(recordset, u"RecordCount").AsInteger();
  return count < 0 ? 10000 : count;
}

void TRADerevuFromADODOA::GetFieldValue(const Variant& name, Variant& value) {
  TRADerevuBaseComponent::GetFieldValue(name, value);
  if (!HasRecordset()) return;
  const String identifier = VarToStr(name);
  const Integer count = FieldCount(recordset);
  for (Integer f = 0; f < count; ++f) {
    const Variant field = FieldAt(recordset, f);
    if (SameText(VarToStr(OleGet(field, u"Name")), identifier)) {
      value = OleFieldValue(OleGet(field, u"Value"));
      return;
    }
  }
}

void OleFieldColumnType(bool access, Integer t, TSMIDataType& dataType, TAlignment& alignment) {
  alignment = taLeftJustify;
  dataType = itString;
  auto in = [t](std::initializer_list<Integer> codes) { return std::find(codes.begin(), codes.end(), t) != codes.end(); };
  if (access) {
    if (t == 1) dataType = itBoolean;
    else if (in({2, 3, 4, 16})) dataType = itInteger;
    else if (in({5, 6, 7, 19, 20, 21})) dataType = itFloat;
    else if (t == 8) dataType = itDateTime;
    else if (t == 22) dataType = itTime;
    else if (in({9, 11, 17})) dataType = itBLOB;
    else if (t == 12) dataType = itMEMO;
  } else {
    if (t == 11) dataType = itBoolean;
    else if (in({2, 3, 10, 16, 17, 18, 19, 20, 21})) dataType = itInteger;
    else if (in({4, 5, 6, 14, 131, 139})) dataType = itFloat;
    else if (in({7, 64, 133, 135, 137})) dataType = itDateTime;
    else if (t == 134) dataType = itTime;
    else if (in({128, 136, 204, 205})) dataType = itBLOB;
    else if (in({201, 203})) dataType = itMEMO;
  }
  if (dataType == itInteger || dataType == itFloat) alignment = taRightJustify;
}

void TRADerevuFromADODOA::AddRecordsetColumns(bool access) {
  if (!HasRecordset()) return;
  const Integer count = FieldCount(recordset);
  for (Integer f = 0; f < count; ++f) {
    const Variant field = FieldAt(recordset, f);
    TSMIColumn* column = Columns().Add();
    column->FieldName = VarToStr(OleGet(field, u"Name"));
    if (access && column->FieldName.find_first_of(u" /") != String::npos)
      column->FieldName = u"[" + column->FieldName + u"]";
    const Integer type = OleGet(field, u"Type").AsInteger();
    OleFieldColumnType(access, type, column->DataType, column->Alignment);
    column->Size = OleGet(field, access ? u"Size" : u"DefinedSize").AsInteger();
    if (!access && type == 72) column->Size = 38;
    if (!access && column->DataType == itFloat) column->Precision = OleGet(field, u"Precision").AsInteger();
  }
}

// ---------------------------------------------------------------------------
// TRADerevuFromAccess

TRADerevuFromAccess::TRADerevuFromAccess(TComponent* owner) : TRADerevuFromADODOA(owner) { SetTableType(teAccess); }
TRADerevuFromAccess::~TRADerevuFromAccess() { UnLoadAccessData(connection, db, recordset, true); }

void TRADerevuFromAccess::BeforeImport() {
  TRADerevuFromADODOA::BeforeImport();
  String error;
  LoadAccessData(connection, db, recordset, SourceFileName(), TableName(), FUserName, FPassword, &error);
  if (!HasRecordset()) {
    UnLoadAccessData(connection, db, recordset, true);
    RequireRecordset(error);
  }
}

void TRADerevuFromAccess::AfterImport() {
  UnLoadAccessData(connection, db, recordset, true);
  TRADerevuFromADODOA::AfterImport();
}

bool TRADerevuFromAccess::NotDefined(String& propertyName) {
  if (TRADerevuFromADODOA::NotDefined(propertyName)) return true;
  if (SourceFileName().empty()) propertyName = u"SourceFileName";
  else if (TableName().empty()) propertyName = u"TableName";
  else return false;
  return true;
}

String TRADerevuFromAccess::FillFileFilters() const {
  return strFormatE + u"|*.MDB|" + strFormatE2007 + u"|*.ACCDB|" + strAllFiles;
}

// ---------------------------------------------------------------------------
// TRADerevuFromADO

TRADerevuFromADO::TRADerevuFromADO(TComponent* owner) : TRADerevuFromADODOA(owner) { SetTableType(teADO); }
TRADerevuFromADO::~TRADerevuFromADO() { UnLoadADO(connection, recordset); }

void TRADerevuFromADO::BeforeImport() {
  TRADerevuFromADODOA::BeforeImport();
  String error;
  LoadADO(connection, recordset, SourceFileName(), FSQL, &error);
  if (!HasRecordset()) {
    UnLoadADO(connection, recordset);
    RequireRecordset(error);
  }
}

void TRADerevuFromADO::AfterImport() {
  UnLoadADO(connection, recordset);
  TRADerevuFromADODOA::AfterImport();
}

bool TRADerevuFromADO::NotDefined(String& propertyName) {
  if (TRADerevuFromADODOA::NotDefined(propertyName)) return true;
  if (SourceFileName().empty()) propertyName = u"SourceFileName";
  else if (FSQL.empty()) propertyName = u"SQL";
  else return false;
  return true;
}

String TRADerevuFromADO::FillFileFilters() const { return strAllFiles; }
