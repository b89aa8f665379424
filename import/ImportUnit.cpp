#include "import/ImportUnit.h"

#include "import/ImportMessages.h"
#include "import/SMIParser.h"
#include "platform/odbc/DatabaseAutomation.h"

void ImportInitialize() {
  InitImportMessages();
  RegFunctionsInitialize();
  RegisterDatabaseAutomationServers();
}

void ImportFinalize() {
  UnregisterDatabaseAutomationServers();
  RegFunctionsFinalize();
  ClearImportMessages();
}
