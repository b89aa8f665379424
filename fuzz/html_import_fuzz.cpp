// seeds: tests/import/corpus/html
// libFuzzer target: the input read as an HTML page's tables.
#include <cstddef>
#include <cstdint>

#include "fuzz/markup_reader_input.h"
#include "import/ImportUnit.h"
#include "platform/rtl/RtlUnit.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  ImportInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  markup_fuzz::ReadHtmlInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
