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
  for (size_t i = 0; i < markup.size(); ++i) {
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
  const String text = Utf8ToString(FPending);
  FPending.clear();
  if (FEncoding == TEncoding::Utf16LE) {
    FEncoded.resize(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
      FEncoded[2 * i] = static_cast<char>(text[i] & 0xFF);
      FEncoded[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return FEncoded;
  }
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
