// The text and clipboard writers: what they write is read back by other
// readers (Python's csv module, column positions) with the table's values.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "export/writers/ExportToClipboard.h"
#include "export/writers/ExportToText.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/TextConvert.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Clipboard.h"
#include "tests/db/TestDataSet.h"
#include "tests/export/markup_fixture.h"

namespace {

namespace fs = std::filesystem;
using markup::Json;

struct Row {
  Integer Id;
  const char16_t* Name;  // nullptr: null
  double Price;
};

void Fill(TTestDataSet& ds, const std::vector<Row>& rows) {
  ds.FieldDefs().Add(u"ID", ftInteger);
  ds.FieldDefs().Add(u"NAME", ftWideString, 40);
  ds.FieldDefs().Add(u"PRICE", ftFloat);
  ds.Open();
  for (const Row& row : rows) {
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(row.Id);
    if (row.Name != nullptr) ds.FieldByName(u"NAME")->SetAsString(row.Name);
    ds.FieldByName(u"PRICE")->SetAsFloat(row.Price);
    ds.Post();
  }
  ds.First();
}

// A writer over the dataset that reports failures to the caller.
void Prepare(TRODirezaToText& writer, TTestDataSet& ds, const fs::path& file) {
  writer.SetDataSet(&ds);
  writer.ColumnSource = csDataSet;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.AnimatedStatus = false;
  writer.DataFormats.DecimalSeparator = u'.';
  writer.FileName = Utf8ToString(file.string());
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Json(const std::vector<std::vector<String>>& rows) {
  std::string out = "[";
  for (size_t r = 0; r < rows.size(); ++r) {
    out += r == 0 ? "[" : ", [";
    for (size_t c = 0; c < rows[r].size(); ++c) out += (c == 0 ? "" : ", ") + Json(rows[r][c]);
    out += "]";
  }
  return out + "]";
}

std::string PythonRows(const fs::path& file, const char* codec, const char* delimiter = ",") {
  return markup::RunCommand("/usr/bin/python3 read_csv.py '" + file.string() + "' " + codec + " '" + delimiter + "'");
}

class TextWriterTest : public markup::MarkupTest {};

}  // namespace

TEST_F(TextWriterTest, DelimitedOutputInEveryCharacterSetReadsBackWithPythonsCsv) {
  struct Case {
    TCharacterSet charset;
    const char* codec;
    const char* bom;
    bool national;  // the set has the Slovene letters
    bool unicode;   // the set has every character
  };
  const Case cases[] = {
      {csANSI_WINDOWS, "cp1250", "", true, false}, {csASCII_MSDOS, "cp852", "", true, false},
      {csEBCDIC, "cp037", "", false, false},       {csUTF8, "utf-8", "\xEF\xBB\xBF", true, true},
      {csUnicode, "utf-16", "\xFF\xFE", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codec);
    std::vector<Row> rows = {{1, u"plain", 2.5},
                             {2, u"comma, inside", -1},
                             {3, u"say \"hi\" and \"\"", 0.25},
                             {4, nullptr, 10}};
    // The export's EBCDIC table keeps control bytes as they are, and a
    // mainframe reader takes 0x0A for another character than a line feed.
    if (c.charset != csEBCDIC) rows.push_back({5, u"line\r\nbreak", 7});
    if (c.national) rows.push_back({6, u"\u010Ce\u0161\u017E \u0107\u0111 \u00E9", 8});
    if (c.unicode) rows.push_back({7, u"smile \U0001F600", 9});

    TTestDataSet ds;
    Fill(ds, rows);
    TRODirezaToText writer;
    const fs::path file = dir / (std::string("out_") + c.codec + ".csv");
    Prepare(writer, ds, file);
    writer.CharacterSet = c.charset;
    writer.Separator = u",";
    writer.TextQualifier = u"\"";
    writer.AddTitle = true;
    if (c.charset == csEBCDIC) writer.RecordSeparator = u"\r";
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);

    const std::string bytes = ReadBytes(file);
    EXPECT_EQ(bytes.substr(0, std::strlen(c.bom)), c.bom);
    std::vector<std::vector<String>> expected = {{u"ID", u"NAME", u"PRICE"}};
    for (const Row& row : rows) {
      expected.push_back({IntToStr(row.Id), row.Name != nullptr ? String(row.Name) : String(),
                          FloatToStr(row.Price, TFormatSettings::Invariant())});
    }
    EXPECT_EQ(PythonRows(file, c.charset == csUTF8 ? "utf-8-sig" : c.codec), Json(expected));
  }
}

TEST_F(TextWriterTest, QualifyingRules) {
  struct Case {
    const char* name;
    TSMETextQualifying qualifying;
    const char16_t* separator;  // nullptr: the wizard's "none", character 0
    const char16_t* qualifier;  // likewise
    const char* expected;  // the data row of ID 7, NAME "a'b'c", PRICE 1.5 (decimal ",")
  };
  const Case cases[] = {
      {"string only, comma", tqStringOnly, u",", u"'", "7,'a''b''c','1,5'\r\n"},
      {"string only, semicolon", tqStringOnly, u";", u"'", "7;'a''b''c';1,5\r\n"},
      {"any", tqAny, u";", u"'", "'7';'a''b''c';'1,5'\r\n"},
      {"no number", tqNoNumber, u";", u"'", "7;'a''b''c';1,5\r\n"},
      {"no separator, no qualifier", tqStringOnly, nullptr, nullptr, "7a'b'c1,5\r\n"},
      {"empty qualifier", tqAny, u"\t", u"", "7\ta'b'c\t1,5\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTestDataSet ds;
    Fill(ds, {{7, u"a'b'c", 1.5}});
    TRODirezaToText writer;
    const fs::path file = dir / "q.csv";
    Prepare(writer, ds, file);
    writer.DataFormats.DecimalSeparator = u',';
    writer.CharacterSet = csANSI_WINDOWS;
    writer.TextQualifying = c.qualifying;
    writer.Separator = c.separator != nullptr ? String(c.separator) : String(1, u'\0');
    writer.TextQualifier = c.qualifier != nullptr ? String(c.qualifier) : String(1, u'\0');
    writer.Execute();
    EXPECT_EQ(ReadBytes(file), c.expected);
  }
}

TEST_F(TextWriterTest, EmptyValueUnderAnyBecomesTwoQualifiersAndTitlesAreQualified) {
  TTestDataSet ds;
  Fill(ds, {{1, nullptr, 0}});
  TRODirezaToText writer;
  const fs::path file = dir / "e.csv";
  Prepare(writer, ds, file);
  writer.CharacterSet = csANSI_WINDOWS;
  writer.TextQualifying = tqAny;
  writer.Separator = u",";
  writer.TextQualifier = u"\"";
  writer.AddTitle = true;
  writer.Header = {u"Head"};
  writer.Footer = {u"Foot"};
  writer.AddCtrlZ = true;
  writer.Execute();
  // Header and footer lines are single cells without separators.
  EXPECT_EQ(ReadBytes(file), "\"Head\"\r\n\"ID\",\"NAME\",\"PRICE\"\r\n\"1\",\"\",\"0\"\r\n\"Foot\"\r\n\x1A");
}

TEST_F(TextWriterTest, FixedWidthColumnsReadBackByPosition) {
  TTestDataSet ds;
  Fill(ds, {{1, u"Ann", 2.5}, {12345, u"longer than ten", -7}, {3, nullptr, 0}});
  TRODirezaToText writer;
  const fs::path file = dir / "f.txt";
  Prepare(writer, ds, file);
  writer.CharacterSet = csANSI_WINDOWS;
  writer.Fixed = true;
  writer.Separator = u" ";
  writer.BuildDefaultColumns();
  const Integer widths[] = {5, 10, 6};
  const TAlignment aligns[] = {taRightJustify, taLeftJustify, taRightJustify};
  for (Integer i = 0; i < 3; ++i) {
    writer.Columns[i].Width = widths[i];
    writer.Columns[i].Alignment = aligns[i];
  }
  writer.Execute();
  // A value longer than its column stays whole and pushes the rest along.
  EXPECT_EQ(ReadBytes(file),
            "    1 Ann           2.5\r\n"
            "12345 longer than ten     -7\r\n"
            "    3                 0\r\n");
  std::ifstream in(file, std::ios::binary);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line.substr(0, 5), "    1");
  EXPECT_EQ(line.substr(6, 10), "Ann       ");
  EXPECT_EQ(line.substr(17, 6), "   2.5");
}

TEST_F(TextWriterTest, CentredColumnsAndTheBlankRowAfterTitles) {
  for (bool fixed : {true, false}) {
    SCOPED_TRACE(fixed);
    TTestDataSet ds;
    Fill(ds, {{1, u"ab", 0}, {2, u"abcde", 0}});
    TRODirezaToText writer;
    const fs::path file = dir / "c.txt";
    Prepare(writer, ds, file);
    writer.CharacterSet = csANSI_WINDOWS;
    writer.Fixed = fixed;
    writer.Separator = fixed ? String(1, u'\0') : String(u";");
    writer.AddTitle = true;
    writer.Options |= OptionBit(soBlankRowAfterCaptions);
    writer.BuildDefaultColumns();
    writer.Columns[0].Width = 2;
    writer.Columns[1].Width = 5;
    writer.Columns[1].Alignment = taCenter;
    writer.Columns[1].Title.Alignment = taCenter;
    writer.Columns.Delete(2);
    writer.Execute();
    // Centred: the same blanks on both sides, at least one; the blank row
    // after the titles has no separators.
    EXPECT_EQ(ReadBytes(file), fixed ? "ID NAME \r\n      \r\n 1 ab \r\n 2 abcde \r\n"
                                     : "ID;NAME\r\n\r\n1;ab\r\n2;abcde\r\n");
  }
}

TEST_F(TextWriterTest, AppendingKeepsOneByteOrderMarkAndOneCharacterSet) {
  TTestDataSet ds;
  Fill(ds, {{1, u"\u010Ce", 1}});
  const fs::path file = dir / "a.csv";
  for (TCharacterSet charset : {csUTF8, csUnicode}) {
    TRODirezaToText writer;
    Prepare(writer, ds, file);
    writer.CharacterSet = charset;
    writer.Separator = u",";
    writer.Options |= OptionBit(soMergeData);
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
    EXPECT_EQ(writer.CharacterSet, charset) << "the setting is the caller's again";
  }
  // The second run asked for UTF-16 but continued the UTF-8 file.
  EXPECT_EQ(ReadBytes(file), "\xEF\xBB\xBF" "1,\xC4\x8C" "e,1\r\n1,\xC4\x8C" "e,1\r\n");
  EXPECT_EQ(PythonRows(file, "utf-8-sig"), Json(std::vector<std::vector<String>>{{u"1", u"\u010Ce", u"1"}, {u"1", u"\u010Ce", u"1"}}));
}

TEST_F(TextWriterTest, WithoutMergeAnExistingFileIsReplaced) {
  TTestDataSet ds;
  Fill(ds, {{1, u"x", 1}});
  const fs::path file = dir / "sub" / "r.csv";
  for (int run = 0; run < 2; ++run) {
    TRODirezaToText writer;
    Prepare(writer, ds, file);
    writer.CharacterSet = csANSI_WINDOWS;
    writer.Separator = u";";
    writer.Execute();
  }
  EXPECT_EQ(ReadBytes(file), "1;x;1\r\n");
}

TEST_F(TextWriterTest, ClipboardHoldsTheTextAndAppendsWithMerge) {
  TTestDataSet ds;
  Fill(ds, {{1, u"\u010Ce", 1.5}, {2, u"b", 2}});
  auto previous = SetClipboard(std::make_unique<TMemoryClipboard>());
  Clipboard().SetUnicodeText(u"before\r\n");
  for (bool merge : {false, true}) {
    SCOPED_TRACE(merge);
    TRODirezaToClipboard writer;
    Prepare(writer, ds, dir / "unused.txt");
    // OEM bytes would reach the clipboard as other letters: it gets Unicode.
    writer.CharacterSet = csASCII_MSDOS;
    writer.AddTitle = true;
    if (merge) writer.Options |= OptionBit(soMergeData);
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
    const String text = u"ID\tNAME\tPRICE\r\n1\t\u010Ce\t1.5\r\n2\tb\t2\r\n";
    EXPECT_EQ(StringToUtf8(Clipboard().GetUnicodeText()), StringToUtf8(merge ? text + text : text));
    EXPECT_EQ(writer.CharacterSet, csASCII_MSDOS);
  }
  EXPECT_FALSE(fs::exists(dir / "unused.txt"));
  SetClipboard(std::move(previous));
}

TEST_F(TextWriterTest, OnlyTheBlankRowAfterTheTitlesLosesItsSeparators) {
  struct Case {
    const char* name;
    bool bands;
    TSMELayout layout;
    const char* expected;
  };
  const Case cases[] = {
      // The band row comes first, so the titles are the second row of the
      // block: they keep their separators.
      {"bands", true, elColumnar, "Both;\r\nID;NAME;PRICE\r\n\r\n1;ab;0\r\n2;cd;0\r\n"},
      {"no bands, a header line", false, elColumnar, "Head\r\nID;NAME;PRICE\r\n\r\n1;ab;0\r\n2;cd;0\r\n"},
      // Tabular: a line per value (title, blank cell, value) and a blank
      // line after each record; the second line is data like the others.
      {"tabular", false, elTabularForm,
       "ID;;1\r\nNAME;;ab\r\nPRICE;;0\r\n\r\nID;;2\r\nNAME;;cd\r\nPRICE;;0\r\n\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTestDataSet ds;
    Fill(ds, {{1, u"ab", 0}, {2, u"cd", 0}});
    TRODirezaToText writer;
    const fs::path file = dir / "b.txt";
    Prepare(writer, ds, file);
    writer.CharacterSet = csANSI_WINDOWS;
    writer.Separator = u";";
    writer.AddTitle = true;
    writer.Options |= OptionBit(soBlankRowAfterCaptions);
    writer.Layout = c.layout;
    if (c.bands) {
      writer.Options |= OptionBit(soExportBands);
      writer.BuildDefaultColumns();
      writer.Bands.Add().Caption = u"Both";
      writer.Columns[0].BandIndex = 0;
      writer.Columns[1].BandIndex = 0;
    } else if (c.layout == elColumnar) {
      writer.Header = {u"Head"};
    }
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
    EXPECT_EQ(ReadBytes(file), c.expected);
  }
}

TEST_F(TextWriterTest, ClipboardIgnoresRowsPerFileAndMakesNoFile) {
  TTestDataSet ds;
  Fill(ds, {{1, u"a", 1}, {2, u"b", 2}, {3, u"c", 3}});
  auto previous = SetClipboard(std::make_unique<TMemoryClipboard>());
  const fs::path cwd = fs::current_path();
  fs::current_path(dir);
  TRODirezaToClipboard writer;
  Prepare(writer, ds, fs::path());
  writer.FileName.clear();
  writer.RowsPerFile = 1;
  writer.AddTitle = true;
  writer.Execute();
  fs::current_path(cwd);
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_EQ(StringToUtf8(Clipboard().GetUnicodeText()), "ID\tNAME\tPRICE\r\n1\ta\t1\r\n2\tb\t2\r\n3\tc\t3\r\n");
  EXPECT_TRUE(fs::is_empty(dir)) << "no split file in the working folder";
  SetClipboard(std::move(previous));
}
