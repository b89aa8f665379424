// The Outlook source against a recording automation server that plays a
// profile: folder paths and entry identifiers, items of a folder and its
// sub-folders (appended, never written over), member values and Nulls, the
// column lookups, the wizard's preview; and the clear failure on this
// platform, where no Outlook server exists.
#include <gtest/gtest.h>

#include "import/ImportExceptions.h"
#include "import/readers/Outlook.h"
#include "platform/rtl/Strings.h"
#include "platform/win/RecordingAutomation.h"
#include "tests/import/markup_fixture.h"

namespace {

constexpr char16_t kInbox[] = u"Outlook.GetNameSpace(\"MAPI\").GetDefaultFolder(6)";

// A profile whose Inbox holds RootItems items and one sub-folder with
// SubItems items; items answer Subject and Location, other members Null.
struct FakeOutlook {
  std::shared_ptr<TRecordingServer> Server = std::make_shared<TRecordingServer>(u"Outlook");
  TAutomationRegistration Use{u"Outlook.Application", Server};
  Integer RootItems = 2;
  Integer SubItems = 1;
  Integer ItemType = 0;

  FakeOutlook() {
    Server->OnCall = [this](const TAutomationCall& call, Variant& result) {
      const String& o = call.Object;
      const bool sub = o.find(u".Folders.Item(1)") != String::npos;
      if (call.Name == u"DefaultItemType") return (result = ItemType), true;
      if (call.Name == u"Count" && o.ends_with(u".Items")) return (result = sub ? SubItems : RootItems), true;
      if (call.Name == u"Count" && o.ends_with(u".Folders")) return (result = sub ? 0 : 1), true;
      const size_t item = o.rfind(u".Items.Item(");
      if (item == String::npos || o.find(u'.', item + 12) != String::npos) return false;
      const String number = o.substr(item + 12, o.size() - item - 13);
      if (call.Name == u"Subject") return (result = String(sub ? u"sub " : u"root ") + number), true;
      if (call.Name == u"Location") return (result = String()), true;
      if (call.Name == u"Body") throw EOleException(u"Body is not available");
      return (result = Variant::Null()), true;
    };
  }
};

TImportResult ImportOutlook(const TSMIOutlookProperties& properties) {
  TRADerevuFromOutlook source;
  source.SetProperties(properties);
  return RunIntoTable(source);
}

size_t ColumnOf(const TImportResult& got, const String& name) {
  for (size_t c = 0; c < got.Columns.size(); ++c)
    if (got.Columns[c] == name) return c;
  ADD_FAILURE() << "no column " << StringToUtf8(name);
  return 0;
}

TEST(OutlookImport, WithoutAnOutlookServerTheRunSaysSo) {
  TSMIOutlookProperties properties;
  try {
    ImportOutlook(properties);
    FAIL() << "the run must not succeed";
  } catch (const ESMIFileException& e) {
    EXPECT_EQ(e.Message(), strOutlookNotInstalled);
  }
  EXPECT_THROW(VODRetrieveOutlookFolders(nullptr, nullptr), ESMIFileException);
}

TEST(OutlookImport, SubFolderItemsFollowTheirParentsItems) {
  FakeOutlook outlook;
  TSMIOutlookProperties properties;
  properties.LoadSubFolders = true;
  const TImportResult got = ImportOutlook(properties);
  EXPECT_EQ(got.Statistic.Result, irExecuted);
  ASSERT_EQ(got.Columns.size(), 20u);  // the mail columns
  const size_t subject = ColumnOf(got, u"Subject");
  ASSERT_EQ(got.Rows.size(), 3u);
  EXPECT_EQ(got.Rows[0][subject], u"root 1");
  EXPECT_EQ(got.Rows[1][subject], u"root 2");
  EXPECT_EQ(got.Rows[2][subject], u"sub 1");
  // A failing member leaves its cell empty and the item's other members read.
  EXPECT_EQ(got.Rows[0][ColumnOf(got, u"Body")], u"");
  const std::vector<String> log = outlook.Server->Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), u"call " + String(kInbox)), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), u"create Outlook"), 1);
}

TEST(OutlookImport, FolderPathAndEntryIdentifierChooseTheFolder) {
  const struct {
    const char16_t* FolderName;
    const char16_t* EntryID;
    const char16_t* StoreID;
    std::vector<String> Calls;
  } cases[] = {
      {u"Projekti\\2024", u"", u"",
       {u"call Outlook.GetNameSpace(\"MAPI\")", u"call Outlook.GetNameSpace(\"MAPI\").GetDefaultFolder(6)",
        u"call " + String(kInbox) + u".Folders(\"Projekti\")",
        u"call " + String(kInbox) + u".Folders(\"Projekti\").Folders(\"2024\")"}},
      {u"", u"ID1", u"", {u"call Outlook.GetNameSpace(\"MAPI\")", u"call Outlook.GetNameSpace(\"MAPI\").GetDefaultFolder(9)",
                          u"call Outlook.GetNameSpace(\"MAPI\").GetDefaultFolder(9).GetItemFromID(\"ID1\")"}},
      {u"", u"ID1", u"S1",
       {u"call Outlook.GetNameSpace(\"MAPI\")", u"call Outlook.GetNameSpace(\"MAPI\").GetDefaultFolder(9)",
        u"call Outlook.GetNameSpace(\"MAPI\").GetDefaultFolder(9).GetItemFromID(\"ID1\", \"S1\")"}},
  };
  for (const auto& c : cases) {
    FakeOutlook outlook;
    outlook.RootItems = 0;
    TSMIOutlook reader;
    reader.Properties().ItemType = oitAppointment;
    reader.Properties().FolderName = c.FolderName;
    reader.Properties().FolderEntryID = c.EntryID;
    reader.Properties().FolderStoreID = c.StoreID;
    reader.LoadFromFile(u"x");
    std::vector<String> calls;
    for (const String& line : outlook.Server->LogOf(u"call Outlook.GetNameSpace(\"MAPI\")"))
      if (line.find(u".Items") == String::npos) calls.push_back(line);
    EXPECT_EQ(calls, c.Calls);
  }
}

TEST(OutlookImport, ColumnsFollowTheFolderWhileOpenAndTheItemTypeOtherwise) {
  FakeOutlook outlook;
  outlook.RootItems = 0;
  TSMIOutlook reader;
  reader.Properties().ItemType = oitContact;
  EXPECT_EQ(reader.FindColumn(u"email"), 1);  // no folder open: the contact table
  reader.Properties().FolderName = u"Pošta";
  reader.LoadFromFile(u"x");
  EXPECT_EQ(reader.FindColumn(u"subject"), 1);  // the open folder holds mail
  TColumnList list;
  reader.FillColumnList(list, String());
  ASSERT_EQ(list.size(), 20u);
  EXPECT_EQ(list[19].Name, u"SentOn");
  EXPECT_EQ(list[19].Column, 19);
  reader.AfterLoad();

  Integer count = 0;
  for (Integer code : {7, 12, 14}) EXPECT_EQ(OutlookFieldTable(code, count), nullptr) << code;
  const struct {
    Integer Code;
    Integer Count;
    const char16_t* Last;
  } tables[] = {{0, 20, u"SentOn"}, {1, 22, u"Start"},   {2, 88, u"WebPage"}, {3, 23, u"TotalWork"},
                {4, 20, u"Start"},  {5, 12, u"Width"},   {6, 19, u"SentOn"},  {13, 20, u"SentOn"}};
  for (const auto& t : tables) {
    const TSMIOutlookField* table = OutlookFieldTable(t.Code, count);
    ASSERT_EQ(count, t.Count) << t.Code;
    EXPECT_EQ(String(table[count - 1].Name), t.Last);
  }
}

TEST(OutlookImport, EmptyTextIsStoredAndNullLeavesNoCell) {
  FakeOutlook outlook;
  outlook.ItemType = 1;
  outlook.RootItems = 1;
  TSMIOutlook reader;
  reader.Properties().ItemType = oitAppointment;
  reader.LoadFromFile(u"x");
  const TSpreadSheetRow* row = reader.Sheets.Spreadsheet(0).Cells.Rows(0);
  ASSERT_NE(row, nullptr);
  const TSMICell* location = row->Cols.GetCell(15);
  ASSERT_NE(location, nullptr);
  EXPECT_EQ(location->Value.AsString(), u"");
  EXPECT_EQ(row->Cols.GetCell(16), nullptr);  // Organizer answered Null
  EXPECT_EQ(row->Cols.GetCell(0)->Value.AsString(), u"root 1");
}

TEST(OutlookImport, PreviewOfTwentyRowsReadsTwentyOneItems) {
  FakeOutlook outlook;
  outlook.RootItems = 50;
  outlook.SubItems = 0;
  TColumnList columns;
  std::vector<Integer> numbers;
  LoadOutlookPreview(nullptr, String(), 1, 2147483647, 20, false, columns,
                     [&](void*, Integer count, Integer number, bool, std::vector<TPreviewValue>& values) {
                       EXPECT_EQ(count, 20);
                       EXPECT_EQ(values[1].Value.AsString(), u"root " + IntToStr(number));
                       numbers.push_back(number);
                     },
                     nullptr, TSMIOutlookProperties());
  ASSERT_EQ(numbers.size(), 20u);
  EXPECT_EQ(numbers.front(), 1);
  EXPECT_EQ(numbers.back(), 20);
  EXPECT_EQ(outlook.Server->LogOf(u"call " + String(kInbox) + u".Items.Item(").size(), 21u);
}

}  // namespace
