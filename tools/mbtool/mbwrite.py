"""Writes MB image data: hand-made test files and fuzz seeds of every type and compression.

The programs only read MB data; this writer exists for their tests.
"""

import struct

# Bits per pixel and whether a palette is stored, by image type.
BPP = {0: 1, 1: 1, 2: 8, 3: 8, 4: 24, 5: 32}
COMPRESSIONS = {0: (0, 1), 1: (0, 1), 2: (0, 1, 2, 3, 4), 3: (0, 1), 4: (0, 1), 5: (0, 1, 2)}


def header(width, height, image_type, compression):
    return b"MB" + struct.pack("<iiBB", width, height, image_type, compression)


def _runs(values):
    """(value, length) for each stretch of equal values."""
    out = []
    for v in values:
        if out and out[-1][0] == v:
            out[-1][1] += 1
        else:
            out.append([v, 1])
    return out


def _chunks(length, shortest, longest):
    """Splits a run into lengths the scheme can hold, never leaving a piece shorter than
    `shortest` unless the whole run is."""
    pieces = []
    while length >= shortest:
        take = min(length, longest)
        if 0 < length - take < shortest:
            take -= shortest
        pieces.append(take)
        length -= take
    return pieces, length


def pack_bits(bits, width, height):
    """1-bit rows of (width + 7) // 8 bytes, leftmost pixel in the top bit, fill bits 0."""
    row_bytes = (width + 7) // 8
    out = bytearray(row_bytes * height)
    for i, bit in enumerate(bits):
        if bit:
            y, x = divmod(i, width)
            out[y * row_bytes + x // 8] |= 0x80 >> (x % 8)
    return bytes(out)


def runs_1bit(bits):
    out = bytearray()
    for v, n in _runs(bits):
        while n:
            take = min(n, 128)
            out.append((take - 1) << 1 | v)
            n -= take
    return bytes(out)


def runs_8bit(values, scheme):
    out = bytearray()
    for v, n in _runs(values):
        if scheme == 1:
            while n:
                take = min(n, 256)
                out += bytes([take - 1, v])
                n -= take
            continue
        if scheme == 4:
            long_runs, n = _chunks(n, 260, 65795)
            for take in long_runs:
                out += bytes([0xFE]) + struct.pack("<H", take - 260) + bytes([v])
        shortest, longest, escape = {2: (4, 259, 255), 3: (3, 130, 128), 4: (4, 259, 254)}[scheme]
        pieces, n = _chunks(n, shortest, longest)
        for take in pieces:
            out += bytes([0xFF, take - 4, v]) if scheme != 3 else bytes([take + 125, v])
        if n and v >= escape:
            raise ValueError(f"value {v} needs a run of {shortest} or more in scheme {scheme}")
        out += bytes([v]) * n
    return bytes(out)


def runs_24bit(pixels):
    out = bytearray()
    for p, n in _runs(pixels):
        while n:
            take = min(n, 256)
            out += bytes([take - 1, *p])
            n -= take
    return bytes(out)


def runs_32bit(pixels, scheme):
    out = bytearray()
    for p, n in _runs(pixels):
        if scheme == 1:
            while n:
                take = min(n, 256)
                out += bytes([take - 1, *p])
                n -= take
            continue
        long_runs, n = _chunks(n, 256, 65791)
        for take in long_runs:
            out += bytes([0xFF, 0x01]) + struct.pack("<H", take - 256) + bytes(p)
        pieces, n = _chunks(n, 2, 255)
        for take in pieces:
            out += bytes([0xFF, take, *p])
        if n and p[0] == 255 and p[1] != 0:
            raise ValueError(f"pixel {p} needs a run of 2 or more in scheme 2")
        out += bytes(p) * n
    return bytes(out)


def mb_file(image_type, compression, width, height, pixels, palette=None):
    """MB data for a picture. pixels: 0/1 (1 bpp), indices or levels (8 bpp), 3- or 4-tuples
    (24 and 32 bpp), row after row. palette: list of 4-tuples (types 0 and 2)."""
    body = bytearray()
    if image_type == 0:
        body += bytes(b for entry in palette[:2] for b in entry).ljust(8, b"\0")
    elif image_type == 2:
        entries = bytes(b for entry in palette for b in entry)
        body += entries.ljust(1024, b"\0") if compression == 0 else \
            struct.pack("<H", len(palette)) + entries
    elif image_type == 3 and compression == 0:
        body += bytes(1024)  # present, never read
    bpp = BPP[image_type]
    if bpp == 1:
        body += pack_bits(pixels, width, height) if compression == 0 else runs_1bit(pixels)
    elif bpp == 8:
        body += bytes(pixels) if compression == 0 else runs_8bit(pixels, compression)
    elif bpp == 24:
        body += bytes(b for p in pixels for b in p) if compression == 0 else runs_24bit(pixels)
    else:
        body += bytes(b for p in pixels for b in p) if compression == 0 else \
            runs_32bit(pixels, compression)
    return header(width, height, image_type, compression) + bytes(body)


def sample_picture(image_type, width=13, height=5):
    """A small picture with long runs, short runs and single pixels, for any image type:
    (pixels, palette)."""
    bpp = BPP[image_type]
    pixels = []
    for y in range(height):
        for x in range(width):
            k = (x // 4 + y) % 7 if y % 2 else (x * 3 + y) % 7
            if bpp == 1:
                pixels.append(k & 1)
            elif bpp == 8:
                pixels.append(k * 20 if image_type == 2 else k * 30 + 10)
            elif bpp == 24:
                pixels.append((k * 40, 255 - k * 30, k))
            else:
                pixels.append((k * 36, k * 40, 200 - k, k))
    palette = None
    if image_type == 0:
        palette = [(0, 10, 20, 30), (0, 200, 150, 100)]
    elif image_type == 2:
        palette = [(i * 2, i, 64, 255 - i) for i in range(121)]
    return pixels, palette
