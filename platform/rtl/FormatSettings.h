// The settings for the texts of numbers, currencies, dates and times. A
// default-made object holds the Slovene defaults. The process-wide object is
// filled at start from the user's locale; where that is unset, C or POSIX,
// the Slovene defaults apply. Code that changes it for a while (an export
// run) saves and restores the whole object.
#pragma once

#include <array>

#include "platform/rtl/Types.h"

struct TFormatSettings {
  String CurrencyString = u"\u20AC";
  Byte CurrencyFormat = 3;   // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  Byte NegCurrFormat = 8;    // the platform's 16 negative currency layouts
  Byte CurrencyDecimals = 2;
  WideChar ThousandSeparator = u'.';
  WideChar DecimalSeparator = u',';
  WideChar DateSeparator = u'.';
  WideChar TimeSeparator = u':';
  WideChar ListSeparator = u';';
  String ShortDateFormat = u"d.M.yyyy";
  String LongDateFormat = u"d. MMMM yyyy";
  String TimeAMString = u"dop.";
  String TimePMString = u"pop.";
  String ShortTimeFormat = u"H:mm";
  String LongTimeFormat = u"H:mm:ss";
  std::array<String, 12> ShortMonthNames = {u"jan.", u"feb.", u"mar.", u"apr.", u"maj", u"jun.",
                                            u"jul.", u"avg.", u"sep.", u"okt.", u"nov.", u"dec."};
  std::array<String, 12> LongMonthNames = {u"januar", u"februar", u"marec", u"april", u"maj", u"junij",
                                           u"julij", u"avgust", u"september", u"oktober", u"november", u"december"};
  // Sunday first.
  std::array<String, 7> ShortDayNames = {u"ned.", u"pon.", u"tor.", u"sre.", u"\u010Det.", u"pet.", u"sob."};
  std::array<String, 7> LongDayNames = {u"nedelja", u"ponedeljek", u"torek", u"sreda", u"\u010Detrtek", u"petek", u"sobota"};
  Word TwoDigitYearCenturyWindow = 50;

  bool operator==(const TFormatSettings&) const = default;

  // The Slovene defaults, the same as a default-made object.
  static TFormatSettings Slovene();
  // Settings of an ICU locale name such as "en_US" or "de_DE": separators,
  // currency, date and time formats in the platform's letters, month and
  // day names. The Slovene defaults for Slovene, an empty name, "C",
  // "POSIX" and names whose language ICU does not know.
  static TFormatSettings ForLocale(const std::string& localeName);
  // Fixed settings for machine-readable texts: "." decimals, no thousand
  // separator (character 0, never written), "yyyy-mm-dd" dates and
  // "hh:nn:ss" times, English names.
  static TFormatSettings Invariant();
};

// The process-wide object.
extern TFormatSettings FormatSettings;

// The user's locale name from LC_ALL, LC_NUMERIC / LC_TIME or LANG (encoding
// and modifier removed); empty when none is set.
std::string UserLocaleName();
// Fills FormatSettings from the user's locale (RtlInitialize calls it).
void InitFormatSettings();
