// Shared helpers of the import: folders, the wide-string list, the file
// dialog hook, table names by published properties, HTML entities and OEM
// text.
#include <gtest/gtest.h>

#include "platform/rtl/FileDialog.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "import/VODUtils.h"
#include "import/WideStrings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/PublishedProperties.h"
#include "platform/rtl/Strings.h"

namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "impexpr-XXXXXX").string();
    FPath = mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(FPath); }
  String operator/(const char* name) const { return Utf8ToString((FPath / name).string()); }
  const fs::path& Path() const { return FPath; }

 private:
  fs::path FPath;
};

TEST(Folders, ForceDirectoriesCreatesEveryMissingParent) {
  TempDir temp;
  const String nested = temp / "a/b/c/";
  EXPECT_FALSE(DirectoryExists(nested));
  EXPECT_TRUE(ForceDirectories(nested));
  EXPECT_TRUE(DirectoryExists(temp / "a/b/c"));
  EXPECT_TRUE(ForceDirectories(nested));  // already there
  EXPECT_TRUE(ForceDirectories(u""));
  EXPECT_TRUE(ForceDirectories(u"/"));
  // A parent that is a file cannot hold a folder.
  std::ofstream(temp.Path() / "file") << "x";
  EXPECT_FALSE(ForceDirectories(temp / "file/sub"));
  EXPECT_FALSE(DirectoryExists(temp / "file"));
}

TEST(Folders, ShortRelativeNamesAreCreatedToo) {
  TempDir temp;
  const fs::path saved = fs::current_path();
  fs::current_path(temp.Path());
  const bool created = ForceDirectories(u"ab");
  const bool exists = DirectoryExists(u"ab");
  fs::current_path(saved);
  EXPECT_TRUE(created);
  EXPECT_TRUE(exists);
}

TEST(Folders, ExcludeTrailingBackslashDropsOneDelimiter) {
  EXPECT_EQ(ExcludeTrailingBackslash(u"/tmp/x/"), u"/tmp/x");
  EXPECT_EQ(ExcludeTrailingBackslash(u"/tmp/x//"), u"/tmp/x/");
  EXPECT_EQ(ExcludeTrailingBackslash(u"/tmp/x"), u"/tmp/x");
  EXPECT_EQ(ExcludeTrailingBackslash(u""), u"");
}

TEST(WideStrings, EditingKeepsOrderAndObjects) {
  int one = 1, two = 2, three = 3;
  TWideStrings list;
  list.AddObject(u"one", &one);
  list.AddObject(u"two", &two);
  list.AddObject(u"three", &three);
  list.Delete(0);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(0), u"two");
  EXPECT_EQ(list.GetObject(1), &three);
  list.Put(0, u"TWO");
  EXPECT_EQ(list.Get(0), u"TWO");
  EXPECT_EQ(list.GetObject(0), &two);
  list.Insert(2, u"end");
  list.InsertObject(0, u"start", &one);
  EXPECT_EQ(list.GetText(), u"start\r\nTWO\r\nthree\r\nend\r\n");
  EXPECT_EQ(list.IndexOf(u"two"), -1);
  EXPECT_EQ(list.IndexOfIgnoreCase(u"two"), 1);
  EXPECT_EQ(list.Get(9), u"");
  EXPECT_EQ(list.GetObject(-1), nullptr);
  for (auto action : {+[](TWideStrings& l) { l.Insert(9, u"x"); }, +[](TWideStrings& l) { l.Delete(-1); },
                      +[](TWideStrings& l) { l.PutObject(4, nullptr); }, +[](TWideStrings& l) { l.Put(4, u"x"); }}) {
    try {
      action(list);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), u"WideStrings index out of bounds");
    }
  }
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(FileDialog, PresetsFolderNamesAndReportsCancellation) {
  String name = u"/home/user/";
  SetFileDialogHandler({});
  EXPECT_FALSE(FileDialogAvailable());
  EXPECT_FALSE(VODOpenSaveFileDialog(nullptr, u"vod", u"All|*.*", true, name, u"Title", u"/tmp"));
  EXPECT_EQ(name, u"/home/user/");

  TFileDialogRequest seen;
  SetFileDialogHandler([&](TFileDialogRequest& request) {
    seen = request;
    request.FileName = u"/tmp/chosen.vod";
    return true;
  });
  EXPECT_TRUE(VODOpenSaveFileDialog(nullptr, u"vod", u"All|*.*", false, name, u"Title", u"/tmp"));
  EXPECT_EQ(seen.FileName, u"/home/user/default");
  EXPECT_FALSE(seen.Open);
  EXPECT_EQ(seen.Filter, u"All|*.*");
  EXPECT_EQ(name, u"/tmp/chosen.vod");

  SetFileDialogHandler([](TFileDialogRequest&) { return false; });
  EXPECT_FALSE(VODOpenSaveFileDialog(nullptr, u"", u"", true, name, u"", u""));
  EXPECT_EQ(name, u"/tmp/chosen.vod");
  SetFileDialogHandler({});
}

// A dataset-like component with the published properties a test gives it.
using TTexts = std::vector<std::pair<String, String>>;

class TPropertyComponent : public TComponent, public IPublishedProperties {
 public:
  explicit TPropertyComponent(TTexts texts, const String* sql = nullptr)
      : TComponent(nullptr), FTexts(std::move(texts)), FSql(sql) {}

  bool ReadPublishedText(StringView name, String& value) const override {
    for (const auto& [n, v] : FTexts) {
      if (SameText(n, name)) {
        value = v;
        return true;
      }
    }
    return false;
  }
  bool WritePublishedText(StringView name, const String& value) override {
    for (auto& [n, v] : FTexts) {
      if (SameText(n, name)) {
        v = value;
        return true;
      }
    }
    return false;
  }
  bool ReadPublishedLines(StringView name, String& lines) const override {
    if (FSql == nullptr || !SameText(name, u"SQL")) return false;
    lines = *FSql;
    return true;
  }

 private:
  std::vector<std::pair<String, String>> FTexts;
  const String* FSql;
};

TEST(TableNames, ComeFromTableNameCommandTextOrSql) {
  const String query = u"select *\r\nfrom Orders where Id=1";
  const String join = u"SELECT a FROM dbo.Items\r\nWHERE x=1";
  const String noFrom = u"exec proc";
  TPropertyComponent table(TTexts{{u"TableName", u"customer.db"}});
  TPropertyComponent command(TTexts{{u"CommandText", u"Invoices"}});
  TPropertyComponent sql(TTexts{}, &query);
  TPropertyComponent dotted(TTexts{}, &join);
  TPropertyComponent procedure(TTexts{}, &noFrom);
  TPropertyComponent none(TTexts{});
  TComponent plain(nullptr);
  EXPECT_EQ(GetParsedTableName(&table), u"customer");
  EXPECT_EQ(GetParsedTableName(&command), u"Invoices");
  EXPECT_EQ(GetParsedTableName(&sql), u"Orders");
  EXPECT_EQ(GetParsedTableName(&dotted), u"dbo");
  EXPECT_EQ(GetParsedTableName(&procedure), u"exec");
  EXPECT_EQ(GetParsedTableName(&none), u"");
  EXPECT_EQ(GetParsedTableName(&plain), u"");
  EXPECT_EQ(GetParsedTableName(nullptr), u"");
}

TEST(TableNames, ReadWritePropAsString) {
  TPropertyComponent table(TTexts{{u"IndexFieldName", u"Id"}});
  String value = u"stale";
  ReadWritePropAsString(&table, u"IndexFieldName", true, value);
  EXPECT_EQ(value, u"Id");
  value = u"Name";
  ReadWritePropAsString(&table, u"IndexFieldName", false, value);
  ReadWritePropAsString(&table, u"IndexFieldName", true, value);
  EXPECT_EQ(value, u"Name");
  ReadWritePropAsString(&table, u"Missing", true, value);
  EXPECT_EQ(value, u"");
  TComponent plain(nullptr);
  value = u"x";
  ReadWritePropAsString(&plain, u"IndexFieldName", true, value);
  EXPECT_EQ(value, u"");
}

TEST(HtmlEntities, DecodedInOnePass) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"a&lt;b", u"a<b"},
      {u"x&nbsp;y", u"xy"},
      {u"a&ltb&gt", u"a<b>"},
      {u"&deg;&#176 &para;&plusmn;&copy;&trade;", u"\u00B0\u00B0 \u00B6+cT"},
      {u"&quot;&#34;&#034;&apos;&#39;&#039;&#37;", u"\"\"\"'''%"},
      {u"&car;&ret;&#009;&#x9;&#010;&#xa;&#013;&#xd;&brvbar;", u"\n\r\t\t\n\n\r\r|"},
      // An escaped entity stays the entity's text.
      {u"&amp;lt;", u"&lt;"},
      {u"&amp;amp;", u"&amp;"},
      {u"&&amp;lt", u"&&lt"},
      {u"&LT; &unknown; & ;", u"&LT; &unknown; & ;"},
      {u"&#376", u"%6"},
      // Complete numeric references stand for their characters.
      {u"&#22810;&#x17D;&#345;&#x1F600;", u"\u591A\u017D\u0159\U0001F600"},
      {u"&amp;#22810;", u"&#22810;"},
      {u"", u""},
  };
  for (const auto& [input, expected] : cases) {
    SCOPED_TRACE(StringToUtf8(input));
    String text = input;
    ReplaceHTMLChars(text);
    EXPECT_EQ(text, expected);
  }
}

TEST(OemText, ReadsAnsiBytesInTheOemCodePage) {
  const int ansi = AnsiCodePage(), oem = OemCodePage();
  SetAnsiCodePage(1250);
  SetOemCodePage(852);
  EXPECT_EQ(OemToAnsiStr(u"\u017A"), u"\u010D");   // byte 0x9F
  EXPECT_EQ(OemToAnsiStr(u"\u00AC"), u"\u010C");   // byte 0xAC
  EXPECT_EQ(OemToAnsiStr(u"abc 123"), u"abc 123");
  EXPECT_EQ(OemToAnsiStr(String(u"a\0b", 3)), u"a");
  EXPECT_EQ(OemToAnsiStr(u""), u"");
  SetAnsiCodePage(ansi);
  SetOemCodePage(oem);
}

}  // namespace
