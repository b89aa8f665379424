// seeds: tests/import/corpus/vod
// libFuzzer target: the input read as an import specification file, for
// the specification list's caption and into the wizard.
#include <cstddef>
#include <cstdint>

#include "import/ImportUnit.h"
#include "platform/rtl/RtlUnit.h"
#include "tests/import/vod_fuzz_input.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  ImportInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LoadVodInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
