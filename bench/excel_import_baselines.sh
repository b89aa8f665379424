#!/bin/sh
# The Excel imports beside their yardsticks in one run: import_bench on a
# 1,000,000-row XLSX against openpyxl in read-only mode, and on a 65,000-row
# XLS against xlrd, each line with its time and peak memory.
#
#   bench/excel_import_baselines.sh BUILD_DIR WORK_DIR
#
# Makes the files in WORK_DIR when they are missing (make_xlsx_bench, then
# LibreOffice for the XLS).
set -e
build=$1
work=$2
here=$(dirname "$0")
mkdir -p "$work"
[ -f "$work/rows1m.xlsx" ] || "$build/bench/make_xlsx_bench" 1000000 "$work/rows1m.xlsx"
if [ ! -f "$work/rows65k.xls" ]; then
  [ -f "$work/rows65k.xlsx" ] || "$build/bench/make_xlsx_bench" 65000 "$work/rows65k.xlsx"
  soffice --headless --convert-to xls --outdir "$work" "$work/rows65k.xlsx" >/dev/null 2>&1
fi
echo "xlsx import_bench: $("$build/bench/import_bench" xlsx "$work/rows1m.xlsx" "$work/out1m.vtd")"
echo "xlsx openpyxl:     $("$here/excel_baseline.py" openpyxl "$work/rows1m.xlsx")"
echo "xls import_bench:  $("$build/bench/import_bench" xls "$work/rows65k.xls" "$work/out65k.vtd")"
echo "xls xlrd:          $("$here/excel_baseline.py" xlrd "$work/rows65k.xls")"
