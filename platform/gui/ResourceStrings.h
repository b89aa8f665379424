// The texts of the grid and its editors in one table, so that they can be
// replaced at run time: the controls put their local language in at start,
// and every later look-up returns the new text.
#pragma once

#include "platform/rtl/Types.h"

enum TcxResourceString {
  // Date editor.
  cxSDatePopupClear,
  cxSDatePopupNow,
  cxSDatePopupOK,
  cxSDatePopupToday,
  cxSDateError,
  // Grid.
  scxGridNewItemRowInfoText,
  scxGridNoDataInfoText,
  scxGridGroupByBoxCaption,
  scxGridDeletingFocusedConfirmationText,
  scxGridDeletingSelectedConfirmationText,
  // The grid's popup menu.
  cxSGridSortColumnAsc,
  cxSGridSortColumnDesc,
  cxSGridClearSorting,
  cxSGridGroupByThisField,
  cxSGridRemoveThisGroupItem,
  cxSGridGroupByBox,
  cxSGridAlignmentSubMenu,
  cxSGridAlignLeft,
  cxSGridAlignRight,
  cxSGridAlignCenter,
  cxSGridRemoveColumn,
  cxSGridFieldChooser,
  cxSGridBestFit,
  cxSGridBestFitAllColumns,
  cxSGridShowFooter,
  cxSGridShowGroupFooter,
  // The caption of confirmation boxes.
  SMsgDlgConfirm,
  // The navigator's hints.
  cxSNavigatorFirst,
  cxSNavigatorPrior,
  cxSNavigatorNext,
  cxSNavigatorLast,
  cxSNavigatorInsert,
  cxSNavigatorDelete,
  cxSNavigatorEdit,
  cxSNavigatorPost,
  cxSNavigatorCancel,
  cxSNavigatorRefresh,
  // The filter dialog.
  cxSFilterDialogCaption,
  cxSFilterDialogPrompt,
  cxResourceStringCount
};

// The text as it stands now.
const String& ResourceString(TcxResourceString id);
// Replaces the text for every later look-up.
void SetResourceString(TcxResourceString id, const String& text);
// Puts every text back to the built-in English one.
void ResetResourceStrings();
