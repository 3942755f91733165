// MB image data: a 12-byte header, then the body. Little-endian, no field aligned.
//
//   Offset  Size  Field        Content
//   0       2     magic        "MB" (4D 42)
//   2       4     width        signed, pixels per row, 0 or more
//   6       4     height       signed, rows, 0 or more
//   10      1     imageType    0 to 5 (below)
//   11      1     compression  packet scheme (below)
//   12      rest  body         the palette part, if any, then the pixel data
//
//   imageType  bpp  palette part of the body                              compression
//   0          1    2 entries, 8 bytes, whatever the compression            0, 1
//   1          1    none                                                    0, 1
//   2          8    c0: 256 entries (1024 bytes); c1-c4: u16 count n        0 to 4
//                   (1 to 256), then n entries
//   3          8    c0: 1024 bytes, present but skipped; c1: none           0, 1
//   4          24   none                                                    0, 1
//   5          32   none                                                    0, 1, 2
//
//   A palette entry is 4 bytes: transparency, red, green, blue.
//
//   Compression 0 is the decoded pixel block itself (see Image). The packet schemes fill the
//   pixels in order, a run carrying on across rows; 1-bit row fill bits are not pixels.
//
//   bpp  c  packet                  pixels
//   1    1  b                       (b >> 1) + 1 of value b & 1                  (1 to 128)
//   8    1  n v                     n + 1 of v                                   (1 to 256)
//   8    2  b (b < 255)             one pixel b
//           FF n v                  n + 4 of v                                   (4 to 259)
//   8    3  b (b < 128)             one pixel b
//           b v (b >= 128)          b - 125 of v                                 (3 to 130)
//   8    4  b (b < 254)             one pixel b
//           FF n v                  n + 4 of v                                   (4 to 259)
//           FE m(u16) v             m + 260 of v                            (260 to 65795)
//   24   1  n r g b                 n + 1 of (r, g, b)                           (1 to 256)
//   32   1  n t r g b               n + 1 of (t, r, g, b)                        (1 to 256)
//   32   2  g0 g1 g2 g3, first rule that fits:
//           g0 < 255                one pixel (g0, g1, g2, g3)
//           g1 = 0                  one pixel (FF, 00, g2, g3)
//           g1 = 1, then p (4)      g2 + 256 g3 + 256 of p                   (256 to 65791)
//           g1 >= 2, then x y       g1 of (g2, g3, x, y)                         (2 to 255)
//
// Bytes after the last pixel's packet are not read.

#include <string.h>

#include "image/image.h"
#include "image/image_alloc.h"

namespace {

const size_t kHeaderSize = 12;
const size_t kFullPaletteBytes = 256 * sizeof(PaletteEntry);

// Reads the body; every read goes through Take, which cannot run past the end.
struct Reader {
    const uint8_t* p;
    const uint8_t* end;

    size_t Left() const { return static_cast<size_t>(end - p); }
    // The next n bytes, or null when the data ends first.
    const uint8_t* Take(size_t n) {
        if (n > Left()) return nullptr;
        const uint8_t* at = p;
        p += n;
        return at;
    }
};

int32_t ReadLe32(const uint8_t* b) {
    const uint32_t u = b[0] | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
                       static_cast<uint32_t>(b[3]) << 24;
    return u <= INT32_MAX ? static_cast<int32_t>(u) : -static_cast<int32_t>(~u) - 1;
}

// Pixel counts and block sizes are signed 32-bit in this format; a larger block cannot exist.
// Width x height x bytes per pixel when it fits, else -1; no product can overflow on the way.
int64_t BlockBytes(int32_t width, int32_t height, int32_t bytesPerPixel) {
    const int64_t pixels = static_cast<int64_t>(width) * height;
    return pixels <= INT32_MAX / bytesPerPixel ? pixels * bytesPerPixel : -1;
}

// Before allocating: whether `left` bytes of packets could possibly give `pixels` pixels, the
// best packet giving `maxRun` pixels for `packetBytes` bytes. Keeps a few hostile bytes from
// making the decoder allocate a huge block it could never fill.
bool CanFill(size_t left, size_t pixels, uint32_t maxRun, uint32_t packetBytes) {
    return static_cast<uint64_t>(left) * maxRun >= static_cast<uint64_t>(pixels) * packetBytes;
}

// The sizes of a type's pixel block.
struct PixelBlock {
    size_t pixels;
    size_t rowBytes;
    size_t bytes;
};

// The start all four type decoders share, ordered so that hostile data stays cheap: the block
// within the format's signed 32-bit limit (else MbNoMemory), then whether the body, less the
// `skip` bytes it holds before the pixel data, could give the block at all (else MbCorrupt):
// compression 0 needs the block's bytes themselves, a packet scheme enough of its best packet
// (`maxRun` pixels for `packetBytes` bytes). Nothing is allocated or read.
int PlanBlock(int32_t width, int32_t height, int32_t bitsPerPixel, const Reader& in, size_t skip,
              uint8_t compression, uint32_t maxRun, uint32_t packetBytes, PixelBlock* block) {
    const int64_t bytes = BlockBytes(width, height, bitsPerPixel == 1 ? 1 : bitsPerPixel / 8);
    if (bytes < 0) return MbNoMemory;
    // In 64 bits: a picture of no rows may still have rows too wide for a 32-bit size.
    const int64_t rowBytes = height > 0 ? (static_cast<int64_t>(width) * bitsPerPixel + 7) / 8 : 0;
    block->pixels = static_cast<size_t>(static_cast<int64_t>(width) * height);
    block->rowBytes = static_cast<size_t>(rowBytes);
    block->bytes = static_cast<size_t>(rowBytes * height);
    if (in.Left() < skip) return MbCorrupt;
    const size_t left = in.Left() - skip;
    if (compression == 0 ? left < block->bytes
                         : !CanFill(left, block->pixels, maxRun, packetBytes)) {
        return MbCorrupt;
    }
    return MbOk;
}

// A zero-byte request still gets a block, so a loaded image always has pixels.
uint8_t* AllocateBlock(size_t bytes) {
    return static_cast<uint8_t*>(ImageAllocate(bytes != 0 ? bytes : 1));
}

// Most runs are a few hundred bytes at most: 16-byte stores of a pattern beat a library call
// for each packet. Short and very long runs go to memset.
inline void FillRun(uint8_t* out, uint8_t value, size_t count) {
    if (count < 16 || count > 1024) {
        memset(out, value, count);
        return;
    }
    const uint64_t pattern = 0x0101010101010101ull * value;
    uint8_t* const last = out + count - 16;
    for (; out < last; out += 16) {
        memcpy(out, &pattern, 8);
        memcpy(out + 8, &pattern, 8);
    }
    memcpy(last, &pattern, 8);
    memcpy(last + 8, &pattern, 8);
}

template <size_t N>
void FillPixels(uint8_t* out, const uint8_t* pixel, size_t count) {
    for (size_t i = 0; i < count; ++i, out += N) memcpy(out, pixel, N);
}

// The 8-bit packet schemes, driven by the output position so no run can pass the end.
template <uint8_t Scheme>
int DecodeRuns8(Reader& in, uint8_t* out, uint8_t* const end) {
    while (out != end) {
        const uint8_t* b = in.Take(1);
        if (!b) return MbCorrupt;
        size_t run;
        const uint8_t* packet;
        if (Scheme == 1) {
            if (!(packet = in.Take(1))) return MbCorrupt;
            run = b[0] + 1u;
        } else if (Scheme == 3) {
            if (b[0] < 128) {
                *out++ = b[0];
                continue;
            }
            if (!(packet = in.Take(1))) return MbCorrupt;
            run = b[0] - 125u;
        } else {
            if (b[0] < (Scheme == 2 ? 255 : 254)) {
                *out++ = b[0];
                continue;
            }
            if (b[0] == 255) {
                if (!(packet = in.Take(2))) return MbCorrupt;
                run = packet[0] + 4u;
                ++packet;
            } else {
                if (!(packet = in.Take(3))) return MbCorrupt;
                run = (packet[0] | packet[1] << 8) + 260u;
                packet += 2;
            }
        }
        if (run > static_cast<size_t>(end - out)) return MbCorrupt;
        FillRun(out, packet[0], run);
        out += run;
    }
    return MbOk;
}

}  // namespace

Image::~Image() {
    ImageRelease(palette);
    ImageRelease(pixels);
}

void Image::ImageFree() {
    width = height = bitsPerPixel = 0;
    ImageRelease(palette);
    palette = nullptr;
    ImageRelease(pixels);
    pixels = nullptr;
}

int Image::ImageLoadMb(const void* data, size_t size) {
    if (!data) return MbNoData;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    // Test the magic as far as the data goes: a cut-off "M" is short data, not another format.
    if ((size > 0 && bytes[0] != 'M') || (size > 1 && bytes[1] != 'B')) return MbBadMagic;
    ImageFree();
    if (size < kHeaderSize) return MbCorrupt;

    width = ReadLe32(bytes + 2);
    height = ReadLe32(bytes + 6);
    if (width < 0 || height < 0) {
        width = height = 0;
        return MbBadSize;
    }
    const uint8_t imageType = bytes[10];
    const uint8_t compression = bytes[11];
    const uint8_t* body = bytes + kHeaderSize;
    const size_t bodySize = size - kHeaderSize;

    int result;
    switch (imageType) {
        case 0:
        case 1:
            bitsPerPixel = 1;
            result = ImageDecodeMb1(body, bodySize, imageType, compression);
            break;
        case 2:
        case 3:
            bitsPerPixel = 8;
            result = ImageDecodeMb8(body, bodySize, imageType, compression);
            break;
        case 4:
            bitsPerPixel = 24;
            result = ImageDecodeMb24(body, bodySize, compression);
            break;
        case 5:
            bitsPerPixel = 32;
            result = ImageDecodeMb32(body, bodySize, compression);
            break;
        default:
            width = height = 0;
            return MbBadType;
    }
    if (result != MbOk) ImageFree();
    return result;
}

int Image::ImageDecodeMb1(const uint8_t* body, size_t size, uint8_t imageType,
                          uint8_t compression) {
    if (imageType > 1 || compression > 1) return MbBadCompression;
    Reader in{body, body + size};
    PixelBlock block;
    const size_t paletteBytes = imageType == 0 ? 2 * sizeof(PaletteEntry) : 0;
    int result = PlanBlock(width, height, 1, in, paletteBytes, compression, 128, 1, &block);
    if (result != MbOk) return result;
    const uint8_t* entries = paletteBytes ? in.Take(paletteBytes) : nullptr;
    const size_t rowBytes = block.rowBytes;
    const size_t blockBytes = block.bytes;

    if (entries) {
        palette = static_cast<PaletteEntry*>(ImageAllocate(2 * sizeof(PaletteEntry)));
        if (!palette) return MbNoMemory;
        memcpy(palette, entries, 2 * sizeof(PaletteEntry));
    }
    pixels = AllocateBlock(blockBytes);
    if (!pixels) return MbNoMemory;

    if (compression == 0) {
        memcpy(pixels, in.Take(blockBytes), blockBytes);
        return MbOk;
    }
    memset(pixels, 0, blockBytes);
    const uint32_t pixelCount = static_cast<uint32_t>(block.pixels);
    uint32_t done = 0;
    while (done < pixelCount) {
        const uint8_t* b = in.Take(1);
        if (!b) return MbCorrupt;
        const uint32_t run = (b[0] >> 1) + 1u;
        // A clear run needs no writing, and one that overshoots simply ends the picture.
        if (b[0] & 1) {
            if (run > pixelCount - done) return MbCorrupt;
            const uint32_t columns = static_cast<uint32_t>(width);
            uint8_t* row = pixels + done / columns * rowBytes;
            uint32_t column = done % columns;
            for (uint32_t i = 0; i < run; ++i) {
                row[column >> 3] |= static_cast<uint8_t>(0x80 >> (column & 7));
                if (++column == columns) {
                    column = 0;
                    row += rowBytes;
                }
            }
        }
        done += run;
    }
    return MbOk;
}

int Image::ImageDecodeMb8(const uint8_t* body, size_t size, uint8_t imageType,
                          uint8_t compression) {
    if (imageType == 2 ? compression > 4 : imageType != 3 || compression > 1) {
        return MbBadCompression;
    }
    // The best packet of each scheme: pixels it gives, bytes it takes.
    static const uint32_t kMaxRun[5] = {0, 256, 259, 130, 65795};
    static const uint8_t kRunBytes[5] = {0, 2, 3, 2, 4};
    Reader in{body, body + size};
    // Raw data has the 1024 palette bytes first (type 3: present but unread); packets of type
    // 2 at least the palette's count.
    const size_t skip = compression == 0 ? kFullPaletteBytes : imageType == 2 ? 2 : 0;
    PixelBlock block;
    int result = PlanBlock(width, height, 8, in, skip, compression, kMaxRun[compression],
                           kRunBytes[compression], &block);
    if (result != MbOk) return result;
    const size_t total = block.bytes;

    if (imageType == 2) {
        palette = static_cast<PaletteEntry*>(ImageAllocate(kFullPaletteBytes));
        if (!palette) return MbNoMemory;
    }
    pixels = AllocateBlock(total);
    if (!pixels) return MbNoMemory;

    if (compression == 0) {
        const uint8_t* entries = in.Take(kFullPaletteBytes);
        if (palette) memcpy(palette, entries, kFullPaletteBytes);
        memcpy(pixels, in.Take(total), total);
        return MbOk;
    }
    if (palette) {
        memset(palette, 0, kFullPaletteBytes);
        const uint8_t* count = in.Take(2);
        const size_t entryCount = count[0] | count[1] << 8;
        if (entryCount == 0 || entryCount > 256) return MbCorrupt;
        const uint8_t* entries = in.Take(entryCount * sizeof(PaletteEntry));
        if (!entries) return MbCorrupt;
        memcpy(palette, entries, entryCount * sizeof(PaletteEntry));
    }
    uint8_t* const end = pixels + total;
    switch (compression) {
        case 1:
            return DecodeRuns8<1>(in, pixels, end);
        case 2:
            return DecodeRuns8<2>(in, pixels, end);
        case 3:
            return DecodeRuns8<3>(in, pixels, end);
        default:
            return DecodeRuns8<4>(in, pixels, end);
    }
}

int Image::ImageDecodeMb24(const uint8_t* body, size_t size, uint8_t compression) {
    if (compression > 1) return MbBadCompression;
    Reader in{body, body + size};
    PixelBlock block;
    int result = PlanBlock(width, height, 24, in, 0, compression, 256, 4, &block);
    if (result != MbOk) return result;
    const size_t bytes = block.bytes;
    pixels = AllocateBlock(bytes);
    if (!pixels) return MbNoMemory;

    if (compression == 0) {
        memcpy(pixels, in.Take(bytes), bytes);
        return MbOk;
    }
    uint8_t* out = pixels;
    uint8_t* const end = pixels + bytes;
    while (out != end) {
        const uint8_t* packet = in.Take(4);
        if (!packet) return MbCorrupt;
        const size_t run = packet[0] + 1u;
        if (run > static_cast<size_t>(end - out) / 3) return MbCorrupt;
        FillPixels<3>(out, packet + 1, run);
        out += 3 * run;
    }
    return MbOk;
}

int Image::ImageDecodeMb32(const uint8_t* body, size_t size, uint8_t compression) {
    if (compression > 2) return MbBadCompression;
    Reader in{body, body + size};
    PixelBlock block;
    const bool longRuns = compression == 2;  // the best packet of each scheme
    int result = PlanBlock(width, height, 32, in, 0, compression, longRuns ? 65791 : 256,
                           longRuns ? 8 : 5, &block);
    if (result != MbOk) return result;
    const size_t bytes = block.bytes;
    pixels = AllocateBlock(bytes);
    if (!pixels) return MbNoMemory;

    if (compression == 0) {
        memcpy(pixels, in.Take(bytes), bytes);
        return MbOk;
    }
    uint8_t* out = pixels;
    uint8_t* const end = pixels + bytes;
    while (out != end) {
        const uint8_t* pixel;
        size_t run;
        uint8_t joined[4];  // scheme 2's short run: a pixel split across the group and 2 bytes
        if (compression == 1) {
            const uint8_t* packet = in.Take(5);
            if (!packet) return MbCorrupt;
            run = packet[0] + 1u;
            pixel = packet + 1;
        } else {
            const uint8_t* group = in.Take(4);
            if (!group) return MbCorrupt;
            if (group[0] < 255 || group[1] == 0) {
                memcpy(out, group, 4);
                out += 4;
                continue;
            }
            if (group[1] == 1) {
                if (!(pixel = in.Take(4))) return MbCorrupt;
                run = group[2] + 256u * group[3] + 256u;
            } else {
                const uint8_t* tail = in.Take(2);
                if (!tail) return MbCorrupt;
                joined[0] = group[2];
                joined[1] = group[3];
                joined[2] = tail[0];
                joined[3] = tail[1];
                pixel = joined;
                run = group[1];
            }
        }
        if (run > static_cast<size_t>(end - out) / 4) return MbCorrupt;
        FillPixels<4>(out, pixel, run);
        out += 4 * run;
    }
    return MbOk;
}
