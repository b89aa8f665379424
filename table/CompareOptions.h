// How a given value is compared with a field value (sorting, locating,
// ranges, master/detail links, filters), and the sort columns of a store.
#pragma once

#include <vector>

#include "platform/rtl/Types.h"

class TFieldDesc;

// A set of TCompareOption bits.
using TCompareOptions = Byte;
inline constexpr TCompareOptions coCaseInsensitive = 1;  // ignore case
inline constexpr TCompareOptions coPartialKey = 2;       // the value need only begin the field value
inline constexpr TCompareOptions coPartialCompare = 4;   // the value need only occur in the field value
inline constexpr TCompareOptions coOrdinalCompare = 8;   // by character codes, not by the locale
inline constexpr TCompareOptions coInvertNullOrder = 16; // nulls after values

enum TSortType : Byte { stCaseSensitive = 0, stCaseInsensitive = 1, stBinary = 2 };

struct TSortColumn {
  TFieldDesc* FieldDesc = nullptr;
  bool DescendingOrder = false;
  TSortType SortType = stCaseSensitive;
};
using TSortColumns = std::vector<TSortColumn>;

// Tolerances: singles and doubles compare exactly; date-time values within a
// little under one millisecond (in days) are equal.
inline constexpr double SingleValueDelta = 0;
inline constexpr double DoubleValueDelta = 0;
inline constexpr double DateTimeValueDelta = 1.15e-8;

// The order of a field's null flags in two records: a null sorts before a
// value, after it with coInvertNullOrder; two nulls are equal.
inline int CompareNullFlags(bool null1, bool null2, TCompareOptions options) {
  if (null1 == null2) return 0;
  int nullFirst = (options & coInvertNullOrder) != 0 ? -1 : 1;
  return null1 ? -nullFirst : nullFirst;
}
