// The XML writer and its text sink: formatting, escaping, states and errors,
// encodings, well-formed output, and the round trip through the reader.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "tests/support/exception_message.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "table/XmlTextReader.h"
#include "table/XmlTextWriter.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_folder.h"

namespace {

std::string U8(StringView s) { return StringToUtf8(s); }

std::string Bytes(const TMemoryStream& stream) { return std::string(stream.Bytes().begin(), stream.Bytes().end()); }

// What the steps write, as UTF-8 bytes, after Close.
std::string Written(const std::function<void(XmlTextWriter&)>& steps) {
  TMemoryStream stream;
  StreamWriter sink(stream, CP_UTF8);
  XmlTextWriter writer(sink);
  steps(writer);
  writer.Close();
  return Bytes(stream);
}

// The whole rowset document, schema and rows, is compared byte for byte
// where the table writes it (xml_rowset_test.cpp); here the writer's own
// rules.

TEST(XmlTextWriter, FormattingAndContent) {
  struct Case {
    const char* Name;
    std::function<void(XmlTextWriter&)> Steps;
    const char* Expected;
  };
  const Case cases[] = {
      {"no indentation without fmtIndented",
       [](XmlTextWriter& w) {
         w.WriteStartElement(u"a");
         w.WriteStartElement(u"b");
         w.WriteAttributeString(u"k", u"v");
         w.WriteEndElement();
         w.WriteEndElement();
       },
       "<a>\r\n<b k=\"v\" />\r\n</a>"},
      {"indent character and width",
       [](XmlTextWriter& w) {
         w.SetFormatting(fmtIndented);
         w.SetIndentChar(u'\t');
         w.SetIndentation(1);
         w.WriteStartElement(u"a");
         w.WriteStartElement(u"b");
         w.WriteStartElement(u"c");
         w.WriteEndElement();
         w.WriteEndElement();
         w.WriteEndElement();
       },
       "<a>\r\n\t<b>\r\n\t\t<c>\r\n\t\t</c>\r\n\t</b>\r\n</a>"},
      {"element strings are indented as children, encoded, with an optional namespace",
       [](XmlTextWriter& w) {
         w.SetFormatting(fmtIndented);
         w.WriteStartElement(u"a");
         w.WriteElementString(u"b", u"x < y & \"z\"");
         w.WriteElementString(u"c", u"urn:c", u"");
         w.WriteStartElement(u"d");
         w.WriteElementString(u"e", u"1");
         w.WriteEndElement();
         w.WriteEndElement();
       },
       "<a>\r\n  <b>x &#x3c; y &#x26; &#x22;z&#x22;</b>\r\n  <c xmlns=\"urn:c\"></c>\r\n  <d>\r\n    <e>1</e>\r\n  "
       "</d>\r\n</a>"},
      {"text is written as it is and its end tag follows it",
       [](XmlTextWriter& w) {
         w.SetFormatting(fmtIndented);
         w.WriteStartElement(u"a");
         w.WriteStartElement(u"b");
         w.WriteString(u"x<i>y</i>");
         w.WriteEndElement();
         w.WriteStartElement(u"c");
         w.WriteAttributeString(u"k", u"v");
         w.WriteString(u"line\r\n");
         w.WriteFullEndElement();
         w.WriteEndElement();
       },
       "<a>\r\n  <b>x<i>y</i></b>\r\n  <c k=\"v\">line\r\n</c>\r\n</a>"},
      {"a full end tag even after attributes",
       [](XmlTextWriter& w) {
         w.WriteStartElement(u"a");
         w.WriteAttributeString(u"k", u"v");
         w.WriteFullEndElement();
       },
       "<a k=\"v\">\r\n</a>"},
      {"namespaces and prefixes",
       [](XmlTextWriter& w) {
         w.WriteStartElement(u"p", u"a", u"urn:p");
         w.WriteAttributeString(u"q", u"k", u"v", u"urn:q&");
         w.WriteAttributeString(u"plain", u"1");
         w.WriteStartElement(u"b", u"urn:d");
         w.WriteEndElement();
         w.WriteEndElement();
       },
       "<p:a xmlns:p=\"urn:p\" q:k=\"v\" xmlns:q=\"urn:q&#x26;\" plain=\"1\">\r\n<b xmlns=\"urn:d\">\r\n</b>\r\n</p:a>"},
      {"values are encoded whatever the quote character",
       [](XmlTextWriter& w) {
         w.SetQuoteChar(u'\'');
         w.WriteStartElement(u"a");
         w.WriteAttributeString(u"v", u"it's \"<&>\"\r\n\t");
         w.WriteEndElement();
       },
       "<a v='it&#x27;s &#x22;&#x3c;&#x26;&#x3e;&#x22;&#13;&#10;&#9;' />"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Written(c.Steps), c.Expected);
  }
}

TEST(XmlTextWriter, StatesAndErrors) {
  TMemoryStream stream;
  StreamWriter sink(stream, CP_UTF8);
  XmlTextWriter w(sink);
  const std::string badState = "Token WriteAttributeString in state Content would result in an invalid XML document";
  EXPECT_EQ(w.WriteState(), wsStart);
  EXPECT_EQ(ExceptionMessage([&] { w.WriteAttributeString(u"k", u"v"); }), badState);
  EXPECT_EQ(ExceptionMessage([&] { w.WriteEndElement(); }), "There was no XML start tag open");
  EXPECT_EQ(ExceptionMessage([&] { w.WriteStartElement(u"p", u"a", u""); }), "Cannot use a prefix with an empty namespace");
  for (const char16_t* name : {u"", u"a b", u"a>", u"a'", u"a=b", u"a/", u"<a", u"a\"", u"a&b"}) {
    SCOPED_TRACE(U8(name));
    EXPECT_EQ(ExceptionMessage([&] { w.WriteStartElement(name); }), "\"" + U8(name) + "\" is not a valid XML name");
  }
  EXPECT_EQ(w.WriteState(), wsStart);

  w.WriteStartElement(u"a");
  EXPECT_EQ(w.WriteState(), wsElement);
  EXPECT_EQ(ExceptionMessage([&] { w.WriteAttributeString(u"p", u"k", u"v", u""); }),
            "Cannot use a prefix with an empty namespace");
  w.WriteAttributeString(u"k", u"v");
  EXPECT_EQ(w.WriteState(), wsAttribute);
  w.WriteElementString(u"b", u"1");
  EXPECT_EQ(w.WriteState(), wsContent);
  EXPECT_EQ(ExceptionMessage([&] { w.WriteAttributeString(u"k2", u"v"); }), badState);
  w.WriteEndElement();
  EXPECT_EQ(ExceptionMessage([&] { w.WriteFullEndElement(); }), "There was no XML start tag open");
  w.Close();
  EXPECT_EQ(w.WriteState(), wsClosed);
  EXPECT_EQ(Bytes(stream), "<a k=\"v\">\r\n<b>1</b>\r\n</a>");
}

TEST(XmlEncode, CharacterReferences) {
  const TextCase cases[] = {
      {u"plain \u010D\U0001F600", "plain \xC4\x8D\xF0\x9F\x98\x80"},
      {u"&'\"<>", "&#x26;&#x27;&#x22;&#x3c;&#x3e;"},
      {u"&#x26;", "&#x26;#x26;"},
      {u"a\r\nb\tc", "a&#13;&#10;b&#9;c"},
      {u"\x01\x1F", "&#x1;&#x1f;"},
      {u"", ""},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.Expected);
    EXPECT_EQ(U8(XMLEncode(c.Text)), c.Expected);
  }
}

// Values come back from the reader exactly as they were written, in
// attributes and in element strings.
TEST(XmlTextWriter, RoundTripThroughTheReader) {
  const char16_t* values[] = {
      u"plain", u"", u" blanks ", u"&'\"<>", u"&amp;lt; &#x26; &lt;", u"line\r\nbreak\tand\ttab", u"\x01\x02 controls",
      u"\u010D\u0161\u017E \U0001F600", u"x>y", u"]]>", u"a='b'"};
  for (bool decode : {false, true}) {
    TMemoryStream stream;
    StreamWriter sink(stream, CP_UTF8);
    XmlTextWriter w(sink);
    w.SetFormatting(fmtIndented);
    w.SetQuoteChar(decode ? u'\'' : u'"');
    w.WriteStartElement(u"r");
    for (const char16_t* value : values) {
      w.WriteStartElement(u"e");
      w.WriteAttributeString(u"v", value);
      w.WriteEndElement();
      w.WriteElementString(u"t", value);
    }
    w.WriteEndElement();
    w.Close();

    XmlTextReader reader(stream, decode);
    ASSERT_TRUE(reader.Read());
    for (const char16_t* value : values) {
      SCOPED_TRACE(U8(value));
      ASSERT_TRUE(reader.Read());
      EXPECT_EQ(U8(reader.Items(u"v")), U8(value));
      ASSERT_TRUE(reader.Read());
      ASSERT_EQ(U8(reader.Name()), "t");
      ASSERT_TRUE(reader.Read());
      if (*value != 0) {
        EXPECT_EQ(U8(reader.Value()), U8(value));
        ASSERT_TRUE(reader.Read());
      }
      EXPECT_EQ(reader.NodeType(), ntEndElement);
    }
    ASSERT_TRUE(reader.Read());
    EXPECT_FALSE(reader.Read());
  }
}

// An independent parser accepts the output, and its reading of a value with
// line breaks keeps them.
TEST(XmlTextWriter, OutputIsWellFormed) {
  SKIP_UNLESS_INSTALLED("xmllint", "libxml2-utils");
  TempFolder folder;
  const String fileName = folder.File("rowset.xml");
  {
    TFileStream stream(fileName, fmCreate);
    StreamWriter sink(stream, CP_UTF8);
    XmlTextWriter w(sink);
    w.SetFormatting(fmtIndented);
    w.SetQuoteChar(u'\'');
    w.WriteStartElement(u"xml");
    w.WriteAttributeString(u"xmlns:z", u"#RowsetSchema");
    w.WriteStartElement(u"rs", u"data", u"urn:schemas-microsoft-com:rowset");
    w.WriteStartElement(u"z:row");
    w.WriteAttributeString(u"ID", u"a\r\nb\t&'\"<>]]> \u010D\U0001F600");
    w.WriteEndElement();
    w.WriteStartElement(u"z:row");
    w.WriteEndElement();
    w.WriteElementString(u"note", u"<&>\u017E");
    w.WriteEndElement();
    w.WriteEndElement();
    w.Close();
  }
  const std::string path = folder.PathOf("rowset.xml");
  EXPECT_EQ(RunProgram({"xmllint", "--noout", path}).Output, "");
  ProgramResult value = RunProgram({"xmllint", "--xpath", "string(//*[local-name()=\"row\"]/@ID)", path});
  EXPECT_TRUE(value.Ok()) << value.Output;
  EXPECT_EQ(value.Output, "a\r\nb\t&'\"<>]]> \xC4\x8D\xF0\x9F\x98\x80\n");
}

TEST(StreamWriter, EncodingsWithoutByteOrderMark) {
  struct Case {
    int Encoding;
    std::string Expected;
  };
  const Case cases[] = {
      {CP_UTF8, "\xC4\x8D\xF0\x9F\x98\x80\r\n"},
      {1250, "\xE8?\r\n"},
      {CP_UTF16LE, std::string("\x0D\x01\x3D\xD8\x00\xDE\r\0\n\0", 10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Encoding);
    TMemoryStream stream;
    {
      StreamWriter sink(stream, c.Encoding);
      EXPECT_EQ(sink.Encoding(), c.Encoding);
      sink.WriteLine(u"\u010D\U0001F600");
    }
    EXPECT_EQ(Bytes(stream), c.Expected);
  }
}

TEST(StreamWriter, BuffersUntilFlush) {
  TMemoryStream stream;
  StreamWriter sink(stream, CP_UTF8);
  sink.Write(u"abc");
  EXPECT_EQ(stream.Size(), 0);
  sink.Flush();
  EXPECT_EQ(Bytes(stream), "abc");
  // A large amount goes out in pieces without waiting for Flush.
  const String block(100000, u'x');
  sink.Write(block);
  EXPECT_EQ(stream.Size(), 100003);
}

TEST(StreamWriter, FileCreatedOrAppendedInTheAnsiCodePage) {
  TempFolder folder;
  const String fileName = folder.File("text.txt");
  {
    StreamWriter sink(fileName, false);
    EXPECT_EQ(sink.Encoding(), AnsiCodePage());
    sink.Write(u"old text");
  }
  {
    StreamWriter sink(fileName, false);
    sink.Write(u"first ");
  }
  {
    StreamWriter sink(fileName, true);
    sink.WriteLine(u"\u010D");
    sink.Close();
  }
  TMemoryStream read;
  read.LoadFromFile(fileName);
  EXPECT_EQ(Bytes(read), "first " + StringToAnsi(u"\u010D") + "\r\n");
}

}  // namespace
