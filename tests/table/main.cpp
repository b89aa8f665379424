#include <gtest/gtest.h>

#include "platform/rtl/RtlUnit.h"
#include "table/MemData.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  RtlInitialize();
  MemDataInitialize();
  int result = RUN_ALL_TESTS();
  MemDataFinalize();
  RtlFinalize();
  return result;
}
