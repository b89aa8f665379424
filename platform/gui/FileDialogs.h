// The Qt file dialogs behind the runtime's dialog hook.
#pragma once

// Installs the Qt open and save dialogs as the runtime's file dialog.
void InstallQtFileDialogs();
