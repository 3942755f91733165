// The banner the remover embeds: the picture and palette the dialog's effects rely on.

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "image/image.h"

namespace {

std::vector<unsigned char> ReadBanner() {
    std::vector<unsigned char> data;
    FILE* file = fopen(QUORVEL_BANNER_PATH, "rb");
    if (!file) return data;
    int c;
    while ((c = getc(file)) != EOF) data.push_back(static_cast<unsigned char>(c));
    fclose(file);
    return data;
}

TEST(BannerResource, IsTheSmoothedTextOnTheTransparentGround) {
    const unsigned char kLevels[35] = {0,   7,   12,  21,  29,  34,  42,  47,  59,  64,  72,  81,
                                       85,  89,  96,  116, 124, 125, 137, 150, 156, 165, 166, 170,
                                       174, 186, 201, 205, 224, 235, 238, 245, 247, 251, 255};
    std::vector<unsigned char> data = ReadBanner();
    ASSERT_FALSE(data.empty()) << QUORVEL_BANNER_PATH;
    // Type 2 in scheme 3 with 35 supplied entries.
    EXPECT_EQ(data[10], 2);
    EXPECT_EQ(data[11], 3);
    EXPECT_EQ(data[12] | data[13] << 8, 35);

    Image banner;
    ASSERT_EQ(banner.ImageLoadMb(data.data(), data.size()), MbOk);
    EXPECT_EQ(banner.width, 145);
    EXPECT_EQ(banner.height, 15);
    EXPECT_EQ(banner.bitsPerPixel, 8);
    ASSERT_NE(banner.palette, nullptr);
    for (int i = 0; i < 256; ++i) {
        SCOPED_TRACE(i);
        const PaletteEntry& e = banner.palette[i];
        EXPECT_EQ(e.transparency, i < 35 ? kLevels[i] : 0);
        EXPECT_EQ(e.red | e.green | e.blue, 0);
    }
    std::vector<int> uses(256, 0);
    for (int i = 0; i < 145 * 15; ++i) ++uses[banner.pixels[i]];
    for (int i = 0; i < 256; ++i) {
        SCOPED_TRACE(i);
        if (i < 35) {
            EXPECT_GT(uses[i], 0);
        } else {
            EXPECT_EQ(uses[i], 0);
        }
    }
    // The ground is the most common level, and the text is ink on it.
    EXPECT_GT(uses[34], 145 * 15 / 2);
    EXPECT_GT(uses[0], 0);
    EXPECT_EQ(banner.ImageCountColours(), 35);

    // The packets end exactly at the end of the data: one byte less is not a whole picture.
    Image cut;
    EXPECT_EQ(cut.ImageLoadMb(data.data(), data.size() - 1), MbCorrupt);
}

}  // namespace
