// (Paths are relative to the tests' working folder, tests/import.)
// Building Lotus 1-2-3 and Quattro Pro records in a test, loading bytes
// with either reader into its sheet model, and the cells of the model as
// comparable lines.
#pragma once

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "import/readers/SpreadSheetFile.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace worksheet {

inline std::string LE16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)}; }
inline std::string LE32(Cardinal v) { return LE16(v & 0xFFFF) + LE16(v >> 16); }
inline std::string F64(double v) {
  std::string s(8, '\0');
  std::memcpy(s.data(), &v, 8);
  return s;
}
inline std::string Rec(unsigned id, const std::string& data = {}) {
  return LE16(id) + LE16(static_cast<unsigned>(data.size())) + data;
}

// Loads the bytes into a fresh model of the reader (its own handlers).
template <typename TReader>
void Load(TReader& reader, const std::string& bytes) {
  TMemoryStream stream;
  stream.Write(bytes.data(), static_cast<Int64>(bytes.size()));
  stream.SetPosition(0);
  reader.ApplyEvents();
  reader.LoadFromStream(stream);
}

// One cell of a model or of an expected file: numbers as numbers, texts as
// UTF-8.
struct TCell {
  int Sheet = 0, Row = 0, Col = 0;
  bool IsText = false;
  std::string Text;
  double Number = 0;
  bool operator==(const TCell& o) const {
    return Sheet == o.Sheet && Row == o.Row && Col == o.Col && IsText == o.IsText && Text == o.Text &&
           Number == o.Number;
  }
};

inline std::ostream& operator<<(std::ostream& out, const TCell& c) {
  return out << c.Sheet << ":" << c.Row << ":" << c.Col << "=" << (c.IsText ? c.Text : std::to_string(c.Number));
}

inline std::vector<TCell> ModelCells(const TSpreadSheetFile& reader) {
  std::vector<TCell> cells;
  for (Integer s = 0; s < reader.Sheets.Count(); ++s) {
    const TSpreadSheetCells& rows = reader.Sheets[s].Cells;
    for (Integer r = 0; r < rows.Count(); ++r)
      for (Integer c = 0; c < rows.Rows(r)->Cols.Count(); ++c)
        if (const TSMICell* cell = rows.GetCell(c, r)) {
          TCell got;
          got.Sheet = s;
          got.Row = r;
          got.Col = c;
          got.IsText = cell->Value.VarType() == varUString;
          if (got.IsText)
            got.Text = StringToUtf8(VarToStr(cell->Value));
          else
            got.Number = cell->Value.AsDouble();
          cells.push_back(got);
        }
  }
  return cells;
}

inline std::filesystem::path Fixture(const std::string& name) {
  return std::filesystem::path("fixtures") / "worksheet" / name;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// NAME.expected.txt: sheet, row, column, "text" or "number", value.
inline std::vector<TCell> ExpectedCells(const std::string& name) {
  std::ifstream in(Fixture(name + ".expected.txt"));
  std::vector<TCell> cells;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string sheet, row, col, kind, value;
    std::getline(fields, sheet, '\t');
    std::getline(fields, row, '\t');
    std::getline(fields, col, '\t');
    std::getline(fields, kind, '\t');
    std::getline(fields, value);
    TCell cell;
    cell.Sheet = std::stoi(sheet);
    cell.Row = std::stoi(row);
    cell.Col = std::stoi(col);
    cell.IsText = kind == "text";
    if (cell.IsText)
      cell.Text = value;
    else
      cell.Number = std::stod(value);
    cells.push_back(cell);
  }
  return cells;
}

}  // namespace worksheet
