// The database table writer: Paradox tables read back by pxlib and by the
// import's Paradox reader, dBase and FoxPro tables by dbfread, ASCII tables
// by Python's csv module; every value, nulls, whole memos and blob bytes,
// the table's own numbering, and failed runs that leave no table behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "export/writers/ExportToBDE.h"
#include "export/writers/ParadoxTable.h"
#include "platform/db/Fields.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/db/TestDataSet.h"
#include "tests/export/run_tool.h"
#include "tests/export/paradox_read_back.h"
#include "tests/support/exception_message.h"

namespace fs = std::filesystem;

namespace {

const String kLongMemo = String(5000, u'm') + u" konec Ž";

std::vector<Byte> BlobBytes(size_t size) {
  std::vector<Byte> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<Byte>(i * 7 % 256);
  return bytes;
}

// Every kind of field; row 2 is null but for ID and SMALL (zero is not
// null), row 3 has a memo and a blob short enough for their records.
void Fill(TTestDataSet& ds) {
  ds.FieldDefs().Add(u"ID", ftInteger);
  ds.FieldDefs().Add(u"NAME", ftString, 20);
  ds.FieldDefs().Add(u"PRICE", ftFloat);
  ds.FieldDefs().Add(u"BORN", ftDate);
  ds.FieldDefs().Add(u"OK", ftBoolean);
  ds.FieldDefs().Add(u"AT", ftTime);
  ds.FieldDefs().Add(u"STAMP", ftDateTime);
  ds.FieldDefs().Add(u"BIG", ftLargeint);
  ds.FieldDefs().Add(u"NOTE", ftMemo);
  ds.FieldDefs().Add(u"PIC", ftBlob);
  ds.FieldDefs().Add(u"WIDE", ftWideString, 10);
  ds.FieldDefs().Add(u"SMALL", ftSmallint);
  ds.Open();
  ds.Append();
  ds.FieldByName(u"ID")->SetAsInteger(1);
  ds.FieldByName(u"NAME")->SetAsString(u"Žiga \"x\", 'y'");
  ds.FieldByName(u"PRICE")->SetAsFloat(-12.25);
  ds.FieldByName(u"BORN")->SetAsDateTime(EncodeDate(2024, 2, 29));
  ds.FieldByName(u"OK")->SetAsBoolean(true);
  ds.FieldByName(u"AT")->SetAsDateTime(EncodeTime(13, 45, 30, 0));
  ds.FieldByName(u"STAMP")->SetAsDateTime(EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 58, 0));
  ds.FieldByName(u"BIG")->SetAsLargeInt(1099511627776LL);
  ds.FieldByName(u"NOTE")->SetAsString(kLongMemo);
  ds.FieldByName(u"PIC")->SetAsBytes(BlobBytes(300));
  ds.FieldByName(u"WIDE")->SetAsString(u"ŠČ");
  ds.FieldByName(u"SMALL")->SetAsInteger(-5);
  ds.Post();
  ds.Append();
  ds.FieldByName(u"ID")->SetAsInteger(2);
  ds.FieldByName(u"SMALL")->SetAsInteger(0);
  ds.Post();
  ds.Append();
  ds.FieldByName(u"ID")->SetAsInteger(3);
  ds.FieldByName(u"NAME")->SetAsString(u"C");
  ds.FieldByName(u"NOTE")->SetAsString(u"tiny");
  ds.FieldByName(u"PIC")->SetAsBytes(BlobBytes(3));
  ds.Post();
  ds.First();
}

class BdeWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = FreshFolder("bde_writer");
    FormatSettings.DecimalSeparator = u',';
    Fill(Data);
  }
  void TearDown() override { fs::remove_all(Dir); }

  void Run(TRODirezaToBDE& writer, const fs::path& file, TTableType type) {
    writer.SetDataSet(&Data);
    writer.ColumnSource = csDataSet;
    writer.AnimatedStatus = false;
    writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
    writer.SetBDETableType(type);
    writer.FileName = Utf8ToString(file.string());
    writer.Execute();
  }

  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path Dir;
  TTestDataSet Data;
};

std::string Ansi(const char16_t* text) { return StringToAnsi(text); }

std::string FileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(BdeWriterTest, ParadoxTableReadsBackWithOurReaderEveryValueNullMemoAndBlob) {
  TRODirezaToBDE writer;
  Run(writer, Dir / "people.db", ttParadox);
  EXPECT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_EQ(writer.Statistic.TotalCount, 3);
  EXPECT_EQ(Files(), (std::vector<std::string>{"people.db", "people.mb"}));

  const TParadoxReadBack table = ReadParadoxBack((Dir / "people.db").string());
  EXPECT_EQ(table.TableName, "people");
  EXPECT_EQ(table.Fields, (std::vector<std::string>{"ID:LongInt", "NAME:Char", "PRICE:Number", "BORN:Date",
                                                    "OK:Logical", "AT:Time", "STAMP:TimeStamp", "BIG:Number",
                                                    "NOTE:MEMO", "PIC:BLOB", "WIDE:Char", "SMALL:ShortInt"}));
  ASSERT_EQ(table.Cells.size(), 3u);
  const std::vector<std::string> row1 = {"1", "Žiga \"x\", 'y'", "-12.25", "2024-02-29", "T", "13:45:30",
                                         "1999-12-31 23:59:58"};
  for (size_t c = 0; c < row1.size(); ++c) EXPECT_EQ(table.Cells[0][c], row1[c]) << c;
  EXPECT_EQ(table.Exact[0][7], "1099511627776");
  EXPECT_EQ(table.Cells[0][8], StringToUtf8(kLongMemo));
  const std::vector<Byte> blob = BlobBytes(300);
  // The reader hands blob bytes on as text of the ANSI code page.
  EXPECT_EQ(table.Exact[0][9], StringToAnsi(AnsiToString(std::string(blob.begin(), blob.end()))));
  EXPECT_EQ(table.Cells[0][10], "ŠČ");
  EXPECT_EQ(table.Cells[0][11], "-5");
  for (size_t c = 1; c < 11; ++c) EXPECT_EQ(table.Cells[1][c], "") << c;
  EXPECT_EQ(table.Cells[1][11], "0");
  EXPECT_EQ(table.Cells[2][8], "tiny");
  EXPECT_EQ(table.Exact[2][9], std::string("\x00\x07\x0e", 3));
}

#ifdef READ_PARADOX
TEST_F(BdeWriterTest, PxlibReadsTheParadoxTable) {
  TRODirezaToBDE writer;
  Run(writer, Dir / "people.db", ttParadox);
  const ToolResult read = RunTool(std::string(READ_PARADOX) + " '" + (Dir / "people.db").string() + "'");
  ASSERT_EQ(read.ExitCode, 0) << read.Output;
  EXPECT_EQ(read.Output, "ID:4\tNAME:1\tPRICE:6\tBORN:2\tOK:9\tAT:20\tSTAMP:21\tBIG:6\tNOTE:12\tPIC:13\tWIDE:1\tSMALL:3\n"
                         "1\t" + Ansi(u"Žiga \"x\", 'y'") + "\t-12.25\t2024-02-29\tT\t13:45:30\t1999-12-31 23:59:58\t"
                         "1.099511628e+12\t<5008>\t<300>\t" + Ansi(u"ŠČ") + "\t-5\n"
                         "2\t\t\t\t\t\t\t\t\t\t\t0\n"
                         "3\tC\t\t\t\t\t\t\t<4>\t<3>\t\t\n");
}
#endif

// Enough records for a chain of blocks, through pxlib and our reader alike.
TEST(ParadoxTableWriter, RecordsSpanAChainOfBlocks) {
  const fs::path dir = FreshFolder("paradox_blocks");
  const String file = Utf8ToString((dir / "blocks.db").string());
  {
    TSafeFileWriter out(file);
    TParadoxTableWriter table(out.Stream(), nullptr, u"blocks", {{u"No", pwLong, 0}, {u"Text", pwAlpha, 200}});
    for (Integer r = 0; r < 100; ++r) table.AppendRecord({Variant(r), Variant(String(u"row ") + IntToStr(r))});
    table.Finish();
    out.Commit();
  }
  const TParadoxReadBack read = ReadParadoxBack((dir / "blocks.db").string());
  ASSERT_EQ(read.Cells.size(), 100u);
  EXPECT_EQ(read.Cells[0], (std::vector<std::string>{"0", "row 0"}));
  EXPECT_EQ(read.Cells[99], (std::vector<std::string>{"99", "row 99"}));
#ifdef READ_PARADOX
  const ToolResult px = RunTool(std::string(READ_PARADOX) + " '" + (dir / "blocks.db").string() + "'");
  ASSERT_GE(px.Output.size(), 10u) << px.Output;
  EXPECT_EQ(px.Output.substr(px.Output.size() - 10), "99\trow 99\n");
#endif
  fs::remove_all(dir);
}

// Values the format encodes in its own way, byte for byte.
TEST(ParadoxTableWriter, EncodesNumbersBigEndianWithTheSignFlippedAndBlankAsZeros) {
  TMemoryStream stream;
  TParadoxTableWriter table(stream, nullptr, u"t",
                            {{u"S", pwShort, 0}, {u"L", pwLogical, 0}, {u"N", pwNumber, 0}, {u"A", pwAlpha, 5}});
  struct TCase {
    size_t Field;
    Variant Value;
    std::string Bytes;
  };
  const TCase cases[] = {
      {0, Variant(-5), std::string("\x7F\xFB", 2)},    {0, Variant(5), std::string("\x80\x05", 2)},
      {0, Variant::Null(), std::string("\0\0", 2)},    {1, Variant(true), "\x81"},
      {1, Variant(false), "\x80"},                     {2, Variant(-12.5), "\x3F\xD6\xFF\xFF\xFF\xFF\xFF\xFF"},
      {2, Variant(0.0), std::string("\x80\0\0\0\0\0\0\0", 8)},
      {3, Variant(u"abcdefg"), "abcde"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(StringToUtf8(VarToStr(c.Value)));
    std::string out(c.Bytes.size(), '?');
    table.EncodeField(c.Field, c.Value, out.data());
    EXPECT_EQ(out, c.Bytes);
  }
  ExpectError<EDatabaseError>([&] { std::string out(2, 0); table.EncodeField(0, Variant(40000), out.data()); },
                              u"The value 40000 does not fit the Paradox field S.");
}

TEST_F(BdeWriterTest, DBaseAndFoxProTablesReadBackWithDbfread) {
  if (!HasPythonModule("dbfread")) GTEST_SKIP() << "python3-dbfread is not installed";
  // dbfread ends a dBase IV memo at its 0x1F terminator, which the blob's
  // 42nd byte happens to be; FoxPro memos carry their length.
  for (const auto& [type, file, memo, blobBytes] : {std::tuple{ttDBase, "people.dbf", "people.dbt", 41},
                                                    std::tuple{ttFoxPro, "fox.dbf", "fox.fpt", 300}}) {
    SCOPED_TRACE(file);
    Data.First();
    TRODirezaToBDE writer;
    Run(writer, Dir / file, type);
    EXPECT_EQ(writer.Statistic.Result, erCompleted);
    EXPECT_EQ(writer.Statistic.TotalCount, 3);
    EXPECT_TRUE(fs::exists(Dir / memo));
    // dbfread reads every memo as text: undecodable bytes are kept as
    // surrogates and turned back into the bytes they were.
    const ToolResult read = RunPython(Dir,
                                      "import sys\n"
                                      "from dbfread import DBF\n"
                                      "t = DBF(sys.argv[1], encoding='cp1250', char_decode_errors='surrogateescape')\n"
                                      "print(' '.join(t.field_names))\n"
                                      "for r in t:\n"
                                      "    pic = r['PIC'].encode('cp1250', 'surrogateescape').hex() if r['PIC'] else None\n"
                                      "    note = (len(r['NOTE']), r['NOTE'][-8:]) if r['NOTE'] else None\n"
                                      "    print(r['ID'], r['NAME'], r['PRICE'], r['BORN'], r['OK'], note, pic)\n",
                                      Dir / file);
    std::string hex;
    for (Byte b : BlobBytes(static_cast<size_t>(blobBytes))) {
      char two[3];
      std::snprintf(two, sizeof two, "%02x", b);
      hex += two;
    }
    // A dBase table has no null text or number: blanks and 0.
    EXPECT_EQ(read.Output, "ID NAME PRICE BORN OK AT STAMP BIG NOTE PIC WIDE SMALL\n"
                           "1 Žiga \"x\", 'y' -12.25 2024-02-29 True (5008, ' konec Ž') " + hex + "\n"
                           "2  0.0 None None None None\n"
                           "3 C 0.0 None None (4, 'tiny') 00070e\n");
  }
}

TEST_F(BdeWriterTest, AsciiTableIsDelimitedTextWithItsSchema) {
  if (!HasPythonModule("csv")) GTEST_SKIP();
  TRODirezaToBDE writer;
  Run(writer, Dir / "people.txt", ttASCII);
  EXPECT_EQ(Files(), (std::vector<std::string>{"people.sch", "people.txt"}));
  std::ifstream schema(Dir / "people.sch", std::ios::binary);
  const std::string sch{std::istreambuf_iterator<char>(schema), {}};
  EXPECT_EQ(sch.substr(0, sch.find("FIELD3")),
            "[people]\r\nFILETYPE = VARYING\r\nCHARSET = ANSIINTL\r\nDELIMITER = \"\r\nSEPARATOR = ,\r\n"
            "FIELD1 = ID,LONGINT,11,00,00\r\nFIELD2 = NAME,CHAR,20,00,11\r\n");
  const ToolResult read = RunPython(Dir,
                                    "import csv, sys\n"
                                    "for row in csv.reader(open(sys.argv[1], encoding='cp1250', newline='')):\n"
                                    "    print('|'.join(x if len(x) < 40 else str(len(x)) for x in row))\n",
                                    Dir / "people.txt");
  EXPECT_EQ(read.Output,
            "1|Žiga \"x\", 'y'|-12.25|2024-02-29|T|13:45:30|1999-12-31 23:59:58|1099511627776|5008|600|ŠČ|-5\n"
            "2|||||||||||0\n"
            "3|C|||||||tiny|00070E||\n");
}

// The table numbers its auto-increment records itself, whatever the source holds.
TEST(BdeWriter, AnAutoIncrementFieldIsLeftToTheTable) {
  const fs::path dir = FreshFolder("bde_autoinc");
  TTestDataSet ds;
  ds.FieldDefs().Add(u"N", ftAutoInc);
  ds.FieldDefs().Add(u"NAME", ftString, 5);
  ds.Open();
  for (const char16_t* name : {u"a", u"b"}) {
    ds.Append();
    ds.FieldByName(u"NAME")->SetAsString(name);
    ds.Post();
  }
  ds.First();
  TRODirezaToBDE writer;
  writer.SetDataSet(&ds);
  writer.ColumnSource = csDataSet;
  writer.AnimatedStatus = false;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.OnBeforeRecord = [&](TSMECustomBaseComponent*, bool& accept) { accept = ds.FieldByName(u"NAME")->AsString() != u"a"; };
  writer.FileName = Utf8ToString((dir / "n.db").string());
  writer.Execute();
  const TParadoxReadBack table = ReadParadoxBack(StringToUtf8(writer.FileName));
  EXPECT_EQ(table.Fields, (std::vector<std::string>{"N:AutoInc", "NAME:Char"}));
  EXPECT_EQ(table.Cells, (std::vector<std::vector<std::string>>{{"1", "b"}}));
  fs::remove_all(dir);
}

// A run that fails leaves no table, and an earlier table of the name whole;
// rows are never appended to a table the run did not make.
TEST_F(BdeWriterTest, AFailedRunLeavesNoHalfWrittenTable) {
  for (TTableType type : {ttParadox, ttASCII, ttDBase}) {
    SCOPED_TRACE(type);
    for (const char* name : {"new.db", "old.db"}) {
      fs::remove_all(Dir);
      fs::create_directories(Dir);
      if (std::string(name) == "old.db") std::ofstream(Dir / name) << "old table";
      Data.First();
      TRODirezaToBDE writer;
      Integer seen = 0;
      writer.OnBeforeRecord = [&](TSMECustomBaseComponent*, bool&) {
        if (++seen == 2) throw EDatabaseError(u"disk full");
      };
      EXPECT_EQ(ExceptionMessage<EDatabaseError>([&] { Run(writer, Dir / name, type); }), "disk full");
      EXPECT_EQ(writer.Statistic.Result, erFailed);
      if (std::string(name) == "new.db") {
        EXPECT_TRUE(Files().empty()) << Files().front();
      } else if (type != ttDBase) {
        // The DBF writer writes in place; the others replace the old table only when done.
        EXPECT_EQ(Files(), std::vector<std::string>{"old.db"});
        EXPECT_EQ(FileBytes(Dir / name), "old table");
      }
    }
  }
  std::ofstream(Dir / "keep.db") << "old table";
  TRODirezaToBDE writer;
  writer.Options |= OptionBit(soMergeData);
  EXPECT_EQ(ExceptionMessage<EDatabaseError>([&] { Run(writer, Dir / "keep.db", ttParadox); }),
            "Rows cannot be added to the existing table " + (Dir / "keep.db").string() +
                "; choose a new file name.");
  EXPECT_EQ(FileBytes(Dir / "keep.db"), "old table");
}

}  // namespace
