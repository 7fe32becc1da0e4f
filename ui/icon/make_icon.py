#!/usr/bin/env python3
"""Writes zemrik.ico: one 32x32 image in 16 colours.

The picture: a sheet of paper holding rows of hex cells, with a bold red Z
across it. Run it again only when the picture changes; the build uses the
committed zemrik.ico and needs no Python.
"""

import struct
import sys
from pathlib import Path

SIZE = 32

# The 16 colours of the standard VGA palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, DARK_BLUE, SILVER, GREY, RED, WHITE = 0, 1, 4, 7, 8, 9, 15
TRANSPARENT = None


def draw():
    """Returns the picture as rows from top to bottom of palette indices or None."""
    pixels = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    def fill(left, top, right, bottom, colour):
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                pixels[y][x] = colour

    # The sheet with a shadow and a dark outline.
    fill(5, 3, 27, 29, GREY)
    fill(3, 1, 25, 27, BLACK)
    fill(4, 2, 24, 26, WHITE)
    # Rows of table cells: little blue and silver bars, like hex numbers.
    for top in range(5, 25, 4):
        for left in range(6, 23, 6):
            fill(left, top, left + 3, top + 1, DARK_BLUE if (left + top) % 3 else SILVER)
    # A bold Z over the table.
    fill(8, 6, 24, 9, DARK_RED)
    fill(8, 22, 24, 25, DARK_RED)
    for step in range(12):
        x = 21 - step * 13 // 11
        fill(x, 10 + step, x + 4, 10 + step, DARK_RED)
    fill(9, 7, 23, 8, RED)
    fill(9, 23, 23, 24, RED)
    for step in range(12):
        x = 22 - step * 13 // 11
        fill(x, 10 + step, x + 2, 10 + step, RED)
    return pixels


def icon_bytes(pixels):
    colour_rows = []
    mask_rows = []
    # Bitmaps are stored bottom-up.
    for row in reversed(pixels):
        colours = [0 if p is TRANSPARENT else p for p in row]
        colour_rows.append(bytes((colours[x] << 4) | colours[x + 1] for x in range(0, SIZE, 2)))
        mask_bits = 0
        for p in row:
            mask_bits = (mask_bits << 1) | (1 if p is TRANSPARENT else 0)
        mask_rows.append(mask_bits.to_bytes(SIZE // 8, "big"))
    colour_data = b"".join(colour_rows)
    mask_data = b"".join(mask_rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(colour_data) + len(mask_data), 0, 0, 16, 0)
    image = header + palette + colour_data + mask_data
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("zemrik.ico")
    target.write_bytes(icon_bytes(draw()))


if __name__ == "__main__":
    main()
