// The editor's one window: a table file shown in the data grid, opened from
// the command line or the open dialog, edited in place and saved as VTD.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <memory>

#include "component/ksdatabase/ksVirtualTable.h"
#include "platform/db/DataSource.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/GridView.h"

class QAction;
class QMenu;
class TkscxGrid;

class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  // params are the command line's arguments without the program's name.
  explicit TMainForm(const QStringList& params = {}, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Opens a table file into the grid; raises what went wrong.
  void LoadFromFile(const String& fileName);

  // The menu commands.
  void mnuOpenClick();
  void mnuOpenComposedClick() {}
  void mnuSaveClick();
  void mnuSaveAsClick();
  void mnuExportClick();
  void mnuImportClick();
  void mnuCloseClick();
  void cxBarColorNullsPropertiesEditValueChanged();
  void gVTD_ViewCustomDrawCell(TcxGridDBTableView* sender, TcxCanvas& canvas,
                               const TcxGridTableDataCellViewInfo& viewInfo, bool& done);

  const String& FileName() const { return FFileName; }
  String Caption() const;
  TColor NullColor() const { return FNullColor; }

  // The form's components, for the commands and the tests.
  TksVirtualTable* vtd1() const { return Fvtd1.get(); }
  TDataSource* data1() const { return Fdata1.get(); }
  TkscxGrid* gVTD() const { return FgVTD; }
  TcxGridDBTableView* gVTD_View() const { return FgVTD_View; }
  QAction* mnuOpen = nullptr;
  QAction* mnuOpenComposed = nullptr;
  QAction* mnuSave = nullptr;
  QAction* mnuSaveAs = nullptr;
  QAction* mnuClose = nullptr;
  QAction* mnuExport = nullptr;
  QAction* mnuImport = nullptr;
  QAction* cxBarColorNulls = nullptr;
  QMenu* barFile = nullptr;
  QMenu* barTools = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateMenus();
  void FormCreate(const QStringList& params);
  // Writes the cell being edited and posts its record, so a command that
  // reads or replaces the table sees the last typed value.
  void CommitEditing();

  std::unique_ptr<TksVirtualTable> Fvtd1;
  std::unique_ptr<TDataSource> Fdata1;
  TkscxGrid* FgVTD = nullptr;
  TcxGridDBTableView* FgVTD_View = nullptr;
  String FFileName;
  String FcOrgCaption;
  TColor FNullColor = 0;
};
