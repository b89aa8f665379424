// What an Outlook import reads: the item type, the folder (empty: the
// default folder of that type) and whether sub-folders are read too.
#pragma once

#include "platform/rtl/Types.h"

enum TSMIOutlookItemType : Byte { oitMail, oitAppointment, oitContact, oitTask, oitJournal, oitNote, oitPost };

class TSMIOutlookProperties {
 public:
  TSMIOutlookItemType ItemType = oitMail;
  String FolderName;
  bool LoadSubFolders = false;

  void Assign(const TSMIOutlookProperties& source) { *this = source; }
};
