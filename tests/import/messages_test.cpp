// The suite's message texts: all of them are there and builder items are
// well formed, the ones the engine raises are exact, and a host can replace
// a text at run time.
#include <gtest/gtest.h>

#include <algorithm>

#include "import/ImportMessages.h"
#include "platform/rtl/Strings.h"

namespace {

// Every text is there after the start, and every expression-builder item
// with a code in front splits into "code display|template|help" as the
// builder reads it (constants such as True have an empty template).
TEST(ImportMessages, EveryTextIsFilledAndBuilderItemsHaveThreeParts) {
  int items = 0;
  auto check = [&](const char* name, const String& text) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(text.empty());
    if (text.size() < 5 || !std::all_of(text.begin(), text.begin() + 5, [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
      return;
    }
    ++items;
    size_t first = text.find(u'|');
    size_t second = first == String::npos ? String::npos : text.find(u'|', first + 1);
    ASSERT_NE(second, String::npos) << StringToUtf8(text);
    EXPECT_EQ(text.find(u'|', second + 1), String::npos) << StringToUtf8(text);
    EXPECT_GT(first, 5u) << StringToUtf8(text);                // a display text after the code
    EXPECT_LT(second + 1, text.size()) << StringToUtf8(text);  // a help text
  };
#define SMI_CHECK_TEXT(name, text) check(#name, name);
  SMI_MESSAGES(SMI_CHECK_TEXT)
#undef SMI_CHECK_TEXT
  EXPECT_GT(items, 0);
}

TEST(ImportMessages, TextsByteForByte) {
  const std::pair<const String*, const char*> cases[] = {
      {&strPropertyError, "Property %s wasn't specified."},
      {&strImportError, "An error has occurred during the data import process."},
      {&strImportCanceled, "The data import process was canceled by the user."},
      {&strEXLSInvalidSST, "String in SST (Options byte is 0x%.2x) can not be processed."},
      {&strEParseInvalidCharacter, "Parse error: illegal character \"%s\" at position %d."},
      {&strEParseDelimiter, "Function parse error: delimitor \"%s\" expected between arguments."},
      {&strEBAbs, "30002ABS(%n)|Abs(%n)|returns the absolute value of the argument"},
      {&strLblStep5B,
       "Lines with arrows signify field breaks.\r\nTo CREATE a break line, click at the desired position\r\n"
       "To DELETE a break line, double click on the line\r\nTo MOVE a break line, click and drag it"},
      {&strFormat6E, "Excel 12  Macro-Enabled Template (*.xltm)"},
      {&strAllFiles, "All files (*.*)|*.*"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(StringToUtf8(*text), expected);
}

TEST(ImportMessages, HostCanReplaceATextAndUnitEndClearsThem) {
  const String saved = strImportOk;
  strImportOk = u"Uvoz je kon\u010Dan.";
  EXPECT_EQ(strImportOk, u"Uvoz je kon\u010Dan.");
  ClearImportMessages();
  EXPECT_TRUE(strImportOk.empty());
  EXPECT_TRUE(strEParse.empty());
  InitImportMessages();
  EXPECT_EQ(strImportOk, saved);
}

}  // namespace
