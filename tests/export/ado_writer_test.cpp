// The ADO writer into SQLite through its ODBC driver, read back with the
// sqlite3 command: every value and null, whole memo texts and blob bytes,
// names with blanks and quotes, appending, queries as targets, and a failed
// run that leaves no table behind.
#include <gtest/gtest.h>

#include "export/writers/ExportToADO.h"
#include "platform/db/Fields.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/db/TestDataSet.h"
#include "tests/odbc/sqlite_fixture.h"
#include "tests/support/exception_message.h"

namespace {

const String kLongMemo = String(5000, u'm') + u" konec Ž";
const std::vector<Byte> kBlob = {0x00, 0x01, 0xFF, 0x00, 0x41};

// ID, "First Name", PRICE, BORN, OK, NOTE (memo), PIC (blob), the column
// named say "hi"; the second row is null in every field but ID.
void Fill(TTestDataSet& ds) {
  ds.FieldDefs().Add(u"ID", ftInteger);
  ds.FieldDefs().Add(u"First Name", ftString, 20);
  ds.FieldDefs().Add(u"PRICE", ftFloat);
  ds.FieldDefs().Add(u"BORN", ftDate);
  ds.FieldDefs().Add(u"OK", ftBoolean);
  ds.FieldDefs().Add(u"NOTE", ftMemo);
  ds.FieldDefs().Add(u"PIC", ftBlob);
  ds.FieldDefs().Add(u"say \"hi\"", ftWideString, 10);
  ds.Open();
  ds.Append();
  ds.FieldByName(u"ID")->SetAsInteger(1);
  ds.FieldByName(u"First Name")->SetAsString(u"Žiga 'x'");
  ds.FieldByName(u"PRICE")->SetAsFloat(-12.25);
  ds.FieldByName(u"BORN")->SetAsDateTime(EncodeDate(2024, 2, 29));
  ds.FieldByName(u"OK")->SetAsBoolean(true);
  ds.FieldByName(u"NOTE")->SetAsString(kLongMemo);
  ds.FieldByName(u"PIC")->SetAsBytes(kBlob);
  ds.FieldByName(u"say \"hi\"")->SetAsString(u"ŠČ€");
  ds.Post();
  ds.Append();
  ds.FieldByName(u"ID")->SetAsInteger(2);
  ds.Post();
  ds.First();
}

class AdoWriterTest : public SqliteFixture {
 protected:
  void SetUp() override {
    SqliteFixture::SetUp();
    if (IsSkipped()) return;
    FormatSettings.DecimalSeparator = u',';
    FormatSettings.ShortDateFormat = u"d.M.yyyy";
    FormatSettings.DateSeparator = u'.';
    Fill(Data);
  }

  void Run(TRODirezaToADO& writer, const String& table = u"people", const String& connection = String()) {
    writer.SetDataSet(&Data);
    writer.ColumnSource = csDataSet;
    writer.AnimatedStatus = false;
    writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
    writer.FileName = connection.empty() ? ConnectionString() : connection;
    writer.TableName = table;
    writer.Execute();
  }

  TTestDataSet Data;
};

TEST_F(AdoWriterTest, NewTableHoldsEveryValueNullMemoAndBlob) {
  TRODirezaToADO writer;
  Run(writer);
  EXPECT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_EQ(Sqlite("SELECT name || ':' || type || ':' || \\\"notnull\\\" FROM pragma_table_info('people')"),
            "ID:INTEGER:0\nFirst Name:CHAR(21):0\nPRICE:NUMBER:0\nBORN:DATE:0\nOK:INTEGER:0\nNOTE:TEXT:0\n"
            "PIC:BLOB:0\nsay \"hi\":NCHAR(22):0\n");
  EXPECT_EQ(Sqlite("SELECT ID, \\\"First Name\\\", PRICE, typeof(PRICE), BORN, OK, length(NOTE), substr(NOTE, 4990), "
                   "hex(PIC), \\\"say \\\"\\\"hi\\\"\\\"\\\" FROM people ORDER BY ID"),
            "1|Žiga 'x'|-12.25|real|2024-02-29|1|5008|mmmmmmmmmmm konec Ž|0001FF0041|ŠČ€\n"
            "2|NULL|NULL|null|NULL|NULL|NULL|NULL||NULL\n");
}

TEST_F(AdoWriterTest, AnExistingTableReceivesTheRowsByPosition) {
  Sqlite("CREATE TABLE people (a INTEGER, b TEXT, c REAL, d DATE, e INTEGER, f TEXT, g BLOB, h TEXT, extra TEXT)");
  TRODirezaToADO first;
  Run(first);
  Data.First();
  TRODirezaToADO second;
  Run(second, u"PEOPLE");
  EXPECT_EQ(second.Statistic.Result, erCompleted);
  EXPECT_EQ(Sqlite("SELECT a, b, c, d, e, extra FROM people ORDER BY a"),
            "1|Žiga 'x'|-12.25|2024-02-29|1|NULL\n1|Žiga 'x'|-12.25|2024-02-29|1|NULL\n"
            "2|NULL|NULL|NULL|NULL|NULL\n2|NULL|NULL|NULL|NULL|NULL\n");
}

TEST_F(AdoWriterTest, AQueryAsTableNameAddsToTheTableItReads) {
  Sqlite("CREATE TABLE t (a INTEGER, b TEXT)");
  TRODirezaToADO writer;
  writer.Columns.Add().FieldName = u"ID";
  writer.Columns.Add().FieldName = u"First Name";
  Run(writer, u"select a, b from t");
  EXPECT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_EQ(Sqlite("SELECT * FROM t"), "1|Žiga 'x'\n2|NULL\n");
}

TEST_F(AdoWriterTest, AFailedRunLeavesNoTable) {
  TRODirezaToADO writer;
  writer.OnAfterRecord = [](TSMECustomBaseComponent*, bool&) { throw EDatabaseError(u"stop"); };
  EXPECT_THROW(Run(writer), EDatabaseError);
  EXPECT_EQ(writer.Statistic.Result, erFailed);
  EXPECT_EQ(Sqlite("SELECT count(*) FROM sqlite_master"), "0\n");

  // An existing table keeps the rows it had.
  Sqlite("CREATE TABLE people (a INTEGER); INSERT INTO people VALUES (7)");
  Data.First();
  TRODirezaToADO again;
  again.OnAfterRecord = writer.OnAfterRecord;
  EXPECT_THROW(Run(again), EDatabaseError);
  EXPECT_EQ(Sqlite("SELECT * FROM people"), "7\n");
}

TEST_F(AdoWriterTest, ErrorsNameWhatIsMissingOrCarryTheDriversMessage) {
  TRODirezaToADO writer;
  ExpectError<ESMEInvalidPropertyException>([&] { Run(writer, u""); }, u"Property TableName is not specified.");
  TRODirezaToADO broken;
  EXPECT_THROW(Run(broken, u"people", u"Driver=NoSuchDriver"), EOdbcError);
  Sqlite("CREATE TABLE people (a INTEGER)");
  Data.First();
  TRODirezaToADO narrow;
  EXPECT_NE(ExceptionMessage<EOdbcError>([&] { Run(narrow); }).find("has no column 2"), std::string::npos);
}

TEST(AdoWriterSql, ColumnTypes) {
  const struct {
    TFieldType Type;
    Integer Width, Precision;
    bool Required;
    const char16_t* Expected;
  } cases[] = {
      {ftString, 20, 0, false, u"CHAR(20) "},     {ftString, 20, 0, true, u"CHAR(20) NOT NULL"},
      {ftWideString, 8, 0, false, u"NCHAR(8) "},  {ftFloat, 10, 2, false, u"DECIMAL(10,2) "},
      {ftBCD, 10, 0, false, u"NUMBER "},          {ftLargeint, 0, 0, false, u"INTEGER "},
      {ftCurrency, 0, 0, false, u"MONEY "},       {ftDateTime, 0, 0, false, u"DATETIME "},
      {ftAutoInc, 0, 0, false, u"IDENTITY "},     {ftWideMemo, 0, 0, false, u"TEXT "},
      {ftGraphic, 0, 0, false, u"IMAGE "},        {ftGuid, 38, 0, false, u"#UNKNOWN# "},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TRODirezaToADO::FieldType2SSQL(c.Type, c.Width, c.Precision, c.Required), c.Expected);
  EXPECT_TRUE(TRODirezaToADO::IsQuery(u"SeLeCt * from x"));
  EXPECT_FALSE(TRODirezaToADO::IsQuery(u"selection"));
}

class AdoRoutinesTest : public SqliteFixture {};

TEST_F(AdoRoutinesTest, TableNamesAndSources) {
  Sqlite("CREATE TABLE a (x INTEGER); CREATE VIEW v AS SELECT x FROM a; INSERT INTO a VALUES (3)");
  std::vector<String> names = {u"stale"};
  GetADOTableNames(names, ConnectionString(), false);
  EXPECT_EQ(names, (std::vector<String>{u"a", u"v"}));
  GetADOTableNames(names, u"Driver=NoSuchDriver", false);
  EXPECT_TRUE(names.empty());
  ExpectError<ESMEInvalidPropertyException>([&] { GetADOTableNames(names, u"", false); },
                                            u"Property ConnectionString is not specified.");

  std::unique_ptr<TOdbcConnection> connection;
  std::unique_ptr<TOdbcQuery> rows;
  for (const char16_t* source : {u"a", u"SELECT x FROM a"}) {
    LoadADO(connection, rows, ConnectionString(), source);
    ASSERT_TRUE(rows);
    ASSERT_TRUE(rows->Next());
    EXPECT_EQ(rows->Value(0).AsInteger(), 3);
    UnLoadADO(connection, rows);
    EXPECT_FALSE(connection);
  }
  LoadADO(connection, rows, ConnectionString(), u"missing");
  EXPECT_FALSE(connection);
  EXPECT_FALSE(rows);
}

}  // namespace
