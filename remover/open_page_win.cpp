#include <windows.h>
// The shell's headers need the Win32 types first.
#include <exdisp.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shobjidl.h>

#include "platform/com_ref_win.h"
#include "platform/counted_win.h"
#include "platform/dll_search_win.h"
#include "platform/faults.h"
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

// The test build fails a token call on demand, with the error the system would give.
bool Fails(Fault point, DWORD error) {
    if (!FaultFires(point)) return false;
    SetLastError(error);
    return true;
}

// From the process token alone: a program in a compatibility mode is told an older version
// than the system that elevated it. A question the system does not know (no split token
// before Vista; 95/98/Me have only stubs, or not even those) means not elevated; any other
// failure may hide an elevated token, so it counts as one.
bool IsElevated() {
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    auto openToken = plat::ProcAddress<OpenProcessTokenProc>(advapi, "OpenProcessToken");
    auto tokenInformation =
        plat::ProcAddress<GetTokenInformationProc>(advapi, "GetTokenInformation");
    if (!openToken || !tokenInformation) return false;
    HANDLE token = nullptr;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    bool asked = !Fails(Fault::TokenOpen, ERROR_ACCESS_DENIED) &&
                 openToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                 !Fails(Fault::TokenQuery, ERROR_INVALID_PARAMETER) &&
                 tokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    DWORD error = GetLastError();
    if (token) CloseHandle(token);
    if (asked) return elevation.TokenIsElevated != 0;
    return error != ERROR_INVALID_PARAMETER && error != ERROR_CALL_NOT_IMPLEMENTED;
}

// The shell of the desktop's own window, asked for through its view; false wherever any
// step of the way is missing.
bool FindDesktopShell(CoCreateInstanceProc coCreate, plat::ComRef<IShellDispatch2>& shell) {
    // Released in the reverse order, whichever call fails.
    plat::ComRef<IShellWindows> windows;
    plat::ComRef<IDispatch> desktop;
    plat::ComRef<IServiceProvider> services;
    plat::ComRef<IShellBrowser> browser;
    plat::ComRef<IShellView> view;
    plat::ComRef<IDispatch> background;
    plat::ComRef<IShellFolderViewDual> folderView;
    plat::ComRef<IDispatch> application;
    VARIANT location = {};
    location.vt = VT_I4;
    location.lVal = 0;  // CSIDL_DESKTOP
    VARIANT empty = {};
    long window = 0;
    return SUCCEEDED(coCreate(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
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
                                                 reinterpret_cast<void**>(shell.Out())));
}

// The desktop's shell runs as the signed-in user, not elevated: it starts the browser as
// that user.
void OpenThroughDesktopShell(HMODULE ole, HMODULE oleaut, const wchar_t* url) {
    auto coCreate = plat::ProcAddress<CoCreateInstanceProc>(ole, "CoCreateInstance");
    auto allocString = plat::ProcAddress<SysAllocStringProc>(oleaut, "SysAllocString");
    auto freeString = plat::ProcAddress<SysFreeStringProc>(oleaut, "SysFreeString");
    plat::ComRef<IShellDispatch2> shell;
    if (!coCreate || !allocString || !freeString || !FindDesktopShell(coCreate, shell)) return;
    BSTR file = allocString(url);
    if (!file) return;
    VARIANT none = {};
    shell->ShellExecute(file, none, none, none, none);
    freeString(file);
}

void OpenAsSignedInUser(const char* url) {
    wchar_t wide[512];
    if (FaultFires(Fault::DesktopShell) ||
        !MultiByteToWideChar(CP_ACP, 0, url, -1, wide, sizeof wide / sizeof wide[0])) {
        return;
    }
    HMODULE ole = plat::LoadSystemDll("ole32");
    HMODULE oleaut = plat::LoadSystemDll("oleaut32");
    auto initialize = plat::ProcAddress<CoInitializeProc>(ole, "CoInitialize");
    auto uninitialize = plat::ProcAddress<CoUninitializeProc>(ole, "CoUninitialize");
    if (initialize && uninitialize && SUCCEEDED(initialize(nullptr))) {
        OpenThroughDesktopShell(ole, oleaut, wide);
        uninitialize();
    }
    if (oleaut) FreeLibrary(oleaut);
    if (ole) FreeLibrary(ole);
}

}  // namespace

void OpenProductPage(HWND owner, const char* url) {
    // An elevated process would hand its rights to the browser, and so to every page it
    // visits: elevated, only the desktop's shell may open the page, and where that way fails
    // nothing does (the visit line names the address).
    if (IsElevated()) {
        OpenAsSignedInUser(url);
    } else {
        plat::ShellExecuteA(owner, nullptr, url, nullptr, nullptr, SW_SHOWNORMAL);
    }
}
