// Rows into a table of an Access database, driven through the database
// engine's automation objects ("DAO.DBEngine.120", ".36", ".35"). Where no
// engine is registered (the case on Linux) the run fails with the
// platform's "Invalid class string", as on a machine without Access.
#pragma once

#include <vector>

#include "export/writers/ExportToDatabase.h"

enum TMSAccessVersion : Byte { avAuto, avAccess97, avAccess2000, avAccess2007 };
inline constexpr TMSAccessVersion DefaultAccessVersion = avAuto;

class TRODirezaToAccess : public TRODirezaToADODOA {
 public:
  explicit TRODirezaToAccess(TComponent* owner = nullptr);
  ~TRODirezaToAccess() override;
  const char* ClassName() const override { return "TRODirezaToAccess"; }

  TMSAccessVersion MSAccessVersion = DefaultAccessVersion;

  void Assign(const TComponent* source) override;
  String Extension() const override { return u".MDB"; }

  // The engine's field type for a field type (text 10, long 4, memo 12 ...).
  static Integer MDBType(TFieldType type);

 protected:
  void InitializeConnection() override;
  void FinilizeConnection() override;
  void OpenDatabase(const String& fileName) override;
  bool TableExists(const String& tableName) override;
  void DeleteTable(const String& tableName) override;
  void CreateNewTable() override;
  void OpenRecordset() override;
  void AddNewRecord() override;
  void UpdateField(Integer index, TField* field, const Variant& value) override;
  void PostRecord() override;

 private:
  Variant access, db, recordset;
};

// The names of the tables of an Access database that are not system
// objects, in the database's order; a file that does not exist gives none,
// and errors while reading end the list quietly. An empty name raises
// "Property DatabaseName is not specified.".
void GetAccessTableNames(std::vector<String>& names, const String& databaseName);
