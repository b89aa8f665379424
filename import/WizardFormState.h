// The import wizard's form without a display: what every control of the
// nine pages holds, which controls are enabled and visible, and the two
// transfers between the controls and an import component. The Qt form
// shows this state and writes each edit into it; the step navigation, the
// previews and the settings mapping all read the same state.
#pragma once

#include <vector>

#include "import/ImportComponent.h"
#include "import/WideStrings.h"

class TSMIWizardDlg;
class TSMIUserAccess;
class TSMICategories;

// A control's enabled and visible flags (restrictions clear them).
struct TControlAccess {
  bool Enabled = true;
  bool Visible = true;
};

// One row of the mapping grid (page 7).
struct TMappingRow {
  String Name;     // destination field
  String Caption;  // as shown
  String Source;   // source column or expression; empty: unmapped
  bool Key = false;
};

enum TDelimiterItem : Byte { diTab, diSemicolon, diComma, diSpace, diNone, diOther };
// The date-order list's last item: a custom format.
inline constexpr Integer DateOrderCustomIndex = 6;
// The row boxes show this last row as an empty box.
inline constexpr Integer NoLastRow = 2147483647;

class TWizardFormState {
 public:
  // ---- Page 1 ----
  bool ShowCategories = true;
  // The formats offered, in page order, and the checked one (-1: none).
  std::vector<TTableTypeImport> FormatItems;
  Integer FormatIndex = -1;
  // ---- Page 2 ----
  String FileName;
  String TableName;
  Integer OriginIndex = 0;  // ANSI, ASCII (MS-DOS), EBCDIC
  Integer TrimIndex = 0;    // None, Trim Right, Trim Left, Trim
  // ---- Page 3 (text, XML, Outlook) ----
  bool Fixed = false;
  Integer DelimiterIndex = diTab;
  String OtherSymbol;
  String RecordSeparatorText = u"CRLF";
  String QualifierText = u"\"";
  bool XMLCaseSensitive = false;
  String RecordsTag;
  String RecordTag;
  String RowTag;
  Integer OutlookItemType = 0;
  bool OutlookDefaultFolder = true;
  String OutlookFolder;  // the selected folder; empty: none
  bool OutlookLoadSubFolders = false;
  // ---- Page 4 ----
  String FirstRowText = u"1";
  String LastRowText;
  String FieldNameRowText = u"1";
  bool ShowFileHeader = false;
  Integer DateOrderIndex = 0;
  String CustomDateFormat;
  String DateSeparatorText;
  String TimeSeparatorText;
  bool FourDigitYear = false;
  bool LeadingZerosInDate = false;
  String DecimalText;
  String ThousandText;
  String CurrencyText;
  String TrueText;
  String FalseText;
  // ---- Pages 5 to 9 ----
  // Fixed-width breaks (1-based position of a field's last character).
  std::vector<Integer> Breaks;
  // One line per destination field: name "=" source.
  TWideStrings Mappings;
  String KeyText;
  std::vector<TMappingRow> MappingRows;
  bool LoadWhenChecked = false;
  String LoadWhen;
  bool SkipIfChecked = false;
  String SkipIf;
  Integer ModeIndex = imAppend;
  bool ModeEnabled[6] = {true, true, true, true, true, true};
  // The sheet tabs of the file preview and the selected one (-1: none).
  std::vector<String> Sheets;
  Integer SheetIndex = -1;

  // ---- Change flags read by the previews ----
  bool TextChanged = true;
  bool BreaksChanged = true;
  bool RebuildMappings = true;

  // The file-name restriction allows editing (step 2 enables the box only
  // then, and never for the clipboard).
  bool FileNameEditable = true;
  // ---- Controls that restrictions and formats switch ----
  TControlAccess SpecificationButton, FormatGroup, FileNameBox, TableNameBox, OriginBox, TrimBox, MappingGrid,
      DataPreviewGrid, ModeGroup, DelimitedChoice, FixedChoice, DelimiterGroup, OtherSymbolBox, QualifierBox,
      RecordSeparatorBox, FirstRowBox, LastRowBox, FieldNameRowBox, DataFormatGroup, BreakEditor, FilePreviewGrid,
      LoadWhenCheck, SkipIfCheck, XMLTagGroup;

  // The checked format; teParadox when none is checked.
  TTableTypeImport TableType() const;
  bool IsTextSource() const;
  // The first-row box as a number (0 when it is none).
  Integer FirstRow() const;
  // The last-row box as a number (NoLastRow when empty or none).
  Integer LastRow() const;
  // The field-name row box as a number (fallback when it is none).
  Integer FieldNameRow(Integer fallback = 1) const;
  // 1 for a preview with "Show file header", else FirstRow.
  Integer TopRow(bool forPreview) const;
  // The delimiter and qualifier characters the text loaders use (0: none).
  WideChar Delimiter() const;
  WideChar Qualifier() const;
  // True when no mapping line has a source.
  bool MappingsAreEmpty() const;
  bool AnyKeyMarked() const;

  // ---- Handlers of pages 1 to 4 ----
  // Fills the format list with the offered formats in page order and
  // checks tableType when offered; without categories the first item is
  // checked when nothing is.
  // Formats without an import component here are not offered. With
  // categories the order is that of the category page's blocks.
  void BuildFormatList(TImportFormatTypes formats, TTableTypeImport tableType, bool showCategories,
                       const TSMICategories* categories);
  // A format was chosen: the table box follows it, the file name's
  // extension or connection text is adjusted, the settings count as changed.
  void FormatChosen(Integer index);
  // The file name or origin changed.
  void FileChanged();
  // The layout, record separator, qualifier or a row box changed.
  void TextSettingChanged();
  void DelimiterChanged();
  // Shows the field-name row box exactly when the first row is above 1.
  void UpdateFieldNameRowVisibility();

  // Fills the mapping grid from the mapping list and the key text.
  void BuildListField(const TSMIWizardDlg* wizard);
  // The source of a grid row was edited.
  void SetRowSource(size_t row, const String& source, const TSMIWizardDlg* wizard);
};

// The category page's blocks in page order: Documents, Spreadsheets/Workbooks,
// E-Mail, Databases, WEB publishing, Other.
std::vector<TImportFormatTypes> CategoryBlocks(const TSMICategories& categories);

// The default extension and the file dialog's filter of a source.
void GetFormatExtFilter(TTableTypeImport tableType, String& ext, String& filter);

// Fills the form from the wizard.
void PropertiesToControls(const TSMIWizardDlg& wizard, TWizardFormState& state);
// Writes the form into the component; wizard-only settings (the format,
// the table name, the sheet, XML and Outlook settings) go to the wizard when
// the component is it.
void ControlsToProperties(const TWizardFormState& state, TRADerevuBaseComponent& component);
// Applies the restrictions to the controls' flags.
void SetRestrictionToControls(const TSMIUserAccess& access, TWizardFormState& state);

// A field name as a mapping source writes it (addBrackets: a name with a
// blank, "/" or "-" in brackets) or without its brackets or quotes.
String GetNormalizedFieldName(const String& name, bool addBrackets);
// The field's caption: its display name with UseDisplayNames, else the name.
String GetFieldCaption(const TSMIWizardDlg* wizard, const String& fieldName);
// The mapping line whose destination caption (byDestination) or source
// matches name, compared trimmed, without case and brackets; -1 when none.
Integer GetMapIndex(const TWideStrings& mappings, const String& name, bool byDestination,
                    const TSMIWizardDlg* wizard);
