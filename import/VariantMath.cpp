#include "import/VariantMath.h"

#include <cmath>

#include "import/ExpressionLimits.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

constexpr char16_t SOverflow[] = u"Floating point overflow";
constexpr char16_t SInvalidOp[] = u"Invalid floating point operation";
constexpr char16_t SZeroDivide[] = u"Floating point division by zero";

enum class TNumKind { Whole, Float, Currency, Date };

struct TNum {
  TNumKind Kind = TNumKind::Whole;
  __int128 Whole = 0;
  double Float = 0;
  Currency Curr;

  double AsDouble() const {
    switch (Kind) {
      case TNumKind::Whole: return static_cast<double>(Whole);
      case TNumKind::Currency: return Curr.ToDouble();
      default: return Float;
    }
  }
  Currency AsCurrency() const {
    if (Kind == TNumKind::Currency) return Curr;
    if (Whole > INT64_MAX) throw EOverflow(SOverflow);
    return Currency::FromInt64(Int64(Whole));
  }
};

TNum WholeNum(__int128 v) {
  TNum n;
  n.Whole = v;
  return n;
}

TNum FloatNum(TNumKind kind, double v) {
  TNum n;
  n.Kind = kind;
  n.Float = v;
  return n;
}

TNum CurrencyNum(Currency v) {
  TNum n;
  n.Kind = TNumKind::Currency;
  n.Curr = v;
  return n;
}

TNum ToNum(const Variant& v) {
  switch (v.VarType()) {
    case varEmpty: return WholeNum(0);
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varInt64: return WholeNum(v.AsInt64());
    case varByte:
    case varWord:
    case varLongWord:
    case varUInt64: return WholeNum(v.AsUInt64());
    case varBoolean: return WholeNum(v.AsBoolean() ? -1 : 0);
    case varCurrency: return CurrencyNum(v.AsCurrency());
    case varDate:
    case varSQLTimeStamp:
    case varSQLTimeStampOffset: return FloatNum(TNumKind::Date, v.AsDouble());
    case varOleStr:
    case varUString:
    case varString: {
      Int64 whole;
      if (TryStrToInt64(v.AsString(), whole)) return WholeNum(whole);
      return FloatNum(TNumKind::Float, v.AsDouble());  // raises for a text that is no number
    }
    default: return FloatNum(TNumKind::Float, v.AsDouble());
  }
}

bool IsFloatLike(const TNum& n) { return n.Kind == TNumKind::Float || n.Kind == TNumKind::Date; }

Variant FloatVariant(TNumKind kind, double value) {
  value = CheckFloatResult(value);
  return kind == TNumKind::Date ? Variant::FromDateTime(value) : Variant(value);
}

enum class TAddOp { Add, Sub };

Variant AddOrSub(const Variant& a, const Variant& b, TAddOp op) {
  if (a.IsNull() || b.IsNull()) return Variant::Null();
  if (op == TAddOp::Add) {
    const bool textA = VarIsStr(a), textB = VarIsStr(b);
    if ((textA || a.IsEmpty()) && (textB || b.IsEmpty()) && (textA || textB)) {
      String joined = a.AsString() + b.AsString();
      ChargeText(joined.size());
      return Variant(std::move(joined));
    }
  }
  const TNum x = ToNum(a), y = ToNum(b);
  const bool dateX = x.Kind == TNumKind::Date, dateY = y.Kind == TNumKind::Date;
  if (IsFloatLike(x) || IsFloatLike(y)) {
    const double r = op == TAddOp::Add ? x.AsDouble() + y.AsDouble() : x.AsDouble() - y.AsDouble();
    // A date moved by a number stays a date; the distance of two dates is
    // a number of days.
    const bool date = (dateX || dateY) && !(op == TAddOp::Sub && dateX && dateY);
    return FloatVariant(date ? TNumKind::Date : TNumKind::Float, r);
  }
  if (x.Kind == TNumKind::Currency || y.Kind == TNumKind::Currency) {
    return Variant(op == TAddOp::Add ? x.AsCurrency() + y.AsCurrency() : x.AsCurrency() - y.AsCurrency());
  }
  return MakeWholeVariant(op == TAddOp::Add ? x.Whole + y.Whole : x.Whole - y.Whole);
}

bool AsLogical(const Variant& v, bool& result) {
  if (v.VarType() == varBoolean) {
    result = v.AsBoolean();
    return true;
  }
  if (!VarIsStr(v)) return false;
  const String s = Trim(v.AsString());
  if (SameText(s, u"True")) result = true;
  else if (SameText(s, u"False")) result = false;
  else return false;
  return true;
}

}  // namespace

double CheckFloatResult(double value) {
  if (std::isnan(value)) throw EInvalidOp(SInvalidOp);
  if (std::isinf(value)) throw EOverflow(SOverflow);
  return value;
}

Variant MakeWholeVariant(__int128 value) {
  if (value >= INT32_MIN && value <= INT32_MAX) return Variant(static_cast<int>(value));
  if (value >= INT64_MIN && value <= INT64_MAX) return Variant(static_cast<long long>(value));
  return Variant(static_cast<double>(value));
}

Variant RoundToWholeVariant(const Variant& value) {
  if (value.IsNull()) return value;
  return MakeWholeVariant(value.AsInt64());
}

Variant VarAdd(const Variant& a, const Variant& b) { return AddOrSub(a, b, TAddOp::Add); }
Variant VarSub(const Variant& a, const Variant& b) { return AddOrSub(a, b, TAddOp::Sub); }

Variant VarMul(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return Variant::Null();
  const TNum x = ToNum(a), y = ToNum(b);
  if (IsFloatLike(x) || IsFloatLike(y)) return FloatVariant(TNumKind::Float, x.AsDouble() * y.AsDouble());
  if (x.Kind == TNumKind::Currency || y.Kind == TNumKind::Currency) return Variant(x.AsCurrency() * y.AsCurrency());
  // Two 64-bit factors fit 128 bits; a factor beyond (an unsigned one
  // above 2^63) is multiplied as a double.
  const __int128 limit = INT64_MAX;
  if (x.Whole > limit || y.Whole > limit) return FloatVariant(TNumKind::Float, x.AsDouble() * y.AsDouble());
  return MakeWholeVariant(x.Whole * y.Whole);
}

Variant VarDiv(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return Variant::Null();
  const double x = ToNum(a).AsDouble(), y = ToNum(b).AsDouble();
  if (y == 0) {
    if (x == 0 || std::isnan(x)) throw EInvalidOp(SInvalidOp);
    throw EZeroDivide(SZeroDivide);
  }
  return FloatVariant(TNumKind::Float, x / y);
}

Variant VarIntDiv(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return Variant::Null();
  const __int128 x = a.AsInt64(), y = b.AsInt64();
  if (y == 0) throw EZeroDivide(RtlMessages::SDivByZero);
  return MakeWholeVariant(x / y);
}

Variant VarMod(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return Variant::Null();
  const __int128 x = a.AsInt64(), y = b.AsInt64();
  if (y == 0) throw EZeroDivide(RtlMessages::SDivByZero);
  return MakeWholeVariant(x % y);
}

Variant VarAnd(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return Variant::Null();
  bool x, y;
  if (AsLogical(a, x) && AsLogical(b, y)) return Variant(x && y);
  return MakeWholeVariant(a.AsInt64() & b.AsInt64());
}

Variant VarOr(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return Variant::Null();
  bool x, y;
  if (AsLogical(a, x) && AsLogical(b, y)) return Variant(x || y);
  return MakeWholeVariant(a.AsInt64() | b.AsInt64());
}

Variant VarNot(const Variant& a) {
  if (a.IsNull()) return a;
  bool x;
  if (AsLogical(a, x)) return Variant(!x);
  return MakeWholeVariant(~a.AsInt64());
}

TVariantRelationship VarCompareOrdered(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) {
    if (a.IsNull() && b.IsNull()) return vrEqual;
    return a.IsNull() ? vrLessThan : vrGreaterThan;
  }
  if (VarIsStr(a) && VarIsStr(b)) {
    ChargeValue(a);
    ChargeValue(b);
  }
  return VarCompareValue(a, b);
}
