#include "export/writers/XmlStreamWriter.h"

#include <charconv>
#include <cmath>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// The reference or replacement of one character, or an empty view when the
// character stays as it is. `scratch` holds built pieces.
std::string_view Replacement(char32_t c, const TXmlEscapes& escapes, bool attribute, char (&scratch)[16]) {
  switch (c) {
    case U'&': return "&amp;";
    case U'<': return "&lt;";
    case U'>': return "&gt;";
    case U'"': return attribute || escapes.QuotesInText ? "&quot;" : std::string_view();
    case U'\'': return attribute || escapes.QuotesInText ? "&apos;" : std::string_view();
    case U'%': return escapes.Percent ? "&#37;" : std::string_view();
    case U'\t': return escapes.LineBreaksAsReferences || attribute ? "&#9;" : std::string_view();
    case U'\n': return escapes.LineBreaksAsReferences || attribute ? "&#10;" : std::string_view();
    case U'\r': return escapes.LineBreaksAsReferences || attribute ? "&#13;" : std::string_view();
    case 0xA9: return !escapes.Signs ? std::string_view() : escapes.NamedSigns ? "&copy;" : "&#169;";
    case 0xB0: return escapes.Signs ? "&#176;" : std::string_view();
    case 0xB6: return !escapes.Signs ? std::string_view() : escapes.NamedSigns ? "&para;" : "&#182;";
    case 0xB1: return !escapes.PlusMinus ? std::string_view() : escapes.NamedSigns ? "&plusmn;" : "&#177;";
    default: break;
  }
  if (c < 0x20) {
    // XML 1.0 has no way to hold these, not even as references.
    if (escapes.Controls == TXmlEscapes::ccDrop) return std::string_view("", 0);
    scratch[0] = '%';
    scratch[1] = kHex[c >> 4];
    scratch[2] = kHex[c & 0xF];
    return std::string_view(scratch, 3);
  }
  if (c == 0xFFFE || c == 0xFFFF) return "\xEF\xBF\xBD";  // not XML characters either
  return std::string_view();
}

// Whether a character may need a replacement at all: the test that keeps the
// common case (letters and digits) to one comparison.
inline bool MayNeedEscape(char32_t c) {
  return c < 0x40 || (c >= 0xA9 && c <= 0xB6) || c >= 0xFFFE;
}

// The replacement of an empty view that means "drop": a zero-length view
// with a non-null pointer.
inline bool IsDrop(std::string_view r) { return r.data() != nullptr && r.empty(); }

// Infinities and NaN have no XML number form here; they are written as 0.
double Finite(double value) { return std::isfinite(value) ? value : 0.0; }

}  // namespace

TXmlStreamWriter::TXmlStreamWriter(TStream* out, const TXmlEscapes& escapes, TXmlEncoding encoding,
                                   size_t bufferSize)
    : FOut(out), FEscapes(escapes), FEncoding(encoding), FBufferSize(bufferSize == 0 ? 1 : bufferSize) {
  FBuffer.reserve(FBufferSize + 256);
}

void TXmlStreamWriter::AppendEscaped(std::string& out, StringView text, const TXmlEscapes& escapes, bool attribute) {
  const size_t n = text.size();
  char scratch[16];
  for (size_t i = 0; i < n; ++i) {
    char32_t c = text[i];
    if (c < 0x80 && !MayNeedEscape(c)) {
      out += static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
      // A pair is one character beyond the Basic Multilingual Plane; a lone
      // half has no UTF-8 form and becomes the replacement character.
      if (c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        ++i;
      } else {
        c = 0xFFFD;
      }
      AppendUtf8(out, c);
      continue;
    }
    if (MayNeedEscape(c)) {
      const std::string_view r = Replacement(c, escapes, attribute, scratch);
      if (!r.empty() || IsDrop(r)) {
        out.append(r);
        continue;
      }
    }
    AppendUtf8(out, c);
  }
}

void TXmlStreamWriter::PutUtf16(std::string_view utf8) {
  for (char16_t c : Utf8ToString(utf8)) {
    FBuffer += static_cast<char>(c & 0xFF);
    FBuffer += static_cast<char>(c >> 8);
  }
  MaybeFlush();
}

void TXmlStreamWriter::PutEscaped(StringView text, bool attribute) {
  if (FEncoding == TXmlEncoding::Utf8) {
    AppendEscaped(FBuffer, text, FEscapes, attribute);
    MaybeFlush();
    return;
  }
  FScratch.clear();
  AppendEscaped(FScratch, text, FEscapes, attribute);
  Put(FScratch);
}

void TXmlStreamWriter::PutEscaped(std::string_view utf8, bool attribute) {
  // Plain ASCII that needs no reference (names, numbers, cell references)
  // is copied as it is.
  bool plain = true;
  for (char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    // Below 0x40 only the markup characters, the quotes, "%" and the
    // controls may need a reference; letters and the rest never.
    if (b >= 0x80 || (b < 0x40 && (b < 0x20 || b == '&' || b == '<' || b == '>' || b == '"' || b == '\'' || b == '%'))) {
      plain = false;
      break;
    }
  }
  if (plain) return Put(utf8);
  // Anything else is checked as UTF-16, so a malformed byte sequence cannot
  // pass through.
  PutEscaped(StringView(Utf8ToString(utf8)), attribute);
}

void TXmlStreamWriter::CloseStartTag() {
  if (FStartOpen) {
    Put(">");
    FStartOpen = false;
  }
}

TXmlStreamWriter& TXmlStreamWriter::Declaration(bool standalone) {
  Put(FEncoding == TXmlEncoding::Utf8 ? "<?xml version=\"1.0\" encoding=\"UTF-8\"" : "<?xml version=\"1.0\" encoding=\"UTF-16\"");
  Put(standalone ? " standalone=\"yes\"?>\r\n" : "?>\r\n");
  return *this;
}

TXmlStreamWriter& TXmlStreamWriter::Start(std::string_view name) {
  CloseStartTag();
  Put("<");
  Put(name);
  if (FDepth == FOpen.size()) FOpen.emplace_back();
  FOpen[FDepth++].assign(name);
  FStartOpen = true;
  return *this;
}

TXmlStreamWriter& TXmlStreamWriter::Attr(std::string_view name, StringView value) {
  if (!FStartOpen) throw Exception(u"XML attribute outside a start tag");
  Put(" ");
  Put(name);
  Put("=\"");
  PutEscaped(value, true);
  Put("\"");
  return *this;
}

TXmlStreamWriter& TXmlStreamWriter::Attr(std::string_view name, std::string_view utf8Value) {
  if (!FStartOpen) throw Exception(u"XML attribute outside a start tag");
  Put(" ");
  Put(name);
  Put("=\"");
  PutEscaped(utf8Value, true);
  Put("\"");
  return *this;
}

TXmlStreamWriter& TXmlStreamWriter::Attr(std::string_view name, Int64 value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  return PutAttr(name, std::string_view(digits, static_cast<size_t>(end - digits)));
}

TXmlStreamWriter& TXmlStreamWriter::Attr(std::string_view name, double value) {
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, Finite(value)).ptr;
  return PutAttr(name, std::string_view(digits, static_cast<size_t>(end - digits)));
}

TXmlStreamWriter& TXmlStreamWriter::PutAttr(std::string_view name, std::string_view number) {
  if (!FStartOpen) throw Exception(u"XML attribute outside a start tag");
  Put(" ");
  Put(name);
  Put("=\"");
  Put(number);
  Put("\"");
  return *this;
}

TXmlStreamWriter& TXmlStreamWriter::Text(StringView text) {
  CloseStartTag();
  PutEscaped(text, false);
  return *this;
}

TXmlStreamWriter& TXmlStreamWriter::Text(std::string_view utf8Text) {
  CloseStartTag();
  PutEscaped(utf8Text, false);
  return *this;
}

TXmlStreamWriter& TXmlStreamWriter::Text(Int64 value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  CloseStartTag();
  Put(std::string_view(digits, static_cast<size_t>(end - digits)));
  return *this;
}

TXmlStreamWriter& TXmlStreamWriter::Text(double value) {
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, Finite(value)).ptr;
  CloseStartTag();
  Put(std::string_view(digits, static_cast<size_t>(end - digits)));
  return *this;
}

TXmlStreamWriter& TXmlStreamWriter::End() {
  if (FDepth == 0) throw Exception(u"XML end tag without an open element");
  const std::string& name = FOpen[--FDepth];
  if (FStartOpen) {
    Put("/>");
    FStartOpen = false;
  } else {
    Put("</");
    Put(name);
    Put(">");
  }
  return *this;
}

TXmlStreamWriter& TXmlStreamWriter::Raw(std::string_view markup) {
  CloseStartTag();
  Put(markup);
  return *this;
}

void TXmlStreamWriter::Flush() {
  if (FBuffer.empty()) return;
  if (FOut != nullptr) FOut->WriteBuffer(FBuffer.data(), static_cast<Int64>(FBuffer.size()));
  FFlushed += static_cast<Int64>(FBuffer.size());
  FBuffer.clear();
}
