// Loads what a program loads before any of its own code runs: built once for each program,
// with the DLLs it imports and the manifest it carries, and a WinMain that returns at once.

#include <windows.h>
// commctrl.h and shellapi.h need the Win32 types first.
#include <commctrl.h>
#include <shellapi.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Never true: the calls are here to be imported, not to run.
    if (instance) return 0;
    InitCommonControls();
    MessageBoxA(nullptr, "", "", MB_OK);
#ifdef CONTROL_REMOVER
    DWORD size = 0;
    GetUserNameA(nullptr, &size);
    DeleteObject(nullptr);
    ShellExecuteA(nullptr, nullptr, "", nullptr, nullptr, SW_SHOWNORMAL);
#endif
    return 0;
}
