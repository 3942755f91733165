#include <windows.h>
// commctrl.h needs the Win32 types first.
#include <commctrl.h>

#include "platform/dll_search_win.h"
#include "restore/restore_run.h"

namespace {

class MessageBoxSink final : public RestoreSink {
  public:
    int Message(const char* text, const char* caption, unsigned style) override {
        return MessageBoxA(nullptr, text, caption, style);
    }
};

}  // namespace

// The restore tool's entry: no window of its own, one pass, message boxes owned by no window.
// Its arguments are not used; it returns 0 on every path.
int WINAPI RestoreMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    plat::RestrictDllSearch();
    // The manifest asks for version 6 of the common controls; message boxes take its look
    // only once the library is initialised.
    InitCommonControls();
    MessageBoxSink sink;
    RunRestore(sink);
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    return RestoreMain(instance, previous, commandLine, show);
}
