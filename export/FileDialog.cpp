#include "export/FileDialog.h"

bool ZAZOpenSaveFileDialog(void* parent, const String& /*defaultExt*/, const String& filter,
                           const String& initialDir, const String& title, String& fileName, bool open) {
  TFileDialogRequest request{parent, open, filter, initialDir, title, fileName};
  if (!ShowFileDialog(request)) return false;
  fileName = request.FileName;
  return true;
}
