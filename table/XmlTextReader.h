// A forward-only pull reader of XML text: elements, end elements, comments,
// declarations, document types and text, one node per Read, without a tree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Types.h"
#include "table/XmlText.h"

class TStream;

enum XmlNodeType : Byte {
  ntNone = 0, ntElement = 1, ntAttribute = 2, ntEndElement = 3, ntComment = 4, ntDeclaration = 5,
  ntDocumentType = 6, ntText = 7
};

enum class XmlReadState : Byte { Initial = 0, Interactive = 1, Error = 2, EndOfFile = 3, Closed = 4 };

class XmlTextReader {
 public:
  // Elements may nest this deep; a deeper document is refused.
  static constexpr int MaxDepth = 1024;
  static constexpr int DefaultBlockSize = 8192;

  // Reads the stream from its start, blockSize bytes at a time, keeping only
  // the bytes from the current node on. The stream is not owned.
  XmlTextReader(TStream& stream, bool decodeHTMLEntities, int blockSize = DefaultBlockSize);
  // Reads the string's UTF-8 form.
  XmlTextReader(StringView str, bool decodeHTMLEntities);
  XmlTextReader(const XmlTextReader&) = delete;
  XmlTextReader& operator=(const XmlTextReader&) = delete;

  // Moves to the next node; false at the end of the document. A malformed or
  // truncated document raises XmlException and leaves the reader in the
  // state Error, where every further Read raises the same failure.
  bool Read();

  // The current node. An element's Name is its full name ("s:Schema") and
  // its Prefix the part before the colon; a declaration's Value is the text
  // after its name, a document type's Value its internal subset.
  XmlNodeType NodeType() const { return FNodeType; }
  const String& Name() const { return FAttribute != nullptr ? FAttribute->Name : FName; }
  const String& Prefix() const { return FAttribute != nullptr ? FAttribute->Prefix : FPrefix; }
  const String& Value() const { return FAttribute != nullptr ? FAttribute->Value : FValue; }
  // Nesting level: 0 for the root element, 1 for its children and its text.
  int Depth() const { return FDepth; }
  // An element written as "<name ... />".
  bool IsEmptyElement() const { return FIsEmptyElement; }
  XmlReadState ReadState() const { return FState; }
  bool Eof() const { return FBufStart + static_cast<Int64>(FPos) >= FFullSize; }

  // The current element's attributes, in the order written. Names are full
  // names ("rs:name") and are looked up without regard to case.
  int AttributeCount() const { return static_cast<int>(FAttributes.size()); }
  bool HasAttributes() const { return !FAttributes.empty(); }
  // The value of the attribute at index, or of the attribute with that name;
  // EListError "List index out of bounds (%d)" when there is none.
  const String& Items(int index) const;
  const String& Items(StringView attrName) const;
  // Name, Value and Prefix become those of the attribute: XmlException
  // "Attribute not found (%d)" for an index outside the list; false for a
  // name that is not there.
  void MoveToAttribute(int index);
  bool MoveToAttribute(StringView attrName);

 private:
  struct Attribute {
    String Name;
    String Prefix;
    String Value;
  };

  bool ReadNode();
  void ReadElement();
  void ReadEndElement();
  void ReadComment();
  void ReadDeclaration();
  void ReadDocumentType();
  void ReadCData();
  void ReadText(size_t end);
  void ReadAttributes(std::string_view tagRest, size_t tagStart);
  bool ReadPlainAttributes(std::string_view tagRest);
  void ReadAnyAttributes(StringView tagRest, size_t tagStart);
  void SetNode(XmlNodeType type, size_t depth);
  void SetName(String name);
  void CheckEncoding();

  // Input: FBuf holds the bytes from offset FBufStart on; FPos is the read
  // position in it. Searches load further blocks as they need them and
  // return npos when the input ends first.
  bool LoadBlock();
  void ReleaseConsumed();
  bool Has(size_t pos);
  bool StartsWith(size_t pos, std::string_view marker);
  size_t Find(std::string_view token, size_t from);
  size_t FindAnyOf(std::string_view chars, size_t from);
  size_t FindTagEnd(size_t from);
  String Text(size_t from, size_t to) const;
  Int64 OffsetOf(size_t pos) const { return FBufStart + static_cast<Int64>(pos); }
  [[noreturn]] void Fail(const String& message, size_t pos);

  TStream* FStream = nullptr;
  size_t FBlockSize = 0;
  bool FStreamEnd = true;
  std::string FBuf;
  Int64 FBufStart = 0;
  size_t FPos = 0;
  Int64 FFullSize = 0;

  XmlNodeType FNodeType = ntNone;
  String FName;
  String FPrefix;
  String FValue;
  int FDepth = 0;
  bool FIsEmptyElement = false;
  std::vector<Attribute> FAttributes;
  // The attribute MoveToAttribute chose, whose texts Name, Prefix and Value
  // then give without a copy; null for the node itself.
  const Attribute* FAttribute = nullptr;
  std::vector<String> FOpenElements;
  XmlReadState FState = XmlReadState::Initial;
  String FError;
  Int64 FErrorOffset = -1;
  bool FDecodeHTMLEntities;
};
