// The editor's start: the units in their order, the application, the main
// window, the message loop, and the units undone in reverse.
#include "app/MainForm.h"
#include "controls/ksControlsUnit.h"
#include "export/forms/ExportForms.h"
#include "export/forms/PromptDataSource.h"
#include "import/ImportUnit.h"
#include "import/forms/ImportForms.h"
#include "import/forms/VODWizard.h"
#include "import/readers/ImportFromADO.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/FileDialogs.h"
#include "platform/gui/QtClipboard.h"
#include "platform/rtl/FileDialog.h"
#include "platform/rtl/RtlUnit.h"
#include "platform/win/Clipboard.h"
#include "table/MemData.h"

int main(int argc, char** argv) {
  RtlInitialize();
  MemDataInitialize();
  ImportInitialize();
  int result = 0;
  {
    TApplication app(argc, argv);
    TApplication::setApplicationName(QStringLiteral("Folvane"));
    ControlsInitialize();
    InstallQtFileDialogs();
    InstallQtClipboard();
    InstallImportForms();
    InstallImportWizardForm();
    InstallExportForms();
    // The ADO source of the import asks for its connection through the
    // same data-link dialog as the ADO target of the export.
    SetDataLinkDialog([](void* parent, String& connectionString) {
      const String chosen = PromptDataSource(static_cast<QWidget*>(parent), connectionString);
      if (chosen == connectionString) return false;
      connectionString = chosen;
      return true;
    });
    QStringList params = TApplication::arguments();
    params.removeFirst();
    TMainForm form(params);
    form.show();
    result = TApplication::exec();
    SetFileDialogHandler(nullptr);
    SetClipboard(nullptr);
    ControlsFinalize();
  }
  ImportFinalize();
  MemDataFinalize();
  RtlFinalize();
  return result;
}
