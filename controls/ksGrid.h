// The in-house grid classes: the platform grid as it is, under the names
// the library's forms use.
#pragma once

#include "platform/gui/GridView.h"

class TkscxGridBase : public TcxGrid {
  Q_OBJECT

 public:
  using TcxGrid::TcxGrid;
};

class TkscxGrid : public TkscxGridBase {
  Q_OBJECT

 public:
  using TkscxGridBase::TkscxGridBase;
};
