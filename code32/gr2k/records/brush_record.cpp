#include "records/brush_record.h"

#include <cstring>

#include "records/drawing_records.h"
#include "records/record_bytes.h"

namespace vesk {

using namespace rec;

BYTE* BrushRecordWrite(RecordBuffer* buf, const RealizedBrush* b) {
    if (!b) return nullptr;
    if (b->kind != kBrushSolid && b->kind != kBrushMono && b->kind != kBrushRgb) return nullptr;
    const bool pattern = b->kind != kBrushSolid;
    uint64_t count = 0;
    if (pattern) {
        if (b->bitsPerPixel != 1 && b->bitsPerPixel != 24) return nullptr;
        const uint64_t pixels = uint64_t{b->size} * b->size;
        count = b->bitsPerPixel == 24 ? pixels * 3 : pixels / 8;
        // The count is a 16-bit field, and a pattern brush carries a pattern.
        if (count == 0 || count > 0xFFFF || (b->bitsPerPixel == 1 && pixels % 8)) return nullptr;
    }
    const DWORD len = static_cast<DWORD>(round4(6 + count));
    BYTE* p = RecBufReserve(buf, len);
    if (!p) return nullptr;
    const BYTE flags = static_cast<BYTE>((pattern && b->bitsPerPixel == 24 ? 0x01 : 0) | (pattern ? 0x80 : 0) |
                                         (b->hostIcm ? 0x40 : 0));
    const BYTE size = b->size == 16 || b->size == 32 || b->size == 64 ? static_cast<BYTE>(b->size) : 0;
    wrHead(p, kRecBrush, flags, size, 1);
    wr16(p, 4, static_cast<uint32_t>(count));
    if (count) std::memcpy(p + 6, BrushPattern(b), static_cast<size_t>(count));
    std::memset(p + 6 + count, 0, static_cast<size_t>(len - 6 - count));
    return p;
}

}  // namespace vesk
