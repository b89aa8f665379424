#include "platform/rtl/Exceptions.h"
#include "table/MemData.h"

// Placeholder until the IndexFieldNames parser is built.
void TMemData::UpdateIndexFields() { ClearIndexFields(); }
