// The Paradox reader against tables that pxlib wrote (fixtures/paradox,
// made by make_paradox.c beside them), compared with what pxlib reads back;
// the block chain, encrypted headers and damaged tables.
#include <gtest/gtest.h>

#include "fuzz/database_reader_input.h"
#include "import/ImportExceptions.h"
#include "import/readers/Paradox.h"
#include "tests/import/database_fixture.h"

namespace {

const std::filesystem::path kFixtures = std::filesystem::path("fixtures") / "paradox";

// A scratch folder with a copy of a fixture table (and its BLOB file), the
// table's bytes changed by `patch`.
struct TScratch {
  std::filesystem::path Dir;
  explicit TScratch(const std::string& name) {
    Dir = std::filesystem::temp_directory_path() / ("paradox_" + name + "_" + std::to_string(::getpid()));
    std::filesystem::create_directories(Dir);
  }
  ~TScratch() { std::filesystem::remove_all(Dir); }
  std::filesystem::path Table(const std::string& file, const std::function<void(std::string&)>& patch = {},
                              bool withBlobs = true) {
    std::string bytes = ReadFileBytes(kFixtures / file);
    if (patch) patch(bytes);
    WriteFileBytes(Dir / file, bytes);
    const auto mb = (kFixtures / file).replace_extension(".mb");
    if (withBlobs && std::filesystem::exists(mb))
      std::filesystem::copy_file(mb, Dir / mb.filename(), std::filesystem::copy_options::overwrite_existing);
    return Dir / file;
  }
};

void PutU16(std::string& bytes, size_t at, Word v) {
  bytes[at] = static_cast<char>(v & 0xFF);
  bytes[at + 1] = static_cast<char>(v >> 8);
}

TEST(ParadoxReader, ReadsWhatPxlibReads) {
  for (const char* name : {"types", "blocks"}) {
    SCOPED_TRACE(name);
    TDBParadox table;
    table.IsIncrementalLoad = false;
    table.LoadFromFile(Utf8ToString((kFixtures / (std::string(name) + ".db")).string()));
    EXPECT_EQ(DumpSheet(table, static_cast<Integer>(table.Fields().size())),
              FileLines(kFixtures / (std::string(name) + ".txt")));
  }
}

TEST(ParadoxReader, HeaderAndFields) {
  TDBParadox table;
  table.LoadFromFile(Utf8ToString((kFixtures / "types.db").string()));
  EXPECT_EQ(table.OriginalTableName(), "types");
  EXPECT_EQ(table.TableLevel(), 70);
  EXPECT_EQ(table.VersionNumToStr(), u"7.0");
  EXPECT_EQ(table.RecordCount(), 4);
  std::string names, types;
  for (const TParadoxField& f : table.Fields()) {
    names += StringToUtf8(f.FieldName) + " ";
    types += StringToUtf8(TDBParadox::GetStrFieldType(f.FieldType)) + " ";
  }
  EXPECT_EQ(names, "Name Born Small Big Price Ratio Ok Note Data At Stamp Id Amount Raw ");
  EXPECT_EQ(types, "Char Date ShortInt LongInt Currency Number Logical MEMO BLOB Time TimeStamp AutoInc BCD Bytes ");
  // A BCD field takes 17 bytes whatever its descriptor says.
  EXPECT_EQ(table.Fields()[12].Length, 17);
  EXPECT_EQ(table.Fields()[13].Start, table.Fields()[12].Start + 17);
  EXPECT_EQ(table.FindColumn(u"STAMP"), 10);
  EXPECT_EQ(table.FindColumn(u"nothing"), -1);
  EXPECT_EQ(TDBParadox::GetStrFileType(2), u"non-indexed .DB data file");
  EXPECT_EQ(TDBParadox::GetStrFileType(9), u"");
}

// Without the ".mb" file a BLOB keeps the part its record holds.
TEST(ParadoxReader, MissingBlobFileKeepsTheRecordPart) {
  TScratch scratch("noblob");
  TDBParadox table;
  table.IsIncrementalLoad = false;
  table.LoadFromFile(Utf8ToString(scratch.Table("types.db", {}, false).string()));
  EXPECT_EQ(StringToUtf8(VarToStr(table.Sheets[0].Cells.GetValue(7, 1))), "abcdefghij");
  EXPECT_EQ(StringToUtf8(VarToStr(table.Sheets[0].Cells.GetValue(7, 0))), "short");
}

// Records follow the chain of blocks, not the file's order; a block without
// records is passed over, a chain that comes back to a block ends there, and
// record n is the n-th record of the chain whatever was read before.
TEST(ParadoxReader, BlockChain) {
  // pxlib wrote 16 KB blocks: block 1 holds records 0 to 79, block 2 the
  // other 20.
  const size_t header = 2048, block = 16384;
  struct TCase {
    const char* Name;
    std::function<void(std::string&)> Patch;
    Integer Count;
    std::vector<std::pair<Integer, std::string>> Records;  // number, its first field
  };
  const TCase cases[] = {
      {"as written", {}, 100, {{0, "0"}, {80, "80"}, {99, "99"}, {5, "5"}}},
      {"empty first block", [&](std::string& b) { PutU16(b, header + 4, 0xFFFF); }, 20, {{0, "80"}, {19, "99"}}},
      {"second block first",
       [&](std::string& b) {
         PutU16(b, 14, 2);              // the chain starts at block 2,
         PutU16(b, header + block, 1);  // goes on to block 1
         PutU16(b, header, 0);          // and ends there
       },
       100, {{0, "80"}, {20, "0"}, {99, "79"}}},
      {"cycle", [&](std::string& b) { PutU16(b, header + block, 1); }, 100, {{99, "99"}}},
      {"chain beyond the file", [&](std::string& b) { PutU16(b, header, 4000); }, 80, {{79, "79"}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TScratch scratch("chain");
    const auto file = scratch.Table("blocks.db", c.Patch);
    TDBParadox table;
    std::string delivered;
    table.OnCellValue = [&](TComponent*, Integer, Integer row, Integer column, Integer, const Variant& value,
                            TAlignment, TSMICellType) {
      if (column == 0) delivered = std::to_string(row) + ":" + DatabaseCellText(value);
    };
    TFileStream stream(Utf8ToString(file.string()), fmOpenRead | fmShareDenyNone);
    table.LoadFromStream(stream);
    EXPECT_EQ(table.RecordCount(), c.Count);
    for (const auto& [recNo, first] : c.Records) {
      EXPECT_TRUE(table.LoadRecord(recNo));
      EXPECT_EQ(delivered, std::to_string(recNo) + ":" + first);
    }
    EXPECT_FALSE(table.LoadRecord(c.Count));
  }
}

TEST(ParadoxReader, FieldValues) {
  // One record of a one-field table for each stored form.
  struct TCase {
    Byte Type;
    Byte Size;
    std::string Bytes;
    std::string Expected;
  };
  const TCase cases[] = {
      {pxfShort, 2, std::string("\x7F\xFB", 2), "-5"},
      {pxfShort, 2, std::string("\x80\x05", 2), "5"},
      {pxfShort, 2, std::string("\x00\x00", 2), ""},
      {pxfLogical, 1, "\x81", "T"},
      {pxfLogical, 1, "\x80", "F"},
      {pxfLogical, 1, std::string("\x00", 1), ""},
      {pxfTime, 4, std::string("\x80\x00\x00\x00", 4), ""},
      {pxfLong, 4, std::string("\x7F\xFF\xFF\xFB", 4), "-5"},
      {pxfNumber, 8, std::string("\xC0\x09\x00\x00\x00\x00\x00\x00", 8), "3.125"},
      {pxfNumber, 8, std::string("\x3F\xF6\xFF\xFF\xFF\xFF\xFF\xFF", 8), "-3.125"},
      // Two decimal places and the digits 12345.
      {pxfBCD, 2, std::string("\xC2") + std::string(13, '\0') + std::string("\x01\x23\x45", 3), "123.45"},
      {pxfBCD, 2, std::string("\x42") + std::string(13, '\xFF') + std::string("\xFE\xDC\xBA", 3), "-123.45"},
      {pxfBCD, 2, std::string("\xC2") + std::string(15, '\0') + "\x0A", "0"},
      {pxfAlpha, 6, std::string(" ab \0z", 6), "ab"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Expected + " of type " + std::to_string(c.Type));
    // Header (88 bytes, level 3 so no extension), the field entry, the
    // pointers, a 79-byte table name and the field name; one 1 KB block.
    const Byte length = c.Type == pxfBCD ? 17 : c.Size;
    std::string file(88, '\0');
    PutU16(file, 0, length);
    file[4] = 2;  // non-indexed
    file[5] = 1;  // 1 KB blocks
    file[6] = 1;
    PutU16(file, 14, 1);
    PutU16(file, 33, 1);
    file += static_cast<char>(c.Type);
    file += static_cast<char>(c.Size);
    file += std::string(4 + 4 + 79, '\0') + "F" + std::string(1, '\0');
    file.resize(512, '\0');
    PutU16(file, 2, 512);
    std::string block(1024, '\0');
    PutU16(block, 2, 1);
    block.replace(6, c.Bytes.size(), c.Bytes);
    file += block;
    TMemoryStream stream;
    stream.Write(file.data(), static_cast<Int64>(file.size()));
    stream.SetPosition(0);
    TDBParadox table;
    table.IsIncrementalLoad = false;
    table.LoadFromStream(stream);
    EXPECT_EQ(DumpSheet(table, 1), std::vector<std::string>{c.Expected});
  }
}

TEST(ParadoxReader, EncryptedTableIsRefused) {
  TScratch scratch("crypt");
  const auto file = scratch.Table("types.db", [](std::string& b) {
    b[61] = 1;                   // auxPasswords
    b.replace(37, 4, "\x12\x34\x56\x78");  // its checksum
  });
  TDBParadox table;
  try {
    table.LoadFromFile(Utf8ToString(file.string()));
    FAIL() << "no error";
  } catch (const ESMICryptException& e) {
    EXPECT_EQ(e.Message(), u"This file is encrypted but valid password is not specified.");
  }
  // The import run reports the failure instead of a successful empty import.
  TRADerevuFromParadox source;
  EXPECT_THROW(ImportTable(source, file), Exception);
}

TEST(ParadoxReader, ImportsThroughTheEngine) {
  TRADerevuFromParadox source;
  const TImportedTable imported = ImportTable(source, kFixtures / "types.db");
  ASSERT_EQ(imported.Columns.size(), 14u);
  EXPECT_EQ(imported.Columns[0], (std::pair<std::string, TSMIDataType>{"Name", itString}));
  EXPECT_EQ(imported.Columns[1].second, itDate);
  EXPECT_EQ(imported.Columns[3].second, itInteger);
  EXPECT_EQ(imported.Columns[7].second, itMEMO);
  EXPECT_EQ(imported.Columns[12].second, itFloat);
  ASSERT_EQ(imported.Rows.size(), 4u);
  EXPECT_EQ(imported.Rows[0].substr(0, 4), "Ana|");
  // RowFirst counts records: the first row imported is record 2.
  TRADerevuFromParadox from3;
  const TImportedTable tail = ImportTable(from3, kFixtures / "blocks.db", 3);
  ASSERT_EQ(tail.Rows.size(), 98u);
  EXPECT_EQ(tail.Rows[0], "2|row 2");
}

TEST(ParadoxCorpus, EveryInputReadsSafely) {
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path("corpus") / "paradox")) {
    SCOPED_TRACE(entry.path().string());
    ReadDatabaseInput<TDBParadox>(ReadFileBytes(entry.path()));
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}

TEST(ParadoxCorpus, TruncatedAndBitFlippedTablesFailCleanly) {
  const std::string bytes = ReadFileBytes(kFixtures / "types.db");
  ASSERT_FALSE(bytes.empty());
  for (size_t n = 0; n < bytes.size(); n += (n < 700 ? 1 : 37)) ReadDatabaseInput<TDBParadox>(std::string_view(bytes).substr(0, n));
  for (size_t i = 0; i < 1500; ++i) {
    std::string damaged = bytes;
    const size_t at = (i * 2654435761u) % (i % 2 ? 700 : damaged.size());
    damaged[at] = static_cast<char>(damaged[at] ^ (1 << (i % 8)));
    ReadDatabaseInput<TDBParadox>(damaged);
  }
}

}  // namespace
