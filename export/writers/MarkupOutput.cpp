#include "export/writers/MarkupOutput.h"

#include "platform/rtl/Strings.h"

void TMarkupOutput::SetEncoding(TEncoding encoding, int codePage) {
  if (encoding != FEncoding || codePage != FCodePage) FInPage.clear();
  FEncoding = encoding;
  FCodePage = codePage;
}

bool TMarkupOutput::Representable(char16_t c) {
  if (c < 0x80 || FEncoding != TEncoding::CodePage) return true;
  if (c >= 0xD800 && c <= 0xDFFF) return false;
  if (FInPage.empty()) FInPage.assign(0x10000, 0);
  Byte& known = FInPage[c];
  if (known == 0) known = StringToCodePage(StringView(&c, 1), FCodePage) == "?" ? 2 : 1;
  return known == 1;
}

void TMarkupOutput::Markup(StringView markup) {
  // Markup is nearly always ASCII: copied in one block up to the first
  // character beyond it.
  size_t ascii = 0;
  while (ascii < markup.size() && markup[ascii] < 0x80) ++ascii;
  const size_t at = FPending.size();
  FPending.resize(at + ascii);
  char* out = FPending.data() + at;
  for (size_t i = 0; i < ascii; ++i) out[i] = static_cast<char>(markup[i]);
  for (size_t i = ascii; i < markup.size(); ++i) {
    char32_t c = markup[i];
    if (c < 0x80) {
      FPending += static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < markup.size() && markup[i + 1] >= 0xDC00 && markup[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (markup[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(FPending, c);
  }
}

void TMarkupOutput::Value(StringView value, const TXmlEscapes& escapes, bool attribute) {
  TXmlStreamWriter::AppendEscaped(FPending, value, escapes, attribute);
}

const std::string& TMarkupOutput::Take() {
  FEncoded.clear();
  bool ascii = true;
  for (char c : FPending) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (FEncoding == TEncoding::Utf8 || (ascii && FEncoding == TEncoding::CodePage)) {
    FEncoded.swap(FPending);
    FPending.clear();
    return FEncoded;
  }
  if (FEncoding == TEncoding::Utf16LE) {
    // The pending bytes are well-formed UTF-8 (made here from UTF-16).
    FEncoded.resize(FPending.size() * 2 + 4);
    char* out = FEncoded.data();
    const auto put = [&out](char32_t u) {
      *out++ = static_cast<char>(u & 0xFF);
      *out++ = static_cast<char>(u >> 8);
    };
    const unsigned char* p = reinterpret_cast<const unsigned char*>(FPending.data());
    const unsigned char* end = p + FPending.size();
    while (p < end) {
      char32_t c = *p++;
      if (c >= 0xF0 && end - p >= 3) {
        c = ((c & 0x07) << 18) | ((p[0] & 0x3Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
        p += 3;
        c -= 0x10000;
        put(0xD800 + (c >> 10));
        put(0xDC00 + (c & 0x3FF));
        continue;
      }
      if (c >= 0xE0 && end - p >= 2) {
        c = ((c & 0x0F) << 12) | ((p[0] & 0x3Fu) << 6) | (p[1] & 0x3Fu);
        p += 2;
      } else if (c >= 0xC0 && end - p >= 1) {
        c = ((c & 0x1F) << 6) | (p[0] & 0x3Fu);
        p += 1;
      }
      put(c);
    }
    FEncoded.resize(static_cast<size_t>(out - FEncoded.data()));
    FPending.clear();
    return FEncoded;
  }
  const String text = Utf8ToString(FPending);
  FPending.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0x80) {
      FEncoded += static_cast<char>(c);
    } else if (Representable(c)) {
      FEncoded += StringToCodePage(StringView(&c, 1), FCodePage);
    } else {
      char32_t code = c;
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        code = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        ++i;
      }
      FEncoded += "&#" + std::to_string(static_cast<unsigned long>(code)) + ";";
    }
  }
  return FEncoded;
}
