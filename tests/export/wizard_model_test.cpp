// The export wizard without a display: the pages each target walks, the
// target-dependent controls, the file name rules, and the copying between
// the settings and the controls.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "export/WizardDlg.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "tests/export/export_fixture.h"
#include "tests/export/run_tool.h"

namespace fs = std::filesystem;

namespace {

std::vector<Integer> Walk(TTableTypeExport target, bool forward) {
  const auto all = [](Integer) { return true; };
  std::vector<Integer> steps;
  Integer step = forward ? 1 : WizardStepCount;
  steps.push_back(step);
  while (forward ? step < WizardStepCount : step > 1) {
    step = forward ? WizardNextStep(step, target, all) : WizardPrevStep(step, target, all);
    steps.push_back(step);
  }
  return steps;
}

// A wizard's model filled as the form starts, with the given target chosen
// in the plain list.
TZAZWizardControls Filled(TSMEWizardDlg& wizard) {
  TZAZWizardControls c;
  wizard.SetRestrictionToControls(c);
  wizard.PropertiesToControls(c);
  return c;
}

}  // namespace

TEST(WizardNavigationTest, EveryTargetWalksItsOwnPagesBothWays) {
  using S = std::vector<Integer>;
  const S none = {1, 2, 5, 6, 10}, sheet = {1, 2, 5, 6, 7, 9, 10}, page = {1, 2, 5, 6, 7, 8, 9, 10},
          plain = {1, 2, 5, 6, 7, 10}, text = {1, 2, 3, 5, 6, 7, 9, 10};
  const S expected[TableTypeCount] = {
      none,  none,  text,  sheet, sheet, page,  page,  plain, plain, sheet, sheet, {1, 2, 4, 5, 6, 7, 10},
      plain, none,  text,  sheet, plain, page,  plain, none,  sheet, sheet, plain};
  for (Integer n = 0; n < TableTypeCount; ++n) {
    SCOPED_TRACE(n);
    const auto target = static_cast<TTableTypeExport>(n);
    EXPECT_EQ(Walk(target, true), expected[n]);
    S back(expected[n].rbegin(), expected[n].rend());
    EXPECT_EQ(Walk(target, false), back);
  }
}

TEST(WizardNavigationTest, PagesWhoseControlsAreAllDisabledArePassed) {
  TSMEWizardDlg wizard;
  TZAZWizardControls c = Filled(wizard);
  c.chkHeader.Checked = c.chkFooter.Checked = false;
  WizardHeaderFooterClick(c);
  const auto valid = [&](Integer step) { return IsValidWizardStep(c, step); };
  EXPECT_EQ(WizardNextStep(6, teHTML, valid), 9);
  EXPECT_EQ(WizardPrevStep(9, teHTML, valid), 6);
  // A read-only field list passes page 6; without header and footer lines
  // page 7 is passed too.
  wizard.UserAccess.FieldMapping = erReadOnly;
  TZAZWizardControls r = Filled(wizard);
  EXPECT_EQ(WizardNextStep(5, teHTML, [&](Integer step) { return IsValidWizardStep(r, step); }), 9);
}

TEST(WizardFormRulesTest, TheFileNameFollowsTheTarget) {
  const struct {
    const char16_t* given;
    TTableTypeExport target;
    const char16_t* expected;
  } cases[] = {
      {u"/data/table.vtd", teText, u"/data/table.TXT"},
      {u"/data/table.vtd", teClipboard, u"/data/table"},
      {u"/data/table.vtd", teExcel2007, u"/data/table.XLSX"},
      {u"/data.d/table", teXLS, u"/data.d/table.XLS"},
      {u"/data/table.vtd", teADO, u"Data Source=\"/data/table.vtd\""},
      {u"Provider=MSDASQL;Data Source=/db/a.mdb;X=1", teADO, u"Provider=MSDASQL;Data Source=/db/a.mdb;X=1"},
      {u"Provider=MSDASQL;Data Source=/db/a.mdb;X=1", teDBase, u"/db/a.DBF"},
      {u"", teText, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.given));
    EXPECT_EQ(WizardFileNameFor(c.given, c.target), c.expected);
  }
  for (const char16_t* bad : {u"a\"b", u"a'b", u"a*", u"a;b", u"<a", u"a>", u"a?", u"a|b", u"a\tb"})
    EXPECT_FALSE(ValidFileName(bad)) << StringToUtf8(bad);
  for (const char16_t* good : {u"/tmp/a.b", u"C:\\x", u"\u010Crka.txt", u""})
    EXPECT_TRUE(ValidFileName(good)) << StringToUtf8(good);
}

TEST(WizardFormRulesTest, TargetDependentControls) {
  TSMEWizardDlg wizard;
  wizard.Categories.ShowCategories = false;
  wizard.UserAccess.KeyGenerator = erReadWrite;
  TZAZWizardControls c = Filled(wizard);
  const auto choose = [&](TTableTypeExport t) {
    c.rgTableType.ItemIndex = static_cast<Integer>(
        std::find(c.TableTypeValues.begin(), c.TableTypeValues.end(), t) - c.TableTypeValues.begin());
    WizardTableTypeClick(c, wizard.Context());
    UpdateWizardButtons(c, WizardStepCount, wizard.Context());
  };
  choose(teSQL);
  EXPECT_TRUE(c.cbTableNames.Visible);
  EXPECT_FALSE(c.cbAddBlankRow.Enabled && !c.cbAddTitle.Checked);
  EXPECT_FALSE(c.rbColorsFonts.Visible);
  EXPECT_TRUE(c.rbDataOnly.Checked);
  EXPECT_FALSE(c.rgLayout.ItemIsEnabled(1));
  EXPECT_FALSE(c.CancelIsEscape);
  EXPECT_EQ(c.btnCancel.Caption, u"&Execute");
  choose(teClipboard);
  EXPECT_FALSE(c.edFileName.Visible);
  EXPECT_FALSE(c.cbRowsPerFile.Visible);
  EXPECT_TRUE(c.cbMerged.Enabled);
  choose(teExcel2007);
  EXPECT_TRUE(c.edFileName.Visible && c.edFileName.Enabled);
  EXPECT_FALSE(c.cbTableNames.Visible);
  EXPECT_FALSE(c.edKeyGenerator.Visible);
  EXPECT_TRUE(c.rbColorsFonts.Visible);
  EXPECT_FALSE(c.cbMerged.Enabled);
  EXPECT_TRUE(c.SMColorsCBTitle.Enabled);
  choose(tePDF);
  EXPECT_TRUE(c.edKeyGenerator.Visible);
  UpdateWizardButtons(c, 3, wizard.Context());
  EXPECT_EQ(c.lblStep.Caption, u"Step 3 of 10  ");
  EXPECT_TRUE(c.CancelIsEscape);
  EXPECT_EQ(c.lblCaption.Caption, u"Text Settings");
  // The plain list offers the office targets disabled: no application here.
  const auto excel = std::find(c.TableTypeValues.begin(), c.TableTypeValues.end(), teExcel) - c.TableTypeValues.begin();
  EXPECT_FALSE(c.rgTableType.ItemIsEnabled(static_cast<Integer>(excel)));
  EXPECT_EQ(c.rgTableType.Tag, 2);
}

TEST(WizardFormRulesTest, MergingIsOfferedForAnExistingFileOfATargetThatMerges) {
  const fs::path dir = FreshFolder("wizard_merge");
  std::ofstream(dir / "a.TXT") << "x";
  TSMEWizardDlg wizard;
  wizard.FileName = Utf8ToString((dir / "a.txt").string());
  TZAZWizardControls c = Filled(wizard);
  EXPECT_TRUE(c.cbMerged.Enabled);
  c.edFileName.Text = Utf8ToString((dir / "b.TXT").string());
  UpdateMergeStatus(c, wizard.Context());
  EXPECT_FALSE(c.cbMerged.Enabled);
}

TEST(WizardCategoriesTest, JsonOnlyWhenAddedAndTargetsOutsideEveryCategoryAreNotOffered) {
  TSMEWizardDlg wizard;
  TZAZWizardControls c = Filled(wizard);
  size_t offered = 0;
  for (const TWizardCategory& group : c.CategoryGroups) offered += group.Targets.size();
  EXPECT_EQ(offered, 22u);
  EXPECT_EQ(c.CategoryGroups[3].Caption, u" WEB publishing");
  EXPECT_EQ(GetTableTypeIndex(c), teText);

  wizard.Formats |= FormatBit(teJSON);
  wizard.Categories.OtherFormats = 0;  // SYLK, DIF and LDIF belong nowhere now
  c = Filled(wizard);
  offered = 0;
  for (const TWizardCategory& group : c.CategoryGroups) offered += group.Targets.size();
  EXPECT_EQ(offered, 20u);
  ASSERT_EQ(c.CategoryGroups.size(), 4u);
  EXPECT_EQ(c.CategoryGroups[3].Targets.back(), teJSON);
}

TEST(WizardSettingsTest, RestrictionsHideOrDisableTheirControls) {
  TSMEWizardDlg wizard;
  wizard.UserAccess.SourceFileName = erDisabled;
  wizard.UserAccess.Header = erReadOnly;
  wizard.UserAccess.Specification = false;
  TZAZWizardControls c;
  wizard.SetRestrictionToControls(c);
  EXPECT_FALSE(c.edFileName.Visible || c.btnFileName.Visible || c.lblFileName.Visible);
  EXPECT_TRUE(c.memoHeader.Visible && c.chkHeader.Visible);
  EXPECT_FALSE(c.memoHeader.Enabled);
  EXPECT_FALSE(c.btnSpecs.Visible);
  // The key generator is hidden by default and its label remembers it.
  EXPECT_FALSE(c.edKeyGenerator.Visible);
  EXPECT_EQ(c.lblKeyGenerator.Tag, 0);
}

TEST(WizardSettingsTest, RandomSettingsComeBackFromTheControls) {
  std::mt19937 random(20261211);
  const auto pick = [&](Integer n) { return static_cast<Integer>(random() % static_cast<unsigned>(n)); };
  const auto flag = [&] { return pick(2) == 1; };
  const String texts[] = {u"", u"a", u"\u010Ce", u"x y", u"99"};
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    TSMEWizardDlg a;
    a.Categories.ShowCategories = flag();
    a.SetTableType(static_cast<TTableTypeExport>(pick(22)));
    a.FileName = u"/tmp/out" + IntToStr(round) + TSMECustomBaseComponent::GetDefExt(a.TableType());
    a.SQLOptions.AddCreateTable = flag();
    a.SQLOptions.MultiRowInsert = flag();
    a.SQLOptions.FieldNameCharCase = static_cast<TFieldCharCase>(pick(4));
    a.SQLOptions.CommitTerm = texts[pick(5)];
    a.SQLOptions.SQLTerm = texts[pick(5)];
    a.SQLOptions.SQLQuote = pick(2) ? u'\'' : u'\0';
    a.SQLOptions.BatchRecCount = pick(1000);
    a.DataFormats.DateOrder = static_cast<TSMEDateOrder>(pick(6));
    a.DataFormats.DateSeparator = pick(2) ? u'.' : u'\0';
    a.DataFormats.TimeSeparator = u':';
    a.DataFormats.FourDigitYear = flag();
    a.DataFormats.LeadingZerosInDate = flag();
    a.DataFormats.DecimalSeparator = pick(2) ? u',' : u'.';
    a.DataFormats.ThousandSeparator = u' ';
    a.DataFormats.CurrencyString = pick(2) ? u"EUR" : u"$";
    a.DataFormats.BooleanTrue = texts[pick(5)];
    a.DataFormats.BooleanFalse = texts[pick(5)];
    const String separators[] = {String(1, u'\0'), u"\t", u";", u",", u" ", u"#", u"::"};
    a.Separator = separators[pick(7)];
    a.Fixed = flag();
    a.AutoFitColumns = flag();
    const String records[] = {u"\r\n", u"\r", u"\n", u"~"};
    a.RecordSeparator = records[pick(4)];
    const String qualifiers[] = {String(1, u'\0'), u"\"", u"'", u"`"};
    a.TextQualifier = qualifiers[pick(4)];
    a.BlankIfZero = flag();
    a.AddTitle = flag();
    a.Options = static_cast<TSMOptions>(pick(0x4000));
    a.CharacterSet = static_cast<TCharacterSet>(pick(5));
    a.ActionAfterExport = static_cast<TActionAfterExport>(pick(3));
    a.TableName = texts[pick(5)] + u"t";
    a.RowsPerFile = pick(3) * 100;
    a.Layout = static_cast<TSMELayout>(pick(3));
    a.ExportStyle.SetStyle(static_cast<TSMEStyle>(pick(12)));
    a.KeyGenerator = texts[pick(5)];
    a.PageSetup.Orientation = static_cast<TSMEOrientation>(pick(3));
    a.PageSetup.LeftMargin = static_cast<float>(pick(100)) / 4;
    a.PageSetup.TopMargin = static_cast<float>(pick(100)) / 8;
    a.PageSetup.RightMargin = 1.5f;
    a.PageSetup.BottomMargin = 0;
    a.Header = std::vector<String>(static_cast<size_t>(pick(3)), u"h");
    a.Footer = std::vector<String>(static_cast<size_t>(pick(3)), u"f");
    for (Integer k = 0, n = pick(4); k < n; ++k) {
      TSMEColumn& column = a.Columns.Add();
      column.FieldName = u"F" + IntToStr(k);
      column.Title.Caption = texts[pick(5)];
      column.Visible = flag();
      column.Width = pick(40);
      column.Color = ColorValues[pick(44)];
    }
    TZAZWizardControls c = Filled(a);
    TSMEWizardDlg b;
    b.ControlsToProperties(c);

    EXPECT_EQ(b.TableType(), a.TableType());
    EXPECT_EQ(b.FileName, WizardFileNameFor(a.FileName, a.TableType()));
    EXPECT_EQ(b.SQLOptions.AddCreateTable, a.SQLOptions.AddCreateTable);
    EXPECT_EQ(b.SQLOptions.MultiRowInsert, a.SQLOptions.MultiRowInsert);
    EXPECT_EQ(b.SQLOptions.FieldNameCharCase, a.SQLOptions.FieldNameCharCase);
    EXPECT_EQ(b.SQLOptions.CommitTerm, a.SQLOptions.CommitTerm);
    EXPECT_EQ(b.SQLOptions.SQLTerm, a.SQLOptions.SQLTerm);
    EXPECT_EQ(b.SQLOptions.SQLQuote, a.SQLOptions.SQLQuote);
    EXPECT_EQ(b.SQLOptions.BatchRecCount, a.SQLOptions.BatchRecCount);
    EXPECT_EQ(b.DataFormats.DateOrder, a.DataFormats.DateOrder);
    EXPECT_EQ(b.DataFormats.DateSeparator, a.DataFormats.DateSeparator);
    EXPECT_EQ(b.DataFormats.FourDigitYear, a.DataFormats.FourDigitYear);
    EXPECT_EQ(b.DataFormats.LeadingZerosInDate, a.DataFormats.LeadingZerosInDate);
    EXPECT_EQ(b.DataFormats.DecimalSeparator, a.DataFormats.DecimalSeparator);
    EXPECT_EQ(b.DataFormats.CurrencyString, a.DataFormats.CurrencyString);
    EXPECT_EQ(b.DataFormats.BooleanTrue, a.DataFormats.BooleanTrue);
    EXPECT_EQ(b.DataFormats.BooleanFalse, a.DataFormats.BooleanFalse);
    EXPECT_EQ(b.Separator, a.Separator);
    EXPECT_EQ(b.Fixed, a.Fixed);
    EXPECT_EQ(b.AutoFitColumns, a.AutoFitColumns);
    EXPECT_EQ(b.RecordSeparator, a.RecordSeparator);
    EXPECT_EQ(b.TextQualifier, a.TextQualifier);
    EXPECT_EQ(b.BlankIfZero, a.BlankIfZero);
    EXPECT_EQ(b.AddTitle, a.AddTitle);
    for (TSMOption o : {soBlankRowAfterCaptions, soColorsFonts, soFieldMask})
      EXPECT_EQ(HasOption(b.Options, o), HasOption(a.Options, o)) << o;
    EXPECT_EQ(HasOption(b.Options, soMergeData), HasOption(a.Options, soMergeData) && c.cbMerged.Enabled);
    EXPECT_EQ(b.CharacterSet, a.CharacterSet);
    EXPECT_EQ(b.ActionAfterExport, a.ActionAfterExport);
    EXPECT_EQ(b.TableName, a.TableName);
    EXPECT_EQ(b.RowsPerFile, a.RowsPerFile);
    EXPECT_EQ(b.Layout, a.Layout);
    EXPECT_EQ(b.ExportStyle.Style(), a.ExportStyle.Style());
    EXPECT_EQ(b.KeyGenerator, a.KeyGenerator);
    EXPECT_EQ(b.PageSetup.Orientation, a.PageSetup.Orientation);
    EXPECT_EQ(b.PageSetup.LeftMargin, a.PageSetup.LeftMargin);
    EXPECT_EQ(b.PageSetup.TopMargin, a.PageSetup.TopMargin);
    EXPECT_EQ(b.PageSetup.RightMargin, a.PageSetup.RightMargin);
    EXPECT_EQ(b.Header, a.Header);
    EXPECT_EQ(b.Footer, a.Footer);
    ASSERT_EQ(b.Columns.Count(), a.Columns.Count());
    for (Integer k = 0; k < a.Columns.Count(); ++k) {
      EXPECT_EQ(b.Columns[k].FieldName, a.Columns[k].FieldName);
      EXPECT_EQ(b.Columns[k].Title.Caption, a.Columns[k].Title.Caption);
      EXPECT_EQ(b.Columns[k].Visible, a.Columns[k].Visible);
      EXPECT_EQ(b.Columns[k].Width, a.Columns[k].Width);
      EXPECT_EQ(b.Columns[k].Color, a.Columns[k].Color);
    }
  }
}

TEST(WizardSettingsTest, SecondFillKeepsListsAndEmptyTextsReadBackAsTheProcessSays) {
  TSMEWizardDlg wizard;
  TZAZWizardControls c = Filled(wizard);
  wizard.PropertiesToControls(c);
  EXPECT_EQ(c.cbDateOrder.Items.size(), 6u);
  EXPECT_EQ(c.cbColorStyle.Items.size(), 12u);
  EXPECT_EQ(c.cbCharacterSet.Items.size(), 5u);
  // "none" as the separator is character 0; an empty symbol is a space; an
  // empty decimal symbol is the process's; a margin that is no number fails.
  c.rgSeparator.ItemIndex = 0;
  c.edDecimalSymbol.Text.clear();
  wizard.ControlsToProperties(c);
  EXPECT_EQ(wizard.Separator, String(1, u'\0'));
  EXPECT_EQ(wizard.DataFormats.DecimalSeparator, FormatSettings.DecimalSeparator);
  c.rgSeparator.ItemIndex = 5;
  c.edSymbol.Text.clear();
  c.edMarginTop.Text = u"wide";
  EXPECT_THROW(wizard.ControlsToProperties(c), Exception);
  EXPECT_EQ(wizard.Separator, u" ");
}

TEST(WizardColumnsPageTest, ReorderCheckEditAndInsertSystemVariables) {
  TSMEWizardDlg wizard;
  for (const char16_t* name : {u"A", u"B", u"C"}) {
    TSMEColumn& column = wizard.Columns.Add();
    column.FieldName = column.Title.Caption = name;
    column.Title.Color = 0x123456;  // none of the list's colours
  }
  TZAZWizardControls c = Filled(wizard);
  EXPECT_EQ(c.SMColorsCBTitle.ItemIndex, 0);
  WizardMoveField(c, 0, 2);
  EXPECT_EQ(c.FieldItems[2].Column.FieldName, u"A");
  EXPECT_EQ(c.clbFields.ItemIndex, 2);
  WizardFieldsClick(c);
  c.edTitleCaption.Text = u"Alpha";
  WizardPropertyExit(c, 1, dfFull);
  c.edWidth.Text = u"x";
  WizardPropertyExit(c, 9, dfFull);
  EXPECT_EQ(c.FieldItems[2].Caption, u"A  :  Alpha");
  EXPECT_EQ(c.FieldItems[2].Column.Width, 0);
  // An untouched colour stays as it was.
  EXPECT_EQ(c.FieldItems[2].Column.Title.Color, 0x123456u);
  WizardSelectAll(c, 2);
  EXPECT_FALSE(c.FieldItems[0].Checked || c.FieldItems[0].Column.Visible);
  c.clbFields.ItemIndex = 1;
  WizardInsertSysVar(c, 1, u"row number", dfFull);
  EXPECT_EQ(c.FieldItems[1].Column.FieldName, u"ROWNO");
  EXPECT_EQ(c.FieldItems[1].Column.ColumnKind, ckSysVar);
  EXPECT_TRUE(c.FieldItems[1].Checked);
  wizard.ControlsToProperties(c);
  ASSERT_EQ(wizard.Columns.Count(), 4);
  EXPECT_EQ(wizard.Columns[0].FieldName, u"B");
  EXPECT_EQ(wizard.Columns[1].FieldName, u"ROWNO");
  EXPECT_FALSE(wizard.Columns[0].Visible);
  EXPECT_EQ(wizard.Columns[3].Title.Caption, u"Alpha");
}

TEST(WizardSettingsTest, ASpecificationCannotChangeTheWizardsProtectedOptions) {
  TSMEWizardDlg wizard;
  const TSMOptions before = wizard.Options;
  const std::vector<String> lines = {u"TableType=XLS", u"Options=0"};
  wizard.LoadSpecificationFromStrings(lines);
  EXPECT_EQ(wizard.TableType(), teXLS);
  EXPECT_TRUE(HasOption(wizard.Options, soAutoCloseStatistic));
  EXPECT_EQ(wizard.Options, before & (OptionBit(soWaitCursor) | OptionBit(soDisableControls) |
                                      OptionBit(soUseFieldNameAsCaption) | OptionBit(soExportBands) |
                                      OptionBit(soExportInvisibleFields) | OptionBit(soAutoCloseStatistic)));
}

TEST(WizardRunTest, ABareFileNameGoesIntoTheCurrentFolderNotTheRoot) {
  const fs::path dir = FreshFolder("wizard_bare");
  const fs::path previous = fs::current_path();
  fs::current_path(dir);
  TTestDataSet ds;
  FillExportDataSet(ds, {{1, u"Ana", 2.5, 40000}});
  TSMEWizardDlg wizard;
  wizard.SetDataSet(&ds);
  wizard.ColumnSource = csDataSet;
  wizard.AnimatedStatus = false;
  wizard.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  wizard.FileName = u"bare.TXT";
  wizard.ExecuteWithoutDialog();
  fs::current_path(previous);
  EXPECT_EQ(wizard.Statistic.Result, erCompleted);
  EXPECT_TRUE(fs::exists(dir / "bare.TXT"));
  EXPECT_EQ(wizard.FileName, Utf8ToString((dir / "bare.TXT").string()));

  wizard.InitialDir = Utf8ToString((dir / "chosen").string());
  fs::create_directories(dir / "chosen");
  wizard.FileName = u"other.TXT";
  wizard.ExecuteWithoutDialog();
  EXPECT_TRUE(fs::exists(dir / "chosen" / "other.TXT"));
}

TEST(WizardRunTest, WithoutAFormExecuteRaisesAndLeavesNoColumnsBehind) {
  TTestDataSet ds;
  FillExportDataSet(ds, {{1, u"Ana", 2.5, 40000}});
  TSMEWizardDlg wizard;
  wizard.SetDataSet(&ds);
  wizard.ColumnSource = csDataSet;
  SetZAZWizardFormFactory(nullptr);
  EXPECT_THROW(wizard.Execute(), Exception);
  EXPECT_TRUE(wizard.Columns.Empty());
}
