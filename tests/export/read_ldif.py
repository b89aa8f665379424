#!/usr/bin/python3
"""Prints the entries of an LDIF file as read by python-ldap's LDIF parser:
a JSON list of [dn, [[attribute, value], ...]] with every value decoded
from UTF-8, in the file's order: read_ldif.py FILE."""
import json
import sys

import ldif

with open(sys.argv[1], 'rb') as f:
    parser = ldif.LDIFRecordList(f)
    parser.parse()
out = []
for dn, entry in parser.all_records:
    out.append([dn, [[name, value.decode('utf-8')] for name, values in entry.items() for value in values]])
print(json.dumps(out))
