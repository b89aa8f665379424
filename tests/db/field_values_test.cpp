// Every field class writing its type, storing it in a record and reading it
// back through the As* accessors and the texts, under fixed format settings.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Strings.h"
#include "tests/db/contract_fixture.h"

namespace {

using namespace std::string_literals;

// One field of each type; the dataset is open with a record being appended.
class FieldValuesTest : public testing::Test {
 protected:
  void SetUp() override {
    saved = FormatSettings;
    FormatSettings = TFormatSettings::Slovene();
    FormatSettings.CurrencyString = u"EUR";
    struct Def {
      const char16_t* name;
      TFieldType type;
      Integer size;
    };
    for (const Def& d : std::initializer_list<Def>{
             {u"STR", ftString, 5},        {u"WSTR", ftWideString, 3}, {u"GUID", ftGuid, 38},
             {u"SMALL", ftSmallint, 0},    {u"INT", ftInteger, 0},     {u"WORD", ftWord, 0},
             {u"SHORT", ftShortint, 0},    {u"BYTE", ftByte, 0},       {u"AUTO", ftAutoInc, 0},
             {u"LWORD", ftLongWord, 0},    {u"LARGE", ftLargeint, 0},  {u"FLOAT", ftFloat, 0},
             {u"CURR", ftCurrency, 0},     {u"SINGLE", ftSingle, 0},   {u"EXT", ftExtended, 0},
             {u"BCD", ftBCD, 2},           {u"FMT", ftFMTBcd, 3},      {u"BOOL", ftBoolean, 0},
             {u"DT", ftDateTime, 0},       {u"DATE", ftDate, 0},       {u"TIME", ftTime, 0},
             {u"TS", ftTimeStamp, 0},      {u"TSO", ftTimeStampOffset, 0}, {u"BYTES", ftBytes, 4},
             {u"VARB", ftVarBytes, 4},     {u"BLOB", ftBlob, 0},       {u"MEMO", ftMemo, 0},
             {u"WMEMO", ftWideMemo, 0},    {u"GRAPH", ftGraphic, 0},   {u"VAR", ftVariant, 0}}) {
      ds.FieldDefs().Add(d.name, d.type, d.size);
    }
    ds.FieldDefs().Find(u"FMT")->SetPrecision(8);
    ds.Open();
    ds.Append();
  }
  void TearDown() override { FormatSettings = saved; }

  TField* F(const char16_t* name) { return ds.FieldByName(name); }
  // Stores the record and reads it back into the active buffer.
  void Store() {
    ds.Post();
    ds.Last();
  }

  TFormatSettings saved;
  TTestDataSet ds;
};

TEST_F(FieldValuesTest, DefaultClassesAndLayout) {
  struct Expect {
    const char16_t* field;
    const char* className;
    Integer dataSize;
    TAlignment alignment;
  };
  for (const Expect& e : std::initializer_list<Expect>{
           {u"STR", "TStringField", 6, taLeftJustify},        {u"WSTR", "TWideStringField", 8, taLeftJustify},
           {u"GUID", "TGuidField", 39, taLeftJustify},        {u"SMALL", "TSmallintField", 2, taRightJustify},
           {u"INT", "TIntegerField", 4, taRightJustify},      {u"WORD", "TWordField", 2, taRightJustify},
           {u"SHORT", "TShortintField", 2, taRightJustify},   {u"BYTE", "TByteField", 2, taRightJustify},
           {u"AUTO", "TAutoIncField", 4, taRightJustify},     {u"LWORD", "TLongWordField", 4, taRightJustify},
           {u"LARGE", "TLargeintField", 8, taRightJustify},   {u"FLOAT", "TFloatField", 8, taRightJustify},
           {u"CURR", "TCurrencyField", 8, taRightJustify},    {u"SINGLE", "TSingleField", 4, taRightJustify},
           {u"EXT", "TExtendedField", 8, taRightJustify},     {u"BCD", "TBCDField", 34, taRightJustify},
           {u"FMT", "TFMTBCDField", 34, taRightJustify},      {u"BOOL", "TBooleanField", 2, taLeftJustify},
           {u"DT", "TDateTimeField", 8, taLeftJustify},       {u"DATE", "TDateField", 4, taLeftJustify},
           {u"TIME", "TTimeField", 4, taLeftJustify},         {u"TS", "TSQLTimeStampField", 16, taLeftJustify},
           {u"TSO", "TSQLTimeStampOffsetField", 20, taLeftJustify}, {u"BYTES", "TBytesField", 4, taLeftJustify},
           {u"VARB", "TVarBytesField", 6, taLeftJustify},     {u"BLOB", "TBlobField", 0, taLeftJustify},
           {u"MEMO", "TMemoField", 0, taLeftJustify},         {u"WMEMO", "TWideMemoField", 0, taLeftJustify},
           {u"GRAPH", "TGraphicField", 0, taLeftJustify},     {u"VAR", "TVariantField", sizeof(Variant), taLeftJustify}}) {
    SCOPED_TRACE(StringToUtf8(e.field));
    TField* field = F(e.field);
    EXPECT_STREQ(field->ClassName(), e.className);
    EXPECT_EQ(field->DataSize(), e.dataSize);
    EXPECT_EQ(field->Alignment(), e.alignment);
    EXPECT_EQ(field->DataType(), ds.FieldDefs().Find(e.field)->DataType());
    EXPECT_EQ(field->IsBlob(), field->DataSize() == 0);
  }
  EXPECT_EQ(DefaultFieldClass(ftCursor), nullptr);
  EXPECT_EQ(DefaultFieldClass(ftDATimeStampOffset), nullptr);
}

// A value written one way and read back after the record was stored.
struct Case {
  const char16_t* field;
  std::function<void(TField*)> write;
  String asString;
  String displayText;
  String text;
  std::function<void(TField*)> check = nullptr;
};

TEST_F(FieldValuesTest, ValuesRoundTripThroughTheRecord) {
  TDateTime when = EncodeDateTime(2024, 3, 5, 14, 7, 9, 0);
  std::vector<Case> cases = {
      {u"STR", [](TField* f) { f->SetAsString(u"\u017Diga"); }, u"\u017Diga", u"\u017Diga", u"\u017Diga",
       [](TField* f) { EXPECT_EQ(f->AsAnsiString(), "\x8Eiga"); }},
      {u"STR", [](TField* f) { f->SetAsString(u"abcdefgh"); }, u"abcde", u"abcde", u"abcde"},
      {u"STR", [](TField* f) { f->SetAsInteger(-42); }, u"-42", u"-42", u"-42",
       [](TField* f) { EXPECT_EQ(f->AsInteger(), -42); }},
      {u"STR", [](TField* f) { f->SetAsBoolean(true); }, u"T", u"T", u"T",
       [](TField* f) { EXPECT_TRUE(f->AsBoolean()); }},
      {u"STR", [](TField* f) { f->SetAsString(u"2,5"); }, u"2,5", u"2,5", u"2,5",
       [](TField* f) { EXPECT_EQ(f->AsFloat(), 2.5); }},
      {u"WSTR", [](TField* f) { f->SetAsString(u"\u65E5\u672C"); }, u"\u65E5\u672C", u"\u65E5\u672C", u"\u65E5\u672C",
       [](TField* f) { EXPECT_EQ(f->AsVariant().VarType(), varUString); }},
      // A cut never splits a surrogate pair.
      {u"WSTR", [](TField* f) { f->SetAsString(u"ab\U0001F600"); }, u"ab", u"ab", u"ab"},
      {u"GUID", [](TField* f) { f->SetAsString(u"{01234567-89AB-CDEF-0123-456789ABCDEF}"); },
       u"{01234567-89AB-CDEF-0123-456789ABCDEF}", u"{01234567-89AB-CDEF-0123-456789ABCDEF}",
       u"{01234567-89AB-CDEF-0123-456789ABCDEF}"},
      {u"SMALL", [](TField* f) { f->SetAsInteger(-32768); }, u"-32768", u"-32768", u"-32768"},
      {u"INT", [](TField* f) { f->SetAsString(u"1234567"); }, u"1234567", u"1234567", u"1234567",
       [](TField* f) {
         EXPECT_EQ(f->AsLargeInt(), 1234567);
         EXPECT_EQ(f->AsFloat(), 1234567.0);
         EXPECT_EQ(f->AsVariant().VarType(), varInteger);
       }},
      {u"INT", [](TField* f) { f->SetAsFloat(2.5); }, u"2", u"2", u"2"},
      {u"INT", [](TField* f) { f->SetAsVariant(Variant(u"17")); }, u"17", u"17", u"17"},
      {u"WORD", [](TField* f) { f->SetAsInteger(65535); }, u"65535", u"65535", u"65535"},
      {u"SHORT", [](TField* f) { f->SetAsInteger(-128); }, u"-128", u"-128", u"-128"},
      {u"BYTE", [](TField* f) { f->SetAsInteger(255); }, u"255", u"255", u"255"},
      {u"AUTO", [](TField* f) { f->SetAsInteger(7); }, u"7", u"7", u"7"},
      {u"LWORD", [](TField* f) { f->SetAsLargeInt(4000000000); }, u"4000000000", u"4000000000", u"4000000000",
       [](TField* f) { EXPECT_EQ(f->AsVariant().VarType(), varLongWord); }},
      {u"LARGE", [](TField* f) { f->SetAsString(u"9007199254740993"); }, u"9007199254740993", u"9007199254740993",
       u"9007199254740993", [](TField* f) { EXPECT_EQ(f->AsLargeInt(), 9007199254740993); }},
      {u"FLOAT", [](TField* f) { f->SetAsFloat(1234.5); }, u"1234,5", u"1234,5", u"1234,5",
       [](TField* f) {
         EXPECT_EQ(f->AsInteger(), 1234);  // ties to even
         EXPECT_EQ(f->AsCurrency(), Currency::FromScaled(12345000));
       }},
      {u"FLOAT", [](TField* f) { f->SetAsString(u"-0,125"); }, u"-0,125", u"-0,125", u"-0,125"},
      {u"CURR", [](TField* f) { f->SetAsFloat(1234.5); }, u"1234,5", u"1.234,50 EUR", u"1234,50"},
      {u"SINGLE", [](TField* f) { f->SetAsFloat(0.1); }, u"0,1", u"0,1", u"0,1",
       [](TField* f) { EXPECT_EQ(f->AsVariant().VarType(), varSingle); }},
      {u"EXT", [](TField* f) { f->SetAsFloat(1e100); }, u"1E100", u"1E100", u"1E100"},
      // Two decimals kept, rounded half away from zero.
      {u"BCD", [](TField* f) { f->SetAsCurrency(Currency::FromScaled(123456)); }, u"12,35", u"12,35", u"12,35",
       [](TField* f) {
         EXPECT_EQ(f->AsCurrency(), Currency::FromScaled(123500));
         EXPECT_EQ(BcdToStr(f->AsBCD()), u"12.35");
         EXPECT_EQ(f->AsVariant().VarType(), varCurrency);
       }},
      {u"BCD", [](TField* f) { f->SetAsString(u"-7,5"); }, u"-7,5", u"-7,5", u"-7,5"},
      // Precision 8, three decimals.
      {u"FMT", [](TField* f) { f->SetAsString(u"12345,6789"); }, u"12345,679", u"12345,679", u"12345,679",
       [](TField* f) {
         EXPECT_EQ(f->AsVariant().VarType(), varFMTBcd);
         EXPECT_EQ(f->AsInteger(), 12346);
       }},
      {u"BOOL", [](TField* f) { f->SetAsBoolean(true); }, u"True", u"True", u"True",
       [](TField* f) { EXPECT_EQ(f->AsVariant().VarType(), varBoolean); }},
      {u"BOOL", [](TField* f) { f->SetAsString(u"f"); }, u"False", u"False", u"False"},
      {u"DT", [when](TField* f) { f->SetAsDateTime(when); }, u"5.3.2024 14:07:09", u"5.3.2024 14:07:09",
       u"5.3.2024 14:07:09", [when](TField* f) {
         EXPECT_EQ(f->AsDateTime(), when);
         EXPECT_EQ(f->AsVariant().VarType(), varDate);
       }},
      {u"DT", [](TField* f) { f->SetAsString(u"6.4.2023"); }, u"6.4.2023", u"6.4.2023", u"6.4.2023"},
      // A date keeps no time, a time no date.
      {u"DATE", [when](TField* f) { f->SetAsDateTime(when); }, u"5.3.2024", u"5.3.2024", u"5.3.2024",
       [when](TField* f) { EXPECT_EQ(f->AsDateTime(), DateOf(when)); }},
      {u"TIME", [when](TField* f) { f->SetAsDateTime(when); }, u"14:07:09", u"14:07:09", u"14:07:09",
       [when](TField* f) { EXPECT_NEAR(f->AsDateTime(), TimeOf(when), 1e-9); }},
      {u"TS", [](TField* f) { f->SetAsSQLTimeStamp(TSQLTimeStamp{2024, 3, 5, 14, 7, 9, 250}); },
       u"5.3.2024 14:07:09", u"5.3.2024 14:07:09", u"5.3.2024 14:07:09", [](TField* f) {
         EXPECT_EQ(f->AsSQLTimeStamp().Fractions, 250u);
         EXPECT_EQ(f->AsVariant().VarType(), varSQLTimeStamp);
       }},
      {u"TSO", [](TField* f) { f->SetAsSQLTimeStampOffset(TSQLTimeStampOffset{2024, 3, 5, 14, 7, 9, 0, -5, 30}); },
       u"5.3.2024 14:07:09 -05:30", u"5.3.2024 14:07:09 -05:30", u"5.3.2024 14:07:09 -05:30",
       [](TField* f) { EXPECT_EQ(f->AsSQLTimeStampOffset().TimeZoneHour, -5); }},
      // Bytes are padded, var-bytes cut; their texts show the class.
      {u"BYTES", [](TField* f) { f->SetAsBytes({1, 2}); }, u"\x01\x02\0\0"s, u"(BYTES)", u"(BYTES)",
       [](TField* f) { EXPECT_EQ(f->AsBytes(), (std::vector<Byte>{1, 2, 0, 0})); }},
      {u"VARB", [](TField* f) { f->SetAsBytes({1, 2, 3, 4, 5}); }, u"\x01\x02\x03\x04", u"(VARBYTES)",
       u"(VARBYTES)", [](TField* f) { EXPECT_EQ(f->AsVariant().VarType(), varByteArray); }},
      {u"BLOB", [](TField* f) { f->SetAsString(u"\u010D\0x"s); }, u"\u010D\0x"s, u"(BLOB)", u"(BLOB)",
       [](TField* f) { EXPECT_EQ(f->AsBytes(), (std::vector<Byte>{0xE8, 0, 'x'})); }},
      {u"MEMO", [](TField* f) { f->SetAsString(u"line\r\nline"); }, u"line\r\nline", u"(MEMO)", u"(MEMO)",
       [](TField* f) { EXPECT_EQ(f->AsVariant().VarType(), varString); }},
      {u"WMEMO", [](TField* f) { f->SetAsString(u"\u65E5\U0001F600"); }, u"\u65E5\U0001F600", u"(WIDEMEMO)",
       u"(WIDEMEMO)", [](TField* f) { EXPECT_EQ(f->AsBytes().size(), 6u); }},
      {u"GRAPH", [](TField* f) { f->SetAsBytes({0x89, 'P'}); }, u"\u2030P", u"(GRAPHIC)", u"(GRAPHIC)"},
      {u"VAR", [](TField* f) { f->SetAsVariant(Variant(42)); }, u"42", u"42", u"42",
       [](TField* f) {
         EXPECT_EQ(f->AsInteger(), 42);
         EXPECT_EQ(f->AsVariant().VarType(), varInteger);
       }},
      {u"VAR", [](TField* f) { f->SetAsString(u"x"); }, u"x", u"x", u"x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.field) + " " + StringToUtf8(c.asString));
    TField* field = F(c.field);
    c.write(field);
    Store();
    EXPECT_FALSE(field->IsNull());
    EXPECT_EQ(field->AsString(), c.asString);
    EXPECT_EQ(field->DisplayText(), c.displayText);
    EXPECT_EQ(field->Text(), c.text);
    if (c.check) c.check(field);
    ds.Append();
  }
}

TEST_F(FieldValuesTest, NullFieldsReadAsEmpty) {
  Store();
  for (TField* field : ds.Fields()) {
    SCOPED_TRACE(StringToUtf8(field->FieldName()));
    EXPECT_TRUE(field->IsNull());
    EXPECT_TRUE(field->AsVariant().IsNull());
    if (field->IsBlob() || dynamic_cast<TBinaryField*>(field) != nullptr) {
      // The class without a value: "(Blob)", not "(BLOB)".
      EXPECT_EQ(field->DisplayText().front(), u'(');
      EXPECT_NE(field->DisplayText(), AnsiUpperCase(field->DisplayText()));
      EXPECT_TRUE(field->AsBytes().empty());
    } else {
      EXPECT_EQ(field->AsString(), u"");
      EXPECT_EQ(field->DisplayText(), u"");
    }
    if (dynamic_cast<TNumericField*>(field) != nullptr) {
      EXPECT_EQ(field->AsFloat(), 0);
    }
  }
  EXPECT_EQ(F(u"BLOB")->DisplayText(), u"(Blob)");  // lower case without a value
  EXPECT_FALSE(F(u"BOOL")->AsBoolean());
}

TEST_F(FieldValuesTest, EmptyTextAndNullVariantClear) {
  for (const char16_t* name : {u"STR", u"INT", u"FLOAT", u"BCD", u"FMT", u"DT", u"TS", u"BLOB", u"VAR"}) {
    SCOPED_TRACE(StringToUtf8(name));
    TField* field = F(name);
    field->SetAsString(u"1");
    EXPECT_FALSE(field->IsNull());
    field->SetAsString(u"");
    EXPECT_TRUE(field->IsNull() || field->AsString().empty());
    field->SetAsString(u"1");
    field->SetAsVariant(Variant::Null());
    EXPECT_TRUE(field->IsNull());
  }
}

TEST_F(FieldValuesTest, NumberFormats) {
  TNumericField* integer = static_cast<TNumericField*>(F(u"INT"));
  integer->SetAsInteger(1234567);
  integer->SetDisplayFormat(u"#,##0");
  EXPECT_EQ(integer->DisplayText(), u"1.234.567");
  EXPECT_EQ(integer->Text(), u"1.234.567");  // the display format edits too
  integer->SetEditFormat(u"0");
  EXPECT_EQ(integer->Text(), u"1234567");
  EXPECT_EQ(integer->AsString(), u"1234567");

  auto* real = static_cast<TFloatField*>(F(u"FLOAT"));
  real->SetAsFloat(1234.5678);
  real->SetPrecision(5);
  EXPECT_EQ(real->DisplayText(), u"1234,6");
  real->SetPrecision(1);
  EXPECT_EQ(real->Precision(), 2);
  real->SetPrecision(99);
  EXPECT_EQ(real->Precision(), 15);
  real->SetCurrency(true);
  EXPECT_EQ(real->DisplayText(), u"1.234,57 EUR");
  real->SetDisplayFormat(u"0.0");
  EXPECT_EQ(real->DisplayText(), u"1234,6");

  auto* bcd = static_cast<TBCDField*>(F(u"BCD"));
  bcd->SetAsString(u"1234,5");
  bcd->SetCurrency(true);
  EXPECT_EQ(bcd->DisplayText(), u"1.234,50 EUR");
  EXPECT_EQ(bcd->Text(), u"1234,50");

  auto* date = static_cast<TDateTimeField*>(F(u"DT"));
  date->SetAsDateTime(EncodeDateTime(2024, 3, 5, 0, 0, 0, 0));
  EXPECT_EQ(date->DisplayText(), u"5.3.2024");  // midnight shows no time
  date->SetDisplayFormat(u"yyyy-mm-dd hh:nn");
  EXPECT_EQ(date->DisplayText(), u"2024-03-05 00:00");
  EXPECT_EQ(date->Text(), u"5.3.2024");

  auto* stamp = static_cast<TSQLTimeStampField*>(F(u"TS"));
  stamp->SetAsSQLTimeStamp(TSQLTimeStamp{2024, 3, 5, 14, 7, 9, 0});
  stamp->SetDisplayFormat(u"dd.mm.yy");
  EXPECT_EQ(stamp->DisplayText(), u"05.03.24");
  EXPECT_EQ(stamp->Text(), u"5.3.2024 14:07:09");

  auto* flag = static_cast<TBooleanField*>(F(u"BOOL"));
  flag->SetDisplayValues(u"Da;Ne");
  flag->SetAsString(u"n");
  EXPECT_EQ(flag->AsString(), u"Ne");
  flag->SetAsString(u"DA");
  EXPECT_TRUE(flag->AsBoolean());
  EXPECT_EQ(flag->DisplayWidth(), 2);
  flag->SetDisplayValues(u"Yes;");
  flag->SetAsString(u"");  // the empty text is the false value now
  EXPECT_FALSE(flag->IsNull());
  EXPECT_FALSE(flag->AsBoolean());
}

TEST_F(FieldValuesTest, ValidateReadsValuesInTheFieldsOwnForm) {
  // A date is stored as days and a BCD as a TBcd; OnValidate still sees the
  // date and the currency being written.
  TDateTime when = EncodeDate(2024, 3, 5);
  TDateTime seenDate = 0;
  F(u"DATE")->OnValidate = [&](TField* f) { seenDate = f->AsDateTime(); };
  F(u"DATE")->SetAsDateTime(when);
  EXPECT_EQ(seenDate, when);
  Currency seenMoney;
  F(u"BCD")->OnValidate = [&](TField* f) { seenMoney = f->AsCurrency(); };
  F(u"BCD")->SetAsString(u"12,5");
  EXPECT_EQ(seenMoney, Currency::FromScaled(125000));
}

TEST_F(FieldValuesTest, TextEventsReplaceTheTexts) {
  TField* field = F(u"INT");
  field->SetAsInteger(5);
  field->OnGetText = [](TField* f, String& text, bool display) {
    text = (display ? u"shown " : u"edited ") + f->AsString();
  };
  String written;
  field->OnSetText = [&](TField*, const String& text) { written = text; };
  EXPECT_EQ(field->DisplayText(), u"shown 5");
  EXPECT_EQ(field->Text(), u"edited 5");
  field->SetText(u"9");
  EXPECT_EQ(written, u"9");
  EXPECT_EQ(field->AsInteger(), 5);
  EXPECT_EQ(field->AsString(), u"5");
}

// ---------------------------------------------------------------------------
// Conversion errors

struct ErrorCase {
  const char16_t* field;
  std::function<void(TField*)> action;
  const char* message;
};

TEST_F(FieldValuesTest, ConversionErrors) {
  std::vector<ErrorCase> cases = {
      {u"INT", [](TField* f) { f->SetAsString(u"12x"); }, "'12x' is not a valid integer value for field 'INT'"},
      {u"LARGE", [](TField* f) { f->SetAsString(u"1e3"); }, "'1e3' is not a valid integer value for field 'LARGE'"},
      {u"FLOAT", [](TField* f) { f->SetAsString(u"1.5"); }, "'1.5' is not a valid floating point value for field 'FLOAT'"},
      {u"BCD", [](TField* f) { f->SetAsString(u"abc"); }, "'abc' is not a valid floating point value for field 'BCD'"},
      {u"FMT", [](TField* f) { f->SetAsString(u"1,2,3"); }, "'1,2,3' is not a valid floating point value for field 'FMT'"},
      {u"BOOL", [](TField* f) { f->SetAsString(u"maybe"); }, "'maybe' is not a valid boolean value for field 'BOOL'"},
      {u"SMALL", [](TField* f) { f->SetAsInteger(40000); },
       "40000 is not a valid value for field 'SMALL'. The allowed range is -32768 to 32767"},
      {u"SHORT", [](TField* f) { f->SetAsString(u"128"); },
       "128 is not a valid value for field 'SHORT'. The allowed range is -128 to 127"},
      {u"BYTE", [](TField* f) { f->SetAsInteger(-1); },
       "-1 is not a valid value for field 'BYTE'. The allowed range is 0 to 255"},
      {u"WORD", [](TField* f) { f->SetAsFloat(70000.0); },
       "70000 is not a valid value for field 'WORD'. The allowed range is 0 to 65535"},
      {u"INT", [](TField* f) { f->SetAsLargeInt(3000000000); },
       "3000000000 is not a valid value for field 'INT'. The allowed range is -2147483648 to 2147483647"},
      {u"INT", [](TField* f) { f->SetAsFloat(1e300); },
       "1E300 is not a valid value for field 'INT'. The allowed range is -2147483648 to 2147483647"},
      {u"INT", [](TField* f) { f->SetAsFloat(std::nan("")); }, "Invalid value for field 'INT'"},
      {u"LWORD", [](TField* f) { f->SetAsInteger(-1); },
       "-1 is not a valid value for field 'LWORD'. The allowed range is 0 to 4294967295"},
      {u"SINGLE", [](TField* f) { f->SetAsFloat(1e300); },
       "1E300 is not a valid value for field 'SINGLE'. The allowed range is -3,40282346638529E38 to "
       "3,40282346638529E38"},
      // Values that do not fit the type asked for are refused, never wrapped.
      {u"LWORD", [](TField* f) { f->SetAsLargeInt(4000000000); f->AsInteger(); },
       "Value of field 'LWORD' is out of range"},
      {u"LARGE", [](TField* f) { f->SetAsLargeInt(1LL << 40); f->AsInteger(); },
       "Value of field 'LARGE' is out of range"},
      {u"FLOAT", [](TField* f) { f->SetAsFloat(1e10); f->AsInteger(); }, "Value of field 'FLOAT' is out of range"},
      {u"FMT", [](TField* f) { f->SetAsString(u"123456"); }, "BCD overflow"},
      // Types a field cannot give or take.
      {u"BOOL", [](TField* f) { f->AsDateTime(); }, "Cannot access field 'BOOL' as type DateTime"},
      {u"INT", [](TField* f) { f->AsBoolean(); }, "Cannot access field 'INT' as type Boolean"},
      {u"DT", [](TField* f) { f->SetAsInteger(1); }, "Cannot access field 'DT' as type Integer"},
      {u"BLOB", [](TField* f) { f->AsFloat(); }, "Cannot access field 'BLOB' as type Float"},
      {u"STR", [](TField* f) { f->AsSQLTimeStamp(); }, "Cannot access field 'STR' as type SQLTimeStamp"},
      {u"FLOAT", [](TField* f) { f->SetAsBytes({1}); }, "Cannot access field 'FLOAT' as type Bytes"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.message);
    try {
      c.action(F(c.field));
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(StringToUtf8(e.Message()), c.message);
    }
  }
}

TEST_F(FieldValuesTest, RuntimeConversionErrorsPassThrough) {
  EXPECT_THROW(F(u"DT")->SetAsString(u"32.1.2024"), EConvertError);
  EXPECT_THROW(F(u"TS")->SetAsSQLTimeStamp(TSQLTimeStamp{2024, 13, 1, 0, 0, 0, 0}), EConvertError);
  EXPECT_TRUE(F(u"TS")->IsNull());
  F(u"STR")->SetAsString(u"abc");
  EXPECT_THROW(F(u"STR")->AsInteger(), EConvertError);
  EXPECT_THROW(F(u"INT")->SetAsVariant(Variant(5000000000LL)), EDatabaseError);
}

TEST_F(FieldValuesTest, RangesSetOnTheField) {
  auto* integer = static_cast<TIntegerField*>(F(u"INT"));
  integer->SetMinValue(-9999);
  integer->SetMaxValue(9999);
  integer->SetAsInteger(9999);
  try {
    integer->SetAsString(u"10000");
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"10000 is not a valid value for field 'INT'. The allowed range is -9999 to 9999");
  }
  EXPECT_EQ(integer->AsInteger(), 9999);

  auto* large = static_cast<TLargeintField*>(F(u"LARGE"));
  large->SetMinValue(-999999999999);
  large->SetMaxValue(999999999999);
  EXPECT_THROW(large->SetAsLargeInt(1000000000000), EDatabaseError);

  auto* real = static_cast<TFloatField*>(F(u"FLOAT"));
  real->SetMinValue(-999999.99);
  real->SetMaxValue(999999.99);
  try {
    real->SetAsFloat(1e6);
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"1000000 is not a valid value for field 'FLOAT'. The allowed range is -999999,99 to 999999,99");
  }
}

TEST_F(FieldValuesTest, FieldSizes) {
  ds.Cancel();
  ds.Close();
  TStringField text(nullptr);
  EXPECT_EQ(text.Size(), 20);
  text.SetSize(0);
  EXPECT_THROW(text.SetSize(-1), EDatabaseError);
  TGuidField guid(nullptr);
  EXPECT_THROW(guid.SetSize(10), EDatabaseError);
  TBCDField bcd(nullptr);
  EXPECT_THROW(bcd.SetSize(5), EDatabaseError);
  TIntegerField integer(nullptr);
  EXPECT_THROW(integer.SetSize(4), EDatabaseError);
  TVarBytesField bytes(nullptr);
  EXPECT_THROW(bytes.SetSize(70000), EDatabaseError);
  // The records of an open dataset were laid out for the sizes it has.
  ds.Open();
  try {
    F(u"STR")->SetSize(50);
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), u"Cannot perform this operation on an open dataset");
  }
}

// ---------------------------------------------------------------------------
// Blobs through streams and files

TEST_F(FieldValuesTest, BlobStreamsAndFiles) {
  auto* blob = static_cast<TBlobField*>(F(u"BLOB"));
  std::vector<Byte> data(100000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<Byte>(i * 7);
  TMemoryStream in;
  in.WriteBuffer(data.data(), static_cast<Int64>(data.size()));
  in.SetPosition(500);  // the whole stream is loaded, wherever it stands
  blob->LoadFromStream(in);
  EXPECT_TRUE(blob->Modified());
  EXPECT_EQ(blob->BlobSize(), 100000);
  Store();

  TMemoryStream out;
  blob->SaveToStream(out);
  EXPECT_EQ(out.Bytes(), data);

  String file = u"blob_field_test.tmp";
  blob->SaveToFile(file);
  ds.Edit();
  blob->Clear();
  EXPECT_TRUE(blob->IsNull());
  ds.Post();
  EXPECT_TRUE(blob->IsNull());
  ds.Edit();
  blob->LoadFromFile(file);
  ds.Post();
  DeleteFile(file);
  EXPECT_EQ(blob->AsBytes(), data);

  // A cancelled edit keeps the stored value.
  ds.Edit();
  blob->SetAsString(u"other");
  ds.Cancel();
  EXPECT_EQ(blob->AsBytes(), data);

  // Writing needs an edit.
  EXPECT_DB_ERROR(blob->SetAsString(u"x"), "Dataset not in edit or insert mode");
  EXPECT_THROW(blob->LoadFromFile(u"no/such/file"), EFOpenError);
}

TEST(BlobFields, DatasetsWithoutBlobStreamsRefuseWrites) {
  // The base dataset hands out no blob streams: a write must not pass as done.
  class NoBlobs : public TTestDataSet {
   public:
    std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override {
      return TDataSet::CreateBlobStream(field, mode);
    }
  } ds;
  ds.FieldDefs().Add(u"BLOB", ftBlob);
  ds.Open();
  ds.Append();
  TField* blob = ds.FieldByName(u"BLOB");
  EXPECT_DB_ERROR(blob->SetAsString(u"data"), "Field 'BLOB' cannot be modified");
  EXPECT_EQ(blob->AsString(), u"");
}

TEST(Fields, WithoutADatasetHaveNoValue) {
  TIntegerField field(nullptr);
  field.SetFieldName(u"N");
  EXPECT_DB_ERROR(field.AsInteger(), "Field 'N' has no dataset");
  EXPECT_DB_ERROR(field.SetAsInteger(1), "Field 'N' has no dataset");
}

}  // namespace
