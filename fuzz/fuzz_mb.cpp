// libFuzzer target: the bounded MB load, then everything the remover does with what loaded
// (census, bitmap block both ways, tint and colour cycle), and a second load over the first.

#include <stdlib.h>

#include "image/image.h"

namespace {

// The state a load result must leave behind; a breach is a crash for the fuzzer.
void CheckState(const Image& image, int result, const uint8_t* data, size_t size) {
    const bool empty =
        !image.width && !image.height && !image.bitsPerPixel && !image.palette && !image.pixels;
    if (result == MbOk) {
        const bool paletted = data[10] == 0 || data[10] == 2;
        if (size < 12 || !image.pixels || (image.palette != nullptr) != paletted) __builtin_trap();
    } else if (result != MbBadMagic && !empty) {
        __builtin_trap();
    }
}

void Exercise(Image& image, uint8_t step) {
    const int32_t colours = image.ImageCountColours();
    const int64_t pixels = static_cast<int64_t>(image.width) * image.height;
    if (colours < 0 || colours > pixels + 2) __builtin_trap();
    free(ImageToDib(&image, 0xC8D0D4, false));
    free(ImageToDib(&image, 0x102030, true));
    image.SetBannerTint(64);
    image.PaletteCycleStep(5);
    image.SetBannerTint(5);
    image.PaletteCycleStep(step);  // any step, refused ones included
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Image image;
    int result = image.ImageLoadMb(data, size);
    CheckState(image, result, data, size);
    Exercise(image, size ? data[size - 1] : 0);
    // Loading over a loaded image must release the old picture whatever the new one is.
    result = image.ImageLoadMb(data, size / 2);
    CheckState(image, result, data, size / 2);
    Exercise(image, 3);
    return 0;
}
