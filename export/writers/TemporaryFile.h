// Temporary files for the parts of an export that grow with the rows.
#pragma once

#include <memory>

#include "platform/rtl/Streams.h"

// A file in the temporary folder, named by the system with the prefix
// "ZAZ", created atomically and removed from the folder at once: it goes
// away when its handle closes, whatever ends the run. Raises EFCreateError
// "Unable to create temporary file" when none can be made.
std::unique_ptr<TStream> CreateTemporaryFileStream();

// A temporary file when `large`, else memory.
inline std::unique_ptr<TStream> CreatePartStream(bool large) {
  return large ? CreateTemporaryFileStream() : std::make_unique<TMemoryStream>();
}
