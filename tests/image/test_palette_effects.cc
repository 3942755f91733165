#include <gtest/gtest.h>

#include "tests/image/image_fixtures.h"

namespace {

// Entries 0 to n - 1 hold the given red and blue pairs (transparency i, green 64), each used by
// a pixel; entry n, unused, sits at the start of the cycle, where a step would move it.
void MakeCycleImage(Image& image, const Bytes& redBlue) {
    Bytes palette, pixels;
    for (uint8_t i = 0; i < redBlue.size() / 2; ++i) {
        palette.insert(palette.end(), {i, redBlue[2 * i], 64, redBlue[2 * i + 1]});
        pixels.push_back(i);
    }
    palette.insert(palette.end(), {0, 0, 64, 0});
    SetImage(image, 8, static_cast<int32_t>(pixels.size()), 1, pixels, palette);
}

// Corners, edges and points off the cycle; only the low byte of the step counts, and a step
// whose low byte is 0 or does not divide 255 moves nothing.
TEST(PaletteCycleStep, MovesEachUsedEntryAlongTheCycle) {
    const Bytes ring = {0, 0, 255, 0, 255, 255, 0, 255, 1, 1, 128, 128, 0, 1, 1, 255, 254, 0};
    const Bytes moved = {5, 0, 255, 5, 250, 255, 0, 250, 1, 1, 128, 128, 0, 252, 252, 255, 3, 0};
    const struct {
        int32_t step, result;
        Bytes before, after;
    } cases[] = {
        {5, PaletteCycled, ring, moved},    {261, PaletteCycled, ring, moved},
        {1, PaletteCycled, {0, 0}, {1, 0}}, {3, PaletteCycled, {0, 0}, {3, 0}},
        {4, PaletteBadStep, ring, ring},    {0, PaletteBadStep, ring, ring},
        {256, PaletteBadStep, ring, ring},  {254, PaletteBadStep, ring, ring},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "step " << c.step);
        Image image, want;
        MakeCycleImage(image, c.before);
        MakeCycleImage(want, c.after);
        EXPECT_EQ(image.PaletteCycleStep(c.step), c.result);
        EXPECT_EQ(PaletteBytes(image), PaletteBytes(want));
    }
    Image noPalette;
    EXPECT_EQ(noPalette.PaletteCycleStep(4), PaletteMissing);  // before the step is looked at
}

}  // namespace
