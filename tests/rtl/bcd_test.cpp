#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "platform/rtl/Bcd.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "tests/support/exception_message.h"

namespace {


String Digits(size_t count, char16_t digit = u'9') { return String(count, digit); }

TBcd Raw(Byte precision, Byte signScale, std::initializer_list<Byte> digits) {
  TBcd b;
  b.Precision = precision;
  b.SignSpecialPlaces = signScale;
  size_t i = 0;
  for (Byte d : digits) b.Fraction[i++] = d;
  return b;
}

}  // namespace

TEST(Bcd, PacksDigitsHighNibbleFirst) {
  TBcd b = StrToBcd(u"-12.345");
  EXPECT_EQ(b.Precision, 5);
  EXPECT_EQ(b.SignSpecialPlaces, 0x83);
  const Byte expected[32] = {0x12, 0x34, 0x50};
  EXPECT_EQ(std::memcmp(b.Fraction, expected, 32), 0);
  TBcd small = StrToBcd(u"0.05");  // leading zeros are not stored
  EXPECT_EQ(small.Precision, 2);
  EXPECT_EQ(small.SignSpecialPlaces, 2);
  EXPECT_EQ(small.Fraction[0], 0x05);
}

TEST(Bcd, TextRoundTrips) {
  struct {
    const char16_t* in;
    const char16_t* out;
    int scale;
  } cases[] = {
      {u"0", u"0", 0},
      {u"-0", u"0", 0},
      {u"1", u"1", 0},
      {u"-1", u"-1", 0},
      {u"+7", u"7", 0},
      {u" 0.5 ", u"0.5", 1},
      {u"-.05", u"-0.05", 2},
      {u"1.50", u"1.5", 2},
      {u"000123", u"123", 0},
      {u"5.", u"5", 0},
      {u"1E3", u"1000", 0},
      {u"1.5e-3", u"0.0015", 4},
      {u"-2.5E+2", u"-250", 0},
      {u"0.000e999999", u"0", 0},
      {u"123456789012345678901234567890.123456789", u"123456789012345678901234567890.123456789", 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.in));
    TBcd b = StrToBcd(c.in);
    EXPECT_EQ(BcdToStr(b), c.out);
    EXPECT_EQ(BcdScale(b), c.scale);
  }
  // The limits: 64 integer digits, or 63 decimals.
  EXPECT_EQ(BcdToStr(StrToBcd(Digits(64))), Digits(64));
  String tiny = u"0." + Digits(62, u'0') + u"1";
  EXPECT_EQ(BcdToStr(StrToBcd(tiny)), tiny);
  EXPECT_EQ(BcdToStr(StrToBcd(u"1,25", u',')), u"1.25");
  EXPECT_EQ(BcdToStr(StrToBcd(u"-1.25"), u','), u"-1,25");
}

TEST(Bcd, RejectsBadText) {
  for (const char16_t* bad : {u"", u"-", u".", u"1.2.3", u"abc", u"1e", u"1e+", u"1,5", u"12a", u"- 1", u"0x10"}) {
    ExpectError<EBcdException>([&] { StrToBcd(bad); }, String(bad) + u" is not a valid BCD value");
    TBcd out;
    EXPECT_FALSE(TryStrToBcd(bad, out));
  }
  for (String big : {Digits(65), String(u"1e64"), String(u"-0.1e65")}) {
    ExpectError<EBcdOverflowException>([&] { StrToBcd(big); }, u"BCD overflow");
  }
  EXPECT_EQ(BcdToStr(StrToBcd(u"9.99e63")), u"999" + Digits(61, u'0'));
}

TEST(Bcd, RoundsWhatDoesNotFit) {
  // Sixty integer digits leave four decimals; the rest rounds half away from zero.
  EXPECT_EQ(BcdToStr(StrToBcd(Digits(60, u'1') + u".12345")), Digits(60, u'1') + u".1235");
  EXPECT_EQ(BcdToStr(StrToBcd(u"-" + Digits(60, u'1') + u".12344")), u"-" + Digits(60, u'1') + u".1234");
  // A carry can reach the integer part, and beyond 64 digits it overflows.
  EXPECT_EQ(BcdToStr(StrToBcd(Digits(63) + u".95")), u"1" + Digits(63, u'0'));
  EXPECT_THROW(StrToBcd(Digits(64) + u".5"), EBcdOverflowException);
  // Far below the last decimal becomes zero.
  EXPECT_TRUE(IsBcdZero(StrToBcd(u"4e-64")));
  EXPECT_EQ(BcdToStr(StrToBcd(u"5e-64")), u"0." + Digits(62, u'0') + u"1");
}

TEST(Bcd, NormalizeRoundsToPrecisionAndScale) {
  struct {
    const char16_t* in;
    int precision, scale;
    const char16_t* out;
  } cases[] = {
      {u"1.005", 10, 2, u"1.01"},  {u"-1.005", 10, 2, u"-1.01"}, {u"1.004", 10, 2, u"1"},
      {u"99.995", 5, 2, u"100"},   {u"0.5", 1, 0, u"1"},         {u"-0.4", 3, 0, u"0"},
      {u"12", 4, 2, u"12"},         {u"0.125", 64, 63, u"0.125"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << StringToUtf8(c.in) << " " << c.precision << "," << c.scale);
    TBcd n = NormalizeBcd(StrToBcd(c.in), c.precision, c.scale);
    EXPECT_EQ(BcdToStr(n), c.out);
    EXPECT_EQ(n.Precision, c.precision);
    EXPECT_EQ(BcdScale(n), c.scale);
  }
  TBcd twelve = NormalizeBcd(StrToBcd(u"12"), 4, 2);
  EXPECT_EQ(twelve.Fraction[0], 0x12);  // integer digits padded in front, decimals behind
  EXPECT_EQ(twelve.Fraction[1], 0x00);
  ExpectError<EBcdOverflowException>([] { NormalizeBcd(StrToBcd(u"99.995"), 4, 2); }, u"BCD overflow");
  ExpectError<EBcdOverflowException>([] { NormalizeBcd(StrToBcd(u"100"), 4, 2); }, u"BCD overflow");
  for (auto ps : {std::pair{0, 0}, std::pair{65, 0}, std::pair{5, 6}, std::pair{64, 64}, std::pair{5, -1}}) {
    EXPECT_THROW(NormalizeBcd(StrToBcd(u"1"), ps.first, ps.second), EBcdException);
  }
}

TEST(Bcd, MalformedRecordsAreErrors) {
  ExpectError<EBcdException>([] { BcdToStr(Raw(65, 0, {})); }, u"Invalid BCD: precision 65 is above 64");
  ExpectError<EBcdException>([] { BcdToStr(Raw(255, 0, {})); }, u"Invalid BCD: precision 255 is above 64");
  ExpectError<EBcdException>([] { BcdToStr(Raw(2, 3, {0x12})); }, u"Invalid BCD: scale 3 is above precision 2");
  ExpectError<EBcdException>([] { BcdToStr(Raw(3, 0, {0x12, 0xA0})); }, u"Invalid BCD: digit 3 has the value 10");
  const TBcd bad = Raw(2, 0, {0x1F});
  EXPECT_THROW(BcdToDouble(bad), EBcdException);
  EXPECT_THROW(BcdCompare(bad, bad), EBcdException);
  EXPECT_THROW(IsBcdZero(bad), EBcdException);
  EXPECT_THROW(NormalizeBcd(bad, 4, 0), EBcdException);
  Currency c;
  EXPECT_THROW(BCDToCurr(bad, c), EBcdException);
  // Nibbles beyond the precision are not part of the value.
  EXPECT_EQ(BcdToStr(Raw(1, 0, {0x1F, 0xFF})), u"1");
  // Sixty-four digits use the last byte, and nothing after it.
  TBcd full = Raw(64, 0, {});
  std::memset(full.Fraction, 0x99, 32);
  EXPECT_EQ(BcdToStr(full), Digits(64));
  // Precision 0 (an all-zero record) is zero.
  EXPECT_EQ(BcdToStr(TBcd()), u"0");
  EXPECT_TRUE(IsBcdZero(TBcd()));
}

TEST(Bcd, CompareByValue) {
  struct {
    const char16_t* a;
    const char16_t* b;
    int expected;
  } cases[] = {
      {u"1.5", u"1.50", 0}, {u"-0", u"0", 0},     {u"-1", u"1", -1},     {u"0.05", u"0.5", -1},
      {u"-2", u"-10", 1},   {u"10", u"9", 1},     {u"0.1", u"0.09", 1},  {u"-0.1", u"-0.09", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << StringToUtf8(c.a) << " vs " << StringToUtf8(c.b));
    EXPECT_EQ(BcdCompare(StrToBcd(c.a), StrToBcd(c.b)), c.expected);
    EXPECT_EQ(BcdCompare(StrToBcd(c.b), StrToBcd(c.a)), -c.expected);
  }
  TBcd padded = NormalizeBcd(StrToBcd(u"1.5"), 20, 10);
  EXPECT_EQ(BcdCompare(padded, StrToBcd(u"1.5")), 0);
  EXPECT_EQ(BcdPrecision(padded), 1);
  EXPECT_EQ(BcdPrecision(StrToBcd(u"0.5")), 0);
  EXPECT_EQ(BcdPrecision(StrToBcd(u"-123.4")), 3);
}

TEST(Bcd, DoubleConversions) {
  for (double d : {0.1, -0.1, 1.0 / 3, 123.456, 1e20, -2.5e-5, 9.5e62, 1e-60, 0.0}) {
    SCOPED_TRACE(d);
    EXPECT_EQ(BcdToDouble(DoubleToBcd(d)), d);
  }
  EXPECT_EQ(BcdToStr(DoubleToBcd(0.1)), u"0.1");  // the shortest text, not the binary expansion
  EXPECT_EQ(BcdToStr(DoubleToBcd(-2.5e-5)), u"-0.000025");
  EXPECT_EQ(BcdToStr(DoubleToBcd(1e20)), u"100000000000000000000");
  EXPECT_TRUE(IsBcdZero(DoubleToBcd(1e-300)));
  EXPECT_THROW(DoubleToBcd(1e64), EBcdOverflowException);
  EXPECT_THROW(DoubleToBcd(std::numeric_limits<double>::quiet_NaN()), EBcdException);
  EXPECT_THROW(DoubleToBcd(-std::numeric_limits<double>::infinity()), EBcdException);
  EXPECT_EQ(BcdToDouble(StrToBcd(Digits(64))), 1e64);
  EXPECT_EQ(BcdToStr(IntegerToBcd(INT64_MIN)), u"-9223372036854775808");
}

TEST(Bcd, CurrencyConversions) {
  for (Currency c : {MinCurrency, MaxCurrency, Currency(), Currency::FromScaled(-1), Currency::FromScaled(15000)}) {
    SCOPED_TRACE(c.Scaled());
    TBcd b;
    ASSERT_TRUE(CurrToBCD(c, b));
    Currency back;
    ASSERT_TRUE(BCDToCurr(b, back));
    EXPECT_EQ(back, c);
  }
  TBcd b;
  ASSERT_TRUE(CurrToBCD(MinCurrency, b));
  EXPECT_EQ(BcdToStr(b), u"-922337203685477.5808");
  ASSERT_TRUE(CurrToBCD(Currency::FromScaled(12345), b, 3, 1));
  EXPECT_EQ(BcdToStr(b), u"1.2");
  EXPECT_EQ(b.Precision, 3);
  EXPECT_FALSE(CurrToBCD(Currency::FromScaled(1234500), b, 4, 2));  // 123.45 needs five digits
  EXPECT_FALSE(CurrToBCD(Currency(), b, 65, 4));

  struct {
    const char16_t* text;
    bool ok;
    Int64 scaled;
  } cases[] = {
      {u"922337203685477.5807", true, INT64_MAX},  {u"922337203685477.5808", false, 0},
      {u"-922337203685477.5808", true, INT64_MIN}, {u"-922337203685477.5809", false, 0},
      {u"0.00005", true, 1},                        {u"-0.00005", true, -1},
      {u"0.00004999", true, 0},                     {u"1e40", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text));
    Currency out = Currency::FromScaled(42);
    EXPECT_EQ(BCDToCurr(StrToBcd(c.text), out), c.ok);
    if (c.ok) {
      EXPECT_EQ(out.Scaled(), c.scaled);
    }
  }
}

TEST(Bcd, WholeNumbersRoundTiesToEven) {
  struct {
    const char16_t* text;
    bool ok;
    Int64 value;
  } cases[] = {
      {u"2.5", true, 2},   {u"3.5", true, 4},  {u"-2.5", true, -2}, {u"2.5000001", true, 3},
      {u"-0.4", true, 0},  {u"9223372036854775807.4", true, INT64_MAX},
      {u"9223372036854775807.5", false, 0},    {u"-9223372036854775808", true, INT64_MIN},
      {u"1e30", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.text));
    Int64 out = 0;
    EXPECT_EQ(TryBcdToInt64(StrToBcd(c.text), out), c.ok);
    if (c.ok) {
      EXPECT_EQ(out, c.value);
    }
  }
}

// ---------------------------------------------------------------------------
// Currency

TEST(Currency, FromDoubleRoundsTiesAwayFromZero) {
  EXPECT_EQ(Currency::FromDouble(0.03125).Scaled(), 313);  // 312.5 scaled, exact in binary
  EXPECT_EQ(Currency::FromDouble(-0.03125).Scaled(), -313);
  EXPECT_EQ(Currency::FromDouble(0.015625).Scaled(), 156);
  EXPECT_EQ(Currency::FromDouble(1.5).Scaled(), 15000);
  EXPECT_EQ(Currency::FromDouble(562949953421312.0).Scaled(), 5629499534213120000);  // 2^49
  for (double bad : {1e15, -1e15, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    ExpectError<EInvalidOp>([&] { Currency::FromDouble(bad); }, u"Invalid floating point operation");
  }
  EXPECT_EQ(Currency::FromScaled(25000).ToInt64(), 3);
  EXPECT_EQ(Currency::FromScaled(-25000).ToInt64(), -3);
  EXPECT_EQ(Currency::FromScaled(24999).ToInt64(), 2);
  EXPECT_EQ(Currency::FromScaled(15000).ToDouble(), 1.5);
  EXPECT_EQ(Currency::FromInt64(-7).Scaled(), -70000);
  ExpectError<EOverflow>([] { Currency::FromInt64(922337203685478); }, u"Floating point overflow");
}

TEST(Currency, ArithmeticIsExactAndChecked) {
  Currency a = Currency::FromScaled(15000);  // 1.5
  EXPECT_EQ((a * a).Scaled(), 22500);
  EXPECT_EQ((a + a).Scaled(), 30000);
  EXPECT_EQ((a - a * a).Scaled(), -7500);
  EXPECT_EQ((Currency::FromScaled(1) * Currency::FromScaled(5000)).Scaled(), 1);  // 0.00005 rounds away
  EXPECT_EQ((Currency::FromInt64(1) / Currency::FromInt64(3)).Scaled(), 3333);
  EXPECT_EQ((Currency::FromInt64(-2) / Currency::FromInt64(3)).Scaled(), -6667);
  // 10^14 * 10^14 would not fit even though each factor does.
  ExpectError<EOverflow>([] { Currency::FromInt64(100000000000000) * Currency::FromInt64(100000000000000); },
                         u"Floating point overflow");
  ExpectError<EOverflow>([] { MaxCurrency + Currency::FromScaled(1); }, u"Floating point overflow");
  ExpectError<EOverflow>([] { MinCurrency - Currency::FromScaled(1); }, u"Floating point overflow");
  ExpectError<EOverflow>([] { -MinCurrency; }, u"Floating point overflow");
  ExpectError<EZeroDivide>([&] { a / Currency(); }, u"Floating point division by zero");
  EXPECT_LT(Currency::FromScaled(-1), Currency());
  EXPECT_EQ(MinCurrency.Trunc(), -922337203685477);
}
