#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "tests/support/temp_folder.h"

namespace {

std::string ReadAll(const String& fileName) {
  TMemoryStream m;
  m.LoadFromFile(fileName);
  return std::string(m.Bytes().begin(), m.Bytes().end());
}

void WriteAll(const String& fileName, const std::string& text) {
  TSafeFileWriter w(fileName);
  w.Stream().WriteBuffer(text.data(), static_cast<Int64>(text.size()));
  w.Commit();
}

}  // namespace

TEST(SafeFileWriter, ReplacesTheFileOnlyWhenCommitted) {
  TempFolder dir;
  String name = dir.File("table.vtd");
  WriteAll(name, "old contents");
  ::chmod(StringToUtf8(name).c_str(), 0640);
  {
    TSafeFileWriter w(name);
    w.Stream().WriteBuffer("partial", 7);
    // Dropped without Commit: a failed save.
  }
  EXPECT_EQ(ReadAll(name), "old contents");
  EXPECT_EQ(dir.EntryCount(), 1);  // no temporary file left behind

  WriteAll(name, "new");
  EXPECT_EQ(ReadAll(name), "new");
  EXPECT_EQ(dir.EntryCount(), 1);
  struct stat st;
  ASSERT_EQ(::stat(StringToUtf8(name).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // the replaced file's permissions are kept
}

TEST(SafeFileWriter, ALargeReplacedFileStaysWholeForThoseWhoHaveItOpen) {
  // A large file is let go of after the rename, off the save's path.
  TempFolder dir;
  String name = dir.File("big.vtd");
  const std::string old(9 << 20, 'o');
  WriteAll(name, old);
  TFileStream reader(name, fmOpenRead);
  WriteAll(name, "new");
  EXPECT_EQ(ReadAll(name), "new");
  EXPECT_EQ(dir.EntryCount(), 1);
  std::string seen(old.size(), '\0');
  reader.ReadBuffer(seen.data(), static_cast<Int64>(seen.size()));
  EXPECT_EQ(seen, old);
  WriteAll(name, old);  // and the large file replaced again
  EXPECT_EQ(ReadAll(name), old);
}

TEST(Streams, ErrorsNameTheFileAndShortReadsFail) {
  TempFolder dir;
  String missing = dir.File("missing.vtd");
  try {
    TFileStream f(missing, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind(u"Cannot open file \"" + missing + u"\". ", 0), 0u);
  }
  EXPECT_THROW(TSafeFileWriter(dir.File("no/such/folder/x")), EFCreateError);

  TMemoryStream m;
  m.WriteBuffer("abc", 3);
  m.SetPosition(10);
  char buf[4];
  EXPECT_EQ(m.Read(buf, 4), 0);
  m.SetPosition(1);
  EXPECT_THROW(m.ReadBuffer(buf, 3), EReadError);
}
