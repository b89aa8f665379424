// seeds: tests/table/corpus/vtd
// libFuzzer target: the input loaded as a VTD file into a virtual table.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/vtd_reader_input.h"
#include "platform/rtl/RtlUnit.h"
#include "table/MemData.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  MemDataInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string fault = CheckVtdInput(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
