// The in-memory table component: a dataset whose rows live only in its own
// record store. Its field definitions can change while rows exist (the rows
// are carried over by name), it copies other datasets, and it reads and
// writes its rows as VTD files (TableFiles.cpp, VtdCodec.cpp).
#pragma once

#include <functional>
#include <memory>

#include "table/MemData.h"
#include "table/MemDataSet.h"

enum TVirtualTableOption : Byte {
  voPersistentData = 0,             // closing keeps the rows
  voStored = 1,                     // the rows are written as the Data property
  voSetEmptyStrToNull = 2,          // an empty string is stored as null
  voSkipUnSupportedFieldTypes = 3,  // copying a dataset skips what the table cannot hold
};
using TVirtualTableOptions = Byte;  // a set of TVirtualTableOption bits

constexpr TVirtualTableOptions VirtualTableOptionBit(TVirtualTableOption option) {
  return static_cast<TVirtualTableOptions>(1u << option);
}
inline constexpr TVirtualTableOptions DefaultVirtualTableOptions =
    VirtualTableOptionBit(voPersistentData) | VirtualTableOptionBit(voStored) |
    VirtualTableOptionBit(voSkipUnSupportedFieldTypes);

using TVirtualTableProgressEvent = std::function<void(TComponent* sender, Integer percent)>;

// "Field type is not supported by TVirtualTable. ..." with the list of types.
extern const char16_t SVTUnsupportedFieldType[];

// True for the field types the table can hold.
bool IsVirtualTableFieldType(TFieldType fieldType);

// Fills desc's type, size, length and scale for a field of that type, size
// and precision, as the table lays its fields out; false for a type the
// table cannot hold (desc is then untouched).
bool DescribeVirtualTableField(TFieldDesc& desc, TFieldType fieldType, Integer size, Integer precision);

// The definitions whose precision a table file carries into the table.
bool FieldDefKeepsPrecision(TFieldType type);

class TVirtualTable;

// What a field is made from: a definition's name, type, size and precision.
struct TVirtualFieldSpec {
  String Name;
  TFieldType Type = ftUnknown;
  Integer Size = 0;
  Integer Precision = 0;
};

// The table's record store: its descriptors come from the table's field
// definitions (or persistent fields), and reopening keeps the rows.
class TVirtualTableData : public TMemData {
 public:
  TDataSet* FOwner = nullptr;
  void Reopen() override {}
  // The specs the descriptors were last built from, in descriptor order.
  const std::vector<TVirtualFieldSpec>& BuiltFrom() const { return FBuiltFrom; }

 protected:
  void InternalOpen(bool disableInitFields) override;
  void CreateFieldDescs() override;

 private:
  std::vector<TVirtualFieldSpec> FBuiltFrom;
};

class TVirtualTable : public TMemDataSet {
 public:
  explicit TVirtualTable(TComponent* owner = nullptr);
  ~TVirtualTable() override;
  const char* ClassName() const override { return "TVirtualTable"; }

  TVirtualTableOptions Options() const { return FOptions; }
  void SetOptions(TVirtualTableOptions value);
  bool HasOption(TVirtualTableOption option) const { return (FOptions & VirtualTableOptionBit(option)) != 0; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  TVirtualTableProgressEvent OnProgress;

  // Definitions in code. AddField refuses a type the table cannot hold.
  void AddField(const String& name, TFieldType fieldType, Integer size = 0, bool required = false);
  void DeleteField(const String& name);
  void DeleteFields();
  // Drops every row; the definitions stay, and so does the active state.
  void Clear();

  // Makes the table a copy of the source's fields and rows.
  void AssignDataSet(TDataSet* source);
  // From another virtual table: definitions, persistent fields and rows.
  void Assign(TDataSet* source);

  // Files and streams: VTD version 3 written; versions 0 to 3 read. A failed
  // load leaves the table closed and empty (with loadFields, without
  // definitions and fields either) and raises the reason.
  void LoadFromStream(TStream& stream, bool loadFields = true, bool decodeHTMLEntities = true);
  void LoadFromFile(const String& fileName, bool loadFields = true, bool decodeHTMLEntities = true);
  // With storeAllData every row of the store is written, also the rows a
  // filter, a filter event or a master link hides and the rows a closed
  // table keeps; the table's filter, link and position stay as they are.
  // Without it, the rows the table shows (a closed table that keeps its rows
  // is opened for the save and closed again).
  void SaveToStream(TStream& stream, bool storeFields = true, bool storeAllData = true);
  // Writes beside the target and renames over it: a failed save leaves the
  // old file whole.
  void SaveToFile(const String& fileName, bool storeFields = true, bool storeAllData = true);

  // The stored "Data" property (named apart from the record set's Data()):
  // the rows as VTD bytes without stored fields, empty when voStored is off;
  // SetStoredData loads such bytes without touching the definitions.
  std::vector<Byte> StoredData();
  void SetStoredData(const std::vector<Byte>& value);

  void DoVirtualTableProgress(Integer percent);
  bool FieldDefsByField() const { return FFieldDefsByField; }
  bool IsSequenced() override { return true; }
  void DataEvent(TDataEvent event, std::intptr_t info = 0) override;

 protected:
  void CreateIRecordSet() override;
  void CreateFieldDefs() override;
  bool GetCanModify() const override { return Active() && !FReadOnly; }
  void OpenCursor(bool infoQuery) override;
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override { return FIsCursorOpen; }
  void DefChanged();

 private:
  friend class TVirtualTableData;
  friend void LoadTableStream(TVirtualTable& table, TStream& stream, bool loadFields, bool decodeHTMLEntities);
  friend void SaveVtd(TVirtualTable& table, TStream& stream, const std::vector<TVirtualFieldSpec>& defs,
                      bool storeFields, bool allRows);
  // Keeps the rows across a change of definitions: saved before, loaded by
  // name after.
  void Reload();
  TVirtualTableData* Store() const { return static_cast<TVirtualTableData*>(TMemDataSet::Data()); }

  TVirtualTableOptions FOptions = DefaultVirtualTableOptions;
  bool FStreamedActive = false;
  bool FAvoidRefreshData = false;
  Integer FAvoidReload = 0;
  bool FIsCursorOpen = false;
  bool FReadOnly = false;
  bool FFieldDefsByField = false;
};
