// The virtual table: definitions in code, rows kept across closing and
// across definition changes, copies of datasets, and the stored Data value.
#include <gtest/gtest.h>

#include "table/FieldTypeMap.h"
#include "table/VirtualTable.h"
#include "tests/support/exception_message.h"

namespace {

std::string Utf8(const String& s) { return StringToUtf8(s); }

// A table with fields N (integer) and S (string 10) and rows 1..count.
void Numbers(TVirtualTable& table, int count) {
  table.AddField(u"N", ftInteger);
  table.AddField(u"S", ftString, 10);
  table.Open();
  for (int i = 1; i <= count; ++i) {
    table.Append();
    table.FieldByName(u"N")->SetAsInteger(i);
    table.FieldByName(u"S")->SetAsString(u"s" + IntToStr(i));
    table.Post();
  }
}

std::vector<int> Column(TVirtualTable& table, const char16_t* name) {
  std::vector<int> values;
  table.First();
  for (; !table.Eof(); table.Next()) {
    TField* f = table.FieldByName(name);
    values.push_back(f->IsNull() ? -1 : f->AsInteger());
  }
  return values;
}

}  // namespace

TEST(VirtualTable, NewTableDefaults) {
  TVirtualTable table;
  EXPECT_EQ(table.Options(), DefaultVirtualTableOptions);
  EXPECT_TRUE(table.HasOption(voPersistentData));
  EXPECT_TRUE(table.HasOption(voStored));
  EXPECT_TRUE(table.HasOption(voSkipUnSupportedFieldTypes));
  EXPECT_FALSE(table.HasOption(voSetEmptyStrToNull));
  EXPECT_EQ(table.StoredData(), (std::vector<Byte>{3, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  table.SetOptions(0);
  EXPECT_TRUE(table.StoredData().empty());
}

TEST(VirtualTable, FieldTypesAndTheirLayout) {
  const std::string refused =
      "Field type is not supported by TVirtualTable. \rValid types is String, WideString, Smallint, Integer, "
      "Word, Boolean, Largeint, Float, ftSingle, ftExtended, Currency, Date, Time, DateTime, SQLTimeStamp, "
      "Blob, Memo, Guid, Bcd, FmtBcd, Bytes, VarBytes, Variant";
  for (TFieldType type : {ftFixedChar, ftADT, ftUnknown, ftTimeStampOffset}) {
    SCOPED_TRACE(static_cast<int>(type));
    TVirtualTable table;
    EXPECT_EQ(ExceptionMessage([&] { table.AddField(u"X", type); }), refused);
    EXPECT_EQ(table.FieldDefs().Count(), 0);
  }

  TVirtualTable table;
  table.AddField(u"G", ftGuid, 0);
  EXPECT_EQ(table.FieldDefs()[0]->Size(), 38);
  table.FieldDefs().Add(u"U", ftUnknown);
  EXPECT_EQ(table.FieldDefs()[1]->DataType(), ftString);
  EXPECT_EQ(table.FieldDefs()[1]->Size(), 20);

  struct Case {
    TFieldType Type;
    Integer Size, Precision;
    TDataType DataType;
    Integer DescSize;
  };
  for (const Case& c : std::vector<Case>{{ftSmallint, 0, 3, dtInt8, 2},
                                         {ftSmallint, 0, 5, dtInt16, 2},
                                         {ftLargeint, 0, 10, dtUInt32, 4},
                                         {ftLargeint, 0, 11, dtInt64, 8},
                                         {ftLongWord, 0, 0, dtUInt32, 4},
                                         {ftFMTBcd, 2, 0, dtFMTBCD, 34},
                                         {ftFMTBcd, 2, 40, dtFMTBCD, 42},
                                         {ftString, 10, 0, dtString, 11},
                                         {ftWideString, 10, 0, dtWideString, 22},
                                         {ftBCD, 4, 0, dtBCD, 8}}) {
    SCOPED_TRACE(static_cast<int>(c.Type));
    TFieldDesc desc(nullptr);
    ASSERT_TRUE(DescribeVirtualTableField(desc, c.Type, c.Size, c.Precision));
    EXPECT_EQ(desc.FDataType, c.DataType);
    EXPECT_EQ(desc.FSize, c.DescSize);
  }
}

TEST(VirtualTable, DefinitionChangesKeepTheRows) {
  TVirtualTable table;
  Numbers(table, 3);
  table.AddField(u"New", ftInteger);
  EXPECT_TRUE(table.Active());
  EXPECT_EQ(Column(table, u"N"), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Column(table, u"New"), (std::vector<int>{-1, -1, -1}));

  table.DeleteField(u"N");
  EXPECT_EQ(table.FindField(u"N"), nullptr);
  table.First();
  EXPECT_EQ(Utf8(table.FieldByName(u"S")->AsString()), "s1");
  table.Last();
  EXPECT_EQ(Utf8(table.FieldByName(u"S")->AsString()), "s3");
  EXPECT_EQ(table.RecordCount(), 3);

  EXPECT_EQ(ExceptionMessage([&] { table.DeleteField(u"Nope"); }), "Field 'Nope' not found");
  EXPECT_EQ(table.RecordCount(), 3);

  // A changed type converts the values that convert.
  table.Close();
  table.FieldDefs().Find(u"S")->SetDataType(ftWideString);
  table.Open();
  EXPECT_EQ(table.FieldByName(u"S")->DataType(), ftWideString);
  table.First();
  EXPECT_EQ(Utf8(table.FieldByName(u"S")->AsString()), "s1");
}

TEST(VirtualTable, ClosingKeepsRowsOnlyWhenPersistent) {
  for (bool persistent : {true, false}) {
    SCOPED_TRACE(persistent);
    TVirtualTable table;
    if (!persistent) table.SetOptions(0);
    Numbers(table, 2);
    table.Close();
    table.Open();
    EXPECT_EQ(table.RecordCount(), persistent ? 2 : 0);
  }
}

TEST(VirtualTable, ClearKeepsTheActiveState) {
  for (bool active : {true, false}) {
    SCOPED_TRACE(active);
    TVirtualTable table;
    Numbers(table, 2);
    table.SetActive(active);
    table.Clear();
    EXPECT_EQ(table.Active(), active);
    table.Open();
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(table.FieldDefs().Count(), 2);
  }
  TVirtualTable editing;
  Numbers(editing, 1);
  editing.Edit();
  editing.FieldByName(u"N")->SetAsInteger(9);
  editing.Clear();
  EXPECT_EQ(editing.State(), dsBrowse);
  EXPECT_EQ(editing.RecordCount(), 0);
}

TEST(VirtualTable, CopiesOtherDatasets) {
  TVirtualTable source;
  Numbers(source, 3);
  source.First();
  source.Next();

  TVirtualTable copy;
  copy.AssignDataSet(&source);
  EXPECT_FALSE(copy.Active());
  copy.Open();
  EXPECT_EQ(Column(copy, u"N"), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(source.FieldByName(u"N")->AsInteger(), 2);  // the source's position is back

  // A closed source gives its persistent fields as definitions, no rows.
  source.Close();
  for (int i = 0; i < source.FieldDefs().Count(); ++i) source.FieldDefs()[i]->CreateField(&source);
  TVirtualTable definitionsOnly;
  definitionsOnly.AssignDataSet(&source);
  EXPECT_EQ(definitionsOnly.FieldDefs().Count(), 2);
  definitionsOnly.Open();
  EXPECT_EQ(definitionsOnly.RecordCount(), 0);

  source.Open();
  TVirtualTable assigned;
  assigned.Assign(&source);
  assigned.Open();
  EXPECT_EQ(Column(assigned, u"N"), (std::vector<int>{1, 2, 3}));
}

TEST(VirtualTable, StoredDataComesBackIntoTheDefinitions) {
  TVirtualTable table;
  Numbers(table, 2);
  std::vector<Byte> data = table.StoredData();

  TVirtualTable other;
  other.AddField(u"N", ftInteger);
  other.SetStoredData(data);
  other.Open();
  EXPECT_EQ(Column(other, u"N"), (std::vector<int>{1, 2}));
  EXPECT_EQ(other.FindField(u"S"), nullptr);
}

TEST(VirtualTable, FieldNamesNeedNotBeIdentifiers) {
  TVirtualTable table;
  table.AddField(u"First Name", ftString, 10);
  table.AddField(u"1", ftInteger);
  table.Open();
  table.Append();
  table.FieldByName(u"First Name")->SetAsString(u"Ana");
  table.FieldByName(u"1")->SetAsInteger(1);
  table.Post();
  TMemoryStream stream;
  table.SaveToStream(stream);
  TVirtualTable back;
  back.LoadFromStream(stream);
  back.Open();
  EXPECT_EQ(Utf8(back.FieldByName(u"First Name")->AsString()), "Ana");
  EXPECT_EQ(back.FieldByName(u"1")->AsInteger(), 1);
}

// A table kept sorted takes a file's rows in their order and sorts them once
// when all are in, on both roads of the load: the direct fill of the store
// and the appending of each row when a row event watches (where each posted
// row is, until then, the last one). Equal keys keep the file's order.
TEST(VirtualTable, LoadIntoASortedTableSortsOnceAtTheEnd) {
  TVirtualTable source;
  source.AddField(u"K", ftInteger);
  source.AddField(u"N", ftInteger);
  source.Open();
  for (int i = 1; i <= 40; ++i) {
    source.Append();
    source.FieldByName(u"K")->SetAsInteger((40 - i) % 7);  // repeats, in no order
    source.FieldByName(u"N")->SetAsInteger(i);
    source.Post();
  }
  TMemoryStream file;
  source.SaveToStream(file);
  source.SetIndexFieldNames(u"K");
  const std::vector<int> expectedN = Column(source, u"N");
  const std::vector<int> expectedK = Column(source, u"K");

  for (bool watched : {false, true}) {
    SCOPED_TRACE(watched ? "appended and posted" : "filled directly");
    TVirtualTable table;
    table.AddField(u"K", ftInteger);
    table.AddField(u"N", ftInteger);
    table.SetIndexFieldNames(u"K");
    int posted = 0;
    bool lastEachTime = true;
    if (watched) {
      table.AfterPost = [&](TDataSet*) {
        ++posted;
        lastEachTime = lastEachTime && table.RecNo() == posted;
      };
    }
    file.SetPosition(0);
    table.LoadFromStream(file, false);
    table.Open();
    EXPECT_EQ(posted, watched ? 40 : 0);
    EXPECT_TRUE(lastEachTime);
    EXPECT_EQ(Column(table, u"N"), expectedN);
    EXPECT_EQ(Column(table, u"K"), expectedK);
    // Rows added afterwards go to their sorted place at once.
    table.Append();
    table.FieldByName(u"K")->SetAsInteger(-1);
    table.Post();
    table.First();
    EXPECT_EQ(table.FieldByName(u"K")->AsInteger(), -1);
  }
}
