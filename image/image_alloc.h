#ifndef QUORVEL_IMAGE_IMAGE_ALLOC_H
#define QUORVEL_IMAGE_IMAGE_ALLOC_H

#include <stddef.h>

// The one allocator of the image library: every block it makes or hands out comes from here
// and is released with free(). It is alone in its object file so that a test program can
// link its own definition and make allocations fail on demand.
void* ImageAllocate(size_t size);

#endif
