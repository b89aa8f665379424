#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/rtl/Extended.h"

namespace {

using Bytes = std::vector<Byte>;

Bytes ToBytes(const Extended80& e) { return Bytes(e.bytes, e.bytes + 10); }

Extended80 Make(bool negative, unsigned exponent, UInt64 mantissa) {
  Extended80 e;
  for (int i = 0; i < 8; ++i) e.bytes[i] = Byte(mantissa >> (8 * i));
  unsigned top = exponent | (negative ? 0x8000u : 0u);
  e.bytes[8] = Byte(top);
  e.bytes[9] = Byte(top >> 8);
  return e;
}

UInt64 Bits(double d) { return std::bit_cast<UInt64>(d); }

constexpr UInt64 kTop = UInt64(1) << 63;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMinDenormal = std::numeric_limits<double>::denorm_min();
constexpr double kMinNormal = std::numeric_limits<double>::min();
constexpr double kMax = std::numeric_limits<double>::max();

}  // namespace

TEST(Extended, KnownBytePatterns) {
  struct {
    double value;
    Bytes bytes;
  } cases[] = {
      {1.0, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
      {-2.0, {0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}},
      {0.1, {0x00, 0xD0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}},
      {0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {-0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}},
      {kInf, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}},
      {-kInf, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF}},
      {std::numeric_limits<double>::quiet_NaN(), {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F}},
      // 2^-1074: a double denormal is a normal extended number.
      {kMinDenormal, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xCD, 0x3B}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(ToBytes(DoubleToExtended(c.value)), c.bytes);
    Extended80 e;
    std::memcpy(e.bytes, c.bytes.data(), 10);
    EXPECT_EQ(Bits(ExtendedToDouble(e)), Bits(c.value));
  }
}

TEST(Extended, EveryDoubleRoundTripsBitForBit) {
  std::vector<double> values = {1.0 / 3, -M_PI, kMinDenormal, -kMinDenormal, kMinNormal, kMinNormal - kMinDenormal,
                                kMax, -kMax, 1e-310, 123456789.125, 4503599627370497.0};
  UInt64 state = 0x9E3779B97F4A7C15u;
  for (int i = 0; i < 200000; ++i) {  // random bit patterns across every exponent
    state = state * 6364136223846793005u + 1442695040888963407u;
    double d = std::bit_cast<double>(state);
    if (!std::isnan(d)) values.push_back(d);
  }
  for (double d : values) {
    double back = ExtendedToDouble(DoubleToExtended(d));
    if (Bits(back) != Bits(d)) FAIL() << "bits " << std::hex << Bits(d) << " came back as " << Bits(back);
  }
  // NaNs keep sign and payload and become quiet.
  double signalling = std::bit_cast<double>(UInt64(0xFFF0000000001234));
  EXPECT_EQ(Bits(ExtendedToDouble(DoubleToExtended(signalling))), 0xFFF8000000001234u);
  EXPECT_TRUE(IsExtendedNaN(DoubleToExtended(signalling)));
}

TEST(Extended, NarrowingRoundsToNearestEven) {
  struct {
    const char* what;
    Extended80 value;
    double expected;
  } cases[] = {
      {"tie rounds down to even", Make(false, 16383, kTop | (1u << 10)), 1.0},
      {"above the tie rounds up", Make(false, 16383, kTop | (1u << 10) | 1), 1.0 + 0x1p-52},
      {"tie rounds up to even", Make(false, 16383, kTop | (3u << 10)), 1.0 + 0x1p-51},
      {"carry into the exponent", Make(true, 16383, ~UInt64(0)), -2.0},
      {"beyond the largest double", Make(false, 16383 + 1024, kTop), kInf},
      {"rounds up past the largest double", Make(false, 16383 + 1023, ~UInt64(0)), kInf},
      {"largest extended", Make(true, 0x7FFE, ~UInt64(0)), -kInf},
      {"just under the smallest normal", Make(false, 16383 - 1023, ~UInt64(0)), kMinNormal},
      {"denormal, exact", Make(false, 16383 - 1030, kTop), 0x1p-1030},
      {"denormal, tie to even", Make(false, 16383 - 1074, kTop | (kTop >> 1)), 2 * kMinDenormal},
      {"half the smallest denormal", Make(false, 16383 - 1075, kTop), 0.0},
      {"above half the smallest denormal", Make(false, 16383 - 1075, kTop | 1), kMinDenormal},
      {"far below", Make(true, 16383 - 1200, kTop), -0.0},
      {"extended denormal", Make(false, 0, 12345), 0.0},
      {"unnormal by its value", Make(false, 16383, kTop >> 1), 0.5},
      {"pseudo-infinity", Make(true, 0x7FFF, 0), -kInf},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Bits(ExtendedToDouble(c.value)), Bits(c.expected));
  }
  double nan = ExtendedToDouble(Make(true, 0x7FFF, kTop | 5));
  EXPECT_TRUE(std::isnan(nan));
  EXPECT_TRUE(std::signbit(nan));
}

TEST(Extended, CompareIsExactAndTotal) {
  // In ascending order; values in one inner list are equal.
  std::vector<std::vector<Extended80>> ordered = {
      {DoubleToExtended(-kInf)},
      {Make(true, 0x7FFE, ~UInt64(0))},
      {DoubleToExtended(-1.0), Make(true, 16384, kTop >> 1)},  // an unnormal of the same value
      {DoubleToExtended(-kMinDenormal)},
      {DoubleToExtended(-0.0), DoubleToExtended(0.0), Make(false, 100, 0)},
      {Make(false, 0, 1)},
      {DoubleToExtended(kMinDenormal)},
      {DoubleToExtended(1.0)},
      {Make(false, 16383, kTop | 1)},  // 1 + 2^-63: no double tells it from 1
      {DoubleToExtended(kMax)},
      {Make(false, 0x7FFE, ~UInt64(0))},
      {DoubleToExtended(kInf)},
      {DoubleToExtended(std::numeric_limits<double>::quiet_NaN()), Make(true, 0x7FFF, kTop | 1)},
  };
  for (size_t i = 0; i < ordered.size(); ++i) {
    for (size_t j = 0; j < ordered.size(); ++j) {
      for (const auto& a : ordered[i]) {
        for (const auto& b : ordered[j]) {
          int expected = i < j ? -1 : (i > j ? 1 : 0);
          ASSERT_EQ(CompareExtended(a, b), expected) << "groups " << i << " and " << j;
        }
      }
    }
  }
}
