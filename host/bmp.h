// Reader of BMP image files for the drawing scripts' blits and brushes.
// Accepts uncompressed and bit-field images of 1, 4, 8, 16, 24 and 32 bits
// per pixel with the 12-, 40-, 52-, 56-, 108- and 124-byte information
// headers, top-down or bottom-up. Everything is checked against the file's
// size before use; images above 16384 x 16384 pixels or 256 MB of pixels
// are refused.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include <winsim/engine.h>

namespace vds {

// Reads a BMP file's bytes into an image; false with a reason otherwise.
bool readBmp(std::string_view bytes, winsim::engine::Image& out, std::string* error);

}  // namespace vds
