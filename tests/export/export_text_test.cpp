#include "export/ExportText.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "export/ExportFields.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"

namespace {

// Fixes the ANSI and OEM code pages a test depends on and restores them.
class CodePages {
 public:
  CodePages(int ansi, int oem) : FAnsi(AnsiCodePage()), FOem(OemCodePage()) {
    SetAnsiCodePage(ansi);
    SetOemCodePage(oem);
  }
  ~CodePages() {
    SetAnsiCodePage(FAnsi);
    SetOemCodePage(FOem);
  }

 private:
  int FAnsi, FOem;
};

// The characters of a converted text as their byte values.
std::vector<int> CharCodes(const String& text) { return std::vector<int>(text.begin(), text.end()); }
std::vector<int> ByteCodes(const std::string& bytes) {
  std::vector<int> out;
  for (char c : bytes) out.push_back(static_cast<unsigned char>(c));
  return out;
}

TEST(ExportPadding, PadsAlignsAndNeverTruncates) {
  using Pad = std::function<String(StringView, Integer)>;
  struct Case {
    const char* name;
    Pad pad;
    String text;
    Integer width;
    String expected;
  };
  const Pad left = PadLSpace, right = PadRSpace, centre = PadCSpace;
  const Case cases[] = {
      {"left", left, u"ab", 5, u"   ab"},
      {"left exact", left, u"abc", 3, u"abc"},
      {"left longer", left, u"abcdef", 3, u"abcdef"},
      {"left zero", left, u"ab", 0, u"ab"},
      {"left empty", left, u"", 2, u"  "},
      {"left negative aligns left", left, u"ab", -5, u"ab   "},
      {"right", right, u"ab", 5, u"ab   "},
      {"right longer", right, u"abcdef", 3, u"abcdef"},
      {"right negative aligns right", right, u"ab", -5, u"   ab"},
      {"centre even remainder", centre, u"ab", 6, u"  ab  "},
      {"centre odd remainder loses a blank", centre, u"ab", 5, u" ab "},
      {"centre exact still one blank", centre, u"abc", 3, u" abc "},
      {"centre one longer still one blank", centre, u"abc", 2, u" abc "},
      {"centre much longer", centre, u"abcdef", 2, u"  abcdef  "},
      {"centre empty", centre, u"", 4, u"    "},
      {"centre negative", centre, u"ab", -5, u"   ab   "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.pad(c.text, c.width), c.expected);
  }
}

TEST(ExportMarkup, ReplacesSystemCharacters) {
  struct Case {
    String text;
    TTableTypeExport type;
    String expected;
  };
  const Case cases[] = {
      {u"plain text 123", teHTML, u"plain text 123"},
      {u"a\tb\nc\rd", teHTML, u"a\tb\nc\rd"},
      {u"\f", teHTML, u"%0C"},
      {String(1, u'\0') + u"\x01\x08\x0B\x1F", teText, u"%00%01%08%0B%1F"},
      {u"\"%&'<>", teText, u"&quot;&#37;&amp;&apos;&lt;&gt;"},
      {u"a<b", teXML, u"a&lt;b"},
      {u"&amp;", teHTML, u"&amp;amp;"},
      // Named entities for HTML; XML and the XLSX parts get numeric references.
      {u"\u00A9\u00B0\u00B6\u00B1", teHTML, u"&copy;&#176;&para;&plusmn;"},
      {u"\u00A9\u00B0\u00B6\u00B1", teXML, u"&#169;&#176;&#182;&#177;"},
      {u"\u00A9\u00B0\u00B6\u00B1", teExcel2007, u"&#169;&#176;&#182;\u00B1"},
      {u"\u00A9\u00B0\u00B6\u00B1", teRTF, u"&copy;&#176;&para;\u00B1"},
      {u"\u010D\u20AC\U0001F600\x7F", teHTML, u"\u010D\u20AC\U0001F600\x7F"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text));
    EXPECT_EQ(ReplaceHTMLSystemChars(c.text, c.type), c.expected);
  }
}

TEST(ExportMarkup, ReplacesTags) {
  struct Case {
    String text, oldTag, newTag, expected;
  };
  const Case cases[] = {
      {u"<b>x</b>", u"b>", u"strong>", u"<strong>x</strong>"},
      {u"aaaa", u"aa", u"b", u"bb"},          // non-overlapping, left to right
      {u"aaa", u"aa", u"aab", u"aaba"},       // the replacement is not searched again
      {u"Tag tag TAG", u"tag", u"x", u"Tag x TAG"},
      {u"abc", u"", u"x", u"abc"},
      {u"abc", u"b", u"b", u"abc"},
      {u"abc", u"b", u"", u"ac"},
      {u"", u"a", u"b", u""},
      {u"abc", u"abcd", u"x", u"abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text + u" / " + c.oldTag));
    EXPECT_EQ(ReplaceTags(c.text, c.oldTag, c.newTag), c.expected);
  }
}

TEST(ExportCharacterSets, OemBytesOnePerCharacter) {
  CodePages pages(1250, 852);
  EXPECT_EQ(AnsiToOemStr(u""), "");
  EXPECT_EQ(ByteCodes(AnsiToOemStr(u"A\u010C\u0107\u017E")), (std::vector<int>{0x41, 0xAC, 0x86, 0xA7}));
  // Characters the DOS code page lacks become '?'.
  EXPECT_EQ(AnsiToOemStr(u"\u20AC"), "?");
  EXPECT_EQ(CharCodes(UECode(true, u"A\u010C\u0107\u017E")), (std::vector<int>{0x41, 0xAC, 0x86, 0xA7}));
  EXPECT_EQ(UECode(false, u"abc"), u"");
  EXPECT_EQ(UECode(true, u""), u"");
}

TEST(ExportCharacterSets, EbcdicTable) {
  struct Case {
    int in, out;
  };
  const Case cases[] = {
      {0x00, 0x00}, {0x0A, 0x0A}, {0x1F, 0x1F},  // control bytes stay
      {0x20, 0x40}, {0x2E, 0x4B}, {0x30, 0xF0}, {0x39, 0xF9}, {0x41, 0xC1}, {0x4A, 0xD1}, {0x53, 0xE2},
      {0x5A, 0xE9}, {0x61, 0x81}, {0x7A, 0xA9},
      // Where the table parts from the common US code page.
      {0x5B, 0xAD}, {0x5D, 0xBD}, {0x5E, 0x5F}, {0x60, 0x7D}, {0x7C, 0x6A}, {0x7F, 0x4B},
      {0x80, 0x4B}, {0xE8, 0x4B}, {0xFF, 0x4B},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(ASCII2EBCDIC(static_cast<Byte>(c.in)), c.out);
  }
}

TEST(ExportCharacterSets, EbcdicTextReadsBackThroughTheMainframeCodePage) {
  CodePages pages(1250, 852);
  EXPECT_EQ(CharCodes(EBCDICCode(u"A1 z")), (std::vector<int>{0xC1, 0xF1, 0x40, 0xA9}));
  EXPECT_EQ(EBCDICCode(u""), u"");
  // Non-ASCII letters are one ANSI byte each and become 0x4B; characters the
  // ANSI code page lacks are '?' first.
  EXPECT_EQ(CharCodes(EBCDICCode(u"\u010D\u20AC\u4E2D")), (std::vector<int>{0x4B, 0x4B, 0x6F}));

  // Every printable character where the table follows the common EBCDIC
  // code page reads back as itself through an independent converter.
  String printable;
  for (char16_t c = 0x20; c < 0x7F; ++c) {
    if (StringView(u"[]^`|").find(c) == StringView::npos) printable += c;
  }
  String ebcdic = EBCDICCode(printable);
  ASSERT_EQ(ebcdic.size(), printable.size());
  std::string bytes(ebcdic.begin(), ebcdic.end());
  EXPECT_EQ(CodePageToString(bytes, CP_EBCDIC), printable);
}

TEST(ExportCharacterSets, EbcdicLengthFollowsTheAnsiBytes) {
  // A multi-byte ANSI code page gives one EBCDIC byte per ANSI byte.
  CodePages pages(936, 852);
  EXPECT_EQ(EBCDICCode(u"a\u4E2D").size(), 3u);
}

TEST(ExportBase64, KnownVectors) {
  struct Case {
    std::string in;
    String out;
  };
  const Case cases[] = {
      {"", u""},
      {"f", u"Zg=="},
      {"fo", u"Zm8="},
      {"foo", u"Zm9v"},
      {"foob", u"Zm9vYg=="},
      {"fooba", u"Zm9vYmE="},
      {"foobar", u"Zm9vYmFy"},
      {"abc", u"YWJj"},
      {"\xFF", u"/w=="},
      {"\xFF\xFE", u"//4="},
      {"\xFF\xFE\xFD", u"//79"},
      {std::string(1, '\0'), u"AA=="},
      {std::string(4, '\0'), u"AAAAAA=="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(Encode64(c.in), c.out);
  }
}

TEST(ExportBase64, EveryByteValue) {
  // python3 -c "import base64; print(base64.b64encode(bytes(range(256))).decode())"
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(StringToUtf8(Encode64(all)),
            "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+P0BBQkNERUZHSElK"
            "S0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3BxcnN0dXZ3eHl6e3x9fn+AgYKDhIWGh4iJiouMjY6PkJGSk5SV"
            "lpeYmZqbnJ2en6ChoqOkpaanqKmqq6ytrq+wsbKztLW2t7i5uru8vb6/wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t/g"
            "4eLj5OXm5+jp6uvs7e7v8PHy8/T19vf4+fr7/P3+/w==");
}

TEST(ExportUtf8, EncodesWholeCharacters) {
  struct Case {
    const char* name;
    String in;
    std::vector<int> out;
  };
  const Case cases[] = {
      {"empty", u"", {}},
      {"one to three bytes", u"a\u00E9\u20AC", {0x61, 0xC3, 0xA9, 0xE2, 0x82, 0xAC}},
      {"boundaries", u"\u007F\u0080\u07FF\u0800\uFFFF",
       {0x7F, 0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF}},
      {"pair to four bytes", u"\U0001F600", {0xF0, 0x9F, 0x98, 0x80}},
      {"highest pair", u"\U0010FFFF", {0xF4, 0x8F, 0xBF, 0xBF}},
      {"pair between letters", u"x\U0001D11Ey", {0x78, 0xF0, 0x9D, 0x84, 0x9E, 0x79}},
      {"lone high surrogate", String(u"a") + char16_t(0xD83D) + u"b", {0x61, 0xEF, 0xBF, 0xBD, 0x62}},
      {"lone low surrogate", String(1, char16_t(0xDE00)), {0xEF, 0xBF, 0xBD}},
      {"high at the end", String(1, char16_t(0xD83D)), {0xEF, 0xBF, 0xBD}},
      {"pair in the wrong order", String{char16_t(0xDE00), char16_t(0xD83D)}, {0xEF, 0xBF, 0xBD, 0xEF, 0xBF, 0xBD}},
      {"embedded zero", String(u"a") + u'\0' + u"b", {0x61, 0x00, 0x62}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ByteCodes(ZAZUtf8Encode(c.in)), c.out);
  }
}

TEST(ExportUtf8, BufferKeepsRoomForTheTerminatorAndWholeCharacters) {
  const String source = u"a\u00E9\u20AC";  // 1 + 2 + 3 bytes
  EXPECT_EQ(ZAZUnicodeToUtf8(nullptr, 0, source.data(), source.size()), 7u);
  EXPECT_EQ(ZAZUnicodeToUtf8(nullptr, 0, nullptr, 3), 0u);
  char untouched = 'x';
  EXPECT_EQ(ZAZUnicodeToUtf8(&untouched, 0, source.data(), source.size()), 0u);
  EXPECT_EQ(untouched, 'x');

  struct Case {
    String source;
    size_t size;
    std::string written;  // including the terminator
  };
  const Case cases[] = {
      {source, 1, std::string(1, '\0')},
      {source, 2, std::string("a\0", 2)},
      {source, 3, std::string("a\0", 2)},  // é does not fit in front of the terminator
      {source, 4, std::string("a\xC3\xA9\0", 4)},
      {source, 6, std::string("a\xC3\xA9\0", 4)},  // nor does € in five bytes
      {source, 7, std::string("a\xC3\xA9\xE2\x82\xAC\0", 7)},
      {source, 64, std::string("a\xC3\xA9\xE2\x82\xAC\0", 7)},
      {u"\U0001F600", 4, std::string(1, '\0')},
      {u"\U0001F600", 5, std::string("\xF0\x9F\x98\x80\0", 5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    std::string buffer(c.size, '#');
    size_t result = ZAZUnicodeToUtf8(buffer.data(), buffer.size(), c.source.data(), c.source.size());
    EXPECT_EQ(result, c.written.size());
    EXPECT_EQ(buffer.substr(0, result), c.written);
    // Nothing after the terminator was touched.
    EXPECT_EQ(buffer.substr(result), std::string(c.size - result, '#'));
  }
}

TEST(ExportDates, W3CDateTime) {
  struct Case {
    const char* name;
    TDateTime value;
    String expected;
  };
  const Case cases[] = {
      {"zero", 0, u""},
      {"date and time", EncodeDateTime(2024, 2, 29, 13, 5, 9, 0), u"2024-02-29T13:05:09Z"},
      {"midnight", EncodeDate(2001, 1, 1), u"2001-01-01T00:00:00Z"},
      {"milliseconds dropped", EncodeDateTime(2020, 12, 31, 23, 59, 59, 400), u"2020-12-31T23:59:59Z"},
      {"before 1899", EncodeDateTime(1850, 6, 1, 6, 0, 0, 0), u"1850-06-01T06:00:00Z"},
      {"first year", EncodeDate(1, 1, 1), u"0001-01-01T00:00:00Z"},
      {"the time only", EncodeTime(12, 30, 0, 0), u"1899-12-30T12:30:00Z"},
  };
  // An export run replaces the process's separators; the W3C text keeps its own.
  const TFormatSettings saved = FormatSettings;
  FormatSettings.DateSeparator = u'/';
  FormatSettings.TimeSeparator = u'.';
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GetXMLDateTime(c.value), c.expected);
  }
  FormatSettings = saved;
  EXPECT_THROW(GetXMLDateTime(1e9), EConvertError);
}

TEST(ExportFieldKinds, TextTypes) {
  for (int t = ftUnknown; t <= ftLastPlatformType; ++t) {
    SCOPED_TRACE(t);
    const bool text = t == ftString || t == ftMemo || t == ftFmtMemo || t == ftFixedChar || t == ftWideString ||
                      t == ftWideMemo;
    EXPECT_EQ(IsStringFieldType(static_cast<TFieldType>(t)), text);
  }
  EXPECT_FALSE(IsStringFieldType(ftDATimeStampOffset));
}

}  // namespace
