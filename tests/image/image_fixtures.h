#ifndef QUORVEL_TESTS_IMAGE_IMAGE_FIXTURES_H
#define QUORVEL_TESTS_IMAGE_IMAGE_FIXTURES_H

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>
#include <vector>

#include "image/image.h"

using Bytes = std::vector<uint8_t>;

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline Bytes Repeat(size_t times, const Bytes& unit) {
    Bytes all;
    for (size_t i = 0; i < times; ++i) all.insert(all.end(), unit.begin(), unit.end());
    return all;
}

// MB data: the 12-byte header, then the body.
inline Bytes Mb(int32_t width, int32_t height, uint8_t type, uint8_t compression,
                const Bytes& body) {
    Bytes data = {'M', 'B'};
    for (int32_t v : {width, height}) {
        for (int shift = 0; shift < 32; shift += 8) {
            data.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> shift));
        }
    }
    data.push_back(type);
    data.push_back(compression);
    data.insert(data.end(), body.begin(), body.end());
    return data;
}

// A heap copy of exactly `size` bytes, so a read past them is a sanitizer error.
inline uint8_t* ExactCopy(const Bytes& data, size_t size) {
    uint8_t* copy = new uint8_t[size];
    if (size) memcpy(copy, data.data(), size);
    return copy;
}

// Puts hand-made blocks into an image, which then owns them.
inline void SetImage(Image& image, int32_t bpp, int32_t width, int32_t height, const Bytes& pixels,
                     const Bytes* palette = nullptr) {
    image.ImageFree();
    image.width = width;
    image.height = height;
    image.bitsPerPixel = bpp;
    image.pixels = static_cast<uint8_t*>(malloc(pixels.size() + 1));
    if (!pixels.empty()) memcpy(image.pixels, pixels.data(), pixels.size());
    if (palette) {
        Bytes full = *palette;
        full.resize(bpp == 1 ? 8 : 1024);
        image.palette = static_cast<PaletteEntry*>(malloc(full.size()));
        memcpy(image.palette, full.data(), full.size());
    }
}

inline Bytes PaletteBytes(const Image& image) {
    if (!image.palette) return {};
    const uint8_t* p = reinterpret_cast<const uint8_t*>(image.palette);
    return Bytes(p, p + (image.bitsPerPixel == 1 ? 8 : 1024));
}

#endif
