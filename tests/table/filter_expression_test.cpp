// Filter expressions: the lexer, the tree a text is parsed into, the
// errors, evaluation against records, and wildcard matching.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "tests/support/exception_message.h"
#include "store_fixture.h"
#include "table/BoolParser.h"

namespace {

std::string U8(StringView s) { return StringToUtf8(s); }

// Number texts and dates in these tests are written for these settings.
class SettingsScope {
 public:
  explicit SettingsScope(WideChar decimalSeparator = u',') : FSaved(FormatSettings) {
    FormatSettings = TFormatSettings::Slovene();
    FormatSettings.DecimalSeparator = decimalSeparator;
  }
  ~SettingsScope() { FormatSettings = FSaved; }

 private:
  TFormatSettings FSaved;
};

std::string LexemsOf(StringView text, const std::function<void(TBoolParser&)>& setup = {}) {
  TBoolParser parser(text);
  if (setup) setup(parser);
  std::string out;
  String lexem;
  for (int code = parser.GetNext(lexem); code != lcEnd; code = parser.GetNext(lexem)) {
    if (!out.empty()) out += ' ';
    switch (code) {
      case lcIdent: out += "id:"; break;
      case lcNumber: out += "num:"; break;
      case lcString: out += "str:"; break;
      case lcSymbol: out += "sym:"; break;
      case lcBlank: out += "blank:"; break;
      case lcComment: out += "rem:"; break;
      default: out += std::to_string(code) + ":"; break;
    }
    out += U8(lexem);
  }
  return out;
}

TEST(BoolParser, Lexemes) {
  SettingsScope settings(u',');
  const TextCase cases[] = {
      {u" \t\r\n", ""},
      {u"abc _x1$ \u010Dev $a", "id:abc id:_x1$ id:\u010Dev sym:$ id:a"},
      // Keywords in any case, upper-cased; a longer identifier is no keyword.
      {u"and Between fAlSe in is like lower not null or true upper andy",
       "13:AND 24:BETWEEN 14:FALSE 21:IN 15:IS 16:LIKE 22:LOWER 17:NOT 18:NULL 19:OR 20:TRUE 23:UPPER id:andy"},
      // The longest table symbol wins; others are single characters.
      {u"= > < >= <= <> ( ) - + [ ] =< >> <-", "1:= 2:> 3:< 4:>= 5:<= 6:<> 7:( 8:) 9:- 10:+ 11:[ 12:] 1:= 3:< 2:> 2:> 3:< 9:-"},
      {u"! # % & * , . / : ; ? @ \\ ^ ` { | } ~", "sym:! sym:# sym:% sym:& sym:* sym:, sym:. sym:/ sym:: sym:; sym:? sym:@ sym:\\ sym:^ sym:` sym:{ sym:| sym:} sym:~"},
      // Numbers: digits, then the locale's separator and at least one digit.
      {u"12 1,5 1, 1.5 2e3 007", "num:12 num:1,5 num:1 sym:, num:1 sym:. num:5 num:2 id:e3 num:007"},
      // Strings: doubled single quotes stay doubled and do not end either kind.
      {u"'a' 'O''Brien' \"x''y\" \"O'Brien\" \"a\"\"b\" ''", "str:a str:O''Brien str:x''y str:O'Brien str:a str:b str:"},
      {u"'open", "str:open"},
      {u"a /* x */ b // rest\nc /* open", "id:a rem:/* x */ id:b rem:// rest id:c rem:/* open"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(U8(c.Text));
    EXPECT_EQ(LexemsOf(c.Text), c.Expected);
  }
}

TEST(BoolParser, SwitchesAreThisParsersOwn) {
  SettingsScope settings(u',');
  EXPECT_EQ(LexemsOf(u"a  b\t'x''y' [ab cd]", [](TBoolParser& p) {
              p.OmitBlank = false;
              p.QuotedString = true;
            }),
            "id:a blank:   id:b blank:\t str:'x''y' blank:  11:[ id:ab blank:  id:cd 12:]");
  EXPECT_EQ(LexemsOf(u"1.5 1,5", [](TBoolParser& p) { p.DecSeparator = u'.'; }), "num:1.5 num:1 sym:, num:5");
  EXPECT_EQ(LexemsOf(u"a /* x */ b", [](TBoolParser& p) { p.OmitComment = true; }), "id:a id:b");
  // A name in brackets keeps its blanks and takes everything up to "]".
  TBoolParser parser(u"[ Order  Date ] x [open");
  String lexem;
  ASSERT_EQ(parser.GetNext(lexem), lxLeftSqBracket);
  EXPECT_EQ(U8(parser.ReadBracketedName()), " Order  Date ");
  EXPECT_EQ(parser.GetNext(lexem), lcIdent);
  ASSERT_EQ(parser.GetNext(lexem), lxLeftSqBracket);
  EXPECT_EQ(U8(parser.ReadBracketedName()), "open");
  EXPECT_EQ(parser.GetNext(lexem), lcEnd);
}

TEST(BoolParser, UnknownCharacterIsAnError) {
  const TextCase cases[] = {{u"a \x01", "Parser: The unknown symbol $0001  '\x01'"},
                            {u"\x7F", "Parser: The unknown symbol $007F  '\x7F'"}};
  for (const TextCase& c : cases) {
    EXPECT_EQ(ExceptionMessage([&] { LexemsOf(c.Text); }), c.Expected);
  }
}

// A record set whose filter tree and evaluation tests can reach.
class FilterStore : public TestStore {
 public:
  FilterStore()
      : TestStore({{u"Name", dtString, 20},
                   {u"Amount", dtFloat},
                   {u"Id", dtInt32},
                   {u"Born", dtDate},
                   {u"Flag", dtBoolean},
                   {u"First Name", dtWideString, 20}}) {}

  // Ids of the records the filter selects, in store order.
  std::vector<int> Selected(const char16_t* filter) {
    SetFilterText(filter);
    std::vector<int> ids;
    for (TItemHeader* item = GetFirstItem(); item != nullptr; item = item->Next) {
      TRecBuf rec = TBlockManager::GetRecordPtr(item);
      if (!HasFilterExpression() || EvaluateFilterExpression(rec)) ids.push_back(GetValue(rec, 2).AsInteger());
    }
    return ids;
  }
  bool Accepts(TRecBuf rec) { return EvaluateFilterExpression(rec); }
  Integer Depth() const { return FFilterDepth; }
  TBoolParser* Parser() const { return FParser; }
};

std::string Dump(const TExpressionNode* node);

std::string DumpValue(const Variant& v) {
  switch (v.VarType()) {
    case varNull: return "NULL";
    case varBoolean: return v.AsBoolean() ? "TRUE" : "FALSE";
    case varInt64: return std::to_string(v.AsInt64());
    case varDouble: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%gd", v.AsDouble());
      return buf;
    }
    default: return "'" + U8(v.AsString()) + "'";
  }
}

// Chains of AND and OR print flat: (or a b c).
std::string DumpChain(const TExpressionNode* node, const char* name) {
  std::string out = std::string("(") + name;
  const TExpressionType type = node->NodeType;
  for (; node->NodeType == type; node = node->RightOperand) out += " " + Dump(node->LeftOperand);
  return out + " " + Dump(node) + ")";
}

std::string Dump(const TExpressionNode* node) {
  static const char* const ops[] = {"=", ">", "<", ">=", "<=", "<>"};
  std::string out;
  switch (node->NodeType) {
    case ntAnd: return DumpChain(node, "and");
    case ntOr: return DumpChain(node, "or");
    case ntNot: return "(not " + Dump(node->LeftOperand) + ")";
    case ntTrue: return "true";
    case ntFalse: return "false";
    case ntLike: return "(like " + Dump(node->LeftOperand) + " " + Dump(node->RightOperand) + ")";
    case ntNotLike: return "(not-like " + Dump(node->LeftOperand) + " " + Dump(node->RightOperand) + ")";
    case ntIn: return "(in " + Dump(node->LeftOperand) + " " + Dump(node->RightOperand) + ")";
    case ntNotIn: return "(not-in " + Dump(node->LeftOperand) + " " + Dump(node->RightOperand) + ")";
    case ntField: out = U8(node->FieldDesc->FName); break;
    case ntValue:
      if (node->IsValueList) {
        out = "[";
        for (const Variant& item : node->ValueList) out += (out.size() > 1 ? " " : "") + DumpValue(item);
        out += "]";
      } else {
        out = DumpValue(node->Value);
      }
      break;
    default:
      if (node->NodeType <= ntNoEqual) {
        return std::string("(") + ops[node->NodeType] + " " + Dump(node->LeftOperand) + " " +
               Dump(node->RightOperand) + ")";
      }
      return "?";
  }
  if (node->LeftOperand != nullptr) {
    out = (node->LeftOperand->NodeType == ntLower ? "(lower " : "(upper ") + out + ")";
  }
  return out;
}

TEST(FilterParse, Trees) {
  SettingsScope settings(u',');
  FilterStore store;
  const TextCase cases[] = {
      {u"Name = 'A*'", "(= Name 'A*')"},
      // NOT binds tighter than AND, AND tighter than OR.
      {u"NOT Id = 1 AND Amount = 2", "(and (not (= Id 1)) (= Amount 2))"},
      {u"Id = 1 OR Id = 2 AND Id = 3 OR Id = 4", "(or (= Id 1) (and (= Id 2) (= Id 3)) (= Id 4))"},
      {u"(Id = 1 OR Id = 2) AND NOT (Id = 3)", "(and (or (= Id 1) (= Id 2)) (not (= Id 3)))"},
      {u"Id>1 OR Id<2 OR Id>=3 OR Id<=4 OR Id<>5", "(or (> Id 1) (< Id 2) (>= Id 3) (<= Id 4) (<> Id 5))"},
      {u"TRUE OR false", "(or true false)"},
      // Numbers: integers stay integers; a sign or a fraction makes a float.
      {u"Amount = 2,5 OR Amount = -3 OR Amount = +4 OR Id = 99999999999999999999",
       "(or (= Amount 2.5d) (= Amount -3d) (= Amount 4d) (= Id 1e+20d))"},
      {u"Name = 'O''Brien' OR Name = \"O'Brien\" OR Name = \"it''s\"",
       "(or (= Name 'O'Brien') (= Name 'O') (= Name 'it's'))"},
      {u"Name IS NULL OR Name IS NOT NULL", "(or (= Name NULL) (<> Name NULL))"},
      {u"Flag = TRUE AND Flag <> FALSE", "(and (= Flag TRUE) (<> Flag FALSE))"},
      {u"Name LIKE 'A%' AND Name NOT LIKE '%b'", "(and (like Name 'A%') (not-like Name '%b'))"},
      // A list reads "." decimals on every locale; doubled quotes stay doubled.
      {u"Amount IN (1, 2.5 -3, +4.0) OR Name NOT IN ('O''Brien' -'x')",
       "(or (in Amount [1 2.5d -3 4d]) (not-in Name ['O''Brien' '-x']))"},
      {u"Id IN ()", "(in Id [])"},
      {u"Amount BETWEEN -1 AND 5", "(and (>= Amount -1d) (<= Amount 5))"},
      {u"Name NOT BETWEEN 'a' AND 'c'", "(or (< Name 'a') (> Name 'c'))"},
      {u"Amount BETWEEN 1 AND 5 AND Id = 2", "(and (and (>= Amount 1) (<= Amount 5)) (= Id 2))"},
      {u"LOWER(Name) = UPPER('abc') OR upper([First Name]) = 'X'",
       "(or (= (lower Name) (upper 'abc')) (= (upper First Name) 'X'))"},
      {u"[First Name]=name", "(= First Name Name)"},
      {u"1 = Id", "(= 1 Id)"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(U8(c.Text));
    store.CreateFilterExpression(c.Text);
    ASSERT_NE(store.FilterExpression(), nullptr);
    EXPECT_EQ(Dump(store.FilterExpression()), c.Expected);
    EXPECT_EQ(store.Parser(), nullptr);
  }
}

TEST(FilterParse, Errors) {
  SettingsScope settings(u',');
  FilterStore store;
  const char* illegal = "Illegal filter expression";
  const TextCase cases[] = {
      {u"Id =", illegal},
      {u"Id", illegal},
      {u"= 1", illegal},
      {u"Id = 1 Id = 2", illegal},
      {u"(Id = 1", illegal},
      {u"Id = 1)", illegal},
      {u"TRUE = Id", illegal},
      {u"NULL = Id", illegal},
      {u"] = 1", illegal},
      {u"BETWEEN = 1", illegal},
      {u"Id IS 1", illegal},
      {u"Id IS NOT 1", illegal},
      {u"Id NOT = 1", illegal},
      {u"Id IN 1", illegal},
      {u"Id IN (1 Id)", illegal},
      {u"Id IN (1", illegal},
      {u"Id BETWEEN 1 OR 2", illegal},
      {u"Id BETWEEN 1 AND -2", illegal},
      {u"Id BETWEEN 1 AND Id", illegal},
      {u"Id NOT BETWEEN -1 AND 2", illegal},
      {u"Id NOT BETWEEN Id AND 2", illegal},
      {u"Id = - Id", illegal},
      {u"LOWER Name = 'a'", illegal},
      {u"LOWER(1) = 'a'", illegal},
      {u"LOWER(Name = 'a'", illegal},
      {u"Id = 1 // note", illegal},
      {u"Id = 1, 2", illegal},
      {u"Name.First = 1", "Field Name.First not found"},
      {u"Name. = 1", illegal},
      // A value list means something only after IN.
      {u"Id = (1, 2)", illegal},
      {u"Id BETWEEN (1) AND 2", illegal},
      {u"Nope = 1", "Field Nope not found"},
      {u"[No pe] = 1", "Field No pe not found"},
      {u"Name = [ Name]", "Field  Name not found"},  // blanks in brackets are kept
      {u"LOWER(Nope) = 'a'", "Field Nope not found"},
      {u"Id = 1 # 2", illegal},
      {u"Id = 1 \x02", "Parser: The unknown symbol $0002  '\x02'"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(U8(c.Text));
    EXPECT_EQ(ExceptionMessage([&] { store.CreateFilterExpression(c.Text); }), c.Expected);
    EXPECT_EQ(store.FilterExpression(), nullptr);
    EXPECT_EQ(store.Parser(), nullptr);
  }
}

TEST(FilterParse, EmptyTextGivesNoExpression) {
  FilterStore store;
  for (const char16_t* text : {u"", u"   ", u" \t\r\n "}) {
    store.CreateFilterExpression(u"Id = 1");
    store.CreateFilterExpression(text);
    EXPECT_EQ(store.FilterExpression(), nullptr);
  }
}

// Nesting is capped so that no text can exhaust the stack; long chains of
// AND and OR are not nesting and have no limit.
TEST(FilterParse, NestingIsCappedChainsAreNot) {
  FilterStore store;
  TRecBuf rec = store.NewRecord();
  store.SetValue(rec, 2, 7);
  auto nested = [](int depth, const String& open, const String& close) {
    String text;
    for (int i = 0; i < depth; ++i) text += open;
    text += u"Id = 7";
    for (int i = 0; i < depth; ++i) text += close;
    return text;
  };
  store.CreateFilterExpression(nested(255, u"(", u")"));
  EXPECT_TRUE(store.Accepts(rec));
  store.CreateFilterExpression(nested(254, u"NOT ", u""));
  EXPECT_TRUE(store.Accepts(rec));
  for (const String& text : {nested(256, u"(", u")"), nested(256, u"NOT ", u""), nested(100000, u"(", u")")}) {
    EXPECT_EQ(ExceptionMessage([&] { store.CreateFilterExpression(text); }), "Illegal filter expression");
    EXPECT_EQ(store.FilterExpression(), nullptr);
    EXPECT_EQ(store.Depth(), 0);
  }
  String chain = u"Id = 0";
  for (int i = 1; i <= 200000; ++i) chain += (i % 2 ? u" OR Id = " : u" AND Id <> ") + IntToStr(i);
  store.CreateFilterExpression(chain);
  EXPECT_TRUE(store.Accepts(rec));
  store.SetValue(rec, 2, -1);
  EXPECT_FALSE(store.Accepts(rec));
}

TEST(FilterParse, CalculatedFieldsAreNoted) {
  TestStore store({{u"Id", dtInt32}, {u"Name", dtString, 10}, {u"Twice", dtInt32, 0, fdkCalculated}});
  store.CreateFilterExpression(u"Id = 1 OR Name = 'a'");
  EXPECT_FALSE(store.FilterExpression()->UseCalculatedFields);
  store.CreateFilterExpression(u"Id = 1 OR Twice = 2");
  EXPECT_TRUE(store.FilterExpression()->UseCalculatedFields);
}

class FilterEval : public testing::Test {
 protected:
  void SetUp() override {
    // Id 1..8; Name, Amount, Born, Flag, First Name.
    const Variant null = Variant::Null();
    const Variant born = Variant::FromDateTime(EncodeDate(2000, 2, 1));
    const Variant bornLate = Variant::FromDateTime(EncodeDate(2000, 2, 2));
    store.AppendValues({String(u"Anna"), 1, 1, born, true, String(u"anna")});
    store.AppendValues({String(u"Bob"), 2.5, 2, null, false, null});
    store.AppendValues({String(u"O'Brien"), -3, 3, bornLate, null, null});
    store.AppendValues({String(u"A*"), 4, 4, null, null, null});
    store.AppendValues({String(u""), 5, 5, null, null, null});
    store.AppendValues({null, null, 6, null, null, null});
    store.AppendValues({String(u"abc"), 7, 7, null, null, null});
    store.AppendValues({String(u"ABC"), 2.25, 8, null, null, null});
  }
  void Check(const char16_t* filter, std::vector<int> expected) {
    SCOPED_TRACE(U8(filter));
    EXPECT_EQ(store.Selected(filter), expected);
  }
  SettingsScope settings{u','};
  FilterStore store;
};

TEST_F(FilterEval, ComparisonsNullsAndLogic) {
  Check(u"Id = 2", {2});
  Check(u"Id > 6", {7, 8});
  Check(u"Id >= 6 AND Id <= 7", {6, 7});
  Check(u"Id < 2 OR Id > 7", {1, 8});
  Check(u"Id <> 1 AND NOT Id > 2", {2});
  Check(u"NOT Id = 1 AND Id < 3", {2});
  Check(u"TRUE", {1, 2, 3, 4, 5, 6, 7, 8});
  Check(u"FALSE OR Id = 3", {3});
  // Ordering with a null on either side is false, also in BETWEEN.
  Check(u"Amount > NULL OR Amount < NULL OR Amount >= NULL", {});
  Check(u"Amount < 0 OR Amount > 4", {3, 5, 7});
  Check(u"Amount BETWEEN 1 AND 2,5", {1, 2, 8});
  Check(u"Amount NOT BETWEEN 1 AND 5", {3, 7});
  // The locale's decimal separator in a plain number.
  Check(u"Amount > 2,25", {2, 4, 5, 7});
  Check(u"Amount = 2,5", {2});
  // A number equals a text that reads as that number.
  Check(u"Id = '3'", {3});
  Check(u"[First Name] = 'anna'", {1});
}

TEST_F(FilterEval, ValueLists) {
  // "." decimals and "," separators in a list whatever the locale.
  for (WideChar separator : {u',', u'.'}) {
    SCOPED_TRACE(static_cast<char>(separator));
    FormatSettings.DecimalSeparator = separator;
    store.SetFilterText(u"");
    Check(u"Amount IN (1, 2.5, -3)", {1, 2, 3});
    Check(u"Amount NOT IN (1 2.5 -3)", {4, 5, 6, 7, 8});
  }
  Check(u"Name IN ('Bob', 'abc')", {2, 7});
  Check(u"Id IN ()", {});
  Check(u"Id NOT IN ()", {1, 2, 3, 4, 5, 6, 7, 8});
  // Doubled quotes stay doubled inside a list.
  Check(u"Name IN ('O''Brien')", {});
  Check(u"Name IN (\"O'Brien\")", {3});
  // Patterns work in lists too.
  Check(u"Name IN ('A%', 'b*')", {1, 4, 8});
}

TEST_F(FilterEval, WildcardsAndPartialCompare) {
  Check(u"Name = 'A*'", {1, 4, 8});
  Check(u"Name <> 'A*'", {2, 3, 5, 6, 7});
  Check(u"Name LIKE 'A%'", {1, 4, 8});
  Check(u"Name LIKE '_b_'", {7});
  Check(u"Name NOT LIKE '%b%'", {1, 3, 4, 5, 6, 8});
  Check(u"Name = 'O''Brien'", {3});
  Check(u"Name = \"O'Brien\"", {});
  // An empty name matches the empty pattern, so IS NULL takes it too.
  Check(u"Name IS NULL", {5, 6});
  Check(u"Name IS NOT NULL", {1, 2, 3, 4, 7, 8});
  Check(u"Name = ''", {5});
  // A pattern against a number: only for <> and LIKE, not for =.
  Check(u"Id LIKE '_'", {1, 2, 3, 4, 5, 6, 7, 8});
  Check(u"Id <> '1*'", {2, 3, 4, 5, 6, 7, 8});

  store.FFilterNoPartialCompare = true;
  Check(u"Name = 'A*'", {4});
  Check(u"Name LIKE 'A*'", {4});
  Check(u"Name LIKE 'A%'", {1, 4, 8});
  Check(u"Name LIKE '*c'", {7});
  Check(u"Name IS NULL", {6});
}

TEST_F(FilterEval, CaseInsensitiveAndCaseMarkers) {
  Check(u"Name = 'abc'", {7});
  Check(u"LOWER(Name) = 'abc'", {7, 8});
  Check(u"UPPER(Name) = UPPER('Abc')", {7, 8});
  Check(u"LOWER([First Name]) = 'ANNA'", {});
  store.FFilterCaseInsensitive = true;
  Check(u"Name = 'abc'", {7, 8});
  Check(u"Name IN ('bob', \"o'brien\")", {2, 3});
  Check(u"Name LIKE 'a%'", {1, 4, 7, 8});
  // The constant is upper-cased, the field lower-cased after that.
  Check(u"LOWER(Name) = 'abc'", {});
}

TEST_F(FilterEval, DatesAndBooleans) {
  Check(u"Born = '1.2.2000'", {1});
  Check(u"Born > '1.2.2000'", {3});
  Check(u"Born >= '1.2.2000 12:00:00'", {3});
  Check(u"Born IN ('1.2.2000', '5.5.2005')", {1});
  Check(u"'1.2.2000' < Born", {3});
  EXPECT_THROW(store.Selected(u"Born = 'soon'"), Exception);
  Check(u"Flag = TRUE", {1});
  Check(u"Flag = 1", {1});
  Check(u"Flag = 'False'", {2});
  Check(u"Flag <> TRUE", {2, 3, 4, 5, 6, 7, 8});
  Check(u"Flag IS NULL", {3, 4, 5, 6, 7, 8});
}

TEST_F(FilterEval, FaultyTextOnAnOpenStoreKeepsTheOldTextAndDropsTheFilter) {
  Check(u"Id = 2", {2});
  EXPECT_THROW(store.SetFilterText(u"Id = "), Exception);
  EXPECT_EQ(store.FilterText(), u"Id = 2");
  EXPECT_EQ(store.FilterExpression(), nullptr);
  EXPECT_FALSE(store.Filtered());
  // A closed store parses the text when it opens.
  store.Close();
  store.SetFilterText(u"Nope = 1");
  EXPECT_THROW(store.Open(), Exception);
  EXPECT_FALSE(store.Active());
}

TEST_F(FilterEval, TheStoreHidesWhatTheFilterRejects) {
  store.SetFilterText(u"Amount > 2 OR Name LIKE 'A%'");
  for (TItemHeader* item = store.GetFirstItem(); item != nullptr; item = item->Next) item->FilterResult = fsNotChecked;
  std::vector<int> seen;
  store.SetToBegin();
  for (;;) {
    TRecBuf rec = store.NewRecord();
    store.GetNextRecord(rec);
    if (store.GetEOF()) break;
    seen.push_back(store.GetValue(rec, 2).AsInteger());
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 4, 5, 7, 8}));
  EXPECT_TRUE(store.Filtered());
}

// The matcher's defining algorithm, written as it is specified: a recursive
// walk where a wildcard first lets the rest of the mask try the text, and
// takes one more character when that fails. Exponential at worst; the
// engine's matcher must give the same answers.
enum RefResult { rFalse, rTrue, rEnd };
RefResult RefSubMatchesMask(StringView text, StringView mask, bool noPartial, size_t t, size_t m) {
  while (m < mask.size()) {
    char16_t c = mask[m];
    if (t >= text.size() && c != u'*' && c != u'%') break;
    if (c == u'%' || (c == u'*' && !(noPartial && m + 1 == mask.size()))) {
      if (m + 1 == mask.size()) return rTrue;
      RefResult r = RefSubMatchesMask(text, mask, noPartial, t, m + 1);
      if (r != rFalse) return r;
      if (t >= text.size()) return rEnd;
      ++t;
      continue;
    }
    if (c == u'\\' && m + 1 < mask.size()) c = mask[++m];
    if (t >= text.size()) return rFalse;
    const bool anyOne = c == u'_' && !(m > 0 && mask[m - 1] == u'\\');
    if (!anyOne && text[t] != c) return rFalse;
    ++t;
    ++m;
  }
  if (t < text.size()) return rFalse;
  return m >= mask.size() ? rTrue : rEnd;
}

TEST(MatchesMask, Cases) {
  struct Case {
    const char16_t* Text;
    const char16_t* Mask;
    bool Plain;      // FFilterNoPartialCompare off
    bool NoPartial;  // on
  };
  const Case cases[] = {
      {u"", u"", true, true},
      {u"", u"%", true, true},
      {u"", u"*", true, false},
      {u"", u"_", false, false},
      {u"Anna", u"A*", true, false},
      {u"A*", u"A*", true, true},
      {u"Anna", u"A%", true, true},
      {u"Anna", u"*n*a", true, true},
      {u"abc", u"*c*", true, false},
      {u"abc*", u"*c*", true, true},
      {u"abc", u"a_c", true, true},
      {u"ac", u"a_c", false, false},
      {u"abxbyd", u"%b_d", true, true},
      {u"abc", u"ABC", false, false},
      // Backslashes: the next character is literal; a last one is itself.
      {u"a_c", u"a\\_c", true, true},
      {u"abc", u"a\\_c", false, false},
      {u"a*c", u"a\\*c", true, true},
      {u"abc", u"a\\*c", false, false},
      {u"a%", u"a\\%", true, true},
      {u"a\\", u"a\\", true, true},
      {u"a\\b", u"a\\\\b", true, true},
      // A _ right after a backslash is literal, even an escaped one.
      {u"a\\_", u"a\\\\_", true, true},
      {u"a\\x", u"a\\\\_", false, false},
      {u"a\\xyz", u"a\\\\*", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.Text) + " ~ " + U8(c.Mask));
    EXPECT_EQ(MatchesMask(c.Text, c.Mask, false), c.Plain);
    EXPECT_EQ(MatchesMask(c.Text, c.Mask, true), c.NoPartial);
    EXPECT_EQ(RefSubMatchesMask(c.Text, c.Mask, false, 0, 0) == rTrue, c.Plain);
    EXPECT_EQ(RefSubMatchesMask(c.Text, c.Mask, true, 0, 0) == rTrue, c.NoPartial);
  }
}

// Every mask of up to 5 characters over a, *, %, _ and \ against every text
// of up to 4 characters over a, b, %, _, \ and *, both ways of partial
// compare.
TEST(MatchesMask, AgreesWithTheDefiningAlgorithm) {
  auto all = [](StringView alphabet, size_t maxLength) {
    std::vector<String> out{String()};
    for (size_t begin = 0, length = 1; length <= maxLength; ++length) {
      const size_t end = out.size();
      for (size_t i = begin; i < end; ++i) {
        for (char16_t c : alphabet) out.push_back(out[i] + c);
      }
      begin = end;
    }
    return out;
  };
  const std::vector<String> masks = all(u"a*%_\\", 5);
  const std::vector<String> texts = all(u"ab%_\\*", 4);
  size_t mismatches = 0;
  for (const String& mask : masks) {
    for (const String& text : texts) {
      for (bool noPartial : {false, true}) {
        const bool expected = RefSubMatchesMask(text, mask, noPartial, 0, 0) == rTrue;
        if (MatchesMask(text, mask, noPartial) != expected && ++mismatches <= 10) {
          ADD_FAILURE() << U8(text) << " ~ " << U8(mask) << " noPartial " << noPartial;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

TEST(MatchesMask, ManyWildcardsOnALongTextStayFast) {
  const String text(20000, u'a');
  String mask;
  for (int i = 0; i < 30; ++i) mask += u"%a";
  EXPECT_TRUE(MatchesMask(text, mask, false));
  EXPECT_FALSE(MatchesMask(text, mask + u"b", false));
  EXPECT_FALSE(MatchesMask(text, String(20000, u'%') + u"b", false));
}

}  // namespace
