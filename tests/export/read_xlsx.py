#!/usr/bin/python3
"""Prints the cells of the first sheet of an .xlsx file as read by openpyxl,
one JSON line per row: [[type, value, number format, font name], ...].
Dates and times are ISO texts; used by the XLSX writer tests to prove that
an independent reader sees every value with its type and style."""
import datetime
import json
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
for row in sheet.iter_rows():
    out = []
    for cell in row:
        value = cell.value
        if isinstance(value, (datetime.datetime, datetime.date, datetime.time)):
            value = value.isoformat()
        out.append([type(cell.value).__name__, value, cell.number_format, cell.font.name])
    print(json.dumps(out, ensure_ascii=False))
