#!/usr/bin/python3
"""Prints the cells of every table of an HTML page, read with html5lib, as a
JSON list of rows (lists of cell texts), and with "--paragraphs" the texts of
the <p> elements outside tables as a second list:
read_html_tables.py FILE [ENCODING] [--paragraphs].

A cell's text is what a browser shows: runs of blanks become one space, a
<br> a line feed, and blanks around line feeds and at both ends go. Tables
nested in a cell are printed as rows of their own, after the cell's row."""
import json
import re
import sys

import html5lib

args = [a for a in sys.argv[1:] if not a.startswith('--')]
path = args[0]
encoding = args[1] if len(args) > 1 else None
with open(path, 'rb') as f:
    doc = html5lib.parse(f, transport_encoding=encoding, namespaceHTMLElements=False)


def visible(node, skip_tables):
    parts = []

    def walk(n):
        if n.tag == 'br':
            parts.append('\n')
        elif n.tag == 'table' and skip_tables:
            pass
        else:
            if n.text:
                parts.append(re.sub(r'[ \t\r\n\f]+', ' ', n.text))
            for child in n:
                walk(child)
        if n.tail and n is not node:
            parts.append(re.sub(r'[ \t\r\n\f]+', ' ', n.tail))

    walk(node)
    text = ''.join(parts).replace('\xa0', ' ')
    text = re.sub(r' *\n *', '\n', text)
    return re.sub(r' +', ' ', text).strip(' ')


parent_map = {c: p for p in doc.iter() for c in p}
rows = []
for table in doc.iter('table'):
    for tr in table.iter('tr'):
        # Only the rows of this table, not of tables nested in its cells.
        owner = tr
        while owner is not None and owner.tag != 'table':
            owner = parent_map.get(owner)
        if owner is not table:
            continue
        rows.append([visible(cell, True) for cell in tr if cell.tag in ('td', 'th')])
out = [rows]
if '--paragraphs' in sys.argv:
    out.append([visible(p, True) for p in doc.iter('p') if visible(p, True)])
print(json.dumps(out if len(out) > 1 else rows))
