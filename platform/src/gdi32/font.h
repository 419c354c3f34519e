// The window system's fixed bitmap font: cell metrics and glyph shapes.
#pragma once
#include <cstdint>

namespace winsim::gdi32 {

inline constexpr int kCellWidth = 6;   // advance of every character
inline constexpr int kCellHeight = 13;
inline constexpr int kAscent = 10;
inline constexpr int kGlyphTop = 3;    // first glyph row below the cell top
inline constexpr int kGlyphWidth = 5;  // the rest of the advance is space on the right

struct Glyph {
    uint8_t rows[7] = {};  // bit 4 the leftmost column
    bool mark = false;     // a dot above (the accented Latin-1 letters)
};
Glyph glyphOf(char16_t c);

}  // namespace winsim::gdi32
