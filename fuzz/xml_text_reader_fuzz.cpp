// seeds: tests/table/corpus/xml
// libFuzzer target: the input read as an XML document node by node.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/xml_text_reader_input.h"
#include "platform/rtl/RtlUnit.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string difference = CheckXmlInput(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!difference.empty()) {
    std::fprintf(stderr, "%s\n", difference.c_str());
    std::abort();
  }
  return 0;
}
