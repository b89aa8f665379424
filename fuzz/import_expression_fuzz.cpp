// seeds: tests/import/corpus/expression
// libFuzzer target: import expressions (with user functions defined by the
// lines before the last) built and evaluated with and without an evaluation
// event.
#include <cstddef>
#include <cstdint>

#include "import/ImportUnit.h"
#include "platform/rtl/RtlUnit.h"
#include "tests/import/expression_fuzz_input.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  ImportInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EvaluateExpressionInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
