// Field writers of the drawing records: little-endian values at explicit
// offsets from the start of a record.
#pragma once
#include <win/types.h>

#include "core/devmode/dm_layout.h"

namespace vesk::rec {

using dm::wr16;
using dm::wr32;

inline void wrI32(BYTE* p, uint32_t off, LONG v) { wr32(p, off, static_cast<uint32_t>(v)); }
inline void wrRect(BYTE* p, uint32_t off, const RECTL& r) {
    wrI32(p, off, r.left);
    wrI32(p, off + 4, r.top);
    wrI32(p, off + 8, r.right);
    wrI32(p, off + 12, r.bottom);
}
// The text records' rectangle at 8 and point at 24.
inline void wrRectAndPoint(BYTE* p, const RECTL& r, LONG x, LONG y) {
    wrRect(p, 8, r);
    wrI32(p, 24, x);
    wrI32(p, 28, y);
}
// The first four bytes: opcode and three parameter bytes.
inline void wrHead(BYTE* p, BYTE op, BYTE b1 = 0, BYTE b2 = 0, BYTE b3 = 0) {
    p[0] = op;
    p[1] = b1;
    p[2] = b2;
    p[3] = b3;
}
constexpr uint64_t round4(uint64_t n) { return (n + 3) & ~uint64_t{3}; }

}  // namespace vesk::rec
