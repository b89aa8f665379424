#include "platform/db/Parser.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

namespace {

bool IsBlank(WideChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }
bool IsDigit(WideChar c) { return c >= u'0' && c <= u'9'; }
bool IsIdentStart(WideChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c > 127; }
bool IsIdentChar(WideChar c) { return IsIdentStart(c) || IsDigit(c) || c == u'$'; }
// Printable ASCII punctuation; quotes, "_" and "/" are caught before.
bool IsPunctuation(WideChar c) {
  return (c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 94) || c == 96 || (c >= 123 && c <= 126);
}
WideChar AsciiUpper(WideChar c) { return c >= u'a' && c <= u'z' ? static_cast<WideChar>(c - 32) : c; }

// Ordinal order of an identifier, ASCII letters upper-cased, against a
// keyword's text.
int CompareFolded(StringView ident, StringView keyword) {
  size_t n = std::min(ident.size(), keyword.size());
  for (size_t i = 0; i < n; ++i) {
    WideChar a = AsciiUpper(ident[i]);
    if (a != keyword[i]) return a < keyword[i] ? -1 : 1;
  }
  return ident.size() < keyword.size() ? -1 : ident.size() > keyword.size() ? 1 : 0;
}

size_t LongestEntry(TLexemTable table) {
  size_t n = 0;
  for (const TLexemEntry& e : table) n = std::max(n, e.Text.size());
  return n;
}

[[noreturn]] void UnknownSymbol(WideChar c) {
  static constexpr char16_t Hex[] = u"0123456789ABCDEF";
  String msg = u"Parser: The unknown symbol $";
  for (int shift = 12; shift >= 0; shift -= 4) msg += Hex[(c >> shift) & 0xF];
  msg += u"  '";
  msg += c;
  msg += u'\'';
  throw Exception(std::move(msg));
}

}  // namespace

TParser::TParser(StringView text) : DecSeparator(FormatSettings.DecimalSeparator), FText(text) {}

int TParser::GetNext(String& lexem) {
  for (;;) {
    int code = ReadLexem(lexem);
    if ((code == lcBlank && OmitBlank) || (code == lcComment && OmitComment)) continue;
    return code;
  }
}

void TParser::ToRightQuote(WideChar quote) {
  while (FPos < FText.size() && FText[FPos] != quote) ++FPos;
}

int TParser::ReadLexem(String& lexem) {
  const size_t n = FText.size();
  const size_t start = FPos;
  auto take = [&](int code) {
    lexem.assign(FText, start, FPos - start);
    return code;
  };
  if (FPos >= n) {
    lexem.clear();
    return lcEnd;
  }
  const WideChar c = FText[FPos];

  if (IsBlank(c)) {
    while (FPos < n && IsBlank(FText[FPos])) ++FPos;
    return take(lcBlank);
  }
  if (c == u'/' && FPos + 1 < n && FText[FPos + 1] == u'*') {
    size_t close = FText.find(u"*/", FPos + 2);
    FPos = close == String::npos ? n : close + 2;
    return take(lcComment);
  }
  if (c == u'/' && FPos + 1 < n && FText[FPos + 1] == u'/') {
    while (FPos < n && FText[FPos] != u'\n' && FText[FPos] != u'\r') ++FPos;
    return take(lcComment);
  }
  if (IsIdentStart(c)) {
    while (FPos < n && IsIdentChar(FText[FPos])) ++FPos;
    take(lcIdent);
    if (const TLexemEntry* keyword = FindKeyword(lexem)) {
      lexem.assign(keyword->Text);  // upper case
      return keyword->Code;
    }
    return lcIdent;
  }
  if (IsDigit(c)) {
    while (FPos < n && IsDigit(FText[FPos])) ++FPos;
    if (FPos + 1 < n && FText[FPos] == DecSeparator && IsDigit(FText[FPos + 1])) {
      FPos += 2;
      while (FPos < n && IsDigit(FText[FPos])) ++FPos;
    }
    return take(lcNumber);
  }
  if (c == u'\'' || c == u'"') {
    ++FPos;
    ToRightQuote(c);
    const bool closed = FPos < n;
    if (QuotedString) lexem.assign(FText, start, FPos - start + (closed ? 1 : 0));
    else lexem.assign(FText, start + 1, FPos - start - 1);
    if (closed) ++FPos;
    return lcString;
  }
  if (FSymbolChars.Contains(c)) return ReadSymbol(lexem);
  if (IsPunctuation(c)) {
    ++FPos;
    return take(lcSymbol);
  }
  UnknownSymbol(c);
}

int TParser::ReadSymbol(String& lexem) {
  // The longest run of symbol characters that the table holds.
  size_t run = 0;
  const size_t limit = std::min(LongestEntry(FSymbolLexems), FText.size() - FPos);
  while (run < limit && FSymbolChars.Contains(FText[FPos + run])) ++run;
  for (size_t len = run; len > 0; --len) {
    StringView text = StringView(FText).substr(FPos, len);
    auto it = std::lower_bound(FSymbolLexems.begin(), FSymbolLexems.end(), text,
                               [](const TLexemEntry& e, StringView t) { return e.Text < t; });
    if (it != FSymbolLexems.end() && it->Text == text) {
      lexem.assign(text);
      FPos += len;
      return it->Code;
    }
  }
  lexem.assign(1, FText[FPos++]);
  return lcSymbol;
}

const TLexemEntry* TParser::FindKeyword(StringView ident) const {
  auto it = std::lower_bound(FKeywordLexems.begin(), FKeywordLexems.end(), ident,
                             [](const TLexemEntry& e, StringView t) { return CompareFolded(t, e.Text) > 0; });
  if (it == FKeywordLexems.end() || CompareFolded(ident, it->Text) != 0) return nullptr;
  return &*it;
}
