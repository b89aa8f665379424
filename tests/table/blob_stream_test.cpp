// Blob streams of the dataset: reading, writing, truncating and seeking the
// record store's blob value in place, and the modes they may be opened in.
#include <gtest/gtest.h>

#include "table/BlobStream.h"
#include "tests/support/exception_message.h"
#include "tests/table/mem_dataset_fixture.h"

namespace {

// ID, MEMO (8-bit text), WIDE (UTF-16 text); one row whose memo is "hello".
class BlobStreamTest : public testing::Test {
 protected:
  void SetUp() override {
    ds.Open();
    ds.Append();
    ds.FieldByName(u"ID")->SetAsInteger(1);
    memo()->SetAsString(u"hello");
    ds.Post();
  }
  TBlobField* memo() { return static_cast<TBlobField*>(ds.FieldByName(u"MEMO")); }
  TBlobField* wide() { return static_cast<TBlobField*>(ds.FieldByName(u"WIDE")); }
  static std::string ReadAll(TStream& stream) {
    std::string text(static_cast<size_t>(stream.Size()), '\0');
    stream.SetPosition(0);
    text.resize(static_cast<size_t>(stream.Read(text.data(), static_cast<Int64>(text.size()))));
    return text;
  }

  ListDataSet ds{{{u"ID", dtInt32}, {u"MEMO", dtMemo}, {u"WIDE", dtWideMemo}}};
};

TEST_F(BlobStreamTest, ReadsTheCurrentRecordAndStopsAtTheEnd) {
  auto stream = ds.CreateBlobStream(memo(), bmRead);
  EXPECT_EQ(stream->Size(), 5);
  char buffer[16] = {};
  EXPECT_EQ(stream->Read(buffer, 3), 3);
  EXPECT_EQ(std::string(buffer, 3), "hel");
  EXPECT_EQ(stream->Read(buffer, 16), 2);  // only the rest
  EXPECT_EQ(stream->Read(buffer, 16), 0);  // at the end
  EXPECT_EQ(stream->Seek(10, TSeekOrigin::soBeginning), 10);
  EXPECT_EQ(stream->Read(buffer, 4), 0);  // beyond the end: nothing, not a negative count
  EXPECT_EQ(stream->Seek(-2, TSeekOrigin::soEnd), 3);
  EXPECT_EQ(stream->Read(buffer, 16), 2);
  EXPECT_EQ(std::string(buffer, 2), "lo");
  EXPECT_EQ(stream->Seek(-1, TSeekOrigin::soCurrent), 4);
}

TEST_F(BlobStreamTest, WritingNeedsEditModeAndAWritableField) {
  EXPECT_EQ(ExceptionMessage([&] { ds.CreateBlobStream(memo(), bmWrite); }), "Dataset not in edit or insert mode");
  EXPECT_EQ(ExceptionMessage([&] { ds.CreateBlobStream(memo(), bmReadWrite); }),
            "Dataset not in edit or insert mode");
  ds.Edit();
  memo()->SetReadOnly(true);
  EXPECT_EQ(ExceptionMessage([&] { ds.CreateBlobStream(memo(), bmWrite); }), "Field 'MEMO' cannot be modified");
  memo()->SetReadOnly(false);
  ds.Cancel();

  // A stream opened for reading never changes the stored value.
  auto reader = ds.CreateBlobStream(memo(), bmRead);
  EXPECT_EQ(reader->Write("xx", 2), 0);
  reader->SetSize(1);
  static_cast<TBlobStream&>(*reader).Truncate();
  reader.reset();
  EXPECT_EQ(memo()->AsString(), u"hello");
  EXPECT_FALSE(ds.Modified());
}

TEST_F(BlobStreamTest, WriteTruncateAndPost) {
  ds.Edit();
  {
    auto stream = ds.CreateBlobStream(memo(), bmReadWrite);
    EXPECT_EQ(ReadAll(*stream), "hello");
    stream->Seek(0, TSeekOrigin::soEnd);
    EXPECT_EQ(stream->Write(" world", 6), 6);
    EXPECT_EQ(ReadAll(*stream), "hello world");
    stream->Seek(4, TSeekOrigin::soBeginning);
    static_cast<TBlobStream&>(*stream).Truncate();
    EXPECT_EQ(stream->Size(), 4);
  }
  EXPECT_TRUE(memo()->Modified());
  EXPECT_TRUE(ds.Modified());
  ds.Post();
  EXPECT_EQ(memo()->AsString(), u"hell");

  // A write-mode stream starts empty.
  ds.Edit();
  {
    auto stream = ds.CreateBlobStream(memo(), bmWrite);
    EXPECT_EQ(stream->Size(), 0);
    stream->Write("new", 3);
  }
  ds.Post();
  EXPECT_EQ(memo()->AsString(), u"new");
}

TEST_F(BlobStreamTest, ClearingIsAChangeThatPostsAndCancelKeepsTheOldValue) {
  ds.Edit();
  memo()->SetAsString(u"changed");
  ds.Cancel();
  EXPECT_EQ(memo()->AsString(), u"hello");

  // Clearing writes nothing: the change must still be posted by
  // CheckBrowseMode, not dropped as an unmodified record.
  ds.Edit();
  memo()->Clear();
  EXPECT_TRUE(ds.Modified());
  ds.Next();
  EXPECT_EQ(memo()->AsString(), u"");
}

TEST_F(BlobStreamTest, WideMemoKeepsUtf16) {
  ds.Edit();
  wide()->SetAsString(u"\u0161\u010D\u017E");
  ds.Post();
  auto stream = ds.CreateBlobStream(wide(), bmRead);
  EXPECT_EQ(stream->Size(), 6);
  EXPECT_EQ(wide()->AsString(), u"\u0161\u010D\u017E");
}

TEST_F(BlobStreamTest, WithoutARecordTheStreamStaysClosed) {
  ListDataSet empty{{{u"MEMO", dtMemo}}};
  empty.Open();
  auto stream = empty.CreateBlobStream(empty.FieldByName(u"MEMO"), bmWrite);
  EXPECT_FALSE(static_cast<TBlobStream&>(*stream).Opened());
  char c;
  EXPECT_EQ(stream->Read(&c, 1), 0);
  EXPECT_EQ(stream->Write("x", 1), 0);
  EXPECT_EQ(stream->Seek(0, TSeekOrigin::soEnd), 0);
}

}  // namespace
