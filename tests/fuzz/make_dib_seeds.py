#!/usr/bin/env python3
"""Writes the hand-made DIB seeds of the fuzz driver's "dib" target (seeds/dib): forms the
program's own writer never makes. Run: python3 tests/fuzz/make_dib_seeds.py"""
import os
import struct


def info_header(width, height, bits, compression=0, used=0, image=0):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, compression, image, 3780, 3780, used, 0)


def rows(pixel_rows, row_bytes):
    return b''.join(r.ljust(row_bytes, b'\0') for r in pixel_rows)


# A 12-byte core header, 24 bits, 2 x 2 (blue, green, red per pixel), rows bottom-up.
core = struct.pack('<IHHHH', 12, 2, 2, 1, 24) + rows([b'\xff\x00\x00\x00\xff\x00', b'\x00\x00\xff\xff\xff\xff'], 8)
# Top-down rows (negative height), 8 bits, three used colours.
palette = b'\x00\x00\x00\x00' + b'\xcc\x66\x33\x00' + b'\xff\xff\xff\x00'
top_down = info_header(3, -2, 8, used=3) + palette + rows([b'\x00\x01\x02', b'\x02\x01\x00'], 4)
# 4 bits, 5 x 1, the default 16-colour table size.
four = info_header(5, 1, 4) + bytes(range(16)) * 4 + rows([b'\x01\x23\x40'], 4)
# Run-length coded 8 bits: a form the reader refuses.
rle = info_header(2, 1, 8, compression=1, used=2, image=4) + palette[:8] + b'\x02\x01\x00\x01'

for name, data in [('core_header_24.dib', core), ('top_down_8.dib', top_down), ('four_bit.dib', four),
                   ('rle8_refused.dib', rle)]:
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), 'seeds', 'dib', name), 'wb') as f:
        f.write(data)
