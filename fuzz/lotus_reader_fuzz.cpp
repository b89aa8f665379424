// seeds: tests/import/corpus/lotus
// libFuzzer target: the input read as a Lotus 1-2-3 worksheet.
#include <cstddef>
#include <cstdint>

#include "fuzz/worksheet_reader_input.h"
#include "import/ImportUnit.h"
#include "platform/rtl/RtlUnit.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  ImportInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadLotusInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
