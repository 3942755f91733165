#include "image/image_win.h"

#include "image/image_alloc.h"
#include "platform/counted_win.h"

namespace {

// A logical palette with the table's colours, or null (the bitmap is then made without one).
HPALETTE CreateTablePalette(const RGBQUAD* table, DWORD entries) {
    LOGPALETTE* logical = static_cast<LOGPALETTE*>(
        ImageAllocate(4 + sizeof(PALETTEENTRY) * (entries + plat::kPaletteGuardEntries)));
    if (!logical) return nullptr;
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(entries);
    plat::GuardPalette(logical);
    PALETTEENTRY* out = logical->palPalEntry;
    for (DWORD i = 0; i < entries; ++i) {
        out[i].peRed = table[i].rgbRed;
        out[i].peGreen = table[i].rgbGreen;
        out[i].peBlue = table[i].rgbBlue;
        out[i].peFlags = 0;
    }
    HPALETTE palette = plat::CreatePalette(logical);
    ImageRelease(logical);
    return palette;
}

}  // namespace

HBITMAP ImageToBitmap(const Image* image, COLORREF background, bool premultiply) {
    uint8_t* block = ImageToDib(image, background, premultiply);
    if (!block) return nullptr;
    const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(block);
    DibLayout layout;  // a block was built, so its layout exists
    ImageDibLayout(image->bitsPerPixel, image->width, image->height, &layout);
    const DWORD entries = static_cast<DWORD>(layout.entries);
    HPALETTE palette = entries ? CreateTablePalette(info->bmiColors, entries) : nullptr;
    const void* bits = block + layout.bitsOffset;

    HDC screen = plat::GetDC(nullptr);
    HPALETTE previous = nullptr;
    if (palette) {
        previous = plat::SelectPalette(screen, palette, FALSE);
        RealizePalette(screen);
    }
    HBITMAP bitmap =
        plat::CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bits, info, DIB_RGB_COLORS);
    if (previous) plat::SelectPalette(screen, previous, FALSE);
    plat::ReleaseDC(nullptr, screen);
    ImageRelease(block);
    if (palette) plat::DeleteObject(palette);
    return bitmap;
}
