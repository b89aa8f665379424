#include "app/TransferCommands.h"

#include "import/ImportWizard.h"

void RunImportWizard(TksVirtualTable& table) {
  TSMIWizardDlg wizard(nullptr);
  wizard.SetDataSet(&table);
  wizard.Execute();
}
