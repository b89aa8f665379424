// A table-driven lexer: blanks, identifiers, numbers, quoted strings,
// comments, symbols and keywords. A derived lexer supplies its own symbol
// and keyword tables (and may change how a quoted string ends); the switches
// are per instance so one text can be read in different modes.
#pragma once

#include <algorithm>
#include <span>

#include "platform/rtl/Types.h"

// Lexeme kinds that every lexer shares; a table's own codes are positive.
inline constexpr int lcEnd = 0;
inline constexpr int lcSymbol = -102;   // a symbol character that forms no table symbol
inline constexpr int lcIdent = -103;
inline constexpr int lcNumber = -105;
inline constexpr int lcString = -106;
inline constexpr int lcBlank = -107;
inline constexpr int lcComment = -108;

struct TLexemEntry {
  StringView Text;
  int Code;
};
// Entries sorted by text (ordinal); keywords in upper case.
using TLexemTable = std::span<const TLexemEntry>;

constexpr bool IsSortedLexemTable(TLexemTable table) {
  return std::is_sorted(table.begin(), table.end(),
                        [](const TLexemEntry& a, const TLexemEntry& b) { return a.Text < b.Text; });
}

// A set of ASCII characters, usable in constant tables.
class TCharSet {
 public:
  constexpr TCharSet() = default;
  constexpr explicit TCharSet(StringView chars) {
    for (char16_t c : chars) {
      if (c < 128) FBits[c / 64] |= UInt64{1} << (c % 64);
    }
  }
  constexpr bool Contains(char16_t c) const { return c < 128 && (FBits[c / 64] >> (c % 64) & 1) != 0; }

 private:
  UInt64 FBits[2] = {0, 0};
};

class TParser {
 public:
  explicit TParser(StringView text);
  virtual ~TParser() = default;
  TParser(const TParser&) = delete;
  TParser& operator=(const TParser&) = delete;

  // Reads the next lexeme: its code (lcEnd at the end of the text) and its
  // text. Raises Exception "Parser: The unknown symbol $XXXX  'c'" for a
  // character that begins no lexeme.
  int GetNext(String& lexem);

  // The tables. The symbol characters are those that can begin a table
  // symbol; any other punctuation is a one-character lcSymbol.
  void SetSymbolLexems(TLexemTable table) { FSymbolLexems = table; }
  void SetSymbolChars(const TCharSet& chars) { FSymbolChars = chars; }
  void SetKeywordLexems(TLexemTable table) { FKeywordLexems = table; }

  // Switches.
  bool OmitBlank = true;        // skip blanks instead of returning lcBlank
  bool OmitComment = false;     // skip comments instead of returning lcComment
  bool QuotedString = false;    // string lexemes keep their enclosing quotes
  WideChar DecSeparator;        // of numbers; the process's decimal separator at creation

  const String& Text() const { return FText; }
  // Index of the next character to read.
  size_t Position() const { return FPos; }

 protected:
  // Advances FPos (just past the opening quote) to the closing quote, or to
  // the end of the text when there is none. The base stops at the next
  // occurrence of quote.
  virtual void ToRightQuote(WideChar quote);

  String FText;
  size_t FPos = 0;

 private:
  int ReadLexem(String& lexem);
  int ReadSymbol(String& lexem);
  const TLexemEntry* FindKeyword(StringView ident) const;

  TLexemTable FSymbolLexems;
  TCharSet FSymbolChars;
  TLexemTable FKeywordLexems;
};
