// One fuzz input for the spreadsheet readers' parsers: the bytes read as a
// compound file (every stream of every storage), as an XLS workbook, as a
// ZIP archive (every entry inflated) and as an XLSX/XLSB package. A clean
// exception is a correct outcome; anything else escapes and counts as a
// fault. The fuzz targets and the corpus replay test share these paths.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "fuzz/rows_on_demand_input.h"
#include "import/readers/MSExcel.h"
#include "import/readers/MSExcelX.h"
#include "import/readers/ZipArchive.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/win/CompoundFile.h"

inline void ReadCompoundInput(std::string_view bytes) {
  try {
    TCompoundFile file;
    file.LoadFromBytes(std::vector<Byte>(bytes.begin(), bytes.end()));
    // Every storage's elements and every stream, depth first, each storage
    // once.
    std::vector<Integer> pending = {TCompoundFile::Root};
    std::vector<bool> seen(static_cast<size_t>(file.Count()), false);
    while (!pending.empty()) {
      const Integer storage = pending.back();
      pending.pop_back();
      if (seen[static_cast<size_t>(storage)]) continue;
      seen[static_cast<size_t>(storage)] = true;
      for (Integer child : file.Children(storage)) {
        if (file.Entry(child).Type == cetStream) {
          try {
            file.ReadStream(child);
          } catch (const Exception&) {
          }
          // The same stream read piece by piece through its chain.
          std::unique_ptr<TStream> stream = file.OpenStream(child);
          Byte piece[700];
          while (stream->Read(piece, sizeof piece) > 0) {
          }
        } else {
          pending.push_back(child);
        }
      }
    }
  } catch (const Exception&) {
  }
}

template <class TReader>
void ReadWorkbookInput(std::string_view bytes) {
  try {
    TMemoryStream stream;
    stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
    stream.SetPosition(0);
    TReader reader;
    reader.SetLoadNULLs(true);
    reader.LoadFromStream(stream);
  } catch (const Exception&) {
  }
  ReadRowsOnDemand<TReader>(bytes);
}

inline void ReadBiffInput(std::string_view bytes) { ReadWorkbookInput<TMSExcel>(bytes); }

inline void ReadZipInput(std::string_view bytes) {
  try {
    smi::TZipArchive zip;
    zip.LoadFromBytes(bytes.data(), bytes.size());
    for (Integer i = 0; i < zip.GetCount(); ++i) {
      try {
        zip.GetUncompressed(i);
      } catch (const Exception&) {
      }
    }
  } catch (const Exception&) {
  }
  ReadWorkbookInput<TMSExcelX>(bytes);
}
