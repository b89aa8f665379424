#include "export/forms/ExportForms.h"

#include <QApplication>
#include <QMessageBox>

#include "export/forms/QtStrings.h"
#include "export/forms/ZAZProcess.h"

void InstallExportForms() {
  TExportDisplay& display = ExportDisplay();
  display.CreateProgressWindow = []() -> std::unique_ptr<IExportProgressWindow> {
    return std::make_unique<TfrmZAZProcess>(QApplication::activeWindow());
  };
  display.ShowMessage = [](const String& text, TExportMessageKind kind) {
    const QString title = QApplication::applicationDisplayName();
    if (kind == emkError)
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
}
