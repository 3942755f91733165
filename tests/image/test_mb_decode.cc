#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>
#include <utility>

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
    // 8 bpp: a full palette; count 256, then runs of 3 and 4.
    {2, 2, 2, 0, Cat({kPal256, {0, 1, 2, 255}}), kPal256, {0, 1, 2, 255}},
    {7, 1, 2, 1, Cat({{0, 1}, kPal256, {2, 1, 3, 0}}), kPal256, {1, 1, 1, 0, 0, 0, 0}},
    // Scheme 2: FE is a pixel, FF 00 v gives 4 (v may be FF), FF 08 v gives 12.
    {18, 1, 2, 2, Cat({kOne, {0x07, 0xFE, 0xFF, 0x00, 0xFF, 0xFF, 0x08, 0x09}}), kPal9,
     Cat({{7, 0xFE}, Bytes(4, 255), Bytes(12, 9)})},
    // Scheme 3: 7F is a pixel, 80 v gives 3, FF v gives 130, A6 v 41 (its tail past the
    // 16-byte stores is longer than 8).
    {175, 1, 2, 3, Cat({kOne, {0x7F, 0x80, 0x05, 0xFF, 0x09, 0xA6, 0x06}}), kPal9,
     Cat({{0x7F}, Bytes(3, 5), Bytes(130, 9), Bytes(41, 6)})},
    // Only its best packets: the data is just enough, which the check before decoding allows.
    {650, 1, 2, 3, Cat({kOne, Repeat(5, {0xFF, 0x09})}), kPal9, Bytes(650, 9)},
    // Scheme 4: FD is a pixel, FF 00 v gives 4, FE m(16) v gives m + 260.
    {263, 2, 2, 4,
     Cat({kOne, {0xFD, 0xFF, 0x00, 0xFE, 0xFE, 0x00, 0x00, 0x07, 0xFE, 0x01, 0x00, 0x08}}), kPal9,
     Cat({{0xFD}, Bytes(4, 0xFE), Bytes(260, 7), Bytes(261, 8)})},
    // Type 3 raw skips 1024 bytes; its scheme 1 has no palette part.
    {2, 1, 3, 0, Cat({Bytes(1024, 0xEE), {0x10, 0x20}}), {}, {0x10, 0x20}},
    {3, 1, 3, 1, {0x01, 0x80, 0x00, 0x7F}, {}, {0x80, 0x80, 0x7F}},
    {1, 2, 4, 0, {1, 2, 3, 4, 5, 6}, {}, {1, 2, 3, 4, 5, 6}},
    {3, 1, 4, 1, {1, 10, 11, 12, 0, 1, 2, 3}, {}, {10, 11, 12, 10, 11, 12, 1, 2, 3}},
    {1, 1, 5, 0, {1, 2, 3, 4}, {}, {1, 2, 3, 4}},
    {3, 1, 5, 1, {0x02, 1, 2, 3, 4}, {}, Repeat(3, {1, 2, 3, 4})},
    // Scheme 2: a group below FF, an FF 00 group, FF 02 gives 2; FF 01 m(16) gives m + 256.
    {4, 1, 5, 2, Bytes({254, 1, 2, 3, 255, 0, 1, 2, 255, 2, 4, 5, 6, 7}), Bytes(),
     Cat({{254, 1, 2, 3, 255, 0, 1, 2}, Repeat(2, {4, 5, 6, 7})})},
    {257, 1, 5, 2, {255, 1, 1, 0, 5, 6, 7, 8}, {}, Repeat(257, {5, 6, 7, 8})},
    {0, 5, 4, 1, {}, {}, {}},      // width 0 reads no packet
    {65536, 0, 4, 0, {}, {}, {}},  // every byte of the width counts
    {5, 0, 2, 3, {1, 0, 1, 2, 3, 4}, Cat({{1, 2, 3, 4}, Bytes(1020)}), {}},  // but the palette
};

// Loads a picture, then the first `size` bytes of `data` from an exact-size copy (a read past
// it is a sanitizer error), or a null pointer for MbNoData. Checks the result and the state
// it leaves: the picture untouched for MbNoData and MbBadMagic, else an empty image.
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
    FakeAlloc::Reset();
    AllocationFailure failure(successes);
    ASSERT_EQ(image.ImageLoadMb(copy.get(), size), result) << "size " << size;
    // Nothing is allocated for a block too big to exist or that the data could never fill.
    EXPECT_LE(FakeAlloc::largest, 4096u);
    EXPECT_EQ(state(), result == MbNoData || result == MbBadMagic ? loaded : decltype(loaded)());
}

// Each valid picture whole, then with bytes after its last packet (never read), then cut
// short at every offset, then with each of its allocations failing.
TEST(MbDecode, EveryTypeAndScheme) {
    for (const Picture& c : kValid) {
        SCOPED_TRACE(testing::Message() << "type " << +c.type << " compression " << +c.compression);
        const Bytes data = Mb(c.width, c.height, c.type, c.compression, c.body);
        const int allocations = c.palette.empty() ? 1 : 2;
        for (const Bytes& whole : {data, Cat({data, {0x4D, 0x42, 0xFF}})}) {
            Image image;
            FakeAlloc::Reset();
            ASSERT_EQ(image.ImageLoadMb(whole.data(), whole.size()), MbOk);
            EXPECT_EQ(FakeAlloc::count, allocations);
            EXPECT_EQ(image.width, c.width);
            EXPECT_EQ(image.height, c.height);
            EXPECT_EQ(image.bitsPerPixel, kBpp[c.type]);
            EXPECT_EQ(PaletteBytes(image), c.palette);
            ASSERT_NE(image.pixels, nullptr);
            EXPECT_EQ(Bytes(image.pixels, image.pixels + c.pixels.size()), c.pixels);
        }
        for (size_t size = 0; size < data.size(); ++size) ExpectFailure(data, size, MbCorrupt);
        for (int successes = 0; successes < allocations; ++successes) {
            ExpectFailure(data, data.size(), MbNoMemory, successes);
        }
    }
}

TEST(MbDecode, FailuresGiveTheirResultAndState) {
    const uint8_t firstRefused[] = {2, 2, 5, 2, 2, 3};  // compression, by image type
    for (uint8_t type = 0; type < 6; ++type) {
        SCOPED_TRACE(testing::Message() << "type " << +type);
        const Bytes data = Mb(1, 1, type, firstRefused[type], Bytes(1100));
        ExpectFailure(data, data.size(), MbBadCompression);
    }
    const std::pair<Bytes, int> cases[] = {
        {Bytes(100), MbNoData},  // a null pointer, whatever the size
        {{'M', 'C'}, MbBadMagic},
        {{'X'}, MbBadMagic},
        {Mb(-1, 1, 4, 0, {1, 2, 3}), MbBadSize},
        {Mb(1, INT32_MIN, 4, 0, {1, 2, 3}), MbBadSize},
        {Mb(1, 1, 6, 0, {1, 2, 3}), MbBadType},
        // Palette counts 0 and 257; runs past the last pixel.
        {Mb(1, 1, 2, 1, {0, 0, 0, 1}), MbCorrupt},
        {Mb(1, 1, 2, 4, Cat({{1, 1}, Bytes(1028), {5}})), MbCorrupt},
        {Mb(4, 1, 1, 1, {0x09}), MbCorrupt},
        {Mb(5, 1, 2, 1, Cat({kOne, {5, 0}})), MbCorrupt},
        {Mb(259, 1, 2, 4, Cat({kOne, {0xFE, 0, 0, 1}})), MbCorrupt},
        {Mb(1, 1, 4, 1, {1, 7, 7, 7}), MbCorrupt},
        {Mb(1, 1, 5, 1, {1, 7, 7, 7, 7}), MbCorrupt},
        {Mb(1, 1, 5, 2, {0xFF, 2, 7, 7, 7, 7}), MbCorrupt},
        // Blocks bigger than signed 32 bits cannot exist.
        {Mb(65536, 32768, 1, 0, {}), MbNoMemory},
        {Mb(65536, 32768, 3, 1, {}), MbNoMemory},
        {Mb(26755, 26755, 4, 0, {}), MbNoMemory},
        {Mb(INT32_MAX, INT32_MAX, 5, 0, {}), MbNoMemory},
        // A few bytes that claim a huge picture, which they could never fill.
        {Mb(40000, 40000, 3, 0, Bytes(1030)), MbCorrupt},
        {Mb(40000, 40000, 2, 4, Cat({kOne, {0xFE, 0xFF, 0xFF, 1}})), MbCorrupt},
        {Mb(20000, 20000, 5, 2, {0xFF, 1, 0xFF, 0xFF, 1, 2, 3, 4}), MbCorrupt},
        {Mb(40000, 40000, 1, 1, {0xFF, 0xFF}), MbCorrupt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        ExpectFailure(c.first, c.first.size(), c.second);
    }
}

}  // namespace
