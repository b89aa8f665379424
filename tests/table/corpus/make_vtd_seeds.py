#!/usr/bin/python3
# Writes the VTD seed files in vtd/ byte by byte as the format defines them:
# u16 version; u16 definition count, each name (u16 length, bytes), u16 type,
# u16 size and from version 3 an i32 precision; from version 1 a u16 count
# of stored fields (name, u16 kind, u16 type, u16 size); i32 record count;
# per record per definition a length (u16 before version 2, u32 after; 0 is
# null), the bytes, and for variants a u16 variant type after them.
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "vtd")
FT = dict(String=1, Smallint=2, Integer=3, Boolean=5, Float=6, Currency=7, BCD=8, Date=9, Time=10,
          DateTime=11, Bytes=12, VarBytes=13, Blob=15, Memo=16, WideString=24, Largeint=25, Variant=32,
          Guid=35, TimeStamp=36, FMTBcd=37, WideMemo=39, Extended=45, Single=51)


def name(s):
    b = s.encode("cp1250")
    return struct.pack("<H", len(b)) + b


def vtd(version, defs, rows, stored=()):
    out = struct.pack("<HH", version, len(defs))
    for n, t, size, prec in defs:
        out += name(n) + struct.pack("<HH", FT[t], size)
        if version >= 3:
            out += struct.pack("<i", prec)
    if version >= 1:
        out += struct.pack("<H", len(stored))
        for n, kind, t, size in stored:
            out += name(n) + struct.pack("<HHH", kind, FT[t], size)
    out += struct.pack("<i", len(rows))
    for row in rows:
        for value in row:
            if value is None:
                out += struct.pack("<I" if version >= 2 else "<H", 0)
                continue
            data, variant = value if isinstance(value, tuple) else (value, None)
            out += struct.pack("<I" if version >= 2 else "<H", len(data)) + data
            if variant is not None:
                out += struct.pack("<H", variant)
    return out


def write(file, data):
    with open(os.path.join(HERE, file), "wb") as f:
        f.write(data)


write("empty.vtd", vtd(3, [], []))
write("worked_example.vtd", vtd(3, [("ID", "Integer", 0, 0)], [[struct.pack("<i", 7)]]))
simple = [("Name", "String", 8, 0), ("N", "Integer", 0, 0)]
rows = [[b"abc", struct.pack("<i", -5)], [None, struct.pack("<i", 1000000)], [b"\0", None]]
for v in range(4):
    write("version%d.vtd" % v, vtd(v, simple, rows))
write("stored_fields.vtd", vtd(3, [("W", "WideString", 20, 0)], [["ščž".encode("utf-16-le")]],
                                stored=[("W", 0, "WideString", 20)]))
every = [("S", "String", 4, 0), ("W", "WideString", 3, 0), ("I16", "Smallint", 0, 3), ("B", "Boolean", 0, 0),
         ("F", "Float", 0, 15), ("C", "Currency", 0, 0), ("Bcd", "BCD", 2, 0), ("D", "Date", 0, 0),
         ("T", "Time", 0, 0), ("DT", "DateTime", 0, 0), ("By", "Bytes", 2, 0), ("VB", "VarBytes", 4, 0),
         ("Bl", "Blob", 0, 0), ("M", "Memo", 0, 0), ("L", "Largeint", 0, 0), ("G", "Guid", 38, 0),
         ("TS", "TimeStamp", 0, 0), ("FB", "FMTBcd", 2, 0), ("WM", "WideMemo", 0, 0), ("E", "Extended", 0, 0),
         ("Sg", "Single", 0, 0), ("V", "Variant", 0, 0)]
bcd = bytes([5, 0x82, 0x12, 0x34, 0x50]) + bytes(29)
every_row = [b"ab", "xy".encode("utf-16-le"), struct.pack("<h", 7), struct.pack("<H", 1),
             struct.pack("<d", 0.1), struct.pack("<d", 2.5), struct.pack("<q", 12345),
             struct.pack("<ii", 738000, 0), struct.pack("<ii", 43200000, 0), struct.pack("<d", 63e12),
             b"\x01\x02", b"\x09", b"\0\1\2", b"memo", struct.pack("<q", -1),
             b"{01234567-89AB-CDEF-0123-456789ABCDEF}\0", struct.pack("<hHHHHHI", 2024, 2, 29, 1, 2, 3, 4),
             bcd, "wm".encode("utf-16-le"), bytes([0, 0, 0, 0, 0, 0, 0, 0x80, 0xff, 0x3f]),
             struct.pack("<f", 0.5), ("q".encode("utf-16-le") + b"\0\0", 258)]
write("every_type.vtd", vtd(3, every, [every_row, [None] * len(every)]))
codes = [(struct.pack("<h", -7), 2), (struct.pack("<i", 9), 3), (struct.pack("<d", 1.5), 5),
         (struct.pack("<q", 15000), 6), (b"o\0\0\0", 8), (b"\xff\xff", 11), (b"\xfb", 16), (b"\xfa", 17),
         (struct.pack("<H", 40000), 18), (struct.pack("<I", 4000000000), 19), (struct.pack("<q", -2), 20),
         (b"a\0", 256), (b"\0\0", 258)]
write("variants.vtd", vtd(3, [("V", "Variant", 0, 0)], [[c] for c in codes]))
