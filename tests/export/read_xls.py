#!/usr/bin/python3
"""Prints the cells of the first sheet of an .xls file as read by xlrd, one
JSON line per row: [[cell type, value], ...] with the type named as xlrd
names it (text, number, date, boolean, blank, empty) and dates as ISO texts.
Used by the XLS writer tests to prove that an independent reader sees every
value with its type."""
import datetime
import json
import sys

import xlrd

book = xlrd.open_workbook(sys.argv[1], formatting_info=False)
sheet = book.sheet_by_index(0)
names = {xlrd.XL_CELL_EMPTY: "empty", xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number",
         xlrd.XL_CELL_DATE: "date", xlrd.XL_CELL_BOOLEAN: "boolean", xlrd.XL_CELL_ERROR: "error",
         xlrd.XL_CELL_BLANK: "blank"}
for r in range(sheet.nrows):
    out = []
    for c in range(sheet.ncols):
        cell = sheet.cell(r, c)
        value = cell.value
        if cell.ctype == xlrd.XL_CELL_DATE:
            value = xlrd.xldate.xldate_as_datetime(value, book.datemode).isoformat()
        out.append([names[cell.ctype], value])
    print(json.dumps(out, ensure_ascii=False))
