#include "export/FileDialog.h"

namespace {

TFileDialogHandler& Handler() {
  static TFileDialogHandler handler;
  return handler;
}

}  // namespace

void SetFileDialogHandler(TFileDialogHandler handler) { Handler() = std::move(handler); }

bool FileDialogAvailable() { return static_cast<bool>(Handler()); }

bool ZAZOpenSaveFileDialog(void* parent, const String& /*defaultExt*/, const String& filter,
                           const String& initialDir, const String& title, String& fileName, bool open) {
  if (!FileDialogAvailable()) return false;
  TFileDialogRequest request{parent, open, filter, initialDir, title, fileName};
  if (!request.FileName.empty() && request.FileName.back() == u'/') request.FileName += u"default";
  if (!Handler()(request)) return false;
  fileName = request.FileName;
  return true;
}
