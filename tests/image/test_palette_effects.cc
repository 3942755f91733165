#include <gtest/gtest.h>

#include "image/image.h"
#include "tests/image/image_fixtures.h"

namespace {

struct RedBlue {
    uint8_t red, blue;
};

// Entries 0 to n - 1 hold the given red and blue (transparency i, green 64 + i) and are all
// used by the pixels; entry n repeats entry 0's colour but no pixel uses it.
void MakeCycleImage(Image& image, const std::vector<RedBlue>& entries) {
    Bytes palette, pixels;
    for (size_t i = 0; i < entries.size(); ++i) {
        const uint8_t n = static_cast<uint8_t>(i);
        palette.insert(palette.end(),
                       {n, entries[i].red, static_cast<uint8_t>(64 + n), entries[i].blue});
        pixels.push_back(n);
    }
    palette.insert(palette.end(), palette.begin(), palette.begin() + 4);
    SetImage(image, 8, static_cast<int32_t>(pixels.size()), 1, pixels, &palette);
}

TEST(PaletteCycleStep, MovesEachUsedEntryAlongTheCycle) {
    const std::vector<RedBlue> before = {{0, 0},     {255, 0}, {255, 255}, {0, 255}, {1, 1},
                                         {128, 128}, {0, 1},   {1, 255},   {254, 0}};
    const std::vector<RedBlue> after = {{5, 0},     {255, 5}, {250, 255}, {0, 250}, {1, 1},
                                        {128, 128}, {0, 252}, {252, 255}, {3, 0}};
    for (int32_t step : {5, 261, -251}) {
        Image image;
        MakeCycleImage(image, before);
        const Bytes old = PaletteBytes(image);
        ASSERT_EQ(image.PaletteCycleStep(step), PaletteCycled) << step;
        for (size_t i = 0; i < after.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "step " << step << ", entry " << i);
            EXPECT_EQ(image.palette[i].red, after[i].red);
            EXPECT_EQ(image.palette[i].blue, after[i].blue);
            EXPECT_EQ(image.palette[i].transparency, old[4 * i]);
            EXPECT_EQ(image.palette[i].green, old[4 * i + 2]);
        }
        const Bytes now = PaletteBytes(image);
        EXPECT_EQ(Bytes(now.begin() + 4 * after.size(), now.end()),
                  Bytes(old.begin() + 4 * after.size(), old.end()));
    }
}

TEST(PaletteCycleStep, RefusesStepsThatDoNotDivide255) {
    struct Case {
        int32_t step;
        int32_t result;
        uint8_t red;
    } cases[] = {{4, PaletteBadStep, 0},   {0, PaletteBadStep, 0},  {256, PaletteBadStep, 0},
                 {254, PaletteBadStep, 0}, {3, PaletteCycled, 3},   {255, PaletteCycled, 255},
                 {17, PaletteCycled, 17},  {-1, PaletteCycled, 255}};
    for (const Case& c : cases) {
        Image image;
        MakeCycleImage(image, {{0, 0}});
        EXPECT_EQ(image.PaletteCycleStep(c.step), c.result) << c.step;
        EXPECT_EQ(image.palette[0].red, c.red) << c.step;
    }
}

TEST(PaletteCycleStep, WithoutAPaletteReportsItForAnyStep) {
    Image image;
    SetImage(image, 8, 2, 1, {0, 1});
    EXPECT_EQ(image.PaletteCycleStep(5), PaletteMissing);
    EXPECT_EQ(image.PaletteCycleStep(4), PaletteMissing);
    Image empty;
    EXPECT_EQ(empty.PaletteCycleStep(0), PaletteMissing);
}

TEST(PaletteCycleStep, WholeCycleTakes204StepsOf5) {
    Image image;
    MakeCycleImage(image, {{0, 0}});
    const struct {
        int steps;
        RedBlue at;
    } marks[] = {{51, {255, 0}}, {102, {255, 255}}, {153, {0, 255}}, {204, {0, 0}}};
    int done = 0;
    for (const auto& mark : marks) {
        for (; done < mark.steps; ++done) {
            if (done > 0) {
                ASSERT_FALSE(image.palette[0].red == 0 && image.palette[0].blue == 0) << done;
            }
            image.PaletteCycleStep(5);
        }
        EXPECT_EQ(image.palette[0].red, mark.at.red) << done;
        EXPECT_EQ(image.palette[0].blue, mark.at.blue) << done;
    }
}

TEST(SetBannerTint, SetsGreenOfUsedEntriesOnly) {
    Image image;
    MakeCycleImage(image, {{1, 2}, {3, 4}, {5, 6}});
    const Bytes old = PaletteBytes(image);
    image.SetBannerTint(5);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(image.palette[i].green, 5) << i;
    EXPECT_EQ(image.palette[3].green, 64);
    EXPECT_EQ(image.palette[3].red, 1);
    for (int i = 0; i < 3; ++i) image.palette[i].green = static_cast<uint8_t>(64 + i);
    EXPECT_EQ(PaletteBytes(image), old);
}

TEST(PaletteEffects, ChangeNothingWhenNoColourIsCounted) {
    Image image;
    MakeCycleImage(image, {{0, 0}});
    image.width = 0;
    const Bytes old = PaletteBytes(image);
    EXPECT_EQ(image.PaletteCycleStep(5), PaletteCycled);
    image.SetBannerTint(5);
    EXPECT_EQ(PaletteBytes(image), old);

    Image noPalette;
    SetImage(noPalette, 8, 1, 1, {0});
    noPalette.SetBannerTint(5);  // must not touch a palette that is not there
    EXPECT_EQ(noPalette.palette, nullptr);
}

}  // namespace
