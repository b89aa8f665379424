#include <gtest/gtest.h>

#include <limits>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/SharedObject.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Variant.h"
#include "tests/support/exception_message.h"
#include "tests/support/fixed_formats.h"

namespace {


// Slovene texts: "," decimals, "d.M.yyyy H:mm:ss".
class VariantTest : public testing::Test {
 protected:
  void SetUp() override {
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.DateSeparator = u'.';
    FormatSettings.TimeSeparator = u':';
    FormatSettings.ShortDateFormat = u"d.M.yyyy";
    FormatSettings.LongTimeFormat = u"H:mm:ss";
  }
  FixedFormats formats_;
};

class Counted : public TSharedObject {
 public:
  explicit Counted(int* destroyed) : FDestroyed(destroyed) {}
  const char* ClassName() const override { return "Counted"; }

 protected:
  ~Counted() override { ++*FDestroyed; }

 private:
  int* FDestroyed;
};

}  // namespace

TEST_F(VariantTest, TypeCodesOfEachConstructor) {
  TSQLTimeStamp ts;
  ts.Year = 2024;
  ts.Month = ts.Day = 1;
  struct {
    Variant v;
    Word type;
  } cases[] = {
      {Variant(), 0},
      {Variant::Null(), 1},
      {Variant(SmallInt(-2)), 2},
      {Variant(Integer(3)), 3},
      {Variant(1.5f), 4},
      {Variant(1.5), 5},
      {Variant(Currency::FromScaled(1)), 6},
      {Variant::FromDateTime(1.0), 7},
      {Variant::FromOleStr(u"x"), 8},
      {Variant(true), 11},
      {Variant(ShortInt(-1)), 16},
      {Variant(Byte(1)), 17},
      {Variant(Word(1)), 18},
      {Variant(LongWord(1)), 19},
      {Variant(Int64(1)), 20},
      {Variant(UInt64(1)), 21},
      {Variant("x"), 256},
      {Variant(AnsiString("x")), 256},
      {Variant(u"x"), 258},
      {Variant(String(u"x")), 258},
      {Variant(std::vector<Byte>{1, 2}), 0x2011},
      {Variant(StrToBcd(u"1")), varFMTBcd},
      {Variant(ts), varSQLTimeStamp},
      {Variant(SQLTimeStampToSQLTimeStampOffset(ts)), varSQLTimeStampOffset},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.v.VarType(), c.type) << StringToUtf8(VarTypeAsText(c.type));
  }
  EXPECT_EQ(varFMTBcd, 0x0110);
  EXPECT_EQ(varSQLTimeStamp, 0x0111);
  EXPECT_EQ(varSQLTimeStampOffset, 0x0112);
  EXPECT_TRUE(VarIsNull(Variant::Null()));
  EXPECT_TRUE(VarIsEmpty(Variant()));
  EXPECT_TRUE(VarIsClear(Variant::Unassigned()));
  EXPECT_FALSE(VarIsClear(Variant::Null()));
  EXPECT_TRUE(VarIsNumeric(Variant(Currency())));
  EXPECT_FALSE(VarIsNumeric(Variant(u"1")));
  EXPECT_TRUE(VarIsStr(Variant("1")));
  EXPECT_TRUE(VarIsByteArray(Variant::FromBytes("ab", 2)));
}

TEST_F(VariantTest, IntegerConversions) {
  struct {
    Variant v;
    Int64 expected;
  } cases[] = {
      {Variant(), 0},
      {Variant(2.5), 2},  // ties to even
      {Variant(3.5), 4},
      {Variant(-2.5), -2},
      {Variant(-2.6), -3},
      {Variant(true), -1},
      {Variant(false), 0},
      {Variant(Currency::FromScaled(25000)), 2},
      {Variant(Currency::FromScaled(35000)), 4},
      {Variant(u" 42 "), 42},
      {Variant("-17"), -17},
      {Variant(u"$FF"), 255},
      {Variant(u"0x10"), 16},
      {Variant(u"1,5"), 2},
      {Variant(u"1e3"), 1000},
      {Variant(u"true"), -1},
      {Variant(StrToBcd(u"-7.5")), -8},
      {Variant::FromDateTime(45351.75), 45352},
      {Variant(UInt64(4000000000)), 4000000000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(VarTypeAsText(c.v.VarType())) + " " + std::to_string(c.expected));
    EXPECT_EQ(c.v.AsInt64(), c.expected);
    if (c.expected >= INT32_MIN && c.expected <= INT32_MAX) {
      EXPECT_EQ(c.v.AsInteger(), c.expected);
    }
  }
  EXPECT_EQ(Variant(u"-9223372036854775808").AsInt64(), INT64_MIN);
  EXPECT_EQ(Variant(UInt64(UINT64_MAX)).AsUInt64(), UINT64_MAX);
  EXPECT_EQ(Variant(u"18446744073709551615").AsUInt64(), UINT64_MAX);
  EXPECT_THROW(Variant(u"18446744073709551615").AsInt64(), EVariantOverflowError);
}

TEST_F(VariantTest, ConversionErrorsNameBothTypes) {
  using Cast = EVariantTypeCastError;
  using Over = EVariantOverflowError;
  ExpectError<Cast>([] { Variant::Null().AsInteger(); }, u"Could not convert variant of type (Null) into type (Integer)");
  ExpectError<Cast>([] { Variant::Null().AsString(); },
                    u"Could not convert variant of type (Null) into type (UnicodeString)");
  ExpectError<Cast>([] { Variant::Null().AsDouble(); }, u"Could not convert variant of type (Null) into type (Double)");
  ExpectError<Cast>([] { Variant::Null().AsBoolean(); },
                    u"Could not convert variant of type (Null) into type (Boolean)");
  ExpectError<Cast>([] { Variant::Null().AsDateTime(); }, u"Could not convert variant of type (Null) into type (Date)");
  ExpectError<Cast>([] { Variant::Null().AsBcd(); },
                    u"Could not convert variant of type (Null) into type (FMTBcdVariantType)");
  ExpectError<Cast>([] { Variant(u"abc").AsInteger(); },
                    u"Could not convert variant of type (UnicodeString) into type (Integer)");
  ExpectError<Cast>([] { Variant("1.5").AsDouble(); },  // "." is not the decimal separator here
                    u"Could not convert variant of type (String) into type (Double)");
  ExpectError<Cast>([] { Variant(u"x").AsCurrency(); },
                    u"Could not convert variant of type (UnicodeString) into type (Currency)");
  ExpectError<Cast>([] { Variant(std::vector<Byte>{1}).AsString(); },
                    u"Could not convert variant of type (Array Byte) into type (UnicodeString)");
  ExpectError<Cast>([] { Variant(1).AsBytes(); }, u"Could not convert variant of type (Integer) into type (Array Byte)");
  ExpectError<Cast>([] { Variant(u"31.2.2024").AsDateTime(); },
                    u"Could not convert variant of type (UnicodeString) into type (Date)");
  ExpectError<Over>([] { Variant(3e9).AsInteger(); },
                    u"Overflow while converting variant of type (Double) into type (Integer)");
  ExpectError<Over>([] { Variant(std::numeric_limits<double>::quiet_NaN()).AsInt64(); },
                    u"Overflow while converting variant of type (Double) into type (Int64)");
  ExpectError<Over>([] { Variant(UInt64(UINT64_MAX)).AsInt64(); },
                    u"Overflow while converting variant of type (UInt64) into type (Int64)");
  ExpectError<Over>([] { Variant(Int64(-1)).AsUInt64(); },
                    u"Overflow while converting variant of type (Int64) into type (UInt64)");
  ExpectError<Over>([] { Variant(u"99999999999999999999").AsInt64(); },
                    u"Overflow while converting variant of type (UnicodeString) into type (Int64)");
  ExpectError<Over>([] { Variant(Int64(2147483648)).AsInteger(); },
                    u"Overflow while converting variant of type (Int64) into type (Integer)");
  ExpectError<Over>([] { Variant(1e300).AsCurrency(); },
                    u"Overflow while converting variant of type (Double) into type (Currency)");
  ExpectError<Over>([] { Variant(UInt64(UINT64_MAX)).AsCurrency(); },
                    u"Overflow while converting variant of type (UInt64) into type (Currency)");
  ExpectError<Cast>([] { Variant(u"1e999").AsDouble(); },
                    u"Could not convert variant of type (UnicodeString) into type (Double)");
}

TEST_F(VariantTest, TextOfEachType) {
  TSQLTimeStamp ts = DateTimeToSQLTimeStamp(EncodeDateTime(2024, 6, 9, 14, 5, 7, 0));
  struct {
    Variant v;
    const char16_t* text;
  } cases[] = {
      {Variant(), u""},
      {Variant(-12), u"-12"},
      {Variant(UInt64(UINT64_MAX)), u"18446744073709551615"},
      {Variant(true), u"True"},
      {Variant(false), u"False"},
      {Variant(-1.5), u"-1,5"},
      {Variant(0.1), u"0,1"},
      {Variant(0.1f), u"0,1"},  // seven digits for single
      {Variant(1.0 / 3), u"0,333333333333333"},
      {Variant(1e20), u"1E20"},
      {Variant(123456789012345.0), u"123456789012345"},
      {Variant(1234567890123456.0), u"1,23456789012346E15"},
      {Variant(-1.5e-6), u"-1,5E-6"},
      {Variant(std::numeric_limits<double>::infinity()), u"INF"},
      {Variant(Currency::FromScaled(15000)), u"1,5"},
      {Variant(MinCurrency), u"-922337203685477,5808"},
      {Variant::FromDateTime(EncodeDateTime(2024, 6, 9, 14, 5, 7, 0)), u"9.6.2024 14:05:07"},
      {Variant::FromDateTime(EncodeDate(1850, 1, 2)), u"2.1.1850"},
      {Variant(StrToBcd(u"-12.345")), u"-12,345"},
      {Variant(ts), u"9.6.2024 14:05:07"},
      {Variant("\xE8"), u"\u010D"},  // code page 1250
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.v.AsString(), c.text) << StringToUtf8(VarTypeAsText(c.v.VarType()));
  }
  EXPECT_EQ(VarToStr(Variant::Null()), u"");
  EXPECT_EQ(Variant(u"\u010D").AsAnsiString(), "\xE8");
  EXPECT_EQ(Variant("raw\xFF").AsAnsiString(), "raw\xFF");  // 8-bit text stays byte for byte
}

TEST_F(VariantTest, NumbersFromTextAndOtherTypes) {
  EXPECT_EQ(Variant(u"1,5").AsDouble(), 1.5);
  EXPECT_EQ(Variant(u" -2,5E2 ").AsDouble(), -250);
  EXPECT_EQ(Variant(u"False").AsDouble(), 0);
  EXPECT_EQ(Variant(u"1,5e-999").AsDouble(), 0);  // below the smallest double: zero, not an error
  EXPECT_EQ(Variant(u"0,001e310").AsDouble(), 1e307);
  EXPECT_EQ(Variant(Currency::FromScaled(15000)).AsDouble(), 1.5);
  EXPECT_EQ(Variant(StrToBcd(u"0.1")).AsDouble(), 0.1);
  // Text to currency is exact decimal: 0,1 is 1000 scaled, and a fifth
  // decimal rounds away from zero.
  EXPECT_EQ(Variant(u"0,1").AsCurrency().Scaled(), 1000);
  EXPECT_EQ(Variant(u"-0,00005").AsCurrency().Scaled(), -1);
  EXPECT_EQ(Variant(0.03125).AsCurrency().Scaled(), 313);
  EXPECT_EQ(Variant(Int64(7)).AsCurrency().Scaled(), 70000);
  EXPECT_EQ(BcdToStr(Variant(Currency::FromScaled(-12345)).AsBcd()), u"-1.2345");
  EXPECT_EQ(BcdToStr(Variant(u"12,50").AsBcd()), u"12.5");
  EXPECT_EQ(BcdToStr(Variant(UInt64(UINT64_MAX)).AsBcd()), u"18446744073709551615");
  EXPECT_EQ(BcdToStr(Variant(0.1).AsBcd()), u"0.1");
  EXPECT_THROW(Variant(u"1.5").AsBcd(), EVariantTypeCastError);
  EXPECT_TRUE(Variant(u"TRUE").AsBoolean());
  EXPECT_TRUE(Variant(u"2").AsBoolean());
  EXPECT_FALSE(Variant(0.0).AsBoolean());
  EXPECT_THROW(Variant(u"yes").AsBoolean(), EVariantTypeCastError);
  EXPECT_EQ(Variant(u"9.6.2024 14:05").AsDateTime(), EncodeDateTime(2024, 6, 9, 14, 5, 0, 0));
  EXPECT_EQ(Variant(45000).AsDateTime(), 45000);
  std::vector<Byte> bytes{0, 1, 255};
  EXPECT_EQ(Variant(bytes).AsBytes(), bytes);
  EXPECT_EQ(Variant("a\0b").AsBytes(), (std::vector<Byte>{'a'}));
  EXPECT_EQ(Variant(AnsiString("a\0b", 3)).AsBytes(), (std::vector<Byte>{'a', 0, 'b'}));
  TSQLTimeStamp ts = Variant::FromDateTime(EncodeDateTime(2024, 6, 9, 1, 2, 3, 4)).AsSQLTimeStamp();
  EXPECT_EQ(ts.Fractions, 4u);
  EXPECT_EQ(Variant(ts).AsDateTime(), EncodeDateTime(2024, 6, 9, 1, 2, 3, 4));
}

TEST_F(VariantTest, VarAsTypeChecksTheNarrowRanges) {
  EXPECT_EQ(VarAsType(Variant(255), varByte).VarType(), varByte);
  EXPECT_EQ(VarAsType(Variant(-32768), varSmallint).AsInteger(), -32768);
  EXPECT_EQ(VarAsType(Variant(u"12"), varWord).AsInteger(), 12);
  EXPECT_EQ(VarAsType(Variant(1.5), varUString).AsString(), u"1,5");
  EXPECT_EQ(VarAsType(Variant(1.5), varString).AsAnsiString(), "1,5");
  EXPECT_EQ(VarAsType(Variant(1), varBoolean).AsBoolean(), true);
  EXPECT_EQ(VarAsType(Variant(u"x"), varNull).VarType(), varNull);
  EXPECT_EQ(VarAsType(Variant::Null(), varNull).VarType(), varNull);
  EXPECT_EQ(VarAsType(Variant(1e300), varDouble).AsDouble(), 1e300);
  ExpectError<EVariantOverflowError>([] { VarAsType(Variant(256), varByte); },
                                     u"Overflow while converting variant of type (Integer) into type (Byte)");
  ExpectError<EVariantOverflowError>([] { VarAsType(Variant(-1), varLongWord); },
                                     u"Overflow while converting variant of type (Integer) into type (LongWord)");
  ExpectError<EVariantOverflowError>([] { VarAsType(Variant(128), varShortInt); },
                                     u"Overflow while converting variant of type (Integer) into type (ShortInt)");
  ExpectError<EVariantOverflowError>([] { VarAsType(Variant(1e300), varSingle); },
                                     u"Overflow while converting variant of type (Double) into type (Single)");
  ExpectError<EVariantTypeCastError>([] { VarAsType(Variant::Null(), varInteger); },
                                     u"Could not convert variant of type (Null) into type (Integer)");
  ExpectError<EVariantTypeCastError>([] { VarAsType(Variant(1), varDispatch); },
                                     u"Could not convert variant of type (Integer) into type (Dispatch)");
}

TEST_F(VariantTest, CompareValues) {
  TDateTime day = EncodeDate(2024, 6, 9);
  struct {
    Variant a, b;
    TVariantRelationship expected;
  } cases[] = {
      {Variant(1), Variant(2), vrLessThan},
      {Variant(Int64(INT64_MAX)), Variant(UInt64(UINT64_MAX)), vrLessThan},
      {Variant(Int64(-1)), Variant(UInt64(0)), vrLessThan},
      {Variant(Currency::FromScaled(15000)), Variant(1.5), vrEqual},
      {Variant(Currency::FromScaled(15000)), Variant(1), vrGreaterThan},
      {Variant(Currency::FromScaled(-1)), Variant(Byte(0)), vrLessThan},
      {Variant(StrToBcd(u"1.50")), Variant(1.5), vrEqual},
      {Variant(StrToBcd(u"0.1")), Variant(0.1), vrEqual},
      {Variant(StrToBcd(u"10")), Variant(9), vrGreaterThan},
      {Variant(false), Variant(true), vrLessThan},
      {Variant(u"a"), Variant("b"), vrLessThan},
      {Variant(u"abc"), Variant(u"abc"), vrEqual},
      {Variant(u"10"), Variant(9), vrGreaterThan},
      {Variant(u"1,5"), Variant(1.5), vrEqual},
      {Variant::FromDateTime(day), Variant(u"9.6.2024"), vrEqual},
      {Variant::FromDateTime(day), Variant(DateTimeToSQLTimeStamp(day + 0.5)), vrLessThan},
      {Variant::Null(), Variant::Null(), vrEqual},
      {Variant::Null(), Variant(1), vrNotEqual},
      {Variant(), Variant::Null(), vrNotEqual},
      {Variant(), Variant(), vrEqual},
      {Variant(), Variant(0), vrEqual},
      {Variant(), Variant(u""), vrEqual},
      {Variant(), Variant(-1), vrGreaterThan},
      {Variant(std::vector<Byte>{1, 2}), Variant(std::vector<Byte>{1, 2, 0}), vrLessThan},
      {Variant(std::vector<Byte>{2}), Variant(std::vector<Byte>{1, 9}), vrGreaterThan},
      {Variant(std::vector<Byte>{1}), Variant(1), vrNotEqual},
      {Variant(std::numeric_limits<double>::quiet_NaN()), Variant(1.0), vrNotEqual},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_EQ(VarCompareValue(cases[i].a, cases[i].b), cases[i].expected);
    TVariantRelationship mirrored = cases[i].expected == vrLessThan      ? vrGreaterThan
                                    : cases[i].expected == vrGreaterThan ? vrLessThan
                                                                         : cases[i].expected;
    EXPECT_EQ(VarCompareValue(cases[i].b, cases[i].a), mirrored);
  }
  EXPECT_THROW(VarCompareValue(Variant(u"abc"), Variant(1)), EVariantTypeCastError);

  EXPECT_TRUE(VarSameValue(Variant(1), Variant(1.0)));
  EXPECT_TRUE(VarSameValue(Variant(u"1"), Variant(1)));
  EXPECT_TRUE(VarSameValue(Variant::Null(), Variant::Null()));
  EXPECT_FALSE(VarSameValue(Variant(), Variant::Null()));
  EXPECT_FALSE(VarSameValue(Variant(), Variant(0)));
  EXPECT_FALSE(VarSameValue(Variant(0), Variant()));
  EXPECT_FALSE(VarSameValue(Variant(u"a"), Variant(u"b")));
}

TEST_F(VariantTest, ValueSemantics) {
  Variant a(u"text");
  Variant b = a;
  b = Variant(u"other");
  EXPECT_EQ(a.AsString(), u"text");
  Variant c = std::move(b);
  EXPECT_EQ(c.AsString(), u"other");
  a.Clear();
  EXPECT_TRUE(a.IsEmpty());
  std::vector<Variant> many(3, Variant(std::vector<Byte>{1, 2, 3}));
  many[0] = Variant::Null();
  EXPECT_EQ(many[1].ByteArray()->size(), 3u);
  EXPECT_EQ(Variant(1).ByteArray(), nullptr);
}

TEST_F(VariantTest, SharedObjectsAreCountedThroughCopies) {
  int destroyed = 0;
  auto* obj = new Counted(&destroyed);  // our reference: 1
  {
    Variant v;
    obj->ToVariant(v);
    EXPECT_EQ(v.VarType(), varSharedObject);
    EXPECT_EQ(obj->RefCount(), 2);
    Variant copy = v;
    EXPECT_EQ(obj->RefCount(), 3);
    std::vector<Variant> list{copy, copy};
    EXPECT_EQ(obj->RefCount(), 5);
    list.clear();
    copy = Variant(1);
    EXPECT_EQ(obj->RefCount(), 2);
    EXPECT_EQ(TSharedObject::FromVariant(v), obj);  // no reference added
    EXPECT_EQ(obj->RefCount(), 2);
    Variant moved = std::move(v);
    EXPECT_EQ(obj->RefCount(), 2);
    EXPECT_EQ(VarCompareValue(moved, Variant::FromSharedObject(obj)), vrEqual);
    EXPECT_EQ(obj->RefCount(), 2);
  }
  EXPECT_EQ(obj->RefCount(), 1);
  {
    Variant last = Variant::FromSharedObject(obj);
    obj->Release();  // the variant now holds the only reference
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, 1);

  EXPECT_EQ(TSharedObject::FromVariant(Variant::Null()), nullptr);
  EXPECT_EQ(TSharedObject::FromVariant(Variant()), nullptr);
  ExpectError<EAssertionFailed>([] { TSharedObject::FromVariant(Variant(1)); }, u"Assertion failure");
  EXPECT_TRUE(Variant::FromSharedObject(nullptr).IsNull());
  ExpectError<EVariantTypeCastError>([] { Variant(1).AsSharedObject(); },
                                     u"Could not convert variant of type (Integer) into type (SharedObject)");
}

TEST_F(VariantTest, ArrayOfSharesItsItemsBetweenCopies) {
  Variant keys = Variant::ArrayOf({Variant(7), Variant(u"x"), Variant::Null()});
  EXPECT_EQ(keys.VarType(), varArray | varVariant);
  EXPECT_EQ(VarTypeAsText(keys.VarType()), u"Array Variant");
  Variant copy = keys;
  keys = Variant();
  ASSERT_NE(copy.ArrayItems(), nullptr);
  ASSERT_EQ(copy.ArrayItems()->size(), 3u);
  EXPECT_EQ((*copy.ArrayItems())[1].AsString(), u"x");
  EXPECT_TRUE((*copy.ArrayItems())[2].IsNull());
  EXPECT_EQ(Variant(7).ArrayItems(), nullptr);
  EXPECT_THROW(copy.AsInteger(), EVariantTypeCastError);
}
