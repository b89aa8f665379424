// Puts the import's windows into the display hooks: from then on a run
// shows its progress window, parameter prompt, message boxes and the busy
// cursor, and the specification dialogs are installed.
#pragma once

void InstallImportForms();
