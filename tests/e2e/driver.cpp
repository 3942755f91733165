// Drives one of the programs from inside the same Wine prefix, as a user would: answers
// its message boxes, waits for the remover's OK button, reads the status lines, checks the
// dialog's geometry, optionally takes a screenshot, closes the dialog and answers the
// notices that follow. Everything seen is printed, one line each, for the case script to
// compare with what it expects.
//
// usage: e2e_driver [options] PROGRAM
//   --dialog               the program shows the remover dialog (else message boxes only)
//   --answer yes|no        the answer to a Yes/No box (default no)
//   --close ok|cancel|close  how the dialog is ended (default ok: the OK button is clicked)
//   --messenger N          first start e2e_messenger with N hidden windows
//   --expect-pauses MS     compare the time from the first status line to OK with MS
//   --screenshot FILE      after OK is enabled, save the screen as a .bmp
//   --geometry             check every control against the dialog template
//   --linger MS            after OK is enabled, wait this long before closing
//   --out FILE             print to FILE instead of standard output
//   --banner               check the banner: drawn, cycling, hover tint, clicks
//   --hover                before the screenshot, move the mouse over the banner

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "image/image.h"

namespace {

struct Options {
    std::string program;
    bool dialog = false;
    bool answerYes = false;
    std::string close = "ok";
    int messenger = -1;
    long expectPauses = -1;
    std::string screenshot;
    bool geometry = false;
    DWORD linger = 0;
    std::string out;
    bool banner = false;
    bool hover = false;
};

DWORD g_pid = 0;
std::set<HWND> g_answered;

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out;
}

std::string TextOf(HWND window) {
    char buffer[1024] = "";
    // Another process's window: the text is read from the system, no message is sent.
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

std::string ClassOf(HWND window) {
    char buffer[256] = "";
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

struct Found {
    HWND dialog = nullptr;
    std::vector<HWND> boxes;
};

BOOL CALLBACK Collect(HWND window, LPARAM lParam) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != g_pid || ClassOf(window) != "#32770" || !IsWindowVisible(window)) return TRUE;
    Found* found = reinterpret_cast<Found*>(lParam);
    if (TextOf(window) == "Quorvel" && GetDlgItem(window, 1000)) {
        found->dialog = window;
    } else {
        found->boxes.push_back(window);
    }
    return TRUE;
}

Found Scan() {
    Found found;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Prints a message box once and answers it: OK, or the chosen Yes/No.
void Answer(HWND box, const char* kind, bool answerYes) {
    if (g_answered.count(box)) return;
    HWND text = GetDlgItem(box, 0xFFFF);
    if (!text) return;  // not drawn yet
    g_answered.insert(box);
    bool yesNo = GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO);
    printf("%s %s: %s [%s]\n", kind, TextOf(box).c_str(), Escape(TextOf(text)).c_str(),
           yesNo ? "yes-no" : "ok");
    if (yesNo) printf("answer %s\n", answerYes ? "yes" : "no");
    fflush(stdout);
    int button = yesNo ? (answerYes ? IDYES : IDNO) : IDOK;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

bool Exited(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

HANDLE Start(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return nullptr;
    }
    CloseHandle(info.hThread);
    g_pid = info.dwProcessId;
    return info.hProcess;
}

std::string BesideMe(const char* name) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

int CountMessengerWindows() {
    int count = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, "MSNHiddenWindowClass", nullptr); w;
         w = FindWindowExA(nullptr, w, "MSNHiddenWindowClass", nullptr)) {
        ++count;
    }
    return count;
}

// Pixels of a control in the template's dialog units, by the system's own rounding.
RECT FromUnits(int x, int y, int w, int h, int baseX, int baseY) {
    RECT r;
    r.left = MulDiv(x, baseX, 4);
    r.top = MulDiv(y, baseY, 8);
    r.right = r.left + MulDiv(w, baseX, 4);
    r.bottom = r.top + MulDiv(h, baseY, 8);
    return r;
}

void CheckGeometry(HWND dialog) {
    struct Control {
        int id, x, y, w, h;
    } controls[] = {{IDOK, 129, 74, 50, 14},   {1000, 7, 7, 172, 11}, {1001, 7, 19, 172, 11},
                    {1002, 7, 31, 172, 11},    {1003, 7, 43, 172, 11}, {1004, 7, 55, 172, 11},
                    {1005, 7, 73, 21, 13}};
    RECT actual[7];
    for (int i = 0; i < 7; ++i) {
        GetWindowRect(GetDlgItem(dialog, controls[i].id), &actual[i]);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual[i]), 2);
    }
    RECT client;
    GetClientRect(dialog, &client);
    // The base units follow from the font; find the pair that places every control.
    for (int baseX = 4; baseX <= 16; ++baseX) {
        for (int baseY = 8; baseY <= 32; ++baseY) {
            bool fits = MulDiv(186, baseX, 4) == client.right && MulDiv(95, baseY, 8) == client.bottom;
            for (int i = 0; fits && i < 7; ++i) {
                const Control& c = controls[i];
                RECT want = FromUnits(c.x, c.y, c.w, c.h, baseX, baseY);
                RECT& got = actual[i];
                // The banner is sized to its picture; only its place comes from the template.
                bool sized = c.id != 1005;
                fits = got.left == want.left && got.top == want.top &&
                       (!sized || (got.right == want.right && got.bottom == want.bottom));
            }
            if (fits) {
                printf("geometry ok\n");
                printf("banner %ldx%ld\n", actual[6].right - actual[6].left,
                       actual[6].bottom - actual[6].top);
                return;
            }
        }
    }
    printf("geometry mismatch: client %ldx%ld", client.right, client.bottom);
    for (int i = 0; i < 7; ++i) {
        printf(" %d=(%ld,%ld,%ld,%ld)", controls[i].id, actual[i].left, actual[i].top,
               actual[i].right, actual[i].bottom);
    }
    printf("\n");
}

// The whole screen (in a virtual desktop: the desktop) as a 24-bit .bmp.
bool SaveScreen(const std::string& path) {
    HDC screen = GetDC(nullptr);
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    int stride = (width * 3 + 3) & ~3;
    std::vector<unsigned char> bits(static_cast<size_t>(stride) * height);
    GetDIBits(memory, bitmap, 0, height, bits.data(), reinterpret_cast<BITMAPINFO*>(&header),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + bits.size());
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    fwrite(&file, sizeof file, 1, out);
    fwrite(&header, sizeof header, 1, out);
    fwrite(bits.data(), 1, bits.size(), out);
    return fclose(out) == 0;
}

// --- the banner ---------------------------------------------------------------------------

// The banner control's rectangle in the dialog's client coordinates.
RECT BannerRect(HWND dialog) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, 1005), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The screen's pixels under the banner control, as COLORREFs, row by row.
std::vector<COLORREF> Capture(HWND dialog, int* width, int* height) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, 1005), &r);
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    std::vector<COLORREF> pixels;
    if (*width <= 0 || *height <= 0) return pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = *width;
    info.bmiHeader.biHeight = -*height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, *width, *height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const uint8_t* bgrx = static_cast<const uint8_t*>(bits);
    for (int i = 0; i < *width * *height; ++i) {
        pixels.push_back(RGB(bgrx[4 * i + 2], bgrx[4 * i + 1], bgrx[4 * i]));
    }
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The picture the program carries, read from its own resource.
bool LoadBanner(const std::string& program, Image* banner) {
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return false;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(103), "MBM");
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    bool ok = data && banner->ImageLoadMb(data, SizeofResource(module, found)) == MbOk;
    FreeLibrary(module);
    return ok;
}

// The colour of the opaque ink (palette entry 0) on screen, after checking that every pixel
// of the ground (entry 34) shows the dialog's face colour and all ink pixels agree.
bool InkColour(HWND dialog, const Image& banner, COLORREF* ink, std::string* problem) {
    int width, height;
    std::vector<COLORREF> shown = Capture(dialog, &width, &height);
    if (width != banner.width || height != banner.height) {
        *problem = "size " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    bool haveInk = false;
    for (int i = 0; i < width * height; ++i) {
        uint8_t index = banner.pixels[i];
        if (index == 34 && shown[i] != face) {
            *problem = "ground pixel " + std::to_string(i) + " is not the face colour";
            return false;
        }
        if (index == 0) {
            if (haveInk && shown[i] != *ink) {
                *problem = "ink pixels differ";
                return false;
            }
            *ink = shown[i];
            haveInk = true;
        }
    }
    if (!haveInk || *ink == face) {
        *problem = "no ink";
        return false;
    }
    return true;
}

std::string InkGreen(HWND dialog, const Image& banner) {
    COLORREF ink;
    std::string problem;
    Sleep(400);  // the banner is repainted on the next WM_PAINT
    if (!InkColour(dialog, banner, &ink, &problem)) return "none (" + problem + ")";
    return std::to_string(GetGValue(ink));
}

std::string BrowserLog() {
    const char* path = getenv("E2E_BROWSER_LOG");
    FILE* file = path ? fopen(path, "r") : nullptr;
    if (!file) return "";
    char line[512] = "";
    if (!fgets(line, sizeof line, file)) line[0] = 0;
    fclose(file);
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::string WaitForBrowser(DWORD milliseconds) {
    DWORD start = GetTickCount();
    std::string seen;
    while ((seen = BrowserLog()).empty() && GetTickCount() - start < milliseconds) Sleep(50);
    return seen.empty() ? "nothing" : seen;
}

void Mouse(HWND dialog, UINT message, LONG x, LONG y) {
    PostMessageA(dialog, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
}

void CheckBanner(HWND dialog, const std::string& program) {
    Image banner;
    bool carried = LoadBanner(program, &banner);
    RECT r = BannerRect(dialog);
    LONG cx = (r.left + r.right) / 2;
    LONG cy = (r.top + r.bottom) / 2;
    if (!carried) {
        printf("banner decoded no\n");
        // Where the banner would be: nothing happens there.
        Mouse(dialog, WM_LBUTTONUP, r.left + 5, r.top + 5);
        printf("click inside opened %s\n", WaitForBrowser(3000).c_str());
        return;
    }
    Sleep(300);
    COLORREF first, second;
    std::string problem;
    if (!InkColour(dialog, banner, &first, &problem)) {
        printf("banner drawn wrong: %s\n", problem.c_str());
        return;
    }
    printf("banner drawn green %d\n", GetGValue(first));
    // The cycle starts red rising: red goes up by one step a tick, green and blue stay.
    Sleep(2000);
    if (!InkColour(dialog, banner, &second, &problem)) {
        printf("banner drawn wrong: %s\n", problem.c_str());
        return;
    }
    int redSteps = (GetRValue(second) - GetRValue(first)) / 5;
    printf("banner cycle red %s green %d,%d blue %d,%d\n",
           redSteps >= 2 && redSteps <= 6 ? "up" : std::to_string(redSteps).c_str(),
           GetGValue(first), GetGValue(second), GetBValue(first), GetBValue(second));

    // Hover: strictly inside tints, the edges count as outside.
    Mouse(dialog, WM_MOUSEMOVE, r.left, cy);
    printf("move left edge: green %s\n", InkGreen(dialog, banner).c_str());
    Mouse(dialog, WM_MOUSEMOVE, cx, cy);
    printf("move inside: green %s\n", InkGreen(dialog, banner).c_str());
    Mouse(dialog, WM_MOUSEMOVE, r.left + 1, r.top + 1);
    printf("move inside corner: green %s\n", InkGreen(dialog, banner).c_str());
    Mouse(dialog, WM_MOUSEMOVE, r.right, r.bottom);
    printf("move bottom right edge: green %s\n", InkGreen(dialog, banner).c_str());
    Mouse(dialog, WM_MOUSEMOVE, cx, r.top);
    printf("move top edge: green %s\n", InkGreen(dialog, banner).c_str());
    Mouse(dialog, WM_MOUSEMOVE, cx, cy);
    InkGreen(dialog, banner);
    Mouse(dialog, WM_MOUSEMOVE, 2, 2);
    printf("move outside: green %s\n", InkGreen(dialog, banner).c_str());

    // Clicks: only a release strictly inside opens the page.
    Mouse(dialog, WM_LBUTTONUP, 2, 2);
    printf("release outside opened %s\n", WaitForBrowser(2000).c_str());
    Mouse(dialog, WM_LBUTTONUP, r.right, cy);
    printf("release on right edge opened %s\n", WaitForBrowser(2000).c_str());
    Mouse(dialog, WM_LBUTTONDOWN, cx, cy);
    Mouse(dialog, WM_LBUTTONUP, cx, r.bottom + 3);
    printf("press inside release below opened %s\n", WaitForBrowser(2000).c_str());
    Mouse(dialog, WM_LBUTTONDOWN, 2, 2);
    Mouse(dialog, WM_LBUTTONUP, cx, cy);
    printf("press outside release inside opened %s\n", WaitForBrowser(15000).c_str());
    Mouse(dialog, WM_MOUSEMOVE, 2, 2);
    InkGreen(dialog, banner);
}

int Fail(const char* what) {
    printf("error %s\n", what);
    return 1;
}

bool ParseArgs(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool more = i + 1 < argc;
        if (arg == "--dialog") {
            o->dialog = true;
        } else if (arg == "--geometry") {
            o->geometry = true;
        } else if (arg == "--answer" && more) {
            o->answerYes = std::string(argv[++i]) == "yes";
        } else if (arg == "--close" && more) {
            o->close = argv[++i];
        } else if (arg == "--messenger" && more) {
            o->messenger = atoi(argv[++i]);
        } else if (arg == "--expect-pauses" && more) {
            o->expectPauses = atol(argv[++i]);
        } else if (arg == "--screenshot" && more) {
            o->screenshot = argv[++i];
        } else if (arg == "--hover") {
            o->hover = true;
        } else if (arg == "--banner") {
            o->banner = true;
        } else if (arg == "--out" && more) {
            o->out = argv[++i];
        } else if (arg == "--linger" && more) {
            o->linger = static_cast<DWORD>(atol(argv[++i]));
        } else if (arg[0] != '-' && o->program.empty()) {
            o->program = arg;
        } else {
            return false;
        }
    }
    return !o->program.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseArgs(argc, argv, &o)) {
        fprintf(stderr, "usage: e2e_driver [--dialog] [--answer yes|no] [--close ok|cancel|close] "
                        "[--messenger N] [--expect-pauses MS] [--screenshot FILE] [--geometry] "
                        "[--linger MS] [--out FILE] [--banner] [--hover] PROGRAM\n");
        return 2;
    }
    // Started through a virtual desktop, the driver may have no standard output of its own.
    if (!o.out.empty() && !freopen(o.out.c_str(), "w", stdout)) return 2;
    setvbuf(stdout, nullptr, _IONBF, 0);

    HANDLE messenger = nullptr;
    if (o.messenger >= 0) {
        messenger = Start("\"" + BesideMe("e2e_messenger.exe") + "\" " + std::to_string(o.messenger));
        if (!messenger) return Fail("cannot start e2e_messenger");
        DWORD start = GetTickCount();
        while (CountMessengerWindows() < o.messenger) {
            if (GetTickCount() - start > 20000) return Fail("messenger windows missing");
            Sleep(20);
        }
        printf("messenger windows %d\n", CountMessengerWindows());
    }

    HANDLE process = Start("\"" + o.program + "\"");
    if (!process) return Fail("cannot start program");
    const DWORD kTimeout = 60000;
    DWORD started = GetTickCount();

    if (o.dialog) {
        HWND dialog = nullptr;
        DWORD firstStatus = 0;
        bool sawStatus = false;
        bool okEnabled = false;
        while (!okEnabled && !Exited(process)) {
            if (GetTickCount() - started > kTimeout) return Fail("timeout waiting for OK");
            Found found = Scan();
            for (HWND box : found.boxes) Answer(box, "message", o.answerYes);
            if (found.dialog) dialog = found.dialog;
            if (dialog && !sawStatus && !TextOf(GetDlgItem(dialog, 1000)).empty()) {
                sawStatus = true;
                firstStatus = GetTickCount();
            }
            // OK is disabled before the first status line is set; only then does it count.
            if (sawStatus && IsWindowEnabled(GetDlgItem(dialog, IDOK))) okEnabled = true;
            Sleep(5);
        }
        if (okEnabled) {
            DWORD measured = GetTickCount() - firstStatus;
            for (int id = 1000; id <= 1004; ++id) {
                printf("status %d %s\n", id, Escape(TextOf(GetDlgItem(dialog, id))).c_str());
            }
            printf("enabled ok %d banner %d\n", IsWindowEnabled(GetDlgItem(dialog, IDOK)) ? 1 : 0,
                   IsWindowEnabled(GetDlgItem(dialog, 1005)) ? 1 : 0);
            if (o.expectPauses >= 0) {
                // Sleep never returns early; a loaded machine adds time, never takes it.
                long delta = static_cast<long>(measured) - o.expectPauses;
                if (delta >= -100 && delta <= 4000) {
                    printf("pauses ok\n");
                } else {
                    printf("pauses %lu, expected %ld\n", measured, o.expectPauses);
                }
            }
            if (o.geometry) CheckGeometry(dialog);
            if (o.banner) CheckBanner(dialog, o.program);
            if (o.linger) Sleep(o.linger);
            if (o.hover) {
                RECT r = BannerRect(dialog);
                PostMessageA(dialog, WM_MOUSEMOVE, 0,
                             MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
            }
            if (!o.screenshot.empty()) {
                Sleep(700);  // a repaint after the sequence, and a timer tick
                printf("screenshot %s\n", SaveScreen(o.screenshot) ? "saved" : "failed");
            }
            if (o.close == "ok") {
                PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            } else if (o.close == "cancel") {
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            } else {
                PostMessageA(dialog, WM_CLOSE, 0, 0);
            }
        }
    }

    // Whatever comes now is a message box (a notice, or the restore tool's boxes).
    DWORD ending = GetTickCount();
    while (!Exited(process)) {
        if (GetTickCount() - ending > kTimeout) return Fail("timeout waiting for exit");
        for (HWND box : Scan().boxes) Answer(box, o.dialog ? "notice" : "message", o.answerYes);
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
