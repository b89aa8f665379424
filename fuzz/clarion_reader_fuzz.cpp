// seeds: tests/import/corpus/clarion
// libFuzzer target: the input read as a Clarion table.
#include <cstddef>
#include <cstdint>

#include "fuzz/database_reader_input.h"
#include "import/ImportUnit.h"
#include "import/readers/Clarion.h"
#include "platform/rtl/RtlUnit.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  ImportInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadDatabaseInput<TClarion>(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
