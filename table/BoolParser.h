// The lexer of filter expressions and of IndexFieldNames: comparison
// symbols, brackets, signs and the filter keywords.
#pragma once

#include "platform/db/Parser.h"

enum : int {
  lxEqual = 1, lxMore = 2, lxLess = 3, lxMoreEqual = 4, lxLessEqual = 5, lxNoEqual = 6,
  lxLeftBracket = 7, lxRightBracket = 8, lxMinus = 9, lxPlus = 10, lxLeftSqBracket = 11, lxRightSqBracket = 12,
  lxAND = 13, lxFALSE = 14, lxIS = 15, lxLIKE = 16, lxNOT = 17, lxNULL = 18, lxOR = 19, lxTRUE = 20,
  lxIN = 21, lxLOWER = 22, lxUPPER = 23, lxBETWEEN = 24
};

// Shared by every TBoolParser; constant, so there is nothing to build at
// start-up.
extern const TLexemTable BoolSymbolLexems;
extern const TCharSet BoolSymbolChars;
extern const TLexemTable BoolKeywordLexems;

class TBoolParser : public TParser {
 public:
  explicit TBoolParser(StringView text);

  // Called right after a "[" was read: the lexemes up to the matching "]"
  // (or the end of the text) joined, blanks included. The "]" is consumed.
  String ReadBracketedName();

 protected:
  // Two single quotes in a row stand for one and do not end a string of
  // either kind.
  void ToRightQuote(WideChar quote) override;
};

