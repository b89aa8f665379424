#include <gtest/gtest.h>

#include "import/ImportUnit.h"
#include "platform/rtl/RtlUnit.h"
#include "table/MemData.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  RtlInitialize();
  MemDataInitialize();
  ImportInitialize();
  int result = RUN_ALL_TESTS();
  ImportFinalize();
  MemDataFinalize();
  RtlFinalize();
  return result;
}
