// The XML source: the files of our XML writer in each dialect import as the
// CSV they were made from, a dataset packet's field list types its columns,
// and the tag names with their specification section.
#include <gtest/gtest.h>

#include "import/readers/ImportFromXML.h"
#include "tests/import/markup_fixture.h"
#include "tests/import/our_writers.h"

namespace {

using TRows = std::vector<std::vector<String>>;

TSMIXMLTags Tags(const char16_t* records, const char16_t* record = u"RECORD", bool subNodes = false) {
  TSMIXMLTags tags;
  tags.RecordsTag = records;
  tags.RecordTag = record;
  tags.SubNodes = subNodes;
  return tags;
}

TImportResult ImportXmlText(const std::string& text, const TSMIXMLTags& tags, Integer rowLast = 2147483647,
                            TRADerevuFromXML* into = nullptr) {
  TRADerevuFromXML local;
  TRADerevuFromXML& source = into != nullptr ? *into : local;
  source.SetXMLTags(tags);
  source.SetRowLast(rowLast);
  TMemoryStream stream;
  stream.Write(text.data(), static_cast<Int64>(text.size()));
  stream.SetPosition(0);
  source.DataStream = &stream;
  TImportResult result = RunIntoTable(source);
  source.DataStream = nullptr;
  return result;
}

TEST(XmlImport, EveryDialectOfOurWriterReadsAsTheCsv) {
  const TRows csv = ReadCsv(MarkupFixture("rows.csv"));
  const auto file = std::filesystem::temp_directory_path() / ("xml_import_" + std::to_string(getpid()) + ".xml");
  // The dialects' records elements; the first two wrap each attribute
  // record in a RECORD element, read below it.
  const TSMIXMLTags tags[] = {Tags(u"RECORDS", u"ROW", true), Tags(u"RECORDS", u"ROW", true), Tags(u""),
                              Tags(u"RECORDS"), Tags(u"VFPData"), Tags(u"rs:data")};
  for (int dialect = 0; dialect < 6; ++dialect) {
    SCOPED_TRACE(dialect);
    ASSERT_TRUE(WriteXmlWithOurWriter(csv, file, dialect));
    TRADerevuFromXML source;
    source.SetXMLTags(tags[dialect]);
    source.SetSourceFileName(Utf8ToString(file.string()));
    const TImportResult got = RunIntoTable(source);
    EXPECT_EQ(source.Encoding(), dialect == 5 ? u"" : u"UTF-8");
    ASSERT_EQ(got.Columns.size(), csv[0].size());
    EXPECT_EQ(got.Rows, TRows(csv.begin() + 1, csv.end()));
  }
  std::filesystem::remove(file);
}

TEST(XmlImport, PacketFieldListTypesTheColumns) {
  const std::string packet =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><DATAPACKET><METADATA><FIELDS>"
      "<FIELD attrname=\"ID\" fieldtype=\"i4\"/><FIELD attrname=\"Note\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
      "<FIELD attrname=\"Name\" fieldtype=\"string\" WIDTH=\"20\"/></FIELDS></METADATA><ROWDATA>"
      "<ROW ID=\"1\" Note=\"a &amp;amp; b\" Name=\"x\"/><ROW ID=\"2\" Name=\"y\"/></ROWDATA></DATAPACKET>";
  TRADerevuFromXML source;
  const TImportResult got = ImportXmlText(packet, Tags(u"ROWDATA"), 2147483647, &source);
  EXPECT_EQ(got.Columns, (std::vector<String>{u"ID", u"Note", u"Name"}));
  // A missing attribute is null, not the field's name.
  EXPECT_EQ(got.Rows, (TRows{{u"1", u"a &amp; b", u"x"}, {u"2", u"", u"y"}}));
  ASSERT_EQ(source.Columns().Count(), 3);
  EXPECT_EQ(source.Columns()[0].DataType, itInteger);
  EXPECT_EQ(source.Columns()[1].DataType, itMEMO);
  EXPECT_EQ(source.Columns()[2].Size, 20);
}

TEST(XmlImport, RecordCases) {
  struct TCase {
    const char* Name;
    std::string Text;
    TSMIXMLTags Tags;
    std::vector<String> Columns;
    TRows Rows;
  };
  const TCase cases[] = {
      {"nested elements are flattened to their leaves",
       "<RECORDS><RECORD><a>1</a><b><c>2</c><d>3</d></b></RECORD><RECORD><a>4</a><b><c>5</c></b></RECORD></RECORDS>",
       Tags(u"RECORDS"), {u"a", u"c", u"d"}, {{u"1", u"2", u"3"}, {u"4", u"5", u""}}},
      {"tags and field names without case",
       "<records><Record><NAME>x</NAME></Record></records>", Tags(u"RECORDS"), {u"NAME"}, {{u"x"}}},
      {"case-sensitive record tags must match exactly",
       "<records><Record><NAME>x</NAME></Record></records>",
       [] { TSMIXMLTags t = Tags(u"RECORDS"); t.CaseSensitive = true; return t; }(), {}, {}},
      {"character data and entities", "<RECORDS><RECORD><a><![CDATA[<b>]]></a><b>&lt;&#x17D;</b></RECORD></RECORDS>",
       Tags(u"RECORDS"), {u"a", u"b"}, {{u"<b>", u"<\u017D"}}},
      {"records deeper below with SubNodes",
       "<RECORDS><GROUP><ROW x=\"1\"/></GROUP><GROUP><ROW x=\"2\"/></GROUP></RECORDS>", Tags(u"RECORDS", u"R", true),
       {u"x"}, {{u"1"}, {u"2"}}},
      {"no records element: no records", "<OTHER><RECORD><a>1</a></RECORD></OTHER>", Tags(u"RECORDS"), {}, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TImportResult got = ImportXmlText(c.Text, c.Tags);
    EXPECT_EQ(got.Columns, c.Columns);
    EXPECT_EQ(got.Rows, c.Rows);
  }
}

TEST(XmlImport, RowLastStopsTheParse) {
  std::string text = "<RECORDS>";
  for (int i = 1; i <= 50; ++i) text += "<RECORD><n>" + std::to_string(i) + "</n></RECORD>";
  // Whatever follows the tenth record is never read, broken or not.
  text += "<RECORD><n>";
  const TImportResult got = ImportXmlText(text + "</RECORDS>", Tags(u"RECORDS"), 10);
  ASSERT_EQ(got.Rows.size(), 10u);
  EXPECT_EQ(got.Rows.back(), std::vector<String>{u"10"});
}

TEST(XmlImport, ValuesOfNormalizedRecords) {
  struct TCase {
    const char16_t *Name, *Record;
    bool Found;
    const char16_t* Value;
  };
  const TCase cases[] = {{u"b", u" a=\"1\" b=\"2\"", true, u"2"},       {u"B", u" <a>1</a> <b>x</b>", true, u"x"},
                         {u"c", u" a=\"1\"", false, u""},                  {u"a", u" <a></a>", true, u""},
                         {u"a", u" a=\"unclosed", false, u""},             {u"a", u" <a>1", false, u""}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.Record));
    String value;
    EXPECT_EQ(FindXMLValue(c.Name, c.Record, value), c.Found);
    if (c.Found) {
      EXPECT_EQ(value, c.Value);
    }
    // The plain form gives the name for what is not there.
    EXPECT_EQ(GetValue(c.Name, c.Record), c.Found ? String(c.Value) : String(c.Name));
  }
}

TEST(XmlImport, PreviewAndSpecificationKeepTheTags) {
  const auto file = std::filesystem::temp_directory_path() / ("xml_preview_" + std::to_string(getpid()) + ".xml");
  WriteFileBytes(file, "<RECORDS><RECORD><a>1</a></RECORD><RECORD><a>2</a><b>3</b></RECORD></RECORDS>");
  std::vector<String> names;
  TRows rows;
  LoadXMLPreview(nullptr, u"a;b", Utf8ToString(file.string()), u"", 1, 2147483647, 5, false, names,
                 [&](void*, Integer count, Integer, bool, const std::vector<Variant>& values) {
                   EXPECT_EQ(count, 2);
                   rows.push_back({values[0].IsNull() ? u"null" : values[0].AsString(),
                                   values[1].IsNull() ? u"null" : values[1].AsString()});
                 },
                 Tags(u"RECORDS"));
  EXPECT_EQ(rows, (TRows{{u"1", u"null"}, {u"2", u"3"}}));
  std::filesystem::remove(file);

  TRADerevuFromXML source;
  source.SetXMLTags(Tags(u"DATA", u"ITEM", true));
  const auto spec = std::filesystem::temp_directory_path() / ("xml_spec_" + std::to_string(getpid()) + ".vod");
  source.SaveSpecification(u"x", Utf8ToString(spec.string()), false);
  TRADerevuFromXML loaded;
  loaded.LoadSpecification(Utf8ToString(spec.string()));
  std::filesystem::remove(spec);
  EXPECT_EQ(loaded.XMLTags().RecordsTag, u"DATA");
  EXPECT_EQ(loaded.XMLTags().RecordTag, u"ITEM");
  EXPECT_TRUE(loaded.XMLTags().SubNodes);
}

TEST(XMLTags, SectionRoundTripsAndMissingNamesBecomeEmpty) {
  TSMIXMLTags tags;
  tags.CaseSensitive = true;
  tags.RecordsTag = u"ROWDATA";
  tags.RecordTag = u"Item=x";
  tags.SubNodes = true;
  TWideStrings lines;
  tags.SaveToStrings(lines);
  EXPECT_EQ(lines.GetText(),
            u"[XMLTags]\r\nCaseSensitive=1\r\nRecordsTag=ROWDATA\r\nRecordTag=Item=x\r\nRowTag=ROW\r\nSubNodes=1\r\n");
  TSMIXMLTags read;
  read.LoadFromStrings(lines);
  EXPECT_TRUE(read.CaseSensitive && read.SubNodes);
  EXPECT_EQ(read.RecordsTag, u"ROWDATA");
  EXPECT_EQ(read.RecordTag, u"Item=x");
  EXPECT_EQ(read.RowTag, u"ROW");

  // Flags keep their value when missing or no number; names become empty.
  TWideStrings partial;
  partial.Add(u"[XMLTags]");
  partial.Add(u"CaseSensitive=yes");
  partial.Add(u"RowTag=R");
  read.LoadFromStrings(partial);
  EXPECT_TRUE(read.CaseSensitive && read.SubNodes);
  EXPECT_EQ(read.RecordsTag, u"");
  EXPECT_EQ(read.RowTag, u"R");
}

TEST(XMLTags, SameStringsFollowsCaseSensitive) {
  struct TCase {
    bool CaseSensitive;
    const char16_t *A, *B;
    bool Same;
  };
  const TCase cases[] = {{false, u"Record", u"RECORD", true}, {false, u"", u"", true},
                         {false, u"a", u"", false},           {true, u"Record", u"RECORD", false},
                         {true, u"Record", u"Record", true}};
  for (const TCase& c : cases) {
    TSMIXMLTags tags;
    tags.CaseSensitive = c.CaseSensitive;
    EXPECT_EQ(tags.SameStrings(c.A, c.B), c.Same) << String(c.A).size() << c.CaseSensitive;
  }
}

}  // namespace
