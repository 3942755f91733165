#include <windows.h>

#include "restore/restore_main.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    return RestoreMain(instance, previous, commandLine, show);
}
