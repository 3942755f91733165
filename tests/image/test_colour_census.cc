#include <gtest/gtest.h>

#include <set>

#include "image/image.h"
#include "tests/image/fake_alloc.h"
#include "tests/image/image_fixtures.h"

namespace {

struct CensusCase {
    const char* what;
    int32_t bpp, width, height;
    Bytes pixels;
    bool hasPalette;
    Bytes palette;
    int32_t colours;
};

TEST(ColourCensus, CountsDistinctValues) {
    const Bytes twoEntries = {1, 2, 3, 4, 1, 2, 3, 5};
    const CensusCase cases[] = {
        {"8 bpp width 0", 8, 0, 4, {}, true, {}, 0},
        {"24 bpp height 0", 24, 3, 0, {}, false, {}, 0},
        {"32 bpp width 0", 32, 0, 3, {}, false, {}, 0},
        {"1 bpp palette, entries differ", 1, 8, 1, {0x00}, true, twoEntries, 2},
        {"1 bpp palette, entries equal", 1, 8, 1, {0xFF}, true, {1, 2, 3, 4, 1, 2, 3, 4}, 1},
        {"1 bpp palette, width 0 with a pixel buffer", 1, 0, 1, {}, true, twoEntries, 2},
        {"1 bpp no palette, both colours", 1, 3, 1, {0x40}, false, {}, 2},
        {"1 bpp no palette, black with set fill bits", 1, 3, 2, {0x1F, 0x1F}, false, {}, 1},
        {"1 bpp no palette, white across rows", 1, 9, 2, {0xFF, 0x80, 0xFF, 0x80}, false, {}, 1},
        {"1 bpp no palette, white then black in row 2",
         1,
         9,
         2,
         {0xFF, 0x80, 0xFF, 0x00},
         false,
         {},
         2},
        {"1 bpp no palette, no pixel bytes", 1, 0, 2, {}, false, {}, 0},
        {"8 bpp equal entries count once", 8, 3, 1, {0, 1, 0}, true, {9, 8, 7, 6, 9, 8, 7, 6}, 1},
        {"8 bpp entries differing in transparency",
         8,
         2,
         1,
         {0, 1},
         true,
         {9, 8, 7, 6, 10, 8, 7, 6},
         2},
        {"8 bpp no palette counts indices", 8, 3, 2, {0, 5, 5, 255, 0, 7}, false, {}, 4},
        {"24 bpp (1,0,0) and (0,0,1) share a bucket", 24, 2, 1, {1, 0, 0, 0, 0, 1}, false, {}, 2},
        {"32 bpp differing in byte 0",
         32,
         3,
         1,
         {0, 1, 1, 1, 1, 1, 1, 1, 2, 1, 1, 1},
         false,
         {},
         3},
        {"16 bpp is not counted", 16, 2, 1, {1, 2, 3, 4}, false, {}, 0},
    };
    for (const CensusCase& c : cases) {
        SCOPED_TRACE(c.what);
        Image image;
        SetImage(image, c.bpp, c.width, c.height, c.pixels, c.hasPalette ? &c.palette : nullptr);
        EXPECT_EQ(image.ImageCountColours(), c.colours);
    }
}

TEST(ColourCensus, NoPixelBufferCountsNothing) {
    for (int32_t bpp : {1, 8, 24, 32}) {
        Image image;
        image.bitsPerPixel = bpp;
        image.width = image.height = 4;
        EXPECT_EQ(image.ImageCountColours(), 0) << bpp;
        ColourTree tree = {0, nullptr};
        EXPECT_FALSE(image.ImageCollectColours(&tree));
        EXPECT_EQ(tree.root, nullptr);
    }
}

TEST(ColourCensus, OneColourOfAnUnpalettedBitmapIsRecordedFromItsFirstByte) {
    Image image;
    SetImage(image, 1, 3, 1, {0x1F});
    ColourTree tree = {0, nullptr};
    ASSERT_TRUE(image.ImageCollectColours(&tree));
    ASSERT_EQ(tree.count, 1);
    EXPECT_EQ(tree.root->value, ColourValueOf(0, 0x1F, 0x1F, 0x1F));
    ColourTreeDestroy(&tree);
}

// Pixels of equal colour are gathered before they reach the tree; the tree must still be the
// one that adding each pixel in turn would build.
TEST(ColourCensus, CollectedTreeMatchesPixelByPixelAdds) {
    const Bytes palette = {5, 0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 0};
    Image image;
    SetImage(image, 8, 7, 1, {2, 0, 1, 2, 0, 3, 3}, &palette);
    Image wide;
    SetImage(wide, 32, 7, 1,
             {1, 0, 0, 0, 5, 0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0, 5, 0, 0, 0, 9, 0, 0, 0, 9, 0, 0, 0});
    for (const Image* source : {&image, &wide}) {
        ColourTree tree = {0, nullptr};
        ASSERT_TRUE(source->ImageCollectColours(&tree));
        ASSERT_EQ(tree.count, 3);
        // Arrival order 1, 5, 9: root 1 (twice), right child 5 (three times), its right 9.
        const ColourNode* root = tree.root;
        EXPECT_EQ(root->value, ColourValueOf(1, 0, 0, 0));
        EXPECT_EQ(root->occurrences, 2);
        EXPECT_EQ(root->right->value, ColourValueOf(5, 0, 0, 0));
        EXPECT_EQ(root->right->occurrences, 3);
        EXPECT_EQ(root->right->right->value, ColourValueOf(9, 0, 0, 0));
        EXPECT_EQ(root->right->right->occurrences, 2);
        ColourTreeDestroy(&tree);
        EXPECT_EQ(tree.count, 0);
        EXPECT_EQ(tree.root, nullptr);
    }
}

// Buckets and a single tree count the same distinct values as a set does, for images full of
// hash collisions (few distinct byte values, many combinations).
TEST(ColourCensus, BucketsAgreeWithASet) {
    for (int32_t bpp : {24, 32}) {
        const size_t bytesPerPixel = static_cast<size_t>(bpp / 8);
        Bytes pixels(5000 * bytesPerPixel);
        uint32_t state = 12345;
        for (uint8_t& b : pixels) {
            state = state * 1103515245u + 12345u;
            b = static_cast<uint8_t>((state >> 16) % 6 * 51);
        }
        std::set<Bytes> distinct;
        for (size_t i = 0; i < pixels.size(); i += bytesPerPixel) {
            distinct.insert(Bytes(pixels.begin() + i, pixels.begin() + i + bytesPerPixel));
        }
        Image image;
        SetImage(image, bpp, 100, 50, pixels);
        EXPECT_EQ(image.ImageCountColoursByBuckets(), static_cast<int32_t>(distinct.size()));
        EXPECT_EQ(image.ImageCountColoursByTree(), static_cast<int32_t>(distinct.size()));
    }
}

// A failed allocation must never make the count exceed the distinct colours; the census
// counts what it took in before the failure.
TEST(ColourCensus, FailedAllocationCountsWhatWasTakenIn) {
    Image indexed;
    SetImage(indexed, 8, 4, 1, {0, 1, 2, 3});
    Image wide;
    SetImage(wide, 24, 4, 1, {0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4});
    struct Case {
        const Image* image;
        int successes;
        int32_t colours;
    } cases[] = {{&indexed, 0, 0}, {&indexed, 2, 2}, {&wide, 0, 0}, {&wide, 1, 0}, {&wide, 3, 2}};
    for (const Case& c : cases) {
        AllocationFailure failure(c.successes);
        EXPECT_EQ(c.image->ImageCountColours(), c.colours)
            << c.image->bitsPerPixel << " bpp, " << c.successes << " successes";
    }
    AllocationFailure failure(1);
    ColourTree tree = {0, nullptr};
    EXPECT_FALSE(indexed.ImageCollectColours(&tree));
    EXPECT_EQ(tree.count, 1);
    ColourTreeDestroy(&tree);
}

}  // namespace
