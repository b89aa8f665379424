// The import run: modes and key lookups against a table with known rows,
// load conditions and row ranges, commit batches, SQL generation, statistic
// and error handling, events, the progress hooks and the parameter prompt.
#include <gtest/gtest.h>

#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/import/import_fixture.h"
#include "tests/import/import_run_fixture.h"

namespace {

std::string Utf8(const String& s) { return StringToUtf8(s); }

// ID integer, NAME string, PRICE float, BIG large integer; rows 1 "a" 1.5
// and 2 "b" 2.5. The source maps ID, NAME and PRICE by column name.
class ImportRunTest : public testing::Test {
 protected:
  void SetUp() override {
    TFormatSettings settings = FormatSettings;
    settings.DecimalSeparator = u',';
    settings.ThousandSeparator = u'.';
    guard = std::make_unique<FormatSettingsGuard>(settings);
    table.AddField(u"ID", ftInteger);
    table.AddField(u"NAME", ftString, 20);
    table.AddField(u"PRICE", ftFloat);
    table.AddField(u"BIG", ftLargeint);
    table.Open();
    AddRow(1, u"a", 1.5);
    AddRow(2, u"b", 2.5);
    reader.SetDataSet(&table);
    reader.DataFormats().SetDecimalSeparator(u',');
    reader.DataFormats().SetThousandSeparator(u'.');
    for (const char16_t* line : {u"ID=ID", u"NAME=NAME", u"PRICE=PRICE"}) reader.Mappings().Add(line);
  }

  void AddRow(int id, const String& name, double price) {
    table.Append();
    table.FieldByName(u"ID")->SetAsInteger(id);
    table.FieldByName(u"NAME")->SetAsString(name);
    table.FieldByName(u"PRICE")->SetAsFloat(price);
    table.Post();
  }

  // The table as "ID:NAME" items in record order.
  std::string Rows() {
    std::string result;
    for (table.First(); !table.Eof(); table.Next()) {
      if (!result.empty()) result += " ";
      TField* name = table.FieldByName(u"NAME");
      result += Utf8(table.FieldByName(u"ID")->AsString() + u":" + (name->IsNull() ? u"null" : name->AsString()));
    }
    return result;
  }

  std::string Counts() const {
    const TSMIStatistic& s = reader.Statistic();
    return "imported " + std::to_string(s.TotalImported) + " added " + std::to_string(s.TotalAdded) + " updated " +
           std::to_string(s.TotalUpdated) + " deleted " + std::to_string(s.TotalDeleted) + " skipped " +
           std::to_string(s.TotalSkipped) + " errors " + std::to_string(s.TotalErrors);
  }

  std::unique_ptr<FormatSettingsGuard> guard;
  TImportTable table;
  TVectorReader reader;
};

// A mapping source that is one plain name is read straight from the source;
// every value must be what the expression road gives: brackets, quoted
// literals, statistic counters, parameters and user functions that share a
// column's name, dotted names, trimming and empty texts alike.
TEST_F(ImportRunTest, PlainNamesReadAsTheExpressionRoadReadsThem) {
  const auto run = [&](bool expressionRoad) {
    TImportTable target;
    for (const char16_t* name : {u"A", u"B", u"C", u"D", u"E", u"F", u"G", u"H", u"I"})
      target.AddField(name, ftString, 30);
    target.Open();
    TVectorReader source;
    source.SetDataSet(&target);
    source.SetTrimSpaces(tsTrimLeftRight);
    for (const char16_t* line : {u"A=ID", u"B=[NAME]", u"C=\"NAME\"", u"D=STATTOTALCOUNT", u"E=P", u"F=GOODS.NAME",
                                 u"G=[[NAME]]", u"H=LOOKUP", u"I=NAME + \"!\""})
      source.Mappings().Add(line);
    TSMIParameter* parameter = source.Parameters().Add();
    parameter->SetName(u"P");
    parameter->Expression = u"7";
    parameter->ParameterMode = ipmCalculate;
    source.Rows = {{{u"ID", u" 1 "}, {u"NAME", u"  x  "}, {u"P", u"column"}, {u"STATTOTALCOUNT", u"column"},
                    {u"LOOKUP", u"column"}, {u"GOODS.NAME", u"column"}},
                   {{u"ID", u"   "}, {u"NAME", u""}}};
    if (expressionRoad) source.OnParsedValue = [](TComponent*, TField*, Variant&) {};
    EXPECT_TRUE(source.Execute());
    std::string rows;
    for (target.First(); !target.Eof(); target.Next()) {
      for (int f = 0; f < target.FieldCount(); ++f) {
        TField* field = target.Fields().Fields(f);
        rows += (field->IsNull() ? std::string("null") : Utf8(field->AsString())) + "|";
      }
      rows += "\n";
    }
    return rows;
  };
  const std::string direct = run(false);
  EXPECT_EQ(direct, run(true));
  EXPECT_EQ(direct.substr(0, direct.find('\n')), "1|x|NAME|2|7|column|x|null|x!|");
}

TEST_F(ImportRunTest, ModesAppendUpdateOrDeleteByTheKeyField) {
  struct Case {
    TImportMode Mode;
    std::string Rows, Counts;
  };
  const std::vector<Case> cases = {
      {imAppend, "1:a 2:b 2:B2 3:c", "imported 2 added 2 updated 0 deleted 0 skipped 0 errors 0"},
      {imUpdate, "1:a 2:B2", "imported 2 added 0 updated 1 deleted 0 skipped 0 errors 0"},
      {imAppendUpdate, "1:a 2:B2 3:c", "imported 2 added 1 updated 1 deleted 0 skipped 0 errors 0"},
      {imDelete, "1:a", "imported 2 added 0 updated 0 deleted 1 skipped 0 errors 0"},
      {imAppendNewOnly, "1:a 2:b 3:c", "imported 2 added 1 updated 0 deleted 0 skipped 0 errors 0"},
      {imCopy, "2:B2 3:c", "imported 2 added 2 updated 0 deleted 2 skipped 0 errors 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Mode));
    table.First();
    while (!table.Eof()) table.Delete();
    AddRow(1, u"a", 1.5);
    AddRow(2, u"b", 2.5);
    reader.SetMode(c.Mode);
    reader.SetDatasetKeys(u"ID");
    reader.Rows = {{{u"ID", u"2"}, {u"NAME", u"B2"}, {u"PRICE", u"9"}}, {{u"ID", u"3"}, {u"NAME", u"c"}}};
    EXPECT_TRUE(reader.Execute());
    EXPECT_EQ(reader.Statistic().Result, irExecuted);
    EXPECT_EQ(Rows(), c.Rows);
    EXPECT_EQ(Counts(), c.Counts);
  }
}

TEST_F(ImportRunTest, SeveralKeyFieldsLocateByAllOfThem) {
  reader.SetMode(imAppendUpdate);
  reader.SetDatasetKeys(u"ID;NAME");
  reader.Rows = {{{u"ID", u"2"}, {u"NAME", u"a"}, {u"PRICE", u"7"}},
                 {{u"ID", u"2"}, {u"NAME", u"b"}, {u"PRICE", u"8"}}};
  reader.Execute();
  EXPECT_EQ(Rows(), "1:a 2:b 2:a");
  EXPECT_EQ(Counts(), "imported 2 added 1 updated 1 deleted 0 skipped 0 errors 0");
  ASSERT_TRUE(table.Locate(u"ID;NAME", Variant::ArrayOf({Variant(u"2"), Variant(u"b")}), 0));
  EXPECT_EQ(table.FieldByName(u"PRICE")->AsFloat(), 8.0);
}

TEST_F(ImportRunTest, KeyedModeWithoutKeysIsRefusedBeforeTheSourceOpens) {
  reader.SetMode(imUpdate);
  reader.SetDatasetKeys(String());
  try {
    reader.Execute();
    FAIL() << "no exception";
  } catch (const ESMIInvalidPropertyException& e) {
    EXPECT_EQ(Utf8(e.Message()), "Property DatasetKeys wasn't specified.");
  }
  EXPECT_EQ(reader.Opened, 0);
  EXPECT_EQ(reader.Statistic().Result, irUnknown);
}

TEST_F(ImportRunTest, EmptyValueClearsOnUpdateAndLocateEventCanDecide) {
  reader.SetMode(imUpdate);
  reader.SetDatasetKeys(u"ID");
  reader.Rows = {{{u"ID", u"1"}, {u"PRICE", u"3"}}};
  reader.Execute();
  EXPECT_EQ(Rows(), "1:null 2:b");

  // A handler that knows the record exists spares the lookup: the current
  // record is updated as found.
  int locates = 0;
  reader.OnLocateRecord = [&](TComponent*, const String& keys, const Variant& values, bool& exist, bool& execute) {
    ++locates;
    EXPECT_EQ(keys, u"ID");
    EXPECT_EQ(values.AsString(), u"9");
    exist = true;
    execute = false;
  };
  table.Last();
  reader.Rows = {{{u"ID", u"9"}, {u"NAME", u"z"}}};
  reader.Execute();
  EXPECT_EQ(locates, 1);
  EXPECT_EQ(reader.Statistic().TotalUpdated, 1);
}

TEST_F(ImportRunTest, LoadConditionsAndRowRangeChooseTheRows) {
  for (int i = 1; i <= 6; ++i) reader.Rows.push_back({{u"ID", IntToStr(10 + i)}, {u"NAME", i % 2 ? u"odd" : u"even"}});
  reader.SetRowFirst(2);
  reader.SetRowLast(5);
  reader.LoadCondition().SetSkipIf(u"NAME = \"odd\"");
  reader.Execute();
  EXPECT_EQ(Rows(), "1:a 2:b 12:even 14:even");
  EXPECT_EQ(reader.Statistic().TotalCount, 5);
  EXPECT_EQ(Counts(), "imported 4 added 2 updated 0 deleted 0 skipped 2 errors 0");

  reader.LoadCondition().SetSkipIf(String());
  reader.LoadCondition().SetLoadWhen(u"ID = \"16\"");
  reader.SetRowFirst(1);
  reader.SetRowLast(2147483647);
  reader.Execute();
  EXPECT_EQ(Rows(), "1:a 2:b 12:even 14:even 16:even");
}

TEST_F(ImportRunTest, CommitBatchesAndACountBelowOne) {
  for (int i = 1; i <= 5; ++i) reader.Rows.push_back({{u"ID", IntToStr(10 + i)}});
  std::string log;
  reader.OnStartTransaction = [&](TComponent*) { log += "S"; };
  reader.OnFinishTransaction = [&](TComponent*) { log += "F"; };
  reader.OnAfterRecordEvent = [&](TComponent*, bool&) { log += "r"; };
  struct Case {
    Integer CommitCount;
    std::string Log;
  };
  for (const Case& c : {Case{2, "SrrFSrrFSrF"}, Case{0, "SrFSrFSrFSrFSrF"}, Case{-3, "SrFSrFSrFSrFSrF"}}) {
    SCOPED_TRACE(c.CommitCount);
    log.clear();
    reader.SetCommitCount(c.CommitCount);
    EXPECT_TRUE(reader.Execute());
    EXPECT_EQ(log, c.Log);
  }
}

TEST_F(ImportRunTest, RowsThatFailAreErrorsAndTheRunIsNoPlainSuccess) {
  String shown;
  ImportDisplay().ShowMessage = [&](const String& text, TImportMessageKind) { shown = text; };
  reader.SetOptions(OptionBit(soShowMessage));
  reader.Mappings().Add(u"BIG=BIG");
  // Row 2 has an ID the integer field cannot take (conversion fails at the
  // write); row 3 one beyond 32 bits (no wrap to -1).
  reader.Rows = {
      {{u"ID", u"5"}, {u"BIG", u"9007199254740993"}}, {{u"ID", u"x5"}}, {{u"ID", u"4294967295"}}, {{u"ID", u"6"}}};
  EXPECT_FALSE(reader.Execute());
  ImportDisplay().ShowMessage = nullptr;
  EXPECT_EQ(Rows(), "1:a 2:b 5:null 6:null");
  EXPECT_EQ(Counts(), "imported 4 added 2 updated 0 deleted 0 skipped 0 errors 2");
  EXPECT_EQ(reader.Statistic().Result, irFailed);
  EXPECT_EQ(Utf8(shown), "An error has occurred during the data import process.\r\nErrors: 2");
  table.Locate(u"ID", Variant(u"5"), 0);
  EXPECT_EQ(table.FieldByName(u"BIG")->AsString(), u"9007199254740993");

  // A failure before the write (an expression that cannot be evaluated)
  // is an error too.
  reader.SetOptions(0);
  reader.Rows = {{{u"ID", u"7"}, {u"NAME", u"abc"}}};
  reader.LoadCondition().SetLoadWhen(u"NAME > 1");
  EXPECT_FALSE(reader.Execute());
  EXPECT_EQ(Counts(), "imported 1 added 0 updated 0 deleted 0 skipped 0 errors 1");
}

TEST_F(ImportRunTest, ErrorHandlerDecidesWhetherTheRunStops) {
  reader.Rows = {{{u"ID", u"x"}}, {{u"ID", u"8"}}};
  std::vector<std::string> errors;
  reader.OnErrorEvent = [&](TComponent*, const Exception& e, bool&) { errors.push_back(e.what()); };
  EXPECT_FALSE(reader.Execute());
  // Abort stays at AbortOnProblem (True): the write handler and the row
  // handler both report the error, and the run fails with its text.
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], errors[1]);
  EXPECT_EQ(reader.Statistic().Result, irFailed);
  EXPECT_EQ(Counts(), "imported 1 added 0 updated 0 deleted 0 skipped 0 errors 1");
  EXPECT_EQ(Rows(), "1:a 2:b");

  errors.clear();
  reader.OnErrorEvent = [&](TComponent*, const Exception& e, bool& abort) {
    errors.push_back(e.what());
    abort = false;
  };
  EXPECT_FALSE(reader.Execute());
  EXPECT_EQ(errors.size(), 1u);
  EXPECT_EQ(Rows(), "1:a 2:b 8:null");
  EXPECT_EQ(reader.Statistic().Result, irFailed);
}

TEST_F(ImportRunTest, AbortFromAnEventCancelsAndASecondRunIsRefused) {
  for (int i = 1; i <= 4; ++i) reader.Rows.push_back({{u"ID", IntToStr(10 + i)}});
  int nested = -1;
  reader.OnAfterRecordEvent = [&](TComponent*, bool& abort) {
    if (nested < 0) nested = reader.Execute() ? 1 : 0;
    abort = reader.Statistic().TotalImported == 2;
  };
  EXPECT_FALSE(reader.Execute());
  EXPECT_EQ(nested, 0);
  EXPECT_EQ(reader.Statistic().Result, irCanceled);
  EXPECT_EQ(Rows(), "1:a 2:b 11:null 12:null");
  EXPECT_EQ(reader.Opened, 1);
  EXPECT_FALSE(reader.Running());
}

TEST_F(ImportRunTest, WithoutMappingsSourceColumnsMatchFieldsByName) {
  reader.Mappings().Clear();
  reader.Rows = {{{u"ID", u"4"}, {u"NAME", u"d"}}};
  EXPECT_TRUE(reader.Execute());
  EXPECT_EQ(Rows(), "1:a 2:b 4:d");
  EXPECT_EQ(reader.Mappings().Count(), 0);
  EXPECT_EQ(reader.Columns().Count(), 4);
}

TEST_F(ImportRunTest, SqlModeWritesStatementsAndLeavesTheTableAlone) {
  reader.SetActionKind(akGenerateSQL);
  reader.SQLOptions().SetSQLQuote(u'\'');
  reader.Mappings().Add(u"BIG=BIG");
  std::vector<std::string> statements;
  reader.OnAfterRecordEvent = [&](TComponent*, bool&) {
    statements.push_back(Utf8(reader.Statistic().LastGeneratedSQL));
  };
  struct Case {
    TImportMode Mode;
    String Keys;
    TSourceRow Row;
    std::string Sql;
  };
  const std::vector<Case> cases = {
      {imAppend,
       u"",
       {{u"ID", u"3"}, {u"NAME", u"O'Brien"}, {u"PRICE", u"1,5"}, {u"BIG", u"12"}},
       "INSERT INTO GOODS (ID, [NAME], PRICE, BIG) VALUES (3, 'O''Brien', 1.5, '12')"},
      // A numeric field whose text is no number is quoted like any text.
      {imAppend,
       u"",
       {{u"ID", u"1); DROP TABLE GOODS; --"}},
       "INSERT INTO GOODS (ID, [NAME], PRICE, BIG) VALUES ('1); DROP TABLE GOODS; --', NULL, NULL, NULL)"},
      {imUpdate,
       u"ID;NAME",
       {{u"ID", u"1"}, {u"NAME", u"a"}, {u"PRICE", u"7"}},
       "UPDATE GOODS SET PRICE=7, BIG=NULL WHERE (ID=1) AND ([NAME]='a')"},
      {imDelete, u"ID", {{u"ID", u"2"}}, "DELETE FROM GOODS WHERE (ID=2)"},
      {imDelete, u"ID", {{u"ID", u"99"}}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Sql);
    statements.clear();
    reader.SetMode(c.Mode);
    reader.SetDatasetKeys(c.Keys);
    reader.Rows = {c.Row};
    EXPECT_TRUE(reader.Execute());
    EXPECT_EQ(statements, std::vector<std::string>{c.Sql});
    EXPECT_EQ(Rows(), "1:a 2:b");
  }

  // Key names are bracketed in WHERE as in SET and INSERT.
  const TSMIValueEntry firstName{u"FIRST NAME", Variant(u"x"), Variant(u"Ana"), -1};
  EXPECT_EQ(Utf8(reader.GetSQLPart(firstName, nullptr)), "([FIRST NAME]='Ana')");
  const TSMIValueEntry none{u"FIRST NAME", Variant(u"x"), Variant::Null(), -1};
  EXPECT_EQ(Utf8(reader.GetSQLPart(none, nullptr)), "([FIRST NAME] IS NULL)");

  statements.clear();
  reader.SetMode(imCopy);
  reader.Rows = {};
  reader.Execute();
  EXPECT_EQ(Utf8(reader.Statistic().LastGeneratedSQL), "DELETE FROM GOODS");
  EXPECT_EQ(reader.Statistic().TotalDeleted, 2);
  EXPECT_EQ(Rows(), "1:a 2:b");
}

TEST_F(ImportRunTest, SqlFieldNamesFollowTheCaseOption) {
  struct Case {
    TSMIFieldCharCase Case;
    const char16_t* Name;
    std::string Expected;
  };
  for (const Case& c : std::vector<Case>{{ifcNormal, u"Unit Price", "[Unit Price]"},
                                         {ifcUpperCase, u"price", "PRICE"},
                                         {ifcLowerCase, u"PRICE", "price"},
                                         {ifcProper, u"pRICE", "Price"},
                                         {ifcNormal, u"desc", "[desc]"}}) {
    SCOPED_TRACE(c.Expected);
    reader.SQLOptions().SetFieldNameCharCase(c.Case);
    EXPECT_EQ(Utf8(reader.GetSQLFieldName(c.Name)), c.Expected);
  }
}

// A progress window that records what the run asks of it.
class TRecordingWindow : public IImportProgressWindow {
 public:
  std::vector<std::string>& Log;
  bool Pause = false;
  bool Cancel = false;
  explicit TRecordingWindow(std::vector<std::string>& log) : Log(log) {}
  void Show(const TImportProgressLayout& layout) override {
    Log.push_back("show " + Utf8(layout.Caption) + " " + Utf8(layout.CancelCaption) + " " +
                  Utf8(layout.CounterCaptions[0]) + " " + (layout.ShowCounters ? "counters" : "plain"));
  }
  void SetRange(Integer minimum, Integer maximum, Integer position) override {
    Log.push_back("range " + std::to_string(minimum) + "-" + std::to_string(maximum) + "@" + std::to_string(position));
  }
  void Update(const String& status, const TImportCounters& c) override {
    Log.push_back("update " + Utf8(status) + " " + std::to_string(c.Processed) + "/" + std::to_string(c.Added));
  }
  bool PausePressed() const override { return Pause; }
  void SetPausePressed(bool value) override { Pause = value; }
  bool CancelPressed() const override { return Cancel; }
  void StopAnimation() override { Log.push_back("stop"); }
  void WaitForClose(const String& caption, bool autoClose) override {
    Log.push_back("wait " + Utf8(caption) + (autoClose ? " auto" : ""));
  }
};

class ImportProgressTest : public ImportRunTest {
 protected:
  void TearDown() override { ImportDisplay() = TImportDisplay(); }
};

TEST_F(ImportProgressTest, RunShowsProgressAndStopsOnCancel) {
  std::vector<std::string> log;
  TRecordingWindow* window = nullptr;
  ImportDisplay().CreateProgressWindow = [&] {
    auto made = std::make_unique<TRecordingWindow>(log);
    window = made.get();
    return made;
  };
  reader.SetAnimatedStatus(true);
  reader.SetOptions(OptionBit(soExtendedStatistic) | OptionBit(soAutoCloseStatistic));
  reader.Statistic().UpdateStep = 2;
  for (int i = 1; i <= 5; ++i) reader.Rows.push_back({{u"ID", IntToStr(10 + i)}});
  reader.OnAfterRecordEvent = [&](TComponent*, bool&) { window->Cancel = reader.Statistic().TotalImported == 4; };
  EXPECT_FALSE(reader.Execute());
  EXPECT_EQ(reader.Statistic().Result, irCanceled);
  EXPECT_EQ(log, (std::vector<std::string>{
                     "show Importing... &Cancel Processed: counters", "range 0-5@0", "update Importing... 2/2",
                     "update The data import process was canceled by the user. 5/4", "stop", "wait &OK auto", "stop"}));
  EXPECT_EQ(reader.frmVODProcess, nullptr);
}

// A source that learns its rows as it reads them: the count and the
// progress range follow it, so the statistic ends with every row.
TEST_F(ImportProgressTest, CountOfASourceReadOnDemandFollowsTheRows) {
  std::vector<std::string> log;
  ImportDisplay().CreateProgressWindow = [&] { return std::make_unique<TRecordingWindow>(log); };
  reader.SetAnimatedStatus(true);
  reader.SetOptions(OptionBit(soAutoCloseStatistic));
  reader.Statistic().UpdateStep = 100;
  reader.CountsRowsAsItReads = true;
  for (int i = 1; i <= 3; ++i) reader.Rows.push_back({{u"ID", IntToStr(10 + i)}});
  EXPECT_TRUE(reader.Execute());
  EXPECT_EQ(reader.Statistic().TotalCount, 3);
  EXPECT_EQ(log, (std::vector<std::string>{"show Importing... &Cancel Processed: plain", "range 0-1@0",
                                           "range 0-2@2", "range 0-3@3",
                                           "update The data import process has completed successfully. 3/3", "stop",
                                           "wait &OK auto", "stop"}));
}

TEST_F(ImportProgressTest, PauseWithoutAWindowHoldsTheRunUntilContinued) {
  int served = 0;
  ImportDisplay().ProcessMessages = [&] {
    if (++served == 2) reader.ContinueImport();
  };
  reader.Rows = {{{u"ID", u"5"}}, {{u"ID", u"6"}}};
  reader.OnAfterRecordEvent = [&](TComponent*, bool&) {
    if (reader.Statistic().TotalImported == 1) reader.PauseImport();
  };
  EXPECT_TRUE(reader.Execute());
  EXPECT_EQ(served, 2);
  EXPECT_FALSE(reader.ProgressPaused());
  EXPECT_EQ(Rows(), "1:a 2:b 5:null 6:null");
}

TEST_F(ImportProgressTest, ParametersAreComputedAskedAndRequired) {
  TSMIParameter* calculated = reader.Parameters().Add();
  calculated->SetName(u"CALC");
  calculated->Expression = u"2 + 3";
  calculated->ParameterMode = ipmCalculate;
  TSMIParameter* asked = reader.Parameters().Add();
  asked->SetName(u"ASKED");
  asked->Expression = u"2 + 3";
  asked->ParameterMode = ipmAsk;
  asked->Required = true;

  // No dialog hook: the computed values stand.
  ASSERT_TRUE(reader.AskParameters());
  EXPECT_EQ(calculated->Value.AsInteger(), 5);
  EXPECT_EQ(asked->Value.AsString(), u"2 + 3");

  std::vector<TSMIParameter*> shown;
  String answer = u"";
  bool ok = true;
  ImportDisplay().PromptParameters = [&](const std::vector<TSMIParameter*>& prompted) {
    shown = prompted;
    for (TSMIParameter* p : prompted) p->Value = Variant(answer);
    return ok;
  };
  reader.Rows = {{{u"ID", u"5"}}};
  // A required parameter answered empty stops the run before the source
  // opens; so does Cancel.
  EXPECT_FALSE(reader.Execute());
  EXPECT_EQ(shown, std::vector<TSMIParameter*>{asked});
  answer = u"x";
  ok = false;
  EXPECT_FALSE(reader.Execute());
  EXPECT_EQ(reader.Opened, 0);
  EXPECT_EQ(reader.Statistic().Result, irUnknown);
  ok = true;
  EXPECT_TRUE(reader.Execute());
  EXPECT_EQ(Rows(), "1:a 2:b 5:null");
}

TEST(ImportParameterEditors, CheckBoxAndListSelectionFromTheValue) {
  struct CheckCase {
    Variant Value;
    bool Checked;
  };
  for (const CheckCase& c : std::vector<CheckCase>{{Variant::Null(), false},
                                                   {Variant(u""), false},
                                                   {Variant(u"True"), true},
                                                   {Variant(true), true},
                                                   {Variant(1), true},
                                                   {Variant(u"no"), false}}) {
    SCOPED_TRACE(Utf8(VarToStr(c.Value)));
    EXPECT_EQ(ParameterChecked(c.Value), c.Checked);
  }
  TSMIParameter parameter;
  for (const char16_t* item : {u"red", u"green", u"blue"}) parameter.ParamPromptValues.Add(item);
  struct IndexCase {
    Variant Value;
    int Index;
  };
  for (const IndexCase& c : std::vector<IndexCase>{
           {Variant::Null(), 0}, {Variant(2), 2}, {Variant(7), -1}, {Variant(u"green"), 1}, {Variant(u"pink"), -1}}) {
    SCOPED_TRACE(Utf8(VarToStr(c.Value)));
    parameter.Value = c.Value;
    EXPECT_EQ(ParameterItemIndex(parameter), c.Index);
  }
}

}  // namespace
