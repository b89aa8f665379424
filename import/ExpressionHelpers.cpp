#include "import/ExpressionHelpers.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "import/VariantMath.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

int FindOperation(StringView text) {
  for (size_t i = 0; i < STR_OPERATION.size(); ++i) {
    if (STR_OPERATION[i].Text == text) return static_cast<int>(i) + 1;
  }
  return 0;
}

int OperPriority(StringView text) {
  const int position = FindOperation(text);
  return position == 0 ? 0 : STR_OPERATION[static_cast<size_t>(position - 1)].Operands;
}

// ---------------------------------------------------------------------------
// Numbers in text

namespace {

bool IsDigit(WideChar c) { return c >= u'0' && c <= u'9'; }

// The text with its first regional decimal separator read as ".".
String WithPointDecimal(StringView text) {
  String s(text);
  const WideChar separator = FormatSettings.DecimalSeparator;
  if (separator != u'.') {
    const size_t at = s.find(separator);
    if (at != String::npos) s[at] = u'.';
  }
  return s;
}

}  // namespace

bool ReadDecimal(StringView text, double& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  std::string number;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') number += '-';
    ++i;
  }
  std::string whole, fraction;
  while (i < text.size() && IsDigit(text[i])) whole += char(text[i++]);
  bool point = false;
  if (i < text.size() && text[i] == u'.') {
    point = true;
    ++i;
    while (i < text.size() && IsDigit(text[i])) fraction += char(text[i++]);
  }
  if (whole.empty() && !point) return false;
  int exponent = 0;
  std::string exponentText;
  if (i < text.size() && (text[i] == u'E' || text[i] == u'e')) {
    ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) exponentText += char(text[i++]);
    const size_t digitsStart = exponentText.size();
    while (i < text.size() && IsDigit(text[i])) {
      // Huge exponents only decide between overflow and underflow.
      if (exponentText.size() < 9) exponentText += char(text[i]);
      ++i;
    }
    if (exponentText.size() == digitsStart) return false;
    exponent = std::stoi(exponentText);
  }
  if (i != text.size()) return false;
  number += (whole.empty() ? "0" : whole) + "." + (fraction.empty() ? "0" : fraction) + "e" + std::to_string(exponent);
  double result = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), result);
  if (error == std::errc::result_out_of_range) {
    // Too small for a double reads as 0; too large is no number.
    const size_t significant = whole.find_first_not_of('0');
    const long magnitude = significant == std::string::npos ? -1 : long(whole.size() - significant);
    if (magnitude + exponent > 0) return false;
    result = 0;
  } else if (error != std::errc() || end != number.data() + number.size()) {
    return false;
  }
  value = result;
  return true;
}

bool StringIsNumeric(StringView text) {
  double value;
  return ReadDecimal(WithPointDecimal(text), value);
}

bool IsNumeric(StringView text) {
  const String s = Trim(text);
  bool separator = false;
  for (size_t i = 0; i < s.size(); ++i) {
    const WideChar c = s[i];
    if (IsDigit(c) || (i == 0 && (c == u'+' || c == u'-'))) continue;
    if (c == FormatSettings.DecimalSeparator && !separator) {
      separator = true;
      continue;
    }
    return false;
  }
  return true;
}

bool IsAlpha(StringView text) {
  if (text.empty()) return false;
  const int32_t length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c;
    U16_NEXT(text.data(), i, length, c);
    if (!u_isalpha(c)) return false;
  }
  return true;
}

String ClearNumValue(StringView text) {
  const WideChar decimal = FormatSettings.DecimalSeparator;
  const WideChar thousand = FormatSettings.ThousandSeparator;
  String s;
  s.reserve(text.size());
  for (WideChar c : text) {
    // A comma that separates decimals is part of the number.
    if (c == u',' && decimal != u',') continue;
    if (c == thousand && thousand != 0 && thousand != decimal) continue;
    s += c;
  }
  const String& currency = FormatSettings.CurrencyString;
  const size_t at = currency.empty() ? String::npos : s.find(currency);
  if (at != String::npos) {
    s.erase(at, currency.size());
  } else {
    const size_t dollar = s.find(u'$');
    if (dollar != String::npos) s.erase(dollar, 1);
  }
  return s;
}

// ---------------------------------------------------------------------------
// Texts

void GetNextItem(StringView delimiter, String& text, String& item) {
  const size_t at = delimiter.empty() ? String::npos : text.find(delimiter);
  if (at == String::npos) {
    item = TrimRight(text);
    text.clear();
    return;
  }
  item = TrimRight(StringView(text).substr(0, at));
  text.erase(0, at + delimiter.size());
}

size_t FindText(StringView text, StringView needle, size_t from) {
  if (needle.empty()) return from <= text.size() ? from : StringView::npos;
  if (from >= text.size() || needle.size() > text.size() - from) return StringView::npos;
  // Knuth-Morris-Pratt, so long texts with repetitive patterns stay linear.
  std::vector<size_t> border(needle.size(), 0);
  for (size_t i = 1, k = 0; i < needle.size(); ++i) {
    while (k > 0 && needle[i] != needle[k]) k = border[k - 1];
    if (needle[i] == needle[k]) ++k;
    border[i] = k;
  }
  for (size_t i = from, k = 0; i < text.size(); ++i) {
    while (k > 0 && text[i] != needle[k]) k = border[k - 1];
    if (text[i] == needle[k]) ++k;
    if (k == needle.size()) return i + 1 - k;
  }
  return StringView::npos;
}

namespace {

// Upper case unit by unit, so positions in the result are positions in the
// text.
String UpperUnits(StringView text) {
  String s(text);
  for (WideChar& c : s) {
    if (!U16_IS_SURROGATE(c)) c = static_cast<WideChar>(u_toupper(c));
  }
  return s;
}

}  // namespace

String ReplaceStr(StringView text, StringView oldText, StringView newText, bool ignoreCase, bool replaceAll) {
  if (oldText.empty()) return String(text);
  // One option only: replacing all compares with regard to case, and
  // stored mapping expressions depend on it.
  if (replaceAll) ignoreCase = false;
  const String searchedStore = ignoreCase ? UpperUnits(text) : String();
  const String wantedStore = ignoreCase ? UpperUnits(oldText) : String();
  const StringView searched = ignoreCase ? StringView(searchedStore) : text;
  const StringView wanted = ignoreCase ? StringView(wantedStore) : oldText;
  String result;
  size_t from = 0;
  for (;;) {
    const size_t at = FindText(searched, wanted, from);
    if (at == StringView::npos) break;
    result.append(text.substr(from, at - from));
    result.append(newText);
    from = at + oldText.size();
    if (!replaceAll) break;
  }
  result.append(text.substr(from));
  return result;
}

String ReplaceWideStr(StringView text, StringView oldText, StringView newText, bool ignoreCase, bool replaceAll) {
  return ReplaceStr(text, oldText, newText, ignoreCase, replaceAll);
}

String ReplicateChar(WideChar c, Integer count) { return count <= 0 ? String() : String(size_t(count), c); }

String PadL(StringView text, Integer length, WideChar c) {
  if (length <= 0) return String();
  const StringView cut = text.substr(0, size_t(length));
  return ReplicateChar(c, length - Integer(cut.size())) + String(cut);
}

String PadR(StringView text, Integer length, WideChar c) {
  if (length <= 0) return String();
  const StringView cut = text.substr(0, size_t(length));
  return String(cut) + ReplicateChar(c, length - Integer(cut.size()));
}

// ---------------------------------------------------------------------------
// Numbers

double IntPower(double base, Int64 exponent) {
  if (exponent < 0 && base == 0) throw EZeroDivide(u"Floating point division by zero");
  UInt64 rest = exponent < 0 ? UInt64(0) - UInt64(exponent) : UInt64(exponent);
  double result = 1;
  for (double square = base; rest > 0; rest >>= 1) {
    if (rest & 1) result *= square;
    square *= square;
  }
  return CheckFloatResult(exponent < 0 ? 1 / result : result);
}

double Power(double base, double exponent) {
  if (exponent == 0) return 1;
  if (base == 0 && exponent > 0) return 0;
  if (exponent != std::trunc(exponent) || std::fabs(exponent) > 2147483647.0) {
    return CheckFloatResult(std::exp(exponent * std::log(base)));
  }
  return IntPower(base, static_cast<Int64>(exponent));
}

Variant Exl(const Variant& n) {
  const Variant one(1);
  if (VarCompareOrdered(n, one) != vrGreaterThan) return n;
  // Every step multiplies by a factor above 1, so a large n ends in a
  // floating-point overflow after a few hundred steps at most.
  Variant result = n;
  Variant factor = VarSub(n, one);
  while (VarCompareOrdered(factor, one) == vrGreaterThan) {
    result = VarMul(result, factor);
    factor = VarSub(factor, one);
  }
  return VarMul(result, factor);
}

Variant Min(const Variant& a, const Variant& b) {
  return a.IsNull() || VarCompareOrdered(a, b) == vrGreaterThan ? b : a;
}

Variant Max(const Variant& a, const Variant& b) {
  return a.IsNull() || VarCompareOrdered(a, b) == vrLessThan ? b : a;
}

Integer VarAsInteger(const Variant& v) { return v.AsInteger(); }

Variant VarAsNum(const Variant& v) {
  switch (v.VarType()) {
    case varEmpty:
    case varNull:
    case varBoolean: return Variant(0);
    case varOleStr:
    case varUString:
    case varString: break;
    default:
      // Numbers and dates keep their value; reading them back from their
      // text would lose the decimal separator or the date.
      if (VarIsNumeric(v) || v.VarType() == varDate || v.VarType() == varFMTBcd ||
          v.VarType() == varSQLTimeStamp || v.VarType() == varSQLTimeStampOffset) {
        return v;
      }
      break;
  }
  const String cleaned = WithPointDecimal(ClearNumValue(v.AsString()));
  double number;
  if (!ReadDecimal(cleaned, number)) return Variant(0);
  Int64 whole;
  if (cleaned.find_first_of(u".eE") == String::npos && TryStrToInt64(cleaned, whole)) return MakeWholeVariant(whole);
  return Variant(number);
}

WideChar VarAsChar(const Variant& v) {
  if (!VarIsStr(v)) return u' ';
  const String s = v.AsString();
  return s.empty() ? u' ' : s[0];
}
