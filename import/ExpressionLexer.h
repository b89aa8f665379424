// The expression language's tokens and the lexer that cuts an expression
// into them.
//
// Rules that shape the language: numbers are digits and "." only; a name
// absorbs the digits that follow it; blanks inside a name vanish (A AND B is
// the one name AANDB, so operator words need a non-word neighbour on both
// sides, as in (A>1)AND(B<2)); operator characters in a row form one token
// ("=-" is no operator and fails when evaluated); a token that starts with a
// double quote, an apostrophe or "[" is quoted up to the next closer (any of
// the three; a doubled closer stays in the token and the quote goes on).
#pragma once

#include <vector>

#include "platform/rtl/Types.h"

enum TTokenType { ttNone, ttString, ttNumeric, ttDateTime, ttParenthesis, ttOperation, ttParamDelimitor };

struct TExpToken {
  String Text;
  TTokenType TokenType = ttNone;

  bool Is(StringView text) const { return Text == text; }
};

class TExpParser {
 public:
  // The expression, trimmed; clears the tokens.
  void SetExpression(const String& value);
  const String& Expression() const { return FExpression; }
  // Clears the tokens, starts at position 1 and reads one token.
  void ReadFirstToken();
  // Reads one token; false at the end of the expression. The character #0
  // raises ESMIParseException "Parse error: illegal character ...".
  bool ReadNextToken();
  // Reads every token from the start.
  void ReadAllTokens();
  const TExpToken& GetToken(int index) const { return FTokens.at(static_cast<size_t>(index)); }
  const std::vector<TExpToken>& Tokens() const { return FTokens; }
  int TokenCount() const { return static_cast<int>(FTokens.size()); }
  void Clear();

 private:
  String FExpression;
  std::vector<TExpToken> FTokens;
  size_t FPosition = 0;  // 0-based index of the next character
};

// The class of one character for the lexer.
TTokenType CharTokenType(WideChar c);
