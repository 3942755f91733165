#ifndef QUORVEL_BENCH_BENCH_DATA_H
#define QUORVEL_BENCH_BENCH_DATA_H

// MB data for the benchmarks, built in memory.

#include <stdint.h>

#include <vector>

#include "image/image.h"

using Bytes = std::vector<uint8_t>;

inline Bytes MbHeader(int32_t width, int32_t height, uint8_t type, uint8_t compression) {
    Bytes data = {'M', 'B'};
    for (int32_t v : {width, height}) {
        for (int shift = 0; shift < 32; shift += 8) {
            data.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> shift));
        }
    }
    data.push_back(type);
    data.push_back(compression);
    return data;
}

// An 8-bit picture of `pixels` pixels (type 3) in the given scheme: every packet the
// scheme's longest run, values below 128 so any short remainder can be single pixels.
// Scheme 0 is raw.
inline Bytes LongRuns8(int32_t width, int32_t height, uint8_t scheme) {
    Bytes data = MbHeader(width, height, scheme <= 1 ? 3 : 2, scheme);
    if (scheme == 0) data.resize(data.size() + 1024);
    if (scheme >= 2) data.insert(data.end(), {1, 0, 0, 0, 0, 0});  // one palette entry
    size_t left = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (uint8_t v = 0; left > 0; v = static_cast<uint8_t>((v + 1) & 0x7F)) {
        if (scheme == 0) {
            data.push_back(v);
            --left;
            continue;
        }
        const size_t longest = scheme == 1 ? 256 : scheme == 2 ? 259 : scheme == 3 ? 130 : 65795;
        const size_t run = left < longest ? left : longest;
        if (scheme == 1) {
            data.insert(data.end(), {static_cast<uint8_t>(run - 1), v});
        } else if (run < 4) {
            data.insert(data.end(), run, v);
        } else if (scheme == 3) {
            data.insert(data.end(), {static_cast<uint8_t>(run + 125), v});
        } else if (run >= 260) {
            const size_t m = run - 260;
            data.insert(data.end(),
                        {0xFE, static_cast<uint8_t>(m), static_cast<uint8_t>(m >> 8), v});
        } else {
            data.insert(data.end(), {0xFF, static_cast<uint8_t>(run - 4), v});
        }
        left -= run;
    }
    return data;
}

// A banner-sized picture: 145 x 15, 8 bpp, 35 palette entries (black at rising
// transparency) all in use, in scheme 3 as the shipped banner is.
inline Bytes BannerData() {
    Bytes data = MbHeader(145, 15, 2, 3);
    data.insert(data.end(), {35, 0});
    for (int i = 0; i < 35; ++i) data.insert(data.end(), {static_cast<uint8_t>(i * 7), 0, 0, 0});
    for (int y = 0; y < 15; ++y) {
        for (int x = 0; x < 145;) {
            const uint8_t v = static_cast<uint8_t>((x / 5 + y) % 35);
            const int run = 5 - x % 5 < 145 - x ? 5 - x % 5 : 145 - x;
            if (run >= 3) {
                data.insert(data.end(), {static_cast<uint8_t>(run + 125), v});
            } else {
                data.insert(data.end(), static_cast<size_t>(run), v);
            }
            x += run;
        }
    }
    return data;
}

#endif
