// The DBISAM reader against tables built byte by byte from the format's
// layout (fixtures/dbisam, made by make_dbisam.py beside them, which also
// writes the values the reader must deliver): versions 4.00 and 2.00, null
// flags, record statuses, BLOB chains and compressed BLOBs; damaged tables.
#include <gtest/gtest.h>
#include <zlib.h>

#include "fuzz/database_reader_input.h"
#include "import/ImportExceptions.h"
#include "import/readers/DBISAM.h"
#include "tests/import/database_fixture.h"

namespace {

const std::filesystem::path kFixtures = std::filesystem::path("fixtures") / "dbisam";
const TSMIRowStatuses kEvery = RowStatusBit(rsNormal) | RowStatusBit(rsDeleted) | RowStatusBit(rsError);

TEST(DbisamReader, ReadsBothVersions) {
  for (const char* name : {"v4", "v2"}) {
    SCOPED_TRACE(name);
    TDBISAM table;
    table.IsIncrementalLoad = false;
    table.SetLoadRowStatutes(kEvery);
    table.LoadFromFile(Utf8ToString((kFixtures / (std::string(name) + ".dat")).string()));
    EXPECT_EQ(DumpSheet(table, static_cast<Integer>(table.Fields().size()), true),
              FileLines(kFixtures / (std::string(name) + ".txt")));
  }
}

TEST(DbisamReader, HeaderAndFields) {
  TDBISAM table;
  table.LoadFromFile(Utf8ToString((kFixtures / "v4.dat").string()));
  EXPECT_EQ(table.VersionNumToStr(), u"4.00");
  EXPECT_EQ(table.RecordCount(), 4);
  ASSERT_EQ(table.Fields().size(), 15u);
  EXPECT_EQ(table.Fields()[2].FieldSubType, dfstMEMO);
  EXPECT_EQ(TDBISAM::GetStrFieldType(dftInt32, table.Fields()[14].FieldSubType), u"AutoInc");
  EXPECT_EQ(TDBISAM::FieldDataType(table.Fields()[2]), itMEMO);
  EXPECT_EQ(table.FindColumn(u"znote"), 3);
  TDBISAM older;
  older.LoadFromFile(Utf8ToString((kFixtures / "v2.dat").string()));
  EXPECT_EQ(older.VersionNumToStr(), u"2.00");
  EXPECT_EQ(older.Header().NumberOfRecords, 2u);
  EXPECT_EQ(older.Fields()[0].DataSize, 7);
}

TEST(DbisamReader, BlobChains) {
  const auto dir = std::filesystem::temp_directory_path() / ("dbisam_blob_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::copy_file(kFixtures / "v4.dat", dir / "v4.dat", std::filesystem::copy_options::overwrite_existing);
  const std::string blob = ReadFileBytes(kFixtures / "v4.blb");
  auto noteOf = [&](const std::string& blb) {
    WriteFileBytes(dir / "v4.blb", blb);
    TDBISAM table;
    table.IsIncrementalLoad = false;
    table.LoadFromFile(Utf8ToString((dir / "v4.dat").string()));
    return StringToUtf8(VarToStr(table.Sheets[0].Cells.GetValue(2, 0)));
  };
  // Block 1's next block is 2; a next block of 0 ends the value early, one
  // that points back to block 1 ends it at the length, and a forged total
  // length reads no further than the file.
  std::string early = blob, cycle = blob, forged = blob;
  early.replace(512 + 4, 4, std::string("\0\0\0\0", 4));
  cycle.replace(512 + 64 + 4, 4, std::string("\1\0\0\0", 4));
  forged.replace(512 + 14, 4, "\xFF\xFF\xFF\x7F");
  EXPECT_EQ(noteOf(early), "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrst");
  EXPECT_EQ(noteOf(cycle).size(), 100u);
  EXPECT_LE(noteOf(forged).size(), blob.size());
  std::filesystem::remove(dir / "v4.blb");
  EXPECT_EQ(noteOf(std::string()), "");
  std::filesystem::remove_all(dir);
}

TEST(DbisamReader, InflateIsBounded) {
  const std::string text(10000, 'a');
  std::string packed(compressBound(text.size()), '\0');
  uLongf size = packed.size();
  ASSERT_EQ(compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(text.data()),
                     text.size()),
            Z_OK);
  packed.resize(size);
  EXPECT_EQ(InflateBLOB(packed, 20000), text);
  EXPECT_FALSE(InflateBLOB(packed, 100).has_value());
  EXPECT_FALSE(InflateBLOB(packed.substr(0, packed.size() / 2), 20000).has_value());
  EXPECT_FALSE(InflateBLOB("not zlib data", 1000).has_value());
}

TEST(DbisamReader, EncryptedTableIsRefused) {
  std::string bytes = ReadFileBytes(kFixtures / "v4.dat");
  bytes[172] = 1;
  TMemoryStream stream;
  stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
  stream.SetPosition(0);
  TDBISAM table;
  try {
    table.LoadFromStream(stream);
    FAIL() << "no error";
  } catch (const ESMICryptException& e) {
    EXPECT_EQ(e.Message(), u"This file is encrypted but valid password is not specified.");
  }
}

TEST(DbisamReader, ImportsThroughTheEngine) {
  TRADerevuFromDBISAM source;
  const TImportedTable imported = ImportTable(source, kFixtures / "v4.dat");
  ASSERT_EQ(imported.Columns.size(), 15u);
  EXPECT_EQ(imported.Columns[13].second, itInteger);
  // The deleted and the error record are skipped.
  EXPECT_EQ(imported.Rows.size(), 2u);
  EXPECT_EQ(imported.Skipped, 2);
  // RowFirst counts records: starting at 3 imports record 2 first.
  TRADerevuFromDBISAM from3;
  const TImportedTable tail = ImportTable(from3, kFixtures / "v4.dat", 3);
  ASSERT_EQ(tail.Rows.size(), 1u);
  EXPECT_EQ(tail.Rows[0].substr(0, 3), "|||");
}

TEST(DbisamCorpus, EveryInputReadsSafely) {
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path("corpus") / "dbisam")) {
    SCOPED_TRACE(entry.path().string());
    ReadDatabaseInput<TDBISAM>(ReadFileBytes(entry.path()));
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}

TEST(DbisamCorpus, TruncatedAndBitFlippedTablesFailCleanly) {
  for (const char* name : {"v4.dat", "v2.dat"}) {
    const std::string bytes = ReadFileBytes(kFixtures / name);
    ASSERT_FALSE(bytes.empty());
    for (size_t n = 0; n < bytes.size(); n += (n < 600 ? 1 : 31)) ReadDatabaseInput<TDBISAM>(std::string_view(bytes).substr(0, n));
    for (size_t i = 0; i < 1500; ++i) {
      std::string damaged = bytes;
      const size_t at = (i * 2654435761u) % (i % 2 ? 600 : damaged.size());
      damaged[at] = static_cast<char>(damaged[at] ^ (1 << (i % 8)));
      ReadDatabaseInput<TDBISAM>(damaged);
    }
  }
}

}  // namespace
