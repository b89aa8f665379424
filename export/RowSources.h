// The row sources an export walks: the export asks them for rows, values
// and default columns, and does not know whether the rows come from a
// dataset, a data grid or the caller's own code.
#pragma once

#include <functional>

#include "export/ExportColumns.h"
#include "platform/rtl/Component.h"

class IExportGrid;
class TDataSet;
class TField;

// The base answers from its events, so a caller can serve rows without a
// dataset (the custom row source).
class TSMECustomDataEngine : public TComponent {
 public:
  explicit TSMECustomDataEngine(TComponent* owner = nullptr) : TComponent(owner) {}
  const char* ClassName() const override { return "TSMECustomDataEngine"; }

  // Export only the current or selected rows.
  bool FSelectedRecords = false;
  std::function<void(TSMECustomDataEngine*)> OnFirst;
  std::function<void(TSMECustomDataEngine*, bool& abort)> OnNext;
  std::function<void(TSMECustomDataEngine*, Integer& count)> OnCount;
  std::function<void(TSMECustomDataEngine*)> OnBeforeExecute;
  std::function<void(TSMECustomDataEngine*)> OnAfterExecute;
  // The sender is the column collection being filled.
  std::function<void(TSMEColumns*)> OnFillColumns;
  // Kept for callers; no step calls it.
  std::function<void(TSMECustomDataEngine*, TSMEColumn& column, Variant& value)> OnGetValue;
  Integer FLevel = 0;  // 0 master, 1 detail
  bool IsCanceled = false;

  virtual bool SelectedRecordIsSupported() { return false; }
  virtual void EnableControls() {}
  virtual void DisableControls() {}
  virtual void SavePosition();
  virtual void RestorePosition();
  virtual void FillColumns(TSMEColumns& columns, TSMEColumnBands& bands, bool rightToLeft);
  virtual bool IsDataRow(Integer /*row*/) { return true; }
  virtual bool Eof() { return true; }
  virtual void First();
  virtual void Next();
  virtual Variant GetFieldValue(TSMEColumn& /*column*/) { return Variant::Null(); }
  virtual void ApplyCellColors(Integer /*row*/, Integer /*column*/, TAlignment& /*alignment*/, TFont& /*font*/,
                               TColor& /*color*/) {}
  virtual Integer RecordCount();
  virtual TFieldType DataTypeByColumn(const TSMEColumn& column) { return CellType2FieldType(column.DataType); }
  virtual bool RequiredByColumn(const TSMEColumn* /*column*/) { return false; }
  virtual bool ReadOnlyByColumn(const TSMEColumn* /*column*/) { return false; }
  virtual TField* FindFieldByColumn(const TSMEColumn* /*column*/) { return nullptr; }
};

// A row source over a dataset: moves, values and field flags come from it.
class TSMECustomDBDataEngine : public TSMECustomDataEngine {
 public:
  using TSMECustomDataEngine::TSMECustomDataEngine;
  const char* ClassName() const override { return "TSMECustomDBDataEngine"; }

  void EnableControls() override;
  void DisableControls() override;
  void SavePosition() override;
  void RestorePosition() override;
  void FillColumns(TSMEColumns& columns, TSMEColumnBands& bands, bool rightToLeft) override;
  bool Eof() override;
  void First() override;
  void Next() override;
  Variant GetFieldValue(TSMEColumn& column) override;
  Integer RecordCount() override;
  bool RequiredByColumn(const TSMEColumn* column) override;
  bool ReadOnlyByColumn(const TSMEColumn* column) override;
  TField* FindFieldByColumn(const TSMEColumn* column) override;
  virtual TDataSet* GetDataset() { return nullptr; }

 protected:
  TBookmark bkmark;
  Integer FRecordCount = 0;
};

class TSMEDatasetDataEngine : public TSMECustomDBDataEngine {
 public:
  explicit TSMEDatasetDataEngine(TComponent* owner = nullptr, TDataSet* dataSet = nullptr)
      : TSMECustomDBDataEngine(owner), FDataSet(dataSet) {}
  const char* ClassName() const override { return "TSMEDatasetDataEngine"; }

  TDataSet* Dataset() const { return FDataSet; }
  void SetDataset(TDataSet* value) { FDataSet = value; }

  bool SelectedRecordIsSupported() override { return true; }
  // With the selected-records switch the current row is the one row.
  bool Eof() override;
  void First() override;
  void Next() override;
  Integer RecordCount() override;
  TDataSet* GetDataset() override { return FDataSet; }

 private:
  bool FIsRecProcessed = false;
  TDataSet* FDataSet;
};

// A row source over a data grid: its dataset, its columns and, with the
// selected-records switch, the rows selected in it.
class TSMEDBGridDataEngine : public TSMECustomDBDataEngine {
 public:
  explicit TSMEDBGridDataEngine(TComponent* owner = nullptr, IExportGrid* grid = nullptr)
      : TSMECustomDBDataEngine(owner), FDBGrid(grid) {}
  const char* ClassName() const override { return "TSMEDBGridDataEngine"; }

  IExportGrid* DBGrid() const { return FDBGrid; }
  void SetDBGrid(IExportGrid* value) { FDBGrid = value; }

  bool SelectedRecordIsSupported() override { return true; }
  void FillColumns(TSMEColumns& columns, TSMEColumnBands& bands, bool rightToLeft) override;
  bool Eof() override;
  void First() override;
  void Next() override;
  Integer RecordCount() override;
  TDataSet* GetDataset() override;

 private:
  void GotoSelected();
  Integer intCurrentSelectedRow = 0;
  IExportGrid* FDBGrid;
};
