#include "table/XmlTextReader.h"

#include <algorithm>

#include "platform/rtl/Locale.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "table/XmlParser.h"

namespace {

constexpr std::string_view Blanks = " \t\r\n";
bool IsBlank(char c) { return Blanks.find(c) != std::string_view::npos; }

// A stream's consumed bytes are dropped once this many have gathered, so a
// large document is read with a small buffer.
constexpr size_t ReleaseThreshold = 64 * 1024;

constexpr size_t npos = std::string::npos;

}  // namespace

XmlTextReader::XmlTextReader(TStream& stream, bool decodeHTMLEntities, int blockSize)
    : FStream(&stream),
      FBlockSize(static_cast<size_t>(std::max(blockSize, 1))),
      FStreamEnd(false),
      FDecodeHTMLEntities(decodeHTMLEntities) {
  stream.SetPosition(0);
  FFullSize = stream.Size();
}

XmlTextReader::XmlTextReader(StringView str, bool decodeHTMLEntities)
    : FBuf(StringToUtf8(str)), FFullSize(static_cast<Int64>(FBuf.size())), FDecodeHTMLEntities(decodeHTMLEntities) {}

bool XmlTextReader::Read() {
  if (FState == XmlReadState::Error) throw XmlException(FError, FErrorOffset);
  if (FState == XmlReadState::EndOfFile || FState == XmlReadState::Closed) return false;
  try {
    return ReadNode();
  } catch (const XmlException& e) {
    FState = XmlReadState::Error;
    FError = e.Message();
    FErrorOffset = e.Offset();
    throw;
  }
}

bool XmlTextReader::ReadNode() {
  FAttribute = nullptr;
  FAttributes.clear();
  FIsEmptyElement = false;
  if (FState == XmlReadState::Initial) {
    CheckEncoding();
    FState = XmlReadState::Interactive;
  }
  ReleaseConsumed();

  const size_t markup = Find("<", FPos);
  const size_t textEnd = markup == npos ? FBuf.size() : markup;
  // Blanks between tags are layout, not text; so is anything outside the
  // root element (a byte-order mark, say).
  if (!FOpenElements.empty() &&
      std::any_of(FBuf.begin() + static_cast<std::ptrdiff_t>(FPos), FBuf.begin() + static_cast<std::ptrdiff_t>(textEnd),
                  [](char c) { return !IsBlank(c); })) {
    ReadText(textEnd);
    return true;
  }
  if (markup == npos) {
    FPos = FBuf.size();
    if (!FOpenElements.empty())
      Fail(Format(u"The XML document ends before the end tag of <%s>", {FOpenElements.back()}), FPos);
    FState = XmlReadState::EndOfFile;
    return false;
  }

  FPos = markup + 1;
  if (StartsWith(FPos, "?")) ReadDeclaration();
  else if (StartsWith(FPos, "!--")) ReadComment();
  else if (StartsWith(FPos, "!DOCTYPE")) ReadDocumentType();
  else if (StartsWith(FPos, "![CDATA[")) ReadCData();
  else if (StartsWith(FPos, "!")) Fail(Format(u"The markup at byte %d is not understood", {OffsetOf(markup)}), markup);
  else if (StartsWith(FPos, "/")) ReadEndElement();
  else ReadElement();
  return true;
}

void XmlTextReader::CheckEncoding() {
  const bool utf16 = StartsWith(0, "\xFF\xFE") || StartsWith(0, "\xFE\xFF") ||
                     StartsWith(0, std::string_view("<\0", 2)) || StartsWith(0, std::string_view("\0<", 2));
  if (utf16) Fail(u"The XML document is in UTF-16; only UTF-8 documents are read", 0);
}

void XmlTextReader::SetNode(XmlNodeType type, size_t depth) {
  FNodeType = type;
  FDepth = static_cast<int>(depth);
  FName.clear();
  FPrefix.clear();
  FValue.clear();
}

void XmlTextReader::SetName(String name) {
  FName = std::move(name);
  const size_t colon = FName.find(u':');
  FPrefix = colon == String::npos ? String() : FName.substr(0, colon);
}

void XmlTextReader::ReadText(size_t end) {
  SetNode(ntText, FOpenElements.size());
  FValue = XMLDecode(Text(FPos, end), FDecodeHTMLEntities);
  FPos = end;
}

void XmlTextReader::ReadElement() {
  const size_t start = FPos - 1;
  const size_t end = FindTagEnd(FPos);
  if (end == npos) Fail(Format(u"The XML document ends inside the tag that starts at byte %d", {OffsetOf(start)}), start);
  std::string_view tag = std::string_view(FBuf).substr(FPos, end - FPos);
  const bool empty = !tag.empty() && tag.back() == '/';
  if (empty) tag.remove_suffix(1);
  const size_t nameLength = std::min(tag.find_first_of(Blanks), tag.size());
  if (nameLength == 0) Fail(Format(u"The element at byte %d has no name", {OffsetOf(start)}), start);
  const size_t depth = FOpenElements.size();
  if (!empty && depth >= MaxDepth)
    Fail(Format(u"The elements at byte %d are nested deeper than %d levels", {OffsetOf(start), Int64{MaxDepth}}), start);

  SetNode(ntElement, depth);
  SetName(Utf8ToString(tag.substr(0, nameLength)));
  ReadAttributes(tag.substr(nameLength), start);
  FIsEmptyElement = empty;
  if (!empty) FOpenElements.push_back(FName);
  FPos = end + 1;
}

void XmlTextReader::ReadAttributes(std::string_view tagRest, size_t tagStart) {
  if (ReadPlainAttributes(tagRest)) return;
  FAttributes.clear();
  ReadAnyAttributes(Utf8ToString(tagRest), tagStart);
}

// Nearly every tag is a list of name='value' pairs with plain ASCII names:
// those are read straight from the bytes, without the lexer. Anything else
// (blanks around "=", names without values, unclosed quotes, stray
// characters) returns false, and the lexer reads the whole tag again, so
// both ways give the same attributes.
bool XmlTextReader::ReadPlainAttributes(std::string_view tagRest) {
  auto nameStart = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  auto nameChar = [&](char c) {
    return nameStart(c) || (c >= '0' && c <= '9') || c == '$' || c == '-' || c == '.';
  };
  size_t i = 0;
  const size_t n = tagRest.size();
  for (;;) {
    while (i < n && IsBlank(tagRest[i])) ++i;
    if (i == n) return true;
    const size_t start = i;
    if (!nameStart(tagRest[i])) return false;
    size_t colon = std::string_view::npos;
    for (++i; i < n; ++i) {
      if (nameChar(tagRest[i])) continue;
      if (tagRest[i] != ':' || colon != std::string_view::npos || i + 1 >= n || !nameStart(tagRest[i + 1])) break;
      colon = i++;
    }
    const size_t nameEnd = i;
    if (i + 1 >= n || tagRest[i] != '=' || (tagRest[i + 1] != '\'' && tagRest[i + 1] != '"')) return false;
    const char quote = tagRest[i + 1];
    const size_t valueStart = i + 2;
    const size_t valueEnd = tagRest.find(quote, valueStart);
    if (valueEnd == std::string_view::npos) return false;
    i = valueEnd + 1;
    if (i < n && !IsBlank(tagRest[i])) return false;
    const std::string_view name = tagRest.substr(start, nameEnd - start);
    Attribute& a = FAttributes.emplace_back();
    a.Name.assign(name.begin(), name.end());  // ASCII: one unit a byte
    if (colon != std::string_view::npos) a.Prefix.assign(a.Name, 0, colon - start);
    const std::string_view value = tagRest.substr(valueStart, valueEnd - valueStart);
    // Most values are ASCII without references: their bytes are their units.
    if (std::all_of(value.begin(), value.end(), [](char c) { return c != '&' && static_cast<unsigned char>(c) < 0x80; }))
      a.Value.assign(value.begin(), value.end());
    else
      a.Value = XMLDecode(Utf8ToString(value), FDecodeHTMLEntities);
  }
}

void XmlTextReader::ReadAnyAttributes(StringView tagRest, size_t tagStart) {
  TXmlParser parser(tagRest);
  String lexem, name, prefix;
  bool named = false;
  auto invalid = [&] { Fail(u"Invalid XML", tagStart); };
  try {
    int code = parser.GetNext(lexem);
    while (code != lcEnd && code != lxXmlLess && code != lxXmlMore) {
      if (code == lcIdent) {
        // A name without "=" and a value adds nothing: the next name replaces it.
        name = lexem;
        parser.ReadNameRest(name);
        prefix.clear();
        named = true;
      } else if (code == lxXmlColon) {
        if (!named || parser.GetNext(lexem) != lcIdent) invalid();
        if (prefix.empty()) prefix = name;
        name += u':';
        name += lexem;
        parser.ReadNameRest(name);
      } else if (code == lxXmlEqual) {
        code = parser.GetNext(lexem);
        if (!named || (code != lcIdent && code != lcString)) invalid();
        if (code == lcIdent) parser.ReadNameRest(lexem);
        FAttributes.push_back({std::move(name), std::move(prefix), XMLDecode(lexem, FDecodeHTMLEntities)});
        name.clear();
        prefix.clear();
        named = false;
      }
      code = parser.GetNext(lexem);
    }
  } catch (const XmlException&) {
    throw;
  } catch (const Exception&) {
    invalid();  // a character that begins no lexeme
  }
}

void XmlTextReader::ReadEndElement() {
  const size_t start = FPos - 1;
  ++FPos;  // the "/"
  const size_t end = Find(">", FPos);
  if (end == npos) Fail(Format(u"The XML document ends inside the tag that starts at byte %d", {OffsetOf(start)}), start);
  String name = Trim(Text(FPos, end));
  FPos = end + 1;
  if (FOpenElements.empty())
    Fail(Format(u"The end tag </%s> at byte %d has no start tag", {name, OffsetOf(start)}), start);
  if (FOpenElements.back() != name)
    Fail(Format(u"The end tag </%s> at byte %d does not match the start tag <%s>",
                {name, OffsetOf(start), FOpenElements.back()}),
         start);
  FOpenElements.pop_back();
  SetNode(ntEndElement, FOpenElements.size());
  SetName(std::move(name));
}

void XmlTextReader::ReadComment() {
  const size_t start = FPos - 1;
  FPos += 3;  // "!--"
  const size_t end = Find("-->", FPos);
  if (end == npos) Fail(u"Invalid comment tag", start);
  SetNode(ntComment, FOpenElements.size());
  FValue = Trim(Text(FPos, end));
  FPos = end + 3;
}

void XmlTextReader::ReadDeclaration() {
  const size_t start = FPos - 1;
  ++FPos;  // "?"
  const size_t end = Find("?>", FPos);
  if (end == npos) Fail(u"Invalid declaration tag", start);
  const std::string_view body = std::string_view(FBuf).substr(FPos, end - FPos);
  const size_t nameLength = std::min(body.find_first_of(Blanks), body.size());
  SetNode(ntDeclaration, FOpenElements.size());
  FName = Utf8ToString(body.substr(0, nameLength));
  FValue = Trim(Utf8ToString(body.substr(nameLength)));
  FPos = end + 2;
}

void XmlTextReader::ReadDocumentType() {
  const size_t start = FPos - 1;
  auto invalid = [&] { Fail(u"Invalid Document type tag", start); };
  FPos += 8;  // "!DOCTYPE"
  // It ends at the first ">" outside quoted identifiers, or, with an
  // internal subset, at the ">" after the "]" that closes the subset.
  size_t i = FPos;
  for (;;) {
    i = FindAnyOf("'\"[>", i);
    if (i == npos) invalid();
    if (FBuf[i] == '>' || FBuf[i] == '[') break;
    const char quote[1] = {FBuf[i]};
    i = Find(std::string_view(quote, 1), i + 1);
    if (i == npos) invalid();
    ++i;
  }
  SetNode(ntDocumentType, FOpenElements.size());
  FName = Trim(Text(FPos, i));
  if (FBuf[i] == '[') {
    const size_t subset = i + 1;
    for (size_t close = subset;; ++close) {
      close = Find("]", close);
      if (close == npos) invalid();
      i = close + 1;
      while (Has(i) && IsBlank(FBuf[i])) ++i;
      if (!Has(i)) invalid();
      if (FBuf[i] == '>') {
        FValue = Trim(Text(subset, close));
        break;
      }
    }
  }
  FPos = i + 1;
}

void XmlTextReader::ReadCData() {
  const size_t start = FPos - 1;
  FPos += 8;  // "![CDATA["
  const size_t end = Find("]]>", FPos);
  if (end == npos)
    Fail(Format(u"The XML document ends inside the CDATA section that starts at byte %d", {OffsetOf(start)}), start);
  SetNode(ntText, FOpenElements.size());
  FValue = Text(FPos, end);
  FPos = end + 3;
}

const String& XmlTextReader::Items(int index) const {
  if (index < 0 || index >= AttributeCount()) throw EListError(Format(RtlMessages::SListIndexError, {Int64{index}}));
  return FAttributes[static_cast<size_t>(index)].Value;
}

const String& XmlTextReader::Items(StringView attrName) const {
  auto it = std::find_if(FAttributes.begin(), FAttributes.end(),
                         [&](const Attribute& a) { return CompareTextOrdinal(a.Name, attrName) == 0; });
  return Items(it == FAttributes.end() ? -1 : static_cast<int>(it - FAttributes.begin()));
}

void XmlTextReader::MoveToAttribute(int index) {
  if (index < 0 || index >= AttributeCount()) throw XmlException(Format(u"Attribute not found (%d)", {Int64{index}}));
  FAttribute = &FAttributes[static_cast<size_t>(index)];
}

bool XmlTextReader::MoveToAttribute(StringView attrName) {
  for (size_t i = 0; i < FAttributes.size(); ++i) {
    if (CompareTextOrdinal(FAttributes[i].Name, attrName) == 0) {
      MoveToAttribute(static_cast<int>(i));
      return true;
    }
  }
  return false;
}

bool XmlTextReader::LoadBlock() {
  if (FStreamEnd) return false;
  const size_t old = FBuf.size();
  FBuf.resize(old + FBlockSize);
  const Int64 n = FStream->Read(FBuf.data() + old, static_cast<Int64>(FBlockSize));
  FBuf.resize(old + static_cast<size_t>(std::max<Int64>(n, 0)));
  if (n <= 0) FStreamEnd = true;
  return n > 0;
}

void XmlTextReader::ReleaseConsumed() {
  if (FStream == nullptr || FPos < ReleaseThreshold) return;
  FBuf.erase(0, FPos);
  FBufStart += static_cast<Int64>(FPos);
  FPos = 0;
}

bool XmlTextReader::Has(size_t pos) {
  while (pos >= FBuf.size()) {
    if (!LoadBlock()) return false;
  }
  return true;
}

bool XmlTextReader::StartsWith(size_t pos, std::string_view marker) {
  return Has(pos + marker.size() - 1) && std::string_view(FBuf).substr(pos, marker.size()) == marker;
}

size_t XmlTextReader::Find(std::string_view token, size_t from) {
  for (;;) {
    const size_t found = FBuf.find(token, from);
    if (found != npos) return found;
    // Only the last bytes can begin an occurrence that the next block completes.
    if (FBuf.size() >= token.size()) from = std::max(from, FBuf.size() - token.size() + 1);
    if (!LoadBlock()) return npos;
  }
}

size_t XmlTextReader::FindAnyOf(std::string_view chars, size_t from) {
  for (;;) {
    const size_t found = FBuf.find_first_of(chars, from);
    if (found != npos) return found;
    from = std::max(from, FBuf.size());
    if (!LoadBlock()) return npos;
  }
}

size_t XmlTextReader::FindTagEnd(size_t from) {
  // A ">" inside a quoted attribute value does not end the tag.
  for (size_t i = from;;) {
    i = FindAnyOf("'\">", i);
    if (i == npos || FBuf[i] == '>') return i;
    const char quote[1] = {FBuf[i]};
    i = Find(std::string_view(quote, 1), i + 1);
    if (i == npos) return npos;
    ++i;
  }
}

String XmlTextReader::Text(size_t from, size_t to) const {
  return Utf8ToString(std::string_view(FBuf).substr(from, to - from));
}

void XmlTextReader::Fail(const String& message, size_t pos) { throw XmlException(message, OffsetOf(pos)); }
