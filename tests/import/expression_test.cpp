// The expression language end to end: operators, built-in functions, nulls
// and mixed types, the evaluation event, user functions and the limits.
#include <gtest/gtest.h>

#include "import/ExpressionLexer.h"
#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "tests/import/expression_eval.h"

namespace {

void ExpectCases(std::initializer_list<TExpressionCase> cases) {
  for (const TExpressionCase& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Text));
    EXPECT_EQ(EvaluateText(c.Text), c.Expected);
  }
}

TEST(ExpressionLexer, CutsTokensByCharacterClass) {
  const TExpressionCase cases[] = {
      {u"A AND B", "AANDB:s"},
      {u"(A)AND(B)", "(:p A:s ):p AND:o (:p B:s ):p"},
      {u"[Order Date]+1", "[Order Date]:s +:o 1:n"},
      {u"'it''s' x", "'it''s'x:s"},
      {u"\"a]b\"c", "\"a]b\"c:s"},
      {u"1.5+x2", "1.5:n +:o x2:s"},
      {u"a<=b", "a:s <=:o b:s"},
      {u"5!+1", "5:n !+:o 1:n"},
      {u"F(a,,b)", "F:s (:p a:s ,,:d b:s ):p"},
      {u"  12 34  ", "12:n 34:n"},
  };
  for (const TExpressionCase& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Text));
    TExpParser lexer;
    lexer.SetExpression(c.Text);
    lexer.ReadAllTokens();
    std::string tokens;
    for (const TExpToken& t : lexer.Tokens()) {
      static const char* kinds[] = {"none", "s", "n", "dt", "p", "o", "d"};
      tokens += (tokens.empty() ? "" : " ") + StringToUtf8(t.Text) + ":" + kinds[t.TokenType];
    }
    EXPECT_EQ(tokens, c.Expected);
  }
}

TEST(ExpressionLexer, ZeroCharacterIsIllegalAtItsPosition) {
  const String text(u"a+\0b", 4);
  try {
    TExpParser lexer;
    lexer.SetExpression(text);
    lexer.ReadAllTokens();
    FAIL() << "no error";
  } catch (const ESMIParseException& e) {
    EXPECT_EQ(e.Message(), String(u"Parse error: illegal character \"\0\" at position 3.", 49));
  }
}

TEST(ExpressionOperators, BindLoosestFirstAndGroupToTheRight) {
  ExpectCases({
      {u"10 - 3 - 2", "double:9"},
      {u"(10 - 3) - 2", "double:5"},
      {u"8 / 4 / 2", "double:4"},
      {u"2 + 3 * 4", "double:14"},
      {u"2 * 3 + 4", "double:10"},
      // Comparisons bind tighter than arithmetic: 1 + (2 = 3) adds False.
      {u"1 + 2 = 3", "double:1"},
      {u"(1 + 2) = 3", "bool:True"},
      {u"-5", "double:-5"},
      {u"((((7))))", "double:7"},
      {u"", "null"},
      {u"1 +", "null"},
  });
}

TEST(ExpressionOperators, EachOperator) {
  ExpectCases({
      {u"2 ^ 10", "double:1024"},
      {u"2 ^ (0-1)", "double:0.5"},
      // "2 ^ -1" is (2 ^) - 1: the minus is the looser operator.
      {u"2 ^ -1", "double:0"},
      {u"9 ^ 0.5", "double:3"},
      {u"0 ^ 5", "double:0"},
      {u"5 ^ 0", "double:1"},
      {u"5!", "int:120"},
      {u"0!", "int:0"},
      {u"(5!)+1", "double:121"},
      {u"3 = 3", "bool:True"},
      {u"2 < 3", "bool:True"},
      {u"2 > 3", "bool:False"},
      {u"3 <= 3", "bool:True"},
      {u"4 >= 5", "bool:False"},
      {u"3 <> 3", "bool:False"},
      {u"3 != 4", "bool:True"},
      {u"(1=1)AND(2=3)", "bool:False"},
      {u"(1=2)OR(2=2)", "bool:True"},
      {u"(6)AND(3)", "int:2"},
      {u"(6)OR(3)", "int:7"},
      {u"NOT(1=2)", "bool:True"},
      {u"NOT(5)", "int:-6"},
      {u"(T)AND(F)", "bool:False"},
      // Unknown operators (two signs in a row) fail when evaluated.
      {u"5!+1", "Calculate error: syntax tree fault."},
      {u"2 *-3", "Calculate error: syntax tree fault."},
      {u"3 / 0", "Floating point division by zero"},
      {u"0 / 0", "Invalid floating point operation"},
      {u"10 ^ 400", "Floating point overflow"},
      {u"(-8) ^ 0.5", "Invalid floating point operation"},
      {u"171!", "Floating point overflow"},
  });
}

TEST(ExpressionOperators, NullsOrderBelowEverythingAndPropagateThroughArithmetic) {
  ExpectCases({
      {u"3 > N", "bool:True"},
      {u"N < 3", "bool:True"},
      {u"N = N", "bool:True"},
      {u"N = 3", "bool:False"},
      {u"3 <> N", "bool:True"},
      {u"N + 1", "null"},
      {u"(N)AND(T)", "null"},
      // The other arithmetic operators take null as 0.
      {u"N - 1", "double:-1"},
      {u"N * 2", "double:0"},
      {u"E + 1", "double:1"},
  });
}

TEST(ExpressionOperators, TypeMixes) {
  TSloveneSettings slovene;
  ExpectCases({
      {u"S + S", "text:HelloHello"},
      {u"\"12\" + 1", "double:13"},
      {u"S + 1", "Could not convert variant of type (UnicodeString) into type (Double)"},
      {u"S > 1", "Could not convert variant of type (UnicodeString) into type (Double)"},
      // Exactly one OLE or 8-bit text makes "+" join texts.
      {u"OLE + 1", "text:ab1"},
      {u"ANSI + S", "text:xyHello"},
      {u"OLE + ANSI", "text:abxy"},
      {u"S = \"Hello\"", "bool:True"},
      {u"\"a\" < \"b\"", "bool:True"},
      // Whole numbers do not wrap beyond 32 bits.
      {u"I + I", "int64:4294967294"},
      {u"I64 + I64", "int64:10000000000"},
      {u"CUR + CUR", "currency:5"},
      {u"CUR * 2", "double:5"},
      {u"D + 1", "date:2000-02-02 10:30:00"},
      {u"D - 1", "date:2000-01-31 10:30:00"},
      {u"D > 36000", "bool:True"},
      {u"T + 1", "double:0"},
      // Texts in arithmetic are cleaned numbers: the regional decimal comma
      // stays a decimal comma, thousand separators and currency go.
      {u"\"3,5\" * 2", "double:7"},
      {u"\"1.234,5\u20AC\" - 0", "double:1234.5"},
      {u"\"abc\" - 1", "double:-1"},
      {u"\"10\" - \"3\"", "int:7"},
  });
}

TEST(ExpressionFunctions, TextFunctions) {
  TSloveneSettings slovene;
  ExpectCases({
      {u"SUBSTR(\"abcdef\", 2, 3)", "text:bcd"},
      {u"substring(\"abcdef\", 5, 10)", "text:ef"},
      {u"COPY(\"abc\", 0, 2)", "text:ab"},
      {u"COPY(\"abc\", 5, 1)", "text:"},
      {u"COPY(\"abc\", 1, -1)", "text:"},
      {u"SUBSTR(\"abc\", 1)", "List index out of bounds (2)"},
      {u"PADL(7, 3, 0)", "text:007"},
      {u"PADL(12345, 3)", "text:123"},
      {u"PADR(\"ab\", 4, \"*-\")", "text:ab**"},
      {u"PADL(\"ab\", 4, \"\")", "text:  ab"},
      {u"PADR(\"ab\", -1)", "text:"},
      {u"CHR(65)", "text:A"},
      {u"LENGTH(CHR(128512))", "int:2"},
      {u"CHR(-1)", "Range check error"},
      {u"UPPER(\"ab\u010Dd\")", "text:AB\u010DD"},
      {u"LOWER(\"AB\u010CD\")", "text:ab\u010Cd"},
      {u"TRIM(\"  a b  \")", "text:a b"},
      {u"TRIMLEFT(\"  a b  \")", "text:a b  "},
      {u"TRIMRIGHT(\"  a b  \")", "text:  a b"},
      {u"POS(\"cd\", \"abcdcd\")", "int:3"},
      {u"POS(\"C\", \"abc\")", "int:0"},
      {u"POS(\"\", \"abc\")", "int:0"},
      {u"LENGTH(\"abc\")", "int:3"},
      {u"ORD(\"A\")", "int:65"},
      {u"ORD(\"\")", "int:0"},
      {u"VARTOSTR(N)", "text:"},
      {u"VARTOSTR(12)", "text:12"},
      {u"COALESCE(N, E, \"\", \"b\", \"c\")", "text:b"},
      {u"COALESCE(N, N)", "null"},
      {u"UPPER(N)", "Could not convert variant of type (Null) into type (UnicodeString)"},
  });
}

TEST(ExpressionFunctions, ReplaceStrReplacingAllComparesWithRegardToCase) {
  ExpectCases({
      {u"REPLACESTR(\"aAa\", \"a\", \"x\", T, T)", "text:xAx"},
      {u"REPLACESTR(\"aAa\", \"A\", \"x\", T, F)", "text:xAa"},
      {u"REPLACESTR(\"aAa\", \"A\", \"x\", F, F)", "text:axa"},
      {u"REPLACESTR(\"aAa\", \"a\", \"x\", F, T)", "text:xAx"},
      {u"REPLACESTR(\"aaa\", \"\", \"x\", F, T)", "text:aaa"},
      {u"REPLACESTR(\"a\", \"b\", \"c\")", "List index out of bounds (3)"},
  });
}

TEST(ExpressionFunctions, ConversionFunctions) {
  TSloveneSettings slovene;
  ExpectCases({
      {u"STRTOFLOAT(\"1,5\")", "double:1.5"},
      {u"STRTOFLOAT(\"x\")", "'x' is not a valid floating point value"},
      {u"STRTOINT(\"$FF\")", "int:255"},
      {u"STRTOINT(\"1.5\")", "'1.5' is not a valid integer value"},
      {u"STRTODATE(\"1.2.2000\")", "date:2000-02-01 00:00:00"},
      {u"INTTOSTR(I64)", "text:5000000000"},
      {u"INTTOSTR(2.5)", "text:2"},
      {u"FLOATTOSTR(1.5)", "text:1,5"},
      {u"DATETOSTR(D)", "text:1.2.2000"},
      // The separator arguments are the function's own texts.
      {u"DATETIMEFROMSTRING(\"1-2-2000\", \"DD-MM-YYYY\", \"-\", \":\")", "date:2000-02-01 00:00:00"},
      {u"DATETIMEFROMSTRING(\"2000-2-1 10:30\", \"YYYY-MM-DD HH:NN\", \"-\", \":\")", "date:2000-02-01 10:30:00"},
  });
}

TEST(ExpressionFunctions, AggregateFunctions) {
  ExpectCases({
      {u"MAX(-5, -3)", "double:-3"},
      {u"MAX(N, 2, N)", "double:2"},
      {u"MIN(N, 3)", "double:3"},
      {u"MIN(3, N)", "null"},
      {u"MIN(3, N, 5)", "double:5"},
      {u"SUM(1, 2, 3)", "double:6"},
      {u"SUM(1, N)", "null"},
      {u"AVG(1, 2)", "double:1.5"},
      {u"COUNT(1, 2, 3)", "int:3"},
      {u"COUNT(N)", "int:1"},
      {u"COUNT(1,2,3,4,5,6,7,8,9,10,11,12)", "int:12"},
  });
}

TEST(ExpressionFunctions, MathFunctions) {
  ExpectCases({
      {u"FRAC(2.75)", "double:0.75"},
      {u"FRAC(-2.75)", "double:-0.75"},
      {u"INT(-2.75)", "double:-2"},
      {u"ROUND(2.5)", "int:2"},
      {u"ROUND(3.5)", "int:4"},
      {u"ROUND(-2.5)", "int:-2"},
      {u"ROUND(5000000000.4)", "int64:5000000000"},
      {u"DIV(7, 2)", "int:3"},
      {u"MOD(7, 2)", "int:1"},
      {u"MOD(-7, 2)", "int:-1"},
      {u"DIV(1, 0)", "Division by zero"},
      {u"RANDOM(1)", "int:0"},
      {u"RANDOM(0)", "int:0"},
      {u"ABS(-2.5)", "double:2.5"},
      {u"POWER(2, 3)", "double:8"},
      {u"EXP(0)", "double:1"},
      {u"EXP(1000)", "Floating point overflow"},
      {u"LN(1)", "double:0"},
      {u"LN(0)", "Floating point division by zero"},
      {u"LN(-1)", "Invalid floating point operation"},
      {u"LOG(1000)", "double:3"},
      {u"SQR(3)", "double:9"},
      {u"SQRT(16)", "double:4"},
      {u"SQRT(-1)", "Invalid floating point operation"},
      {u"PERCENT(200, 15)", "double:30"},
  });
  TSMIParser random;
  random.SetText(u"RANDOM(10)");
  for (int i = 0; i < 20; ++i) {
    const Integer x = random.GetValue().AsInteger();
    EXPECT_GE(x, 0);
    EXPECT_LT(x, 10);
  }
}

TEST(ExpressionFunctions, FlowAndTests) {
  TSloveneSettings slovene;
  ExpectCases({
      // Only the branch returned is evaluated.
      {u"IIF(1=1, 1, 1/0)", "double:1"},
      {u"IIF(1=2, 1/0, 2)", "double:2"},
      {u"IIF(N, 1, 2)", "Could not convert variant of type (Null) into type (Boolean)"},
      {u"ISNULL(N)", "bool:True"},
      {u"ISNULL(E)", "bool:True"},
      {u"ISNULL(\"\")", "bool:True"},
      {u"ISNULL(0)", "bool:False"},
      {u"ISNUMERIC(\"-12,5\")", "bool:True"},
      {u"ISNUMERIC(\"1-2\")", "bool:False"},
      {u"ISNUMERIC(\"\")", "bool:True"},
      {u"ISALPHA(\"ab\u010C\")", "bool:True"},
      {u"ISALPHA(\"ab1\")", "bool:False"},
      {u"ISALPHA(\"\")", "bool:False"},
      {u"ISCONTAIN(\"cd\", \"abcdef\")", "bool:True"},
      {u"ISCONTAIN(\"CD\", \"abcdef\")", "bool:False"},
      {u"ISSTARTSWITH(\"ab\", \"abcdef\")", "bool:True"},
      {u"ISENDSWITH(\"ef\", \"abcdef\")", "bool:True"},
      {u"ISENDSWITH(\"EF\", \"abcdef\")", "bool:False"},
  });
}

TEST(ExpressionFunctions, DateFunctions) {
  ExpectCases({
      {u"DATEPART(D)", "double:36557"},
      {u"TIMEPART(D)", "double:0.4375"},
      {u"YEAR(D)", "int:2000"},
      {u"MONTH(D)", "int:2"},
      {u"DAY(D)", "int:1"},
      {u"HOUR(D)", "int:10"},
      {u"MINUTE(D)", "int:30"},
      {u"SECOND(D)", "int:0"},
      {u"GETDATE()", "Compile error: syntax fault."},
  });
  for (const char16_t* text : {u"GETDATE", u"getdate(1, 2)"}) {
    SCOPED_TRACE(StringToUtf8(text));
    TSMIParser parser;
    parser.SetText(text);
    const TDateTime before = Now();
    const Variant value = parser.GetValue();
    ASSERT_EQ(value.VarType(), varDate);
    EXPECT_GE(value.AsDouble(), before - 1.0 / SecsPerDay);
    EXPECT_LE(value.AsDouble(), Now() + 1.0 / SecsPerDay);
  }
}

TEST(ExpressionErrors, BuildErrorsCarryTheSuiteTexts) {
  ExpectCases({
      {u"(1", "Compile error: syntax fault."},
      {u"1 2", "Compile error: syntax fault."},
      {u"1)", "Compile error: parenthesis mismatch."},
      {u"(1))+(2", "Compile error: parenthesis mismatch."},
      {u"F(a)(b)", "Function parse error."},
  });
  TSMIParser parser;
  parser.SetText(u"(1");
  EXPECT_THROW(parser.Validate(), ESMIParseException);
  parser.SetText(u"1 +");
  EXPECT_NO_THROW(parser.Validate());
}

// A parser keeps its built tree between evaluations: a new text must be
// built anew, and a text that fails must fail on every use, not once.
TEST(ExpressionErrors, KeptTreeFollowsTheText) {
  TSMIParser parser;
  parser.SetText(u"1+1");
  EXPECT_EQ(parser.GetValue().AsInteger(), 2);
  EXPECT_EQ(parser.GetValue().AsInteger(), 2);
  parser.SetText(u"2*3");
  EXPECT_EQ(parser.GetValue().AsInteger(), 6);
  parser.SetText(u"(1");
  EXPECT_THROW(parser.GetValue(), ESMIParseException);
  EXPECT_THROW(parser.GetValue(), ESMIParseException);
  parser.SetText(u"4");
  EXPECT_EQ(parser.GetValue().AsInteger(), 4);
}

TEST(ExpressionEvent, ReceivesNamesAndUnknownFunctions) {
  struct TCall {
    std::string Eval, Value;
    int ArgCount;
    bool IsChild;
  };
  std::vector<TCall> calls;
  TSMIParser parser;
  parser.OnEvaluate = [&](TComponent* sender, const String& eval, const std::vector<Variant>& args, int argCount,
                          bool isChild, Variant& value, bool& done) {
    EXPECT_EQ(sender, &parser);
    EXPECT_EQ(int(args.size()), argCount);
    calls.push_back({StringToUtf8(eval), StringToUtf8(value.AsString()), argCount, isChild});
    if (eval == u"TWICE") value = Variant(args[0].AsDouble() * 2);
    else value = Variant(String(u"v"));
    done = true;
  };
  parser.SetText(u"UPPER([Order Date]) + VARTOSTR(TWICE(21))");
  EXPECT_EQ(Describe(parser.GetValue()), "text:V42");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].Eval, "[Order Date]");
  EXPECT_EQ(calls[0].Value, "Order Date");
  EXPECT_EQ(calls[0].ArgCount, MaxFunctionArguments);
  EXPECT_TRUE(calls[0].IsChild);
  EXPECT_EQ(calls[1].Eval, "TWICE");

  calls.clear();
  parser.SetText(u"[Total]");
  EXPECT_EQ(Describe(parser.GetValue()), "text:v");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_FALSE(calls[0].IsChild);
}

TEST(ExpressionEvent, UnresolvedNamesAndUserFunctions) {
  ExpectCases({
      // An unanswered name keeps its text; an answered one the handler's value.
      {u"A AND B", "text:AANDB"},
      {u"TWICE(21)", "double:42"},
      {u"F(1,2,3,4,5,6,7,8,9,10,11,12)", "Function \"F\" is given 12 arguments; it takes at most 11."},
  });
  EXPECT_EQ(EvaluateText(u"[Order Date]", false), "text:[Order Date]");
  EXPECT_EQ(EvaluateText(u"PI", false), "double:3.14");

  // PI goes to the event first unless user functions come first.
  TSMIParser parser;
  parser.SetText(u"PI");
  parser.OnEvaluate = [](TComponent*, const String&, const std::vector<Variant>&, int, bool, Variant& value,
                         bool& done) {
    value = Variant(3);
    done = true;
  };
  EXPECT_EQ(Describe(parser.GetValue()), "int:3");
  parser.SetProcessBeforeEvent(true);
  EXPECT_EQ(Describe(parser.GetValue()), "double:3.14");
  parser.SetText(u"OTHER");
  EXPECT_EQ(Describe(parser.GetValue()), "int:3");
}

class UserFunctions : public testing::Test {
 protected:
  void SetUp() override { FCount = lstVODRegFunctions->Count(); }
  void TearDown() override {
    while (lstVODRegFunctions->Count() > FCount) lstVODRegFunctions->Remove(lstVODRegFunctions->Count() - 1);
  }
  int FCount = 0;
};

TEST_F(UserFunctions, RegistryStartsWithPi) {
  ASSERT_EQ(FCount, 1);
  const TSMIParserFunction* pi = lstVODRegFunctions->FunctionByName(u"pi");
  ASSERT_NE(pi, nullptr);
  EXPECT_EQ(pi->AsString(), u"PI=3.14");
  EXPECT_EQ(pi->Body(), u"3.14");
  EXPECT_EQ(pi->Description(), u"PI value");
  EXPECT_EQ(pi->Category(), u"Constants");
  EXPECT_EQ(pi->SubCategory(), u"<All>");
  EXPECT_EQ(lstVODRegFunctions->GetFunction(1), nullptr);
  EXPECT_EQ(lstVODRegFunctions->GetFunction(-1), nullptr);
}

TEST_F(UserFunctions, ArgumentsOtherFunctionsAndRecursion) {
  lstVODRegFunctions->AddFunction(u"ADD(a, b)=a+b");
  lstVODRegFunctions->AddFunction(u"AREA(r)=PI*r^2");
  lstVODRegFunctions->AddFunction(u"FACT(n)=IIF(n<=1, 1, n*FACT(n-1))");
  lstVODRegFunctions->AddFunction(u"FACTR(n)=IIF(n<=1, 1, FACTR(n-1)*n)");
  lstVODRegFunctions->AddFunction(u"HIDDEN(x)=S");
  lstVODRegFunctions->AddFunction(u"LOOP(x)=LOOP(x)");
  lstVODRegFunctions->AddFunction(u"BOMB(n)=IIF(n<=0, 0, BOMB(n-1)+BOMB(n-1))");
  lstVODRegFunctions->AddFunction(u"NOEQUALS");
  ExpectCases({
      {u"ADD(2, 3)", "double:5"},
      {u"add(\"a\", \"b\")", "text:ab"},
      {u"ADD(2)", "double:2"},
      {u"AREA(2)", "double:12.56"},
      {u"FACT(5)", "double:120"},
      // Each call keeps its own arguments, whatever the order of evaluation.
      {u"FACTR(5)", "double:120"},
      // Columns and the event are not visible inside a user function.
      {u"HIDDEN(1)", "text:S"},
      {u"NOEQUALS", "text:NOEQUALS"},
      {u"FACT(100)", "User function \"FACT\" is nested deeper than 64 calls."},
      {u"LOOP(1)", "User function \"LOOP\" is nested deeper than 64 calls."},
      {u"BOMB(30)", "User functions are called more than 1000 times in one expression."},
      {u"BOMB(5)", "double:0"},
  });
}

TEST_F(UserFunctions, EvaluationDepthCountsAcrossCalls) {
  String body;
  for (int i = 0; i < 500; ++i) body += u"(1+";
  body += u"DEEP(x)";
  body += String(500, u')');
  lstVODRegFunctions->AddFunction(u"DEEP(x)=" + body);
  EXPECT_EQ(EvaluateText(u"DEEP(1)"), "Expression is nested deeper than 1024 levels.");
}

TEST_F(UserFunctions, DefinitionErrors) {
  const TExpressionCase cases[] = {
      {u"1X=2", "Function \"1X=2\" is not valid."},
      {u"=2", "Function \"=2\" is not valid."},
      {u"F)x(=1", "Function header \"F)x(\" is not valid."},
      {u"F(a, b=1", "Function header \"F(a, b\" is not valid."},
      {u"F(a,)=1", "Function header \"F(a,)\" is not valid."},
      {u"F(a)x=1", "Function header \"F(a)x\" is not valid."},
      {u"F(a+b)=1", "Function parse error: delimitor \",\" expected between arguments."},
      {u"F(a,b,c,d,e,f,g,h,i,j,k,l)=1", "Function \"F\" is given 12 arguments; it takes at most 11."},
      {u"F()=1", "no error"},
  };
  for (const TExpressionCase& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Text));
    std::string message = "no error";
    try {
      lstVODRegFunctions->AddFunction(c.Text);
    } catch (const ESMIParseException& e) {
      message = StringToUtf8(e.Message());
    }
    EXPECT_EQ(message, c.Expected);
  }
  EXPECT_EQ(lstVODRegFunctions->Count(), FCount + 1);
}

TEST_F(UserFunctions, ApplyArgumentsThenCalculate) {
  TSMIParserFunction* f = lstVODRegFunctions->AddFunction(u"F(a, b)=a*10+b");
  EXPECT_EQ(f->ArgCount(), 2);
  f->ApplyArguments({Variant(4), Variant(2.0)});
  Variant value;
  f->Calculate(value);
  EXPECT_EQ(Describe(value), "double:42");
}

TEST(ExpressionLimits, NestingArgumentsAndText) {
  String deep;
  for (int i = 0; i < 600; ++i) deep += u"(1+";
  deep += u"1";
  deep += String(600, u')');
  EXPECT_EQ(EvaluateText(deep), "Expression is nested deeper than 512 levels.");

  String chain = u"1";
  for (int i = 0; i < 400; ++i) chain += u"+1";
  EXPECT_EQ(EvaluateText(chain), "double:401");

  EXPECT_EQ(EvaluateText(u"PADL(\"a\", 100000000)"), "Expression works on more than 33554432 characters of text.");
  EXPECT_EQ(EvaluateText(u"LENGTH(PADL(\"a\", 100000))"), "int:100000");
}

}  // namespace
