// The export wizard's form: the ten pages of the wizard's control model
// drawn with Qt widgets. The model stays the one truth: every widget shows
// a control of TZAZWizardControls, a change the user makes is written into
// that control, the model's rules run, and the widgets are brought up to
// date from the model again. The widgets carry the names of the model's
// controls (objectName), so tests and callers find them by name.
#pragma once

#include <QDialog>
#include <vector>

#include "export/WizardDlg.h"

class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QStackedWidget;
class QWidget;
struct TWizardBinding;

class TfrmZAZWizard : public QDialog, public IZAZWizardForm {
  Q_OBJECT

 public:
  explicit TfrmZAZWizard(TSMEWizardDlg& wizard, QWidget* parent = nullptr);
  ~TfrmZAZWizard() override;

  TZAZWizardControls& Controls() override { return FControls; }
  void Refresh() override;
  bool ShowModal() override;

  Integer Step() const { return FStep; }
  TSMEWizardDlg& Wizard() { return FWizard; }

  // The buttons' commands.
  void btnNextClick();
  void btnPrevClick();
  void btnFirstClick();
  void btnLastClick();
  // The final button on the last page; Cancel on the others.
  void btnCancelClick();
  void btnSpecsClick();
  // The target the user picked (category list or plain list).
  void SelectTarget(TTableTypeExport target);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Builders of the pages; each returns the page.
  QWidget* BuildTargetPage();
  QWidget* BuildOriginPage();
  QWidget* BuildTextPage();
  QWidget* BuildSQLPage();
  QWidget* BuildFormatsPage();
  QWidget* BuildColumnsPage();
  QWidget* BuildHeaderFooterPage();
  QWidget* BuildPageSetupPage();
  QWidget* BuildLayoutPage();
  QWidget* BuildFileNamePage();

  // Binds a widget to a control: the widget shows it, and a user's change
  // goes into it, then onChange runs and the form is brought up to date.
  TWizardBinding& Bind(TWizardControl& control, QWidget* widget, const char* name,
                       std::function<void()> onChange = {});
  // A label and the control it names, side by side in a grid.
  TWizardBinding& AddLabelled(QGridLayout* grid, int row, int column, TWizardControl& label, const char* labelName,
                              TWizardControl& control, QWidget* widget, const char* name,
                              std::function<void()> onChange = {});
  // After any change: the model's target-dependent rules, then the widgets.
  void Changed();
  // The rules' context, with the office filters for the OpenOffice target.
  TWizardContext TargetContext() const;
  void RebuildCategories();
  void LayoutCategories();
  void RefreshFields();
  void MoveStep(bool forward);
  bool AllowStepChange();
  bool CanClose();
  void FileNameChanged();
  void BrowseFileName();
  void TableNamesLeft();
  void PickFont(bool title);
  void ShowFieldsMenu(const QPoint& at);

  TSMEWizardDlg& FWizard;
  TZAZWizardControls FControls;
  std::vector<std::unique_ptr<TWizardBinding>> FBindings;
  Integer FStep = 1;
  bool FUpdating = false;
  bool FIsRun = false;
  bool FIsCanceled = false;

  QStackedWidget* FPages = nullptr;
  QWidget* FBand = nullptr;
  QLabel* FBandCaption = nullptr;
  QLabel* FBandText = nullptr;
  QWidget* FLogo = nullptr;
  QScrollArea* FCategoryArea = nullptr;
  QWidget* FCategoryBox = nullptr;
  std::vector<std::pair<QLabel*, std::vector<QRadioButton*>>> FCategoryWidgets;
  std::vector<TTableTypeExport> FCategoryTargets;  // of each radio button, in creation order
  class QListWidget* FFields = nullptr;
  QWidget* FPreview = nullptr;
};

// The form the component shows; what InstallExportForms puts into the
// component's factory hook.
std::unique_ptr<IZAZWizardForm> CreateZAZWizardForm(TSMEWizardDlg& wizard);
