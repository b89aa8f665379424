#!/usr/bin/python3
"""Writes a dBase III table of N rows (default 1,000,000) for import_bench:
a 20-character name, a number with two decimals, an integer, a date and a
logical. Usage: make_dbf_bench.py OUT.dbf [N]"""
import struct
import sys

n = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
fields = [(b'NAME', b'C', 20, 0), (b'AMOUNT', b'N', 12, 2), (b'QTY', b'N', 8, 0), (b'BORN', b'D', 8, 0),
          (b'OK', b'L', 1, 0)]
rsize = 1 + sum(f[2] for f in fields)
hsize = 32 + 32 * len(fields) + 1
with open(sys.argv[1], 'wb') as out:
    out.write(struct.pack('<B3BIHH20x', 0x03, 126, 1, 1, n, hsize, rsize))
    for name, t, length, dec in fields:
        out.write(struct.pack('<11sc4xBB14x', name, t, length, dec))
    out.write(b'\r')
    for i in range(n):
        out.write(b' %-20s%12.2f%8d%04d%02d%02d%s' % (b'name %d' % i, i * 0.37 - 1000, i % 99991,
                                                    1950 + i % 70, 1 + i % 12, 1 + i % 28, b'TF'[i % 2:i % 2 + 1]))
    out.write(b'\x1a')
