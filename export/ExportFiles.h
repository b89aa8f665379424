// File and name routines the export shares: folders, the names of picture
// files written beside an export, the user's name, and the table name a
// dataset suggests for SQL statements and sheet names.
#pragma once

#include "platform/rtl/Component.h"
#include "platform/rtl/Types.h"

// ---- Folders (the path delimiter is "/") ----

// The name exists and is a folder.
bool DirectoryExists(const String& name);
// The name without one trailing path delimiter.
String ExcludeTrailingBackslash(const String& name);
// Creates the folder and every missing parent. True when the folder exists
// afterwards: an empty name and the root count as existing; a name that
// exists as a file, or a folder that cannot be made, gives false.
bool ForceDirectories(const String& folder);

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

// A dataset class that publishes a TableName property or an SQL string list
// says so by deriving from this interface as well; the runtime has no type
// information to find such properties by name.
class IPublishedTableProperties {
 public:
  virtual ~IPublishedTableProperties() = default;
  // The published TableName property as text; false when there is none.
  virtual bool PublishedTableName(String& value) const = 0;
  // The text of the published SQL string list; false when there is none.
  virtual bool PublishedSQL(String& text) const = 0;
};

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
