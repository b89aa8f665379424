#!/usr/bin/python3
"""Prints the rows of a delimited file as one JSON list, read with Python's
csv module: read_csv.py FILE CODEC [DELIMITER]. Used by the text writer
tests to prove that another reader sees the values that were exported."""
import csv
import json
import sys

path, codec = sys.argv[1], sys.argv[2]
delimiter = sys.argv[3] if len(sys.argv) > 3 else ","
with open(path, encoding=codec, newline="") as f:
    rows = list(csv.reader(f, delimiter=delimiter, quotechar='"'))
print(json.dumps(rows))
