// The table component the database table writer fills: field definitions,
// CreateTable, then one record after another (Append, field values, Post).
// It writes Paradox tables (".db" with ".mb" for memos and BLOBs) and
// ASCII tables (a delimited ".txt" file described by a ".sch" schema file).
// The files are built beside their targets and take their place only when
// the table is closed: a table that is not closed leaves nothing behind.
#pragma once

#include <memory>
#include <vector>

#include "platform/db/DBTypes.h"
#include "platform/rtl/Variant.h"

enum TTableType : Byte { ttDefault, ttParadox, ttDBase, ttFoxPro, ttASCII };

struct TBDEFieldDef {
  String Name;
  TFieldType DataType = ftString;
  Integer Size = 0;
  bool Required = false;
};

// The extension of a file name with its dot; empty without one.
String TableFileExt(const String& fileName);
// The file name with its extension replaced.
String ChangeTableFileExt(const String& fileName, StringView extension);

// The table type a file is written as: ttDefault follows the file's
// extension (".dbf" dBase, ".txt" ASCII, anything else Paradox).
TTableType ResolveTableType(TTableType type, const String& fileName);

class TBDETable {
 public:
  TBDETable(const String& tableName, TTableType tableType);
  ~TBDETable();
  TBDETable(const TBDETable&) = delete;
  TBDETable& operator=(const TBDETable&) = delete;

  TTableType TableType() const { return FTableType; }
  std::vector<TBDEFieldDef> FieldDefs;

  // Starts a new table of FieldDefs (Paradox or ASCII).
  void CreateTable();
  Integer FieldCount() const { return static_cast<Integer>(FieldDefs.size()); }
  // The field of that name (without regard to case); -1 when none.
  Integer FindField(StringView name) const;
  bool IsAutoIncField(Integer index) const;

  // A new record with every field blank; Post adds it to the table.
  void Append();
  void SetFieldValue(Integer index, const Variant& value);
  void Post();
  // Puts the finished files in place of the targets.
  void Close();

  class TFileWriter;

 private:
  String FTableName;
  TTableType FTableType;
  std::unique_ptr<TFileWriter> FWriter;
  std::vector<Variant> FRecord;
  bool FInRecord = false;
};
