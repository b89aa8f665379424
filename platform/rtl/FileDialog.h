// The open and save file dialogs of the export and the import. The dialogs
// belong to the GUI, which installs a handler at start; without one (a run
// from a program without a display) every request answers that no file was
// chosen.
#pragma once

#include <functional>

#include "platform/rtl/Types.h"

// What the dialog shows and, after it was confirmed, the chosen file.
struct TFileDialogRequest {
  void* Parent = nullptr;  // the window that owns the dialog; may be none
  bool Open = false;       // an open dialog (true) or a save dialog (false)
  String Filter;           // pairs of description and patterns: "Text|*.txt|All files|*"
  String InitialDir;
  String Title;
  String FileName;         // the proposed name in, the chosen one out
};

// Shows the dialog; true with request.FileName set when a file was chosen,
// false when the user cancelled.
using TFileDialogHandler = std::function<bool(TFileDialogRequest& request)>;

// Installs the GUI's dialog; an empty handler removes it.
void SetFileDialogHandler(TFileDialogHandler handler);
// Whether a dialog is installed.
bool FileDialogAvailable();

// Shows the dialog the request describes. A proposed name that ends in the
// path delimiter names a folder, so "default" is appended to it first. True
// with request.FileName set when a file was chosen; false when the user
// cancelled or no dialog is installed.
bool ShowFileDialog(TFileDialogRequest& request);
