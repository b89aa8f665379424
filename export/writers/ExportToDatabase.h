// The common run of the writers that add rows to a table of a database
// instead of writing a file: open the database, make sure the table exists,
// then one database record per accepted source record, one field per
// exported column. Each database writer answers the steps below.
#pragma once

#include <memory>

#include "export/ExportComponent.h"

class TRODirezaToADODOA : public TRODirezaBaseComponent {
 public:
  explicit TRODirezaToADODOA(TComponent* owner = nullptr);
  ~TRODirezaToADODOA() override;
  const char* ClassName() const override { return "TRODirezaToADODOA"; }

  bool UseCurrentInstance = false;
  String UserName;
  String Password;

  void Assign(const TComponent* source) override;
  void Prepare() override;

 protected:
  virtual void InitializeConnection() {}
  // Runs after every run, also one that failed (RunFailed() tells).
  virtual void FinilizeConnection() {}
  virtual void OpenDatabase(const String& /*fileName*/) {}
  virtual bool TableExists(const String& /*tableName*/) { return false; }
  virtual void DeleteTable(const String& /*tableName*/) {}
  virtual void CreateNewTable() {}
  virtual void OpenRecordset() {}
  virtual void AddNewRecord() {}
  // Index is the position among the exported columns; the field is the
  // source field of a data cell, none otherwise.
  virtual void UpdateField(Integer /*index*/, TField* /*field*/, const Variant& /*value*/) {}
  virtual void PostRecord() {}

  // The columns a run writes, in their order.
  bool IsExportedColumn(const TSMEColumn& column) const;
  std::vector<TSMEColumn*> ExportedColumns() const;
  // The exported column at a position among the exported columns; none past the end.
  TSMEColumn* ExportedColumn(Integer index) const;
  // Whether a field keeps text or bytes outside the record (memos, blobs).
  static bool IsMemoField(const TField* field);
  static bool IsBinaryBlobField(const TField* field);
  bool RunFailed() const { return FRunFailed; }

  bool IsNewestCom = false;  // the writer made its connection or engine itself
  std::unique_ptr<TFont> fontUser;

 private:
  void WriteRecord(TSMECustomDataEngine& source, Integer written);
  bool FRunFailed = false;
};
