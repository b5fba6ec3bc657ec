#!/usr/bin/env python3
"""Writes the panel's three segment bitmaps as 4-bit BMP files over the
standard 16-colour palette: red everywhere but the four corner pixels, which
are light grey. Run once; the files are part of the sources."""
import struct

# The standard 16-colour palette as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
LIGHT_GREY = 7
RED = 9

BITMAPS = {
    "segment_vertical_1001.bmp": (3, 12),
    "segment_horizontal_1002.bmp": (12, 3),
    "segment_dot_1003.bmp": (4, 4),
}


def pixel(x, y, width, height):
    corner = x in (0, width - 1) and y in (0, height - 1)
    return LIGHT_GREY if corner else RED


def bmp(width, height):
    row_bytes = ((width * 4 + 31) // 32) * 4
    rows = []
    for y in reversed(range(height)):  # bottom-up
        nibbles = [pixel(x, y, width, height) for x in range(width)]
        if len(nibbles) % 2:
            nibbles.append(0)
        row = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, len(nibbles), 2))
        rows.append(row.ljust(row_bytes, b"\0"))
    pixels = b"".join(rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    return header + info + palette + pixels


for name, (w, h) in BITMAPS.items():
    with open(name, "wb") as f:
        f.write(bmp(w, h))
