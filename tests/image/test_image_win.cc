// The device bitmap exists only in the Windows build.
#ifdef _WIN32

#include <gtest/gtest.h>

#include "image/image_win.h"
#include "tests/image/image_fixtures.h"

namespace {

// The bitmap's pixels as 0x00RRGGBB, top row first.
std::vector<uint32_t> ReadBack(HBITMAP bitmap, int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<size_t>(width * height));
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info,
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(rows, height);
    return pixels;
}

TEST(ImageToBitmap, ShowsThePaletteBlendedWithTheBackground) {
    // Opaque (200, 10, 20), fully transparent, and half transparent black.
    const Bytes palette = {0, 200, 10, 20, 255, 0, 0, 0, 128, 0, 0, 0};
    Image image;
    SetImage(image, 8, 3, 2, {0, 1, 2, 2, 1, 0}, &palette);
    HBITMAP bitmap = ImageToBitmap(&image, RGB(212, 208, 200), false);
    ASSERT_NE(bitmap, nullptr);
    const uint32_t opaque = 0xC80A14, face = 0xD4D0C8, half = 106 << 16 | 104 << 8 | 100;
    EXPECT_EQ(ReadBack(bitmap, 3, 2),
              std::vector<uint32_t>({opaque, face, half, half, face, opaque}));
    DeleteObject(bitmap);
}

TEST(ImageToBitmap, DeepImagesNeedNoPalette) {
    Image image;
    SetImage(image, 32, 2, 1, {0, 1, 2, 3, 255, 9, 9, 9});
    HBITMAP bitmap = ImageToBitmap(&image, RGB(7, 8, 9), false);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(ReadBack(bitmap, 2, 1), std::vector<uint32_t>({0x010203, 0x070809}));
    DeleteObject(bitmap);
}

TEST(ImageToBitmap, EmptyImageGivesNoBitmap) {
    Image image;
    EXPECT_EQ(ImageToBitmap(&image, RGB(1, 2, 3), false), nullptr);
}

}  // namespace

#endif
