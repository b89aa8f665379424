#include "platform/rtl/Exceptions.h"
#include "table/MemData.h"

// Placeholder until sorting is built.
void TMemData::SetSortDefaults(TSortColumn& sortColumn) {
  sortColumn.DescendingOrder = false;
  sortColumn.SortType = stCaseSensitive;
}
void TMemData::SetIndexFieldNames(const String&) { AbstractError(); }
void TMemData::SortItems() {}
void TMemData::ClearIndexFields() { FIndexFields.clear(); }
