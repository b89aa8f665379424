// Comparison of a value with a field value: every type, nulls, the compare
// options, values of another type than the field, and byte comparisons.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/rtl/Bcd.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "platform/rtl/Strings.h"
#include "store_fixture.h"

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

std::string Show(const Variant& v) {
  if (v.IsNull()) return "Null";
  if (const auto* b = v.ByteArray()) return "bytes:" + std::to_string(b->size());
  return StringToUtf8(v.AsString());
}

// Collation, code page and number texts the cases depend on.
class CompareTest : public testing::Test {
 protected:
  void SetUp() override {
    SetUserLocale("sl");
    SetAnsiCodePage(1250);
    FormatSettings.DecimalSeparator = u',';
  }
  void TearDown() override {
    SetUserLocale("");
    SetAnsiCodePage(FSavedCodePage);
    FormatSettings.DecimalSeparator = FSavedSeparator;
  }

 private:
  int FSavedCodePage = AnsiCodePage();
  WideChar FSavedSeparator = FormatSettings.DecimalSeparator;
};

// A record of a one-field store holding the value (Null writes null).
TRecBuf RecordWith(TestStore& store, const Variant& value) {
  TRecBuf buf = store.NewRecord();
  store.CreateComplexFields(buf, true);
  store.SetValue(buf, 0, value);
  return buf;
}

template <class T>
void PutRaw(TestStore& store, TRecBuf buf, const T& value) {
  TFieldDesc* field = store.Fields()[0];
  std::memcpy(buf + field->FOffset, &value, sizeof value);
  store.SetNull(field, buf, false);
}

struct SameTypeCase {
  TDataType Type;
  Integer Length;
  Variant A;
  Variant B;
  TCompareOptions Options;
  int Expected;  // sign of A against B
};

TEST_F(CompareTest, FieldsOfEveryTypeInTwoRecords) {
  const TDateTime noon = 45000.5;
  const double ms = 1.0 / 86400000;
  TSQLTimeStamp early{2020, 1, 2, 3, 4, 5, 6};
  TSQLTimeStamp late = early;
  late.Fractions = 7;
  TSQLTimeStampOffset here{2020, 1, 2, 12, 0, 0, 0, 2, 0};
  TSQLTimeStampOffset there{2020, 1, 2, 11, 0, 0, 0, 0, 0};  // 10:00 UTC against 11:00 UTC
  const double nan = std::numeric_limits<double>::quiet_NaN();
  using Bytes = std::vector<Byte>;
  const std::vector<SameTypeCase> cases = {
      // Texts by the locale, lower case before upper, accents in their place.
      {dtString, 10, AnsiString("a"), AnsiString("b"), 0, -1},
      {dtString, 10, AnsiString("a"), AnsiString("A"), 0, -1},
      {dtString, 10, AnsiString("a"), AnsiString("A"), coCaseInsensitive, 0},
      {dtString, 10, AnsiString("B"), AnsiString("a"), 0, 1},
      {dtString, 10, AnsiString("\xE8"), AnsiString("d"), 0, -1},  // č before d
      {dtString, 10, AnsiString("a-c"), AnsiString("ab"), 0, -1},   // punctuation counts, before letters
      // By codes.
      {dtString, 10, AnsiString("B"), AnsiString("a"), coOrdinalCompare, -1},
      {dtString, 10, AnsiString("\xE8"), AnsiString("d"), coOrdinalCompare, 1},
      {dtString, 10, AnsiString("a"), AnsiString("B"), coOrdinalCompare | coCaseInsensitive, -1},
      {dtString, 10, AnsiString("abc"), AnsiString("ABC"), coOrdinalCompare | coCaseInsensitive, 0},
      // Partial keys and partial compares.
      {dtString, 10, AnsiString("ab"), AnsiString("abc"), coPartialKey, 0},
      {dtString, 10, AnsiString("abc"), AnsiString("ab"), coPartialKey, 1},
      {dtString, 10, AnsiString("AB"), AnsiString("abc"), coPartialKey | coCaseInsensitive, 0},
      {dtString, 10, AnsiString(""), AnsiString("abc"), coPartialKey, -1},
      {dtString, 10, AnsiString("bc"), AnsiString("abcd"), coPartialCompare, 0},
      {dtString, 10, AnsiString("BC"), AnsiString("abcd"), coPartialCompare, 1},
      {dtString, 10, AnsiString("BC"), AnsiString("abcd"), coPartialCompare | coCaseInsensitive, 0},
      {dtString, 10, AnsiString(""), AnsiString("abcd"), coPartialCompare, 1},
      {dtExtString, 10, AnsiString("x"), AnsiString("y"), 0, -1},
      {dtExtString, 10, AnsiString("Y"), AnsiString("y"), coCaseInsensitive, 0},
      {dtWideString, 10, String(u"\u0416"), String(u"\u0417"), 0, -1},
      {dtWideString, 10, String(u"B"), String(u"a"), coOrdinalCompare, -1},
      {dtWideString, 10, String(u""), String(u"abc"), coPartialKey, 0},
      {dtWideString, 10, String(u"abcd"), String(u"abc"), coPartialKey, 1},
      {dtExtWideString, 10, String(u"\u010Dm"), String(u"\u010Cm"), coCaseInsensitive, 0},
      {dtGuid, 38, AnsiString("{0000000A-0000-0000-0000-000000000000}"),
       AnsiString("{0000000a-0000-0000-0000-000000000000}"), 0, 0},
      // Numbers.
      {dtInt8, 0, Variant(static_cast<signed char>(-5)), Variant(static_cast<signed char>(3)), 0, -1},
      {dtInt16, 0, Variant(static_cast<short>(-300)), Variant(static_cast<short>(200)), 0, -1},
      {dtInt32, 0, Variant(-1), Variant(1), 0, -1},
      {dtInt64, 0, Variant(5000000000LL), Variant(-5000000000LL), 0, 1},
      {dtUInt8, 0, Variant(static_cast<unsigned char>(200)), Variant(static_cast<unsigned char>(100)), 0, 1},
      {dtUInt16, 0, Variant(static_cast<unsigned short>(60000)), Variant(static_cast<unsigned short>(1)), 0, 1},
      {dtUInt32, 0, Variant(4000000000u), Variant(1u), 0, 1},
      {dtUInt64, 0, Variant(18000000000000000000ULL), Variant(1ULL), 0, 1},
      {dtSingle, 0, Variant(1.5f), Variant(2.5f), 0, -1},
      {dtFloat, 0, Variant(0.1), Variant(0.1), 0, 0},
      {dtFloat, 0, Variant(-0.0), Variant(0.0), 0, 0},
      {dtFloat, 0, Variant(nan), Variant(1e300), 0, 1},  // NaN after every number
      {dtFloat, 0, Variant(nan), Variant(nan), 0, 0},
      {dtCurrency, 0, Variant(2.25), Variant(2.5), 0, -1},
      {dtExtended, 0, Variant(2.5), Variant(1.5), 0, 1},
      {dtBCD, 0, Variant(Currency::FromScaled(12345)), Variant(Currency::FromScaled(12346)), 0, -1},
      // Dates equal within a little under a millisecond.
      {dtDateTime, 0, Variant::FromDateTime(noon), Variant::FromDateTime(noon + 0.5 * ms), 0, 0},
      {dtDateTime, 0, Variant::FromDateTime(noon), Variant::FromDateTime(noon + 2 * ms), 0, -1},
      {dtDate, 0, Variant::FromDateTime(45001), Variant::FromDateTime(45000), 0, 1},
      {dtTime, 0, Variant::FromDateTime(0.25), Variant::FromDateTime(0.75), 0, -1},
      {dtSQLTimeStamp, 0, Variant(early), Variant(late), 0, -1},
      {dtSQLTimeStampOffset, 0, Variant(here), Variant(there), 0, -1},
      {dtBoolean, 0, Variant(false), Variant(true), 0, -1},
      // Bytes unsigned, then the shorter first.
      {dtBytes, 2, Variant(Bytes{1, 2}), Variant(Bytes{1, 3}), 0, -1},
      {dtBytes, 2, Variant(Bytes{0xFF, 0}), Variant(Bytes{1, 0}), 0, 1},
      {dtVarBytes, 4, Variant(Bytes{1, 2}), Variant(Bytes{1, 2, 0}), 0, -1},
      {dtVarBytes, 4, Variant(Bytes{1, 2}), Variant(Bytes{1, 2, 3}), coPartialKey, 0},
      {dtExtVarBytes, 0, Variant(Bytes{9}), Variant(Bytes{1, 2}), 0, 1},
      // Blobs as text; wide memos keep what the code page lacks.
      {dtMemo, 0, AnsiString("b"), AnsiString("a"), 0, 1},
      {dtWideMemo, 0, String(u"\u0416"), String(u"\u0417"), 0, -1},
      {dtBlob, 0, AnsiString("ab"), AnsiString("ab"), 0, 0},
      // Variants.
      {dtVariant, 0, Variant(3), Variant(5.5), 0, -1},
      {dtVariant, 0, Variant(String(u"abc")), Variant(AnsiString("ABC")), coCaseInsensitive, 0},
      {dtVariant, 0, Variant(String(u"\u0416")), Variant(String(u"\u0417")), 0, -1},
      {dtVariant, 0, Variant(10), Variant(String(u"9")), 0, -1},  // as texts
      {dtVariant, 0, Variant(1.0), Variant::FromDateTime(1), 0, -1},  // by type code
      {dtVariant, 0, Variant(Bytes{1, 2}), Variant(Bytes{1, 2, 3}), 0, -1},
      {dtVariant, 0, Variant(Bytes{2}), Variant(Bytes{1}), 0, 1},
      {dtVariant, 0, Variant(Bytes{1}), Variant(7), 0, 1},
      // Nulls first.
      {dtInt32, 0, Variant::Null(), Variant(1), 0, -1},
      {dtInt32, 0, Variant::Null(), Variant(1), coInvertNullOrder, 1},
      {dtString, 10, Variant::Null(), Variant::Null(), 0, 0},
      {dtMemo, 0, Variant::Null(), AnsiString("a"), 0, -1},
  };
  for (const SameTypeCase& c : cases) {
    SCOPED_TRACE("type " + std::to_string(c.Type) + ": " + Show(c.A) + " / " + Show(c.B) + " options " +
                 std::to_string(c.Options));
    TestStore store({{u"F", c.Type, c.Length}});
    TRecBuf a = RecordWith(store, c.A);
    TRecBuf b = RecordWith(store, c.B);
    TFieldDesc* field = store.Fields()[0];
    EXPECT_EQ(Sign(store.CompareFields(a, b, field, c.Options)), c.Expected);
    if ((c.Options & (coPartialKey | coPartialCompare)) == 0) {
      EXPECT_EQ(Sign(store.CompareFields(b, a, field, c.Options)), -c.Expected);
    }
    store.FreeComplexFields(a, true);
    store.FreeComplexFields(b, true);
  }
}

TEST_F(CompareTest, RawSlotsTheVariantsCannotWrite) {
  {
    // A boolean word with only its high byte set reads as true and sorts so.
    TestStore store({{u"B", dtBoolean}});
    TRecBuf t = store.NewRecord();
    TRecBuf f = store.NewRecord();
    PutRaw(store, t, Word{256});
    PutRaw(store, f, Word{0});
    EXPECT_TRUE(store.GetValue(t, 0).AsBoolean());
    EXPECT_EQ(Sign(store.CompareFields(t, f, store.Fields()[0], 0)), 1);
  }
  {
    TestStore store({{u"N", dtFMTBCD}});
    TRecBuf a = store.NewRecord();
    TRecBuf b = store.NewRecord();
    PutRaw(store, a, StrToBcd(u"1.50"));
    PutRaw(store, b, StrToBcd(u"1.5"));
    EXPECT_EQ(store.CompareFields(a, b, store.Fields()[0], 0), 0);
    PutRaw(store, b, StrToBcd(u"-2"));
    EXPECT_EQ(Sign(store.CompareFields(a, b, store.Fields()[0], 0)), 1);
  }
}

// A given value laid out as a slot of its own type, against a field of another.
struct MixedCase {
  const char* Name;
  TDataType ValueType;
  std::vector<Byte> Value;
  TDataType FieldType;
  Integer FieldLength;
  Variant Field;
  TCompareOptions Options;
  int Expected;
};

template <class T>
std::vector<Byte> Slot(const T& value) {
  std::vector<Byte> bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}

std::vector<Byte> Text(const char* s) { return std::vector<Byte>(s, s + std::strlen(s) + 1); }

std::vector<Byte> WideText(const char16_t* s) {
  std::vector<Byte> bytes((std::char_traits<char16_t>::length(s) + 1) * 2);
  std::memcpy(bytes.data(), s, bytes.size());
  return bytes;
}

TEST_F(CompareTest, ValuesOfAnotherTypeThanTheField) {
  const double noon = 45000.5, ms = 1.0 / 86400000;
  const std::vector<MixedCase> cases = {
      {"text 10 against integer 9 compares texts", dtString, Text("10"), dtInt32, 0, Variant(9), 0, -1},
      {"text 9 against integer 9", dtString, Text("9"), dtInt32, 0, Variant(9), 0, 0},
      {"text of a float with the decimal comma", dtString, Text("1,5"), dtFloat, 0, Variant(1.5), 0, 0},
      {"partial key on the text of a number", dtString, Text("12"), dtInt32, 0, Variant(1234), coPartialKey, 0},
      {"currency texts ignore case and trimming", dtString, Text("2,5"), dtBCD, 0,
       Variant(Currency::FromScaled(25000)), 0, 0},
      {"text against a date field", dtString, Text("x"), dtDate, 0, Variant::FromDateTime(1), 0, 1},
      {"wide text against an 8-bit field", dtWideString, WideText(u"\u010Ce"), dtString, 10, AnsiString("\xC8" "e"), 0,
       0},
      {"wide text against an integer", dtWideString, WideText(u"7"), dtInt16, 0, Variant(static_cast<short>(7)), 0, 0},
      {"float against a date-time within tolerance", dtFloat, Slot(noon), dtDateTime, 0,
       Variant::FromDateTime(noon + 0.5 * ms), 0, 0},
      {"float against a date-time beyond tolerance", dtFloat, Slot(noon), dtDateTime, 0,
       Variant::FromDateTime(noon + 2 * ms), 0, -1},
      {"integer against a float field by value", dtInt32, Slot(Integer{5}), dtFloat, 0, Variant(5.5), 0, -1},
      {"large integer against a small one", dtInt64, Slot(Int64{70000}), dtInt16, 0, Variant(static_cast<short>(-1)),
       0, 1},
      {"unsigned against signed", dtUInt64, Slot(UInt64{1} << 63), dtInt64, 0, Variant(Int64{1} << 62), 0, 1},
      {"variable bytes against fixed bytes", dtVarBytes, {2, 0, 1, 2}, dtBytes, 3, Variant(std::vector<Byte>{1, 2, 0}),
       0, -1},
      {"variable bytes against a number match", dtVarBytes, {1, 0, 9}, dtInt32, 0, Variant(4), 0, 0},
  };
  for (const MixedCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TestStore store({{u"F", c.FieldType, c.FieldLength}});
    TRecBuf rec = RecordWith(store, c.Field);
    EXPECT_EQ(Sign(store.CompareFieldValue(c.Value.data(), c.ValueType, store.Fields()[0], rec, c.Options)),
              c.Expected);
    store.FreeComplexFields(rec, true);
  }
}

TEST_F(CompareTest, TrimmingDropsTrailingControlsOfBothTexts) {
  TestStore store({{u"S", dtString, 10}});
  TRecBuf rec = RecordWith(store, AnsiString("ab\t "));
  TFieldDesc* field = store.Fields()[0];
  std::vector<Byte> value = Text("ab");
  EXPECT_EQ(Sign(store.CompareFieldValue(value.data(), dtString, field, rec, 0)), -1);
  store.SetTrimVarChar(true);
  EXPECT_EQ(store.CompareFieldValue(value.data(), dtString, field, rec, 0), 0);
  // The switch of fixed fields is another one.
  field->FFixed = true;
  EXPECT_EQ(Sign(store.CompareFieldValue(value.data(), dtString, field, rec, 0)), -1);
}

TEST_F(CompareTest, ValuesWithoutAComparisonFailClearly) {
  {
    TestStore store({{u"B", dtBoolean}});
    TRecBuf rec = RecordWith(store, Variant(true));
    std::vector<Byte> text = Text("True");
    try {
      store.CompareFieldValue(text.data(), dtString, store.Fields()[0], rec, 0);
      ADD_FAILURE() << "a boolean has no text to compare";
    } catch (const EConvertError& e) {
      EXPECT_EQ(StringToUtf8(e.Message()), "Cannot convert type");
    }
  }
  {
    TestStore store({{u"G", dtGuid, 38}});
    TRecBuf rec = RecordWith(store, AnsiString("{0}"));
    std::vector<Byte> text = WideText(u"{0}");
    EXPECT_THROW(store.CompareFieldValue(text.data(), dtWideString, store.Fields()[0], rec, 0), EConvertError);
  }
  {
    TestStore store({{u"I", dtInt32}});
    TRecBuf rec = RecordWith(store, Variant(1));
    std::vector<Byte> date = Slot(1.0);
    EXPECT_THROW(store.CompareFieldValue(date.data(), dtDate, store.Fields()[0], rec, 0), EAssertionFailed);
  }
}

struct BinCase {
  std::vector<Byte> Value;
  std::vector<Byte> Field;
  TCompareOptions Options;
  int Expected;
};

TEST_F(CompareTest, BinaryValues) {
  const std::vector<BinCase> cases = {
      {{1, 2}, {0, 1, 2}, coPartialCompare, 0},  // found at the last offset
      {{1, 2}, {1, 2}, coPartialCompare, 0},
      {{1, 2}, {2, 1}, coPartialCompare, 1},
      {{1, 2}, {1}, coPartialCompare, 1},
      {{1, 2}, {1, 2, 3}, coPartialKey, 0},
      {{1, 3}, {1, 2, 3}, coPartialKey, 1},
      {{1, 2, 3}, {1, 2}, coPartialKey, 1},
      {{1, 2}, {1, 2, 3}, 0, -1},
      {{1, 3}, {1, 2, 3}, 0, 1},
      {{0x80}, {0x7F}, 0, 1},
      {{}, {}, 0, 0},
      {{}, {1}, 0, -1},
  };
  for (const BinCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Value) + " / " + testing::PrintToString(c.Field) + " options " +
                 std::to_string(c.Options));
    EXPECT_EQ(Sign(TData::CompareBinValues(c.Value.data(), static_cast<Integer>(c.Value.size()), c.Field.data(),
                                           static_cast<Integer>(c.Field.size()), c.Options)),
              c.Expected);
  }
}

}  // namespace
