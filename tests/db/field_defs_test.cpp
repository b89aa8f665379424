// Field definitions, the fields made from them and the binding of
// persistent fields at open.
#include "tests/db/contract_fixture.h"

namespace {

TEST(FieldDefs, AddFindAndNumbering) {
  TTestDataSet ds;
  TFieldDefs& defs = ds.FieldDefs();
  defs.Add(u"ID", ftInteger, 0, true);
  defs.Add(u"\u010Crka", ftString, 5);
  EXPECT_EQ(defs.Count(), 2);
  EXPECT_EQ(defs[1]->FieldNo(), 2);
  EXPECT_TRUE(defs[0]->Required());
  EXPECT_EQ(defs.Find(u"id"), defs[0]);
  EXPECT_EQ(defs.Find(u"\u010CRKA"), defs[1]);  // case-insensitive beyond ASCII
  EXPECT_EQ(defs.Find(u"none"), nullptr);
  EXPECT_EQ(defs.IndexOf(u"\u010Crka"), 1);
  EXPECT_EQ(defs[1]->Index(), 1);

  EXPECT_DB_ERROR(defs.Add(u"Id", ftInteger), "Duplicate name 'Id' in TFieldDefs");
  EXPECT_DB_ERROR(defs.Add(u"", ftInteger), "Field name missing");
  EXPECT_DB_ERROR(defs[1]->SetName(u"id"), "Duplicate name 'id' in TFieldDefs");
  defs[1]->SetName(u"\u010CRKA");  // the same name in other case is its own
  EXPECT_DB_ERROR(defs.FindOrError(u"none"), "Field 'none' not found");
  ds.SetName(u"Table");
  EXPECT_DB_ERROR(defs.FindOrError(u"none"), "Table: Field 'none' not found");

  defs.Delete(0);
  EXPECT_EQ(defs.Count(), 1);
  EXPECT_THROW(defs.Delete(5), EListError);
}

TEST(FieldDefs, ChangesMarkTheListAndNotifyOncePerUpdate) {
  TTestDataSet ds;
  TFieldDefs& defs = ds.FieldDefs();
  int notices = 0;
  defs.OnChange = [&] { ++notices; };
  defs.SetUpdated(true);
  defs.Add(u"A", ftInteger);
  EXPECT_FALSE(defs.Updated());
  EXPECT_EQ(notices, 1);

  defs.BeginUpdate();
  defs.Clear();
  defs.Add(u"B", ftString, 3)->SetSize(4);
  defs.SetUpdated(true);  // rebuilt inside the update: up to date
  EXPECT_EQ(notices, 1);
  defs.EndUpdate();
  EXPECT_EQ(notices, 2);
  EXPECT_TRUE(defs.Updated());

  TFieldDefs copy(nullptr);
  defs[0]->SetPrecision(3);
  defs[0]->SetAttributes(faReadonly | faFixed);
  defs[0]->ChildDefs().Add(u"CHILD", ftInteger);
  copy.Assign(defs);
  ASSERT_EQ(copy.Count(), 1);
  EXPECT_EQ(copy[0]->Size(), 4);
  EXPECT_EQ(copy[0]->Precision(), 3);
  EXPECT_EQ(copy[0]->Attributes(), faReadonly | faFixed);
  ASSERT_TRUE(copy[0]->HasChildDefs());
  EXPECT_EQ(copy[0]->ChildDefs()[0]->ParentDef(), copy[0]);
}

TEST(FieldDefs, DefaultFieldsCarryTheDefinitions) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"ID", ftInteger, 0, true);
  ds.FieldDefs().Add(u"NAME", ftString, 15)->SetAttributes(faReadonly);
  ds.FieldDefs().Add(u"HIDDEN", ftInteger)->SetAttributes(faHiddenCol);
  ds.FieldDefs().Add(u"AMOUNT", ftBCD, 2)->SetPrecision(12);
  ds.FieldDefs().Add(u"CODE", ftFixedChar, 3);
  ds.FieldDefs().Add(u"NOTE", ftFmtMemo);
  ds.Open();
  EXPECT_TRUE(ds.DefaultFields());
  EXPECT_EQ(ds.FieldCount(), 5);  // hidden columns get no field
  EXPECT_EQ(ds.FindField(u"HIDDEN"), nullptr);
  TField* id = ds.FieldByName(u"id");
  EXPECT_TRUE(id->Required());
  EXPECT_EQ(id->FieldNo(), 1);
  EXPECT_EQ(id->Owner(), &ds);
  TField* name = ds.FieldByName(u"NAME");
  EXPECT_TRUE(name->ReadOnly());
  EXPECT_EQ(name->Size(), 15);
  EXPECT_EQ(name->DisplayWidth(), 15);
  EXPECT_EQ(static_cast<TBCDField*>(ds.FieldByName(u"AMOUNT"))->Precision(), 12);
  EXPECT_TRUE(static_cast<TStringField*>(ds.FieldByName(u"CODE"))->FixedChar());
  EXPECT_EQ(ds.FieldByName(u"NOTE")->DataType(), ftFmtMemo);
  EXPECT_STREQ(ds.FieldByName(u"NOTE")->ClassName(), "TBlobField");
  EXPECT_DB_ERROR(ds.FieldByName(u"none"), "Field 'none' not found");
}

TEST(FieldDefs, TypesWithoutAFieldClassAreRefused) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"C", ftCursor);
  EXPECT_DB_ERROR(ds.Open(), "Field 'C' is of an unknown type");
  EXPECT_FALSE(ds.Active());
  EXPECT_EQ(ds.FieldCount(), 0);
}

TEST(FieldDefs, PersistentFieldsAreBoundByName) {
  struct Case {
    TFieldType defType;
    Integer defSize;
    TFieldClass fieldClass;
    Integer fieldSize;
    const char* error;  // nullptr: binds
  };
  for (const Case& c : std::initializer_list<Case>{
           {ftInteger, 0, &NewField<TIntegerField>, -1, nullptr},
           {ftAutoInc, 0, &NewField<TIntegerField>, -1, nullptr},
           {ftCurrency, 0, &NewField<TFloatField>, -1, nullptr},
           {ftMemo, 0, &NewField<TBlobField>, -1, nullptr},
           {ftString, 30, &NewField<TStringField>, 10, nullptr},
           {ftString, 5, &NewField<TIntegerField>, -1, "Type mismatch for field 'F', expecting: Integer actual: String"},
           {ftWideMemo, 0, &NewField<TMemoField>, -1, "Type mismatch for field 'F', expecting: Memo actual: WideMemo"},
           {ftBytes, 8, &NewField<TBytesField>, 4, "Size mismatch for field 'F', expecting: 4 actual: 8"},
       }) {
    SCOPED_TRACE(c.error != nullptr ? c.error : "binds");
    TTestDataSet ds;
    ds.FieldDefs().Add(u"F", c.defType, c.defSize);
    TField* field = c.fieldClass(&ds);
    field->SetFieldName(u"F");
    if (c.fieldSize >= 0) field->SetSize(c.fieldSize);
    field->SetDataSet(&ds);
    if (c.error == nullptr) {
      ds.Open();
      EXPECT_FALSE(ds.DefaultFields());
      EXPECT_EQ(field->FieldNo(), 1);
      ds.Close();
      EXPECT_EQ(ds.FieldCount(), 1);  // persistent fields stay
    } else {
      EXPECT_DB_ERROR(ds.Open(), c.error);
      EXPECT_FALSE(ds.Active());
    }
  }
  TTestDataSet ds;
  ds.FieldDefs().Add(u"A", ftInteger);
  TField* field = new TIntegerField(&ds);
  field->SetFieldName(u"B");
  field->SetDataSet(&ds);
  EXPECT_DB_ERROR(ds.Open(), "Field 'B' not found");
}

TEST(FieldDefs, FieldListRules) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"A", ftInteger);
  ds.FieldDefs().Add(u"B", ftInteger);
  auto* a = new TIntegerField(&ds);
  a->SetFieldName(u"A");
  a->SetDataSet(&ds);
  auto* twin = new TIntegerField(&ds);
  twin->SetFieldName(u"a");
  EXPECT_DB_ERROR(twin->SetDataSet(&ds), "Duplicate field name 'a'");
  twin->SetFieldName(u"B");
  twin->SetDataSet(&ds);
  EXPECT_DB_ERROR(twin->SetFieldName(u"A"), "Duplicate field name 'A'");
  ds.Fields().SetFieldIndex(twin, 0);
  EXPECT_EQ(twin->Index(), 0);
  EXPECT_EQ(a->Index(), 1);

  ds.Open();
  EXPECT_DB_ERROR(a->SetDataSet(nullptr), "Cannot perform this operation on an open dataset");
  EXPECT_EQ(ds.Fields().FieldByNumber(2), twin);
  // A field that goes away closes its open dataset first.
  delete twin;
  EXPECT_FALSE(ds.Active());
  EXPECT_EQ(ds.FieldCount(), 1);
  ds.Open();
  EXPECT_EQ(a->FieldNo(), 1);
}

TEST(FieldDefs, DeletedDefaultFieldDoesNotCloseTwice) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"A", ftInteger);
  ds.FieldDefs().Add(u"B", ftInteger);
  ds.Open();
  delete ds.FieldByName(u"A");
  EXPECT_FALSE(ds.Active());
  EXPECT_EQ(ds.FieldCount(), 0);
}

TEST(FieldDefs, InitFieldDefsWithoutOpening) {
  int inits = 0;
  class Counting : public TTestDataSet {
   public:
    int* count = nullptr;
    void InternalInitFieldDefs() override { ++*count; }
  } ds;
  ds.count = &inits;
  ds.InitFieldDefs();
  EXPECT_EQ(inits, 1);
  EXPECT_FALSE(ds.Active());
}

TEST(FieldTypeNames, NameEveryType) {
  EXPECT_EQ(FieldTypeName(ftString), u"String");
  EXPECT_EQ(FieldTypeName(ftSingle), u"Single");
  EXPECT_EQ(FieldTypeName(ftDATimeStampOffset), u"DATimeStampOffset");
  EXPECT_EQ(FieldTypeName(static_cast<TFieldType>(77)), u"Unknown");
}

}  // namespace
