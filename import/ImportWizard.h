// TSMIWizardDlg: the import wizard as a component. A caller gives it the
// destination dataset and calls Execute; the wizard shows its nine-step form
// (import/forms, installed through SetImportWizardFormFactory), copies the
// user's choices back into its own settings and hands them to the import
// component of the chosen source, which reads and posts the rows.
//
// The wizard is itself an import component, so it carries every engine
// setting, and its specification files hold the engine's sections plus
// "[Sheet]" and "[XMLTags]".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "import/ImportComponent.h"
#include "import/readers/OutlookProperties.h"
#include "import/readers/XMLTags.h"

class TWizardFormState;
class TSpecificationList;

enum TSMIRestriction : Byte { irDisabled, irReadOnly, irReadWrite };
enum TSMIWizardStyle : Byte { wsWindows95, wsWindows2000 };

// Modal results of Execute.
enum TSMIWizardResult : Integer { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3 };

inline constexpr TImportFormatTypes AllImportFormats = (TImportFormatTypes{1} << ImportTableTypeCount) - 1;

// How the first page groups the formats.
class TSMICategories {
 public:
  bool ShowCategories = true;
  // Kept and copied only: the category page draws in fixed colours.
  std::uint32_t BackColor = 0x800000FFu;
  bool TextFontBold = true;
  TImportFormatTypes DocumentFormats = 33284;
  TImportFormatTypes DatabaseFormats = 29955;
  TImportFormatTypes SpreadsheetFormats = 264304;
  TImportFormatTypes WEBFormats = 1245320;
  TImportFormatTypes EMailFormats = 524288;
  TImportFormatTypes OtherFormats = 0;

  void Assign(const TSMICategories& source) { *this = source; }
};

// Which wizard controls are shown and editable.
class TSMIUserAccess {
 public:
  bool Specification = true;
  bool SpecificationSave = true;
  bool SpecificationLoad = true;
  bool SpecificationDelete = true;
  TSMIRestriction TableType = irReadWrite;
  TSMIRestriction SourceFileName = irReadWrite;
  TSMIRestriction FileOrigin = irReadWrite;
  TSMIRestriction ValueTrim = irReadWrite;
  TSMIRestriction FieldMapping = irReadWrite;
  TSMIRestriction PreviewData = irReadWrite;
  TSMIRestriction ImportMode = irReadWrite;
  // Modes in the set are disabled on the last page (bit n = TImportMode n).
  TImportModes HiddenImportModes = 0;
  TSMIRestriction TextType = irReadWrite;
  TSMIRestriction FieldDelimiter = irReadWrite;
  TSMIRestriction TextQualifier = irReadWrite;
  TSMIRestriction RecordSeparator = irReadWrite;
  TSMIRestriction FirstRow = irReadWrite;
  TSMIRestriction LastRow = irReadWrite;
  TSMIRestriction FieldAdjustment = irReadWrite;
  TSMIRestriction DataFormats = irReadWrite;
  TSMIRestriction LoadWhen = irReadWrite;
  TSMIRestriction SkipIf = irReadWrite;
  bool UseExpressionBuilder = true;

  // Copies every field (the restrictions have no other copy).
  void Assign(const TSMIUserAccess& source) { *this = source; }
};

class TSMIWizardDlg;

// The wizard's form as Execute drives it. The GUI implements it; tests may
// install a form without a display.
class IImportWizardForm {
 public:
  virtual ~IImportWizardForm() = default;
  // Lays the form out from the wizard's look settings and fills it from the
  // wizard's properties.
  virtual void Prepare() = 0;
  virtual void SetRestrictionToControls() = 0;
  // Goes to step 1 and shows the form until it closes; true when the user
  // quit without completing it.
  virtual bool ShowModal() = 0;
  // Writes the form's choices into the component (the wizard or any import
  // component).
  virtual void ControlsToProperties(TRADerevuBaseComponent& component) = 0;
  // Fills the form again from the wizard (after a specification was loaded).
  virtual void PropertiesToControls() = 0;
  // The form's state of every control.
  virtual TWizardFormState& State() = 0;
};

using TImportWizardFormFactory = std::function<std::unique_ptr<IImportWizardForm>(TSMIWizardDlg& wizard)>;
// Installs the form Execute shows; without one, Execute ends with mrAbort.
void SetImportWizardFormFactory(TImportWizardFormFactory factory);

using TSMIWizardFormEvent = std::function<void(IImportWizardForm* form)>;
using TSMIStepChangeEvent = std::function<void(IImportWizardForm* form, bool& allow)>;
using TSMIListEvent = std::function<void(TComponent* sender, TWideStrings& list)>;
using TSMICloseEvent = std::function<void(TComponent* sender, Integer& action)>;

class TSMIWizardDlg : public TRADerevuBaseComponent {
 public:
  explicit TSMIWizardDlg(TComponent* owner = nullptr);
  ~TSMIWizardDlg() override;
  const char* ClassName() const override { return "TSMIWizardDlg"; }

  Integer HelpContext = 0;
  // The sheet of a workbook source; -1 when no sheet tab was selected.
  Integer SheetIndex = 0;
  bool ShowPicture = true;
  TImportFormatTypes Formats = AllImportFormats;
  String Title;
  bool ConfirmCancelExit = true;
  bool ConfirmExecuteStart = false;
  String InitialDir;
  TSMIWizardStyle WizardStyle = wsWindows2000;
  bool ShowFileHeader = false;
  // The wizard only collects settings; no import runs.
  bool SetupSpecificationOnly = false;
  Integer PreviewRowCount = 20;

  TSMIUserAccess& UserAccess() { return FUserAccess; }
  const TSMIUserAccess& UserAccess() const { return FUserAccess; }
  void SetUserAccess(const TSMIUserAccess& value) { FUserAccess.Assign(value); }
  TSMICategories& Categories() { return FCategories; }
  const TSMICategories& Categories() const { return FCategories; }
  void SetCategories(const TSMICategories& value) { FCategories.Assign(value); }
  TSMIOutlookProperties& OutlookProperties() { return FOutlookProperties; }
  const TSMIOutlookProperties& OutlookProperties() const { return FOutlookProperties; }
  void SetOutlookProperties(const TSMIOutlookProperties& value) { FOutlookProperties.Assign(value); }
  TSMIXMLTags& XMLTags() { return FXMLTags; }
  const TSMIXMLTags& XMLTags() const { return FXMLTags; }
  void SetXMLTags(const TSMIXMLTags& value) { FXMLTags.Assign(value); }

  TSMIListEvent OnGetSpecifications;
  TSMIListEvent OnGetFieldList;
  TSMICloseEvent OnClose;
  TSMIWizardFormEvent OnShow;
  TSMIStepChangeEvent OnStepChange;
  TNotifyEvent OnBeforeAutoMapping;

  // Shows the wizard and runs the import: mrOk when the wizard was
  // completed, mrCancel when the user quit, mrAbort when a failure ended it
  // (reported with the reason when soShowMessage is set). A failure of
  // OnBeforeExecute passes to the caller.
  Integer Execute();
  // Runs the import of the chosen source with the current settings. A
  // source that has no import component here raises ESMIInvalidPropertyException
  // naming it, so it never passes for a successful run.
  void ExecuteWithoutDialog();
  // The form while Execute runs, else nullptr.
  IImportWizardForm* Form() const { return FForm.get(); }
  void ControlsToProperties();
  void PropertiesToControls();

  // The specification list (SpecificationList.h): load one into the
  // wizard and its form, save the current settings, or delete one.
  void ShowSpecificationDialog();
  // Copies the form into the wizard and saves through the save dialog.
  void SaveSpecClick(TComponent* sender, const String& specName, const String& fileName);
  // The Load button: loads the file the sender carries into the wizard and
  // refills the form; nothing when the sender carries no file.
  void LoadSpecClick(const TSpecificationList& sender);

  void LoadSpecificationFromStrings(const TWideStrings& list) override;
  void SaveSpecificationToStringList(TWideStrings& list, const String& specName) override;

 private:
  std::unique_ptr<IImportWizardForm> FForm;
  TSMIUserAccess FUserAccess;
  TSMICategories FCategories;
  TSMIOutlookProperties FOutlookProperties;
  TSMIXMLTags FXMLTags;
};

// The import component of a source, owned by owner; nullptr for a source
// that has no reader here. The Access component gets tableName as its
// table, the ADO one as its SQL.
TRADerevuBaseComponent* GetImportComponentByType(TComponent* owner, TTableTypeImport tableType,
                                                 const String& tableName);
// Whether GetImportComponentByType makes a component for the source.
bool ImportFormatAvailable(TTableTypeImport tableType);
// The source's caption on the first page; "unknown" outside the range.
String GetCaptionForFormat(Integer tableType);
