#include "import/ExpressionLexer.h"

#include "import/ExpressionHelpers.h"
#include "import/ImportExceptions.h"
#include "import/ImportMessages.h"
#include "platform/rtl/Strings.h"

namespace {

bool IsQuote(WideChar c) { return c == u'"' || c == u'\'' || c == u'['; }
bool IsCloser(WideChar c) { return c == u'"' || c == u'\'' || c == u']'; }

}  // namespace

TTokenType CharTokenType(WideChar c) {
  switch (c) {
    case u'(':
    case u')': return ttParenthesis;
    case u',': return ttParamDelimitor;
    case u'+':
    case u'-':
    case u'*':
    case u'/':
    case u'^':
    case u'!':
    case u'=':
    case u'<':
    case u'>': return ttOperation;
    case u'\0': return ttNone;
    default: return (c >= u'0' && c <= u'9') || c == u'.' ? ttNumeric : ttString;
  }
}

void TExpParser::SetExpression(const String& value) {
  FExpression = Trim(value);
  Clear();
}

void TExpParser::Clear() {
  FTokens.clear();
  FPosition = 0;
}

void TExpParser::ReadFirstToken() {
  Clear();
  ReadNextToken();
}

void TExpParser::ReadAllTokens() {
  Clear();
  while (ReadNextToken()) {
  }
}

bool TExpParser::ReadNextToken() {
  const String& s = FExpression;
  size_t i = FPosition;
  while (i < s.size() && s[i] == u' ') ++i;
  if (i >= s.size()) {
    FPosition = i;
    return false;
  }
  const WideChar first = s[i];
  TTokenType type = CharTokenType(first);
  if (type == ttNone) {
    throw ESMIParseException(Format(strEParseInvalidCharacter, {String(1, first), Int64(i + 1)}));
  }
  TExpToken token{String(1, first), type};
  ++i;
  if (type != ttParenthesis) {
    const bool quotedToken = IsQuote(first);
    bool inQuote = quotedToken;
    if (quotedToken) type = ttString;
    while (i < s.size()) {
      const WideChar c = s[i];
      if (inQuote) {
        token.Text += c;
        if (IsCloser(c)) {
          if (i + 1 < s.size() && IsCloser(s[i + 1])) {
            token.Text += s[++i];
          } else {
            inQuote = false;
          }
        }
        ++i;
        continue;
      }
      if (type == ttString && c == u' ') {
        ++i;
        continue;
      }
      const TTokenType cType = CharTokenType(c);
      if (cType != type && !(type == ttString && cType == ttNumeric)) break;
      token.Text += c;
      ++i;
    }
    token.TokenType = !quotedToken && FindOperation(token.Text) > 0 ? ttOperation : type;
  }
  FPosition = i;
  FTokens.push_back(std::move(token));
  return true;
}
