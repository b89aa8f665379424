// Data sources and data links: how controls hear of a dataset's changes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/db/DBTypes.h"
#include "platform/rtl/Component.h"

class TDataSet;
class TDataLink;
class TField;

// Calls notify for every item of the list, also when a call removes items:
// those not yet reached are skipped.
template <class T, class Notify>
void ForEachListed(const std::vector<T*>& list, Notify notify) {
  std::vector<T*> snapshot = list;
  for (T* item : snapshot) {
    if (std::find(list.begin(), list.end(), item) != list.end()) notify(item);
  }
}

class TDataSource : public TComponent {
 public:
  explicit TDataSource(TComponent* owner = nullptr);
  ~TDataSource() override;
  const char* ClassName() const override { return "TDataSource"; }

  TDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  // The dataset's state as the last deUpdateState gave it; dsInactive
  // without a dataset or while disabled.
  TDataSetState State() const { return FState; }
  bool AutoEdit = true;
  // Starts an edit when the dataset browses and AutoEdit is on.
  void Edit();

  // Events; the first argument is the sender.
  std::function<void(TDataSource*)> OnStateChange;
  std::function<void(TDataSource*, TField* field)> OnDataChange;
  std::function<void(TDataSource*)> OnUpdateData;

  // Called by the dataset.
  void DataEvent(TDataEvent event, std::intptr_t info);

  void AddDataLink(TDataLink* link);
  void RemoveDataLink(TDataLink* link);
  const std::vector<TDataLink*>& DataLinks() const { return FDataLinks; }

 private:
  friend class TDataSet;
  friend class TDataLink;
  void NotifyLinks(TDataEvent event, std::intptr_t info);
  void UpdateState();
  TDataSet* FDataSet = nullptr;
  bool FEnabled = true;
  TDataSetState FState = dsInactive;
  std::vector<TDataLink*> FDataLinks;
};

// A control's connection to a data source. Derived links override the
// notifications they care about.
class TDataLink {
 public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* value);
  TDataSet* DataSet() const;
  // The data source has an open dataset and is enabled.
  bool Active() const { return FActive; }
  bool Editing() const { return FEditing; }
  bool ReadOnly = false;
  // Starts an edit through the data source; true when the dataset edits.
  bool Edit();

  // Notifications.
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField* /*field*/) {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* /*field*/) {}
  virtual void UpdateData() {}

  // Called by the data source.
  void DataEvent(TDataEvent event, std::intptr_t info);

 private:
  friend class TDataSource;
  void UpdateState();
  TDataSource* FDataSource = nullptr;
  bool FActive = false;
  bool FEditing = false;
  // Set while the link writes its pending values: its own writes do not
  // come back to it as RecordChanged.
  bool FUpdating = false;
};
