#include <gtest/gtest.h>

#include <QApplication>

#include "import/ImportUnit.h"
#include "platform/rtl/RtlUnit.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  RtlInitialize();
  ImportInitialize();
  int result = RUN_ALL_TESTS();
  ImportFinalize();
  RtlFinalize();
  return result;
}
