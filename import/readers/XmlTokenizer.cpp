#include "import/readers/XmlTokenizer.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "import/readers/SMXMLEngine.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr size_t kBlock = 1 << 16;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

template <typename F>
void TXmlTokenizer::EachAttribute(std::string_view a, F&& f) {
  size_t i = 0;
  while (i < a.size()) {
    while (i < a.size() && IsBlank(a[i])) ++i;
    const size_t nameStart = i;
    while (i < a.size() && !IsBlank(a[i]) && a[i] != '=') ++i;
    const std::string_view found = a.substr(nameStart, i - nameStart);
    while (i < a.size() && IsBlank(a[i])) ++i;
    if (i >= a.size() || a[i] != '=') {
      if (i == nameStart) ++i;
      continue;
    }
    ++i;
    while (i < a.size() && IsBlank(a[i])) ++i;
    if (i >= a.size()) return;
    size_t start = i, end;
    if (a[i] == '"' || a[i] == '\'') {
      start = i + 1;
      end = a.find(a[i], start);
      if (end == std::string_view::npos) end = a.size();
      i = end + 1;
    } else {
      while (i < a.size() && !IsBlank(a[i])) ++i;
      end = i;
    }
    f(found, a.substr(start, end - start));
  }
}

// The reading thread runs a tokenizer of its own over the source and hands
// its tokens over in batches: the bytes of their names, texts and
// attributes copied out, so a batch stays valid while the caller reads it.
// Used batches go back to the thread, so the memory is reused, not fresh.
class TXmlTokenizer::TAhead {
 public:
  explicit TAhead(TSource source) : FSource(std::move(source)), FWorker([this] { Run(); }) {}
  ~TAhead() {
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FStop = true;
    }
    FChanged.notify_all();
    FWorker.join();
  }
  TAhead(const TAhead&) = delete;
  TAhead& operator=(const TAhead&) = delete;

  // The next token into the caller's fields.
  TToken Next(TXmlTokenizer& to) {
    while (!FCurrent || FIndex == FCurrent->Tokens.size()) {
      if (FCurrent && FCurrent->Last) return tkEnd;
      std::unique_lock<std::mutex> lock(FMutex);
      if (FCurrent) FFree.push_back(std::move(FCurrent));
      FChanged.notify_all();
      FChanged.wait(lock, [this] { return !FFull.empty() || FDone; });
      if (FFull.empty()) {
        if (FError) std::rethrow_exception(FError);
        return tkEnd;
      }
      FCurrent = std::move(FFull.front());
      FFull.pop_front();
      FIndex = 0;
    }
    const TRecord& r = FCurrent->Tokens[FIndex++];
    const std::string_view bytes(FCurrent->Bytes);
    to.FName = bytes.substr(r.NameAt, r.NameSize);
    const std::string_view rest = bytes.substr(r.RestAt, r.RestSize);
    if (r.Kind == tkText) {
      to.FText = rest;
    } else {
      to.FAttributes = rest;
      to.FSplit = FCurrent->Attributes.data() + r.AttributesAt;
      to.FSplitCount = r.AttributesCount;
      to.FSplitBase = bytes.data();
    }
    to.FSelfClosing = r.SelfClosing;
    to.FConsumed = r.Position;
    to.FPos = 0;
    return r.Kind;
  }

 private:
  struct TRecord {
    TToken Kind;
    bool SelfClosing;
    Cardinal NameAt, NameSize, RestAt, RestSize;
    Cardinal AttributesAt, AttributesCount;
    UInt64 Position;
  };
  struct TBatch {
    std::string Bytes;
    std::vector<TRecord> Tokens;
    std::vector<TSplitAttribute> Attributes;
    bool Last = false;  // the source's end follows
  };
  static constexpr size_t kBatchTokens = 1 << 14;
  static constexpr size_t kBatchBytes = 1 << 19;
  static constexpr size_t kBatches = 4;

  void Run() {
    std::unique_ptr<TBatch> batch;
    try {
      TXmlTokenizer inner([this](char* buffer, size_t count) { return FSource(buffer, count); });
      for (bool ended = false; !ended;) {
        {
          std::unique_lock<std::mutex> lock(FMutex);
          FChanged.wait(lock, [this] { return FStop || !FFree.empty() || FMade < kBatches; });
          if (FStop) return;
          if (FFree.empty()) {
            batch = std::make_unique<TBatch>();
            ++FMade;
          } else {
            batch = std::move(FFree.front());
            FFree.pop_front();
          }
        }
        batch->Bytes.clear();
        batch->Tokens.clear();
        batch->Attributes.clear();
        while (batch->Tokens.size() < kBatchTokens && batch->Bytes.size() < kBatchBytes) {
          const TToken kind = inner.Next();
          if (kind == tkEnd) {
            ended = true;
            break;
          }
          TRecord r{kind, inner.FSelfClosing, 0, 0, 0, 0, 0, 0, inner.Position()};
          const std::string_view rest = kind == tkText ? inner.FText : inner.FAttributes;
          r.NameAt = static_cast<Cardinal>(batch->Bytes.size());
          r.NameSize = static_cast<Cardinal>(inner.FName.size());
          batch->Bytes.append(inner.FName);
          r.RestAt = static_cast<Cardinal>(batch->Bytes.size());
          r.RestSize = static_cast<Cardinal>(rest.size());
          batch->Bytes.append(rest);
          r.AttributesAt = static_cast<Cardinal>(batch->Attributes.size());
          if (kind != tkText) {
            // Offsets into the copy just made of the attribute text.
            EachAttribute(rest, [&](std::string_view name, std::string_view value) {
              batch->Attributes.push_back({static_cast<Cardinal>(r.RestAt + (name.data() - rest.data())),
                                           static_cast<Cardinal>(name.size()),
                                           static_cast<Cardinal>(r.RestAt + (value.data() - rest.data())),
                                           static_cast<Cardinal>(value.size())});
            });
          }
          r.AttributesCount = static_cast<Cardinal>(batch->Attributes.size() - r.AttributesAt);
          batch->Tokens.push_back(r);
        }
        if (ended) inner.Drain();
        batch->Last = ended;
        Hand(std::move(batch));
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(FMutex);
      FError = std::current_exception();
    }
    // The tokens read before a failure still reach the caller.
    if (batch) Hand(std::move(batch));
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FDone = true;
    }
    FChanged.notify_all();
  }

  void Hand(std::unique_ptr<TBatch> batch) {
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FFull.push_back(std::move(batch));
    }
    FChanged.notify_all();
  }

  TSource FSource;
  std::mutex FMutex;
  std::condition_variable FChanged;
  std::deque<std::unique_ptr<TBatch>> FFull, FFree;
  size_t FMade = 0;
  bool FStop = false;
  bool FDone = false;
  std::exception_ptr FError;
  // The caller's batch and its next token.
  std::unique_ptr<TBatch> FCurrent;
  size_t FIndex = 0;
  std::thread FWorker;  // last: it starts once the rest is made
};

TXmlTokenizer::TXmlTokenizer(TSource source) : FSource(std::move(source)) {}

TXmlTokenizer::TXmlTokenizer(TSource source, bool ahead) : FSource(std::move(source)) {
  if (ahead) FAhead = std::make_unique<TAhead>(std::move(FSource));
}

TXmlTokenizer::~TXmlTokenizer() = default;

void TXmlTokenizer::Drain() {
  if (FAhead) {
    while (Next() != tkEnd) {
    }
    return;
  }
  FPos = FBuffer.size();
  char rest[4096];
  while (!FEnded && FSource(rest, sizeof rest) > 0) {
  }
  FEnded = true;
}

bool TXmlTokenizer::Has(size_t index) {
  while (index >= FBuffer.size()) {
    if (FEnded) return false;
    const size_t old = FBuffer.size();
    FBuffer.resize(old + kBlock);
    const size_t got = FSource(FBuffer.data() + old, kBlock);
    FBuffer.resize(old + got);
    if (got == 0) FEnded = true;
  }
  return true;
}

size_t TXmlTokenizer::Find(char c, size_t from) {
  while (true) {
    if (from < FBuffer.size()) {
      const void* hit = std::memchr(FBuffer.data() + from, c, FBuffer.size() - from);
      if (hit != nullptr) return static_cast<size_t>(static_cast<const char*>(hit) - FBuffer.data());
      from = FBuffer.size();
    }
    if (!Has(from)) return std::string::npos;
  }
}

size_t TXmlTokenizer::Find(std::string_view text, size_t from) {
  while (true) {
    const size_t at = FBuffer.find(text, from);
    if (at != std::string::npos) return at;
    const size_t size = FBuffer.size();
    if (!Has(size)) return std::string::npos;
    from = size >= text.size() ? size - text.size() + 1 : 0;
  }
}

TXmlTokenizer::TToken TXmlTokenizer::Next() {
  if (FAhead) {
    FName = FText = FAttributes = {};
    FSplit = nullptr;
    FSplitCount = 0;
    return FAhead->Next(*this);
  }
  // What earlier tokens used is dropped once it is large, so the buffer
  // holds a block or two however long the part is.
  if (FPos >= kBlock) {
    FBuffer.erase(0, FPos);
    FConsumed += FPos;
    FPos = 0;
  }
  FName = FText = FAttributes = {};
  FSelfClosing = false;
  while (Has(FPos)) {
    if (FBuffer[FPos] != '<') {
      const size_t lt = Find('<', FPos);
      const size_t end = lt == std::string::npos ? FBuffer.size() : lt;
      FText = std::string_view(FBuffer).substr(FPos, end - FPos);
      FPos = end;
      return tkText;
    }
    // Markup that is no element.
    if (Has(FPos + 1) && (FBuffer[FPos + 1] == '!' || FBuffer[FPos + 1] == '?')) {
      Has(FPos + 8);
      if (FBuffer.compare(FPos, 9, "<![CDATA[") == 0) {
        const size_t close = Find("]]>", FPos + 9);
        const size_t end = close == std::string::npos ? FBuffer.size() : close;
        FText = std::string_view(FBuffer).substr(FPos + 9, end - FPos - 9);
        FPos = close == std::string::npos ? FBuffer.size() : close + 3;
        return tkText;
      }
      const bool comment = FBuffer.compare(FPos, 4, "<!--") == 0;
      const size_t close = comment ? Find("-->", FPos + 4) : Find('>', FPos + 1);
      if (close == std::string::npos) break;
      FPos = close + (comment ? 3 : 1);
      continue;
    }
    // A tag: it ends at the first '>' outside quotes; the whole tag is
    // brought into the buffer before it is looked at.
    size_t close = Find('>', FPos + 1);
    if (close == std::string::npos) break;  // a tag cut off by the end
    char quote = 0;
    for (size_t q = FPos + 1;; ++q) {
      if (q == close) {
        if (quote == 0) break;
        close = Find('>', close + 1);
        if (close == std::string::npos) break;
      }
      const char c = FBuffer[q];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      }
    }
    if (close == std::string::npos) break;
    const bool endTag = FBuffer[FPos + 1] == '/';
    const size_t nameStart = FPos + (endTag ? 2 : 1);
    size_t nameEnd = nameStart;
    while (nameEnd < close && !IsBlank(FBuffer[nameEnd]) && FBuffer[nameEnd] != '/') ++nameEnd;
    const std::string_view all(FBuffer);
    FName = all.substr(nameStart, nameEnd - nameStart);
    size_t attrEnd = close;
    if (!endTag && attrEnd > nameEnd && FBuffer[attrEnd - 1] == '/') {
      FSelfClosing = true;
      --attrEnd;
    }
    FAttributes = endTag ? std::string_view() : all.substr(nameEnd, attrEnd - nameEnd);
    FPos = close + 1;
    if (FName.empty()) continue;
    return endTag ? tkEndTag : tkStartTag;
  }
  FPos = FBuffer.size();
  FName = FText = FAttributes = {};
  return tkEnd;
}

void TXmlTokenizer::Attributes(const std::string_view* names, std::string_view* values, size_t count) const {
  auto take = [names, values, count](std::string_view name, std::string_view value) {
    for (size_t k = 0; k < count; ++k)
      if (name == names[k]) values[k] = value;
  };
  if (FSplit == nullptr) {
    EachAttribute(FAttributes, take);
    return;
  }
  for (size_t i = 0; i < FSplitCount; ++i) {
    const TSplitAttribute& a = FSplit[i];
    take(std::string_view(FSplitBase + a.NameAt, a.NameSize), std::string_view(FSplitBase + a.ValueAt, a.ValueSize));
  }
}

bool TXmlTokenizer::Attribute(std::string_view name, std::string_view& value) const {
  // A value that is found points into the tag, so a missing one is told
  // apart from an empty one by its data.
  std::string_view found;
  Attributes(&name, &found, 1);
  if (found.data() == nullptr) return false;
  value = found;
  return true;
}

String XmlTextToString(std::string_view raw) {
  // Most cell texts are plain ASCII: widened as they are.
  const bool ascii = std::all_of(raw.begin(), raw.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  String text = ascii ? String(raw.begin(), raw.end()) : Utf8ToString(raw);
  if (text.find(u'&') != String::npos) DecodeXmlEntities(text);
  return text;
}
