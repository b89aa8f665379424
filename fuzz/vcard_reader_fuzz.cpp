// seeds: tests/import/corpus/vcard
// libFuzzer target: the input read as a vCard file by the address-book
// library stand-in, and every property of every entry turned into text.
#include <cstddef>
#include <cstdint>

#include "import/ImportUnit.h"
#include "import/readers/WAB.h"
#include "platform/rtl/RtlUnit.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RtlInitialize();
  ImportInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    for (const TAddressBookEntry& entry : TAddressBook::ParseVCards({data, size}))
      for (const SPropValue& prop : entry.Props) (void)SPropValueToStr(prop);
  } catch (const Exception&) {
  }
  return 0;
}
