// seeds: tests/export/corpus/zaz
// libFuzzer target: the input read as an export specification file.
#include <cstddef>
#include <cstdint>

#include "fuzz/zaz_spec_input.h"
#include "platform/rtl/RtlUnit.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LoadZazInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
