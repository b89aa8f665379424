// Sorting of the record store: several columns and directions, nulls, case
// and binary orders, calculated fields, the order before the first sort,
// bookmarks, and records that move to their place after an edit.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Strings.h"
#include "store_fixture.h"

namespace {

struct SortSpec {
  int Field;
  bool Descending = false;
  TSortType Type = stCaseSensitive;
};

// A store whose sort columns a test sets directly.
class SortStore : public TestStore {
 public:
  using TestStore::TestStore;

  void SortBy(const std::vector<SortSpec>& columns) {
    FIndexFields.clear();
    for (const SortSpec& c : columns) FIndexFields.push_back({Fields()[c.Field], c.Descending, c.Type});
    SortItems();
  }
  void Unsort() {
    FIndexFields.clear();
    SortItems();
  }
  // As if IndexFieldNames had been parsed into the columns.
  void SetParsed(const String& text, const std::vector<SortSpec>& columns) {
    FIndexFieldNames = text;
    SortBy(columns);
  }

  // One field of every record, in list order, as text ("-" for null).
  std::vector<std::string> Values(int field) {
    std::vector<std::string> out;
    for (TItemHeader* p = GetFirstItem(); p != nullptr; p = p->Next) {
      Variant v = GetValue(TBlockManager::GetRecordPtr(p), field);
      out.push_back(v.IsNull() ? "-" : StringToUtf8(v.AsString()));
    }
    return out;
  }

  // The list is linked both ways and every visible record carries its number.
  void ExpectConsistent() {
    int n = 0;
    TItemHeader* prev = nullptr;
    for (TItemHeader* p = GetFirstItem(); p != nullptr; prev = p, p = p->Next) {
      EXPECT_EQ(p->Prev, prev);
      EXPECT_EQ(RecordNoOf(p), ++n);
    }
    EXPECT_EQ(GetLastItem(), prev);
    EXPECT_EQ(GetRecordCount(), n);
  }

  // Moves to the record whose first field holds value.
  void GoTo(const Variant& value) {
    SetToBegin();
    for (GetNextRecord(nullptr); !GetEOF(); GetNextRecord(nullptr)) {
      if (VarSameValue(GetValue(TBlockManager::GetRecordPtr(GetCurrentItem()), 0), value)) return;
    }
    ADD_FAILURE() << "no record holds " << StringToUtf8(value.AsString());
  }
  void EditCurrent(int field, const Variant& value) {
    TRecBuf buf = NewRecord();
    GetRecord(buf);
    SetValue(buf, field, value);
    UpdateRecord(buf);
  }
  void InsertValues(std::initializer_list<Variant> values) {
    TRecBuf buf = NewRecord();
    CreateComplexFields(buf, true);
    int field = 0;
    for (const Variant& v : values) SetValue(buf, field++, v);
    InsertRecord(buf);
  }
};

using Texts = std::vector<std::string>;

class SortTest : public testing::Test {
 protected:
  void SetUp() override { SetUserLocale("sl"); }
  void TearDown() override { SetUserLocale(""); }
};

TEST_F(SortTest, SeveralColumnsWithMixedDirectionsAndNulls) {
  SortStore store({{u"Name", dtString, 10}, {u"Id", dtInt32}});
  store.AppendValues({AnsiString("b"), 3});
  store.AppendValues({AnsiString("a"), 2});
  store.AppendValues({Variant::Null(), 5});
  store.AppendValues({AnsiString("b"), 1});
  store.AppendValues({AnsiString("a"), 1});

  store.SortBy({{0, true}, {1}});
  EXPECT_EQ(store.Values(0), (Texts{"b", "b", "a", "a", "-"}));  // nulls last when descending
  EXPECT_EQ(store.Values(1), (Texts{"1", "3", "1", "2", "5"}));
  store.ExpectConsistent();

  store.SortBy({{0}, {1, true}});
  EXPECT_EQ(store.Values(0), (Texts{"-", "a", "a", "b", "b"}));  // and first when ascending
  EXPECT_EQ(store.Values(1), (Texts{"5", "2", "1", "3", "1"}));
  store.ExpectConsistent();
}

TEST_F(SortTest, IndexFieldNamesTextSortsAndSurvivesReopen) {
  SortStore store({{u"Name", dtString, 10}, {u"Id", dtInt32}});
  store.AppendValues({AnsiString("b"), 3});
  store.AppendValues({AnsiString("A"), 2});
  store.AppendValues({AnsiString("a"), 1});
  store.SetIndexFieldNames(u"name desc cis; [Id]");
  EXPECT_EQ(store.Values(1), (Texts{"3", "1", "2"}));
  store.AppendValues({AnsiString("c"), 0});
  EXPECT_EQ(store.Values(1), (Texts{"0", "3", "1", "2"}));
  store.ExpectConsistent();
  EXPECT_THROW(store.SetIndexFieldNames(u"Name Id"), Exception);
  EXPECT_EQ(store.IndexFields().size(), 1u);  // the column read before the fault stays
}

TEST_F(SortTest, CaseInsensitiveAndBinaryOrders) {
  SortStore store({{u"Name", dtString, 10}, {u"Wide", dtWideString, 10}});
  for (const char* s : {"b", "A", "\xE8", "a", "B", "d"}) store.AppendValues({AnsiString(s), AnsiToString(s)});
  const std::vector<std::pair<TSortType, Texts>> cases = {
      {stCaseSensitive, {"a", "A", "b", "B", "č", "d"}},
      {stCaseInsensitive, {"A", "a", "b", "B", "č", "d"}},  // equal keys keep their order
      {stBinary, {"A", "B", "a", "b", "d", "č"}},
  };
  for (int field : {0, 1}) {
    for (const auto& [type, expected] : cases) {
      SCOPED_TRACE("field " + std::to_string(field) + " sort type " + std::to_string(type));
      store.Unsort();
      store.SortBy({{field, false, type}});
      EXPECT_EQ(store.Values(field), expected);
    }
  }
}

// The sort resolves its columns once; every neighbour pair must still be in
// the order CompareRecords gives, and equal records in their old order.
TEST_F(SortTest, SortedOrderIsTheOrderOfCompareRecords) {
  SortStore store({{u"Seq", dtInt32},
                   {u"Name", dtString, 6},
                   {u"Ext", dtExtString, 6},
                   {u"Wide", dtWideString, 6},
                   {u"Guid", dtGuid, 38},
                   {u"Amount", dtFloat},
                   {u"Day", dtDateTime},
                   {u"Flag", dtBoolean}});
  store.SetTrimVarChar(true);
  std::mt19937 random(7);
  const char* words[] = {"a", "A", "ab ", "ab", "\xE8", "\xC8", "c", "a-b", "", "z\t"};
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto maybeNull = [&](Variant v) { return pick(6) == 0 ? Variant::Null() : v; };
  for (int i = 0; i < 300; ++i) {
    AnsiString word = words[pick(10)];
    store.AppendValues({i, maybeNull(word), maybeNull(AnsiString(words[pick(10)])),
                        maybeNull(AnsiToString(words[pick(10)])),
                        maybeNull(AnsiString(pick(2) ? "{0000000A}" : "{0000000a}")),
                        maybeNull(pick(5) == 0 ? std::nan("") : pick(4) * 0.5),
                        maybeNull(Variant::FromDateTime(45000 + pick(3) * 1e-9)), maybeNull(pick(2) == 1)});
  }
  const std::vector<std::vector<SortSpec>> specs = {
      {{1}}, {{1, false, stCaseInsensitive}}, {{1, true, stBinary}}, {{2}, {3, true}},
      {{3, false, stCaseInsensitive}}, {{4}}, {{5, true}, {6}}, {{7}, {6, true}, {1}},
  };
  for (const auto& spec : specs) {
    SCOPED_TRACE("first column " + std::to_string(spec.front().Field));
    store.Unsort();
    store.SortBy(spec);
    TItemHeader* prev = store.GetFirstItem();
    for (TItemHeader* p = prev->Next; p != nullptr; prev = p, p = p->Next) {
      int r = store.CompareByRecBuf(prev, p);
      ASSERT_LE(r, 0);
      if (r == 0) {
        EXPECT_LT(store.GetInt(TBlockManager::GetRecordPtr(prev), 0), store.GetInt(TBlockManager::GetRecordPtr(p), 0));
      }
    }
    store.ExpectConsistent();
  }
}

TEST_F(SortTest, CalculatedFieldsAreComputedOncePerPair) {
  SortStore store({{u"Id", dtInt32}, {u"Neg", dtInt32, 0, fdkCalculated}, {u"Odd", dtInt32, 0, fdkCalculated}});
  TFieldDesc* neg = store.Fields()[1];
  TFieldDesc* odd = store.Fields()[2];
  int calls = 0;
  store.FOnGetCachedBuffer = [&](TRecBuf buffer, TRecBuf source) {
    ++calls;
    std::memcpy(buffer, source, static_cast<size_t>(store.RecordSize()));
    Integer id = store.GetInt(source, 0);
    Integer values[] = {-id, id % 2};
    TFieldDesc* fields[] = {neg, odd};
    for (int k = 0; k < 2; ++k) {
      std::memcpy(buffer + fields[k]->FOffset, &values[k], sizeof(Integer));
      store.SetNull(fields[k], buffer, false);
    }
  };
  // InitRecord marks the calculated fields null too: the buffer has room for them.
  std::vector<Byte> buf(static_cast<size_t>(store.RecordSize() + store.CalcRecordSize()));
  for (Integer id : {3, 1, 4, 2, 5}) {
    store.InitRecord(buf.data());
    store.SetInt(buf.data(), 0, id);
    store.AppendRecord(buf.data());
  }

  store.SortBy({{2}, {1}});  // even before odd, then by falling id
  EXPECT_EQ(store.Values(0), (Texts{"4", "2", "5", "3", "1"}));
  store.ExpectConsistent();

  calls = 0;
  EXPECT_LT(store.CompareByRecBuf(store.GetFirstItem(), store.GetLastItem()), 0);
  EXPECT_EQ(calls, 2);  // one buffer per record, not per column
}

TEST_F(SortTest, RemovingTheSortRestoresTheFirstOrder) {
  SortStore store({{u"Name", dtString, 10}});
  for (const char* s : {"c", "a", "e"}) store.AppendValues({AnsiString(s)});
  // A record inserted before the first one numbers the others by an offset.
  store.SetToBegin();
  store.InsertValues({AnsiString("d")});
  ASSERT_EQ(store.RecordNoOffset(), 1);

  store.SetParsed(u"Name", {{0}});
  EXPECT_EQ(store.Values(0), (Texts{"a", "c", "d", "e"}));
  store.AppendValues({AnsiString("b")});
  store.AppendValues({AnsiString("f")});
  store.AppendValues({AnsiString("0")});
  EXPECT_EQ(store.Values(0), (Texts{"0", "a", "b", "c", "d", "e", "f"}));

  // The same text again changes nothing.
  store.SetIndexFieldNames(u"Name");
  EXPECT_EQ(store.IndexFields().size(), 1u);
  store.SetIndexFieldNames(u"");
  EXPECT_TRUE(store.IndexFields().empty());
  EXPECT_EQ(store.Values(0), (Texts{"d", "c", "a", "e", "0", "b", "f"}));
  store.ExpectConsistent();

  // The next sort saves the order anew.
  store.SortBy({{0, true}});
  store.Unsort();
  EXPECT_EQ(store.Values(0), (Texts{"d", "c", "a", "e", "0", "b", "f"}));
}

TEST_F(SortTest, BookmarksFindTheirRecordsAfterASort) {
  SortStore store({{u"Id", dtInt32}});
  for (Integer id : {5, 3, 9, 1}) store.AppendInt(id);
  std::vector<TRecBookmark> marks(4);
  store.SetToBegin();
  for (TRecBookmark& mark : marks) {
    store.GetNextRecord(nullptr);
    store.GetBookmark(&mark);
  }
  store.SortBy({{0}});
  const Integer ids[] = {5, 3, 9, 1};
  for (int i = 0; i < 4; ++i) {
    store.SetToBookmark(&marks[i]);
    EXPECT_EQ(store.CurrentInt(), ids[i]);
  }
  // Bookmarks order by the records' new places: 3 now comes before 5.
  EXPECT_EQ(store.CompareBookmarks(&marks[1], &marks[0]), -1);
  EXPECT_EQ(store.CompareBookmarks(&marks[2], &marks[3]), 1);
}

TEST_F(SortTest, ChangedRecordsMoveToTheirPlace) {
  SortStore store({{u"Id", dtInt32}, {u"Name", dtString, 10}});
  for (Integer id : {1, 3, 5}) store.AppendValues({id, AnsiString("x")});
  store.SortBy({{0}});

  store.AppendValues({2, AnsiString("appended")});
  EXPECT_EQ(store.Values(0), (Texts{"1", "2", "3", "5"}));
  EXPECT_EQ(store.CurrentInt(), 2);
  store.ExpectConsistent();

  store.GoTo(5);
  store.InsertValues({0, AnsiString("before 5")});
  EXPECT_EQ(store.Values(0), (Texts{"0", "1", "2", "3", "5"}));
  store.ExpectConsistent();

  store.GoTo(3);
  store.InsertValues({4, AnsiString("before 3")});
  EXPECT_EQ(store.Values(0), (Texts{"0", "1", "2", "3", "4", "5"}));
  store.ExpectConsistent();

  // Inserting before the first record still finds the sorted place.
  store.SetToBegin();
  store.InsertValues({6, AnsiString("at start")});
  EXPECT_EQ(store.Values(0), (Texts{"0", "1", "2", "3", "4", "5", "6"}));
  store.ExpectConsistent();

  store.GoTo(1);
  store.EditCurrent(0, 7);
  EXPECT_EQ(store.Values(0), (Texts{"0", "2", "3", "4", "5", "6", "7"}));
  EXPECT_EQ(store.CurrentInt(), 7);
  EXPECT_EQ(store.GetRecordNo(), 7);
  store.ExpectConsistent();

  store.GoTo(6);
  store.EditCurrent(0, -1);
  EXPECT_EQ(store.Values(0), (Texts{"-1", "0", "2", "3", "4", "5", "7"}));
  EXPECT_EQ(store.GetRecordNo(), 1);
  store.ExpectConsistent();

  // An edit of another column leaves the record where it is.
  store.GoTo(3);
  store.EditCurrent(1, AnsiString("renamed"));
  EXPECT_EQ(store.Values(0), (Texts{"-1", "0", "2", "3", "4", "5", "7"}));
  store.ExpectConsistent();
}

TEST_F(SortTest, ExchangeSwapsAnyTwoItems) {
  const std::vector<std::pair<std::pair<int, int>, Texts>> cases = {
      {{0, 1}, {"2", "1", "3", "4"}}, {{2, 3}, {"1", "2", "4", "3"}}, {{0, 3}, {"4", "2", "3", "1"}},
      {{1, 3}, {"1", "4", "3", "2"}}, {{3, 0}, {"4", "2", "3", "1"}}, {{2, 1}, {"1", "3", "2", "4"}},
  };
  for (const auto& [pair, expected] : cases) {
    SCOPED_TRACE(std::to_string(pair.first) + " with " + std::to_string(pair.second));
    SortStore store({{u"Id", dtInt32}});
    for (Integer id : {1, 2, 3, 4}) store.AppendInt(id);
    std::vector<TItemHeader*> items;
    for (TItemHeader* p = store.GetFirstItem(); p != nullptr; p = p->Next) items.push_back(p);
    store.Exchange(items[static_cast<size_t>(pair.first)], items[static_cast<size_t>(pair.second)]);
    EXPECT_EQ(store.Values(0), expected);
    std::vector<std::string> backwards;
    for (TItemHeader* p = store.GetLastItem(); p != nullptr; p = p->Prev) {
      backwards.insert(backwards.begin(), std::to_string(store.GetInt(TBlockManager::GetRecordPtr(p), 0)));
    }
    EXPECT_EQ(backwards, expected);
  }
}

TEST_F(SortTest, ClosingDropsTheColumnsWithTheirFields) {
  SortStore store({{u"Id", dtInt32}});
  store.AppendInt(1);
  store.SortBy({{0}});
  store.Close();
  EXPECT_TRUE(store.IndexFields().empty());
}

}  // namespace
