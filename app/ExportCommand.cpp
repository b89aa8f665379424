#include "app/TransferCommands.h"

#include "export/WizardDlg.h"

void RunExportWizard(TksVirtualTable& table, const String& fileName) {
  TSMEWizardDlg wizard;
  wizard.SetDataSet(&table);
  wizard.ColumnSource = csDataSet;
  wizard.FileName = fileName;
  wizard.Execute();
}
