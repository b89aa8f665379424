// One fuzz input for the Lotus 1-2-3 and Quattro Pro readers: the bytes
// read into the sheet model, with empty cells reported. A clean exception
// is a correct outcome; anything else escapes and counts as a fault. The
// fuzz targets and the corpus replay test share this path.
#pragma once

#include <string_view>

#include "import/readers/Lotus123.h"
#include "import/readers/QuattroPro.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

// Loads the bytes with the reader into its sheet model, then hands the
// reader to `after`.
template <typename TReader, typename TAfter>
void ReadWorksheetInput(std::string_view bytes, TAfter after) {
  TReader reader;
  try {
    TMemoryStream stream;
    stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
    stream.SetPosition(0);
    reader.SetLoadNULLs(true);
    // The Lotus reader leaves the events to its caller; both install the
    // sheet model's handlers here.
    reader.ApplyEvents();
    reader.LoadFromStream(stream);
  } catch (const Exception&) {
  }
  after(reader);
}

inline void ReadLotusInput(std::string_view bytes) {
  // The display masks of every format entry the file held.
  ReadWorksheetInput<TLotus123>(bytes, [](const TLotus123& reader) {
    for (Integer i = 0; reader.GetWK4Format(i) != nullptr; ++i) reader.GetFormatString(i);
  });
}

inline void ReadQuattroInput(std::string_view bytes) {
  ReadWorksheetInput<TQuattroPro>(bytes, [](const TQuattroPro&) {});
}
