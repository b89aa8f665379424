// One fuzz input for the export specification loader: the bytes loaded as a
// .zaz file into a dispatcher, then saved and loaded again. A clean
// exception is a correct outcome; anything else escapes and counts as a
// fault. The fuzz target and the corpus replay test share this path.
#pragma once

#include <string_view>

#include "export/ExportMonitor.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

inline void LoadZazInput(std::string_view bytes) {
  try {
    TMemoryStream stream;
    stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
    stream.SetPosition(0);
    TRODirezaMonitor monitor;
    monitor.LoadSpecificationFromStream(stream);
    TRODirezaMonitor copy;
    copy.LoadSpecificationFromStrings(monitor.SaveSpecificationToStringList(u"fuzz"));
  } catch (const Exception&) {
  }
}
