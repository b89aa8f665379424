#include "table/XmlTextWriter.h"

#include <algorithm>

#include "platform/rtl/Streams.h"

namespace {

// The buffer reaches the stream in pieces of about this size.
constexpr size_t FlushSize = 64 * 1024;

constexpr StringView LineBreak = u"\r\n";

// Whatever would break the markup around a name.
void CheckName(StringView name) {
  const bool valid = !name.empty() && std::none_of(name.begin(), name.end(), [](WideChar c) {
    return c <= u' ' || StringView(u"<>&'\"=/?!").find(c) != StringView::npos;
  });
  if (!valid) throw XmlException(Format(u"\"%s\" is not a valid XML name", {String(name)}));
}

void CheckPrefix(StringView prefix, StringView ns) {
  if (prefix.empty()) return;
  if (ns.empty()) throw XmlException(u"Cannot use a prefix with an empty namespace");
  CheckName(prefix);
}

}  // namespace

StreamWriter::StreamWriter(const String& path, bool append) : FEncoding(AnsiCodePage()) {
  if (append && FileExists(path)) {
    FOwnedStream = std::make_unique<TFileStream>(path, fmOpenReadWrite);
    FOwnedStream->Seek(0, TSeekOrigin::soEnd);
  } else {
    FOwnedStream = std::make_unique<TFileStream>(path, fmCreate);
  }
  FStream = FOwnedStream.get();
}

StreamWriter::StreamWriter(TStream& output, int encoding) : FStream(&output), FEncoding(encoding) {}

StreamWriter::~StreamWriter() {
  try {
    Flush();
  } catch (...) {
    // A destructor cannot report it; callers that care flush first.
  }
}

void StreamWriter::Write(StringView value) {
  FBuffer += StringToCodePage(value, FEncoding);
  if (FBuffer.size() >= FlushSize) Flush();
}

void StreamWriter::WriteLine(StringView value) {
  Write(value);
  Write(LineBreak);
}

void StreamWriter::Flush() {
  if (FBuffer.empty()) return;
  std::string bytes;
  bytes.swap(FBuffer);  // written or failed, these bytes are done with
  FStream->WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}

XmlTextWriter::XmlTextWriter(StreamWriter& writer) : FWriter(&writer) { FText.reserve(8192); }

void XmlTextWriter::WriteStartElement(StringView prefix, StringView localName, StringView ns) {
  CheckPrefix(prefix, ns);
  CheckName(localName);
  ClosePendingStartTag();
  if (FWriteState == wsContent) WriteOut();
  StartLine(!FTagStack.empty());
  String name = prefix.empty() ? String(localName) : String(prefix) + u':' + String(localName);
  FText += u'<';
  FText += name;
  if (!ns.empty()) {
    FText += prefix.empty() ? String(u" xmlns=") : u" xmlns:" + String(prefix) + u'=';
    AppendQuoted(ns);
  }
  FTagStack.push_back(std::move(name));
  FWriteState = wsElement;
  FAfterText = false;
}

void XmlTextWriter::WriteAttributeString(StringView prefix, StringView localName, StringView value, StringView ns) {
  if (FWriteState != wsElement && FWriteState != wsAttribute)
    throw XmlException(u"Token WriteAttributeString in state Content would result in an invalid XML document");
  CheckPrefix(prefix, ns);
  CheckName(localName);
  FText += u' ';
  if (!prefix.empty()) {
    FText += prefix;
    FText += u':';
  }
  FText += localName;
  FText += u'=';
  AppendQuoted(value);
  // An attribute without a prefix is in no namespace, so only a prefix is
  // declared.
  if (!prefix.empty()) {
    FText += u" xmlns:";
    FText += prefix;
    FText += u'=';
    AppendQuoted(ns);
  }
  FWriteState = wsAttribute;
}

void XmlTextWriter::WriteElementString(StringView localName, StringView ns, StringView value) {
  CheckName(localName);
  ClosePendingStartTag();
  StartLine(!FTagStack.empty());
  FText += u'<';
  FText += localName;
  if (!ns.empty()) {
    FText += u" xmlns=";
    AppendQuoted(ns);
  }
  FText += u'>';
  FText += XMLEncode(value);
  FText += u"</";
  FText += localName;
  FText += u'>';
  WriteOut();
  FWriteState = wsContent;
  FAfterText = false;
}

void XmlTextWriter::WriteEndElement() {
  if (FWriteState == wsAttribute) {
    FText += u" />";
    FTagStack.pop_back();
    FWriteState = wsContent;
    FAfterText = false;
  } else {
    WriteFullEndTag();
  }
  WriteOut();
}

void XmlTextWriter::WriteFullEndElement() {
  WriteFullEndTag();
  WriteOut();
}

void XmlTextWriter::WriteString(StringView text) {
  ClosePendingStartTag();
  FText += text;
  FWriteState = wsContent;
  if (!text.empty()) FAfterText = true;
}

void XmlTextWriter::Close() {
  WriteOut();
  FWriter->Flush();
  FWriteState = wsClosed;
}

void XmlTextWriter::ClosePendingStartTag() {
  if (FWriteState == wsElement || FWriteState == wsAttribute) FText += u'>';
}

void XmlTextWriter::StartLine(bool newLine) {
  if (newLine) FText += LineBreak;
  if (FFormatting == fmtIndented)
    FText.append(FTagStack.size() * static_cast<size_t>(std::max(FIndentation, 0)), FIndentChar);
}

void XmlTextWriter::WriteFullEndTag() {
  if (FTagStack.empty()) throw XmlException(u"There was no XML start tag open");
  ClosePendingStartTag();
  const String name = std::move(FTagStack.back());
  FTagStack.pop_back();
  // Text content ends at the end tag; anything else puts it on its own line.
  if (!FAfterText) StartLine(true);
  FText += u"</";
  FText += name;
  FText += u'>';
  FWriteState = wsContent;
  FAfterText = false;
}

void XmlTextWriter::WriteOut() {
  if (FText.empty()) return;
  FWriter->Write(FText);
  FText.clear();
}

void XmlTextWriter::AppendQuoted(StringView value) {
  FText += FQuoteChar;
  FText += XMLEncode(value);
  FText += FQuoteChar;
}
