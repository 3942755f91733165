#!/usr/bin/env python3
"""Draws the remover's program icon: one 32 x 32 image with 256 colours, written as an .ico.

The picture is a red 'no' sign (a ring with a bar across it) over a white disc, edges
smoothed by 4 x 4 supersampling, on a transparent ground. The colours are snapped to a
fixed 256-entry palette (a 6 x 6 x 6 cube and a grey ramp), so the output is the same bytes
on every run: `python3 tools/icons/quorvel_icon.py resources/quorvel.ico`.
"""
import math
import struct
import sys

SIZE = 32
SAMPLES = 4


def palette():
    colours = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    colours += [(round(i * 255 / 39),) * 3 for i in range(40)]
    return colours[:256]


def colour_at(x, y):
    """The colour of the drawing at a point (in pixels from the top left), or None."""
    cx = cy = SIZE / 2
    dx, dy = x - cx, y - cy
    r = math.hypot(dx, dy)
    if r > 15.5:
        return None
    if r > 11.5:
        return (204, 0, 0)
    # The bar runs from top left to bottom right.
    if abs(dx - dy) / math.sqrt(2) < 2.6:
        return (204, 0, 0)
    return (255, 255, 255)


def render():
    cols = palette()
    pixels, mask = [], []
    for y in range(SIZE):
        for x in range(SIZE):
            hits = [colour_at(x + (i + 0.5) / SAMPLES, y + (j + 0.5) / SAMPLES)
                    for j in range(SAMPLES) for i in range(SAMPLES)]
            inside = [h for h in hits if h is not None]
            # Transparent where less than half the pixel is covered.
            if len(inside) * 2 < len(hits):
                pixels.append(0)
                mask.append(1)
                continue
            avg = tuple(sum(h[k] for h in inside) / len(inside) for k in range(3))
            best = min(range(len(cols)),
                       key=lambda i: sum((cols[i][k] - avg[k]) ** 2 for k in range(3)))
            pixels.append(best)
            mask.append(0)
    return cols, pixels, mask


def ico_bytes():
    cols, pixels, mask = render()
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 8, 0, 0, 0, 0, 0, 0)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in cols)
    # Rows bottom up; the 1-bit mask rows are padded to 4 bytes.
    xor = b''.join(bytes(pixels[y * SIZE:(y + 1) * SIZE]) for y in reversed(range(SIZE)))
    and_rows = []
    for y in reversed(range(SIZE)):
        row = 0
        for x in range(SIZE):
            row = (row << 1) | mask[y * SIZE + x]
        and_rows.append(struct.pack('>I', row))
    image = header + table + xor + b''.join(and_rows)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + entry + image


if __name__ == '__main__':
    if len(sys.argv) != 2:
        sys.exit('usage: quorvel_icon.py OUT.ico')
    with open(sys.argv[1], 'wb') as out:
        out.write(ico_bytes())
