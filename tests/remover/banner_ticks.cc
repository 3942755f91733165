// A thousand and more banner timer ticks and hover changes on the real banner, as the dialog
// runs them: colour step, tint, a fresh bitmap block freed at once. Run under valgrind it
// shows that nothing leaks and nothing is read or written out of bounds; on its own it
// checks that five whole cycles bring the palette back where it started.

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "image/image.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: banner_ticks BANNER.mb\n");
        return 2;
    }
    std::vector<unsigned char> data;
    FILE* file = fopen(argv[1], "rb");
    if (!file) return 2;
    for (int c; (c = getc(file)) != EOF;) data.push_back(static_cast<unsigned char>(c));
    fclose(file);

    Image banner;
    if (banner.ImageLoadMb(data.data(), data.size()) != MbOk || !banner.palette) return 1;
    banner.SetBannerTint(64);
    std::vector<PaletteEntry> start(banner.palette, banner.palette + 256);
    const int kTicks = 204 * 5;  // five whole cycles of step 5
    for (int tick = 0; tick < kTicks; ++tick) {
        if (banner.PaletteCycleStep(5) != 0) return 1;
        // Every tenth tick the mouse crosses the edge and back.
        if (tick % 10 == 0) banner.SetBannerTint(5);
        if (tick % 10 == 5) banner.SetBannerTint(64);
        unsigned char* block = ImageToDib(&banner, 0xC8D0D4, false);
        if (!block) return 1;
        free(block);
    }
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry& now = banner.palette[i];
        const PaletteEntry& then = start[i];
        if (now.transparency != then.transparency || now.red != then.red ||
            now.green != then.green || now.blue != then.blue) {
            fprintf(stderr, "entry %d did not come back\n", i);
            return 1;
        }
    }
    banner.ImageFree();
    printf("%d ticks\n", kTicks);
    return 0;
}
