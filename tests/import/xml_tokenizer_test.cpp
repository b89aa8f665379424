// The pull tokenizer read in place and read ahead on its own thread gives
// the same tokens, wherever the source cuts its pieces, and a failure of
// the source arrives after the tokens read before it.
#include <gtest/gtest.h>

#include <stdexcept>

#include "import/readers/XmlTokenizer.h"

namespace {

// A source that hands out the text `step` bytes at a time and then, when
// asked to, fails instead of ending.
TXmlTokenizer::TSource Pieces(const std::string& text, size_t step, bool fail = false) {
  auto at = std::make_shared<size_t>(0);
  return [text, step, fail, at](char* buffer, size_t count) -> size_t {
    const size_t n = std::min({count, step, text.size() - *at});
    if (n == 0 && fail) throw std::runtime_error("damaged");
    text.copy(buffer, n, *at);
    *at += n;
    return n;
  };
}

// Every token as text: kind, name, self-closing, the cell attribute, the
// text, the position after it.
std::vector<std::string> Tokens(TXmlTokenizer& xml) {
  std::vector<std::string> out;
  for (auto t = xml.Next(); t != TXmlTokenizer::tkEnd; t = xml.Next()) {
    std::string_view a;
    const bool has = xml.Attribute("b", a);
    out.push_back(std::to_string(t) + "|" + std::string(xml.Name()) + "|" + (xml.SelfClosing() ? "/" : "") + "|" +
                  (has ? std::string(a) : "-") + "|" + std::string(xml.Text()) + "|" + std::to_string(xml.Position()));
  }
  return out;
}

TEST(XmlTokenizer, ReadAheadGivesTheTokensOfTheReadInPlace) {
  std::string doc = "<?xml version=\"1.0\"?><!-- a > comment --><r><a b=\"x>y\" c='q\"'/>text&amp;<![CDATA[<raw>]]>";
  for (int i = 0; i < 40000; ++i) doc += "<c b=\"" + std::to_string(i) + "\"><p>v" + std::to_string(i) + "</p></c>";
  doc += "</r>tail";
  for (size_t step : {size_t{1} << 20, size_t{7}}) {
    SCOPED_TRACE(step);
    TXmlTokenizer plain(Pieces(doc, step));
    TXmlTokenizer ahead(Pieces(doc, step), true);
    const auto expected = Tokens(plain);
    ASSERT_EQ(expected.size(), 4u + 40000u * 5u + 2u);
    EXPECT_EQ(expected[1], "1|a|/|x>y||" + std::to_string(doc.find("text")));
    EXPECT_EQ(Tokens(ahead), expected);
  }
}

TEST(XmlTokenizer, ASourceFailureFollowsTheTokensBeforeIt) {
  std::string doc = "<r>";
  for (int i = 0; i < 50000; ++i) doc += "<c/>";
  for (bool ahead : {false, true}) {
    SCOPED_TRACE(ahead);
    TXmlTokenizer xml(Pieces(doc, 4096, true), ahead);
    size_t tokens = 0;
    EXPECT_THROW(
        {
          while (xml.Next() != TXmlTokenizer::tkEnd) ++tokens;
        },
        std::runtime_error);
    // The tokens before the failure arrived; the last tag may wait for
    // bytes that never come.
    EXPECT_GE(tokens, 50000u);
  }
  // Drain reads the source to its end, so its failure is raised too.
  for (bool ahead : {false, true}) {
    SCOPED_TRACE(ahead);
    TXmlTokenizer xml(Pieces(doc, 4096, true), ahead);
    xml.Next();
    EXPECT_THROW(xml.Drain(), std::runtime_error);
  }
}

// Leaving a tokenizer that reads ahead before the end stops its thread.
TEST(XmlTokenizer, ReadAheadStopsWhenLeftEarly) {
  std::string doc = "<r>";
  for (int i = 0; i < 200000; ++i) doc += "<c>x</c>";
  TXmlTokenizer xml(Pieces(doc, 1 << 16), true);
  EXPECT_EQ(xml.Next(), TXmlTokenizer::tkStartTag);
  EXPECT_EQ(xml.Name(), "r");
}

}  // namespace
