// Puts the export's windows into the display hooks: from then on a run
// shows its progress window, message boxes and the busy cursor, the export
// wizard shows its form and a saved specification asks for its name.
#pragma once

void InstallExportForms();
