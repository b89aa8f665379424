#!/usr/bin/env bash
# The yardstick of export_bench's ado mode, measured in one run: sqlite3's
# own .import of the rows as CSV into a fresh database, then export_bench
# ado of the same table into another fresh database through SQLite's ODBC
# driver. Usage: ado_baseline.sh IN.vtd DIR (export_bench from the build
# folder on PATH or in $EXPORT_BENCH). Prints:
#   rows=N sqlite3_import_s=S ado_s=S ratio=R
set -euo pipefail
in=$1 dir=$2
bench=${EXPORT_BENCH:-export_bench}
mkdir -p "$dir"
rm -f "$dir/import.db" "$dir/ado.db"
"$bench" text "$in" "$dir/rows.csv" --separator=, '--qualifier="' --charset=utf8 >/dev/null 2>&1
start=$(date +%s.%N)
sqlite3 "$dir/import.db" ".import --csv $dir/rows.csv rows"
end=$(date +%s.%N)
out=$("$bench" ado "$in" "Driver=SQLite3;Database=$dir/ado.db" rows 2>/dev/null)
rows=$(sed 's/rows=\([0-9]*\).*/\1/' <<<"$out")
ado=$(sed 's/.*export_s=\([0-9.]*\).*/\1/' <<<"$out")
[ "$(sqlite3 "$dir/ado.db" 'SELECT count(*) FROM rows')" = "$rows" ] || { echo "row count differs" >&2; exit 1; }
awk -v r="$rows" -v s="$start" -v e="$end" -v a="$ado" \
  'BEGIN { i = e - s; printf "rows=%s sqlite3_import_s=%.3f ado_s=%.3f ratio=%.2f\n", r, i, a, a / i }'
