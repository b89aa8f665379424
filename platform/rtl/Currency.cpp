#include "platform/rtl/Currency.h"

#include <cmath>

#include "platform/rtl/Exceptions.h"

namespace {

constexpr char16_t SOverflow[] = u"Floating point overflow";
constexpr char16_t SInvalidOp[] = u"Invalid floating point operation";
constexpr char16_t SZeroDivide[] = u"Floating point division by zero";

using Int128 = __int128;

Currency Checked(Int128 scaled) {
  if (scaled < INT64_MIN || scaled > INT64_MAX) throw EOverflow(SOverflow);
  return Currency::FromScaled(static_cast<Int64>(scaled));
}

// n / d rounded to nearest, ties away from zero (d != 0).
Int128 DivRound(Int128 n, Int128 d) {
  Int128 q = n / d;
  Int128 r = n % d;
  if (r < 0) r = -r;
  Int128 ad = d < 0 ? -d : d;
  if (2 * r >= ad) q += ((n < 0) != (d < 0)) ? -1 : 1;
  return q;
}

}  // namespace

Currency Currency::FromInt64(Int64 value) { return Checked(Int128(value) * Scale); }

Currency Currency::FromDouble(double value) {
  double scaled = std::round(value * Scale);  // ties away from zero
  // 2^63 is exact in double; every double below it in magnitude fits.
  if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0)) throw EInvalidOp(SInvalidOp);
  return FromScaled(static_cast<Int64>(scaled));
}

double Currency::ToDouble() const { return static_cast<double>(FScaled) / Scale; }

Int64 Currency::ToInt64() const { return static_cast<Int64>(DivRound(FScaled, Scale)); }

Currency Currency::operator+(Currency o) const { return Checked(Int128(FScaled) + o.FScaled); }

Currency Currency::operator-(Currency o) const { return Checked(Int128(FScaled) - o.FScaled); }

Currency Currency::operator-() const { return Checked(-Int128(FScaled)); }

Currency Currency::operator*(Currency o) const {
  // |a * b| < 2^126, well inside 128 bits.
  return Checked(DivRound(Int128(FScaled) * o.FScaled, Scale));
}

Currency Currency::operator/(Currency o) const {
  if (o.FScaled == 0) throw EZeroDivide(SZeroDivide);
  return Checked(DivRound(Int128(FScaled) * Scale, o.FScaled));
}
