// Draws the remover's banner and writes it as an MB image: the one-line text
// "Check for latest version!", underlined, black, its edges smoothed, on a fully transparent
// ground, 145 x 15 pixels, 8 bits per pixel (image type 2) in run scheme 3, with the 35
// transparency levels of the banner palette, every one of them used.
//
// usage: bannergen FONT.ttf OUT.mb
// The output depends only on the font file and FreeType, so the same inputs give the same
// bytes.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kWidth = 145;
constexpr int kHeight = 15;
constexpr char kText[] = "Check for latest version!";

// Transparency of each palette entry; index 34 is the ground.
constexpr uint8_t kLevels[35] = {0,   7,   12,  21,  29,  34,  42,  47,  59,  64,  72,  81,
                                 85,  89,  96,  116, 124, 125, 137, 150, 156, 165, 166, 170,
                                 174, 186, 201, 205, 224, 235, 238, 245, 247, 251, 255};
constexpr int kLevelCount = 35;

// Walks the text glyph by glyph, hinted as it will be drawn, calling glyph(pen) with each one
// loaded and its pen position in 1/64 pixels from `origin`; returns the end position.
template <typename Glyph>
long LayOut(FT_Face face, long origin, Glyph glyph) {
    long pen = origin;
    FT_UInt previous = 0;
    for (const char* p = kText; *p; ++p) {
        FT_UInt index = FT_Get_Char_Index(face, static_cast<unsigned char>(*p));
        if (previous && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kern);
            pen += kern.x;
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_LIGHT)) return -1;
        glyph(pen);
        pen += face->glyph->advance.x;
        previous = index;
    }
    return pen;
}

// Coverage of the text and its underline, 0 (ground) to 255 (ink).
std::vector<int> Draw(FT_Face face) {
    // The largest size whose text fits with a pixel to spare on each side.
    int width = 0;
    for (int size = 14; size >= 6 && !width; --size) {
        FT_Set_Pixel_Sizes(face, 0, size);
        long end = LayOut(face, 0, [](long) {});
        if (end > 0 && (end + 63) / 64 <= kWidth - 2) width = static_cast<int>((end + 63) / 64);
    }
    if (!width) return {};
    int ascender = static_cast<int>((face->size->metrics.ascender + 63) / 64);
    // The underline two rows below the baseline, inside the picture, the descenders above it.
    int baseline = std::min(ascender, kHeight - 4);
    int underline = baseline + 2;
    int left = (kWidth - width) / 2;

    std::vector<int> coverage(kWidth * kHeight, 0);
    LayOut(face, static_cast<long>(left) * 64, [&](long pen) {
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        int x0 = static_cast<int>(pen / 64) + face->glyph->bitmap_left;
        int y0 = baseline - face->glyph->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            for (unsigned col = 0; col < bitmap.width; ++col) {
                int x = x0 + static_cast<int>(col);
                int y = y0 + static_cast<int>(row);
                if (x < 0 || x >= kWidth || y < 0 || y >= kHeight) continue;
                int& cell = coverage[y * kWidth + x];
                cell = std::min(255, cell + bitmap.buffer[row * bitmap.pitch + col]);
            }
        }
    });
    for (int x = left; x < left + width && x < kWidth; ++x) coverage[underline * kWidth + x] = 255;
    return coverage;
}

int Nearest(int transparency) {
    int best = 0;
    for (int i = 1; i < kLevelCount; ++i) {
        if (abs(kLevels[i] - transparency) < abs(kLevels[best] - transparency)) best = i;
    }
    return best;
}

// Indices of the palette levels; a level that no pixel takes goes to the pixel nearest to
// it among those whose own level has others to spare, so every level is used.
std::vector<uint8_t> Quantise(const std::vector<int>& coverage) {
    std::vector<uint8_t> indices(coverage.size());
    std::vector<int> uses(kLevelCount, 0);
    for (size_t i = 0; i < coverage.size(); ++i) {
        indices[i] = static_cast<uint8_t>(Nearest(255 - coverage[i]));
        ++uses[indices[i]];
    }
    for (int level = 0; level < kLevelCount; ++level) {
        if (uses[level]) continue;
        size_t best = coverage.size();
        int bestDistance = 256;
        for (size_t i = 0; i < coverage.size(); ++i) {
            int distance = abs(255 - coverage[i] - kLevels[level]);
            if (uses[indices[i]] > 1 && indices[i] != kLevelCount - 1 && distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
        if (best == coverage.size()) return {};
        --uses[indices[best]];
        indices[best] = static_cast<uint8_t>(level);
        ++uses[level];
    }
    return indices;
}

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Scheme 3: a byte below 128 is one pixel; a byte b of 128 or more, then v, is b - 125
// pixels of v (3 to 130).
std::vector<uint8_t> Encode(const std::vector<uint8_t>& indices) {
    std::vector<uint8_t> out = {'M', 'B'};
    PutLe(out, kWidth, 4);
    PutLe(out, kHeight, 4);
    out.push_back(2);  // image type: 8 bits per pixel with a palette
    out.push_back(3);  // compression: run scheme 3
    PutLe(out, kLevelCount, 2);
    for (uint8_t level : kLevels) {
        out.push_back(level);
        out.push_back(0);
        out.push_back(0);
        out.push_back(0);
    }
    for (size_t i = 0; i < indices.size();) {
        size_t run = 1;
        while (i + run < indices.size() && indices[i + run] == indices[i] && run < 130) ++run;
        if (run >= 3) {
            out.push_back(static_cast<uint8_t>(run + 125));
            out.push_back(indices[i]);
        } else {
            for (size_t k = 0; k < run; ++k) out.push_back(indices[i]);
        }
        i += run;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: bannergen FONT.ttf OUT.mb\n");
        return 2;
    }
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) || FT_New_Face(library, argv[1], 0, &face)) {
        fprintf(stderr, "bannergen: cannot load the font %s\n", argv[1]);
        return 2;
    }
    std::vector<int> coverage = Draw(face);
    std::vector<uint8_t> indices = coverage.empty() ? std::vector<uint8_t>() : Quantise(coverage);
    if (indices.empty()) {
        fprintf(stderr, "bannergen: the text does not fit or cannot use every level\n");
        return 1;
    }
    std::vector<uint8_t> data = Encode(indices);
    FILE* out = fopen(argv[2], "wb");
    if (!out || fwrite(data.data(), 1, data.size(), out) != data.size() || fclose(out) != 0) {
        fprintf(stderr, "bannergen: cannot write %s\n", argv[2]);
        return 2;
    }
    printf("bannergen: %s, %zu bytes\n", argv[2], data.size());
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 0;
}
