"""Writes the fuzz seeds, the same bytes every run, to fuzz/corpus or the folder given: small MB
files of every image type and compression, the banner and a few special shapes. Rerun on change."""

from pathlib import Path
import sys

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tools" / "mbtool"))
import mbwrite  # noqa: E402


def seeds():
    yield "banner", (ROOT / "resources" / "banner.mb").read_bytes()
    for image_type, compressions in mbwrite.COMPRESSIONS.items():
        pixels, palette = mbwrite.sample_picture(image_type)
        for c in compressions:
            yield f"type{image_type}-c{c}", mbwrite.mb_file(image_type, c, 13, 5, pixels, palette)
    # Runs long enough for the longest packets of schemes 4 and 32-bit 2.
    yield "long-runs-c4", mbwrite.mb_file(2, 4, 300, 300, [1] * 70000 + [2] * 20000,
                                          [(0, 1, 2, 3), (9, 8, 7, 6), (255, 0, 0, 0)])
    yield "long-runs-32c2", mbwrite.mb_file(5, 2, 300, 300, [(255, 7, 1, 2)] * 70000 +
                                            [(255, 0, 1, 2)] + [(3, 4, 5, 6)] * 19999)
    yield "clear-run-overshoots", mbwrite.header(4, 1, 1, 1) + bytes([0x03, 0xFE])
    yield "width-0", mbwrite.header(0, 9, 4, 1)
    yield "height-0-palette", mbwrite.header(5, 0, 2, 2) + bytes([1, 0, 1, 2, 3, 4])


out = Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "fuzz" / "corpus")
out.mkdir(parents=True, exist_ok=True)
for name, data in seeds():
    (out / (name + ".mb")).write_bytes(data)
