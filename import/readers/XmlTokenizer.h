// A pull tokenizer for large XML parts read as they are inflated: start
// tags, end tags and text, in document order, with nothing built. Unlike
// the tree parser it keeps mixed content whole (the text after an inner
// element belongs to its parent), which documents whose text runs are
// broken by inline elements need. Comments, processing instructions and
// declarations are passed over; a CDATA section is text. Broken markup
// never raises: it ends the tokens or yields odd ones.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/Types.h"

class TXmlTokenizer {
 public:
  // Fills up to count bytes; 0 at the end.
  using TSource = std::function<size_t(char* buffer, size_t count)>;
  enum TToken { tkEnd, tkStartTag, tkEndTag, tkText };

  explicit TXmlTokenizer(TSource source);
  // With ahead, the source is read and split into tokens on a thread of
  // its own, some thousands of tokens ahead of the caller, so that a large
  // part is read while the caller works on what came before. The source is
  // then called on that thread; what it raises, Next raises once the
  // tokens before it are taken.
  TXmlTokenizer(TSource source, bool ahead);
  ~TXmlTokenizer();
  TXmlTokenizer(const TXmlTokenizer&) = delete;
  TXmlTokenizer& operator=(const TXmlTokenizer&) = delete;

  // The next token. The views below hold until the next call.
  TToken Next();
  // The tag's qualified name ("table:table-cell").
  std::string_view Name() const { return FName; }
  // A start tag written "<a/>": no end tag follows for it.
  bool SelfClosing() const { return FSelfClosing; }
  // The raw text of a text token (entities not decoded).
  std::string_view Text() const { return FText; }
  // A start tag's attribute by qualified name, raw (entities not
  // decoded); false when the tag has none of that name.
  bool Attribute(std::string_view name, std::string_view& value) const;
  // Several attributes in one pass: values[i] receives the raw value of
  // names[i], or stays as it is when the tag has none of that name.
  void Attributes(const std::string_view* names, std::string_view* values, size_t count) const;
  // The bytes consumed so far.
  UInt64 Position() const { return FConsumed + FPos; }
  // Reads what the source still holds and drops it, so that the source's
  // own end checks (a size, a checksum) run; raises what the source raises.
  void Drain();

 private:
  // Makes index valid in the buffer, pulling more; false at the end.
  bool Has(size_t index);
  // The first index from `from` that holds c, or npos at the end.
  size_t Find(char c, size_t from);
  size_t Find(std::string_view text, size_t from);

  // The thread that reads ahead, when there is one.
  class TAhead;
  // An attribute the reading thread has split off: offsets into FSplitBase.
  struct TSplitAttribute {
    Cardinal NameAt, NameSize, ValueAt, ValueSize;
  };
  // Calls f(name, value) for each attribute of a tag's attribute text.
  template <typename F>
  static void EachAttribute(std::string_view attributes, F&& f);

  TSource FSource;
  std::unique_ptr<TAhead> FAhead;
  std::string FBuffer;
  size_t FPos = 0;
  UInt64 FConsumed = 0;
  bool FEnded = false;
  std::string_view FName, FText, FAttributes;
  // Read ahead: the tag's attributes, already split.
  const TSplitAttribute* FSplit = nullptr;
  size_t FSplitCount = 0;
  const char* FSplitBase = nullptr;
  bool FSelfClosing = false;
};

// Raw UTF-8 XML text to a string: entities decoded, a byte that starts no
// valid sequence read as U+FFFD.
String XmlTextToString(std::string_view raw);
