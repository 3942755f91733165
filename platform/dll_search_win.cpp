#include "platform/dll_search_win.h"

#include "platform/faults.h"

namespace plat {

// Loaded by bare name by the system's own DLLs even after the search is restricted (seen
// under Wine 8), so loaded first from the system folder on every system.
const char kAlwaysPreloaded[] =
    "ole32\0"    // imm32, for the input method of any window; the remover's COM
    "msimg32\0"  // uxtheme, to draw themed parts
    ;

// Before Windows 8 (and on Vista and 7 without update KB2533623) nothing restricts the search:
// the DLLs that the dialog, the message boxes, the shell and COM load by bare name.
const char kPreloadedUnrestricted[] =
    "uxtheme\0"    // the themes of version 6 of the common controls, which the manifest asks for
    "dwmapi\0"     // uxtheme and the window frames, where the desktop is composed (Vista on)
    "imm32\0"      // user32, for the input method of any window
    "version\0"    // the shell and the compatibility engine, reading file versions
    "apphelp\0"    // the compatibility engine, when the shell opens the page
    "propsys\0"    // the shell's property system (Vista on)
    "userenv\0"    // the shell and COM, for the user's profile
    "profapi\0"    // userenv's own profile calls (7 on)
    "setupapi\0"   // the shell, for the system's devices and folders
    "cryptbase\0"  // advapi32's random numbers, which COM's identifiers use (Vista on)
    "ntmarta\0"    // advapi32's access control, which COM's security uses
    "oleacc\0"     // the common controls' accessibility
    "oleaut32\0"   // COM's automation types, for the desktop's shell
    "clbcatq\0"    // COM's class catalogue
    "comres\0"     // the catalogue's resources (XP)
    ;

namespace {

typedef BOOL(WINAPI* SetDefaultDllDirectoriesProc)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryAProc)(LPCSTR);

void LoadEach(const char* names) {
    for (; *names; names += lstrlenA(names) + 1) LoadSystemDll(names);
}

}  // namespace

HMODULE LoadSystemDll(const char* name) {
    char path[MAX_PATH + 16];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (!length || length >= MAX_PATH) return nullptr;
    wsprintfA(path + length, "\\%s.dll", name);
    // The DLL's own imports are then looked for beside it, not beside the program.
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Looked up at run time: Windows 8 has both calls, as have Vista and 7 with update KB2533623;
// XP from SP1 on has the second only; 95/98/Me, 2000 and the first XP have neither.
void RestrictDllSearch() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto setDefault = ProcAddress<SetDefaultDllDirectoriesProc>(kernel, "SetDefaultDllDirectories");
    bool restricted =
        setDefault && !FaultFires(Fault::DllSearch) && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!restricted) {
        // Takes at least the current folder out of the search.
        auto setDirectory = ProcAddress<SetDllDirectoryAProc>(kernel, "SetDllDirectoryA");
        if (setDirectory) setDirectory("");
        LoadEach(kPreloadedUnrestricted);
    }
    LoadEach(kAlwaysPreloaded);
}

}  // namespace plat
