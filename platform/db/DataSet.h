// The dataset: states, the active record buffer, navigation, the edit cycle,
// bookmarks, fields and their definitions, calculated fields and the data
// events that reach data sources and links. README.md in this folder is the
// contract every derived dataset follows.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/DBTypes.h"
#include "platform/db/Field.h"
#include "platform/db/FieldDefs.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

class TDataSet;
class TDataSource;

// The fields of a dataset in display order. Fields are components owned by
// their owner (usually the dataset); the list only refers to them. Changes
// to the list send deFieldListChange.
class TFields {
 public:
  explicit TFields(TDataSet* dataSet) : FDataSet(dataSet) {}
  int Count() const { return static_cast<int>(FItems.size()); }
  TField* Fields(int index) const { return FItems.at(static_cast<size_t>(index)); }
  TField* operator[](int index) const { return Fields(index); }
  void Add(TField* field);
  void Remove(TField* field);
  void Clear() { FItems.clear(); }
  int IndexOf(const TField* field) const;
  // Case-insensitive; nullptr when absent.
  TField* FindField(StringView name) const;
  // FindField, or EDatabaseError "Field '%s' not found".
  TField* FieldByName(StringView name) const;
  // The field with that field number; nullptr when none has it.
  TField* FieldByNumber(Integer fieldNo) const;
  // Moves the field to the index (clamped to the list).
  void SetFieldIndex(TField* field, int index);
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  void Changed();
  TDataSet* FDataSet;
  std::vector<TField*> FItems;
};

class TDataSet : public TComponent {
 public:
  explicit TDataSet(TComponent* owner = nullptr);
  // A derived dataset closes itself in its own destructor: the base cannot
  // call the derived class's operations from here. The base detaches its
  // data sources and frees the fields in its list.
  ~TDataSet() override;
  const char* ClassName() const override { return "TDataSet"; }

  // Opening and closing. A dataset is not active while it opens.
  bool Active() const { return FState != dsInactive && FState != dsOpening; }
  void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return FState; }
  bool Bof() const { return FBOF; }
  bool Eof() const { return FEOF; }
  // True when closed or when there is no current record.
  bool IsEmpty() const { return !Active() || !FHasRecord; }
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }

  // Navigation.
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves up to distance records; answers how many were passed (signed).
  int MoveBy(int distance);
  Integer RecordCount() { return GetRecordCount(); }
  virtual Integer GetRecordCount() { return -1; }
  Integer RecNo() { return GetRecNo(); }
  virtual Integer GetRecNo() { return -1; }
  virtual void SetRecNo(Integer) {}
  virtual bool IsSequenced() { return true; }

  // Editing.
  void Insert();
  void Append();
  void Edit();
  virtual void Post();
  virtual void Cancel();
  void Delete();
  void Refresh();
  // Reads the record the cursor is on into the active buffer (or, when that
  // record is gone, the next or the prior one); callers whose cursor may
  // have drifted call UpdateCursorPos first.
  virtual void Resync();
  void CheckBrowseMode();
  // Lets the controls write their pending values (deUpdateRecord); raises
  // "Dataset not in edit or insert mode" outside dsEdit, dsInsert, dsSetKey.
  void UpdateRecord();
  bool CanModify() const { return GetCanModify(); }
  virtual TUpdateStatus UpdateStatus() { return usUnmodified; }

  // Bookmarks.
  TBookmark GetBookmark();
  // Nothing for an empty bookmark; "Record not found" when the dataset
  // cannot show the bookmark's record.
  void GotoBookmark(const TBookmark& bookmark);
  virtual bool BookmarkValid(const TBookmark&) { return false; }
  virtual int CompareBookmarks(const TBookmark&, const TBookmark&) { return 0; }
  TBookmark Bookmark() { return GetBookmark(); }
  void SetBookmark(const TBookmark& value) { GotoBookmark(value); }

  // Searching; the base supports none (false, Null).
  virtual bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options);
  virtual Variant Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields);

  // Fields and definitions.
  TFields& Fields() { return FFields; }
  const TFields& Fields() const { return FFields; }
  int FieldCount() const { return FFields.Count(); }
  TField* FindField(StringView name) const { return FFields.FindField(name); }
  TField* FieldByName(StringView name) const { return FFields.FieldByName(name); }
  TFieldDefs& FieldDefs() { return FFieldDefs; }
  // True while the fields were made from the definitions at open (not
  // persistent fields made before).
  bool DefaultFields() const { return FDefaultFields; }
  // Fetches the definitions without opening.
  void InitFieldDefs();
  // Field class for a type: nullptr when the type has none.
  virtual TFieldClass GetFieldClass(TFieldType fieldType);
  virtual TFieldClass GetFieldClass(TFieldDef* fieldDef);
  // Makes a field for each visible definition (owned by the dataset);
  // "Field '%s' is of an unknown type" for a type without a field class.
  void CreateFields();
  // Frees every field of the list.
  void DestroyFields();
  // Raises "Type mismatch for field '%s', expecting: %s actual: %s" when
  // the field cannot take the definition's values, and "Size mismatch for
  // field '%s', expecting: %d actual: %d" for byte and BCD sizes.
  virtual void CheckFieldCompatibility(TField* field, TFieldDef* fieldDef);
  bool AutoCalcFields = true;
  Integer CalcFieldsSize() const { return FCalcFieldsSize; }

  // Filters; the dataset decides what they do.
  const String& Filter() const { return FFilterText; }
  virtual void SetFilterText(const String& value) { FFilterText = value; }
  bool Filtered() const { return FFiltered; }
  virtual void SetFiltered(bool value) { FFiltered = value; }
  TFilterOptions FilterOptions() const { return FFilterOptions; }
  virtual void SetFilterOptions(TFilterOptions value) { FFilterOptions = value; }
  std::function<void(TDataSet*, bool& accept)> OnFilterRecord;
  virtual void SetOnFilterRecord(std::function<void(TDataSet*, bool& accept)> value) {
    OnFilterRecord = std::move(value);
  }

  // Controls.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount > 0; }
  // Reads row recNo (1-based) for a control: during reader() the fields give
  // that row's values. False when there is no such row. See README.md.
  bool ReadRow(Integer recNo, const std::function<void()>& reader);

  // Field values; fields call these (see README.md for native layouts).
  virtual bool GetFieldData(TField* field, void* buffer);
  virtual bool GetFieldData(TField* field, void* buffer, bool nativeFormat);
  virtual bool GetFieldData(Integer fieldNo, void* buffer);
  virtual void SetFieldData(TField* field, const void* buffer);
  virtual void SetFieldData(TField* field, const void* buffer, bool nativeFormat);
  // Converts between a field's native value and the form fields work with
  // (dates as TDateTime, BCD values as currencies for ftBCD).
  virtual void DataConvert(TField* field, const void* source, void* dest, bool toNative);
  // The base has no blobs: nullptr.
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);
  // The whole stored value of a blob field in the record being read, as a
  // read stream would give it (empty without one). The base reads through
  // CreateBlobStream; a dataset that can reach its blobs directly skips the
  // stream object, which matters when every row's value is read.
  virtual void ReadBlobData(TField* field, std::string& bytes);
  virtual void CloseBlob(TField*) {}
  virtual Variant GetStateFieldValue(TDataSetState state, TField* field);

  // Temporary states: no events; RestoreState puts the saved state back.
  TDataSetState SetTempState(TDataSetState value);
  void RestoreState(TDataSetState value);
  TRecordBuffer ActiveBuffer() const { return FActiveBuffer; }
  TRecordBuffer CalcBuffer() const { return FCalcBuffer; }
  // True while a row other than the active one is read (ReadRow).
  bool ReadingRow() const { return FRowReading; }

  // Data events to data sources and their links.
  virtual void DataEvent(TDataEvent event, std::intptr_t info = 0);
  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);
  // Raises EDatabaseError with the dataset's name in front ("Name: text").
  [[noreturn]] void DatabaseError(const String& message) const;

  // Events; the argument is the sender.
  using TDataSetNotifyEvent = std::function<void(TDataSet*)>;
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert, BeforeEdit,
      AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, BeforeScroll,
      AfterScroll, BeforeRefresh, AfterRefresh, OnCalcFields, OnNewRecord;

  // "Cannot perform this operation on a closed dataset" /
  // "... on an open dataset".
  void CheckActive() const;
  void CheckInactive() const;

 protected:
  // Buffers and records; derived datasets implement these. A buffer holds
  // GetRecordSize() bytes of record, then CalcFieldsSize() bytes of
  // calculation area, then whatever the dataset keeps (bookmark, flags).
  virtual TRecordBuffer AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
  // Fills buffer with the current, next or prior record and moves the
  // cursor there; computes the buffer's calculated fields (GetCalcFields).
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
  // Fills buffer with record recNo (1-based); false when there is none. The
  // base walks from the first record.
  virtual bool GetRecordAt(Integer recNo, TRecordBuffer buffer);
  virtual Integer GetRecordSize() { return 0; }
  virtual void GetBookmarkData(TRecordBuffer, TBookmark& data) { data.clear(); }
  virtual void SetBookmarkData(TRecordBuffer, const TBookmark&) {}
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer) { return bfCurrent; }
  virtual void SetBookmarkFlag(TRecordBuffer, TBookmarkFlag) {}
  virtual void InternalGotoBookmark(const TBookmark&) {}
  virtual void InternalSetToRecord(TRecordBuffer) {}
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual bool IsCursorOpen() const = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual void InternalInitRecord(TRecordBuffer) {}
  virtual void InternalInsert() {}
  virtual void InternalEdit() {}
  // The base checks required fields. A derived dataset stores the record and
  // leaves the cursor on it.
  virtual void InternalPost();
  virtual void InternalCancel() {}
  virtual void InternalDelete() {}
  virtual void InternalRefresh() {}
  // Raises the abstract-method error: a dataset that adds whole records
  // implements it.
  virtual void InternalAddRecord(const void* buffer, bool append);
  virtual void InternalHandleException() {}
  virtual bool GetCanModify() const { return true; }
  // The value of a data field (field number 1 or more) in a record buffer:
  // false for null; a null value buffer asks only for presence. The write
  // stores null for a null value buffer. The base's GetFieldData and
  // SetFieldData call these after their checks; the base reads nothing and
  // refuses writes.
  virtual bool ReadRecordField(TRecordBuffer record, TField* field, void* value);
  virtual void WriteRecordField(TRecordBuffer record, TField* field, const void* value);

  // Steps of the base the derived datasets can extend.
  virtual void OpenCursor(bool infoQuery);
  virtual void CloseCursor();
  virtual void InitRecord(TRecordBuffer buffer);
  virtual void ClearCalcFields(TRecordBuffer buffer);
  virtual void CalculateFields(TRecordBuffer buffer);
  void GetCalcFields(TRecordBuffer buffer);
  virtual void DoOnNewRecord();
  virtual void DoAfterOpen();
  void DoBeforeScroll();
  void DoAfterScroll();
  virtual void SetState(TDataSetState value);
  // The buffer field reads and writes act on in the current state.
  virtual TRecordBuffer GetActiveRecBuf();
  void BindFields(bool binding);
  void CheckRequiredFields();
  void CheckCanModify() const;
  // Brings the cursor back to the active record after it was moved.
  void UpdateCursorPos();
  void CursorPosChanged() { FCursorPosChanged = true; }
  // A dataset that prepares its fields before opening says whether they are
  // made from the definitions.
  void SetDefaultFields(bool value) { FDefaultFields = value; }
  // Bytes of the calculation area after the record: one flag byte and the
  // value for each calculated or lookup field, at the field's Offset.
  Integer FCalcFieldsSize = 0;
  bool FInternalCalcFields = false;

  TDataSetState FState = dsInactive;
  bool FBOF = true;
  bool FEOF = true;
  bool FModified = false;
  TRecordBuffer FActiveBuffer = nullptr;
  // The buffer whose calculated fields are being computed.
  TRecordBuffer FCalcBuffer = nullptr;
  TRecordBuffer FRowBuffer = nullptr;
  bool FRowReading = false;
  String FFilterText;
  bool FFiltered = false;
  TFilterOptions FFilterOptions = 0;

 private:
  void Fire(const TDataSetNotifyEvent& event) {
    if (event) event(this);
  }
  void OpenDataSet();
  void CloseDataSet();
  void MoveToEnd(bool last);
  void BeginInsertAppend(bool append);
  // Fetches into the spare buffer and makes it the active one on success.
  bool FetchActive(TGetMode mode);
  void SetBofEofFound(bool found);
  void SendToSources(TDataEvent event, std::intptr_t info);
  void CalcLookupValue(TField* field);
  void RecalcAfterFieldChange(TField* field);
  TRecordBuffer CalcAreaOf(TRecordBuffer record, TField* field);

  TFields FFields;
  TFieldDefs FFieldDefs;
  std::vector<TDataSource*> FDataSources;
  TRecordBuffer FSpareBuffer = nullptr;
  bool FHasRecord = false;
  bool FDefaultFields = false;
  bool FCursorPosChanged = false;
  bool FDestroying = false;
  int FDisableCount = 0;
  TDataSetState FDisableState = dsInactive;
  bool FEventsHeld = false;
};

// Raises EDatabaseError with the formatted text; a named component's name
// and ": " go in front.
[[noreturn]] void DatabaseErrorFmt(const String& format, std::initializer_list<FormatArg> args,
                                   const TComponent* component = nullptr);
