// Variant arithmetic: result types, whole numbers that must not wrap, and
// the platform's math errors.
#include <gtest/gtest.h>

#include <functional>

#include "import/VariantMath.h"
#include "tests/import/expression_eval.h"

namespace {

std::string Result(const std::function<Variant()>& operation) {
  try {
    return Describe(operation());
  } catch (const Exception& e) {
    return StringToUtf8(e.Message());
  }
}

TEST(VariantMath, ResultTypesAndRanges) {
  const Variant maxInt(2147483647), minInt64(static_cast<long long>(INT64_MIN));
  const Variant maxUInt64(static_cast<unsigned long long>(UINT64_MAX));
  const Variant cur(Currency::FromScaled(15000)), day = Variant::FromDateTime(36557);
  const struct {
    const char* Name;
    std::function<Variant()> Operation;
    const char* Expected;
  } cases[] = {
      {"int + int", [&] { return VarAdd(maxInt, Variant(1)); }, "int64:2147483648"},
      {"int64 - int64", [&] { return VarSub(minInt64, Variant(1)); }, "double:-9.22337203685478e+18"},
      {"uint64 * uint64", [&] { return VarMul(maxUInt64, maxUInt64); }, "double:3.40282366920938e+38"},
      {"int64 div -1", [&] { return VarIntDiv(minInt64, Variant(-1)); }, "double:9.22337203685478e+18"},
      {"int64 mod -1", [&] { return VarMod(minInt64, Variant(-1)); }, "int:0"},
      {"currency + int", [&] { return VarAdd(cur, Variant(1)); }, "currency:2.5"},
      {"currency * currency", [&] { return VarMul(cur, cur); }, "currency:2.25"},
      {"currency + double", [&] { return VarAdd(cur, Variant(0.25)); }, "double:1.75"},
      {"date + int", [&] { return VarAdd(day, Variant(1)); }, "date:2000-02-02 00:00:00"},
      {"int + date", [&] { return VarAdd(Variant(1), day); }, "date:2000-02-02 00:00:00"},
      {"date - date", [&] { return VarSub(day, Variant::FromDateTime(36550)); }, "double:7"},
      {"date * int", [&] { return VarMul(day, Variant(2)); }, "double:73114"},
      {"bool + int", [&] { return VarAdd(Variant(true), Variant(1)); }, "int:0"},
      {"text + int", [&] { return VarAdd(Variant(String(u"41")), Variant(1)); }, "int:42"},
      {"empty + text", [&] { return VarAdd(Variant(), Variant(String(u"a"))); }, "text:a"},
      {"empty + empty", [&] { return VarAdd(Variant(), Variant()); }, "int:0"},
      {"null * int", [&] { return VarMul(Variant::Null(), Variant(2)); }, "null"},
      {"text / text", [&] { return VarDiv(Variant(String(u"1")), Variant(String(u"4"))); }, "double:0.25"},
      {"int div 0", [&] { return VarIntDiv(Variant(1), Variant(0)); }, "Division by zero"},
      {"double overflow", [&] { return VarMul(Variant(1e300), Variant(1e300)); }, "Floating point overflow"},
      {"currency overflow", [&] { return VarMul(Variant(MaxCurrency), Variant(2)); }, "Floating point overflow"},
      {"\"True\" and bool", [&] { return VarAnd(Variant(String(u" true ")), Variant(true)); }, "bool:True"},
      {"bool or int", [&] { return VarOr(Variant(false), Variant(4)); }, "int:4"},
      {"not null", [&] { return VarNot(Variant::Null()); }, "null"},
      {"round half even", [&] { return RoundToWholeVariant(Variant(4.5)); }, "int:4"},
      {"round beyond int64", [&] { return RoundToWholeVariant(Variant(1e19)); },
       "Overflow while converting variant of type (Double) into type (Int64)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Result(c.Operation), c.Expected);
  }
}

TEST(VariantMath, NullOrdersBelowEveryValue) {
  EXPECT_EQ(VarCompareOrdered(Variant::Null(), Variant(-1e300)), vrLessThan);
  EXPECT_EQ(VarCompareOrdered(Variant(String()), Variant::Null()), vrGreaterThan);
  EXPECT_EQ(VarCompareOrdered(Variant::Null(), Variant::Null()), vrEqual);
  EXPECT_EQ(VarCompareOrdered(Variant(2), Variant(2.0)), vrEqual);
}

}  // namespace
