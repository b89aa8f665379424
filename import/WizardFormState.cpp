#include "import/WizardFormState.h"

#include <algorithm>
#include <memory>

#include "import/ImportMessages.h"
#include "import/ImportWizard.h"
#include "import/readers/ImportFromCell.h"
#include "platform/db/DataSet.h"
#include "platform/db/Field.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

// The first page's order of the formats without categories.
constexpr TTableTypeImport FormatPageOrder[] = {teParadox, teDBase,     teText,      teHTML,    teXLS,   teWord,
                                                teWKS,     teQuattro,   teXML,       teAccess,  teADO,   teADT,
                                                teSPSS,    teDBISAM,    teClarion,   teClipboard, teWAB, teVCalendar,
                                                teODS,     teOutlook,   teSkype};

// The character of a one-character box, or fallback when it is empty.
WideChar FirstChar(const String& text, WideChar fallback) { return text.empty() ? fallback : text.front(); }
String CharText(WideChar c) { return c == 0 ? String() : String(1, c); }

// The name and source of a mapping line.
String LineName(const String& line) {
  const size_t eq = line.find(u'=');
  return eq == String::npos ? line : line.substr(0, eq);
}
String LineSource(const String& line) {
  const size_t eq = line.find(u'=');
  return eq == String::npos ? String() : line.substr(eq + 1);
}

// "Text<start>-<end>" of a fixed-width source: start and end, 0 when
// malformed.
bool ParseFixedSource(const String& source, Integer& start, Integer& end) {
  const String name = GetNormalizedFieldName(Trim(source), false);
  const size_t dash = name.find(u'-');
  if (name.empty() || dash == String::npos) return false;
  const String prefix = strTextFieldName;
  const size_t from = name.size() >= prefix.size() && SameText(StringView(name).substr(0, prefix.size()), prefix)
                          ? prefix.size()
                          : 0;
  start = StrToIntDef(StringView(name).substr(from, dash - from), 0);
  end = StrToIntDef(StringView(name).substr(dash + 1), 0);
  return true;
}

bool Contains(const std::vector<Integer>& list, Integer value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

// The path with its extension replaced (ext empty: removed).
String ChangeExtension(const String& path, const String& ext) {
  const size_t slash = path.find_last_of(u"/\\");
  const size_t dot = path.find_last_of(u'.');
  const String stem = dot != String::npos && (slash == String::npos || dot > slash) ? path.substr(0, dot) : path;
  return stem + ext;
}

}  // namespace

TTableTypeImport TWizardFormState::TableType() const {
  if (FormatIndex < 0 || FormatIndex >= static_cast<Integer>(FormatItems.size())) return teParadox;
  return FormatItems[static_cast<size_t>(FormatIndex)];
}

bool TWizardFormState::IsTextSource() const {
  const TTableTypeImport type = TableType();
  return type == teText || type == teClipboard;
}

Integer TWizardFormState::FirstRow() const { return StrToIntDef(Trim(FirstRowText), 0); }
Integer TWizardFormState::LastRow() const { return StrToIntDef(Trim(LastRowText), NoLastRow); }
Integer TWizardFormState::FieldNameRow(Integer fallback) const {
  return StrToIntDef(Trim(FieldNameRowText), fallback);
}
Integer TWizardFormState::TopRow(bool forPreview) const { return forPreview && ShowFileHeader ? 1 : FirstRow(); }

WideChar TWizardFormState::Delimiter() const {
  switch (DelimiterIndex) {
    case diTab: return u'\t';
    case diSemicolon: return u';';
    case diComma: return u',';
    case diSpace: return u' ';
    case diOther: return FirstChar(OtherSymbol, 0);
    default: return 0;
  }
}

WideChar TWizardFormState::Qualifier() const {
  if (QualifierText.empty() || QualifierText == strNone) return 0;
  return QualifierText.front();
}

bool TWizardFormState::MappingsAreEmpty() const {
  for (int i = 0; i < Mappings.Count(); ++i)
    if (!Trim(LineSource(Mappings.Get(i))).empty()) return false;
  return true;
}

bool TWizardFormState::AnyKeyMarked() const {
  return std::any_of(MappingRows.begin(), MappingRows.end(), [](const TMappingRow& row) { return row.Key; });
}

void TWizardFormState::BuildFormatList(TImportFormatTypes formats, TTableTypeImport tableType, bool showCategories,
                                       const TSMICategories* categories) {
  ShowCategories = showCategories;
  FormatItems.clear();
  FormatIndex = -1;
  auto offer = [&](TTableTypeImport type) {
    if ((formats & ImportFormatBit(type)) == 0 || !ImportFormatAvailable(type)) return;
    if (std::find(FormatItems.begin(), FormatItems.end(), type) != FormatItems.end()) return;
    if (type == tableType) FormatIndex = static_cast<Integer>(FormatItems.size());
    FormatItems.push_back(type);
  };
  if (showCategories && categories != nullptr) {
    // The blocks of the category page: Documents, Spreadsheets, E-Mail,
    // Databases, WEB publishing, Other.
    for (TImportFormatTypes block : CategoryBlocks(*categories))
      for (int type = 0; type < ImportTableTypeCount; ++type)
        if ((block & ImportFormatBit(static_cast<TTableTypeImport>(type))) != 0)
          offer(static_cast<TTableTypeImport>(type));
  } else {
    for (TTableTypeImport type : FormatPageOrder) offer(type);
    if (FormatIndex < 0 && !FormatItems.empty()) FormatIndex = 0;
  }
}

std::vector<TImportFormatTypes> CategoryBlocks(const TSMICategories& categories) {
  return {categories.DocumentFormats, categories.SpreadsheetFormats, categories.EMailFormats,
          categories.DatabaseFormats, categories.WEBFormats,         categories.OtherFormats};
}

void TWizardFormState::FormatChosen(Integer index) {
  FormatIndex = index;
  const TTableTypeImport type = TableType();
  String ext, filter;
  GetFormatExtFilter(type, ext, filter);
  const bool tableBox = type == teAccess || type == teADO;
  TableNameBox.Enabled = TableNameBox.Visible = tableBox;
  if (!FileName.empty()) {
    if (type == teADO) {
      FileName = u"Data Source=\"" + FileName + u"\"";
    } else {
      const size_t provider = FileName.find(u"Provider=");
      const size_t source = FileName.find(u"Data Source=");
      if (provider != String::npos && source != String::npos) {
        FileName = FileName.substr(source + 12);
        const size_t semicolon = FileName.find(u';');
        if (semicolon != String::npos) FileName.resize(semicolon + 1);
      }
      FileName = ChangeExtension(FileName, ext);
    }
  }
  TextChanged = true;
  RebuildMappings = true;
}

void TWizardFormState::FileChanged() {
  TextChanged = true;
  RebuildMappings = true;
}

void TWizardFormState::TextSettingChanged() {
  Breaks.clear();
  TextChanged = IsTextSource();
  UpdateFieldNameRowVisibility();
}

void TWizardFormState::DelimiterChanged() {
  OtherSymbolBox.Enabled = DelimiterGroup.Enabled && DelimiterIndex == diOther;
  TextChanged = true;
}

void TWizardFormState::UpdateFieldNameRowVisibility() { FieldNameRowBox.Visible = FirstRow() > 1; }

void TWizardFormState::BuildListField(const TSMIWizardDlg* wizard) {
  if (Mappings.Count() == 0) return;
  const String keys = u";" + UpperCase(Trim(KeyText)) + u";";
  MappingRows.clear();
  for (int i = 0; i < Mappings.Count(); ++i) {
    const String line = Mappings.Get(i);
    TMappingRow row;
    row.Name = LineName(line);
    row.Caption = GetFieldCaption(wizard, row.Name);
    row.Source = Trim(LineSource(line));
    row.Key = keys.find(u";" + UpperCase(Trim(row.Name)) + u";") != String::npos;
    MappingRows.push_back(row);
  }
}

void TWizardFormState::SetRowSource(size_t row, const String& source, const TSMIWizardDlg* wizard) {
  if (row >= MappingRows.size()) return;
  MappingRows[row].Source = source;
  const Integer line = GetMapIndex(Mappings, MappingRows[row].Caption, true, wizard);
  if (line >= 0) Mappings.Put(line, LineName(Mappings.Get(line)) + u"=" + source);
}

void GetFormatExtFilter(TTableTypeImport tableType, String& ext, String& filter) {
  ext.clear();
  filter.clear();
  switch (tableType) {
    case teADO:
    case teOutlook: return;
    case teParadox:
    case teDBase:
    case teSPSS:
    case teClipboard:
      ext = tableType == teClipboard ? String() : TRADerevuBaseComponent::GetDefExt(tableType);
      filter = GetCaptionForFormat(tableType) + u"|*" + ext + u"|" + strAllFiles;
      return;
    default: break;
  }
  std::unique_ptr<TRADerevuBaseComponent> component(GetImportComponentByType(nullptr, tableType, {}));
  if (component != nullptr) {
    ext = component->Extension();
    filter = component->FillFileFilters();
  } else {
    filter = GetCaptionForFormat(tableType) + u"|*|" + strAllFiles;
  }
}

void PropertiesToControls(const TSMIWizardDlg& wizard, TWizardFormState& state) {
  state.Breaks.clear();
  state.Mappings = wizard.Mappings();
  state.KeyText = wizard.DatasetKeys();
  state.BuildFormatList(wizard.Formats, wizard.TableType(), wizard.Categories().ShowCategories,
                        &wizard.Categories());
  state.Fixed = wizard.Fixed();
  state.Breaks.clear();
  if (state.TableType() == teText && state.Fixed) {
    // Fixed-width sources are named "Text<start>-<end>": the breaks are the
    // ends, and the character before a start that leaves a gap.
    Integer previousEnd = 0;
    for (int i = 0; i < state.Mappings.Count(); ++i) {
      Integer start = 0, end = 0;
      if (!ParseFixedSource(LineSource(state.Mappings.Get(i)), start, end)) continue;
      if (start != previousEnd && start != previousEnd + 1 && !Contains(state.Breaks, start - 1))
        state.Breaks.push_back(start - 1);
      if (!Contains(state.Breaks, end)) state.Breaks.push_back(end);
      previousEnd = end;
    }
  }
  state.FileName = wizard.SourceFileName();
  state.OriginIndex = wizard.CharacterSet();
  switch (wizard.RecordSeparator()) {
    case rsCustom: state.RecordSeparatorText = wizard.RecordSeparatorCustom(); break;
    case rsCR: state.RecordSeparatorText = u"CR"; break;
    case rsLF: state.RecordSeparatorText = u"LF"; break;
    default: state.RecordSeparatorText = u"CRLF"; break;
  }
  switch (wizard.TextQualifier()) {
    case tqCustom: state.QualifierText = CharText(wizard.TextQualifierCustom()); break;
    case tqQuot: state.QualifierText = u"\""; break;
    case tqApos: state.QualifierText = u"'"; break;
    default: state.QualifierText = strNone; break;
  }
  switch (wizard.FieldDelimiter()) {
    case fdCustom:
      state.DelimiterIndex = diOther;
      state.OtherSymbol = CharText(wizard.FieldDelimiterCustom());
      break;
    case fdTab: state.DelimiterIndex = diTab; break;
    case fdSemicolon: state.DelimiterIndex = diSemicolon; break;
    case fdComma: state.DelimiterIndex = diComma; break;
    case fdSpace: state.DelimiterIndex = diSpace; break;
    default: state.DelimiterIndex = diNone; break;
  }
  state.OtherSymbolBox.Enabled = state.DelimiterGroup.Enabled && state.DelimiterIndex == diOther;
  state.FirstRowText = IntToStr(wizard.RowFirst());
  if (wizard.RowLast() != NoLastRow) state.LastRowText = IntToStr(wizard.RowLast());
  state.FieldNameRowText = IntToStr(wizard.RowFieldNames());
  state.UpdateFieldNameRowVisibility();
  state.RebuildMappings = state.MappingsAreEmpty();
  const TSMIDataFormats& formats = wizard.DataFormats();
  if (!formats.CustomDateTimeFormat().empty()) {
    state.CustomDateFormat = formats.CustomDateTimeFormat();
    state.DateOrderIndex = DateOrderCustomIndex;
  } else {
    state.DateOrderIndex = formats.DateOrder();
  }
  state.DateSeparatorText = CharText(formats.DateSeparator());
  state.TimeSeparatorText = CharText(formats.TimeSeparator());
  state.FourDigitYear = formats.FourDigitYear();
  state.LeadingZerosInDate = formats.LeadingZerosInDate();
  state.DecimalText = CharText(formats.DecimalSeparator());
  state.ThousandText = CharText(formats.ThousandSeparator());
  state.CurrencyText = formats.CurrencyString();
  state.TrueText = formats.BooleanTrue();
  state.FalseText = formats.BooleanFalse();
  const TSMIOutlookProperties& outlook = wizard.OutlookProperties();
  state.OutlookItemType = outlook.ItemType;
  state.OutlookDefaultFolder = outlook.FolderName.empty();
  state.OutlookFolder = outlook.FolderName;
  state.OutlookLoadSubFolders = outlook.LoadSubFolders;
  state.XMLCaseSensitive = wizard.XMLTags().CaseSensitive;
  state.RecordsTag = wizard.XMLTags().RecordsTag;
  state.RecordTag = wizard.XMLTags().RecordTag;
  state.RowTag = wizard.XMLTags().RowTag;
  state.ModeIndex = wizard.Mode();
  state.TableName = wizard.TableName();
  const TControlAccess tableBox{state.TableType() == teAccess || state.TableType() == teADO,
                                state.TableType() == teAccess || state.TableType() == teADO};
  state.TableNameBox = tableBox;
  state.SheetIndex = wizard.SheetIndex;
  state.LoadWhen = wizard.LoadCondition().LoadWhen();
  state.LoadWhenChecked = !state.LoadWhen.empty();
  state.SkipIf = wizard.LoadCondition().SkipIf();
  state.SkipIfChecked = !state.SkipIf.empty();
  state.TrimIndex = wizard.TrimSpaces();
  // The key marks live in the mapping grid; filling it now keeps them when
  // the mapping page is never shown.
  state.MappingRows.clear();
  state.BuildListField(&wizard);
}

void ControlsToProperties(const TWizardFormState& state, TRADerevuBaseComponent& component) {
  auto* wizard = dynamic_cast<TSMIWizardDlg*>(&component);
  if (wizard != nullptr) component.SetTableType(state.TableType());
  component.SetSourceFileName(state.FileName);
  component.SetCharacterSet(static_cast<TSMICharacterSet>(std::clamp<Integer>(state.OriginIndex, 0, csiEBCDIC)));
  if (state.RecordSeparatorText == u"CRLF")
    component.SetRecordSeparator(rsCRLF);
  else if (state.RecordSeparatorText == u"CR")
    component.SetRecordSeparator(rsCR);
  else if (state.RecordSeparatorText == u"LF")
    component.SetRecordSeparator(rsLF);
  else
    component.SetRecordSeparatorCustom(state.RecordSeparatorText);
  switch (state.TrimIndex) {
    case 1: component.SetTrimSpaces(tsTrimRight); break;
    case 2: component.SetTrimSpaces(tsTrimLeft); break;
    case 3: component.SetTrimSpaces(tsTrimLeftRight); break;
    default: component.SetTrimSpaces(tsNoTrim); break;
  }
  if (state.QualifierText.empty() || state.QualifierText == strNone)
    component.SetTextQualifier(tqNone);
  else if (state.QualifierText == u"\"")
    component.SetTextQualifier(tqQuot);
  else if (state.QualifierText == u"'")
    component.SetTextQualifier(tqApos);
  else
    component.SetTextQualifierCustom(state.QualifierText.front());
  switch (state.DelimiterIndex) {
    case diTab: component.SetFieldDelimiter(fdTab); break;
    case diSemicolon: component.SetFieldDelimiter(fdSemicolon); break;
    case diComma: component.SetFieldDelimiter(fdComma); break;
    case diSpace: component.SetFieldDelimiter(fdSpace); break;
    case diOther:
      if (state.OtherSymbol.empty())
        component.SetFieldDelimiter(fdNone);
      else
        component.SetFieldDelimiterCustom(state.OtherSymbol.front());
      break;
    default: component.SetFieldDelimiter(fdNone); break;
  }
  component.SetFixed(state.Fixed);
  component.SetRowFirst(state.FirstRow());
  component.SetRowLast(state.LastRow());
  component.SetRowFieldNames(state.FieldNameRow());
  String keys;
  for (const TMappingRow& row : state.MappingRows) {
    if (!row.Key) continue;
    if (!keys.empty()) keys += u";";
    keys += row.Name;
  }
  component.SetDatasetKeys(keys);
  component.SetMappings(state.Mappings);
  TSMIDataFormats& formats = component.DataFormats();
  if (state.DateOrderIndex == DateOrderCustomIndex)
    formats.SetCustomDateTimeFormat(state.CustomDateFormat);
  else
    formats.SetDateOrder(static_cast<TSMIDateOrder>(std::clamp<Integer>(state.DateOrderIndex, 0, doMYD)));
  formats.SetDateSeparator(FirstChar(state.DateSeparatorText, 0));
  formats.SetTimeSeparator(FirstChar(state.TimeSeparatorText, 0));
  formats.SetFourDigitYear(state.FourDigitYear);
  formats.SetLeadingZerosInDate(state.LeadingZerosInDate);
  formats.SetDecimalSeparator(FirstChar(state.DecimalText, FormatSettings.DecimalSeparator));
  formats.SetThousandSeparator(FirstChar(state.ThousandText, FormatSettings.ThousandSeparator));
  formats.SetCurrencyString(state.CurrencyText.empty() ? FormatSettings.CurrencyString : state.CurrencyText);
  formats.SetBooleanTrue(state.TrueText);
  formats.SetBooleanFalse(state.FalseText);
  if (wizard != nullptr) {
    TSMIOutlookProperties& outlook = wizard->OutlookProperties();
    outlook.ItemType = static_cast<TSMIOutlookItemType>(std::clamp<Integer>(state.OutlookItemType, 0, oitPost));
    outlook.FolderName = state.OutlookDefaultFolder ? String() : state.OutlookFolder;
    outlook.LoadSubFolders = state.OutlookLoadSubFolders;
    wizard->XMLTags().CaseSensitive = state.XMLCaseSensitive;
    wizard->XMLTags().RecordsTag = state.RecordsTag;
    wizard->XMLTags().RecordTag = state.RecordTag;
    wizard->XMLTags().RowTag = state.RowTag;
  }
  component.SetMode(static_cast<TImportMode>(std::clamp<Integer>(state.ModeIndex, 0, imAppendNewOnly)));
  if (wizard != nullptr) {
    component.SetTableName(state.TableName);
    wizard->SheetIndex = state.SheetIndex;
  } else if (auto* cell = dynamic_cast<TRADerevuFromCell*>(&component)) {
    cell->SetSheetIndex(state.SheetIndex);
  }
  component.LoadCondition().SetLoadWhen(state.LoadWhenChecked ? state.LoadWhen : String());
  component.LoadCondition().SetSkipIf(state.SkipIfChecked ? state.SkipIf : String());
}

void SetRestrictionToControls(const TSMIUserAccess& access, TWizardFormState& state) {
  auto apply = [](TSMIRestriction restriction, TControlAccess& control) {
    control.Enabled = restriction == irReadWrite;
    control.Visible = restriction != irDisabled;
  };
  state.SpecificationButton.Visible = access.Specification;
  apply(access.TableType, state.FormatGroup);
  apply(access.SourceFileName, state.FileNameBox);
  state.FileNameEditable = state.FileNameBox.Enabled;
  apply(access.FileOrigin, state.OriginBox);
  apply(access.ValueTrim, state.TrimBox);
  apply(access.FieldMapping, state.MappingGrid);
  apply(access.PreviewData, state.DataPreviewGrid);
  apply(access.ImportMode, state.ModeGroup);
  for (int mode = 0; mode < 6; ++mode) state.ModeEnabled[mode] = (access.HiddenImportModes & (1u << mode)) == 0;
  apply(access.TextType, state.DelimitedChoice);
  state.FixedChoice = state.DelimitedChoice;
  apply(access.FieldDelimiter, state.DelimiterGroup);
  state.OtherSymbolBox.Visible = state.DelimiterGroup.Visible;
  state.OtherSymbolBox.Enabled = state.DelimiterGroup.Enabled && state.DelimiterIndex == diOther;
  apply(access.TextQualifier, state.QualifierBox);
  apply(access.RecordSeparator, state.RecordSeparatorBox);
  apply(access.FirstRow, state.FirstRowBox);
  apply(access.LastRow, state.LastRowBox);
  apply(access.DataFormats, state.DataFormatGroup);
  apply(access.FieldAdjustment, state.BreakEditor);
  state.FilePreviewGrid = state.BreakEditor;
  apply(access.LoadWhen, state.LoadWhenCheck);
  apply(access.SkipIf, state.SkipIfCheck);
}

String GetNormalizedFieldName(const String& name, bool addBrackets) {
  if (addBrackets) {
    if (!name.empty() && (name.front() == u'[' || name.front() == u'"')) return name;
    if (name.find_first_of(u" /-") != String::npos) return u"[" + name + u"]";
    return name;
  }
  if (name.size() >= 2 && ((name.front() == u'[' && name.back() == u']') ||
                           (name.front() == u'"' && name.back() == u'"')))
    return name.substr(1, name.size() - 2);
  return name;
}

String GetFieldCaption(const TSMIWizardDlg* wizard, const String& fieldName) {
  const String name = Trim(fieldName);
  if (wizard != nullptr && wizard->UseDisplayNames() && wizard->DataSet() != nullptr)
    if (const TField* field = wizard->DataSet()->FindField(name)) return field->DisplayName();
  return name;
}

Integer GetMapIndex(const TWideStrings& mappings, const String& name, bool byDestination,
                    const TSMIWizardDlg* wizard) {
  auto normal = [](const String& text) { return GetNormalizedFieldName(UpperCase(Trim(text)), false); };
  const String wanted = normal(name);
  if (wanted.empty()) return -1;
  for (int i = 0; i < mappings.Count(); ++i) {
    const String line = mappings.Get(i);
    const String compared =
        byDestination ? normal(GetFieldCaption(wizard, LineName(line))) : normal(LineSource(line));
    if (!compared.empty() && compared == wanted) return i;
  }
  return -1;
}
