#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>

#include "image/image.h"
#include "tests/image/fake_alloc.h"
#include "tests/image/image_fixtures.h"

namespace {

struct FreeBlock {
    void operator()(uint8_t* p) const { free(p); }
};
using Block = std::unique_ptr<uint8_t, FreeBlock>;

uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return r | g << 8 | static_cast<uint32_t>(b) << 16;
}

const uint32_t kFace = Rgb(212, 208, 200);

Bytes At(const Block& block, size_t offset, size_t n) {
    return Bytes(block.get() + offset, block.get() + offset + n);
}

uint32_t Le32(const Block& block, size_t offset) {
    const uint8_t* p = block.get() + offset;
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

TEST(ImageToDib, BlendsPaletteEntriesIntoTheColourTable) {
    struct Case {
        const char* what;
        Bytes entry;
        uint32_t background;
        Bytes quad;
    } cases[] = {
        {"opaque keeps its colour", {0, 10, 20, 30}, kFace, {30, 20, 10, 0}},
        {"fully transparent is the background", {255, 10, 20, 30}, kFace, {200, 208, 212, 0}},
        {"128 black on white", {128, 0, 0, 0}, Rgb(255, 255, 255), {128, 128, 128, 0}},
        {"128 white on black", {128, 255, 255, 255}, 0, {127, 127, 127, 0}},
        {"64 green on the face colour", {64, 0, 64, 0}, kFace, {50, 100, 53, 0}},
        {"division truncates: 2/255 of 200 is 1", {2, 0, 0, 0}, Rgb(200, 200, 200), {1, 1, 1, 0}},
        {"top byte of the background is ignored",
         {255, 1, 2, 3},
         0xFF000000u | kFace,
         {200, 208, 212, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int32_t bpp : {1, 8}) {
            Image image;
            const Bytes palette = Cat({{0, 0, 0, 0}, c.entry});
            SetImage(image, bpp, 1, 1, {1}, &palette);
            Block block(ImageToDib(&image, c.background, false));
            ASSERT_TRUE(block);
            EXPECT_EQ(At(block, 44, 4), c.quad);
            EXPECT_EQ(PaletteBytes(image), Cat({palette, Bytes(bpp == 1 ? 0 : 1016)}));
        }
    }
}

TEST(ImageToDib, GeneratesLevelTablesWithoutAPalette) {
    Image bitmap;
    SetImage(bitmap, 1, 1, 1, {0x80});
    Block block(ImageToDib(&bitmap, kFace, false));
    ASSERT_TRUE(block);
    EXPECT_EQ(At(block, 40, 8), Bytes({55, 47, 43, 0, 200, 208, 212, 0}));

    Image levels;
    SetImage(levels, 8, 1, 1, {0});
    struct Case {
        uint32_t background;
        size_t entry;
        Bytes quad;
    } cases[] = {
        {0, 0, {255, 255, 255, 0}},          {0, 127, {128, 128, 128, 0}},
        {0, 128, {127, 127, 127, 0}},        {0, 255, {0, 0, 0, 0}},
        {0xFFFFFF, 0, {0, 0, 0, 0}},         {0xFFFFFF, 128, {128, 128, 128, 0}},
        {0xFFFFFF, 255, {255, 255, 255, 0}}, {kFace, 0, {55, 47, 43, 0}},
    };
    for (const Case& c : cases) {
        Block table(ImageToDib(&levels, c.background, false));
        ASSERT_TRUE(table);
        EXPECT_EQ(At(table, 40 + 4 * c.entry, 4), c.quad) << c.background << " " << c.entry;
    }
}

TEST(ImageToDib, LaysOutHeaderAndRowsBottomUp) {
    struct Case {
        int32_t bpp, width;
        size_t sourceRow, stride, bitsOffset;
    } cases[] = {
        {1, 1, 1, 4, 48},   {1, 9, 2, 4, 48},  {1, 33, 5, 8, 48}, {8, 145, 145, 148, 1064},
        {8, 4, 4, 4, 1064}, {24, 1, 3, 4, 40}, {24, 2, 6, 8, 40}, {32, 3, 12, 12, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bpp << " bpp, width " << c.width);
        const size_t rows = 3;
        Bytes pixels(c.sourceRow * rows);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i + 1);
        Image image;
        SetImage(image, c.bpp, c.width, static_cast<int32_t>(rows), pixels);
        ResetAllocationRecord();
        Block block(ImageToDib(&image, 0, false));
        ASSERT_TRUE(block);
        EXPECT_EQ(LargestAllocation(), c.bitsOffset + rows * c.stride);
        const Bytes header = Cat({{40, 0, 0, 0},
                                  {static_cast<uint8_t>(c.width), 0, 0, 0},
                                  {3, 0, 0, 0},
                                  {1, 0, static_cast<uint8_t>(c.bpp), 0},
                                  Bytes(24)});
        EXPECT_EQ(At(block, 0, 40), header);
        if (c.bpp > 8) continue;  // deeper rows are reordered; see the cases below
        for (size_t row = 0; row < rows; ++row) {
            const size_t from = (rows - 1 - row) * c.sourceRow;
            const Bytes expected =
                Cat({Bytes(pixels.begin() + from, pixels.begin() + from + c.sourceRow),
                     Bytes(c.stride - c.sourceRow)});
            EXPECT_EQ(At(block, c.bitsOffset + row * c.stride, c.stride), expected) << row;
        }
    }
}

TEST(ImageToDib, ReordersDeepPixels) {
    struct Case {
        const char* what;
        int32_t bpp, width, height;
        Bytes pixels;
        uint32_t background;
        bool premultiply;
        Bytes rows;
    } cases[] = {
        {"24 bpp swaps red and blue, bottom row first, zero fill",
         24,
         2,
         2,
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
         0,
         false,
         {9, 8, 7, 12, 11, 10, 0, 0, 3, 2, 1, 6, 5, 4, 0, 0}},
        {"32 bpp blends by transparency",
         32,
         3,
         1,
         {0, 10, 20, 30, 255, 1, 2, 3, 128, 0, 0, 0},
         Rgb(255, 255, 255),
         false,
         {30, 20, 10, 0, 255, 255, 255, 0, 128, 128, 128, 0}},
        {"32 bpp premultiplies, background unused",
         32,
         3,
         1,
         {0, 10, 20, 30, 255, 1, 2, 3, 155, 200, 100, 50},
         Rgb(255, 255, 255),
         true,
         {30, 20, 10, 255, 0, 0, 0, 0, 19, 39, 78, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Image image;
        SetImage(image, c.bpp, c.width, c.height, c.pixels);
        Block block(ImageToDib(&image, c.background, c.premultiply));
        ASSERT_TRUE(block);
        EXPECT_EQ(At(block, 40, c.rows.size()), c.rows);
        EXPECT_EQ(Bytes(image.pixels, image.pixels + c.pixels.size()), c.pixels);
    }
}

TEST(ImageToDib, HeightZeroGivesHeaderAndTableOnly) {
    for (int32_t bpp : {1, 8, 24, 32}) {
        Image image;
        SetImage(image, bpp, 5, 0, {});
        ResetAllocationRecord();
        Block block(ImageToDib(&image, kFace, false));
        ASSERT_TRUE(block) << bpp;
        EXPECT_EQ(LargestAllocation(), bpp == 1 ? 48u : bpp == 8 ? 1064u : 40u);
        EXPECT_EQ(Le32(block, 8), 0u);
    }
}

TEST(ImageToDib, RefusesWhatCannotBeBuilt) {
    struct Case {
        const char* what;
        int32_t bpp, width, height;
    } cases[] = {
        {"empty image", 0, 0, 0},
        {"16 bpp", 16, 1, 1},
        {"8 bpp 1 x 2^29: rows padded to 4 bytes need 2^31", 8, 1, 1 << 29},
        {"32 bpp 2^29 x 1", 32, 1 << 29, 1},
        {"24 bpp rows of 3 x 2^29", 24, 1 << 29, 2},
        {"1 bpp 2^31 - 1 rows of 1 pixel", 1, 1, INT32_MAX},
        {"8 bpp INT32_MAX square", 8, INT32_MAX, INT32_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Image image;
        SetImage(image, c.bpp, c.width, c.height, {0});
        ResetAllocationRecord();
        EXPECT_EQ(ImageToDib(&image, kFace, false), nullptr);
        EXPECT_EQ(AllocationCount(), 0);
    }
    Image image;
    SetImage(image, 8, 2, 2, {1, 2, 3, 4});
    AllocationFailure failure(0);
    EXPECT_EQ(ImageToDib(&image, kFace, false), nullptr);
}

TEST(QuadBytes, ReverseEachGroupAndBlendInPlace) {
    uint8_t groups[] = {1, 2, 3, 4, 5, 6, 7, 8};
    ReverseQuadBytes(groups, 0);
    ReverseQuadBytes(groups, -1);
    EXPECT_EQ(Bytes(groups, groups + 8), Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    ReverseQuadBytes(groups, 2);
    EXPECT_EQ(Bytes(groups, groups + 8), Bytes({4, 3, 2, 1, 8, 7, 6, 5}));

    uint8_t group[] = {64, 0, 64, 0};
    BlendWithBackground(group, kFace);
    EXPECT_EQ(Bytes(group, group + 4), Bytes({0, 53, 100, 50}));
}

}  // namespace
