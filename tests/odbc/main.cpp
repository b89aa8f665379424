#include <gtest/gtest.h>

#include "platform/rtl/RtlUnit.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  RtlInitialize();
  int result = RUN_ALL_TESTS();
  RtlFinalize();
  return result;
}
