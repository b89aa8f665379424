#include "platform/rtl/Locale.h"

#include <unicode/ucol.h>
#include <unicode/uchar.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <array>
#include <atomic>
#include <climits>
#include <memory>
#include <mutex>
#include <set>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char kFallbackLocale[] = "sl";

std::mutex gLocaleMutex;
std::string gLocale;  // empty until first use or SetUserLocale
std::atomic<unsigned> gLocaleGeneration{1};

std::string ResolveLocale(const std::string& name) {
  if (name.empty() || name == "C" || name == "POSIX" || !IsKnownLocale(name)) return kFallbackLocale;
  return name;
}

int32_t IcuLength(size_t size) {
  if (size > static_cast<size_t>(INT32_MAX)) throw EConvertError(u"Text too long for comparison");
  return static_cast<int32_t>(size);
}

// Simple upper case of one UTF-16 unit; surrogates and units whose upper
// case lies outside the basic plane stay as they are.
char16_t UpperUnit(char16_t c) {
  if (U16_IS_SURROGATE(c)) return c;
  UChar32 u = u_toupper(c);
  return u <= 0xFFFF ? static_cast<char16_t>(u) : c;
}

UCollator* OpenCollator(const std::string& locale, UCollationStrength strength) {
  UErrorCode status = U_ZERO_ERROR;
  UCollator* c = ucol_open(locale.c_str(), &status);
  if (U_FAILURE(status)) {
    status = U_ZERO_ERROR;
    c = ucol_open(kFallbackLocale, &status);
  }
  if (U_FAILURE(status) || c == nullptr) throw Exception(u"Cannot open the collator of locale " + StrFromAscii(locale));
  // Punctuation and symbols take part in the order; secondary strength
  // ignores case but keeps accents.
  ucol_setAttribute(c, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
  ucol_setStrength(c, strength);
  return c;
}

// 8-bit text of the ANSI code page as UTF-16, into a reused buffer. Single-byte
// code pages go through a table of the 256 characters.
void AnsiToBuffer(std::string_view bytes, std::u16string& out) {
  struct Table {
    int codePage = 0;
    std::array<char16_t, 256> chars{};
  };
  thread_local Table table;
  if (IsMultiByteAnsiCodePage()) {
    out = AnsiToString(bytes);
    return;
  }
  int cp = AnsiCodePage();
  if (table.codePage != cp) {
    for (int b = 0; b < 256; ++b) {
      char byte = static_cast<char>(b);
      String one = CodePageToString(std::string_view(&byte, 1), cp);
      table.chars[b] = one.size() == 1 ? one[0] : u'\uFFFD';
    }
    table.codePage = cp;
  }
  out.resize(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) out[i] = table.chars[static_cast<unsigned char>(bytes[i])];
}

// The case-mapping locale of this thread, refreshed after SetUserLocale.
const char* CaseLocale() {
  thread_local unsigned generation = 0;
  thread_local std::string locale;
  unsigned current = gLocaleGeneration.load();
  if (generation != current) {
    locale = UserLocale();
    generation = current;
  }
  return locale.c_str();
}

using CaseMapper = int32_t (*)(UChar*, int32_t, const UChar*, int32_t, const char*, UErrorCode*);

String MapCase(StringView s, CaseMapper mapper) {
  if (s.empty()) return String();
  const char* locale = CaseLocale();
  String out(s.size() + 8, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  const UChar* src = reinterpret_cast<const UChar*>(s.data());
  int32_t len = mapper(reinterpret_cast<UChar*>(out.data()), IcuLength(out.size()), src, IcuLength(s.size()), locale, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<size_t>(len), u'\0');
    status = U_ZERO_ERROR;
    len = mapper(reinterpret_cast<UChar*>(out.data()), IcuLength(out.size()), src, IcuLength(s.size()), locale, &status);
  }
  if (U_FAILURE(status)) throw EConvertError(u"Case mapping failed");
  out.resize(static_cast<size_t>(len));
  return out;
}

}  // namespace

bool IsKnownLocale(const std::string& name) {
  static const std::set<std::string> languages = [] {
    std::set<std::string> result;
    int32_t count = uloc_countAvailable();
    for (int32_t i = 0; i < count; ++i) {
      char lang[ULOC_LANG_CAPACITY];
      UErrorCode status = U_ZERO_ERROR;
      uloc_getLanguage(uloc_getAvailable(i), lang, sizeof lang, &status);
      if (U_SUCCESS(status)) result.insert(lang);
    }
    return result;
  }();
  char lang[ULOC_LANG_CAPACITY];
  UErrorCode status = U_ZERO_ERROR;
  uloc_getLanguage(name.c_str(), lang, sizeof lang, &status);
  return U_SUCCESS(status) && status != U_STRING_NOT_TERMINATED_WARNING && languages.count(lang) != 0;
}

std::string UserLocale() {
  std::lock_guard<std::mutex> lock(gLocaleMutex);
  if (gLocale.empty()) gLocale = ResolveLocale(UserLocaleName());
  return gLocale;
}

void SetUserLocale(const std::string& name) {
  std::string resolved = ResolveLocale(name.empty() ? UserLocaleName() : name);
  std::lock_guard<std::mutex> lock(gLocaleMutex);
  gLocale = resolved;
  gLocaleGeneration.fetch_add(1);
}

TCollator::TCollator(const std::string& localeName) : FLocaleName(ResolveLocale(localeName)) {
  FCaseSensitive = OpenCollator(FLocaleName, UCOL_TERTIARY);
  try {
    FIgnoreCase = OpenCollator(FLocaleName, UCOL_SECONDARY);
  } catch (...) {
    ucol_close(FCaseSensitive);
    throw;
  }
}

TCollator::~TCollator() {
  ucol_close(FCaseSensitive);
  ucol_close(FIgnoreCase);
}

const TCollator& TCollator::Current() {
  thread_local unsigned generation = 0;
  thread_local std::unique_ptr<TCollator> collator;
  unsigned current = gLocaleGeneration.load();
  if (generation != current || !collator) {
    collator = std::make_unique<TCollator>(UserLocale());
    generation = current;
  }
  return *collator;
}

int TCollator::Compare(StringView a, StringView b, bool ignoreCase) const {
  UCollationResult r = ucol_strcoll(ignoreCase ? FIgnoreCase : FCaseSensitive,
                                    reinterpret_cast<const UChar*>(a.data()), IcuLength(a.size()),
                                    reinterpret_cast<const UChar*>(b.data()), IcuLength(b.size()));
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

int TCollator::CompareAnsi(std::string_view a, std::string_view b, bool ignoreCase) const {
  thread_local std::u16string left, right;
  AnsiToBuffer(a, left);
  AnsiToBuffer(b, right);
  return Compare(left, right, ignoreCase);
}

std::string TCollator::SortKey(StringView s, bool ignoreCase) const {
  std::string key;
  AppendSortKey(s, ignoreCase, key);
  return key;
}

void TCollator::AppendSortKey(StringView s, bool ignoreCase, std::string& out) const {
  const UCollator* c = ignoreCase ? FIgnoreCase : FCaseSensitive;
  const UChar* src = s.empty() ? u"" : reinterpret_cast<const UChar*>(s.data());
  size_t start = out.size();
  size_t room = s.size() * 4 + 16;
  out.resize(start + room);
  int32_t len = ucol_getSortKey(c, src, IcuLength(s.size()), reinterpret_cast<uint8_t*>(out.data() + start), IcuLength(room));
  if (len > static_cast<int32_t>(room)) {
    room = static_cast<size_t>(len);
    out.resize(start + room);
    len = ucol_getSortKey(c, src, IcuLength(s.size()), reinterpret_cast<uint8_t*>(out.data() + start), IcuLength(room));
  }
  // The length counts the terminating zero byte, which adds nothing to the order.
  out.resize(start + (len > 0 ? static_cast<size_t>(len) - 1 : 0));
}

void TCollator::AppendSortKeyAnsi(std::string_view s, bool ignoreCase, std::string& out) const {
  thread_local std::u16string text;
  AnsiToBuffer(s, text);
  AppendSortKey(text, ignoreCase, out);
}

String AnsiUpperCase(StringView s) { return MapCase(s, u_strToUpper); }
String AnsiLowerCase(StringView s) { return MapCase(s, u_strToLower); }
AnsiString AnsiUpperCase(std::string_view s) { return StringToAnsi(AnsiUpperCase(StringView(AnsiToString(s)))); }
AnsiString AnsiLowerCase(std::string_view s) { return StringToAnsi(AnsiLowerCase(StringView(AnsiToString(s)))); }

int AnsiCompareStr(StringView a, StringView b) { return TCollator::Current().Compare(a, b, false); }
int AnsiCompareText(StringView a, StringView b) { return TCollator::Current().Compare(a, b, true); }
bool AnsiSameStr(StringView a, StringView b) { return AnsiCompareStr(a, b) == 0; }
bool AnsiSameText(StringView a, StringView b) { return AnsiCompareText(a, b) == 0; }
int AnsiCompareStr(std::string_view a, std::string_view b) { return TCollator::Current().CompareAnsi(a, b, false); }
int AnsiCompareText(std::string_view a, std::string_view b) { return TCollator::Current().CompareAnsi(a, b, true); }
bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }

int CompareTextOrdinal(StringView a, StringView b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    char16_t x = a[i], y = b[i];
    if (x == y) continue;
    x = UpperUnit(x);
    y = UpperUnit(y);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}
