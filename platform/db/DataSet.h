// The dataset: states, the active record buffer, navigation, the edit cycle,
// bookmarks, fields and their definitions, calculated fields and the data
// events that reach data sources and links. README.md in this folder is the
// contract every derived dataset follows.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
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
// their owner (usually the dataset); the list only refers to them.
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
  TField* FieldByNumber(Integer fieldNo) const;
  void SetFieldIndex(TField* field, int index);
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  TDataSet* FDataSet;
  std::vector<TField*> FItems;
};

class TDataSet : public TComponent {
 public:
  explicit TDataSet(TComponent* owner = nullptr);
  ~TDataSet() override;
  const char* ClassName() const override { return "TDataSet"; }

  // Opening and closing.
  bool Active() const { return FState != dsInactive; }
  void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return FState; }
  bool Bof() const { return FBOF; }
  bool Eof() const { return FEOF; }
  bool IsEmpty() const;
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
  virtual void Resync();
  void CheckBrowseMode();
  // Lets the controls write their pending values (deUpdateRecord).
  void UpdateRecord();
  bool CanModify() const { return GetCanModify(); }
  virtual TUpdateStatus UpdateStatus() { return usUnmodified; }

  // Bookmarks.
  TBookmark GetBookmark();
  void GotoBookmark(const TBookmark& bookmark);
  virtual bool BookmarkValid(const TBookmark&) { return false; }
  virtual int CompareBookmarks(const TBookmark&, const TBookmark&) { return 0; }
  TBookmark Bookmark() { return GetBookmark(); }
  void SetBookmark(const TBookmark& value) { GotoBookmark(value); }

  // Searching; the base supports none.
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
  // Makes a field for each definition (owned by the dataset).
  void CreateFields();
  void DestroyFields();
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
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);
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

  void CheckActive() const;
  void CheckInactive() const;

 protected:
  // Buffers and records; derived datasets implement these.
  virtual TRecordBuffer AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
  // Fills buffer with record recNo (1-based); false when there is none.
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
  // The base checks required fields.
  virtual void InternalPost();
  virtual void InternalCancel() {}
  virtual void InternalDelete() {}
  virtual void InternalRefresh() {}
  virtual void InternalAddRecord(const void* buffer, bool append);
  virtual void InternalHandleException();
  virtual bool GetCanModify() const { return true; }

  // Steps of the base the derived datasets can extend.
  virtual void OpenCursor(bool infoQuery);
  virtual void CloseCursor();
  virtual void InitRecord(TRecordBuffer buffer);
  virtual void ClearCalcFields(TRecordBuffer buffer);
  virtual void CalculateFields(TRecordBuffer buffer);
  void GetCalcFields(TRecordBuffer buffer);
  virtual void DoOnNewRecord();
  virtual void DoAfterOpen();
  virtual void SetState(TDataSetState value);
  // The buffer field reads and writes act on in the current state.
  virtual TRecordBuffer GetActiveRecBuf();
  void BindFields(bool binding);
  void CheckRequiredFields();
  void CheckCanModify() const;
  // Brings the cursor back to the active record after it was moved.
  void UpdateCursorPos();
  void CursorPosChanged() { FCursorPosChanged = true; }
  // Bytes of the calculation area after the record: one flag byte and the
  // value for each calculated or lookup field, at the field's Offset.
  Integer FCalcFieldsSize = 0;
  bool FInternalCalcFields = false;

  TDataSetState FState = dsInactive;
  bool FBOF = true;
  bool FEOF = true;
  bool FModified = false;
  TRecordBuffer FActiveBuffer = nullptr;
  TRecordBuffer FCalcBuffer = nullptr;
  TRecordBuffer FRowBuffer = nullptr;
  bool FRowReading = false;
  String FFilterText;
  bool FFiltered = false;
  TFilterOptions FFilterOptions = 0;

 private:
  void DoNavigate(const TDataSetNotifyEvent& before, const TDataSetNotifyEvent& after,
                  const std::function<void()>& step);
  void FreeBuffers();
  void SendToSources(TDataEvent event, std::intptr_t info);
  void BeginInsertAppend(bool append);

  TFields FFields;
  TFieldDefs FFieldDefs;
  std::vector<TDataSource*> FDataSources;
  bool FDefaultFields = false;
  bool FCursorPosChanged = false;
  int FDisableCount = 0;
  TDataSetState FDisableState = dsInactive;
  bool FEventsHeld = false;
};

// Raises EDatabaseError with the formatted text; a named component's name
// and ": " go in front.
[[noreturn]] void DatabaseErrorFmt(const String& format, std::initializer_list<FormatArg> args, const TComponent* component);
