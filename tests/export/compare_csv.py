#!/usr/bin/python3
"""Compares two CSV files cell by cell by value: compare_csv.py OURS CODEC
THEIRS. Numbers compare as numbers, dates and times as dates and times
(whatever their written form: d.M.yyyy, MM/DD/YYYY, yyyy/mm/dd, 12 or 24
hours), TRUE/FALSE as 1/0; every other text exactly. Prints each difference
and exits 1 when there is one. Used to prove that LibreOffice reads our
spreadsheets as our own CSV export writes the same table."""
import csv
import datetime
import sys

DATE_FORMATS = ["%d.%m.%Y", "%m/%d/%Y", "%Y/%m/%d", "%Y-%m-%d"]
TIME_FORMATS = ["%H:%M:%S", "%I:%M:%S %p", "%H:%M"]


def parse_moment(text):
    text = text.strip()
    for d in DATE_FORMATS:
        for t in [None] + TIME_FORMATS:
            try:
                return datetime.datetime.strptime(text, d if t is None else d + " " + t)
            except ValueError:
                pass
    for t in TIME_FORMATS:
        try:
            return datetime.datetime.strptime(text, t).time()
        except ValueError:
            pass
    return None


def canonical(text):
    lower = text.strip().lower()
    if lower in ("true", "false"):
        return ("number", 1.0 if lower == "true" else 0.0)
    try:
        return ("number", float(text))
    except ValueError:
        pass
    moment = parse_moment(text)
    if moment is not None:
        return ("moment", moment)
    return ("text", text)


def read(path, codec):
    with open(path, encoding=codec, newline="") as f:
        return list(csv.reader(f))


ours = read(sys.argv[1], sys.argv[2])
theirs = read(sys.argv[3], "utf-8")
differences = 0
if len(ours) != len(theirs):
    print("rows: ours %d, theirs %d" % (len(ours), len(theirs)))
    differences += 1
for r, (a, b) in enumerate(zip(ours, theirs)):
    width = max(len(a), len(b))
    a = a + [""] * (width - len(a))
    b = b + [""] * (width - len(b))
    for c, (x, y) in enumerate(zip(a, b)):
        cx, cy = canonical(x), canonical(y)
        same = cx == cy or (cx[0] == cy[0] == "number" and abs(cx[1] - cy[1]) <= 1e-9 * max(1.0, abs(cx[1])))
        if not same:
            print("row %d column %d: ours %r, theirs %r" % (r, c, x, y))
            differences += 1
sys.exit(1 if differences else 0)
