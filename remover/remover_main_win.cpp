#include <windows.h>

#include "platform/dll_search_win.h"
#include "remover/control_ids.h"
#include "remover/remover.h"

HINSTANCE g_instance = nullptr;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    plat::RestrictDllSearch();
    g_instance = instance;
    DialogBoxParamA(instance, "MSNDialog", nullptr, RemoverDlgProc, 0);
    return 0;
}
