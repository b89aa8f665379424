// File and name routines the export shares (the folder routines are the
// runtime's, FileUtils.h): the names of picture
// files written beside an export, the user's name, and the table name a
// dataset suggests for SQL statements and sheet names.
#pragma once

#include "platform/rtl/Component.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Types.h"

// ---- Pictures ----

// What kind of graphic a picture holds; it decides the file's extension.
enum TPictureKind : Byte { pkBitmap, pkEnhancedMetafile, pkMetafile, pkIcon, pkOther };

// The file in which a writer stores a picture: with an export file name, its
// folder + "img" + the index (a name without a folder gives a file in the
// current folder); without one, a fresh name in the temporary folder with the
// prefix "ZAZ". The extension follows the kind: ".bmp", ".emf", ".wmf",
// ".ico", and ".bmp" for any other. Raises EFCreateError when no temporary
// name can be made.
String GetFileNameByGraphic(const String& fileName, Integer index, TPictureKind picture);

// ---- The user ----

// The login name of the user the process runs as; empty when unknown.
String GetLoggedUserName();

// ---- Table names ----

// The component's published TableName; empty without one.
String GetPropAsString(const TComponent* component);
// The text of the component's published SQL string list; empty without one.
String GetPropAsTStrings(const TComponent* component);
// A table name for SQL statements and sheet names. The dataset's TableName
// when it is not empty; else from its SQL the name after the first FROM
// keyword (any letter case, blanks after it skipped), or the first word of a
// text without one, each ending before the first blank, control character,
// quote, bracket, brace, comma, full stop, slash, backslash, colon or
// semicolon. Either name ends before its first full stop, so "orders.db"
// gives "orders". Empty without a dataset or without either property.
String TblName(const TComponent* dataSet);
// The same rule for given property texts.
String TblNameFrom(StringView tableName, StringView sqlText);
