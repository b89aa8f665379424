#include <gtest/gtest.h>

#include "import/ImportUnit.h"
#include "platform/rtl/RtlUnit.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  RtlInitialize();
  ImportInitialize();
  int result = RUN_ALL_TESTS();
  ImportFinalize();
  RtlFinalize();
  return result;
}
