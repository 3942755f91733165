#include <stdlib.h>
#include <string.h>

#include "image/image_alloc.h"
#include "tests/image/image_fixtures.h"

void* ImageAllocate(size_t size) {
    ++FakeAlloc::count;
    if (size > FakeAlloc::largest) FakeAlloc::largest = size;
    if (FakeAlloc::successesLeft >= 0 && FakeAlloc::successesLeft-- == 0) return nullptr;
    void* block = malloc(size);
    if (block) memset(block, 0xA5, size), ++FakeAlloc::live;
    return block;
}

void ImageRelease(void* block) {
    if (block) --FakeAlloc::live;
    free(block);
}
