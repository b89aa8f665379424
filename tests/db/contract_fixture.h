// A dataset with a data source and a recording link, and every Before/After
// handler writing to the same log as the dataset's Internal* calls and the
// link's notices, so that a test reads the whole order of one operation.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/DataSource.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"
#include "tests/db/TestDataSet.h"

using Log = std::vector<std::string>;

class RecordingLink : public TDataLink {
 public:
  explicit RecordingLink(Log& log) : FLog(log) {}
  void ActiveChanged() override { FLog.push_back("link:ActiveChanged"); }
  void CheckBrowseMode() override { FLog.push_back("link:CheckBrowseMode"); }
  void DataSetChanged() override { FLog.push_back("link:DataSetChanged"); }
  void DataSetScrolled(int distance) override { FLog.push_back("link:Scrolled(" + std::to_string(distance) + ")"); }
  void EditingChanged() override { FLog.push_back("link:EditingChanged"); }
  void FocusControl(TField* field) override { FLog.push_back("link:FocusControl(" + Name(field) + ")"); }
  void LayoutChanged() override { FLog.push_back("link:LayoutChanged"); }
  void RecordChanged(TField* field) override { FLog.push_back("link:RecordChanged(" + Name(field) + ")"); }
  void UpdateData() override {
    FLog.push_back("link:UpdateData");
    if (OnUpdateData) OnUpdateData();
  }
  // Lets a test play a control that writes its pending value.
  std::function<void()> OnUpdateData;

 private:
  static std::string Name(TField* field) { return field != nullptr ? StringToUtf8(field->FieldName()) : ""; }
  Log& FLog;
};

// ID (integer) and NAME (string of 10), rows 1 "one", 2 "two", 3 "three",
// open on the first row with the log empty.
class ContractTest : public testing::Test {
 protected:
  void SetUp() override {
    ds.FieldDefs().Add(u"ID", ftInteger);
    ds.FieldDefs().Add(u"NAME", ftString, 10);
    ds.Open();
    for (auto [id, name] : {std::pair{1, u"one"}, {2, u"two"}, {3, u"three"}}) AddRow(id, name);
    ds.First();
    source.SetDataSet(&ds);
    link.SetDataSource(&source);
    HookEvents();
    ds.CallLog = &log;
    log.clear();
  }

  void AddRow(Integer id, const String& name) {
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(id);
    ds.FieldByName(u"NAME")->SetAsString(name);
    ds.Post();
  }

  void HookEvents() {
    auto hook = [this](TDataSet::TDataSetNotifyEvent& event, const char* name) {
      event = [this, name](TDataSet*) { log.push_back(name); };
    };
    hook(ds.BeforeOpen, "BeforeOpen");
    hook(ds.AfterOpen, "AfterOpen");
    hook(ds.BeforeClose, "BeforeClose");
    hook(ds.AfterClose, "AfterClose");
    hook(ds.BeforeInsert, "BeforeInsert");
    hook(ds.AfterInsert, "AfterInsert");
    hook(ds.BeforeEdit, "BeforeEdit");
    hook(ds.AfterEdit, "AfterEdit");
    hook(ds.BeforePost, "BeforePost");
    hook(ds.AfterPost, "AfterPost");
    hook(ds.BeforeCancel, "BeforeCancel");
    hook(ds.AfterCancel, "AfterCancel");
    hook(ds.BeforeDelete, "BeforeDelete");
    hook(ds.AfterDelete, "AfterDelete");
    hook(ds.BeforeScroll, "BeforeScroll");
    hook(ds.AfterScroll, "AfterScroll");
    hook(ds.BeforeRefresh, "BeforeRefresh");
    hook(ds.AfterRefresh, "AfterRefresh");
    hook(ds.OnNewRecord, "OnNewRecord");
  }

  // The log since the last call.
  Log Take() {
    Log taken;
    taken.swap(log);
    return taken;
  }
  Integer Id() { return ds.FieldByName(u"ID")->AsInteger(); }
  String NameText() { return ds.FieldByName(u"NAME")->AsString(); }
  // The IDs of all rows in order, read without moving the active record.
  std::vector<Integer> Ids() {
    std::vector<Integer> ids;
    for (Integer r = 1; r <= ds.RecordCount(); ++r) ds.ReadRow(r, [&] { ids.push_back(Id()); });
    return ids;
  }

  Log log;
  TTestDataSet ds;
  TDataSource source;
  RecordingLink link{log};
};

// The message of the EDatabaseError that statement raises.
#define EXPECT_DB_ERROR(statement, text)                                  \
  do {                                                                    \
    try {                                                                 \
      statement;                                                          \
      ADD_FAILURE() << "no error from " #statement;                       \
    } catch (const EDatabaseError& e) {                                   \
      EXPECT_EQ(StringToUtf8(e.Message()), std::string(text));            \
    }                                                                     \
  } while (0)
