// The ODBC layer against SQLite's driver: statements, prepared inserts with
// every kind of parameter, the catalogue, query results, transactions and
// the driver's own error messages.
#include <gtest/gtest.h>

#include "platform/odbc/Odbc.h"
#include "platform/rtl/DateTimeUtils.h"
#include "tests/odbc/sqlite_fixture.h"

namespace {

class OdbcConnectionTest : public SqliteFixture {};

TEST_F(OdbcConnectionTest, PreparedInsertStoresEveryKindOfValueAndReadsItBack) {
  TOdbcConnection db;
  db.Open(ConnectionString());
  db.Execute(u"CREATE TABLE t (i INTEGER, f DOUBLE, s VARCHAR(40), b BLOB, d DATE, ts TIMESTAMP, n INTEGER)");
  auto insert = db.Prepare(u"INSERT INTO t VALUES (?, ?, ?, ?, ?, ?, ?)");
  ASSERT_EQ(insert->ParamCount(), 7);
  db.StartTransaction();
  const std::string bytes("\x00\x01\xFF""ab", 5);
  for (int row = 0; row < 2; ++row) {
    insert->SetInteger(0, 5000000000LL + row);
    insert->SetFloat(1, -2.5);
    insert->SetText(2, u"Žiga \"quoted\" 'x'");
    insert->SetBytes(3, bytes.data(), bytes.size());
    insert->SetDate(4, EncodeDate(2024, 2, 29));
    insert->SetDateTime(5, EncodeDateTime(1999, 12, 31, 23, 59, 58, 125));
    insert->SetNull(6);
    insert->Execute();
  }
  db.Commit();

  EXPECT_EQ(Sqlite("SELECT i, f, s, hex(b), d, ts, n FROM t"),
            "5000000000|-2.5|Žiga \"quoted\" 'x'|0001FF6162|2024-02-29|1999-12-31 23:59:58.125|NULL\n"
            "5000000001|-2.5|Žiga \"quoted\" 'x'|0001FF6162|2024-02-29|1999-12-31 23:59:58.125|NULL\n");

  auto query = db.Query(u"SELECT i, f, s, b, d, n FROM t");
  ASSERT_TRUE(query->Next());
  EXPECT_EQ(query->Value(0).AsInt64(), 5000000000LL);
  EXPECT_EQ(query->Value(1).AsDouble(), -2.5);
  EXPECT_EQ(query->Value(2).AsString(), u"Žiga \"quoted\" 'x'");
  EXPECT_EQ(query->Value(3).AsBytes(), std::vector<Byte>(bytes.begin(), bytes.end()));
  EXPECT_EQ(query->Value(4).AsDateTime(), EncodeDate(2024, 2, 29));
  EXPECT_TRUE(query->Value(5).IsNull());
  EXPECT_EQ(query->FieldIndex(u"S"), 2);
  ASSERT_TRUE(query->Next());
  EXPECT_FALSE(query->Next());
}

TEST_F(OdbcConnectionTest, CatalogueListsTablesViewsAndColumns) {
  TOdbcConnection db;
  db.Open(ConnectionString());
  db.Execute(u"CREATE TABLE \"with space\" (\"a b\" INTEGER NOT NULL, c TEXT)");
  db.Execute(u"CREATE VIEW v AS SELECT c FROM \"with space\"");
  const std::vector<TOdbcTable> tables = db.Tables();
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[0].Name, u"with space");
  EXPECT_EQ(tables[0].Type, u"TABLE");
  EXPECT_EQ(tables[1].Name, u"v");
  EXPECT_EQ(tables[1].Type, u"VIEW");
  const std::vector<TOdbcColumn> columns = db.Columns(u"with space");
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(columns[0].Name, u"a b");
  EXPECT_FALSE(columns[0].Nullable);
  EXPECT_TRUE(IsOdbcIntegerType(columns[0].SqlType));
  EXPECT_TRUE(db.Columns(u"missing").empty());
}

TEST_F(OdbcConnectionTest, RollbackUndoesTheTableAndItsRows) {
  TOdbcConnection db;
  db.Open(ConnectionString());
  db.StartTransaction();
  db.Execute(u"CREATE TABLE t (a INTEGER)");
  db.Execute(u"INSERT INTO t VALUES (1)");
  db.Rollback();
  EXPECT_TRUE(db.Tables().empty());
}

TEST_F(OdbcConnectionTest, NamesAreQuotedWithEmbeddedQuotesDoubled) {
  TOdbcConnection db;
  db.Open(ConnectionString());
  EXPECT_EQ(db.QuoteName(u"say \"hi\""), u"\"say \"\"hi\"\"\"");
  db.Execute(u"CREATE TABLE t (" + db.QuoteName(u"say \"hi\"") + u" INTEGER)");
  EXPECT_EQ(db.Columns(u"t").at(0).Name, u"say \"hi\"");
}

TEST_F(OdbcConnectionTest, FailuresCarryTheDriversMessage) {
  TOdbcConnection db;
  db.Open(ConnectionString());
  try {
    db.Execute(u"SELEC nonsense");
    FAIL() << "no error";
  } catch (const EOdbcError& e) {
    EXPECT_NE(e.Message().find(u"syntax error"), String::npos) << e.what();
  }
  TOdbcConnection none;
  EXPECT_THROW(none.Open(u"Driver=NoSuchDriver;Database=x"), EOdbcError);
  EXPECT_FALSE(none.Connected());
  EXPECT_THROW(none.Execute(u"SELECT 1"), EOdbcError);
}

TEST(OdbcDriverManager, ListsTheRegisteredDrivers) {
  bool found = false;
  for (const TOdbcSource& driver : OdbcDrivers()) found = found || driver.Name == u"SQLite3";
  if (!found) GTEST_SKIP() << "SQLite's ODBC driver is not registered (package libsqliteodbc)";
  SUCCEED();
}

}  // namespace
