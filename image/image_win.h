#ifndef QUORVEL_IMAGE_IMAGE_WIN_H
#define QUORVEL_IMAGE_IMAGE_WIN_H

#include <windows.h>

#include "image/image.h"

// A device bitmap for the screen made from ImageToDib's block, with a logical palette made
// from its colour table realised while it is created. Null when no block can be built or the
// bitmap cannot be created. The caller deletes the bitmap with DeleteObject.
HBITMAP ImageToBitmap(const Image* image, COLORREF background, bool premultiply);

#endif
