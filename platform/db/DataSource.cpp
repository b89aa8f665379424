#include "platform/db/DataSource.h"

#include <algorithm>

#include "platform/db/DataSet.h"
#include "platform/rtl/ScopeGuards.h"

// ---------------------------------------------------------------------------
// TDataSource

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  OnStateChange = nullptr;
  OnDataChange = nullptr;
  OnUpdateData = nullptr;
  SetDataSet(nullptr);
  while (!FDataLinks.empty()) RemoveDataLink(FDataLinks.back());
}

void TDataSource::SetDataSet(TDataSet* value) {
  if (value == FDataSet) return;
  if (FDataSet != nullptr) FDataSet->RemoveDataSource(this);
  if (value != nullptr) value->AddDataSource(this);
}

void TDataSource::SetEnabled(bool value) {
  FEnabled = value;
  UpdateState();
}

void TDataSource::Edit() {
  if (AutoEdit && FState == dsBrowse) FDataSet->Edit();
}

void TDataSource::UpdateState() {
  TDataSetState state = FEnabled && FDataSet != nullptr ? FDataSet->State() : dsInactive;
  if (state == FState) return;
  FState = state;
  NotifyLinks(deUpdateState, 0);
  if (OnStateChange) OnStateChange(this);
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (FState == dsInactive) return;
  NotifyLinks(event, info);
  switch (event) {
    case deFieldChange: case deRecordChange: case deDataSetChange: case deDataSetScroll:
      if (OnDataChange) OnDataChange(this, event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default: break;
  }
}

void TDataSource::NotifyLinks(TDataEvent event, std::intptr_t info) {
  ForEachListed(FDataLinks, [&](TDataLink* link) { link->DataEvent(event, info); });
}

void TDataSource::AddDataLink(TDataLink* link) {
  if (std::find(FDataLinks.begin(), FDataLinks.end(), link) != FDataLinks.end()) return;
  if (link->FDataSource != nullptr) link->FDataSource->RemoveDataLink(link);
  FDataLinks.push_back(link);
  link->FDataSource = this;
  link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
  auto it = std::find(FDataLinks.begin(), FDataLinks.end(), link);
  if (it == FDataLinks.end()) return;
  FDataLinks.erase(it);
  link->FDataSource = nullptr;
  link->UpdateState();
}

// ---------------------------------------------------------------------------
// TDataLink

TDataLink::~TDataLink() {
  if (FDataSource == nullptr) return;
  // No notices from a link that is going away.
  auto& links = FDataSource->FDataLinks;
  links.erase(std::find(links.begin(), links.end(), this));
  FDataSource = nullptr;
}

void TDataLink::SetDataSource(TDataSource* value) {
  if (value == FDataSource) return;
  if (value != nullptr) {
    value->AddDataLink(this);
  } else {
    FDataSource->RemoveDataLink(this);
  }
}

TDataSet* TDataLink::DataSet() const { return FDataSource != nullptr ? FDataSource->DataSet() : nullptr; }

bool TDataLink::Edit() {
  if (!ReadOnly && FDataSource != nullptr) FDataSource->Edit();
  return FEditing;
}

void TDataLink::UpdateState() {
  TDataSetState state = FDataSource != nullptr ? FDataSource->State() : dsInactive;
  bool active = state != dsInactive;
  bool editing = state == dsEdit || state == dsInsert || state == dsSetKey;
  if (active != FActive) {
    FActive = active;
    ActiveChanged();
  }
  if (editing != FEditing) {
    FEditing = editing;
    EditingChanged();
  }
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!FActive) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!FUpdating) RecordChanged(event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
      break;
    case deDataSetChange: DataSetChanged(); break;
    case deLayoutChange:
    case deFieldListChange: LayoutChanged(); break;
    case deDataSetScroll: DataSetScrolled(static_cast<int>(info)); break;
    case deUpdateRecord: {
      TRestoreValue updating(FUpdating, true);
      UpdateData();
      break;
    }
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deFocusControl: FocusControl(reinterpret_cast<TField*>(info)); break;
    default: break;
  }
}
