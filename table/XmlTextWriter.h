// An XML writer that puts out indented text through a buffered text sink.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Strings.h"
#include "platform/rtl/Types.h"
#include "table/XmlText.h"

class TStream;

// Text to a byte stream in one code page (no byte-order mark), buffered: the
// bytes reach the stream when the buffer fills and on Flush. Call Flush (or
// XmlTextWriter::Close) to see a write failure; the destructor writes what
// is left but cannot report a failure.
class StreamWriter {
 public:
  // Opens the file at its end when append is set and it exists; otherwise
  // creates or truncates it. Owns the file; writes the system ANSI code page.
  StreamWriter(const String& path, bool append);
  // Writes to a stream it does not own, in the given code page (CP_UTF8,
  // CP_UTF16LE or an 8-bit code page).
  StreamWriter(TStream& output, int encoding);
  ~StreamWriter();
  StreamWriter(const StreamWriter&) = delete;
  StreamWriter& operator=(const StreamWriter&) = delete;

  void Write(StringView value);
  void WriteLine(StringView value);  // the text and CR LF
  void Flush();
  void Close() { Flush(); }
  int Encoding() const { return FEncoding; }

 private:
  std::unique_ptr<TStream> FOwnedStream;
  TStream* FStream;
  int FEncoding;
  std::string FBuffer;
};

enum XmlFormatting : Byte { fmtNone = 0, fmtIndented = 1 };
enum XmlWriteState : Byte { wsAttribute = 0, wsClosed = 1, wsContent = 2, wsElement = 3, wsStart = 4 };

// Writes elements in document order. Every element after the first starts
// on a new line (CR LF), indented by its depth with fmtIndented; an element
// without content and with attributes is closed as "<name ... />".
// Attribute values and element strings are encoded with XMLEncode. Names
// are written as given ("s:Schema" is a name) but must not be empty nor
// hold blanks or markup characters.
class XmlTextWriter {
 public:
  explicit XmlTextWriter(StreamWriter& writer);  // not owned
  XmlTextWriter(const XmlTextWriter&) = delete;
  XmlTextWriter& operator=(const XmlTextWriter&) = delete;

  XmlFormatting Formatting() const { return FFormatting; }
  void SetFormatting(XmlFormatting value) { FFormatting = value; }
  int Indentation() const { return FIndentation; }
  void SetIndentation(int value) { FIndentation = value; }
  WideChar IndentChar() const { return FIndentChar; }
  void SetIndentChar(WideChar value) { FIndentChar = value; }
  WideChar QuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(WideChar value) { FQuoteChar = value; }
  XmlWriteState WriteState() const { return FWriteState; }

  // With a namespace the element declares it ("xmlns:prefix" or "xmlns").
  // A prefix needs a namespace.
  void WriteStartElement(StringView localName) { WriteStartElement(u"", localName, u""); }
  void WriteStartElement(StringView localName, StringView ns) { WriteStartElement(u"", localName, ns); }
  void WriteStartElement(StringView prefix, StringView localName, StringView ns);
  // Only right after a start tag or another attribute.
  void WriteAttributeString(StringView localName, StringView value) { WriteAttributeString(u"", localName, value, u""); }
  void WriteAttributeString(StringView prefix, StringView localName, StringView value, StringView ns);
  // A whole element with text content: "<name>value</name>".
  void WriteElementString(StringView localName, StringView value) { WriteElementString(localName, u"", value); }
  void WriteElementString(StringView localName, StringView ns, StringView value);
  // Closes the open element: as " />" when its start tag has attributes and
  // nothing else was written inside it, otherwise with an end tag.
  void WriteEndElement();
  // Closes the open element with an end tag in every case.
  void WriteFullEndElement();
  // Raw text, not encoded: the caller's markup goes out as it is.
  void WriteString(StringView text);
  // Writes out what is pending and flushes the StreamWriter.
  void Close();

 private:
  void ClosePendingStartTag();
  void StartLine(bool newLine);
  void WriteFullEndTag();
  void WriteOut();
  void AppendQuoted(StringView value);

  String FText;  // written text not yet handed to FWriter
  XmlFormatting FFormatting = fmtNone;
  int FIndentation = 2;
  WideChar FIndentChar = u' ';
  WideChar FQuoteChar = u'"';
  XmlWriteState FWriteState = wsStart;
  std::vector<String> FTagStack;  // the open elements; its size is the depth
  bool FAfterText = false;  // the last thing written was WriteString's text
  StreamWriter* FWriter;
};
