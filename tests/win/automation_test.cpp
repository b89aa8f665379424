#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/Strings.h"
#include "platform/win/Automation.h"
#include "platform/win/OfficeAutomation.h"
#include "platform/win/RecordingAutomation.h"

namespace {

std::string Utf8(const String& s) { return StringToUtf8(s); }

template <class E>
String MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message();
  }
  return u"<nothing raised>";
}

TEST(Automation, ServersThatAreNotRegisteredAnswerNotInstalled) {
  EXPECT_FALSE(MSExcelIsInstalled());
  EXPECT_FALSE(MSWordIsInstalled());
  EXPECT_FALSE(MSAccessIsInstalled());
  EXPECT_FALSE(MSJETIsInstalled());
  EXPECT_FALSE(AppIsInstalled(u"Outlook.Application"));
  EXPECT_EQ(MessageOf<EOleSysError>([] { CreateOleObject(u"Excel.Application"); }), u"Invalid class string");
  EXPECT_EQ(MessageOf<EOleSysError>([] { GetActiveOleObject(u"Word.Application"); }), u"Invalid class string");
}

TEST(Automation, ARegistrationLastsForItsScope) {
  auto server = std::make_shared<TRecordingServer>(u"Access");
  {
    TAutomationRegistration use(u"DAO.DBEngine.36", server);
    EXPECT_TRUE(MSAccessIsInstalled());
    EXPECT_FALSE(MSJETIsInstalled());
    EXPECT_EQ(MessageOf<EOleSysError>([] { GetActiveOleObject(u"DAO.DBEngine.36"); }), u"Operation unavailable");
    server->Running = true;
    EXPECT_EQ(OleObjectOf(GetActiveOleObject(u"DAO.DBEngine.36")).RefCount(), 1);
    CreateOleObject(u"DAO.DBEngine.36");
  }
  EXPECT_FALSE(MSAccessIsInstalled());
  std::vector<String> expected = {u"attach Access", u"create Access"};
  EXPECT_EQ(server->Log(), expected);
}

TEST(Automation, RecordingServerLogsEveryCallWithItsArguments) {
  auto server = std::make_shared<TRecordingServer>(u"Excel");
  TAutomationRegistration use(u"Excel.Application", server);
  Variant xls = CreateOleObject(u"Excel.Application");
  OlePut(xls, u"DisplayAlerts", false);
  Variant sheet = OleGet(xls, u"ActiveSheet");
  OlePut(OleGet(sheet, u"Range", {u"A1:B1"}), u"Value", Variant::ArrayOf({1, u"x", Variant::Null()}));
  OlePut(OleGet(OleGet(sheet, u"PageSetup"), u"LeftMargin"), u"Value", 2.5f);
  OleCall(OleGet(xls, u"Workbooks"), u"SaveAs", {u"/tmp/a.xls", Variant::EmptyParam()});
  OleCall(sheet, u"Delete");
  std::vector<String> expected = {
      u"create Excel",
      u"put Excel.DisplayAlerts = False",
      u"get Excel.ActiveSheet",
      u"get Excel.ActiveSheet.Range(\"A1:B1\")",
      u"put Excel.ActiveSheet.Range(\"A1:B1\").Value = [1, \"x\", Null]",
      u"get Excel.ActiveSheet.PageSetup",
      u"get Excel.ActiveSheet.PageSetup.LeftMargin",
      u"put Excel.ActiveSheet.PageSetup.LeftMargin.Value = 2.5",
      u"get Excel.Workbooks",
      u"call Excel.Workbooks.SaveAs(\"/tmp/a.xls\", <omitted>)",
      u"call Excel.ActiveSheet.Delete()",
  };
  EXPECT_EQ(server->Log(), expected);
}

TEST(Automation, ScriptedAnswersComeInTurnAndTheLastStays) {
  auto server = std::make_shared<TRecordingServer>(u"Db");
  server->Script(u"Db.EOF", Variant::Null());
  server->ScriptInTurn(u"Db.EOF", {false, true});
  server->Script(u"Db.Fields(1).Value", u"Ana");
  Variant db = server->CreateObject();
  EXPECT_FALSE(OleGet(db, u"EOF").AsBoolean());
  EXPECT_TRUE(OleGet(db, u"EOF").AsBoolean());
  EXPECT_TRUE(OleGet(db, u"EOF").AsBoolean());
  EXPECT_EQ(OleGet(OleGet(db, u"Fields", {1}), u"Value").AsString(), u"Ana");
  // Unscripted members are objects, so chains need no preparation.
  EXPECT_EQ(OleGet(db, u"Other").VarType(), varDispatch);
}

TEST(Automation, ScriptedFailuresRaiseTheServersMessage) {
  auto server = std::make_shared<TRecordingServer>(u"Word");
  server->Fail(u"Word.Documents.Open", u"File not found");      // any arguments
  server->Fail(u"Word.Columns(2).SetWidth(40, 0)", u"Too wide");  // these arguments only
  Variant word = server->CreateObject();
  Variant documents = OleGet(word, u"Documents");
  EXPECT_EQ(MessageOf<EOleException>([&] { OleCall(documents, u"Open", {u"x.doc"}); }), u"File not found");
  EXPECT_NO_THROW(OleCall(OleGet(word, u"Columns", {2}), u"SetWidth", {30, 0}));
  EXPECT_EQ(MessageOf<EOleException>([&] { OleCall(OleGet(word, u"Columns", {2}), u"SetWidth", {40, 0}); }),
            u"Too wide");
  server->Creatable = false;
  EXPECT_THROW(server->CreateObject(), EOleSysError);
}

TEST(Automation, OnlyAVariantHoldingAnObjectTakesCalls) {
  for (const Variant& v : {Variant(), Variant::Null(), Variant(3), Variant(u"x")}) {
    EXPECT_EQ(MessageOf<EOleSysError>([&] { OleGet(v, u"Name"); }),
              u"Variant does not reference an automation object");
  }
}

TEST(Automation, AnObjectLivesAsLongAsAVariantHoldsIt) {
  auto server = std::make_shared<TRecordingServer>(u"App");
  Variant app = server->CreateObject();
  TSharedObject* obj = app.AsSharedObject();
  {
    Variant copy = app;
    EXPECT_EQ(obj->RefCount(), 2);
    EXPECT_EQ(VarCompareValue(copy, app), vrEqual);
  }
  EXPECT_EQ(obj->RefCount(), 1);
  EXPECT_EQ(VarTypeAsText(app.VarType()), u"Dispatch");
  EXPECT_TRUE(Variant::EmptyParam().IsEmptyParam());
  EXPECT_FALSE(Variant(0).IsEmptyParam());
}

TEST(Automation, FileUrlsArePercentEncodedUtf8OfTheAbsolutePath) {
  struct Case {
    String Name;
    String Url;
  } cases[] = {
      {u"/tmp/out.odt", u"file:///tmp/out.odt"},
      {u"/tmp/my file.odt", u"file:///tmp/my%20file.odt"},
      {u"/tmp/\u010Dasi \u20AC/x#1%.ods", u"file:///tmp/%C4%8Dasi%20%E2%82%AC/x%231%25.ods"},
      {u"/tmp/./a/../b.doc", u"file:///tmp/b.doc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.Name));
    EXPECT_EQ(Utf8(FileNameToURL(c.Name)), Utf8(c.Url));
  }
  const String relative = FileNameToURL(u"rel.odt");
  const std::string expected = "file://" + (std::filesystem::current_path() / "rel.odt").string();
  EXPECT_EQ(Utf8(relative), expected);
}

}  // namespace
