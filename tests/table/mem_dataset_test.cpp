// The dataset adapter over the record store: call order and events, the
// edit cycle, bookmarks, record buffers, calculated fields, default values,
// other rows and sorting.
#include <gtest/gtest.h>

#include "platform/db/DataSource.h"
#include "table/Blob.h"
#include "tests/support/exception_message.h"
#include "tests/table/mem_dataset_fixture.h"

namespace {

// ID, NAME (10 characters), TAG (heap string), MEMO; rows 1 "one", 2 "two",
// 3 "three"; open on the first row with the log empty.
class MemDataSetTest : public testing::Test {
 protected:
  void SetUp() override {
    ds.Open();
    for (auto [id, name] : {std::pair{1, u"one"}, {2, u"two"}, {3, u"three"}}) AddRow(id, name);
    ds.First();
    source.SetDataSet(&ds);
    link.SetDataSource(&source);
    for (auto [event, name] : {std::pair{&ds.BeforeInsert, "BeforeInsert"}, {&ds.AfterInsert, "AfterInsert"},
                               {&ds.BeforeEdit, "BeforeEdit"}, {&ds.AfterEdit, "AfterEdit"},
                               {&ds.BeforePost, "BeforePost"}, {&ds.AfterPost, "AfterPost"},
                               {&ds.BeforeCancel, "BeforeCancel"}, {&ds.AfterCancel, "AfterCancel"},
                               {&ds.BeforeDelete, "BeforeDelete"}, {&ds.AfterDelete, "AfterDelete"},
                               {&ds.BeforeScroll, "BeforeScroll"}, {&ds.AfterScroll, "AfterScroll"},
                               {&ds.OnNewRecord, "OnNewRecord"}, {&ds.BeforeOpen, "BeforeOpen"},
                               {&ds.AfterOpen, "AfterOpen"}, {&ds.BeforeClose, "BeforeClose"},
                               {&ds.AfterClose, "AfterClose"}}) {
      *event = [this, name = name](TDataSet*) { log.push_back(name); };
    }
    ds.CallLog = &log;
  }

  void AddRow(Integer id, const String& name) {
    ds.Append();
    Field(u"ID")->SetAsInteger(id);
    Field(u"NAME")->SetAsString(name);
    Field(u"TAG")->SetAsString(u"t" + name);
    ds.Post();
  }
  TField* Field(const char16_t* name) { return ds.FieldByName(name); }
  Integer Id() { return Field(u"ID")->AsInteger(); }
  Log Take() {
    Log taken;
    taken.swap(log);
    return taken;
  }
  std::vector<Integer> Ids() {
    std::vector<Integer> ids;
    for (Integer r = 1; r <= ds.RecordCount(); ++r) ds.ReadRow(r, [&] { ids.push_back(Id()); });
    return ids;
  }

  FixedFormats formats;
  Log log;  // before the dataset, whose close still writes to it
  ListDataSet ds{{{u"ID", dtInt32}, {u"NAME", dtString, 10}, {u"TAG", dtExtString, 10}, {u"MEMO", dtMemo}}};
  TDataSource source;
  RecordingLink link{log};
};

TEST_F(MemDataSetTest, OpenAndCloseFollowTheContract) {
  ds.Close();
  Take();
  ds.Open();
  EXPECT_EQ(Take(), (Log{"BeforeOpen", "InternalOpen", "InternalFirst", "GetRecord(next)", "link:ActiveChanged",
                         "AfterOpen", "link:DataSetChanged"}));
  // The store is in memory: a close drops its records.
  EXPECT_EQ(ds.RecordCount(), 0);
  ds.Close();
  EXPECT_EQ(Take(), (Log{"BeforeClose", "link:ActiveChanged", "InternalClose", "AfterClose"}));
  EXPECT_EQ(ds.RecordCount(), 0);
  EXPECT_EQ(ds.FieldCount(), 0);
}

TEST_F(MemDataSetTest, InsertEditCancelAndDeleteFollowTheContract) {
  ds.Next();
  Take();
  ds.Insert();
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeInsert", "BeforeScroll", "InternalInsert", "InternalInitRecord", "link:EditingChanged", "OnNewRecord", "AfterInsert",
                         "AfterScroll", "link:DataSetChanged"}));
  Field(u"ID")->SetAsInteger(10);
  ds.Post();
  EXPECT_EQ(Take(), (Log{"link:RecordChanged(ID)", "link:UpdateData", "link:CheckBrowseMode", "BeforePost",
                         "InternalPost", "link:EditingChanged", "GetRecord(current)", "link:DataSetChanged",
                         "AfterPost"}));
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 10, 2, 3}));
  EXPECT_EQ(Id(), 10);
  Take();

  ds.Edit();
  Field(u"NAME")->SetAsString(u"ten");
  ds.Cancel();
  // Ids() read other rows: the cursor comes back to the record first.
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeEdit", "InternalSetToRecord", "InternalEdit",
                         "link:EditingChanged",
                         "link:RecordChanged()", "AfterEdit", "link:RecordChanged(NAME)", "link:CheckBrowseMode",
                         "BeforeCancel", "InternalCancel", "link:EditingChanged", "GetRecord(current)",
                         "link:DataSetChanged", "AfterCancel"}));
  EXPECT_TRUE(Field(u"NAME")->IsNull());

  ds.Delete();
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeDelete", "BeforeScroll", "InternalDelete",
                         "GetRecord(current)", "link:DataSetChanged", "AfterDelete", "AfterScroll"}));
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 2, 3}));
  EXPECT_EQ(Id(), 2);
}

TEST_F(MemDataSetTest, BookmarksSurviveEditsOfOtherRecords) {
  ds.SetRecNo(2);
  TBookmark two = ds.GetBookmark();
  ASSERT_EQ(two.size(), sizeof(TRecBookmark));
  EXPECT_TRUE(ds.BookmarkValid(two));

  ds.First();
  ds.Insert();
  Field(u"ID")->SetAsInteger(0);
  ds.Post();
  ds.Last();
  ds.Delete();
  ds.First();
  ds.Edit();
  Field(u"NAME")->SetAsString(u"zero");
  ds.Post();
  TBookmark zero = ds.GetBookmark();

  ds.GotoBookmark(two);
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(Field(u"NAME")->AsString(), u"two");
  EXPECT_EQ(ds.RecNo(), 3);
  EXPECT_LT(ds.CompareBookmarks(zero, two), 0);
  EXPECT_EQ(ds.CompareBookmarks(two, ds.GetBookmark()), 0);
  EXPECT_FALSE(ds.BookmarkValid(TBookmark{1, 2, 3}));
}

TEST_F(MemDataSetTest, CancelRestoresEveryKindOfValue) {
  ds.Edit();
  Field(u"NAME")->SetAsString(u"uno");
  Field(u"TAG")->SetAsString(u"heap");
  Field(u"MEMO")->SetAsString(u"memo text");
  ds.Cancel();
  EXPECT_EQ(Field(u"NAME")->AsString(), u"one");
  EXPECT_EQ(Field(u"TAG")->AsString(), u"tone");
  EXPECT_TRUE(Field(u"MEMO")->IsNull());

  ds.Edit();
  Field(u"TAG")->SetAsString(u"heap");
  Field(u"MEMO")->SetAsString(u"memo text");
  ds.Post();
  ds.Next();
  ds.Prior();
  EXPECT_EQ(Field(u"TAG")->AsString(), u"heap");
  EXPECT_EQ(Field(u"MEMO")->AsString(), u"memo text");

  ds.Append();
  Field(u"TAG")->SetAsString(u"gone");
  Field(u"MEMO")->SetAsString(u"gone too");
  ds.Cancel();
  EXPECT_EQ(ds.RecordCount(), 3);
  EXPECT_EQ(Id(), 3);  // a cancelled append shows the last record
}

TEST_F(MemDataSetTest, RecordBufferLayoutAndNewRecords) {
  const Integer recordSize = ds.Data()->RecordSize();
  EXPECT_EQ(ds.RecInfoOfs(), recordSize);
  EXPECT_EQ(ds.BookmarkOfs(), recordSize + 8);
  EXPECT_EQ(ds.RecBufSize(), recordSize + 8 + 24);

  const TRecInfo& current = ds.RecInfo(ds.ActiveBuf());
  EXPECT_EQ(current.RecordNumber, 1);
  EXPECT_EQ(current.BookmarkFlag, bfCurrent);
  EXPECT_EQ(current.UpdateStatus, usUnmodified);

  ds.Insert();
  const TRecInfo& fresh = ds.RecInfo(ds.ActiveBuf());
  EXPECT_EQ(fresh.RecordNumber, -1);
  EXPECT_EQ(fresh.UpdateStatus, usInserted);
  EXPECT_EQ(fresh.BookmarkFlag, bfInserted);
  EXPECT_EQ(ds.RecNo(), -1);
  EXPECT_EQ(ds.UpdateStatus(), usInserted);
  Field(u"NAME")->SetAsString(u"new");
  EXPECT_TRUE(Field(u"NAME")->OldValue().IsNull());
  EXPECT_EQ(Field(u"NAME")->NewValue().AsString(), u"new");
  ds.Cancel();

  ds.Edit();
  Field(u"NAME")->SetAsString(u"uno");
  EXPECT_EQ(Field(u"NAME")->OldValue().AsString(), u"one");
  EXPECT_EQ(Field(u"NAME")->AsString(), u"uno");
  ds.Post();

  ListDataSet empty{{{u"ID", dtInt32}}};
  empty.Open();
  EXPECT_EQ(empty.RecNo(), 0);
  EXPECT_EQ(empty.RecordCount(), 0);
}

TEST_F(MemDataSetTest, PostOutsideAnEditReachesNoRecordSet) {
  Take();
  ds.Post();
  EXPECT_EQ(Take(), Log{});
  ds.Edit();
  Field(u"NAME")->SetAsString(u"uno");
  ds.Post();
  Take();
  ds.Post();
  EXPECT_EQ(Take(), Log{});
  EXPECT_EQ(Field(u"NAME")->AsString(), u"uno");
}

TEST_F(MemDataSetTest, DeferredPostKeepsEditingWithNewOldValues) {
  ds.Edit();
  Field(u"NAME")->SetAsString(u"first");
  ds.DeferredPost();
  EXPECT_EQ(ds.State(), dsEdit);
  // The old values are now those written by the deferred post.
  EXPECT_EQ(Field(u"NAME")->OldValue().AsString(), u"first");
  Field(u"NAME")->SetAsString(u"second");
  EXPECT_EQ(Field(u"NAME")->OldValue().AsString(), u"first");
  ds.Post();
  EXPECT_EQ(Field(u"NAME")->AsString(), u"second");
  EXPECT_EQ(Field(u"NAME")->OldValue().AsString(), u"second");
}

TEST_F(MemDataSetTest, RecNoAndReadRow) {
  EXPECT_EQ(ds.RecordCount(), 3);
  ds.SetRecNo(3);
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(ds.RecNo(), 3);
  ds.SetRecNo(9);  // beyond the end: the record stays
  EXPECT_EQ(Id(), 3);

  Take();
  String name;
  EXPECT_TRUE(ds.ReadRow(1, [&] { name = Field(u"NAME")->AsString(); }));
  EXPECT_EQ(name, u"one");
  EXPECT_FALSE(ds.ReadRow(4, [] {}));
  EXPECT_EQ(Id(), 3);
  // The cursor was moved by the read: the next step comes back first.
  ds.Prior();
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(Take()[2], "InternalSetToRecord");
}

TEST_F(MemDataSetTest, RequiredAndReadOnlyDescriptors) {
  ListDataSet strict{{{u"ID", dtInt32, 0, 0, true}, {u"CODE", dtString, 5, 0, false, true}}};
  strict.Open();
  strict.Append();
  EXPECT_EQ(ExceptionMessage([&] { strict.Post(); }), "Field 'ID' must have a value");
  EXPECT_EQ(ExceptionMessage([&] { strict.DeferredPost(); }), "Field 'ID' must have a value");
  EXPECT_EQ(ExceptionMessage([&] { strict.FieldByName(u"CODE")->SetAsString(u"x"); }),
            "Field 'CODE' cannot be modified");
  strict.Cancel();

  // Without local constraints the descriptors' required flags are not taken.
  ListDataSet loose{{{u"ID", dtInt32, 0, 0, true}}};
  loose.SetLocalConstraints(false);
  loose.Open();
  EXPECT_FALSE(loose.FieldDefs()[0]->Required());
  loose.Append();
  loose.Post();
  EXPECT_EQ(loose.RecordCount(), 1);
}

TEST(MemDataSetDefaults, DefaultExpressionsAreAssignedToNewRecords) {
  struct Case {
    bool oldBehavior;
    const char16_t* expression;
    const char16_t* value;
  } cases[] = {{true, u"'abc'", u"'abc'"}, {false, u"'abc'", u"abc"}, {false, u"'it''s'", u"it's"},
               {false, u"plain", u"plain"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.expression));
    bool saved = DefaultExpressionOldBehavior;
    DefaultExpressionOldBehavior = c.oldBehavior;
    ListDataSet ds{{{u"NAME", dtString, 10, 0, false, true}}};
    ds.Open();
    ds.FieldByName(u"NAME")->SetDefaultExpression(c.expression);
    ds.Append();  // a read-only field takes its default too
    EXPECT_EQ(ds.FieldByName(u"NAME")->AsString(), c.value);
    DefaultExpressionOldBehavior = saved;
  }
}

TEST_F(MemDataSetTest, FailingNewRecordHandlerCancelsTheNewRecord) {
  ds.Next();
  ds.OnNewRecord = [this](TDataSet*) {
    Field(u"MEMO")->SetAsString(u"half made");
    throw EDatabaseError(u"no");
  };
  EXPECT_THROW(ds.Insert(), EDatabaseError);
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(ds.RecordCount(), 3);
}

// A calculated field: DOUBLE = ID * 2, and a string one.
class CalcFieldsTest : public testing::TestWithParam<bool> {};

TEST_P(CalcFieldsTest, CalculatedFieldsWithAndWithoutDescriptors) {
  const bool withDescs = GetParam();
  ListDataSet ds{{{u"ID", dtInt32}}};
  ds.SetCreateCalcFieldDescs(withDescs);
  auto* id = new TIntegerField(&ds);
  id->SetFieldName(u"ID");
  id->SetDataSet(&ds);
  auto* twice = new TIntegerField(&ds);
  twice->SetFieldName(u"TWICE");
  twice->SetFieldKind(fkCalculated);
  twice->SetDataSet(&ds);
  auto* label = new TStringField(&ds);
  label->SetFieldName(u"LABEL");
  label->SetSize(8);
  label->SetFieldKind(fkCalculated);
  label->SetDataSet(&ds);
  ds.OnCalcFields = [&](TDataSet*) {
    if (id->IsNull()) return;
    twice->SetAsInteger(id->AsInteger() * 2);
    label->SetAsString(u"no " + id->AsString());
  };
  ds.Open();
  const Integer recordSize = ds.Data()->RecordSize();
  if (withDescs) {
    EXPECT_EQ(ds.Data()->Fields().Count(), 3);
    EXPECT_EQ(ds.RecInfoOfs(), recordSize + ds.Data()->CalcRecordSize());
  } else {
    EXPECT_EQ(ds.Data()->Fields().Count(), 1);
    EXPECT_EQ(ds.RecInfoOfs(), recordSize + ds.CalcFieldsSize());
  }
  for (int i = 1; i <= 3; ++i) {
    ds.Append();
    id->SetAsInteger(i);
    EXPECT_EQ(twice->AsInteger(), 2 * i);  // recomputed as the data field changes
    ds.Post();
  }
  ds.First();
  EXPECT_EQ(twice->AsInteger(), 2);
  EXPECT_EQ(label->AsString(), u"no 1");
  String other;
  ds.ReadRow(3, [&] { other = label->AsString(); });
  EXPECT_EQ(other, u"no 3");

  ds.Edit();
  id->SetAsInteger(5);
  EXPECT_EQ(twice->AsInteger(), 10);
  // Old values of a calculated field: none.
  EXPECT_TRUE(twice->OldValue().IsNull());
  ds.Post();
  EXPECT_EQ(twice->AsInteger(), 10);
}

INSTANTIATE_TEST_SUITE_P(Descs, CalcFieldsTest, testing::Bool());

TEST(MemDataSetSort, IndexFieldNamesSortsAndKeepsTheRecord) {
  ListDataSet ds{{{u"ID", dtInt32}, {u"NAME", dtString, 10}}};
  ds.Open();
  for (auto [id, name] : {std::pair{1, u"b"}, {2, u"c"}, {3, u"a"}}) {
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(id);
    ds.FieldByName(u"NAME")->SetAsString(name);
    ds.Post();
  }
  ds.SetRecNo(2);
  ds.SetIndexFieldNames(u"NAME DESC");
  EXPECT_EQ(ds.FieldByName(u"ID")->AsInteger(), 2);
  EXPECT_EQ(ds.RecNo(), 1);
  std::vector<Integer> ids;
  for (ds.First(); !ds.Eof(); ds.Next()) ids.push_back(ds.FieldByName(u"ID")->AsInteger());
  EXPECT_EQ(ids, (std::vector<Integer>{2, 1, 3}));

  // A faulty text leaves the order and the text as they were.
  EXPECT_EQ(ExceptionMessage([&] { ds.SetIndexFieldNames(u"NAME Id"); }), "Invalid IndexFieldNames format!");
  EXPECT_EQ(ds.IndexFieldNames(), u"NAME DESC");

  ds.SetIndexFieldNames(u"");
  ids.clear();
  for (ds.First(); !ds.Eof(); ds.Next()) ids.push_back(ds.FieldByName(u"ID")->AsInteger());
  EXPECT_EQ(ids, (std::vector<Integer>{1, 2, 3}));
}

TEST_F(MemDataSetTest, GetBlobGivesTheRecordsOwnObject) {
  ds.Edit();
  Field(u"MEMO")->SetAsString(u"abc");
  TBlob* blob = ds.GetBlob(u"MEMO");
  ASSERT_NE(blob, nullptr);
  EXPECT_EQ(blob, ds.GetBlob(Field(u"MEMO")));
  EXPECT_EQ(blob->Size(), 3);
  EXPECT_EQ(ExceptionMessage([&] { ds.GetBlob(u"NAME"); }), "Field is not BLOB");
  EXPECT_EQ(ExceptionMessage([&] { ds.GetBlob(u"NOPE"); }), "Field NOPE not found");
  EXPECT_EQ(ds.GetBlob(static_cast<TField*>(nullptr)), nullptr);
  ds.Cancel();
}

TEST(MemDataSetPrepare, PrepareMakesDefinitionsWithoutOpening) {
  ListDataSet ds{{{u"ID", dtInt32}, {u"NAME", dtString, 10}}};
  EXPECT_FALSE(ds.Prepared());
  EXPECT_EQ(ExceptionMessage([&] { ds.CheckPrepared(); }), "DataSet is not prepared");
  ds.Prepare();
  EXPECT_TRUE(ds.Prepared());
  EXPECT_EQ(ds.FieldDefs().Count(), 2);
  ds.Open();
  ds.UnPrepare();
  EXPECT_FALSE(ds.Active());
  EXPECT_FALSE(ds.FieldDefs().Updated());
}

}  // namespace
