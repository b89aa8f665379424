// seeds: tests/import/corpus/biff
// libFuzzer target: the input read as an XLS workbook (compound file or plain BIFF records).
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
  ReadBiffInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
