#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "tests/support/fixed_formats.h"

TEST(Strings, Utf8RoundTripsOutsideTheBasicPlane) {
  String s = u"a\u010D\U0001F600z";
  EXPECT_EQ(StringToUtf8(s), "a\xC4\x8D\xF0\x9F\x98\x80z");
  EXPECT_EQ(Utf8ToString(StringToUtf8(s)), s);
  // Truncated, overlong and surrogate forms become U+FFFD.
  EXPECT_EQ(Utf8ToString("\xF0\x9F"), u"\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToString("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToString("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
}

TEST(Strings, CodePagesOfTheSloveneDesktop) {
  // c with caron is 0xE8 in 1250 and 0x9F in 852.
  EXPECT_EQ(StringToCodePage(u"\u010D", 1250), "\xE8");
  EXPECT_EQ(StringToCodePage(u"\u010D", 852), "\x9F");
  EXPECT_EQ(CodePageToString("\xE8", 1250), u"\u010D");
  EXPECT_EQ(CodePageToString("\x9F", 852), u"\u010D");
  // A character the code page lacks becomes '?'.
  EXPECT_EQ(StringToCodePage(u"\u4E2D", 1250), "?");
  EXPECT_THROW(CodePageToString("a", 99999), EEncodingError);
}

TEST(Strings, FormatLikeThePlatform) {
  EXPECT_EQ(Format(u"Field %s not found", {String(u"ID")}), u"Field ID not found");
  EXPECT_EQ(Format(u"%d|%5d|%-4s|%.3d|%%", {Int64(-12), Int64(7), String(u"ab"), Int64(5)}), u"-12|    7|ab  |005|%");
  EXPECT_EQ(Format(u"%1:s %0:s", {String(u"a"), String(u"b")}), u"b a");
  {
    FixedFormats formats;
    FormatSettings.DecimalSeparator = u',';
    EXPECT_EQ(Format(u"%.2f", {1.005e3}), u"1005,00");
  }
  EXPECT_THROW(Format(u"%d", {String(u"x")}), EConvertError);
  EXPECT_THROW(Format(u"%s %s", {String(u"x")}), EConvertError);
}
