#ifndef QUORVEL_TESTS_IMAGE_IMAGE_FIXTURES_H
#define QUORVEL_TESTS_IMAGE_IMAGE_FIXTURES_H

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "image/image.h"

using Bytes = std::vector<uint8_t>;

inline Bytes Cat(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline Bytes Repeat(size_t times, const Bytes& unit) {
    return Cat(std::vector<Bytes>(times, unit));
}

inline Bytes Le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

// MB data: the 12-byte header, then the body.
inline Bytes Mb(int32_t width, int32_t height, uint8_t type, uint8_t compression, Bytes body) {
    return Cat({{'M', 'B'}, Le32(width), Le32(height), {type, compression}, body});
}

// Hand-made blocks for an image, which then owns them: the pixels exactly as given (none when
// empty), so that a read past them shows; an empty palette is none, any other is cut or padded
// with zeros to the depth's 2 or 256 entries.
inline void SetImage(Image& image, int32_t bpp, int32_t width, int32_t height, const Bytes& pixels,
                     const Bytes& palette = {}) {
    image.ImageFree();
    image.width = width, image.height = height, image.bitsPerPixel = bpp;
    if (!pixels.empty()) image.pixels = static_cast<uint8_t*>(malloc(pixels.size()));
    if (!pixels.empty()) memcpy(image.pixels, pixels.data(), pixels.size());
    if (palette.empty()) return;
    const size_t bytes = bpp == 1 ? 8 : 1024;
    image.palette = static_cast<PaletteEntry*>(calloc(bytes, 1));
    memcpy(image.palette, palette.data(), std::min(bytes, palette.size()));
}

inline Bytes PaletteBytes(const Image& image) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(image.palette);
    return p ? Bytes(p, p + (image.bitsPerPixel == 1 ? 8 : 1024)) : Bytes();
}

// fake_alloc.cc stands in for the library's allocator: junk in each block so that a byte left
// unwritten shows, a record of the requests and of blocks not given back, failures on demand.
struct FakeAlloc {
    static inline int successesLeft = -1;  // none fails while negative
    static inline int count = 0, live = 0;
    static inline size_t largest = 0;
    static void Reset(int successes = -1) { count = 0, largest = 0, successesLeft = successes; }
};

// While it lives, the record starts afresh and the allocation after `successes` successful ones
// fails; later ones succeed again, so that what a failure stops shows.
struct AllocationFailure {
    explicit AllocationFailure(int successes) { FakeAlloc::Reset(successes); }
    ~AllocationFailure() { FakeAlloc::successesLeft = -1; }
};

#endif
