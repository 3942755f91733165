#ifndef QUORVEL_PLATFORM_SYSTEM_H
#define QUORVEL_PLATFORM_SYSTEM_H

// The Windows family, folders and file attributes as the programs' cores ask for them,
// spelled as Win32 spells them. On Windows they are the real calls unless a layout has been
// set; on Linux a stand-in answers from the layout alone, so the same cores run in the
// console drivers and in the unit tests of both systems.

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else

typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef int BOOL;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#define MAX_PATH 260
#define INVALID_FILE_ATTRIBUTES ((DWORD)0xFFFFFFFF)
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    char szCSDVersion[128];
};
#endif

namespace plat {

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

BOOL GetVersionExA(OSVERSIONINFOA* info);
DWORD GetVersion();
// As Win32: the length without the zero on success, the size needed (with the zero) when
// the buffer is too small, 0 on failure.
UINT GetWindowsDirectoryA(char* buffer, UINT size);
UINT GetSystemDirectoryA(char* buffer, UINT size);
DWORD GetFileAttributesA(const char* path);
BOOL SetFileAttributesA(const char* path, DWORD attributes);

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
