// The start-up and finalization of the library's control units, in their
// order: skin defaults, grid utilities, skin, labels, bound labels, code
// lists, check combo, skin manager, display formats, clipboard copier,
// grid. Called from main once the application object exists (fonts need
// it) and undone in reverse before it goes.
#pragma once

void ControlsInitialize();
void ControlsFinalize();
