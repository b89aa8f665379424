// The import wizard's form: nine pages (format, file, text/XML/Outlook
// settings, rows and data formats, column breaks, file preview, mappings,
// data preview, import mode) under a header band that names the step, and
// the navigation buttons. Every widget shows and edits the display-free form
// state, which stays the one truth: the step machine, the previews and the
// transfer to the import component all work on it.
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "import/ImportWizard.h"
#include "import/WizardFormState.h"
#include "import/WizardPreview.h"
#include "import/WizardSteps.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QStackedWidget;
class QTabBar;
class QTableWidget;
class QToolButton;
class QTreeWidget;
class TWizardBreakBox;
class TWizardSideBand;

class TfrmVODWizard : public QDialog, public IImportWizardForm {
  Q_OBJECT

 public:
  explicit TfrmVODWizard(TSMIWizardDlg* wizard, QWidget* parent = nullptr);
  ~TfrmVODWizard() override;

  void Prepare() override;
  void SetRestrictionToControls() override;
  bool ShowModal() override;
  void ControlsToProperties(TRADerevuBaseComponent& component) override;
  void PropertiesToControls() override;
  TWizardFormState& State() override { return FState; }

  TWizardSteps& Steps() { return FSteps; }
  TWizardPreview& Preview() { return FPreview; }
  TBreakEditor& BreakEditor() { return FBreakEditor; }
  // Shows the form state in every widget.
  void StateToWidgets();

  // ---- Frame ----
  QWidget* pnlHeader;
  QLabel* lblHeaderCaption;
  QLabel* lblHeaderText;
  QLabel* lblStep;
  QLabel* lblStepInfo;
  TWizardSideBand* pnlSideBand;
  QStackedWidget* pnlPages;
  QPushButton* btnSpecifications;
  QPushButton* btnFirst;
  QPushButton* btnBack;
  QPushButton* btnNext;
  QPushButton* btnLast;
  QPushButton* btnCancel;
  // ---- Page 1 ----
  QWidget* pnlCategory;
  QGroupBox* rgTableType;
  // The format buttons of the page shown, in the state's format order.
  std::vector<QRadioButton*> FormatButtons;
  // ---- Page 2 ----
  QLabel* lblFileName;
  QLineEdit* edFileName;
  QToolButton* btnFileName;
  QLabel* lblTableName;
  QComboBox* cbTableNames;
  QLabel* lblOrigin;
  QComboBox* cbOrigin;
  QLabel* lblTrim;
  QComboBox* cbTrim;
  // ---- Page 3 ----
  QRadioButton* rbDelimited;
  QRadioButton* rbFixed;
  QGroupBox* rgSeparator;
  QRadioButton* rbDelimiter[6];
  QLineEdit* edOtherSymbol;
  QLabel* lblRecordSeparator;
  QComboBox* cbRecordSeparator;
  QLabel* lblQualifier;
  QComboBox* cbQualifier;
  QGroupBox* gbXMLTags;
  QLineEdit* edRecordsTag;
  QLineEdit* edRecordTag;
  QLineEdit* edRowTag;
  QCheckBox* chkXMLCaseSensitive;
  QComboBox* cbOutlookItemType;
  QRadioButton* rbOutlookDefFolder;
  QRadioButton* rbOutlookCustomFolder;
  QTreeWidget* tvOutlookFolders;
  QCheckBox* chkLoadSubFolders;
  // ---- Page 4 ----
  QLabel* lblFirstRow;
  QLineEdit* edFirstRow;
  QLabel* lblLastRow;
  QLineEdit* edLastRow;
  QLabel* lblFieldNameRow;
  QLineEdit* edFieldNameRow;
  QCheckBox* chkShowFileHeader;
  QGroupBox* gbDataFormats;
  QComboBox* cbDateOrder;
  QWidget* pnlStandardDate;
  QWidget* pnlCustomDate;
  QLineEdit* edDateDelimiter;
  QLineEdit* edTimeDelimiter;
  QCheckBox* chkFourDigitYear;
  QCheckBox* chkLeadingZeros;
  QComboBox* cbCustomDateFormat;
  QLineEdit* edDecimal;
  QLineEdit* edThousand;
  QLineEdit* edCurrency;
  QLineEdit* edTrue;
  QLineEdit* edFalse;
  // ---- Page 5 ----
  QLabel* lblBreakHelp;
  TWizardBreakBox* pbBreaks;
  QScrollBar* sbBreaksHorz;
  QScrollBar* sbBreaksVert;
  // ---- Page 6 ----
  QTableWidget* sgPreview;
  QToolButton* btnAutoMap;
  QTabBar* tabSheets;
  QMenu* mnuColumns;
  // ---- Page 7 ----
  QTableWidget* sgMappings;
  // ---- Page 8 ----
  QTableWidget* sgDataPreview;
  QCheckBox* chkLoadWhen;
  QLineEdit* edLoadWhen;
  QToolButton* btnLoadWhen;
  QCheckBox* chkSkipIf;
  QLineEdit* edSkipIf;
  QToolButton* btnSkipIf;
  // ---- Page 9 ----
  QGroupBox* rgMode;
  QRadioButton* rbMode[6];

  // The column menu of a file-preview column (1 for the first source
  // column), as a click on its header opens it.
  void ShowColumnMenu(int column, const QPoint& globalPos);
  // Opens the expression builder on a text; true with the new text when
  // confirmed.
  bool EditExpression(String& expression);
  // Whether the expression buttons are offered.
  bool ExpressionBuilderAvailable() const;
  // The source columns of the last preview, without the empty entry.
  TWideStrings SourceFields() const;
  // A source typed or picked for a mapping-grid row.
  void SetMappingSource(int row, const String& text);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  QWidget* BuildPage1();
  QWidget* BuildCategoryPage();
  QWidget* BuildPage2();
  QWidget* BuildPage3();
  QWidget* BuildPage3XML();
  QWidget* BuildPage3Outlook();
  QWidget* BuildPage4();
  QWidget* BuildPage5();
  QWidget* BuildPage6();
  QWidget* BuildPage7();
  QWidget* BuildPage8();
  QWidget* BuildPage9();
  void InstallStepHooks();
  // Runs a handler of the form: a failure is shown by the standard error
  // box, then the widgets show the state again.
  template <class Fn>
  void Handle(Fn&& fn);
  void RebuildFormatButtons();
  void LayoutCategories();
  void ShowStep();
  void FillFilePreview();
  void FillMappingGrid();
  void FillDataPreview();
  void BrowseFile();
  void FillTableNames();
  void CancelClicked();

  TSMIWizardDlg* FWizard;
  TWizardFormState FState;
  TWizardSteps FSteps;
  TWizardPreview FPreview;
  TBreakEditor FBreakEditor;
  TPreviewGrid FDataGrid;
  // The category page's header labels with their block heights.
  std::vector<std::pair<QLabel*, int>> FCategoryHeaders;
  std::vector<QWidget*> FCategoryControls;
  QButtonGroup* FFormatGroup = nullptr;
  QWidget* FPageWidgets[13] = {};
  bool FClosing = false;
  int FPreviewColumn = 0;

  friend class TCategoryPage;
};

// Makes "Import data" show this form.
void InstallImportWizardForm();
