#!/usr/bin/python3
"""Writes the seed corpus of the text import's fuzz target into text/:
small texts in each encoding with quoted separators, doubled qualifiers,
blank lines, fixed-width records and trailing SUB characters."""
import codecs
import os

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "text")
os.makedirs(here, exist_ok=True)
body = 'id,name,price,born\r\n1,"Čebelica, Šumi",1.234,5,07.03.2015\r\n\r\n2,"say ""hi""",x,\r\n3,"two\r\nlines",,31.12.1999\x1a'
seeds = {
    "utf8-mark": codecs.BOM_UTF8 + body.encode("utf-8"),
    "utf8-doubled-mark": codecs.BOM_UTF8 * 2 + body.encode("utf-8"),
    "utf16le": codecs.BOM_UTF16_LE + body.encode("utf-16-le"),
    "utf16be-odd-byte": codecs.BOM_UTF16_BE + body.encode("utf-16-be") + b"x",
    "cp1250": body.encode("cp1250"),
    "semicolon-apostrophe": "a;'b;c';d\n'x''y';;\n  \n1;2;3\n".encode("cp1250"),
    "fixed-width": b"abc123 4,5 01.02.2020\r\ndef456 7,8 03.04.2021\r\nshort",
    "unbalanced-qualifier": b'"a,b\r\nc,d\r\n',
    "escaped-qualifier": b'x\\"y,z\r\n"q\\"",w\r\n',
    "cut-utf8": "č€😀".encode("utf-8")[:-1] + b"\r\nend",
    "separators-only": b"\r\n\r\n||||\r\r\n\n",
}
for name, data in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
