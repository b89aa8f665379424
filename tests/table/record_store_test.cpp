#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/rtl/Exceptions.h"
#include "store_fixture.h"

namespace {

// Reads the values of all visible records from first to last.
std::vector<Integer> Walk(TestStore& s) {
  std::vector<Integer> values;
  TRecBookmark saved;
  s.GetBookmark(&saved);
  s.SetToBegin();
  TRecBuf buf = s.NewRecord();
  for (s.GetNextRecord(buf); !s.GetEOF(); s.GetNextRecord(buf)) {
    EXPECT_EQ(s.GetRecordNo(), static_cast<Integer>(values.size()) + 1);
    values.push_back(s.GetInt(buf, 0));
  }
  s.SetToBookmark(&saved);
  return values;
}

std::vector<Integer> Iota(Integer from, Integer to) {
  std::vector<Integer> v;
  for (Integer i = from; i <= to; ++i) v.push_back(i);
  return v;
}

}  // namespace

TEST(RecordStore, AppendToEmptyStore) {
  TestStore s({{u"id", dtInt32}});
  EXPECT_TRUE(s.GetBOF());
  EXPECT_TRUE(s.GetEOF());
  s.AppendInt(7);
  EXPECT_EQ(s.GetRecordCount(), 1);
  EXPECT_EQ(s.GetRecordNo(), 1);
  EXPECT_EQ(s.GetFirstItem()->Order, 1);
  s.SetToBegin();
  s.GetNextRecord(nullptr);
  EXPECT_EQ(s.CurrentInt(), 7);
}

TEST(RecordStore, InsertAtTheStartShiftsTheOffsetInsteadOfRenumbering) {
  TestStore s({{u"id", dtInt32}});
  for (int i = 1; i <= 3; ++i) s.AppendInt(i);
  s.SetRecordNo(1);
  TRecBuf buf = s.NewRecord();
  s.SetInt(buf, 0, 0);
  s.InsertRecord(buf);
  EXPECT_EQ(s.GetFirstItem()->Order, 0);
  EXPECT_EQ(s.RecordNoOffset(), 1);
  EXPECT_EQ(s.GetFirstItem()->Next->Order, 1);  // old records keep their Order
  EXPECT_EQ(Walk(s), Iota(0, 3));
}

TEST(RecordStore, DeleteRenumbersOnlyTheShorterSide) {
  TestStore s({{u"id", dtInt32}});
  for (int i = 1; i <= 8; ++i) s.AppendInt(i);
  s.SetRecordNo(1);
  s.DeleteRecord();
  EXPECT_EQ(s.RecordNoOffset(), -1);
  EXPECT_EQ(s.GetFirstItem()->Order, 2);
  EXPECT_EQ(s.GetLastItem()->Order, 8);  // untouched
  EXPECT_EQ(Walk(s), Iota(2, 8));

  TestStore t({{u"id", dtInt32}});
  for (int i = 1; i <= 8; ++i) t.AppendInt(i);
  t.SetRecordNo(4);
  t.DeleteRecord();
  EXPECT_EQ(t.CurrentInt(), 5);
  EXPECT_EQ(t.GetRecordNo(), 4);
  EXPECT_EQ(t.RecordNoOffset(), 0);
  EXPECT_EQ(t.GetFirstItem()->Order, 1);
  EXPECT_EQ(t.GetLastItem()->Order, 7);
}

TEST(RecordStore, SetRecordNoOutOfRangeKeepsThePosition) {
  TestStore s({{u"id", dtInt32}});
  for (int i = 1; i <= 5; ++i) s.AppendInt(i);
  s.SetRecordNo(3);
  for (Integer bad : {0, -1, 6, 100}) {
    s.SetRecordNo(bad);
    EXPECT_EQ(s.CurrentInt(), 3);
  }
}

TEST(RecordStore, FilterHidesRecordsFromNumbering) {
  TestStore s({{u"id", dtInt32}});
  s.FFilterFunc = [&s](TRecBuf rec) { return s.GetInt(rec, 0) % 2 == 0; };
  for (int i = 1; i <= 10; ++i) s.AppendInt(i);
  EXPECT_EQ(s.GetRecordCount(), 5);
  EXPECT_EQ(Walk(s), (std::vector<Integer>{2, 4, 6, 8, 10}));
  for (TItemHeader* p = s.GetFirstItem(); p; p = p->Next) {
    if (p->FilterResult == fsOmitted) {
      EXPECT_EQ(p->Order, 0);
    }
  }
  for (Integer k = 1; k <= 5; ++k) {
    s.SetRecordNo(k);
    EXPECT_EQ(s.CurrentInt(), 2 * k);
  }
  EXPECT_EQ(s.PrepareRecNoCache(), 5);
  s.SetRecordNo(3);
  EXPECT_EQ(s.CurrentInt(), 6);

  // An edit that makes a record hidden moves the later ones up.
  s.SetRecordNo(2);
  TRecBuf buf = s.NewRecord();
  s.GetRecord(buf);
  s.SetInt(buf, 0, 41);
  s.UpdateRecord(buf);
  EXPECT_EQ(s.GetRecordCount(), 4);
  EXPECT_EQ(Walk(s), (std::vector<Integer>{2, 6, 8, 10}));
}

TEST(RecordStore, BlocksOfTwentyFiveAreReleasedWhenEmpty) {
  TestStore s({{u"id", dtInt32}});
  for (int i = 1; i <= 25; ++i) s.AppendInt(i);
  TBlockHeader* first = s.BlockManager().FirstBlock;
  EXPECT_EQ(first->Next, nullptr);
  s.AppendInt(26);
  ASSERT_NE(s.BlockManager().FirstBlock, first);
  EXPECT_EQ(s.BlockManager().FirstBlock->Next, first);
  s.SetRecordNo(26);
  s.DeleteRecord();
  EXPECT_EQ(s.BlockManager().FirstBlock, first);
  EXPECT_EQ(first->Next, nullptr);
  EXPECT_EQ(Walk(s), Iota(1, 25));
}

// A large store lies in few blocks, the last ones huge regions of their own,
// and every block goes back once its records are gone.
TEST(RecordStore, AGrowingStoreTakesLargerBlocksAndReleasesThem) {
  TestStore s({{u"id", dtInt32}});
  const int rows = 100000;
  for (int i = 1; i <= rows; ++i) s.AppendInt(i);
  int blocks = 0;
  bool huge = false;
  for (TBlockHeader* b = s.BlockManager().FirstBlock; b != nullptr; b = b->Next) {
    ++blocks;
    huge = huge || b->Huge;
  }
  EXPECT_LT(blocks, 20);
  EXPECT_TRUE(huge);
  s.SetRecordNo(rows / 2);
  EXPECT_EQ(s.CurrentInt(), rows / 2);
  while (s.GetRecordCount() > 0) {
    s.SetRecordNo(1);
    s.DeleteRecord();
  }
  EXPECT_EQ(s.BlockManager().FirstBlock, nullptr);
}

TEST(RecordStore, BookmarksSurviveEditsAndFallBackToRecordNumbers) {
  TestStore s({{u"id", dtInt32}});
  for (int i = 1; i <= 10; ++i) s.AppendInt(i);
  s.SetRecordNo(6);
  TRecBookmark six;
  s.GetBookmark(&six);
  s.SetRecordNo(2);
  s.DeleteRecord();
  TRecBuf buf = s.NewRecord();
  s.SetInt(buf, 0, 100);
  s.SetRecordNo(1);
  s.InsertRecord(buf);
  s.SetRecordNo(9);
  s.SetToBookmark(&six);
  EXPECT_EQ(s.CurrentInt(), 6);
  EXPECT_TRUE(s.BookmarkValid(&six));

  // The record itself is deleted and its slot reused by a new record: the
  // bookmark goes by its record number (6), not to the newcomer.
  s.SetToBookmark(&six);
  s.DeleteRecord();
  s.AppendInt(200);
  s.SetRecordNo(1);
  s.SetToBookmark(&six);
  EXPECT_EQ(s.GetRecordNo(), 6);
  EXPECT_NE(s.CurrentInt(), 200);

  // After close and open every bookmark goes by its record number.
  TRecBookmark three;
  s.SetRecordNo(3);
  s.GetBookmark(&three);
  s.Close();
  s.Open();
  for (int i = 1; i <= 5; ++i) s.AppendInt(i * 10);
  s.SetToBookmark(&three);
  EXPECT_EQ(s.CurrentInt(), 30);
}

// A slot taken again and again counts its reuses in a few bits; when they
// run out its block takes a new id, so no record ever gets the serial of
// one that went before it.
TEST(RecordStore, ASlotReusedWithoutEndNeverRepeatsASerial) {
  TBlockManager manager;
  manager.RecordSize = 8;
  TItemHeader* keep = manager.AllocItem();  // keeps the block alive
  TItemHeader* item = manager.AllocItem();
  const UInt64 first = manager.SerialOf(item);
  EXPECT_TRUE(manager.IsLiveItem(item, first));
  manager.FreeItem(item);
  EXPECT_FALSE(manager.IsLiveItem(item, first));
  UInt64 previous = first;
  bool sameSlot = true, repeated = false, increasing = true;
  for (Cardinal i = 0; i <= MaxItemGeneration; ++i) {
    TItemHeader* again = manager.AllocItem();
    sameSlot = sameSlot && again == item;
    UInt64 serial = manager.SerialOf(again);
    repeated = repeated || serial == first;
    increasing = increasing && serial > previous;
    previous = serial;
    manager.FreeItem(again);
  }
  EXPECT_TRUE(sameSlot);
  EXPECT_FALSE(repeated);
  EXPECT_TRUE(increasing);
  manager.FreeItem(keep);
}

TEST(RecordStore, BookmarkValidCountsTheRecordNumberOffset) {
  TestStore s({{u"id", dtInt32}});
  for (int i = 1; i <= 8; ++i) s.AppendInt(i);
  TRecBookmark last;
  s.SetRecordNo(8);
  s.GetBookmark(&last);
  s.SetRecordNo(1);
  s.DeleteRecord();  // the offset becomes -1: the last record is now number 7
  ASSERT_EQ(s.RecordNoOffset(), -1);
  EXPECT_EQ(last.Order, 8);
  EXPECT_TRUE(s.BookmarkValid(&last));
  s.SetToBookmark(&last);
  EXPECT_EQ(s.CurrentInt(), 8);
  EXPECT_EQ(s.GetRecordNo(), 7);
}

TEST(RecordStore, CompareBookmarksFollowsRecordsAfterRenumbering) {
  TestStore s({{u"id", dtInt32}});
  for (int i = 1; i <= 6; ++i) s.AppendInt(i);
  TRecBookmark b2, b5;
  s.SetRecordNo(2);
  s.GetBookmark(&b2);
  s.SetRecordNo(5);
  s.GetBookmark(&b5);
  EXPECT_EQ(s.CompareBookmarks(&b2, &b5), -1);
  EXPECT_EQ(s.CompareBookmarks(&b5, &b2), 1);
  EXPECT_EQ(s.CompareBookmarks(&b5, &b5), 0);
  EXPECT_EQ(s.CompareBookmarks(nullptr, &b5), 1);
  s.ReorderItems(nullptr, roFull);
  EXPECT_EQ(s.CompareBookmarks(&b2, &b5), -1);
  TRecBookmark none;
  s.SetToBegin();
  s.GetBookmark(&none);
  EXPECT_EQ(none.Order, -1);
  EXPECT_FALSE(s.BookmarkValid(&none));
}

TEST(RecordStore, CachedDeleteKeepsUnmodifiedRecordsAndDropsNewOnes) {
  TestStore s({{u"id", dtInt32}});
  for (int i = 1; i <= 3; ++i) s.AppendInt(i);
  s.FCachedUpdates = true;
  s.SetRecordNo(2);
  TItemHeader* item = s.GetCurrentItem();
  s.DeleteRecord();
  EXPECT_EQ(item->Status, isDeleted);
  EXPECT_EQ(s.GetCurrentItem(), item);
  EXPECT_EQ(s.GetRecordCount(), 2);
  EXPECT_EQ(s.CacheHead()->Item, item);
  EXPECT_EQ(Walk(s), (std::vector<Integer>{1, 3}));

  s.AppendInt(4);
  TItemHeader* added = s.GetCurrentItem();
  EXPECT_EQ(added->Status, isAppended);
  s.DeleteRecord();
  EXPECT_EQ(s.GetRecordCount(), 2);
  EXPECT_EQ(s.CacheHead()->Next, nullptr);  // the new record left the cache too
  EXPECT_EQ(Walk(s), (std::vector<Integer>{1, 3}));
}

// A random sequence of store operations checked step by step against a
// plain vector.
TEST(RecordStore, RandomOperationsMatchAVectorModel) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    TestStore s({{u"id", dtInt32}, {u"pad", dtString, 13}});
    std::vector<Integer> model;
    // Position in the model: -1 before the first record, size() after the last.
    int pos = -1;
    Integer nextValue = 1;
    struct Mark {
      TRecBookmark b;
      Integer value;
      Integer recNo;
    };
    std::vector<Mark> marks;
    auto size = [&] { return static_cast<int>(model.size()); };
    auto indexOf = [&](Integer v) {
      auto it = std::find(model.begin(), model.end(), v);
      return it == model.end() ? -1 : static_cast<int>(it - model.begin());
    };

    for (int step = 0; step < 3000; ++step) {
      int op = static_cast<int>(rng() % 9);
      if (op <= 1) {  // append
        s.AppendInt(nextValue);
        model.push_back(nextValue++);
        pos = size() - 1;
      } else if (op == 2) {  // insert before the current record
        TRecBuf buf = s.NewRecord();
        s.SetInt(buf, 0, nextValue);
        s.InsertRecord(buf);
        int at = (pos >= size() || model.empty()) ? size() : std::max(pos, 0);
        model.insert(model.begin() + at, nextValue++);
        pos = at;
      } else if (op == 3 && pos >= 0 && pos < size()) {  // delete
        s.DeleteRecord();
        model.erase(model.begin() + pos);
        if (model.empty()) pos = -1;
        else if (pos >= size()) pos = size() - 1;
      } else if (op == 4 && !model.empty()) {  // next
        s.GetNextRecord(nullptr);
        if (pos < size()) ++pos;
      } else if (op == 5 && !model.empty()) {  // prior
        s.GetPriorRecord(nullptr);
        if (pos >= 0) --pos;
      } else if (op == 6) {  // jump to a record number
        Integer k = static_cast<Integer>(rng() % (model.size() + 2));
        s.SetRecordNo(k);
        if (k >= 1 && k <= size()) pos = k - 1;
      } else if (op == 7 && pos >= 0 && pos < size()) {  // take a bookmark
        Mark m;
        s.GetBookmark(&m.b);
        m.value = model[static_cast<size_t>(pos)];
        m.recNo = pos + 1;
        marks.push_back(m);
      } else if (op == 8 && !marks.empty()) {  // jump to a bookmark
        const Mark& m = marks[rng() % marks.size()];
        s.SetToBookmark(&m.b);
        int idx = indexOf(m.value);
        if (idx >= 0) pos = idx;
        else if (m.recNo >= 1 && m.recNo <= size()) pos = m.recNo - 1;
      }
      ASSERT_EQ(s.GetRecordCount(), size()) << "step " << step;
      if (pos >= 0 && pos < size()) {
        ASSERT_EQ(s.GetRecordNo(), pos + 1) << "step " << step << " op " << op;
        ASSERT_EQ(s.CurrentInt(), model[static_cast<size_t>(pos)]) << "step " << step << " op " << op;
      } else if (pos == size() && !model.empty()) {
        ASSERT_TRUE(s.GetEOF()) << "step " << step;
      } else if (!model.empty()) {
        ASSERT_TRUE(s.GetBOF()) << "step " << step;
      }
      if (step % 100 == 0) {
        ASSERT_EQ(Walk(s), model) << "step " << step;
      }
    }
    ASSERT_EQ(Walk(s), model);
  }
}
