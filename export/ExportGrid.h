// What the export needs of a data grid, so that it can take rows and
// default columns from one without depending on any grid control: a grid
// control of the program implements this interface.
#pragma once

#include "export/ExportGraphics.h"
#include "platform/db/DBTypes.h"
#include "platform/rtl/Types.h"

class TDataSet;
class TField;

// One grid column as the export sees it.
struct TExportGridColumn {
  String FieldName;
  TField* Field = nullptr;  // the bound field; none for an unbound column
  TAlignment Alignment = taLeftJustify;
  TColor Color = clWindow;
  TFont Font;
  bool Visible = true;
  String TitleCaption;
  TAlignment TitleAlignment = taLeftJustify;
  TFont TitleFont;
  TColor TitleColor = clSilver;
};

class IExportGrid {
 public:
  virtual ~IExportGrid() = default;
  // The control's name, for messages.
  virtual String GridName() const = 0;
  // The dataset of the grid's data source; nullptr when there is none.
  virtual TDataSet* GridDataSet() const = 0;
  virtual Integer GridColumnCount() const = 0;
  virtual TExportGridColumn GridColumn(Integer index) const = 0;
  // The rows the user selected, as bookmarks of GridDataSet.
  virtual Integer SelectedRowCount() const = 0;
  virtual TBookmark SelectedRow(Integer index) const = 0;
};
