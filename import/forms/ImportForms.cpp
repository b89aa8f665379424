#include "import/forms/ImportForms.h"

#include <QApplication>

#include "platform/gui/Dialogs.h"
#include "import/forms/ParameterPrompt.h"
#include "import/forms/SpecificationForms.h"
#include "import/forms/VODStat.h"

void InstallImportForms() {
  TImportDisplay& display = ImportDisplay();
  display.CreateProgressWindow = []() -> std::unique_ptr<IImportProgressWindow> {
    return std::make_unique<TfrmVODProcess>(QApplication::activeWindow());
  };
  display.ShowMessage = [](const String& text, TImportMessageKind kind) {
    if (kind == imkError)
      ShowErrorMessage(QApplication::activeWindow(), text);
    else
      ShowInformationMessage(QApplication::activeWindow(), text);
  };
  display.SetBusyCursor = SetBusyCursor;
  display.ProcessMessages = [] { QApplication::processEvents(); };
  display.PromptParameters = PromptImportParameters;
  InstallSpecificationForms();
}
