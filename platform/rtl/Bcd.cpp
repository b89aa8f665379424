#include "platform/rtl/Bcd.h"

#include <charconv>
#include <cmath>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char16_t SBcdOverflow[] = u"BCD overflow";
constexpr char16_t SInvalidBcdValue[] = u"%s is not a valid BCD value";
constexpr char16_t SBadPrecision[] = u"Invalid BCD: precision %d is above 64";
constexpr char16_t SBadScale[] = u"Invalid BCD: scale %d is above precision %d";
constexpr char16_t SBadDigit[] = u"Invalid BCD: digit %d has the value %d";
constexpr char16_t SBadLayout[] = u"Invalid BCD precision %d and scale %d";
constexpr char16_t SNotFinite[] = u"Cannot convert an infinite or NaN value to BCD";

// A decimal number as ASCII digits: the integer part without leading zeros
// and the fraction as written (its length is the scale).
struct Decimal {
  bool negative = false;
  std::string whole;
  std::string frac;

  bool IsZero() const {
    return whole.empty() && frac.find_first_not_of('0') == std::string::npos;
  }
};

void StripLeadingZeros(std::string& s) { s.erase(0, std::min(s.find_first_not_of('0'), s.size())); }

void StripTrailingZeros(std::string& s) {
  size_t last = s.find_last_not_of('0');
  s.resize(last == std::string::npos ? 0 : last + 1);
}

Decimal Unpack(const TBcd& bcd) {
  int precision = bcd.Precision;
  int scale = bcd.SignSpecialPlaces & 0x3F;
  if (precision > MaxFMTBcdDigits) throw EBcdException(Format(SBadPrecision, {Int64(precision)}));
  if (scale > precision) throw EBcdException(Format(SBadScale, {Int64(scale), Int64(precision)}));
  Decimal d;
  d.negative = (bcd.SignSpecialPlaces & 0x80) != 0;
  std::string digits(static_cast<size_t>(precision), '0');
  for (int i = 0; i < precision; ++i) {
    int nibble = (i % 2 == 0) ? bcd.Fraction[i / 2] >> 4 : bcd.Fraction[i / 2] & 0x0F;
    if (nibble > 9) throw EBcdException(Format(SBadDigit, {Int64(i + 1), Int64(nibble)}));
    digits[static_cast<size_t>(i)] = static_cast<char>('0' + nibble);
  }
  d.whole = digits.substr(0, static_cast<size_t>(precision - scale));
  d.frac = digits.substr(static_cast<size_t>(precision - scale));
  StripLeadingZeros(d.whole);
  return d;
}

// Packs into exactly the given precision and scale; the caller has made sure
// that the digits fit.
TBcd Pack(const Decimal& d, int precision, int scale) {
  TBcd bcd;
  bcd.Precision = static_cast<Byte>(precision);
  bcd.SignSpecialPlaces = static_cast<Byte>(scale | ((d.negative && !d.IsZero()) ? 0x80 : 0));
  std::string digits(static_cast<size_t>(precision - scale) - d.whole.size(), '0');
  digits += d.whole;
  digits += d.frac;
  digits.resize(static_cast<size_t>(precision), '0');
  for (int i = 0; i < precision; ++i) {
    Byte nibble = static_cast<Byte>(digits[static_cast<size_t>(i)] - '0');
    bcd.Fraction[i / 2] |= (i % 2 == 0) ? static_cast<Byte>(nibble << 4) : nibble;
  }
  return bcd;
}

// Rounds the fraction to at most `places` digits, ties away from zero.
void RoundFraction(Decimal& d, size_t places) {
  if (d.frac.size() <= places) return;
  bool up = d.frac[places] >= '5';
  d.frac.resize(places);
  if (!up) return;
  for (size_t i = d.frac.size(); i-- > 0;) {
    if (d.frac[i] != '9') {
      ++d.frac[i];
      return;
    }
    d.frac[i] = '0';
  }
  for (size_t i = d.whole.size(); i-- > 0;) {
    if (d.whole[i] != '9') {
      ++d.whole[i];
      return;
    }
    d.whole[i] = '0';
  }
  d.whole.insert(d.whole.begin(), '1');
}

// Packs with the digits the value needs, rounding a fraction that does not fit.
TBcd PackNatural(Decimal d) {
  if (d.whole.size() > static_cast<size_t>(MaxFMTBcdDigits)) throw EBcdOverflowException(SBcdOverflow);
  RoundFraction(d, std::min<size_t>(MaxFMTBcdScale, MaxFMTBcdDigits - d.whole.size()));
  if (d.whole.size() > static_cast<size_t>(MaxFMTBcdDigits)) throw EBcdOverflowException(SBcdOverflow);
  size_t frac = std::min<size_t>(d.frac.size(), MaxFMTBcdDigits - d.whole.size());
  d.frac.resize(frac);
  int precision = static_cast<int>(std::max<size_t>(1, d.whole.size() + frac));
  return Pack(d, precision, static_cast<int>(frac));
}

enum class ParseResult { Ok, Invalid, Overflow };

ParseResult ParseDecimal(StringView text, WideChar separator, Decimal& out) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] <= u' ') ++i;
  while (n > i && text[n - 1] <= u' ') --n;
  Decimal d;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) d.negative = text[i++] == u'-';
  std::string digits;
  long point = -1;  // digits before the separator
  for (; i < n; ++i) {
    WideChar c = text[i];
    if (c >= u'0' && c <= u'9') {
      digits += static_cast<char>(c);
    } else if (c == separator && point < 0) {
      point = static_cast<long>(digits.size());
    } else {
      break;
    }
  }
  if (digits.empty()) return ParseResult::Invalid;
  if (point < 0) point = static_cast<long>(digits.size());
  if (i < n && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    bool negExp = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) negExp = text[i++] == u'-';
    if (i >= n) return ParseResult::Invalid;
    long exponent = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - u'0');
    }
    if (i != n) return ParseResult::Invalid;
    // Leading zeros of the mantissa never count against the limits below.
    size_t firstDigit = digits.find_first_not_of('0');
    if (firstDigit == std::string::npos) {
      out = Decimal{};
      return ParseResult::Ok;
    }
    point -= static_cast<long>(firstDigit);
    digits.erase(0, firstDigit);
    point += negExp ? -exponent : exponent;
    if (point > MaxFMTBcdDigits) return ParseResult::Overflow;
    if (point < -(MaxFMTBcdDigits + 1)) {
      out = Decimal{};  // far below the smallest digit that can be kept
      return ParseResult::Ok;
    }
  }
  if (i != n) return ParseResult::Invalid;
  if (point < 0) {
    digits.insert(0, static_cast<size_t>(-point), '0');
    point = 0;
  } else if (static_cast<size_t>(point) > digits.size()) {
    digits.append(static_cast<size_t>(point) - digits.size(), '0');
  }
  d.whole = digits.substr(0, static_cast<size_t>(point));
  d.frac = digits.substr(static_cast<size_t>(point));
  StripLeadingZeros(d.whole);
  if (d.whole.size() > static_cast<size_t>(MaxFMTBcdDigits)) return ParseResult::Overflow;
  out = std::move(d);
  return ParseResult::Ok;
}

std::string ToAscii(Decimal d) {
  StripTrailingZeros(d.frac);
  std::string s;
  if (d.negative && !d.IsZero()) s += '-';
  s += d.whole.empty() ? "0" : d.whole;
  if (!d.frac.empty()) s += '.' + d.frac;
  return s;
}

int CompareMagnitude(const Decimal& a, const Decimal& b) {
  if (a.whole.size() != b.whole.size()) return a.whole.size() < b.whole.size() ? -1 : 1;
  if (int c = a.whole.compare(b.whole)) return c < 0 ? -1 : 1;
  std::string fa = a.frac, fb = b.frac;
  StripTrailingZeros(fa);
  StripTrailingZeros(fb);
  int c = fa.compare(fb);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Adds the digits to a 128-bit magnitude; false beyond 39 digits.
bool DigitsToInt128(const std::string& digits, unsigned __int128& out) {
  if (digits.size() > 38) return false;
  out = 0;
  for (char c : digits) out = out * 10 + static_cast<unsigned>(c - '0');
  return true;
}

}  // namespace

String BcdToStr(const TBcd& value, WideChar decimalSeparator) {
  String s = StrFromAscii(ToAscii(Unpack(value)));
  if (decimalSeparator != u'.') {
    for (auto& c : s) {
      if (c == u'.') c = decimalSeparator;
    }
  }
  return s;
}

bool TryStrToBcd(StringView text, TBcd& result, WideChar decimalSeparator) {
  Decimal d;
  if (ParseDecimal(text, decimalSeparator, d) != ParseResult::Ok) return false;
  result = PackNatural(std::move(d));
  return true;
}

TBcd StrToBcd(StringView text, WideChar decimalSeparator) {
  Decimal d;
  switch (ParseDecimal(text, decimalSeparator, d)) {
    case ParseResult::Ok: return PackNatural(std::move(d));
    case ParseResult::Overflow: throw EBcdOverflowException(SBcdOverflow);
    case ParseResult::Invalid: break;
  }
  throw EBcdException(Format(SInvalidBcdValue, {String(text)}));
}

double BcdToDouble(const TBcd& value) {
  std::string s = ToAscii(Unpack(value));
  double result = 0;
  std::from_chars(s.data(), s.data() + s.size(), result);  // correctly rounded; 64 digits never overflow
  return result;
}

TBcd DoubleToBcd(double value) {
  if (!std::isfinite(value)) throw EBcdException(SNotFinite);
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  return StrToBcd(StrFromAscii(std::string_view(buf, static_cast<size_t>(r.ptr - buf))));
}

TBcd IntegerToBcd(Int64 value) { return StrToBcd(IntToStr(value)); }

bool CurrToBCD(Currency value, TBcd& result, int precision, int decimals) {
  if (precision < 1 || precision > MaxFMTBcdDigits || decimals < 0 || decimals > precision ||
      decimals > MaxFMTBcdScale) {
    return false;
  }
  Int64 scaled = value.Scaled();
  UInt64 magnitude = scaled < 0 ? UInt64(0) - static_cast<UInt64>(scaled) : static_cast<UInt64>(scaled);
  std::string digits = std::to_string(magnitude);
  if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
  Decimal d;
  d.negative = scaled < 0;
  d.whole = digits.substr(0, digits.size() - 4);
  d.frac = digits.substr(digits.size() - 4);
  StripLeadingZeros(d.whole);
  RoundFraction(d, static_cast<size_t>(decimals));
  if (d.whole.size() > static_cast<size_t>(precision - decimals)) return false;
  result = Pack(d, precision, decimals);
  return true;
}

bool BCDToCurr(const TBcd& value, Currency& result) {
  Decimal d = Unpack(value);
  RoundFraction(d, 4);
  d.frac.resize(4, '0');
  unsigned __int128 magnitude;
  if (!DigitsToInt128(d.whole + d.frac, magnitude)) return false;
  unsigned __int128 limit = d.negative ? (unsigned __int128)INT64_MAX + 1 : (unsigned __int128)INT64_MAX;
  if (magnitude > limit) return false;
  __int128 signedValue = d.negative ? -(__int128)magnitude : (__int128)magnitude;
  result = Currency::FromScaled(static_cast<Int64>(signedValue));
  return true;
}

bool TryBcdToInt64(const TBcd& value, Int64& result) {
  Decimal d = Unpack(value);
  unsigned __int128 magnitude;
  if (!DigitsToInt128(d.whole, magnitude)) return false;
  // Ties to even: above one half, or exactly one half on an odd number.
  std::string frac = d.frac;
  StripTrailingZeros(frac);
  if (!frac.empty() && (frac[0] > '5' || (frac[0] == '5' && (frac.size() > 1 || magnitude % 2 == 1)))) {
    ++magnitude;
  }
  unsigned __int128 limit = d.negative ? (unsigned __int128)INT64_MAX + 1 : (unsigned __int128)INT64_MAX;
  if (magnitude > limit) return false;
  result = static_cast<Int64>(d.negative ? -(__int128)magnitude : (__int128)magnitude);
  return true;
}

int BcdCompare(const TBcd& a, const TBcd& b) {
  Decimal da = Unpack(a), db = Unpack(b);
  bool negA = da.negative && !da.IsZero();
  bool negB = db.negative && !db.IsZero();
  if (negA != negB) return negA ? -1 : 1;
  int c = CompareMagnitude(da, db);
  return negA ? -c : c;
}

Word BcdPrecision(const TBcd& value) { return static_cast<Word>(Unpack(value).whole.size()); }

Word BcdScale(const TBcd& value) {
  Unpack(value);  // checks the record
  return value.SignSpecialPlaces & 0x3F;
}

bool IsBcdZero(const TBcd& value) { return Unpack(value).IsZero(); }

TBcd NormalizeBcd(const TBcd& value, int precision, int scale) {
  if (precision < 1 || precision > MaxFMTBcdDigits || scale < 0 || scale > precision ||
      scale > MaxFMTBcdScale) {
    throw EBcdException(Format(SBadLayout, {Int64(precision), Int64(scale)}));
  }
  Decimal d = Unpack(value);
  RoundFraction(d, static_cast<size_t>(scale));
  if (d.whole.size() > static_cast<size_t>(precision - scale)) throw EBcdOverflowException(SBcdOverflow);
  return Pack(d, precision, scale);
}
