// What the XML reader and writer share: their exception and the entity
// encoding of attribute values and text.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

// Raised by the XML reader and writer. Offset is the byte of the input where
// the reader met the fault (-1 when it is not about a place in the input).
class XmlException : public Exception {
 public:
  explicit XmlException(String message, Int64 offset = -1) : Exception(std::move(message)), FOffset(offset) {}
  const char* ClassName() const override { return "XmlException"; }
  Int64 Offset() const { return FOffset; }

 private:
  Int64 FOffset;
};

// Replaces "&", "'", the double quote, "<" and ">" by character references
// ("&#x26;", "&#x27;", "&#x22;", "&#x3c;", "&#x3e;"). Line breaks and tabs
// become "&#13;", "&#10;" and "&#9;" so that a conforming reader does not
// turn them into blanks, and the other control characters "&#x1;"... so that
// no character is lost on the way through this reader.
String XMLEncode(StringView text);

// Decodes character references ("&#39;", "&#x3c;") to their characters in
// one pass from left to right, so a decoded "&" never starts another
// reference ("&#x26;lt;" gives "&lt;"). "&#x92;" and "&#x96;" read as "'":
// older writers put typographic apostrophes out that way. With
// decodeHTMLEntities also "&amp;", "&quot;", "&apos;", "&gt;" and "&lt;".
// Anything else, a reference to no valid character included, stays as it is.
String XMLDecode(StringView text, bool decodeHTMLEntities);
