#include <gtest/gtest.h>

#include <vector>

#include "platform/rtl/ByteReader.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

// A stream that hands out at most `piece` bytes a read, as pipes and some
// file systems do.
class TTrickleStream : public TMemoryStream {
 public:
  explicit TTrickleStream(Int64 piece) : FPiece(piece) {}
  Int64 Read(void* buffer, Int64 count) override { return TMemoryStream::Read(buffer, std::min(count, FPiece)); }

 private:
  Int64 FPiece;
};

const std::vector<Byte> Sample = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFF, 0xFE, 0xEF, 0xCD,
                                  0xAB, 0x89, 0x67, 0x45, 0x23, 0x01, 'a',  'b',  'c',  0x00};

struct ErrorSeen : std::exception {};
[[noreturn]] void RaiseFormatError(const TByteReader&, size_t) { throw ErrorSeen(); }

// Runs the same reads over a span and over streams with small windows and
// small reads, so window edges fall inside every value.
template <typename Body>
void ForEachReader(const std::vector<Byte>& bytes, Body body) {
  {
    SCOPED_TRACE("span");
    TByteReader r(bytes.data(), bytes.size(), RaiseFormatError);
    body(r);
  }
  for (size_t window : {1u, 2u, 3u, 5u, 64u}) {
    for (Int64 piece : {1, 3, 1000}) {
      SCOPED_TRACE("window " + std::to_string(window) + ", piece " + std::to_string(piece));
      TTrickleStream stream(piece);
      stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
      stream.SetPosition(0);
      TByteReader r(stream, window, RaiseFormatError);
      body(r);
    }
  }
}

TEST(ByteReader, TypedReadsInBothByteOrdersAcrossWindowEdges) {
  ForEachReader(Sample, [](TByteReader& r) {
    EXPECT_EQ(r.U8(), 0x01);
    EXPECT_EQ(r.U16(), 0x1234);
    EXPECT_EQ(r.U32(), 0x12345678u);
    EXPECT_EQ(r.I16(), -257);  // FF FE
    EXPECT_EQ(r.Position(), 9u);
    UInt64 le = r.U64();
    EXPECT_EQ(le, 0x0123456789ABCDEFull);
    r.Seek(1);
    EXPECT_EQ(r.U16BE(), 0x3412);
    r.Seek(17);
    EXPECT_EQ(r.Ansi(3), "abc");
    EXPECT_EQ(r.Remaining(), 1u);
    EXPECT_THROW(r.U16(), ErrorSeen);
  });
}

TEST(ByteReader, EveryReadPastTheEndRaisesTheFormatsError) {
  // Each prefix of a U32 is too short, whatever the window.
  for (size_t n = 0; n < 4; ++n) {
    std::vector<Byte> bytes(Sample.begin(), Sample.begin() + static_cast<long>(n));
    ForEachReader(bytes, [](TByteReader& r) { EXPECT_THROW(r.U32(), ErrorSeen); });
  }
  ForEachReader(Sample, [](TByteReader& r) {
    EXPECT_THROW(r.Skip(Sample.size() + 1), ErrorSeen);
    EXPECT_THROW(r.Seek(Sample.size() + 1), ErrorSeen);
  });
  ForEachReader(Sample, [](TByteReader& r) { EXPECT_THROW(r.Bytes(Sample.size() + 1), ErrorSeen); });
  // A huge count from a file never allocates before it is checked.
  ForEachReader(Sample, [](TByteReader& r) { EXPECT_THROW(r.Ansi(size_t(1) << 40), ErrorSeen); });
}

TEST(ByteReader, SubReaderCountsFromItsStartAndKeepsTheParentsError) {
  ForEachReader(Sample, [](TByteReader& r) {
    r.Skip(3);
    TByteReader sub = r.Sub(4);
    EXPECT_EQ(r.Position(), 7u);
    EXPECT_EQ(sub.Position(), 0u);
    EXPECT_EQ(sub.U32(), 0x12345678u);
    EXPECT_THROW(sub.U8(), ErrorSeen);
  });
}

TEST(ByteReader, DefaultErrorSaysWhereAndWhat) {
  TByteReader r(Sample.data(), 2);
  try {
    r.U32();
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), u"Stream read error: 4 bytes wanted at offset 0, 2 remain");
  }
}

TEST(ByteReader, LargeReadsFromAStreamKeepTheWindowSmall) {
  std::vector<Byte> bytes(100000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<Byte>(i * 7);
  TTrickleStream stream(777);
  stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
  stream.SetPosition(0);
  TByteReader r(stream, 16);
  std::vector<Byte> out(bytes.size() - 1);
  r.U8();
  r.Read(out.data(), out.size());
  EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin() + 1));
  EXPECT_TRUE(r.AtEnd());
}

TEST(ByteReader, ByteOrderMarks) {
  struct Case {
    std::vector<Byte> bytes;
    TByteOrderMark mark;
    UInt64 after;
  };
  const Case cases[] = {
      {{0xEF, 0xBB, 0xBF, 'a'}, TByteOrderMark::Utf8, 3},
      {{0xFF, 0xFE, 'a', 0}, TByteOrderMark::Utf16LE, 2},
      {{0xFE, 0xFF, 0, 'a'}, TByteOrderMark::Utf16BE, 2},
      {{0xEF, 0xBB}, TByteOrderMark::None, 0},
      {{'a', 'b', 'c'}, TByteOrderMark::None, 0},
      {{}, TByteOrderMark::None, 0},
  };
  for (const Case& c : cases) {
    TByteReader r(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(ReadByteOrderMark(r), c.mark);
    EXPECT_EQ(r.Position(), c.after);
    TMemoryStream s;
    s.Write(c.bytes.data(), static_cast<Int64>(c.bytes.size()));
    s.SetPosition(0);
    EXPECT_EQ(ReadByteOrderMark(s), c.mark);
    EXPECT_EQ(s.Position(), static_cast<Int64>(c.after));
  }
}

}  // namespace
