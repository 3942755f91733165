"""Writes the fuzz seed corpus: small MB files of every image type and compression, plus a
few shapes the decoder treats specially. Deterministic; rerun after changing it:

    python3 fuzz/make_corpus.py fuzz/corpus
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools",
                                "mbtool"))
import mbwrite  # noqa: E402

BANNER_TRANSPARENCY = [0, 7, 12, 21, 29, 34, 42, 47, 59, 64, 72, 81, 85, 89, 96, 116, 124, 125,
                       137, 150, 156, 165, 166, 170, 174, 186, 201, 205, 224, 235, 238, 245, 247,
                       251, 255]


def seeds():
    for image_type, compressions in mbwrite.COMPRESSIONS.items():
        pixels, palette = mbwrite.sample_picture(image_type)
        for c in compressions:
            yield f"type{image_type}-c{c}", mbwrite.mb_file(image_type, c, 13, 5, pixels, palette)
    # A banner-sized picture: 145 x 15, scheme 3, 35 black entries at rising transparency.
    banner = [(x // 4 + y) % 35 for y in range(15) for x in range(145)]
    yield "banner", mbwrite.mb_file(2, 3, 145, 15, banner,
                                    [(t, 0, 0, 0) for t in BANNER_TRANSPARENCY])
    # Runs long enough for the longest packets of schemes 4 and 32-bit 2.
    yield "long-runs-c4", mbwrite.mb_file(2, 4, 300, 300, [1] * 70000 + [2] * 20000,
                                          [(0, 1, 2, 3), (9, 8, 7, 6), (255, 0, 0, 0)])
    yield "long-runs-32c2", mbwrite.mb_file(5, 2, 300, 300, [(255, 7, 1, 2)] * 70000 +
                                            [(255, 0, 1, 2)] + [(3, 4, 5, 6)] * 19999)
    yield "clear-run-overshoots", mbwrite.header(4, 1, 1, 1) + bytes([0x03, 0xFE])
    yield "width-0", mbwrite.header(0, 9, 4, 1)
    yield "height-0-palette", mbwrite.header(5, 0, 2, 2) + bytes([1, 0, 1, 2, 3, 4])


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus")
    os.makedirs(out, exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(out, name + ".mb"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
