#include <gtest/gtest.h>

#include <vector>

#include "import/ImportExceptions.h"
#include "import/readers/ImportFromText.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Clipboard.h"
#include "tests/db/TestDataSet.h"
#include "tests/import/import_fixture.h"
#include "table/VirtualTable.h"

namespace {

using Rows = std::vector<std::vector<String>>;

// A stream holding the bytes, positioned at offset.
std::unique_ptr<TMemoryStream> BytesStream(const std::string& bytes, Int64 offset = 0) {
  auto stream = std::make_unique<TMemoryStream>();
  stream->WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  stream->SetPosition(offset);
  return stream;
}

std::string Utf16LE(StringView text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

// Drives the reader as the run does and reads the named columns of every
// row it serves.
Rows ReadRows(TRADerevuFromText& reader, const std::vector<String>& columns) {
  Rows rows;
  reader.BeforeImport();
  reader.GoFirst();
  while (reader.NeedMore()) {
    EXPECT_TRUE(reader.LoadRecord());
    std::vector<String> row;
    for (const String& column : columns) {
      Variant value;
      reader.GetFieldValue(Variant(column), value);
      row.push_back(value.AsString());
    }
    rows.push_back(row);
    reader.GoNext();
  }
  reader.AfterImport();
  return rows;
}

Rows ReadStream(TRADerevuFromText& reader, TStream& stream, const std::vector<String>& columns) {
  reader.DataStream = &stream;
  Rows rows = ReadRows(reader, columns);
  reader.DataStream = nullptr;
  return rows;
}

// The lines the loader cuts from ANSI text.
std::vector<String> LoadLines(const std::string& bytes, const TTextLoadOptions& options) {
  auto stream = BytesStream(bytes);
  String captions;
  TTextLines lines;
  LoadTextFromStream(options, captions, lines, *stream);
  std::vector<String> out;
  for (Integer i = 0; i < lines.Count(); ++i) out.emplace_back(lines.Line(i));
  return out;
}

const std::vector<String> kThree = {u"Field1", u"Field2", u"Field3"};

const Rows kFixtureRows = {{u"1", u"Čebelica Šumi", u"plain"},
                           {u"2", u"comma, inside", u"says \"hi\""},
                           {u"3", u"two\r\nlines", u""},
                           {u"4", u"", u"žep €"}};

}  // namespace

TEST(TextImportTest, CsvModuleFilesReadAlikeInEveryEncoding) {
  struct Case {
    const char16_t* file;
    WideChar delimiter;
    WideChar qualifier;
  };
  for (const Case& c : {Case{u"fixtures/rows_utf8.csv", u',', u'"'}, Case{u"fixtures/rows_utf16le.csv", u',', u'"'},
                        Case{u"fixtures/rows_utf16be.csv", u',', u'"'}, Case{u"fixtures/rows_cp1250.csv", u',', u'"'},
                        Case{u"fixtures/rows_semicolon.csv", u';', u'\''}}) {
    SCOPED_TRACE(StringToUtf8(c.file));
    TRADerevuFromText reader;
    reader.SetSourceFileName(c.file);
    reader.SetFieldDelimiterCustom(c.delimiter);
    reader.SetTextQualifierCustom(c.qualifier);
    reader.SetRowFirst(2);
    EXPECT_EQ(ReadRows(reader, kThree), kFixtureRows);
    EXPECT_EQ(reader.Captions(), String(u"id") + c.delimiter + u"name" + c.delimiter + u"note");

    // The names row lies before the data: its fields name the columns.
    reader.BeforeImport();
    reader.DetectAutoMapping();
    ASSERT_EQ(reader.Columns().Count(), 3);
    EXPECT_EQ(reader.Columns()[1].FieldName, u"name");
    EXPECT_EQ(reader.Columns()[1].Caption, u"Field2");
    reader.AfterImport();
  }
}

TEST(TextImportTest, LineSplittingFollowsSeparatorsAndQualifiers) {
  struct Case {
    const char* name;
    std::string text;
    String separator;
    std::vector<String> lines;
  };
  const std::vector<Case> cases = {
      {"LF text with CR LF separator is one line", "a\nb\nc", u"\r\n", {u"a\nb\nc"}},
      {"separator inside qualifiers stays", "\"a\r\nb\",c\r\nd", u"\r\n", {u"\"a\r\nb\",c", u"d"}},
      {"escaped qualifier does not open a section", "x\\\"y\r\nz", u"\r\n", {u"x\\\"y", u"z"}},
      {"unbalanced qualifier takes the rest", "\"a\r\nb\r\nc", u"\r\n", {u"\"a\r\nb\r\nc"}},
      {"trailing SUB and ESC are dropped", "a\r\nb\x1a\x1b", u"\r\n", {u"a", u"b"}},
      {"one trailing separator makes no line", "a\r\n", u"\r\n", {u"a"}},
      {"two trailing separators make one", "a\r\n\r\n", u"\r\n", {u"a", u""}},
      {"custom separator", "a||b||c", u"||", {u"a", u"b", u"c"}},
      {"empty separator: whole text", "a\r\nb", u"", {u"a\r\nb"}},
      {"empty text", "", u"\r\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTextLoadOptions options;
    options.RecordSeparator = c.separator;
    options.FieldNamesRow = 0;
    EXPECT_EQ(LoadLines(c.text, options), c.lines);
  }

  TTextLoadOptions fixedLength;
  fixedLength.RecordSeparator = u"";
  fixedLength.FixedLineLength = 10;
  EXPECT_EQ(LoadLines(std::string(25, 'x'), fixedLength),
            (std::vector<String>{String(10, u'x'), String(10, u'x'), String(5, u'x')}));
}

TEST(TextImportTest, RowWindowCountsSkippedBlankLines) {
  TTextLoadOptions options;
  options.SkipEmpty = true;
  options.FirstRow = 3;
  options.FieldNamesRow = 1;
  String captions;
  TTextLines lines;
  auto stream = BytesStream("h\r\n  \r\nx\r\ny\r\nz");
  LoadTextFromStream(options, captions, lines, *stream);
  EXPECT_EQ(captions, u"h");
  ASSERT_EQ(lines.Count(), 3);
  EXPECT_EQ(lines.Line(0), u"x");

  // RowLast bounds the rows the reader serves.
  TRADerevuFromText reader;
  reader.SetFieldDelimiterCustom(u',');
  reader.SetRowFirst(2);
  reader.SetRowLast(3);
  auto five = BytesStream("a\r\nb\r\nc\r\nd\r\ne");
  EXPECT_EQ(ReadStream(reader, *five, {u"Field1"}), (Rows{{u"b"}, {u"c"}}));
}

TEST(TextImportTest, PreviewReadsFewLinesAndBytes) {
  TTextLoadOptions options;
  options.Preview = true;
  options.PreviewRows = 2;
  EXPECT_EQ(LoadLines("a\r\nb\r\nc\r\nd", options), (std::vector<String>{u"a", u"b"}));
  // About 4 KB per previewed line: a long first line is cut.
  options.PreviewRows = 1;
  const std::vector<String> lines = LoadLines(std::string(20000, 'x'), options);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].size(), 4096u);
}

TEST(TextImportTest, FieldValuesOfDelimitedLines) {
  struct Case {
    std::string line;
    std::vector<String> columns;
    std::vector<String> values;
  };
  const std::vector<Case> cases = {
      {"a,,b", kThree, {u"a", u"", u"b"}},
      {"a,b,", kThree, {u"a", u"b", u""}},
      {",a", {u"Field1", u"Field2"}, {u"", u"a"}},
      {"\"x,y\",z", {u"Field1", u"Field2"}, {u"x,y", u"z"}},
      {"\"a\"\"b\"", {u"Field1"}, {u"a\"b"}},
      {"\"\"\"\"", {u"Field1"}, {u"\""}},
      {"a,b,c", {u"Field9", u"Field0", u"Fieldx", u"Other", u"Text"}, {u"", u"", u"", u"Other", u"a,b,c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    TRADerevuFromText reader;
    reader.SetFieldDelimiterCustom(u',');
    auto stream = BytesStream(c.line);
    EXPECT_EQ(ReadStream(reader, *stream, c.columns), Rows{c.values});
  }
}

TEST(TextImportTest, LongFieldImportsWhole) {
  const std::string big(30000, 'w');
  TRADerevuFromText reader;
  reader.SetFieldDelimiterCustom(u',');
  auto stream = BytesStream("a,\"" + big + "\",b\r\nc,d,e");
  const Rows rows = ReadStream(reader, *stream, kThree);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][1], String(30000, u'w'));
  EXPECT_EQ(rows[0][2], u"b");
}

TEST(TextImportTest, StreamThatDoesNotStartAtZeroReadsToItsEnd) {
  const std::string junk = "JUNK!";
  struct Case {
    const char* name;
    std::string text;
  };
  for (const Case& c : {Case{"UTF-16", Utf16LE(u"a,b\r\nc,d\r\nlast,row")},
                        Case{"UTF-8", "\xEF\xBB\xBF" "a,b\r\nc,d\r\nlast,row"},
                        Case{"ANSI", "a,b\r\nc,d\r\nlast,row"}}) {
    SCOPED_TRACE(c.name);
    TRADerevuFromText reader;
    reader.SetFieldDelimiterCustom(u',');
    auto stream = BytesStream(junk + c.text, static_cast<Int64>(junk.size()));
    EXPECT_EQ(ReadStream(reader, *stream, {u"Field1", u"Field2"}),
              (Rows{{u"a", u"b"}, {u"c", u"d"}, {u"last", u"row"}}));
  }
}

TEST(TextImportTest, EncodingEdgeCases) {
  TTextLoadOptions options;
  options.FieldNamesRow = 0;
  // A doubled UTF-8 mark is skipped as well; an odd UTF-16 byte holds nothing.
  EXPECT_EQ(LoadLines("\xEF\xBB\xBF\xEF\xBB\xBF\xC4\x8D", options), std::vector<String>{u"č"});
  EXPECT_EQ(LoadLines(Utf16LE(u"ab") + "x", options), std::vector<String>{u"ab"});
  // EF BB without BF is no mark: ANSI text.
  EXPECT_EQ(LoadLines("\xEF\xBBz", options).at(0).back(), u'z');
  // A UTF-8 sequence cut by the block size still decodes: 3 MB of "č".
  std::string many;
  for (int i = 0; i < 1500000; ++i) many += "\xC4\x8D";
  const std::vector<String> lines = LoadLines("\xEF\xBB\xBF" + many + "\r\n", options);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], String(1500000, u'č'));
}

TEST(TextImportTest, FixedWidthColumnsAndBreaks) {
  TRADerevuFromText reader;
  reader.SetFixed(true);
  reader.SetFieldDelimiter(fdNone);
  reader.SetTextQualifier(tqNone);
  auto stream = BytesStream("abcdefg");
  // Fixed-width lines have no delimited fields: "Field1" is empty.
  EXPECT_EQ(ReadStream(reader, *stream, {u"Text3-5", u"Text1-0", u"Text", u"Field1", u"Other"}),
            (Rows{{u"cde", u"", u"abcdefg", u"", u"Other"}}));

  // Breaks come from the destination's display widths.
  TTestDataSet ds;
  ds.FieldDefs().Add(u"A", ftString, 3);
  ds.FieldDefs().Add(u"B", ftString, 4);
  ds.Open();
  ds.Fields()[0]->SetDisplayWidth(3);
  ds.Fields()[1]->SetDisplayWidth(4);
  TFieldBoundsList bounds;
  FillFields(&ds, true, 0, 0, u"abcdefg", bounds);
  ASSERT_EQ(bounds.size(), 2u);
  EXPECT_EQ(bounds[0].End, 3);
  EXPECT_EQ(bounds[1].End, 7);
  FillFields(nullptr, true, 0, 0, u"abcdefg", bounds);
  EXPECT_TRUE(bounds.empty());

  // Detected from the names line: ranges and widths.
  reader.SetDataSet(&ds);
  reader.SetRowFirst(2);
  auto named = BytesStream("abcdefg\r\n1234567");
  reader.DataStream = named.get();
  reader.BeforeImport();
  reader.DetectAutoMapping();
  ASSERT_EQ(reader.Columns().Count(), 2);
  EXPECT_EQ(reader.Columns()[0].Caption, u"Text1-3");
  EXPECT_EQ(reader.Columns()[0].FieldName, u"abc");
  EXPECT_EQ(reader.Columns()[1].Caption, u"Text4-7");
  EXPECT_EQ(reader.Columns()[1].Size, 4);
  reader.AfterImport();
  reader.DataStream = nullptr;
}

TEST(TextImportTest, ColumnsOfAFilledDestinationMapInOrder) {
  // With the names row as the first data row, each column stands for a
  // destination field; the mapping must read the source fields in order.
  TTestDataSet ds;
  AddImportFields(ds);
  ds.Open();
  TRADerevuFromText reader;
  reader.SetDataSet(&ds);
  reader.SetFieldDelimiterCustom(u',');
  auto stream = BytesStream("1,Ana\r\n2,Bor");
  reader.DataStream = stream.get();
  reader.BeforeImport();
  reader.DetectAutoMapping();
  reader.Columns2Mapping();
  EXPECT_EQ(reader.Mappings().Get(0), u"ID=Field1");
  EXPECT_EQ(reader.Mappings().Get(1), u"NAME=Field2");
  EXPECT_EQ(reader.Mappings().Get(2), u"First Name=Field3");
  reader.AfterImport();
  reader.DataStream = nullptr;
}

TEST(TextImportTest, TypeScanGuessesColumnTypes) {
  TRADerevuFromText reader;
  reader.SetFieldDelimiterCustom(u';');
  reader.SetMaxScanRows(5);
  reader.DataFormats().SetDecimalSeparator(u',');
  reader.DataFormats().SetBooleanTrue(u"Yes");
  reader.DataFormats().SetBooleanFalse(u"No");
  reader.DataFormats().SetDateOrder(doDMY);
  reader.DataFormats().SetDateSeparator(u'.');
  reader.DataFormats().SetFourDigitYear(true);
  auto stream = BytesStream("n;r;b;d;t\r\n1;1,5;Yes;01.02.2020;x\r\n2;2;No;03.04.2021;y\r\n");
  reader.DataStream = stream.get();
  reader.BeforeImport();
  reader.DetectAutoMapping();
  ASSERT_EQ(reader.Columns().Count(), 5);
  EXPECT_EQ(reader.Columns()[0].DataType, itInteger);
  EXPECT_EQ(reader.Columns()[1].DataType, itFloat);  // a later integer does not narrow it
  EXPECT_EQ(reader.Columns()[2].DataType, itBoolean);
  EXPECT_EQ(reader.Columns()[3].DataType, itDateTime);
  EXPECT_EQ(reader.Columns()[4].DataType, itString);
  reader.AfterImport();
  reader.DataStream = nullptr;
}

TEST(TextImportTest, SettingsChecksAndFilters) {
  TRADerevuFromText reader;
  EXPECT_EQ(reader.SourceFileName(), u"RADerevu.CSV");
  EXPECT_EQ(reader.TableType(), teText);
  // The text reader guesses column types; the engine alone does not.
  EXPECT_TRUE(reader.ProcessRowsForColumnTypes());
  EXPECT_FALSE(TRADerevuBaseComponent().ProcessRowsForColumnTypes());
  String missing;
  EXPECT_TRUE(reader.NotDefined(missing));
  EXPECT_EQ(missing, u"DataSet");
  TTestDataSet ds;
  reader.SetDataSet(&ds);
  reader.SetSourceFileName(u"");
  EXPECT_TRUE(reader.NotDefined(missing));
  EXPECT_EQ(missing, u"SourceFileName");
  EXPECT_EQ(reader.FillFileFilters(),
            u"Comma-delimited file (*.csv)|*.CSV|Text file (*.txt)|*.TXT|Data file (*.dat)|*.DAT|"
            u"Text file (*.prn)|*.PRN|Tabular file (*.tab)|*.TAB|ASCII file (*.asc)|*.ASC|All files (*.*)|*.*");

  // A missing file is the platform's open error.
  reader.SetSourceFileName(u"fixtures/no_such_file.csv");
  EXPECT_THROW(reader.BeforeImport(), EFOpenError);
  reader.AfterImport();
}

TEST(TextImportTest, RunSetUpHonoursRegionalFormats) {
  TFormatSettings settings = FormatSettings;
  settings.DecimalSeparator = u',';
  FormatSettingsGuard guard(settings);
  TRADerevuFromText reader;
  reader.DataFormats().SetDecimalSeparator(u'.');
  reader.DataFormats().SetUseRegionalSettings(true);
  reader.PauseImport();
  auto stream = BytesStream("a");
  reader.DataStream = stream.get();
  reader.BeforeImport();
  EXPECT_EQ(reader.DataFormats().DecimalSeparator(), u',');
  EXPECT_FALSE(reader.PausedProcess);
  reader.AfterImport();
  reader.DataStream = nullptr;
}

TEST(TextImportTest, ClipboardKeepsEveryCharacter) {
  Clipboard().SetUnicodeText(u"a,λ\r\nč,😀");
  TRADerevuFromClipboard reader;
  reader.SetFieldDelimiterCustom(u',');
  reader.SetRowFirst(1);
  EXPECT_EQ(ReadRows(reader, {u"Field1", u"Field2"}), (Rows{{u"a", u"λ"}, {u"č", u"😀"}}));
  EXPECT_EQ(reader.DataStream, nullptr);

  String captions;
  TTextLines lines;
  TTextLoadOptions options;
  LoadClipboard(options, captions, lines);
  EXPECT_EQ(captions, u"a,λ");
  Clipboard().SetUnicodeText(u"");
}

namespace {

// A stream that hands over at most a few bytes a read.
class TTrickleStream : public TMemoryStream {
 public:
  explicit TTrickleStream(Int64 piece) : FPiece(piece) {}
  Int64 Read(void* buffer, Int64 count) override { return TMemoryStream::Read(buffer, std::min(count, FPiece)); }

 private:
  Int64 FPiece;
};

std::string Utf16BE(StringView text) {
  std::string bytes = "\xFE\xFF";
  for (char16_t c : text) {
    bytes += static_cast<char>(c >> 8);
    bytes += static_cast<char>(c & 0xFF);
  }
  return bytes;
}

std::vector<String> LinesOf(TStream& stream, TTextLoadOptions options, String& captions) {
  TTextLines lines;
  LoadTextFromStream(options, captions, lines, stream);
  std::vector<String> out;
  for (Integer i = 0; i < lines.Count(); ++i) out.emplace_back(lines.Line(i));
  return out;
}

}  // namespace

TEST(TextImportTest, BlockEdgesCutNoCharacterSeparatorOrQualifiedLine) {
  // Two-, three- and four-byte UTF-8 characters, a quoted line break, a
  // doubled qualifier, a trailing SUB and separators wherever a small block
  // cuts them.
  const String text = u"id,name\r\n1,\"Čebelica,\r\nŠumi\"\r\n2,€ and 😀\r\n\r\n3,\"say \"\"hi\"\"\"\r\nlast\x1a";
  const std::vector<String> expected = {u"1,\"Čebelica,\r\nŠumi\"", u"2,€ and 😀", u"", u"3,\"say \"\"hi\"\"\"",
                                        u"last"};
  struct Encoding {
    const char* name;
    std::string bytes;
  };
  const std::vector<Encoding> encodings = {{"UTF-8", "\xEF\xBB\xBF" + StringToUtf8(text)},
                                           {"UTF-8, mark twice", "\xEF\xBB\xBF\xEF\xBB\xBF" + StringToUtf8(text)},
                                           {"UTF-16LE", Utf16LE(text)},
                                           {"UTF-16BE", Utf16BE(text)}};
  for (const Encoding& encoding : encodings) {
    for (size_t block : {size_t{1}, size_t{2}, size_t{3}, size_t{5}, size_t{7}, size_t{64}, size_t{1} << 20}) {
      for (Int64 piece : {Int64{1}, Int64{3}, Int64{1} << 30}) {
        SCOPED_TRACE(std::string(encoding.name) + " block " + std::to_string(block) + " piece " +
                     std::to_string(piece));
        TTrickleStream stream(piece);
        stream.WriteBuffer(encoding.bytes.data(), static_cast<Int64>(encoding.bytes.size()));
        stream.SetPosition(0);
        TTextLoadOptions options;
        options.BlockSize = block;
        options.FirstRow = 2;
        String captions;
        EXPECT_EQ(LinesOf(stream, options, captions), expected);
        EXPECT_EQ(captions, u"id,name");
      }
    }
  }

  // ANSI bytes (code page 1250) and fixed-length records across blocks.
  for (size_t block : {size_t{1}, size_t{4}, size_t{1} << 20}) {
    SCOPED_TRACE(block);
    auto ansi = BytesStream("a\xE8\r\nb\x8A\r\n");
    TTextLoadOptions options;
    options.BlockSize = block;
    options.FieldNamesRow = 0;
    String captions;
    EXPECT_EQ(LinesOf(*ansi, options, captions), (std::vector<String>{u"a\u010D", u"b\u0160"}));
    auto fixed = BytesStream(std::string(25, 'x'));
    options.RecordSeparator = u"";
    options.FixedLineLength = 10;
    EXPECT_EQ(LinesOf(*fixed, options, captions),
              (std::vector<String>{String(10, u'x'), String(10, u'x'), String(5, u'x')}));
  }
}

TEST(TextImportTest, RunReadsAlikeWithAnyBlockSize) {
  const std::string bytes = "\xEF\xBB\xBF" "n,t\r\n1,\"a,\r\nb\"\r\n2,čšž\r\n3,\"x\"\"y\"\r\n";
  const Rows expected = {{u"1", u"a,\r\nb"}, {u"2", u"čšž"}, {u"3", u"x\"y"}};
  for (size_t block : {size_t{1}, size_t{2}, size_t{3}, size_t{8}, size_t{1} << 20}) {
    SCOPED_TRACE(block);
    TTrickleStream stream(2);
    stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
    stream.SetPosition(0);
    TRADerevuFromText reader;
    reader.SetBlockSize(block);
    reader.SetFieldDelimiterCustom(u',');
    reader.SetRowFirst(2);
    EXPECT_EQ(ReadStream(reader, stream, {u"Field1", u"Field2"}), expected);
  }
}

namespace {

// A text reader that counts the values asked of it by name, so that a test
// sees which road the run's values took.
class TCountingTextReader : public TRADerevuFromText {
 public:
  int ByName = 0;
  void GetFieldValue(const Variant& name, Variant& value) override {
    ++ByName;
    TRADerevuFromText::GetFieldValue(name, value);
  }
};

// The table's rows as text, a null as "null".
std::vector<std::vector<std::string>> TableRows(TVirtualTable& table) {
  std::vector<std::vector<std::string>> rows;
  for (table.First(); !table.Eof(); table.Next()) {
    std::vector<std::string> row;
    for (TField* field : table.Fields()) row.push_back(field->IsNull() ? "null" : StringToUtf8(field->AsString()));
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

TEST(TextImportTest, DirectColumnReadsGiveTheTableOfTheExpressionRoad) {
  TFormatSettings settings = FormatSettings;
  settings.DecimalSeparator = u'.';
  FormatSettingsGuard guard(settings);
  const std::string csv =
      "id;name;price;born;ok;note;big\r\n"
      "1;Ana;1.234,5;07.03.2015;True;\"a;b\";12345678901\r\n"
      "2; Bor ;,5;;False;\"say \"\"hi\"\"\";\r\n"
      ";;;31.12.1999;;  ;-3\r\n"
      "x;Cene;bad;99.99.9999;maybe;č;1\r\n";
  for (TSMITrimSpaces trim : {tsNoTrim, tsTrimLeft, tsTrimRight, tsTrimLeftRight}) {
    SCOPED_TRACE(static_cast<int>(trim));
    std::vector<std::vector<std::string>> tables[2];
    int byName[2] = {0, 0};
    Integer errors[2] = {0, 0};
    for (int road = 0; road < 2; ++road) {
      TVirtualTable table;
      table.AddField(u"ID", ftInteger);
      table.AddField(u"NAME", ftWideString, 10);
      table.AddField(u"PRICE", ftFloat);
      table.AddField(u"BORN", ftDate);
      table.AddField(u"OK", ftBoolean);
      table.AddField(u"NOTE", ftMemo);
      table.AddField(u"BIG", ftLargeint);
      table.Open();
      TCountingTextReader reader;
      reader.SetAnimatedStatus(false);
      reader.SetOptions(0);
      reader.SetDataSet(&table);
      reader.SetFieldDelimiterCustom(u';');
      reader.SetRowFirst(2);
      reader.SetTrimSpaces(trim);
      reader.SetBlockSize(16);
      reader.DataFormats().SetDecimalSeparator(u',');
      reader.DataFormats().SetThousandSeparator(u'.');
      reader.DataFormats().SetDateOrder(doDMY);
      reader.DataFormats().SetDateSeparator(u'.');
      reader.DataFormats().SetFourDigitYear(true);
      for (const char16_t* line : {u"ID=Field1", u"NAME=Field2", u"PRICE=Field3", u"BORN=Field4", u"OK=Field5",
                                   u"NOTE=Field6", u"BIG=Field7"})
        reader.Mappings().Add(line);
      // A handler that changes nothing sends every value down the road of
      // expressions and events.
      if (road == 1) reader.OnGetCellParams = [](TComponent*, TField*, Variant&) {};
      auto stream = BytesStream(csv);
      reader.LoadFromStream(*stream);
      tables[road] = TableRows(table);
      byName[road] = reader.ByName;
      errors[road] = reader.Statistic().TotalErrors;
    }
    EXPECT_EQ(byName[0], 0);
    EXPECT_GT(byName[1], 0);
    EXPECT_EQ(tables[0], tables[1]);
    EXPECT_EQ(errors[0], errors[1]);
    EXPECT_EQ(errors[0], 1);  // the row of "x", "bad" and "maybe"
    ASSERT_EQ(tables[0].size(), 3u);
    EXPECT_EQ(tables[0][0][2], "1234.5");
    EXPECT_EQ(tables[0][1][5], "say \"hi\"");
  }
}

TEST(TextImportTest, TypeScanOnlyLoosens) {
  struct Case {
    const char* name;
    std::vector<std::string> values;
    TSMIDataType expected;
  };
  const std::vector<Case> cases = {
      {"integers", {"1", "22", "-3"}, itInteger},
      {"an integer after a float stays float", {"1,5", "2"}, itFloat},
      {"a float after integers", {"1", "2", "2,5"}, itFloat},
      {"one text among integers", {"1", "1234", "abc", "5"}, itString},
      {"text first", {"abc", "1"}, itString},
      {"booleans", {"Yes", "No"}, itBoolean},
      {"boolean then integer", {"Yes", "1"}, itString},
      {"dates", {"01.02.2020", "3.4.2021"}, itDateTime},
      {"date then number", {"01.02.2020", "7"}, itString},
      {"empty values tell nothing", {"", "4", ""}, itInteger},
      {"all empty keeps the type", {"", ""}, itString},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string csv = "v\r\n";
    for (const std::string& value : c.values) csv += value + "\r\n";
    TRADerevuFromText reader;
    reader.SetFieldDelimiterCustom(u';');
    reader.SetMaxScanRows(100);
    reader.DataFormats().SetDecimalSeparator(u',');
    reader.DataFormats().SetBooleanTrue(u"Yes");
    reader.DataFormats().SetBooleanFalse(u"No");
    reader.DataFormats().SetDateOrder(doDMY);
    reader.DataFormats().SetDateSeparator(u'.');
    reader.DataFormats().SetFourDigitYear(true);
    auto stream = BytesStream(csv);
    reader.DataStream = stream.get();
    reader.BeforeImport();
    reader.DetectAutoMapping();
    ASSERT_EQ(reader.Columns().Count(), 1);
    EXPECT_EQ(reader.Columns()[0].DataType, c.expected);
    reader.AfterImport();
    reader.DataStream = nullptr;
  }
}
