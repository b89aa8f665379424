#!/usr/bin/python3
"""Prints the rows of an exported file, one line per row with the values
joined by "|", as an independent reader sees them: Python's csv module for
a delimited file (read_rows.py FILE CODEC DELIMITER), openpyxl for the
first sheet of an .xlsx file (read_rows.py FILE). Empty cells print empty."""
import csv
import sys

path = sys.argv[1]
if path.lower().endswith(".xlsx"):
    import openpyxl

    sheet = openpyxl.load_workbook(path).worksheets[0]
    rows = [["" if c is None else str(c) for c in row] for row in sheet.iter_rows(values_only=True)]
else:
    with open(path, encoding=sys.argv[2], newline="") as f:
        rows = list(csv.reader(f, delimiter=sys.argv[3], quotechar='"'))
sys.stdout.reconfigure(encoding="utf-8")
for row in rows:
    print("|".join(row))
