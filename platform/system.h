#ifndef QUORVEL_PLATFORM_SYSTEM_H
#define QUORVEL_PLATFORM_SYSTEM_H

// The Windows family, folders and file attributes as the programs' cores ask for them,
// spelled as Win32 spells them. The shipped programs make the real calls. The build of this
// layer for tests and console drivers (QUORVEL_FAULTS) also has a stand-in Windows: once a
// layout is set, the family and the folders come from it (on Linux they always do), so the
// same cores run in the console drivers and in the unit tests of both systems.

#include <cstdint>

#include "platform/win32_names.h"

namespace plat {

#ifdef QUORVEL_FAULTS
// A stand-in Windows: its platform id (0 Win32s, 1 95/98/Me, 2 NT, anything else unknown)
// and its two folders. The strings are copied; they may be longer than MAX_PATH, so that
// callers' handling of over-long folders can be exercised.
struct SystemLayout {
    DWORD platformId;
    const char* windowsDir;
    const char* systemDir;
};

// Null goes back to the real system (on Linux: no folders and platform id 2).
void SetSystemLayout(const SystemLayout* layout);

// The stand-in's answers, for the Windows layer to give once a layout is set.
namespace layout {
bool Active();
BOOL VersionEx(OSVERSIONINFOA* info);
DWORD Version();
UINT WindowsDirectory(char* buffer, UINT size);
UINT SystemDirectory(char* buffer, UINT size);
}  // namespace layout
#endif

BOOL GetVersionExA(OSVERSIONINFOA* info);
DWORD GetVersion();
// As Win32: the length without the zero on success, the size needed (with the zero) when
// the buffer is too small, 0 on failure.
UINT GetWindowsDirectoryA(char* buffer, UINT size);
UINT GetSystemDirectoryA(char* buffer, UINT size);
DWORD GetFileAttributesA(const char* path);
BOOL SetFileAttributesA(const char* path, DWORD attributes);

// The lock both programs hold while they read and write the hosts file: two removers must not
// both find the entry missing and both append it, and a remover must not append between the
// restore tool's read and its replace.
inline constexpr char kHostsLockName[] = "QuorvelHostsFile";

// A lock shared, by its name, by every process of the machine: a named mutex on Windows, a
// lock on the file /tmp/NAME.lock on Linux. The constructor waits until the lock is free.
// When no lock can be made at all the object holds none, and its owner goes on unlocked.
class NamedLock {
  public:
    explicit NamedLock(const char* name);
    ~NamedLock() { Unlock(); }
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;
    // Gives the lock back early; later calls do nothing.
    void Unlock();

  private:
    bool held_ = false;
    intptr_t handle_ = 0;  // the mutex, or the lock file's descriptor
};

}  // namespace plat

#endif
