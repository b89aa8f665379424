#include "import/ExpressionFunctions.h"

#include <unicode/utf16.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <random>

#include "import/DateMask.h"
#include "import/ExpressionHelpers.h"
#include "import/ExpressionLimits.h"
#include "import/ExpressionTree.h"
#include "import/VariantMath.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

constexpr char16_t SInvalidOp[] = u"Invalid floating point operation";
constexpr char16_t SZeroDivide[] = u"Floating point division by zero";

// The arguments of one call, evaluated when a function reads them, so that
// IIF evaluates only the branch it returns.
class TCall {
 public:
  explicit TCall(TExpNode& node) : FNode(node) {}

  int Count() const { return FNode.ChildCount(); }
  Variant Arg(int index) {
    if (index >= Count()) throw EListError(Format(RtlMessages::SListIndexError, {Int64(index)}));
    Variant value;
    FNode.GetChildren(index)->Calculate(value);
    return value;
  }
  // The argument's text by the platform's conversion (null raises).
  String Text(int index) {
    String s = Arg(index).AsString();
    ChargeText(s.size());
    return s;
  }
  Integer Int(int index) { return Arg(index).AsInteger(); }
  double Real(int index) { return Arg(index).AsDouble(); }
  TDateTime Date(int index) { return Arg(index).AsDateTime(); }

 private:
  TExpNode& FNode;
};

Variant TextResult(String s) {
  ChargeText(s.size());
  return Variant(std::move(s));
}

Variant RealResult(double value) { return Variant(CheckFloatResult(value)); }

double Ln(double x) {
  if (x == 0) throw EZeroDivide(SZeroDivide);
  if (!(x > 0)) throw EInvalidOp(SInvalidOp);
  return std::log(x);
}

// The platform's Copy: a start below 1 counts as 1; nothing past the end.
Variant Copy(TCall& call) {
  const String text = call.Text(0);
  Integer start = call.Int(1);
  const Integer count = call.Int(2);
  if (start < 1) start = 1;
  if (count <= 0 || size_t(start) > text.size()) return Variant(String());
  return TextResult(text.substr(size_t(start) - 1, size_t(count)));
}

Variant Pad(TCall& call, bool left) {
  const String text = call.Text(0);
  const Integer length = call.Int(1);
  WideChar pad = u' ';
  if (call.Count() > 2) {
    const String padText = call.Text(2);
    if (!padText.empty()) pad = padText[0];
  }
  // Counted before the text is built, so a huge length fails instead of
  // exhausting memory.
  ChargeText(size_t(std::max(length, 0)));
  return Variant(left ? PadL(text, length, pad) : PadR(text, length, pad));
}

Variant Chr(TCall& call) {
  const Integer code = call.Int(0);
  if (code < 0 || code > 0x10FFFF) throw ERangeError(RtlMessages::SRangeError);
  String s;
  if (code <= 0xFFFF) {
    s += WideChar(code);
  } else {
    s += WideChar(U16_LEAD(code));
    s += WideChar(U16_TRAIL(code));
  }
  return Variant(s);
}

Variant Fold(TCall& call, Variant (*step)(const Variant&, const Variant&), Variant start) {
  for (int i = 0; i < call.Count(); ++i) start = step(start, call.Arg(i));
  return start;
}

Variant Sum(TCall& call) { return Fold(call, VarAdd, Variant(0)); }

Variant Coalesce(TCall& call) {
  for (int i = 0; i < call.Count(); ++i) {
    Variant v = call.Arg(i);
    if (!v.IsNull() && !v.IsEmpty() && !VarToStr(v).empty()) return v;
  }
  return Variant::Null();
}

Variant Random(TCall& call) {
  const Integer range = call.Int(0);
  if (range <= 0) return Variant(0);
  thread_local std::mt19937 generator{std::random_device{}()};
  return Variant(std::uniform_int_distribution<Integer>(0, range - 1)(generator));
}

Variant IsNull(TCall& call) {
  const Variant v = call.Arg(0);
  return Variant(v.IsNull() || v.IsEmpty() || VarToStr(v).empty());
}

Word DatePart(TCall& call, int part) {
  Word year, month, day;
  DecodeDate(call.Date(0), year, month, day);
  return part == 0 ? year : part == 1 ? month : day;
}

Word TimePart(TCall& call, int part) {
  Word hour, minute, second, msec;
  DecodeTime(call.Date(0), hour, minute, second, msec);
  return part == 0 ? hour : part == 1 ? minute : second;
}

using TBuiltIn = Variant (*)(TCall&);

struct TFunction {
  StringView Name;
  TBuiltIn Calculate;
};

// In the order the names are checked.
constexpr TFunction Functions[] = {
    {u"SUBSTR", Copy},
    {u"SUBSTRING", Copy},
    {u"COPY", Copy},
    {u"REPLACESTR",
     [](TCall& c) {
       const String text = c.Text(0), oldText = c.Text(1), newText = c.Text(2);
       const bool ignoreCase = c.Arg(3).AsBoolean(), replaceAll = c.Arg(4).AsBoolean();
       return TextResult(ReplaceStr(text, oldText, newText, ignoreCase, replaceAll));
     }},
    {u"PADL", [](TCall& c) { return Pad(c, true); }},
    {u"PADR", [](TCall& c) { return Pad(c, false); }},
    {u"CHR", Chr},
    {u"UPPER", [](TCall& c) { return TextResult(UpperCase(c.Text(0))); }},
    {u"LOWER", [](TCall& c) { return TextResult(LowerCase(c.Text(0))); }},
    {u"TRIM", [](TCall& c) { return TextResult(Trim(c.Text(0))); }},
    {u"TRIMLEFT", [](TCall& c) { return TextResult(TrimLeft(c.Text(0))); }},
    {u"TRIMRIGHT", [](TCall& c) { return TextResult(TrimRight(c.Text(0))); }},
    {u"POS",
     [](TCall& c) {
       const String sub = c.Text(0), text = c.Text(1);
       const size_t at = sub.empty() ? String::npos : FindText(text, sub);
       return Variant(at == String::npos ? 0 : Integer(at + 1));
     }},
    {u"STRTOFLOAT", [](TCall& c) { return Variant(StrToFloat(c.Text(0))); }},
    {u"VARTOSTR", [](TCall& c) { return TextResult(VarToStr(c.Arg(0))); }},
    {u"COALESCE", Coalesce},
    {u"STRTOINT", [](TCall& c) { return Variant(StrToInt(c.Text(0))); }},
    {u"STRTODATE", [](TCall& c) { return Variant::FromDateTime(StrToDate(c.Text(0))); }},
    {u"DATETIMEFROMSTRING",
     [](TCall& c) {
       const String text = c.Text(0), mask = c.Text(1);
       const WideChar dateSeparator = VarAsChar(c.Arg(2)), timeSeparator = VarAsChar(c.Arg(3));
       return Variant::FromDateTime(GetDTByMask(text, mask, dateSeparator, timeSeparator));
     }},
    {u"LENGTH", [](TCall& c) { return Variant(Integer(c.Text(0).size())); }},
    {u"ORD",
     [](TCall& c) {
       const String s = c.Text(0);
       return Variant(s.empty() ? 0 : Integer(s[0]));
     }},
    {u"INTTOSTR", [](TCall& c) { return TextResult(IntToStr(c.Arg(0).AsInt64())); }},
    {u"FLOATTOSTR", [](TCall& c) { return TextResult(FloatToStr(c.Real(0))); }},
    {u"MAX", [](TCall& c) { return Fold(c, Max, Variant::Null()); }},
    {u"MIN", [](TCall& c) { return Fold(c, Min, Variant::Null()); }},
    {u"SUM", Sum},
    {u"AVG", [](TCall& c) { return VarDiv(Sum(c), Variant(c.Count())); }},
    {u"COUNT", [](TCall& c) { return Variant(c.Count()); }},
    {u"FRAC",
     [](TCall& c) {
       const double x = c.Real(0);
       return RealResult(x - std::trunc(x));
     }},
    {u"INT", [](TCall& c) { return RealResult(std::trunc(c.Real(0))); }},
    {u"ROUND", [](TCall& c) { return RoundToWholeVariant(Variant(c.Real(0))); }},
    {u"DIV",
     [](TCall& c) {
       const Variant a = c.Arg(0), b = c.Arg(1);
       return VarIntDiv(a, b);
     }},
    {u"MOD",
     [](TCall& c) {
       const Variant a = c.Arg(0), b = c.Arg(1);
       return VarMod(a, b);
     }},
    {u"RANDOM", Random},
    {u"ABS", [](TCall& c) { return RealResult(std::fabs(c.Real(0))); }},
    {u"POWER",
     [](TCall& c) {
       const double base = c.Real(0), exponent = c.Real(1);
       return Variant(Power(base, exponent));
     }},
    {u"EXP", [](TCall& c) { return RealResult(std::exp(c.Real(0))); }},
    {u"LN", [](TCall& c) { return RealResult(Ln(c.Real(0))); }},
    {u"LOG", [](TCall& c) { return RealResult(Ln(c.Real(0)) / std::log(10.0)); }},
    {u"SQR",
     [](TCall& c) {
       const double x = c.Real(0);
       return RealResult(x * x);
     }},
    {u"SQRT",
     [](TCall& c) {
       const double x = c.Real(0);
       if (x < 0) throw EInvalidOp(SInvalidOp);
       return RealResult(std::sqrt(x));
     }},
    {u"PERCENT",
     [](TCall& c) {
       const Variant value = c.Arg(0), percent = c.Arg(1);
       return VarDiv(VarMul(value, percent), Variant(100));
     }},
    {u"IIF", [](TCall& c) { return c.Arg(0).AsBoolean() ? c.Arg(1) : c.Arg(2); }},
    {u"ISNULL", IsNull},
    {u"ISNUMERIC", [](TCall& c) { return Variant(IsNumeric(c.Text(0))); }},
    {u"ISALPHA", [](TCall& c) { return Variant(IsAlpha(c.Text(0))); }},
    {u"ISCONTAIN",
     [](TCall& c) {
       const String sub = c.Text(0), text = c.Text(1);
       return Variant(FindText(text, sub) != String::npos);
     }},
    {u"ISSTARTSWITH",
     [](TCall& c) {
       const String prefix = c.Text(0), text = c.Text(1);
       return Variant(text.starts_with(prefix));
     }},
    {u"ISENDSWITH",
     [](TCall& c) {
       const String suffix = c.Text(0), text = c.Text(1);
       return Variant(text.ends_with(suffix));
     }},
    {u"DATETOSTR", [](TCall& c) { return TextResult(DateToStr(c.Date(0))); }},
    {u"DATEPART", [](TCall& c) { return RealResult(std::trunc(c.Date(0))); }},
    {u"TIMEPART",
     [](TCall& c) {
       const double x = c.Date(0);
       return RealResult(x - std::trunc(x));
     }},
    {u"YEAR", [](TCall& c) { return Variant(Integer(DatePart(c, 0))); }},
    {u"MONTH", [](TCall& c) { return Variant(Integer(DatePart(c, 1))); }},
    {u"DAY", [](TCall& c) { return Variant(Integer(DatePart(c, 2))); }},
    {u"HOUR", [](TCall& c) { return Variant(Integer(TimePart(c, 0))); }},
    {u"MINUTE", [](TCall& c) { return Variant(Integer(TimePart(c, 1))); }},
    {u"SECOND", [](TCall& c) { return Variant(Integer(TimePart(c, 2))); }},
};

const TFunction* FindFunction(StringView name) {
  const auto found = std::find_if(std::begin(Functions), std::end(Functions),
                                  [name](const TFunction& f) { return SameText(f.Name, name); });
  return found == std::end(Functions) ? nullptr : found;
}

}  // namespace

bool IsBuiltInFunction(StringView name) { return SameText(name, u"GETDATE") || FindFunction(name) != nullptr; }

bool CalculateBuiltInFunction(TExpNode& node, Variant& value) {
  const TFunction* function = FindFunction(node.GetToken()->Text);
  if (function == nullptr) return false;
  TCall call(node);
  value = function->Calculate(call);
  return true;
}
