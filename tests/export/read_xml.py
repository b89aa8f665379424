#!/usr/bin/python3
"""Prints every element of an XML file in document order as one JSON list of
[tag, attributes, text]: read_xml.py FILE. Used by the XML writer tests to
prove that an independent parser reads back what was written."""
import json
import sys
import xml.etree.ElementTree as ET

root = ET.parse(sys.argv[1]).getroot()
print(json.dumps([[e.tag, e.attrib, e.text or ""] for e in root.iter()]))
