// Drives one of the programs from inside the same Wine prefix, as a user would: answers its
// message boxes, waits for the remover's OK button, reads the status lines, checks the
// banner, closes the dialog and answers the notices that follow.
// Everything seen is printed, one line each, for the case script to compare.
//
// usage: e2e_driver [options] PROGRAM
//   --dialog               the program shows the remover dialog (else message boxes only)
//   --answer yes|no        the answer to a Yes/No box (default no)
//   --close ok|cancel|close  how the dialog is ended (default ok: the OK button is clicked)
//   --messenger N          first start e2e_messenger with N hidden windows
//   --expect-pauses MS     print the time from the first status line to OK unless it fits MS
//   --pause-slack MS       how late that time may be (default 4000)
//   --banner               check the banner: drawn, cycling, hover tint, clicks
//   --hover                move the mouse over the banner (before a screenshot)
//   --screenshot FILE      after OK is enabled, save the screen as a .bmp
//   --out FILE             print to FILE instead of standard output

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "image/image.h"
#include "remover/control_ids.h"

namespace {

struct Options {
    std::string program, answer = "no", close = "ok", screenshot, out;
    bool dialog = false, banner = false, hover = false;
    int messenger = -1;
    long expectPauses = -1, pauseSlack = 4000;
};

DWORD g_pid = 0;
std::set<HWND> g_answered;

std::string Escape(std::string text) {
    for (size_t at; (at = text.find('\n')) != std::string::npos;) text.replace(at, 1, "\\n");
    return text;
}

// Another process's window: its text (or class) is read from the system, no message is sent.
std::string TextOf(HWND window, int(WINAPI* get)(HWND, LPSTR, int) = GetWindowTextA) {
    char buffer[1024] = "";
    get(window, buffer, sizeof buffer);
    return buffer;
}

struct Found {
    HWND dialog = nullptr;
    std::vector<HWND> boxes;
};

BOOL CALLBACK Collect(HWND window, LPARAM lParam) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != g_pid || TextOf(window, GetClassNameA) != "#32770" || !IsWindowVisible(window))
        return TRUE;
    Found* found = reinterpret_cast<Found*>(lParam);
    if (TextOf(window) == "Quorvel" && GetDlgItem(window, IDC_SEARCH_LINE)) {
        found->dialog = window;
    } else {
        found->boxes.push_back(window);
    }
    return TRUE;
}

// The program's dialog and message boxes on screen now.
Found Scan() {
    Found found;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Prints a message box once and answers it: OK, or the chosen Yes/No.
void Answer(HWND box, const char* kind, const Options& o) {
    HWND text = GetDlgItem(box, 0xFFFF);
    if (g_answered.count(box) || !text) return;
    g_answered.insert(box);
    bool yesNo = GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO);
    printf("%s %s: %s [%s]\n", kind, TextOf(box).c_str(), Escape(TextOf(text)).c_str(),
           yesNo ? "yes-no" : "ok");
    int button = yesNo ? (o.answer == "yes" ? IDYES : IDNO) : IDOK;
    if (yesNo) printf("answer %s\n", button == IDYES ? "yes" : "no");
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

bool Exited(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

HANDLE Start(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    g_pid = info.dwProcessId;
    return info.hProcess;
}

int CountMessengerWindows() {
    int count = 0;
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "MSNHiddenWindowClass", nullptr));)
        ++count;
    return count;
}

// A 32-bit top-down bitmap's header.
BITMAPINFOHEADER Header32(int width, int height) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    return header;
}

// Screen pixels of a rectangle in screen coordinates, top row first, as 0x00RRGGBB.
std::vector<uint32_t> Grab(const RECT& r, int* width, int* height) {
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    std::vector<uint32_t> pixels(*width > 0 && *height > 0 ? *width * *height : 0);
    if (pixels.empty()) return pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, *width, *height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, *width, *height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFOHEADER header = Header32(*width, *height);
    GetDIBits(memory, bitmap, 0, *height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The whole screen (in a virtual desktop: the desktop) as a top-down 32-bit .bmp.
bool SaveScreen(const std::string& path) {
    RECT all = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    int width, height;
    std::vector<uint32_t> pixels = Grab(all, &width, &height);
    // Opaque: readers take the fourth byte of a 32-bit .bmp for alpha.
    for (uint32_t& pixel : pixels) pixel |= 0xFF000000u;
    BITMAPINFOHEADER header = Header32(width, height);
    DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof header;
    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(offset + 4 * pixels.size()), 0, 0, offset};
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    fwrite(&file, sizeof file, 1, out);
    fwrite(&header, sizeof header, 1, out);
    fwrite(pixels.data(), 4, pixels.size(), out);
    return fclose(out) == 0;
}

// A control's rectangle in the dialog's client coordinates.
RECT ClientRect(HWND dialog, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// --- the banner ---------------------------------------------------------------------------

// The picture the program carries, read from its own resource.
bool LoadBanner(const std::string& program, Image* banner) {
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = module ? FindResourceA(module, MAKEINTRESOURCEA(IDR_BANNER), RT_MBM) : nullptr;
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    bool ok = data && banner->ImageLoadMb(data, SizeofResource(module, found)) == MbOk;
    if (module) FreeLibrary(module);
    return ok;
}

// The colour of the opaque ink (entry 0) on screen, once every ground pixel (entry 34) is
// seen to show the dialog's face colour and every ink pixel the same colour; else why not.
std::string Ink(HWND dialog, const Image& banner, COLORREF* ink) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, IDC_BANNER), &r);
    int width, height;
    std::vector<uint32_t> shown = Grab(r, &width, &height);
    if (width != banner.width || height != banner.height) return "wrong size";
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    bool seen = false;
    for (size_t i = 0; i < shown.size(); ++i) {
        uint32_t v = shown[i];
        COLORREF colour = RGB(v >> 16 & 255, v >> 8 & 255, v & 255);
        if (banner.pixels[i] == 34 && colour != face) return "ground is not the face colour";
        if (banner.pixels[i] != 0) continue;
        if (seen && colour != *ink) return "ink pixels differ";
        *ink = colour;
        seen = true;
    }
    return !seen || *ink == face ? "no ink" : "";
}

// What the stand-in browser was asked to open, once it has been.
std::string Opened(DWORD milliseconds) {
    const char* path = getenv("E2E_BROWSER_LOG");
    char line[512] = "";
    for (DWORD start = GetTickCount(); !line[0] && GetTickCount() - start < milliseconds;) {
        FILE* file = path ? fopen(path, "r") : nullptr;
        if (file) {
            if (!fgets(line, sizeof line, file)) line[0] = 0;
            fclose(file);
        }
        Sleep(50);
    }
    line[strcspn(line, "\r\n")] = 0;
    return line[0] ? line : "nothing";
}

void Mouse(HWND dialog, UINT message, LONG x, LONG y) {
    PostMessageA(dialog, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
}

void CheckBanner(HWND dialog, const std::string& program) {
    Image banner;
    RECT r = ClientRect(dialog, IDC_BANNER);
    LONG cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    if (!LoadBanner(program, &banner)) {
        printf("banner decoded no\n");
        Mouse(dialog, WM_LBUTTONUP, r.left + 5, r.top + 5);
        printf("click inside opened %s\n", Opened(3000).c_str());
        return;
    }
    Sleep(300);
    COLORREF first, second, ink;
    std::string problem = Ink(dialog, banner, &first);
    if (problem.empty()) {
        printf("banner drawn green %d\n", GetGValue(first));
        // The cycle starts red rising: red goes up a step a tick, green and blue stay.
        Sleep(2000);
        problem = Ink(dialog, banner, &second);
    }
    if (!problem.empty()) {
        printf("banner drawn wrong: %s\n", problem.c_str());
        return;
    }
    int redSteps = (GetRValue(second) - GetRValue(first)) / 5;
    printf("banner cycle red %s green %d,%d blue %d,%d\n",
           redSteps >= 2 && redSteps <= 6 ? "up" : std::to_string(redSteps).c_str(),
           GetGValue(first), GetGValue(second), GetBValue(first), GetBValue(second));

    // Hover: strictly inside tints; the edges count as outside.
    const struct {
        const char* name;
        LONG x, y;
    } moves[] = {{"left edge", r.left, cy},
                 {"inside", cx, cy},
                 {"inside corner", r.left + 1, r.top + 1},
                 {"bottom right edge", r.right, r.bottom},
                 {"top edge", cx, r.top},
                 {nullptr, cx, cy},
                 {"outside", 2, 2}};
    for (const auto& move : moves) {
        Mouse(dialog, WM_MOUSEMOVE, move.x, move.y);
        Sleep(400);  // the banner is repainted on the next WM_PAINT
        problem = Ink(dialog, banner, &ink);
        std::string green =
            problem.empty() ? std::to_string(GetGValue(ink)) : "none (" + problem + ")";
        if (move.name) printf("move %s: green %s\n", move.name, green.c_str());
    }

    // Clicks: only a release strictly inside opens the page, wherever the press was.
    Mouse(dialog, WM_LBUTTONUP, 2, 2);
    printf("release outside opened %s\n", Opened(2000).c_str());
    Mouse(dialog, WM_LBUTTONUP, r.right, cy);
    printf("release on right edge opened %s\n", Opened(2000).c_str());
    Mouse(dialog, WM_LBUTTONDOWN, cx, cy);
    Mouse(dialog, WM_LBUTTONUP, cx, r.bottom + 3);
    printf("press inside release below opened %s\n", Opened(2000).c_str());
    Mouse(dialog, WM_LBUTTONDOWN, 2, 2);
    Mouse(dialog, WM_LBUTTONUP, cx, cy);
    printf("press outside release inside opened %s\n", Opened(15000).c_str());
    Mouse(dialog, WM_MOUSEMOVE, 2, 2);
}

bool ParseArgs(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool* flag = arg == "--dialog"   ? &o->dialog
                     : arg == "--banner" ? &o->banner
                     : arg == "--hover"  ? &o->hover
                                         : nullptr;
        std::string* text = arg == "--answer"       ? &o->answer
                            : arg == "--close"      ? &o->close
                            : arg == "--screenshot" ? &o->screenshot
                            : arg == "--out"        ? &o->out
                                                    : nullptr;
        if (flag) {
            *flag = true;
        } else if (text && value) {
            *text = argv[++i];
        } else if (arg == "--messenger" && value) {
            o->messenger = atoi(argv[++i]);
        } else if (arg == "--expect-pauses" && value) {
            o->expectPauses = atol(argv[++i]);
        } else if (arg == "--pause-slack" && value) {
            o->pauseSlack = atol(argv[++i]);
        } else if (arg[0] != '-' && o->program.empty()) {
            o->program = arg;
        } else {
            return false;
        }
    }
    return !o->program.empty();
}

// Waits for OK to be enabled after the patch sequence, answering boxes meanwhile, then
// reports and checks what the dialog shows, and closes it.
bool RunDialog(const Options& o, HANDLE process) {
    HWND dialog = nullptr;
    DWORD firstStatus = 0;
    bool okEnabled = false;
    for (DWORD start = GetTickCount(); !okEnabled && !Exited(process);) {
        if (GetTickCount() - start > 60000) return false;
        Found found = Scan();
        for (HWND box : found.boxes) Answer(box, "message", o);
        if (found.dialog) dialog = found.dialog;
        if (dialog && !firstStatus && !TextOf(GetDlgItem(dialog, IDC_SEARCH_LINE)).empty())
            firstStatus = GetTickCount();
        // OK is disabled before the first status line is set; only then does it count.
        okEnabled = firstStatus && IsWindowEnabled(GetDlgItem(dialog, IDOK));
        Sleep(5);
    }
    if (!okEnabled) return true;
    DWORD measured = GetTickCount() - firstStatus;
    for (int id = IDC_SEARCH_LINE; id <= IDC_VISIT_LINE; ++id)
        printf("status %d %s\n", id, Escape(TextOf(GetDlgItem(dialog, id))).c_str());
    RECT own, desktop, banner = ClientRect(dialog, IDC_BANNER);
    GetWindowRect(dialog, &own);
    GetWindowRect(GetDesktopWindow(), &desktop);
    bool centred = own.left == (desktop.right - (own.right - own.left)) / 2 &&
                   own.top == (desktop.bottom - (own.bottom - own.top)) / 2;
    printf("enabled ok %d banner %d size %ldx%ld centred %d\n",
           IsWindowEnabled(GetDlgItem(dialog, IDOK)) ? 1 : 0,
           IsWindowEnabled(GetDlgItem(dialog, IDC_BANNER)) ? 1 : 0, banner.right - banner.left,
           banner.bottom - banner.top, centred ? 1 : 0);
    // Only the dialog's own pauses are real sleeps; Sleep never returns early, and a loaded
    // machine adds time, never takes it away.
    long late = static_cast<long>(measured) - o.expectPauses;
    if (o.expectPauses >= 0 && (late < -100 || late > o.pauseSlack))
        printf("pauses %lu\n", measured);
    if (o.banner) CheckBanner(dialog, o.program);
    LONG cx = (banner.left + banner.right) / 2, cy = (banner.top + banner.bottom) / 2;
    if (o.hover) Mouse(dialog, WM_MOUSEMOVE, cx, cy);
    if (!o.screenshot.empty()) {
        Sleep(700);  // a repaint after the sequence, and a timer tick
        printf("screenshot %s\n", SaveScreen(o.screenshot) ? "saved" : "failed");
    }
    if (o.close == "ok") {
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    } else {
        PostMessageA(dialog, o.close == "cancel" ? WM_COMMAND : WM_CLOSE, IDCANCEL, 0);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseArgs(argc, argv, &o)) {
        fprintf(stderr, "usage: e2e_driver [options] PROGRAM (see driver.cpp)\n");
        return 2;
    }
    // Started through a virtual desktop, the driver may have no standard output of its own.
    if (!o.out.empty() && !freopen(o.out.c_str(), "w", stdout)) return 2;
    setvbuf(stdout, nullptr, _IONBF, 0);

    HANDLE messenger = nullptr;
    if (o.messenger >= 0) {
        // Found beside the driver: CreateProcess looks in its folder first.
        messenger = Start("e2e_messenger.exe " + std::to_string(o.messenger));
        for (DWORD start = GetTickCount(); messenger && CountMessengerWindows() < o.messenger;) {
            if (GetTickCount() - start > 20000) messenger = nullptr;
            Sleep(20);
        }
        if (!messenger) return printf("error messenger windows missing\n"), 1;
        printf("messenger windows %d\n", CountMessengerWindows());
    }

    HANDLE process = Start("\"" + o.program + "\"");
    if (!process) return printf("error cannot start program\n"), 1;
    if (o.dialog && !RunDialog(o, process)) return printf("error timeout waiting for OK\n"), 1;

    // Whatever comes now is a message box: a notice, or the restore tool's boxes.
    for (DWORD start = GetTickCount(); !Exited(process);) {
        if (GetTickCount() - start > 60000) return printf("error timeout waiting for exit\n"), 1;
        for (HWND box : Scan().boxes) Answer(box, o.dialog ? "notice" : "message", o);
        Sleep(5);
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    printf("exit %lu\n", code);

    if (messenger) {
        HWND hidden = FindWindowExA(nullptr, nullptr, "MSNHiddenWindowClass", nullptr);
        if (hidden) PostMessageA(hidden, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(messenger, 10000) != WAIT_OBJECT_0) TerminateProcess(messenger, 1);
    }
    return 0;
}
