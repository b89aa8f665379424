// The data-aware grid: a grid holding one level that shows one table view
// of a data source's dataset, with columns bound to fields by name, in-place
// editors, a navigator bar, multiple selection and a cell-drawing hook.
#pragma once

#include <QTableView>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/Graphics.h"
#include "platform/rtl/Variant.h"

class TcxGridDataController;
class TcxGridDBColumn;
class TcxGridDBTableView;
class TcxGridNavigator;
class TField;

// How a column finds its field.
class TcxGridDataBinding {
 public:
  const String& FieldName() const { return FFieldName; }
  void SetFieldName(const String& value);

 private:
  friend class TcxGridDBColumn;
  explicit TcxGridDataBinding(TcxGridDBColumn* column) : FColumn(column) {}
  TcxGridDBColumn* FColumn;
  String FFieldName;
};

class TcxGridDBColumn {
 public:
  explicit TcxGridDBColumn(TcxGridDBTableView* view);
  TcxGridDBTableView* GridView() const { return FView; }
  TcxGridDataBinding& DataBinding() { return FDataBinding; }
  const TcxGridDataBinding& DataBinding() const { return FDataBinding; }
  const String& Name() const { return FName; }
  void SetName(const String& value) { FName = value; }
  // In pixels; a column that was never given one has the view's default.
  int Width() const;
  void SetWidth(int value);
  int Index() const;
  // The bound field while the view shows an active dataset.
  TField* Field() const;

 private:
  TcxGridDBTableView* FView;
  TcxGridDataBinding FDataBinding;
  String FName;
  int FWidth = -1;
};

// What the drawing handler learns of the cell.
struct TcxGridTableDataCellViewInfo {
  int RecordIndex = -1;
  TcxGridDBColumn* Item = nullptr;
  Variant Value;
};

using TcxGridTableDataCellCustomDrawEvent = std::function<void(
    TcxGridDBTableView* sender, TcxCanvas& canvas, const TcxGridTableDataCellViewInfo& viewInfo, bool& done)>;

// The table widget under the view: paints the empty-grid text and lets the
// view commit the editor that is open.
class TcxGridSite : public QTableView {
  Q_OBJECT

 public:
  explicit TcxGridSite(QWidget* parent);
  // Writes the open cell editor's value into the model and closes it.
  void CommitOpenEditor();
  // Whether a cell editor is open.
  bool Editing() const { return state() == EditingState; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 signals:
  void InsertKey();
  void DeleteKey();
  void EscapeKey();
};

class TcxGridDBTableView : public QWidget {
  Q_OBJECT

 public:
  explicit TcxGridDBTableView(QWidget* parent = nullptr);
  ~TcxGridDBTableView() override;

  const String& Name() const { return FName; }
  void SetName(const String& value) { FName = value; }
  TcxGridDataController* DataController() const { return FController.get(); }
  TcxGridSite* Site() const { return FSite; }
  TcxGridNavigator* Navigator() const { return FNavigator; }

  // Columns.
  TcxGridDBColumn* CreateColumn();
  void ClearItems();
  int ColumnCount() const { return static_cast<int>(FColumns.size()); }
  TcxGridDBColumn* Columns(int index) const { return FColumns.at(static_cast<size_t>(index)).get(); }
  TcxGridDBColumn* ColumnByName(const String& name) const;
  int DefaultColumnWidth() const { return FDefaultColumnWidth; }

  // Changes inside an update are applied once, at its outermost end.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  bool Updating() const { return FUpdateCount > 0; }
  void Invalidate();

  bool NavigatorVisible() const;
  void SetNavigatorVisible(bool value);
  bool MultiSelect() const;
  void SetMultiSelect(bool value);
  // Whether the user may filter by a column's values (the filter dialog).
  bool ColumnFiltering() const { return FColumnFiltering; }
  void SetColumnFiltering(bool value) { FColumnFiltering = value; }
  // The box above the header that columns are dragged into for grouping;
  // this grid does not group, so it is a setting only.
  bool GroupByBox() const { return FGroupByBox; }
  void SetGroupByBox(bool value) { FGroupByBox = value; }
  // Long captions end in an ellipsis instead of being cut.
  bool HeaderEndEllipsis() const;
  void SetHeaderEndEllipsis(bool value);
  bool HeaderAutoHeight() const { return FHeaderAutoHeight; }
  void SetHeaderAutoHeight(bool value) { FHeaderAutoHeight = value; }
  // Called once the grid has made the view and it is ready for use.
  virtual void Loaded() {}

  // Asks for a filter expression over the view's dataset and applies it;
  // an empty one shows every row again. Raises what the dataset refuses.
  void ShowFilterCustomizeDialog();

  // Called for every data cell before it is drawn; may change its brush or
  // draw the cell itself (done).
  TcxGridTableDataCellCustomDrawEvent OnCustomDrawCell;

  // Navigation and editing, as the navigator's buttons do them.
  void GoFirst();
  void GoPrior();
  void GoNext();
  void GoLast();
  void InsertRecord();
  // Deletes the selected records (or the focused one) after the question.
  void DeleteRecords();
  void EditRecord();
  void PostRecord();
  void CancelRecord();
  void RefreshRecords();
  // Commits the open cell editor and posts the record being edited.
  void PostEditing();
  // The rows the user selected, in ascending order.
  std::vector<int> SelectedRows() const;

 private:
  friend class TcxGridDBColumn;
  friend class TcxGridDataBinding;
  void LayoutColumns();
  void ColumnWidthChanged(TcxGridDBColumn* column);
  void FollowFocusedRow(int row);
  void CurrentRowChanged(const QModelIndex& current, const QModelIndex& previous);

  String FName;
  std::unique_ptr<TcxGridDataController> FController;
  TcxGridSite* FSite;
  TcxGridNavigator* FNavigator;
  std::vector<std::unique_ptr<TcxGridDBColumn>> FColumns;
  int FUpdateCount = 0;
  bool FColumnsChanged = false;
  bool FFollowing = false;
  // Wide enough for a name or a date in the default font.
  int FDefaultColumnWidth = 100;
  bool FColumnFiltering = true;
  bool FGroupByBox = true;
  bool FHeaderAutoHeight = false;
};

// A level of the grid: which view it shows.
class TcxGridLevel {
 public:
  const String& Name() const { return FName; }
  void SetName(const String& value) { FName = value; }
  TcxGridDBTableView* GridView() const { return FGridView; }

 private:
  friend class TcxGrid;
  String FName;
  TcxGridDBTableView* FGridView = nullptr;
};

// The view classes a grid can show, by the name a form designer lists them
// under.
using TcxGridViewFactory = std::function<TcxGridDBTableView*(QWidget* grid)>;
void RegisterGridViewClass(const String& description, TcxGridViewFactory factory);
void UnregisterGridViewClass(const String& description);
// The descriptions in the order they were registered.
std::vector<String> RegisteredGridViewClasses();
// A new view of the registered class; nullptr for an unknown description.
TcxGridDBTableView* CreateRegisteredGridView(const String& description, QWidget* grid);

// The grid control: one level showing one table view.
class TcxGrid : public QWidget {
  Q_OBJECT

 public:
  explicit TcxGrid(QWidget* parent = nullptr);
  ~TcxGrid() override;
  const String& Name() const { return FName; }
  void SetName(const String& value) { FName = value; }
  TcxGridLevel* Level() const { return FLevel.get(); }
  // Makes a view of the class the level shows (owned by the grid).
  template <class TView = TcxGridDBTableView>
  TView* CreateView() {
    auto* view = new TView(this);
    AttachView(view);
    return view;
  }

 private:
  void AttachView(TcxGridDBTableView* view);

  String FName;
  std::unique_ptr<TcxGridLevel> FLevel;
};
