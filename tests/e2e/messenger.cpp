// Stands in for a running Messenger: owns N hidden top-level windows of its hidden window
// class until it is told to quit (WM_CLOSE to any of them) or ten minutes pass.

#include <windows.h>

#include <cstdlib>

namespace {

LRESULT CALLBACK HiddenProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_CLOSE) return DefWindowProcA(window, message, wParam, lParam);
    PostQuitMessage(0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int count = argc > 1 ? atoi(argv[1]) : 1;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HiddenProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "MSNHiddenWindowClass";
    if (!RegisterClassA(&windowClass)) return 1;
    for (int i = 0; i < count; ++i) {
        if (!CreateWindowA(windowClass.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           windowClass.hInstance, nullptr))
            return 1;
    }
    SetTimer(nullptr, 0, 600000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER) break;
        DispatchMessageA(&message);
    }
    return 0;
}
