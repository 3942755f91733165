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

// The colour table and the deep rows: bytes at an offset of the block.
TEST(ImageToDib, BlendsAndReordersColours) {
    const struct {
        int32_t bpp;
        uint32_t background;
        size_t offset;
        Bytes want, palette, pixels = {0};  // palette: none when empty
        bool premultiply = false;
    } cases[] = {
        // Palette entries blended with the background; the divisions truncate.
        {8, kFace, 40, {30, 20, 10, 0}, {0, 10, 20, 30}},
        {8, kFace, 40, {200, 208, 212, 0}, {255, 10, 20, 30}},
        {8, kWhite, 40, {1, 1, 1, 0}, {1, 0, 0, 0}},  // the least transparency still blends
        {1, kWhite, 40, {128, 128, 128, 0}, {128, 0, 0, 0}},
        {8, 0, 40, {127, 127, 127, 0}, {128, 255, 255, 255}},
        {8, kFace, 40, {50, 100, 53, 0}, {64, 0, 64, 0}},
        {1, 0xC8C8C8, 40, {1, 1, 1, 0}, {2, 0, 0, 0}},
        {1, 0xFF000000u | kFace, 44, {200, 208, 212, 0}, {0, 0, 0, 0, 255, 1, 2, 3}},
        {8, kFace, 1060, {50, 100, 53, 0}, Cat({Bytes(1020), {64, 0, 64, 0}})},
        // Without one, levels from the complement of the background (0) to the background.
        {1, kFace, 40, {55, 47, 43, 0, 200, 208, 212, 0}, {}},
        {8, 0, 548, {128, 128, 128, 0}, {}},
        {8, kWhite, 552, {128, 128, 128, 0}, {}},
        {8, kFace, 552, {127, 127, 127, 0}, {}},
        {8, kFace, 1060, {200, 208, 212, 0}, {}},
        // Deep pixels: blue, green, red, then 0 or, premultiplied, the opacity.
        {24, 0, 40, {3, 2, 1, 6, 5, 4, 0, 0}, {}, {1, 2, 3, 4, 5, 6}},
        {32, kFace, 40, {30, 20, 10, 0, 200, 208, 212, 0}, {}, {0, 10, 20, 30, 255, 1, 2, 3}},
        {32, kFace, 40, {100, 104, 106, 0, 50, 100, 53, 0}, {}, {128, 0, 0, 0, 64, 0, 64, 0}},
        {32, kFace, 40, {30, 20, 10, 255, 0, 0, 0, 0}, {}, {0, 10, 20, 30, 255, 1, 2, 3}, true},
        {32, kFace, 40, {19, 39, 78, 100}, {}, {155, 200, 100, 50}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bpp << " bpp, offset " << c.offset);
        Image image;
        SetImage(image, c.bpp, static_cast<int32_t>(c.pixels.size() * 8 / c.bpp), 1, c.pixels,
                 c.palette);
        const Bytes before = PaletteBytes(image);
        Block block(ImageToDib(&image, c.background, c.premultiply), free);
        ASSERT_TRUE(block);
        EXPECT_EQ(At(block, c.offset, c.want.size()), c.want);
        EXPECT_EQ(PaletteBytes(image), before);
        EXPECT_EQ(Bytes(image.pixels, image.pixels + c.pixels.size()), c.pixels);
    }
}

// A stride of 0 marks a refusal, with nothing allocated: no depth, an unknown depth, a
// negative width, and blocks of 2^31 bytes or more.
TEST(ImageToDib, LaysOutHeaderAndRowsBottomUp) {
    const std::tuple<int32_t, int32_t, int32_t, size_t, size_t, size_t> cases[] = {
        // bpp, width, height, source row, stride, offset of the rows
        {1, 1, 3, 1, 4, 48},       {1, 16, 3, 2, 4, 48},        {1, 33, 3, 5, 8, 48},
        {1, 5, 0, 1, 4, 48},       {8, 145, 3, 145, 148, 1064}, {8, 4, 3, 4, 4, 1064},
        {8, 5, 0, 5, 8, 1064},     {24, 1, 3, 3, 4, 40},        {24, 2, 3, 6, 8, 40},
        {32, 3, 3, 12, 12, 40},    {32, 5, 0, 20, 20, 40},      {0, 0, 0, 0, 0, 0},
        {16, 1, 1, 0, 0, 0},       {8, 1, 1 << 29, 0, 0, 0},    {32, 1 << 29, 1, 0, 0, 0},
        {24, 1 << 29, 2, 0, 0, 0}, {1, 1, INT32_MAX, 0, 0, 0},  {8, INT32_MAX, INT32_MAX, 0, 0, 0},
        {8, -1, 3, 0, 0, 0},
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
        EXPECT_EQ(FakeAlloc::largest, bitsOffset + rows * stride);
        if (stride == 0) {
            EXPECT_FALSE(block);
            continue;
        }
        ASSERT_TRUE(block);
        const uint8_t w = static_cast<uint8_t>(width), h = static_cast<uint8_t>(height);
        EXPECT_EQ(At(block, 0, 40),
                  Cat({{40, 0, 0, 0, w, 0, 0, 0, h, 0, 0, 0, 1, 0, static_cast<uint8_t>(bpp), 0},
                       Bytes(24)}));
        for (size_t row = 0; bpp <= 8 && row < rows; ++row) {  // deep rows: see above
            const auto from = pixels.begin() + (rows - 1 - row) * sourceRow;
            EXPECT_EQ(At(block, bitsOffset + row * stride, stride),
                      Cat({Bytes(from, from + sourceRow), Bytes(stride - sourceRow)}));
        }
    }
    Image image;
    SetImage(image, 8, 2, 2, {1, 2, 3, 4});
    AllocationFailure failure(0);
    EXPECT_EQ(ImageToDib(&image, kFace, false), nullptr);
}

}  // namespace
