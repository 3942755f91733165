// Runs N banner ticks (default 100) so an instruction counter can measure one: see
// bench/count_tick.sh.

#include <stdio.h>
#include <stdlib.h>

#include "bench/banner_tick.h"
#include "bench/bench_data.h"

int main(int argc, char** argv) {
    const int ticks = argc > 1 ? atoi(argv[1]) : 100;
    const Bytes data = BannerData();
    Image image;
    if (image.ImageLoadMb(data.data(), data.size()) != MbOk) return 1;
    image.SetBannerTint(64);
    for (int i = 0; i < ticks; ++i) BannerTick(image);
    return image.ImageCountColours() == 35 ? 0 : 1;
}
