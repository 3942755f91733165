#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>

#include "tests/image/image_fixtures.h"

namespace {

using Block = std::unique_ptr<uint8_t, decltype(&free)>;

Bytes At(const Block& block, size_t offset, size_t n) {
    return Bytes(block.get() + offset, block.get() + offset + n);
}

// Entry or pixel i of 256 has transparency t = 255 - i: blended, each channel becomes (k x t +
// colour x (255 - t)) / 255, k the background's; premultiplied, colour x (255 - t) / 255, then
// the opacity. Without a palette, level i is ((255 - k) x (255 - i) + k x i) / 255, 1 bpp
// taking levels 0 and 255. The bytes are the colour table's, or the first row's.
TEST(ImageToDib, BuildsTheColoursOfEveryDepth) {
    const uint32_t background = 0xFF000000u | 0x20D0D4;  // a COLORREF; its top byte is ignored
    Bytes groups, blended, premultiplied, levels, ends;
    for (uint32_t i = 0; i < 256; ++i) {
        const uint32_t t = 255 - i, colour[3] = {10, t, 255};
        groups.insert(groups.end(), {static_cast<uint8_t>(t), 255, static_cast<uint8_t>(t), 10});
        for (int c = 0; c < 3; ++c) {
            const uint32_t k = background >> (16 - 8 * c) & 0xFF;  // blue, green, red
            blended.push_back(static_cast<uint8_t>((k * t + colour[c] * (255 - t)) / 255));
            premultiplied.push_back(static_cast<uint8_t>(colour[c] * (255 - t) / 255));
            levels.push_back(static_cast<uint8_t>(((255 - k) * (255 - i) + k * i) / 255));
        }
        blended.push_back(0);
        premultiplied.push_back(static_cast<uint8_t>(255 - t));
        levels.push_back(0);
        if (i == 0 || i == 255) ends.insert(ends.end(), levels.end() - 4, levels.end());
    }
    Image indexed, deep, gray, bilevel;  // no rows but the 32 bpp one: the tables alone
    SetImage(indexed, 8, 256, 0, {}, groups);
    SetImage(deep, 32, 256, 1, groups);
    gray.bitsPerPixel = 8, bilevel.bitsPerPixel = 1;
    const struct {
        const char* name;
        const Image& image;
        bool premultiply;
        const Bytes& want;
    } cases[] = {{"palette", indexed, false, blended},
                 {"32 bpp", deep, false, blended},
                 {"premultiplied", deep, true, premultiplied},
                 {"8 bpp levels", gray, false, levels},
                 {"1 bpp levels", bilevel, false, ends}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Block block(ImageToDib(&c.image, background, c.premultiply), free);
        ASSERT_TRUE(block);
        EXPECT_EQ(At(block, 40, c.want.size()), c.want);
    }
    EXPECT_EQ(PaletteBytes(indexed), groups);  // the image itself is only read
    EXPECT_EQ(Bytes(deep.pixels, deep.pixels + 1024), groups);
}

// The header, then the rows bottom up, padded with zeros to the stride, 24 bpp pixels as blue,
// green, red (32 bpp ones: above); the last block, of 280 KB, needs every byte of the height.
TEST(ImageToDib, LaysOutHeaderAndRowsBottomUp) {
    const struct {
        int32_t bpp, width, height;
        size_t sourceRow, stride, bitsOffset;
    } cases[] = {
        {1, 16, 3, 2, 4, 48},  {1, 33, 3, 5, 8, 48},   {8, 145, 3, 145, 148, 1064},
        {8, 4, 3, 4, 4, 1064}, {8, 5, 0, 5, 8, 1064},  {8, 0, 3, 0, 0, 1064},
        {24, 2, 3, 6, 8, 40},  {32, 3, 3, 12, 12, 40}, {1, 9, 70000, 2, 4, 48},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bpp << " bpp, " << c.width << " x " << c.height);
        const size_t rows = static_cast<size_t>(c.height);
        Bytes pixels(c.sourceRow * rows), want(c.stride * rows);
        for (size_t i = 0; i < pixels.size(); ++i) {
            const size_t row = i / c.sourceRow, x = i % c.sourceRow;
            const size_t to = c.bpp == 24 ? x - x % 3 + 2 - x % 3 : x;  // red and blue swap places
            pixels[i] = want[(rows - 1 - row) * c.stride + to] = static_cast<uint8_t>(i * 7 + 1);
        }
        Image image;
        SetImage(image, c.bpp, c.width, c.height, pixels);
        FakeAlloc::Reset();
        Block block(ImageToDib(&image, 0, false), free);
        ASSERT_TRUE(block);
        EXPECT_EQ(FakeAlloc::largest, c.bitsOffset + want.size());
        EXPECT_EQ(At(block, 0, 40),
                  Cat({Le32(40), Le32(c.width), Le32(c.height), Le32(1 | c.bpp << 16), Bytes(24)}));
        if (c.bpp != 32) {
            EXPECT_EQ(At(block, c.bitsOffset, want.size()), want);
        }
    }
}

// No block, and the size of the refused allocation, 0 where none was asked for; the largest
// block is 2^31 - 4 bytes, as every block's size is a multiple of 4.
TEST(ImageToDib, RefusesWhatNoBlockCanHold) {
    const struct {
        int32_t bpp, width, height;
        bool pixels;
        size_t asked;
    } cases[] = {
        {0, 0, 0, true, 0},          {8, -1, 3, true, 0},
        {8, 1, -3, true, 0},         {8, 1, 1, false, 0},
        {8, 2, 2, true, 1072},       {32, 1, 536870901, true, 2147483644},
        {32, 1, 536870902, true, 0}, {32, INT32_MAX, INT32_MAX, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bpp << " bpp, " << c.width << " x " << c.height);
        Image image;
        SetImage(image, c.bpp, c.width, c.height, Bytes(c.pixels ? 1 : 0));
        AllocationFailure failure(0);
        EXPECT_EQ(ImageToDib(&image, 0, false), nullptr);
        EXPECT_EQ(FakeAlloc::largest, c.asked);
    }
}

}  // namespace
