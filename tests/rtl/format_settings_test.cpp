#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

// Sets the locale variables for one test and puts the old values back.
class LocaleEnvironment {
 public:
  static constexpr const char* kNames[] = {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LANG"};

  LocaleEnvironment() {
    for (size_t i = 0; i < 4; ++i) {
      const char* v = std::getenv(kNames[i]);
      if (v != nullptr) FSaved[i] = v;
      unsetenv(kNames[i]);
    }
  }
  ~LocaleEnvironment() {
    for (size_t i = 0; i < 4; ++i) {
      if (FSaved[i]) setenv(kNames[i], FSaved[i]->c_str(), 1);
      else unsetenv(kNames[i]);
    }
  }
  // nullptr unsets the variable.
  void Set(const char* lcAll, const char* lcNumeric, const char* lcTime, const char* lang) {
    const char* values[] = {lcAll, lcNumeric, lcTime, lang};
    for (size_t i = 0; i < 4; ++i) {
      if (values[i] != nullptr) setenv(kNames[i], values[i], 1);
      else unsetenv(kNames[i]);
    }
  }

 private:
  std::optional<std::string> FSaved[4];
};

}  // namespace

TEST(FormatSettings, SloveneDefaults) {
  TFormatSettings fs = TFormatSettings::Slovene();
  EXPECT_EQ(fs, TFormatSettings());
  EXPECT_EQ(fs.DecimalSeparator, u',');
  EXPECT_EQ(fs.ThousandSeparator, u'.');
  EXPECT_EQ(fs.DateSeparator, u'.');
  EXPECT_EQ(fs.ShortDateFormat, u"d.M.yyyy");
  EXPECT_EQ(fs.LongTimeFormat, u"H:mm:ss");
  EXPECT_EQ(fs.LongMonthNames[2], u"marec");
  EXPECT_EQ(fs.ShortMonthNames[7], u"avg.");
  EXPECT_EQ(fs.LongDayNames[4], u"\u010Detrtek");  // Thursday
  EXPECT_EQ(fs.ShortDayNames[0], u"ned.");
  EXPECT_EQ(fs.CurrencyString, u"\u20AC");
}

TEST(FormatSettings, NamesWithoutUsableDataGiveTheSloveneDefaults) {
  for (const char* name : {"", "C", "POSIX", "sl", "sl_SI", "xx_YY", "not a locale"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(TFormatSettings::ForLocale(name), TFormatSettings::Slovene());
  }
}

TEST(FormatSettings, LocaleDataComesFromIcu) {
  TFormatSettings us = TFormatSettings::ForLocale("en_US");
  EXPECT_EQ(us.DecimalSeparator, u'.');
  EXPECT_EQ(us.ThousandSeparator, u',');
  EXPECT_EQ(us.ListSeparator, u',');
  EXPECT_EQ(us.ShortDateFormat, u"M/d/yyyy");  // two-digit years widened
  EXPECT_EQ(us.DateSeparator, u'/');
  EXPECT_EQ(us.LongTimeFormat, u"h:mm:ss AMPM");  // narrow no-break space made plain
  EXPECT_EQ(us.TimeAMString, u"AM");
  EXPECT_EQ(us.CurrencyString, u"$");
  EXPECT_EQ(us.CurrencyFormat, 0);
  EXPECT_EQ(us.NegCurrFormat, 1);
  EXPECT_EQ(us.LongMonthNames[0], u"January");
  EXPECT_EQ(us.ShortDayNames[1], u"Mon");

  TFormatSettings de = TFormatSettings::ForLocale("de_DE");
  EXPECT_EQ(de.DecimalSeparator, u',');
  EXPECT_EQ(de.ListSeparator, u';');
  EXPECT_EQ(de.ShortDateFormat, u"dd.MM.yyyy");
  EXPECT_EQ(de.LongTimeFormat, u"HH:mm:ss");
  EXPECT_EQ(de.CurrencyFormat, 3);
  EXPECT_EQ(de.LongMonthNames[2], u"M\u00E4rz");

  // Right-to-left marks around the separators are dropped.
  TFormatSettings eg = TFormatSettings::ForLocale("ar_EG");
  EXPECT_EQ(eg.ShortDateFormat, u"d/M/yyyy");
  EXPECT_EQ(eg.DateSeparator, u'/');
}

// The formats made from ICU patterns must read back what they write.
TEST(FormatSettings, LocaleFormatsReadBackTheirOwnTexts) {
  const TDateTime values[] = {EncodeDateTime(2024, 3, 5, 14, 7, 9, 0), EncodeDateTime(1850, 12, 31, 0, 0, 1, 0),
                              EncodeDateTime(9999, 1, 2, 23, 59, 59, 0)};
  for (const char* name : {"en_US", "en_GB", "de_DE", "fr_FR", "hr_HR", "ja_JP", "ar_EG"}) {
    TFormatSettings fs = TFormatSettings::ForLocale(name);
    for (TDateTime v : values) {
      String text = DateTimeToStr(v, fs);
      SCOPED_TRACE(std::string(name) + " " + StringToUtf8(text));
      TDateTime back = 0;
      ASSERT_TRUE(TryStrToDateTime(text, back, fs));
      EXPECT_EQ(back, v);
    }
    double number = -1234567.25;
    EXPECT_EQ(StrToFloat(FloatToStr(number, fs), fs), number);
  }
}

TEST(FormatSettings, InvariantIsMachineReadable) {
  TFormatSettings inv = TFormatSettings::Invariant();
  TDateTime v = EncodeDateTime(2024, 3, 5, 4, 7, 9, 0);
  EXPECT_EQ(FormatDateTime(u"ddddd tt", v, inv), u"2024-03-05 04:07:09");
  EXPECT_EQ(FormatFloat(u"#,##0.00", 1234567.5, inv), u"1234567.50");
  EXPECT_EQ(FloatToStrF(1234567.5, ffNumber, 15, 1, inv), u"1234567.5");
  EXPECT_EQ(StrToDate(u"2024-03-05", inv), EncodeDate(2024, 3, 5));
}

TEST(FormatSettings, UserLocaleNameFollowsThePosixOrder) {
  struct Case {
    const char *lcAll, *lcNumeric, *lcTime, *lang, *expected;
  } cases[] = {
      {nullptr, nullptr, nullptr, nullptr, ""},
      {nullptr, nullptr, nullptr, "sl_SI.UTF-8", "sl_SI"},
      {nullptr, nullptr, nullptr, "de_DE.ISO-8859-15@euro", "de_DE"},
      {nullptr, nullptr, nullptr, "de_DE@euro", "de_DE"},
      {"en_US.UTF-8", "fr_FR", "it_IT", "de_DE", "en_US"},
      {"", "fr_FR.UTF-8", "it_IT", "de_DE", "fr_FR"},
      {nullptr, nullptr, "it_IT.UTF-8", "de_DE", "it_IT"},
      {"C", nullptr, nullptr, "de_DE.UTF-8", ""},
      {"POSIX", nullptr, nullptr, "de_DE.UTF-8", ""},
      {nullptr, nullptr, nullptr, "C.UTF-8", ""},
  };
  LocaleEnvironment env;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("LC_ALL=") + (c.lcAll ? c.lcAll : "-") + " LANG=" + (c.lang ? c.lang : "-"));
    env.Set(c.lcAll, c.lcNumeric, c.lcTime, c.lang);
    EXPECT_EQ(UserLocaleName(), c.expected);
  }
}

TEST(FormatSettings, InitFormatSettingsReadsTheEnvironment) {
  LocaleEnvironment env;
  TFormatSettings saved = FormatSettings;
  env.Set(nullptr, nullptr, nullptr, "en_US.UTF-8");
  InitFormatSettings();
  EXPECT_EQ(FormatSettings.DecimalSeparator, u'.');
  EXPECT_EQ(FloatToStr(1.5), u"1.5");
  env.Set(nullptr, nullptr, nullptr, nullptr);
  InitFormatSettings();
  EXPECT_EQ(FormatSettings, TFormatSettings::Slovene());
  EXPECT_EQ(FloatToStr(1.5), u"1,5");
  FormatSettings = saved;
}
