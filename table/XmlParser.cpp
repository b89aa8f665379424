#include "table/XmlParser.h"

namespace {

constexpr TLexemEntry SymbolEntries[] = {
    {u":", lxXmlColon}, {u"<", lxXmlLess}, {u"=", lxXmlEqual}, {u">", lxXmlMore}};

static_assert(IsSortedLexemTable(SymbolEntries));

bool IsNameChar(WideChar c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
         c == u'-' || c == u'.' || c == u'$' || c > 127;
}

}  // namespace

constinit const TLexemTable XmlSymbolLexems = SymbolEntries;
constinit const TCharSet XmlSymbolChars(u":<=>");
constinit const TLexemTable XmlKeywordLexems;

TXmlParser::TXmlParser(StringView text) : TParser(text) {
  SetSymbolLexems(XmlSymbolLexems);
  SetSymbolChars(XmlSymbolChars);
  SetKeywordLexems(XmlKeywordLexems);
  DecSeparator = u'.';
}

void TXmlParser::ReadNameRest(String& name) {
  const size_t start = FPos;
  while (FPos < FText.size() && IsNameChar(FText[FPos])) ++FPos;
  name.append(FText, start, FPos - start);
}
