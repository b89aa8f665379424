// Field definitions made from descriptors, field classes, descriptor lookup,
// number ranges, and every field type written and read through the dataset.
#include <gtest/gtest.h>

#include <functional>

#include "platform/rtl/Bcd.h"
#include "platform/rtl/DateTimeUtils.h"
#include "table/DataSetService.h"
#include "tests/support/exception_message.h"
#include "tests/table/mem_dataset_fixture.h"

namespace {

TEST(MemDataSetFieldDefs, ColumnMarkerIsDroppedOnlyAtTheStart) {
  struct Case {
    const char16_t* name;
    const char16_t* defName;
  } cases[] = {{u"__COLUMN1", u"COLUMN1"}, {u"X__COLUMN1", u"X__COLUMN1"}, {u"COLUMN__X", u"COLUMN__X"},
               {u"__COL", u"__COL"}, {u"__COLUMN", u"COLUMN"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.name));
    ListDataSet ds{{{c.name, dtInt32}}};
    ds.Prepare();
    ASSERT_EQ(ds.FieldDefs().Count(), 1);
    EXPECT_EQ(ds.FieldDefs()[0]->Name(), c.defName);
    // The record set answers to the new name as well.
    EXPECT_NE(ds.GetFieldDesc(StringView(c.defName)), nullptr);
  }
}

TEST(MemDataSetFieldDefs, TypesSizesAndPrecisions) {
  struct Case {
    TDataType type;
    Integer length, scale;
    TFieldType fieldType;
    Integer size, precision;
  } cases[] = {
      {dtString, 0, 0, ftString, 1, 0},          {dtString, 20, 0, ftString, 20, 0},
      {dtWideString, 0, 0, ftWideString, 1, 0},  {dtExtWideString, 7, 0, ftWideString, 7, 0},
      {dtGuid, 0, 0, ftGuid, 1, 0},              {dtBytes, 0, 0, ftBytes, 0, 0},
      {dtVarBytes, 9, 0, ftVarBytes, 9, 0},      {dtBCD, 18, 4, ftBCD, 4, 18},
      {dtFMTBCD, 20, 6, ftFMTBcd, 6, 20},        {dtInt32, 10, 0, ftInteger, 0, 10},
      {dtInt16, 4, 0, ftSmallint, 0, 4},         {dtUInt8, 3, 0, ftByte, 0, 3},
      {dtFloat, 8, 2, ftFloat, 0, 8},            {dtCurrency, 8, 2, ftCurrency, 0, 0},
      {dtMemo, 0, 0, ftMemo, 0, 0},              {dtSQLTimeStampOffset, 0, 0, ftDATimeStampOffset, 0, 0},
      {dtUInt64, 0, 0, ftLargeint, 0, 0},        {dtExtended, 0, 0, ftExtended, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "data type " << c.type);
    ListDataSet ds{{{u"F", c.type, c.length, c.scale}}};
    ds.Prepare();
    TFieldDef* def = ds.FieldDefs()[0];
    EXPECT_EQ(def->DataType(), c.fieldType);
    EXPECT_EQ(def->Size(), c.size);
    EXPECT_EQ(def->Precision(), c.precision);
    EXPECT_EQ(def->FieldNo(), 1);
  }
}

TEST(MemDataSetFieldDefs, AttributesAndUnsupportedTypes) {
  ListDataSet ds{{{u"A", dtInt32, 0, 0, true, true}}};
  ds.Prepare();
  TFieldDesc* desc = ds.Data()->Fields()[0];
  desc->FHidden = true;
  desc->FFixed = true;
  ds.FieldDefs().SetUpdated(false);
  ds.CreateFieldDefs();
  TFieldAttributes attributes = ds.FieldDefs()[0]->Attributes();
  EXPECT_EQ(attributes & (faReadonly | faHiddenCol | faFixed | faRequired),
            faReadonly | faHiddenCol | faFixed | faRequired);

  ListDataSet unknown{{{u"U", dtUnknown}}};
  EXPECT_EQ(ExceptionMessage([&] { unknown.Open(); }), "Data type is not supported");
  EXPECT_FALSE(unknown.Active());
}

TEST(MemDataSetFieldDefs, DefinitionsAreRebuiltOnlyWhenTheDescriptorsChanged) {
  ListDataSet ds{{{u"A", dtInt32}, {u"B", dtString, 5}}};
  ds.InitFieldDefs();
  TFieldDef* first = ds.FieldDefs()[0];
  EXPECT_TRUE(ds.FieldDefs().Updated());
  ds.InitFieldDefs();
  EXPECT_EQ(ds.FieldDefs()[0], first);  // same names and count: kept

  ds.Store().Specs()[1].Name = u"C";
  ds.InitFieldDefs();
  EXPECT_EQ(ds.FieldDefs()[1]->Name(), u"C");

  ds.Store().Specs().push_back({u"D", dtInt32});
  ds.InitFieldDefs();
  EXPECT_EQ(ds.FieldDefs().Count(), 3);
}

TEST(MemDataSetFieldDefs, DescriptorLookup) {
  ListDataSet ds{{{u"ID", dtInt32}, {u"NAME", dtString, 10}}};
  ds.SetCreateCalcFieldDescs(false);
  auto* id = new TIntegerField(&ds);
  id->SetFieldName(u"ID");
  id->SetDataSet(&ds);
  // A calculated field named like a data descriptor does not take it.
  auto* shadow = new TStringField(&ds);
  shadow->SetFieldName(u"NAME");
  shadow->SetSize(10);
  shadow->SetFieldKind(fkCalculated);
  shadow->SetDataSet(&ds);
  ds.Open();
  EXPECT_EQ(ds.GetFieldDesc(id), ds.Data()->Fields()[0]);
  EXPECT_EQ(ds.GetFieldDescNo(id), 1);
  EXPECT_EQ(ds.GetFieldDesc(shadow), nullptr);
  EXPECT_EQ(ExceptionMessage([&] { ds.GetFieldDescNo(shadow); }), "Field NAME not found");
  EXPECT_EQ(ds.GetFieldDesc(Integer(2)), ds.Data()->Fields()[1]);
  EXPECT_EQ(ds.GetFieldDesc(Integer(3)), nullptr);
  EXPECT_EQ(ds.GetFieldDesc(Integer(0)), nullptr);

  ListDataSet other{{{u"ID", dtInt32}}};
  other.Open();
  EXPECT_EQ(ExceptionMessage([&] { ds.GetFieldDesc(other.FieldByName(u"ID")); }), "Wrong DataSet (ZizOD)");
  EXPECT_EQ(ExceptionMessage([&] { ds.GetFieldDesc(static_cast<TField*>(nullptr)); }), "Field cannot be nil (ZizOD)");

  // With its own descriptors a calculated field finds the one made for it.
  ListDataSet withDescs{{{u"NAME", dtString, 10}}};
  auto* data = new TStringField(&withDescs);
  data->SetFieldName(u"NAME");
  data->SetSize(10);
  data->SetDataSet(&withDescs);
  auto* calc = new TStringField(&withDescs);
  calc->SetFieldName(u"UPPER_NAME");
  calc->SetSize(10);
  calc->SetFieldKind(fkCalculated);
  calc->SetDataSet(&withDescs);
  withDescs.Open();
  TFieldDesc* calcDesc = withDescs.GetFieldDesc(calc);
  ASSERT_NE(calcDesc, nullptr);
  EXPECT_EQ(calcDesc->FFieldDescKind, fdkCalculated);
  EXPECT_EQ(calcDesc->FName, u"UPPER_NAME");
}

TEST(MemDataSetFieldDefs, FieldCompatibility) {
  // A currency field may stand for a float descriptor.
  ListDataSet ds{{{u"AMOUNT", dtFloat}}};
  auto* amount = new TCurrencyField(&ds);
  amount->SetFieldName(u"AMOUNT");
  amount->SetDataSet(&ds);
  ds.Open();
  ds.Append();
  amount->SetAsFloat(2.5);
  ds.Post();
  EXPECT_DOUBLE_EQ(amount->AsFloat(), 2.5);

  ListDataSet bcd{{{u"B", dtBCD, 18, 4}}};
  auto* fmt = new TFMTBCDField(&bcd);
  fmt->SetFieldName(u"B");
  fmt->SetDataSet(&bcd);
  EXPECT_EQ(ExceptionMessage([&] { bcd.Open(); }), "Type mismatch for field 'B', expecting: FMTBcd actual: BCD");
}

TEST(MemDataSetFieldDefs, PersistentFieldsSmallerThanTheirDescriptors) {
  // A string field takes the definition's size at open; a wide string field
  // keeps its own and reads what fits, never more than its buffer.
  ListDataSet ds{{{u"NAME", dtString, 10}, {u"WIDE", dtWideString, 10}}};
  auto* name = new TStringField(&ds);
  name->SetFieldName(u"NAME");
  name->SetSize(3);
  name->SetDataSet(&ds);
  auto* wide = new TWideStringField(&ds);
  wide->SetFieldName(u"WIDE");
  wide->SetSize(3);
  wide->SetDataSet(&ds);
  ds.Open();
  EXPECT_EQ(name->Size(), 10);
  ds.Append();
  name->SetAsString(u"abcdefghij");
  ds.Data()->PutFieldAsVariant(ds.GetFieldDesc(wide), ds.ActiveBuf(), Variant(String(u"abcdefghij")));
  EXPECT_EQ(name->AsString(), u"abcdefghij");
  EXPECT_EQ(wide->AsString(), u"abc");
  ds.Post();
  EXPECT_EQ(wide->AsString(), u"abc");
}

TEST(MemDataSetFieldValues, ReadsByFieldNumberGiveTheNativeForm) {
  // The record keeps a BCD value as a currency; by field number it comes out
  // as the TBcd the field type promises.
  ListDataSet ds{{{u"ID", dtInt32}, {u"AMOUNT", dtBCD, 18, 2}}};
  ds.Open();
  ds.Append();
  ds.FieldByName(u"ID")->SetAsInteger(7);
  ds.FieldByName(u"AMOUNT")->SetAsCurrency(Currency::FromScaled(123400));
  ds.Post();
  TBcd bcd;
  ASSERT_TRUE(ds.GetFieldData(Integer(2), &bcd));
  Currency value;
  ASSERT_TRUE(BCDToCurr(bcd, value));
  EXPECT_EQ(value, Currency::FromScaled(123400));
  Integer id = 0;
  EXPECT_TRUE(ds.GetFieldData(Integer(1), &id));
  EXPECT_EQ(id, 7);
  EXPECT_FALSE(ds.GetFieldData(Integer(3), &id));
}

TEST(MemDataSetService, FieldClassesAndProperties) {
  ListDataSet ds{{{u"STAMP", dtSQLTimeStampOffset}}};
  ds.Open();
  EXPECT_STREQ(ds.FieldByName(u"STAMP")->ClassName(), "TDASQLTimeStampOffsetField");
  TDataSetService* service = ds.DataSetService();
  EXPECT_EQ(service, ds.DataSetService());  // made once
  ASSERT_NE(service->Updater(), nullptr);
  Variant value;
  EXPECT_EQ(ExceptionMessage([&] { service->SetProp(1, Variant(1)); }), "Assertion failure (ZizOD)");
  EXPECT_EQ(ExceptionMessage([&] { service->GetProp(1, value); }), "Assertion failure (ZizOD)");
}

TEST(MemDataSetService, NumberRangesFromDescriptors) {
  struct Case {
    TDataType type;
    Integer length, scale;
    double min, max;
    Integer precision;  // float fields only
  } cases[] = {
      {dtInt32, 4, 0, -9999, 9999, 0},
      {dtInt16, 2, 0, -99, 99, 0},
      // A length beyond the type stays inside the type, never wraps.
      {dtInt32, 10, 0, -2147483647.0, 2147483647.0, 0},
      {dtInt64, 12, 0, -999999999999.0, 999999999999.0, 0},
      {dtFloat, 8, 2, -999999.99, 999999.99, 8},
      {dtFloat, 0, 0, 0, 0, 15},
      {dtFloat, 16, 0, 0, 0, 15},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " length " << c.length);
    ListDataSet ds{{{u"N", c.type, c.length, c.scale}}};
    ds.SetNumberRange(true);
    ds.Open();
    TField* field = ds.FieldByName(u"N");
    double min = 0, max = 0;
    if (auto* i = dynamic_cast<TIntegerField*>(field)) {
      min = i->MinValue();
      max = i->MaxValue();
    } else if (auto* l = dynamic_cast<TLargeintField*>(field)) {
      min = static_cast<double>(l->MinValue());
      max = static_cast<double>(l->MaxValue());
    } else if (auto* f = dynamic_cast<TFloatField*>(field)) {
      min = f->MinValue();
      max = f->MaxValue();
      EXPECT_EQ(f->Precision(), c.precision);
    }
    EXPECT_DOUBLE_EQ(min, c.min);
    EXPECT_DOUBLE_EQ(max, c.max);
  }
  ListDataSet ds{{{u"N", dtInt32, 2}}};
  ds.SetNumberRange(true);
  ds.Open();
  ds.Append();
  EXPECT_EQ(ExceptionMessage([&] { ds.FieldByName(u"N")->SetAsInteger(100); }),
            "100 is not a valid value for field 'N'. The allowed range is -99 to 99");
}

// Every descriptor type through its field class: written with a setter,
// posted, read back after moving away and back.
TEST(MemDataSetFieldValues, EveryTypeRoundTrips) {
  FixedFormats formats;
  using Write = std::function<void(TField*)>;
  struct Case {
    TDataType type;
    Integer length, scale;
    Write write;
    const char16_t* text;     // AsString
    const char16_t* display;  // DisplayText
  };
  const TDateTime day = EncodeDate(2024, 2, 29);
  const TDateTime moment = day + EncodeTime(13, 45, 30, 0);
  const Case cases[] = {
      {dtString, 10, 0, [](TField* f) { f->SetAsString(u"abc"); }, u"abc", u"abc"},
      {dtString, 3, 0, [](TField* f) { f->SetAsString(u"abcdef"); }, u"abc", u"abc"},
      {dtWideString, 10, 0, [](TField* f) { f->SetAsString(u"\u017Eaba"); }, u"\u017Eaba", u"\u017Eaba"},
      {dtExtString, 10, 0, [](TField* f) { f->SetAsString(u"heap"); }, u"heap", u"heap"},
      {dtExtWideString, 10, 0, [](TField* f) { f->SetAsString(u"\u0161iroko"); }, u"\u0161iroko", u"\u0161iroko"},
      {dtInt8, 0, 0, [](TField* f) { f->SetAsInteger(-5); }, u"-5", u"-5"},
      {dtUInt8, 0, 0, [](TField* f) { f->SetAsInteger(200); }, u"200", u"200"},
      {dtInt16, 0, 0, [](TField* f) { f->SetAsInteger(-300); }, u"-300", u"-300"},
      {dtUInt16, 0, 0, [](TField* f) { f->SetAsInteger(60000); }, u"60000", u"60000"},
      {dtInt32, 0, 0, [](TField* f) { f->SetAsInteger(123456); }, u"123456", u"123456"},
      {dtUInt32, 0, 0, [](TField* f) { f->SetAsLargeInt(4000000000LL); }, u"4000000000", u"4000000000"},
      {dtInt64, 0, 0, [](TField* f) { f->SetAsLargeInt(-9000000000LL); }, u"-9000000000", u"-9000000000"},
      {dtSingle, 0, 0, [](TField* f) { f->SetAsFloat(1.5); }, u"1,5", u"1,5"},
      {dtFloat, 0, 0, [](TField* f) { f->SetAsFloat(2.25); }, u"2,25", u"2,25"},
      {dtExtended, 0, 0, [](TField* f) { f->SetAsFloat(3.125); }, u"3,125", u"3,125"},
      {dtCurrency, 0, 0, [](TField* f) { f->SetAsFloat(4.5); }, u"4,5", u"4,50 \u20AC"},
      {dtBCD, 18, 2, [](TField* f) { f->SetAsCurrency(Currency::FromScaled(123400)); }, u"12,34", u"12,34"},
      {dtFMTBCD, 20, 4, [](TField* f) { f->SetAsString(u"123,4567"); }, u"123,4567", u"123,4567"},
      {dtDate, 0, 0, [day](TField* f) { f->SetAsDateTime(day); }, u"29.2.2024", u"29.2.2024"},
      {dtTime, 0, 0, [](TField* f) { f->SetAsDateTime(EncodeTime(13, 45, 30, 0)); }, u"13:45:30", u"13:45:30"},
      {dtDateTime, 0, 0, [moment](TField* f) { f->SetAsDateTime(moment); }, u"29.2.2024 13:45:30",
       u"29.2.2024 13:45:30"},
      {dtSQLTimeStamp, 0, 0, [](TField* f) { f->SetAsString(u"29.2.2024 13:45:30"); }, u"29.2.2024 13:45:30",
       u"29.2.2024 13:45:30"},
      {dtSQLTimeStampOffset, 0, 0, [](TField* f) { f->SetAsString(u"29.2.2024 13:45:30 +02:00"); },
       u"29.2.2024 13:45:30 +02:00", u"29.2.2024 13:45:30 +02:00"},
      {dtBoolean, 0, 0, [](TField* f) { f->SetAsBoolean(true); }, u"True", u"True"},
      {dtGuid, 38, 0, [](TField* f) { f->SetAsString(u"{01234567-89AB-CDEF-0123-456789ABCDEF}"); },
       u"{01234567-89AB-CDEF-0123-456789ABCDEF}", u"{01234567-89AB-CDEF-0123-456789ABCDEF}"},
      {dtBytes, 3, 0, [](TField* f) { f->SetAsBytes({'a', 'b', 'c'}); }, u"abc", u"(BYTES)"},
      {dtVarBytes, 5, 0, [](TField* f) { f->SetAsBytes({'x', 'y'}); }, u"xy", u"(VARBYTES)"},
      {dtVariant, 0, 0, [](TField* f) { f->SetAsVariant(Variant(42)); }, u"42", u"42"},
      {dtMemo, 0, 0, [](TField* f) { f->SetAsString(u"memo"); }, u"memo", u"(MEMO)"},
      {dtWideMemo, 0, 0, [](TField* f) { f->SetAsString(u"\u0161iroki"); }, u"\u0161iroki", u"(WIDEMEMO)"},
      {dtBlob, 0, 0, [](TField* f) { f->SetAsString(u"bin"); }, u"bin", u"(BLOB)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "data type " << c.type << " length " << c.length);
    ListDataSet ds{{{u"ID", dtInt32}, {u"V", c.type, c.length, c.scale}}};
    ds.Open();
    for (int id = 1; id <= 2; ++id) {
      ds.Append();
      ds.FieldByName(u"ID")->SetAsInteger(id);
      if (id == 1) c.write(ds.FieldByName(u"V"));
      ds.Post();
    }
    ds.First();
    TField* field = ds.FieldByName(u"V");
    EXPECT_FALSE(field->IsNull());
    EXPECT_EQ(StringToUtf8(field->AsString()), StringToUtf8(c.text));
    EXPECT_EQ(StringToUtf8(field->DisplayText()), StringToUtf8(c.display));
    ds.Next();
    EXPECT_TRUE(field->IsNull());
  }
}

}  // namespace
