// The in-house library's table class: the virtual table as it is, so that
// forms built on the library name their tables by the library's class.
#pragma once

#include "table/VirtualTable.h"

class TksVirtualTable : public TVirtualTable {
 public:
  using TVirtualTable::TVirtualTable;
  const char* ClassName() const override { return "TksVirtualTable"; }
};
