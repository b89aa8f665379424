#!/usr/bin/env bash
# The yardstick of export_bench's dbf mode: LibreOffice headless converting
# the same rows from CSV to a dBase table. Usage: dbf_baseline.sh IN.vtd DIR
# (export_bench from the build folder on PATH or in $EXPORT_BENCH). Writes the
# CSV of IN with export_bench text, converts it in a profile of its own and
# prints: rows=N libreoffice_dbf_s=S
set -euo pipefail
in=$1 dir=$2
bench=${EXPORT_BENCH:-export_bench}
mkdir -p "$dir"
rows=$("$bench" text "$in" "$dir/rows.csv" --separator=, '--qualifier="' --charset=utf8 2>/dev/null |
  sed 's/rows=\([0-9]*\).*/\1/')
start=$(date +%s.%N)
soffice -env:UserInstallation="file://$dir/lo_profile" --headless --norestore \
  --infilter="Text - txt - csv (StarCalc):44,34,76,1" --convert-to dbf --outdir "$dir" "$dir/rows.csv" >/dev/null 2>&1
end=$(date +%s.%N)
[ -s "$dir/rows.dbf" ] || { echo "conversion failed" >&2; exit 1; }
awk -v r="$rows" -v s="$start" -v e="$end" 'BEGIN { printf "rows=%s libreoffice_dbf_s=%.3f\n", r, e - s }'
