#include "platform/rtl/Extended.h"

#include <bit>
#include <cstring>

namespace {

constexpr int kExtBias = 16383;
constexpr int kDoubleBias = 1023;

struct Parts {
  bool negative;
  int exponent;    // the biased 15-bit field
  UInt64 mantissa; // with the explicit integer bit
};

Parts Split(const Extended80& e) {
  Parts p;
  p.mantissa = 0;
  for (int i = 7; i >= 0; --i) p.mantissa = (p.mantissa << 8) | e.bytes[i];
  unsigned top = e.bytes[8] | (unsigned(e.bytes[9]) << 8);
  p.negative = (top & 0x8000) != 0;
  p.exponent = static_cast<int>(top & 0x7FFF);
  return p;
}

Extended80 Join(bool negative, int exponent, UInt64 mantissa) {
  Extended80 e;
  for (int i = 0; i < 8; ++i) e.bytes[i] = static_cast<Byte>(mantissa >> (8 * i));
  unsigned top = static_cast<unsigned>(exponent) | (negative ? 0x8000u : 0u);
  e.bytes[8] = static_cast<Byte>(top);
  e.bytes[9] = static_cast<Byte>(top >> 8);
  return e;
}

double FromBits(UInt64 bits) { return std::bit_cast<double>(bits); }

// Shifts right by `shift` bits (may be 64 or more), rounding to nearest even.
UInt64 ShiftRightRounded(UInt64 value, int shift) {
  if (shift <= 0) return value;
  if (shift > 64) return 0;  // below half of the last place
  UInt64 kept = shift == 64 ? 0 : value >> shift;
  UInt64 rest = shift == 64 ? value : value & ((UInt64(1) << shift) - 1);
  UInt64 half = UInt64(1) << (shift - 1);
  if (rest > half || (rest == half && (kept & 1) != 0)) ++kept;
  return kept;
}

bool IsNaNParts(const Parts& p) { return p.exponent == 0x7FFF && (p.mantissa << 1) != 0; }

}  // namespace

Extended80 DoubleToExtended(double value) {
  UInt64 bits = std::bit_cast<UInt64>(value);
  bool negative = (bits >> 63) != 0;
  int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  UInt64 fraction = bits & ((UInt64(1) << 52) - 1);
  if (exponent == 0x7FF) {  // infinity or NaN: the payload moves to the top
    return Join(negative, 0x7FFF, (UInt64(1) << 63) | (fraction << 11));
  }
  if (exponent == 0) {
    if (fraction == 0) return Join(negative, 0, 0);
    // A denormal double is a normal extended value.
    int lead = std::countl_zero(fraction);  // at least 12
    UInt64 mantissa = fraction << lead;
    return Join(negative, 1 - kDoubleBias - (lead - 11) + kExtBias, mantissa);
  }
  UInt64 mantissa = (UInt64(1) << 63) | (fraction << 11);
  return Join(negative, exponent - kDoubleBias + kExtBias, mantissa);
}

double ExtendedToDouble(const Extended80& value) {
  Parts p = Split(value);
  UInt64 sign = p.negative ? UInt64(1) << 63 : 0;
  if (p.exponent == 0x7FFF) {
    UInt64 payload = (p.mantissa << 1) >> 12;  // top 52 fraction bits
    if ((p.mantissa << 1) == 0) return FromBits(sign | (UInt64(0x7FF) << 52));
    return FromBits(sign | (UInt64(0x7FF) << 52) | (UInt64(1) << 51) | payload);
  }
  if (p.mantissa == 0) return FromBits(sign);
  // Normalise: an exponent field of 0 counts as 1 (denormals), and unnormals
  // are shifted until the integer bit is set.
  int exponent = p.exponent == 0 ? 1 : p.exponent;
  int lead = std::countl_zero(p.mantissa);
  UInt64 mantissa = p.mantissa << lead;
  int unbiased = exponent - kExtBias - lead;  // value = mantissa * 2^(unbiased - 63)
  int biased = unbiased + kDoubleBias;
  if (biased >= 0x7FF) return FromBits(sign | (UInt64(0x7FF) << 52));
  if (biased >= 1) {
    UInt64 m = ShiftRightRounded(mantissa, 11);  // 53 bits, or 2^53 after a carry
    if (m >> 53) {
      m >>= 1;
      ++biased;
      if (biased >= 0x7FF) return FromBits(sign | (UInt64(0x7FF) << 52));
    }
    return FromBits(sign | (UInt64(biased) << 52) | (m & ((UInt64(1) << 52) - 1)));
  }
  // Denormal range: the last place is 2^-1074. A carry into bit 52 yields the
  // smallest normal number, which the bit layout expresses by itself.
  UInt64 m = ShiftRightRounded(mantissa, 11 + 1 - biased);
  return FromBits(sign | m);
}

bool IsExtendedNaN(const Extended80& value) { return IsNaNParts(Split(value)); }

int CompareExtended(const Extended80& a, const Extended80& b) {
  Parts pa = Split(a), pb = Split(b);
  bool nanA = IsNaNParts(pa), nanB = IsNaNParts(pb);
  if (nanA || nanB) return nanA == nanB ? 0 : (nanA ? 1 : -1);
  // Magnitude key: infinity above all, then (normalised exponent, mantissa).
  auto key = [](const Parts& p, int& exponent, UInt64& mantissa) {
    if (p.exponent == 0x7FFF) {
      exponent = 1 << 20;
      mantissa = 0;
    } else if (p.mantissa == 0) {
      exponent = -(1 << 20);
      mantissa = 0;
    } else {
      int lead = std::countl_zero(p.mantissa);
      exponent = (p.exponent == 0 ? 1 : p.exponent) - lead;
      mantissa = p.mantissa << lead;
    }
  };
  int ea, eb;
  UInt64 ma, mb;
  key(pa, ea, ma);
  key(pb, eb, mb);
  bool zeroA = ea == -(1 << 20), zeroB = eb == -(1 << 20);
  bool negA = pa.negative && !zeroA, negB = pb.negative && !zeroB;
  if (negA != negB) return negA ? -1 : 1;
  int c = ea != eb ? (ea < eb ? -1 : 1) : (ma != mb ? (ma < mb ? -1 : 1) : 0);
  return negA ? -c : c;
}
