// Reading .bmp files: the checks every field of the file passes before a
// bitmap is made from it.
#pragma once
#include <win/wingdi.h>
#include <win/types.h>

#include <cstddef>
#include <cstdint>

namespace vesk {

constexpr int32_t kBmpMaxSide = 16384;

// Where the parts of a sound .bmp file lie.
struct BmpLayout {
    int32_t width;
    int32_t height;
    uint16_t bitCount;
    uint32_t paletteEntries;
    uint32_t bitsOffset;
    uint32_t rowSize;
    uint32_t imageSize;
};
// True when the file image is a BITMAPINFOHEADER bitmap of 1, 4, 8 or 24
// bits, uncompressed, with width and height in 1..16384, its colour table
// (biClrUsed entries, or all) after the header and its bits at bfOffBits,
// everything inside the `size` bytes.
bool BmpCheck(const uint8_t* data, size_t size, BmpLayout* out);
// The checked image as a bitmap of the display; null when it is not sound.
HBITMAP BmpFromMemory(const uint8_t* data, size_t size, int* width, int* height);
// Opens the file for reading when the value at offset 14 is 40 (a
// BITMAPINFOHEADER): 1 with the file open, else 0 with it closed.
int BmpFileOpen(const WCHAR* path, HANDLE* file);

}  // namespace vesk
