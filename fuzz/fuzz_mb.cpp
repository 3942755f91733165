// libFuzzer target: the bounded MB load, then everything the remover does with what loaded
// (census, bitmap block both ways, tint and colour cycle), and a second load over the first,
// which must release the old picture whatever the new one is.

#include <stdlib.h>

#include <initializer_list>

#include "image/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Image image;
    for (size_t part : {size, size / 2}) {
        const int result = image.ImageLoadMb(data, part);
        // The state the result must leave behind; a breach is a crash for the fuzzer.
        const bool empty =
            !image.width && !image.height && !image.bitsPerPixel && !image.palette && !image.pixels;
        const bool paletted = part > 10 && (data[10] == 0 || data[10] == 2);
        if (result == MbOk ? part < 12 || !image.pixels || (image.palette != nullptr) != paletted
                           : result != MbBadMagic && !empty) {
            __builtin_trap();
        }
        const int32_t colours = image.ImageCountColours();
        if (colours < 0 || colours > static_cast<int64_t>(image.width) * image.height + 2)
            __builtin_trap();
        free(ImageToDib(&image, 0xC8D0D4, false));
        free(ImageToDib(&image, 0x102030, true));
        image.SetBannerTint(64);
        image.PaletteCycleStep(5);
        image.SetBannerTint(5);
        image.PaletteCycleStep(part == size && size ? data[size - 1] : 3);  // refused ones too
    }
    return 0;
}
