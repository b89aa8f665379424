#include <gtest/gtest.h>

#include "controls/core/ksDisplayFormats.h"
#include "platform/rtl/ByteReader.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/Strings.h"
#include "platform/db/Fields.h"
#include "tests/db/TestDataSet.h"

namespace {

std::string Bytes(TMemoryStream& stream) {
  std::string bytes(static_cast<size_t>(stream.Size()), '\0');
  stream.SetPosition(0);
  stream.ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  return bytes;
}

void Load(TksDisplayFormats& formats, const std::string& bytes) {
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  stream.SetPosition(0);
  formats.LoadFromStream(stream);
}

}  // namespace

TEST(DisplayFormats, DefaultsAndTheFormatOfEachType) {
  TRestoreValue keep(FormatSettings);
  FormatSettings.ShortDateFormat = u"d.M.yyyy";
  FormatSettings.ShortTimeFormat = u"H:mm";
  TksDisplayFormats formats;
  struct Case { TFieldType type; const char16_t* expected; };
  const Case cases[] = {
      {ftSmallint, u"#,##0"}, {ftInteger, u"#,##0"},     {ftWord, u"#,##0"},      {ftLargeint, u"#,##0"},
      {ftShortint, u"#,##0"}, {ftFloat, u"#,##0.00"},    {ftCurrency, u"#,##0.00"}, {ftDate, u"d.M.yyyy"},
      {ftTime, u"H:mm"},      {ftDateTime, u"d.M.yyyy H:mm"}, {ftBoolean, u"@"},    {ftString, u"@"},
      {ftBCD, u"@"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.type));
    EXPECT_EQ(formats.FormatForFieldType(c.type, u"@"), c.expected);
  }
  // The date default follows the settings at the time of the call.
  FormatSettings.ShortDateFormat = u"yyyy-mm-dd";
  EXPECT_EQ(formats.GetDateFormat(), u"yyyy-mm-dd");
  formats.SetIntegerFormat(u"0");
  EXPECT_EQ(formats.FormatForFieldType(ftInteger, {}), u"0");
}

TEST(DisplayFormats, FormatForExcel) {
  struct Case { const char16_t* format; TFieldType type; const char16_t* expected; };
  const Case cases[] = {
      {u"#,##0.00", ftFloat, u"#.##0,00"},  {u"#,##0.00", ftCurrency, u"#.##0,00"},
      {u"0.00", ftFloat, u"0,00"},          {u"#,##0", ftInteger, u""},
      {u"0", ftSmallint, u""},              {u"0.0,0", ftLargeint, u""},
      {u"#,##0.00", ftShortint, u"#.##0,00"}, {u"d.M.yyyy", ftDate, u"d.M.yyyy"},
      {u"#,##0", ftBCD, u"#,##0"},          {u"@", ftString, u"@"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.format));
    EXPECT_EQ(TksDisplayFormats::FormatForExcel(c.format, c.type), c.expected);
  }
}

TEST(DisplayFormats, SavedInTheAnsiCodePageWithCrLfAndReadWithEveryByteOrderMark) {
  TksDisplayFormats formats;
  formats.SetFloatFormat(u"#,##0.000 \u20AC");
  formats.SetDateFormat(u"d.M.yyyy '\u010Das'");
  TMemoryStream stream;
  formats.SaveToStream(stream);
  // cp1250: the euro sign is 0x80, c with caron 0xE8; empty formats write nothing.
  const std::string expected = "FFloatFormat=#,##0.000 \x80\r\nFDateFormat=d.M.yyyy '\xE8" "as'\r\n";
  EXPECT_EQ(Bytes(stream), expected);

  const String text = u"FFloatFormat=#,##0.000 \u20AC\r\nFDateFormat=d.M.yyyy '\u010Das'\r\n";
  auto utf16 = [&](bool bigEndian) {
    std::string bytes;
    for (char16_t c : text) {
      char hi = char(c >> 8), lo = char(c & 0xFF);
      bytes += bigEndian ? hi : lo;
      bytes += bigEndian ? lo : hi;
    }
    return bytes;
  };
  struct Case { const char* name; std::string bytes; };
  const Case cases[] = {
      {"ansi", expected},
      {"utf8", "\xEF\xBB\xBF" + StringToUtf8(text)},
      {"utf16le", "\xFF\xFE" + utf16(false)},
      {"utf16be", "\xFE\xFF" + utf16(true)},
      {"lf only", "FFloatFormat=#,##0.000 \x80\nFDateFormat=d.M.yyyy '\xE8" "as'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TksDisplayFormats loaded;
    loaded.SetIntegerFormat(u"0");  // absent from the file: becomes empty
    Load(loaded, c.bytes);
    EXPECT_EQ(loaded.GetFloatFormat(), u"#,##0.000 \u20AC");
    EXPECT_EQ(loaded.GetDateFormat(), u"d.M.yyyy '\u010Das'");
    EXPECT_EQ(loaded.GetIntegerFormat(), u"#,##0");
    EXPECT_EQ(loaded.GetCurrencyFormat(), u"#,##0.00");
  }

  // Defaults save as an empty stream and load back as defaults.
  TksDisplayFormats copy;
  copy.CopyFrom(formats);
  EXPECT_EQ(copy.GetDateFormat(), u"d.M.yyyy '\u010Das'");
  copy.RestoreDefaults();
  TMemoryStream empty;
  copy.SaveToStream(empty);
  EXPECT_EQ(empty.Size(), 0);
  formats.CopyFrom(copy);
  EXPECT_EQ(formats.GetFloatFormat(), u"#,##0.00");
}

TEST(DisplayFormats, SharedObjectLivesWhileHeld) {
  IksDisplayFormats first = DisplayFormats();
  first->SetFloatFormat(u"0.0");
  IksDisplayFormats second = DisplayFormats();
  EXPECT_EQ(first, second);
  EXPECT_EQ(second->GetFloatFormat(), u"0.0");
  first.reset();
  second.reset();
  EXPECT_EQ(DisplayFormats()->GetFloatFormat(), u"#,##0.00");
}

TEST(DisplayFormats, FormatDatasetFieldsSetsNumberAndDateFormats) {
  TRestoreValue keep(FormatSettings);
  FormatSettings.ShortDateFormat = u"d.M.yyyy";
  FormatSettings.ShortTimeFormat = u"H:mm";
  TksDisplayFormats formats;
  formats.SetCurrencyFormat(u"#,##0.00 €");
  struct Case {
    const char16_t* Name;
    TFieldType Type;
    const char16_t* WithoutIntegers;  // nullptr: left alone
    const char16_t* WithIntegers;
  };
  const Case cases[] = {
      {u"I", ftInteger, nullptr, u"#,##0"},
      {u"S", ftSmallint, nullptr, u"#,##0"},
      {u"L", ftLargeint, u"#,##0", u"#,##0"},
      {u"F", ftFloat, u"#,##0.00", u"#,##0.00"},
      {u"C", ftCurrency, u"#,##0.00 €", u"#,##0.00 €"},
      {u"B", ftBCD, u"", u""},
      {u"D", ftDate, u"d.M.yyyy", u"d.M.yyyy"},
      {u"T", ftTime, u"H:mm", u"H:mm"},
      {u"DT", ftDateTime, u"d.M.yyyy H:mm", u"d.M.yyyy H:mm"},
  };
  for (bool withIntegers : {false, true}) {
    TTestDataSet ds;
    for (const Case& c : cases) ds.FieldDefs().Add(c.Name, c.Type);
    ds.FieldDefs().Add(u"Text", ftString, 10);
    ds.Open();
    // A format that was there shows whether a field was left alone.
    for (const Case& c : cases) {
      TField* field = ds.FieldByName(c.Name);
      if (auto* n = dynamic_cast<TNumericField*>(field)) {
        n->SetDisplayFormat(u"old");
        n->SetEditFormat(u"old");
      } else {
        static_cast<TDateTimeField*>(field)->SetDisplayFormat(u"old");
      }
    }
    formats.FormatDatasetFields(ds, withIntegers);
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << StringToUtf8(c.Name) << (withIntegers ? " with integers" : ""));
      const char16_t* expected = withIntegers ? c.WithIntegers : c.WithoutIntegers;
      const String want = expected != nullptr ? String(expected) : String(u"old");
      TField* field = ds.FieldByName(c.Name);
      if (auto* n = dynamic_cast<TNumericField*>(field)) {
        EXPECT_EQ(n->DisplayFormat(), want);
        EXPECT_EQ(n->EditFormat(), want);
      } else {
        EXPECT_EQ(static_cast<TDateTimeField*>(field)->DisplayFormat(), want);
      }
    }
  }
}
