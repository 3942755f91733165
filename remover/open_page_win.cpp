#include <windows.h>
// The shell's headers need the Win32 types first.
#include <exdisp.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shobjidl.h>

#include "platform/com_ref_win.h"
#include "remover/open_page.h"

namespace {

typedef HRESULT(WINAPI* CoInitializeProc)(LPVOID);
typedef void(WINAPI* CoUninitializeProc)();
typedef HRESULT(WINAPI* CoCreateInstanceProc)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
typedef BSTR(WINAPI* SysAllocStringProc)(const OLECHAR*);
typedef void(WINAPI* SysFreeStringProc)(BSTR);
typedef BOOL(WINAPI* OpenProcessTokenProc)(HANDLE, DWORD, PHANDLE);
typedef BOOL(WINAPI* GetTokenInformationProc)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD,
                                              PDWORD);

// Taken at run time: 95/98/Me and NT 4 lack some of these, and the program must load there.
template <typename Proc>
Proc Find(HMODULE module, const char* name) {
    return module
               ? reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
               : nullptr;
}

// Elevation exists from NT 6 on; before it, an administrator's browser is the user's own.
bool IsElevated() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_NT ||
        version.dwMajorVersion < 6) {
        return false;
    }
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    auto openToken = Find<OpenProcessTokenProc>(advapi, "OpenProcessToken");
    auto tokenInformation = Find<GetTokenInformationProc>(advapi, "GetTokenInformation");
    HANDLE token;
    if (!openToken || !tokenInformation || !openToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    BOOL asked = tokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return asked && elevation.TokenIsElevated;
}

// The desktop's shell runs as the signed-in user, not elevated; asked through its own view,
// it starts the browser as that user. False wherever any step of the way is missing.
bool OpenThroughDesktopShell(HMODULE ole, HMODULE oleaut, const wchar_t* url) {
    auto coCreate = Find<CoCreateInstanceProc>(ole, "CoCreateInstance");
    auto allocString = Find<SysAllocStringProc>(oleaut, "SysAllocString");
    auto freeString = Find<SysFreeStringProc>(oleaut, "SysFreeString");
    if (!coCreate || !allocString || !freeString) return false;

    // Released in the reverse order, whichever call fails.
    plat::ComRef<IShellWindows> windows;
    plat::ComRef<IDispatch> desktop;
    plat::ComRef<IServiceProvider> services;
    plat::ComRef<IShellBrowser> browser;
    plat::ComRef<IShellView> view;
    plat::ComRef<IDispatch> background;
    plat::ComRef<IShellFolderViewDual> folderView;
    plat::ComRef<IDispatch> application;
    plat::ComRef<IShellDispatch2> shell;
    VARIANT location = {};
    location.vt = VT_I4;
    location.lVal = 0;  // CSIDL_DESKTOP
    VARIANT empty = {};
    long window = 0;
    bool opened = false;
    if (SUCCEEDED(coCreate(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                           reinterpret_cast<void**>(windows.Out()))) &&
        windows->FindWindowSW(&location, &empty, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              desktop.Out()) == S_OK &&
        desktop &&
        SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider,
                                          reinterpret_cast<void**>(services.Out()))) &&
        SUCCEEDED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                         reinterpret_cast<void**>(browser.Out()))) &&
        SUCCEEDED(browser->QueryActiveShellView(view.Out())) &&
        SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch,
                                      reinterpret_cast<void**>(background.Out()))) &&
        SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual,
                                             reinterpret_cast<void**>(folderView.Out()))) &&
        SUCCEEDED(folderView->get_Application(application.Out())) && application &&
        SUCCEEDED(application->QueryInterface(IID_IShellDispatch2,
                                              reinterpret_cast<void**>(shell.Out())))) {
        BSTR file = allocString(url);
        if (file) {
            VARIANT none = {};
            opened = SUCCEEDED(shell->ShellExecute(file, none, none, none, none));
            freeString(file);
        }
    }
    return opened;
}

bool OpenAsSignedInUser(const char* url) {
    wchar_t wide[512];
    if (!MultiByteToWideChar(CP_ACP, 0, url, -1, wide, sizeof wide / sizeof wide[0])) return false;
    HMODULE ole = LoadLibraryA("ole32.dll");
    HMODULE oleaut = LoadLibraryA("oleaut32.dll");
    auto initialize = Find<CoInitializeProc>(ole, "CoInitialize");
    auto uninitialize = Find<CoUninitializeProc>(ole, "CoUninitialize");
    bool opened = false;
    if (initialize && uninitialize && SUCCEEDED(initialize(nullptr))) {
        opened = OpenThroughDesktopShell(ole, oleaut, wide);
        uninitialize();
    }
    if (oleaut) FreeLibrary(oleaut);
    if (ole) FreeLibrary(ole);
    return opened;
}

}  // namespace

void OpenProductPage(HWND owner, const char* url) {
    // An elevated process would hand its rights to the browser, and so to every page it visits.
    if (IsElevated() && OpenAsSignedInUser(url)) return;
    ShellExecuteA(owner, nullptr, url, nullptr, nullptr, SW_SHOWNORMAL);
}
