#!/usr/bin/env python3
"""Writes the grid's indicator glyphs as 6 x 11 pixel, 16-colour (4 bits per pixel) bitmaps.

'#' is black, '.' white (the colour the image list masks out). Run from any directory; the
files land next to this script. The bitmaps are committed, so the build does not run this.
"""
import os
import struct

GLYPHS = {
    "ZGARROW": ["#.....", "##....", "###...", "####..", "#####.", "######",
                "#####.", "####..", "###...", "##....", "#....."],
    "ZGEDIT": ["##..##", "..##..", "..##..", "..##..", "..##..", "..##..",
               "..##..", "..##..", "..##..", "..##..", "##..##"],
    "ZGINSERT": ["......", "......", "......", ".#..#.", "..##..", "######",
                 "..##..", ".#..#.", "......", "......", "......"],
}

# The standard 16-colour palette: black is entry 0, white entry 15.
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (128, 128, 128), (192, 192, 192), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def bitmap(rows):
    width, height = len(rows[0]), len(rows)
    row_bytes = ((width * 4 + 31) // 32) * 4
    pixels = b""
    for row in reversed(rows):  # bottom-up
        nibbles = [0 if c == "#" else 15 for c in row]
        if len(nibbles) % 2:
            nibbles.append(0)
        data = bytes(nibbles[i] << 4 | nibbles[i + 1] for i in range(0, len(nibbles), 2))
        pixels += data.ljust(row_bytes, b"\0")
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + pixels


here = os.path.dirname(os.path.abspath(__file__))
for name, rows in GLYPHS.items():
    assert len(rows) == 11 and all(len(r) == 6 for r in rows), name
    with open(os.path.join(here, name + ".bmp"), "wb") as f:
        f.write(bitmap(rows))
