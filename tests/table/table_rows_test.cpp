// No row of the store is lost to a hiding filter, filter event or master
// link: not by a change of definitions, not by a save with every row from an
// open or closed table. Loading a file gives the same table with and without
// row events, and the events fire once a row.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "platform/db/DataSource.h"
#include "table/VirtualTable.h"
#include "tests/support/exception_message.h"

namespace {

// Ten rows: N 1..10, G = N % 2.
void Fill(TVirtualTable& table) {
  table.AddField(u"N", ftInteger);
  table.AddField(u"G", ftInteger);
  table.AddField(u"M", ftMemo);
  table.Open();
  for (int n = 1; n <= 10; ++n) {
    table.Append();
    table.FieldByName(u"N")->SetAsInteger(n);
    table.FieldByName(u"G")->SetAsInteger(n % 2);
    table.FieldByName(u"M")->SetAsString(u"memo " + IntToStr(n));
    table.Post();
  }
}

std::vector<int> Ns(TVirtualTable& table) {
  std::vector<int> ns;
  for (table.First(); !table.Eof(); table.Next()) ns.push_back(table.FieldByName(u"N")->AsInteger());
  return ns;
}

const std::vector<int> All = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

// A master table with one row, G = 0, that the detail follows on G.
struct Master {
  TVirtualTable table;
  TDataSource source;
  Master() {
    table.AddField(u"G", ftInteger);
    table.Open();
    table.Append();
    table.FieldByName(u"G")->SetAsInteger(0);
    table.Post();
    source.SetDataSet(&table);
  }
};

// Each way a table hides rows, switched on and off, and the five rows it
// shows.
struct Hiding {
  const char* What;
  std::function<void(TVirtualTable&, Master&)> On;
  std::function<void(TVirtualTable&)> Off;
  std::vector<int> Shown;
};

std::vector<Hiding> Hidings() {
  return {
      {"filter text",
       [](TVirtualTable& t, Master&) {
         t.SetFilterText(u"N > 5");
         t.SetFiltered(true);
       },
       [](TVirtualTable& t) { t.SetFiltered(false); },
       {6, 7, 8, 9, 10}},
      {"filter event",
       [](TVirtualTable& t, Master&) {
         t.SetOnFilterRecord([](TDataSet* ds, bool& accept) { accept = ds->FieldByName(u"N")->AsInteger() > 5; });
         t.SetFiltered(true);
       },
       [](TVirtualTable& t) { t.SetFiltered(false); },
       {6, 7, 8, 9, 10}},
      {"master link",
       [](TVirtualTable& t, Master& m) {
         t.SetMasterFields(u"G");
         t.SetDetailFields(u"G");
         t.SetMasterSource(&m.source);
       },
       [](TVirtualTable& t) { t.SetMasterSource(nullptr); },
       {2, 4, 6, 8, 10}},
  };
}

}  // namespace

TEST(TableRows, DefinitionChangesKeepEveryRowOfTheStore) {
  struct Change {
    const char* What;
    std::function<void(TVirtualTable&)> Apply;
  };
  const std::vector<Change> changes = {
      {"AddField", [](TVirtualTable& t) { t.AddField(u"X", ftString, 5); }},
      {"DeleteField", [](TVirtualTable& t) { t.DeleteField(u"M"); }},
      {"FieldDefs change", [](TVirtualTable& t) { t.FieldDefs()[1]->SetSize(0); }},
  };
  for (const Hiding& hiding : Hidings()) {
    for (const Change& change : changes) {
      SCOPED_TRACE(std::string(hiding.What) + ", " + change.What);
      Master master;
      TVirtualTable table;
      Fill(table);
      hiding.On(table, master);
      ASSERT_EQ(table.RecordCount(), 5);
      change.Apply(table);
      hiding.Off(table);
      EXPECT_EQ(table.RecordCount(), 10);
      EXPECT_EQ(Ns(table), All);
      if (table.FindField(u"M") != nullptr) {
        table.Last();
        EXPECT_EQ(StringToUtf8(table.FieldByName(u"M")->AsString()), "memo 10");
      }
    }
  }
}

// With StoreAllData, SaveToStream and the stored Data write every row, also
// from a table closed with its rows kept; without it, the rows shown.
TEST(TableRows, StoreAllDataWritesEveryRowOpenOrClosed) {
  for (const Hiding& hiding : Hidings()) {
    for (bool closed : {false, true}) {
      SCOPED_TRACE(std::string(hiding.What) + (closed ? ", closed" : ", open"));
      Master master;
      TVirtualTable table;
      Fill(table);
      hiding.On(table, master);
      table.Last();
      if (closed) table.Close();

      struct Save {
        const char* What;
        std::function<std::vector<Byte>()> Bytes;
        std::vector<int> Expected;
      };
      const std::vector<Save> saves = {
          {"all rows",
           [&] {
             TMemoryStream s;
             table.SaveToStream(s, false, true);
             return s.Bytes();
           },
           All},
          {"Data", [&] { return table.StoredData(); }, All},
          {"rows shown",
           [&] {
             TMemoryStream s;
             table.SaveToStream(s, false, false);
             return s.Bytes();
           },
           hiding.Shown},
      };
      for (const Save& save : saves) {
        SCOPED_TRACE(save.What);
        std::vector<Byte> bytes = save.Bytes();
        EXPECT_EQ(table.Active(), !closed);
        if (!closed) {
          EXPECT_EQ(table.RecordCount(), 5);
          EXPECT_EQ(table.FieldByName(u"N")->AsInteger(), 10);  // position kept
        }
        TVirtualTable copy;
        TMemoryStream in;
        in.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
        copy.LoadFromStream(in);
        copy.Open();
        EXPECT_EQ(Ns(copy), save.Expected);
      }
    }
  }
}

// A file is loaded straight into the store when nothing watches rows come
// in, and row by row with the dataset's events when something does; the
// table is the same either way.
TEST(TableRows, LoadingWithRowEventsGivesTheSameTableAndFiresThemOnceARow) {
  TVirtualTable source;
  Fill(source);
  source.First();
  source.Edit();
  source.FieldByName(u"M")->Clear();  // a null among the values
  source.Post();
  TMemoryStream file;
  source.SaveToStream(file);
  const std::vector<Byte> bytes = file.Bytes();

  auto load = [&](TVirtualTable& table) {
    TMemoryStream in;
    in.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
    table.LoadFromStream(in);
    table.Open();
  };
  auto contents = [](TVirtualTable& table) {
    std::vector<std::string> rows;
    for (table.First(); !table.Eof(); table.Next()) {
      std::string row;
      for (TField* f : table.Fields()) row += (f->IsNull() ? std::string("null") : StringToUtf8(f->AsString())) + "|";
      rows.push_back(row);
    }
    return rows;
  };

  TVirtualTable direct;
  load(direct);
  const auto expected = contents(direct);
  ASSERT_EQ(expected.size(), 10u);

  struct Case {
    const char* What;
    std::function<void(TVirtualTable&, std::map<std::string, int>&)> Watch;
  };
  auto count = [](std::map<std::string, int>& seen, const char* name) {
    return [&seen, name](TDataSet*) { ++seen[name]; };
  };
  const std::vector<Case> cases = {
      {"every row event",
       [&](TVirtualTable& t, std::map<std::string, int>& seen) {
         t.BeforeInsert = count(seen, "BeforeInsert");
         t.AfterInsert = count(seen, "AfterInsert");
         t.OnNewRecord = count(seen, "OnNewRecord");
         t.BeforePost = count(seen, "BeforePost");
         t.AfterPost = count(seen, "AfterPost");
       }},
      {"AfterPost alone", [&](TVirtualTable& t, std::map<std::string, int>& seen) { t.AfterPost = count(seen, "AfterPost"); }},
      {"cached updates", [&](TVirtualTable& t, std::map<std::string, int>&) { t.SetCachedUpdates(true); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    std::map<std::string, int> seen;
    TVirtualTable table;
    c.Watch(table, seen);
    load(table);
    EXPECT_EQ(contents(table), expected);
    for (const auto& [name, times] : seen) EXPECT_EQ(times, 10) << name;
    if (table.CachedUpdates()) {
      EXPECT_TRUE(table.UpdatesPending());
    }
  }
}

// An extended column is filtered like any number (it used to fail with
// "Cannot convert type 17").
TEST(TableRows, FiltersReadExtendedValuesAsDoubles) {
  TVirtualTable table;
  table.AddField(u"E", ftExtended);
  table.Open();
  for (double v : {0.5, 2.25, -3.0, 1e10}) {
    table.Append();
    table.FieldByName(u"E")->SetAsFloat(v);
    table.Post();
  }
  table.SetFilterText(u"E > 1");
  table.SetFiltered(true);
  EXPECT_EQ(ExceptionMessage([&] { table.First(); }), "no error");
  std::vector<double> seen;
  for (table.First(); !table.Eof(); table.Next()) seen.push_back(table.FieldByName(u"E")->AsFloat());
  EXPECT_EQ(seen, (std::vector<double>{2.25, 1e10}));
}
