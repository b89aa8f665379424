#include "controls/ksControlsUnit.h"

#include "controls/ksGrid.h"
#include "controls/ksGridPopup.h"
#include "controls/ksSkin.h"

void ControlsInitialize() {
  SkinDefaultsInitialize();
  GridUtilsInitialize();
  SkinUnitInitialize();
  // The label and bound-label units each set the process's fonts from a
  // fresh record of their own; the second gives the same fonts again.
  TksSkinDefaults labelDefaults;
  ConfigureDefFontData(labelDefaults);
  TksSkinDefaults boundLabelDefaults;
  ConfigureDefFontData(boundLabelDefaults);
  // The code-list, check combo and skin manager units are not part of this
  // program. The display formats and the copier are made on first use.
  RegisterGridViews();
}

void ControlsFinalize() {
  UnregisterGridViews();
  CopyGridToClipboardFinalize();
  SkinUnitFinalize();
  GridUtilsFinalize();
  SkinDefaultsFinalize();
}
