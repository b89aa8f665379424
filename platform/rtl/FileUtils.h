// Folder routines the export and the import share (the path delimiter is "/").
#pragma once

#include "platform/rtl/Types.h"

// The name exists and is a folder.
bool DirectoryExists(const String& name);
// The name without one trailing path delimiter.
String ExcludeTrailingBackslash(const String& name);
// The folder part of a name with its trailing delimiter; empty without one.
String ExtractFilePath(const String& name);
// Creates the folder and every missing parent. True when the folder exists
// afterwards: an empty name and the root count as existing; a name that
// exists as a file, or a folder that cannot be made, gives false.
bool ForceDirectories(const String& folder);
