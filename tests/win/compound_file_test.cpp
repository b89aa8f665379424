// Streams of a compound file read piece by piece from the file must be the
// bytes the whole-stream read gives, also when their sectors are scattered
// (LibreOffice interleaves allocation sectors with the workbook stream).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/rtl/Strings.h"
#include "platform/win/CompoundFile.h"

namespace {

const char* const kWorkbook = "../import/fixtures/excel/libreoffice_long.xls";

std::vector<Byte> ReadAll(TStream& stream, Int64 piece) {
  std::vector<Byte> out;
  std::vector<Byte> buffer(static_cast<size_t>(piece));
  for (Int64 got; (got = stream.Read(buffer.data(), piece)) > 0;) out.insert(out.end(), buffer.begin(), buffer.begin() + got);
  return out;
}

TEST(CompoundFile, StreamsReadFromTheFileMatchTheWholeReads) {
  TMemoryStream bytes;
  bytes.LoadFromFile(Utf8ToString(kWorkbook));
  TCompoundFile whole;
  whole.LoadFromBytes(bytes.Bytes());
  TFileStream file(Utf8ToString(kWorkbook), fmOpenRead);
  TCompoundFile opened;
  opened.OpenFile(file);
  ASSERT_EQ(opened.Count(), whole.Count());
  int streams = 0;
  for (Integer child : whole.Children(TCompoundFile::Root)) {
    if (whole.Entry(child).Type != cetStream) continue;
    ++streams;
    const std::vector<Byte> want = whole.ReadStream(child);
    // Pieces that end inside a sector, across sectors and across the jump
    // between scattered runs.
    for (Int64 piece : {Int64{1}, Int64{300}, Int64{70000}}) {
      SCOPED_TRACE(StringToUtf8(whole.Entry(child).Name) + " piece " + std::to_string(piece));
      EXPECT_EQ(ReadAll(*opened.OpenStream(child), piece), want);
      EXPECT_EQ(ReadAll(*whole.OpenStream(child), piece), want);
    }
  }
  EXPECT_GE(streams, 2);  // the workbook and the document properties
}

// The workbook stream's chain runs 2..127, 129..147; its allocation
// entries for 128 on lie in the allocation sector at sector 128.
TEST(CompoundFile, AChainLeavingTheFileEndsTheStreamEarly) {
  TMemoryStream bytes;
  bytes.LoadFromFile(Utf8ToString(kWorkbook));
  std::vector<Byte> damaged = bytes.Bytes();
  auto setEntry = [&](Cardinal sector, Cardinal next) {
    const size_t at = 129 * 512 + (sector - 128) * 4;
    for (int i = 0; i < 4; ++i) damaged[at + i] = static_cast<Byte>(next >> (8 * i));
  };
  // The second to last sector now leads to one behind the file's end.
  setEntry(146, 200);
  setEntry(200, 0xFFFFFFFE);
  TCompoundFile file;
  file.LoadFromBytes(damaged);
  const Integer workbook = file.Find(TCompoundFile::Root, u"Workbook");
  ASSERT_GE(workbook, 0);
  EXPECT_THROW(file.ReadStream(workbook), ECompoundFileError);
  EXPECT_EQ(ReadAll(*file.OpenStream(workbook), 4096).size(), 144u * 512);
}

}  // namespace
