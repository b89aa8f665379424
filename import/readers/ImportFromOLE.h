// The sources read through automation servers: the first table of a Word
// document, a table or saved query of an Access database, and a table, view
// or SELECT statement of an ADO connection. Every server is reached late
// bound by name (platform/win/Automation.h); a handle that was not obtained
// is Null and every later step tests it first. The unit also holds the
// wizard's previews and the Access table lister.
#pragma once

#include <functional>
#include <vector>

#include "import/ImportComponent.h"
#include "import/readers/ImportFromCell.h"

// Named values of the servers' calls.
inline constexpr Integer adOpenStatic = 3;
inline constexpr Integer adLockReadOnly = 1;
inline constexpr Integer adCmdText = 1;
inline constexpr Integer adCmdTable = 2;
inline constexpr Integer adSchemaTables = 20;
inline constexpr Integer dbSystemObject = static_cast<Integer>(0x80000002u);

// ---- Word ----

// word := the running "Word.Application", else a new one; then the document
// and its first table. A failure of the server leaves all three Null; a
// failure to open the file or find a table leaves doc and table Null. The
// server's message of the failure goes into error when given.
void LoadMSWord(Variant& word, Variant& doc, Variant& table, const String& fileName, String* error = nullptr);
// Clears table and doc and quits the server (also one found running).
void UnLoadMSWord(Variant& word, Variant& doc, Variant& table);
// A Word cell's text without its end-of-cell marks (CR BEL, BEL).
String GetPlainCellText(const String& text);

// ---- Access (DAO) ----

// The engine (".120", else ".36", else ".35"), the database (with ";PWD="
// and the password when one is given) and, with a table name, the record
// set of that saved query or table. Failures after the engine leave db and
// recordset Null, their message in error. The user name is not used.
void LoadAccessData(Variant& engine, Variant& db, Variant& recordset, const String& database, const String& table,
                    const String& user, const String& password, String* error = nullptr);
void UnLoadAccessData(Variant& engine, Variant& db, Variant& recordset, bool closeRecordset);

// ---- ADO ----

// A connection and, with a command, its record set (a statement when the
// command begins with "SELECT ", else a table). Any failure leaves both
// Null, its message in error.
void LoadADO(Variant& connection, Variant& recordset, const String& connectionString, const String& command,
             String* error = nullptr);
void UnLoadADO(Variant& connection, Variant& recordset);

bool IsCorrectFile(const String& fileName);
// The tables (no system tables) and then the saved queries that return
// rows; failures end the list quietly.
void GetAccessTables(std::vector<String>& list, const String& database, const String& user, const String& password);

// The preview's row callback: grid, field count, row number from 1, OEM
// flag, one value per field.
using TOlePreviewRowCallback =
    std::function<void(void* grid, Integer fieldCount, Integer rowNumber, bool isOEM, std::vector<Variant>& values)>;

void LoadWordPreview(void* grid, String& fieldListText, const String& fileName, Integer firstRow, Integer lastRow,
                     Integer previewRows, Integer fieldNameRow, bool isOEM, std::vector<String>& fieldList,
                     const TOlePreviewRowCallback& rowCallback);
void LoadAccessPreview(void* grid, String& fieldListText, const String& database, const String& table,
                       Integer previewRows, bool isADO, bool isOEM, std::vector<String>& fieldList,
                       const TOlePreviewRowCallback& rowCallback);

// A field's value as the import takes it: decimals as text, byte arrays as
// a string holding their bytes.
Variant OleFieldValue(const Variant& value);

class TRADerevuFromWord : public TRADerevuBaseComponent {
 public:
  explicit TRADerevuFromWord(TComponent* owner = nullptr);
  ~TRADerevuFromWord() override;
  const char* ClassName() const override { return "TRADerevuFromWord"; }

  void BeforeImport() override;
  void AfterImport() override;
  void GoFirst() override { intCurRow = RowFirst(); }
  void GoNext() override { ++intCurRow; }
  bool NeedMore() override;
  Integer GetTotalCount() override;
  void GetFieldValue(const Variant& name, Variant& value) override;
  bool NotDefined(String& propertyName) override;
  String Extension() const override { return u".DOC"; }
  String FillFileFilters() const override;
  void DetectAutoMapping() override;

 private:
  Integer RowCount();
  Integer ColumnCount();
  String CellText(Integer row, Integer column);

  Integer intCurRow = 0;
  Integer intLenField = 0;
  Variant word, doc, table;
};

// The record-set walk that the Access and ADO sources share.
class TRADerevuFromADODOA : public TRADerevuBaseComponent {
 public:
  using TRADerevuBaseComponent::TRADerevuBaseComponent;
  const char* ClassName() const override { return "TRADerevuFromADODOA"; }

  void GoFirst() override;
  void GoNext() override;
  bool NeedMore() override;
  Integer GetTotalCount() override;
  void GetFieldValue(const Variant& name, Variant& value) override;

 protected:
  // One column per field, typed by the field's type code; Access names
  // with a blank or "/" are bracketed.
  void AddRecordsetColumns(bool access);
  // Raises the suite's error with the server's message when the record set
  // could not be opened: a run must not end as a success with no rows.
  void RequireRecordset(const String& error) const;
  bool HasRecordset() const;

  Integer intCurRow = 0;
  Variant connection, recordset;
};

class TRADerevuFromAccess : public TRADerevuFromADODOA {
 public:
  explicit TRADerevuFromAccess(TComponent* owner = nullptr);
  ~TRADerevuFromAccess() override;
  const char* ClassName() const override { return "TRADerevuFromAccess"; }
  const String& UserName() const { return FUserName; }
  void SetUserName(const String& value) { FUserName = value; }
  const String& Password() const { return FPassword; }
  void SetPassword(const String& value) { FPassword = value; }

  void BeforeImport() override;
  void AfterImport() override;
  bool NotDefined(String& propertyName) override;
  String Extension() const override { return u".MDB"; }
  String FillFileFilters() const override;
  void DetectAutoMapping() override { AddRecordsetColumns(true); }

 private:
  String FUserName, FPassword;
  Variant db;
};

class TRADerevuFromADO : public TRADerevuFromADODOA {
 public:
  explicit TRADerevuFromADO(TComponent* owner = nullptr);
  ~TRADerevuFromADO() override;
  const char* ClassName() const override { return "TRADerevuFromADO"; }
  // A table name or a statement.
  const String& SQL() const { return FSQL; }
  void SetSQL(const String& value) { FSQL = value; }

  void BeforeImport() override;
  void AfterImport() override;
  bool NotDefined(String& propertyName) override;
  String Extension() const override { return String(); }
  String FillFileFilters() const override;
  void DetectAutoMapping() override { AddRecordsetColumns(false); }

 private:
  String FSQL;
};

// The column type and alignment of an Access (DAO) or ADO field type code.
void OleFieldColumnType(bool access, Integer fieldType, TSMIDataType& dataType, TAlignment& alignment);
