// One fuzz input: the bytes are an XML document, read node by node to the
// end from a stream in whole blocks and again one byte a block, and from a
// string. XmlException is a correct outcome; anything else escapes and
// counts as a fault, and so does a difference between the two stream reads
// (block boundaries must not change what is read). The fuzz target, the
// corpus replay test and the reader tests share this path.
#pragma once

#include <string>
#include <string_view>

#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "table/XmlTextReader.h"

// The current node as text: "<name a=v>" ("<name/>" for an empty element),
// "</name>", "T(value)", "C(value)", "?name(value)", "!name(value)". With
// details also "@depth", the prefixes, and each attribute visited through
// MoveToAttribute and Items (a name written twice reads by its first value).
inline std::string XmlNodeText(XmlTextReader& reader, bool details) {
  auto u8 = [](StringView s) { return StringToUtf8(s); };
  std::string out = details ? "@" + std::to_string(reader.Depth()) : "";
  if (details && !reader.Prefix().empty()) out += u8(reader.Prefix()) + "|";
  switch (reader.NodeType()) {
    case ntElement: {
      out += "<" + u8(reader.Name());
      for (int i = 0; i < reader.AttributeCount(); ++i) {
        reader.MoveToAttribute(i);  // the node's name and value become the attribute's
        out += " ";
        if (details && !reader.Prefix().empty()) out += u8(reader.Prefix()) + "|";
        out += u8(reader.Name()) + "=" + u8(reader.Value());
        if (details && reader.Items(i) != reader.Items(reader.Name())) out += "(repeated)";
      }
      out += reader.IsEmptyElement() ? "/>" : ">";
      break;
    }
    case ntEndElement: out += "</" + u8(reader.Name()) + ">"; break;
    case ntText: out += "T(" + u8(reader.Value()) + ")"; break;
    case ntComment: out += "C(" + u8(reader.Value()) + ")"; break;
    case ntDeclaration: out += "?" + u8(reader.Name()) + "(" + u8(reader.Value()) + ")"; break;
    case ntDocumentType: out += "!" + u8(reader.Name()) + "(" + u8(reader.Value()) + ")"; break;
    default: out += "?node " + std::to_string(reader.NodeType()); break;
  }
  return out;
}

// Every node to the end, blank-separated; a failure ends the list with
// "ERR:" and its message.
inline std::string ReadXmlNodes(XmlTextReader& reader, bool details = false) {
  std::string out;
  auto add = [&out](const std::string& item) { out += (out.empty() ? "" : " ") + item; };
  try {
    while (reader.Read()) add(XmlNodeText(reader, details));
  } catch (const XmlException& e) {
    add("ERR:" + StringToUtf8(e.Message()));
  }
  return out;
}

inline std::string ReadXmlStream(std::string_view bytes, int blockSize, bool decodeHTMLEntities, bool details) {
  TMemoryStream stream;
  stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
  XmlTextReader reader(stream, decodeHTMLEntities, blockSize);
  return ReadXmlNodes(reader, details);
}

// Empty when the input reads the same from every source, else what differs.
inline std::string CheckXmlInput(std::string_view bytes) {
  const bool decode = !bytes.empty() && (bytes.back() & 1) != 0;
  const std::string whole = ReadXmlStream(bytes, XmlTextReader::DefaultBlockSize, decode, true);
  const std::string byByte = ReadXmlStream(bytes, 1, decode, true);
  XmlTextReader fromString(Utf8ToString(bytes), decode);
  ReadXmlNodes(fromString, true);
  if (whole == byByte) return {};
  return "whole blocks: " + whole + "\nbyte blocks: " + byByte;
}
