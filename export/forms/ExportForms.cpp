#include "export/forms/ExportForms.h"

#include <QApplication>

#include "platform/gui/Dialogs.h"
#include "export/forms/ZAZProcess.h"
#include "export/forms/ZAZSpecs.h"
#include "export/forms/ZAZWizard.h"

void InstallExportForms() {
  TExportDisplay& display = ExportDisplay();
  display.CreateProgressWindow = []() -> std::unique_ptr<IExportProgressWindow> {
    return std::make_unique<TfrmZAZProcess>(QApplication::activeWindow());
  };
  display.ShowMessage = [](const String& text, TExportMessageKind kind) {
    if (kind == emkError)
      ShowErrorMessage(QApplication::activeWindow(), text);
    else
      ShowInformationMessage(QApplication::activeWindow(), text);
  };
  display.SetBusyCursor = SetBusyCursor;
  SetZAZWizardFormFactory(CreateZAZWizardForm);
  SetZAZSaveSpecDialog(ShowZAZSaveSpecDialog);
}
