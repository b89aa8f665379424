// (Paths are relative to the tests' working folder, tests/import.)
// Reading a workbook with the Excel readers into lines that compare with
// what an independent reader wrote beside each fixture (NAME.expected.txt:
// sheet, row, column, kind, value).
#pragma once

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "import/readers/MSExcel.h"
#include "import/readers/MSExcelX.h"
#include "platform/rtl/Strings.h"

inline std::string NumberText(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", v);
  return buffer;
}

struct TCellLine {
  int Sheet = 0, Row = 0, Col = 0;
  std::string Kind, Value;
};

inline std::filesystem::path ExcelFixture(const std::string& name) {
  return std::filesystem::path("fixtures") / "excel" / name;
}

inline std::unique_ptr<TSpreadSheetFile> ExcelReaderFor(const std::string& name) {
  if (TMSExcelX::IsPackageExtension(Utf8ToString(name))) return std::make_unique<TMSExcelX>();
  return std::make_unique<TMSExcel>();
}

inline std::vector<TCellLine> ReadExpected(const std::string& name) {
  std::ifstream in(ExcelFixture(name + ".expected.txt"));
  std::vector<TCellLine> lines;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    TCellLine cell;
    std::string sheet, row, col;
    std::getline(fields, sheet, '\t');
    std::getline(fields, row, '\t');
    std::getline(fields, col, '\t');
    std::getline(fields, cell.Kind, '\t');
    std::getline(fields, cell.Value);
    cell.Sheet = std::stoi(sheet);
    cell.Row = std::stoi(row);
    cell.Col = std::stoi(col);
    lines.push_back(cell);
  }
  return lines;
}

// Every value of every sheet of a loaded reader, as lines.
inline std::vector<TCellLine> CellLines(const TSpreadSheetFile& reader) {
  std::vector<TCellLine> lines;
  for (Integer s = 0; s < reader.Sheets.Count(); ++s) {
    const TSpreadSheetCells& cells = reader.Sheets[s].Cells;
    for (Integer r = 0; r < cells.Count(); ++r) {
      const TSpreadSheetRow* row = cells.Rows(r);
      for (Integer c = 0; c < row->Cols.Count(); ++c) {
        const TSMICell* cell = row->Cols.GetCell(c);
        if (cell == nullptr) continue;
        TCellLine line{s, r, c, "", ""};
        const Variant& v = cell->Value;
        if (cell->CellType == ictUnknown) {
          line.Kind = "e";
          line.Value = StringToUtf8(VarToStr(v));
        } else if (v.VarType() == varBoolean) {
          line.Kind = "b";
          line.Value = v.AsBoolean() ? "1" : "0";
        } else if (v.VarType() == varDate) {
          line.Kind = "d";
          line.Value = NumberText(v.AsDateTime());
        } else if (VarIsNumeric(v)) {
          line.Kind = "n";
          line.Value = NumberText(v.AsDouble());
        } else {
          line.Kind = "s";
          std::string text = StringToUtf8(VarToStr(v));
          std::string escaped;
          for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
            escaped += text[i] == '\n' ? std::string("\\n") : std::string(1, text[i]);
          }
          line.Value = escaped;
        }
        lines.push_back(line);
      }
    }
  }
  return lines;
}

inline std::string LineText(const TCellLine& l) {
  return std::to_string(l.Sheet) + " " + std::to_string(l.Row) + " " + std::to_string(l.Col) + " " + l.Kind + " " +
         l.Value;
}

// Numbers and dates compare by value, the rest as text.
inline bool SameCell(const TCellLine& a, const TCellLine& b) {
  if (a.Sheet != b.Sheet || a.Row != b.Row || a.Col != b.Col || a.Kind != b.Kind) return false;
  if (a.Kind == "n" || a.Kind == "d") {
    const double x = std::stod(a.Value), y = std::stod(b.Value);
    return std::fabs(x - y) <= 1e-9 * std::max(1.0, std::fabs(y));
  }
  return a.Value == b.Value;
}
