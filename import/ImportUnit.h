// Start-up and finalisation of the import library: its message texts, then
// the registry of user functions. main and every test program call these
// after the runtime's and undo them in reverse.
#pragma once

void ImportInitialize();
void ImportFinalize();
