#include <gtest/gtest.h>

#include "tests/image/image_fixtures.h"

namespace {

// What callers see: the count, and the used palette entries, 0 to count - 1 whichever indices
// the pixels hold, which a tint marks. After a failed allocation (`successes` succeed first, the
// bucket table's above 8 bpp) the count is that of the values taken in until then.
TEST(ColourCensus, CountsDistinctValues) {
    Bytes distinct = Repeat(256, {0, 0, 64, 0});  // 256 entries, differing in transparency
    for (int i = 0; i < 256; ++i) distinct[4 * i] = static_cast<uint8_t>(i);  // pixels: every index
    const struct {
        const char* name;
        int32_t bpp, width, height;
        Bytes pixels, palette;  // palette: none when empty
        int32_t colours, successes = -1;
    } cases[] = {
        {"1 bpp palette: its two entries", 1, 8, 1, {0x00}, {1, 2, 3, 4, 1, 2, 3, 5}, 2},
        {"1 bpp palette, equal entries", 1, 8, 1, {0xFF}, {1, 2, 3, 4, 1, 2, 3, 4}, 1},
        {"1 bpp palette, first entry fails", 1, 8, 1, {0}, {1, 2, 3, 4, 5, 6, 7, 8}, 0, 0},
        // Without a palette: black, white or both, in real pixels only, never the fill bits.
        {"1 bpp both", 1, 16, 1, {0xFF, 0x00}, {}, 2},
        {"1 bpp clear", 1, 8, 1, {0x00}, {}, 1},
        {"1 bpp set, two rows", 1, 8, 2, {0xFF, 0xFF}, {}, 1},
        {"1 bpp set fill bits", 1, 3, 2, {0x1F, 0x1F}, {}, 1},
        {"1 bpp clear fill bits", 1, 9, 2, {0xFF, 0x80, 0xFF, 0x80}, {}, 1},
        {"1 bpp both, last row", 1, 9, 2, {0xFF, 0x80, 0xFF, 0x00}, {}, 2},
        {"1 bpp no columns", 1, 0, 2, {0}, {}, 0},
        {"8 bpp equal entries", 8, 4, 1, {0, 1, 2, 0}, {9, 8, 7, 6, 9, 8, 7, 6, 1, 2, 3, 4}, 2},
        {"8 bpp indices far apart", 8, 2, 1, {0, 200}, distinct, 2},
        {"8 bpp every entry", 8, 1024, 1, distinct, distinct, 256},
        {"8 bpp levels", 8, 3, 2, {0, 5, 5, 255, 0, 7}, {}, 4},
        {"8 bpp third node fails", 8, 5, 1, {0, 1, 0, 2, 3}, {}, 2, 2},
        {"8 bpp no pixels", 8, 4, 4, {}, distinct, 0},
        // Above 8 bpp all bytes count: 1 and 2 share a bucket, 3 is 1, 4 and 5 in the last, first.
        {"24 bpp", 24, 5, 1, {255, 0, 0, 0, 0, 255, 255, 0, 0, 0, 255, 255, 0, 0, 0}, {}, 4},
        {"24 bpp no rows", 24, 3, 0, {0}, {}, 0},
        {"24 bpp bucket table fails", 24, 2, 1, {1, 0, 0, 2, 0, 0}, {}, 0, 0},
        {"24 bpp third node fails", 24, 4, 1, {1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0}, {}, 2, 3},
        {"32 bpp", 32, 3, 1, {253, 1, 255, 1, 254, 1, 255, 1, 255, 1, 255, 1}, {}, 3},
        {"32 bpp no pixels", 32, 4, 4, {}, {}, 0},
        {"16 bpp", 16, 2, 1, {1, 2, 3, 4}, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image image;
        SetImage(image, c.bpp, c.width, c.height, c.pixels, c.palette);
        AllocationFailure failure(c.successes);
        EXPECT_EQ(image.ImageCountColours(), c.colours);
        if (c.successes >= 0) continue;
        Bytes want = PaletteBytes(image);  // none without a palette, which the tint must not touch
        for (int32_t i = 0; i < c.colours && !want.empty(); ++i) want[4 * i + 2] = 5;
        image.SetBannerTint(5);
        EXPECT_EQ(PaletteBytes(image), want);
    }
}

}  // namespace
