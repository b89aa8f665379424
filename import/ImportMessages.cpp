#include "import/ImportMessages.h"

// Empty until unit start assigns the texts, so nothing but an empty string
// is made before main.
#define SMI_DEFINE_MESSAGE(name, text) String name;
SMI_MESSAGES(SMI_DEFINE_MESSAGE)
#undef SMI_DEFINE_MESSAGE

int ImportMessageCount() {
#define SMI_COUNT_MESSAGE(name, text) +1
  return 0 SMI_MESSAGES(SMI_COUNT_MESSAGE);
#undef SMI_COUNT_MESSAGE
}

void InitImportMessages() {
#define SMI_INIT_MESSAGE(name, text) name = text;
  SMI_MESSAGES(SMI_INIT_MESSAGE)
#undef SMI_INIT_MESSAGE
}

void ClearImportMessages() {
#define SMI_CLEAR_MESSAGE(name, text) name.clear();
  SMI_MESSAGES(SMI_CLEAR_MESSAGE)
#undef SMI_CLEAR_MESSAGE
}
