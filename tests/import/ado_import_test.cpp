// The ADO and Access sources: their call sequences against a recording
// record set (command kinds, RowFirst/RowLast, a provider without a record
// count, the type table, failures that must reach the caller), and real
// imports of SQLite tables, views and statements through SQLite's ODBC
// driver, compared with what the sqlite3 command prints.
#include <gtest/gtest.h>

#include "import/ImportExceptions.h"
#include "import/readers/ImportFromADO.h"
#include "import/readers/ImportFromOLE.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "platform/win/RecordingAutomation.h"
#include "tests/import/import_fixture.h"
#include "tests/import/markup_fixture.h"
#include "tests/odbc/sqlite_fixture.h"

namespace {

// A record set played by a recording server: fields with ADO type codes and
// rows of values, walked by MoveFirst / MoveNext / EOF.
struct TFakeRecordset {
  struct TField {
    String Name;
    Integer Type;
  };
  std::vector<TField> Fields;
  std::vector<std::vector<Variant>> Rows;
  Variant RecordCount;
  size_t Position = 0;

  // Answers the record-set members under the root path prefix.
  bool Answer(const TAutomationCall& call, Variant& result) {
    const String member = call.Name;
    if (member == u"EOF") return (result = Position >= Rows.size()), true;
    if (member == u"RecordCount") return (result = RecordCount.IsEmpty() ? Variant(Integer(Rows.size())) : RecordCount), true;
    if (member == u"MoveFirst") return (Position = 0), true;
    if (member == u"MoveNext") return ++Position, true;
    if (member == u"Count" && call.Object.ends_with(u".Fields")) return (result = Integer(Fields.size())), true;
    const size_t open = call.Object.rfind(u".Item(");
    if (open == String::npos) return false;
    const size_t index = std::stoul(StringToUtf8(call.Object.substr(open + 6)));
    if (member == u"Name") return (result = Fields[index].Name), true;
    if (member == u"Type") return (result = Fields[index].Type), true;
    if (member == u"DefinedSize" || member == u"Size") return (result = 30), true;
    if (member == u"Precision") return (result = 15), true;
    if (member == u"Value") return (result = Rows.at(Position).at(index)), true;
    return false;
  }
};

struct AdoRecording {
  std::shared_ptr<TRecordingServer> Connection = std::make_shared<TRecordingServer>(u"Connection");
  std::shared_ptr<TRecordingServer> Recordset = std::make_shared<TRecordingServer>(u"Recordset");
  TAutomationRegistration UseConnection{u"ADODB.Connection", Connection};
  TAutomationRegistration UseRecordset{u"ADODB.Recordset", Recordset};
  TFakeRecordset Rows;

  explicit AdoRecording(Integer rowCount = 12) {
    Rows.Fields = {{u"ID", 3}, {u"NAME", 202}};
    for (Integer r = 1; r <= rowCount; ++r) Rows.Rows.push_back({Variant(r), Variant(u"row " + IntToStr(r))});
    Recordset->OnCall = [this](const TAutomationCall& call, Variant& result) { return Rows.Answer(call, result); };
  }
};

TImportResult ImportAdo(const String& connection, const String& sql, Integer rowFirst = 1,
                        Integer rowLast = 2147483647) {
  TRADerevuFromADO source;
  source.SetSourceFileName(connection);
  source.SetSQL(sql);
  source.SetRowFirst(rowFirst);
  source.SetRowLast(rowLast);
  return RunIntoTable(source);
}

TEST(AdoImport, CommandKindFollowsTheSelectPrefixInAnyCase) {
  const struct {
    const char16_t* Sql;
    Integer Options;
  } cases[] = {{u"select id from t", adCmdText}, {u"SELECT * FROM t", adCmdText}, {u"selected", adCmdTable},
               {u"select", adCmdTable}, {u"Goods", adCmdTable}};
  for (const auto& c : cases) {
    AdoRecording ado(0);
    ImportAdo(u"DSN=x", c.Sql);
    EXPECT_EQ(ado.Recordset->LogOf(u"call Recordset.Open"),
              std::vector<String>{u"call Recordset.Open(\"" + String(c.Sql) + u"\", Connection, 3, 1, " +
                                  IntToStr(c.Options) + u")"});
    EXPECT_EQ(ado.Connection->LogOf(u"call"), std::vector<String>{u"call Connection.Open(\"DSN=x\")"});
    // The record set is closed when the run ends.
    EXPECT_EQ(ado.Recordset->LogOf(u"call Recordset.Close").size(), 1u) << StringToUtf8(c.Sql);
  }
}

TEST(AdoImport, RowFirstAndRowLastChooseTheRecords) {
  AdoRecording ado;
  const TImportResult got = ImportAdo(u"DSN=x", u"T", 3, 10);
  ASSERT_EQ(got.Rows.size(), 8u);
  EXPECT_EQ(got.Rows.front()[0], u"3");
  EXPECT_EQ(got.Rows.back()[1], u"row 10");
  EXPECT_EQ(got.Statistic.Result, irExecuted);
  // A first row past the end imports nothing, without stepping past EOF.
  AdoRecording few(2);
  EXPECT_TRUE(ImportAdo(u"DSN=x", u"T", 5).Rows.empty());
  EXPECT_EQ(few.Recordset->LogOf(u"call Recordset.MoveNext").size(), 2u);
}

TEST(AdoImport, ProviderWithoutRecordCountShowsTenThousand) {
  AdoRecording ado(3);
  ado.Rows.RecordCount = -1;
  TRADerevuFromADO source;
  source.SetSQL(u"T");
  source.BeforeImport();
  EXPECT_EQ(source.GetTotalCount(), 10000);
  ado.Rows.RecordCount = 7;
  EXPECT_EQ(source.GetTotalCount(), 7);
  source.AfterImport();
  EXPECT_EQ(source.GetTotalCount(), 0);
}

TEST(AdoImport, OpenFailureReachesTheCallerWithTheServersMessage) {
  AdoRecording ado;
  ado.Connection->Fail(u"Connection.Open", u"Data source name not found");
  TRADerevuFromADO source;
  source.SetSQL(u"T");
  try {
    RunIntoTable(source);
    FAIL() << "the run must not succeed";
  } catch (const ESMIFileException& e) {
    EXPECT_EQ(e.Message(), u"Data source name not found");
  }
  EXPECT_NE(source.Statistic().Result, irExecuted);
  EXPECT_TRUE(ado.Recordset->Log().empty());
}

TEST(AdoImport, FieldTypesGiveColumnTypes) {
  struct TCase {
    bool Access;
    std::vector<Integer> Codes;
    TSMIDataType Type;
    TAlignment Alignment;
  };
  const TCase cases[] = {
      {true, {1}, itBoolean, taLeftJustify},
      {true, {2, 3, 4, 16}, itInteger, taRightJustify},
      {true, {5, 6, 7, 19, 20, 21}, itFloat, taRightJustify},
      {true, {8}, itDateTime, taLeftJustify},
      {true, {22}, itTime, taLeftJustify},
      {true, {9, 11, 17}, itBLOB, taLeftJustify},
      {true, {12}, itMEMO, taLeftJustify},
      {true, {10, 15, 99}, itString, taLeftJustify},
      {false, {11}, itBoolean, taLeftJustify},
      {false, {2, 3, 10, 16, 17, 18, 19, 20, 21}, itInteger, taRightJustify},
      {false, {4, 5, 6, 14, 131, 139}, itFloat, taRightJustify},
      {false, {7, 64, 133, 135, 137}, itDateTime, taLeftJustify},
      {false, {134}, itTime, taLeftJustify},
      {false, {128, 136, 204, 205}, itBLOB, taLeftJustify},
      {false, {201, 203}, itMEMO, taLeftJustify},
      {false, {72, 200, 202, 1}, itString, taLeftJustify},
  };
  for (const TCase& c : cases) {
    for (Integer code : c.Codes) {
      TSMIDataType type = itGraphic;
      TAlignment alignment = taCenter;
      OleFieldColumnType(c.Access, code, type, alignment);
      EXPECT_EQ(type, c.Type) << (c.Access ? "DAO " : "ADO ") << code;
      EXPECT_EQ(alignment, c.Alignment) << code;
    }
  }
  // Columns: ADO keeps names as they are and takes DefinedSize, a float's
  // Precision and 38 for a GUID.
  AdoRecording ado(1);
  ado.Rows.Fields = {{u"First Name", 5}, {u"g", 72}};
  TRADerevuFromADO source;
  source.SetSQL(u"T");
  source.BeforeImport();
  source.DetectAutoMapping();
  source.AfterImport();
  ASSERT_EQ(source.Columns().Count(), 2);
  EXPECT_EQ(source.Columns()[0].FieldName, u"First Name");
  EXPECT_EQ(source.Columns()[0].Precision, 15);
  EXPECT_EQ(source.Columns()[1].Size, 38);
}

// ---- Access over a recording DAO engine ----

struct DaoRecording {
  std::shared_ptr<TRecordingServer> Engine = std::make_shared<TRecordingServer>(u"DBEngine");
  TAutomationRegistration Use120{u"DAO.DBEngine.120", Engine};
  TFakeRecordset Rows;
  DaoRecording() {
    Rows.Fields = {{u"Last Name", 10}, {u"a/b", 4}};
    Rows.Rows = {{Variant(u"Novak"), Variant(1)}};
    Engine->Script(u"DBEngine.OpenDatabase(\"x.mdb\").QueryDefs.Count", 1);
    Engine->Script(u"DBEngine.OpenDatabase(\"x.mdb\").QueryDefs.Item(0).Name", u"Q");
    Engine->OnCall = [this](const TAutomationCall& call, Variant& result) {
      return call.Object.find(u"OpenRecordset") != String::npos && Rows.Answer(call, result);
    };
  }
};

TEST(AccessImport, SavedQueryIsPreferredAndNamesWithBlanksAreBracketed) {
  DaoRecording dao;
  TRADerevuFromAccess source;
  source.SetSourceFileName(u"x.mdb");
  source.SetTableName(u"Q");
  source.BeforeImport();
  source.DetectAutoMapping();
  source.AfterImport();
  EXPECT_EQ(dao.Engine->LogOf(u"call"),
            (std::vector<String>{u"call DBEngine.OpenDatabase(\"x.mdb\")",
                                 u"call DBEngine.OpenDatabase(\"x.mdb\").QueryDefs.Item(0)",
                                 u"call DBEngine.OpenDatabase(\"x.mdb\").QueryDefs.Item(0).OpenRecordset()",
                                 u"call DBEngine.OpenDatabase(\"x.mdb\").QueryDefs.Item(0).OpenRecordset().Fields.Item(0)",
                                 u"call DBEngine.OpenDatabase(\"x.mdb\").QueryDefs.Item(0).OpenRecordset().Fields.Item(1)",
                                 u"call DBEngine.OpenDatabase(\"x.mdb\").QueryDefs.Item(0).OpenRecordset().Close()",
                                 u"call DBEngine.OpenDatabase(\"x.mdb\").Close()"}));
  ASSERT_EQ(source.Columns().Count(), 2);
  EXPECT_EQ(source.Columns()[0].FieldName, u"[Last Name]");
  EXPECT_EQ(source.Columns()[1].FieldName, u"[a/b]");
  EXPECT_EQ(source.Columns()[1].DataType, itInteger);
  EXPECT_TRUE(source.Columns()[0].Caption.empty());
}

TEST(AccessImport, TableWithPasswordAndAMissingEngine) {
  DaoRecording dao;
  TRADerevuFromAccess source;
  source.SetSourceFileName(u"x.mdb");
  source.SetTableName(u"T");
  source.SetPassword(u"pw");
  dao.Engine->Script(u"DBEngine.OpenDatabase(\"x.mdb\", False, False, \";PWD=pw\").QueryDefs.Count", 0);
  source.BeforeImport();
  source.AfterImport();
  EXPECT_EQ(dao.Engine->LogOf(u"call DBEngine.OpenDatabase").front(),
            u"call DBEngine.OpenDatabase(\"x.mdb\", False, False, \";PWD=pw\")");
  EXPECT_EQ(dao.Engine->LogOf(u"call DBEngine.OpenDatabase(\"x.mdb\", False, False, \";PWD=pw\").OpenRecordset").front(),
            u"call DBEngine.OpenDatabase(\"x.mdb\", False, False, \";PWD=pw\").OpenRecordset(\"T\", 1, 0, 2)");
  // Without any engine the run fails with the automation layer's message.
  dao.Engine->Creatable = false;
  TAutomationRegistration no36(u"DAO.DBEngine.36", nullptr), no35(u"DAO.DBEngine.35", nullptr);
  EXPECT_THROW(source.BeforeImport(), ESMIFileException);
}

// ---- Real databases through SQLite's ODBC driver ----

class AdoSqliteImport : public SqliteFixture {
 protected:
  void SetUp() override {
    SqliteFixture::SetUp();
    if (IsSkipped()) return;
    Sqlite(
        "CREATE TABLE goods (id INTEGER, name VARCHAR(30), price DOUBLE, note TEXT);"
        "INSERT INTO goods VALUES (1, 'Čaj', 2.5, 'a\nb');"
        "INSERT INTO goods VALUES (2, 'Kava', -10.25, NULL);"
        "INSERT INTO goods VALUES (3, 'O''Brien', 0.75, '');"
        "CREATE VIEW cheap AS SELECT id, name FROM goods WHERE price < 1;");
  }

  // The sqlite3 command's rows, one vector of texts per row.
  std::vector<std::vector<String>> SqliteRows(const std::string& sql) {
    std::vector<std::vector<String>> rows;
    const std::string out = RunTool("sqlite3 -separator '\x1f' -newline '\x1e' -nullvalue '' '" +
                                    Folder.PathOf("test.db") + "' \"" + sql + "\"").Output;
    size_t start = 0;
    for (size_t end; (end = out.find('\x1e', start)) != std::string::npos; start = end + 1) {
      std::vector<String> row;
      const std::string line = out.substr(start, end - start);
      size_t s = 0;
      for (size_t e;; s = e + 1) {
        e = line.find('\x1f', s);
        row.push_back(Utf8ToString(line.substr(s, e == std::string::npos ? std::string::npos : e - s)));
        if (e == std::string::npos) break;
      }
      rows.push_back(std::move(row));
    }
    return rows;
  }
};

TEST_F(AdoSqliteImport, TablesViewsAndStatementsReadAsSqliteShowsThem) {
  TFormatSettings settings = FormatSettings;
  settings.DecimalSeparator = u'.';
  FormatSettingsGuard guard(settings);
  const struct {
    const char16_t* Source;
    const char* Sql;
  } cases[] = {{u"goods", "SELECT * FROM goods"},
               {u"cheap", "SELECT * FROM cheap"},
               {u"select name, price * 2 AS twice from goods where id > 1",
                "select name, price * 2 AS twice from goods where id > 1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Sql);
    const TImportResult got = ImportAdo(ConnectionString(), c.Source);
    EXPECT_EQ(got.Statistic.Result, irExecuted);
    EXPECT_EQ(got.Rows, SqliteRows(c.Sql));
  }
  std::vector<String> tables;
  GetADOTables(tables, ConnectionString(), false);
  EXPECT_EQ(tables, (std::vector<String>{u"goods", u"cheap"}));
}

TEST_F(AdoSqliteImport, MissingTableFailsWithTheDriversMessage) {
  TRADerevuFromADO source;
  source.SetSourceFileName(ConnectionString());
  source.SetSQL(u"nosuch");
  try {
    RunIntoTable(source);
    FAIL() << "a missing table must fail the run";
  } catch (const ESMIFileException& e) {
    EXPECT_NE(StringToUtf8(e.Message()).find("nosuch"), std::string::npos) << StringToUtf8(e.Message());
  }
  std::vector<String> tables{u"stale"};
  EXPECT_THROW(GetADOTables(tables, String(), false), ESMIInvalidPropertyException);
  GetADOTables(tables, u"Driver=NoSuchDriver", false);
  EXPECT_TRUE(tables.empty());
}

TEST_F(AdoSqliteImport, PreviewHandsRowsInFieldListOrder) {
  String fields = u"name;id";
  std::vector<String> list;
  std::vector<std::vector<String>> rows;
  LoadAccessPreview(nullptr, fields, ConnectionString(), u"goods", 2, true, false, list,
                    [&](void*, Integer count, Integer number, bool, std::vector<Variant>& values) {
                      EXPECT_EQ(count, 2);
                      EXPECT_EQ(number, Integer(rows.size() + 1));
                      rows.push_back({VarToStr(values[0]), VarToStr(values[1])});
                    });
  EXPECT_EQ(rows, (std::vector<std::vector<String>>{{u"Čaj", u"1"}, {u"Kava", u"2"}}));
  String all;
  LoadAccessPreview(nullptr, all, ConnectionString(), u"goods", 0, true, false, list, nullptr);
  EXPECT_EQ(all, u"id;name;price;note");
}

}  // namespace
