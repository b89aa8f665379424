// The DBF writer: the bytes of header, descriptors, records and memo blocks,
// and what dbfread, DBD::XBase and LibreOffice read back from every flavour.
#include <gtest/gtest.h>

#include <filesystem>

#include "export/writers/ExportToDBF.h"
#include "platform/db/Fields.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "tests/db/TestDataSet.h"
#include "tests/export/interop.h"

namespace {

namespace fs = std::filesystem;
using interop::ReadBytes;

struct Row {
  Integer Id;
  const char16_t* Name;
  double Price;
  TDateTime Born;
  bool Ok;
  const char16_t* Note;  // nullptr: null
};

const std::vector<Row> kRows = {
    {1, u"Ana", 3.5, 36526, true, u"Short note"},
    {2, u"Žiga; \"Čopič\"", -12.25, 44000, false, nullptr},
    {3, u"Špela", 0, 45000, true, u"   "},
    {4, u"Long", 1234567.891, 40000, false, u"Line one\r\nline two with ščž"},
};

void Fill(TTestDataSet& ds, const std::vector<Row>& rows, bool memo) {
  ds.FieldDefs().Add(u"ID", ftInteger);
  ds.FieldDefs().Add(u"NAME", ftString, 20);
  ds.FieldDefs().Add(u"PRICE", ftFloat);
  ds.FieldDefs().Add(u"BORN", ftDate);
  ds.FieldDefs().Add(u"OK", ftBoolean);
  if (memo) ds.FieldDefs().Add(u"NOTE", ftMemo);
  ds.Open();
  for (const Row& row : rows) {
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(row.Id);
    ds.FieldByName(u"NAME")->SetAsString(row.Name);
    ds.FieldByName(u"PRICE")->SetAsFloat(row.Price);
    ds.FieldByName(u"BORN")->SetAsDateTime(row.Born);
    ds.FieldByName(u"OK")->SetAsBoolean(row.Ok);
    if (memo && row.Note != nullptr) ds.FieldByName(u"NOTE")->SetAsString(row.Note);
    ds.Post();
  }
  ds.First();
}

// One record; a null variant leaves the field null.
void AppendValues(TDataSet& ds, std::initializer_list<Variant> values) {
  ds.Append();
  Integer no = 1;
  for (const Variant& value : values) {
    if (!value.IsNull()) ds.Fields().FieldByNumber(no)->SetAsVariant(value);
    ++no;
  }
  ds.Post();
}

void Prepare(TRODirezaToDBF& writer, TDataSet& ds, const fs::path& file) {
  writer.SetDataSet(&ds);
  writer.ColumnSource = csDataSet;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.AnimatedStatus = false;
  writer.FileName = Utf8ToString(file.string());
}

TSMEColumn& AddColumn(TRODirezaToDBF& writer, const char16_t* field, TCellType type, Integer width) {
  TSMEColumn& column = writer.Columns.Add();
  column.FieldName = field;
  column.Title.Caption = field;
  column.DataType = type;
  column.Width = width;
  return column;
}

Cardinal LE32(const std::string& bytes, size_t at) {
  return static_cast<Byte>(bytes[at]) | static_cast<Byte>(bytes[at + 1]) << 8 |
         static_cast<Byte>(bytes[at + 2]) << 16 | static_cast<Cardinal>(static_cast<Byte>(bytes[at + 3])) << 24;
}
Cardinal LE16(const std::string& bytes, size_t at) {
  return static_cast<Byte>(bytes[at]) | static_cast<Byte>(bytes[at + 1]) << 8;
}
Cardinal BE32(const std::string& bytes, size_t at) {
  return static_cast<Cardinal>(static_cast<Byte>(bytes[at])) << 24 | static_cast<Byte>(bytes[at + 1]) << 16 |
         static_cast<Byte>(bytes[at + 2]) << 8 | static_cast<Byte>(bytes[at + 3]);
}

class DbfWriterTest : public testing::Test {
 protected:
  void SetUp() override { dir = interop::TempDir("dbf"); }
  void TearDown() override { interop::RemoveTempDir(dir); }

  // The sample rows with their memos as a table of that flavour; returns
  // the flavour the run ended with.
  // With stringRoad every cell goes through OnGetCellParams and WriteData.
  TDBFVersion WriteSample(const fs::path& file, TDBFVersion version, TDBFMemoType memo = dmDBT,
                          bool stringRoad = false) {
    TTestDataSet ds;
    Fill(ds, kRows, true);
    TRODirezaToDBF writer;
    Prepare(writer, ds, file);
    if (stringRoad)
      writer.OnGetCellParams = [](TSMECustomBaseComponent*, TField*, String&, TFont&, TAlignment&, TColor&, TCellType&) {};
    writer.DBFVersion = version;
    writer.DBFMemoType = memo;
    writer.Execute();
    EXPECT_EQ(writer.Statistic.Result, erCompleted);
    return writer.DBFVersion;
  }

  fs::path dir;
};

TEST_F(DbfWriterTest, HeaderDescriptorsAndRecordsAreLaidOutByteForByte) {
  TTestDataSet ds;
  Fill(ds, {kRows[0]}, false);
  TRODirezaToDBF writer;
  Prepare(writer, ds, dir / "t.dbf");
  AddColumn(writer, u"ID", ctInteger, 0);
  AddColumn(writer, u"NAME", ctString, 20);
  AddColumn(writer, u"PRICE", ctDouble, 10);
  AddColumn(writer, u"BORN", ctDate, 10);
  AddColumn(writer, u"OK", ctBoolean, 10);
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  const std::string bytes = ReadBytes(dir / "t.dbf");
  EXPECT_FALSE(fs::exists(dir / "t.dbt"));  // no memo column, no memo file
  EXPECT_EQ(static_cast<Byte>(bytes[0]), 0x03);
  Word year, month, day;
  DecodeDate(Date(), year, month, day);
  EXPECT_EQ(static_cast<Byte>(bytes[1]), year - 1900);
  EXPECT_EQ(LE32(bytes, 4), 1u);
  const Cardinal headerSize = LE16(bytes, 8);
  EXPECT_EQ(headerSize, 5u * 32 + 33);
  // ID N 11, NAME C 20, PRICE N 15.2, BORN D 8, OK L 1, and the flag.
  EXPECT_EQ(LE16(bytes, 10), 1u + 11 + 20 + 15 + 8 + 1);
  struct Descriptor {
    const char* name;
    char type;
    Cardinal address, length, decimals;
  };
  const Descriptor expected[] = {{"ID", 'N', 1, 11, 0}, {"NAME", 'C', 12, 20, 0}, {"PRICE", 'N', 32, 15, 2},
                                 {"BORN", 'D', 47, 8, 0}, {"OK", 'L', 55, 1, 0}};
  for (size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(expected[i].name);
    const size_t at = 32 + 32 * i;
    EXPECT_EQ(std::string(bytes.data() + at), expected[i].name);
    EXPECT_EQ(bytes[at + 11], expected[i].type);
    EXPECT_EQ(LE32(bytes, at + 12), expected[i].address);
    EXPECT_EQ(static_cast<Byte>(bytes[at + 16]), expected[i].length);
    EXPECT_EQ(static_cast<Byte>(bytes[at + 17]), expected[i].decimals);
  }
  EXPECT_EQ(bytes[headerSize - 1], '\x0D');
  EXPECT_EQ(bytes.substr(headerSize),
            std::string(" ") + "          1" + "Ana                 " + "           3.50" + "20000101" + "T");
}

// Under the DOS character set the texts arrive as OEM bytes and stay so:
// converted once, never again to the ANSI code page.
TEST_F(DbfWriterTest, OemTextIsConvertedOnce) {
  TTestDataSet ds;
  Fill(ds, {kRows[1]}, true);
  TRODirezaToDBF writer;
  Prepare(writer, ds, dir / "oem.dbf");
  writer.CharacterSet = csASCII_MSDOS;
  writer.Execute();
  const std::string table = ReadBytes(dir / "oem.dbf");
  const std::string name = StringToCodePage(u"Žiga; \"Čopič\"", OemCodePage());
  EXPECT_NE(table.find(name), std::string::npos);
  EXPECT_EQ(table.find(StringToAnsi(u"Žiga")), std::string::npos);
}

TEST_F(DbfWriterTest, HeaderSizeFollowsTheDescriptorLayout) {
  const struct {
    TDBFVersion version;
    Byte versionByte;
    Cardinal headerSize;
  } cases[] = {{dBase3, 0x03, 129}, {dBase7, 0x04, 213}, {VFP3, 0x30, 392}, {dBase5, 0x04, 213}, {FoxPro2, 0xFA, 129}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.version));
    TTestDataSet ds;
    ds.FieldDefs().Add(u"A", ftInteger);
    ds.FieldDefs().Add(u"B", ftString, 5);
    ds.FieldDefs().Add(u"C", ftDate);
    ds.Open();
    AppendValues(ds, {Variant(7), Variant(u"xy"), Variant::Null()});
    TRODirezaToDBF writer;
    Prepare(writer, ds, dir / "h.dbf");
    writer.DBFVersion = c.version;
    writer.Execute();
    const std::string bytes = ReadBytes(dir / "h.dbf");
    ASSERT_GT(bytes.size(), 40u);
    EXPECT_EQ(static_cast<Byte>(bytes[0]), c.versionByte);
    EXPECT_EQ(LE16(bytes, 8), c.headerSize);
    EXPECT_EQ(bytes.size(), c.headerSize + LE16(bytes, 10));
    if (c.version == dBase7) {
      EXPECT_EQ(bytes.substr(32, 8), "DBWINUS0");
      EXPECT_EQ(bytes.substr(68, 1), "A");
      EXPECT_EQ(bytes[68 + 32], 'N');
      EXPECT_EQ(static_cast<Byte>(bytes[68 + 33]), 11);
    }
  }
}

TEST_F(DbfWriterTest, UniqueFieldNames) {
  TRODirezaToDBF writer;
  TTestDataSet ds;
  ds.FieldDefs().Add(u"X", ftInteger);
  ds.Open();
  Prepare(writer, ds, dir / "n.dbf");
  const char16_t* titles[] = {u"Amount", u"Amount", u"Amount", u"Total9", u"Total9", u"ABCDEFGHIJKL", u"ABCDEFGHIJ",
                              u"Unit Price", u"7", u"7"};
  for (const char16_t* title : titles) {
    TSMEColumn& column = writer.Columns.Add();
    column.FieldName = u"X";
    column.Title.Caption = title;
    column.DataType = ctInteger;
  }
  writer.Execute();
  const std::string bytes = ReadBytes(dir / "n.dbf");
  const char* expected[] = {"Amount", "Amount1", "Amount2", "Total9", "Total10", "ABCDEFGHIJ", "ABCDEFGHI1",
                            "Unit_Price", "7", "8"};
  for (size_t i = 0; i < std::size(expected); ++i)
    EXPECT_EQ(std::string(bytes.data() + 32 + 32 * i, strnlen(bytes.data() + 32 + 32 * i, 11)), expected[i]) << i;
}

TEST_F(DbfWriterTest, NumbersDatesAndLogicals) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"F", ftFloat);
  ds.FieldDefs().Add(u"S", ftSmallint);
  ds.FieldDefs().Add(u"D", ftDate);
  ds.FieldDefs().Add(u"L", ftBoolean);
  ds.Open();
  AppendValues(ds, {Variant(1e20), Variant(123), Variant::Null(), Variant::Null()});  // too wide for N 15.2
  AppendValues(ds, {Variant::Null(), Variant::Null(), Variant::Null(), Variant(false)});
  AppendValues(ds, {Variant(-0.004), Variant(-7), Variant(TDateTime(2)), Variant(true)});
  for (bool blankIfZero : {false, true}) {
    SCOPED_TRACE(blankIfZero);
    TRODirezaToDBF writer;
    Prepare(writer, ds, dir / "v.dbf");
    AddColumn(writer, u"F", ctDouble, 10);
    AddColumn(writer, u"S", ctInteger, 10);
    AddColumn(writer, u"D", ctDate, 10);
    AddColumn(writer, u"L", ctBoolean, 10);
    writer.BlankIfZero = blankIfZero;
    writer.Execute();
    const std::string bytes = ReadBytes(dir / "v.dbf");
    const size_t start = LE16(bytes, 8), size = LE16(bytes, 10);
    ASSERT_EQ(bytes.size(), start + 3 * size);
    EXPECT_EQ(bytes.substr(start, size), std::string(" ") + std::string(15, '*') + "        123" + "        " + " ");
    EXPECT_EQ(bytes.substr(start + size, size),
              blankIfZero ? std::string(" ") + std::string(15, ' ') + std::string(11, ' ') + "        " + "F"
                          : std::string(" ") + "           0.00" + "          0" + "        " + "F");
    EXPECT_EQ(bytes.substr(start + 2 * size, size), std::string(" ") + "           0.00" + "         -7" + "19000101" + "T");
  }
}

// The wizard's road (dBase III) and the database library's (dBase IV) with
// a memo column, and FoxPro's memo file.
TEST_F(DbfWriterTest, MemoBlocksOfEachKind) {
  const std::string note = "Short note";
  const std::string longNote = "Line one\r\nline two with \x9A\xE8\x9E";  // ščž in 1250
  {
    EXPECT_EQ(WriteSample(dir / "d3.dbf", dBase3), dBase3Memo);
    const std::string table = ReadBytes(dir / "d3.dbf"), memo = ReadBytes(dir / "d3.dbt");
    EXPECT_EQ(static_cast<Byte>(table[0]), 0x83);
    EXPECT_EQ(LE32(memo, 0), 3u);  // blocks 1 and 2 used
    EXPECT_EQ(static_cast<Byte>(memo[16]), 0x03);
    EXPECT_EQ(LE16(memo, 20), 512u);
    EXPECT_EQ(memo.size(), 3u * 512);
    EXPECT_EQ(memo.substr(512, note.size() + 3), note + "\x1A\x1A" + std::string(1, '\0'));
    EXPECT_EQ(memo.substr(1024, longNote.size() + 2), longNote + "\x1A\x1A");
    const size_t start = LE16(table, 8), size = LE16(table, 10);
    const auto memoField = [&](int record) { return table.substr(start + size * record + size - 10, 10); };
    EXPECT_EQ(memoField(0), "         1");
    EXPECT_EQ(memoField(1), std::string(10, ' '));  // null
    EXPECT_EQ(memoField(2), std::string(10, ' '));  // blanks only
    EXPECT_EQ(memoField(3), "         2");
  }
  {
    EXPECT_EQ(WriteSample(dir / "d4.dbf", dBase4), dBase4Memo);
    const std::string table = ReadBytes(dir / "d4.dbf"), memo = ReadBytes(dir / "d4.dbt");
    EXPECT_EQ(static_cast<Byte>(table[0]), 0x8B);
    EXPECT_EQ(static_cast<Byte>(memo[16]), 0);  // 3 would claim dBase III blocks
    EXPECT_EQ(memo.substr(512, 4), std::string("\xFF\xFF\x08\x00", 4));
    EXPECT_EQ(LE32(memo, 516), note.size() + 8);  // dBase IV counts its block header
    EXPECT_EQ(memo.substr(520, note.size()), note);
  }
  {
    EXPECT_EQ(WriteSample(dir / "fp.dbf", FoxPro), FoxProMemo);
    const std::string table = ReadBytes(dir / "fp.dbf"), memo = ReadBytes(dir / "fp.fpt");
    EXPECT_FALSE(fs::exists(dir / "fp.dbt"));
    EXPECT_EQ(static_cast<Byte>(table[0]), 0xF5);
    EXPECT_EQ(BE32(memo, 0), 3u);
    EXPECT_EQ(memo.substr(6, 2), std::string("\x02\x00", 2));
    EXPECT_EQ(BE32(memo, 512), 1u);
    EXPECT_EQ(BE32(memo, 516), note.size());  // FoxPro counts the text alone
    EXPECT_EQ(memo.substr(520, note.size()), note);
  }
}

TEST_F(DbfWriterTest, TypedCellsAndTextsGiveTheSameBytes) {
  for (TDBFVersion version : {dBase3, dBase4, FoxPro}) {
    SCOPED_TRACE(static_cast<int>(version));
    WriteSample(dir / "typed.dbf", version);
    WriteSample(dir / "texts.dbf", version, dmDBT, true);
    EXPECT_EQ(ReadBytes(dir / "typed.dbf"), ReadBytes(dir / "texts.dbf"));
    const char* memo = version == FoxPro ? ".fpt" : ".dbt";
    EXPECT_EQ(ReadBytes((dir / "typed").concat(memo)), ReadBytes((dir / "texts").concat(memo)));
  }
}

TEST_F(DbfWriterTest, RecordCountMatchesTheRecordsWritten) {
  TTestDataSet ds;
  Fill(ds, kRows, false);
  {
    TRODirezaToDBF writer;
    Prepare(writer, ds, dir / "skip.dbf");
    int seen = 0;
    writer.OnBeforeRecord = [&](TSMECustomBaseComponent*, bool& accept) { accept = seen++ % 2 == 0; };
    writer.Execute();
    const std::string bytes = ReadBytes(dir / "skip.dbf");
    EXPECT_EQ(LE32(bytes, 4), 2u);
    EXPECT_EQ(bytes.size(), LE16(bytes, 8) + 2 * LE16(bytes, 10));
  }
  {
    TRODirezaToDBF writer;
    Prepare(writer, ds, dir / "cancel.dbf");
    writer.OnProgress = [](TSMECustomBaseComponent*, Integer written, Integer, bool& abort) { abort = written == 3; };
    writer.Execute();
    EXPECT_EQ(writer.Statistic.Result, erCanceled);
    EXPECT_EQ(LE32(ReadBytes(dir / "cancel.dbf"), 4), 3u);
  }
  {
    TRODirezaToDBF writer;
    Prepare(writer, ds, dir / "split.dbf");
    writer.RowsPerFile = 3;
    writer.Execute();
    EXPECT_EQ(LE32(ReadBytes(dir / "split.dbf"), 4), 3u);
    EXPECT_EQ(LE32(ReadBytes(dir / "split001.dbf"), 4), 1u);
  }
}

TEST_F(DbfWriterTest, TooManyFieldsForTheHeaderIsAClearError) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"X", ftInteger);
  ds.Open();
  TRODirezaToDBF writer;
  Prepare(writer, ds, dir / "wide.dbf");
  for (int i = 0; i < 2100; ++i) {
    TSMEColumn& column = writer.Columns.Add();
    column.FieldName = u"X";
    column.Title.Caption = u"F" + IntToStr(i);
  }
  try {
    writer.Execute();
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find(u"2100 fields are too many"), String::npos) << StringToUtf8(e.Message());
  }
}

// ---------------------------------------------------------------------------
// Independent readers

struct Flavour {
  TDBFVersion Version;
  TDBFMemoType Memo;
  const char* MemoExtension;
};

const Flavour kFlavours[] = {
    {dBase3, dmDBT, ".dbt"},   {dBase3Plus, dmDBT, ".dbt"}, {FoxPro, dmDBT, ".fpt"},     {dBase4, dmDBT, ".dbt"},
    {VFP3, dmFPT, ".fpt"},     {FoxBASE1, dmDBT, ".dbt"},
    {FoxBASE2, dmFPT, ".fpt"}, {VFP3AutoIncrement, dmFPT, ".fpt"}, {HyperSix, dmDBT, ".dbt"},
    {VFP3Binary, dmFPT, ".fpt"}, {dBase4SQL, dmDBT, ".dbt"}, {dBase4SQLSys, dmDBT, ".dbt"}, {FoxPro2, dmFPT, ".fpt"},
    {dBase3, dmFPT, ".fpt"},   {dBase4, dmFPT, ".fpt"}};

const char kExpectedRecords[] =
    "[[1, \"Ana\", 3.5, \"2000-01-01\", true, \"Short note\"], "
    "[2, \"\\u017diga; \\\"\\u010copi\\u010d\\\"\", -12.25, \"2020-06-18\", false, null], "
    "[3, \"\\u0160pela\", 0.0, \"2023-03-15\", true, null], "
    "[4, \"Long\", 1234567.89, \"2009-07-06\", false, \"Line one\\r\\nline two with \\u0161\\u010d\\u017e\"]]";

TEST_F(DbfWriterTest, DbfreadReadsEveryFlavourWithItsMemos) {
  if (!interop::HavePython("dbfread")) GTEST_SKIP() << "python3-dbfread is not installed";
  for (const Flavour& flavour : kFlavours) {
    SCOPED_TRACE(static_cast<int>(flavour.Version));
    SCOPED_TRACE(flavour.MemoExtension);
    const fs::path file = dir / ("f" + std::to_string(flavour.Version) + flavour.MemoExtension + ".dbf");
    WriteSample(file, flavour.Version, flavour.Memo);
    fs::path memo = file;
    ASSERT_TRUE(fs::exists(memo.replace_extension(flavour.MemoExtension)));
    const interop::Result read = interop::Run("/usr/bin/python3 read_dbf.py '" + file.string() + "'");
    ASSERT_EQ(read.Status, 0) << read.Output;
    EXPECT_EQ(read.Output, std::string("{\"fields\": [\"ID\", \"NAME\", \"PRICE\", \"BORN\", \"OK\", \"NOTE\"], "
                                       "\"records\": ") + kExpectedRecords + "}\n");
  }
}

TEST_F(DbfWriterTest, XBaseReadsMemosOfTheDBaseKinds) {
  if (std::system("perl -MXBase -e 1 >/dev/null 2>&1") != 0) GTEST_SKIP() << "libdbd-xbase-perl is not installed";
  for (TDBFVersion version : {dBase3, dBase4, FoxPro}) {
    SCOPED_TRACE(static_cast<int>(version));
    const fs::path file = dir / ("x" + std::to_string(version) + ".dbf");
    WriteSample(file, version);
    const interop::Result read = interop::Run("perl read_dbf.pl '" + file.string() + "' | iconv -f cp1250 -t utf-8");
    ASSERT_EQ(read.Status, 0) << read.Output;
    EXPECT_EQ(read.Output,
              "ID|NAME|PRICE|BORN|OK|NOTE\n"
              "1|Ana|3.5|20000101|1|Short note\n"
              "2|Žiga; \"Čopič\"|-12.25|20200618|0|<null>\n"
              "3|Špela|0|20230315|1|<null>\n"
              "4|Long|1234567.89|20090706|0|Line one\r\nline two with ščž\n");
  }
}

TEST_F(DbfWriterTest, LibreOfficeReadsEveryRecordAndMemo) {
  if (!interop::Have("soffice")) GTEST_SKIP() << "LibreOffice is not installed";
  std::vector<fs::path> files;
  for (TDBFVersion version : {dBase3, dBase4, FoxPro, VFP3}) {
    files.push_back(dir / ("lo" + std::to_string(version) + ".dbf"));
    // Visual FoxPro tables keep their memos in .fpt files only.
    WriteSample(files.back(), version, version == VFP3 ? dmFPT : dmDBT);
  }
  // dBase import in code page 1250 (LibreOffice's encoding number 33).
  const auto csvs = interop::LibreOfficeConvert(files, interop::kLibreOfficeCsv, "csv", dir, "dBase:33");
  for (const fs::path& csv : csvs) {
    SCOPED_TRACE(csv.string());
    EXPECT_EQ(ReadBytes(csv),
              "\"ID,N,11,0\",\"NAME,C,21\",\"PRICE,N,16,2\",\"BORN,D\",\"OK,L\",\"NOTE,M\"\n"
              "1,\"Ana\",3.50,01/01/00,TRUE,\"Short note\"\n"
              "2,\"Žiga; \"\"Čopič\"\"\",-12.25,06/18/20,FALSE,\n"
              "3,\"Špela\",0.00,03/15/23,TRUE,\n"
              "4,\"Long\",1234567.89,07/06/09,FALSE,\"Line one\nline two with ščž\"\n");
  }
}

}  // namespace
