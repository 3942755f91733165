#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>

#include "tests/image/image_fixtures.h"

namespace {

const int32_t kBpp[] = {1, 1, 8, 8, 24, 32};  // by image type

struct Picture {
    int32_t width, height;
    uint8_t type, compression;
    Bytes body, palette, pixels;  // palette: all its bytes, or empty when there is none
};

const Bytes kPal256 = Repeat(128, {1, 2, 3, 4, 5, 6, 7, 8});
const Bytes kPal1 = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
const Bytes kOne = {1, 0, 9, 9, 9, 9};  // a palette part of one entry
const Bytes kPal9 = Cat({{9, 9, 9, 9}, Bytes(1020)});

// One well-formed picture for every image type, compression and packet kind.
const Picture kValid[] = {
    // 1 bpp raw keeps the stored fill bits; runs: clear 3, set 6, set 10 across the row end,
    // clear 1; set 16, set 1, then a clear run past the last pixel ends the picture.
    {10, 2, 0, 0, Cat({kPal1, {0xAB, 0xFF, 0x12, 0x3F}}), kPal1, {0xAB, 0xFF, 0x12, 0x3F}},
    {10, 2, 0, 1, Cat({kPal1, {0x04, 0x0B, 0x13, 0x00}}), kPal1, {0x1F, 0xC0, 0xFF, 0x80}},
    {8, 2, 1, 0, {0xE0, 0x5F}, {}, {0xE0, 0x5F}},
    {16, 2, 1, 1, {0x1F, 0x01, 0x1E}, {}, {0xFF, 0xFF, 0x80, 0x00}},
    {128, 1, 1, 1, {0xFF}, {}, Bytes(16, 0xFF)},  // a set run to the last pixel
    // 8 bpp: a full palette; count 256, then runs of 3 and 4.
    {2, 2, 2, 0, Cat({kPal256, {0, 1, 2, 255}}), kPal256, {0, 1, 2, 255}},
    {7, 1, 2, 1, Cat({{0, 1}, kPal256, {2, 1, 3, 0}}), kPal256, {1, 1, 1, 0, 0, 0, 0}},
    // Scheme 2: FE is a pixel, FF 00 v gives 4 (v may be FF), FF 08 v gives 12.
    {18, 1, 2, 2, Cat({kOne, {0x07, 0xFE, 0xFF, 0x00, 0xFF, 0xFF, 0x08, 0x09}}), kPal9,
     Cat({{7, 0xFE}, Bytes(4, 255), Bytes(12, 9)})},
    // Scheme 3: 7F is a pixel, 80 v gives 3, FF v gives 130, A6 v 41, 9 past 16-byte stores.
    {175, 1, 2, 3, Cat({kOne, {0x7F, 0x80, 0x05, 0xFF, 0x09, 0xA6, 0x06}}), kPal9,
     Cat({{0x7F}, Bytes(3, 5), Bytes(130, 9), Bytes(41, 6)})},
    // Scheme 4: FD is a pixel, FF 00 v gives 4, FE m(16) v gives m + 260.
    {261, 3, 2, 4,
     Cat({kOne, {0xFD, 0xFF, 0x00, 0xFE, 0xFE, 0x00, 0x00, 0x07, 0xFE, 0x02, 0x01, 0x08}}), kPal9,
     Cat({{0xFD}, Bytes(4, 0xFE), Bytes(260, 7), Bytes(518, 8)})},
    // Type 3 raw skips 1024 bytes; its scheme 1 has no palette part.
    {2, 1, 3, 0, Cat({Bytes(1024, 0xEE), {0x10, 0x20}}), {}, {0x10, 0x20}},
    {512, 1, 3, 1, {0xFF, 0x80, 0xFF, 0x7F}, {}, Cat({Bytes(256, 0x80), Bytes(256, 0x7F)})},
    {1, 2, 4, 0, {1, 2, 3, 4, 5, 6}, {}, {1, 2, 3, 4, 5, 6}},
    {256, 1, 4, 1, {255, 1, 2, 3}, {}, Repeat(256, {1, 2, 3})},
    {1, 1, 5, 0, {1, 2, 3, 4}, {}, {1, 2, 3, 4}},
    {256, 1, 5, 1, {255, 1, 2, 3, 4}, {}, Repeat(256, {1, 2, 3, 4})},
    // Scheme 2: a group below FF, an FF 00 group, FF 02 gives 2; FF 01 m(16) gives m + 256.
    {261, 1, 5, 2,
     Bytes({254, 1, 2, 3, 255, 0, 1, 2, 255, 2, 4, 5, 6, 7, 255, 1, 1, 0, 8, 9, 10, 11}), Bytes(),
     Cat({{254, 1, 2, 3, 255, 0, 1, 2}, Repeat(2, {4, 5, 6, 7}), Repeat(257, {8, 9, 10, 11})})},
    {65791, 1, 5, 2, {255, 1, 255, 255, 5, 6, 7, 8}, {}, Repeat(65791, {5, 6, 7, 8})},
    {0, 5, 4, 1, {}, {}, {}},  // width 0 reads no packet
    {5, 0, 2, 3, {1, 0, 1, 2, 3, 4}, Cat({{1, 2, 3, 4}, Bytes(1020)}), {}},  // a palette, no rows
};

// Loads a picture, then the first `size` bytes of `data` from an exact-size copy (a read past it
// is a sanitizer error), or a null pointer for MbNoData, and checks the result and the state it
// leaves: the picture for MbNoData and MbBadMagic, else an empty image. FakeAlloc records it.
void ExpectFailure(const Bytes& data, size_t size, int result, int successes = -1) {
    static const Bytes picture = Mb(1, 1, 2, 0, Bytes(1025, 3));
    Image image;
    ASSERT_EQ(image.ImageLoadMb(picture.data(), picture.size()), MbOk);
    const auto state = [&image] {
        return std::make_tuple(image.width, image.height, image.bitsPerPixel, image.palette,
                               image.pixels);
    };
    const auto loaded = state();
    std::unique_ptr<uint8_t[]> copy(result == MbNoData ? nullptr : new uint8_t[size]);
    if (copy) std::copy_n(data.begin(), size, copy.get());
    AllocationFailure failure(successes);
    ASSERT_EQ(image.ImageLoadMb(copy.get(), size), result) << "size " << size;
    EXPECT_EQ(state(), result == MbNoData || result == MbBadMagic ? loaded : decltype(loaded)());
}

// Each valid picture whole, then with bytes after its last packet (never read), then cut
// short at every offset, then with each of its allocations failing.
TEST(MbDecode, EveryTypeAndScheme) {
    for (const Picture& c : kValid) {
        SCOPED_TRACE(testing::Message() << "type " << +c.type << " compression " << +c.compression
                                        << ", " << c.width << " x " << c.height);
        const Bytes data = Mb(c.width, c.height, c.type, c.compression, c.body);
        const int allocations = c.palette.empty() ? 1 : 2;
        for (const Bytes& whole : {data, Cat({data, {0x4D, 0x42, 0xFF}})}) {
            Image image;
            FakeAlloc::Reset();
            ASSERT_EQ(image.ImageLoadMb(whole.data(), whole.size()), MbOk);
            EXPECT_EQ(std::make_tuple(FakeAlloc::count, image.width, image.height,
                                      image.bitsPerPixel, PaletteBytes(image)),
                      std::make_tuple(allocations, c.width, c.height, kBpp[c.type], c.palette));
            ASSERT_NE(image.pixels, nullptr);
            EXPECT_EQ(Bytes(image.pixels, image.pixels + c.pixels.size()), c.pixels);
        }
        for (size_t size = 0; size < data.size(); ++size) ExpectFailure(data, size, MbCorrupt);
        for (int s = 0; s < allocations; ++s) ExpectFailure(data, data.size(), MbNoMemory, s);
    }
}

// Every refusal at its bound and just past it, with the largest block the load asked for
// first: 0 for a refusal before anything is allocated.
TEST(MbDecode, FailuresGiveTheirResultAndState) {
    const struct {
        const char* name;
        Bytes data;
        int result;
        size_t asked;
    } cases[] = {
        {"null data", Bytes(100), MbNoData, 0},
        {"magic MC", {'M', 'C'}, MbBadMagic, 0},
        {"magic X", {'X'}, MbBadMagic, 0},
        {"width -1", Mb(-1, 1, 4, 0, {1, 2, 3}), MbBadSize, 0},
        {"height -1", Mb(1, -1, 4, 0, {1, 2, 3}), MbBadSize, 0},
        {"height 2^31", Mb(1, INT32_MIN, 4, 0, {1, 2, 3}), MbBadSize, 0},
        {"type 6", Mb(1, 1, 6, 0, {1, 2, 3}), MbBadType, 0},
        {"type 0, compression 2", Mb(1, 1, 0, 2, {}), MbBadCompression, 0},
        {"type 1, compression 2", Mb(1, 1, 1, 2, {}), MbBadCompression, 0},
        {"type 2, compression 5", Mb(1, 1, 2, 5, {}), MbBadCompression, 0},
        {"type 3, compression 2", Mb(1, 1, 3, 2, {}), MbBadCompression, 0},
        {"type 4, compression 2", Mb(1, 1, 4, 2, {}), MbBadCompression, 0},
        {"type 5, compression 3", Mb(1, 1, 5, 3, {}), MbBadCompression, 0},
        {"palette count 0", Mb(1, 1, 2, 1, {0, 0, 0, 1}), MbCorrupt, 1024},
        {"palette count 257", Mb(1, 1, 2, 4, Cat({{1, 1}, Bytes(1028), {5}})), MbCorrupt, 1024},
        // Runs one pixel past the last.
        {"1 bpp set run", Mb(4, 1, 1, 1, {0x09}), MbCorrupt, 1},
        {"8 bpp run", Mb(5, 1, 2, 1, Cat({kOne, {5, 0}})), MbCorrupt, 1024},
        {"24 bpp run", Mb(1, 1, 4, 1, {1, 7, 7, 7}), MbCorrupt, 3},
        {"32 bpp short run", Mb(1, 1, 5, 2, {0xFF, 2, 7, 7, 7, 7}), MbCorrupt, 4},
        // Pixel blocks of 2^31 bytes and more cannot exist; below, these data run out.
        {"1 bpp, 2^31 - 1 pixels", Mb(INT32_MAX, 1, 1, 0, {}), MbCorrupt, 0},
        {"1 bpp, 2^31 pixels", Mb(2, 1 << 30, 1, 0, {}), MbNoMemory, 0},
        {"24 bpp, 2^31 - 2 bytes", Mb(715827882, 1, 4, 0, {}), MbCorrupt, 0},
        {"24 bpp, 2^31 + 1 bytes", Mb(715827883, 1, 4, 0, {}), MbNoMemory, 0},
        {"32 bpp, 2^31 - 4 bytes", Mb(536870911, 1, 5, 0, {}), MbCorrupt, 0},
        {"32 bpp, 2^31 bytes", Mb(536870912, 1, 5, 0, {}), MbNoMemory, 0},
        // One pixel more than the data's best packets could give (palette entries counted as
        // packets): the valid pictures of best packets alone, and type 2 ones whose data run out.
        {"1 bpp runs", Mb(129, 1, 1, 1, {0xFF}), MbCorrupt, 0},
        {"8 bpp scheme 1", Mb(513, 1, 3, 1, {0xFF, 0x80, 0xFF, 0x7F}), MbCorrupt, 0},
        {"scheme 2, at the bound", Mb(431, 1, 2, 2, Cat({kOne, {7}})), MbCorrupt, 1024},
        {"scheme 2", Mb(432, 1, 2, 2, Cat({kOne, {7}})), MbCorrupt, 0},
        {"scheme 3, at the bound", Mb(325, 1, 2, 3, Cat({kOne, {7}})), MbCorrupt, 1024},
        {"scheme 3", Mb(326, 1, 2, 3, Cat({kOne, {7}})), MbCorrupt, 0},
        {"scheme 4, at the bound", Mb(82243, 1, 2, 4, Cat({kOne, {7}})), MbCorrupt, 82243},
        {"scheme 4", Mb(82244, 1, 2, 4, Cat({kOne, {7}})), MbCorrupt, 0},
        {"24 bpp runs", Mb(257, 1, 4, 1, {255, 1, 2, 3}), MbCorrupt, 0},
        {"32 bpp scheme 1", Mb(257, 1, 5, 1, {255, 1, 2, 3, 4}), MbCorrupt, 0},
        {"32 bpp scheme 2", Mb(65792, 1, 5, 2, {255, 1, 255, 255, 5, 6, 7, 8}), MbCorrupt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectFailure(c.data, c.data.size(), c.result);
        EXPECT_EQ(FakeAlloc::largest, c.asked);
    }
}

}  // namespace
