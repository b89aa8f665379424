// The lexer of the inside of XML start tags: names, "=", ":", quoted values.
#pragma once

#include "platform/db/Parser.h"

enum : int { lxXmlColon = 16, lxXmlLess = 18, lxXmlEqual = 19, lxXmlMore = 20 };

// Shared by every TXmlParser; constant, so there is nothing to build at
// start-up. The keyword table is empty: tag interiors have no keywords.
extern const TLexemTable XmlSymbolLexems;
extern const TCharSet XmlSymbolChars;
extern const TLexemTable XmlKeywordLexems;

class TXmlParser : public TParser {
 public:
  explicit TXmlParser(StringView text);

  // Called right after an identifier: appends the characters that XML names
  // have beyond the lexer's identifiers ("-", "." and what follows them), so
  // that "data-id" or "a.b" stays one name.
  void ReadNameRest(String& name);
};
