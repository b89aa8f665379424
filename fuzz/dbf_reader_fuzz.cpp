// seeds: tests/import/corpus/dbf
// libFuzzer target: the input read as a dBase or FoxPro table.
#include <cstddef>
#include <cstdint>

#include "fuzz/dbf_reader_input.h"
#include "import/ImportUnit.h"
#include "platform/rtl/RtlUnit.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  ImportInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadDbfInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
