// Stands in for a DLL planted beside the programs under a system DLL's name: whoever loads it
// leaves an empty file beside it, named as it is with ".loaded" added. It exports nothing, so
// a program that needs its exports fails to start; by then the file is there.

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    char marker[MAX_PATH + 8];
    if (reason == DLL_PROCESS_ATTACH) {
        lstrcpyA(marker + GetModuleFileNameA(self, marker, MAX_PATH), ".loaded");
        CloseHandle(CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    return TRUE;
}
