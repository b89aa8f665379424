// The grid's table model: rows of a data source's dataset, read on demand
// through ReadRow, so that painting touches only the rows on screen. The row
// being inserted appears at the place it will take.
#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/rtl/Variant.h"

class TDataSet;
class TDataSource;
class TField;
class TcxGridDBTableView;

// How the controller fetches: in grid (server) mode a grid loads only the
// rows it shows. This controller always reads rows on demand, so the mode
// is kept for the controls that switch it.
struct TcxDataModeController {
  bool GridMode = false;
};

class TcxGridDataController : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TcxGridDataController(TcxGridDBTableView* view);
  ~TcxGridDataController() override;

  TcxDataModeController& DataModeController() { return FDataModeController; }
  const TcxDataModeController& DataModeController() const { return FDataModeController; }
  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* value);
  // The dataset while the link is active; nullptr otherwise.
  TDataSet* DataSet() const;

  // The field a column shows (bound by name); nullptr when there is none.
  TField* ColumnField(int column) const;
  // The view's columns changed: rebind and rebuild.
  void ColumnsChanged();

  // The row of the active record; -1 without one.
  int FocusedRow() const;
  // Makes the row's record the active one (posting a pending edit first).
  void FocusRow(int row);
  // The cell's value; Null for a null value or a cell that cannot be read.
  Variant CellValue(int row, int column);
  bool CellIsNull(int row, int column);
  // Every cell value of the row, read from its record without the display
  // texts (for reading many rows once); false when the row cannot be read.
  bool RowValues(int row, std::vector<Variant>& values) const;
  // Starts a new record before the active one, or at the end.
  void InsertRecord(bool append);
  // Deletes the records of the rows (a pending insert is cancelled).
  void DeleteRows(std::vector<int> rows);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 signals:
  // The active record moved (or the rows around it changed).
  void FocusedRowChanged(int row);
  // The dataset's state or the link's activity changed.
  void StateChanged();
  // The dataset asks the controls for their pending values.
  void UpdateDataRequested();

 private:
  class Link;
  friend class Link;
  struct Cell {
    QString Text;
    Variant Value = Variant::Null();
    bool Null = true;
  };
  using Row = std::vector<Cell>;

  const Row& CachedRow(int row) const;
  // Reads the row's record with fn while the fields give its values.
  template <class Fn>
  bool ReadRecord(int row, Fn&& fn) const;
  Integer RecNoOfRow(int row) const;
  QVariant EditValue(TField* field) const;
  void WriteValue(TField* field, const QVariant& value, int role);
  void BindFields();
  void Rebuild();
  void DataChanged();
  void SyncRowCount();
  int CountRows() const;

  TcxGridDBTableView* FView;
  TcxDataModeController FDataModeController;
  std::unique_ptr<Link> FLink;
  std::vector<TField*> FFields;
  int FRowCount = 0;
  int FInsertRow = -1;     // row of the record being inserted, -1 when none
  int FLastBrowseRow = 0;  // the active row before the insert began
  bool FAppending = false;
  mutable std::unordered_map<int, Row> FCache;
};
