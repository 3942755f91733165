#ifndef QUORVEL_PLATFORM_WIN32_NAMES_H
#define QUORVEL_PLATFORM_WIN32_NAMES_H

// The Win32 types and constants the portable code uses, spelled as Win32 spells them: from
// windows.h on Windows, and given here, with the same values, everywhere else. No other
// header defines a Win32 name.

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>

typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef int BOOL;

#define TRUE 1
#define FALSE 0
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

// Message boxes and their answers.
#define MB_OK 0x00000000
#define MB_YESNO 0x00000004
#define MB_ICONQUESTION 0x00000020
#define MB_ICONWARNING 0x00000030
#define MB_ICONINFORMATION 0x00000040
#define IDOK 1
#define IDYES 6
#define IDNO 7
#endif

#endif
