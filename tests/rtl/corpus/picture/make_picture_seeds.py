#!/usr/bin/python3
"""Writes the picture seeds: bitmaps of every layout a graphic field may hold,
built from the bytes the BMP format defines. Every file draws the same 3 x 2
picture (top row red, green, blue; bottom row white, black, yellow), except
the "mono" one, whose top row is white, black, white and bottom row black,
white, black. Run it from this folder."""
import struct

COLOURS = [[(255, 0, 0), (0, 255, 0), (0, 0, 255)], [(255, 255, 255), (0, 0, 0), (255, 255, 0)]]
MONO = [[(255, 255, 255), (0, 0, 0), (255, 255, 255)], [(0, 0, 0), (255, 255, 255), (0, 0, 0)]]


def stride(width, bits):
    return (width * bits + 31) // 32 * 4


def info_header(width, height, bits, compression=0, colours=0, size=40):
    h = struct.pack('<IiiHHIIiiII', size, width, height, 1, bits, compression, 0, 2835, 2835, colours, 0)
    return h + b'\0' * (size - 40)


def rows(picture, top_down):
    return picture if top_down else list(reversed(picture))


def pack_row(row, bits, palette=None, masks=None):
    out = bytearray(stride(len(row), bits))
    for x, (r, g, b) in enumerate(row):
        if bits <= 8:
            index = palette.index((r, g, b))
            bit = x * bits
            out[bit // 8] |= index << (8 - bits - bit % 8)
        elif bits == 24:
            out[x * 3:x * 3 + 3] = bytes((b, g, r))
        else:
            v = 0
            for value, mask in zip((r, g, b), masks):
                shift = (mask & -mask).bit_length() - 1
                v |= (value * (mask >> shift) // 255) << shift
            out[x * bits // 8:(x + 1) * bits // 8] = v.to_bytes(bits // 8, 'little')
    return bytes(out)


def dib(picture, bits, top_down=False, palette=None, masks=None, core=False, header=40):
    width, height = len(picture[0]), len(picture)
    data = b''.join(pack_row(r, bits, palette, masks) for r in rows(picture, top_down))
    if core:
        head = struct.pack('<IHhHH', 12, width, -height if top_down else height, 1, bits)
        table = b''.join(bytes((b, g, r)) for r, g, b in palette or [])
    else:
        compression = 3 if masks else 0
        head = info_header(width, -height if top_down else height, bits, compression,
                           len(palette) if palette else 0, header)
        if masks and header >= 52:
            head = head[:40] + struct.pack('<III', *masks) + head[52:]
            table = b''
        else:
            table = struct.pack('<III', *masks) if masks else b''
        table += b''.join(bytes((b, g, r, 0)) for r, g, b in palette or [])
    return head + table, data


def bmp_file(parts):
    head, data = parts
    offset = 14 + len(head)
    return b'BM' + struct.pack('<IHHI', offset + len(data), 0, 0, offset) + head + data


PALETTE = [c for row in COLOURS for c in row]
files = {
    'colour24.bmp': bmp_file(dib(COLOURS, 24)),
    'colour24_topdown.bmp': bmp_file(dib(COLOURS, 24, top_down=True)),
    'colour8.bmp': bmp_file(dib(COLOURS, 8, palette=PALETTE)),
    'colour4.bmp': bmp_file(dib(COLOURS, 4, palette=PALETTE)),
    'mono1.bmp': bmp_file(dib(MONO, 1, palette=[(0, 0, 0), (255, 255, 255)])),
    'colour16_565.bmp': bmp_file(dib(COLOURS, 16, masks=(0xF800, 0x07E0, 0x001F))),
    'colour32_fields.bmp': bmp_file(dib(COLOURS, 32, masks=(0xFF0000, 0xFF00, 0xFF))),
    'colour32_v5.bmp': bmp_file(dib(COLOURS, 32, masks=(0xFF0000, 0xFF00, 0xFF), header=124)),
    'colour8_core.bmp': bmp_file(dib(COLOURS, 8, palette=PALETTE, core=True)),
    'colour24_bare.dib': b''.join(dib(COLOURS, 24)),
}
paradox = bmp_file(dib(COLOURS, 24))
files['colour24_paradox.bmp'] = struct.pack('<HHI', 1, 0x0100, len(paradox)) + paradox
# Malformed inputs: each must be refused with a clear error.
files['bad_truncated.bin'] = paradox[:-5]
files['bad_huge.bin'] = b'BM' + struct.pack('<IHHI', 0, 0, 0, 54) + info_header(0x7FFFFFFF, 0x7FFFFFFF, 24)
files['bad_rle.bin'] = bmp_file((info_header(3, 2, 8, compression=1, colours=1) + b'\0' * 4, b'\0' * 8))
files['bad_png.bin'] = b'\x89PNG\r\n\x1a\n' + b'\0' * 16

for name, data in files.items():
    with open(name, 'wb') as f:
        f.write(data)
