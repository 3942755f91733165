#include <gtest/gtest.h>

#include <memory>

#include "image/image.h"
#include "tests/image/fake_alloc.h"
#include "tests/image/image_fixtures.h"

namespace {

struct Decoded {
    const char* what;
    Bytes data;
    int32_t width, height, bpp;
    Bytes palette;  // all the palette bytes, or empty when there is none
    Bytes pixels;
};

const Bytes kPal1 = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};

Bytes Ramp(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7);
    return b;
}

Bytes PaddedPalette(const Bytes& entries) {
    Bytes all = entries;
    all.resize(1024);
    return all;
}

// One well-formed picture for every image type, compression and packet kind.
std::vector<Decoded> ValidPictures() {
    const Bytes entries2 = {1, 2, 3, 4, 5, 6, 7, 8};
    return {
        {"1 bpp type 0 raw keeps the palette and the stored fill bits",
         Mb(10, 2, 0, 0, Cat({kPal1, {0xAB, 0xFF, 0x12, 0x3F}})),
         10,
         2,
         1,
         kPal1,
         {0xAB, 0xFF, 0x12, 0x3F}},
        {"1 bpp type 0 runs: clear 3, set 6, set 10 across the row end, clear 1",
         Mb(10, 2, 0, 1, Cat({kPal1, {0x04, 0x0B, 0x13, 0x00}})),
         10,
         2,
         1,
         kPal1,
         {0x1F, 0xC0, 0xFF, 0x80}},
        {"1 bpp type 1 raw", Mb(3, 2, 1, 0, {0xE0, 0x5F}), 3, 2, 1, {}, {0xE0, 0x5F}},
        {"1 bpp type 1 runs: 10 set, 1 set, 9 clear",
         Mb(10, 2, 1, 1, {0x13, 0x01, 0x10}),
         10,
         2,
         1,
         {},
         {0xFF, 0xC0, 0x80, 0x00}},
        {"1 bpp clear run past the last pixel ends the picture",
         Mb(4, 1, 1, 1, {0x03, 0xFE}),
         4,
         1,
         1,
         {},
         {0xC0}},
        {"8 bpp type 2 raw",
         Mb(2, 2, 2, 0, Cat({Ramp(1024), {0, 1, 2, 255}})),
         2,
         2,
         8,
         Ramp(1024),
         {0, 1, 2, 255}},
        {"8 bpp scheme 1: 3 and 4 pixels",
         Mb(7, 1, 2, 1, Cat({{2, 0}, entries2, {0x02, 0x01, 0x03, 0x00}})),
         7,
         1,
         8,
         PaddedPalette(entries2),
         {1, 1, 1, 0, 0, 0, 0}},
        {"8 bpp count 256 fills the whole palette",
         Mb(1, 1, 2, 1, Cat({{0x00, 0x01}, Ramp(1024), {0x00, 0x05}})),
         1,
         1,
         8,
         Ramp(1024),
         {5}},
        {"8 bpp scheme 2: FE is a pixel, FF 00 v gives 4, escape value inside a run",
         Mb(11, 1, 2, 2,
            Cat({{1, 0}, {9, 9, 9, 9}, {0x07, 0xFE, 0xFF, 0x00, 0xFF, 0xFF, 0x01, 0x09}})),
         11, 1, 8, PaddedPalette({9, 9, 9, 9}), Cat({{7, 0xFE}, Repeat(4, {255}), Repeat(5, {9})})},
        {"8 bpp scheme 3: 7F is one pixel, 80 v gives 3, FF v gives 130",
         Mb(134, 1, 2, 3, Cat({{1, 0}, {9, 9, 9, 9}, {0x7F, 0x80, 0x05, 0xFF, 0x09}})), 134, 1, 8,
         PaddedPalette({9, 9, 9, 9}), Cat({{0x7F}, Repeat(3, {5}), Repeat(130, {9})})},
        {"8 bpp scheme 4: a pixel, FF 00 v gives 4, FE m v gives m + 260",
         Mb(263, 2, 2, 4,
            Cat({{1, 0},
                 {9, 9, 9, 9},
                 {0xFD, 0xFF, 0x00, 0xFE, 0xFE, 0x00, 0x00, 0x07, 0xFE, 0x01, 0x00, 0x08}})),
         263, 2, 8, PaddedPalette({9, 9, 9, 9}),
         Cat({{0xFD}, Repeat(4, {0xFE}), Repeat(260, {7}), Repeat(261, {8})})},
        {"8 bpp type 3 raw takes its pixels from offset 1036",
         Mb(2, 1, 3, 0, Cat({Repeat(1024, {0xEE}), {0x10, 0x20}})),
         2,
         1,
         8,
         {},
         {0x10, 0x20}},
        {"8 bpp type 3 scheme 1",
         Mb(3, 1, 3, 1, {0x01, 0x80, 0x00, 0x7F}),
         3,
         1,
         8,
         {},
         {0x80, 0x80, 0x7F}},
        {"24 bpp raw", Mb(1, 2, 4, 0, {1, 2, 3, 4, 5, 6}), 1, 2, 24, {}, {1, 2, 3, 4, 5, 6}},
        {"24 bpp runs",
         Mb(3, 1, 4, 1, {0x01, 0x0A, 0x0B, 0x0C, 0x00, 0x01, 0x02, 0x03}),
         3,
         1,
         24,
         {},
         {0x0A, 0x0B, 0x0C, 0x0A, 0x0B, 0x0C, 0x01, 0x02, 0x03}},
        {"32 bpp raw", Mb(1, 1, 5, 0, {1, 2, 3, 4}), 1, 1, 32, {}, {1, 2, 3, 4}},
        {"32 bpp scheme 1",
         Mb(3, 1, 5, 1, {0x02, 1, 2, 3, 4}),
         3,
         1,
         32,
         {},
         Repeat(3, {1, 2, 3, 4})},
        {"32 bpp scheme 2: FE group, FF 00 group, FF 02 short run, FF 01 long run",
         Mb(260, 1, 5, 2, {0xFE, 1,    2,    3,    0xFF, 0x00, 0x12, 0x34, 0xFF, 0x02, 0x0A,
                           0x0B, 0x0C, 0x0D, 0xFF, 0x01, 0x00, 0x00, 0xAA, 0xBB, 0xCC, 0xDD}),
         260,
         1,
         32,
         {},
         Cat({{0xFE, 1, 2, 3, 0xFF, 0x00, 0x12, 0x34},
              Repeat(2, {0x0A, 0x0B, 0x0C, 0x0D}),
              Repeat(256, {0xAA, 0xBB, 0xCC, 0xDD})})},
        {"width 0 reads no packet", Mb(0, 5, 4, 1, {}), 0, 5, 24, {}, {}},
        {"height 0 still reads the palette part",
         Mb(5, 0, 2, 3, {1, 0, 1, 2, 3, 4}),
         5,
         0,
         8,
         PaddedPalette({1, 2, 3, 4}),
         {}},
    };
}

void ExpectEmpty(const Image& image) {
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_EQ(image.bitsPerPixel, 0);
    EXPECT_EQ(image.palette, nullptr);
    EXPECT_EQ(image.pixels, nullptr);
}

void Load(Image& image, const Bytes& data) {
    ASSERT_EQ(image.ImageLoadMb(data.data(), data.size()), MbOk);
}

TEST(MbDecode, DecodesEveryTypeAndScheme) {
    for (const Decoded& c : ValidPictures()) {
        SCOPED_TRACE(c.what);
        // Bytes after the last packet are never read.
        for (const Bytes& data : {c.data, Cat({c.data, {0x4D, 0x42, 0xFF}})}) {
            Image image;
            ASSERT_EQ(image.ImageLoadMb(data.data(), data.size()), MbOk);
            EXPECT_EQ(image.width, c.width);
            EXPECT_EQ(image.height, c.height);
            EXPECT_EQ(image.bitsPerPixel, c.bpp);
            EXPECT_EQ(PaletteBytes(image), c.palette);
            ASSERT_NE(image.pixels, nullptr);
            EXPECT_EQ(Bytes(image.pixels, image.pixels + c.pixels.size()), c.pixels);
        }
    }
}

TEST(MbDecode, TruncatedAtEveryOffsetIsCorruptAndEmpty) {
    const Bytes before = Mb(1, 1, 4, 0, {1, 2, 3});
    for (const Decoded& c : ValidPictures()) {
        SCOPED_TRACE(c.what);
        for (size_t size = 0; size < c.data.size(); ++size) {
            std::unique_ptr<uint8_t[]> cut(ExactCopy(c.data, size));
            Image image;
            Load(image, before);
            ASSERT_EQ(image.ImageLoadMb(cut.get(), size), MbCorrupt) << "size " << size;
            ExpectEmpty(image);
        }
    }
}

TEST(MbDecode, FailuresGiveTheirResultAndState) {
    const Bytes entry = {1, 0, 9, 9, 9, 9};
    Bytes notMb = Mb(1, 1, 4, 0, {1, 2, 3});
    notMb[1] = 'C';
    struct Case {
        const char* what;
        Bytes data;
        int result;
    } cases[] = {
        {"MC is not MB", notMb, MbBadMagic},
        {"one byte that is not M", {'X'}, MbBadMagic},
        {"width -1", Mb(-1, 1, 4, 0, {1, 2, 3}), MbBadSize},
        {"height negative", Mb(1, INT32_MIN, 4, 0, {1, 2, 3}), MbBadSize},
        {"image type 6", Mb(1, 1, 6, 0, {1, 2, 3}), MbBadType},
        {"compression 2, type 0", Mb(1, 1, 0, 2, Bytes(9)), MbBadCompression},
        {"compression 2, type 1", Mb(1, 1, 1, 2, Bytes(1)), MbBadCompression},
        {"compression 2, type 3", Mb(1, 1, 3, 2, Bytes(1025)), MbBadCompression},
        {"compression 2, type 4", Mb(1, 1, 4, 2, Bytes(3)), MbBadCompression},
        {"compression 5, type 2", Mb(1, 1, 2, 5, Bytes(1025)), MbBadCompression},
        {"compression 3, type 5", Mb(1, 1, 5, 3, Bytes(4)), MbBadCompression},
        {"palette count 0", Mb(1, 1, 2, 1, {0, 0, 0, 1}), MbCorrupt},
        {"palette count 257", Mb(1, 1, 2, 4, Cat({{1, 1}, Bytes(1028), {5}})), MbCorrupt},
        {"1 bpp set run past the last pixel", Mb(4, 1, 1, 1, {0x09}), MbCorrupt},
        {"scheme 1 run of 6 with 5 pixels left", Mb(5, 1, 2, 1, Cat({entry, {5, 0}})), MbCorrupt},
        {"scheme 2 run of 4 with 3 left", Mb(3, 1, 2, 2, Cat({entry, {0xFF, 0, 1}})), MbCorrupt},
        {"scheme 3 run of 3 with 2 left", Mb(2, 1, 2, 3, Cat({entry, {0x80, 1}})), MbCorrupt},
        {"scheme 4 run of 260 with 259 left", Mb(259, 1, 2, 4, Cat({entry, {0xFE, 0, 0, 1}})),
         MbCorrupt},
        {"24 bpp run of 2 with 1 left", Mb(1, 1, 4, 1, {1, 7, 7, 7}), MbCorrupt},
        {"32 bpp scheme 1 run of 2 with 1 left", Mb(1, 1, 5, 1, {1, 7, 7, 7, 7}), MbCorrupt},
        {"32 bpp scheme 2 short run past the end", Mb(1, 1, 5, 2, {0xFF, 2, 7, 7, 7, 7}),
         MbCorrupt},
        {"32 bpp scheme 2 long run past the end", Mb(255, 1, 5, 2, {0xFF, 1, 0, 0, 7, 7, 7, 7}),
         MbCorrupt},
        // Blocks bigger than signed 32 bits cannot exist; nothing is allocated for them.
        {"1 bpp 65536 x 32768 pixels", Mb(65536, 32768, 1, 0, {}), MbNoMemory},
        {"8 bpp 65536 x 32768", Mb(65536, 32768, 3, 1, {}), MbNoMemory},
        {"24 bpp 3 x w x h over 2^31", Mb(26755, 26755, 4, 0, {}), MbNoMemory},
        {"32 bpp 4 x w x h over 2^31", Mb(23171, 23171, 5, 2, {}), MbNoMemory},
        {"24 bpp INT32_MAX square", Mb(INT32_MAX, INT32_MAX, 4, 1, {}), MbNoMemory},
        {"32 bpp INT32_MAX square", Mb(INT32_MAX, INT32_MAX, 5, 0, {}), MbNoMemory},
        // A few bytes that claim a huge picture are refused before allocating it.
        {"8 bpp 40000 x 40000 raw from 1 KB", Mb(40000, 40000, 3, 0, Bytes(1030)), MbCorrupt},
        {"8 bpp 40000 x 40000 in scheme 4 from 8 bytes",
         Mb(40000, 40000, 2, 4, Cat({entry, {0xFE, 0xFF, 0xFF, 1}})), MbCorrupt},
        {"32 bpp 20000 x 20000 in scheme 2 from 8 bytes",
         Mb(20000, 20000, 5, 2, {0xFF, 1, 0xFF, 0xFF, 1, 2, 3, 4}), MbCorrupt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Image image;
        Load(image, Mb(1, 1, 2, 0, Bytes(1025, 3)));
        PaletteEntry* palette = image.palette;
        uint8_t* pixels = image.pixels;
        ResetAllocationRecord();
        ASSERT_EQ(image.ImageLoadMb(c.data.data(), c.data.size()), c.result);
        EXPECT_LE(LargestAllocation(), 4096u);
        if (c.result == MbBadMagic) {
            EXPECT_EQ(image.width, 1);
            EXPECT_EQ(image.bitsPerPixel, 8);
            EXPECT_EQ(image.palette, palette);
            EXPECT_EQ(image.pixels, pixels);
        } else {
            ExpectEmpty(image);
        }
    }
}

TEST(MbDecode, NullDataLeavesALoadedImageLoaded) {
    Image image;
    Load(image, Mb(1, 1, 4, 0, {1, 2, 3}));
    EXPECT_EQ(image.ImageLoadMb(nullptr, 100), MbNoData);
    EXPECT_EQ(image.bitsPerPixel, 24);
    EXPECT_EQ(Bytes(image.pixels, image.pixels + 3), Bytes({1, 2, 3}));
}

TEST(MbDecode, FailedAllocationIsNoMemoryAndEmpty) {
    struct Case {
        const char* what;
        Bytes data;
        int successes;
    } cases[] = {
        {"palette of type 0", Mb(8, 1, 0, 0, Bytes(9)), 0},
        {"pixels of type 0", Mb(8, 1, 0, 0, Bytes(9)), 1},
        {"palette of type 2", Mb(2, 1, 2, 3, {1, 0, 1, 2, 3, 4, 0, 0}), 0},
        {"pixels of type 2", Mb(2, 1, 2, 3, {1, 0, 1, 2, 3, 4, 0, 0}), 1},
        {"pixels of 24 bpp", Mb(1, 1, 4, 1, {0, 1, 2, 3}), 0},
        {"pixels of 32 bpp", Mb(1, 1, 5, 2, {0, 1, 2, 3}), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Image image;
        AllocationFailure failure(c.successes);
        EXPECT_EQ(image.ImageLoadMb(c.data.data(), c.data.size()), MbNoMemory);
        ExpectEmpty(image);
    }
}

}  // namespace
