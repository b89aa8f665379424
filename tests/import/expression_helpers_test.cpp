// Number and text helpers of the expression language.
#include <gtest/gtest.h>

#include "import/ExpressionHelpers.h"
#include "platform/rtl/Exceptions.h"
#include "tests/import/expression_eval.h"

namespace {

TEST(ExpressionHelpers, StringIsNumericReadsWholeDecimalTexts) {
  TSloveneSettings slovene;
  const std::pair<const char16_t*, bool> cases[] = {
      {u"12", true},   {u"  -12", true}, {u"+1.5", true},  {u"1,5", true},   {u".", true},
      {u"5.", true},   {u"-.5", true},   {u"1e5", true},   {u"1E-5", true},  {u"1e400", false},
      {u"1e-400", true}, {u"", false},   {u"+", false},    {u" ", false},    {u"12 ", false},
      {u"1e", false},  {u"1,5,5", false}, {u"1.2.3", false}, {u"$5", false}, {u"0x10", false},
  };
  for (const auto& [text, numeric] : cases) {
    SCOPED_TRACE(StringToUtf8(text));
    EXPECT_EQ(StringIsNumeric(text), numeric);
  }
  double value = 1;
  ASSERT_TRUE(ReadDecimal(u".", value));
  EXPECT_EQ(value, 0);
  ASSERT_TRUE(ReadDecimal(u"-2.5e2", value));
  EXPECT_EQ(value, -250);
}

TEST(ExpressionHelpers, IsNumericAndIsAlpha) {
  TSloveneSettings slovene;
  EXPECT_TRUE(IsNumeric(u" -12,5 "));
  EXPECT_TRUE(IsNumeric(u""));
  EXPECT_FALSE(IsNumeric(u"1,2,3"));
  EXPECT_FALSE(IsNumeric(u"1.5"));
  EXPECT_FALSE(IsNumeric(u"1-"));
  EXPECT_TRUE(IsAlpha(u"\u0160ola"));
  EXPECT_TRUE(IsAlpha(u"\U0001D400"));  // a letter outside the Basic Multilingual Plane
  EXPECT_FALSE(IsAlpha(u"a b"));
}

TEST(ExpressionHelpers, ClearNumValueDropsSeparatorsAndCurrency) {
  TSloveneSettings slovene;
  EXPECT_EQ(ClearNumValue(u"1.234,50\u20AC"), u"1234,50");
  EXPECT_EQ(ClearNumValue(u"$1.234"), u"1234");
  EXPECT_EQ(VarAsNum(Variant(String(u"1.234,5"))).AsDouble(), 1234.5);
  TFormatSettings english = TFormatSettings::ForLocale("en_US");
  english.CurrencyString = String(1, u'$');
  FormatSettings = english;
  EXPECT_EQ(ClearNumValue(u"$1,234.50"), u"1234.50");
  EXPECT_EQ(VarAsNum(Variant(String(u"$1,234.50"))).AsDouble(), 1234.5);
}

TEST(ExpressionHelpers, VarAsNumKeepsNumbersAndDates) {
  TSloveneSettings slovene;
  EXPECT_EQ(Describe(VarAsNum(Variant(3.5))), "double:3.5");
  EXPECT_EQ(Describe(VarAsNum(Variant::FromDateTime(36557.5))), "date:2000-02-01 12:00:00");
  EXPECT_EQ(Describe(VarAsNum(Variant::Null())), "int:0");
  EXPECT_EQ(Describe(VarAsNum(Variant(String(u"12")))), "int:12");
  EXPECT_EQ(Describe(VarAsNum(Variant(String(u"x12")))), "int:0");
  EXPECT_EQ(VarAsChar(Variant(String(u"-x"))), u'-');
  EXPECT_EQ(VarAsChar(Variant::FromOleStr(u"/")), u'/');
  EXPECT_EQ(VarAsChar(Variant(String())), u' ');
  EXPECT_EQ(VarAsChar(Variant(5)), u' ');
}

TEST(ExpressionHelpers, TextHelpers) {
  String list = u"M ;F;";
  String item;
  GetNextItem(u";", list, item);
  EXPECT_EQ(item, u"M");
  EXPECT_EQ(list, u"F;");
  GetNextItem(u";", list, item);
  GetNextItem(u";", list, item);
  EXPECT_EQ(item, u"");
  EXPECT_EQ(list, u"");
  EXPECT_EQ(PadL(u"7", 3, u'0'), u"007");
  EXPECT_EQ(PadR(u"12345", 3, u'0'), u"123");
  EXPECT_EQ(ReplicateChar(u'x', 0), u"");
  EXPECT_EQ(ReplaceStr(u"a.b.c", u".", u"--", false, true), u"a--b--c");
  EXPECT_EQ(ReplaceWideStr(u"\u010Ca\u010D", u"\u010D", u"c", true, false), u"ca\u010D");
  // Searching stays linear on repetitive texts.
  const String haystack(2000000, u'a');
  const String needle = String(1000, u'a') + u"b";
  EXPECT_EQ(FindText(haystack, needle), String::npos);
  EXPECT_EQ(FindText(haystack + u"b", needle), haystack.size() - 1000);
}

TEST(ExpressionHelpers, OperatorTable) {
  EXPECT_EQ(FindOperation(u"+"), 1);
  EXPECT_EQ(FindOperation(u"NOT"), 16);
  EXPECT_EQ(FindOperation(u"and"), 0);
  EXPECT_EQ(FindOperation(u"=-"), 0);
  EXPECT_EQ(OperPriority(u"!"), 1);
  EXPECT_EQ(OperPriority(u"<>"), 2);
  EXPECT_EQ(OperPriority(u"%"), 0);
}

TEST(ExpressionHelpers, PowerExlMinMax) {
  EXPECT_EQ(Power(0, 0), 1);
  EXPECT_EQ(Power(0, 3), 0);
  EXPECT_EQ(Power(2, -2), 0.25);
  EXPECT_DOUBLE_EQ(Power(8, 1.0 / 3), 2);
  EXPECT_THROW(Power(2, 3e10), EOverflow);
  EXPECT_THROW(IntPower(0, -1), EZeroDivide);
  EXPECT_EQ(Describe(Exl(Variant(5))), "int:120");
  EXPECT_EQ(Describe(Exl(Variant(2.5))), "double:1.875");  // 2.5 * 1.5 * 0.5
  EXPECT_EQ(Describe(Exl(Variant(-3))), "int:-3");
  EXPECT_EQ(Describe(Exl(Variant(25))), "double:1.5511210043331e+25");
  EXPECT_THROW(Exl(Variant(1e18)), EOverflow);
  EXPECT_EQ(Describe(Min(Variant::Null(), Variant(1))), "int:1");
  EXPECT_EQ(Describe(Min(Variant(1), Variant::Null())), "null");
  EXPECT_EQ(Describe(Max(Variant(1), Variant::Null())), "int:1");
  EXPECT_EQ(Describe(Max(Variant(1), Variant(2))), "int:2");
}

}  // namespace
