// One fuzz input for the dBase reader, read as every database table reader
// reads its fuzz inputs, then as the import reads a dBase table: a record
// chosen, its fields read one by one. The fuzz target and the corpus replay
// test share this path.
#pragma once

#include <algorithm>
#include <string_view>

#include "fuzz/database_reader_input.h"
#include "import/readers/DBF.h"

inline void ReadDbfInput(std::string_view bytes) {
  ReadDatabaseInput<TDBF>(bytes);
  try {
    TMemoryStream stream;
    stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
    stream.SetPosition(0);
    TDBF table;
    table.IsIncrementalLoad = true;
    table.SetLoadRowStatutes(RowStatusBit(rsNormal) | RowStatusBit(rsDeleted) | RowStatusBit(rsError));
    table.LoadFromStream(stream);
    Variant value;
    const Integer fields = static_cast<Integer>(table.Fields().size());
    for (Integer r = 0; r < std::min(table.RecordCount(), 4096); ++r) {
      if (!table.SelectRecord(r)) continue;
      for (Integer c = -1; c <= fields; ++c) table.FieldValue(c, value);
    }
  } catch (const Exception&) {
  }
}
