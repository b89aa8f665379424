// The export's open and save file dialog, over the runtime's dialog hook.
#pragma once

#include "platform/rtl/FileDialog.h"

// Shows the open dialog (`open` set) or the save dialog with the given
// filter, initial folder, title and file name, and stores the chosen name in
// fileName. The default extension is accepted and not applied. False, with
// fileName as proposed, when the user cancelled or no dialog is installed.
bool ZAZOpenSaveFileDialog(void* parent, const String& defaultExt, const String& filter, const String& initialDir,
                           const String& title, String& fileName, bool open);
