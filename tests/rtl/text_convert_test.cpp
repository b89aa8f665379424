#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

std::string Utf8(StringView s) { return StringToUtf8(s); }

TFormatSettings Sl() { return TFormatSettings::Slovene(); }

// US settings written out, so that the tests do not depend on ICU's data.
TFormatSettings Us() {
  TFormatSettings fs;
  fs.DecimalSeparator = u'.';
  fs.ThousandSeparator = u',';
  fs.DateSeparator = u'/';
  fs.ShortDateFormat = u"M/d/yyyy";
  fs.LongDateFormat = u"dddd, MMMM d, yyyy";
  fs.ShortTimeFormat = u"h:mm AMPM";
  fs.LongTimeFormat = u"h:mm:ss AMPM";
  fs.TimeAMString = u"AM";
  fs.TimePMString = u"PM";
  fs.CurrencyString = u"$";
  fs.CurrencyFormat = 0;
  fs.NegCurrFormat = 0;
  fs.LongMonthNames[2] = u"March";
  fs.LongDayNames[2] = u"Tuesday";
  return fs;
}

void ExpectConvertError(const std::function<void()>& call, const String& message) {
  try {
    call();
    ADD_FAILURE() << "no exception, expected " << Utf8(message);
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

int CurrentYear() {
  Word y, m, d;
  DecodeDate(Date(), y, m, d);
  return y;
}

}  // namespace

// ---- Numbers to text ----

TEST(TextConvert, FloatToStrGivesTheShortestFifteenDigitText) {
  struct Case {
    double value;
    const char16_t *sl, *us;
  } cases[] = {
      {0, u"0", u"0"},
      {-0.0, u"0", u"0"},
      {1.5, u"1,5", u"1.5"},
      {-1.5, u"-1,5", u"-1.5"},
      {100, u"100", u"100"},
      {0.1 + 0.2, u"0,3", u"0.3"},
      {1.0 / 3, u"0,333333333333333", u"0.333333333333333"},
      {2.0 / 3, u"0,666666666666667", u"0.666666666666667"},
      {0.0001, u"0,0001", u"0.0001"},
      {0.00001, u"1E-5", u"1E-5"},
      {1.5e-5, u"1,5E-5", u"1.5E-5"},
      {123456789012345.0, u"123456789012345", u"123456789012345"},
      {1e15, u"1E15", u"1E15"},
      {1234567890123456.0, u"1,23456789012346E15", u"1.23456789012346E15"},
      {1e20, u"1E20", u"1E20"},
      {-2.5e-300, u"-2,5E-300", u"-2.5E-300"},
      {std::numeric_limits<double>::max(), u"1,79769313486232E308", u"1.79769313486232E308"},
      {std::numeric_limits<double>::infinity(), u"INF", u"INF"},
      {-std::numeric_limits<double>::infinity(), u"-INF", u"-INF"},
      {std::nan(""), u"NAN", u"NAN"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(FloatToStr(c.value, Sl()), c.sl);
    EXPECT_EQ(FloatToStr(c.value, Us()), c.us);
  }
}

TEST(TextConvert, FloatToStrRoundTripsThroughStrToFloat) {
  const double values[] = {0.1, -0.1, 123.456, 1e-7, -9.87654321012345e-5, 1.5e300, 4.94065645841247e-324,
                           999999999999999.0, 0.000123456789012345, 1e22, 65536.125};
  for (const TFormatSettings& fs : {Sl(), Us()}) {
    for (double v : values) {
      String text = FloatToStr(v, fs);
      SCOPED_TRACE(Utf8(text));
      EXPECT_EQ(StrToFloat(text, fs), v);
    }
  }
}

// FloatToStr has its own quick path; it must give the general form's text
// for every double, whatever its size, sign and rounding.
TEST(TextConvert, FloatToStrMatchesTheGeneralFormEverywhere) {
  std::vector<double> values = {0.0001, 0.00009999999999999999, 0.00099999999999999995, 999999999999999.4,
                                999999999999999.5, 9999999999999995.0, 1e15 - 0.5, 0.95, 9.9999999999999995,
                                0.1 + 0.2, 5e-324, 2.2250738585072014e-308, std::numeric_limits<double>::max(),
                                123456.7890123456, 1e-4 - 1e-20, 1e100, 1.5e-10};
  for (int i = -3000; i <= 3000; ++i) {
    values.push_back(i * 1.25);
    values.push_back(i * 0.01);
    values.push_back(i / 7.0);
    values.push_back(std::ldexp(1.0 + i / 3000.0, i % 1070));
  }
  // A deterministic spread of bit patterns over the whole range.
  unsigned long long bits = 0x9E3779B97F4A7C15ull;
  for (int i = 0; i < 20000; ++i) {
    bits ^= bits << 13;
    bits ^= bits >> 7;
    bits ^= bits << 17;
    double v;
    std::memcpy(&v, &bits, sizeof v);
    values.push_back(v);
  }
  for (const TFormatSettings& fs : {Sl(), Us()}) {
    for (double v : values) {
      for (double signed_ : {v, -v}) {
        const String general = FloatToStrF(signed_, ffGeneral, 15, 0, fs);
        if (FloatToStr(signed_, fs) != general) {
          ADD_FAILURE() << std::hexfloat << signed_ << " gives " << Utf8(FloatToStr(signed_, fs)) << ", expected "
                        << Utf8(general);
        }
      }
    }
  }
}

TEST(TextConvert, FloatToStrFFormats) {
  struct Case {
    double value;
    TFloatFormat format;
    int precision, digits;
    const char16_t* expected;
  } cases[] = {
      {1234.5678, ffGeneral, 6, 0, u"1234,57"},
      {1234.5678, ffExponent, 6, 2, u"1,23457E+03"},
      {-0.000123, ffExponent, 4, 3, u"-1,230E-004"},
      {0, ffExponent, 3, 2, u"0,00E+00"},
      {1234.5678, ffFixed, 15, 2, u"1234,57"},
      {1234.5678, ffFixed, 4, 2, u"1235,00"},  // precision limits the digits
      {-0.004, ffFixed, 15, 2, u"0,00"},        // no sign on a zero text
      {0.5, ffFixed, 15, 0, u"1"},
      {1e20, ffFixed, 15, 2, u"1E20"},          // too wide: general form
      {1234567.891, ffNumber, 15, 2, u"1.234.567,89"},
      {-999.999, ffNumber, 15, 2, u"-1.000,00"},
      {123, ffNumber, 15, 0, u"123"},
      {1234.5, ffCurrency, 15, 2, u"1.234,50 \u20AC"},
      {-1234.5, ffCurrency, 15, 2, u"-1.234,50 \u20AC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.expected));
    EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits, Sl()), c.expected);
  }
  // The sixteen negative currency layouts.
  const char16_t* layouts[] = {u"($1.50)", u"-$1.50", u"$-1.50", u"$1.50-", u"(1.50$)", u"-1.50$",
                               u"1.50-$",  u"1.50$-", u"-1.50 $", u"-$ 1.50", u"1.50 $-", u"$ 1.50-",
                               u"$ -1.50", u"1.50- $", u"($ 1.50)", u"(1.50 $)"};
  TFormatSettings us = Us();
  for (Byte i = 0; i < 16; ++i) {
    us.NegCurrFormat = i;
    EXPECT_EQ(FloatToStrF(-1.5, ffCurrency, 15, 2, us), layouts[i]) << int(i);
  }
  const char16_t* positive[] = {u"$1.50", u"1.50$", u"$ 1.50", u"1.50 $"};
  for (Byte i = 0; i < 4; ++i) {
    us.CurrencyFormat = i;
    EXPECT_EQ(FloatToStrF(1.5, ffCurrency, 15, 2, us), positive[i]) << int(i);
  }
}

TEST(TextConvert, FormatFloatPictures) {
  struct Case {
    const char16_t* format;
    double value;
    const char16_t* expected;
  } cases[] = {
      {u"0.00", 1.005, u"1,01"},  // rounds the shown value, not the binary one
      {u"0.00", 2.675, u"2,68"},
      {u"0.00", -1.5, u"-1,50"},
      {u"0.00", -0.001, u"0,00"},
      {u"#,##0.00", 1234567.891, u"1.234.567,89"},
      {u"#,##0.00", 0, u"0,00"},
      {u"#,##0", 999.5, u"1.000"},
      {u"#.##", 0.5, u",5"},
      {u"#", 0, u""},
      {u"00", 5, u"05"},
      {u"0.0#", 1.25, u"1,25"},
      {u"0.0#", 1.2, u"1,2"},
      {u"0", 123456, u"123456"},  // digits beyond the placeholders come first
      {u"000-000", 12345, u"012-345"},
      {u"0.0E+00", 1234.5, u"1,2E+03"},
      {u"0.00E-0", 0.000123, u"1,23E-4"},
      {u"0.00E-0", 12300, u"1,23E4"},
      {u"00.0e+0", 1234.5, u"12,3e+2"},
      {u"\"$\"#,##0.00", -5, u"-$5,00"},
      {u"0.00 'kg'", 2.5, u"2,50 kg"},
      {u"#,##0;(#,##0);\"zero\"", 1234, u"1.234"},
      {u"#,##0;(#,##0);\"zero\"", -1234, u"(1.234)"},
      {u"#,##0;(#,##0);\"zero\"", 0.2, u"zero"},  // rounds to zero under the first section
      {u"0.0;;\"nothing\"", -2, u"-2,0"},          // empty negative section: the first one
      {u"#,##0", 1e25, u"1E25"},                   // too wide for a picture
      {u"", 1.5, u"1,5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.format) + " " + std::to_string(c.value));
    EXPECT_EQ(FormatFloat(c.format, c.value, Sl()), c.expected);
  }
  EXPECT_EQ(FormatFloat(u"#,##0.00", 1234567.891, Us()), u"1,234,567.89");
  EXPECT_EQ(FormatFloat(u"0.00", std::numeric_limits<double>::infinity(), Sl()), u"INF");
}

TEST(TextConvert, CurrencyTextsAreExact) {
  struct Case {
    Int64 scaled;
    const char16_t* text;
  } cases[] = {
      {0, u"0"},
      {15000, u"1,5"},
      {123456, u"12,3456"},
      {-1, u"-0,0001"},
      {INT64_MAX, u"922337203685477,5807"},
      {INT64_MIN, u"-922337203685477,5808"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.text));
    EXPECT_EQ(CurrToStr(Currency::FromScaled(c.scaled), Sl()), c.text);
    EXPECT_EQ(StrToCurr(c.text, Sl()), Currency::FromScaled(c.scaled));
  }
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(12345678), ffCurrency, 2, Sl()), u"1.234,57 \u20AC");
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(-50), ffFixed, 2, Sl()), u"-0,01");
  EXPECT_EQ(FormatCurr(u"#,##0.00", Currency::FromScaled(INT64_MAX), Sl()), u"922.337.203.685.477,58");
  // A fifth decimal rounds half away from zero; too large a value is an error.
  EXPECT_EQ(StrToCurr(u"1,23455", Sl()), Currency::FromScaled(12346));
  EXPECT_EQ(StrToCurr(u"-1,23455", Sl()), Currency::FromScaled(-12346));
  ExpectConvertError([] { StrToCurr(u"922337203685478", Sl()); },
                     u"'922337203685478' is not a valid floating point value");
}

// ---- Text to numbers ----

TEST(TextConvert, StrToFloatReadsTheSettingsDecimalSeparator) {
  struct Case {
    const char16_t* text;
    double value;
  } accepted[] = {
      {u"1,5", 1.5},  {u"  -1,5E3 ", -1500}, {u"+,5", 0.5},      {u"5,", 5},
      {u"1e-400", 0}, {u"00012", 12},        {u"1E+2", 100},     {u"0,1", 0.1},
      {u"inf", HUGE_VAL}, {u"-INF", -HUGE_VAL},
  };
  for (const Case& c : accepted) {
    SCOPED_TRACE(Utf8(c.text));
    EXPECT_EQ(StrToFloat(c.text, Sl()), c.value);
  }
  EXPECT_TRUE(std::isnan(StrToFloat(u"NAN", Sl())));
  EXPECT_EQ(StrToFloat(u"1.5", Us()), 1.5);

  for (const char16_t* text : {u"1.5", u"", u"  ", u"abc", u"1,5,", u"1 5", u"1.000,5", u"1e", u"1e+", u"-", u",",
                               u"1e400", u"1,5x", u"--1"}) {
    SCOPED_TRACE(Utf8(text));
    ExpectConvertError([&] { StrToFloat(text, Sl()); },
                       u"'" + String(text) + u"' is not a valid floating point value");
  }
  EXPECT_EQ(StrToFloatDef(u"x", 7.5, Sl()), 7.5);
  double v = 3;
  EXPECT_FALSE(TryStrToFloat(u"1,5", v, Us()));
  EXPECT_EQ(v, 3);
}

TEST(TextConvert, StrToIntReadsDecimalAndHexadecimal) {
  struct Case {
    const char16_t* text;
    Integer value;
  } accepted[] = {
      {u"123", 123},         {u"  -45", -45},     {u"+7", 7},           {u"$FF", 255},
      {u"0x1f", 31},         {u"-$10", -16},      {u"$FFFFFFFF", -1},   {u"2147483647", 2147483647},
      {u"-2147483648", INT32_MIN}, {u"0007", 7},
  };
  for (const Case& c : accepted) {
    SCOPED_TRACE(Utf8(c.text));
    EXPECT_EQ(StrToInt(c.text), c.value);
  }
  for (const char16_t* text : {u"2147483648", u"-2147483649", u"$100000000", u"12 ", u"", u"$", u"0x", u"1.0",
                               u"abc", u"1e3", u"- 1"}) {
    SCOPED_TRACE(Utf8(text));
    ExpectConvertError([&] { StrToInt(text); }, u"'" + String(text) + u"' is not a valid integer value");
  }
  EXPECT_EQ(StrToInt64(u"9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64(u"-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64(u"$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64(u"5000000000"), 5000000000LL);
  ExpectConvertError([] { StrToInt64(u"9223372036854775808"); },
                     u"'9223372036854775808' is not a valid integer value");
  EXPECT_EQ(StrToIntDef(u"5000000000", -1), -1);
  EXPECT_EQ(StrToInt64Def(u"x", 9), 9);
}

// ---- Dates and times to text ----

TEST(TextConvert, FormatDateTimeLetters) {
  TDateTime v = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);  // a Tuesday
  struct Case {
    const char16_t *format, *expected;
  } cases[] = {
      {u"d.m.yyyy", u"5.3.2024"},
      {u"dd.mm.yy", u"05.03.24"},
      {u"ddd dddd", u"tor. torek"},
      {u"mmm mmmm", u"mar. marec"},
      {u"h:n:s.z", u"14:7:9.45"},
      {u"hh:nn:ss.zzz", u"14:07:09.045"},
      {u"hh:mm", u"14:07"},          // m after an hour is minutes
      {u"h \"h\" m", u"14 h 7"},     // also across a literal
      {u"mm hh", u"03 14"},
      {u"h am/pm", u"2 pm"},
      {u"h AM/PM", u"2 PM"},
      {u"h a/p", u"2 p"},
      {u"h ampm", u"2 pop."},
      {u"hh \"x\" a", u"14 x a"},    // a lone "a" is no marker
      {u"ddddd", u"5.3.2024"},
      {u"dddddd", u"5. marec 2024"},
      {u"t", u"14:07"},
      {u"tt", u"14:07:09"},
      {u"c", u"5.3.2024 14:07:09"},
      {u"", u"5.3.2024 14:07:09"},
      {u"yyyy/mm/dd", u"2024.03.05"},  // "/" is the date separator
      {u"'day' d \"of\" m", u"day 5 of 3"},
      {u"\"open", u"open"},
      {u"D.M.YYYY H:N", u"5.3.2024 14:7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.format));
    EXPECT_EQ(FormatDateTime(c.format, v, Sl()), c.expected);
  }
  EXPECT_EQ(DateTimeToStr(v, Us()), u"3/5/2024 2:07:09 PM");
  EXPECT_EQ(FormatDateTime(u"dddddd", v, Us()), u"Tuesday, March 5, 2024");
  // Zeros pad every part to its width, also where the number is shorter.
  EXPECT_EQ(FormatDateTime(u"yyyy yy dd mm hh nn ss zzz z", EncodeDateTime(1, 1, 2, 3, 4, 5, 6), Sl()),
            u"0001 01 02 01 03 04 05 006 6");
  // Midnight shows no time; 0:30 on the 12-hour clock is 12:30.
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5), Sl()), u"5.3.2024");
  EXPECT_EQ(FormatDateTime(u"h:nn am/pm", EncodeTime(0, 30, 0, 0), Sl()), u"12:30 am");
  EXPECT_EQ(TimeToStr(EncodeTime(0, 30, 0, 0), Us()), u"12:30:00 AM");
}

TEST(TextConvert, DatesFromYearOneToNineThousandNineHundredNinetyNine) {
  struct Case {
    TDateTime value;
    const char16_t* text;
  } cases[] = {
      {-1.25, u"29.12.1899 6:00:00"},
      {0, u"30.12.1899"},
      {EncodeDate(1, 1, 1), u"1.1.0001"},
      {EncodeDateTime(1066, 10, 14, 9, 30, 0, 0), u"14.10.1066 9:30:00"},
      {EncodeDateTime(9999, 12, 31, 23, 59, 59, 0), u"31.12.9999 23:59:59"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.text));
    EXPECT_EQ(DateTimeToStr(c.value, Sl()), c.text);
    EXPECT_EQ(StrToDateTime(c.text, Sl()), c.value);
  }
  // -0.5 and 0.5 are both noon of the first day.
  EXPECT_EQ(DateTimeToStr(-0.5, Sl()), u"30.12.1899 12:00:00");
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(9999, 12, 31, 23, 59, 59, 999), Sl()), u"31.12.9999 23:59:59");
  EXPECT_EQ(FormatDateTime(u"dddd", EncodeDate(1, 1, 1), Sl()), u"ponedeljek");
  for (double bad : {EncodeDate(9999, 12, 31) + 1.0, EncodeDate(1, 1, 1) - 1.0, std::nan("")}) {
    EXPECT_THROW(DateTimeToStr(bad, Sl()), EConvertError);
  }
}

TEST(TextConvert, FormatsThatNameThemselvesDoNotRecurseForever) {
  TFormatSettings fs = Sl();
  fs.ShortDateFormat = u"ddddd";
  fs.LongTimeFormat = u"c tt";
  EXPECT_EQ(FormatDateTime(u"ddddd", EncodeDate(2024, 3, 5), fs), u"");
  EXPECT_NO_THROW(FormatDateTime(u"c", EncodeDateTime(2024, 3, 5, 1, 0, 0, 0), fs));
}

// ---- Text to dates and times ----

TEST(TextConvert, StrToDateFollowsTheShortDateOrder) {
  struct Case {
    const char16_t* text;
    Word y, m, d;
  } cases[] = {
      {u"5.3.2024", 2024, 3, 5},   {u"05.03.2024", 2024, 3, 5}, {u" 5 . 3 . 2024 ", 2024, 3, 5},
      {u"5.3.2024.", 2024, 3, 5},  {u"1.1.0001", 1, 1, 1},      {u"31.12.9999", 9999, 12, 31},
      {u"29.2.2024", 2024, 2, 29}, {u"1.1.0024", 24, 1, 1},     {u"31.12.1850", 1850, 12, 31},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.text));
    EXPECT_EQ(StrToDate(c.text, Sl()), EncodeDate(c.y, c.m, c.d));
  }
  EXPECT_EQ(StrToDate(u"3/5/2024", Us()), EncodeDate(2024, 3, 5));
  TFormatSettings ymd = TFormatSettings::Invariant();
  EXPECT_EQ(StrToDate(u"2024-03-05", ymd), EncodeDate(2024, 3, 5));
  // Without a year: the current one.
  EXPECT_EQ(StrToDate(u"5.3", Sl()), EncodeDate(static_cast<Word>(CurrentYear()), 3, 5));
  EXPECT_EQ(StrToDate(u"3-5", ymd), EncodeDate(static_cast<Word>(CurrentYear()), 3, 5));

  for (const char16_t* text : {u"29.2.2023", u"32.1.2024", u"1.13.2024", u"0.1.2024", u"1.1.0000", u"1.1.10000",
                               u"5/3/2024", u"5.3.2024 x", u"", u"5..2024", u"5", u"99999.1.1", u"a.b.c",
                               u"5.3.2024 14:00"}) {
    SCOPED_TRACE(Utf8(text));
    ExpectConvertError([&] { StrToDate(text, Sl()); }, u"'" + String(text) + u"' is not a valid date");
  }
}

TEST(TextConvert, TwoDigitYearsFallInTheCenturyWindow) {
  const int now = CurrentYear();
  for (Word window : {Word(0), Word(50), Word(30)}) {
    TFormatSettings fs = Sl();
    fs.TwoDigitYearCenturyWindow = window;
    for (int yy : {0, 10, 24, 49, 50, 75, 99}) {
      // The one year ending in yy within [now - window, now - window + 99],
      // or in the current century for a window of 0.
      int expected = window == 0 ? now / 100 * 100 + yy : (now - window) + ((yy - (now - window)) % 100 + 100) % 100;
      SCOPED_TRACE("window " + std::to_string(window) + " year " + std::to_string(yy));
      Word y, m, d;
      DecodeDate(StrToDate(u"1.1." + IntToStr(yy), fs), y, m, d);
      EXPECT_EQ(y, expected);
    }
  }
}

TEST(TextConvert, StrToTimeReadsHoursMinutesSecondsAndFractions) {
  struct Case {
    const char16_t* text;
    Word h, n, s, ms;
  } cases[] = {
      {u"14:07", 14, 7, 0, 0},         {u"14:07:09", 14, 7, 9, 0},  {u" 9 : 5 ", 9, 5, 0, 0},
      {u"14:07:09,5", 14, 7, 9, 500},  // a decimal fraction of the second
      {u"14:07:09,045", 14, 7, 9, 45}, {u"14:07:09,1239", 14, 7, 9, 123},
      {u"14", 14, 0, 0, 0},            {u"2:07 PM", 14, 7, 0, 0},   {u"2:07 pop.", 14, 7, 0, 0},
      {u"PM 2:07", 14, 7, 0, 0},       {u"12:00 am", 0, 0, 0, 0},   {u"12 PM", 12, 0, 0, 0},
      {u"23:59:59,999", 23, 59, 59, 999},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.text));
    EXPECT_EQ(StrToTime(c.text, Sl()), EncodeTime(c.h, c.n, c.s, c.ms));
  }
  for (const char16_t* text : {u"24:00", u"13:00 PM", u"0:30 AM", u"14:60", u"14:", u"x", u"14:07:09,", u"", u"1:2:3:4",
                               u"14.07"}) {
    SCOPED_TRACE(Utf8(text));
    ExpectConvertError([&] { StrToTime(text, Sl()); }, u"'" + String(text) + u"' is not a valid time");
  }
}

TEST(TextConvert, StrToDateTimeJoinsDateAndTime) {
  EXPECT_EQ(StrToDateTime(u"5.3.2024 14:07:09", Sl()), EncodeDateTime(2024, 3, 5, 14, 7, 9, 0));
  EXPECT_EQ(StrToDateTime(u"5.3.2024", Sl()), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDateTime(u"14:07", Sl()), EncodeTime(14, 7, 0, 0));
  // Before 1899 the time still runs forward within the day.
  EXPECT_EQ(StrToDateTime(u"29.12.1899 6:00", Sl()), -1.25);
  EXPECT_EQ(StrToDateTime(u"3/5/2024 2:07:09 PM", Us()), EncodeDateTime(2024, 3, 5, 14, 7, 9, 0));
  for (const char16_t* text : {u"5.3.2024 25:00", u"5.3.2024 14:00 x", u"soon"}) {
    SCOPED_TRACE(Utf8(text));
    ExpectConvertError([&] { StrToDateTime(text, Sl()); }, u"'" + String(text) + u"' is not a valid date and time");
  }
}

TEST(TextConvert, OverloadsWithoutSettingsUseTheGlobalObject) {
  TFormatSettings saved = FormatSettings;
  FormatSettings = Us();
  EXPECT_EQ(FloatToStr(1.5), u"1.5");
  EXPECT_EQ(StrToFloat(u"1.5"), 1.5);
  EXPECT_EQ(FormatFloat(u"#,##0.0", 1234.5), u"1,234.5");
  EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 5)), u"3/5/2024");
  EXPECT_EQ(StrToDate(u"3/5/2024"), EncodeDate(2024, 3, 5));
  FormatSettings = Sl();
  EXPECT_EQ(FloatToStr(1.5), u"1,5");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(15000)), u"1,5");
  EXPECT_EQ(TimeToStr(EncodeTime(14, 7, 9, 0)), u"14:07:09");
  FormatSettings = saved;
}
