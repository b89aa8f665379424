// seeds: tests/import/corpus/text
// libFuzzer target: the input imported as a text file in every option mode
// of the text reader.
#include <cstddef>
#include <cstdint>

#include "import/ImportUnit.h"
#include "platform/rtl/RtlUnit.h"
#include "table/MemData.h"
#include "tests/import/text_fuzz_input.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  MemDataInitialize();
  ImportInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  text_fuzz::ImportTextInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
