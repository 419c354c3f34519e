// The realised brush and its record (0x40 BrushRecord).
#pragma once
#include <win/types.h>

#include "stream/record_buffer.h"

namespace vesk {

enum : SHORT { kBrushSolid = 0, kBrushMono = 2, kBrushRgb = 3 };

// A brush as the driver realises it (the engine keeps it; the device's
// solid-brush slot has the same header and no pattern). The pattern follows
// the header: `size` rows, top row first, no padding between rows; one bit
// per pixel (a set bit is the foreground colour) or three bytes per pixel in
// blue, green, red order.
struct RealizedBrush {
    SHORT kind;            // kBrushSolid, kBrushMono or kBrushRgb
    SHORT originX;         // low bytes of the engine's brush origin
    SHORT originY;
    DWORD foreground;      // 0x00RRGGBB
    DWORD background;
    WORD bitsPerPixel;     // 1 or 24
    WORD size;             // pattern size in pixels
    DWORD hostIcm;         // non-zero: the host has colour-matched the colours
};
inline BYTE* BrushPattern(RealizedBrush* b) { return reinterpret_cast<BYTE*>(b + 1); }
inline const BYTE* BrushPattern(const RealizedBrush* b) { return reinterpret_cast<const BYTE*>(b + 1); }
// Bytes of a pattern of `size` pixels at `bitsPerPixel` (1 or 24).
inline DWORD BrushPatternBytes(DWORD size, DWORD bitsPerPixel) {
    return bitsPerPixel == 24 ? size * size * 3 : size * size / 8;
}

// The current brush: a solid brush (no pattern, 8 bytes) or its pattern.
// Refused (null): a kind other than solid, one-bit or 24-bit pattern, a
// pattern neither 1 nor 24 bits per pixel, or one the record cannot hold.
BYTE* BrushRecordWrite(RecordBuffer* buf, const RealizedBrush* brush);

}  // namespace vesk
