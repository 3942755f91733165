// The banner's drawing, built against the platform layer's test build: every DC, GDI object
// and selection it opens is closed again, and no write reaches past the logical palette. The
// COM references of the page opener are each held by a type that releases them, and it opens
// the page itself only when it is not elevated.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "platform/com_ref_win.h"
#include "platform/counted_win.h"
#include "platform/faults.h"
#include "remover/banner.h"
#include "remover/control_ids.h"
#include "remover/open_page.h"
#include "remover/remover.h"
#include "tests/image/image_fixtures.h"

HINSTANCE g_instance = nullptr;

namespace {

TEST(BannerOnDrawItem, DrawsAndClosesWhatItOpens) {
    // Two pixels with a palette, so that a logical palette is made too: red, then blue.
    Image banner;
    SetImage(banner, 8, 2, 1, {0, 1}, {0, 255, 0, 0, 0, 0, 0, 255});
    HDC screen = GetDC(nullptr);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 2, 1);
    HGDIOBJ before = SelectObject(target, canvas);
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_STATIC;
    item.itemAction = ODA_DRAWENTIRE;
    item.hDC = target;
    const long open = plat::OpenObjects();
    BannerOnDrawItem(banner, IDC_BANNER, &item);
    EXPECT_EQ(plat::OpenObjects(), open);
    EXPECT_EQ(plat::PaletteOverruns(), 0);
    EXPECT_EQ(GetPixel(target, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(target, 1, 0), RGB(0, 0, 255));
    SelectObject(target, before);
    DeleteObject(canvas);
    DeleteDC(target);
    ReleaseDC(nullptr, screen);
}

// Over the banner the hand; where the system has none (95, NT 4) the arrow, never no pointer.
TEST(BannerOnMouse, SetsTheHandElseTheArrow) {
    HWND dialog =
        CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 50, 20, dialog, reinterpret_cast<HMENU>(IDC_BANNER),
                  nullptr, nullptr);
    Image banner;  // a palette in the hover tint: nothing to redraw
    banner.palette = static_cast<PaletteEntry*>(calloc(1, sizeof(PaletteEntry)));
    for (bool noHand : {false, true}) {
        if (noHand) FaultArm(Fault::Cursor, 0);
        SetCursor(nullptr);
        BannerOnMouse(dialog, banner, WM_MOUSEMOVE, MAKELPARAM(10, 10));
        FaultsClear();
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, noHand ? IDC_ARROW : IDC_HAND)) << noHand;
    }
    DestroyWindow(dialog);
}

// Elevated, the remover opens the page only through the desktop's shell (made to fail here),
// never itself; not elevated, itself. Wine runs every process elevated.
TEST(OpenProductPage, OpensItItselfOnlyWhenNotElevated) {
    const struct {
        const char* name;
        Fault token;  // Count: no token call fails
        const char* opened;
    } rows[] = {
        {"question unknown to the system: not elevated", Fault::TokenQuery, "http://page.test/"},
        {"elevated", Fault::Count, ""},
        {"token not opened: counts as elevated", Fault::TokenOpen, ""},
    };
    for (const auto& row : rows) {
        FaultsClear();
        if (row.token != Fault::Count) FaultArm(row.token, 0);
        FaultArm(Fault::DesktopShell, 0);
        OpenProductPage(nullptr, "http://page.test/");
        EXPECT_EQ(plat::TakeShellExecuted(), row.opened) << row.name;
    }
    FaultsClear();
}

// A reference that a call hands out is released when its holder goes.
TEST(ComRef, ReleasesTheReferenceItHolds) {
    struct Counted : IUnknown {
        ULONG references = 1;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
        ULONG STDMETHODCALLTYPE Release() override { return --references; }
    } object;
    {
        plat::ComRef<IUnknown> held;
        *held.Out() = &object;
        EXPECT_EQ(object.references, 1u);
    }
    EXPECT_EQ(object.references, 0u);
}

}  // namespace
