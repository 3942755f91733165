#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <tuple>

#include "tests/image/image_fixtures.h"

namespace {

TEST(ColourCensus, CountsDistinctValues) {
    const Bytes two = {1, 2, 3, 4, 1, 2, 3, 5};
    // bpp, width, height, pixels, palette (none when empty), colours.
    const std::tuple<int32_t, int32_t, int32_t, Bytes, Bytes, int32_t> cases[] = {
        // 1 bpp with a palette: its two entries, whatever the pixels.
        {1, 8, 1, {0x00}, two, 2},
        {1, 8, 1, {0xFF}, {1, 2, 3, 4, 1, 2, 3, 4}, 1},
        // 1 bpp without: black, white or both, in real pixels only, never the fill bits.
        {1, 3, 1, {0x40}, {}, 2},
        {1, 3, 2, {0x1F, 0x1F}, {}, 1},
        {1, 9, 2, {0xFF, 0x80, 0xFF, 0x80}, {}, 1},
        {1, 9, 2, {0xFF, 0x80, 0xFF, 0x00}, {}, 2},
        {1, 0, 2, {}, {}, 0},
        // 8 bpp: whole palette entries, or the indices when there is no palette.
        {8, 3, 1, {0, 1, 0}, {9, 8, 7, 6, 9, 8, 7, 6}, 1},
        {8, 2, 1, {0, 1}, {9, 8, 7, 6, 10, 8, 7, 6}, 2},
        {8, 3, 2, {0, 5, 5, 255, 0, 7}, {}, 4},
        // Above 8 bpp every byte counts; the first two pixels share a bucket.
        {24, 3, 1, {255, 0, 0, 0, 0, 255, 0, 0, 0}, {}, 3},
        {24, 3, 0, {}, {}, 0},
        {32, 3, 1, {253, 1, 255, 1, 254, 1, 255, 1, 255, 1, 255, 1}, {}, 3},
        {16, 2, 1, {1, 2, 3, 4}, {}, 0},
    };
    for (const auto& [bpp, width, height, pixels, palette, colours] : cases) {
        Image image;
        SetImage(image, bpp, width, height, pixels, palette);
        EXPECT_EQ(image.ImageCountColours(), colours)
            << bpp << " bpp " << testing::PrintToString(pixels);
    }
    for (int32_t bpp : {1, 8, 24, 32}) {  // no pixels, no colours
        Image image;
        image.bitsPerPixel = bpp, image.width = image.height = 4;
        ColourTree tree = {0, nullptr};
        EXPECT_FALSE(image.ImageCountColours() || image.ImageCollectColours(&tree) || tree.root)
            << bpp;
    }
}

// The tree as text: value:occurrences in hex, then [left|right] when there are children.
std::string Shape(const ColourNode* n) {
    if (!n) return "";
    std::ostringstream s;
    s << std::hex << n->value << ':' << n->occurrences;
    if (n->left || n->right) s << '[' << Shape(n->left) << '|' << Shape(n->right) << ']';
    return s.str();
}

// Equal pixels are gathered before they reach the tree; the tree must still be the one that
// adding each pixel in turn builds. After a failed allocation the census counts the values it
// took in until then, and collecting stops there, even when a later value needs no new node.
TEST(ColourCensus, CollectsTheTreeOfPixelByPixelAdds) {
    Image indexed, wide, bitmap, four, five;
    SetImage(indexed, 8, 7, 1, {0, 1, 1, 2, 0, 0, 2}, {5, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 0});
    SetImage(wide, 32, 7, 1,
             {5, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 0, 5, 0, 0, 0, 5, 0, 0, 0, 9, 0, 0, 0});
    SetImage(bitmap, 1, 3, 1, {0x1F});  // one colour, recorded from the first byte
    SetImage(four, 8, 4, 1, {0, 1, 2, 3});
    SetImage(five, 24, 5, 1, {0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0, 1});
    const std::string chain = "5000000:3[1000000:2|9000000:2]";
    // Allocations that succeed (all when negative), the count, the tree collected (above 8 bpp
    // the count allocates a bucket table first).
    const std::tuple<const Image*, int, int32_t, std::string> cases[] = {
        {&indexed, -1, 3, chain},
        {&wide, -1, 3, chain},
        {&bitmap, -1, 1, "1f1f1f:1"},
        {&four, 0, 0, ""},
        {&four, 2, 2, "0:1[|1000000:1]"},
        {&five, 0, 0, ""},
        {&five, 1, 0, "1:1"},
        {&five, 3, 2, "1:1[|2:1[|3:1]]"},
    };
    for (const auto& [image, successes, counted, shape] : cases) {
        SCOPED_TRACE(testing::Message() << image->bitsPerPixel << " bpp, " << successes);
        AllocationFailure failure(successes);
        EXPECT_EQ(image->ImageCountColours(), counted);
        AllocationFailure again(successes);
        ColourTree tree = {0, nullptr};
        EXPECT_EQ(image->ImageCollectColours(&tree), successes < 0);
        EXPECT_EQ(Shape(tree.root), shape);
        EXPECT_EQ(tree.count, std::count(shape.begin(), shape.end(), ':'));
        ColourTreeDestroy(&tree);
        EXPECT_TRUE(tree.count == 0 && tree.root == nullptr);
    }
}

}  // namespace
