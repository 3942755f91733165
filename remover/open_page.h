#ifndef QUORVEL_REMOVER_OPEN_PAGE_H
#define QUORVEL_REMOVER_OPEN_PAGE_H

#include <windows.h>

// Opens the web page in the user's browser. Where this process runs elevated, the browser is
// started by the desktop's shell, as the signed-in user, or not at all when that shell
// cannot be asked; elsewhere by ShellExecuteA.
void OpenProductPage(HWND owner, const char* url);

#endif
