// Export specification files (.zaz): the bytes written, what independent
// INI readers see in them, the round trip of every setting, and files that
// are malformed or written by hand.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "export/ExportMonitor.h"
#include "export/ExportSpecification.h"
#include "fuzz/zaz_spec_input.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "tests/export/run_tool.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

String Path(const fs::path& file) { return Utf8ToString(file.string()); }

// A monitor with every stored setting away from its default.
void FillSettings(TRODirezaMonitor& m) {
  m.FileName = u"/data/out.csv";
  m.SetTableType(teHTML);
  m.AddTitle = true;
  m.BlankIfZero = true;
  m.SelectedRecord = true;
  m.TableName = u"people";
  m.CharacterSet = csUTF8;
  m.Options = static_cast<TSMOptions>(m.Options | OptionBit(soBlankRowAfterCaptions) | OptionBit(soColorsFonts));
  m.ExportIfEmpty = false;
  m.RowsPerFile = 500;
  m.ActionAfterExport = aeOpenView;
  m.ExportStyle.SetStyle(esMaple);
  m.ExportStyle.OddColor = 0xFF00000F;  // a system colour: negative in the file
  m.Layout = elTabularForm;
  m.PageSetup.Measure = emCentimeters;
  m.PageSetup.UseDefault = false;
  m.PageSetup.TopMargin = 0.3f;
  m.PageSetup.BottomMargin = 1.25f;
  m.PageSetup.LeftMargin = 2;
  m.PageSetup.RightMargin = 2.5f;
  m.PageSetup.TableWidth = 17.5f;
  m.PageSetup.Orientation = emLandscape;
  m.SendTo.EMailRecipient = u"ana@example.org";
  m.SendTo.EMailSubject = u"Prices: \u010Ce\u0161nje";
  m.SendTo.EMailOpenBeforeSend = false;
  for (const char16_t* name : {u"ID", u"NAME", u"PRICE"}) {
    TSMEColumn& c = m.Columns.Add();
    c.FieldName = name;
    c.Title.Caption = String(u"Title of ") + name;
    c.Width = 12;
  }
  m.Columns[1].Alignment = taCenter;
  m.Columns[1].Color = 0x00FFFF;
  m.Columns[1].Font = TFont{u"Arial", 10, 0x0000FF, FontStyleBit(fsBold) | FontStyleBit(fsItalic), 238};
  m.Columns[1].Title.Alignment = taRightJustify;
  m.Columns[1].Title.Color = 0xFF000005;
  m.Columns[2].Visible = false;
  m.Columns[2].Title.Caption.clear();
  m.Header = {u"first", u"", u"third"};
  m.Footer = {u"end"};
  m.Separator = u";";
  m.TextQualifier = u"'";
  m.RecordSeparator = u"\n";
  m.Fixed = true;
  m.AutoFitColumns = true;
  m.DataFormats.DateOrder = doYMD;
  m.DataFormats.DateSeparator = u'-';
  m.DataFormats.TimeSeparator = u'.';
  m.DataFormats.ThousandSeparator = u' ';
  m.DataFormats.DecimalSeparator = u',';
  m.DataFormats.CurrencyString = u"EUR";
  m.DataFormats.FourDigitYear = true;
  m.DataFormats.LeadingZerosInDate = true;
  m.DataFormats.CustomDateTimeFormat = u"yyyy";
  m.DataFormats.BooleanTrue = u"da";
  m.DataFormats.BooleanFalse = u"ne";
  m.DataFormats.UseRegionalSettings = false;
  m.SQLOptions.SQLTerm = u"GO";
  m.SQLOptions.SQLQuote = u'\'';
  m.SQLOptions.BatchRecCount = 10;
  m.SQLOptions.MultiRowInsert = true;
}

std::vector<String> SpecLines(std::initializer_list<const char16_t*> lines) {
  return std::vector<String>(lines.begin(), lines.end());
}

}  // namespace

class ZazSpecificationTest : public testing::Test {
 protected:
  void SetUp() override {
    saved = FormatSettings;
    FormatSettings.DecimalSeparator = u'.';
  }
  void TearDown() override { FormatSettings = saved; }
  TFormatSettings saved;
  fs::path dir = FreshFolder("zaz_spec");
};

TEST_F(ZazSpecificationTest, PythonsConfigParserReadsTheKeysAndValues) {
  if (!HasPythonModule("configparser")) GTEST_SKIP() << "Python's configparser is missing";
  TRODirezaMonitor m;
  FillSettings(m);
  const fs::path file = dir / "nested" / "prices.zaz";
  m.SaveSpecification(u"Prices", Path(file), false);
  const std::string bytes = ReadFile(file);
  ASSERT_EQ(bytes.substr(0, 6), std::string("\xFF\xFE[\0C\0", 6));
  ASSERT_EQ(bytes.substr(bytes.size() - 4), std::string("\r\0\n\0", 4));

  const ToolResult result = RunPython(dir, R"(import configparser, sys
text = open(sys.argv[1], 'rb').read().decode('utf-16')
assert '\r\n' in text and '\n' not in text.replace('\r\n', '')
p = configparser.ConfigParser(strict=False, interpolation=None)
p.optionxform = str
p.read_string(text)
for section in p.sections():
    for key, value in p.items(section):
        print(section + '|' + key + '|' + value)
)", file);
  ASSERT_EQ(result.ExitCode, 0) << result.Output;
  const std::string expected =
      "Common|App|\nCommon|Description|RODireza: specification\nCommon|Specification|Prices\n"
      "Common|TableType|HTML\nCommon|AddTitle|1\nCommon|BlankIfZero|1\nCommon|SourceFileName|/data/out.HTM\n"
      "Common|SelectedRecord|1\nCommon|TableName|people\nCommon|CharacterSet|3\n"
      "Common|Options|" + std::to_string(m.Options) + "\nCommon|ExportIfEmpty|0\nCommon|RowsPerFile|500\n"
      "Common|ActionAfterExport|1\n"
      "ExportStyle|Style|7\nExportStyle|OddColor|-16777201\nExportStyle|EvenColor|" +
      std::to_string(static_cast<Integer>(m.ExportStyle.EvenColor)) + "\nExportStyle|Layout|2\n"
      "PageSetup|Measure|2\nPageSetup|UseDefault|0\nPageSetup|TopMargin|0.300000011920929\n"
      "PageSetup|BottomMargin|1.25\nPageSetup|LeftMargin|2\nPageSetup|RightMargin|2.5\nPageSetup|TableWidth|17.5\n"
      "PageSetup|Orientation|2\n"
      "SendTo|Recipient|ana@example.org\nSendTo|Subject|Prices: \xC4\x8C" "e\xC5\xA1nje\nSendTo|OpenDialog|0\n"
      "Mappings|Count|3\nMappings|Map0|ID = Title of ID\nMappings|Map1|NAME = Title of NAME\nMappings|Map2|PRICE =\n"
      "COLUMNS|Col0|0,16777215,Tahoma,1,-16777208,8,0\nCOLUMNS|ColTitle0|0,12632256,Tahoma,1,-16777208,8,0\n"
      "COLUMNS|Width0|12\nCOLUMNS|Col1|2,65535,Arial,238,255,10,3\nCOLUMNS|ColTitle1|1,-16777211,Tahoma,1,-16777208,8,0\n"
      "COLUMNS|Width1|12\nCOLUMNS|Col2|0,16777215,Tahoma,1,-16777208,8,0\nCOLUMNS|ColTitle2|0,12632256,Tahoma,1,-16777208,8,0\n"
      "COLUMNS|Width2|12\n"
      "Header|Count|3\nHeader|Header0|first\nHeader|Header1|\nHeader|Header2|third\n"
      "Footer|Count|1\nFooter|Footer0|end\n"
      "Text|FieldDelimiter|3B\nText|TextQualifier|27\nText|RecordSeparator|0A\nText|Fixed|1\nText|AutoFitColumns|1\n"
      "Text|RowFirst|5\nText|RowLast|2147483647\n"
      "DataFormat|DateOrder|2\nDataFormat|DateSeparator|2D\nDataFormat|TimeSeparator|2E\n"
      "DataFormat|ThousandSeparator|20\nDataFormat|DecimalSeparator|2C\nDataFormat|CurrencyString|EUR\n"
      "DataFormat|FourDigitYear|1\nDataFormat|LeadingZerosInDate|1\nDataFormat|CustomDateTimeFormat|yyyy\n"
      "DataFormat|BooleanTrue|da\nDataFormat|BooleanFalse|ne\nDataFormat|UseRegionalSettings|0\n"
      "SQL|SQLTerm|GO\nSQL|SQLQuote|27\nSQL|SQLNULL|NULL\nSQL|CommitTerm|COMMIT;\nSQL|BatchRecCount|10\n"
      "SQL|AddCreateTable|0\nSQL|MultiRowInsert|1\nSQL|FieldNameCharCase|0\n";
  EXPECT_EQ(result.Output, expected);
}

TEST_F(ZazSpecificationTest, SaveThenLoadKeepsEverySetting) {
  TRODirezaMonitor m;
  FillSettings(m);
  const fs::path file = dir / "all.zaz";
  m.SaveSpecification(u"All", Path(file), false);
  TRODirezaMonitor l;
  l.LoadSpecification(Path(file));
  EXPECT_EQ(l.FileName, u"/data/out.HTM");
  EXPECT_EQ(l.TableType(), teHTML);
  EXPECT_TRUE(l.AddTitle && l.BlankIfZero && l.SelectedRecord && l.Fixed && l.AutoFitColumns);
  EXPECT_FALSE(l.ExportIfEmpty);
  EXPECT_EQ(l.TableName, m.TableName);
  EXPECT_EQ(l.CharacterSet, m.CharacterSet);
  EXPECT_EQ(l.Options, m.Options);
  EXPECT_EQ(l.RowsPerFile, 500);
  EXPECT_EQ(l.ActionAfterExport, aeOpenView);
  EXPECT_EQ(l.ExportStyle.Style(), esMaple);
  EXPECT_EQ(l.ExportStyle.OddColor, m.ExportStyle.OddColor);
  EXPECT_EQ(l.ExportStyle.EvenColor, m.ExportStyle.EvenColor);
  EXPECT_EQ(l.Layout, elTabularForm);
  EXPECT_EQ(l.PageSetup.Measure, emCentimeters);
  EXPECT_FALSE(l.PageSetup.UseDefault);
  EXPECT_EQ(l.PageSetup.TopMargin, 0.3f);
  EXPECT_EQ(l.PageSetup.BottomMargin, 1.25f);
  EXPECT_EQ(l.PageSetup.TableWidth, 17.5f);
  EXPECT_EQ(l.PageSetup.Orientation, emLandscape);
  EXPECT_EQ(l.SendTo.EMailRecipient, m.SendTo.EMailRecipient);
  EXPECT_EQ(l.SendTo.EMailSubject, m.SendTo.EMailSubject);
  EXPECT_FALSE(l.SendTo.EMailOpenBeforeSend);
  ASSERT_EQ(l.Columns.Count(), 3);
  for (Integer k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    const TSMEColumn& a = m.Columns[k];
    const TSMEColumn& b = l.Columns[k];
    EXPECT_EQ(b.FieldName, a.FieldName);
    EXPECT_EQ(b.Alignment, a.Alignment);
    EXPECT_EQ(b.Color, a.Color);
    EXPECT_EQ(b.Font, a.Font);
    EXPECT_EQ(b.Title.Alignment, a.Title.Alignment);
    EXPECT_EQ(b.Title.Color, a.Title.Color);
    EXPECT_EQ(b.Title.Font, a.Title.Font);
    EXPECT_EQ(b.Width, a.Width);
  }
  EXPECT_EQ(l.Columns[1].Title.Caption, u"Title of NAME");
  // A column saved without a caption comes back hidden, captioned by its name.
  EXPECT_FALSE(l.Columns[2].Visible);
  EXPECT_EQ(l.Columns[2].Title.Caption, u"PRICE");
  // An empty header line does not end the lines after it.
  EXPECT_EQ(l.Header, m.Header);
  EXPECT_EQ(l.Footer, m.Footer);
  EXPECT_EQ(l.Separator, u";");
  EXPECT_EQ(l.TextQualifier, u"'");
  EXPECT_EQ(l.RecordSeparator, u"\n");
  EXPECT_EQ(l.DataFormats.DateOrder, doYMD);
  EXPECT_EQ(l.DataFormats.DateSeparator, u'-');
  EXPECT_EQ(l.DataFormats.TimeSeparator, u'.');
  EXPECT_EQ(l.DataFormats.ThousandSeparator, u' ');
  EXPECT_EQ(l.DataFormats.DecimalSeparator, u',');
  EXPECT_EQ(l.DataFormats.CurrencyString, u"EUR");
  EXPECT_TRUE(l.DataFormats.FourDigitYear && l.DataFormats.LeadingZerosInDate);
  EXPECT_EQ(l.DataFormats.CustomDateTimeFormat, u"yyyy");
  EXPECT_EQ(l.DataFormats.BooleanTrue, u"da");
  EXPECT_EQ(l.DataFormats.BooleanFalse, u"ne");
  EXPECT_EQ(l.SQLOptions.SQLTerm, u"GO");
  EXPECT_EQ(l.SQLOptions.SQLQuote, u'\'');
  EXPECT_EQ(l.SQLOptions.BatchRecCount, 10);
  EXPECT_TRUE(l.SQLOptions.MultiRowInsert);
}

TEST_F(ZazSpecificationTest, HandWrittenFilesReadAsTheirKeysSay) {
  TRODirezaMonitor m;
  m.CharacterSet = csEBCDIC;
  m.RowsPerFile = 9;
  m.PageSetup.LeftMargin = 7;
  // Keys in any case and section; the first of a key wins; Map 0 to 3 and
  // 120 are read, 200 (past a gap above 150) is not; separators decode in
  // pairs with an odd digit left over; margins read with "," or ".".
  m.LoadSpecificationFromStrings(SpecLines({
      u"tabletype=Text", u"SourceFileName=/tmp/out.csv", u"SOURCEFILENAME=/other.csv", u"FieldDelimiter=3B2C",
      u"TextQualifier=3B2", u"TopMargin=1,5", u"BottomMargin=2.25", u"RightMargin=x",
      u"Map0=A = Alpha", u"Map1=B", u"Map2= = ", u"Map3=C = ", u"Map120=D = Delta", u"Map200=E = Echo",
      u"Col0=2,255", u"Col1=1,255,", u"Header0=only", u"Header2=after gap"}));
  EXPECT_EQ(m.TableType(), teText);
  EXPECT_EQ(m.FileName, u"/tmp/out.TXT");
  EXPECT_EQ(m.Separator, u";,");
  EXPECT_EQ(m.TextQualifier, u";");
  EXPECT_EQ(m.PageSetup.TopMargin, 1.5f);
  EXPECT_EQ(m.PageSetup.BottomMargin, 2.25f);
  EXPECT_EQ(m.PageSetup.LeftMargin, 7.0f);  // missing: unchanged
  EXPECT_EQ(m.PageSetup.RightMargin, 0.0f);  // no number: unchanged
  EXPECT_EQ(m.RowsPerFile, 0);              // missing: reset
  EXPECT_EQ(m.CharacterSet, csEBCDIC);      // missing: kept
  ASSERT_EQ(m.Columns.Count(), 4);
  EXPECT_EQ(m.Columns[0].Title.Caption, u"Alpha");
  EXPECT_EQ(m.Columns[1].FieldName, u"B");
  EXPECT_FALSE(m.Columns[1].Visible);
  EXPECT_EQ(m.Columns[2].FieldName, u"C");
  EXPECT_FALSE(m.Columns[2].Visible);
  EXPECT_EQ(m.Columns[3].FieldName, u"D");
  // A font text sets only the values whose ending comma it holds.
  EXPECT_EQ(m.Columns[0].Alignment, taCenter);
  EXPECT_EQ(m.Columns[0].Color, clWhite);
  EXPECT_EQ(m.Columns[1].Alignment, taRightJustify);
  EXPECT_EQ(m.Columns[1].Color, 255u);
  EXPECT_EQ(m.Header, std::vector<String>{u"only"});
}

TEST_F(ZazSpecificationTest, UnknownTargetsAndValuesOutOfRangeAreRefusedAndChangeNothing) {
  const struct {
    const char* what;
    std::vector<String> lines;
  } cases[] = {
      {"unknown type", SpecLines({u"TableType=Excel2010", u"SourceFileName=/x.txt"})},
      {"no type", SpecLines({u"SourceFileName=/x.txt"})},
      {"character set", SpecLines({u"TableType=Text", u"CharacterSet=5"})},
      {"action", SpecLines({u"TableType=Text", u"ActionAfterExport=-1"})},
      {"style", SpecLines({u"TableType=Text", u"Style=12"})},
      {"layout", SpecLines({u"TableType=Text", u"Layout=3"})},
      {"measure", SpecLines({u"TableType=Text", u"Measure=4"})},
      {"orientation", SpecLines({u"TableType=Text", u"Orientation=3"})},
      {"date order", SpecLines({u"TableType=Text", u"DateOrder=6"})},
      {"options", SpecLines({u"TableType=Text", u"Options=65536"})},
      {"alignment", SpecLines({u"TableType=Text", u"Map0=A = A", u"Col0=3,0,Arial,1,0,8,0"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TRODirezaMonitor m;
    m.FileName = u"/keep.XLS";
    m.SetTableType(teXLS);
    m.Header = {u"kept"};
    EXPECT_THROW(m.LoadSpecificationFromStrings(c.lines), ESMESpecificationException);
    EXPECT_EQ(m.TableType(), teXLS);
    EXPECT_EQ(m.FileName, u"/keep.XLS");
    EXPECT_EQ(m.Header, std::vector<String>{u"kept"});
  }
}

TEST_F(ZazSpecificationTest, NoNameOrNoFileSavesNothingAndAMissingFileLoadsNothing) {
  TRODirezaMonitor m;
  m.SaveSpecification(String(), Path(dir / "a.zaz"), false);
  m.SaveSpecification(u"name", String(), false);
  EXPECT_TRUE(fs::is_empty(dir));
  m.SetTableType(teXLS);
  m.LoadSpecification(Path(dir / "missing.zaz"));
  EXPECT_EQ(m.TableType(), teXLS);
}

TEST_F(ZazSpecificationTest, TheListCaptionsFilesByTheirSpecificationName) {
  TRODirezaMonitor m;
  m.SaveSpecification(u"Second", Path(dir / "b.zaz"), false);
  m.SaveSpecification(u"First", Path(dir / "a.ZAZ"), false);
  std::ofstream(dir / "c.zaz") << "[Common]\r\nApp=x\r\n";
  std::ofstream(dir / "d.txt") << "";
  const std::vector<TSMESpecificationFile> found = FindSpecifications(Path(dir));
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].Caption, u"First");
  EXPECT_EQ(found[1].Caption, u"Second");
  EXPECT_EQ(found[2].Caption, Path(dir / "c.zaz"));
}

// Every input the fuzzer once found, and the seeds, load or are refused
// cleanly.
TEST(ZazSpecificationCorpusTest, ReplaysTheFuzzCorpus) {
  size_t count = 0;
  for (const auto& entry : fs::directory_iterator(fs::path("corpus") / "zaz")) {
    SCOPED_TRACE(entry.path().string());
    LoadZazInput(ReadFile(entry.path()));
    ++count;
  }
  EXPECT_GT(count, 0u);
}
