// Currency: a fixed-point number with four decimals, kept as a 64-bit integer
// scaled by 10,000 (the form currency values take in memory and in files).
#pragma once

#include <compare>

#include "platform/rtl/Types.h"

class Currency {
 public:
  static constexpr Int64 Scale = 10000;

  constexpr Currency() = default;
  // The value whose scaled integer is the given one (1.5 is 15000).
  static constexpr Currency FromScaled(Int64 scaled) {
    Currency c;
    c.FScaled = scaled;
    return c;
  }
  // Raises EOverflow ("Floating point overflow") outside the currency range.
  static Currency FromInt64(Int64 value);
  // Rounds to four decimals, to nearest with ties away from zero. Raises
  // EInvalidOp ("Invalid floating point operation") for NaN and for values
  // outside the currency range, as the platform's conversion does.
  static Currency FromDouble(double value);

  constexpr Int64 Scaled() const { return FScaled; }
  double ToDouble() const;
  // Rounded to a whole number, ties away from zero.
  Int64 ToInt64() const;
  // The whole part (toward zero).
  constexpr Int64 Trunc() const { return FScaled / Scale; }

  // Exact arithmetic; a result outside the range raises EOverflow, division
  // by zero EZeroDivide ("Floating point division by zero"). Products and
  // quotients are rounded to four decimals, ties away from zero.
  Currency operator+(Currency o) const;
  Currency operator-(Currency o) const;
  Currency operator-() const;
  Currency operator*(Currency o) const;
  Currency operator/(Currency o) const;
  Currency& operator+=(Currency o) { return *this = *this + o; }
  Currency& operator-=(Currency o) { return *this = *this - o; }

  friend constexpr bool operator==(Currency, Currency) = default;
  friend constexpr auto operator<=>(Currency, Currency) = default;

 private:
  Int64 FScaled = 0;
};

inline constexpr Currency MinCurrency = Currency::FromScaled(INT64_MIN);
inline constexpr Currency MaxCurrency = Currency::FromScaled(INT64_MAX);
