// TMemDataSet: the filter text, the record-filter event, filter options and
// the FindFirst family. The record set evaluates the text; the event runs
// through the record-filter hook.
#include "platform/rtl/Strings.h"
#include "table/MemData.h"
#include "table/MemDataSet.h"

void TMemDataSet::RefreshView(bool toFirst) {
  FData->FilterUpdated();
  Resync();
  if (toFirst) First();
}

namespace {
void SetFilterFlags(TData& data, TFilterOptions options) {
  data.FFilterCaseInsensitive = (options & foCaseInsensitive) != 0;
  data.FFilterNoPartialCompare = (options & foNoPartialCompare) != 0;
}
}  // namespace

void TMemDataSet::ApplyFilterToStore(const String& text, TFilterOptions options) {
  SetFilterFlags(*FData, options);
  FData->SetFilterText(Filtered() && !Trim(text).empty() ? text : String());
}

void TMemDataSet::ActivateFilters() {
  if (FData == nullptr) return;
  DeactivateFilters();
  if (OnFilterRecord) FData->FFilterFunc = [this](TRecBuf recBuf) { return RecordFilter(recBuf); };
  if (!Trim(Filter()).empty()) FData->SetFilterText(Filter());
  SetFilterFlags(*FData, FilterOptions());
}

void TMemDataSet::DeactivateFilters() {
  if (FData == nullptr) return;
  FData->FFilterFunc = nullptr;
  FData->SetFilterText(String());
}

bool TMemDataSet::RecordFilter(TRecBuf recBuf) {
  TDataSetState saved = SetTempState(dsFilter);
  TRecordBuffer savedBuffer = FFilterBuffer;
  FFilterBuffer = recBuf;
  bool accept = true;
  try {
    if (OnFilterRecord) OnFilterRecord(this, accept);
  } catch (...) {
    // Shown, not propagated: one faulty record must not stop the view.
    InternalHandleException();
  }
  FFilterBuffer = savedBuffer;
  RestoreState(saved);
  return accept;
}

void TMemDataSet::SetFiltered(bool value) {
  bool active = Active();
  if (active) {
    CheckBrowseMode();
    UpdateCursorPos();
  }
  if (value == Filtered()) return;
  TDataSet::SetFiltered(value);
  if (value) ActivateFilters();
  else DeactivateFilters();
  if (active) RefreshView(true);
}

void TMemDataSet::SetFilterText(const String& value) { SetFilterData(value, FilterOptions()); }

void TMemDataSet::SetFilterOptions(TFilterOptions value) { SetFilterData(Filter(), value); }

void TMemDataSet::SetFilterData(const String& text, TFilterOptions options) {
  bool active = Active();
  if (active) {
    CheckBrowseMode();
    UpdateCursorPos();
  }
  if (text == Filter() && options == FilterOptions()) return;
  // The record set parses first: a faulty text leaves the old filter.
  if (FData != nullptr) ApplyFilterToStore(text, options);
  TDataSet::SetFilterText(text);
  TDataSet::SetFilterOptions(options);
  if (active && Filtered()) RefreshView(true);
}

void TMemDataSet::SetOnFilterRecord(std::function<void(TDataSet*, bool& accept)> value) {
  bool active = Active();
  if (active) {
    CheckBrowseMode();
    UpdateCursorPos();
  }
  TDataSet::SetOnFilterRecord(std::move(value));
  if (FData != nullptr) {
    if (Filtered() && OnFilterRecord) FData->FFilterFunc = [this](TRecBuf recBuf) { return RecordFilter(recBuf); };
    else FData->FFilterFunc = nullptr;
  }
  if (active) RefreshView(true);
}

bool TMemDataSet::FindRecord(bool restart, bool goForward) {
  CheckBrowseMode();
  DoBeforeScroll();
  FFound = false;
  UpdateCursorPos();
  CursorPosChanged();
  bool temporary = !Filtered();
  auto clearMarks = [this] {
    if (FStore != nullptr) FStore->ClearItemsOmittedStatus();
  };
  if (temporary) {
    ActivateFilters();
    clearMarks();
  }
  try {
    if (goForward) {
      if (restart) FData->SetToBegin();
      FData->GetNextRecord(nullptr);
    } else {
      if (restart) FData->SetToEnd();
      FData->GetPriorRecord(nullptr);
    }
  } catch (...) {
    if (temporary) {
      DeactivateFilters();
      clearMarks();
    }
    throw;
  }
  if (temporary) {
    DeactivateFilters();
    clearMarks();
  }
  if (!FData->GetBOF() && !FData->GetEOF()) {
    Resync();
    FFound = true;
  }
  if (FFound) DoAfterScroll();
  return FFound;
}
