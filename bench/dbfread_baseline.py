#!/usr/bin/python3
"""The yardstick of import_bench's dbf mode: python3-dbfread reading every
record of the same table (and its memo file). Usage: dbfread_baseline.py IN.
Prints: rows=N dbfread_s=S peak_rss_mb=M"""
import resource
import sys
import time

import dbfread

start = time.perf_counter()
rows = sum(1 for _ in dbfread.DBF(sys.argv[1], encoding="cp1252"))
seconds = time.perf_counter() - start
peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0
print("rows=%d dbfread_s=%.3f peak_rss_mb=%.1f" % (rows, seconds, peak))
