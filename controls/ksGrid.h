// The in-house grid classes: the platform grid under the names the library's
// forms use, whose views copy their rows on Ctrl+C and Ctrl+Insert.
#pragma once

#include "controls/ksGridCopy.h"
#include "platform/gui/GridView.h"

class TkscxGridBase : public TcxGrid {
  Q_OBJECT

 public:
  using TcxGrid::TcxGrid;
  TcxGridDBTableView* CreateView() {
    TcxGridDBTableView* view = TcxGrid::CreateView();
    InstallGridCopyKeys(view);
    return view;
  }
};

class TkscxGrid : public TkscxGridBase {
  Q_OBJECT

 public:
  using TkscxGridBase::TkscxGridBase;
};
