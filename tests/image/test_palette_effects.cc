#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "tests/image/image_fixtures.h"

namespace {

using RedBlue = std::pair<uint8_t, uint8_t>;

// Entries 0 to n - 1 hold the given red and blue (transparency i, green 64) and are all used
// by the pixels; entry n sits at the start of the cycle, where a step would move it, but no
// pixel uses it.
void MakeCycleImage(Image& image, const std::vector<RedBlue>& entries) {
    Bytes palette, pixels;
    for (uint8_t i = 0; i < entries.size(); ++i) {
        palette.insert(palette.end(), {i, entries[i].first, 64, entries[i].second});
        pixels.push_back(i);
    }
    palette.insert(palette.end(), {0, 0, 64, 0});
    SetImage(image, 8, static_cast<int32_t>(pixels.size()), 1, pixels, palette);
}

// Corners, edges and points off the cycle; only the low byte of the step counts, and a step
// whose low byte is 0 or does not divide 255 moves nothing.
TEST(PaletteCycleStep, MovesEachUsedEntryAlongTheCycle) {
    const std::vector<RedBlue> ring = {{0, 0},     {255, 0}, {255, 255}, {0, 255}, {1, 1},
                                       {128, 128}, {0, 1},   {1, 255},   {254, 0}};
    const std::vector<RedBlue> moved = {{5, 0},     {255, 5}, {250, 255}, {0, 250}, {1, 1},
                                        {128, 128}, {0, 252}, {252, 255}, {3, 0}};
    const std::tuple<int32_t, int32_t, std::vector<RedBlue>, std::vector<RedBlue>> cases[] = {
        {5, PaletteCycled, ring, moved},           {261, PaletteCycled, ring, moved},
        {-251, PaletteCycled, ring, moved},        {3, PaletteCycled, {{0, 0}}, {{3, 0}}},
        {17, PaletteCycled, {{0, 0}}, {{17, 0}}},  {255, PaletteCycled, {{0, 0}}, {{255, 0}}},
        {-1, PaletteCycled, {{0, 0}}, {{255, 0}}}, {4, PaletteBadStep, ring, ring},
        {0, PaletteBadStep, ring, ring},           {256, PaletteBadStep, ring, ring},
        {254, PaletteBadStep, ring, ring},
    };
    for (const auto& [step, result, before, after] : cases) {
        Image image, want;
        MakeCycleImage(image, before);
        MakeCycleImage(want, after);
        EXPECT_EQ(image.PaletteCycleStep(step), result) << step;
        EXPECT_EQ(PaletteBytes(image), PaletteBytes(want)) << step;
    }
}

// Both effects touch the used entries only, and leave an image without a palette alone.
TEST(SetBannerTint, SetsGreenOfUsedEntriesOnly) {
    Image image, noPalette, empty;
    MakeCycleImage(image, {{1, 2}, {3, 4}, {5, 6}});
    Bytes want = PaletteBytes(image);
    want[2] = want[6] = want[10] = 5;
    image.SetBannerTint(5);
    EXPECT_EQ(PaletteBytes(image), want);
    SetImage(noPalette, 8, 1, 1, {0});
    noPalette.SetBannerTint(5);  // must not write through a null palette
    EXPECT_EQ(noPalette.palette, nullptr);
    EXPECT_EQ(noPalette.PaletteCycleStep(5), PaletteMissing);
    EXPECT_EQ(empty.PaletteCycleStep(0), PaletteMissing);
}

}  // namespace
