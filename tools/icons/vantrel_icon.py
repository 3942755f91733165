#!/usr/bin/env python3
"""Writes vantrel.ico, the restore tool's icon: one 32x32 image with 256 colours, a sheet
of lines with a green arrow turning back over its corner. Deterministic: the same bytes on
every run, so the committed icon can be checked against this script.

usage: vantrel_icon.py OUT.ico   (the committed one: resources/vantrel.ico)
"""

import math
import struct
import sys

SIZE = 32


def palette():
    """The 16 standard colours, a 6x6x6 colour cube, then 24 greys: 256 entries (r, g, b)."""
    base = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
            (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
            (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    steps = (0, 51, 102, 153, 204, 255)
    cube = [(r, g, b) for r in steps for g in steps for b in steps]
    greys = [(8 + 10 * i, 8 + 10 * i, 8 + 10 * i) for i in range(24)]
    return base + cube + greys


def cube(r, g, b):
    """Index of a colour of the cube, each channel a step 0..5."""
    return 16 + 36 * r + 6 * g + b


TRANSPARENT = None
WHITE = 15
PAPER_EDGE = 8
PAPER_SHADE = 7
TEXT = cube(1, 1, 2)
FOLD = cube(4, 4, 4)
ARROW = cube(0, 4, 1)
ARROW_LIGHT = cube(2, 5, 2)
ARROW_EDGE = cube(0, 2, 0)


def draw():
    pixels = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    # The sheet, with its top right corner folded over.
    left, top, right, bottom, fold = 5, 2, 24, 29, 6
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x - left + (top + fold) - y > right - left:  # cut corner
                continue
            edge = x in (left, right) or y in (top, bottom) or x - y == right - top - fold
            pixels[y][x] = PAPER_EDGE if edge else WHITE
    for y in range(top + 1, top + fold):
        for x in range(right - fold + 1, right):
            if x - (right - fold) <= y - top:
                pixels[y][x] = FOLD if x - (right - fold) < y - top else PAPER_EDGE
    for y in range(top + 1, bottom):
        pixels[y][left + 1] = PAPER_SHADE if pixels[y][left + 1] == WHITE else pixels[y][left + 1]

    # Lines of text, one of them longer: the line that comes back.
    lengths = (12, 9, 14, 7, 11, 13, 8)
    for row, length in enumerate(lengths):
        y = top + 5 + 3 * row
        for x in range(left + 3, min(left + 3 + length, right - 1)):
            if pixels[y][x] == WHITE:
                pixels[y][x] = TEXT

    # The arrow: most of a ring, open at the top, whose right end turns into a head that
    # points back up and to the left.
    cx, cy, inner, outer, gap_from, gap_to = 21.5, 21.5, 4.2, 7.6, 60, 140
    for y in range(SIZE):
        for x in range(SIZE):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            d = math.hypot(dx, dy)
            angle = math.degrees(math.atan2(-dy, dx)) % 360
            if inner <= d <= outer and not (gap_from <= angle <= gap_to):
                rim = d < inner + 1 or d > outer - 1
                pixels[y][x] = ARROW_EDGE if rim else (ARROW_LIGHT if angle < 250 else ARROW)
    end = math.radians(gap_from)
    radial = (math.cos(end), -math.sin(end))
    tangent = (-math.sin(end), -math.cos(end))
    base_in = (cx + 2.4 * radial[0], cy + 2.4 * radial[1])
    base_out = (cx + 9.6 * radial[0], cy + 9.6 * radial[1])
    middle = (cx + 5.9 * radial[0], cy + 5.9 * radial[1])
    tip = (middle[0] + 5.5 * tangent[0], middle[1] + 5.5 * tangent[1])
    for y in range(SIZE):
        for x in range(SIZE):
            if inside(x + 0.5, y + 0.5, (base_in, base_out, tip)):
                pixels[y][x] = ARROW
    return pixels


def inside(px, py, triangle):
    """Whether a point lies in the triangle (both orientations)."""
    signs = []
    for i in range(3):
        (x1, y1), (x2, y2) = triangle[i], triangle[(i + 1) % 3]
        signs.append((x2 - x1) * (py - y1) - (y2 - y1) * (px - x1) >= 0)
    return all(signs) or not any(signs)


def ico_bytes(pixels):
    colours = palette()
    assert len(colours) == 256
    xor_rows, and_rows = [], []
    for y in reversed(range(SIZE)):  # bottom-up
        row = pixels[y]
        xor_rows.append(bytes(0 if p is None else p for p in row))
        mask = 0
        for x, p in enumerate(row):
            if p is None:
                mask |= 1 << (31 - x)
        and_rows.append(struct.pack(">I", mask))
    image = (struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 8, 0, SIZE * SIZE + 4 * SIZE,
                         0, 0, 256, 0)
             + b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
             + b"".join(xor_rows) + b"".join(and_rows))
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16)
    return header + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: vantrel_icon.py OUT.ico")
    with open(sys.argv[1], "wb") as f:
        f.write(ico_bytes(draw()))


if __name__ == "__main__":
    main()
