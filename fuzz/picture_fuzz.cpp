// seeds: tests/rtl/corpus/picture
// libFuzzer target: the input read as the picture of a graphic field.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/picture_input.h"
#include "platform/rtl/RtlUnit.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string fault = CheckPictureInput(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
