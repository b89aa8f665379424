// One fuzz input for the dBase reader: the bytes read as a table, once
// loaded whole into the sheet with every record status, once record by
// record as the import reads it. A clean exception is a correct outcome;
// anything else escapes and counts as a fault. The fuzz target and the
// corpus replay test share this path.
#pragma once

#include <string_view>

#include "import/readers/DBF.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

inline void ReadDbfInput(std::string_view bytes) {
  for (bool incremental : {false, true}) {
    try {
      TMemoryStream stream;
      stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
      stream.SetPosition(0);
      TDBF table;
      table.IsIncrementalLoad = incremental;
      table.SetLoadRowStatutes(RowStatusBit(rsNormal) | RowStatusBit(rsDeleted));
      table.LoadFromStream(stream);
      if (incremental)
        for (Integer r = 0; r < table.RecordCount() && r < 4096; ++r) table.LoadRecord(r);
    } catch (const Exception&) {
    }
  }
}
