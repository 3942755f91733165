"""mbtool on hand-made files: its arguments, exit codes, output and the .bmp file it writes (the
decoding is the library's units' business). usage: test_mbtool.py MBTOOL WORKDIR"""

import os
from pathlib import Path
import resource
import shutil
import signal
import struct
import subprocess
import sys
import unittest

ROOT = Path(__file__).resolve().parent.parent.parent
sys.path.insert(0, str(ROOT / "tools" / "mbtool"))
from mbwrite import mb_file  # noqa: E402

MBTOOL, WORK = sys.argv[1], sys.argv[2]
BANNER = str(ROOT / "resources" / "banner.mb")


def run(*args, size_limit=None):
    """size_limit: the largest file the tool may write, as a full disk would stop it."""
    def limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)  # a write past it fails, not the tool
        resource.setrlimit(resource.RLIMIT_FSIZE, (size_limit, size_limit))
    p = subprocess.run([MBTOOL, *args], capture_output=True,
                       preexec_fn=limit if size_limit else None, timeout=60)
    return p.returncode, p.stdout, p.stderr


def write(name, data):
    Path(WORK, name).write_bytes(data)
    return os.path.join(WORK, name)


class MbTool(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        cls.good = write("good.mb", mb_file(4, 1, 2, 2, [(1, 2, 3)] * 4))
        cls.cut = write("banner-cut.mb", Path(BANNER).read_bytes()[:-1])
        assert run("bmp", cls.good, os.path.join(WORK, "good.bmp"))[0] == 0
        cls.bmp = Path(WORK, "good.bmp").read_bytes()  # what good.mb makes

    def test_options_show_in_the_bytes(self):
        """Each option seen in the bytes it changes, and the file header in front of the block:
        its size and the offset of the rows behind the colour table."""
        one_bit = write("plain-1bit.mb", mb_file(1, 1, 2, 1, [0, 1]))
        cycle = write("cycle.mb", mb_file(2, 1, 2, 1, [0, 1], [(0, 0, 0, 0), (0, 255, 0, 0)]))
        deep = write("deep.mb", mb_file(5, 0, 1, 1, [(155, 200, 100, 50)]))
        for name, args, size, offset, want in [
            ("background", [one_bit, "--background", "102030"], 66, 62,
             b"\xCF\xDF\xEF\0\x30\x20\x10\0"),
            ("default background", [one_bit], 66, 62, b"\x37\x2F\x2B\0\xC8\xD0\xD4\0"),
            ("premultiply", [deep, "--premultiply"], 58, 54, bytes([19, 39, 78, 100])),
            ("tint", [cycle, "--tint", "5"], 1082, 1078, bytes([0, 5, 0, 0, 0, 5, 255, 0])),
            ("cycle", [cycle, "--cycle", "3"], 1082, 1078, bytes([0, 0, 15, 0, 15, 0, 255, 0])),
        ]:
            with self.subTest(name):
                code, data, err = run("bmp", args[0], "/dev/stdout", *args[1:])
                self.assertEqual((code, err, data[:14], len(data), data[54:54 + len(want)]),
                                 (0, b"", struct.pack("<2sI4xI", b"BM", size, offset), size, want))

    def test_exit_codes(self):
        """1 for data that does not load, 2 (with a message) for bad arguments and files that
        cannot be read or written. The banner needs every byte: 145 x 15, 35 colours."""
        out, missing = os.path.join(WORK, "out.bmp"), os.path.join(WORK, "missing.mb")
        cases = [("banner", ["info", BANNER], 0,
                  b"result 0 MbOk\nsize 145x15\nbpp 8\npalette yes\ncolours 35\n"),
                 ("info, cut short", ["info", self.cut], 1, b"result 6 MbCorrupt\n"),
                 ("bmp, cut short", ["bmp", self.cut, out], 1, b""),
                 ("empty", ["info", write("empty.mb", b"")], 1, b"result 6 MbCorrupt\n"),
                 ("bad magic", ["info", write("gif.mb", b"GIF89a")], 1, b"result 1 MbBadMagic\n")]
        cases += [(" ".join(args[:1] + args[3:]) or "none", args, 2, b"") for args in [
            [], ["info"], ["show", self.good], ["bmp", self.good], ["info", missing],
            ["bmp", missing, out], ["bmp", self.good, os.path.join(WORK, "no-such-dir", "x.bmp")],
            ["bmp", self.good, "/dev/fd/999"],
            *[["bmp", self.good, out, *options]
              for options in (["--background", "12345"], ["--tint", "256"], ["--tint"],
                              ["--cycle", "-1"], ["--verbose"])]]]
        for name, args, want_code, want_out in cases:
            with self.subTest(name):
                code, stdout, err = run(*args)
                self.assertEqual((code, stdout, code != 2 or bool(err)), (want_code, want_out, True))

    def test_failed_write_leaves_out_as_it_was(self):
        """A write that fails part way (good.mb's bitmap is 70 bytes) leaves an existing output
        as it was, makes none where there was none, and leaves no temporary file."""
        for name, before in [("kept.bmp", b"old bytes"), ("never.bmp", None)]:
            with self.subTest(name):
                target = write(name, before) if before else os.path.join(WORK, name)
                listing = set(os.listdir(WORK))
                code = run("bmp", self.good, target, size_limit=60)[0]
                after = Path(target).read_bytes() if os.path.exists(target) else None
                self.assertEqual((code, after, set(os.listdir(WORK)) - listing), (2, before, set()))

    def test_plain_out_is_replaced(self):
        """A plain file is replaced whole, even one the tool holds open, with its mode and owner
        (run by root, another account's); through a link, the file behind it, the link kept."""
        uid = 4321 if os.geteuid() == 0 else os.geteuid()
        for name, held, mode, link in [("held", '3<>"$1"', 0o644, False),
                                       ("input", '<"$1"', 0o644, False),
                                       ("owner", "", 0o600, False), ("link", "", 0o640, True)]:
            with self.subTest(name):
                out = behind = write(name + ".bmp", b"x" * 10000)
                os.chmod(behind, mode)
                os.chown(behind, uid, uid)
                if link:
                    os.symlink(behind, out := behind + ".link")
                code = subprocess.run(["sh", "-c", '"$0" bmp "$2" "$1" ' + held, MBTOOL, out,
                                       self.good], timeout=60).returncode
                info = os.stat(behind)
                self.assertEqual((code, Path(behind).read_bytes(), info.st_mode & 0o777,
                                  info.st_uid, os.path.islink(out)), (0, self.bmp, mode, uid, link))

    def test_out_that_is_no_plain_file_stays(self):
        """A pipe is written into; standard output or error by any name is written where it
        stands, so an append stays an append."""
        pipe = os.path.join(WORK, "pipe.bmp")
        os.mkfifo(pipe)
        # Opened for reading first, so that neither end waits; the bitmap fits the pipe's buffer.
        with os.fdopen(os.open(pipe, os.O_RDONLY | os.O_NONBLOCK), "rb") as reader:
            code = run("bmp", self.good, pipe)[0]
            self.assertEqual((code, reader.read(), Path(pipe).is_fifo()), (0, self.bmp, True))

        for out in ["/dev/stdout", "/dev/fd/1", "/dev//stdout", "/proc/self/fd/1", "/dev/stderr"]:
            with self.subTest(out):
                log = write("log", b"old\n")
                with open(log, "ab") as both:
                    self.assertEqual(subprocess.run([MBTOOL, "bmp", self.good, out], stdout=both,
                                                    stderr=both, timeout=60).returncode, 0)
                self.assertEqual(Path(log).read_bytes(), b"old\n" + self.bmp)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=1)
