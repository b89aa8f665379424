#!/usr/bin/python3
"""Prints the pictures of the first sheet of an .xlsx file as openpyxl and
Pillow read them, one line each: anchor kind, column, row, width, height,
then the pixels as RRGGBB texts, top row first."""
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
for image in sheet._images:
    anchor = image.anchor
    picture = image._data()
    from io import BytesIO
    from PIL import Image
    pixels = Image.open(BytesIO(picture)).convert("RGB")
    colours = ["%02X%02X%02X" % pixels.getpixel((x, y)) for y in range(pixels.height) for x in range(pixels.width)]
    print(type(anchor).__name__, anchor._from.col, anchor._from.row, pixels.width, pixels.height, " ".join(colours))
