// One fuzz input: the bytes are a VTD file loaded into a virtual table. A
// clear error (Exception) is a correct outcome; anything else escapes and
// counts as a fault. A file that loads is saved, loaded and saved again: the
// two saves must be the same bytes (a loaded table writes what it holds).
// The fuzz target and the corpus replay test share this path.
#pragma once

#include <string>
#include <string_view>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "table/VirtualTable.h"

// "" when the input is handled soundly, else what went wrong.
inline std::string CheckVtdInput(std::string_view data) {
  TMemoryStream input;
  input.WriteBuffer(data.data(), static_cast<Int64>(data.size()));
  TVirtualTable table;
  try {
    table.LoadFromStream(input, true, true);
  } catch (const Exception&) {
    return "";
  }
  TMemoryStream first, second;
  try {
    table.SaveToStream(first, true, true);
  } catch (const Exception&) {
    return "";  // values a file may hold but the writer refuses (variant codes)
  }
  TVirtualTable again;
  again.LoadFromStream(first, true, true);
  again.SaveToStream(second, true, true);
  return first.Bytes() == second.Bytes() ? "" : "a loaded table saves differently the second time";
}
