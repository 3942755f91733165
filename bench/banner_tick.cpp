#include "bench/banner_tick.h"

#include <stdlib.h>

__attribute__((noinline)) void BannerTick(Image& image) {
    image.PaletteCycleStep(5);
    uint8_t* block = ImageToDib(&image, 0xC8D0D4, false);
    // Keep the block from being optimised away before it is freed.
    __asm__ volatile("" : : "r"(block) : "memory");
    free(block);
}
