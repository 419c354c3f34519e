// Arbitrary bytes as a .bmp file: the checks must refuse every unsound file
// before a bitmap is made, and a bitmap that is made has the checked size.
#include <win/wingdi.h>

#include <cstddef>
#include <cstdint>

#include "pictures/bmp_file.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BmpLayout l;
    const bool sound = BmpCheck(data, size, &l);
    if (sound && (uint64_t(l.bitsOffset) + l.imageSize > size || l.width <= 0 || l.width > kBmpMaxSide ||
                  l.height <= 0 || l.height > kBmpMaxSide))
        __builtin_trap();
    // Bitmaps of at most a million pixels are made, so a run stays quick.
    if (sound && uint64_t(l.width) * uint64_t(l.height) > (1u << 20)) return 0;
    int w = -1, h = -1;
    HBITMAP b = BmpFromMemory(data, size, &w, &h);
    if (b) {
        if (!sound || w != l.width || h != l.height) __builtin_trap();
        DeleteObject(b);
    } else if (w != 0 || h != 0) {
        __builtin_trap();
    }
    return 0;
}
