#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "table/Data.h"

// Placeholder until filter expressions are built.
void TData::SetFilterText(const String& value) { FFilterText = value; }
void TData::CreateFilterExpression(const String& text) {
  FreeFilterExpression();
  if (!Trim(text).empty()) AbstractError();
}
void TData::FreeFilterExpression() { FFilterExpression = nullptr; }
bool TData::Eval(TExpressionNode*) { return true; }
bool TData::Filtered() const { return FCachedUpdates || FFilterFunc || FFilterMDFunc || HasFilterExpression(); }
