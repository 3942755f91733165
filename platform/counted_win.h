#ifndef QUORVEL_PLATFORM_COUNTED_WIN_H
#define QUORVEL_PLATFORM_COUNTED_WIN_H

// The Win32 calls that open and close kernel handles and GDI objects, as the code calls them:
// plat::GetDC and so on. The shipped programs call the system directly. The test build
// (QUORVEL_FAULTS) also counts each open and close, and each selection into a DC until it is
// undone, so that a test sees a close that is missing even under Wine, which reports no handle
// or GDI counts and forgives a bitmap deleted while it is still selected. There a logical
// palette also gets a guard entry behind its last one, which no write may reach.
// ShellExecuteA is here too: the test build starts nothing, it notes what it was asked to open.

#include <windows.h>
// shellapi.h needs the Win32 types first.
#include <shellapi.h>

#ifdef QUORVEL_FAULTS
#include <string>
#endif

namespace plat {

#ifdef QUORVEL_FAULTS
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL owned, LPCSTR name);
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes,
                   DWORD disposition, DWORD flags, HANDLE copyFrom);
BOOL CloseHandle(HANDLE handle);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background);
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);
HPALETTE CreatePalette(const LOGPALETTE* palette);
BOOL DeleteObject(HGDIOBJ object);

// A logical palette is allocated with room for this many entries more than it holds; the
// guard goes there once palNumEntries is set, and CreatePalette looks at it.
constexpr DWORD kPaletteGuardEntries = 1;
void GuardPalette(LOGPALETTE* palette);

// Handles, DCs, GDI objects and selections opened through these calls and not yet closed,
// and one more for each close that failed.
long OpenObjects();
// Logical palettes whose guard entry had been written when they were created.
long PaletteOverruns();

HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT show);
// The file ShellExecuteA was last given, once; empty when it was not called since.
std::string TakeShellExecuted();
#else
using ::CloseHandle;
using ::CreateCompatibleDC;
using ::CreateDIBitmap;
using ::CreateFileA;
using ::CreateMutexA;
using ::CreatePalette;
using ::DeleteDC;
using ::DeleteObject;
using ::GetDC;
using ::ReleaseDC;
using ::SelectObject;
using ::SelectPalette;
using ::ShellExecuteA;

constexpr DWORD kPaletteGuardEntries = 0;
inline void GuardPalette(LOGPALETTE*) {}
#endif

}  // namespace plat

#endif
