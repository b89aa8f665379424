// The Clarion reader against tables built byte by byte from the format's
// layout (fixtures/clarion, made by make_clarion.py beside them, which also
// writes the values the reader must deliver): prefixes and names, every
// field type, arrays, memos, date detection, encrypted tables; damaged
// tables.
#include <gtest/gtest.h>

#include "fuzz/database_reader_input.h"
#include "import/ImportExceptions.h"
#include "import/readers/Clarion.h"
#include "tests/import/database_fixture.h"

namespace {

const std::filesystem::path kFixtures = std::filesystem::path("fixtures") / "clarion";
const TSMIRowStatuses kEvery = RowStatusBit(rsNormal) | RowStatusBit(rsError);

std::unique_ptr<TClarion> Load(const std::filesystem::path& file, const String& password = {},
                               const std::function<void(TClarion&)>& setup = {}) {
  auto table = std::make_unique<TClarion>();
  table->IsIncrementalLoad = false;
  table->SetLoadRowStatutes(kEvery);
  table->SetPassword(password);
  if (setup) setup(*table);
  table->LoadFromFile(Utf8ToString(file.string()));
  return table;
}

// The plain table and the same table owned and encrypted, read with its
// password, deliver the same values.
TEST(ClarionReader, ReadsPlainAndEncryptedTables) {
  for (const auto& [name, password] : {std::pair<const char*, const char16_t*>{"people", u""}, {"secret", u"secret"}}) {
    SCOPED_TRACE(name);
    auto table = Load(kFixtures / (std::string(name) + ".dat"), password);
    EXPECT_EQ(DumpSheet(*table, 17, true), FileLines(kFixtures / (std::string(name) + ".txt")));
  }
}

TEST(ClarionReader, FieldNames) {
  auto names = [](const TClarion& t) {
    std::string out;
    for (const TClarionField& f : t.Fields()) out += StringToUtf8(f.FieldName) + " ";
    return out;
  };
  // The prefix goes, a second NAME becomes NAME2, a blank name Field13; the
  // memo name adds one more column.
  EXPECT_EQ(names(*Load(kFixtures / "people.dat")),
            "NAME NAME2 BIRTHDATE COUNT ITEMNUM ORDER START_TIME UPDATE_TIME QTY B PRICE OLD AMT Field13 ARR GRID "
            "NOTES ");
  EXPECT_EQ(names(*Load(kFixtures / "people.dat", {}, [](TClarion& t) { t.SetAutoPatchFieldNames(false); }))
                .substr(0, 18),
            "CUS:NAME CUS:NAME ");
  auto table = Load(kFixtures / "people.dat");
  EXPECT_EQ(table->FindColumn(u"name2"), 1);
  TSMIColumns columns;
  table->DescribeColumns(columns);
  ASSERT_EQ(columns.Count(), 17);
  EXPECT_EQ(columns[16].DataType, itMEMO);
  EXPECT_EQ(columns[8].DataType, itInteger);
  EXPECT_EQ(columns[12].DataType, itFloat);
}

TEST(ClarionReader, DatesAndTimesByName) {
  auto table = Load(kFixtures / "people.dat", {}, [](TClarion& t) { t.SetDateAutodetect(true); });
  const TSpreadSheetCells& cells = table->Sheets[0].Cells;
  struct TCase {
    Integer Column;
    std::string Text;
    TSMICellType Type;
  };
  const TCase cases[] = {
      {2, "2006-05-02", ictDate},     // BIRTHDATE 75000
      {3, "2020-01-09", ictDate},     // COUNT 80000: in the date range, not excluded
      {4, "80000", ictInteger},       // ITEMNUM
      {5, "80000", ictInteger},       // ORDER
      {6, "12:30:00", ictTime},       // START_TIME 4500000 hundredths
      {7, "12:30:00", ictDate},       // UPDATE_TIME: a date by name, the time wins
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Column);
    const TSMICell* cell = cells.GetCell(c.Column, 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(DatabaseCellText(cell->Value), c.Text);
    EXPECT_EQ(cell->CellType, c.Type);
  }
}

TEST(ClarionReader, WrongPasswordAndBadMemoFile) {
  EXPECT_THROW(Load(kFixtures / "secret.dat", u"wrong"), ESMICryptException);
  EXPECT_THROW(Load(kFixtures / "secret.dat"), ESMICryptException);
  const auto dir = std::filesystem::temp_directory_path() / ("clarion_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::copy_file(kFixtures / "people.dat", dir / "people.dat",
                             std::filesystem::copy_options::overwrite_existing);
  // Without the memo file memos are empty.
  const std::string first = DumpSheet(*Load(dir / "people.dat"), 17)[0];
  EXPECT_EQ(first.substr(first.rfind('\t')), "\t");
  std::string memo = ReadFileBytes(kFixtures / "people.mem");
  memo[0] = 'X';
  WriteFileBytes(dir / "people.mem", memo);
  try {
    Load(dir / "people.dat");
    FAIL() << "no error";
  } catch (const ESMIMemoFileException& e) {
    EXPECT_EQ(e.Message(), u"Memo file is not valid");
  }
  // A chain that comes back to its first block ends there, the text whole.
  memo = ReadFileBytes(kFixtures / "people.mem");
  memo.replace(6 + 256, 4, std::string("\1\0\0\0", 4));
  WriteFileBytes(dir / "people.mem", memo);
  const auto lines = DumpSheet(*Load(dir / "people.dat"), 17);
  EXPECT_EQ(lines[0].size() - lines[0].rfind('\t') - 1, 300u);
  std::filesystem::remove_all(dir);
}

TEST(ClarionReader, ImportsThroughTheEngine) {
  TRADerevuFromClarion source;
  source.SetPassword(u"secret");
  const TImportedTable imported = ImportTable(source, kFixtures / "secret.dat");
  ASSERT_EQ(imported.Columns.size(), 17u);
  // The error record is skipped.
  ASSERT_EQ(imported.Rows.size(), 2u);
  EXPECT_EQ(imported.Skipped, 1);
  EXPECT_EQ(imported.Rows[0].substr(0, 7), "Ana|Bo|");
}

TEST(ClarionCorpus, EveryInputReadsSafely) {
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path("corpus") / "clarion")) {
    SCOPED_TRACE(entry.path().string());
    ReadDatabaseInput<TClarion>(ReadFileBytes(entry.path()));
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}

TEST(ClarionCorpus, TruncatedAndBitFlippedTablesFailCleanly) {
  const std::string bytes = ReadFileBytes(kFixtures / "people.dat");
  ASSERT_FALSE(bytes.empty());
  for (size_t n = 0; n < bytes.size(); ++n) ReadDatabaseInput<TClarion>(std::string_view(bytes).substr(0, n));
  for (size_t i = 0; i < 2000; ++i) {
    std::string damaged = bytes;
    const size_t at = (i * 2654435761u) % damaged.size();
    damaged[at] = static_cast<char>(damaged[at] ^ (1 << (i % 8)));
    ReadDatabaseInput<TClarion>(damaged);
  }
}

}  // namespace
