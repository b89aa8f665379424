// Reading other rows, calculated and lookup fields, and bookmarks.
#include "tests/db/contract_fixture.h"

namespace {

template <class T>
T* AddField(TDataSet& ds, const String& name, TFieldKind kind = fkData, Integer size = -1) {
  auto* field = new T(&ds);
  field->SetFieldName(name);
  field->SetFieldKind(kind);
  if (size >= 0) field->SetSize(size);
  field->SetDataSet(&ds);
  return field;
}

// ---------------------------------------------------------------------------
// ReadRow

TEST_F(ContractTest, ReadRowGivesEveryRowWithoutEventsOrMoving) {
  ds.Next();
  Take();
  std::vector<String> names;
  for (Integer r = 1; r <= 3; ++r) {
    EXPECT_TRUE(ds.ReadRow(r, [&] { names.push_back(NameText()); }));
  }
  EXPECT_EQ(names, (std::vector<String>{u"one", u"two", u"three"}));
  // The active row is read from the active buffer; only the others are fetched.
  EXPECT_EQ(Take(), (Log{"GetRecordAt(1)", "GetRecordAt(3)"}));
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_FALSE(ds.ReadRow(0, [] { ADD_FAILURE(); }));
  EXPECT_FALSE(ds.ReadRow(4, [] { ADD_FAILURE(); }));

  // The cursor moved while reading: the next move starts from the active row.
  ds.Next();
  EXPECT_EQ(Id(), 3);
}

TEST_F(ContractTest, ReadRowWhileEditingShowsTheEditAndRefusesWrites) {
  ds.Edit();
  ds.FieldByName(u"NAME")->SetAsString(u"uno");
  String active, other;
  ds.ReadRow(1, [&] { active = NameText(); });
  ds.ReadRow(2, [&] {
    other = NameText();
    EXPECT_DB_ERROR(ds.FieldByName(u"NAME")->SetAsString(u"x"), "Dataset not in edit or insert mode");
  });
  EXPECT_EQ(active, u"uno");
  EXPECT_EQ(other, u"two");
  EXPECT_EQ(ds.State(), dsEdit);
  ds.Post();
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 2, 3}));
  EXPECT_EQ(NameText(), u"uno");
  ds.Next();
  EXPECT_EQ(NameText(), u"two");
}

TEST_F(ContractTest, RowsReadDuringAnInsertDoNotMoveWhereTheRecordGoes) {
  ds.Next();
  ds.Insert();
  ds.FieldByName(u"ID")->SetAsInteger(10);
  for (Integer r = 1; r <= 3; ++r) ds.ReadRow(r, [] {});
  ds.Post();
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 10, 2, 3}));

  ds.Append();
  ds.FieldByName(u"ID")->SetAsInteger(20);
  ds.ReadRow(1, [] {});
  ds.Post();
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 10, 2, 3, 20}));
  EXPECT_EQ(Id(), 20);
}

// ---------------------------------------------------------------------------
// Calculated fields

class CalcFieldsTest : public testing::Test {
 protected:
  void SetUp() override {
    ds.FieldDefs().Add(u"ID", ftInteger);
    ds.FieldDefs().Add(u"NAME", ftString, 10);
    id = AddField<TIntegerField>(ds, u"ID");
    name = AddField<TStringField>(ds, u"NAME", fkData, 10);
    twice = AddField<TIntegerField>(ds, u"TWICE", fkCalculated);
    label = AddField<TStringField>(ds, u"LABEL", fkCalculated, 20);
    ds.OnCalcFields = [this](TDataSet*) {
      ++calculations;
      if (!id->IsNull()) twice->SetAsInteger(id->AsInteger() * 2);
      label->SetAsString(name->AsString() + u"!");
    };
    ds.Open();
    for (Integer i = 1; i <= 3; ++i) {
      ds.Append();
      id->SetAsInteger(i);
      name->SetAsString(u"n" + IntToStr(i));
      ds.Post();
    }
    ds.First();
    calculations = 0;
  }

  TTestDataSet ds;
  TField *id, *name, *twice, *label;
  int calculations = 0;
};

TEST_F(CalcFieldsTest, CalculatedValuesFollowTheRecord) {
  EXPECT_EQ(ds.CalcFieldsSize(), (4 + 1) + (21 + 1));
  EXPECT_EQ(twice->FieldNo(), -1);
  for (Integer i = 1; i <= 3; ++i, ds.Next()) {
    EXPECT_EQ(twice->AsInteger(), i * 2);
    EXPECT_EQ(label->AsString(), u"n" + IntToStr(i) + u"!");
  }
  std::vector<Integer> read;
  ds.First();
  calculations = 0;
  for (Integer r = 3; r >= 1; --r) ds.ReadRow(r, [&] { read.push_back(twice->AsInteger()); });
  EXPECT_EQ(read, (std::vector<Integer>{6, 4, 2}));
  EXPECT_EQ(calculations, 2);  // once for each row fetched; the active one has its values
  EXPECT_EQ(twice->AsInteger(), 2);
}

TEST_F(CalcFieldsTest, EditsRecalculateWhenAutoCalcFieldsIsOn) {
  ds.Edit();
  id->SetAsInteger(5);
  EXPECT_EQ(twice->AsInteger(), 10);

  ds.AutoCalcFields = false;
  id->SetAsInteger(6);
  EXPECT_EQ(twice->AsInteger(), 10);
  ds.Post();  // the record read back is calculated again
  EXPECT_EQ(twice->AsInteger(), 12);
}

TEST_F(CalcFieldsTest, NewRecordsStartWithoutCalculatedValues) {
  bool nullOnNewRecord = false;
  ds.OnNewRecord = [&](TDataSet*) { nullOnNewRecord = twice->IsNull(); };
  ds.Append();
  EXPECT_TRUE(nullOnNewRecord);
  id->SetAsInteger(21);
  EXPECT_EQ(twice->AsInteger(), 42);
}

TEST_F(CalcFieldsTest, WritesToCalculatedAndDataFields) {
  // OnCalcFields may not write data fields.
  String message;
  ds.OnCalcFields = [&](TDataSet*) {
    try {
      id->SetAsInteger(1);
    } catch (const EDatabaseError& e) {
      message = e.Message();
    }
  };
  ds.Next();
  EXPECT_EQ(message, u"Dataset not in edit or insert mode");
  // Outside the calculation a calculated field is written in an edit only.
  EXPECT_DB_ERROR(twice->SetAsInteger(1), "Dataset not in edit or insert mode");
  ds.Edit();
  twice->SetAsInteger(99);
  EXPECT_EQ(twice->AsInteger(), 99);
  // Old values of calculated fields are not kept.
  EXPECT_TRUE(twice->OldValue().IsNull());
}

TEST(CalcFields, VariantsCannotBeCalculated) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"ID", ftInteger);
  AddField<TVariantField>(ds, u"ANY", fkCalculated);
  EXPECT_DB_ERROR(ds.Open(), "Calculated field 'ANY' cannot be of type Variant");
  EXPECT_FALSE(ds.Active());
}

TEST(LookupFields, TakeTheResultOfTheLookupDataset) {
  TTestDataSet codes;
  codes.FieldDefs().Add(u"CODE", ftInteger);
  codes.FieldDefs().Add(u"TEXT", ftString, 10);
  codes.Open();
  for (auto [code, text] : {std::pair{1, u"red"}, {2, u"green"}}) {
    codes.Append();
    codes.FieldByName(u"CODE")->SetAsInteger(code);
    codes.FieldByName(u"TEXT")->SetAsString(text);
    codes.Post();
  }
  TTestDataSet items;
  items.FieldDefs().Add(u"COLOR", ftInteger);
  TField* color = AddField<TIntegerField>(items, u"COLOR");
  TField* colorName = AddField<TStringField>(items, u"COLOR_NAME", fkLookup, 10);
  colorName->SetLookupDataSet(&codes);
  colorName->KeyFields = u"COLOR";
  colorName->LookupKeyFields = u"CODE";
  colorName->LookupResultField = u"TEXT";
  items.Open();
  for (Integer c : {2, 3, 1}) {
    items.Append();
    color->SetAsInteger(c);
    items.Post();
  }
  items.First();
  std::vector<String> names;
  for (; !items.Eof(); items.Next()) names.push_back(colorName->IsNull() ? u"<null>" : colorName->AsString());
  EXPECT_EQ(names, (std::vector<String>{u"green", u"<null>", u"red"}));
}

// ---------------------------------------------------------------------------
// Bookmarks

TEST_F(ContractTest, BookmarksSurviveChangesToOtherRecords) {
  std::vector<TBookmark> marks;
  for (; !ds.Eof(); ds.Next()) marks.push_back(ds.GetBookmark());
  ds.First();
  ds.Next();
  ds.Insert();  // before record 2
  ds.FieldByName(u"ID")->SetAsInteger(10);
  ds.Post();
  ds.Append();
  ds.Cancel();
  ds.Last();
  ds.Edit();
  ds.FieldByName(u"NAME")->SetAsString(u"tres");
  ds.Post();
  ds.First();
  ds.Delete();  // record 1

  EXPECT_FALSE(ds.BookmarkValid(marks[0]));
  EXPECT_TRUE(ds.BookmarkValid(marks[1]));
  ds.GotoBookmark(marks[1]);
  EXPECT_EQ(Id(), 2);
  ds.GotoBookmark(marks[2]);
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(NameText(), u"tres");
  EXPECT_LT(ds.CompareBookmarks(marks[1], marks[2]), 0);
  EXPECT_GT(ds.CompareBookmarks(marks[2], marks[1]), 0);
  EXPECT_EQ(ds.CompareBookmarks(marks[2], marks[2]), 0);

  // A bookmark of a deleted record finds nothing and leaves the record alone.
  EXPECT_DB_ERROR(ds.GotoBookmark(marks[0]), "Record not found");
  EXPECT_EQ(Id(), 3);
  ds.Prior();
  EXPECT_EQ(Id(), 2);
}

TEST_F(ContractTest, GotoBookmarkCallOrder) {
  ds.Last();
  TBookmark mark = ds.GetBookmark();
  ds.First();
  Take();
  ds.GotoBookmark(mark);
  EXPECT_EQ(Take(), (Log{"link:CheckBrowseMode", "BeforeScroll", "InternalGotoBookmark", "GetRecord(current)",
                         "GetRecord(current)", "link:DataSetChanged", "AfterScroll"}));
  EXPECT_EQ(Id(), 3);
  ds.GotoBookmark(TBookmark());  // empty: nothing
  EXPECT_EQ(Take(), Log{});
}

}  // namespace
