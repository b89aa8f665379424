// The grid's own texts in one table, so that they can be replaced at run
// time (the controls put their local language in at start).
#pragma once

#include "platform/rtl/Types.h"

enum TcxGridText {
  gtNoDataToDisplay,
  gtDeleteRecord,
  gtDeleteSelectedRecords,
  gtConfirm,
  gtNavigatorFirst,
  gtNavigatorPrior,
  gtNavigatorNext,
  gtNavigatorLast,
  gtNavigatorInsert,
  gtNavigatorDelete,
  gtNavigatorEdit,
  gtNavigatorPost,
  gtNavigatorCancel,
  gtNavigatorRefresh,
  gtGridTextCount
};

const String& GridText(TcxGridText id);
void SetGridText(TcxGridText id, const String& text);
// Puts every text back to the built-in one.
void ResetGridTexts();
