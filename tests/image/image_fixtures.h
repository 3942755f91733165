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
    while (times--) all.insert(all.end(), unit.begin(), unit.end());
    return all;
}

// MB data: the 12-byte header, then the body.
inline Bytes Mb(int32_t width, int32_t height, uint8_t type, uint8_t compression, Bytes body) {
    Bytes data = {'M', 'B'};
    for (uint32_t v : {static_cast<uint32_t>(width), static_cast<uint32_t>(height)}) {
        for (int shift = 0; shift < 32; shift += 8)
            data.push_back(static_cast<uint8_t>(v >> shift));
    }
    return Cat({data, {type, compression}, body});
}

// Hand-made blocks for an image, which then owns them; an empty palette is none, any other is
// padded with zeros.
inline void SetImage(Image& image, int32_t bpp, int32_t width, int32_t height, const Bytes& pixels,
                     const Bytes& palette = {}) {
    image.ImageFree();
    image.width = width;
    image.height = height;
    image.bitsPerPixel = bpp;
    image.pixels = static_cast<uint8_t*>(calloc(pixels.size() + 1, 1));
    if (!pixels.empty()) memcpy(image.pixels, pixels.data(), pixels.size());
    if (palette.empty()) return;
    image.palette = static_cast<PaletteEntry*>(calloc(bpp == 1 ? 2 : 256, 4));
    memcpy(image.palette, palette.data(), palette.size());
}

inline Bytes PaletteBytes(const Image& image) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(image.palette);
    return p ? Bytes(p, p + (image.bitsPerPixel == 1 ? 8 : 1024)) : Bytes();
}

// fake_alloc.cc's ImageAllocate stands in for the library's: malloc, each block filled with
// junk so that a byte the library leaves unwritten shows, a record of the requests, and
// failures on demand.
struct FakeAlloc {
    static inline int successesLeft = -1;  // none fails while negative
    static inline int count = 0;
    static inline size_t largest = 0;
    static void Reset() { count = 0, largest = 0; }
};

// While it lives, the allocation after `successes` successful ones fails, and all after it.
struct AllocationFailure {
    explicit AllocationFailure(int successes) { FakeAlloc::successesLeft = successes; }
    ~AllocationFailure() { FakeAlloc::successesLeft = -1; }
};

#endif
