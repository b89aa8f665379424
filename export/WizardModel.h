// The export wizard's controls as plain values, and the form's rules over
// them: which pages a target uses, where Next and Back lead, which controls
// apply to a target, how the file name follows it. The Qt form shows this
// model and writes the user's changes back into it; the component fills it
// from its settings and reads it back (WizardDlg.h). Nothing here needs a
// display.
#pragma once

#include <functional>
#include <vector>

#include "export/ExportColumns.h"
#include "export/ExportTypes.h"
#include "platform/rtl/Types.h"

// One control: what any kind of control may carry. A check box or radio
// button uses Checked, a list or radio group ItemIndex and Items, an edit or
// editable combo Text, a memo Lines; Caption is the text the user reads on
// or beside it.
struct TWizardControl {
  bool Enabled = true;
  bool Visible = true;
  bool Checked = false;
  String Caption;
  String Text;
  Integer ItemIndex = -1;
  std::vector<String> Items;
  std::vector<bool> ItemEnabled;  // empty: every item enabled
  Integer Tag = 0;

  void SetItems(std::vector<String> items) {
    Items = std::move(items);
    ItemEnabled.clear();
  }
  bool ItemIsEnabled(Integer index) const {
    return index < 0 || static_cast<size_t>(index) >= ItemEnabled.size() || ItemEnabled[static_cast<size_t>(index)];
  }
};

// One item of the Columns page: a private copy of a column, its check mark
// and its caption.
struct TWizardFieldItem {
  TSMEColumn Column;
  bool Checked = true;
  String Caption;
};

// One group of the category list of page 1.
struct TWizardCategory {
  String Caption;
  String Bitmap;  // "SMEW_DOCUMENT" ...
  std::vector<TTableTypeExport> Targets;
};

inline constexpr Integer WizardStepCount = 10;
enum TWizardDirection : Byte { edForward, edBackward };

// The 44 colours of the colour lists.
extern const TColor ColorValues[44];
// The index of a colour in ColorValues; 0 when it is none of them.
Integer ColorIndex(TColor color);
// "Name, size" of a font, as the font edits show it.
String GetCaptionFont(const TFont& font);

struct TZAZWizardControls {
  // Page 1: the target, as a plain list or as categories.
  TWizardControl rgTableType;
  std::vector<TTableTypeExport> TableTypeValues;  // the target of each item of rgTableType
  bool ShowCategories = true;
  std::vector<TWizardCategory> CategoryGroups;
  Integer CategoryChecked = -1;  // the target checked in the category list; -1 none
  // Page 2
  TWizardControl lblFileOrigin, cbCharacterSet, cbSelectedRecord, cbAddTitle, cbBlankIfZero, cbAddBlankRow,
      cbWithoutFieldMask;
  // Page 3
  TWizardControl rbText1, rbText2, rgSeparator, edSymbol, cbQualifier, lblQualifier, cbRecSeparator, lblRecSeparator;
  // Page 4
  TWizardControl chkAddCreateTable, lblFieldNameCharset, cbFieldNameCharset, gbSQL, lblCommit, edCommit, lblSQLQuote,
      cbSQLQuote, lblSQLTerm, cbSQLTerm, lblAddCommit, edAddCommit, chkMultiRowInsert;
  // Page 5
  TWizardControl gbFormat, lblDateOrder, cbDateOrder, lblDateDelimiter, edDateDelimiter, lblTimeDelimiter,
      edTimeDelimiter, cbFourDigitYear, cbLeadingZerosInDate, lblDecimalSymbol, edDecimalSymbol, lblThousandSymbol,
      edThousandSymbol, lblCurrencyString, edCurrencyString, lblLogical, edTrue, edFalse;
  // Page 6
  TWizardControl clbFields;
  std::vector<TWizardFieldItem> FieldItems;  // the items of clbFields; its ItemIndex selects
  TWizardControl gbTitle, lblTitleCaption, edTitleCaption, lblTitleAlignment, cbTitleAlignment, lblTitleColor,
      SMColorsCBTitle, lblTitleFont, edTitleFont, btnTitleFont, gbData, lblDataAlignment, cbDataAlignment,
      lblDataColor, SMColorsCBData, lblDataFont, edDataFont, btnDataFont, lblWidth, edWidth, lblWidthFix;
  TFont TitleFont, DataFont;  // the fonts the two font edits hold
  // Page 7
  TWizardControl chkHeader, chkFooter, memoHeader, memoFooter;
  std::vector<String> HeaderLines, FooterLines;  // the memos' lines
  // Page 8
  TWizardControl gbMargin, lblLeft, lblTop, lblRight, lblBottom, edMarginTop, edMarginLeft, edMarginRight,
      edMarginBottom, gbOrientation, rbOrientDefault, rbOrientPortrait, rbOrientLandscape, chkAutofit;
  // Page 9
  TWizardControl rbColorsFonts, rbDataOnly, rgLayout, lblStyle, cbColorStyle, gbPreview;
  // Page 10
  TWizardControl lblFileName, edFileName, btnFileName, lblTableName, cbTableNames, lblOOFileFilter, cbOOFileFilter,
      lblKeyGenerator, edKeyGenerator, cbAccessVersion, cbMerged, cbRowsPerFile, edRowsPerFile, rbActionAfterExport;
  // Navigation
  TWizardControl btnSpecs, btnFirst, btnPrev, btnNext, btnLast, btnCancel, lblStep, lblStepInfo, lblCaption,
      lblDescription;
  bool NextIsDefault = true;     // else Cancel is the default button
  bool CancelIsEscape = true;    // Cancel answers Esc
  String StepHeaders[WizardStepCount];
  String StepTexts[WizardStepCount];
  String sCancel, sExecute, sStep, sAbort;
  String Caption;  // the form's
};

// What the form's rules need from outside the controls.
struct TWizardContext {
  bool SetupSpecificationOnly = false;
  String FilterName;                                  // selected when the filter list is first filled
  std::function<std::vector<String>()> FilterNames;  // the office filters; none when unset
  std::function<bool(const String&)> FileExists;     // for the merge box; the file system when unset
};

// ---- Navigation: a pure function of the target and the pages' state ----

// Whether a target uses a page (steps 1 to 10).
bool WizardPageUsed(Integer step, TTableTypeExport target);
// Where one Next (or Back) leads from a step: the unused pages are passed,
// and so are pages whose controls are all disabled (isValid answers false).
Integer WizardNextStep(Integer step, TTableTypeExport target, const std::function<bool(Integer)>& isValid);
Integer WizardPrevStep(Integer step, TTableTypeExport target, const std::function<bool(Integer)>& isValid);
// Whether a page has anything the user may change.
bool IsValidWizardStep(const TZAZWizardControls& c, Integer step);

// ---- The form's rules ----

// The chosen target; teParadox when none is chosen.
TTableTypeExport GetTableTypeIndex(const TZAZWizardControls& c);
// The target-dependent controls, buttons and texts for a step.
void UpdateWizardButtons(TZAZWizardControls& c, Integer step, const TWizardContext& context);
// A new target: the file name's extension, the file dialog's filter, the
// controls of page 10 and the merge box.
void WizardTableTypeClick(TZAZWizardControls& c, const TWizardContext& context);
// The file name as the target wants it: an ODBC connection text unwrapped
// to its data source, the extension replaced; wrapped as a data source for
// teADO.
String WizardFileNameFor(const String& fileName, TTableTypeExport target);
void UpdateMergeStatus(TZAZWizardControls& c, const TWizardContext& context);
// False for a name holding a control character or one of " ' * ; < > ? |.
bool ValidFileName(StringView fileName);
// The filter of the file dialog for a target.
String WizardFileFilter(TTableTypeExport target);

// Other handlers.
void WizardSeparatorClick(TZAZWizardControls& c);
void WizardAddTitleClick(TZAZWizardControls& c);
void WizardHeaderFooterClick(TZAZWizardControls& c);
void WizardColorsFontsClick(TZAZWizardControls& c);
// Fixed width selects "Space" as the separator.
void WizardFixedWidthClick(TZAZWizardControls& c);

// ---- The Columns page ----

// Loads the selected item's column into the page's editors.
void WizardFieldsClick(TZAZWizardControls& c);
// Writes one editor (1 caption, 2 title alignment, 3 title colour, 4 title
// font, 5 alignment, 6 colour, 7 font, 9 width) back into the selected
// item's column.
void WizardPropertyExit(TZAZWizardControls& c, Integer tag, TSMEFieldDisplayFormat format);
// The check mark of an item, and the column's visibility with it.
void WizardSetChecked(TZAZWizardControls& c, Integer index, bool checked);
// 0 check all, 1 uncheck all, 2 invert.
void WizardSelectAll(TZAZWizardControls& c, Integer mode);
// Moves an item (mark and column) to another place and selects it.
void WizardMoveField(TZAZWizardControls& c, Integer from, Integer to);
// Inserts a system-variable column (tags 1 to 5) before the selected item
// or at the end, checked.
void WizardInsertSysVar(TZAZWizardControls& c, Integer tag, const String& caption, TSMEFieldDisplayFormat format);
