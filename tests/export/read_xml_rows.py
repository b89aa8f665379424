#!/usr/bin/python3
"""Prints the rows of an exported XML file as ElementTree reads them: a JSON
list with, for every element named TAG in document order, its [name, value]
pairs: its attributes (MODE "attr") or its child elements (MODE "elem").
read_xml_rows.py FILE TAG MODE"""
import json
import sys
import xml.etree.ElementTree as ET

path, tag, mode = sys.argv[1:4]
root = ET.parse(path).getroot()
rows = []
for e in root.iter(tag):
    if mode == 'attr':
        rows.append([[k, v] for k, v in e.attrib.items()])
    else:
        rows.append([[c.tag, c.text or ''] for c in e])
print(json.dumps(rows))
