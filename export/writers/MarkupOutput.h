// The bytes of a markup file (XML, HTML) in its encoding: markup and values
// escaped by the export's one XML escaping policy are collected as UTF-8 and
// encoded when taken: UTF-8 as it is, UTF-16LE, or a code page in which every
// character the page lacks becomes a numeric character reference.
#pragma once

#include <string>
#include <vector>

#include "export/writers/XmlStreamWriter.h"
#include "platform/rtl/Types.h"

class TMarkupOutput {
 public:
  enum class TEncoding : Byte { Utf8, Utf16LE, CodePage };

  void SetEncoding(TEncoding encoding, int codePage = 0);
  TEncoding Encoding() const { return FEncoding; }
  int CodePage() const { return FCodePage; }
  // Whether the character can be written as itself (in a name, say).
  bool Representable(char16_t c);

  // Markup the writer vouches for, as it is.
  void Markup(StringView markup);
  // A value, escaped for text or for an attribute.
  void Value(StringView value, const TXmlEscapes& escapes, bool attribute);
  bool Empty() const { return FPending.empty(); }
  // The encoded bytes of everything collected since the last call; valid
  // until the next call.
  const std::string& Take();

 private:
  TEncoding FEncoding = TEncoding::Utf8;
  int FCodePage = 0;
  std::string FPending;  // UTF-8
  std::string FEncoded;
  // 0: not known yet, 1: in the code page, 2: not in it.
  std::vector<Byte> FInPage;
};
