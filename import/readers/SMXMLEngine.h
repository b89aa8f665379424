// The import's lenient XML parser: a document becomes a tree of items, or,
// through OnTag and OnAfterTag, a stream of tags that a reader inspects,
// refuses (the element is skipped whole, nothing is built for it) and frees
// as they close, so a large sheet never lives in memory whole. It never
// raises for broken markup: that only yields odd items. The bytes may come
// piece by piece from a pull source (an archive entry being inflated).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

enum TSMXMLItemKind : Byte { ikProperty, ikAttribute, ikComment, ikCDATA };

class TSMXMLItem {
 public:
  explicit TSMXMLItem(TSMXMLItem* parent = nullptr);
  TSMXMLItem(const TSMXMLItem&) = delete;
  TSMXMLItem& operator=(const TSMXMLItem&) = delete;

  TSMXMLItemKind Kind = ikProperty;
  String TagName;
  Variant Value;
  // The raw attribute text until ProcessAttributes turns it into items.
  String Attributes;
  Integer Level = 0;
  std::vector<std::unique_ptr<TSMXMLItem>> Items;
  TSMXMLItem* ParentItem() const { return FParent; }

  // A new last child.
  TSMXMLItem* AddItem();
  // Frees this item (and its children) and removes it from its parent; the
  // root only loses its children.
  void Free();
  // The first item of exactly that name, this one first, depth first.
  TSMXMLItem* GetChild(StringView tag, bool expandAllLevels = true);
  // The value as text; a quoted value loses its quotes and trailing blanks.
  String GetTagXMLValue() const;
  // GetTagXMLValue with character entities decoded.
  String GetTagValue() const;
  // Turns Attributes into child items of kind ikAttribute.
  void ProcessAttributes();

 private:
  TSMXMLItem* FParent;
};

// The value of the attribute `name` in a tag's raw attribute text (single or
// double quotes, blanks around "=" allowed), entities not decoded; false
// when the attribute is not there.
bool FindAttribute(StringView attributes, StringView name, String& value);

using TSMIXMLOnTagEvent = std::function<void(TComponent* sender, TSMXMLItem* parentNode, const String& tagName,
                                             const String& tagValue, const String& tagAttributes, bool& accept)>;
using TSMIXMLOnAfterTagEvent = std::function<void(TComponent* sender, TSMXMLItem*& node, bool& cancel)>;
// Fills up to count bytes; 0 at the end.
using TXMLSource = std::function<size_t(char* buffer, size_t count)>;

class TSMXMLEngine : public TComponent {
 public:
  explicit TSMXMLEngine(TComponent* owner = nullptr);
  ~TSMXMLEngine() override;
  const char* ClassName() const override { return "TSMXMLEngine"; }

  bool AttributesAutoProcess = false;
  // Reads tag texts as UTF-8 whatever the document declares (the parts of
  // an Office package are UTF-8).
  bool ForceUtf8 = false;
  TSMIXMLOnTagEvent OnTag;
  TSMIXMLOnAfterTagEvent OnAfterTag;
  TSMXMLItem* RootItem() const { return FRoot.get(); }
  bool UTF8Processed() const { return FUtf8; }

  void LoadFromFile(const String& fileName);
  // Reads size bytes from the stream's position (the rest when size is 0).
  void LoadFromStream(Int64 size, TStream& stream);
  void LoadFromBytes(std::string_view bytes);
  // Parses what the source yields, pulling more as the parse needs it.
  // A parse that a handler paused keeps the source: it must live until the
  // parse ends or the engine is freed.
  void LoadFromSource(const TXMLSource& source);
  // Asked from a handler: the parse stops after the current tag (and the
  // closing tags right behind it), so a reader can hand out what it has
  // read and go on later.
  void Pause();
  bool Paused() const { return FPaused; }
  // Goes on with a paused parse, until it ends or pauses again.
  void Resume();
  // The first item (root or below, depth first) named tag without case.
  TSMXMLItem* GetItemByTag(TSMXMLItem* root, StringView tag) const;

 private:
  void Parse();
  // The parse loop from the saved position.
  void Continue();
  // Whether the byte at index exists, pulling more from the source.
  bool Has(size_t index) { return index < FBuffer.size() || Pull(index); }
  bool Pull(size_t index);
  // The first index from `from` that holds c (or the end).
  size_t Find(char c, size_t from);
  // The first index from `from` where the text begins (or the end).
  size_t Find(std::string_view text, size_t from);
  void Decode(size_t from, size_t to, String& out) const;
  // Skips a refused element whose text ends at `from` ('<' of what
  // follows); returns the index after the '<' that follows its end.
  size_t SkipElement(size_t from);

  std::unique_ptr<TSMXMLItem> FRoot;
  std::string FBuffer;
  TXMLSource FSource;
  bool FEnded = false;
  bool FUtf8 = false;
  bool FDeclaredUtf8 = false;
  int FCodePage = 0;  // 0: the ANSI code page
  String FName, FText, FAttributes;
  // Where a paused parse goes on.
  size_t FPos = 0;
  TSMXMLItem* FCurrent = nullptr;
  bool FFirst = true;
  bool FPauseAsked = false;
  bool FPaused = false;
};

// Decodes XML's character references in one left-to-right pass: the five
// named entities and "&#N;" / "&#xH;" (a reference that is none stays as
// written).
void DecodeXmlEntities(String& text);

// The document's bytes as UTF-8 or 8-bit text: UTF-16 with a mark is turned
// into UTF-8 and a UTF-8 mark dropped; `utf8` tells whether that happened.
std::string NormalizeXmlBytes(std::string bytes, bool& utf8);
