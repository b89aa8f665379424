// The dBase and FoxPro reader against tables that LibreOffice wrote and
// tables built byte by byte (fixtures/dbf, each made by the script beside
// it), compared with what python3-dbfread reads from the same files; the
// import of a table through the engine; damaged tables failing cleanly.
#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <tuple>

#include "fuzz/dbf_reader_input.h"
#include "import/readers/DBF.h"
#include "import/readers/ImportFromCell.h"
#include "platform/db/Field.h"
#include "platform/rtl/DateTimeUtils.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
#include "table/VirtualTable.h"

namespace {

const std::filesystem::path kFixtures = std::filesystem::path("fixtures") / "dbf";

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A value as the dbfread dump writes it.
std::string CellText(const TSMICell* cell, char fieldType) {
  if (cell == nullptr || cell->Value.IsNull() || cell->Value.IsEmpty()) return "";
  const Variant& v = cell->Value;
  char buffer[64];
  switch (v.VarType()) {
    case varBoolean: return v.AsBoolean() ? "T" : "F";
    case varSmallint:
    case varInteger:
    case varInt64:
    case varLongWord: return std::to_string(v.AsInt64());
    case varDouble:
    case varCurrency: std::snprintf(buffer, sizeof buffer, "%.10g", v.AsDouble()); return buffer;
    case varDate:
      return StringToUtf8(FormatDateTime(fieldType == 'D' ? u"yyyy-mm-dd" : u"yyyy-mm-dd hh:nn:ss", v.AsDateTime()));
    default: {
      std::string s = StringToUtf8(VarToStr(v));
      while (!s.empty() && s.back() == ' ') s.pop_back();
      return s;
    }
  }
}

// Every record of the table, normal ones first, then deleted ones, as
// "N\tvalue\t..." lines.
std::string OurDump(const std::filesystem::path& file) {
  TDBF table;
  table.IsIncrementalLoad = false;
  table.SetLoadRowStatutes(RowStatusBit(rsNormal) | RowStatusBit(rsDeleted));
  table.LoadFromFile(Utf8ToString(file.string()));
  std::string normal, deleted;
  const TSpreadSheetCells& cells = table.Sheets[0].Cells;
  for (Integer r = 0; r < cells.Count(); ++r) {
    const TSpreadSheetRow* row = cells.Rows(r);
    std::string line = row->Status == rsDeleted ? "D" : "N";
    for (Integer c = 0; c < static_cast<Integer>(table.Fields().size()); ++c)
      line += "\t" + CellText(row->Cols.GetCell(c), table.Fields()[static_cast<size_t>(c)].FieldType);
    (row->Status == rsDeleted ? deleted : normal) += line + "\n";
  }
  return normal + deleted;
}

bool HaveDbfread() { return std::system("/usr/bin/python3 -c 'import dbfread' >/dev/null 2>&1") == 0; }

std::string DbfreadDump(const std::filesystem::path& file) {
  const std::string command = "/usr/bin/python3 " + (kFixtures / "dbfread_dump.py").string() + " " + file.string();
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    std::array<char, 4096> buffer;
    while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) out.append(buffer.data(), n);
    EXPECT_EQ(pclose(pipe), 0) << command;
  }
  return out;
}

TEST(DbfReader, ReadsWhatDbfreadReads) {
  if (!HaveDbfread()) GTEST_SKIP() << "python3-dbfread is not installed";
  for (const char* name : {"people.dbf", "foxpro.dbf", "dbase4.dbf", "unknown.dbf"}) {
    SCOPED_TRACE(name);
    const std::string ours = OurDump(kFixtures / name);
    EXPECT_FALSE(ours.empty());
    EXPECT_EQ(ours, DbfreadDump(kFixtures / name));
  }
}

TEST(DbfReader, HeaderFieldsAndVersions) {
  struct TCase {
    const char* File;
    TDBFVersion Version;
    std::vector<std::string> Names;
    std::string Types;
  };
  const TCase cases[] = {
      {"people.dbf", dBase3Memo, {"NAME", "AMOUNT", "COUNT", "BORN", "OK", "NOTE"}, "CNNDLM"},
      {"foxpro.dbf", VFP3, {"NAME", "QTY", "PRICE", "WEIGHT", "STAMP", "NOTE", "RATE", "_NullFlags"}, "CIYBTMN0"},
      {"dbase4.dbf", dBase4Memo, {"TITLE", "BODY"}, "CM"},
      // 48-byte descriptors keep the first ten characters of the name.
      {"dbase7.dbf", dBase5, {"LONGER_NAM", "ID", "VALUE", "WHEN"}, "CIO@"},
      // An unknown version byte reads as dBase III; the terminator ends the
      // list although the header has room for more descriptors.
      {"unknown.dbf", dBase3, {"CODE", "N"}, "CN"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.File);
    TDBF table;
    table.LoadFromFile(Utf8ToString((kFixtures / c.File).string()));
    EXPECT_EQ(table.DBFVersion(), c.Version);
    std::vector<std::string> names;
    std::string types;
    for (const TDBFField& f : table.Fields()) {
      names.push_back(StringToUtf8(f.FieldName));
      types += f.FieldType;
    }
    EXPECT_EQ(names, c.Names);
    EXPECT_EQ(types, c.Types);
    // A name is found by its first ten characters in any case.
    EXPECT_EQ(table.FindColumn(String(u"longer_name_than_ten").substr(0, c.Names[0].size() + 3)),
              c.Version == dBase5 ? 0 : -1);
  }
  EXPECT_EQ(GetStrFileType(0xF5), u"FoxPro (memo)");
  EXPECT_EQ(GetStrFileType(0x07), u"");
  EXPECT_EQ(GetStrFieldType('Y'), u"Currency");
}

TEST(DbfReader, DBase7BinaryTypes) {
  TDBF table;
  table.IsIncrementalLoad = false;
  table.LoadFromFile(Utf8ToString((kFixtures / "dbase7.dbf").string()));
  const TSpreadSheetCells& cells = table.Sheets[0].Cells;
  std::vector<std::string> rows;
  for (Integer r = 0; r < cells.Count(); ++r) {
    std::string line;
    for (Integer c = 0; c < 4; ++c) line += CellText(cells.GetCell(c, r), table.Fields()[static_cast<size_t>(c)].FieldType) + "|";
    rows.push_back(line);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"seven|-5|-2.75|2000-01-02 03:04:05|", "eight|100|1.5||"}));
}

TEST(DbfReader, RecordsOneByOne) {
  TDBF table;
  std::vector<std::pair<Integer, std::string>> delivered;
  table.OnCellValue = [&](TComponent*, Integer, Integer row, Integer column, Integer, const Variant& value,
                          TAlignment, TSMICellType) {
    if (column == 0) delivered.emplace_back(row, StringToUtf8(VarToStr(value)));
  };
  TFileStream stream(Utf8ToString((kFixtures / "foxpro.dbf").string()), fmOpenRead | fmShareDenyNone);
  table.SetFileName(Utf8ToString((kFixtures / "foxpro.dbf").string()));
  table.LoadFromStream(stream);
  EXPECT_EQ(table.RecordCount(), 3);
  // The deleted record answers false and delivers nothing by default.
  EXPECT_TRUE(table.LoadRecord(2));
  EXPECT_FALSE(table.LoadRecord(1));
  EXPECT_TRUE(table.LoadRecord(0));
  EXPECT_FALSE(table.LoadRecord(3));
  ASSERT_EQ(delivered.size(), 2u);
  EXPECT_EQ(delivered[0], (std::pair<Integer, std::string>{2, "Gadget    "}));
  EXPECT_EQ(delivered[1].first, 0);
  EXPECT_EQ(table.FindColumn(u"price"), 2);
  EXPECT_EQ(table.FindColumn(u"nothing"), -1);
  // Names asked in field order, backwards, by their own spelling or in
  // lower case, each find their own field wherever the last search ended.
  const std::vector<TDBFField>& fields = table.Fields();
  for (int pass = 0; pass < 4; ++pass) {
    for (size_t k = 0; k < fields.size(); ++k) {
      const size_t i = pass % 2 == 0 ? k : fields.size() - 1 - k;
      const String name = pass < 2 ? fields[i].FieldName : LowerCase(fields[i].FieldName);
      EXPECT_EQ(table.FindColumn(name), static_cast<Integer>(i)) << StringToUtf8(name);
    }
  }
  table.AfterLoad();
  EXPECT_FALSE(table.LoadRecord(0));
}

// A missing, short or forged memo file never fails the table: the memo is
// empty or holds what the file has.
TEST(DbfReader, DamagedMemoFiles) {
  const auto dir = std::filesystem::temp_directory_path() / ("dbf_memo_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::copy_file(kFixtures / "foxpro.dbf", dir / "foxpro.dbf",
                             std::filesystem::copy_options::overwrite_existing);
  std::string memo = ReadFile(kFixtures / "foxpro.fpt");
  // The first memo (block 8) claims four gigabytes.
  std::string forged = memo;
  forged.replace(8 * 64 + 4, 4, "\xFF\xFF\xFF\xFF");
  struct TCase {
    const char* Name;
    std::optional<std::string> Memo;
    size_t Length;
  };
  const TCase cases[] = {{"missing", std::nullopt, 0},
                         {"shorter than its header", memo.substr(0, 5), 0},
                         {"cut inside the text", memo.substr(0, 8 * 64 + 8 + 5), 5},
                         {"forged length", forged, forged.size() - 8 * 64 - 8}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::filesystem::remove(dir / "foxpro.fpt");
    if (c.Memo) std::ofstream(dir / "foxpro.fpt", std::ios::binary) << *c.Memo;
    TDBF table;
    table.IsIncrementalLoad = false;
    table.LoadFromFile(Utf8ToString((dir / "foxpro.dbf").string()));
    EXPECT_EQ(VarToStr(table.Sheets[0].Cells.GetValue(5, 0)).size(), c.Length);
    EXPECT_EQ(StringToUtf8(VarToStr(table.Sheets[0].Cells.GetValue(0, 0))), "Widget    ");
  }
  std::filesystem::remove_all(dir);
}

TEST(DbfReader, ImportsThroughTheEngine) {
  TVirtualTable target;
  TRADerevuFromDBF source;
  std::vector<std::pair<std::string, TSMIDataType>> columns;
  source.SetOptions(0);
  source.SetAnimatedStatus(false);
  source.SetSourceFileName(Utf8ToString((kFixtures / "foxpro.dbf").string()));
  source.SetDataSet(&target);
  source.OnCreateStructure = [&](TComponent*, TSMIColumns& cols) {
    target.Close();
    target.DeleteFields();
    for (int c = 0; c < cols.Count(); ++c) {
      columns.emplace_back(StringToUtf8(cols[c].FieldName), cols[c].DataType);
      target.AddField(cols[c].FieldName, ftWideString, 200);
    }
    target.Open();
  };
  source.Execute();
  EXPECT_EQ(columns, (std::vector<std::pair<std::string, TSMIDataType>>{{"NAME", itString},
                                                                        {"QTY", itInteger},
                                                                        {"PRICE", itFloat},
                                                                        {"WEIGHT", itFloat},
                                                                        {"STAMP", itTime},
                                                                        {"NOTE", itMEMO},
                                                                        {"RATE", itFloat},
                                                                        {"_NullFlags", itBLOB}}));
  EXPECT_EQ(target.RecordCount(), 2);
  EXPECT_EQ(source.Statistic().TotalSkipped, 1);
  target.First();
  EXPECT_EQ(StringToUtf8(target.Fields().Fields(5)->AsString()), "a memo of the first row");
}

// The import reads a record's fields where they lie; every value must be
// the one the sheet of a whole load holds, deleted records skipped.
TEST(DbfReader, ImportGivesTheValuesOfAWholeLoad) {
  for (const char* name : {"people.dbf", "foxpro.dbf", "dbase4.dbf", "dbase7.dbf"}) {
    SCOPED_TRACE(name);
    const String file = Utf8ToString((kFixtures / name).string());
    TDBF whole;
    whole.IsIncrementalLoad = false;
    whole.SetLoadRowStatutes(RowStatusBit(rsNormal));
    whole.LoadFromFile(file);
    const TSpreadSheetCells& cells = whole.Sheets[0].Cells;
    std::vector<std::vector<std::string>> expected;
    for (Integer r = 0; r < cells.Count(); ++r) {
      if (cells.Rows(r) == nullptr) continue;
      std::vector<std::string> row;
      for (Integer c = 0; c < static_cast<Integer>(whole.Fields().size()); ++c) {
        const Variant v = cells.GetValue(c, r);
        row.push_back(v.IsNull() ? "(null)" : StringToUtf8(v.AsString()));
      }
      expected.push_back(std::move(row));
    }

    TVirtualTable target;
    TRADerevuFromDBF source;
    source.SetOptions(0);
    source.SetAnimatedStatus(false);
    source.SetSourceFileName(file);
    source.SetDataSet(&target);
    source.OnCreateStructure = [&](TComponent*, TSMIColumns& cols) {
      target.Close();
      target.DeleteFields();
      for (int c = 0; c < cols.Count(); ++c) target.AddField(cols[c].FieldName, ftVariant);
      target.Open();
    };
    source.Execute();
    std::vector<std::vector<std::string>> got;
    for (target.First(); !target.Eof(); target.Next()) {
      std::vector<std::string> row;
      for (int c = 0; c < target.Fields().Count(); ++c) {
        const Variant v = target.Fields()[c]->AsVariant();
        row.push_back(v.IsNull() ? "(null)" : StringToUtf8(v.AsString()));
      }
      got.push_back(std::move(row));
    }
    EXPECT_EQ(got, expected);
  }
}

// A dBase III table of one N field (20 wide, 2 decimals) and one C field,
// a record per text.
std::string NumberTable(const std::vector<std::string>& texts) {
  std::string out(32, '\0');
  out[0] = 0x03;
  const Cardinal count = static_cast<Cardinal>(texts.size());
  std::memcpy(&out[4], &count, 4);
  const Word headerSize = 32 + 2 * 32 + 1, recordSize = 1 + 20 + 4;
  std::memcpy(&out[8], &headerSize, 2);
  std::memcpy(&out[10], &recordSize, 2);
  for (auto [name, type, length, decimals] : {std::tuple{"AMOUNT", 'N', 20, 2}, {"TAG", 'C', 4, 0}}) {
    std::string d(32, '\0');
    d.replace(0, std::strlen(name), name);
    d[11] = type;
    d[16] = static_cast<char>(length);
    d[17] = static_cast<char>(decimals);
    out += d;
  }
  out += '\r';
  for (const std::string& text : texts) out += " " + (text + std::string(20, ' ')).substr(0, 20) + "tag ";
  return out;
}

// Number fields read as the full parse of their text reads them, on the
// short road (at most 15 digits) and off it; a text that is no number is
// empty.
TEST(DbfReader, NumberTextsReadExactly) {
  const std::vector<std::string> texts = {
      "  -999.63",       "12345678901234.5", "1234567890123456", "9007199254740993", "0.1",
      "-0",              "5.",               ".5",               "-.5",              "+3",
      "1e3",             "123456789012.345", "0.000000000000001", "  12a", "1.2.3",
      "-",               "    0.30"};
  TMemoryStream stream;
  const std::string bytes = NumberTable(texts);
  stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
  stream.Seek(0, TSeekOrigin::soBeginning);
  TDBF table;
  std::vector<Variant> values(texts.size());
  table.OnCellValue = [&](TComponent*, Integer, Integer row, Integer column, Integer, const Variant& value,
                          TAlignment, TSMICellType) {
    if (column == 0) values[static_cast<size_t>(row)] = value;
  };
  table.LoadFromStream(stream);
  // Asked out of field order and in any case, every name is still found.
  EXPECT_EQ(table.FindColumn(u"tag"), 1);
  EXPECT_EQ(table.FindColumn(u"Amount"), 0);
  EXPECT_EQ(table.FindColumn(u"AMOUNT"), 0);
  EXPECT_EQ(table.FindColumn(u"TAGS"), -1);
  for (Integer r = 0; r < static_cast<Integer>(texts.size()); ++r) ASSERT_TRUE(table.LoadRecord(r));
  for (size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(texts[i]);
    std::string trimmed = texts[i].substr(texts[i].find_first_not_of(' '));
    if (trimmed.size() > 1 && trimmed[0] == '+') trimmed.erase(0, 1);
    double expected = 0;
    const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), expected);
    if (error != std::errc() || end != trimmed.data() + trimmed.size()) {
      EXPECT_TRUE(values[i].IsNull());
      continue;
    }
    ASSERT_EQ(values[i].VarType(), varDouble);
    const double got = values[i].AsDouble();
    EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << got << " != " << expected;
  }
  table.AfterLoad();
}

TEST(DbfReader, UnreadableTableFailsTheRun) {
  TVirtualTable target;
  TRADerevuFromDBF source;
  source.SetAnimatedStatus(false);
  source.SetSourceFileName(u"/nonexistent/folder/table.dbf");
  source.SetDataSet(&target);
  EXPECT_THROW(source.Execute(), Exception);
}

TEST(DbfCorpus, EveryInputReadsSafely) {
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path("corpus") / "dbf")) {
    SCOPED_TRACE(entry.path().string());
    ReadDbfInput(ReadFile(entry.path()));
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}

TEST(DbfCorpus, TruncatedAndBitFlippedTablesFailCleanly) {
  for (const char* name : {"people.dbf", "foxpro.dbf", "dbase4.dbf", "dbase7.dbf"}) {
    SCOPED_TRACE(name);
    const std::string bytes = ReadFile(kFixtures / name);
    ASSERT_FALSE(bytes.empty());
    for (size_t n = 0; n < bytes.size(); ++n) ReadDbfInput(std::string_view(bytes).substr(0, n));
    for (size_t i = 0; i < 600; ++i) {
      std::string damaged = bytes;
      const size_t at = (i * 2654435761u) % damaged.size();
      damaged[at] = static_cast<char>(damaged[at] ^ (1 << (i % 8)));
      ReadDbfInput(damaged);
    }
  }
}

}  // namespace
