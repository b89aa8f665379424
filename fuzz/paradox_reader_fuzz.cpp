// seeds: tests/import/corpus/paradox
// libFuzzer target: the input read as a Paradox table.
#include <cstddef>
#include <cstdint>

#include "fuzz/database_reader_input.h"
#include "import/ImportUnit.h"
#include "import/readers/Paradox.h"
#include "platform/rtl/RtlUnit.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  ImportInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadDatabaseInput<TDBParadox>(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
