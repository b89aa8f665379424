#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "platform/rtl/Locale.h"
#include "platform/rtl/Strings.h"

namespace {

class LocaleTest : public testing::Test {
 protected:
  void SetUp() override {
    SetUserLocale("sl");
    FSavedCodePage = AnsiCodePage();
    SetAnsiCodePage(1250);
  }
  void TearDown() override {
    SetUserLocale("");
    SetAnsiCodePage(FSavedCodePage);
  }

 private:
  int FSavedCodePage = 0;
};

std::string Utf8(StringView s) { return StringToUtf8(s); }

}  // namespace

TEST_F(LocaleTest, SloveneLettersSortAfterTheirBaseLetters) {
  // Each pair sorts in the order given, case-sensitively.
  struct Case {
    const char16_t *before, *after;
  } cases[] = {
      {u"c", u"\u010D"},          {u"\u010D", u"d"},        {u"cz", u"\u010Da"},  // č is a letter of its own
      {u"s", u"\u0161"},          {u"\u0161", u"t"},        {u"z", u"\u017E"},
      {u"a", u"A"},               {u"A", u"b"},             {u"\u010D", u"\u010C"},  // lower case first
      {u"a-b", u"ab"},            {u"a", u"a b"},           {u"", u"a"},  // punctuation counts
  };
  for (const Case& c : cases) {
    StringView before(c.before), after(c.after);
    SCOPED_TRACE(Utf8(before) + " < " + Utf8(after));
    EXPECT_EQ(AnsiCompareStr(before, after), -1);
    EXPECT_EQ(AnsiCompareStr(after, before), 1);
  }
  // Embedded zero characters take part.
  EXPECT_EQ(AnsiCompareStr(StringView(u"a\0b", 3), StringView(u"a\0c", 3)), -1);
  EXPECT_EQ(AnsiCompareStr(u"\u010Debula", u"\u010Debula"), 0);
}

TEST_F(LocaleTest, SortsAListOfSloveneWords) {
  std::vector<String> words = {u"\u017Eaba", u"zebra", u"\u0160kofja Loka", u"sova", u"\u010Debula",
                               u"cesta", u"Cesta", u"dom", u"\u010Cas"};
  std::sort(words.begin(), words.end(), [](const String& a, const String& b) { return AnsiCompareStr(a, b) < 0; });
  std::vector<String> expected = {u"cesta", u"Cesta", u"\u010Cas", u"\u010Debula", u"dom",
                                  u"sova", u"\u0160kofja Loka", u"zebra", u"\u017Eaba"};
  EXPECT_EQ(words, expected);
}

TEST_F(LocaleTest, IgnoringCaseKeepsAccents) {
  EXPECT_EQ(AnsiCompareText(u"\u010CEBULA", u"\u010Debula"), 0);
  EXPECT_TRUE(AnsiSameText(u"\u0160KOFJA loka", u"\u0161kofja LOKA"));
  EXPECT_FALSE(AnsiSameText(u"cebula", u"\u010Debula"));
  EXPECT_EQ(AnsiCompareText(u"B", u"a"), 1);
  EXPECT_EQ(AnsiCompareText(u"a", u"B"), -1);
  EXPECT_FALSE(AnsiSameStr(u"a", u"A"));
}

TEST_F(LocaleTest, SortKeysOrderLikeCompare) {
  const TCollator& c = TCollator::Current();
  std::vector<String> texts = {u"", u"a", u"A", u"ab", u"a-b", u"c", u"C", u"\u010D", u"\u010C", u"d", u"\u017E", u"zz"};
  for (bool ignoreCase : {false, true}) {
    for (const String& a : texts) {
      for (const String& b : texts) {
        SCOPED_TRACE(Utf8(a) + " / " + Utf8(b) + (ignoreCase ? " ignoring case" : ""));
        int byKey = c.SortKey(a, ignoreCase).compare(c.SortKey(b, ignoreCase));
        EXPECT_EQ((byKey > 0) - (byKey < 0), c.Compare(a, b, ignoreCase));
      }
    }
  }
}

TEST_F(LocaleTest, AnsiTextIsReadInTheAnsiCodePage) {
  // 0xE8 is č and 0xC8 is Č in code page 1250.
  EXPECT_EQ(AnsiCompareStr(std::string_view("c"), std::string_view("\xE8")), -1);
  EXPECT_EQ(AnsiCompareStr(std::string_view("\xE8"), std::string_view("d")), -1);
  EXPECT_EQ(AnsiCompareText(std::string_view("\xC8" "ebula"), std::string_view("\xE8" "EBULA")), 0);
  EXPECT_TRUE(AnsiSameText(std::string_view("ABC"), std::string_view("abc")));
  EXPECT_EQ(AnsiUpperCase(std::string_view("\xE8" "a")), "\xC8" "A");
  EXPECT_EQ(AnsiLowerCase(std::string_view("\xC8" "A")), "\xE8" "a");
}

TEST_F(LocaleTest, CaseMappingIsFullUnicode) {
  EXPECT_EQ(AnsiUpperCase(u"stra\u00DFe \u010D\u0161\u017E"), u"STRASSE \u010C\u0160\u017D");
  EXPECT_EQ(AnsiLowerCase(u"\u010C\u0160\u017D ABC"), u"\u010D\u0161\u017E abc");
  EXPECT_EQ(AnsiUpperCase(u""), u"");
  // The locale takes part: Turkish dotted capital I.
  SetUserLocale("tr");
  EXPECT_EQ(AnsiUpperCase(u"i"), u"\u0130");
}

TEST_F(LocaleTest, UnknownLocalesFallBackToSlovene) {
  for (const char* name : {"C", "POSIX", "xx_YY"}) {
    SCOPED_TRACE(name);
    SetUserLocale(name);
    EXPECT_EQ(UserLocale(), "sl");
    EXPECT_EQ(AnsiCompareStr(u"cz", u"\u010Da"), -1);
  }
  SetUserLocale("en_US");
  EXPECT_EQ(UserLocale(), "en_US");
  // In English č is an accented c, so the second letter decides.
  EXPECT_EQ(AnsiCompareStr(u"cz", u"\u010Da"), 1);
}

TEST_F(LocaleTest, EveryThreadFollowsTheUserLocale) {
  auto compareInThread = [] {
    int result = 0;
    std::thread t([&] { result = AnsiCompareStr(u"cz", u"\u010Da"); });
    t.join();
    return result;
  };
  EXPECT_EQ(compareInThread(), -1);
  SetUserLocale("en");
  EXPECT_EQ(compareInThread(), 1);
}

TEST(Locale, OrdinalTextComparisonUpperCasesEachUnit) {
  struct Case {
    const char16_t *a, *b;
    int expected;
  } cases[] = {
      {u"abc", u"ABC", 0}, {u"\u010D", u"\u010C", 0}, {u"a", u"B", -1}, {u"B", u"a", 1},
      {u"ab", u"a", 1},    {u"", u"", 0},             {u"z", u"\u010D", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.a) + " / " + Utf8(c.b));
    EXPECT_EQ(CompareTextOrdinal(c.a, c.b), c.expected);
  }
}
