// The one XML writer of the export side: elements, attributes and text with
// escaping, encoded as UTF-8 (or UTF-16LE) into a buffer that goes to a
// stream whenever it fills. Every XML or markup part the writers produce is
// written through it, so escaping lives in one place.
//
//   TXmlStreamWriter xml(stream);
//   xml.Declaration();
//   xml.Start("row").Attr("r", 1);
//   xml.Start("c").Attr("t", "s").Start("v").Text(u"0").End().End();
//   xml.End();
//   xml.Flush();
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Types.h"

class TStream;

// Which characters a text or attribute value carries as references besides
// XML's own "&", "<", ">" and, in attribute values, the double quote.
struct TXmlEscapes {
  // How the control characters other than TAB, LF and CR (which XML 1.0
  // cannot hold at all) are kept.
  enum TControls : Byte {
    ccDrop,        // left out
    ccPercentHex,  // "%" and two upper-case hexadecimal digits ("%0C")
  };
  bool QuotesInText = false;      // '"' as "&quot;" and "'" as "&apos;" in text too
  bool Percent = false;           // "%" as "&#37;"
  bool Signs = false;             // U+00A9, U+00B0, U+00B6 as references
  bool PlusMinus = false;         // U+00B1 as a reference
  bool NamedSigns = false;        // the signs as "&copy;", "&para;", "&plusmn;" (HTML), not numbers
  bool LineBreaksAsReferences = false;  // TAB, LF, CR as "&#9;", "&#10;", "&#13;"
  TControls Controls = ccDrop;
};

// XML's own entities only; control characters dropped.
inline constexpr TXmlEscapes XmlEscapesPlain{};
// The spreadsheet package's parts: quotes, per cent and the copyright,
// degree and pilcrow signs as references, control characters as "%XX".
inline constexpr TXmlEscapes XmlEscapesSpreadsheet{true, true, true, false, false, false,
                                                   TXmlEscapes::ccPercentHex};

enum class TXmlEncoding : Byte { Utf8, Utf16LE };

class TXmlStreamWriter {
 public:
  // Writes into `out` (nothing when it is null); the buffer goes to the
  // stream when it holds bufferSize bytes and at Flush.
  explicit TXmlStreamWriter(TStream* out, const TXmlEscapes& escapes = XmlEscapesPlain,
                            TXmlEncoding encoding = TXmlEncoding::Utf8, size_t bufferSize = 65536);
  // Does not flush: a writer that failed half-way must not add a tail.
  ~TXmlStreamWriter() = default;
  TXmlStreamWriter(const TXmlStreamWriter&) = delete;
  TXmlStreamWriter& operator=(const TXmlStreamWriter&) = delete;

  // <?xml version="1.0" encoding="UTF-8" standalone="yes"?> and CR LF (the
  // encoding named as written; standalone only when asked).
  TXmlStreamWriter& Declaration(bool standalone = true);
  // Opens an element; attributes may follow until its content begins.
  TXmlStreamWriter& Start(std::string_view name);
  TXmlStreamWriter& Attr(std::string_view name, StringView value);
  TXmlStreamWriter& Attr(std::string_view name, const char16_t* value) { return Attr(name, StringView(value)); }
  // A value given as UTF-8 (or ASCII) bytes; escaped like any other.
  TXmlStreamWriter& Attr(std::string_view name, std::string_view utf8Value);
  TXmlStreamWriter& Attr(std::string_view name, const char* utf8Value) {
    return Attr(name, std::string_view(utf8Value));
  }
  TXmlStreamWriter& Attr(std::string_view name, Int64 value);
  TXmlStreamWriter& Attr(std::string_view name, int value) { return Attr(name, static_cast<Int64>(value)); }
  // The shortest text that reads back as the same double, with ".".
  TXmlStreamWriter& Attr(std::string_view name, double value);
  TXmlStreamWriter& Text(StringView text);
  TXmlStreamWriter& Text(const char16_t* text) { return Text(StringView(text)); }
  TXmlStreamWriter& Text(std::string_view utf8Text);
  TXmlStreamWriter& Text(const char* utf8Text) { return Text(std::string_view(utf8Text)); }
  TXmlStreamWriter& Text(Int64 value);
  TXmlStreamWriter& Text(double value);
  // Closes the innermost open element: "/>" when it got no content.
  TXmlStreamWriter& End();
  // Start, the text, End.
  TXmlStreamWriter& Element(std::string_view name, StringView text) { return Start(name).Text(text).End(); }
  // Markup the caller vouches for (ASCII or UTF-8), written as it is.
  TXmlStreamWriter& Raw(std::string_view markup);
  // A line end (CR LF) between elements.
  TXmlStreamWriter& NewLine() { return Raw("\r\n"); }

  // Everything buffered goes to the stream.
  void Flush();
  // Elements still open.
  size_t Depth() const { return FDepth; }
  // Bytes handed over so far, the buffer included.
  Int64 Size() const { return FFlushed + static_cast<Int64>(FBuffer.size()); }

  // The escaped UTF-8 form of a text, for callers that keep escaped pieces
  // (a shared string table written later) without a stream.
  static void AppendEscaped(std::string& out, StringView text, const TXmlEscapes& escapes, bool attribute);

 private:
  void CloseStartTag();
  // An attribute whose value needs no escaping (a number).
  TXmlStreamWriter& PutAttr(std::string_view name, std::string_view number);
  // Bytes of markup; the UTF-8 case inline, as it runs for every piece.
  void Put(std::string_view bytes) {
    if (FEncoding != TXmlEncoding::Utf8) return PutUtf16(bytes);
    FBuffer.append(bytes);
    MaybeFlush();
  }
  void PutUtf16(std::string_view utf8);
  void PutEscaped(StringView text, bool attribute);
  void PutEscaped(std::string_view utf8, bool attribute);
  void MaybeFlush() {
    if (FBuffer.size() >= FBufferSize) Flush();
  }

  TStream* FOut;
  TXmlEscapes FEscapes;
  TXmlEncoding FEncoding;
  size_t FBufferSize;
  std::string FBuffer;
  std::string FScratch;  // UTF-8 pieces on their way into a UTF-16 buffer
  std::vector<std::string> FOpen;  // names of the open elements; slots reused
  size_t FDepth = 0;
  bool FStartOpen = false;
  Int64 FFlushed = 0;
};
