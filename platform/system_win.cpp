#include "platform/system.h"

#include <cstring>

#include "platform/counted_win.h"
#include "platform/faults.h"

#ifdef QUORVEL_FAULTS
// The test build: a stand-in layout, once set, answers in place of the system.
#define ASK(standIn, real) (layout::Active() ? layout::standIn : ::real)
#else
#define ASK(standIn, real) ::real
#endif

namespace plat {

BOOL GetVersionExA(OSVERSIONINFOA* info) {
    return ASK(VersionEx(info), GetVersionExA(info));
}

DWORD GetVersion() {
    return ASK(Version(), GetVersion());
}

UINT GetWindowsDirectoryA(char* buffer, UINT size) {
    return ASK(WindowsDirectory(buffer, size), GetWindowsDirectoryA(buffer, size));
}

UINT GetSystemDirectoryA(char* buffer, UINT size) {
    return ASK(SystemDirectory(buffer, size), GetSystemDirectoryA(buffer, size));
}

DWORD GetFileAttributesA(const char* path) {
    return ::GetFileAttributesA(path);
}

BOOL SetFileAttributesA(const char* path, DWORD attributes) {
    if (FaultFires(Fault::SetAttributes)) return FALSE;
    return ::SetFileAttributesA(path, attributes);
}

NamedLock::NamedLock(const char* name) {
    // The global name reaches removers in every session; 95/98/Me and NT 4 know no sessions
    // and refuse a backslash in a name, so there the plain name serves.
    char global[MAX_PATH] = "Global\\";
    HANDLE mutex = nullptr;
    if (strlen(global) + strlen(name) < sizeof global) {
        mutex = CreateMutexA(nullptr, FALSE, strcat(global, name));
    }
    if (!mutex) mutex = CreateMutexA(nullptr, FALSE, name);
    if (!mutex) return;
    DWORD waited = WaitForSingleObject(mutex, INFINITE);
    // Abandoned by a holder that ended without giving it back: ours all the same.
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(mutex);
        return;
    }
    handle_ = reinterpret_cast<intptr_t>(mutex);
    held_ = true;
}

void NamedLock::Unlock() {
    if (!held_) return;
    HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    held_ = false;
}

}  // namespace plat
