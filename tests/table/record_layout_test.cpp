#include <gtest/gtest.h>

#include <cstring>

#include "platform/rtl/Exceptions.h"
#include "store_fixture.h"

namespace {

struct LayoutCase {
  const char* name;
  std::vector<FieldSpec> fields;
  std::vector<Integer> offsets;
  Integer dataSize;
  Integer recordSize;
  Integer calcRecordSize;
};

class LayoutStore : public TData {
 public:
  explicit LayoutStore(const std::vector<FieldSpec>& specs) {
    Word no = 0;
    for (const FieldSpec& s : specs) {
      TFieldDesc* d = CreateFieldDesc();
      d->FName = s.Name;
      d->SetDataType(s.Type);
      d->FSize = s.Length;  // the test gives sizes directly
      d->FFieldNo = ++no;
      d->FFieldDescKind = s.Kind;
      Fields().Add(d);
    }
    FAutoInitFields = false;
    InitFields();
  }
};

}  // namespace

TEST(RecordLayout, OffsetsIndicatorsAndSizes) {
  const LayoutCase cases[] = {
      {"even offsets stay", {{u"s", dtString, 6}, {u"w", dtWideString, 10}, {u"i", dtInt32, 4}}, {0, 6, 16}, 20, 24, 0},
      {"wide string moves to an even offset", {{u"s", dtString, 5}, {u"w", dtWideString, 10}}, {0, 6}, 16, 18, 0},
      {"only calculated fields", {{u"c", dtInt32, 4, fdkCalculated}}, {2}, 0, 2, 6},
      {"calculated after data", {{u"a", dtString, 8}, {u"b", dtInt8, 1}, {u"c", dtString, 3, fdkCalculated}},
       {0, 8, 12}, 9, 12, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LayoutStore store(c.fields);
    for (size_t i = 0; i < c.offsets.size(); ++i) EXPECT_EQ(store.Fields()[static_cast<int>(i)]->FOffset, c.offsets[i]);
    EXPECT_EQ(store.DataSize(), c.dataSize);
    EXPECT_EQ(store.RecordSize(), c.recordSize);
    EXPECT_EQ(store.CalcRecordSize(), c.calcRecordSize);
  }
}

TEST(RecordLayout, NullIndicatorsFollowTheDataArea) {
  LayoutStore store({{u"s", dtString, 6}, {u"w", dtWideString, 10}, {u"i", dtInt32, 4}});
  Byte rec[24] = {};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(store.NullIndicator(store.Fields()[i], rec) - rec, 20 + i);
  // A calculated descriptor's byte follows the calculated data.
  LayoutStore calc({{u"a", dtString, 10}, {u"c", dtString, 3, fdkCalculated}});
  Byte buf[32] = {};
  EXPECT_EQ(calc.RecordSize(), 12);
  EXPECT_EQ(calc.Fields()[1]->FOffset, 12);
  EXPECT_EQ(calc.NullIndicator(calc.Fields()[1], buf) - buf, 15);
  EXPECT_EQ(calc.CalcRecordSize(), 4);
}

TEST(RecordLayout, OversizedLayoutIsRefusedNotWrapped) {
  std::vector<FieldSpec> specs;
  for (int i = 0; i < 5; ++i) specs.push_back({u"big", dtBytes, 0x7FFFFFF0});
  EXPECT_THROW(LayoutStore store(specs), EDatabaseError);
}

TEST(RecordLayout, BufferSizesOfEveryType) {
  TData data;
  const std::pair<TDataType, Integer> expected[] = {
      {dtUnknown, RefSlotSize}, {dtString, 11}, {dtExtString, RefSlotSize}, {dtWideString, 22},
      {dtInt8, 2}, {dtInt16, 2}, {dtInt32, 4}, {dtInt64, 8}, {dtUInt8, 2}, {dtUInt16, 2}, {dtUInt32, 4},
      {dtUInt64, 8}, {dtSingle, 4}, {dtFloat, 8}, {dtExtended, 10}, {dtCurrency, 8}, {dtBCD, 8}, {dtFMTBCD, 34},
      {dtDate, 8}, {dtTime, 8}, {dtDateTime, 8}, {dtSQLTimeStamp, 16}, {dtSQLTimeStampOffset, 20},
      {dtBoolean, 2}, {dtBytes, 11}, {dtVarBytes, 12}, {dtBlob, RefSlotSize}, {dtVariant, RefSlotSize},
      {dtGuid, 39}, {dtXML, RefSlotSize}};
  for (auto [type, size] : expected) {
    SCOPED_TRACE(type);
    EXPECT_EQ(data.GetBufferSize(type, 10), size);
  }
}

TEST(RecordLayout, DateForms) {
  TData data;
  struct {
    double value;
    double msecs;
    Integer time;
    Integer date;
  } cases[] = {
      {0.0, 693594.0 * 86400000.0, 0, 693594},
      {1.5, 693595.0 * 86400000.0 + 43200000.0, 43200000, 693595},
      {-1.25, 693593.0 * 86400000.0 + 21600000.0, 21600000, 693593},  // 29 Dec 1899, 06:00
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    double ms = 0;
    Integer t = 0, d = 0;
    data.GetDateFromBuf(&c.value, &ms, false, dfMSecs);
    data.GetDateFromBuf(&c.value, &t, false, dfTime);
    data.GetDateFromBuf(&c.value, &d, false, dfDate);
    EXPECT_EQ(ms, c.msecs);
    EXPECT_EQ(t, c.time);
    EXPECT_EQ(d, c.date);
  }
}

TEST(FieldDescs, FindFieldPrefersTopLevelNamesOverChildrenAndActualNames) {
  TData data;
  TFieldDescs& f = data.Fields();
  auto add = [&](const char16_t* name, const char16_t* actual, TFieldDesc* parent) {
    TFieldDesc* d = data.CreateFieldDesc();
    d->FName = name;
    d->FActualName = actual;
    d->SetParentField(parent);
    f.Add(d);
    return d;
  };
  TFieldDesc* parent = add(u"ADDR", u"", nullptr);
  TFieldDesc* child = add(u"City", u"", parent);
  TFieldDesc* top = add(u"city", u"", nullptr);
  TFieldDesc* aliased = add(u"Name_1", u"Name", nullptr);
  EXPECT_EQ(f.FindField(u"CITY"), top);
  EXPECT_EQ(f.FindField(u"name"), aliased);
  EXPECT_EQ(f.FindField(u"missing"), nullptr);
  f.Delete(2);
  EXPECT_EQ(f.FindField(u"city"), child);
  try {
    f.FieldByName(u"Missing");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Field Missing not found");
  }
}

TEST(FieldDescs, AliasesMakeTopLevelNamesUnique) {
  TestStore store({{u"Amount", dtInt32}, {u"AMOUNT", dtInt32}, {u"amount_1", dtInt32}, {u"", dtInt32}, {u"", dtInt32}});
  EXPECT_EQ(store.Fields()[0]->FName, u"Amount");
  EXPECT_EQ(store.Fields()[1]->FName, u"AMOUNT_2");
  EXPECT_EQ(store.Fields()[2]->FName, u"amount_1");
  EXPECT_EQ(store.Fields()[3]->FName, u"_0");
  EXPECT_EQ(store.Fields()[4]->FName, u"_1");
}

TEST(ObjectType, FindAttributeWalksDottedAndIndexedPaths) {
  auto* addr = new TObjectType();
  addr->FName = u"ADDR_T";
  auto* city = new TAttribute();
  city->FName = u"City";
  city->FDataType = dtString;
  addr->AddAttribute(city);

  auto* list = new TObjectType();
  list->FName = u"LIST_T";
  auto* element = new TAttribute();
  element->FName = u"ELEMENT";
  element->FDataType = dtObject;
  list->AddAttribute(element);
  element->SetObjectType(addr);

  auto* person = new TObjectType();
  person->FName = u"PERSON_T";
  auto* home = new TAttribute();
  home->FName = u"Home";
  home->FDataType = dtObject;
  person->AddAttribute(home);
  home->SetObjectType(addr);
  auto* name = new TAttribute();
  name->FName = u"Name";
  name->FDataType = dtString;
  person->AddAttribute(name);

  EXPECT_EQ(person->FindAttribute(u"home.city"), city);
  EXPECT_EQ(person->FindAttribute(u"Name"), name);
  EXPECT_EQ(person->FindAttribute(u"Name.x"), nullptr);  // a plain string has no attributes
  EXPECT_EQ(list->FindAttribute(u"[3].City"), city);
  EXPECT_EQ(list->FindAttribute(u"[3"), nullptr);
  try {
    person->AttributeByName(u"Age");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Attribute Age not found");
  }
  TSharedObject::Free(list);
  TSharedObject::Free(person);
  TSharedObject::Free(addr);
}

TEST(RecordSet, LifecycleLeavesNoDataAfterClose) {
  TestStore store({{u"id", dtInt32}});
  store.AppendInt(1);
  EXPECT_TRUE(store.Active());
  store.Open();  // open on an open record set does nothing
  EXPECT_EQ(store.GetRecordCount(), 1);
  store.Close();
  EXPECT_FALSE(store.Active());
  EXPECT_EQ(store.GetRecordCount(), 0);
  EXPECT_EQ(store.Fields().Count(), 0);  // unprepared: descriptors rebuilt on open
  store.Close();
  store.Prepare();
  store.InitFields();
  store.Open();
  store.Close();
  EXPECT_EQ(store.Fields().Count(), 1);  // prepared: descriptors survive close
  store.UnPrepare();
  EXPECT_EQ(store.Fields().Count(), 0);
}

TEST(RecordSet, BaseRecordOperationsAreAbstract) {
  TData data;
  EXPECT_THROW(data.GetRecord(nullptr), EAbstractError);
  EXPECT_THROW(data.DeleteRecord(), EAbstractError);
  TRecBookmark b1, b2;
  b1.Order = 3;
  b2.Order = 5;
  EXPECT_EQ(data.CompareBookmarks(&b1, &b2), -1);
  EXPECT_EQ(data.CompareBookmarks(nullptr, &b2), 1);
  EXPECT_EQ(data.CompareBookmarks(&b1, nullptr), -1);
  EXPECT_EQ(data.CompareBookmarks(nullptr, nullptr), 0);
}
