// A Paradox table as the import's reader reads it, for the writer's tests.
// Kept apart because the import's and the export's table-type names clash.
#pragma once

#include <string>
#include <vector>

struct TParadoxReadBack {
  std::string TableName;
  std::vector<std::string> Fields;  // "Name:Type" as the reader names the types
  // Each record's cells as the fixture scripts write them (empty for null),
  // and each cell's exact form: the bytes of a text or blob, a number with
  // 17 digits.
  std::vector<std::vector<std::string>> Cells, Exact;
};

TParadoxReadBack ReadParadoxBack(const std::string& file);
