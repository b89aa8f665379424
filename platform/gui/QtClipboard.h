// The display's clipboard behind the runtime's clipboard interface.
#pragma once

// Makes every later Clipboard() call use the display's clipboard.
void InstallQtClipboard();
