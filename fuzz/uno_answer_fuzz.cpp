// seeds: tests/win/corpus/uno_answer
// libFuzzer target: the input read as an answer of the office helper.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/uno_answer_input.h"
#include "platform/rtl/RtlUnit.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto fault = CheckUnoAnswerInput(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!fault.empty()) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(fault.size()), fault.data());
    std::abort();
  }
  return 0;
}
