// The expression builder's catalogue, the text its items insert, the
// renaming between field names and display names, and the parser check.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "import/ExpressionBuilder.h"
#include "import/ImportColumns.h"
#include "import/ImportWizard.h"
#include "import/SMIParser.h"
#include "tests/db/TestDataSet.h"

namespace {

// Orders: CUST_NO (display "Customer"), ID, a hidden field and a
// calculated one; neither of the last two is offered.
struct OrdersFixture {
  TTestDataSet Orders;
  OrdersFixture() {
    Orders.SetName(u"Orders");
    for (const char16_t* name : {u"CUST_NO", u"ID", u"HIDDEN"}) Orders.FieldDefs().Add(name, ftString, 10);
    Orders.Open();
    Orders.FieldByName(u"CUST_NO")->SetDisplayLabel(u"Customer");
    Orders.FieldByName(u"HIDDEN")->SetVisible(false);
  }
};

const TEBItem* FindItem(const TExpressionCatalogue& catalogue, Integer category, Integer position,
                        const String& display) {
  for (const TEBItem* item : catalogue.Items(category, position))
    if (item->Display == display) return item;
  return nullptr;
}

std::vector<String> Displays(const TExpressionCatalogue& catalogue, Integer category, Integer position) {
  std::vector<String> out;
  for (const TEBItem* item : catalogue.Items(category, position)) out.push_back(item->Display);
  return out;
}

std::vector<String> SubCaptions(const TExpressionCatalogue& catalogue, Integer category) {
  std::vector<String> out;
  for (const TEBSubCategory* sub : catalogue.SubCategories(category)) out.push_back(sub->Caption);
  return out;
}

}  // namespace

TEST(ExpressionBuilderEntry, CodePlaceholdersAndParts) {
  struct Case {
    const char16_t* Text;
    Integer Code;
    const char16_t *Display, *Template, *Help;
  };
  const Case cases[] = {
      {u"30002ABS(%n)|Abs(%n)|returns", 30002, u"ABS(number)", u"Abs(number)", u"returns"},
      // The first unknown placeholder ends the replacing, also in the template.
      {u"30003IIF(%b, %a, %a)|IIF(%b, %a, %a)|h", 30003, u"IIF(boolean, %a, %a)", u"IIF(%b, %a, %a)", u"h"},
      {u"30000COALESCE(%v, ..., %v)|Coalesce(%v, ..., %v)|x", 30000, u"COALESCE(variant, ..., variant)",
       u"Coalesce(variant, ..., variant)", u"x"},
      {u"30001DAY(%d)|X(%s)|value (45%)", 30001, u"DAY(datetime)", u"X(string)", u"value (45%)"},
      // Without a second "|" the rest is the template; without any, only a display.
      {u"10000PI|PI value", 10000, u"PI", u"PI value", u""},
      {u"20002AND", 20002, u"AND", u"", u""},
      {u"abcdeX|t|h", 1, u"X", u"t", u"h"},
      {u"12", 12, u"", u"", u""},
      {u"30002%", 30002, u"%", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Text));
    const TEBItem item = ReadBuilderEntry(c.Text);
    EXPECT_EQ(item.Code, c.Code);
    EXPECT_EQ(item.Display, c.Display);
    EXPECT_EQ(item.Template, c.Template);
    EXPECT_EQ(item.Help, c.Help);
  }
}

TEST(ExpressionBuilderCatalogue, CategoriesSubCategoriesAndBuiltInItems) {
  OrdersFixture f;
  TSMIParameters parameters;
  TSMIParameter* p = parameters.Add();
  p->SetName(u"RATE");
  p->Caption = u"Exchange rate";
  p->Description = u"rate of the day";
  const TWideStrings fields;
  const TExpressionCatalogue catalogue({&f.Orders}, &fields, false, &parameters);

  EXPECT_EQ(catalogue.Categories(),
            (std::vector<String>{u"Data sources", u"Constants", u"Operators", u"Functions", u"Variables list"}));
  EXPECT_EQ(SubCaptions(catalogue, ebcDataSources), (std::vector<String>{u"Source", u"Orders"}));
  EXPECT_EQ(SubCaptions(catalogue, ebcConstants), (std::vector<String>{u"<All>"}));
  EXPECT_EQ(SubCaptions(catalogue, ebcOperators), (std::vector<String>{u"Arithmetic", u"Comparison", u"Logic"}));
  EXPECT_EQ(SubCaptions(catalogue, ebcFunctions),
            (std::vector<String>{u"Conversion", u"Date/time", u"Math", u"Program Flow", u"Aggregate", u"String",
                                 u"Data sources"}));
  EXPECT_EQ(SubCaptions(catalogue, ebcVariables), (std::vector<String>{u"System variables", u"Custom variables"}));

  // An empty source list still gives "Source", with no items.
  EXPECT_TRUE(catalogue.Items(ebcDataSources, 0).empty());
  EXPECT_EQ(Displays(catalogue, ebcConstants, 0), (std::vector<String>{u"", u"False", u"NULL", u"PI", u"True"}));
  EXPECT_EQ(Displays(catalogue, ebcOperators, 2), (std::vector<String>{u"AND", u"NOT", u"OR"}));
  EXPECT_EQ(catalogue.Items(ebcFunctions, 0).size(), 10u);
  EXPECT_EQ(catalogue.Items(ebcFunctions, 1).size(), 10u);
  EXPECT_EQ(catalogue.Items(ebcFunctions, 2).size(), 14u);
  EXPECT_EQ(catalogue.Items(ebcFunctions, 5).size(), 15u);
  EXPECT_EQ(catalogue.Items(ebcVariables, 0).size(), 7u);
  const std::vector<String> math = Displays(catalogue, ebcFunctions, 2);
  EXPECT_TRUE(std::is_sorted(math.begin(), math.end()));

  struct Item {
    Integer Category, Position;
    const char16_t *Display, *Template, *Help;
  };
  const Item items[] = {
      {ebcConstants, 0, u"PI", u"PI value", u""},
      {ebcConstants, 0, u"NULL", u"", u"indicates a variant initialized with no value assigned."},
      {ebcOperators, 0, u"+", u"value1 + value2", u"Add/concatenation for two values"},
      {ebcOperators, 0, u"/", u"<number1>/<number2>", u""},
      {ebcOperators, 1, u"<=", u"value1 <= value2", u""},
      {ebcFunctions, 0, u"CHR(number)", u"CHR(<character code>)", u"returns the character for a specified ASCII value"},
      {ebcFunctions, 0, u"DATETOSTR(datetime)", u"DateToStr(datetime)",
       u"converts a date/time parameter to a formatted string"},
      {ebcFunctions, 1, u"DATETIMEFROMSTRING(string, string, string, string)", u"", u""},
      {ebcFunctions, 2, u"ABS(number)", u"Abs(number)", u"returns the absolute value of the argument"},
      {ebcFunctions, 2, u"POWER(number, number)", u"Power(<Base>, <Exponent>)", u"raises Base to any power"},
      {ebcFunctions, 2, u"RANDOM(number)", u"Random([Range])",
       u"generates random numbers within a specified range (0 <= X < Range)"},
      {ebcFunctions, 2, u"MOD", u"", u""},
      {ebcFunctions, 2, u"ISNUMERIC(string)", u"IsNumeric(string)",
       u"returns True is the specified string contain only the digit characters"},
      {ebcFunctions, 3, u"IIF(boolean, %a, %a)", u"IIF(%b, %a, %a)",
       u"if first argument is true, then second argument returned. Else third argument returns"},
      {ebcFunctions, 5, u"REPLACESTR(string, string, string, boolean, boolean)",
       u"ReplaceStr(string, <old>, <new>, <ignore case>, <replace all>)",
       u"returns a string with occurrences of one substring replaced by another substring"},
      {ebcFunctions, 5, u"ISCONTAIN(string)", u"IsContain(<substring>, string)",
       u"returns True is the specified string contain the substring"},
      {ebcFunctions, 6, u"LOOKUP(string, string, string, string)",
       u"LOOKUP(<table>, <lookup field>, <value>, <return field>)",
       u"returns the lookup value from another dataset (convert IL to Illinois, for example)"},
      {ebcFunctions, 6, u"SUBSTITUTE(string, string, string)",
       u"SUBSTITUTE(<value>, <source values>, <result values>)", nullptr},
      {ebcVariables, 0, u"StatErrorCount", u"StatErrorCount",
       u"returns the total number of errors occured during loading"},
      {ebcVariables, 1, u"RATE", u"Exchange rate", u"rate of the day"},
  };
  for (const Item& c : items) {
    SCOPED_TRACE(StringToUtf8(c.Display));
    const TEBItem* item = FindItem(catalogue, c.Category, c.Position, c.Display);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Template, c.Template);
    if (c.Help != nullptr) {
      EXPECT_EQ(item->Help, c.Help);
    }
  }
  EXPECT_NE(FindItem(catalogue, ebcFunctions, 6, u"SUBSTITUTE(string, string, string)")->Help.find(u"\"Male;Female\""),
            String::npos);
}

TEST(ExpressionBuilderCatalogue, UserFunctionsFindOrAppendTheirCategory) {
  TSMIParserFunction* added = lstVODRegFunctions->AddFunction(u"TAX(x)=x*0.22");
  added->SetDescription(u"Tax(<amount>)");
  added->SetHint(u"value added tax");
  added->SetCategory(u"Finance");
  added->SetSubCategory(u"Taxes");
  TSMIParserFunction* math = lstVODRegFunctions->AddFunction(u"HALF(x)=x/2");
  math->SetDescription(u"Half(%n)");
  math->SetCategory(u"Functions");
  math->SetSubCategory(u"Math");
  const TExpressionCatalogue catalogue({}, nullptr, false, nullptr);
  lstVODRegFunctions->Remove(lstVODRegFunctions->Count() - 1);
  lstVODRegFunctions->Remove(lstVODRegFunctions->Count() - 1);

  ASSERT_EQ(catalogue.Categories().size(), 6u);
  EXPECT_EQ(catalogue.Categories()[5], u"Finance");
  EXPECT_EQ(SubCaptions(catalogue, 5), (std::vector<String>{u"Taxes"}));
  const TEBItem* tax = FindItem(catalogue, 5, 0, u"TAX");
  ASSERT_NE(tax, nullptr);
  EXPECT_EQ(tax->Template, u"Tax(<amount>)");
  EXPECT_EQ(tax->Help, u"value added tax");
  const TEBItem* half = FindItem(catalogue, ebcFunctions, 2, u"HALF");
  ASSERT_NE(half, nullptr);
  EXPECT_EQ(half->Template, u"Half(number)");
  EXPECT_EQ(SubCaptions(catalogue, ebcFunctions).size(), 7u);
}

TEST(ExpressionBuilderCatalogue, DataSourcesAndTheTextTheyInsert) {
  OrdersFixture f;
  TWideStrings fields;
  for (const char16_t* name : {u"Name", u"  ", u"City"}) fields.Add(name);
  struct Case {
    bool WithFields, DisplayNames;
    std::vector<String> Subs;
    Integer FieldPosition;
    std::vector<String> Fields;
    String Inserted;  // double click on the first dataset's first field
  };
  const Case cases[] = {
      {true, false, {u"Source", u"Orders"}, 1, {u"CUST_NO", u"ID"}, u"[Orders.CUST_NO]"},
      {true, true, {u"Source", u"Orders"}, 1, {u"Customer", u"ID"}, u"[Orders.\"Customer\"]"},
      // Without a source list the first dataset's fields insert like source fields.
      {false, false, {u"Orders"}, 0, {u"CUST_NO", u"ID"}, u" CUST_NO "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Inserted.size());
    const TExpressionCatalogue catalogue({&f.Orders}, c.WithFields ? &fields : nullptr, c.DisplayNames, nullptr);
    EXPECT_EQ(SubCaptions(catalogue, ebcDataSources), c.Subs);
    EXPECT_EQ(Displays(catalogue, ebcDataSources, c.FieldPosition), c.Fields);
    const TEBItem* first = catalogue.Items(ebcDataSources, c.FieldPosition).front();
    EXPECT_EQ(catalogue.InsertText(*first, ebcDataSources, c.FieldPosition), c.Inserted);
    if (c.WithFields) {
      EXPECT_EQ(Displays(catalogue, ebcDataSources, 0), (std::vector<String>{u"City", u"Name"}));
      EXPECT_EQ(catalogue.InsertText(*catalogue.Items(ebcDataSources, 0).front(), ebcDataSources, 0), u" City ");
    }
  }
  const TExpressionCatalogue catalogue({}, nullptr, false, nullptr);
  EXPECT_EQ(catalogue.InsertText(*FindItem(catalogue, ebcFunctions, 2, u"ABS(number)"), ebcFunctions, 2),
            u" ABS(number) ");
}

TEST(ExpressionBuilderCatalogue, DisplayNamesRenameWholeReferencesOutsideLiterals) {
  OrdersFixture f;
  const TWideStrings fields;
  const TExpressionCatalogue names({&f.Orders}, &fields, true, nullptr);
  struct Case {
    const char16_t *Expression, *Shown, *Back;  // Back: nullptr when it is Expression
  };
  const Case cases[] = {
      {u"[Orders.CUST_NO]", u"[Orders.\"Customer\"]", nullptr},
      // Names match without regard to case and come back as the field's name.
      {u"[orders.cust_no] + 1", u"[orders.\"Customer\"] + 1", u"[orders.CUST_NO] + 1"},
      // A source column of the same name, a longer name and literals stay.
      {u"CUST_NO + [Orders.CUST_NO2] + 'CUST_NO' + \"[Orders.CUST_NO]\"",
       u"CUST_NO + [Orders.CUST_NO2] + 'CUST_NO' + \"[Orders.CUST_NO]\"", nullptr},
      // Another dataset's field of the same name stays.
      {u"[Lines.CUST_NO]=[Orders.CUST_NO]", u"[Lines.CUST_NO]=[Orders.\"Customer\"]", nullptr},
      // A field without a label shows its name, quoted like every display name.
      {u"IIF([Orders.ID] > 2, \"Customer\", [Orders.CUST_NO])",
       u"IIF([Orders.\"ID\"] > 2, \"Customer\", [Orders.\"Customer\"])", nullptr},
      {u"[Orders.CUST_NO", u"[Orders.CUST_NO", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Expression));
    EXPECT_EQ(names.ToDisplay(c.Expression), c.Shown);
    EXPECT_EQ(names.FromDisplay(c.Shown), c.Back != nullptr ? c.Back : c.Expression);
  }
  // Without display names nothing is renamed; line breaks go without a blank.
  const TExpressionCatalogue plain({&f.Orders}, &fields, false, nullptr);
  EXPECT_EQ(plain.ToDisplay(u"[Orders.CUST_NO]"), u"[Orders.CUST_NO]");
  EXPECT_EQ(plain.FromDisplay(u"A +\r\nB\nC"), u"A +BC");
  EXPECT_EQ(names.FromDisplay(u"[Orders.\r\n\"Customer\"]"), u"[Orders.CUST_NO]");
}

TEST(ExpressionBuilderCheck, ParserDecides) {
  struct Case {
    const char16_t* Expression;
    bool Valid;
  };
  for (const Case& c : {Case{u"ABS(-1) + 2", true}, Case{u"IIF([Orders.ID] > 2, 'a', 'b')", true},
                        Case{u"(1 + 2", false}, Case{u"ABS(1", false}}) {
    SCOPED_TRACE(StringToUtf8(c.Expression));
    String message = u"old";
    EXPECT_EQ(CheckExpression(c.Expression, message), c.Valid);
    EXPECT_EQ(message.empty(), c.Valid);
  }
}

TEST(ExpressionBuilderDataSets, DestinationFirstThenTheOwnersDataSets) {
  TComponent owner(nullptr);
  auto* lookup = new TTestDataSet(&owner);
  auto* destination = new TTestDataSet(&owner);
  auto* detail = new TTestDataSet(destination);
  auto* wizard = new TSMIWizardDlg(&owner);
  wizard->SetDataSet(destination);
  EXPECT_EQ(ExpressionDataSets(*wizard), (std::vector<TDataSet*>{destination, lookup, detail}));
  TSMIWizardDlg alone;
  alone.SetDataSet(destination);
  EXPECT_EQ(ExpressionDataSets(alone), (std::vector<TDataSet*>{destination}));
  TSMIWizardDlg empty;
  EXPECT_TRUE(ExpressionDataSets(empty).empty());
}
