// Dataset views: filters, the record-filter event, FindFirst, ranges, local
// master/detail with its delayed refresh, Locate, LocateEx and Lookup.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <random>

#include "platform/db/DataSource.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/OneShotTimer.h"
#include "tests/support/exception_message.h"
#include "tests/table/mem_dataset_fixture.h"

namespace {

// ID, NAME (10 characters), GRP; a row is appended with GRP null when grp
// is not given.
class Table : public ListDataSet {
 public:
  Table() : ListDataSet({{u"ID", dtInt32}, {u"NAME", dtString, 10}, {u"GRP", dtInt32}}) { Open(); }
  void Add(Integer id, const String& name, const Variant& grp = Variant::Null()) {
    Append();
    FieldByName(u"ID")->SetAsInteger(id);
    FieldByName(u"NAME")->SetAsString(name);
    if (!grp.IsNull()) FieldByName(u"GRP")->SetAsVariant(grp);
    Post();
  }
  Integer Id() { return FieldByName(u"ID")->AsInteger(); }
  // The visible IDs in order.
  std::vector<Integer> Ids() {
    std::vector<Integer> ids;
    for (Integer r = 1; r <= RecordCount(); ++r) ReadRow(r, [&] { ids.push_back(Id()); });
    return ids;
  }
};

using Ids = std::vector<Integer>;

// Names in traces; the tests' names are ASCII.
std::string Ascii(std::u16string_view s) {
  std::string out;
  for (char16_t ch : s) out.push_back(static_cast<char>(ch));
  return out;
}

// IDs 1..6: names a, B, b, c, A, b; groups 10, 10, 20, 20, null, 30.
class ViewsTest : public testing::Test {
 protected:
  void SetUp() override {
    const char16_t* names[] = {u"a", u"B", u"b", u"c", u"A", u"b"};
    Variant groups[] = {Variant(10), Variant(10), Variant(20), Variant(20), Variant::Null(), Variant(30)};
    for (Integer i = 0; i < 6; ++i) t.Add(i + 1, names[i], groups[i]);
    t.First();
  }
  FixedFormats formats;
  Table t;
};

// ---------------------------------------------------------------------------
// Filters

TEST_F(ViewsTest, FilterThatHidesTheCurrentRecordMovesToTheFirstVisible) {
  t.Locate(u"ID", Variant(4), 0);
  t.SetFilterText(u"GRP = 10");
  t.SetFiltered(true);
  EXPECT_EQ(t.Ids(), (Ids{1, 2}));
  EXPECT_EQ(t.Id(), 1);
  // A new text applies at once while filtered; off shows everything again.
  t.SetFilterText(u"GRP >= 20");
  EXPECT_EQ(t.Ids(), (Ids{3, 4, 6}));
  t.SetFiltered(false);
  EXPECT_EQ(t.Ids(), (Ids{1, 2, 3, 4, 5, 6}));
  // A faulty text leaves the filter that was.
  t.SetFiltered(true);
  EXPECT_THROW(t.SetFilterText(u"GRP = "), Exception);
  EXPECT_EQ(t.Filter(), u"GRP >= 20");
  EXPECT_EQ(t.Ids(), (Ids{3, 4, 6}));
}

TEST_F(ViewsTest, FilterOptionsReachTheExpression) {
  t.SetFilterText(u"NAME = 'b'");
  t.SetFiltered(true);
  EXPECT_EQ(t.Ids(), (Ids{3, 6}));
  t.SetFilterOptions(foCaseInsensitive);
  EXPECT_EQ(t.Ids(), (Ids{2, 3, 6}));
}

TEST_F(ViewsTest, FilterEventAndFilterTextBothApply) {
  t.SetFilterText(u"GRP >= 10");
  t.SetOnFilterRecord([](TDataSet* ds, bool& accept) { accept = ds->FieldByName(u"ID")->AsInteger() % 2 == 0; });
  EXPECT_EQ(t.Ids(), (Ids{1, 2, 3, 4, 5, 6}));  // not filtered yet
  t.SetFiltered(true);
  EXPECT_EQ(t.Ids(), (Ids{2, 4, 6}));
  t.SetOnFilterRecord(nullptr);
  EXPECT_EQ(t.Ids(), (Ids{1, 2, 3, 4, 6}));
}

TEST_F(ViewsTest, FilterEventThatRaisesKeepsWhatItHadDecided) {
  t.SetOnFilterRecord([](TDataSet* ds, bool& accept) {
    Integer id = ds->FieldByName(u"ID")->AsInteger();
    if (id == 2) accept = false;
    if (id == 2 || id == 3) throw Exception(u"bad row");
  });
  t.SetFiltered(true);
  EXPECT_EQ(t.Ids(), (Ids{1, 3, 4, 5, 6}));
  EXPECT_EQ(t.State(), dsBrowse);
}

TEST_F(ViewsTest, FindFirstAndNextUseTheFilterWithoutApplyingIt) {
  t.SetFilterText(u"GRP = 20");
  EXPECT_TRUE(t.FindFirst());
  EXPECT_EQ(t.Id(), 3);
  EXPECT_TRUE(t.FindNext());
  EXPECT_EQ(t.Id(), 4);
  EXPECT_FALSE(t.FindNext());
  EXPECT_EQ(t.Id(), 4);
  EXPECT_TRUE(t.FindLast());
  EXPECT_EQ(t.Id(), 4);
  EXPECT_TRUE(t.FindPrior());
  EXPECT_EQ(t.Id(), 3);
  EXPECT_EQ(t.Ids(), (Ids{1, 2, 3, 4, 5, 6}));
  t.Last();
  EXPECT_EQ(t.Id(), 6);
}

// ---------------------------------------------------------------------------
// Ranges

TEST_F(ViewsTest, RangeBoundsAreInclusiveUnlessExclusive) {
  t.SetIndexFieldNames(u"GRP");
  struct Case {
    Variant Start, End;
    bool StartExclusive, EndExclusive;
    Ids Expected;
  } cases[] = {
      {Variant(10), Variant(20), false, false, {1, 2, 3, 4}},
      {Variant(10), Variant(20), true, false, {3, 4}},
      {Variant(10), Variant(20), false, true, {1, 2}},
      {Variant::Null(), Variant(10), false, false, {5, 1, 2}},  // a null start bound sets no limit
      {Variant(20), Variant::Null(), false, false, {3, 4, 6}},
      {Variant(11), Variant(19), false, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Expected.size() << " rows, exclusive " << c.StartExclusive << c.EndExclusive);
    t.SetRange(c.Start, c.End, c.StartExclusive, c.EndExclusive);
    EXPECT_TRUE(t.Ranged());
    EXPECT_EQ(t.Ids(), c.Expected);
  }
  t.CancelRange();
  EXPECT_FALSE(t.Ranged());
  EXPECT_EQ(t.Ids(), (Ids{5, 1, 2, 3, 4, 6}));
}

TEST_F(ViewsTest, RangeOnALeadingIndexFieldAndItsEnd) {
  t.SetIndexFieldNames(u"GRP;ID");
  t.SetRange(Variant(20), Variant(20));
  EXPECT_EQ(t.Ids(), (Ids{3, 4}));
  // Editing one bound keeps the other.
  t.EditRangeEnd();
  t.FieldByName(u"GRP")->SetAsInteger(30);
  t.ApplyRange();
  EXPECT_EQ(t.Ids(), (Ids{3, 4, 6}));
  // A new order drops the range.
  t.SetIndexFieldNames(u"ID");
  EXPECT_FALSE(t.Ranged());
  EXPECT_EQ(t.Ids(), (Ids{1, 2, 3, 4, 5, 6}));
}

TEST_F(ViewsTest, RangeErrors) {
  EXPECT_EQ(ExceptionMessage([&] { t.SetRangeStart(); }), "No index currently active");
  EXPECT_EQ(ExceptionMessage([&] { t.KeyExclusive(); }), "Dataset not in edit or insert mode");
  t.SetIndexFieldNames(u"GRP");
  t.SetRangeStart();
  EXPECT_EQ(t.State(), dsSetKey);
  t.SetKeyExclusive(true);
  EXPECT_TRUE(t.KeyExclusive());
  t.Cancel();
  EXPECT_EQ(t.State(), dsBrowse);
  EXPECT_FALSE(t.Ranged());
}

// ---------------------------------------------------------------------------
// Master/detail

// Master: ID 1..3 (ID 3 has a null code). Detail: rows for master 1 (two),
// 2 (one) and a null master.
class MasterDetailTest : public testing::Test {
 protected:
  void SetUp() override {
    for (Integer id = 1; id <= 3; ++id) master.Add(id, id == 3 ? u"" : u"m", id == 3 ? Variant::Null() : Variant(id));
    detail.Add(11, u"x", Variant(1));
    detail.Add(12, u"y", Variant(1));
    detail.Add(21, u"z", Variant(2));
    detail.Add(99, u"n");
    master.First();
    source.SetDataSet(&master);
    detail.SetMasterFields(u"GRP");
    detail.SetDetailFields(u"GRP");
    detail.SetMasterSource(&source);
  }
  FixedFormats formats;
  Table master;
  Table detail;
  TDataSource source;
};

TEST_F(MasterDetailTest, MovingTheMasterChangesTheDetailRows) {
  EXPECT_EQ(detail.Ids(), (Ids{11, 12}));
  master.Next();
  EXPECT_EQ(detail.Ids(), (Ids{21}));
  master.Next();  // a null master value matches only null detail values
  EXPECT_EQ(detail.Ids(), (Ids{99}));
  // A new detail record takes the master's link value.
  master.First();
  detail.Add(13, u"w");
  EXPECT_EQ(detail.Ids(), (Ids{11, 12, 13}));
  // Without the master source every row shows.
  detail.SetMasterSource(nullptr);
  EXPECT_EQ(detail.Ids(), (Ids{11, 12, 21, 99, 13}));
}

TEST_F(MasterDetailTest, AnEmptyMasterShowsNoDetailRows) {
  master.SetFilterText(u"ID > 5");
  master.SetFiltered(true);
  EXPECT_EQ(detail.Ids(), (Ids{}));
  detail.RefreshParamsOnInsert = true;
  detail.MDPropertiesChanged();
  EXPECT_EQ(detail.Ids(), (Ids{99}));  // an empty master's link values are null
}

TEST_F(MasterDetailTest, DetailLinksConvertTheMasterValue) {
  // NAME of the master ("m" or "") against the detail's integer GRP would
  // not convert; the master's ID as text converts to the detail's integer.
  Table textMaster;
  textMaster.Add(0, u"2");
  TDataSource textSource;
  textSource.SetDataSet(&textMaster);
  detail.SetMasterSource(&textSource);
  detail.SetMasterFields(u"NAME");
  EXPECT_EQ(detail.Ids(), (Ids{21}));
}

TEST_F(MasterDetailTest, DelayedRefreshRunsOnceAfterTheLastMasterMove) {
  using namespace std::chrono_literals;
  detail.SetDetailDelay(500);
  auto start = TOneShotTimer::Clock::now();
  master.Next();
  master.Next();
  master.First();
  master.Next();
  EXPECT_EQ(detail.Ids(), (Ids{11, 12}));  // not yet refreshed
  EXPECT_EQ(TOneShotTimer::ProcessTimers(start + 100ms), 0);
  EXPECT_EQ(TOneShotTimer::ProcessTimers(TOneShotTimer::Clock::now() + 500ms), 1);
  EXPECT_EQ(detail.Ids(), (Ids{21}));
  EXPECT_EQ(TOneShotTimer::ProcessTimers(TOneShotTimer::Clock::now() + 5000ms), 0);
  // Closing the detail disarms the timer.
  master.Next();
  detail.Close();
  EXPECT_EQ(TOneShotTimer::PendingCount(), 0);
}

TEST_F(MasterDetailTest, ClosedMasterLeavesTheLinksUsable) {
  // The links are copies: the master's record buffers are freed on close.
  master.Close();
  detail.Add(14, u"v", Variant(1));
  detail.Refresh();
  EXPECT_EQ(detail.State(), dsBrowse);
}

TEST_F(MasterDetailTest, LinkErrors) {
  EXPECT_EQ(ExceptionMessage([&] {
              TDataSource own;
              own.SetDataSet(&detail);
              detail.SetMasterSource(&own);
            }),
            "Circular datalinks are not allowed");
  // A chain that comes back is circular too.
  TDataSource detailSource;
  detailSource.SetDataSet(&detail);
  EXPECT_EQ(ExceptionMessage([&] { master.SetMasterSource(&detailSource); }), "Circular datalinks are not allowed");
  detail.SetDetailFields(u"NOPE");  // a pair without both fields links nothing
  EXPECT_EQ(detail.Ids().size(), 4u);
  std::vector<TField*> masterFields, detailFields;
  detail.GetDetailLinkFields(masterFields, detailFields);
  EXPECT_EQ(masterFields.size(), 1u);
  EXPECT_TRUE(detailFields.empty());
}

// ---------------------------------------------------------------------------
// Locate and Lookup

TEST_F(ViewsTest, LocateFindsTheFirstInIndexOrderAndLxUpTheLastBeforeTheCurrent) {
  struct Case {
    const char16_t* Index;
    Integer First, Next, UpFromLast;
  } cases[] = {{u"", 3, 6, 3}, {u"NAME", 3, 6, 6}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "index '" << Ascii(c.Index) << "'");
    t.SetIndexFieldNames(c.Index);
    ASSERT_TRUE(t.Locate(u"NAME", Variant(u"b"), 0));
    EXPECT_EQ(t.Id(), c.First);
    EXPECT_TRUE(t.LocateEx(u"NAME", Variant(u"b"), lxNext));
    EXPECT_EQ(t.Id(), c.Next);
    EXPECT_FALSE(t.LocateEx(u"NAME", Variant(u"b"), lxNext));
    EXPECT_EQ(t.Id(), c.Next);
    t.Last();
    EXPECT_TRUE(t.LocateEx(u"NAME", Variant(u"b"), lxUp));
    EXPECT_EQ(t.Id(), c.UpFromLast);
  }
}

// The rows of ViewsTest, for working out what a search must find.
struct Row {
  Integer Id;
  String Name;
  std::optional<Integer> Grp;
};
const Row Rows[] = {{1, u"a", 10}, {2, u"B", 10}, {3, u"b", 20}, {4, u"c", 20}, {5, u"A", {}}, {6, u"b", 30}};

String Lower(String s) {
  for (auto& ch : s) ch = static_cast<char16_t>(ch >= u'A' && ch <= u'Z' ? ch + 32 : ch);
  return s;
}

TEST_F(ViewsTest, LocateOptionsOnSortedAndUnsortedTables) {
  struct Case {
    const char16_t* Fields;
    TKeyValues Key;
    TLocateExOptions Options;
    std::function<bool(const Row&)> Match;
  } cases[] = {
      {u"NAME", Variant(u"B"), 0, [](const Row& r) { return r.Name == u"B"; }},
      {u"NAME", Variant(u"B"), lxCaseInsensitive, [](const Row& r) { return Lower(r.Name) == u"b"; }},
      {u"NAME", Variant(u"a"), lxCaseInsensitive, [](const Row& r) { return Lower(r.Name) == u"a"; }},
      {u"NAME", Variant(u"d"), 0, [](const Row&) { return false; }},
      {u"NAME", Variant(u"B"), lxPartialKey, [](const Row& r) { return r.Name == u"B"; }},
      {u"GRP", Variant(20), 0, [](const Row& r) { return r.Grp == 20; }},
      {u"GRP", Variant::Null(), 0, [](const Row& r) { return !r.Grp; }},
      {u"GRP", Variant(u"30"), 0, [](const Row& r) { return r.Grp == 30; }},  // a text key on a number field
      {u"GRP", Variant(25), lxNearest, [](const Row& r) { return r.Grp && *r.Grp >= 25; }},
      {u"GRP;NAME", TKeyValues{Variant(20), Variant(u"c")}, 0, [](const Row& r) { return r.Id == 4; }},
      {u"NAME;GRP", TKeyValues{Variant(u"b"), Variant(30)}, 0, [](const Row& r) { return r.Id == 6; }},
      {u"NAME;GRP", TKeyValues{Variant(u"b"), Variant(10)}, 0, [](const Row&) { return false; }},
      {u"GRP;ID", Variant(20), 0, [](const Row&) { return false; }},  // ID searches for null
  };
  for (const char16_t* index : {u"", u"NAME", u"GRP;NAME", u"NAME CIS", u"GRP DESC"}) {
    t.SetIndexFieldNames(index);
    Ids order = t.Ids();
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "index '" << Ascii(index) << "' fields "
                                      << Ascii(c.Fields) << " options " << int(c.Options));
      Integer expected = 0;
      for (Integer id : order) {
        if (c.Match(Rows[id - 1])) {
          expected = id;
          break;
        }
      }
      t.First();
      EXPECT_EQ(t.LocateEx(c.Fields, c.Key, c.Options), expected != 0);
      if (expected != 0) {
        EXPECT_EQ(t.Id(), expected);
      }
    }
  }
}

TEST_F(ViewsTest, PartialKeyNeverBisectsAndNearestPastTheEndEndsOnTheLast) {
  t.SetIndexFieldNames(u"NAME");
  EXPECT_TRUE(t.LocateEx(u"NAME", Variant(u"c"), lxPartialKey));
  EXPECT_EQ(t.Id(), 4);
  EXPECT_TRUE(t.LocateEx(u"GRP", Variant(1000), lxNearest));
  EXPECT_EQ(t.State(), dsBrowse);
  EXPECT_EQ(t.Id(), 4);  // the last record in index order
  // An empty view has no record to be near.
  t.SetFilterText(u"ID > 100");
  t.SetFiltered(true);
  EXPECT_FALSE(t.LocateEx(u"GRP", Variant(1000), lxNearest));
  EXPECT_TRUE(t.IsEmpty());
}

TEST_F(ViewsTest, KeyThatDoesNotConvertRaisesAndLeavesTheCursor) {
  t.SetIndexFieldNames(u"GRP");
  t.Locate(u"ID", Variant(4), 0);
  EXPECT_THROW(t.Locate(u"GRP", Variant(u"abc"), 0), EConvertError);
  EXPECT_EQ(t.Id(), 4);
  EXPECT_EQ(ExceptionMessage([&] { t.Locate(u"NOPE", Variant(1), 0); }), "Field NOPE not found");
  EXPECT_EQ(t.Id(), 4);
  // A key beyond the field's range does not wrap onto a stored value.
  EXPECT_FALSE(t.Locate(u"GRP", Variant(static_cast<long long>(0x100000000LL + 10)), 0));
}

TEST_F(ViewsTest, LookupLeavesTheCursorAndAnswersNullWhenAbsent) {
  t.Locate(u"ID", Variant(2), 0);
  EXPECT_EQ(t.Lookup(u"NAME", Variant(u"c"), u"ID").AsInteger(), 4);
  EXPECT_TRUE(t.Lookup(u"NAME", Variant(u"zz"), u"ID").IsNull());
  std::vector<Variant> values = t.LookupValues(u"GRP", Variant(30), u"ID;NAME");
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].AsInteger(), 6);
  EXPECT_EQ(values[1].AsString(), u"b");
  EXPECT_EQ(t.Id(), 2);
  // Filtered: only visible records are found.
  t.SetFilterText(u"ID <> 4");
  t.SetFiltered(true);
  EXPECT_TRUE(t.Lookup(u"NAME", Variant(u"c"), u"ID").IsNull());
}

// Bisection and scan agree on data with duplicates and nulls, also after
// records were added to a sorted table.
TEST(LocateAgreement, SortedAndUnsortedSearchesFindTheSameRecord) {
  FixedFormats formats;
  Table sorted, plain;
  sorted.SetIndexFieldNames(u"GRP");
  std::mt19937 random(7);
  std::vector<Integer> groups(1);  // by ID; 0 stands for null
  for (Integer id = 1; id <= 300; ++id) {
    groups.push_back(static_cast<Integer>(random() % 40));
    Variant grp = groups.back() == 0 ? Variant::Null() : Variant(groups.back());
    sorted.Add(id, u"r", grp);
    plain.Add(id, u"r", grp);
  }
  Ids order = sorted.Ids();
  for (Integer key = -1; key <= 41; ++key) {
    SCOPED_TRACE(key);
    Integer firstSorted = 0, firstPlain = 0;
    for (Integer id : order) {
      if (groups[id] == key) {
        firstSorted = id;
        break;
      }
    }
    for (Integer id = 1; id <= 300 && firstPlain == 0; ++id) {
      if (groups[id] == key) firstPlain = id;
    }
    Variant v = key == 0 ? Variant::Null() : Variant(key);
    EXPECT_EQ(sorted.Locate(u"GRP", v, 0), firstSorted != 0);
    EXPECT_EQ(plain.Locate(u"GRP", v, 0), firstPlain != 0);
    if (firstSorted == 0) continue;
    EXPECT_EQ(sorted.Id(), firstSorted);
    EXPECT_EQ(plain.Id(), firstPlain);
  }
}

}  // namespace
