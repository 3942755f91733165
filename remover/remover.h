#ifndef QUORVEL_REMOVER_REMOVER_H
#define QUORVEL_REMOVER_REMOVER_H

// The remover's Windows program: its entry, its one dialog and the Messenger notice.

#include <windows.h>

// The program's instance, set by the entry; the banner is found through it.
extern HINSTANCE g_instance;

INT_PTR CALLBACK RemoverDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows the restart notice for each of Messenger's hidden windows; always goes on.
BOOL CALLBACK NotifyMessengerRunning(HWND window, LPARAM lParam);

#endif
