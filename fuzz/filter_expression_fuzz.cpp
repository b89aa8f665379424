// seeds: tests/table/corpus/filter
// libFuzzer target: filter texts parsed and evaluated on a small record set.
#include <cstddef>
#include <cstdint>

#include "fuzz/filter_expression_input.h"
#include "platform/rtl/RtlUnit.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  MemDataInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EvaluateFilterInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
