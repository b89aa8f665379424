// The first sheet of a fuzz input read row by row, as the import reads it:
// a pause after the first two rows, then each row asked for in turn. The
// spreadsheet readers that can read on demand share this path.
#pragma once

#include <string_view>

#include "import/readers/SpreadSheetFile.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

template <class TReader>
void ReadRowsOnDemand(std::string_view bytes) {
  try {
    TMemoryStream stream;
    stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
    stream.SetPosition(0);
    TReader reader;
    reader.SetSheetIndex(0);
    reader.RowsOnDemand = 2;
    reader.LoadFromStream(stream);
    const TSpreadSheetCells& cells = reader.Sheets.Spreadsheet(0).Cells;
    for (Integer row = 0;; ++row) {
      reader.LoadRowsThrough(row);
      if (row >= cells.UsedRowCount || row >= cells.Count()) break;
      cells.GetCell(0, row);
    }
  } catch (const Exception&) {
  }
}
