#include "export/ExportFiles.h"
#include "platform/rtl/PublishedProperties.h"
#include "platform/rtl/Strings.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

// A fresh folder under the system's temporary folder, removed with its
// contents afterwards; the test runs with it as the current folder.
class ExportFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = "/tmp/export_files_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    FRoot = pattern;
    char cwd[PATH_MAX];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    FSavedCwd = cwd;
    ASSERT_EQ(::chdir(FRoot.c_str()), 0);
  }
  void TearDown() override {
    if (!FSavedCwd.empty()) {
      EXPECT_EQ(::chdir(FSavedCwd.c_str()), 0);
    }
    if (!FRoot.empty()) {
      EXPECT_EQ(std::system(("rm -rf '" + FRoot + "'").c_str()), 0);
    }
  }

  String Path(const std::string& relative) const { return Utf8ToString(FRoot + "/" + relative); }
  bool IsFolder(const std::string& relative) const {
    struct stat st;
    return ::stat((FRoot + "/" + relative).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }
  void MakeFile(const std::string& relative) const {
    FILE* f = std::fopen((FRoot + "/" + relative).c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }

  std::string FRoot;
  std::string FSavedCwd;
};

TEST_F(ExportFilesTest, DirectoryExists) {
  MakeFile("file");
  EXPECT_TRUE(DirectoryExists(Path("")));
  EXPECT_TRUE(DirectoryExists(u"/"));
  EXPECT_TRUE(DirectoryExists(u"."));
  EXPECT_FALSE(DirectoryExists(Path("file")));
  EXPECT_FALSE(DirectoryExists(Path("missing")));
  EXPECT_FALSE(DirectoryExists(u""));
}

TEST(ExportFolders, ExcludeTrailingBackslash) {
  struct Case {
    String in, out;
  };
  const Case cases[] = {{u"", u""}, {u"/", u""}, {u"/a/b/", u"/a/b"}, {u"/a/b", u"/a/b"}, {u"a//", u"a/"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.in));
    EXPECT_EQ(ExcludeTrailingBackslash(c.in), c.out);
  }
}

TEST_F(ExportFilesTest, ForceDirectoriesMakesEveryMissingParent) {
  EXPECT_TRUE(ForceDirectories(Path("a/b/c")));
  EXPECT_TRUE(IsFolder("a/b/c"));
  // Existing folders, a trailing delimiter, a doubled one and a ".." step.
  EXPECT_TRUE(ForceDirectories(Path("a/b")));
  EXPECT_TRUE(ForceDirectories(Path("a/d/")));
  EXPECT_TRUE(IsFolder("a/d"));
  EXPECT_TRUE(ForceDirectories(Path("e//f")));
  EXPECT_TRUE(IsFolder("e/f"));
  EXPECT_TRUE(ForceDirectories(Path("g/../h")));
  EXPECT_TRUE(IsFolder("h"));
  // Relative names are made in the current folder, short ones too: a
  // two-letter name is a folder here, not a drive.
  EXPECT_TRUE(ForceDirectories(u"ab"));
  EXPECT_TRUE(IsFolder("ab"));
  EXPECT_TRUE(ForceDirectories(u"x/y"));
  EXPECT_TRUE(IsFolder("x/y"));
}

TEST_F(ExportFilesTest, ForceDirectoriesNothingToMake) {
  EXPECT_TRUE(ForceDirectories(u""));
  EXPECT_TRUE(ForceDirectories(u"/"));
  EXPECT_TRUE(ForceDirectories(u"."));
  EXPECT_TRUE(ForceDirectories(Path("")));
}

TEST_F(ExportFilesTest, ForceDirectoriesReportsWhatCannotBeMade) {
  MakeFile("file");
  EXPECT_FALSE(ForceDirectories(Path("file")));
  EXPECT_FALSE(ForceDirectories(Path("file/sub")));
  EXPECT_FALSE(IsFolder("file"));
  // A name longer than any path the system takes fails at once.
  String deep;
  for (int i = 0; i < 20000; ++i) deep += u"/d";
  EXPECT_FALSE(ForceDirectories(Path("") + deep));
  EXPECT_FALSE(IsFolder("d"));
}

TEST(ExportPictures, FileNamesBesideTheExport) {
  struct Case {
    String fileName;
    Integer index;
    TPictureKind kind;
    String expected;
  };
  const Case cases[] = {
      {u"/data/out/report.htm", 1, pkBitmap, u"/data/out/img1.bmp"},
      {u"/data/out/report.htm", 12, pkEnhancedMetafile, u"/data/out/img12.emf"},
      {u"/data/out/report.htm", 0, pkMetafile, u"/data/out/img0.wmf"},
      {u"/data/out/report.htm", 3, pkIcon, u"/data/out/img3.ico"},
      {u"/data/out/report.htm", 4, pkOther, u"/data/out/img4.bmp"},
      {u"/report.htm", 2, pkBitmap, u"/img2.bmp"},
      // Without a folder the picture goes into the current folder.
      {u"report.htm", 5, pkBitmap, u"img5.bmp"},
      {u"sub/report.htm", 6, pkBitmap, u"sub/img6.bmp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.expected));
    EXPECT_EQ(GetFileNameByGraphic(c.fileName, c.index, c.kind), c.expected);
  }
}

TEST_F(ExportFilesTest, PictureFileNamesInTheTemporaryFolder) {
  const char* saved = std::getenv("TMPDIR");
  const std::string savedValue = saved != nullptr ? saved : "";
  ::setenv("TMPDIR", (FRoot + "/").c_str(), 1);
  String first = GetFileNameByGraphic(u"", 0, pkIcon);
  String second = GetFileNameByGraphic(u"", 0, pkBitmap);
  const String prefix = Path("ZAZ");
  EXPECT_EQ(first.substr(0, prefix.size()), prefix);
  EXPECT_EQ(first.substr(first.size() - 4), u".ico");
  EXPECT_EQ(second.substr(second.size() - 4), u".bmp");
  EXPECT_NE(first.substr(0, first.size() - 4), second.substr(0, second.size() - 4));
  // The name is only reserved: no file is left behind.
  EXPECT_FALSE(FileExists(first.substr(0, first.size() - 4)));

  ::setenv("TMPDIR", (FRoot + "/missing").c_str(), 1);
  EXPECT_THROW(GetFileNameByGraphic(u"", 0, pkBitmap), EFCreateError);
  if (saved != nullptr) ::setenv("TMPDIR", savedValue.c_str(), 1);
  else ::unsetenv("TMPDIR");
}

TEST(ExportUser, LoggedUserNameIsKnown) { EXPECT_FALSE(GetLoggedUserName().empty()); }

// A dataset with the properties a class may publish; absent ones are unset.
class TTestDataSet : public TComponent, public IPublishedProperties {
 public:
  TTestDataSet(std::optional<String> tableName, std::optional<String> sql)
      : TComponent(nullptr), FTableName(std::move(tableName)), FSQL(std::move(sql)) {}
  bool ReadPublishedText(StringView name, String& value) const override {
    return SameText(name, u"TableName") && Answer(FTableName, value);
  }
  bool WritePublishedText(StringView, const String&) override { return false; }
  bool ReadPublishedLines(StringView name, String& lines) const override {
    return SameText(name, u"SQL") && Answer(FSQL, lines);
  }

 private:
  static bool Answer(const std::optional<String>& property, String& value) {
    if (property) value = *property;
    return property.has_value();
  }
  std::optional<String> FTableName, FSQL;
};

TEST(ExportTableNames, FromTheDataSetsProperties) {
  struct Case {
    const char* name;
    std::optional<String> tableName, sql;
    String expected;
  };
  const std::nullopt_t none = std::nullopt;
  const Case cases[] = {
      {"file name loses its extension", u"orders.db", none, u"orders"},
      {"table name as it is", u"Customer Data", u"SELECT * FROM X", u"Customer Data"},
      {"table name wins over SQL", u"customer", u"SELECT * FROM Orders", u"customer"},
      {"empty table name falls to SQL", u"", u"SELECT * FROM Orders WHERE Id=1", u"Orders"},
      {"upper-case FROM", none, u"SELECT * FROM Orders WHERE Id=1", u"Orders"},
      {"lower-case from", none, u"select * from orders where id=1", u"orders"},
      {"keyword on its own line", none, u"SELECT *\r\nFROM\r\n  Orders\r\nWHERE 1=1", u"Orders"},
      {"keyword after a tab", none, u"select a\tfrom\tt1", u"t1"},
      {"FROM inside a word", none, u"SELECT DATEFROM FROM T", u"T"},
      {"FROM inside a name with underscore", none, u"SELECT a_from FROM T2", u"T2"},
      {"schema prefix", none, u"SELECT * FROM dbo.Orders", u"dbo"},
      {"several tables", none, u"SELECT * FROM a,b", u"a"},
      {"bracketed name", none, u"SELECT * FROM [Order Details]", u""},
      {"quoted name", none, u"SELECT * FROM \"q\"", u""},
      {"no FROM: the first word", none, u"orders", u"orders"},
      {"no FROM in a statement", none, u"EXEC proc;", u"EXEC"},
      {"FROM at the very end", none, u"SELECT * FROM", u"SELECT"},
      {"leading blanks", none, u"  orders", u"orders"},
      {"neither property", none, none, u""},
      {"empty table name and no SQL", u"", none, u""},
      {"empty SQL", none, u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTestDataSet dataSet(c.tableName, c.sql);
    EXPECT_EQ(TblName(&dataSet), c.expected);
  }
}

TEST(ExportTableNames, ComponentsWithoutTheProperties) {
  TComponent plain(nullptr);
  EXPECT_EQ(TblName(nullptr), u"");
  EXPECT_EQ(TblName(&plain), u"");
  EXPECT_EQ(GetPropAsString(&plain), u"");
  EXPECT_EQ(GetPropAsTStrings(&plain), u"");
  EXPECT_EQ(GetPropAsString(nullptr), u"");

  TTestDataSet both(u"t.db", u"SELECT 1");
  EXPECT_EQ(GetPropAsString(&both), u"t.db");
  EXPECT_EQ(GetPropAsTStrings(&both), u"SELECT 1");
}

}  // namespace
