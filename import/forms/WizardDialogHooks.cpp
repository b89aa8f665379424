#include "import/forms/WizardDialogHooks.h"

TImportWizardDialogs& ImportWizardDialogs() {
  static TImportWizardDialogs dialogs;
  return dialogs;
}
