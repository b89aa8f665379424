// VTD files: the bytes written, the versions read, values of every type and
// variant subtype, format detection, and files that are cut or damaged.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "platform/rtl/Bcd.h"
#include "platform/rtl/SqlTimeStamp.h"
#include "table/VirtualTable.h"
#include "table/TableFiles.h"
#include "table/VtdCodec.h"
#include "tests/support/exception_message.h"
#include "tests/table/mem_dataset_fixture.h"
#include "tests/table/vtd_bytes.h"
#include "tests/support/temp_folder.h"

namespace {

std::vector<Byte> Saved(TVirtualTable& table, bool storeFields = false) {
  TMemoryStream stream;
  table.SaveToStream(stream, storeFields, true);
  return stream.Bytes();
}

void Load(TVirtualTable& table, const std::vector<Byte>& bytes, bool loadFields = true) {
  TMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  table.LoadFromStream(stream, loadFields, true);
}

std::string Hex(const std::vector<Byte>& bytes) {
  std::string s;
  char buf[4];
  for (Byte b : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", b);
    s += buf;
  }
  if (!s.empty()) s.pop_back();
  return s;
}

std::string Utf8(const String& s) { return StringToUtf8(s); }

// A table with one row; fill sets its values.
void OneRow(TVirtualTable& table, const std::function<void()>& fill) {
  table.Open();
  table.Append();
  fill();
  table.Post();
}

}  // namespace

TEST(VtdFormat, WritesTheDocumentedBytes) {
  TVirtualTable empty;
  EXPECT_EQ(Hex(Saved(empty)), "03 00 00 00 00 00 00 00 00 00");

  TVirtualTable table;
  table.AddField(u"ID", ftInteger);
  OneRow(table, [&] { table.FieldByName(u"ID")->SetAsInteger(7); });
  EXPECT_EQ(Hex(Saved(table)),
            "03 00 01 00 02 00 49 44 03 00 00 00 00 00 00 00 00 00 01 00 00 00 04 00 00 00 07 00 00 00");
}

TEST(VtdFormat, StringValuesKeepEmptyApartFromNull) {
  TVirtualTable table;
  table.AddField(u"S", ftString, 10);
  table.Open();
  for (const char16_t* value : {u"ab", u""}) {
    table.Append();
    table.FieldByName(u"S")->SetAsString(value);
    table.Post();
  }
  table.Append();
  table.Post();
  // header (11 bytes of definitions after the version), no stored fields, 3 rows
  EXPECT_EQ(Hex(Saved(table)),
            "03 00 01 00 01 00 53 01 00 0A 00 00 00 00 00 00 00 03 00 00 00 "
            "02 00 00 00 61 62 01 00 00 00 00 00 00 00 00");

  TVirtualTable back;
  Load(back, Saved(table));
  back.Open();
  EXPECT_EQ(Utf8(back.FieldByName(u"S")->AsString()), "ab");
  back.Next();
  EXPECT_FALSE(back.FieldByName(u"S")->IsNull());
  EXPECT_EQ(Utf8(back.FieldByName(u"S")->AsString()), "");
  back.Next();
  EXPECT_TRUE(back.FieldByName(u"S")->IsNull());
}

// The same two rows in each version the reader knows.
TEST(VtdFormat, ReadsVersionsZeroToThree) {
  for (int version = 0; version <= 3; ++version) {
    SCOPED_TRACE(version);
    VtdBytes file(version);
    file.U16(2).Def("Name", ftString, 8, 0).Def("N", ftInteger, 0, 0).NoStoredFields().I32(2);
    file.Value("abc").Value(LE<int>(-5));
    file.Null().Value(LE<int>(1000000));
    TVirtualTable table;
    TMemoryStream stream;
    file.Into(stream);
    table.LoadFromStream(stream);
    table.Open();
    ASSERT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(Utf8(table.FieldByName(u"Name")->AsString()), "abc");
    EXPECT_EQ(table.FieldByName(u"N")->AsInteger(), -5);
    table.Next();
    EXPECT_TRUE(table.FieldByName(u"Name")->IsNull());
    EXPECT_EQ(table.FieldByName(u"N")->AsInteger(), 1000000);
    EXPECT_EQ(table.FieldDefs()[0]->Size(), 8);
  }
}

TEST(VtdFormat, EverySupportedTypeRoundTripsByteForByte) {
  struct Column {
    const char16_t* Name;
    TFieldType Type;
    Integer Size;
    std::function<void(TField*)> Set;
    const char* Expected;  // AsString after loading
  };
  TBcd bcd{};
  ASSERT_TRUE(TryStrToBcd(u"-123.45", bcd));
  TSQLTimeStamp stamp{2024, 2, 29, 13, 14, 15, 678};
  std::vector<Column> columns = {
      {u"String", ftString, 12, [](TField* f) { f->SetAsString(u"čšž text"); }, "čšž text"},
      {u"Wide", ftWideString, 20, [](TField* f) { f->SetAsString(u"Ωmega ☃"); }, "Ωmega ☃"},
      {u"Small", ftSmallint, 0, [](TField* f) { f->SetAsInteger(-32768); }, "-32768"},
      {u"Int", ftInteger, 0, [](TField* f) { f->SetAsInteger(-2147483647); }, "-2147483647"},
      {u"Word", ftWord, 0, [](TField* f) { f->SetAsInteger(65535); }, "65535"},
      {u"Bool", ftBoolean, 0, [](TField* f) { f->SetAsBoolean(true); }, "True"},
      {u"Float", ftFloat, 0, [](TField* f) { f->SetAsFloat(0.1); }, "0,1"},
      {u"Money", ftCurrency, 0, [](TField* f) { f->SetAsFloat(12.5); }, "12,5"},
      {u"Bcd", ftBCD, 2, [](TField* f) { f->SetAsCurrency(Currency::FromScaled(-12345678)); }, "-1234,5678"},
      {u"Date", ftDate, 0, [](TField* f) { f->SetAsDateTime(45351.0); }, "29.2.2024"},
      {u"Time", ftTime, 0, [](TField* f) { f->SetAsDateTime(0.5); }, "12:00:00"},
      {u"DateTime", ftDateTime, 0, [](TField* f) { f->SetAsDateTime(45351.25); }, "29.2.2024 6:00:00"},
      {u"Bytes", ftBytes, 3, [](TField* f) { f->SetAsBytes({1, 0, 255}); }, nullptr},
      {u"VarBytes", ftVarBytes, 5, [](TField* f) { f->SetAsBytes({9, 8}); }, nullptr},
      {u"Auto", ftAutoInc, 0, [](TField* f) { f->SetAsInteger(42); }, "42"},
      {u"Blob", ftBlob, 0, [](TField* f) { f->SetAsAnsiString(std::string("a\0b", 3)); }, nullptr},
      {u"Memo", ftMemo, 0, [](TField* f) { f->SetAsString(u"line 1\r\nline 2"); }, "line 1\r\nline 2"},
      {u"Large", ftLargeint, 0, [](TField* f) { f->SetAsLargeInt(-9000000000000000000LL); }, "-9000000000000000000"},
      {u"Var", ftVariant, 0, [](TField* f) { f->SetAsVariant(Variant(3.25)); }, "3,25"},
      {u"Guid", ftGuid, 38, [](TField* f) { f->SetAsString(u"{01234567-89AB-CDEF-0123-456789ABCDEF}"); },
       "{01234567-89AB-CDEF-0123-456789ABCDEF}"},
      {u"Stamp", ftTimeStamp, 0, [&](TField* f) { f->SetAsSQLTimeStamp(stamp); }, nullptr},
      {u"FmtBcd", ftFMTBcd, 2, [&](TField* f) { f->SetAsBCD(bcd); }, "-123,45"},
      {u"WideMemo", ftWideMemo, 0, [](TField* f) { f->SetAsString(u"ünï ☃"); }, "ünï ☃"},
      {u"LongWord", ftLongWord, 0, [](TField* f) { f->SetAsLargeInt(4000000000LL); }, "4000000000"},
      {u"Short", ftShortint, 0, [](TField* f) { f->SetAsInteger(-100); }, "-100"},
      {u"Byte", ftByte, 0, [](TField* f) { f->SetAsInteger(200); }, "200"},
      {u"Ext", ftExtended, 0, [](TField* f) { f->SetAsFloat(1.0 / 3); }, nullptr},
      {u"Single", ftSingle, 0, [](TField* f) { f->SetAsFloat(0.5); }, "0,5"},
  };
  FixedFormats formats;
  TVirtualTable table;
  for (const Column& c : columns) table.AddField(c.Name, c.Type, c.Size);
  OneRow(table, [&] {
    for (const Column& c : columns) c.Set(table.FieldByName(c.Name));
  });
  table.Append();  // a row of nulls
  table.Post();
  std::vector<Byte> first = Saved(table);

  TVirtualTable back;
  Load(back, first);
  back.Open();
  for (const Column& c : columns) {
    SCOPED_TRACE(Utf8(c.Name));
    TField* to = back.FieldByName(c.Name);
    EXPECT_EQ(to->DataType(), c.Type);
    if (c.Expected != nullptr) {
      EXPECT_EQ(Utf8(to->AsString()), c.Expected);
    }
    back.Next();
    EXPECT_TRUE(to->IsNull());
    back.First();
  }
  EXPECT_EQ(back.FieldByName(u"Ext")->AsFloat(), 1.0 / 3);
  EXPECT_EQ(back.FieldByName(u"Bytes")->AsBytes(), (std::vector<Byte>{1, 0, 255}));
  EXPECT_EQ(back.FieldByName(u"VarBytes")->AsBytes(), (std::vector<Byte>{9, 8}));
  EXPECT_EQ(back.FieldByName(u"Blob")->AsAnsiString(), std::string("a\0b", 3));
  TSQLTimeStamp readStamp = back.FieldByName(u"Stamp")->AsSQLTimeStamp();
  EXPECT_EQ(std::memcmp(&readStamp, &stamp, sizeof stamp), 0);
  // A loaded version-3 file saves to the same bytes.
  EXPECT_EQ(Hex(Saved(back)), Hex(first));
}

TEST(VtdFormat, VariantSubtypesRoundTrip) {
  struct Case {
    Variant Value;
    Word Code;        // written after the value
    Word ReadAs;      // variant type read back
    const char* Text;
  };
  std::vector<Case> cases = {
      {Variant(static_cast<short>(-7)), varSmallint, varInteger, "-7"},
      {Variant(123456), varInteger, varInteger, "123456"},
      {Variant(2.5), varDouble, varDouble, "2,5"},
      {Variant(Currency::FromScaled(15000)), varCurrency, varCurrency, "1,5"},
      {Variant::FromOleStr(u"ole ☃"), varOleStr, varUString, "ole ☃"},
      {Variant(true), varBoolean, varBoolean, "True"},
      {Variant(static_cast<signed char>(-5)), varShortInt, varInteger, "-5"},
      {Variant(static_cast<unsigned char>(250)), varByte, varInteger, "250"},
      {Variant(static_cast<unsigned short>(40000)), varWord, varInteger, "40000"},
      {Variant(4000000000u), varLongWord, varInt64, "4000000000"},
      {Variant(static_cast<long long>(-1) << 40), varInt64, varInt64, "-1099511627776"},
      {Variant(AnsiString("ansi")), varString, varString, "ansi"},
      {Variant(String(u"uni")), varUString, varUString, "uni"},
      {Variant(String()), varUString, varUString, ""},
  };
  FixedFormats formats;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    TVirtualTable table;
    table.AddField(u"V", ftVariant);
    OneRow(table, [&] { table.FieldByName(u"V")->SetAsVariant(c.Value); });
    std::vector<Byte> bytes = Saved(table);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[bytes.size() - 2] | bytes[bytes.size() - 1] << 8, c.Code);
    TVirtualTable back;
    Load(back, bytes);
    back.Open();
    Variant v = back.FieldByName(u"V")->AsVariant();
    EXPECT_EQ(v.VarType(), c.ReadAs);
    EXPECT_EQ(Utf8(v.AsString()), c.Text);
  }
}

// An unsigned 32-bit field has a 4-byte slot; files that gave it 8 bytes
// read by the low four.
TEST(VtdFormat, LongWordValuesReadFromFourOrEightBytes) {
  VtdBytes file(3);
  file.U16(1).Def("L", ftLongWord, 0).NoStoredFields().I32(2);
  file.Value(LE<unsigned>(4000000000u)).Value(LE<unsigned long long>(4000000001ull));
  TVirtualTable table;
  Load(table, file.Bytes());
  table.Open();
  EXPECT_EQ(table.FieldByName(u"L")->AsLargeInt(), 4000000000LL);
  table.Next();
  EXPECT_EQ(table.FieldByName(u"L")->AsLargeInt(), 4000000001LL);
  EXPECT_EQ(Hex(Saved(table)).substr(51), "02 00 00 00 04 00 00 00 00 28 6B EE 04 00 00 00 01 28 6B EE");
}

TEST(VtdFormat, VariantsOutsideTheTableAreRefused) {
  TVirtualTable table;
  table.AddField(u"V", ftVariant);
  OneRow(table, [&] { table.FieldByName(u"V")->SetAsVariant(Variant::FromDateTime(45000.0)); });
  EXPECT_EQ(ExceptionMessage([&] { Saved(table); }), "Variant subtype is not supported: 7");

  VtdBytes file(3);
  file.U16(1).Def("V", ftVariant, 0).NoStoredFields().I32(1).Value(LE<double>(1.0)).U16(varDate);
  TVirtualTable back;
  EXPECT_EQ(ExceptionMessage([&] { Load(back, file.Bytes()); }), "Variant subtype is not supported: 7");
}

TEST(VtdFormat, DetectsTheFormatFromTheFirstBytes) {
  struct Case {
    std::string Bytes;
    int Expected;  // TCRFileFormat, or -1 for "Stream read error"
  };
  std::vector<Case> cases = {
      {"\xEF\xBB\xBF<?xml version", ffXML},
      {"<XML a", ffXML},
      {"<?XmL>", ffXML},
      {"<xyz  ", ffVTD},
      {"<?xm  ", ffVTD},
      {std::string("\x03\x00\x00\x00\x00", 5), ffVTD},
      {std::string("\x03\x00\x00\x00", 4), -1},
      {"\xEF\xBB\xBF<xml", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Bytes);
    const auto* p = reinterpret_cast<const Byte*>(c.Bytes.data());
    if (c.Expected < 0) {
      EXPECT_EQ(ExceptionMessage([&] { DetectFileFormat(p, c.Bytes.size()); }), "Stream read error");
    } else {
      EXPECT_EQ(DetectFileFormat(p, c.Bytes.size()), c.Expected);
    }
  }
}

TEST(VtdFormat, LoadingWithoutFieldsMatchesColumnsByName) {
  VtdBytes file(3);
  file.U16(3).Def("A", ftInteger, 0).Def("Gone", ftString, 5).Def("B", ftInteger, 0).NoStoredFields().I32(1);
  file.Value(LE<int>(1)).Value("xyz").Value(LE<int>(2));
  TVirtualTable table;
  table.AddField(u"B", ftString, 10);  // another type: the value is converted
  table.AddField(u"A", ftInteger);
  table.AddField(u"New", ftInteger);
  Load(table, file.Bytes(), false);
  table.Open();
  EXPECT_EQ(table.FieldDefs().Count(), 3);
  EXPECT_EQ(table.FieldByName(u"A")->AsInteger(), 1);
  EXPECT_EQ(Utf8(table.FieldByName(u"B")->AsString()), "2");
  EXPECT_TRUE(table.FieldByName(u"New")->IsNull());
  EXPECT_EQ(table.FindField(u"Gone"), nullptr);
}

TEST(VtdFormat, MalformedFilesFailAndLeaveNoTableBehind) {
  auto header = [](int version = 3) {
    VtdBytes file(version);
    file.U16(1).Def("N", ftInteger, 0).NoStoredFields();
    return file;
  };
  struct Case {
    const char* What;
    VtdBytes File;
    const char* Message;
  };
  std::vector<Case> cases = {
      {"four bytes", VtdBytes(3).U16(0), "Stream read error"},
      {"rows without definitions", VtdBytes(3).U16(0).U16(0).I32(1).I32(0),
       "Invalid VTD file: record count 1 does not fit the file"},
      {"negative record count", header().I32(-1), "Invalid VTD file: record count -1 does not fit the file"},
      {"more rows than bytes", header().I32(1000), "Invalid VTD file: record count 1000 does not fit the file"},
      {"short value", header().I32(1).Value("ab"),
       "Invalid VTD file: a value of field 'N' has a wrong size (2 bytes)"},
      {"value past the end", header().I32(1).Len(4).Text("ab"), "Stream read error"},
      {"unknown type", VtdBytes(3).U16(1).Def("N", 77, 0).U16(0).I32(0), "Invalid VTD file: unknown field type 77"},
      {"name past the end", VtdBytes(3).U16(1).U16(100).Text("N"), "Stream read error"},
      {"empty name", VtdBytes(3).U16(1).Def("", ftInteger, 0).U16(0).I32(0), "Field name missing"},
      {"string longer than its field",
       VtdBytes(3).U16(1).Def("S", ftString, 2).U16(0).I32(1).Value("abc"),
       "Invalid VTD file: a value of field 'S' has a wrong size (3 bytes)"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.What);
    TVirtualTable table;
    table.AddField(u"Old", ftInteger);
    OneRow(table, [&] { table.FieldByName(u"Old")->SetAsInteger(1); });
    EXPECT_EQ(ExceptionMessage([&] { Load(table, c.File.Bytes()); }), c.Message);
    EXPECT_FALSE(table.Active());
    EXPECT_EQ(table.FieldDefs().Count(), 0);
    table.Open();
    EXPECT_EQ(table.RecordCount(), 0);
  }
}

// Every cut of a valid file and every flipped bit of a small one loads or
// fails cleanly, a failure leaving an empty closed table (the sanitizer
// build watches for the rest).
TEST(VtdFormat, CutAndDamagedFilesNeverCrash) {
  TVirtualTable source;
  source.AddField(u"S", ftString, 4);
  source.AddField(u"W", ftWideString, 3);
  source.AddField(u"V", ftVariant);
  source.AddField(u"M", ftMemo);
  source.AddField(u"D", ftDate);
  source.AddField(u"B", ftVarBytes, 3);
  OneRow(source, [&] {
    source.FieldByName(u"S")->SetAsString(u"ab");
    source.FieldByName(u"W")->SetAsString(u"xy");
    source.FieldByName(u"V")->SetAsVariant(Variant(String(u"q")));
    source.FieldByName(u"M")->SetAsString(u"memo");
    source.FieldByName(u"D")->SetAsDateTime(1000.0);
    source.FieldByName(u"B")->SetAsBytes({1, 2});
  });
  std::vector<Byte> valid = Saved(source);
  // A failed load leaves no table open and nothing that a save could write
  // over the file.
  auto expectNoTable = [](TVirtualTable& table) {
    EXPECT_FALSE(table.Active());
    EXPECT_EQ(table.FieldDefs().Count(), 0);
    EXPECT_EQ(table.FieldCount(), 0);
    EXPECT_EQ(Hex(Saved(table)), "03 00 00 00 00 00 00 00 00 00");
  };
  int loaded = 0;
  for (size_t n = 0; n < valid.size(); ++n) {
    SCOPED_TRACE("cut at " + std::to_string(n));
    TVirtualTable table;
    std::vector<Byte> cut(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(n));
    if (ExceptionMessage([&] { Load(table, cut); }) == "no error") ++loaded;
    else expectNoTable(table);
  }
  EXPECT_EQ(loaded, 0);  // every record holds a value, so no cut is whole
  for (size_t i = 0; i < valid.size(); ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      std::vector<Byte> damaged = valid;
      damaged[i] ^= static_cast<Byte>(1 << bit);
      TVirtualTable table;
      if (ExceptionMessage([&] { Load(table, damaged); }) == "no error") {
        SUCCEED() << ExceptionMessage([&] {
          TMemoryStream again;
          table.SaveToStream(again);
        });
        continue;
      }
      SCOPED_TRACE("byte " + std::to_string(i) + ", bit " + std::to_string(bit));
      expectNoTable(table);
    }
  }
}

TEST(VtdFormat, FilesAreReplacedOnlyBySuccessfulSaves) {
  TempFolder folder;
  const std::string path = folder.PathOf("table.vtd");
  const String name = folder.File("table.vtd");
  TVirtualTable table;
  table.AddField(u"V", ftVariant);
  OneRow(table, [&] { table.FieldByName(u"V")->SetAsVariant(Variant(5)); });
  table.SaveToFile(name);
  auto good = std::filesystem::file_size(path);

  table.Edit();
  table.FieldByName(u"V")->SetAsVariant(Variant::FromDateTime(1.0));
  table.Post();
  EXPECT_EQ(ExceptionMessage([&] { table.SaveToFile(name); }), "Variant subtype is not supported: 7");
  EXPECT_EQ(std::filesystem::file_size(path), good);

  TVirtualTable back;
  back.LoadFromFile(name);
  back.Open();
  EXPECT_EQ(back.FieldByName(u"V")->AsInteger(), 5);
  EXPECT_EQ(folder.EntryCount(), 1);  // no temporary file left behind
}

TEST(VtdFormat, StoredFieldsComeBackAsPersistentFields) {
  TVirtualTable table;
  table.AddField(u"W", ftWideString, 20);
  OneRow(table, [&] { table.FieldByName(u"W")->SetAsString(u"x"); });
  TMemoryStream stream;
  table.Close();
  // Persistent fields: made before opening.
  table.FieldDefs()[0]->CreateField(&table);
  table.Open();
  table.SaveToStream(stream, true, true);

  TVirtualTable back;
  stream.SetPosition(0);
  back.LoadFromStream(stream, true, true);
  back.Open();
  ASSERT_EQ(back.FieldCount(), 1);
  EXPECT_FALSE(back.DefaultFields());
  EXPECT_EQ(back.FieldByName(u"W")->Size(), 20);
  EXPECT_EQ(Utf8(back.FieldByName(u"W")->AsString()), "x");
}

TEST(VtdFormat, LoadedRowsFollowTheTablesSortFilterAndEdits) {
  TVirtualTable source;
  source.AddField(u"ID", ftInteger);
  source.AddField(u"Note", ftMemo);
  source.Open();
  for (int id : {3, 1, 2, 4}) {
    source.Append();
    source.FieldByName(u"ID")->SetAsInteger(id);
    source.FieldByName(u"Note")->SetAsString(u"note " + IntToStr(id));
    source.Post();
  }
  std::vector<Byte> bytes = Saved(source);

  TVirtualTable table;
  table.AddField(u"ID", ftInteger);
  table.AddField(u"Note", ftMemo);
  table.SetIndexFieldNames(u"ID");
  table.SetOnFilterRecord([](TDataSet* ds, bool& accept) { accept = ds->FieldByName(u"ID")->AsInteger() != 2; });
  table.SetFiltered(true);
  table.Open();  // stays open, so the rows are sorted and filtered as they come in
  Load(table, bytes, false);
  ASSERT_TRUE(table.Active());
  EXPECT_EQ(table.RecordCount(), 3);
  std::vector<int> seen;
  for (table.First(); !table.Eof(); table.Next()) {
    seen.push_back(table.FieldByName(u"ID")->AsInteger());
    EXPECT_EQ(table.RecNo(), static_cast<Integer>(seen.size()));
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 3, 4}));

  // A loaded memo keeps its value through a cancelled edit.
  table.First();
  table.Edit();
  table.FieldByName(u"Note")->SetAsString(u"changed");
  table.Cancel();
  EXPECT_EQ(Utf8(table.FieldByName(u"Note")->AsString()), "note 1");

  table.SetFiltered(false);
  EXPECT_EQ(table.RecordCount(), 4);
  table.Last();
  EXPECT_EQ(table.RecNo(), 4);
  EXPECT_EQ(table.FieldByName(u"ID")->AsInteger(), 4);
}

TEST(VtdFormat, StoreAllDataSavesTheRowsAFilterHides) {
  TVirtualTable table;
  table.AddField(u"ID", ftInteger);
  table.Open();
  for (int id = 1; id <= 5; ++id) {
    table.Append();
    table.FieldByName(u"ID")->SetAsInteger(id);
    table.Post();
  }
  table.SetOnFilterRecord([](TDataSet* ds, bool& accept) { accept = ds->FieldByName(u"ID")->AsInteger() % 2 == 1; });
  table.SetFiltered(true);
  table.Last();  // ID 5, the third visible row

  struct Case {
    bool storeAllData;
    std::vector<int> ids;
  };
  for (const Case& c : {Case{true, {1, 2, 3, 4, 5}}, Case{false, {1, 3, 5}}}) {
    SCOPED_TRACE(c.storeAllData);
    TMemoryStream stream;
    table.SaveToStream(stream, false, c.storeAllData);
    EXPECT_TRUE(table.Filtered());
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(table.RecNo(), 3);
    EXPECT_EQ(table.FieldByName(u"ID")->AsInteger(), 5);

    TVirtualTable copy;
    Load(copy, stream.Bytes());
    copy.Open();
    EXPECT_EQ(copy.RecordCount(), static_cast<Integer>(c.ids.size()));
    std::vector<int> ids;
    for (copy.First(); !copy.Eof(); copy.Next()) ids.push_back(copy.FieldByName(u"ID")->AsInteger());
    EXPECT_EQ(ids, c.ids);
  }
}

TEST(VtdFormat, LargeValuesCrossTheReadAndWriteBuffers) {
  // Values longer than the reader's window and rows that straddle its
  // edges; the writer hands its buffer over several times.
  TVirtualTable table;
  table.AddField(u"ID", ftInteger);
  table.AddField(u"Data", ftBlob);
  table.Open();
  const size_t sizes[] = {700000, 1500000, 3, 900001, 0};
  for (size_t i = 0; i < std::size(sizes); ++i) {
    table.Append();
    table.FieldByName(u"ID")->SetAsInteger(static_cast<int>(i));
    std::vector<Byte> value(sizes[i]);
    for (size_t k = 0; k < value.size(); ++k) value[k] = static_cast<Byte>(k * 7 + i);
    if (!value.empty()) table.FieldByName(u"Data")->SetAsBytes(value);
    table.Post();
  }
  std::vector<Byte> bytes = Saved(table);
  TVirtualTable back;
  Load(back, bytes);
  back.Open();
  EXPECT_EQ(back.RecordCount(), 5);
  EXPECT_EQ(Saved(back), bytes);
  back.SetRecNo(2);
  std::vector<Byte> second = back.FieldByName(u"Data")->AsBytes();
  ASSERT_EQ(second.size(), sizes[1]);
  EXPECT_EQ(second[1499999], static_cast<Byte>(1499999 * 7 + 1));
}

// A stream that takes only so many bytes, then fails as a full disk does.
class TFullStream : public TMemoryStream {
 public:
  explicit TFullStream(Int64 room) : FRoom(room) {}
  Int64 Write(const void* buffer, Int64 count) override {
    if (Position() + count > FRoom) return 0;
    return TMemoryStream::Write(buffer, count);
  }

 private:
  Int64 FRoom;
};

TEST(VtdFormat, WriterPiecesLandInOrderAndTheirFailuresAreRaised) {
  // Pieces are written while the next is filled: the stream gets them in
  // order, a count patched into the first piece lands there, and a piece
  // that cannot be written fails the save instead of going missing.
  TMemoryStream stream;
  {
    TVtdWriter w(stream);
    w.I32(-1);
    for (Cardinal i = 0; i < 1000000; ++i) {
      w.U32(i);
      w.Flush();
    }
    w.Patch(0, 1000000);
    w.Flush(true);
  }
  const std::vector<Byte>& bytes = stream.Bytes();
  ASSERT_EQ(bytes.size(), 4000004u);
  auto at = [&](size_t i) {
    Cardinal v;
    std::memcpy(&v, bytes.data() + 4 * i, 4);
    return v;
  };
  EXPECT_EQ(at(0), 1000000u);
  for (size_t i : {size_t{1}, size_t{262144}, size_t{262145}, size_t{1000000}}) EXPECT_EQ(at(i), i - 1);

  TVirtualTable table;
  table.AddField(u"Data", ftBlob);
  table.Open();
  for (int i = 0; i < 4; ++i) {
    table.Append();
    table.FieldByName(u"Data")->SetAsBytes(std::vector<Byte>(1000000, static_cast<Byte>(i)));
    table.Post();
  }
  TFullStream full(2500000);
  EXPECT_THROW(table.SaveToStream(full, false, true), EWriteError);
}

TEST(VtdFormat, RecordWriterWritesWhatEachValueWrites) {
  // Records written whole read their slots in place; each value must come
  // out as the record set hands it out, with every trim setting.
  struct Column {
    const char16_t* Name;
    TFieldType Type;
    Integer Size;
  };
  const Column columns[] = {
      {u"S", ftString, 6},    {u"W", ftWideString, 5}, {u"I16", ftSmallint, 0}, {u"I32", ftInteger, 0},
      {u"U16", ftWord, 0},    {u"B", ftBoolean, 0},    {u"F", ftFloat, 0},      {u"C", ftCurrency, 0},
      {u"Bcd", ftBCD, 2},     {u"D", ftDate, 0},       {u"T", ftTime, 0},       {u"DT", ftDateTime, 0},
      {u"Y", ftBytes, 3},     {u"VY", ftVarBytes, 4},  {u"I64", ftLargeint, 0}, {u"G", ftGuid, 38},
      {u"TS", ftTimeStamp, 0}, {u"FB", ftFMTBcd, 2},   {u"I8", ftShortint, 0},  {u"U8", ftByte, 0},
      {u"X", ftExtended, 0},  {u"F32", ftSingle, 0},   {u"U32", ftLongWord, 0}, {u"M", ftMemo, 0},
  };
  TVirtualTable table;
  for (const Column& c : columns) table.AddField(c.Name, c.Type, c.Size);
  table.Open();
  // Full values, texts with trailing blanks, empty texts, and nulls.
  const char16_t* texts[] = {u"abcdef", u"a  ", u"", nullptr};
  for (int row = 0; row < 4; ++row) {
    table.Append();
    if (texts[row] != nullptr) {
      table.FieldByName(u"S")->SetAsString(texts[row]);
      table.FieldByName(u"W")->SetAsString(row == 0 ? u"Ωmega" : texts[row]);
    }
    if (row < 2) {
      for (const char16_t* name : {u"I16", u"I32", u"U16", u"I64", u"I8", u"U8", u"U32"}) {
        table.FieldByName(name)->SetAsInteger(row == 0 ? 100 : 7);
      }
      table.FieldByName(u"B")->SetAsBoolean(row == 0);
      for (const char16_t* name : {u"F", u"C", u"Bcd", u"FB", u"X", u"F32"}) table.FieldByName(name)->SetAsFloat(-2.5);
      table.FieldByName(u"D")->SetAsDateTime(45351.0);
      table.FieldByName(u"T")->SetAsDateTime(0.75);
      table.FieldByName(u"DT")->SetAsDateTime(45351.125);
      table.FieldByName(u"TS")->SetAsDateTime(45351.5);
      table.FieldByName(u"Y")->SetAsBytes({1, 0, 2});
      table.FieldByName(u"VY")->SetAsBytes({9});
      table.FieldByName(u"G")->SetAsString(u"{01234567-89AB-CDEF-0123-456789ABCDEF}");
      table.FieldByName(u"M")->SetAsString(row == 0 ? u"memo" : u"");
    }
    table.Post();
  }
  TData& store = *static_cast<TMemDataSet&>(table).Data();
  std::vector<TFieldDesc*> descs;
  for (int i = 0; i < store.Fields().Count(); ++i) descs.push_back(store.Fields()[i]);
  descs.push_back(nullptr);  // a column the table has no field for
  for (int trim = 0; trim < 2; ++trim) {
    SCOPED_TRACE(trim);
    store.SetTrimVarChar(trim == 1);
    TMemoryStream whole, single;
    TVtdWriter a(whole), b(single);
    TVtdRecordWriter records(store, descs);
    TRecBuf rec = store.AllocRecBuf();
    store.SetToBegin();
    for (store.GetNextRecord(rec); !store.GetEOF(); store.GetNextRecord(rec)) {
      records.Write(a, rec);
      for (TFieldDesc* d : descs) {
        if (d == nullptr) b.U32(0);
        else WriteVtdValue(b, store, d, rec);
      }
    }
    TData::FreeRecBuf(rec);
    a.Flush(true);
    b.Flush(true);
    EXPECT_EQ(Hex(whole.Bytes()), Hex(single.Bytes()));
    EXPECT_GT(whole.Size(), 200);
  }
}
