// Field values in record buffers: variants in and out for every type,
// rounding, dates, trimming, empty strings, line ends and the error texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Extended.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "store_fixture.h"
#include "table/Blob.h"
#include "table/DBObject.h"
#include "tests/support/exception_message.h"

namespace {


std::string Show(const Variant& v) {
  if (v.IsNull()) return "Null";
  if (const auto* b = v.ByteArray()) return "bytes:" + std::to_string(b->size());
  return std::to_string(v.VarType()) + ":" + StringToUtf8(v.AsString());
}

struct RoundTrip {
  TDataType Type;
  Integer Length;
  Variant In;
  Variant Expected;  // Empty: the same as In
};

TEST(FieldValues, EveryTypeRoundTripsThroughVariants) {
  TBcd bcd = StrToBcd(u"-12345.678");
  TSQLTimeStamp ts{};
  ts.Year = 1750;
  ts.Month = 2;
  ts.Day = 28;
  ts.Hour = 23;
  ts.Fractions = 999;
  TSQLTimeStampOffset tso{};
  tso.Year = 2031;
  tso.Month = 12;
  tso.Day = 31;
  tso.TimeZoneHour = -5;
  const TDateTime moment = EncodeDate(2020, 5, 17) + EncodeTime(13, 45, 30, 250);
  const std::vector<RoundTrip> cases = {
      {dtString, 10, Variant(AnsiString("abc")), {}},
      {dtString, 3, Variant(AnsiString("abcdef")), Variant(AnsiString("abc"))},
      {dtExtString, 0, Variant(AnsiString("long text on the heap")), {}},
      {dtWideString, 4, Variant(String(u"\u017dabaX")), Variant(String(u"\u017daba"))},
      {dtExtWideString, 0, Variant(String(u"\u010d\u0161\u017e")), {}},
      {dtInt8, 0, Variant(-5), Variant(static_cast<signed char>(-5))},
      {dtInt16, 0, Variant(-30000), Variant(static_cast<short>(-30000))},
      {dtInt32, 0, Variant(AnsiString("-123456")), Variant(-123456)},
      {dtInt64, 0, Variant(AnsiString("5000000000")), Variant(5000000000LL)},
      {dtUInt8, 0, Variant(200), Variant(static_cast<unsigned char>(200))},
      {dtUInt16, 0, Variant(65535), Variant(static_cast<unsigned short>(65535))},
      {dtUInt32, 0, Variant(4000000000.0), Variant(4000000000u)},
      {dtUInt64, 0, Variant(18000000000000000000ULL), {}},
      {dtSingle, 0, Variant(0.5), {}},
      {dtFloat, 0, Variant(-1.25e300), {}},
      {dtCurrency, 0, Variant(12.3456), {}},
      {dtBCD, 0, Variant(Currency::FromScaled(-123456789)), {}},
      {dtFMTBCD, 0, VarFMTBcdCreate(bcd), {}},
      {dtDateTime, 0, VarFromDateTime(moment), {}},
      {dtDateTime, 0, VarFromDateTime(EncodeDate(1700, 1, 1) + EncodeTime(6, 0, 0, 0)), {}},
      {dtDateTime, 0, VarFromDateTime(EncodeDate(9999, 12, 31) + EncodeTime(23, 59, 59, 999)), {}},
      {dtSQLTimeStamp, 0, VarSQLTimeStampCreate(ts), {}},
      {dtSQLTimeStampOffset, 0, VarSQLTimeStampOffsetCreate(tso), {}},
      {dtBoolean, 0, Variant(true), {}},
      {dtBoolean, 0, Variant(AnsiString("False")), Variant(false)},
      {dtBytes, 3, Variant(std::vector<Byte>{1, 0, 255}), {}},
      {dtVarBytes, 5, Variant(std::vector<Byte>{9, 8}), {}},
      {dtExtVarBytes, 0, Variant(std::vector<Byte>{0, 1, 2, 3}), {}},
      {dtBlob, 0, Variant(std::vector<Byte>{0, 200, 7}), {}},
      {dtMemo, 0, Variant(AnsiString("memo\r\ntext")), {}},
      {dtWideMemo, 0, Variant(String(u"\u017eivjo")), {}},
      {dtVariant, 0, Variant(42.5), {}},
      {dtGuid, 38, Variant(AnsiString("{00000000-0000-0000-0000-000000000001}")), {}},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.Type << " in " << Show(c.In));
    TestStore store({{u"F", c.Type, c.Length}});
    TRecBuf rec = store.NewRecord();
    store.CreateComplexFields(rec, true);
    store.SetValue(rec, 0, c.In);
    EXPECT_FALSE(store.GetNull(store.Fields()[0], rec));
    const Variant& expected = c.Expected.IsEmpty() ? c.In : c.Expected;
    Variant out = store.GetValue(rec, 0);
    EXPECT_EQ(out.VarType(), expected.VarType()) << Show(out);
    EXPECT_TRUE(VarSameValue(out, expected)) << Show(out) << " expected " << Show(expected);
    store.SetValue(rec, 0, Variant::Null());
    EXPECT_TRUE(store.GetNull(store.Fields()[0], rec));
    EXPECT_TRUE(store.GetValue(rec, 0).IsNull());
    store.FreeComplexFields(rec, true);
  }
}

TEST(FieldValues, DatesKeepOrDropTheirPartsByType) {
  TestStore store({{u"D", dtDate}, {u"T", dtTime}, {u"X", dtExtended}});
  TRecBuf rec = store.NewRecord();
  // Before 1899 the fraction still counts forward from midnight: noon is
  // the day's number minus a half.
  const TDateTime noonBefore1899 = EncodeDate(1850, 3, 1) - 0.5;
  store.SetValue(rec, 0, VarFromDateTime(noonBefore1899));
  double slot;
  std::memcpy(&slot, rec + store.Fields()[0]->FOffset, sizeof slot);
  EXPECT_EQ(slot, noonBefore1899);  // the slot keeps the time
  EXPECT_EQ(store.GetValue(rec, 0).AsDateTime(), EncodeDate(1850, 3, 1));

  store.SetValue(rec, 1, VarFromDateTime(EncodeDate(2001, 1, 1) + EncodeTime(8, 30, 0, 5)));
  EXPECT_DOUBLE_EQ(store.GetValue(rec, 1).AsDateTime(), EncodeTime(8, 30, 0, 5));

  // Extended values read back as the nearest double.
  const WideChar separator = FormatSettings.DecimalSeparator;
  FormatSettings.DecimalSeparator = u',';
  store.SetValue(rec, 2, Variant(AnsiString("2,5")));
  FormatSettings.DecimalSeparator = separator;
  EXPECT_EQ(ExtendedToDouble(*reinterpret_cast<Extended80*>(rec + store.Fields()[2]->FOffset)), 2.5);
  EXPECT_EQ(store.GetValue(rec, 2).AsDouble(), 2.5);
}

TEST(FieldValues, DateFormsAndInvalidTimestamps) {
  TestStore store({{u"D", dtDateTime}});
  TRecBuf rec = store.NewRecord();
  Byte* slot = rec + store.Fields()[0]->FOffset;
  const double msecs = (static_cast<double>(DateDelta) + 1) * MSecsPerDay + 43200000;  // 31.12.1899 12:00
  store.PutDateToBuf(slot, &msecs, false, dfMSecs);
  double value;
  std::memcpy(&value, slot, sizeof value);
  EXPECT_EQ(value, 1.5);
  double back;
  store.GetDateFromBuf(slot, &back, false, dfMSecs);
  EXPECT_EQ(back, msecs);

  const Integer day = DateDelta - 1;  // 29.12.1899
  store.PutDateToBuf(slot, &day, false, dfDate);
  std::memcpy(&value, slot, sizeof value);
  EXPECT_EQ(value, -1.0);
  Integer outDay;
  store.GetDateFromBuf(slot, &outDay, false, dfDate);
  EXPECT_EQ(outDay, day);

  const Integer zero = 0;
  ExpectError<EConvertError>([&] { store.PutDateToBuf(slot, &zero, false, dfDate); },
                                 u"'0.0' is not a valid timestamp");
  const Integer negative = -5;
  ExpectError<EConvertError>([&] { store.PutDateToBuf(slot, &negative, false, dfTime); },
                                 u"'693594.-5' is not a valid timestamp");
}

TEST(FieldValues, FloatsRoundToTheFieldScaleHalfAwayFromZero) {
  struct Case {
    Integer Scale;
    double In;
    bool DatabaseValue;
    double Expected;
  };
  const Case cases[] = {
      {2, 0.125, false, 0.13},  {2, -0.125, false, -0.13}, {2, 0.125, true, 0.125},
      {0, 0.125, false, 0.125}, {2, 1.005, false, 1.0},    // 1.005 * 100 is 100.49999...
      {3, 2.5, false, 2.5},     {20, 1.0 / 3, false, 1.0 / 3 + 0.0},
      {2, std::ldexp(1.0, 50) + 0.5, false, std::ldexp(1.0, 50) + 0.5},
      {2, 5e-324, false, 5e-324},
  };
  TestStore store({{u"F", dtFloat}});
  TRecBuf rec = store.NewRecord();
  TFieldDesc* f = store.Fields()[0];
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "scale " << c.Scale << " value " << c.In);
    f->FScale = static_cast<Word>(c.Scale);
    store.PutFieldAsVariant(f, rec, Variant(c.In), c.DatabaseValue);
    EXPECT_DOUBLE_EQ(store.GetValue(rec, 0).AsDouble(), c.Expected);
    store.PutField(f, rec, &c.In, false, c.DatabaseValue);
    EXPECT_DOUBLE_EQ(store.GetValue(rec, 0).AsDouble(), c.Expected);
  }
  EXPECT_EQ(SetScale(20, 0.5), 0.5);
  EXPECT_EQ(SetScale(1, 0.25), 0.3);
}

TEST(FieldValues, ConversionErrorsLeaveTheSlotAlone) {
  TestStore store({{u"I32", dtInt32},
                   {u"U64", dtUInt64},
                   {u"B", dtBoolean},
                   {u"Bytes", dtBytes, 4},
                   {u"VB", dtVarBytes, 2},
                   {u"S", dtExtString},
                   {u"I8", dtInt8}});
  TRecBuf rec = store.NewRecord();
  store.CreateComplexFields(rec, true);
  ExpectError<EConvertError>([&] { store.SetValue(rec, 0, Variant(AnsiString("5000000000"))); },
                                 u"'5000000000' is not a valid integer value");
  ExpectError<EConvertError>([&] { store.SetValue(rec, 1, Variant(7)); }, u"Cannot convert type");
  ExpectError<EConvertError>([&] { store.SetValue(rec, 0, Variant(std::vector<Byte>{1})); },
                                 u"Cannot convert type");
  store.SetValue(rec, 2, Variant(65536));  // the low 16 bits
  EXPECT_FALSE(store.GetValue(rec, 2).AsBoolean());
  ExpectError<EAssertionFailed>([&] { store.SetValue(rec, 3, Variant(std::vector<Byte>{1, 2, 3})); },
                                    u"Invalid data size");
  ExpectError<EAssertionFailed>([&] { store.SetValue(rec, 4, Variant(std::vector<Byte>{1, 2, 3})); },
                                    u"Invalid data size");
  ExpectError<EAssertionFailed>([&] { store.SetValue(rec, 4, Variant(AnsiString("ab"))); },
                                    u"Invalid VType");
  TFieldDesc* i8 = store.Fields()[6];
  ExpectError<EAssertionFailed>(
      [&] { store.PutDataAsVariant(rec + i8->FOffset, dtInt8, 4, 0, 0, false, Variant(1), false); },
      u"Assertion failure");

  store.SetValue(rec, 5, Variant(AnsiString("kept")));
  ExpectError<EVariantTypeCastError>([&] { store.SetValue(rec, 5, Variant(std::vector<Byte>{1})); },
                                         u"Could not convert variant of type (Array Byte) into type (String)");
  EXPECT_EQ(store.GetValue(rec, 5).AsAnsiString(), "kept");
  store.FreeComplexFields(rec, true);
}

TEST(FieldValues, EmptyStringsBecomeNullOnlyWhenAsked) {
  TestStore store({{u"S", dtString, 5}, {u"E", dtExtWideString}});
  TRecBuf rec = store.NewRecord();
  store.CreateComplexFields(rec, true);
  const char empty[] = "";
  const WideChar wempty[] = u"";
  store.PutField(store.Fields()[0], rec, empty);
  store.PutField(store.Fields()[1], rec, wempty);
  EXPECT_FALSE(store.GetNull(store.Fields()[0], rec));
  EXPECT_FALSE(store.GetNull(store.Fields()[1], rec));
  store.FSetEmptyStrToNull = true;
  store.PutField(store.Fields()[0], rec, empty);
  store.PutField(store.Fields()[1], rec, wempty);
  EXPECT_TRUE(store.GetNull(store.Fields()[0], rec));
  EXPECT_TRUE(store.GetNull(store.Fields()[1], rec));
  store.PutField(store.Fields()[0], rec, "x");
  EXPECT_FALSE(store.GetNull(store.Fields()[0], rec));
  store.FreeComplexFields(rec, true);
}

TEST(FieldValues, GetFieldCopiesTrimsAndRespectsNulls) {
  TestStore store({{u"V", dtString, 6}, {u"X", dtExtString}, {u"B", dtBlob}, {u"W", dtWideString, 4}});
  TRecBuf rec = store.NewRecord();
  store.CreateComplexFields(rec, true);
  char dest[16];
  bool blank = false;

  // A null extended string copies nothing; a null blob still hands out its object.
  std::memset(dest, 'z', sizeof dest);
  store.GetField(store.Fields()[1], rec, dest, false, blank);
  EXPECT_TRUE(blank);
  EXPECT_EQ(dest[0], 'z');
  void* blobRef = nullptr;
  store.GetField(store.Fields()[2], rec, &blobRef, false, blank);
  EXPECT_TRUE(blank);
  EXPECT_EQ(blobRef, store.InternalGetObject(store.Fields()[2], rec));

  store.FTrimVarChar = true;
  store.PutField(store.Fields()[0], rec, "ab  ");
  store.GetField(store.Fields()[0], rec, dest, false, blank);
  EXPECT_STREQ(dest, "ab");
  store.PutField(store.Fields()[0], rec, "ab\t");
  store.GetField(store.Fields()[0], rec, dest, false, blank);
  EXPECT_STREQ(dest, "ab\t");  // the buffer path trims blanks and zeros only
  EXPECT_EQ(store.GetValue(rec, 0).AsAnsiString(), "ab");
  store.PutField(store.Fields()[3], rec, u"\u017e  ");
  WideChar wdest[8];
  store.GetField(store.Fields()[3], rec, wdest, false, blank);
  EXPECT_EQ(String(wdest), u"\u017e");
  store.FreeComplexFields(rec, true);
}

TEST(FieldValues, BlobWithDataIsNeverNull) {
  TestStore store({{u"B", dtBlob}});
  TRecBuf rec = store.NewRecord();
  store.CreateComplexFields(rec, true);
  TFieldDesc* f = store.Fields()[0];
  store.GetObject(f, rec)->SetAsAnsiString("data");
  *store.NullIndicator(f, rec) = 1;
  EXPECT_FALSE(store.GetNull(f, rec));
  EXPECT_EQ(*store.NullIndicator(f, rec), 0);
  EXPECT_EQ(store.GetValue(rec, 0).AsBytes(), (std::vector<Byte>{'d', 'a', 't', 'a'}));
  store.SetNull(f, rec, true);
  EXPECT_EQ(store.GetObject(f, rec)->Size(), 0);
  store.FreeComplexFields(rec, true);
}

TEST(FieldValues, LineEndsBecomeCrLf) {
  struct Case {
    const char* In;
    Integer Count;
    const char* Out;
  };
  const Case cases[] = {
      {"a\nb", 10, "a\r\nb"}, {"a\r\nb", 10, "a\r\nb"}, {"\n\n", 10, "\r\n\r\n"},
      {"ab\n", 3, "ab"},      {"abc", 2, "ab"},        {"", 5, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.In);
    char out[32];
    Integer n = AddCRString(c.In, out, c.Count);
    EXPECT_STREQ(out, c.Out);
    EXPECT_EQ(n, static_cast<Integer>(std::strlen(c.Out)));
    WideChar wout[32];
    String win = AnsiToString(c.In);
    EXPECT_EQ(AddCRUnicode(win.c_str(), wout, c.Count), n);
    EXPECT_EQ(String(wout), AnsiToString(c.Out));
  }
}

// An object that keeps its attributes in a map of integer values.
class TestObject : public TDBObject {
 public:
  std::map<String, Integer> Values;
  void GetAttributeValue(const String& name, void*& attrBuf, bool& isBlank, bool& nativeBuffer) override {
    auto it = Values.find(name);
    isBlank = it == Values.end();
    attrBuf = std::malloc(sizeof(Integer));
    Integer v = isBlank ? 0 : it->second;
    std::memcpy(attrBuf, &v, sizeof v);
    nativeBuffer = false;
  }
  void SetAttributeValue(const String& name, const void* valuePtr) override {
    if (valuePtr == nullptr) {
      Values.erase(name);
    } else {
      Integer v;
      std::memcpy(&v, valuePtr, sizeof v);
      Values[name] = v;
    }
  }
  bool GetAttrIsNull(const String& name) override { return Values.count(name) == 0; }
};

TEST(FieldValues, ChildFieldsGoThroughTheirObject) {
  TestStore store({{u"OBJ", dtObject}});
  TFieldDesc* root = store.Fields()[0];
  auto makeChild = [&](const char16_t* name, TDataType type, TFieldDesc* parent) {
    TFieldDesc* d = store.CreateFieldDesc();
    d->FName = name;
    d->SetDataType(type);
    d->FSize = 4;
    d->SetParentField(parent);
    store.Fields().Add(d);
    return d;
  };
  TFieldDesc* lines = makeChild(u"LINES", dtArray, root);
  TFieldDesc* item = makeChild(u"[2]", dtObject, lines);
  TFieldDesc* qty = makeChild(u"QTY", dtInt32, item);
  TFieldDesc* root2 = nullptr;
  String name;
  TData::GetChildFieldInfo(qty, root2, name);
  EXPECT_EQ(root2, root);
  EXPECT_EQ(StringToUtf8(name), "LINES[2].QTY");

  TRecBuf rec = store.NewRecord();
  auto* obj = new TestObject();
  TData::SetSlotRef(rec + root->FOffset, obj);
  EXPECT_TRUE(store.GetNull(qty, rec));
  store.PutFieldAsVariant(qty, rec, Variant(17));
  EXPECT_EQ(obj->Values[u"LINES[2].QTY"], 17);
  EXPECT_FALSE(store.GetNull(qty, rec));
  EXPECT_EQ(store.GetFieldValue(qty, rec).AsInteger(), 17);
  store.SetNull(qty, rec, true);
  EXPECT_TRUE(store.GetNull(qty, rec));
  obj->Release();
}

}  // namespace
