#ifndef QUORVEL_IMAGE_IMAGE_H
#define QUORVEL_IMAGE_IMAGE_H

// The banner image library: the decoded image, its MB decoder, the colour census, the packed
// bitmap block and the palette effects. Every block the library hands out comes from the C
// runtime heap and is released with free().

#include <stddef.h>
#include <stdint.h>

// One palette entry; the same four bytes in memory and in MB data. Read as a little-endian
// 32-bit number it is 0xBBGGRRTT.
struct PaletteEntry {
    uint8_t transparency;  // weight of the background, out of 255: 0 opaque, 255 invisible
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

// Results of Image::ImageLoadMb. MbNoData and MbBadMagic leave the image as it was; every
// other failure leaves it empty.
enum MbResult : int {
    MbNoData = -1,         // the data pointer is null
    MbOk = 0,              // decoded
    MbBadMagic = 1,        // the data does not begin "MB"
    MbBadSize = 2,         // width or height is negative
    MbBadType = 3,         // image type above 5
    MbBadCompression = 4,  // compression not accepted for the image type
    MbNoMemory = 5,        // a block could not be allocated, or is too big to exist
    MbCorrupt = 6,         // bad palette count, a run past the last pixel, or data cut short
};

// Results of Image::PaletteCycleStep.
enum PaletteCycleResult : int32_t {
    PaletteCycled = 0,   // the used entries moved one step
    PaletteMissing = 1,  // the image has no palette
    PaletteBadStep = 2,  // the step's low byte is 0 or does not divide 255
};

// A decoded picture. Empty: all numbers 0 and both pointers null. Loaded: pixels not null,
// palette not null exactly for MB image types 0 (2 entries) and 2 (256 entries). Pixel rows
// are top row first and tightly packed: 1 bpp rows of (width + 7) / 8 bytes with the leftmost
// pixel in bit 0x80; 8 bpp one index or level a pixel; 24 bpp red, green, blue; 32 bpp laid
// out like a PaletteEntry.
class Image {
  public:
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
    PaletteEntry* palette;
    uint8_t* pixels;

    Image() : width(0), height(0), bitsPerPixel(0), palette(nullptr), pixels(nullptr) {}
    // Releases both blocks; the numbers are left as they are.
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Decodes `size` bytes of MB data, never reading past them. Returns an MbResult; see there
    // for the state each result leaves. The data is only read and not kept.
    int ImageLoadMb(const void* data, size_t size);
    // Releases both blocks and zeroes every field. Harmless on an empty image.
    void ImageFree();

    // Number of distinct colours: by buckets above 8 bpp, by one tree otherwise. When a node
    // or the bucket table cannot be allocated, the count of the values taken in until then.
    int32_t ImageCountColours() const;

    // Moves red and blue of each used palette entry one step round the colour cycle; only the
    // low byte of step counts. Returns a PaletteCycleResult.
    int32_t PaletteCycleStep(int32_t step);
    // Sets green of each used palette entry; does nothing without a palette.
    void SetBannerTint(uint8_t value);

  private:
    // Type decoders, called by ImageLoadMb only, with width, height and bitsPerPixel set and
    // both pointers null. They may leave a block behind on failure; ImageLoadMb frees it.
    int ImageDecodeMb1(const uint8_t* body, size_t size, uint8_t imageType, uint8_t compression);
    int ImageDecodeMb8(const uint8_t* body, size_t size, uint8_t imageType, uint8_t compression);
    int ImageDecodeMb24(const uint8_t* body, size_t size, uint8_t compression);
    int ImageDecodeMb32(const uint8_t* body, size_t size, uint8_t compression);
    // Used palette entries: the census, never more than the palette holds.
    int32_t UsedPaletteEntries() const;
};

// Where the parts of a packed device-independent bitmap lie, worked out from its depth and size
// alone: the header (40 bytes), the colour table, then the rows, bottom row first, each padded
// to a multiple of 4 bytes.
struct DibLayout {
    int32_t entries;     // colour-table entries: 2 at 1 bpp, 256 at 8 bpp, none above
    int64_t rowBytes;    // bytes of one row of pixels, without its padding
    int64_t stride;      // bytes of one row with its padding
    int64_t bitsOffset;  // the rows' offset: the header and the table
    int64_t size;        // the whole block
};

// False for a depth other than 1, 8, 24 or 32, or a negative width or height. Sizes are 64-bit
// so that no legal image's block size can overflow on the way to a check.
bool ImageDibLayout(int32_t bitsPerPixel, int64_t width, int64_t height, DibLayout* layout);

// Builds a packed bottom-up device-independent bitmap (BITMAPINFOHEADER, colour table,
// rows aligned to 4 bytes) with the palette, or the 32 bpp pixels, blended against
// `background` (a COLORREF: red in bits 0-7, green 8-15, blue 16-23). With `premultiply`,
// 32 bpp pixels get their opacity in the fourth byte and their colour scaled by it instead.
// Returns a block the caller frees with free(), or null for an unsupported depth, a block
// whose size does not fit in signed 32 bits, or a failed allocation. The image is only read.
uint8_t* ImageToDib(const Image* image, uint32_t background, bool premultiply);

#endif
