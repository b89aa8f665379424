// The XML pull reader: node sequences, attributes, entities, failures of
// malformed and truncated documents, block boundaries of stream input, and
// the replay of the fuzz corpus.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/exception_message.h"
#include "fuzz/xml_text_reader_input.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "table/XmlTextReader.h"

namespace {

std::string U8(StringView s) { return StringToUtf8(s); }

std::string Nodes(std::string_view doc, bool decodeHTMLEntities = false) {
  return ReadXmlStream(doc, XmlTextReader::DefaultBlockSize, decodeHTMLEntities, false);
}

struct DocCase {
  std::string Doc;
  const char* Expected;
};

// A document with every kind of node, attributes and entities.
const std::string FullDocument =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<!DOCTYPE xml [<!ELEMENT xml ANY>]>\r\n"
    "<!-- rows -->\r\n"
    "<xml xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>\r\n"
    "  <rs:data>\r\n"
    "    <z:row ID='7' Name=\"a &#x26; b\" Note='x>y' />\r\n"
    "    <z:row ID='8'>\r\n"
    "    </z:row>\r\n"
    "  </rs:data>\r\n"
    "  <text>caf\xC3\xA9 &#x3c;b&#x3e;<![CDATA[<raw>]]></text>\r\n"
    "</xml>";

TEST(XmlTextReader, NodeSequences) {
  const DocCase cases[] = {
      {"", ""},
      {"<a/>", "<a/>"},
      {"<a></a >", "<a> </a>"},
      {"<a>abc</a>", "<a> T(abc) </a>"},
      {"<a> \r\n\t </a>", "<a> </a>"},
      // Text is text whatever its letters: not only Latin ones.
      {"<a>\xC4\x8D\xC5\xA1\xC5\xBE</a>", "<a> T(\xC4\x8D\xC5\xA1\xC5\xBE) </a>"},
      {"<a>!</a>", "<a> T(!) </a>"},
      {"<a> x </a>", "<a> T( x ) </a>"},
      {"<a>x<b>y</b>z<c/>w</a>", "<a> T(x) <b> T(y) </b> T(z) <c/> T(w) </a>"},
      {"<?xml version=\"1.0\"?>\n<r/>", "?xml(version=\"1.0\") <r/>"},
      {"<?pi?><r/>", "?pi() <r/>"},
      {"<r><!--  note --></r><!--after-->", "<r> C(note) </r> C(after)"},
      {"<!DOCTYPE html><html/>", "!html() <html/>"},
      {"<!DOCTYPE r SYSTEM \"a>b.dtd\"><r/>", "!r SYSTEM \"a>b.dtd\"() <r/>"},
      {"<!DOCTYPE r [ <!ELEMENT r ANY> ] ><r/>", "!r(<!ELEMENT r ANY>) <r/>"},
      {"<a><![CDATA[<x>&amp;]]></a>", "<a> T(<x>&amp;) </a>"},
      // Bytes outside the root element are not text: a byte-order mark, say.
      {"\xEF\xBB\xBF<a/>", "<a/>"},
      {"junk<a/>junk", "<a/>"},
      {"<a b=\"x>y\" c='say \"hi\"' d=\"it's\"/>", "<a b=x>y c=say \"hi\" d=it's/>"},
      {"<a b c='1'/>", "<a c=1/>"},
      {"<a b=c d='2'/>", "<a b=c d=2/>"},
      {"<a data-id='1' x.y='2' _z='3'/>", "<a data-id=1 x.y=2 _z=3/>"},
      {"<a\r\n  b='1'\r\n/>", "<a b=1/>"},
      {"<a b = '1' c='' />", "<a b=1 c=/>"},
      {"<a b='1'\n c='2'>t</a>", "<a b=1 c=2> T(t) </a>"},
      {"<a b='1' b='2'/>", "<a b=1 b=2/>"},
      // Plain pairs and the shapes around them read alike.
      {"<a b='x''y' c='1'/>", "<a b=x c=1/>"},
      {"<a b='1'c='2'/>", "<a b=1 c=2/>"},
      {"<a x:y:z='1' \xC4\x8D='2' b='\xC4\x8D\xFF'/>", "<a x:y:z=1 \xC4\x8D=2 b=\xC4\x8D\xEF\xBF\xBD/>"},
      {"<s:AttributeType name='c1' rs:name='First Name'/>", "<s:AttributeType name=c1 rs:name=First Name/>"},
      {FullDocument,
       "?xml(version=\"1.0\" encoding=\"UTF-8\") !xml(<!ELEMENT xml ANY>) C(rows) "
       "<xml xmlns:rs=urn:schemas-microsoft-com:rowset xmlns:z=#RowsetSchema> <rs:data> "
       "<z:row ID=7 Name=a & b Note=x>y/> <z:row ID=8> </z:row> </rs:data> "
       "<text> T(caf\xC3\xA9 <b>) T(<raw>) </text> </xml>"},
  };
  for (const DocCase& c : cases) {
    SCOPED_TRACE(c.Doc);
    EXPECT_EQ(Nodes(c.Doc), c.Expected);
  }
}

TEST(XmlTextReader, MalformedAndTruncatedDocumentsFailWithWhatAndWhere) {
  std::string deep;
  for (int i = 0; i <= XmlTextReader::MaxDepth; ++i) deep += "<e>";
  std::string deepEnough;
  for (int i = 0; i < XmlTextReader::MaxDepth; ++i) deepEnough += "<e>";
  const DocCase cases[] = {
      {"<a><!-- x", "<a> ERR:Invalid comment tag"},
      {"<a><!-- x -- >", "<a> ERR:Invalid comment tag"},
      {"<?xml version", "ERR:Invalid declaration tag"},
      {"<!DOCTYPE a", "ERR:Invalid Document type tag"},
      {"<!DOCTYPE a [<!ELEMENT a ANY>", "ERR:Invalid Document type tag"},
      {"<!DOCTYPE a SYSTEM 'x>", "ERR:Invalid Document type tag"},
      {"<a b:='1'/>", "ERR:Invalid XML"},
      {"<a :b='1'/>", "ERR:Invalid XML"},
      {"<a b=5/>", "ERR:Invalid XML"},
      {"<a b=/>", "ERR:Invalid XML"},
      {"<a ='1'/>", "ERR:Invalid XML"},
      {"<a b\x01='1'/>", "ERR:Invalid XML"},
      {"<a", "ERR:The XML document ends inside the tag that starts at byte 0"},
      {"<a><b c='1>'", "<a> ERR:The XML document ends inside the tag that starts at byte 3"},
      {"<a></a", "<a> ERR:The XML document ends inside the tag that starts at byte 3"},
      {"<a>text", "<a> T(text) ERR:The XML document ends before the end tag of <a>"},
      {"<a><b/>", "<a> <b/> ERR:The XML document ends before the end tag of <a>"},
      {"<a><b></a>", "<a> <b> ERR:The end tag </a> at byte 6 does not match the start tag <b>"},
      {"<a/></a>", "<a/> ERR:The end tag </a> at byte 4 has no start tag"},
      {"< a/>", "ERR:The element at byte 0 has no name"},
      {"<>", "ERR:The element at byte 0 has no name"},
      {"<a><![CDATA[x]]", "<a> ERR:The XML document ends inside the CDATA section that starts at byte 3"},
      {"<!ELEMENT a ANY>", "ERR:The markup at byte 0 is not understood"},
      {std::string("\xFF\xFE<\0a\0/\0>\0", 10), "ERR:The XML document is in UTF-16; only UTF-8 documents are read"},
      {std::string("<\0a\0/\0>\0", 8), "ERR:The XML document is in UTF-16; only UTF-8 documents are read"},
      {deep, "ERR:The elements at byte 3072 are nested deeper than 1024 levels"},
  };
  for (const DocCase& c : cases) {
    SCOPED_TRACE(c.Doc.substr(0, 40));
    const std::string nodes = Nodes(c.Doc);
    // Only the tail is compared for the deep document: 1024 elements precede it.
    EXPECT_EQ(nodes.substr(c.Doc == deep ? nodes.rfind("ERR:") : 0), c.Expected);
  }
  const std::string deepEnoughNodes = Nodes(deepEnough);
  EXPECT_EQ(deepEnoughNodes.substr(deepEnoughNodes.rfind("ERR:")), "ERR:The XML document ends before the end tag of <e>");
}

TEST(XmlTextReader, FailureOffsetAndFinalErrorState) {
  XmlTextReader reader(u"<a>\n<b x='1'/>\n<!-- open", false);
  EXPECT_EQ(reader.ReadState(), XmlReadState::Initial);
  ASSERT_TRUE(reader.Read());
  EXPECT_EQ(reader.ReadState(), XmlReadState::Interactive);
  ASSERT_TRUE(reader.Read());
  try {
    reader.Read();
    FAIL() << "no error";
  } catch (const XmlException& e) {
    EXPECT_EQ(U8(e.Message()), "Invalid comment tag");
    EXPECT_EQ(e.Offset(), 15);
  }
  EXPECT_EQ(reader.ReadState(), XmlReadState::Error);
  // The reader does not move on after a failure: every Read fails the same way.
  EXPECT_EQ(ExceptionMessage([&] { reader.Read(); }), "Invalid comment tag");
}

TEST(XmlTextReader, EndOfDocumentStateAndDepth) {
  XmlTextReader reader(u"<r>\n <a k='v'>t</a>\n <b/>\n</r>\n", false);
  EXPECT_FALSE(reader.Eof());
  std::string depths;
  while (reader.Read()) depths += std::to_string(reader.Depth());
  EXPECT_EQ(depths, "012110");
  EXPECT_EQ(reader.ReadState(), XmlReadState::EndOfFile);
  EXPECT_TRUE(reader.Eof());
  EXPECT_FALSE(reader.Read());
}

TEST(XmlTextReader, EntitiesInAttributesAndText) {
  const std::string doc = "<a v='&amp;lt;|&#x26;lt;|&#x39;|&apos;&quot;&gt;|&#233;|&bogus;'>&amp;amp; &#x3c;</a>";
  EXPECT_EQ(Nodes(doc, false), "<a v=&amp;lt;|&lt;|9|&apos;&quot;&gt;|\xC3\xA9|&bogus;> T(&amp;amp; <) </a>");
  EXPECT_EQ(Nodes(doc, true), "<a v=&lt;|&lt;|9|'\">|\xC3\xA9|&bogus;> T(&amp; <) </a>");
}

TEST(XmlTextReader, AttributeAccess) {
  XmlTextReader reader(u"<s:AttributeType name='c1' rs:name='First Name' rs:number='1'/>", false);
  ASSERT_TRUE(reader.Read());
  EXPECT_EQ(U8(reader.Name()), "s:AttributeType");
  EXPECT_EQ(U8(reader.Prefix()), "s");
  EXPECT_TRUE(reader.IsEmptyElement());
  ASSERT_EQ(reader.AttributeCount(), 3);
  EXPECT_TRUE(reader.HasAttributes());
  EXPECT_EQ(U8(reader.Items(0)), "c1");
  EXPECT_EQ(U8(reader.Items(u"RS:NAME")), "First Name");

  reader.MoveToAttribute(1);
  EXPECT_EQ(U8(reader.Name()), "rs:name");
  EXPECT_EQ(U8(reader.Prefix()), "rs");
  EXPECT_EQ(U8(reader.Value()), "First Name");
  EXPECT_TRUE(reader.MoveToAttribute(u"Name"));
  EXPECT_EQ(U8(reader.Prefix()), "");
  EXPECT_EQ(U8(reader.Value()), "c1");
  EXPECT_FALSE(reader.MoveToAttribute(u"missing"));
  EXPECT_EQ(U8(reader.Value()), "c1");

  EXPECT_EQ(ExceptionMessage([&] { reader.MoveToAttribute(3); }), "Attribute not found (3)");
  EXPECT_EQ(ExceptionMessage([&] { reader.MoveToAttribute(-1); }), "Attribute not found (-1)");
  EXPECT_EQ(ExceptionMessage([&] { reader.Items(u"missing"); }), "List index out of bounds (-1)");
  EXPECT_EQ(ExceptionMessage([&] { reader.Items(3); }), "List index out of bounds (3)");

  EXPECT_FALSE(reader.Read());
  EXPECT_EQ(reader.AttributeCount(), 0);

  // The prefix is the part before the first colon, with or without blanks.
  for (const char16_t* tag : {u"<a x:y:z='1'/>", u"<a x:y:z = '1'/>"}) {
    XmlTextReader prefixed(tag, false);
    ASSERT_TRUE(prefixed.Read());
    prefixed.MoveToAttribute(0);
    EXPECT_EQ(U8(prefixed.Prefix()), "x");
  }
}

TEST(XmlTextReader, StringSourceReadsItsUtf8Form) {
  XmlTextReader reader(u"<a v='\u010D\U0001F600'>\u017E</a>", false);
  EXPECT_EQ(ReadXmlNodes(reader), "<a v=\xC4\x8D\xF0\x9F\x98\x80> T(\xC5\xBE) </a>");
}

TEST(XmlTextReader, BlockBoundariesDoNotChangeWhatIsRead) {
  const std::string expected = Nodes(FullDocument);
  for (int blockSize : {1, 2, 3, 5, 7, 64}) {
    SCOPED_TRACE(blockSize);
    EXPECT_EQ(ReadXmlStream(FullDocument, blockSize, false, true), ReadXmlStream(FullDocument, 8192, false, true));
    EXPECT_EQ(ReadXmlStream(FullDocument, blockSize, false, false), expected);
  }
  // Tokens that straddle the first 8192-byte boundary, with the default blocks.
  for (size_t shift = 0; shift < 12; ++shift) {
    SCOPED_TRACE(shift);
    const std::string doc = "<r><!--" + std::string(8192 - 14 + shift, 'x') +
                            "--><z:row a='1'/><t>x</t></r>";
    const std::string nodes = Nodes(doc);
    EXPECT_EQ(nodes.substr(nodes.find(" <z:row")), " <z:row a=1/> <t> T(x) </t> </r>");
  }
}

TEST(XmlTextReader, LargeStreamIsReadToTheEnd) {
  std::string doc = "<rs:data>";
  const int rows = 50000;
  for (int i = 0; i < rows; ++i) doc += "<z:row ID='" + std::to_string(i) + "' Name='row &#x26; more'/>\r\n";
  doc += "</rs:data>";
  TMemoryStream stream;
  stream.Write(doc.data(), static_cast<Int64>(doc.size()));
  XmlTextReader reader(stream, false);
  int count = 0;
  while (reader.Read()) {
    if (reader.NodeType() == ntElement && reader.Name() == u"z:row") {
      ASSERT_EQ(U8(reader.Items(u"ID")), std::to_string(count));
      ++count;
    }
  }
  EXPECT_EQ(count, rows);
  EXPECT_TRUE(reader.Eof());
}

// Every prefix of a document reads to an end or fails with XmlException;
// once the root element has begun, a cut always fails.
TEST(XmlTextReader, EveryPrefixIsReadOrFailsCleanly) {
  const size_t rootStart = FullDocument.find("<xml ");
  for (size_t length = 0; length < FullDocument.size(); ++length) {
    const std::string_view prefix = std::string_view(FullDocument).substr(0, length);
    SCOPED_TRACE(length);
    for (int blockSize : {3, 8192}) {
      const std::string nodes = ReadXmlStream(prefix, blockSize, true, true);
      if (length > rootStart) {
        EXPECT_NE(nodes.find("ERR:"), std::string::npos) << nodes;
      }
    }
    EXPECT_EQ(CheckXmlInput(prefix), "");
  }
  EXPECT_EQ(Nodes(FullDocument).find("ERR:"), std::string::npos);
}

TEST(XmlDecode, OnePassFromLeftToRight) {
  struct Case {
    const char16_t* Text;
    const char16_t* Plain;     // without the named entities
    const char16_t* WithHtml;  // with them
  };
  const Case cases[] = {
      {u"&#x27;&#x22;&#x3c;&#x3e;&#x26;", u"'\"<>&", u"'\"<>&"},
      {u"&#13;&#10;&#9;", u"\r\n\t", u"\r\n\t"},
      {u"&#x26;lt;", u"&lt;", u"&lt;"},
      {u"&amp;lt;", u"&amp;lt;", u"&lt;"},
      {u"&amp;amp;", u"&amp;amp;", u"&amp;"},
      {u"&#x39;|&#57;|&#x41;|&#X41;|&#x3C;", u"9|9|A|A|<", u"9|9|A|A|<"},
      {u"&#x92;&#x96;", u"''", u"''"},
      {u"&#x1F600;&#128512;", u"\U0001F600\U0001F600", u"\U0001F600\U0001F600"},
      {u"&#x1;", u"\x01", u"\x01"},
      // References to no character stay as they are.
      {u"&#x110000;|&#xD800;|&#0;|&#x;|&#;|&#x41|&#99999999999999999999999;", u"&#x110000;|&#xD800;|&#0;|&#x;|&#;|&#x41|&#99999999999999999999999;",
       u"&#x110000;|&#xD800;|&#0;|&#x;|&#;|&#x41|&#99999999999999999999999;"},
      {u"a & b &", u"a & b &", u"a & b &"},
      {u"&quot;&apos;&gt;&lt;&nbsp;", u"&quot;&apos;&gt;&lt;&nbsp;", u"\"'><&nbsp;"},
      {u"", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.Text));
    EXPECT_EQ(U8(XMLDecode(c.Text, false)), U8(c.Plain));
    EXPECT_EQ(U8(XMLDecode(c.Text, true)), U8(c.WithHtml));
  }
}

TEST(XmlCorpus, EveryInputReadsSafelyAndAlikeFromEverySource) {
  const auto dir = std::filesystem::path(__FILE__).parent_path() / "corpus" / "xml";
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(CheckXmlInput(data), "");
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}

}  // namespace
