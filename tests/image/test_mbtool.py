"""mbtool on hand-made files: its arguments, exit codes, output and the .bmp file it writes (the
decoding is the library's units' business). usage: test_mbtool.py MBTOOL WORKDIR"""

import os
import resource
import shutil
import signal
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "mbtool"))
import mbwrite  # noqa: E402

MBTOOL, WORK = sys.argv[1], sys.argv[2]
shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)


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


# The options, each seen in the bytes it changes, and the file header in front of the block:
# its size and the offset of the rows behind the colour table.
one_bit = write("plain-1bit.mb", mbwrite.mb_file(1, 1, 2, 1, [0, 1]))
cycle = write("cycle.mb", mbwrite.mb_file(2, 1, 2, 1, [0, 1], [(0, 0, 0, 0), (0, 255, 0, 0)]))
deep = write("deep.mb", mbwrite.mb_file(5, 0, 1, 1, [(155, 200, 100, 50)]))
for args, size, offset, want in [
    ([one_bit, "--background", "102030"], 66, 62, b"\xCF\xDF\xEF\0\x30\x20\x10\0"),
    ([one_bit], 66, 62, b"\x37\x2F\x2B\0\xC8\xD0\xD4\0"),
    ([deep, "--premultiply"], 58, 54, bytes([19, 39, 78, 100])),
    ([cycle, "--tint", "5"], 1082, 1078, bytes([0, 5, 0, 0, 0, 5, 255, 0])),
    ([cycle, "--cycle", "3"], 1082, 1078, bytes([0, 0, 15, 0, 15, 0, 255, 0])),
]:
    out = args[0] + ".bmp"
    code, _, err = run("bmp", args[0], out, *args[1:])
    data = open(out, "rb").read()
    have = (code, err, data[:14], len(data), data[54:54 + len(want)])
    assert have == (0, "", b"BM" + struct.pack("<IHHI", size, 0, 0, offset), size, want), args

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
    assert (code, stdout, code != 2 or bool(err)) == (want_code, want_out, True), (args, stdout)

# A write that fails part way (good.mb's bitmap is 70 bytes) leaves an existing output as it
# was, makes none where there was none, and leaves no temporary file.
for name, before in [("kept.bmp", b"old bytes"), ("never.bmp", None)]:
    target = write(name, before) if before else os.path.join(WORK, name)
    listing = set(os.listdir(WORK))
    code = run("bmp", good, target, size_limit=60)[0]
    after = open(target, "rb").read() if os.path.exists(target) else None
    assert (code, after, set(os.listdir(WORK)) - listing) == (2, before, set()), name
