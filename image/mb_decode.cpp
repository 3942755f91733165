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

// The start all four type decoders share: the block planned, then allocated at its size, the
// data still unread. A zero-byte block is still a block, so a loaded image always has pixels.
int StartBlock(Image& image, const Reader& in, size_t skip, uint8_t compression, uint32_t maxRun,
               uint32_t packetBytes, PixelBlock* block) {
    const int result = PlanBlock(image.width, image.height, image.bitsPerPixel, in, skip,
                                 compression, maxRun, packetBytes, block);
    if (result != MbOk) return result;
    image.pixels = static_cast<uint8_t*>(ImageAllocate(block->bytes != 0 ? block->bytes : 1));
    return image.pixels ? MbOk : MbNoMemory;
}

// Most runs are a few hundred bytes at most: 16-byte stores of a pattern beat a library call
// for each packet (16 to 1024 bytes here).
inline void FillPattern(uint8_t* out, uint8_t value, size_t count) {
    const uint64_t pattern = 0x0101010101010101ull * value;
    uint8_t* const last = out + count - 16;
    for (; out < last; out += 16) {
        memcpy(out, &pattern, 8);
        memcpy(out + 8, &pattern, 8);
    }
    memcpy(last, &pattern, 8);
    memcpy(last + 8, &pattern, 8);
}

// Short and very long runs go to memset, a literal pixel to no call at all.
inline void FillRun(uint8_t* out, uint8_t value, size_t count) {
    if (count == 1) {
        *out = value;
    } else if (count < 16 || count > 1024) {
        memset(out, value, count);
    } else {
        FillPattern(out, value, count);
    }
}

template <size_t N>
inline void FillPixels(uint8_t* out, const uint8_t* pixel, size_t count) {
    if (N == 1) return FillRun(out, pixel[0], count);
    for (size_t i = 0; i < count; ++i, out += N) memcpy(out, pixel, N);
}

// What one packet gives: `count` copies of the pixel at `pixel`.
struct Run {
    const uint8_t* pixel;
    size_t count;
};

// The packet readers, one per scheme; each is false when the data ends inside its packet.
// A count byte n, then an N-byte pixel: n + 1 of it (8, 24 and 32 bpp, scheme 1).
template <size_t N>
bool CountedRun(Reader& in, uint8_t*, Run* run) {
    const uint8_t* packet = in.Take(N + 1);
    if (!packet) return false;
    *run = {packet + 1, packet[0] + 1u};
    return true;
}

// 8 bpp schemes 2 to 4: a byte below the scheme's first escape byte is one pixel.
template <uint8_t Scheme>
bool EscapedRun8(Reader& in, uint8_t*, Run* run) {
    const uint8_t* b = in.Take(1);
    if (!b) return false;
    if (b[0] < (Scheme == 2 ? 255 : Scheme == 3 ? 128 : 254)) {
        *run = {b, 1};
        return true;
    }
    // FF n v in schemes 2 and 4; FE m(16) v in scheme 4; b v in scheme 3.
    const size_t countBytes = Scheme == 3 ? 0 : b[0] == 255 ? 1 : 2;
    const uint8_t* packet = in.Take(countBytes + 1);
    if (!packet) return false;
    const size_t count = countBytes == 0   ? b[0] - 125u
                         : countBytes == 1 ? packet[0] + 4u
                                           : (packet[0] | packet[1] << 8) + 260u;
    *run = {packet + countBytes, count};
    return true;
}

// 32 bpp scheme 2. Its short run's pixel is split between the group and two more bytes, and
// is joined in `joined`.
bool GroupRun32(Reader& in, uint8_t* joined, Run* run) {
    const uint8_t* group = in.Take(4);
    if (!group) return false;
    if (group[0] < 255 || group[1] == 0) {
        *run = {group, 1};
        return true;
    }
    const uint8_t* more = in.Take(group[1] == 1 ? 4 : 2);
    if (!more) return false;
    if (group[1] == 1) {
        *run = {more, group[2] + 256u * group[3] + 256u};
        return true;
    }
    memcpy(joined, group + 2, 2);
    memcpy(joined + 2, more, 2);
    *run = {joined, group[1]};
    return true;
}

// Every packet scheme's loop, driven by the output position so that no run can pass the end.
// Compression 0 is the block itself.
template <size_t N, bool (*ReadPacket)(Reader&, uint8_t*, Run*)>
int DecodePixels(Reader& in, uint8_t* out, size_t bytes, uint8_t compression) {
    if (compression == 0) {
        memcpy(out, in.Take(bytes), bytes);
        return MbOk;
    }
    uint8_t joined[N];
    for (uint8_t* const end = out + bytes; out != end;) {
        Run run;
        if (!ReadPacket(in, joined, &run) || run.count > static_cast<size_t>(end - out) / N) {
            return MbCorrupt;
        }
        FillPixels<N>(out, run.pixel, run.count);
        out += N * run.count;
    }
    return MbOk;
}

// 1 bpp scheme 1 into a cleared block: a set run sets its bits, a clear one is skipped, and
// one that overshoots simply ends the picture.
int DecodeBitRuns(Reader& in, uint8_t* pixels, const PixelBlock& block, uint32_t columns) {
    const uint32_t pixelCount = static_cast<uint32_t>(block.pixels);
    for (uint32_t done = 0, run; done < pixelCount; done += run) {
        const uint8_t* b = in.Take(1);
        if (!b) return MbCorrupt;
        run = (b[0] >> 1) + 1u;
        if (!(b[0] & 1)) continue;
        if (run > pixelCount - done) return MbCorrupt;
        uint8_t* row = pixels + done / columns * block.rowBytes;
        for (uint32_t i = 0, column = done % columns; i < run; ++i) {
            row[column >> 3] |= static_cast<uint8_t>(0x80 >> (column & 7));
            if (++column == columns) {
                column = 0;
                row += block.rowBytes;
            }
        }
    }
    return MbOk;
}

// Type 2's palette: 256 entries in raw data, else a count of 1 to 256 before the packets (the
// two bytes are there: the plan made sure of them). Entries the data does not give are zero.
int TakePalette8(Reader& in, uint8_t compression, PaletteEntry** palette) {
    *palette = static_cast<PaletteEntry*>(ImageAllocate(kFullPaletteBytes));
    if (!*palette) return MbNoMemory;
    memset(*palette, 0, kFullPaletteBytes);
    size_t count = 256;
    if (compression != 0) {
        const uint8_t* n = in.Take(2);
        count = n[0] | n[1] << 8;
        if (count == 0 || count > 256) return MbCorrupt;
    }
    const uint8_t* entries = in.Take(count * sizeof(PaletteEntry));
    if (!entries) return MbCorrupt;
    memcpy(*palette, entries, count * sizeof(PaletteEntry));
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
    const uint8_t imageType = bytes[10];
    if (width < 0 || height < 0 || imageType > 5) {
        const int result = width < 0 || height < 0 ? MbBadSize : MbBadType;
        width = height = 0;
        return result;
    }
    static const int32_t kBitsPerPixel[6] = {1, 1, 8, 8, 24, 32};
    bitsPerPixel = kBitsPerPixel[imageType];
    const uint8_t compression = bytes[11];
    const uint8_t* body = bytes + kHeaderSize;
    const size_t bodySize = size - kHeaderSize;
    const int result = imageType <= 1   ? ImageDecodeMb1(body, bodySize, imageType, compression)
                       : imageType <= 3 ? ImageDecodeMb8(body, bodySize, imageType, compression)
                       : imageType == 4 ? ImageDecodeMb24(body, bodySize, compression)
                                        : ImageDecodeMb32(body, bodySize, compression);
    if (result != MbOk) ImageFree();
    return result;
}

int Image::ImageDecodeMb1(const uint8_t* body, size_t size, uint8_t imageType,
                          uint8_t compression) {
    if (imageType > 1 || compression > 1) return MbBadCompression;
    Reader in{body, body + size};
    PixelBlock block;
    const size_t paletteBytes = imageType == 0 ? 2 * sizeof(PaletteEntry) : 0;
    int result = StartBlock(*this, in, paletteBytes, compression, 128, 1, &block);
    if (result != MbOk) return result;
    if (paletteBytes) {
        palette = static_cast<PaletteEntry*>(ImageAllocate(paletteBytes));
        if (!palette) return MbNoMemory;
        memcpy(palette, in.Take(paletteBytes), paletteBytes);
    }
    if (compression == 0) {
        memcpy(pixels, in.Take(block.bytes), block.bytes);
        return MbOk;
    }
    memset(pixels, 0, block.bytes);
    return DecodeBitRuns(in, pixels, block, static_cast<uint32_t>(width));
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
    int result = StartBlock(*this, in, skip, compression, kMaxRun[compression],
                            kRunBytes[compression], &block);
    if (result == MbOk && imageType == 2) result = TakePalette8(in, compression, &palette);
    if (result != MbOk) return result;
    if (imageType == 3 && compression == 0) in.Take(kFullPaletteBytes);
    switch (compression) {
        case 2:
            return DecodePixels<1, EscapedRun8<2>>(in, pixels, block.bytes, compression);
        case 3:
            return DecodePixels<1, EscapedRun8<3>>(in, pixels, block.bytes, compression);
        case 4:
            return DecodePixels<1, EscapedRun8<4>>(in, pixels, block.bytes, compression);
        default:
            return DecodePixels<1, CountedRun<1>>(in, pixels, block.bytes, compression);
    }
}

int Image::ImageDecodeMb24(const uint8_t* body, size_t size, uint8_t compression) {
    if (compression > 1) return MbBadCompression;
    Reader in{body, body + size};
    PixelBlock block;
    const int result = StartBlock(*this, in, 0, compression, 256, 4, &block);
    if (result != MbOk) return result;
    return DecodePixels<3, CountedRun<3>>(in, pixels, block.bytes, compression);
}

int Image::ImageDecodeMb32(const uint8_t* body, size_t size, uint8_t compression) {
    if (compression > 2) return MbBadCompression;
    Reader in{body, body + size};
    PixelBlock block;
    const bool groups = compression == 2;  // the best packet of each scheme
    const int result =
        StartBlock(*this, in, 0, compression, groups ? 65791 : 256, groups ? 8 : 5, &block);
    if (result != MbOk) return result;
    return groups ? DecodePixels<4, GroupRun32>(in, pixels, block.bytes, compression)
                  : DecodePixels<4, CountedRun<4>>(in, pixels, block.bytes, compression);
}
