#include "remover/banner.h"

#include "build_config.h"
#include "image/image_win.h"
#include "platform/counted_win.h"
#include "platform/faults.h"
#include "remover/control_ids.h"
#include "remover/open_page.h"
#include "remover/remover.h"

namespace {

// Green of the used palette entries: the normal tint, and the tint under the mouse.
constexpr uint8_t kNormalTint = 64;
constexpr uint8_t kHoverTint = 5;
constexpr int32_t kCycleStep = 5;
constexpr UINT kCyclePeriod = 500;

void Redraw(HWND dialog) {
    InvalidateRect(GetDlgItem(dialog, IDC_BANNER), nullptr, FALSE);
}

// Strictly inside the banner control: its edges count as outside.
bool IsOverBanner(HWND dialog, LPARAM lParam) {
    RECT bounds;
    GetWindowRect(GetDlgItem(dialog, IDC_BANNER), &bounds);
    POINT topLeft = {bounds.left, bounds.top};
    POINT bottomRight = {bounds.right, bounds.bottom};
    ScreenToClient(dialog, &topLeft);
    ScreenToClient(dialog, &bottomRight);
    LONG x = LOWORD(lParam);
    LONG y = HIWORD(lParam);
    return topLeft.x < x && x < bottomRight.x && topLeft.y < y && y < bottomRight.y;
}

}  // namespace

void BannerSetUp(HWND dialog, Image& banner) {
    // The size goes with the data so that a bad resource is never read past its end.
    HRSRC found = FindResourceA(g_instance, MAKEINTRESOURCEA(IDR_BANNER), RT_MBM);
    HGLOBAL loaded = found ? LoadResource(g_instance, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    banner.ImageLoadMb(data, data ? SizeofResource(g_instance, found) : 0);
    if (banner.palette) banner.SetBannerTint(kNormalTint);
    SetWindowPos(GetDlgItem(dialog, IDC_BANNER), nullptr, 0, 0, banner.width, banner.height,
                 SWP_NOZORDER | SWP_NOMOVE);
    SetTimer(dialog, IDT_BANNER, kCyclePeriod, nullptr);
}

void BannerOnTimer(HWND dialog, Image& banner) {
    if (!banner.pixels) return;
    banner.PaletteCycleStep(kCycleStep);
    Redraw(dialog);
}

void BannerOnDrawItem(const Image& banner, WPARAM controlId, const DRAWITEMSTRUCT* item) {
    if (controlId != IDC_BANNER || item->CtlType != ODT_STATIC ||
        item->itemAction != ODA_DRAWENTIRE) {
        return;
    }
    HDC memory = plat::CreateCompatibleDC(item->hDC);
    HBITMAP bitmap = ImageToBitmap(&banner, GetSysColor(COLOR_BTNFACE), false);
    HGDIOBJ previous = plat::SelectObject(memory, bitmap);
    BitBlt(item->hDC, 0, 0, banner.width, banner.height, memory, 0, 0, SRCCOPY);
    plat::SelectObject(memory, previous);
    plat::DeleteObject(bitmap);
    plat::DeleteDC(memory);
}

void BannerOnMouse(HWND dialog, Image& banner, UINT message, LPARAM lParam) {
    if (!banner.palette) return;
    // The tint changes only on crossing the edge; the cursor is set on every message.
    if (IsOverBanner(dialog, lParam)) {
        if (banner.palette[0].green == kNormalTint) {
            banner.SetBannerTint(kHoverTint);
            Redraw(dialog);
        }
        // 95 and NT 4 have no hand, and a null cursor would hide the pointer.
        HCURSOR hand = FaultFires(Fault::Cursor) ? nullptr : LoadCursorA(nullptr, IDC_HAND);
        SetCursor(hand ? hand : LoadCursorA(nullptr, IDC_ARROW));
        if (message == WM_LBUTTONUP) {
            OpenProductPage(dialog, QUORVEL_PRODUCT_URL);
        }
    } else if (banner.palette[0].green != kNormalTint) {
        banner.SetBannerTint(kNormalTint);
        Redraw(dialog);
    }
}

void BannerOnDestroy(HWND dialog, Image& banner) {
    KillTimer(dialog, IDT_BANNER);
    banner.ImageFree();
}
