#!/usr/bin/python3
"""Makes the OpenDocument import benchmark's spreadsheet: N rows of ten
columns (a header row first) written as CSV, then converted to .ods by
LibreOffice headless. Usage: make_ods_bench.py ROWS OUT.ods"""
import csv
import os
import subprocess
import sys
import tempfile

rows, out = int(sys.argv[1]), sys.argv[2]
work = tempfile.mkdtemp(prefix="ods_bench_")
source = os.path.join(work, os.path.splitext(os.path.basename(out))[0] + ".csv")
cities = ["Ljubljana", "Maribor", "Celje", "Kranj", "Koper", "Novo mesto", "Ptuj", "Velenje"]
with open(source, "w", newline="", encoding="utf-8") as f:
    w = csv.writer(f)
    w.writerow(["ID", "Name", "City", "Amount", "Born", "Active", "Qty", "Price", "Note", "Code"])
    for i in range(1, rows + 1):
        w.writerow([i, "Name %d" % i, cities[i % len(cities)], "%.2f" % (i * 1.25 % 100000),
                    "%04d-%02d-%02d" % (1950 + i % 60, 1 + i % 12, 1 + i % 28), "TRUE" if i % 2 else "FALSE",
                    i % 1000, "%.3f" % (i % 977 / 7.0), "note & <text> %d" % (i % 100), "C%06d" % (i % 999983)])
profile = tempfile.mkdtemp(prefix="lo_profile_")
subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--convert-to",
                "ods", "--outdir", work, source], check=True, capture_output=True)
os.replace(os.path.join(work, os.path.splitext(os.path.basename(source))[0] + ".ods"), out)
