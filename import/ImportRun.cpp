// The run of an import: Execute checks the settings and drives Prepare, the
// row loop over the reader operations. The row loop, transactions, keyed
// modes and the progress window are built on top of this entry point.
#include "import/ImportComponent.h"
#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/Strings.h"

bool TRADerevuBaseComponent::Execute() {
  String missing;
  if (NotDefined(missing)) throw ESMIInvalidPropertyException(Format(strPropertyError, {missing}));
  Prepare();
  return FStatistic.Result == irExecuted;
}

void TRADerevuBaseComponent::Prepare() {
  // No row loop yet: refuse rather than report a run that imported nothing
  // as a success.
  AbstractError();
}
