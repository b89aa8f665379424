#!/usr/bin/python3
"""The yardstick of `export_bench xls`: LibreOffice headless converting the
same rows from CSV to .xls (a fresh profile made before the clock starts).
Usage: libreoffice_xls_baseline.py IN.csv OUTDIR. Prints: rows=N libreoffice_s=S"""
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
with open(source, encoding="utf-8", errors="replace") as f:
    rows = sum(1 for _ in f)
start = time.perf_counter()
subprocess.run(["soffice"] + env + ["--convert-to", "xls", "--outdir", out, source], check=True, capture_output=True)
print("rows=%d libreoffice_s=%.3f" % (rows, time.perf_counter() - start))
