// Puts the export's windows into the display hooks: from then on a run
// shows its progress window, message boxes and the busy cursor.
#pragma once

void InstallExportForms();
