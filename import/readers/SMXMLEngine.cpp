#include "import/readers/SMXMLEngine.h"

#include <algorithm>
#include <cstring>

#include "import/VODUtils.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"

namespace {

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ':' || c == '_' ||
         c == '-' || c == '!' || c == '?';
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// Appends a code point as one or two UTF-16 units.
void AppendCodePoint(String& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

// Appends UTF-8 bytes as UTF-16; a byte that starts no valid sequence is
// taken as the character of that code.
void AppendUtf8(String& out, const char* p, size_t n) {
  const auto* s = reinterpret_cast<const unsigned char*>(p);
  size_t i = 0;
  while (i < n) {
    const unsigned char c = s[i];
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : 0;
    if (c >= 0xF8) extra = 0;
    char32_t cp = c & (0x3F >> extra);
    bool valid = extra > 0 && i + static_cast<size_t>(extra) < n;
    for (int k = 1; valid && k <= extra; ++k) {
      const unsigned char d = s[i + static_cast<size_t>(k)];
      if ((d & 0xC0) != 0x80) valid = false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if (!valid || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(c);
      ++i;
      continue;
    }
    AppendCodePoint(out, cp);
    i += static_cast<size_t>(extra) + 1;
  }
}

constexpr size_t kSourceBlock = 1 << 16;
constexpr size_t kCompactAt = 1 << 20;

}  // namespace

// ---- items --------------------------------------------------------------------

TSMXMLItem::TSMXMLItem(TSMXMLItem* parent) : FParent(parent) {
  if (parent != nullptr) Level = parent->Level + 1;
}

TSMXMLItem* TSMXMLItem::AddItem() {
  Items.push_back(std::make_unique<TSMXMLItem>(this));
  return Items.back().get();
}

void TSMXMLItem::Free() {
  if (FParent == nullptr) {
    Items.clear();
    return;
  }
  auto& siblings = FParent->Items;
  for (size_t i = siblings.size(); i-- > 0;) {
    if (siblings[i].get() == this) {
      siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(i));  // destroys this
      return;
    }
  }
}

TSMXMLItem* TSMXMLItem::GetChild(StringView tag, bool /*expandAllLevels*/) {
  if (TagName == tag) return this;
  for (auto& item : Items)
    if (TSMXMLItem* found = item->GetChild(tag)) return found;
  return nullptr;
}

String TSMXMLItem::GetTagXMLValue() const {
  String s = Value.IsEmpty() || Value.IsNull() ? String() : Value.AsString();
  if (!s.empty() && s[0] == u'"') {
    while (!s.empty() && (IsBlank(s.back()) || s.back() == u'"')) s.pop_back();
    if (!s.empty()) s.erase(0, 1);
  }
  return s;
}

String TSMXMLItem::GetTagValue() const {
  String s = GetTagXMLValue();
  if (!s.empty()) ReplaceHTMLChars(s);
  return s;
}

void TSMXMLItem::ProcessAttributes() {
  if (Attributes.empty()) return;
  String name, value;
  bool inQuotes = false, inValue = false;
  for (size_t i = 0; i < Attributes.size(); ++i) {
    const char16_t c = Attributes[i];
    const bool last = i + 1 == Attributes.size();
    if (c == u'"') {
      inQuotes = !inQuotes;
      (inValue ? value : name).push_back(c);
    } else if (!inQuotes && c == u'=' && !inValue) {
      inValue = true;
    } else if (inQuotes || !IsBlank(c)) {
      (inValue ? value : name).push_back(c);
    }
    if (!inQuotes && (IsBlank(c) || last)) {
      if (!name.empty() && !value.empty()) {
        TSMXMLItem* item = AddItem();
        item->Kind = ikAttribute;
        item->TagName = name;
        item->Value = Variant(value);
      }
      if (!name.empty() && !value.empty()) name.clear(), value.clear(), inValue = false;
      else if (IsBlank(c) && !inValue) name.clear();
    }
  }
  Attributes.clear();
}

bool FindAttribute(StringView attributes, StringView name, String& value) {
  size_t i = 0;
  const size_t n = attributes.size();
  while (i < n) {
    while (i < n && (IsBlank(attributes[i]) || attributes[i] == u'/' || attributes[i] == u'?')) ++i;
    const size_t nameStart = i;
    while (i < n && !IsBlank(attributes[i]) && attributes[i] != u'=') ++i;
    const StringView found = attributes.substr(nameStart, i - nameStart);
    while (i < n && IsBlank(attributes[i])) ++i;
    if (i >= n || attributes[i] != u'=') {
      if (i == nameStart) ++i;
      continue;
    }
    ++i;
    while (i < n && IsBlank(attributes[i])) ++i;
    if (i >= n) return false;
    const char16_t quote = attributes[i];
    size_t start = i, end;
    if (quote == u'"' || quote == u'\'') {
      start = i + 1;
      end = attributes.find(quote, start);
      if (end == StringView::npos) end = n;
      i = end + 1;
    } else {
      while (i < n && !IsBlank(attributes[i])) ++i;
      end = i;
    }
    if (found == name) {
      value.assign(attributes.substr(start, end - start));
      return true;
    }
  }
  return false;
}

void DecodeXmlEntities(String& text) {
  size_t amp = text.find(u'&');
  if (amp == String::npos) return;
  String out(text, 0, amp);
  size_t i = amp;
  while (i < text.size()) {
    if (text[i] != u'&') {
      out.push_back(text[i++]);
      continue;
    }
    const size_t semi = text.find(u';', i + 1);
    if (semi == String::npos || semi - i > 12) {
      out.push_back(text[i++]);
      continue;
    }
    const StringView name = StringView(text).substr(i + 1, semi - i - 1);
    char32_t cp = 0;
    bool ok = true;
    if (name == u"amp") cp = u'&';
    else if (name == u"lt") cp = u'<';
    else if (name == u"gt") cp = u'>';
    else if (name == u"quot") cp = u'"';
    else if (name == u"apos") cp = u'\'';
    else if (name.size() > 1 && name[0] == u'#') {
      const bool hex = name[1] == u'x' || name[1] == u'X';
      const StringView digits = name.substr(hex ? 2 : 1);
      ok = !digits.empty();
      for (char16_t c : digits) {
        int d = c >= u'0' && c <= u'9' ? c - u'0' : hex && c >= u'a' && c <= u'f' ? c - u'a' + 10
                : hex && c >= u'A' && c <= u'F' ? c - u'A' + 10 : -1;
        if (d < 0 || cp > 0x10FFFF) {
          ok = false;
          break;
        }
        cp = cp * (hex ? 16 : 10) + static_cast<char32_t>(d);
      }
      ok = ok && cp > 0 && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    } else {
      ok = false;
    }
    if (!ok) {
      out.push_back(text[i++]);
      continue;
    }
    AppendCodePoint(out, cp);
    i = semi + 1;
  }
  text = std::move(out);
}

// ---- the engine ---------------------------------------------------------------

TSMXMLEngine::TSMXMLEngine(TComponent* owner) : TComponent(owner), FRoot(std::make_unique<TSMXMLItem>()) {}
TSMXMLEngine::~TSMXMLEngine() = default;

std::string NormalizeXmlBytes(std::string bytes, bool& utf8) {
  size_t markLength = 0;
  const TByteOrderMark mark = DetectByteOrderMark(bytes.data(), bytes.size(), &markLength);
  utf8 = mark != TByteOrderMark::None;
  if (mark == TByteOrderMark::Utf8) return bytes.substr(markLength);
  if (mark == TByteOrderMark::Utf16LE || mark == TByteOrderMark::Utf16BE) {
    String text;
    text.reserve((bytes.size() - markLength) / 2);
    for (size_t i = markLength; i + 1 < bytes.size(); i += 2) {
      const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
      text.push_back(static_cast<char16_t>(mark == TByteOrderMark::Utf16LE ? (a | b << 8) : (b | a << 8)));
    }
    return StringToUtf8(text);
  }
  return bytes;
}

void TSMXMLEngine::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(0, stream);
}

void TSMXMLEngine::LoadFromStream(Int64 size, TStream& stream) {
  const Int64 available = stream.Size() - stream.Position();
  const Int64 wanted = size != 0 ? std::min(size - stream.Position(), available) : available;
  std::string bytes(static_cast<size_t>(std::max<Int64>(wanted, 0)), '\0');
  if (!bytes.empty()) bytes.resize(static_cast<size_t>(stream.Read(bytes.data(), static_cast<Int64>(bytes.size()))));
  LoadFromBytes(bytes);
}

void TSMXMLEngine::LoadFromBytes(std::string_view bytes) {
  FBuffer = NormalizeXmlBytes(std::string(bytes), FUtf8);
  FSource = nullptr;
  FEnded = true;
  Parse();
}

void TSMXMLEngine::LoadFromSource(const TXMLSource& source) {
  // A UTF-16 document is read whole and turned into UTF-8; any other is
  // parsed as it arrives.
  FBuffer.assign(4, '\0');
  FBuffer.resize(source(FBuffer.data(), 4));
  size_t markLength = 0;
  const TByteOrderMark mark = DetectByteOrderMark(FBuffer.data(), FBuffer.size(), &markLength);
  if (mark == TByteOrderMark::Utf16LE || mark == TByteOrderMark::Utf16BE) {
    char block[kSourceBlock];
    for (size_t got; (got = source(block, sizeof block)) > 0;) FBuffer.append(block, got);
    FBuffer = NormalizeXmlBytes(std::move(FBuffer), FUtf8);
    FSource = nullptr;
    FEnded = true;
  } else {
    FUtf8 = mark == TByteOrderMark::Utf8;
    if (FUtf8) FBuffer.erase(0, markLength);
    FSource = source;
    FEnded = false;
  }
  Parse();
  // A paused parse keeps its source for Resume.
  if (!FPaused) FSource = nullptr;
}

bool TSMXMLEngine::Pull(size_t index) {
  while (index >= FBuffer.size()) {
    if (FEnded || !FSource) return false;
    const size_t old = FBuffer.size();
    FBuffer.resize(old + kSourceBlock);
    const size_t got = FSource(FBuffer.data() + old, kSourceBlock);
    FBuffer.resize(old + got);
    if (got == 0) FEnded = true;
  }
  return true;
}

size_t TSMXMLEngine::Find(char c, size_t from) {
  while (true) {
    if (from < FBuffer.size()) {
      const void* hit = std::memchr(FBuffer.data() + from, c, FBuffer.size() - from);
      if (hit != nullptr) return static_cast<size_t>(static_cast<const char*>(hit) - FBuffer.data());
      from = FBuffer.size();
    }
    if (!Has(from)) return FBuffer.size();
  }
}

size_t TSMXMLEngine::Find(std::string_view text, size_t from) {
  while (true) {
    const size_t at = FBuffer.find(text, from);
    if (at != std::string::npos) return at;
    const size_t size = FBuffer.size();
    if (!Has(size)) return size;
    from = size >= text.size() ? size - text.size() + 1 : 0;
  }
}

void TSMXMLEngine::Decode(size_t from, size_t to, String& out) const {
  out.clear();
  if (to <= from) return;
  const char* p = FBuffer.data() + from;
  const size_t n = to - from;
  if (FUtf8 || FDeclaredUtf8 || ForceUtf8)
    AppendUtf8(out, p, n);
  else
    out = FCodePage != 0 ? CodePageToString(std::string_view(p, n), FCodePage) : AnsiToString(std::string_view(p, n));
}

size_t TSMXMLEngine::SkipElement(size_t from) {
  int depth = 1;
  size_t pos = from;
  while (Has(pos)) {
    pos = Find('<', pos);
    if (!Has(pos)) return pos;
    const bool closing = Has(pos + 1) && FBuffer[pos + 1] == '/';
    const bool special = Has(pos + 1) && (FBuffer[pos + 1] == '!' || FBuffer[pos + 1] == '?');
    const size_t end = Find('>', pos);
    if (closing) {
      --depth;
    } else if (!special) {
      const bool selfClosing = end < FBuffer.size() && end > pos && FBuffer[end - 1] == '/';
      if (!selfClosing) ++depth;
    }
    pos = end + 1;
    if (depth == 0) break;
  }
  const size_t next = Find('<', pos);
  return next + 1;
}

void TSMXMLEngine::Parse() {
  FRoot->Items.clear();
  FRoot->TagName.clear();
  FRoot->Value = Variant();
  FRoot->Attributes.clear();
  FDeclaredUtf8 = false;
  FCodePage = 0;
  FPaused = FPauseAsked = false;
  FPos = Find('<', 0);
  if (!Has(FPos)) return;
  ++FPos;
  FCurrent = nullptr;
  FFirst = true;
  Continue();
}

void TSMXMLEngine::Pause() { FPauseAsked = true; }

void TSMXMLEngine::Resume() {
  if (!FPaused) return;
  FPaused = false;
  Continue();
  if (!FPaused) FSource = nullptr;
}

void TSMXMLEngine::Continue() {
  size_t pos = FPos;
  TSMXMLItem* current = FCurrent;
  bool first = FFirst;
  while (Has(pos + 1) && FBuffer[pos] != '\0') {
    if (pos > kCompactAt && FSource) {
      FBuffer.erase(0, pos);
      pos = 0;
    }
    const size_t start = pos;
    bool isComment = false, isCData = false;
    size_t nameEnd = start;
    size_t textFrom = start, textTo = start;
    size_t next;  // the index after the '<' that follows the tag's text
    bool selfClosing = false;
    FAttributes.clear();
    if (Has(start + 7) && FBuffer.compare(start, 8, "![CDATA[") == 0) {
      isCData = true;
      FName = u"![CDATA[";
      textFrom = start + 8;
      textTo = Find("]]>", textFrom);
      // The '>' of "]]>" reads next as a nameless tag whose text joins the
      // section's parent.
      next = textTo + 2 < FBuffer.size() ? textTo + 2 : FBuffer.size();
    } else {
      while (Has(nameEnd) && IsNameChar(FBuffer[nameEnd])) ++nameEnd;
      FName.clear();
      for (size_t i = start; i < nameEnd; ++i) FName.push_back(static_cast<char16_t>(FBuffer[i]));
      if (FBuffer.compare(start, std::min<size_t>(3, nameEnd - start), "!--") == 0 && nameEnd - start >= 3) {
        isComment = true;
        const size_t end = Find("-->", nameEnd);
        Decode(start, std::min(end + 2, FBuffer.size()), FText);
        FName = FText;
        next = std::min(end + 3, FBuffer.size());
        while (Has(next) && IsBlank(static_cast<char16_t>(FBuffer[next]))) ++next;
        if (Has(next) && FBuffer[next] == '<') ++next;
        textFrom = textTo = next;
      } else {
        size_t a = nameEnd;
        bool quoted = false;
        while (Has(a)) {
          const char c = FBuffer[a];
          if (c == '"') quoted = !quoted;
          if (c == '>' || (c == '/' && !quoted)) break;
          ++a;
        }
        Decode(nameEnd, std::min(a, FBuffer.size()), FAttributes);
        selfClosing = Has(a) && FBuffer[a] == '/';
        if (selfClosing) {
          textFrom = textTo = a;
          next = Find('<', a) + 1;
        } else {
          textFrom = a;
          while (Has(textFrom) && FBuffer[textFrom] == '>') ++textFrom;
          textTo = Find('<', textFrom);
          next = textTo + 1;
        }
      }
    }
    if (!isComment) Decode(textFrom, std::min(textTo, FBuffer.size()), FText);
    if (FName.empty() && !isCData) {
      // A nameless tag only gives its text to the current item.
      if (current != nullptr && !FText.empty())
        current->Value = Variant(current->Value.IsEmpty() ? FText : current->Value.AsString() + FText);
      if (next <= pos) next = pos + 1;  // always move on
    } else {
      bool accept = true;
      TSMXMLItem* node = nullptr;
      if (first) {
        node = FRoot.get();
        first = false;
      } else {
        if (OnTag) OnTag(this, current, FName, FText, FAttributes, accept);
        if (accept) node = current != nullptr ? current->AddItem() : FRoot->AddItem();
      }
      if (accept) {
        node->TagName = FName;
        if (!FText.empty())
          node->Value = Variant(node->Value.IsEmpty() ? FText : node->Value.AsString() + FText);
        if (isComment || isCData) {
          node->Kind = isComment ? ikComment : ikCDATA;
        } else {
          node->Kind = ikProperty;
          current = node;
          if (!FAttributes.empty()) {
            node->Attributes = FAttributes;
            if (AttributesAutoProcess) node->ProcessAttributes();
          }
          if (selfClosing && node != FRoot.get()) {
            // "<a/>" closes at once.
            current = node->ParentItem();
            bool cancel = false;
            if (OnAfterTag) OnAfterTag(this, node, cancel);
            if (cancel) return;
          }
          if (SameText(FName, u"?xml")) {
            String encoding;
            if (FindAttribute(FAttributes, u"encoding", encoding)) {
              while (!encoding.empty() && (encoding.back() == u'"' || encoding.back() == u'?')) encoding.pop_back();
              if (SameText(encoding, u"utf-8")) FDeclaredUtf8 = true;
              if (encoding.size() > 8 && SameText(encoding.substr(0, 8), u"windows-")) {
                FCodePage = StrToIntDef(encoding.substr(8), 0);
              }
            }
          }
        }
      } else if (!selfClosing && !isComment && !isCData) {
        next = SkipElement(textTo);
      }
    }
    pos = next;
    // Closing tags: each "/" here closes the current item.
    bool cancel = false;
    while (Has(pos) && FBuffer[pos] == '/') {
      if (current == nullptr) {
        pos = Find('<', pos) + 1;
        continue;
      }
      TSMXMLItem* closed = current;
      current = current->ParentItem();
      if (OnAfterTag) OnAfterTag(this, closed, cancel);
      if (cancel) return;
      pos = Find('<', pos) + 1;
    }
    if (FPauseAsked) {
      // A handler asked to stop here; Resume goes on from this tag.
      FPauseAsked = false;
      FPaused = true;
      FPos = pos;
      FCurrent = current;
      FFirst = first;
      return;
    }
  }
}

TSMXMLItem* TSMXMLEngine::GetItemByTag(TSMXMLItem* root, StringView tag) const {
  TSMXMLItem* from = root != nullptr ? root : FRoot.get();
  if (SameText(from->TagName, tag)) return from;
  for (auto& item : from->Items)
    if (TSMXMLItem* found = GetItemByTag(item.get(), tag)) return found;
  return nullptr;
}
