#ifndef QUORVEL_IMAGE_IMAGE_ALLOC_H
#define QUORVEL_IMAGE_IMAGE_ALLOC_H

#include <stddef.h>

// The one allocator of the image library: every block it makes or hands out comes from here.
// The library gives its blocks back through ImageRelease, which is free(), so callers may use
// either. Both are alone in their object file so that a test program can link its own
// definitions, make allocations fail on demand and see a block the library never gives back.
void* ImageAllocate(size_t size);
void ImageRelease(void* block);

#endif
