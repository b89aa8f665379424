// seeds: tests/import/corpus/compound
// libFuzzer target: the input read as a compound file, every storage and stream.
#include <cstddef>
#include <cstdint>

#include "fuzz/excel_reader_input.h"
#include "import/ImportUnit.h"
#include "platform/rtl/RtlUnit.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  ImportInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadCompoundInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
