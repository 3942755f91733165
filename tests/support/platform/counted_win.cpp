#include "platform/counted_win.h"

#include <cstring>
#include <map>
#include <utility>

namespace plat {
namespace {

// Two threads may take the named lock at once.
volatile LONG g_open = 0;
volatile LONG g_overruns = 0;

// Selections not yet undone: for a DC and a kind of object, what the DC held before.
std::map<std::pair<HDC, DWORD>, HGDIOBJ> g_selections;
// What ShellExecuteA was last asked to open.
std::string g_executed;

// peFlags is never set by a colour, so no entry written for one leaves the guard as it was.
const PALETTEENTRY kGuard = {0xA5, 0x5A, 0xA5, 0x5A};

template <typename Handle>
Handle Opened(Handle handle, Handle failed) {
    if (handle != failed) InterlockedIncrement(&g_open);
    return handle;
}

// A close that fails counts as one more open object: closing something twice, or something
// never opened, is as wrong as not closing it. A null handle is closing nothing.
template <typename Handle>
BOOL Closed(Handle handle, BOOL closed) {
    if (handle) InterlockedExchangeAdd(&g_open, closed ? -1 : 1);
    return closed;
}

// The first selection of a kind into a DC opens one; putting back what it replaced closes it.
template <typename Object>
Object Selected(HDC dc, HGDIOBJ object, Object previous) {
    if (!previous) return previous;
    auto [selection, first] = g_selections.try_emplace({dc, GetObjectType(object)}, previous);
    if (first) {
        InterlockedIncrement(&g_open);
    } else if (object == selection->second) {
        g_selections.erase(selection);
        InterlockedDecrement(&g_open);
    }
    return previous;
}

}  // namespace

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL owned, LPCSTR name) {
    return Opened(::CreateMutexA(attributes, owned, name), HANDLE{});
}

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes,
                   DWORD disposition, DWORD flags, HANDLE copyFrom) {
    return Opened(::CreateFileA(name, access, share, attributes, disposition, flags, copyFrom),
                  INVALID_HANDLE_VALUE);
}

BOOL CloseHandle(HANDLE handle) {
    return Closed(handle, ::CloseHandle(handle));
}

HDC GetDC(HWND window) {
    return Opened(::GetDC(window), HDC{});
}

int ReleaseDC(HWND window, HDC dc) {
    return Closed(dc, ::ReleaseDC(window, dc));
}

HDC CreateCompatibleDC(HDC dc) {
    return Opened(::CreateCompatibleDC(dc), HDC{});
}

BOOL DeleteDC(HDC dc) {
    return Closed(dc, ::DeleteDC(dc));
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    return Selected(dc, object, ::SelectObject(dc, object));
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background) {
    return Selected(dc, palette, ::SelectPalette(dc, palette, background));
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
    return Opened(::CreateDIBitmap(dc, header, init, bits, info, usage), HBITMAP{});
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
    const PALETTEENTRY* guard = palette->palPalEntry + palette->palNumEntries;
    if (memcmp(guard, &kGuard, sizeof kGuard) != 0) InterlockedIncrement(&g_overruns);
    return Opened(::CreatePalette(palette), HPALETTE{});
}

BOOL DeleteObject(HGDIOBJ object) {
    return Closed(object, ::DeleteObject(object));
}

void GuardPalette(LOGPALETTE* palette) {
    memcpy(palette->palPalEntry + palette->palNumEntries, &kGuard, sizeof kGuard);
}

long OpenObjects() {
    return g_open;
}

long PaletteOverruns() {
    return g_overruns;
}

HINSTANCE ShellExecuteA(HWND, LPCSTR, LPCSTR file, LPCSTR, LPCSTR, INT) {
    g_executed = file;
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));  // above 32: success
}

std::string TakeShellExecuted() {
    std::string file;
    file.swap(g_executed);
    return file;
}

}  // namespace plat
