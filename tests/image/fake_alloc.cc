#include "tests/image/fake_alloc.h"

#include <stdlib.h>

#include "image/image_alloc.h"

namespace {
int g_successesLeft = -1;  // negative: never fail
int g_count = 0;
size_t g_largest = 0;
}  // namespace

void* ImageAllocate(size_t size) {
    ++g_count;
    if (size > g_largest) g_largest = size;
    if (g_successesLeft == 0) return nullptr;
    if (g_successesLeft > 0) --g_successesLeft;
    return malloc(size);
}

AllocationFailure::AllocationFailure(int successes) {
    g_successesLeft = successes;
}
AllocationFailure::~AllocationFailure() {
    g_successesLeft = -1;
}

void ResetAllocationRecord() {
    g_count = 0;
    g_largest = 0;
}
int AllocationCount() {
    return g_count;
}
size_t LargestAllocation() {
    return g_largest;
}
