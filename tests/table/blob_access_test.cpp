#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SharedObject.h"
#include "platform/rtl/Strings.h"
#include "store_fixture.h"
#include "table/Blob.h"
#include "table/CompressedBlob.h"

#include "blob_test_helpers.h"

namespace {

using Blob = TSharedRef<TBlob>;

constexpr char Sentinel = '~';
const std::string Zero16(2, '\0');

// The UTF-16LE bytes of a text.
std::string U16(std::u16string_view text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

Blob MakeBlob(bool isUnicode, const std::string& bytes) {
  Blob blob(new TBlob(isUnicode));
  blob->Write(0, static_cast<Int64>(bytes.size()), bytes.data());
  return blob;
}

// Reads through the record set into a buffer that is larger than asked for,
// and checks that nothing lands behind the bytes reported.
std::string ReadVia(TData& data, TBlob* blob, Int64 position, Int64 count, bool trueUnicode) {
  std::string dest(64, Sentinel);
  Int64 n = data.ReadBlob(blob, position, count, dest.data(), false, trueUnicode);
  EXPECT_GE(n, 0);
  EXPECT_EQ(dest.find_first_not_of(Sentinel, static_cast<size_t>(n)), std::string::npos);
  return dest.substr(0, static_cast<size_t>(n));
}

}  // namespace

TEST(BlobAccess, ReadsInEitherEncoding) {
  CodePageScope codePage(1250);
  struct Case {
    bool unicodeBlob;
    std::string value;
    bool trueUnicode;
    Int64 position, count;
    std::string expected;
  };
  const Case cases[] = {
      // Same encoding: the bytes as they are.
      {false, "\xE8" "as", false, 1, 1, "a"},
      {true, U16(u"čas"), true, 2, 0, U16(u"as")},
      // 8-bit text asked for as UTF-16: positions and counts in UTF-16 bytes.
      {false, "ab", true, 0, 0, U16(u"ab")},
      {false, "\xE8" "as", true, 0, 0, U16(u"čas")},
      {false, "\xE8" "as", true, 2, 2, U16(u"a")},
      {false, "\xE8" "as", true, 4, 100, U16(u"s")},
      {false, "\xE8" "as", true, 0, 3, U16(u"č")},  // room for whole units only
      {false, "\xE8" "as", true, 6, 0, ""},
      {false, "\xE8" "as", true, 60, 2, ""},
      // UTF-16 text asked for as 8-bit text.
      {true, U16(u"ab"), false, 0, 0, "ab"},
      {true, U16(u"čas"), false, 0, 0, "\xE8" "as"},
      {true, U16(u"čas"), false, 1, 1, "a"},
      {true, U16(u"čas"), false, 2, 10, "s"},
      {true, U16(u"čas"), false, 3, 0, ""},
      {true, U16(u"ab") + "x", false, 0, 0, "ab"},  // an odd last byte is no character
  };
  TData data;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.unicodeBlob << " " << c.trueUnicode << " @" << c.position << "+" << c.count);
    Blob blob = MakeBlob(c.unicodeBlob, c.value);
    EXPECT_EQ(ReadVia(data, blob.get(), c.position, c.count, c.trueUnicode), c.expected);
    EXPECT_FALSE(blob->UseRollback());
  }
}

TEST(BlobAccess, WritesInEitherEncoding) {
  CodePageScope codePage(1250);
  struct Case {
    bool unicodeBlob;
    std::string value;
    bool trueUnicode;
    Int64 position, count;  // a negative count: up to the zero byte or unit
    std::string source, expected;
  };
  const Case cases[] = {
      {false, "abc", false, 1, -1, std::string("X\0Y", 3), "aXc"},
      {true, U16(u"abc"), true, 2, -1, U16(u"X") + Zero16 + U16(u"Y"), U16(u"aXc")},
      // UTF-16 written into 8-bit text.
      {false, "abc", true, 2, 2, U16(u"č"), "a\xE8" "c"},
      {false, "abc", true, 0, -1, U16(u"Ž") + Zero16 + U16(u"x"), "\x8E" "bc"},
      {false, "abc", true, 100, 4, U16(u"xy"), "abcxy"},  // past the end: appended
      {false, "abc", true, 0, 3, U16(u"x") + "y", "xbc"},  // a half unit is not written
      // 8-bit text written into UTF-16 text.
      {true, U16(u"abc"), false, 1, 1, "\xE8", U16(u"ačc")},
      {true, U16(u"abc"), false, 3, -1, std::string("xy\0z", 4), U16(u"abcxy")},
      {true, U16(u"abc"), false, 10, 1, "z", U16(u"abcz")},
  };
  TData data;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.unicodeBlob << " " << c.trueUnicode << " @" << c.position << "+" << c.count);
    Blob blob = MakeBlob(c.unicodeBlob, c.value);
    // The caller's text at an odd address: UTF-16 units need not be aligned.
    std::string buffer = "." + c.source;
    data.WriteBlob(blob.get(), c.position, c.count, buffer.data() + 1, c.trueUnicode);
    EXPECT_EQ(ReadAll(*blob), c.expected);
    EXPECT_TRUE(blob->CanRollback());  // the write kept the old contents
  }
}

TEST(BlobAccess, SizesInEitherEncoding) {
  CodePageScope codePage(1250);
  TData data;
  Blob ansi = MakeBlob(false, "abcd");
  Blob wide = MakeBlob(true, U16(u"abcd"));
  EXPECT_EQ(data.GetBlobSize(ansi.get(), false, false), 4);
  EXPECT_EQ(data.GetBlobSize(ansi.get(), false, true), 8);
  EXPECT_EQ(data.GetBlobSize(wide.get(), false, true), 8);
  EXPECT_EQ(data.GetBlobSize(wide.get(), false, false), 4);

  struct Case {
    bool unicodeBlob;
    std::string value;
    bool trueUnicode;
    Int64 newSize;
    std::string expected;
  };
  const std::string z2(2, '\0');
  const Case cases[] = {
      {false, "abcd", false, 2, "ab"},
      {false, "abcd", false, 6, "abcd" + z2},
      {false, "abcd", true, 12, "abcd" + z2},  // two more characters
      {false, "abcd", true, 13, "abcd" + z2},  // and no half one
      {false, "abcd", true, 4, "ab"},
      {true, U16(u"ab"), false, 4, U16(u"ab") + z2 + z2},
      {true, U16(u"ab"), false, 1, U16(u"a")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.unicodeBlob << " " << c.trueUnicode << " " << c.newSize);
    Blob blob = MakeBlob(c.unicodeBlob, c.value);
    data.SetBlobSize(blob.get(), c.newSize, false, c.trueUnicode);
    EXPECT_EQ(ReadAll(*blob), c.expected);
  }
}

TEST(BlobAccess, TruncateAnswersTheSizeInTheBlobsOwnBytes) {
  CodePageScope codePage(1250);
  struct Case {
    bool unicodeBlob;
    std::string value;
    bool trueUnicode;
    Int64 size, result;
    std::string expected;
  };
  const Case cases[] = {
      {false, "abcd", false, 1, 1, "a"},
      {false, "abcd", true, 4, 2, "ab"},
      {true, U16(u"abcd"), false, 3, 6, U16(u"abc")},
      {true, U16(u"abcd"), false, 0, 0, ""},
  };
  TData data;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.unicodeBlob << " " << c.trueUnicode << " " << c.size);
    Blob blob = MakeBlob(c.unicodeBlob, c.value);
    EXPECT_EQ(data.TruncateBlob(blob.get(), c.size, c.trueUnicode), c.result);
    EXPECT_EQ(ReadAll(*blob), c.expected);
    blob->Cancel();  // truncating kept the old contents
    EXPECT_EQ(ReadAll(*blob), c.value);
  }
}

TEST(BlobAccess, RefusesPositionsOutsideTheValueOrInsideACharacter) {
  CodePageScope codePage(1250);
  TData data;
  Blob ansi = MakeBlob(false, "abcd");
  Blob wide = MakeBlob(true, U16(u"ab"));
  char buf[16];
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"read at a negative position", [&] { data.ReadBlob(ansi.get(), -1, 1, buf, false, false); }},
      {"read a negative count", [&] { data.ReadBlob(ansi.get(), 0, -2, buf, false, false); }},
      {"write at a negative position", [&] { data.WriteBlob(ansi.get(), -1, 1, "x", false); }},
      {"truncate to a negative size", [&] { data.TruncateBlob(ansi.get(), -1, false); }},
      {"set a negative size", [&] { data.SetBlobSize(ansi.get(), -5, false, false); }},
      {"read UTF-16 from inside a character", [&] { data.ReadBlob(ansi.get(), 1, 2, buf, false, true); }},
      {"write UTF-16 inside a character", [&] { data.WriteBlob(ansi.get(), 3, 2, u"x", true); }},
      {"truncate inside a character", [&] { data.TruncateBlob(ansi.get(), 3, true); }},
      {"cut inside a character", [&] { data.SetBlobSize(ansi.get(), 5, false, true); }},
      {"grow beyond any size", [&] { data.SetBlobSize(wide.get(), std::numeric_limits<Int64>::max(), false, false); }},
  };
  for (const auto& [what, call] : cases) {
    SCOPED_TRACE(what);
    ExpectMessage(call, u"Invalid BLOB position");
    EXPECT_EQ(ReadAll(*ansi), "abcd");
    EXPECT_EQ(ReadAll(*wide), U16(u"ab"));
  }
}

TEST(BlobAccess, MultiByteCodePageCountsWholeCharacters) {
  CodePageScope codePage(932);
  TData data;
  // HIRAGANA A: two bytes in code page 932, one UTF-16 unit.
  Blob ansi = MakeBlob(false, "\x82\xA0" "ab");
  EXPECT_EQ(ReadVia(data, ansi.get(), 2, 2, true), U16(u"a"));  // the count is mapped from the position
  EXPECT_EQ(ReadVia(data, ansi.get(), 0, 100, true), U16(u"\u3042ab"));

  Blob wide = MakeBlob(true, U16(u"\u3042ab"));
  EXPECT_EQ(ReadVia(data, wide.get(), 2, 1, false), "a");
  EXPECT_EQ(ReadVia(data, wide.get(), 0, 2, false), "\x82\xA0");
  EXPECT_EQ(ReadVia(data, wide.get(), 3, 50, false), "b");
  char buf[8];
  ExpectMessage([&] { data.ReadBlob(wide.get(), 1, 1, buf, false, false); }, u"Invalid BLOB position");
  ExpectMessage([&] { data.ReadBlob(wide.get(), 0, 1, buf, false, false); }, u"Invalid BLOB position");

  // Writes past the end append in this code page too.
  data.WriteBlob(wide.get(), 100, 1, "c", false);
  EXPECT_EQ(ReadAll(*wide), U16(u"\u3042abc"));
  data.WriteBlob(ansi.get(), 100, 2, u"c", true);
  EXPECT_EQ(ReadAll(*ansi), "\x82\xA0" "abc");
}

TEST(BlobAccess, ResizingACompressedValue) {
  TData data;
  TSharedRef<TCompressedBlob> blob(new TCompressedBlob(false));
  std::string zeros(1000, '\0');
  blob->Write(0, static_cast<Int64>(zeros.size()), zeros.data());
  blob->SetCompressed(true);
  ASSERT_TRUE(blob->Compressed());
  data.SetBlobSize(blob.get(), 1000, false, false);  // unchanged: stays compressed
  EXPECT_TRUE(blob->Compressed());
  data.SetBlobSize(blob.get(), 10, false, false);
  EXPECT_EQ(ReadAll(*blob), std::string(10, '\0'));
  data.SetBlobSize(blob.get(), 0, false, false);
  EXPECT_EQ(blob->Size(), 0);
}

// --- the field forms ------------------------------------------------------------

class BlobField : public testing::Test {
 protected:
  void SetUp() override {
    FBuf = FStore.NewRecord();
    FStore.CreateComplexFields(FBuf, true);
  }
  void TearDown() override { FStore.FreeComplexFields(FBuf, true); }

  TFieldDesc* Field(int i) { return FStore.Fields()[i]; }
  bool IsNull(int i) { return FStore.GetNull(Field(i), FBuf); }

  CodePageScope FCodePage{1250};
  TestStore FStore{{u"id", dtInt32}, {u"memo", dtMemo}, {u"wide", dtWideMemo}};
  TRecBuf FBuf = nullptr;
};

TEST_F(BlobField, NullFlagRules) {
  TFieldDesc* memo = Field(1);
  EXPECT_TRUE(IsNull(1));
  EXPECT_EQ(FStore.GetBlobSize(memo, FBuf, false, false), 0);

  // A write of nothing still gives the field a value: empty, not null.
  FStore.WriteBlob(memo, FBuf, 0, 0, "", false);
  EXPECT_FALSE(IsNull(1));

  FStore.WriteBlob(memo, FBuf, 0, 3, "abc", false);
  EXPECT_EQ(FStore.GetBlobSize(memo, FBuf, false, true), 6);
  EXPECT_EQ(FStore.TruncateBlob(memo, FBuf, 1, false), 1);
  EXPECT_FALSE(IsNull(1));
  EXPECT_EQ(FStore.TruncateBlob(memo, FBuf, 0, false), 0);
  EXPECT_TRUE(IsNull(1));

  // Sizing to 0 is a value of no bytes, unlike truncating to 0.
  FStore.SetBlobSize(memo, FBuf, 0, false, false);
  EXPECT_FALSE(IsNull(1));

  // The wide memo through 8-bit text.
  TFieldDesc* wide = Field(2);
  FStore.WriteBlob(wide, FBuf, 0, -1, "\xE8" "as", false);
  EXPECT_EQ(FStore.GetBlobSize(wide, FBuf, false, true), 6);
  EXPECT_EQ(FStore.GetBlobSize(wide, FBuf, false, false), 3);
  char text[8] = {};
  EXPECT_EQ(FStore.ReadBlob(wide, FBuf, 0, 0, text, false, true), 6);
  EXPECT_EQ(std::string(text, 6), U16(u"čas"));
  EXPECT_EQ(FStore.TruncateBlob(wide, FBuf, 0, false), 0);
  EXPECT_TRUE(IsNull(2));
}

TEST_F(BlobField, OtherFieldsAreRefused) {
  TFieldDesc* id = Field(0);
  char buf[8];
  const std::function<void()> calls[] = {
      [&] { FStore.ReadBlob(id, FBuf, 0, 1, buf, false, false); },
      [&] { FStore.WriteBlob(id, FBuf, 0, 1, "x", false); },
      [&] { FStore.TruncateBlob(id, FBuf, 0, false); },
      [&] { FStore.GetBlobSize(id, FBuf, false, false); },
      [&] { FStore.SetBlobSize(id, FBuf, 0, false, false); },
  };
  for (size_t i = 0; i < std::size(calls); ++i) {
    SCOPED_TRACE(i);
    ExpectMessage(calls[i], u"Field is not BLOB");
    EXPECT_TRUE(IsNull(0));
  }
}

TEST_F(BlobField, RollbackReadsShowTheContentsBeforeTheEdit) {
  TFieldDesc* memo = Field(1);
  FStore.WriteBlob(memo, FBuf, 0, -1, "old", false);
  FStore.AppendRecord(FBuf);
  FBuf = FStore.NewRecord();  // the store owns the appended record's values now
  FStore.GetRecord(FBuf);
  FStore.EditRecord(FBuf);
  FStore.WriteBlob(memo, FBuf, 0, -1, "brand new", false);
  TBlob* blob = FStore.GetObject(memo, FBuf);

  char text[32] = {};
  EXPECT_EQ(FStore.ReadBlob(memo, FBuf, 0, 0, text, true, false), 3);
  EXPECT_EQ(std::string(text, 3), "old");
  EXPECT_FALSE(blob->UseRollback());
  EXPECT_EQ(FStore.ReadBlob(memo, FBuf, 0, 0, text, false, false), 9);
  EXPECT_EQ(FStore.GetBlobSize(memo, FBuf, true, false), 3);
  EXPECT_EQ(FStore.GetBlobSize(memo, FBuf, true, true), 6);
  EXPECT_EQ(FStore.GetBlobSize(memo, FBuf, false, false), 9);

  // A failing read puts the current contents back in view.
  ExpectMessage([&] { FStore.ReadBlob(memo, FBuf, 1, 2, text, true, true); }, u"Invalid BLOB position");
  EXPECT_FALSE(blob->UseRollback());

  // Sizing the rollback copy leaves the edited value alone; cancelling brings
  // the resized copy back.
  FStore.SetBlobSize(memo, FBuf, 2, true, false);
  EXPECT_EQ(blob->AsAnsiString(), "brand new");
  FStore.CancelRecord(FBuf);
  TRecBuf now = FStore.NewRecord();
  FStore.GetRecord(now);
  EXPECT_EQ(FStore.GetObject(memo, now)->AsAnsiString(), "ol");
  FBuf = FStore.NewRecord();  // nothing left for TearDown to release
}
