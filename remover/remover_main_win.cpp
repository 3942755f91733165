#include <windows.h>

#include "remover/control_ids.h"
#include "remover/remover.h"

HINSTANCE g_instance = nullptr;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    g_instance = instance;
    DialogBoxParamA(instance, "MSNDialog", nullptr, RemoverDlgProc, 0);
    return 0;
}
