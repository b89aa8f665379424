// Helpers shared by the import suite: folders, the file dialog for
// specification files, a dataset's table name, HTML character entities and
// OEM text.
#pragma once

#include "platform/rtl/Component.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Types.h"

// ---- Folders (POSIX paths, "/" as the delimiter) ----

// The folder routines are the runtime's (platform/rtl/FileUtils.h).

// ---- File dialog ----

// Shows an open (isOpen) or save dialog through the runtime's dialog hook
// (platform/rtl/FileDialog.h). A file name ending in "/" names a folder and
// is preset as that folder plus "default". True and the chosen name in
// fileName when the user confirms; false with fileName untouched otherwise
// (also when no dialog is available). The default extension is accepted but
// not applied.
bool VODOpenSaveFileDialog(void* parentHandle, const String& defaultExt, const String& filter, bool isOpen,
                           String& fileName, const String& title, const String& initialDir);

// ---- Datasets by published properties ----

// The table a dataset reads: its published TableName, else CommandText,
// else the table after "FROM " in its SQL; cut before the first "." (a file
// name loses its extension). Empty without a dataset or such a property.
String GetParsedTableName(const TComponent* dataSet);
// Reads (read set) or writes the published text property of that name. A
// dataset without it leaves value empty and writes nothing.
void ReadWritePropAsString(TComponent* dataSet, const String& propertyName, bool read, String& value);

// ---- Texts ----

// Decodes the character entities of HTML cell texts ("&lt", "&amp;",
// "&#39" ...; each with or without its ";") in one left-to-right pass, so an
// escaped entity such as "&amp;lt;" stays the text "&lt;".
void ReplaceHTMLChars(String& text);
// Text read from a DOS (OEM code page) source whose bytes arrived as if they
// were ANSI: re-reads its ANSI bytes in the OEM code page. The result ends
// before its first zero character; empty for an empty text.
String OemToAnsiStr(const String& text);
