// The process-wide settings for the texts of numbers, currencies, dates and
// times. Filled at start from the user's locale; where that is unset, C or
// POSIX, the Slovene defaults apply. Code that changes it for a while (an
// export run) saves and restores the whole object.
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
  String TimeAMString;
  String TimePMString;
  String ShortTimeFormat = u"H:mm";
  String LongTimeFormat = u"H:mm:ss";
  std::array<String, 12> ShortMonthNames;
  std::array<String, 12> LongMonthNames;
  std::array<String, 7> ShortDayNames;  // Sunday first
  std::array<String, 7> LongDayNames;
  Word TwoDigitYearCenturyWindow = 50;

  // The Slovene defaults (month and day names included).
  static TFormatSettings Slovene();
  // Settings of an ICU locale name such as "en_US" or "sl_SI"; the Slovene
  // defaults for an empty name, "C" or "POSIX".
  static TFormatSettings ForLocale(const std::string& localeName);
  // Fixed settings for machine-readable texts: "." decimals, no thousands,
  // "yyyy-mm-dd" dates and "hh:nn:ss" times.
  static TFormatSettings Invariant();
};

// The process-wide object.
extern TFormatSettings FormatSettings;

// The user's locale name from LC_ALL, LC_NUMERIC / LC_TIME or LANG (encoding
// and modifier removed); empty when none is set.
std::string UserLocaleName();
// Fills FormatSettings from the user's locale (RtlInitialize calls it).
void InitFormatSettings();
