// The yardstick of `export_bench xlsx`: Debian's libxlsxwriter in its
// constant-memory mode writing the same values, taken from the same table
// into memory before the clock starts (numbers, dates with a date format,
// booleans, texts). Usage: xlsxwriter_baseline IN.vtd OUT.xlsx
// Prints: rows=N libxlsxwriter_s=S
#include <xlsxwriter.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/db/Field.h"
#include "platform/rtl/RtlUnit.h"
#include "platform/rtl/Strings.h"
#include "table/VirtualTable.h"

namespace {

struct Cell {
  char Kind;  // n number, d date, b boolean, s text, 0 null
  double Number;
  unsigned Offset, Length;  // the text in the pool
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: xlsxwriter_baseline IN.vtd OUT.xlsx\n");
    return 2;
  }
  RtlInitialize();
  std::vector<Cell> cells;
  std::string pool;
  int columns = 0, rows = 0;
  {
    TVirtualTable table;
    table.LoadFromFile(Utf8ToString(argv[1]));
    table.Open();
    columns = table.Fields().Count();
    for (table.First(); !table.Eof(); table.Next()) {
      ++rows;
      for (int k = 0; k < columns; ++k) {
        TField* field = table.Fields()[k];
        Cell cell{0, 0, 0, 0};
        if (!field->IsNull()) {
          switch (field->DataType()) {
            case ftInteger: case ftSmallint: case ftFloat: case ftCurrency:
              cell.Kind = 'n';
              cell.Number = field->AsFloat();
              break;
            case ftDate: case ftDateTime:
              cell.Kind = 'd';
              cell.Number = field->AsFloat();
              break;
            case ftBoolean:
              cell.Kind = 'b';
              cell.Number = field->AsBoolean() ? 1 : 0;
              break;
            default: {
              const std::string text = StringToUtf8(field->AsString());
              cell.Kind = 's';
              cell.Offset = static_cast<unsigned>(pool.size());
              cell.Length = static_cast<unsigned>(text.size());
              pool += text;
              break;
            }
          }
        }
        cells.push_back(cell);
      }
    }
  }
  RtlFinalize();

  const auto start = std::chrono::steady_clock::now();
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* workbook = workbook_new_opt(argv[2], &options);
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
  lxw_format* date = workbook_add_format(workbook);
  format_set_num_format_index(date, 14);
  std::string text;
  size_t at = 0;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c, ++at) {
      const Cell& cell = cells[at];
      switch (cell.Kind) {
        case 'n': worksheet_write_number(sheet, r, c, cell.Number, nullptr); break;
        case 'd': worksheet_write_number(sheet, r, c, cell.Number, date); break;
        case 'b': worksheet_write_boolean(sheet, r, c, cell.Number != 0, nullptr); break;
        case 's':
          text.assign(pool, cell.Offset, cell.Length);
          worksheet_write_string(sheet, r, c, text.c_str(), nullptr);
          break;
        default: break;
      }
    }
  const lxw_error error = workbook_close(workbook);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (error != LXW_NO_ERROR) {
    std::fprintf(stderr, "libxlsxwriter: %s\n", lxw_strerror(error));
    return 1;
  }
  std::printf("rows=%d libxlsxwriter_s=%.3f\n", rows, seconds);
  return 0;
}
