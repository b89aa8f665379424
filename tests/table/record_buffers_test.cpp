#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "store_fixture.h"

namespace {

// Runs InitRecord over a buffer full of garbage.
void ExpectInitRecord(TestStore& s, bool dataCleared) {
  TRecBuf buf = s.AllocRecBuf();
  std::memset(buf, 0xAB, static_cast<size_t>(s.RecordSize()));
  s.InitRecord(buf);
  for (Integer i = 0; i < s.DataSize(); ++i) ASSERT_EQ(buf[i], dataCleared ? 0 : 0xAB) << "byte " << i;
  for (const auto& d : s.Fields()) EXPECT_EQ(*s.NullIndicator(d.get(), buf), 1) << d->FFieldNo;
  TData::FreeRecBuf(buf);
}

}  // namespace

TEST(RecordBuffers, InitRecordClearsTheDataOnlyWhereReferencesLive) {
  TestStore plain({{u"a", dtInt32}, {u"b", dtString, 10}, {u"c", dtFloat}});
  ExpectInitRecord(plain, false);
  TestStore complex({{u"a", dtInt32}, {u"s", dtExtString}, {u"m", dtMemo}});
  ExpectInitRecord(complex, true);
  // A calculated field's null flag lies in the calculated area after the
  // record; a record buffer has room for it.
  TestStore calculated({{u"a", dtInt32}, {u"c", dtFloat, 0, fdkCalculated}});
  ExpectInitRecord(calculated, false);
}

TEST(RecordBuffers, AppendBlankRecordStoresARecordWithoutValues) {
  TestStore s({{u"id", dtInt32}, {u"memo", dtMemo}});
  s.AppendBlankRecord();
  EXPECT_EQ(s.GetRecordCount(), 1);
  TRecBuf buf = s.NewRecord();
  s.GetRecord(buf);
  EXPECT_TRUE(s.GetNull(s.Fields()[0], buf));
  EXPECT_TRUE(s.GetNull(s.Fields()[1], buf));
  // No blob was made for it: asking for one is an internal error that names the field.
  try {
    s.GetObject(s.Fields()[1], buf);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message().rfind(u"Object for field memo (1) = nil", 0), 0u);
  }
}

TEST(RecordBuffers, StoreChangesReachTheDatasetHooks) {
  TestStore s({{u"id", dtInt32}});
  std::string calls;
  s.FOnAppend = [&] { calls += 'a'; };
  s.FOnUpdate = [&] { calls += 'u'; };
  s.FOnDelete = [&] { calls += 'd'; };
  s.AppendInt(1);
  TRecBuf buf = s.NewRecord();
  s.GetRecord(buf);
  s.SetInt(buf, 0, 2);
  s.UpdateRecord(buf);
  s.DeleteRecord();
  EXPECT_EQ(calls, "aud");

  // Cached updates hold the changes back until they are applied.
  s.FCachedUpdates = true;
  s.AppendInt(3);
  s.GetRecord(buf);
  s.UpdateRecord(buf);
  s.DeleteRecord();
  EXPECT_EQ(calls, "aud");
}

TEST(RecordBuffers, BaseAnswersOfARecordSetWithoutStore) {
  TData data;
  EXPECT_TRUE(data.GetEOF());
  EXPECT_TRUE(data.GetBOF());
  data.SetToEnd();
  EXPECT_TRUE(data.GetEOF());
  EXPECT_FALSE(data.GetBOF());
  data.SetToBegin();
  EXPECT_FALSE(data.GetEOF());
  EXPECT_TRUE(data.GetBOF());
  EXPECT_EQ(data.GetRecordNo(), -1);

  TRecBookmark bookmark;
  bookmark.Order = 7;
  data.GetBookmark(&bookmark);
  EXPECT_EQ(bookmark.Order, -1);
  EXPECT_FALSE(data.BookmarkValid(&bookmark));
  EXPECT_FALSE(data.BookmarkValid(nullptr));
  bookmark.Order = 2;
  EXPECT_TRUE(data.BookmarkValid(&bookmark));
  data.SetToBookmark(&bookmark);  // nothing to move in the base
  data.SetToBookmark(nullptr);
  EXPECT_FALSE(data.NeedGetRecordAfterGotoBookmark());
  EXPECT_FALSE(data.FieldListDependsOnParams());

  TestStore store({{u"id", dtInt32}});
  EXPECT_FALSE(store.IsSupportedDataType(dtInt32));
  TDataType type = dtInt32;
  String typeName = u"x";
  Integer length = 5;
  Integer scale = 5;
  EXPECT_FALSE(store.IsSpecificType(store.Fields()[0], type, typeName, length, scale));
  EXPECT_EQ(type, 0);
  EXPECT_EQ(typeName, u"");
  EXPECT_EQ(length, -1);
  EXPECT_EQ(scale, -1);
}
