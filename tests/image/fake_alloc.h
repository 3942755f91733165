#ifndef QUORVEL_TESTS_IMAGE_FAKE_ALLOC_H
#define QUORVEL_TESTS_IMAGE_FAKE_ALLOC_H

#include <stddef.h>

// This test program links its own ImageAllocate (fake_alloc.cc): malloc, with failures on
// demand and a record of what the library asked for.

// While it lives, the allocation after `successes` successful ones fails, and all after it.
class AllocationFailure {
  public:
    explicit AllocationFailure(int successes);
    ~AllocationFailure();
};

void ResetAllocationRecord();
int AllocationCount();       // requests since the last reset
size_t LargestAllocation();  // biggest request since the last reset

#endif
