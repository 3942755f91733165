"""mbtool on hand-made files: what info prints, the .bmp it writes, the exit codes.

usage: test_mbtool.py MBTOOL WORKDIR"""

import os
import resource
import signal
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


def run(*args, size_limit=None):
    """size_limit: the largest file the tool may write, as a full disk would stop it."""
    def limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)  # a write past it fails, not the tool
        resource.setrlimit(resource.RLIMIT_FSIZE, (size_limit, size_limit))
    p = subprocess.run([MBTOOL, *args], capture_output=True, text=True,
                       preexec_fn=limit if size_limit else None)
    return p.returncode, p.stdout, p.stderr


def write(name, data):
    with open(os.path.join(WORK, name), "wb") as f:
        f.write(data)
    return f.name


def bmp(path, *options):
    """mbtool bmp's exit status, standard error and the file it wrote."""
    code, _, err = run("bmp", path, path + ".bmp", *options)
    with open(path + ".bmp", "rb") as f:
        return code, err, f.read()


def blend(p, background=(0xD4, 0xD0, 0xC8)):
    """A (t, r, g, b) pixel or entry on the background, as the bitmap holds it."""
    r, g, b = ((k * p[0] + c * (255 - p[0])) // 255 for c, k in zip(p[1:], background))
    return bytes((b, g, r, 0))


# Every type and compression: info, then the .bmp made with the default options.
W, H = 13, 5
ROW = {1: lambda line: mbwrite.pack_bits(line, W, 1), 8: bytes,
       24: lambda line: bytes(c for r, g, b in line for c in (b, g, r)),
       32: lambda line: b"".join(map(blend, line))}
for image_type, compressions in mbwrite.COMPRESSIONS.items():
    pixels, palette = mbwrite.sample_picture(image_type, W, H)
    bpp = mbwrite.BPP[image_type]
    offset, stride = 54 + 4 * {1: 2, 8: 256}.get(bpp, 0), (W * bpp + 31) // 32 * 4
    used = palette[:2] if image_type == 0 else [palette[i] for i in pixels] if palette else pixels
    info = (f"result 0 MbOk\nsize {W}x{H}\nbpp {bpp}\npalette {'yes' if palette else 'no'}\n"
            f"colours {len(set(used))}\n")
    header = b"BM" + struct.pack("<IHHIIiiHH", offset + H * stride, 0, 0, offset, 40, W, H, 1, bpp)
    table = b"".join(map(blend, palette)) if palette else b""
    rows = b"".join(ROW[bpp](pixels[y * W:(y + 1) * W]).ljust(stride, b"\0")
                    for y in reversed(range(H)))
    for c in compressions:
        path = write(f"type{image_type}-c{c}.mb",
                     mbwrite.mb_file(image_type, c, W, H, pixels, palette))
        check(path + " info", run("info", path)[:2], (0, info))
        code, _, data = bmp(path)
        check(path + " bmp", (code, data[:30], data[54:54 + len(table)], data[offset:]),
              (0, header, table, rows))

# Options, each seen in the bytes it changes.
one_bit = write("plain-1bit.mb", mbwrite.mb_file(1, 1, 2, 1, [0, 1]))
cycle = write("cycle.mb", mbwrite.mb_file(2, 1, 2, 1, [0, 1], [(0, 0, 0, 0), (0, 255, 0, 0)]))
deep = write("deep.mb", mbwrite.mb_file(5, 0, 1, 1, [(155, 200, 100, 50)]))
for args, want in [
    ([one_bit, "--background", "102030"], bytes([0xCF, 0xDF, 0xEF, 0, 0x30, 0x20, 0x10, 0])),
    ([deep, "--premultiply"], bytes([19, 39, 78, 100])),
    ([cycle, "--tint", "5"], bytes([0, 5, 0, 0, 0, 5, 255, 0])),
    ([cycle, "--cycle", "3"], bytes([0, 0, 15, 0, 15, 0, 255, 0])),
]:
    code, err, data = bmp(*args)
    check(" ".join(args), (code, err, data[54:54 + len(want)]), (0, "", want))

# Exit 1 for data that does not load, 2 (with a message) for bad arguments and files that
# cannot be read or written. The remover's own banner, when the tree has it, needs every
# byte: 145 x 15, 35 colours.
good = mbwrite.mb_file(4, 1, 2, 2, [(1, 2, 3)] * 4)
cut, good = write("cut.mb", good[:-1]), write("good.mb", good)
out, missing = os.path.join(WORK, "out.bmp"), os.path.join(WORK, "missing.mb")
cases = [(["info", cut], 1, "result 6 MbCorrupt\n"), (["bmp", cut, out], 1, ""),
         (["info", write("empty.mb", b"")], 1, "result 6 MbCorrupt\n"),
         (["info", write("bad-magic.mb", b"GIF89a")], 1, "result 1 MbBadMagic\n")]
cases += [(args, 2, "") for args in [
    [], ["info"], ["show", good], ["bmp", good], ["info", missing], ["bmp", missing, out],
    ["bmp", good, os.path.join(WORK, "no-such-dir", "x.bmp")],
    *[["bmp", good, out, *options] for options in (["--background", "12345"], ["--tint", "256"],
                                                   ["--tint"], ["--cycle", "-1"], ["--verbose"])]]]
banner = os.path.join(os.path.dirname(__file__), "..", "..", "resources", "banner.mb")
if os.path.exists(banner):
    with open(banner, "rb") as f:
        cut_banner = write("banner-cut.mb", f.read()[:-1])
    cases += [(["info", banner], 0, "result 0 MbOk\nsize 145x15\nbpp 8\npalette yes\ncolours 35\n"),
              (["info", cut_banner], 1, "result 6 MbCorrupt\n")]
for args, want_code, want_out in cases:
    code, stdout, err = run(*args)
    check(" ".join(args), (code, stdout, code != 2 or bool(err)), (want_code, want_out, True))

# A write that fails part way (good.mb's bitmap is 70 bytes) leaves an existing output as it
# was, makes none where there was none, and leaves no temporary file.
for name, before in [("kept.bmp", b"old bytes"), ("never.bmp", None)]:
    target = os.path.join(WORK, name)
    if before:
        write(name, before)
    elif os.path.exists(target):
        os.remove(target)
    listing = set(os.listdir(WORK))
    code = run("bmp", good, target, size_limit=60)[0]
    after = open(target, "rb").read() if os.path.exists(target) else None
    check(f"bmp to {name} past a full disk", (code, after, set(os.listdir(WORK)) - listing),
          (2, before, set()))

for f in failures:
    print("FAIL", f)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
