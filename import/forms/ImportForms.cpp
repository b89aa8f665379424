#include "import/forms/ImportForms.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/gui/QtStrings.h"
#include "import/forms/ParameterPrompt.h"
#include "import/forms/VODStat.h"

void InstallImportForms() {
  TImportDisplay& display = ImportDisplay();
  display.CreateProgressWindow = []() -> std::unique_ptr<IImportProgressWindow> {
    return std::make_unique<TfrmVODProcess>(QApplication::activeWindow());
  };
  display.ShowMessage = [](const String& text, TImportMessageKind kind) {
    const QString title = QApplication::applicationDisplayName();
    if (kind == imkError)
      QMessageBox::critical(QApplication::activeWindow(), title, ToQString(text), QMessageBox::Ok);
    else
      QMessageBox::information(QApplication::activeWindow(), title, ToQString(text), QMessageBox::Ok);
  };
  display.SetBusyCursor = [](bool busy) {
    if (busy)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
  };
  display.ProcessMessages = [] { QApplication::processEvents(); };
  display.PromptParameters = PromptImportParameters;
}
