// The in-memory record store: a doubly linked list of items from the block
// manager, with a current position, record numbers that skip hidden records,
// bookmarks that survive edits, and insert, update and delete.
#pragma once

#include <unordered_map>
#include <vector>

#include "table/BlockManager.h"
#include "table/Data.h"

enum TReorderOption : Byte { roInsert = 0, roDelete = 1, roFull = 2 };

// An entry of the cached-updates list.
struct TCacheItem {
  TItemHeader* Item = nullptr;
  TItemHeader* Restore = nullptr;
  TCacheItem* Next = nullptr;
};

class TMemData : public TData {
 public:
  TMemData();
  ~TMemData() override;

  void InitFields() override;
  void ClearFields() override;
  void Reopen() override;

  TItemHeader* GetFirstItem() const { return FirstItem; }
  TItemHeader* GetLastItem() const { return LastItem; }
  TItemHeader* GetCurrentItem() const { return CurrentItem; }
  TBlockManager& BlockManager() { return BlockMan; }
  // The copy of an item's record from before its cached update, or none.
  TItemHeader* RollbackOf(const TItemHeader* item) const {
    if (FRollbacks.empty()) return nullptr;
    auto it = FRollbacks.find(item);
    return it != FRollbacks.end() ? it->second : nullptr;
  }
  void SetRollback(const TItemHeader* item, TItemHeader* rollback) {
    if (rollback != nullptr) FRollbacks[item] = rollback;
    else FRollbacks.erase(item);
  }
  Cardinal GetRefreshIteration() const { return FRefreshIteration; }
  Integer RecordNoOffset() const { return FRecordNoOffset; }
  // Record number of a visible item: its Order plus the offset.
  Integer RecordNoOf(const TItemHeader* item) const { return item->Order + FRecordNoOffset; }

  bool GetEOF() override;
  bool GetBOF() override;
  Integer GetRecordNo() override;
  void SetRecordNo(Integer value) override;
  void SetToBegin() override;
  void SetToEnd() override;

  void GetRecord(TRecBuf recBuf) override;
  void GetNextRecord(TRecBuf recBuf) override;
  void GetPriorRecord(TRecBuf recBuf) override;
  void PutRecord(TRecBuf recBuf) override;
  void AppendRecord(TRecBuf recBuf) override;
  void InsertRecord(TRecBuf recBuf) override;
  void UpdateRecord(TRecBuf recBuf) override;
  void DeleteRecord() override;
  void AddRecord(TRecBuf recBuf);
  // Loading a file: a record added at the end and filled in place, without
  // the dataset's hooks, rollback copies or renumbering of the records after
  // it. EndLoad then sorts or numbers the loaded records and counts the
  // visible ones, once for the whole file.
  // Blob values are stored with PutLoadedBlob; FinishLoadedRecord gives the
  // blob fields left without one an empty blob.
  TItemHeader* AppendLoadedRecord();
  void FinishLoadedRecord(TItemHeader* item) { CreateMissingBlobs(TBlockManager::GetRecordPtr(item)); }
  void EndLoad(TItemHeader* firstLoaded);
  // While a file is loaded, records added are left where they were added
  // instead of being moved to their sorted place one at a time; the end of
  // the outermost deferral sorts them all once (when sort is set: a failed
  // load skips it).
  void BeginDeferredSort() { ++FSortDeferred; }
  void EndDeferredSort(bool sort);
  void RemoveRecord();
  void RefreshRecord(TRecBuf recBuf);

  void GetBookmark(TRecBookmark* bookmark) override;
  void SetToBookmark(const TRecBookmark* bookmark) override;
  bool BookmarkValid(const TRecBookmark* bookmark) override;
  int CompareBookmarks(const TRecBookmark* b1, const TRecBookmark* b2) override;

  // Fills the record-number cache when it is empty; returns its length.
  Integer PrepareRecNoCache();
  virtual bool Fetch(bool /*fetchBack*/) { return false; }
  void InitFetchedItems(TItemHeader* fetchedItem, bool noCountData, bool fetchBack);
  // True when the record is hidden by the filters (cached per item).
  bool OmitRecord(TItemHeader* item);
  void UpdateCachedBuffer(TItemHeader* fItem = nullptr, TItemHeader* lItem = nullptr);
  void ReorderItems(TItemHeader* item, TReorderOption option);

  // Sorting (Sort.cpp): the store is kept sorted by IndexFieldNames, a list
  // such as "Name DESC CIS; Id" parsed into sort columns (IndexFieldNames.cpp).
  virtual void SetSortDefaults(TSortColumn& sortColumn);
  virtual void SetIndexFieldNames(const String& value);
  const String& IndexFieldNames() const { return FIndexFieldNames; }
  const TSortColumns& IndexFields() const { return FIndexFields; }
  virtual void SortItems();
  void UpdateIndexFields();
  void ClearIndexFields();
  int CompareRecords(TRecBuf recBuf1, TRecBuf recBuf2);
  int CompareByRecBuf(TItemHeader* item1, TItemHeader* item2);
  // Orders records by the record numbers saved before the first sort.
  static int CompareSavedOrders(Integer o1, Integer o2);
  void Exchange(TItemHeader* item1, TItemHeader* item2);
  // Moves the current record to its sorted place after it was added (dir < 0
  // looks backward) or changed.
  void MoveSortedRecord(int dir);

  virtual void InitItem(TItemHeader* item);
  virtual void DeleteItem(TItemHeader* item);
  virtual bool IsSupportedDataType(TDataType) { return false; }
  // Derived stores with data types of their own describe such a field here
  // (type, type name, length, scale); the plain store has none.
  virtual bool IsSpecificType(const TFieldDesc* /*field*/, TDataType& dataType, String& dataTypeName,
                              Integer& length, Integer& scale) {
    dataType = dtUnknown;
    dataTypeName.clear();
    length = -1;
    scale = -1;
    return false;
  }

  // Cached updates: the list of changed records.
  TCacheItem* CacheHead() const { return Cache; }
  void AddCacheItem(TItemHeader* item);
  void RemoveItemFromCache(TItemHeader* item);
  void FreeCachedItem(TCacheItem* cacheItem);
  void RollbackItem(TItemHeader* item);
  void RevertItem(TItemHeader* item);
  TItemStatus GetUpdateStatus() override;
  TUpdateRecAction GetUpdateResult() override;
  bool HasUpdatedOrDeletedRecords() override;
  bool GetUpdatesPending() override;
  void SetCacheRecBuf(TRecBuf newBuf, TRecBuf oldBuf) override;
  void ApplyUpdates(TUpdateRecKinds kinds) override;
  void CommitUpdates() override;
  void CancelUpdates() override;
  void RestoreUpdates() override;
  void RevertRecord() override;
  void GetOldRecord(TRecBuf recBuf) override;
  void ClearItemsOmittedStatus();
  void FilterUpdated() override;
  void SetFilterItemTypes(TItemTypes value) override;

 protected:
  void InitData() override;
  void FreeData() override;
  bool HasSortColumns() const { return !FIndexFields.empty(); }
  bool HasFilters() const;
  // Releases the complex values of an item's record and of its rollback copy.
  void ReleaseItemValues(TItemHeader* item, bool withBlob);
  TItemHeader* MakeRollbackItem(TItemHeader* item);
  // A blob that the record and its rollback copy share, and that holds the
  // contents from before the edit, is split: the rollback copy gets the old
  // contents in a blob of its own.
  void SplitRollbackBlobs(TRecBuf rec, TRecBuf rollRec);
  // Hands one cache entry to ApplyRecord; true when an update or insert was
  // handed over, whose applied values KeepAppliedValues then stores.
  bool ApplyCacheItem(TCacheItem* entry, TUpdateRecKinds kinds, TUpdateRecAction& action);
  void KeepAppliedValues(TCacheItem* entry, bool& moved);
  void FreeRollbackItem(TItemHeader* item);
  TRecBuf FNewCacheRecBuf = nullptr;
  TRecBuf FOldCacheRecBuf = nullptr;

  TCacheItem* Cache = nullptr;
  TCacheItem* LastCacheItem = nullptr;
  Cardinal FRefreshIteration = 0;
  TRecBuf FCalcRecBuf = nullptr;
  TRecBuf FCalcRecBuf2 = nullptr;
  std::vector<TItemHeader*> FRecordNoCache;
  String FIndexFieldNames;
  TSortColumns FIndexFields;
  Integer FRowsFetched = 0;
  bool FOrderSaved = false;
  Integer FSortDeferred = 0;
  TItemHeader* FirstItem = nullptr;
  TItemHeader* LastItem = nullptr;
  TItemHeader* CurrentItem = nullptr;
  TBlockManager BlockMan;
  // Rollback copies by item: few records have one, so items keep no slot
  // for it.
  std::unordered_map<const TItemHeader*, TItemHeader*> FRollbacks;

 private:
  TItemHeader* InsertItem();
  TItemHeader* AppendItem();
  void FreeCalcBuffers();
};

// Unit start of the record store: the refresh counter and the string heap's
// block sizes.
void MemDataInitialize();
void MemDataFinalize();
