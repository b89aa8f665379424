#!/usr/bin/python3
"""The yardsticks of import_bench's xls and xlsx modes: openpyxl in read-only
mode reading every value of the first sheet of an XLSX, and xlrd reading
every value of the first sheet of an XLS.

Usage: excel_baseline.py openpyxl IN.xlsx | excel_baseline.py xlrd IN.xls
Prints: rows=N openpyxl_s=S peak_rss_mb=M (or xlrd_s=S)

The benchmark's files: build/bench/make_xlsx_bench 1000000 rows1m.xlsx, and
for the XLS make_xlsx_bench 65000 rows65k.xlsx, then
soffice --headless --convert-to xls rows65k.xlsx."""
import resource
import sys
import time

kind, path = sys.argv[1], sys.argv[2]
start = time.perf_counter()
rows = 0
if kind == "openpyxl":
    import openpyxl
    wb = openpyxl.load_workbook(path, read_only=True)
    for row in wb.worksheets[0].iter_rows(values_only=True):
        rows += 1
else:
    import xlrd
    book = xlrd.open_workbook(path)
    sheet = book.sheet_by_index(0)
    for r in range(sheet.nrows):
        sheet.row_values(r)
        rows += 1
seconds = time.perf_counter() - start
peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0
print("rows=%d %s_s=%.3f peak_rss_mb=%.1f" % (rows - 1, kind, seconds, peak))
