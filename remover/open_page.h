#ifndef QUORVEL_REMOVER_OPEN_PAGE_H
#define QUORVEL_REMOVER_OPEN_PAGE_H

#include <windows.h>

// Opens the web page in the user's browser. Where this process runs elevated, the browser is
// started by the desktop's shell, as the signed-in user; elsewhere, or when that shell
// refuses, by ShellExecuteA.
void OpenProductPage(HWND owner, const char* url);

#endif
