// The Advantage reader against a table built byte by byte from the format's
// layout (fixtures/adt, made by make_adt.py beside it, which also writes the
// values the reader must deliver); deleted records, passwords and damaged
// tables.
#include <gtest/gtest.h>

#include "fuzz/database_reader_input.h"
#include "import/ImportExceptions.h"
#include "import/readers/Advantage.h"
#include "tests/import/database_fixture.h"

namespace {

const std::filesystem::path kFixtures = std::filesystem::path("fixtures") / "adt";
const TSMIRowStatuses kEvery = RowStatusBit(rsNormal) | RowStatusBit(rsDeleted);

// The table from a patched copy of the fixture, read from memory.
std::vector<std::string> DumpPatched(const std::function<void(std::string&)>& patch, const String& password = {}) {
  std::string bytes = ReadFileBytes(kFixtures / "people.adt");
  patch(bytes);
  TMemoryStream stream;
  stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
  stream.SetPosition(0);
  TADT table;
  table.IsIncrementalLoad = false;
  table.SetLoadRowStatutes(kEvery);
  table.SetPassword(password);
  table.SetParseItems(0);
  table.LoadFromStream(stream);
  return DumpSheet(table, 2, true);
}

// Every value kind with its null markers; integers signed and 64-bit ones
// whole; the deletion chain (record 2 names record 3).
TEST(AdtReader, ReadsEveryFieldType) {
  EXPECT_EQ(DumpTable<TADT>(kFixtures / "people.adt", 17, true, kEvery), FileLines(kFixtures / "people.txt"));
}

TEST(AdtReader, HeaderAndFields) {
  TADT table;
  table.LoadFromFile(Utf8ToString((kFixtures / "people.adt").string()));
  EXPECT_EQ(table.RecordCount(), 5);
  ASSERT_EQ(table.Fields().size(), 17u);
  EXPECT_EQ(table.Fields()[13].FieldName, u"NOTE");
  EXPECT_EQ(TADT::GetStrFieldType(table.Fields()[14].FieldType), u"NMemo");
  EXPECT_EQ(table.FindColumn(u"wide"), 15);
  EXPECT_EQ(TADT::FieldDataType(aftMoney), itString);
  EXPECT_EQ(TADT::FieldDataType(aftCurrency), itFloat);
}

TEST(AdtReader, DeletedRecords) {
  // FirstDeleted 2 marks record 1; its deletion byte (0) ends the chain.
  const auto firstDeleted = DumpPatched([](std::string& b) { b[40] = 2; });
  ASSERT_EQ(firstDeleted.size(), 5u);
  EXPECT_EQ(firstDeleted[1].substr(0, 1), "D");
  EXPECT_EQ(firstDeleted[4].substr(0, 1), "N");
  // With the default statuses a deleted record answers false and delivers
  // nothing.
  TADT table;
  std::vector<Integer> rows;
  table.OnCellValue = [&](TComponent*, Integer, Integer row, Integer column, Integer, const Variant&, TAlignment,
                          TSMICellType) {
    if (column == 0) rows.push_back(row);
  };
  TFileStream stream(Utf8ToString((kFixtures / "people.adt").string()), fmOpenRead | fmShareDenyNone);
  table.LoadFromStream(stream);
  std::vector<bool> answers;
  for (Integer r = 0; r < table.RecordCount(); ++r) answers.push_back(table.LoadRecord(r));
  EXPECT_EQ(answers, (std::vector<bool>{true, true, false, false, true}));
  EXPECT_EQ(rows, (std::vector<Integer>{0, 1, 4}));
}

TEST(AdtReader, Passwords) {
  auto withPassword = [](std::string& b) { b.replace(56, 6, "secret"); };
  try {
    DumpPatched(withPassword);
    FAIL() << "no error";
  } catch (const ESMICryptException& e) {
    EXPECT_EQ(e.Message(), u"This file is encrypted but valid password is not specified.");
  }
  EXPECT_THROW(DumpPatched(withPassword, u"wrong"), ESMICryptException);
  EXPECT_EQ(DumpPatched(withPassword, u"secret")[0], "N\tAna\t1");
}

TEST(AdtReader, MemoFile) {
  // Without ipiBLOB a memo gives its block number.
  TADT table;
  table.IsIncrementalLoad = false;
  table.SetParseItems(0);
  table.LoadFromFile(Utf8ToString((kFixtures / "people.adt").string()));
  EXPECT_EQ(table.Sheets[0].Cells.GetValue(13, 0).AsInt64(), 1);
  // A missing memo file gives empty memos.
  const auto dir = std::filesystem::temp_directory_path() / ("adt_memo_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::copy_file(kFixtures / "people.adt", dir / "people.adt",
                             std::filesystem::copy_options::overwrite_existing);
  const auto lines = DumpTable<TADT>(dir / "people.adt", 17);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].find("first memo"), std::string::npos);
  std::filesystem::remove_all(dir);
}

TEST(AdtReader, ImportsThroughTheEngine) {
  TRADerevuFromAdvantage source;
  const TImportedTable imported = ImportTable(source, kFixtures / "people.adt");
  ASSERT_EQ(imported.Columns.size(), 17u);
  EXPECT_EQ(imported.Columns[1].second, itBoolean);
  EXPECT_EQ(imported.Columns[13].second, itMEMO);
  EXPECT_EQ(imported.Rows.size(), 3u);
  EXPECT_EQ(imported.Skipped, 2);
}

TEST(AdtCorpus, EveryInputReadsSafely) {
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path("corpus") / "adt")) {
    SCOPED_TRACE(entry.path().string());
    ReadDatabaseInput<TADT>(ReadFileBytes(entry.path()));
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}

TEST(AdtCorpus, TruncatedAndBitFlippedTablesFailCleanly) {
  const std::string bytes = ReadFileBytes(kFixtures / "people.adt");
  ASSERT_FALSE(bytes.empty());
  for (size_t n = 0; n < bytes.size(); n += (n < 450 ? 1 : 29)) ReadDatabaseInput<TADT>(std::string_view(bytes).substr(0, n));
  for (size_t i = 0; i < 1500; ++i) {
    std::string damaged = bytes;
    const size_t at = (i * 2654435761u) % (i % 2 ? 400 : damaged.size());
    damaged[at] = static_cast<char>(damaged[at] ^ (1 << (i % 8)));
    ReadDatabaseInput<TADT>(damaged);
  }
}

}  // namespace
