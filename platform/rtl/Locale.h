// Locale-aware text: collation and case mapping through ICU with the user's
// locale. The locale is read from the environment on first use (LC_ALL,
// LC_NUMERIC / LC_TIME, LANG); where it is unset, C, POSIX or unknown to ICU,
// Slovene ("sl") applies.
#pragma once

#include <string>
#include <string_view>

#include "platform/rtl/Types.h"

struct UCollator;

// The locale name that collation and case mapping use ("sl", "en_US"...).
std::string UserLocale();
// Switches collation and case mapping to another locale (tests, start-up);
// an empty name goes back to the environment's. Every thread's collator
// follows on its next use.
void SetUserLocale(const std::string& name);
// True when ICU has data for the language of the locale name.
bool IsKnownLocale(const std::string& name);

// A collator of one locale: string-sort ordering (punctuation and symbols
// sort as ordinary characters), lower case before upper case, accents
// significant. An object is used by one thread at a time; Current() gives
// each thread its own.
class TCollator {
 public:
  explicit TCollator(const std::string& localeName);
  ~TCollator();
  TCollator(const TCollator&) = delete;
  TCollator& operator=(const TCollator&) = delete;

  // The calling thread's collator of UserLocale(). The reference stays valid
  // until the thread calls SetUserLocale or Current() after a change.
  static const TCollator& Current();

  // -1, 0 or 1. Embedded zero characters are compared like any other.
  int Compare(StringView a, StringView b, bool ignoreCase = false) const;
  // The same for 8-bit text in the system ANSI code page.
  int CompareAnsi(std::string_view a, std::string_view b, bool ignoreCase = false) const;
  // A key whose byte-wise order (std::string's compare) is the collation
  // order of the texts: faster than Compare when each text meets many others.
  std::string SortKey(StringView s, bool ignoreCase = false) const;
  // Appends the sort key to out, so that the keys of many texts can share
  // one buffer without an allocation per text.
  void AppendSortKey(StringView s, bool ignoreCase, std::string& out) const;
  // The same for 8-bit text in the system ANSI code page.
  void AppendSortKeyAnsi(std::string_view s, bool ignoreCase, std::string& out) const;

  const std::string& LocaleName() const { return FLocaleName; }

 private:
  std::string FLocaleName;
  UCollator* FCaseSensitive = nullptr;
  UCollator* FIgnoreCase = nullptr;
};

// Full Unicode case mapping in the user's locale ("ß" upper-cases to "SS").
String AnsiUpperCase(StringView s);
String AnsiLowerCase(StringView s);
// 8-bit text in the system ANSI code page; characters the code page lacks
// after mapping become '?'.
AnsiString AnsiUpperCase(std::string_view s);
AnsiString AnsiLowerCase(std::string_view s);

// Collation of the user's locale, -1/0/1.
int AnsiCompareStr(StringView a, StringView b);
int AnsiCompareText(StringView a, StringView b);  // ignoring case
bool AnsiSameStr(StringView a, StringView b);
bool AnsiSameText(StringView a, StringView b);
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);

// Ordinal comparison of UTF-16 units after simple upper-case mapping of
// each unit ("č" equals "Č"; "a" sorts before "B"), -1/0/1.
int CompareTextOrdinal(StringView a, StringView b);
