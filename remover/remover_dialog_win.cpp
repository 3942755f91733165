#include <windows.h>
// commctrl.h needs the Win32 types first.
#include <commctrl.h>

#include <cstring>

#include "remover/banner.h"
#include "remover/control_ids.h"
#include "remover/patch_sequence.h"
#include "remover/remover.h"

namespace {

constexpr char kMessengerClass[] = "MSNHiddenWindowClass";
constexpr char kNoticeFormat[] =
    "Hi %s!\nMSN Messenger needs to be restarted for changes to take effect";
constexpr char kNoticeCaption[] = "Quorvel 2.0";

// The sequence's requests, carried out on the dialog.
class DialogSink final : public PatchSink {
  public:
    explicit DialogSink(HWND dialog) : dialog_(dialog) {}
    void SetStatus(int controlId, const char* text) override {
        SetDlgItemTextA(dialog_, controlId, text);
    }
    void Pause(unsigned milliseconds) override { Sleep(milliseconds); }
    void Enable(int controlId) override { EnableWindow(GetDlgItem(dialog_, controlId), TRUE); }
    void Message(const char* text, const char* caption) override {
        MessageBoxA(dialog_, text, caption, MB_OK);
    }
    void End(int result) override { EndDialog(dialog_, result); }

  private:
    HWND dialog_;
};

// Centre on the desktop; the halves are truncated toward zero.
void CentreOnDesktop(HWND dialog) {
    RECT own;
    RECT desktop;
    GetWindowRect(dialog, &own);
    GetWindowRect(GetDesktopWindow(), &desktop);
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    int x = desktop.left + (desktop.right - desktop.left - width) / 2;
    int y = desktop.top + (desktop.bottom - desktop.top - height) / 2;
    MoveWindow(dialog, x, y, width, height, TRUE);
}

// The patch sequence, reporting on the dialog's status lines.
void RunPatchSequence(HWND dialog) {
    DialogSink sink(dialog);
    ::RunPatchSequence(sink);
}

// Set-up, then the whole patch sequence, which blocks this thread for seconds.
void OnInitDialog(HWND dialog, Image& banner) {
    InitCommonControls();
    CentreOnDesktop(dialog);
    BannerSetUp(dialog, banner);
    ShowWindow(dialog, SW_SHOWNORMAL);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    RunPatchSequence(dialog);
}

// OK, Esc or close: end, then tell a running Messenger to restart if this run patched.
void OnClose(HWND dialog) {
    EndDialog(dialog, 1);
    if (g_patched) EnumWindows(NotifyMessengerRunning, 0);
}

}  // namespace

INT_PTR CALLBACK RemoverDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // Built on the first message of any kind; its destructor runs at process exit.
    static Image banner;
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog, banner);
            break;
        case WM_COMMAND:
        case WM_CLOSE:
            OnClose(dialog);
            break;
        case WM_TIMER:
            BannerOnTimer(dialog, banner);
            break;
        case WM_DRAWITEM:
            BannerOnDrawItem(banner, wParam, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            break;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            BannerOnMouse(dialog, banner, message, lParam);
            break;
        case WM_DESTROY:
            BannerOnDestroy(dialog, banner);
            break;
    }
    return FALSE;
}

BOOL CALLBACK NotifyMessengerRunning(HWND window, LPARAM) {
    char text[256] = "";
    GetClassNameA(window, text, sizeof text);
    if (strcmp(text, kMessengerClass) != 0) return TRUE;
    char user[128] = "";
    DWORD size = sizeof user;
    GetUserNameA(user, &size);
    // At most 127 characters of name: the whole notice fits the 256 bytes.
    wsprintfA(text, kNoticeFormat, user);
    MessageBoxA(nullptr, text, kNoticeCaption, MB_OK);
    return TRUE;
}
