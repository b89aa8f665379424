#include <gtest/gtest.h>

#include "import/ImportComponent.h"
#include "import/ImportExceptions.h"
#include "platform/rtl/PublishedProperties.h"
#include "tests/import/import_fixture.h"

namespace {

TEST(ImportComponentTest, NewComponentHasTheDocumentedDefaults) {
  FormatSettingsGuard guard(TFormatSettings::Slovene());
  TRADerevuBaseComponent c;
  EXPECT_TRUE(c.AbortOnProblem());
  EXPECT_EQ(c.ActionKind(), akDatasetApply);
  EXPECT_TRUE(c.AnimatedStatus());
  EXPECT_EQ(c.CharacterSet(), csiANSI_WINDOWS);
  EXPECT_EQ(c.DataSet(), nullptr);
  EXPECT_TRUE(c.DatasetKeys().empty());
  EXPECT_EQ(c.Mappings().Count(), 0);
  EXPECT_EQ(c.Mode(), imAppend);
  EXPECT_EQ(c.Options(), OptionBit(soShowMessage) | OptionBit(soExtendedStatistic) |
                             OptionBit(soUseAnimatedControl) | OptionBit(soWaitCursor) |
                             OptionBit(soAutoCloseStatistic));
  EXPECT_EQ(c.TitleStatus(), u"Importing...");
  EXPECT_EQ(c.Statistic().UpdateStep, 1);
  EXPECT_EQ(c.Statistic().Result, irUnknown);
  EXPECT_EQ(c.CommitCount(), 300);
  EXPECT_EQ(c.TrimSpaces(), tsNoTrim);
  EXPECT_EQ(c.SourceFileName(), u"RADerevu.VOD");
  EXPECT_EQ(c.RowFirst(), 1);
  EXPECT_EQ(c.RowLast(), 2147483647);
  EXPECT_EQ(c.RowFieldNames(), 1);
  EXPECT_EQ(c.MaxScanRows(), 0);
  EXPECT_EQ(c.TableType(), teText);
  EXPECT_FALSE(c.Fixed());
  EXPECT_EQ(c.FieldDelimiter(), fdTab);
  EXPECT_EQ(c.FieldDelimiterCustom(), u'\t');
  EXPECT_EQ(c.TextQualifier(), tqQuot);
  EXPECT_EQ(c.TextQualifierCustom(), u'"');
  EXPECT_EQ(c.RecordSeparator(), rsCRLF);
  EXPECT_EQ(c.RecordSeparatorCustom(), u"\r\n");
  EXPECT_EQ(c.SQLOptions().SQLTerm(), u";");
  EXPECT_EQ(c.SQLOptions().SQLQuote(), u'"');
  EXPECT_EQ(c.SQLOptions().FieldNameOptions().SQLQuoteOpen(), u'[');
  EXPECT_EQ(c.SQLOptions().FieldNameOptions().SQLQuoteClose(), u']');
  EXPECT_EQ(c.intCurrentParsedFieldIndex, -1);
  // Data formats start from the regional settings (Slovene: d.M.yyyy).
  const TSMIDataFormats& f = c.DataFormats();
  EXPECT_EQ(f.DateOrder(), doDMY);
  EXPECT_EQ(f.DateSeparator(), u'.');
  EXPECT_EQ(f.DecimalSeparator(), u',');
  EXPECT_EQ(f.ThousandSeparator(), u'.');
  EXPECT_TRUE(f.FourDigitYear());
  EXPECT_FALSE(f.LeadingZerosInDate());
  EXPECT_EQ(f.BooleanTrue(), u"True");
  EXPECT_EQ(f.BooleanFalse(), u"False");
}

TEST(ImportComponentTest, SourceFileNameTakesTheReadersOwnExtensionUntilSet) {
  TRowReader reader;
  EXPECT_EQ(reader.SourceFileName(), u"RADerevu.ROW");
  reader.SetSourceFileName(u"");
  EXPECT_EQ(reader.SourceFileName(), u"");
}

TEST(ImportComponentTest, DelimiterQualifierAndSeparatorKeepKindAndCharacterInStep) {
  TRADerevuBaseComponent c;
  struct DelimiterCase {
    WideChar character;
    TSMIFieldDelimiter kind;
  };
  for (auto [character, kind] : {DelimiterCase{0, fdNone}, {u'\t', fdTab}, {u' ', fdSpace}, {u',', fdComma},
                                 {u';', fdSemicolon}, {u'|', fdCustom}}) {
    SCOPED_TRACE(static_cast<int>(character));
    c.SetFieldDelimiterCustom(character);
    EXPECT_EQ(c.FieldDelimiter(), kind);
    EXPECT_EQ(c.FieldDelimiterCustom(), character);
    c.SetFieldDelimiter(fdCustom);  // keeps the character
    EXPECT_EQ(c.FieldDelimiterCustom(), character);
    if (kind != fdCustom) {
      c.SetFieldDelimiter(fdCustom);
      c.SetFieldDelimiter(kind);
      EXPECT_EQ(c.FieldDelimiterCustom(), character);
    }
  }
  struct QualifierCase {
    WideChar character;
    TSMITextQualifier kind;
  };
  for (auto [character, kind] : {QualifierCase{0, tqNone}, {u'"', tqQuot}, {u'\'', tqApos}, {u'`', tqCustom}}) {
    SCOPED_TRACE(static_cast<int>(character));
    c.SetTextQualifierCustom(character);
    EXPECT_EQ(c.TextQualifier(), kind);
    c.SetTextQualifier(tqCustom);
    EXPECT_EQ(c.TextQualifierCustom(), character);
    if (kind != tqCustom) {
      c.SetTextQualifierCustom(u'#');
      c.SetTextQualifier(kind);
      EXPECT_EQ(c.TextQualifierCustom(), character);
    }
  }
  struct SeparatorCase {
    String text;
    TSMIRecordSeparator kind;
  };
  for (const auto& [text, kind] : {SeparatorCase{u"\r\n", rsCRLF}, {u"\r", rsCR}, {u"\n", rsLF}, {u"", rsCustom},
                                   {u"||", rsCustom}}) {
    SCOPED_TRACE(StringToUtf8(text));
    c.SetRecordSeparatorCustom(text);
    EXPECT_EQ(c.RecordSeparator(), kind);
    EXPECT_EQ(c.RecordSeparatorCustom(), text);
    c.SetRecordSeparator(rsCustom);
    EXPECT_EQ(c.RecordSeparatorCustom(), text);
    if (kind != rsCustom) {
      c.SetRecordSeparatorCustom(u"x");
      c.SetRecordSeparator(kind);
      EXPECT_EQ(c.RecordSeparatorCustom(), text);
    }
  }
}

TEST(ImportComponentTest, AssignCopiesTheSettingsButNotTheHostOnlyOnes) {
  TTestDataSet ds;
  TRADerevuBaseComponent source;
  source.SetTableType(teXLS);
  source.SetAnimatedStatus(false);
  source.SetActionKind(akGenerateSQL);
  source.SetDataSet(&ds);
  source.SetDatasetKeys(u"ID");
  source.SetFixed(true);
  source.SetUseDisplayNames(true);
  source.SetFieldDelimiterCustom(u'|');
  source.SetTextQualifierCustom(u'\'');
  source.SetRecordSeparatorCustom(u"\n");
  source.SetRowFirst(3);
  source.SetRowLast(9);
  source.SetRowFieldNames(2);
  source.SetMaxScanRows(50);
  source.Mappings().Add(u"ID=A");
  source.Mappings().Add(u"NAME=B");
  source.Parameters().Add()->Expression = u"1+1";
  source.SetMode(imAppendUpdate);
  source.SetOptions(OptionBit(soSkipEmptyRow));
  source.SetSourceFileName(u"/tmp/in.xls");
  source.SetCharacterSet(csiEBCDIC);
  source.SetTrimSpaces(tsTrimLeftRight);
  source.SetTitleStatus(u"Busy");
  source.Statistic().TotalAdded = 7;
  source.DataFormats().SetDateOrder(doYDM);
  source.LoadCondition().SetSkipIf(u"A=1");
  source.SQLOptions().SetSQLTerm(u"GO");
  source.SetCommitCount(10);
  int fired = 0;
  source.OnErrorEvent = [&](TComponent*, const Exception&, bool&) { ++fired; };
  source.OnGetRowMode = [](TComponent*, const std::vector<TSMIValueEntry>&, TImportMode&) {};
  source.OnBeforeLoadSpecification = [](TComponent*, String&) {};
  source.SetAbortOnProblem(false);
  source.SetTableName(u"T1");
  source.SetSpecificationDir(u"/specs");

  TRADerevuBaseComponent target;
  target.Assign(source);
  EXPECT_EQ(target.TableType(), teXLS);
  EXPECT_FALSE(target.AnimatedStatus());
  EXPECT_EQ(target.ActionKind(), akGenerateSQL);
  EXPECT_EQ(target.DataSet(), &ds);
  EXPECT_EQ(target.DatasetKeys(), u"ID");
  EXPECT_TRUE(target.Fixed());
  EXPECT_TRUE(target.UseDisplayNames());
  EXPECT_EQ(target.FieldDelimiter(), fdCustom);
  EXPECT_EQ(target.FieldDelimiterCustom(), u'|');
  EXPECT_EQ(target.TextQualifier(), tqApos);
  EXPECT_EQ(target.RecordSeparator(), rsLF);
  EXPECT_EQ(target.RowFirst(), 3);
  EXPECT_EQ(target.RowLast(), 9);
  EXPECT_EQ(target.RowFieldNames(), 2);
  EXPECT_EQ(target.MaxScanRows(), 50);
  ASSERT_EQ(target.Mappings().Count(), 2);
  EXPECT_EQ(target.Mappings().Get(1), u"NAME=B");
  ASSERT_EQ(target.Parameters().Count(), 1);
  EXPECT_EQ(target.Parameters().Items(0).Expression, u"1+1");
  EXPECT_EQ(target.Mode(), imAppendUpdate);
  EXPECT_EQ(target.Options(), OptionBit(soSkipEmptyRow));
  EXPECT_EQ(target.SourceFileName(), u"/tmp/in.xls");
  EXPECT_EQ(target.CharacterSet(), csiEBCDIC);
  EXPECT_EQ(target.TrimSpaces(), tsTrimLeftRight);
  EXPECT_EQ(target.TitleStatus(), u"Busy");
  EXPECT_EQ(target.Statistic().TotalAdded, 7);
  EXPECT_EQ(target.Statistic().Owner(), &target);
  EXPECT_EQ(target.DataFormats().DateOrder(), doYDM);
  EXPECT_EQ(target.LoadCondition().SkipIf(), u"A=1");
  EXPECT_EQ(target.SQLOptions().SQLTerm(), u"GO");
  EXPECT_EQ(target.CommitCount(), 10);
  ASSERT_TRUE(static_cast<bool>(target.OnErrorEvent));
  bool abort = false;
  target.OnErrorEvent(&target, Exception(u"x"), abort);
  EXPECT_EQ(fired, 1);
  // Left as they were.
  EXPECT_FALSE(static_cast<bool>(target.OnGetRowMode));
  EXPECT_FALSE(static_cast<bool>(target.OnBeforeLoadSpecification));
  EXPECT_TRUE(target.AbortOnProblem());
  EXPECT_TRUE(target.TableName().empty());
  EXPECT_TRUE(target.SpecificationDir().empty());
}

TEST(ImportComponentTest, DestinationDatasetReferenceIsClearedWhenTheDatasetGoesAway) {
  TRADerevuBaseComponent c;
  auto* ds = new TTestDataSet;
  c.SetDataSet(ds);
  delete ds;
  EXPECT_EQ(c.DataSet(), nullptr);
  String missing;
  EXPECT_TRUE(c.NotDefined(missing));
  EXPECT_EQ(missing, u"DataSet");
}

TEST(ImportComponentTest, ComponentFreedBeforeItsDatasetLeavesNoDanglingWatch) {
  auto* ds = new TTestDataSet;
  { TRADerevuBaseComponent c(nullptr); c.SetDataSet(ds); }
  TRADerevuBaseComponent other;
  other.SetDataSet(ds);
  other.SetDataSet(nullptr);
  EXPECT_EQ(other.DataSet(), nullptr);
  TRADerevuBaseComponent watcher;
  watcher.SetDataSet(ds);
  // The dataset's end reaches only the live watcher (the sanitizer build
  // catches a call into the freed component), and it forgets the dataset.
  delete ds;
  EXPECT_EQ(watcher.DataSet(), nullptr);
  EXPECT_EQ(other.DataSet(), nullptr);
  String missing;
  EXPECT_TRUE(watcher.NotDefined(missing));
  EXPECT_EQ(missing, u"DataSet");
}

class KeyedDataSet : public TTestDataSet, public IPublishedProperties {
 public:
  String IndexFieldName;
  bool ReadPublishedText(StringView name, String& value) const override {
    if (!SameText(name, u"IndexFieldName")) return false;
    value = IndexFieldName;
    return true;
  }
  bool WritePublishedText(StringView, const String&) override { return false; }
};

TEST(ImportComponentTest, SetDataSetTakesTheDatasetsIndexFieldsAsKeys) {
  KeyedDataSet keyed;
  keyed.IndexFieldName = u"ID;NAME";
  TRADerevuBaseComponent c;
  c.SetDatasetKeys(u"OLD");
  c.SetDataSet(&keyed);
  EXPECT_EQ(c.DatasetKeys(), u"ID;NAME");
  TTestDataSet plain;
  c.SetDataSet(&plain);
  EXPECT_EQ(c.DatasetKeys(), u"ID;NAME");
}

TEST(ImportComponentTest, ExecuteWithoutDatasetRaisesThePropertyError) {
  TRADerevuBaseComponent c;
  try {
    c.Execute();
    FAIL() << "no exception";
  } catch (const ESMIInvalidPropertyException& e) {
    EXPECT_EQ(e.Message(), u"Property DataSet wasn't specified.");
  }
}

TEST(ImportComponentTest, DefaultExtensionsAndColumnTypes) {
  struct ExtCase {
    TTableTypeImport type;
    const char16_t* ext;
  };
  for (auto [type, ext] : {ExtCase{teParadox, u".DB"}, {teDBase, u".DBF"}, {teText, u".TXT"}, {teHTML, u".HTM"},
                           {teXLS, u".XLS"}, {teWKS, u".WK1"}, {teQuattro, u".WQ1"}, {teXML, u".XML"},
                           {teAccess, u".MDB"}, {teWord, u""}, {teADO, u""}, {teSPSS, u".SAV"},
                           {teADT, u".ADT"}, {teDBISAM, u".DAT"}, {teClarion, u".DAT"}, {teClipboard, u""},
                           {teSkype, u""}}) {
    SCOPED_TRACE(static_cast<int>(type));
    EXPECT_EQ(TRADerevuBaseComponent::GetDefExt(type), ext);
  }
  EXPECT_EQ(TRADerevuBaseComponent::GetAvailableImportFormats(), 0x1FFFFFu);
  struct TypeCase {
    TFieldType field;
    TSMIDataType column;
  };
  for (auto [field, column] :
       {TypeCase{ftSmallint, itInteger}, {ftInteger, itInteger}, {ftWord, itInteger}, {ftAutoInc, itInteger},
        {ftBoolean, itBoolean}, {ftFloat, itFloat}, {ftCurrency, itFloat}, {ftBCD, itFloat}, {ftDate, itDate},
        {ftTime, itTime}, {ftDateTime, itDateTime}, {ftBlob, itBLOB}, {ftGraphic, itBLOB}, {ftFmtMemo, itBLOB},
        {ftTypedBinary, itBLOB}, {ftMemo, itMEMO}, {ftLargeint, itString}, {ftWideString, itString},
        {ftBytes, itString}}) {
    SCOPED_TRACE(static_cast<int>(field));
    EXPECT_EQ(TRADerevuBaseComponent::GetVODDataType(field), column);
  }
}

TEST(ImportComponentTest, ParametersAreNumberedAndCaptionsFollowTheName) {
  TSMIParameters parameters;
  TSMIParameter* first = parameters.Add();
  TSMIParameter* second = parameters.Add();
  EXPECT_EQ(first->Name(), u"Parameter1");
  EXPECT_EQ(second->Caption, u"Parameter2");
  first->SetName(u"Rate");
  EXPECT_EQ(first->Caption, u"Rate");
  first->Caption = u"Exchange rate";
  first->SetName(u"Rate2");
  EXPECT_EQ(first->Caption, u"Exchange rate");
  EXPECT_EQ(parameters.ParamByName(u"Rate2"), first);
  EXPECT_EQ(parameters.ParamByName(u"rate2"), nullptr);
  first->Value = Variant(5);
  TSMIParameters copy;
  copy.Assign(parameters);
  EXPECT_EQ(copy.Items(0).Name(), u"Rate2");
  EXPECT_TRUE(copy.Items(0).Value.IsEmpty());
  EXPECT_THROW(copy.Items(2), EListError);
  EXPECT_THROW(TSMIColumns().Columns(0), EListError);
}

TEST(ImportComponentTest, StatisticLineHoldsTheValuesOfExistingFields) {
  TTestDataSet ds;
  AddImportFields(ds);
  ds.Open();
  TRADerevuBaseComponent c;
  c.SetDataSet(&ds);
  c.SetFieldDelimiterCustom(u';');
  c.vValues = {{u"ID", Variant(u"A"), Variant(1), 0},
               {u"GONE", Variant(u"B"), Variant(u"x"), -1},
               {u"NAME", Variant(u"C"), Variant::Null(), 1}};
  EXPECT_EQ(c.Statistic().GetCurrentRowsValues(), u"\"1\";\"\";");
}

// ---- Columns and mapping lines ----

class MappingTest : public testing::Test {
 protected:
  void SetUp() override {
    AddImportFields(ds);
    ds.Open();
    c.SetDataSet(&ds);
  }
  void AddColumn(const String& name, const String& caption = String()) {
    TSMIColumn* column = c.Columns().Add();
    column->FieldName = name;
    column->Caption = caption;
  }
  std::vector<String> Lines() const {
    std::vector<String> lines;
    for (int i = 0; i < c.Mappings().Count(); ++i) lines.push_back(c.Mappings().Get(i));
    return lines;
  }
  TTestDataSet ds;
  TRowReader c;
};

TEST_F(MappingTest, MatchedColumnsMapAndEveryVisibleFieldGetsALine) {
  AddColumn(u"name");
  AddColumn(u"First Name");
  AddColumn(u"unknown");
  AddColumn(u"[price]");  // bracketed names match only when they hold a blank
  c.Columns2Mapping();
  EXPECT_EQ(Lines(), (std::vector<String>{u"ID=", u"NAME=name", u"First Name=[First Name]", u"PRICE=", u"AMOUNT=",
                                          u"BORN=", u"STAMP=", u"AT=", u"OK=", u"BIG=", u"NOTES=", u"DATA="}));
}

TEST_F(MappingTest, DisplayLabelsAndQuotedNamesMatch) {
  ds.FieldByName(u"BORN")->SetDisplayLabel(u"Birth day");
  ds.FieldByName(u"NOTES")->SetVisible(false);
  AddColumn(u"\"first name\"");
  AddColumn(u"C7", u"Birth day");
  c.Columns2Mapping();
  auto lines = Lines();
  EXPECT_EQ(lines[2], u"First Name=[\"first name\"]");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), String(u"BORN=")), 1);  // labels off: no match
  EXPECT_EQ(std::count(lines.begin(), lines.end(), String(u"NOTES=")), 0);  // hidden fields get no empty line
  c.SetUseDisplayNames(true);
  c.Columns2Mapping();
  lines = Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), String(u"BORN=C7")), 1);
}

TEST_F(MappingTest, CalculatedFieldsAreNotMapped) {
  ds.FieldByName(u"NAME")->SetFieldKind(fkCalculated);
  AddColumn(u"NAME");
  c.Columns2Mapping();
  auto lines = Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), String(u"NAME=NAME")), 0);
}

TEST_F(MappingTest, ColumnNamesWithSeparatorsAreBracketed) {
  for (const char16_t* name : {u"a b", u"a/b", u"a\\b", u"a;b", u"a-b"}) {
    SCOPED_TRACE(StringToUtf8(name));
    c.Columns().Clear();
    AddColumn(name);
    String written;
    c.GetColumnFieldName(0, written);
    EXPECT_EQ(written, u"[" + String(name) + u"]");
  }
  c.Columns().Clear();
  AddColumn(u"plain");
  String written;
  c.GetColumnFieldName(0, written);
  EXPECT_EQ(written, u"plain");
}

TEST_F(MappingTest, AutoMappingColumnsRoundTripToOneLinePerField) {
  ds.FieldByName(u"NAME")->SetDisplayLabel(u"Name");
  c.DetectAutoMapping();
  ASSERT_EQ(c.Columns().Count(), ds.Fields().Count());
  EXPECT_EQ(c.Columns()[1].Caption, u"Name");
  EXPECT_EQ(c.Columns()[1].Size, 20);
  EXPECT_EQ(c.Columns()[3].DataType, itFloat);
  EXPECT_EQ(c.Columns()[5].DataType, itDate);
  c.Columns2Mapping();
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], u"ID=ID");
  EXPECT_EQ(lines[2], u"First Name=[First Name]");
  EXPECT_EQ(lines[11], u"DATA=DATA");
}

}  // namespace
