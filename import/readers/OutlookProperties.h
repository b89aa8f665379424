// What an Outlook import reads: the item type (the default folder to open
// and the column set), the folder (a path below the Inbox, or an entry
// identifier with its store), and whether sub-folders are read too.
#pragma once

#include "platform/rtl/Types.h"

enum TSMIOutlookItemType : Byte {
  oitMail, oitAppointment, oitContact, oitTask, oitJournal, oitNote, oitPost,
  oitDeleted, oitDraft, oitInBox, oitJunk, oitOutBox, oitSent
};

class TSMIOutlookProperties {
 public:
  TSMIOutlookItemType ItemType = oitMail;
  String FolderName;
  String FolderEntryID;
  String FolderStoreID;
  bool LoadSubFolders = false;

  void Assign(const TSMIOutlookProperties& source) { *this = source; }
};
