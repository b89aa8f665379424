// One fuzz input: the bytes are an XML rowset document loaded into a
// virtual table. A clear error (Exception) is a correct outcome; anything
// else escapes and counts as a fault. A document that loads is written as
// XML and read and written twice more: the last two documents must be the
// same bytes (a loaded table writes what it holds). The fuzz target and the corpus replay
// test share this path.
#pragma once

#include <string>
#include <string_view>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "table/VirtualTable.h"

inline std::string SavedAsXml(TVirtualTable& table) {
  TMemoryStream out;
  table.SaveToXML(out);
  return std::string(out.Bytes().begin(), out.Bytes().end());
}

// The document written by a table that loaded text.
inline std::string Reloaded(const std::string& text) {
  TMemoryStream input;
  input.WriteBuffer(text.data(), static_cast<Int64>(text.size()));
  TVirtualTable table;
  table.LoadFromStream(input, true, true);
  return SavedAsXml(table);
}

// "" when the input is handled soundly, else what went wrong.
inline std::string CheckXmlRowsetInput(std::string_view data) {
  TMemoryStream input;
  input.WriteBuffer(data.data(), static_cast<Int64>(data.size()));
  TVirtualTable table;
  try {
    table.LoadFromStream(input, true, true);
  } catch (const Exception&) {
    return "";
  }
  try {
    TMemoryStream vtd;  // the editor saves what it opened as VTD
    table.SaveToStream(vtd, true, true);
  } catch (const Exception&) {
  }
  std::string first;
  try {
    first = SavedAsXml(table);
  } catch (const Exception&) {
    return "";  // values a document may hold but the writer refuses
  }
  // Some types are written as a wider one ("extended" as "float"), so the
  // first round may change the schema; after it the document must settle.
  const std::string second = Reloaded(first);
  return Reloaded(second) == second ? "" : "a loaded table saves differently the second time";
}
