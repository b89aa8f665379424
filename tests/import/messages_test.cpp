// The suite's message texts: all of them are there, the ones the engine
// raises are exact, and a host can replace a text at run time.
#include <gtest/gtest.h>

#include "import/ImportMessages.h"
#include "platform/rtl/Strings.h"

namespace {

TEST(ImportMessages, TableHoldsEveryTextFilledAtStart) {
  EXPECT_EQ(ImportMessageCount(), 315);
#define SMI_EXPECT_FILLED(name, text) EXPECT_EQ(name, String(text)) << #name;
  SMI_MESSAGES(SMI_EXPECT_FILLED)
#undef SMI_EXPECT_FILLED
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
