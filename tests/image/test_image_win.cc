// The device bitmap exists only in the Windows build.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <utility>

#include "image/image_win.h"
#include "tests/image/image_fixtures.h"

namespace {

TEST(ImageToBitmap, ShowsThePixelsBlendedWithTheBackground) {
    // Opaque (200, 10, 20), transparent and half transparent black, as palette and 32 bpp pixels.
    const Bytes palette = {0, 200, 10, 20, 255, 0, 0, 0, 128, 0, 0, 0};
    const uint32_t opaque = 0xC80A14, face = 0xD4D0C8, half = 106 << 16 | 104 << 8 | 100;
    Image indexed, deep, empty;
    SetImage(indexed, 8, 3, 2, {0, 1, 2, 2, 1, 0}, palette);
    SetImage(deep, 32, 3, 1, palette);
    for (const auto& [image, want] :  // 0x00RRGGBB, top row first
         {std::make_pair(&indexed, std::vector<uint32_t>{opaque, face, half, half, face, opaque}),
          std::make_pair(&deep, std::vector<uint32_t>{opaque, face, half})}) {
        SCOPED_TRACE(testing::Message() << image->bitsPerPixel << " bpp");
        const int live = FakeAlloc::live;
        HBITMAP bitmap = ImageToBitmap(image, RGB(212, 208, 200), false);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(FakeAlloc::live, live) << "blocks left behind";
        BITMAPINFO info = {};
        info.bmiHeader = {
            sizeof(BITMAPINFOHEADER), image->width, -image->height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<uint32_t> pixels(want.size());
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, bitmap, 0, static_cast<UINT>(image->height), pixels.data(), &info,
                  DIB_RGB_COLORS);  // rows it does not copy stay 0, which no wanted pixel is
        ReleaseDC(nullptr, screen);
        DeleteObject(bitmap);
        EXPECT_EQ(pixels, want);
    }
    EXPECT_EQ(ImageToBitmap(&empty, RGB(1, 2, 3), false), nullptr);
}

}  // namespace

#endif
