#ifndef QUORVEL_REMOVER_BANNER_H
#define QUORVEL_REMOVER_BANNER_H

// The banner below the status lines: drawn from the program's own MB resource against the
// dialog's face colour, its colour cycling on a timer, tinted while the mouse is over it,
// opening the product page when clicked. Every function does nothing visible when the
// resource was missing or bad and the image stayed empty.

#include <windows.h>

#include "image/image.h"

// Loads and tints the image, sizes the banner control to it and starts the timer.
void BannerSetUp(HWND dialog, Image& banner);
void BannerOnTimer(HWND dialog, Image& banner);
void BannerOnDrawItem(const Image& banner, WPARAM controlId, const DRAWITEMSTRUCT* item);
void BannerOnMouse(HWND dialog, Image& banner, UINT message, LPARAM lParam);
void BannerOnDestroy(HWND dialog, Image& banner);

#endif
