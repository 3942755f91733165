#include "image/image.h"

int32_t Image::UsedPaletteEntries() const {
    const int32_t size = bitsPerPixel == 1 ? 2 : bitsPerPixel == 8 ? 256 : 0;
    const int32_t used = ImageCountColours();
    return used < size ? used : size;
}

int32_t Image::PaletteCycleStep(int32_t step) {
    if (!palette) return PaletteMissing;
    const uint8_t s = static_cast<uint8_t>(step & 0xFF);
    // Only a divisor of 255 lands exactly on the corners of the cycle.
    if (s == 0 || 255 / s * s != 255) return PaletteBadStep;
    const int32_t used = UsedPaletteEntries();
    for (int32_t i = 0; i < used; ++i) {
        uint8_t& r = palette[i].red;
        uint8_t& b = palette[i].blue;
        if (r < 255 && b == 0) {
            r = static_cast<uint8_t>(r + s);
        } else if (r == 255 && b < 255) {
            b = static_cast<uint8_t>(b + s);
        } else if (r > 0 && b == 255) {
            r = static_cast<uint8_t>(r - s);
        } else if (r == 0 && b > 0) {
            b = static_cast<uint8_t>(b - s);
        }
    }
    return PaletteCycled;
}

void Image::SetBannerTint(uint8_t value) {
    if (!palette) return;
    const int32_t used = UsedPaletteEntries();
    for (int32_t i = 0; i < used; ++i) palette[i].green = value;
}
