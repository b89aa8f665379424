#!/usr/bin/python3
"""Prints a JSON file as Python's json module reads it, decoded by the
codec given, as one line of JSON with its object members in file order:
read_json.py FILE CODEC."""
import json
import sys

with open(sys.argv[1], encoding=sys.argv[2]) as f:
    data = json.load(f, object_pairs_hook=lambda pairs: [list(p) for p in pairs])
print(json.dumps(data))
