#include "table/BoolParser.h"

namespace {

constexpr TLexemEntry SymbolEntries[] = {
    {u"(", lxLeftBracket}, {u")", lxRightBracket}, {u"+", lxPlus},   {u"-", lxMinus},
    {u"<", lxLess},        {u"<=", lxLessEqual},   {u"<>", lxNoEqual}, {u"=", lxEqual},
    {u">", lxMore},        {u">=", lxMoreEqual},   {u"[", lxLeftSqBracket}, {u"]", lxRightSqBracket},
};

constexpr TLexemEntry KeywordEntries[] = {
    {u"AND", lxAND},   {u"BETWEEN", lxBETWEEN}, {u"FALSE", lxFALSE}, {u"IN", lxIN},
    {u"IS", lxIS},     {u"LIKE", lxLIKE},       {u"LOWER", lxLOWER}, {u"NOT", lxNOT},
    {u"NULL", lxNULL}, {u"OR", lxOR},           {u"TRUE", lxTRUE},   {u"UPPER", lxUPPER},
};

static_assert(IsSortedLexemTable(SymbolEntries) && IsSortedLexemTable(KeywordEntries));

}  // namespace

constinit const TLexemTable BoolSymbolLexems = SymbolEntries;
constinit const TCharSet BoolSymbolChars(u"()+-<=>[]");
constinit const TLexemTable BoolKeywordLexems = KeywordEntries;

TBoolParser::TBoolParser(StringView text) : TParser(text) {
  SetSymbolLexems(BoolSymbolLexems);
  SetSymbolChars(BoolSymbolChars);
  SetKeywordLexems(BoolKeywordLexems);
}

String TBoolParser::ReadBracketedName() {
  const bool omitBlank = OmitBlank;
  OmitBlank = false;
  String name, lexem;
  for (int code = GetNext(lexem); code != lcEnd && code != lxRightSqBracket; code = GetNext(lexem)) name += lexem;
  OmitBlank = omitBlank;
  return name;
}

void TBoolParser::ToRightQuote(WideChar quote) {
  const size_t n = FText.size();
  while (FPos < n) {
    if (FText[FPos] == u'\'' && FPos + 1 < n && FText[FPos + 1] == u'\'') FPos += 2;
    else if (FText[FPos] == quote) return;
    else ++FPos;
  }
}
