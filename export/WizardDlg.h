// The export wizard component: it carries every export setting, fills the
// ten-page wizard form with them, reads the form back when the user pressed
// the final button and runs the export through a format dispatcher. The
// form is the GUI's (export/forms); it reaches this component through a
// factory hook and works on the plain control model of WizardModel.h, so
// the mapping between settings and controls is tested without a display.
#pragma once

#include <functional>
#include <memory>

#include "export/ExportComponent.h"
#include "export/ExportMonitor.h"
#include "export/ExportSpecification.h"
#include "export/WizardModel.h"

enum TModalResult : Integer { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3 };
enum TSMERestriction : Byte { erDisabled, erReadOnly, erReadWrite };
enum TSMEWizardStyle : Byte { wsWindows95, wsWindows2000 };

// The look and content of the category list of page 1.
struct TSMECategories {
  bool ShowCategories = true;
  TColor BackColor = 0xC56131;
  TFont TextFont{u"Tahoma", 8, 0xFF00000E, FontStyleBit(fsBold), 1};  // highlight text, bold
  TExportFormatTypes DocumentFormats = 0x12C044;
  TExportFormatTypes DatabaseFormats = 0x82803;
  TExportFormatTypes SpreadsheetFormats = 0x210630;
  TExportFormatTypes WEBFormats = 0x401008;
  TExportFormatTypes OtherFormats = 0x40180;

  void Assign(const TSMECategories& source) { *this = source; }
};

// Per-option restrictions of the wizard's controls.
struct TSMEUserAccess {
  bool Specification = true;
  TSMERestriction TableType = erReadWrite;
  TSMERestriction SourceFileName = erReadWrite;
  TSMERestriction FieldMapping = erReadWrite;
  TSMERestriction ActionAfter = erReadWrite;
  TSMERestriction TextType = erReadWrite;
  TSMERestriction FieldDelimiter = erReadWrite;
  TSMERestriction TextQualifier = erReadWrite;
  TSMERestriction RecordSeparator = erReadWrite;
  TSMERestriction Header = erReadWrite;
  TSMERestriction Footer = erReadWrite;
  TSMERestriction Layout = erReadWrite;
  TSMERestriction ColorStyle = erReadWrite;
  TSMERestriction AccessVersion = erDisabled;
  TSMERestriction KeyGenerator = erDisabled;
  TSMERestriction SQLOptions = erReadWrite;
  TSMERestriction DataFormats = erReadWrite;
  TSMERestriction PageOrientation = erReadWrite;
  TSMERestriction PageMargins = erReadWrite;
};

namespace ZAZ2OLE {
// The Access file version new Access tables are written in: 0 "-", 1 "97",
// 2 "2000".
extern Integer DefaultAccessVersion;
// The office document filter the OpenOffice target starts with.
extern String defOOFilterName;
}  // namespace ZAZ2OLE

class TSMEWizardDlg;

// The wizard form as the component drives it. ShowModal returns when the
// user pressed the final button (true) or left the wizard (false).
class IZAZWizardForm {
 public:
  virtual ~IZAZWizardForm() = default;
  virtual TZAZWizardControls& Controls() = 0;
  // Shows the controls' current state (after the component changed them).
  virtual void Refresh() = 0;
  virtual bool ShowModal() = 0;
};
using TZAZWizardFormFactory = std::function<std::unique_ptr<IZAZWizardForm>(TSMEWizardDlg& wizard)>;
// Installs the GUI's form; without one Execute raises a clear error.
void SetZAZWizardFormFactory(TZAZWizardFormFactory factory);

// Whether the application behind a target is installed: the targets that
// run through an office application or a database engine answer as the
// dispatcher can serve them.
bool ExportTargetInstalled(TTableTypeExport target);

class TSMEWizardDlg : public TRODirezaBaseComponent {
 public:
  explicit TSMEWizardDlg(TComponent* owner = nullptr);
  ~TSMEWizardDlg() override;
  const char* ClassName() const override { return "TSMEWizardDlg"; }

  Integer HelpContext = 0;
  TSMEFieldDisplayFormat FieldDisplayFormat = dfFull;
  bool VisibleColumnsOnly = false;
  TExportFormatTypes Formats = ZAZ2BDE::GetAvailableExportFormats();
  String Title;
  bool ShowPicture = true;
  TSMECategories Categories;
  TSMEUserAccess UserAccess;
  bool ConfirmCancelExit = true;
  bool ConfirmFileOverwrite = false;
  bool ConfirmExecuteStart = false;
  String InitialDir;
  std::function<void(TSMEWizardDlg* sender, std::vector<TSMESpecificationFile>& files)> OnGetSpecifications;
  std::function<void(TSMEWizardDlg* sender, TModalResult& action)> OnClose;
  TSMEWizardStyle WizardStyle = wsWindows2000;
  bool SetupSpecificationOnly = false;
  std::function<void(TSMEWizardDlg* sender, IZAZWizardForm* form)> OnShow;
  std::function<void(IZAZWizardForm* sender, bool& allow)> OnStepChange;
  TSMESQLOptions SQLOptions;
  String FilterName;

  // Shows the wizard and runs the export: mrOk when it ran (or would have
  // with SetupSpecificationOnly), mrCancel when the user left, mrAbort when
  // anything failed.
  TModalResult Execute();
  // Runs the export with the current settings, without a form.
  void ExecuteWithoutDialog();
  String GetCaptionForFormat(TTableTypeExport target);

  // The copying steps between the settings and the form's controls; they
  // work on any control model, so that they can be run without a form.
  void SetRestrictionToControls(TZAZWizardControls& c) const;
  void PropertiesToControls(TZAZWizardControls& c);
  // Raises EConvertError for a margin that is no number.
  void ControlsToProperties(TZAZWizardControls& c);
  void CreateCategories(TZAZWizardControls& c);
  // The form's rules with this component's settings.
  TWizardContext Context() const;

  // The specification dialog's handlers.
  void SaveSpecClick(TZAZWizardControls& c, const String& specName, const String& fileName);
  void LoadSpecClick(TZAZWizardControls& c, const String& fileName);
  // The specifications the Specs button lists.
  std::vector<TSMESpecificationFile> GetSpecifications();

  void SaveSpecificationToStream(TStream& stream, const String& specName) override;
  // Keeps the options a specification cannot change in the wizard.
  void LoadSpecificationFromStrings(const std::vector<String>& lines) override;

 private:
  IZAZWizardForm* FForm = nullptr;
};
