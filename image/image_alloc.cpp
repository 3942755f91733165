#include "image/image_alloc.h"

#include <stdlib.h>

// malloc rather than operator new: callers release with free(), and pairing new with free
// is undefined.
void* ImageAllocate(size_t size) {
    return malloc(size);
}

void ImageRelease(void* block) {
    free(block);
}
