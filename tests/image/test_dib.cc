#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <tuple>

#include "tests/image/image_fixtures.h"

namespace {

using Block = std::unique_ptr<uint8_t, decltype(&free)>;

// Backgrounds are COLORREFs, 0x00BBGGRR.
const uint32_t kFace = 0xC8D0D4, kWhite = 0xFFFFFF;

Bytes At(const Block& block, size_t offset, size_t n) {
    return Bytes(block.get() + offset, block.get() + offset + n);
}

TEST(ImageToDib, WritesTheColourTable) {
    // bpp, palette (none when empty), background, entry, the entry in the table.
    const std::tuple<int32_t, Bytes, uint32_t, size_t, Bytes> cases[] = {
        // Palette entries blended with the background; the divisions truncate.
        {8, {0, 10, 20, 30}, kFace, 0, {30, 20, 10, 0}},
        {8, {255, 10, 20, 30}, kFace, 0, {200, 208, 212, 0}},
        {1, {128, 0, 0, 0}, kWhite, 0, {128, 128, 128, 0}},
        {8, {128, 255, 255, 255}, 0, 0, {127, 127, 127, 0}},
        {8, {64, 0, 64, 0}, kFace, 0, {50, 100, 53, 0}},
        {1, {2, 0, 0, 0}, 0xC8C8C8, 0, {1, 1, 1, 0}},
        {1, {0, 0, 0, 0, 255, 1, 2, 3}, 0xFF000000u | kFace, 1, {200, 208, 212, 0}},
        {8, Cat({Bytes(1020), {64, 0, 64, 0}}), kFace, 255, {50, 100, 53, 0}},
        // Without one, levels from the complement of the background (0) to the background.
        {1, {}, kFace, 0, {55, 47, 43, 0}},
        {1, {}, kFace, 1, {200, 208, 212, 0}},
        {8, {}, 0, 127, {128, 128, 128, 0}},
        {8, {}, kWhite, 128, {128, 128, 128, 0}},
        {8, {}, kFace, 128, {127, 127, 127, 0}},
        {8, {}, kFace, 255, {200, 208, 212, 0}},
    };
    for (const auto& [bpp, palette, background, entry, quad] : cases) {
        SCOPED_TRACE(testing::Message() << bpp << " bpp, entry " << entry);
        Image image;
        SetImage(image, bpp, 1, 1, {0}, palette);
        const Bytes before = PaletteBytes(image);
        Block block(ImageToDib(&image, background, false), free);
        ASSERT_TRUE(block);
        EXPECT_EQ(At(block, 40 + 4 * entry, 4), quad);
        EXPECT_EQ(PaletteBytes(image), before);
    }
}

TEST(ImageToDib, LaysOutHeaderAndRowsBottomUp) {
    const std::tuple<int32_t, int32_t, int32_t, size_t, size_t, size_t> cases[] = {
        // bpp, width, height, source row, stride, offset of the rows
        {1, 1, 3, 1, 4, 48},    {1, 16, 3, 2, 4, 48},        {1, 33, 3, 5, 8, 48},
        {1, 5, 0, 1, 4, 48},    {8, 145, 3, 145, 148, 1064}, {8, 4, 3, 4, 4, 1064},
        {8, 5, 0, 5, 8, 1064},  {24, 1, 3, 3, 4, 40},        {24, 2, 3, 6, 8, 40},
        {32, 3, 3, 12, 12, 40}, {32, 5, 0, 20, 20, 40},
    };
    for (const auto& [bpp, width, height, sourceRow, stride, bitsOffset] : cases) {
        SCOPED_TRACE(testing::Message() << bpp << " bpp, " << width << " x " << height);
        const size_t rows = static_cast<size_t>(height);
        Bytes pixels(sourceRow * rows);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i + 1);
        Image image;
        SetImage(image, bpp, width, height, pixels);
        FakeAlloc::Reset();
        Block block(ImageToDib(&image, 0, false), free);
        ASSERT_TRUE(block);
        EXPECT_EQ(FakeAlloc::largest, bitsOffset + rows * stride);
        const uint8_t w = static_cast<uint8_t>(width), h = static_cast<uint8_t>(height);
        EXPECT_EQ(At(block, 0, 40),
                  Cat({{40, 0, 0, 0, w, 0, 0, 0, h, 0, 0, 0, 1, 0, static_cast<uint8_t>(bpp), 0},
                       Bytes(24)}));
        for (size_t row = 0; bpp <= 8 && row < rows; ++row) {  // deeper rows: see below
            const auto from = pixels.begin() + (rows - 1 - row) * sourceRow;
            EXPECT_EQ(At(block, bitsOffset + row * stride, stride),
                      Cat({Bytes(from, from + sourceRow), Bytes(stride - sourceRow)}));
        }
    }
}

TEST(ImageToDib, ReordersDeepPixels) {
    // bpp, one row of pixels, background, premultiply, the row in the block.
    const std::tuple<int32_t, Bytes, uint32_t, bool, Bytes> cases[] = {
        {24, {1, 2, 3, 4, 5, 6}, 0, false, {3, 2, 1, 6, 5, 4, 0, 0}},
        {32, {0, 10, 20, 30, 255, 1, 2, 3}, kFace, false, {30, 20, 10, 0, 200, 208, 212, 0}},
        {32, {128, 0, 0, 0, 64, 0, 64, 0}, kFace, false, {100, 104, 106, 0, 50, 100, 53, 0}},
        {32, {0, 10, 20, 30, 255, 1, 2, 3}, kFace, true, {30, 20, 10, 255, 0, 0, 0, 0}},
        {32, {155, 200, 100, 50}, kFace, true, {19, 39, 78, 100}},
    };
    for (const auto& [bpp, pixels, background, premultiply, row] : cases) {
        SCOPED_TRACE(testing::PrintToString(pixels));
        Image image;
        SetImage(image, bpp, static_cast<int32_t>(pixels.size() * 8 / bpp), 1, pixels);
        Block block(ImageToDib(&image, background, premultiply), free);
        ASSERT_TRUE(block);
        EXPECT_EQ(At(block, 40, row.size()), row);
        EXPECT_EQ(Bytes(image.pixels, image.pixels + pixels.size()), pixels);
    }
}

TEST(ImageToDib, RefusesWhatCannotBeBuilt) {
    // bpp, width, height: no depth, an unknown depth, and blocks of 2^31 bytes or more.
    const std::tuple<int32_t, int32_t, int32_t> cases[] = {
        {0, 0, 0},        {16, 1, 1},        {8, 1, 1 << 29},           {32, 1 << 29, 1},
        {24, 1 << 29, 2}, {1, 1, INT32_MAX}, {8, INT32_MAX, INT32_MAX},
    };
    for (const auto& [bpp, width, height] : cases) {
        Image image;
        SetImage(image, bpp, width, height, {0});
        FakeAlloc::Reset();
        EXPECT_EQ(ImageToDib(&image, kFace, false), nullptr) << bpp << " " << width;
        EXPECT_EQ(FakeAlloc::count, 0);
    }
    Image image;
    SetImage(image, 8, 2, 2, {1, 2, 3, 4});
    AllocationFailure failure(0);
    EXPECT_EQ(ImageToDib(&image, kFace, false), nullptr);
}

TEST(ReverseQuadBytes, ReversesEachGroup) {
    uint8_t groups[] = {1, 2, 3, 4, 5, 6, 7, 8};
    ReverseQuadBytes(groups, 0);
    ReverseQuadBytes(groups, -1);
    ReverseQuadBytes(groups, 2);
    EXPECT_EQ(Bytes(groups, groups + 8), Bytes({4, 3, 2, 1, 8, 7, 6, 5}));
}

}  // namespace
