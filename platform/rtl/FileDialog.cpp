#include "platform/rtl/FileDialog.h"

namespace {

TFileDialogHandler& Handler() {
  static TFileDialogHandler handler;
  return handler;
}

}  // namespace

void SetFileDialogHandler(TFileDialogHandler handler) { Handler() = std::move(handler); }

bool FileDialogAvailable() { return static_cast<bool>(Handler()); }

bool ShowFileDialog(TFileDialogRequest& request) {
  if (!FileDialogAvailable()) return false;
  if (!request.FileName.empty() && request.FileName.back() == u'/') request.FileName += u"default";
  return Handler()(request);
}
