#include "import/ImportUnit.h"

#include "import/ImportMessages.h"
#include "import/SMIParser.h"

void ImportInitialize() {
  InitImportMessages();
  RegFunctionsInitialize();
}

void ImportFinalize() {
  RegFunctionsFinalize();
  ClearImportMessages();
}
