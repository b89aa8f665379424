// Writes the workbooks of the Excel import benchmark with libxlsxwriter (an
// independent writer): ROWS data rows of ten columns under a row of field
// names, in the ten-field shape's spirit (integers, texts, floats, a date,
// a boolean). Texts are inline strings (the writer's constant-memory mode).
//
//   make_xlsx_bench ROWS OUT.xlsx
//
// The 65,000-row XLS of the same benchmark is this file converted by
// LibreOffice (bench/excel_baseline.py says how).
#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_xlsx_bench ROWS OUT.xlsx\n");
    return 2;
  }
  const long rows = std::atol(argv[1]);
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* workbook = workbook_new_opt(argv[2], &options);
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Data");
  lxw_format* date = workbook_add_format(workbook);
  format_set_num_format(date, "yyyy-mm-dd");
  const char* names[] = {"ID", "NAME", "TITLE", "PRICE", "DAY", "ACTIVE", "QTY", "TOTAL", "NOTE", "CODE"};
  for (int c = 0; c < 10; ++c) worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), names[c], nullptr);
  const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  char text[64];
  for (long i = 0; i < rows; ++i) {
    const lxw_row_t r = static_cast<lxw_row_t>(i + 1);
    worksheet_write_number(sheet, r, 0, static_cast<double>(i), nullptr);
    std::snprintf(text, sizeof text, "Customer number %ld", i);
    worksheet_write_string(sheet, r, 1, text, nullptr);
    for (int k = 0; k < 20; ++k) text[k] = letters[(i + k) % 26];
    text[20] = 0;
    worksheet_write_string(sheet, r, 2, text, nullptr);
    worksheet_write_number(sheet, r, 3, static_cast<double>(i) * 1.25, nullptr);
    lxw_datetime day = {2009, 7, static_cast<int>(1 + i % 28), 0, 0, 0};
    worksheet_write_datetime(sheet, r, 4, &day, date);
    worksheet_write_boolean(sheet, r, 5, static_cast<int>(i & 1), nullptr);
    worksheet_write_number(sheet, r, 6, static_cast<double>(i % 1000), nullptr);
    worksheet_write_number(sheet, r, 7, static_cast<double>(i) * 0.01, nullptr);
    std::snprintf(text, sizeof text, "Delivered on time; invoice %ld paid.", i);
    worksheet_write_string(sheet, r, 8, text, nullptr);
    std::snprintf(text, sizeof text, "C%07ld", i);
    worksheet_write_string(sheet, r, 9, text, nullptr);
  }
  const lxw_error error = workbook_close(workbook);
  if (error != LXW_NO_ERROR) {
    std::fprintf(stderr, "make_xlsx_bench: %s\n", lxw_strerror(error));
    return 1;
  }
  return 0;
}
