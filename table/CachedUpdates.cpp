// Cached updates of the record store: changed records wait in a list (the
// cache) with their old values until they are applied through the record
// set's apply hook, committed, cancelled, restored or reverted.
#include <cstring>
#include <exception>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuards.h"
#include "table/MemData.h"

namespace {

constexpr char16_t Unit[] = u"MemData";

// A record buffer the store allocates for itself when no dataset lent one.
class OwnRecBuf {
 public:
  OwnRecBuf(const TData& data, TRecBuf& slot) : FSlot(slot) {
    if (FSlot == nullptr) FSlot = FOwned = data.AllocRecBuf();
  }
  ~OwnRecBuf() {
    if (FOwned == nullptr) return;
    TData::FreeRecBuf(FOwned);
    FSlot = nullptr;
  }
  OwnRecBuf(const OwnRecBuf&) = delete;
  OwnRecBuf& operator=(const OwnRecBuf&) = delete;

 private:
  TRecBuf& FSlot;
  TRecBuf FOwned = nullptr;
};


}  // namespace

// ---------------------------------------------------------------------------
// The record set's hooks

void TData::ApplyRecord(TUpdateRecKind kind, TUpdateRecAction& action, bool lastItem) {
  if (FOnApplyRecord) FOnApplyRecord(kind, action, lastItem);
}

void TData::InternalCacheChanged() {
  if (FOnCacheChanged) FOnCacheChanged();
}

void TData::InternalCacheApplied() {
  if (FOnCacheApplied) FOnCacheApplied();
}

void TData::InternalCacheCanceled() {
  if (FOnCacheCanceled) FOnCacheCanceled();
}

void TData::DoAfterApplyUpdates() {
  if (FAfterApplyUpdates) FAfterApplyUpdates();
}

void TData::SetCachedUpdates(bool value) {
  if (value == FCachedUpdates) return;
  if (FCachedUpdates) CancelUpdates();
  FCachedUpdates = value;
  SetFilterItemTypes(ItemTypeBit(isUnmodified) | ItemTypeBit(isUpdated) | ItemTypeBit(isAppended));
}

// ---------------------------------------------------------------------------
// Queries

TItemStatus TMemData::GetUpdateStatus() { return CurrentItem != nullptr ? CurrentItem->Status : isUnmodified; }

TUpdateRecAction TMemData::GetUpdateResult() { return CurrentItem != nullptr ? CurrentItem->UpdateResult : urNone; }

bool TMemData::GetUpdatesPending() {
  for (TCacheItem* c = Cache; c != nullptr; c = c->Next) {
    if (c->Item->UpdateResult != urApplied) return true;
  }
  return false;
}

bool TMemData::HasUpdatedOrDeletedRecords() {
  for (TCacheItem* c = Cache; c != nullptr; c = c->Next) {
    TItemHeader* item = c->Item;
    if ((item->Status == isUpdated || item->Status == isDeleted) && item->UpdateResult != urApplied) return true;
  }
  return false;
}

void TMemData::GetOldRecord(TRecBuf recBuf) {
  if (GetBOF() || GetEOF() || CurrentItem == nullptr) return;
  if (OmitRecord(CurrentItem)) {
    GetNextRecord(nullptr);
    if (CurrentItem == nullptr) return;
  }
  TItemHeader* rollback = RollbackOf(CurrentItem);
  BlockMan.GetRecord(rollback != nullptr ? rollback : CurrentItem, recBuf);
}

void TMemData::SetCacheRecBuf(TRecBuf newBuf, TRecBuf oldBuf) {
  FNewCacheRecBuf = newBuf;
  FOldCacheRecBuf = oldBuf;
}

// ---------------------------------------------------------------------------
// Which statuses are visible

void TMemData::SetFilterItemTypes(TItemTypes value) {
  if (value == FFilterItemTypes) return;
  FFilterItemTypes = value;
  if (FActive) FilterUpdated();
}

void TMemData::ClearItemsOmittedStatus() {
  for (TItemHeader* item = FirstItem; item != nullptr; item = item->Next) item->FilterResult = fsNotChecked;
  FRecordNoCache.clear();
}

void TMemData::FilterUpdated() {
  ClearItemsOmittedStatus();
  if (FirstItem == nullptr) FRecordCount = 0;
  ReorderItems(nullptr, roFull);
  FEOF = FRecordCount == 0;
}

// ---------------------------------------------------------------------------
// Apply

bool TMemData::ApplyCacheItem(TCacheItem* entry, TUpdateRecKinds kinds, TUpdateRecAction& action) {
  TItemHeader* item = entry->Item;
  TUpdateRecKind kind;
  switch (item->Status) {
    case isUpdated: kind = ukUpdate; break;
    case isAppended: kind = ukInsert; break;
    case isDeleted: kind = ukDelete; break;
    default: AssertionFailed(Unit);  // an unchanged record has no business in the cache
  }
  if ((kinds & UpdateRecKindBit(kind)) == 0) return false;
  TRecBuf rec = TBlockManager::GetRecordPtr(item);
  TItemHeader* rollback = kind == ukUpdate ? RollbackOf(item) : nullptr;
  TRecBuf old = rollback != nullptr ? TBlockManager::GetRecordPtr(rollback) : rec;
  std::memcpy(FNewCacheRecBuf, rec, static_cast<size_t>(FRecordSize));
  std::memcpy(FOldCacheRecBuf, old, static_cast<size_t>(FRecordSize));
  ApplyRecord(kind, action, entry == LastCacheItem);
  return kind != ukDelete;
}

void TMemData::KeepAppliedValues(TCacheItem* entry, bool& moved) {
  TItemHeader* item = entry->Item;
  // The hook may have changed the new values; they are what was applied.
  int dir = HasSortColumns() ? CompareRecords(FNewCacheRecBuf, TBlockManager::GetRecordPtr(item)) : 0;
  BlockMan.PutRecord(item, FNewCacheRecBuf);
  item->FilterResult = fsNotChecked;
  FRecordNoCache.clear();
  TItemHeader* rollback = item->Status == isUpdated ? RollbackOf(item) : nullptr;
  if (rollback != nullptr) {
    // The restore copy keeps the values from before the first apply; the
    // rollback copy follows what the target now holds.
    if (entry->Restore == nullptr) entry->Restore = MakeRollbackItem(rollback);
    TRecBuf rollRec = TBlockManager::GetRecordPtr(rollback);
    FreeComplexFields(rollRec, true);
    BlockMan.CopyRecord(item, rollback);
    AddRefComplexFields(rollRec, false);
  }
  if (dir != 0) {
    TItemHeader* current = CurrentItem;
    CurrentItem = item;
    MoveSortedRecord(dir);
    CurrentItem = current;
    moved = true;
  }
}

void TMemData::ApplyUpdates(TUpdateRecKinds kinds) {
  if (!FCachedUpdates) return;
  TItemHeader* current = CurrentItem;
  UInt64 currentSerial = current != nullptr ? BlockMan.SerialOf(current) : 0;
  OwnRecBuf newBuf(*this, FNewCacheRecBuf);
  OwnRecBuf oldBuf(*this, FOldCacheRecBuf);
  std::exception_ptr failure;
  bool renumber = false;
  {
    TRestoreValue processing(FInCacheProcessing, true);
    // c: the entry being applied; p: the one before it; s: the first of a
    // run of suspended entries (held back for a batch), sPrev before it.
    TCacheItem* p = nullptr;
    TCacheItem* c = Cache;
    TCacheItem* s = nullptr;
    TCacheItem* sPrev = nullptr;
    while (c != nullptr) {
      if (c->Item->UpdateResult == urApplied) {
        p = c;
        c = c->Next;
        continue;
      }
      TCacheItem* n = c->Next;
      TItemHeader* item = c->Item;
      UInt64 serial = BlockMan.SerialOf(item);
      CurrentItem = item;
      TUpdateRecAction action = urFail;
      auto stillLinked = [&] { return p != nullptr ? p->Next == c : Cache == c; };
      try {
        // A hook may have closed the store or taken this record away.
        if (ApplyCacheItem(c, kinds, action) && FActive && stillLinked() && BlockMan.IsLiveItem(item, serial) &&
            item->Status != isDeleted) {
          KeepAppliedValues(c, renumber);
        }
      } catch (...) {
        failure = std::current_exception();
      }
      if (!FActive) break;
      if (!stillLinked()) {
        // The hook took the entry out of the cache (and freed it).
        c = Cache != nullptr ? n : nullptr;
      } else {
        if (action != urSuspended && s != nullptr) {
          for (TCacheItem* e = s; e != c; e = e->Next) e->Item->UpdateResult = action;
        }
        item->UpdateResult = action;
        if (action == urRetry && failure == nullptr) {
          if (s != nullptr) {
            c = s;
            p = sPrev;
            s = nullptr;
          }
          continue;
        }
        if (action == urSuspended) {
          if (s == nullptr) {
            s = c;
            sPrev = p;
          }
        } else {
          s = nullptr;
        }
        p = c;
        c = n;
      }
      if (failure != nullptr) {
        // The position goes to the record after the one that failed.
        if (c != nullptr) {
          current = c->Item;
          currentSerial = BlockMan.SerialOf(current);
        }
        break;
      }
    }
    if (failure == nullptr) {
      try {
        DoAfterApplyUpdates();
      } catch (...) {
        failure = std::current_exception();
      }
    }
  }
  if (current == nullptr || BlockMan.IsLiveItem(current, currentSerial)) CurrentItem = current;
  if (failure != nullptr) std::rethrow_exception(failure);
  if (renumber) ReorderItems(nullptr, roFull);
  InternalCacheApplied();
}

// ---------------------------------------------------------------------------
// Commit, cancel, restore, revert

void TMemData::CommitUpdates() {
  if (GetUpdatesPending()) ApplyUpdates(AllUpdateRecKinds);
  TRestoreValue processing(FInCacheProcessing, true);
  bool changed = false;
  TCacheItem* prev = nullptr;
  for (TCacheItem* c = Cache; c != nullptr;) {
    TCacheItem* next = c->Next;
    TItemHeader* item = c->Item;
    if (item->UpdateResult != urApplied) {
      prev = c;
      c = next;
      continue;
    }
    FreeRollbackItem(item);
    if (item->Status == isDeleted) {
      DeleteItem(item);
    } else {
      item->Status = isUnmodified;
      item->UpdateResult = urNone;
      item->FilterResult = fsNotChecked;
    }
    if (prev != nullptr) prev->Next = next;
    else Cache = next;
    if (LastCacheItem == c) LastCacheItem = prev;
    FreeCachedItem(c);
    changed = true;
    c = next;
  }
  // A status change can show or hide a record under the visible item types.
  if (changed) ReorderItems(nullptr, roFull);
}

void TMemData::CancelUpdates() {
  if (Cache == nullptr) return;
  InternalCacheCanceled();
  while (Cache != nullptr) {
    TCacheItem* c = Cache;
    Cache = c->Next;
    if (Cache == nullptr) LastCacheItem = nullptr;
    RevertItem(c->Item);
    FreeCachedItem(c);
  }
  ClearItemsOmittedStatus();
  ReorderItems(nullptr, roFull);
}

void TMemData::RestoreUpdates() {
  if (!FCachedUpdates) return;
  for (TCacheItem* c = Cache; c != nullptr; c = c->Next) {
    TItemHeader* item = c->Item;
    if (c->Restore != nullptr) {
      FreeRollbackItem(item);
      SetRollback(item, c->Restore);
      c->Restore = nullptr;
    }
    item->UpdateResult = urNone;
  }
}

void TMemData::RevertRecord() {
  TItemHeader* item = CurrentItem;
  if (item == nullptr) return;
  TCacheItem* prev = nullptr;
  TCacheItem* c = Cache;
  while (c != nullptr && c->Item != item) {
    prev = c;
    c = c->Next;
  }
  if (c == nullptr) return;
  if (prev != nullptr) prev->Next = c->Next;
  else Cache = c->Next;
  if (LastCacheItem == c) LastCacheItem = prev;
  RevertItem(item);
  FreeCachedItem(c);
  // Reverting shows a deleted record again or drops an appended one.
  ReorderItems(nullptr, roFull);
}
