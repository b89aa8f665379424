// (Paths are relative to the tests' working folder, tests/import.)
// Helpers of the markup and log readers' tests: fixture files, the CSV the
// fixtures were made from, a small stored ZIP package, and a table that
// takes whatever columns an import detects.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "import/ImportComponent.h"
#include "import/readers/ZipArchive.h"
#include "platform/db/Field.h"
#include "platform/rtl/Strings.h"
#include "table/VirtualTable.h"

inline std::filesystem::path MarkupFixture(const std::string& name) {
  return std::filesystem::path("fixtures") / "markup" / name;
}

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The rows of a UTF-8 CSV file (",", '"' doubled inside quotes).
inline std::vector<std::vector<String>> ReadCsv(const std::filesystem::path& path) {
  const std::string text = ReadFileBytes(path);
  std::vector<std::vector<String>> rows;
  std::vector<String> row;
  std::string field;
  bool quoted = false, any = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += '"', ++i;
      else if (c == '"') quoted = false;
      else field += c;
    } else if (c == '"') {
      quoted = any = true;
    } else if (c == ',') {
      row.push_back(Utf8ToString(field));
      field.clear();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      row.push_back(Utf8ToString(field));
      rows.push_back(std::move(row));
      row.clear();
      field.clear();
    } else {
      field += c;
      any = true;
    }
  }
  if (!field.empty() || !row.empty()) row.push_back(Utf8ToString(field)), rows.push_back(std::move(row));
  return rows;
}

// A ZIP package whose entries are stored (not compressed).
inline std::string MakeStoredZip(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string out, directory;
  auto u16 = [](std::string& s, unsigned v) { s += static_cast<char>(v & 0xFF), s += static_cast<char>(v >> 8 & 0xFF); };
  auto u32 = [&u16](std::string& s, unsigned v) { u16(s, v & 0xFFFF), u16(s, v >> 16); };
  for (const auto& [name, data] : entries) {
    const unsigned crc = smi::ZipCRC32(data.data(), data.size());
    const unsigned offset = static_cast<unsigned>(out.size());
    u32(out, 0x04034B50), u16(out, 20), u16(out, 0), u16(out, 0), u16(out, 0), u16(out, 0);
    u32(out, crc), u32(out, static_cast<unsigned>(data.size())), u32(out, static_cast<unsigned>(data.size()));
    u16(out, static_cast<unsigned>(name.size())), u16(out, 0);
    out += name + data;
    u32(directory, 0x02014B50), u16(directory, 20), u16(directory, 20), u16(directory, 0), u16(directory, 0);
    u16(directory, 0), u16(directory, 0), u32(directory, crc), u32(directory, static_cast<unsigned>(data.size()));
    u32(directory, static_cast<unsigned>(data.size())), u16(directory, static_cast<unsigned>(name.size()));
    u16(directory, 0), u16(directory, 0), u16(directory, 0), u16(directory, 0), u32(directory, 0), u32(directory, offset);
    directory += name;
  }
  const unsigned at = static_cast<unsigned>(out.size());
  out += directory;
  u32(out, 0x06054B50), u16(out, 0), u16(out, 0), u16(out, static_cast<unsigned>(entries.size()));
  u16(out, static_cast<unsigned>(entries.size())), u32(out, static_cast<unsigned>(directory.size())), u32(out, at);
  u16(out, 0);
  return out;
}

// What an import run gave: the detected columns' names and every row's
// values as text.
struct TImportResult {
  std::vector<String> Columns;
  std::vector<std::vector<String>> Rows;
  TSMIStatistic Statistic;
};

// Runs the source into a new table with one wide-string field per detected
// column, quietly.
inline TImportResult RunIntoTable(TRADerevuBaseComponent& source) {
  TImportResult result;
  TVirtualTable table;
  source.SetOptions(0);
  source.SetAnimatedStatus(false);
  source.SetDataSet(&table);
  source.OnCreateStructure = [&](TComponent*, TSMIColumns& columns) {
    table.Close();
    table.DeleteFields();
    for (int c = 0; c < columns.Count(); ++c) {
      result.Columns.push_back(columns[c].FieldName);
      table.AddField(columns[c].FieldName, ftWideString, 200);
    }
    table.Open();
  };
  source.Execute();
  result.Statistic.Assign(source.Statistic());
  if (!table.Active()) return result;
  for (table.First(); !table.Eof(); table.Next()) {
    std::vector<String> row;
    for (int f = 0; f < table.FieldCount(); ++f) row.push_back(table.Fields().Fields(f)->AsString());
    result.Rows.push_back(std::move(row));
  }
  return result;
}

