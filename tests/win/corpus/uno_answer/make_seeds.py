#!/usr/bin/python3
# Writes the seed answers of the office helper's messages (see
# platform/win/UnoWire.h): each file is the body of one answer, without
# the length in front of it.
import struct

def text(s):
    data = s.encode('utf-8')
    return struct.pack('<I', len(data)) + data

seeds = {
    'null.bin': b'KN',
    'integer.bin': b'KI' + struct.pack('<q', -42),
    'double.bin': b'KD' + struct.pack('<d', 2.5),
    'text.bin': b'KS' + text('\u017eaba \U0001F600'),
    'object.bin': b'KO' + struct.pack('<I', 7),
    'array.bin': b'KA' + struct.pack('<I', 3) + b'T' + b'F' + b'A' + struct.pack('<I', 1) + b'E',
    'error.bin': b'X' + text('IllegalArgumentException: no such cell'),
    'short_text.bin': b'KS' + struct.pack('<I', 100) + b'abc',
    'huge_count.bin': b'KA' + struct.pack('<I', 0xFFFFFFFF) + b'N',
    'deep.bin': b'K' + (b'A' + struct.pack('<I', 1)) * 100 + b'N',
    'bad_tag.bin': b'KZ',
    'trailing.bin': b'KNN',
}
for name, data in seeds.items():
    with open(name, 'wb') as f:
        f.write(data)
