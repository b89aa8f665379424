// seeds: tests/table/corpus/xmlrowset
// libFuzzer target: the input loaded as an XML rowset into a virtual table.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/xml_rowset_input.h"
#include "platform/rtl/RtlUnit.h"
#include "table/MemData.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  MemDataInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string fault = CheckXmlRowsetInput(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
