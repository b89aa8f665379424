// Cached updates: changes held in the store and applied, committed,
// cancelled, restored and reverted, through the dataset and its updater.
#include <gtest/gtest.h>

#include <string>

#include "platform/rtl/Strings.h"
#include "table/DataSetService.h"
#include "tests/support/exception_message.h"
#include "tests/table/mem_dataset_fixture.h"
#include "tests/table/store_fixture.h"

namespace {

// ID, NAME, MEMO in cached mode; rows 1 "one", 2 "two", 3 "three" committed,
// the first current.
class CachedUpdatesTest : public testing::Test {
 protected:
  void SetUp() override {
    ds.SetCachedUpdates(true);
    ds.Open();
    for (auto [id, name] : {std::pair{1, u"one"}, {2, u"two"}, {3, u"three"}}) AddRow(id, name);
    ds.CommitUpdates();
    ds.First();
  }

  void AddRow(Integer id, const String& name) {
    ds.Append();
    Field(u"ID")->SetAsInteger(id);
    Field(u"NAME")->SetAsString(name);
    Field(u"MEMO")->SetAsString(u"m" + name);
    ds.Post();
  }
  TField* Field(const char16_t* name) { return ds.FieldByName(name); }
  Integer Id() { return Field(u"ID")->AsInteger(); }
  void GoTo(Integer id) {
    for (ds.First(); !ds.Eof(); ds.Next()) {
      if (Id() == id) return;
    }
    FAIL() << "no record " << id;
  }
  void SetName(Integer id, const String& name) {
    GoTo(id);
    ds.Edit();
    Field(u"NAME")->SetAsString(name);
    ds.Post();
  }
  // The visible records walked from the first: "id name status" with the
  // status as u(nmodified), m(odified), i(nserted) or d(eleted).
  std::string Rows() {
    std::string rows;
    int count = 0;
    for (ds.First(); !ds.Eof(); ds.Next(), ++count) {
      if (!rows.empty()) rows += ",";
      rows += std::to_string(Id()) + " " + StringToUtf8(Field(u"NAME")->AsString()) + " " +
              "umid"[ds.UpdateStatus()];
    }
    EXPECT_EQ(ds.RecordCount(), count);
    return rows;
  }
  std::string AllRows() {
    ds.SetUpdateRecordTypes(rtModified | rtInserted | rtDeleted | rtUnmodified);
    std::string rows = Rows();
    ds.SetUpdateRecordTypes(rtModified | rtInserted | rtUnmodified);
    return rows;
  }

  FixedFormats formats;
  ListDataSet ds{{{u"ID", dtInt32}, {u"NAME", dtString, 10}, {u"MEMO", dtMemo}}};
};

TEST_F(CachedUpdatesTest, EveryChangeThroughEveryEnding) {
  enum Change { Edit2, Append4, Delete2 };
  enum Ending { Pending, Apply, Cancel, Revert, ApplyRestore, ApplyCommit };
  struct Case {
    Change change;
    Ending ending;
    const char* rows;  // visible with the default record types
    const char* all;   // deleted records included
    bool pending;
  };
  const Case cases[] = {
      {Edit2, Pending, "1 one u,2 deux m,3 three u", "1 one u,2 deux m,3 three u", true},
      {Edit2, Apply, "1 one u,2 deux m,3 three u", "1 one u,2 deux m,3 three u", false},
      {Edit2, Cancel, "1 one u,2 two u,3 three u", "1 one u,2 two u,3 three u", false},
      {Edit2, Revert, "1 one u,2 two u,3 three u", "1 one u,2 two u,3 three u", false},
      {Edit2, ApplyRestore, "1 one u,2 deux m,3 three u", "1 one u,2 deux m,3 three u", true},
      {Edit2, ApplyCommit, "1 one u,2 deux u,3 three u", "1 one u,2 deux u,3 three u", false},
      {Append4, Pending, "1 one u,2 two u,3 three u,4 four i", "1 one u,2 two u,3 three u,4 four i", true},
      {Append4, Apply, "1 one u,2 two u,3 three u,4 four i", "1 one u,2 two u,3 three u,4 four i", false},
      {Append4, Cancel, "1 one u,2 two u,3 three u", "1 one u,2 two u,3 three u", false},
      {Append4, Revert, "1 one u,2 two u,3 three u", "1 one u,2 two u,3 three u", false},
      {Append4, ApplyRestore, "1 one u,2 two u,3 three u,4 four i", "1 one u,2 two u,3 three u,4 four i", true},
      {Append4, ApplyCommit, "1 one u,2 two u,3 three u,4 four u", "1 one u,2 two u,3 three u,4 four u", false},
      {Delete2, Pending, "1 one u,3 three u", "1 one u,2 two d,3 three u", true},
      {Delete2, Apply, "1 one u,3 three u", "1 one u,2 two d,3 three u", false},
      {Delete2, Cancel, "1 one u,2 two u,3 three u", "1 one u,2 two u,3 three u", false},
      {Delete2, Revert, "1 one u,2 two u,3 three u", "1 one u,2 two u,3 three u", false},
      {Delete2, ApplyRestore, "1 one u,3 three u", "1 one u,2 two d,3 three u", true},
      {Delete2, ApplyCommit, "1 one u,3 three u", "1 one u,3 three u", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "change " << c.change << ", ending " << c.ending);
    ds.Close();  // a fresh table each round
    ds.Open();
    for (auto [id, name] : {std::pair{1, u"one"}, {2, u"two"}, {3, u"three"}}) AddRow(id, name);
    ds.CommitUpdates();
    ASSERT_FALSE(ds.UpdatesPending());

    Integer changed = c.change == Append4 ? 4 : 2;
    switch (c.change) {
      case Edit2: SetName(2, u"deux"); break;
      case Append4: AddRow(4, u"four"); break;
      case Delete2: GoTo(2), ds.Delete(); break;
    }
    switch (c.ending) {
      case Pending: break;
      case Apply: ds.ApplyUpdates(); break;
      case Cancel: ds.CancelUpdates(); break;
      case Revert:
        ds.SetUpdateRecordTypes(rtModified | rtInserted | rtDeleted | rtUnmodified);
        GoTo(changed);
        ds.RevertRecord();
        ds.SetUpdateRecordTypes(rtModified | rtInserted | rtUnmodified);
        break;
      case ApplyRestore: ds.ApplyUpdates(), ds.RestoreUpdates(); break;
      case ApplyCommit: ds.ApplyUpdates(), ds.CommitUpdates(); break;
    }
    EXPECT_EQ(Rows(), c.rows);
    EXPECT_EQ(AllRows(), c.all);
    EXPECT_EQ(ds.UpdatesPending(), c.pending);
  }
}

TEST_F(CachedUpdatesTest, OldValuesAreThoseBeforeTheFirstEditUntilCommit) {
  SetName(2, u"deux");
  SetName(2, u"zwei");
  EXPECT_EQ(Field(u"NAME")->OldValue().AsString(), u"two");
  ds.ApplyUpdates();
  // Applied: the old values follow what was applied ...
  GoTo(2);
  EXPECT_EQ(Field(u"NAME")->OldValue().AsString(), u"zwei");
  EXPECT_EQ(ds.UpdateResult(), uaApplied);
  // ... and a restore brings back the ones from before the first apply.
  ds.RestoreUpdates();
  GoTo(2);
  EXPECT_EQ(Field(u"NAME")->OldValue().AsString(), u"two");
  EXPECT_EQ(ds.InternalGetUpdateResult(), urNone);
  ds.CancelUpdates();
  EXPECT_EQ(Rows(), "1 one u,2 two u,3 three u");
}

TEST_F(CachedUpdatesTest, DeletingAnAppendedRecordLeavesNothingInTheCache) {
  AddRow(4, u"four");
  ds.Delete();
  EXPECT_FALSE(ds.UpdatesPending());
  EXPECT_EQ(AllRows(), "1 one u,2 two u,3 three u");
  // A deleted updated record has its old values back.
  SetName(2, u"deux");
  ds.Delete();
  EXPECT_EQ(AllRows(), "1 one u,2 two d,3 three u");
}

TEST_F(CachedUpdatesTest, ApplyFailingHalfwayIsRetried) {
  for (Integer id : {1, 2, 3}) SetName(id, u"x" + IntToStr(id));
  std::vector<Integer> seen;
  bool failTwo = true;
  ds.OnUpdateRecord = [&](TDataSet*, TUpdateRecKind kind, TUpdateAction& action) {
    EXPECT_EQ(kind, ukUpdate);
    seen.push_back(Id());
    if (Id() == 2 && failTwo) throw EDatabaseError(u"target refused");
    action = uaApplied;
  };
  EXPECT_EQ(ExceptionMessage([&] { ds.ApplyUpdates(); }), "target refused");
  EXPECT_EQ(seen, (std::vector<Integer>{1, 2}));
  EXPECT_TRUE(ds.UpdatesPending());
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(Id(), 3);  // the record after the failing one is current
  GoTo(1);
  EXPECT_EQ(ds.UpdateResult(), uaApplied);
  GoTo(2);
  EXPECT_EQ(ds.UpdateResult(), uaFail);

  // The second run applies only what is still pending.
  failTwo = false;
  seen.clear();
  ds.ApplyUpdates();
  EXPECT_EQ(seen, (std::vector<Integer>{2, 3}));
  EXPECT_FALSE(ds.UpdatesPending());
}

TEST_F(CachedUpdatesTest, HandlerActions) {
  SetName(2, u"deux");
  struct Case {
    TUpdateAction answer;
    const char* error;
    TUpdateAction result;
    int calls;
  };
  const Case cases[] = {
      {uaSkip, "no error", uaSkip, 1},
      {uaFail, "Update failed", uaFail, 1},
      {uaAbort, "Operation aborted", uaFail, 1},
      {uaRetry, "no error", uaApplied, 3},  // retried until the handler applies it
      {uaDefault, "no error", uaApplied, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "answer " << int(c.answer));
    ds.RestoreUpdates();
    int calls = 0;
    ds.OnUpdateRecord = [&](TDataSet*, TUpdateRecKind, TUpdateAction& action) {
      ++calls;
      action = c.answer == uaRetry && calls == 3 ? uaApplied : c.answer;
    };
    EXPECT_EQ(ExceptionMessage([&] { ds.ApplyUpdates(); }), c.error);
    EXPECT_EQ(calls, c.calls);
    GoTo(2);
    EXPECT_EQ(ds.UpdateResult(), c.result);
  }
}

TEST_F(CachedUpdatesTest, UpdateErrorHandlerDecides) {
  SetName(2, u"deux");
  int attempts = 0;
  ds.OnUpdateRecord = [&](TDataSet*, TUpdateRecKind, TUpdateAction& action) {
    if (++attempts == 1) throw EDatabaseError(u"busy");
    action = uaApplied;
  };
  std::vector<std::string> errors;
  ds.OnUpdateError = [&](TDataSet*, EDatabaseError& e, TUpdateRecKind kind, TUpdateAction& action) {
    EXPECT_EQ(kind, ukUpdate);
    EXPECT_FALSE(ds.Data()->FInCacheProcessing);
    errors.push_back(StringToUtf8(e.Message()));
    action = uaRetry;
  };
  ds.ApplyUpdates();
  EXPECT_EQ(attempts, 2);
  EXPECT_EQ(errors, (std::vector<std::string>{"busy"}));
  EXPECT_FALSE(ds.UpdatesPending());

  // uaFail from the error handler passes the failure on.
  ds.RestoreUpdates();
  ds.OnUpdateRecord = [](TDataSet*, TUpdateRecKind, TUpdateAction&) { throw EDatabaseError(u"down"); };
  ds.OnUpdateError = [](TDataSet*, EDatabaseError&, TUpdateRecKind, TUpdateAction& action) { action = uaFail; };
  EXPECT_EQ(ExceptionMessage([&] { ds.ApplyUpdates(); }), "down");
}

TEST_F(CachedUpdatesTest, ApplyOfOneKindLeavesTheOthersFailed) {
  SetName(1, u"uno");
  AddRow(4, u"four");
  GoTo(3);
  ds.Delete();
  std::vector<TUpdateRecKind> kinds;
  ds.OnUpdateRecord = [&](TDataSet*, TUpdateRecKind kind, TUpdateAction& action) {
    kinds.push_back(kind);
    action = uaApplied;
  };
  ds.ApplyUpdates(UpdateRecKindBit(ukInsert));
  EXPECT_EQ(kinds, (std::vector<TUpdateRecKind>{ukInsert}));
  ds.SetUpdateRecordTypes(rtModified | rtInserted | rtDeleted | rtUnmodified);
  for (auto [id, result] : {std::pair{1, urFail}, {3, urFail}, {4, urApplied}, {2, urNone}}) {
    GoTo(id);
    EXPECT_EQ(ds.InternalGetUpdateResult(), result) << id;
  }
  EXPECT_TRUE(ds.UpdatesPending());
}

TEST_F(CachedUpdatesTest, BlobsEditedAndRevertedKeepTheirOldValue) {
  // The memo edited alone, and after another field of the record was
  // already changed (the rollback copy then exists and shares the memo).
  for (bool nameFirst : {false, true}) {
    SCOPED_TRACE(nameFirst ? "name first" : "memo only");
    if (nameFirst) SetName(2, u"deux");
    GoTo(2);
    ds.Edit();
    Field(u"MEMO")->SetAsString(u"new memo");
    ds.Post();
    EXPECT_EQ(Field(u"MEMO")->AsString(), u"new memo");
    EXPECT_EQ(Field(u"MEMO")->OldValue().AsString(), u"mtwo");
    ds.RevertRecord();
    EXPECT_EQ(Field(u"MEMO")->AsString(), u"mtwo");
    EXPECT_EQ(Field(u"NAME")->AsString(), u"two");
    EXPECT_FALSE(ds.UpdatesPending());
  }
}

TEST_F(CachedUpdatesTest, BookmarksOfRevertedRecords) {
  GoTo(2);
  TBookmark two = ds.GetBookmark();
  ds.Edit();
  Field(u"NAME")->SetAsString(u"deux");
  ds.Post();
  ds.RevertRecord();
  ds.Last();
  ASSERT_TRUE(ds.BookmarkValid(two));
  ds.GotoBookmark(two);
  EXPECT_EQ(Field(u"NAME")->AsString(), u"two");

  // A deleted record's bookmark is valid again once the delete is cancelled.
  ds.Delete();
  EXPECT_FALSE(ds.BookmarkValid(two));
  ds.CancelUpdates();
  ASSERT_TRUE(ds.BookmarkValid(two));
  ds.GotoBookmark(two);
  EXPECT_EQ(Id(), 2);

  // An appended record's bookmark dies with the revert.
  AddRow(4, u"four");
  TBookmark four = ds.GetBookmark();
  ds.RevertRecord();
  EXPECT_FALSE(ds.BookmarkValid(four));
  EXPECT_EQ(ds.RecordCount(), 3);
}

TEST_F(CachedUpdatesTest, ModeSwitchAndErrors) {
  GoTo(2);
  EXPECT_EQ(ds.UpdateResult(), uaApplied);  // unchanged
  EXPECT_EQ(ExceptionMessage([&] { ds.SetCachedUpdates(false); }),
            "Cannot perform this operation on an open dataset");
  ds.Close();
  ds.SetCachedUpdates(false);
  ds.Open();
  for (auto op : {&TMemDataSet::CommitUpdates, &TMemDataSet::CancelUpdates, &TMemDataSet::RestoreUpdates,
                  &TMemDataSet::RevertRecord}) {
    EXPECT_EQ(ExceptionMessage([&] { (ds.*op)(); }), "Not in cached update mode");
  }
  EXPECT_EQ(ExceptionMessage([&] { ds.ApplyUpdates(); }), "Not in cached update mode");
  EXPECT_EQ(ExceptionMessage([&] { ds.SetUpdateRecordTypes(rtModified); }), "Not in cached update mode");
}

// An updater that batches: changes wait until the last one, then go in one
// flush.
class BatchUpdater : public TDataSetUpdater {
 public:
  using TDataSetUpdater::TDataSetUpdater;
  bool BatchUpdate() override { return true; }
  bool PerformUpdate() override {
    ++Performed;
    return true;
  }
  void FlushBatch() override { ++Flushes; }
  int Performed = 0;
  int Flushes = 0;
};

TEST_F(CachedUpdatesTest, BatchedChangesAreAppliedWithTheFlush) {
  auto* updater = new BatchUpdater(ds.DataSetService());
  ds.DataSetService()->SetDataSetUpdater(updater);
  for (Integer id : {1, 2, 3}) SetName(id, u"x");
  ds.ApplyUpdates();
  EXPECT_EQ(updater->Performed, 3);
  EXPECT_EQ(updater->Flushes, 2);  // the last record's, and the one after the walk
  EXPECT_FALSE(ds.UpdatesPending());
}

TEST(CachedStore, SortedRecordMovesWhenTheHookChangesIt) {
  TestStore s({{u"id", dtInt32}});
  s.SetIndexFieldNames(u"id");
  for (Integer id : {10, 20, 30}) s.AppendInt(id);
  s.SetCachedUpdates(true);
  s.SetRecordNo(1);
  TRecBuf edit = s.NewRecord();
  s.GetRecord(edit);
  s.SetInt(edit, 0, 11);
  s.UpdateRecord(edit);
  TRecBuf newBuf = s.NewRecord();
  TRecBuf oldBuf = s.NewRecord();
  s.SetCacheRecBuf(newBuf, oldBuf);
  s.FOnApplyRecord = [&](TUpdateRecKind kind, TUpdateRecAction& action, bool lastItem) {
    EXPECT_EQ(kind, ukUpdate);
    EXPECT_TRUE(lastItem);
    EXPECT_EQ(s.GetInt(oldBuf, 0), 10);
    s.SetInt(newBuf, 0, 25);  // the target answers with a value of its own
    action = urApplied;
  };
  s.ApplyUpdates(AllUpdateRecKinds);
  std::vector<Integer> ids;
  for (s.SetToBegin(), s.GetNextRecord(nullptr); !s.GetEOF(); s.GetNextRecord(nullptr)) {
    ids.push_back(s.CurrentInt());
    EXPECT_EQ(s.GetRecordNo(), static_cast<Integer>(ids.size()));
  }
  EXPECT_EQ(ids, (std::vector<Integer>{20, 25, 30}));
}

TEST(CachedStore, HookThatRevertsItsRecordEndsThatEntryOnly) {
  // The revert frees the appended record and its cache entry while the walk
  // stands on them; the walk goes on with the next entry.
  TestStore s({{u"id", dtInt32}});
  s.SetCachedUpdates(true);
  for (Integer id : {1, 2}) s.AppendInt(id);
  std::vector<Integer> seen;
  s.FOnApplyRecord = [&](TUpdateRecKind, TUpdateRecAction& action, bool) {
    seen.push_back(s.CurrentInt());
    if (seen.size() == 1) s.RevertRecord();
    else action = urApplied;
  };
  s.ApplyUpdates(AllUpdateRecKinds);
  EXPECT_EQ(seen, (std::vector<Integer>{1, 2}));
  EXPECT_FALSE(s.GetUpdatesPending());
  EXPECT_EQ(s.GetRecordCount(), 1);
  s.CommitUpdates();
  EXPECT_EQ(s.CacheHead(), nullptr);
}

TEST(CachedStore, HookThatClosesTheStoreEndsTheWalk) {
  TestStore s({{u"id", dtInt32}});
  s.SetCachedUpdates(true);
  for (Integer id : {1, 2}) s.AppendInt(id);
  int calls = 0;
  s.FOnApplyRecord = [&](TUpdateRecKind, TUpdateRecAction& action, bool) {
    // The first record is applied; the second's hook frees the whole cache.
    if (++calls == 2) s.Close();
    action = urApplied;
  };
  s.ApplyUpdates(AllUpdateRecKinds);
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(s.FInCacheProcessing);
  EXPECT_EQ(s.GetCurrentItem(), nullptr);
}

TEST(CachedStore, LeavingCachedModeCancelsPendingChanges) {
  TestStore s({{u"id", dtInt32}});
  s.AppendInt(1);
  s.SetCachedUpdates(true);
  s.AppendInt(2);
  s.SetToBegin();
  s.GetNextRecord(nullptr);
  TRecBuf edit = s.NewRecord();
  s.GetRecord(edit);
  s.SetInt(edit, 0, 10);
  s.UpdateRecord(edit);
  EXPECT_TRUE(s.GetUpdatesPending());
  EXPECT_TRUE(s.HasUpdatedOrDeletedRecords());
  s.SetCachedUpdates(false);
  EXPECT_FALSE(s.GetUpdatesPending());
  EXPECT_EQ(s.GetRecordCount(), 1);
  s.SetToBegin();
  s.GetNextRecord(nullptr);
  EXPECT_EQ(s.CurrentInt(), 1);
}

}  // namespace
