#!/usr/bin/env python3
"""Writes the grid's indicator glyphs as 6 x 11 pixel, the outline tree's eight button glyphs as
12 x 12 pixel and the grid's component palette image as a 24 x 24 pixel 16-colour (4 bits per
pixel) bitmaps.

Indicator glyphs: '#' is black, '.' white (the colour the image list masks out). Button glyphs:
'#' black, 'g' grey, 's' silver, 'w' white and '.' fuchsia, the colour drawn transparent (their
bottom-left pixel). Run from any directory; the files land next to this script. The bitmaps are
committed, so the build does not run this.
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

def box(inner):
    """A 12 x 12 button: a grey frame around 7 x 7 white pixels, the inner rows given."""
    rows = ["............", ".ggggggggg.."]
    rows += [".g" + r.replace(".", "w") + "g.." for r in inner]
    return rows + [".ggggggggg..", "............", "............"]


def check(inner, fill):
    """A 12 x 12 check box: a grey frame around 8 x 8 pixels of Fill, the inner rows given."""
    rows = ["............", ".gggggggggg."]
    rows += [".g" + r.replace(".", fill) + "g." for r in inner]
    return rows + [".gggggggggg.", "............"]


def option(dot):
    """A 12 x 12 round option button, with a black dot in the middle when Dot."""
    d, e = ("##", "####") if dot else ("ww", "wwww")
    return ["............", "....gggg....", "..ggwwwwgg..", "..gwwwwwwg..",
            ".gwww" + d + "wwwg.", ".gww" + e + "wwg.", ".gww" + e + "wwg.", ".gwww" + d + "wwwg.",
            "..gwwwwwwg..", "..ggwwwwgg..", "....gggg....", "............"]


TICK = ["........", "......#.", ".....##.", ".#..###.", ".#####..", "..###...", "...#....", "........"]
TREE_GLYPHS = {
    "OTCOLLAPSED": box([".......", "...#...", "...#...", ".#####.", "...#...", "...#...", "......."]),
    "OTEXPANDED": box([".......", ".......", ".......", ".#####.", ".......", ".......", "......."]),
    "OTNONCHILD": box(["......."] * 7),
    "OTCHECKED": check(TICK, "w"),
    "OTUNCHECKED": check(["........"] * 8, "w"),
    "OTGRAYED": check([r.replace("#", "g") for r in TICK], "s"),
    "OTOPTIONED": option(True),
    "OTUNOPTIONED": option(False),
}
TREE_COLOURS = {"#": 0, "g": 7, "s": 8, "w": 15, ".": 13}


def grid_row(indicator, a, b, c):
    """One pixel row of the palette image: the indicator column and three columns between grey
    lines, inside the black frame."""
    return ".#" + indicator + "g" + a + "g" + b + "g" + c + "#."


LINE = ".#" + "g" * 20 + "#."
# The palette image: a small grid with a silver title row and indicator column, white rows with
# dark text, the current row in navy with the indicator's arrow. Same letters as the tree glyphs,
# 'n' navy; fuchsia is transparent.
PALETTE_IMAGE = (
    ["." * 24, ".#" + "#" * 20 + "#."]
    + [grid_row("sss", "ssssss", "ssssss", "ss"), grid_row("sss", "s###ss", "s####s", "s#"),
       grid_row("sss", "ssssss", "ssssss", "ss"), LINE]
    + [grid_row("sss", "wwwwww", "wwwwww", "ww"), grid_row("sss", "w###ww", "w##www", "w#"),
       grid_row("sss", "wwwwww", "wwwwww", "ww"), LINE]
    + [grid_row("s#s", "nnnnnn", "nnnnnn", "nn"), grid_row("s##", "nwwwnn", "nwwwwn", "nw"),
       grid_row("s#s", "nnnnnn", "nnnnnn", "nn"), LINE]
    + [grid_row("sss", "wwwwww", "wwwwww", "ww"), grid_row("sss", "w####w", "w#wwww", "w#"),
       grid_row("sss", "wwwwww", "wwwwww", "ww"), LINE]
    + [grid_row("sss", "wwwwww", "wwwwww", "ww"), grid_row("sss", "w##www", "w###ww", "w#"),
       grid_row("sss", "wwwwww", "wwwwww", "ww"), grid_row("sss", "wwwwww", "wwwwww", "ww")]
    + [".#" + "#" * 20 + "#.", "." * 24]
)
PALETTE_COLOURS = dict(TREE_COLOURS, n=4)

# The standard 16-colour palette: black is entry 0, white entry 15.
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (128, 128, 128), (192, 192, 192), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def bitmap(rows, colours=None):
    width, height = len(rows[0]), len(rows)
    row_bytes = ((width * 4 + 31) // 32) * 4
    pixels = b""
    for row in reversed(rows):  # bottom-up
        nibbles = [colours[c] if colours else 0 if c == "#" else 15 for c in row]
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
for name, rows in TREE_GLYPHS.items():
    assert len(rows) == 12 and all(len(r) == 12 for r in rows), name
    with open(os.path.join(here, name + ".bmp"), "wb") as f:
        f.write(bitmap(rows, TREE_COLOURS))
assert len(PALETTE_IMAGE) == 24 and all(len(r) == 24 for r in PALETTE_IMAGE)
with open(os.path.join(here, "TZELGRID.bmp"), "wb") as f:
    f.write(bitmap(PALETTE_IMAGE, PALETTE_COLOURS))
