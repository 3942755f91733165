"""mbtool on hand-made files of every image type and compression.

usage: test_mbtool.py MBTOOL WORKDIR
"""

import os
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "mbtool"))
import mbwrite  # noqa: E402

MBTOOL, WORK = sys.argv[1], sys.argv[2]
os.makedirs(WORK, exist_ok=True)
failures = []


def check(what, have, want):
    if have != want:
        failures.append(f"{what}: have {have!r}, want {want!r}")


def run(*args):
    p = subprocess.run([MBTOOL, *args], capture_output=True, text=True)
    return p.returncode, p.stdout, p.stderr


def write(name, data):
    path = os.path.join(WORK, name)
    with open(path, "wb") as f:
        f.write(data)
    return path


def colours(image_type, pixels, palette):
    """The census, worked out independently: distinct colour values in use."""
    if image_type == 0:
        return len(set(palette[:2]))
    if image_type == 1:
        return len(set(pixels))
    if image_type == 2:
        return len({palette[i] for i in pixels})
    return len(set(pixels))


def bmp_rows(bmp, width, height, bpp):
    """The pixel rows of a .bmp, top row first, without their fill bytes."""
    offset = struct.unpack_from("<I", bmp, 10)[0]
    row = (width * bpp + 7) // 8
    stride = (width * bpp + 31) // 32 * 4
    return [bmp[offset + (height - 1 - y) * stride:][:row] for y in range(height)]


def expected_rows(image_type, width, height, pixels):
    bpp = mbwrite.BPP[image_type]
    if bpp == 1:
        packed = mbwrite.pack_bits(pixels, width, height)
        row = (width + 7) // 8
        return [packed[y * row:(y + 1) * row] for y in range(height)]
    rows = []
    for y in range(height):
        line = pixels[y * width:(y + 1) * width]
        if bpp == 8:
            rows.append(bytes(line))
        elif bpp == 24:
            rows.append(bytes(b for r, g, b_ in line for b in (b_, g, r)))
        else:  # no pixel of the sample is transparent beyond what the blend below expects
            rows.append(bytes(b for p in line for b in blend32(p, (0xD4, 0xD0, 0xC8))))
    return rows


def blend32(p, background):
    t, rgb = p[0], p[1:]
    r, g, b = ((k * t + c * (255 - t)) // 255 for c, k in zip(rgb, background))
    return (b, g, r, 0)


# Every type and compression: info, then the .bmp built with the default options.
W, H = 13, 5
for image_type, compressions in mbwrite.COMPRESSIONS.items():
    pixels, palette = mbwrite.sample_picture(image_type, W, H)
    bpp = mbwrite.BPP[image_type]
    for c in compressions:
        name = f"type{image_type}-c{c}"
        path = write(name + ".mb", mbwrite.mb_file(image_type, c, W, H, pixels, palette))
        code, out, err = run("info", path)
        check(name + " info", (code, out), (0, (
            f"result 0 MbOk\nsize {W}x{H}\nbpp {bpp}\n"
            f"palette {'yes' if palette else 'no'}\n"
            f"colours {colours(image_type, pixels, palette)}\n")))
        bmp_path = os.path.join(WORK, name + ".bmp")
        code, out, err = run("bmp", path, bmp_path)
        check(name + " bmp exit", code, 0)
        bmp = open(bmp_path, "rb").read()
        entries = {1: 2, 8: 256}.get(bpp, 0)
        check(name + " file header", bmp[:14],
              b"BM" + struct.pack("<IHHI", len(bmp), 0, 0, 14 + 40 + 4 * entries))
        check(name + " info header", bmp[14:30], struct.pack("<IiiHH", 40, W, H, 1, bpp))
        check(name + " size", len(bmp),
              14 + 40 + 4 * entries + H * ((W * bpp + 31) // 32 * 4))
        check(name + " rows", bmp_rows(bmp, W, H, bpp), expected_rows(image_type, W, H, pixels))
        if image_type == 2:
            # Entry i is transparency 2i, red i, green 64, blue 255 - i, blended on D4D0C8.
            check(name + " table entry 3", bmp[54 + 12:54 + 16],
                  bytes(blend32((6, 3, 64, 252), (0xD4, 0xD0, 0xC8))))

# Options: background, premultiply, tint and cycle, each seen in the bytes they change.
one_bit = write("plain-1bit.mb", mbwrite.mb_file(1, 1, 2, 1, [0, 1]))
cycle = write("cycle.mb", mbwrite.mb_file(2, 1, 2, 1, [0, 1], [(0, 0, 0, 0), (0, 255, 0, 0)]))
deep = write("deep.mb", mbwrite.mb_file(5, 0, 1, 1, [(155, 200, 100, 50)]))
option_cases = [
    ("background", [one_bit, "--background", "102030"], 54, bytes([0xCF, 0xDF, 0xEF, 0,
                                                                    0x30, 0x20, 0x10, 0])),
    ("premultiply", [deep, "--premultiply"], 54, bytes([19, 39, 78, 100])),
    ("tint", [cycle, "--tint", "5"], 54, bytes([0, 5, 0, 0, 0, 5, 255, 0])),
    ("cycle 3", [cycle, "--cycle", "3"], 54, bytes([0, 0, 15, 0, 15, 0, 255, 0])),
]
for what, args, offset, want in option_cases:
    out_path = os.path.join(WORK, what.replace(" ", "-") + ".bmp")
    code, _, err = run("bmp", args[0], out_path, *args[1:])
    check(what + " exit", (code, err), (0, ""))
    if code == 0:
        check(what + " bytes", open(out_path, "rb").read()[offset:offset + len(want)], want)

# The remover's own banner, when the tree has it: 145 x 15, 35 colours, every byte needed.
banner = os.path.join(os.path.dirname(__file__), "..", "..", "resources", "banner.mb")
if os.path.exists(banner):
    check("banner", run("info", banner)[:2],
          (0, "result 0 MbOk\nsize 145x15\nbpp 8\npalette yes\ncolours 35\n"))
    cut_banner = write("banner-cut.mb", open(banner, "rb").read()[:-1])
    check("banner cut short", run("info", cut_banner)[:2], (1, "result 6 MbCorrupt\n"))

# Failures: exit 1 for data that does not load, 2 for bad arguments or unreadable files.
good = write("good.mb", mbwrite.mb_file(4, 1, 2, 2, [(1, 2, 3)] * 4))
cut = write("cut.mb", open(good, "rb").read()[:-1])
empty = write("empty.mb", b"")
missing = os.path.join(WORK, "missing.mb")
out_bmp = os.path.join(WORK, "out.bmp")
failure_cases = [
    (["info", cut], 1, "result 6 MbCorrupt\n"),
    (["info", empty], 1, "result 6 MbCorrupt\n"),
    (["info", write("bad-magic.mb", b"GIF89a")], 1, "result 1 MbBadMagic\n"),
    (["bmp", cut, out_bmp], 1, ""),
    (["info", missing], 2, ""),
    (["bmp", missing, out_bmp], 2, ""),
    (["bmp", good, os.path.join(WORK, "no-such-dir", "x.bmp")], 2, ""),
    ([], 2, ""),
    (["info"], 2, ""),
    (["show", good], 2, ""),
    (["bmp", good], 2, ""),
    (["bmp", good, out_bmp, "--background", "12345"], 2, ""),
    (["bmp", good, out_bmp, "--tint", "256"], 2, ""),
    (["bmp", good, out_bmp, "--tint"], 2, ""),
    (["bmp", good, out_bmp, "--cycle", "-1"], 2, ""),
    (["bmp", good, out_bmp, "--verbose"], 2, ""),
]
for args, want_code, want_out in failure_cases:
    code, out, err = run(*args)
    check(f"mbtool {' '.join(args)}", (code, out), (want_code, want_out))
    if code != 1 and not err.strip():
        failures.append(f"mbtool {' '.join(args)}: no message on standard error")

for f in failures:
    print("FAIL", f)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
