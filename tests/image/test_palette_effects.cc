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

// Corners, edges and points off the cycle; only the low byte of the step counts.
TEST(PaletteCycleStep, MovesEachUsedEntryAlongTheCycle) {
    const std::vector<RedBlue> before = {{0, 0},     {255, 0}, {255, 255}, {0, 255}, {1, 1},
                                         {128, 128}, {0, 1},   {1, 255},   {254, 0}};
    const std::vector<RedBlue> after = {{5, 0},     {255, 5}, {250, 255}, {0, 250}, {1, 1},
                                        {128, 128}, {0, 252}, {252, 255}, {3, 0}};
    for (int32_t step : {5, 261, -251}) {
        Image image, want;
        MakeCycleImage(image, before);
        MakeCycleImage(want, after);
        ASSERT_EQ(image.PaletteCycleStep(step), PaletteCycled) << step;
        EXPECT_EQ(PaletteBytes(image), PaletteBytes(want)) << step;
    }
}

TEST(PaletteCycleStep, RefusesStepsThatDoNotDivide255AndAMissingPalette) {
    const std::tuple<int32_t, int32_t, uint8_t> cases[] = {
        // step, result, red after it
        {4, PaletteBadStep, 0},   {0, PaletteBadStep, 0},   {256, PaletteBadStep, 0},
        {254, PaletteBadStep, 0}, {3, PaletteCycled, 3},    {255, PaletteCycled, 255},
        {17, PaletteCycled, 17},  {-1, PaletteCycled, 255},
    };
    for (const auto& [step, result, red] : cases) {
        Image image;
        MakeCycleImage(image, {{0, 0}});
        EXPECT_EQ(image.PaletteCycleStep(step), result) << step;
        EXPECT_EQ(image.palette[0].red, red) << step;
    }
    Image noPalette, empty;
    SetImage(noPalette, 8, 2, 1, {0, 1});
    EXPECT_EQ(noPalette.PaletteCycleStep(5), PaletteMissing);
    EXPECT_EQ(empty.PaletteCycleStep(0), PaletteMissing);
}

TEST(PaletteCycleStep, ComesBackAfter204StepsOf5) {
    Image image;
    MakeCycleImage(image, {{0, 0}});
    int steps = 0;
    do {
        ASSERT_EQ(image.PaletteCycleStep(5), PaletteCycled);
    } while (++steps < 1000 && (image.palette[0].red != 0 || image.palette[0].blue != 0));
    EXPECT_EQ(steps, 204);
}

TEST(SetBannerTint, SetsGreenOfUsedEntriesOnly) {
    Image image, noPalette;
    MakeCycleImage(image, {{1, 2}, {3, 4}, {5, 6}});
    Bytes want = PaletteBytes(image);
    want[2] = want[6] = want[10] = 5;
    image.SetBannerTint(5);
    EXPECT_EQ(PaletteBytes(image), want);
    SetImage(noPalette, 8, 1, 1, {0});
    noPalette.SetBannerTint(5);  // must not write through a null palette
    EXPECT_EQ(noPalette.palette, nullptr);
}

}  // namespace
