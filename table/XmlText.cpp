#include "table/XmlText.h"

#include <algorithm>

namespace {

constexpr char16_t HexDigits[] = u"0123456789abcdef";

void AppendHexReference(String& out, unsigned value) {
  out += u"&#x";
  int shift = 12;
  while (shift > 0 && (value >> shift) == 0) shift -= 4;
  for (; shift >= 0; shift -= 4) out += HexDigits[(value >> shift) & 0xF];
  out += u';';
}

int DigitValue(WideChar c, bool hex) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (!hex) return -1;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Control characters count: XMLEncode writes them as references so that
// they survive the way through this reader. NUL and surrogates do not.
bool IsReferableChar(UInt64 c) { return c != 0 && (c < 0xD800 || c > 0xDFFF) && c <= 0x10FFFF; }

// A character reference "&#...;" at text[pos]: appends its character and
// returns its length, or returns 0 when it is none.
size_t DecodeCharReference(StringView text, size_t pos, String& out) {
  size_t i = pos + 2;
  const bool hex = i < text.size() && (text[i] == u'x' || text[i] == u'X');
  if (hex) ++i;
  const size_t digitsStart = i;
  UInt64 value = 0;
  for (int d; i < text.size() && (d = DigitValue(text[i], hex)) >= 0; ++i) {
    value = value * (hex ? 16 : 10) + static_cast<unsigned>(d);
    if (value > 0x10FFFF) return 0;  // also keeps a long run of digits from overflowing
  }
  if (i == digitsStart || i >= text.size() || text[i] != u';' || !IsReferableChar(value)) return 0;
  if (value == 0x92 || value == 0x96) {
    out += u'\'';
  } else if (value >= 0x10000) {
    value -= 0x10000;
    out += static_cast<WideChar>(0xD800 + (value >> 10));
    out += static_cast<WideChar>(0xDC00 + (value & 0x3FF));
  } else {
    out += static_cast<WideChar>(value);
  }
  return i + 1 - pos;
}

struct NamedEntity {
  StringView Text;
  WideChar Char;
};
constexpr NamedEntity NamedEntities[] = {
    {u"&amp;", u'&'}, {u"&quot;", u'"'}, {u"&apos;", u'\''}, {u"&gt;", u'>'}, {u"&lt;", u'<'}};

}  // namespace

String XMLEncode(StringView text) {
  String out;
  out.reserve(text.size());
  for (WideChar c : text) {
    switch (c) {
      case u'&': out += u"&#x26;"; break;
      case u'\'': out += u"&#x27;"; break;
      case u'"': out += u"&#x22;"; break;
      case u'<': out += u"&#x3c;"; break;
      case u'>': out += u"&#x3e;"; break;
      case u'\r': out += u"&#13;"; break;
      case u'\n': out += u"&#10;"; break;
      case u'\t': out += u"&#9;"; break;
      default:
        if (c < 0x20) AppendHexReference(out, c);
        else out += c;
    }
  }
  return out;
}

String XMLDecode(StringView text, bool decodeHTMLEntities) {
  String out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    // The text between references goes over in one piece.
    const size_t amp = std::min(text.find(u'&', i), text.size());
    out.append(text.substr(i, amp - i));
    i = amp;
    if (i == text.size()) break;
    size_t length = 0;
    if (i + 1 < text.size() && text[i + 1] == u'#') {
      length = DecodeCharReference(text, i, out);
    } else if (decodeHTMLEntities) {
      for (const NamedEntity& e : NamedEntities) {
        if (text.substr(i, e.Text.size()) == e.Text) {
          out += e.Char;
          length = e.Text.size();
          break;
        }
      }
    }
    if (length == 0) {
      out += u'&';
      length = 1;
    }
    i += length;
  }
  return out;
}
