// One fuzz input for a database table reader (dBase, Paradox, Advantage,
// DBISAM, Clarion): the bytes read as a table, once loaded whole into the sheet with
// every record status, once record by record as the import reads it. A
// clean exception is a correct outcome; anything else escapes and counts as
// a fault. The fuzz targets and the corpus replay tests share this path.
#pragma once

#include <algorithm>
#include <string_view>

#include "import/readers/DatabaseFile.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

template <class TReader>
void ReadDatabaseInput(std::string_view bytes) {
  for (bool incremental : {false, true}) {
    try {
      TMemoryStream stream;
      stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
      stream.SetPosition(0);
      TReader table;
      table.IsIncrementalLoad = incremental;
      table.SetLoadRowStatutes(RowStatusBit(rsNormal) | RowStatusBit(rsDeleted) | RowStatusBit(rsError));
      if (incremental)
        table.OnCellValue = [](TComponent*, Integer, Integer, Integer, Integer, const Variant&, TAlignment,
                               TSMICellType) {};
      table.LoadFromStream(stream);
      if (incremental)
        for (Integer r = 0; r < std::min(table.RecordCount(), 4096); ++r) table.LoadRecord(r);
    } catch (const Exception&) {
    }
  }
}
