// The dataset side of cached updates: the operations that drive the record
// set's cache, and the hooks that hand its changes to the service's updater.
#include <cstdlib>

#include "platform/rtl/Exceptions.h"
#include "table/DataSetService.h"
#include "table/MemDataSet.h"

namespace {

constexpr char16_t Unit[] = u"ZizOD";
constexpr char16_t SNotCachedUpdate[] = u"Not in cached update mode";

bool EditInProgress(TDataSetState state) { return state == dsEdit || state == dsInsert || state == dsSetKey; }

}  // namespace

TDataSetUpdater* TMemDataSet::Updater() {
  TDataSetService* service = DataSetService();
  return service != nullptr ? service->Updater() : nullptr;
}

void TMemDataSet::InstallUpdateHooks() {
  if (FData == nullptr) return;
  // Each hook asks for the updater at the time of the call: the service can
  // be replaced while the record set stays bound.
  auto forward = [this](auto call) {
    return [this, call] {
      if (TDataSetUpdater* updater = Updater()) (updater->*call)();
    };
  };
  FData->FOnAppend = forward(&TDataSetUpdater::DoPerformAppend);
  FData->FOnDelete = forward(&TDataSetUpdater::DoPerformDelete);
  FData->FOnUpdate = forward(&TDataSetUpdater::DoPerformUpdate);
  FData->FOnCacheChanged = forward(&TDataSetUpdater::DoCacheChanged);
  FData->FOnCacheApplied = forward(&TDataSetUpdater::DoCacheApplied);
  FData->FOnCacheCanceled = forward(&TDataSetUpdater::DoCacheCanceled);
  FData->FAfterApplyUpdates = forward(&TDataSetUpdater::DoAfterApplyUpdates);
  FData->FOnApplyRecord = [this](TUpdateRecKind kind, TUpdateRecAction& action, bool lastItem) {
    if (TDataSetUpdater* updater = Updater()) updater->DoApplyRecord(kind, action, lastItem);
  };
}

void TMemDataSet::CheckCachedUpdateMode() const {
  if (!FCachedUpdates) DatabaseError(SNotCachedUpdate);
}

void TMemDataSet::SetCachedUpdates(bool value) {
  if (value == FCachedUpdates) return;
  CheckInactive();
  FCachedUpdates = value;
  FUpdateRecordTypes = rtModified | rtInserted | rtUnmodified;
  if (FData != nullptr) FData->SetCachedUpdates(value);
}

void TMemDataSet::SetLocalUpdate(bool value) {
  FLocalUpdate = value;
  if (FData != nullptr) FData->FLocalUpdate = value;
}

bool TMemDataSet::UpdatesPending() const { return FData != nullptr && FData->GetUpdatesPending(); }

void TMemDataSet::SetPrepared(bool value) {
  if (value) Prepare();
  else UnPrepare();
}

TItemTypes TMemDataSet::ConvertUpdateRecordTypes(TUpdateRecordTypes value) {
  TItemTypes types = 0;
  if (value & rtModified) types |= ItemTypeBit(isUpdated);
  if (value & rtInserted) types |= ItemTypeBit(isAppended);
  if (value & rtDeleted) types |= ItemTypeBit(isDeleted);
  if (value & rtUnmodified) types |= ItemTypeBit(isUnmodified);
  return types;
}

TUpdateRecordTypes TMemDataSet::GetUpdateRecordTypes() const {
  CheckCachedUpdateMode();
  return FUpdateRecordTypes;
}

void TMemDataSet::SetUpdateRecordTypes(TUpdateRecordTypes value) {
  CheckCachedUpdateMode();
  if (Active()) {
    if (State() == dsSetKey || (EditInProgress(State()) && Modified())) Post();
    else if (EditInProgress(State())) Cancel();
    UpdateCursorPos();
  }
  FUpdateRecordTypes = value;
  if (FData != nullptr) FData->SetFilterItemTypes(ConvertUpdateRecordTypes(value));
  if (Active()) Resync();
}

template <class Fn>
void TMemDataSet::WithCacheRecBufs(Fn fn) {
  FNewCacheRecBuf = AllocRecordBuffer();
  FOldCacheRecBuf = AllocRecordBuffer();
  FData->SetCacheRecBuf(FNewCacheRecBuf, FOldCacheRecBuf);
  auto release = [this] {
    FData->SetCacheRecBuf(nullptr, nullptr);
    FreeBuffer(FNewCacheRecBuf);
    FreeBuffer(FOldCacheRecBuf);
  };
  try {
    fn();
  } catch (...) {
    release();
    Resync();
    throw;
  }
  release();
  Resync();
}

void TMemDataSet::ApplyUpdates() { ApplyUpdates(AllUpdateRecKinds); }

void TMemDataSet::ApplyUpdates(TUpdateRecKinds kinds) {
  CheckActive();
  FreeRefComplexFields(ActiveBuffer());
  if (State() == dsEdit || State() == dsInsert) Post();
  CheckCachedUpdateMode();
  UpdateCursorPos();
  WithCacheRecBufs([&] { FData->ApplyUpdates(kinds); });
}

void TMemDataSet::CommitUpdates() {
  CheckActive();
  CheckCachedUpdateMode();
  FreeRefComplexFields(ActiveBuffer());
  UpdateCursorPos();
  WithCacheRecBufs([&] { FData->CommitUpdates(); });
}

void TMemDataSet::CancelUpdates() {
  CheckActive();
  FreeRefComplexFields(ActiveBuffer());
  if (EditInProgress(State())) Cancel();
  CheckCachedUpdateMode();
  UpdateCursorPos();
  FData->CancelUpdates();
  Resync();
}

void TMemDataSet::RestoreUpdates() {
  CheckActive();
  FreeRefComplexFields(ActiveBuffer());
  if (EditInProgress(State())) Cancel();
  CheckCachedUpdateMode();
  UpdateCursorPos();
  FData->RestoreUpdates();
  Resync();
}

void TMemDataSet::RevertRecord() {
  CheckActive();
  FreeRefComplexFields(ActiveBuffer());
  if (EditInProgress(State())) Cancel();
  CheckCachedUpdateMode();
  UpdateCursorPos();
  FData->RevertRecord();
  Resync();
}

TUpdateRecAction TMemDataSet::InternalGetUpdateResult() {
  Assert(FData != nullptr, Unit);
  UpdateCursorPos();
  return FData->GetUpdateResult();
}

TUpdateAction TMemDataSet::UpdateResult() {
  TUpdateRecAction result = InternalGetUpdateResult();
  switch (result) {
    case urNone: return uaApplied;
    // Held back for a batch: not applied yet, like a skipped record.
    case urSuspended: return uaSkip;
    default: return static_cast<TUpdateAction>(result);
  }
}
