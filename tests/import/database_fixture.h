// Helpers of the database table reader tests: a reader's records as text
// lines, the same form the fixture scripts write beside their tables, and
// an import of a table through the engine.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "import/readers/DatabaseFile.h"
#include "import/readers/ImportFromDatabase.h"
#include "platform/db/Field.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TextConvert.h"
#include "table/VirtualTable.h"

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::vector<std::string> FileLines(const std::filesystem::path& path) {
  std::istringstream in(ReadFileBytes(path));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A value as the fixture scripts write it: integers in decimal, floats
// with ten significant digits, booleans T and F, a date-time without a
// time as yyyy-mm-dd, one on 30 December 1899 as hh:nn:ss, others in full.
inline std::string DatabaseCellText(const Variant& v) {
  if (v.IsNull() || v.IsEmpty()) return "";
  char buffer[64];
  switch (v.VarType()) {
    case varBoolean: return v.AsBoolean() ? "T" : "F";
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varInt64:
    case varLongWord: return std::to_string(v.AsInt64());
    case varSingle:
    case varDouble:
    case varCurrency: std::snprintf(buffer, sizeof buffer, "%.10g", v.AsDouble()); return buffer;
    case varDate: {
      const TDateTime d = v.AsDateTime();
      if (d >= 0 && d < 1) return StringToUtf8(FormatDateTime(u"hh:nn:ss", d));
      if (d == std::floor(d)) return StringToUtf8(FormatDateTime(u"yyyy-mm-dd", d));
      return StringToUtf8(FormatDateTime(u"yyyy-mm-dd hh:nn:ss", d));
    }
    default: return StringToUtf8(VarToStr(v));
  }
}

// Every record the reader loads into its sheet as "value\tvalue..." lines;
// with statuses, each line starts with N, D or E.
inline std::vector<std::string> DumpSheet(TDatabaseFile& table, Integer fieldCount, bool statuses = false) {
  std::vector<std::string> lines;
  const TSpreadSheetCells& cells = table.Sheets[0].Cells;
  for (Integer r = 0; r < cells.Count(); ++r) {
    const TSpreadSheetRow* row = cells.Rows(r);
    std::string line = statuses ? std::string(1, "NDE"[row->Status]) + "\t" : "";
    for (Integer c = 0; c < fieldCount; ++c) {
      if (c) line += "\t";
      if (const TSMICell* cell = row->Cols.GetCell(c)) line += DatabaseCellText(cell->Value);
    }
    lines.push_back(line);
  }
  return lines;
}

template <class TReader>
std::vector<std::string> DumpTable(const std::filesystem::path& file, Integer fieldCount, bool statuses = false,
                                   TSMIRowStatuses load = RowStatusBit(rsNormal)) {
  TReader table;
  table.IsIncrementalLoad = false;
  table.SetLoadRowStatutes(load);
  table.LoadFromFile(Utf8ToString(file.string()));
  return DumpSheet(table, fieldCount, statuses);
}

// The outcome of importing a table into wide-string fields.
struct TImportedTable {
  std::vector<std::pair<std::string, TSMIDataType>> Columns;
  std::vector<std::string> Rows;  // the fields of each row joined by "|"
  Integer Skipped = 0;
};

inline TImportedTable ImportTable(TRADerevuFromDatabase& source, const std::filesystem::path& file,
                                  Integer rowFirst = 1) {
  TImportedTable out;
  TVirtualTable target;
  source.SetOptions(0);
  source.SetAnimatedStatus(false);
  source.SetRowFirst(rowFirst);
  source.SetSourceFileName(Utf8ToString(file.string()));
  source.SetDataSet(&target);
  source.OnCreateStructure = [&](TComponent*, TSMIColumns& cols) {
    target.Close();
    target.DeleteFields();
    for (int c = 0; c < cols.Count(); ++c) {
      out.Columns.emplace_back(StringToUtf8(cols[c].FieldName), cols[c].DataType);
      target.AddField(cols[c].FieldName, ftWideString, 200);
    }
    target.Open();
  };
  source.Execute();
  out.Skipped = source.Statistic().TotalSkipped;
  if (!target.Active()) return out;
  for (target.First(); !target.Eof(); target.Next()) {
    std::string row;
    for (int c = 0; c < target.Fields().Count(); ++c) row += (c ? "|" : "") + StringToUtf8(target.Fields().Fields(c)->AsString());
    out.Rows.push_back(row);
  }
  return out;
}
