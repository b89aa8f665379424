#include "platform/rtl/FormatSettings.h"

#include <unicode/udat.h>
#include <unicode/uloc.h>
#include <unicode/unum.h>

#include <cstdlib>
#include <memory>

#include "platform/rtl/Locale.h"

TFormatSettings FormatSettings;

namespace {

// Reads one ICU string result, growing the buffer when ICU asks for more.
template <typename Fill>
String IcuText(Fill fill) {
  UChar buf[256];
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = fill(buf, 256, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    String big(static_cast<size_t>(len) + 1, u'\0');
    status = U_ZERO_ERROR;
    len = fill(reinterpret_cast<UChar*>(big.data()), static_cast<int32_t>(big.size()), &status);
    if (U_FAILURE(status)) return String();
    big.resize(static_cast<size_t>(len));
    return big;
  }
  if (U_FAILURE(status)) return String();
  return String(reinterpret_cast<const char16_t*>(buf), static_cast<size_t>(len));
}

bool IsBidiMark(char16_t c) { return c == u'\u200E' || c == u'\u200F' || c == u'\u061C'; }

// A one-character symbol from ICU text: bidi marks are dropped (some locales
// wrap their signs in them); an empty text keeps the fallback.
WideChar SymbolChar(const String& text, WideChar fallback) {
  for (char16_t c : text) {
    if (!IsBidiMark(c)) return c;
  }
  return fallback;
}

bool IsPatternLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// Turns an ICU date or time pattern into the platform's format letters:
// years are always written with four digits, minutes stay "m" after an hour,
// day-of-week names become "ddd"/"dddd", the day period becomes "AMPM".
// Letters the platform has no counterpart for (era, zone, week...) are
// dropped; literal text goes into double quotes.
String ConvertIcuPattern(const String& pattern) {
  String out;
  size_t i = 0;
  while (i < pattern.size()) {
    char16_t c = pattern[i];
    if (c == u'\'') {
      // Quoted literal; '' is one quote.
      if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
        out += u"\"'\"";
        i += 2;
        continue;
      }
      String literal;
      ++i;
      while (i < pattern.size()) {
        if (pattern[i] == u'\'') {
          if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
            literal += u'\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        literal += pattern[i++];
      }
      if (!literal.empty()) out += u"\"" + literal + u"\"";
      continue;
    }
    if (!IsPatternLetter(c)) {
      // Narrow and no-break spaces become plain blanks so that typed text
      // matches the format; bidi marks go.
      if (c == u'\u202F' || c == u'\u00A0') out += u' ';
      else if (!IsBidiMark(c)) out += c;
      ++i;
      continue;
    }
    size_t n = 0;
    while (i < pattern.size() && pattern[i] == c) { ++n; ++i; }
    switch (c) {
      case u'y': case u'Y': case u'u': out += u"yyyy"; break;
      case u'M': case u'L': out += n >= 5 ? u"MMM" : String(n, u'M'); break;
      case u'd': out += n >= 2 ? u"dd" : u"d"; break;
      case u'E': case u'c': case u'e': out += n >= 4 ? u"dddd" : u"ddd"; break;
      case u'H': case u'k': out += n >= 2 ? u"HH" : u"H"; break;
      case u'h': case u'K': out += n >= 2 ? u"hh" : u"h"; break;
      case u'm': out += n >= 2 ? u"mm" : u"m"; break;
      case u's': out += n >= 2 ? u"ss" : u"s"; break;
      case u'S': out += n >= 2 ? u"zzz" : u"z"; break;
      case u'a': case u'b': case u'B': out += u"AMPM"; break;
      default: break;  // era, zone, week, quarter...
    }
  }
  // Dropped letters can leave separators behind ("y G" -> "yyyy "):
  // blanks and commas at either end go.
  size_t b = 0, e = out.size();
  while (b < e && (out[b] == u' ' || out[b] == u',')) ++b;
  while (e > b && (out[e - 1] == u' ' || out[e - 1] == u',')) --e;
  return out.substr(b, e - b);
}

// The first separator between two fields of a converted pattern (outside
// quotes), or the fallback.
WideChar SeparatorOf(const String& format, WideChar fallback) {
  bool quoted = false;
  bool afterField = false;
  for (char16_t c : format) {
    if (c == u'"') { quoted = !quoted; continue; }
    if (quoted) continue;
    if (IsPatternLetter(c)) { afterField = true; continue; }
    if (afterField && c != u' ' && c != u',') return c;
  }
  return fallback;
}

struct DateFormatCloser {
  void operator()(UDateFormat* f) const { udat_close(f); }
};
struct NumberFormatCloser {
  void operator()(UNumberFormat* f) const { unum_close(f); }
};
using DateFormatPtr = std::unique_ptr<UDateFormat, DateFormatCloser>;
using NumberFormatPtr = std::unique_ptr<UNumberFormat, NumberFormatCloser>;

DateFormatPtr OpenDateFormat(UDateFormatStyle timeStyle, UDateFormatStyle dateStyle, const char* locale) {
  UErrorCode status = U_ZERO_ERROR;
  UDateFormat* f = udat_open(timeStyle, dateStyle, locale, nullptr, 0, nullptr, 0, &status);
  if (U_FAILURE(status)) {
    if (f != nullptr) udat_close(f);
    return nullptr;
  }
  return DateFormatPtr(f);
}

String PatternOf(UDateFormat* f) {
  if (f == nullptr) return String();
  return IcuText([&](UChar* buf, int32_t cap, UErrorCode* st) { return udat_toPattern(f, false, buf, cap, st); });
}

String DateSymbol(UDateFormat* f, UDateFormatSymbolType type, int32_t index) {
  return IcuText([&](UChar* buf, int32_t cap, UErrorCode* st) { return udat_getSymbols(f, type, index, buf, cap, st); });
}

String NumberSymbol(UNumberFormat* f, UNumberFormatSymbol symbol) {
  return IcuText([&](UChar* buf, int32_t cap, UErrorCode* st) { return unum_getSymbol(f, symbol, buf, cap, st); });
}

// Currency placement from an ICU currency pattern such as "#,##0.00 ¤".
void ApplyCurrencyPattern(const String& pattern, TFormatSettings& fs) {
  String positive = pattern.substr(0, pattern.find(u';'));
  size_t symbol = positive.find(u'\u00A4');
  size_t firstDigit = positive.find_first_of(u"#0");
  size_t lastDigit = positive.find_last_of(u"#0");
  if (symbol == String::npos || firstDigit == String::npos) return;
  auto isBlank = [](char16_t c) { return c == u' ' || c == u'\u00A0' || c == u'\u202F'; };
  if (symbol < firstDigit) {
    bool spaced = symbol + 1 < positive.size() && isBlank(positive[symbol + 1]);
    fs.CurrencyFormat = spaced ? 2 : 0;
  } else {
    bool spaced = symbol > 0 && isBlank(positive[symbol - 1]);
    fs.CurrencyFormat = spaced ? 3 : 1;
  }
  // The minus sign goes in front of the whole text, as ICU writes it.
  static const Byte kNegativeOf[4] = {1, 5, 9, 8};
  fs.NegCurrFormat = kNegativeOf[fs.CurrencyFormat];
  size_t point = positive.find(u'.');
  Byte decimals = 0;
  if (point != String::npos) {
    for (size_t i = point + 1; i <= lastDigit && i < positive.size(); ++i) {
      if (positive[i] == u'0' || positive[i] == u'#') ++decimals;
    }
  }
  fs.CurrencyDecimals = decimals;
}

bool IsDefaultLocaleName(const std::string& name) { return name.empty() || name == "C" || name == "POSIX"; }

}  // namespace

TFormatSettings TFormatSettings::Slovene() { return TFormatSettings(); }

TFormatSettings TFormatSettings::Invariant() {
  TFormatSettings fs;
  fs.CurrencyString = u"\u00A4";
  fs.CurrencyFormat = 0;
  fs.NegCurrFormat = 0;
  fs.ThousandSeparator = u'\0';
  fs.DecimalSeparator = u'.';
  fs.DateSeparator = u'-';
  fs.TimeSeparator = u':';
  fs.ListSeparator = u',';
  fs.ShortDateFormat = u"yyyy-mm-dd";
  fs.LongDateFormat = u"yyyy-mm-dd";
  fs.TimeAMString = u"AM";
  fs.TimePMString = u"PM";
  fs.ShortTimeFormat = u"hh:nn";
  fs.LongTimeFormat = u"hh:nn:ss";
  fs.ShortMonthNames = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                        u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
  fs.LongMonthNames = {u"January", u"February", u"March", u"April", u"May", u"June",
                       u"July", u"August", u"September", u"October", u"November", u"December"};
  fs.ShortDayNames = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
  fs.LongDayNames = {u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"};
  return fs;
}

TFormatSettings TFormatSettings::ForLocale(const std::string& localeName) {
  // The Slovene settings are the ones the program's users know from their
  // desktop; CLDR writes Slovene dates differently ("d. MM. yy"), so the
  // language keeps its fixed settings, as does every name ICU does not know.
  if (IsDefaultLocaleName(localeName) || !IsKnownLocale(localeName)) return Slovene();
  char lang[ULOC_LANG_CAPACITY];
  UErrorCode langStatus = U_ZERO_ERROR;
  uloc_getLanguage(localeName.c_str(), lang, sizeof lang, &langStatus);
  if (std::string(lang) == "sl") return Slovene();

  TFormatSettings fs = Slovene();
  const char* locale = localeName.c_str();

  UErrorCode status = U_ZERO_ERROR;
  NumberFormatPtr number(unum_open(UNUM_DECIMAL, nullptr, 0, locale, nullptr, &status));
  if (U_SUCCESS(status) && number) {
    fs.DecimalSeparator = SymbolChar(NumberSymbol(number.get(), UNUM_DECIMAL_SEPARATOR_SYMBOL), u'.');
    fs.ThousandSeparator = SymbolChar(NumberSymbol(number.get(), UNUM_GROUPING_SEPARATOR_SYMBOL), u',');
  }
  // Where the decimal separator is a comma, lists are separated by ";".
  fs.ListSeparator = fs.DecimalSeparator == u',' ? u';' : u',';

  status = U_ZERO_ERROR;
  NumberFormatPtr currency(unum_open(UNUM_CURRENCY, nullptr, 0, locale, nullptr, &status));
  if (U_SUCCESS(status) && currency) {
    String symbol = NumberSymbol(currency.get(), UNUM_CURRENCY_SYMBOL);
    if (!symbol.empty()) fs.CurrencyString = symbol;
    ApplyCurrencyPattern(
        IcuText([&](UChar* buf, int32_t cap, UErrorCode* st) { return unum_toPattern(currency.get(), false, buf, cap, st); }),
        fs);
  }

  DateFormatPtr shortDate = OpenDateFormat(UDAT_NONE, UDAT_SHORT, locale);
  DateFormatPtr longDate = OpenDateFormat(UDAT_NONE, UDAT_LONG, locale);
  DateFormatPtr shortTime = OpenDateFormat(UDAT_SHORT, UDAT_NONE, locale);
  DateFormatPtr longTime = OpenDateFormat(UDAT_MEDIUM, UDAT_NONE, locale);
  if (String f = ConvertIcuPattern(PatternOf(shortDate.get())); !f.empty()) {
    fs.ShortDateFormat = f;
    fs.DateSeparator = SeparatorOf(f, u'/');
  }
  if (String f = ConvertIcuPattern(PatternOf(longDate.get())); !f.empty()) fs.LongDateFormat = f;
  if (String f = ConvertIcuPattern(PatternOf(shortTime.get())); !f.empty()) {
    fs.ShortTimeFormat = f;
    fs.TimeSeparator = SeparatorOf(f, u':');
  }
  if (String f = ConvertIcuPattern(PatternOf(longTime.get())); !f.empty()) fs.LongTimeFormat = f;

  if (UDateFormat* symbols = shortDate.get()) {
    for (int32_t i = 0; i < 12; ++i) {
      if (String s = DateSymbol(symbols, UDAT_STANDALONE_MONTHS, i); !s.empty()) fs.LongMonthNames[i] = s;
      if (String s = DateSymbol(symbols, UDAT_STANDALONE_SHORT_MONTHS, i); !s.empty()) fs.ShortMonthNames[i] = s;
    }
    // ICU counts week days from 1 (Sunday).
    for (int32_t i = 0; i < 7; ++i) {
      if (String s = DateSymbol(symbols, UDAT_STANDALONE_WEEKDAYS, i + 1); !s.empty()) fs.LongDayNames[i] = s;
      if (String s = DateSymbol(symbols, UDAT_STANDALONE_SHORT_WEEKDAYS, i + 1); !s.empty()) fs.ShortDayNames[i] = s;
    }
    String am = DateSymbol(symbols, UDAT_AM_PMS, 0);
    String pm = DateSymbol(symbols, UDAT_AM_PMS, 1);
    if (!am.empty() && !pm.empty()) {
      fs.TimeAMString = am;
      fs.TimePMString = pm;
    }
  }
  return fs;
}

std::string UserLocaleName() {
  std::string value;
  for (const char* name : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LANG"}) {
    const char* v = std::getenv(name);
    if (v != nullptr && *v != '\0') {
      value = v;
      break;
    }
  }
  // "sl_SI.UTF-8@euro" -> "sl_SI"
  value = value.substr(0, value.find_first_of(".@"));
  if (IsDefaultLocaleName(value)) return std::string();
  return value;
}

void InitFormatSettings() { FormatSettings = TFormatSettings::ForLocale(UserLocaleName()); }
