#include "table/MemData.h"

#include <cstdlib>
#include <cstring>

#include "platform/rtl/Exceptions.h"
#include "table/Blob.h"

namespace {

constexpr char16_t Unit[] = u"MemData";

// Raised by one for every store that empties itself; the first store takes 2.
Cardinal RefreshIterationCounter = 1;

}  // namespace

void MemDataInitialize() {
  RefreshIterationCounter = 1;
  TStringHeap::SetBlockSize(16384, 16380);
}

void MemDataFinalize() {}

TMemData::TMemData() { InitData(); }

TMemData::~TMemData() {
  try {
    Close();
  } catch (...) {
  }
  FreeCalcBuffers();
}

void TMemData::InitData() {
  TData::InitData();
  FRollbacks.clear();
  FirstItem = nullptr;
  LastItem = nullptr;
  CurrentItem = nullptr;
  Cache = nullptr;
  LastCacheItem = nullptr;
  FRowsFetched = 0;
  FOrderSaved = false;
  BlockMan.FirstFree = nullptr;
  FRecordNoCache.clear();
  FRefreshIteration = ++RefreshIterationCounter;
}

void TMemData::ReleaseItemValues(TItemHeader* item, bool withBlob) {
  FreeComplexFields(TBlockManager::GetRecordPtr(item), withBlob);
  FreeRollbackItem(item);
}

void TMemData::FreeRollbackItem(TItemHeader* item) {
  TItemHeader* rollback = RollbackOf(item);
  if (rollback == nullptr) return;
  FreeComplexFields(TBlockManager::GetRecordPtr(rollback), true);
  BlockMan.FreeItem(rollback);
  SetRollback(item, nullptr);
}

void TMemData::FreeData() {
  // Large heap strings are owned by their records; small ones go with the
  // heap as a whole, so only objects need releasing record by record.
  if (!FStringHeap->SysGetMem()) FStringHeap->Clear();
  if (FHasComplexFields) {
    for (TItemHeader* item = FirstItem; item != nullptr; item = item->Next) ReleaseItemValues(item, true);
  }
  while (Cache != nullptr) {
    TCacheItem* next = Cache->Next;
    FreeCachedItem(Cache);
    Cache = next;
  }
  LastCacheItem = nullptr;
  FStringHeap->Clear();
  BlockMan.FreeAllBlocks();
  InitData();
}

void TMemData::FreeCalcBuffers() {
  std::free(FCalcRecBuf);
  std::free(FCalcRecBuf2);
  FCalcRecBuf = nullptr;
  FCalcRecBuf2 = nullptr;
}

void TMemData::InitFields() {
  TData::InitFields();
  BlockMan.RecordSize = FRecordSize;
  UpdateIndexFields();
  if (HasSortColumns()) SortItems();
}

void TMemData::ClearFields() {
  // The sort columns point at the descriptors about to go.
  ClearIndexFields();
  TData::ClearFields();
}

void TMemData::Reopen() {
  Close();
  Open();
  FRecordNoCache.clear();
  if (HasSortColumns()) SortItems();
}

void TMemData::InitItem(TItemHeader* item) {
  SetRollback(item, nullptr);
  item->Status = isUnmodified;
  item->UpdateResult = urNone;
  item->FilterResult = fsNotChecked;
  item->Order = 0;
}

bool TMemData::GetEOF() { return CurrentItem == nullptr && FEOF; }
bool TMemData::GetBOF() { return CurrentItem == nullptr && FBOF; }

Integer TMemData::GetRecordNo() { return CurrentItem != nullptr ? RecordNoOf(CurrentItem) : 0; }

void TMemData::SetToBegin() {
  CurrentItem = nullptr;
  FBOF = true;
  if (FirstItem != nullptr) FEOF = false;
}

void TMemData::SetToEnd() {
  CurrentItem = nullptr;
  FEOF = true;
  if (FirstItem != nullptr) FBOF = false;
}

bool TMemData::HasFilters() const {
  return FFilterFunc || FFilterMDFunc || FFilterRangeFunc || HasFilterExpression() || FCachedUpdates;
}

bool TMemData::OmitRecord(TItemHeader* item) {
  if (item == nullptr) return true;
  if (item->FilterResult != fsNotChecked) return item->FilterResult == fsOmitted;
  bool omit = false;
  if (FCachedUpdates && (FFilterItemTypes & ItemTypeBit(item->Status)) == 0) {
    omit = true;
  } else if (FFilterFunc || FFilterMDFunc || FFilterRangeFunc || HasFilterExpression()) {
    FilterRecBuf = TBlockManager::GetRecordPtr(item);
    if (FCalcRecordSize > 0 && (FFilterFunc || FFilterMDFunc || FilterExpressionUsesCalcFields())) {
      if (FCalcRecBuf == nullptr) {
        FCalcRecBuf = static_cast<TRecBuf>(std::calloc(1, static_cast<size_t>(FRecordSize + FCalcRecordSize)));
        if (FCalcRecBuf == nullptr) throw EOutOfMemory(RtlMessages::SOutOfMemory);
      }
      if (FOnGetCachedBuffer) FOnGetCachedBuffer(FCalcRecBuf, FilterRecBuf);
      else std::memcpy(FCalcRecBuf, FilterRecBuf, static_cast<size_t>(FRecordSize));
      FilterRecBuf = FCalcRecBuf;
    }
    if ((FFilterFunc && !FFilterFunc(FilterRecBuf)) || (FFilterMDFunc && !FFilterMDFunc(FilterRecBuf)) ||
        (HasFilterExpression() && !EvaluateFilterExpression(FilterRecBuf))) {
      omit = true;
    } else if (FFilterRangeFunc) {
      omit = !FFilterRangeFunc(FilterRecBuf);
    }
  }
  item->FilterResult = omit ? fsOmitted : fsNotOmitted;
  return omit;
}

void TMemData::ReorderItems(TItemHeader* item, TReorderOption option) {
  FRecordNoCache.clear();
  if (option == roFull) {
    item = FirstItem;
    if (item == nullptr) return;
  } else if (item == nullptr) {
    return;
  }

  Integer start;
  if (option == roFull) {
    start = 1;
  } else if (item->Next != nullptr) {
    start = item->Next->Order;
  } else if (item->Prev != nullptr) {
    start = item->Prev->Order;
  } else {
    item->Order = OmitRecord(item) ? 0 : 1;
    FRecordNoOffset = 0;
    return;
  }

  // The saved order is each record's number before the renumbering (0 for
  // a hidden one), whatever the offset then was.
  bool saveOrder = option == roFull && !FOrderSaved;
  if (saveOrder) FOrderSaved = true;
  Integer savedOffset = FRecordNoOffset;
  bool forwards = option == roFull || start > (FRecordCount + FRecordNoOffset) / 2;

  Integer running;
  if (forwards) {
    TItemHeader* before = item->Prev;
    while (before != nullptr && OmitRecord(before)) before = before->Prev;
    if (option == roFull || before == nullptr) {
      running = 1;
      FRecordNoOffset = 0;
    } else {
      running = before->Order + 1;
    }
    for (TItemHeader* p = item; p != nullptr; p = p->Next) {
      if (saveOrder) BlockMan.SetSavedOrder(p, OmitRecord(p) ? 0 : p->Order + savedOffset);
      if (OmitRecord(p)) {
        p->Order = 0;
      } else {
        p->Order = running++;
      }
    }
    if (option == roFull) FRecordCount = running - 1;
  } else {
    TItemHeader* after = item->Next;
    while (after != nullptr && OmitRecord(after)) after = after->Next;
    if (after != nullptr) {
      running = after->Order - 1;
      if (option == roDelete) --FRecordNoOffset;
      else if (option == roInsert && !OmitRecord(item)) ++FRecordNoOffset;
    } else {
      running = FRecordCount;
      FRecordNoOffset = 0;
    }
    for (TItemHeader* p = item; p != nullptr; p = p->Prev) {
      if (OmitRecord(p)) {
        p->Order = 0;
      } else {
        p->Order = running--;
      }
    }
  }
}

void TMemData::SetRecordNo(Integer value) {
  if (FirstItem == nullptr || value <= 0) return;
  if (!FRecordNoCache.empty()) {
    // Beyond the cache the position stays where it is.
    if (static_cast<size_t>(value) <= FRecordNoCache.size()) {
      CurrentItem = FRecordNoCache[static_cast<size_t>(value) - 1];
      FBOF = false;
      FEOF = false;
    }
    return;
  }
  TItemHeader* startItem = CurrentItem != nullptr ? CurrentItem : FirstItem;
  TItemHeader* last = LastItem;
  while (last != nullptr && OmitRecord(last)) last = last->Prev;
  if (last == nullptr) return;
  Int64 dLast = std::abs(static_cast<Int64>(value) - RecordNoOf(last));
  Int64 dStart = std::abs(static_cast<Int64>(value) - RecordNoOf(startItem));

  TItemHeader* p;
  bool forwards;
  if (value < dLast && value < dStart) {
    p = FirstItem;
    forwards = true;
  } else {
    p = dLast >= dStart ? startItem : last;
    forwards = RecordNoOf(p) < value;
  }
  while (p != nullptr) {
    if (!OmitRecord(p) && RecordNoOf(p) == value) {
      CurrentItem = p;
      FBOF = false;
      FEOF = false;
      return;
    }
    if (forwards) {
      if (p->Next == nullptr && !Fetch(false)) break;
      p = p->Next;
    } else {
      p = p->Prev;
    }
  }
}

Integer TMemData::PrepareRecNoCache() {
  if (FRecordNoCache.empty()) {
    FRecordNoCache.reserve(static_cast<size_t>(FRecordCount));
    for (TItemHeader* p = FirstItem; p != nullptr; p = p->Next) {
      if (p->FilterResult == fsNotOmitted) FRecordNoCache.push_back(p);
    }
  }
  return static_cast<Integer>(FRecordNoCache.size());
}

void TMemData::InitFetchedItems(TItemHeader* fetchedItem, bool noCountData, bool fetchBack) {
  if (fetchedItem == nullptr) return;
  Integer number;
  if (fetchBack) {
    number = fetchedItem->Order;
  } else {
    TItemHeader* before = fetchedItem->Prev;
    while (before != nullptr && OmitRecord(before)) before = before->Prev;
    number = before != nullptr ? before->Order + 1 : 1;
  }
  for (TItemHeader* p = fetchedItem; p != nullptr; p = fetchBack ? p->Prev : p->Next) {
    if (OmitRecord(p)) continue;
    p->Order = fetchBack ? number-- : number++;
    if (!fetchBack && !noCountData) ++FRecordCount;
  }
}

void TMemData::UpdateCachedBuffer(TItemHeader* fItem, TItemHeader* lItem) {
  if (!FOnGetCachedBuffer || FCalcRecordSize > 0) return;
  if (fItem == nullptr) fItem = FirstItem;
  if (lItem == nullptr) lItem = LastItem;
  for (TItemHeader* p = fItem; p != nullptr; p = p->Next) {
    FOnGetCachedBuffer(TBlockManager::GetRecordPtr(p), nullptr);
    if (p == lItem) break;
  }
}

void TMemData::GetNextRecord(TRecBuf recBuf) {
  if (GetEOF()) return;
  TItemHeader* p;
  if (GetBOF()) {
    FBOF = false;
    p = FirstItem;
  } else {
    p = CurrentItem != nullptr ? CurrentItem->Next : FirstItem;
  }
  while (p != nullptr && OmitRecord(p)) p = p->Next;
  // Landing on a record clears both end flags; running off one end sets
  // only that end's flag, so a later move the other way is not blocked.
  CurrentItem = p;
  if (p == nullptr) {
    FEOF = true;
    FBOF = FirstItem == nullptr;
  } else {
    FBOF = false;
    FEOF = false;
    if (recBuf != nullptr) GetRecord(recBuf);
  }
}

void TMemData::GetPriorRecord(TRecBuf recBuf) {
  if (GetBOF()) return;
  TItemHeader* p;
  if (GetEOF()) {
    FEOF = false;
    p = LastItem;
  } else {
    p = CurrentItem != nullptr ? CurrentItem->Prev : LastItem;
  }
  while (p != nullptr && OmitRecord(p)) p = p->Prev;
  CurrentItem = p;
  if (p == nullptr) {
    FBOF = true;
    FEOF = FirstItem == nullptr;
  } else {
    FBOF = false;
    FEOF = false;
    if (recBuf != nullptr) GetRecord(recBuf);
  }
}

void TMemData::GetRecord(TRecBuf recBuf) {
  if (GetBOF() || GetEOF()) return;
  if (CurrentItem != nullptr && !OmitRecord(CurrentItem)) {
    BlockMan.GetRecord(CurrentItem, recBuf);
  } else {
    GetNextRecord(recBuf);
  }
}

void TMemData::PutRecord(TRecBuf recBuf) {
  Assert(CurrentItem != nullptr, Unit);
  BlockMan.PutRecord(CurrentItem, recBuf);
  CurrentItem->FilterResult = fsNotChecked;
  FRecordNoCache.clear();
}

TItemHeader* TMemData::AppendItem() {
  TItemHeader* item = BlockMan.AllocItem();
  InitItem(item);
  item->Next = nullptr;
  item->Prev = LastItem;
  if (LastItem != nullptr) {
    item->Order = LastItem->Order + 1;
    LastItem->Next = item;
  } else {
    item->Order = 1;
    FirstItem = item;
  }
  LastItem = item;
  return item;
}

TItemHeader* TMemData::InsertItem() {
  if (GetEOF() || FirstItem == nullptr) return AppendItem();
  if (GetBOF()) CurrentItem = FirstItem;
  if (CurrentItem == nullptr) return AppendItem();
  TItemHeader* item = BlockMan.AllocItem();
  InitItem(item);
  item->Next = CurrentItem;
  item->Prev = CurrentItem->Prev;
  if (CurrentItem->Prev != nullptr) CurrentItem->Prev->Next = item;
  else FirstItem = item;
  CurrentItem->Prev = item;
  return item;
}

void TMemData::AddRecord(TRecBuf recBuf) {
  TItemHeader* anchor = CurrentItem;
  TItemHeader* item = InsertItem();
  CurrentItem = item;
  FBOF = false;
  FEOF = false;
  PutRecord(recBuf);
  if (FHasBlobFields) {
    for (const auto& d : FFields) {
      if (!d->FIsBlob || d->FHasParent || d->FFieldDescKind == fdkCalculated) continue;
      if (auto* blob = static_cast<TBlob*>(InternalGetObject(d.get(), recBuf))) blob->Commit();
    }
  }
  if (HasSortColumns() && FSortDeferred == 0) {
    // Without an anchor the record went to the end, or to the front when
    // the position was before the first record.
    int dir = anchor != nullptr ? CompareRecords(BlockMan.GetRecordPtr(item), BlockMan.GetRecordPtr(anchor))
                                : (item->Next != nullptr ? 1 : -1);
    MoveSortedRecord(dir);
  }
  if (FCachedUpdates && !FLocalUpdate) {
    item->Status = isAppended;
    item->UpdateResult = urNone;
  }
  if (!OmitRecord(item)) ++FRecordCount;
  ReorderItems(item, roInsert);
}

TItemHeader* TMemData::AppendLoadedRecord() {
  TItemHeader* item = AppendItem();
  TRecBuf rec = TBlockManager::GetRecordPtr(item);
  // Zeroed, so that filler bytes and unused string tails hold nothing stale.
  std::memset(rec, 0, static_cast<size_t>(FRecordSize));
  InitRecord(rec);
  if (FHasComplexFields) CreateComplexFields(rec, false);
  if (FCachedUpdates && !FLocalUpdate) {
    item->Status = isAppended;
    AddCacheItem(item);
  }
  return item;
}

void TMemData::EndLoad(TItemHeader* firstLoaded) {
  FRecordNoCache.clear();
  if (firstLoaded == nullptr) return;
  // A record whose reading failed is whole all the same.
  FinishLoadedRecord(LastItem);
  if (HasSortColumns() && FSortDeferred == 0) {
    SortItems();  // numbers and counts every record
    return;
  }
  Integer running = 1;
  for (TItemHeader* p = firstLoaded->Prev; p != nullptr; p = p->Prev) {
    if (!OmitRecord(p)) {
      running = p->Order + 1;
      break;
    }
  }
  for (TItemHeader* p = firstLoaded; p != nullptr; p = p->Next) {
    if (OmitRecord(p)) {
      p->Order = 0;
    } else {
      p->Order = running++;
      ++FRecordCount;
    }
  }
}

void TMemData::EndDeferredSort(bool sort) {
  Assert(FSortDeferred > 0, Unit);
  if (--FSortDeferred == 0 && sort && HasSortColumns()) SortItems();
}

void TMemData::InsertRecord(TRecBuf recBuf) {
  if (!FCachedUpdates) InternalAppend(recBuf);
  AddRecord(recBuf);
  if (FCachedUpdates && !FLocalUpdate) AddCacheItem(CurrentItem);
}

void TMemData::AppendRecord(TRecBuf recBuf) {
  SetToEnd();
  InsertRecord(recBuf);
}

TItemHeader* TMemData::MakeRollbackItem(TItemHeader* item) {
  TItemHeader* rollback = BlockMan.AllocItem();
  InitItem(rollback);
  rollback->Prev = nullptr;
  rollback->Next = nullptr;
  BlockMan.CopyRecord(item, rollback);
  TRecBuf rec = TBlockManager::GetRecordPtr(rollback);
  AddRefComplexFields(rec, false);
  return rollback;
}

void TMemData::SplitRollbackBlobs(TRecBuf rec, TRecBuf rollRec) {
  if (!FHasBlobFields) return;
  for (const auto& d : FFields) {
    if (!d->FIsBlob || d->FHasParent || d->FFieldDescKind == fdkCalculated) continue;
    auto* blob = static_cast<TBlob*>(InternalGetObject(d.get(), rec));
    auto* old = static_cast<TBlob*>(InternalGetObject(d.get(), rollRec));
    if (blob == nullptr || blob != old || !blob->CanRollback()) continue;
    // The rollback record keeps the old contents in a blob of its own; the
    // shared blob keeps only the new ones.
    TBlob* kept = blob->Clone(true, false);
    SetSlotRef(rollRec + d->FOffset, static_cast<TSharedObject*>(kept));
    blob->Commit();
    blob->Release();
  }
}

void TMemData::UpdateRecord(TRecBuf recBuf) {
  Assert(CurrentItem != nullptr, Unit);
  TItemHeader* item = CurrentItem;
  if (!FCachedUpdates) {
    InternalUpdate(recBuf);
  } else if (!FLocalUpdate) {
    if (item->Status == isUnmodified) AddCacheItem(item);
    if (!(item->Status == isAppended && item->UpdateResult != urApplied)) {
      item->Status = isUpdated;
      TItemHeader* rollback = RollbackOf(item);
      if (rollback == nullptr) {
        rollback = MakeRollbackItem(item);
        SetRollback(item, rollback);
      }
      // Also on later edits: a blob still shared with the rollback copy
      // would otherwise take the old contents away with the new ones.
      SplitRollbackBlobs(recBuf, TBlockManager::GetRecordPtr(rollback));
    }
    item->UpdateResult = urNone;
  }
  FFilterUseRollBack = false;
  int moved = HasSortColumns() ? CompareRecords(recBuf, BlockMan.GetRecordPtr(item)) : 0;
  PutRecord(recBuf);
  if (moved != 0) {
    MoveSortedRecord(moved);
    ReorderItems(nullptr, roFull);
  } else if (OmitRecord(item)) {
    // The edit hid the record: later records move up by one.
    --FRecordCount;
    ReorderItems(item, roDelete);
  }
}

void TMemData::DeleteItem(TItemHeader* item) {
  if (item->Prev != nullptr) item->Prev->Next = item->Next;
  if (item->Next != nullptr) item->Next->Prev = item->Prev;
  if (item == FirstItem && item == LastItem) {
    FirstItem = nullptr;
    LastItem = nullptr;
    CurrentItem = nullptr;
    FBOF = true;
    FEOF = true;
  } else if (item == FirstItem) {
    FirstItem = item->Next;
    if (CurrentItem == item) CurrentItem = FirstItem;
  } else if (item == LastItem) {
    LastItem = item->Prev;
    if (CurrentItem == item) CurrentItem = LastItem;
  } else if (CurrentItem == item) {
    CurrentItem = item->Next;
  }
  FRecordNoCache.clear();
  ReleaseItemValues(item, true);
  BlockMan.FreeItem(item);
}

void TMemData::RemoveRecord() {
  TItemHeader* item = CurrentItem;
  if (item == nullptr) return;
  bool removed = false;
  if (FCachedUpdates) {
    bool appended = item->Status == isAppended;
    RemoveItemFromCache(item);
    RevertItem(item);
    removed = appended;
  }
  if (!removed) {
    bool visible = !OmitRecord(item);
    DeleteItem(item);
    if (visible) --FRecordCount;
  }
  ReorderItems(CurrentItem, roDelete);
}

void TMemData::DeleteRecord() {
  TItemHeader* item = CurrentItem;
  Assert(item != nullptr, Unit);
  if (item == LastItem) Fetch(false);
  if (!FCachedUpdates) {
    CheckFetched(TBlockManager::GetRecordPtr(item), nullptr);
    InternalDelete();
    RemoveRecord();
    return;
  }
  if (FLocalUpdate) {
    RemoveRecord();
    return;
  }
  switch (item->Status) {
    case isDeleted:
      return;
    case isUnmodified:
      AddCacheItem(item);
      item->Status = isDeleted;
      item->UpdateResult = urNone;
      break;
    case isAppended:
      if (item->UpdateResult != urApplied) {
        RemoveItemFromCache(item);
        DeleteItem(item);
        break;
      }
      item->Status = isDeleted;
      item->UpdateResult = urNone;
      item->Order = 0;
      break;
    case isUpdated: {
      TItemHeader* next = item->Next;
      TItemHeader* prev = item->Prev;
      RollbackItem(item);
      item->Status = isDeleted;
      item->UpdateResult = urNone;
      item->Order = 0;
      // The old values may sort elsewhere: the position stays where the
      // record stood, not where its old values took it.
      if (item->Next != next || item->Prev != prev) {
        if (next != nullptr) CurrentItem = next->Prev;
        else if (prev != nullptr) CurrentItem = prev->Next;
      }
      break;
    }
  }
  if (CurrentItem != nullptr) CurrentItem->FilterResult = fsNotChecked;
  --FRecordCount;
  ReorderItems(CurrentItem, roDelete);
}

void TMemData::RefreshRecord(TRecBuf recBuf) {
  Assert(CurrentItem != nullptr, Unit);
  RemoveItemFromCache(CurrentItem);
  CurrentItem->Status = isUnmodified;
  CurrentItem->UpdateResult = urNone;
  PutRecord(recBuf);
}

void TMemData::GetBookmark(TRecBookmark* bookmark) {
  bookmark->RefreshIteration = FRefreshIteration;
  bookmark->Item = CurrentItem;
  bookmark->Serial = CurrentItem != nullptr ? BlockMan.SerialOf(CurrentItem) : 0;
  bookmark->Order = CurrentItem != nullptr ? GetRecordNo() : -1;
}

void TMemData::SetToBookmark(const TRecBookmark* bookmark) {
  if (bookmark == nullptr) return;
  if (bookmark->RefreshIteration == FRefreshIteration && BlockMan.IsLiveItem(bookmark->Item, bookmark->Serial)) {
    CurrentItem = bookmark->Item;
    FBOF = false;
    FEOF = false;
  } else if (bookmark->Order != -1) {
    SetRecordNo(bookmark->Order);
  }
}

bool TMemData::BookmarkValid(const TRecBookmark* bookmark) {
  if (bookmark == nullptr) return false;
  bool live = bookmark->RefreshIteration == FRefreshIteration && BlockMan.IsLiveItem(bookmark->Item, bookmark->Serial);
  if (live && HasFilters() && OmitRecord(bookmark->Item)) return false;
  if (bookmark->Order != -1 && bookmark->Order <= FRecordCount) return true;
  if (live) {
    Integer recNo = RecordNoOf(bookmark->Item);
    return recNo >= 1 && recNo <= FRecordCount;
  }
  return false;
}

int TMemData::CompareBookmarks(const TRecBookmark* b1, const TRecBookmark* b2) {
  if (b1 == nullptr && b2 == nullptr) return 0;
  if (b1 == nullptr) return 1;
  if (b2 == nullptr) return -1;
  if (b1->RefreshIteration == b2->RefreshIteration && b1->RefreshIteration == FRefreshIteration) {
    if (b1->Item == b2->Item && b1->Serial == b2->Serial && b1->Item != nullptr) return 0;
    if (BlockMan.IsLiveItem(b1->Item, b1->Serial) && BlockMan.IsLiveItem(b2->Item, b2->Serial)) {
      Integer o1 = b1->Item->Order, o2 = b2->Item->Order;
      return o1 < o2 ? -1 : (o1 > o2 ? 1 : 0);
    }
  }
  return b1->Order < b2->Order ? -1 : (b1->Order > b2->Order ? 1 : 0);
}

void TMemData::AddCacheItem(TItemHeader* item) {
  auto* entry = new TCacheItem();
  entry->Item = item;
  if (LastCacheItem != nullptr) LastCacheItem->Next = entry;
  else Cache = entry;
  LastCacheItem = entry;
}

void TMemData::RemoveItemFromCache(TItemHeader* item) {
  TCacheItem* prev = nullptr;
  for (TCacheItem* c = Cache; c != nullptr; prev = c, c = c->Next) {
    if (c->Item != item) continue;
    if (prev != nullptr) prev->Next = c->Next;
    else Cache = c->Next;
    if (LastCacheItem == c) LastCacheItem = prev;
    FreeCachedItem(c);
    return;
  }
}

void TMemData::FreeCachedItem(TCacheItem* cacheItem) {
  if (cacheItem->Restore != nullptr) {
    FreeComplexFields(TBlockManager::GetRecordPtr(cacheItem->Restore), true);
    BlockMan.FreeItem(cacheItem->Restore);
  }
  delete cacheItem;
}

void TMemData::RollbackItem(TItemHeader* item) {
  TItemHeader* rollback = RollbackOf(item);
  if (rollback == nullptr) return;
  TRecBuf rec = TBlockManager::GetRecordPtr(item);
  TRecBuf rollRec = TBlockManager::GetRecordPtr(rollback);
  for (const auto& d : FFields) {
    if (!d->FIsBlob || d->FHasParent || d->FFieldDescKind == fdkCalculated) continue;
    auto* blob = static_cast<TBlob*>(InternalGetObject(d.get(), rec));
    auto* old = static_cast<TBlob*>(InternalGetObject(d.get(), rollRec));
    if (blob == nullptr || old == nullptr || blob == old) continue;
    // The record's blob object stays (streams may hold it) but takes the old
    // contents back.
    blob->CloneBlobData(old);
    blob->AddRef();
    SetSlotRef(rollRec + d->FOffset, static_cast<TSharedObject*>(blob));
    old->Release();
  }
  int dir = HasSortColumns() ? CompareRecords(rollRec, rec) : 0;
  FreeComplexFields(rec, true);
  BlockMan.CopyRecord(rollback, item);
  BlockMan.FreeItem(rollback);
  SetRollback(item, nullptr);
  item->FilterResult = fsNotChecked;
  FRecordNoCache.clear();
  if (dir != 0) {
    TItemHeader* current = CurrentItem;
    CurrentItem = item;
    MoveSortedRecord(dir);
    CurrentItem = current;
  }
}

void TMemData::RevertItem(TItemHeader* item) {
  switch (item->Status) {
    case isUnmodified:
      item->UpdateResult = urNone;
      item->FilterResult = fsNotChecked;
      break;
    case isUpdated:
      RollbackItem(item);
      item->Status = isUnmodified;
      item->UpdateResult = urNone;
      item->FilterResult = fsNotChecked;
      break;
    case isAppended:
      DeleteItem(item);
      --FRecordCount;
      break;
    case isDeleted:
      item->Status = isUnmodified;
      item->UpdateResult = urNone;
      item->FilterResult = fsNotChecked;
      ++FRecordCount;
      break;
  }
  InternalCacheChanged();
}
