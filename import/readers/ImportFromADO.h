// The ADO source's helpers for the wizard: the connection-string dialog and
// the table lister.
#pragma once

#include <functional>
#include <vector>

#include "platform/rtl/Types.h"

// The data-link dialog: edits the connection string in place and answers
// true when the user accepts. None is installed without a display; the
// editor's forms install theirs.
using TDataLinkDialog = std::function<bool(void* parentWindow, String& connectionString)>;
void SetDataLinkDialog(TDataLinkDialog dialog);

// The connection string the user chose, or the initial one when the dialog
// is cancelled (or none is installed).
String PromptDataSource(void* parentWindow, const String& initialString);

// The tables and views of the connection (and its system tables when
// asked), in the catalogue's order; failures end the list quietly.
void GetADOTables(std::vector<String>& list, const String& connectionString, bool includeSystemTables);
