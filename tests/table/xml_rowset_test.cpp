// XML rowset files: the schema's types, values, nulls, entities and aliases
// read into a virtual table; datasets written and read back; malformed and
// truncated documents refused without a partial table.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/xml_rowset_input.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/TextConvert.h"
#include "table/VirtualTable.h"
#include "table/XmlRowset.h"
#include "tests/support/exception_message.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Utf8(const String& s) { return StringToUtf8(s); }

constexpr char Root[] =
    "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
    "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>";

// A document with the given "s:AttributeType" elements and rows.
std::string Doc(const std::string& columns, const std::string& rows) {
  return std::string(Root) + "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>" + columns +
         "<s:extends type='rs:rowbase'/></s:ElementType></s:Schema><rs:data>" + rows + "</rs:data></xml>";
}

std::string Col(const std::string& name, const std::string& datatype, const std::string& extra = "") {
  return "<s:AttributeType name='" + name + "'" + extra + "><s:datatype " + datatype + "/></s:AttributeType>";
}

void Load(TVirtualTable& table, const std::string& text, bool loadFields = true) {
  TMemoryStream stream;
  stream.WriteBuffer(text.data(), static_cast<Int64>(text.size()));
  table.LoadFromStream(stream, loadFields, true);
  table.Open();
  table.First();
}

std::string Saved(TMemDataSet& dataSet) {
  TMemoryStream stream;
  dataSet.SaveToXML(stream);
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

// Runs with a comma as the user's decimal separator, so that every "." in
// a document has to be the format's own.
class XmlRowset : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings.DecimalSeparator = u','; }
  void TearDown() override { FormatSettings = FSaved; }

 private:
  TFormatSettings FSaved = FormatSettings;
};

}  // namespace

TEST_F(XmlRowset, OneIntegerRowIsWrittenByteForByte) {
  TVirtualTable table;
  table.AddField(u"ID", ftInteger);
  table.Open();
  table.Append();
  table.FieldByName(u"ID")->SetAsInteger(7);
  table.Post();
  const std::string expected =
      "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
      "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>\r\n"
      "  <s:Schema id='RowsetSchema'>\r\n"
      "    <s:ElementType name='row' content='eltOnly' rs:updatable='true'>\r\n"
      "      <s:AttributeType name='ID' rs:number='1' rs:nullable='true' rs:writeunknown='true'>\r\n"
      "        <s:datatype dt:type='int' dt:maxLength='4' rs:precision='10' />\r\n"
      "      </s:AttributeType>\r\n"
      "      <s:extends type='rs:rowbase' />\r\n"
      "    </s:ElementType>\r\n"
      "  </s:Schema>\r\n"
      "  <rs:data>\r\n"
      "    <z:row ID='7' />\r\n"
      "  </rs:data>\r\n"
      "</xml>";
  EXPECT_EQ(Saved(table), expected);
}

TEST_F(XmlRowset, EmptyTablesAndAllNullRowsUseEndTags) {
  TVirtualTable table;
  table.AddField(u"ID", ftInteger);
  table.Open();
  std::string empty = Saved(table);
  EXPECT_NE(empty.find("  <rs:data>\r\n  </rs:data>\r\n</xml>"), std::string::npos) << empty;

  table.Append();
  table.Post();
  std::string nullRow = Saved(table);
  EXPECT_NE(nullRow.find("    <z:row>\r\n    </z:row>\r\n"), std::string::npos) << nullRow;
  TVirtualTable back;
  Load(back, nullRow);
  ASSERT_EQ(back.RecordCount(), 1);
  EXPECT_TRUE(back.FieldByName(u"ID")->IsNull());
}

TEST_F(XmlRowset, EveryFieldTypeSurvivesWriteAndRead) {
  struct Case {
    const char16_t* Name;
    TFieldType Type;
    Integer Size;
    TFieldType ReadAs;
    const char16_t* Value;  // set as text, compared as text
  };
  const Case cases[] = {
      {u"S", ftString, 20, ftString, u"a&b<'c'>\"d\"\tz"},
      {u"W", ftWideString, 10, ftWideString, u"\u010d\u0161\u017e \u20ac"},
      {u"I16", ftSmallint, 0, ftSmallint, u"-32768"},
      {u"I32", ftInteger, 0, ftInteger, u"2147483647"},
      {u"U16", ftWord, 0, ftWord, u"65535"},
      {u"I64", ftLargeint, 0, ftLargeint, u"-9223372036854775807"},
      {u"U32", ftLongWord, 0, ftLongWord, u"4000000000"},
      {u"I8", ftShortint, 0, ftShortint, u"-5"},
      {u"U8", ftByte, 0, ftByte, u"200"},
      {u"B", ftBoolean, 0, ftBoolean, u"True"},
      {u"F", ftFloat, 0, ftFloat, u"1234,5678"},
      {u"X", ftExtended, 0, ftFloat, u"0,25"},
      {u"R", ftSingle, 0, ftSingle, u"1,5"},
      {u"C", ftCurrency, 0, ftCurrency, u"-12,3456"},
      {u"N", ftFMTBcd, 4, ftFMTBcd, u"12345678901234567890,1234"},
      {u"D", ftDate, 0, ftDate, u"24.2.2026"},
      {u"T", ftTime, 0, ftTime, u"13:45:07"},
      {u"DT", ftDateTime, 0, ftDateTime, u"1.1.1900 23:59:59"},
      {u"M", ftMemo, 0, ftMemo, u"line 1\r\nline 2 & more"},
      {u"WM", ftWideMemo, 0, ftWideMemo, u"\u0161irok \u2603"},
      {u"G", ftGuid, 38, ftGuid, u"{12345678-1234-1234-1234-123456789ABC}"},
  };
  TVirtualTable table;
  for (const Case& c : cases) table.AddField(c.Name, c.Type, c.Size);
  table.AddField(u"VB", ftVarBytes, 8);
  table.AddField(u"BL", ftBlob);
  table.Open();
  table.Append();
  for (const Case& c : cases) table.FieldByName(c.Name)->SetAsString(c.Value);
  table.FieldByName(u"VB")->SetAsBytes({0x00, 0xAB, 0x0F});
  table.FieldByName(u"BL")->SetAsBytes({0xFF, 0x10, 0x00, 0x7E});
  table.Post();
  table.Append();  // every value null
  table.Post();

  const std::string xml = Saved(table);
  EXPECT_EQ(xml.find(",5"), std::string::npos) << "numbers are written with a point";
  EXPECT_NE(xml.find("F='1234.5678'"), std::string::npos) << xml;
  EXPECT_NE(xml.find("VB='00AB0F' BL='FF10007E'"), std::string::npos) << xml;
  TVirtualTable back;
  Load(back, xml);
  ASSERT_EQ(back.RecordCount(), 2);
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.Name));
    TField* field = back.FieldByName(c.Name);
    EXPECT_EQ(field->DataType(), c.ReadAs);
    EXPECT_EQ(Utf8(field->AsString()), Utf8(c.Value));
  }
  EXPECT_EQ(back.FieldByName(u"VB")->AsBytes(), (std::vector<Byte>{0x00, 0xAB, 0x0F}));
  EXPECT_EQ(back.FieldByName(u"BL")->AsBytes(), (std::vector<Byte>{0xFF, 0x10, 0x00, 0x7E}));
  back.Next();
  for (TField* field : back.Fields()) EXPECT_TRUE(field->IsNull()) << Utf8(field->FieldName());
}

TEST_F(XmlRowset, WrittenDocumentsAreWellFormed) {
  SKIP_UNLESS_INSTALLED("xmllint", "libxml2-utils");
  TVirtualTable table;
  table.AddField(u"First Name", ftWideString, 20);
  table.AddField(u"Note", ftMemo);
  table.Open();
  table.Append();
  table.FieldByName(u"First Name")->SetAsString(u"<&'\"> \u0161");
  table.FieldByName(u"Note")->SetAsString(u"a\r\n\tb");
  table.Post();
  TempFolder folder;
  table.SaveToXML(folder.File("rowset.xml"));
  ProgramResult check = RunProgram({"xmllint", "--noout", folder.PathOf("rowset.xml")});
  EXPECT_TRUE(check.Ok()) << check.Output;
  TVirtualTable back;
  back.LoadFromFile(folder.File("rowset.xml"));
  back.Open();
  EXPECT_EQ(Utf8(back.FieldByName(u"First Name")->AsString()), Utf8(u"<&'\"> \u0161"));
  EXPECT_EQ(back.FieldByName(u"Note")->AsString(), u"a\r\n\tb");
}

TEST_F(XmlRowset, SchemaTypesGiveFieldTypes) {
  struct Case {
    const char* Datatype;
    TFieldType Type;
    Integer Size;
  };
  const Case cases[] = {
      {"dt:type='string' rs:dbtype='str' dt:maxLength='12'", ftString, 12},
      {"dt:type='STRING' rs:dbtype='String' dt:maxLength='2147483647' rs:long='true'", ftMemo, 0},
      {"dt:type='string' dt:maxLength='7'", ftWideString, 7},
      {"dt:type='string' dt:maxLength='2147483647' rs:long='true'", ftWideMemo, 0},
      {"dt:type='string'", ftVariant, 0},
      {"dt:type='bin.hex' dt:maxLength='4' rs:fixedlength='true'", ftBytes, 4},
      {"dt:type='bin.hex' dt:maxLength='4'", ftVarBytes, 4},
      {"dt:type='bin.hex' dt:maxLength='2147483647' rs:long='true'", ftBlob, 0},
      {"dt:type='i8' dt:maxLength='8'", ftLargeint, 0},
      {"dt:type='ui8' dt:maxLength='8'", ftLargeint, 0},
      {"dt:type='i8' rs:dbtype='currency' dt:maxLength='8'", ftCurrency, 0},
      {"dt:type='number' rs:dbtype='decimal' dt:maxLength='19'", ftCurrency, 0},
      {"dt:type='number' rs:dbtype='numeric' dt:maxLength='19' rs:scale='3' rs:precision='18'", ftFMTBcd, 3},
      {"dt:type='datetime' rs:dbtype='timestamp' dt:maxLength='16'", ftDateTime, 0},
      {"dt:type='uuid' dt:maxLength='38'", ftGuid, 38},
      {"dt:type='r4' dt:maxLength='4'", ftSingle, 0},
      {"dt:type='extended' dt:maxLength='10'", ftExtended, 0},
      {"dt:type='i1' dt:maxLength='1'", ftShortint, 0},
      {"dt:type='ui1' dt:maxLength='1'", ftByte, 0},
      {"dt:type='ui2' dt:maxLength='2'", ftWord, 0},
      {"dt:type='ui4' dt:maxLength='4'", ftLongWord, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Datatype);
    TVirtualTable table;
    Load(table, Doc(Col("A", c.Datatype), ""));
    ASSERT_EQ(table.FieldDefs().Count(), 1);
    EXPECT_EQ(table.FieldDefs()[0]->DataType(), c.Type);
    EXPECT_EQ(table.FieldDefs()[0]->Size(), c.Size);
  }
}

TEST_F(XmlRowset, ValuesAreReadByTheirColumnType) {
  const std::string columns =
      Col("DT", "dt:type='datetime' rs:dbtype='variantdate' dt:maxLength='16'") +
      Col("T", "dt:type='time' dt:maxLength='8'") + Col("F", "dt:type='float' dt:maxLength='8'") +
      Col("B", "dt:type='bin.hex' dt:maxLength='8'") + Col("L", "dt:type='boolean' dt:maxLength='2'") +
      Col("S", "dt:type='string' rs:dbtype='str' dt:maxLength='20'");
  TVirtualTable table;
  Load(table, Doc(columns,
                  "<z:row DT='2024-02-29T08:09:10' T='23:00:01' F='-1.5E3' B='0A0b&#13;&#10;\tFF' L='0' "
                  "S='&amp;lt; &#x39; &quot;'/>"));
  EXPECT_EQ(Utf8(FormatDateTime(u"yyyy-mm-dd hh:nn:ss", table.FieldByName(u"DT")->AsDateTime())),
            "2024-02-29 08:09:10");
  EXPECT_EQ(Utf8(FormatDateTime(u"hh:nn:ss", table.FieldByName(u"T")->AsDateTime())), "23:00:01");
  EXPECT_EQ(table.FieldByName(u"F")->AsFloat(), -1500.0);
  EXPECT_EQ(table.FieldByName(u"B")->AsBytes(), (std::vector<Byte>{0x0A, 0x0B, 0xFF}));
  EXPECT_FALSE(table.FieldByName(u"L")->AsBoolean());
  // Entities are decoded once, left to right.
  EXPECT_EQ(table.FieldByName(u"S")->AsString(), u"&lt; 9 \"");
}

TEST_F(XmlRowset, AliasesStandForNamesThatAreNotValid) {
  TVirtualTable table;
  table.AddField(u"First Name", ftString, 10);
  table.AddField(u"c1", ftInteger);
  table.AddField(u"2nd", ftInteger);
  table.Open();
  table.Append();
  table.FieldByName(u"First Name")->SetAsString(u"Ana");
  table.FieldByName(u"c1")->SetAsInteger(1);
  table.FieldByName(u"2nd")->SetAsInteger(2);
  table.Post();
  const std::string xml = Saved(table);
  // "c1" is a real column: the aliases skip it.
  EXPECT_NE(xml.find("name='c2' rs:name='First Name'"), std::string::npos) << xml;
  EXPECT_NE(xml.find("name='c3' rs:name='2nd'"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<z:row c2='Ana' c1='1' c3='2' />"), std::string::npos) << xml;
  TVirtualTable back;
  Load(back, xml);
  EXPECT_EQ(back.FieldByName(u"First Name")->AsString(), u"Ana");
  EXPECT_EQ(back.FieldByName(u"c1")->AsInteger(), 1);
  EXPECT_EQ(back.FieldByName(u"2nd")->AsInteger(), 2);
  for (const char16_t* name : {u"", u"_a1", u"Abc_9"}) EXPECT_TRUE(IsValidFieldName(name));
  for (const char16_t* name : {u"1a", u"a b", u"\u010d", u"a-b"}) EXPECT_FALSE(IsValidFieldName(name));
}

TEST_F(XmlRowset, LoadingIntoExistingFieldsByName) {
  TVirtualTable table;
  table.AddField(u"ID", ftInteger);
  table.AddField(u"Extra", ftString, 5);
  Load(table, Doc(Col("id", "dt:type='int' dt:maxLength='4'"), "<z:row id='3'/><z:row/>"), false);
  ASSERT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(table.FieldDefs().Count(), 2);
  EXPECT_EQ(table.FieldByName(u"ID")->AsInteger(), 3);
  EXPECT_TRUE(table.FieldByName(u"Extra")->IsNull());
}

TEST_F(XmlRowset, FaultsAreRefusedAndLeaveNoTable) {
  const std::string id = Col("ID", "dt:type='int' dt:maxLength='4'");
  const std::string date = Col("D", "dt:type='date' dt:maxLength='6'");
  const std::string bin = Col("B", "dt:type='bin.hex' dt:maxLength='4'");
  struct Case {
    const char* What;
    std::string Text;
    const char* Message;
  };
  const Case cases[] = {
      {"unknown column", Doc(id, "<z:row ID='1'/><z:row X='1'/>"), "Invalid XML document"},
      {"int without length", Doc(Col("ID", "dt:type='int'"), ""), "vt: Data type is not supported"},
      {"unknown type", Doc(Col("ID", "dt:type='blob' dt:maxLength='4'"), ""), "vt: Data type is not supported"},
      {"no type", Doc(Col("ID", "dt:maxLength='4'"), ""), "Invalid XML document"},
      {"no datatype", std::string(Root) + "<s:Schema><s:AttributeType name='A'></s:AttributeType></s:Schema></xml>",
       "Invalid XML document"},
      {"one-digit month", Doc(date, "<z:row D='2024-2-10'/>"), "Invalid XML document"},
      {"short date", Doc(date, "<z:row D='2024-02'/>"), "Invalid XML document"},
      {"impossible date", Doc(date, "<z:row D='2023-02-29'/>"), "Invalid argument to date encode"},
      {"short time", Doc(Col("T", "dt:type='time' dt:maxLength='6'"), "<z:row T='10:20'/>"), "Invalid XML document"},
      {"odd bin.hex", Doc(bin, "<z:row B='ABC'/>"), "Invalid XML document"},
      {"non-hex bin.hex", Doc(bin, "<z:row B='0G'/>"), "Invalid XML document"},
      {"string too large", Doc(Col("S", "dt:type='string' rs:dbtype='str' dt:maxLength='70000'"), ""),
       "vt: Size 70000 of column 'S' is above the largest the table can hold (65535)"},
      {"NUL in a value", Doc(Col("S", "dt:type='string' rs:dbtype='str' dt:maxLength='5'"),
                             std::string("<z:row S='a\0b'/>", 17)),
       "Invalid XML document"},
      {"cut inside a row", Doc(id, "<z:row ID='1'/><z:row ID='2'").substr(0, Doc(id, "").size() + 20),
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    TVirtualTable table;
    table.SetName(u"vt");
    std::string message = ExceptionMessage([&] { Load(table, c.Text); });
    if (c.Message != nullptr) EXPECT_EQ(message, c.Message);
    else EXPECT_NE(message, "no error");
    EXPECT_FALSE(table.Active());
    EXPECT_EQ(table.FieldDefs().Count(), 0);
  }
}

TEST_F(XmlRowset, EveryPrefixAndFlippedByteLoadsOrFailsCleanly) {
  TVirtualTable table;
  table.AddField(u"ID", ftInteger);
  table.AddField(u"Name x", ftString, 8);
  table.AddField(u"When", ftDateTime);
  table.Open();
  for (int id : {1, 2}) {
    table.Append();
    table.FieldByName(u"ID")->SetAsInteger(id);
    if (id == 1) table.FieldByName(u"Name x")->SetAsString(u"a&b");
    table.FieldByName(u"When")->SetAsDateTime(id == 1 ? 45000.5 : 1.25);
    table.Post();
  }
  const std::string xml = Saved(table);
  ASSERT_EQ(CheckXmlRowsetInput(xml), "");
  for (size_t n = 0; n < xml.size(); ++n) {
    std::string cut = xml.substr(0, n);
    ASSERT_EQ(CheckXmlRowsetInput(cut), "") << n;
    // Every cut-off document is refused: none passes for a whole file.
    if (n > 0) {
      TVirtualTable loaded;
      EXPECT_NE(ExceptionMessage([&] { Load(loaded, cut); }), "no error") << n;
    }
  }
  for (size_t i = 0; i < xml.size(); ++i) {
    for (char flip : {'\0', '<', '\'', 'x'}) {
      std::string bad = xml;
      bad[i] = flip;
      ASSERT_EQ(CheckXmlRowsetInput(bad), "") << i << " " << flip;
    }
  }
}

// Replays the fuzz corpus; its seeds (made by corpus/make_xmlrowset_seeds.py)
// are valid documents and must load.
TEST_F(XmlRowset, CorpusInputsLoadOrFailCleanly) {
  const auto dir = std::filesystem::path(__FILE__).parent_path() / "corpus" / "xmlrowset";
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(CheckXmlRowsetInput(data), "");
    if (entry.path().extension() == ".xml") {
      TVirtualTable table;
      EXPECT_NO_THROW(Load(table, data));
    }
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}
