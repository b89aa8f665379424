// Handing an exported file to the desktop: e-mailing it and opening it in
// its viewer. The default shell uses the desktop's xdg-email and xdg-open.
#pragma once

#include <vector>

#include "export/ExportSettings.h"
#include "platform/rtl/Types.h"

enum TExportRecipientClass : Byte { rcTo = 1, rcCC = 2, rcBCC = 3 };

struct TExportMailRecipient {
  String Address;
  TExportRecipientClass Class = rcTo;

  bool operator==(const TExportMailRecipient&) const = default;
};

struct TExportMail {
  String Subject;
  String Note;
  String Attachment;  // empty: nothing attached
  std::vector<TExportMailRecipient> Recipients;
  bool ShowDialog = true;  // let the user edit the message before it goes
};

// Recipients of the three address fields: each field trimmed and split at
// ";" (pieces are not trimmed; an empty piece between two ";" is kept). A
// piece beginning with "CC:" or "BCC:" (any case) takes that class without
// the mark; otherwise the field decides.
std::vector<TExportMailRecipient> MailRecipients(const TSMESendTo& sendTo);

class IExportShell {
 public:
  virtual ~IExportShell() = default;
  // 0 on success; otherwise a number describing the failure.
  virtual Integer SendMail(const TExportMail& mail) = 0;
  // False when the file could not be handed to a viewer.
  virtual bool OpenFile(const String& fileName) = 0;
};

// The process-wide shell; SetExportShell(nullptr) restores the default.
IExportShell& ExportShell();
void SetExportShell(IExportShell* shell);

// The default's results: the program is missing, or could not be started.
inline constexpr Integer MailProgramMissing = -1;
inline constexpr Integer MailProgramFailed = 1;
