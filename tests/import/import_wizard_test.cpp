// The import wizard without a display: its steps for every source, the
// transfer of its settings through the form state, its specification files
// and its run.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <random>

#include "import/ImportMessages.h"
#include "import/ImportWizard.h"
#include "import/WizardFormState.h"
#include "import/WizardSteps.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "table/VirtualTable.h"

namespace {

constexpr TTableTypeImport AllSources[] = {teParadox, teDBase,  teText,    teHTML,      teXLS,    teWKS,     teQuattro,
                                           teXML,     teAccess, teWord,    teADO,       teSPSS,   teADT,     teDBISAM,
                                           teClarion, teClipboard, teWAB,  teVCalendar, teODS,    teOutlook, teSkype};

// A form state offering every source, with a file, a table name and one
// mapped field, so that every check passes.
struct StepFixture {
  TWizardFormState State;
  TWizardSteps Steps{State, nullptr};
  std::vector<String> Errors;

  explicit StepFixture(TTableTypeImport type, bool fixed = false) {
    State.ShowCategories = false;
    State.FormatItems.assign(std::begin(AllSources), std::end(AllSources));
    State.FileName = u"source.dat";
    State.FormatChosen(static_cast<Integer>(type));
    State.FileName = u"source.dat";
    State.TableName = u"T";
    State.Fixed = fixed;
    State.Mappings.Add(u"ID=Field1");
    Steps.Hooks.FileExists = [](const String&) { return true; };
    Steps.Hooks.ShowError = [this](const String& text) { Errors.push_back(text); };
    Steps.SetCurStep(1);
  }

  std::vector<Integer> Walk(bool forward) {
    std::vector<Integer> seen{Steps.CurStep()};
    for (;;) {
      const Integer before = Steps.CurStep();
      forward ? Steps.Next() : Steps.Back();
      if (Steps.CurStep() == before) return seen;
      seen.push_back(Steps.CurStep());
    }
  }
};

}  // namespace

TEST(ImportWizardSteps, EverySourceWalksItsOwnSteps) {
  using Path = std::vector<Integer>;
  const Path text{1, 2, 3, 4, 6, 7, 8, 9}, fixedText{1, 2, 3, 4, 5, 6, 7, 8, 9}, sheet{1, 2, 4, 6, 7, 8, 9},
      database{1, 2, 6, 7, 8, 9};
  struct Case {
    TTableTypeImport Type;
    bool Fixed;
    Path Forward;
  };
  const Case cases[] = {
      {teText, false, text},        {teText, true, fixedText},      {teClipboard, false, text},
      {teClipboard, true, fixedText}, {teHTML, false, sheet},       {teXLS, false, sheet},
      {teWKS, false, sheet},        {teQuattro, false, sheet},      {teWord, false, sheet},
      {teODS, false, sheet},        {teSkype, false, sheet},        {teXML, false, text},
      {teXML, true, text},          {teAccess, false, database},    {teADO, false, database},
      {teParadox, false, database}, {teDBase, false, database},     {teSPSS, false, database},
      {teADT, false, database},     {teDBISAM, false, database},    {teClarion, false, database},
      {teWAB, false, database},     {teVCalendar, true, database},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Type * 10 + c.Fixed);
    StepFixture f(c.Type, c.Fixed);
    EXPECT_EQ(f.Walk(true), c.Forward);
    Path back(c.Forward.rbegin(), c.Forward.rend());
    EXPECT_EQ(f.Walk(false), back);
    EXPECT_TRUE(f.Errors.empty());
  }
}

TEST(ImportWizardSteps, OutlookSkipsTheFileStepUntilAFolderIsChosen) {
  StepFixture chosen(teOutlook);
  chosen.State.OutlookFolder = u"Inbox";
  EXPECT_EQ(chosen.Walk(true), (std::vector<Integer>{1, 2, 3, 4, 6, 7, 8, 9}));
  StepFixture none(teOutlook);
  EXPECT_EQ(none.Walk(true), (std::vector<Integer>{1, 3, 4, 6, 7, 8, 9}));
  EXPECT_EQ(none.Walk(false), (std::vector<Integer>{9, 8, 7, 6, 4, 3, 1}));
  EXPECT_EQ(none.Steps.PageOf(STEP_FILESETTINGS), wpStep3Outlook);
}

TEST(ImportWizardSteps, FailedChecksKeepTheStep) {
  struct Case {
    TTableTypeImport Type;
    String FileName, TableName;
    bool Exists;
    Integer From;
    String Error;
  };
  const Case cases[] = {
      {teAccess, u"a.mdb", u"", true, 2, u"Property Table Name wasn't specified."},
      {teText, u"missing.csv", u"", false, 2, u"Property File Name wasn't specified."},
      {teXLS, u"", u"", true, 2, u"Property File Name wasn't specified."},
      {teADO, u"Provider=X", u"T", false, 2, u""},  // a connection text needs no file
      {teClipboard, u"", u"", false, 2, u""},       // nor does the clipboard
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Type);
    StepFixture f(c.Type);
    f.State.FileName = c.FileName;
    f.State.TableName = c.TableName;
    f.Steps.Hooks.FileExists = [&](const String&) { return c.Exists; };
    f.Steps.Next();
    ASSERT_EQ(f.Steps.CurStep(), 2);
    f.Steps.Next();
    if (c.Error.empty()) {
      EXPECT_GT(f.Steps.CurStep(), 2);
      EXPECT_TRUE(f.Errors.empty());
    } else {
      EXPECT_EQ(f.Steps.CurStep(), 2);
      EXPECT_EQ(f.Errors, std::vector<String>{c.Error});
    }
  }
  StepFixture unmapped(teText);
  unmapped.State.Mappings.Clear();
  unmapped.State.Mappings.Add(u"ID=");
  unmapped.Steps.GoToward(8);
  EXPECT_EQ(unmapped.Steps.CurStep(), 7);
  EXPECT_EQ(unmapped.Errors, std::vector<String>{u"You did not map any fields."});
}

TEST(ImportWizardSteps, RestrictedPagesDisappearAndHandlersFreeze) {
  TSMIUserAccess access;
  access.FieldAdjustment = irDisabled;
  StepFixture fixed(teText, true);
  SetRestrictionToControls(access, fixed.State);
  EXPECT_EQ(fixed.Walk(true), (std::vector<Integer>{1, 2, 3, 4, 7, 8, 9}));
  EXPECT_EQ(fixed.Walk(false), (std::vector<Integer>{9, 8, 7, 4, 3, 2, 1}));

  StepFixture frozen(teText);
  frozen.Steps.Hooks.StepChange = [] { return false; };
  frozen.Steps.Last();
  EXPECT_EQ(frozen.Steps.CurStep(), 1);
}

TEST(ImportWizardSteps, ButtonsOfTheFirstAndLastStep) {
  StepFixture f(teText);
  EXPECT_FALSE(f.Steps.Buttons().BackEnabled);
  EXPECT_EQ(f.Steps.Buttons().StepLabel, u"Step 1 of 9  ");
  EXPECT_EQ(f.Steps.Buttons().Header, u"File Format");
  f.State.MappingRows = {{u"ID", u"ID", u"Field1", false}};
  f.Steps.Last();
  EXPECT_EQ(f.Steps.CurStep(), 9);
  EXPECT_FALSE(f.Steps.Buttons().NextEnabled);
  EXPECT_EQ(f.Steps.Buttons().CancelCaption, u"Execute");
  // Without a key field only Append and Copy can be chosen.
  const bool expected[6] = {true, false, false, false, true, false};
  for (int mode = 0; mode < 6; ++mode) EXPECT_EQ(f.State.ModeEnabled[mode], expected[mode]) << mode;
  f.Steps.CancelButtonPressed();
  EXPECT_TRUE(f.Steps.RunFlag);
  EXPECT_FALSE(f.Steps.CloseQuery());  // without a wizard it asks first
  f.Steps.Hooks.Confirm = [](const String& text) { return text == u"Do you want to start the import process?"; };
  EXPECT_TRUE(f.Steps.CloseQuery());
  EXPECT_FALSE(f.Steps.CancelFlag);
}

namespace {

// Every setting the wizard's form carries, as one text.
String Fingerprint(TSMIWizardDlg& wizard) {
  TWideStrings list;
  wizard.SaveSpecificationToStringList(list, u"spec");
  const TSMIOutlookProperties& outlook = wizard.OutlookProperties();
  return list.GetText() + IntToStr(wizard.FieldDelimiter()) + IntToStr(wizard.TextQualifier()) +
         IntToStr(wizard.RecordSeparator()) + u"|" + IntToStr(outlook.ItemType) + outlook.FolderName +
         IntToStr(outlook.LoadSubFolders);
}

void Randomize(TSMIWizardDlg& wizard, std::mt19937& random) {
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto word = [&](int maxLength) {
    String text;
    for (int i = pick(maxLength + 1); i > 0; --i) text += static_cast<char16_t>(u'a' + pick(26));
    return text;
  };
  const TTableTypeImport offered[] = {teText, teClipboard, teXLS, teDBase};
  wizard.SetTableType(offered[pick(4)]);
  wizard.SetSourceFileName(u"/data/" + word(8) + u".txt");
  wizard.SetCharacterSet(static_cast<TSMICharacterSet>(pick(3)));
  if (pick(2))
    wizard.SetRecordSeparator(static_cast<TSMIRecordSeparator>(1 + pick(3)));
  else
    wizard.SetRecordSeparatorCustom(u"|" + word(3));
  wizard.SetTrimSpaces(static_cast<TSMITrimSpaces>(pick(4)));
  if (pick(2))
    wizard.SetTextQualifier(std::array{tqNone, tqQuot, tqApos}[static_cast<size_t>(pick(3))]);
  else
    wizard.SetTextQualifierCustom(u'#');
  if (pick(2))
    wizard.SetFieldDelimiter(std::array{fdNone, fdTab, fdSemicolon, fdComma, fdSpace}[static_cast<size_t>(pick(5))]);
  else
    wizard.SetFieldDelimiterCustom(u'|');
  wizard.SetFixed(pick(2));
  wizard.SetRowFirst(pick(5));
  wizard.SetRowLast(pick(2) ? NoLastRow : 10 + pick(100));
  wizard.SetRowFieldNames(1 + pick(3));
  TWideStrings mappings;
  String keys;
  for (int i = pick(5); i > 0; --i) {
    const String name = u"F" + IntToStr(i);
    mappings.Add(name + u"=" + (pick(3) ? u"[Col " + word(3) + u"]" : String()));
    if (pick(2)) keys += (keys.empty() ? u"" : u";") + name;
  }
  wizard.SetMappings(mappings);
  wizard.SetDatasetKeys(keys);
  TSMIDataFormats& formats = wizard.DataFormats();
  if (pick(3) == 0)
    formats.SetCustomDateTimeFormat(u"dd/mm/yyyy");
  else
    formats.SetDateOrder(static_cast<TSMIDateOrder>(pick(6)));
  formats.SetDateSeparator(pick(4) ? u'-' : 0);
  formats.SetTimeSeparator(pick(2) ? u'.' : u':');
  formats.SetFourDigitYear(pick(2));
  formats.SetLeadingZerosInDate(pick(2));
  formats.SetDecimalSeparator(pick(2) ? u',' : u'.');
  formats.SetThousandSeparator(pick(2) ? u' ' : u'\'');
  formats.SetCurrencyString(pick(2) ? u"EUR" : u"$");
  formats.SetBooleanTrue(word(4));
  formats.SetBooleanFalse(word(4));
  wizard.SetMode(static_cast<TImportMode>(pick(6)));
  wizard.SetTableName(word(6));
  wizard.SheetIndex = pick(4) - 1;
  wizard.LoadCondition().SetLoadWhen(pick(2) ? u"ID > " + IntToStr(pick(9)) : String());
  wizard.LoadCondition().SetSkipIf(pick(2) ? String(u"ISNULL(NAME)") : String());
  wizard.OutlookProperties().ItemType = static_cast<TSMIOutlookItemType>(pick(7));
  wizard.OutlookProperties().FolderName = pick(2) ? word(5) : String();
  wizard.OutlookProperties().LoadSubFolders = pick(2);
}

}  // namespace

TEST(ImportWizardFormState, SettingsThroughTheFormComeBackUnchanged) {
  std::mt19937 random(20261211);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    TSMIWizardDlg source, target;
    source.Categories().ShowCategories = round % 2 == 0;
    Randomize(source, random);
    // A custom date format leaves the date order as it was.
    if (!source.DataFormats().CustomDateTimeFormat().empty())
      source.DataFormats().SetDateOrder(target.DataFormats().DateOrder());
    TWizardFormState state;
    PropertiesToControls(source, state);
    ControlsToProperties(state, target);
    ASSERT_EQ(Fingerprint(target), Fingerprint(source));
  }
}

TEST(ImportWizardFormState, ControlTextsBecomeSettings) {
  TSMIWizardDlg wizard;
  TWizardFormState state;
  PropertiesToControls(wizard, state);
  state.DecimalText.clear();
  state.DateSeparatorText.clear();
  state.RecordSeparatorText = u"~~";
  state.FirstRowText = u"x";
  state.LastRowText = u"";
  state.FieldNameRowText = u"?";
  state.Mappings.Clear();
  state.MappingRows = {{u"ID", u"ID", u"A", true}, {u"NAME", u"NAME", u"", false}, {u"CODE", u"CODE", u"B", true}};
  ControlsToProperties(state, wizard);
  EXPECT_EQ(wizard.DataFormats().DecimalSeparator(), FormatSettings.DecimalSeparator);
  EXPECT_EQ(wizard.DataFormats().DateSeparator(), 0);
  EXPECT_EQ(wizard.RecordSeparator(), rsCustom);
  EXPECT_EQ(wizard.RecordSeparatorCustom(), u"~~");
  EXPECT_EQ(wizard.RowFirst(), 0);
  EXPECT_EQ(wizard.RowLast(), NoLastRow);
  EXPECT_EQ(wizard.RowFieldNames(), 1);
  EXPECT_EQ(wizard.DatasetKeys(), u"ID;CODE");
}

TEST(ImportWizardFormState, KeyMarksAndFieldNames) {
  TWizardFormState state;
  state.Mappings.Add(u"ID=A");
  state.Mappings.Add(u"NAME=B");
  for (const auto& [keys, nameMarked] : {std::pair<String, bool>{u"ID; NAME", false}, {u"id;name", true}}) {
    state.KeyText = keys;
    state.MappingRows.clear();
    state.BuildListField(nullptr);
    ASSERT_EQ(state.MappingRows.size(), 2u);
    EXPECT_TRUE(state.MappingRows[0].Key);
    EXPECT_EQ(state.MappingRows[1].Key, nameMarked);
  }
  EXPECT_EQ(GetNormalizedFieldName(u"Order Date", true), u"[Order Date]");
  EXPECT_EQ(GetNormalizedFieldName(u"a/b", true), u"[a/b]");
  EXPECT_EQ(GetNormalizedFieldName(u"\"x y\"", true), u"\"x y\"");
  EXPECT_EQ(GetNormalizedFieldName(u"[Order Date]", false), u"Order Date");
  EXPECT_EQ(GetMapIndex(state.Mappings, u" [b] ", false, nullptr), 1);
  EXPECT_EQ(GetMapIndex(state.Mappings, u"", false, nullptr), -1);
}

TEST(ImportWizardFormState, ChoosingAFormatAdjustsTheFileName) {
  TWizardFormState state;
  state.FormatItems = {teText, teADO, teXLS};
  state.FileName = u"/data/a.csv";
  state.FormatChosen(1);
  EXPECT_EQ(state.FileName, u"Data Source=\"/data/a.csv\"");
  EXPECT_TRUE(state.TableNameBox.Enabled);
  state.FileName = u"Provider=X;Data Source=C:\\a.mdb;Persist=0";
  state.FormatChosen(2);
  EXPECT_EQ(state.FileName, u"C:\\a.XLS");
  EXPECT_FALSE(state.TableNameBox.Visible);
}

TEST(ImportWizardFormState, OnlySourcesWithAReaderAreOffered) {
  TWizardFormState state;
  state.BuildFormatList(AllImportFormats, teText, false, nullptr);
  for (TTableTypeImport type : state.FormatItems) EXPECT_TRUE(ImportFormatAvailable(type)) << type;
  EXPECT_FALSE(ImportFormatAvailable(teSPSS));
  EXPECT_EQ(state.TableType(), teText);
  TSMICategories categories;
  // Every source belongs to exactly one category.
  for (int type = 0; type < ImportTableTypeCount; ++type) {
    int blocks = 0;
    for (TImportFormatTypes block : CategoryBlocks(categories))
      blocks += (block & ImportFormatBit(static_cast<TTableTypeImport>(type))) != 0;
    EXPECT_EQ(blocks, 1) << type;
  }
  state.BuildFormatList(ImportFormatBit(teXLS), teText, true, &categories);
  EXPECT_EQ(state.FormatIndex, -1);
  EXPECT_EQ(state.TableType(), teParadox);
}

TEST(ImportWizard, SpecificationKeepsTheSheet) {
  const String path = u"/tmp/import_wizard_spec_" + IntToStr(::getpid()) + u".vod";
  TSMIWizardDlg saved;
  saved.SheetIndex = 3;
  saved.SetTableType(teXLS);
  saved.SaveSpecification(u"s", path, false);
  TSMIWizardDlg loaded;
  loaded.LoadSpecification(path);
  EXPECT_EQ(loaded.SheetIndex, 3);
  EXPECT_EQ(Fingerprint(loaded), Fingerprint(saved));
  TWideStrings list;
  saved.SaveSpecificationToStringList(list, u"s");
  // The wizard's sections follow the engine's: the sheet, then the XML tags.
  ASSERT_GE(list.Count(), 8);
  EXPECT_EQ(list.Get(list.Count() - 8), u"[Sheet]");
  EXPECT_EQ(list.Get(list.Count() - 7), u"SheetIndex=3");
  EXPECT_EQ(list.Get(list.Count() - 6), u"[XMLTags]");
  DeleteFile(path);
}

TEST(ImportWizard, AnXmlRunReadsTheRecordsTheWizardsTagsName) {
  const std::string path = "/tmp/import_wizard_tags_" + std::to_string(::getpid()) + ".xml";
  std::ofstream(path) << "<?xml version=\"1.0\"?><LIST><ITEM><N>1</N></ITEM><ITEM><N>2</N></ITEM></LIST>";
  TVirtualTable table;
  TSMIWizardDlg wizard;
  wizard.SetTableType(teXML);
  wizard.SetSourceFileName(Utf8ToString(path));
  wizard.SetOptions(0);
  wizard.SetAnimatedStatus(false);
  wizard.SetDataSet(&table);
  wizard.XMLTags().RecordsTag = u"LIST";
  wizard.XMLTags().RecordTag = u"ITEM";
  wizard.OnCreateStructure = [&](TComponent*, TSMIColumns& columns) {
    table.Close();
    table.DeleteFields();
    for (int c = 0; c < columns.Count(); ++c) table.AddField(columns[c].FieldName, ftWideString, 20);
    table.Open();
  };
  wizard.ExecuteWithoutDialog();
  EXPECT_EQ(table.RecordCount(), 2);
  std::remove(path.c_str());
}

TEST(ImportWizard, ASourceWithoutAReaderFailsClearly) {
  TSMIWizardDlg wizard;
  wizard.SetTableType(teSPSS);
  try {
    wizard.ExecuteWithoutDialog();
    FAIL() << "no failure";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"SPSS file (*.sav) cannot be imported: no reader for this source is available.");
  }
}
