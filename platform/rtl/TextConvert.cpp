#include "platform/rtl/TextConvert.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <ctime>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Strings.h"

namespace {

// ---------------------------------------------------------------------------
// Decimal digits of a number

// value = 0.digits x 10^exponent; digits has no leading or trailing zeros and
// is empty for zero.
struct Decimal {
  bool negative = false;
  std::string digits;
  int exponent = 0;

  bool IsZero() const { return digits.empty(); }
};

constexpr int kNoDecimalLimit = INT_MAX / 2;

void StripTrailingZeros(Decimal& d) {
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.exponent = 0;
}

// Keeps `keep` digits, rounding the rest half up.
void RoundDigits(Decimal& d, int keep) {
  if (keep >= static_cast<int>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
  } else {
    bool up = d.digits[static_cast<size_t>(keep)] >= '5';
    d.digits.resize(static_cast<size_t>(keep));
    if (up) {
      int i = keep - 1;
      while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') d.digits[static_cast<size_t>(i--)] = '0';
      if (i >= 0) {
        ++d.digits[static_cast<size_t>(i)];
      } else {  // 999 -> 1000
        d.digits = "1";
        ++d.exponent;
      }
    }
  }
  StripTrailingZeros(d);
}

// The digits of a finite double rounded to `precision` significant digits,
// then to `decimals` digits after the point. Rounding in two steps makes
// 1.005 (shown as "1.005") round to "1.01" at two decimals, as a reader of
// the shown value expects.
Decimal FloatToDecimal(double value, int precision, int decimals) {
  Decimal d;
  d.negative = std::signbit(value);
  double a = std::fabs(value);
  if (a == 0) {
    d.negative = false;
    return d;
  }
  precision = std::clamp(precision, 1, 18);
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, precision - 1);
  std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
  size_t e = text.find('e');
  for (size_t i = 0; i < e; ++i) {
    if (text[i] >= '0' && text[i] <= '9') d.digits += text[i];
  }
  int exp10 = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(), exp10);
  d.exponent = exp10 + 1;
  StripTrailingZeros(d);
  if (decimals < kNoDecimalLimit) RoundDigits(d, d.exponent + decimals);
  if (d.IsZero()) d.negative = false;
  return d;
}

// The exact digits of a currency, rounded to `decimals` digits after the point.
Decimal CurrToDecimal(Currency value, int decimals) {
  Decimal d;
  Int64 scaled = value.Scaled();
  d.negative = scaled < 0;
  UInt64 magnitude = scaled < 0 ? UInt64(0) - static_cast<UInt64>(scaled) : static_cast<UInt64>(scaled);
  if (magnitude == 0) {
    d.negative = false;
    return d;
  }
  d.digits = std::to_string(magnitude);
  d.exponent = static_cast<int>(d.digits.size()) - 4;
  StripTrailingZeros(d);
  if (decimals < kNoDecimalLimit) RoundDigits(d, d.exponent + decimals);
  if (d.IsZero()) d.negative = false;
  return d;
}

// A source of digits for a precision and a count of decimals.
using DecimalSource = std::function<Decimal(int precision, int decimals)>;

char16_t DigitAt(const Decimal& d, int index) {
  return index >= 0 && index < static_cast<int>(d.digits.size()) ? char16_t(d.digits[static_cast<size_t>(index)]) : u'0';
}

// Appends n with zeros in front up to width digits; in place, as every
// date part and exponent goes through here.
void AppendPadded(String& out, long long n, int width) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
  const int count = static_cast<int>(end - digits);
  char16_t text[32];
  int length = 0;
  for (; length < width - count; ++length) text[length] = u'0';
  for (const char* p = digits; p < end; ++p) text[length++] = char16_t(*p);
  out.append(text, static_cast<size_t>(length));
}

void AppendGrouped(String& out, const String& integerDigits, WideChar thousands) {
  size_t n = integerDigits.size();
  for (size_t i = 0; i < n; ++i) {
    out += integerDigits[i];
    size_t rest = n - 1 - i;
    if (thousands != 0 && rest > 0 && rest % 3 == 0) out += thousands;
  }
}

// The integer digits of a decimal ("0" below one).
String IntegerDigits(const Decimal& d) {
  if (d.exponent <= 0) return u"0";
  String s;
  for (int i = 0; i < d.exponent; ++i) s += DigitAt(d, i);
  return s;
}

String GeneralText(const Decimal& d, int precision, int expDigits, const TFormatSettings& fs) {
  if (d.IsZero()) return u"0";
  String out = d.negative ? u"-" : u"";
  int count = static_cast<int>(d.digits.size());
  if (d.exponent > precision || d.exponent < -3) {
    out += char16_t(d.digits[0]);
    if (count > 1) {
      out += fs.DecimalSeparator;
      for (int i = 1; i < count; ++i) out += char16_t(d.digits[static_cast<size_t>(i)]);
    }
    int exp10 = d.exponent - 1;
    out += u'E';
    if (exp10 < 0) out += u'-';
    AppendPadded(out, std::abs(exp10), std::clamp(expDigits, 0, 4));
    return out;
  }
  out += IntegerDigits(d);
  if (count > d.exponent) {
    out += fs.DecimalSeparator;
    for (int k = 0; k < count - d.exponent; ++k) out += DigitAt(d, d.exponent + k);
  }
  return out;
}

String ExponentText(const Decimal& d, int precision, int expDigits, const TFormatSettings& fs) {
  String out = d.negative ? u"-" : u"";
  out += DigitAt(d, 0);
  if (precision > 1) {
    out += fs.DecimalSeparator;
    for (int i = 1; i < precision; ++i) out += DigitAt(d, i);
  }
  int exp10 = d.IsZero() ? 0 : d.exponent - 1;
  out += u'E';
  out += exp10 < 0 ? u'-' : u'+';
  AppendPadded(out, std::abs(exp10), std::clamp(expDigits, 0, 4));
  return out;
}

// "1234,50" or, grouped, "1.234,50"; a minus sign in front when withSign.
String FixedText(const Decimal& d, int decimals, bool grouped, bool withSign, const TFormatSettings& fs) {
  String out = withSign && d.negative ? u"-" : u"";
  AppendGrouped(out, IntegerDigits(d), grouped ? fs.ThousandSeparator : WideChar(0));
  if (decimals > 0) {
    out += fs.DecimalSeparator;
    for (int i = 0; i < decimals; ++i) out += DigitAt(d, d.exponent + i);
  }
  return out;
}

String CurrencyText(const String& number, bool negative, const TFormatSettings& fs) {
  const String& c = fs.CurrencyString;
  if (!negative) {
    switch (fs.CurrencyFormat) {
      case 0: return c + number;
      case 1: return number + c;
      case 2: return c + u" " + number;
      default: return number + u" " + c;
    }
  }
  switch (fs.NegCurrFormat) {
    case 0: return u"(" + c + number + u")";
    case 1: return u"-" + c + number;
    case 2: return c + u"-" + number;
    case 3: return c + number + u"-";
    case 4: return u"(" + number + c + u")";
    case 5: return u"-" + number + c;
    case 6: return number + u"-" + c;
    case 7: return number + c + u"-";
    case 8: return u"-" + number + u" " + c;
    case 9: return u"-" + c + u" " + number;
    case 10: return number + u" " + c + u"-";
    case 11: return c + u" " + number + u"-";
    case 12: return c + u" -" + number;
    case 13: return number + u"- " + c;
    case 14: return u"(" + c + u" " + number + u")";
    default: return u"(" + number + u" " + c + u")";
  }
}

String DecimalToStrF(const DecimalSource& source, TFloatFormat format, int precision, int digits,
                     const TFormatSettings& fs) {
  precision = std::clamp(precision, 1, 19);
  switch (format) {
    case ffExponent: {
      return ExponentText(source(precision, kNoDecimalLimit), precision, digits, fs);
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      digits = std::clamp(digits, 0, 18);
      Decimal d = source(precision, digits);
      if (d.exponent > precision) return GeneralText(source(precision, kNoDecimalLimit), precision, 0, fs);
      if (format != ffCurrency) return FixedText(d, digits, format == ffNumber, true, fs);
      return CurrencyText(FixedText(d, digits, true, false, fs), d.negative, fs);
    }
    case ffGeneral:
    default:
      return GeneralText(source(precision, kNoDecimalLimit), precision, digits, fs);
  }
}

// ---------------------------------------------------------------------------
// Pictures ("#,##0.00")

struct Picture {
  StringView text;
  int intPlaces = 0;  // digit placeholders before the point
  int minInt = 0;     // integer digits always written (from the first "0")
  int maxDec = 0;
  int minDec = 0;
  bool thousands = false;
  bool scientific = false;
};

bool IsExponentAt(StringView s, size_t i) {
  return (s[i] == u'E' || s[i] == u'e') && i + 1 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-');
}

// Skips a quoted literal starting at i; returns the index after it.
size_t SkipQuoted(StringView s, size_t i) {
  char16_t q = s[i++];
  while (i < s.size() && s[i] != q) ++i;
  return i < s.size() ? i + 1 : i;
}

// Appends the text of a quoted literal starting at i (an unclosed one runs
// to the end); returns the index after it.
size_t AppendQuoted(String& out, StringView s, size_t i) {
  size_t end = s.find(s[i], i + 1);
  if (end == StringView::npos) end = s.size();
  out.append(s.substr(i + 1, end - i - 1));
  return std::min(end + 1, s.size());
}

std::vector<StringView> SplitSections(StringView format) {
  std::vector<StringView> sections;
  size_t start = 0, i = 0;
  while (i < format.size()) {
    if (format[i] == u'"' || format[i] == u'\'') {
      i = SkipQuoted(format, i);
    } else if (format[i] == u';') {
      sections.push_back(format.substr(start, i - start));
      start = ++i;
      if (sections.size() == 2) break;
    } else {
      ++i;
    }
  }
  // A third section runs to the end of the text.
  sections.push_back(format.substr(std::min(start, format.size())));
  return sections;
}

Picture ScanPicture(StringView section) {
  Picture p;
  p.text = section;
  bool afterPoint = false;
  int firstZero = -1;
  for (size_t i = 0; i < section.size();) {
    char16_t c = section[i];
    if (c == u'"' || c == u'\'') { i = SkipQuoted(section, i); continue; }
    if (IsExponentAt(section, i)) { p.scientific = true; break; }
    if (c == u'0' || c == u'#') {
      if (afterPoint) {
        ++p.maxDec;
        if (c == u'0') p.minDec = p.maxDec;
      } else {
        if (c == u'0' && firstZero < 0) firstZero = p.intPlaces;
        ++p.intPlaces;
      }
    } else if (c == u'.' && !afterPoint) {
      afterPoint = true;
    } else if (c == u',' && !afterPoint) {
      p.thousands = true;
    }
    ++i;
  }
  p.minInt = firstZero < 0 ? 0 : p.intPlaces - firstZero;
  return p;
}

// Digits of the value as the picture rounds it.
Decimal PictureDigits(const Picture& p, const DecimalSource& source) {
  if (p.scientific) return source(std::max(p.intPlaces + p.maxDec, 1), kNoDecimalLimit);
  return source(15, p.maxDec);
}

String RenderPicture(const Picture& p, const Decimal& d, bool withSign, const TFormatSettings& fs) {
  String intDigits, fracDigits;
  int exp10 = 0;
  if (p.scientific) {
    int intCount = p.intPlaces;
    for (int i = 0; i < intCount; ++i) intDigits += DigitAt(d, i);
    for (int i = intCount; i < static_cast<int>(d.digits.size()); ++i) fracDigits += DigitAt(d, i);
    exp10 = d.IsZero() ? 0 : d.exponent - intCount;
  } else {
    for (int i = 0; i < d.exponent; ++i) intDigits += DigitAt(d, i);
    for (int i = d.exponent; i < static_cast<int>(d.digits.size()); ++i) fracDigits += DigitAt(d, i);
  }
  if (static_cast<int>(intDigits.size()) < p.minInt) intDigits.insert(0, static_cast<size_t>(p.minInt) - intDigits.size(), u'0');
  if (static_cast<int>(fracDigits.size()) < p.minDec) fracDigits.append(static_cast<size_t>(p.minDec) - fracDigits.size(), u'0');

  String out = withSign && d.negative && !d.IsZero() ? u"-" : u"";
  const WideChar thousands = p.thousands ? fs.ThousandSeparator : WideChar(0);
  const int intLen = static_cast<int>(intDigits.size());
  auto emitInt = [&](int i) {
    out += intDigits[static_cast<size_t>(i)];
    int rest = intLen - 1 - i;
    if (thousands != 0 && rest > 0 && rest % 3 == 0) out += thousands;
  };
  auto emitAllInt = [&](int upTo) {
    for (int i = 0; i < upTo; ++i) emitInt(i);
  };
  int intIndex = 0;
  size_t fracIndex = 0;
  bool afterPoint = false;
  StringView s = p.text;
  for (size_t i = 0; i < s.size();) {
    char16_t c = s[i];
    if (c == u'"' || c == u'\'') {
      i = AppendQuoted(out, s, i);
      continue;
    }
    if (p.scientific && IsExponentAt(s, i)) {
      out += c;
      if (exp10 < 0) out += u'-';
      else if (s[i + 1] == u'+') out += u'+';
      i += 2;
      int width = 0;
      while (i < s.size() && s[i] == u'0') { ++width; ++i; }
      AppendPadded(out, std::abs(exp10), std::min(width, 4));
      // Literals may follow; no further placeholders are read.
      while (i < s.size()) {
        if (s[i] == u'"' || s[i] == u'\'') {
          i = AppendQuoted(out, s, i);
        } else {
          out += s[i++];
        }
      }
      break;
    }
    if (c == u'0' || c == u'#') {
      if (!afterPoint) {
        int k = intIndex++;
        int j = intLen - p.intPlaces + k;
        if (k == 0 && j > 0) emitAllInt(j);  // digits beyond the placeholders
        if (j >= 0) emitInt(j);
      } else if (fracIndex < fracDigits.size()) {
        out += fracDigits[fracIndex++];
      }
    } else if (c == u'.' && !afterPoint) {
      afterPoint = true;
      if (p.intPlaces == 0) emitAllInt(intLen);
      if (!fracDigits.empty()) out += fs.DecimalSeparator;
    } else if (c != u',') {
      out += c;
    }
    ++i;
  }
  return out;
}

String FormatDecimal(StringView format, const DecimalSource& source, bool negative, const TFormatSettings& fs,
                     const std::function<String()>& general) {
  if (format.empty()) return general();
  std::vector<StringView> sections = SplitSections(format);
  Picture first = ScanPicture(sections[0]);
  Decimal d = PictureDigits(first, source);
  if (!first.scientific && d.exponent > 18) return general();
  if (d.IsZero() && sections.size() >= 3 && !sections[2].empty()) {
    Picture zero = ScanPicture(sections[2]);
    return RenderPicture(zero, Decimal(), false, fs);
  }
  if (negative && sections.size() >= 2 && !sections[1].empty()) {
    Picture neg = ScanPicture(sections[1]);
    return RenderPicture(neg, PictureDigits(neg, source), false, fs);
  }
  return RenderPicture(first, d, true, fs);
}

String SpecialFloatText(double value) {
  if (std::isnan(value)) return u"NAN";
  return value < 0 ? u"-INF" : u"INF";
}

// ---------------------------------------------------------------------------
// Text to numbers

bool IsBlank(char16_t c) { return c <= u' '; }

StringView TrimBlanks(StringView s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The parts of a decimal number text: sign, digits with the position of the
// point, and an exponent.
struct NumberText {
  bool negative = false;
  std::string digits;     // all digits, point removed
  int pointPos = 0;       // digits before the point
  long exponent = 0;
};

bool ParseNumberText(StringView s, WideChar decimalSeparator, bool allowExponent, NumberText& n) {
  size_t i = 0;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) n.negative = s[i++] == u'-';
  bool any = false;
  while (i < s.size() && IsDigit(s[i])) { n.digits += char(s[i++]); any = true; }
  n.pointPos = static_cast<int>(n.digits.size());
  if (i < s.size() && s[i] == decimalSeparator) {
    ++i;
    while (i < s.size() && IsDigit(s[i])) { n.digits += char(s[i++]); any = true; }
  }
  if (!any) return false;
  if (allowExponent && i < s.size() && (s[i] == u'E' || s[i] == u'e')) {
    ++i;
    bool negExp = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negExp = s[i++] == u'-';
    if (i >= s.size() || !IsDigit(s[i])) return false;
    while (i < s.size() && IsDigit(s[i])) {
      // Beyond any double's range either way; keep counting without overflow.
      if (n.exponent < 100000) n.exponent = n.exponent * 10 + (s[i] - u'0');
      ++i;
    }
    if (negExp) n.exponent = -n.exponent;
  }
  return i == s.size();
}

bool ParseSpecialFloat(StringView s, double& value) {
  bool negative = false;
  if (!s.empty() && (s[0] == u'+' || s[0] == u'-')) {
    negative = s[0] == u'-';
    s.remove_prefix(1);
  }
  if (SameText(s, u"INF")) {
    value = negative ? -HUGE_VAL : HUGE_VAL;
    return true;
  }
  if (SameText(s, u"NAN")) {
    value = std::nan("");
    return true;
  }
  return false;
}

bool ParseUnsigned(StringView s, int base, UInt64 limit, UInt64& value) {
  if (s.empty()) return false;
  UInt64 v = 0;
  for (char16_t c : s) {
    unsigned digit;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    else return false;
    if (v > (limit - digit) / static_cast<unsigned>(base)) return false;
    v = v * static_cast<unsigned>(base) + digit;
  }
  value = v;
  return true;
}

// Integers of `bits` bits (32 or 64).
bool ParseInteger(StringView s, int bits, Int64& value) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  StringView rest = s.substr(i);
  const UInt64 unsignedMax = bits == 32 ? 0xFFFFFFFFull : ~0ull;
  UInt64 magnitude;
  if (!rest.empty() && (rest[0] == u'$' || rest[0] == u'x' || rest[0] == u'X' ||
                        (rest.size() > 1 && rest[0] == u'0' && (rest[1] == u'x' || rest[1] == u'X')))) {
    // Hexadecimal is a bit pattern: the whole unsigned range, wrapped.
    rest.remove_prefix(rest[0] == u'0' ? 2 : 1);
    if (!ParseUnsigned(rest, 16, unsignedMax, magnitude)) return false;
    if (negative) magnitude = UInt64(0) - magnitude;
    value = bits == 32 ? static_cast<Int64>(static_cast<Integer>(static_cast<uint32_t>(magnitude)))
                       : static_cast<Int64>(magnitude);
    return true;
  }
  const UInt64 positiveMax = bits == 32 ? 0x7FFFFFFFull : 0x7FFFFFFFFFFFFFFFull;
  if (!ParseUnsigned(rest, 10, positiveMax + (negative ? 1 : 0), magnitude)) return false;
  value = negative ? static_cast<Int64>(UInt64(0) - magnitude) : static_cast<Int64>(magnitude);
  return true;
}

[[noreturn]] void RaiseConvert(const char16_t* message, StringView s) {
  throw EConvertError(Format(message, {String(s)}));
}

// ---------------------------------------------------------------------------
// Dates and times to text

struct DateParts {
  Word year, month, day, hour, minute, second, msec, dayOfWeek;
};

DateParts Decode(TDateTime value) {
  DateParts p{};
  DecodeDateTime(value, p.year, p.month, p.day, p.hour, p.minute, p.second, p.msec);
  // Day 1 (1 January 0001) was a Monday; 1 is Sunday.
  p.dayOfWeek = static_cast<Word>(DateTimeToTimeStamp(value).Date % 7 + 1);
  return p;
}

bool StartsWithNoCase(StringView s, size_t i, StringView what) {
  return s.size() - i >= what.size() && SameText(s.substr(i, what.size()), what);
}

// Whether an hour at position `from` is written on the 12-hour clock: the
// next unquoted "a" decides, unless another hour comes first.
bool TwelveHourClockFollows(StringView format, size_t from) {
  char16_t quote = 0;
  for (size_t i = from; i < format.size(); ++i) {
    char16_t c = format[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == u'"' || c == u'\'') { quote = c; continue; }
    if (c == u'a' || c == u'A') {
      return StartsWithNoCase(format, i, u"am/pm") || StartsWithNoCase(format, i, u"a/p") ||
             StartsWithNoCase(format, i, u"ampm");
    }
    if (c == u'h' || c == u'H') return false;
  }
  return false;
}

char16_t UpperAscii(char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; }

// Nested formats (ddddd, c, t...) expand two levels deep, so a format that
// names itself cannot recurse without end.
constexpr int kMaxFormatLevel = 2;

void AppendDateTime(String& out, StringView format, const DateParts& p, const TFormatSettings& fs, int level) {
  char16_t lastToken = 0;
  size_t i = 0;
  while (i < format.size()) {
    char16_t c = format[i];
    size_t count = 1;
    while (i + count < format.size() && format[i + count] == c) ++count;
    char16_t token = UpperAscii(c);
    if (token >= u'A' && token <= u'Z') {
      if (token == u'M' && lastToken == u'H') token = u'N';
      lastToken = token;
    }
    switch (token) {
      case u'Y':
        if (count <= 2) AppendPadded(out, p.year % 100, 2);
        else AppendPadded(out, p.year, 4);
        i += count;
        break;
      case u'M':
        if (count <= 2) AppendPadded(out, p.month, static_cast<int>(count));
        else if (count == 3) out += fs.ShortMonthNames[p.month - 1];
        else out += fs.LongMonthNames[p.month - 1];
        i += count;
        break;
      case u'D':
        if (count <= 2) AppendPadded(out, p.day, static_cast<int>(count));
        else if (count == 3) out += fs.ShortDayNames[p.dayOfWeek - 1];
        else if (count == 4) out += fs.LongDayNames[p.dayOfWeek - 1];
        else if (level < kMaxFormatLevel) AppendDateTime(out, count == 5 ? fs.ShortDateFormat : fs.LongDateFormat, p, fs, level + 1);
        i += count;
        break;
      case u'H': {
        i += count;
        int hour = p.hour;
        if (TwelveHourClockFollows(format, i)) {
          if (hour == 0) hour = 12;
          else if (hour > 12) hour -= 12;
        }
        AppendPadded(out, hour, std::min<int>(static_cast<int>(count), 2));
        break;
      }
      case u'N':
        AppendPadded(out, p.minute, std::min<int>(static_cast<int>(count), 2));
        i += count;
        break;
      case u'S':
        AppendPadded(out, p.second, std::min<int>(static_cast<int>(count), 2));
        i += count;
        break;
      case u'Z':
        AppendPadded(out, p.msec, std::min<int>(static_cast<int>(count), 3));
        i += count;
        break;
      case u'T':
        if (level < kMaxFormatLevel) AppendDateTime(out, count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, p, fs, level + 1);
        i += count;
        break;
      case u'C':
        if (level < kMaxFormatLevel) {
          AppendDateTime(out, fs.ShortDateFormat, p, fs, level + 1);
          if (p.hour != 0 || p.minute != 0 || p.second != 0 || p.msec != 0) {
            out += u' ';
            AppendDateTime(out, fs.LongTimeFormat, p, fs, level + 1);
          }
        }
        i += count;
        break;
      case u'A':
        if (StartsWithNoCase(format, i, u"am/pm")) {
          // "am" or "pm" as the format writes it.
          out.append(format.substr(p.hour >= 12 ? i + 3 : i, 2));
          i += 5;
        } else if (StartsWithNoCase(format, i, u"a/p")) {
          out += format[p.hour >= 12 ? i + 2 : i];
          i += 3;
        } else if (StartsWithNoCase(format, i, u"ampm")) {
          out += p.hour >= 12 ? fs.TimePMString : fs.TimeAMString;
          i += 4;
        } else {
          out += c;
          ++i;
        }
        break;
      case u'/':
        if (fs.DateSeparator != 0) out += fs.DateSeparator;
        ++i;
        break;
      case u':':
        if (fs.TimeSeparator != 0) out += fs.TimeSeparator;
        ++i;
        break;
      case u'"':
      case u'\'':
        i = AppendQuoted(out, format, i);
        break;
      default:
        out += c;
        ++i;
        break;
    }
  }
}

// ---------------------------------------------------------------------------
// Text to dates and times

// A reader over the text: blanks between the parts are skipped.
struct Scanner {
  StringView s;
  size_t pos = 0;

  void SkipBlanks() {
    while (pos < s.size() && (s[pos] == u' ' || s[pos] == u'\t')) ++pos;
  }
  bool AtEnd() const { return pos >= s.size(); }

  // Up to five digits; `digits` receives how many were written.
  bool Number(Word& value, int& digits) {
    SkipBlanks();
    size_t start = pos;
    unsigned v = 0;
    while (pos < s.size() && IsDigit(s[pos])) {
      if (pos - start >= 5) return false;
      v = v * 10 + (s[pos++] - u'0');
    }
    digits = static_cast<int>(pos - start);
    if (digits == 0 || v > 0xFFFF) return false;
    value = static_cast<Word>(v);
    return true;
  }

  bool Char(WideChar c) {
    SkipBlanks();
    if (c != 0 && pos < s.size() && s[pos] == c) {
      ++pos;
      return true;
    }
    return false;
  }

  bool Symbol(StringView text) {
    if (text.empty()) return false;
    size_t save = pos;
    SkipBlanks();
    if (s.size() - pos >= text.size() && CompareTextOrdinal(s.substr(pos, text.size()), text) == 0) {
      pos += text.size();
      return true;
    }
    pos = save;
    return false;
  }

  // Milliseconds of a fraction of a second: ",5" is 500.
  bool Fraction(Word& msec) {
    SkipBlanks();
    size_t start = pos;
    unsigned v = 0;
    while (pos < s.size() && IsDigit(s[pos])) {
      if (pos - start < 3) v = v * 10 + (s[pos] - u'0');
      ++pos;
    }
    size_t n = pos - start;
    if (n == 0) return false;
    for (size_t k = n; k < 3; ++k) v *= 10;
    msec = static_cast<Word>(v);
    return true;
  }
};

enum class DateOrder { MDY, DMY, YMD };

DateOrder DateOrderOf(StringView shortDateFormat) {
  for (char16_t c : shortDateFormat) {
    switch (UpperAscii(c)) {
      case u'E': case u'Y': return DateOrder::YMD;
      case u'M': return DateOrder::MDY;
      case u'D': return DateOrder::DMY;
      default: break;
    }
  }
  return DateOrder::MDY;
}

int CurrentYear() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_year + 1900;
}

// A year written with one or two digits is placed in the hundred years that
// start TwoDigitYearCenturyWindow years before the current one (with a
// window of 0, in the current century).
int ExpandTwoDigitYear(int year, Word window) {
  int centuryBase = CurrentYear() - window;
  year += centuryBase / 100 * 100;
  if (window > 0 && year < centuryBase) year += 100;
  return year;
}

bool ScanDate(Scanner& sc, TDateTime& date, const TFormatSettings& fs) {
  Word n1, n2, n3;
  int l1, l2, l3;
  if (!(sc.Number(n1, l1) && sc.Char(fs.DateSeparator) && sc.Number(n2, l2))) return false;
  int y, m, d;
  DateOrder order = DateOrderOf(fs.ShortDateFormat);
  if (sc.Char(fs.DateSeparator)) {
    if (!sc.Number(n3, l3)) return false;
    int yearDigits;
    switch (order) {
      case DateOrder::MDY: y = n3; yearDigits = l3; m = n1; d = n2; break;
      case DateOrder::DMY: y = n3; yearDigits = l3; m = n2; d = n1; break;
      default: y = n1; yearDigits = l1; m = n2; d = n3; break;
    }
    if (yearDigits <= 2) y = ExpandTwoDigitYear(y, fs.TwoDigitYearCenturyWindow);
  } else {
    y = CurrentYear();
    if (order == DateOrder::DMY) { d = n1; m = n2; }
    else { m = n1; d = n2; }
  }
  // A closing separator ("1.2.2024.") is allowed.
  sc.Char(fs.DateSeparator);
  sc.SkipBlanks();
  if (y < 1 || y > 9999) return false;
  return TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date);
}

bool ScanAmPm(Scanner& sc, const TFormatSettings& fs, int& baseHour) {
  if (sc.Symbol(fs.TimeAMString) || sc.Symbol(u"AM")) { baseHour = 0; return true; }
  if (sc.Symbol(fs.TimePMString) || sc.Symbol(u"PM")) { baseHour = 12; return true; }
  return false;
}

bool ScanTime(Scanner& sc, TDateTime& time, const TFormatSettings& fs) {
  int baseHour = -1;
  ScanAmPm(sc, fs, baseHour);
  Word hour, minute = 0, second = 0, msec = 0;
  int digits;
  if (!sc.Number(hour, digits)) return false;
  if (sc.Char(fs.TimeSeparator)) {
    if (!sc.Number(minute, digits)) return false;
    if (sc.Char(fs.TimeSeparator)) {
      if (!sc.Number(second, digits)) return false;
      if (sc.Char(fs.DecimalSeparator) && !sc.Fraction(msec)) return false;
    }
  }
  if (baseHour < 0) ScanAmPm(sc, fs, baseHour);
  if (baseHour >= 0) {
    if (hour == 0 || hour > 12) return false;
    if (hour == 12) hour = 0;
    hour = static_cast<Word>(hour + baseHour);
  }
  sc.SkipBlanks();
  return TryEncodeTime(hour, minute, second, msec, time);
}

}  // namespace

// ---------------------------------------------------------------------------
// Numbers to text

String FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& fs) {
  if (!std::isfinite(value)) return SpecialFloatText(value);
  return DecimalToStrF([value](int p, int d) { return FloatToDecimal(value, p, d); }, format, precision, digits, fs);
}

String FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings);
}

// The common text of a double without the general machinery (no digit
// string, no callable, one allocation): it gives exactly what
// FloatToStrF(value, ffGeneral, 15, 0, fs) gives, which the tests compare.
void AppendFloatToStr(String& text, double value, const TFormatSettings& fs) {
  if (!std::isfinite(value)) {
    text += SpecialFloatText(value);
    return;
  }
  if (value == 0) {
    text += u'0';
    return;
  }
  char sci[40];
  char digits[24];
  int count = 0;
  int exp10 = 0;
  // Most stored numbers have a few decimals: a·10^k that comes out a whole
  // number below 10^15 is that number's digits (the product's rounding is
  // far below half a fifteen-digit step, so it rounds to the same text).
  const double a = std::fabs(value);
  static constexpr double kScales[] = {1, 10, 100, 1000, 10000};
  for (int k = 0; k < 5 && a >= 1e-4; ++k) {
    const double scaled = a * kScales[k];
    if (scaled >= 1e15) break;
    if (scaled != std::floor(scaled)) continue;
    const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<UInt64>(scaled)).ptr;
    count = static_cast<int>(end - digits);
    exp10 = count - 1 - k;
    while (count > 0 && digits[count - 1] == '0') --count;
    break;
  }
  // Else the shortest text that reads back as the value is far quicker to
  // get than a rounding; when it has at most fifteen digits it is also the
  // value rounded to fifteen (a normal double lies within a tenth of a
  // fifteen-digit step of it; subnormals have fewer bits). Otherwise round
  // to fifteen digits: "d.ddddddddddddddde-XX".
  const bool normal = a >= std::numeric_limits<double>::min();
  for (bool shortest : {normal, false}) {
    if (count > 0 && count <= 15) break;
    const auto res = shortest ? std::to_chars(sci, sci + sizeof sci, a, std::chars_format::scientific)
                              : std::to_chars(sci, sci + sizeof sci, a, std::chars_format::scientific, 14);
    const char* e = std::find(sci, res.ptr, 'e');
    count = 0;
    for (const char* p = sci; p < e && count < static_cast<int>(sizeof digits); ++p) {
      if (*p != '.') digits[count++] = *p;
    }
    while (count > 0 && digits[count - 1] == '0') --count;
    std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), res.ptr, exp10);
    if (count <= 15) break;
  }
  const int exponent = exp10 + 1;  // value = 0.digits x 10^exponent

  char16_t out[40];
  int n = 0;
  if (std::signbit(value)) out[n++] = u'-';
  if (exponent > 15 || exponent < -3) {
    out[n++] = char16_t(digits[0]);
    if (count > 1) {
      out[n++] = fs.DecimalSeparator;
      for (int i = 1; i < count; ++i) out[n++] = char16_t(digits[i]);
    }
    out[n++] = u'E';
    if (exp10 < 0) out[n++] = u'-';
    char expText[8];
    const auto expEnd = std::to_chars(expText, expText + sizeof expText, std::abs(exp10)).ptr;
    for (const char* p = expText; p < expEnd; ++p) out[n++] = char16_t(*p);
    text.append(out, static_cast<size_t>(n));
    return;
  }
  const auto digitAt = [&](int index) { return index >= 0 && index < count ? char16_t(digits[index]) : u'0'; };
  if (exponent <= 0) {
    out[n++] = u'0';
  } else {
    for (int i = 0; i < exponent; ++i) out[n++] = digitAt(i);
  }
  if (count > exponent) {
    out[n++] = fs.DecimalSeparator;
    for (int i = exponent; i < count; ++i) out[n++] = digitAt(i);
  }
  text.append(out, static_cast<size_t>(n));
}

String FloatToStr(double value, const TFormatSettings& fs) {
  String text;
  AppendFloatToStr(text, value, fs);
  return text;
}
String FloatToStr(double value) { return FloatToStr(value, FormatSettings); }

String FormatFloat(StringView format, double value, const TFormatSettings& fs) {
  if (!std::isfinite(value)) return SpecialFloatText(value);
  return FormatDecimal(
      format, [value](int p, int d) { return FloatToDecimal(value, p, d); }, value < 0, fs,
      [&] { return FloatToStr(value, fs); });
}

String FormatFloat(StringView format, double value) { return FormatFloat(format, value, FormatSettings); }

String CurrToStrF(Currency value, TFloatFormat format, int digits, const TFormatSettings& fs) {
  // Every currency has at most 19 significant digits and 4 decimals, so its
  // general form is never scientific.
  return DecimalToStrF([value](int, int d) { return CurrToDecimal(value, d); }, format, 19, digits, fs);
}

String CurrToStrF(Currency value, TFloatFormat format, int digits) {
  return CurrToStrF(value, format, digits, FormatSettings);
}

String CurrToStr(Currency value, const TFormatSettings& fs) { return CurrToStrF(value, ffGeneral, 0, fs); }
String CurrToStr(Currency value) { return CurrToStr(value, FormatSettings); }

String FormatCurr(StringView format, Currency value, const TFormatSettings& fs) {
  return FormatDecimal(
      format, [value](int, int d) { return CurrToDecimal(value, d); }, value.Scaled() < 0, fs,
      [&] { return CurrToStr(value, fs); });
}

String FormatCurr(StringView format, Currency value) { return FormatCurr(format, value, FormatSettings); }

// ---------------------------------------------------------------------------
// Text to numbers

bool TryStrToFloat(StringView s, double& value, const TFormatSettings& fs) {
  StringView t = TrimBlanks(s);
  if (ParseSpecialFloat(t, value)) return true;
  NumberText n;
  if (!ParseNumberText(t, fs.DecimalSeparator, true, n)) return false;
  // Rewritten as "[-]digitsE<exp>" for a locale-independent reader.
  long exp10 = n.exponent - static_cast<long>(n.digits.size() - static_cast<size_t>(n.pointPos));
  size_t first = n.digits.find_first_not_of('0');
  if (first == std::string::npos) {
    value = n.negative ? -0.0 : 0.0;
    return true;
  }
  std::string text = (n.negative ? "-" : "") + n.digits.substr(first) + "e" + std::to_string(exp10);
  double v = 0;
  auto res = std::from_chars(text.data(), text.data() + text.size(), v);
  if (res.ec == std::errc::result_out_of_range) {
    // Magnitude below one: the number underflows to zero; above: too large.
    long magnitude = static_cast<long>(n.digits.size() - first) + exp10;
    if (magnitude > 0) return false;
    v = n.negative ? -0.0 : 0.0;
  } else if (res.ec != std::errc() || res.ptr != text.data() + text.size()) {
    return false;
  }
  value = v;
  return true;
}

bool TryStrToFloat(StringView s, double& value) { return TryStrToFloat(s, value, FormatSettings); }

double StrToFloat(StringView s, const TFormatSettings& fs) {
  double v;
  if (!TryStrToFloat(s, v, fs)) RaiseConvert(RtlMessages::SInvalidFloat, s);
  return v;
}

double StrToFloat(StringView s) { return StrToFloat(s, FormatSettings); }

double StrToFloatDef(StringView s, double defaultValue, const TFormatSettings& fs) {
  double v;
  return TryStrToFloat(s, v, fs) ? v : defaultValue;
}

double StrToFloatDef(StringView s, double defaultValue) { return StrToFloatDef(s, defaultValue, FormatSettings); }

bool TryStrToCurr(StringView s, Currency& value, const TFormatSettings& fs) {
  NumberText n;
  if (!ParseNumberText(TrimBlanks(s), fs.DecimalSeparator, false, n)) return false;
  // Scaled by 10^4; the fifth decimal rounds, ties away from zero.
  __int128 scaled = 0;
  const __int128 limit = (__int128(1) << 63);
  size_t wanted = static_cast<size_t>(n.pointPos) + 4;
  for (size_t i = 0; i < wanted; ++i) {
    scaled = scaled * 10 + (i < n.digits.size() ? n.digits[i] - '0' : 0);
    if (scaled > limit) return false;
  }
  if (wanted < n.digits.size() && n.digits[wanted] >= '5') ++scaled;
  if (n.negative) scaled = -scaled;
  if (scaled > INT64_MAX || scaled < INT64_MIN) return false;
  value = Currency::FromScaled(static_cast<Int64>(scaled));
  return true;
}

bool TryStrToCurr(StringView s, Currency& value) { return TryStrToCurr(s, value, FormatSettings); }

Currency StrToCurr(StringView s, const TFormatSettings& fs) {
  Currency v;
  if (!TryStrToCurr(s, v, fs)) RaiseConvert(RtlMessages::SInvalidFloat, s);
  return v;
}

Currency StrToCurr(StringView s) { return StrToCurr(s, FormatSettings); }

bool TryStrToInt(StringView s, Integer& value) {
  Int64 v;
  if (!ParseInteger(s, 32, v)) return false;
  value = static_cast<Integer>(v);
  return true;
}

bool TryStrToInt64(StringView s, Int64& value) { return ParseInteger(s, 64, value); }

Integer StrToInt(StringView s) {
  Integer v;
  if (!TryStrToInt(s, v)) RaiseConvert(RtlMessages::SInvalidInteger, s);
  return v;
}

Int64 StrToInt64(StringView s) {
  Int64 v;
  if (!TryStrToInt64(s, v)) RaiseConvert(RtlMessages::SInvalidInteger, s);
  return v;
}

Integer StrToIntDef(StringView s, Integer defaultValue) {
  Integer v;
  return TryStrToInt(s, v) ? v : defaultValue;
}

Int64 StrToInt64Def(StringView s, Int64 defaultValue) {
  Int64 v;
  return TryStrToInt64(s, v) ? v : defaultValue;
}

// ---------------------------------------------------------------------------
// Dates and times to text

void AppendFormatDateTime(String& out, StringView format, TDateTime value, const TFormatSettings& fs) {
  DateParts parts = Decode(value);
  AppendDateTime(out, format.empty() ? StringView(u"c") : format, parts, fs, 0);
}

String FormatDateTime(StringView format, TDateTime value, const TFormatSettings& fs) {
  String out;
  out.reserve(24);  // a date and a time without growing on the way
  AppendFormatDateTime(out, format, value, fs);
  return out;
}

String FormatDateTime(StringView format, TDateTime value) { return FormatDateTime(format, value, FormatSettings); }
String DateToStr(TDateTime value, const TFormatSettings& fs) { return FormatDateTime(u"ddddd", value, fs); }
String DateToStr(TDateTime value) { return DateToStr(value, FormatSettings); }
String TimeToStr(TDateTime value, const TFormatSettings& fs) { return FormatDateTime(u"tt", value, fs); }
String TimeToStr(TDateTime value) { return TimeToStr(value, FormatSettings); }
String DateTimeToStr(TDateTime value, const TFormatSettings& fs) { return FormatDateTime(u"c", value, fs); }
String DateTimeToStr(TDateTime value) { return DateTimeToStr(value, FormatSettings); }

// ---------------------------------------------------------------------------
// Text to dates and times

bool TryStrToDate(StringView s, TDateTime& value, const TFormatSettings& fs) {
  Scanner sc{s};
  TDateTime date;
  if (!ScanDate(sc, date, fs) || !sc.AtEnd()) return false;
  value = date;
  return true;
}

bool TryStrToTime(StringView s, TDateTime& value, const TFormatSettings& fs) {
  Scanner sc{s};
  TDateTime time;
  if (!ScanTime(sc, time, fs) || !sc.AtEnd()) return false;
  value = time;
  return true;
}

bool TryStrToDateTime(StringView s, TDateTime& value, const TFormatSettings& fs) {
  Scanner sc{s};
  TDateTime date, time = 0;
  if (ScanDate(sc, date, fs) && (sc.AtEnd() || ScanTime(sc, time, fs)) && sc.AtEnd()) {
    // Before 1899 the day counts down while the time of day still counts up.
    value = date >= 0 ? date + time : date - time;
    return true;
  }
  return TryStrToTime(s, value, fs);
}

bool TryStrToDate(StringView s, TDateTime& value) { return TryStrToDate(s, value, FormatSettings); }
bool TryStrToTime(StringView s, TDateTime& value) { return TryStrToTime(s, value, FormatSettings); }
bool TryStrToDateTime(StringView s, TDateTime& value) { return TryStrToDateTime(s, value, FormatSettings); }

TDateTime StrToDate(StringView s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToDate(s, v, fs)) RaiseConvert(RtlMessages::SInvalidDate, s);
  return v;
}

TDateTime StrToTime(StringView s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToTime(s, v, fs)) RaiseConvert(RtlMessages::SInvalidTime, s);
  return v;
}

TDateTime StrToDateTime(StringView s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToDateTime(s, v, fs)) RaiseConvert(RtlMessages::SInvalidDateTime, s);
  return v;
}

TDateTime StrToDate(StringView s) { return StrToDate(s, FormatSettings); }
TDateTime StrToTime(StringView s) { return StrToTime(s, FormatSettings); }
TDateTime StrToDateTime(StringView s) { return StrToDateTime(s, FormatSettings); }
