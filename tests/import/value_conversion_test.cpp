#include <gtest/gtest.h>

#include <sstream>

#include "import/ValueConversion.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/TextConvert.h"
#include "tests/import/import_fixture.h"

namespace {

// The value's type and content in one readable text.
std::string Describe(const Variant& v) {
  switch (v.VarType()) {
    case varNull: return "null";
    case varEmpty: return "empty";
    case varBoolean: return v.AsBoolean() ? "bool:true" : "bool:false";
    case varDouble: {
      std::ostringstream out;
      out << "float:" << v.AsDouble();
      return out.str();
    }
    case varDate: return "date:" + StringToUtf8(FormatDateTime(u"yyyy-mm-dd hh:nn:ss.zzz", v.AsDateTime()));
    case varUString:
    case varOleStr:
    case varString: return "text:" + StringToUtf8(v.AsString());
    default: return "type " + std::to_string(v.VarType()) + ":" + StringToUtf8(v.AsString());
  }
}

// A reader whose single row is converted into the twelve fields of the
// fixture under explicit data formats: "," decimals, "." thousands, "EUR"
// currency, day-month-year dates with "." and four-digit years.
class ValueConversionTest : public testing::Test {
 protected:
  void SetUp() override {
    AddImportFields(ds);
    ds.Open();
    reader.SetDataSet(&ds);
    TSMIDataFormats& f = reader.DataFormats();
    f.SetDecimalSeparator(u',');
    f.SetThousandSeparator(u'.');
    f.SetCurrencyString(u"EUR");
    f.SetDateOrder(doDMY);
    f.SetDateSeparator(u'.');
    f.SetTimeSeparator(u':');
    f.SetFourDigitYear(true);
    f.SetCustomDateTimeFormat(String());
    f.SetBooleanTrue(u"Yes");
    f.SetBooleanFalse(u"No");
  }

  // Maps source column SRC holding the text to the field and loads the row.
  Variant Convert(const String& fieldName, const String& text) {
    reader.Row = {{u"SRC", text}};
    reader.vFields = {{fieldName, Variant(u"SRC"), Variant(), ds.FieldByName(fieldName)->Index()}};
    reader.vValues = reader.vFields;
    EXPECT_TRUE(reader.LoadRecord());
    return reader.vFields[0].Value;
  }

  TTestDataSet ds;
  TRowReader reader;
};

struct ConversionCase {
  const char16_t* field;
  const char16_t* text;
  const char* expected;
};

TEST_F(ValueConversionTest, TextsBecomeValuesOfTheFieldsType) {
  const ConversionCase cases[] = {
      // Numbers: thousands and currency removed, decimals read by the source's separator.
      {u"PRICE", u"1.234,50EUR", "float:1234.5"},
      {u"PRICE", u"1.234,50 EUR", "text:1234,50 "},  // the blank before the currency stays
      {u"PRICE", u",5", "float:0.5"},
      {u"PRICE", u"-12", "float:-12"},
      {u"PRICE", u"1,5E3", "float:1500"},
      {u"PRICE", u"NuLL", "null"},
      {u"PRICE", u"abc", "text:abc"},
      {u"AMOUNT", u"EUR 7,25", "float:7.25"},  // leading blanks are allowed
      {u"AMOUNT", u"EUR7,25", "float:7.25"},
      {u"NAME", u"NULL", "text:NULL"},
      // Dates by the mask DD.MM.YYYY HH:NN:SS.ZZZ.
      {u"BORN", u"7.3.2015", "date:2015-03-07 00:00:00.000"},
      {u"BORN", u"07.03.2015", "date:2015-03-07 00:00:00.000"},
      {u"STAMP", u"07.03.2015 14:05:09.250", "date:2015-03-07 14:05:09.250"},
      {u"STAMP", u"07.03.2015 14:05", "date:2015-03-07 14:05:00.000"},
      {u"BORN", u"18991230", "null"},
      {u"BORN", u"1899/12/30", "null"},
      {u"BORN", u"//", "null"},
      {u"BORN", u"00/00/0000", "text:00/00/0000"},  // day 0 is no date
      {u"BORN", u"30.02.2015", "text:30.02.2015"},  // impossible dates keep their text
      {u"BORN", u"7.x.2015", "text:7.x.2015"},
      // Times by HH:NN:SS.ZZZ.
      {u"AT", u"14:05:09", "date:1899-12-30 14:05:09.000"},
      {u"AT", u"00:00", "date:1899-12-30 00:00:00.000"},
      {u"AT", u"25:00", "text:25:00"},
      {u"AT", u"24:00", "text:24:00"},
      {u"AT", u"14", "text:14"},  // no minutes: not a time, and not midnight either
      {u"AT", u"x", "text:x"},
      // Booleans: the source's words and the fixed ones, case counts.
      {u"OK", u"Yes", "bool:true"},
      {u"OK", u"No", "bool:false"},
      {u"OK", u"True", "bool:true"},
      {u"OK", u"1", "bool:true"},
      {u"OK", u"T", "bool:true"},
      {u"OK", u"Y", "bool:true"},
      {u"OK", u"F", "bool:false"},
      {u"OK", u"N", "bool:false"},
      {u"OK", u"0", "bool:false"},
      {u"OK", u"-1", "null"},
      {u"OK", u"y", "text:y"},
      {u"OK", u"yes", "text:yes"},
      // Integers and texts are left to the field.
      {u"ID", u"1.234", "text:1.234"},
      {u"BIG", u"5000000000", "text:5000000000"},
      {u"NOTES", u"[CDATA[some text]]", "text:some text"},
      {u"NAME", u"[CDATA[short]]", "text:short"},
      {u"NAME", u"plain [CDATA[", "text:plain [CDATA["},
      {u"NAME", u"", "null"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.field) + " <- " + StringToUtf8(c.text));
    EXPECT_EQ(Describe(Convert(c.field, c.text)), c.expected);
  }
}

TEST_F(ValueConversionTest, EveryDateOrderAndYearStyleReadsItsOwnTexts) {
  struct OrderCase {
    TSMIDateOrder order;
    WideChar separator;
    bool fourDigits;
    const char16_t* mask;
    const char16_t* text;
  };
  const OrderCase cases[] = {
      {doMDY, u'/', true, u"MM/DD/YYYY HH:NN:SS.ZZZ", u"03/07/2015"},
      {doDMY, u'.', true, u"DD.MM.YYYY HH:NN:SS.ZZZ", u"07.03.2015"},
      {doYMD, u'-', true, u"YYYY-MM-DD HH:NN:SS.ZZZ", u"2015-03-07"},
      {doYDM, u'-', true, u"YYYY-DD-MM HH:NN:SS.ZZZ", u"2015-07-03"},
      {doDYM, u'/', true, u"DD/YYYY/MM HH:NN:SS.ZZZ", u"07/2015/03"},
      {doMYD, u'/', true, u"MM/YYYY/DD HH:NN:SS.ZZZ", u"03/2015/07"},
      {doDMY, u'.', false, u"DD.MM.YY HH:NN:SS.ZZZ", u"07.03.15"},
  };
  TSMIDataFormats& f = reader.DataFormats();
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.mask));
    f.SetDateOrder(c.order);
    f.SetDateSeparator(c.separator);
    f.SetFourDigitYear(c.fourDigits);
    f.SetLeadingZerosInDate(!c.fourDigits);  // no effect on this mask
    EXPECT_EQ(reader.BuildDTFormat(), c.mask);
    EXPECT_EQ(Describe(Convert(u"BORN", c.text)), "date:2015-03-07 00:00:00.000");
  }
}

TEST_F(ValueConversionTest, CustomFormatsAndXmlTimesShapeTheMask) {
  TSMIDataFormats& f = reader.DataFormats();
  f.SetCustomDateTimeFormat(u"dd-mmm-yyyy");
  EXPECT_EQ(reader.BuildDTFormat(), u"DD-MMM-YYYY");
  EXPECT_EQ(Describe(Convert(u"BORN", u"07-Mar-2015")), "date:2015-03-07 00:00:00.000");
  EXPECT_EQ(Describe(Convert(u"BORN", u"07-MAR-2015")), "date:2015-03-07 00:00:00.000");
  f.SetCustomDateTimeFormat(u"yyyymmdd");
  EXPECT_EQ(Describe(Convert(u"BORN", u"20150307")), "date:2015-03-07 00:00:00.000");
  f.SetCustomDateTimeFormat(String());
  reader.SetTableType(teXML);
  EXPECT_EQ(reader.BuildDTFormat(), u"DD.MM.YYYY THH:NN:SS");
  EXPECT_EQ(reader.BuildTimeFormat(false), u"HH:NN:SS.ZZZ");
  f.SetTimeSeparator(0);
  EXPECT_EQ(reader.BuildTimeFormat(true), u"THHNNSS");
}

TEST_F(ValueConversionTest, DataFormatMasksFollowTheSettings) {
  TSMIDataFormats f;
  f.SetDateOrder(doYMD);
  f.SetDateSeparator(u'-');
  f.SetTimeSeparator(u'.');
  EXPECT_EQ(f.GetDateFormat(), u"Y-M-D");
  f.SetLeadingZerosInDate(true);
  f.SetFourDigitYear(true);
  EXPECT_EQ(f.GetDateFormat(), u"YYYY-MM-DD");
  EXPECT_EQ(f.GetTimeFormat(false), u"HH.NN.SS");
  EXPECT_EQ(f.GetDateTimeFormat(), u"YYYY-MM-DD HH.NN.SS.ZZZ");
  f.SetCustomDateTimeFormat(u"yyyymmdd");
  EXPECT_EQ(f.GetDateFormat(), u"YYYYMMDD");
  EXPECT_EQ(f.GetDateTimeFormat(), u"YYYYMMDD");
}

TEST_F(ValueConversionTest, RegionalSettingsGiveTheDateOrderOfTheShortDateFormat) {
  struct RegionCase {
    const char16_t* shortDate;
    WideChar separator;
    TSMIDateOrder order;
    bool fourDigits;
    bool zeros;
  };
  const RegionCase cases[] = {
      {u"d.M.yyyy", u'.', doDMY, true, false}, {u"MM/dd/yy", u'/', doMDY, false, true},
      {u"yyyy-MM-dd", u'-', doYMD, true, true}, {u"yy/dd/MM", u'/', doYDM, false, true},
      {u"dd/yyyy/MM", u'/', doDYM, true, true}, {u"M/yyyy/d", u'/', doMYD, true, false},
      {u"ddMMyyyy", u'.', doMDY, true, true},  // no separators: the default order
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.shortDate));
    TFormatSettings settings = TFormatSettings::Slovene();
    settings.ShortDateFormat = c.shortDate;
    settings.DateSeparator = c.separator;
    FormatSettingsGuard guard(settings);
    TSMIDataFormats f;
    f.SetCustomDateTimeFormat(u"X");
    f.SetBooleanTrue(u"Ja");
    f.LoadRegionalSettings();
    EXPECT_EQ(f.DateOrder(), c.order);
    EXPECT_EQ(f.FourDigitYear(), c.fourDigits);
    EXPECT_EQ(f.LeadingZerosInDate(), c.zeros);
    EXPECT_TRUE(f.CustomDateTimeFormat().empty());
    EXPECT_EQ(f.BooleanTrue(), u"Ja");
  }
}

TEST_F(ValueConversionTest, TwoDigitYearsMoveIntoTheCenturyWindow) {
  reader.DataFormats().SetFourDigitYear(false);
  TDateTime expected = EncodeDate(2015, 3, 7);
  EXPECT_EQ(Convert(u"BORN", u"07.03.15").AsDateTime(), expected);
}

// Values the conversion leaves as text are refused by the field when the row
// is written, so the row counts as failed instead of storing a wrong value.
TEST_F(ValueConversionTest, UnreadableValuesReachTheFieldAndAreRefusedThere) {
  ds.Append();
  struct RefusedCase {
    const char16_t* field;
    const char16_t* text;
  };
  for (auto [field, text] : {RefusedCase{u"BORN", u"00/00/0000"}, {u"AT", u"x"},
                             {u"ID", u"5000000000"}, {u"ID", u"-2147483649"}, {u"OK", u"Yes!"}}) {
    SCOPED_TRACE(StringToUtf8(field) + " <- " + StringToUtf8(text));
    Variant value = Convert(field, text);
    EXPECT_THROW(ds.FieldByName(field)->SetValue(value), Exception);
  }
  // Beyond 32 bits fits a large-integer field whole.
  ds.FieldByName(u"BIG")->SetValue(Convert(u"BIG", u"5000000000"));
  EXPECT_EQ(ds.FieldByName(u"BIG")->AsLargeInt(), 5000000000LL);
  ds.Cancel();
}

TEST_F(ValueConversionTest, BlobTextsFromMimeSourcesAreDecoded) {
  reader.Mime = true;
  EXPECT_EQ(Convert(u"DATA", u"QUJD").AsString(), u"ABC");
  EXPECT_EQ(Convert(u"NOTES", u"[CDATA[QUJD]]").AsString(), u"ABC");
  EXPECT_EQ(Convert(u"NAME", u"QUJD").AsString(), u"QUJD");  // only blob fields decode plain text
  reader.Mime = false;
  EXPECT_EQ(Convert(u"DATA", u"QUJD").AsString(), u"QUJD");
}

TEST(Base64Test, GroupsOfFourWithFillCharacters) {
  struct Case {
    const char16_t* text;
    String expected;
  };
  const Case cases[] = {
      {u"", u""}, {u"QUJ", u""}, {u"QUJD", u"ABC"}, {u"QUI=", u"AB"}, {u"QQ==", u"A"},
      {u"QUJDRA", u"ABC"},  // a trailing incomplete group is dropped
      {u"====QUJD", u"ABC"}, {u"/w==", String(1, u'\xFF')}, {u"AAAA", String(3, u'\0')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text));
    EXPECT_EQ(Decode64(c.text), c.expected);
  }
}

TEST(EbcdicTest, TableCoversControlsPrintablesAndTheUpperHalf) {
  struct Case {
    Byte ascii;
    Byte ebcdic;
  };
  for (auto [ascii, ebcdic] : {Case{0, 0}, {31, 31}, {' ', 0x40}, {'!', 0x5A}, {'"', 0x7F}, {'.', 0x4B},
                               {'0', 0xF0}, {'9', 0xF9}, {'@', 0x7C}, {'A', 0xC1}, {'I', 0xC9}, {'J', 0xD1},
                               {'R', 0xD9}, {'S', 0xE2}, {'Z', 0xE9}, {'[', 0xAD}, {'\\', 0xE0}, {'`', 0x7D},
                               {'a', 0x81}, {'j', 0x91}, {'s', 0xA2}, {'z', 0xA9}, {'{', 0xC0}, {'|', 0x6A},
                               {'}', 0xD0}, {'~', 0xA1}, {127, 0x4B}, {255, 0x4B}}) {
    SCOPED_TRACE(static_cast<int>(ascii));
    EXPECT_EQ(ImportText::ASCII2EBCDIC(ascii), ebcdic);
  }
  // Only the low 8 bits of a character index the table.
  EXPECT_EQ(ImportText::EBCDICCode(u"A\u0141z"), String({u'\xC1', u'\xC1', u'\xA9'}));
}

// ---- Names, literals, conditions and events while loading a row ----

TEST_F(ValueConversionTest, SourcesResolveToColumnsLiteralsParametersAndDatasetFields) {
  reader.Row = {{u"First Name", u"Ann"}, {u"Text1", u"t1"}, {u"A", u"  x  "}};
  reader.Parameters().Add()->SetName(u"Rate");
  reader.Parameters().Items(0).Value = Variant(u"7");
  TTestDataSet other;
  other.SetName(u"Other");
  other.FieldDefs().Add(u"CODE", ftString, 5);
  other.Open();
  other.Append();
  other.FieldByName(u"CODE")->SetAsString(u"K1");
  other.Post();
  TComponent host(nullptr);
  host.InsertComponent(&other);
  host.InsertComponent(&reader);
  reader.SetTrimSpaces(tsTrimLeftRight);
  struct SourceCase {
    const char16_t* source;
    const char* expected;
  };
  for (auto [source, expected] : {SourceCase{u"[First Name]", "text:Ann"}, {u"Text1", "text:t1"},
                                  {u"Rate", "text:7"}, {u"Other.CODE", "text:K1"},
                                  {u"GETFIELDVALUE(\"Other\", \"CODE\")", "text:K1"},
                                  {u"SUBSTITUTE(\"b\", \"a;b;c\", \"1;2;3\")", "text:2"},
                                  {u"SUBSTITUTE(\"z\", \"a;b\", \"1;2\")", "null"}, {u"A", "text:x"},
                                  {u"Missing", "null"}, {u"STATTOTALADDED", "type 3:4"}}) {
    SCOPED_TRACE(StringToUtf8(source));
    reader.Statistic().TotalAdded = 4;
    reader.vFields = {{u"NAME", Variant(source), Variant(), 1}};
    ASSERT_TRUE(reader.LoadRecord());
    EXPECT_EQ(Describe(reader.vFields[0].Value), expected);
  }
  host.RemoveComponent(&reader);
  host.RemoveComponent(&other);
}

// A dataset with one CODE field holding one value.
class TCodeDataSet : public TTestDataSet {
 public:
  TCodeDataSet(TComponent* owner, const String& name, const String& code) : TTestDataSet(owner) {
    SetName(name);
    FieldDefs().Add(u"CODE", ftString, 5);
    Open();
    Append();
    FieldByName(u"CODE")->SetAsString(code);
    Post();
  }
};

TEST_F(ValueConversionTest, DatasetNamesLookAmongTopLevelComponentsBeforeTheOwnersForm) {
  TComponent host(nullptr);
  TCodeDataSet ownDataSet(&host, u"Other", u"form");
  host.InsertComponent(&reader);
  TComponent module(nullptr);
  module.SetName(u"Module");
  TCodeDataSet moduleDataSet(&module, u"Codes", u"mod");
  auto* topLevel = new TCodeDataSet(nullptr, u"Other", u"top");
  RegisterTopLevelComponent(&module);
  RegisterTopLevelComponent(topLevel);
  struct Case {
    const char16_t* source;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {u"GETFIELDVALUE(\"Module.Codes\", \"CODE\")", "text:mod"},  // a form's dataset
      {u"Other.CODE", "text:top"},                                     // a top-level dataset itself
      {u"GETFIELDVALUE(\"Nowhere.Codes\", \"CODE\")", "null"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.source));
    reader.vFields = {{u"NAME", Variant(c.source), Variant(), 1}};
    ASSERT_TRUE(reader.LoadRecord());
    EXPECT_EQ(Describe(reader.vFields[0].Value), c.expected);
  }
  // Once the top-level dataset is gone, the owner's form answers.
  delete topLevel;
  reader.vFields = {{u"NAME", Variant(u"Other.CODE"), Variant(), 1}};
  ASSERT_TRUE(reader.LoadRecord());
  EXPECT_EQ(Describe(reader.vFields[0].Value), "text:form");
  UnregisterTopLevelComponent(&module);
  EXPECT_EQ(FindTopLevelComponent(u"Module"), nullptr);
  host.RemoveComponent(&reader);
}

// Locates by one key field, walking the rows.
class LocatingDataSet : public TTestDataSet {
 public:
  bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions) override {
    for (First(); !Eof(); Next()) {
      if (FieldByName(keyFields)->AsString() == keyValues.AsString()) return true;
    }
    return false;
  }
};

TEST_F(ValueConversionTest, LookupFindsTheRowByKeyAndReadsTheResultField) {
  LocatingDataSet codes;
  codes.SetName(u"Codes");
  codes.FieldDefs().Add(u"K", ftString, 5);
  codes.FieldDefs().Add(u"LABEL", ftString, 10);
  codes.Open();
  for (auto [key, label] : {std::pair{u"a", u"Alpha"}, {u"b", u"Beta"}}) {
    codes.Append();
    codes.FieldByName(u"K")->SetAsString(key);
    codes.FieldByName(u"LABEL")->SetAsString(label);
    codes.Post();
  }
  TComponent host(nullptr);
  host.InsertComponent(&codes);
  host.InsertComponent(&reader);
  reader.Row = {{u"A", u"b"}};
  struct LookupCase {
    const char16_t* source;
    const char* expected;
  };
  for (auto [source, expected] : {LookupCase{u"LOOKUP(\"Codes\", \"K\", A, \"~LABEL~\")", "text:Beta"},
                                  {u"LOOKUP(\"Codes\", \"K\", \"z\", \"LABEL\")", "null"},
                                  {u"LOOKUP(\"Nowhere\", \"K\", A, \"LABEL\")", "null"}}) {
    SCOPED_TRACE(StringToUtf8(source));
    reader.vFields = {{u"NAME", Variant(source), Variant(), 1}};
    reader.LoadRecord();
    EXPECT_EQ(Describe(reader.vFields[0].Value), expected);
  }
  // A result field the dataset lacks is an error of the row, not a silent null.
  reader.vFields = {{u"NAME", Variant(u"LOOKUP(\"Codes\", \"K\", A, \"NOPE\")"), Variant(), 1}};
  EXPECT_THROW(reader.LoadRecord(), EDatabaseError);
  host.RemoveComponent(&reader);
  host.RemoveComponent(&codes);
}

TEST_F(ValueConversionTest, QuotedSourceIsALiteralThatIsNeitherTrimmedNorConverted) {
  reader.SetTrimSpaces(tsTrimLeftRight);
  reader.vFields = {{u"PRICE", Variant(u"\" 1,5 \""), Variant(), 3}};
  reader.LoadRecord();
  EXPECT_EQ(Describe(reader.vFields[0].Value), "text: 1,5 ");
  // A name that arrives quoted at the resolver is taken the same way.
  reader.intCurrentParsedFieldIndex = 3;
  Variant value(u"[\" 1,5 \"]");
  bool done = false;
  reader.ParserEvaluate(&reader, u"x", {}, 0, false, value, done);
  EXPECT_EQ(Describe(value), "text: 1,5 ");
  EXPECT_TRUE(done);
}

TEST_F(ValueConversionTest, TextSourcesLookUpTextColumnsEvenWhenTheyWouldParse) {
  reader.Row = {{u"Text1+1", u"v"}};
  reader.vFields = {{u"NAME", Variant(u"Text1+1"), Variant(), 1}};
  reader.LoadRecord();
  EXPECT_EQ(Describe(reader.vFields[0].Value), "text:v");
}

TEST_F(ValueConversionTest, LoadConditionsAndEmptyRowsDecideTheRow) {
  reader.Row = {{u"A", u"0"}, {u"B", u" "}};
  reader.vFields = {{u"NAME", Variant(u"A"), Variant(), 1}, {u"First Name", Variant(u"B"), Variant(), 2}};
  EXPECT_TRUE(reader.LoadRecord());
  reader.SetOptions(OptionBit(soSkipEmptyRow));
  EXPECT_FALSE(reader.LoadRecord());
  reader.Row[u"A"] = u"00";
  EXPECT_TRUE(reader.LoadRecord());
  reader.SetOptions(0);
  reader.LoadCondition().SetLoadWhen(u"A = \"00\"");
  EXPECT_TRUE(reader.LoadRecord());
  reader.LoadCondition().SetLoadWhen(u"A = \"1\"");
  EXPECT_FALSE(reader.LoadRecord());
  reader.LoadCondition().SetLoadWhen(String());
  reader.LoadCondition().SetSkipIf(u"A = \"00\"");
  EXPECT_FALSE(reader.LoadRecord());
  reader.LoadCondition().SetSkipIf(String());
  reader.OnBeforeRecordEvent = [](TComponent*, const String&, std::vector<TSMIValueEntry>& values, bool& accept) {
    values[0].Value = Variant(u"changed");
    accept = false;
  };
  EXPECT_FALSE(reader.LoadRecord());
  EXPECT_EQ(reader.vFields[0].Value.AsString(), u"changed");
}

TEST_F(ValueConversionTest, AcceptedRowsRefreshValueAndKeyEntries) {
  reader.Row = {{u"A", u"a"}, {u"B", u"b"}};
  reader.vFields = {{u"NAME", Variant(u"A"), Variant(), 1}, {u"ID", Variant(u"B"), Variant(), 0}};
  reader.vValues = {{u"NAME", Variant(u"A"), Variant(), 0}};
  reader.vLocate = {{u"ID", Variant(u"B"), Variant(), 1}};
  ASSERT_TRUE(reader.LoadRecord());
  EXPECT_EQ(reader.vValues[0].Value.AsString(), u"a");
  EXPECT_TRUE(reader.vLocate[0].Value.IsEmpty());  // append mode: keys are not needed
  reader.SetMode(imUpdate);
  ASSERT_TRUE(reader.LoadRecord());
  EXPECT_EQ(reader.vLocate[0].Value.AsString(), u"b");
}

TEST_F(ValueConversionTest, EventsSeeTheFieldAndMayChangeTheValue) {
  reader.Row = {{u"A", u"1,5"}};
  std::vector<String> seen;
  reader.OnParsedValue = [&](TComponent*, TField* field, Variant& value) {
    seen.push_back(field ? field->FieldName() : u"-");
    value = Variant(u"2,5");
  };
  reader.OnGetCellParams = [&](TComponent*, TField* field, Variant& value) {
    seen.push_back(field->FieldName() + u"=" + Utf8ToString(Describe(value)));
  };
  reader.vFields = {{u"PRICE", Variant(u"A"), Variant(), -1}};  // found by name
  reader.LoadRecord();
  EXPECT_EQ(seen, (std::vector<String>{u"PRICE", u"PRICE=float:2.5"}));
  EXPECT_EQ(reader.intCurrentParsedFieldIndex, -1);
}

TEST_F(ValueConversionTest, DosAndEbcdicTextsAreDecodedForTextFieldsOnly) {
  // The EBCDIC bytes of "Hello 1." as the ANSI code page reads them: every
  // letter used to come out as "K".
  reader.Row = {{u"A", AnsiToString("\xC8\x85\x93\x93\x96\x40\xF1\x4B")}, {u"N", u"12"}};
  reader.SetCharacterSet(csiEBCDIC);
  reader.vFields = {{u"NAME", Variant(u"A"), Variant(), 1}, {u"ID", Variant(u"N"), Variant(), 0}};
  reader.LoadRecord();
  EXPECT_EQ(reader.vFields[0].Value.AsString(), u"Hello 1.");
  EXPECT_EQ(reader.vFields[1].Value.AsString(), u"12");
  // A byte that no character of the table gives reads as "?".
  EXPECT_EQ(ImportText::EBCDICToText(AnsiToString("\xC1\x20\x7D\x0D")), u"A?'\r");
}

}  // namespace
