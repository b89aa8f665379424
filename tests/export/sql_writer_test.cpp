// The SQL script writer: the statements it writes for each setting, and
// scripts that sqlite and PostgreSQL run, giving back every value.
#include <gtest/gtest.h>

#include "export/ExportText.h"
#include "export/writers/ExportToSQL.h"
#include "platform/rtl/Streams.h"
#include "tests/export/export_fixture.h"
#include "tests/export/markup_fixture.h"

namespace {

using namespace markup;

class SqlWriterTest : public MarkupTest {};

TEST_F(SqlWriterTest, StatementsForEachSetting) {
  const std::string head = "INSERT INTO out\r\n  (ID, NAME, PRICE, BORN)\r\nVALUES\r\n";
  struct Case {
    const char* name;
    std::function<void(TRODirezaToSQL&)> setup;
    std::string expected;
  };
  const Case cases[] = {
      {"defaults: one statement per row, one commit at the end", [](TRODirezaToSQL&) {},
       head + "  (1, \"a\", 1.5, \"2024-01-02\");\r\n" + head + "  (2, \"b\"\"q\", 2, NULL);\r\n" + head +
           "  (3, NULL, 0, \"1970-01-01\");\r\n" + "\r\nCOMMIT;\r\n\r\n"},
      {"a commit after every second row",
       [](TRODirezaToSQL& w) { w.SQLOptions.BatchRecCount = 2; },
       head + "  (1, \"a\", 1.5, \"2024-01-02\");\r\n" + head + "  (2, \"b\"\"q\", 2, NULL);\r\nCOMMIT;\r\n\r\n" +
           head + "  (3, NULL, 0, \"1970-01-01\");\r\n" + "\r\nCOMMIT;\r\n\r\n"},
      {"multi-row insert closed at the end of the data",
       [](TRODirezaToSQL& w) { w.SQLOptions.MultiRowInsert = true; },
       head + "  (1, \"a\", 1.5, \"2024-01-02\"), \r\n  (2, \"b\"\"q\", 2, NULL), \r\n  (3, NULL, 0, \"1970-01-01\");\r\n" +
           "\r\nCOMMIT;\r\n\r\n"},
      {"multi-row insert in batches of two",
       [](TRODirezaToSQL& w) {
         w.SQLOptions.MultiRowInsert = true;
         w.SQLOptions.BatchRecCount = 2;
       },
       head + "  (1, \"a\", 1.5, \"2024-01-02\"), \r\n  (2, \"b\"\"q\", 2, NULL);\r\nCOMMIT;\r\n\r\n" + head +
           "  (3, NULL, 0, \"1970-01-01\");\r\n" + "\r\nCOMMIT;\r\n\r\n"},
      {"no quote character: nothing quoted",
       [](TRODirezaToSQL& w) { w.SQLOptions.SQLQuote = 0; },
       head + "  (1, a, 1.5, 2024-01-02);\r\n" + head + "  (2, b\"q, 2, NULL);\r\n" + head +
           "  (3, NULL, 0, 1970-01-01);\r\n" + "\r\nCOMMIT;\r\n\r\n"},
      {"lower-case names, own terminators and null text, header and footer as comments",
       [](TRODirezaToSQL& w) {
         w.SQLOptions.FieldNameCharCase = ecLowerCase;
         w.SQLOptions.SQLTerm = u" GO";
         w.SQLOptions.CommitTerm = u"COMMIT WORK";
         w.SQLOptions.SQLNULL = u"null";
         w.TableName = u"My Table";
         w.Header = {u"made by */ a test"};
         w.Footer = {u"end"};
       },
       "/* made by * / a test */\r\nINSERT INTO \"my table\"\r\n  (id, name, price, born)\r\nVALUES\r\n"
       "  (1, \"a\", 1.5, \"2024-01-02\") GO\r\nINSERT INTO \"my table\"\r\n  (id, name, price, born)\r\nVALUES\r\n"
       "  (2, \"b\"\"q\", 2, null) GO\r\nINSERT INTO \"my table\"\r\n  (id, name, price, born)\r\nVALUES\r\n"
       "  (3, null, 0, \"1970-01-01\") GO\r\n/* end */\r\n\r\nCOMMIT WORK\r\n\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTestDataSet ds;
    FillExportDataSet(ds, {{1, u"a", 1.5, EncodeDate(2024, 1, 2)},
                           {2, u"b\"q", 2, 0},
                           {3, u"", 0, EncodeDate(1970, 1, 1)}});
    // Row 2 has no date and row 3 no name: nulls.
    ds.SetRecNo(2);
    ds.Edit();
    ds.FieldByName(u"BORN")->Clear();
    ds.Post();
    ds.SetRecNo(3);
    ds.Edit();
    ds.FieldByName(u"NAME")->Clear();
    ds.Post();
    ds.First();
    TRODirezaToSQL writer;
    PrepareWriter(writer, ds, dir / "out.sql");
    writer.CharacterSet = csANSI_WINDOWS;
    c.setup(writer);
    writer.Execute();
    ASSERT_EQ(writer.Statistic.Result, erCompleted);
    EXPECT_EQ(ReadBytes(dir / "out.sql"), c.expected);
  }
}

TEST_F(SqlWriterTest, CreateTableTypesKeysAndQuotedNames) {
  TTestDataSet ds;
  ds.FieldDefs().Add(u"ID", ftInteger, 0, true);
  ds.FieldDefs().Add(u"Full Name", ftString, 20);
  ds.FieldDefs().Add(u"PRICE", ftFloat);
  ds.FieldDefs().Add(u"NOTE", ftMemo);
  ds.Open();
  TRODirezaToSQL writer;
  PrepareWriter(writer, ds, dir / "t.sql");
  writer.CharacterSet = csANSI_WINDOWS;
  writer.SQLOptions.AddCreateTable = true;
  writer.SQLOptions.SQLTypes.AddPrimaryKey = true;
  writer.SQLOptions.SQLTypes.ftFloat = u"FLOAT(%d)";
  writer.OnGetCreateTable = [](TRODirezaToSQL*, String&, String& prefix, String& suffix) {
    prefix = u"BEGIN;\r\n";
    suffix = u" -- made";
  };
  writer.Execute();
  ASSERT_EQ(writer.Statistic.Result, erCompleted);
  EXPECT_EQ(ReadBytes(dir / "t.sql"),
            "BEGIN;\r\nCREATE TABLE t (\r\n   ID INTEGER NOT NULL, \r\n   \"Full Name\" CHAR(20) NULL, \r\n"
            "   PRICE FLOAT(8) NULL, \r\n   NOTE BLOB NULL, \r\n   PRIMARY KEY (ID)); -- made\r\n\r\n"
            "\r\nCOMMIT;\r\n\r\n");
}

TEST_F(SqlWriterTest, OptionsSectionRoundTrip) {
  TSMESQLOptions options;
  options.SQLTerm = u" GO";
  options.SQLQuote = u'\'';
  options.BatchRecCount = 500;
  options.AddCreateTable = true;
  options.FieldNameCharCase = ecProper;
  TMemoryStream stream;
  options.SaveToStream(stream);
  const std::string bytes(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
  String text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text += static_cast<char16_t>(static_cast<Byte>(bytes[i]) | static_cast<Byte>(bytes[i + 1]) << 8);
  EXPECT_EQ(text,
            u"[SQL]\r\nSQLTerm= GO\r\nSQLQuote=27\r\nSQLNULL=NULL\r\nCommitTerm=COMMIT;\r\nBatchRecCount=500\r\n"
            u"AddCreateTable=1\r\nMultiRowInsert=0\r\nFieldNameCharCase=3\r\n");

  std::vector<String> lines;
  for (size_t from = 0, at; (at = text.find(u"\r\n", from)) != String::npos; from = at + 2)
    lines.push_back(text.substr(from, at - from));
  TSMESQLOptions back;
  back.LoadFromStrings(lines);
  EXPECT_EQ(back.SQLTerm, u" GO");
  EXPECT_EQ(back.SQLQuote, u'\'');
  EXPECT_EQ(back.BatchRecCount, 500);
  EXPECT_TRUE(back.AddCreateTable);
  EXPECT_FALSE(back.MultiRowInsert);
  EXPECT_EQ(back.FieldNameCharCase, ecProper);

  // Missing or broken numbers keep what was there; no quote keeps the quote.
  TSMESQLOptions kept;
  kept.LoadFromStrings({u"BatchRecCount=many", u"SQLQuote=", u"FieldNameCharCase=9"});
  EXPECT_EQ(kept.BatchRecCount, 2147483647);
  EXPECT_EQ(kept.SQLQuote, u'"');
  EXPECT_EQ(kept.FieldNameCharCase, ecNormal);
  EXPECT_EQ(kept.SQLTerm, u"");
}

// The script a database runs: apostrophes for texts, the database's types,
// and a BEGIN before the CREATE TABLE so that the final COMMIT has its
// transaction. Every value comes back: quotes, a name with a space, line
// breaks, nulls, characters beyond the Basic Multilingual Plane.
TEST_F(SqlWriterTest, ScriptRunsInSqliteAndPostgres) {
  const std::vector<Row> rows = HardRows(false);
  Cells expected;
  for (const Row& row : rows) {
    expected.push_back({IntToStr(row.Id), row.Name ? std::optional<String>(row.Name) : std::nullopt,
                        Number(row.Price), row.Born != 0 ? std::optional<String>(IsoDate(row.Born)) : std::nullopt,
                        row.Notes ? std::optional<String>(row.Notes) : std::nullopt});
  }
  for (const char* engine : {"sqlite", "postgres"}) {
    SCOPED_TRACE(engine);
    for (bool multiRow : {false, true}) {
      TTestDataSet ds;
      FillHardTable(ds, rows);
      TRODirezaToSQL writer;
      const fs::path file = dir / "people.sql";
      PrepareWriter(writer, ds, file);
      writer.CharacterSet = csUTF8;
      writer.SQLOptions.SQLQuote = u'\'';
      writer.SQLOptions.AddCreateTable = true;
      writer.SQLOptions.MultiRowInsert = multiRow;
      TSMESQLTypes& types = writer.SQLOptions.SQLTypes;
      types.ftString = u"VARCHAR(%d)";
      types.ftFloat = u"DOUBLE PRECISION";
      types.ftDate = u"DATE";
      types.ftMemo = u"TEXT";
      types.AddPrimaryKey = true;
      writer.OnGetCreateTable = [](TRODirezaToSQL*, String&, String& prefix, String&) { prefix = u"BEGIN;\r\n"; };
      writer.Execute();
      ASSERT_EQ(writer.Statistic.Result, erCompleted);
      const std::string out = RunCommand(std::string("/usr/bin/python3 run_sql.py ") + engine + " '" + file.string() +
                                  "' utf-8-sig people 2>&1");
      if (out.rfind("SKIP:", 0) == 0) GTEST_SKIP() << out;
      EXPECT_EQ(out, Json(expected)) << ReadBytes(file);
    }
  }
}

}  // namespace
