// The 10-byte x87 extended float as stored in files, converted in portable
// code: bytes 0..7 are the 64-bit mantissa (little endian) with an explicit
// integer bit (bit 63), bytes 8..9 the 15-bit exponent (bias 16383) and the
// sign in bit 15.
#pragma once

#include "platform/rtl/Types.h"

struct Extended80 {
  Byte bytes[10] = {};
};
static_assert(sizeof(Extended80) == 10, "Extended80 is 10 bytes in files");

// Exact: every double is an extended value.
Extended80 DoubleToExtended(double value);
// Rounded to nearest, ties to even, also into the denormal range; magnitudes
// beyond the double range become infinities, below it zeros. A NaN keeps its
// sign and the top bits of its payload and becomes quiet. Unnormals (integer
// bit clear with a non-zero exponent) are read by their numeric value.
double ExtendedToDouble(const Extended80& value);

// Exact numeric order, -1, 0 or 1: -0 equals +0; NaNs come after every
// number and are equal to each other, so sorting has a total order.
int CompareExtended(const Extended80& a, const Extended80& b);
bool IsExtendedNaN(const Extended80& value);
