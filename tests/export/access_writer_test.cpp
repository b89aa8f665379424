// The Access writer: without a database engine (Linux) it fails as on a
// machine without Access; with a recording engine, the calls it sends for a
// new table and its rows (nulls, whole memos, blob bytes, the retry of a
// refused text), and the table names of a database.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "export/writers/ExportToAccess.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Strings.h"
#include "platform/win/RecordingAutomation.h"
#include "tests/db/TestDataSet.h"
#include "tests/export/run_tool.h"
#include "tests/support/exception_message.h"

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<String>;

void Fill(TTestDataSet& ds) {
  ds.FieldDefs().Add(u"ID", ftInteger);
  ds.FieldDefs().Add(u"NAME", ftString, 20);
  ds.FieldDefs().Add(u"NOTE", ftMemo);
  ds.FieldDefs().Add(u"PIC", ftBlob);
  ds.FieldDefs().Add(u"WIDE", ftWideString, 10);
  ds.Open();
  ds.Append();
  ds.FieldByName(u"ID")->SetAsInteger(1);
  ds.FieldByName(u"NAME")->SetAsString(u"Ana");
  ds.FieldByName(u"NOTE")->SetAsString(String(300, u'm'));
  ds.FieldByName(u"PIC")->SetAsBytes({0, 1, 255, 0, 65});
  ds.FieldByName(u"WIDE")->SetAsString(u"ŠČ");
  ds.Post();
  ds.Append();
  ds.FieldByName(u"ID")->SetAsInteger(2);
  ds.Post();
  ds.First();
}

void Prepare(TRODirezaToAccess& writer, TTestDataSet& ds, const fs::path& file) {
  writer.SetDataSet(&ds);
  writer.ColumnSource = csDataSet;
  writer.AnimatedStatus = false;
  writer.Options &= static_cast<TSMOptions>(~OptionBit(soShowMessage));
  writer.FileName = Utf8ToString(file.string());
  writer.TableName = u"people";
}

// A recording engine whose database, table definition and record set have
// short names.
std::shared_ptr<TRecordingServer> Engine() {
  auto server = std::make_shared<TRecordingServer>(u"DAO");
  std::weak_ptr<TRecordingServer> weak = server;
  server->OnCall = [weak](const TAutomationCall& call, Variant& result) {
    auto self = weak.lock();
    if (call.Kind != TAutomationCall::acCall) return false;
    if (call.Name == u"CreateDatabase" || call.Name == u"OpenDatabase") result = self->Object(u"db");
    else if (call.Name == u"CreateTableDef") result = self->Object(u"def");
    else if (call.Name == u"OpenRecordset") result = self->Object(u"rs");
    else return false;
    return true;
  };
  server->Script(u"db.TableDefs.Count", 0);
  return server;
}

std::string Dump(const Lines& lines) {
  std::string text;
  for (const String& line : lines) text += StringToUtf8(line) + "\n";
  return text;
}

}  // namespace

TEST(AccessWriter, WithoutTheEngineTheRunFailsAsWithoutAccessAndWritesNothing) {
  const fs::path dir = FreshFolder("access_missing");
  TTestDataSet ds;
  Fill(ds);
  TRODirezaToAccess writer;
  Prepare(writer, ds, dir / "a.mdb");
  EXPECT_EQ(ExceptionMessage([&] { writer.Execute(); }), "Invalid class string");
  EXPECT_EQ(writer.Statistic.Result, erFailed);
  EXPECT_TRUE(fs::is_empty(dir));
  std::vector<String> names{u"stale"};
  GetAccessTableNames(names, Utf8ToString((dir / "none.mdb").string()));
  EXPECT_TRUE(names.empty());
  ExpectError<ESMEInvalidPropertyException>([&] { GetAccessTableNames(names, u""); },
                                            u"Property DatabaseName is not specified.");
  TRODirezaToAccess unnamed;
  Prepare(unnamed, ds, dir / "a.mdb");
  unnamed.TableName.clear();
  EXPECT_EQ(ExceptionMessage([&] { unnamed.Execute(); }), "Property TableName is not specified.");
}

TEST(AccessWriter, ANewTableGetsTypedFieldsAndEveryValueNullMemoAndBlob) {
  const fs::path dir = FreshFolder("access_new");
  auto server = Engine();
  TAutomationRegistration use(u"DAO.DBEngine.120", server);
  TTestDataSet ds;
  Fill(ds);
  TRODirezaToAccess writer;
  Prepare(writer, ds, dir / "a.mdb");
  writer.Execute();
  EXPECT_EQ(writer.Statistic.Result, erCompleted);
  const String file = Utf8ToString((dir / "a.mdb").string());
  EXPECT_EQ(server->LogOf(u"call DAO."),
            (Lines{u"call DAO.CreateDatabase(\"" + file + u"\", \";LANGID=0x0409;CP=1250;COUNTRY=0\", 0)"}));
  const Lines fields = server->LogOf(u"call def.CreateField");
  ASSERT_EQ(fields.size(), 5u) << Dump(server->Log());
  // Text for the wide string, memo for the memo, long binary for the blob.
  EXPECT_TRUE(fields[0].starts_with(u"call def.CreateField(\"ID\", 4, ")) << Dump(fields);
  EXPECT_TRUE(fields[1].starts_with(u"call def.CreateField(\"NAME\", 10, ")) << Dump(fields);
  EXPECT_EQ(fields[2], u"call def.CreateField(\"NOTE\", 12, 0)");
  EXPECT_EQ(fields[3], u"call def.CreateField(\"PIC\", 11, 0)");
  EXPECT_TRUE(fields[4].starts_with(u"call def.CreateField(\"WIDE\", 10, ")) << Dump(fields);
  EXPECT_EQ(server->LogOf(u"call db.TableDefs.Append"), (Lines{u"call db.TableDefs.Append(def)"}));
  EXPECT_EQ(server->LogOf(u"call db.OpenRecordset"), (Lines{u"call db.OpenRecordset(\"people\", 1, 0, 2)"}));
  EXPECT_EQ(server->LogOf(u"put rs."),
            (Lines{u"put rs.Fields(0).Value = \"1\"", u"put rs.Fields(1).Value = \"Ana\"",
                   u"put rs.Fields(2).Value = \"" + String(300, u'm') + u"\"",
                   u"put rs.Fields(3).Value = <5 bytes>", u"put rs.Fields(4).Value = \"ŠČ\"",
                   u"put rs.Fields(0).Value = \"2\"", u"put rs.Fields(1).Value = Null",
                   u"put rs.Fields(2).Value = Null", u"put rs.Fields(3).Value = Null",
                   u"put rs.Fields(4).Value = Null"}));
  EXPECT_EQ(server->LogOf(u"call rs.Update").size(), 2u);
  EXPECT_EQ(server->LogOf(u"call rs.Close").size(), 1u);
  EXPECT_EQ(server->LogOf(u"call db.Close").size(), 1u);
}

TEST(AccessWriter, ATextTheDatabaseRefusesIsRetriedCutToTheFieldSize) {
  const fs::path dir = FreshFolder("access_retry");
  auto server = Engine();
  TAutomationRegistration use(u"DAO.DBEngine.120", server);
  int refused = 0;
  auto answer = server->OnCall;
  server->OnCall = [&, answer](const TAutomationCall& call, Variant& result) {
    if (call.Kind == TAutomationCall::acPut && call.Object == u"rs.Fields(1)" && refused++ == 0)
      throw EOleException(u"Field too small");
    return answer(call, result);
  };
  server->Script(u"rs.Fields(1).Size", 2);
  TTestDataSet ds;
  Fill(ds);
  TRODirezaToAccess writer;
  Prepare(writer, ds, dir / "a.mdb");
  writer.Execute();
  const Lines puts = server->LogOf(u"put rs.Fields(1)");
  ASSERT_GE(puts.size(), 2u) << Dump(server->Log());
  EXPECT_EQ(puts[1], u"put rs.Fields(1).Value = \"An\"");
}

TEST(AccessWriter, MergingKeepsAnExistingTableAndOtherwiseItIsReplaced) {
  const fs::path dir = FreshFolder("access_merge");
  std::ofstream(dir / "a.mdb") << "database";
  for (bool merge : {false, true}) {
    SCOPED_TRACE(merge);
    auto server = Engine();
    server->Script(u"db.TableDefs.Count", 1);
    server->Script(u"db.TableDefs.Item(0).Name", u"PEOPLE");
    TAutomationRegistration use(u"DAO.DBEngine.120", server);
    TTestDataSet ds;
    Fill(ds);
    TRODirezaToAccess writer;
    Prepare(writer, ds, dir / "a.mdb");
    if (merge) writer.Options |= OptionBit(soMergeData);
    writer.Execute();
    EXPECT_EQ(server->LogOf(u"call DAO.OpenDatabase").size(), 1u);
    EXPECT_EQ(server->LogOf(u"call db.TableDefs.Delete"), merge ? Lines{} : Lines{u"call db.TableDefs.Delete(\"PEOPLE\")"});
    EXPECT_EQ(server->LogOf(u"call db.CreateTableDef").size(), merge ? 0u : 1u);
  }
}

TEST(AccessWriter, TableNamesLeaveSystemObjectsOut) {
  const fs::path dir = FreshFolder("access_names");
  std::ofstream(dir / "a.mdb") << "database";
  auto server = Engine();
  server->Script(u"db.TableDefs.Count", 3);
  const char16_t* names[] = {u"MSysObjects", u"people", u"orders"};
  const Integer attributes[] = {static_cast<Integer>(0x80000002u), 0, 0x10};
  for (Integer i = 0; i < 3; ++i) {
    server->Script(u"db.TableDefs.Item(" + IntToStr(i) + u").Name", names[i]);
    server->Script(u"db.TableDefs.Item(" + IntToStr(i) + u").Attributes", attributes[i]);
  }
  TAutomationRegistration use(u"DAO.DBEngine.120", server);
  std::vector<String> found;
  GetAccessTableNames(found, Utf8ToString((dir / "a.mdb").string()));
  EXPECT_EQ(found, (std::vector<String>{u"people", u"orders"}));
  EXPECT_EQ(server->LogOf(u"call db.Close").size(), 1u);
}
