#include "export/ExportProgress.h"

#include <cstdio>

#include "platform/rtl/Strings.h"

TExportDisplay& ExportDisplay() {
  static TExportDisplay display;
  return display;
}

void ShowExportMessage(const String& text, TExportMessageKind kind) {
  const TExportDisplay& display = ExportDisplay();
  if (display.ShowMessage) return display.ShowMessage(text, kind);
  std::fprintf(stderr, "%s\n", StringToUtf8(text).c_str());
}
