// The export's XML writer: escaping by policy, UTF-8 (with characters beyond
// the Basic Multilingual Plane) and UTF-16, nesting, and buffer edges. An
// independent parser (Python's ElementTree) reads back what it wrote.
#include "export/writers/XmlStreamWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "tests/export/run_tool.h"

namespace {

std::string Written(TMemoryStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

std::string Escaped(StringView text, const TXmlEscapes& escapes, bool attribute) {
  std::string out;
  TXmlStreamWriter::AppendEscaped(out, text, escapes, attribute);
  return out;
}

struct EscapeCase {
  const char16_t* Text;
  bool Spreadsheet;
  bool Attribute;
  const char* Expected;
};

TEST(XmlStreamWriter, EscapesByPolicy) {
  const EscapeCase cases[] = {
      {u"<b>&", false, false, "&lt;b&gt;&amp;"},
      {u"say \"hi\" 'x'", false, false, "say \"hi\" 'x'"},
      {u"say \"hi\" 'x'", false, true, "say &quot;hi&quot; &apos;x&apos;"},
      {u"say \"hi\" 'x'", true, false, "say &quot;hi&quot; &apos;x&apos;"},
      {u"100%", false, false, "100%"},
      {u"100%", true, false, "100&#37;"},
      {u"\u00A9 \u00B0 \u00B6 \u00B1", true, false, "&#169; &#176; &#182; \xC2\xB1"},
      {u"\u00A9", false, false, "\xC2\xA9"},
      {u"a\tb\nc\rd", true, false, "a\tb\nc\rd"},
      {u"a\tb\nc\rd", false, true, "a&#9;b&#10;c&#13;d"},
      {u"a\x0C" u"b\x01", true, false, "a%0Cb%01"},
      {u"a\x0C" u"b\x01", false, false, "ab"},
      {u"\u010D\u0161\u017E\u20AC", false, false, "\xC4\x8D\xC5\xA1\xC5\xBE\xE2\x82\xAC"},
      {u"\U0001F600", false, false, "\xF0\x9F\x98\x80"},
      {u"x\xD800y", false, false, "x\xEF\xBF\xBDy"},
      {u"x\xDC00", false, false, "x\xEF\xBF\xBD"},
  };
  for (const EscapeCase& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Text));
    EXPECT_EQ(Escaped(c.Text, c.Spreadsheet ? XmlEscapesSpreadsheet : XmlEscapesPlain, c.Attribute), c.Expected);
  }
}

TEST(XmlStreamWriter, NestsAndClosesEmptyElements) {
  TMemoryStream stream;
  TXmlStreamWriter xml(&stream);
  xml.Declaration();
  xml.Start("sheet").Attr("name", u"A&B").Attr("n", 12).Attr("x", 1.25);
  xml.Start("empty").End();
  xml.Start("v").Text(Int64{-3}).End();
  xml.Element("t", u"<ok>");
  EXPECT_EQ(xml.Depth(), 1u);
  xml.End();
  xml.Flush();
  EXPECT_EQ(Written(stream),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
            "<sheet name=\"A&amp;B\" n=\"12\" x=\"1.25\"><empty/><v>-3</v><t>&lt;ok&gt;</t></sheet>");
  EXPECT_THROW(xml.End(), Exception);
  EXPECT_THROW(xml.Attr("late", u"x"), Exception);
}

TEST(XmlStreamWriter, NumbersReadBackExactly) {
  TMemoryStream stream;
  TXmlStreamWriter xml(&stream);
  xml.Start("v").Text(0.1).End().Start("v").Text(1e21).End().Start("v").Text(-2.5e-7).End();
  xml.Flush();
  EXPECT_EQ(Written(stream), "<v>0.1</v><v>1e+21</v><v>-2.5e-07</v>");
}

// Every buffer size, down to one byte, gives the same bytes.
TEST(XmlStreamWriter, SameOutputAcrossBufferSizes) {
  auto write = [](size_t bufferSize) {
    TMemoryStream stream;
    TXmlStreamWriter xml(&stream, XmlEscapesSpreadsheet, TXmlEncoding::Utf8, bufferSize);
    xml.Declaration();
    xml.Start("root");
    for (int i = 0; i < 20; ++i) xml.Start("c").Attr("r", i).Text(u"\u017Eaba & \U0001F600 100%").End();
    xml.End();
    xml.Flush();
    EXPECT_EQ(xml.Size(), stream.Size());
    return Written(stream);
  };
  const std::string whole = write(1 << 16);
  for (size_t size : {1, 2, 3, 7, 64}) EXPECT_EQ(write(size), whole) << "buffer " << size;
}

TEST(XmlStreamWriter, WritesUtf16LittleEndian) {
  TMemoryStream stream;
  TXmlStreamWriter xml(&stream, XmlEscapesPlain, TXmlEncoding::Utf16LE);
  xml.Start("a").Text(u"\u017E<").End();
  xml.Flush();
  const std::u16string expected = u"<a>\u017E&lt;</a>";
  std::string bytes;
  for (char16_t c : expected) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  EXPECT_EQ(Written(stream), bytes);
}

// Python's parser reads every text and attribute back as it was given
// (control characters, which XML cannot hold, dropped).
TEST(XmlStreamWriter, IndependentParserReadsValuesBack) {
  if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "/usr/bin/python3 is missing";
  const auto folder = FreshFolder("xml_stream_writer");
  const auto file = folder / "doc.xml";
  {
    TFileStream stream(Utf8ToString(file.string()), fmCreate);
    TXmlStreamWriter xml(&stream, XmlEscapesPlain, TXmlEncoding::Utf8, 5);
    xml.Declaration();
    xml.Start("root").Attr("a", u"q\"'<>&\t\n\r z");
    xml.Element("t", u"line1\nline2 \"quoted\" <&> \u010Cevapi \U0001F600");
    xml.Element("u", u"bell\x07" u"end");
    xml.End();
    xml.Flush();
  }
  const ToolResult read = RunTool("/usr/bin/python3 read_xml.py '" + file.string() + "'");
  ASSERT_EQ(read.ExitCode, 0) << read.Output;
  EXPECT_EQ(read.Output,
            "[[\"root\", {\"a\": \"q\\\"'<>&\\t\\n\\r z\"}, \"\"], "
            "[\"t\", {}, \"line1\\nline2 \\\"quoted\\\" <&> \\u010cevapi \\ud83d\\ude00\"], "
            "[\"u\", {}, \"bellend\"]]\n");
  std::filesystem::remove_all(folder);
}

}  // namespace
