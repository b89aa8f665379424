#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <cstring>

#include "import/ImportUnit.h"
#include "import/forms/ImportForms.h"
#include "import/forms/VODWizard.h"
#include "platform/rtl/RtlUnit.h"
#include "table/MemData.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests needs no application (and leaves nothing behind).
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  RtlInitialize();
  MemDataInitialize();
  ImportInitialize();
  int result = 0;
  {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Folvane"));
    InstallImportForms();
    InstallImportWizardForm();
    result = RUN_ALL_TESTS();
  }
  ImportFinalize();
  MemDataFinalize();
  RtlFinalize();
  return result;
}
