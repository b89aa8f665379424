#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuards.h"
#include "table/DataSetService.h"
#include "table/MemDataSet.h"

bool DoNotRaiseExcetionOnUaFail = false;

namespace {

constexpr char16_t Unit[] = u"ZizOD";
constexpr char16_t SUpdateFailed[] = u"Update failed";
constexpr char16_t SOperationAborted[] = u"Operation aborted";

// The dataset's modified flag as it was, whatever the update did to it.
auto KeepModified(TDataSet* dataSet) {
  return TScopeExit([dataSet, modified = dataSet->Modified()] { dataSet->SetModified(modified); });
}

[[noreturn]] void SilentAbort() { throw EAbort(SOperationAborted); }

}  // namespace

TDataSetUpdater::TDataSetUpdater(TDataSetService* owner)
    : FDataSet(owner != nullptr ? owner->DataSet() : nullptr), FDataSetService(owner) {
  Assert(owner != nullptr, Unit);
}

void TDataSetUpdater::DoPerformAppend() {
  if (FDataSet->FLocalUpdate) return;
  auto keep = KeepModified(FDataSet);
  // A record written once by a deferred post already exists in the target.
  if (FDataSet->FInDeferredPost) PerformUpdate();
  else PerformAppend();
}

void TDataSetUpdater::DoPerformDelete() {
  if (FDataSet->FLocalUpdate) return;
  auto keep = KeepModified(FDataSet);
  PerformDelete();
}

void TDataSetUpdater::DoPerformUpdate() {
  if (FDataSet->FLocalUpdate) return;
  auto keep = KeepModified(FDataSet);
  PerformUpdate();
}

void TDataSetUpdater::DoAfterApplyUpdates() {
  if (BatchUpdate()) FlushBatch();
}

void TDataSetUpdater::PerformByKind(TUpdateRecKind kind) {
  switch (kind) {
    case ukUpdate: PerformUpdate(); break;
    case ukInsert: PerformAppend(); break;
    case ukDelete: PerformDelete(); break;
  }
}

void TDataSetUpdater::DoApplyRecord(TUpdateRecKind kind, TUpdateRecAction& action, bool lastItem) {
  auto keep = KeepModified(FDataSet);
  action = urFail;
  try {
    bool perform = true;
    if (FDataSet->OnUpdateRecord) {
      TUpdateAction handled = uaFail;
      FDataSet->OnUpdateRecord(FDataSet, kind, handled);
      if (handled == uaFail && !DoNotRaiseExcetionOnUaFail) throw EDatabaseError(SUpdateFailed);
      if (handled == uaAbort) SilentAbort();
      if (handled != uaDefault) {
        action = static_cast<TUpdateRecAction>(handled);
        perform = false;
      }
    }
    if (perform) {
      PerformByKind(kind);
      if (BatchUpdate()) {
        if (!lastItem && !CanFlushBatch()) {
          action = urSuspended;
          return;
        }
        FlushBatch();
      }
      action = urApplied;
    }
  } catch (EDatabaseError& e) {
    if (!FDataSet->OnUpdateError) throw;
    TUpdateAction handled = static_cast<TUpdateAction>(action);
    TData* data = FDataSet->Data();
    bool inCache = data != nullptr && data->FInCacheProcessing;
    // The handler may move and edit the dataset like outside an apply.
    if (data != nullptr) data->FInCacheProcessing = false;
    try {
      FDataSet->OnUpdateError(FDataSet, e, kind, handled);
    } catch (...) {
      if (data != nullptr) data->FInCacheProcessing = inCache;
      throw;
    }
    if (data != nullptr) data->FInCacheProcessing = inCache;
    if (handled == uaFail) throw;
    if (handled == uaAbort) SilentAbort();
    // A default answer has no result of its own: the record stays pending.
    action = handled == uaDefault ? urSkip : static_cast<TUpdateRecAction>(handled);
  }
}
