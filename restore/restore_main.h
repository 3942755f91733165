#ifndef QUORVEL_RESTORE_RESTORE_MAIN_H
#define QUORVEL_RESTORE_RESTORE_MAIN_H

#include <windows.h>

// The restore tool's entry: no window of its own, one pass, message boxes owned by no
// window. Its arguments are not used; it returns 0 on every path.
int WINAPI RestoreMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);

#endif
