#!/usr/bin/python3
"""The yardstick of import_bench's text mode: pandas.read_csv reading the
same file (comma-separated, double-quoted, first row the names) into a
data frame. Usage: read_csv_baseline.py IN. Prints:
rows=N pandas_s=S pandas_cpu_s=S peak_rss_mb=M"""
import resource
import sys
import time

import pandas

start = time.perf_counter()
cpu_start = time.process_time()
frame = pandas.read_csv(sys.argv[1], sep=",", quotechar='"', encoding="cp1250")
cpu_seconds = time.process_time() - cpu_start
seconds = time.perf_counter() - start
peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0
print("rows=%d pandas_s=%.3f pandas_cpu_s=%.3f peak_rss_mb=%.1f" % (len(frame), seconds, cpu_seconds, peak))
