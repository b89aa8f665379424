// Rows into a table of any database an ODBC connection string reaches (the
// file name is the connection string), and the routines the wizard lists
// tables and opens sources with.
#pragma once

#include <memory>
#include <vector>

#include "export/writers/ExportToDatabase.h"
#include "platform/odbc/Odbc.h"

class TRODirezaToADO : public TRODirezaToADODOA {
 public:
  explicit TRODirezaToADO(TComponent* owner = nullptr);
  ~TRODirezaToADO() override;
  const char* ClassName() const override { return "TRODirezaToADO"; }

  String Extension() const override { return String(); }

  // The SQL type of a new table's column.
  static String FieldType2SSQL(TFieldType type, Integer width, Integer precision, bool required);
  // A table name that begins with "SELECT " (any case) is a query.
  static bool IsQuery(StringView tableName);

 protected:
  void InitializeConnection() override;
  void FinilizeConnection() override;
  void OpenDatabase(const String& fileName) override;
  bool TableExists(const String& tableName) override;
  void CreateNewTable() override;
  void OpenRecordset() override;
  void AddNewRecord() override;
  void UpdateField(Integer index, TField* field, const Variant& value) override;
  void PostRecord() override;

 private:
  // The column name a name can be written as in SQL: as it is when it is a
  // plain identifier, else quoted.
  String SqlName(StringView name);
  void RemoveCreatedTable();

  std::unique_ptr<TOdbcConnection> connection;
  std::unique_ptr<TOdbcStatement> recordset;  // the insert of one record
  std::vector<TOdbcColumn> FTargetColumns;    // the table's columns the exported columns fill
  std::vector<TSMEColumn*> FExported;
  bool FRecordOpen = false;
  bool FCreatedTable = false;
};

// The tables and views of the database (system tables too when asked), in
// the catalogue's order; failures end the list quietly.
void GetADOTableNames(std::vector<String>& names, const String& connectionString, bool includeSystemTables);
// A connection to the source and, with an SQL text, its rows: a text
// beginning with "SELECT " is run as it is, any other names a table. Any
// failure leaves both empty.
void LoadADO(std::unique_ptr<TOdbcConnection>& connection, std::unique_ptr<TOdbcQuery>& recordset,
             const String& connectionString, const String& sql);
void UnLoadADO(std::unique_ptr<TOdbcConnection>& connection, std::unique_ptr<TOdbcQuery>& recordset);
