// The packed device-independent bitmap: pure computation, no platform call, so it runs and
// is tested on any system. Its layout is ImageDibLayout's; the padding bytes are zeros.

#include <string.h>

#include "image/image_alloc.h"
#include "image/image_internal.h"

namespace {

const int64_t kInfoHeaderSize = 40;

void PutLe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutLe32(uint8_t* p, uint32_t v) {
    PutLe16(p, v);
    PutLe16(p + 2, v >> 16);
}

uint8_t Mix(uint32_t colour, uint32_t background, uint32_t t) {
    return static_cast<uint8_t>((background * t + colour * (255 - t)) / 255);
}

uint8_t Scale(uint32_t colour, uint32_t alpha) {
    return static_cast<uint8_t>(colour * alpha / 255);
}

void WriteColourTable(const Image& image, int entries, uint32_t background, uint8_t* table) {
    if (image.palette) {
        memcpy(table, image.palette, 4 * static_cast<size_t>(entries));
        for (int i = 0; i < entries; ++i) BlendWithBackground(table + 4 * i, background);
        ReverseQuadBytes(table, entries);
        return;
    }
    const uint32_t channel[3] = {(background >> 16) & 0xFF, (background >> 8) & 0xFF,
                                 background & 0xFF};  // blue, green, red
    // Levels run from the complement of the background (0) to the background (highest).
    for (int i = 0; i < entries; ++i, table += 4) {
        const uint32_t level = entries == 2 ? 255 * static_cast<uint32_t>(i) : i;
        for (int c = 0; c < 3; ++c) {
            const uint32_t k = channel[c];
            table[c] = static_cast<uint8_t>(((255 - k) * (255 - level) + k * level) / 255);
        }
    }
}

void Finish24(const uint8_t* src, uint8_t* dst, size_t width) {
    for (size_t x = 0; x < width; ++x, src += 3, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
    }
}

// Blend (or premultiply) and reverse in one pass: (t, r, g, b) becomes (b, g, r, 0 or a).
void Finish32(const uint8_t* src, uint8_t* dst, size_t width, uint32_t background,
              bool premultiply) {
    const uint32_t red = background & 0xFF, green = (background >> 8) & 0xFF,
                   blue = (background >> 16) & 0xFF;
    for (size_t x = 0; x < width; ++x, src += 4, dst += 4) {
        const uint32_t t = src[0];
        if (premultiply) {
            const uint32_t a = 255 - t;
            dst[0] = Scale(src[3], a);
            dst[1] = Scale(src[2], a);
            dst[2] = Scale(src[1], a);
            dst[3] = static_cast<uint8_t>(a);
        } else {
            dst[0] = Mix(src[3], blue, t);
            dst[1] = Mix(src[2], green, t);
            dst[2] = Mix(src[1], red, t);
            dst[3] = 0;
        }
    }
}

// The rows, bottom row first, each at its stride.
void WriteRows(const Image& image, const DibLayout& layout, uint32_t background, bool premultiply,
               uint8_t* bits) {
    const size_t rowBytes = static_cast<size_t>(layout.rowBytes);
    const size_t pixelsWide = static_cast<size_t>(image.width);
    const int64_t height = image.height;
    for (int64_t y = 0; rowBytes != 0 && y < height; ++y) {
        const uint8_t* src = image.pixels + static_cast<size_t>(y) * rowBytes;
        uint8_t* dst =
            bits + static_cast<size_t>(height - 1 - y) * static_cast<size_t>(layout.stride);
        switch (image.bitsPerPixel) {
            case 24:
                Finish24(src, dst, pixelsWide);
                break;
            case 32:
                Finish32(src, dst, pixelsWide, background, premultiply);
                break;
            default:
                memcpy(dst, src, rowBytes);
        }
    }
}

}  // namespace

void BlendWithBackground(uint8_t* group, uint32_t background) {
    const uint32_t t = group[0];
    if (t == 0) return;
    group[1] = Mix(group[1], background & 0xFF, t);
    group[2] = Mix(group[2], (background >> 8) & 0xFF, t);
    group[3] = Mix(group[3], (background >> 16) & 0xFF, t);
    group[0] = 0;
}

void ReverseQuadBytes(uint8_t* groups, int32_t count) {
    for (int32_t i = 0; i < count; ++i, groups += 4) {
        uint8_t swap = groups[0];
        groups[0] = groups[3];
        groups[3] = swap;
        swap = groups[1];
        groups[1] = groups[2];
        groups[2] = swap;
    }
}

bool ImageDibLayout(int32_t bitsPerPixel, int64_t width, int64_t height, DibLayout* layout) {
    if (width < 0 || height < 0) return false;
    switch (bitsPerPixel) {
        case 1:
        case 8:
        case 24:
        case 32:
            break;
        default:
            return false;
    }
    layout->entries = bitsPerPixel == 1 ? 2 : bitsPerPixel == 8 ? 256 : 0;
    layout->rowBytes = (width * bitsPerPixel + 7) / 8;
    layout->stride = (layout->rowBytes + 3) / 4 * 4;
    layout->bitsOffset = kInfoHeaderSize + 4 * layout->entries;
    // Saturated: the widest rows times the most rows would pass even 64 bits.
    layout->size = height > 0 && layout->stride > (INT64_MAX - layout->bitsOffset) / height
                       ? INT64_MAX
                       : layout->bitsOffset + height * layout->stride;
    return true;
}

uint8_t* ImageToDib(const Image* image, uint32_t background, bool premultiply) {
    DibLayout layout;
    if (!image || !ImageDibLayout(image->bitsPerPixel, image->width, image->height, &layout)) {
        return nullptr;
    }
    const int64_t width = image->width, height = image->height;
    // A legal image (say 8 bpp, 1 x 2^29) can still need a block no 32-bit size describes.
    if (layout.size > INT32_MAX) return nullptr;
    if (height > 0 && layout.rowBytes > 0 && !image->pixels) return nullptr;
    const size_t blockSize = static_cast<size_t>(layout.size);
    uint8_t* block = static_cast<uint8_t*>(ImageAllocate(blockSize));
    if (!block) return nullptr;
    memset(block, 0, blockSize);

    PutLe32(block, static_cast<uint32_t>(kInfoHeaderSize));
    PutLe32(block + 4, static_cast<uint32_t>(width));
    PutLe32(block + 8, static_cast<uint32_t>(height));
    PutLe16(block + 12, 1);
    PutLe16(block + 14, static_cast<uint32_t>(image->bitsPerPixel));
    if (layout.entries) {
        WriteColourTable(*image, layout.entries, background, block + kInfoHeaderSize);
    }

    WriteRows(*image, layout, background, premultiply, block + layout.bitsOffset);
    return block;
}
