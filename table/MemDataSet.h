// The table engine's dataset: serves a record set (TData, in practice the
// in-memory store TMemData) to the platform's dataset machinery. Record
// buffers, bookmarks, field definitions, field classes and calculated fields
// map onto the record set's buffers and field descriptors; insert, edit,
// post, cancel and delete go through the record set.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/OneShotTimer.h"
#include "platform/rtl/Exceptions.h"
#include "table/Data.h"
#include "table/DataSetViews.h"

class TBlob;
class TStream;
class TDataSetService;
class TDataSource;
class TDataSetUpdater;
class TFieldTypeMap;
class TMemData;
class TMemDataSet;

// The class of a service object: makes one for a dataset.
using TDataSetServiceClass = TDataSetService* (*)(TMemDataSet* owner);

// A calculated or lookup field and the descriptor made for it in the record set.
struct TCalcFieldDescMapping {
  TFieldDesc* FieldDesc = nullptr;
  TField* Field = nullptr;
};

// The record information block after the record and its calculated area.
#pragma pack(push, 1)
struct TRecInfo {
  Integer RecordNumber;  // the record set's record number; -1 for a new record
  Byte UpdateStatus;     // TUpdateStatus
  Byte BookmarkFlag;     // TBookmarkFlag
  Byte RefComplexFields; // non-zero while the buffer holds references on complex values
  Byte KeyExclusive;     // meaningful only in the two range buffers
};
#pragma pack(pop)
static_assert(sizeof(TRecInfo) == 8, "the record information block is 8 bytes");

// Process-wide switch of the record-store unit: with it on (as this program
// runs) default expressions are assigned as written; off, an expression in
// single quotes is dequoted first.
extern bool DefaultExpressionOldBehavior;

class TMemDataSet : public TDataSet {
 public:
  explicit TMemDataSet(TComponent* owner = nullptr);
  ~TMemDataSet() override;
  const char* ClassName() const override { return "TMemDataSet"; }

  // The record set. A subclass makes one in CreateIRecordSet; the dataset
  // frees it.
  TData* Data() const { return FData.get(); }
  virtual void CreateIRecordSet();
  // Binds value (nullptr unbinds), taking ownership.
  virtual void SetIRecordSet(TData* value);

  // Sort specification handed to the store ("Name DESC CIS; Id").
  const String& IndexFieldNames() const { return FIndexFieldNames; }
  virtual void SetIndexFieldNames(const String& value);

  // The service object, made on first need.
  virtual TDataSetServiceClass GetDataSetServiceClass();
  virtual void SetDataSetService(TDataSetService* value);
  TDataSetService* DataSetService();
  virtual void DataReopen();
  // The dataset as an XML rowset, through its service object
  // (XmlRowsetWriter.cpp). The file is written beside the target and
  // renamed over it, so a failed save leaves the old file whole.
  void SaveToXML(const String& fileName);
  void SaveToXML(TStream& destination);

  // Field definitions, field classes and descriptor lookup (MemDataSetFields.cpp).
  virtual const TFieldTypeMap& GetFieldTypeMapClass();
  virtual bool NeedCreateFieldDefs();
  virtual TFieldDef* CreateFieldDef(TFieldDesc* fieldDesc);
  virtual void CreateFieldDefs();
  virtual bool NeedComplexUpdateFieldDefList() { return false; }
  virtual String GetObjectFieldDefName(TFieldDef* parent, Integer index);
  virtual Integer GetFieldDefSize(TFieldType fieldType, Integer fieldLength);
  virtual TFieldType GetFieldType(TDataType dataType);
  virtual TFieldType GetFieldType(TFieldDesc* fieldDesc, Integer& fieldSize, Integer& fieldLength,
                                  Integer& fieldScale);
  virtual bool InternalDataConvert(TField* field, const void* source, void* dest, bool toNative);
  virtual TFieldClass GetFieldClass(TFieldType fieldType, TDataType dataType);
  TFieldClass GetFieldClass(TFieldType fieldType) override;
  TFieldClass GetFieldClass(TFieldDef* fieldDef) override;
  void CheckFieldCompatibility(TField* field, TFieldDef* fieldDef) override;
  virtual TFieldDesc* GetFieldDesc(const TField* field);
  virtual TFieldDesc* GetFieldDesc(Integer fieldNo);
  TFieldDesc* GetFieldDesc(StringView fieldName);
  Integer GetFieldDescNo(const TField* field);

  // Writes the pending record to the update target and stays in edit mode.
  void DeferredPost();
  virtual void InternalDeferredPost() {}
  virtual void SetDefaultExpressionValues();

  // Views: filters, ranges, master/detail and searches (DataSetFilters.cpp,
  // DataSetRanges.cpp, MasterDetail.cpp, Locate.cpp).
  virtual void ActivateFilters();
  virtual void DeactivateFilters();
  void SetFilterText(const String& value) override;
  void SetFilterOptions(TFilterOptions value) override;
  void SetFiltered(bool value) override;
  void SetOnFilterRecord(std::function<void(TDataSet*, bool& accept)> value) override;
  // The next visible record under the filters, also while Filtered is off.
  bool FindFirst() { return FindRecord(true, true); }
  bool FindLast() { return FindRecord(true, false); }
  bool FindNext() { return FindRecord(false, true); }
  bool FindPrior() { return FindRecord(false, false); }
  bool Found() const { return FFound; }

  // Ranges over the store's index fields; "No index currently active"
  // without index fields.
  void SetRangeStart();
  void SetRangeEnd();
  void EditRangeStart();
  void EditRangeEnd();
  // Value i bounds the i-th index field; Null or a missing value sets no limit.
  void SetRange(const TKeyValues& startValues, const TKeyValues& endValues, bool startExclusive = false,
                bool endExclusive = false);
  void ApplyRange();
  void CancelRange();
  bool KeyExclusive() const;
  void SetKeyExclusive(bool value);
  bool Ranged() const { return FRanged; }

  // Local master/detail.
  TDataSource* MasterSource() const { return FDataLink.DataSource(); }
  void SetMasterSource(TDataSource* value);
  const String& MasterFields() const { return FMasterFields; }
  void SetMasterFields(const String& value);
  const String& DetailFields() const { return FDetailFields; }
  void SetDetailFields(const String& value);
  Cardinal DetailDelay() const { return FDetailDelay; }
  // Milliseconds; the refresh then waits for TOneShotTimer::ProcessTimers.
  void SetDetailDelay(Cardinal value);
  TDataSource* GetDataSource() const { return MasterSource(); }
  TOneShotTimer* DetailRefreshTimer() const { return FDetailRefreshTimer.get(); }
  const std::vector<TLocalMDLink>& LocalMDLinks() const { return FLocalMDLinks; }
  void GetDetailLinkFields(std::vector<TField*>& masterFields, std::vector<TField*>& detailFields);
  virtual bool UseLocalMasterDetailFilter();
  virtual bool SetLocalMDLinks();
  virtual void MDLinksRefreshed() { SetLocalMDLinks(); }
  virtual void RefreshDetail();
  virtual void MDPropertiesChanged();
  void MasterRecordChanged();
  bool RefreshParamsOnInsert = false;

  // Searches: bisection over the leading keys that follow the store's
  // order, a scan otherwise.
  bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) override;
  bool Locate(const String& keyFields, const TKeyValues& keyValues, TLocateOptions options);
  bool Locate(const std::vector<TField*>& keyFields, const TKeyValues& keyValues, TLocateOptions options);
  bool LocateEx(const String& keyFields, const TKeyValues& keyValues, TLocateExOptions options);
  bool LocateEx(const std::vector<TField*>& keyFields, const TKeyValues& keyValues, TLocateExOptions options);
  // One result field; our variants hold no arrays of values, so several
  // result fields are read with LookupValues.
  Variant Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) override;
  std::vector<Variant> LookupValues(const String& keyFields, const TKeyValues& keyValues,
                                    const String& resultFields);
  // A search value in a field type's internal form; false (and no bytes)
  // for Null and Unassigned and for an empty string the store keeps as null.
  // EConvertError for a value the type cannot take.
  virtual bool CopyFieldValue(const Variant& value, std::vector<Byte>& buffer, bool convertStrings,
                              TDataType fieldType, TDataType& valueType);
  virtual bool LocateRecord(const std::vector<TFieldDesc*>& keyFields, const TKeyValues& keyValues,
                            TLocateExOptions options, bool savePos);

  virtual Integer GetMaxFieldCount() { return 0x7FFFFFFF; }
  virtual void Prepare();
  virtual void UnPrepare();
  bool Prepared() const { return FData != nullptr && FData->Prepared(); }
  // "DataSet is not prepared".
  void CheckPrepared() const;

  // The blob object a blob field holds in the active record (not a copy);
  // nullptr when there is none.
  TBlob* GetBlob(StringView fieldName);
  TBlob* GetBlob(const TField* field);

  // Cached updates (MemDataSetUpdates.cpp): changes wait in the store until
  // they are applied through the service's updater, committed or cancelled.
  bool CachedUpdates() const { return FCachedUpdates; }
  // Only while the dataset is closed; turning it off undoes pending changes.
  void SetCachedUpdates(bool value);
  bool LocalUpdate() const { return FLocalUpdate; }
  void SetLocalUpdate(bool value);
  bool UpdatesPending() const;
  TUpdateRecordTypes GetUpdateRecordTypes() const;
  void SetUpdateRecordTypes(TUpdateRecordTypes value);
  void SetPrepared(bool value);
  virtual void ApplyUpdates();
  virtual void ApplyUpdates(TUpdateRecKinds kinds);
  void CommitUpdates();
  void CancelUpdates();
  void RestoreUpdates();
  void RevertRecord();
  // The current record's update result, an unchanged record as applied.
  TUpdateAction UpdateResult();
  TUpdateRecAction InternalGetUpdateResult();
  // "Not in cached update mode" while cached updates are off.
  void CheckCachedUpdateMode() const;
  static TItemTypes ConvertUpdateRecordTypes(TUpdateRecordTypes value);
  std::function<void(TDataSet*, TUpdateRecKind, TUpdateAction&)> OnUpdateRecord;
  std::function<void(TDataSet*, EDatabaseError&, TUpdateRecKind, TUpdateAction&)> OnUpdateError;

 protected:
  friend class TDataSetUpdater;
  // Connects the record set's update hooks to the service's updater.
  void InstallUpdateHooks();
  TDataSetUpdater* Updater();
  // Lends the record set two buffers for the duration of fn, then resyncs.
  template <class Fn>
  void WithCacheRecBufs(Fn fn);
  TUpdateRecordTypes FUpdateRecordTypes = rtModified | rtInserted | rtUnmodified;

 public:

  bool LocalConstraints() const { return FLocalConstraints; }
  void SetLocalConstraints(bool value) { FLocalConstraints = value; }
  bool NumberRange() const { return FNumberRange; }
  void SetNumberRange(bool value) { FNumberRange = value; }
  bool CreateCalcFieldDescs() const { return FCreateCalcFieldDescs; }
  // Only while the dataset is closed: the record layout depends on it.
  void SetCreateCalcFieldDescs(bool value);
  bool IsResync() const { return FIsResync; }

  // Record buffer layout, for the record set's owners and tests.
  Integer RecInfoOfs() const { return FRecInfoOfs; }
  Integer BookmarkOfs() const { return FBookmarkOfs; }
  Integer RecBufSize() const { return FRecBufSize; }
  // Our bookmark is the store's TRecBookmark, 24 bytes (it carries the
  // item's serial number as well), not the 12 bytes of a 32-bit build.
  static constexpr Integer BookmarkSize = sizeof(TRecBookmark);
  const TRecInfo& RecInfo(TRecordBuffer buffer) const;

  // The platform's protected operations, reachable.
  using TDataSet::RestoreState;
  using TDataSet::SetTempState;

  // Platform overrides.
  Integer GetRecordCount() override;
  Integer GetRecNo() override;
  void SetRecNo(Integer value) override;
  bool IsSequenced() override { return true; }
  void Post() override;
  void Cancel() override;
  void Resync() override;
  bool BookmarkValid(const TBookmark& bookmark) override;
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  bool GetFieldData(TField* field, void* buffer) override;
  bool GetFieldData(TField* field, void* buffer, bool nativeFormat) override;
  bool GetFieldData(Integer fieldNo, void* buffer) override;
  void SetFieldData(TField* field, const void* buffer) override;
  void SetFieldData(TField* field, const void* buffer, bool nativeFormat) override;
  void DataConvert(TField* field, const void* source, void* dest, bool toNative) override;
  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  void ReadBlobData(TField* field, std::string& bytes) override;
  Variant GetStateFieldValue(TDataSetState state, TField* field) override;
  TUpdateStatus UpdateStatus() override;
  // The buffer field reads and writes act on in the current state.
  TRecordBuffer GetActiveRecBuf() override;

 protected:
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  bool GetRecordAt(Integer recNo, TRecordBuffer buffer) override;
  Integer GetRecordSize() override;
  void GetBookmarkData(TRecordBuffer buffer, TBookmark& data) override;
  void SetBookmarkData(TRecordBuffer buffer, const TBookmark& data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
  void InternalGotoBookmark(const TBookmark& bookmark) override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override;
  void InternalInitFieldDefs() override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  void InternalInsert() override;
  void InternalEdit() override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalDelete() override;
  void InternalRefresh() override;
  void InternalAddRecord(const void* buffer, bool append) override;
  void OpenCursor(bool infoQuery) override;
  void CloseCursor() override;
  void InitRecord(TRecordBuffer buffer) override;
  void ClearCalcFields(TRecordBuffer buffer) override;
  void DoOnNewRecord() override;

  // The old values of the current record: all null for a new one, else the
  // stored record (which keeps the old values while the record is edited).
  virtual void GetOldRecord(TRecBuf buffer);
  // Adds the descriptors of calculated and lookup fields to the record set.
  virtual void CreateCalcFieldDescs();
  // The descriptor a calculated or lookup field reads and writes.
  TFieldDesc* CalcFieldDesc(const TField* field);

  // Buffers that hold references on complex values give them back.
  void FreeRefComplexFields(TRecordBuffer buffer, bool withBlob = true);
  void FreeDeferredPostBuf();
  // Blob fields start each edit, and leave each post or cancel, unmodified.
  void ClearBlobModified();
  TRecInfo& Info(TRecordBuffer buffer) const;

  TRecordBuffer FOldRecBuf = nullptr;
  TRecordBuffer FFilterBuffer = nullptr;
  TRecordBuffer FRangeStartBuffer = nullptr;
  TRecordBuffer FRangeEndBuffer = nullptr;
  TRecordBuffer FRangeCurrentBuffer = nullptr;
  bool FRanged = false;
  bool FCachedUpdates = false;
  bool FLocalUpdate = false;
  TRecordBuffer FNewCacheRecBuf = nullptr;
  TRecordBuffer FOldCacheRecBuf = nullptr;
  TRecordBuffer FOldDeferredPostBuf = nullptr;
  bool FInInserting = false;
  bool FInEditing = false;
  String FIndexFieldNames;
  std::vector<TCalcFieldDescMapping> FCalcFieldsMapping;
  std::unique_ptr<TData> FData;
  TMemData* FStore = nullptr;  // FData when it is the in-memory store
  std::vector<TBlobField*> FBlobFields;  // bound at open
  TDataSetService* FDataSetService = nullptr;
  TDataSetServiceClass FDataSetServiceClass = nullptr;
  Integer FBookmarkOfs = 0;
  Integer FRecInfoOfs = 0;
  bool FInDeferredPost = false;
  Integer FRecBufSize = 0;
  bool FLocalConstraints = true;
  bool FNumberRange = false;
  bool FNeedAddRef = false;
  bool FIsResync = false;
  bool FCacheCalcFields = false;
  bool FCreateCalcFieldDescs = true;
  bool FInSettingDefaultExpressionValues = false;
  bool FDestroyingDataSet = false;

  // Views.
  bool RecordFilter(TRecBuf recBuf);
  bool RecordFilterRange(TRecBuf recBuf);
  bool LocalDetailFilter(TRecBuf recBuf);
  bool FindRecord(bool restart, bool goForward);
  void InstallMDFilter();
  void AssignMasterLinkValues();
  void SetFilterData(const String& text, TFilterOptions options);
  void ApplyFilterToStore(const String& text, TFilterOptions options);
  void RefreshView(bool toFirst);
  void ResetRange();
  void StartRangeEdit(TRecordBuffer& bound, bool clear);
  std::vector<TFieldDesc*> KeyDescsByName(const String& keyFields);
  std::vector<TFieldDesc*> KeyDescsOf(const std::vector<TField*>& keyFields);
  bool LocateAndScroll(const std::vector<TFieldDesc*>& keys, const TKeyValues& keyValues,
                       TLocateExOptions options);
  void RefreshFilterKeepingPlace();
  bool FFound = false;
  TDADetailDataLink FDataLink{this};
  String FMasterFields;
  String FDetailFields;
  Cardinal FDetailDelay = 0;
  std::unique_ptr<TOneShotTimer> FDetailRefreshTimer;
  std::vector<TLocalMDLink> FLocalMDLinks;

 private:
  // Reads or writes a descriptor's value for a field in a record buffer,
  // converting where the record's form and the field's native form differ.
  bool ReadDescValue(TFieldDesc* desc, TRecordBuffer record, TField* field, void* buffer);
  void WriteDescValue(TFieldDesc* desc, TRecordBuffer record, TField* field, const void* buffer);
  // Fills the information block and the bookmark after the record set has
  // put its current record into the buffer.
  void FillRecInfo(TRecordBuffer buffer);
  // The record set's hooks for calculated-field descriptors and buffers.
  void InstallCalcFieldHooks();
  void FreeBuffer(TRecordBuffer& buffer);
};
