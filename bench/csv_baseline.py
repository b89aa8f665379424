#!/usr/bin/python3
"""The yardstick of export_bench's text mode: Python's csv module writing
ROWS rows of the ten-field shape's values, prepared in memory before the
clock starts. Usage: csv_baseline.py ROWS OUT. Prints: rows=N python_csv_s=S"""
import csv
import sys
import time

rows_wanted, out = int(sys.argv[1]), sys.argv[2]
letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
rows = []
for i in range(rows_wanted):
    rows.append([i, "Customer number %d" % i, "".join(letters[(i + k) % 26] for k in range(20)),
                 "%g" % (i * 1.25), "7.7.2009", "True" if i & 1 else "False", i % 1000, "%g" % (i * 0.01),
                 "Delivered on time; invoice %d paid." % i, "C%07d" % i])
start = time.perf_counter()
with open(out, "w", newline="", encoding="cp1250") as f:
    writer = csv.writer(f, delimiter="\t")
    writer.writerows(rows)
print("rows=%d python_csv_s=%.3f" % (rows_wanted, time.perf_counter() - start))
