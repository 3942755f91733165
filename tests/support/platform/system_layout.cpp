// The stand-in Windows of plat::SetSystemLayout. On Linux it is all the system there is.

#include <cstring>
#include <string>

#include "platform/system.h"

namespace plat {
namespace {

bool g_active = false;
DWORD g_platformId = VER_PLATFORM_WIN32_NT;
// Of any length, so that callers' refusal of folders beyond MAX_PATH can be exercised.
std::string g_windowsDir, g_systemDir;

UINT CopyOut(const std::string& folder, char* buffer, UINT size) {
    if (folder.empty()) return 0;
    if (!buffer || folder.size() + 1 > size) return static_cast<UINT>(folder.size() + 1);
    memcpy(buffer, folder.c_str(), folder.size() + 1);
    return static_cast<UINT>(folder.size());
}

}  // namespace

void SetSystemLayout(const SystemLayout* layout) {
    g_active = layout != nullptr;
    g_platformId = layout ? layout->platformId : VER_PLATFORM_WIN32_NT;
    g_windowsDir = layout && layout->windowsDir ? layout->windowsDir : "";
    g_systemDir = layout && layout->systemDir ? layout->systemDir : "";
}

namespace layout {

bool Active() {
    return g_active;
}

BOOL VersionEx(OSVERSIONINFOA* info) {
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) return FALSE;
    // Typical numbers of each family: 3.10 for Win32s, 4.10 for 98, 5.1 for XP.
    static const DWORD kNumbers[3][3] = {{3, 10, 0}, {4, 10, 1998}, {5, 1, 2600}};
    const DWORD* numbers = kNumbers[g_platformId <= 2 ? g_platformId : 2];
    *info = {sizeof *info, numbers[0], numbers[1], numbers[2], g_platformId, ""};
    return TRUE;
}

DWORD Version() {
    OSVERSIONINFOA info;
    info.dwOSVersionInfoSize = sizeof info;
    VersionEx(&info);
    // Bit 31 marks everything outside the NT family.
    DWORD family = g_platformId == VER_PLATFORM_WIN32_NT ? 0 : 0x80000000u;
    return family | (info.dwMinorVersion << 8) | info.dwMajorVersion;
}

UINT WindowsDirectory(char* buffer, UINT size) {
    return CopyOut(g_windowsDir, buffer, size);
}

UINT SystemDirectory(char* buffer, UINT size) {
    return CopyOut(g_systemDir, buffer, size);
}

}  // namespace layout

#ifndef _WIN32
BOOL GetVersionExA(OSVERSIONINFOA* info) {
    return layout::VersionEx(info);
}

DWORD GetVersion() {
    return layout::Version();
}

UINT GetWindowsDirectoryA(char* buffer, UINT size) {
    return layout::WindowsDirectory(buffer, size);
}

UINT GetSystemDirectoryA(char* buffer, UINT size) {
    return layout::SystemDirectory(buffer, size);
}
#endif

}  // namespace plat
