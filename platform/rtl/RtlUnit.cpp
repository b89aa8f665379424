#include "platform/rtl/RtlUnit.h"

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"

void RtlInitialize() {
  // Read the code pages from the environment now rather than on first use.
  SetAnsiCodePage(0);
  SetOemCodePage(0);
  AnsiCodePage();
  OemCodePage();
  InitFormatSettings();
}

void RtlFinalize() {}
