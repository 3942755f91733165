#ifndef QUORVEL_BENCH_BANNER_TICK_H
#define QUORVEL_BENCH_BANNER_TICK_H

#include "image/image.h"

// What the remover does on each timer tick and the draw that follows it: one colour-cycle
// step, and the bitmap block built against the dialog face colour and freed.
void BannerTick(Image& image);

#endif
