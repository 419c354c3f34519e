// Replays the drawing records of a decoded stream into one picture per page:
// rectangles, paths (with the clip in force, the colour, the line width,
// caps and joins), rasters and glyph images, on a white page. Characters of
// the device's own fonts and glyph outlines are not drawn.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "decode/bytes.h"

namespace vesk::decode {

struct Picture {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // rows top first, three bytes a pixel: red, green, blue
    std::size_t skipped = 0;        // records not drawn (state, device-font text)
};

struct ReplayResult {
    bool ok = false;
    std::string error;
    std::vector<Picture> pages;
};

// Pages larger than `maxPixels` fail rather than take the memory.
ReplayResult replayStream(Bytes input, std::uint64_t maxPixels = 64ull << 20);

}  // namespace vesk::decode
