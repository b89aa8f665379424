#include "platform/rtl/Strings.h"

#include <type_traits>

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

namespace {

int CodePageFromEnv(const char* name, int fallback) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return fallback;
  char* end = nullptr;
  long cp = std::strtol(value, &end, 10);
  if (end == value || *end != '\0' || cp <= 0 || cp > 65535) return fallback;
  return static_cast<int>(cp);
}

std::atomic<int> gAnsiCodePage{0};
std::atomic<int> gOemCodePage{0};

std::string IcuConverterName(int codePage) {
  switch (codePage) {
    case CP_UTF8: return "UTF-8";
    case CP_UTF16LE: return "UTF-16LE";
    case 20127: return "US-ASCII";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 37: return "ibm-37";
    case 500: return "ibm-500";
    case 1047: return "ibm-1047";
    default: break;
  }
  if (codePage >= 1250 && codePage <= 1258) return "windows-" + std::to_string(codePage);
  if (codePage == 874) return "windows-874";
  if (codePage == 932) return "windows-932";
  if (codePage == 936) return "windows-936";
  if (codePage == 949) return "windows-949";
  if (codePage == 950) return "windows-950";
  return "ibm-" + std::to_string(codePage);
}

// ICU converters are not thread-safe; each thread keeps its own by code page.
UConverter* ConverterFor(int codePage) {
  struct Closer {
    void operator()(UConverter* c) const { ucnv_close(c); }
  };
  thread_local std::map<int, std::unique_ptr<UConverter, Closer>> cache;
  auto it = cache.find(codePage);
  if (it != cache.end()) return it->second.get();
  UErrorCode status = U_ZERO_ERROR;
  UConverter* conv = ucnv_open(IcuConverterName(codePage).c_str(), &status);
  if (U_FAILURE(status) || conv == nullptr) {
    throw EEncodingError(u"Unknown code page " + IntToStr(codePage));
  }
  // Unmappable characters become '?' (substitution), as the platform does.
  status = U_ZERO_ERROR;
  ucnv_setSubstChars(conv, "?", 1, &status);
  cache.emplace(codePage, std::unique_ptr<UConverter, Closer>(conv));
  return conv;
}

// Code pages whose bytes below 0x80 are ASCII and never part of a longer
// sequence: text that is all ASCII converts unit for unit, without ICU.
bool AsciiPassesThrough(int codePage) {
  return (codePage >= 437 && codePage <= 869) || codePage == 874 || (codePage >= 1250 && codePage <= 1258) ||
         (codePage >= 28591 && codePage <= 28605);
}

template <class Text>
bool IsAscii(const Text& text) {
  for (auto c : text)
    if (static_cast<std::make_unsigned_t<decltype(c)>>(c) >= 0x80) return false;
  return true;
}

}  // namespace

int AnsiCodePage() {
  int cp = gAnsiCodePage.load();
  if (cp == 0) {
    cp = CodePageFromEnv("ANSI_CODEPAGE", 1250);
    gAnsiCodePage.store(cp);
  }
  return cp;
}

int OemCodePage() {
  int cp = gOemCodePage.load();
  if (cp == 0) {
    cp = CodePageFromEnv("OEM_CODEPAGE", 852);
    gOemCodePage.store(cp);
  }
  return cp;
}

void SetAnsiCodePage(int codePage) { gAnsiCodePage.store(codePage); }
void SetOemCodePage(int codePage) { gOemCodePage.store(codePage); }

bool IsMultiByteAnsiCodePage() {
  switch (AnsiCodePage()) {
    case 932: case 936: case 949: case 950: case CP_UTF8: return true;
    default: return false;
  }
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string StringToUtf8(StringView s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // unpaired surrogate
    }
    AppendUtf8(out, c);
  }
  return out;
}

String Utf8ToString(std::string_view s) {
  String out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    uint32_t c;
    size_t n;
    if (b < 0x80) { c = b; n = 1; }
    else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; n = 2; }
    else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; n = 3; }
    else if ((b & 0xF8) == 0xF0) { c = b & 0x07; n = 4; }
    else { out += char16_t(0xFFFD); ++i; continue; }
    if (i + n > s.size()) { out += char16_t(0xFFFD); ++i; continue; }
    bool ok = true;
    for (size_t k = 1; k < n; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) { ok = false; break; }
      c = (c << 6) | (cc & 0x3F);
    }
    // Reject overlong forms, surrogates and values beyond U+10FFFF.
    static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (!ok || c < kMin[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += char16_t(0xFFFD);
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += char16_t(0xD800 + (c >> 10));
      out += char16_t(0xDC00 + (c & 0x3FF));
    } else {
      out += char16_t(c);
    }
    i += n;
  }
  return out;
}

String CodePageToString(std::string_view bytes, int codePage) {
  if (bytes.empty()) return String();
  if (codePage == CP_UTF8) return Utf8ToString(bytes);
  if (AsciiPassesThrough(codePage) && IsAscii(bytes)) return String(bytes.begin(), bytes.end());
  UConverter* conv = ConverterFor(codePage);
  ucnv_resetToUnicode(conv);
  String out(bytes.size() * 2 + 2, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                              bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<size_t>(len) + 1, u'\0');
    status = U_ZERO_ERROR;
    ucnv_resetToUnicode(conv);
    len = ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                        bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  }
  if (U_FAILURE(status)) throw EEncodingError(u"No mapping for the character in code page " + IntToStr(codePage));
  out.resize(static_cast<size_t>(len));
  return out;
}

RawByteString StringToCodePage(StringView s, int codePage) {
  if (s.empty()) return RawByteString();
  if (codePage == CP_UTF8) return StringToUtf8(s);
  if (AsciiPassesThrough(codePage) && IsAscii(s)) return RawByteString(s.begin(), s.end());
  UConverter* conv = ConverterFor(codePage);
  ucnv_resetFromUnicode(conv);
  RawByteString out(s.size() * 4 + 4, '\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t len = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                                reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<size_t>(len) + 1, '\0');
    status = U_ZERO_ERROR;
    ucnv_resetFromUnicode(conv);
    len = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                          reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.size()), &status);
  }
  if (U_FAILURE(status)) throw EEncodingError(u"No mapping for the character in code page " + IntToStr(codePage));
  out.resize(static_cast<size_t>(len));
  return out;
}

String AnsiToString(std::string_view bytes) { return CodePageToString(bytes, AnsiCodePage()); }
AnsiString StringToAnsi(StringView s) { return StringToCodePage(s, AnsiCodePage()); }

size_t AnsiLengthAsUtf16(std::string_view bytes) {
  if (!IsMultiByteAnsiCodePage()) return bytes.size();
  return AnsiToString(bytes).size();
}

size_t Utf16LengthAsAnsi(StringView s) {
  if (!IsMultiByteAnsiCodePage()) return s.size();
  return StringToAnsi(s).size();
}

String StrFromAscii(std::string_view s) { return String(s.begin(), s.end()); }

String IntToStr(Int64 value) { return StrFromAscii(std::to_string(value)); }
String UIntToStr(UInt64 value) { return StrFromAscii(std::to_string(value)); }

namespace {

String FormatOne(const FormatArg& arg, char16_t conv, int precision) {
  char buf[512];
  switch (conv) {
    case u's':
      if (const String* s = std::get_if<String>(&arg)) {
        if (precision >= 0 && static_cast<size_t>(precision) < s->size()) return s->substr(0, precision);
        return *s;
      }
      break;
    case u'd':
      if (const Int64* v = std::get_if<Int64>(&arg)) {
        UInt64 magnitude = *v < 0 ? UInt64(0) - static_cast<UInt64>(*v) : static_cast<UInt64>(*v);
        String digits = UIntToStr(magnitude);
        while (precision > 0 && digits.size() < static_cast<size_t>(precision)) digits.insert(digits.begin(), u'0');
        return *v < 0 ? u"-" + digits : digits;
      }
      if (const UInt64* v = std::get_if<UInt64>(&arg)) return UIntToStr(*v);
      break;
    case u'u':
      if (const Int64* v = std::get_if<Int64>(&arg)) return UIntToStr(static_cast<uint32_t>(*v));
      if (const UInt64* v = std::get_if<UInt64>(&arg)) return UIntToStr(*v);
      break;
    case u'x': {
      UInt64 v;
      if (const Int64* i = std::get_if<Int64>(&arg)) v = static_cast<UInt64>(*i);
      else if (const UInt64* u = std::get_if<UInt64>(&arg)) v = *u;
      else break;
      std::snprintf(buf, sizeof buf, "%0*llX", precision < 0 ? 0 : precision, static_cast<unsigned long long>(v));
      return StrFromAscii(buf);
    }
    case u'f': case u'e': case u'g': case u'n': {
      double v;
      if (const double* d = std::get_if<double>(&arg)) v = *d;
      else if (const Int64* i = std::get_if<Int64>(&arg)) v = static_cast<double>(*i);
      else break;
      char pattern[16];
      std::snprintf(pattern, sizeof pattern, "%%.%d%c", precision < 0 ? (conv == u'g' ? 15 : 2) : precision,
                    conv == u'n' ? 'f' : static_cast<char>(conv));
      std::snprintf(buf, sizeof buf, pattern, v);
      String text = StrFromAscii(buf);
      for (auto& c : text) {
        if (c == u'.') c = FormatSettings.DecimalSeparator;
      }
      return text;
    }
    default: break;
  }
  throw EConvertError(u"Format '%" + String(1, conv) + u"' invalid or incompatible with argument");
}

}  // namespace

String Format(StringView fmt, std::initializer_list<FormatArg> args) {
  String out;
  size_t next = 0;
  const FormatArg* argv = args.begin();
  for (size_t i = 0; i < fmt.size(); ++i) {
    char16_t c = fmt[i];
    if (c != u'%') { out += c; continue; }
    if (++i >= fmt.size()) break;
    if (fmt[i] == u'%') { out += u'%'; continue; }
    // %[index:][-][width][.prec]type
    size_t start = i;
    int number = -1;
    auto readNumber = [&]() {
      int n = -1;
      while (i < fmt.size() && fmt[i] >= u'0' && fmt[i] <= u'9') n = (n < 0 ? 0 : n * 10) + (fmt[i++] - u'0');
      return n;
    };
    number = readNumber();
    if (i < fmt.size() && fmt[i] == u':') { next = number < 0 ? 0 : static_cast<size_t>(number); ++i; number = -1; }
    else i = start;
    bool left = false;
    if (i < fmt.size() && fmt[i] == u'-') { left = true; ++i; }
    int width = readNumber();
    int precision = -1;
    if (i < fmt.size() && fmt[i] == u'.') { ++i; precision = readNumber(); if (precision < 0) precision = 0; }
    if (i >= fmt.size()) break;
    char16_t conv = fmt[i];
    if (conv >= u'A' && conv <= u'Z') conv = conv - u'A' + u'a';
    if (next >= args.size()) throw EConvertError(u"Format '" + String(fmt) + u"' invalid or incompatible with argument");
    String piece = FormatOne(argv[next++], conv, precision);
    if (width > 0 && piece.size() < static_cast<size_t>(width)) {
      String pad(static_cast<size_t>(width) - piece.size(), u' ');
      piece = left ? piece + pad : pad + piece;
    }
    out += piece;
  }
  return out;
}

String UpperCase(StringView s) {
  String r(s);
  for (auto& c : r) if (c >= u'a' && c <= u'z') c = c - u'a' + u'A';
  return r;
}

String LowerCase(StringView s) {
  String r(s);
  for (auto& c : r) if (c >= u'A' && c <= u'Z') c = c - u'A' + u'a';
  return r;
}

String Trim(StringView s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] <= u' ') ++b;
  while (e > b && s[e - 1] <= u' ') --e;
  return String(s.substr(b, e - b));
}

String TrimRight(StringView s) {
  size_t e = s.size();
  while (e > 0 && s[e - 1] <= u' ') --e;
  return String(s.substr(0, e));
}

String TrimLeft(StringView s) {
  size_t b = 0;
  while (b < s.size() && s[b] <= u' ') ++b;
  return String(s.substr(b));
}

bool SameText(StringView a, StringView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = x - u'a' + u'A';
    if (y >= u'a' && y <= u'z') y = y - u'a' + u'A';
    if (x != y) return false;
  }
  return true;
}

int CompareStr(StringView a, StringView b) {
  int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}
