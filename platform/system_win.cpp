#include "platform/faults.h"
#include "platform/system.h"
#include "platform/system_layout.h"

namespace plat {

BOOL GetVersionExA(OSVERSIONINFOA* info) {
    return layout::Active() ? layout::VersionEx(info) : ::GetVersionExA(info);
}

DWORD GetVersion() { return layout::Active() ? layout::Version() : ::GetVersion(); }

UINT GetWindowsDirectoryA(char* buffer, UINT size) {
    return layout::Active() ? layout::WindowsDirectory(buffer, size)
                            : ::GetWindowsDirectoryA(buffer, size);
}

UINT GetSystemDirectoryA(char* buffer, UINT size) {
    return layout::Active() ? layout::SystemDirectory(buffer, size)
                            : ::GetSystemDirectoryA(buffer, size);
}

DWORD GetFileAttributesA(const char* path) { return ::GetFileAttributesA(path); }

BOOL SetFileAttributesA(const char* path, DWORD attributes) {
    if (FaultFires(Fault::SetAttributes)) return FALSE;
    return ::SetFileAttributesA(path, attributes);
}

}  // namespace plat
