#include "export/WizardDlg.h"

#include <unistd.h>

#include <filesystem>

#include "export/ExportFiles.h"
#include "export/ExportShell.h"
#include "export/ExportSpecification.h"
#include "export/RowSources.h"
#include "platform/db/DataSet.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Automation.h"
#include "platform/rtl/TextConvert.h"

Integer ZAZ2OLE::DefaultAccessVersion = 0;
String ZAZ2OLE::defOOFilterName = u"MS Word 97";

namespace {

constexpr char16_t kNoWizardForm[] = u"The export wizard cannot be shown without a display.";

// The options the wizard keeps whatever a loaded specification says.
constexpr TSMOptions kProtectedOptions = OptionBit(soWaitCursor) | OptionBit(soDisableControls) |
                                         OptionBit(soUseFieldNameAsCaption) | OptionBit(soExportBands) |
                                         OptionBit(soExportInvisibleFields) | OptionBit(soAutoCloseStatistic);

TZAZWizardFormFactory& FormFactory() {
  static TZAZWizardFormFactory factory;
  return factory;
}

void Restrict(TWizardControl& control, TSMERestriction restriction) {
  control.Enabled = restriction == erReadWrite;
  control.Visible = restriction != erDisabled;
}

String CharText(WideChar ch) { return ch == 0 ? String() : String(1, ch); }

WideChar FirstChar(const String& text, WideChar empty) { return text.empty() ? empty : text[0]; }

Integer IndexOf(const std::vector<String>& items, const String& text) {
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == text) return static_cast<Integer>(i);
  return -1;
}

void SetOption(TSMOptions& options, TSMOption option, bool on) {
  options = static_cast<TSMOptions>(on ? options | OptionBit(option) : options & ~OptionBit(option));
}

}  // namespace

void SetZAZWizardFormFactory(TZAZWizardFormFactory factory) { FormFactory() = std::move(factory); }

// Targets driven through another application need it installed; every
// writer of this build exists, so that alone proves nothing.
bool ExportTargetInstalled(TTableTypeExport target) {
  // The office targets have a writer but need their application too.
  switch (target) {
    case teExcel: return MSExcelIsInstalled();
    case teWord: return MSWordIsInstalled();
    case teOpenOffice: return OpenOfficeIsInstalled();
    case teAccess: return MSAccessIsInstalled();
    default: break;
  }
  try {
    return CreateExportWriter(target, nullptr) != nullptr;
  } catch (const Exception&) {
    return false;
  }
}

TSMEWizardDlg::TSMEWizardDlg(TComponent* owner) : TRODirezaBaseComponent(owner) {
  SetTableType(teText);
  FilterName = ZAZ2OLE::defOOFilterName;
}

TSMEWizardDlg::~TSMEWizardDlg() = default;

String TSMEWizardDlg::GetCaptionForFormat(TTableTypeExport target) { return GetLanguageString(29 + target); }

TWizardContext TSMEWizardDlg::Context() const {
  TWizardContext context;
  context.SetupSpecificationOnly = SetupSpecificationOnly;
  context.FilterName = FilterName;
  return context;
}

// ---------------------------------------------------------------------------
// Execute

TModalResult TSMEWizardDlg::Execute() {
  if (OnBeforeExecute) OnBeforeExecute(this);
  TModalResult result = mrOk;
  CreateSourceDataEngine();
  bool filledHere = false;
  std::unique_ptr<IZAZWizardForm> form;
  try {
    if (!FormFactory()) throw Exception(kNoWizardForm);
    if (Columns.Empty()) {
      SourceDataEngine()->FillColumns(Columns, Bands, RightToLeft);
      filledHere = true;
    }
    form = FormFactory()(*this);
    FForm = form.get();
  } catch (...) {
    FForm = nullptr;
    if (filledHere) Columns.Clear();
    DestroySourceDataEngine();
    throw;
  }
  try {
    TZAZWizardControls& c = form->Controls();
    c.Caption = Title.empty() ? GetLanguageString(17) : Title;
    SetRestrictionToControls(c);
    PropertiesToControls(c);
    form->Refresh();
    if (OnShow) OnShow(this, form.get());
    if (!form->ShowModal()) {
      result = mrCancel;
    } else {
      ControlsToProperties(c);
      if (OnClose) OnClose(this, result);
      if (result == mrOk && !SetupSpecificationOnly) ExecuteWithoutDialog();
    }
  } catch (...) {
    result = mrAbort;
  }
  if (filledHere) Columns.Clear();
  FForm = nullptr;
  form.reset();
  if (result == mrAbort && HasOption(Options, soShowMessage)) ShowExportMessage(GetLanguageString(midExportError), emkInformation);
  DestroySourceDataEngine();
  if (OnAfterExecute) OnAfterExecute(this);
  return result;
}

void TSMEWizardDlg::ExecuteWithoutDialog() {
  // A bare file name goes into the chosen folder, or the current one: never
  // into the file system's root.
  if (TableType() != teADO && !FileName.empty() && FileName.find(u'/') == String::npos) {
    String folder = InitialDir;
    if (folder.empty()) {
      std::error_code error;
      folder = Utf8ToString(std::filesystem::current_path(error).string());
    }
    if (!folder.empty() && folder.back() != u'/') folder += u'/';
    FileName = folder + FileName;
  }
  TRODirezaMonitor monitor;
  monitor.Formats = Formats;
  monitor.SetTableType(TableType());
  monitor.Assign(this);
  monitor.SQLOptions.Assign(SQLOptions);
  monitor.FilterName = FilterName;
  monitor.Execute(false);
  Statistic.Assign(monitor.Statistic);
}

// ---------------------------------------------------------------------------
// Settings and controls

void TSMEWizardDlg::SetRestrictionToControls(TZAZWizardControls& c) const {
  const TSMEUserAccess& u = UserAccess;
  c.btnSpecs.Visible = u.Specification;
  Restrict(c.rgTableType, u.TableType);
  Restrict(c.edFileName, u.SourceFileName);
  c.btnFileName.Enabled = c.edFileName.Enabled;
  c.btnFileName.Visible = c.lblFileName.Visible = c.edFileName.Visible;
  Restrict(c.clbFields, u.FieldMapping);
  Restrict(c.rbActionAfterExport, u.ActionAfter);
  Restrict(c.rbText1, u.TextType);
  c.rbText2.Enabled = c.rbText1.Enabled;
  c.rbText2.Visible = c.rbText1.Visible;
  Restrict(c.rgSeparator, u.FieldDelimiter);
  c.edSymbol.Enabled = c.rgSeparator.Enabled;
  c.edSymbol.Visible = c.rgSeparator.Visible;
  Restrict(c.cbQualifier, u.TextQualifier);
  c.lblQualifier.Visible = c.cbQualifier.Visible;
  Restrict(c.cbRecSeparator, u.RecordSeparator);
  c.lblRecSeparator.Visible = c.cbRecSeparator.Visible;
  Restrict(c.memoHeader, u.Header);
  c.chkHeader.Visible = c.memoHeader.Visible;
  Restrict(c.memoFooter, u.Footer);
  c.chkFooter.Visible = c.memoFooter.Visible;
  Restrict(c.rgLayout, u.Layout);
  c.gbPreview.Visible = c.rgLayout.Visible;
  const bool styleWasEnabled = c.cbColorStyle.Enabled;
  Restrict(c.cbColorStyle, u.ColorStyle);
  c.cbColorStyle.Enabled = c.cbColorStyle.Enabled && styleWasEnabled;
  c.lblStyle.Visible = c.cbColorStyle.Visible;
  const bool versionWasVisible = c.cbAccessVersion.Visible;
  Restrict(c.cbAccessVersion, u.AccessVersion);
  c.cbAccessVersion.Visible = c.cbAccessVersion.Visible && versionWasVisible;
  Restrict(c.gbFormat, u.DataFormats);
  for (TWizardControl* control : {&c.chkAddCreateTable, &c.chkMultiRowInsert, &c.cbFieldNameCharset, &c.gbSQL,
                                  &c.edAddCommit})
    Restrict(*control, u.SQLOptions);
  c.lblAddCommit.Visible = c.edAddCommit.Visible;
  Restrict(c.edKeyGenerator, u.KeyGenerator);
  c.lblKeyGenerator.Visible = c.edKeyGenerator.Visible;
  c.lblKeyGenerator.Tag = c.lblKeyGenerator.Visible ? 1 : 0;
  Restrict(c.gbOrientation, u.PageOrientation);
  Restrict(c.gbMargin, u.PageMargins);
}

void TSMEWizardDlg::CreateCategories(TZAZWizardControls& c) {
  c.CategoryGroups.clear();
  c.CategoryChecked = -1;
  const struct {
    TExportFormatTypes mask;
    const char16_t* caption;
    const char16_t* bitmap;
  } groups[] = {{Categories.DocumentFormats, strWMEW_Documents, u"SMEW_DOCUMENT"},
                {Categories.SpreadsheetFormats, strWMEW_Spreadsheets, u"SMEW_SPREADSHEET"},
                {Categories.DatabaseFormats, strWMEW_Databases, u"SMEW_DATABASE"},
                {Categories.WEBFormats, strWMEW_Web, u"SMEW_WEB"},
                {Categories.OtherFormats, strWMEW_Other, u"SMEW_OTHER"}};
  for (const auto& group : groups) {
    if (group.mask == 0) continue;
    TWizardCategory category{String(u" ") + group.caption, group.bitmap, {}};
    for (Integer n = 0; n < TableTypeCount; ++n) {
      const auto target = static_cast<TTableTypeExport>(n);
      if (!HasFormat(group.mask, target) || !HasFormat(Formats, target)) continue;
      category.Targets.push_back(target);
      if (target == TableType() && c.CategoryChecked < 0) c.CategoryChecked = n;
    }
    c.CategoryGroups.push_back(std::move(category));
  }
}

void TSMEWizardDlg::PropertiesToControls(TZAZWizardControls& c) {
  const auto text = [this](Integer id) { return GetLanguageString(id); };
  const auto texts = [this](std::initializer_list<Integer> ids) {
    std::vector<String> out;
    for (Integer id : ids) out.push_back(GetLanguageString(id));
    return out;
  };
  // Captions, item lists and step texts; each list is emptied first, so a
  // second fill after a loaded specification leaves it as it was.
  c.btnSpecs.Caption = text(94);
  const Integer headers[] = {128, 129, 130, 158, 131, 132, 133, 149, 134, 135};
  const Integer stepTexts[] = {20, 21, 22, 159, 126, 23, 24, 150, 99, 25};
  for (Integer i = 0; i < WizardStepCount; ++i) {
    c.StepHeaders[i] = text(headers[i]);
    c.StepTexts[i] = text(stepTexts[i]);
  }
  c.chkHeader.Caption = text(26);
  c.chkFooter.Caption = text(27);
  c.rgTableType.Caption = text(28);
  c.lblFileOrigin.Caption = text(61);
  c.lblTableName.Caption = text(82);
  c.lblOOFileFilter.Caption = text(160);
  c.lblKeyGenerator.Caption = text(139);
  c.cbSelectedRecord.Caption = text(62);
  c.cbWithoutFieldMask.Caption = text(138);
  c.cbAddTitle.Caption = text(63);
  c.cbAddBlankRow.Caption = text(108);
  c.cbBlankIfZero.Caption = text(65);
  c.rbActionAfterExport.Caption = text(66);
  c.rbActionAfterExport.SetItems(texts({67, 68, 69}));
  c.rgSeparator.Caption = text(70);
  c.rgSeparator.SetItems(texts({97, 71, 72, 73, 74, 75}));
  c.rbText1.Caption = text(77);
  c.rbText2.Caption = text(78);
  c.lblRecSeparator.Caption = text(95);
  c.lblQualifier.Caption = text(96);
  c.cbQualifier.SetItems({text(97), u"\"", u"'"});
  c.cbRecSeparator.SetItems({u"CRLF", u"CR", u"LF"});
  c.cbCharacterSet.SetItems({u"ANSI (Windows)", u"ASCII (MS DOS)", u"EBCDIC (IBM mainframe)", u"UTF-8", u"Unicode"});
  c.chkAddCreateTable.Caption = text(161);
  c.chkMultiRowInsert.Caption = text(162);
  c.lblFieldNameCharset.Caption = text(163);
  c.gbSQL.Caption = text(164);
  c.lblCommit.Caption = text(165);
  c.lblSQLQuote.Caption = text(166);
  c.lblSQLTerm.Caption = text(167);
  c.lblAddCommit.Caption = text(168);
  c.cbFieldNameCharset.SetItems(texts({169, 170, 171, 172}));
  c.cbSQLQuote.SetItems({u"\"", u"'"});
  c.cbSQLTerm.SetItems({u";"});
  c.gbFormat.Caption = text(110);
  c.lblDateOrder.Caption = text(111);
  c.cbDateOrder.SetItems(texts({112, 113, 114, 115, 116, 117}));
  c.lblDateDelimiter.Caption = text(118);
  c.lblTimeDelimiter.Caption = text(119);
  c.cbFourDigitYear.Caption = text(120);
  c.cbLeadingZerosInDate.Caption = text(121);
  c.lblDecimalSymbol.Caption = text(122);
  c.lblThousandSymbol.Caption = text(123);
  c.lblCurrencyString.Caption = text(124);
  c.lblLogical.Caption = text(125);
  c.lblFileName.Caption = text(79);
  c.gbTitle.Caption = text(83);
  c.gbData.Caption = text(84);
  c.lblTitleCaption.Caption = text(85);
  c.lblTitleAlignment.Caption = c.lblDataAlignment.Caption = text(86);
  c.cbTitleAlignment.SetItems(texts({91, 92, 93}));
  c.cbDataAlignment.SetItems(texts({91, 92, 93}));
  c.lblTitleColor.Caption = c.lblDataColor.Caption = text(87);
  c.lblTitleFont.Caption = c.lblDataFont.Caption = text(88);
  c.lblWidth.Caption = text(89);
  c.lblWidthFix.Caption = text(90);
  c.gbOrientation.Caption = text(140);
  c.rbOrientDefault.Caption = text(141);
  c.rbOrientPortrait.Caption = text(142);
  c.rbOrientLandscape.Caption = text(143);
  c.gbMargin.Caption = text(144);
  c.lblLeft.Caption = text(145);
  c.lblTop.Caption = text(146);
  c.lblRight.Caption = text(147);
  c.lblBottom.Caption = text(148);
  c.chkAutofit.Caption = text(157);
  c.cbRowsPerFile.Caption = text(98);
  c.cbMerged.Caption = text(127);
  c.gbPreview.Caption = text(109);
  c.lblStyle.Caption = text(104);
  c.rgLayout.Caption = text(100);
  c.rgLayout.SetItems(texts({101, 102, 103}));
  c.rbColorsFonts.Caption = text(136);
  c.rbDataOnly.Caption = text(137);
  c.cbColorStyle.SetItems({u"Normal", u"PriceList", u"MSMoney", u"Brick", u"Desert", u"Eggplant", u"Lilac", u"Maple",
                           u"Marine", u"Rose", u"Spruce", u"Wheat"});
  c.cbAccessVersion.SetItems({u"-", u"97", u"2000"});
  c.btnPrev.Caption = text(13);
  c.btnNext.Caption = text(14);
  c.btnFirst.Caption = u"<<";
  c.btnLast.Caption = u">>";
  c.sCancel = text(12);
  c.sExecute = text(15);
  c.sStep = text(18);
  c.sAbort = text(19);
  c.btnCancel.Caption = c.sCancel;

  // The targets.
  c.ShowCategories = Categories.ShowCategories;
  c.TableTypeValues.clear();
  c.rgTableType.SetItems({});
  if (c.ShowCategories) {
    CreateCategories(c);
  } else {
    c.rgTableType.ItemIndex = -1;
    for (Integer n = 0; n < TableTypeCount; ++n) {
      const auto target = static_cast<TTableTypeExport>(n);
      if (!HasFormat(Formats, target)) continue;
      c.TableTypeValues.push_back(target);
      c.rgTableType.Items.push_back(GetCaptionForFormat(target));
      const bool needsApplication = target == teExcel || target == teWord || target == teAccess ||
                                    target == teADO || target == teOpenOffice;
      c.rgTableType.ItemEnabled.push_back(!needsApplication || ExportTargetInstalled(target));
      if (target == TableType()) c.rgTableType.ItemIndex = static_cast<Integer>(c.TableTypeValues.size()) - 1;
    }
    if (c.rgTableType.ItemIndex < 0 && !c.TableTypeValues.empty()) c.rgTableType.ItemIndex = 0;
    c.rgTableType.Tag = c.TableTypeValues.size() < 6 ? 1 : 2;  // columns
  }

  // SQL options.
  c.chkAddCreateTable.Checked = SQLOptions.AddCreateTable;
  c.chkMultiRowInsert.Checked = SQLOptions.MultiRowInsert;
  c.cbFieldNameCharset.ItemIndex = SQLOptions.FieldNameCharCase;
  c.edCommit.Text = SQLOptions.CommitTerm;
  c.cbSQLTerm.Text = SQLOptions.SQLTerm;
  c.cbSQLQuote.Text = CharText(SQLOptions.SQLQuote);
  c.edAddCommit.Text = IntToStr(SQLOptions.BatchRecCount);
  // Data formats.
  c.cbDateOrder.ItemIndex = DataFormats.DateOrder;
  c.edDateDelimiter.Text = CharText(DataFormats.DateSeparator);
  c.edTimeDelimiter.Text = CharText(DataFormats.TimeSeparator);
  c.cbFourDigitYear.Checked = DataFormats.FourDigitYear;
  c.cbLeadingZerosInDate.Checked = DataFormats.LeadingZerosInDate;
  c.edDecimalSymbol.Text = CharText(DataFormats.DecimalSeparator);
  c.edThousandSymbol.Text = CharText(DataFormats.ThousandSeparator);
  c.edCurrencyString.Text = DataFormats.CurrencyString;
  c.edTrue.Text = DataFormats.BooleanTrue;
  c.edFalse.Text = DataFormats.BooleanFalse;
  // Text settings.
  static const String separators[] = {String(1, u'\0'), u"\t", u";", u",", u" "};
  c.rgSeparator.ItemIndex = 5;
  c.edSymbol.Text = Separator;
  for (Integer i = 0; i < 5; ++i)
    if (Separator == separators[i]) {
      c.rgSeparator.ItemIndex = i;
      c.edSymbol.Text.clear();
    }
  WizardSeparatorClick(c);
  c.rbText2.Checked = Fixed;
  c.rbText1.Checked = !Fixed;
  c.chkAutofit.Checked = AutoFitColumns;
  c.cbRecSeparator.ItemIndex = RecordSeparator == u"\r\n" ? 0 : RecordSeparator == u"\r" ? 1
                             : RecordSeparator == u"\n" ? 2 : -1;
  c.cbRecSeparator.Text = c.cbRecSeparator.ItemIndex >= 0 ? c.cbRecSeparator.Items[static_cast<size_t>(c.cbRecSeparator.ItemIndex)]
                                                          : RecordSeparator;
  c.cbQualifier.ItemIndex = TextQualifier == String(1, u'\0') ? 0 : TextQualifier == u"\"" ? 1
                          : TextQualifier == u"'" ? 2 : -1;
  c.cbQualifier.Text = c.cbQualifier.ItemIndex >= 0 ? c.cbQualifier.Items[static_cast<size_t>(c.cbQualifier.ItemIndex)]
                                                    : TextQualifier;
  // Data origin.
  c.cbBlankIfZero.Checked = BlankIfZero;
  c.cbAddTitle.Checked = AddTitle;
  c.cbAddBlankRow.Checked = HasOption(Options, soBlankRowAfterCaptions);
  WizardAddTitleClick(c);
  c.rbColorsFonts.Checked = HasOption(Options, soColorsFonts);
  c.rbDataOnly.Checked = !c.rbColorsFonts.Checked;
  c.cbSelectedRecord.Checked = SelectedRecord;
  c.cbSelectedRecord.Enabled = SourceDataEngine() != nullptr && SourceDataEngine()->SelectedRecordIsSupported();
  c.cbWithoutFieldMask.Checked = !HasOption(Options, soFieldMask);
  c.cbCharacterSet.ItemIndex = CharacterSet;
  c.rbActionAfterExport.ItemIndex = ActionAfterExport;
  // File name page.
  c.edFileName.Text = FileName;
  c.cbTableNames.Text = TableName.empty() ? TblName(DataSet()) : TableName;
  c.cbRowsPerFile.Checked = RowsPerFile > 0;
  c.edRowsPerFile.Text = RowsPerFile > 0 ? IntToStr(RowsPerFile) : String();
  c.cbMerged.Checked = HasOption(Options, soMergeData);
  c.edKeyGenerator.Text = KeyGenerator;
  c.cbAccessVersion.ItemIndex = ZAZ2OLE::DefaultAccessVersion;
  c.cbOOFileFilter.ItemIndex = IndexOf(c.cbOOFileFilter.Items, FilterName);
  // Layout.
  c.rgLayout.ItemIndex = Layout;
  c.cbColorStyle.ItemIndex = ExportStyle.Style();
  WizardColorsFontsClick(c);
  // Page setup.
  c.rbOrientDefault.Checked = PageSetup.Orientation == emDefault;
  c.rbOrientPortrait.Checked = PageSetup.Orientation == emPortrait;
  c.rbOrientLandscape.Checked = PageSetup.Orientation == emLandscape;
  c.edMarginLeft.Text = FloatToStr(PageSetup.LeftMargin, FormatSettings);
  c.edMarginTop.Text = FloatToStr(PageSetup.TopMargin, FormatSettings);
  c.edMarginRight.Text = FloatToStr(PageSetup.RightMargin, FormatSettings);
  c.edMarginBottom.Text = FloatToStr(PageSetup.BottomMargin, FormatSettings);
  // Header and footer.
  c.HeaderLines = Header;
  c.FooterLines = Footer;
  c.chkHeader.Checked = !Header.empty();
  c.chkFooter.Checked = !Footer.empty();
  WizardHeaderFooterClick(c);
  // Columns.
  c.FieldItems.clear();
  for (const auto& column : Columns) {
    if (VisibleColumnsOnly && !column->Visible) continue;
    TWizardFieldItem item;
    item.Column.Assign(*column);
    item.Caption = column->GetItemCaption(FieldDisplayFormat);
    item.Checked = column->Visible;
    c.FieldItems.push_back(std::move(item));
  }
  c.clbFields.ItemIndex = c.FieldItems.empty() ? -1 : 0;
  WizardFieldsClick(c);
  WizardTableTypeClick(c, Context());
}

void TSMEWizardDlg::ControlsToProperties(TZAZWizardControls& c) {
  Columns.Clear();
  for (const TWizardFieldItem& item : c.FieldItems) Columns.Add().Assign(item.Column);

  static const String separators[] = {String(1, u'\0'), u"\t", u";", u",", u" "};
  const Integer separator = c.rgSeparator.ItemIndex;
  if (separator >= 0 && separator < 5)
    Separator = separators[separator];
  else if (separator == 5)
    Separator = c.edSymbol.Text.empty() ? String(u" ") : c.edSymbol.Text;
  const Integer record = IndexOf(c.cbRecSeparator.Items, c.cbRecSeparator.Text);
  RecordSeparator = record == 0 ? String(u"\r\n") : record == 1 ? String(u"\r") : record == 2 ? String(u"\n")
                                                                                                : c.cbRecSeparator.Text;
  const Integer qualifier = IndexOf(c.cbQualifier.Items, c.cbQualifier.Text);
  TextQualifier = c.cbQualifier.Text.empty() || qualifier == 0 ? String(1, u'\0') : c.cbQualifier.Text;
  KeyGenerator = c.edKeyGenerator.Text;
  Fixed = c.rbText2.Checked;
  SetTableType(GetTableTypeIndex(c));

  SQLOptions.AddCreateTable = c.chkAddCreateTable.Checked;
  SQLOptions.MultiRowInsert = c.chkMultiRowInsert.Checked;
  if (c.cbFieldNameCharset.ItemIndex >= ecNormal && c.cbFieldNameCharset.ItemIndex <= ecProper)
    SQLOptions.FieldNameCharCase = static_cast<TFieldCharCase>(c.cbFieldNameCharset.ItemIndex);
  SQLOptions.CommitTerm = c.edCommit.Text;
  SQLOptions.SQLTerm = c.cbSQLTerm.Text;
  SQLOptions.SQLQuote = FirstChar(c.cbSQLQuote.Text, 0);
  SQLOptions.BatchRecCount = StrToIntDef(Trim(c.edAddCommit.Text), SQLOptions.BatchRecCount);
  FilterName = c.cbOOFileFilter.ItemIndex >= 0 && c.cbOOFileFilter.ItemIndex < static_cast<Integer>(c.cbOOFileFilter.Items.size())
                   ? c.cbOOFileFilter.Items[static_cast<size_t>(c.cbOOFileFilter.ItemIndex)]
                   : String(u"MS Word 97");

  if (c.cbDateOrder.ItemIndex >= doMDY && c.cbDateOrder.ItemIndex <= doMYD)
    DataFormats.DateOrder = static_cast<TSMEDateOrder>(c.cbDateOrder.ItemIndex);
  DataFormats.DateSeparator = FirstChar(c.edDateDelimiter.Text, 0);
  DataFormats.TimeSeparator = FirstChar(c.edTimeDelimiter.Text, 0);
  DataFormats.FourDigitYear = c.cbFourDigitYear.Checked;
  DataFormats.LeadingZerosInDate = c.cbLeadingZerosInDate.Checked;
  DataFormats.DecimalSeparator = FirstChar(c.edDecimalSymbol.Text, FormatSettings.DecimalSeparator);
  DataFormats.ThousandSeparator = FirstChar(c.edThousandSymbol.Text, FormatSettings.ThousandSeparator);
  DataFormats.CurrencyString = c.edCurrencyString.Text.empty() ? FormatSettings.CurrencyString : c.edCurrencyString.Text;
  DataFormats.BooleanTrue = c.edTrue.Text;
  DataFormats.BooleanFalse = c.edFalse.Text;

  BlankIfZero = c.cbBlankIfZero.Checked;
  AddTitle = c.cbAddTitle.Checked;
  SetOption(Options, soBlankRowAfterCaptions, c.cbAddBlankRow.Checked);
  SetOption(Options, soColorsFonts, c.rbColorsFonts.Checked);
  SelectedRecord = c.cbSelectedRecord.Checked;
  SetOption(Options, soFieldMask, !c.cbWithoutFieldMask.Checked);
  if (c.cbCharacterSet.ItemIndex >= csANSI_WINDOWS && c.cbCharacterSet.ItemIndex <= csUnicode)
    CharacterSet = static_cast<TCharacterSet>(c.cbCharacterSet.ItemIndex);
  if (c.rbActionAfterExport.ItemIndex >= aeNone && c.rbActionAfterExport.ItemIndex <= aeEMail)
    ActionAfterExport = static_cast<TActionAfterExport>(c.rbActionAfterExport.ItemIndex);
  FileName = c.edFileName.Text;
  TableName = c.cbTableNames.Text;
  RowsPerFile = c.cbRowsPerFile.Checked ? StrToIntDef(Trim(c.edRowsPerFile.Text), 0) : 0;
  SetOption(Options, soMergeData, c.cbMerged.Checked && c.cbMerged.Enabled);
  if (c.rgLayout.ItemIndex >= elColumnar && c.rgLayout.ItemIndex <= elTabularForm)
    Layout = static_cast<TSMELayout>(c.rgLayout.ItemIndex);
  if (c.cbColorStyle.ItemIndex >= esNormal && c.cbColorStyle.ItemIndex <= esWheat)
    ExportStyle.SetStyle(static_cast<TSMEStyle>(c.cbColorStyle.ItemIndex));
  if (c.cbAccessVersion.ItemIndex >= 0 && c.cbAccessVersion.ItemIndex <= 2)
    ZAZ2OLE::DefaultAccessVersion = c.cbAccessVersion.ItemIndex;
  PageSetup.Orientation = c.rbOrientLandscape.Checked ? emLandscape : c.rbOrientPortrait.Checked ? emPortrait : emDefault;
  PageSetup.LeftMargin = static_cast<float>(StrToFloat(Trim(c.edMarginLeft.Text), FormatSettings));
  PageSetup.TopMargin = static_cast<float>(StrToFloat(Trim(c.edMarginTop.Text), FormatSettings));
  PageSetup.RightMargin = static_cast<float>(StrToFloat(Trim(c.edMarginRight.Text), FormatSettings));
  PageSetup.BottomMargin = static_cast<float>(StrToFloat(Trim(c.edMarginBottom.Text), FormatSettings));
  AutoFitColumns = c.chkAutofit.Checked;
  Header = c.chkHeader.Checked ? c.HeaderLines : std::vector<String>();
  Footer = c.chkFooter.Checked ? c.FooterLines : std::vector<String>();
}

// ---------------------------------------------------------------------------
// Specifications

std::vector<TSMESpecificationFile> TSMEWizardDlg::GetSpecifications() {
  std::vector<TSMESpecificationFile> files;
  if (OnGetSpecifications) {
    OnGetSpecifications(this, files);
    return files;
  }
  String folder = SpecificationDir();
  if (folder.empty()) {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) folder = Utf8ToString(exe.parent_path().string());
  }
  return FindSpecifications(folder);
}

void TSMEWizardDlg::SaveSpecClick(TZAZWizardControls& c, const String& specName, const String& fileName) {
  ControlsToProperties(c);
  SaveSpecification(specName, fileName, true);
}

void TSMEWizardDlg::LoadSpecClick(TZAZWizardControls& c, const String& fileName) {
  if (fileName.empty()) return;
  LoadSpecification(fileName);
  PropertiesToControls(c);
}

void TSMEWizardDlg::SaveSpecificationToStream(TStream& stream, const String& specName) {
  TRODirezaBaseComponent::SaveSpecificationToStream(stream, specName);
  SQLOptions.SaveToStream(stream);
}

void TSMEWizardDlg::LoadSpecificationFromStrings(const std::vector<String>& lines) {
  const TSMOptions kept = Options;
  TRODirezaBaseComponent::LoadSpecificationFromStrings(lines);
  Options = static_cast<TSMOptions>((Options & ~kProtectedOptions) | (kept & kProtectedOptions));
  SQLOptions.LoadFromStrings(lines);
}
