#!/usr/bin/python3
"""The yardstick of `import_bench ods`: LibreOffice headless converting the
same spreadsheet from .ods to CSV (a fresh profile made before the clock
starts). Usage: libreoffice_ods_baseline.py IN.ods OUTDIR.
Prints: rows=N libreoffice_s=S"""
import os
import subprocess
import sys
import tempfile
import time

source, out = sys.argv[1], sys.argv[2]
profile = tempfile.mkdtemp(prefix="lo_bench_")
env = ["-env:UserInstallation=file://" + profile, "--headless"]
# A first start creates the profile, so the timed run measures the conversion.
subprocess.run(["soffice"] + env + ["--terminate_after_init"], capture_output=True)
start = time.perf_counter()
subprocess.run(["soffice"] + env + ["--convert-to", "csv", "--outdir", out, source], check=True, capture_output=True)
seconds = time.perf_counter() - start
result = os.path.join(out, os.path.splitext(os.path.basename(source))[0] + ".csv")
with open(result, encoding="utf-8", errors="replace") as f:
    rows = sum(1 for _ in f)
print("rows=%d libreoffice_s=%.3f" % (rows, seconds))
